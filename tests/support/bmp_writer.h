// Writes Windows bitmaps for the tests: an info header, an 8-bit palette or 24-bit pixels,
// rows padded to four bytes, stored bottom-up for a positive height and top-down for a
// negative one. Fields can be overwritten afterwards to make damaged files.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace quorix::testing {

struct BmpSpec {
  int width = 4;
  int height = 3;      // negative: rows stored top-down
  int bitCount = 24;   // 8 or 24
  std::vector<uint32_t> palette;  // 8-bit: 0x00RRGGBB entries (their count is biClrUsed)
  // The pixel at (x, y), y counted from the top: a palette index, or 0x00RRGGBB.
  std::function<uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};

inline void bmpPut16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
inline void bmpPut32(std::string& s, size_t at, uint32_t v) {
  bmpPut16(s, at, static_cast<uint16_t>(v));
  bmpPut16(s, at + 2, static_cast<uint16_t>(v >> 16));
}

// Offsets of the fields tests damage.
inline constexpr size_t kBmpPixelOffsetField = 10;
inline constexpr size_t kBmpWidthField = 18;
inline constexpr size_t kBmpHeightField = 22;
inline constexpr size_t kBmpBitCountField = 28;
inline constexpr size_t kBmpCompressionField = 30;
inline constexpr size_t kBmpColorsUsedField = 46;

inline std::string writeBmp(const BmpSpec& spec) {
  const int rows = std::abs(spec.height);
  const size_t rowSize = (static_cast<size_t>(spec.width) * spec.bitCount + 31) / 32 * 4;
  const size_t paletteBytes = spec.bitCount == 8 ? spec.palette.size() * 4 : 0;
  const size_t offset = 14 + 40 + paletteBytes;
  std::string file(offset + rowSize * rows, '\0');
  file[0] = 'B';
  file[1] = 'M';
  bmpPut32(file, 2, static_cast<uint32_t>(file.size()));
  bmpPut32(file, kBmpPixelOffsetField, static_cast<uint32_t>(offset));
  bmpPut32(file, 14, 40);
  bmpPut32(file, kBmpWidthField, static_cast<uint32_t>(spec.width));
  bmpPut32(file, kBmpHeightField, static_cast<uint32_t>(spec.height));
  bmpPut16(file, 26, 1);
  bmpPut16(file, kBmpBitCountField, static_cast<uint16_t>(spec.bitCount));
  bmpPut32(file, kBmpColorsUsedField, spec.bitCount == 8 ? static_cast<uint32_t>(spec.palette.size()) : 0);
  for (size_t i = 0; i < spec.palette.size() && spec.bitCount == 8; ++i) {
    bmpPut32(file, 54 + 4 * i, spec.palette[i]);  // blue, green, red, 0
  }
  for (int y = 0; y < rows; ++y) {
    const int stored = spec.height < 0 ? y : rows - 1 - y;
    char* row = file.data() + offset + rowSize * static_cast<size_t>(stored);
    for (int x = 0; x < spec.width; ++x) {
      const uint32_t p = spec.pixel(x, y);
      if (spec.bitCount == 8) {
        row[x] = static_cast<char>(p);
      } else {
        row[3 * x] = static_cast<char>(p & 0xFF);
        row[3 * x + 1] = static_cast<char>((p >> 8) & 0xFF);
        row[3 * x + 2] = static_cast<char>((p >> 16) & 0xFF);
      }
    }
  }
  return file;
}

}  // namespace quorix::testing
