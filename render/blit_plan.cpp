#include "render/blit_plan.h"

#include <algorithm>

namespace quorix::render {
namespace {

struct AxisPlan {
  int first = 0;  // first destination coordinate drawn
  int count = 0;
  int64_t acc = 0;
  int64_t step = 0;
};

// One axis of planBlit: source [srcLo, srcLo + srcSize) inside [boundLo, boundHi), destination
// [dstLo, dstLo + dstSize) inside [clipLo, clipHi).
bool planAxis(int srcLo, int srcSize, int boundLo, int boundHi, int dstLo, int dstSize,
              int clipLo, int clipHi, AxisPlan* axis) {
  if (srcSize <= 0 || dstSize <= 0) return false;
  int64_t step = (int64_t{srcSize} << 16) / dstSize;  // at least 1: dstSize < 65536
  // Destination offsets i read source offset (i * step) >> 16, which rises with i; keep the
  // offsets whose source lies in [lowest, highest].
  int64_t lowest = int64_t{boundLo} - srcLo;
  int64_t highest = int64_t{boundHi} - 1 - srcLo;
  if (highest < 0) return false;
  int64_t first = lowest <= 0 ? 0 : ((lowest << 16) + step - 1) / step;
  int64_t last = std::min<int64_t>(dstSize - 1, (((highest + 1) << 16) - 1) / step);
  first = std::max<int64_t>(first, int64_t{clipLo} - dstLo);
  last = std::min<int64_t>(last, int64_t{clipHi} - 1 - dstLo);
  if (first > last) return false;
  axis->first = static_cast<int>(dstLo + first);
  axis->count = static_cast<int>(last - first + 1);
  axis->acc = first * step;
  axis->step = step;
  return true;
}

}  // namespace

Rect16 BlitPlan::destination() const {
  return Rect16{static_cast<int16_t>(y0), static_cast<int16_t>(x0),
                static_cast<int16_t>(y0 + height), static_cast<int16_t>(x0 + width)};
}

bool planBlit(const Rect16& sourceBounds, const Rect16& sourceRect, const Rect16& clip,
              const Rect16& destinationRect, BlitPlan* plan) {
  AxisPlan columns, rows;
  if (!planAxis(sourceRect.left, sourceRect.right - sourceRect.left, sourceBounds.left,
                sourceBounds.right, destinationRect.left,
                destinationRect.right - destinationRect.left, clip.left, clip.right, &columns) ||
      !planAxis(sourceRect.top, sourceRect.bottom - sourceRect.top, sourceBounds.top,
                sourceBounds.bottom, destinationRect.top,
                destinationRect.bottom - destinationRect.top, clip.top, clip.bottom, &rows)) {
    return false;
  }
  plan->x0 = columns.first;
  plan->width = columns.count;
  plan->colAcc = columns.acc;
  plan->xStep = columns.step;
  plan->y0 = rows.first;
  plan->height = rows.count;
  plan->rowAcc = rows.acc;
  plan->yStep = rows.step;
  plan->srcLeft = sourceRect.left;
  plan->srcTop = sourceRect.top;
  return true;
}

Rect16 intersectRects(const Rect16& a, const Rect16& b) {
  return Rect16{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                std::min(a.right, b.right)};
}

bool rectsOverlap(const Rect16& a, const Rect16& b) {
  Rect16 both = intersectRects(a, b);
  return both.top < both.bottom && both.left < both.right;
}

}  // namespace quorix::render
