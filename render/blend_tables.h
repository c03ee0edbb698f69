// The tables that 16-bit and 32-bit blends read, built once when the module loads.
#pragma once

#include <cstdint>

namespace quorix::render {

inline constexpr int kBlendTable16Bytes = 32 * 32 * 32;

// BlendTable16: 32 planes of 32 x 32 bytes. The byte at a * 1024 + y * 32 + x (a the alpha
// step 0..31, y a background and x a source channel value 0..31) is
// floor((y * (32 - a) + x * a + 16) / 32). A blend at level L uses plane L >> 2.
const uint8_t* blendTable16();

// The multiply table of 32-bit blends: 512 values, both halves i * 128 at load. A level blend
// rewrites it for its level L as first[i] = i * 2L and second[i] = i * (256 - 2L), so that
// a channel is (first[source] + second[background]) >> 8.
// [render thread] Shared, unguarded state, as every blit runs on the render thread.
const uint16_t* multiplyTable();
void setMultiplyTableLevel(int level);

}  // namespace quorix::render
