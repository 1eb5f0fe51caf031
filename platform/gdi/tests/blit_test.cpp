#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace platform::gdi {
namespace {

using testing::Canvas;
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = 0, kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
                   kKey = RGB(255, 0, 255), kGreen = RGB(0, 255, 0);

// With pattern 0xF0, source 0xCC and destination 0xAA in every channel, any ternary raster
// operation yields its own index byte: the defining truth table of the operation.
TEST(Blit, EveryTernaryOperationFollowsItsTruthTable) {
  Canvas dst(1, 1), src(1, 1, RGB(0xCC, 0xCC, 0xCC));
  HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
  HGDIOBJ old = SelectObject(dst.dc(), brush);
  for (unsigned idx = 0; idx < 256; ++idx) {
    dst.fill(RGB(0xAA, 0xAA, 0xAA));
    const DWORD rop = idx << 16;  // the low word only helps old drivers; the index decides
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, rop)) << idx;
    EXPECT_EQ(dst.at(0, 0), RGB(idx, idx, idx)) << "rop index " << std::hex << idx;
  }
  SelectObject(dst.dc(), old);
  DeleteObject(brush);
}

struct NamedRop {
  const char* name;
  DWORD rop;
  COLORREF src, dst, brush, expected;
};

TEST(Blit, NamedOperationsOnColours) {
  const NamedRop cases[] = {
      {"SRCCOPY", SRCCOPY, kRed, kBlue, kGreen, kRed},
      {"SRCINVERT", SRCINVERT, RGB(0x0F, 0xF0, 0x55), RGB(0xFF, 0xFF, 0x05), kGreen, RGB(0xF0, 0x0F, 0x50)},
      {"SRCAND", SRCAND, RGB(0x0F, 0xF0, 0x55), RGB(0xFF, 0x3C, 0x05), kGreen, RGB(0x0F, 0x30, 0x05)},
      {"SRCPAINT", SRCPAINT, RGB(0x0F, 0xF0, 0x50), RGB(0xF0, 0x0C, 0x05), kGreen, RGB(0xFF, 0xFC, 0x55)},
      {"PATCOPY", PATCOPY, kRed, kBlue, kGreen, kGreen},
      {"DSTINVERT", DSTINVERT, kRed, RGB(0x12, 0x34, 0x56), kGreen, RGB(0xED, 0xCB, 0xA9)},
      // destination xor (source and (brush xor destination)): the brush where the source is white,
      // the destination where it is black.
      {"0x00E20746 white source", 0x00E20746, kWhite, kBlue, kGreen, kGreen},
      {"0x00E20746 black source", 0x00E20746, kBlack, kBlue, kGreen, kBlue},
  };
  for (const auto& c : cases) {
    Canvas dst(2, 2, c.dst), src(2, 2, c.src);
    HBRUSH brush = CreateSolidBrush(c.brush);
    HGDIOBJ old = SelectObject(dst.dc(), brush);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, c.rop));
    EXPECT_EQ(dst.at(1, 1), c.expected) << c.name;
    SelectObject(dst.dc(), old);
    DeleteObject(brush);
  }
}

TEST(Blit, MonochromeConversionsUseTheDcColours) {
  // Colour to monochrome: pixels of the source DC's background colour become white (1).
  Canvas colour(3, 1, kRed), mono(3, 1, kBlack, PixelFormat::k1bit);
  colour.pixels().set_pixel(1, 0, pixel_from_colorref(kKey));
  SetBkColor(colour.dc(), kKey);
  BitBlt(mono.dc(), 0, 0, 3, 1, colour.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(mono.at(0, 0), kBlack);
  EXPECT_EQ(mono.at(1, 0), kWhite);
  // Monochrome to colour: 0 bits take the text colour, 1 bits the background colour.
  Canvas out(3, 1, kGreen);
  SetTextColor(out.dc(), kBlue);
  SetBkColor(out.dc(), kRed);
  BitBlt(out.dc(), 0, 0, 3, 1, mono.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(out.at(0, 0), kBlue);
  EXPECT_EQ(out.at(1, 0), kRed);
}

// A 4x2 picture with key-coloured pixels drawn transparently both ways the skin engine knows:
// MaskBlt with MAKEROP4(0x00AA0029, SRCCOPY), and SRCINVERT / SRCAND / SRCINVERT with the mask.
TEST(Blit, KeyColourTransparencyByMaskBltAndByXorAndXor) {
  Canvas picture(4, 2, kRed);
  picture.pixels().set_pixel(1, 0, pixel_from_colorref(kKey));
  picture.pixels().set_pixel(3, 1, pixel_from_colorref(kKey));
  // Monochrome mask of the key colour: key pixels white.
  HBITMAP mask_bm = CreateBitmap(4, 2, 1, 1, nullptr);
  HDC mask_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_mask = SelectObject(mask_dc, mask_bm);
  SetBkColor(picture.dc(), kKey);
  BitBlt(mask_dc, 0, 0, 4, 2, picture.dc(), 0, 0, SRCCOPY);
  const std::string expected = "RBRR\nRRRB\n";

  Canvas a(4, 2, kBlue);
  SelectObject(mask_dc, old_mask);  // a mask given to MaskBlt must not be selected elsewhere
  ASSERT_TRUE(MaskBlt(a.dc(), 0, 0, 4, 2, picture.dc(), 0, 0, mask_bm, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY)));
  EXPECT_EQ(a.picture({{kRed, 'R'}, {kBlue, 'B'}}), expected);

  SelectObject(mask_dc, mask_bm);
  Canvas b(4, 2, kBlue);
  SetBkColor(b.dc(), kWhite);
  SetTextColor(b.dc(), kBlack);
  BitBlt(b.dc(), 0, 0, 4, 2, picture.dc(), 0, 0, SRCINVERT);
  BitBlt(b.dc(), 0, 0, 4, 2, mask_dc, 0, 0, SRCAND);
  BitBlt(b.dc(), 0, 0, 4, 2, picture.dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(b.picture({{kRed, 'R'}, {kBlue, 'B'}}), expected);

  SelectObject(mask_dc, old_mask);
  DeleteDC(mask_dc);
  DeleteObject(mask_bm);
}

TEST(Blit, StretchIsNearestPixelAndMirrorsOnNegativeExtents) {
  Canvas src(2, 2);
  src.pixels().set_pixel(0, 0, pixel_from_colorref(kRed));
  src.pixels().set_pixel(1, 0, pixel_from_colorref(kGreen));
  src.pixels().set_pixel(0, 1, pixel_from_colorref(kBlue));
  src.pixels().set_pixel(1, 1, pixel_from_colorref(kBlack));
  const std::vector<std::pair<COLORREF, char>> legend = {
      {kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {kBlack, 'k'}, {kWhite, '.'}};

  Canvas up(4, 4);
  SetStretchBltMode(up.dc(), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(up.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(up.picture(legend), "rrgg\nrrgg\nbbkk\nbbkk\n");

  Canvas wide(6, 1);
  SetStretchBltMode(wide.dc(), COLORONCOLOR);
  StretchBlt(wide.dc(), 0, 0, 6, 1, src.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(wide.picture(legend), "rrrggg\n");

  Canvas down(1, 1);
  SetStretchBltMode(down.dc(), COLORONCOLOR);
  StretchBlt(down.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(down.picture(legend), "r\n");

  Canvas mirror(2, 1);
  SetStretchBltMode(mirror.dc(), COLORONCOLOR);
  StretchBlt(mirror.dc(), 1, 0, -2, 1, src.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(mirror.picture(legend), "gr\n");
}

// Each stretch mode on one row of pixels ('k' black, '.' white, 'g' the grey halfway between):
// COLORONCOLOR drops what it leaves out, BLACKONWHITE keeps black (AND), WHITEONBLACK keeps white
// (OR), HALFTONE averages by covered area, also when it enlarges.
TEST(Blit, EveryStretchModeShrinksAndEnlargesItsOwnWay) {
  constexpr COLORREF kGrey = RGB(128, 128, 128);
  struct Case {
    int mode;
    const char* source;
    int width;  // destination width; negative mirrors
    const char* expected;
  };
  const Case cases[] = {
      {COLORONCOLOR, ".k..", 2, ".."},  {BLACKONWHITE, ".k..", 2, "k."}, {WHITEONBLACK, ".k..", 2, ".."},
      {HALFTONE, ".k..", 2, "g."},      {COLORONCOLOR, "k.kk", 2, "kk"}, {BLACKONWHITE, "k.kk", 2, "kk"},
      {WHITEONBLACK, "k.kk", 2, ".k"},  {HALFTONE, "k.kk", 2, "gk"},     {HALFTONE, ".k..", -2, ".g"},
      {BLACKONWHITE, ".k..", -2, ".k"}, {COLORONCOLOR, "k.", 3, "kk."},  {BLACKONWHITE, "k.", 3, "kk."},
      {WHITEONBLACK, "k.", 3, "kk."},   {HALFTONE, "k.", 3, "kg."},      {HALFTONE, "k..k", 4, "k..k"},
      {BLACKONWHITE, "kk.k..", 3, "kk."}, {WHITEONBLACK, "kk.k..", 3, "k.."},
  };
  const std::vector<std::pair<COLORREF, char>> legend = {{kBlack, 'k'}, {kWhite, '.'}, {kGrey, 'g'}};
  for (const Case& c : cases) {
    const int n = static_cast<int>(std::string_view(c.source).size());
    Canvas src(n, 1);
    for (int i = 0; i < n; ++i) src.pixels().set_pixel(i, 0, c.source[i] == 'k' ? kBlackPixel : kWhitePixel);
    const int w = std::abs(c.width);
    Canvas dst(w, 1, kRed);
    SetStretchBltMode(dst.dc(), c.mode);
    ASSERT_TRUE(StretchBlt(dst.dc(), c.width < 0 ? w - 1 : 0, 0, c.width, 1, src.dc(), 0, 0, n, 1, SRCCOPY));
    EXPECT_EQ(dst.picture(legend), std::string(c.expected) + "\n") << "mode " << c.mode << " " << c.source << " -> "
                                                                    << c.width;
  }
  // Both directions at once: a 2x2 checkerboard averages to grey, ANDs to black, ORs to white.
  Canvas board(2, 2, kWhite);
  board.pixels().set_pixel(0, 0, kBlackPixel);
  board.pixels().set_pixel(1, 1, kBlackPixel);
  for (auto [mode, expected] : {std::pair{HALFTONE, kGrey}, std::pair{BLACKONWHITE, kBlack},
                                std::pair{WHITEONBLACK, kWhite}, std::pair{COLORONCOLOR, kBlack}}) {
    Canvas one(1, 1, kRed);
    SetStretchBltMode(one.dc(), mode);
    StretchBlt(one.dc(), 0, 0, 1, 1, board.dc(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(one.at(0, 0), expected) << mode;
  }
  // The averaged source goes through the raster operation like any other.
  Canvas inv(1, 1, kWhite);
  SetStretchBltMode(inv.dc(), HALFTONE);
  StretchBlt(inv.dc(), 0, 0, 1, 1, board.dc(), 0, 0, 2, 2, SRCINVERT);
  EXPECT_EQ(inv.at(0, 0), RGB(127, 127, 127));
  // A new DC starts in BLACKONWHITE; unknown modes are refused.
  Canvas fresh(1, 1);
  EXPECT_EQ(GetStretchBltMode(fresh.dc()), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(fresh.dc(), 9), 0);
}

// Every hatch style as an 8 x 8 picture ('#' the brush colour, '.' the gap), in both background
// modes and through each way a brush fills; the pattern follows the brush origin.
TEST(Blit, HatchedBrushesDrawTheirLinesAndHonourTheBackgroundMode) {
  struct Case {
    int style;
    const char* picture;
  };
  const Case cases[] = {
      {HS_HORIZONTAL, "........\n........\n........\n........\n........\n........\n........\n########\n"},
      {HS_VERTICAL, ".......#\n.......#\n.......#\n.......#\n.......#\n.......#\n.......#\n.......#\n"},
      {HS_FDIAGONAL, "#.......\n.#......\n..#.....\n...#....\n....#...\n.....#..\n......#.\n.......#\n"},
      {HS_BDIAGONAL, ".......#\n......#.\n.....#..\n....#...\n...#....\n..#.....\n.#......\n#.......\n"},
      {HS_CROSS, ".......#\n.......#\n.......#\n.......#\n.......#\n.......#\n.......#\n########\n"},
      {HS_DIAGCROSS, "#......#\n.#....#.\n..#..#..\n...##...\n...##...\n..#..#..\n.#....#.\n#......#\n"},
  };
  for (const Case& c : cases) {
    HBRUSH brush = CreateHatchBrush(c.style, kRed);
    ASSERT_NE(brush, nullptr);
    const RECT r{0, 0, 8, 8};
    // Opaque: the gaps take the background colour.
    Canvas o(8, 8, kBlue);
    SetBkColor(o.dc(), kWhite);
    FillRect(o.dc(), &r, brush);
    std::string expected = c.picture;
    EXPECT_EQ(o.picture({{kRed, '#'}, {kWhite, '.'}}), expected) << c.style;
    // Transparent: the gaps keep what was there.
    Canvas t(8, 8, kBlue);
    SetBkMode(t.dc(), TRANSPARENT);
    HGDIOBJ old = SelectObject(t.dc(), brush);
    PatBlt(t.dc(), 0, 0, 8, 8, PATCOPY);
    EXPECT_EQ(t.picture({{kRed, '#'}, {kBlue, '.'}}), expected) << c.style;
    // A shape's inside is filled the same way (a null pen draws no outline).
    Canvas e(8, 8, kBlue);
    SetBkColor(e.dc(), kWhite);
    SelectObject(e.dc(), brush);
    SelectObject(e.dc(), GetStockObject(NULL_PEN));
    Rectangle(e.dc(), 0, 0, 9, 9);
    EXPECT_EQ(e.picture({{kRed, '#'}, {kWhite, '.'}}), expected) << c.style;
    SelectObject(t.dc(), old);
    // The pattern is anchored at the brush origin: moved by (1, 2), pixel (x, y) shows (x-1, y-2).
    Canvas m(8, 8, kBlue);
    SetBkColor(m.dc(), kWhite);
    SetBrushOrgEx(m.dc(), 1, 2, nullptr);
    FillRect(m.dc(), &r, brush);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(m.at(x, y), o.at((x + 7) % 8, (y + 6) % 8)) << c.style << " at " << x << "," << y;
    LOGBRUSH lb;
    ASSERT_EQ(GetObject(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbStyle, BS_HATCHED);
    EXPECT_EQ(lb.lbColor, kRed);
    EXPECT_EQ(lb.lbHatch, static_cast<std::uintptr_t>(c.style));
    DeleteObject(brush);
    // The same brush made from a LOGBRUSH draws the same.
    HBRUSH again = CreateBrushIndirect(&lb);
    Canvas a(8, 8, kBlue);
    SetBkColor(a.dc(), kWhite);
    FillRect(a.dc(), &r, again);
    EXPECT_EQ(a.pixels(), o.pixels()) << c.style;
    DeleteObject(again);
  }
  EXPECT_EQ(CreateHatchBrush(6, kRed), nullptr);
  EXPECT_EQ(CreateHatchBrush(-1, kRed), nullptr);
  LOGBRUSH bad{BS_HATCHED, kRed, 99};
  EXPECT_EQ(CreateBrushIndirect(&bad), nullptr);
  // On a monochrome bitmap the lines are black or white by brightness.
  Canvas mono(8, 1, kWhite, PixelFormat::k1bit);
  HBRUSH dark = CreateHatchBrush(HS_VERTICAL, RGB(20, 20, 20));
  const RECT row{0, 0, 8, 1};
  FillRect(mono.dc(), &row, dark);
  EXPECT_EQ(mono.picture({{kBlack, '#'}, {kWhite, '.'}}), ".......#\n");
  DeleteObject(dark);
}

TEST(Blit, SourceOutsideItsBitmapLeavesTheDestination) {
  Canvas src(2, 2, kRed), dst(4, 4, kBlue);
  // Source rectangle (-1, -1) .. (3, 3): only the middle 2x2 exists.
  BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), -1, -1, SRCCOPY);
  EXPECT_EQ(dst.picture({{kRed, 'R'}, {kBlue, 'B'}}), "BBBB\nBRRB\nBRRB\nBBBB\n");
  // Stretching from a rectangle that runs off the source keeps the same rule.
  Canvas dst2(4, 1, kBlue);
  StretchBlt(dst2.dc(), 0, 0, 4, 1, src.dc(), 1, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst2.picture({{kRed, 'R'}, {kBlue, 'B'}}), "RRBB\n");
}

TEST(Blit, OverlappingCopyWithinOneBitmap) {
  Canvas c(5, 1);
  const COLORREF cols[] = {kRed, kGreen, kBlue, kBlack, kWhite};
  for (int x = 0; x < 5; ++x) c.pixels().set_pixel(x, 0, pixel_from_colorref(cols[x]));
  BitBlt(c.dc(), 1, 0, 4, 1, c.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.picture({{kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {kBlack, 'k'}}), "rrgbk\n");
}

TEST(Blit, ClipRegionAndViewportOrigin) {
  Canvas src(6, 6, kRed), dst(6, 6, kWhite);
  // An L-shaped clip region in device coordinates.
  HRGN a = CreateRectRgn(0, 0, 2, 6), b = CreateRectRgn(0, 4, 6, 6), l = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(l, a, b, RGN_OR);
  EXPECT_EQ(SelectClipRgn(dst.dc(), l), COMPLEXREGION);
  // The viewport origin moves drawing, not the clip region.
  SetViewportOrgEx(dst.dc(), 1, 0, nullptr);
  BitBlt(dst.dc(), -1, 0, 6, 6, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(dst.picture({{kRed, 'R'}, {kWhite, '.'}}), "RR....\nRR....\nRR....\nRR....\nRRRRRR\nRRRRRR\n");
  RECT box;
  EXPECT_EQ(GetClipBox(dst.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{-1, 0, 5, 6}));  // logical coordinates
  EXPECT_TRUE(RectVisible(dst.dc(), ptr(RECT{3, 4, 4, 5})));
  EXPECT_FALSE(RectVisible(dst.dc(), ptr(RECT{3, 0, 4, 3})));
  for (HRGN r : {a, b, l}) DeleteObject(r);
}

TEST(Blit, SaveAndRestoreBringBackClipOriginColoursAndObjects) {
  Canvas c(8, 8);
  HBRUSH red = CreateSolidBrush(kRed);
  HGDIOBJ original_brush = GetCurrentObject(c.dc(), OBJ_BRUSH);
  const int level = SaveDC(c.dc());
  EXPECT_EQ(level, 1);
  SelectObject(c.dc(), red);
  SetViewportOrgEx(c.dc(), 3, 3, nullptr);
  IntersectClipRect(c.dc(), 0, 0, 2, 2);
  SetBkColor(c.dc(), kBlue);
  SaveDC(c.dc());
  ExcludeClipRect(c.dc(), 0, 0, 1, 1);
  EXPECT_FALSE(DeleteObject(red)) << "a selected brush is not deleted";
  EXPECT_TRUE(RestoreDC(c.dc(), -1));
  PatBlt(c.dc(), 0, 0, 8, 8, PATCOPY);
  EXPECT_EQ(c.at(3, 3), kRed);
  EXPECT_EQ(c.at(5, 5), kWhite) << "clipped by IntersectClipRect in logical coordinates";
  EXPECT_TRUE(RestoreDC(c.dc(), level));
  EXPECT_EQ(GetBkColor(c.dc()), kWhite);
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_BRUSH), original_brush);
  POINT org;
  GetViewportOrgEx(c.dc(), &org);
  EXPECT_EQ(org, (POINT{0, 0}));
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, 8, 8}));
  EXPECT_FALSE(RestoreDC(c.dc(), 1)) << "nothing left to restore";
  EXPECT_TRUE(DeleteObject(red));
}

TEST(Blit, SurfaceDcDrawsAtItsOriginInsideItsVisibleRegion) {
  Bitmap backing(10, 6, PixelFormat::k32bit, pixel_from_colorref(kWhite));
  DcSurface s;
  s.surface = &backing;
  s.origin = {4, 2};
  s.visible = Region(RECT{4, 2, 8, 5});
  HDC dc = CreateSurfaceDC(s);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{-10, -10, 100, 100};
  FillRect(dc, &all, red);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(colorref_from_pixel(backing.pixel(x, y)), (x >= 4 && x < 8 && y >= 2 && y < 5) ? kRed : kWhite)
          << x << "," << y;
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (RECT{0, 0, 4, 3}));
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 5, 0), CLR_INVALID);
  DeleteDC(dc);
  DeleteObject(red);
}

TEST(Blit, PatternBrushIsAlignedToTheBrushOrigin) {
  // 2x1 monochrome pattern: bit 0 -> text colour, bit 1 -> background colour.
  HBITMAP pat = CreateBitmap(2, 1, 1, 1, nullptr);
  GetBitmapPixels(pat)->set_pixel(1, 0, kWhitePixel);
  HBRUSH brush = CreatePatternBrush(pat);
  Canvas c(4, 1);
  SetTextColor(c.dc(), kRed);
  SetBkColor(c.dc(), kBlue);
  RECT r{0, 0, 4, 1};
  FillRect(c.dc(), &r, brush);
  EXPECT_EQ(c.picture({{kRed, 'R'}, {kBlue, 'B'}}), "RBRB\n");
  SetBrushOrgEx(c.dc(), 1, 0, nullptr);
  FillRect(c.dc(), &r, brush);
  EXPECT_EQ(c.picture({{kRed, 'R'}, {kBlue, 'B'}}), "BRBR\n");
  DeleteObject(brush);
  DeleteObject(pat);
}

TEST(Objects, HandlesAreCheckedAndCounted) {
  const std::size_t before = live_object_count();
  HBRUSH b = CreateSolidBrush(kRed);
  EXPECT_EQ(GetObjectType(b), OBJ_BRUSH);
  EXPECT_EQ(live_object_count(), before + 1);
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_EQ(live_object_count(), before);
  EXPECT_FALSE(DeleteObject(b)) << "a stale handle is refused";
  EXPECT_EQ(GetObjectType(b), 0u);
  HDC bad = reinterpret_cast<HDC>(std::uintptr_t{0x12345678});
  EXPECT_FALSE(BitBlt(bad, 0, 0, 1, 1, nullptr, 0, 0, PATCOPY));
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH))) << "stock objects ignore deletion";
  EXPECT_NE(GetObjectType(GetStockObject(WHITE_BRUSH)), 0u);
  // A bitmap lives in one memory DC at a time.
  Canvas c(1, 1);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, c.bitmap()), nullptr);
  DeleteDC(other);
  EXPECT_EQ(live_object_count(), before + 2) << "the canvas' DC and bitmap";
}

TEST(MulDivTest, RoundsHalvesAwayFromZeroAndFailsOnZeroOrOverflow) {
  struct Case { int a, b, c, expected; };
  const Case cases[] = {{1, 1, 2, 1},          {3, 1, 2, 2},           {-1, 1, 2, -1},       {-3, 1, 2, -2},
                        {5, 3, -2, -8},        {-5, 3, -2, 8},         {10, 7, 3, 23},       {0, 5, 3, 0},
                        {1, 1, 0, -1},         {0x7FFFFFFF, 2, 2, 0x7FFFFFFF}, {0x7FFFFFFF, 2, 1, -1},
                        {50, 100, 200, 25},    {1, 2, 3, 1},           {-1, 2, 3, -1}};
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

}  // namespace
}  // namespace platform::gdi

namespace platform::gdi {
namespace {

TEST(DeviceIndependentBits, BottomUpRowsRoundTrip) {
  HBITMAP bm = CreateBitmapFromPixels(Bitmap(3, 2, PixelFormat::k24bit, 0));
  Bitmap* px = GetBitmapPixels(bm);
  px->set_pixel(0, 0, 0x010203);  // top-left
  px->set_pixel(2, 1, 0x0A0B0C);  // bottom-right
  BITMAPINFOHEADER info;
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 0, nullptr, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.biWidth, 3);
  EXPECT_EQ(info.biHeight, 2);
  info.biBitCount = 32;
  std::vector<std::uint8_t> bits(3 * 4 * 2);
  ASSERT_EQ(GetDIBits(nullptr, bm, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
  // Scan line 0 of a bottom-up DIB is the bottom row: its last pixel is 0x0A0B0C as B, G, R.
  EXPECT_EQ(bits[8], 0x0C);
  EXPECT_EQ(bits[9], 0x0B);
  EXPECT_EQ(bits[10], 0x0A);
  EXPECT_EQ(bits[12], 0x03);  // row 1 = top row, first pixel
  // Rotating through the bits, as the skin's rotation does, and writing them back.
  HBITMAP copy = CreateBitmapFromPixels(Bitmap(3, 2, PixelFormat::k32bit, 0xFFFFFF));
  ASSERT_EQ(SetDIBits(nullptr, copy, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(*GetBitmapPixels(copy), *px);
  info.biBitCount = 8;
  EXPECT_EQ(GetDIBits(nullptr, bm, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 0) << "only 24 and 32 bits";
  DeleteObject(bm);
  DeleteObject(copy);
}

}  // namespace
}  // namespace platform::gdi
