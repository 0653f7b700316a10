#include "service/curl_text.h"

#include <gtest/gtest.h>

namespace {

TEST(CurlText, PlainValuesStayAndOthersAreEscaped) {
  struct Case {
    const char* value;
    const char* escaped;
  } cases[] = {
      {"5793", "5793"},
      {"4.5.14", "4.5.14"},
      {"scene_A-1~x", "scene_A-1~x"},
      {"", ""},
      {"{6F1C2D3E-0000-4000-8000-00000000000AG}", "%7B6F1C2D3E-0000-4000-8000-00000000000AG%7D"},
      {"a b&c=d?e#f/g+h%", "a%20b%26c%3Dd%3Fe%23f%2Fg%2Bh%25"},
      {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EscapeUrlValue(c.value), c.escaped) << c.value;
  EXPECT_EQ(EscapeUrlValue(std::string("a\0b", 3)), "a%00b");
}

TEST(CurlText, ResultTexts) {
  EXPECT_EQ(CurlResultText(0), "");
  EXPECT_EQ(CurlResultText(7), "Couldn't connect to server");
  EXPECT_EQ(CurlResultText(28), "Timeout was reached");
  EXPECT_EQ(CurlResultText(93), "Unknown error");
  EXPECT_EQ(CurlResultText(1000), "Unknown error");
}

}  // namespace
