// The engine clock: milliseconds as an unsigned 32-bit count that wraps, and ticks of 1/60 s.
//
// The count starts at 0 when the process starts (so it wraps only after 49.7 days of running);
// compare two readings by their difference. One process-wide source supplies it: the system's
// monotonic clock by default, replaced by tests and by the offline renderer, whose clock follows
// the audio position.
#pragma once

#include <cstdint>

namespace quorix::platform {

class ClockSource {
 public:
  virtual ~ClockSource() = default;
  // Milliseconds since an origin of the source's choosing; only differences matter.
  virtual uint64_t nowMilliseconds() = 0;
};

// Milliseconds since the process started, wrapping at 2^32.
uint32_t clockMilliseconds();

// Tick time: milliseconds x 0.06, truncated.
uint32_t clockTicks();

// Ticks for a millisecond reading: ms x 0.06, truncated.
uint32_t millisecondsToTicks(uint32_t milliseconds);

// Replaces the clock source; null restores the system clock. The source must outlive its use.
void setClockSource(ClockSource* source);

// A clock that moves only when told to: tests and offline rendering.
class ManualClock : public ClockSource {
 public:
  explicit ManualClock(uint64_t start = 0) : now_(start) {}
  uint64_t nowMilliseconds() override { return now_; }
  void set(uint64_t milliseconds) { now_ = milliseconds; }
  void advance(uint64_t milliseconds) { now_ += milliseconds; }

 private:
  uint64_t now_;
};

// Installs a clock source for the lifetime of a scope.
class ScopedClockSource {
 public:
  explicit ScopedClockSource(ClockSource& source) { setClockSource(&source); }
  ~ScopedClockSource() { setClockSource(nullptr); }
  ScopedClockSource(const ScopedClockSource&) = delete;
  ScopedClockSource& operator=(const ScopedClockSource&) = delete;
};

}  // namespace quorix::platform
