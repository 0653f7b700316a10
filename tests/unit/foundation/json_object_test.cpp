#include "foundation/json_object.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonObject, ParseFailuresReportWhereTheParserStopped) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "prase json string error at "},
      {"{\"a\":", "prase json string error at "},
      {"{\"a\":tru}", "prase json string error at tru}"},
      {"{\"a\":[1,2,}]}", "prase json string error at }]}"},
      {"[1, 2, x]", "prase json string error at x]"},
  };
  for (const Case& c : cases) {
    CJsonObject json;
    EXPECT_FALSE(json.ParseText(c.text)) << c.text;
    EXPECT_EQ(json.GetErrorText(), c.error) << c.text;
  }
}

TEST(JsonObject, FailedParseKeepsThePreviousTree) {
  CJsonObject json("{\"a\":1}");
  EXPECT_FALSE(json.ParseText("{"));
  EXPECT_EQ(json.ToCompactText(), "{\"a\":1}");
}

TEST(JsonObject, BuildsCompactTextInInsertionOrder) {
  CJsonObject json;
  EXPECT_TRUE(json.AddMember("event", "a"));
  EXPECT_TRUE(json.AddMember("time", 1));
  EXPECT_EQ(json.ToCompactText(), "{\"event\":\"a\",\"time\":1}");
}

TEST(JsonObject, AddMemberNeverOverwrites) {
  CJsonObject json;
  ASSERT_TRUE(json.AddMember("k", "first"));
  EXPECT_FALSE(json.AddMember("K", "second"));  // keys match without case
  EXPECT_EQ(json.GetErrorText(), "key exists!");
  EXPECT_FALSE(json.AddEmptyArrayMember("k"));
  std::string value;
  ASSERT_TRUE(json.GetMember("k", value));
  EXPECT_EQ(value, "first");
}

TEST(JsonObject, KindMismatchesAreRefused) {
  CJsonObject array("[1,2]");
  EXPECT_FALSE(array.AddMember("k", "v"));
  EXPECT_EQ(array.GetErrorText(), "not a json object! json array?");
  CJsonObject object("{}");
  CJsonObject element("{\"x\":1}");
  EXPECT_FALSE(object.AppendElement(element));
  EXPECT_EQ(object.GetErrorText(), "not a json array! json object?");
  EXPECT_EQ(object.ToCompactText(), "{}");
}

TEST(JsonObject, IntegerMembersTruncateAndCheckRange) {
  CJsonObject json(
      "{\"f\":3.9,\"n\":-3.9,\"s\":\"3\",\"big\":4294967296,\"huge\":1e30,\"b\":true,\"z\":null}");
  int32_t i32 = 0;
  int64_t i64 = 0;
  EXPECT_TRUE(json.GetMember("f", i32));
  EXPECT_EQ(i32, 3);
  EXPECT_TRUE(json.GetMember("n", i32));
  EXPECT_EQ(i32, -3);
  EXPECT_FALSE(json.GetMember("s", i32));
  EXPECT_FALSE(json.GetMember("big", i32));
  EXPECT_TRUE(json.GetMember("big", i64));
  EXPECT_EQ(i64, 4294967296);
  EXPECT_FALSE(json.GetMember("huge", i64));
  EXPECT_FALSE(json.GetMember("missing", i64));
  bool flag = false;
  EXPECT_TRUE(json.GetMember("b", flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(json.IsNullMember("z"));
  EXPECT_FALSE(json.IsNullMember("b"));
  EXPECT_FALSE(json.IsNullMember("missing"));
}

TEST(JsonObject, LargeIntegersKeepEveryDigitAndSign) {
  CJsonObject json;
  const int64_t values[] = {INT64_MAX, INT64_MIN, -(int64_t{1} << 60) - 7, 1700000000123};
  for (size_t i = 0; i < std::size(values); ++i)
    ASSERT_TRUE(json.AddMember("v" + std::to_string(i), values[i]));
  EXPECT_EQ(json.ToCompactText(),
            "{\"v0\":9223372036854775807,\"v1\":-9223372036854775808,"
            "\"v2\":-1152921504606846983,\"v3\":1700000000123}");
  for (size_t i = 0; i < std::size(values); ++i) {
    int64_t back = 0;
    ASSERT_TRUE(json.GetMember("v" + std::to_string(i), back));
    EXPECT_EQ(back, values[i]);
  }
}

TEST(JsonObject, ChildViewsAreCachedAndBorrowTheTree) {
  CJsonObject json("{\"data\":{\"token\":\"t\",\"list\":[{\"id\":7}]}}");
  CJsonObject& data = json.Child("data");
  EXPECT_EQ(&data, &json.Child("data"));
  std::string token;
  EXPECT_TRUE(data.GetMember("token", token));
  EXPECT_EQ(token, "t");
  CJsonObject& list = data.Child("list");
  EXPECT_EQ(list.ArraySize(), 1);
  int32_t id = 0;
  EXPECT_TRUE(list.Child(0).GetMember("id", id));
  EXPECT_EQ(id, 7);
  EXPECT_TRUE(list.Child(5).IsEmpty());

  CJsonObject& missing = json.Child("nope");
  EXPECT_TRUE(missing.IsEmpty());
  EXPECT_EQ(missing.ToCompactText(), "");
  EXPECT_EQ(&missing, &json.Child("nope"));
  // Adding through a view changes the parent's tree.
  EXPECT_TRUE(data.AddMember("extra", 2));
  EXPECT_NE(json.ToCompactText().find("\"extra\":2"), std::string::npos);
}

TEST(JsonObject, ViewOfAMissingMemberFollowsItOnceAdded) {
  CJsonObject json("{}");
  CJsonObject& later = json.Child("later");
  ASSERT_TRUE(json.AddEmptyArrayMember("later"));
  EXPECT_TRUE(later.IsArray());
  CJsonObject element("{\"a\":1}");
  EXPECT_TRUE(later.AppendElement(element));
  EXPECT_EQ(json.ToCompactText(), "{\"later\":[{\"a\":1}]}");
}

TEST(JsonObject, DeepCopiesShareNothing) {
  CJsonObject json("{\"inner\":{\"a\":1}}");
  CJsonObject copy;
  ASSERT_TRUE(json.GetMember("inner", copy));
  EXPECT_TRUE(copy.AddMember("b", 2));
  EXPECT_EQ(json.ToCompactText(), "{\"inner\":{\"a\":1}}");
  EXPECT_EQ(copy.ToCompactText(), "{\"a\":1,\"b\":2}");
  EXPECT_FALSE(json.GetMember("missing", copy));
}

TEST(JsonObject, AppendElementBuildsAnArrayOfCopies) {
  CJsonObject array;
  CJsonObject element;
  element.AddMember("n", 1);
  ASSERT_TRUE(array.AppendElement(element));
  element.AddMember("m", 2);
  ASSERT_TRUE(array.AppendElement(element));
  EXPECT_EQ(array.ToCompactText(), "[{\"n\":1},{\"n\":1,\"m\":2}]");
  CJsonObject empty;
  EXPECT_FALSE(array.AppendElement(empty));
  EXPECT_EQ(array.GetErrorText(), "prase json string error at ");
}

TEST(JsonObject, StringsAreEscaped) {
  CJsonObject json;
  json.AddMember("s", std::string("q\"\\\x01\xE4\xB8\xAD"));
  EXPECT_EQ(json.ToCompactText(), "{\"s\":\"q\\\"\\\\\\u0001\xE4\xB8\xAD\"}");
  CJsonObject back(json.ToCompactText());
  std::string s;
  ASSERT_TRUE(back.GetMember("s", s));
  EXPECT_EQ(s, "q\"\\\x01\xE4\xB8\xAD");
}

TEST(JsonObject, DeepNestingIsRefusedNotFollowed) {
  std::string deep(100000, '[');
  CJsonObject json;
  EXPECT_FALSE(json.ParseText(deep));
}

}  // namespace
