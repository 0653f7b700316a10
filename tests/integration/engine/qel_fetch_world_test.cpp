// qel-fetch as a user runs it, against the test world: interrupted by a
// signal or killed outright at any moment, then run again.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "engine_world.h"
#include "platform/process.h"

namespace ns_Drav {
namespace {

using namespace std::chrono_literals;

class QelFetchWorld : public EngineWorldTest {
 protected:
  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {std::string(QEL_BIN_DIR) + "/qel-fetch"};
    argv.insert(argv.end(), args.begin(), args.end());
    SpawnOptions options;
    options.stdin_path = "/dev/null";
    options.stdout_path = dir_.path() + "out.txt";
    options.stderr_path = dir_.path() + "err.txt";
    pid_t pid = 0;
    int error = 0;
    EXPECT_TRUE(SpawnProcess(argv, options, &pid, &error)) << error;
    return pid;
  }
  int Wait(pid_t pid) {
    int code = -1;
    if (WaitProcess(pid, 120000, &code) != WaitResult::kExited) {
      ADD_FAILURE() << "qel-fetch did not end";
      kill(pid, SIGKILL);
      WaitProcess(pid, -1, &code);
    }
    return code;
  }
  int RunFetch(const std::vector<std::string>& args) { return Wait(Start(args)); }

  std::vector<std::string> FetchArgs(const std::string& md5) {
    return {"--md5",
            md5,
            "--log",
            dir_.path() + "fetch.log",
            world_.HttpUrl("/files/" + name_),
            dir_.path() + "out"};
  }
  std::string FetchTarget() const { return dir_.path() + "out/" + name_; }
  std::string Output() const { return ReadFile(FetchTarget()); }
  std::string TempFile() const { return dir_.path() + "out/" + name_ + ".~P2S"; }
  void Slow(int bytesPerSecond) {
    ASSERT_TRUE(world_.AddFault(
        "{\"file\": \"" + name_ +
        "\", \"fault\": \"rate\", \"bytes_per_second\": " + std::to_string(bytesPerSecond) + "}"));
  }
  static bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i)
      std::this_thread::sleep_for(10ms);
    return done();
  }
  int64_t TempSize() const {
    struct stat info {};
    return stat(TempFile().c_str(), &info) == 0 ? info.st_size : -1;
  }
  // Waits until the download has written something.
  bool WaitForTempFile() {
    return WaitUntil([&] { return FileExists(TempFile()); });
  }
};

TEST_F(QelFetchWorld, ExplainsItselfAndRefusesABadCommandLine) {
  EXPECT_EQ(RunFetch({"--help"}), 0);
  std::string help = ReadFile(dir_.path() + "out.txt");
  for (const char* part : {"--md5 LIST", "--segments N", "--concurrency N", "--task-id N",
                           "--log FILE", "--quiet", "SIGTERM", "Exit codes"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
  for (std::vector<std::string> bad : {std::vector<std::string>{},
                                       {"only-a-url"},
                                       {"--segments", "x", "u", "d"},
                                       {"--task-id", "0", "u", "d"},
                                       {"--what", "u", "d"},
                                       {"u", "d", "e"}}) {
    EXPECT_EQ(RunFetch(bad), 8);
    EXPECT_NE(ReadFile(dir_.path() + "err.txt").find("qel-fetch --help"), std::string::npos);
  }
}

TEST_F(QelFetchWorld, DownloadsAndEndsWithASummaryLine) {
  const int64_t size = 5 * 1024 * 1024 + 3;
  std::string md5 = world_.MakeFile(name_, size, 31);
  std::vector<std::string> args = FetchArgs(md5);
  args.insert(args.begin(), {"--segments", "40", "--concurrency", "6", "--task-id", "12"});
  EXPECT_EQ(RunFetch(args), 0);
  EXPECT_EQ(Output(), ReadFile(Source()));
  std::string out = ReadFile(dir_.path() + "out.txt");
  EXPECT_EQ(out.rfind("qel-fetch: status 0 (Success), 5242883 bytes (5.0 MiB) in ", 0), 0u) << out;
  std::string log = ReadFile(dir_.path() + "fetch.log");
  EXPECT_NE(log.find("weak network mode enabled for pid=[12], flags=[0x0001], segments=[40], "
                     "maxConcurrent=[6]."),
            std::string::npos);
  // Again: the file is there already.
  EXPECT_EQ(RunFetch(FetchArgs(md5)), 0);
  EXPECT_NE(ReadFile(dir_.path() + "out.txt").find("status 1 (Already downloaded)"),
            std::string::npos);
  // No digest for a plain-http URL: the engine's status is the exit code.
  unlink((dir_.path() + "out/" + name_).c_str());
  EXPECT_EQ(RunFetch(FetchArgs("")), 11);
  EXPECT_FALSE(FileExists(dir_.path() + "out/" + name_));
}

TEST_F(QelFetchWorld, AnInterruptSavesTheRecordAndTheNextRunResumes) {
  const int64_t size = 12 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 32);
  Slow(100 * 1024);
  for (int signal : {SIGINT, SIGTERM}) {
    pid_t pid = Start(FetchArgs(md5));
    ASSERT_TRUE(WaitForTempFile());
    std::this_thread::sleep_for(700ms);
    kill(pid, signal);
    EXPECT_EQ(Wait(pid), 13) << signal;
    EXPECT_NE(ReadFile(dir_.path() + "err.txt").find("status 13 (User canceled)"),
              std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(TempFile().c_str(), &info), 0);
    EXPECT_GT(info.st_size, size);  // the package and its resume record
    EXPECT_FALSE(FileExists(dir_.path() + "out/" + name_));
  }
  world_.Clear(name_);
  EXPECT_EQ(RunFetch(FetchArgs(md5)), 0);
  EXPECT_EQ(Output(), ReadFile(Source()));
  EXPECT_NE(ReadFile(dir_.path() + "fetch.log").find("multi, resume download."), std::string::npos);
}

TEST_F(QelFetchWorld, KilledAtAnyMomentItNeverPutsAWrongFileInPlace) {
  const int64_t size = 72 * 1024 * 1024;  // checkpoints come every 30 MiB
  std::string md5 = world_.MakeFile(name_, size, 33);
  Slow(1024 * 1024);
  int resumed = 0;
  struct Point {
    bool afterCheckpoint;  // once the file carries a resume record
    std::chrono::milliseconds delay;
  };
  // A kill before any record, right after one, and at moments in between.
  for (Point point : {Point{false, 0ms}, Point{true, 0ms}, Point{false, 300ms}, Point{true, 400ms},
                      Point{false, 800ms}, Point{true, 50ms}}) {
    pid_t pid = Start(FetchArgs(md5));
    ASSERT_TRUE(WaitUntil([&] {
      int64_t temp = TempSize();
      bool written = point.afterCheckpoint ? temp > size : temp >= 0;
      return written || FileExists(FetchTarget());
    }));
    std::this_thread::sleep_for(point.delay);
    kill(pid, SIGKILL);
    int code = Wait(pid);
    EXPECT_TRUE(code == 128 + SIGKILL || code == 0) << code;
    // Either no file under the target name, or the right one.
    if (FileExists(FetchTarget())) {
      EXPECT_EQ(Output(), ReadFile(Source()));
    }
  }
  std::string log = ReadFile(dir_.path() + "fetch.log");
  for (size_t at = log.find("multi, resume download."); at != std::string::npos;
       at = log.find("multi, resume download.", at + 1)) {
    ++resumed;
  }
  world_.Clear(name_);
  EXPECT_EQ(RunFetch(FetchArgs(md5)), 0);
  EXPECT_EQ(Output(), ReadFile(Source()));
  EXPECT_FALSE(FileExists(TempFile()));
  EXPECT_GE(resumed, 1) << "no killed run left a checkpoint to resume from";
}

}  // namespace
}  // namespace ns_Drav
