#include "toolkit/label.h"

#include "toolkit/message_loop.h"
#include "toolkit/paint_manager.h"

void CLabelUI::PaintText(cairo_t* cr) {
  if (text_.empty())
    return;
  int unknown = DrawText(cr, TextRect(), text_, MakeTextStyle(StateTextColor()));
  if (unknown && manager_)
    manager_->ReportMissingGlyphs(this, unknown);
}

void CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
  uint32_t color;
  if (name == "normalimage")
    normal_ = ParseImageSpec(value);
  else if (name == "hotimage")
    hot_image_ = ParseImageSpec(value);
  else if (name == "pushedimage")
    pushed_image_ = ParseImageSpec(value);
  else if (name == "disabledimage")
    disabled_ = ParseImageSpec(value);
  else if (name == "hotbkcolor" && ParseColor(value, &color))
    hot_bkcolor_ = color;
  else if (name == "pushedbkcolor" && ParseColor(value, &color))
    pushed_bkcolor_ = color;
  else if (name == "hottextcolor" && ParseColor(value, &color))
    hot_textcolor_ = color;
  else if (name == "pushedtextcolor" && ParseColor(value, &color))
    pushed_textcolor_ = color;
  else
    CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(TEventUI& event) {
  if (!enabled_) {
    CLabelUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case UIEventType::kButtonDown:
    case UIEventType::kDoubleClick:
      pushed_ = true;
      Invalidate();
      return;
    case UIEventType::kMouseMove:
      if (manager_ && manager_->GetCapture() == this) {
        bool inside = rect_.Contains(event.ptMouse);
        if (inside != pushed_) {
          pushed_ = inside;
          Invalidate();
        }
      }
      return;
    case UIEventType::kButtonUp: {
      bool was_pushed = pushed_;
      pushed_ = false;
      Invalidate();
      if (was_pushed && rect_.Contains(event.ptMouse))
        Activate();
      return;
    }
    default:
      CLabelUI::DoEvent(event);
  }
}

void CButtonUI::Activate() {
  if (manager_)
    manager_->SendNotify(this, kNotifyClick);
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
  uint32_t color = bkcolor_;
  if (enabled_ && pushed_ && pushed_bkcolor_)
    color = pushed_bkcolor_;
  else if (enabled_ && hot_ && hot_bkcolor_)
    color = hot_bkcolor_;
  FillRect(cr, rect_, color);
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
  const ImageSpec* image = &normal_;
  if (!enabled_ && !disabled_.empty())
    image = &disabled_;
  else if (pushed_ && !pushed_image_.empty())
    image = &pushed_image_;
  else if (hot_ && !hot_image_.empty())
    image = &hot_image_;
  DrawImageString(cr, *image);
}

uint32_t CButtonUI::StateTextColor() const {
  if (!enabled_)
    return disabled_textcolor_;
  if (pushed_ && pushed_textcolor_)
    return pushed_textcolor_;
  if (hot_ && hot_textcolor_)
    return hot_textcolor_;
  return textcolor_;
}

void CCheckBoxUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "selected")
    selected_ = ParseBool(value);
  else if (name == "selectedimage")
    selected_image_ = ParseImageSpec(value);
  else if (name == "selectedhotimage")
    selected_hot_image_ = ParseImageSpec(value);
  else
    CButtonUI::SetAttribute(name, value);
}

void CCheckBoxUI::Selected(bool selected, bool notify) {
  if (!IsUiThread()) {
    InvokeOnUiThread([&] { Selected(selected, notify); });
    return;
  }
  if (selected_ == selected)
    return;
  selected_ = selected;
  Invalidate();
  if (notify && manager_)
    manager_->SendNotify(this, kNotifySelectChanged);
}

void CCheckBoxUI::Activate() {
  Selected(!selected_);
  CButtonUI::Activate();
}

void CCheckBoxUI::PaintStatusImage(cairo_t* cr) {
  if (!selected_) {
    CButtonUI::PaintStatusImage(cr);
    return;
  }
  if (hot_ && !selected_hot_image_.empty())
    DrawImageString(cr, selected_hot_image_);
  else if (!selected_image_.empty())
    DrawImageString(cr, selected_image_);
  else
    CButtonUI::PaintStatusImage(cr);
}
