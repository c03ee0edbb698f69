#include "render/glyph_font.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "common/memory.h"
#include "platform/font/font.h"
#include "platform/window/window.h"
#include "ui/color_table_resource.h"

namespace quorix::render {
namespace {

namespace pf = quorix::platform;

// An 8-bit top-down bitmap header whose colours are the default 8-bit table (entry 0 white,
// entry 255 black).
pf::BitmapInfo paletteBitmapInfo(int32_t width, int32_t height) {
  pf::BitmapInfo info{};
  info.header.width = width;
  info.header.height = -height;
  info.header.bitCount = 8;
  const std::vector<uint8_t>* table = ui::colorTableResource(ui::kDefaultColorTableId);
  for (int i = 0; i < 256 && table != nullptr && 8 + i * 8 + 8 <= static_cast<int>(table->size());
       ++i) {
    const uint8_t* entry = table->data() + 8 + i * 8;
    info.colors[i] = {entry[6], entry[4], entry[2], 0};  // high bytes of blue, green, red
  }
  return info;
}

// A memory context with an 8-bit section and the font selected; null parts on failure.
struct DrawingBitmap {
  pf::DeviceContext* dc = nullptr;
  pf::Bitmap* bitmap = nullptr;
  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;

  bool make(int32_t w, int32_t h, const std::shared_ptr<pf::GdiFont>& font) {
    width = w;
    height = h;
    pf::DeviceContext* screen = pf::getScreenDC();
    dc = pf::createCompatibleDC(screen);
    pf::releaseDC(nullptr, screen);
    pf::BitmapInfo info = paletteBitmapInfo(w, h);
    void* bits = nullptr;
    bitmap = pf::createDIBSection(dc, &info.header, &bits);
    pixels = static_cast<uint8_t*>(bits);
    if (dc == nullptr || bitmap == nullptr) return false;
    pf::selectBitmap(dc, bitmap);
    pf::selectFont(dc, font);
    return true;
  }
  ~DrawingBitmap() {
    pf::deleteDC(dc);
    pf::deleteBitmap(bitmap);
  }
};

// The pixel address of (x, y) in a buffer whose bounds start at its base.
uint8_t* pixelAt(const BufferDesc& buffer, int32_t x, int32_t y, int32_t bytes) {
  return static_cast<uint8_t*>(buffer.baseAddr) + static_cast<ptrdiff_t>(y) * buffer.rowBytes +
         static_cast<ptrdiff_t>(x) * bytes;
}

uint32_t mix(uint32_t d, uint32_t k, uint32_t a) { return (d * (255 - a) + k * a) >> 8; }

// Blends coverage `a` of colour `k` over a 16-bit pixel with channels of 5, 6 or 5 bits
// (green 5 bits wide for 5-5-5).
uint16_t blend16(uint16_t d, uint16_t k, uint32_t a, bool is565) {
  int greenBits = is565 ? 6 : 5;
  int redShift = 5 + greenBits;
  uint32_t greenMask = (1u << greenBits) - 1;
  uint32_t r = mix((d >> redShift) & 31, (k >> redShift) & 31, a);
  uint32_t g = mix((d >> 5) & greenMask, (k >> 5) & greenMask, a);
  uint32_t b = mix(d & 31, k & 31, a);
  return static_cast<uint16_t>((r << redShift) | (g << 5) | b);
}

}  // namespace

int32_t makeGlyphFont(GlyphFont& font, int32_t size) {
  font = GlyphFont{};
  pf::DeviceContext* screen = pf::getScreenDC();
  pf::LogFont logFont;
  logFont.height = pf::fontHeightOfTenths(screen, (2 * size) * 10 - 10);
  logFont.faceName = "Arial";
  pf::releaseDC(nullptr, screen);
  std::shared_ptr<pf::GdiFont> gdiFont = pf::createFont(logFont);
  if (gdiFont->font->status() != pf::FontStatus::Ready) return font.status = kGlyphFontNoFont;

  pf::TextMetrics metrics;
  {
    DrawingBitmap measuring;
    if (!measuring.make(10, 10, gdiFont)) return font.status = kGlyphFontNoBitmap;
    if (!pf::getTextMetrics(measuring.dc, metrics)) return font.status = kGlyphFontNoMetrics;
    int32_t column = 0;
    for (int c = 0; c < 256; ++c) {
      char character = static_cast<char>(c);
      int32_t width = 0, height = 0;
      pf::getTextExtent(measuring.dc, &character, 1, width, height);
      GlyphRecord& glyph = font.glyphs[c];
      glyph.advance = width / 2;
      glyph.height = (metrics.height - 1) / 2;
      glyph.baseline = (metrics.ascent - 1) / 2;
      glyph.column = column;
      column += glyph.advance;
    }
  }

  DrawingBitmap rendering;
  int32_t renderWidth = (metrics.maxCharWidth + 1 + 3) / 4 * 4;
  if (!rendering.make(renderWidth, metrics.height, gdiFont)) return font.status = kGlyphFontNoBitmap;
  pf::setTextAlign(rendering.dc, pf::kTextAlignBaseline);

  int32_t stripWidth = font.glyphs[255].column + font.glyphs[255].advance;
  int32_t stripHeight = metrics.height / 2;
  void* strip = engineAllocateZeroed(static_cast<size_t>(std::max(stripWidth, 1)) *
                                     std::max(stripHeight, 1));
  if (strip == nullptr) return font.status = kGlyphFontNoBitmap;
  font.strip.baseAddr = strip;
  font.strip.bitsPerPixel = 8;
  font.strip.bounds = Rect16{0, 0, static_cast<int16_t>(stripHeight), static_cast<int16_t>(stripWidth)};
  font.strip.rowBytes = stripWidth;
  font.strip.ownsPixels = 1;

  // Each glyph at twice the size, black on white (ink is index 255, paper 0), then every
  // strip pixel the mean of a 2 x 2 block.
  for (int c = 0; c < 256; ++c) {
    const GlyphRecord& glyph = font.glyphs[c];
    std::memset(rendering.pixels, 0, static_cast<size_t>(pf::dibRowBytes(renderWidth, 8)) * metrics.height);
    char character = static_cast<char>(c);
    pf::textOut(rendering.dc, 0, 2 * glyph.baseline, &character, 1);
    int32_t stride = pf::dibRowBytes(renderWidth, 8);
    for (int32_t y = 0; y < stripHeight; ++y) {
      const uint8_t* top = rendering.pixels + static_cast<size_t>(2 * y) * stride;
      const uint8_t* bottom = top + stride;
      uint8_t* out = static_cast<uint8_t*>(strip) + static_cast<size_t>(y) * stripWidth + glyph.column;
      for (int32_t x = 0; x < glyph.advance; ++x) {
        out[x] = static_cast<uint8_t>((top[2 * x + 1] + top[2 * x + 2] + bottom[2 * x + 1] +
                                       bottom[2 * x + 2]) >> 2);
      }
    }
  }
  return font.status = kGlyphFontReady;
}

void releaseGlyphFont(GlyphFont& font) {
  if (font.strip.ownsPixels != 0) engineFree(font.strip.baseAddr);
  font.strip = BufferDesc{};
  font.status = kGlyphFontNoBitmap;
}

int32_t glyphStringWidth(const GlyphFont& font, const uint8_t* string) {
  if (string == nullptr) return 0;
  int32_t width = 0;
  for (int i = 1; i <= string[0]; ++i) width += font.glyphs[string[i]].advance;
  return width;
}

void drawGlyphString(const GlyphFont& font, const uint8_t* string, const BufferDesc& destination,
                     int32_t x, int32_t y, uint32_t color, int32_t maxWidth, int32_t alignment) {
  if (font.status != kGlyphFontReady || string == nullptr || destination.baseAddr == nullptr) return;
  uint32_t depth = destination.bitsPerPixel;
  bool is565 = destination.layoutCode == QX_LAYOUT_565;
  bool is555 = destination.layoutCode == QX_LAYOUT_555;
  if (!(depth == 32 || (depth == 16 && (is565 || is555)))) return;
  if (alignment == kAlignCentre) {
    int32_t width = std::min(glyphStringWidth(font, string), maxWidth);
    x -= width / 2;
  }
  int32_t width = destination.bounds.right - destination.bounds.left;
  int32_t height = destination.bounds.bottom - destination.bounds.top;
  if (x < 0 || x > width || y < 0 || y > height) return;

  int32_t bytes = depth == 32 ? 4 : 2;
  const auto* strip = static_cast<const uint8_t*>(font.strip.baseAddr);
  int32_t stripRows = font.strip.bounds.bottom - font.strip.bounds.top;
  int32_t pen = 0;
  for (int i = 1; i <= string[0]; ++i) {
    const GlyphRecord& glyph = font.glyphs[string[i]];
    int32_t left = x + pen;
    for (int32_t row = 0; row < std::min(glyph.height, stripRows); ++row) {
      int32_t py = y + row;
      if (py >= height) break;
      const uint8_t* coverage = strip + static_cast<ptrdiff_t>(row) * font.strip.rowBytes + glyph.column;
      for (int32_t col = 0; col < glyph.advance; ++col) {
        int32_t px = left + col;
        uint32_t a = coverage[col];
        if (a == 0 || px >= width) continue;
        uint8_t* at = pixelAt(destination, px, py, bytes);
        if (depth == 16) {
          uint16_t d;
          std::memcpy(&d, at, 2);
          uint16_t k = static_cast<uint16_t>(color);
          d = a == 255 ? k : blend16(d, k, a, is565);
          std::memcpy(at, &d, 2);
        } else if (a == 255) {
          std::memcpy(at, &color, 4);
        } else {
          for (int b = 0; b < 3; ++b) {
            uint32_t k = (color >> (8 * b)) & 0xFF;
            at[b] = static_cast<uint8_t>((at[b] * (255 - a) + k * a) / 255);
          }
        }
      }
    }
    pen += glyph.advance;
    if (pen > maxWidth) break;
  }
}

void drawGlyphText(const GlyphFont& font, const char* text, const BufferDesc& destination,
                   int32_t x, int32_t y, uint32_t color, int32_t maxWidth, int32_t alignment) {
  if (text == nullptr) return;
  uint8_t counted[256];
  size_t length = std::min<size_t>(std::strlen(text), 255);
  counted[0] = static_cast<uint8_t>(length);
  std::memcpy(counted + 1, text, length);
  drawGlyphString(font, counted, destination, x, y, color, maxWidth, alignment);
}

}  // namespace quorix::render
