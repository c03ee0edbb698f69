// A cursor over a QuickDraw picture's bytes that never reads past their end: a read that does
// not fit marks the reader failed, yields zeros and leaves the cursor at the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix::platform::quickdraw {

class PictureReader {
 public:
  PictureReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool failed() const { return failed_; }
  size_t position() const { return position_; }
  size_t remaining() const { return size_ - position_; }
  bool atEnd() const { return position_ >= size_; }

  // True when `count` more bytes are there; otherwise marks the reader failed.
  bool need(size_t count) {
    if (!failed_ && count <= remaining()) return true;
    fail();
    return false;
  }
  void fail() {
    failed_ = true;
    position_ = size_;
  }

  uint8_t u8() { return need(1) ? data_[position_++] : 0; }
  uint16_t u16() {
    if (!need(2)) return 0;
    uint16_t value = static_cast<uint16_t>((data_[position_] << 8) | data_[position_ + 1]);
    position_ += 2;
    return value;
  }
  int16_t s16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() {
    uint32_t high = u16();
    return (high << 16) | u16();
  }
  Rect16 rect() {
    Rect16 r;
    r.top = s16();
    r.left = s16();
    r.bottom = s16();
    r.right = s16();
    return r;
  }
  // The next `count` bytes, or null (and failed) when they are not all there.
  const uint8_t* take(size_t count) {
    if (!need(count)) return nullptr;
    const uint8_t* at = data_ + position_;
    position_ += count;
    return at;
  }
  void skip(size_t count) { take(count); }
  // The next `count` bytes without moving, or null when they are not all there.
  const uint8_t* peek(size_t count) const {
    return !failed_ && count <= remaining() ? data_ + position_ : nullptr;
  }
  // Moves to the next even offset (version 2 opcodes start on even offsets).
  void alignToWord() {
    if ((position_ & 1) != 0) skip(1);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace quorix::platform::quickdraw
