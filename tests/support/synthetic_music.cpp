#include "tests/support/synthetic_music.h"

#include <algorithm>
#include <cmath>

namespace quorix::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A small deterministic noise source (xorshift32), uniform in -1..1.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed == 0 ? 0x9E3779B9u : seed) {}
  double next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

// Adds one voice to the left and right mix from `start` (s) for `length` (s).
template <typename Voice>
void addVoice(std::vector<double>& left, std::vector<double>& right, int rate, double start,
              double length, double pan, Voice voice) {
  const size_t first = static_cast<size_t>(start * rate);
  const size_t count = static_cast<size_t>(length * rate);
  for (size_t i = 0; i < count && first + i < left.size(); ++i) {
    const double value = voice(static_cast<double>(i) / rate);
    left[first + i] += value * (1 - pan);
    right[first + i] += value * (1 + pan);
  }
}

int16_t toSample(double value) {
  return static_cast<int16_t>(std::clamp(value, -1.0, 1.0) * 32767.0);
}

}  // namespace

SyntheticTrack synthesizeMusic(const MusicPattern& p, int rate) {
  const size_t frames = static_cast<size_t>(p.seconds * rate);
  std::vector<double> left(frames), right(frames);
  Noise noise(p.seed);
  const double beat = 60.0 / p.bpm;
  static const double kBassNotes[] = {55.0, 55.0, 65.41, 73.42, 49.0, 49.0, 61.74, 73.42};

  SyntheticTrack track;
  track.sampleRate = rate;
  int index = 0;
  for (double t = p.firstBeat; t < p.seconds; t += beat, ++index) {
    track.beats.push_back(t);
    // Kick: a sine falling from 120 to 45 Hz with a fast decay.
    addVoice(left, right, rate, t, 0.3, 0, [](double s) {
      const double phase = 2 * kPi * (45 * s + 75 * 0.04 * (1 - std::exp(-s / 0.04)));
      return 0.6 * std::exp(-s / 0.08) * std::sin(phase);
    });
    if (p.snare && index % 2 == 1) {
      addVoice(left, right, rate, t, 0.2, -0.2, [&noise](double s) {
        return 0.3 * std::exp(-s / 0.05) * noise.next() +
               0.2 * std::exp(-s / 0.03) * std::sin(2 * kPi * 190 * s);
      });
    }
    if (p.bass) {
      // One legato note a beat, with a soft attack, walking through a two-bar figure.
      const double hz = kBassNotes[index % 8];
      addVoice(left, right, rate, t, beat, 0, [hz, beat](double s) {
        const double envelope = std::min(1.0, s / 0.02) * std::min(1.0, (beat - s) / 0.02);
        return 0.12 * envelope * (std::sin(2 * kPi * hz * s) + 0.3 * std::sin(4 * kPi * hz * s));
      });
    }
    for (int half = 0; p.hats && half < 2; ++half) {
      double previous = 0;
      addVoice(left, right, rate, t + half * beat / 2, 0.06, 0.4, [&noise, &previous](double s) {
        const double white = noise.next();
        const double high = white - previous;  // a first difference keeps the hiss
        previous = white;
        return 0.1 * std::exp(-s / 0.015) * high;
      });
    }
  }
  track.samples.resize(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    const double bed = p.noise * noise.next();
    track.samples[2 * i] = toSample(left[i] + bed);
    track.samples[2 * i + 1] = toSample(right[i] + bed);
  }
  return track;
}

void SyntheticTrack::engineBlock(size_t index, size_t size, int8_t* out) const {
  const int16_t* frame = samples.data() + 2 * index * size;
  for (size_t j = 0; j < size; ++j) {
    out[j] = static_cast<int8_t>(frame[2 * j] >> 8);
    out[size + j] = static_cast<int8_t>(frame[2 * j + 1] >> 8);
  }
}

std::vector<int16_t> stereoTones(double seconds, double hz, double rightHz, int rate,
                                 int channels) {
  const size_t frames = static_cast<size_t>(seconds * rate);
  std::vector<int16_t> samples(frames * channels);
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    samples[i * channels] = toSample(0.5 * std::sin(2 * kPi * hz * t));
    if (channels > 1) samples[i * channels + 1] = toSample(0.25 * std::sin(2 * kPi * rightHz * t));
  }
  return samples;
}

}  // namespace quorix::testing
