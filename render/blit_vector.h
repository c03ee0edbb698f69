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
#include <immintrin.h>
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

// The high halves of signed 16-bit products, floor(x * y / 65536). Clang turns the widening
// form below into the multiply-high instructions by itself (and refuses 32-byte values passed
// to an AVX2 function from the width-generic templates); GCC does not, so it gets the
// instructions: the 16-byte form is SSE2, which every x86-64 processor has; the 32-byte form is
// AVX2 and only ever reached from the row functions compiled for it. It is plain `inline`
// rather than always_inline: GCC refuses to force an AVX2 function into the width-generic
// templates, while plain inlining places it in the AVX2 row function once the templates are
// inlined there.
#if QUORIX_BLIT_WIDE && !defined(__clang__)
QUORIX_VECTOR_INLINE Vectors<16>::i16 mulHigh(Vectors<16>::i16 x, Vectors<16>::i16 y) {
  return reinterpret_cast<Vectors<16>::i16>(
      _mm_mulhi_epi16(reinterpret_cast<__m128i>(x), reinterpret_cast<__m128i>(y)));
}
__attribute__((target("avx2"))) inline Vectors<32>::i16 mulHigh(Vectors<32>::i16 x,
                                                                Vectors<32>::i16 y) {
  return reinterpret_cast<Vectors<32>::i16>(
      _mm256_mulhi_epi16(reinterpret_cast<__m256i>(x), reinterpret_cast<__m256i>(y)));
}
#else
template <typename I16>
QUORIX_VECTOR_INLINE I16 mulHigh(I16 x, I16 y) {
  typedef int32_t Wide __attribute__((vector_size(sizeof(I16) * 2)));
  return __builtin_convertvector(
      (__builtin_convertvector(x, Wide) * __builtin_convertvector(y, Wide)) >> 16, I16);
}
#endif

// The SIMD rule of 16-bit level and mask mixes over one vector: each channel
// w + floor((s - w) * a / 128), with a in 0..127 per lane and a16 = a * 16. Every channel's
// result lies between its s and w values, so the pixel is w plus each channel's signed step floor(d * a / 128) placed
// at the channel's bit (d = s - w of the channel): the steps never carry out of their fields,
// and adding them modulo 2^16 gives the exact pixel.
template <bool Is565, int Bytes>
QUORIX_VECTOR_INLINE typename Vectors<Bytes>::u16 levelMix16(typename Vectors<Bytes>::u16 s,
                                                             typename Vectors<Bytes>::u16 w,
                                                             typename Vectors<Bytes>::u16 a,
                                                             typename Vectors<Bytes>::u16 a16) {
  using u16 = typename Vectors<Bytes>::u16;
  using i16 = typename Vectors<Bytes>::i16;
  constexpr uint16_t kGreen = Is565 ? 0x7E0 : 0x3E0;
  // Blue, bits 0-4: |d * a| <= 31 * 127 fits, and the arithmetic shift floors.
  i16 blueStep = reinterpret_cast<i16>(((s & 0x1F) - (w & 0x1F)) * a) >> 7;
  // Green at bit 5: the difference in place is d * 32, and the high half of its product with
  // a * 16 is floor(d * 32 * a * 16 / 65536) = floor(d * a / 128).
  i16 greenDifference = reinterpret_cast<i16>((s & kGreen) - (w & kGreen));
  u16 greenStep = reinterpret_cast<u16>(mulHigh(greenDifference, reinterpret_cast<i16>(a16))) << 5;
  u16 redStep;
  if constexpr (Is565) {
    // Red, bits 11-15: d * a * 16 is floor(d * a / 128) * 2048 plus (d * a mod 128) * 16, the
    // latter below bit 11, so bits 11-15 of the product (modulo 2^16) are the step in place.
    redStep = (((s >> 11) - (w >> 11)) * a16) & 0xF800;
  } else {
    // Red, bits 10-14: the difference in place d * 1024 fits signed, shifts exactly to d * 8,
    // and bits 10-15 of d * 8 * a are the step in place as for 5-6-5 red. w's bit 15, which
    // the rule drops, is cleared; the sum's bit 15 is then 0.
    i16 redDifference = reinterpret_cast<i16>((s & 0x7C00) - (w & 0x7C00));
    redStep = (reinterpret_cast<u16>(redDifference >> 7) * a) & 0xFC00;
    w &= 0x7FFF;
  }
  return w + reinterpret_cast<u16>(blueStep) + greenStep + redStep;
}

// The level mix at 32 bits over one vector, with `level` L = BlendLevel in 0..127. The multiply
// table's sum (s * 2L + w * (256 - 2L)) >> 8 of each colour byte equals
// (s * L + w * (128 - L)) >> 7; the fourth byte is 0.
template <int Bytes>
QUORIX_VECTOR_INLINE typename Vectors<Bytes>::u32 levelMix32(typename Vectors<Bytes>::u32 s,
                                                             typename Vectors<Bytes>::u32 w,
                                                             int level) {
  using V = Vectors<Bytes>;
  using Wide = typename V::wideU16;
  Wide sourceBytes = __builtin_convertvector(reinterpret_cast<typename V::u8>(s), Wide);
  Wide workBytes = __builtin_convertvector(reinterpret_cast<typename V::u8>(w), Wide);
  Wide mixed = (sourceBytes * static_cast<uint16_t>(level) +
                workBytes * static_cast<uint16_t>(128 - level)) >> 7;
  return reinterpret_cast<typename V::u32>(__builtin_convertvector(mixed, typename V::u8)) &
         0xFFFFFF;
}

#if QUORIX_BLIT_WIDE
// The same with AVX2 over whole rows: the s and w bytes interleaved, each pair times
// (L, 128 - L) and summed by one multiply-add of unsigned by signed bytes (at most 255 * 128,
// so never saturated), shifted and packed back. Unpacking and packing both work within 16-byte
// halves and are each other's inverse, so the bytes keep their order. L = 0 would need the
// weight 128, which a signed byte cannot hold: the result is then w itself. A whole row keeps
// the 32-byte values inside functions compiled for AVX2. Returns the pixels done.
__attribute__((target("avx2"))) inline int levelMixRow32Wide(uint8_t* d, const uint8_t* s,
                                                             const uint8_t* w, int count,
                                                             int level) {
  const __m256i colour = _mm256_set1_epi32(0xFFFFFF);
  const __m256i weights = _mm256_set1_epi16(static_cast<int16_t>(((128 - level) << 8) | level));
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m256i work = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 4 * i));
    __m256i mixed = work;
    if (level != 0) {
      __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
      __m256i low = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(source, work), weights);
      __m256i high = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(source, work), weights);
      mixed = _mm256_packus_epi16(_mm256_srli_epi16(low, 7), _mm256_srli_epi16(high, 7));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i), _mm256_and_si256(mixed, colour));
  }
  return i;
}
#endif

template <BlitOp Op, typename Pixel, bool Is565, int Bytes>
QUORIX_VECTOR_INLINE PixelLanes<Pixel, Bytes> applyVector(const uint8_t* s, const uint8_t* w,
                                                          const uint8_t* d,
                                                          MaskWeights weights,
                                                          int level) {
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
    using u16 = typename V::u16;
    u16 a, a16;
    if constexpr (kWeightFromMask<Op, Pixel>) {
      a = loadPixel<u16>(reinterpret_cast<const uint8_t*>(weights.a));
      a16 = loadPixel<u16>(reinterpret_cast<const uint8_t*>(weights.a16));
    } else {
      a = u16{} + static_cast<uint16_t>(level);
      a16 = a << 4;
    }
    return levelMix16<Is565, Bytes>(source, loadPixel<Lanes>(w), a, a16);
  } else {
    return levelMix32<Bytes>(source, loadPixel<Lanes>(w), level);
  }
}

// The rule over whole vectors of a row; returns the number of pixels done (the rest is left
// to the scalar rule).
template <BlitOp Op, typename Pixel, bool Is565, int Bytes>
QUORIX_VECTOR_INLINE int vectorRowOf(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                     MaskWeights weights, int count, const BlendParams& p) {
  constexpr int kSize = sizeof(Pixel);
  constexpr int kPerVector = Bytes / kSize;
  // A local copy: read through `p` the level would be reloaded after every store.
  const int level = p.level;
  int i = 0;
  for (; i + kPerVector <= count; i += kPerVector) {
    storePixel(d + i * kSize, applyVector<Op, Pixel, Is565, Bytes>(
                                   s + i * kSize, kReadsWork<Op> ? w + i * kSize : nullptr,
                                   d + i * kSize, kWeightFromMask<Op, Pixel> ? weights + i : weights,
                                   level));
  }
  return i;
}

template <BlitOp Op, typename Pixel, int Bytes>
QUORIX_VECTOR_INLINE int vectorRow(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                   MaskWeights weights, int count, const BlendParams& p) {
  return p.is565 ? vectorRowOf<Op, Pixel, true, Bytes>(d, s, w, weights, count, p)
                 : vectorRowOf<Op, Pixel, false, Bytes>(d, s, w, weights, count, p);
}

template <BlitOp Op, typename Pixel>
int vectorRowNarrow(uint8_t* d, const uint8_t* s, const uint8_t* w, MaskWeights weights,
                    int count, const BlendParams& p) {
  return vectorRow<Op, Pixel, 16>(d, s, w, weights, count, p);
}

#if QUORIX_BLIT_WIDE
template <BlitOp Op, typename Pixel>
__attribute__((target("avx2"))) int vectorRowWide(uint8_t* d, const uint8_t* s, const uint8_t* w,
                                                  MaskWeights weights, int count,
                                                  const BlendParams& p) {
  if constexpr (sizeof(Pixel) == 4 && (Op == BlitOp::Fade || Op == BlitOp::Mask)) {
    return levelMixRow32Wide(d, s, w, count, p.level);
  } else {
    return vectorRow<Op, Pixel, 32>(d, s, w, weights, count, p);
  }
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

// The weights of `count` pixels under a mask row stretched to twice its width (each mask byte
// serves two pixels, from the byte at `mask`): a = min(byte, 127) and a * 16. Returns how many
// pixels were done (a multiple of 16); the caller finishes the rest.
inline int doubleMaskWeights(uint16_t* a, uint16_t* a16, const uint8_t* mask, int count) {
  const __m128i kOpaque = _mm_set1_epi8(127), kZero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(mask + i / 2));
    bytes = _mm_min_epu8(bytes, kOpaque);
    bytes = _mm_unpacklo_epi8(bytes, bytes);
    __m128i low = _mm_unpacklo_epi8(bytes, kZero), high = _mm_unpackhi_epi8(bytes, kZero);
    store16(reinterpret_cast<uint8_t*>(a + i), low);
    store16(reinterpret_cast<uint8_t*>(a + i + 8), high);
    store16(reinterpret_cast<uint8_t*>(a16 + i), _mm_slli_epi16(low, 4));
    store16(reinterpret_cast<uint8_t*>(a16 + i + 8), _mm_slli_epi16(high, 4));
  }
  return i;
}

// The same with 32-byte vectors, 32 pixels a step.
__attribute__((target("avx2"))) inline int doubleMaskWeightsWide(uint16_t* a, uint16_t* a16,
                                                                 const uint8_t* mask, int count) {
  const __m128i kOpaque = _mm_set1_epi8(127);
  int i = 0;
  for (; i + 32 <= count; i += 32) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i / 2));
    bytes = _mm_min_epu8(bytes, kOpaque);
    __m256i low = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(bytes, bytes));
    __m256i high = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(bytes, bytes));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a + i), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a + i + 16), high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a16 + i), _mm256_slli_epi16(low, 4));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a16 + i + 16), _mm256_slli_epi16(high, 4));
  }
  return i;
}

#endif  // QUORIX_BLIT_WIDE

}  // namespace quorix::render
