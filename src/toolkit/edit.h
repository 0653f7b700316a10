// Edit boxes. The text is drawn by the control; while the box has the focus
// a native entry (Edit) or text view (RichEdit) lies over it and does the
// typing, so selection, input methods and the clipboard are the system's.
#ifndef QEL_TOOLKIT_EDIT_H_
#define QEL_TOOLKIT_EDIT_H_

#include <memory>

#include "toolkit/label.h"
#include "toolkit/native_child.h"

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;
  std::string_view GetClass() const override { return "Edit"; }
  bool IsInteractive() const override { return true; }
  void SetAttribute(std::string_view name, std::string_view value) override;
  void DoEvent(TEventUI& event) override;
  void SetText(const std::string& text) override;
  void SetItemRect(const RECT& rect) override;
  void SetVisible(bool visible) override;

  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  const std::string& GetTipValue() const { return tip_; }
  void SetTipValue(const std::string& tip);
  void SetTipValueColor(uint32_t argb);
  void SetNativeBkColor(uint32_t argb) { native_bkcolor_ = argb; }
  bool IsMultiLine() const { return multiline_; }
  // The native widget while editing, else null (tests type through it).
  NativeChild* native() const { return native_ && native_shown_ ? native_.get() : nullptr; }
  // Ends editing: the native widget's text is kept and it is hidden.
  void EndEdit();

 protected:
  void PaintText(cairo_t* cr) override;
  void BeginEdit();
  void OnNativeTextChanged();

  bool read_only_ = false;
  bool multiline_ = false;
  bool want_return_ = false;
  std::string tip_;
  uint32_t tip_color_ = 0xFFBAC0C5;
  uint32_t native_bkcolor_ = 0xFFFFFFFF;
  std::unique_ptr<NativeChild> native_;
  bool native_shown_ = false;
  bool syncing_ = false;
};

class CRichEditUI : public CEditUI {
 public:
  CRichEditUI();
  std::string_view GetClass() const override { return "RichEdit"; }
};

#endif  // QEL_TOOLKIT_EDIT_H_
