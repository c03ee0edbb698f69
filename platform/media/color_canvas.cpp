#include "platform/media/color_canvas.h"

#include <cstring>

namespace quorix::platform {
namespace {

constexpr uint32_t kCachedBit = 1u << 24;

}  // namespace

ColorCanvas::ColorCanvas(const BufferDesc& target) : target_(target) {
  const uint32_t depth = target.bitsPerPixel;
  usable_ = target.baseAddr != nullptr && (depth == 8 || depth == 16 || depth == 32) &&
            (depth != 8 || target.colorEntries != nullptr) &&
            target.bounds.right > target.bounds.left && target.bounds.bottom > target.bounds.top;
}

void ColorCanvas::put(int32_t x, int32_t y, uint32_t color) {
  uint8_t* row = static_cast<uint8_t*>(target_.baseAddr) +
                 static_cast<ptrdiff_t>(y - target_.bounds.top) * target_.rowBytes;
  const int32_t column = x - target_.bounds.left;
  const uint32_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
  switch (target_.bitsPerPixel) {
    case 8:
      row[column] = nearestIndex(color);
      break;
    case 16: {
      uint16_t pixel = target_.layoutCode == QX_LAYOUT_565
                           ? static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3))
                           : static_cast<uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
      std::memcpy(row + 2 * column, &pixel, sizeof pixel);
      break;
    }
    default: {
      uint8_t* p = row + 4 * column;
      p[0] = static_cast<uint8_t>(blue);
      p[1] = static_cast<uint8_t>(green);
      p[2] = static_cast<uint8_t>(red);
      p[3] = 0;
      break;
    }
  }
}

uint8_t ColorCanvas::nearestIndex(uint32_t color) {
  const size_t slot = ((color >> 14) ^ (color >> 4) ^ color) & (cachedColor_.size() - 1);
  if (cachedColor_[slot] == (color | kCachedBit)) return cachedIndex_[slot];
  const int red = static_cast<int>((color >> 16) & 0xFF);
  const int green = static_cast<int>((color >> 8) & 0xFF);
  const int blue = static_cast<int>(color & 0xFF);
  int best = 0;
  int bestDistance = INT32_MAX;
  for (int i = 0; i < 256 && bestDistance != 0; ++i) {
    const ColorEntry& entry = target_.colorEntries[i];
    int dr = red - (entry.red >> 8), dg = green - (entry.green >> 8), db = blue - (entry.blue >> 8);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  cachedColor_[slot] = color | kCachedBit;
  cachedIndex_[slot] = static_cast<uint8_t>(best);
  return static_cast<uint8_t>(best);
}

}  // namespace quorix::platform
