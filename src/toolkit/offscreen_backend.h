// The backend without a display: windows draw into image surfaces on demand
// and take synthetic input. Tests and `skin-view --png` use it.
#ifndef QEL_TOOLKIT_OFFSCREEN_BACKEND_H_
#define QEL_TOOLKIT_OFFSCREEN_BACKEND_H_

#include <string>
#include <vector>

#include "toolkit/backend.h"

class CWindowWnd;

class OffscreenChild : public NativeChild {
 public:
  explicit OffscreenChild(NativeChildKind kind) : kind_(kind) {}
  NativeChildKind kind() const override { return kind_; }
  void SetBounds(const RECT& rect) override { bounds_ = rect; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void Focus() override { focused_ = true; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string GetText() const override { return text_; }
  void SetReadOnly(bool read_only) override { read_only_ = read_only; }
  void SetStyle(const FontSpec&, uint32_t, uint32_t) override {}
  void* widget() override { return nullptr; }

  // Synthetic input: typing replaces the text as a user would.
  void Type(const std::string& text);
  void PressEnter();
  void Blur();
  const RECT& bounds() const { return bounds_; }
  bool visible() const { return visible_; }

 private:
  NativeChildKind kind_;
  RECT bounds_;
  bool visible_ = false;
  bool focused_ = false;
  bool read_only_ = false;
  std::string text_;
};

class OffscreenWindow : public NativeWindow {
 public:
  explicit OffscreenWindow(NativeWindowDelegate* delegate) : delegate_(delegate) {}

  void SetOwner(NativeWindow* owner) override { owner_ = owner; }
  void Show(bool show, bool activate) override;
  bool IsVisible() const override { return visible_; }
  void SetBounds(const RECT& rect) override;
  RECT GetBounds() const override { return bounds_; }
  void SetTitle(const std::string& title) override { title_ = title; }
  void SetIcon(const std::string&) override {}
  void Invalidate(const RECT&) override { ++invalidations_; }
  void UpdateFrame() override {}
  void SetCursor(CursorKind cursor) override { cursor_ = cursor; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void SetTopmost(bool topmost) override { topmost_ = topmost; }
  void Minimize() override;
  void Maximize() override;
  void Restore() override;
  bool IsMinimized() const override { return minimized_; }
  bool IsMaximized() const override { return maximized_; }
  void Activate() override { active_ = true; }
  void BeginMoveDrag(POINT) override { ++move_drags_; }
  void BeginResizeDrag(LRESULT hit, POINT) override { last_resize_hit_ = hit; }
  RECT GetWorkArea() const override;
  std::unique_ptr<NativeChild> CreateChild(NativeChildKind kind) override;

  // What the screen would show: the shadow margin (when the shadow shows)
  // and the client area. The caller destroys the surface.
  cairo_surface_t* Render();
  // The margin Render adds around the client area.
  RECT FrameMargins() const;

  // Synthetic input in client coordinates.
  void MouseMove(int x, int y);
  void MouseDown(int x, int y);
  void MouseUp(int x, int y);
  void Click(int x, int y);
  void KeyDown(WPARAM key);
  // The window manager's close (Alt+F4, the title bar's button).
  void SystemClose();

  const std::string& title() const { return title_; }
  CursorKind cursor() const { return cursor_; }
  bool enabled() const { return enabled_; }
  bool topmost() const { return topmost_; }
  int move_drags() const { return move_drags_; }
  LRESULT last_resize_hit() const { return last_resize_hit_; }
  NativeWindow* owner() const { return owner_; }
  // The last edit widget made for this window.
  OffscreenChild* last_child() const { return last_child_; }

 private:
  bool ShadowShown() const;
  void SendSize(WPARAM kind);

  NativeWindowDelegate* delegate_;
  NativeWindow* owner_ = nullptr;
  RECT bounds_;
  RECT restore_bounds_;
  std::string title_;
  bool visible_ = false;
  bool enabled_ = true;
  bool topmost_ = false;
  bool minimized_ = false;
  bool maximized_ = false;
  bool active_ = false;
  CursorKind cursor_ = CursorKind::kArrow;
  int invalidations_ = 0;
  int move_drags_ = 0;
  LRESULT last_resize_hit_ = 0;
  OffscreenChild* last_child_ = nullptr;
};

class OffscreenBackend : public Backend {
 public:
  const char* name() const override { return "offscreen"; }
  std::unique_ptr<NativeWindow> CreateNativeWindow(NativeWindowDelegate* delegate,
                                                   bool popup) override;
  void ShowMessageBox(NativeWindow* owner,
                      const std::string& text,
                      const std::string& caption,
                      MessageBoxIcon icon) override;
  std::string BrowseForFolder(NativeWindow* owner, const std::string& title) override;
  bool GetClipboardText(std::string* text) override;
  bool SetClipboardText(const std::string& text) override;

  // Scripted answers for tests: the folder the picker returns ("" cancels).
  void SetFolderAnswer(const std::string& folder) { folder_answer_ = folder; }
  const std::vector<std::string>& message_boxes() const { return message_boxes_; }

 private:
  std::string folder_answer_;
  std::string clipboard_;
  bool has_clipboard_ = false;
  std::vector<std::string> message_boxes_;
};

// The offscreen native window of a toolkit window; null in another backend.
OffscreenWindow* OffscreenWindowOf(const CWindowWnd* window);

// Writes `surface` as a PNG file. False (and logged) on failure.
bool WritePng(cairo_surface_t* surface, const std::string& path);

#endif  // QEL_TOOLKIT_OFFSCREEN_BACKEND_H_
