#include "toolkit/combo.h"

#include "toolkit/message_loop.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window.h"

// The drop-down list: a popup window that draws the items itself.
class ComboPopup : public CWindowWnd {
 public:
  explicit ComboPopup(CComboUI* owner) : owner_(owner) {}
  ~ComboPopup() override { DestroyWindow(); }
  const char* GetWindowClassName() const override { return "ComboPopup"; }
  int hot_item() const { return hot_; }

 protected:
  bool IsPopupWindow() const override { return true; }

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_MOUSEMOVE:
        SetHot(ItemAt(GET_Y_LPARAM(lparam)));
        return 0;
      case WM_MOUSELEAVE:
        SetHot(-1);
        return 0;
      case WM_LBUTTONUP: {
        int index = ItemAt(GET_Y_LPARAM(lparam));
        CComboUI* owner = owner_;
        // Closing destroys this window; the owner outlives it.
        PostToUiThread([owner, index] {
          owner->CloseDropDown();
          if (index >= 0)
            owner->SelectItem(index);
        });
        return 0;
      }
      case WM_KILLFOCUS: {
        CComboUI* owner = owner_;
        PostToUiThread([owner] { owner->CloseDropDown(); });
        return 0;
      }
      case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) {
          CComboUI* owner = owner_;
          PostToUiThread([owner] { owner->CloseDropDown(); });
        }
        return 0;
      default:
        return CWindowWnd::HandleMessage(message, wparam, lparam);
    }
  }

  void OnNativePaint(cairo_t* cr, const RECT& dirty) override {
    (void)dirty;
    RECT client = GetClientRect();
    FillRect(cr, client, 0xFFFFFFFF);
    TextStyle style = owner_->MakeTextStyle(owner_->item_textcolor_);
    style.showhtml = false;
    style.wordbreak = false;
    const RECT& pad = owner_->item_padding_;
    for (int i = 0; i < owner_->GetCount(); ++i) {
      RECT row{0, i * owner_->item_height_, client.right, (i + 1) * owner_->item_height_};
      if (i == owner_->selected_)
        FillRect(cr, row, owner_->selected_bkcolor_);
      else if (i == hot_)
        FillRect(cr, row, owner_->item_hot_bkcolor_);
      RECT text{row.left + pad.left, row.top + pad.top, row.right - pad.right,
                row.bottom - pad.bottom};
      DrawText(cr, text, owner_->items_[i], style);
    }
    DrawBorder(cr, client, 1, 0xFFCCCCCC);
  }

 private:
  int ItemAt(int y) const {
    int index = owner_->item_height_ > 0 ? y / owner_->item_height_ : -1;
    return y >= 0 && index < owner_->GetCount() ? index : -1;
  }
  void SetHot(int index) {
    if (index == hot_)
      return;
    hot_ = index;
    if (native())
      native()->Invalidate(GetClientRect());
  }

  CComboUI* owner_;
  int hot_ = -1;
};

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() = default;

void CComboUI::SetAttribute(std::string_view name, std::string_view value) {
  uint32_t color;
  SIZE size;
  if (name == "itemtextpadding")
    ParseRect(value, &item_padding_);
  else if (name == "itemheight")
    item_height_ = ParseInt(value, item_height_);
  else if (name == "dropboxsize" && ParseSize(value, &size))
    drop_size_ = size;
  else if (name == "itemselectedbkcolor" && ParseColor(value, &color))
    selected_bkcolor_ = color;
  else if (name == "itemhotbkcolor" && ParseColor(value, &color))
    item_hot_bkcolor_ = color;
  else if (name == "itemtextcolor" && ParseColor(value, &color))
    item_textcolor_ = color;
  else
    CButtonUI::SetAttribute(name, value);
}

int CComboUI::AddItem(const std::string& text) {
  items_.push_back(text);
  return GetCount() - 1;
}

bool CComboUI::RemoveItem(int index) {
  if (index < 0 || index >= GetCount())
    return false;
  items_.erase(items_.begin() + index);
  if (selected_ == index)
    selected_ = -1;
  else if (selected_ > index)
    --selected_;
  Invalidate();
  return true;
}

void CComboUI::RemoveAllItems() {
  items_.clear();
  selected_ = -1;
  Invalidate();
}

std::string CComboUI::GetItemText(int index) const {
  return index >= 0 && index < GetCount() ? items_[index] : std::string();
}

int CComboUI::FindItem(const std::string& text) const {
  for (int i = 0; i < GetCount(); ++i)
    if (items_[i] == text)
      return i;
  return -1;
}

bool CComboUI::SelectItem(int index, bool notify) {
  if (index < -1 || index >= GetCount())
    return false;
  if (index == selected_)
    return true;
  int old = selected_;
  selected_ = index;
  Invalidate();
  if (notify && manager_)
    manager_->SendNotify(this, kNotifyItemSelect, static_cast<WPARAM>(index), old);
  return true;
}

void CComboUI::DoEvent(TEventUI& event) {
  // A press elsewhere in the window closes the list; a drop-down popup may
  // never get the keyboard focus that would tell it.
  if (event.type == UIEventType::kKillFocus)
    CloseDropDown();
  CButtonUI::DoEvent(event);
}

void CComboUI::SetVisible(bool visible) {
  if (!visible)
    CloseDropDown();
  CButtonUI::SetVisible(visible);
}

void CComboUI::Activate() {
  if (popup_ || !manager_)
    return;
  CWindowWnd* window = CWindowWnd::FromHandle(manager_->GetPaintWindow());
  if (!window)
    return;
  int width = drop_size_.cx > 0 ? drop_size_.cx : rect_.width();
  int height = drop_size_.cy > 0 ? drop_size_.cy : GetCount() * item_height_ + 2;
  POINT origin = window->ClientToScreen(POINT{rect_.left, rect_.bottom});
  popup_ = std::make_unique<ComboPopup>(this);
  if (!popup_->Create(window->GetHWND(), "", WS_POPUP, 0, origin.x, origin.y, width, height)) {
    popup_.reset();
    return;
  }
  popup_->ShowWindow(true, true);
  manager_->SendNotify(this, kNotifyDropDown);
}

CWindowWnd* CComboUI::popup() const {
  return popup_.get();
}

void CComboUI::CloseDropDown() {
  popup_.reset();
}

void CComboUI::PaintText(cairo_t* cr) {
  if (selected_ < 0)
    return;
  TextStyle style = MakeTextStyle(StateTextColor());
  style.showhtml = false;
  DrawText(cr, TextRect(), items_[selected_], style);
}
