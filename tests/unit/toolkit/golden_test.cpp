// Every markup file of the skin rendered offscreen and compared with the
// reference pictures in golden/. QEL_UPDATE_GOLDEN=1 writes new references.
#include <gtest/gtest.h>

#include <cstdlib>

#include "toolkit/label.h"
#include "toolkit_test_util.h"

namespace {

// Pixels whose channels differ by more than this count as different; up to
// kMaxDifferent of them are tolerated (font rasterisation).
constexpr int kChannelTolerance = 48;
constexpr double kMaxDifferent = 0.005;

double DifferentShare(cairo_surface_t* a, cairo_surface_t* b) {
  int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
  cairo_surface_flush(a);
  cairo_surface_flush(b);
  int different = 0;
  for (int y = 0; y < h; ++y) {
    auto* ra = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) +
                                                 y * cairo_image_surface_get_stride(a));
    auto* rb = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) +
                                                 y * cairo_image_surface_get_stride(b));
    for (int x = 0; x < w; ++x)
      for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((ra[x] >> shift) & 0xFF) - int((rb[x] >> shift) & 0xFF)) >
            kChannelTolerance) {
          ++different;
          break;
        }
  }
  return double(different) / (w * h);
}

class Golden : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(Golden, MatchesTheReference) {
  InitMessageLoop();
  UseBuiltSkin();
  std::string markup = GetParam();
  TestWindow window(markup);
  ASSERT_TRUE(window.Create(0, markup.c_str(), WS_POPUP, 0));
  window.ShowWindow(true, false);
  cairo_surface_t* image = window.offscreen()->Render();
  EXPECT_EQ(window.GetPaintManager().missing_glyphs(), 0);
  std::string reference = std::string(QEL_GOLDEN_DIR) + "/" + markup + ".png";
  if (getenv("QEL_UPDATE_GOLDEN")) {
    ASSERT_TRUE(WritePng(image, reference));
  }
  cairo_surface_t* expected = cairo_image_surface_create_from_png(reference.c_str());
  ASSERT_EQ(cairo_surface_status(expected), CAIRO_STATUS_SUCCESS) << reference;
  ASSERT_EQ(cairo_image_surface_get_width(image), cairo_image_surface_get_width(expected));
  ASSERT_EQ(cairo_image_surface_get_height(image), cairo_image_surface_get_height(expected));
  double share = DifferentShare(image, expected);
  if (share > kMaxDifferent)
    WritePng(image, ::testing::TempDir() + markup + ".actual.png");
  EXPECT_LE(share, kMaxDifferent) << markup << " differs; actual picture in "
                                  << ::testing::TempDir();
  cairo_surface_destroy(expected);
  cairo_surface_destroy(image);
}

INSTANTIATE_TEST_SUITE_P(Skin,
                         Golden,
                         ::testing::Values("skin.xml",
                                           "messagebox.xml",
                                           "privacybox.xml",
                                           "redeembox.xml",
                                           "installconfirm.xml",
                                           "mask.xml",
                                           "selectfolder.xml"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(GoldenText, EveryScriptFindsAFont) {
  InitMessageLoop();
  UseBuiltSkin();
  TestWindow window("messagebox.xml");
  ASSERT_TRUE(window.Create(0, "w", WS_POPUP, 0));
  window.ShowWindow(true, false);
  window.FindControl("lbl_title")->SetText("Установка 安装 インストール تثبيت Εγκατάσταση");
  cairo_surface_destroy(window.offscreen()->Render());
  EXPECT_EQ(window.GetPaintManager().missing_glyphs(), 0);
}
