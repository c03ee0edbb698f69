#include <gtest/gtest.h>

#include "platform/clock.h"

namespace quorix::platform {
namespace {

TEST(Clock, ReplaceableSourceDrivesMillisecondsAndTicks) {
  ManualClock clock(1000);
  ScopedClockSource scope(clock);
  EXPECT_EQ(clockMilliseconds(), 1000u);
  EXPECT_EQ(clockTicks(), 60u);
  clock.advance(16);  // 1016 ms x 0.06 = 60.96, truncated
  EXPECT_EQ(clockTicks(), 60u);
  clock.advance(1);   // 1017 x 0.06 = 61.02
  EXPECT_EQ(clockTicks(), 61u);
}

TEST(Clock, MillisecondsWrapAtThirtyTwoBits) {
  ManualClock clock((uint64_t{1} << 32) - 5);
  ScopedClockSource scope(clock);
  uint32_t before = clockMilliseconds();
  clock.advance(10);
  uint32_t after = clockMilliseconds();
  EXPECT_EQ(after, 5u);
  EXPECT_EQ(after - before, 10u);  // differences survive the wrap
}

TEST(Clock, TickConversionTruncates) {
  struct Case {
    uint32_t ms, ticks;
  } cases[] = {{0, 0}, {16, 0}, {17, 1}, {1000, 60}, {0xFFFFFFFFu, 257698037u}};
  for (const Case& c : cases) EXPECT_EQ(millisecondsToTicks(c.ms), c.ticks) << c.ms;
}

TEST(Clock, SystemClockCountsFromProcessStartAndMoves) {
  setClockSource(nullptr);
  uint32_t first = clockMilliseconds();
  EXPECT_LT(first, 3600u * 1000u);  // a test process is younger than an hour
  uint32_t second = clockMilliseconds();
  EXPECT_GE(second, first);
}

}  // namespace
}  // namespace quorix::platform
