#include "render/rotating_picture.h"

#include <cmath>

#include "common/byte_order.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

// A float as an integer coordinate, truncated toward zero and kept within 32 bits.
int32_t truncate(float value) {
  if (!(value > -2147483520.0f)) return INT32_MIN;  // also NaN
  if (!(value < 2147483520.0f)) return INT32_MAX;
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t updateInterval(int32_t updateKind) {
  switch (updateKind) {
    case 2:
      return 6;
    case 3:
      return 3;
    case 4:
      return 1;
    default:
      return 0;
  }
}

QuadPainter* makeRotatingPicture(const BufferDesc& picture, const Rect16& keyRect,
                                 const uint8_t* settings, int32_t frameTime) {
  int32_t height = picture.bounds.bottom - picture.bounds.top;
  int32_t width = picture.bounds.right - picture.bounds.left;
  const void* origin = picture.baseAddr != nullptr
                           ? pixelAddress(picture, picture.bounds.left, picture.bounds.top)
                           : nullptr;
  QuadPainter* painter = makeQuadPainter(picture.rowBytes, height, origin, frameTime);
  if (painter == nullptr) return nullptr;
  painter->updateKind = static_cast<int32_t>(loadBE32(settings + 12));
  painter->interval = updateInterval(painter->updateKind);
  painter->mode = static_cast<int32_t>(loadBE32(settings + 8));
  painter->angle = static_cast<float>(loadBE32(settings) * kRadiansPerDegree);
  painter->angleStep = static_cast<float>(loadBE32(settings + 4) * kRadiansPerDegree);
  painter->quad[0].u = 0;
  painter->quad[0].v = 0;
  painter->quad[1].u = width - 1;
  painter->quad[1].v = 0;
  painter->quad[2].u = width - 1;
  painter->quad[2].v = height - 1;
  painter->quad[3].u = 0;
  painter->quad[3].v = height - 1;
  painter->centreX = static_cast<float>(keyRect.left + ((keyRect.right - keyRect.left) >> 1));
  painter->centreY = static_cast<float>(keyRect.top + ((keyRect.bottom - keyRect.top) >> 1));
  painter->zoom = 1.0f;
  return painter;
}

void stepRotatingPicture(QuadPainter& painter, int32_t frameTime, int32_t controlValue,
                         const BufferDesc& frame) {
  if (static_cast<int32_t>(static_cast<uint32_t>(frameTime) -
                           static_cast<uint32_t>(painter.nextStepTime)) < 0) {
    return;
  }
  // From the old schedule, not from now: after a pause the steps catch up one per frame.
  painter.nextStepTime =
      static_cast<int32_t>(static_cast<uint32_t>(painter.nextStepTime) + painter.interval);
  if (painter.mode == kRotateConstant) {
    rotateBy(painter, painter.angleStep);
  } else if (painter.mode == kRotateByControl) {
    painter.angle = static_cast<float>(controlValue >= 0 ? controlValue * 0.04984126984126984
                                                         : controlValue * 0.0490625);
    painter.cosine = std::cos(painter.angle);
    painter.sine = std::sin(painter.angle);
  }
  const float halfLength = static_cast<float>(painter.rowLength >> 1);
  const float halfHeight = static_cast<float>(painter.height >> 1);
  for (QuadVertex& corner : painter.quad) {
    float u = static_cast<float>(corner.u) - halfLength;
    float v = static_cast<float>(corner.v) - halfHeight;
    corner.x = truncate((u * painter.cosine - v * painter.sine) * painter.zoom + painter.centreX);
    corner.y = truncate((v * painter.cosine + u * painter.sine) * painter.zoom + painter.centreY);
  }
  drawQuad(painter, painter.quad, frame);
}

}  // namespace quorix::render
