#include "render/pixel_format.h"

#include "common/fourcc.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

template <uint16_t (*Convert)(uint16_t)>
void convert16(const BufferDesc& buffer) {
  if (buffer.bitsPerPixel != 16) return;
  forEachRow(buffer, [](uint8_t* row, int width) {
    for (int x = 0; x < width; ++x) {
      uint8_t* at = row + 2 * x;
      storePixel<uint16_t>(at, Convert(loadPixel<uint16_t>(at)));
    }
  });
}

uint16_t to555(uint16_t p) { return pixel565To555(p); }
uint16_t to565(uint16_t p) { return pixel555To565(p); }

}  // namespace

void convertBuffer565To555(const BufferDesc& buffer) { convert16<to555>(buffer); }
void convertBuffer555To565(const BufferDesc& buffer) { convert16<to565>(buffer); }

uint8_t nearestColorIndex(const RgbColor& color, const ColorEntry* entries, int count) {
  if (entries == nullptr) return 0;
  if (count > 256) count = 256;
  int best = 0;
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < count; ++i) {
    int64_t dr = (int32_t{color.red} - entries[i].red) >> 4;
    int64_t dg = (int32_t{color.green} - entries[i].green) >> 4;
    int64_t db = (int32_t{color.blue} - entries[i].blue) >> 4;
    int64_t distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

uint32_t colorToPixelValue(const RgbColor& color, uint32_t depth, uint32_t layoutCode,
                           const ColorEntry* entries, int count) {
  switch (depth) {
    case 8:
      return nearestColorIndex(color, entries, count);
    case 16:
      if (layoutCode == QX_LAYOUT_565) {
        return (color.red & 0xF800u) + ((color.green >> 5) & 0x7C0u) + (color.blue >> 11);
      }
      return ((color.red >> 1) & 0x7C00u) + ((color.green >> 6) & 0x3E0u) + (color.blue >> 11);
    case 32:
      return ((color.red & 0xFF00u) << 8) + (color.green & 0xFF00u) + (color.blue >> 8);
    default:
      return 0;
  }
}

RgbColor pixelValueToColor(uint32_t value, uint32_t depth, uint32_t layoutCode,
                           const ColorEntry* entries, int count) {
  switch (depth) {
    case 8:
      if (entries == nullptr || static_cast<int>(value & 0xFF) >= count) return {};
      return {entries[value & 0xFF].red, entries[value & 0xFF].green, entries[value & 0xFF].blue};
    case 16:
      value = pixel16To32(static_cast<uint16_t>(value), layoutCode == QX_LAYOUT_565);
      [[fallthrough]];
    case 32:
      return rgb8(static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value));
    default:
      return {};
  }
}

uint32_t pixelFormatIdentifier(uint32_t depth, uint32_t layoutCode) {
  switch (depth) {
    case 8:
      return 8;
    case 16:
      return layoutCode == QX_LAYOUT_565 ? fourcc("L565") : fourcc("L555");
    case 32:
      return 32;
    default:
      return 0;
  }
}

}  // namespace quorix::render
