#include "display/drawing_port.h"

#include <cstring>
#include <string>

#include "display/gdi_output.h"
#include "platform/font/font.h"
#include "render/frame_buffer.h"
#include "render/pixel_map.h"

namespace quorix::display {
namespace {

namespace pf = quorix::platform;

DrawingPort gCurrent;
bool gHasTextRect = false;
pf::WinRect gTextRect;

// What an offscreen port keeps as its device context.
struct OffscreenDC {
  pf::DeviceContext* dc = nullptr;
  pf::Bitmap* section = nullptr;
};

pf::ColorRef colorOf(uint16_t red, uint16_t green, uint16_t blue) {
  return pf::rgbColor(static_cast<uint8_t>(red >> 8), static_cast<uint8_t>(green >> 8),
                      static_cast<uint8_t>(blue >> 8));
}

// The pen and colours of the current port.
pf::WinPoint& penOf(const DrawingPort& port, pf::WinPoint& scratch) {
  if (port.window != nullptr) return port.window->drawing.pen;
  scratch = {port.offscreen->penH, port.offscreen->penV};
  return scratch;
}

void storePen(const DrawingPort& port, pf::WinPoint pen) {
  if (port.window != nullptr) {
    port.window->drawing.pen = pen;
  } else if (port.offscreen != nullptr) {
    port.offscreen->penH = static_cast<int16_t>(pen.x);
    port.offscreen->penV = static_cast<int16_t>(pen.y);
  }
}

pf::ColorRef foreOf(const DrawingPort& port) {
  if (port.window != nullptr) return port.window->drawing.foreColor;
  const render::RgbColor& c = port.offscreen->foreColor;
  return colorOf(c.red, c.green, c.blue);
}

// Copies the section's rows of the port rectangle into the PixelMap, or the other way.
void copyPortRows(render::OffscreenPort* port, const OffscreenDC& record, bool intoMap) {
  render::PixelMap* map = render::pixelMapOf(port->pixMap);
  pf::BitmapFacts facts = pf::bitmapFacts(record.section);
  if (map == nullptr || map->baseAddr == nullptr || port->dibPixels == nullptr) return;
  int32_t mapRowBytes = render::rowBytesOf(*map);
  int32_t sectionRowBytes = pf::dibRowBytes(facts.width, facts.bitCount);
  int32_t bytes = map->pixelSize >= 24 ? 4 : map->pixelSize / 8;
  Rect16 rect = port->portRect;
  int32_t top = std::max<int32_t>(rect.top - map->bounds.top, 0);
  int32_t bottom = std::min<int32_t>(rect.bottom - map->bounds.top, facts.height);
  int32_t left = std::max<int32_t>(rect.left - map->bounds.left, 0);
  int32_t right = std::min<int32_t>(rect.right - map->bounds.left,
                                    std::min(facts.width, mapRowBytes / std::max(bytes, 1)));
  if (left >= right) return;
  for (int32_t y = top; y < bottom; ++y) {
    auto* mapRow = static_cast<uint8_t*>(map->baseAddr) + static_cast<ptrdiff_t>(y) * mapRowBytes + left * bytes;
    auto* sectionRow = static_cast<uint8_t*>(port->dibPixels) + static_cast<ptrdiff_t>(y) * sectionRowBytes + left * bytes;
    size_t count = static_cast<size_t>(right - left) * bytes;
    if (intoMap) {
      std::memcpy(mapRow, sectionRow, count);
    } else {
      std::memcpy(sectionRow, mapRow, count);
    }
  }
}

}  // namespace

DrawingPort currentPort() { return gCurrent; }

void setPort(WindowPort* port) { gCurrent = DrawingPort{port, nullptr}; }

void setPort(render::OffscreenPort* port) { gCurrent = DrawingPort{nullptr, port}; }

DrawingPort portOfRef(PortRef port) {
  if (port == nullptr) return {};
  uint16_t kind;
  std::memcpy(&kind, port, sizeof kind);
  if (kind == kWindowPortKind || kind == kScrollingWindowPortKind) {
    return DrawingPort{reinterpret_cast<WindowPort*>(port), nullptr};
  }
  return DrawingPort{nullptr, port};
}

PortRef refOfPort(const DrawingPort& port) {
  if (port.window != nullptr) return reinterpret_cast<PortRef>(port.window);
  return port.offscreen;
}

pf::DeviceContext* offscreenPortDC(render::OffscreenPort* port) {
  if (port == nullptr || port->portKind != kOffscreenPortKind) return nullptr;
  if (port->deviceContext != nullptr) return static_cast<OffscreenDC*>(port->deviceContext)->dc;
  std::unique_ptr<uint8_t, void (*)(void*)> header = dibHeaderOfMap(port->pixMap, render::currentFrameBuffer().layoutCode);
  if (!header) return nullptr;
  auto record = std::make_unique<OffscreenDC>();
  pf::DeviceContext* screen = pf::getScreenDC();
  record->dc = pf::createCompatibleDC(screen);
  pf::releaseDC(nullptr, screen);
  void* bits = nullptr;
  record->section = pf::createDIBSection(record->dc, reinterpret_cast<pf::BitmapInfoHeader*>(header.get()), &bits);
  if (record->section == nullptr) {
    pf::deleteDC(record->dc);
    return nullptr;
  }
  pf::selectBitmap(record->dc, record->section);
  port->dibPixels = bits;
  // The section starts as a copy of the port's pixels, so that what the port held survives
  // the copy back when the context is released.
  copyPortRows(port, *record, false);
  port->deviceContext = record.get();
  return record.release()->dc;
}

void releaseOffscreenPortDC(render::OffscreenPort* port) {
  if (port == nullptr || port->deviceContext == nullptr) return;
  auto* record = static_cast<OffscreenDC*>(port->deviceContext);
  pf::gdiFlush();
  copyPortRows(port, *record, true);
  pf::deleteDC(record->dc);
  pf::deleteBitmap(record->section);
  delete record;
  port->deviceContext = nullptr;
  port->dibPixels = nullptr;
}

pf::DeviceContext* portDC() {
  if (gCurrent.window != nullptr) return pf::getDC(gCurrent.window->window);
  return offscreenPortDC(gCurrent.offscreen);
}

void releasePortDC(pf::DeviceContext* dc) {
  if (dc == nullptr) return;
  // An offscreen port keeps its context; a window's goes back (and shows what was drawn).
  if (gCurrent.window != nullptr) pf::releaseDC(gCurrent.window->window, dc);
}

void moveTo(int32_t h, int32_t v) {
  if (!gCurrent.empty()) storePen(gCurrent, {h, v});
}

void lineTo(int32_t h, int32_t v) {
  if (gCurrent.empty()) return;
  pf::DeviceContext* dc = portDC();
  if (dc != nullptr) {
    pf::WinPoint scratch;
    pf::WinPoint from = penOf(gCurrent, scratch);
    pf::Pen old = pf::selectPen(dc, pf::Pen{pf::PenStyle::Solid, 1, foreOf(gCurrent)});
    pf::moveTo(dc, from.x, from.y);
    pf::lineTo(dc, h, v);
    pf::selectPen(dc, old);
    releasePortDC(dc);
  }
  storePen(gCurrent, {h, v});
}

void frameRect(const Rect16& rect) {
  if (gCurrent.window == nullptr) return;
  pf::DeviceContext* dc = portDC();
  if (dc == nullptr) return;
  pf::Pen oldPen = pf::selectPen(dc, pf::Pen{pf::PenStyle::Solid, 1, gCurrent.window->drawing.foreColor});
  pf::Brush oldBrush = pf::selectBrush(dc, pf::Brush{true, 0});
  pf::rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  pf::selectPen(dc, oldPen);
  pf::selectBrush(dc, oldBrush);
  releasePortDC(dc);
}

void eraseRect(const Rect16& rect) {
  if (gCurrent.window == nullptr) return;
  pf::DeviceContext* dc = portDC();
  if (dc == nullptr) return;
  pf::ColorRef back = gCurrent.window->drawing.backColor;
  pf::Pen oldPen = pf::selectPen(dc, pf::Pen{pf::PenStyle::Solid, 1, back});
  pf::Brush oldBrush = pf::selectBrush(dc, pf::Brush{false, back});
  pf::rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  pf::selectPen(dc, oldPen);
  pf::selectBrush(dc, oldBrush);
  releasePortDC(dc);
}

void setForeColor(uint16_t red, uint16_t green, uint16_t blue) {
  if (gCurrent.window != nullptr) gCurrent.window->drawing.foreColor = colorOf(red, green, blue);
}

void setBackColor(uint16_t red, uint16_t green, uint16_t blue) {
  if (gCurrent.window != nullptr) gCurrent.window->drawing.backColor = colorOf(red, green, blue);
}

void textFont(int fontNumber) {
  if (gCurrent.window != nullptr) gCurrent.window->drawing.arial = fontNumber == kArialFontNumber;
}

std::shared_ptr<pf::GdiFont> makeFont(pf::DeviceContext* dc, const char* faceName, int32_t tenths,
                                      uint32_t style, int32_t escapement) {
  int saved = pf::saveDC(dc);
  pf::LogFont logFont;
  logFont.height = pf::fontHeightOfTenths(dc, tenths);
  logFont.escapement = escapement;
  logFont.weight = (style & 1) != 0 ? 700 : 0;
  logFont.italic = (style & 2) != 0;
  logFont.underline = (style & 4) != 0;
  logFont.strikeOut = (style & 8) != 0;
  logFont.faceName = faceName != nullptr ? faceName : "";
  std::shared_ptr<pf::GdiFont> font = pf::createFont(logFont);
  if (saved != 0) pf::restoreDC(dc, -1);
  return font;
}

void textSize(int size) {
  if (gCurrent.window == nullptr) return;
  DrawingState& drawing = gCurrent.window->drawing;
  drawing.font.reset();  // the old font object goes
  if (!drawing.arial) {
    drawing.font = pf::stockFont(pf::StockFont::System);
    return;
  }
  pf::DeviceContext* dc = portDC();
  drawing.font = makeFont(dc, "Arial", size * 8 - 8, 0, 0);
  releasePortDC(dc);
}

void setTextRectOverride(const pf::WinRect* rect) {
  gHasTextRect = rect != nullptr;
  if (rect != nullptr) gTextRect = *rect;
}

void drawString(const uint8_t* string) {
  if (gCurrent.window == nullptr || string == nullptr) return;
  WindowPort& port = *gCurrent.window;
  pf::DeviceContext* dc = portDC();
  if (dc == nullptr) return;
  std::string text(reinterpret_cast<const char*>(string + 1), string[0]);
  pf::selectFont(dc, port.drawing.font ? port.drawing.font : pf::stockFont(pf::StockFont::System));
  pf::TextMetrics metrics;
  pf::getTextMetrics(dc, metrics);
  pf::WinRect rect = pf::clientRect(port.window);
  rect.left = port.drawing.pen.x;
  rect.top = port.drawing.pen.y - metrics.ascent;
  if (port.kind == kScrollingWindowPortKind) rect.right -= kVerticalScrollBarWidth;
  if (gHasTextRect) rect = gTextRect;
  pf::setTextColor(dc, pf::rgbColor(0, 0, 0));
  pf::setBackgroundMode(dc, pf::kBackgroundTransparent);
  pf::drawText(dc, text.c_str(), static_cast<int>(text.size()), rect, pf::kDrawTextSingleLine);
  pf::selectFont(dc, pf::stockFont(pf::StockFont::AnsiFixed));
  releasePortDC(dc);
}

}  // namespace quorix::display
