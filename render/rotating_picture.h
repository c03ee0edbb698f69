// The rotating picture: a key's picture turned about the centre of the key's rectangle, by a
// constant step or following the control value, drawn straight into the frame.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"
#include "render/quad_painter.h"

namespace quorix::render {

// Degrees to radians as the engine counts them (3.14 / 180).
inline constexpr double kRadiansPerDegree = 0.017444444444444446;

// Ticks between steps for an update kind: 1 every frame, 2 every 6 ticks, 3 every 3, 4 every
// tick; any other kind every frame.
int32_t updateInterval(int32_t updateKind);

// A painter over `picture` placed on the centre of `keyRect`, from the first 16 bytes of the
// key's effect settings (four big-endian 32-bit words, read unsigned): start angle and angle
// step in degrees, the RotationMode, the update kind. The start angle shows from the first
// rotation on. Null with memory error -108 when it cannot be allocated.
QuadPainter* makeRotatingPicture(const BufferDesc& picture, const Rect16& keyRect,
                                 const uint8_t* settings, int32_t frameTime);

// One frame: when the step is due (frameTime at or past the next step time, compared by
// difference so the tick clock may wrap) the schedule moves on by one interval, the angle
// changes by the mode (`controlValue` -64..63 for kRotateByControl) and the picture is drawn
// into `frame`; otherwise nothing happens.
void stepRotatingPicture(QuadPainter& painter, int32_t frameTime, int32_t controlValue,
                         const BufferDesc& frame);

}  // namespace quorix::render
