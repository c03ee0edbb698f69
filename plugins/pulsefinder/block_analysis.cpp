#include "plugins/pulsefinder/block_analysis.h"

#include <cmath>

namespace quorix::pulsefinder {
namespace {

// Second-order low-pass and the two-tap smoother of the envelope.
constexpr double kLowPassB0 = 0.00037506961629696;
constexpr double kLowPassB1 = 0.00075013923259393;
constexpr double kLowPassA1 = -1.94447765776709;
constexpr double kLowPassA2 = 0.94597793623228;
constexpr double kSmoothing = 0.141;

}  // namespace

bool BlockAnalysis::build(const TrackerSizes& sizes) {
  release();
  sizes_ = sizes;
  bool built =
      lowPass_.build(2, {{0, kLowPassB0}, {1, kLowPassB1}, {2, kLowPassB0}},
                     {{0, 1.0}, {1, kLowPassA1}, {2, kLowPassA2}}, 0) &&
      smoothing_.build(1, {{0, kSmoothing}, {1, kSmoothing}}, {{0, 1.0}}, 0) &&
      mixed_.allocate(sizes.blockSize) && envelope_.allocate(sizes.envelopeSamples) &&
      onsets_.allocate(sizes.resonatorSamples);
  if (!built) release();
  return built;
}

void BlockAnalysis::release() {
  lowPass_.release();
  smoothing_.release();
  mixed_.release();
  envelope_.release();
  onsets_.release();
  sizes_ = TrackerSizes{};
}

const double* BlockAnalysis::analyse(const int8_t* samples, double& previousEnvelope) {
  const uint32_t n = sizes_.blockSize;
  const uint32_t e = sizes_.envelopeSamples;
  const int8_t* first = samples;
  const int8_t* second = samples + n;

  for (uint32_t j = 0; j < n; ++j) mixed_[j] = static_cast<double>((first[j] + second[j]) >> 1);
  lowPass_.run(mixed_.data(), n);

  for (uint32_t j = 0; j < e; ++j) envelope_[j] = std::fabs(mixed_[j * sizes_.decimation]);
  smoothing_.run(envelope_.data(), e);

  const double last = envelope_[e - 1];
  for (uint32_t j = e - 1; j > 0; --j) {
    envelope_[j] = std::fmax(0.0, envelope_[j] - envelope_[j - 1]);
  }
  envelope_[0] = std::fmax(0.0, envelope_[0] - previousEnvelope);
  previousEnvelope = last;

  for (uint32_t j = 0; j < sizes_.resonatorSamples; ++j) {
    const uint32_t start = j * TrackerSizes::kSecondDecimation;
    const uint32_t end = start + 3 < e ? start + 3 : e;
    double largest = 0;
    for (uint32_t k = start; k < end; ++k) {
      if (envelope_[k] > largest) largest = envelope_[k];
    }
    onsets_[j] = largest;
  }
  return onsets_.data();
}

void BlockAnalysis::feedGap(int32_t milliseconds) {
  const double rate = sizes_.sampleRate;
  lowPass_.feed(static_cast<int64_t>(std::floor(rate * milliseconds * 0.001)));
  smoothing_.feed(static_cast<int64_t>(std::floor(rate / sizes_.decimation * milliseconds * 0.001)));
}

}  // namespace quorix::pulsefinder
