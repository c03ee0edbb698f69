// The level and mask mix members called directly, at every level and on channel values at the
// ends of their ranges, against the per-pixel rules: the vector forms of 16 and 32 bytes, the
// scalar rest of a row and the reference path must all give the rule's pixels. Levels that
// CopyBlit never passes on (below the first transparency level, 0 included) are covered here.
#include "render/blit_members.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/cpu_features.h"
#include "render/blend_tables.h"
#include "render/blit_rules.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

// The SIMD path with or without 32-byte vectors, or the reference path, for a scope.
class ScopedPath {
 public:
  ScopedPath(bool simd, bool wide) {
    platform::ProcessorFeatures features = platform::probeProcessorFeatures();
    features.mmx = simd ? 1 : 0;
    features.wideVectors = wide ? features.wideVectors : 0;
    platform::setProcessorFeatures(features);
  }
  ~ScopedPath() { platform::resetProcessorFeatures(); }
};

// 78 pixels a row: at 16 bits four 32-byte vectors, one 16-byte vector and 6 pixels left to
// the scalar rule; at 32 bits nine 32-byte vectors, one 16-byte vector and 2 pixels.
constexpr int kWidth = 78;
constexpr int kHeight = 6;

// A pixel whose channels are mostly the ends of their ranges (0, 1, max - 1, max), else random.
uint32_t edgyPixel(std::mt19937& random, uint32_t depth, bool is565) {
  auto channel = [&](int bits) {
    const int max = (1 << bits) - 1;
    const int ends[] = {0, 1, max - 1, max};
    return random() % 3 != 0 ? ends[random() % 4] : static_cast<int>(random() % (max + 1));
  };
  if (depth == 32) {
    // The fourth byte is random: the mixes must drop it.
    return static_cast<uint32_t>(channel(8) | channel(8) << 8 | channel(8) << 16) |
           (static_cast<uint32_t>(random()) & 0xFF000000u);
  }
  // 5-5-5 keeps a random top bit, which the mixes must drop too.
  uint32_t top = is565 ? 0 : (random() & 1u) << 15;
  return static_cast<uint32_t>(channel(5) | channel(is565 ? 6 : 5) << 5 | channel(5) << (is565 ? 11 : 10)) |
         top;
}

struct MixCase {
  const char* name;
  uint32_t depth;
  bool is565;
  BlitOp op;
  int maskWidth, maskHeight;  // 16-bit mask mixes: the mask stretched over the row
};

const MixCase kMixCases[] = {
    {"fade 16 5-5-5", 16, false, BlitOp::Fade, 0, 0},
    {"fade 16 5-6-5", 16, true, BlitOp::Fade, 0, 0},
    // Half the row's width: each mask byte serves two pixels (the frame's own mask).
    {"mask 16 5-5-5 half-size mask", 16, false, BlitOp::Mask, kWidth / 2, kHeight / 2},
    {"mask 16 5-6-5 half-size mask", 16, true, BlitOp::Mask, kWidth / 2, kHeight / 2},
    // Any other stretch samples column by column.
    {"mask 16 5-5-5 odd-size mask", 16, false, BlitOp::Mask, 25, 4},
    {"mask 16 5-6-5 odd-size mask", 16, true, BlitOp::Mask, 25, 4},
    {"fade 32", 32, false, BlitOp::Fade, 0, 0},
    {"mask 32", 32, false, BlitOp::Mask, 0, 0},
};

// Every level, each path: every pixel is the rule's. At 16 bits the SIMD path follows the SIMD
// rule (rows of more than 8 pixels) and the reference path the table rule; at 32 bits both
// follow the multiply table set for the level.
TEST(BlitMixMembers, EveryLevelGivesTheRulesPixelsOnEveryPath) {
  std::mt19937 random(41);
  for (const MixCase& c : kMixCases) {
    SCOPED_TRACE(c.name);
    const int size = static_cast<int>(c.depth / 8);
    const int rowBytes = kWidth * size + 8;  // rows that do not start 16-byte aligned
    std::vector<uint8_t> source(static_cast<size_t>(rowBytes) * kHeight);
    std::vector<uint8_t> work(source.size()), destination(source.size());
    std::vector<uint8_t> mask(static_cast<size_t>(std::max(c.maskWidth * c.maskHeight, 1)));
    for (int level = 0; level < 128; ++level) {
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          size_t at = static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * size;
          uint32_t s = edgyPixel(random, c.depth, c.is565), w = edgyPixel(random, c.depth, c.is565);
          if (c.depth == 16) {
            storePixel<uint16_t>(&source[at], static_cast<uint16_t>(s));
            storePixel<uint16_t>(&work[at], static_cast<uint16_t>(w));
          } else {
            storePixel<uint32_t>(&source[at], s);
            storePixel<uint32_t>(&work[at], w);
          }
        }
      }
      // Opacities over the whole byte range: above 127 counts as 127.
      for (uint8_t& m : mask) m = static_cast<uint8_t>(random());

      for (int path = 0; path < 3; ++path) {
        const bool simd = path < 2, wide = path == 0;
        SCOPED_TRACE(::testing::Message() << "level " << level << (simd ? wide ? " wide" : " narrow" : " reference"));
        ScopedPath scoped(simd, wide);
        BlitJob job;
        job.source = source.data();
        job.sourceRowBytes = rowBytes;
        job.destination = destination.data();
        job.destinationRowBytes = rowBytes;
        job.work = work.data();
        job.workRowBytes = rowBytes;
        if (c.maskWidth > 0) {
          job.mask = mask.data();
          job.maskRowBytes = c.maskWidth;
          job.maskWidth = c.maskWidth;
          job.maskHeight = c.maskHeight;
        }
        job.plan.width = kWidth;
        job.plan.height = kHeight;
        job.plan.xStep = job.plan.yStep = 0x10000;
        job.params.level = level;
        job.params.is565 = c.is565;
        if (c.depth == 32) {
          setMultiplyTableLevel(level);
          job.params.multiply = multiplyTable();
        }
        std::fill(destination.begin(), destination.end(), 0xA5);
        blitMember(c.op, c.depth, simd)(job);

        const int64_t maskColumnStep = c.maskWidth > 0 ? (int64_t{c.maskWidth} << 16) / kWidth : 0;
        const int64_t maskRowStep = c.maskWidth > 0 ? (int64_t{c.maskHeight} << 16) / kHeight : 0;
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) {
            size_t at = static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * size;
            int a = level;
            if (c.maskWidth > 0) {
              a = std::min<int>(mask[static_cast<size_t>((y * maskRowStep) >> 16) * c.maskWidth +
                                     static_cast<size_t>((x * maskColumnStep) >> 16)],
                                127);
            }
            if (c.depth == 16) {
              uint16_t s = loadPixel<uint16_t>(&source[at]), w = loadPixel<uint16_t>(&work[at]);
              uint16_t expected = simd ? simdMix16(s, w, a, c.is565) : tableMix16(s, w, a, c.is565);
              ASSERT_EQ(loadPixel<uint16_t>(&destination[at]), expected)
                  << "pixel " << x << "," << y << " s " << s << " w " << w << " a " << a;
            } else {
              uint32_t s = loadPixel<uint32_t>(&source[at]), w = loadPixel<uint32_t>(&work[at]);
              ASSERT_EQ(loadPixel<uint32_t>(&destination[at]), levelMix32(s, w, multiplyTable()))
                  << "pixel " << x << "," << y << " s " << s << " w " << w;
            }
          }
          // Nothing is written past the row's pixels.
          for (int k = kWidth * size; k < rowBytes; ++k) {
            ASSERT_EQ(destination[static_cast<size_t>(y) * rowBytes + k], 0xA5) << "row " << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorix::render
