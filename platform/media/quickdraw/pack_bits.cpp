#include "platform/media/quickdraw/pack_bits.h"

#include <algorithm>
#include <cstring>

namespace quorix::platform::quickdraw {

size_t unpackBits(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowSize,
                  size_t unitBytes) {
  size_t in = 0;
  size_t out = 0;
  while (in < packedSize && out < rowSize) {
    uint8_t flag = packed[in++];
    if (flag < 128) {
      size_t bytes = (size_t{flag} + 1) * unitBytes;
      size_t available = std::min(bytes, packedSize - in);
      size_t written = std::min(available, rowSize - out);
      std::memcpy(row + out, packed + in, written);
      in += available;
      out += written;
    } else if (flag > 128) {
      if (packedSize - in < unitBytes) break;
      const uint8_t* unit = packed + in;
      in += unitBytes;
      for (size_t repeat = 257 - size_t{flag}; repeat > 0 && out < rowSize; --repeat) {
        size_t written = std::min(unitBytes, rowSize - out);
        std::memcpy(row + out, unit, written);
        out += written;
      }
    }
  }
  return out;
}

}  // namespace quorix::platform::quickdraw
