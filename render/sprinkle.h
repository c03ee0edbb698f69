// The sprinkle action: each frame it scatters short strokes or squares over a layer's
// rectangle, each coloured from the picture pixel under its start.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"
#include "render/line_clipping.h"

namespace quorix::render {

inline constexpr int kSprinkleStrokesPerPass = 500;

enum SprinkleStyle : int16_t {
  kSprinkleHorizontal = 0,  // strokes to (x + length, y)
  kSprinkleVertical = 1,    // strokes to (x, y + length)
  kSprinkleCross = 2,       // a pass of horizontal strokes, then a pass of vertical ones
  kSprinkleRadial = 3,      // strokes of the given length pointing away from a centre
  kSprinkleSquares = 4      // filled squares of side length, centred on the point
};

struct Sprinkle {
  // Parameter words in host order: 0, 1, 3 and 4 place the radial centre, 2 is the stroke
  // length (square side) in pixels, 7 the style.
  int16_t words[8];
  BufferDesc picture;  // the source picture; its pixels belong to the Synth
  Rect16 layer;        // where the strokes go, in frame coordinates
  int32_t extra;       // the word given at creation
  ClipWindow window;   // the frame: top, left, bottom - 1, right - 1
  float scaleX;        // picture width / layer width (1 for an empty layer)
  float scaleY;
};

// A new record from the first 16 bytes of the key's effect settings (eight big-endian 16-bit
// words), the picture, the layer rectangle and the extra word; the clip window is the
// current frame's. Null with memory error -108 when it cannot be allocated.
Sprinkle* makeSprinkle(const uint8_t* settings, const BufferDesc& picture, const Rect16& layer,
                       int32_t extra);

// Draws one frame of strokes into `frame`, with the engine's pseudo-random sequence. Nothing
// when the picture has no pixels or depth 8, 16 or 32, or for an unknown style.
void drawSprinkle(const Sprinkle& sprinkle, const BufferDesc& frame);

// Frees the record (not the picture). Null is ignored.
void releaseSprinkle(Sprinkle* sprinkle);

}  // namespace quorix::render
