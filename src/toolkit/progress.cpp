#include "toolkit/progress.h"

#include <algorithm>

#include "toolkit/message_loop.h"
#include "toolkit/paint_manager.h"

void CProgressUI::SetAttribute(std::string_view name, std::string_view value) {
  if (name == "min")
    min_ = ParseInt(value);
  else if (name == "max")
    max_ = ParseInt(value);
  else if (name == "value")
    value_ = ParseInt(value);
  else if (name == "hor")
    horizontal_ = ParseBool(value);
  else if (name == "foreimage")
    fore_ = ParseImageSpec(value);
  else
    CLabelUI::SetAttribute(name, value);
}

void CProgressUI::SetMinValue(int value) {
  min_ = value;
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  max_ = value;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (!IsUiThread()) {
    InvokeOnUiThread([&] { SetValue(value); });
    return;
  }
  value_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
  Invalidate();
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
  if (max_ <= min_ || fore_.empty() || !manager_)
    return;
  double share = double(std::clamp(value_, min_, max_) - min_) / (max_ - min_);
  RECT part = rect_;
  if (horizontal_)
    part.right = rect_.left + static_cast<int>(rect_.width() * share);
  else
    part.top = rect_.bottom - static_cast<int>(rect_.height() * share);
  if (part.empty())
    return;
  // The fore image is stretched over the filled part with its corners kept.
  ImageSpec spec = fore_;
  spec.has_dest = false;
  DrawImage(cr, manager_->GetImage(spec), part, spec);
}
