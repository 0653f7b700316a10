#include "toolkit/shadow.h"

#include <gtest/gtest.h>

namespace {

int AlphaAtPixel(cairo_surface_t* bitmap, int x, int y) {
  cairo_surface_flush(bitmap);
  const unsigned char* data = cairo_image_surface_get_data(bitmap);
  int stride = cairo_image_surface_get_stride(bitmap);
  return reinterpret_cast<const uint32_t*>(data + y * stride)[x] >> 24;
}

CShadowUI Shipped() {
  CShadowUI shadow;
  shadow.SetShow(true);
  shadow.SetSize(6);
  shadow.SetDarkness(25);
  shadow.SetPosition(0, 2);
  shadow.SetColor(0xFF000000);
  return shadow;
}

}  // namespace

TEST(Shadow, AlphaForTheShippedSettings) {
  CShadowUI shadow = Shipped();
  EXPECT_EQ(shadow.sharpness(), 5);
  EXPECT_EQ(shadow.AlphaAt(0.5), 25);
  EXPECT_EQ(shadow.AlphaAt(1), 25);
  EXPECT_EQ(shadow.AlphaAt(2), 20);
  EXPECT_EQ(shadow.AlphaAt(6), 4);
  EXPECT_EQ(shadow.AlphaAt(6.1), 0);

  // In the bitmap: 6 pixels beyond every edge, shifted 2 down.
  cairo_surface_t* bitmap = shadow.Render(100, 50, SIZE{});
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(cairo_image_surface_get_width(bitmap), 112);
  EXPECT_EQ(cairo_image_surface_get_height(bitmap), 62);
  EXPECT_EQ(shadow.BitmapOffset().x, -6);
  EXPECT_EQ(shadow.BitmapOffset().y, -4);
  int mid = 6 + 25;
  EXPECT_EQ(AlphaAtPixel(bitmap, 5, mid), 25);  // next to the left edge
  EXPECT_EQ(AlphaAtPixel(bitmap, 0, mid), 4);   // 6 pixels out
  EXPECT_EQ(AlphaAtPixel(bitmap, 6, mid), 25);  // under the window
  EXPECT_EQ(AlphaAtPixel(bitmap, 106, mid), 25);
  EXPECT_EQ(AlphaAtPixel(bitmap, 111, mid), 4);
  EXPECT_EQ(AlphaAtPixel(bitmap, 50, 0), 4);
  EXPECT_EQ(AlphaAtPixel(bitmap, 0, 0), 0);  // the corner is farther than 6
  // Premultiplied black: colour channels stay 0.
  const unsigned char* data = cairo_image_surface_get_data(bitmap);
  EXPECT_EQ(
      reinterpret_cast<const uint32_t*>(data + mid * cairo_image_surface_get_stride(bitmap))[5],
      25u << 24);
  cairo_surface_destroy(bitmap);

  RECT extents = shadow.Extents();
  EXPECT_EQ(extents, (RECT{6, 4, 6, 8}));
}

TEST(Shadow, SizeZeroNeverDraws) {
  CShadowUI shadow;
  shadow.SetShow(true);
  shadow.SetDarkness(255);
  EXPECT_FALSE(shadow.IsDrawn());
  EXPECT_EQ(shadow.Render(10, 10, SIZE{}), nullptr);
  EXPECT_EQ(shadow.Extents(), (RECT{}));
}

TEST(Shadow, SettersRejectOutOfRangeValues) {
  CShadowUI shadow = Shipped();
  EXPECT_FALSE(shadow.SetSize(36));
  EXPECT_FALSE(shadow.SetSize(-36));
  EXPECT_FALSE(shadow.SetSharpness(36));
  EXPECT_FALSE(shadow.SetSharpness(-1));
  EXPECT_FALSE(shadow.SetDarkness(256));
  EXPECT_FALSE(shadow.SetPosition(0, 36));
  EXPECT_FALSE(shadow.SetShadowCorner(RECT{-1, 0, 0, 0}));
  EXPECT_EQ(shadow.size(), 6);
  EXPECT_EQ(shadow.sharpness(), 5);
  EXPECT_EQ(shadow.darkness(), 25);
  EXPECT_EQ(shadow.position().y, 2);
  EXPECT_TRUE(shadow.SetSize(-35));
  EXPECT_TRUE(shadow.SetDarkness(0));
}

TEST(Shadow, ShownOnlyWhileVisibleAndNormal) {
  EXPECT_TRUE(CShadowUI::ShouldShow(true, false, false));
  EXPECT_FALSE(CShadowUI::ShouldShow(false, false, false));
  EXPECT_FALSE(CShadowUI::ShouldShow(true, true, false));
  EXPECT_FALSE(CShadowUI::ShouldShow(true, false, true));
}

TEST(Shadow, RoundedShape) {
  EXPECT_TRUE(InWindowShape(0, 0, 10, 10, SIZE{}));
  EXPECT_FALSE(InWindowShape(0, 0, 20, 20, SIZE{16, 16}));
  EXPECT_TRUE(InWindowShape(8, 0, 20, 20, SIZE{16, 16}));
  EXPECT_TRUE(InWindowShape(10, 10, 20, 20, SIZE{16, 16}));
  EXPECT_FALSE(InWindowShape(19, 19, 20, 20, SIZE{16, 16}));
  EXPECT_FALSE(InWindowShape(20, 5, 20, 20, SIZE{}));
}
