// The plug-in as the engine sees it: the installed library, its entry point and its table.
#include <gtest/gtest.h>

#include <vector>

#include "platform/dynamic_library.h"
#include "plugin_sdk/quorix_plugin.h"

namespace quorix {
namespace {

class PulsefinderPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.open(QUORIX_STAGE_DIR "/pulsefinder.kpl")) << library.error();
    entry = reinterpret_cast<PluginEntry>(library.symbol(QX_ENTRY_NAME));
    ASSERT_NE(entry, nullptr);
  }

  intptr_t call(int32_t selector, intptr_t resultBefore = 0) {
    PluginCallBlock block{};
    block.selector = selector;
    block.result = resultBefore;
    EXPECT_EQ(entry(&block), 0);
    return block.result;
  }

  const BeatTrackerTable* table() {
    return reinterpret_cast<const BeatTrackerTable*>(call(QX_SELECTOR_SERVICE_TABLE));
  }

  platform::DynamicLibrary library;
  PluginEntry entry = nullptr;
};

TEST_F(PulsefinderPlugin, AnswersTheServiceSelectors) {
  EXPECT_EQ(call(QX_SELECTOR_IDENTIFY), intptr_t{QX_TYPE_SERVICE});
  EXPECT_EQ(call(QX_SELECTOR_SERVICE_ID), intptr_t{QX_SERVICE_BEAT_TRACKER});
  EXPECT_EQ(call(QX_SELECTOR_START_SERVICE, 77), 0);
  EXPECT_EQ(call(QX_SELECTOR_STOP_SERVICE, 77), 0);
  // Any other selector leaves the result as it was.
  for (int32_t selector : {0, 1, 2, 3, 4, 6, 11, 12, 256, 261, -1}) {
    EXPECT_EQ(call(selector, 1234), 1234) << selector;
  }
  PluginCallBlock* none = nullptr;
  EXPECT_EQ(entry(none), 0);
}

TEST_F(PulsefinderPlugin, ExportsOnlyItsEntryPoint) {
  EXPECT_EQ(library.symbol(QX_ENTRY_NAME_DECORATED), nullptr);
  EXPECT_EQ(library.symbol("_ZN6quorix11pulsefinder11BeatTracker4openEjj"), nullptr);
  EXPECT_EQ(library.symbol(QX_MEMORY_SERVICE_SLOT_NAME), nullptr);
}

TEST_F(PulsefinderPlugin, TheTableDrivesTheOneTracker) {
  const BeatTrackerTable* tracker = table();
  ASSERT_NE(tracker, nullptr);
  EXPECT_EQ(tracker, table());  // a static table: the same address every time
  EXPECT_EQ(tracker->header.version, QX_SERVICE_TABLE_VERSION);
  for (uint32_t word : tracker->header.reserved) EXPECT_EQ(word, 0u);
  ASSERT_NE(tracker->open, nullptr);
  ASSERT_NE(tracker->close, nullptr);
  ASSERT_NE(tracker->process, nullptr);

  std::vector<int8_t> block(2048, 0);
  EXPECT_EQ(tracker->process(block.data(), 0), 0u);  // not open yet
  EXPECT_NE(tracker->open(0, 1024), 0);
  EXPECT_NE(tracker->open(44100, 0), 0);
  EXPECT_EQ(tracker->process(block.data(), 23), 0u);

  ASSERT_EQ(tracker->open(44100, 1024), 0);
  // Silence still gives beats at the starting tempo: 568 ms.
  uint32_t beat = 0;
  for (uint32_t t = 0; t < 10000 && beat == 0; t += 23) beat = tracker->process(block.data(), t);
  EXPECT_EQ(beat, (568u << 16) | 1u);
  tracker->close();
  EXPECT_EQ(tracker->process(block.data(), 10023), 0u);
  tracker->close();
}

}  // namespace
}  // namespace quorix
