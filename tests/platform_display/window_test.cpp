#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/window/memory/memory_window_backend.h"
#include "platform/window/window.h"

namespace quorix::platform {
namespace {

std::vector<std::pair<uint32_t, uintptr_t>>* gSeen = nullptr;

intptr_t recordingProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (gSeen != nullptr) gSeen->push_back({message, wParam});
  return defaultWindowProc(window, message, wParam, lParam);
}

// A class whose windows record the messages they receive, and a memory backend.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen = &seen;
    registerClass(WindowClass{"QuorixTest", recordingProc, 0, "", rgbColor(0, 0, 0)});
    backend.screenInfo = {800, 600, 32};
  }
  void TearDown() override {
    for (Window* window : topLevelWindows()) destroyWindow(window);
    unregisterClass("QuorixTest");
    gSeen = nullptr;
  }
  Window* make(int32_t width, int32_t height, uint32_t style = kStylePopup) {
    CreateWindowParams params;
    params.className = "QuorixTest";
    params.style = style;
    params.x = 10;
    params.y = 20;
    params.width = width;
    params.height = height;
    return createWindow(params);
  }
  // Takes every queued message, dispatching each.
  void drain() {
    Message m;
    int guard = 0;
    while (peekMessage(m, true) && ++guard < 1000) dispatchMessage(m);
  }
  std::vector<uint32_t> shown(Window* window, int32_t& width, int32_t& height) {
    std::vector<uint32_t> pixels;
    EXPECT_TRUE(readWindowPixels(window, pixels, width, height));
    return pixels;
  }

  std::vector<std::pair<uint32_t, uintptr_t>> seen;
  MemoryWindowBackend backend;
  ScopedWindowBackend scope{backend};
};

TEST_F(WindowTest, FramedWindowsHaveSmallerClientAreasAndBadHandlesAreHarmless) {
  Window* popup = make(320, 240);
  Window* framed = make(320, 240, kStyleOverlapped);
  ASSERT_NE(popup, nullptr);
  ASSERT_NE(framed, nullptr);
  EXPECT_EQ(clientRect(popup), (WinRect{0, 0, 320, 240}));
  EXPECT_EQ(windowRect(framed), (WinRect{10, 20, 330, 260}));
  WinRect client = clientRect(framed);
  EXPECT_LT(winRectWidth(client), 320);
  EXPECT_LT(winRectHeight(client), 240);
  // Growing the outer size by what the frame takes gives an exact client area.
  setWindowSize(framed, 320 + 320 - winRectWidth(client), 240 + 240 - winRectHeight(client));
  EXPECT_EQ(clientRect(framed), (WinRect{0, 0, 320, 240}));
  EXPECT_EQ(seen.front().first, kMsgCreate);

  EXPECT_TRUE(destroyWindow(popup));
  EXPECT_FALSE(isWindow(popup));
  EXPECT_FALSE(destroyWindow(popup));
  EXPECT_FALSE(postMessage(popup, kMsgUser, 0, 0));
  EXPECT_EQ(getDC(popup), nullptr);
  EXPECT_EQ(clientRect(nullptr), WinRect{});
  EXPECT_EQ(sendMessage(nullptr, kMsgUser, 0, 0), 0);
  EXPECT_EQ(make(-1, 10), nullptr);
  Window* empty = make(0, 0);
  ASSERT_NE(empty, nullptr);
  DeviceContext* dc = getDC(empty);
  EXPECT_TRUE(fillRect(dc, {0, 0, 100, 100}, rgbColor(255, 0, 0)));  // nothing to draw into
  releaseDC(empty, dc);
}

TEST_F(WindowTest, QueueHandsOutPostedMessagesThenPaintThenTimers) {
  ManualClock clock(1000);
  ScopedClockSource clockScope(clock);
  Window* window = make(64, 48);
  drain();  // the first paint
  seen.clear();
  setTimer(window, 7, 100);
  postMessage(window, kMsgUser, 1, 0);
  invalidateWindow(window);
  clock.advance(100);
  drain();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], (std::pair<uint32_t, uintptr_t>{kMsgUser, 1}));
  EXPECT_EQ(seen[1].first, kMsgPaint);
  EXPECT_EQ(seen[2], (std::pair<uint32_t, uintptr_t>{kMsgTimer, 7}));
  seen.clear();
  drain();  // the timer is not due again yet
  EXPECT_TRUE(seen.empty());
  killTimer(window, 7);
  clock.advance(500);
  drain();
  EXPECT_TRUE(seen.empty());

  // Messages posted from another thread reach the owner's queue; destroying the window drops
  // what is still queued for it.
  std::thread poster([window] { postMessage(window, kMsgUser, 2, 0); });
  poster.join();
  Message m;
  ASSERT_TRUE(peekMessage(m, false));
  EXPECT_EQ(m.wParam, 2u);
  destroyWindow(window);
  EXPECT_FALSE(peekMessage(m, true));
  postQuitMessage(3);
  EXPECT_FALSE(getMessage(m));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WindowTest, HooksSeeAndSwallowInput) {
  Window* window = make(100, 100);
  drain();
  seen.clear();
  int keysSeenElsewhere = 0;
  HookId keyboard = setHook(HookKind::Keyboard, [&](int, uintptr_t vk, intptr_t data) -> intptr_t {
    ++keysSeenElsewhere;
    return vk == 'Q' && (data & (1 << 30)) == 0;  // swallows fresh presses of Q
  }, true);
  WinPoint mouseAt;
  HookId mouse = setHook(HookKind::Mouse, [&](int, uintptr_t message, intptr_t info) -> intptr_t {
    mouseAt = reinterpret_cast<const MouseHookInfo*>(info)->screenPoint;
    return message == kMsgRightButtonUp;
  }, false);
  std::vector<uintptr_t> removing;
  HookId queue = setHook(HookKind::GetMessage, [&](int, uintptr_t remove, intptr_t) -> intptr_t {
    removing.push_back(remove);
    return 0;
  }, false);
  backend.pressKey(window, 'Q');
  backend.pressKey(window, 'A');
  backend.click(window, kMsgRightButtonUp, 5, 6);
  backend.click(window, kMsgLeftButtonDown, 7, 8);
  Message m;
  ASSERT_TRUE(peekMessage(m, false));  // Q is swallowed; A is only looked at
  EXPECT_EQ(m.wParam, static_cast<uintptr_t>('A'));
  drain();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (std::pair<uint32_t, uintptr_t>{kMsgKeyDown, 'A'}));
  EXPECT_EQ(seen[1].first, kMsgLeftButtonDown);
  EXPECT_EQ(mouseAt.x, 17);  // screen coordinates of the client point (7, 8)
  EXPECT_EQ(mouseAt.y, 28);
  EXPECT_GE(keysSeenElsewhere, 2);
  EXPECT_EQ(removing.front(), 0u);

  // A keyboard hook for all threads sees keys of windows made on other threads.
  int before = keysSeenElsewhere;
  std::thread other([&] {
    Window* theirs = make(10, 10);
    backend.pressKey(theirs, 'B');
    Message message;
    while (peekMessage(message, true)) dispatchMessage(message);
    destroyWindow(theirs);
  });
  other.join();
  EXPECT_EQ(keysSeenElsewhere, before + 1);
  EXPECT_TRUE(removeHook(keyboard));
  EXPECT_TRUE(removeHook(mouse));
  EXPECT_TRUE(removeHook(queue));
  EXPECT_FALSE(removeHook(queue));
  EXPECT_EQ(setHook(HookKind::Mouse, nullptr, false), 0u);
}

TEST_F(WindowTest, PopupMenusCheckItemsAndPostTheChoice) {
  Window* window = make(100, 100);
  drain();
  seen.clear();
  Menu menu;
  auto visuals = std::make_unique<Menu>();
  visuals->append(0, "(none)");
  menu.appendSubmenu(std::move(visuals), "Load Visuals");
  menu.append(40006, "320x240");
  menu.append(40007, "640x480");
  menu.appendSeparator();
  menu.append(40010, "About");
  EXPECT_TRUE(menu.remove(0));
  menu.submenu("Load Visuals")->insert(0, 300, "one.qrx");
  menu.submenu("Load Visuals")->insert(99, 301, "two.qrx");
  EXPECT_FALSE(menu.check(40007, true));
  EXPECT_TRUE(menu.check(40007, true));
  EXPECT_FALSE(menu.remove(12345));
  backend.menuChoice = [](const Menu& m) {
    return m.items.back().id;  // "About"
  };
  EXPECT_EQ(trackPopupMenu(menu, window, 30, 40, false), 40010u);
  drain();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::pair<uint32_t, uintptr_t>{kMsgCommand, 40010}));
  ASSERT_EQ(backend.shownMenus.size(), 1u);
  EXPECT_EQ(backend.shownMenus[0].texts,
            (std::vector<std::string>{"Load Visuals", "one.qrx", "two.qrx", "320x240",
                                      "*640x480", "About"}));
  EXPECT_EQ(trackPopupMenu(menu, nullptr, 0, 0, false), 0u);
}

}  // namespace
}  // namespace quorix::platform
