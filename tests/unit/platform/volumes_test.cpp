#include "platform/volumes.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

constexpr const char* kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:22 / /tmp rw - tmpfs tmpfs rw\n"
    "25 22 8:17 / /data rw,relatime shared:2 - xfs /dev/sdb1 rw\n"
    "26 22 8:17 / /data/again rw - xfs /dev/sdb1 rw\n"
    "27 22 8:33 /exports /srv/share rw - ext4 /dev/sdc1 rw\n"
    "28 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
    "29 22 8:49 / /media/My\\040Disk rw - vfat /dev/sdd1 rw\n"
    "30 22 8:65 / /boot/efi rw shared:3 master:1 - vfat /dev/sde1 rw\n"
    "31 22 0:40 / /sandbox/mnt rw - tmpfs tmpfs rw\n"
    "broken line\n";

std::vector<std::string> Roots(const std::vector<Volume>& volumes) {
  std::vector<std::string> roots;
  for (const Volume& v : volumes)
    roots.push_back(v.root);
  return roots;
}

TEST(Volumes, ListsLocalBlockDeviceVolumesWithTheSystemFirst) {
  std::vector<Volume> volumes = ParseMountInfo(kMountInfo, "");
  EXPECT_EQ(Roots(volumes),
            (std::vector<std::string>{"/", "/boot/efi/", "/data/", "/media/My Disk/"}));
  EXPECT_EQ(volumes[0].device, "/dev/sda1");
  EXPECT_EQ(volumes[0].type, "ext4");
}

TEST(Volumes, SystemVolumeIsListedEvenWhenItIsNoBlockDevice) {
  std::vector<Volume> volumes = ParseMountInfo("1 0 0:5 / / rw - overlay overlay rw\n", "");
  EXPECT_EQ(Roots(volumes), std::vector<std::string>{"/"});
  EXPECT_EQ(volumes[0].type, "overlay");
}

TEST(Volumes, UnderASysrootOnlyItsOwnMountsCount) {
  std::vector<Volume> volumes = ParseMountInfo(kMountInfo, "/sandbox");
  EXPECT_EQ(Roots(volumes), (std::vector<std::string>{"/sandbox/", "/sandbox/mnt/"}));
}

TEST(Volumes, RootOfAPathIsTheLongestMountPoint) {
  std::vector<std::string> roots{"/", "/data/", "/data/deep/"};
  EXPECT_EQ(VolumeRootOf("/data/deep/x", roots), "/data/deep/");
  EXPECT_EQ(VolumeRootOf("/data/deeper", roots), "/data/");
  EXPECT_EQ(VolumeRootOf("/data", roots), "/data/");
  EXPECT_EQ(VolumeRootOf("/home", roots), "/");
  EXPECT_EQ(VolumeRootOf("relative", roots), "");
}

TEST(Volumes, FreeBytesOfAFolderNotYetMadeIsItsVolumes) {
  TempDir dir;
  int64_t existing = -1, planned = -1;
  ASSERT_TRUE(FreeBytes(dir.path(), &existing));
  ASSERT_TRUE(FreeBytes(dir.path() + "not/yet/made/", &planned));
  EXPECT_GT(existing, 0);
  EXPECT_GT(planned, 0);
}

}  // namespace
