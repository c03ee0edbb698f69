#include <gtest/gtest.h>

#include <string>

#include "ui/open_dialog_filters.h"

namespace quorix::ui {
namespace {

// The list's bytes up to and including the zero after `used`.
std::string listBytes(const FileFilterList& list) {
  return std::string(list.data(), static_cast<size_t>(list.used()) + 2);
}

TEST(OpenDialogFilters, FiltersFollowEachOtherAndTheListEndsWithTwoZeros) {
  FileFilterList list;
  EXPECT_EQ(list.used(), 0);
  list.add("Mac Pict File (*.PCT)", "*.PCT");
  EXPECT_EQ(list.used(), 27);
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(listBytes(list), std::string("Mac Pict File (*.PCT)\0*.PCT\0\0", 29));

  list.add("Bitmap (*.BMP)", "*.BMP");
  EXPECT_EQ(list.used(), 27 + 14 + 5 + 2);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(listBytes(list),
            std::string("Mac Pict File (*.PCT)\0*.PCT\0Bitmap (*.BMP)\0*.BMP\0\0", 50));
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(list.filters(), (std::vector<Pair>{{"Mac Pict File (*.PCT)", "*.PCT"},
                                                {"Bitmap (*.BMP)", "*.BMP"}}));
}

TEST(OpenDialogFilters, AFilterThatWouldReachTheEndIsDropped) {
  // After the first filter used is 27; a second filter fits while 27 + d + p + 3 < 512.
  struct Case {
    size_t descriptionLength;
    size_t patternLength;
    bool added;
  } cases[] = {
      {470, 11, true},   // 27 + 481 + 3 = 511
      {470, 12, false},  // = 512
      {600, 1, false},
      {0, 0, true},
  };
  for (const Case& c : cases) {
    FileFilterList list;
    list.add("Mac Pict File (*.PCT)", "*.PCT");
    std::string description(c.descriptionLength, 'd');
    std::string pattern(c.patternLength, 'p');
    list.add(description.c_str(), pattern.c_str());
    SCOPED_TRACE(c.descriptionLength + c.patternLength);
    EXPECT_EQ(list.count(), c.added ? 2 : 1);
    int32_t used = c.added ? static_cast<int32_t>(27 + c.descriptionLength + c.patternLength + 2) : 27;
    EXPECT_EQ(list.used(), used);
    ASSERT_LT(static_cast<size_t>(used) + 1, FileFilterList::kCapacity);
    EXPECT_EQ(list.data()[used], 0);
    EXPECT_EQ(list.data()[used + 1], 0);
  }

  // A first filter is held to the same rule.
  FileFilterList list;
  std::string huge(509, 'x');
  list.add(huge.c_str(), "");
  EXPECT_EQ(list.count(), 0);
  list.add(huge.c_str() + 1, "");
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(list.used(), 509);
  list.add(nullptr, "*.X");
  EXPECT_EQ(list.count(), 1);
}

}  // namespace
}  // namespace quorix::ui
