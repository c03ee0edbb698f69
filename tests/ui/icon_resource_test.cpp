#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "ui/icon_resource.h"

namespace quorix::ui {
namespace {

TEST(IconResource, TheLibraryHasTenDistinctIconsAndNoOthers) {
  std::set<std::string> pictures;
  for (int id = kInternalEffectIconFirst; id < kInternalEffectIconFirst + kInternalEffectIconCount; ++id) {
    const uint8_t* icon = iconResource(id);
    ASSERT_NE(icon, nullptr) << id;
    pictures.insert(std::string(reinterpret_cast<const char*>(icon), kIconBytes));
  }
  const uint8_t* plugin = iconResource(kDefaultPluginIconId);
  ASSERT_NE(plugin, nullptr);
  pictures.insert(std::string(reinterpret_cast<const char*>(plugin), kIconBytes));
  EXPECT_EQ(pictures.size(), 10u);
  // Each is framed in black (the last entry of the default colour table).
  for (const std::string& icon : pictures) {
    EXPECT_EQ(static_cast<uint8_t>(icon[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(icon[kIconBytes - 1]), 255);
  }
  for (int id : {0, 128, 999, 1009, 1999, 2001}) EXPECT_EQ(iconResource(id), nullptr) << id;
}

}  // namespace
}  // namespace quorix::ui
