#include "skin/draw_primitives.h"

#include <gtest/gtest.h>

#include "skin/image_util.h"

namespace skin {
namespace {

using gdi::COLORREF;
using gdi::RECT;

// A frame-coded picture: frame f (1-based) of `frames` side by side, each fw x fh, with the nine-grid
// cells of the margins (L, T, R, B) in their own colours: red = 40 * f, green = 20 * cell + 10
// (cell 0..8 row by row), blue = 0; the centre cell's right half has blue 200.
COLORREF cell_colour(int frame, int cell, bool right_half = false) {
  return gdi::RGB(40 * frame, 20 * cell + 10, right_half ? 200 : 0);
}

SkinImage coded_picture(int frames, int fw, int fh, RECT m, bool vertical = false) {
  gdi::Bitmap b(vertical ? fw : fw * frames, vertical ? fh * frames : fh, gdi::PixelFormat::k24bit);
  for (int f = 1; f <= frames; ++f) {
    for (int y = 0; y < fh; ++y) {
      for (int x = 0; x < fw; ++x) {
        const int col = x < m.left ? 0 : x >= fw - m.right ? 2 : 1;
        const int row = y < m.top ? 0 : y >= fh - m.bottom ? 2 : 1;
        const int cell = row * 3 + col;
        const bool right_half = cell == 4 && x >= m.left + (fw - m.left - m.right) / 2;
        const int px = vertical ? x : (f - 1) * fw + x, py = vertical ? (f - 1) * fh + y : y;
        b.set_pixel(px, py, gdi::pixel_from_colorref(cell_colour(f, cell, right_half)));
      }
    }
  }
  return SkinImage(std::move(b));
}

// A target picture to draw on, filled with a background that no frame uses.
struct Target {
  explicit Target(int w, int h, COLORREF fill = gdi::RGB(1, 2, 3))
      : image(gdi::Bitmap(w, h, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(fill))), dc(image.Handle()) {}
  COLORREF at(int x, int y) const {
    const gdi::Bitmap* b = image.Pixels();
    return b->contains(x, y) ? gdi::colorref_from_pixel(b->pixel(x, y)) : 0xFFFFFFFF;
  }
  SkinImage image;
  SelectedBitmap dc;
};

TEST(DrawNineGrid, EveryCellShowsItsFrameAndCellColour) {
  const RECT m{2, 3, 4, 5};
  const SkinImage horizontal = coded_picture(3, 16, 16, m);
  const SkinImage vertical = coded_picture(3, 16, 16, m, true);
  struct Case {
    int w, h, frame;
    bool vertical, tile;
  };
  const Case cases[] = {
      {40, 30, 1, false, false}, {40, 30, 2, false, true}, {7, 9, 3, true, false},
      {100, 12, 2, true, true},  {16, 16, 3, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " frame " << c.frame << (c.tile ? " tiled" : ""));
    Target t(c.w + 10, c.h + 10);
    const RECT target{5, 5, 5 + c.w, 5 + c.h};
    DrawNineGrid(t.dc.dc(), target, c.vertical ? vertical : horizontal, c.vertical, c.tile, false, 3, c.frame, m);
    // The fixed borders hold their cells; a dimension too small for both borders loses them.
    const bool cols = c.w >= m.left + m.right, rows = c.h >= m.top + m.bottom;
    const int xs[3] = {5, 5 + (cols ? m.left : 0), 5 + c.w - 1};
    const int ys[3] = {5, 5 + (rows ? m.top : 0), 5 + c.h - 1};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        if ((!cols && col != 1) || (!rows && row != 1)) continue;
        const int px = xs[col] , py = ys[row];
        EXPECT_EQ(t.at(px, py), cell_colour(c.frame, row * 3 + col)) << "cell " << row * 3 + col;
      }
    }
    if (cols && rows) {
      // Stretched centre: its right half is the right half of the source centre; tiled: the source
      // centre (10 wide) repeats from the centre's left edge.
      const int centre_left = 5 + m.left, centre_w = c.w - m.left - m.right, src_w = 16 - m.left - m.right;
      const int probe = centre_left + std::min(centre_w - 1, src_w + 1);
      const int src_x = c.tile ? (probe - centre_left) % src_w : (probe - centre_left) * src_w / centre_w;
      const bool right_half = src_x >= src_w / 2;
      EXPECT_EQ(t.at(probe, 5 + m.top), cell_colour(c.frame, 4, right_half));
    }
    EXPECT_EQ(t.at(4, 4), gdi::RGB(1, 2, 3));  // nothing outside the target
    EXPECT_EQ(t.at(5 + c.w, 5 + c.h), gdi::RGB(1, 2, 3));
  }
}

TEST(DrawFrames, StretchedCentredAndKeyed) {
  gdi::Bitmap b(12, 4, gdi::PixelFormat::k24bit);
  const COLORREF colours[3] = {gdi::RGB(200, 0, 0), gdi::RGB(0, 200, 0), gdi::RGB(0, 0, 200)};
  for (int x = 0; x < 12; ++x) {
    for (int y = 0; y < 4; ++y) b.set_pixel(x, y, gdi::pixel_from_colorref(colours[x / 4]));
  }
  b.set_pixel(5, 1, gdi::pixel_from_colorref(kKeyColour));  // a key pixel in frame 2
  const SkinImage img(std::move(b));
  {
    Target t(30, 30);
    DrawFrameStretched(t.dc.dc(), {0, 0, 20, 20}, img, false, 3, 3);
    EXPECT_EQ(t.at(0, 0), colours[2]);
    EXPECT_EQ(t.at(19, 19), colours[2]);
    EXPECT_EQ(t.at(20, 20), gdi::RGB(1, 2, 3));
  }
  {
    // Frame 2 centred in 10 x 10 at (3, 3)..(7, 7), its key pixel left out.
    Target t(20, 20);
    DrawFrameCentred(t.dc.dc(), {0, 0, 10, 10}, img, true, 3, 2);
    EXPECT_EQ(t.at(2, 3), gdi::RGB(1, 2, 3));
    EXPECT_EQ(t.at(3, 3), colours[1]);
    EXPECT_EQ(t.at(6, 6), colours[1]);
    EXPECT_EQ(t.at(7, 7), gdi::RGB(1, 2, 3));
    EXPECT_EQ(t.at(4, 4), gdi::RGB(1, 2, 3));  // the key pixel (1, 1) of the frame
  }
  {
    // A frame larger than the target hangs out by half the difference on each side.
    Target t(20, 20);
    DrawFrameCentred(t.dc.dc(), {8, 8, 10, 10}, img, false, 3, 1);
    EXPECT_EQ(t.at(7, 7), colours[0]);
    EXPECT_EQ(t.at(10, 10), colours[0]);
    EXPECT_EQ(t.at(11, 8), gdi::RGB(1, 2, 3));
  }
  {
    // Frame counts of 0 and indexes past the last frame stay inside the picture.
    Target t(20, 20);
    DrawFrameStretched(t.dc.dc(), {0, 0, 6, 6}, img, false, 0, 1);
    EXPECT_EQ(t.at(0, 0), colours[0]);
    EXPECT_EQ(t.at(5, 5), colours[2]);
    DrawFrameStretched(t.dc.dc(), {0, 0, 6, 6}, img, false, 3, 9);
    EXPECT_EQ(t.at(0, 0), colours[2]);
  }
  {
    // Empty and inverted targets draw nothing.
    Target t(10, 10);
    DrawFrameStretched(t.dc.dc(), {5, 5, 2, 9}, img, false, 3, 1);
    DrawNineGrid(t.dc.dc(), {5, 5, 9, 2}, img, false, false, false, 3, 1, {1, 1, 1, 1});
    EXPECT_EQ(t.at(5, 5), gdi::RGB(1, 2, 3));
  }
}

TEST(DrawTransparentBitmap, LeavesKeyPixelsAndEqualsCopyWithoutThem) {
  gdi::Bitmap b(4, 1, gdi::PixelFormat::k24bit);
  const COLORREF px[4] = {gdi::RGB(9, 9, 9), kKeyColour, gdi::RGB(255, 1, 255), gdi::RGB(255, 0, 254)};
  for (int x = 0; x < 4; ++x) b.set_pixel(x, 0, gdi::pixel_from_colorref(px[x]));
  const SkinImage img(std::move(b));
  Target t(4, 1);
  DrawTransparentBitmap(t.dc.dc(), {0, 0, 4, 1}, img, kKeyColour);
  EXPECT_EQ(t.at(0, 0), px[0]);
  EXPECT_EQ(t.at(1, 0), gdi::RGB(1, 2, 3));
  EXPECT_EQ(t.at(2, 0), px[2]);  // near-magenta is not the key
  EXPECT_EQ(t.at(3, 0), px[3]);
}

TEST(DrawThreePartStrip, CapsAndRepeatedMiddle) {
  // One 10-wide frame: left cap 2 (colour A), middle 5 (B), right cap 3 (C).
  const COLORREF A = gdi::RGB(10, 0, 0), B = gdi::RGB(0, 10, 0), C = gdi::RGB(0, 0, 10);
  gdi::Bitmap b(10, 2, gdi::PixelFormat::k24bit);
  for (int x = 0; x < 10; ++x) {
    for (int y = 0; y < 2; ++y) b.set_pixel(x, y, gdi::pixel_from_colorref(x < 2 ? A : x < 7 ? B : C));
  }
  b.set_pixel(2, 0, gdi::pixel_from_colorref(gdi::RGB(0, 99, 0)));  // the middle's first column, top
  const SkinImage img(std::move(b));
  {
    Target t(23, 4);
    DrawThreePartStrip(t.dc.dc(), {0, 0, 23, 4}, img, false, false, 1, 1, {2, 0, 3, 0});
    EXPECT_EQ(t.at(1, 3), A);
    EXPECT_EQ(t.at(2, 0), gdi::RGB(0, 99, 0));   // middle piece 1 at x = 2
    EXPECT_EQ(t.at(7, 0), gdi::RGB(0, 99, 0));   // middle piece 2 at x = 7
    EXPECT_EQ(t.at(12, 0), gdi::RGB(0, 99, 0));  // middle piece 3 at x = 12
    EXPECT_EQ(t.at(19, 1), B);
    EXPECT_EQ(t.at(20, 0), C);  // right cap at W - R covers the last middle piece
    EXPECT_EQ(t.at(22, 3), C);
  }
  {
    // Narrower than both caps: the left cap, then the right cap over it at W - R.
    Target t(4, 2);
    DrawThreePartStrip(t.dc.dc(), {0, 0, 4, 2}, img, false, false, 1, 1, {2, 0, 3, 0});
    EXPECT_EQ(t.at(0, 0), A);
    EXPECT_EQ(t.at(1, 0), C);
    EXPECT_EQ(t.at(3, 1), C);
  }
  {
    // Caps that leave no middle: the frame is stretched over the target instead of looping forever.
    Target t(40, 2);
    DrawThreePartStrip(t.dc.dc(), {0, 0, 40, 2}, img, false, false, 1, 1, {6, 0, 4, 0});
    EXPECT_EQ(t.at(0, 1), A);
    EXPECT_EQ(t.at(39, 1), C);
  }
  {
    Target t(30, 2);
    DrawThreePartStretched(t.dc.dc(), {0, 0, 30, 2}, img, false, 1, 1, {2, 0, 3, 0});
    EXPECT_EQ(t.at(1, 1), A);
    EXPECT_EQ(t.at(15, 1), B);
    EXPECT_EQ(t.at(27, 1), C);
  }
}

TEST(TileBitmapPart, RepeatsThePartAndIgnoresEmptySources) {
  const SkinImage img = coded_picture(1, 8, 8, {2, 2, 2, 2});
  Target t(20, 20);
  TileBitmapPart(t.dc.dc(), {0, 0, 9, 9}, img, {0, 0, 2, 2});
  EXPECT_EQ(t.at(0, 0), cell_colour(1, 0));
  EXPECT_EQ(t.at(8, 8), cell_colour(1, 0));
  EXPECT_EQ(t.at(9, 9), cell_colour(1, 0));  // the last pieces reach past the target
  EXPECT_EQ(t.at(10, 10), gdi::RGB(1, 2, 3));
  Target u(4, 4);
  TileBitmapPart(u.dc.dc(), {0, 0, 4, 4}, img, {3, 3, 3, 6});
  EXPECT_EQ(u.at(0, 0), gdi::RGB(1, 2, 3));
}

TEST(BitmapToRegion, RunsBecomeRectanglesInBatches) {
  const gdi::Pixel key = gdi::pixel_from_colorref(kKeyColour);
  const gdi::Pixel near_key = gdi::pixel_from_colorref(gdi::RGB(255, 1, 255));
  {
    // A single opaque column: one rectangle per row, one pixel wide.
    gdi::Bitmap b(5, 4, gdi::PixelFormat::k24bit, key);
    for (int y = 0; y < 4; ++y) b.set_pixel(2, y, 0);
    b.set_pixel(4, 0, near_key);  // inside the tolerance: transparent too
    gdi::HRGN r = BitmapToRegion(SkinImage(std::move(b)), 10, 20, 1, 1, 1, kKeyColour);
    gdi::HRGN expected = gdi::CreateRectRgn(12, 20, 13, 24);
    EXPECT_TRUE(gdi::EqualRgn(r, expected));
    gdi::DeleteObject(r);
    gdi::DeleteObject(expected);
  }
  {
    // A checkerboard of 160 x 60 has 4800 runs: three batches give the same region as the pixels.
    gdi::Bitmap b(160, 60, gdi::PixelFormat::k24bit, key);
    std::vector<RECT> rects;
    for (int y = 0; y < 60; ++y) {
      for (int x = (y & 1); x < 160; x += 2) {
        b.set_pixel(x, y, 0x123456);
        rects.push_back({x, y, x + 1, y + 1});
      }
    }
    gdi::HRGN r = BitmapToRegion(SkinImage(std::move(b)), 0, 0, 1, 1, 1, kKeyColour);
    gdi::HRGN expected = gdi::CreateRegionFrom(gdi::Region::from_rects(rects));
    EXPECT_TRUE(gdi::EqualRgn(r, expected));
    gdi::DeleteObject(r);
    gdi::DeleteObject(expected);
  }
  {
    gdi::HRGN r = BitmapToRegion(SkinImage(gdi::Bitmap(3, 3, gdi::PixelFormat::k24bit, key)), 0, 0, 1, 1, 1, kKeyColour);
    ASSERT_NE(r, nullptr);
    RECT box{};
    EXPECT_EQ(gdi::GetRgnBox(r, &box), gdi::NULLREGION);
    gdi::DeleteObject(r);
  }
}

}  // namespace
}  // namespace skin
