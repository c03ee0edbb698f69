#include <gtest/gtest.h>

#include <cstdint>

#include "platform/memory_status.h"

namespace quorix::platform {
namespace {

TEST(MemoryStatus, FiguresAreClampedToAThirtyTwoBitProcessView) {
  struct Case {
    int64_t source;
    int32_t seen;
  } cases[] = {{0, 0},
               {-5, 0},
               {1234, 1234},
               {0x7FFFFFFF, 0x7FFFFFFF},
               {int64_t{8} << 30, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    FixedMemoryStatus fixed(c.source);
    setMemoryStatusSource(&fixed);
    EXPECT_EQ(availableMemory(), c.seen) << c.source;
  }
  setMemoryStatusSource(nullptr);
}

TEST(MemoryStatus, SystemFigureIsPositive) {
  setMemoryStatusSource(nullptr);
  EXPECT_GT(availableMemory(), 0);
}

}  // namespace
}  // namespace quorix::platform
