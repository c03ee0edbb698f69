// Pictures: bitmaps and QuickDraw pictures decoded from a Synth's chunks bit-exactly at every
// depth and 16-bit layout, kept at the display scale, converted between layouts, cached and
// evicted by memory, and the timing lines of the diagnostic log.
#include <gtest/gtest.h>

#include <functional>

#include "common/rect.h"
#include "config/diagnostic_log.h"
#include "media/picture_reduction.h"
#include "media/pictures.h"
#include "platform/clock.h"
#include "render/buffer_descriptor.h"
#include "tests/media/media_fixture.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/pict_writer.h"

namespace quorix::media {
namespace {

using testing::BmpSpec;
using testing::writeBmp;

const std::vector<uint32_t> kColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00, 0x808080};

Rect16 rect(int top, int left, int bottom, int right) {
  return Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
}

uint32_t pixel555(uint32_t c) { return ((c >> 19 & 0x1F) << 10) | ((c >> 11 & 0x1F) << 5) | (c >> 3 & 0x1F); }
// Pictures are drawn as 5-5-5 and then moved to 5-6-5, green's low bit 0.
uint32_t pixel565(uint32_t c) { return ((pixel555(c) & 0x7FE0) << 1) | (pixel555(c) & 0x1F); }

// What a pixel of colour index `index` (into kColors) holds in the engine's buffer.
uint32_t expectedPixel(uint32_t depth, uint32_t layout, int index) {
  const uint32_t c = kColors[static_cast<size_t>(index)];
  if (depth == 8) return static_cast<uint32_t>(index);
  if (depth == 16) return layout == QX_LAYOUT_565 ? pixel565(c) : pixel555(c);
  return c;
}

int patternIndex(int x, int y) { return (x + 2 * y) % static_cast<int>(kColors.size()); }

class PicturesTest : public MediaTest {
 protected:
  void expectPattern(render::OffscreenPort* port, int width, int height, uint32_t depth, uint32_t layout,
                     const std::string& what) {
    ASSERT_NE(port, nullptr) << what;
    ASSERT_EQ(rectText(portBounds(port)), rectText(rect(0, 0, height, width))) << what;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(pixelAt(port, x, y), expectedPixel(depth, layout, patternIndex(x, y)))
            << what << " at " << x << "," << y;
      }
    }
  }
};

TEST_F(PicturesTest, BitmapsDecodeExactlyAtEveryDepthAndLayout) {
  struct Case {
    int bitCount;
    int height;  // negative: stored top-down
    uint32_t depth;
    uint32_t layout;
  };
  const Case cases[] = {
      {24, 4, 32, QX_LAYOUT_32BIT}, {24, -4, 32, QX_LAYOUT_32BIT}, {24, 4, 16, QX_LAYOUT_555},
      {24, -4, 16, QX_LAYOUT_565},  {24, 4, 8, QX_LAYOUT_8BIT},    {8, 4, 8, QX_LAYOUT_8BIT},
      {8, -4, 16, QX_LAYOUT_555},   {8, 4, 16, QX_LAYOUT_565},     {8, 4, 32, QX_LAYOUT_32BIT},
  };
  // Width 3: 24-bit rows hold 9 bytes of pixels and 3 of padding, 8-bit rows 3 and 1.
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.bitCount) + "-bit height " + std::to_string(c.height) + " into " +
                             std::to_string(c.depth) + " layout " + std::to_string(c.layout);
    setFrame(c.depth, c.layout);
    const int32_t synth = makeSynth(kColors, "s" + std::to_string(&c - cases) + ".qrx");
    BmpSpec spec;
    spec.width = 3;
    spec.height = c.height;
    spec.bitCount = c.bitCount;
    if (c.bitCount == 8) {
      spec.palette = kColors;
      spec.pixel = [](int x, int y) { return static_cast<uint32_t>(patternIndex(x, y)); };
    } else {
      spec.pixel = [](int x, int y) { return kColors[static_cast<size_t>(patternIndex(x, y))]; };
    }
    const int32_t picture = addPicture(synth, "pic", writeBmp(spec), kBitmapFormat, rect(0, 0, 4, 3));
    expectPattern(getPicture(synth, picture), 3, 4, c.depth, c.layout, what);
  }
}

TEST_F(PicturesTest, AnEightBitBitmapWithTheSynthsPaletteIsCopiedIndexForIndex) {
  // Entries 0 and 1 are both red: a straight copy keeps index 1, a colour match would give 0.
  const std::vector<uint32_t> colors = {0xFF0000, 0xFF0000, 0x00FF00};
  setFrame(8, QX_LAYOUT_8BIT);
  const int32_t synth = makeSynth(colors);
  BmpSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.bitCount = 8;
  for (int i = 0; i < 256; ++i) spec.palette.push_back(i < 3 ? colors[static_cast<size_t>(i)] : 0x010101u * static_cast<uint32_t>(i));
  spec.pixel = [](int x, int) { return x == 0 ? 1u : 2u; };
  const int32_t same = addPicture(synth, "same", writeBmp(spec), kBitmapFormat, rect(0, 0, 1, 2));
  spec.palette[255] = 0x123456;  // one entry differs: colours are matched instead
  const int32_t other = addPicture(synth, "other", writeBmp(spec), kBitmapFormat, rect(0, 0, 1, 2));
  EXPECT_EQ(pixelAt(getPicture(synth, same), 0, 0), 1u);
  EXPECT_EQ(pixelAt(getPicture(synth, other), 0, 0), 0u);
  EXPECT_EQ(pixelAt(getPicture(synth, other), 1, 0), 2u);
}

TEST_F(PicturesTest, QuickDrawPicturesDecodeThroughTheRegistry) {
  for (uint32_t depth : {8u, 16u, 32u}) {
    const uint32_t layout = depth == 16 ? QX_LAYOUT_565 : depth == 8 ? QX_LAYOUT_8BIT : QX_LAYOUT_32BIT;
    setFrame(depth, layout);
    const int32_t synth = makeSynth(kColors, "q" + std::to_string(depth) + ".qrx");
    testing::PictImage image{5, 3, {}};
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) image.pixels.push_back(kColors[static_cast<size_t>(patternIndex(x, y))]);
    }
    const Rect16 all = rect(0, 0, 3, 5);
    const std::string data = testing::PictWriter(2, all).direct(32, 4, image, all, all, 3).finish();
    const int32_t picture = addPicture(synth, "pict", data, kQuickDrawFormat, all);
    expectPattern(getPicture(synth, picture), 5, 3, depth, layout, "PICT at " + std::to_string(depth));
  }
}

TEST_F(PicturesTest, APictureWithoutAnImporterIsABlankBufferCachedLikeAnyOther) {
  importerRegistry().build(false, {});  // no QuickDraw importer
  setFrame(16, QX_LAYOUT_555);
  const int32_t synth = makeSynth(kColors);
  const int32_t picture = addPicture(synth, "pict", std::string(40, '\x11'), kQuickDrawFormat, rect(0, 0, 2, 2));
  render::OffscreenPort* port = getPicture(synth, picture);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(pixelAt(port, 1, 1), 0x7FFFu);  // white, as a new buffer starts
  EXPECT_EQ(getPicture(synth, picture), port);
}

TEST_F(PicturesTest, AtDisplayScaleTwoAPictureIsKeptHalfSizeOfTwoByTwoAverages) {
  setFrame(16, QX_LAYOUT_555);
  host.scale = 2.0f;
  const int32_t synth = makeSynth(kColors);
  // Channels that are multiples of 8, so each 2 x 2 mean is exact in 5 bits too.
  auto colour = [](int x, int y) { return static_cast<uint32_t>(((x % 4) * 8) << 16 | ((y % 4) * 8) << 8 | (x + y) % 2 * 16); };
  BmpSpec spec;
  spec.width = 640;
  spec.height = 480;
  spec.pixel = colour;
  const int32_t picture = addPicture(synth, "big", writeBmp(spec), kBitmapFormat, rect(0, 0, 480, 640));
  render::OffscreenPort* port = getPicture(synth, picture);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(rectText(portBounds(port)), "0,0,240,320");
  EXPECT_EQ(rectText(pictureBoundsAtScale(synth, picture)), "0,0,240,320");
  EXPECT_FLOAT_EQ(document::pictureEntry(synth, picture)->scale, 2.0f);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {5, 7}, {319, 239}}) {
    uint32_t r = 0, g = 0, b = 0;
    for (int dy = 0; dy < 2; ++dy) {
      for (int dx = 0; dx < 2; ++dx) {
        const uint32_t c = colour(2 * x + dx, 2 * y + dy);
        r += (c >> 16 & 0xFF) >> 3, g += (c >> 8 & 0xFF) >> 3, b += (c & 0xFF) >> 3;
      }
    }
    EXPECT_EQ(pixelAt(port, x, y), (r / 4) << 10 | (g / 4) << 5 | (b / 4)) << x << "," << y;
  }
}

TEST_F(PicturesTest, ReductionPicksItsRuleByTheRatio) {
  // A 10 x 10 5-5-5 source whose blue channel is x + 2y; the 16.16 walk starts destination
  // pixel i at source column floor(i x 10 / width).
  std::vector<uint16_t> source(100);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) source[static_cast<size_t>(10 * y + x)] = static_cast<uint16_t>(x + 2 * y);
  }
  BufferDesc from = render::makeBufferDesc(source.data(), 10, 10, 16);
  from.rowBytes = 20;
  struct Case {
    int width;                 // destination is width x width
    std::vector<int> columns;  // where each destination pixel's block starts
    int block;                 // 1 nearest, 2 or 3 averaged
  };
  const Case cases[] = {
      {8, {0, 1, 2, 3, 5, 6, 7, 8}, 1},  // r = 0.8
      {5, {0, 2, 4, 6, 8}, 2},           // r = 0.5
      {3, {0, 3, 6}, 3},                 // r = 0.3
      {2, {0, 5}, 1},                    // r = 0.2
  };
  for (const Case& c : cases) {
    std::vector<uint16_t> out(static_cast<size_t>(c.width * c.width), 0xFFFF);
    BufferDesc to = render::makeBufferDesc(out.data(), c.width, c.width, 16);
    to.rowBytes = 2 * c.width;
    reducePicture(from, to);
    for (int j = 0; j < c.width; ++j) {
      for (int i = 0; i < c.width; ++i) {
        const int x = c.columns[static_cast<size_t>(i)], y = c.columns[static_cast<size_t>(j)];
        int sum = 0;
        for (int dy = 0; dy < c.block; ++dy) {
          for (int dx = 0; dx < c.block; ++dx) sum += (x + dx) + 2 * (y + dy);
        }
        EXPECT_EQ(out[static_cast<size_t>(j * c.width + i)], sum / (c.block * c.block))
            << "width " << c.width << " at " << i << "," << j;
      }
    }
  }
}

TEST_F(PicturesTest, ThirtyTwoBitReductionAveragesTwoByTwoAndEightBitTakesTheNearest) {
  std::vector<uint32_t> wide = {0x00000000, 0x04080C10, 0x10101010, 0x20202020};  // 2 x 2
  std::vector<uint32_t> one(1);
  BufferDesc from = render::makeBufferDesc(wide.data(), 2, 2, 32);
  from.rowBytes = 8;
  BufferDesc to = render::makeBufferDesc(one.data(), 1, 1, 32);
  to.rowBytes = 4;
  reducePicture(from, to);
  EXPECT_EQ(one[0], 0x0D0E0F10u);  // (0 + 4 + 16 + 32) / 4 per byte, ...

  std::vector<uint8_t> indexes = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // 3 x 3
  std::vector<uint8_t> small(1, 0);
  from = render::makeBufferDesc(indexes.data(), 3, 3, 8);
  from.rowBytes = 3;
  to = render::makeBufferDesc(small.data(), 1, 1, 8);
  to.rowBytes = 1;
  reducePicture(from, to);
  EXPECT_EQ(small[0], 1);
}

TEST_F(PicturesTest, SwitchingTheSixteenBitLayoutConvertsEachCachedPictureOnceOnItsNextUse) {
  setFrame(16, QX_LAYOUT_555);
  const int32_t synth = makeSynth(kColors);
  BmpSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.pixel = [](int x, int) { return x == 0 ? 0x00FF00u : 0x808080u; };
  const int32_t picture = addPicture(synth, "p", writeBmp(spec), kBitmapFormat, rect(0, 0, 1, 2));
  render::OffscreenPort* port = getPicture(synth, picture);
  EXPECT_EQ(pixelAt(port, 0, 0), pixel555(0x00FF00));
  EXPECT_EQ(document::pictureEntry(synth, picture)->pictureFlags & kPicturePixels565, 0u);

  setFrame(16, QX_LAYOUT_565);
  for (int use = 0; use < 2; ++use) {  // a second use must not convert again
    EXPECT_EQ(getPicture(synth, picture), port);
    EXPECT_EQ(pixelAt(port, 0, 0), 0x07C0u);  // green 5 bits, doubled to 6 with a zero below
    EXPECT_EQ(pixelAt(port, 1, 0), 0x8410u);
    EXPECT_NE(document::pictureEntry(synth, picture)->pictureFlags & kPicturePixels565, 0u);
  }
  setFrame(16, QX_LAYOUT_555);
  EXPECT_EQ(pixelAt(getPicture(synth, picture), 0, 0), pixel555(0x00FF00));
  EXPECT_EQ(document::pictureEntry(synth, picture)->pictureFlags & kPicturePixels565, 0u);

  // A change of depth frees the buffer: the picture is decoded anew at the new depth.
  setFrame(32, QX_LAYOUT_32BIT);
  render::OffscreenPort* deeper = getPicture(synth, picture);
  ASSERT_NE(deeper, nullptr);
  EXPECT_EQ(pixelAt(deeper, 1, 0), 0x808080u);
}

class PictureCacheTest : public PicturesTest {
 protected:
  // `count` 10 x 10 pictures, all decoded; each estimate is 10 x 10 x 2 x 4 = 800 bytes.
  int32_t makeDecoded(int count) {
    setFrame(16, QX_LAYOUT_555);
    const int32_t synth = makeSynth(kColors);
    BmpSpec spec;
    spec.width = 10;
    spec.height = 10;
    for (int i = 0; i < count; ++i) {
      addPicture(synth, "p" + std::to_string(i), writeBmp(spec), kBitmapFormat, rect(0, 0, 10, 10));
      EXPECT_NE(getPicture(synth, i), nullptr);
    }
    return synth;
  }
  void stamp(int32_t synth, std::vector<uint32_t> stamps) {
    for (size_t i = 0; i < stamps.size(); ++i) document::pictureEntry(synth, static_cast<int>(i))->lastUse = stamps[i];
  }
  std::string cached(int32_t synth) {
    std::string held;
    for (int i = 0; document::PictureEntry* p = document::pictureEntry(synth, i); ++i) held += p->buffer != nullptr ? 'x' : '.';
    return held;
  }
};

TEST_F(PictureCacheTest, MakingRoomFreesTheLeastRecentlyUsedFirstSkippingTheKeptAndPinned) {
  const int32_t synth = makeDecoded(5);
  EXPECT_EQ(estimatedPictureSize(synth, 0), 800);
  struct Case {
    std::vector<uint32_t> stamps;
    int64_t needed;
    int32_t kept;
    int pinned;
    const char* left;
    int64_t freed;
  };
  const Case cases[] = {
      {{5, 2, 2, 9, 7}, 800, -1, -1, "x.xxx", 800},    // ties: the first found goes
      {{5, 2, 2, 9, 7}, 801, -1, -1, "x..xx", 1600},   // until the total is reached
      {{5, 2, 2, 9, 7}, 800, 1, -1, "xx.xx", 800},     // the kept one stays
      {{5, 2, 2, 9, 7}, 1600, -1, 2, "..xxx", 1600},   // a pinned one stays
      {{5, 2, 2, 9, 7}, 1 << 20, -1, -1, ".....", 4000},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 5; ++i) getPicture(synth, i);
    stamp(synth, c.stamps);
    if (c.pinned >= 0) pinPicture(synth, c.pinned);
    EXPECT_EQ(makeRoom(c.needed, synth, c.kept), c.freed) << c.left;
    EXPECT_EQ(cached(synth), c.left);
    if (c.pinned >= 0) unpinPicture(synth, c.pinned);
  }
}

TEST_F(PictureCacheTest, ShortMemoryEvictsTheOldestBeforeDecodingAnotherPicture) {
  const int32_t synth = makeDecoded(3);
  stamp(synth, {4, 1, 3});
  host.stamp = 10;
  releasePictures(synth);
  EXPECT_EQ(cached(synth), "...");
  for (int i = 0; i < 3; ++i) getPicture(synth, i);
  stamp(synth, {4, 1, 3});
  memory.set(799);  // below one estimate: picture 1, the oldest, makes room
  addPicture(synth, "new", writeBmp(BmpSpec{}), kBitmapFormat, rect(0, 0, 10, 10));
  EXPECT_NE(getPicture(synth, 3), nullptr);
  EXPECT_EQ(cached(synth), "x..x");  // the buffer, then the decoding, each make room
  EXPECT_EQ(document::pictureEntry(synth, 3)->lastUse, 10u);
}

TEST_F(PicturesTest, DescriptorsAndBoundsAtScale) {
  setFrame(16, QX_LAYOUT_555);
  const int32_t synth = makeSynth(kColors);
  BmpSpec spec;
  spec.width = 7;
  spec.height = 5;
  const int32_t picture = addPicture(synth, "p", writeBmp(spec), kBitmapFormat, rect(0, 0, 5, 7));
  BufferDesc descriptor{};
  getPictureDescriptor(picture, synth, &descriptor);
  EXPECT_NE(descriptor.baseAddr, nullptr);
  EXPECT_EQ(descriptor.bitsPerPixel, 16u);
  EXPECT_EQ(rectText(descriptor.bounds), "0,0,5,7");
  for (auto [index, synthIndex] : {std::pair{picture + 1, synth}, {-1, synth}, {picture, synth + 1}}) {
    getPictureDescriptor(index, synthIndex, &descriptor);
    EXPECT_EQ(descriptor.baseAddr, nullptr);
    EXPECT_EQ(getPicture(synthIndex, index), nullptr);
  }
  document::pictureEntry(synth, picture)->scale = 2.0f;
  EXPECT_EQ(rectText(pictureBoundsAtScale(synth, picture)), "0,0,2,3");
}

TEST_F(PicturesTest, TimedDecodingWritesItsLinesToTheDiagnosticLog) {
  const std::string log = temp / "effect_timer.txt";
  ASSERT_TRUE(config::openLog(log));
  platform::ManualClock clock;
  platform::ScopedClockSource scopedClock{clock};
  host.statistics = true;
  setFrame(16, QX_LAYOUT_555);
  const int32_t synth = makeSynth(kColors);
  addPicture(synth, "p", writeBmp(BmpSpec{}), kQuickDrawFormat, rect(0, 0, 3, 4));
  getPicture(synth, 0);
  host.statistics = false;
  addPicture(synth, "q", writeBmp(BmpSpec{}), kQuickDrawFormat, rect(0, 0, 3, 4));
  getPicture(synth, 1);
  config::closeLog();
  const std::string text = testing::readFile(log);
  EXPECT_NE(text.find("called 1 in 0 millisec. Effect name : TCIP\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("called 1", text.find("called 1") + 1), std::string::npos) << text;
  EXPECT_EQ(text.find("Memory leaks"), std::string::npos) << text;  // the memory figure is fixed
}

}  // namespace
}  // namespace quorix::media
