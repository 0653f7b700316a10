#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace {

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  errno = ENOSYS;
  return -1;
#endif
}

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

// Waits until the process ends or `timeout_ms` passes (< 0: for ever).
// True when it has ended (it may still need reaping).
bool WaitEnded(pid_t pid, int timeout_ms, bool (*ended)(pid_t)) {
  int fd = OpenPidFd(pid);
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do {
      rc = poll(&p, 1, timeout_ms);
    } while (rc < 0 && errno == EINTR);
    close(fd);
    return rc > 0;
  }
  if (errno == ESRCH)
    return true;
  // No pidfd on this kernel: look now and then.
  int64_t deadline = NowMs() + timeout_ms;
  while (!ended(pid)) {
    if (timeout_ms >= 0 && NowMs() >= deadline)
      return false;
    SleepMs(10);
  }
  return true;
}

bool ProcessGone(pid_t pid) {
  if (kill(pid, 0) != 0 && errno == ESRCH)
    return true;
  // A zombie has ended; only its parent can remove it.
  char path[64];
  snprintf(path, sizeof(path), "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = fopen(path, "re");
  if (!f)
    return true;
  char state = 0;
  int matched = fscanf(f, "%*d (%*[^)]) %c", &state);
  fclose(f);
  return matched == 1 && (state == 'Z' || state == 'X');
}

bool ChildEnded(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
         info.si_pid == pid;
}

}  // namespace

bool SpawnProcess(const std::vector<std::string>& argv,
                  const SpawnOptions& options,
                  pid_t* pid,
                  int* error) {
  *error = 0;
  if (argv.empty() || argv[0].empty()) {
    *error = EINVAL;
    return false;
  }
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!options.working_folder.empty())
    posix_spawn_file_actions_addchdir_np(&actions, options.working_folder.c_str());
  if (!options.stdin_path.empty())
    posix_spawn_file_actions_addopen(&actions, 0, options.stdin_path.c_str(), O_RDONLY, 0);
  int flags = O_WRONLY | O_CREAT | O_TRUNC;
  if (!options.stdout_path.empty())
    posix_spawn_file_actions_addopen(&actions, 1, options.stdout_path.c_str(), flags, 0644);
  if (!options.stderr_path.empty())
    posix_spawn_file_actions_addopen(&actions, 2, options.stderr_path.c_str(), flags, 0644);

  // The child starts with default signal handling and an empty mask.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  bool search = argv[0].find('/') == std::string::npos;
  int rc = search ? posix_spawnp(pid, args[0], &actions, &attr, args.data(), environ)
                  : posix_spawn(pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    *error = rc;
    return false;
  }
  return true;
}

WaitResult WaitProcess(pid_t pid, int timeout_ms, int* exit_code) {
  if (timeout_ms >= 0 && !WaitEnded(pid, timeout_ms, ChildEnded))
    return WaitResult::kTimeout;
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(pid, &status, 0);
  } while (rc < 0 && errno == EINTR);
  if (rc != pid)
    return WaitResult::kFailed;
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return WaitResult::kExited;
}

std::vector<ProcessInfo> ListProcesses() {
  std::vector<ProcessInfo> list;
  DIR* dir = opendir("/proc");
  if (!dir)
    return list;
  while (dirent* entry = readdir(dir)) {
    char* end = nullptr;
    long pid = strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0')
      continue;
    ProcessInfo info;
    info.pid = static_cast<pid_t>(pid);
    char link[64];
    char target[4096];
    snprintf(link, sizeof(link), "/proc/%ld/exe", pid);
    ssize_t n = readlink(link, target, sizeof(target) - 1);
    if (n > 0)
      info.exe.assign(target, static_cast<size_t>(n));
    list.push_back(std::move(info));
  }
  closedir(dir);
  return list;
}

bool TerminateProcess(pid_t pid, int grace_ms) {
  if (pid <= 0)
    return false;
  if (kill(pid, SIGTERM) != 0)
    return errno == ESRCH;
  if (WaitEnded(pid, grace_ms, ProcessGone))
    return true;
  if (kill(pid, SIGKILL) != 0)
    return errno == ESRCH;
  return WaitEnded(pid, 5000, ProcessGone);
}

bool IsElevated() {
  return geteuid() == 0;
}
