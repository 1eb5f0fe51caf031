#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace platform::gdi {
namespace {

using testing::Canvas;
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = 0, kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
const std::vector<std::pair<COLORREF, char>> kLegend = {{kWhite, '.'}, {kBlack, 'k'}, {kRed, 'r'}, {kBlue, 'b'}};

class Tools {
public:
  Tools(HDC dc, HPEN pen, HBRUSH brush) : dc_(dc), pen_(pen), brush_(brush) {
    old_pen_ = SelectObject(dc, pen);
    old_brush_ = SelectObject(dc, brush);
  }
  ~Tools() {
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }

private:
  HDC dc_;
  HGDIOBJ pen_, brush_, old_pen_, old_brush_;
};

TEST(Shapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas c(6, 5);
  Tools t(c.dc(), CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed));
  Rectangle(c.dc(), 1, 1, 5, 5);
  EXPECT_EQ(c.picture(kLegend), "......\n.kkkk.\n.krrk.\n.krrk.\n.kkkk.\n");
  // Without a pen the fill is one pixel smaller at the right and bottom.
  Canvas n(6, 5);
  Tools u(n.dc(), CreatePen(PS_NULL, 1, kBlack), CreateSolidBrush(kRed));
  Rectangle(n.dc(), 1, 1, 5, 5);
  EXPECT_EQ(n.picture(kLegend), "......\n.rrr..\n.rrr..\n.rrr..\n......\n");
}

TEST(Shapes, LinesLeaveOutTheirEndPoint) {
  Canvas c(5, 3);
  Tools t(c.dc(), CreatePen(PS_SOLID, 1, kBlue), CreateSolidBrush(kRed));
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 4, 0);
  LineTo(c.dc(), 4, 2);
  POINT p;
  GetCurrentPositionEx(c.dc(), &p);
  EXPECT_EQ(p, (POINT{4, 2}));
  const POINT diag[] = {{0, 2}, {2, 0}};
  Polyline(c.dc(), diag, 2);
  EXPECT_EQ(c.picture(kLegend), "bbbbb\n.b..b\nb....\n");
}

TEST(Shapes, XorPenTwiceRestores) {
  Canvas c(4, 1, kRed);
  Tools t(c.dc(), CreatePen(PS_SOLID, 1, kWhite), CreateSolidBrush(kRed));
  SetROP2(c.dc(), R2_XORPEN);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 3, 0);
  EXPECT_EQ(c.at(0, 0), RGB(0, 255, 255));
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 3, 0);
  EXPECT_EQ(c.picture(kLegend), "rrrr\n");
}

TEST(Shapes, EllipseAndRoundRectAreSymmetricWithOutlineAndFill) {
  Canvas c(11, 9);
  Tools t(c.dc(), CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed));
  Ellipse(c.dc(), 0, 0, 11, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 11; ++x) {
      EXPECT_EQ(c.at(x, y), c.at(10 - x, y));
      EXPECT_EQ(c.at(x, y), c.at(x, 8 - y));
    }
  EXPECT_EQ(c.at(0, 0), kWhite);
  EXPECT_EQ(c.at(5, 0), kBlack);
  EXPECT_EQ(c.at(5, 4), kRed);
  EXPECT_EQ(c.at(0, 4), kBlack);
  Canvas r(10, 8);
  Tools u(r.dc(), CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed));
  RoundRect(r.dc(), 0, 0, 10, 8, 4, 4);
  EXPECT_EQ(r.at(0, 0), kWhite) << "corners are cut";
  EXPECT_EQ(r.at(5, 0), kBlack);
  EXPECT_EQ(r.at(0, 4), kBlack);
  EXPECT_EQ(r.at(5, 4), kRed);
}

// A wide pen outlines every pixel within pen-width 4-neighbour steps of the outside. The model
// erodes the shape's own pixels (drawn with a one-pixel pen) one ring at a time.
TEST(Shapes, WidePensOutlineAsManyRingsAsTheirWidth) {
  struct Case {
    const char* name;
    BOOL (*draw)(HDC);
  };
  const Case cases[] = {
      {"rectangle", [](HDC dc) { return Rectangle(dc, 2, 1, 21, 16); }},
      {"ellipse", [](HDC dc) { return Ellipse(dc, 1, 2, 22, 17); }},
      {"flat ellipse", [](HDC dc) { return Ellipse(dc, 0, 6, 23, 11); }},
      {"round rect", [](HDC dc) { return RoundRect(dc, 1, 0, 22, 18, 9, 7); }},
  };
  constexpr int kW = 24, kH = 19;
  for (const Case& cs : cases) {
    Canvas whole(kW, kH);
    {
      Tools t(whole.dc(), CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kBlack));
      cs.draw(whole.dc());
    }
    std::vector<bool> in(kW * kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) in[y * kW + x] = whole.at(x, y) == kBlack;
    for (int width : {2, 3, 5, 9}) {
      SCOPED_TRACE(std::string(cs.name) + ", pen width " + std::to_string(width));
      std::vector<bool> inner = in;
      for (int ring = 0; ring < width; ++ring) {
        std::vector<bool> next(inner.size());
        for (int y = 1; y + 1 < kH; ++y)
          for (int x = 1; x + 1 < kW; ++x)
            next[y * kW + x] = inner[y * kW + x] && inner[y * kW + x - 1] && inner[y * kW + x + 1] &&
                               inner[(y - 1) * kW + x] && inner[(y + 1) * kW + x];
        inner = std::move(next);
      }
      Canvas c(kW, kH);
      Tools t(c.dc(), CreatePen(PS_SOLID, width, kBlack), CreateSolidBrush(kRed));
      cs.draw(c.dc());
      std::string want, got = c.picture(kLegend);
      for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) want += !in[y * kW + x] ? '.' : inner[y * kW + x] ? 'r' : 'k';
        want += '\n';
      }
      EXPECT_EQ(got, want);
    }
  }
}

// The work follows the rows the clip box leaves, not the pen's width or the shape's size.
TEST(Shapes, HugePenOnAHugeShapeStaysCheap) {
  Canvas c(8, 8);
  Tools t(c.dc(), CreatePen(PS_SOLID, 1 << 30, kBlack), CreateSolidBrush(kRed));
  Rectangle(c.dc(), 2, 2, 536870922, 4607301);
  EXPECT_EQ(c.at(1, 1), kWhite);
  EXPECT_EQ(c.at(7, 7), kBlack);
  Ellipse(c.dc(), -2000000000, -2000000000, 2000000000, 2000000000);
  RoundRect(c.dc(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1 << 30, 1 << 30);
  EXPECT_EQ(c.at(1, 1), kBlack);
  // A line drawn with it covers the box, each pixel once: XOR twice gives the picture back.
  Canvas l(8, 8, kRed);
  Tools u(l.dc(), CreatePen(PS_SOLID, 1 << 30, kWhite), CreateSolidBrush(kRed));
  SetROP2(l.dc(), R2_XORPEN);
  MoveToEx(l.dc(), -1000000, 3, nullptr);
  LineTo(l.dc(), 1000000000, 5);
  EXPECT_EQ(l.at(0, 0), RGB(0, 255, 255));
  EXPECT_EQ(l.at(7, 7), RGB(0, 255, 255));
  MoveToEx(l.dc(), -1000000, 3, nullptr);
  LineTo(l.dc(), 1000000000, 5);
  std::string all_red;
  for (int y = 0; y < 8; ++y) all_red += "rrrrrrrr\n";
  EXPECT_EQ(l.picture(kLegend), all_red);
}

TEST(Shapes, PolygonFillsByItsFillMode) {
  // A pentagram-like self-crossing outline: its centre is outside with ALTERNATE, inside with WINDING.
  const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (int mode : {ALTERNATE, WINDING}) {
    Canvas c(21, 20);
    Tools t(c.dc(), CreatePen(PS_NULL, 1, kBlack), CreateSolidBrush(kRed));
    SetPolyFillMode(c.dc(), mode);
    Polygon(c.dc(), star, 5);
    EXPECT_EQ(c.at(10, 10), mode == WINDING ? kRed : kWhite);
    EXPECT_EQ(c.at(10, 3), kRed);
    EXPECT_EQ(c.at(1, 1), kWhite);
  }
}

TEST(Shapes, FillFrameInvertAndSystemColourBrushes) {
  Canvas c(5, 4);
  RECT all{0, 0, 5, 4};
  FillRect(c.dc(), &all, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(c.at(2, 2), GetSysColor(COLOR_BTNFACE));
  FillRect(c.dc(), &all, GetSysColorBrush(COLOR_WINDOW));
  HBRUSH blue = CreateSolidBrush(kBlue);
  FrameRect(c.dc(), &all, blue);
  EXPECT_EQ(c.picture(kLegend), "bbbbb\nb...b\nb...b\nbbbbb\n");
  RECT inner{1, 1, 4, 3};
  InvertRect(c.dc(), &inner);
  EXPECT_EQ(c.picture(kLegend), "bbbbb\nbkkkb\nbkkkb\nbbbbb\n");
  RECT inverted{4, 3, 1, 1};
  EXPECT_EQ(FillRect(c.dc(), &inverted, blue), 1);
  EXPECT_EQ(c.at(2, 2), kBlack) << "an inverted rectangle fills nothing";
  DeleteObject(blue);
}

TEST(Shapes, DrawEdgeUsesTheThreeDColoursAndAdjusts) {
  reset_sys_colors();
  const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW),
                 dk = GetSysColor(COLOR_3DDKSHADOW), face = GetSysColor(COLOR_BTNFACE);
  // Give every colour its own letter (the default profile has 3D light = face).
  const COLORREF distinct_light = RGB(1, 2, 3);
  const int idx[] = {COLOR_3DLIGHT};
  SetSysColors(1, idx, &distinct_light);
  const std::vector<std::pair<COLORREF, char>> legend = {
      {hi, 'H'}, {sh, 'S'}, {dk, 'D'}, {distinct_light, 'L'}, {face, 'F'}};
  Canvas c(5, 5, kBlack);
  RECT r{0, 0, 5, 5};
  DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(c.picture(legend), "LLLLD\nLHHSD\nLHFSD\nLSSSD\nDDDDD\n");
  EXPECT_EQ(r, (RECT{2, 2, 3, 3}));
  Canvas e(4, 2, kBlack);
  RECT top{0, 0, 4, 2};
  DrawEdge(e.dc(), &top, EDGE_ETCHED, BF_TOP);
  EXPECT_EQ(e.picture(legend), "SSSS\nHHHH\n");
  reset_sys_colors();
}

TEST(Shapes, FocusRectangleIsDottedAndUndoesItself) {
  Canvas c(6, 4);
  RECT r{0, 0, 6, 4};
  DrawFocusRect(c.dc(), &r);
  EXPECT_EQ(c.picture(kLegend), "k.k.k.\n.....k\nk.....\n.k.k.k\n");
  DrawFocusRect(c.dc(), &r);
  EXPECT_EQ(c.picture(kLegend), "......\n......\n......\n......\n");
}

TEST(Shapes, GradientFillRunsFromColourToColour) {
  Canvas c(5, 2);
  TRIVERTEX v[2];
  v[0].x = 0; v[0].y = 0; v[0].Red = 0; v[0].Green = 0; v[0].Blue = 0;
  v[1].x = 5; v[1].y = 2; v[1].Red = 0xFF00; v[1].Green = 0x8000; v[1].Blue = 0;
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(c.dc(), v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.at(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.at(4, 1), RGB(204, 102, 0));
  for (int x = 1; x < 5; ++x) EXPECT_GT(GetRValue(c.at(x, 0)), GetRValue(c.at(x - 1, 0)));
  GRADIENT_RECT bad{0, 7};
  EXPECT_FALSE(GradientFill(c.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(ImageList, DrawsNormalTransparentAndDisabled) {
  // Two 3x2 images in one strip; magenta is the key.
  HBITMAP strip = CreateBitmapFromPixels(Bitmap(6, 2, PixelFormat::k24bit, pixel_from_colorref(kRed)));
  GetBitmapPixels(strip)->set_pixel(1, 0, pixel_from_colorref(RGB(255, 0, 255)));
  GetBitmapPixels(strip)->set_pixel(4, 1, pixel_from_colorref(kBlue));
  HIMAGELIST list = ImageList_Create(3, 2, ILC_COLOR24 | ILC_MASK, 2, 2);
  EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(255, 0, 255)), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list, &cx, &cy);
  EXPECT_EQ(cx, 3);
  EXPECT_EQ(cy, 2);
  Canvas c(4, 3, kBlack);
  ImageList_Draw(list, 0, c.dc(), 0, 0, ILD_TRANSPARENT);
  ImageList_Draw(list, 1, c.dc(), 1, 1, ILD_TRANSPARENT);
  EXPECT_EQ(c.picture(kLegend), "rkrk\nrrrr\nkrbr\n");
  ImageList_SetBkColor(list, kWhite);
  ImageList_Draw(list, 0, c.dc(), 0, 0, ILD_NORMAL);
  EXPECT_EQ(c.at(1, 0), kWhite) << "drawn without ILD_TRANSPARENT, the key shows the background colour";
  Canvas d(4, 3, kBlack);
  ImageList_DrawDisabled(list, 0, d.dc(), 0, 0);
  const COLORREF sh = GetSysColor(COLOR_BTNSHADOW), hi = GetSysColor(COLOR_BTNHIGHLIGHT);
  EXPECT_EQ(d.picture({{sh, 's'}, {hi, 'h'}, {kBlack, 'k'}}), "sksk\nsssh\nkhhh\n");
  EXPECT_FALSE(ImageList_Draw(list, 2, c.dc(), 0, 0, 0));
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  DeleteObject(strip);
}

}  // namespace
}  // namespace platform::gdi

namespace platform::gdi {
namespace {

TEST(Icon, DrawsMaskThenImageAndCopiesResized) {
  using testing::Canvas;
  // 2x2 icon: the top-left pixel transparent (mask white, image black), the rest red.
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, nullptr);
  GetBitmapPixels(mask)->set_pixel(0, 0, kWhitePixel);
  HBITMAP color = CreateBitmapFromPixels(Bitmap(2, 2, PixelFormat::k32bit, 0xFF0000));
  GetBitmapPixels(color)->set_pixel(0, 0, 0);
  ICONINFO info;
  info.hbmMask = mask;
  info.hbmColor = color;
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  DeleteObject(mask);
  DeleteObject(color);
  Canvas c(4, 4, RGB(0, 0, 255));
  ASSERT_TRUE(DrawIconEx(c.dc(), 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.picture({{RGB(0, 0, 255), 'b'}, {RGB(255, 0, 0), 'r'}}), "bbrr\nbbrr\nrrrr\nrrrr\n");
  HICON small = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 1, 1, 0));
  ICONINFO back;
  ASSERT_TRUE(GetIconInfo(small, &back));
  EXPECT_EQ(GetBitmapPixels(back.hbmMask)->width(), 1);
  EXPECT_EQ(GetBitmapPixels(back.hbmMask)->pixel(0, 0), kWhitePixel);
  DeleteObject(back.hbmMask);
  DeleteObject(back.hbmColor);
  EXPECT_TRUE(DestroyIcon(small));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
}

}  // namespace
}  // namespace platform::gdi

namespace platform::gdi {
namespace {

// Callers pass "everything" rectangles and far-away points; nothing may overflow or run for long.
TEST(Shapes, ExtremeCoordinatesAreClippedSafely) {
  using testing::Canvas;
  Canvas c(8, 8);
  Tools t(c.dc(), CreatePen(PS_SOLID, 3, kBlack), CreateSolidBrush(kRed));
  SetViewportOrgEx(c.dc(), 5, 5, nullptr);
  const RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  HBRUSH blue = CreateSolidBrush(kBlue);
  EXPECT_EQ(FillRect(c.dc(), &huge, blue), 1);
  EXPECT_EQ(c.at(7, 7), kBlue);
  Rectangle(c.dc(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(c.at(3, 3), kRed);
  Ellipse(c.dc(), -2000000000, -2000000000, 2000000000, 2000000000);
  EXPECT_EQ(c.at(3, 3), kRed);
  RoundRect(c.dc(), INT32_MIN, 0, INT32_MAX, 4, 100, 100);
  MoveToEx(c.dc(), INT32_MIN, INT32_MIN, nullptr);
  LineTo(c.dc(), INT32_MIN + 5, INT32_MIN + 3);
  Canvas src(2, 2, kRed);
  EXPECT_TRUE(BitBlt(c.dc(), INT32_MAX - 1, 0, INT32_MAX, 4, src.dc(), 0, 0, SRCCOPY));
  EXPECT_TRUE(StretchBlt(c.dc(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_TRUE(StretchBlt(c.dc(), 0, 0, 4, 4, src.dc(), INT32_MIN, 0, INT32_MAX, 2, SRCCOPY));
  RECT text = huge;
  DrawText(c.dc(), "abc 中文", &text, DT_WORDBREAK | DT_CENTER);
  RECT text2 = huge;
  DrawText(c.dc(), "abc", &text2, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  TextOut(c.dc(), INT32_MAX, INT32_MAX, "x");
  IntersectClipRect(c.dc(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  RECT box;
  EXPECT_NE(GetClipBox(c.dc(), &box), ERROR);
  DrawFocusRect(c.dc(), &huge);
  DeleteObject(blue);
}

}  // namespace
}  // namespace platform::gdi

namespace platform::gdi {
namespace {

TEST(SystemBitmaps, CheckMarkDrawsInTheTextColour) {
  using testing::Canvas;
  HBITMAP check = LoadBitmap(nullptr, OBM_CHECK);
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, 1), nullptr);
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, check);
  Canvas c(13, 13, kBlack);
  SetTextColor(c.dc(), kBlue);
  SetBkColor(c.dc(), kWhite);
  BitBlt(c.dc(), 0, 0, 13, 13, src, 0, 0, SRCCOPY);
  int marks = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) {
      EXPECT_TRUE(c.at(x, y) == kBlue || c.at(x, y) == kWhite);
      marks += c.at(x, y) == kBlue;
    }
  EXPECT_EQ(marks, 21);
  EXPECT_EQ(c.at(9, 3), kBlue);
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(check);
}

}  // namespace
}  // namespace platform::gdi
