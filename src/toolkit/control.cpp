#include "toolkit/control.h"

#include "toolkit/message_loop.h"
#include "toolkit/paint_manager.h"

// Runs the rest of a setter on the UI thread when called from another one.
#define RUN_ON_UI_THREAD(call)         \
  do {                                 \
    if (!IsUiThread()) {               \
      InvokeOnUiThread([&] { call; }); \
      return;                          \
    }                                  \
  } while (0)

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (manager_)
    manager_->ReapControl(this);
}

std::string CControlUI::GetText() const {
  if (!IsUiThread()) {
    std::string copy;
    InvokeOnUiThread([&] { copy = text_; });
    return copy;
  }
  return text_;
}

void CControlUI::SetText(const std::string& text) {
  RUN_ON_UI_THREAD(SetText(text));
  if (text_ == text)
    return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetVisible(bool visible) {
  RUN_ON_UI_THREAD(SetVisible(visible));
  if (visible_ == visible)
    return;
  visible_ = visible;
  if (!visible && manager_)
    manager_->ControlHidden(this);
  NeedLayout();
}

void CControlUI::SetEnabled(bool enabled) {
  RUN_ON_UI_THREAD(SetEnabled(enabled));
  if (enabled_ == enabled)
    return;
  enabled_ = enabled;
  if (!enabled) {
    hot_ = false;
    pushed_ = false;
  }
  Invalidate();
}

void CControlUI::SetFocus() {
  RUN_ON_UI_THREAD(SetFocus());
  if (manager_)
    manager_->SetFocus(this);
}

void CControlUI::SetFloat(bool value) {
  float_ = value;
  NeedLayout();
}

void CControlUI::SetPos(const RECT& pos) {
  RUN_ON_UI_THREAD(SetPos(pos));
  fixed_xy_ = POINT{pos.left, pos.top};
  // A right or bottom left of the start keeps the width or height as it is,
  // so "x,y,0,0" with width and height places a control of that size.
  if (pos.right - pos.left >= 0)
    fixed_.cx = pos.right - pos.left;
  if (pos.bottom - pos.top >= 0)
    fixed_.cy = pos.bottom - pos.top;
  NeedLayout();
}

void CControlUI::SetFixedXY(POINT xy) {
  RUN_ON_UI_THREAD(SetFixedXY(xy));
  fixed_xy_ = xy;
  NeedLayout();
}

void CControlUI::SetFixedWidth(int cx) {
  RUN_ON_UI_THREAD(SetFixedWidth(cx));
  if (cx < 0)
    return;
  fixed_.cx = cx;
  NeedLayout();
}

void CControlUI::SetFixedHeight(int cy) {
  RUN_ON_UI_THREAD(SetFixedHeight(cy));
  if (cy < 0)
    return;
  fixed_.cy = cy;
  NeedLayout();
}

void CControlUI::SetItemRect(const RECT& rect) {
  rect_ = rect;
}

void CControlUI::SetBkColor(uint32_t argb) {
  RUN_ON_UI_THREAD(SetBkColor(argb));
  bkcolor_ = argb;
  Invalidate();
}

void CControlUI::SetBkImage(const std::string& image) {
  RUN_ON_UI_THREAD(SetBkImage(image));
  bkimage_text_ = image;
  bkimage_ = ParseImageSpec(image);
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  border_size_ = size;
  Invalidate();
}

void CControlUI::SetBorderColor(uint32_t argb) {
  border_color_ = argb;
  Invalidate();
}

void CControlUI::SetTextColor(uint32_t argb) {
  RUN_ON_UI_THREAD(SetTextColor(argb));
  textcolor_ = argb;
  Invalidate();
}

void CControlUI::SetDisabledTextColor(uint32_t argb) {
  disabled_textcolor_ = argb;
  Invalidate();
}

void CControlUI::SetFont(int id) {
  font_ = id;
  Invalidate();
}

void CControlUI::SetTextAlign(TextAlign align) {
  align_ = align;
  Invalidate();
}

void CControlUI::SetTextPadding(const RECT& padding) {
  textpadding_ = padding;
  Invalidate();
}

void CControlUI::SetShowHtml(bool value) {
  showhtml_ = value;
  Invalidate();
}

void CControlUI::SetWordBreak(bool value) {
  wordbreak_ = value;
  Invalidate();
}

void CControlUI::SetAttribute(std::string_view name, std::string_view value) {
  uint32_t color;
  RECT rect;
  if (name == "name") {
    name_ = std::string(value);
  } else if (name == "text") {
    text_ = std::string(value);
  } else if (name == "tooltip") {
    tooltip_ = std::string(value);
  } else if (name == "visible") {
    visible_ = ParseBool(value);
  } else if (name == "enabled" || name == "enable") {
    enabled_ = ParseBool(value);
  } else if (name == "mouse") {
    mouse_ = ParseBool(value);
  } else if (name == "float") {
    float_ = ParseBool(value);
  } else if (name == "pos") {
    if (ParseRect(value, &rect))
      SetPos(rect);
  } else if (name == "width") {
    SetFixedWidth(ParseInt(value));
  } else if (name == "height") {
    SetFixedHeight(ParseInt(value));
  } else if (name == "bkcolor") {
    if (ParseColor(value, &color))
      bkcolor_ = color;
  } else if (name == "bkimage") {
    SetBkImage(std::string(value));
  } else if (name == "bordersize") {
    border_size_ = ParseInt(value);
  } else if (name == "bordercolor") {
    if (ParseColor(value, &color))
      border_color_ = color;
  } else if (name == "textcolor") {
    if (ParseColor(value, &color))
      textcolor_ = color;
  } else if (name == "disabledtextcolor") {
    if (ParseColor(value, &color))
      disabled_textcolor_ = color;
  } else if (name == "font") {
    font_ = ParseInt(value, -1);
  } else if (name == "align") {
    align_ = value == "center"  ? TextAlign::kCenter
             : value == "right" ? TextAlign::kRight
                                : TextAlign::kLeft;
  } else if (name == "textpadding") {
    ParseRect(value, &textpadding_);
  } else if (name == "cursor") {
    cursor_ = value == "hand" ? CursorKind::kHand : CursorKind::kArrow;
  } else if (name == "showhtml") {
    showhtml_ = ParseBool(value);
  } else if (name == "wordbreak") {
    wordbreak_ = ParseBool(value);
  } else if (name == "userdata") {
    user_data_ = std::string(value);
  }
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  manager_ = manager;
  parent_ = parent;
}

CControlUI* CControlUI::FindControlAt(POINT point) {
  if (!visible_ || !mouse_ || !rect_.Contains(point))
    return nullptr;
  return this;
}

CControlUI* CControlUI::FindControlByName(std::string_view name) {
  return name_ == name ? this : nullptr;
}

void CControlUI::DoPaint(cairo_t* cr, const RECT& dirty) {
  (void)dirty;
  if (!visible_ || rect_.empty())
    return;
  cairo_save(cr);
  cairo_rectangle(cr, rect_.left, rect_.top, rect_.width(), rect_.height());
  cairo_clip(cr);
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  PaintBorder(cr);
  cairo_restore(cr);
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UIEventType::kMouseEnter:
      hot_ = true;
      Invalidate();
      break;
    case UIEventType::kMouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case UIEventType::kSetFocus:
      focused_ = true;
      Invalidate();
      break;
    case UIEventType::kKillFocus:
      focused_ = false;
      Invalidate();
      break;
    default:
      break;
  }
}

void CControlUI::Invalidate() {
  if (manager_)
    manager_->Invalidate(rect_);
}

void CControlUI::NeedLayout() {
  if (manager_)
    manager_->NeedLayout();
}

void CControlUI::PaintBkColor(cairo_t* cr) {
  FillRect(cr, rect_, bkcolor_);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
  DrawImageString(cr, bkimage_);
}

void CControlUI::PaintBorder(cairo_t* cr) {
  DrawBorder(cr, rect_, border_size_, border_color_);
}

void CControlUI::DrawImageString(cairo_t* cr, const ImageSpec& spec) {
  if (!manager_ || spec.empty())
    return;
  DrawImage(cr, manager_->GetImage(spec), rect_, spec);
}

TextStyle CControlUI::MakeTextStyle(uint32_t color) const {
  TextStyle style;
  style.fonts = manager_ ? &manager_->fonts() : nullptr;
  style.font = font_;
  style.color = color;
  style.align = align_;
  style.wordbreak = wordbreak_;
  style.showhtml = showhtml_;
  return style;
}

SIZE CControlUI::MeasureTextSize(int max_width) const {
  return MeasureText(text_, MakeTextStyle(textcolor_), max_width);
}

uint32_t CControlUI::CurrentTextColor() const {
  return enabled_ ? textcolor_ : disabled_textcolor_;
}

RECT CControlUI::TextRect() const {
  return RECT{rect_.left + textpadding_.left, rect_.top + textpadding_.top,
              rect_.right - textpadding_.right, rect_.bottom - textpadding_.bottom};
}
