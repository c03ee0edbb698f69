#include "ui/color_table_resource.h"

#include <cstddef>

#include "common/byte_order.h"

namespace quorix::ui {
namespace {

// The classic system palette: the 6 x 6 x 6 colour cube from white down (each component
// 0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00, red varying slowest) without black, then ten shades each
// of red, green, blue and grey from 0xEE down to 0x11 (the steps the cube leaves out), then
// black. Components are 16-bit with the byte doubled (0xCC -> 0xCCCC).
std::vector<uint8_t> buildSystemPalette() {
  static const uint8_t kCube[6] = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
  static const uint8_t kRamp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
  struct Rgb {
    uint8_t r, g, b;
  };
  std::vector<Rgb> colours;
  for (uint8_t r : kCube) {
    for (uint8_t g : kCube) {
      for (uint8_t b : kCube) {
        if (r != 0 || g != 0 || b != 0) colours.push_back({r, g, b});
      }
    }
  }
  for (uint8_t v : kRamp) colours.push_back({v, 0, 0});
  for (uint8_t v : kRamp) colours.push_back({0, v, 0});
  for (uint8_t v : kRamp) colours.push_back({0, 0, v});
  for (uint8_t v : kRamp) colours.push_back({v, v, v});
  colours.push_back({0, 0, 0});

  std::vector<uint8_t> bytes(8 + colours.size() * 8);
  storeBE32(bytes.data(), 0);
  storeBE16(bytes.data() + 4, 0);
  storeBE16(bytes.data() + 6, static_cast<uint16_t>(colours.size() - 1));
  for (size_t i = 0; i < colours.size(); ++i) {
    uint8_t* at = bytes.data() + 8 + i * 8;
    storeBE16(at, static_cast<uint16_t>(i));
    storeBE16(at + 2, static_cast<uint16_t>(colours[i].r * 0x101));
    storeBE16(at + 4, static_cast<uint16_t>(colours[i].g * 0x101));
    storeBE16(at + 6, static_cast<uint16_t>(colours[i].b * 0x101));
  }
  return bytes;
}

}  // namespace

const std::vector<uint8_t>* colorTableResource(int id) {
  static const std::vector<uint8_t> kSystemPalette = buildSystemPalette();
  return id == kDefaultColorTableId ? &kSystemPalette : nullptr;
}

}  // namespace quorix::ui
