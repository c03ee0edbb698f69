// Recorded key tracks of a Synth: events in ascending time (ticks of 1/60 s), a cursor on the
// next event to play, and the track's settings.
//
// A track's events block is a TrackEventsHeader followed by `capacity` event slots. Every
// operation keeps within the slots the block really holds, whatever its counts say.
#pragma once

#include <cstdint>
#include <string>

#include "common/engine_event.h"
#include "document/synth_records.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

// A track's events handle and settings handle, or null for a track outside the Synth.
MemHandle trackEvents(int32_t synth, int track);
MemHandle trackSettings(int32_t synth, int track);

// Appends a track named `name` with room for `capacity` events and the default settings: its
// index, or -1 when memory runs out.
int addTrack(int32_t synth, const std::string& name, uint32_t capacity);

// The time of the track's last event; 0 for an empty track.
int32_t trackDuration(int32_t synth, int track);

// The events block's header and its event slots, or null for a block too small for a header.
TrackEventsHeader* trackHeader(MemHandle events);
TrackEvent* trackEventSlots(MemHandle events);
// The number of events, kept within the block.
int32_t trackEventCount(MemHandle events);

// Adds an event at `time`: appended, or inserted at its place when earlier than the last event;
// the cursor moves just after it. A full track ignores the event.
void recordEvent(MemHandle events, const EngineEvent& event, int32_t time);

// The place of `time`: the index of the first event later than it, or eventCount - 1 when none
// is (0 for an empty track). Sets the cursor there and returns it.
int32_t seekTrack(MemHandle events, int32_t time);

// When the event at the cursor is due at `now` (its time <= now): returns true with the event,
// stores how late it is in *lateness (when given) and advances the cursor.
bool nextDueEvent(MemHandle events, int32_t now, EngineEvent* event, int32_t* lateness);
// Whether the event at the cursor is due at `now`.
bool isEventDue(MemHandle events, int32_t now);

// A track time as minutes, seconds and frames of 1/70 second.
struct TrackTime {
  int32_t minutes;
  int32_t seconds;
  int32_t frames;
};
TrackTime ticksToTime(int32_t ticks);
int32_t timeToTicks(const TrackTime& time);

// The engine's player of a recorded track.
struct TrackPlayer {
  bool playing = false;
  int32_t synth = -1;
  int track = -1;
  uint32_t startTicks = 0;   // engine clock when playing started
  uint32_t playerTicks = 0;  // one second later: when the player first looks at the track
};

enum TrackCommand : int { kTrackPlay = 1, kTrackStop = 2 };

// kTrackPlay, when nothing plays, starts playing track `track` of Synth `synth` from its start
// at the engine clock; kTrackStop stops. The player's next check time in ticks (0 when
// nothing plays).
uint32_t playTrack(TrackPlayer& player, int32_t synth, int track, int command);

}  // namespace quorix::document
