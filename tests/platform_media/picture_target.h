// A pixel buffer of exactly its pixels (so that the address sanitizer catches any access
// outside it) for drawing pictures and movie frames into, read back as 0x00RRGGBB colours.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin_sdk/buffer_desc.h"
#include "tests/support/png_writer.h"

namespace quorix::testing {

// A 256-entry palette whose first entries are `colors` and the rest grey steps.
inline std::vector<ColorEntry> paletteOf(const std::vector<uint32_t>& colors) {
  std::vector<ColorEntry> entries(256);
  for (int i = 0; i < 256; ++i) {
    uint32_t c = i < static_cast<int>(colors.size()) ? colors[static_cast<size_t>(i)]
                                                     : 0x010101u * static_cast<uint32_t>(i);
    entries[static_cast<size_t>(i)] = ColorEntry{static_cast<uint16_t>(i),
                                                 static_cast<uint16_t>(((c >> 16) & 0xFF) * 257),
                                                 static_cast<uint16_t>(((c >> 8) & 0xFF) * 257),
                                                 static_cast<uint16_t>((c & 0xFF) * 257)};
  }
  return entries;
}

struct TestTarget {
  TestTarget(uint32_t depth, int width, int height, std::vector<ColorEntry> colors = {},
             uint32_t layoutCode = QX_LAYOUT_555)
      : depth(depth), width(width), height(height), palette(std::move(colors)),
        pixels(static_cast<size_t>(width) * height * (depth / 8), 0) {
    desc.baseAddr = pixels.data();
    desc.bitsPerPixel = depth;
    desc.bounds = Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    desc.rowBytes = width * static_cast<int>(depth / 8);
    desc.colorEntries = palette.empty() ? nullptr : palette.data();
    desc.layoutCode = layoutCode;
  }

  uint32_t raw(int x, int y) const {
    uint32_t value = 0;
    std::memcpy(&value, pixels.data() + static_cast<size_t>(y) * desc.rowBytes + x * (depth / 8), depth / 8);
    return value;
  }
  void fill(uint32_t value) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::memcpy(pixels.data() + static_cast<size_t>(y) * desc.rowBytes + x * (depth / 8), &value, depth / 8);
      }
    }
  }
  // The colour of a pixel: 8 bits through the palette's high bytes, 16 bits by the layout with
  // each component's top bits repeated below it, 32 bits from its bytes.
  uint32_t rgb(int x, int y) const {
    uint32_t v = raw(x, y);
    if (depth == 8) {
      const ColorEntry& e = palette[v];
      return (uint32_t{static_cast<uint8_t>(e.red >> 8)} << 16) | (uint32_t{static_cast<uint8_t>(e.green >> 8)} << 8) |
             static_cast<uint8_t>(e.blue >> 8);
    }
    if (depth == 16) {
      bool is565 = desc.layoutCode == QX_LAYOUT_565;
      uint32_t r = is565 ? (v >> 11) & 31 : (v >> 10) & 31;
      uint32_t g = is565 ? ((v >> 5) & 63) >> 1 : (v >> 5) & 31;
      uint32_t b = v & 31;
      auto widen = [](uint32_t c) { return (c << 3) | (c >> 2); };
      return (widen(r) << 16) | (widen(g) << 8) | widen(b);
    }
    return v & 0xFFFFFF;
  }
  std::vector<uint32_t> image() const {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) out.push_back(rgb(x, y));
    }
    return out;
  }
  // Writes the buffer as a PNG into $QUORIX_TEST_PICTURES (default: the working folder).
  void savePng(const std::string& name) const { writePng(picturePath(name + ".png"), image(), width, height); }

  uint32_t depth;
  int width;
  int height;
  std::vector<ColorEntry> palette;
  std::vector<uint8_t> pixels;
  BufferDesc desc{};
};

// A colour as a 5-5-5 pixel shows it (each component's top five bits, repeated below).
inline uint32_t as555(uint32_t c) {
  auto cut = [](uint32_t v) { v = (v & 0xFF) >> 3; return (v << 3) | (v >> 2); };
  return (cut(c >> 16) << 16) | (cut(c >> 8) << 8) | cut(c);
}

}  // namespace quorix::testing
