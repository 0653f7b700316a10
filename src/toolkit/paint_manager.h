// The paint manager of one window: owns the control tree, the fonts and
// images of its markup, lays the controls out, paints them, routes mouse and
// keyboard input to them, keeps the per-control timers and sends the
// controls' notifications to the window.
#ifndef QEL_TOOLKIT_PAINT_MANAGER_H_
#define QEL_TOOLKIT_PAINT_MANAGER_H_

#include <cairo.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/control.h"
#include "toolkit/font_table.h"
#include "toolkit/native_child.h"
#include "toolkit/shadow.h"
#include "toolkit/win_types.h"

// What the paint manager needs of the window it paints.
class PaintHost {
 public:
  virtual ~PaintHost() = default;
  virtual HWND GetHWND() const = 0;
  virtual void InvalidateClient(const RECT& rect) = 0;
  virtual void SetCursorKind(CursorKind cursor) = 0;
  virtual std::unique_ptr<NativeChild> CreateNativeChild(NativeChildKind kind) = 0;
  virtual SIZE GetClientSize() const = 0;
};

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  void Init(PaintHost* host, const std::string& name);
  HWND GetPaintWindow() const;
  const std::string& GetName() const { return name_; }

  // Takes ownership of the tree and initialises its controls.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_.get(); }
  CControlUI* FindControl(std::string_view name) const;
  CControlUI* FindControl(POINT point);
  template <class T>
  T* Find(std::string_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }
  // SetManager and DoInit for a control (and its children) joining the tree.
  void InitControls(CControlUI* control);

  // Notifications and message filters.
  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void AddPreMessageFilter(IMessageFilterUI* filter);
  void RemovePreMessageFilter(IMessageFilterUI* filter);
  void AddMessageFilter(IMessageFilterUI* filter);
  void RemoveMessageFilter(IMessageFilterUI* filter);
  void SendNotify(CControlUI* control, const char* type, WPARAM wparam = 0, LPARAM lparam = 0);
  void SendNotify(TNotifyUI& msg);

  // Per-control timers: "timer" notifications with the control as sender
  // and `id` as wParam. Any thread.
  bool SetTimer(CControlUI* control, UINT id, UINT ms);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);

  // Window attributes from the markup's root element.
  SIZE GetInitSize() const { return init_size_; }
  void SetInitSize(int cx, int cy) { init_size_ = SIZE{cx, cy}; }
  const RECT& GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const RECT& rect) { caption_ = rect; }
  const RECT& GetSizeBox() const { return sizebox_; }
  void SetSizeBox(const RECT& rect) { sizebox_ = rect; }
  SIZE GetRoundCorner() const { return round_corner_; }
  void SetRoundCorner(int cx, int cy);
  SIZE GetMinInfo() const { return min_info_; }
  void SetMinInfo(int cx, int cy) { min_info_ = SIZE{cx, cy}; }
  SIZE GetMaxInfo() const { return max_info_; }
  void SetMaxInfo(int cx, int cy) { max_info_ = SIZE{cx, cy}; }
  bool IsLayered() const { return layered_; }
  void SetLayered(bool layered) { layered_ = layered; }
  int GetLayeredOpacity() const { return layered_opacity_; }
  void SetLayeredOpacity(int opacity) { layered_opacity_ = opacity; }
  void SetLayeredImage(const std::string& image) { layered_image_ = ParseImageSpec(image); }
  uint32_t GetWindowBkColor() const { return window_bkcolor_; }
  void SetWindowBkColor(uint32_t argb) { window_bkcolor_ = argb; }
  CShadowUI* GetShadow() { return &shadow_; }
  FontTable& fonts() { return fonts_; }
  const FontTable& fonts() const { return fonts_; }
  cairo_surface_t* GetImage(const ImageSpec& spec) { return images_.Get(spec); }

  // Window messages the manager acts on (input, size, control timers).
  // True when handled; `result` is then the answer.
  bool MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // Offered keyboard messages before anything else (pre-message filters).
  bool PreMessageHandler(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // Painting: the whole tree into `cr` (client coordinates).
  void Paint(cairo_t* cr, const RECT& dirty);
  void Invalidate(const RECT& rect);
  void NeedLayout();
  // Lays the tree out now if anything changed.
  void UpdateLayout();

  CControlUI* GetFocus() const { return focus_; }
  void SetFocus(CControlUI* control);
  CControlUI* GetCapture() const { return capture_; }
  CControlUI* GetHot() const { return hot_; }
  std::unique_ptr<NativeChild> CreateNativeChild(NativeChildKind kind);

  // Bookkeeping for controls leaving the tree or hiding.
  void ReapControl(CControlUI* control);
  void ControlHidden(CControlUI* control);
  // Texts drawn with characters no font could show (golden-image tests fail
  // on these).
  void ReportMissingGlyphs(CControlUI* control, int count);
  int missing_glyphs() const { return missing_glyphs_; }

 private:
  struct ControlTimer {
    CControlUI* control;
    UINT id;
    uint64_t window_id;
  };
  static constexpr uint64_t kControlTimerBase = 0x10000000;

  void OnMouseMove(POINT point);
  void SetHot(CControlUI* control, POINT point);
  void Event(CControlUI* control, UIEventType type, POINT point, WPARAM wparam = 0);

  PaintHost* host_ = nullptr;
  std::string name_;
  std::unique_ptr<CControlUI> root_;
  bool layout_dirty_ = true;
  SIZE layout_size_;
  FontTable fonts_;
  ImageCache images_;
  CShadowUI shadow_;
  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> pre_filters_;
  std::vector<IMessageFilterUI*> filters_;
  std::vector<ControlTimer> timers_;
  uint64_t next_timer_ = kControlTimerBase;
  CControlUI* hot_ = nullptr;
  CControlUI* capture_ = nullptr;
  CControlUI* focus_ = nullptr;
  SIZE init_size_;
  RECT caption_;
  RECT sizebox_;
  SIZE round_corner_;
  SIZE min_info_;
  SIZE max_info_;
  bool layered_ = false;
  int layered_opacity_ = 255;
  ImageSpec layered_image_;
  uint32_t window_bkcolor_ = 0;
  int missing_glyphs_ = 0;
};

#endif  // QEL_TOOLKIT_PAINT_MANAGER_H_
