#include <gtest/gtest.h>

#include <vector>

#include "plugins/pulsefinder/phase_history.h"

namespace quorix::pulsefinder {
namespace {

PhaseHistory historyOf(uint32_t length, const std::vector<double>& appended) {
  PhaseHistory history;
  EXPECT_TRUE(history.allocate(length));
  for (double value : appended) history.append(value);
  return history;
}

TEST(PhaseHistory, TheNextBeatIsAPeriodAfterTheLatestPeak) {
  struct Case {
    const char* what;
    std::vector<double> appended;
    uint32_t period;
    int64_t offset;
  } cases[] = {
      {"peak three appends ago", {0, 0, 0, 9, 1, 0}, 4, 1},
      {"peak just appended", {0, 0, 0, 1, 2, 9}, 4, 3},
      {"peak at the start of the window", {0, 0, 9, 1, 2, 3}, 4, 0},
      {"older peaks are outside the window", {50, 0, 0, 0, 1, 0}, 4, 2},
      {"the first of equal peaks", {0, 0, 5, 0, 5, 0}, 4, 0},
      // Ten entries: the window wraps past index 0.
      {"a window across the wrap", {0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 1}, 5, 1},
      // No value above 0: the entry at index 0, written three appends ago (position 3).
      {"silence takes ring index 0", std::vector<double>(13, 0.0), 5, 2},
      // At position 0 index 0 is the oldest entry, ten appends ago.
      {"silence at position 0", std::vector<double>(10, 0.0), 5, -5},
      {"negative values are no peaks", {-1, -2, -3}, 4, 1},
  };
  for (const Case& c : cases) {
    PhaseHistory history = historyOf(10, c.appended);
    EXPECT_EQ(history.nextBeatOffset(c.period), c.offset) << c.what;
  }
}

TEST(PhaseHistory, AGapClearsEntriesAndMovesOn) {
  PhaseHistory history = historyOf(6, {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(history.writePosition(), 1u);
  history.skip(3);
  EXPECT_EQ(history.writePosition(), 4u);
  const double expected[] = {7, 0, 0, 0, 5, 6};
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(history[i], expected[i]) << i;
  // A whole period of gap leaves nothing to find but ring index 0.
  history.skip(6);
  EXPECT_EQ(history.nextBeatOffset(4), 4 - 4);
}

}  // namespace
}  // namespace quorix::pulsefinder
