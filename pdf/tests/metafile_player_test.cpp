// Metafile playback: hand-built recordings of each record group played onto a page, checked by the
// operators they produce; malformed recordings give a clear error or lose only their bad record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <functional>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "pdf/document.h"
#include "pdf/image.h"
#include "pdf/fonts.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

namespace gdi = platform::gdi;
using gdi::EmfWriter;

// Builds recordings record by record.
class Emf {
 public:
  Emf& rec(std::uint32_t type, std::initializer_list<std::int32_t> values) {
    core::ByteWriter w;
    for (std::int32_t v : values) w.u32le(static_cast<std::uint32_t>(v));
    writer.add(type, w.take());
    return *this;
  }
  Emf& raw(std::uint32_t type, core::Bytes payload) {
    writer.add(type, payload);
    return *this;
  }
  Emf& font(std::uint32_t index, int height, const std::string& face, int charset = 0) {
    gdi::LOGFONT lf;
    lf.lfHeight = height;
    lf.lfFaceName = face;
    lf.lfCharSet = static_cast<gdi::BYTE>(charset);
    core::ByteWriter w;
    w.u32le(index);
    EmfWriter::logfont(w, lf);
    writer.use_handle(index);
    return raw(gdi::EMR_EXTCREATEFONTINDIRECTW, w.take());
  }
  Emf& pen(std::uint32_t index, int style, int width, std::uint32_t color) {
    writer.use_handle(index);
    return rec(gdi::EMR_CREATEPEN,
               {static_cast<std::int32_t>(index), style, width, 0, static_cast<std::int32_t>(color)});
  }
  Emf& brush(std::uint32_t index, int style, std::uint32_t color) {
    writer.use_handle(index);
    return rec(gdi::EMR_CREATEBRUSHINDIRECT,
               {static_cast<std::int32_t>(index), style, static_cast<std::int32_t>(color), 0});
  }
  Emf& text(int x, int y, const std::u16string& s, std::uint32_t options = 0) {
    core::ByteWriter w;
    EmfWriter::rectl(w, gdi::RECT{x, y, x + 10, y + 10});
    w.u32le(1);
    w.f32le(0);
    w.f32le(0);
    EmfWriter::pointl(w, gdi::POINT{x, y});
    w.u32le(static_cast<std::uint32_t>(s.size()));
    w.u32le(76);
    w.u32le(options);
    EmfWriter::rectl(w, gdi::RECT{0, 0, -1, -1});
    const std::size_t sb = (s.size() * 2 + 3) & ~std::size_t{3};
    w.u32le(static_cast<std::uint32_t>(76 + sb));
    w.u16string_le(s);
    w.fill(sb - s.size() * 2);
    for (std::size_t i = 0; i < s.size(); ++i) w.u32le(10);
    return raw(gdi::EMR_EXTTEXTOUTW, w.take());
  }
  Emf& polyline16(std::vector<gdi::POINT> pts) {
    core::ByteWriter w;
    EmfWriter::rectl(w, gdi::RECT{0, 0, 100, 100});
    w.u32le(static_cast<std::uint32_t>(pts.size()));
    for (auto p : pts) {
      w.u16le(static_cast<std::uint16_t>(p.x));
      w.u16le(static_cast<std::uint16_t>(p.y));
    }
    return raw(gdi::EMR_POLYLINE16, w.take());
  }
  Emf& stretch_dibits(const gdi::Bitmap& b, gdi::RECT dest) {
    core::Bytes info, bits;
    EmfWriter::dib(b, info, bits);
    core::ByteWriter w;
    EmfWriter::rectl(w, gdi::RECT{dest.left, dest.top, dest.right - 1, dest.bottom - 1});
    for (std::int32_t v : {dest.left, dest.top, 0, 0, b.width(), b.height()}) w.u32le(static_cast<std::uint32_t>(v));
    w.u32le(80);
    w.u32le(static_cast<std::uint32_t>(info.size()));
    w.u32le(static_cast<std::uint32_t>(80 + info.size()));
    w.u32le(static_cast<std::uint32_t>(bits.size()));
    w.u32le(0);
    w.u32le(gdi::SRCCOPY);
    w.u32le(static_cast<std::uint32_t>(dest.right - dest.left));
    w.u32le(static_cast<std::uint32_t>(dest.bottom - dest.top));
    w.bytes(info);
    w.bytes(bits);
    return raw(gdi::EMR_STRETCHDIBITS, w.take());
  }
  std::vector<std::uint8_t> bytes(gdi::RECT drawn = {0, 0, 500, 500}) {
    writer.include(drawn);
    return writer.finish(794, 1123, 96, 96);
  }
  EmfWriter writer;
};

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetOutputStream(&out);
    doc.BeginDoc();
  }
  void TearDown() override {
    if (doc.Generating()) doc.Abort();
  }
  // Plays the recording onto the current page and answers the operators it added.
  std::string Play(std::vector<std::uint8_t> emf) {
    TPDFPage& page = *doc.CurrentPage;
    const std::size_t before = page.Content().size();
    TEMWParser parser(page);
    parser.LoadMetafile(std::move(emf));
    parser.Execute();
    page.EndText();
    return page.Content().substr(before);
  }
  static int Count(const std::string& s, const std::string& line) {
    int n = 0;
    std::size_t pos = 0;
    const std::string needle = "\r\n" + line + "\r\n";
    std::string padded = "\r\n" + s;
    while ((pos = padded.find(needle, pos)) != std::string::npos) ++n, pos += 2;
    return n;
  }
  TPDFDocument doc;
  std::string out;
};

TEST_F(PlayerTest, PathBracketDefersPaintingAndSwallowsText) {
  Emf e;
  e.pen(1, gdi::PS_SOLID, 1, 0).rec(gdi::EMR_SELECTOBJECT, {1});
  e.rec(gdi::EMR_BEGINPATH, {});
  e.polyline16({{10, 10}, {50, 10}, {50, 50}});
  e.font(2, -16, "Arial").rec(gdi::EMR_SELECTOBJECT, {2}).text(10, 10, u"hidden");
  e.polyline16({{100, 100}, {150, 100}});
  e.rec(gdi::EMR_ENDPATH, {});
  e.rec(gdi::EMR_STROKEPATH, {0, 0, 0, 0});
  const std::string ops = Play(e.bytes());
  EXPECT_EQ(Count(ops, "S"), 1) << ops;
  EXPECT_EQ(ops.find("BT"), std::string::npos) << ops;
  // The stroke comes after the path, not after the polylines, and both figures are in it.
  EXPECT_LT(ops.rfind(" l\r\n"), ops.find("\r\nS\r\n"));
  const std::string path = ops.substr(ops.find("\r\nn\r\n") + 3, ops.find("\r\nS\r\n") - ops.find("\r\nn\r\n"));
  EXPECT_EQ(path.find("\r\nn\r\n"), std::string::npos) << ops;
  EXPECT_NE(path.find("37.5 834.5 l"), std::string::npos) << ops;
  EXPECT_NE(ops.find("112.5 767 l"), std::string::npos) << ops;
}

TEST_F(PlayerTest, PenStylesAndWidths) {
  struct Case {
    int style, width;
    const char* dash;  // expected dash operator, or nullptr for none
  } cases[] = {
      {gdi::PS_DASH, 1, "[4 4] 0 d"},
      {gdi::PS_DASH, 3, nullptr},
      {gdi::PS_DOT, 1, "[1 1] 0 d"},
      {gdi::PS_DASHDOTDOT, 1, "[4 1 1 1 1 1] 0 d"},
  };
  for (const Case& c : cases) {
    doc.NewPage();
    Emf e;
    e.pen(1, c.style, c.width, 0x0000FF).rec(gdi::EMR_SELECTOBJECT, {1});
    e.rec(gdi::EMR_MOVETOEX, {0, 0}).rec(gdi::EMR_LINETO, {100, 100});
    const std::string ops = Play(e.bytes());
    if (c.dash)
      EXPECT_NE(ops.find(c.dash), std::string::npos) << ops;
    else
      EXPECT_EQ(ops.find(" d\r\n"), std::string::npos) << ops;
    EXPECT_NE(ops.find("1 0 0 RG"), std::string::npos) << ops;
    // Widths are device pixels scaled to page units (72 / 96).
    EXPECT_NE(ops.find(FormatReal(c.width * 0.75) + " w"), std::string::npos) << ops;
  }
}

TEST_F(PlayerTest, ClipRectanglesReplaceEachOther) {
  Emf e;
  e.rec(gdi::EMR_INTERSECTCLIPRECT, {0, 0, 100, 100});
  e.rec(gdi::EMR_INTERSECTCLIPRECT, {10, 10, 50, 50});
  e.rec(gdi::EMR_RECTANGLE, {0, 0, 200, 200});
  const int depth = doc.CurrentPage->StateDepth();
  const std::string ops = Play(e.bytes());
  EXPECT_EQ(Count(ops, "q") - Count(ops, "Q"), 1) << ops;
  EXPECT_EQ(doc.CurrentPage->StateDepth(), depth + 1);
  EXPECT_NE(ops.find("7.5 804.5 30 30 re"), std::string::npos) << ops;
}

TEST_F(PlayerTest, FontSizeAlignmentAndText) {
  Emf e;
  e.font(1, -16, "Helvetica").rec(gdi::EMR_SELECTOBJECT, {1});
  e.rec(gdi::EMR_SETTEXTALIGN, {24});
  e.rec(gdi::EMR_SETTEXTCOLOR, {0x0000FF});
  e.rec(gdi::EMR_SETBKMODE, {1});
  e.text(100, 200, u"Hello");
  const std::string ops = Play(e.bytes());
  EXPECT_EQ(doc.CurrentPage->FontSize, 12);
  EXPECT_NE(ops.find("1 0 0 rg"), std::string::npos) << ops;
  EXPECT_NE(ops.find("BT"), std::string::npos) << ops;
  // The reference point is the baseline: 200 px = 150 pt from the top.
  EXPECT_NE(ops.find(" 692 Tm"), std::string::npos) << ops;
}

TEST_F(PlayerTest, CombiningMarksComposeIntoTheFontsPrecomposedGlyphs) {
  // Vietnamese as decomposed text: e + circumflex + acute, e + dot below + circumflex.
  Emf e;
  e.font(1, -16, "Arial").rec(gdi::EMR_SELECTOBJECT, {1});
  e.text(10, 10, u"Tie\u0302\u0301ng Vie\u0323\u0302t");
  const std::string ops = Play(e.bytes());
  const TTTFData& ttf = *GetFont(doc, "Arial", 0, true)->TTFData;
  const std::uint16_t e_circumflex_acute = ttf.GlyphOfCode(0x1EBF), e_dot_circumflex = ttf.GlyphOfCode(0x1EC7);
  ASSERT_NE(e_circumflex_acute, 0);
  ASSERT_NE(e_dot_circumflex, 0);
  EXPECT_NE(ops.find(HexOfWord(e_circumflex_acute)), std::string::npos) << ops;
  EXPECT_NE(ops.find(HexOfWord(e_dot_circumflex)), std::string::npos) << ops;
  EXPECT_EQ(ops.find(HexOfWord(ttf.GlyphOfCode(0x0302))), std::string::npos) << ops;
  // Every character was given ten pixels (7.5 pt, 0.625 em at 12 pt): a composed glyph moves on by
  // the advances of the three characters it took in.
  EXPECT_NE(ops.find("<" + HexOfWord(e_circumflex_acute) + "> Tj\r\n1.875 0 Td\r\n"), std::string::npos) << ops;

  // Marks that compose into nothing the font has stay as they came.
  Emf plain;
  plain.font(1, -16, "Arial").rec(gdi::EMR_SELECTOBJECT, {1});
  plain.text(10, 10, u"x\u0301");
  const std::string kept = Play(plain.bytes());
  EXPECT_NE(kept.find("(x) Tj"), std::string::npos) << kept;
  EXPECT_NE(kept.find("<" + HexOfWord(ttf.GlyphOfCode(0x0301)) + "> Tj"), std::string::npos) << kept;
}

TEST_F(PlayerTest, MappingModesAndTransforms) {
  Emf e;
  e.rec(gdi::EMR_SETMAPMODE, {8});
  e.rec(gdi::EMR_SETWINDOWEXTEX, {1000, 1000});
  e.rec(gdi::EMR_SETVIEWPORTEXTEX, {100, 100});
  e.rec(gdi::EMR_SETVIEWPORTORGEX, {40, 40});
  e.rec(gdi::EMR_SAVEDC, {});
  e.rec(gdi::EMR_RECTANGLE, {0, 0, 400, 400});  // device 40..80 -> 30..60 pt
  e.rec(gdi::EMR_SETMAPMODE, {1});
  e.rec(gdi::EMR_RESTOREDC, {-1});
  e.rec(gdi::EMR_ELLIPSE, {0, 0, 0, 0});
  // A world transform doubling x.
  core::ByteWriter w;
  for (float f : {2.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) w.f32le(f);
  e.raw(gdi::EMR_SETWORLDTRANSFORM, w.take());
  e.rec(gdi::EMR_SETMAPMODE, {1});
  e.rec(gdi::EMR_SETVIEWPORTORGEX, {0, 0});
  e.rec(gdi::EMR_RECTANGLE, {10, 10, 20, 20});
  const std::string ops = Play(e.bytes());
  EXPECT_NE(ops.find("30 782 30 30 re"), std::string::npos) << ops;
  EXPECT_NE(ops.find("15 827 15 7.5 re"), std::string::npos) << ops;
}

TEST_F(PlayerTest, BitmapsBecomeImagesOfTheRightKind) {
  gdi::Bitmap mono(16, 4, gdi::PixelFormat::k1bit, gdi::kWhitePixel);
  mono.set_pixel(3, 1, gdi::kBlackPixel);
  gdi::Bitmap colour(8, 8, gdi::PixelFormat::k24bit, 0x336699);
  Emf e;
  e.stretch_dibits(mono, {10, 10, 26, 14});
  e.stretch_dibits(colour, {50, 50, 58, 58});
  doc.EMFImageAsJpeg = true;
  const std::string ops = Play(e.bytes());
  ASSERT_EQ(doc.Images().Count(), 2);
  auto* a = dynamic_cast<TPDFBitmapImage*>(doc.Images().Items(0));
  auto* b = dynamic_cast<TPDFBitmapImage*>(doc.Images().Items(1));
  EXPECT_EQ(a->ImageKind, ikCCITT4);
  EXPECT_EQ(a->Width, 16);
  EXPECT_EQ(b->ImageKind, ikJPEG);
  EXPECT_NE(ops.find("/Im0 Do"), std::string::npos);
  EXPECT_NE(ops.find("1 0 0 1 7.5 831.5 cm\r\n12 0 0 3 0 0 cm"), std::string::npos) << ops;
}

TEST_F(PlayerTest, MalformedRecordingsAreRefusedOrSkipped) {
  // Records that do not chain to the end make the whole recording invalid.
  struct Bad {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
  } bads[] = {
      {"short header", [](auto& v) { v.resize(40); }},
      {"bad signature", [](auto& v) { v[40] = 'X'; }},
      {"record size 0", [](auto& v) { core::store_le32(v.data() + gdi::kEmfHeaderSize + 4, 0); }},
      {"unaligned record", [](auto& v) { core::store_le32(v.data() + gdi::kEmfHeaderSize + 4, 13); }},
      {"record past the end", [](auto& v) { core::store_le32(v.data() + gdi::kEmfHeaderSize + 4, 0x7FFFFFF0); }},
  };
  for (const Bad& b : bads) {
    Emf e;
    e.rec(gdi::EMR_RECTANGLE, {0, 0, 10, 10});
    auto bytes = e.bytes();
    b.spoil(bytes);
    TEMWParser parser(*doc.CurrentPage);
    EXPECT_THROW(parser.LoadMetafile(bytes), core::Error) << b.name;
    int w = 1, h = 1;
    parser.GetSize(w, h);
    EXPECT_EQ(w, 0) << b.name;
  }
  // Bad contents inside well-formed records lose only those records.
  Emf e;
  core::ByteWriter w;
  EmfWriter::rectl(w, gdi::RECT{0, 0, 1, 1});
  w.u32le(0x40000000);  // far more points than the record holds
  e.raw(gdi::EMR_POLYLINE, w.take());
  e.rec(gdi::EMR_POLYPOLYLINE, {0, 0, 1, 1, 2, 3, 100, 100});  // counts beyond the points
  e.rec(gdi::EMR_SELECTOBJECT, {999});                         // no such object
  e.rec(gdi::EMR_RESTOREDC, {-5});                             // nothing saved
  e.rec(gdi::EMR_SETWINDOWEXTEX, {0, 0});
  gdi::Bitmap tiny(2, 2, gdi::PixelFormat::k24bit);
  e.stretch_dibits(tiny, {0, 0, 2, 2});
  auto bytes = e.bytes();
  // Spoil the bitmap's header: a width of 2^30 pixels.
  const std::size_t bmi = bytes.size() - 20 - 16 - 40;
  core::store_le32(bytes.data() + bmi + 4, 0x40000000);
  e.writer = EmfWriter{};
  const std::string ops = Play(bytes);
  EXPECT_EQ(doc.Images().Count(), 0);
  // The recording still plays what follows.
  Emf ok;
  ok.raw(gdi::EMR_POLYLINE, core::Bytes(20, 0xFF));
  ok.rec(gdi::EMR_RECTANGLE, {0, 0, 10, 10});
  EXPECT_NE(Play(ok.bytes()).find(" re\r\n"), std::string::npos);
}

// One recording per record group, with the operators it must produce.
TEST_F(PlayerTest, RecordGroups) {
  // A record payload: the given leading fields, the region data's size, more fields, the region.
  auto region = [](std::vector<std::uint32_t> before, std::vector<std::uint32_t> after, std::vector<gdi::RECT> rects) {
    core::ByteWriter w;
    for (auto v : before) w.u32le(v);
    w.u32le(32 + 16 * static_cast<std::uint32_t>(rects.size()));
    for (auto v : after) w.u32le(v);
    w.u32le(32);
    w.u32le(1);
    w.u32le(static_cast<std::uint32_t>(rects.size()));
    w.u32le(16 * static_cast<std::uint32_t>(rects.size()));
    EmfWriter::rectl(w, gdi::RECT{0, 0, 100, 100});
    for (const auto& r : rects) EmfWriter::rectl(w, r);
    return w.take();
  };
  struct Case {
    const char* name;
    std::function<void(Emf&)> build;
    std::vector<std::string> want;
    std::vector<std::string> absent;
  };
  const int stock = static_cast<int>(gdi::STOCK_OBJECT);
  std::vector<Case> cases = {
      {"pie",
       [](Emf& e) {
         e.rec(gdi::EMR_PIE, {0, 0, 100, 100, 100, 50, 50, 0});
       },
       {"1 1 1 rg", " c\r\n", "\r\nB*\r\n"},
       {}},
      {"chord",
       [](Emf& e) {
         e.rec(gdi::EMR_CHORD, {0, 0, 100, 100, 100, 50, 50, 0});
       },
       {" c\r\n", "B*"},
       {}},
      {"arc",
       [](Emf& e) {
         e.rec(gdi::EMR_ARC, {0, 0, 100, 100, 100, 50, 50, 0});
       },
       {" c\r\n", "\r\nS\r\n"},
       {"B"}},
      {"round rect",
       [](Emf& e) {
         e.rec(gdi::EMR_ROUNDRECT, {0, 0, 100, 100, 20, 20});
       },
       {" c\r\n", "\r\nB\r\n"},
       {}},
      {"hollow brush",
       [&](Emf& e) {
         e.rec(gdi::EMR_SELECTOBJECT, {stock | gdi::NULL_BRUSH}).rec(gdi::EMR_RECTANGLE, {0, 0, 10, 10});
       },
       {"\r\nS\r\n"},
       {"\r\nB\r\n", "\r\nf\r\n"}},
      {"null pen",
       [&](Emf& e) {
         e.rec(gdi::EMR_SELECTOBJECT, {stock | gdi::BLACK_BRUSH}).rec(gdi::EMR_SELECTOBJECT, {stock | gdi::NULL_PEN});
         e.rec(gdi::EMR_ELLIPSE, {0, 0, 10, 10});
       },
       {"0 0 0 rg", "\r\nf\r\n"},
       {"\r\nS\r\n", "\r\nB\r\n"}},
      {"blackness without source",
       [](Emf& e) {
         e.rec(gdi::EMR_BITBLT, {0, 0, 9, 9, 0, 0, 10, 10, static_cast<std::int32_t>(gdi::BLACKNESS), 0, 0, 0, 0, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0,  0});
       },
       {"0 0 0 rg", "0 834.5 7.5 7.5 re", "\r\nf\r\n1 1 1 rg"},
       {}},
      {"fill region",
       [&](Emf& e) {
         e.raw(gdi::EMR_FILLRGN, region({0, 0, 100, 100}, {0}, {{0, 0, 40, 40}, {60, 60, 100, 100}}));
       },
       {"0 812 30 30 re", "45 767 30 30 re", "\r\nf\r\n"},
       {}},
      {"clip region",
       [&](Emf& e) {
         e.raw(gdi::EMR_EXTSELECTCLIPRGN, region({}, {static_cast<std::uint32_t>(gdi::RGN_COPY)}, {{0, 0, 40, 40}}));
       },
       {"\r\nq\r\n", "0 812 30 30 re", "\r\nW\r\n"},
       {}},
      {"pixel",
       [](Emf& e) {
         e.rec(gdi::EMR_SETPIXELV, {10, 10, 0x0000FF});
       },
       {"1 0 0 RG", " l\r\n", "\r\nS\r\n"},
       {}},
      {"poly draw 16",
       [](Emf& e) {
         core::ByteWriter w;
         EmfWriter::rectl(w, gdi::RECT{0, 0, 10, 10});
         w.u32le(2);
         for (int v : {10, 0, 10, 10}) w.u16le(static_cast<std::uint16_t>(v));
         w.u8(2);
         w.u8(3);
         e.raw(gdi::EMR_POLYDRAW16, w.take());
       },
       {"2 J", "2 j", "7.5 834.5 l", "0 842 l", "\r\n1 J\r\n"},
       {}},
      {"scaled window",
       [](Emf& e) {
         e.rec(gdi::EMR_SCALEWINDOWEXTEX, {2, 1, 2, 1});
         e.rec(gdi::EMR_RECTANGLE, {0, 0, 100, 100});
       },
       {"0 804.5 37.5 37.5 re"},
       {}},
      {"small text",
       [](Emf& e) {
         core::ByteWriter w;
         for (std::uint32_t v : {10u, 20u, 2u, gdi::ETO_NO_RECT | gdi::ETO_SMALL_CHARS, 1u, 0u, 0u}) w.u32le(v);
         w.raw_string("Hi");
         e.raw(gdi::EMR_SMALLTEXTOUT, w.take());
       },
       {"BT", "Tf"},
       {}},
  };
  for (const Case& c : cases) {
    doc.NewPage();
    Emf e;
    c.build(e);
    const std::string ops = Play(e.bytes());
    for (const auto& w : c.want) EXPECT_NE(ops.find(w), std::string::npos) << c.name << " wants " << w << "\n" << ops;
    for (const auto& a : c.absent) EXPECT_EQ(ops.find(a), std::string::npos) << c.name << " has " << a << "\n" << ops;
  }
}

// The fuzz target's seeds are recordings that play, not ones refused at load.
TEST_F(PlayerTest, FuzzSeedsPlay) {
  const char* root = std::getenv("THC_SOURCE_DIR");
  if (root == nullptr) GTEST_SKIP() << "THC_SOURCE_DIR is not set";
  for (const char* name : {"text.emf", "shapes.emf", "state.emf", "bitmap.emf"}) {
    const std::string data = test::ReadFile(std::string(root) + "/pdf/tests/corpus/emf/" + name);
    ASSERT_FALSE(data.empty()) << name;
    const std::string ops = Play(std::vector<std::uint8_t>(data.begin(), data.end()));
    const bool painted = std::regex_search(ops, std::regex("\r\n(S|B\\*?|f\\*?|W|/Im0 Do|\\[.*\\] TJ|.* Tj)\r\n"));
    EXPECT_TRUE(painted) << name << ": " << ops;
  }
  EXPECT_EQ(doc.Images().Count(), 1);
}

TEST_F(PlayerTest, NothingDrawnIsNotReplayed) {
  Emf e;
  TEMWParser parser(*doc.CurrentPage);
  parser.LoadMetafile(e.writer.finish(794, 1123, 96, 96));
  int w = 1, h = 1;
  parser.GetSize(w, h);
  EXPECT_LT(w, 1);
  EXPECT_LT(h, 1);
}

}  // namespace
}  // namespace pdf
