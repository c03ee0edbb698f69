// Draws random clipped and unclipped lines, fills, quads, rotating pictures and sprinkles into
// a frame whose pixels are allocated to their exact extent, from pictures likewise allocated.
#include <cstdint>
#include <vector>

#include "common/memory.h"
#include "common/random.h"
#include "fuzz/fuzz_input.h"
#include "render/draw_line.h"
#include "render/fill.h"
#include "render/frame_buffer.h"
#include "render/line_clipping.h"
#include "render/quad_painter.h"
#include "render/resource_color_table.h"
#include "render/rotating_picture.h"
#include "render/sprinkle.h"

using namespace quorix;
using namespace quorix::render;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  FrameBuffer frame;
  ScopedCurrentFrame current(frame);
  const uint32_t depths[] = {8, 16, 32};
  setDepth(frame, depths[in.byte() % 3]);
  MemHandle table = makeResourceColorTable(8);
  int width = in.range(1, 80), height = in.range(1, 60);
  if (makeWindowedFrame(frame, Rect16{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)}, table) != 0) {
    disposeHandle(table);
    return 0;
  }
  disposeHandle(table);
  BufferDesc target = frameDescriptor(frame);
  int bytesPerPixel = static_cast<int>(frame.depth / 8);

  // A picture of the frame's depth, its rows exactly as long as its row bytes say.
  int pictureWidth = in.range(0, 40), pictureHeight = in.range(0, 40);
  int pictureRowBytes = pictureWidth * bytesPerPixel + in.range(0, 5);
  std::vector<uint8_t> pixels(static_cast<size_t>(pictureHeight) * pictureRowBytes + 1);
  for (uint8_t& b : pixels) b = in.byte();
  BufferDesc picture{};
  picture.baseAddr = pixels.data();
  picture.bitsPerPixel = in.byte() % 8 == 0 ? 24 : frame.depth;
  picture.bounds = Rect16{0, 0, static_cast<int16_t>(pictureHeight), static_cast<int16_t>(pictureWidth)};
  picture.rowBytes = pictureRowBytes;
  seedRandom(in.u32());

  for (int step = 0; step < 8; ++step) {
    switch (in.byte() % 6) {
      case 0: {  // a clipped line
        ClipWindow window{in.range(-10, height), in.range(-10, width), in.range(-10, height + 10),
                          in.range(-10, width + 10)};
        if (window.bottom >= height) window.bottom = height - 1;
        if (window.right >= width) window.right = width - 1;
        int32_t x1 = in.i16(), y1 = in.i16(), x2 = in.i16(), y2 = in.i16();
        if (clipSegment(window, x1, y1, x2, y2) != kSegmentRejected) drawLine(x1, y1, x2, y2, in.u32(), target);
        break;
      }
      case 1:  // an unclipped line near the frame
        drawLine(in.range(-100, 200), in.range(-100, 200), in.range(-100, 200), in.range(-100, 200), in.u32(), target);
        break;
      case 2: {  // a rectangle reduced to a window, then filled; and one filled as it is
        ClipWindow window{0, 0, height - 1, width - 1};
        Rect16 rect{in.i16(), in.i16(), in.i16(), in.i16()};
        if (clipRectangle(window, rect) == 1) fillRect(rect, in.u32(), target);
        fillRect(Rect16{in.i16(), in.i16(), in.i16(), in.i16()}, in.u32(), target);
        break;
      }
      case 3: {  // a quad with any corners and texture coordinates
        QuadPainter* painter = makeQuadPainter(picture.rowBytes, pictureHeight, picture.baseAddr, 0);
        if (painter == nullptr) break;
        QuadVertex quad[4];
        for (QuadVertex& v : quad) {
          v = in.flag() ? QuadVertex{static_cast<int32_t>(in.u32()), static_cast<int32_t>(in.u32()),
                                     static_cast<int32_t>(in.u32()), static_cast<int32_t>(in.u32())}
                        : QuadVertex{in.range(-50, 150), in.range(-50, 150), in.range(-5, 45), in.range(-5, 45)};
        }
        drawQuad(*painter, quad, target);
        releaseQuadPainter(painter);
        break;
      }
      case 4: {  // a rotating picture for a few frames
        uint8_t settings[16];
        for (uint8_t& b : settings) b = in.byte();
        Rect16 key{in.i16(), in.i16(), in.i16(), in.i16()};
        QuadPainter* painter = makeRotatingPicture(picture, key, settings, 0);
        if (painter == nullptr) break;
        if (in.flag()) painter->zoom = static_cast<float>(in.range(-300, 300)) / 10.0f;
        for (int t = 0; t < 3; ++t) stepRotatingPicture(*painter, t * 7, in.range(-64, 63), target);
        releaseQuadPainter(painter);
        break;
      }
      default: {  // a sprinkle over any layer
        uint8_t settings[16];
        for (uint8_t& b : settings) b = in.byte();
        settings[14] = 0;
        settings[15] = in.byte() % 6;
        Rect16 layer{in.coordinate(height), in.coordinate(width), in.coordinate(height), in.coordinate(width)};
        Sprinkle* sprinkle = makeSprinkle(settings, picture, layer, 0);
        if (sprinkle == nullptr) break;
        drawSprinkle(*sprinkle, target);
        releaseSprinkle(sprinkle);
        break;
      }
    }
  }
  releaseFrameBuffers(frame);
  return 0;
}
