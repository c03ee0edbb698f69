#include <gtest/gtest.h>

#include <vector>

#include "plugins/pulsefinder/tempo_choice.h"

namespace quorix::pulsefinder {
namespace {

constexpr double kTempoConstant = 5167;  // 44100 Hz, 1024 samples

struct Comb {
  uint32_t period;
  double peak;
};

// The combs of a 44100 / 1024 bank (periods 68 down to 28) with the given peaks.
std::vector<Comb> bank(std::initializer_list<std::pair<uint32_t, double>> peaks) {
  std::vector<Comb> combs;
  for (uint32_t period = 68; period >= 28; --period) combs.push_back({period, 0.1});
  for (auto [period, peak] : peaks) combs[68 - period].peak = peak;
  return combs;
}

uint32_t choose(const std::vector<Comb>& combs, uint32_t selectedPeriod) {
  uint32_t chosen = chooseStrongestComb(static_cast<uint32_t>(combs.size()), 68 - selectedPeriod,
                                        kTempoConstant, [&](uint32_t k) { return combs[k]; });
  return combs[chosen].period;
}

TEST(TempoChoice, TheStrongestCombWinsOutsideHalfAndDoubleTempo) {
  struct Case {
    const char* what;
    uint32_t selected;  // period of the selected comb
    std::vector<Comb> combs;
    uint32_t chosen;
  } cases[] = {
      {"a stronger comb in range", 49, bank({{49, 0.5}, {44, 0.9}}), 44},
      {"equal is not stronger", 49, bank({{49, 0.9}, {44, 0.9}}), 49},
      {"the earliest of the strongest", 49, bank({{49, 0.1}, {60, 0.9}, {40, 0.9}}), 60},
      // At 76 bpm (period 68) the ceiling is trunc(151.97) - 5 = 146 bpm.
      {"double tempo is never chosen", 68, bank({{68, 0.2}, {34, 0.9}}), 68},
      {"147.6 bpm is too close to double", 68, bank({{68, 0.2}, {35, 0.9}}), 68},
      {"143.5 bpm is below the ceiling", 68, bank({{68, 0.2}, {36, 0.9}, {35, 0.95}}), 36},
      // At 184.5 bpm (period 28) the floor is 5 + trunc(92.2) = 97 bpm.
      {"half tempo is never chosen", 28, bank({{28, 0.2}, {56, 0.9}}), 28},
      {"97.5 bpm is above the floor", 28, bank({{28, 0.2}, {53, 0.9}, {54, 0.95}}), 53},
  };
  for (const Case& c : cases) EXPECT_EQ(choose(c.combs, c.selected), c.chosen) << c.what;
}

TEST(TempoChoice, BigTempoChangesWaitForTheConfidenceToRunOut) {
  struct Case {
    const char* what;
    uint32_t selectedPeriod, bestPeriod, confidence;
    bool moves;
    uint32_t confidenceAfter;
  } cases[] = {
      {"the same comb adds confidence", 49, 49, 3, true, 4},
      {"confidence stops at 50", 49, 49, 50, true, 50},
      {"4 bpm is a small change", 49, 47, 7, true, 8},   // trunc 105 -> trunc 109
      {"5 bpm is a big change", 49, 46, 7, false, 6},    // 105 -> 112
      {"a big change at 0 is taken", 49, 30, 0, true, 1},
      {"slower by 5 bpm", 49, 52, 2, false, 1},          // 105 -> 99
  };
  for (const Case& c : cases) {
    TempoSelection tempo{68 - c.selectedPeriod, c.confidence};
    tempo.update(68 - c.bestPeriod, c.bestPeriod, c.selectedPeriod, kTempoConstant);
    EXPECT_EQ(tempo.comb, 68 - (c.moves ? c.bestPeriod : c.selectedPeriod)) << c.what;
    EXPECT_EQ(tempo.confidence, c.confidenceAfter) << c.what;
  }
}

}  // namespace
}  // namespace quorix::pulsefinder
