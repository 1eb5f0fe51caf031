#include "skin/image_util.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace skin {
namespace {

using gdi::RGB;

TEST(ImageUtil, BlendAndSaturation) {
  EXPECT_EQ(Blend(RGB(0, 0, 0), RGB(255, 255, 255), 150), RGB(217, 217, 217));
  EXPECT_EQ(Blend(RGB(0, 0, 0), RGB(255, 255, 255), 50), RGB(128, 128, 128));
  EXPECT_EQ(Blend(RGB(200, 0, 0), RGB(0, 0, 0), 100), RGB(20, 0, 0));  // 100 is 10 %
  EXPECT_EQ(Blend(0xFF000000u | gdi::COLOR_BTNFACE, RGB(0, 0, 0), 99),
            Blend(gdi::GetSysColor(gdi::COLOR_BTNFACE), RGB(0, 0, 0), 99));
  EXPECT_EQ(Saturation(RGB(255, 0, 0)), 255);
  EXPECT_EQ(Saturation(RGB(200, 200, 200)), 0);
  EXPECT_EQ(Saturation(RGB(159, 20, 0)), 200);
  EXPECT_EQ(Saturation(RGB(170, 85, 170)), 128);  // 127.5 rounds to even
}

TEST(ImageUtil, GradientRampsAndCache) {
  GradientCache& cache = GradientCache::instance();
  cache.reset();
  const int five = cache.GetGradient(5, RGB(0, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(cache.ramp(five), (std::vector<gdi::COLORREF>{0, 64, 128, 191, 255}));
  EXPECT_EQ(cache.GetGradient(5, RGB(0, 0, 0), RGB(255, 0, 0)), five);
  const int one = cache.GetGradient(1, RGB(0, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(cache.ramp(one), std::vector<gdi::COLORREF>{127});
  EXPECT_NE(cache.GetGradient(1, RGB(0, 0, 0), RGB(255, 0, 0)), one);  // never found again
  const int down = cache.MakeGradient(3, RGB(0, 255, 0), RGB(0, 0, 0));
  EXPECT_EQ(cache.ramp(down), (std::vector<gdi::COLORREF>{RGB(0, 255, 0), RGB(0, 128, 0), 0}));
  EXPECT_EQ(cache.FindGradient(3, RGB(0, 255, 0), RGB(0, 0, 0)), down);
  cache.reset();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(cache.MakeGradient(2 + i, 0, 0xFFFFFF), i);
  EXPECT_EQ(cache.MakeGradient(40, 0, 0xFFFFFF), 0);  // the 17th ramp reuses slot 0
  EXPECT_THROW(cache.FindGradient(0, 0, 0), core::Error);
  EXPECT_THROW(cache.MakeGradient(-3, 0, 0), core::Error);
}

TEST(ImageUtil, GradientFillPaintsOnlyTheClippedLines) {
  GradientCache::instance().reset();
  SkinImage img(gdi::Bitmap(10, 10, gdi::PixelFormat::k24bit, 0x010203));
  SelectedBitmap dc(img.Handle());
  gdi::IntersectClipRect(dc.dc(), 0, 3, 10, 7);
  GradientFill(dc.dc(), {2, 0, 8, 5}, RGB(0, 0, 0), true, RGB(0, 0, 200));
  EXPECT_EQ(img.PixelColour(2, 2), RGB(1, 2, 3));  // clipped away
  EXPECT_EQ(img.PixelColour(2, 3), RGB(0, 0, 150));
  EXPECT_EQ(img.PixelColour(7, 4), RGB(0, 0, 200));
  EXPECT_EQ(img.PixelColour(8, 4), RGB(1, 2, 3));
  gdi::SelectClipRgn(dc.dc(), nullptr);
  GradientFill(dc.dc(), {0, 8, 4, 10}, RGB(100, 0, 0), false, RGB(0, 0, 0));
  EXPECT_EQ(img.PixelColour(0, 9), RGB(100, 0, 0));
  EXPECT_EQ(img.PixelColour(1, 9), RGB(67, 0, 0));
  EXPECT_EQ(img.PixelColour(3, 8), RGB(0, 0, 0));
}

TEST(ImageUtil, PixelRoutines) {
  // 3 x 2 picture with distinct pixels p(x, y) = 10 * y + x + 1.
  gdi::Bitmap b(3, 2, gdi::PixelFormat::k32bit);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) b.set_pixel(x, y, static_cast<gdi::Pixel>(10 * y + x + 1));
  }
  gdi::Bitmap m = b;
  MirrorHorizontal(m);
  EXPECT_EQ(m.pixel(0, 0), 3u);
  EXPECT_EQ(m.pixel(2, 1), 11u);
  gdi::Bitmap f = b;
  FlipVertical(f);
  EXPECT_EQ(f.pixel(0, 0), 11u);
  EXPECT_EQ(f.pixel(2, 1), 3u);
  const gdi::Bitmap l = RotatedLeft(b);
  ASSERT_EQ(l.width(), 2);
  ASSERT_EQ(l.height(), 3);
  EXPECT_EQ(l.pixel(0, 2), 1u);   // (0, 0) goes to column 0 of row W - 1
  EXPECT_EQ(l.pixel(1, 0), 13u);  // (2, 1) goes to column 1 of row 0
  const gdi::Bitmap r = RotatedRight(b);
  EXPECT_EQ(r.pixel(1, 0), 1u);   // (0, 0) goes to column H - 1 of row 0
  EXPECT_EQ(r.pixel(0, 2), 13u);
  gdi::Bitmap k(2, 1, gdi::PixelFormat::k32bit);
  k.set_pixel(0, 0, gdi::pixel_from_colorref(kKeyColour));
  k.set_pixel(1, 0, gdi::pixel_from_colorref(RGB(255, 0, 254)));
  RecolourKey(k, RGB(1, 2, 3));
  EXPECT_EQ(k.format(), gdi::PixelFormat::k24bit);
  EXPECT_EQ(gdi::colorref_from_pixel(k.pixel(0, 0)), RGB(1, 2, 3));
  EXPECT_EQ(gdi::colorref_from_pixel(k.pixel(1, 0)), RGB(255, 0, 254));
}

}  // namespace
}  // namespace skin
