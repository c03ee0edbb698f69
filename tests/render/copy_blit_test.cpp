#include "render/copy_blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "common/memory.h"
#include "platform/cpu_features.h"
#include "render/blend_tables.h"
#include "render/blit_rules.h"
#include "render/fill.h"
#include "render/buffer_descriptor.h"
#include "render/pixel_map.h"
#include "tests/render/render_test_support.h"

namespace quorix::render {
namespace {

using testing::hashBytes;
using testing::TestBuffer;
using testing::TestFrame;

// Chooses the path for a scope: the SIMD one (MMX flag set), with or without 32-byte vectors
// where the processor has them, or the reference one (flag cleared).
class ScopedMmx {
 public:
  explicit ScopedMmx(bool on, bool wide = true) {
    platform::ProcessorFeatures features = platform::probeProcessorFeatures();
    features.mmx = on ? 1 : 0;
    features.wideVectors = wide ? features.wideVectors : 0;
    platform::setProcessorFeatures(features);
  }
  ~ScopedMmx() { platform::resetProcessorFeatures(); }
};

// ---------------------------------------------------------------------------------------------
// An independent model of the blit, written pixel by pixel from the rules, against which both
// paths are checked on seeded random input.

struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Image snapshot(const TestBuffer& buffer) {
  Image image{buffer.width(), buffer.height(), {}};
  for (int y = 0; y < buffer.height(); ++y) {
    for (int x = 0; x < buffer.width(); ++x) image.pixels.push_back(buffer.at(x, y));
  }
  return image;
}

Image snapshot(const BufferDesc& desc) {
  Image image{desc.bounds.right, desc.bounds.bottom, {}};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = pixelAddress(desc, x, y);
      image.pixels.push_back(desc.bitsPerPixel == 8    ? *p
                             : desc.bitsPerPixel == 16 ? loadPixel<uint16_t>(p)
                                                       : loadPixel<uint32_t>(p));
    }
  }
  return image;
}

struct ModelFrame {
  uint32_t depth;
  bool is565;
  int level, step, ceiling;
  const std::vector<uint8_t>* tables;
  bool mmx;
  Image work;
  Image mask;
};

uint32_t modelMix16(uint32_t s, uint32_t w, int a, bool is565, bool simdRule) {
  struct Channel {
    int shift, bits;
  };
  const Channel channels[3] = {{0, 5}, {5, is565 ? 6 : 5}, {is565 ? 11 : 10, 5}};
  uint32_t out = 0;
  for (const Channel& c : channels) {
    int sc = (s >> c.shift) & ((1 << c.bits) - 1);
    int wc = (w >> c.shift) & ((1 << c.bits) - 1);
    int dc;
    if (simdRule) {
      dc = wc + static_cast<int>(std::floor((sc - wc) * a / 128.0));
    } else {
      int drop = c.bits - 5;  // 5-6-5 green: the table works on its top five bits
      int a5 = a >> 2;
      dc = (((wc >> drop) * (32 - a5) + (sc >> drop) * a5 + 16) / 32) << drop;
    }
    out |= static_cast<uint32_t>(dc) << c.shift;
  }
  return out;
}

uint32_t modelPixel(int mode, uint32_t s, uint32_t w, uint32_t d, int m, const ModelFrame& f,
                    bool simdRule, int k) {
  if (mode == 1) return s;
  if (mode == 2) {
    bool key = f.depth == 8 ? s == 0 : f.depth == 16 ? s == 0x7FFF : (s & 0xFFFFFF) == 0xFFFFFF;
    return key ? d : s;
  }
  if (f.depth == 8) {
    int count = static_cast<int>(f.tables->size() / 65536);
    return (*f.tables)[static_cast<size_t>(std::min(k, count - 1)) * 65536 + (s << 8) + w];
  }
  if (f.depth == 16) {
    if (mode <= 4) {
      uint32_t g = f.is565 ? 0x7C0 : 0x3E0, r = f.is565 ? 0xF800 : 0x7C00;
      return (((s & 31) + (w & 31)) / 2) | ((((s & g) + (w & g)) / 2) & g) |
             ((((s & r) / 2) + ((w & r) / 2)) & r);
    }
    return modelMix16(s, w, mode == 6 ? m : f.level, f.is565, simdRule);
  }
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t sb = (s >> shift) & 0xFF, wb = (w >> shift) & 0xFF;
    uint32_t db = mode <= 4 ? (sb + wb) / 2 : (sb * 2 * f.level + wb * (256 - 2 * f.level)) / 256;
    out |= db << shift;
  }
  return out;
}

struct ModelResult {
  bool drew = false;
  Rect16 drawn{};
};

// Applies CopyBlit's behaviour to `dst` (and f.work) from `src`.
ModelResult modelBlit(const Image& src, const Rect16& srcBounds, Image& dst, const Rect16& dstBounds,
                      const Rect16& sr, const Rect16& dr, uint32_t modeWord, ModelFrame& f) {
  ModelResult result;
  int mode = static_cast<int>(modeWord & 0xFFFFFF);
  if (mode < 1 || mode > 6) return result;
  auto overlaps = [](const Rect16& a, const Rect16& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
  };
  if (!overlaps(dr, dstBounds)) return result;
  Rect16 clip = dstBounds;
  int k = 0;
  if (mode >= 3) {
    int count = static_cast<int>(f.tables->size() / 65536);
    int step = f.step, ceiling = f.ceiling;
    if (f.depth == 8 && count == 0) {
      step = 128;
      ceiling = 0;
    }
    k = f.level / step - 1;
    if (mode != 6 && f.level >= ceiling) {
      mode = 1;
    } else if (k < 0) {
      return result;
    } else {
      clip.right = std::min<int16_t>(clip.right, static_cast<int16_t>(f.work.width));
      clip.bottom = std::min<int16_t>(clip.bottom, static_cast<int16_t>(f.work.height));
    }
  }
  if (mode == 3) {
    for (int y = std::max(dr.top, clip.top); y < std::min(dr.bottom, clip.bottom); ++y) {
      for (int x = std::max(dr.left, clip.left); x < std::min(dr.right, clip.right); ++x) {
        f.work.at(x, y) = dst.at(x, y);
      }
    }
  }
  int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
  int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  if (sw <= 0 || sh <= 0) return result;
  int64_t xs = (int64_t{sw} << 16) / dw, ys = (int64_t{sh} << 16) / dh;
  std::vector<std::pair<int, int>> columns, rows;  // destination, source
  for (int x = dr.left; x < dr.right; ++x) {
    int sx = sr.left + static_cast<int>(((x - dr.left) * xs) >> 16);
    if (x >= clip.left && x < clip.right && sx >= srcBounds.left && sx < srcBounds.right) {
      columns.push_back({x, sx});
    }
  }
  for (int y = dr.top; y < dr.bottom; ++y) {
    int sy = sr.top + static_cast<int>(((y - dr.top) * ys) >> 16);
    if (y >= clip.top && y < clip.bottom && sy >= srcBounds.top && sy < srcBounds.bottom) {
      rows.push_back({y, sy});
    }
  }
  if (columns.empty() || rows.empty()) return result;
  int cw = static_cast<int>(columns.size()), ch = static_cast<int>(rows.size());
  if (mode == 6 && f.depth == 16 && (f.mask.width == 0 || f.mask.height == 0)) return result;
  int64_t mx = (int64_t{f.mask.width} << 16) / cw, my = (int64_t{f.mask.height} << 16) / ch;
  bool simdRule = f.mmx && cw > 8;
  for (int j = 0; j < ch; ++j) {
    for (int i = 0; i < cw; ++i) {
      auto [x, sx] = columns[static_cast<size_t>(i)];
      auto [y, sy] = rows[static_cast<size_t>(j)];
      uint32_t s = src.at(sx, sy);
      uint32_t w = mode >= 3 ? f.work.at(x, y) : 0;
      int m = 0;
      if (mode == 6 && f.depth == 16) {
        m = std::min<int>(f.mask.at(static_cast<int>((i * mx) >> 16), static_cast<int>((j * my) >> 16)), 127);
      }
      dst.at(x, y) = modelPixel(mode, s, w, dst.at(x, y), m, f, simdRule, k);
    }
  }
  result.drew = true;
  result.drawn = Rect16{static_cast<int16_t>(rows.front().first), static_cast<int16_t>(columns.front().first),
                        static_cast<int16_t>(rows.back().first + 1),
                        static_cast<int16_t>(columns.back().first + 1)};
  return result;
}

struct RandomCase {
  uint32_t depth;
  uint32_t layout;
  bool mmx;
  bool intoFrame;  // the destination is the frame (else a buffer of its own)
  int sourceWidth, sourceHeight;
  bool bottomUp;
  Rect16 sourceRect, destinationRect;
  uint32_t mode;
  int level;
  int tables;  // 8-bit transparency tables present
};

Rect16 randomRect(std::mt19937& random, int width, int height, int slack) {
  std::uniform_int_distribution<int> x(-slack, width + slack), y(-slack, height + slack);
  int left = x(random), top = y(random);
  std::uniform_int_distribution<int> size(-2, std::max(width, height) + slack);
  return Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left),
                static_cast<int16_t>(top + size(random)), static_cast<int16_t>(left + size(random))};
}

RandomCase makeCase(std::mt19937& random) {
  RandomCase c{};
  const uint32_t depths[] = {8, 16, 32};
  c.depth = depths[random() % 3];
  c.layout = c.depth == 16 ? (random() % 2 ? QX_LAYOUT_565 : QX_LAYOUT_555)
             : c.depth == 32 ? QX_LAYOUT_32BIT
                             : QX_LAYOUT_8BIT;
  c.mmx = random() % 2;
  c.intoFrame = random() % 4 != 0;
  c.sourceWidth = 1 + static_cast<int>(random() % 40);
  c.sourceHeight = 1 + static_cast<int>(random() % 30);
  c.bottomUp = random() % 5 == 0;
  c.sourceRect = randomRect(random, c.sourceWidth, c.sourceHeight, 6);
  if (random() % 2) {
    // Same size, placed anywhere around the destination.
    std::uniform_int_distribution<int> at(-20, 60);
    int left = at(random), top = at(random);
    c.destinationRect = Rect16{static_cast<int16_t>(top), static_cast<int16_t>(left),
                               static_cast<int16_t>(top + c.sourceRect.bottom - c.sourceRect.top),
                               static_cast<int16_t>(left + c.sourceRect.right - c.sourceRect.left)};
  } else {
    c.destinationRect = randomRect(random, 45, 33, 12);
  }
  const uint32_t modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 0x05000001, 0xFF000006};
  c.mode = modes[random() % 10];
  const int levels[] = {0, 1, 15, 16, 17, 63, 64, 111, 112, 125, 126, 127};
  c.level = random() % 2 ? levels[random() % 12] : static_cast<int>(random() % 128);
  c.tables = static_cast<int>(random() % 9);  // 8 levels want 7 tables; fewer or none too
  return c;
}

// Runs one case through CopyBlit and through the model; true when they agree.
void checkCase(const RandomCase& c, int index) {
  SCOPED_TRACE(::testing::Message() << "case " << index << " depth " << c.depth << " mode "
                                    << c.mode << " level " << c.level << " mmx " << c.mmx);
  ScopedMmx mmx(c.mmx, index % 3 != 0);
  TestFrame frame(c.depth, c.layout, 37, 23, 8, c.tables);
  ASSERT_EQ(frame.status, 0);
  setBlendLevel(frame.frame, c.level);
  std::mt19937 random(static_cast<uint32_t>(index));
  auto randomise = [&](const BufferDesc& desc) {
    for (int y = 0; y < desc.bounds.bottom; ++y) {
      for (int x = 0; x < desc.bounds.right * static_cast<int>(desc.bitsPerPixel / 8); ++x) {
        pixelAddress(desc, 0, y)[x] = static_cast<uint8_t>(random());
      }
    }
  };
  randomise(frame.desc());
  randomise(frame.work());
  randomise(frame.frame.alphaMask);

  TestBuffer source(c.depth, c.sourceWidth, c.sourceHeight, c.bottomUp, c.bottomUp ? 3 : 0);
  source.randomise(static_cast<uint32_t>(index) + 1000);
  // Some key pixels, so key copies have something to leave out.
  for (int i = 0; i < 20; ++i) {
    source.set(static_cast<int>(random() % c.sourceWidth), static_cast<int>(random() % c.sourceHeight),
               c.depth == 8 ? 0 : c.depth == 16 ? 0x7FFF : 0x12FFFFFF);
  }
  TestBuffer own(c.depth, 45, 33);
  own.randomise(static_cast<uint32_t>(index) + 2000);
  BufferDesc destination = c.intoFrame ? frame.desc() : own.desc();

  ModelFrame model{c.depth,           frame.frame.is565,   c.level, frame.frame.levelStep,
                   frame.frame.levelCeiling, &frame.transparency, c.mmx != 0,
                   snapshot(frame.work()),   snapshot(frame.frame.alphaMask)};
  Image expected = snapshot(destination);
  ModelResult drawn = modelBlit(snapshot(source), source.desc().bounds, expected,
                                destination.bounds, c.sourceRect, c.destinationRect, c.mode, model);

  Rect16 sourceRect = c.sourceRect, destinationRect = c.destinationRect;
  CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, c.mode);

  Image actual = snapshot(destination);
  ASSERT_EQ(actual.pixels, expected.pixels);
  ASSERT_EQ(snapshot(frame.work()).pixels, model.work.pixels);
  bool sameSize = c.sourceRect.right - c.sourceRect.left == c.destinationRect.right - c.destinationRect.left &&
                  c.sourceRect.bottom - c.sourceRect.top == c.destinationRect.bottom - c.destinationRect.top;
  Rect16 wanted = drawn.drew && sameSize ? drawn.drawn : c.destinationRect;
  ASSERT_TRUE(destinationRect == wanted);
  ASSERT_TRUE(sourceRect == c.sourceRect);
}

TEST(CopyBlitModel, RandomRectanglesModesAndLevelsMatchThePixelRules) {
  std::mt19937 random(20240601);
  for (int i = 0; i < 4000; ++i) {
    RandomCase c = makeCase(random);
    checkCase(c, i);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// ---------------------------------------------------------------------------------------------
// Both paths on the same seeded input: identical pixels for every member except the 16-bit
// level and mask mixes, whose two rules may differ by a few steps of a channel.

struct MemberCase {
  const char* name;
  uint32_t depth;
  uint32_t mode;
  bool scaled;
};

const MemberCase kMembers[] = {
    {"copy8", 8, 1, false},        {"copy8-scaled", 8, 1, true},
    {"key8", 8, 2, false},         {"key8-scaled", 8, 2, true},
    {"mixdest8", 8, 3, false},     {"mix8", 8, 4, false},
    {"mix8-scaled", 8, 4, true},   {"fade8", 8, 5, false},
    {"fade8-scaled", 8, 5, true},  {"mask8", 8, 6, false},
    {"mask8-scaled", 8, 6, true},  {"copy16", 16, 1, false},
    {"copy16-scaled", 16, 1, true}, {"key16", 16, 2, false},
    {"key16-scaled", 16, 2, true}, {"mixdest16", 16, 3, false},
    {"mix16", 16, 4, false},       {"mix16-scaled", 16, 4, true},
    {"fade16", 16, 5, false},      {"fade16-scaled", 16, 5, true},
    {"mask16", 16, 6, false},      {"mask16-scaled", 16, 6, true},
    {"copy32", 32, 1, false},      {"copy32-scaled", 32, 1, true},
    {"key32", 32, 2, false},       {"key32-scaled", 32, 2, true},
    {"mixdest32", 32, 3, false},   {"mix32", 32, 4, false},
    {"mix32-scaled", 32, 4, true}, {"fade32", 32, 5, false},
    {"fade32-scaled", 32, 5, true}, {"mask32", 32, 6, false},
    {"mask32-scaled", 32, 6, true},
};

// The frame after one seeded blit of a member, through one path.
std::vector<uint8_t> runMember(const MemberCase& m, bool mmx, uint32_t layout, bool wide = true) {
  ScopedMmx scoped(mmx, wide);
  TestFrame frame(m.depth, layout, 67, 41);
  setBlendLevel(frame.frame, 77);
  std::mt19937 random(5);
  for (const BufferDesc& desc : {frame.desc(), frame.work(), frame.frame.alphaMask}) {
    for (int y = 0; y < desc.bounds.bottom; ++y) {
      uint8_t* row = pixelAddress(desc, 0, y);
      for (int x = 0; x < desc.bounds.right * static_cast<int>(desc.bitsPerPixel / 8); ++x) {
        row[x] = static_cast<uint8_t>(random());
      }
    }
  }
  TestBuffer source(m.depth, 53, 31);
  source.randomise(9);
  for (int i = 0; i < 200; ++i) {
    source.set(static_cast<int>(random() % 53), static_cast<int>(random() % 31),
               m.depth == 8 ? 0 : m.depth == 16 ? 0x7FFF : 0xFFFFFF);
  }
  Rect16 sourceRect{2, 3, 29, 50};
  Rect16 destinationRect = m.scaled ? Rect16{-5, 4, 39, 70} : Rect16{9, 13, 36, 60};
  BufferDesc destination = frame.desc();
  CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, m.mode);
  std::vector<uint8_t> bytes;
  for (int y = 0; y < 41; ++y) {
    const uint8_t* row = pixelAddress(destination, 0, y);
    bytes.insert(bytes.end(), row, row + 67 * m.depth / 8);
  }
  return bytes;
}

TEST(CopyBlitPaths, SimdAndReferencePathsAgreeBitForBit) {
  for (const MemberCase& m : kMembers) {
    for (uint32_t layout : {QX_LAYOUT_555, QX_LAYOUT_565}) {
      if (m.depth != 16 && layout == QX_LAYOUT_565) continue;
      SCOPED_TRACE(std::string(m.name) + (layout == QX_LAYOUT_565 ? " 565" : ""));
      std::vector<uint8_t> simd = runMember(m, true, layout);
      std::vector<uint8_t> reference = runMember(m, false, layout);
      // 16-byte and 32-byte vectors give the same pixels.
      EXPECT_EQ(runMember(m, true, layout, false), simd);
      bool twoRules = m.depth == 16 && (m.mode == 5 || m.mode == 6);
      if (!twoRules) {
        EXPECT_EQ(simd, reference);
        continue;
      }
      // The rules differ by at most 2 steps of a five-bit channel, 3 of the six-bit green.
      EXPECT_NE(simd, reference);
      for (size_t i = 0; i + 1 < simd.size(); i += 2) {
        uint32_t a = simd[i] | (simd[i + 1] << 8), b = reference[i] | (reference[i + 1] << 8);
        bool is565 = layout == QX_LAYOUT_565;
        const int shifts[3] = {0, 5, is565 ? 11 : 10};
        const int bits[3] = {5, is565 ? 6 : 5, 5};
        for (int c = 0; c < 3; ++c) {
          int mask = (1 << bits[c]) - 1;
          int difference = std::abs(static_cast<int>((a >> shifts[c]) & mask) -
                                    static_cast<int>((b >> shifts[c]) & mask));
          ASSERT_LE(difference, bits[c] == 6 ? 3 : 2) << "pixel byte " << i;
        }
      }
    }
  }
}

// Stored hashes of every member's output on seeded input (SIMD path; the paths agree as the
// test above shows). A change here is a change of pixels.
TEST(CopyBlitPaths, EveryMemberKeepsItsStoredHash) {
  const uint64_t kExpected[] = {
#include "tests/render/copy_blit_hashes.inc"
  };
  size_t next = 0;
  for (const MemberCase& m : kMembers) {
    for (uint32_t layout : {QX_LAYOUT_555, QX_LAYOUT_565}) {
      if (m.depth != 16 && layout == QX_LAYOUT_565) continue;
      if (m.depth == 16 && layout == QX_LAYOUT_565 && m.mode != 5 && m.mode != 4) continue;
      std::vector<uint8_t> bytes = runMember(m, true, layout);
      uint64_t hash = hashBytes(bytes.data(), bytes.size());
      ASSERT_LT(next, std::size(kExpected));
      EXPECT_EQ(hash, kExpected[next]) << m.name << (layout == QX_LAYOUT_565 ? " 565" : "")
                                       << ": 0x" << std::hex << hash;
      ++next;
    }
  }
  EXPECT_EQ(next, std::size(kExpected));
}


// ---------------------------------------------------------------------------------------------
// Clipping, levels and the rules on cases small enough to read.

// Draws `source` (all pixels `value`) into the frame and reports the rectangle afterwards.
struct Drawn {
  Rect16 rect;
  int pixelsChanged;
};

Drawn copyOnto(TestFrame& frame, uint32_t value, Rect16 destinationRect, uint32_t mode = 1) {
  TestBuffer source(frame.frame.depth, 64, 64);
  source.fillWith(value);
  Rect16 sourceRect{0, 0, static_cast<int16_t>(destinationRect.bottom - destinationRect.top),
                    static_cast<int16_t>(destinationRect.right - destinationRect.left)};
  BufferDesc destination = frame.desc();
  Image before = snapshot(destination);
  CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, mode);
  Image after = snapshot(destination);
  int changed = 0;
  for (size_t i = 0; i < after.pixels.size(); ++i) changed += after.pixels[i] != before.pixels[i];
  return {destinationRect, changed};
}

TEST(CopyBlitClipping, DestinationRectangleIsClippedInPlace) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 40, 30);
  struct Case {
    Rect16 destination;
    Rect16 expected;
    int pixels;
  } cases[] = {
      {{5, 40, 15, 50}, {5, 40, 15, 50}, 0},     // wholly right of the bounds
      {{5, 39, 15, 49}, {5, 39, 15, 40}, 10},    // one column overlaps
      {{-4, -6, 3, 2}, {0, 0, 3, 2}, 6},         // above and left
      {{28, 30, 40, 50}, {28, 30, 30, 40}, 20},  // below and right
      {{30, 0, 35, 5}, {30, 0, 35, 5}, 0},       // touching the bottom edge only
      {{7, 7, 7, 12}, {7, 7, 7, 12}, 0},         // empty
      {{9, 12, 5, 10}, {9, 12, 5, 10}, 0},       // negative
  };
  for (const Case& c : cases) {
    fillBuffer(frame.desc(), 0);
    Drawn drawn = copyOnto(frame, 9, c.destination);
    EXPECT_TRUE(drawn.rect == c.expected) << c.destination.top << "," << c.destination.left;
    EXPECT_EQ(drawn.pixelsChanged, c.pixels) << c.destination.top << "," << c.destination.left;
  }
}

TEST(CopyBlitLevels, MixAt16BitsByLevel) {
  TestFrame frame(16, QX_LAYOUT_555, 16, 4);
  fillBuffer(frame.work(), 0x0000);
  struct Case {
    int level;
    uint16_t expected;  // drawing 0x7FFF over a WorkBuffer of 0 onto a frame of 0x1234
  } cases[] = {{0, 0x1234}, {1, 0x3DEF}, {64, 0x3DEF}, {125, 0x3DEF}, {126, 0x7FFF}, {127, 0x7FFF}};
  for (const Case& c : cases) {
    fillBuffer(frame.desc(), 0x1234);
    setBlendLevel(frame.frame, c.level);
    copyOnto(frame, 0x7FFF, Rect16{0, 0, 4, 16}, QX_BLIT_MIX_WORK);
    EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), 3, 2)), c.expected) << c.level;
  }
}

TEST(CopyBlitLevels, LevelMixFollowsTheTableRuleOrTheSimdRule) {
  // Red 31 over black at level 64: the table rule gives red 16, the SIMD rule 15. The SIMD
  // rule serves rows of more than 8 pixels when the processor flag is set.
  struct Case {
    bool mmx;
    int width;
    uint16_t red;
  } cases[] = {{false, 16, 16}, {true, 16, 15}, {true, 8, 16}, {false, 8, 16}, {true, 9, 15}};
  for (const Case& c : cases) {
    ScopedMmx mmx(c.mmx);
    TestFrame frame(16, QX_LAYOUT_555, 16, 2);
    fillBuffer(frame.work(), 0);
    fillBuffer(frame.desc(), 0);
    setBlendLevel(frame.frame, 64);
    copyOnto(frame, 0x7C00, Rect16{0, 0, 2, static_cast<int16_t>(c.width)}, QX_BLIT_FADE);
    for (int x = 0; x < c.width; ++x) {
      EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), x, 1)) >> 10, c.red)
          << "mmx " << c.mmx << " width " << c.width << " x " << x;
    }
  }
}

TEST(CopyBlitLevels, EightBitTablesFollowTheLevelAndNeverPassTheData) {
  // Three levels: step 42, ceiling 84, two tables. Mode 6 at level 127 asks for table 2 and
  // gets the last one present.
  struct Case {
    uint32_t mode;
    int level;
    int tables;
    int expectedTable;  // -1: the source copied, -2: nothing drawn
  } cases[] = {
      {4, 41, 2, -2}, {4, 42, 2, 0}, {4, 83, 2, 0}, {4, 84, 2, -1}, {5, 50, 2, 0},
      {6, 84, 2, 1},  {6, 127, 2, 1}, {6, 127, 1, 0},
      // Without any table the frame acts as one of one level: mixes copy, mask mixes draw nothing.
      {4, 50, 0, -1}, {5, 127, 0, -1}, {6, 127, 0, -2},
  };
  for (const Case& c : cases) {
    TestFrame frame(8, QX_LAYOUT_8BIT, 12, 3, 3, c.tables);
    fillBuffer(frame.work(), 0x21);
    fillBuffer(frame.desc(), 0x05);
    setBlendLevel(frame.frame, c.level);
    copyOnto(frame, 0x9A, Rect16{0, 0, 3, 12}, c.mode);
    uint8_t expected = c.expectedTable == -1   ? 0x9A
                       : c.expectedTable == -2 ? 0x05
                                               : frame.transparency[c.expectedTable * 65536 + 0x9A21];
    EXPECT_EQ(*pixelAddress(frame.desc(), 5, 1), expected) << c.mode << " " << c.level;
  }
}

TEST(CopyBlitRules, EightBitKeyCopyOfZerosLeavesTheRow) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 20, 2);
  fillBuffer(frame.desc(), 0x44);
  EXPECT_EQ(copyOnto(frame, 0, Rect16{0, 0, 2, 20}, QX_BLIT_KEY).pixelsChanged, 0);
  EXPECT_EQ(copyOnto(frame, 1, Rect16{0, 0, 2, 20}, QX_BLIT_KEY).pixelsChanged, 40);
}

TEST(CopyBlitRules, TenPixelBlendAtAnOddAddressKeepsItsOrder) {
  for (bool mmx : {true, false}) {
    ScopedMmx scoped(mmx);
    TestFrame frame(8, QX_LAYOUT_8BIT, 16, 1);
    setBlendLevel(frame.frame, 40);  // table 1
    TestBuffer source(8, 10, 1);
    for (int x = 0; x < 10; ++x) source.set(x, 0, 10 + x);
    for (int x = 0; x < 16; ++x) pixelAddress(frame.work(), x, 0)[0] = static_cast<uint8_t>(100 + x);
    Rect16 sourceRect{0, 0, 1, 10}, destinationRect{0, 1, 1, 11};
    BufferDesc destination = frame.desc();
    CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, QX_BLIT_MIX_WORK);
    for (int x = 1; x < 11; ++x) {
      EXPECT_EQ(*pixelAddress(destination, x, 0),
                frame.transparency[65536 + ((9 + x) << 8) + 100 + x])
          << "x " << x << " mmx " << mmx;
    }
  }
}

TEST(CopyBlitScaling, HundredToThreeHundredColumns) {
  TestFrame frame(8, QX_LAYOUT_8BIT, 300, 1);
  TestBuffer source(8, 100, 1);
  for (int x = 0; x < 100; ++x) source.set(x, 0, x);
  Rect16 sourceRect{0, 0, 1, 100}, destinationRect{0, 0, 1, 300};
  BufferDesc destination = frame.desc();
  CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, QX_BLIT_COPY);
  const int kFirst[] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3};  // step 21845
  for (int x = 0; x < 11; ++x) EXPECT_EQ(*pixelAddress(destination, x, 0), kFirst[x]) << x;
  EXPECT_EQ(*pixelAddress(destination, 299, 0), 99);
  EXPECT_TRUE(destinationRect == (Rect16{0, 0, 1, 300}));  // scaled blits leave it alone
}

TEST(CopyBlitScaling, DoublingAndQuadruplingMatchTheSamplingAtEveryAlignment) {
  for (uint32_t depth : {8u, 16u, 32u}) {
    for (int factor : {2, 4}) {
      for (int left = -5; left <= 5; ++left) {
        for (bool mmx : {true, false}) {
          ScopedMmx scoped(mmx);
          TestFrame frame(depth, depth == 16 ? QX_LAYOUT_555 : QX_LAYOUT_8BIT, 97, 3);
          TestBuffer source(depth, 23, 2);
          source.randomise(static_cast<uint32_t>(left + 50));
          Rect16 sourceRect{0, 0, 2, 23};
          Rect16 destinationRect{0, static_cast<int16_t>(left), static_cast<int16_t>(2 * factor),
                                 static_cast<int16_t>(left + 23 * factor)};
          BufferDesc destination = frame.desc();
          CopyBlit(&source.desc(), &destination, &sourceRect, &destinationRect, QX_BLIT_COPY);
          for (int x = std::max(left, 0); x < std::min(left + 23 * factor, 97); ++x) {
            uint32_t got = frame.desc().bitsPerPixel == 8 ? *pixelAddress(destination, x, 1)
                           : depth == 16 ? loadPixel<uint16_t>(pixelAddress(destination, x, 1))
                                         : loadPixel<uint32_t>(pixelAddress(destination, x, 1));
            ASSERT_EQ(got, source.at((x - left) / factor, 0))
                << "depth " << depth << " factor " << factor << " left " << left << " x " << x;
          }
        }
      }
    }
  }
}

TEST(CopyBlitBadInput, NothingIsDrawn) {
  TestFrame frame(16, QX_LAYOUT_555, 20, 10);
  TestBuffer source(16, 20, 10);
  source.fillWith(0x1111);
  TestBuffer eightBit(8, 20, 10);
  eightBit.fillWith(7);
  struct Case {
    const char* what;
    BufferDesc source;
    uint32_t mode;
    Rect16 sourceRect;
  };
  BufferDesc nullBase = source.desc();
  nullBase.baseAddr = nullptr;
  BufferDesc wideRows = source.desc();
  wideRows.rowBytes = 0x8000;
  BufferDesc odd = source.desc();
  odd.bitsPerPixel = 24;
  const Case cases[] = {
      {"null base", nullBase, 1, {0, 0, 10, 20}},
      {"8-bit source in a 16-bit frame", eightBit.desc(), 1, {0, 0, 10, 20}},
      {"24-bit source", odd, 1, {0, 0, 10, 20}},
      {"row bytes beyond 0x7FFF", wideRows, 1, {0, 0, 10, 20}},
      {"mode 0", source.desc(), 0, {0, 0, 10, 20}},
      {"mode 7", source.desc(), 7, {0, 0, 10, 20}},
      {"mode 0x101", source.desc(), 0x101, {0, 0, 10, 20}},
      {"source rectangle outside the source", source.desc(), 1, {20, 30, 30, 50}},
      {"empty source rectangle", source.desc(), 1, {3, 3, 3, 23}},
  };
  for (const Case& c : cases) {
    fillBuffer(frame.desc(), 0);
    Rect16 sourceRect = c.sourceRect, destinationRect{0, 0, 10, 20};
    BufferDesc destination = frame.desc();
    CopyBlit(&c.source, &destination, &sourceRect, &destinationRect, c.mode);
    EXPECT_EQ(snapshot(destination).pixels, std::vector<uint32_t>(200, 0)) << c.what;
  }
  // A null destination base, null records and null rectangles are refused as well.
  Rect16 sourceRect{0, 0, 10, 20}, destinationRect{0, 0, 10, 20};
  BufferDesc noPixels = frame.desc();
  noPixels.baseAddr = nullptr;
  CopyBlit(&source.desc(), &noPixels, &sourceRect, &destinationRect, 1);
  CopyBlit(nullptr, &noPixels, &sourceRect, &destinationRect, 1);
  CopyBlit(&source.desc(), nullptr, &sourceRect, &destinationRect, 1);
  CopyBlit(&source.desc(), &noPixels, nullptr, &destinationRect, 1);
  CopyBlit(&source.desc(), &noPixels, &sourceRect, nullptr, 1);
  // Bits 24-31 of the mode word are ignored. (Called as plug-ins call it.)
  BufferDesc destination = frame.desc();
  CopyBlitProc entry = &CopyBlit;
  entry(&source.desc(), &destination, &sourceRect, &destinationRect, 0xAB000001);
  EXPECT_EQ(snapshot(destination).pixels, std::vector<uint32_t>(200, 0x1111));
}

TEST(CopyBlitRules, BottomUpBuffersOnBothSides) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 4, 4);
  TestBuffer source(32, 6, 5, true, 4);
  TestBuffer destination(32, 7, 6, true);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) source.set(x, y, 0x010000u * y + x);
  }
  Rect16 sourceRect{1, 2, 4, 6}, destinationRect{2, 1, 5, 5};
  CopyBlit(&source.desc(), &destination.desc(), &sourceRect, &destinationRect, QX_BLIT_COPY);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) {
      bool inside = y >= 2 && y < 5 && x >= 1 && x < 5;
      EXPECT_EQ(destination.at(x, y), inside ? 0x010000u * (y - 1) + (x + 1) : 0u) << x << "," << y;
    }
  }
}

TEST(CopyBlitRules, ThirtyTwoBitLevelMixRewritesTheMultiplyTable) {
  TestFrame frame(32, QX_LAYOUT_32BIT, 4, 1);
  fillBuffer(frame.work(), 0x00204060);
  setBlendLevel(frame.frame, 40);
  copyOnto(frame, 0xFFA0C0E0, Rect16{0, 0, 1, 4}, QX_BLIT_FADE);
  EXPECT_EQ(multiplyTable()[1], 80);
  EXPECT_EQ(multiplyTable()[256 + 1], 176);
  // Each byte (s * 80 + w * 176) >> 8, the fourth 0.
  EXPECT_EQ(loadPixel<uint32_t>(pixelAddress(frame.desc(), 2, 0)),
            ((0xA0u * 80 + 0x20 * 176) >> 8) << 16 | ((0xC0u * 80 + 0x40 * 176) >> 8) << 8 |
                ((0xE0u * 80 + 0x60 * 176) >> 8));
}

TEST(CopyBlitRules, MaskMixIsWeightedByTheStretchedMask) {
  TestFrame frame(16, QX_LAYOUT_555, 8, 4);  // mask 4 x 2
  fillBuffer(frame.work(), 0);
  setBlendLevel(frame.frame, 1);
  const uint8_t kMask[2][4] = {{0, 127, 255, 64}, {127, 127, 0, 0}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) *pixelAddress(frame.frame.alphaMask, x, y) = kMask[y][x];
  }
  ScopedMmx reference(false);
  copyOnto(frame, 0x001F, Rect16{0, 0, 4, 8}, QX_BLIT_MASK);  // blue 31 over black
  // Weight a takes plane a >> 2: blue (31 x (a >> 2) + 16) / 32; 255 counts as 127.
  const uint16_t kBlue[2][4] = {{0, 30, 30, 16}, {30, 30, 0, 0}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), x, y)), kBlue[y / 2][x / 2])
          << x << "," << y;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// PortCopyBits: PixelMap handles, modes 1 to 4, colour conversion between pixel sizes.

struct TestMap {
  TestMap(uint32_t depth, int width, int height, MemHandle table = nullptr) {
    handle = newPixelMap(depth, Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)},
                         table, true);
  }
  ~TestMap() { disposePixelMap(handle); }
  BufferDesc desc() const { return bufferDescFromPixelMap(handle); }
  MemHandle handle;
};

TEST(PortCopyBits, CopiesBlendsAndConvertsBetweenMaps) {
  TestFrame frame(16, QX_LAYOUT_555, 8, 8);
  MemHandle palette = makeResourceColorTable(8);
  TestMap eight(8, 8, 8, palette), sixteen(16, 8, 8), thirtyTwo(32, 8, 8), otherEight(8, 8, 8, palette);
  fillBuffer(eight.desc(), 35);             // red in the default table
  fillBuffer(otherEight.desc(), 0);
  fillBuffer(thirtyTwo.desc(), 0x0000FF00);  // green
  Rect16 all{0, 0, 8, 8};

  Rect16 d = all;
  PortCopyBits(&eight.handle, &sixteen.handle, &all, &d, 1, nullptr);
  EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(sixteen.desc(), 3, 3)), 0x7C00);
  d = all;
  PortCopyBits(&sixteen.handle, &thirtyTwo.handle, &all, &d, 1, nullptr);
  EXPECT_EQ(loadPixel<uint32_t>(pixelAddress(thirtyTwo.desc(), 3, 3)), 0x00F80000u);
  fillBuffer(thirtyTwo.desc(), 0x0000FF00);
  d = all;
  PortCopyBits(&thirtyTwo.handle, &eight.handle, &all, &d, 1, nullptr);
  EXPECT_EQ(*pixelAddress(eight.desc(), 3, 3), 185);  // the table's pure green
  // Maps of one pixel size copy at that size even when the frame has another.
  Rect16 half{0, 0, 4, 4};
  d = Rect16{2, 2, 6, 6};
  PortCopyBits(&eight.handle, &otherEight.handle, &half, &d, 1, nullptr);
  EXPECT_EQ(*pixelAddress(otherEight.desc(), 5, 5), 185);
  EXPECT_EQ(*pixelAddress(otherEight.desc(), 1, 1), 0);

  // Modes 5 and 6 are not this entry's; mode 4 mixes with the WorkBuffer.
  fillBuffer(frame.work(), 0);
  setBlendLevel(frame.frame, 64);
  TestMap source(16, 8, 8);
  fillBuffer(source.desc(), 0x7FFF);
  MemHandle frameMap = frame.frame.framePixelMap;
  for (uint32_t mode : {5u, 6u}) {
    fillBuffer(frame.desc(), 0x1234);
    d = all;
    PortCopyBits(&source.handle, &frameMap, &all, &d, mode, nullptr);
    EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), 1, 1)), 0x1234) << mode;
  }
  d = all;
  PortCopyBits(&source.handle, &frameMap, &all, &d, 4, nullptr);
  EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), 1, 1)), 0x3DEF);
  // Mode 3 saves the destination into the WorkBuffer first (through its handle).
  fillBuffer(frame.desc(), 0x0842);
  d = all;
  PortCopyBits(&source.handle, &frameMap, &all, &d, 3, nullptr);
  EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.work(), 1, 1)), 0x0842);
  EXPECT_EQ(loadPixel<uint16_t>(pixelAddress(frame.desc(), 1, 1)), average16(0x7FFF, 0x0842, false));
  PortCopyBits(nullptr, &frameMap, &all, &d, 1, nullptr);
  MemHandle none = nullptr;
  PortCopyBits(&none, &frameMap, &all, &d, 1, nullptr);
  disposeHandle(palette);
}

}  // namespace
}  // namespace quorix::render
