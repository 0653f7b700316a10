#include "toolkit/window_impl_base.h"

#include <cstdlib>

#include "foundation/log.h"
#include "toolkit/markup_builder.h"
#include "toolkit/skin_archive.h"

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  DestroyWindow();
  if (shadow_image_)
    cairo_surface_destroy(shadow_image_);
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = true;
  switch (uMsg) {
    case WM_CREATE:
      result = OnCreate(uMsg, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(uMsg, wParam, lParam, handled);
      break;
    case WM_SIZE:
      result = OnSize(uMsg, wParam, lParam, handled);
      break;
    case WM_SETFOCUS:
      result = OnSetFocus(uMsg, wParam, lParam, handled);
      break;
    case WM_KILLFOCUS:
      result = OnKillFocus(uMsg, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(uMsg, wParam, lParam, handled);
      break;
    case WM_GETMINMAXINFO:
      result = OnGetMinMaxInfo(uMsg, wParam, lParam, handled);
      break;
    case WM_NCCALCSIZE:
      result = OnNcCalcSize(uMsg, wParam, lParam, handled);
      break;
    case WM_NCHITTEST:
      result = OnNcHitTest(uMsg, wParam, lParam, handled);
      break;
    case WM_NCPAINT:
      result = OnNcPaint(uMsg, wParam, lParam, handled);
      break;
    case WM_NCACTIVATE:
      result = OnNcActivate(uMsg, wParam, lParam, handled);
      break;
    case WM_KEYDOWN:
      result = OnKeyDown(uMsg, wParam, lParam, handled);
      break;
    case WM_CHAR:
      result = OnChar(uMsg, wParam, lParam, handled);
      break;
    case WM_SYSCOMMAND:
      result = OnSysCommand(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEMOVE:
      result = OnMouseMove(uMsg, wParam, lParam, handled);
      break;
    case WM_LBUTTONDOWN:
      result = OnLButtonDown(uMsg, wParam, lParam, handled);
      break;
    case WM_LBUTTONUP:
      result = OnLButtonUp(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEWHEEL:
      result = OnMouseWheel(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEHOVER:
      result = OnMouseHover(uMsg, wParam, lParam, handled);
      break;
    default:
      handled = false;
  }
  if (handled)
    return result;
  handled = true;
  result = HandleCustomMessage(uMsg, wParam, lParam, handled);
  if (handled)
    return result;
  if (paint_manager_.MessageHandler(uMsg, wParam, lParam, result))
    return result;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

CControlUI* WindowImplBase::CreateControl(const char*) {
  return nullptr;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = true;
  SetStyle((GetStyle() & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  paint_manager_.Init(this, GetWindowClassName());
  paint_manager_.AddPreMessageFilter(this);
  std::string file = GetSkinFile();
  std::string error;
  CControlUI* root = nullptr;
  std::string type = GetSkinType();
  if (type.empty()) {
    root = BuildMarkupFile(file, &paint_manager_, this, &error);
  } else {
    std::string markup;
    if (ReadResource(type, file, &markup))
      root = BuildMarkup(markup, &paint_manager_, this, &error);
    else
      error = "no such resource";
  }
  if (!root) {
    LOG_ERROR("[ERROR] WindowImplBase, cannot load markup=[%s], reason=[%s]", file.c_str(),
              error.c_str());
    ShowErrorBox(0, std::string(kMarkupLoadFailedText) + file, kMarkupLoadFailedCaption);
    std::exit(1);
  }
  paint_manager_.AttachDialog(root);
  paint_manager_.AddNotifier(this);
  SIZE size = paint_manager_.GetInitSize();
  if (size.cx > 0 && size.cy > 0)
    ResizeClient(size.cx, size.cy);
  if (native())
    native()->UpdateFrame();
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
  // The corner ellipse shapes the window, unless it is minimised.
  if (wParam != SIZE_MINIMIZED && native())
    native()->UpdateFrame();
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& bHandled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!info || !native()) {
    bHandled = false;
    return 0;
  }
  RECT area = native()->GetWorkArea();
  info->ptMaxPosition = POINT{area.left, area.top};
  info->ptMaxSize = POINT{area.width(), area.height()};
  SIZE max = paint_manager_.GetMaxInfo();
  info->ptMaxTrackSize = max.cx > 0 && max.cy > 0 ? POINT{max.cx, max.cy} : info->ptMaxSize;
  SIZE min = paint_manager_.GetMinInfo();
  if (min.cx > 0 && min.cy > 0)
    info->ptMinTrackSize = POINT{min.cx, min.cy};
  return 0;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) {
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) {
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
  if (IsIconic())
    bHandled = false;
  return wParam == 0 ? 1 : 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT pt = ScreenToClient(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  RECT client = GetClientRect();
  if (!IsZoomed()) {
    const RECT& box = paint_manager_.GetSizeBox();
    if (pt.y < client.top + box.top) {
      if (pt.x < client.left + box.left)
        return HTTOPLEFT;
      if (pt.x > client.right - box.right)
        return HTTOPRIGHT;
      return HTTOP;
    }
    if (pt.y > client.bottom - box.bottom) {
      if (pt.x < client.left + box.left)
        return HTBOTTOMLEFT;
      if (pt.x > client.right - box.right)
        return HTBOTTOMRIGHT;
      return HTBOTTOM;
    }
    if (pt.x < client.left + box.left)
      return HTLEFT;
    if (pt.x > client.right - box.right)
      return HTRIGHT;
  }
  const RECT& caption = paint_manager_.GetCaptionRect();
  int bottom = caption.bottom == -1 ? client.bottom : caption.bottom;
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
      pt.y >= caption.top && pt.y < bottom) {
    CControlUI* control = paint_manager_.FindControl(pt);
    if (control && !control->IsInteractive())
      return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool&) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    SendMessage(WM_CLOSE, 0, 0);
    return 0;
  }
  bool zoomed = IsZoomed();
  LRESULT result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  if (IsAlive() && zoomed != IsZoomed())
    SwapMaxRestoreButtons();
  return result;
}

void WindowImplBase::SwapMaxRestoreButtons() {
  bool zoomed = IsZoomed();
  if (CControlUI* max = paint_manager_.FindControl("maxbtn"))
    max->SetVisible(!zoomed);
  if (CControlUI* restore = paint_manager_.FindControl("restorebtn"))
    restore->SetVisible(zoomed);
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == kNotifyClick)
    OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const std::string& name = msg.pSender->GetName();
  if (name == "closebtn")
    Close(1);
  else if (name == "minbtn")
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == "maxbtn")
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == "restorebtn")
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

bool WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
  return wParam == VK_RETURN || wParam == VK_ESCAPE;
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
    bHandled = ResponseDefaultKeyEvent(wParam);
  return 0;
}

bool WindowImplBase::TranslateInput(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  return paint_manager_.PreMessageHandler(message, wparam, lparam, result);
}

bool WindowImplBase::PreTranslateMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE && modal_) {
    modal_->result = static_cast<int>(wparam);
    HWND owner = GetOwner();
    ::EnableWindow(owner, true);
    ::SetForegroundWindow(owner);
  }
  if (message >= WM_KEYDOWN && message <= WM_SYSKEYDOWN)
    return TranslateInput(message, wparam, lparam);
  return false;
}

int WindowImplBase::RunModal() {
  HWND self = CWindowWnd::GetHWND();
  if (!self)
    return 0;
  HWND owner = GetOwner();
  ShowWindow(true, true);
  ::EnableWindow(owner, false);
  ModalState state;
  modal_ = &state;
  int quit_code = 0;
  bool quit = RunNestedLoop([self] { return FindMessageTarget(self) == nullptr; }, &quit_code);
  // The window object outlives its modal loop (dialogs live on the
  // caller's stack); only the window itself is gone now.
  modal_ = nullptr;
  ::EnableWindow(owner, true);
  ::SetForegroundWindow(owner);
  if (quit)
    PostQuitMessage(quit_code);
  return state.result;
}

void WindowImplBase::CloseWithCode(int code) {
  if (IsAlive())
    PostMessage(WM_CLOSE, static_cast<WPARAM>(code), 0);
}

void WindowImplBase::InvalidateClient(const RECT& rect) {
  if (native())
    native()->Invalidate(rect);
}

void WindowImplBase::SetCursorKind(CursorKind cursor) {
  if (native())
    native()->SetCursor(cursor);
}

std::unique_ptr<NativeChild> WindowImplBase::CreateNativeChild(NativeChildKind kind) {
  return native() ? native()->CreateChild(kind) : nullptr;
}

SIZE WindowImplBase::GetClientSize() const {
  RECT r = GetClientRect();
  return SIZE{r.width(), r.height()};
}

void WindowImplBase::OnNativePaint(cairo_t* cr, const RECT& dirty) {
  paint_manager_.Paint(cr, dirty);
}

const CShadowUI* WindowImplBase::GetShadow() const {
  return const_cast<CPaintManagerUI&>(paint_manager_).GetShadow();
}

cairo_surface_t* WindowImplBase::GetShadowImage() {
  CShadowUI* shadow = paint_manager_.GetShadow();
  if (shadow->image().empty())
    return nullptr;
  return paint_manager_.GetImage(shadow->image());
}
