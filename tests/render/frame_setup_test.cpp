#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/memory.h"
#include "plugin_sdk/status_codes.h"
#include "render/copy_blit.h"
#include "render/frame_setup.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"

namespace quorix::render {
namespace {

// An output that keeps a surface of its own in memory and records what it was asked.
class FakeOutput : public FrameOutput {
 public:
  explicit FakeOutput(bool fullScreen) : fullScreen_(fullScreen) {}
  bool fullScreen() const override { return fullScreen_; }
  int32_t open(uint32_t width, uint32_t height, uint32_t depth, uint32_t refreshRate,
               bool flip) override {
    calls.push_back("open " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                    std::to_string(depth) + "@" + std::to_string(refreshRate) + (flip ? " flip" : ""));
    pitch = static_cast<int32_t>(width * (depth / 8) + 64);
    surfaces[0].assign(static_cast<size_t>(pitch) * height, 0xAA);
    surfaces[1] = surfaces[0];
    return openResult;
  }
  uint32_t layoutCode() const override { return layout; }
  bool surface(BufferDesc& out) override {
    calls.push_back("surface");
    if (!surfaceWorks) return false;
    out.baseAddr = surfaces[current].data();
    out.rowBytes = pitch;
    return true;
  }
  bool lockFrame(BufferDesc& out) override {
    calls.push_back("lock");
    current ^= 1;  // each lock reports the other buffer, as after a flip
    out.baseAddr = surfaces[current].data();
    out.rowBytes = pitch;
    return true;
  }
  void presentFrame() override { calls.push_back("present"); }
  void setPalette(int32_t first, int32_t count, const ColorEntry* entries) override {
    calls.push_back("palette " + std::to_string(first) + " " + std::to_string(count));
    firstPaletteRed = entries[0].red;
  }
  void releasePort(OffscreenPort* port) override {
    calls.push_back(port != nullptr ? "release port" : "release no port");
  }
  void close() override { calls.push_back("close"); }

  bool fullScreen_;
  int32_t openResult = 0;
  bool surfaceWorks = true;
  uint32_t layout = QX_LAYOUT_565;
  int32_t pitch = 0;
  std::vector<uint8_t> surfaces[2];
  int current = 0;
  uint16_t firstPaletteRed = 0;
  std::vector<std::string> calls;
};

class FrameSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    colours = makeResourceColorTable(8);
    request.colorTable = colours;
  }
  void TearDown() override {
    releaseFrameBuffers(frame);
    disposeHandle(colours);
  }
  MemHandle colours = nullptr;
  FrameRequest request;
  FrameBuffer frame;
  HostEnvironment environment{};
};

TEST_F(FrameSetupTest, WindowedFramesTakeTheScaledSizeAndTheWindowedLayout) {
  struct Case {
    uint32_t depth;
    double scale;
    bool accelerated;
    uint32_t frameDepth, layout;
    int16_t width, height;
  } cases[] = {
      {16, 1.0, false, 16, QX_LAYOUT_555, 640, 480},  // 5-5-5 even on a 5-6-5 desktop
      {16, 2.0, true, 16, QX_LAYOUT_565, 320, 240},
      {24, 2.0, false, 8, QX_LAYOUT_8BIT, 320, 240},  // any other depth is 8
      {32, 1.0, false, 32, QX_LAYOUT_8BIT, 640, 480},
  };
  for (const Case& c : cases) {
    FakeOutput windowed(false);
    FrameBuffer f;
    HostEnvironment env{};
    request.depth = c.depth;
    request.scale = c.scale;
    request.acceleratedPreview = c.accelerated;
    ASSERT_EQ(setUpFrame(f, env, request, windowed), QX_OK) << c.depth;
    EXPECT_EQ(f.depth, c.frameDepth);
    EXPECT_EQ(f.layoutCode, c.layout) << c.depth;
    EXPECT_EQ(f.bounds.right, c.width);
    EXPECT_EQ(f.bounds.bottom, c.height);
    ASSERT_NE(f.mainPort, nullptr);
    EXPECT_EQ(env.frame.baseAddr, f.baseAddr);
    EXPECT_EQ(env.frame.bitsPerPixel, c.frameDepth);
    EXPECT_EQ(env.work.bounds.right, c.width);
    EXPECT_EQ(env.picture.baseAddr, nullptr);
    EXPECT_EQ(env.colorEntries, f.colorEntries);
    EXPECT_EQ(env.copyBlit, &CopyBlit);
    EXPECT_EQ(windowed.calls.front(),
              "open " + std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                  std::to_string(c.frameDepth) + "@60");
    releaseFrame(f, env, windowed);
    EXPECT_EQ(windowed.calls, (std::vector<std::string>{windowed.calls.front(), "release port", "close"}));
    EXPECT_EQ(env.frame.baseAddr, nullptr);
  }
  // The frame is clipped to the largest one allowed.
  FakeOutput windowed(false);
  request.scale = 1.0;
  request.maximum = Rect16{0, 0, 200, 300};
  ASSERT_EQ(setUpFrame(frame, environment, request, windowed), QX_OK);
  EXPECT_EQ(frame.bounds.right, 300);
  EXPECT_EQ(frame.bounds.bottom, 200);
}

TEST_F(FrameSetupTest, FullScreenFramesLiveInTheSurfaceAndStartCleared) {
  FakeOutput display(true);
  request.depth = 16;
  request.flip = true;
  request.background = RgbColor{0xFFFF, 0, 0};  // red
  int beforeFrame = 0;
  FrameHooks hooks;
  hooks.beforeFrame = [&] { ++beforeFrame; };
  ASSERT_EQ(setUpFrame(frame, environment, request, display, hooks), QX_OK);
  EXPECT_EQ(frame.layoutCode, static_cast<uint32_t>(QX_LAYOUT_565));  // the display's layout
  EXPECT_EQ(frame.mainPort, nullptr);
  EXPECT_EQ(display.calls, (std::vector<std::string>{"open 640x480x16@60 flip", "surface", "lock",
                                                     "present"}));
  EXPECT_EQ(beforeFrame, 1);
  // The clear went into the surface locked for it, and everything follows that surface.
  EXPECT_EQ(frame.baseAddr, display.surfaces[1].data());
  EXPECT_EQ(environment.frame.baseAddr, frame.baseAddr);
  EXPECT_EQ(environment.frame.rowBytes, display.pitch);
  EXPECT_EQ(pixelMapOf(frame.framePixelMap)->baseAddr, frame.baseAddr);
  uint16_t pixel;
  std::memcpy(&pixel, display.surfaces[1].data() + 479 * display.pitch + 639 * 2, 2);
  EXPECT_EQ(pixel, 0xF800);
  EXPECT_EQ(display.surfaces[1][640 * 2], 0xAA);  // the row's padding is not the frame's

  beginFullScreenFrame(frame, environment, display, hooks);
  EXPECT_EQ(frame.baseAddr, display.surfaces[0].data());
  EXPECT_EQ(environment.frame.baseAddr, display.surfaces[0].data());
  EXPECT_EQ(beforeFrame, 2);
  int presents = 0;
  hooks.present = [&] { ++presents; };
  endFullScreenFrame(display, hooks);
  EXPECT_EQ(presents, 2);  // the hook replaces the flip, twice

  releaseFrame(frame, environment, display);
  EXPECT_EQ(display.calls.back(), "close");
}

TEST_F(FrameSetupTest, EightBitFullScreenSetsTheDisplayPaletteFromTheColourCopy) {
  FakeOutput display(true);
  request.depth = 8;
  ASSERT_EQ(setUpFrame(frame, environment, request, display), QX_OK);
  EXPECT_NE(std::find(display.calls.begin(), display.calls.end(), "palette 0 256"), display.calls.end());
  EXPECT_EQ(display.firstPaletteRed, 0xFFFF);  // entry 0 of the default table is white
}

TEST_F(FrameSetupTest, FailedSetUpsKeepNothingAndGiveTheDisplayBack) {
  struct Case {
    const char* name;
    int32_t openResult;
    bool surfaceWorks;
    long allocations;  // successes before memory runs out; -1: never
    int32_t result;
  } cases[] = {
      {"open", -5, true, -1, -5},
      {"surface", 0, false, -1, QX_ERR_SURFACE_LOCK},
      {"memory", 0, true, 1, QX_ERR_BUFFERS},
  };
  for (const Case& c : cases) {
    FakeOutput display(true);
    display.openResult = c.openResult;
    display.surfaceWorks = c.surfaceWorks;
    FrameBuffer f;
    HostEnvironment env{};
    request.depth = 16;
    int32_t result;
    {
      ScopedAllocationFailure failing(c.allocations);
      result = setUpFrame(f, env, request, display);
    }
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(f.framePixelMap, nullptr) << c.name;
    EXPECT_EQ(f.colorEntries, nullptr) << c.name;
    EXPECT_EQ(f.workBuffer, nullptr) << c.name;
    bool closed = std::find(display.calls.begin(), display.calls.end(), "close") != display.calls.end();
    EXPECT_EQ(closed, c.openResult == 0) << c.name;
  }
  FakeOutput windowed(false);
  ScopedAllocationFailure failing(0);
  EXPECT_EQ(setUpFrame(frame, environment, request, windowed), QX_ERR_BUFFERS);
}

}  // namespace
}  // namespace quorix::render
