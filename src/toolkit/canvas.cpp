#include "toolkit/canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/log.h"
#include "toolkit/skin_archive.h"

namespace {

void SetSource(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0);
}

struct PngReader {
  const std::string* bytes;
  size_t pos;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->bytes->size() - reader->pos < length)
    return CAIRO_STATUS_READ_ERROR;
  memcpy(data, reader->bytes->data() + reader->pos, length);
  reader->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

// One stretch of a nine-grid: source rectangle to destination rectangle.
void Blit(cairo_t* cr,
          cairo_surface_t* image,
          double sx,
          double sy,
          double sw,
          double sh,
          double dx,
          double dy,
          double dw,
          double dh) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
    return;
  cairo_save(cr);
  cairo_rectangle(cr, dx, dy, dw, dh);
  cairo_clip(cr);
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, dw / sw, dh / sh);
  cairo_set_source_surface(cr, image, -sx, -sy);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
  cairo_paint(cr);
  cairo_restore(cr);
}

// Font families tried in order: the markup's name, then free fonts that
// cover Latin, Cyrillic, Greek and Arabic (DejaVu) and CJK (WenQuanYi).
std::string FamilyList(const std::string& name) {
  return name + ",DejaVu Sans,WenQuanYi Micro Hei";
}

PangoFontDescription* Describe(const FontSpec& font) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, FamilyList(font.name).c_str());
  pango_font_description_set_absolute_size(desc, font.size * PANGO_SCALE);
  pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return desc;
}

// Rendering settings fixed so that pictures come out the same on every
// machine with the same fonts: grey antialiasing, no hinting.
PangoContext* SharedContext() {
  static PangoContext* context = [] {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* created = pango_font_map_create_context(map);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(created, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(created, 96);
    return created;
  }();
  return context;
}

void AddColor(PangoAttrList* list, uint32_t rgb, guint start, guint end) {
  PangoAttribute* fg = pango_attr_foreground_new(((rgb >> 16) & 0xFF) * 257,
                                                 ((rgb >> 8) & 0xFF) * 257, (rgb & 0xFF) * 257);
  fg->start_index = start;
  fg->end_index = end;
  pango_attr_list_insert(list, fg);
}

void AddUnderline(PangoAttrList* list, guint start, guint end) {
  PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
  u->start_index = start;
  u->end_index = end;
  pango_attr_list_insert(list, u);
}

struct OpenTag {
  char kind;
  std::string arg;
  size_t start;
};

// Parses the rich-text tags into plain text and attributes (null `list`
// only strips them).
std::string ParseRichText(const std::string& text, const FontTable* fonts, PangoAttrList* list) {
  std::string plain;
  std::vector<OpenTag> open;
  size_t i = 0;
  while (i < text.size()) {
    size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
    bool closing = close != std::string::npos && i + 1 < close && text[i + 1] == '/';
    char kind = close == std::string::npos ? 0 : text[i + (closing ? 2 : 1)];
    bool known = close != std::string::npos && strchr("fcul", kind) && kind != 0 &&
                 (close == i + (closing ? 3 : 2) || text[i + 2] == ' ');
    if (!known) {
      plain.push_back(text[i++]);
      continue;
    }
    if (!closing) {
      std::string arg = close > i + 3 ? text.substr(i + 3, close - i - 3) : std::string();
      open.push_back(OpenTag{kind, arg, plain.size()});
    } else {
      for (size_t k = open.size(); k-- > 0;) {
        if (open[k].kind != kind)
          continue;
        guint start = static_cast<guint>(open[k].start);
        guint end = static_cast<guint>(plain.size());
        if (list && start < end) {
          uint32_t argb = 0;
          if (kind == 'c' && ParseColor(open[k].arg, &argb)) {
            AddColor(list, argb, start, end);
          } else if (kind == 'u') {
            AddUnderline(list, start, end);
          } else if (kind == 'l') {
            AddColor(list, 0x0000FF, start, end);
            AddUnderline(list, start, end);
          } else if (kind == 'f' && fonts) {
            const FontSpec& font = fonts->Get(ParseInt(open[k].arg, -1));
            PangoAttribute* attr = pango_attr_font_desc_new(Describe(font));
            attr->start_index = start;
            attr->end_index = end;
            pango_attr_list_insert(list, attr);
            if (font.underline)
              AddUnderline(list, start, end);
          }
        }
        open.erase(open.begin() + static_cast<long>(k));
        break;
      }
    }
    i = close + 1;
  }
  return plain;
}

PangoLayout* MakeLayout(const std::string& text, const TextStyle& style, int width) {
  static FontTable empty;
  const FontTable& fonts = style.fonts ? *style.fonts : empty;
  const FontSpec& font = fonts.Get(style.font);
  PangoLayout* layout = pango_layout_new(SharedContext());
  PangoFontDescription* desc = Describe(font);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  PangoAttrList* list = pango_attr_list_new();
  std::string plain = style.showhtml ? ParseRichText(text, &fonts, list) : text;
  if (font.underline)
    AddUnderline(list, 0, static_cast<guint>(plain.size()));
  pango_layout_set_text(layout, plain.c_str(), static_cast<int>(plain.size()));
  pango_layout_set_attributes(layout, list);
  pango_attr_list_unref(list);
  if (style.wordbreak && width > 0) {
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout, style.align == TextAlign::kCenter  ? PANGO_ALIGN_CENTER
                                       : style.align == TextAlign::kRight ? PANGO_ALIGN_RIGHT
                                                                          : PANGO_ALIGN_LEFT);
  } else {
    pango_layout_set_single_paragraph_mode(layout, !style.wordbreak);
  }
  return layout;
}

}  // namespace

cairo_surface_t* DecodePng(const std::string& bytes, const std::string& name) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || memcmp(bytes.data(), kSignature, 8) != 0) {
    LOG_ERROR("[ERROR] DecodePng, not a PNG image=[%s]", name.c_str());
    return nullptr;
  }
  PngReader reader{&bytes, 0};
  cairo_surface_t* image = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    LOG_ERROR("[ERROR] DecodePng, damaged PNG image=[%s]", name.c_str());
    cairo_surface_destroy(image);
    return nullptr;
  }
  return image;
}

ImageCache::~ImageCache() {
  Clear();
}

void ImageCache::Clear() {
  for (auto& [key, image] : images_)
    if (image)
      cairo_surface_destroy(image);
  images_.clear();
}

cairo_surface_t* ImageCache::Get(const ImageSpec& spec) {
  if (spec.empty())
    return nullptr;
  std::string key = spec.key();
  auto it = images_.find(key);
  if (it != images_.end())
    return it->second;
  std::string bytes;
  bool found = spec.res.empty() ? ReadSkinFile(spec.file, &bytes)
                                : ReadResource(spec.restype, spec.res, &bytes);
  cairo_surface_t* image = nullptr;
  if (found)
    image = DecodePng(bytes, key);
  else
    LOG_WARN("[WARN] ImageCache, image not found=[%s]", key.c_str());
  images_[key] = image;
  return image;
}

void FillRect(cairo_t* cr, const RECT& rect, uint32_t argb) {
  if ((argb >> 24) == 0 || rect.empty())
    return;
  cairo_save(cr);
  SetSource(cr, argb);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawBorder(cairo_t* cr, const RECT& rect, int size, uint32_t argb) {
  if (size <= 0 || (argb >> 24) == 0 || rect.empty())
    return;
  cairo_save(cr);
  SetSource(cr, argb);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  cairo_rectangle(cr, rect.left + size, rect.top + size, rect.width() - 2 * size,
                  rect.height() - 2 * size);
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawImage(cairo_t* cr, cairo_surface_t* image, const RECT& control, const ImageSpec& spec) {
  if (!image)
    return;
  RECT src{0, 0, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image)};
  if (spec.has_source)
    src = spec.source;
  RECT dst = control;
  if (spec.has_dest)
    dst = RECT{control.left + spec.dest.left, control.top + spec.dest.top,
               control.left + spec.dest.right, control.top + spec.dest.bottom};
  if (dst.empty() || src.empty())
    return;
  const RECT& c = spec.corner;
  // Corners never exceed half of either side.
  int l = std::min(c.left, std::min(src.width(), dst.width()) / 2);
  int r = std::min(c.right, std::min(src.width(), dst.width()) / 2);
  int t = std::min(c.top, std::min(src.height(), dst.height()) / 2);
  int b = std::min(c.bottom, std::min(src.height(), dst.height()) / 2);
  double sx[4] = {double(src.left), double(src.left + l), double(src.right - r), double(src.right)};
  double sy[4] = {double(src.top), double(src.top + t), double(src.bottom - b), double(src.bottom)};
  double dx[4] = {double(dst.left), double(dst.left + l), double(dst.right - r), double(dst.right)};
  double dy[4] = {double(dst.top), double(dst.top + t), double(dst.bottom - b), double(dst.bottom)};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      Blit(cr, image, sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row], dx[col],
           dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]);
}

int DrawText(cairo_t* cr, const RECT& rect, const std::string& text, const TextStyle& style) {
  if (text.empty() || rect.empty())
    return 0;
  PangoLayout* layout = MakeLayout(text, style, rect.width());
  int width, height;
  pango_layout_get_pixel_size(layout, &width, &height);
  double x = rect.left;
  if (!style.wordbreak) {
    if (style.align == TextAlign::kCenter)
      x += (rect.width() - width) / 2.0;
    else if (style.align == TextAlign::kRight)
      x += rect.width() - width;
  }
  double y = rect.top;
  if (style.vcenter && !style.wordbreak)
    y += (rect.height() - height) / 2.0;
  cairo_save(cr);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  cairo_clip(cr);
  // Text colours are opaque whatever their alpha digits say, as the skins
  // were drawn with text that ignores alpha ("#00FFFFFF" is white).
  SetSource(cr, style.color | 0xFF000000u);
  cairo_move_to(cr, x, y);
  pango_cairo_update_context(cr, pango_layout_get_context(layout));
  pango_layout_context_changed(layout);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  int unknown = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return unknown;
}

SIZE MeasureText(const std::string& text, const TextStyle& style, int max_width) {
  if (text.empty())
    return SIZE{0, 0};
  PangoLayout* layout = MakeLayout(text, style, max_width);
  int width, height;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  return SIZE{width, height};
}

std::string PlainText(const std::string& text) {
  return ParseRichText(text, nullptr, nullptr);
}
