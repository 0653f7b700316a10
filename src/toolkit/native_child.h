// A native widget of the window system placed over a control's rectangle:
// a text entry or text view while an edit box is being typed in (so typing,
// selection, input methods and the clipboard are the system's), or a web
// view for the browser control.
#ifndef QEL_TOOLKIT_NATIVE_CHILD_H_
#define QEL_TOOLKIT_NATIVE_CHILD_H_

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/font_table.h"
#include "toolkit/win_types.h"

enum class NativeChildKind { kEntry, kTextView, kWebView };

class NativeChild {
 public:
  virtual ~NativeChild() = default;

  virtual NativeChildKind kind() const = 0;
  // In window client coordinates.
  virtual void SetBounds(const RECT& rect) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Focus() = 0;
  // Text widgets; the web view ignores these.
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
  virtual void SetReadOnly(bool read_only) = 0;
  virtual void SetStyle(const FontSpec& font, uint32_t text_argb, uint32_t back_argb) = 0;
  // The toolkit object behind it (GtkWidget*, a WebKitWebView for kWebView);
  // null in the offscreen backend.
  virtual void* widget() = 0;

  // Set by the owner: the text changed, the widget lost the focus, Enter was
  // pressed in a single-line entry.
  std::function<void()> on_text_changed;
  std::function<void()> on_focus_out;
  std::function<void()> on_activate;
};

#endif  // QEL_TOOLKIT_NATIVE_CHILD_H_
