#include "foundation/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <thread>

namespace {

const std::string kMixed = "caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80!";

TEST(Text, UnrepresentableCharactersBecomeQuestionMarks) {
  struct Case {
    const char* charset;
    std::string in;
    std::string out;
  } cases[] = {
      {"ANSI_X3.4-1968", kMixed, "caf? ?? ?!"},
      {"ISO-8859-1", kMixed, "caf\xE9 ?? ?!"},
      {"UTF-8", kMixed, kMixed},
      // Broken UTF-8 never passes through unchanged.
      {"UTF-8", "a\xC3(b\xED\xA0\x80z", "a?(b???z"},
      {"ISO-8859-1", "a\xC3(b", "a?(b"},
      {"ISO-8859-1", "end\xE4\xB8", "end?"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WideToCharset(c.in, c.charset), c.out) << c.charset << " " << c.in;
}

TEST(Text, LocaleTextToUtf8) {
  EXPECT_EQ(CharsetToWide("caf\xE9", "ISO-8859-1"), "caf\xC3\xA9");
  EXPECT_EQ(CharsetToWide("\xC4\xE3\xBA\xC3", "GBK"), "\xE4\xBD\xA0\xE5\xA5\xBD");
  // A byte that is no character of the set becomes U+FFFD.
  EXPECT_EQ(CharsetToWide("a\xFF", "UTF-8"), "a\xEF\xBF\xBD");
  EXPECT_EQ(CharsetToWide("a\x80z", "ANSI_X3.4-1968"),
            "a\xEF\xBF\xBD"
            "z");
  EXPECT_EQ(CharsetToWide("x", "NO-SUCH-CHARSET"), "");
}

TEST(Text, RoundTripThroughARepresentableCharset) {
  std::string latin = "na\xC3\xAFve r\xC3\xA9sum\xC3\xA9";
  EXPECT_EQ(CharsetToWide(WideToCharset(latin, "ISO-8859-1"), "ISO-8859-1"), latin);
}

// The conversions must not touch the process-wide C locale: another thread
// formatting numbers meanwhile would print a decimal comma.
TEST(Text, ConversionsLeaveTheCLocaleAlone) {
  std::string before = setlocale(LC_ALL, nullptr);
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::thread printer([&] {
    char buffer[32];
    while (!stop) {
      snprintf(buffer, sizeof(buffer), "%.2f", 2.0);
      if (std::string(buffer) != "2.00")
        ++bad;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    AnsiToWide("abc\xE9");
    WideToAnsi(kMixed);
  }
  stop = true;
  printer.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(before, setlocale(LC_ALL, nullptr));
}

TEST(Text, Utf8SequenceLength) {
  struct Case {
    std::string text;
    size_t length;
  } cases[] = {
      {"a", 1},
      {"\xC3\xA9", 2},
      {"\xE4\xB8\xAD", 3},
      {"\xF0\x9F\x98\x80", 4},
      {"\xC0\x80", 0},
      {"\xED\xA0\x80", 0},
      {"\xF4\x90\x80\x80", 0},
      {"\xE4\xB8", 0},
      {"\x80", 0},
      {"\xF8\x88\x80\x80\x80", 0},
      {"", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8SequenceLength(c.text), c.length);
}

}  // namespace
