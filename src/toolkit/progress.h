#ifndef QEL_TOOLKIT_PROGRESS_H_
#define QEL_TOOLKIT_PROGRESS_H_

#include "toolkit/label.h"

// A bar: the background image, and the fore image over the share that
// value takes of min..max (horizontal from the left, vertical from the
// bottom).
class CProgressUI : public CLabelUI {
 public:
  std::string_view GetClass() const override { return "Progress"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  int GetValue() const { return value_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // Clamped to min..max; callable from any thread.
  void SetValue(int value);
  void SetForeImage(const std::string& image) { fore_ = ParseImageSpec(image); }
  bool IsHorizontal() const { return horizontal_; }

 protected:
  void PaintStatusImage(cairo_t* cr) override;

  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  bool horizontal_ = true;
  ImageSpec fore_;
};

#endif  // QEL_TOOLKIT_PROGRESS_H_
