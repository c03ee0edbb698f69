// Windows, classes, message queues, timers, hooks and menus.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>

#include "platform/clock.h"
#include "platform/window/memory/memory_window_backend.h"
#include "platform/window/window_internal.h"

namespace quorix::platform {
namespace {

constexpr int32_t kFrameWidth = 4;
constexpr int32_t kCaptionHeight = 19;
constexpr int32_t kMaxWindowSize = 16384;

struct Hook {
  HookId id;
  HookKind kind;
  HookProc procedure;
  bool allThreads;
  std::thread::id thread;
};

// Everything the layer keeps. One lock guards it; procedures and hooks are always called
// outside the lock, because they may call back into the layer.
struct Registry {
  std::recursive_mutex mutex;
  std::map<std::string, WindowClass> classes;
  std::vector<Window*> windows;  // in the order they were made
  std::vector<Hook> hooks;
  HookId nextHook = 1;
  Window* focus = nullptr;
  int cursorCount = 0;
};

Registry& registry() {
  static Registry* instance = new Registry;  // lives until the process ends
  return *instance;
}

std::atomic<WindowBackend*> gBackend{nullptr};

MemoryWindowBackend& defaultBackend() {
  static MemoryWindowBackend* backend = new MemoryWindowBackend;
  return *backend;
}

bool exists(const Window* window) {
  if (window == nullptr) return false;
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  return std::find(r.windows.begin(), r.windows.end(), window) != r.windows.end() &&
         !window->destroying;
}

// Makes the surface match the client size, keeping what fits and filling the rest with the
// class background.
void resizeSurface(Window& window) {
  WinRect client = window.client();
  int32_t width = std::max(0, winRectWidth(client));
  int32_t height = std::max(0, winRectHeight(client));
  if (window.surface && window.surface->view.width == width &&
      window.surface->view.height == height) {
    return;
  }
  static const uint32_t kMasks[3] = {0xFF0000, 0xFF00, 0xFF};
  std::unique_ptr<Bitmap> surface = makeBitmap(width, height, 32, true, kMasks, nullptr, 0);
  if (!surface) surface = makeBitmap(0, 0, 32, true, kMasks, nullptr, 0);
  uint32_t fill = (colorRed(window.background) << 16) | (colorGreen(window.background) << 8) |
                  colorBlue(window.background);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(surface->view.row(y));
    std::fill(row, row + width, fill);
  }
  if (window.surface) {
    const PixelView& old = window.surface->view;
    for (int32_t y = 0; y < std::min(height, old.height); ++y) {
      std::copy_n(reinterpret_cast<const uint32_t*>(old.row(y)), std::min(width, old.width),
                  reinterpret_cast<uint32_t*>(surface->view.row(y)));
    }
  }
  surface->window = &window;
  window.surface = std::move(surface);
}

void notifyMoveAndSize(Window* window) {
  WinRect client = window->client();
  sendMessage(window, kMsgMove, 0, makeLParam(client.left, client.top));
  sendMessage(window, kMsgSize, 0, makeLParam(winRectWidth(client), winRectHeight(client)));
}

std::vector<Hook> hooksFor(HookKind kind) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  std::vector<Hook> found;
  std::thread::id self = std::this_thread::get_id();
  for (const Hook& hook : r.hooks) {
    if (hook.kind == kind && (hook.allThreads || hook.thread == self)) found.push_back(hook);
  }
  return found;
}

// Runs the hooks that watch a message leaving the queue; true when one swallowed it.
bool runHooks(Message& message, bool removing) {
  for (const Hook& hook : hooksFor(HookKind::GetMessage)) {
    hook.procedure(0, removing ? 1 : 0, reinterpret_cast<intptr_t>(&message));
  }
  if (message.message >= kMsgMouseMove && message.message <= kMsgRightButtonUp) {
    MouseHookInfo info;
    info.window = message.window;
    info.screenPoint = clientToScreen(message.window,
                                      {lParamX(message.lParam), lParamY(message.lParam)});
    for (const Hook& hook : hooksFor(HookKind::Mouse)) {
      if (hook.procedure(0, message.message, reinterpret_cast<intptr_t>(&info)) != 0) {
        return true;
      }
    }
  }
  if (message.message == kMsgKeyDown || message.message == kMsgKeyUp) {
    for (const Hook& hook : hooksFor(HookKind::Keyboard)) {
      if (hook.procedure(0, message.wParam, message.lParam) != 0) return true;
    }
  }
  return false;
}

// The next message of the calling thread without hooks: posted ones first, then paint, then
// due timers.
bool nextMessage(ThreadQueue& queue, Message& message, bool remove) {
  {
    std::lock_guard<std::mutex> lock(queue.mutex);
    if (!queue.posted.empty()) {
      message = queue.posted.front();
      if (remove) queue.posted.pop_front();
      return true;
    }
    if (queue.quitPosted) {
      message = Message{nullptr, kMsgQuit, static_cast<uintptr_t>(queue.exitCode), 0,
                        clockMilliseconds()};
      if (remove) queue.quitPosted = false;
      return true;
    }
  }
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  for (Window* window : r.windows) {
    if (window->queue.get() == &queue && window->invalid && !window->destroying) {
      message = Message{window, kMsgPaint, 0, 0, clockMilliseconds()};
      return true;  // paint stays until the window is validated
    }
  }
  uint32_t now = clockMilliseconds();
  for (Window* window : r.windows) {
    if (window->queue.get() != &queue || window->destroying) continue;
    for (WindowTimer& timer : window->timers) {
      if (static_cast<int32_t>(now - timer.due) >= 0) {
        message = Message{window, kMsgTimer, timer.id, 0, now};
        if (remove) timer.due = now + timer.interval;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

WinRect frameInsets(uint32_t style) {
  WinRect insets;
  bool framed = (style & (kStyleCaption | kStyleThickFrame)) != 0;
  if (framed) insets = {kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth};
  if ((style & kStyleCaption) == kStyleCaption) insets.top += kCaptionHeight;
  return insets;
}

std::shared_ptr<ThreadQueue> currentThreadQueue() {
  thread_local std::shared_ptr<ThreadQueue> queue;
  if (!queue) {
    queue = std::make_shared<ThreadQueue>();
    queue->owner = std::this_thread::get_id();
  }
  return queue;
}

WindowBackend& windowBackend() {
  WindowBackend* backend = gBackend.load();
  return backend != nullptr ? *backend : defaultBackend();
}

bool setWindowBackend(WindowBackend* backend) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  if (!r.windows.empty()) return false;
  gBackend.store(backend);
  return true;
}

intptr_t defaultWindowProc(Window* window, uint32_t message, uintptr_t, intptr_t) {
  if (message == kMsgClose) {
    destroyWindow(window);
  } else if (message == kMsgPaint && exists(window)) {
    window->invalid = false;
  }
  return 0;
}

bool registerClass(const WindowClass& windowClass) {
  if (windowClass.name.empty()) return false;
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  return r.classes.emplace(windowClass.name, windowClass).second;
}

bool unregisterClass(const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  for (Window* window : r.windows) {
    if (window->className == name) return false;
  }
  return r.classes.erase(name) == 1;
}


Window* createWindow(const CreateWindowParams& params) {
  if (params.width < 0 || params.height < 0 || params.width > kMaxWindowSize ||
      params.height > kMaxWindowSize) {
    return nullptr;
  }
  auto window = std::make_unique<QxWindow>();
  {
    Registry& r = registry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    auto found = r.classes.find(params.className);
    if (found == r.classes.end()) return nullptr;
    if (params.parent != nullptr && !exists(params.parent)) return nullptr;
    window->className = params.className;
    window->procedure = found->second.procedure != nullptr ? found->second.procedure
                                                           : defaultWindowProc;
    window->background = found->second.background;
  }
  window->title = params.title;
  window->style = params.style & ~kStyleVisible;
  window->exStyle = params.exStyle;
  int32_t x = params.x, y = params.y;
  if (params.parent != nullptr) {
    WinRect parentClient = params.parent->client();
    x += parentClient.left;
    y += parentClient.top;
  }
  window->outer = {x, y, x + params.width, y + params.height};
  window->parent = params.parent;
  window->queue = currentThreadQueue();
  window->invalid = true;
  resizeSurface(*window);
  if (!windowBackend().createNative(*window)) return nullptr;
  Window* made = window.release();
  {
    Registry& r = registry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    r.windows.push_back(made);
  }
  sendMessage(made, kMsgCreate, 0, 0);
  if (!exists(made)) return nullptr;  // the procedure refused it
  if ((params.style & kStyleVisible) != 0) showWindow(made, kShowShow);
  return made;
}

bool destroyWindow(Window* window) {
  if (!exists(window) || window->destroySent) return false;
  window->destroySent = true;  // a procedure that destroys its window again changes nothing
  sendMessage(window, kMsgDestroy, 0, 0);
  for (Window* child : childWindows(window)) destroyWindow(child);
  Registry& r = registry();
  {
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    window->destroying = true;
    r.windows.erase(std::find(r.windows.begin(), r.windows.end(), window));
    if (r.focus == window) r.focus = nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(window->queue->mutex);
    auto& posted = window->queue->posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const Message& m) { return m.window == window; }),
                 posted.end());
  }
  windowBackend().destroyNative(*window);
  delete window;
  return true;
}

bool isWindow(const Window* window) { return exists(window); }

bool showWindow(Window* window, int command) {
  if (!exists(window)) return false;
  bool was = window->visible;
  if (command == kShowMaximized) {
    ScreenInfo screen = screenInfo();
    window->outer = {0, 0, screen.width, screen.height};
    resizeSurface(*window);
  }
  window->visible = command != kShowHide;
  if (window->visible && !was) window->invalid = true;
  windowBackend().updateNative(*window);
  if (command == kShowMaximized) notifyMoveAndSize(window);
  return was;
}

void updateWindow(Window* window) {
  if (exists(window) && window->invalid) sendMessage(window, kMsgPaint, 0, 0);
}

bool isWindowVisible(const Window* window) { return exists(window) && window->visible; }

bool moveWindow(Window* window, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!exists(window) || width < 0 || height < 0 || width > kMaxWindowSize ||
      height > kMaxWindowSize) {
    return false;
  }
  window->outer = {x, y, x + width, y + height};
  resizeSurface(*window);
  window->invalid = true;
  windowBackend().updateNative(*window);
  notifyMoveAndSize(window);
  return true;
}

bool setWindowPosition(Window* window, int32_t x, int32_t y) {
  if (!exists(window)) return false;
  return moveWindow(window, x, y, winRectWidth(window->outer), winRectHeight(window->outer));
}

bool setWindowSize(Window* window, int32_t width, int32_t height) {
  if (!exists(window)) return false;
  return moveWindow(window, window->outer.left, window->outer.top, width, height);
}

WinRect clientRect(const Window* window) {
  if (!exists(window)) return {};
  WinRect c = window->client();
  return {0, 0, winRectWidth(c), winRectHeight(c)};
}

WinRect windowRect(const Window* window) { return exists(window) ? window->outer : WinRect{}; }

WinPoint clientToScreen(const Window* window, WinPoint point) {
  if (!exists(window)) return point;
  WinRect c = window->client();
  return {point.x + c.left, point.y + c.top};
}

bool setWindowTitle(Window* window, const std::string& title) {
  if (!exists(window)) return false;
  window->title = title;
  windowBackend().updateNative(*window);
  return true;
}

std::string windowTitle(const Window* window) { return exists(window) ? window->title : ""; }
std::string windowClassName(const Window* window) {
  return exists(window) ? window->className : "";
}
uint32_t windowStyle(const Window* window) {
  return exists(window) ? window->style | (window->visible ? uint32_t{kStyleVisible} : 0u) : 0u;
}
uint32_t windowExStyle(const Window* window) { return exists(window) ? window->exStyle : 0; }
Window* parentWindow(const Window* window) { return exists(window) ? window->parent : nullptr; }

void setWindowUserData(Window* window, intptr_t data) {
  if (exists(window)) window->userData = data;
}
intptr_t windowUserData(const Window* window) { return exists(window) ? window->userData : 0; }

WindowProc setWindowProcedure(Window* window, WindowProc procedure) {
  if (!exists(window)) return nullptr;
  WindowProc old = window->procedure;
  window->procedure = procedure != nullptr ? procedure : defaultWindowProc;
  return old;
}

void invalidateWindow(Window* window) {
  if (!exists(window)) return;
  window->invalid = true;
  window->queue->ready.notify_all();
}

Window* setFocus(Window* window) {
  Registry& r = registry();
  Window* old;
  {
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    old = r.focus;
    if (window != nullptr && !exists(window)) return old;
    r.focus = window;
  }
  if (old != window) {
    if (old != nullptr) sendMessage(old, kMsgKillFocus, 0, 0);
    if (window != nullptr) sendMessage(window, kMsgSetFocus, 0, 0);
  }
  return old;
}

Window* focusWindow() {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  return r.focus;
}

std::vector<Window*> topLevelWindows() {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  std::vector<Window*> found;
  for (Window* window : r.windows) {
    if (window->parent == nullptr && !window->destroying) found.push_back(window);
  }
  return found;
}

std::vector<Window*> childWindows(const Window* window) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  std::vector<Window*> found;
  if (window == nullptr) return found;
  for (Window* candidate : r.windows) {
    if (candidate->parent == window && !candidate->destroying) found.push_back(candidate);
  }
  return found;
}

Window* findWindow(const std::string& className, const std::string* title) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  for (Window* window : r.windows) {
    if (window->className == className && (title == nullptr || window->title == *title) &&
        !window->destroying) {
      return window;
    }
  }
  return nullptr;
}

ScreenInfo screenInfo() { return windowBackend().screen(); }

int showCursor(bool show) {
  Registry& r = registry();
  int count;
  {
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    r.cursorCount += show ? 1 : -1;
    count = r.cursorCount;
  }
  windowBackend().setCursorVisible(count >= 0);
  return count;
}

bool postMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!exists(window)) return false;
  std::shared_ptr<ThreadQueue> queue = window->queue;
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->posted.push_back(Message{window, message, wParam, lParam, clockMilliseconds()});
  }
  queue->ready.notify_all();
  return true;
}

void postQuitMessage(int exitCode) {
  std::shared_ptr<ThreadQueue> queue = currentThreadQueue();
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->quitPosted = true;
    queue->exitCode = exitCode;
  }
  queue->ready.notify_all();
}

intptr_t sendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!exists(window)) return 0;
  return window->procedure(window, message, wParam, lParam);
}

bool peekMessage(Message& message, bool remove) {
  windowBackend().pollEvents();
  std::shared_ptr<ThreadQueue> queue = currentThreadQueue();
  for (;;) {
    if (!nextMessage(*queue, message, remove)) return false;
    bool swallowed = runHooks(message, remove);
    if (!swallowed) return true;
    if (!remove) nextMessage(*queue, message, true);  // a swallowed message leaves the queue
  }
}

bool waitMessage(uint32_t milliseconds) {
  std::shared_ptr<ThreadQueue> queue = currentThreadQueue();
  Message message;
  uint32_t waited = 0;
  for (;;) {
    windowBackend().pollEvents();
    if (nextMessage(*queue, message, false)) return true;
    if (waited >= milliseconds) return false;
    uint32_t slice = std::min<uint32_t>(10, milliseconds - waited);
    std::unique_lock<std::mutex> lock(queue->mutex);
    queue->ready.wait_for(lock, std::chrono::milliseconds(slice));
    waited += slice;
  }
}

bool getMessage(Message& message) {
  while (!peekMessage(message, true)) waitMessage(50);
  return message.message != kMsgQuit;
}

intptr_t dispatchMessage(const Message& message) {
  return sendMessage(message.window, message.message, message.wParam, message.lParam);
}

bool setTimer(Window* window, uintptr_t id, uint32_t milliseconds) {
  if (!exists(window)) return false;
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  uint32_t interval = std::max<uint32_t>(milliseconds, 1);
  uint32_t due = clockMilliseconds() + interval;
  for (WindowTimer& timer : window->timers) {
    if (timer.id == id) {
      timer.interval = interval;
      timer.due = due;
      return true;
    }
  }
  window->timers.push_back({id, interval, due});
  return true;
}

bool killTimer(Window* window, uintptr_t id) {
  if (!exists(window)) return false;
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  auto& timers = window->timers;
  auto found = std::find_if(timers.begin(), timers.end(),
                            [id](const WindowTimer& t) { return t.id == id; });
  if (found == timers.end()) return false;
  timers.erase(found);
  return true;
}

HookId setHook(HookKind kind, HookProc procedure, bool allThreads) {
  if (!procedure) return 0;
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  HookId id = r.nextHook++;
  r.hooks.push_back({id, kind, std::move(procedure), allThreads, std::this_thread::get_id()});
  return id;
}

bool removeHook(HookId hook) {
  Registry& r = registry();
  std::lock_guard<std::recursive_mutex> lock(r.mutex);
  auto found = std::find_if(r.hooks.begin(), r.hooks.end(),
                            [hook](const Hook& h) { return h.id == hook; });
  if (found == r.hooks.end()) return false;
  r.hooks.erase(found);
  return true;
}

// ----- menus

void Menu::append(uint32_t id, const std::string& text) { insert(items.size(), id, text); }

void Menu::appendSeparator() {
  MenuItem item;
  item.separator = true;
  items.push_back(std::move(item));
}

void Menu::appendSubmenu(std::unique_ptr<Menu> submenu, const std::string& text) {
  MenuItem item;
  item.text = text;
  item.submenu = std::move(submenu);
  items.push_back(std::move(item));
}

void Menu::insert(size_t position, uint32_t id, const std::string& text) {
  MenuItem item;
  item.id = id;
  item.text = text;
  items.insert(items.begin() + static_cast<ptrdiff_t>(std::min(position, items.size())),
               std::move(item));
}

bool Menu::remove(uint32_t id) {
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (!it->separator && !it->submenu && it->id == id) {
      items.erase(it);
      return true;
    }
    if (it->submenu && it->submenu->remove(id)) return true;
  }
  return false;
}

MenuItem* Menu::find(uint32_t id) {
  for (MenuItem& item : items) {
    if (!item.separator && !item.submenu && item.id == id) return &item;
    if (item.submenu) {
      if (MenuItem* found = item.submenu->find(id)) return found;
    }
  }
  return nullptr;
}

bool Menu::check(uint32_t id, bool checked) {
  MenuItem* item = find(id);
  if (item == nullptr) return false;
  bool was = item->checked;
  item->checked = checked;
  return was;
}

Menu* Menu::submenu(const std::string& text) {
  for (MenuItem& item : items) {
    if (item.submenu && item.text == text) return item.submenu.get();
  }
  return nullptr;
}

uint32_t trackPopupMenu(const Menu& menu, Window* window, int32_t x, int32_t y,
                        bool returnCommand) {
  if (!exists(window)) return 0;
  uint32_t chosen = windowBackend().trackPopupMenu(menu, window, x, y);
  if (chosen != 0 && !returnCommand) postMessage(window, kMsgCommand, chosen, 0);
  return chosen;
}

void presentIfDrawn(Window* window) {
  if (!exists(window) || !window->dirty) return;
  window->dirty = false;
  if (!window->presentationTakenOver) windowBackend().present(*window);
}

void presentDrawnWindows() {
  for (Window* window : topLevelWindows()) {
    presentIfDrawn(window);
    for (Window* child : childWindows(window)) presentIfDrawn(child);
  }
}

bool readWindowPixels(Window* window, std::vector<uint32_t>& pixels, int32_t& width,
                      int32_t& height) {
  if (!exists(window)) return false;
  return windowBackend().readPixels(*window, pixels, width, height);
}

}  // namespace quorix::platform

quorix::platform::WinRect QxWindow::client() const {
  using namespace quorix::platform;
  WinRect insets = frameInsets(style);
  WinRect c{outer.left + insets.left, outer.top + insets.top, outer.right - insets.right,
            outer.bottom - insets.bottom};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}
