// Synthetic drum music with a known tempo: the ground truth for the beat tracker.
//
// A kick on every beat, a snare on the second and fourth, a closed hat on every eighth;
// optionally a bass line of eighth notes and a bed of white noise. The same pattern and seed
// always give the same samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorix::testing {

struct MusicPattern {
  double bpm = 120;
  double seconds = 20;
  double firstBeat = 0.25;  // s: when the first kick falls
  bool snare = true;
  bool hats = true;
  bool bass = false;
  double noise = 0;         // white noise amplitude, 0 to 1 of full scale
  uint32_t seed = 1;
};

struct SyntheticTrack {
  int sampleRate = 44100;
  std::vector<int16_t> samples;  // interleaved stereo frames
  std::vector<double> beats;     // s: the true beat times (kick onsets)

  size_t frames() const { return samples.size() / 2; }
  // Whole blocks of `size` frames in the track.
  size_t blocks(size_t size) const { return frames() / size; }
  // Block `index` as the engine hands it to the beat tracker: `size` 8-bit samples of the
  // first channel, then `size` of the second (the 16-bit samples shifted right by 8).
  void engineBlock(size_t index, size_t size, int8_t* out) const;
};

SyntheticTrack synthesizeMusic(const MusicPattern& pattern, int sampleRate = 44100);

// A sine of `hz` on the left and of `rightHz` on the right at half and quarter scale.
std::vector<int16_t> stereoTones(double seconds, double hz, double rightHz, int sampleRate,
                                 int channels);

}  // namespace quorix::testing
