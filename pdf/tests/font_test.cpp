// TrueType reading and font programs over small hand-made fonts, the font registry and page text.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

#include "core/byte_io.h"
#include "pdf/document.h"
#include "pdf/fonts.h"
#include "pdf/page.h"
#include "pdf/tests/ttf_builder.h"
#include "pdf/ttf_data.h"
#include "pdf/ttf_subset.h"

namespace pdf {
namespace {

using testing::BuildTestFont;
using testing::TestFonts;
using testing::TestFontDesign;
using testing::TestGlyph;

// Glyphs: 0 .notdef, 1 empty, 2 'A', 3 'B', 4 composite of 2 and 3, 5 composite of 4 (nested).
TestFontDesign LatinDesign() {
  TestFontDesign s;
  s.glyphs = {{600, {}}, {250, {}}, {667, {}}, {611, {}}, {700, {2, 3}}, {720, {4}}, {1000, {}}};
  s.cmap = {{0x20, 1}, {0x22, 6}, {0x41, 2}, {0x42, 3}, {0xC5, 4}, {0xC6, 5}, {0x4E2D, 6}};
  return s;
}

// LatinDesign with a format 12 map as well, which adds 7 for U+2000B (Extension B) and 8 for U+1F600.
TestFontDesign WideDesign() {
  TestFontDesign s = LatinDesign();
  s.glyphs.push_back({900, {}});
  s.glyphs.push_back({800, {}});
  for (const auto& [code, glyph] : s.cmap) s.cmap12[code] = glyph;
  s.cmap12[0x2000B] = 7;
  s.cmap12[0x1F600] = 8;
  return s;
}

struct Table {
  std::uint32_t offset = 0, length = 0, checksum = 0;
};

std::map<std::string, Table> Directory(const std::string& font) {
  std::map<std::string, Table> out;
  const auto* b = reinterpret_cast<const std::uint8_t*>(font.data());
  const int n = core::load_be16(b + 4);
  for (int i = 0; i < n; ++i) {
    const auto* r = b + 12 + 16 * i;
    out[std::string(reinterpret_cast<const char*>(r), 4)] = {core::load_be32(r + 8), core::load_be32(r + 12),
                                                             core::load_be32(r + 4)};
  }
  return out;
}

std::string TableOf(const std::string& font, const std::string& tag) {
  const Table t = Directory(font).at(tag);
  return font.substr(t.offset, t.length);
}

std::uint16_t U16(const std::string& s, std::size_t at) {
  return core::load_be16(reinterpret_cast<const std::uint8_t*>(s.data()) + at);
}

// Offsets of each glyph in a program's loca.
std::vector<std::uint32_t> Loca(const std::string& font, bool long_format) {
  const std::string loca = TableOf(font, "loca");
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < loca.size(); i += long_format ? 4 : 2)
    out.push_back(long_format ? core::load_be32(reinterpret_cast<const std::uint8_t*>(loca.data()) + i)
                              : U16(loca, i) * 2u);
  return out;
}

bool GlyphKept(const std::vector<std::uint32_t>& loca, int g) { return loca[g + 1] > loca[g]; }

TEST(TrueTypeDataTest, CharMapWidthsAndUnmappedCodes) {
  TestFontDesign design = LatinDesign();
  design.units_per_em = 2048;
  design.glyphs[2].advance = 1366;
  TestFonts fonts(design);
  TTTFData data(fonts.provider(), "Test Sans", true, 0);
  EXPECT_EQ(data.CharMap.size(), 7u);
  EXPECT_EQ(data.GlyphOf(0x41), 2);
  // 1366 units of 2048 are 666.99 thousandths: truncated, and not inflated by an integer division.
  EXPECT_EQ(data.WidthOf(0x41), 666);
  // A code the face does not map shows .notdef and is listed under glyph 0.
  EXPECT_EQ(data.GlyphOf(0x263A), 0);
  EXPECT_EQ(data.WidthOf(0x263A), data.NotdefWidth());
  EXPECT_EQ(data.WidthsArray(), "[0[292]2[666]]");
  const std::string cmap = data.WriteToUnicode("TT1");
  EXPECT_NE(cmap.find("<0002> <0041>"), std::string::npos);
  EXPECT_EQ(cmap.find("<0000> <263A>"), std::string::npos);
}

TEST(TrueTypeDataTest, ToUnicodeBlocks) {
  struct Case {
    int used;
    std::vector<std::string> blocks;
  };
  const Case cases[] = {{0, {"0 beginbfchar"}}, {100, {"100 beginbfchar"}}, {101, {"100 beginbfchar", "1 beginbfchar"}}};
  TestFontDesign design;
  design.glyphs = std::vector<TestGlyph>(210);
  for (std::uint16_t c = 0; c < 200; ++c) design.cmap[static_cast<std::uint16_t>(0x4E00 + c)] = static_cast<std::uint16_t>(c + 3);
  TestFonts fonts(design);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.used);
    TTTFData data(fonts.provider(), "Test Sans", true, 0);
    for (int i = 0; i < c.used; ++i) data.GlyphOf(static_cast<std::uint16_t>(0x4E00 + i));
    const std::string cmap = data.WriteToUnicode("TT7");
    std::vector<std::string> blocks;
    std::regex block("[0-9]+ beginbfchar");
    for (auto it = std::sregex_iterator(cmap.begin(), cmap.end(), block); it != std::sregex_iterator(); ++it)
      blocks.push_back(it->str());
    EXPECT_EQ(blocks, c.blocks);
    EXPECT_NE(cmap.find("1 begincodespacerange <0000> <FFFF> endcodespacerange\r"), std::string::npos);
    EXPECT_NE(cmap.find("/CMapName /TT7+0 def\r"), std::string::npos);
    EXPECT_EQ(std::count(cmap.begin(), cmap.end(), '<') - 4, 2 * c.used);  // 4: the dictionary and the code space
    EXPECT_TRUE(cmap.ends_with("defineresource pop end end"));
  }
}

TEST(TrueTypeDataTest, FontProgramKeepsUsedGlyphsAndComponents) {
  struct Case {
    const char* what;
    bool long_loca;
    bool hinting;
    std::vector<std::uint16_t> shown;
    std::vector<int> kept;     // glyphs with outlines besides .notdef
    std::size_t tables;
  };
  const Case cases[] = {
      {"nested composite, short loca", false, true, {0xC6, 0x41}, {2, 3, 4, 5}, 10},
      {"plain glyphs, long loca", true, true, {0x41, 0x42}, {2, 3}, 10},
      {"no hinting tables", false, false, {0x41, 0x42}, {2, 3}, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestFontDesign design = LatinDesign();
    design.long_loca = c.long_loca;
    design.hinting = c.hinting;
    TestFonts fonts(design);
    TTTFData data(fonts.provider(), "Test Sans", true, 0);
    for (std::uint16_t code : c.shown) data.GlyphOf(code);
    const std::string program = data.WriteFontFile();
    const auto dir = Directory(program);
    EXPECT_EQ(dir.size(), c.tables);
    EXPECT_EQ(U16(program, 4), c.tables);
    for (const auto& [tag, t] : dir) {
      SCOPED_TRACE(tag);
      EXPECT_EQ(t.offset % 4, 0u);
      EXPECT_EQ(t.checksum, TableChecksum(program.substr(t.offset, t.length)));
    }
    const auto loca = Loca(program, c.long_loca);
    ASSERT_EQ(loca.size(), design.glyphs.size() + 1);
    EXPECT_TRUE(GlyphKept(loca, 0));
    for (int g = 1; g < static_cast<int>(design.glyphs.size()); ++g) {
      const bool want = std::find(c.kept.begin(), c.kept.end(), g) != c.kept.end();
      EXPECT_EQ(GlyphKept(loca, g), want) << "glyph " << g;
    }
    EXPECT_EQ(TableOf(program, "hmtx"), TableOf(BuildTestFont(design), "hmtx"));
  }
}

TEST(TrueTypeDataTest, BrokenGlyphDataNeverHangsOrReadsPastTheEnd) {
  // A composite that refers to itself and one in a cycle of two end; a component walk that runs
  // past its glyph is refused.
  TestFontDesign cyclic = LatinDesign();
  cyclic.glyphs[4].components = {4, 5};
  cyclic.glyphs[5].components = {4};
  {
    TestFonts fonts(cyclic);
    TTTFData data(fonts.provider(), "Test Sans", true, 0);
    data.GlyphOf(0xC5);
    const auto loca = Loca(data.WriteFontFile(), false);
    EXPECT_TRUE(GlyphKept(loca, 4));
    EXPECT_TRUE(GlyphKept(loca, 5));
  }
  std::string bytes = BuildTestFont(LatinDesign());
  // Cut glyph 4 (composite) short by making its first component say "more components".
  const Table glyf = Directory(bytes).at("glyf");
  const std::vector<std::uint32_t> loca = [&] {
    std::vector<std::uint32_t> l;
    const Table t = Directory(bytes).at("loca");
    for (std::uint32_t i = 0; i < t.length; i += 2) l.push_back(U16(bytes, t.offset + i) * 2u);
    return l;
  }();
  const std::size_t flags = glyf.offset + loca[5] - 10;  // the last component's flags
  bytes[flags + 1] = static_cast<char>(bytes[flags + 1] | 0x20);
  TestFontDesign design = LatinDesign();
  TestFonts fonts({{design, bytes}});
  TTTFData data(fonts.provider(), "Test Sans", true, 0);
  data.GlyphOf(0xC6);
  try {
    data.WriteFontFile();
    ADD_FAILURE() << "a component past the glyph's end was accepted";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Incorrect or unknown font format");
  }
}

TEST(TrueTypeDataTest, MissingTablesAndBadCmap) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  std::string no_cmap = BuildTestFont(LatinDesign());
  no_cmap.replace(12 + 16 * 1, 4, "xmap");  // records sorted: "OS/2", then "cmap"
  std::string bad_offset = BuildTestFont(LatinDesign());
  {
    const Table cmap = Directory(bad_offset).at("cmap");
    bad_offset[cmap.offset + 8] = '\x7F';  // subtable offset far past the table
  }
  const Case cases[] = {
      {"no cmap table", no_cmap, "Cannot recieve data from font"},
      {"subtable past the table", bad_offset, "Incorrect or unknown font format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestFonts fonts({{LatinDesign(), c.bytes}});
    try {
      TTTFData data(fonts.provider(), "Test Sans", true, 0);
      ADD_FAILURE() << "accepted";
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

// The fuzz target's seeds are these fonts; THC_WRITE_SEEDS=1 writes them again.
TEST(TrueTypeDataTest, FuzzSeedsAreCurrent) {
  std::map<std::string, TestFontDesign> seeds;
  seeds["latin_short_loca.ttf"] = LatinDesign();
  TestFontDesign long_loca = LatinDesign();
  long_loca.long_loca = true;
  long_loca.hinting = false;
  long_loca.number_of_hmetrics = 3;
  seeds["latin_long_loca.ttf"] = long_loca;
  TestFontDesign cyclic = LatinDesign();
  cyclic.glyphs[4].components = {4, 5};
  cyclic.glyphs[5].components = {4};
  seeds["composite_cycle.ttf"] = cyclic;
  seeds["wide_format12.ttf"] = WideDesign();
  // ctest runs the tests in the pdf folder (__FILE__ may be relative to another folder under ccache).
  const std::filesystem::path dir = std::filesystem::path("tests") / "corpus" / "truetype";
  for (const auto& [name, design] : seeds) {
    SCOPED_TRACE(name);
    const std::string bytes = BuildTestFont(design);
    if (std::getenv("THC_WRITE_SEEDS")) {
      std::ofstream(dir / name, std::ios::binary) << bytes;
      continue;
    }
    std::ifstream in(dir / name, std::ios::binary);
    const std::string have((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(have == bytes) << "seed out of date: run with THC_WRITE_SEEDS=1";
  }
}

TEST(TrueTypeDataTest, TableChecksumPadsTheLastWord) {
  const std::uint8_t bytes[] = {0, 0, 0, 1, 0x80, 0, 0, 0, 1};
  EXPECT_EQ(TableChecksum(bytes, 0), 0u);
  EXPECT_EQ(TableChecksum(bytes, 4), 1u);
  EXPECT_EQ(TableChecksum(bytes, 9), 1u + 0x80000000u + 0x01000000u);
}

TEST(SubsetTest, RenumberedProgram) {
  struct Case {
    const char* what;
    bool hinting;
    std::vector<std::uint16_t> codes;
    std::map<int, int> format0;  // code -> new glyph
    std::size_t tables;
  };
  const Case cases[] = {
      {"one code keeps the quote too", true, {0x41}, {{0x20, 2}, {0x22, 4}, {0x41, 3}}, 12},
      {"composite keeps its parts", true, {0x41, 0xC5}, {{0x41, 3}, {0x42, 4}, {0xC5, 5}}, 12},
      {"no hinting tables", false, {0x41, 0x42}, {{0x41, 3}, {0x42, 4}}, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestFontDesign design = LatinDesign();
    design.hinting = c.hinting;
    TestFonts fonts(design);
    const std::string program = TAnsiFontSubset::BuildSubset(fonts.provider(), "Test Sans", 0, c.codes);
    const auto dir = Directory(program);
    ASSERT_EQ(dir.size(), c.tables);
    EXPECT_EQ(U16(program, 4), c.tables);
    EXPECT_EQ(U16(program, 10), c.tables * 16 - U16(program, 6));
    EXPECT_EQ(dir.at("cmap").offset, 12 + 16 * c.tables);
    for (const auto& [tag, t] : dir) EXPECT_EQ(t.checksum, TableChecksum(program.substr(t.offset, t.length))) << tag;
    const std::string cmap = TableOf(program, "cmap");
    for (const auto& [code, glyph] : c.format0) EXPECT_EQ(static_cast<std::uint8_t>(cmap[26 + code]), glyph) << code;
    EXPECT_EQ(TableOf(program, "name").size(), 260u);
    EXPECT_EQ(TableOf(program, "post").size(), 52u);
    // Glyphs 0..2 are empty; the kept glyphs follow.
    EXPECT_EQ(U16(TableOf(program, "maxp"), 4), c.format0.size() - c.format0.count(0x20) + 3);
    // The format 4 subtable maps the same codes to the same glyphs.
    const std::string f4 = cmap.substr(282);
    const int seg = U16(f4, 6) / 2;
    for (const auto& [code, glyph] : c.format0) {
      int found = 0;
      for (int i = 0; i < seg; ++i)
        if (code >= U16(f4, 16 + 2 * seg + 2 * i) && code <= U16(f4, 14 + 2 * i))
          found = static_cast<std::uint16_t>(code + U16(f4, 16 + 4 * seg + 2 * i));
      EXPECT_EQ(found, glyph) << code;
    }
  }
}

TEST(SubsetTest, MarlettIsEmbeddedWhole) {
  TestFontDesign design = LatinDesign();
  design.family = "Marlett";
  const std::string bytes = BuildTestFont(design);
  TestFonts fonts({{design, bytes}});
  EXPECT_EQ(TAnsiFontSubset::BuildSubset(fonts.provider(), "marlett", 0, {0x41}), bytes);
  EXPECT_EQ(TAnsiFontSubset::BuildSubset(fonts.provider(), "marlett", 0, {}), "");
}

TEST(SubsetTest, CompositeReferencesFollowTheNewNumbers) {
  TestFonts fonts(LatinDesign());
  // With the no-break space among the codes the references must still name the new glyphs.
  const std::string program =
      TAnsiFontSubset::BuildSubset(fonts.provider(), "Test Sans", 0, {0x41, 0x42, 0xA0, 0xC5});
  const std::string glyf = TableOf(program, "glyf");
  const std::string loca = TableOf(program, "loca");
  // New glyphs: 3 'A', 4 'B', 5 the composite of both.
  const std::size_t composite = U16(loca, 2 * 5) * 2u;
  EXPECT_EQ(static_cast<std::int16_t>(U16(glyf, composite)), -1);
  EXPECT_EQ(U16(glyf, composite + 12), 3);
  EXPECT_EQ(U16(glyf, composite + 12 + 8), 4);
}

// ---------------------------------------------------------------- registry and page text
class PdfTextTest : public ::testing::Test {
protected:
  PdfTextTest()
      : fonts_({{LatinDesign(), BuildTestFont(LatinDesign())}, {Named("Other Face"), BuildTestFont(Named("Other Face"))}}) {
    doc_.SetFontProvider(&fonts_.provider());
    doc_.SetOutputStream(&out_);
    doc_.BeginDoc();
  }
  ~PdfTextTest() override {
    if (doc_.Generating()) doc_.Abort();
  }
  static TestFontDesign Named(const char* family) {
    TestFontDesign s = LatinDesign();
    s.family = family;
    return s;
  }
  TPDFPage& Page() { return *doc_.CurrentPage; }

  std::string out_;
  TestFonts fonts_;
  TPDFDocument doc_;
};

TEST_F(PdfTextTest, RegistryKindsAndFallbacks) {
  struct Case {
    const char* name;
    unsigned style;
    bool unicode;
    const char* resource;
  };
  const Case cases[] = {
      {"Helvetica", 0, false, "F0"},  {"helvetica", 3, false, "F3"}, {"Times", 1, false, "F5"},
      {"Courier", 2, false, "F10"},   {"Symbol", 1, false, "F12"},   {"ZapfDingbats", 0, false, "F13"},
      {"Test Sans", 0, false, "TT1"}, {"Test Sans", 0, true, "TT2"}, {"TEST SANS", 4, false, "TT1"},
      {"Missing Face", 0, false, "F0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetFont(doc_, c.name, c.style, c.unicode)->ResourceName, c.resource);
  }
  EXPECT_EQ(GetFont(doc_, "Symbol", 1, false), GetFont(doc_, "Symbol", 0, false));
  // Arial is the last resort of Unicode requests; these test fonts have none, so a face that covers
  // the system character set stands in (the test faces declare code page 1252 only, so any face).
  TPDFTextFont* fallback = GetFont(doc_, "Missing Face", 0, true);
  EXPECT_TRUE(fallback->Unicode);
  EXPECT_FALSE(fallback->Standard);
}

TEST_F(PdfTextTest, EmulationAndNonEmbeddedFaces) {
  doc_.Abort();
  doc_.SetEmulateStandardFont(true);
  doc_.SetNonEmbeddedFont({"other face"});
  doc_.BeginDoc();
  // "Arial" emulated is Helvetica for 8-bit text; the alias makes no difference to the rule.
  EXPECT_EQ(GetFont(doc_, "Arial", 1, false)->ResourceName, "F1");
  EXPECT_EQ(GetFont(doc_, "Courier New", 0, false)->ResourceName, "F8");
  EXPECT_FALSE(GetFont(doc_, "Other Face", 0, false)->Embedded);
  EXPECT_TRUE(GetFont(doc_, "Test Sans", 0, false)->Embedded);
}

TEST_F(PdfTextTest, MixedTextSwitchesFontsPerRun) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", 0, 10, 0);
  page.TextAtPtW(10, 20, 0, u"AB\u4E2D\u4E2DA");
  const std::string& c = page.Content();
  const std::size_t tt1 = c.find("/TT1 1 Tf\r\n(AB) Tj\r\n/TT2 1 Tf\r\n<00060006> Tj\r\n/TT1 1 Tf\r\n(A) Tj\r\n");
  EXPECT_NE(tt1, std::string::npos) << c;
  EXPECT_NE(c.find("10 0 0 10 10 20 Tm\r\n"), std::string::npos) << c;
  // Same face, size and style: no new selection.
  page.SetActiveFont("Test Sans", 0, 10, 0);
  const std::size_t before = c.size();
  page.TextAtPt(10, 40, 0, "B");
  EXPECT_EQ(c.find("Tf", before), std::string::npos);
  page.SetActiveFont("Test Sans", 0, 12, 0);
  page.TextAtPt(10, 60, 0, "B");
  EXPECT_NE(c.find("/TT1 1 Tf", before), std::string::npos);
}

TEST_F(PdfTextTest, MeasuringCountsSpacing) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", 0, 10, 0);
  // A = 667, B = 611, space 250, each /1000 * 10.
  EXPECT_DOUBLE_EQ(page.TextWidthPt("AB"), 12.78);
  EXPECT_DOUBLE_EQ(page.TextWidthPtW(u"A\u4E2D"), 6.67 + 10);
  page.SetWordSpacing(1);
  page.SetCharSpacingPt(0.5);
  // Four characters count for the character spacing, one blank for the word spacing: a trailing
  // blank adds its width but no word spacing.
  EXPECT_DOUBLE_EQ(page.TextWidthPt("A B "), (667 + 250 + 611 + 250) / 100.0 + 1 * 1 + 0.5 * 4);
  page.SetCharacterSpacing(0.5);
  EXPECT_EQ(page.Content().find("0.5 Tc", page.Content().find("0.5 Tc") + 1), std::string::npos);
}

TEST_F(PdfTextTest, AdvancesUnderlineAndCharacterSpacing) {
  TPDFPage& page = Page();
  page.SetActiveFont("Helvetica", fsUnderline, 20, 0);
  page.TextAdvancesAtPt(0, 100, 0, "ab", {0.5, 0.5});
  const std::string& c = page.Content();
  EXPECT_NE(c.find("(a) Tj 0.5 0 Td\r\n(b) Tj 0.5 0 Td\r\n"), std::string::npos) << c;
  EXPECT_NE(c.find("0 99 20 -1 re\r\nf\r\n"), std::string::npos) << c;

  // UTF-16 runs: widths within 0.1 em of the advance stay in one run; Tc spreads the difference.
  page.SetActiveFont("Test Sans", 0, 10, 0);
  const std::size_t from = c.size();
  page.TextAdvancesAtPtW(0, 200, 0, u"AB\u4E2D", {0.7, 0.65, 1.0});
  const std::string part = c.substr(from);
  EXPECT_NE(part.find("0.036 Tc\r\n(AB) Tj\r\n1.35 0 Td\r\n"), std::string::npos) << part;
  EXPECT_NE(part.find("<0006> Tj"), std::string::npos) << part;
}

TEST_F(PdfTextTest, LinksFromAddressesInText) {
  struct Link {
    int l, t, r, b;
    std::string url;
  };
  std::vector<Link> links;
  doc_.OnURLLink = [&](TPDFPage&, int l, int t, int r, int b, const std::string& url) {
    links.push_back({l, t, r, b, url});
  };
  TPDFPage& page = Page();
  page.SetActiveFont("Helvetica", 0, 10, 0);
  page.DrawText(100, 50, 0, "see http://Example.org now");
  page.DrawText(100, 80, 0, "xhttp://no.link");
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].url, "http://Example.org");
  const double w1 = page.TextWidth("see ");
  EXPECT_EQ(links[0].l, static_cast<int>(100 + w1));
  EXPECT_EQ(links[0].r, static_cast<int>(100 + w1 + page.TextWidth("http://Example.org")));
  EXPECT_EQ(links[0].t, 50);
  EXPECT_EQ(links[0].b, static_cast<int>(50 + 7.28));
}

TEST_F(PdfTextTest, CodePageTextAndItsErrors) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", 0, 10, 134);
  page.TextAtPt(0, 0, 0, "A\xD6\xD0");  // "A中" in code page 936
  EXPECT_NE(page.Content().find("(A) Tj\r\n/TT2 1 Tf\r\n<0006> Tj"), std::string::npos) << page.Content();
  // Text that converts to nothing cannot be shown.
  EXPECT_THROW(page.TextAtPt(0, 0, 0, ""), TPDFException);
}

TEST_F(PdfTextTest, FontObjectsWritten) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", 0, 10, 0);
  page.TextAtPtW(10, 20, 0, u"A\u4E2D");
  page.SetActiveFont("Other Face", 0, 10, 0);
  page.SelectFont(false);  // referenced, never given text
  doc_.EndDoc();
  // Embedded programs are subsets, their names tagged; the font that never showed text has none.
  EXPECT_TRUE(std::regex_search(out_, std::regex("/BaseFont /[A-Z]{6}\\+Test#20Sans\r\n/FirstChar 65\r\n/LastChar 65\r\n")))
      << out_;
  EXPECT_NE(out_.find("/Widths [667 ]"), std::string::npos);
  // A program of one glyph carries the glyphs of two more entries, the first of them as the quote.
  EXPECT_NE(out_.find("/W[6[1000]2[667]6[1000]]"), std::string::npos);
  EXPECT_NE(out_.find("/FirstChar 255\r\n/LastChar 0\r\n"), std::string::npos);
  EXPECT_NE(out_.find("/Widths []"), std::string::npos);
  EXPECT_NE(out_.find("/Subtype /CIDFontType2"), std::string::npos);
  EXPECT_NE(out_.find("/Encoding /Identity-H"), std::string::npos);
}

// The data of stream object N, inflated.
std::string StreamData(const std::string& pdf, int n) {
  const auto at = pdf.find("\n" + std::to_string(n) + " 0 obj\r\n");
  if (at == std::string::npos) return "<missing>";
  const auto len = pdf.find("/Length ", at);
  const std::size_t length = std::stoul(pdf.substr(len + 8));
  const auto data = pdf.find("stream\r\n", at) + 8;
  std::string out(1 << 16, '\0');
  uLongf size = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(pdf.data() + data),
                 static_cast<uLong>(length)) != Z_OK)
    return "<not deflated>";
  out.resize(size);
  return out;
}

TEST_F(PdfTextTest, SubsetNamesAndTheSimpleFontsUnicodeMap) {
  auto write = [&](TPDFDocument& doc, std::string& out) {
    if (!doc.Generating()) {  // the fixture's document is under way already
      doc.SetFontProvider(&fonts_.provider());
      doc.SetOutputStream(&out);
      doc.BeginDoc();
    }
    TPDFPage& page = *doc.CurrentPage;
    page.SetActiveFont("Test Sans", 0, 10, 0);
    page.TextAtPtW(10, 20, 0, u"AB\u4E2D");
    page.SetActiveFont("Other Face", 0, 10, 0);
    page.TextAtPtW(10, 40, 0, u"BA");
    doc.EndDoc();
  };
  write(doc_, out_);
  std::string again_out;
  TPDFDocument again;
  write(again, again_out);

  // Every embedded program is a subset with a tag of six capitals; the descriptor carries the same name.
  const std::regex base("/BaseFont /([A-Z]{6})\\+([^\r]*)\r\n");
  std::vector<std::string> tags, names;
  for (auto it = std::sregex_iterator(out_.begin(), out_.end(), base); it != std::sregex_iterator(); ++it) {
    tags.push_back((*it)[1]);
    names.push_back((*it)[2]);
    EXPECT_NE(out_.find("/FontName /" + (*it)[1].str() + "+" + (*it)[2].str() + "\r\n"), std::string::npos);
  }
  // Simple Test Sans, its Type0 font and CID font (one name), simple Other Face.
  EXPECT_EQ(names, (std::vector<std::string>{"Test#20Sans", "Test#20Sans", "Test#20Sans", "Other#20Face"}));
  ASSERT_EQ(tags.size(), 4u);
  EXPECT_EQ(tags[1], tags[2]);
  EXPECT_NE(tags[0], tags[1]);
  EXPECT_NE(tags[0], tags[3]);
  // The same fonts with the same text are named alike in another file.
  std::vector<std::string> again_tags;
  for (auto it = std::sregex_iterator(again_out.begin(), again_out.end(), base); it != std::sregex_iterator(); ++it)
    again_tags.push_back((*it)[1]);
  EXPECT_EQ(again_tags, tags);

  // Each simple font maps its used codes back to Unicode.
  const std::regex simple("/Subtype /TrueType\r\n/BaseFont /[^\r]*\r\n/FirstChar ([0-9]+)\r\n/LastChar ([0-9]+)\r\n"
                          "[^]*?/Widths \\[[^\\]]*\\]\r\n/ToUnicode ([0-9]+) 0 R\r\n>>");
  int simple_fonts = 0;
  for (auto it = std::sregex_iterator(out_.begin(), out_.end(), simple); it != std::sregex_iterator(); ++it, ++simple_fonts) {
    EXPECT_EQ((*it)[1], "65");
    EXPECT_EQ((*it)[2], "66");
    const std::string cmap = StreamData(out_, std::stoi((*it)[3]));
    EXPECT_NE(cmap.find("1 begincodespacerange <00> <FF> endcodespacerange\r2 beginbfchar\r<41> <0041>\r<42> <0042>\rendbfchar\r"),
              std::string::npos)
        << cmap;
  }
  EXPECT_EQ(simple_fonts, 2);
}

TEST(TrueTypeDataTest, FormatTwelveMapReachesBeyondTheBmp) {
  TestFonts fonts(WideDesign());
  TTTFData data(fonts.provider(), "Test Sans", true, 0);
  EXPECT_EQ(data.CharMap.size(), 9u);
  EXPECT_EQ(data.GlyphOf(0x41), 2);
  EXPECT_EQ(data.GlyphOf(0x2000B), 7);
  EXPECT_EQ(data.WidthOf(0x1F600), 800);
  EXPECT_EQ(data.GlyphOf(0x20000), 0);  // not in the face
  EXPECT_EQ(data.WidthsArray(), "[0[600]2[667]7[900]]");
  const std::string cmap = data.WriteToUnicode("TT1");
  EXPECT_NE(cmap.find("<0007> <D840DC0B>\r"), std::string::npos) << cmap;
  const std::string program = data.WriteFontFile();
  const auto loca = Loca(program, false);
  EXPECT_TRUE(GlyphKept(loca, 7));
  EXPECT_FALSE(GlyphKept(loca, 8));
}

TEST(PdfWideTextTest, SurrogatePairsShowOneGlyphEach) {
  TestFontDesign design = WideDesign();
  design.family = "Wide Face";
  TestFonts fonts({{design, BuildTestFont(design)}});
  TPDFDocument doc;
  std::string out;
  doc.SetFontProvider(&fonts.provider());
  doc.SetOutputStream(&out);
  doc.BeginDoc();
  TPDFPage& page = *doc.CurrentPage;
  page.SetActiveFont("Wide Face", 0, 10, 0);
  page.TextAtPtW(0, 0, 0, u"\U0002000B\u4E2D\U0001F600");
  EXPECT_NE(page.Content().find("<000700060008> Tj\r\n"), std::string::npos) << page.Content();
  EXPECT_DOUBLE_EQ(page.TextWidthPtW(u"\U0002000B\U0001F600"), 17);
  // Advances come one per UTF-16 unit: a pair moves on by both of its own.
  page.TextAdvancesAtPtW(0, 50, 0, u"\U0002000B\u4E2D", {1.2, 0.0, 1.0});
  EXPECT_NE(page.Content().find("<0007> Tj\r\n1.2 0 Td\r\n<0006> Tj\r\n"), std::string::npos) << page.Content();
  // A surrogate without its partner has no glyph.
  page.TextAtPtW(0, 100, 0, std::u16string(u"\xD840") + u"A");
  EXPECT_NE(page.Content().find("<0000> Tj\r\n"), std::string::npos) << page.Content();
  doc.EndDoc();
  const std::regex to_unicode("/Subtype /Type0\r\n[^]*?/ToUnicode ([0-9]+) 0 R");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, to_unicode));
  const std::string cmap = StreamData(out, std::stoi(m[1]));
  EXPECT_NE(cmap.find("<0007> <D840DC0B>\r"), std::string::npos) << cmap;
  EXPECT_NE(cmap.find("<0008> <D83DDE00>\r"), std::string::npos) << cmap;
}

TEST(TrueTypeDataTest, SubsetTagsAndUnicodeHex) {
  const std::string tag = SubsetTag("TT1/Face/0/0041");
  EXPECT_TRUE(std::regex_match(tag, std::regex("[A-Z]{6}\\+")));
  EXPECT_EQ(SubsetTag("TT1/Face/0/0041"), tag);
  EXPECT_NE(SubsetTag("TT1/Face/0/0042"), tag);
  EXPECT_EQ(UnicodeHex(0x41), "0041");
  EXPECT_EQ(UnicodeHex(0xFFFD), "FFFD");
  EXPECT_EQ(UnicodeHex(0x10000), "D800DC00");
  EXPECT_EQ(UnicodeHex(0x2000B), "D840DC0B");
  EXPECT_EQ(UnicodeHex(0x10FFFF), "DBFFDFFF");
}

TEST_F(PdfTextTest, GlyphTextAndDecorations) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", fsUnderline | fsStrikeOut, 10, 0);
  // Glyph 4 has no code of its own: it is kept and listed all the same.
  page.GlyphsAtPt(0, 100, 0, {2, 4}, nullptr);
  const std::string& c = page.Content();
  EXPECT_NE(c.find("<00020004> Tj\r\n"), std::string::npos) << c;
  // Both bars over (667 + 700) / 1000 * 10 points, painted once.
  EXPECT_NE(c.find("0 99.5 13.67 -0.5 re\r\n0 102.5 13.67 0.5 re\r\nf\r\n"), std::string::npos) << c;
  // A turned underline is a turned rectangle, three points off the baseline.
  page.SetActiveFont("Test Sans", fsUnderline, 10, 0);
  page.TextAtPt(0, 0, 90, "A");
  EXPECT_NE(c.find("3 0 m\r\n"), std::string::npos) << c;
  TPDFTextFont* font = GetFont(doc_, "Test Sans", 0, true);
  EXPECT_TRUE(font->TTFData->FindGlyph(2)->Used);
  EXPECT_NE(font->TTFData->WidthsArray().find("4[700]"), std::string::npos);
  // With the baseline flag the given point is the baseline: no ascent is taken off.
  page.SetBaselineOrigin(true);
  EXPECT_EQ(page.TextAscent(), 0);
  page.SetBaselineOrigin(false);
  EXPECT_DOUBLE_EQ(page.TextAscent(), 8);  // winAscent 800 of 1000 at 10 points
}

TEST_F(PdfTextTest, NonEmbeddedUnicodeFontAndBrokenFaces) {
  doc_.Abort();
  doc_.SetNonEmbeddedFont({"TEST SANS"});
  doc_.BeginDoc();
  Page().SetActiveFont("Test Sans", 0, 10, 0);
  Page().TextAtPtW(0, 0, 0, u"\u4E2D");
  doc_.EndDoc();
  EXPECT_EQ(out_.find("/FontFile2"), std::string::npos);
  EXPECT_NE(out_.find("/ToUnicode"), std::string::npos);

  // A face without outlines cannot give its program: the document ends with the font's error and
  // is aborted.
  std::string bytes = BuildTestFont(LatinDesign());
  bytes.replace(bytes.find("glyf"), 4, "xlyf");
  TestFonts broken({{LatinDesign(), bytes}});
  TPDFDocument doc;
  std::string out;
  doc.SetFontProvider(&broken.provider());
  doc.SetOutputStream(&out);
  doc.BeginDoc();
  doc.CurrentPage->SetActiveFont("Test Sans", 0, 10, 0);
  doc.CurrentPage->TextAtPtW(0, 0, 0, u"\u4E2D");
  try {
    doc.EndDoc();
    ADD_FAILURE() << "ended";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Cannot recieve data from font");
  }
  EXPECT_FALSE(doc.Generating());
  EXPECT_TRUE(doc.Aborted());
}

// The installed fonts through the platform's catalog (the Debian font packages of the build).
TEST(InstalledFontsTest, QueriesAndRegistryOverTheCatalog) {
  const TFontProvider& fonts = InstalledFontProvider();
  EXPECT_TRUE(FaceHasCharset(fonts, "宋体", GB2312_CHARSET));
  EXPECT_FALSE(FaceHasCharset(fonts, "宋体", ANSI_CHARSET));
  EXPECT_FALSE(FaceHasCharset(fonts, "No Such Face", ANSI_CHARSET));
  EXPECT_EQ(FaceForCharset(fonts, DEFAULT_CHARSET), "AR PL SungtiL GB");
  struct Case {
    const char* asked;
    unsigned style;
    const char* name;
    unsigned resolved;
  };
  const Case cases[] = {
      {"宋体", 0, "AR PL SungtiL GB", 0},
      {"宋体", 3, "AR PL SungtiL GB", 0},  // one style serves every request
      {"liberation sans", 3, "Liberation Sans", 3},
      {"Arial", 2, "Liberation Sans", 2},
      {"Courier New", 1, "Liberation Mono", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    std::string name = c.asked;
    unsigned style = c.style;
    EXPECT_TRUE(ResolveTrueTypeFace(fonts, name, style));
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(style, c.resolved);
  }

  TPDFDocument doc;
  std::string out;
  doc.SetOutputStream(&out);
  doc.BeginDoc();
  // A face reached through an alias is found again under the name it was asked for.
  TPDFTextFont* song = GetFont(doc, "宋体", 0, true);
  EXPECT_EQ(GetFont(doc, "宋体", 0, true), song);
  EXPECT_EQ(GetFont(doc, "AR PL SungtiL GB", 0, true), song);
  EXPECT_EQ(song->Name, "AR PL SungtiL GB");
  EXPECT_EQ(song->Ascent + song->Descent, song->OutlineMetrics.Ascent + song->OutlineMetrics.Descent);
  EXPECT_EQ(song->TTFData->WidthOf(u'中'), 1000);
  EXPECT_EQ(GetFont(doc, "Arial", 0, false)->Widths['A'], 667);
  doc.Abort();
}

TEST(StandardFontTest, WidthTableSpotValues) {
  struct Case {
    int index, code, width;
  };
  const Case cases[] = {
      {0, 0, 278},   {0, 'A', 667},  {0, 0x80, 558}, {0, 127, 350}, {0, 0x81, 350}, {0, 5, 0},
      {1, 'A', 722}, {3, 'a', 556},  {4, 0, 250},    {4, 'A', 722}, {4, 0x80, 500}, {7, 'A', 667},
      {8, 0, 600},   {11, 0xE9, 600}, {12, 'a', 631}, {12, 200, 0},  {13, 0, 250},   {13, 0x21, 974},
  };
  for (const Case& c : cases) EXPECT_EQ(StandardFontWidths[c.index][c.code], c.width) << c.index << " " << c.code;
  EXPECT_STREQ(StandardFontNames[6], "Times-Italic");
  EXPECT_EQ(StandardFontAscents[10], 694);
}

TEST_F(PdfTextTest, WidthsTextBreaksEverySixteenCodes) {
  TPDFPage& page = Page();
  page.SetActiveFont("Test Sans", 0, 10, 0);
  page.TextAtPt(0, 0, 0, "<F");  // codes 60 and 70
  doc_.EndDoc();
  EXPECT_NE(out_.find("/Widths [600 0 0 0 0 \r\n0 0 0 0 0 600 ]"), std::string::npos) << out_.substr(out_.find("/Widths"), 80);
}

}  // namespace
}  // namespace pdf
