#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "plugins/pulsefinder/beat_tracker.h"
#include "tests/support/synthetic_music.h"

namespace quorix::pulsefinder {
namespace {

// One block of exactly 2 x N samples on the heap, so that a read past it is caught.
std::unique_ptr<int8_t[]> blockOf(uint32_t size, int8_t value = 0) {
  auto block = std::make_unique<int8_t[]>(2 * size);
  for (uint32_t i = 0; i < 2 * size; ++i) block[i] = value;
  return block;
}

// The tracker's answer to every block of a synthetic track, at time stamps `stamp(i)`.
template <typename Stamp>
std::vector<uint32_t> answers(BeatTracker& tracker, const testing::SyntheticTrack& track,
                              Stamp stamp) {
  std::vector<uint32_t> words;
  auto block = blockOf(1024);
  for (size_t b = 0; b < track.blocks(1024); ++b) {
    track.engineBlock(b, 1024, block.get());
    words.push_back(tracker.process(block.get(), stamp(b)));
  }
  return words;
}

TEST(BeatTracker, OpensWithItsStartingTempo) {
  BeatTracker tracker;
  ASSERT_TRUE(tracker.open(44100, 1024));
  EXPECT_EQ(tracker.selectedComb(), 19u);
  EXPECT_EQ(tracker.combs().period(19), 49u);  // about 105 bpm
  EXPECT_EQ(tracker.periodMilliseconds(), 568u);
  EXPECT_EQ(tracker.confidence(), 0u);
  EXPECT_EQ(tracker.elapsed(), 0);
  EXPECT_EQ(tracker.candidates().count(), 0u);
  EXPECT_EQ(tracker.history().length(), 68u);
}

TEST(BeatTracker, ProcessWithoutASuccessfulOpenReadsNothing) {
  BeatTracker tracker;
  // A null block would crash any read.
  EXPECT_EQ(tracker.process(nullptr, 0), 0u);
  EXPECT_EQ(tracker.process(nullptr, 500), 0u);
  ASSERT_TRUE(tracker.open(44100, 1024));
  EXPECT_EQ(tracker.process(nullptr, 23), 0u);
  tracker.close();
  tracker.close();
  EXPECT_FALSE(tracker.isOpen());
  EXPECT_EQ(tracker.process(nullptr, 46), 0u);
  EXPECT_FALSE(tracker.open(0, 1024));
  EXPECT_EQ(tracker.process(nullptr, 69), 0u);
}

TEST(BeatTracker, OpenReportsEveryFailedAllocation) {
  BeatTracker tracker;
  long successes = 0;
  for (;; ++successes) {
    ASSERT_LT(successes, 1000) << "open never succeeded";
    failTrackerAllocationsAfter(successes);
    bool opened = tracker.open(44100, 1024);
    failTrackerAllocationsAfter(-1);
    if (opened) break;
    EXPECT_FALSE(tracker.isOpen());
    EXPECT_EQ(tracker.process(nullptr, 0), 0u) << successes;
  }
  // The history, the candidates, two filters, the work buffers and 41 combs.
  EXPECT_GT(successes, 41 * 6);
  auto block = blockOf(1024, 100);
  for (uint32_t t = 0; t < 2000; t += 23) tracker.process(block.get(), t);
  // A second open rebuilds everything for the new format.
  ASSERT_TRUE(tracker.open(48000, 512));
  EXPECT_EQ(tracker.sizes().blockSize, 512u);
  EXPECT_EQ(tracker.elapsed(), 0);
  EXPECT_EQ(tracker.candidates().count(), 0u);
  auto small = blockOf(512);
  tracker.process(small.get(), 0);
}

TEST(BeatTracker, TheLastBeatTimeOutlivesAReopen) {
  BeatTracker tracker;
  ASSERT_TRUE(tracker.open(44100, 1024));
  auto block = blockOf(1024);
  for (uint32_t t = 0; t < 1000; t += 23) tracker.process(block.get(), t);
  const int64_t lastBeat = tracker.lastBeatTime();
  EXPECT_NE(lastBeat, 0);  // ten analyses moved it back
  tracker.close();
  ASSERT_TRUE(tracker.open(44100, 1024));
  EXPECT_EQ(tracker.lastBeatTime(), lastBeat);
}

// Time steps: above 100 ms (or backwards) a step counts as one block, 23 ms; between 23 and
// 100 ms the excess is a gap that the history ring skips at the resonator rate (86.13 Hz).
TEST(BeatTracker, TimeStepsAndGaps) {
  struct Case {
    int64_t step;          // ms from the previous block
    int32_t counted;       // ms added to elapsed
    uint32_t ringAdvance;  // 2 resonator samples of the block, plus the gap's
  } cases[] = {
      {0, 0, 2},       {23, 23, 2},     {24, 24, 2},      {35, 35, 3},
      {50, 50, 4},     {99, 99, 8},     {100, 100, 8},    {101, 23, 2},
      {60000, 23, 2},  {-1, 23, 2},     {-60000, 23, 2},
  };
  for (const Case& c : cases) {
    BeatTracker tracker;
    ASSERT_TRUE(tracker.open(44100, 1024));
    auto block = blockOf(1024);
    const uint32_t start = 1000000;
    tracker.process(block.get(), start);  // a huge first step: one block
    ASSERT_EQ(tracker.elapsed(), 23);
    const uint32_t position = tracker.history().writePosition();
    tracker.process(block.get(), static_cast<uint32_t>(start + c.step));
    EXPECT_EQ(tracker.elapsed(), (23 + c.counted) % 100) << c.step;
    EXPECT_EQ((tracker.history().writePosition() + 68 - position) % 68, c.ringAdvance) << c.step;
  }
}

TEST(BeatTracker, JumpsOfMinutesAndStepsBackCountAsOneBlock) {
  testing::MusicPattern pattern;
  pattern.seconds = 12;
  testing::SyntheticTrack track = testing::synthesizeMusic(pattern);
  BeatTracker steady, jumping, rewinding;
  ASSERT_TRUE(steady.open(44100, 1024));
  ASSERT_TRUE(jumping.open(44100, 1024));
  ASSERT_TRUE(rewinding.open(44100, 1024));
  auto expected = answers(steady, track, [](size_t b) { return uint32_t(23 * b); });
  auto jumped = answers(jumping, track, [](size_t b) {
    return uint32_t(23 * b + (b >= 200 ? 5 * 60000 : 0));
  });
  auto rewound = answers(rewinding, track, [](size_t b) {
    return uint32_t(23 * b - (b >= 200 ? 10000 : 0));  // the clock goes back 10 s
  });
  EXPECT_EQ(jumped, expected);
  EXPECT_EQ(rewound, expected);
  EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](uint32_t w) { return w != 0; }), 10);
}

TEST(BeatTracker, SilenceKeepsTheCombsStillAndTheCandidatesComing) {
  BeatTracker tracker;
  ASSERT_TRUE(tracker.open(44100, 1024));
  auto block = blockOf(1024);
  int analyses = 0;
  for (uint32_t b = 0; b < 1300; ++b) {  // 30 s
    const int32_t before = tracker.elapsed();
    tracker.process(block.get(), b * 1024 * 1000 / 44100);
    if (tracker.elapsed() < before) {
      ++analyses;
      ASSERT_GT(tracker.candidates().count(), 0u) << "analysis " << analyses;
    }
  }
  EXPECT_GT(analyses, 290);
  for (uint32_t k = 0; k < tracker.combs().count(); ++k) {
    EXPECT_EQ(tracker.combs().comb(k).peak(), 0) << k;
  }
  EXPECT_EQ(tracker.selectedComb(), 19u);
}

// Whatever the format, signal and clock: no read outside the block, no division by zero
// (the sanitizers watch), and beats only as 1 | period << 16.
TEST(BeatTracker, SurvivesOddFormatsSignalsAndClocks) {
  const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000, 96000, 192000};
  const uint32_t blocks[] = {1, 7, 33, 100, 576, 1000, 1001, 1024, 4095};
  enum Signal { Silence, Square, Noise };
  for (uint32_t rate : rates) {
    for (uint32_t size : blocks) {
      for (Signal signal : {Silence, Square, Noise}) {
        SCOPED_TRACE(::testing::Message() << rate << " Hz, " << size << " samples, signal "
                                          << signal);
        BeatTracker tracker;
        auto block = blockOf(size);
        if (!tracker.open(rate, size)) {
          EXPECT_EQ(tracker.process(block.get(), 0), 0u);
          continue;
        }
        const uint32_t blockMs = tracker.sizes().blockMilliseconds;
        uint32_t seed = 1;
        int64_t clock = 0;
        const int count = static_cast<int>(std::min<uint64_t>(400, 4ull * rate / size + 10));
        for (int b = 0; b < count; ++b) {
          for (uint32_t i = 0; i < 2 * size; ++i) {
            seed = seed * 1103515245 + 12345;
            block[i] = signal == Silence ? 0
                       : signal == Square ? ((i / 37) % 2 ? 127 : -128)
                                          : static_cast<int8_t>(seed >> 24);
          }
          // Mostly steady, with a pause, a jump of minutes and a step back now and then.
          clock += b % 97 == 50 ? 70 : b % 131 == 70 ? 180000 : b % 173 == 90 ? -5000 : blockMs;
          const uint32_t word = tracker.process(block.get(), static_cast<uint32_t>(clock));
          if (word == 0) continue;
          ASSERT_EQ(word & 0xFFFF, 1u);
          ASSERT_GT(word >> 16, 0u);
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorix::pulsefinder
