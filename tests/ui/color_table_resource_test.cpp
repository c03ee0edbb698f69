#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "ui/color_table_resource.h"

namespace quorix::ui {
namespace {

struct Rgb {
  uint16_t r, g, b;
};

Rgb entry(const std::vector<uint8_t>& table, int i) {
  const uint8_t* at = table.data() + 8 + i * 8;
  EXPECT_EQ(loadBE16(at), i);
  return {loadBE16(at + 2), loadBE16(at + 4), loadBE16(at + 6)};
}

TEST(ColorTableResource, DefaultTableIsTheClassicSystemPalette) {
  const std::vector<uint8_t>* table = colorTableResource(kDefaultColorTableId);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->size(), 2056u);
  EXPECT_EQ(loadBE16(table->data() + 6), 255u);
  struct Case {
    int index;
    Rgb rgb;
  } cases[] = {
      {0, {0xFFFF, 0xFFFF, 0xFFFF}},    // white
      {1, {0xFFFF, 0xFFFF, 0xCCCC}},
      {5, {0xFFFF, 0xFFFF, 0x0000}},    // yellow
      {35, {0xFFFF, 0x0000, 0x0000}},   // red
      {185, {0x0000, 0xFFFF, 0x0000}},  // green
      {210, {0x0000, 0x0000, 0xFFFF}},  // blue
      {214, {0x0000, 0x0000, 0x3333}},  // the cube's last colour
      {215, {0xEEEE, 0x0000, 0x0000}},  // the red ramp
      {225, {0x0000, 0xEEEE, 0x0000}},
      {235, {0x0000, 0x0000, 0xEEEE}},
      {245, {0xEEEE, 0xEEEE, 0xEEEE}},  // the grey ramp
      {254, {0x1111, 0x1111, 0x1111}},
      {255, {0x0000, 0x0000, 0x0000}},  // black
  };
  for (const Case& c : cases) {
    Rgb rgb = entry(*table, c.index);
    EXPECT_EQ(rgb.r, c.rgb.r) << c.index;
    EXPECT_EQ(rgb.g, c.rgb.g) << c.index;
    EXPECT_EQ(rgb.b, c.rgb.b) << c.index;
  }
  EXPECT_EQ(colorTableResource(150), nullptr);
}

}  // namespace
}  // namespace quorix::ui
