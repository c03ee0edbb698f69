// Solid fills of a BufferDesc.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// Stores `value` (its low 8, 16 or 32 bits by the buffer's depth) into every pixel of `rect`
// that lies inside the buffer's bounds. Nothing for empty or negative rectangles, null bases
// or depths other than 8, 16 and 32.
void fillRect(const Rect16& rect, uint32_t value, const BufferDesc& buffer);

// Stores `value` into every pixel of the buffer's bounds.
void fillBuffer(const BufferDesc& buffer, uint32_t value);

}  // namespace quorix::render
