// The tracker against music whose beat is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "plugins/pulsefinder/beat_tracker.h"
#include "tests/support/synthetic_music.h"

namespace quorix::pulsefinder {
namespace {

constexpr double kResonatorRate = 44100.0 / 512;  // resonator samples a second
constexpr double kSettle = 5.0;                   // s the tracker may take to lock on
constexpr double kTolerance = 0.070;              // s between a reported and a true beat

struct Beat {
  double time;  // s: the time stamp of the block that reported it
  uint32_t period;
};

// Feeds a track the way the engine does: 1024-sample blocks, 8-bit, stamped in ms.
std::vector<Beat> track(const testing::SyntheticTrack& music) {
  BeatTracker tracker;
  EXPECT_TRUE(tracker.open(44100, 1024));
  std::vector<int8_t> block(2048);
  std::vector<Beat> beats;
  for (size_t b = 0; b < music.blocks(1024); ++b) {
    music.engineBlock(b, 1024, block.data());
    const uint32_t stamp = static_cast<uint32_t>(b * 1024 * 1000 / 44100);
    const uint32_t word = tracker.process(block.data(), stamp);
    if (word != 0) beats.push_back({stamp / 1000.0, word >> 16});
  }
  return beats;
}

double distanceToNearest(double time, const std::vector<double>& marks) {
  double best = 1e9;
  for (double mark : marks) best = std::min(best, std::fabs(mark - time));
  return best;
}

// The median tempo (bpm) of the beats after the settling time.
double medianTempo(const std::vector<Beat>& beats) {
  std::vector<double> tempos;
  for (const Beat& beat : beats) {
    if (beat.time >= kSettle) tempos.push_back(60000.0 / beat.period);
  }
  if (tempos.empty()) return 0;
  std::sort(tempos.begin(), tempos.end());
  return tempos[tempos.size() / 2];
}

// One comb step at `bpm`: neighbouring combs' periods differ by one resonator sample.
double resolution(double bpm) { return bpm * bpm / (kResonatorRate * 60); }

// The tempos the comb bank resolves exactly: a beat every `period` resonator samples.
double tempoOfPeriod(int period) { return kResonatorRate * 60 / period; }

void expectNoTwoBeatsWithinHalfAPeriod(const std::vector<Beat>& beats) {
  for (size_t i = 1; i < beats.size(); ++i) {
    // Beats fall on block time stamps, at most one block after their predicted time.
    EXPECT_GT(beats[i].time - beats[i - 1].time, beats[i].period / 2000.0 - 0.024)
        << "beats at " << beats[i - 1].time << " and " << beats[i].time;
  }
}

// Clean drum patterns from 80 to 170 bpm: the tempo within the combs' resolution (the
// tracker reports a comb's period as its order + 1, one step slow), every beat within 70 ms
// of a true one, and nearly every true beat found.
TEST(TempoAccuracy, CleanPatternsFrom80To170Bpm) {
  for (int period : {31, 34, 37, 40, 43, 46, 49, 52, 55, 58, 61, 64}) {
    testing::MusicPattern pattern;
    pattern.bpm = tempoOfPeriod(period);
    pattern.seconds = 30;
    SCOPED_TRACE(::testing::Message() << pattern.bpm << " bpm");
    testing::SyntheticTrack music = testing::synthesizeMusic(pattern);
    std::vector<Beat> beats = track(music);

    EXPECT_NEAR(medianTempo(beats), pattern.bpm, 1.5 * resolution(pattern.bpm));
    int reported = 0;
    for (const Beat& beat : beats) {
      if (beat.time < kSettle) continue;
      ++reported;
      EXPECT_LE(distanceToNearest(beat.time, music.beats), kTolerance) << beat.time;
    }
    std::vector<double> times;
    for (const Beat& beat : beats) times.push_back(beat.time);
    int found = 0, due = 0;
    for (double truth : music.beats) {
      if (truth < kSettle || truth > pattern.seconds - 0.5) continue;
      ++due;
      found += distanceToNearest(truth, times) <= kTolerance ? 1 : 0;
    }
    EXPECT_GE(found, 0.9 * due);
    EXPECT_LE(reported, due + 2);
    expectNoTwoBeatsWithinHalfAPeriod(beats);
  }
}

// With a bass line and a bed of noise the tracker may lock on twice the tempo (the eighth
// notes); its beats still fall on the music's eighth-note grid.
TEST(TempoAccuracy, NoiseAndABassLine) {
  struct Variant {
    const char* name;
    bool bass;
    double noise;
  } variants[] = {{"noise", false, 0.05}, {"bass", true, 0}, {"bass and noise", true, 0.05}};
  for (const Variant& variant : variants) {
    for (int period : {32, 40, 48, 56, 64}) {
      testing::MusicPattern pattern;
      pattern.bpm = tempoOfPeriod(period);
      pattern.seconds = 30;
      pattern.bass = variant.bass;
      pattern.noise = variant.noise;
      pattern.seed = static_cast<uint32_t>(period);
      SCOPED_TRACE(::testing::Message() << variant.name << ", " << pattern.bpm << " bpm");
      testing::SyntheticTrack music = testing::synthesizeMusic(pattern);
      std::vector<Beat> beats = track(music);

      const double tempo = medianTempo(beats);
      const bool onTempo = std::fabs(tempo - pattern.bpm) <= 1.5 * resolution(pattern.bpm);
      const bool doubled = std::fabs(tempo - 2 * pattern.bpm) <= 1.5 * resolution(2 * pattern.bpm);
      EXPECT_TRUE(onTempo || doubled) << "tempo " << tempo;

      std::vector<double> eighths;
      for (double truth : music.beats) {
        eighths.push_back(truth);
        eighths.push_back(truth + 30 / pattern.bpm);
      }
      int reported = 0, onGrid = 0;
      for (const Beat& beat : beats) {
        if (beat.time < kSettle) continue;
        ++reported;
        onGrid += distanceToNearest(beat.time, eighths) <= kTolerance ? 1 : 0;
      }
      EXPECT_GT(reported, 0.8 * (pattern.seconds - kSettle) * pattern.bpm / 60);
      EXPECT_GE(onGrid, 0.9 * reported);
      expectNoTwoBeatsWithinHalfAPeriod(beats);
    }
  }
}

}  // namespace
}  // namespace quorix::pulsefinder
