// File-I/O plug-ins as picture importers: the registry's order, every operation reaching the
// plug-in through the toolbox's call block, and pictures of the plug-in's format decoded by it.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/fourcc.h"
#include "media/pictures.h"
#include "plugin/file_importer.h"
#include "plugin/host_environment.h"
#include "plugin/host_toolbox.h"
#include "tests/media/media_fixture.h"
#include "ui/open_dialog_filters.h"

namespace quorix::media {
namespace {

// The record the test importer keeps of its calls (tests/media/test_importer.c).
struct ImporterLog {
  int32_t calls;
  int32_t selector;
  PluginCallBlock* block;
  Rect16 frame;
  void* destination;
  MemHandle picture;
  char path[256];
  int32_t filters;
};

class FileImporterTest : public MediaTest {
 protected:
  FileImporterTest() {
    std::filesystem::copy_file(TEST_IMPORTER, plugins / "timg.kpl");
    plugin::PluginManagerOptions options;
    options.folder = plugins.path();
    manager = plugin::PluginManager::create(options);
  }
  ~FileImporterTest() override { importerRegistry().clear(); }

  ImporterLog& log() {
    void** slot = plugin::dataSlot(*manager->importers().head, "importerLog");
    EXPECT_NE(slot, nullptr);
    return *static_cast<ImporterLog*>(*slot);
  }

  testing::TempFolder plugins;
  plugin::PluginManager::Pointer manager;
};

TEST_F(FileImporterTest, PlugInsFollowTheBuiltInImportersAndAreCalledThroughTheToolboxBlock) {
  ASSERT_NE(manager, nullptr);
  ASSERT_EQ(manager->importers().count, 1);
  ASSERT_TRUE(plugin::buildImporterRegistry(manager.get(), true));
  ImporterRegistry& registry = importerRegistry();
  ASSERT_EQ(registry.size(), 3u);
  EXPECT_EQ(registry.at(0)->format(), kQuickDrawFormat);
  EXPECT_EQ(registry.at(1)->format(), kBitmapFormat);
  EXPECT_EQ(registry.at(2)->format(), fourcc("TIMG"));
  EXPECT_EQ(log().selector, QX_SELECTOR_IMPORT_TYPE);
  EXPECT_EQ(log().block, &plugin::hostToolbox().importerBlock);
  EXPECT_EQ(plugin::hostToolbox().importerBlock.environment, &plugin::hostEnvironment());

  ASSERT_TRUE(plugin::buildImporterRegistry(manager.get(), false));
  EXPECT_EQ(registry.size(), 2u);
  EXPECT_EQ(registry.at(0)->format(), kBitmapFormat);

  EXPECT_EQ(registry.acceptsType(fourcc("TIM ")), fourcc("TIMG"));
  EXPECT_EQ(registry.acceptsType(fourcc("JPEG")), 0u);
  ui::openDialogFilters().clear();
  registry.addFileFilters();
  EXPECT_EQ(log().filters, 1);

  PictureImporter* importer = registry.find(fourcc("TIMG"));
  ASSERT_NE(importer, nullptr);
  MemHandle loaded = importer->loadFile("/some/where/picture.tim");
  EXPECT_STREQ(log().path, "/some/where/picture.tim");
  Rect16 bounds{9, 9, 9, 9};
  EXPECT_TRUE(importer->getBounds(loaded, &bounds));
  EXPECT_EQ(rectText(bounds), "0,0,3,5");
  MemHandleRecord foreign{const_cast<char*>("JUNKJUNK"), 8};
  EXPECT_FALSE(importer->getBounds(&foreign, &bounds));
  EXPECT_EQ(rectText(bounds), "0,0,0,0");
}

TEST_F(FileImporterTest, PicturesOfThePlugInsFormatAreDrawnByIt) {
  ASSERT_TRUE(plugin::buildImporterRegistry(manager.get(), true));
  const int32_t synth = makeSynth();
  const Rect16 bounds{0, 0, 3, 5};
  const int32_t picture = addPicture(synth, "t", std::string("TIMG\0\5\0\3", 8), fourcc("TIMG"), bounds);
  render::OffscreenPort* port = getPicture(synth, picture);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(log().selector, QX_SELECTOR_IMPORT_DRAW);
  EXPECT_EQ(log().block, &plugin::hostToolbox().importerBlock);
  EXPECT_EQ(log().destination, port);
  EXPECT_EQ(rectText(log().frame), "0,0,3,5");
  ASSERT_EQ(rectText(portBounds(port)), "0,0,3,5");
  const int pixelSize = render::pixelMapOf(port->pixMap)->pixelSize;
  const uint32_t filled = pixelSize == 8 ? 0x42u : pixelSize == 16 ? 0x4242u : 0x42424242u;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(port, x, y), filled) << x << "," << y;
  }
  EXPECT_EQ(document::pictureEntry(synth, picture)->data, nullptr);  // the data is freed after drawing
}

TEST(ImporterRegistry, AnImporterThatCannotBeMadeLeavesTheRegistryEmpty) {
  std::vector<std::unique_ptr<PictureImporter>> plugins;
  plugins.push_back(makeBitmapImporter());
  plugins.push_back(nullptr);
  EXPECT_FALSE(importerRegistry().build(true, std::move(plugins)));
  EXPECT_EQ(importerRegistry().size(), 0u);
  EXPECT_EQ(importerRegistry().find(kBitmapFormat), nullptr);
}

}  // namespace
}  // namespace quorix::media
