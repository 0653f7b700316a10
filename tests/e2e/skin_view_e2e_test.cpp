// The real GTK window under a display (Xvfb in CI): skin-view opens the main
// window, a second process (this test) finds it by class and title and posts
// to it, xdotool clicks its close button, and the program ends. The window's
// screenshot stays in build/e2e/ for CI to keep.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/temp_dir.h"
#include "toolkit/message_loop.h"
#include "toolkit/window_registry.h"

namespace {

// Reads the program's output line by line until one starts with `prefix`.
std::string WaitForLine(FILE* out, const std::string& prefix) {
  char line[512];
  while (fgets(line, sizeof(line), out)) {
    std::string text(line);
    if (text.rfind(prefix, 0) == 0)
      return text;
  }
  return {};
}

}  // namespace

TEST(SkinViewE2E, RealWindowTakesMessagesAndClosesOnItsButton) {
  if (!getenv("DISPLAY") || !*getenv("DISPLAY"))
    GTEST_SKIP() << "no display (scripts/test runs this under xvfb-run)";
  TempDir sysroot;
  ScopedEnv root("QEL_SYSROOT", sysroot.path().c_str());
  ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/e2e");
  std::string shot_dir = std::string(QEL_BUILD_DIR) + "/e2e";
  mkdir(shot_dir.c_str(), 0755);
  std::string shot = shot_dir + "/skin_view.png";
  remove(shot.c_str());
  std::string command = "exec " + std::string(QEL_BIN_DIR) + "/skin-view --screenshot " + shot +
                        " skin.xml";
  FILE* out = popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);

  std::istringstream window(WaitForLine(out, "window "));
  std::string word;
  unsigned long long handle = 0;
  int x = 0, y = 0, w = 0, h = 0;
  window >> word >> handle >> x >> y >> w >> h;
  ASSERT_EQ(w, 600);
  ASSERT_EQ(h, 400);
  EXPECT_NE(WaitForLine(out, "screenshot "), "");

  HWND found = FindWindow("SkinView", "skin.xml");
  EXPECT_EQ(found, handle);
  ASSERT_TRUE(PostMessage(found, WM_APP + 7, 11, 22));
  EXPECT_EQ(WaitForLine(out, "message "), "message 0x8007 11 22\n");
  std::string text = "hello";
  COPYDATASTRUCT copy;
  copy.dwData = 3;
  copy.cbData = static_cast<uint32_t>(text.size());
  copy.lpData = text.data();
  EXPECT_EQ(SendMessage(found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 1);
  EXPECT_EQ(WaitForLine(out, "copydata "), "copydata 3 hello\n");

  // The close button sits at 568,4 (24 x 24) in the window.
  std::string click = "xdotool mousemove " + std::to_string(x + 580) + " " +
                      std::to_string(y + 16) + " click 1";
  EXPECT_EQ(system(click.c_str()), 0);
  EXPECT_EQ(WaitForLine(out, "click "), "click btn_close\n");
  int status = pclose(out);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  struct stat st;
  EXPECT_EQ(stat(shot.c_str(), &st), 0);
  EXPECT_GT(st.st_size, 1000);
  EXPECT_EQ(FindWindow("SkinView", "skin.xml"), 0u);
}
