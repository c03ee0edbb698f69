#include <gtest/gtest.h>

#include <cstring>

#include "common/color_table.h"
#include "common/memory.h"
#include "display/display_device.h"
#include "display/frame_outputs.h"
#include "display/gdi_output.h"
#include "platform/window/memory/memory_window_backend.h"
#include "plugin_sdk/status_codes.h"
#include "render/fill.h"
#include "render/pixel_map.h"
#include "render/resource_color_table.h"
#include "tests/support/png_writer.h"
#include "tests/support/test_windows.h"

namespace quorix::display {
namespace {

namespace pf = quorix::platform;

// A memory desktop with a window per test, the engine's frame and the display device.
class GdiOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop.screenInfo = {1024, 768, 16};  // 5-6-5
    colours = render::makeResourceColorTable(8);
  }
  void TearDown() override {
    render::releaseFrame(frame, environment, windowed);
    render::setCurrentFrameBuffer(nullptr);
    disposeHandle(colours);
    setPort(static_cast<WindowPort*>(nullptr));
  }
  pf::Window* make(int32_t width, int32_t height) { return windows.make(width, height); }
  std::vector<uint32_t> shown(pf::Window* window, int32_t& width, int32_t& height) {
    return testing::TestWindows::shown(window, &width, &height);
  }
  int32_t setUp(uint32_t depth, double scale) {
    render::FrameRequest request;
    request.depth = depth;
    request.scale = scale;
    request.colorTable = colours;
    render::setCurrentFrameBuffer(&frame);
    return render::setUpFrame(frame, environment, request, windowed);
  }
  // Paints the frame: pixel (x, y) gets a colour of its own.
  void paint() {
    BufferDesc desc = render::frameDescriptor(frame);
    for (int y = 0; y < frame.bounds.bottom; ++y) {
      for (int x = 0; x < frame.bounds.right; ++x) {
        uint8_t* at = static_cast<uint8_t*>(frame.baseAddr) + y * frame.rowBytes + (x << frame.byteShift);
        if (frame.depth == 8) {
          *at = static_cast<uint8_t>((x + y) % 256);
        } else {
          uint16_t p = static_cast<uint16_t>(((x % 32) << 10) | ((y % 32) << 5) | ((x + y) % 32));
          std::memcpy(at, &p, 2);
        }
      }
    }
    (void)desc;
  }

  pf::MemoryWindowBackend desktop;
  pf::ScopedWindowBackend scope{desktop};
  testing::TestWindows windows;
  host::EnginePreferences prefs;
  DisplayDevice display{prefs};
  WindowedOutput windowed{display};
  MemHandle colours = nullptr;
  render::FrameBuffer frame;
  HostEnvironment environment{};
};

uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }

TEST_F(GdiOutputTest, SixteenBitFrameOnA565DesktopIsComposed555AndShownThroughItsMasks) {
  ASSERT_EQ(setUp(16, 1.0), QX_OK);
  EXPECT_EQ(display.layoutCode(), static_cast<uint32_t>(QX_LAYOUT_565));  // the desktop
  EXPECT_EQ(frame.layoutCode, static_cast<uint32_t>(QX_LAYOUT_555));      // the frame
  DibHeader header = dibHeaderOfMap(frame.framePixelMap, frame.layoutCode);
  ASSERT_TRUE(header);
  uint32_t masks[3];
  std::memcpy(masks, header.get() + 40, 12);
  EXPECT_EQ(masks[0], 0x7C00u);
  EXPECT_EQ(masks[1], 0x3E0u);
  EXPECT_EQ(masks[2], 0x1Fu);
  paint();
  pf::Window* window = make(640, 480);
  pf::DeviceContext* dc = pf::getDC(window);
  showFrame(frame, dc, Rect16{0, 0, 480, 640}, kShowIntoContext);
  pf::releaseDC(window, dc);
  int32_t width, height;
  std::vector<uint32_t> pixels = shown(window, width, height);
  for (auto [x, y] : {std::pair{0, 0}, {17, 5}, {639, 479}, {300, 200}}) {
    uint32_t want = (widen5(x % 32) << 16) | (widen5(y % 32) << 8) | widen5((x + y) % 32);
    EXPECT_EQ(pixels[y * 640 + x], want) << x << "," << y;
  }
}

TEST_F(GdiOutputTest, HalfSizeFrameIsDoubledIntoTheWindow) {
  ASSERT_EQ(setUp(16, 2.0), QX_OK);  // a 640 x 480 Synth composed at 320 x 240
  ASSERT_EQ(frame.bounds.right, 320);
  ASSERT_EQ(frame.bounds.bottom, 240);
  paint();
  pf::Window* window = make(640, 480);
  WindowPort port{kWindowPortKind, window, {}};
  setPort(&port);
  showFrame(frame, nullptr, Rect16{0, 0, 480, 640}, 0);  // through copy bits into the port
  int32_t width, height;
  std::vector<uint32_t> pixels = shown(window, width, height);
  testing::writePng(testing::picturePath("doubled.png"), pixels, width, height);
  for (int y = 0; y < 480; y += 7) {
    for (int x = 0; x < 640; x += 5) {
      int fx = x / 2, fy = y / 2;
      uint32_t want = (widen5(fx % 32) << 16) | (widen5(fy % 32) << 8) | widen5((fx + fy) % 32);
      ASSERT_EQ(pixels[y * 640 + x], want) << x << "," << y;
    }
  }
}

TEST_F(GdiOutputTest, EightBitFrameWithWideRowsCopiesOnlyItsRectangle) {
  render::FrameRequest request;
  request.depth = 8;
  request.width = 321;
  request.height = 10;
  request.colorTable = colours;
  render::setCurrentFrameBuffer(&frame);
  ASSERT_EQ(render::setUpFrame(frame, environment, request, windowed), QX_OK);
  ASSERT_GT(frame.rowBytes, 321);  // rows padded to a multiple of 8
  DibHeader header = dibHeaderOfMap(frame.framePixelMap, frame.layoutCode);
  auto* info = reinterpret_cast<const pf::BitmapInfoHeader*>(header.get());
  EXPECT_EQ(info->width, frame.rowBytes);  // as wide as the row
  EXPECT_EQ(info->height, -10);
  EXPECT_EQ(info->bitCount, 8);
  EXPECT_EQ(header.get()[40 + 35 * 4 + 2], 0xFF);  // entry 35 of the default table is red
  std::memset(frame.baseAddr, 35, static_cast<size_t>(frame.rowBytes) * 10);  // padding too
  pf::Window* window = make(340, 10);
  pf::DeviceContext* dc = pf::getDC(window);
  showFrame(frame, dc, Rect16{0, 0, 10, 321}, kShowIntoContext);
  pf::releaseDC(window, dc);
  int32_t width, height;
  std::vector<uint32_t> pixels = shown(window, width, height);
  EXPECT_EQ(pixels[320], 0xFF0000u);
  EXPECT_EQ(pixels[321], 0u);  // the padding is not shown
  EXPECT_EQ(pixels[9 * 340 + 339], 0u);
}

TEST_F(GdiOutputTest, CopyBitsConvertsBetweenMapsAndWritesOnlyInsideTheDestination) {
  ASSERT_EQ(setUp(16, 1.0), QX_OK);
  MemHandle source = render::newPixelMap(8, Rect16{0, 0, 4, 4}, colours, true);
  std::memset(render::pixelMapOf(source)->baseAddr, 35, 32);  // red everywhere
  MemHandle target = render::newPixelMap(16, Rect16{0, 0, 4, 8}, nullptr, true);
  render::PixelMap* to = render::pixelMapOf(target);
  std::vector<uint8_t> before(static_cast<uint8_t*>(to->baseAddr),
                              static_cast<uint8_t*>(to->baseAddr) + 4 * 16);
  std::memset(to->baseAddr, 0, 4 * 16);
  // Half of the destination rectangle lies below the map.
  copyBitsToMap(source, target, Rect16{0, 0, 4, 4}, Rect16{2, 2, 6, 6}, 0, nullptr);
  auto at = [&](int x, int y) {
    uint16_t p;
    std::memcpy(&p, static_cast<uint8_t*>(to->baseAddr) + y * render::rowBytesOf(*to) + x * 2, 2);
    return p;
  };
  EXPECT_EQ(at(2, 2), 0x7C00);  // red, 5-5-5 like the frame
  EXPECT_EQ(at(5, 3), 0x7C00);
  EXPECT_EQ(at(1, 2), 0);
  EXPECT_EQ(at(6, 3), 0);
  EXPECT_EQ(at(2, 1), 0);
  render::disposePixelMap(source);
  render::disposePixelMap(target);
  (void)before;
}

TEST_F(GdiOutputTest, OffscreenPortsDrawThroughTheirContextAndKeepWhatTheyHeld) {
  render::OffscreenPort* port = nullptr;
  render::newOffscreenPort(&port, 32, Rect16{0, 0, 8, 8}, nullptr, 0);
  ASSERT_NE(port, nullptr);
  render::PixelMap* map = render::pixelMapOf(port->pixMap);
  std::memset(map->baseAddr, 0x11, static_cast<size_t>(render::rowBytesOf(*map)) * 8);
  port->foreColor = render::RgbColor{0xFFFF, 0, 0};
  setPort(port);
  moveTo(0, 3);
  lineTo(8, 3);
  frameRect(Rect16{0, 0, 8, 8});  // window ports only: nothing here
  releaseOffscreenPortDC(port);
  auto pixel = [&](int x, int y) {
    uint32_t p;
    std::memcpy(&p, static_cast<uint8_t*>(map->baseAddr) + y * render::rowBytesOf(*map) + x * 4, 4);
    return p & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(5, 3), 0xFF0000u);
  EXPECT_EQ(pixel(5, 4), 0x111111u);
  EXPECT_EQ(pixel(0, 0), 0x111111u);
  EXPECT_EQ(port->deviceContext, nullptr);
  render::disposeOffscreenPort(port);

  render::OffscreenPort* other = nullptr;
  render::newOffscreenPort(&other, 8, Rect16{0, 0, 4, 4}, colours, 0);
  other->portKind = 2;  // only kind-4 ports get a context
  EXPECT_EQ(offscreenPortDC(other), nullptr);
  render::disposeOffscreenPort(other);
}

TEST_F(GdiOutputTest, WindowPrimitivesDrawWithThePortsColoursAndFont) {
  pf::Window* window = make(200, 60);
  WindowPort port{kWindowPortKind, window, {}};
  setPort(&port);
  setForeColor(0xFF00, 0x00FF, 0);  // high bytes: red 255, green 0
  setBackColor(0, 0, 0xFFFF);
  eraseRect(Rect16{0, 0, 60, 200});
  frameRect(Rect16{10, 10, 50, 190});
  textFont(kArialFontNumber);
  textSize(12);
  ASSERT_NE(port.drawing.font, nullptr);
  EXPECT_EQ(port.drawing.font->logFont.height, -12);  // 12 points at 96 pixels per inch
  moveTo(20, 40);
  const uint8_t text[] = {5, 'Q', 'u', 'o', 'r', 'i'};
  drawString(text);
  int32_t width, height;
  std::vector<uint32_t> pixels = shown(window, width, height);
  testing::writePng(testing::picturePath("window_primitives.png"), pixels, width, height);
  EXPECT_EQ(pixels[0], 0x0000FFu);            // erased in the background colour
  EXPECT_EQ(pixels[10 * 200 + 50], 0xFF0000u);  // the frame in the foreground colour
  EXPECT_EQ(pixels[30 * 200 + 150], 0x0000FFu);
  // The text, black over the blue, its baseline at the pen: ink between the cap height above
  // row 40 and the descent below it, none elsewhere.
  int inked = 0;
  for (int y = 11; y < 49; ++y) {
    for (int x = 11; x < 189; ++x) {
      uint32_t p = pixels[y * 200 + x];
      if (p == 0x0000FFu) continue;
      ++inked;
      EXPECT_EQ(p & 0xFFFF00u, 0u) << x << "," << y;  // black blended over blue only
      EXPECT_TRUE(y >= 28 && y < 44 && x >= 20 && x < 70) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 30);
  textFont(0);
  textSize(12);
  EXPECT_EQ(port.drawing.font, pf::stockFont(pf::StockFont::System));
}

TEST_F(GdiOutputTest, ThumbnailsAndSkippedCopies) {
  ASSERT_EQ(setUp(16, 1.0), QX_OK);
  uint8_t thumbnail[1024];
  ASSERT_TRUE(pictureThumbnail(thumbnail, nullptr));
  EXPECT_TRUE(std::all_of(thumbnail, thumbnail + 1024, [](uint8_t b) { return b == 0; }));
  MemHandle picture = render::newPixelMap(16, Rect16{0, 0, 64, 64}, nullptr, true);
  render::PixelMap* map = render::pixelMapOf(picture);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint16_t p = y < 32 ? 0x7C00 : 0x001F;  // red above, blue below
      std::memcpy(static_cast<uint8_t*>(map->baseAddr) + y * render::rowBytesOf(*map) + x * 2, &p, 2);
    }
  }
  ASSERT_TRUE(pictureThumbnail(thumbnail, picture));
  EXPECT_EQ(thumbnail[0], 35);            // red in the default table
  EXPECT_EQ(thumbnail[31 * 32 + 31], 210);  // blue
  render::disposePixelMap(picture);

  // Without memory for the bitmap header the copy is skipped.
  pf::Window* window = make(64, 48);
  pf::DeviceContext* dc = pf::getDC(window);
  render::fillBuffer(render::frameDescriptor(frame), 0x7FFF);
  {
    ScopedAllocationFailure failing(0);
    EXPECT_FALSE(drawMapToDC(frame.framePixelMap, frame.layoutCode, dc, frame.bounds, Rect16{0, 0, 48, 64}));
  }
  EXPECT_EQ(pf::getPixel(dc, 5, 5), pf::rgbColor(0, 0, 0));
  EXPECT_FALSE(drawMapToDC(nullptr, 0, dc, frame.bounds, Rect16{0, 0, 48, 64}));
  EXPECT_FALSE(drawMapToDC(frame.framePixelMap, frame.layoutCode, nullptr, frame.bounds, Rect16{0, 0, 48, 64}));
  pf::releaseDC(window, dc);
}

}  // namespace
}  // namespace quorix::display
