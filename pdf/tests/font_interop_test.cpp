// Chinese and Latin text in the installed fonts, read back by qpdf and poppler; the embedded font
// programs are pulled out of the file and loaded with FreeType.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include "core/testing/require_tool.h"
#include "core/unicode.h"
#include "pdf/fonts.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using test::Quote;
using test::RunTool;

struct Line {
  const char* face;
  unsigned style;
  double size;
  double y;
  std::u16string text;
};

// Written once for all tests of this file.
class FontInteropTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    file_ = dir_->file("fonts.pdf");
    TPDFDocument doc;
    doc.SetFileName(file_);
    doc.BeginDoc();
    TPDFPage& page = *doc.CurrentPage;
    for (const Line& l : Lines()) {
      page.SetActiveFont(l.face, l.style, l.size, 0);
      page.DrawTextW(72, l.y, 0, l.text);
      widths_.push_back(page.TextWidthPtW(l.text));
    }
    doc.EndDoc();
  }
  static void TearDownTestSuite() {
    // THC_KEEP_PDF=path keeps a copy of the file for a look with other readers.
    if (const char* keep = std::getenv("THC_KEEP_PDF")) std::filesystem::copy_file(file_, keep, std::filesystem::copy_options::overwrite_existing);
    delete dir_;
    dir_ = nullptr;
  }

  static const std::vector<Line>& Lines() {
    static const std::vector<Line> lines = {
        {"宋体", 0, 16, 72, u"温湿度历史记录"},
        {"宋体", 0, 12, 110, u"温度 -12.5℃ 湿度 45.6%RH 时间 2014-04-08 09:05:03"},
        {"Arial", 0, 12, 150, u"Temperature caf\u00E9 \u20AC 100"},
        {"Times New Roman", fsBold | fsItalic, 12, 190, u"Report \u201Cbold italic\u201D"},
    };
    return lines;
  }

  // The objects of one font program: its number and the fonts that point at it.
  static std::vector<int> ProgramObjects(const std::string& pdf) {
    std::vector<int> out;
    std::regex re("/FontFile2 ([0-9]+) 0 R");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), re); it != std::sregex_iterator(); ++it)
      out.push_back(std::stoi((*it)[1]));
    return out;
  }

  // The font program a font descriptor object points at.
  static int ProgramOfDescriptor(const std::string& pdf, int descriptor) {
    const std::size_t at = pdf.find("\n" + std::to_string(descriptor) + " 0 obj\r\n");
    if (at == std::string::npos) return -1;
    const std::size_t end = pdf.find("endobj", at);
    const std::size_t ff = pdf.find("/FontFile2 ", at);
    if (ff == std::string::npos || ff > end) return -1;
    return std::atoi(pdf.c_str() + ff + 11);
  }

  static std::string StreamOf(int object) {
    return RunTool("qpdf --show-object=" + std::to_string(object) + " --filtered-stream-data " + Quote(file_),
                   false)
        .output;
  }

  static test::TempDir* dir_;
  static std::string file_;
  static std::vector<double> widths_;
};

test::TempDir* FontInteropTest::dir_ = nullptr;
std::string FontInteropTest::file_;
std::vector<double> FontInteropTest::widths_;

class FreeTypeProgram {
public:
  explicit FreeTypeProgram(std::string bytes) : bytes_(std::move(bytes)) {
    FT_Init_FreeType(&lib_);
    error_ = FT_New_Memory_Face(lib_, reinterpret_cast<const FT_Byte*>(bytes_.data()),
                                static_cast<FT_Long>(bytes_.size()), 0, &face_);
  }
  ~FreeTypeProgram() {
    if (!error_) FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }
  int error() const { return error_; }
  FT_Face face() const { return face_; }
  // Advance in 1/1000 em of a glyph, as a real number.
  double Advance(FT_UInt glyph) const {
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0) return -1;
    return face_->glyph->metrics.horiAdvance * 1000.0 / face_->units_per_EM;
  }

private:
  std::string bytes_;
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
  int error_ = -1;
};

TEST_F(FontInteropTest, QpdfFindsNoErrors) {
  REQUIRE_TOOL("qpdf");
  const auto r = RunTool("qpdf --check " + Quote(file_));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("No syntax or stream encoding errors"), std::string::npos) << r.output;
}

TEST_F(FontInteropTest, FontsAreEmbeddedAndTheUnicodeOnesMapBack) {
  REQUIRE_TOOL("pdffonts");
  const auto r = RunTool("pdffonts " + Quote(file_));
  ASSERT_EQ(r.status, 0) << r.output;
  int cid = 0, truetype = 0;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("TrueType") == std::string::npos) continue;
    SCOPED_TRACE(line);
    std::istringstream cols(line.substr(line.find("TrueType") + 8));
    std::string encoding, emb, sub, uni;
    cols >> encoding >> emb >> sub >> uni;
    EXPECT_EQ(emb, "yes");
    if (line.find("CID TrueType") != std::string::npos) {
      ++cid;
      EXPECT_EQ(encoding, "Identity-H");
      EXPECT_EQ(uni, "yes");
    } else {
      ++truetype;
      EXPECT_EQ(encoding, "WinAnsi");
    }
  }
  EXPECT_EQ(cid, 1) << r.output;       // the Song face for Chinese text
  EXPECT_EQ(truetype, 3) << r.output;  // Song, sans and serif faces for WinAnsi text
  EXPECT_NE(r.output.find("AR PL SungtiL GB"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Liberation Serif Bold Italic"), std::string::npos) << r.output;
}

TEST_F(FontInteropTest, TextExtractsExactly) {
  REQUIRE_TOOL("pdftotext");
  const auto r = RunTool("pdftotext -enc UTF-8 " + Quote(file_) + " -", false);
  ASSERT_EQ(r.status, 0);
  for (const Line& l : Lines()) {
    const std::string want = core::utf16_to_utf8(l.text);
    EXPECT_NE(r.output.find(want + "\n"), std::string::npos) << want << "\n--- got:\n" << r.output;
  }
}

TEST_F(FontInteropTest, EmbeddedProgramsLoadAndAgreeWithTheWidths) {
  REQUIRE_TOOL("qpdf");
  const std::string pdf = test::ReadFile(file_);
  const std::vector<int> programs = ProgramObjects(pdf);
  ASSERT_EQ(programs.size(), 4u);
  // Font dictionaries name their descriptor; descriptors name their program.
  std::map<int, std::unique_ptr<FreeTypeProgram>> loaded;
  for (int obj : programs) {
    SCOPED_TRACE(obj);
    auto ft = std::make_unique<FreeTypeProgram>(StreamOf(obj));
    ASSERT_EQ(ft->error(), 0);
    FT_Face face = ft->face();
    EXPECT_GT(face->num_glyphs, 3);
    // Every glyph loads, outlines and hinting programs included.
    FT_Set_Char_Size(face, 0, 16 * 64, 96, 96);
    for (FT_Long g = 0; g < std::min<FT_Long>(face->num_glyphs, 2000); ++g)
      ASSERT_EQ(FT_Load_Glyph(face, static_cast<FT_UInt>(g), FT_LOAD_DEFAULT), 0) << "glyph " << g;
    loaded[obj] = std::move(ft);
  }

  // Type0: each /W entry is the embedded hmtx advance (truncated to whole thousandths).
  std::smatch m;
  const std::regex w_re("/W(\\[.*\\])\r\n/FontDescriptor ([0-9]+) 0 R");
  ASSERT_TRUE(std::regex_search(pdf, m, w_re));
  const std::string w = m[1];
  const int cid_descriptor = std::stoi(m[2]);
  const FreeTypeProgram& cid = *loaded.at(ProgramOfDescriptor(pdf, cid_descriptor));
  const std::regex entry("([0-9]+)\\[([0-9]+)\\]");
  int entries = 0;
  for (auto it = std::sregex_iterator(w.begin(), w.end(), entry); it != std::sregex_iterator(); ++it, ++entries) {
    const FT_UInt g = static_cast<FT_UInt>(std::stoi((*it)[1]));
    EXPECT_EQ(std::stoi((*it)[2]), static_cast<int>(cid.Advance(g))) << "glyph " << g;
  }
  EXPECT_GE(entries, 9);

  // Simple fonts: /Widths by code against the renumbered subset, reached through its own cmap.
  const std::regex simple_re(
      "/BaseFont /([^\r]*)\r\n/FirstChar ([0-9]+)\r\n/LastChar ([0-9]+)\r\n/Encoding /WinAnsiEncoding\r\n"
      "/FontDescriptor ([0-9]+) 0 R\r\n/Widths \\[([^\\]]*)\\]");
  int simple = 0;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), simple_re); it != std::sregex_iterator(); ++it, ++simple) {
    SCOPED_TRACE((*it)[1].str());
    const int first = std::stoi((*it)[2]);
    const FreeTypeProgram& sub = *loaded.at(ProgramOfDescriptor(pdf, std::stoi((*it)[4])));
    std::istringstream ws((*it)[5].str());
    int width, code = first, checked = 0;
    while (ws >> width) {
      // The space shows the empty glyph 2, whose width the font dictionary alone gives.
      if (width != 0 && code != 32) {
        const FT_UInt g = FT_Get_Char_Index(sub.face(), WinAnsiToUnicode(static_cast<std::uint8_t>(code)));
        EXPECT_GE(g, 3u) << "code " << code;
        EXPECT_EQ(width, std::lround(sub.Advance(g))) << "code " << code;
        ++checked;
      }
      ++code;
    }
    EXPECT_GT(checked, 3);
  }
  EXPECT_EQ(simple, 3);
}

TEST_F(FontInteropTest, PlacementWidthsAgreeWithTheEmbeddedFonts) {
  REQUIRE_TOOL("qpdf");
  const std::string pdf = test::ReadFile(file_);
  // Measure each line again with FreeType over the programs in the file: the Song face's Type0
  // program (complete cmap) for Chinese, the subsets for WinAnsi characters.
  std::vector<std::unique_ptr<FreeTypeProgram>> programs;
  for (int obj : ProgramObjects(pdf)) programs.push_back(std::make_unique<FreeTypeProgram>(StreamOf(obj)));
  auto family = [](const FreeTypeProgram& p) { return std::string(p.face()->family_name ? p.face()->family_name : ""); };
  const FreeTypeProgram* song_cid = nullptr;
  for (const auto& p : programs)
    if (family(*p) != "Arial") song_cid = p.get();  // subsets all call themselves Arial
  ASSERT_NE(song_cid, nullptr);
  // Programs are written in registry order: Song 8-bit subset, Song Type0, sans subset, serif subset.
  ASSERT_EQ(programs.size(), 4u);
  const FreeTypeProgram* subset_for[4] = {programs[0].get(), programs[0].get(), programs[2].get(), programs[3].get()};
  for (std::size_t i = 0; i < Lines().size(); ++i) {
    const Line& l = Lines()[i];
    SCOPED_TRACE(core::utf16_to_utf8(l.text));
    double em = 0;
    for (char16_t c : l.text) {
      if (IsWinAnsiChar(c) && c != u' ') {
        em += std::lround(subset_for[i]->Advance(FT_Get_Char_Index(subset_for[i]->face(), c)));
      } else if (c == u' ') {
        continue;  // from the font dictionary; compared below through the other characters
      } else {
        em += std::trunc(song_cid->Advance(FT_Get_Char_Index(song_cid->face(), c)));
      }
    }
    // What the page measured, minus its blanks.
    TPDFDocument doc;
    double blanks = 0;
    {
      std::string o;
      doc.SetOutputStream(&o);
      doc.BeginDoc();
      TPDFPage& page = *doc.CurrentPage;
      page.SetActiveFont(l.face, l.style, l.size, 0);
      for (char16_t c : l.text)
        if (c == u' ') blanks += page.TextWidthPtW(u" ");
      doc.Abort();
    }
    EXPECT_NEAR(widths_[i] - blanks, em * l.size / 1000, 1e-9);
  }
}

// Font programs and ToUnicode maps are streams like any other: encrypted with their own numbers.
TEST(FontInteropEncryptedTest, ChineseTextReadsBackWithThePassword) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdftotext");
  test::TempDir dir;
  for (auto length : {TPDFKeyLength::kl40, TPDFKeyLength::kl128}) {
    const std::string file = dir.file("secret.pdf");
    TPDFDocument doc;
    doc.SetFileName(file);
    doc.SetProtectionEnabled(true);
    doc.SetProtectionKeyLength(length);
    doc.SetUserPassword("pw");
    doc.SetCompression(TCompressionType::ctFlate);
    doc.BeginDoc();
    doc.CurrentPage->SetActiveFont("宋体", 0, 14, 134);
    doc.CurrentPage->DrawTextW(72, 72, 0, u"温湿度 2014-04-08");
    doc.EndDoc();
    const auto check = RunTool("qpdf --check --password=pw " + Quote(file));
    EXPECT_EQ(check.status, 0) << check.output;
    const auto text = RunTool("pdftotext -enc UTF-8 -upw pw " + Quote(file) + " -", false);
    EXPECT_NE(text.output.find("温湿度 2014-04-08\n"), std::string::npos) << text.output;
  }
}

}  // namespace
}  // namespace pdf
