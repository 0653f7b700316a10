// Drawing primitives of the controls, on Cairo and Pango: colours, borders,
// nine-grid images and text (plain or with the markup's rich-text tags).
#ifndef QEL_TOOLKIT_CANVAS_H_
#define QEL_TOOLKIT_CANVAS_H_

#include <cairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "toolkit/font_table.h"
#include "toolkit/value_parse.h"
#include "toolkit/win_types.h"

// Decoded images by source (archive file or executable resource). A missing
// image or one that is not a PNG is logged once and draws nothing.
class ImageCache {
 public:
  ImageCache() = default;
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  cairo_surface_t* Get(const ImageSpec& spec);
  void Clear();

 private:
  std::map<std::string, cairo_surface_t*> images_;  // null: known to be missing
};

// PNG bytes to an image surface; null (and logged) when they are not a PNG.
cairo_surface_t* DecodePng(const std::string& bytes, const std::string& name);

enum class TextAlign { kLeft, kCenter, kRight };

struct TextStyle {
  const FontTable* fonts = nullptr;
  int font = -1;
  uint32_t color = 0xFF000000;
  TextAlign align = TextAlign::kLeft;
  bool wordbreak = false;
  bool showhtml = false;  // {f n} {c #rrggbb} {u} {l} tags
  bool vcenter = true;    // single lines only; wrapped text starts at the top
};

void FillRect(cairo_t* cr, const RECT& rect, uint32_t argb);
void DrawBorder(cairo_t* cr, const RECT& rect, int size, uint32_t argb);
// Draws `image` into `control` as its image attribute asks: into dest (relative to the
// control) or the whole control, from source or the whole image, with the
// corner borders kept unstretched.
void DrawImage(cairo_t* cr, cairo_surface_t* image, const RECT& control, const ImageSpec& spec);

// Draws and measures text. Returns the number of characters no installed
// font could show (0 when every glyph was found).
int DrawText(cairo_t* cr, const RECT& rect, const std::string& text, const TextStyle& style);
SIZE MeasureText(const std::string& text, const TextStyle& style, int max_width = -1);

// Strips the rich-text tags, leaving the text a reader sees.
std::string PlainText(const std::string& text);

#endif  // QEL_TOOLKIT_CANVAS_H_
