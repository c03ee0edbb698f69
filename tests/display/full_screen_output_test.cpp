#include <gtest/gtest.h>

#include <cstring>

#include "common/memory.h"
#include "display/frame_outputs.h"
#include "platform/ddraw/memory/memory_ddraw.h"
#include "platform/window/memory/memory_window_backend.h"
#include "plugin_sdk/status_codes.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"
#include "tests/support/png_writer.h"
#include "tests/support/test_windows.h"

namespace quorix::display {
namespace {

namespace pd = platform::ddraw;

// The engine's frame set up on the memory display through the full-screen output.
class FullScreenOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.screenInfo = {1024, 768, 32};
    host = windows.make(320, 240);
    colours = render::makeResourceColorTable(8);
    render::setCurrentFrameBuffer(&frame);
  }
  void TearDown() override {
    render::releaseFrame(frame, environment, output);
    render::setCurrentFrameBuffer(nullptr);
    disposeHandle(colours);
  }
  int32_t setUp(uint32_t depth, bool flip) {
    render::FrameRequest request;
    request.depth = depth;
    request.scale = 2.0;
    request.flip = flip;
    request.colorTable = colours;
    request.background = render::RgbColor{0, 0, 0xFFFF};
    return render::setUpFrame(frame, environment, request, output);
  }

  platform::MemoryWindowBackend desktop;
  platform::ScopedWindowBackend windowScope{desktop};
  testing::TestWindows windows;
  pd::MemoryDirectDrawLibrary library;
  pd::ScopedDirectDrawLibrary libraryScope{library};
  host::EnginePreferences prefs;
  DisplayDevice display{prefs};
  platform::Window* host = nullptr;
  FullScreenOutput output{display, nullptr};
  MemHandle colours = nullptr;
  render::FrameBuffer frame;
  HostEnvironment environment{};
};

TEST_F(FullScreenOutputTest, EightBitFramesShowThroughTheSynthsPalette) {
  output.setHostWindow(host);
  ASSERT_EQ(setUp(8, false), QX_OK);
  EXPECT_EQ(library.record.mode.width, 320u);  // full screen composes at the half size
  EXPECT_EQ(library.record.mode.bitsPerPixel, 8u);
  uint32_t width, height;
  std::vector<uint32_t> screen = library.frontPixels(width, height);
  EXPECT_EQ(screen[0], 0x0000FFu);  // cleared to the background through the Synth's colours
  // Colour bands of the default table: red, green, blue and grey ramps.
  for (int y = 0; y < 240; ++y) {
    auto* row = static_cast<uint8_t*>(frame.baseAddr) + y * frame.rowBytes;
    for (int x = 0; x < 320; ++x) row[x] = static_cast<uint8_t>(215 + (x * 40) / 320);
  }
  render::beginFullScreenFrame(frame, environment, output, {});
  render::endFullScreenFrame(output, {});
  screen = library.frontPixels(width, height);
  testing::writePng(testing::picturePath("full_screen_8bit.png"), screen, static_cast<int>(width),
                    static_cast<int>(height));
  EXPECT_EQ(screen[0], 0xEE0000u);       // index 215: the first red
  EXPECT_EQ(screen[319], 0x111111u);     // index 254: the last grey
}

TEST_F(FullScreenOutputTest, SixteenBitFramesTakeTheDisplaysLayoutAndFollowTheSurface) {
  output.setHostWindow(host);
  library.sixteenBitIs565 = false;
  ASSERT_EQ(setUp(16, true), QX_OK);
  EXPECT_EQ(frame.layoutCode, static_cast<uint32_t>(QX_LAYOUT_555));
  void* before = frame.baseAddr;
  render::beginFullScreenFrame(frame, environment, output, {});
  EXPECT_NE(frame.baseAddr, before);  // the flip moved the back buffer
  EXPECT_EQ(environment.frame.baseAddr, frame.baseAddr);
  EXPECT_EQ(render::pixelMapOf(frame.framePixelMap)->baseAddr, frame.baseAddr);
  render::endFullScreenFrame(output, {});
  render::releaseFrame(frame, environment, output);
  EXPECT_EQ(display.state(), kDisplayClosed);
  EXPECT_EQ(library.record.liveSurfaces, 0);
}

TEST_F(FullScreenOutputTest, FailuresComeBackFromTheSetUp) {
  output.setHostWindow(nullptr);
  EXPECT_EQ(setUp(16, false), kOpenNoHostWindow);
  output.setHostWindow(host);
  desktop.failCreate = true;  // no "dxwin": the open succeeds closed and the probe fails
  EXPECT_EQ(setUp(16, false), QX_ERR_SURFACE_LOCK);
  EXPECT_EQ(frame.framePixelMap, nullptr);
}

}  // namespace
}  // namespace quorix::display
