// The geometry of a rectangle copy: which destination pixels are drawn and which source pixel
// each one reads. Same-size and scaled copies share it; a same-size copy is a scaled one
// whose steps are exactly one pixel.
#pragma once

#include <cstdint>

#include "plugin_sdk/quorix_types.h"

namespace quorix::render {

struct BlitPlan {
  // Destination pixels drawn: columns x0 .. x0 + width - 1 and rows y0 .. y0 + height - 1.
  int x0 = 0, y0 = 0, width = 0, height = 0;
  // Destination column x0 + i reads source column srcLeft + ((colAcc + i * xStep) >> 16),
  // and row y0 + j source row srcTop + ((rowAcc + j * yStep) >> 16); steps are 16.16.
  int srcLeft = 0, srcTop = 0;
  int64_t colAcc = 0, rowAcc = 0;
  int64_t xStep = 0, yStep = 0;

  bool sameSize() const { return xStep == 0x10000 && yStep == 0x10000; }
  Rect16 destination() const;
};

// Plans a copy of `sourceRect` into `destinationRect`, nearest neighbour with steps
// (source size << 16) / destination size. Destination pixels are kept when they lie inside
// `clip` and the source pixel they read lies inside `sourceBounds`; the mapping itself never
// changes, so clipping only removes pixels. False when nothing is left (empty or negative
// rectangles included).
bool planBlit(const Rect16& sourceBounds, const Rect16& sourceRect, const Rect16& clip,
              const Rect16& destinationRect, BlitPlan* plan);

// The intersection of two rectangles (empty rectangles stay empty).
Rect16 intersectRects(const Rect16& a, const Rect16& b);

// True when the rectangles share at least one pixel.
bool rectsOverlap(const Rect16& a, const Rect16& b);

}  // namespace quorix::render
