// The control base: what every element of a markup file is. Geometry follows
// the markup: a floating control sits at `pos` inside its parent; others are
// placed by their parent's layout. Controls belong to the UI thread; the
// common setters may also be called from other threads and then run there
// (the caller waits), as worker threads change texts and visibility.
#ifndef QEL_TOOLKIT_CONTROL_H_
#define QEL_TOOLKIT_CONTROL_H_

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/canvas.h"
#include "toolkit/value_parse.h"
#include "toolkit/win_types.h"

class CPaintManagerUI;
class CControlUI;

enum class UIEventType {
  kMouseEnter,
  kMouseLeave,
  kMouseMove,
  kButtonDown,
  kButtonUp,
  kDoubleClick,
  kScrollWheel,
  kSetFocus,
  kKillFocus,
  kKeyDown,
  kChar,
  kTimer,
};

struct TEventUI {
  UIEventType type;
  CControlUI* pSender = nullptr;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Notification types sent to a window's INotifyUI.
inline constexpr char kNotifyClick[] = "click";
inline constexpr char kNotifySelectChanged[] = "selectchanged";
inline constexpr char kNotifyTextChanged[] = "textchanged";
inline constexpr char kNotifyItemSelect[] = "itemselect";
inline constexpr char kNotifyTimer[] = "timer";
inline constexpr char kNotifySetFocus[] = "setfocus";
inline constexpr char kNotifyKillFocus[] = "killfocus";
inline constexpr char kNotifyReturn[] = "return";
inline constexpr char kNotifyLink[] = "link";
inline constexpr char kNotifyWindowInit[] = "windowinit";
inline constexpr char kNotifyDropDown[] = "dropdown";

struct TNotifyUI {
  std::string sType;
  CControlUI* pSender = nullptr;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT ptMouse;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// Builds controls the toolkit does not know, by element name.
class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  virtual CControlUI* CreateControl(const char* pstrClass) = 0;
};

enum class CursorKind { kArrow, kHand, kIBeam, kSizeWE, kSizeNS, kSizeNWSE, kSizeNESW };

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The element name ("Label", "Button" ...) and whether the control is one
  // that takes input (the default hit test drags the window elsewhere).
  virtual std::string_view GetClass() const { return "Control"; }
  virtual bool IsInteractive() const { return false; }

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  std::string GetText() const;
  virtual void SetText(const std::string& text);
  const std::string& GetToolTip() const { return tooltip_; }

  bool IsVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsMouseEnabled() const { return mouse_; }
  void SetMouseEnabled(bool enabled) { mouse_ = enabled; }
  bool IsFocused() const { return focused_; }
  void SetFocus();
  bool IsFloat() const { return float_; }
  void SetFloat(bool value);

  // Placement: `pos` as in markup (relative to the parent for floating
  // controls), fixed sizes (0 = let the layout decide).
  void SetPos(const RECT& pos);
  void SetFixedXY(POINT xy);
  POINT GetFixedXY() const { return fixed_xy_; }
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  int GetFixedWidth() const { return fixed_.cx; }
  int GetFixedHeight() const { return fixed_.cy; }
  // Where layout put the control, in window client coordinates.
  const RECT& GetPos() const { return rect_; }
  // Called by the parent's layout.
  virtual void SetItemRect(const RECT& rect);

  // Appearance.
  void SetBkColor(uint32_t argb);
  uint32_t GetBkColor() const { return bkcolor_; }
  void SetBkImage(const std::string& image);
  const std::string& GetBkImage() const { return bkimage_text_; }
  void SetBorderSize(int size);
  void SetBorderColor(uint32_t argb);
  void SetTextColor(uint32_t argb);
  uint32_t GetTextColor() const { return textcolor_; }
  void SetDisabledTextColor(uint32_t argb);
  void SetFont(int id);
  int GetFont() const { return font_; }
  void SetTextAlign(TextAlign align);
  void SetTextPadding(const RECT& padding);
  const RECT& GetTextPadding() const { return textpadding_; }
  void SetShowHtml(bool value);
  void SetWordBreak(bool value);
  void SetCursor(CursorKind cursor) { cursor_ = cursor; }
  CursorKind GetCursor() const { return cursor_; }

  // Applies one markup attribute; unknown names are ignored.
  virtual void SetAttribute(std::string_view name, std::string_view value);

  uint64_t GetTag() const { return tag_; }
  void SetTag(uint64_t tag) { tag_ = tag; }
  const std::string& GetUserData() const { return user_data_; }
  void SetUserData(const std::string& data) { user_data_ = data; }

  // Tree.
  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);
  // The deepest visible control under `point` that takes the mouse.
  virtual CControlUI* FindControlAt(POINT point);
  virtual CControlUI* FindControlByName(std::string_view name);
  // Called once the control is in a window (native children are made here).
  virtual void DoInit() {}

  // Drawing and input.
  virtual void DoPaint(cairo_t* cr, const RECT& dirty);
  virtual void DoEvent(TEventUI& event);
  void Invalidate();
  // Control-level state for drawing.
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

  // Text style built from the control's settings, for drawing and measuring.
  TextStyle MakeTextStyle(uint32_t color) const;
  SIZE MeasureTextSize(int max_width = -1) const;

 protected:
  virtual void PaintBkColor(cairo_t* cr);
  virtual void PaintBkImage(cairo_t* cr);
  virtual void PaintStatusImage(cairo_t* cr) { (void)cr; }
  virtual void PaintText(cairo_t* cr) { (void)cr; }
  virtual void PaintBorder(cairo_t* cr);
  void DrawImageString(cairo_t* cr, const ImageSpec& spec);
  void NeedLayout();
  uint32_t CurrentTextColor() const;
  RECT TextRect() const;

  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::string name_;
  std::string text_;
  std::string tooltip_;
  bool visible_ = true;
  bool enabled_ = true;
  bool mouse_ = true;
  bool focused_ = false;
  bool float_ = false;
  bool hot_ = false;
  bool pushed_ = false;
  POINT fixed_xy_;
  SIZE fixed_;
  RECT rect_;
  uint32_t bkcolor_ = 0;
  std::string bkimage_text_;
  ImageSpec bkimage_;
  int border_size_ = 0;
  uint32_t border_color_ = 0;
  uint32_t textcolor_ = 0xFF000000;
  uint32_t disabled_textcolor_ = 0xFFA7A6AA;
  int font_ = -1;
  TextAlign align_ = TextAlign::kLeft;
  RECT textpadding_;
  bool showhtml_ = false;
  bool wordbreak_ = false;
  CursorKind cursor_ = CursorKind::kArrow;
  uint64_t tag_ = 0;
  std::string user_data_;

  friend class CPaintManagerUI;
  friend class CContainerUI;
};

#endif  // QEL_TOOLKIT_CONTROL_H_
