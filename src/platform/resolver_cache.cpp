#include "platform/resolver_cache.h"

#include <unistd.h>

#include <string>

#include "platform/process.h"

namespace {

constexpr int kFlushTimeoutMs = 5000;

// resolvectl from the system's own folders only: a flush must not run
// whatever a changed PATH puts first.
std::string FindResolvectl() {
  for (const char* path : {"/usr/bin/resolvectl", "/bin/resolvectl"}) {
    if (access(path, X_OK) == 0)
      return path;
  }
  return std::string();
}

}  // namespace

bool FlushResolverCache() {
  std::string tool = FindResolvectl();
  if (tool.empty())
    return false;
  SpawnOptions options;
  options.stdin_path = "/dev/null";
  options.stdout_path = "/dev/null";
  options.stderr_path = "/dev/null";
  pid_t pid = 0;
  int error = 0;
  if (!SpawnProcess({tool, "flush-caches"}, options, &pid, &error))
    return false;
  int exit_code = 0;
  WaitResult waited = WaitProcess(pid, kFlushTimeoutMs, &exit_code);
  if (waited == WaitResult::kTimeout) {
    TerminateProcess(pid, 500);
    WaitProcess(pid, 1000, &exit_code);
    return false;
  }
  return waited == WaitResult::kExited && exit_code == 0;
}
