// Drawing ports and the window drawing primitives the loading screen and progress windows
// use: move to, line to, frame and erase rectangle, colours, text font and size, draw string.
//
// A port is either a window's (a WindowPort, which holds its drawing state itself) or an
// offscreen port (render/offscreen_port.h), whose device context the display makes on first
// use. One port is current at a time; the primitives draw on it.
//
// [render thread] Ports and primitives are used on the thread that owns the windows.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/window/window.h"
#include "render/offscreen_port.h"

namespace quorix::display {

// Port kinds: windows, windows with a vertical scroll bar, offscreen ports.
inline constexpr uint16_t kWindowPortKind = 1;
inline constexpr uint16_t kScrollingWindowPortKind = 2;
inline constexpr uint16_t kOffscreenPortKind = 4;

inline constexpr int kArialFontNumber = 3;
inline constexpr int32_t kVerticalScrollBarWidth = 17;

// The drawing state a port carries.
struct DrawingState {
  platform::ColorRef foreColor = platform::rgbColor(0, 0, 0);
  platform::ColorRef backColor = platform::rgbColor(255, 255, 255);
  platform::WinPoint pen;
  bool arial = false;  // the font name: "Arial" or none
  std::shared_ptr<platform::GdiFont> font;  // the selected font object, or none
};

// A window's port.
struct WindowPort {
  uint16_t kind = kWindowPortKind;
  platform::Window* window = nullptr;
  DrawingState drawing;
};

// The current port: a window port, an offscreen port, or none.
struct DrawingPort {
  WindowPort* window = nullptr;
  render::OffscreenPort* offscreen = nullptr;
  bool empty() const { return window == nullptr && offscreen == nullptr; }
};

DrawingPort currentPort();
void setPort(WindowPort* port);
void setPort(render::OffscreenPort* port);

// Plug-ins hold either kind of port as one PortRef. A window port starts with its kind (1 or
// 2); an offscreen port's first word is always 0, which tells the two apart.
DrawingPort portOfRef(PortRef port);
PortRef refOfPort(const DrawingPort& port);

// The device context of the current port: a window port's window context, or an offscreen
// port's (made once, kept in the port). Null without a port. Release it with
// releasePortDC; an offscreen port's context stays until releaseOffscreenPortDC.
platform::DeviceContext* portDC();
void releasePortDC(platform::DeviceContext* dc);

// An offscreen port's context (kind 4 only): a memory context with a bitmap section described
// by the port's PixelMap and holding its pixels; null for other kinds or on failure.
platform::DeviceContext* offscreenPortDC(render::OffscreenPort* port);
// Copies the port rectangle of the section back into the PixelMap and frees the context.
void releaseOffscreenPortDC(render::OffscreenPort* port);

// The primitives, on the current port.
void moveTo(int32_t h, int32_t v);
void lineTo(int32_t h, int32_t v);
void frameRect(const Rect16& rect);
void eraseRect(const Rect16& rect);
// Colours of three 16-bit components, taken as their high bytes (window ports only).
void setForeColor(uint16_t red, uint16_t green, uint16_t blue);
void setBackColor(uint16_t red, uint16_t green, uint16_t blue);
void textFont(int fontNumber);
void textSize(int size);
// Draws a length-prefixed string in black on one line, its baseline at the pen.
void drawString(const uint8_t* string);
// While set, draw string uses this rectangle (screen of the port's window) instead.
void setTextRectOverride(const platform::WinRect* rect);

// The routine behind text size, which also serves styled and turned text: a font of `tenths`
// tenths of a point on a context (bit 0 of `style` bold, 1 italic, 2 underline, 3
// strike-out), turned by `escapement` tenths of a degree.
std::shared_ptr<platform::GdiFont> makeFont(platform::DeviceContext* dc, const char* faceName,
                                            int32_t tenths, uint32_t style, int32_t escapement);

}  // namespace quorix::display
