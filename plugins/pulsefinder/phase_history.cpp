#include "plugins/pulsefinder/phase_history.h"

namespace quorix::pulsefinder {

bool PhaseHistory::allocate(uint32_t length) {
  position_ = 0;
  return ring_.allocate(length);
}

void PhaseHistory::release() {
  ring_.release();
  position_ = 0;
}

void PhaseHistory::append(double value) {
  if (ring_.size() == 0) return;
  ring_[position_] = value;
  if (++position_ == ring_.size()) position_ = 0;
}

void PhaseHistory::skip(int64_t count) {
  for (int64_t i = 0; i < count; ++i) append(0);
}

int64_t PhaseHistory::nextBeatOffset(uint32_t period) const {
  const uint32_t length = this->length();
  if (length == 0) return period;
  const uint32_t window = period < length ? period : length;
  uint32_t index = position_ + length - window;  // the oldest entry of the window
  if (index >= length) index -= length;
  uint32_t found = 0;
  double largest = 0;
  for (uint32_t w = 0; w < window; ++w) {
    if (ring_[index] > largest) {
      largest = ring_[index];
      found = index;
    }
    if (++index == length) index = 0;
  }
  // Appends since the found entry was written: 1 for the newest, `length` for the oldest.
  const int64_t age = (int64_t{position_} + length - found - 1) % length + 1;
  return int64_t{period} - age;
}

}  // namespace quorix::pulsefinder
