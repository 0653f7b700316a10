#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, KeysAndValuesCutAtTheFirstEquals) {
  ArgumentMap args = ParseCommandLine(
      {"HostLang=a=b", "Flag", "HostVersion=1", "HostVersion=2", "=x", "HostHwnd="});
  EXPECT_EQ(args.at("HostLang"), "a=b");
  EXPECT_EQ(args.at("Flag"), "");
  EXPECT_EQ(args.at("HostVersion"), "2");
  EXPECT_EQ(args.at(""), "x");
  EXPECT_EQ(args.at("HostHwnd"), "");
  EXPECT_EQ(ArgumentValue(args, "Missing"), "");
  EXPECT_TRUE(ParseCommandLine({}).empty());
}

TEST(CommandLine, ForkModeOnlyForTheValueOne) {
  struct Case {
    std::vector<std::string> args;
    bool fork;
  } cases[] = {
      {{}, false},
      {{"OnlyForkInstallDependent=1"}, true},
      {{"OnlyForkInstallDependent=true"}, false},
      {{"OnlyForkInstallDependent"}, false},
      {{"OnlyForkInstallDependent=1 "}, false},
      {{"onlyforkinstalldependent=1"}, false},
      {{"OnlyForkInstallDependent=0", "OnlyForkInstallDependent=1"}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsForkMode(ParseCommandLine(c.args)), c.fork) << ::testing::PrintToString(c.args);
}

TEST(CommandLine, TextKeepsItsCharacters) {
  ArgumentMap args = ParseCommandLine({"HostLang=Français", "HostLang2=\xff\xfe"});
  EXPECT_EQ(args.at("HostLang"), "Français");
  // Bytes that are not UTF-8 are taken in the locale's character set.
  EXPECT_FALSE(args.at("HostLang2").empty());
  EXPECT_NE(args.at("HostLang2"), "\xff\xfe");
}

TEST(CommandLine, HostWindowIsADecimalNumber) {
  struct Case {
    const char* text;
    bool ok;
    uint64_t value;
  } cases[] = {
      {"0", true, 0},
      {"123456", true, 123456},
      {"18446744073709551615", true, UINT64_MAX},
      {"18446744073709551616", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {"-5", false, 0},
      {"+5", false, 0},
      {"0x1f", false, 0},
      {" 5", false, 0},
      {"5 ", false, 0},
      {"12ab", false, 0},
  };
  for (const Case& c : cases) {
    uint64_t value = 7;
    EXPECT_EQ(ParseHostWindow(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 7) << c.text;
  }
}

}  // namespace
