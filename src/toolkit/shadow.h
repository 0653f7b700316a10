// The drop shadow of a skinned window: its settings, the alpha it has at a
// given distance from the window's shape, and the bitmap drawn from them.
// The backend draws the bitmap in a transparent margin around the window
// (when the screen has a compositor) and keeps it in step with the window.
#ifndef QEL_TOOLKIT_SHADOW_H_
#define QEL_TOOLKIT_SHADOW_H_

#include <cairo.h>

#include <cstdint>
#include <string>

#include "toolkit/value_parse.h"
#include "toolkit/win_types.h"

// True when pixel (x, y) lies inside the window shape: the w × h rectangle
// with its corners cut by an ellipse of `corner` (none when 0 × 0).
bool InWindowShape(int x, int y, int w, int h, SIZE corner);

class CShadowUI {
 public:
  // Setters return false for a value out of range and keep the old one.
  void SetShow(bool show) { show_ = show; }
  bool IsShowShadow() const { return show_; }
  bool SetSize(int size);
  bool SetSharpness(int sharpness);
  bool SetDarkness(int darkness);
  bool SetPosition(int x, int y);
  bool SetColor(uint32_t argb);
  bool SetImage(const std::string& image);
  bool SetShadowCorner(const RECT& corner);

  int size() const { return size_; }
  int sharpness() const { return sharpness_; }
  int darkness() const { return darkness_; }
  POINT position() const { return position_; }
  uint32_t color() const { return color_; }
  const ImageSpec& image() const { return image_; }
  const RECT& image_corner() const { return image_corner_; }

  // Alpha of a pixel at distance `d` outside the (shrunk) window shape.
  int AlphaAt(double d) const;

  // Whether anything is drawn at all (shown, and a size or an image).
  bool IsDrawn() const;
  // How far the bitmap reaches beyond each edge of the window.
  RECT Extents() const;
  // The shadow bitmap for a window of w × h (premultiplied ARGB,
  // (w + 2 size) × (h + 2 size)); placed at the window's top-left plus
  // BitmapOffset(). `image` is the decoded shadow image in image mode.
  // Null when nothing is drawn.
  cairo_surface_t* Render(int w, int h, SIZE corner, cairo_surface_t* image = nullptr) const;
  POINT BitmapOffset() const;

  // Visible exactly while the window is visible and neither minimised nor
  // maximised.
  static bool ShouldShow(bool window_visible, bool minimized, bool maximized) {
    return window_visible && !minimized && !maximized;
  }

 private:
  bool show_ = false;
  int size_ = 0;
  int sharpness_ = 5;
  int darkness_ = 150;
  POINT position_;
  uint32_t color_ = 0xFF000000;
  ImageSpec image_;
  RECT image_corner_;
};

#endif  // QEL_TOOLKIT_SHADOW_H_
