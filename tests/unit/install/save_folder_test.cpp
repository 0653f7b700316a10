#include "install/save_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>

#include "platform/volumes.h"
#include "support/temp_dir.h"

namespace {

// Volumes made of folders with the free space we say. A read-only volume
// is a file in place of its root folder, so that nothing can be made in it
// even by root.
class FakeVolumes : public VolumeSource {
 public:
  struct Disk {
    std::string root;
    int64_t free;
    bool writable = true;
  };
  explicit FakeVolumes(std::vector<Disk> disks) : disks_(std::move(disks)) {
    for (const Disk& d : disks_) {
      if (d.writable)
        std::filesystem::create_directories(d.root);
      else
        WriteFile(d.root.substr(0, d.root.size() - 1), "read-only");
    }
  }
  std::vector<std::string> FixedRoots() const override {
    std::vector<std::string> roots;
    for (const Disk& d : disks_)
      roots.push_back(d.root);
    return roots;
  }
  std::string SystemRoot() const override { return disks_.front().root; }
  bool FreeBytes(const std::string& path, int64_t* bytes) const override {
    const Disk* d = Find(path);
    if (d)
      *bytes = d->free;
    return d != nullptr;
  }
  std::vector<Disk> disks_;

 private:
  const Disk* Find(const std::string& path) const {
    std::string root = VolumeRootOf(path, FixedRoots());
    for (const Disk& d : disks_) {
      if (d.root == root)
        return &d;
    }
    return nullptr;
  }
};

class SaveFolderTest : public ::testing::Test {
 protected:
  std::string Root(const char* name) { return dir_.path() + name + "/"; }
  SaveFolderPlaces Places() {
    return {dir_.path() + "pub/", dir_.path() + "exe/", dir_.path() + "tmp/"};
  }
  void MakeDownload(const std::string& root, mode_t mode = 0755) {
    std::string folder = SaveFolderRules::DownloadFolderOf(root, "Acme");
    std::filesystem::create_directories(folder);
    chmod(folder.c_str(), mode);
  }
  TempDir dir_;
};

TEST_F(SaveFolderTest, MaxFreeDiskFolder) {
  {
    FakeVolumes v({{Root("sys"), 10}, {Root("d"), 50}, {Root("e"), 50}, {Root("f"), 20}});
    SaveFolderRules rules(v, Places());
    std::string folder = rules.GetMaxFreeDiskFolder("Acme");
    EXPECT_EQ(folder, Root("d") + "Acme/Download/");  // the first of equal disks
    EXPECT_TRUE(std::filesystem::is_directory(folder));
  }
  {
    FakeVolumes v({{Root("sys2"), 90}, {Root("g"), 50}});
    SaveFolderRules rules(v, Places());
    EXPECT_EQ(rules.GetMaxFreeDiskFolder(""), dir_.path() + "pub/Halvern/");
    EXPECT_EQ(rules.GetMaxFreeDiskFolder("Acme"), dir_.path() + "pub/Acme/");
  }
  {
    FakeVolumes full({{Root("s3"), 0}, {Root("h"), 0}});
    EXPECT_EQ(SaveFolderRules(full, Places()).GetMaxFreeDiskFolder("Acme"), "");
  }
  EXPECT_EQ(SaveFolderRules::DownloadFolderOf("/data/", ""), "/data/Download/");
}

TEST_F(SaveFolderTest, ExistingDownloadFolderFirst) {
  FakeVolumes v({{Root("sys"), 10}, {Root("d"), 5}, {Root("e"), 90}});
  MakeDownload(Root("d"));
  SaveFolderRules rules(v, Places());
  EXPECT_EQ(rules.GetSaveFolder("Acme", false), Root("d") + "Acme/Download/");
  // Asked for the disk with most space, the existing folder does not count.
  EXPECT_EQ(rules.GetSaveFolder("Acme", true), Root("e") + "Acme/Download/");
}

TEST_F(SaveFolderTest, ExistingFolderOnTheSystemDiskGivesWayToABiggerDisk) {
  FakeVolumes v({{Root("sys"), 10}, {Root("d"), 90}});
  MakeDownload(Root("sys"));
  SaveFolderRules rules(v, Places());
  EXPECT_EQ(rules.GetSaveFolder("Acme", false), Root("d") + "Acme/Download/");
  v.disks_[1].free = 5;
  EXPECT_EQ(rules.GetSaveFolder("Acme", false), Root("sys") + "Acme/Download/");
}

TEST_F(SaveFolderTest, DownloadFolderOthersCanWriteCountsAsAbsent) {
  FakeVolumes v({{Root("sys"), 10}, {Root("d"), 5}, {Root("e"), 90}});
  MakeDownload(Root("d"), 0777);
  SaveFolderRules rules(v, Places());
  mode_t old_mask = umask(0);
  EXPECT_EQ(rules.GetSaveFolder("Acme", false), Root("e") + "Acme/Download/");
  // Nor is one taken on the disk with most space.
  MakeDownload(Root("e"), 0775);
  EXPECT_EQ(rules.GetMaxFreeDiskFolder("Acme"), "");
  struct stat st;
  ASSERT_EQ(stat((Root("e") + "Acme/").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  umask(old_mask);
}

TEST_F(SaveFolderTest, FallsBackToTheProgramFolderThenTheTemporaryFolder) {
  FakeVolumes v({{Root("sys"), 10}, {Root("ro"), 90, false}});
  SaveFolderRules rules(v, Places());
  EXPECT_EQ(rules.GetSaveFolder("Acme", false), dir_.path() + "exe/Acme/");

  // A program folder where nothing can be made.
  WriteFile(dir_.path() + "file", "x");
  SaveFolderRules no_exe(v, {dir_.path() + "pub/", dir_.path() + "file/", dir_.path() + "tmp/"});
  EXPECT_EQ(no_exe.GetSaveFolder("", false), dir_.path() + "tmp/Halvern/");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() + "tmp/Halvern/"));
}

TEST_F(SaveFolderTest, StorageDirectorySettings) {
  FakeVolumes v({{Root("sys"), 10}, {Root("d"), 90}, {Root("e"), 20}});
  SaveFolderRules rules(v, Places());
  int asked = 0;
  auto install_path = [&] {
    ++asked;
    return Root("e") + "Apps/Vantorix/";
  };
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "1", install_path), Root("d") + "Acme/Download/");
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "2", install_path), Root("sys") + "Acme/Download/");
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "3", install_path), Root("e") + "Acme/Download/");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "0", install_path), "");
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "", install_path), "");
  // An install path outside every volume falls back to the default rule.
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "3", [] { return std::string("relative/x"); }),
            Root("d") + "Acme/Download/");
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "7", install_path), Root("d") + "Acme/Download/");
}

TEST_F(SaveFolderTest, SystemDiskSettingWithAReadOnlySystemDiskFallsBack) {
  FakeVolumes v({{Root("sys"), 10, false}, {Root("d"), 5}});
  MakeDownload(Root("d"));
  SaveFolderRules rules(v, Places());
  EXPECT_EQ(rules.ChooseStorageFolder("Acme", "2", {}), Root("d") + "Acme/Download/");
}

TEST_F(SaveFolderTest, InstallSpaceNeedsFiveTimesThePackageOnTheSaveFoldersDisk) {
  FakeVolumes v({{Root("sys"), 450}, {Root("d"), 450}});
  SaveFolderRules rules(v, Places());
  std::string config = Root("sys") + "Acme/Download/";
  EXPECT_TRUE(rules.CheckInstallSpace(Root("d") + "Apps/", false, 450, config));
  EXPECT_FALSE(rules.CheckInstallSpace(Root("d") + "Apps/", false, 451, config));
  EXPECT_TRUE(rules.CheckInstallSpace(Root("d") + "Apps/", true, 100, config));     // 4 x 100
  EXPECT_FALSE(rules.CheckInstallSpace(Root("sys") + "Apps/", true, 100, config));  // 5 x 100
  EXPECT_TRUE(rules.CheckInstallSpace(Root("sys") + "Apps/", true, 90, config));
  EXPECT_FALSE(rules.CheckInstallSpace("/nowhere/", false, 1, config));
}

TEST_F(SaveFolderTest, CustomInstallPath) {
  std::string existing = dir_.path();  // its top folder exists
  int installed_asked = 0;
  auto installed = [&] {
    ++installed_asked;
    return std::string("/opt/vendor/Acme/Vantorix/");
  };
  struct Case {
    std::string server, local, expected;
  } cases[] = {
      {"", existing + "Apps", existing + "Apps/"},
      {existing + "Server/", existing + "Local", existing + "Server/"},
      {"", "%LocalAppData%", "/home/u/.local/share/"},
      {"", "/nonexistent-top/Apps", "/opt/vendor/"},
      {"", "relative/Apps", "/opt/vendor/"},
      {"", "", "/opt/vendor/"},
  };
  for (const Case& c : cases) {
    CustomInstallPathInputs in{c.server, c.local, "Acme", installed,
                               [] { return std::string("/home/u/.local/share/"); }};
    EXPECT_EQ(GetCustomInstallPath(in), c.expected) << c.server << "|" << c.local;
  }
  CustomInstallPathInputs no_brand{"", "", "Other", installed, {}};
  EXPECT_EQ(GetCustomInstallPath(no_brand), "");
  EXPECT_TRUE(PathRootExists("/"));
  EXPECT_FALSE(PathRootExists(""));
}

TEST_F(SaveFolderTest, WritableFolders) {
  int error = 0;
  EXPECT_TRUE(IsFolderWritable(dir_.path(), &error));
  EXPECT_TRUE(IsFolderWritable(dir_.path().substr(0, dir_.path().size() - 1), &error));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "qel.tmp"));
  EXPECT_FALSE(IsFolderWritable("", &error));
  WriteFile(dir_.path() + "file", "x");
  EXPECT_FALSE(IsFolderWritable(dir_.path() + "file/", &error));
  EXPECT_EQ(error, ENOTDIR);
  // A planted link is not followed.
  std::filesystem::create_symlink(dir_.path() + "target", dir_.path() + "qel.tmp");
  EXPECT_FALSE(IsFolderWritable(dir_.path(), &error));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "target"));
}

}  // namespace
