// Draws the skin's pictures: flat shapes in the skin's blue, one PNG per
// name and size the markup expects, plus the start page's background (PNG
// resource 136) and the application icon (icon resource 101).
//   skin-gen OUTDIR      writes OUTDIR/*.png, OUTDIR/res/PNG/136.png and
//                        OUTDIR/res/ICON/101.png
#include <cairo.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr uint32_t kBlue = 0x1398F0;
constexpr uint32_t kBlueHot = 0x3DAAF5;
constexpr uint32_t kBluePushed = 0x0B7BC7;
constexpr uint32_t kGreyText = 0x7A7B7F;
constexpr uint32_t kDisabled = 0xC8CDD3;

void Rgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0) {
  cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                        (rgb & 0xFF) / 255.0, alpha);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min(r, std::min(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

bool Save(const std::string& path, int w, int h, const std::function<void(cairo_t*)>& draw) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  draw(cr);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!ok)
    fprintf(stderr, "skin-gen: cannot write %s\n", path.c_str());
  return ok;
}

// A filled face with an optional border, as the buttons have.
void Face(cairo_t* cr, int w, int h, double r, uint32_t fill, uint32_t border = 0) {
  RoundRect(cr, 0.5, 0.5, w - 1, h - 1, r);
  Rgb(cr, fill);
  cairo_fill_preserve(cr);
  if (border) {
    Rgb(cr, border);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
}

void Cross(cairo_t* cr, double cx, double cy, double half, double width, uint32_t color) {
  Rgb(cr, color);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, cx - half, cy - half);
  cairo_line_to(cr, cx + half, cy + half);
  cairo_move_to(cr, cx + half, cy - half);
  cairo_line_to(cr, cx - half, cy + half);
  cairo_stroke(cr);
}

void Check(cairo_t* cr, double x, double y, double s, double width, uint32_t color) {
  Rgb(cr, color);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, x + s * 0.22, y + s * 0.52);
  cairo_line_to(cr, x + s * 0.42, y + s * 0.72);
  cairo_line_to(cr, x + s * 0.78, y + s * 0.30);
  cairo_stroke(cr);
}

// The product mark: a rounded square with a downward arrow into a tray.
void Mark(cairo_t* cr, double x, double y, double s, uint32_t back, uint32_t fore) {
  RoundRect(cr, x, y, s, s, s * 0.22);
  Rgb(cr, back);
  cairo_fill(cr);
  Rgb(cr, fore);
  cairo_set_line_width(cr, s * 0.09);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, x + s * 0.5, y + s * 0.2);
  cairo_line_to(cr, x + s * 0.5, y + s * 0.6);
  cairo_move_to(cr, x + s * 0.32, y + s * 0.44);
  cairo_line_to(cr, x + s * 0.5, y + s * 0.62);
  cairo_line_to(cr, x + s * 0.68, y + s * 0.44);
  cairo_move_to(cr, x + s * 0.25, y + s * 0.7);
  cairo_line_to(cr, x + s * 0.25, y + s * 0.78);
  cairo_line_to(cr, x + s * 0.75, y + s * 0.78);
  cairo_line_to(cr, x + s * 0.75, y + s * 0.7);
  cairo_stroke(cr);
}

void Folder(cairo_t* cr, uint32_t color) {
  Rgb(cr, color);
  RoundRect(cr, 4, 7, 16, 12, 2);
  cairo_fill(cr);
  RoundRect(cr, 4, 5, 7, 4, 1.5);
  cairo_fill(cr);
  Rgb(cr, 0xFFFFFF, 0.35);
  cairo_rectangle(cr, 5, 10, 14, 1);
  cairo_fill(cr);
}

void Chevron(cairo_t* cr, bool up) {
  Rgb(cr, kGreyText);
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  double a = up ? 5.5 : 2.5, b = up ? 2.5 : 5.5;
  cairo_move_to(cr, 1, a);
  cairo_line_to(cr, 4, b);
  cairo_line_to(cr, 7, a);
  cairo_stroke(cr);
}

void Badge(cairo_t* cr, int s, uint32_t color) {
  cairo_arc(cr, s / 2.0, s / 2.0, s / 2.0 - 1, 0, 2 * M_PI);
  Rgb(cr, color);
  cairo_fill(cr);
}

void Background(cairo_t* cr) {
  Rgb(cr, 0xFFFFFF);
  cairo_paint(cr);
  // A blue band at the top with soft circles, fading into the white page.
  cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 600, 240);
  cairo_pattern_add_color_stop_rgb(band, 0, 0x0B / 255.0, 0x7B / 255.0, 0xC7 / 255.0);
  cairo_pattern_add_color_stop_rgb(band, 1, 0x3D / 255.0, 0xAA / 255.0, 0xF5 / 255.0);
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, 600, 0);
  cairo_line_to(cr, 600, 205);
  cairo_curve_to(cr, 430, 250, 170, 250, 0, 205);
  cairo_close_path(cr);
  cairo_set_source(cr, band);
  cairo_fill(cr);
  cairo_pattern_destroy(band);
  const double circles[][3] = {{70, 40, 90}, {540, 170, 70}, {470, -20, 60}, {150, 190, 40}};
  for (const auto& c : circles) {
    cairo_arc(cr, c[0], c[1], c[2], 0, 2 * M_PI);
    Rgb(cr, 0xFFFFFF, 0.07);
    cairo_fill(cr);
  }
  Mark(cr, 256, 70, 88, 0xFFFFFF, kBlue);
}

void Banner(cairo_t* cr) {
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 640, 340);
  cairo_pattern_add_color_stop_rgb(g, 0, 0xE9 / 255.0, 0xF5 / 255.0, 0xFE / 255.0);
  cairo_pattern_add_color_stop_rgb(g, 1, 0xC6 / 255.0, 0xE5 / 255.0, 0xFC / 255.0);
  cairo_set_source(cr, g);
  cairo_paint(cr);
  cairo_pattern_destroy(g);
  const double circles[][3] = {{560, 60, 120}, {90, 300, 110}, {330, 170, 60}};
  for (const auto& c : circles) {
    cairo_arc(cr, c[0], c[1], c[2], 0, 2 * M_PI);
    Rgb(cr, kBlue, 0.08);
    cairo_fill(cr);
  }
  Mark(cr, 276, 106, 88, kBlue, 0xFFFFFF);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: skin-gen OUTDIR\n");
    return 2;
  }
  std::string out = argv[1];
  if (!out.empty() && out.back() != '/')
    out += '/';
  for (const std::string& dir : {out, out + "res", out + "res/PNG", out + "res/ICON"})
    mkdir(dir.c_str(), 0755);
  bool ok = true;
  auto save = [&](const std::string& name, int w, int h, const std::function<void(cairo_t*)>& f) {
    ok = Save(out + name, w, h, f) && ok;
  };

  save("banner.png", 640, 340, Banner);
  const uint32_t primary[] = {kBlue, kBlueHot, kBluePushed, kDisabled};
  const char* states[] = {"normal", "hot", "pushed", "disabled"};
  for (int i = 0; i < 4; ++i) {
    std::string state = states[i];
    save("btn_" + state + ".png", 108, 40, [&](cairo_t* cr) { Face(cr, 108, 40, 20, primary[i]); });
    save("btn1_" + state + ".png", 80, 26, [&](cairo_t* cr) { Face(cr, 80, 26, 4, primary[i]); });
    const uint32_t second[] = {0xFFFFFF, 0xF2F6FA, 0xE4EAF0, 0xF5F5F5};
    const uint32_t border[] = {0xD0D6DD, 0xB8C2CC, 0xA9B4BF, 0xE1E4E8};
    save("btn2_" + state + ".png", 80, 26,
         [&](cairo_t* cr) { Face(cr, 80, 26, 4, second[i], border[i]); });
    const uint32_t caption_back[] = {0, 0xE9ECEF, 0xDADFE4, 0};
    const uint32_t caption_fore[] = {kGreyText, 0x4A4B4F, 0x2F3033, kDisabled};
    save("close_" + state + ".png", 24, 24, [&](cairo_t* cr) {
      if (caption_back[i])
        Badge(cr, 24, caption_back[i]);
      Cross(cr, 12, 12, 4.5, 1.6, caption_fore[i]);
    });
    save("minimal_" + state + ".png", 24, 24, [&](cairo_t* cr) {
      if (caption_back[i])
        Badge(cr, 24, caption_back[i]);
      Rgb(cr, caption_fore[i]);
      cairo_set_line_width(cr, 1.6);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_move_to(cr, 7.5, 12.5);
      cairo_line_to(cr, 16.5, 12.5);
      cairo_stroke(cr);
    });
    const uint32_t folder[] = {kGreyText, kBlue, kBluePushed, kDisabled};
    save("folder_" + state + ".png", 24, 24, [&](cairo_t* cr) { Folder(cr, folder[i]); });
  }
  save("close_pressed.png", 14, 14, [](cairo_t* cr) { Cross(cr, 7, 7, 3, 1.4, 0x2F3033); });
  save("cbx_normal.png", 16, 16, [](cairo_t* cr) { Face(cr, 16, 16, 3, 0xFFFFFF, 0xB8C0C8); });
  save("cbx_hot.png", 16, 16, [](cairo_t* cr) { Face(cr, 16, 16, 3, 0xFFFFFF, kBlue); });
  save("cbx_checked.png", 16, 16, [](cairo_t* cr) {
    Face(cr, 16, 16, 3, kBlue);
    Check(cr, 0, 0, 16, 1.8, 0xFFFFFF);
  });
  save("cbx_checked_hot.png", 16, 16, [](cairo_t* cr) {
    Face(cr, 16, 16, 3, kBlueHot);
    Check(cr, 0, 0, 16, 1.8, 0xFFFFFF);
  });
  save("folder_bk.png", 40, 32, [](cairo_t* cr) { Face(cr, 40, 32, 4, 0xFFFFFF, 0xD6DBE9); });
  save("down.png", 8, 8, [](cairo_t* cr) { Chevron(cr, false); });
  save("up.png", 8, 8, [](cairo_t* cr) { Chevron(cr, true); });
  save("progress_background.png", 24, 6, [](cairo_t* cr) {
    RoundRect(cr, 0, 0, 24, 6, 3);
    Rgb(cr, 0xE3E8EE);
    cairo_fill(cr);
  });
  save("progress_fore.png", 24, 6, [](cairo_t* cr) {
    RoundRect(cr, 0, 0, 24, 6, 3);
    Rgb(cr, kBlue);
    cairo_fill(cr);
  });
  save("success.png", 56, 56, [](cairo_t* cr) {
    Badge(cr, 56, 0x2EB872);
    Check(cr, 8, 8, 40, 4, 0xFFFFFF);
  });
  save("warn.png", 58, 58, [](cairo_t* cr) {
    Badge(cr, 58, 0xF5A623);
    Rgb(cr, 0xFFFFFF);
    RoundRect(cr, 26, 13, 6, 22, 3);
    cairo_fill(cr);
    cairo_arc(cr, 29, 43, 3.5, 0, 2 * M_PI);
    cairo_fill(cr);
  });
  save("diskFull.png", 48, 48, [](cairo_t* cr) {
    Face(cr, 48, 48, 8, 0xFDECEC);
    RoundRect(cr, 8, 14, 32, 20, 4);
    Rgb(cr, 0xE5484D);
    cairo_fill(cr);
    Rgb(cr, 0xFFFFFF);
    cairo_arc(cr, 34, 24, 2.5, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, 12, 23, 14, 2);
    cairo_fill(cr);
  });
  save("file.png", 58, 58, [](cairo_t* cr) {
    Rgb(cr, 0xE9F5FE);
    RoundRect(cr, 11, 5, 36, 48, 5);
    cairo_fill(cr);
    Rgb(cr, kBlue);
    cairo_set_line_width(cr, 2);
    RoundRect(cr, 12, 6, 34, 46, 5);
    cairo_stroke(cr);
    for (int i = 0; i < 3; ++i) {
      cairo_rectangle(cr, 19, 20 + i * 8, i == 2 ? 12 : 20, 2);
      cairo_fill(cr);
    }
  });
  save("info_bg_warning.png", 40, 40, [](cairo_t* cr) {
    Face(cr, 40, 36, 8, 0xFFF1F0, 0xFFCCC7);
    Rgb(cr, 0xFFF1F0);
    cairo_move_to(cr, 16, 35);
    cairo_line_to(cr, 20, 40);
    cairo_line_to(cr, 24, 35);
    cairo_fill(cr);
  });
  save("tips_close_normal.png", 14, 14, [](cairo_t* cr) { Cross(cr, 7, 7, 3, 1.4, 0xB0B3B8); });
  save("tips_close_pressed.png", 14, 14, [](cairo_t* cr) { Cross(cr, 7, 7, 3, 1.4, 0x5C5D61); });
  save("res/PNG/136.png", 600, 400, Background);
  save("res/ICON/101.png", 128, 128, [](cairo_t* cr) { Mark(cr, 4, 4, 120, kBlue, 0xFFFFFF); });
  return ok ? 0 : 1;
}
