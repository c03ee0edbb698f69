// Choosing the tempo: the strongest comb, guarded against half and double tempo, and a
// hysteresis that lets the tempo jump only after the current one has lost its confidence.
#pragma once

#include <cstdint>

namespace quorix::pulsefinder {

// The tempo of a period of `period` resonator samples, beats per minute.
inline double tempoOf(double tempoConstant, uint32_t period) { return tempoConstant / period; }

// The comb with the greatest peak whose tempo g lies strictly between 5 + trunc(b / 2) and
// trunc(2 b) - 5, b being the selected comb's tempo; a comb must beat the selected comb's
// peak to be chosen, the earliest of equals wins. `combAt(k)` gives comb k's period and peak
// (anything with `.period` and `.peak`).
template <typename CombAt>
uint32_t chooseStrongestComb(uint32_t count, uint32_t selected, double tempoConstant,
                             CombAt combAt) {
  const double current = tempoOf(tempoConstant, combAt(selected).period);
  const double lowest = 5 + static_cast<double>(static_cast<int64_t>(current / 2));
  const double highest = static_cast<double>(static_cast<int64_t>(2 * current)) - 5;
  uint32_t best = selected;
  double bestPeak = combAt(selected).peak;
  for (uint32_t k = 0; k < count; ++k) {
    const auto comb = combAt(k);
    const double tempo = tempoOf(tempoConstant, comb.period);
    if (comb.peak > bestPeak && lowest < tempo && tempo < highest) {
      best = k;
      bestPeak = comb.peak;
    }
  }
  return best;
}

struct TempoSelection {
  static constexpr uint32_t kConfidenceCeiling = 50;
  static constexpr int64_t kSmallChange = 4;  // bpm

  uint32_t comb = 0;        // S, the selected comb
  uint32_t confidence = 0;  // intervals the tempo has held, up to the ceiling

  // Moves to the best comb (of period `bestPeriod`; the selected one has `currentPeriod`): a
  // change of at most 4 bpm is taken and adds confidence; a larger one is taken only at
  // confidence 0, else it costs one confidence.
  void update(uint32_t best, uint32_t bestPeriod, uint32_t currentPeriod, double tempoConstant);
};

}  // namespace quorix::pulsefinder
