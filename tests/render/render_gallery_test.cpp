// Pictures of what the drawing code produces, for looking at: set QUORIX_PNG_DIR to a folder
// and run these tests to get one PNG per scene. Without it the scenes are drawn and checked
// only for not being blank.
#include <gtest/gtest.h>

#include <cmath>

#include "common/byte_order.h"
#include "common/random.h"
#include "render/copy_blit.h"
#include "render/draw_line.h"
#include "render/fill.h"
#include "render/line_clipping.h"
#include "render/quad_painter.h"
#include "render/rotating_picture.h"
#include "render/sprinkle.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::savePng;
using testing::TestBuffer;
using testing::TestFrame;

// A colourful 32-bit or 16-bit test picture: hue across, brightness down, a dark frame and a
// white cross (the 16-bit key colour is white too).
std::unique_ptr<TestBuffer> gradientPicture(const FrameBuffer& frame, int width, int height) {
  auto picture = std::make_unique<TestBuffer>(frame.depth, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double hue = 6.0 * x / width;
      double light = 1.0 - 0.7 * y / height;
      auto channel = [&](double offset) {
        double d = std::fabs(std::fmod(hue + offset, 6.0) - 3.0) - 1.0;
        return static_cast<uint16_t>(std::clamp(d, 0.0, 1.0) * light * 0xFFFF);
      };
      RgbColor color{channel(0), channel(4), channel(2)};
      if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2) color = RgbColor{0x2000, 0x2000, 0x2000};
      if (x == width / 2 || y == height / 2) color = RgbColor{0xFFFF, 0xFFFF, 0xFFFF};
      picture->set(x, y, colorToPixel(frame, color));
    }
  }
  return picture;
}

uint64_t frameHash(const BufferDesc& frame) {
  uint64_t hash = testing::hashBytes(nullptr, 0);
  for (int y = 0; y < frame.bounds.bottom; ++y) {
    hash = testing::hashBytes(pixelAddress(frame, 0, y), frame.bounds.right * frame.bitsPerPixel / 8, hash);
  }
  return hash;
}

void expectNotBlank(const BufferDesc& frame, uint64_t blank) { EXPECT_NE(frameHash(frame), blank); }

TEST(RenderGallery, Lines) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 240, 180);
  fillBuffer(frame.desc(), 0x00101820);
  uint64_t blank = frameHash(frame.desc());
  const ClipWindow window{30, 40, 149, 199};
  fillRect(Rect16{29, 39, 151, 201}, 0x00404040, frame.desc());
  fillRect(Rect16{30, 40, 150, 200}, 0x00101820, frame.desc());
  for (int i = 0; i < 72; ++i) {
    double angle = i * 3.14159265 / 36;
    int32_t x1 = 120, y1 = 90;
    int32_t x2 = 120 + static_cast<int32_t>(150 * std::cos(angle));
    int32_t y2 = 90 + static_cast<int32_t>(150 * std::sin(angle));
    uint32_t color = colorToPixel(frame.frame, rgb8(static_cast<uint8_t>(128 + 127 * std::cos(angle)),
                                                    static_cast<uint8_t>(128 + 127 * std::sin(angle)), 220));
    if (clipSegment(window, x1, y1, x2, y2) != kSegmentRejected) drawLine(x1, y1, x2, y2, color, frame.desc());
  }
  // Segments from outside to outside across the window.
  for (int i = 0; i < 12; ++i) {
    int32_t x1 = -20 + i * 25, y1 = -10, x2 = 260 - i * 25, y2 = 200;
    if (clipSegment(window, x1, y1, x2, y2) != kSegmentRejected) drawLine(x1, y1, x2, y2, 0x00FFFFFF, frame.desc());
  }
  expectNotBlank(frame.desc(), blank);
  savePng(frame.desc(), "lines");
}

TEST(RenderGallery, SprinkleStyles) {
  for (int16_t style = 0; style <= 4; ++style) {
    TestFrame frame(16, QX_LAYOUT_565, 200, 150);
    fillBuffer(frame.desc(), 0);
    uint64_t blank = frameHash(frame.desc());
    auto picture = gradientPicture(frame.frame, 100, 75);
    uint8_t settings[16] = {};
    const int16_t words[8] = {0, 0, static_cast<int16_t>(style == 4 ? 7 : 12), 75, 100, 0, 0, style};
    for (int i = 0; i < 8; ++i) storeBE16(settings + 2 * i, static_cast<uint16_t>(words[i]));
    Sprinkle* s = makeSprinkle(settings, picture->desc(), Rect16{0, 0, 150, 200}, 0);
    seedRandom(1);
    for (int pass = 0; pass < 8; ++pass) drawSprinkle(*s, frame.desc());
    releaseSprinkle(s);
    expectNotBlank(frame.desc(), blank);
    savePng(frame.desc(), "sprinkle-style-" + std::to_string(style));
  }
}

TEST(RenderGallery, RotatedQuads) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 320, 240);
  fillBuffer(frame.desc(), 0x00203040);
  uint64_t blank = frameHash(frame.desc());
  auto picture = gradientPicture(frame.frame, 96, 64);
  const int angles[] = {0, 30, 75, 135, 200, 290};
  for (int i = 0; i < 6; ++i) {
    uint8_t settings[16] = {};
    storeBE32(settings + 4, static_cast<uint32_t>(angles[i]));
    storeBE32(settings + 12, 1);
    int cx = 60 + (i % 3) * 100, cy = 60 + (i / 3) * 120;
    QuadPainter* painter = makeRotatingPicture(
        picture->desc(), Rect16{static_cast<int16_t>(cy - 1), static_cast<int16_t>(cx - 1),
                                static_cast<int16_t>(cy + 1), static_cast<int16_t>(cx + 1)},
        settings, 0);
    stepRotatingPicture(*painter, 0, 0, frame.desc());
    releaseQuadPainter(painter);
  }
  // One partly off the frame at every edge.
  uint8_t settings[16] = {};
  storeBE32(settings + 4, 20);
  storeBE32(settings + 12, 1);
  for (auto [x, y] : {std::pair{0, 120}, std::pair{320, 120}, std::pair{160, 0}, std::pair{160, 240}}) {
    QuadPainter* painter = makeRotatingPicture(
        picture->desc(), Rect16{static_cast<int16_t>(y), static_cast<int16_t>(x),
                                static_cast<int16_t>(y), static_cast<int16_t>(x)}, settings, 0);
    stepRotatingPicture(*painter, 0, 0, frame.desc());
    releaseQuadPainter(painter);
  }
  expectNotBlank(frame.desc(), blank);
  savePng(frame.desc(), "rotated-quads");
}

// Every mode over a striped background, at 16 and 32 bits: copy, key, mix-dest, mix-work,
// fade at three levels, mask; left half same size, right half scaled.
TEST(RenderGallery, Blends) {
  for (uint32_t depth : {16u, 32u}) {
    TestFrame frame(depth, depth == 16 ? QX_LAYOUT_555 : QX_LAYOUT_32BIT, 400, 320);
    for (int y = 0; y < 320; ++y) {
      uint32_t stripe = colorToPixel(frame.frame, (y / 8) % 2 ? rgb8(30, 60, 200) : rgb8(230, 230, 60));
      fillRect(Rect16{static_cast<int16_t>(y), 0, static_cast<int16_t>(y + 1), 400}, stripe, frame.desc());
    }
    Rect16 whole = frame.desc().bounds, copyRect = whole;
    BufferDesc desc = frame.desc(), work = frame.work();
    CopyBlit(&desc, &work, &whole, &copyRect, QX_BLIT_COPY);
    uint64_t blank = frameHash(frame.desc());
    // The mask: a radial opacity.
    const BufferDesc& mask = frame.frame.alphaMask;
    for (int y = 0; y < mask.bounds.bottom; ++y) {
      for (int x = 0; x < mask.bounds.right; ++x) {
        double d = std::hypot(x - mask.bounds.right / 2.0, y - mask.bounds.bottom / 2.0) / (mask.bounds.right / 2.0);
        *pixelAddress(mask, x, y) = static_cast<uint8_t>(127 * std::clamp(1.0 - d, 0.0, 1.0));
      }
    }
    auto picture = gradientPicture(frame.frame, 80, 36);
    struct Row {
      uint32_t mode;
      int level;
    } rows[] = {{1, 0}, {2, 0}, {3, 64}, {4, 64}, {5, 20}, {5, 64}, {5, 110}, {6, 100}};
    for (int i = 0; i < 8; ++i) {
      setBlendLevel(frame.frame, rows[i].level);
      int16_t top = static_cast<int16_t>(4 + i * 39);
      Rect16 sourceRect{0, 0, 36, 80}, same{top, 10, static_cast<int16_t>(top + 36), 90};
      CopyBlit(&picture->desc(), &desc, &sourceRect, &same, rows[i].mode);
      Rect16 scaled{top, 120, static_cast<int16_t>(top + 36), 390};
      CopyBlit(&picture->desc(), &desc, &sourceRect, &scaled, rows[i].mode);
    }
    expectNotBlank(frame.desc(), blank);
    savePng(frame.desc(), "blends-" + std::to_string(depth));
  }
}

TEST(RenderGallery, EightBitPaletteAndScaling) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 256, 128);
  TestBuffer indexes(8, 16, 16);
  for (int i = 0; i < 256; ++i) indexes.set(i % 16, i / 16, static_cast<uint32_t>(i));
  Rect16 sourceRect{0, 0, 16, 16}, big{0, 0, 128, 128}, quadrupled{0, 128, 64, 192},
      odd{64, 128, 128, 256};
  BufferDesc desc = frame.desc();
  fillBuffer(desc, 0);
  uint64_t blank = frameHash(desc);
  CopyBlit(&indexes.desc(), &desc, &sourceRect, &big, QX_BLIT_COPY);
  CopyBlit(&indexes.desc(), &desc, &sourceRect, &quadrupled, QX_BLIT_COPY);
  CopyBlit(&indexes.desc(), &desc, &sourceRect, &odd, QX_BLIT_COPY);
  expectNotBlank(desc, blank);
  savePng(desc, "palette-8bit", frame.frame.colorEntries);
}

TEST(PngWriter, WritesWellFormedChunks) {
  std::vector<uint8_t> png = quorix::testing::encodePng(2, 1, {255, 0, 0, 0, 0, 255});
  ASSERT_GE(png.size(), 8u + 25u + 12u);
  EXPECT_EQ(png[1], 'P');
  // The IEND chunk and its well-known CRC end every PNG.
  const uint8_t kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_TRUE(std::equal(std::begin(kEnd), std::end(kEnd), png.end() - 12));
}

}  // namespace
}  // namespace quorix::render
