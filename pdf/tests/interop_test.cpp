// Files written by the document are read back by independent tools: qpdf checks the structure,
// poppler reports, extracts and renders.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/strings.h"
#include "core/testing/require_tool.h"
#include "pdf/document.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using test::Quote;
using test::RunTool;


// A page of shapes, colours and line styles, with text in a standard font.
void DrawShapes(TPDFDocument& doc) {
  TPDFPage* p = doc.CurrentPage;
  p->SaveState();
  p->SetRGBStrokeColor(0, 0, 1);
  p->SetLineWidth(2);
  p->NewPath();
  p->Rectangle(57, 73, 537, 88);
  p->ClosePath();
  p->Stroke();
  p->SetRGBFillColor(1, 0.5, 0);
  p->Ellipse(100, 150, 300, 250);
  p->FillAndStroke();
  p->SetDash("[6 3] 0");
  p->SetLineCap(1);
  p->SetLineJoin(1);
  p->RoundRect(320, 150, 520, 250, 40, 30);
  p->Stroke();
  p->NoDash();
  p->SetRGBFillColor(0, 0.6, 0);
  p->Pie(100, 300, 300, 500, 300, 400, 200, 300);
  p->Fill();
  p->ArcByAngles(320, 300, 520, 500, 0, 270);
  p->Stroke();
  p->RestoreState();
  p->SaveState();
  p->Translate(400, 100);
  p->Rotate(30);
  p->RectanglePt(0, 0, 80, 40);
  p->EoFill();
  p->RestoreState();
  test::PutText(doc, "Shapes (page one)", 72, 780, 14);
  doc.NewPage();
  doc.CurrentPage->SetRGBFillColor(0.2, 0.2, 0.8);
  doc.CurrentPage->Rectangle(100, 100, 200, 200);
  doc.CurrentPage->Fill();
  test::PutText(doc, "Second page", 72, 780);
}

std::string WriteShapes(const test::TempDir& dir, const std::string& name, TCompressionType compression) {
  TPDFDocument doc;
  doc.SetFileName(dir.file(name));
  doc.SetCompression(compression);
  doc.DocumentInfo().Title = "Shapes test";
  doc.DocumentInfo().Author = "thconsole tests";
  doc.BeginDoc();
  DrawShapes(doc);
  doc.EndDoc();
  return dir.file(name);
}

TEST(Interop, QpdfAcceptsAndPdfinfoReports) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdfinfo");
  test::TempDir dir;
  for (auto compression : {TCompressionType::ctNone, TCompressionType::ctFlate}) {
    const std::string file = WriteShapes(dir, "shapes.pdf", compression);
    const auto check = RunTool("qpdf --check " + Quote(file));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    const auto info = RunTool("pdfinfo " + Quote(file));
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Pages: +2\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Page size: +595 x 842 pts \\(A4\\)"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("PDF version: +1.3"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Title: +Shapes test\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Author: +thconsole tests\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Creator: +PDFwrite program\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Producer: +PDFwrite 3.x\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("Keywords: +PDFwrite\n"))) << info.output;
    EXPECT_TRUE(std::regex_search(info.output, std::regex("CreationDate: +\\S"))) << info.output;
  }
}

TEST(Interop, CompressedAndUncompressedRenderAlike) {
  REQUIRE_TOOL("pdftoppm");
  test::TempDir dir;
  const std::string plain = WriteShapes(dir, "plain.pdf", TCompressionType::ctNone);
  const std::string packed = WriteShapes(dir, "packed.pdf", TCompressionType::ctFlate);
  EXPECT_LT(test::ReadFile(packed).size(), test::ReadFile(plain).size());
  for (int page = 1; page <= 2; ++page) {
    const std::string pg = std::to_string(page);
    ASSERT_EQ(RunTool("pdftoppm -r 50 -f " + pg + " -l " + pg + " -singlefile " + Quote(plain) + " " +
                  Quote(dir.file("a" + pg))).status, 0);
    ASSERT_EQ(RunTool("pdftoppm -r 50 -f " + pg + " -l " + pg + " -singlefile " + Quote(packed) + " " +
                  Quote(dir.file("b" + pg))).status, 0);
    const std::string a = test::ReadFile(dir.file("a" + pg + ".ppm"));
    const std::string b = test::ReadFile(dir.file("b" + pg + ".ppm"));
    ASSERT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == b) << "page " << page << " renders differently";
    // The page is not blank: the shapes left coloured pixels. Binary PPM: "P6 w h 255" then RGB.
    std::smatch header;
    ASSERT_TRUE(std::regex_search(a, header, std::regex("^P6\\s+(\\d+)\\s+(\\d+)\\s+255\\s")));
    const std::size_t pixels = std::stoul(header[1]) * std::stoul(header[2]);
    const std::size_t start = static_cast<std::size_t>(header.length(0));
    ASSERT_EQ(a.size(), start + 3 * pixels);
    std::size_t coloured = 0;
    for (std::size_t i = start; i + 2 < a.size(); i += 3)
      if (!(a[i] == a[i + 1] && a[i + 1] == a[i + 2])) ++coloured;
    EXPECT_GT(coloured, 500u) << "page " << page;
  }
}

struct Encrypted {
  std::string file;
  std::string key_hex;
};

Encrypted WriteEncrypted(const test::TempDir& dir, TPDFKeyLength length) {
  TPDFDocument doc;
  const std::string name = dir.file(length == TPDFKeyLength::kl128 ? "secret128.pdf" : "secret40.pdf");
  doc.SetFileName(name);
  doc.SetProtectionEnabled(true);
  doc.SetProtectionKeyLength(length);
  doc.SetProtectionOptions(coPrint);
  doc.SetUserPassword("user pw");
  doc.SetOwnerPassword("owner");
  doc.SetCompression(length == TPDFKeyLength::kl128 ? TCompressionType::ctFlate : TCompressionType::ctNone);
  doc.DocumentInfo().Title = "Secret (title)";
  doc.BeginDoc();
  test::PutText(doc, "Confidential report text", 72, 700);
  doc.CurrentPage->Rectangle(72, 72, 300, 100);
  doc.CurrentPage->Stroke();
  const std::size_t n = length == TPDFKeyLength::kl128 ? 16 : 5;
  Encrypted e{name, core::to_hex(doc.FileKey().data(), n)};
  doc.EndDoc();
  return e;
}

TEST(Interop, EncryptedFilesOpenOnlyWithThePassword) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdftotext");
  test::TempDir dir;
  for (auto length : {TPDFKeyLength::kl40, TPDFKeyLength::kl128}) {
    const Encrypted e = WriteEncrypted(dir, length);
    const bool is128 = length == TPDFKeyLength::kl128;
    const auto show = RunTool("qpdf --show-encryption --show-encryption-key --password='user pw' " + Quote(e.file));
    ASSERT_EQ(show.status, 0) << show.output;
    EXPECT_TRUE(std::regex_search(show.output, std::regex(is128 ? "R = 3" : "R = 2"))) << show.output;
    EXPECT_TRUE(std::regex_search(show.output, std::regex(is128 ? "P = -3900" : "P = -60"))) << show.output;
    EXPECT_NE(show.output.find("Encryption key = " + e.key_hex + "\n"), std::string::npos)
        << "expected key " << e.key_hex << "\n" << show.output;
    // The owner password opens it too.
    const auto owner = RunTool("qpdf --check --password=owner " + Quote(e.file));
    EXPECT_EQ(owner.status, 0) << owner.output;
    const auto check = RunTool("qpdf --check --password='user pw' " + Quote(e.file));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    // 0 means that a password is needed.
    EXPECT_EQ(RunTool("qpdf --requires-password " + Quote(e.file)).status, 0);
    const auto text = RunTool("pdftotext -upw 'user pw' " + Quote(e.file) + " -");
    EXPECT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("Confidential report text"), std::string::npos) << text.output;
    const auto refused = RunTool("pdftotext " + Quote(e.file) + " -");
    EXPECT_NE(refused.status, 0) << refused.output;
    EXPECT_EQ(refused.output.find("Confidential report text"), std::string::npos);
    const auto wrong = RunTool("pdftotext -upw nope " + Quote(e.file) + " -");
    EXPECT_NE(wrong.status, 0);
    if (test::HaveTool("pdfinfo")) {
      const auto info = RunTool("pdfinfo -upw 'user pw' " + Quote(e.file));
      EXPECT_TRUE(std::regex_search(info.output, std::regex("Title: +Secret \\(title\\)\n"))) << info.output;
      EXPECT_TRUE(std::regex_search(info.output, std::regex("Encrypted: +yes"))) << info.output;
    }
  }
}

TEST(Interop, ImagesRotationAndCatalogOptionsStayValid) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdfinfo");
  test::TempDir dir;
  const std::string file = dir.file("options.pdf");
  TPDFDocument doc;
  doc.SetFileName(file);
  doc.SetVersion(TPDFVersion::v15);
  doc.SetPageLayout(TPageLayout::plOneColumn);
  doc.SetPageMode(TPageMode::pmUseThumbs);
  doc.ViewerPreferences = vpHideToolBar | vpFitWindow;
  doc.SetProtectionEnabled(true);
  doc.SetProtectionKeyLength(TPDFKeyLength::kl128);
  doc.BeginDoc();
  const int gray = doc.AddImage(std::make_unique<test::PixelImage>(true));
  const int colour = doc.AddImage(std::make_unique<test::PixelImage>(false));
  doc.CurrentPage->SetSizePreset(1);
  doc.CurrentPage->SetOrientation(1);
  doc.CurrentPage->SetRotation(3);
  doc.CurrentPage->DrawImage(gray, 10, 10, 100, 100, 0);
  doc.CurrentPage->DrawImage(colour, 200, 10, 100, 50, 30);
  doc.NewPage();
  doc.CurrentPage->DrawImage(colour, 10, 10, 20, 20, 0);
  doc.EndDoc();
  const auto check = RunTool("qpdf --check " + Quote(file));
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
  const auto info = RunTool("pdfinfo -f 1 -l 2 " + Quote(file));
  EXPECT_TRUE(std::regex_search(info.output, std::regex("Page +1 size: +792 x 612 pts"))) << info.output;
  EXPECT_TRUE(std::regex_search(info.output, std::regex("Page +1 rot: +270"))) << info.output;
  EXPECT_TRUE(std::regex_search(info.output, std::regex("Page +2 size: +595 x 842 pts"))) << info.output;
  EXPECT_TRUE(std::regex_search(info.output, std::regex("PDF version: +1.5"))) << info.output;
  const auto json = RunTool("qpdf --json --json-key=pages " + Quote(file), false);
  ASSERT_EQ(json.status, 0) << json.output;
  // Two images on page one, the colour one again on page two: three image uses, two objects.
  const std::regex use("\"name\": \"/Im([01])\"");
  std::vector<std::string> names;
  for (auto it = std::sregex_iterator(json.output.begin(), json.output.end(), use); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "1"})) << json.output;
}

TEST(Interop, OnePassAndManyPagesStayValid) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdfinfo");
  test::TempDir dir;
  TPDFDocument doc;
  doc.SetFileName(dir.file("onepass.pdf"));
  doc.SetOnePass(true);
  doc.SetCompression(TCompressionType::ctFlate);
  doc.SetProtectionEnabled(true);
  doc.BeginDoc();
  for (int i = 0; i < 60; ++i) {
    test::PutText(doc, "Page " + std::to_string(i + 1), 72, 700);
    for (int row = 0; row < 40; ++row) {
      doc.CurrentPage->SaveState();
      doc.CurrentPage->NewPath();
      doc.CurrentPage->Rectangle(57, 88 + 15 * row, 537, 103 + 15 * row);
      doc.CurrentPage->ClosePath();
      doc.CurrentPage->Stroke();
    }
    if (i + 1 < 60) doc.NewPage();
  }
  doc.EndDoc();
  const auto check = RunTool("qpdf --check " + Quote(dir.file("onepass.pdf")));
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
  const auto info = RunTool("pdfinfo " + Quote(dir.file("onepass.pdf")));
  EXPECT_TRUE(std::regex_search(info.output, std::regex("Pages: +60\n"))) << info.output;
  const auto text = RunTool("pdftotext -f 60 -l 60 " + Quote(dir.file("onepass.pdf")) + " -");
  EXPECT_NE(text.output.find("Page 60"), std::string::npos) << text.output;
}

}  // namespace
}  // namespace pdf
