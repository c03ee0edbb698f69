// GlyphFont: an anti-aliased bitmap font for text written straight into frames (the
// statistics line). Every character 0..255 is rendered once, at twice the size, by the
// desktop's text drawing into an 8-bit bitmap, reduced 2 x 2 to coverage values and packed
// side by side into one strip; drawing a string then blends each glyph's coverage with one
// colour into a 16-bit or 32-bit buffer.
//
// [render thread] Fonts are made at engine start and used on the thread that renders frames.
#pragma once

#include <cstdint>

#include "plugin_sdk/buffer_desc.h"

namespace quorix::render {

// Font status values.
inline constexpr int32_t kGlyphFontReady = 0;
inline constexpr int32_t kGlyphFontNoBitmap = -1;    // no context, bitmap or strip
inline constexpr int32_t kGlyphFontNoFont = -2;      // the font could not be made
inline constexpr int32_t kGlyphFontNoMetrics = -3;   // the font's metrics could not be read

struct GlyphRecord {
  int32_t advance = 0;   // pixels the pen moves
  int32_t height = 0;    // rows drawn
  int32_t baseline = 0;  // row of the baseline within the glyph
  int32_t column = 0;    // strip column where the glyph starts
};

struct GlyphFont {
  int32_t status = kGlyphFontNoBitmap;
  int32_t doubleSize = 1;  // glyphs are rendered at twice the size and reduced
  // 8-bit coverage (0 no ink .. 255 full ink), as wide as all advances together; owns its
  // pixels.
  BufferDesc strip{};
  GlyphRecord glyphs[256];
};

// Builds a font of `size` points ("Arial" drawn as Liberation Sans); the status tells the
// outcome, and a failed font holds nothing.
int32_t makeGlyphFont(GlyphFont& font, int32_t size);
// Frees the strip.
void releaseGlyphFont(GlyphFont& font);

// The sum of the advances of a length-prefixed string's characters.
int32_t glyphStringWidth(const GlyphFont& font, const uint8_t* string);

enum : int32_t { kAlignLeft = 0, kAlignCentre = 1 };

// Draws a length-prefixed string with the top-left of its first glyph at (x, y) (centred on x
// with kAlignCentre, as if it were at most `maxWidth` wide), stopping after the glyph that
// takes the pen past `maxWidth`. `color` is a pixel value of the destination's format; 8-bit
// destinations and unknown 16-bit layouts get nothing, nor does a font that is not ready.
void drawGlyphString(const GlyphFont& font, const uint8_t* string, const BufferDesc& destination,
                     int32_t x, int32_t y, uint32_t color, int32_t maxWidth, int32_t alignment);
// The same with a zero-terminated string, of which at most 255 characters are drawn.
void drawGlyphText(const GlyphFont& font, const char* text, const BufferDesc& destination,
                   int32_t x, int32_t y, uint32_t color, int32_t maxWidth, int32_t alignment);

}  // namespace quorix::render
