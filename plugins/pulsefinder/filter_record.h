// One IIR filter of the tracker: the low-pass, the envelope smoother and every comb.
//
// The filter computes y[t] = sum(k=0..n) b[k] x[t-k] - sum(k=1..n) a[k] y[t-k] in transposed
// direct form: a ring of n + 1 partial sums, slot (position + j) holding what is known so far
// of the output j samples ahead. Filters with few non-zero coefficients (the combs: two taps
// whatever their order) are stepped through lists of their non-zero taps only.
//
// A filter may also keep a ring of its recent outputs and the largest of them (its peak).
#pragma once

#include <cstdint>
#include <initializer_list>

#include "plugins/pulsefinder/tracker_buffer.h"

namespace quorix::pulsefinder {

struct Tap {
  uint32_t index;
  double value;
};

class FilterRecord {
 public:
  // Makes a filter of `order` from its non-zero coefficients (taps not listed are 0; a[0]
  // should be 1) with an output history of `historyLength` values. State, history and
  // peak start at 0. False, and the filter empty, when an allocation fails.
  bool build(uint32_t order, std::initializer_list<Tap> b, std::initializer_list<Tap> a,
             uint32_t historyLength);
  void release();

  // One sample through the filter; the path the sparse flag chooses.
  double step(double x) { return sparse_ ? stepSparse(x) : stepDense(x); }
  // The two paths, which give the same result.
  double stepDense(double x);
  double stepSparse(double x);

  // Filters `count` samples in place.
  void run(double* samples, uint32_t count);
  // Steps the filter `count` times on its own last input, as if that input had gone on; the
  // outputs are not recorded.
  void feed(int64_t count);

  // Appends the last output to the output history.
  void recordOutput();
  // Recomputes the peak: the largest value above 0 in the output history, else 0.
  void updatePeak();

  uint32_t order() const { return order_; }
  bool sparse() const { return sparse_; }
  double lastInput() const { return lastInput_; }
  double lastOutput() const { return lastOutput_; }
  double peak() const { return peak_; }
  const Buffer<double>& outputHistory() const { return history_; }

 private:
  uint32_t order_ = 0;
  Buffer<double> a_;
  Buffer<double> b_;
  Buffer<double> state_;  // n + 1 partial sums
  Buffer<uint32_t> nonZeroA_;
  Buffer<uint32_t> nonZeroB_;
  uint32_t position_ = 0;
  bool sparse_ = false;
  double lastInput_ = 0;
  double lastOutput_ = 0;
  double peak_ = 0;
  Buffer<double> history_;
  uint32_t historyPosition_ = 0;
};

}  // namespace quorix::pulsefinder
