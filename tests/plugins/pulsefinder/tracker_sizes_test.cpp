#include <gtest/gtest.h>

#include "plugins/pulsefinder/tracker_sizes.h"

namespace quorix::pulsefinder {
namespace {

TEST(TrackerSizes, DerivedFromRateAndBlockSize) {
  struct Case {
    uint32_t rate, block;
    uint32_t decimation, envelope, resonator, longest, shortest, combs, history, outputs, blockMs;
    double tempo;
  } cases[] = {
      // The engine's own format.
      {44100, 1024, 128, 8, 2, 68, 28, 41, 68, 215, 23, 5167},
      // A media player's blocks of 576 samples.
      {44100, 576, 72, 8, 2, 122, 51, 72, 122, 382, 13, 9187},
      {48000, 1024, 128, 8, 2, 75, 31, 45, 75, 234, 21, 5625},
      // Blocks that are not a multiple of 32: the decimation rounds up, the envelope down.
      {44100, 1000, 125, 8, 2, 70, 29, 42, 70, 220, 22, 5292},
      {22050, 1001, 126, 7, 1, 35, 14, 22, 35, 109, 45, 2625},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rate << " Hz, " << c.block << " samples");
    std::optional<TrackerSizes> sizes = deriveTrackerSizes(c.rate, c.block);
    ASSERT_TRUE(sizes.has_value());
    EXPECT_EQ(sizes->decimation, c.decimation);
    EXPECT_EQ(sizes->envelopeSamples, c.envelope);
    EXPECT_EQ(sizes->resonatorSamples, c.resonator);
    EXPECT_EQ(sizes->longestComb, c.longest);
    EXPECT_EQ(sizes->shortestComb, c.shortest);
    EXPECT_EQ(sizes->combCount, c.combs);
    EXPECT_EQ(sizes->historyLength, c.history);
    EXPECT_EQ(sizes->outputHistoryLength, c.outputs);
    EXPECT_EQ(sizes->blockMilliseconds, c.blockMs);
    EXPECT_EQ(sizes->tempoConstant, c.tempo);
    // Every decimated sample lies inside the block.
    EXPECT_LT((sizes->envelopeSamples - 1) * sizes->decimation, c.block);
  }
}

TEST(TrackerSizes, TheResonatorClockInMilliseconds) {
  TrackerSizes sizes = *deriveTrackerSizes(44100, 1024);
  EXPECT_NEAR(sizes.resonatorRate(), 86.13, 0.01);
  EXPECT_EQ(sizes.resonatorMilliseconds(49), 568);   // the starting comb's period
  EXPECT_EQ(sizes.resonatorMilliseconds(-3), -34);   // truncated toward zero
  // 44100 Hz keeps buffers small.
  EXPECT_LT(trackerBufferBytes(sizes), 200u * 1024);
}

TEST(TrackerSizes, UnusableFormatsAreRefused) {
  struct Case {
    uint32_t rate, block;
    const char* why;
  } cases[] = {
      {0, 1024, "no rate"},
      {44100, 0, "no block"},
      {1000, 1024, "no comb at all"},
      {8000, 4096, "the shortest beat period would be one resonator sample"},
      {44100, 7, "thousands of long combs, beyond the memory budget"},
      {192000, 8, "beyond the memory budget"},
      {4000000000u, 1, "absurd rate"},
      {4000000000u, 4000000000u, "absurd block"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(deriveTrackerSizes(c.rate, c.block).has_value()) << c.why;
  }
  // High but real rates still work.
  EXPECT_TRUE(deriveTrackerSizes(192000, 1024).has_value());
  EXPECT_TRUE(deriveTrackerSizes(8000, 256).has_value());
}

}  // namespace
}  // namespace quorix::pulsefinder
