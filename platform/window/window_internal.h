// The records behind the window layer's handles, shared by the layer and its backends.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/window/window.h"

namespace quorix::platform {

// The queue of one thread: posted messages and the quit request.
struct ThreadQueue {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Message> posted;
  bool quitPosted = false;
  int exitCode = 0;
  std::thread::id owner;
};

// The calling thread's queue (made on first use).
std::shared_ptr<ThreadQueue> currentThreadQueue();

// One colour channel of a packed pixel, widened to 8 bits by repeating its high bits.
uint32_t widenChannel(uint32_t pixel, uint32_t mask);

// Reading and writing pixels of a bitmap in any of the supported formats. Rows are addressed
// top-down whatever their order in memory.
struct PixelView {
  uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitCount = 0;
  int32_t stride = 0;  // bytes per row in memory
  bool topDown = true;
  uint32_t masks[3] = {0, 0, 0};  // 16 and 32 bits: red, green, blue
  const RgbQuad* colors = nullptr;
  int32_t colorCount = 0;

  uint8_t* row(int32_t y) const {
    return bits + static_cast<ptrdiff_t>(topDown ? y : height - 1 - y) * stride;
  }
  // 0x00RRGGBB of a pixel inside the view.
  uint32_t readRgb(int32_t x, int32_t y) const;
};

// Describes a device-independent bitmap's pixels; false for formats that cannot be read.
bool viewOfDib(const BitmapInfoHeader* info, const void* bits, PixelView& view);

struct Bitmap {
  PixelView view;
  std::vector<uint8_t> storage;
  std::vector<RgbQuad> colors;
  bool bitfields = false;
  // Colours already matched to their nearest colour-table index (palette bitmaps).
  static constexpr size_t kNearestCacheSize = 4096;
  std::vector<uint32_t> nearestKeys;
  std::vector<uint8_t> nearestValues;
  Window* window = nullptr;  // the window whose surface this is, or null
  DeviceContext* selectedInto = nullptr;

  // Stores 0x00RRGGBB at a pixel inside the bitmap, in the bitmap's format.
  void writeRgb(int32_t x, int32_t y, uint32_t rgb);
  // The bitmap's value for a colour (a colour-table index at 8 bits and below).
  uint32_t encode(uint32_t rgb);
  void writeRaw(int32_t x, int32_t y, uint32_t value);
};

// Makes a bitmap of a format; null when it is not supported or too large.
std::unique_ptr<Bitmap> makeBitmap(int32_t width, int32_t height, int32_t bitCount, bool topDown,
                                   const uint32_t* masks, const RgbQuad* colors,
                                   int32_t colorCount);

struct DcState {
  Pen pen;
  Brush brush;
  std::shared_ptr<GdiFont> font;
  ColorRef textColor = 0;
  ColorRef backgroundColor = rgbColor(255, 255, 255);
  int backgroundMode = kBackgroundOpaque;
  uint32_t textAlign = kTextAlignTop;
  int stretchMode = 1;
  WinPoint position;
  std::shared_ptr<Palette> palette;
};

struct DeviceContext {
  enum class Kind { Window, Memory, Screen } kind = Kind::Memory;
  Window* window = nullptr;
  Bitmap* selected = nullptr;
  std::unique_ptr<Bitmap> stockBitmap;  // what a memory context draws into at first
  DcState state;
  std::vector<DcState> saved;

  // The bitmap drawing goes to, or null.
  Bitmap* target() const;
};

struct WindowTimer {
  uintptr_t id = 0;
  uint32_t interval = 0;
  uint32_t due = 0;
};

// The frame a style puts around the client area.
WinRect frameInsets(uint32_t style);

// Shows a window's surface when it was drawn into since it was last shown.
void presentIfDrawn(Window* window);
// Shows every window that was drawn into.
void presentDrawnWindows();

}  // namespace quorix::platform

struct QxWindow {
  std::string className;
  quorix::platform::WindowProc procedure = nullptr;
  std::string title;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  quorix::platform::WinRect outer;  // screen coordinates
  QxWindow* parent = nullptr;
  intptr_t userData = 0;
  bool visible = false;
  bool invalid = false;
  bool dirty = false;  // drawn into since it was last shown
  bool destroySent = false;
  bool destroying = false;
  std::shared_ptr<quorix::platform::ThreadQueue> queue;
  std::unique_ptr<quorix::platform::Bitmap> surface;  // client area, 32-bit, top-down
  quorix::platform::ColorRef background = 0;
  std::vector<quorix::platform::WindowTimer> timers;
  void* native = nullptr;  // the backend's record
  // Set while something else (a full-screen surface) shows in this window's place.
  bool presentationTakenOver = false;

  quorix::platform::WinRect client() const;  // screen coordinates of the client area
};
