// The vector helpers take 32-byte vectors by value; they are always inlined into the row
// functions compiled for that width, so the calling-convention note does not apply. (Before
// the includes: the note is reported where the helpers are defined.)
#pragma GCC diagnostic ignored "-Wpsabi"

#include "render/blit_members.h"

#include <algorithm>
#include <cstring>

#include "platform/cpu_features.h"
#include "render/blit_vector.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

// One row of a copy: source column (acc + i * step) >> 16 for destination pixel i.
template <typename Pixel, bool Simd>
void copyRow(uint8_t* d, const uint8_t* sourceRow, int64_t acc, int64_t step, int count) {
  constexpr int kSize = sizeof(Pixel);
  if constexpr (Simd) {
    if (step == 0x10000) {
      std::memmove(d, sourceRow + (acc >> 16) * kSize, static_cast<size_t>(count) * kSize);
      return;
    }
#if QUORIX_BLIT_WIDE
    // Doubling and quadrupling: each source pixel written 2 or 4 times in a row.
    if ((acc & 0xFFFF) == 0 && (step == 0x8000 || step == 0x4000)) {
      const uint8_t* s = sourceRow + (acc >> 16) * kSize;
      int done = step == 0x8000 ? repeatPixels<Pixel, 2>(d, s, count)
                                : repeatPixels<Pixel, 4>(d, s, count);
      acc += done * step;
      d += done * kSize;
      count -= done;
    }
#endif
  }
  for (int i = 0; i < count; ++i, acc += step) {
    storePixel<Pixel>(d + i * kSize, loadPixel<Pixel>(sourceRow + (acc >> 16) * kSize));
  }
}

// Source pixels of a scaled row, gathered into `out`.
template <typename Pixel>
void gatherRow(uint8_t* out, const uint8_t* sourceRow, int64_t acc, int64_t step, int count) {
  for (int i = 0; i < count; ++i, acc += step) {
    storePixel<Pixel>(out + i * sizeof(Pixel), loadPixel<Pixel>(sourceRow + (acc >> 16) * sizeof(Pixel)));
  }
}

// One stretch of a mixing or key row: d, s and w point at `count` pixels each, `weights` (16-bit
// mask mixes) at as many weights.
template <BlitOp Op, typename Pixel, bool Simd>
void mixRow(uint8_t* d, const uint8_t* s, const uint8_t* w, MaskWeights weights, int count,
            const BlendParams& params) {
  constexpr int kSize = sizeof(Pixel);
  int i = 0;
  if constexpr (Simd && kHasVector<Op, Pixel>) {
    constexpr bool kTwoRules = sizeof(Pixel) == 2 && (Op == BlitOp::Fade || Op == BlitOp::Mask);
    if (!kTwoRules || params.simdRule) {
#if QUORIX_BLIT_WIDE
      if (params.wideVectors) i = vectorRowWide<Op, Pixel>(d, s, w, weights, count, params);
#endif
      i += vectorRowNarrow<Op, Pixel>(d + i * kSize, s + i * kSize,
                                      kReadsWork<Op> ? w + i * kSize : nullptr,
                                      kWeightFromMask<Op, Pixel> ? weights + i : weights, count - i,
                                      params);
    }
  }
  for (; i < count; ++i) {
    Pixel work = 0;
    if constexpr (kReadsWork<Op>) work = loadPixel<Pixel>(w + i * kSize);
    int a = kWeightFromMask<Op, Pixel> ? weights.a[i] : params.level;
    storePixel<Pixel>(d + i * kSize,
                      applyRule<Op, Pixel>(loadPixel<Pixel>(s + i * kSize), work,
                                           loadPixel<Pixel>(d + i * kSize), a, params));
  }
}

// The weights of `count` destination pixels from column (acc + i * step) >> 16 of the mask
// row, into a and a16. Opacities run 0..127; larger bytes written by plug-ins count as 127.
// `wide`: 32-byte vectors may be used.
void sampleMask(uint16_t* a, uint16_t* a16, const uint8_t* maskRow, int64_t acc, int64_t step,
                int count, bool wide) {
  int i = 0;
#if QUORIX_BLIT_WIDE
  // A half-size mask over the whole frame: each mask byte serves two pixels.
  if (step == 0x8000 && (acc & 0xFFFF) == 0) {
    const uint8_t* mask = maskRow + (acc >> 16);
    if (wide) i = doubleMaskWeightsWide(a, a16, mask, count);
    i += doubleMaskWeights(a + i, a16 + i, mask + i / 2, count - i);
  }
#else
  (void)wide;
#endif
  for (acc += i * step; i < count; ++i, acc += step) {
    a[i] = std::min<uint8_t>(maskRow[acc >> 16], 127);
    a16[i] = static_cast<uint16_t>(a[i] << 4);
  }
}

template <BlitOp Op, typename Pixel, bool Simd>
void runBlit(const BlitJob& job) {
  constexpr int kSize = sizeof(Pixel);
  // Rows go in stretches: of up to 256 pixels when the source pixels are gathered into a
  // buffer first (scaled rows), of up to 4096 when they are read in place.
  constexpr int kChunk = 256;
  constexpr int kInPlaceChunk = 4096;
  const BlitPlan& plan = job.plan;
  BlendParams params = job.params;
  params.simdRule = Simd && plan.width > 8;
  params.wideVectors = Simd && platform::processorFeatures().wideVectors != 0;
  alignas(16) uint8_t gathered[kChunk * kSize];
  // Mask weights of a whole row (rows share mask rows, so a row's weights often serve the next
  // one too), or of one chunk of a row wider than this.
  constexpr int kRowWeights = kWeightFromMask<Op, Pixel> ? kInPlaceChunk : 1;
  alignas(32) uint16_t weightsA[kRowWeights];
  alignas(32) uint16_t weightsA16[kRowWeights];
  const MaskWeights weights{weightsA, weightsA16};
  const uint8_t* sampledRow = nullptr;
  int64_t maskColumnStep = 0, maskRowStep = 0;
  if constexpr (kWeightFromMask<Op, Pixel>) {
    // The whole mask is stretched over the drawn rectangle.
    maskColumnStep = (int64_t{job.maskWidth} << 16) / plan.width;
    maskRowStep = (int64_t{job.maskHeight} << 16) / plan.height;
  }
  if (Op == BlitOp::Copy && Simd && plan.sameSize() && job.sourceRowBytes == job.destinationRowBytes &&
      job.sourceRowBytes == plan.width * kSize) {
    // Both buffers hold these rows back to back: one move.
    std::memmove(job.destination, job.source + (job.rowAcc >> 16) * job.sourceRowBytes + (job.colAcc >> 16) * kSize,
                 static_cast<size_t>(plan.height) * plan.width * kSize);
    return;
  }
  for (int j = 0; j < plan.height; ++j) {
    uint8_t* d = job.destination + static_cast<ptrdiff_t>(j) * job.destinationRowBytes;
    const uint8_t* sourceRow =
        job.source + static_cast<ptrdiff_t>((job.rowAcc + j * plan.yStep) >> 16) * job.sourceRowBytes;
    if constexpr (Op == BlitOp::Copy) {
      copyRow<Pixel, Simd>(d, sourceRow, job.colAcc, plan.xStep, plan.width);
    } else {
      const uint8_t* w = nullptr;
      if constexpr (kReadsWork<Op>) w = job.work + static_cast<ptrdiff_t>(j) * job.workRowBytes;
      const uint8_t* maskRow = nullptr;
      if constexpr (kWeightFromMask<Op, Pixel>) {
        maskRow = job.mask + static_cast<ptrdiff_t>((j * maskRowStep) >> 16) * job.maskRowBytes;
      }
      const int chunk = plan.xStep == 0x10000 ? kInPlaceChunk : kChunk;
      for (int start = 0; start < plan.width; start += chunk) {
        int count = std::min(chunk, plan.width - start);
        const uint8_t* s = gathered;
        int64_t acc = job.colAcc + start * plan.xStep;
        if (plan.xStep == 0x10000) {
          s = sourceRow + (acc >> 16) * kSize;
        } else {
          gatherRow<Pixel>(gathered, sourceRow, acc, plan.xStep, count);
        }
        MaskWeights chunkWeights = weights;
        if constexpr (kWeightFromMask<Op, Pixel>) {
          if (plan.width <= kRowWeights) {
            if (maskRow != sampledRow) {
              sampleMask(weightsA, weightsA16, maskRow, 0, maskColumnStep, plan.width,
                         params.wideVectors);
            }
            sampledRow = maskRow;
            chunkWeights = weights + start;
          } else {
            sampleMask(weightsA, weightsA16, maskRow, start * maskColumnStep, maskColumnStep, count,
                       params.wideVectors);
          }
        }
        mixRow<Op, Pixel, Simd>(d + start * kSize, s, kReadsWork<Op> ? w + start * kSize : nullptr,
                                chunkWeights, count, params);
      }
    }
  }
}

struct MemberSet {
  BlitMember byOp[kBlitOpCount];
};

template <typename Pixel, bool Simd>
constexpr MemberSet kMemberSet = {{
    &runBlit<BlitOp::Copy, Pixel, Simd>,
    &runBlit<BlitOp::Key, Pixel, Simd>,
    &runBlit<BlitOp::Mix, Pixel, Simd>,
    &runBlit<BlitOp::Fade, Pixel, Simd>,
    &runBlit<BlitOp::Mask, Pixel, Simd>,
}};

// By path (reference, SIMD) and depth (8, 16, 32).
constexpr const MemberSet* kMembers[2][3] = {
    {&kMemberSet<uint8_t, false>, &kMemberSet<uint16_t, false>, &kMemberSet<uint32_t, false>},
    {&kMemberSet<uint8_t, true>, &kMemberSet<uint16_t, true>, &kMemberSet<uint32_t, true>},
};

}  // namespace

BlitMember blitMember(BlitOp op, uint32_t depth, bool simd) {
  int depthIndex = depth == 8 ? 0 : depth == 16 ? 1 : depth == 32 ? 2 : -1;
  if (depthIndex < 0) return nullptr;
  return kMembers[simd ? 1 : 0][depthIndex]->byOp[static_cast<int>(op)];
}

}  // namespace quorix::render
