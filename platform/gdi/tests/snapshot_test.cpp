// A golden snapshot of a scene drawn with most of the layer's calls and the built-in test font.
// Set THC_UPDATE_GOLDEN=1 to rewrite the golden file after an intended change, and look at it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/gdi/gdi.h"
#include "platform/gdi/png_file.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace platform::gdi {
namespace {

using testing::Canvas;

void draw_scene(HDC dc) {
  RECT all{0, 0, 160, 100};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HFONT font = CreateFont(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kTestFontFace);
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);

  // A raised button with a centred caption, an '&' prefix and a focus rectangle.
  RECT button{4, 4, 64, 26};
  DrawEdge(dc, &button, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  RECT caption = button;
  DrawText(dc, "&Save", &caption, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  RECT focus = button;
  InflateRect(&focus, -4, -4);
  DrawFocusRect(dc, &focus);

  // Wrapped Chinese text (boxes in the test font) and an ellipsis.
  RECT para{70, 4, 118, 40};
  SetTextColor(dc, RGB(0, 0, 128));
  DrawText(dc, "温度，湿度数据下载", &para, DT_WORDBREAK);
  RECT tail{70, 40, 156, 52};
  DrawText(dc, "Serial port settings", &tail, DT_SINGLELINE | DT_END_ELLIPSIS);

  // Shapes with a pen and brushes.
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(255, 200, 0));
  HGDIOBJ old_pen = SelectObject(dc, pen), old_brush = SelectObject(dc, brush);
  Ellipse(dc, 4, 32, 34, 56);
  RoundRect(dc, 38, 32, 66, 56, 8, 8);
  const POINT tri[] = {{122, 10}, {156, 10}, {139, 36}};
  Polygon(dc, tri, 3);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);

  // A gradient bar, and a key-coloured picture stretched and masked onto it.
  TRIVERTEX v[2];
  v[0].x = 4; v[0].y = 62; v[0].Red = 0x1000; v[0].Green = 0x4000; v[0].Blue = 0xC000;
  v[1].x = 156; v[1].y = 76; v[1].Red = 0xF000; v[1].Green = 0xF000; v[1].Blue = 0xF000;
  GRADIENT_RECT g{0, 1};
  GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
  Canvas pic(4, 4, RGB(255, 0, 255));
  RECT inner{1, 1, 3, 3};
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  FillRect(pic.dc(), &inner, red);
  DeleteObject(red);
  Canvas big(16, 16);
  StretchBlt(big.dc(), 0, 0, 16, 16, pic.dc(), 0, 0, 4, 4, SRCCOPY);
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
  HDC mask_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_mask = SelectObject(mask_dc, mask);
  SetBkColor(big.dc(), RGB(255, 0, 255));
  BitBlt(mask_dc, 0, 0, 16, 16, big.dc(), 0, 0, SRCCOPY);
  SelectObject(mask_dc, old_mask);
  DeleteDC(mask_dc);
  MaskBlt(dc, 70, 61, 16, 16, big.dc(), 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
  DeleteObject(mask);

  // Clipped text through a region with a hole.
  HRGN outer = CreateRectRgn(4, 80, 156, 96), hole = CreateRectRgn(40, 84, 60, 92);
  CombineRgn(outer, outer, hole, RGN_DIFF);
  SaveDC(dc);
  SelectClipRgn(dc, outer);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 255));
  SetTextColor(dc, RGB(0, 0, 0));
  TextOut(dc, 6, 83, "Clipped by a region: OK");
  RestoreDC(dc, -1);
  DeleteObject(outer);
  DeleteObject(hole);

  SelectObject(dc, old_font);
  DeleteObject(font);
}

std::filesystem::path golden_path() {
  const char* src = std::getenv("THC_SOURCE_DIR");
  const std::filesystem::path root = src ? std::filesystem::path(src) / "platform/gdi" : std::filesystem::path(".");
  return root / "tests/golden/scene.png";
}

TEST(Snapshot, SceneMatchesTheGoldenPicture) {
  reset_sys_colors();
  Canvas c(160, 100);
  draw_scene(c.dc());
  if (const char* bin = std::getenv("THC_BINARY_DIR"))
    write_png_file((std::filesystem::path(bin) / "gdi_scene.png").string(), c.pixels());
  const auto golden = golden_path();
  if (std::getenv("THC_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(golden.parent_path());
    write_png_file(golden.string(), c.pixels());
  }
  ASSERT_TRUE(std::filesystem::exists(golden)) << golden << " is missing";
  const Bitmap expected = read_png_file(golden.string());
  ASSERT_EQ(expected.width(), 160);
  int differing = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 160; ++x) differing += expected.pixel(x, y) != c.pixels().pixel(x, y);
  EXPECT_EQ(differing, 0) << "see gdi_scene.png in the build folder";
}

}  // namespace
}  // namespace platform::gdi
