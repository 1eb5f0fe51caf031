// Images read back by poppler: fax, deflated and JPEG pictures decode to the pixels they were made
// from; qpdf and ghostscript accept the files.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "core/strings.h"
#include "core/testing/require_tool.h"
#include "pdf/document.h"
#include "pdf/image.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using platform::gdi::Bitmap;
using platform::gdi::PixelFormat;
using test::Quote;
using test::RunTool;

// A netpbm file (P4 or P6) as pixels 0x00RRGGBB.
Bitmap ReadPnm(const std::string& data) {
  std::istringstream in(data);
  std::string magic;
  int w = 0, h = 0, max = 1;
  in >> magic >> w >> h;
  if (magic == "P6") in >> max;
  in.get();
  Bitmap b(w, h, PixelFormat::k24bit);
  if (magic == "P4") {
    const int bpr = (w + 7) / 8;
    std::string row(static_cast<std::size_t>(bpr), '\0');
    for (int y = 0; y < h; ++y) {
      in.read(row.data(), bpr);
      for (int x = 0; x < w; ++x)
        b.set_pixel(
            x, y,
            (static_cast<unsigned char>(row[static_cast<std::size_t>(x / 8)]) & (0x80 >> (x % 8))) ? 0 : 0xFFFFFF);
    }
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        unsigned char rgb[3];
        in.read(reinterpret_cast<char*>(rgb), 3);
        b.set_pixel(x, y, (rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
      }
  }
  return b;
}

// Long white and black runs (beyond the 2560 makeup code), short runs and random noise.
Bitmap FaxPicture(bool black_is_1) {
  const int w = 2701, h = 24;
  Bitmap b(w, h, PixelFormat::k1bit, platform::gdi::kWhitePixel);
  if (black_is_1) b.set_palette({platform::gdi::kWhitePixel, platform::gdi::kBlackPixel});
  std::mt19937 gen(7);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool black = false;
      if (y < 4)
        black = (y % 2 == 1);  // whole rows
      else if (y < 8)
        black = x >= 30 && x < 2690;  // one long run
      else if (y < 16)
        black = (x / (1 + y)) % 2 == 0;  // regular stripes
      else
        black = gen() % 4 == 0;  // noise
      if (black) b.set_pixel(x, y, platform::gdi::kBlackPixel);
    }
  }
  return b;
}

Bitmap ColourPicture() {
  Bitmap b(37, 23, PixelFormat::k24bit);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) b.set_pixel(x, y, ((x * 7) << 16) | ((y * 11) << 8) | ((x * y) & 0xFF));
  return b;
}

TEST(ImageInteropTest, PicturesDecodeToTheirPixels) {
  REQUIRE_TOOL("pdfimages");
  REQUIRE_TOOL("qpdf");
  test::TempDir dir;
  const std::string file = dir.file("images.pdf");
  TPDFDocument doc;
  doc.SetFileName(file);
  doc.BeginDoc();
  struct Expect {
    Bitmap picture;
    int kind;
    const char* type;
  };
  std::vector<Expect> expects = {
      {FaxPicture(false), ikCCITT3, "ccitt"}, {FaxPicture(false), ikCCITT32d, "ccitt"},
      {FaxPicture(false), ikCCITT4, "ccitt"}, {FaxPicture(true), ikCCITT4, "ccitt"},
      {ColourPicture(), ikDeflate, "image"},
  };
  double y = 20;
  for (const Expect& e : expects) {
    const int index = AddImage(doc, TPDFGraphic::FromBitmap(e.picture), e.kind);
    doc.CurrentPage->DrawImage(index, 20, y, 500, 40, 0);
    y += 50;
  }
  const std::string jpeg = EncodeJpeg(ColourPicture(), 85);
  const int jpeg_index = AddImage(doc, TPDFGraphic::FromJpeg(jpeg), ikJPEG);
  doc.CurrentPage->DrawImage(jpeg_index, 20, y, 74, 46, 0);
  doc.EndDoc();

  const auto check = RunTool("qpdf --check " + Quote(file));
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;

  const auto list = RunTool("pdfimages -list " + Quote(file));
  ASSERT_EQ(list.status, 0) << list.output;
  std::istringstream lines(list.output);
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  for (std::size_t i = 0; i <= expects.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << list.output;
    std::istringstream f(line);
    std::string page, num, type, width, height, color, comp, bpc, enc;
    f >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
    if (i < expects.size()) {
      EXPECT_EQ(enc, expects[i].type) << line;
      EXPECT_EQ(width, std::to_string(expects[i].picture.width())) << line;
      EXPECT_EQ(bpc, expects[i].kind >= ikCCITT3 ? "1" : "8") << line;
    } else {
      EXPECT_EQ(enc, "jpeg") << line;
    }
  }

  const auto extracted = RunTool("pdfimages -j " + Quote(file) + " " + Quote(dir.file("x")));
  ASSERT_EQ(extracted.status, 0) << extracted.output;
  for (std::size_t i = 0; i < expects.size(); ++i) {
    const std::string ext = expects[i].kind >= ikCCITT3 ? ".pbm" : ".ppm";
    const Bitmap got = ReadPnm(test::ReadFile(dir.file(core::format("x-%03d", static_cast<int>(i)) + ext)));
    Bitmap want = expects[i].picture;
    want.set_format(PixelFormat::k24bit);
    EXPECT_TRUE(got == want) << "image " << i << " differs";
  }
  // The JPEG data goes into the file unchanged.
  EXPECT_EQ(test::ReadFile(dir.file(core::format("x-%03d.jpg", static_cast<int>(expects.size())))), jpeg);

  if (test::HaveTool("gs")) {
    const auto gs =
        RunTool("gs -q -dNOPAUSE -dBATCH -dPDFSTOPONERROR -dPDFSTOPONWARNING -sDEVICE=nullpage " + Quote(file));
    EXPECT_EQ(gs.status, 0) << gs.output;
  }
}

}  // namespace
}  // namespace pdf
