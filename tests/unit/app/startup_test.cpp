#include "app/startup.h"

#include <gtest/gtest.h>

#include <map>

#include "app/language_table.h"
#include "foundation/log.h"
#include "platform/instance_lock.h"
#include "support/sysroot.h"

namespace {

class FakeUi : public IUiHost {
 public:
  bool InitThread(int* error) override {
    *error = init_error;
    return init_error == 0;
  }
  void UninitThread() override { ++uninits; }
  void ShowErrorBox(const std::string& text, const std::string& title) override {
    boxes.push_back(title + ": " + text);
  }
  void ActivateRunningInstance(const std::string& product_name) override {
    activated.push_back(product_name);
  }
  void LoadSkin() override {}
  bool ConstructMainWindow(InstallerState&, LanguageTable& texts) override {
    lang_text = texts.GetLangText("ok");
    return construct;
  }
  uint64_t CreateMainWindow(const std::string& title, bool hidden) override {
    window_title = title;
    window_hidden = hidden;
    return 0x1a2b;
  }
  void RunMessageLoop() override {
    // The lock is held while the window runs.
    InstanceLock other;
    int error = 0;
    lock_held_in_loop = other.Acquire(lock_name, &error) == InstanceLock::kHeldElsewhere;
  }

  int init_error = 0;
  bool construct = true;
  int uninits = 0;
  std::vector<std::string> boxes;
  std::vector<std::string> activated;
  std::string lang_text, window_title, lock_name = "Vantorix_qel";
  bool window_hidden = false;
  bool lock_held_in_loop = false;
};

// One log file for the whole test program; each test reads what it added.
class LogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static TempDir dir;
    setenv("TMPDIR", dir.path().c_str(), 1);
    simpleLog::Create(LogFolder() + "hvQEL.log");
  }
};
const auto* const kLogEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class StartupTest : public ::testing::Test {
 public:
  StartupTest() {
    resources_["XML/106"] =
        "<Product><ProductName>Vantorix</ProductName><ProductBrand>Halvern</ProductBrand>"
        "<ProductID>5793</ProductID></Product>";
    resources_["XML/131"] = "<Lang><item name=\"ok\">OK</item></Lang>";
    ResourceReader read = [this](std::string_view name, std::string* bytes) {
      auto it = resources_.find(std::string(name));
      if (it == resources_.end())
        return ResourceStatus::kMissing;
      *bytes = it->second;
      return ResourceStatus::kOk;
    };
    options_.read_resource = read;
    options_.config_services.read_resource = read;
    options_.config_services.save_folder = [this](const std::string&) {
      return box_.Path("/var/lib/Halvern/");
    };
    options_.is_elevated = [this] { return elevated_; };
    options_.stop_engine = [this] { ++engine_stops_; };
    log_start_ = ReadFile(simpleLog::Instance()->path()).size();
  }

  int Run(const std::vector<std::string>& args) {
    return RunInstaller(args, ui_, options_, &state_);
  }
  // Messages logged since the test began, without time stamps.
  std::vector<std::string> Logged() {
    std::string text = ReadFile(simpleLog::Instance()->path()).substr(log_start_);
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find('\n', at);
      std::string line = text.substr(at, end - at);
      lines.push_back(line.substr(line.find(" - ") + 3));
      at = end + 1;
    }
    return lines;
  }
  bool LoggedLine(const std::string& line) {
    std::vector<std::string> lines = Logged();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  SysrootSandbox box_;
  std::map<std::string, std::string> resources_;
  StartupOptions options_;
  InstallerState state_;
  FakeUi ui_;
  bool elevated_ = true;
  int engine_stops_ = 0;
  size_t log_start_ = 0;
};

TEST_F(StartupTest, RunsInOrderAndShutsDown) {
  EXPECT_EQ(Run({}), 0);
  std::vector<std::string> expected = {
      "[INFO] start, fork=[0].",
      "[INFO] LoadLocalXml",
      "[INFO] config folder=[" + box_.Path("/var/lib/Halvern/") + "].",
  };
  std::vector<std::string> lines = Logged();
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected);
  std::vector<std::string> tail(lines.end() - 5, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"[INFO] loadLangXML", "[INFO] QelWnd handle=[1a2b]",
                                            "[INFO] MessageLoop", "[INFO] MessageLoop end",
                                            "[INFO] exit!"}));
  EXPECT_TRUE(LoggedLine("[INFO] ReadRunConfig"));
  EXPECT_TRUE(ui_.lock_held_in_loop);
  EXPECT_EQ(ui_.window_title, "Vantorix");
  EXPECT_FALSE(ui_.window_hidden);
  EXPECT_EQ(ui_.lang_text, "OK");
  EXPECT_EQ(ui_.uninits, 1);
  EXPECT_EQ(engine_stops_, 1);
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_EQ(state_.main_window, 0x1a2bu);
  InstanceLock after;
  int error = 0;
  EXPECT_EQ(after.Acquire("Vantorix_qel", &error), InstanceLock::kAcquired);
}

TEST_F(StartupTest, FatalErrorsShowABoxOnlyInNormalMode) {
  struct Case {
    const char* name;
    std::function<void(StartupTest*)> spoil;
    std::string log_line;
    std::string box;
  } cases[] = {
      {"not elevated", [](StartupTest* t) { t->elevated_ = false; },
       "[ERROR] You must be logged in as administrator when installing this program.",
       "Error: You must be logged in as administrator when installing this program."},
      {"no product", [](StartupTest* t) { t->resources_.erase("XML/106"); },
       "[ERROR] LoadLocalXml failed!", "Error: Load product xml error."},
      {"broken product", [](StartupTest* t) { t->resources_["XML/106"] = "<Product>"; },
       "[ERROR] LoadLocalXml failed!", "Error: Load product xml error."},
      {"empty lang", [](StartupTest* t) { t->resources_["XML/131"] = ""; },
       "[ERROR] loadLangXML failed!", "Error: Load lang xml error."},
  };
  for (const Case& c : cases) {
    for (bool fork : {false, true}) {
      ui_.boxes.clear();
      log_start_ = ReadFile(simpleLog::Instance()->path()).size();
      std::map<std::string, std::string> saved = resources_;
      bool saved_elevated = elevated_;
      c.spoil(this);
      EXPECT_EQ(Run(fork ? std::vector<std::string>{"OnlyForkInstallDependent=1"}
                         : std::vector<std::string>{}),
                -1)
          << c.name;
      EXPECT_TRUE(LoggedLine(c.log_line)) << c.name;
      EXPECT_EQ(ui_.boxes, fork ? std::vector<std::string>{} : std::vector<std::string>{c.box})
          << c.name << " fork=" << fork;
      EXPECT_FALSE(LoggedLine("[INFO] MessageLoop")) << c.name;
      resources_ = saved;
      elevated_ = saved_elevated;
    }
  }
}

TEST_F(StartupTest, SecondInstanceActivatesTheFirstAndLeaves) {
  InstanceLock first;
  int error = 0;
  ASSERT_EQ(first.Acquire("Vantorix_qel", &error), InstanceLock::kAcquired);
  EXPECT_EQ(Run({}), -1);
  EXPECT_TRUE(LoggedLine("[WARN] Already exist PreInstance."));
  EXPECT_EQ(ui_.activated, std::vector<std::string>{"Vantorix"});
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_EQ(engine_stops_, 0);

  // A fork-mode child of the running instance has a lock of its own.
  ui_.lock_name = "Vantorix_qel_fork";
  EXPECT_EQ(Run({"OnlyForkInstallDependent=1"}), 0);
  EXPECT_TRUE(ui_.lock_held_in_loop);
  EXPECT_TRUE(ui_.window_hidden);
  EXPECT_EQ(ui_.activated.size(), 1u);
}

TEST_F(StartupTest, WindowFailures) {
  ui_.init_error = 5;
  EXPECT_EQ(Run({}), -1);
  EXPECT_TRUE(LoggedLine("[ERROR] CoInitialize failed! err=[5]"));
  ui_.init_error = 0;
  ui_.construct = false;
  EXPECT_EQ(Run({}), -1);
  EXPECT_TRUE(LoggedLine("[ERROR] create QelWnd failed!"));
  EXPECT_FALSE(LoggedLine("[INFO] MessageLoop"));
  InstanceLock after;
  int error = 0;
  EXPECT_EQ(after.Acquire("Vantorix_qel", &error), InstanceLock::kAcquired);
}

TEST_F(StartupTest, ForkModeTakesTheHostValues) {
  EXPECT_EQ(Run({"OnlyForkInstallDependent=1", "HostLang=Deutsch", "HostVersion=2.0.1.5",
                 "HostHwnd=4660"}),
            0);
  EXPECT_TRUE(state_.fork_mode);
  EXPECT_EQ(state_.run_state.select_lang, "Deutsch");
  EXPECT_EQ(state_.host_version, "2.0.1.5");
  EXPECT_TRUE(state_.has_host_window);
  EXPECT_EQ(state_.host_window, 4660u);
  EXPECT_TRUE(LoggedLine("[INFO] start, fork=[1]."));
  EXPECT_TRUE(LoggedLine("[INFO] set select lang=[Deutsch]."));
  EXPECT_TRUE(LoggedLine("[INFO] set host hwnd=[1234]."));
}

TEST_F(StartupTest, HostWindowThatIsNoNumberStaysUnset) {
  for (const char* hwnd : {"HostHwnd=12ab", "HostHwnd=-1", "HostHwnd=99999999999999999999"}) {
    state_ = InstallerState();
    EXPECT_EQ(Run({"OnlyForkInstallDependent=1", hwnd}), 0);
    EXPECT_FALSE(state_.has_host_window) << hwnd;
    EXPECT_TRUE(
        LoggedLine("[WARN] set host hwnd, invalid value=[" + std::string(hwnd).substr(9) + "]."))
        << hwnd;
  }
  state_ = InstallerState();
  log_start_ = ReadFile(simpleLog::Instance()->path()).size();
  EXPECT_EQ(Run({"OnlyForkInstallDependent=1", "HostHwnd="}), 0);
  EXPECT_FALSE(state_.has_host_window);
  for (const std::string& line : Logged())
    EXPECT_EQ(line.find("hwnd"), std::string::npos) << line;
  // Outside fork mode the host values are not read.
  state_ = InstallerState();
  EXPECT_EQ(Run({"HostLang=Deutsch", "HostHwnd=5"}), 0);
  EXPECT_FALSE(state_.has_host_window);
  EXPECT_EQ(state_.run_state.select_lang, "");
}

}  // namespace
