// The bank of comb resonators over the onset signal, one per candidate tempo.
//
// Comb k (k = 0 .. M - 1) stands for a beat period of Kmax - k resonator samples, so comb 0 is
// the slowest tempo and comb M - 1 the fastest. It is y[t] = 0.05 x[t] + 0.95 y[t - period]:
// its feedback delay, and so its order, is that period. Every comb keeps 2.5 s of its outputs;
// their peaks are recomputed a few combs at a time over each 100-ms interval.
#pragma once

#include <cstdint>

#include "plugins/pulsefinder/filter_record.h"
#include "plugins/pulsefinder/tracker_buffer.h"
#include "plugins/pulsefinder/tracker_sizes.h"

namespace quorix::pulsefinder {

class CombBank {
 public:
  static constexpr double kInputGain = 0.05;
  static constexpr double kFeedback = 0.95;

  // False, and the bank empty, when an allocation fails.
  bool build(const TrackerSizes& sizes);
  void release();

  uint32_t count() const { return static_cast<uint32_t>(combs_.size()); }
  const FilterRecord& comb(uint32_t k) const { return combs_[k]; }
  // Comb k's beat period in resonator samples, Kmax - k: the delay it rings at.
  uint32_t period(uint32_t k) const { return combs_[k].order(); }

  // One onset value through every comb, each output appended to its comb's history.
  void run(double onset);
  // Every comb stepped `count` times on its last input, outputs not recorded.
  void feed(int64_t count);

  // Recomputes the peaks due by `elapsed` ms into the 100-ms interval: combs from the cursor
  // up to M x elapsed / 100 (at most M - 1); the cursor wraps to 0 after the last comb.
  void spreadPeakUpdates(int32_t elapsed);

 private:
  Buffer<FilterRecord> combs_;
  uint32_t cursor_ = 0;
};

}  // namespace quorix::pulsefinder
