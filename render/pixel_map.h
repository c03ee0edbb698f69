// PixelMap: the record in which pictures, movie frames and offscreen ports keep their pixels,
// with the fields of the classic Macintosh PixMap in their order. It lives in a MemHandle;
// no plug-in reads it, so it uses natural C++ types.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

struct PixelMap {
  void* baseAddr = nullptr;  // the pixel at the bounds' top-left corner
  // Bytes from one row to the next. The top bit is a flag: every reader masks it off
  // (rowBytesOf).
  uint16_t rowBytes = 0;
  Rect16 bounds{};
  uint8_t reserved1[18] = {};  // version, pack type and size, resolutions, pixel type
  uint16_t pixelSize = 0;      // 8, 16 or 32
  uint8_t reserved2[8] = {};   // component count and size, plane bytes
  MemHandle colorTable = nullptr;  // a private copy of a ColorTable, or null
  // 1 when baseAddr was allocated with the map and is freed with it; 0 for maps that only
  // describe pixels owned elsewhere (the frame, display memory).
  uint32_t ownsPixels = 0;
};

// Row bytes without the flag bit.
inline int32_t rowBytesOf(const PixelMap& map) { return map.rowBytes & 0x7FFF; }

// The PixelMap a handle holds, or null for a null or short handle.
PixelMap* pixelMapOf(MemHandle map);

// Row bytes of a map `width` pixels wide: width x depth / 8, raised to the next multiple of 8.
int32_t pixelMapRowBytes(int width, uint32_t depth);

// A new map of `depth` (8, 16 or 32) over `bounds`, with a byte-for-byte copy of
// `colorTable` (or none) and, when asked, an uninitialised pixel block of height x row bytes.
// Null with memory error -108 when anything cannot be allocated, and for bounds whose row
// bytes would not fit in 15 bits, negative sizes or other depths.
MemHandle newPixelMap(uint32_t depth, const Rect16& bounds, MemHandle colorTable,
                      bool allocatePixels);

// Frees the pixels (when the map owns them), the colour table copy and the map. Null is
// ignored.
void disposePixelMap(MemHandle map);

// The map's pixel address; null for a null map.
void* pixelMapBaseAddress(MemHandle map);

}  // namespace quorix::render
