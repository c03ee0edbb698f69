// Writes the demo song: a drum loop with a bass line at a known tempo (120 bpm unless a second
// argument names another), 16-bit stereo at 44100 Hz, as a WAV file. `make demo` runs the
// beat tracker over it, so that the demo needs no music of the user's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "assets/bitmap_writer.h"
#include "tests/support/synthetic_music.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: demo_song OUT.wav [BPM]\n");
    return 2;
  }
  quorix::testing::MusicPattern pattern;
  pattern.seconds = 30;
  pattern.bass = true;
  pattern.noise = 0.02;
  if (argc == 3) pattern.bpm = std::atof(argv[2]);
  if (pattern.bpm < 30 || pattern.bpm > 300) {
    std::fprintf(stderr, "demo_song: the tempo must lie between 30 and 300 bpm\n");
    return 2;
  }
  quorix::testing::SyntheticTrack track = quorix::testing::synthesizeMusic(pattern);

  std::string path = argv[1];
  std::string temporary = path + ".tmp";
  using quorix::assets::putLE;
  uint32_t dataBytes = static_cast<uint32_t>(track.samples.size() * 2);
  std::string wav = "RIFF";
  putLE(wav, 36 + dataBytes, 4);
  wav += "WAVEfmt ";
  putLE(wav, 16, 4);
  putLE(wav, 1, 2);  // PCM
  putLE(wav, 2, 2);  // channels
  putLE(wav, static_cast<uint32_t>(track.sampleRate), 4);
  putLE(wav, static_cast<uint32_t>(track.sampleRate) * 4, 4);
  putLE(wav, 4, 2);   // bytes per frame
  putLE(wav, 16, 2);  // bits per sample
  wav += "data";
  putLE(wav, dataBytes, 4);
  for (int16_t sample : track.samples) putLE(wav, static_cast<uint16_t>(sample), 2);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(wav.data(), static_cast<std::streamsize>(wav.size()));
  out.close();
  if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "demo_song: cannot write %s\n", path.c_str());
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
