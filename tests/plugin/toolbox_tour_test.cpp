// A real plug-in library reaches every toolbox slot through procedure 257.
#include <gtest/gtest.h>

#include <cstring>

#include "document/synth_document.h"
#include "document/synth_list.h"
#include "platform/dynamic_library.h"
#include "plugin/host_environment.h"
#include "plugin/host_toolbox.h"
#include "plugin_sdk/status_codes.h"
#include "render/pixel_map.h"
#include "tests/plugin/toolbox_tour.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog.h"
#include "ui/open_dialog_filters.h"

namespace quorix::plugin {
namespace {

TEST(ToolboxTour, APlugInCallsEverySlotThroughProcedure257) {
  platform::DynamicLibrary library;
  ASSERT_TRUE(library.open(std::string(TEST_PLUGIN_DIR) + "/toolbox_tour.kpl")) << library.error();
  auto entry = reinterpret_cast<PluginEntry>(library.symbol(QX_ENTRY_NAME));
  ASSERT_NE(entry, nullptr);

  testing::TempFolder folder;
  document::FileSpec spec;
  document::setFilePath(spec, folder.write("eight.bin", "QRXTOUR!"));
  int32_t synth = document::newSynth(folder / "tour.qrx");
  ASSERT_GE(synth, 0);
  Rect16 whole{0, 0, 2, 2};
  MemHandle picture = render::newPixelMap(32, whole, nullptr, true);
  for (int i = 0; i < 4; ++i) static_cast<uint32_t*>(render::pixelMapOf(picture)->baseAddr)[i] = 0x00336699;
  ui::openDialogFilters().clear();

  // The settings loop: check box 7 is hit (and toggled by the plug-in), a number is typed into
  // item 16, then Ok.
  ui::ScriptedDialogDriver driver;
  ui::ScopedDialogDriver scoped(driver);
  driver.hit(7);
  driver.hit(16, [](ui::Dialog& dialog) { dialog.setItemText(16, "777"); });
  driver.hit(1);

  ToolboxTour tour{};
  tour.fileSpec = &spec;
  tour.synth = synth;
  tour.pictureMap = picture;
  PluginCallBlock block{};
  block.selector = QX_SELECTOR_OPEN;
  block.argument = reinterpret_cast<intptr_t>(&tour);
  block.environment = &hostEnvironment();
  entry(&block);

  EXPECT_EQ(tour.toolbox, &hostToolbox());
  EXPECT_EQ(tour.toolboxAgain, tour.toolbox);
  EXPECT_EQ(tour.slotsCalled, (uint64_t{1} << QX_TOOLBOX_SLOT_COUNT) - 1);

  EXPECT_EQ(tour.newPtrMade, 1);
  EXPECT_EQ(tour.newHandleZeroed, 1);
  EXPECT_EQ(tour.handleSize, 8);
  EXPECT_EQ(tour.grownSize, 32);
  EXPECT_EQ(tour.grownDataIsHandleData, 1);
  EXPECT_EQ(tour.errorAfterCompact, QX_OK);
  EXPECT_EQ(tour.memoryReady, 1);
  EXPECT_GE(tour.freeMemory, 0);
  EXPECT_EQ(tour.duplicateEqual, 1);

  EXPECT_EQ(tour.newPortResult, 0);
  EXPECT_EQ(tour.portDesc.bitsPerPixel, 32u);
  EXPECT_EQ(tour.portWasCurrent, 1);
  EXPECT_EQ(tour.lockPixels, 1);
  uint32_t copied;
  std::memcpy(&copied, tour.copiedPixel, 4);
  EXPECT_EQ(copied & 0xFFFFFF, 0x336699u);
  EXPECT_EQ(tour.sameColorsCountZero, 1);

  EXPECT_EQ(tour.fileOpen, 1);
  EXPECT_EQ(tour.fileSize, 8);
  EXPECT_EQ(tour.firstRead, 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tour.firstBytes), 4), "QRXT");
  EXPECT_EQ(tour.secondRead, QX_ERR_SHORT_READ);
  ASSERT_EQ(ui::openDialogFilters().count(), 1);
  EXPECT_EQ(ui::openDialogFilters().filters()[0].first, "Tour File (*.TUR)");

  EXPECT_EQ(tour.dialogMade, 1);
  EXPECT_STREQ(tour.itemText, "250");
  EXPECT_EQ(tour.itemInteger, -42);
  EXPECT_DOUBLE_EQ(tour.itemFloat, 1.5);
  EXPECT_EQ(tour.checkBox, 1);
  EXPECT_EQ(tour.scrollValue, 50);
  EXPECT_EQ(tour.finalHit, 1);
  EXPECT_EQ(tour.checkBoxAfterLoop, 0);
  EXPECT_EQ(tour.typedInteger, 777);
  EXPECT_EQ(tour.controlValue, 10);
  EXPECT_EQ(tour.unknownKindIsNull, 1);
  EXPECT_EQ(tour.popupSelection, 3);
  EXPECT_EQ(tour.identity, 12345);
  EXPECT_EQ(driver.answered, 3);

  EXPECT_EQ(tour.blobId, 1);
  EXPECT_EQ(tour.blobFound, 1);
  EXPECT_EQ(tour.replaceResult, 0);
  EXPECT_EQ(tour.replacedFound, 1);
  EXPECT_EQ(tour.minusOne, -1);

  document::closeSynth(synth, false);
  render::disposePixelMap(picture);
  ui::openDialogFilters().clear();
}

}  // namespace
}  // namespace quorix::plugin
