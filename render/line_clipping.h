// Clipping segments and rectangles to a window, for the vector drawing of the sprinkle action.
#pragma once

#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix::render {

// A clip window: bottom and right are the last row and column that may be drawn (the
// sprinkle uses the frame's top, left, bottom - 1, right - 1).
struct ClipWindow {
  int32_t top = 0;
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;
};

// Region code of a point: 4 above the top (y < top), 8 at or below the bottom (y >= bottom),
// 1 left of the left edge (x < left), 2 at or right of the right edge (x >= right).
enum : int32_t { kRegionLeft = 1, kRegionRight = 2, kRegionTop = 4, kRegionBottom = 8 };
int32_t regionCode(const ClipWindow& window, int64_t x, int64_t y);

// Clip results: kSegmentRejected when nothing of the segment remains, else a byte whose high
// nibble says where the first endpoint was moved and the low nibble where the second was:
// kMovedTop, kMovedLeft, kMovedBottom, kMovedRight or kNotMoved (so 0xFF: wholly inside).
enum : int32_t {
  kSegmentRejected = -1,
  kMovedTop = 0,
  kMovedLeft = 1,
  kMovedBottom = 2,
  kMovedRight = 3,
  kNotMoved = 0xF,
  kSegmentInside = 0xFF
};

// Clips the segment (x1, y1) - (x2, y2) to the window in one decision on the pair of region
// codes: endpoints outside are moved onto the edges (a corner endpoint onto its vertical edge
// first, then onto the horizontal one when it is still beyond it), computed from the other
// endpoint with truncating integer division. The coordinates are updated in place; a
// rejected segment leaves them unchanged. A segment that is kept lies inside the window.
int32_t clipSegment(const ClipWindow& window, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);

// Reduces a rectangle (bottom and right exclusive) to the window: left and top are raised to
// the window's, a right or bottom at or beyond the window's becomes the window's + 1. Returns
// 1 when something remains inside, -1 (rectangle unchanged) when it lies wholly beyond an edge
// or nothing of it remains.
int32_t clipRectangle(const ClipWindow& window, Rect16& rect);

}  // namespace quorix::render
