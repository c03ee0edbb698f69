#include <gtest/gtest.h>

#include "document/document_host.h"
#include "document/visual_library.h"
#include "tests/document/synth_test_support.h"

namespace quorix::document {
namespace {

class VisualLibraryTest : public SynthTest {
 protected:
  VisualLibrary library;
  std::string base = temp.makeFolder("base");
  std::string visuals = temp.makeFolder("visuals");

  // The listed paths, relative to the temporary folder.
  std::vector<std::string> listed() {
    std::vector<std::string> out;
    for (int i = 0; i < library.visualCount; ++i) {
      out.push_back(filePath(library.list[i].spec).substr(temp.path().size() + 1));
    }
    return out;
  }
  std::string currentName() {
    return library.currentSynth >= 0 ? nameOf(synthSlot(library.currentSynth)->name) : "<none>";
  }
};

TEST_F(VisualLibraryTest, ABaseFolderWithSeventyVisualsFillsTheListAlone) {
  for (int i = 0; i < 70; ++i) temp.write("base/v" + std::to_string(i) + ".qrx", "");
  temp.write("visuals/other.qrx", "");
  library.scanVisuals(base, visuals);
  EXPECT_EQ(library.visualCount, 60);
  for (const std::string& path : listed()) EXPECT_EQ(path.rfind("base/", 0), 0u) << path;
}

TEST_F(VisualLibraryTest, TheVisualsFolderFillsTheRoomThatIsLeft) {
  temp.write("base/one.qrx", "");
  temp.write("base/notes.txt", "");
  temp.write("base/sub/deep/three.QRX", "");
  temp.write("base/sub/two.qrx", "");
  temp.write("visuals/four.Qrx", "");
  library.scanVisuals(base, visuals);
  EXPECT_EQ(listed(), (std::vector<std::string>{"base/one.qrx", "base/sub/two.qrx",
                                                "base/sub/deep/three.QRX", "visuals/four.Qrx"}));
  library.scanVisuals(base, "");
  EXPECT_EQ(library.visualCount, 3);
  EXPECT_EQ(library.list[0].spec.lengthWord, (temp / "base/one.qrx").size() * 257);

  // Paths too long for an entry are left out.
  std::string deep = "visuals/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  temp.write(deep + "/far.qrx", "");
  library.scanVisuals(visuals, "");
  EXPECT_EQ(listed(), std::vector<std::string>{"visuals/four.Qrx"});
}

TEST_F(VisualLibraryTest, LoadingAdvancesThroughTheListAndWraps) {
  for (const char* name : {"a.qrx", "b.qrx", "c.qrx"}) {
    testing::writeRichSynth(base + "/" + name);
  }
  library.scanVisuals(base, "");
  ASSERT_EQ(library.visualCount, 3);
  std::vector<std::string> names;
  for (int i = 0; i < 4; ++i) {
    ASSERT_GE(library.loadNextVisual(), 0);
    names.push_back(currentName());
    EXPECT_EQ(synthList().count(), 1);  // one visual open at a time
  }
  // The listing order is the system's: whatever it is, the fourth wraps to the first.
  EXPECT_EQ(names[3], names[0]);
  EXPECT_NE(names[0], names[1]);
  EXPECT_EQ(library.currentVisual, 0);

  // An entry given names the visual to open.
  VisualEntry entry{};
  setFilePath(entry.spec, base + "/b.qrx");
  ASSERT_GE(library.loadNextVisual(&entry), 0);
  EXPECT_EQ(currentName(), "b.qrx");
  EXPECT_EQ(synthList().count(), 1);
}

TEST_F(VisualLibraryTest, DamagedVisualsAreReportedAndSkipped) {
  temp.write("base/damaged.qrx", std::string(100, 'x'));
  library.scanVisuals(base, "");
  EXPECT_EQ(library.loadNextVisual(), -1);
  EXPECT_EQ(library.currentVisual, -1);
  EXPECT_EQ(library.currentSynth, -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{openFailure(-5007)});

  testing::writeRichSynth(base + "/good.qrx");
  library.scanVisuals(base, "");
  ASSERT_EQ(library.visualCount, 2);
  EXPECT_GE(library.loadNextVisual(), 0);
  EXPECT_EQ(currentName(), "good.qrx");
  EXPECT_LE(takeAlerts().size(), 1u);
}

TEST_F(VisualLibraryTest, AnEmptyListOpensNothingAndAsksNothing) {
  library.scanVisuals(base, visuals);
  EXPECT_EQ(library.loadNextVisual(), -1);
  EXPECT_EQ(library.currentVisual, -1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
}

TEST_F(VisualLibraryTest, ClosingTheCurrentVisualDropsItsChangesWithoutAsking) {
  struct Host : DocumentHost {
    bool running = true;
    int closed = 0;
    std::vector<std::string> opened;
    bool engineRunning() override { return running; }
    void synthOpened(const std::string& path) override { opened.push_back(path); }
    void currentVisualClosed() override { ++closed; }
  } host;
  ScopedDocumentHost scoped(host);
  std::string path = testing::writeRichSynth(base + "/only.qrx");
  std::string bytes = testing::readFile(path);
  library.scanVisuals(base, "");
  ASSERT_EQ(library.loadNextVisual(), 0);
  EXPECT_EQ(host.opened, std::vector<std::string>{path});
  synthSlot(0)->modified = 1;
  library.closeCurrentVisual();
  EXPECT_EQ(synthList().count(), 0);
  EXPECT_EQ(library.currentSynth, -1);
  EXPECT_EQ(host.closed, 1);
  EXPECT_EQ(takeAlerts(), std::vector<std::string>{});
  EXPECT_EQ(testing::readFile(path), bytes);
  // Closing again closes nothing, even when another Synth now has index 0.
  ASSERT_EQ(openSynth(path, true), 0);
  library.closeCurrentVisual();
  EXPECT_EQ(synthList().count(), 1);
}

}  // namespace
}  // namespace quorix::document
