#include "render/pixel_format.h"

#include <gtest/gtest.h>

#include "common/fourcc.h"
#include "render/blend_tables.h"
#include "render/convert_blit.h"
#include "render/frame_buffer.h"
#include "render/resource_color_table.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::TestBuffer;

TEST(PixelFormat, SixteenBitLayoutConversions) {
  struct Case {
    uint16_t p565, p555;
  } cases[] = {
      {0xFFFF, 0x7FFF},  // white
      {0xF800, 0x7C00},  // red
      {0x07E0, 0x03E0},  // green: the lowest of six bits is lost
      {0x0020, 0x0000},  // ... so the smallest green vanishes
      {0x001F, 0x001F},  // blue
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pixel565To555(c.p565), c.p555) << std::hex << c.p565;
    EXPECT_EQ(pixel555To565(c.p555), c.p565 & 0xFFDF) << std::hex << c.p555;  // green bit 0 is 0
  }
  // Whole buffers convert in place; padding bytes after each row stay.
  TestBuffer buffer(16, 3, 2, false, 2);
  buffer.fillWith(0xF81F);
  buffer.bytes()[6] = 0xAA;
  convertBuffer565To555(buffer.desc());
  EXPECT_EQ(buffer.at(2, 1), 0x7C1Fu);
  EXPECT_EQ(buffer.bytes()[6], 0xAA);
  convertBuffer555To565(buffer.desc());
  EXPECT_EQ(buffer.at(0, 0), 0xF81Fu);
  TestBuffer eight(8, 2, 2);
  eight.fillWith(0x5A);
  convertBuffer565To555(eight.desc());  // other depths are left alone
  EXPECT_EQ(eight.at(1, 1), 0x5Au);
}

TEST(PixelFormat, SixteenToThirtyTwoBits) {
  EXPECT_EQ(pixel16To32(0x7FFF, false), 0x00F8F8F8u);
  EXPECT_EQ(pixel16To32(0x7C00, false), 0x00F80000u);
  EXPECT_EQ(pixel16To32(0x03E0, false), 0x0000F800u);
  EXPECT_EQ(pixel16To32(0xFFFF, true), 0x00F8F8F8u);   // the lowest green bit is dropped
  EXPECT_EQ(pixel16To32(0x07E0, true), 0x0000F800u);
  EXPECT_EQ(pixel16To32(0x0020, true), 0x00000000u);
  EXPECT_EQ(pixel16To32(0x001F, true), 0x000000F8u);
}

TEST(PixelFormat, ColorToPixelValueAtEveryDepth) {
  const RgbColor orange{0xFFFF, 0x8000, 0x1234};
  EXPECT_EQ(colorToPixelValue(orange, 16, QX_LAYOUT_555, nullptr, 0), 0x7C00u + 0x200u + 0x02u);
  EXPECT_EQ(colorToPixelValue(orange, 16, QX_LAYOUT_565, nullptr, 0), 0xF800u + 0x400u + 0x02u);
  EXPECT_EQ(colorToPixelValue(RgbColor{0, 0xFFFF, 0}, 16, QX_LAYOUT_565, nullptr, 0), 0x7C0u);
  EXPECT_EQ(colorToPixelValue(orange, 32, QX_LAYOUT_32BIT, nullptr, 0), 0x00FF8012u);
  EXPECT_EQ(colorToPixelValue(orange, 24, 0, nullptr, 0), 0u);

  MemHandle table = makeResourceColorTable(8);
  const ColorEntry* entries = colorTableEntries(table);
  EXPECT_EQ(colorToPixelValue(RgbColor{0xFFFF, 0xFFFF, 0xFFFF}, 8, 0, entries, 256), 0u);
  EXPECT_EQ(colorToPixelValue(RgbColor{0, 0, 0}, 8, 0, entries, 256), 255u);
  EXPECT_EQ(colorToPixelValue(RgbColor{0xFFFF, 0x0800, 0x0400}, 8, 0, entries, 256), 35u);
  disposeHandle(table);

  // Differences are shifted arithmetically: 8 - 16 gives -1, not a huge number; the first of
  // equal distances wins.
  const ColorEntry near[] = {{0, 0x0010, 0, 0}, {1, 0x0000, 0, 0}, {2, 0x0000, 0, 0}};
  EXPECT_EQ(nearestColorIndex(RgbColor{0x0008, 0, 0}, near, 3), 1);
  EXPECT_EQ(nearestColorIndex(RgbColor{0x0018, 0, 0}, near, 3), 0);
  EXPECT_EQ(nearestColorIndex(RgbColor{0x0018, 0, 0}, nullptr, 0), 0);
}

TEST(PixelFormat, FormatIdentifierAndFrameState) {
  EXPECT_EQ(pixelFormatIdentifier(8, QX_LAYOUT_8BIT), 8u);
  EXPECT_EQ(pixelFormatIdentifier(16, QX_LAYOUT_555), fourcc("L555"));
  EXPECT_EQ(pixelFormatIdentifier(16, QX_LAYOUT_565), fourcc("L565"));
  EXPECT_EQ(pixelFormatIdentifier(32, QX_LAYOUT_32BIT), 32u);
  EXPECT_EQ(pixelFormatIdentifier(24, 0), 0u);

  struct Case {
    int levels;
    uint32_t depth;
    uint32_t storedDepth, shift;
    int32_t step, ceiling;
  } cases[] = {
      {8, 8, 8, 0, 16, 112},    // 8 levels: 0..15 nothing, 16..111 tables, 112.. copy
      {8, 24, 8, 0, 16, 112},   // 24 bits is taken as 8
      {8, 16, 16, 1, 1, 126},
      {3, 32, 32, 2, 1, 126},
      {0, 8, 8, 0, 128, 0},     // no levels counts as one
      {1, 8, 8, 0, 128, 0},
      {200, 8, 8, 0, 1, 127},   // more than 128 count as 128
  };
  for (const Case& c : cases) {
    FrameBuffer frame;
    setLevels(frame, c.levels);
    setDepth(frame, c.depth);
    EXPECT_EQ(frame.depth, c.storedDepth) << c.depth;
    EXPECT_EQ(frame.byteShift, c.shift) << c.depth;
    EXPECT_EQ(frame.levelStep, c.step) << c.levels << " " << c.depth;
    EXPECT_EQ(frame.levelCeiling, c.ceiling) << c.levels << " " << c.depth;
  }
  FrameBuffer frame;
  for (uint32_t code : {0u, 1u, 2u, 3u}) {
    setLayout(frame, code);
    EXPECT_EQ(frame.layoutCode, code);
    EXPECT_EQ(frame.is565, code == 2);
  }
  setBlendLevel(frame, 300);
  EXPECT_EQ(frame.blendLevel, 127);
  setBlendLevel(frame, -4);
  EXPECT_EQ(frame.blendLevel, 0);
}

TEST(BlendTables, BlendTable16AndTheMultiplyTable) {
  const uint8_t* table = blendTable16();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(table[y * 32 + x], y);  // plane 0 keeps the background
  }
  EXPECT_EQ(table[31 * 1024 + 31 * 32 + 0], 1);
  EXPECT_EQ(table[31 * 1024 + 0 * 32 + 31], 30);
  EXPECT_EQ(table[16 * 1024 + 0 * 32 + 31], 16);  // level 64: (31 x 16 + 16) / 32
  const uint16_t* multiply = multiplyTable();
  setMultiplyTableLevel(127);
  EXPECT_EQ(multiply[255], 255 * 254);
  EXPECT_EQ(multiply[256 + 255], 255 * 2);
}

TEST(CopySixteenToThirtyTwo, ScalesConvertsAndHandlesBottomUpRows) {
  TestBuffer source(16, 4, 2);
  source.desc().layoutCode = QX_LAYOUT_565;  // the source's own layout decides
  for (int x = 0; x < 4; ++x) {
    source.set(x, 0, 0xF800);
    source.set(x, 1, 0x07E0);
  }
  source.set(3, 0, 0x001F);
  TestBuffer destination(32, 8, 4, true);
  copy16To32(source.desc(), destination.desc(), Rect16{0, 0, 2, 4}, Rect16{0, 0, 4, 8});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      uint32_t expected = y >= 2 ? 0x0000F800u : x >= 6 ? 0x000000F8u : 0x00F80000u;
      EXPECT_EQ(destination.at(x, y), expected) << x << "," << y;
    }
  }
  // Only 16-bit sources into 32-bit destinations, only inside the destination.
  TestBuffer eight(8, 4, 2);
  TestBuffer untouched(32, 8, 4);
  copy16To32(eight.desc(), untouched.desc(), Rect16{0, 0, 2, 4}, Rect16{0, 0, 4, 8});
  copy16To32(source.desc(), untouched.desc(), Rect16{0, 0, 2, 4}, Rect16{2, 2, 2, 8});
  EXPECT_EQ(untouched.at(3, 3), 0u);
  copy16To32(source.desc(), untouched.desc(), Rect16{0, 0, 2, 4}, Rect16{-2, 6, 2, 14});
  EXPECT_EQ(untouched.at(6, 0), 0x0000F800u);  // row 2 of 4 reads source row 1
  EXPECT_EQ(untouched.at(7, 1), 0x0000F800u);
  EXPECT_EQ(untouched.at(5, 0), 0u);
}

}  // namespace
}  // namespace quorix::render
