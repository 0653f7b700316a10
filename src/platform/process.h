// Child processes (started with an argument vector, never through a
// shell), the process list, termination and the caller's privileges.
#ifndef QEL_PLATFORM_PROCESS_H_
#define QEL_PLATFORM_PROCESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

struct SpawnOptions {
  std::string working_folder;  // empty: the caller's
  std::string stdin_path;      // empty: inherited
  std::string stdout_path;     // empty: inherited
  std::string stderr_path;     // empty: inherited
};

// Starts argv[0] (searched on PATH when it holds no "/"). On failure
// `error` receives the errno value.
bool SpawnProcess(const std::vector<std::string>& argv,
                  const SpawnOptions& options,
                  pid_t* pid,
                  int* error);

enum class WaitResult { kExited, kTimeout, kFailed };

// Waits for a child; `timeout_ms` < 0 waits for ever. The exit code is the
// process's status, or 128 + the signal that ended it.
WaitResult WaitProcess(pid_t pid, int timeout_ms, int* exit_code);

struct ProcessInfo {
  pid_t pid = 0;
  std::string exe;  // empty when it cannot be read
};

// Every process with its executable path.
std::vector<ProcessInfo> ListProcesses();

// SIGTERM, then SIGKILL when the process is still there after `grace_ms`.
// True when it is gone.
bool TerminateProcess(pid_t pid, int grace_ms);

// Administrator rights: effective user id 0.
bool IsElevated();

#endif  // QEL_PLATFORM_PROCESS_H_
