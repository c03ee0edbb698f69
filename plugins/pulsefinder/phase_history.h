// The recent outputs of the selected comb, which place the beat in time.
//
// The ring holds the last H outputs (one a resonator sample). The largest output within the
// last period marks the latest beat; the next one is due a period after it.
#pragma once

#include <cstdint>

#include "plugins/pulsefinder/tracker_buffer.h"

namespace quorix::pulsefinder {

class PhaseHistory {
 public:
  // False when the ring cannot be allocated.
  bool allocate(uint32_t length);
  void release();

  void append(double value);
  // Clears the next `count` entries, advancing the write position over them: resonator
  // samples of a gap in the audio.
  void skip(int64_t count);

  // Resonator samples from now to the next beat for a beat period of `period` samples: the
  // largest value above 0 among the last `period` entries (the first of equals) was written
  // `age` appends ago, and the offset is period - age. With no value above 0 the entry at
  // ring index 0 is taken, so the offset may be negative.
  int64_t nextBeatOffset(uint32_t period) const;

  uint32_t length() const { return static_cast<uint32_t>(ring_.size()); }
  uint32_t writePosition() const { return position_; }
  double operator[](uint32_t index) const { return ring_[index]; }

 private:
  Buffer<double> ring_;
  uint32_t position_ = 0;
};

}  // namespace quorix::pulsefinder
