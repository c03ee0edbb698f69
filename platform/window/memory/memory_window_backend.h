// The memory window backend: windows that exist only as their surfaces. It is the default
// backend and the one tests drive: they set the screen, queue input as a user would give it,
// choose from popup menus and read back what each window showed.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/window/window.h"

namespace quorix::platform {

class MemoryWindowBackend : public WindowBackend {
 public:
  const char* name() const override { return "memory"; }
  bool createNative(Window& window) override;
  void destroyNative(Window& window) override;
  void updateNative(Window&) override {}
  void present(Window& window) override;
  void pollEvents() override;
  ScreenInfo screen() const override { return screenInfo; }
  uint32_t trackPopupMenu(const Menu& menu, Window* window, int32_t x, int32_t y) override;
  void setCursorVisible(bool visible) override { cursorVisible = visible; }
  bool readPixels(Window& window, std::vector<uint32_t>& pixels, int32_t& width,
                  int32_t& height) override;

  // Input as the user gives it: it reaches the window's queue at the next poll.
  void queueInput(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  void pressKey(Window* window, uint32_t virtualKey, bool repeat = false);
  void releaseKey(Window* window, uint32_t virtualKey);
  void click(Window* window, uint32_t buttonMessage, int32_t x, int32_t y);

  // How many times a window was shown.
  int presentCount(const Window* window) const;

  ScreenInfo screenInfo;
  bool failCreate = false;  // createNative refuses
  bool cursorVisible = true;
  // Chooses an item of a popup menu (0: none); records the menus shown.
  std::function<uint32_t(const Menu&)> menuChoice;
  struct ShownMenu {
    std::vector<std::string> texts;  // every item's text, submenus flattened, checked marked "*"
    int32_t x = 0;
    int32_t y = 0;
  };
  std::vector<ShownMenu> shownMenus;

 private:
  struct Shown {
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    int presents = 0;
  };
  mutable std::mutex mutex_;
  std::map<const Window*, Shown> shown_;
  std::vector<Message> input_;
};

}  // namespace quorix::platform
