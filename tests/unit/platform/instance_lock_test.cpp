#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/sysroot.h"

namespace {

// Runs `body` in a child process and returns its exit status.
template <typename Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0)
    _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceLock, OneHolderPerNameUntilItEndsOrReleases) {
  SysrootSandbox box;
  InstanceLock lock;
  int error = 0;
  ASSERT_EQ(lock.Acquire("Vantorix_qel", &error), InstanceLock::kAcquired);
  EXPECT_EQ(InstanceLock::PathFor("Vantorix_qel"), box.Path("/run/qel/Vantorix_qel.lock"));

  auto try_lock = [](const char* name) {
    return [name] {
      InstanceLock other;
      int err = 0;
      return static_cast<int>(other.Acquire(name, &err));
    };
  };
  EXPECT_EQ(InChild(try_lock("Vantorix_qel")), InstanceLock::kHeldElsewhere);
  EXPECT_EQ(InChild(try_lock("Vantorix_qel_fork")), InstanceLock::kAcquired);
  lock.Release();
  EXPECT_EQ(InChild(try_lock("Vantorix_qel")), InstanceLock::kAcquired);

  // A holder that dies without releasing frees the name.
  EXPECT_EQ(InChild([] {
              InstanceLock held;
              int err = 0;
              held.Acquire("Crash", &err);
              _exit(0);
              return 1;
            }),
            0);
  EXPECT_EQ(lock.Acquire("Crash", &error), InstanceLock::kAcquired);
}

TEST(InstanceLock, AnyProductNameMakesOneFileInTheLockFolder) {
  SysrootSandbox box;
  for (const char* name : {"a/b", "..", ".hidden", "Ünïcode name", ""}) {
    std::string path = InstanceLock::PathFor(name);
    EXPECT_EQ(path.rfind(box.Path("/run/qel/"), 0), 0u) << name;
    EXPECT_EQ(path.find('/', box.Path("/run/qel/").size()), std::string::npos) << name;
    InstanceLock lock;
    int error = 0;
    EXPECT_EQ(lock.Acquire(name, &error), InstanceLock::kAcquired) << name;
  }
}

}  // namespace
