#include "toolkit/gtk_backend.h"

#include <gtk/gtk.h>

#include "foundation/log.h"
#include "toolkit/frame_painter.h"
#include "toolkit/message_loop.h"
#include "toolkit/shadow.h"

namespace {

WPARAM KeyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      return VK_RETURN;
    case GDK_KEY_Escape:
      return VK_ESCAPE;
    case GDK_KEY_Tab:
      return VK_TAB;
    case GDK_KEY_BackSpace:
      return VK_BACK;
    case GDK_KEY_F4:
      return VK_F4;
    default:
      return 0;
  }
}

const char* CursorName(CursorKind cursor) {
  switch (cursor) {
    case CursorKind::kHand:
      return "pointer";
    case CursorKind::kIBeam:
      return "text";
    case CursorKind::kSizeWE:
      return "ew-resize";
    case CursorKind::kSizeNS:
      return "ns-resize";
    case CursorKind::kSizeNWSE:
      return "nwse-resize";
    case CursorKind::kSizeNESW:
      return "nesw-resize";
    default:
      return "default";
  }
}

class GtkNativeWindow : public NativeWindow {
 public:
  GtkNativeWindow(NativeWindowDelegate* delegate, bool popup) : delegate_(delegate) {
    window_ = gtk_window_new(popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_widget_set_app_paintable(window_, TRUE);
    if (popup)
      gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DROPDOWN_MENU);
    GdkScreen* screen = gtk_widget_get_screen(window_);
    composited_ = gdk_screen_is_composited(screen);
    // An RGBA visual lets the shadow's margin and the rounded corners be
    // transparent; without a compositor they would come out black.
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen); rgba && composited_)
      gtk_widget_set_visual(window_, rgba);
    fixed_ = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    gtk_widget_show(fixed_);
    gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                       GDK_BUTTON_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK |
                                       GDK_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                                       GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);
    g_signal_connect(window_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(window_, "leave-notify-event", G_CALLBACK(OnLeave), this);
    g_signal_connect(window_, "scroll-event", G_CALLBACK(OnScroll), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
    g_signal_connect(window_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
    g_signal_connect(window_, "focus-out-event", G_CALLBACK(OnFocusOut), this);
    composited_handler_ =
        g_signal_connect(screen, "composited-changed", G_CALLBACK(OnCompositedChanged), this);
  }

  ~GtkNativeWindow() override {
    g_signal_handler_disconnect(gtk_widget_get_screen(window_), composited_handler_);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
  }

  void SetOwner(NativeWindow* owner) override {
    if (auto* gtk_owner = dynamic_cast<GtkNativeWindow*>(owner))
      gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(gtk_owner->window_));
  }

  void Show(bool show, bool activate) override {
    if (show) {
      ApplyGeometry();
      gtk_window_set_accept_focus(GTK_WINDOW(window_), activate);
      gtk_widget_show(window_);
      UpdateShape();
      if (activate)
        gtk_window_present(GTK_WINDOW(window_));
    } else {
      gtk_widget_hide(window_);
    }
  }

  bool IsVisible() const override { return gtk_widget_get_visible(window_); }
  GtkWindow* gtk_window() const { return GTK_WINDOW(window_); }

  void SetBounds(const RECT& rect) override {
    bool sized = rect.width() != bounds_.width() || rect.height() != bounds_.height();
    bool moved = rect.left != bounds_.left || rect.top != bounds_.top;
    bounds_ = rect;
    ApplyGeometry();
    if (moved)
      delegate_->OnNativeMessage(WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    if (sized) {
      UpdateShape();
      delegate_->OnNativeMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(rect.width(), rect.height()));
    }
  }

  RECT GetBounds() const override { return bounds_; }
  void SetTitle(const std::string& title) override {
    gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
  }

  void SetIcon(const std::string& png) override {
    GInputStream* stream = g_memory_input_stream_new_from_data(png.data(), png.size(), nullptr);
    GdkPixbuf* icon = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
    g_object_unref(stream);
    if (!icon) {
      LOG_WARN("[WARN] SetIcon, not an image");
      return;
    }
    gtk_window_set_icon(GTK_WINDOW(window_), icon);
    g_object_unref(icon);
  }

  void Invalidate(const RECT& client) override {
    RECT m = Margins();
    gtk_widget_queue_draw_area(window_, client.left + m.left, client.top + m.top,
                               std::min(client.width(), 1 << 14),
                               std::min(client.height(), 1 << 14));
  }

  void UpdateFrame() override {
    ApplyGeometry();
    UpdateShape();
    gtk_widget_queue_draw(window_);
  }

  void SetCursor(CursorKind cursor) override {
    if (cursor == cursor_ || !gtk_widget_get_window(window_))
      return;
    cursor_ = cursor;
    GdkCursor* gdk_cursor =
        gdk_cursor_new_from_name(gtk_widget_get_display(window_), CursorName(cursor));
    gdk_window_set_cursor(gtk_widget_get_window(window_), gdk_cursor);
    if (gdk_cursor)
      g_object_unref(gdk_cursor);
  }

  void SetEnabled(bool enabled) override { gtk_widget_set_sensitive(fixed_, enabled); }
  void SetTopmost(bool topmost) override {
    gtk_window_set_keep_above(GTK_WINDOW(window_), topmost);
  }
  void Minimize() override { gtk_window_iconify(GTK_WINDOW(window_)); }
  void Maximize() override { gtk_window_maximize(GTK_WINDOW(window_)); }
  void Restore() override {
    gtk_window_deiconify(GTK_WINDOW(window_));
    gtk_window_unmaximize(GTK_WINDOW(window_));
  }
  bool IsMinimized() const override { return state_ & GDK_WINDOW_STATE_ICONIFIED; }
  bool IsMaximized() const override { return state_ & GDK_WINDOW_STATE_MAXIMIZED; }
  void Activate() override { gtk_window_present(GTK_WINDOW(window_)); }

  void BeginMoveDrag(POINT screen) override {
    gtk_window_begin_move_drag(GTK_WINDOW(window_), 1, screen.x, screen.y, press_time_);
  }

  void BeginResizeDrag(LRESULT hit, POINT screen) override {
    GdkWindowEdge edge;
    switch (hit) {
      case HTLEFT:
        edge = GDK_WINDOW_EDGE_WEST;
        break;
      case HTRIGHT:
        edge = GDK_WINDOW_EDGE_EAST;
        break;
      case HTTOP:
        edge = GDK_WINDOW_EDGE_NORTH;
        break;
      case HTBOTTOM:
        edge = GDK_WINDOW_EDGE_SOUTH;
        break;
      case HTTOPLEFT:
        edge = GDK_WINDOW_EDGE_NORTH_WEST;
        break;
      case HTTOPRIGHT:
        edge = GDK_WINDOW_EDGE_NORTH_EAST;
        break;
      case HTBOTTOMLEFT:
        edge = GDK_WINDOW_EDGE_SOUTH_WEST;
        break;
      default:
        edge = GDK_WINDOW_EDGE_SOUTH_EAST;
        break;
    }
    gtk_window_begin_resize_drag(GTK_WINDOW(window_), edge, 1, screen.x, screen.y, press_time_);
  }

  RECT GetWorkArea() const override {
    GdkDisplay* display = gtk_widget_get_display(window_);
    GdkMonitor* monitor = nullptr;
    if (GdkWindow* gdk_window = gtk_widget_get_window(window_))
      monitor = gdk_display_get_monitor_at_window(display, gdk_window);
    if (!monitor)
      monitor = gdk_display_get_primary_monitor(display);
    if (!monitor)
      monitor = gdk_display_get_monitor(display, 0);
    if (!monitor)
      return RECT{0, 0, 1024, 768};
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
  }

  std::unique_ptr<NativeChild> CreateChild(NativeChildKind kind) override {
    RECT m = Margins();
    return CreateGtkChild(kind, fixed_, POINT{m.left, m.top});
  }

 private:
  bool ShadowShown() const {
    const CShadowUI* shadow = delegate_->GetShadow();
    return composited_ && shadow && shadow->IsDrawn() &&
           CShadowUI::ShouldShow(true, IsMinimized(), IsMaximized());
  }

  // The margin stays as long as the compositor does, so that native children
  // never have to move; a hidden shadow leaves it transparent.
  RECT Margins() const {
    const CShadowUI* shadow = delegate_->GetShadow();
    if (!composited_ || !shadow || !shadow->IsDrawn())
      return RECT{};
    return shadow->Extents();
  }

  void ApplyGeometry() {
    RECT m = Margins();
    int w = std::max(1, bounds_.width() + m.left + m.right);
    int h = std::max(1, bounds_.height() + m.top + m.bottom);
    gtk_widget_set_size_request(fixed_, w, h);
    gtk_window_resize(GTK_WINDOW(window_), w, h);
    gtk_window_move(GTK_WINDOW(window_), bounds_.left - m.left, bounds_.top - m.top);
  }

  void UpdateShape() {
    RECT m = Margins();
    SIZE corner = delegate_->GetRoundCorner();
    int w = bounds_.width(), h = bounds_.height();
    cairo_region_t* client = cairo_region_create();
    // Rows of the rounded shape; a plain rectangle without corners.
    for (int y = 0; y < h; ++y) {
      int x0 = 0;
      while (x0 < w && !InWindowShape(x0, y, w, h, corner))
        ++x0;
      int x1 = w;
      while (x1 > x0 && !InWindowShape(x1 - 1, y, w, h, corner))
        --x1;
      cairo_rectangle_int_t row{m.left + x0, m.top + y, x1 - x0, 1};
      if (row.width > 0)
        cairo_region_union_rectangle(client, &row);
    }
    // Clicks on the shadow go to whatever lies beneath it.
    gtk_widget_input_shape_combine_region(window_, client);
    if (!composited_)
      gtk_widget_shape_combine_region(window_, corner.cx > 0 ? client : nullptr);
    else
      gtk_widget_shape_combine_region(window_, nullptr);
    cairo_region_destroy(client);
  }

  POINT ClientPoint(double x, double y) const {
    RECT m = Margins();
    return POINT{static_cast<int>(x) - m.left, static_cast<int>(y) - m.top};
  }

  bool ChildHasFocus() const {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window_));
    return focus && focus != window_ && gtk_widget_is_ancestor(focus, window_) &&
           gtk_widget_get_visible(focus);
  }

  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    if (self->composited_) {
      cairo_save(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_set_source_rgba(cr, 0, 0, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
    }
    // PaintFrame expects the frame's margin to be the shadow's margin.
    RECT m = self->Margins();
    RECT drawn = FrameMargins(self->delegate_, self->ShadowShown());
    cairo_save(cr);
    cairo_translate(cr, m.left - drawn.left, m.top - drawn.top);
    PaintFrame(cr, self->delegate_, self->bounds_.width(), self->bounds_.height(),
               self->ShadowShown());
    cairo_restore(cr);
    return FALSE;  // the native children are drawn next
  }

  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    POINT p = self->ClientPoint(event->x, event->y);
    self->delegate_->OnNativeMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    return FALSE;
  }

  static gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    if (event->button != 1)
      return FALSE;
    self->press_time_ = event->time;
    POINT p = self->ClientPoint(event->x, event->y);
    UINT message = event->type == GDK_2BUTTON_PRESS ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    if (event->type == GDK_3BUTTON_PRESS)
      return TRUE;
    self->delegate_->OnNativeMessage(message, 1, MAKELPARAM(p.x, p.y));
    return FALSE;
  }

  static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    if (event->button != 1)
      return FALSE;
    POINT p = self->ClientPoint(event->x, event->y);
    self->delegate_->OnNativeMessage(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    return FALSE;
  }

  static gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    if (event->detail == GDK_NOTIFY_INFERIOR)
      return FALSE;
    POINT p = self->ClientPoint(event->x, event->y);
    self->delegate_->OnNativeMessage(WM_MOUSELEAVE, 0, MAKELPARAM(p.x, p.y));
    return FALSE;
  }

  static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    int delta = event->direction == GDK_SCROLL_UP     ? 120
                : event->direction == GDK_SCROLL_DOWN ? -120
                                                      : 0;
    if (delta)
      self->delegate_->OnNativeMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(delta) << 16, 0);
    return FALSE;
  }

  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    // Typing in an edit box is the entry's own business.
    if (self->ChildHasFocus())
      return FALSE;
    WPARAM key = KeyOf(event->keyval);
    if ((event->state & GDK_MOD1_MASK) && key == VK_F4) {
      self->delegate_->OnNativeMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
      return TRUE;
    }
    if (key)
      self->delegate_->OnNativeMessage(WM_KEYDOWN, key, 0);
    guint32 ch = gdk_keyval_to_unicode(event->keyval);
    if (ch >= 0x20)
      self->delegate_->OnNativeMessage(WM_CHAR, ch, 0);
    return key != 0;
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    self->delegate_->OnNativeMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;  // the window decides; DestroyWindow removes it
  }

  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    RECT m = self->Margins();
    int x = event->x + m.left, y = event->y + m.top;
    if (x != self->bounds_.left || y != self->bounds_.top) {
      int w = self->bounds_.width(), h = self->bounds_.height();
      self->bounds_ = RECT{x, y, x + w, y + h};
      self->delegate_->OnNativeMessage(WM_MOVE, 0, MAKELPARAM(x, y));
    }
    return FALSE;
  }

  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    self->state_ = event->new_window_state;
    WPARAM kind = self->IsMinimized()   ? SIZE_MINIMIZED
                  : self->IsMaximized() ? SIZE_MAXIMIZED
                                        : SIZE_RESTORED;
    if (event->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED)) {
      self->delegate_->OnNativeMessage(WM_SIZE, kind,
                                       MAKELPARAM(self->bounds_.width(), self->bounds_.height()));
      gtk_widget_queue_draw(self->window_);
    }
    return FALSE;
  }

  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    static_cast<GtkNativeWindow*>(data)->delegate_->OnNativeMessage(WM_SETFOCUS, 0, 0);
    return FALSE;
  }

  static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
    static_cast<GtkNativeWindow*>(data)->delegate_->OnNativeMessage(WM_KILLFOCUS, 0, 0);
    return FALSE;
  }

  static void OnCompositedChanged(GdkScreen* screen, gpointer data) {
    auto* self = static_cast<GtkNativeWindow*>(data);
    // The visual is fixed once the window exists; the shadow and the shape
    // follow the compositor only where that visual allows it.
    bool rgba = gtk_widget_get_visual(self->window_) == gdk_screen_get_rgba_visual(screen);
    self->composited_ = rgba && gdk_screen_is_composited(screen);
    self->UpdateFrame();
  }

  NativeWindowDelegate* delegate_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  gulong composited_handler_ = 0;
  bool composited_ = false;
  RECT bounds_;
  GdkWindowState state_ = GdkWindowState(0);
  guint32 press_time_ = GDK_CURRENT_TIME;
  CursorKind cursor_ = CursorKind::kArrow;
};

class GtkBackend : public Backend {
 public:
  const char* name() const override { return "gtk"; }

  std::unique_ptr<NativeWindow> CreateNativeWindow(NativeWindowDelegate* delegate,
                                                   bool popup) override {
    return std::make_unique<GtkNativeWindow>(delegate, popup);
  }

  void ShowMessageBox(NativeWindow* owner,
                      const std::string& text,
                      const std::string& caption,
                      MessageBoxIcon icon) override {
    GtkMessageType type = icon == MessageBoxIcon::kError     ? GTK_MESSAGE_ERROR
                          : icon == MessageBoxIcon::kWarning ? GTK_MESSAGE_WARNING
                                                             : GTK_MESSAGE_INFO;
    GtkWidget* dialog = gtk_message_dialog_new(ParentOf(owner), GTK_DIALOG_MODAL, type,
                                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
  }

  std::string BrowseForFolder(NativeWindow* owner, const std::string& title) override {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title.c_str(), ParentOf(owner), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);
    std::string folder;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
      if (gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
        folder = chosen;
        g_free(chosen);
      }
    }
    gtk_widget_destroy(dialog);
    return folder;
  }

  bool GetClipboardText(std::string* text) override {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gchar* content = gtk_clipboard_wait_for_text(clipboard);
    if (!content)
      return false;
    *text = content;
    g_free(content);
    return true;
  }

  bool SetClipboardText(const std::string& text) override {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<int>(text.size()));
    gtk_clipboard_store(clipboard);
    return true;
  }

 private:
  static GtkWindow* ParentOf(NativeWindow* owner) {
    auto* gtk_owner = dynamic_cast<GtkNativeWindow*>(owner);
    return gtk_owner ? gtk_owner->gtk_window() : nullptr;
  }
};

}  // namespace

bool UseGtkBackend() {
  if (!gtk_init_check(nullptr, nullptr)) {
    LOG_ERROR("[ERROR] UseGtkBackend, no display");
    return false;
  }
  InitMessageLoop();
  SetBackend(std::make_unique<GtkBackend>());
  return true;
}

bool SaveScreenshot(const RECT& area, const std::string& path) {
  GdkWindow* root = gdk_get_default_root_window();
  if (!root || area.empty())
    return false;
  GdkPixbuf* shot =
      gdk_pixbuf_get_from_window(root, area.left, area.top, area.width(), area.height());
  if (!shot)
    return false;
  GError* error = nullptr;
  bool ok = gdk_pixbuf_save(shot, path.c_str(), "png", &error, nullptr);
  if (error) {
    LOG_ERROR("[ERROR] SaveScreenshot, %s", error->message);
    g_error_free(error);
  }
  g_object_unref(shot);
  return ok;
}
