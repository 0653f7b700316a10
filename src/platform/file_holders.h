// Which processes hold a file open.
#ifndef QEL_PLATFORM_FILE_HOLDERS_H_
#define QEL_PLATFORM_FILE_HOLDERS_H_

#include <string>
#include <vector>

struct FileHolder {
  int pid = 0;
  std::string exe;  // the process's executable, empty when not readable
};

// Every other process with an open descriptor on `path`,
// found by scanning /proc/*/fd, in ascending pid order. Processes whose
// descriptors we may not read are left out; at most `limit` are returned.
std::vector<FileHolder> FindFileHolders(const std::string& path, size_t limit = 10);

#endif  // QEL_PLATFORM_FILE_HOLDERS_H_
