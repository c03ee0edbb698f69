#include "document/chunk_stream.h"

#include <utility>

#include "common/memory.h"

namespace quorix::document {

ChunkStream::ChunkStream(Mode mode, int32_t chunkIndex, uint8_t* buffer, uint32_t size)
    : mode_(mode), chunkIndex_(chunkIndex), buffer_(buffer), size_(buffer != nullptr ? size : 0) {}

ChunkStream::~ChunkStream() { engineFree(buffer_); }

ChunkStream::ChunkStream(ChunkStream&& other) noexcept
    : mode_(other.mode_),
      chunkIndex_(other.chunkIndex_),
      buffer_(std::exchange(other.buffer_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      cursor_(std::exchange(other.cursor_, 0)) {}

ChunkStream& ChunkStream::operator=(ChunkStream&& other) noexcept {
  if (this != &other) {
    engineFree(buffer_);
    mode_ = other.mode_;
    chunkIndex_ = other.chunkIndex_;
    buffer_ = std::exchange(other.buffer_, nullptr);
    size_ = std::exchange(other.size_, 0);
    cursor_ = std::exchange(other.cursor_, 0);
  }
  return *this;
}

void ChunkStream::bytes(void* field, size_t count) {
  if (!fits(count)) return;
  if (reading()) {
    std::memcpy(field, buffer_ + cursor_, count);
  } else {
    std::memcpy(buffer_ + cursor_, field, count);
  }
  cursor_ += static_cast<uint32_t>(count);
}

void ChunkStream::zeros(size_t count) {
  if (!fits(count)) return;
  if (!reading()) std::memset(buffer_ + cursor_, 0, count);
  cursor_ += static_cast<uint32_t>(count);
}

}  // namespace quorix::document
