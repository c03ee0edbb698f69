#include <gtest/gtest.h>

#include <array>

#include "common/counted_string.h"

namespace quorix {
namespace {

TEST(CountedString, RoundTripsAndCutsToTheField) {
  std::array<uint8_t, 8> field{};
  writeCountedString(field.data(), field.size(), "Kick");
  EXPECT_EQ(field[0], 4);
  EXPECT_EQ(readCountedString(field.data(), field.size()), "Kick");

  writeCountedString(field.data(), field.size(), "A long name");
  EXPECT_EQ(field[0], 7);  // size - 1 characters fit
  EXPECT_EQ(readCountedString(field.data(), field.size()), "A long ");
}

TEST(CountedString, LengthByteBeyondTheFieldIsClamped) {
  std::array<uint8_t, 4> field = {200, 'a', 'b', 'c'};
  EXPECT_EQ(readCountedString(field.data(), field.size()), "abc");
  EXPECT_EQ(readCountedString(field.data(), 0), "");
}

TEST(FixedString, UnterminatedFieldsStopAtTheirEnd) {
  char field[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(readFixedString(field, sizeof field), "abcd");
  writeFixedString(field, sizeof field, "xyz123");
  EXPECT_EQ(std::string(field, 4), std::string("xyz\0", 4));
}

}  // namespace
}  // namespace quorix
