// A top-level window of the toolkit: a handle in the message system, a native
// window of the backend, and a window procedure (HandleMessage) that
// subclasses override.
#ifndef QEL_TOOLKIT_WINDOW_H_
#define QEL_TOOLKIT_WINDOW_H_

#include <memory>
#include <string>

#include "toolkit/backend.h"
#include "toolkit/message_loop.h"
#include "toolkit/win_types.h"

class CWindowWnd : public MessageTarget, public NativeWindowDelegate {
 public:
  CWindowWnd();
  ~CWindowWnd() override;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return hwnd_; }
  operator HWND() const { return hwnd_; }
  // The live toolkit window behind a handle of this process, or null.
  static CWindowWnd* FromHandle(HWND hwnd);

  // Creates the window (hidden unless `style` has WS_VISIBLE) and sends it
  // WM_CREATE; a window whose WM_CREATE answers -1 is destroyed again.
  // Returns the handle, 0 on failure.
  HWND Create(HWND owner,
              const char* title,
              uint32_t style,
              uint32_t ex_style,
              int x = 0,
              int y = 0,
              int cx = 0,
              int cy = 0);
  virtual const char* GetWindowClassName() const = 0;
  uint32_t GetStyle() const { return style_; }
  void SetStyle(uint32_t style) { style_ = style; }
  HWND GetOwner() const { return owner_; }

  void ShowWindow(bool show = true, bool take_focus = true);
  void CenterWindow();
  // Posts WM_CLOSE with `code` as wParam.
  void Close(UINT code = 1);
  void DestroyWindow();
  bool IsAlive() const { return hwnd_ != 0; }

  LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
  bool PostMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

  // Geometry in screen coordinates (the client area: the window is
  // frameless).
  RECT GetWindowRect() const;
  RECT GetClientRect() const;
  void MoveWindow(int x, int y, int cx, int cy);
  void ResizeClient(int cx, int cy);
  POINT ScreenToClient(POINT screen) const;
  POINT ClientToScreen(POINT client) const;

  void SetWindowText(const std::string& title);
  const std::string& GetWindowText() const { return title_; }
  void SetIcon(const std::string& png);
  bool IsWindowVisible() const;
  bool IsIconic() const;
  bool IsZoomed() const;
  void EnableWindow(bool enable);
  bool IsWindowEnabled() const { return enabled_; }
  void SetTopmost(bool topmost);
  void SetForeground();

  NativeWindow* native() const { return native_.get(); }

  // MessageTarget.
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

  // NativeWindowDelegate (defaults for windows without a paint manager).
  LRESULT OnNativeMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnNativePaint(cairo_t* cr, const RECT& dirty) override;
  SIZE GetRoundCorner() const override { return SIZE{}; }
  const CShadowUI* GetShadow() const override { return nullptr; }
  cairo_surface_t* GetShadowImage() override { return nullptr; }

 protected:
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // Called after WM_DESTROY once the handle is gone.
  virtual void OnFinalMessage(HWND hwnd) { (void)hwnd; }
  // Drop-down lists are popups: no task bar entry, not in the registry.
  virtual bool IsPopupWindow() const { return false; }
  // Keyboard messages first go through here; true swallows them.
  virtual bool TranslateInput(UINT message, WPARAM wparam, LPARAM lparam) {
    (void)message;
    (void)wparam;
    (void)lparam;
    return false;
  }

 private:
  LRESULT DeliverPointerDown(UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = 0;
  HWND owner_ = 0;
  uint32_t style_ = 0;
  uint32_t ex_style_ = 0;
  std::string title_;
  bool enabled_ = true;
  std::unique_ptr<NativeWindow> native_;
};

// Handle-based helpers for windows of this process.
bool DestroyWindow(HWND hwnd);
bool EnableWindow(HWND hwnd, bool enable);
bool ShowWindow(HWND hwnd, bool show);
bool SetForegroundWindow(HWND hwnd);
// The skinned windows' system message box (text, caption, error icon).
void ShowErrorBox(HWND owner, const std::string& text, const std::string& caption);
// The folder picker: the chosen folder, empty when cancelled.
std::string BrowseForFolder(HWND owner, const std::string& title);
// The clipboard's text, when it holds text.
bool GetClipboardText(std::string* text);
bool SetClipboardText(const std::string& text);

#endif  // QEL_TOOLKIT_WINDOW_H_
