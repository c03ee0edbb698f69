#include <gtest/gtest.h>

#include "common/color_table.h"
#include "common/memory.h"
#include "plugin_sdk/status_codes.h"

namespace quorix {
namespace {

TEST(ColorTable, BigEndianBytesRoundTripThroughHostOrder) {
  const uint8_t bytes[] = {0, 0, 0x0F, 0xC4, 0x80, 0x00, 0x00, 0x01,   // seed 4036, flags, size 1
                           0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // white
                           0, 1, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  MemHandle table = colorTableFromBigEndian(bytes, sizeof bytes);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(colorTableCount(table), 2);
  const auto* header = static_cast<const ColorTableHeader*>(table->data);
  EXPECT_EQ(header->seed, 4036u);
  EXPECT_EQ(header->flags, 0x8000u);
  EXPECT_EQ(colorTableEntries(table)[1].red, 0x1234u);
  EXPECT_EQ(colorTableEntries(table)[1].blue, 0x9ABCu);
  std::vector<uint8_t> back = colorTableToBigEndian(table);
  EXPECT_EQ(back, std::vector<uint8_t>(bytes, bytes + sizeof bytes));
  disposeHandle(table);
}

TEST(ColorTable, ShortOrNegativeTablesAreSafe) {
  // A table that claims 256 entries but holds one: the others read as zero.
  std::vector<uint8_t> shortTable = {0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 1, 1, 2, 2, 3, 3};
  MemHandle table = colorTableFromBigEndian(shortTable.data(), shortTable.size());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(colorTableCount(table), 256);
  EXPECT_EQ(colorTableEntries(table)[0].red, 0x0101u);
  EXPECT_EQ(colorTableEntries(table)[255].blue, 0u);
  disposeHandle(table);

  std::vector<uint8_t> none = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};  // size -1: no entries
  table = colorTableFromBigEndian(none.data(), none.size());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(colorTableCount(table), 0);
  EXPECT_EQ(colorTableToBigEndian(table), none);
  disposeHandle(table);

  EXPECT_EQ(colorTableFromBigEndian(none.data(), 7), nullptr);
  EXPECT_EQ(colorTableCount(nullptr), 0);
  ScopedAllocationFailure failing(0);
  EXPECT_EQ(colorTableFromBigEndian(none.data(), none.size()), nullptr);
  EXPECT_EQ(memoryError(), QX_ERR_MEMORY);
}

}  // namespace
}  // namespace quorix
