// ChunkStream: one chunk's data in memory, read or written field by field in the file's
// big-endian order.
//
// Every access first checks that the whole field fits before the end of the buffer. A field
// that does not fit is skipped: reading leaves the destination unchanged, writing writes
// nothing, and the cursor stays where it was. Records shorter than their layout therefore read
// as far as they go and keep their earlier values (callers zero them first) for the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "common/byte_order.h"

namespace quorix::document {

class ChunkStream {
 public:
  enum class Mode : int32_t { Read = 1, Write = 2 };

  // Takes over `buffer` (from engineAllocate) of `size` bytes, for chunk `chunkIndex` of the
  // directory of the file it came from.
  ChunkStream(Mode mode, int32_t chunkIndex, uint8_t* buffer, uint32_t size);
  ~ChunkStream();
  ChunkStream(ChunkStream&& other) noexcept;
  ChunkStream& operator=(ChunkStream&& other) noexcept;
  ChunkStream(const ChunkStream&) = delete;
  ChunkStream& operator=(const ChunkStream&) = delete;

  Mode mode() const { return mode_; }
  bool reading() const { return mode_ == Mode::Read; }
  int32_t chunkIndex() const { return chunkIndex_; }
  uint32_t size() const { return size_; }
  uint32_t cursor() const { return cursor_; }
  const uint8_t* data() const { return buffer_; }
  uint8_t* data() { return buffer_; }

  // Reads `value` (reading stream) or writes it (writing stream): an 8, 16 or 32-bit integer or
  // a single-precision float, big-endian.
  template <typename T>
  void field(T& value) {
    static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4));
    if (!fits(sizeof(T))) return;
    uint8_t* at = buffer_ + cursor_;
    if constexpr (std::is_floating_point_v<T>) {
      uint32_t bits;
      if (reading()) {
        bits = loadBE32(at);
        std::memcpy(&value, &bits, 4);
      } else {
        std::memcpy(&bits, &value, 4);
        storeBE32(at, bits);
      }
    } else if constexpr (sizeof(T) == 1) {
      if (reading()) value = static_cast<T>(*at); else *at = static_cast<uint8_t>(value);
    } else if constexpr (sizeof(T) == 2) {
      if (reading()) value = static_cast<T>(loadBE16(at)); else storeBE16(at, static_cast<uint16_t>(value));
    } else {
      if (reading()) value = static_cast<T>(loadBE32(at)); else storeBE32(at, static_cast<uint32_t>(value));
    }
    cursor_ += sizeof(T);
  }

  // The same for each element of an array.
  template <typename T, size_t N>
  void fields(T (&values)[N]) {
    for (T& value : values) field(value);
  }

  // A fixed-size byte field, copied as it stands, only when all of it fits.
  void bytes(void* field, size_t count);

  // A field that the layout reserves: `count` bytes skipped when reading, written as zero.
  void zeros(size_t count);

 private:
  bool fits(size_t count) const { return buffer_ != nullptr && count <= size_ - cursor_; }

  Mode mode_;
  int32_t chunkIndex_;
  uint8_t* buffer_;
  uint32_t size_;
  uint32_t cursor_ = 0;
};

}  // namespace quorix::document
