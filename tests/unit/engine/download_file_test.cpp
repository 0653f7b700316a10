#include "engine/download_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace ns_Drav {
namespace {

TEST(CreateTempFile, ReservesThePackageSizeInMissingFolders) {
  TempDir dir;
  std::string path = dir.path() + "a/b/c/pkg.exe.~P2S";
  int error = -1;
  ASSERT_EQ(CreateTempFile(path, 3 * 1024 * 1024 + 1, &error), kTempFileCreated);
  EXPECT_EQ(error, 0);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 3 * 1024 * 1024 + 1);
  // Reserved on the volume, not a sparse file.
  EXPECT_GE(info.st_blocks * 512, info.st_size);
}

TEST(CreateTempFile, ReplacesAnOldFileAndRefusesAnEmptyPath) {
  TempDir dir;
  std::string path = dir.path() + "pkg.exe.~P2S";
  WriteFile(path, std::string(5000, 'x'));
  int error = 0;
  ASSERT_EQ(CreateTempFile(path, 10, &error), kTempFileCreated);
  EXPECT_EQ(ReadFile(path), std::string(10, '\0'));
  EXPECT_EQ(CreateTempFile("", 10, &error), kTempFileEmptyPath);
}

TEST(CreateTempFile, NeverFollowsALinkPlantedAtItsPath) {
  TempDir dir;
  std::string victim = dir.path() + "victim";
  WriteFile(victim, "keep");
  std::string path = dir.path() + "pkg.exe.~P2S";
  ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
  int error = 0;
  ASSERT_EQ(CreateTempFile(path, 10, &error), kTempFileCreated);
  EXPECT_EQ(ReadFile(victim), "keep");
}

TEST(DownloadFile, WritesRangesSideBySideAndCutsAfterARecord) {
  TempDir dir;
  std::string path = dir.path() + "pkg";
  int error = 0;
  ASSERT_EQ(CreateTempFile(path, 8 * 4096, &error), kTempFileCreated);
  DownloadFile file;
  EXPECT_FALSE(file.WriteAt(0, 1, "x", false));  // nothing open yet
  ASSERT_TRUE(file.OpenForWrite(path));
  std::vector<std::thread> writers;
  for (int i = 0; i < 8; ++i) {
    writers.emplace_back([&file, i] {
      std::string block(4096, static_cast<char>('a' + i));
      EXPECT_TRUE(file.WriteAt(i * 4096, 4096, block.data(), false));
    });
  }
  for (auto& writer : writers)
    writer.join();
  ASSERT_TRUE(file.WriteAt(8 * 4096, 3, "rec", true));
  ASSERT_TRUE(file.WriteAt(8 * 4096, 2, "RE", true));  // a shorter record ends the file sooner
  EXPECT_TRUE(file.FlushAndClose());
  EXPECT_FALSE(file.FlushAndClose());
  std::string content = ReadFile(path);
  ASSERT_EQ(content.size(), 8 * 4096 + 2u);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(content[i * 4096 + 17], 'a' + i);
  EXPECT_EQ(content.substr(8 * 4096), "RE");
  EXPECT_EQ(GetLocalFileSize(path), 8 * 4096 + 2);
  EXPECT_EQ(GetLocalFileSize(dir.path() + "missing"), 0);
}

TEST(DownloadFile, ARecordIsWrittenWhileRangesKeepWriting) {
  TempDir dir;
  std::string path = dir.path() + "pkg";
  int error = 0;
  ASSERT_EQ(CreateTempFile(path, 64 * 4096, &error), kTempFileCreated);
  DownloadFile file;
  ASSERT_TRUE(file.OpenForWrite(path));
  std::atomic<bool> recorded{false};
  std::atomic<bool> writing{true};
  std::vector<std::thread> writers;
  for (int i = 0; i < 8; ++i) {
    writers.emplace_back([&, i] {
      std::string block(4096, static_cast<char>('a' + i));
      // A stream of range writes with no gap, as at full speed; it stops by
      // itself after a while so that a starved record fails the test, not
      // the run.
      for (int n = 0; n < 200000 && !recorded; ++n)
        file.WriteAt((i * 8 + n % 8) * 4096, 4096, block.data(), false);
      writing = writing && recorded;
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(file.WriteAt(64 * 4096, 3, "rec", true));
  recorded = true;
  for (auto& writer : writers)
    writer.join();
  EXPECT_TRUE(writing) << "the record waited until the range writes ran out";
  EXPECT_TRUE(file.FlushAndClose());
  EXPECT_EQ(ReadFile(path).substr(64 * 4096), "rec");
}

}  // namespace
}  // namespace ns_Drav
