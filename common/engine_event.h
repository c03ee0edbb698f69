// EngineEvent: a key event in MIDI form, as the sequencer receives it.
#pragma once

#include <cstdint>

namespace quorix {

enum EventStatus : int32_t {
  kNoteOff = 128,
  kNoteOn = 144,
  kController = 176,
  kProgramChange = 192,
  kPitchBend = 224,
};

struct EngineEvent {
  int32_t status = 0; // one of EventStatus; the low four bits (channel) are cleared before use
  int32_t key = 0;    // 0..127
  int32_t value = 0;  // velocity, controller value, ...
};

}  // namespace quorix
