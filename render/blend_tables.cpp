#include "render/blend_tables.h"

#include <array>

namespace quorix::render {
namespace {

std::array<uint8_t, kBlendTable16Bytes> buildBlendTable16() {
  std::array<uint8_t, kBlendTable16Bytes> table{};
  for (int a = 0; a < 32; ++a) {
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        table[a * 1024 + y * 32 + x] = static_cast<uint8_t>((y * (32 - a) + x * a + 16) / 32);
      }
    }
  }
  return table;
}

const std::array<uint8_t, kBlendTable16Bytes> kBlendTable16 = buildBlendTable16();

std::array<uint16_t, 512> buildMultiplyTable() {
  std::array<uint16_t, 512> table{};
  for (int i = 0; i < 256; ++i) {
    table[i] = static_cast<uint16_t>(i * 128);
    table[256 + i] = static_cast<uint16_t>(i * 128);
  }
  return table;
}

std::array<uint16_t, 512> gMultiply = buildMultiplyTable();

}  // namespace

const uint8_t* blendTable16() { return kBlendTable16.data(); }

const uint16_t* multiplyTable() { return gMultiply.data(); }

void setMultiplyTableLevel(int level) {
  int weight = 2 * level;
  for (int i = 0; i < 256; ++i) {
    gMultiply[i] = static_cast<uint16_t>(i * weight);
    gMultiply[256 + i] = static_cast<uint16_t>(i * (256 - weight));
  }
}

}  // namespace quorix::render
