#include "service/json_scan.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonScan, SuccessIsTheExactCodeZero) {
  struct Case {
    const char* body;
    bool success;
  } cases[] = {
      {R"({"code":0,"data":{}})", true}, {R"({"data":1,"code":0})", true},
      {R"({"code": 0})", false},  // a blank
      {R"({"code":401})", false},        {R"({"code":0401})", false},
      {R"({"code":01})", false},         {R"({"code":"0"})", false},
      {R"({"msg":"x"})", false},         {"", false},
      {"<html>code:0</html>", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HasSuccessText(c.body), c.success) << c.body;
}

TEST(JsonScan, ValuesAfterTheKey) {
  std::string text =
      R"({"a":12,"b" :  34 ,"neg":-5,"big":99999999999,"s":"tier \"x","e":"","t":true,)"
      R"("f":false,"n":null,"q":"7","lead":0042,"nl":
7})";
  EXPECT_EQ(FindJsonInt(text, "a"), 12);
  EXPECT_EQ(FindJsonInt(text, "b"), 34);
  EXPECT_EQ(FindJsonInt(text, "neg"), 0);
  EXPECT_EQ(FindJsonInt(text, "big"), 0);  // does not fit
  EXPECT_EQ(FindJsonInt(text, "q"), 0);    // a quote is no digit
  EXPECT_EQ(FindJsonInt(text, "lead"), 42);
  EXPECT_EQ(FindJsonInt(text, "nl"), 7);
  EXPECT_EQ(FindJsonInt(text, "missing"), 0);
  EXPECT_EQ(FindJsonString(text, "s"), "tier \\");  // no escapes
  EXPECT_EQ(FindJsonString(text, "e"), "");
  EXPECT_EQ(FindJsonString(text, "a"), "");
  EXPECT_EQ(FindJsonString(text, "n"), "");
  EXPECT_TRUE(FindJsonBool(text, "t"));
  EXPECT_FALSE(FindJsonBool(text, "f"));
  EXPECT_FALSE(FindJsonBool(text, "n"));
  EXPECT_FALSE(FindJsonBool(text, "missing"));
}

TEST(JsonScan, KeyNeedsItsQuotesAndAColon) {
  EXPECT_EQ(FindJsonInt(R"({"slice_count_max":9,"slice_count":3})", "slice_count"), 3);
  EXPECT_EQ(FindJsonInt(R"({"count"})", "count"), 0);
  EXPECT_EQ(FindJsonString(R"({"v":"open)", "v"), "");
  EXPECT_FALSE(FindJsonBool(R"({"t":tru)", "t"));
}

TEST(JsonScan, DataPartStartsAtTheFirstData) {
  std::string_view part;
  std::string body = R"({"version":"outer","code":0,"data":{"version":"inner"},"data":2})";
  ASSERT_TRUE(FindDataPart(body, &part));
  EXPECT_EQ(part.substr(0, 7), "\"data\":");
  EXPECT_EQ(FindJsonString(part, "version"), "inner");
  EXPECT_FALSE(FindDataPart(R"({"code":0,"msg":"no data"})", &part));
  // Only the text counts: a value "data" is taken for the key.
  EXPECT_TRUE(FindDataPart(R"({"code":0,"msg":"data"})", &part));
}

TEST(JsonScan, RelationIdsInTheFormsTheServiceWrites) {
  struct Case {
    const char* body;
    std::vector<int> ids;
  } cases[] = {
      {R"({"code":0,"data":[12,34,56]})", {12, 34, 56}},
      {R"({"code":0,"data":[12, 34,  56]})", {12, 34, 56}},
      {R"({"code":0,"data":["12","34"]})", {12, 34}},
      {R"({"code":0,"data":[]})", {}},
      {R"({"code":0,"data":[0,-7,8]})", {8}},
      {R"({"code":0,"data":[99999999999,5]})", {5}},
      {R"({"code":0,"data":[1,2)", {}},  // no "]"
      {R"({"code":0,"data":null})", {}},
      {R"({"code":0,"data": [4]})", {}},  // not the exact form
      {R"({"code":0,"data":[3],"more":[9]})", {3}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseRelationIds(c.body), c.ids) << c.body;
}

}  // namespace
