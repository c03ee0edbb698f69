// The beat tracker: audio blocks in, beats and the beat period out.
//
// Each block's onsets ring a bank of comb resonators, one per tempo from 75 to 180 bpm (at
// 44100 Hz and 1024 samples a block). Every 100 ms the strongest comb gives the tempo, the
// peak of its recent output gives the phase, and the predicted next beat joins a short list
// of candidates; a beat is reported when the clock reaches a strong enough candidate.
//
// Everything is allocated by open and freed by close; process only computes. One tracker is
// called by one thread at a time.
#pragma once

#include <cstdint>

#include "plugins/pulsefinder/block_analysis.h"
#include "plugins/pulsefinder/candidate_list.h"
#include "plugins/pulsefinder/comb_bank.h"
#include "plugins/pulsefinder/phase_history.h"
#include "plugins/pulsefinder/tempo_choice.h"
#include "plugins/pulsefinder/tracker_sizes.h"

namespace quorix::pulsefinder {

class BeatTracker {
 public:
  static constexpr int32_t kInterval = 100;  // ms between tempo and phase analyses

  // Prepares for blocks of `blockSize` samples per channel at `sampleRate` Hz, rebuilding
  // every buffer. False when the sizes are unusable or an allocation fails; the tracker is
  // then closed.
  bool open(uint32_t sampleRate, uint32_t blockSize);
  // Frees every buffer. The last beat time and the last envelope value are kept.
  void close();
  bool isOpen() const { return open_; }

  // One block of 2 x N signed 8-bit samples (the first channel's N, then the second's) with
  // its time stamp in ms. Returns 0, or 1 | (beat period in ms << 16) when a beat falls.
  // A tracker that is not open returns 0 and reads nothing.
  uint32_t process(const int8_t* samples, uint32_t milliseconds);

  // The state, for tests and diagnostics.
  const TrackerSizes& sizes() const { return sizes_; }
  uint32_t selectedComb() const { return tempo_.comb; }
  uint32_t confidence() const { return tempo_.confidence; }
  // The selected comb's beat period in ms.
  uint32_t periodMilliseconds() const;
  int32_t elapsed() const { return elapsed_; }
  int64_t lastBeatTime() const { return lastBeat_; }
  const CandidateList& candidates() const { return candidates_; }
  const CombBank& combs() const { return combs_; }
  const PhaseHistory& history() const { return history_; }
  const BlockAnalysis& analysis() const { return analysis_; }

 private:
  // Steps the filters over the missing `milliseconds` of a gap between blocks.
  void feedGap(int32_t milliseconds);
  // The 100-ms analysis: age the candidates, predict the next beat, choose the tempo.
  void analyseInterval();

  bool open_ = false;
  TrackerSizes sizes_;
  BlockAnalysis analysis_;
  CombBank combs_;
  PhaseHistory history_;
  CandidateList candidates_;
  TempoSelection tempo_;
  int32_t elapsed_ = 0;          // ms since the last 100-ms analysis
  uint32_t previousTime_ = 0;    // the previous block's time stamp
  // These two outlive open and close: they belong to the tracker, not to one session.
  int64_t lastBeat_ = 0;         // ms on the interval clock
  double previousEnvelope_ = 0;  // the last smoothed envelope value of the previous block
};

}  // namespace quorix::pulsefinder
