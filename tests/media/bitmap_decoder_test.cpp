// The built-in bitmap decoder on valid and hostile files: bounds, statuses, and never a read
// or write outside a buffer (the sanitizers watch every case).
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "common/memory.h"
#include "common/rect.h"
#include "media/bitmap_decoder.h"
#include "media/picture_importer.h"
#include "plugin_sdk/status_codes.h"
#include "render/offscreen_port.h"
#include "tests/media/media_fixture.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/temp_folder.h"

namespace quorix::media {
namespace {

using testing::BmpSpec;
using testing::bmpPut16;
using testing::bmpPut32;
using testing::writeBmp;
using testing::kBmpPixelOffsetField;
using testing::kBmpWidthField;
using testing::kBmpHeightField;
using testing::kBmpBitCountField;
using testing::kBmpCompressionField;
using testing::kBmpColorsUsedField;

std::string validBmp(int height = 3, int bitCount = 24) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = height;
  spec.bitCount = bitCount;
  if (bitCount == 8) spec.palette = {0xFF0000, 0x00FF00};
  spec.pixel = [](int x, int y) { return static_cast<uint32_t>((x + y) % 2); };
  return writeBmp(spec);
}

struct Hostile {
  const char* name;
  std::function<std::string()> bytes;
  bool valid;      // readBitmapInfo accepts it
  int32_t status;  // what drawing it answers
};

std::string with32(std::string s, size_t at, uint32_t v) {
  bmpPut32(s, at, v);
  return s;
}
std::string with16(std::string s, size_t at, uint16_t v) {
  bmpPut16(s, at, v);
  return s;
}

TEST(BitmapDecoder, HostileFilesGetAClearStatus) {
  const Hostile cases[] = {
      {"valid bottom-up", [] { return validBmp(); }, true, QX_OK},
      {"valid top-down", [] { return validBmp(-3); }, true, QX_OK},
      {"valid 8-bit", [] { return validBmp(3, 8); }, true, QX_OK},
      {"empty", [] { return std::string(); }, false, QX_ERR_PICTURE_DATA},
      {"not BM", [] { std::string s = validBmp(); s[1] = 'A'; return s; }, false, QX_ERR_PICTURE_DATA},
      {"cut inside the header", [] { return validBmp().substr(0, 30); }, false, QX_ERR_PICTURE_DATA},
      {"rows cut short", [] { std::string s = validBmp(); return s.substr(0, s.size() - 1); }, true, QX_ERR_PICTURE_DATA},
      {"offset past the end", [] { return with32(validBmp(), kBmpPixelOffsetField, 5000); }, true, QX_ERR_PICTURE_DATA},
      {"offset above the limit", [] { return with32(validBmp(), kBmpPixelOffsetField, 0xA00001); }, false, QX_ERR_PICTURE_DATA},
      {"offset near 4 GiB", [] { return with32(validBmp(), kBmpPixelOffsetField, 0xFFFFFFF0); }, false, QX_ERR_PICTURE_DATA},
      {"zero width", [] { return with32(validBmp(), kBmpWidthField, 0); }, false, QX_ERR_PICTURE_DATA},
      {"negative width", [] { return with32(validBmp(), kBmpWidthField, static_cast<uint32_t>(-4)); }, false, QX_ERR_PICTURE_DATA},
      {"huge width", [] { return with32(validBmp(), kBmpWidthField, 0x7FFFFFFF); }, false, QX_ERR_PICTURE_DATA},
      {"width 16385", [] { return with32(validBmp(), kBmpWidthField, 16385); }, false, QX_ERR_PICTURE_DATA},
      {"height INT_MIN", [] { return with32(validBmp(), kBmpHeightField, 0x80000000u); }, false, QX_ERR_PICTURE_DATA},
      {"height 40000", [] { return with32(validBmp(), kBmpHeightField, 40000); }, false, QX_ERR_PICTURE_DATA},
      {"claims more rows than it has", [] { return with32(validBmp(), kBmpHeightField, 16384); }, true, QX_ERR_PICTURE_DATA},
      {"RLE8", [] { return with32(validBmp(3, 8), kBmpCompressionField, 1); }, true, QX_ERR_BITMAP_COMPRESSION},
      {"4 bits", [] { return with16(validBmp(), kBmpBitCountField, 4); }, true, QX_ERR_BITMAP_DEPTH},
      {"16 bits", [] { return with16(validBmp(), kBmpBitCountField, 16); }, true, QX_ERR_BITMAP_DEPTH},
      {"0 bits", [] { return with16(validBmp(), kBmpBitCountField, 0); }, true, QX_ERR_BITMAP_DEPTH},
      {"palette of 100000 colours", [] { return with32(validBmp(3, 8), kBmpColorsUsedField, 100000); }, true, QX_OK},
      {"unknown header size", [] { return with32(validBmp(), 14, 20); }, false, QX_ERR_PICTURE_DATA},
  };
  for (const Hostile& c : cases) {
    const std::string bytes = c.bytes();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(readBitmapInfo(data, bytes.size()).has_value(), c.valid) << c.name;
    for (uint32_t depth : {8u, 16u, 32u}) {
      render::OffscreenPort* port = nullptr;
      render::newOffscreenPort(&port, depth, Rect16{0, 0, 3, 4}, nullptr, 0);
      ASSERT_NE(port, nullptr);
      EXPECT_EQ(drawBitmap(data, bytes.size(), Rect16{0, 0, 3, 4}, port), c.status) << c.name << " at " << depth;
      render::disposeOffscreenPort(port);
    }
  }
}

TEST(BitmapDecoder, BoundsTakeTheAbsoluteHeightOfTopDownBitmaps) {
  std::unique_ptr<PictureImporter> importer = makeBitmapImporter();
  ASSERT_NE(importer, nullptr);
  EXPECT_EQ(importer->format(), kBitmapFormat);
  struct Case {
    std::string bytes;
    bool known;
    Rect16 bounds;
  };
  const Case cases[] = {
      {validBmp(3), true, Rect16{0, 0, 3, 4}},
      {validBmp(-3), true, Rect16{0, 0, 3, 4}},
      {with32(validBmp(), kBmpWidthField, static_cast<uint32_t>(-4)), false, Rect16{}},
  };
  for (const Case& c : cases) {
    MemHandle data = newHandleCopy(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    Rect16 bounds{1, 1, 1, 1};
    EXPECT_EQ(importer->getBounds(data, &bounds), c.known);
    EXPECT_EQ(rectText(bounds), rectText(c.bounds));
    disposeHandle(data);
  }
  EXPECT_EQ(importer->acceptsType(0x424D5020), 0u);
}

TEST(BitmapDecoder, LoadsWholeFilesOfOneByteUpTo100MB) {
  testing::TempFolder temp;
  std::unique_ptr<PictureImporter> importer = makeBitmapImporter();
  EXPECT_EQ(importer->loadFile(temp.write("empty.bmp", "")), nullptr);
  EXPECT_EQ(importer->loadFile(temp / "missing.bmp"), nullptr);
  MemHandle one = importer->loadFile(temp.write("one.bmp", "B"));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->size, 1u);
  disposeHandle(one);
}

}  // namespace
}  // namespace quorix::media
