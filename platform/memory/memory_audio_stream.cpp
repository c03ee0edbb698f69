#include <algorithm>
#include <cstring>

#include "platform/audio_file.h"

namespace quorix::platform {

MemoryAudioStream::MemoryAudioStream(std::vector<int16_t> samples, size_t failAfterFrames,
                                     std::string failure)
    : samples_(std::move(samples)), failAfter_(failAfterFrames), failure_(std::move(failure)) {}

size_t MemoryAudioStream::read(int16_t* samples, size_t frames) {
  if (!error_.empty()) return 0;
  const size_t total = samples_.size() / kAudioChannels;
  const size_t limit = std::min(total, failAfter_);
  const size_t count = std::min(frames, limit - std::min(limit, position_));
  if (count > 0) {
    std::memcpy(samples, samples_.data() + position_ * kAudioChannels,
                count * kAudioChannels * sizeof(int16_t));
  }
  position_ += count;
  if (count < frames && position_ >= failAfter_) error_ = failure_;
  return count;
}

}  // namespace quorix::platform
