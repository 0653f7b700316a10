#include "toolkit/frame_painter.h"

#include <cmath>

#include "toolkit/shadow.h"

RECT FrameMargins(NativeWindowDelegate* delegate, bool with_shadow) {
  const CShadowUI* shadow = delegate->GetShadow();
  if (!with_shadow || !shadow)
    return RECT{};
  return shadow->Extents();
}

void AppendShapePath(cairo_t* cr, int w, int h, SIZE corner) {
  if (corner.cx <= 0 || corner.cy <= 0) {
    cairo_rectangle(cr, 0, 0, w, h);
    return;
  }
  double rx = corner.cx / 2.0, ry = corner.cy / 2.0;
  auto arc = [&](double cx, double cy, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
  };
  cairo_new_sub_path(cr);
  arc(w - rx, ry, -M_PI / 2, 0);
  arc(w - rx, h - ry, 0, M_PI / 2);
  arc(rx, h - ry, M_PI / 2, M_PI);
  arc(rx, ry, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void PaintFrame(cairo_t* cr, NativeWindowDelegate* delegate, int w, int h, bool with_shadow) {
  RECT margins = FrameMargins(delegate, with_shadow);
  SIZE corner = delegate->GetRoundCorner();
  const CShadowUI* shadow = delegate->GetShadow();
  cairo_save(cr);
  if (margins.left || margins.top || margins.right || margins.bottom) {
    cairo_surface_t* bitmap = shadow->Render(w, h, corner, delegate->GetShadowImage());
    if (bitmap) {
      POINT offset = shadow->BitmapOffset();
      cairo_set_source_surface(cr, bitmap, margins.left + offset.x, margins.top + offset.y);
      cairo_paint(cr);
      cairo_surface_destroy(bitmap);
    }
  }
  cairo_translate(cr, margins.left, margins.top);
  AppendShapePath(cr, w, h, corner);
  cairo_clip(cr);
  // The client area replaces whatever the shadow put beneath it.
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  delegate->OnNativePaint(cr, RECT{0, 0, w, h});
  cairo_restore(cr);
}
