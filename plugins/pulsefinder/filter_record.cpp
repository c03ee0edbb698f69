#include "plugins/pulsefinder/filter_record.h"

namespace quorix::pulsefinder {
namespace {

// Fills `coefficients` (n + 1, zeroed) from the taps and lists the indexes of the non-zero ones.
bool setCoefficients(Buffer<double>& coefficients, Buffer<uint32_t>& nonZero,
                     std::initializer_list<Tap> taps) {
  for (const Tap& tap : taps) {
    if (tap.index < coefficients.size()) coefficients[tap.index] = tap.value;
  }
  uint32_t count = 0;
  for (double c : coefficients) count += c != 0 ? 1 : 0;
  if (!nonZero.allocate(count)) return false;
  count = 0;
  for (uint32_t k = 0; k < coefficients.size(); ++k) {
    if (coefficients[k] != 0) nonZero[count++] = k;
  }
  return true;
}

}  // namespace

bool FilterRecord::build(uint32_t order, std::initializer_list<Tap> b, std::initializer_list<Tap> a,
                         uint32_t historyLength) {
  release();
  const uint32_t taps = order + 1;
  bool built = order > 0 && a_.allocate(taps) && b_.allocate(taps) && state_.allocate(taps) &&
               setCoefficients(a_, nonZeroA_, a) && setCoefficients(b_, nonZeroB_, b) &&
               history_.allocate(historyLength);
  if (!built) {
    release();
    return false;
  }
  order_ = order;
  sparse_ = nonZeroA_.size() + nonZeroB_.size() < order;
  return true;
}

void FilterRecord::release() {
  a_.release();
  b_.release();
  state_.release();
  nonZeroA_.release();
  nonZeroB_.release();
  history_.release();
  order_ = 0;
  position_ = 0;
  sparse_ = false;
  lastInput_ = lastOutput_ = peak_ = 0;
  historyPosition_ = 0;
}

double FilterRecord::stepDense(double x) {
  const uint32_t n = order_;
  const uint32_t slots = n + 1;
  double* s = state_.data();
  s[position_] += x * b_[0];
  const double y = s[position_];
  uint32_t slot = position_;
  for (uint32_t k = 1; k < n; ++k) {
    if (++slot == slots) slot = 0;
    s[slot] += x * b_[k] - y * a_[k];
  }
  // The slot before the position was read last step; it becomes the farthest future.
  const uint32_t farthest = position_ == 0 ? n : position_ - 1;
  s[farthest] = x * b_[n] - y * a_[n];
  position_ = position_ == n ? 0 : position_ + 1;
  lastInput_ = x;
  lastOutput_ = y;
  return y;
}

double FilterRecord::stepSparse(double x) {
  const uint32_t n = order_;
  const uint32_t slots = n + 1;
  double* s = state_.data();
  const uint32_t farthest = position_ == 0 ? n : position_ - 1;
  s[farthest] = 0;
  auto slotAt = [&](uint32_t k) {
    uint32_t slot = position_ + k;
    return slot >= slots ? slot - slots : slot;
  };
  s[position_] += x * b_[0];
  const double y = s[position_];
  for (uint32_t k : nonZeroB_) {
    if (k != 0) s[slotAt(k)] += x * b_[k];
  }
  for (uint32_t k : nonZeroA_) {
    if (k != 0) s[slotAt(k)] -= y * a_[k];
  }
  position_ = position_ == n ? 0 : position_ + 1;
  lastInput_ = x;
  lastOutput_ = y;
  return y;
}

void FilterRecord::run(double* samples, uint32_t count) {
  for (uint32_t j = 0; j < count; ++j) samples[j] = step(samples[j]);
}

void FilterRecord::feed(int64_t count) {
  for (int64_t i = 0; i < count; ++i) step(lastInput_);
}

void FilterRecord::recordOutput() {
  if (history_.size() == 0) return;
  history_[historyPosition_] = lastOutput_;
  if (++historyPosition_ == history_.size()) historyPosition_ = 0;
}

void FilterRecord::updatePeak() {
  double peak = 0;
  for (double value : history_) {
    if (value > peak) peak = value;
  }
  peak_ = peak;
}

}  // namespace quorix::pulsefinder
