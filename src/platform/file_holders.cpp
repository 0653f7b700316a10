#include "platform/file_holders.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

std::string ReadLink(const std::string& path) {
  char target[PATH_MAX];
  ssize_t n = readlink(path.c_str(), target, sizeof(target) - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

bool IsPid(const char* name) {
  if (!*name)
    return false;
  for (; *name; ++name) {
    if (*name < '0' || *name > '9')
      return false;
  }
  return true;
}

bool HoldsFile(int pid, const std::string& target) {
  std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
  std::unique_ptr<DIR, int (*)(DIR*)> fds(opendir(folder.c_str()), closedir);
  if (!fds)
    return false;
  while (dirent* entry = readdir(fds.get())) {
    if (IsPid(entry->d_name) && ReadLink(folder + entry->d_name) == target)
      return true;
  }
  return false;
}

}  // namespace

std::vector<FileHolder> FindFileHolders(const std::string& path, size_t limit) {
  std::vector<FileHolder> holders;
  // The links under /proc/*/fd name the file by its resolved path.
  char resolved[PATH_MAX];
  if (!realpath(path.c_str(), resolved))
    return holders;
  std::string target = resolved;
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  if (!proc)
    return holders;
  std::vector<int> pids;
  while (dirent* entry = readdir(proc.get())) {
    if (IsPid(entry->d_name) && strlen(entry->d_name) < 10)
      pids.push_back(atoi(entry->d_name));
  }
  std::sort(pids.begin(), pids.end());
  int self = static_cast<int>(getpid());
  for (int pid : pids) {
    if (holders.size() >= limit)
      break;
    if (pid == self)
      continue;
    if (HoldsFile(pid, target))
      holders.push_back({pid, ReadLink("/proc/" + std::to_string(pid) + "/exe")});
  }
  return holders;
}
