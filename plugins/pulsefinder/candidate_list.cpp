#include "plugins/pulsefinder/candidate_list.h"

#include <cstdlib>

namespace quorix::pulsefinder {

bool CandidateList::allocate() {
  count_ = 0;
  return entries_.allocate(kCapacity);
}

void CandidateList::release() {
  entries_.release();
  count_ = 0;
}

void CandidateList::merge(Candidate& into, int32_t time) {
  into.time = static_cast<int32_t>((int64_t{into.time} + time) / 2);
  into.score += 1.0;
}

void CandidateList::remove(uint32_t index) {
  for (uint32_t i = index + 1; i < count_; ++i) entries_[i - 1] = entries_[i];
  --count_;
}

void CandidateList::add(int32_t time) {
  if (entries_.size() == 0) return;
  bool matched = false;
  for (uint32_t i = 0; i < count_ && !matched; ++i) {
    if (std::llabs(int64_t{entries_[i].time} - time) <= kMatchWindow) {
      merge(entries_[i], time);
      matched = true;
    }
  }
  if (!matched && count_ < kCapacity) entries_[count_++] = Candidate{time, 1.0};

  for (uint32_t i = 0; i < count_; ++i) {
    for (uint32_t j = i + 1; j < count_;) {
      if (std::llabs(int64_t{entries_[i].time} - entries_[j].time) < kMatchWindow) {
        merge(entries_[i], entries_[j].time);
        remove(j);
      } else {
        ++j;
      }
    }
  }
}

void CandidateList::age(int32_t elapsed, int64_t& lastBeat) {
  lastBeat -= 100;
  for (uint32_t i = 0; i < count_;) {
    Candidate& candidate = entries_[i];
    candidate.time -= 100;
    if (candidate.time < elapsed - 100) {
      remove(i);
    } else {
      candidate.score *= kFade;
      ++i;
    }
  }
}

bool CandidateList::takeBeat(int32_t elapsed, int64_t halfPeriod, int64_t& lastBeat) {
  for (uint32_t i = 0; i < count_; ++i) {
    const Candidate& candidate = entries_[i];
    if (elapsed >= candidate.time && candidate.score >= kBeatScore &&
        halfPeriod < candidate.time - lastBeat) {
      lastBeat = candidate.time;
      remove(i);
      return true;
    }
  }
  return false;
}

}  // namespace quorix::pulsefinder
