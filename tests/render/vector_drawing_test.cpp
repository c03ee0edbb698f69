#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "common/byte_order.h"
#include "common/memory.h"
#include "common/random.h"
#include "render/draw_line.h"
#include "render/line_clipping.h"
#include "render/sprinkle.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::TestBuffer;
using testing::TestFrame;

const ClipWindow kWindow{0, 0, 99, 99};

TEST(ClipSegment, OneDecisionPerPairOfRegions) {
  struct Case {
    const char* what;
    int32_t x1, y1, x2, y2;
    int32_t result;
    int32_t cx1, cy1, cx2, cy2;
  } cases[] = {
      {"inside", 10, 20, 30, 40, 0xFF, 10, 20, 30, 40},
      {"first left", -10, 5, 10, 5, 0x1F, 0, 5, 10, 5},
      {"left to right", -5, 10, 120, 10, 0x13, 0, 10, 99, 10},
      {"second below", 50, 50, 50, 150, 0xF2, 50, 50, 50, 99},
      {"wholly above", 10, -5, 60, -5, -1, 10, -5, 60, -5},
      {"both right", 100, 10, 140, 90, -1, 100, 10, 140, 90},
      {"corner onto its vertical edge", -10, -10, 50, 50, 0x1F, 0, 0, 50, 50},
      {"corner onto the top edge", -10, -20, 50, 40, 0x0F, 10, 0, 50, 40},
      {"second in the bottom-right corner", 50, 50, 150, 120, 0xF3, 50, 50, 99, 85},
      {"beside the top-left corner", -30, 10, 10, -30, -1, -30, 10, 10, -30},
      {"across two corners", -10, -10, 110, 110, 0x13, 0, 0, 99, 99},
      // The last row counts as beyond the bottom: the endpoint is moved onto it, in place.
      {"on the last row", 5, 99, 5, 50, 0x2F, 5, 99, 5, 50},
  };
  for (const Case& c : cases) {
    int32_t x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
    EXPECT_EQ(clipSegment(kWindow, x1, y1, x2, y2), c.result) << c.what;
    EXPECT_EQ(x1, c.cx1) << c.what;
    EXPECT_EQ(y1, c.cy1) << c.what;
    EXPECT_EQ(x2, c.cx2) << c.what;
    EXPECT_EQ(y2, c.cy2) << c.what;
  }
}

TEST(ClipSegment, KeptSegmentsLieInsideTheWindow) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int32_t> coordinate(-300, 400);
  const ClipWindow window{7, 11, 93, 151};
  int kept = 0;
  for (int i = 0; i < 100000; ++i) {
    int32_t x1 = coordinate(random), y1 = coordinate(random), x2 = coordinate(random), y2 = coordinate(random);
    int32_t result = clipSegment(window, x1, y1, x2, y2);
    if (result == kSegmentRejected) continue;
    ++kept;
    for (auto [x, y] : {std::pair{x1, y1}, std::pair{x2, y2}}) {
      ASSERT_GE(x, window.left);
      ASSERT_LE(x, window.right);
      ASSERT_GE(y, window.top);
      ASSERT_LE(y, window.bottom);
    }
  }
  EXPECT_GT(kept, 10000);
}

TEST(ClipRectangle, ReducedToTheWindow) {
  struct Case {
    Rect16 rect;
    int32_t result;
    Rect16 clipped;
  } cases[] = {
      {{10, 10, 20, 20}, 1, {10, 10, 20, 20}},
      {{-5, -8, 20, 20}, 1, {0, 0, 20, 20}},
      {{90, 90, 120, 130}, 1, {90, 90, 100, 100}},
      {{90, 90, 99, 99}, 1, {90, 90, 100, 100}},   // at the window's edge: edge + 1
      {{-20, 10, -5, 20}, -1, {-20, 10, -5, 20}},  // wholly above
      {{10, 100, 20, 140}, -1, {10, 100, 20, 140}},
  };
  for (const Case& c : cases) {
    Rect16 rect = c.rect;
    EXPECT_EQ(clipRectangle(kWindow, rect), c.result) << c.rect.top << "," << c.rect.left;
    EXPECT_TRUE(rect == c.clipped) << c.rect.top << "," << c.rect.left;
  }
}

std::set<std::pair<int, int>> setPixels(const TestBuffer& buffer) {
  std::set<std::pair<int, int>> pixels;
  for (int y = 0; y < buffer.height(); ++y) {
    for (int x = 0; x < buffer.width(); ++x) {
      if (buffer.at(x, y) != 0) pixels.insert({x, y});
    }
  }
  return pixels;
}

TEST(DrawLine, BresenhamPixels) {
  using Pixels = std::set<std::pair<int, int>>;
  struct Case {
    int x1, y1, x2, y2;
    Pixels expected;
  } cases[] = {
      {5, 5, 5, 5, {{5, 5}}},
      {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {3, 1, 0, 0, {{3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      {1, 0, 2, 4, {{1, 0}, {1, 1}, {2, 2}, {2, 3}, {2, 4}}},
      {0, 7, 4, 3, {{0, 7}, {1, 6}, {2, 5}, {3, 4}, {4, 3}}},
      {2, 2, 6, 2, {{2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}}},
  };
  for (const Case& c : cases) {
    TestBuffer buffer(8, 8, 8);
    drawLine(c.x1, c.y1, c.x2, c.y2, 1, buffer.desc());
    EXPECT_EQ(setPixels(buffer), c.expected) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
  for (uint32_t depth : {16u, 32u}) {
    TestBuffer buffer(depth, 8, 8);
    drawLine(0, 0, 7, 7, 0xABCD1234, buffer.desc());
    EXPECT_EQ(buffer.at(4, 4), depth == 16 ? 0x1234u : 0xABCD1234u);
  }
  // Unclipped lines only draw their pixels inside the buffer.
  TestBuffer buffer(8, 8, 8);
  drawLine(-20, -20, 30, 30, 1, buffer.desc());
  EXPECT_EQ(setPixels(buffer).size(), 8u);
  buffer.desc().bitsPerPixel = 24;
  drawLine(0, 0, 3, 3, 2, buffer.desc());
  EXPECT_EQ(std::count(buffer.bytes().begin(), buffer.bytes().end(), 2), 0);
}

std::vector<uint8_t> settings(std::initializer_list<int16_t> words) {
  std::vector<uint8_t> bytes(16, 0);
  int i = 0;
  for (int16_t word : words) storeBE16(bytes.data() + 2 * i++, static_cast<uint16_t>(word));
  return bytes;
}

TEST(Sprinkle, MadeFromBigEndianWords) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 64, 48);
  TestBuffer picture(8, 32, 12);
  picture.desc().ownsPixels = 1;
  Sprinkle* s = makeSprinkle(settings({1, -2, 9, 4, 5, 0, 0, 3}).data(), picture.desc(),
                             Rect16{4, 6, 28, 22}, 77);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->words[1], -2);
  EXPECT_EQ(s->words[2], 9);
  EXPECT_EQ(s->words[7], 3);
  EXPECT_EQ(s->picture.ownsPixels, 0u);
  EXPECT_EQ(s->extra, 77);
  EXPECT_EQ(s->window.bottom, 47);
  EXPECT_EQ(s->window.right, 63);
  EXPECT_FLOAT_EQ(s->scaleX, 2.0f);
  EXPECT_FLOAT_EQ(s->scaleY, 0.5f);
  releaseSprinkle(s);
  Sprinkle* empty = makeSprinkle(settings({}).data(), picture.desc(), Rect16{4, 6, 4, 6}, 0);
  EXPECT_FLOAT_EQ(empty->scaleX, 1.0f);
  EXPECT_FLOAT_EQ(empty->scaleY, 1.0f);
  releaseSprinkle(empty);
  ScopedAllocationFailure failing(0);
  EXPECT_EQ(makeSprinkle(settings({}).data(), picture.desc(), Rect16{}, 0), nullptr);
}

// A one-pixel layer puts every stroke at the same start, which makes each style's shape
// visible in one frame.
TEST(Sprinkle, EachStyleDrawsItsShape) {
  using Pixels = std::set<std::pair<int, int>>;
  auto span = [](int x0, int y0, int x1, int y1) {
    Pixels pixels;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) pixels.insert({x, y});
    }
    return pixels;
  };
  Pixels cross = span(10, 10, 15, 10);
  cross.merge(span(10, 10, 10, 15));
  struct Case {
    const char* what;
    std::vector<uint8_t> words;
    Pixels expected;
  } cases[] = {
      {"horizontal", settings({0, 0, 5, 0, 0, 0, 0, 0}), span(10, 10, 15, 10)},
      {"vertical", settings({0, 0, 5, 0, 0, 0, 0, 1}), span(10, 10, 10, 15)},
      {"cross", settings({0, 0, 5, 0, 0, 0, 0, 2}), cross},
      {"radial 3-4-5", settings({0, 0, 10, 4, 3, 0, 0, 3}),
       {{10, 10}, {11, 11}, {12, 12}, {12, 13}, {13, 14}, {14, 15}, {15, 16}, {15, 17}, {16, 18}}},
      {"radial pointing up-left", settings({4, 3, 10, 0, 0, 0, 0, 3}),
       {{10, 10}, {9, 9}, {8, 8}, {8, 7}, {7, 6}, {6, 5}, {5, 4}, {5, 3}, {4, 2}}},
      {"squares of side 8 for length 9", settings({0, 0, 9, 0, 0, 0, 0, 4}), span(6, 6, 13, 13)},
      {"unknown style", settings({0, 0, 9, 0, 0, 0, 0, 5}), {}},
  };
  for (const Case& c : cases) {
    TestFrame frame(8, QX_LAYOUT_8BIT, 40, 30);
    fillBuffer(frame.desc(), 0);
    TestBuffer picture(8, 3, 3);
    picture.fillWith(7);
    Sprinkle* s = makeSprinkle(c.words.data(), picture.desc(), Rect16{10, 10, 11, 11}, 0);
    seedRandom(5);
    drawSprinkle(*s, frame.desc());
    releaseSprinkle(s);
    Pixels drawn;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        uint8_t value = *pixelAddress(frame.desc(), x, y);
        if (value != 0) {
          EXPECT_EQ(value, 7) << c.what;
          drawn.insert({x, y});
        }
      }
    }
    EXPECT_EQ(drawn, c.expected) << c.what;
  }
}

TEST(Sprinkle, StrokesTakeThePicturePixelUnderTheirStart) {
  TestFrame frame(16, QX_LAYOUT_555, 40, 30);
  fillBuffer(frame.desc(), 0);
  TestBuffer picture(16, 4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) picture.set(x, y, 0x100 + 16 * y + x);
  }
  // An 8 x 8 layer over a 4 x 4 picture: frame pixel (5 + x, 3 + y) takes picture (x/2, y/2).
  Sprinkle* s = makeSprinkle(settings({0, 0, 0, 0, 0, 0, 0, 0}).data(), picture.desc(),
                             Rect16{3, 5, 11, 13}, 0);
  seedRandom(11);
  drawSprinkle(*s, frame.desc());
  releaseSprinkle(s);
  int covered = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      uint16_t value = loadPixel<uint16_t>(pixelAddress(frame.desc(), x, y));
      if (value == 0) continue;
      ++covered;
      ASSERT_TRUE(x >= 5 && x < 13 && y >= 3 && y < 11) << x << "," << y;
      EXPECT_EQ(value, 0x100 + 16 * ((y - 3) / 2) + (x - 5) / 2) << x << "," << y;
    }
  }
  // Offsets run 0 .. width - 1, the last only for the largest random value: 500 strokes cover
  // nearly all of the 7 x 7 others.
  EXPECT_GE(covered, 45);
}

TEST(Sprinkle, ClippedToTheFrameAndRepeatableBySeed) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 50, 40);
  TestBuffer picture(32, 20, 20);
  picture.randomise(4);
  std::vector<uint64_t> hashes;
  for (uint32_t seed : {1u, 1u, 2u}) {
    fillBuffer(frame.desc(), 0);
    // A layer reaching far beyond the frame, long radial strokes and squares.
    for (int16_t style : {3, 4}) {
      Sprinkle* s = makeSprinkle(settings({-30, 60, 40, 2, -7, 0, 0, style}).data(), picture.desc(),
                                 Rect16{-20, -30, 70, 90}, 0);
      seedRandom(seed);
      drawSprinkle(*s, frame.desc());
      releaseSprinkle(s);
    }
    BufferDesc desc = frame.desc();
    hashes.push_back(testing::hashBytes(static_cast<uint8_t*>(desc.baseAddr), 50 * 40 * 4));
  }
  EXPECT_EQ(hashes[0], hashes[1]);
  EXPECT_NE(hashes[0], hashes[2]);
  // A picture without pixels draws nothing.
  fillBuffer(frame.desc(), 0);
  BufferDesc none = picture.desc();
  none.baseAddr = nullptr;
  Sprinkle* s = makeSprinkle(settings({0, 0, 5, 0, 0, 0, 0, 0}).data(), none, Rect16{0, 0, 40, 50}, 0);
  drawSprinkle(*s, frame.desc());
  releaseSprinkle(s);
  BufferDesc desc = frame.desc();
  EXPECT_EQ(testing::hashBytes(static_cast<uint8_t*>(desc.baseAddr), 50 * 40 * 4),
            testing::hashBytes(std::vector<uint8_t>(50 * 40 * 4).data(), 50 * 40 * 4));
}

}  // namespace
}  // namespace quorix::render
