// From one audio block to the onset signal at the resonator rate.
//
// The two channels are mixed and low-passed (about 280 Hz at 44100 Hz, where kick drums and
// bass live), decimated to E envelope samples, rectified and smoothed into an amplitude
// envelope. The envelope's rises are the onsets; each group of four envelope samples gives
// one resonator sample, the largest rise of its first three.
#pragma once

#include <cstdint>

#include "plugins/pulsefinder/filter_record.h"
#include "plugins/pulsefinder/tracker_buffer.h"
#include "plugins/pulsefinder/tracker_sizes.h"

namespace quorix::pulsefinder {

class BlockAnalysis {
 public:
  // False, and everything released, when an allocation fails.
  bool build(const TrackerSizes& sizes);
  void release();

  // Analyses 2 x N samples (the first channel's N, then the second's) into P onset values.
  // `previousEnvelope` carries the last smoothed envelope value from block to block.
  const double* analyse(const int8_t* samples, double& previousEnvelope);
  uint32_t onsetCount() const { return sizes_.resonatorSamples; }

  // Runs each filter on its last input for `milliseconds` of missing audio (outputs not
  // recorded): the low-pass at the sample rate, the smoother at the envelope rate.
  void feedGap(int32_t milliseconds);

  const FilterRecord& lowPass() const { return lowPass_; }

 private:
  TrackerSizes sizes_;
  FilterRecord lowPass_;
  FilterRecord smoothing_;
  Buffer<double> mixed_;     // N
  Buffer<double> envelope_;  // E
  Buffer<double> onsets_;    // P
};

}  // namespace quorix::pulsefinder
