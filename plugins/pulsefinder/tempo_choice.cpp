#include "plugins/pulsefinder/tempo_choice.h"

namespace quorix::pulsefinder {

void TempoSelection::update(uint32_t best, uint32_t bestPeriod, uint32_t currentPeriod,
                            double tempoConstant) {
  const int64_t change = static_cast<int64_t>(tempoOf(tempoConstant, bestPeriod)) -
                         static_cast<int64_t>(tempoOf(tempoConstant, currentPeriod));
  if (change > kSmallChange || change < -kSmallChange) {
    if (confidence == 0) {
      comb = best;
      confidence = 1;
    } else {
      --confidence;
    }
  } else {
    comb = best;
    if (confidence < kConfidenceCeiling) ++confidence;
  }
}

}  // namespace quorix::pulsefinder
