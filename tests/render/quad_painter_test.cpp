#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <map>
#include <memory>

#include "common/byte_order.h"
#include "common/memory.h"
#include "render/quad_painter.h"
#include "render/rotating_picture.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::TestBuffer;
using testing::TestFrame;

// A picture whose pixel (u, v) is 1 + u + 16 v (never 0, so drawn pixels show).
std::unique_ptr<TestBuffer> numberedPicture(uint32_t depth, int width, int height) {
  auto picture = std::make_unique<TestBuffer>(depth, width, height);
  for (int v = 0; v < height; ++v) {
    for (int u = 0; u < width; ++u) picture->set(u, v, 1 + u + 16 * v);
  }
  return picture;
}

QuadPainter* painterOver(const TestBuffer& picture) {
  return makeQuadPainter(picture.desc().rowBytes, picture.height(), picture.desc().baseAddr, 0);
}

// Pixels of the frame that are not 0, as (x, y) -> value.
std::map<std::pair<int, int>, uint32_t> drawnPixels(const BufferDesc& frame) {
  std::map<std::pair<int, int>, uint32_t> drawn;
  for (int y = 0; y < frame.bounds.bottom; ++y) {
    for (int x = 0; x < frame.bounds.right; ++x) {
      const uint8_t* p = pixelAddress(frame, x, y);
      uint32_t value = frame.bitsPerPixel == 8    ? *p
                       : frame.bitsPerPixel == 16 ? loadPixel<uint16_t>(p)
                                                  : loadPixel<uint32_t>(p);
      if (value != 0) drawn[{x, y}] = value;
    }
  }
  return drawn;
}

TEST(QuadPainter, PlainPainterDefaults) {
  TestFrame frame(16, QX_LAYOUT_555, 8, 8);
  TestBuffer picture(16, 10, 4, false, 4);
  QuadPainter* painter = makeQuadPainter(picture.desc().rowBytes, 4, picture.desc().baseAddr, 321);
  ASSERT_NE(painter, nullptr);
  EXPECT_EQ(painter->rowLength, 12);  // 24 row bytes at two bytes a pixel
  EXPECT_EQ(painter->height, 4);
  EXPECT_EQ(painter->angle, 0.0f);
  EXPECT_EQ(painter->cosine, 1.0f);
  EXPECT_EQ(painter->sine, 0.0f);
  EXPECT_EQ(painter->zoom, 1.0f);
  EXPECT_FLOAT_EQ(painter->angleStep, 0.1f);
  EXPECT_EQ(painter->mode, kRotateConstant);
  EXPECT_EQ(painter->updateKind, 1);
  EXPECT_EQ(painter->interval, 0);
  EXPECT_EQ(painter->nextStepTime, 321);
  ASSERT_NE(painter->rowOffsets, nullptr);
  EXPECT_EQ(painter->rowOffsets[3], 72);
  rotateBy(*painter, 0.5f);
  rotateBy(*painter, 0.25f);
  EXPECT_FLOAT_EQ(painter->angle, 0.75f);
  EXPECT_FLOAT_EQ(painter->cosine, std::cos(0.75f));
  EXPECT_FLOAT_EQ(painter->sine, std::sin(0.75f));
  releaseQuadPainter(painter);
  releaseQuadPainter(nullptr);
}

TEST(QuadPainter, AxisAlignedQuadMapsThePictureOneToOne) {
  for (uint32_t depth : {8u, 16u, 32u}) {
    for (bool reversed : {false, true}) {
      TestFrame frame(depth, depth == 16 ? QX_LAYOUT_555 : QX_LAYOUT_8BIT, 30, 20);
      fillBuffer(frame.desc(), 0);
      auto picture = numberedPicture(depth, 10, 10);
      QuadPainter* painter = painterOver(*picture);
      QuadVertex quad[4] = {{10, 5, 0, 0}, {19, 5, 9, 0}, {19, 14, 9, 9}, {10, 14, 0, 9}};
      if (reversed) std::swap(quad[1], quad[3]);
      drawQuad(*painter, quad, frame.desc());
      releaseQuadPainter(painter);
      auto drawn = drawnPixels(frame.desc());
      ASSERT_EQ(drawn.size(), 81u) << depth;
      for (int r = 0; r < 9; ++r) {
        for (int i = 0; i < 9; ++i) {
          EXPECT_EQ((drawn[{10 + i, 5 + r}]), static_cast<uint32_t>(1 + i + 16 * r))
              << depth << " reversed " << reversed;
        }
      }
    }
  }
}

TEST(QuadPainter, ClippedAtTheFrameEdges) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 20, 12);
  auto picture = numberedPicture(8, 10, 10);
  QuadPainter* painter = painterOver(*picture);
  auto quadAt = [](int x, int y) {
    return std::array<QuadVertex, 4>{QuadVertex{x, y, 0, 0}, QuadVertex{x + 9, y, 9, 0},
                                     QuadVertex{x + 9, y + 9, 9, 9}, QuadVertex{x, y + 9, 0, 9}};
  };
  auto draw = [&](std::array<QuadVertex, 4> quad) {
    fillBuffer(frame.desc(), 0);
    QuadVertex vertices[4] = {quad[0], quad[1], quad[2], quad[3]};
    drawQuad(*painter, vertices, frame.desc());
    return drawnPixels(frame.desc());
  };
  // Partly left of column 0: drawn from column 0, u advanced by the columns cut off.
  auto left = draw(quadAt(-4, 1));
  EXPECT_EQ(left.size(), 5u * 9u);
  EXPECT_EQ((left[{0, 1}]), 1u + 4u);
  // Reaching past the right edge and the bottom: cut there.
  auto right = draw(quadAt(15, 6));
  EXPECT_EQ(right.size(), 5u * 6u);
  EXPECT_EQ((right[{19, 11}]), 1u + 4u + 16u * 5u);
  // Partly above the top: the rows above are walked past.
  auto above = draw(quadAt(2, -7));
  EXPECT_EQ(above.size(), 9u * 2u);
  EXPECT_EQ((above[{2, 0}]), 1u + 16u * 7u);
  // Wholly above, wholly below, or four corners on one row: nothing.
  EXPECT_TRUE(draw(quadAt(2, -30)).empty());
  EXPECT_TRUE(draw(quadAt(2, 12)).empty());
  EXPECT_TRUE(draw({QuadVertex{1, 4, 0, 0}, QuadVertex{9, 4, 9, 0}, QuadVertex{12, 4, 9, 9},
                    QuadVertex{3, 4, 0, 9}})
                  .empty());
  releaseQuadPainter(painter);
}

TEST(QuadPainter, BadQuadsAndPaintersDrawSafely) {
  TestFrame frame(16, QX_LAYOUT_555, 20, 12);
  auto picture = numberedPicture(16, 6, 5);
  QuadPainter* painter = painterOver(*picture);
  // Texture coordinates far outside the picture and a crossed quad: samples stay inside it.
  QuadVertex wild[4] = {{-3, -2, -500, 900}, {25, 1, 4000, -70}, {0, 14, 3, 3}, {18, 9, -9, 99}};
  drawQuad(*painter, wild, frame.desc());
  QuadVertex huge[4] = {{INT_MIN, 0, 0, 0}, {INT_MAX, 2, 5, 0}, {3, INT_MAX, 5, 4}, {1, 5, 0, 4}};
  drawQuad(*painter, huge, frame.desc());
  // A frame of another depth, a painter without rows: nothing.
  fillBuffer(frame.desc(), 0);
  QuadVertex quad[4] = {{1, 1, 0, 0}, {6, 1, 5, 0}, {6, 5, 5, 4}, {1, 5, 0, 4}};
  TestBuffer eightBit(8, 20, 12);
  drawQuad(*painter, quad, eightBit.desc());
  EXPECT_TRUE(drawnPixels(eightBit.desc()).empty());
  QuadPainter* empty = makeQuadPainter(12, 0, picture->desc().baseAddr, 0);
  drawQuad(*empty, quad, frame.desc());
  EXPECT_TRUE(drawnPixels(frame.desc()).empty());
  releaseQuadPainter(empty);
  {
    ScopedAllocationFailure failing(1);  // the painter, but not its row table
    QuadPainter* tableless = painterOver(*picture);
    ASSERT_NE(tableless, nullptr);
    EXPECT_EQ(tableless->rowOffsets, nullptr);
    drawQuad(*tableless, quad, frame.desc());
    releaseQuadPainter(tableless);
  }
  EXPECT_TRUE(drawnPixels(frame.desc()).empty());
  {
    ScopedAllocationFailure failing(0);
    EXPECT_EQ(painterOver(*picture), nullptr);
  }
  releaseQuadPainter(painter);
}

std::vector<uint8_t> rotationSettings(uint32_t start, uint32_t step, uint32_t mode, uint32_t kind) {
  std::vector<uint8_t> bytes(64, 0);
  storeBE32(bytes.data(), start);
  storeBE32(bytes.data() + 4, step);
  storeBE32(bytes.data() + 8, mode);
  storeBE32(bytes.data() + 12, kind);
  return bytes;
}

TEST(RotatingPicture, MadeFromTheKeySettings) {
  TestFrame frame(16, QX_LAYOUT_555, 40, 30);
  auto picture = numberedPicture(16, 10, 6);
  QuadPainter* painter = makeRotatingPicture(picture->desc(), Rect16{4, 7, 25, 30},
                                             rotationSettings(30, 10, 0, 2).data(), 500);
  ASSERT_NE(painter, nullptr);
  EXPECT_FLOAT_EQ(painter->angle, static_cast<float>(30 * kRadiansPerDegree));
  EXPECT_FLOAT_EQ(painter->angleStep, static_cast<float>(10 * kRadiansPerDegree));
  EXPECT_EQ(painter->cosine, 1.0f);  // the start angle shows from the first rotation on
  EXPECT_EQ(painter->updateKind, 2);
  EXPECT_EQ(painter->interval, 6);
  EXPECT_EQ(painter->nextStepTime, 500);
  EXPECT_EQ(painter->centreX, 18.0f);  // 7 + (23 >> 1)
  EXPECT_EQ(painter->centreY, 14.0f);  // 4 + (21 >> 1)
  EXPECT_EQ(painter->quad[2].u, 9);
  EXPECT_EQ(painter->quad[2].v, 5);
  releaseQuadPainter(painter);
  const int32_t kIntervals[][2] = {{1, 0}, {2, 6}, {3, 3}, {4, 1}, {0, 0}, {5, 0}, {-1, 0}};
  for (const auto& k : kIntervals) EXPECT_EQ(updateInterval(k[0]), k[1]) << k[0];
}

TEST(RotatingPicture, TurnsByItsStepEveryFrame) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 40, 30);
  auto picture = numberedPicture(32, 10, 6);
  QuadPainter* painter = makeRotatingPicture(picture->desc(), Rect16{0, 0, 30, 40},
                                             rotationSettings(0, 10, 0, 1).data(), 0);
  stepRotatingPicture(*painter, 0, 0, frame.desc());
  EXPECT_NEAR(painter->angle, 10 * 0.0174444, 1e-5);  // first drawn at about 10 degrees
  stepRotatingPicture(*painter, 1, 0, frame.desc());
  EXPECT_NEAR(painter->angle, 20 * 0.0174444, 1e-5);
  EXPECT_FALSE(drawnPixels(frame.desc()).empty());
  releaseQuadPainter(painter);

  // A quarter turn makes the 10 x 6 picture stand upright.
  fillBuffer(frame.desc(), 0);
  painter = makeRotatingPicture(picture->desc(), Rect16{0, 0, 30, 40},
                                rotationSettings(0, 90, 0, 1).data(), 0);
  stepRotatingPicture(*painter, 0, 0, frame.desc());
  int left = 99, right = -1, top = 99, bottom = -1;
  for (const auto& [at, value] : drawnPixels(frame.desc())) {
    left = std::min(left, at.first);
    right = std::max(right, at.first);
    top = std::min(top, at.second);
    bottom = std::max(bottom, at.second);
  }
  EXPECT_LE(right - left, 6);
  EXPECT_GE(bottom - top, 8);
  releaseQuadPainter(painter);
}

TEST(RotatingPicture, StepsOnItsScheduleAndCatchesUpAfterAPause) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 20, 20);
  auto picture = numberedPicture(8, 4, 4);
  QuadPainter* painter = makeRotatingPicture(picture->desc(), Rect16{0, 0, 20, 20},
                                             rotationSettings(0, 1, 0, 2).data(), 100);
  int steps = 0;
  auto frameAt = [&](int32_t time) {
    float before = painter->angle;
    stepRotatingPicture(*painter, time, 0, frame.desc());
    steps += painter->angle != before;
  };
  for (int32_t time = 100; time < 130; ++time) frameAt(time);  // every 6 ticks: 100..124
  EXPECT_EQ(steps, 5);
  // A second without frames; then one step per frame until the schedule has caught up.
  steps = 0;
  for (int i = 0; i < 20; ++i) frameAt(190);
  EXPECT_EQ(steps, 11);  // 130, 136, ..., 190
  EXPECT_EQ(painter->nextStepTime, 196);
  // The tick clock may wrap: a step due just past it is still due.
  painter->nextStepTime = INT32_MAX - 1;
  steps = 0;
  frameAt(INT32_MIN + 2);
  EXPECT_EQ(steps, 1);
  releaseQuadPainter(painter);
}

TEST(RotatingPicture, ControlValueAndOtherModes) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 40, 30);
  auto picture = numberedPicture(8, 10, 6);
  QuadPainter* painter = makeRotatingPicture(picture->desc(), Rect16{0, 0, 30, 40},
                                             rotationSettings(0, 0, 1, 1).data(), 0);
  stepRotatingPicture(*painter, 0, 63, frame.desc());
  EXPECT_NEAR(painter->angle, 3.14, 1e-5);
  stepRotatingPicture(*painter, 1, -64, frame.desc());
  EXPECT_NEAR(painter->angle, -3.14, 1e-5);
  releaseQuadPainter(painter);

  // Any other mode keeps the picture unrotated, its centre (5, 3) on the key's centre.
  fillBuffer(frame.desc(), 0);
  painter = makeRotatingPicture(picture->desc(), Rect16{10, 10, 20, 30},
                                rotationSettings(45, 45, 7, 1).data(), 0);
  stepRotatingPicture(*painter, 0, 0, frame.desc());
  EXPECT_FLOAT_EQ(painter->angle, static_cast<float>(45 * kRadiansPerDegree));
  EXPECT_EQ(painter->quad[0].x, 15);
  EXPECT_EQ(painter->quad[0].y, 12);
  EXPECT_EQ(painter->quad[2].x, 24);
  EXPECT_EQ(painter->quad[2].y, 17);
  auto drawn = drawnPixels(frame.desc());
  EXPECT_EQ(drawn.size(), 9u * 5u);
  EXPECT_EQ((drawn[{15, 12}]), 1u);
  releaseQuadPainter(painter);
}

}  // namespace
}  // namespace quorix::render
