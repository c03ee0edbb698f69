// Windows for tests that draw: a class whose windows start black, made as popups of a given
// size, all destroyed (and the class unregistered) when the fixture goes.
#pragma once

#include <string>
#include <vector>

#include "platform/window/window.h"

namespace quorix::testing {

class TestWindows {
 public:
  explicit TestWindows(std::string className = "TestWindow",
                       platform::WindowProc procedure = nullptr)
      : className_(std::move(className)) {
    platform::WindowClass windowClass;
    windowClass.name = className_;
    windowClass.procedure = procedure;
    windowClass.background = platform::rgbColor(0, 0, 0);
    platform::registerClass(windowClass);
  }
  ~TestWindows() {
    for (platform::Window* window : platform::topLevelWindows()) platform::destroyWindow(window);
    platform::unregisterClass(className_);
  }
  TestWindows(const TestWindows&) = delete;
  TestWindows& operator=(const TestWindows&) = delete;

  platform::Window* make(int32_t width, int32_t height, uint32_t style = platform::kStylePopup,
                         int32_t x = 0, int32_t y = 0) const {
    platform::CreateWindowParams params;
    params.className = className_;
    params.style = style;
    params.x = x;
    params.y = y;
    params.width = width;
    params.height = height;
    return platform::createWindow(params);
  }

  // What a window shows, top row first.
  static std::vector<uint32_t> shown(platform::Window* window, int32_t* width = nullptr,
                                     int32_t* height = nullptr) {
    std::vector<uint32_t> pixels;
    int32_t w = 0, h = 0;
    platform::readWindowPixels(window, pixels, w, h);
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    return pixels;
  }

 private:
  std::string className_;
};

}  // namespace quorix::testing
