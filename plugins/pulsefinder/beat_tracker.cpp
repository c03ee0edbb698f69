#include "plugins/pulsefinder/beat_tracker.h"

#include <cmath>

namespace quorix::pulsefinder {

bool BeatTracker::open(uint32_t sampleRate, uint32_t blockSize) {
  close();
  std::optional<TrackerSizes> sizes = deriveTrackerSizes(sampleRate, blockSize);
  if (!sizes) return false;
  sizes_ = *sizes;
  if (!history_.allocate(sizes_.historyLength) || !candidates_.allocate() ||
      !analysis_.build(sizes_) || !combs_.build(sizes_)) {
    close();
    return false;
  }
  tempo_ = TempoSelection{sizes_.combCount / 2 - 1, 0};
  elapsed_ = 0;
  previousTime_ = 0;
  open_ = true;
  return true;
}

void BeatTracker::close() {
  open_ = false;
  analysis_.release();
  combs_.release();
  history_.release();
  candidates_.release();
  sizes_ = TrackerSizes{};
  tempo_ = TempoSelection{};
}

uint32_t BeatTracker::periodMilliseconds() const {
  if (!open_) return 0;
  return static_cast<uint32_t>(sizes_.resonatorMilliseconds(combs_.period(tempo_.comb)));
}

uint32_t BeatTracker::process(const int8_t* samples, uint32_t milliseconds) {
  if (!open_ || samples == nullptr) return 0;

  // The clock wraps, so the step is taken modulo 2^32: a time stamp that goes back reads as
  // a huge step. A step above 100 ms (a pause, a seek, a clock jump) counts as one block.
  const int32_t block = static_cast<int32_t>(sizes_.blockMilliseconds);
  uint32_t rawStep = milliseconds - previousTime_;
  previousTime_ = milliseconds;
  const int32_t step = rawStep > static_cast<uint32_t>(kInterval) ? block : static_cast<int32_t>(rawStep);
  elapsed_ += step;

  const int64_t halfPeriod = sizes_.resonatorMilliseconds(combs_.period(tempo_.comb)) / 2;
  const bool beat = candidates_.takeBeat(elapsed_, halfPeriod, lastBeat_);

  if (step > block) feedGap(step - block);

  const double* onsets = analysis_.analyse(samples, previousEnvelope_);
  for (uint32_t j = 0; j < analysis_.onsetCount(); ++j) {
    combs_.run(onsets[j]);
    history_.append(combs_.comb(tempo_.comb).lastOutput());
  }
  combs_.spreadPeakUpdates(elapsed_);

  if (elapsed_ >= kInterval) {
    analyseInterval();
    elapsed_ -= kInterval;
  }
  if (!beat) return 0;
  return ((periodMilliseconds() & 0xFFFFu) << 16) | 1u;
}

void BeatTracker::feedGap(int32_t milliseconds) {
  analysis_.feedGap(milliseconds);
  const double resonatorRate = sizes_.resonatorRate();
  combs_.feed(static_cast<int64_t>(std::floor(resonatorRate * milliseconds * 0.001)));
  history_.skip(static_cast<int64_t>(std::floor(resonatorRate * 0.001 * milliseconds)));
}

void BeatTracker::analyseInterval() {
  candidates_.age(elapsed_, lastBeat_);

  const uint32_t period = combs_.period(tempo_.comb);
  const int64_t offset = history_.nextBeatOffset(period);
  candidates_.add(static_cast<int32_t>(sizes_.resonatorMilliseconds(offset)));

  struct CombView {
    uint32_t period;
    double peak;
  };
  const uint32_t best = chooseStrongestComb(
      combs_.count(), tempo_.comb, sizes_.tempoConstant,
      [this](uint32_t k) { return CombView{combs_.period(k), combs_.comb(k).peak()}; });
  tempo_.update(best, combs_.period(best), period, sizes_.tempoConstant);
}

}  // namespace quorix::pulsefinder
