#include <gtest/gtest.h>

#include "common/fourcc.h"
#include "plugin_sdk/quorix_plugin.h"

extern "C" FourCC sdkCServiceType(void);

namespace {

TEST(PluginSdk, FourCCsAreBigEndianCharacterOrder) {
  EXPECT_EQ(QX_TYPE_SERVICE, 0x53455256u);
  EXPECT_EQ(sdkCServiceType(), QX_TYPE_SERVICE);
  EXPECT_EQ(quorix::fourcc("BTRK"), QX_SERVICE_BEAT_TRACKER);
  EXPECT_EQ(quorix::fourccText(QX_TYPE_IMPORTER), "FI/O");
  char text[5];
  qxFourCCText(QX_FOURCC('T', 'A', 's', 'h'), text);
  EXPECT_STREQ(text, "TAsh");
}

TEST(PluginSdk, ToolboxHasFiftyEightSlotsAfterTheBlock) {
  constexpr size_t first = offsetof(HostToolbox, newPtr);
  constexpr size_t end = sizeof(HostToolbox);
  EXPECT_EQ((end - first) / sizeof(void*), size_t{QX_TOOLBOX_SLOT_COUNT});
}

}  // namespace
