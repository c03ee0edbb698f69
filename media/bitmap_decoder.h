// The built-in Windows bitmap decoder.
//
// A valid bitmap starts with "BM", has its pixel data at an offset below 0xA00001 and an info
// (40-byte or longer) or core (12-byte) header whose sides lie within 1..16384 (a negative
// height means rows stored top-down). Only uncompressed 8-bit and 24-bit bitmaps are decoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "render/offscreen_port.h"

namespace quorix::media {

inline constexpr uint32_t kMaxBitmapOffset = 0xA00000;        // the highest pixel-data offset
inline constexpr size_t kMaxBitmapFileSize = 104857600 - 1;    // files of 1 byte to 100 MB
inline constexpr int32_t kMaxPictureSide = 16384;

struct BitmapInfo {
  int32_t width = 0;
  int32_t height = 0;        // rows, whichever way they are stored
  bool topDown = false;
  int32_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t pixelOffset = 0;
  size_t paletteOffset = 0;  // where the palette starts in the file
  size_t paletteEntrySize = 4;
  uint32_t paletteCount = 0; // entries the file holds (biClrUsed, 256 when 0, at most 256)
};

// The header of a valid bitmap, or nothing.
std::optional<BitmapInfo> readBitmapInfo(const uint8_t* bytes, size_t size);

// Draws the bitmap into `target`, at `frame` (the bitmap's own size goes straight into
// target pixels of its depth and palette; anything else is converted and scaled through a
// buffer of the bitmap's depth). QX_OK; QX_ERR_PICTURE_DATA for a bitmap that is not valid or
// whose rows lie outside the file; QX_ERR_BITMAP_COMPRESSION (-3) for a compressed one;
// QX_ERR_BITMAP_DEPTH (-4) for other bit counts or targets; QX_ERR_MEMORY.
int32_t drawBitmap(const uint8_t* bytes, size_t size, const Rect16& frame, render::OffscreenPort* target);

}  // namespace quorix::media
