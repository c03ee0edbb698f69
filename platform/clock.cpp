#include "platform/clock.h"

#include <atomic>
#include <time.h>

namespace quorix::platform {
namespace {

uint64_t monotonicMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

class SystemClock : public ClockSource {
 public:
  SystemClock() : origin_(monotonicMilliseconds()) {}
  uint64_t nowMilliseconds() override { return monotonicMilliseconds() - origin_; }

 private:
  uint64_t origin_;
};

SystemClock& systemClock() {
  static SystemClock clock;
  return clock;
}

// Taken at static initialisation so that "process start" is the origin, not the first reading.
[[maybe_unused]] SystemClock& kStartClock = systemClock();

std::atomic<ClockSource*> gSource{nullptr};

}  // namespace

uint32_t clockMilliseconds() {
  ClockSource* source = gSource.load(std::memory_order_acquire);
  if (source == nullptr) source = &systemClock();
  return static_cast<uint32_t>(source->nowMilliseconds());
}

uint32_t millisecondsToTicks(uint32_t milliseconds) {
  return static_cast<uint32_t>(static_cast<double>(milliseconds) * 0.06);
}

uint32_t clockTicks() { return millisecondsToTicks(clockMilliseconds()); }

void setClockSource(ClockSource* source) { gSource.store(source, std::memory_order_release); }

}  // namespace quorix::platform
