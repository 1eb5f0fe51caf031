// A page drawn through the metafile canvas: rendered by poppler it shows what the same calls paint
// through the drawing layer, its text comes back out, and the validators accept the file.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/testing/require_tool.h"
#include "pdf/document.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"
#include "platform/gdi/metafile_canvas.h"

namespace pdf {
namespace {

namespace gdi = platform::gdi;
using test::Quote;
using test::RunTool;

// The same calls for both canvases: a report-like head, a grid, fills and shapes.
void DrawScene(gdi::Canvas& c) {
  c.Font.Name = "宋体";
  c.Font.Charset = gdi::GB2312_CHARSET;
  c.Font.Size = 20;
  c.TextOut(300, 30, "温湿度历史记录");
  c.Font.Size = 10;
  c.TextOut(88, 100, "序号");
  c.TextOut(170, 100, "温度");
  c.TextOut(290, 100, "湿度");
  c.TextOut(410, 100, "日期");
  c.TextOut(410, 120, "2014-04-08 09:05:03");
  c.Brush.Style = gdi::BS_NULL;
  for (int y = 95; y <= 155; y += 20) {
    c.MoveTo(76, y);
    c.LineTo(716, y);
  }
  for (int x : {76, 160, 280, 400, 716}) c.Rectangle(x, 95, x + 1, 156);
  c.Brush.Style = gdi::BS_SOLID;
  c.Brush.Color = gdi::RGB(153, 204, 255);
  c.FillRect(gdi::RECT{100, 300, 400, 360});
  c.Pen.Color = gdi::RGB(200, 0, 0);
  c.Pen.Width = 3;
  c.Brush.Color = gdi::RGB(0, 160, 0);
  c.Rectangle(450, 300, 650, 420);
  c.Ellipse(100, 450, 300, 560);
  c.Pen.Width = 1;
  c.Pen.Color = 0;
  c.Polygon({{400, 460}, {500, 560}, {350, 560}});
  gdi::Bitmap picture(40, 20, gdi::PixelFormat::k24bit, 0x2040C0);
  for (int x = 0; x < 40; ++x) picture.set_pixel(x, 10, 0xFFFF00);
  c.Draw(600, 480, picture);
}

// A binary PPM as pixels.
gdi::Bitmap ReadPpm(const std::string& data) {
  std::istringstream in(data);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  gdi::Bitmap b(w, h, gdi::PixelFormat::k24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned char rgb[3] = {0, 0, 0};
      in.read(reinterpret_cast<char*>(rgb), 3);
      b.set_pixel(x, y, (rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
    }
  return b;
}

TEST(MetafileInteropTest, CanvasPageRendersLikeTheDrawingLayer) {
  REQUIRE_TOOL("pdftoppm");
  REQUIRE_TOOL("pdftotext");
  REQUIRE_TOOL("qpdf");
  test::TempDir dir;
  const std::string file = dir.file("canvas.pdf");
  {
    TPDFDocument doc;
    doc.SetFileName(file);
    doc.BeginDoc();
    gdi::Canvas* canvas = PageCanvas(doc);
    ASSERT_NE(canvas, nullptr);
    DrawScene(*canvas);
    doc.EndDoc();
  }
  const auto check = RunTool("qpdf --check " + Quote(file));
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
  if (test::HaveTool("gs")) {
    const auto gs =
        RunTool("gs -q -dNOPAUSE -dBATCH -dPDFSTOPONERROR -dPDFSTOPONWARNING -sDEVICE=nullpage " + Quote(file));
    EXPECT_EQ(gs.status, 0) << gs.output;
  }
  const auto text = RunTool("pdftotext -enc UTF-8 " + Quote(file) + " -", false);
  EXPECT_NE(text.output.find("温湿度历史记录"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("序号"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("2014-04-08 09:05:03"), std::string::npos) << text.output;

  // The reference: the same calls painted by the drawing layer at 96 dpi.
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bm = gdi::CreateBitmapFromPixels(gdi::Bitmap(794, 1123, gdi::PixelFormat::k24bit, gdi::kWhitePixel));
  gdi::HGDIOBJ old = gdi::SelectObject(dc, bm);
  {
    gdi::DcCanvas canvas(dc);
    DrawScene(canvas);
  }
  gdi::SelectObject(dc, old);
  const gdi::Bitmap want = *gdi::GetBitmapPixels(bm);
  gdi::DeleteDC(dc);

  const auto render = RunTool("pdftoppm -r 96 -f 1 -l 1 " + Quote(file) + " " + Quote(dir.file("p")));
  ASSERT_EQ(render.status, 0) << render.output;
  const gdi::Bitmap got = ReadPpm(test::ReadFile(dir.file("p-1.ppm")));
  gdi::DeleteObject(bm);
  ASSERT_GE(got.width(), 790);
  ASSERT_GE(got.height(), 1120);
  // Compared in blocks of 8 x 8 pixels, channel by channel: anti-aliasing and the rounding of
  // stroke positions move ink by a pixel, but not from one block to the next.
  const int block = 8;
  double worst = 0, total = 0;
  int blocks = 0, inked = 0;
  for (int by = 0; by + block <= 1120; by += block)
    for (int bx = 0; bx + block <= 790; bx += block) {
      for (int shift : {16, 8, 0}) {
        double a = 0, b = 0;
        for (int y = by; y < by + block; ++y)
          for (int x = bx; x < bx + block; ++x) {
            a += (want.pixel(x, y) >> shift) & 0xFF;
            b += (got.pixel(x, y) >> shift) & 0xFF;
          }
        const double d = std::fabs(a - b) / (block * block);
        worst = std::max(worst, d);
        total += d;
        ++blocks;
        if (a < 250.0 * block * block) ++inked;
      }
    }
  EXPECT_GT(inked, 300);  // the scene is really there
  EXPECT_LT(total / blocks, 1.5);
  EXPECT_LT(worst, 80) << "a block differs by " << worst;
}

}  // namespace
}  // namespace pdf
