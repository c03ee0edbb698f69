// The two outputs a frame is set up for: a window (the desktop's layout, pixels copied each
// frame) and the exclusive full-screen display (the frame drawn in its surface).
#pragma once

#include "display/display_device.h"
#include "render/frame_setup.h"

namespace quorix::display {

class WindowedOutput : public render::FrameOutput {
 public:
  explicit WindowedOutput(DisplayDevice& display) : display_(display) {}
  bool fullScreen() const override { return false; }
  int32_t open(uint32_t width, uint32_t height, uint32_t depth, uint32_t refreshRate,
               bool flip) override;
  uint32_t layoutCode() const override { return display_.layoutCode(); }
  bool surface(BufferDesc&) override { return false; }
  bool lockFrame(BufferDesc&) override { return false; }
  void presentFrame() override {}
  void setPalette(int32_t, int32_t, const ColorEntry*) override {}
  void releasePort(render::OffscreenPort* port) override;
  void close() override {}

 private:
  DisplayDevice& display_;
};

class FullScreenOutput : public render::FrameOutput {
 public:
  FullScreenOutput(DisplayDevice& display, platform::Window* hostWindow)
      : display_(display), hostWindow_(hostWindow) {}
  void setHostWindow(platform::Window* window) { hostWindow_ = window; }
  bool fullScreen() const override { return true; }
  int32_t open(uint32_t width, uint32_t height, uint32_t depth, uint32_t refreshRate,
               bool flip) override;
  uint32_t layoutCode() const override { return display_.layoutCode(); }
  bool surface(BufferDesc& out) override { return display_.lockProbe(out) == dd::kOk; }
  bool lockFrame(BufferDesc& out) override { return display_.frameLock(out, false) == 1; }
  void presentFrame() override;
  void setPalette(int32_t first, int32_t count, const ColorEntry* entries) override {
    display_.setPaletteEntries(first, count, entries);
  }
  void releasePort(render::OffscreenPort* port) override;
  void close() override { display_.close(); }

 private:
  DisplayDevice& display_;
  platform::Window* hostWindow_;
};

}  // namespace quorix::display
