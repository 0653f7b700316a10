#include "toolkit/offscreen_backend.h"

#include <cstdio>
#include <mutex>

#include "foundation/log.h"
#include "toolkit/frame_painter.h"
#include "toolkit/shadow.h"
#include "toolkit/window.h"

namespace {

// The screen an offscreen window lives on.
constexpr RECT kWorkArea{0, 0, 1280, 800};

std::mutex g_backend_lock;
std::unique_ptr<Backend> g_backend;

}  // namespace

Backend* CurrentBackend() {
  std::lock_guard<std::mutex> hold(g_backend_lock);
  if (!g_backend)
    g_backend = std::make_unique<OffscreenBackend>();
  return g_backend.get();
}

void SetBackend(std::unique_ptr<Backend> backend) {
  std::lock_guard<std::mutex> hold(g_backend_lock);
  g_backend = std::move(backend);
}

void OffscreenChild::Type(const std::string& text) {
  if (read_only_)
    return;
  text_ = text;
  if (on_text_changed)
    on_text_changed();
}

void OffscreenChild::PressEnter() {
  if (on_activate)
    on_activate();
}

void OffscreenChild::Blur() {
  focused_ = false;
  if (on_focus_out)
    on_focus_out();
}

void OffscreenWindow::Show(bool show, bool activate) {
  visible_ = show;
  if (show && activate)
    active_ = true;
}

void OffscreenWindow::SetBounds(const RECT& rect) {
  bool moved = rect.left != bounds_.left || rect.top != bounds_.top;
  bool sized = rect.width() != bounds_.width() || rect.height() != bounds_.height();
  bounds_ = rect;
  if (moved)
    delegate_->OnNativeMessage(WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
  if (sized)
    SendSize(SIZE_RESTORED);
}

void OffscreenWindow::SendSize(WPARAM kind) {
  delegate_->OnNativeMessage(WM_SIZE, kind, MAKELPARAM(bounds_.width(), bounds_.height()));
}

void OffscreenWindow::Minimize() {
  if (minimized_)
    return;
  minimized_ = true;
  SendSize(SIZE_MINIMIZED);
}

void OffscreenWindow::Maximize() {
  if (maximized_)
    return;
  minimized_ = false;
  maximized_ = true;
  restore_bounds_ = bounds_;
  bounds_ = kWorkArea;
  SendSize(SIZE_MAXIMIZED);
}

void OffscreenWindow::Restore() {
  if (!minimized_ && !maximized_)
    return;
  minimized_ = false;
  if (maximized_) {
    maximized_ = false;
    bounds_ = restore_bounds_;
  }
  SendSize(SIZE_RESTORED);
}

RECT OffscreenWindow::GetWorkArea() const {
  return kWorkArea;
}

std::unique_ptr<NativeChild> OffscreenWindow::CreateChild(NativeChildKind kind) {
  auto child = std::make_unique<OffscreenChild>(kind);
  last_child_ = child.get();
  return child;
}

bool OffscreenWindow::ShadowShown() const {
  const CShadowUI* shadow = delegate_->GetShadow();
  return shadow && shadow->IsDrawn() && CShadowUI::ShouldShow(visible_, minimized_, maximized_);
}

RECT OffscreenWindow::FrameMargins() const {
  return ::FrameMargins(delegate_, ShadowShown());
}

cairo_surface_t* OffscreenWindow::Render() {
  RECT m = FrameMargins();
  int w = bounds_.width(), h = bounds_.height();
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w + m.left + m.right, h + m.top + m.bottom);
  cairo_t* cr = cairo_create(surface);
  PaintFrame(cr, delegate_, w, h, ShadowShown());
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  return surface;
}

void OffscreenWindow::MouseMove(int x, int y) {
  delegate_->OnNativeMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void OffscreenWindow::MouseDown(int x, int y) {
  delegate_->OnNativeMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(x, y));
}

void OffscreenWindow::MouseUp(int x, int y) {
  delegate_->OnNativeMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void OffscreenWindow::Click(int x, int y) {
  MouseMove(x, y);
  MouseDown(x, y);
  MouseUp(x, y);
}

void OffscreenWindow::KeyDown(WPARAM key) {
  delegate_->OnNativeMessage(WM_KEYDOWN, key, 0);
}

void OffscreenWindow::SystemClose() {
  delegate_->OnNativeMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::unique_ptr<NativeWindow> OffscreenBackend::CreateNativeWindow(NativeWindowDelegate* delegate,
                                                                   bool) {
  return std::make_unique<OffscreenWindow>(delegate);
}

void OffscreenBackend::ShowMessageBox(NativeWindow*,
                                      const std::string& text,
                                      const std::string& caption,
                                      MessageBoxIcon) {
  message_boxes_.push_back(caption + ": " + text);
  fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

std::string OffscreenBackend::BrowseForFolder(NativeWindow*, const std::string&) {
  return folder_answer_;
}

bool OffscreenBackend::GetClipboardText(std::string* text) {
  if (!has_clipboard_)
    return false;
  *text = clipboard_;
  return true;
}

bool OffscreenBackend::SetClipboardText(const std::string& text) {
  clipboard_ = text;
  has_clipboard_ = true;
  return true;
}

OffscreenWindow* OffscreenWindowOf(const CWindowWnd* window) {
  return window ? dynamic_cast<OffscreenWindow*>(window->native()) : nullptr;
}

bool WritePng(cairo_surface_t* surface, const std::string& path) {
  if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
    LOG_ERROR("[ERROR] WritePng, cannot write=[%s]", path.c_str());
    return false;
  }
  return true;
}
