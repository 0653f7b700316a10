#include "toolkit/edit.h"

#include "toolkit/paint_manager.h"

CEditUI::CEditUI() = default;

CEditUI::~CEditUI() = default;

CRichEditUI::CRichEditUI() {
  multiline_ = true;
  wordbreak_ = true;
}

void CEditUI::SetAttribute(std::string_view name, std::string_view value) {
  uint32_t color;
  if (name == "readonly")
    read_only_ = ParseBool(value);
  else if (name == "tipvalue")
    tip_ = std::string(value);
  else if (name == "tipvaluecolor" && ParseColor(value, &color))
    tip_color_ = color;
  else if (name == "nativebkcolor" && ParseColor(value, &color))
    native_bkcolor_ = color;
  else if (name == "multiline")
    multiline_ = wordbreak_ = ParseBool(value);
  else if (name == "wantreturn")
    want_return_ = ParseBool(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CEditUI::SetText(const std::string& text) {
  CLabelUI::SetText(text);
  if (native_ && !syncing_ && native_->GetText() != text)
    native_->SetText(text);
}

void CEditUI::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  if (read_only)
    EndEdit();
  Invalidate();
}

void CEditUI::SetTipValue(const std::string& tip) {
  tip_ = tip;
  Invalidate();
}

void CEditUI::SetTipValueColor(uint32_t argb) {
  tip_color_ = argb;
  Invalidate();
}

void CEditUI::SetItemRect(const RECT& rect) {
  CLabelUI::SetItemRect(rect);
  if (native_)
    native_->SetBounds(TextRect());
}

void CEditUI::SetVisible(bool visible) {
  if (!visible)
    EndEdit();
  CLabelUI::SetVisible(visible);
}

void CEditUI::DoEvent(TEventUI& event) {
  if (event.type == UIEventType::kButtonDown && enabled_ && !read_only_) {
    BeginEdit();
    return;
  }
  if (event.type == UIEventType::kKillFocus)
    EndEdit();
  CLabelUI::DoEvent(event);
}

void CEditUI::BeginEdit() {
  if (!manager_)
    return;
  if (!native_) {
    native_ = manager_->CreateNativeChild(multiline_ ? NativeChildKind::kTextView
                                                     : NativeChildKind::kEntry);
    if (!native_)
      return;
    native_->on_text_changed = [this] { OnNativeTextChanged(); };
    native_->on_focus_out = [this] { EndEdit(); };
    native_->on_activate = [this] {
      if (manager_)
        manager_->SendNotify(this, kNotifyReturn);
    };
  }
  syncing_ = true;
  native_->SetText(text_);
  syncing_ = false;
  native_->SetStyle(manager_->fonts().Get(font_), textcolor_, native_bkcolor_);
  native_->SetReadOnly(read_only_);
  native_->SetBounds(TextRect());
  native_->SetVisible(true);
  native_shown_ = true;
  manager_->SetFocus(this);
  native_->Focus();
  Invalidate();
}

void CEditUI::EndEdit() {
  if (!native_ || !native_shown_)
    return;
  native_shown_ = false;
  OnNativeTextChanged();
  native_->SetVisible(false);
  Invalidate();
}

void CEditUI::OnNativeTextChanged() {
  if (!native_ || syncing_)
    return;
  std::string text = native_->GetText();
  if (text == text_)
    return;
  text_ = text;
  Invalidate();
  if (manager_)
    manager_->SendNotify(this, kNotifyTextChanged);
}

void CEditUI::PaintText(cairo_t* cr) {
  if (native_shown_)
    return;
  RECT rect = TextRect();
  if (text_.empty()) {
    if (!tip_.empty())
      DrawText(cr, rect, tip_, MakeTextStyle(tip_color_));
    return;
  }
  TextStyle style = MakeTextStyle(CurrentTextColor());
  style.showhtml = false;
  style.vcenter = !multiline_;
  int unknown = DrawText(cr, rect, text_, style);
  if (unknown)
    manager_->ReportMissingGlyphs(this, unknown);
}
