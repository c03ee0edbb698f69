// The SIMD forms of the blit rules: 16 bytes of pixels at a time (SSE2 on x86-64). Each gives
// exactly the pixels of applyRule with the same parameters; members without a SIMD form
// (copies, which move memory, and the table look-ups of 8-bit mixes) report kHasVector false.
#pragma once

#include <cstdint>
#include <cstring>

#include "render/blit_rules.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define QUORIX_BLIT_VECTOR 1
#else
#define QUORIX_BLIT_VECTOR 0
#endif

namespace quorix::render {

#if QUORIX_BLIT_VECTOR

template <BlitOp Op, typename Pixel>
inline constexpr bool kHasVector =
    Op == BlitOp::Key || (Op != BlitOp::Copy && sizeof(Pixel) > 1);

inline __m128i load16(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
inline void store16(uint8_t* at, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
}
inline __m128i splat16(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
inline __m128i splat32(uint32_t value) { return _mm_set1_epi32(static_cast<int>(value)); }

// Lanes of all ones where the source pixel is the key.
template <typename Pixel>
inline __m128i keyLanes(__m128i s) {
  if constexpr (sizeof(Pixel) == 1) {
    return _mm_cmpeq_epi8(s, _mm_setzero_si128());
  } else if constexpr (sizeof(Pixel) == 2) {
    return _mm_cmpeq_epi16(s, splat16(0x7FFF));
  } else {
    return _mm_cmpeq_epi32(_mm_and_si128(s, splat32(0xFFFFFF)), splat32(0xFFFFFF));
  }
}

template <bool Is565>
inline __m128i average16x8(__m128i s, __m128i w) {
  const __m128i blue = splat16(0x1F);
  const __m128i green = splat16(Is565 ? 0x7C0 : 0x3E0);
  const __m128i red = splat16(Is565 ? 0xF800 : 0x7C00);
  __m128i b = _mm_srli_epi16(_mm_add_epi16(_mm_and_si128(s, blue), _mm_and_si128(w, blue)), 1);
  __m128i g = _mm_and_si128(
      _mm_srli_epi16(_mm_add_epi16(_mm_and_si128(s, green), _mm_and_si128(w, green)), 1), green);
  __m128i r = _mm_and_si128(_mm_add_epi16(_mm_srli_epi16(_mm_and_si128(s, red), 1),
                                          _mm_srli_epi16(_mm_and_si128(w, red), 1)),
                            red);
  return _mm_or_si128(_mm_or_si128(b, g), r);
}

inline __m128i average32x4(__m128i s, __m128i w) {
  // (s & w) + ((s ^ w) >> 1) per byte is the floor of the mean without overflow.
  __m128i half = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(s, w), 1), _mm_set1_epi8(0x7F));
  return _mm_and_si128(_mm_add_epi8(_mm_and_si128(s, w), half), splat32(0xFFFFFF));
}

// One channel of the SIMD rule: w + (((s - w) * a) >> 7), the products fit in 16 bits.
template <int Shift, int Mask>
inline __m128i mixChannel16(__m128i s, __m128i w, __m128i a) {
  const __m128i mask = splat16(Mask);
  __m128i sc = _mm_and_si128(_mm_srli_epi16(s, Shift), mask);
  __m128i wc = _mm_and_si128(_mm_srli_epi16(w, Shift), mask);
  __m128i product = _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sc, wc), a), 7);
  return _mm_slli_epi16(_mm_and_si128(_mm_add_epi16(wc, product), mask), Shift);
}

template <bool Is565>
inline __m128i simdMix16x8(__m128i s, __m128i w, __m128i a) {
  if constexpr (Is565) {
    return _mm_or_si128(_mm_or_si128(mixChannel16<11, 31>(s, w, a), mixChannel16<5, 63>(s, w, a)),
                        mixChannel16<0, 31>(s, w, a));
  } else {
    return _mm_or_si128(_mm_or_si128(mixChannel16<10, 31>(s, w, a), mixChannel16<5, 31>(s, w, a)),
                        mixChannel16<0, 31>(s, w, a));
  }
}

// Each colour byte (s * 2L + w * (256 - 2L)) >> 8, the multiply table's sum; fourth byte 0.
inline __m128i levelMix32x4(__m128i s, __m128i w, __m128i sourceWeight, __m128i workWeight) {
  const __m128i zero = _mm_setzero_si128();
  auto half = [&](__m128i sh, __m128i wh) {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(sh, sourceWeight), _mm_mullo_epi16(wh, workWeight)), 8);
  };
  __m128i low = half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(w, zero));
  __m128i high = half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(w, zero));
  return _mm_and_si128(_mm_packus_epi16(low, high), splat32(0xFFFFFF));
}

// 16 bytes of destination pixels by the member's rule. `weights` holds one mask byte per
// pixel for mask mixes at 16 bits.
template <BlitOp Op, typename Pixel>
inline __m128i applyVector(const uint8_t* s, const uint8_t* w, const uint8_t* d,
                           const uint8_t* weights, const BlendParams& p) {
  __m128i source = load16(s);
  if constexpr (Op == BlitOp::Key) {
    __m128i key = keyLanes<Pixel>(source);
    return _mm_or_si128(_mm_and_si128(key, load16(d)), _mm_andnot_si128(key, source));
  } else if constexpr (Op == BlitOp::Mix && sizeof(Pixel) == 2) {
    return p.is565 ? average16x8<true>(source, load16(w)) : average16x8<false>(source, load16(w));
  } else if constexpr (Op == BlitOp::Mix) {
    return average32x4(source, load16(w));
  } else if constexpr (sizeof(Pixel) == 2) {
    __m128i a;
    if constexpr (kWeightFromMask<Op, Pixel>) {
      a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights)),
                            _mm_setzero_si128());
    } else {
      a = splat16(p.level);
    }
    return p.is565 ? simdMix16x8<true>(source, load16(w), a)
                   : simdMix16x8<false>(source, load16(w), a);
  } else {
    return levelMix32x4(source, load16(w), splat16(2 * p.level), splat16(256 - 2 * p.level));
  }
}

// Writes each of n source pixels `Factor` times (2 or 4) in a row: the pixels of a scaled copy
// whose step is exactly 1 / Factor and whose first column is not clipped. Returns how many
// destination pixels were written (a multiple of 16 bytes); the caller finishes the rest.
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

#else

template <BlitOp Op, typename Pixel>
inline constexpr bool kHasVector = false;

#endif

}  // namespace quorix::render
