#include "install/system_info.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/resources.h"
#include "support/sysroot.h"

namespace {

TEST(SystemInfo, AdminPathsAfterNormalising) {
  ScopedEnv no_sysroot("QEL_SYSROOT", nullptr);
  struct Case {
    const char* folder;
    bool admin;
  } cases[] = {
      {"/usr", true},
      {"/usr/local/bin/", true},
      {"/opt/../usr/x", true},
      {"/opt/Vantorix/", true},
      {"/etc/./x", true},
      {"//usr//lib", true},
      {"/home/u/usr/", false},
      {"/usrx/", false},
      {"/home/u/../../srv/x", false},
      {"usr/x", false},
      {"", false},
      {"/", false},
      {"/tmp/../../../lib", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsAdminPath(c.folder), c.admin) << c.folder;
}

TEST(SystemInfo, AdminPathsFollowLinksAndTheSysroot) {
  SysrootSandbox box;
  std::filesystem::create_directories(box.Path("/usr/share"));
  std::filesystem::create_directories(box.Path("/home/u"));
  std::filesystem::create_symlink(box.Path("/usr/share"), box.Path("/home/u/link"));
  EXPECT_TRUE(IsAdminPath(box.Path("/usr/x")));
  EXPECT_TRUE(IsAdminPath(box.Path("/opt/Vantorix/")));
  EXPECT_TRUE(IsAdminPath(box.Path("/home/u/link/new/folder")));
  EXPECT_FALSE(IsAdminPath(box.Path("/home/u/apps/")));
  EXPECT_EQ(GetProgramFilesFolders({true, false}).folder64, box.Path("/opt/"));
  EXPECT_EQ(GetProgramFilesFolders({false, false}).folder64, "");
  EXPECT_EQ(GetProgramFilesFolders({false, false}).folder32, box.Path("/opt/"));
}

TEST(SystemInfo, FileVersionFromTheVersionResource) {
  TempDir dir;
  std::string exe = dir.path() + "prog";
  WriteFile(exe, "program");
  std::string version, error;
  EXPECT_FALSE(GetFileVersionText(exe, &version));
  struct Case {
    const char* stored;
    const char* read;  // null: refused
  } cases[] = {
      {"1.2.3.4", "1.2.3.4"},   {"01.2.3.40\n", "1.2.3.40"}, {"65535.0.0.1", "65535.0.0.1"},
      {"65536.0.0.1", nullptr}, {"1.2.3", nullptr},          {"1.2.3.4.5", nullptr},
      {"-1.2.3.4", nullptr},    {"1.2.3.4x", nullptr},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteResources(exe, {{"VERSION", c.stored}}, &error)) << error;
    version.clear();
    EXPECT_EQ(GetFileVersionText(exe, &version), c.read != nullptr) << c.stored;
    if (c.read) {
      EXPECT_EQ(version, c.read);
    }
  }
  EXPECT_EQ(ParseVersion("2.10.3"), (std::array<int, 4>{2, 10, 3, 0}));
  EXPECT_EQ(ParseVersion("junk"), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(SystemInfo, TextsOfTimeAndSystem) {
  std::string stamp = GetTimestampText();
  EXPECT_EQ(stamp.size(), 14u);
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
  std::string os = GetOsVersionText("Linux ");
  EXPECT_EQ(os.rfind("Linux ", 0), 0u);
  EXPECT_EQ(std::count(os.begin(), os.end(), '.'), 2);
}

TEST(SystemInfo, UserDwordsAndBrowserVersion) {
  SysrootSandbox box;
  EXPECT_EQ(ReadUserDword("Software\\Acme", "Shown"), 0);
  EXPECT_FALSE(WriteUserDword("Software\\Acme", "Shown", 3));  // the key must exist
  RegKey key;
  ASSERT_TRUE(key.Create(RegRoot::kCurrentUser, "Software\\Acme"));
  EXPECT_TRUE(WriteUserDword("Software\\Acme", "Shown", 3));
  EXPECT_EQ(ReadUserDword("software\\acme", "shown"), 3);
  EXPECT_EQ(GetBrowserVersion(), "-");
}

}  // namespace
