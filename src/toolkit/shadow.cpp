#include "toolkit/shadow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "toolkit/canvas.h"

bool InWindowShape(int x, int y, int w, int h, SIZE corner) {
  if (x < 0 || y < 0 || x >= w || y >= h)
    return false;
  if (corner.cx <= 0 || corner.cy <= 0)
    return true;
  double rx = corner.cx / 2.0, ry = corner.cy / 2.0;
  double px = x + 0.5, py = y + 0.5;
  double cx = px < rx ? rx : (px > w - rx ? w - rx : px);
  double cy = py < ry ? ry : (py > h - ry ? h - ry : py);
  if (cx == px || cy == py)
    return true;
  double dx = (px - cx) / rx, dy = (py - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

bool CShadowUI::SetSize(int size) {
  if (size < -35 || size > 35)
    return false;
  size_ = size;
  return true;
}

bool CShadowUI::SetSharpness(int sharpness) {
  if (sharpness < 0 || sharpness > 35)
    return false;
  sharpness_ = sharpness;
  return true;
}

bool CShadowUI::SetDarkness(int darkness) {
  if (darkness < 0 || darkness > 255)
    return false;
  darkness_ = darkness;
  return true;
}

bool CShadowUI::SetPosition(int x, int y) {
  if (x < -35 || x > 35 || y < -35 || y > 35)
    return false;
  position_ = POINT{x, y};
  return true;
}

bool CShadowUI::SetColor(uint32_t argb) {
  color_ = argb;
  return true;
}

bool CShadowUI::SetImage(const std::string& image) {
  image_ = ParseImageSpec(image);
  return true;
}

bool CShadowUI::SetShadowCorner(const RECT& corner) {
  if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0)
    return false;
  image_corner_ = corner;
  return true;
}

int CShadowUI::AlphaAt(double d) const {
  int r0 = std::max(size_ - sharpness_, 0);
  int r1 = std::max(size_, sharpness_);
  if (d < r0)
    return darkness_;
  if (d > r1)
    return 0;
  return static_cast<int>((1.0 - (d - r0) / (sharpness_ + 1)) * darkness_);
}

bool CShadowUI::IsDrawn() const {
  return show_ && (size_ != 0 || !image_.empty());
}

RECT CShadowUI::Extents() const {
  if (!IsDrawn())
    return RECT{};
  int s = std::abs(size_);
  int x = image_.empty() ? position_.x : 0;
  int y = image_.empty() ? position_.y : 0;
  return RECT{std::max(0, s - x), std::max(0, s - y), std::max(0, s + x), std::max(0, s + y)};
}

POINT CShadowUI::BitmapOffset() const {
  int s = std::abs(size_);
  if (!image_.empty())
    return POINT{-s, -s};
  return POINT{position_.x - s, position_.y - s};
}

cairo_surface_t* CShadowUI::Render(int w, int h, SIZE corner, cairo_surface_t* image) const {
  if (!IsDrawn() || w <= 0 || h <= 0)
    return nullptr;
  int s = std::abs(size_);
  int bw = w + 2 * s, bh = h + 2 * s;
  cairo_surface_t* bitmap = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bw, bh);
  if (cairo_surface_status(bitmap) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(bitmap);
    return nullptr;
  }
  if (!image_.empty()) {
    if (image) {
      cairo_t* cr = cairo_create(bitmap);
      ImageSpec spec = image_;
      spec.corner = image_corner_;
      DrawImage(cr, image, RECT{0, 0, bw, bh}, spec);
      cairo_destroy(cr);
    }
    return bitmap;
  }
  // The shape sits `s` pixels into the bitmap, shrunk when the fading edge is
  // wider than the spread.
  int shrink = std::max(0, sharpness_ - size_);
  int sx = s + shrink, sy = s + shrink;
  int sw = w - 2 * shrink, sh = h - 2 * shrink;
  auto inside = [&](int x, int y) { return InWindowShape(x - sx, y - sy, sw, sh, corner); };
  // Offsets to try, nearest first, up to the end of the fade.
  int reach = std::max(size_, sharpness_);
  struct Offset {
    int dx, dy;
    double d;
  };
  std::vector<Offset> kernel;
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      double d = std::sqrt(double(dx * dx + dy * dy));
      if (d <= reach)
        kernel.push_back(Offset{dx, dy, d});
    }
  std::stable_sort(kernel.begin(), kernel.end(),
                   [](const Offset& a, const Offset& b) { return a.d < b.d; });
  cairo_surface_flush(bitmap);
  unsigned char* data = cairo_image_surface_get_data(bitmap);
  int stride = cairo_image_surface_get_stride(bitmap);
  uint32_t r = (color_ >> 16) & 0xFF, g = (color_ >> 8) & 0xFF, b = color_ & 0xFF;
  for (int y = 0; y < bh; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < bw; ++x) {
      int alpha = 0;
      if (inside(x, y)) {
        alpha = darkness_;
      } else {
        for (const Offset& o : kernel) {
          if (inside(x + o.dx, y + o.dy)) {
            alpha = AlphaAt(o.d);
            break;
          }
        }
      }
      uint32_t a = static_cast<uint32_t>(alpha);
      row[x] = (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
    }
  }
  cairo_surface_mark_dirty(bitmap);
  return bitmap;
}
