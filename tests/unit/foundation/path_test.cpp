#include "foundation/path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/temp_dir.h"

namespace {

TEST(Path, SplitsNames) {
  struct Case {
    const char* path;
    const char* folder;
    const char* stem;
    const char* ext;
  } cases[] = {
      {"/tmp/Halvern/QEL/hvQEL.log", "/tmp/Halvern/QEL/", "hvQEL", ".log"},
      {"hvQEL.log", "", "hvQEL", ".log"},
      {"/a/b.c/name", "/a/b.c/", "name", ""},
      {"/a/archive.tar.gz", "/a/", "archive.tar", ".gz"},
      {"/a/", "/a/", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileStem(c.path), c.stem) << c.path;
    EXPECT_EQ(FileExtension(c.path), c.ext) << c.path;
  }
}

TEST(Path, TempFolderEndsWithSlash) {
  ScopedEnv tmp("TMPDIR", "/var/tmp");
  EXPECT_EQ(GetTempFolder(), "/var/tmp/");
  ScopedEnv relative("TMPDIR", "relative/dir");
  EXPECT_EQ(GetTempFolder(), "/tmp/");
  ScopedEnv unset("TMPDIR", nullptr);
  EXPECT_EQ(GetTempFolder(), "/tmp/");
}

TEST(Path, ListFilesSortedWithOptionalFoldersAndRecursion) {
  TempDir dir;
  WriteFile(dir.path() + "b.txt", "b");
  WriteFile(dir.path() + "a.txt", "a");
  ASSERT_TRUE(CreateFolderChain(dir.path() + "sub/deeper"));
  WriteFile(dir.path() + "sub/c.txt", "c");
  std::string d = dir.path();
  EXPECT_EQ(ListFiles(d, false, false), (std::vector<std::string>{d + "a.txt", d + "b.txt"}));
  EXPECT_EQ(ListFiles(d, false, true),
            (std::vector<std::string>{d + "a.txt", d + "b.txt", d + "sub/"}));
  EXPECT_EQ(ListFiles(d, true, true),
            (std::vector<std::string>{d + "a.txt", d + "b.txt", d + "sub/", d + "sub/c.txt",
                                      d + "sub/deeper/"}));
  EXPECT_TRUE(ListFiles(d + "missing", true, true).empty());
}

TEST(Path, CreateFolderChain) {
  TempDir dir;
  std::string deep = dir.path() + "x/y/z";
  EXPECT_TRUE(CreateFolderChain(deep));
  EXPECT_TRUE(CreateFolderChain(deep + "/"));  // existing: nothing changes
  struct stat st;
  ASSERT_EQ(stat(deep.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  WriteFile(dir.path() + "file", "");
  EXPECT_FALSE(CreateFolderChain(dir.path() + "file/inner"));
}

// Every way the shared temporary folder can be unsafe sends the program's
// files to the user's own folder instead.
TEST(Path, PrivateTempFolderRefusesFoldersOthersControl) {
  struct Case {
    const char* name;
    void (*prepare)(const std::string& tmp);
    bool under_tmp;
  } cases[] = {
      {"fresh", [](const std::string&) {}, true},
      {"existing private", [](const std::string& t) { mkdir((t + "Halvern").c_str(), 0700); },
       true},
      {"writable by others",
       [](const std::string& t) {
         mkdir((t + "Halvern").c_str(), 0700);
         chmod((t + "Halvern").c_str(), 0777);
       },
       false},
      {"planted link",
       [](const std::string& t) {
         mkdir((t + "elsewhere").c_str(), 0700);
         symlink((t + "elsewhere").c_str(), (t + "Halvern").c_str());
       },
       false},
      {"a file in the way", [](const std::string& t) { WriteFile(t + "Halvern", ""); }, false},
      {"owned by another user",
       [](const std::string& t) {
         mkdir((t + "Halvern").c_str(), 0700);
         // Only root can give a folder away; as anyone else the folder
         // stays ours and this case proves nothing.
         if (geteuid() == 0) {
           EXPECT_EQ(chown((t + "Halvern").c_str(), 65534, 65534), 0);
         }
       },
       geteuid() != 0},
  };
  for (const Case& c : cases) {
    TempDir root;
    std::string tmp = root.path() + "tmp/";
    ASSERT_TRUE(CreateFolderChain(tmp));
    ScopedEnv sysroot("QEL_SYSROOT", root.path().c_str());
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    ASSERT_TRUE(CreateFolderChain(EffectiveUserHome(), 0700));
    c.prepare(tmp);
    std::string folder = GetPrivateTempFolder();
    ASSERT_FALSE(folder.empty()) << c.name;
    EXPECT_EQ(folder.rfind(c.under_tmp ? tmp : root.path(), 0), 0u) << c.name << ": " << folder;
    EXPECT_NE(folder.find("/Halvern/QEL/"), std::string::npos) << folder;
    EXPECT_TRUE(IsPrivateFolder(folder)) << c.name;
    if (!c.under_tmp) {
      EXPECT_EQ(folder.find(tmp), std::string::npos) << c.name;
    }
  }
}

TEST(Path, CreatePrivateFolderRejectsDotComponents) {
  TempDir dir;
  EXPECT_EQ(CreatePrivateFolder(dir.path(), "a/../b"), "");
  EXPECT_EQ(CreatePrivateFolder(dir.path(), "a/b"), dir.path() + "a/b/");
  EXPECT_EQ(CreatePrivateFolder(dir.path() + "missing", "a"), "");
}

}  // namespace
