#include <gtest/gtest.h>

#include "common/cp1252.h"

namespace quorix {
namespace {

TEST(Cp1252, ConvertsTheHighHalfBothWays) {
  struct Case {
    std::string bytes, utf8;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xE9", "caf\xC3\xA9"},             // é
      {"\x80 5", "\xE2\x82\xAC 5"},           // euro sign
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"\x81", "\xC2\x81"},                   // undefined byte: the C1 control
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp1252ToUtf8(c.bytes), c.utf8);
    EXPECT_EQ(utf8ToCp1252(c.utf8), c.bytes);
  }
}

TEST(Cp1252, UnmappableOrMalformedTextBecomesQuestionMarks) {
  EXPECT_EQ(utf8ToCp1252("\xE6\x97\xA5"), "?");     // a CJK character
  EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");           // truncated sequence
  EXPECT_EQ(utf8ToCp1252("\xFF" "b"), "?b");        // invalid lead byte
  EXPECT_EQ(utf8ToCp1252("\xC3(x"), "?(x");         // bad continuation
}

}  // namespace
}  // namespace quorix
