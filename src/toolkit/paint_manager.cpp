#include "toolkit/paint_manager.h"

#include <algorithm>

#include "foundation/log.h"
#include "toolkit/container.h"
#include "toolkit/message_loop.h"

namespace {

template <class T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

POINT PointOf(LPARAM lparam) {
  return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
}

bool IsAncestorOrSelf(CControlUI* ancestor, CControlUI* control) {
  for (; control; control = control->GetParent())
    if (control == ancestor)
      return true;
  return false;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  // Controls tell the manager when they die; it is going away first.
  if (root_) {
    CControlUI* root = root_.release();
    root->SetManager(nullptr, nullptr);
    delete root;
  }
  HWND hwnd = GetPaintWindow();
  for (const ControlTimer& timer : timers_)
    ::KillTimer(hwnd, timer.window_id);
}

void CPaintManagerUI::Init(PaintHost* host, const std::string& name) {
  host_ = host;
  name_ = name;
}

HWND CPaintManagerUI::GetPaintWindow() const {
  return host_ ? host_->GetHWND() : 0;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root)
    return false;
  hot_ = capture_ = focus_ = nullptr;
  root_.reset(root);
  InitControls(root);
  NeedLayout();
  return true;
}

void CPaintManagerUI::InitControls(CControlUI* control) {
  control->SetManager(this, control->GetParent());
  struct Walker {
    static void Init(CControlUI* c) {
      c->DoInit();
      if (auto* container = dynamic_cast<CContainerUI*>(c))
        for (int i = 0; i < container->GetCount(); ++i)
          Init(container->GetItemAt(i));
    }
  };
  Walker::Init(control);
}

CControlUI* CPaintManagerUI::FindControl(std::string_view name) const {
  if (!root_ || name.empty())
    return nullptr;
  return root_->FindControlByName(name);
}

CControlUI* CPaintManagerUI::FindControl(POINT point) {
  UpdateLayout();
  return root_ ? root_->FindControlAt(point) : nullptr;
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end())
    notifiers_.push_back(notifier);
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  Erase(notifiers_, notifier);
}

void CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  pre_filters_.push_back(filter);
}

void CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  Erase(pre_filters_, filter);
}

void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  filters_.push_back(filter);
}

void CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  Erase(filters_, filter);
}

void CPaintManagerUI::SendNotify(CControlUI* control,
                                 const char* type,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wparam;
  msg.lParam = lparam;
  SendNotify(msg);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  // A notifier may remove itself (or close the window) while being told.
  std::vector<INotifyUI*> notifiers = notifiers_;
  for (INotifyUI* notifier : notifiers)
    if (std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end())
      notifier->Notify(msg);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT ms) {
  if (!IsUiThread()) {
    bool ok = false;
    InvokeOnUiThread([&] { ok = SetTimer(control, id, ms); });
    return ok;
  }
  HWND hwnd = GetPaintWindow();
  if (!control || !hwnd)
    return false;
  for (const ControlTimer& timer : timers_)
    if (timer.control == control && timer.id == id)
      return ::SetTimer(hwnd, timer.window_id, ms);
  ControlTimer timer{control, id, next_timer_++};
  if (!::SetTimer(hwnd, timer.window_id, ms))
    return false;
  timers_.push_back(timer);
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  if (!IsUiThread()) {
    bool ok = false;
    InvokeOnUiThread([&] { ok = KillTimer(control, id); });
    return ok;
  }
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->control == control && it->id == id) {
      ::KillTimer(GetPaintWindow(), it->window_id);
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  if (!IsUiThread()) {
    InvokeOnUiThread([&] { KillTimer(control); });
    return;
  }
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->control == control) {
      ::KillTimer(GetPaintWindow(), it->window_id);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy) {
  round_corner_ = SIZE{cx, cy};
  Invalidate(RECT{0, 0, 1 << 15, 1 << 15});
}

void CPaintManagerUI::Event(CControlUI* control, UIEventType type, POINT point, WPARAM wparam) {
  if (!control)
    return;
  TEventUI event;
  event.type = type;
  event.pSender = control;
  event.ptMouse = point;
  event.wParam = wparam;
  control->DoEvent(event);
}

void CPaintManagerUI::SetHot(CControlUI* control, POINT point) {
  if (control == hot_)
    return;
  CControlUI* old = hot_;
  hot_ = control;
  Event(old, UIEventType::kMouseLeave, point);
  Event(hot_, UIEventType::kMouseEnter, point);
}

void CPaintManagerUI::OnMouseMove(POINT point) {
  CControlUI* control = FindControl(point);
  if (control && !control->IsEnabled())
    control = nullptr;
  // While a button is held, only the pressed control is hot.
  if (capture_ && control != capture_)
    control = nullptr;
  SetHot(control, point);
  if (capture_)
    Event(capture_, UIEventType::kMouseMove, point);
  else if (hot_)
    Event(hot_, UIEventType::kMouseMove, point);
  if (host_)
    host_->SetCursorKind(hot_ ? hot_->GetCursor() : CursorKind::kArrow);
}

namespace {

// Offers the message to each filter in turn (a copy of the list: a filter
// may remove itself); true with `result` set when one handled it.
bool RunFilters(std::vector<IMessageFilterUI*> filters,
                UINT message,
                WPARAM wparam,
                LPARAM lparam,
                LRESULT& result) {
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    LRESULT answer = filter->MessageHandler(message, wparam, lparam, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  return false;
}

}  // namespace

bool CPaintManagerUI::PreMessageHandler(UINT message,
                                        WPARAM wparam,
                                        LPARAM lparam,
                                        LRESULT& result) {
  return RunFilters(pre_filters_, message, wparam, lparam, result);
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (RunFilters(filters_, message, wparam, lparam, result))
    return true;
  result = 0;
  switch (message) {
    case WM_SIZE:
      NeedLayout();
      return false;
    case WM_MOUSEMOVE:
      OnMouseMove(PointOf(lparam));
      return true;
    case WM_MOUSELEAVE:
      if (!capture_)
        SetHot(nullptr, PointOf(lparam));
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT point = PointOf(lparam);
      CControlUI* control = FindControl(point);
      if (!control || !control->IsEnabled())
        return true;
      if (focus_ != control)
        SetFocus(control);
      capture_ = control;
      SetHot(control, point);
      Event(control,
            message == WM_LBUTTONDOWN ? UIEventType::kButtonDown : UIEventType::kDoubleClick,
            point);
      return true;
    }
    case WM_LBUTTONUP: {
      POINT point = PointOf(lparam);
      CControlUI* control = capture_;
      capture_ = nullptr;
      Event(control, UIEventType::kButtonUp, point);
      OnMouseMove(point);
      return true;
    }
    case WM_MOUSEWHEEL: {
      UpdateLayout();
      Event(hot_, UIEventType::kScrollWheel, POINT{}, wparam);
      return true;
    }
    case WM_KEYDOWN:
      if (!focus_)
        return false;
      Event(focus_, UIEventType::kKeyDown, POINT{}, wparam);
      return true;
    case WM_CHAR:
      if (!focus_)
        return false;
      Event(focus_, UIEventType::kChar, POINT{}, wparam);
      return true;
    case WM_TIMER:
      for (const ControlTimer& timer : timers_) {
        if (timer.window_id == wparam) {
          CControlUI* control = timer.control;
          UINT id = timer.id;
          Event(control, UIEventType::kTimer, POINT{}, id);
          SendNotify(control, kNotifyTimer, id);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

void CPaintManagerUI::NeedLayout() {
  layout_dirty_ = true;
  Invalidate(RECT{0, 0, 1 << 15, 1 << 15});
}

void CPaintManagerUI::UpdateLayout() {
  if (!root_ || !host_)
    return;
  SIZE size = host_->GetClientSize();
  if (!layout_dirty_ && size.cx == layout_size_.cx && size.cy == layout_size_.cy)
    return;
  layout_dirty_ = false;
  layout_size_ = size;
  RECT rect{0, 0, size.cx, size.cy};
  // A floating root is placed by its own pos, as any floating control.
  if (root_->IsFloat() || root_->GetFixedWidth() || root_->GetFixedHeight()) {
    POINT xy = root_->GetFixedXY();
    rect = RECT{xy.x, xy.y, xy.x + (root_->GetFixedWidth() ? root_->GetFixedWidth() : size.cx),
                xy.y + (root_->GetFixedHeight() ? root_->GetFixedHeight() : size.cy)};
  }
  root_->SetItemRect(rect);
}

void CPaintManagerUI::Paint(cairo_t* cr, const RECT& dirty) {
  UpdateLayout();
  if (root_)
    root_->DoPaint(cr, dirty);
}

void CPaintManagerUI::Invalidate(const RECT& rect) {
  if (host_)
    host_->InvalidateClient(rect);
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == focus_)
    return;
  CControlUI* old = focus_;
  focus_ = control;
  if (old) {
    Event(old, UIEventType::kKillFocus, POINT{});
    SendNotify(old, kNotifyKillFocus);
  }
  if (focus_) {
    Event(focus_, UIEventType::kSetFocus, POINT{});
    SendNotify(focus_, kNotifySetFocus);
  }
}

std::unique_ptr<NativeChild> CPaintManagerUI::CreateNativeChild(NativeChildKind kind) {
  return host_ ? host_->CreateNativeChild(kind) : nullptr;
}

void CPaintManagerUI::ReapControl(CControlUI* control) {
  if (IsAncestorOrSelf(control, hot_))
    hot_ = nullptr;
  if (IsAncestorOrSelf(control, capture_))
    capture_ = nullptr;
  if (IsAncestorOrSelf(control, focus_))
    focus_ = nullptr;
  KillTimer(control);
  NeedLayout();
}

void CPaintManagerUI::ControlHidden(CControlUI* control) {
  if (IsAncestorOrSelf(control, hot_))
    hot_ = nullptr;
  if (IsAncestorOrSelf(control, capture_))
    capture_ = nullptr;
  if (IsAncestorOrSelf(control, focus_))
    SetFocus(nullptr);
}

void CPaintManagerUI::ReportMissingGlyphs(CControlUI* control, int count) {
  missing_glyphs_ += count;
  LOG_WARN("[WARN] Paint, no font for %d characters of control=[%s]", count,
           control->GetName().c_str());
}
