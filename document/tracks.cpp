#include "document/tracks.h"

#include <cstring>

#include "common/counted_string.h"
#include "common/memory.h"
#include "document/synth_list.h"
#include "platform/clock.h"

namespace quorix::document {
namespace {

constexpr uint32_t kPlayerDelayTicks = 60;

TrackHandles* trackAt(int32_t synth, int track) {
  SynthSlot* slot = synthSlot(synth);
  return slot != nullptr ? TrackList::at(slot->tracks, track) : nullptr;
}

// Event slots the block holds, and the capacity kept within them.
uint32_t slotsHeld(MemHandle events) {
  return (events->size - sizeof(TrackEventsHeader)) / sizeof(TrackEvent);
}

uint32_t capacityOf(MemHandle events) {
  uint32_t held = slotsHeld(events);
  uint32_t capacity = trackHeader(events)->capacity;
  return capacity < held ? capacity : held;
}

TrackEvent makeEvent(const EngineEvent& event, int32_t time) {
  return {time, static_cast<uint32_t>(event.status),
          (static_cast<uint32_t>(event.key) << 16) | (static_cast<uint32_t>(event.value) & 0xFFFF)};
}

EngineEvent toEngineEvent(const TrackEvent& event) {
  return {static_cast<int32_t>(event.status), static_cast<int32_t>(event.keyAndValue >> 16),
          static_cast<int32_t>(event.keyAndValue & 0xFFFF)};
}

// The place of `time` among `count` events (see seekTrack).
int32_t placeOf(const TrackEvent* events, int32_t count, int32_t time) {
  if (count <= 0) return 0;
  int32_t lo = 0;
  int32_t hi = count;
  while (hi - lo > 1) {
    int32_t mid = (lo + hi) / 2;
    if (time < events[mid].time) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  int32_t place = time < events[lo].time ? lo : lo + 1;
  return place < count ? place : count - 1;
}

}  // namespace

MemHandle trackEvents(int32_t synth, int track) {
  TrackHandles* handles = trackAt(synth, track);
  return handles != nullptr ? handles->events : nullptr;
}

MemHandle trackSettings(int32_t synth, int track) {
  TrackHandles* handles = trackAt(synth, track);
  return handles != nullptr ? handles->settings : nullptr;
}

TrackEventsHeader* trackHeader(MemHandle events) {
  return events != nullptr && events->data != nullptr && events->size >= sizeof(TrackEventsHeader)
             ? static_cast<TrackEventsHeader*>(events->data)
             : nullptr;
}

TrackEvent* trackEventSlots(MemHandle events) {
  TrackEventsHeader* header = trackHeader(events);
  return header != nullptr ? reinterpret_cast<TrackEvent*>(header + 1) : nullptr;
}

int32_t trackEventCount(MemHandle events) {
  TrackEventsHeader* header = trackHeader(events);
  if (header == nullptr || header->eventCount <= 0) return 0;
  uint32_t held = slotsHeld(events);
  return static_cast<uint32_t>(header->eventCount) < held ? header->eventCount
                                                          : static_cast<int32_t>(held);
}

int addTrack(int32_t synth, const std::string& name, uint32_t capacity) {
  SynthSlot* slot = synthSlot(synth);
  if (slot == nullptr) return -1;
  uint64_t bytes = sizeof(TrackEventsHeader) + uint64_t{capacity} * sizeof(TrackEvent);
  if (bytes > UINT32_MAX) return -1;
  if (slot->tracks == nullptr && (slot->tracks = TrackList::create(0)) == nullptr) return -1;
  MemHandle events = newHandle(static_cast<uint32_t>(bytes));
  MemHandle settings = newHandle(sizeof(TrackSettings));
  int32_t count = TrackList::count(slot->tracks);
  if (events == nullptr || settings == nullptr || !TrackList::resize(slot->tracks, count + 1)) {
    disposeHandle(events);
    disposeHandle(settings);
    return -1;
  }
  std::memset(events->data, 0, events->size);
  auto* header = static_cast<TrackEventsHeader*>(events->data);
  writeCountedString(header->name, sizeof header->name, name);
  header->capacity = capacity;
  *static_cast<TrackSettings*>(settings->data) = defaultTrackSettings();
  TrackList::entries(slot->tracks)[count] = {events, settings};
  return count;
}

int32_t trackDuration(int32_t synth, int track) {
  MemHandle events = trackEvents(synth, track);
  int32_t count = trackEventCount(events);
  return count > 0 ? trackEventSlots(events)[count - 1].time : 0;
}

void recordEvent(MemHandle events, const EngineEvent& event, int32_t time) {
  TrackEventsHeader* header = trackHeader(events);
  if (header == nullptr) return;
  int32_t count = trackEventCount(events);
  if (static_cast<uint32_t>(count) >= capacityOf(events)) return;  // full
  TrackEvent* slots = trackEventSlots(events);
  int32_t place = count;
  if (count > 0 && time < slots[count - 1].time) {
    place = placeOf(slots, count, time);
    std::memmove(slots + place + 1, slots + place, sizeof(TrackEvent) * static_cast<size_t>(count - place));
  }
  slots[place] = makeEvent(event, time);
  header->eventCount = count + 1;
  header->cursor = static_cast<uint32_t>(place + 1);
}

int32_t seekTrack(MemHandle events, int32_t time) {
  TrackEventsHeader* header = trackHeader(events);
  if (header == nullptr) return 0;
  int32_t place = placeOf(trackEventSlots(events), trackEventCount(events), time);
  header->cursor = static_cast<uint32_t>(place);
  return place;
}

bool isEventDue(MemHandle events, int32_t now) {
  TrackEventsHeader* header = trackHeader(events);
  return header != nullptr && header->cursor < static_cast<uint32_t>(trackEventCount(events)) &&
         trackEventSlots(events)[header->cursor].time <= now;
}

bool nextDueEvent(MemHandle events, int32_t now, EngineEvent* event, int32_t* lateness) {
  if (!isEventDue(events, now)) return false;
  TrackEventsHeader* header = trackHeader(events);
  const TrackEvent& due = trackEventSlots(events)[header->cursor];
  if (event != nullptr) *event = toEngineEvent(due);
  if (lateness != nullptr) *lateness = now - due.time;
  ++header->cursor;
  return true;
}

TrackTime ticksToTime(int32_t ticks) {
  int32_t totalSeconds = ticks / 60;
  int32_t minutes = totalSeconds / 60;
  return {minutes, totalSeconds - minutes * 60, (ticks - totalSeconds * 60) * 70 / 60};
}

int32_t timeToTicks(const TrackTime& time) {
  return (time.seconds + time.minutes * 60) * 60 + time.frames * 60 / 70;
}

uint32_t playTrack(TrackPlayer& player, int32_t synth, int track, int command) {
  if (command == kTrackStop) {
    player.playing = false;
    return 0;
  }
  if (command != kTrackPlay) return player.playing ? player.playerTicks : 0;
  if (!player.playing) {
    TrackEventsHeader* header = trackHeader(trackEvents(synth, track));
    if (header == nullptr) return 0;
    header->cursor = 0;
    player.playing = true;
    player.synth = synth;
    player.track = track;
    player.startTicks = platform::clockTicks();
    player.playerTicks = player.startTicks + kPlayerDelayTicks;
  }
  return player.playerTicks;
}

}  // namespace quorix::document
