#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "plugins/pulsefinder/candidate_list.h"

namespace quorix::pulsefinder {
namespace {

using Entries = std::vector<std::pair<int32_t, double>>;

Entries entriesOf(const CandidateList& list) {
  Entries entries;
  for (uint32_t i = 0; i < list.count(); ++i) entries.emplace_back(list[i].time, list[i].score);
  return entries;
}

TEST(CandidateList, PredictionsThatAgreeStrengthenOneCandidate) {
  struct Case {
    std::vector<int32_t> added;
    Entries expected;
  } cases[] = {
      {{100}, {{100, 1.0}}},
      {{100, 140}, {{120, 2.0}}},                // within 40: the mean, one more score
      {{100, 141}, {{100, 1.0}, {141, 1.0}}},    // 41 apart: two candidates
      {{100, 60, 59}, {{69, 3.0}}},              // 80 then 69 (integer mean)
      {{0, 50, 20}, {{10, 2.0}, {50, 1.0}}},     // 10 and 50: exactly 40 apart stay apart
      {{0, 50, 22}, {{30, 3.0}}},                // 11 and 50: closer than 40, merged
      {{0, 60, 30}, {{15, 2.0}, {60, 1.0}}},     // both match: the first listed takes it
  };
  for (const Case& c : cases) {
    CandidateList list;
    ASSERT_TRUE(list.allocate());
    for (int32_t time : c.added) list.add(time);
    EXPECT_EQ(entriesOf(list), c.expected) << ::testing::PrintToString(c.added);
  }
}

TEST(CandidateList, AFullListDropsNewTimesButStillMatches) {
  CandidateList list;
  ASSERT_TRUE(list.allocate());
  for (int32_t i = 0; i < 11; ++i) list.add(i * 100);
  ASSERT_EQ(list.count(), 10u);
  EXPECT_EQ(list[9].time, 900);
  list.add(930);
  EXPECT_EQ(list.count(), 10u);
  EXPECT_EQ(list[9].time, 915);
  EXPECT_EQ(list[9].score, 2.0);
}

TEST(CandidateList, AgingMovesTimesBackDropsThePastAndFades) {
  CandidateList list;
  ASSERT_TRUE(list.allocate());
  for (int32_t time : {90, 140, 300}) list.add(time);
  int64_t lastBeat = -20;
  list.age(112, lastBeat);  // interval ended with elapsed 112: times before 12 go
  EXPECT_EQ(lastBeat, -120);
  EXPECT_EQ(entriesOf(list), (Entries{{40, 0.8}, {200, 0.8}}));
}

TEST(CandidateList, ABeatNeedsTheClockAStrongCandidateAndHalfAPeriod) {
  struct Case {
    const char* what;
    int32_t time;
    int agings;           // how often the candidate faded before the test
    bool confirmed;       // predicted once more after fading
    int32_t elapsed;
    int64_t lastBeat;
    bool beat;
  } cases[] = {
      {"fresh and due", 50, 0, false, 50, -400, true},
      {"not yet due", 50, 0, false, 49, -400, false},
      {"faded once: 0.8 is too weak", 150, 1, false, 60, -400, false},
      {"faded then confirmed: 1.8", 150, 1, true, 60, -400, true},
      {"too close to the last beat", 50, 0, false, 50, -234, false},   // 284 apart, half 284
      {"just more than half a period", 50, 0, false, 50, -235, true},
  };
  for (const Case& c : cases) {
    CandidateList list;
    ASSERT_TRUE(list.allocate());
    list.add(c.time);
    int64_t lastBeat = c.lastBeat + 100 * c.agings;
    for (int i = 0; i < c.agings; ++i) list.age(100, lastBeat);
    if (c.confirmed) list.add(c.time - 100 * c.agings);
    const int64_t before = lastBeat;
    EXPECT_EQ(list.takeBeat(c.elapsed, 284, lastBeat), c.beat) << c.what;
    if (c.beat) {
      EXPECT_EQ(lastBeat, c.time - 100 * c.agings) << c.what;
      EXPECT_EQ(list.count(), 0u) << c.what;
    } else {
      EXPECT_EQ(lastBeat, before) << c.what;
      EXPECT_EQ(list.count(), 1u) << c.what;
    }
  }
}

TEST(CandidateList, OnlyTheFirstQualifyingCandidateIsReported) {
  CandidateList list;
  ASSERT_TRUE(list.allocate());
  list.add(10);
  list.add(80);
  int64_t lastBeat = -1000;
  EXPECT_TRUE(list.takeBeat(90, 30, lastBeat));
  EXPECT_EQ(lastBeat, 10);
  EXPECT_EQ(entriesOf(list), (Entries{{80, 1.0}}));
  // The other is due too, and 70 ms later: more than half of a 60-ms period.
  EXPECT_TRUE(list.takeBeat(90, 30, lastBeat));
  EXPECT_FALSE(list.takeBeat(90, 30, lastBeat));
}

TEST(CandidateList, AnUnallocatedListIgnoresEverything) {
  CandidateList list;
  list.add(10);
  int64_t lastBeat = 0;
  EXPECT_FALSE(list.takeBeat(100, 0, lastBeat));
  failTrackerAllocationsAfter(0);
  EXPECT_FALSE(list.allocate());
  failTrackerAllocationsAfter(-1);
  list.add(10);
  EXPECT_EQ(list.count(), 0u);
}

}  // namespace
}  // namespace quorix::pulsefinder
