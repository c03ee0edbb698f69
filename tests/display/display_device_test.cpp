#include <gtest/gtest.h>

#include <cstring>

#include "display/direct_draw_errors.h"
#include "display/display_device.h"
#include "platform/ddraw/memory/memory_ddraw.h"
#include "platform/window/memory/memory_window_backend.h"

namespace quorix::display {
namespace {

namespace pd = platform::ddraw;
using platform::Window;

// A memory desktop and display, a host window and the preferences the device reads.
class DisplayDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows.screenInfo = {1024, 768, 32};
    platform::WindowClass hostClass;
    hostClass.name = "Host";
    platform::registerClass(hostClass);
    platform::CreateWindowParams params;
    params.className = "Host";
    params.width = 320;
    params.height = 240;
    host = platform::createWindow(params);
  }
  void TearDown() override {
    device.reset();
    for (Window* window : platform::topLevelWindows()) platform::destroyWindow(window);
    platform::unregisterClass("Host");
  }
  DisplayDevice& make() {
    device = std::make_unique<DisplayDevice>(prefs);
    return *device;
  }
  // Opens with the wanted mode and the frame's depth and flip flag.
  int32_t open(uint32_t width, uint32_t height, uint32_t bits, bool flip = false) {
    DisplayDevice& d = device ? *device : make();
    d.wantedMode() = {width, height, bits, 60};
    d.setFrameFormat(bits, flip);
    return d.openFullScreen(host);
  }

  platform::MemoryWindowBackend windows;
  platform::ScopedWindowBackend windowScope{windows};
  pd::MemoryDirectDrawLibrary library;
  pd::ScopedDirectDrawLibrary libraryScope{library};
  host::EnginePreferences prefs;
  Window* host = nullptr;
  std::unique_ptr<DisplayDevice> device;
};

TEST_F(DisplayDeviceTest, ConstructionProbesForTheVersion7Interface) {
  EXPECT_TRUE(make().directDraw7Available());
  EXPECT_EQ(device->state(), kDisplayClosed);
  EXPECT_EQ(device->wantedMode().width, 640u);
  EXPECT_EQ(device->wantedMode().bitsPerPixel, 8u);
  library.faults.noDirectDraw7 = true;
  EXPECT_FALSE(make().directDraw7Available());
  library.libraryPresent = false;
  EXPECT_FALSE(make().directDraw7Available());
  EXPECT_EQ(library.record.liveObjects, 0);
}

TEST_F(DisplayDeviceTest, SingleMonitorOpensOnItsOwnWindowAndCloseGivesEverythingBack) {
  struct Case {
    int changePosition;
    uint32_t flags;
  } cases[] = {{1, 0x11}, {0, 0x15}};
  for (const Case& c : cases) {
    prefs.config.directXChangeWindowPosition = c.changePosition;
    ASSERT_EQ(open(640, 480, 16), 0);
    EXPECT_EQ(device->state(), kDisplayOpen);
    Window* dxwin = device->fullScreenWindow();
    ASSERT_NE(dxwin, nullptr);
    EXPECT_EQ(platform::windowClassName(dxwin), "dxwin");
    EXPECT_EQ(platform::windowRect(dxwin), (platform::WinRect{0, 0, 1024, 768}));
    EXPECT_EQ(platform::windowExStyle(dxwin), platform::kExStyleTopmost);
    EXPECT_EQ(platform::focusWindow(), dxwin);
    EXPECT_FALSE(windows.cursorVisible);
    EXPECT_EQ(library.record.cooperativeWindow, dxwin);
    EXPECT_EQ(library.record.cooperativeFlags, c.flags);
    EXPECT_EQ(library.record.mode.width, 640u);
    EXPECT_EQ(library.record.mode.bitsPerPixel, 16u);
    EXPECT_EQ(device->layoutCode(), QX_LAYOUT_565);
    EXPECT_NE(device->version7Object(), nullptr);

    device->close();
    EXPECT_EQ(device->state(), kDisplayClosed);
    EXPECT_EQ(device->fullScreenWindow(), nullptr);
    EXPECT_FALSE(platform::isWindow(dxwin));
    EXPECT_TRUE(windows.cursorVisible);
    EXPECT_EQ(library.record.cooperativeFlags, pd::kCoopNormal);
    EXPECT_EQ(library.record.cooperativeWindow, host);
    EXPECT_EQ(library.record.liveSurfaces, 0);
    EXPECT_EQ(library.record.liveObjects, 0);
    EXPECT_EQ(library.record.mode.width, 0u);  // the desktop has its mode back
  }
}

TEST_F(DisplayDeviceTest, PreferredSecondMonitorUsesTheHostWindowAndItsIdentifier) {
  pd::MemoryDevice second;
  second.isDefault = false;
  second.guid.bytes[0] = 42;
  second.description = "Second monitor";
  library.devices.push_back(second);
  library.createExPresent = false;  // the older object, made for the chosen device
  prefs.preferredDisplayDevice = 1;
  ASSERT_EQ(open(640, 480, 32), 0);
  EXPECT_TRUE(device->hasDeviceIdentifier());
  EXPECT_EQ(device->deviceIdentifier().bytes[0], 42);
  EXPECT_EQ(device->nonDefaultDevices(), 1);
  EXPECT_EQ(device->fullScreenWindow(), nullptr);
  EXPECT_EQ(library.record.cooperativeWindow, host);
  EXPECT_EQ(library.record.cooperativeFlags, 0x295u);
  EXPECT_NE(device->olderObject(), nullptr);
  EXPECT_EQ(device->version7Object(), nullptr);
  EXPECT_EQ(device->layoutCode(), QX_LAYOUT_8BIT);  // 32-bit masks are neither 16-bit layout
  device->close();
  prefs.config.directXChangeWindowPosition = 1;
  ASSERT_EQ(open(640, 480, 32), 0);
  EXPECT_EQ(library.record.cooperativeFlags, 0x291u);
}

TEST_F(DisplayDeviceTest, EveryFailedOpenGivesTheScreenBack) {
  constexpr pd::Result kRefused = pd::kErrUnsupportedMode;
  struct Case {
    const char* name;
    std::function<void(pd::MemoryDirectDrawLibrary&)> inject;
    bool flip;
    uint32_t bits;
    int32_t result;
  } cases[] = {
      {"create", [](auto& l) { l.faults.createEx = pd::kErrOutOfMemory; }, false, 16, kOpenCreateFailed},
      {"no library", [](auto& l) { l.libraryPresent = false; }, false, 16, kOpenCreateFailed},
      {"cooperative level", [](auto& l) { l.faults.cooperativeLevel = pd::kErrNoExclusiveMode; },
       false, 16, pd::kErrNoExclusiveMode},
      {"display mode", [](auto& l) { l.faults.displayMode = kRefused; }, false, 16, kRefused},
      {"primary", [](auto& l) { l.faults.primarySurface = pd::kErrOutOfVideoMemory; }, false, 16,
       kOpenSurfaceFailed},
      {"back buffer", [](auto& l) { l.faults.backBuffer = pd::kErrNotFound; }, true, 16,
       kOpenSurfaceFailed},
      {"palette", [](auto& l) { l.faults.palette = pd::kErrNoPaletteHw; }, false, 8,
       kOpenPaletteFailed},
  };
  for (const Case& c : cases) {
    pd::MemoryDirectDrawLibrary fresh;
    pd::ScopedDirectDrawLibrary scope(fresh);
    c.inject(fresh);
    DisplayDevice d(prefs);
    d.wantedMode() = {640, 480, c.bits, 60};
    d.setFrameFormat(c.bits, c.flip);
    EXPECT_EQ(d.openFullScreen(host), c.result) << c.name;
    EXPECT_EQ(d.state(), kDisplayClosed) << c.name;
    EXPECT_EQ(d.fullScreenWindow(), nullptr) << c.name;
    EXPECT_EQ(platform::findWindow("dxwin"), nullptr) << c.name;
    EXPECT_EQ(fresh.record.liveSurfaces, 0) << c.name;
    EXPECT_EQ(fresh.record.liveObjects, 0) << c.name;
    EXPECT_EQ(fresh.record.livePalettes, 0) << c.name;
    EXPECT_EQ(fresh.record.mode.width, 0u) << c.name;
    if (!fresh.record.cooperativeHistory.empty() && c.result != pd::kErrNoExclusiveMode) {
      EXPECT_EQ(fresh.record.cooperativeFlags, pd::kCoopNormal) << c.name;
    }
    BufferDesc probe{};
    EXPECT_NE(d.lockProbe(probe), pd::kOk) << c.name;
  }
  EXPECT_EQ(make().openFullScreen(nullptr), kOpenNoHostWindow);
}

TEST_F(DisplayDeviceTest, WithoutItsWindowTheOpenSucceedsClosedAndTheProbeFails) {
  windows.failCreate = true;
  EXPECT_EQ(open(640, 480, 16), 0);
  EXPECT_EQ(device->state(), kDisplayClosed);
  BufferDesc probe{};
  EXPECT_NE(device->lockProbe(probe), pd::kOk);
}

TEST_F(DisplayDeviceTest, FlipModeLocksTheBackBufferAndFollowsItAcrossFlips) {
  ASSERT_EQ(open(320, 240, 16, true), 0);
  EXPECT_EQ(library.record.surfaceRequests.back().caps,
            pd::kCapsPrimarySurface | pd::kCapsFlip | pd::kCapsComplex | pd::kCaps3DDevice);
  BufferDesc frame{};
  ASSERT_EQ(device->frameLock(frame, false), 1);
  void* first = frame.baseAddr;
  EXPECT_EQ(frame.rowBytes, 640);
  static_cast<uint16_t*>(first)[0] = 0xF800;  // red into the back buffer
  device->frameUnlock(true);
  uint32_t width, height;
  EXPECT_EQ(library.frontPixels(width, height)[0], 0xFF0000u);
  device->copyFrontToBack();
  ASSERT_EQ(device->frameLock(frame, false), 1);
  EXPECT_NE(frame.baseAddr, first);  // the flip exchanged the buffers
  EXPECT_EQ(static_cast<uint16_t*>(frame.baseAddr)[0], 0xF800);  // the copy of the screen
  device->frameUnlock(true);
  EXPECT_EQ(library.record.flips, 2);
  EXPECT_EQ(library.record.bltFasts, 1);

  void* d7 = nullptr;
  void* primary = nullptr;
  void* back = nullptr;
  void* d3d = nullptr;
  void* zero = &d7;
  device->displayInterfaces(&d7, &primary, &back, &d3d, &zero);
  EXPECT_EQ(d7, device->version7Object());
  EXPECT_EQ(primary, device->primarySurface());
  EXPECT_EQ(back, device->backBuffer());
  EXPECT_NE(d3d, nullptr);
  EXPECT_EQ(zero, nullptr);
  device->displayInterfaces(nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(DisplayDeviceTest, FlipModeWithoutSurfaceLockDrawsIntoTheBackBufferAndNeverFlips) {
  prefs.config.surfaceLock = 0;
  ASSERT_EQ(open(320, 240, 32, true), 0);
  BufferDesc frame{};
  EXPECT_EQ(device->frameLock(frame, false), 0);
  EXPECT_EQ(device->frameLock(frame, true), 0);
  EXPECT_NE(frame.baseAddr, nullptr);  // the re-probe reports the back buffer
  device->frameUnlock(true);
  EXPECT_EQ(library.record.flips, 0);
}

TEST_F(DisplayDeviceTest, FrameLockFailuresAndTheLostSurface) {
  ASSERT_EQ(open(320, 240, 16), 0);
  BufferDesc frame{};
  library.faults.loseSurfaceTimes = 1;
  EXPECT_EQ(device->frameLock(frame, true), 1);  // lost, restored, locked again
  EXPECT_EQ(library.record.restores, 1);
  EXPECT_EQ(frame.layoutCode, static_cast<uint32_t>(QX_LAYOUT_565));
  device->frameUnlock(false);

  library.faults.loseSurfaceTimes = 1;
  library.faults.restore = pd::ddResult(587);
  EXPECT_EQ(device->frameLock(frame, false), 0);
  library.faults.restore = pd::kOk;
  library.faults.lock = pd::kErrSurfaceBusy;
  EXPECT_EQ(device->frameLock(frame, false), 0);
  library.faults.lock = pd::kOk;
  // After failed locks the engine keeps drawing at the address it had: that memory is still
  // the surface's.
  std::memset(frame.baseAddr, 0x55, static_cast<size_t>(frame.rowBytes) * 240);

  // Without a display object the frame lock makes one on the main window's normal level, and
  // a primary surface; either failing gives 0.
  device->close();
  library.faults.createEx = pd::kErrOutOfMemory;
  EXPECT_EQ(device->frameLock(frame, false), 0);
  library.faults.createEx = pd::kOk;
  library.faults.primarySurface = pd::kErrOutOfVideoMemory;
  device->setMainWindow(host);
  EXPECT_EQ(device->frameLock(frame, false), 0);
  EXPECT_EQ(library.record.cooperativeFlags, pd::kCoopNormal);
  library.faults.primarySurface = pd::kOk;
  EXPECT_EQ(device->frameLock(frame, false), 1);
}

TEST_F(DisplayDeviceTest, EightBitDisplayShowsAGreyRampUntilTheSynthsColoursArrive) {
  ASSERT_EQ(open(320, 240, 8), 0);
  std::vector<platform::PaletteEntry> palette = library.frontPalette();
  ASSERT_EQ(palette.size(), 256u);
  EXPECT_EQ(palette[100].red, 100);
  EXPECT_EQ(palette[100].blue, 100);
  std::vector<ColorEntry> entries(300, ColorEntry{0, 0xAB00, 0xCD00, 0xEF00});
  device->setPaletteEntries(250, 20, entries.data());  // taken up to entry 255
  device->setPaletteEntries(-5, 7, entries.data());     // entries 0 and 1
  palette = library.frontPalette();
  EXPECT_EQ(palette[0].red, 0xAB);
  EXPECT_EQ(palette[1].green, 0xCD);
  EXPECT_EQ(palette[2].red, 2);
  EXPECT_EQ(palette[255].blue, 0xEF);
  EXPECT_EQ(palette[249].red, 249);
  EXPECT_EQ(device->paletteEntries()[255].flags,
            pd::kPaletteEntryReserved | pd::kPaletteEntryNoCollapse);
  EXPECT_EQ(library.record.verticalBlankWaits, 2);
  device->setFrameFormat(16, false);
  device->setPaletteEntries(0, 1, entries.data());
  EXPECT_EQ(library.record.verticalBlankWaits, 2);  // only 8-bit frames have a palette
}

TEST_F(DisplayDeviceTest, DxwinForwardsKeysAndAsksToStopOnlyOnTheExclusiveDisplay) {
  bool exclusive = false, stopRequested = false;
  std::vector<uint32_t> keys;
  DisplayLinks links;
  links.exclusive = [&] { return exclusive; };
  links.requestStop = [&] { stopRequested = true; };
  links.stopPending = [&] { return stopRequested; };
  links.keyDown = [&](uint32_t vk, intptr_t) { keys.push_back(vk); };
  make().setLinks(links);
  ASSERT_EQ(open(320, 240, 16), 0);
  Window* dxwin = device->fullScreenWindow();
  platform::sendMessage(dxwin, platform::kMsgDisplayChange, 32, 0);
  EXPECT_FALSE(stopRequested);
  platform::sendMessage(dxwin, platform::kMsgKeyDown, 'A', 0);
  exclusive = true;
  platform::sendMessage(dxwin, platform::kMsgActivateApp, 0, 0);
  EXPECT_TRUE(stopRequested);
  platform::sendMessage(dxwin, platform::kMsgKeyDown, 'B', 0);  // no keys once stopping
  EXPECT_EQ(keys, (std::vector<uint32_t>{'A'}));
}

TEST_F(DisplayDeviceTest, ModeListKeepsEachModeOnceAndAtMostThirtyModesAndFiveDevices) {
  host::DisplayModeList list;
  EXPECT_TRUE(addDisplayMode(list, 0, {640, 480, 16, 60}));
  EXPECT_FALSE(addDisplayMode(list, 0, {640, 480, 16, 75}));  // the same mode at another rate
  for (uint32_t i = 1; i < 30; ++i) EXPECT_TRUE(addDisplayMode(list, 0, {640 + i, 480, 16, 60}));
  EXPECT_FALSE(addDisplayMode(list, 0, {2000, 1000, 16, 60}));  // the 31st
  EXPECT_EQ(list.devices[0].modeCount, 30u);
  for (uint32_t key = 1; key < 5; ++key) EXPECT_TRUE(addDisplayMode(list, key, {320, 240, 8, 60}));
  EXPECT_FALSE(addDisplayMode(list, 5, {320, 240, 8, 60}));  // the 6th device
  EXPECT_EQ(list.deviceCount, 5u);

  // Enumerating with a list fills it with descriptions and the first device's modes.
  library.modes = {{640, 480, 16, 60}, {640, 480, 16, 60}, {800, 600, 32, 60}};
  pd::MemoryDevice second;
  second.isDefault = false;
  second.description = "Second";
  library.devices.push_back(second);
  std::vector<std::string> names;
  EXPECT_EQ(make().enumerateDevices(&names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"Primary Display Driver", "Second"}));
  EXPECT_EQ(prefs.displayModes.deviceCount, 1u);
  EXPECT_EQ(prefs.displayModes.devices[0].modeCount, 2u);
  library.enumerateExPresent = false;
  EXPECT_EQ(device->enumerateDevices(&names), 0);
  prefs.preferredDisplayDevice = 3;
  EXPECT_EQ(device->create(), pd::kOk);  // enumeration impossible: back to the default device
  EXPECT_EQ(prefs.preferredDisplayDevice, 0u);
}

TEST_F(DisplayDeviceTest, DesktopLayoutProbe) {
  struct Case {
    int desktopBits;
    uint32_t engineDepth;
    uint32_t layout;
  } cases[] = {{15, 8, QX_LAYOUT_555}, {16, 8, QX_LAYOUT_565}, {32, 16, QX_LAYOUT_555},
               {32, 32, QX_LAYOUT_32BIT}, {32, 8, QX_LAYOUT_8BIT}, {8, 24, QX_LAYOUT_8BIT}};
  for (const Case& c : cases) {
    windows.screenInfo.bitsPerPixel = c.desktopBits;
    EXPECT_EQ(make().probeDesktopLayout(c.engineDepth), c.layout) << c.desktopBits;
    EXPECT_EQ(device->layoutCode(), c.layout);
  }
}

TEST(DirectDrawErrorText, KnownCodesHaveTheirTextAndOthersAreUnknown) {
  EXPECT_EQ(directDrawErrorCount(), 117);
  EXPECT_STREQ(directDrawErrorText(0), "");
  EXPECT_STREQ(directDrawErrorText(static_cast<int32_t>(0x88760078u)),
               "DirectDraw does not support the requested mode.");
  EXPECT_STREQ(directDrawErrorText(static_cast<int32_t>(0x887601C2u)),
               "Access to the surface is refused because the surface memory is gone. Call the "
               "IDirectDrawSurface7::Restore method on this surface to restore the memory "
               "associated with it. ");
  for (int32_t code : {1, -1, static_cast<int32_t>(0x88760001u), static_cast<int32_t>(0x88760603u)}) {
    EXPECT_STREQ(directDrawErrorText(code), "Unknown error has occured.") << code;
  }
}

}  // namespace
}  // namespace quorix::display
