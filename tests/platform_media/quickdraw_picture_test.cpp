// The QuickDraw picture decoder: every pixel form drawn bit-exactly at each depth, scaling,
// clip and mask regions, transfer modes, skipped opcodes, and damaged pictures.
#include <gtest/gtest.h>

#include <functional>

#include "platform/media/media_platform.h"
#include "platform/media/quickdraw/pack_bits.h"
#include "platform/media/quickdraw/region.h"
#include "plugin_sdk/status_codes.h"
#include "tests/platform_media/picture_target.h"
#include "tests/support/pict_writer.h"

namespace quorix::platform {
namespace {

using testing::PictImage;
using testing::PictWriter;
using testing::TestTarget;

const std::vector<uint32_t> kColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                       0x000000, 0xFFFF00, 0x808080, 0x00FFFF};

Rect16 rect(int top, int left, int bottom, int right) {
  return Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
}

// Colour index of (x, y) in the test pattern: runs of two across, shifted by one a row.
int patternIndex(int x, int y, int colors) { return (x / 2 + y) % colors; }

PictImage patternImage(int width, int height) {
  PictImage image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.pixels.push_back(kColors[static_cast<size_t>(patternIndex(x, y, 8))]);
  }
  return image;
}

struct FormCase {
  const char* name;
  int width;
  int height;
  std::function<std::string(const Rect16& all)> picture;
  std::function<uint32_t(int x, int y)> expected;
};

std::string indexedPicture(int pixelSize, int width, int height, bool packedOpcode) {
  int colors = std::min(8, 1 << pixelSize);
  std::vector<uint8_t> indexes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) indexes.push_back(static_cast<uint8_t>(patternIndex(x, y, colors)));
  }
  Rect16 all = rect(0, 0, height, width);
  std::vector<uint32_t> palette(kColors.begin(), kColors.begin() + colors);
  return PictWriter(2, all).indexed(pixelSize, width, height, indexes, palette, all, all, 0, nullptr, packedOpcode).finish();
}

std::string directPicture(int pixelSize, int packType, int width, int height, int components = 3) {
  Rect16 all = rect(0, 0, height, width);
  return PictWriter(2, all).direct(pixelSize, packType, patternImage(width, height), all, all, components).finish();
}

std::vector<FormCase> formCases() {
  auto indexed = [](int pixelSize) {
    return [pixelSize](int x, int y) { return kColors[static_cast<size_t>(patternIndex(x, y, std::min(8, 1 << pixelSize)))]; };
  };
  auto direct = [](int x, int y) { return kColors[static_cast<size_t>(patternIndex(x, y, 8))]; };
  auto direct16 = [](int x, int y) { return testing::as555(kColors[static_cast<size_t>(patternIndex(x, y, 8))]); };
  return {
      {"indexed 8-bit, packed rows", 21, 5, [](const Rect16&) { return indexedPicture(8, 21, 5, true); }, indexed(8)},
      {"indexed 8-bit, rows under 8 bytes stored plain", 6, 3, [](const Rect16&) { return indexedPicture(8, 6, 3, true); }, indexed(8)},
      {"indexed 8-bit, BitsRect (never packed)", 12, 4, [](const Rect16&) { return indexedPicture(8, 12, 4, false); }, indexed(8)},
      {"indexed 8-bit, rows over 250 bytes (16-bit counts)", 300, 3, [](const Rect16&) { return indexedPicture(8, 300, 3, true); }, indexed(8)},
      {"indexed 4-bit", 37, 4, [](const Rect16&) { return indexedPicture(4, 37, 4, true); }, indexed(4)},
      {"indexed 2-bit", 45, 3, [](const Rect16&) { return indexedPicture(2, 45, 3, true); }, indexed(2)},
      {"indexed 1-bit PixMap", 70, 3, [](const Rect16&) { return indexedPicture(1, 70, 3, true); }, indexed(1)},
      {"direct 16-bit, pack type 3", 13, 4, [](const Rect16&) { return directPicture(16, 3, 13, 4); }, direct16},
      {"direct 16-bit, pack type 1", 9, 3, [](const Rect16&) { return directPicture(16, 1, 9, 3); }, direct16},
      {"direct 32-bit, pack type 4, three planes", 11, 4, [](const Rect16&) { return directPicture(32, 4, 11, 4, 3); }, direct},
      {"direct 32-bit, pack type 4, four planes", 11, 4, [](const Rect16&) { return directPicture(32, 4, 11, 4, 4); }, direct},
      {"direct 32-bit, pack type 1", 7, 3, [](const Rect16&) { return directPicture(32, 1, 7, 3); }, direct},
      {"direct 32-bit, pack type 2", 7, 3, [](const Rect16&) { return directPicture(32, 2, 7, 3); }, direct},
      {"direct 32-bit, one pixel wide (plain)", 1, 3, [](const Rect16&) { return directPicture(32, 4, 1, 3); }, direct},
      {"version 1 BitMap", 19, 4,
       [](const Rect16& all) {
         std::vector<bool> bits;
         for (int y = 0; y < 4; ++y) {
           for (int x = 0; x < 19; ++x) bits.push_back(patternIndex(x, y, 2) == 1);
         }
         return PictWriter(1, all).bitmap(19, 4, bits, all, all).finish();
       },
       [](int x, int y) { return patternIndex(x, y, 2) == 1 ? 0x000000u : 0xFFFFFFu; }},
  };
}

TEST(QuickDrawPicture, DrawsEveryPixelFormExactlyAt32Bits) {
  for (const FormCase& c : formCases()) {
    SCOPED_TRACE(c.name);
    Rect16 all = rect(0, 0, c.height, c.width);
    std::string picture = c.picture(all);
    TestTarget target(32, c.width, c.height);
    ASSERT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), all, target.desc), QX_OK);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) ASSERT_EQ(target.rgb(x, y), c.expected(x, y)) << x << ", " << y;
    }
    EXPECT_EQ(target.raw(0, 0) >> 24, 0u) << "the fourth byte of a 32-bit pixel is 0";
  }
}

// The same pictures at 16 bits (always 5-5-5, even in a buffer described as 5-6-5) and at 8
// bits through a palette that holds their colours (grey 0x848484, the 5-5-5 form of 0x808080,
// among them).
TEST(QuickDrawPicture, DrawsAt16BitsAs555AndAt8BitsThroughThePalette) {
  for (const FormCase& c : formCases()) {
    SCOPED_TRACE(c.name);
    Rect16 all = rect(0, 0, c.height, c.width);
    std::string picture = c.picture(all);
    const auto* bytes = reinterpret_cast<const uint8_t*>(picture.data());
    TestTarget wide(16, c.width, c.height, {}, QX_LAYOUT_565);
    ASSERT_EQ(drawQuickDrawPicture(bytes, picture.size(), all, wide.desc), QX_OK);
    TestTarget indexed(8, c.width, c.height, testing::paletteOf(kColors));
    ASSERT_EQ(drawQuickDrawPicture(bytes, picture.size(), all, indexed.desc), QX_OK);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        uint32_t c555 = testing::as555(c.expected(x, y));
        uint16_t pixel = static_cast<uint16_t>((((c555 >> 19) & 31) << 10) | (((c555 >> 11) & 31) << 5) | ((c555 >> 3) & 31));
        ASSERT_EQ(wide.raw(x, y), pixel) << x << ", " << y;
        ASSERT_EQ(indexed.rgb(x, y), c.expected(x, y)) << x << ", " << y;
      }
    }
  }
  // Indexes are the palette entries of the exact colours.
  std::string picture = indexedPicture(8, 16, 2, true);
  TestTarget indexed(8, 16, 2, testing::paletteOf(kColors));
  drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), rect(0, 0, 2, 16), indexed.desc);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(indexed.raw(x, 1), static_cast<uint32_t>(patternIndex(x, 1, 8)));
}

// The picture frame maps onto the destination frame: doubled, halved, moved.
TEST(QuickDrawPicture, ScalesFromThePictureFrameToTheDestinationFrame) {
  std::string picture = directPicture(32, 4, 4, 4);
  const auto* bytes = reinterpret_cast<const uint8_t*>(picture.data());
  struct Case {
    const char* name;
    Rect16 destination;
    int targetSize;
  } cases[] = {{"doubled", rect(0, 0, 8, 8), 8}, {"halved", rect(0, 0, 2, 2), 2},
               {"moved and cut by the target", rect(3, 5, 7, 9), 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTarget target(32, c.targetSize, c.targetSize);
    target.fill(0x123456);
    ASSERT_EQ(drawQuickDrawPicture(bytes, picture.size(), c.destination, target.desc), QX_OK);
    int dw = c.destination.right - c.destination.left, dh = c.destination.bottom - c.destination.top;
    for (int y = 0; y < c.targetSize; ++y) {
      for (int x = 0; x < c.targetSize; ++x) {
        bool inside = x >= c.destination.left && x < c.destination.right && y >= c.destination.top && y < c.destination.bottom;
        uint32_t expected = inside ? kColors[static_cast<size_t>(patternIndex((x - c.destination.left) * 4 / dw,
                                                                              (y - c.destination.top) * 4 / dh, 8))]
                                   : 0x123456u;
        ASSERT_EQ(target.rgb(x, y), expected) << x << ", " << y;
      }
    }
  }
}

// A bitmap's source rectangle is scaled onto its destination rectangle inside the frame.
TEST(QuickDrawPicture, DrawsTheSourceRectangleIntoTheDestinationRectangle) {
  Rect16 frame = rect(0, 0, 10, 10);
  PictImage image = patternImage(6, 6);
  std::string picture = PictWriter(2, frame).direct(32, 4, image, rect(2, 2, 4, 4), rect(5, 1, 9, 5)).finish();
  TestTarget target(32, 10, 10);
  target.fill(0x123456);
  ASSERT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), frame, target.desc), QX_OK);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      bool inside = y >= 5 && y < 9 && x >= 1 && x < 5;
      uint32_t expected = inside ? image.at(2 + (x - 1) / 2, 2 + (y - 5) / 2) : 0x123456u;
      ASSERT_EQ(target.rgb(x, y), expected) << x << ", " << y;
    }
  }
}

// What the clip region or a bitmap's mask region leaves out keeps what the target held.
TEST(QuickDrawPicture, ClipAndMaskRegionsLimitTheDrawing) {
  Rect16 frame = rect(0, 0, 6, 6);
  PictImage image = patternImage(6, 6);
  // An L: rows 1-2 columns 1-5, rows 3-4 columns 1-2.
  std::string shape = testing::pictRegion(rect(1, 1, 5, 5), {{1, 1, 5}, {3, 2, 5}, {5, 1, 2}});
  auto insideShape = [](int x, int y) { return (y >= 1 && y < 3 && x >= 1 && x < 5) || (y >= 3 && y < 5 && x >= 1 && x < 2); };
  struct Case {
    const char* name;
    std::string picture;
    std::function<bool(int, int)> inside;
  } cases[] = {
      {"rectangular clip", PictWriter(2, frame).clip(testing::pictRegion(rect(2, 1, 4, 5))).direct(32, 4, image, frame, frame).finish(),
       [](int x, int y) { return y >= 2 && y < 4 && x >= 1 && x < 5; }},
      {"clip of scan lines", PictWriter(2, frame).clip(shape).direct(32, 4, image, frame, frame).finish(), insideShape},
      {"mask region", PictWriter(2, frame).direct(32, 4, image, frame, frame, 3, 0, &shape).finish(), insideShape},
      {"indexed mask region",
       PictWriter(1, frame).indexed(8, 6, 6, std::vector<uint8_t>(36, 2), kColors, frame, frame, 0, &shape).finish(), insideShape},
      {"clip and mask together",
       PictWriter(2, frame).clip(testing::pictRegion(rect(0, 0, 2, 6))).direct(32, 4, image, frame, frame, 3, 0, &shape).finish(),
       [](int x, int y) { return y == 1 && x >= 1 && x < 5; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTarget target(32, 6, 6);
    target.fill(0x123456);
    ASSERT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(c.picture.data()), c.picture.size(), frame, target.desc), QX_OK);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        uint32_t drawn = c.name == std::string("indexed mask region") ? kColors[2] : image.at(x, y);
        ASSERT_EQ(target.rgb(x, y), c.inside(x, y) ? drawn : 0x123456u) << x << ", " << y;
      }
    }
  }
}

TEST(QuickDrawPicture, TransferModesThatLeaveTheBackgroundOut) {
  Rect16 frame = rect(0, 0, 1, 4);
  std::vector<bool> bits = {true, false, true, false};
  struct Case {
    const char* name;
    std::string picture;
    std::vector<uint32_t> expected;
  } cases[] = {
      {"copy", PictWriter(1, frame).bitmap(4, 1, bits, frame, frame, 0).finish(), {0, 0xFFFFFF, 0, 0xFFFFFF}},
      {"or: only set bits", PictWriter(1, frame).bitmap(4, 1, bits, frame, frame, 1).finish(), {0, 0x123456, 0, 0x123456}},
      {"not copy", PictWriter(1, frame).bitmap(4, 1, bits, frame, frame, 4).finish(), {0xFFFFFF, 0, 0xFFFFFF, 0}},
      {"coloured bitmap", PictWriter(2, frame).op(0x1A, testing::pictBe16(0xFFFF) + testing::pictBe16(0) + testing::pictBe16(0))
                              .op(0x1B, testing::pictBe16(0) + testing::pictBe16(0) + testing::pictBe16(0xFFFF))
                              .bitmap(4, 1, bits, frame, frame).finish(), {0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF}},
      {"transparent: the background colour is left out",
       PictWriter(2, frame).indexed(8, 4, 1, {3, 0, 3, 1}, kColors, frame, frame, 36 | 64).finish(),
       {0x123456, 0xFF0000, 0x123456, 0x00FF00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTarget target(32, 4, 1);
    target.fill(0x123456);
    ASSERT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(c.picture.data()), c.picture.size(), frame, target.desc), QX_OK);
    EXPECT_EQ(target.image(), c.expected);
  }
}

// Opcodes that do not draw are stepped over by their lengths, in both versions.
TEST(QuickDrawPicture, SkipsEveryOtherOpcodeByItsLength) {
  using testing::pictBe16;
  using testing::pictBe32;
  Rect16 frame = rect(0, 0, 3, 4);
  PictImage image = patternImage(4, 3);
  std::string text = "Hello";
  std::string counted = std::string(1, static_cast<char>(text.size())) + text;
  std::string pixPatMap = pictBe16(0x8000 | 8) + testing::pictRect(rect(0, 0, 8, 8)) + std::string(36, '\0');
  pixPatMap.replace(28, 2, pictBe16(8));  // pixel size 8
  std::string pixPat = pictBe16(1) + std::string(8, '\0') + pixPatMap + pictBe32(0) + pictBe16(0) + pictBe16(0) +
                       pictBe16(0) + pictBe16(0xFFFF) + pictBe16(0) + pictBe16(0);
  for (int row = 0; row < 8; ++row) pixPat += std::string("\x02\xF9\x00", 3);
  PictWriter v2(2, frame);
  v2.op(0x0000)
      .op(0x0002, std::string(8, '\x55'))
      .op(0x0003, pictBe16(3))
      .op(0x0004, "\x01")
      .op(0x000C, pictBe32(0))
      .op(0x0012, pixPat)
      .op(0x0013, pictBe16(2) + std::string(8, '\0') + std::string(6, '\x7F'))
      .op(0x001E)
      .op(0x0022, std::string(6, '\0'))
      .op(0x0028, std::string(4, '\0') + counted)
      .op(0x0029, "\x05" + counted)
      .op(0x002B, "\x05\x05" + counted)
      .op(0x002C, pictBe16(8) + pictBe16(3) + counted)
      .op(0x0031, testing::pictRect(frame))
      .op(0x0038)
      .op(0x0060, std::string(12, '\0'))
      .op(0x0070, pictBe16(18) + testing::pictRect(frame) + pictBe32(0) + pictBe32(0))
      .op(0x0081, testing::pictRegion(frame))
      .op(0x00A0, pictBe16(100))
      .op(0x00A1, pictBe16(100) + pictBe16(3) + "abc")
      .op(0x00A5, pictBe16(2) + "xy")
      .op(0x00B7)
      .op(0x00D3, pictBe32(3) + "xyz")
      .op(0x0200, pictBe32(0))
      .op(0x8011)
      .op(0x8201, pictBe32(5) + "12345")
      .direct(32, 4, image, frame, frame);
  PictWriter v1(1, frame);
  v1.op(0x00).op(0x0D, pictBe16(12)).op(0x0E, pictBe32(205)).op(0x2A, "\x05" + counted).op(0x30, testing::pictRect(frame))
      .op(0xA1, pictBe16(1) + pictBe16(1) + "z").op(0x11, "\x01");
  std::vector<bool> bits(12, true);
  v1.bitmap(4, 3, bits, frame, frame);
  struct Case {
    const char* name;
    std::string picture;
    std::function<uint32_t(int, int)> expected;
  } cases[] = {{"version 2", v2.finish(), [&](int x, int y) { return image.at(x, y); }},
               {"version 1 (the old foreground colour red colours the bitmap)", v1.finish(),
                [](int, int) { return 0xFF0000u; }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTarget target(32, 4, 3);
    ASSERT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(c.picture.data()), c.picture.size(), frame, target.desc), QX_OK);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) ASSERT_EQ(target.rgb(x, y), c.expected(x, y)) << x << ", " << y;
    }
  }
}

// Damaged pictures report QX_ERR_PICTURE_DATA after drawing what came before the damage, and
// never read or write outside their buffers (the address sanitizer watches).
TEST(QuickDrawPicture, DamagedPicturesFailCleanly) {
  Rect16 frame = rect(0, 0, 4, 8);
  std::string good = PictWriter(2, frame)
                         .clip(testing::pictRegion(rect(0, 0, 4, 8), {{0, 0, 8}, {4, 0, 8}}))
                         .indexed(8, 8, 4, std::vector<uint8_t>(32, 1), kColors, frame, frame)
                         .direct(16, 3, patternImage(8, 4), frame, frame)
                         .finish();
  TestTarget target(32, 8, 4);
  for (size_t length = 0; length < good.size(); ++length) {
    SCOPED_TRACE(length);
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
    ASSERT_EQ(drawQuickDrawPicture(cut.data(), cut.size(), frame, target.desc), QX_ERR_PICTURE_DATA);
  }

  using testing::pictBe16;
  auto header = [&](int version) { return PictWriter(version, frame); };
  struct Case {
    const char* name;
    std::string picture;
    int32_t status;
  } cases[] = {
      {"no version opcode", pictBe16(20) + testing::pictRect(frame) + "\x00\xFF", QX_ERR_PICTURE_DATA},
      {"empty picture frame", PictWriter(2, rect(5, 5, 5, 9)).finish(), QX_ERR_PICTURE_DATA},
      {"region smaller than its box", header(2).clip(pictBe16(4) + "\0\0").finish(), QX_ERR_PICTURE_DATA},
      {"region longer than the picture", header(2).clip(pictBe16(60000) + testing::pictRect(frame)).finish(), QX_ERR_PICTURE_DATA},
      {"region lines out of order", header(2).clip(testing::pictRegion(frame, {{3, 0, 8}, {1, 0, 8}})).finish(), QX_ERR_PICTURE_DATA},
      {"text running past the end", header(2).op(0x28, std::string(4, '\0') + "\xFF" "abc").finish(), QX_ERR_PICTURE_DATA},
      {"comment running past the end", header(2).op(0xA1, pictBe16(1) + pictBe16(5000)).finish(), QX_ERR_PICTURE_DATA},
      {"long data running past the end", header(2).op(0x8200, testing::pictBe32(0xFFFFFFF0)).finish(), QX_ERR_PICTURE_DATA},
      {"3-bit pixels", header(2).op(0x98, pictBe16(0x8008) + testing::pictRect(frame) + std::string(18, '\0') + pictBe16(3) + std::string(14, '\0')).finish(), QX_ERR_PICTURE_DATA},
      {"a bitmap of 30000 rows and no data",
       header(2).op(0x90, pictBe16(2) + testing::pictRect(rect(0, 0, 30000, 8)) + testing::pictRect(frame) + testing::pictRect(frame) + pictBe16(0)).finish(),
       QX_ERR_PICTURE_DATA},
      // A run of 128 and a literal of 58 in rows of 8 pixels are cut at the row's end.
      {"PackBits runs longer than the row",
       header(2).op(0x98, pictBe16(0x8008) + testing::pictRect(rect(0, 0, 2, 8)) + std::string(4, '\0') + std::string(12, '\0') +
                              pictBe16(0) + pictBe16(8) + pictBe16(1) + pictBe16(8) + std::string(12, '\0') +
                              testing::pictBe32(0) + pictBe16(0) + pictBe16(0) + pictBe16(0) + std::string(6, '\xFF') +
                              testing::pictRect(rect(0, 0, 2, 8)) + testing::pictRect(rect(0, 0, 2, 8)) + pictBe16(0) +
                              std::string("\x02\x81\x00" "\x02\x39\x00", 6))
           .finish(),
       QX_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(c.picture.data()), c.picture.size(), frame, target.desc), c.status);
  }
  EXPECT_EQ(drawQuickDrawPicture(nullptr, 10, frame, target.desc), QX_ERR_PICTURE_DATA);
}

// A buffer nothing can be drawn into still has the picture read through.
TEST(QuickDrawPicture, UnusableTargetsDrawNothing) {
  Rect16 frame = rect(0, 0, 2, 2);
  std::string picture = directPicture(32, 1, 2, 2);
  TestTarget noColors(8, 2, 2);
  TestTarget deep(32, 2, 2);
  deep.desc.bitsPerPixel = 24;
  for (TestTarget* target : {&noColors, &deep}) {
    EXPECT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), frame, target->desc), QX_OK);
    EXPECT_EQ(target->raw(1, 1), 0u);
  }
  TestTarget target(32, 2, 2);
  EXPECT_EQ(drawQuickDrawPicture(reinterpret_cast<const uint8_t*>(picture.data()), picture.size(), rect(0, 0, 0, 0), target.desc), QX_OK);
  EXPECT_EQ(target.raw(0, 0), 0u);
}

TEST(PackBits, UnpacksRunsAndLiteralsWithinTheRow) {
  struct Case {
    const char* name;
    std::string packed;
    size_t rowSize;
    size_t unit;
    std::string row;
  } cases[] = {
      {"literal and run", std::string("\x02" "abc" "\xFE" "z", 6), 6, 1, "abczzz"},
      {"128 is skipped", std::string("\x80\x00" "q", 3), 1, 1, "q"},
      {"a run past the row is cut", std::string("\x81" "r", 2), 4, 1, "rrrr"},
      {"a literal past the row is cut", std::string("\x05" "abcdef", 7), 3, 1, "abc"},
      {"data that ends inside a literal", std::string("\x05" "ab", 3), 6, 1, std::string("ab\0\0\0\0", 6)},
      {"a run without its unit", std::string("\xFE", 1), 2, 1, std::string("\0\0", 2)},
      {"16-bit units", std::string("\x00" "AB" "\xFF" "CD", 6), 6, 2, "ABCDCD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string row(c.rowSize, '\0');
    size_t written = quickdraw::unpackBits(reinterpret_cast<const uint8_t*>(c.packed.data()), c.packed.size(),
                                           reinterpret_cast<uint8_t*>(row.data()), row.size(), c.unit);
    EXPECT_EQ(row, c.row);
    EXPECT_LE(written, c.rowSize);
  }
}

}  // namespace
}  // namespace quorix::platform
