// The SDL backends on a real (virtual) X display: what a window and the full-screen display
// show must be what the memory backends compute.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ddraw/sdl/sdl_ddraw.h"
#include "platform/window/memory/memory_window_backend.h"
#include "platform/window/sdl/sdl_window_backend.h"
#include "tests/support/png_writer.h"
#include "tests/support/virtual_display.h"

// The X11 and GL libraries that SDL loads keep allocations past their unloading, which the
// leak checker cannot attribute; this program's own code is checked by the memory-backend tests.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace quorix::platform {
namespace {

// Colours equal within what the display's own 16-bit widening may differ by.
bool near(uint32_t a, uint32_t b) {
  for (int s = 0; s <= 16; s += 8) {
    int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
    if (d < -3 || d > 3) return false;
  }
  return true;
}

// A 32 x 24 picture of colour bands and a diagonal, as a 16-bit 5-5-5 bottom-up bitmap.
struct TestPicture {
  static constexpr int kWidth = 32, kHeight = 24;
  BitmapInfo info{};
  std::vector<uint16_t> pixels;
  TestPicture() {
    info.header.width = kWidth;
    info.header.height = kHeight;
    info.header.bitCount = 16;
    pixels.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        uint16_t red = static_cast<uint16_t>(x), green = static_cast<uint16_t>(y);
        uint16_t blue = x == y ? 31 : 0;
        pixels[(kHeight - 1 - y) * kWidth + x] = static_cast<uint16_t>((red << 10) | (green << 5) | blue);
      }
    }
  }
};

// Shows the picture doubled in a 64 x 48 window of the current backend; what it shows.
std::vector<uint32_t> showDoubled(int32_t& width, int32_t& height) {
  registerClass(WindowClass{"SdlTest", nullptr, 0, "", rgbColor(0, 0, 0)});
  CreateWindowParams params;
  params.className = "SdlTest";
  params.title = "Quorix test";
  params.style = kStylePopup | kStyleVisible;
  params.x = 20;
  params.y = 20;
  params.width = 64;
  params.height = 48;
  Window* window = createWindow(params);
  EXPECT_NE(window, nullptr);
  TestPicture picture;
  DeviceContext* dc = getDC(window);
  setStretchBltMode(dc, kStretchColorOnColor);
  stretchDIBits(dc, 0, 0, 64, 48, 0, 0, TestPicture::kWidth, TestPicture::kHeight,
                picture.pixels.data(), &picture.info.header, kDibRgbColors, kSourceCopy);
  releaseDC(window, dc);
  std::vector<uint32_t> pixels;
  readWindowPixels(window, pixels, width, height);
  destroyWindow(window);
  unregisterClass("SdlTest");
  return pixels;
}

TEST(SdlBackends, WithoutADisplayTheyReportWhyAndStartNothing) {
  std::string display = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  setenv("SDL_VIDEODRIVER", "x11", 1);
  std::string error;
  EXPECT_EQ(SdlWindowBackend::start(&error), nullptr);
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_EQ(ddraw::SdlDirectDrawLibrary::start(&error), nullptr);
  EXPECT_FALSE(error.empty());
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
}

class SdlOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why = xvfb.start();
    if (!why.empty()) GTEST_SKIP() << "skipped: " << why;
    setenv("SDL_VIDEODRIVER", "x11", 1);
  }
  testing::VirtualDisplay xvfb;
};

TEST_F(SdlOnXvfb, AWindowShowsWhatTheMemoryBackendComputes) {
  int32_t memoryWidth = 0, memoryHeight = 0;
  std::vector<uint32_t> expected;
  {
    MemoryWindowBackend memory;
    ScopedWindowBackend scope(memory);
    expected = showDoubled(memoryWidth, memoryHeight);
  }
  std::string error;
  std::unique_ptr<SdlWindowBackend> sdl = SdlWindowBackend::start(&error);
  ASSERT_NE(sdl, nullptr) << error;
  ScopedWindowBackend scope(*sdl);
  int32_t width = 0, height = 0;
  std::vector<uint32_t> shown = showDoubled(width, height);
  testing::writePng(testing::picturePath("sdl_window.png"), shown, width, height);
  ASSERT_EQ(width, memoryWidth);
  ASSERT_EQ(height, memoryHeight);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(shown[0], 0x0000FFu);  // picture pixel (0, 0) lies on the diagonal
  EXPECT_EQ(shown[2 * 64 + 2], 0x0808FFu);  // picture pixel (1, 1): red 1, green 1, blue 31
}

TEST_F(SdlOnXvfb, TheFullScreenDisplayShowsItsFrontSurfaceScaledToTheScreen) {
  std::string error;
  std::unique_ptr<SdlWindowBackend> windows = SdlWindowBackend::start(&error);
  ASSERT_NE(windows, nullptr) << error;
  ScopedWindowBackend windowScope(*windows);
  std::unique_ptr<ddraw::SdlDirectDrawLibrary> library = ddraw::SdlDirectDrawLibrary::start(&error);
  ASSERT_NE(library, nullptr) << error;
  registerClass(WindowClass{"dxwin", nullptr, 0, "dxwin", rgbColor(0, 0, 0)});
  CreateWindowParams params;
  params.className = "dxwin";
  params.style = kStylePopup | kStyleVisible;
  params.exStyle = kExStyleTopmost;
  params.width = 640;
  params.height = 480;
  Window* window = createWindow(params);
  ASSERT_NE(window, nullptr);

  ddraw::DirectDraw* display = nullptr;
  ASSERT_EQ(library->createEx(nullptr, &display), ddraw::kOk);
  ASSERT_EQ(display->setCooperativeLevel(window, ddraw::kCoopExclusive | ddraw::kCoopFullScreen),
            ddraw::kOk);
  ASSERT_EQ(display->setDisplayMode(320, 240, 16, 0, 0), ddraw::kOk);
  ddraw::Surface* primary = nullptr;
  ASSERT_EQ(display->createSurface({ddraw::kDescCaps, ddraw::kCapsPrimarySurface, 0}, &primary),
            ddraw::kOk);
  ddraw::LockedSurface locked;
  ASSERT_EQ(primary->lock(locked, ddraw::kLockWait), ddraw::kOk);
  for (uint32_t y = 0; y < locked.height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.bits) + y * locked.pitch);
    for (uint32_t x = 0; x < locked.width; ++x) {
      // Quarters of red, green, blue and white, 5-6-5.
      bool right = x >= locked.width / 2, bottom = y >= locked.height / 2;
      row[x] = !right && !bottom ? 0xF800 : right && !bottom ? 0x07E0 : !right ? 0x001F : 0xFFFF;
    }
  }
  primary->unlock();
  std::vector<uint32_t> screen;
  int32_t width = 0, height = 0;
  ASSERT_TRUE(library->readScreen(screen, width, height));
  testing::writePng(testing::picturePath("sdl_fullscreen.png"), screen, width, height);
  ASSERT_EQ(width, 640);
  ASSERT_EQ(height, 480);
  uint32_t modeWidth = 0, modeHeight = 0;
  std::vector<uint32_t> front = library->frontPixels(modeWidth, modeHeight);
  ASSERT_EQ(modeWidth, 320u);
  // Every screen pixel is its mode pixel, doubled.
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!near(screen[y * width + x], front[(y / 2) * 320 + x / 2])) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(near(screen[10 * 640 + 630], 0x00FF00u));
  EXPECT_TRUE(near(screen[240 * 640 + 320], 0xFFFFFFu));

  primary->release();
  display->release();
  destroyWindow(window);
  unregisterClass("dxwin");
}

}  // namespace
}  // namespace quorix::platform
