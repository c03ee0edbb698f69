// Predicted beat times waiting for the clock to reach them.
//
// Times are milliseconds on the tracker's interval clock: 0 is the start of the current
// 100-ms interval, and every list time (and the last beat time) moves back by 100 when an
// interval ends. A prediction that agrees with a listed one (within 40 ms) strengthens it
// instead of being listed twice; scores fade by 0.8 an interval, so only a fresh prediction
// or one confirmed again is strong enough to be reported.
#pragma once

#include <cstdint>

#include "plugins/pulsefinder/tracker_buffer.h"

namespace quorix::pulsefinder {

struct Candidate {
  int32_t time = 0;   // ms on the interval clock
  double score = 0;
};

class CandidateList {
 public:
  static constexpr uint32_t kCapacity = 10;
  static constexpr int32_t kMatchWindow = 40;      // ms: a new prediction joins a listed one
  static constexpr double kBeatScore = 0.95;       // the least score reported as a beat
  static constexpr double kFade = 0.8;             // score kept per interval

  // False when the list cannot be allocated.
  bool allocate();
  void release();
  void clear() { count_ = 0; }

  uint32_t count() const { return count_; }
  const Candidate& operator[](uint32_t index) const { return entries_[index]; }

  // Adds a prediction with score 1: the first listed candidate within 40 ms takes the mean
  // time and 1 more score, else it is appended (dropped when the list is full). Then every
  // pair closer than 40 ms merges into the earlier one the same way.
  void add(int32_t time);

  // The end of an interval: every time and `lastBeat` move back by 100; candidates before
  // `elapsed` - 100 go, the others fade.
  void age(int32_t elapsed, int64_t& lastBeat);

  // The first candidate that the clock `elapsed` has reached, strong enough and more than
  // `halfPeriod` after `lastBeat`: it becomes the last beat and leaves the list. False when
  // no candidate qualifies.
  bool takeBeat(int32_t elapsed, int64_t halfPeriod, int64_t& lastBeat);

 private:
  void remove(uint32_t index);
  static void merge(Candidate& into, int32_t time);

  Buffer<Candidate> entries_;
  uint32_t count_ = 0;
};

}  // namespace quorix::pulsefinder
