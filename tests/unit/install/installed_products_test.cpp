#include "install/installed_products.h"

#include <gtest/gtest.h>

#include "support/sysroot.h"

namespace {

struct Record {
  RegView view;
  const char* subkey;
  uint32_t pid;
  const char* version;
  const char* info;
  const char* date;
  const char* path;
};

void Register(const Record& r) {
  RegKey key;
  ASSERT_TRUE(
      key.Create(RegRoot::kLocalMachine, std::string("Software\\Acme\\") + r.subkey, r.view));
  key.WriteDword("PID", r.pid);
  for (auto [name, value] : {std::pair{"Version", r.version},
                             {"InstallInfo", r.info},
                             {"InstallDate", r.date},
                             {"InstallPath", r.path}}) {
    if (value)
      key.WriteString(name, value);
  }
}

TEST(InstalledProducts, InstalledMeansAMatchingRecordWithInstallInfoOrDate) {
  SysrootSandbox box;
  Register({RegView::k64, "Draft", 100, "1.0.0.1", nullptr, nullptr, "/opt/draft/"});
  Register({RegView::k32, "Other", 300, "9.9.9.9", "x", "x", "/opt/other/"});
  Register({RegView::k32, "Real", 100, "2.0.1.5", "", "20260101", "/opt/Acme/Real/"});
  InstalledProducts products("Acme");
  EXPECT_TRUE(products.IsProductInstalled(100));
  EXPECT_EQ(products.GetInstalledVersion(100), "2.0.1.5");
  EXPECT_EQ(products.GetInstalledPath(100), "/opt/Acme/Real/");
  EXPECT_EQ(products.GetInstalledName(100), "");  // installed, value missing
  EXPECT_FALSE(products.IsProductInstalled(200));
  EXPECT_EQ(products.GetInstalledVersion(200), "");
  // The uninstalled draft still has its version listed.
  EXPECT_EQ(products.GetAllProductInstalledVersions(100),
            (std::vector<std::string>{"1.0.0.1", "2.0.1.5"}));
}

TEST(InstalledProducts, SixtyFourBitViewFirstAndVersionsOnce) {
  SysrootSandbox box;
  Register({RegView::k64, "A", 100, "2.0.1.5", "1", nullptr, "/opt/64/"});
  Register({RegView::k32, "A", 100, "2.0.1.5", "1", nullptr, "/opt/32/"});
  InstalledProducts products("Acme");
  EXPECT_EQ(products.GetInstalledPath(100), "/opt/64/");
  EXPECT_EQ(products.GetAllProductInstalledVersions(100), std::vector<std::string>{"2.0.1.5"});
}

TEST(InstalledProducts, RelatedIdsCountForTheProduct) {
  SysrootSandbox box;
  Register({RegView::k64, "Sibling", 200, "3.0.0.0", "1", nullptr, nullptr});
  std::string asked_sign;
  InstalledProducts related("Acme", [&](int id, const std::string& sign) {
    asked_sign = sign;
    return id == 100 ? std::vector<int>{100, 200} : std::vector<int>{};
  });
  EXPECT_TRUE(related.IsProductInstalled(100));
  EXPECT_EQ(asked_sign.size(), 39u);
  EXPECT_FALSE(InstalledProducts("Acme").IsProductInstalled(100));
  EXPECT_TRUE(related.IsProductInstalled(200));  // no related ids: itself
}

TEST(InstalledProducts, UninstallEntriesAndVersionMatching) {
  SysrootSandbox box;
  for (auto [path, view, pid, version] :
       {std::tuple{"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P32",
                   RegView::k32, "42", "1.32"},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P64", RegView::k64, "43",
         "1.64"}}) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::kLocalMachine, path, view));
    key.WriteString("PID", pid);
    key.WriteString("Version", version);
  }
  EXPECT_EQ(FindUninstallVersion("42"), "1.32");
  EXPECT_EQ(FindUninstallVersion("43"), "1.64");
  EXPECT_EQ(FindUninstallVersion("4"), "");
  EXPECT_TRUE(VersionMatches("2.0.1.5", "2.0.1"));
  EXPECT_FALSE(VersionMatches("2.0.1.5", "2.0.2"));
}

TEST(InstalledProducts, CompanionPathPrefersAnExistingFile) {
  SysrootSandbox box;
  EXPECT_EQ(GetLumoCenterPath(), "");
  EXPECT_FALSE(IsLumoCenterInstalled());
  std::string exe = box.Path("/opt/lumo/lumo");
  std::filesystem::create_directories(box.Path("/opt/lumo"));
  WriteFile(exe, "#!/bin/sh\n");
  RegKey k64, k32;
  ASSERT_TRUE(
      k64.Create(RegRoot::kLocalMachine, "Software\\Halvern\\Halvern Lumo Center", RegView::k64));
  ASSERT_TRUE(
      k32.Create(RegRoot::kLocalMachine, "Software\\Halvern\\Halvern Lumo Center", RegView::k32));
  k64.WriteString("InstallName", "/missing/lumo");
  k32.WriteString("InstallName", exe);
  EXPECT_EQ(GetLumoCenterPath(), exe);
  EXPECT_TRUE(IsLumoCenterInstalled());
  k32.WriteString("InstallName", "/also/missing");
  EXPECT_EQ(GetLumoCenterPath(), "/also/missing");
  EXPECT_FALSE(IsLumoCenterInstalled());
}

}  // namespace
