// Bresenham lines into a BufferDesc.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// Draws from (x1, y1) to (x2, y2) in `value` (its low 8, 16 or 32 bits by the buffer's
// depth; other depths draw nothing). The major axis is the one of the larger difference (x on
// a tie); n = that difference's size pixels are set from the first endpoint, the minor
// coordinate stepping toward the second endpoint whenever the error term reaches 0, and then
// (x2, y2). Callers clip first (line_clipping.h); pixels outside the buffer's bounds are
// skipped.
void drawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t value,
              const BufferDesc& buffer);

}  // namespace quorix::render
