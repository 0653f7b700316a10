#include "platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "support/temp_dir.h"

namespace {

TEST(Process, RunsAnArgumentVectorWithoutShellAndReportsItsExitCode) {
  TempDir dir;
  pid_t pid = 0;
  int error = 0;
  std::string out = dir.path() + "out.txt";
  SpawnOptions options;
  options.stdout_path = out;
  options.working_folder = dir.path();
  // No shell: the ; and $ reach the program as they are.
  ASSERT_TRUE(SpawnProcess({"printf", "%s|", "a b;$HOME", "x"}, options, &pid, &error));
  int code = -1;
  ASSERT_EQ(WaitProcess(pid, -1, &code), WaitResult::kExited);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(out), "a b;$HOME|x|");

  ASSERT_TRUE(SpawnProcess({"/bin/sh", "-c", "pwd; exit 7"}, options, &pid, &error));
  ASSERT_EQ(WaitProcess(pid, 10000, &code), WaitResult::kExited);
  EXPECT_EQ(code, 7);
  std::string cwd = ReadFile(out);
  EXPECT_EQ(cwd.substr(0, cwd.size() - 1) + "/", dir.path());
}

TEST(Process, MissingProgramIsAnError) {
  pid_t pid = 0;
  int error = 0;
  EXPECT_FALSE(SpawnProcess({"/nonexistent/program"}, {}, &pid, &error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(SpawnProcess({}, {}, &pid, &error));
}

TEST(Process, WaitTimesOutAndTerminateEndsTheProcess) {
  pid_t pid = 0;
  int error = 0;
  ASSERT_TRUE(SpawnProcess({"sleep", "30"}, {}, &pid, &error));
  int code = 0;
  EXPECT_EQ(WaitProcess(pid, 50, &code), WaitResult::kTimeout);

  bool listed = false;
  for (const ProcessInfo& p : ListProcesses()) {
    if (p.pid == pid)
      listed = p.exe.find("sleep") != std::string::npos;
  }
  EXPECT_TRUE(listed);

  EXPECT_TRUE(TerminateProcess(pid, 5000));
  ASSERT_EQ(WaitProcess(pid, -1, &code), WaitResult::kExited);
  EXPECT_EQ(code, 128 + 15);
  EXPECT_EQ(WaitProcess(pid, 10, &code), WaitResult::kFailed);
}

TEST(Process, TerminateKillsWhatIgnoresSigterm) {
  pid_t pid = 0;
  int error = 0;
  ASSERT_TRUE(SpawnProcess({"/bin/sh", "-c", "trap '' TERM; while :; do sleep 0.05; done"}, {},
                           &pid, &error));
  usleep(200000);
  EXPECT_TRUE(TerminateProcess(pid, 200));
  int code = 0;
  ASSERT_EQ(WaitProcess(pid, -1, &code), WaitResult::kExited);
  EXPECT_EQ(code, 128 + 9);
}

TEST(Process, ListsItselfWithItsExecutable) {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  ASSERT_GT(n, 0);
  bool found = false;
  for (const ProcessInfo& p : ListProcesses())
    found = found || (p.pid == getpid() && p.exe == std::string(self, n));
  EXPECT_TRUE(found);
}

}  // namespace
