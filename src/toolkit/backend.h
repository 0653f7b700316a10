// The window system behind the toolkit. Two implementations: GTK (the real
// one) and offscreen (draws into image surfaces, takes synthetic input; no
// display at all). Everything above this interface is free of GTK.
#ifndef QEL_TOOLKIT_BACKEND_H_
#define QEL_TOOLKIT_BACKEND_H_

#include <cairo.h>

#include <memory>
#include <string>

#include "toolkit/control.h"
#include "toolkit/native_child.h"
#include "toolkit/win_types.h"

class CShadowUI;

// Implemented by the toolkit window: what the native window reports.
class NativeWindowDelegate {
 public:
  virtual ~NativeWindowDelegate() = default;
  // Input and state changes as window messages: mouse positions in client
  // coordinates, WM_SIZE with the new client size, WM_SYSCOMMAND SC_CLOSE
  // when the system asks the window to close.
  virtual LRESULT OnNativeMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // Draws the client area (client coordinates, already clipped to its shape).
  virtual void OnNativePaint(cairo_t* cr, const RECT& dirty) = 0;
  // The window's look that the backend needs for its frame.
  virtual SIZE GetRoundCorner() const = 0;
  virtual const CShadowUI* GetShadow() const = 0;
  virtual cairo_surface_t* GetShadowImage() = 0;
};

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  virtual void SetOwner(NativeWindow* owner) = 0;
  virtual void Show(bool show, bool activate) = 0;
  virtual bool IsVisible() const = 0;
  // The client area in screen coordinates.
  virtual void SetBounds(const RECT& rect) = 0;
  virtual RECT GetBounds() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetIcon(const std::string& png) = 0;
  virtual void Invalidate(const RECT& client) = 0;
  // The shape or the shadow settings changed.
  virtual void UpdateFrame() = 0;
  virtual void SetCursor(CursorKind cursor) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void Minimize() = 0;
  virtual void Maximize() = 0;
  virtual void Restore() = 0;
  virtual bool IsMinimized() const = 0;
  virtual bool IsMaximized() const = 0;
  virtual void Activate() = 0;
  // Hands a pointer press over to the window manager's move or resize.
  virtual void BeginMoveDrag(POINT screen) = 0;
  virtual void BeginResizeDrag(LRESULT hit, POINT screen) = 0;
  virtual RECT GetWorkArea() const = 0;
  virtual std::unique_ptr<NativeChild> CreateChild(NativeChildKind kind) = 0;
};

enum class MessageBoxIcon { kInfo, kWarning, kError };

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  // `popup`: a drop-down list, never in the task bar and not registered.
  virtual std::unique_ptr<NativeWindow> CreateNativeWindow(NativeWindowDelegate* delegate,
                                                           bool popup) = 0;
  // A modal system message box.
  virtual void ShowMessageBox(NativeWindow* owner,
                              const std::string& text,
                              const std::string& caption,
                              MessageBoxIcon icon) = 0;
  // A folder picker that may create folders; empty when cancelled.
  virtual std::string BrowseForFolder(NativeWindow* owner, const std::string& title) = 0;
  virtual bool GetClipboardText(std::string* text) = 0;
  virtual bool SetClipboardText(const std::string& text) = 0;
};

// The process's backend. Without one set, the offscreen backend is used.
Backend* CurrentBackend();
void SetBackend(std::unique_ptr<Backend> backend);

#endif  // QEL_TOOLKIT_BACKEND_H_
