// Writing Windows bitmap files (BITMAPINFOHEADER, 8 bits with a palette or 24 bits), for the
// pictures of the sample visual and for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorix::assets {

struct Bitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;            // 8 (indexes into `palette`) or 24 (blue, green, red)
  std::vector<uint8_t> pixels;      // rows top first, width x bytes per pixel each, no padding
  std::vector<uint32_t> palette;    // 0x00RRGGBB, for 8 bits
  bool topDown = false;             // store rows top first (negative height)
};

inline void putLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The bytes of a ".bmp" file.
inline std::string bitmapFile(const Bitmap& bitmap) {
  int pixelBytes = bitmap.bitsPerPixel / 8;
  int rowBytes = (bitmap.width * pixelBytes + 3) & ~3;
  uint32_t paletteBytes = bitmap.bitsPerPixel == 8 ? static_cast<uint32_t>(bitmap.palette.size()) * 4 : 0;
  uint32_t offset = 14 + 40 + paletteBytes;
  uint32_t imageBytes = static_cast<uint32_t>(rowBytes * bitmap.height);
  std::string out = "BM";
  putLE(out, offset + imageBytes, 4);
  putLE(out, 0, 4);
  putLE(out, offset, 4);
  putLE(out, 40, 4);
  putLE(out, static_cast<uint32_t>(bitmap.width), 4);
  putLE(out, static_cast<uint32_t>(bitmap.topDown ? -bitmap.height : bitmap.height), 4);
  putLE(out, 1, 2);
  putLE(out, static_cast<uint32_t>(bitmap.bitsPerPixel), 2);
  putLE(out, 0, 4);  // no compression
  putLE(out, imageBytes, 4);
  putLE(out, 2835, 4);  // 72 pixels per inch
  putLE(out, 2835, 4);
  putLE(out, bitmap.bitsPerPixel == 8 ? static_cast<uint32_t>(bitmap.palette.size()) : 0, 4);
  putLE(out, 0, 4);
  for (uint32_t colour : bitmap.palette) {
    if (bitmap.bitsPerPixel == 8) putLE(out, colour & 0xFFFFFF, 4);  // blue, green, red, 0
  }
  for (int row = 0; row < bitmap.height; ++row) {
    int source = bitmap.topDown ? row : bitmap.height - 1 - row;
    size_t at = static_cast<size_t>(source) * static_cast<size_t>(bitmap.width * pixelBytes);
    out.append(reinterpret_cast<const char*>(bitmap.pixels.data() + at),
               static_cast<size_t>(bitmap.width * pixelBytes));
    out.append(static_cast<size_t>(rowBytes - bitmap.width * pixelBytes), '\0');
  }
  return out;
}

}  // namespace quorix::assets
