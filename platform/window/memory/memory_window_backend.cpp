#include "platform/window/memory/memory_window_backend.h"

#include <algorithm>

#include "platform/window/window_internal.h"

namespace quorix::platform {
namespace {

void flatten(const Menu& menu, std::vector<std::string>& texts) {
  for (const MenuItem& item : menu.items) {
    if (item.separator) continue;
    texts.push_back((item.checked ? "*" : "") + item.text);
    if (item.submenu) flatten(*item.submenu, texts);
  }
}

}  // namespace

bool MemoryWindowBackend::createNative(Window& window) {
  if (failCreate) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  shown_[&window] = Shown{};
  return true;
}

void MemoryWindowBackend::destroyNative(Window& window) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.erase(&window);
  input_.erase(std::remove_if(input_.begin(), input_.end(),
                              [&window](const Message& m) { return m.window == &window; }),
               input_.end());
}

void MemoryWindowBackend::present(Window& window) {
  std::lock_guard<std::mutex> lock(mutex_);
  Shown& shown = shown_[&window];
  const PixelView& view = window.surface->view;
  shown.width = view.width;
  shown.height = view.height;
  shown.pixels.resize(static_cast<size_t>(view.width) * view.height);
  for (int32_t y = 0; y < view.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(view.row(y));
    std::copy(row, row + view.width, shown.pixels.begin() + static_cast<ptrdiff_t>(y) * view.width);
  }
  ++shown.presents;
}

void MemoryWindowBackend::pollEvents() {
  std::vector<Message> input;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input.swap(input_);
  }
  for (const Message& m : input) postMessage(m.window, m.message, m.wParam, m.lParam);
}

uint32_t MemoryWindowBackend::trackPopupMenu(const Menu& menu, Window*, int32_t x, int32_t y) {
  ShownMenu record;
  flatten(menu, record.texts);
  record.x = x;
  record.y = y;
  shownMenus.push_back(std::move(record));
  return menuChoice ? menuChoice(menu) : 0;
}

bool MemoryWindowBackend::readPixels(Window& window, std::vector<uint32_t>& pixels,
                                     int32_t& width, int32_t& height) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = shown_.find(&window);
  if (found == shown_.end()) return false;
  pixels = found->second.pixels;
  width = found->second.width;
  height = found->second.height;
  return true;
}

void MemoryWindowBackend::queueInput(Window* window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
  std::lock_guard<std::mutex> lock(mutex_);
  input_.push_back(Message{window, message, wParam, lParam, 0});
}

void MemoryWindowBackend::pressKey(Window* window, uint32_t virtualKey, bool repeat) {
  queueInput(window, kMsgKeyDown, virtualKey, keyData(0, repeat, false));
}

void MemoryWindowBackend::releaseKey(Window* window, uint32_t virtualKey) {
  queueInput(window, kMsgKeyUp, virtualKey, keyData(0, true, true));
}

void MemoryWindowBackend::click(Window* window, uint32_t buttonMessage, int32_t x, int32_t y) {
  queueInput(window, buttonMessage, 0, makeLParam(x, y));
}

int MemoryWindowBackend::presentCount(const Window* window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = shown_.find(window);
  return found == shown_.end() ? 0 : found->second.presents;
}

}  // namespace quorix::platform
