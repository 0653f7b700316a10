// The installer executable in a machine sandbox: start-up lines, the
// single-instance lock, shutdown on SIGTERM and the fatal start-up errors.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "run_tool.h"
#include "support/sysroot.h"

namespace {

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest() {
    // Open to an unprivileged user too.
    chmod(box_.root().c_str(), 0777);
    chmod(box_.Path("/tmp").c_str(), 01777);
  }
  std::string LogPath(bool fork = false) {
    return box_.Path(fork ? "/tmp/Halvern/QEL/hvForkQEL.log" : "/tmp/Halvern/QEL/hvQEL.log");
  }
  // The log's messages without time stamps.
  std::vector<std::string> Messages(bool fork = false) {
    std::vector<std::string> lines;
    std::string text = ReadFile(LogPath(fork));
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      std::string line = text.substr(at, end - at);
      lines.push_back(line.substr(line.find(" - ") + 3));
      at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
  }
  bool Logged(const std::string& message, bool fork = false) {
    std::vector<std::string> lines = Messages(fork);
    return std::find(lines.begin(), lines.end(), message) != lines.end();
  }
  bool WaitForLine(const std::string& message, bool fork = false) {
    for (int i = 0; i < 400; ++i) {
      if (Logged(message, fork))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }
  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinPath("qel-installer")};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = 0;
    int error = 0;
    EXPECT_TRUE(SpawnProcess(argv, {}, &pid, &error));
    return pid;
  }
  int Stop(pid_t pid) {
    kill(pid, SIGTERM);
    int code = -1;
    EXPECT_EQ(WaitProcess(pid, 20000, &code), WaitResult::kExited);
    return code;
  }
  // A copy of the installer with one resource changed (empty text: removed).
  std::string Spoiled(const std::string& entry, const std::string* content) {
    std::string exe = box_.Path("/spoiled-installer");
    std::filesystem::copy_file(BinPath("qel-installer"), exe,
                               std::filesystem::copy_options::overwrite_existing);
    if (content) {
      WriteFile(box_.Path("/entry"), *content);
      EXPECT_EQ(RunTool({"qel-res", "set", exe, entry, box_.Path("/entry")}).code, 0);
    } else {
      EXPECT_EQ(RunTool({"qel-res", "remove", exe, entry}).code, 0);
    }
    return exe;
  }

  SysrootSandbox box_;
};

TEST_F(InstallerTest, StartsHoldsItsLockAndStopsInOrder) {
  pid_t first = Start({});
  ASSERT_TRUE(WaitForLine("[INFO] MessageLoop"));
  std::vector<std::string> lines = Messages();
  std::vector<std::string> expected_order = {"[INFO] start, fork=[0].",  "[INFO] LoadLocalXml",
                                             "[INFO] ReadRunConfig",     "[INFO] loadLangXML",
                                             "[INFO] QelWnd handle=[1]", "[INFO] MessageLoop"};
  auto at = lines.begin();
  for (const std::string& line : expected_order) {
    at = std::find(at, lines.end(), line);
    EXPECT_NE(at, lines.end()) << line;
  }
  EXPECT_EQ(lines.front(), "[INFO] start, fork=[0].");
  EXPECT_TRUE(std::filesystem::exists(box_.Path("/run/qel/Vantorix_qel.lock")));
  EXPECT_TRUE(std::filesystem::exists(box_.Path("/var/lib/qel/registry/machine.db")));

  // A second copy leaves at once; the first one keeps running.
  ToolResult second = RunTool({BinPath("qel-installer")});
  EXPECT_EQ(second.code, 255);
  EXPECT_TRUE(Logged("[WARN] Already exist PreInstance."));
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(kill(first, 0), 0);

  // A fork-mode child beside its parent.
  pid_t child = Start({"OnlyForkInstallDependent=1", "HostLang=Deutsch", "HostHwnd=26"});
  ASSERT_TRUE(WaitForLine("[INFO] MessageLoop", true));
  EXPECT_TRUE(Logged("[INFO] start, fork=[1].", true));
  EXPECT_TRUE(Logged("[INFO] set host hwnd=[1a].", true));
  EXPECT_EQ(Stop(child), 0);
  EXPECT_TRUE(Logged("[INFO] exit!", true));

  EXPECT_EQ(Stop(first), 0);
  EXPECT_TRUE(Logged("[INFO] MessageLoop end"));
  EXPECT_EQ(Messages().back(), "[INFO] exit!");
  // The lock went with it.
  pid_t third = Start({});
  ASSERT_TRUE(WaitForLine("[INFO] MessageLoop"));
  EXPECT_EQ(Stop(third), 0);
}

TEST_F(InstallerTest, NotAdministrator) {
  std::vector<std::string> argv{BinPath("qel-installer")};
  if (geteuid() == 0)
    argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  ToolResult normal = RunTool(argv);
  EXPECT_EQ(normal.code, 255);
  EXPECT_EQ(normal.err,
            "Error: You must be logged in as administrator when installing this program.\n");
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "[INFO] start, fork=[0].",
                            "[ERROR] You must be logged in as administrator when installing "
                            "this program."}));
  argv.push_back("OnlyForkInstallDependent=1");
  ToolResult fork = RunTool(argv);
  EXPECT_EQ(fork.code, 255);
  EXPECT_EQ(fork.err, "");
  EXPECT_TRUE(
      Logged("[ERROR] You must be logged in as administrator when installing this program.", true));
}

TEST_F(InstallerTest, BrokenEmbeddedDocuments) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs administrator rights";
  const std::string broken = "<Product><ProductName>x</Product>";
  const std::string empty;
  const std::string lang_broken = "<Lang><item name=\"ok\">OK</Lang>";
  struct Case {
    const char* entry;
    const std::string* content;
    const char* detail;
    const char* line;
    const char* box;
  } cases[] = {
      {"XML/106", nullptr, "[ERROR] LoadLocalXml, find failed!", "[ERROR] LoadLocalXml failed!",
       "Error: Load product xml error.\n"},
      {"XML/106", &empty, "[ERROR] LoadLocalXml, size error!", "[ERROR] LoadLocalXml failed!",
       "Error: Load product xml error.\n"},
      {"XML/106", &broken, "[ERROR] LoadLocalXml err 3", "[ERROR] LoadLocalXml failed!",
       "Error: Load product xml error.\n"},
      {"XML/131", &lang_broken, "[INFO] loadLangXML", "[ERROR] loadLangXML failed!",
       "Error: Load lang xml error.\n"},
      {"XML/131", nullptr, "[INFO] loadLangXML", "[ERROR] loadLangXML failed!",
       "Error: Load lang xml error.\n"},
  };
  for (const Case& c : cases) {
    std::string exe = Spoiled(c.entry, c.content);
    for (bool fork : {false, true}) {
      std::vector<std::string> argv{exe};
      if (fork)
        argv.push_back("OnlyForkInstallDependent=1");
      ToolResult result = RunTool(argv);
      EXPECT_EQ(result.code, 255) << c.line;
      EXPECT_EQ(result.err, fork ? "" : c.box) << c.line;
      EXPECT_TRUE(Logged(c.detail, fork)) << c.detail;
      EXPECT_TRUE(Logged(c.line, fork)) << c.line;
      EXPECT_FALSE(Logged("[INFO] MessageLoop", fork)) << c.line;
    }
  }
}

}  // namespace
