#include "render/quad_painter.h"

#include <algorithm>
#include <cmath>

#include "common/memory.h"
#include "render/frame_buffer.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

constexpr int kNext[4] = {1, 2, 3, 0};
constexpr int kPrevious[4] = {3, 0, 1, 2};
constexpr int64_t kCoordinateLimit = int64_t{1} << 20;

// One side of the polygon: the edge being walked and x, u, v on the current row (16.16).
struct Chain {
  const int* neighbours = nullptr;
  int from = 0, to = 0;
  int64_t rowsLeft = 0;
  int64_t x = 0, u = 0, v = 0;
  int64_t dx = 0, du = 0, dv = 0;

  void nextEdge(const QuadVertex* q) {
    from = to;
    to = neighbours[from];
    rowsLeft = int64_t{q[to].y} - q[from].y;
    if (rowsLeft == 0) return;
    x = int64_t{q[from].x} << 16;
    u = int64_t{q[from].u} << 16;
    v = int64_t{q[from].v} << 16;
    dx = ((int64_t{q[to].x} - q[from].x) << 16) / rowsLeft;
    du = ((int64_t{q[to].u} - q[from].u) << 16) / rowsLeft;
    dv = ((int64_t{q[to].v} - q[from].v) << 16) / rowsLeft;
  }

  // Moves past edges without rows; false if every edge is flat.
  bool ready(const QuadVertex* q) {
    for (int edges = 0; rowsLeft == 0; ++edges) {
      if (edges == 4) return false;
      nextEdge(q);
    }
    return true;
  }

  void advance(int64_t rows) {
    x += rows * dx;
    u += rows * du;
    v += rows * dv;
    rowsLeft -= rows;
  }
};

template <typename Pixel>
void drawSpan(const QuadPainter& painter, uint8_t* d, int64_t u, int64_t v, int64_t du, int64_t dv,
              int64_t width) {
  constexpr int kSize = sizeof(Pixel);
  const int64_t uLimit = int64_t{painter.rowLength} << 16;
  const int64_t vLimit = int64_t{painter.height} << 16;
  int64_t uLast = u + (width - 1) * du, vLast = v + (width - 1) * dv;
  auto within = [](int64_t value, int64_t limit) { return value >= 0 && value < limit; };
  if (within(u, uLimit) && within(uLast, uLimit) && within(v, vLimit) && within(vLast, vLimit)) {
    // u and v move in straight lines, so every sample between the two ends is inside.
    for (int64_t i = 0; i < width; ++i, u += du, v += dv) {
      storePixel<Pixel>(d + i * kSize, loadPixel<Pixel>(painter.pixels + painter.rowOffsets[v >> 16] +
                                                        (u >> 16) * kSize));
    }
    return;
  }
  for (int64_t i = 0; i < width; ++i, u += du, v += dv) {
    int64_t column = std::clamp<int64_t>(u >> 16, 0, painter.rowLength - 1);
    int64_t row = std::clamp<int64_t>(v >> 16, 0, painter.height - 1);
    storePixel<Pixel>(d + i * kSize,
                      loadPixel<Pixel>(painter.pixels + painter.rowOffsets[row] + column * kSize));
  }
}

template <typename Pixel>
void rasterise(const QuadPainter& painter, const QuadVertex* q, const BufferDesc& frame) {
  const Rect16& bounds = frame.bounds;
  int top = 0;
  for (int i = 1; i < 4; ++i) {
    if (q[i].y < q[top].y) top = i;
  }
  int64_t limit = q[0].y;
  for (int i = 1; i < 4; ++i) limit = std::max<int64_t>(limit, q[i].y);
  limit = std::min<int64_t>(limit, bounds.bottom);
  int64_t row = q[top].y;
  if (row >= limit) return;

  // Which chain is the left one follows from the turn at the top vertex.
  const QuadVertex& t = q[top];
  const QuadVertex& a = q[kNext[top]];
  const QuadVertex& b = q[kPrevious[top]];
  int64_t turn = (int64_t{b.y} - a.y) * (int64_t{t.x} - b.x) - (int64_t{t.y} - b.y) * (int64_t{b.x} - a.x);
  Chain left, right;
  left.neighbours = turn > 0 ? kNext : kPrevious;
  right.neighbours = turn > 0 ? kPrevious : kNext;
  left.to = right.to = top;

  while (row < limit) {
    if (!left.ready(q) || !right.ready(q)) return;
    if (row < bounds.top) {
      // Rows above the frame draw nothing: walk past them an edge piece at a time.
      int64_t skip = bounds.top - row;
      if (left.rowsLeft > 0) skip = std::min(skip, left.rowsLeft);
      if (right.rowsLeft > 0) skip = std::min(skip, right.rowsLeft);
      left.advance(skip);
      right.advance(skip);
      row += skip;
      continue;
    }
    int64_t xl = (left.x + 0x8000) >> 16;
    int64_t xr = (right.x + 0x8000) >> 16;
    int64_t width = xr - xl;
    if (width > 0) {
      int64_t du = (right.u - left.u) / width;
      int64_t dv = (right.v - left.v) / width;
      int64_t u = left.u + 0x8000;
      int64_t v = left.v + 0x8000;
      if (xl < bounds.left) {
        int64_t skip = bounds.left - xl;
        u += skip * du;
        v += skip * dv;
        width -= skip;
        xl = bounds.left;
      }
      if (xl + width >= bounds.right) width = bounds.right - xl;
      if (width > 0) {
        drawSpan<Pixel>(painter, pixelAddress(frame, static_cast<int>(xl), static_cast<int>(row)),
                        u, v, du, dv, width);
      }
    }
    left.advance(1);
    right.advance(1);
    ++row;
  }
}

}  // namespace

QuadPainter* makeQuadPainter(int32_t rowBytes, int32_t height, const void* pixels,
                             int32_t frameTime) {
  auto* painter = static_cast<QuadPainter*>(engineAllocateZeroed(sizeof(QuadPainter)));
  if (painter == nullptr) return nullptr;
  painter->byteShift = currentFrameBuffer().byteShift;
  painter->pixels = static_cast<const uint8_t*>(pixels);
  painter->rowLength = (rowBytes < 0 ? -rowBytes : rowBytes) >> painter->byteShift;
  painter->height = height;
  painter->cosine = 1.0f;
  painter->zoom = 1.0f;
  painter->angleStep = 0.1f;
  painter->mode = kRotateConstant;
  painter->updateKind = 1;
  painter->nextStepTime = frameTime;
  if (height > 0) {
    painter->rowOffsets =
        static_cast<ptrdiff_t*>(engineAllocate(static_cast<size_t>(height) * sizeof(ptrdiff_t)));
    if (painter->rowOffsets != nullptr) {
      for (int32_t i = 0; i < height; ++i) painter->rowOffsets[i] = static_cast<ptrdiff_t>(i) * rowBytes;
    }
  }
  return painter;
}

void releaseQuadPainter(QuadPainter* painter) {
  if (painter == nullptr) return;
  engineFree(painter->rowOffsets);
  engineFree(painter);
}

void rotateBy(QuadPainter& painter, float radians) {
  painter.angle += radians;
  painter.cosine = std::cos(painter.angle);
  painter.sine = std::sin(painter.angle);
}

void drawQuad(const QuadPainter& painter, const QuadVertex (&quad)[4], const BufferDesc& frame) {
  if (painter.pixels == nullptr || painter.rowOffsets == nullptr || painter.height <= 0 ||
      painter.rowLength <= 0 || frame.baseAddr == nullptr ||
      frame.bitsPerPixel != (8u << painter.byteShift)) {
    return;
  }
  QuadVertex q[4];
  auto limit = [](int32_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
  };
  for (int i = 0; i < 4; ++i) {
    q[i] = QuadVertex{limit(quad[i].x), limit(quad[i].y), limit(quad[i].u), limit(quad[i].v)};
  }
  withPixelType(frame.bitsPerPixel, [&](auto pixel) { rasterise<decltype(pixel)>(painter, q, frame); });
}

}  // namespace quorix::render
