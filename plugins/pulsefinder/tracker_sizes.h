// The tracker's sizes, all derived from the sample rate and the block size it is opened with.
#pragma once

#include <cstdint>
#include <optional>

namespace quorix::pulsefinder {

struct TrackerSizes {
  uint32_t sampleRate = 0;          // R, Hz
  uint32_t blockSize = 0;           // N, samples per channel in one block
  uint32_t decimation = 0;          // D1 = ceil(N / 8): block samples per envelope sample
  uint32_t envelopeSamples = 0;     // E = N / D1 envelope samples per block
  uint32_t resonatorSamples = 0;    // P = E / 4 resonator samples per block
  uint32_t longestComb = 0;         // Kmax: period of the slowest tempo (75 bpm), resonator samples
  uint32_t shortestComb = 0;        // Kmin: period of the fastest tempo (180 bpm)
  uint32_t combCount = 0;           // M = Kmax - Kmin + 1
  uint32_t historyLength = 0;       // H: the ring of the selected comb's outputs
  uint32_t outputHistoryLength = 0; // L: 2.5 s of comb outputs, for the peak searches
  uint32_t blockMilliseconds = 0;   // B: duration of one block, ms (truncated)
  double tempoConstant = 0;         // T: tempo in bpm = T / period in resonator samples

  // Block samples per resonator sample (D1 x 4).
  uint32_t resonatorStep() const { return decimation * kSecondDecimation; }
  // The resonator rate in Hz (86.13 at 44100 Hz and 1024 samples).
  double resonatorRate() const { return static_cast<double>(sampleRate) / resonatorStep(); }
  // Milliseconds of `samples` resonator samples, truncated.
  int64_t resonatorMilliseconds(int64_t samples) const {
    return samples * resonatorStep() * 1000 / static_cast<int64_t>(sampleRate);
  }

  static constexpr uint32_t kSecondDecimation = 4;
  static constexpr uint32_t kSlowestTempo = 75;
  static constexpr uint32_t kFastestTempo = 180;
};

// The sizes for blocks of `blockSize` samples at `sampleRate` Hz, or nothing when the tracker
// cannot work with them: a zero rate or block size, fewer than two combs, a comb shorter than
// two resonator samples, or buffers beyond the tracker's memory budget.
std::optional<TrackerSizes> deriveTrackerSizes(uint32_t sampleRate, uint32_t blockSize);

// The bytes every buffer of a tracker with these sizes takes together.
uint64_t trackerBufferBytes(const TrackerSizes& sizes);

// The largest total the tracker allocates; 44100 Hz / 1024 needs about 150 KB.
inline constexpr uint64_t kTrackerMemoryBudget = 64ull << 20;

}  // namespace quorix::pulsefinder
