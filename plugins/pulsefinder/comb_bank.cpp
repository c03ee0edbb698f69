#include "plugins/pulsefinder/comb_bank.h"

namespace quorix::pulsefinder {

bool CombBank::build(const TrackerSizes& sizes) {
  release();
  if (!combs_.allocate(sizes.combCount)) return false;
  for (uint32_t k = 0; k < sizes.combCount; ++k) {
    // Comb k stands for a beat period of Kmax - k resonator samples, and a comb resonates with
    // onsets that recur after its feedback delay: the delay (its order) is that period. With a
    // delay one sample shorter the comb would ring one step faster than the period it reports,
    // and every reported period and predicted beat would be a resonator sample (11.6 ms at
    // 44100 Hz) late.
    const uint32_t order = sizes.longestComb - k;
    if (!combs_[k].build(order, {{0, kInputGain}}, {{0, 1.0}, {order, -kFeedback}},
                         sizes.outputHistoryLength)) {
      release();
      return false;
    }
  }
  return true;
}

void CombBank::release() {
  combs_.release();
  cursor_ = 0;
}

void CombBank::run(double onset) {
  for (FilterRecord& comb : combs_) {
    comb.step(onset);
    comb.recordOutput();
  }
}

void CombBank::feed(int64_t count) {
  for (FilterRecord& comb : combs_) comb.feed(count);
}

void CombBank::spreadPeakUpdates(int32_t elapsed) {
  const int64_t last = static_cast<int64_t>(count()) - 1;
  int64_t due = int64_t{count()} * elapsed / 100;
  if (due > last) due = last;
  if (due < 0) due = 0;
  for (int64_t k = cursor_; k <= due; ++k) combs_[static_cast<size_t>(k)].updatePeak();
  cursor_ = due > last - 1 ? 0 : static_cast<uint32_t>(due + 1);
}

}  // namespace quorix::pulsefinder
