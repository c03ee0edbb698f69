// QuadPainter: draws four-cornered polygons of a picture into the frame with affine texture
// mapping through one scanline rasteriser. The rotating picture (rotating_picture.h) and the
// tile burst are built on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// A corner: screen position and the picture column and row shown there.
struct QuadVertex {
  int32_t x = 0, y = 0;
  int32_t u = 0, v = 0;
};

enum RotationMode : int32_t {
  kRotateConstant = 0,   // turn by the angle step at every due step
  kRotateByControl = 1,  // angle from the control value
};

struct QuadPainter {
  QuadVertex quad[4];      // the rotating picture's own quad
  // The picture: its first row, row length in pixels (row bytes >> the byte shift), rows.
  // The pixels are read where they are at each drawing; they are not copied.
  const uint8_t* pixels;
  int32_t rowLength;
  int32_t height;
  uint32_t byteShift;      // the engine's when the painter was made
  float angle;             // radians
  float cosine, sine;
  float centreX, centreY;
  float zoom;
  ptrdiff_t* rowOffsets;   // row i at i x row bytes, for every row; owned (null: draws nothing)
  int32_t mode;            // RotationMode
  int32_t updateKind;      // 1..4, see rotating_picture.h
  int32_t nextStepTime;    // ticks
  int32_t interval;        // ticks between steps
  float angleStep;         // radians
};

// A plain painter over `height` rows of `rowBytes` at `pixels`: angle 0, cosine 1, sine 0,
// centre (0, 0), zoom 1, angle step 0.1, mode 0, update kind 1, interval 0, next step time
// `frameTime`. Null with memory error -108 when it cannot be allocated; a painter whose row
// table cannot be allocated (or that has no rows) draws nothing.
QuadPainter* makeQuadPainter(int32_t rowBytes, int32_t height, const void* pixels,
                             int32_t frameTime);

// Frees the row table and the painter. Null is ignored.
void releaseQuadPainter(QuadPainter* painter);

// angle += radians; the cosine and sine follow the new angle.
void rotateBy(QuadPainter& painter, float radians);

// Draws the quad (vertices in order around it) into `frame`, whose depth must be the
// painter's pixel size. Rows run from the top vertex down to the lowest vertex or the frame's
// bottom; each row's span between the left and right chains is filled left to right with the
// picture pixel at (u >> 16, v >> 16), interpolated in 16.16 fixed point. Spans are clipped
// to the frame's bounds; samples are kept inside the picture. Coordinates are taken within
// +-2^20.
void drawQuad(const QuadPainter& painter, const QuadVertex (&quad)[4], const BufferDesc& frame);

}  // namespace quorix::render
