// A document that uses form pages: a watermark on every page, a sub-form, thumbnails, and text that
// needs more than the BMP or composes combining marks, read back by qpdf, poppler and mupdf.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/testing/require_tool.h"
#include "pdf/document.h"
#include "pdf/image.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"
#include "platform/gdi/metafile_canvas.h"

namespace pdf {
namespace {

namespace gdi = platform::gdi;
using test::Quote;
using test::RunTool;

gdi::Canvas& CanvasOf(TPDFPage& page) { return *dynamic_cast<TPDFCanvas*>(page.Canvas()); }

// A face of the installed fonts with a format 12 map and the character U+20B9F.
constexpr const char* kWideFace = "HanaMinB";

class FormsInteropTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    file_ = dir_->file("forms.pdf");
    TPDFDocument doc;
    doc.SetFileName(file_);
    doc.SetPageMode(TPageMode::pmUseThumbs);
    doc.BeginDoc();

    TPDFPage* mark = doc.AddWatermark();
    gdi::Canvas& m = CanvasOf(*mark);
    m.Font.Name = "Arial";
    m.Font.Size = 48;
    m.Font.Color = gdi::RGB(200, 200, 200);
    m.TextOut(150, 500, "DRAFT COPY");

    const int thumbs[] = {
        AddImage(doc, TPDFGraphic::FromBitmap(gdi::Bitmap(24, 32, gdi::PixelFormat::k24bit, 0x3060C0)), ikDeflate),
        AddImage(doc, TPDFGraphic::FromBitmap(gdi::Bitmap(24, 32, gdi::PixelFormat::k24bit, 0xC06030)), ikDeflate)};

    TPDFPage& first = *doc.CurrentPage;
    first.SetWatermark(0);
    first.SetThumbnail(thumbs[0]);
    gdi::Canvas& c = *PageCanvas(doc);
    c.Font.Name = "Arial";
    c.Font.Size = 14;
    // Decomposed Vietnamese: each vowel carries its marks as combining characters.
    c.TextOut(80, 80, "Tie\u0302\u0301ng Vie\u0323\u0302t co\u0301 da\u0302\u0301u");
    c.TextOut(80, 120, "2014-04-08 09:05:03");
    c.Font.Name = kWideFace;
    c.Font.Size = 20;
    c.TextOut(80, 160, "\U00020B9F \U0002000B");

    TPDFPage* form = first.AddSubForm();
    form->SetFormMatrix(0.5, 0, 0, 0.5, 0, 0);
    gdi::Canvas& f = CanvasOf(*form);
    f.Font.Name = "Arial";
    f.Font.Size = 28;
    f.Rectangle(150, 590, 500, 660);
    f.TextOut(160, 600, "Sub-form 42.5");
    first.AppendOperator("q /IF0 Do Q");

    doc.NewPage();
    TPDFPage& second = *doc.CurrentPage;
    second.SetWatermark(0);
    second.SetThumbnail(thumbs[1]);
    gdi::Canvas& s = *PageCanvas(doc);
    s.Font.Name = "Arial";
    s.Font.Size = 14;
    s.TextOut(80, 80, "Second page -12.5");
    doc.EndDoc();
  }
  static void TearDownTestSuite() {
    // THC_KEEP_PDF=path keeps a copy of the file for a look with other readers.
    if (const char* keep = std::getenv("THC_KEEP_PDF"))
      std::filesystem::copy_file(file_, keep, std::filesystem::copy_options::overwrite_existing);
    delete dir_;
    dir_ = nullptr;
  }

  static std::string PageText(int page) {
    const std::string n = std::to_string(page);
    return RunTool("pdftotext -enc UTF-8 -f " + n + " -l " + n + " " + Quote(file_) + " -", false).output;
  }

  static test::TempDir* dir_;
  static std::string file_;
};

test::TempDir* FormsInteropTest::dir_ = nullptr;
std::string FormsInteropTest::file_;

TEST_F(FormsInteropTest, QpdfFindsNoErrors) {
  REQUIRE_TOOL("qpdf");
  const auto r = RunTool("qpdf --check " + Quote(file_));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("No syntax or stream encoding errors"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("WARNING"), std::string::npos) << r.output;
}

TEST_F(FormsInteropTest, EveryEmbeddedFontIsANamedSubsetThatMapsBack) {
  REQUIRE_TOOL("pdffonts");
  const auto r = RunTool("pdffonts " + Quote(file_));
  ASSERT_EQ(r.status, 0) << r.output;
  // name, type words, encoding, emb sub uni, object number, generation
  const std::regex row("^(\\S+) +(.+?) +(\\S+) +(yes|no) +(yes|no) +(yes|no) +[0-9]+ +0$");
  int embedded = 0;
  bool wide_face = false;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, row)) continue;
    if (m[4] != "yes") continue;
    ++embedded;
    EXPECT_TRUE(std::regex_match(m[1].str(), std::regex("[A-Z]{6}\\+.+"))) << line;
    EXPECT_EQ(m[5], "yes") << line;
    EXPECT_EQ(m[6], "yes") << line;
    wide_face = wide_face || m[1].str().find(kWideFace) != std::string::npos;
  }
  EXPECT_GE(embedded, 3) << r.output;
  EXPECT_TRUE(wide_face) << r.output;
}

TEST_F(FormsInteropTest, TextOfPagesFormsAndWatermarkExtracts) {
  REQUIRE_TOOL("pdftotext");
  const std::string first = PageText(1), second = PageText(2);
  for (const char* want : {"Tiếng Việt có dấu", "2014-04-08 09:05:03", "\U00020B9F \U0002000B", "Sub-form 42.5",
                           "DRAFT COPY"})
    EXPECT_NE(first.find(want), std::string::npos) << want << "\n" << first;
  // The combining marks were composed, not left beside their letters.
  EXPECT_EQ(first.find("\u0302"), std::string::npos) << first;
  EXPECT_NE(second.find("Second page -12.5"), std::string::npos) << second;
  EXPECT_NE(second.find("DRAFT COPY"), std::string::npos) << second;
  EXPECT_EQ(second.find("Sub-form"), std::string::npos) << second;
}

TEST_F(FormsInteropTest, PagesCarryTheirThumbnailsAndForms) {
  REQUIRE_TOOL("mutool");
  for (int page = 1; page <= 2; ++page) {
    const std::string path = "pages/" + std::to_string(page);
    const auto thumb = RunTool("mutool show " + Quote(file_) + " " + path + "/Thumb", false);
    EXPECT_NE(thumb.output.find("/Subtype /Image"), std::string::npos) << thumb.output;
    EXPECT_NE(thumb.output.find("/Width 24"), std::string::npos) << thumb.output;
    const auto mark = RunTool("mutool show " + Quote(file_) + " " + path + "/Resources/XObject/Form0", false);
    EXPECT_NE(mark.output.find("/Subtype /Form"), std::string::npos) << mark.output;
    EXPECT_NE(mark.output.find("/BBox [ 0 0 595 842 ]"), std::string::npos) << mark.output;
  }
  const auto sub = RunTool("mutool show " + Quote(file_) + " pages/1/Resources/XObject/IF0", false);
  EXPECT_NE(sub.output.find("/Subtype /Form"), std::string::npos) << sub.output;
  EXPECT_TRUE(std::regex_search(sub.output, std::regex("/Matrix \\[ 0?\\.5 0 0 0?\\.5 0 0 \\]"))) << sub.output;
  const auto none = RunTool("mutool show " + Quote(file_) + " pages/2/Resources/XObject/IF0", false);
  EXPECT_EQ(none.output.find("/Subtype /Form"), std::string::npos) << none.output;
}

TEST_F(FormsInteropTest, MupdfRendersEveryPageWithoutWarnings) {
  REQUIRE_TOOL("mutool");
  const auto r = RunTool("mutool draw -r 36 -o " + Quote(dir_->file("m%d.png")) + " " + Quote(file_));
  EXPECT_EQ(r.status, 0) << r.output;
  // mupdf built without colour management says so on every run; that is no remark on the file.
  const std::string said = std::regex_replace(r.output, std::regex("warning: ICC support is not available\n"), "");
  EXPECT_EQ(said.find("warning"), std::string::npos) << r.output;
  EXPECT_EQ(said.find("error"), std::string::npos) << r.output;
  EXPECT_TRUE(std::filesystem::exists(dir_->file("m1.png")));
  EXPECT_TRUE(std::filesystem::exists(dir_->file("m2.png")));
}

}  // namespace
}  // namespace pdf
