// The SIMD forms of the blit rules. Each rule is written once over a vector of `Bytes` bytes
// (the compiler's vector extensions) and instantiated for 16-byte vectors (SSE2 on x86-64) and
// for 32-byte ones (AVX2, chosen at run time where the processor has it). Every form gives
// exactly the pixels of applyRule with the same parameters; members without one (copies,
// which move memory, and the table look-ups of 8-bit mixes) report kHasVector false.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "render/blit_rules.h"
#include "render/pixel_access.h"

#if defined(__GNUC__)
#define QUORIX_BLIT_VECTOR 1
#else
#define QUORIX_BLIT_VECTOR 0
#endif

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define QUORIX_BLIT_WIDE 1
#else
#define QUORIX_BLIT_WIDE 0
#endif

namespace quorix::render {

template <BlitOp Op, typename Pixel>
inline constexpr bool kHasVector =
    QUORIX_BLIT_VECTOR && (Op == BlitOp::Key || (Op != BlitOp::Copy && sizeof(Pixel) > 1));

#if QUORIX_BLIT_VECTOR

#define QUORIX_VECTOR_INLINE inline __attribute__((always_inline))

template <int Bytes>
struct Vectors {
  typedef uint8_t u8 __attribute__((vector_size(Bytes)));
  typedef uint16_t u16 __attribute__((vector_size(Bytes)));
  typedef int16_t i16 __attribute__((vector_size(Bytes)));
  typedef uint32_t u32 __attribute__((vector_size(Bytes)));
  typedef uint8_t halfU8 __attribute__((vector_size(Bytes / 2)));  // one byte per 16-bit lane
  typedef uint16_t wideU16 __attribute__((vector_size(Bytes * 2)));  // one lane per byte
};

// The lanes of a pixel type: u8, u16 or u32.
template <typename Pixel, int Bytes>
using PixelLanes = std::conditional_t<
    sizeof(Pixel) == 1, typename Vectors<Bytes>::u8,
    std::conditional_t<sizeof(Pixel) == 2, typename Vectors<Bytes>::u16, typename Vectors<Bytes>::u32>>;

// One channel of the SIMD rule, kept in place at bit `Shift`: w + floor((s - w) * a / 128).
// With d the signed channel difference, the value added to w in place is
// floor(d * a * 2^Shift / 128). Below bit 7 that is (d * a) >> (7 - Shift), exact in 16 bits;
// from bit 7 on it is the whole number d * 2^(Shift - 7) * a, which may wrap in 16 bits — the
// sum with w is a valid channel, so the final mask undoes the wrap.
template <int Shift, int Bits, int Bytes>
QUORIX_VECTOR_INLINE typename Vectors<Bytes>::u16 mixChannel(typename Vectors<Bytes>::u16 s,
                                                             typename Vectors<Bytes>::u16 w,
                                                             typename Vectors<Bytes>::u16 a) {
  using u16 = typename Vectors<Bytes>::u16;
  using i16 = typename Vectors<Bytes>::i16;
  constexpr uint16_t kMask = ((1u << Bits) - 1) << Shift;
  u16 sc = s & kMask;
  u16 wc = w & kMask;
  u16 added;
  if constexpr (Shift < 7) {
    i16 product = reinterpret_cast<i16>(sc - wc) >> Shift;
    product = reinterpret_cast<i16>(reinterpret_cast<u16>(product) * a);
    added = reinterpret_cast<u16>(product >> (7 - Shift));
  } else {
    added = ((sc >> 7) - (wc >> 7)) * a;
  }
  return (wc + added) & kMask;
}

template <BlitOp Op, typename Pixel, bool Is565, int Bytes>
QUORIX_VECTOR_INLINE PixelLanes<Pixel, Bytes> applyVector(const uint8_t* s, const uint8_t* w,
                                                          const uint8_t* d,
                                                          const uint8_t* weights,
                                                          const BlendParams& p) {
  using V = Vectors<Bytes>;
  using Lanes = PixelLanes<Pixel, Bytes>;
  Lanes source = loadPixel<Lanes>(s);
  if constexpr (Op == BlitOp::Key) {
    Lanes key;
    if constexpr (sizeof(Pixel) == 1) {
      key = reinterpret_cast<Lanes>(source == 0);
    } else if constexpr (sizeof(Pixel) == 2) {
      key = reinterpret_cast<Lanes>(source == 0x7FFF);
    } else {
      key = reinterpret_cast<Lanes>((source & 0xFFFFFF) == 0xFFFFFF);
    }
    return (key & loadPixel<Lanes>(d)) | (~key & source);
  } else if constexpr (Op == BlitOp::Mix && sizeof(Pixel) == 2) {
    constexpr uint16_t kGreen = Is565 ? 0x7C0 : 0x3E0;
    constexpr uint16_t kRed = Is565 ? 0xF800 : 0x7C00;
    Lanes work = loadPixel<Lanes>(w);
    Lanes b = ((source & 0x1F) + (work & 0x1F)) >> 1;
    Lanes g = (((source & kGreen) + (work & kGreen)) >> 1) & kGreen;
    Lanes r = (((source & kRed) >> 1) + ((work & kRed) >> 1)) & kRed;
    return b | g | r;
  } else if constexpr (Op == BlitOp::Mix) {
    // (s & w) + ((s ^ w) >> 1) per byte is the floor of the mean without carries.
    Lanes work = loadPixel<Lanes>(w);
    return ((source & work) + (((source ^ work) >> 1) & 0x7F7F7F7F)) & 0xFFFFFF;
  } else if constexpr (sizeof(Pixel) == 2) {
    typename V::u16 a;
    if constexpr (kWeightFromMask<Op, Pixel>) {
      a = __builtin_convertvector(loadPixel<typename V::halfU8>(weights), typename V::u16);
    } else {
      a = typename V::u16{} + static_cast<uint16_t>(p.level);
    }
    Lanes work = loadPixel<Lanes>(w);
    if constexpr (Is565) {
      return mixChannel<11, 5, Bytes>(source, work, a) | mixChannel<5, 6, Bytes>(source, work, a) |
             mixChannel<0, 5, Bytes>(source, work, a);
    } else {
      return mixChannel<10, 5, Bytes>(source, work, a) | mixChannel<5, 5, Bytes>(source, work, a) |
             mixChannel<0, 5, Bytes>(source, work, a);
    }
  } else {
    // Each colour byte (s * 2L + w * (256 - 2L)) >> 8, the multiply table's sum; fourth byte 0.
    using Wide = typename V::wideU16;
    Wide sourceBytes = __builtin_convertvector(loadPixel<typename V::u8>(s), Wide);
    Wide workBytes = __builtin_convertvector(loadPixel<typename V::u8>(w), Wide);
    Wide mixed = (sourceBytes * static_cast<uint16_t>(2 * p.level) +
                  workBytes * static_cast<uint16_t>(256 - 2 * p.level)) >> 8;
    return reinterpret_cast<Lanes>(__builtin_convertvector(mixed, typename V::u8)) & 0xFFFFFF;
  }
}

// The rule over whole vectors of a row; returns the number of pixels done (the rest is left
// to the scalar rule).
template <BlitOp Op, typename Pixel, bool Is565, int Bytes>
QUORIX_VECTOR_INLINE int vectorRowOf(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                     const uint8_t* weights, int count, const BlendParams& p) {
  constexpr int kSize = sizeof(Pixel);
  constexpr int kPerVector = Bytes / kSize;
  int i = 0;
  for (; i + kPerVector <= count; i += kPerVector) {
    storePixel(d + i * kSize, applyVector<Op, Pixel, Is565, Bytes>(
                                   s + i * kSize, kReadsWork<Op> ? w + i * kSize : nullptr,
                                   d + i * kSize, weights + i, p));
  }
  return i;
}

template <BlitOp Op, typename Pixel, int Bytes>
QUORIX_VECTOR_INLINE int vectorRow(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                   const uint8_t* weights, int count, const BlendParams& p) {
  return p.is565 ? vectorRowOf<Op, Pixel, true, Bytes>(d, s, w, weights, count, p)
                 : vectorRowOf<Op, Pixel, false, Bytes>(d, s, w, weights, count, p);
}

template <BlitOp Op, typename Pixel>
int vectorRowNarrow(uint8_t* d, const uint8_t* s, const uint8_t* w, const uint8_t* weights,
                    int count, const BlendParams& p) {
  return vectorRow<Op, Pixel, 16>(d, s, w, weights, count, p);
}

#if QUORIX_BLIT_WIDE
template <BlitOp Op, typename Pixel>
__attribute__((target("avx2"))) int vectorRowWide(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                                  const uint8_t* weights, int count,
                                                  const BlendParams& p) {
  return vectorRow<Op, Pixel, 32>(d, s, w, weights, count, p);
}
#endif

#endif  // QUORIX_BLIT_VECTOR

#if QUORIX_BLIT_WIDE

inline void store16(uint8_t* at, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
}

// Writes each of n source pixels `Factor` times (2 or 4) in a row: the pixels of a scaled copy
// whose step is exactly 1 / Factor and whose first column falls on a source pixel. Returns how
// many destination pixels were written (a multiple of 16 bytes); the caller finishes the rest.
template <typename Pixel, int Factor>
inline int repeatPixels(uint8_t* d, const uint8_t* s, int count) {
  constexpr int kPerStore = 16 / sizeof(Pixel);
  auto widen = [](__m128i v) {
    if constexpr (sizeof(Pixel) == 1) {
      return _mm_unpacklo_epi8(v, v);
    } else if constexpr (sizeof(Pixel) == 2) {
      return _mm_unpacklo_epi16(v, v);
    } else {
      return _mm_unpacklo_epi32(v, v);
    }
  };
  int i = 0;
  for (; i + kPerStore <= count; i += kPerStore) {
    constexpr int kSourceBytes = 16 / Factor;
    __m128i v;
    if constexpr (kSourceBytes == 8) {
      v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i / Factor * sizeof(Pixel)));
    } else {
      int32_t bytes;
      std::memcpy(&bytes, s + i / Factor * sizeof(Pixel), 4);
      v = _mm_cvtsi32_si128(bytes);
    }
    v = widen(v);
    if constexpr (Factor == 4 && sizeof(Pixel) == 1) {
      v = _mm_unpacklo_epi16(v, v);
    } else if constexpr (Factor == 4 && sizeof(Pixel) == 2) {
      v = _mm_unpacklo_epi32(v, v);
    } else if constexpr (Factor == 4) {
      v = _mm_unpacklo_epi64(v, v);
    }
    store16(d + i * sizeof(Pixel), v);
  }
  return i;
}

#endif  // QUORIX_BLIT_WIDE

}  // namespace quorix::render
