#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_holders.h"
#include "support/temp_dir.h"

namespace {

TEST(SystemErrorFromErrno, UsesTheWindowsNumbersTheEngineActsOn) {
  EXPECT_EQ(SystemErrorFromErrno(0), 0);
  EXPECT_EQ(SystemErrorFromErrno(EEXIST), 183);
  EXPECT_EQ(SystemErrorFromErrno(EBUSY), 32);
  EXPECT_EQ(SystemErrorFromErrno(ETXTBSY), 1224);
  EXPECT_EQ(SystemErrorFromErrno(ENOSPC), 112);
  EXPECT_EQ(SystemErrorFromErrno(EDQUOT), 112);
  EXPECT_EQ(SystemErrorFromErrno(ENOENT), 2);
  EXPECT_EQ(SystemErrorFromErrno(EACCES), 5);
  // Anything else can't pass for one of them: EPIPE is 32 as an errno.
  EXPECT_EQ(SystemErrorFromErrno(EPIPE), 0x20000000 | EPIPE);
}

TEST(FileIo, WritesReadsAndCutsAtOffsets) {
  TempDir dir;
  std::string path = dir.path() + "f";
  int error = -1;
  int fd = OpenFile(path, FileOpen::kCreateAlways, &error);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(AllocateFile(fd, 10000), 0);
  EXPECT_EQ(GetFileSize(fd), 10000);
  EXPECT_EQ(WriteFileAt(fd, 9998, "xyz", 3), 0);
  EXPECT_EQ(WriteFileAt(fd, -1, "x", 1), kErrorNegativeSeek);
  EXPECT_EQ(AllocateFile(fd, -1), kErrorNegativeSeek);
  EXPECT_EQ(SyncFileData(fd), 0);
  EXPECT_EQ(SetFileEnd(fd, 9999), 0);
  EXPECT_EQ(CloseFile(fd), 0);
  EXPECT_EQ(GetFileSizeAt(path), 9999);

  fd = OpenFile(path, FileOpen::kExistingRead, &error);
  ASSERT_GE(fd, 0);
  char bytes[4] = {0};
  size_t done = 0;
  EXPECT_EQ(ReadFileAt(fd, 9997, bytes, 4, &done), 0);
  EXPECT_EQ(done, 2u);  // the end of the file
  EXPECT_EQ(std::string(bytes, 2), std::string("\0x", 2));
  CloseFile(fd);

  EXPECT_EQ(RenameFile(path, dir.path() + "g"), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(DeleteFile(dir.path() + "g"), 0);
  EXPECT_EQ(DeleteFile(dir.path() + "g"), kErrorFileNotFound);
  EXPECT_EQ(GetFileSizeAt(dir.path() + "g"), -1);
  OpenFile(dir.path() + "missing", FileOpen::kExistingReadWrite, &error);
  EXPECT_EQ(error, kErrorFileNotFound);
}

TEST(FileIo, RefusesALinkAsTheLastComponent) {
  TempDir dir;
  WriteFile(dir.path() + "real", "x");
  ASSERT_EQ(symlink((dir.path() + "real").c_str(), (dir.path() + "link").c_str()), 0);
  int error = 0;
  EXPECT_LT(OpenFile(dir.path() + "link", FileOpen::kExistingRead, &error), 0);
  EXPECT_LT(OpenFile(dir.path() + "link", FileOpen::kCreateAlways, &error), 0);
  EXPECT_EQ(ReadFile(dir.path() + "real"), "x");
}

TEST(FindFileHolders, NamesAnotherProcessThatHoldsTheFile) {
  TempDir dir;
  std::string path = dir.path() + "held";
  WriteFile(path, "x");
  EXPECT_TRUE(FindFileHolders(path).empty());  // this process never counts

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int error = 0;
    OpenFile(path, FileOpen::kExistingRead, &error);
    (void)!write(ready[1], "r", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  std::vector<FileHolder> holders = FindFileHolders(path);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(holders[0].pid, child);
  EXPECT_FALSE(holders[0].exe.empty());
  EXPECT_TRUE(FindFileHolders(dir.path() + "missing").empty());
}

}  // namespace
