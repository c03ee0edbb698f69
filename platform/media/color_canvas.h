// A pixel buffer written one colour at a time, as pictures and 8-bit movie frames are drawn:
// 8-bit pixels take the index of the nearest of the buffer's 256 colours, 16-bit pixels are
// 5-6-5 when the buffer's layout code says so and 5-5-5 otherwise, 32-bit pixels are the bytes
// blue, green, red, 0.
#pragma once

#include <array>
#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::platform {

class ColorCanvas {
 public:
  explicit ColorCanvas(const BufferDesc& target);
  // False for a buffer nothing can be drawn into (no pixels, another depth, an 8-bit buffer
  // without colours, an empty rectangle).
  bool usable() const { return usable_; }
  const Rect16& bounds() const { return target_.bounds; }
  // Writes `color` (0x00RRGGBB) at (x, y), which must lie inside bounds().
  void put(int32_t x, int32_t y, uint32_t color);

 private:
  uint8_t nearestIndex(uint32_t color);

  BufferDesc target_;
  bool usable_ = false;
  // Colours already matched to an index: the colour with bit 24 set, and its index.
  std::array<uint32_t, 1024> cachedColor_{};
  std::array<uint8_t, 1024> cachedIndex_{};
};

}  // namespace quorix::platform
