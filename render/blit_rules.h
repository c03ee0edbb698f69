// The per-pixel rules of the blit members, one function over the pixel type and the member
// kind. s is the source pixel, w the WorkBuffer pixel at the destination position, d the
// destination pixel, a the weight of a level or mask mix (0..127).
#pragma once

#include <cstdint>

#include "render/blend_tables.h"

namespace quorix::render {

enum class BlitOp {
  Copy,  // mode 1: d = s
  Key,   // mode 2: d = s unless s is the key (index 0, 0x7FFF, white)
  Mix,   // modes 3 and 4: the even mix of s and w
  Fade,  // mode 5: the mix of s and w weighted by BlendLevel
  Mask,  // mode 6: the mix weighted by the AlphaMask (16-bit) or BlendLevel (8, 32-bit)
};
inline constexpr int kBlitOpCount = 5;

struct BlendParams {
  const uint8_t* table8 = nullptr;     // 8-bit: the transparency table of the level
  const uint16_t* multiply = nullptr;  // 32-bit: the multiply table set for the level
  int level = 0;                       // BlendLevel
  bool is565 = false;
  // 16-bit level and mask mixes: the SIMD rule (rows of more than 8 pixels when the
  // processor flag allows it) instead of the table rule.
  bool simdRule = false;
  bool wideVectors = false;  // the SIMD path may use 32-byte vectors
};

// The weights of a row of a 16-bit mask mix, one 16-bit value per pixel: the opacity a
// (0..127) and a * 16, the two forms that the SIMD rule multiplies by.
struct MaskWeights {
  const uint16_t* a = nullptr;
  const uint16_t* a16 = nullptr;
  MaskWeights operator+(int pixels) const { return {a + pixels, a16 + pixels}; }
};

// Whether a member reads the WorkBuffer, and whether its weight comes from the AlphaMask.
template <BlitOp Op>
inline constexpr bool kReadsWork = Op == BlitOp::Mix || Op == BlitOp::Fade || Op == BlitOp::Mask;
template <BlitOp Op, typename Pixel>
inline constexpr bool kWeightFromMask = Op == BlitOp::Mask && sizeof(Pixel) == 2;

// The key pixels that key copies leave out. At 32 bits the key is white: the low 24 bits
// all set, whatever the fourth byte.
inline bool isKey(uint8_t s) { return s == 0; }
inline bool isKey(uint16_t s) { return s == 0x7FFF; }
inline bool isKey(uint32_t s) { return (s & 0xFFFFFF) == 0xFFFFFF; }

// The even mix at 16 bits: each channel the floor of the mean, with the green mask of the
// layout (5-6-5 averages the top five green bits and leaves the lowest 0).
inline uint16_t average16(uint16_t s, uint16_t w, bool is565) {
  uint32_t green = is565 ? 0x7C0 : 0x3E0;
  uint32_t red = is565 ? 0xF800 : 0x7C00;
  uint32_t b = ((s & 0x1Fu) + (w & 0x1Fu)) >> 1;
  uint32_t g = (((s & green) + (w & green)) >> 1) & green;
  uint32_t r = (((s & red) >> 1) + ((w & red) >> 1)) & red;
  return static_cast<uint16_t>(b | g | r);
}

// The even mix at 32 bits: each colour byte the floor of the mean; the fourth byte 0.
inline uint32_t average32(uint32_t s, uint32_t w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    out |= ((((s >> shift) & 0xFF) + ((w >> shift) & 0xFF)) >> 1) << shift;
  }
  return out;
}

// The table rule of 16-bit level mixes: each 5-bit channel through BlendTable16 plane a >> 2
// (5-6-5 green by its top five bits; the lowest green bit of the result is 0).
inline uint16_t tableMix16(uint16_t s, uint16_t w, int a, bool is565) {
  const uint8_t* plane = blendTable16() + ((a & 0x7C) << 8);
  int greenShift = is565 ? 6 : 5;
  int redShift = is565 ? 11 : 10;
  auto channel = [&](int shift) {
    return uint32_t{plane[((w >> shift) & 31) * 32 + ((s >> shift) & 31)]} << shift;
  };
  return static_cast<uint16_t>(channel(0) | channel(greenShift) | channel(redShift));
}

// The SIMD rule of 16-bit level mixes: each channel at its full width (5-6-5 green has six
// bits), w + (((s - w) * a) >> 7) with an arithmetic shift.
inline uint16_t simdMix16(uint16_t s, uint16_t w, int a, bool is565) {
  auto channel = [&](int shift, int mask) {
    int sc = (s >> shift) & mask;
    int wc = (w >> shift) & mask;
    return static_cast<uint32_t>((wc + (((sc - wc) * a) >> 7)) & mask) << shift;
  };
  return static_cast<uint16_t>(is565 ? channel(11, 31) | channel(5, 63) | channel(0, 31)
                                     : channel(10, 31) | channel(5, 31) | channel(0, 31));
}

// The level mix at 32 bits: each colour byte (first[s] + second[w]) >> 8 with the multiply
// table set for the level; the fourth byte 0.
inline uint32_t levelMix32(uint32_t s, uint32_t w, const uint16_t* multiply) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    out |= ((uint32_t{multiply[(s >> shift) & 0xFF]} + multiply[256 + ((w >> shift) & 0xFF)]) >>
            8)
           << shift;
  }
  return out;
}

template <BlitOp Op, typename Pixel>
inline Pixel applyRule(Pixel s, Pixel w, Pixel d, int a, const BlendParams& p) {
  if constexpr (Op == BlitOp::Copy) {
    return s;
  } else if constexpr (Op == BlitOp::Key) {
    return isKey(s) ? d : s;
  } else if constexpr (sizeof(Pixel) == 1) {
    // Every mix at 8 bits is the transparency table of the level.
    return p.table8[(s << 8) | w];
  } else if constexpr (Op == BlitOp::Mix) {
    if constexpr (sizeof(Pixel) == 2) {
      return average16(s, w, p.is565);
    } else {
      return average32(s, w);
    }
  } else if constexpr (sizeof(Pixel) == 2) {
    return p.simdRule ? simdMix16(s, w, a, p.is565) : tableMix16(s, w, a, p.is565);
  } else {
    return levelMix32(s, w, p.multiply);
  }
}

}  // namespace quorix::render
