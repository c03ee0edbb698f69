#include <gtest/gtest.h>

#include "document/tracks.h"
#include "platform/clock.h"
#include "tests/document/synth_test_support.h"

namespace quorix::document {
namespace {

class TrackTest : public SynthTest {
 protected:
  int32_t synth = newSynth(temp / "tracks.qrx");
  int track = addTrack(synth, "keys", 4);
  MemHandle events = trackEvents(synth, track);

  std::vector<int32_t> times() {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < trackEventCount(events); ++i) out.push_back(trackEventSlots(events)[i].time);
    return out;
  }
  void record(std::initializer_list<int32_t> eventTimes) {
    for (int32_t time : eventTimes) recordEvent(events, {144, time % 128, 64}, time);
  }
};

TEST_F(TrackTest, RecordedEventsKeepTheirTimeOrderUntilTheTrackIsFull) {
  record({10, 30});
  EXPECT_EQ(trackHeader(events)->cursor, 2u);
  record({20});
  EXPECT_EQ(times(), (std::vector<int32_t>{10, 20, 30}));
  EXPECT_EQ(trackHeader(events)->cursor, 2u);  // just after the inserted event
  record({30, 40});                             // the fifth does not fit
  EXPECT_EQ(times(), (std::vector<int32_t>{10, 20, 30, 30}));
  EXPECT_EQ(trackDuration(synth, track), 30);
  const TrackEvent& event = trackEventSlots(events)[1];
  EXPECT_EQ(event.status, 144u);
  EXPECT_EQ(event.keyAndValue, (20u << 16) | 64);
}

TEST_F(TrackTest, SeekingFindsThePlaceAfterEqualTimes) {
  EXPECT_EQ(seekTrack(events, 50), 0);  // empty
  record({10, 20, 20, 30});
  struct Case {
    int32_t time;
    int32_t place;
  } cases[] = {{20, 3}, {5, 0}, {40, 3}, {10, 1}, {15, 1}, {30, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(seekTrack(events, c.time), c.place) << c.time;
    EXPECT_EQ(trackHeader(events)->cursor, static_cast<uint32_t>(c.place));
  }
}

TEST_F(TrackTest, DueEventsComeOutInTurnWithTheirLateness) {
  record({10, 20});
  seekTrack(events, 0);
  EngineEvent event;
  int32_t lateness = -1;
  EXPECT_FALSE(isEventDue(events, 5));
  EXPECT_FALSE(nextDueEvent(events, 5, &event, &lateness));
  EXPECT_EQ(trackHeader(events)->cursor, 0u);
  EXPECT_TRUE(nextDueEvent(events, 13, &event, &lateness));
  EXPECT_EQ(event.status, 144);
  EXPECT_EQ(event.key, 10);
  EXPECT_EQ(event.value, 64);
  EXPECT_EQ(lateness, 3);
  EXPECT_TRUE(nextDueEvent(events, 20, &event, nullptr));
  EXPECT_FALSE(nextDueEvent(events, 1000, &event, nullptr));
}

TEST_F(TrackTest, TracksOutsideTheSynthHaveNothing) {
  EXPECT_EQ(trackEvents(synth, 1), nullptr);
  EXPECT_EQ(trackSettings(synth, -1), nullptr);
  EXPECT_EQ(trackEvents(synth + 1, 0), nullptr);
  EXPECT_EQ(trackDuration(synth, 3), 0);
  EXPECT_EQ(seekTrack(nullptr, 3), 0);
  recordEvent(nullptr, {144, 1, 1}, 1);
  EXPECT_FALSE(isEventDue(nullptr, 1));
  const TrackSettings& settings = *static_cast<TrackSettings*>(trackSettings(synth, track)->data);
  EXPECT_EQ(settings.trackMode, 1u);
  EXPECT_EQ(settings.trackValues[0], 1u);
  EXPECT_EQ(settings.trackValues[1], 0u);
  EXPECT_EQ(settings.trackValue6, 1u);
  EXPECT_EQ(settings.trackValue7, 0u);
}

TEST_F(TrackTest, PlayingStartsFromTheTopOneSecondLater) {
  platform::ManualClock clock(10000);  // 600 ticks
  platform::ScopedClockSource scoped(clock);
  record({10, 20});
  TrackPlayer player;
  EXPECT_EQ(playTrack(player, synth, track, kTrackPlay), 660u);
  EXPECT_TRUE(player.playing);
  EXPECT_EQ(player.startTicks, 600u);
  EXPECT_EQ(trackHeader(events)->cursor, 0u);
  // While one plays, another start changes nothing.
  clock.advance(5000);
  trackHeader(events)->cursor = 1;
  EXPECT_EQ(playTrack(player, synth, track, kTrackPlay), 660u);
  EXPECT_EQ(trackHeader(events)->cursor, 1u);
  EXPECT_EQ(playTrack(player, synth, track, kTrackStop), 0u);
  EXPECT_FALSE(player.playing);
  EXPECT_EQ(playTrack(player, synth, 7, kTrackPlay), 0u);  // no such track
  EXPECT_FALSE(player.playing);
}

TEST(TrackTimeTest, TicksConvertToMinutesSecondsAndSeventiethsAndBack) {
  struct Case {
    int32_t ticks;
    TrackTime time;
    int32_t back;
  } cases[] = {{3725, {1, 2, 5}, 3724}, {0, {0, 0, 0}, 0}, {59, {0, 0, 68}, 58},
               {216000, {60, 0, 0}, 216000}};
  for (const Case& c : cases) {
    TrackTime time = ticksToTime(c.ticks);
    EXPECT_EQ(time.minutes, c.time.minutes) << c.ticks;
    EXPECT_EQ(time.seconds, c.time.seconds) << c.ticks;
    EXPECT_EQ(time.frames, c.time.frames) << c.ticks;
    EXPECT_EQ(timeToTicks(time), c.back) << c.ticks;
  }
}

}  // namespace
}  // namespace quorix::document
