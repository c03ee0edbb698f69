// Writing PNGs of what drawing code produces, for looking at them: the program's encoder
// (common/png_writer.h) with the conveniences tests use.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/png_writer.h"

namespace quorix::testing {

using quorix::encodePng;
using quorix::writePng;

// The same from pixels 0x00RRGGBB, top row first.
inline bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
                     int height) {
  std::vector<uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (uint32_t p : pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  return writePng(path, width, height, rgb);
}

// Where tests put the pictures they write: $QUORIX_TEST_PICTURES, else the working folder.
inline std::string picturePath(const std::string& name) {
  const char* folder = std::getenv("QUORIX_TEST_PICTURES");
  return std::string(folder != nullptr && *folder != 0 ? folder : ".") + "/" + name;
}

}  // namespace quorix::testing
