#include <gtest/gtest.h>

#include "common/json.h"

namespace quorix {
namespace {

TEST(Json, RoundTripsDocumentsKeepingMemberOrder) {
  const char* text =
      R"({"z": 1, "a": [true, false, null, -5, 2.5, "s\"\\\n\u00e9"], "m": {"k": []}})";
  std::string error;
  std::optional<Json> value = Json::parse(text, &error);
  ASSERT_TRUE(value) << error;
  EXPECT_EQ((*value).members()[0].first, "z");
  EXPECT_EQ((*value)["a"][3].asInteger(), -5);
  EXPECT_TRUE((*value)["a"][3].isInteger());
  EXPECT_DOUBLE_EQ((*value)["a"][4].asReal(), 2.5);
  EXPECT_EQ((*value)["a"][5].asString(), "s\"\\\n\xC3\xA9");
  EXPECT_TRUE((*value)["missing"].isNull());
  EXPECT_TRUE((*value)["a"][99].isNull());

  for (int indent : {-1, 2}) {
    std::optional<Json> again = Json::parse(value->dump(indent));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *value);
  }
  EXPECT_EQ(Json::object({{"b", 1}, {"a", Json::array({1, "x"})}}).dump(),
            R"({"b": 1, "a": [1, "x"]})");
}

TEST(Json, NumbersKeepIntegersExactAndRealsShort) {
  EXPECT_EQ(Json(4294967295u).dump(), "4294967295");
  EXPECT_EQ(Json(-2147483648LL).dump(), "-2147483648");
  EXPECT_EQ(Json(0.1).dump(), "0.1");
  EXPECT_EQ(Json(120.0).dump(), "120");
  EXPECT_EQ(Json::parse("1e3")->asReal(), 1000.0);
  EXPECT_TRUE(Json::parse("12345678901234")->isInteger());
}

TEST(Json, MalformedTextIsRefusedWithItsLine) {
  struct Case {
    const char* text;
  } cases[] = {{""},         {"{"},          {"[1,]"},       {"{\"a\" 1}"},   {"\"open"},
               {"tru"},      {"01x"},        {"[1] 2"},      {"\"\\q\""},     {"{\"a\":1,}"},
               {"-"},        {"\"\\u12\""},  {"\"tab\there\""}};
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Json::parse(c.text, &error)) << c.text;
    EXPECT_NE(error.find("line"), std::string::npos) << c.text;
  }
  std::string deep(10000, '[');
  EXPECT_FALSE(Json::parse(deep));
  std::string error;
  EXPECT_FALSE(Json::parse("{\n\n  \"a\": ?}", &error));
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
}

TEST(Json, SetReplacesInPlace) {
  Json object = Json::object({{"a", 1}, {"b", 2}});
  object.set("a", "one");
  EXPECT_EQ(object.dump(), R"({"a": "one", "b": 2})");
  EXPECT_EQ(object.size(), 2u);
}

}  // namespace
}  // namespace quorix
