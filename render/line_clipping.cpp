#include "render/line_clipping.h"

#include <algorithm>
#include <cstdint>

namespace quorix::render {
namespace {

struct Point {
  int64_t x, y;
};

bool inside(const ClipWindow& w, const Point& p) {
  return p.x >= w.left && p.x <= w.right && p.y >= w.top && p.y <= w.bottom;
}

// The point of the line through `from` and `to` on the vertical line x = edge (or the
// horizontal line y = edge), false when the line runs parallel to it.
bool onVertical(const Point& from, const Point& to, int64_t edge, Point* out) {
  if (to.x == from.x) return false;
  out->y = (edge - from.x) * (to.y - from.y) / (to.x - from.x) + from.y;
  out->x = edge;
  return true;
}

bool onHorizontal(const Point& from, const Point& to, int64_t edge, Point* out) {
  if (to.y == from.y) return false;
  out->x = (edge - from.y) * (to.x - from.x) / (to.y - from.y) + from.x;
  out->y = edge;
  return true;
}

// Moves an endpoint with region code `code` onto the window's edges, toward `other`; the edge
// it ends on in `edge`.
bool moveEndpoint(const ClipWindow& w, int32_t code, const Point& other, Point* p, int32_t* edge) {
  Point from = *p;
  bool top = (code & kRegionTop) != 0;
  if ((code & (kRegionLeft | kRegionRight)) != 0) {
    bool left = (code & kRegionLeft) != 0;
    if (!onVertical(from, other, left ? w.left : w.right, p)) return false;
    *edge = left ? kMovedLeft : kMovedRight;
    bool corner = (code & (kRegionTop | kRegionBottom)) != 0;
    if (!corner || (p->y >= w.top && p->y <= w.bottom)) return true;
    // A corner endpoint still above or below the window goes onto that edge instead.
    top = p->y < w.top;
  }
  if (!onHorizontal(from, other, top ? w.top : w.bottom, p)) return false;
  *edge = top ? kMovedTop : kMovedBottom;
  return true;
}

int32_t clampTo32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t regionCode(const ClipWindow& w, int64_t x, int64_t y) {
  int32_t code = 0;
  if (y < w.top) {
    code |= kRegionTop;
  } else if (y >= w.bottom) {
    code |= kRegionBottom;
  }
  if (x < w.left) {
    code |= kRegionLeft;
  } else if (x >= w.right) {
    code |= kRegionRight;
  }
  return code;
}

int32_t clipSegment(const ClipWindow& window, int32_t& x1, int32_t& y1, int32_t& x2,
                    int32_t& y2) {
  const Point first{x1, y1}, second{x2, y2};
  int32_t code1 = regionCode(window, x1, y1);
  int32_t code2 = regionCode(window, x2, y2);
  if (code1 == 0 && code2 == 0) return kSegmentInside;
  // Both endpoints beyond the same edge: nothing can be inside.
  if ((code1 & code2) != 0) return kSegmentRejected;
  // Each endpoint that is outside moves toward the other's original position, so the clipped
  // segment stays on the original line.
  Point p1 = first, p2 = second;
  int32_t edge1 = kNotMoved, edge2 = kNotMoved;
  if (code1 != 0 && !moveEndpoint(window, code1, second, &p1, &edge1)) return kSegmentRejected;
  if (code2 != 0 && !moveEndpoint(window, code2, first, &p2, &edge2)) return kSegmentRejected;
  // An endpoint that could not be brought onto the window's border means the segment passes
  // beside the window.
  if (!inside(window, p1) || !inside(window, p2)) return kSegmentRejected;
  x1 = clampTo32(p1.x);
  y1 = clampTo32(p1.y);
  x2 = clampTo32(p2.x);
  y2 = clampTo32(p2.y);
  return (edge1 << 4) | edge2;
}

int32_t clipRectangle(const ClipWindow& window, Rect16& rect) {
  int32_t bottomRight = regionCode(window, rect.right, rect.bottom);
  int32_t topLeft = regionCode(window, rect.left, rect.top);
  if ((bottomRight & topLeft) != 0) return -1;
  int64_t top = std::max<int64_t>(rect.top, window.top);
  int64_t left = std::max<int64_t>(rect.left, window.left);
  int64_t bottom = rect.bottom >= window.bottom ? int64_t{window.bottom} + 1 : rect.bottom;
  int64_t right = rect.right >= window.right ? int64_t{window.right} + 1 : rect.right;
  auto to16 = [](int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); };
  Rect16 reduced{to16(top), to16(left), to16(bottom), to16(right)};
  if (reduced.left >= reduced.right || reduced.top >= reduced.bottom) return -1;
  rect = reduced;
  return 1;
}

}  // namespace quorix::render
