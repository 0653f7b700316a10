#include "engine/file_md5.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace ns_Drav {
namespace {

TEST(FileMd5, DigestsTheWholeFileInUpperCase) {
  TempDir dir;
  WriteFile(dir.path() + "abc", "abc");
  EXPECT_EQ(FileMd5(dir.path() + "abc"), "900150983CD24FB0D6963F7D28E17F72");
  // Longer than one read block.
  WriteFile(dir.path() + "big", std::string(3 * 1024 * 1024 + 5, 'a'));
  EXPECT_EQ(FileMd5(dir.path() + "big").size(), 32u);
  WriteFile(dir.path() + "empty", "");
  EXPECT_EQ(FileMd5(dir.path() + "empty"), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(FileMd5(dir.path() + "missing"), "");
}

TEST(Md5ListContains, MatchesWholeDigestsOfTheList) {
  const std::string a = "900150983CD24FB0D6963F7D28E17F72";
  const std::string b = "D41D8CD98F00B204E9800998ECF8427E";
  EXPECT_TRUE(Md5ListContains(a, a));
  EXPECT_TRUE(Md5ListContains("900150983cd24fb0d6963f7d28e17f72", a));
  EXPECT_TRUE(Md5ListContains(a + "," + b, b));
  EXPECT_TRUE(Md5ListContains(b + ", " + a, a));
  EXPECT_FALSE(Md5ListContains(a + b, b.substr(0, 16)));
  EXPECT_FALSE(Md5ListContains(a, ""));  // an unreadable file never passes
  EXPECT_FALSE(Md5ListContains("", ""));
  EXPECT_FALSE(Md5ListContains(a, b));
}

}  // namespace
}  // namespace ns_Drav
