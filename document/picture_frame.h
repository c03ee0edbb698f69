// The size of a picture from the first bytes of its data, without decoding it: what a visual's
// author needs to give a picture its default bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

inline constexpr size_t kPictFileHeaderSize = 512;  // the header a ".pct" file has before its data
inline constexpr int kMaxPictureSide = 32767;

// (0, 0, height, width) of a Windows bitmap ("BM", a core or info header; top-down rows too),
// or nothing when the header is damaged or a side is 0 or larger than 32767.
std::optional<Rect16> bitmapFrame(const uint8_t* bytes, size_t size);

// (0, 0, height, width) of a QuickDraw picture (its data, without the 512-byte file header):
// the picture frame after the size word, followed by a version 1 or 2 opcode; nothing when the
// data is shorter or the frame empty.
std::optional<Rect16> pictFrame(const uint8_t* bytes, size_t size);

}  // namespace quorix::document
