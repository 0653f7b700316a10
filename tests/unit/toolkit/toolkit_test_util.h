// Shared by the toolkit tests: zip archives made on the fly, the built skin,
// and a skinned window for any markup.
#ifndef QEL_TESTS_UNIT_TOOLKIT_TOOLKIT_TEST_UTIL_H_
#define QEL_TESTS_UNIT_TOOLKIT_TOOLKIT_TEST_UTIL_H_

#include <glib.h>
#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "support/temp_dir.h"
#include "toolkit/offscreen_backend.h"
#include "toolkit/skin_archive.h"
#include "toolkit/window_impl_base.h"

// Runs the UI loop until `done` holds. Conditions that other threads or
// processes change wake no loop, so a short tick keeps checking; the guard
// only ends a hang.
inline bool RunUntil(const std::function<bool()>& done) {
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  guint tick = g_timeout_add(
      2, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  RunNestedLoop([&] { return done() || std::chrono::steady_clock::now() > give_up; }, nullptr);
  g_source_remove(tick);
  return done();
}

// A zip archive holding `entries` (name -> content), as bytes.
inline std::string MakeZip(const std::map<std::string, std::string>& entries) {
  TempDir dir;
  std::string path = dir.path() + "a.zip";
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  for (const auto& [name, content] : entries) {
    zipOpenNewFileInZip(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                        Z_BEST_COMPRESSION);
    zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  return ReadFile(path);
}

// The skin built from resources/skin, with the executable's resources.
inline void UseBuiltSkin() {
  ASSERT_TRUE(LoadSkinFile(QEL_SKIN_ZIP));
  SetResourceReader([](const std::string& type, const std::string& id, std::string* data) {
    *data = ReadFile(std::string(QEL_SKIN_RES) + "/" + type + "/" + id + ".png");
    return !data->empty();
  });
}

// A window built from a markup file of the current skin.
class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(std::string markup, std::string class_name = "TestWindow")
      : markup_(std::move(markup)), class_name_(std::move(class_name)) {}
  const char* GetWindowClassName() const override { return class_name_.c_str(); }
  std::string GetSkinFile() override { return markup_; }
  CControlUI* CreateControl(const char* pstrClass) override {
    if (std::string(pstrClass) == "WebBrowserEx")
      return new CControlUI();
    return nullptr;
  }
  void Notify(TNotifyUI& msg) override {
    notes.push_back(msg.sType + ":" + (msg.pSender ? msg.pSender->GetName() : ""));
    WindowImplBase::Notify(msg);
  }
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override {
    if (uMsg >= WM_USER || uMsg == WM_COPYDATA || uMsg == WM_TIMER) {
      if (uMsg == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        copied.assign(static_cast<const char*>(copy->lpData), copy->cbData);
      }
      messages.push_back({uMsg, wParam, lParam});
      return static_cast<LRESULT>(wParam) + 1;
    }
    bHandled = false;
    return 0;
  }
  OffscreenWindow* offscreen() const { return OffscreenWindowOf(this); }

  struct Received {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  std::vector<Received> messages;
  std::vector<std::string> notes;
  std::string copied;

 private:
  std::string markup_;
  std::string class_name_;
};

#endif  // QEL_TESTS_UNIT_TOOLKIT_TOOLKIT_TEST_UTIL_H_
