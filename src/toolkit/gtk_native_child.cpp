#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>

#include "toolkit/gtk_backend.h"

namespace {

std::string Rgba(uint32_t argb) {
  char text[64];
  snprintf(text, sizeof(text), "rgba(%u,%u,%u,%.3f)", (argb >> 16) & 0xFF, (argb >> 8) & 0xFF,
           argb & 0xFF, ((argb >> 24) & 0xFF) / 255.0);
  return text;
}

class GtkChild : public NativeChild {
 public:
  GtkChild(NativeChildKind kind, GtkFixed* fixed, POINT origin)
      : kind_(kind), fixed_(fixed), origin_(origin) {
    g_object_add_weak_pointer(G_OBJECT(fixed_), reinterpret_cast<gpointer*>(&fixed_));
    if (kind == NativeChildKind::kEntry) {
      widget_ = gtk_entry_new();
      gtk_entry_set_has_frame(GTK_ENTRY(widget_), FALSE);
      g_signal_connect(widget_, "changed", G_CALLBACK(OnChanged), this);
      g_signal_connect(widget_, "activate", G_CALLBACK(OnActivate), this);
    } else if (kind == NativeChildKind::kTextView) {
      widget_ = gtk_text_view_new();
      gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(widget_), GTK_WRAP_WORD_CHAR);
      g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_)), "changed",
                       G_CALLBACK(OnChanged), this);
    } else {
      widget_ = webkit_web_view_new();
    }
    g_signal_connect(widget_, "focus-out-event", G_CALLBACK(OnFocusOut), this);
    g_object_add_weak_pointer(G_OBJECT(widget_), reinterpret_cast<gpointer*>(&widget_));
    css_ = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget_), GTK_STYLE_PROVIDER(css_),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_fixed_put(fixed_, widget_, origin.x, origin.y);
  }

  ~GtkChild() override {
    if (widget_) {
      g_signal_handlers_disconnect_by_data(widget_, this);
      if (kind_ == NativeChildKind::kTextView)
        g_signal_handlers_disconnect_by_data(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_)),
                                             this);
      GtkWidget* widget = widget_;
      g_object_remove_weak_pointer(G_OBJECT(widget_), reinterpret_cast<gpointer*>(&widget_));
      gtk_widget_destroy(widget);
    }
    if (fixed_)
      g_object_remove_weak_pointer(G_OBJECT(fixed_), reinterpret_cast<gpointer*>(&fixed_));
    g_object_unref(css_);
  }

  NativeChildKind kind() const override { return kind_; }

  void SetBounds(const RECT& rect) override {
    bounds_ = rect;
    Place();
  }

  void SetVisible(bool visible) override {
    if (widget_)
      gtk_widget_set_visible(widget_, visible);
  }

  void Focus() override {
    if (widget_)
      gtk_widget_grab_focus(widget_);
  }

  void SetText(const std::string& text) override {
    if (!widget_)
      return;
    if (kind_ == NativeChildKind::kEntry)
      gtk_entry_set_text(GTK_ENTRY(widget_), text.c_str());
    else if (kind_ == NativeChildKind::kTextView)
      gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_)), text.c_str(),
                               static_cast<int>(text.size()));
  }

  std::string GetText() const override {
    if (!widget_)
      return {};
    if (kind_ == NativeChildKind::kEntry)
      return gtk_entry_get_text(GTK_ENTRY(widget_));
    if (kind_ != NativeChildKind::kTextView)
      return {};
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(widget_));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string copy = text ? text : "";
    g_free(text);
    return copy;
  }

  void SetReadOnly(bool read_only) override {
    if (!widget_)
      return;
    if (kind_ == NativeChildKind::kEntry)
      gtk_editable_set_editable(GTK_EDITABLE(widget_), !read_only);
    else if (kind_ == NativeChildKind::kTextView)
      gtk_text_view_set_editable(GTK_TEXT_VIEW(widget_), !read_only);
  }

  void SetStyle(const FontSpec& font, uint32_t text_argb, uint32_t back_argb) override {
    std::string css =
        "* { font-family: \"" + font.name +
        "\", \"DejaVu Sans\", \"WenQuanYi Micro Hei\"; font-size: " + std::to_string(font.size) +
        "px; font-weight: " + (font.bold ? "bold" : "normal") + "; color: " + Rgba(text_argb) +
        "; background-color: " + Rgba(back_argb) +
        "; padding: 0; border: none; box-shadow: none; }";
    gtk_css_provider_load_from_data(css_, css.c_str(), -1, nullptr);
  }

  void* widget() override { return widget_; }

 private:
  void Place() {
    if (!widget_ || !fixed_)
      return;
    gtk_fixed_move(fixed_, widget_, origin_.x + bounds_.left, origin_.y + bounds_.top);
    gtk_widget_set_size_request(widget_, std::max(1, bounds_.width()),
                                std::max(1, bounds_.height()));
  }

  static void OnChanged(gpointer, gpointer self) {
    auto* child = static_cast<GtkChild*>(self);
    if (child->on_text_changed)
      child->on_text_changed();
  }
  static void OnActivate(GtkEntry*, gpointer self) {
    auto* child = static_cast<GtkChild*>(self);
    if (child->on_activate)
      child->on_activate();
  }
  static gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer self) {
    auto* child = static_cast<GtkChild*>(self);
    if (child->on_focus_out)
      child->on_focus_out();
    return FALSE;
  }

  NativeChildKind kind_;
  GtkFixed* fixed_;
  GtkWidget* widget_ = nullptr;
  GtkCssProvider* css_ = nullptr;
  POINT origin_;
  RECT bounds_;
};

}  // namespace

std::unique_ptr<NativeChild> CreateGtkChild(NativeChildKind kind, void* fixed, POINT origin) {
  if (!fixed)
    return nullptr;
  return std::make_unique<GtkChild>(kind, GTK_FIXED(fixed), origin);
}
