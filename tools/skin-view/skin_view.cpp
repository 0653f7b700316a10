// Shows a window of the skin as the installer would: in a real window, or
// rendered offscreen into a PNG file.
//   skin-view [--skin ZIP] [--res DIR] [--png OUT.png] [--screenshot OUT.png] MARKUP.xml
// Without --skin the skin built beside the tools is used; --res names the
// folder of the executable's resources as TYPE/ID.png (the start page's
// background "PNG/136"). In a real window, every message of WM_APP and above
// and every copy-data record the window receives is printed, so other
// processes can check what they sent; closing the window ends the program.
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "toolkit/gtk_backend.h"
#include "toolkit/message_loop.h"
#include "toolkit/offscreen_backend.h"
#include "toolkit/skin_archive.h"
#include "toolkit/window_impl_base.h"

namespace {

constexpr uint64_t kScreenshotTimer = 1;

struct Options {
  std::string skin;
  std::string res = QEL_DEFAULT_RES;
  std::string png;
  std::string screenshot;
  std::string markup;
};

class SkinViewWnd : public WindowImplBase {
 public:
  explicit SkinViewWnd(std::string markup) : markup_(std::move(markup)) {}
  const char* GetWindowClassName() const override { return "SkinView"; }
  std::string GetSkinFile() override { return markup_; }

  // Browser controls are the program's own; here they stay empty.
  CControlUI* CreateControl(const char* pstrClass) override {
    if (strcasecmp(pstrClass, "WebBrowserEx") == 0)
      return new CControlUI();
    return nullptr;
  }

  void OnClick(TNotifyUI& msg) override {
    const std::string& name = msg.pSender->GetName();
    printf("click %s\n", name.c_str());
    fflush(stdout);
    if (name == "btn_close")
      Close(0);
    else
      WindowImplBase::OnClick(msg);
  }

  void set_screenshot(const std::string& path) { screenshot_ = path; }

  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override {
    if (uMsg == WM_TIMER && wParam == kScreenshotTimer) {
      KillTimer(GetHWND(), kScreenshotTimer);
      bool saved = SaveScreenshot(GetWindowRect(), screenshot_);
      printf("screenshot %s %s\n", saved ? "saved" : "failed", screenshot_.c_str());
    } else if (uMsg >= WM_APP) {
      printf("message 0x%X %llu %lld\n", uMsg, static_cast<unsigned long long>(wParam),
             static_cast<long long>(lParam));
    } else if (uMsg == WM_COPYDATA) {
      const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      printf("copydata %llu %.*s\n", static_cast<unsigned long long>(copy->dwData),
             static_cast<int>(copy->cbData), static_cast<const char*>(copy->lpData));
    } else {
      bHandled = false;
      return 0;
    }
    fflush(stdout);
    return 1;
  }

 protected:
  void OnFinalMessage(HWND) override { PostQuitMessage(0); }

 private:
  std::string markup_;
  std::string screenshot_;
};

bool ReadFileBytes(const std::string& path, std::string* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::stringstream bytes;
  bytes << in.rdbuf();
  *data = bytes.str();
  return true;
}

int Usage() {
  fprintf(stderr,
          "usage: skin-view [--skin ZIP] [--res DIR] [--png OUT.png] [--screenshot OUT.png] "
          "MARKUP.xml\n");
  return 2;
}

int RenderPng(const Options& options) {
  SkinViewWnd window(options.markup);
  if (!window.Create(0, options.markup.c_str(), WS_POPUP, 0))
    return 1;
  window.ShowWindow(true, false);
  cairo_surface_t* image = OffscreenWindowOf(&window)->Render();
  bool ok = WritePng(image, options.png);
  cairo_surface_destroy(image);
  int missing = window.GetPaintManager().missing_glyphs();
  if (missing)
    fprintf(stderr, "skin-view: %d characters without a font\n", missing);
  return ok ? 0 : 1;
}

int ShowWindowOnScreen(const Options& options) {
  if (!UseGtkBackend()) {
    fprintf(stderr,
            "skin-view: no display. Run it under Xvfb (xvfb-run -a build/bin/skin-view ...) "
            "or render with --png.\n");
    return 1;
  }
  SkinViewWnd window(options.markup);
  window.set_screenshot(options.screenshot);
  if (!window.Create(0, options.markup.c_str(), WS_POPUP, 0))
    return 1;
  window.CenterWindow();
  window.ShowWindow(true, true);
  RECT r = window.GetWindowRect();
  printf("window %llu %d %d %d %d\n", static_cast<unsigned long long>(window.GetHWND()), r.left,
         r.top, r.width(), r.height());
  fflush(stdout);
  if (!options.screenshot.empty())
    SetTimer(window.GetHWND(), kScreenshotTimer, 700);
  return RunMessageLoop();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--skin" && has_value)
      options.skin = argv[++i];
    else if (arg == "--res" && has_value)
      options.res = argv[++i];
    else if (arg == "--png" && has_value)
      options.png = argv[++i];
    else if (arg == "--screenshot" && has_value)
      options.screenshot = argv[++i];
    else if (arg == "--help" || arg == "-h")
      return Usage();
    else if (!arg.empty() && arg[0] != '-' && options.markup.empty())
      options.markup = arg;
    else
      return Usage();
  }
  if (options.markup.empty())
    return Usage();
  // The skin carried by the executable, else the one built beside the tools.
  if (!options.skin.empty() || !LoadSkinFromOwnResources()) {
    std::string skin = options.skin.empty() ? QEL_DEFAULT_SKIN : options.skin;
    if (!LoadSkinFile(skin)) {
      fprintf(stderr, "skin-view: cannot read the skin archive %s\n", skin.c_str());
      return 1;
    }
    std::string res = options.res;
    SetResourceReader([res](const std::string& type, const std::string& id, std::string* data) {
      return ReadFileBytes(res + "/" + type + "/" + id + ".png", data);
    });
  }
  InitMessageLoop();
  return options.png.empty() ? ShowWindowOnScreen(options) : RenderPng(options);
}
