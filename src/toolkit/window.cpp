#include "toolkit/window.h"

#include <algorithm>

#include "foundation/log.h"
#include "toolkit/window_registry.h"

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  // Subclasses destroy their windows; this only drops what is left without
  // calling into a half-destroyed object.
  if (hwnd_) {
    UnpublishWindow(hwnd_);
    DetachMessageTarget(hwnd_);
    hwnd_ = 0;
  }
}

CWindowWnd* CWindowWnd::FromHandle(HWND hwnd) {
  if (!IsLocalWindowHandle(hwnd))
    return nullptr;
  return dynamic_cast<CWindowWnd*>(FindMessageTarget(hwnd));
}

HWND CWindowWnd::Create(HWND owner,
                        const char* title,
                        uint32_t style,
                        uint32_t ex_style,
                        int x,
                        int y,
                        int cx,
                        int cy) {
  if (hwnd_)
    return hwnd_;
  InitMessageLoop();
  owner_ = owner;
  style_ = style;
  ex_style_ = ex_style;
  title_ = title ? title : "";
  native_ = CurrentBackend()->CreateNativeWindow(this, IsPopupWindow());
  if (!native_)
    return 0;
  native_->SetTitle(title_);
  native_->SetBounds(RECT{x, y, x + cx, y + cy});
  if (CWindowWnd* owner_window = FromHandle(owner))
    native_->SetOwner(owner_window->native());
  hwnd_ = AttachMessageTarget(this);
  if (ex_style & WS_EX_TOPMOST)
    native_->SetTopmost(true);
  if (SendMessage(WM_CREATE, 0, 0) == -1) {
    DestroyWindow();
    return 0;
  }
  if (!hwnd_)
    return 0;
  if (!IsPopupWindow())
    PublishWindow(hwnd_, GetWindowClassName(), title_);
  if (style_ & WS_VISIBLE)
    ShowWindow(true, true);
  return hwnd_;
}

void CWindowWnd::ShowWindow(bool show, bool take_focus) {
  if (!native_)
    return;
  bool was_visible = native_->IsVisible();
  native_->Show(show, take_focus);
  if (was_visible != show)
    SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
}

void CWindowWnd::CenterWindow() {
  if (!native_)
    return;
  RECT me = native_->GetBounds();
  RECT area = native_->GetWorkArea();
  RECT around = area;
  if (CWindowWnd* owner = FromHandle(owner_);
      owner && owner->IsWindowVisible() && !owner->IsIconic())
    around = owner->GetWindowRect();
  int x = around.left + (around.width() - me.width()) / 2;
  int y = around.top + (around.height() - me.height()) / 2;
  // Keep the window on the screen.
  x = std::max(area.left, std::min(x, area.right - me.width()));
  y = std::max(area.top, std::min(y, area.bottom - me.height()));
  native_->SetBounds(RECT{x, y, x + me.width(), y + me.height()});
}

void CWindowWnd::Close(UINT code) {
  if (hwnd_)
    ::PostMessage(hwnd_, WM_CLOSE, code, 0);
}

void CWindowWnd::DestroyWindow() {
  HWND hwnd = hwnd_;
  if (!hwnd)
    return;
  HandleMessage(WM_DESTROY, 0, 0);
  UnpublishWindow(hwnd);
  DetachMessageTarget(hwnd);
  hwnd_ = 0;
  native_.reset();
  OnFinalMessage(hwnd);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return hwnd_ ? ::SendMessage(hwnd_, message, wparam, lparam) : 0;
}

bool CWindowWnd::PostMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return hwnd_ && ::PostMessage(hwnd_, message, wparam, lparam);
}

RECT CWindowWnd::GetWindowRect() const {
  return native_ ? native_->GetBounds() : RECT{};
}

RECT CWindowWnd::GetClientRect() const {
  RECT r = GetWindowRect();
  return RECT{0, 0, r.width(), r.height()};
}

void CWindowWnd::MoveWindow(int x, int y, int cx, int cy) {
  if (native_)
    native_->SetBounds(RECT{x, y, x + cx, y + cy});
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT r = GetWindowRect();
  MoveWindow(r.left, r.top, cx, cy);
}

POINT CWindowWnd::ScreenToClient(POINT screen) const {
  RECT r = GetWindowRect();
  return POINT{screen.x - r.left, screen.y - r.top};
}

POINT CWindowWnd::ClientToScreen(POINT client) const {
  RECT r = GetWindowRect();
  return POINT{client.x + r.left, client.y + r.top};
}

void CWindowWnd::SetWindowText(const std::string& title) {
  title_ = title;
  if (native_)
    native_->SetTitle(title);
  if (hwnd_ && !IsPopupWindow())
    PublishWindow(hwnd_, GetWindowClassName(), title_);
}

void CWindowWnd::SetIcon(const std::string& png) {
  if (native_)
    native_->SetIcon(png);
}

bool CWindowWnd::IsWindowVisible() const {
  return native_ && native_->IsVisible();
}

bool CWindowWnd::IsIconic() const {
  return native_ && native_->IsMinimized();
}

bool CWindowWnd::IsZoomed() const {
  return native_ && native_->IsMaximized();
}

void CWindowWnd::EnableWindow(bool enable) {
  if (enabled_ == enable)
    return;
  enabled_ = enable;
  if (native_)
    native_->SetEnabled(enable);
  SendMessage(WM_ENABLE, enable ? 1 : 0, 0);
}

void CWindowWnd::SetTopmost(bool topmost) {
  if (native_)
    native_->SetTopmost(topmost);
}

void CWindowWnd::SetForeground() {
  if (native_)
    native_->Activate();
}

LRESULT CWindowWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return HandleMessage(message, wparam, lparam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProc(message, wparam, lparam);
}

LRESULT CWindowWnd::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_CLOSE:
          SendMessage(WM_CLOSE, 0, 0);
          return 0;
        case SC_MINIMIZE:
          if (native_)
            native_->Minimize();
          return 0;
        case SC_MAXIMIZE:
          if (native_)
            native_->Maximize();
          return 0;
        case SC_RESTORE:
          if (native_)
            native_->Restore();
          return 0;
        default:
          return 0;
      }
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_APP_EXIT:
      // The program's loop ends once its main window is done.
      PostQuitMessage(0);
      return 0;
    case WM_QEL_ACTIVATE:
      if (IsIconic() && native_)
        native_->Restore();
      ShowWindow(true, true);
      SetForeground();
      return 1;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      if (info && native_) {
        RECT area = native_->GetWorkArea();
        info->ptMaxPosition = POINT{area.left, area.top};
        info->ptMaxSize = POINT{area.width(), area.height()};
        info->ptMaxTrackSize = info->ptMaxSize;
      }
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT CWindowWnd::DeliverPointerDown(UINT message, WPARAM wparam, LPARAM lparam) {
  POINT screen = ClientToScreen(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  LRESULT hit = SendMessage(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  if (!hwnd_)
    return 0;
  if (hit == HTCAPTION) {
    if (message == WM_LBUTTONDOWN)
      native_->BeginMoveDrag(screen);
    return 0;
  }
  if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
    if (message == WM_LBUTTONDOWN)
      native_->BeginResizeDrag(hit, screen);
    return 0;
  }
  return SendMessage(message, wparam, lparam);
}

LRESULT CWindowWnd::OnNativeMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!hwnd_)
    return 0;
  bool is_input = (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) ||
                  (message >= WM_KEYDOWN && message <= WM_SYSKEYDOWN);
  // A disabled window (the owner of a modal box) takes no input.
  if (is_input && !enabled_)
    return 0;
  if (message >= WM_KEYDOWN && message <= WM_SYSKEYDOWN && TranslateInput(message, wparam, lparam))
    return 0;
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
    return DeliverPointerDown(message, wparam, lparam);
  return SendMessage(message, wparam, lparam);
}

void CWindowWnd::OnNativePaint(cairo_t* cr, const RECT& dirty) {
  (void)cr;
  (void)dirty;
}

bool DestroyWindow(HWND hwnd) {
  CWindowWnd* window = CWindowWnd::FromHandle(hwnd);
  if (!window)
    return false;
  window->DestroyWindow();
  return true;
}

bool EnableWindow(HWND hwnd, bool enable) {
  CWindowWnd* window = CWindowWnd::FromHandle(hwnd);
  if (!window)
    return false;
  window->EnableWindow(enable);
  return true;
}

bool ShowWindow(HWND hwnd, bool show) {
  CWindowWnd* window = CWindowWnd::FromHandle(hwnd);
  if (!window)
    return false;
  window->ShowWindow(show, show);
  return true;
}

bool SetForegroundWindow(HWND hwnd) {
  if (!IsLocalWindowHandle(hwnd))
    return PostMessage(hwnd, WM_QEL_ACTIVATE, 0, 0);
  CWindowWnd* window = CWindowWnd::FromHandle(hwnd);
  if (!window)
    return false;
  window->SetForeground();
  return true;
}

void ShowErrorBox(HWND owner, const std::string& text, const std::string& caption) {
  CWindowWnd* window = CWindowWnd::FromHandle(owner);
  CurrentBackend()->ShowMessageBox(window ? window->native() : nullptr, text, caption,
                                   MessageBoxIcon::kError);
}

std::string BrowseForFolder(HWND owner, const std::string& title) {
  CWindowWnd* window = CWindowWnd::FromHandle(owner);
  return CurrentBackend()->BrowseForFolder(window ? window->native() : nullptr, title);
}

bool GetClipboardText(std::string* text) {
  return CurrentBackend()->GetClipboardText(text);
}

bool SetClipboardText(const std::string& text) {
  return CurrentBackend()->SetClipboardText(text);
}
