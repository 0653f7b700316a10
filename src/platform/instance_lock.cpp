#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/path.h"

namespace {

// A file name for any product name: no "/", never "." or "..".
std::string FileNameFor(std::string_view name) {
  std::string file;
  for (char c : name)
    file.push_back(c == '/' || c == '\0' ? '_' : c);
  if (file.empty() || file[0] == '.')
    file.insert(0, "_");
  return file + ".lock";
}

std::string LockFolder() {
  std::string folder = UnderSysroot("/run/qel/");
  struct stat st;
  if (CreateFolderChain(folder, 0755) &&
      lstat(folder.substr(0, folder.size() - 1).c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == geteuid() && (st.st_mode & 022) == 0)
    return folder;
  return GetPrivateTempFolder();
}

}  // namespace

InstanceLock::~InstanceLock() {
  Release();
}

std::string InstanceLock::PathFor(std::string_view name) {
  std::string folder = LockFolder();
  return folder.empty() ? std::string() : folder + FileNameFor(name);
}

InstanceLock::Result InstanceLock::Acquire(std::string_view name, int* error) {
  Release();
  *error = 0;
  std::string path = PathFor(name);
  if (path.empty()) {
    *error = ENOENT;
    return kFailed;
  }
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    *error = errno;
    return kFailed;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    *error = errno;
    close(fd);
    return *error == EWOULDBLOCK ? kHeldElsewhere : kFailed;
  }
  fd_ = fd;
  return kAcquired;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}
