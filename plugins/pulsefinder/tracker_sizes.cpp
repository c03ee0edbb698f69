#include "plugins/pulsefinder/tracker_sizes.h"

namespace quorix::pulsefinder {

uint64_t trackerBufferBytes(const TrackerSizes& s) {
  // Every filter keeps coefficients, state and tap lists of about four times its order, the
  // combs a 2.5-s output history as well; then the history ring, the work buffers and the
  // candidate list.
  // (The comb orders run from Kmin to Kmax, so their (order + 1)s sum to M (Kmin + Kmax) / 2 + M.)
  const uint64_t taps =
      uint64_t{s.combCount} * (uint64_t{s.shortestComb} + s.longestComb) / 2 + s.combCount;
  const uint64_t combs = (taps * 5 + uint64_t{s.combCount} * s.outputHistoryLength) * sizeof(double);
  uint64_t work = uint64_t{s.blockSize} + s.envelopeSamples + s.resonatorSamples;
  return combs + (uint64_t{s.historyLength} + work) * sizeof(double) + 1024;
}

std::optional<TrackerSizes> deriveTrackerSizes(uint32_t sampleRate, uint32_t blockSize) {
  if (sampleRate == 0 || blockSize == 0) return std::nullopt;
  TrackerSizes s;
  s.sampleRate = sampleRate;
  s.blockSize = blockSize;
  // ceil(N x 0.125) in integers.
  s.decimation = static_cast<uint32_t>((uint64_t{blockSize} + 7) / 8);
  s.envelopeSamples = blockSize / s.decimation;
  s.resonatorSamples = s.envelopeSamples / TrackerSizes::kSecondDecimation;

  const uint64_t perMinute = uint64_t{sampleRate} * 60;
  const uint64_t step = s.resonatorStep();
  const uint64_t longest = perMinute / (step * TrackerSizes::kSlowestTempo);
  const uint64_t shortest = perMinute / (step * TrackerSizes::kFastestTempo);
  // A beat period of one resonator sample is no tempo: the shortest comb needs two.
  if (shortest < 2 || longest <= shortest) return std::nullopt;
  const uint64_t outputHistory = uint64_t{sampleRate} * 2500 / (step * 1000);
  // Far beyond the memory budget already; keeps the size arithmetic below from overflowing.
  if (longest > (1u << 20)) return std::nullopt;

  s.longestComb = static_cast<uint32_t>(longest);
  s.shortestComb = static_cast<uint32_t>(shortest);
  s.combCount = s.longestComb - s.shortestComb + 1;
  s.historyLength = s.longestComb;
  s.outputHistoryLength = static_cast<uint32_t>(outputHistory);
  s.blockMilliseconds = static_cast<uint32_t>(uint64_t{blockSize} * 1000 / sampleRate);
  s.tempoConstant = static_cast<double>(perMinute / step);
  if (trackerBufferBytes(s) > kTrackerMemoryBudget) return std::nullopt;
  return s;
}

}  // namespace quorix::pulsefinder
