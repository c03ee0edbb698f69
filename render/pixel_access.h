// Reading and writing pixels at byte addresses. Buffers handed in by plug-ins and hosts may
// have any alignment and negative row bytes, so every pixel moves through memcpy (one plain
// load or store once compiled) and every address is computed from a byte pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// Also used for whole SIMD vectors, hence always inlined into the caller compiled for them.
template <typename Pixel>
[[gnu::always_inline]] inline Pixel loadPixel(const uint8_t* at) {
  Pixel value;
  std::memcpy(&value, at, sizeof(Pixel));
  return value;
}

template <typename Pixel>
[[gnu::always_inline]] inline void storePixel(uint8_t* at, Pixel value) {
  std::memcpy(at, &value, sizeof(Pixel));
}

// Address of the pixel x columns right of and y rows below `base`.
inline uint8_t* pixelAddress(void* base, int32_t rowBytes, int x, int y, int bytesPerPixel) {
  return static_cast<uint8_t*>(base) + static_cast<ptrdiff_t>(y) * rowBytes +
         static_cast<ptrdiff_t>(x) * bytesPerPixel;
}

// Address of pixel (x, y) of a buffer, in the coordinates of its bounds: the base address
// holds the bounds' top-left pixel (engine buffers have top = left = 0).
inline uint8_t* pixelAddress(const BufferDesc& buffer, int x, int y) {
  return pixelAddress(buffer.baseAddr, buffer.rowBytes, x - buffer.bounds.left,
                      y - buffer.bounds.top, static_cast<int>(buffer.bitsPerPixel / 8));
}

// Calls body(row, width) for each row of a buffer's bounds, top to bottom, with the address
// of the row's first pixel; nothing for a null base or empty bounds.
template <typename Body>
inline void forEachRow(const BufferDesc& buffer, Body&& body) {
  const Rect16& b = buffer.bounds;
  if (buffer.baseAddr == nullptr || b.right <= b.left || b.bottom <= b.top) return;
  for (int y = b.top; y < b.bottom; ++y) body(pixelAddress(buffer, b.left, y), b.right - b.left);
}

// Calls body(Pixel-typed tag) with the pixel type of a depth; returns false for other depths.
template <typename Body>
inline bool withPixelType(uint32_t depth, Body&& body) {
  switch (depth) {
    case 8:
      body(uint8_t{});
      return true;
    case 16:
      body(uint16_t{});
      return true;
    case 32:
      body(uint32_t{});
      return true;
    default:
      return false;
  }
}

}  // namespace quorix::render
