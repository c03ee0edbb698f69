// The SDL window backend: every window is a real window on the desktop whose client area
// shows the window's surface through a streaming texture. Keyboard, mouse and window events
// become messages; popup menus are drawn in a small window of their own.
//
// [threads] SDL's video runs on the thread that started the backend: windows are made and
// events are read there.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/window/window.h"

struct SDL_Window;
struct SDL_Renderer;

namespace quorix::platform {

class SdlWindowBackend : public WindowBackend {
 public:
  // Starts SDL's video. Null when there is no display (the reason in *error); nothing is left
  // started then.
  static std::unique_ptr<SdlWindowBackend> start(std::string* error);
  ~SdlWindowBackend() override;

  const char* name() const override { return "sdl"; }
  bool createNative(Window& window) override;
  void destroyNative(Window& window) override;
  void updateNative(Window& window) override;
  void present(Window& window) override;
  void pollEvents() override;
  ScreenInfo screen() const override;
  uint32_t trackPopupMenu(const Menu& menu, Window* window, int32_t x, int32_t y) override;
  void setCursorVisible(bool visible) override;
  bool readPixels(Window& window, std::vector<uint32_t>& pixels, int32_t& width,
                  int32_t& height) override;

  // The SDL window and renderer behind a window (null for a window of another backend), for
  // the full-screen layer that shows its surfaces in the same window.
  static SDL_Window* sdlWindow(Window& window);
  static SDL_Renderer* sdlRenderer(Window& window);

 private:
  SdlWindowBackend() = default;
  Window* windowOfId(uint32_t id) const;
  std::thread::id thread_;
  bool updating_ = false;  // applying a change that came from the desktop itself
};

// The Windows virtual-key code of an SDL scan code (a key's physical position), 0 for keys
// without one.
uint32_t virtualKeyOfScancode(int scancode);

}  // namespace quorix::platform
