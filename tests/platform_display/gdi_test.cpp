#include <gtest/gtest.h>

#include <cstring>

#include "platform/font/font.h"
#include "platform/window/memory/memory_window_backend.h"
#include "platform/window/window.h"
#include "tests/support/test_windows.h"

namespace quorix::platform {
namespace {

// A device-independent bitmap made from colours 0x00RRGGBB given top row first.
struct Dib {
  BitmapInfo info{};
  std::vector<uint8_t> bits;

  Dib(int width, int height, int bitCount, bool topDown, const std::vector<uint32_t>& colours,
      const uint32_t* masks = nullptr, int rowPadding = 0) {
    info.header.width = width + rowPadding;
    info.header.height = topDown ? -height : height;
    info.header.bitCount = static_cast<uint16_t>(bitCount);
    info.header.compression = masks != nullptr ? kBiBitfields : kBiRgb;
    if (masks != nullptr) std::memcpy(static_cast<void*>(info.colors), masks, 12);
    int stride = dibRowBytes(width + rowPadding, bitCount);
    bits.assign(static_cast<size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
      uint8_t* row = bits.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
      for (int x = 0; x < width; ++x) {
        uint32_t c = colours[static_cast<size_t>(y) * width + x];
        uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (bitCount == 8) {
          // The colour table holds the colours in order; the pixel is its index.
          int index = y * width + x;
          info.colors[index] = {static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                                static_cast<uint8_t>(r), 0};
          row[x] = static_cast<uint8_t>(index);
        } else if (bitCount == 16) {
          bool is565 = masks != nullptr && masks[1] == 0x7E0;
          uint16_t p = is565 ? static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
                             : static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
          std::memcpy(row + 2 * x, &p, 2);
        } else {
          uint32_t p = c;
          std::memcpy(row + 4 * x, &p, 4);
        }
      }
    }
  }
};

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { backend.screenInfo = {800, 600, 32}; }
  Window* make(int32_t width, int32_t height) { return windows.make(width, height); }
  std::vector<uint32_t> shown(Window* window) { return testing::TestWindows::shown(window); }

  MemoryWindowBackend backend;
  ScopedWindowBackend scope{backend};
  testing::TestWindows windows;
};

// Colours exact in every format (5-bit channels with their low 3 bits equal to the high ones).
const std::vector<uint32_t> kFour = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

TEST_F(GdiTest, StretchDIBitsReadsEveryFormatAndRowOrder) {
  static const uint32_t k555[3] = {0x7C00, 0x3E0, 0x1F};
  static const uint32_t k565[3] = {0xF800, 0x7E0, 0x1F};
  struct Case {
    const char* name;
    int bitCount;
    const uint32_t* masks;
    bool topDown;
  } cases[] = {
      {"8-bit bottom-up", 8, nullptr, false},     {"8-bit top-down", 8, nullptr, true},
      {"16-bit plain 5-5-5", 16, nullptr, false}, {"16-bit 5-5-5 masks", 16, k555, true},
      {"16-bit 5-6-5 masks", 16, k565, false},    {"32-bit", 32, nullptr, true},
  };
  for (const Case& c : cases) {
    Window* window = make(2, 2);
    Dib dib(2, 2, c.bitCount, c.topDown, kFour, c.masks);
    DeviceContext* dc = getDC(window);
    setStretchBltMode(dc, kStretchColorOnColor);
    EXPECT_EQ(stretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.bits.data(), &dib.info.header,
                            kDibRgbColors, kSourceCopy), 2) << c.name;
    releaseDC(window, dc);
    EXPECT_EQ(shown(window), kFour) << c.name;
    destroyWindow(window);
  }
}

TEST_F(GdiTest, StretchRepeatsPixelsAndCountsSourceRowsFromTheBottom) {
  // 4 x 3 source, each pixel its own colour; only its lower-right 2 x 2 corner is copied,
  // doubled into 4 x 4.
  std::vector<uint32_t> colours;
  for (uint32_t i = 0; i < 12; ++i) colours.push_back(0x010101 * (i * 20));
  Dib dib(4, 3, 32, true, colours);
  Window* window = make(4, 4);
  DeviceContext* dc = getDC(window);
  // Rows 1 and 2 from the top are rows 0 and 1 from the bottom: ySrc 0.
  stretchDIBits(dc, 0, 0, 4, 4, 2, 0, 2, 2, dib.bits.data(), &dib.info.header, kDibRgbColors,
                kSourceCopy);
  releaseDC(window, dc);
  std::vector<uint32_t> pixels = shown(window);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      int sx = 2 + x / 2, sy = 1 + y / 2;
      EXPECT_EQ(pixels[y * 4 + x], colours[sy * 4 + sx]) << x << "," << y;
    }
  }
}

TEST_F(GdiTest, StretchDrawsNothingOutsideAndRefusesBadInput) {
  Window* window = make(8, 8);
  Dib dib(2, 2, 32, true, kFour);
  DeviceContext* dc = getDC(window);
  // Far larger than the window and partly off it: only the window's pixels change.
  EXPECT_EQ(stretchDIBits(dc, -30000, -30000, 60000, 60000, 0, 0, 2, 2, dib.bits.data(),
                          &dib.info.header, kDibRgbColors, kSourceCopy), 2);
  // A source rectangle beyond the bitmap reads nothing.
  stretchDIBits(dc, 0, 0, 8, 8, 5, 5, 2, 2, dib.bits.data(), &dib.info.header, kDibRgbColors,
                kSourceCopy);
  BitmapInfoHeader bad = dib.info.header;
  bad.bitCount = 12;
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 8, 8, 0, 0, 2, 2, dib.bits.data(), &bad, 0, kSourceCopy), 0);
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 8, 8, 0, 0, 2, 2, nullptr, &dib.info.header, 0, kSourceCopy), 0);
  EXPECT_EQ(stretchDIBits(nullptr, 0, 0, 8, 8, 0, 0, 2, 2, dib.bits.data(), &dib.info.header, 0,
                          kSourceCopy), 0);
  releaseDC(window, dc);
  std::vector<uint32_t> pixels = shown(window);
  // The window sees the middle of the huge picture: the source's lower-right pixel.
  EXPECT_EQ(pixels[0], 0xFFFFFFu);
  EXPECT_EQ(pixels[63], 0xFFFFFFu);
}

TEST_F(GdiTest, PaletteTargetsTakeTheNearestEntryAndCompatibleBitmapsFollowTheDesktop) {
  BitmapInfo info{};
  info.header.width = 4;
  info.header.height = 1;
  info.header.bitCount = 8;
  info.header.clrUsed = 3;
  info.colors[0] = {0, 0, 0, 0};
  info.colors[1] = {0, 0, 200, 0};  // red 200
  info.colors[2] = {255, 255, 255, 0};
  void* bits = nullptr;
  Bitmap* section = createDIBSection(nullptr, &info.header, &bits);
  ASSERT_NE(section, nullptr);
  DeviceContext* dc = createCompatibleDC(nullptr);
  selectBitmap(dc, section);
  Dib source(4, 1, 32, true, {0x000000, 0xFF0000, 0xEEEEEE, 0x101010});
  stretchDIBits(dc, 0, 0, 4, 1, 0, 0, 4, 1, source.bits.data(), &source.info.header, 0,
                kSourceCopy);
  auto* pixels = static_cast<uint8_t*>(bits);
  EXPECT_EQ((std::vector<int>{pixels[0], pixels[1], pixels[2], pixels[3]}),
            (std::vector<int>{0, 1, 2, 0}));
  deleteDC(dc);
  deleteBitmap(section);

  struct Desktop {
    int bits;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t greenMask;
  } desktops[] = {{15, 16, kBiBitfields, 0x3E0}, {16, 16, kBiBitfields, 0x7E0},
                  {32, 32, kBiRgb, 0}, {8, 8, kBiRgb, 0}};
  for (const Desktop& d : desktops) {
    backend.screenInfo.bitsPerPixel = d.bits;
    DeviceContext* screen = getScreenDC();
    Bitmap* one = createCompatibleBitmap(screen, 1, 1);
    BitmapInfo format{};
    ASSERT_NE(getDIBits(screen, one, 0, 1, nullptr, &format.header, 0), 0);
    EXPECT_EQ(format.header.bitCount, d.bitCount) << d.bits;
    EXPECT_EQ(format.header.compression, d.compression) << d.bits;
    uint32_t masks[3];
    std::memcpy(masks, static_cast<const void*>(format.colors), 12);
    if (d.compression == kBiBitfields) {
      EXPECT_EQ(masks[1], d.greenMask) << d.bits;
    }
    deleteBitmap(one);
    releaseDC(nullptr, screen);
  }
}

TEST_F(GdiTest, LinesLeaveOutTheirEndAndRectanglesOutlineAndFill) {
  Window* window = make(6, 6);
  DeviceContext* dc = getDC(window);
  selectPen(dc, Pen{PenStyle::Solid, 1, rgbColor(255, 0, 0)});
  moveTo(dc, 0, 0);
  lineTo(dc, 5, 0);
  EXPECT_EQ(getPixel(dc, 4, 0), rgbColor(255, 0, 0));
  EXPECT_EQ(getPixel(dc, 5, 0), rgbColor(0, 0, 0));
  EXPECT_EQ(currentPosition(dc).x, 5);
  selectBrush(dc, Brush{false, rgbColor(0, 0, 255)});
  rectangle(dc, 1, 1, 5, 5);
  EXPECT_EQ(getPixel(dc, 1, 1), rgbColor(255, 0, 0));  // outline
  EXPECT_EQ(getPixel(dc, 4, 4), rgbColor(255, 0, 0));
  EXPECT_EQ(getPixel(dc, 2, 2), rgbColor(0, 0, 255));  // inside
  EXPECT_EQ(getPixel(dc, 5, 5), rgbColor(0, 0, 0));    // right and bottom are exclusive
  selectBrush(dc, Brush{true, 0});
  selectPen(dc, Pen{PenStyle::Solid, 1, rgbColor(0, 255, 0)});
  rectangle(dc, 0, 0, 6, 6);
  EXPECT_EQ(getPixel(dc, 2, 2), rgbColor(0, 0, 255));  // a hollow brush leaves the inside
  EXPECT_EQ(getPixel(dc, 0, 3), rgbColor(0, 255, 0));
  EXPECT_EQ(getPixel(dc, 9, 9), 0xFFFFFFFFu);
  releaseDC(window, dc);
  EXPECT_EQ(shown(window)[3 * 6], 0x00FF00u);
}

TEST_F(GdiTest, TextDrawsInkInsideItsCellAndNothingWithoutAFont) {
  Window* window = make(120, 40);
  DeviceContext* dc = getDC(window);
  LogFont logFont;
  logFont.height = -16;
  logFont.faceName = "Arial";
  std::shared_ptr<GdiFont> font = createFont(logFont);
  ASSERT_EQ(font->font->status(), FontStatus::Ready);
  selectFont(dc, font);
  TextMetrics metrics;
  ASSERT_TRUE(getTextMetrics(dc, metrics));
  EXPECT_EQ(metrics.height, metrics.ascent + metrics.descent);
  EXPECT_GE(metrics.height, 16);
  int32_t width = 0, height = 0;
  ASSERT_TRUE(getTextExtent(dc, "Hi", 2, width, height));
  EXPECT_GT(width, 0);
  setTextColor(dc, rgbColor(255, 255, 255));
  setBackgroundMode(dc, kBackgroundTransparent);
  drawText(dc, "Hi", 2, WinRect{10, 5, 110, 35}, kDrawTextSingleLine);
  releaseDC(window, dc);
  std::vector<uint32_t> pixels = shown(window);
  int inked = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (pixels[y * 120 + x] == 0) continue;
      ++inked;
      EXPECT_TRUE(x >= 10 && x < 10 + width && y >= 5 && y < 5 + height) << x << "," << y;
    }
  }
  EXPECT_GT(inked, 20);

  ScopedFontSearchList none({});
  std::shared_ptr<GdiFont> missing = createFont(LogFont{-15, 0, 0, false, false, false, "Arial"});
  EXPECT_EQ(missing->font->status(), FontStatus::FileMissing);
  Window* other = make(50, 20);
  DeviceContext* otherDc = getDC(other);
  selectFont(otherDc, missing);
  setTextColor(otherDc, rgbColor(255, 255, 255));
  EXPECT_FALSE(getTextExtent(otherDc, "Hi", 2, width, height));
  textOut(otherDc, 0, 0, "Hi", 2);
  EXPECT_EQ(getPixel(otherDc, 5, 10), rgbColor(0, 0, 0));
  releaseDC(other, otherDc);
}

}  // namespace
}  // namespace quorix::platform
