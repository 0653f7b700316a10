#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/path.h"
#include "support/sysroot.h"

namespace {

TEST(RegistryView, MapsSoftwareOfTheMachineHiveInThe32BitView) {
  struct Case {
    RegRoot root;
    const char* path;
    RegView view;
    const char* mapped;
  } cases[] = {
      {RegRoot::kLocalMachine, "Software\\Halvern\\X", RegView::k32,
       "Software\\WOW6432Node\\Halvern\\X"},
      {RegRoot::kLocalMachine, "SOFTWARE\\Halvern", RegView::kDefault,
       "SOFTWARE\\WOW6432Node\\Halvern"},
      {RegRoot::kLocalMachine, "Software\\Halvern\\X", RegView::k64, "Software\\Halvern\\X"},
      {RegRoot::kLocalMachine, "Software\\wow6432node\\X", RegView::k32,
       "Software\\wow6432node\\X"},
      {RegRoot::kLocalMachine, "System\\X", RegView::k32, "System\\X"},
      {RegRoot::kLocalMachine, "\\Software\\\\X\\", RegView::k32, "Software\\WOW6432Node\\X"},
      {RegRoot::kLocalMachine, "Software", RegView::k32, "Software\\WOW6432Node"},
      {RegRoot::kCurrentUser, "Software\\X", RegView::k32, "Software\\X"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MapRegistryView(c.root, c.path, c.view), c.mapped) << c.path;
}

TEST(Registry, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
  SysrootSandbox box;
  RegKey key;
  ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, "Software\\Halvern\\Prod", RegView::k64));
  EXPECT_TRUE(key.WriteString("InstallPath", "/opt/Vantorix/"));
  EXPECT_TRUE(key.WriteDword("PID", 5793));
  EXPECT_TRUE(key.WriteString("INSTALLPATH", "/opt/Other/"));

  RegKey again;
  ASSERT_TRUE(again.Open(RegRoot::kLocalMachine, "SOFTWARE\\halvern\\PROD", RegView::k64));
  std::string text;
  uint32_t pid = 0;
  EXPECT_TRUE(again.ReadString("installpath", &text));
  EXPECT_EQ(text, "/opt/Other/");
  EXPECT_TRUE(again.ReadDword("pid", &pid));
  EXPECT_EQ(pid, 5793u);
  // Types are kept apart.
  EXPECT_FALSE(again.ReadDword("InstallPath", &pid));
  EXPECT_FALSE(again.ReadString("PID", &text));

  std::string name;
  RegValue value;
  ASSERT_TRUE(again.EnumValue(0, &name, &value));
  EXPECT_EQ(name, "InstallPath");
  ASSERT_TRUE(again.EnumValue(1, &name, &value));
  EXPECT_EQ(name, "PID");
  EXPECT_EQ(value.type, kRegDword);
  EXPECT_FALSE(again.EnumValue(2, &name, &value));

  RegKey parent;
  ASSERT_TRUE(parent.Create(RegRoot::kLocalMachine, "software\\HALVERN\\prod\\", RegView::k64));
  ASSERT_TRUE(parent.Open(RegRoot::kLocalMachine, "Software", RegView::k64));
  ASSERT_TRUE(parent.EnumSubkey(0, &name));
  EXPECT_EQ(name, "Halvern");
  EXPECT_FALSE(parent.EnumSubkey(1, &name));
}

TEST(Registry, ViewsAndHivesAreSeparate) {
  SysrootSandbox box;
  RegKey k32, k64, user;
  ASSERT_TRUE(k32.Create(RegRoot::kLocalMachine, "Software\\Halvern\\A", RegView::k32));
  ASSERT_TRUE(k32.WriteString("Where", "32"));
  ASSERT_TRUE(k64.Create(RegRoot::kLocalMachine, "Software\\Halvern\\A", RegView::k64));
  ASSERT_TRUE(k64.WriteString("Where", "64"));
  ASSERT_TRUE(user.Create(RegRoot::kCurrentUser, "Software\\Halvern\\A"));
  ASSERT_TRUE(user.WriteString("Where", "user"));

  auto read = [](RegRoot root, const char* path, RegView view) {
    RegKey key;
    std::string where;
    if (!key.Open(root, path, view) || !key.ReadString("Where", &where))
      return std::string("missing");
    return where;
  };
  EXPECT_EQ(read(RegRoot::kLocalMachine, "Software\\Halvern\\A", RegView::kDefault), "32");
  EXPECT_EQ(read(RegRoot::kLocalMachine, "Software\\WOW6432Node\\Halvern\\A", RegView::k64), "32");
  EXPECT_EQ(read(RegRoot::kLocalMachine, "Software\\WOW6432Node\\Halvern\\A", RegView::k32), "32");
  EXPECT_EQ(read(RegRoot::kLocalMachine, "Software\\Halvern\\A", RegView::k64), "64");
  EXPECT_EQ(read(RegRoot::kCurrentUser, "Software\\Halvern\\A", RegView::k32), "user");
  EXPECT_EQ(RegistryHivePath(RegRoot::kLocalMachine), box.Path("/var/lib/qel/registry/machine.db"));
}

TEST(Registry, DeletesValuesAndWholeSubtrees) {
  SysrootSandbox box;
  RegKey key;
  ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, "Software\\T\\A\\B\\C", RegView::k64));
  ASSERT_TRUE(key.WriteString("V", "x"));
  ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, "Software\\T\\Keep", RegView::k64));
  ASSERT_TRUE(key.WriteString("V", "y"));
  EXPECT_TRUE(key.DeleteValue("v"));
  EXPECT_FALSE(key.DeleteValue("v"));

  EXPECT_TRUE(DeleteRegKey(RegRoot::kLocalMachine, "software\\t\\a", RegView::k64));
  EXPECT_FALSE(DeleteRegKey(RegRoot::kLocalMachine, "Software\\T\\A", RegView::k64));
  RegKey probe;
  EXPECT_FALSE(probe.Open(RegRoot::kLocalMachine, "Software\\T\\A\\B\\C", RegView::k64));
  EXPECT_TRUE(probe.Open(RegRoot::kLocalMachine, "Software\\T\\Keep", RegView::k64));
  // A key that was deleted under an open handle takes no more values.
  RegKey stale;
  ASSERT_TRUE(stale.Create(RegRoot::kLocalMachine, "Software\\T\\Gone", RegView::k64));
  ASSERT_TRUE(DeleteRegKey(RegRoot::kLocalMachine, "Software\\T\\Gone", RegView::k64));
  EXPECT_FALSE(stale.WriteString("V", "z"));
}

TEST(Registry, MissingHiveReadsAsEmptyWithoutCreatingIt) {
  SysrootSandbox box;
  RegKey key;
  EXPECT_FALSE(key.Open(RegRoot::kLocalMachine, "Software", RegView::k64));
  EXPECT_FALSE(std::filesystem::exists(RegistryHivePath(RegRoot::kLocalMachine)));
}

TEST(Registry, CorruptOrEmptyDatabaseReadsAsEmptyAndIsReplacedOnWrite) {
  for (const std::string& junk :
       {std::string(), std::string(5000, 'x'),
        std::string("SQLite format 3\0garbage", 24) + std::string(4096, '\x7f')}) {
    SysrootSandbox box;
    std::string db = RegistryHivePath(RegRoot::kLocalMachine);
    std::filesystem::create_directories(FolderOf(db));
    WriteFile(db, junk);
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::kLocalMachine, "Software", RegView::k64));
    ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, "Software\\X", RegView::k64)) << junk.size();
    EXPECT_TRUE(key.WriteString("V", "fresh"));
    std::string v;
    RegKey again;
    ASSERT_TRUE(again.Open(RegRoot::kLocalMachine, "Software\\X", RegView::k64));
    EXPECT_TRUE(again.ReadString("V", &v));
    EXPECT_EQ(v, "fresh");
    if (!junk.empty()) {
      EXPECT_EQ(ReadFile(db + ".corrupt"), junk);
    }
  }
}

TEST(Registry, SeveralProcessesWriteAtOnce) {
  SysrootSandbox box;
  RegKey setup;
  ASSERT_TRUE(setup.Create(RegRoot::kLocalMachine, "Software\\Busy", RegView::k64));
  constexpr int kChildren = 4;
  constexpr int kWrites = 25;
  std::vector<pid_t> children;
  for (int c = 0; c < kChildren; ++c) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kWrites; ++i) {
        RegKey key;
        std::string sub = "Software\\Busy\\C" + std::to_string(c) + "\\K" + std::to_string(i);
        ok = ok && key.Create(RegRoot::kLocalMachine, sub, RegView::k64) &&
             key.WriteDword("N", static_cast<uint32_t>(i));
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int c = 0; c < kChildren; ++c) {
    RegKey key;
    ASSERT_TRUE(
        key.Open(RegRoot::kLocalMachine, "Software\\Busy\\C" + std::to_string(c), RegView::k64));
    std::string name;
    int count = 0;
    while (key.EnumSubkey(count, &name))
      ++count;
    EXPECT_EQ(count, kWrites);
  }
}

}  // namespace
