// Pixel formats: 8-bit indexes into a colour table, 16-bit 5-5-5 and 5-6-5, and 32-bit
// pixels whose bytes in memory are blue, green, red and one byte without colour.
//
// Every function here is pure: the depth and layout are arguments. The engine's current
// format lives in its FrameBuffer (frame_buffer.h).
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// A colour of three 16-bit components; an 8-bit component is the high byte.
struct RgbColor {
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;

  bool operator==(const RgbColor&) const = default;
};

// A colour with 8-bit components, each widened by repeating its byte (0xCC -> 0xCCCC).
constexpr RgbColor rgb8(uint8_t red, uint8_t green, uint8_t blue) {
  return RgbColor{static_cast<uint16_t>(red * 0x101), static_cast<uint16_t>(green * 0x101),
                  static_cast<uint16_t>(blue * 0x101)};
}

// Depths other than 8, 16 and 32 count as 8.
constexpr uint32_t normalisedDepth(uint32_t depth) {
  return depth == 16 || depth == 32 ? depth : 8;
}

// log2 of the bytes per pixel: 0, 1 or 2.
constexpr uint32_t byteShiftOfDepth(uint32_t depth) {
  return depth == 32 ? 2 : depth == 16 ? 1 : 0;
}

// 5-6-5 to 5-5-5: green loses its lowest bit.
constexpr uint16_t pixel565To555(uint16_t p) {
  return static_cast<uint16_t>(((p >> 1) & 0x7FE0) + (p & 0x1F));
}

// 5-5-5 to 5-6-5: green's new lowest bit is 0.
constexpr uint16_t pixel555To565(uint16_t p) {
  return static_cast<uint16_t>((p & 0x1F) + ((p & 0x7FE0) << 1));
}

// A 16-bit pixel as a 32-bit one (bytes blue, green, red, 0). The three low bits of each
// channel are 0; in 5-6-5 the lowest green bit is dropped. `is565` names the pixel's layout.
constexpr uint32_t pixel16To32(uint16_t p, bool is565) {
  uint32_t blue = (p & 0x1Fu) << 3;
  uint32_t green = is565 ? (p >> 3) & 0xF8u : (p >> 2) & 0xF8u;
  uint32_t red = is565 ? (p >> 8) & 0xF8u : (p >> 7) & 0xF8u;
  return blue | (green << 8) | (red << 16);
}

// Converts every pixel of a 16-bit buffer's bounds in place; other depths are left alone.
void convertBuffer565To555(const BufferDesc& buffer);
void convertBuffer555To565(const BufferDesc& buffer);

// The index of the colour nearest `color` among `count` entries: the distance is the sum of
// the squared component differences, each shifted right by 4 (arithmetically); the first
// entry of the smallest distance wins. 0 when there are no entries.
uint8_t nearestColorIndex(const RgbColor& color, const ColorEntry* entries, int count);

// The pixel value of a colour at a depth: 16-bit by the layout code (5-6-5 exactly for
// QX_LAYOUT_565, else 5-5-5), 32-bit as blue, green, red bytes, 8-bit as the nearest of
// `count` entries. Any other depth gives 0.
uint32_t colorToPixelValue(const RgbColor& color, uint32_t depth, uint32_t layoutCode,
                           const ColorEntry* entries, int count);

// The colour of a pixel value: 8-bit through `count` entries (black beyond them), 16-bit by
// the layout code as pixel16To32 widens it, 32-bit from its bytes. Components are widened by
// repeating their byte.
RgbColor pixelValueToColor(uint32_t value, uint32_t depth, uint32_t layoutCode,
                           const ColorEntry* entries, int count);

// The identifier of the pixel format given to the movie decoder: 8, 'L555' or 'L565' for
// 16 bits by the layout code, 32, and 0 for any other depth.
uint32_t pixelFormatIdentifier(uint32_t depth, uint32_t layoutCode);

}  // namespace quorix::render
