// What start-up asks of the user interface: the main thread's set-up, the
// fatal-error message box, the running instance's window, the skin, the
// main window and its message loop. The toolkit provides the real one; the
// placeholder keeps the process running until SIGTERM or SIGINT.
#ifndef QEL_APP_UI_HOST_H_
#define QEL_APP_UI_HOST_H_

#include <cstdint>
#include <string>

class LanguageTable;
struct InstallerState;

class IUiHost {
 public:
  virtual ~IUiHost() = default;

  // Prepares the calling thread for windows; false with an error code.
  virtual bool InitThread(int* error) = 0;
  virtual void UninitThread() = 0;
  // A message box without owner and with the error icon.
  virtual void ShowErrorBox(const std::string& text, const std::string& title) = 0;
  // Brings the window of the instance that holds the lock to the front.
  virtual void ActivateRunningInstance(const std::string& product_name) = 0;
  virtual void LoadSkin() = 0;
  // Builds the main window object; false when it cannot be built.
  virtual bool ConstructMainWindow(InstallerState& state, LanguageTable& texts) = 0;
  // Creates its window, centred, 500 x 400, shown unless `hidden`.
  virtual uint64_t CreateMainWindow(const std::string& title, bool hidden) = 0;
  // Runs until the main window ends it.
  virtual void RunMessageLoop() = 0;
};

// Until the toolkit lands: message boxes are lines on standard error and
// the message loop waits for SIGTERM or SIGINT.
class PlaceholderUiHost : public IUiHost {
 public:
  bool InitThread(int* error) override;
  void UninitThread() override {}
  void ShowErrorBox(const std::string& text, const std::string& title) override;
  void ActivateRunningInstance(const std::string&) override {}
  void LoadSkin() override {}
  bool ConstructMainWindow(InstallerState&, LanguageTable&) override { return true; }
  uint64_t CreateMainWindow(const std::string& title, bool hidden) override;
  void RunMessageLoop() override;
};

#endif  // QEL_APP_UI_HOST_H_
