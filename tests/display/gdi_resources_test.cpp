#include <gtest/gtest.h>

#include "display/gdi_resources.h"
#include "platform/window/memory/memory_window_backend.h"
#include "tests/support/png_writer.h"
#include "tests/support/test_windows.h"
#include "ui/color_table_resource.h"
#include "ui/image_resources.h"

namespace quorix::display {
namespace {

namespace pf = quorix::platform;

class GdiResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { screen.screenInfo = {800, 600, 32}; }
  pf::Window* make(int32_t width, int32_t height) { return windows.make(width, height); }
  std::vector<uint32_t> shown(pf::Window* window) { return testing::TestWindows::shown(window); }

  pf::MemoryWindowBackend screen;
  pf::ScopedWindowBackend scope{screen};
  testing::TestWindows windows;
};

TEST_F(GdiResourcesTest, SplashDrawsAtItsSizeOrStretchedWithItsOwnPalette) {
  BitmapResource splash;
  ASSERT_TRUE(splash.load(ui::kSplashBitmapId));
  EXPECT_EQ(splash.width(), ui::kSplashWidth);
  EXPECT_EQ(splash.height(), ui::kSplashHeight);
  ASSERT_NE(splash.palette(), nullptr);
  EXPECT_EQ(splash.palette()->entries.size(), 256u);

  pf::Window* window = make(ui::kSplashWidth, ui::kSplashHeight + 18);
  pf::DeviceContext* dc = pf::getDC(window);
  splash.draw(dc, 0, 0);
  pf::releaseDC(window, dc);
  std::vector<uint32_t> own = shown(window);
  testing::writePng(testing::picturePath("splash.png"), own, ui::kSplashWidth, ui::kSplashHeight + 18);
  int coloured = 0;
  for (uint32_t p : own) coloured += p != 0;
  EXPECT_GT(coloured, ui::kSplashWidth * ui::kSplashHeight / 4);

  // Stretched to twice its width, each column is repeated; with stretching suppressed it
  // draws at its own size whatever the rectangle.
  pf::Window* wide = make(2 * ui::kSplashWidth, ui::kSplashHeight);
  dc = pf::getDC(wide);
  splash.draw(dc, pf::WinRect{0, 0, 2 * ui::kSplashWidth, ui::kSplashHeight});
  pf::releaseDC(wide, dc);
  std::vector<uint32_t> stretched = shown(wide);
  for (int x = 0; x < ui::kSplashWidth; x += 37) {
    EXPECT_EQ(stretched[50 * 2 * ui::kSplashWidth + 2 * x], own[50 * ui::kSplashWidth + x]);
    EXPECT_EQ(stretched[50 * 2 * ui::kSplashWidth + 2 * x + 1], own[50 * ui::kSplashWidth + x]);
  }
  setBitmapStretchSuppressed(true);
  pf::Window* other = make(2 * ui::kSplashWidth, ui::kSplashHeight);
  dc = pf::getDC(other);
  splash.draw(dc, pf::WinRect{0, 0, 2 * ui::kSplashWidth, ui::kSplashHeight});
  pf::releaseDC(other, dc);
  setBitmapStretchSuppressed(false);
  std::vector<uint32_t> unstretched = shown(other);
  EXPECT_EQ(unstretched[50 * 2 * ui::kSplashWidth + 100], own[50 * ui::kSplashWidth + 100]);
  EXPECT_EQ(unstretched[50 * 2 * ui::kSplashWidth + ui::kSplashWidth + 10], 0u);

  BitmapResource missing;
  EXPECT_FALSE(missing.load(301));
  EXPECT_TRUE(missing.empty());
  dc = pf::getDC(other);
  missing.draw(dc, 0, 0);  // nothing
  pf::releaseDC(other, dc);
}

TEST_F(GdiResourcesTest, IconsBecomeBlocksOfDefaultTableIndexes) {
  uint8_t block[1024];
  std::vector<uint32_t> sheet(10 * 34 * 34, 0x808080);
  const std::vector<uint8_t>& table = *ui::colorTableResource(ui::kDefaultColorTableId);
  for (int i = 0; i < 10; ++i) {
    int id = i < 9 ? ui::kFirstEffectIconId + i : ui::kDefaultIconId;
    iconToPixels(block, id);
    EXPECT_EQ(block[0], 0) << id;            // the transparent corner stays index 0
    EXPECT_NE(block[16 * 32 + 3], 0) << id;  // the badge
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const uint8_t* entry = table.data() + 8 + block[y * 32 + x] * 8;
        sheet[(y + 1) * 340 + i * 34 + x + 1] = (entry[2] << 16) | (entry[4] << 8) | entry[6];
      }
    }
  }
  testing::writePng(testing::picturePath("icons.png"), sheet, 340, 34);
  iconToPixels(block, 4242);
  EXPECT_TRUE(std::all_of(block, block + 1024, [](uint8_t b) { return b == 0; }));
  // Rows come top row first: a mark only in the icon's top row shows in the block's first row.
  pf::Icon topRow;
  topRow.width = topRow.height = 32;
  topRow.pixels.assign(1024, 0);
  for (int x = 0; x < 32; ++x) topRow.pixels[x] = 0xFF000000u;  // opaque black
  iconToPixels(block, &topRow);
  EXPECT_EQ(block[5], 255);
  EXPECT_EQ(block[32 + 5], 0);
}

TEST(ColorTablePalettes, PalettesAndHeadersCarryTheTablesColours) {
  std::shared_ptr<pf::Palette> palette = paletteFromColorTable(8);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->version, 0x300);
  ASSERT_EQ(palette->entries.size(), 256u);
  EXPECT_EQ(palette->entries[0].red, 255);   // white
  EXPECT_EQ(palette->entries[255].red, 0);   // black
  EXPECT_EQ(palette->entries[35].red, 255);  // red
  EXPECT_EQ(palette->entries[35].green, 0);
  EXPECT_EQ(paletteFromColorTable(152), nullptr);
  pf::BitmapInfo info;
  ASSERT_TRUE(dibHeaderFromColorTable(151, 32, 16, info));
  EXPECT_EQ(info.header.width, 32);
  EXPECT_EQ(info.header.height, -16);
  EXPECT_EQ(info.header.bitCount, 8);
  EXPECT_EQ(info.colors[35].red, 255);
  EXPECT_EQ(info.colors[35].blue, 0);
  EXPECT_FALSE(dibHeaderFromColorTable(152, 32, 16, info));
}

}  // namespace
}  // namespace quorix::display
