#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int SystemErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kErrorAccessDenied;
    case EBUSY:
    case EAGAIN:
      return kErrorSharingViolation;
    case EINVAL:
      return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrorDiskFull;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EIO:
      return kErrorIoDevice;
    case ETXTBSY:
      // A running program's file: the nearest Windows case is a file that is
      // mapped into a process.
      return kErrorUserMappedFile;
    default:
      return 0x20000000 | error;
  }
}

namespace {

int LastError() {
  return SystemErrorFromErrno(errno);
}

}  // namespace

int OpenFile(const std::string& path, FileOpen how, int* error) {
  int flags = O_CLOEXEC | O_NOFOLLOW;
  switch (how) {
    case FileOpen::kCreateAlways:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case FileOpen::kExistingReadWrite:
      flags |= O_RDWR;
      break;
    case FileOpen::kExistingRead:
      flags |= O_RDONLY;
      break;
  }
  int fd;
  do {
    fd = open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  *error = fd < 0 ? LastError() : kErrorSuccess;
  return fd;
}

int CloseFile(int fd) {
  // After EINTR the descriptor is gone on Linux; retrying could close another.
  if (close(fd) != 0 && errno != EINTR)
    return LastError();
  return kErrorSuccess;
}

int AllocateFile(int fd, int64_t size) {
  if (size < 0)
    return kErrorNegativeSeek;
  if (size == 0)
    return kErrorSuccess;
  int result;
  do {
    result = posix_fallocate(fd, 0, size);
  } while (result == EINTR);
  return SystemErrorFromErrno(result);
}

int SetFileEnd(int fd, int64_t size) {
  if (size < 0)
    return kErrorNegativeSeek;
  int result;
  do {
    result = ftruncate(fd, size);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? kErrorSuccess : LastError();
}

int WriteFileAt(int fd, int64_t offset, const void* data, size_t length) {
  if (offset < 0)
    return kErrorNegativeSeek;
  const char* at = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = pwrite(fd, at, length, offset);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return LastError();
    }
    if (n == 0)
      return kErrorDiskFull;
    at += n;
    offset += n;
    length -= static_cast<size_t>(n);
  }
  return kErrorSuccess;
}

int ReadFileAt(int fd, int64_t offset, void* data, size_t length, size_t* done) {
  *done = 0;
  if (offset < 0)
    return kErrorNegativeSeek;
  char* at = static_cast<char*>(data);
  while (*done < length) {
    ssize_t n = pread(fd, at + *done, length - *done, offset + static_cast<int64_t>(*done));
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return LastError();
    }
    if (n == 0)
      break;
    *done += static_cast<size_t>(n);
  }
  return kErrorSuccess;
}

int SyncFileData(int fd) {
  return fdatasync(fd) == 0 ? kErrorSuccess : LastError();
}

void StartFileWriteback(int fd, int64_t offset, int64_t length) {
  if (offset >= 0 && length > 0)
    sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}

int RenameFile(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? kErrorSuccess : LastError();
}

int DeleteFile(const std::string& path) {
  return unlink(path.c_str()) == 0 ? kErrorSuccess : LastError();
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

int64_t GetFileSizeAt(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return -1;
  return info.st_size;
}

int64_t GetFileSize(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 ? info.st_size : -1;
}
