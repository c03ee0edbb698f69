#include "render/sprinkle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/byte_order.h"
#include "common/memory.h"
#include "common/random.h"
#include "render/draw_line.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/pixel_access.h"

namespace quorix::render {
namespace {

// A stroke start: its offset in the layer and the colour of the picture pixel under it.
struct StrokeStart {
  int32_t x, y;    // offset in the layer
  int32_t px, py;  // the picture point
  uint32_t color;
};

StrokeStart nextStart(const Sprinkle& s) {
  int32_t layerWidth = s.layer.right - s.layer.left;
  int32_t layerHeight = s.layer.bottom - s.layer.top;
  StrokeStart start{};
  start.x = static_cast<int32_t>(std::llabs(int64_t{nextRandom()} * (layerWidth - 1) / kRandomMax));
  start.y = static_cast<int32_t>(std::llabs(int64_t{nextRandom()} * (layerHeight - 1) / kRandomMax));
  // The picture point stays inside the picture whatever the layer and the scales.
  int32_t pictureWidth = s.picture.bounds.right - s.picture.bounds.left;
  int32_t pictureHeight = s.picture.bounds.bottom - s.picture.bounds.top;
  start.px = std::clamp(static_cast<int32_t>(static_cast<float>(start.x) * s.scaleX), 0,
                        pictureWidth - 1);
  start.py = std::clamp(static_cast<int32_t>(static_cast<float>(start.y) * s.scaleY), 0,
                        pictureHeight - 1);
  const uint8_t* at =
      pixelAddress(s.picture, s.picture.bounds.left + start.px, s.picture.bounds.top + start.py);
  withPixelType(s.picture.bitsPerPixel, [&](auto pixel) {
    start.color = loadPixel<decltype(pixel)>(at);
  });
  return start;
}

void stroke(const Sprinkle& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color,
            const BufferDesc& frame) {
  if (clipSegment(s.window, x1, y1, x2, y2) != kSegmentRejected) {
    drawLine(x1, y1, x2, y2, color, frame);
  }
}

// The end offset of a radial stroke along one axis: length scaled by that axis's share of
// the distance, with the axis's sign.
// The quotient is at most length squared; the product before it needs 128 bits.
int32_t radialPart(int64_t along, int64_t length, int64_t distance) {
  __int128 quotient = static_cast<__int128>(along * along) * (length * length) / distance;
  auto part = static_cast<int32_t>(std::sqrt(static_cast<double>(quotient)));
  return along < 0 ? -part : part;
}

void pass(const Sprinkle& s, int16_t style, const BufferDesc& frame) {
  const int32_t length = s.words[2];
  for (int i = 0; i < kSprinkleStrokesPerPass; ++i) {
    StrokeStart start = nextStart(s);
    int32_t x = s.layer.left + start.x;
    int32_t y = s.layer.top + start.y;
    switch (style) {
      case kSprinkleHorizontal:
        stroke(s, x, y, x + length, y, start.color, frame);
        break;
      case kSprinkleVertical:
        stroke(s, x, y, x, y + length, start.color, frame);
        break;
      case kSprinkleRadial: {
        int64_t dx = int64_t{s.words[4]} - s.words[1] + start.px;
        int64_t dy = int64_t{s.words[3]} - s.words[0] + start.py;
        int64_t distance = dx * dx + dy * dy;
        if (distance == 0) distance = 1;
        stroke(s, x, y, x + radialPart(dx, length, distance), y + radialPart(dy, length, distance),
               start.color, frame);
        break;
      }
      case kSprinkleSquares: {
        int32_t half = length >> 1;
        auto edge = [](int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
        Rect16 square{edge(y - half), edge(x - half), edge(y + half), edge(x + half)};
        if (clipRectangle(s.window, square) != -1) fillRect(square, start.color, frame);
        break;
      }
      default:
        return;
    }
  }
}

}  // namespace

Sprinkle* makeSprinkle(const uint8_t* settings, const BufferDesc& picture, const Rect16& layer,
                       int32_t extra) {
  auto* s = static_cast<Sprinkle*>(engineAllocateZeroed(sizeof(Sprinkle)));
  if (s == nullptr) return nullptr;
  for (int i = 0; i < 8; ++i) s->words[i] = loadBE16s(settings + 2 * i);
  s->picture = picture;
  s->picture.ownsPixels = 0;
  s->layer = layer;
  s->extra = extra;
  const Rect16& frame = currentFrameBuffer().bounds;
  s->window = ClipWindow{frame.top, frame.left, frame.bottom - 1, frame.right - 1};
  int layerWidth = layer.right - layer.left;
  int layerHeight = layer.bottom - layer.top;
  s->scaleX = layerWidth == 0 ? 1.0f
                              : static_cast<float>(picture.bounds.right - picture.bounds.left) /
                                    static_cast<float>(layerWidth);
  s->scaleY = layerHeight == 0 ? 1.0f
                               : static_cast<float>(picture.bounds.bottom - picture.bounds.top) /
                                     static_cast<float>(layerHeight);
  return s;
}

void drawSprinkle(const Sprinkle& sprinkle, const BufferDesc& frame) {
  const BufferDesc& picture = sprinkle.picture;
  if (picture.baseAddr == nullptr || picture.bounds.right <= picture.bounds.left ||
      picture.bounds.bottom <= picture.bounds.top ||
      (picture.bitsPerPixel != 8 && picture.bitsPerPixel != 16 && picture.bitsPerPixel != 32)) {
    return;
  }
  int16_t style = sprinkle.words[7];
  if (style == kSprinkleCross) {
    pass(sprinkle, kSprinkleHorizontal, frame);
    pass(sprinkle, kSprinkleVertical, frame);
  } else {
    pass(sprinkle, style, frame);
  }
}

void releaseSprinkle(Sprinkle* sprinkle) { engineFree(sprinkle); }

}  // namespace quorix::render
