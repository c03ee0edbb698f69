// Reads fuzz input as a stream of small values; past the end every value is 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorix::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
  // A value in lo .. hi.
  int range(int lo, int hi) { return lo + static_cast<int>(u16() % static_cast<unsigned>(hi - lo + 1)); }
  bool flag() { return (byte() & 1) != 0; }
  // A small coordinate around a buffer of `extent`, sometimes anywhere in 16 bits.
  int16_t coordinate(int extent) {
    return byte() % 8 == 0 ? i16() : static_cast<int16_t>(range(-extent / 2 - 4, extent + extent / 2 + 4));
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace quorix::fuzz
