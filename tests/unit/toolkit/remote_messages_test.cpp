#include "toolkit/remote_messages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/session_dir.h"
#include "toolkit/window_registry.h"
#include "toolkit_test_util.h"

namespace {

const char kMarkup[] = R"(<Window size="100,60"><VerticalLayout name="lay_main"/></Window>)";

class RemoteTest : public ::testing::Test {
 protected:
  RemoteTest()
      : root_("QEL_SYSROOT", sysroot_.path().c_str()),
        runtime_("XDG_RUNTIME_DIR", "/run/user/test") {}

  void SetUp() override {
    InitMessageLoop();
    ASSERT_TRUE(LoadSkin(MakeZip({{"w.xml", kMarkup}})));
    ASSERT_TRUE(window_.Create(0, "Vantorix", WS_POPUP, 0));
  }

  // Runs qel-post with `args` in another process while this one serves its
  // messages; returns its exit code.
  int RunPost(const std::string& args, std::string* output = nullptr) {
    std::string command = std::string(QEL_BIN_DIR) + "/qel-post " + args;
    std::atomic<int> code{-1};
    std::string out;
    std::thread runner([&] {
      FILE* pipe = popen(command.c_str(), "r");
      char buffer[256];
      while (pipe && fgets(buffer, sizeof(buffer), pipe))
        out += buffer;
      code = pipe ? WEXITSTATUS(pclose(pipe)) : 127;
    });
    RunUntil([&] { return code.load() != -1; });
    runner.join();
    PumpPendingMessages();
    if (output)
      *output = out;
    return code;
  }

  TempDir sysroot_;
  ScopedEnv root_;
  ScopedEnv runtime_;
  TestWindow window_{"w.xml", "QEL"};
};

}  // namespace

TEST_F(RemoteTest, AnotherProcessFindsTheWindowAndPosts) {
  EXPECT_EQ(RunPost("--class QEL --title Vantorix 0x8065 3 4"), 0);
  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].message, WM_APP + 101);
  EXPECT_EQ(window_.messages[0].wparam, 3u);
  EXPECT_EQ(window_.messages[0].lparam, 4);

  char handle[32];
  snprintf(handle, sizeof(handle), "0x%llX", static_cast<unsigned long long>(window_.GetHWND()));
  EXPECT_EQ(RunPost(std::string("--hwnd ") + handle + " 0x46F 55"), 0);
  ASSERT_EQ(window_.messages.size(), 2u);
  EXPECT_EQ(window_.messages[1].message, WM_USER + 111);
  EXPECT_EQ(window_.messages[1].wparam, 55u);
}

TEST_F(RemoteTest, CopyDataIsSentAndAnswered) {
  std::string output;
  EXPECT_EQ(RunPost("--class QEL --title Vantorix --copydata page_event --tag 9", &output), 0);
  EXPECT_EQ(output, "1\n");  // the window's answer: wParam (0) + 1
  EXPECT_EQ(window_.copied, "page_event");
}

TEST_F(RemoteTest, WrongWindowsAndPointerMessagesAreRefused) {
  EXPECT_EQ(RunPost("--class QEL --title Other 0x8065"), 1);
  EXPECT_EQ(RunPost("--hwnd 0x7FFFFFFF0001 0x8065"), 1);
  EXPECT_EQ(RunPost("--class QEL 0x000C 0 1234"), 1);  // WM_SETTEXT carries a pointer
  EXPECT_EQ(RunPost("--class QEL"), 2);
  EXPECT_TRUE(window_.messages.empty());
  EXPECT_FALSE(IsRemoteMessageAllowed(WM_COPYDATA, false));
  EXPECT_TRUE(IsRemoteMessageAllowed(WM_COPYDATA, true));
  EXPECT_TRUE(IsRemoteMessageAllowed(WM_CLOSE, false));
  EXPECT_FALSE(IsRemoteMessageAllowed(WM_GETMINMAXINFO, true));
}

TEST_F(RemoteTest, AMessageFromAnotherUserIsDropped) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to run a process as another user";
  // Open the way to the socket, so that only the peer check stands between.
  std::string session = SessionDir();
  for (std::string dir = session; dir.size() > sysroot_.path().size();
       dir = dir.substr(0, dir.find_last_of('/', dir.size() - 2) + 1))
    chmod(dir.c_str(), 0755);
  chmod(MessageSocketPath(getpid()).c_str(), 0777);
  std::string post = std::string(QEL_BIN_DIR) + "/qel-post";
  std::string handle = std::to_string(window_.GetHWND());
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0)
      _exit(99);
    execl(post.c_str(), "qel-post", "--hwnd", handle.c_str(), "0x8065", nullptr);
    _exit(98);
  }
  int status = 0;
  RunUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
  PumpPendingMessages();
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(window_.messages.empty());
}
