// Text controls: Label, and Button and CheckBox with their state images.
#ifndef QEL_TOOLKIT_LABEL_H_
#define QEL_TOOLKIT_LABEL_H_

#include "toolkit/control.h"

class CLabelUI : public CControlUI {
 public:
  std::string_view GetClass() const override { return "Label"; }

 protected:
  void PaintText(cairo_t* cr) override;
  // Colour of the text in the current state.
  virtual uint32_t StateTextColor() const { return CurrentTextColor(); }
};

class CButtonUI : public CLabelUI {
 public:
  std::string_view GetClass() const override { return "Button"; }
  bool IsInteractive() const override { return true; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  void DoEvent(TEventUI& event) override;

  void SetNormalImage(const std::string& image) { normal_ = ParseImageSpec(image); }
  void SetHotImage(const std::string& image) { hot_image_ = ParseImageSpec(image); }
  void SetPushedImage(const std::string& image) { pushed_image_ = ParseImageSpec(image); }
  void SetDisabledImage(const std::string& image) { disabled_ = ParseImageSpec(image); }
  void SetHotBkColor(uint32_t argb) { hot_bkcolor_ = argb; }
  void SetPushedBkColor(uint32_t argb) { pushed_bkcolor_ = argb; }
  void SetHotTextColor(uint32_t argb) { hot_textcolor_ = argb; }
  void SetPushedTextColor(uint32_t argb) { pushed_textcolor_ = argb; }

  // What a click does: notify the window. Check boxes toggle first.
  virtual void Activate();

 protected:
  void PaintBkColor(cairo_t* cr) override;
  void PaintStatusImage(cairo_t* cr) override;
  uint32_t StateTextColor() const override;

  ImageSpec normal_, hot_image_, pushed_image_, disabled_;
  uint32_t hot_bkcolor_ = 0, pushed_bkcolor_ = 0;
  uint32_t hot_textcolor_ = 0, pushed_textcolor_ = 0;
};

class CCheckBoxUI : public CButtonUI {
 public:
  std::string_view GetClass() const override { return "CheckBox"; }
  void SetAttribute(std::string_view name, std::string_view value) override;

  bool IsSelected() const { return selected_; }
  // Notifies "selectchanged" when the state changes and `notify` is set.
  void Selected(bool selected, bool notify = true);
  void Activate() override;

 protected:
  void PaintStatusImage(cairo_t* cr) override;

  bool selected_ = false;
  ImageSpec selected_image_, selected_hot_image_;
};

#endif  // QEL_TOOLKIT_LABEL_H_
