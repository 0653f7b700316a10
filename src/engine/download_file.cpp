#include "engine/download_file.h"

#include <cinttypes>
#include <mutex>

#include "foundation/log.h"
#include "foundation/path.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace ns_Drav {

int CreateTempFile(const std::string& path, int64_t size, int* systemError) {
  *systemError = 0;
  if (path.empty())
    return kTempFileEmptyPath;
  if (FileExists(path)) {
    int error = DeleteFile(path);
    if (error != kErrorSuccess)
      LOG_WARN("[WARN] before create, delete file=[%s], error=[%d].", path.c_str(), error);
  }
  std::string folder = FolderOf(path);
  if (!folder.empty())
    CreateFolderChain(folder);

  int error = 0;
  int fd = OpenFile(path, FileOpen::kCreateAlways, &error);
  LOG_INFO("[INFO] create file=[%s], hFile=[%d], error=[%d].", path.c_str(), fd, error);
  if (fd < 0 && (error == kErrorAlreadyExists || error == kErrorSharingViolation)) {
    fd = OpenFile(path, FileOpen::kExistingReadWrite, &error);
    LOG_INFO("[INFO] open file=[%s] for write, hFile=[%d], error=[%d].", path.c_str(), fd, error);
  }
  if (fd < 0) {
    *systemError = error;
    return kTempFileCreateFailed;
  }
  int result = kTempFileCreated;
  if (size > 0) {
    error = AllocateFile(fd, size);
    if (error != kErrorSuccess) {
      *systemError = error;
      result = error == kErrorDiskFull || error == kErrorNegativeSeek ? kTempFileNoSpace
                                                                      : kTempFileCreateFailed;
    }
  }
  CloseFile(fd);
  if (result != kTempFileCreated)
    DeleteFile(path);
  return result;
}

int64_t GetLocalFileSize(const std::string& path) {
  int64_t size = GetFileSizeAt(path);
  return size > 0 ? size : 0;
}

DownloadFile::~DownloadFile() {
  std::unique_lock<std::shared_mutex> hold(lock_);
  if (fd_ >= 0)
    CloseFile(fd_);
}

bool DownloadFile::OpenForWrite(const std::string& path) {
  std::unique_lock<std::shared_mutex> hold(lock_);
  if (fd_ >= 0)
    CloseFile(fd_);
  int error = 0;
  fd_ = OpenFile(path, FileOpen::kExistingReadWrite, &error);
  return fd_ >= 0;
}

bool DownloadFile::is_open() const {
  std::shared_lock<std::shared_mutex> hold(lock_);
  return fd_ >= 0;
}

bool DownloadFile::WriteAt(int64_t offset, int64_t length, const void* data, bool setEnd) {
  if (length < 0)
    return false;
  std::shared_lock<std::shared_mutex> shared(lock_, std::defer_lock);
  std::unique_lock<std::shared_mutex> exclusive(lock_, std::defer_lock);
  if (setEnd) {
    // Holding the gate while it waits keeps new range writes back; without
    // it the ranges' stream of shared writes would starve the record.
    std::lock_guard<std::mutex> gate(gate_);
    exclusive.lock();
  } else {
    { std::lock_guard<std::mutex> gate(gate_); }
    shared.lock();
  }
  if (fd_ < 0)
    return false;
  int error = kErrorSuccess;
  // The old end goes first: a process killed between the two steps leaves
  // no record rather than a new record followed by the tail of an old one.
  if (setEnd && (error = SetFileEnd(fd_, offset)) != kErrorSuccess)
    LOG_ERROR("[ERROR] multi, write file data failed! set end, err=[%d].", error);
  error = WriteFileAt(fd_, offset, data, static_cast<size_t>(length));
  if (error == kErrorNegativeSeek) {
    LOG_ERROR("[ERROR] multi, write file data failed! seek failed, err=[%d].", error);
    return false;
  }
  if (error != kErrorSuccess) {
    LOG_ERROR("[ERROR] multi, write file data failed! write size=[%d], err=[%d].",
              static_cast<int>(length), error);
    return false;
  }
  return true;
}

bool DownloadFile::Sync() {
  // Shared: the ranges go on writing while the device catches up.
  std::shared_lock<std::shared_mutex> hold(lock_);
  return fd_ >= 0 && SyncFileData(fd_) == kErrorSuccess;
}

bool DownloadFile::FlushAndClose() {
  std::unique_lock<std::shared_mutex> hold(lock_);
  if (fd_ < 0)
    return false;
  uint64_t started = GetTickCountMs();
  int error = SyncFileData(fd_);
  int cost = static_cast<int>(GetTickCountMs() - started);
  if (error == kErrorSuccess)
    LOG_INFO("[INFO] multi, flush file buffers ok, cost=[%d]ms.", cost);
  else
    LOG_ERROR("[ERROR] multi, flush file buffers failed! err=[%d], cost=[%d]ms.", error, cost);
  CloseFile(fd_);
  fd_ = -1;
  return error == kErrorSuccess;
}

}  // namespace ns_Drav
