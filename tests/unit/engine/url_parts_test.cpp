#include "engine/url_parts.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

TEST(FileNameFromUrl, TakesTheLastPathSegmentWithoutQueryOrFragment) {
  struct Case {
    const char* url;
    const char* name;
  } cases[] = {
      {"https://cdn.example.com/pkg/Setup_1.2.exe", "Setup_1.2.exe"},
      {"http://cdn.example.com:8080/a/b/c.bin?token=x/y.exe", "c.bin"},
      {"https://cdn.example.com/a/c.bin#part/other.exe", "c.bin"},
      {"HTTPS://CDN.EXAMPLE.COM/Pkg.EXE", "Pkg.EXE"},
      {"https://cdn.example.com/a%2Fb.exe", "a%2Fb.exe"},  // stays one name, no folder
  };
  for (const Case& c : cases) {
    std::string name;
    EXPECT_EQ(FileNameFromUrl(c.url, &name), FileNameResult::kOk) << c.url;
    EXPECT_EQ(name, c.name) << c.url;
  }
}

TEST(FileNameFromUrl, RefusesNamesThatAreNoFileName) {
  const char* bad[] = {
      "https://cdn.example.com/",
      "https://cdn.example.com",
      "https://cdn.example.com/pkg/",
      "https://cdn.example.com/pkg/.",
      "https://cdn.example.com/pkg/..",
      "https://cdn.example.com/pkg/a\\b.exe",
      "https://cdn.example.com/pkg/%2e%2e/",
  };
  for (const char* url : bad) {
    std::string name = "left over";
    EXPECT_EQ(FileNameFromUrl(url, &name), FileNameResult::kBadName) << url;
    EXPECT_EQ(name, "") << url;
  }
}

TEST(FileNameFromUrl, RefusesControlCharactersAndUnparsableUrls) {
  std::string name;
  EXPECT_NE(FileNameFromUrl(std::string("https://h/a\x01.exe"), &name), FileNameResult::kOk);
  EXPECT_NE(FileNameFromUrl(std::string("https://h/a\x7f.exe"), &name), FileNameResult::kOk);
  EXPECT_NE(FileNameFromUrl("https://h/line\nbreak.exe", &name), FileNameResult::kOk);
  EXPECT_EQ(FileNameFromUrl("no scheme at all", &name), FileNameResult::kBadUrl);
}

TEST(ParseUrl, SplitsHostPortAndPath) {
  UrlParts parts;
  ASSERT_TRUE(ParseUrl("https://cdn.example.com/a/b.exe?q=1", &parts));
  EXPECT_EQ(parts.scheme, "https");
  EXPECT_EQ(parts.host, "cdn.example.com");
  EXPECT_EQ(parts.port, 443);
  EXPECT_EQ(parts.path, "/a/b.exe");
  ASSERT_TRUE(ParseUrl("http://127.0.0.2:8080/x", &parts));
  EXPECT_EQ(parts.host, "127.0.0.2");
  EXPECT_EQ(parts.port, 8080);
}

TEST(IsHttpsUrl, IgnoresTheCaseOfTheScheme) {
  EXPECT_TRUE(IsHttpsUrl("https://h/x"));
  EXPECT_TRUE(IsHttpsUrl("HTTPS://h/x"));
  EXPECT_FALSE(IsHttpsUrl("http://h/x"));
  EXPECT_FALSE(IsHttpsUrl("ftp://h/x"));
}

}  // namespace
}  // namespace ns_Drav
