#include "platform/gdi/font_data.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace platform::gdi {
namespace {

constexpr const char* kSong = "AR PL SungtiL GB";

bool HasFamily(const FaceInfo& f, std::string_view name) {
  return std::find(f.families.begin(), f.families.end(), name) != f.families.end();
}

const FaceInfo* Installed(std::string_view family, bool bold = false, bool italic = false) {
  return FontCatalog::installed().select(family, bold, italic);
}

// FreeType reads the same file independently: table sizes and advances must agree with ours.
class FreeTypeFace {
public:
  FreeTypeFace(const std::string& file, int index) {
    FT_Init_FreeType(&lib_);
    if (FT_New_Face(lib_, file.c_str(), index, &face_) != 0) face_ = nullptr;
  }
  ~FreeTypeFace() {
    if (face_) FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }
  FT_Face get() const { return face_; }
  long TableSize(std::uint32_t tag) const {
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &len) != 0) return -1;
    return static_cast<long>(len);
  }
  long Advance(char32_t c) const {
    const FT_UInt g = FT_Get_Char_Index(face_, c);
    if (FT_Load_Glyph(face_, g, FT_LOAD_NO_SCALE) != 0) return -1;
    return face_->glyph->metrics.horiAdvance;
  }

private:
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
};

TEST(FontCatalogTest, AliasesLocalizedNamesAndMissingFaces) {
  const FontCatalog& cat = FontCatalog::installed();
  struct Case {
    const char* asked;
    const char* family;  // expected spelling; empty: no face
  };
  const Case cases[] = {
      {"宋体", kSong},
      {"SimSun", kSong},
      {"NSimSun", kSong},
      {"新宋体", kSong},
      {"文鼎ＰＬ简报宋", "文鼎ＰＬ简报宋"},
      {"ar pl sungtil gb", kSong},
      {"文泉驿微米黑", "文泉驿微米黑"},
      {"Arial", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"No Such Face Anywhere", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    std::string spelling;
    const auto faces = cat.faces_of(c.asked, &spelling);
    if (*c.family == 0) {
      EXPECT_TRUE(faces.empty());
      EXPECT_EQ(cat.select(c.asked, false, false), nullptr);
      continue;
    }
    ASSERT_FALSE(faces.empty());
    EXPECT_EQ(spelling, c.family);
  }
}

TEST(FontCatalogTest, OnlyTrueTypeOutlinesAndTheirCharsets) {
  const FontCatalog& cat = FontCatalog::installed();
  for (const FaceInfo& f : cat.faces()) {
    SCOPED_TRACE(f.file);
    EXPECT_TRUE(cat.open(f).has_table(make_tag("glyf")));
    EXPECT_FALSE(f.families.empty());
  }
  const FaceInfo* song = Installed("宋体");
  ASSERT_NE(song, nullptr);
  EXPECT_TRUE(HasFamily(*song, "文鼎ＰＬ简报宋"));
  EXPECT_EQ(song->families.front(), kSong);
  // The Song face declares the GB2312 code page only.
  EXPECT_NE(std::find(song->charsets.begin(), song->charsets.end(), 134), song->charsets.end());
  const FaceInfo* sans = Installed("Liberation Sans");
  ASSERT_NE(sans, nullptr);
  EXPECT_NE(std::find(sans->charsets.begin(), sans->charsets.end(), 0), sans->charsets.end());
  EXPECT_EQ(std::find(sans->charsets.begin(), sans->charsets.end(), 134), sans->charsets.end());
  // Alias targets come first in enumeration order.
  ASSERT_FALSE(cat.enumeration_order().empty());
  EXPECT_TRUE(HasFamily(*cat.enumeration_order().front(), kSong));
}

TEST(FontCatalogTest, StyleSelection) {
  struct Case {
    const char* family;
    bool bold, italic;
    bool want_bold, want_italic;
  };
  const Case cases[] = {
      {"Liberation Sans", false, false, false, false}, {"Liberation Sans", true, false, true, false},
      {"Liberation Sans", false, true, false, true},   {"Liberation Sans", true, true, true, true},
      {kSong, true, true, false, false},  // a face with one style serves every request
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.family) + (c.bold ? " bold" : "") + (c.italic ? " italic" : ""));
    const FaceInfo* f = Installed(c.family, c.bold, c.italic);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->bold, c.want_bold);
    EXPECT_EQ(f->italic, c.want_italic);
  }
}

TEST(FontDataTest, TablesAgreeWithFreeTypeForFilesAndCollections) {
  const FontCatalog& cat = FontCatalog::installed();
  std::vector<const FaceInfo*> faces = {Installed(kSong), Installed("WenQuanYi Micro Hei"),
                                        Installed("WenQuanYi Micro Hei Mono"), Installed("Liberation Sans")};
  for (const FaceInfo* f : faces) {
    ASSERT_NE(f, nullptr);
    SCOPED_TRACE(f->families.front());
    FreeTypeFace ft(f->file, f->index);
    ASSERT_NE(ft.get(), nullptr);
    for (const char* tag : {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "cvt ",
                            "fpgm", "prep", "OS/2"}) {
      SCOPED_TRACE(tag);
      const std::uint32_t t = (static_cast<std::uint32_t>(tag[0]) << 24) | (tag[1] << 16) | (tag[2] << 8) | tag[3];
      const auto ours = font_data(cat, *f, t);
      const long theirs = ft.TableSize(t);
      if (theirs < 0) {
        EXPECT_FALSE(ours.has_value());
      } else {
        ASSERT_TRUE(ours.has_value());
        EXPECT_EQ(static_cast<long>(ours->size()), theirs);
      }
    }
    // Tag 0 is the whole file.
    const auto whole = font_data(cat, *f, 0);
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->size(), map_font_file(f->file)->bytes().size());
  }
  // The two members of the collection have tables of their own.
  EXPECT_NE(font_data(cat, *faces[1], make_tag("name")), font_data(cat, *faces[2], make_tag("name")));
}

TEST(FontDataTest, MetricsAtTheReferenceContextComeFromTheFontTables) {
  const FontCatalog& cat = FontCatalog::installed();
  for (const char* family : {kSong, "WenQuanYi Micro Hei", "Liberation Sans", "Liberation Serif"}) {
    SCOPED_TRACE(family);
    const FaceInfo* f = Installed(family);
    ASSERT_NE(f, nullptr);
    FreeTypeFace ft(f->file, f->index);
    ASSERT_NE(ft.get(), nullptr);
    const FaceMetrics m = face_metrics(cat.open(*f), -1000);
    const double upem = ft.get()->units_per_EM;
    EXPECT_EQ(m.em, 1000);
    const auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft.get(), FT_SFNT_OS2));
    ASSERT_NE(os2, nullptr);
    EXPECT_EQ(m.ascent, std::lround(os2->usWinAscent * 1000 / upem));
    EXPECT_EQ(m.descent, std::lround(os2->usWinDescent * 1000 / upem));
    EXPECT_EQ(m.otm_ascent, std::lround(os2->sTypoAscender * 1000 / upem));
    EXPECT_EQ(m.box_top, std::lround(ft.get()->bbox.yMax * 1000 / upem));
    EXPECT_FALSE(m.fixed_pitch);
    for (char32_t c : {U' ', U'0', U'A', U'g', U'~'})
      EXPECT_EQ(m.ansi_advances[c], std::lround(ft.Advance(c) * 1000 / upem)) << static_cast<int>(c);
    // Code 0x80 is the euro sign of Windows-1252.
    EXPECT_EQ(m.ansi_advances[0x80], std::lround(ft.Advance(0x20AC) * 1000 / upem));
  }
  // Liberation Sans keeps the widths of the classic sans metrics.
  const FaceMetrics sans = face_metrics(cat.open(*Installed("Arial")), -1000);
  EXPECT_EQ(sans.ansi_advances['A'], 667);
  EXPECT_EQ(sans.ansi_advances[' '], 278);
  // A positive height is the cell height: ascent plus descent.
  const FaceMetrics cell = face_metrics(cat.open(*Installed("Arial")), 100);
  EXPECT_NEAR(cell.height, 100, 1);
  const FaceMetrics italic = face_metrics(cat.open(*Installed("Liberation Sans", false, true)), -1000);
  EXPECT_LT(italic.italic_angle, 0);
  EXPECT_EQ(italic.italic_angle_tenths, std::lround(italic.italic_angle * 10));
}

TEST(FontDataTest, CodePageRangesGiveCharsets) {
  EXPECT_EQ(charsets_of_code_pages(0), std::vector<int>{0});
  EXPECT_EQ(charsets_of_code_pages(1u << 18), std::vector<int>{134});
  EXPECT_EQ(charsets_of_code_pages((1u << 0) | (1u << 2) | (1u << 20)), (std::vector<int>{0, 204, 136}));
}

std::vector<std::uint8_t> Sfnt(std::uint32_t first_word, int tables, std::uint32_t table_offset,
                               std::uint32_t table_length) {
  std::vector<std::uint8_t> b(12 + 16 * static_cast<std::size_t>(tables) + 8, 0);
  b[0] = static_cast<std::uint8_t>(first_word >> 24);
  b[1] = static_cast<std::uint8_t>(first_word >> 16);
  b[5] = static_cast<std::uint8_t>(tables);
  for (int i = 0; i < tables; ++i) {
    std::uint8_t* r = b.data() + 12 + 16 * i;
    r[0] = 'h';
    r[1] = 'e';
    r[2] = 'a';
    r[3] = 'd';
    for (int k = 0; k < 4; ++k) {
      r[8 + k] = static_cast<std::uint8_t>(table_offset >> (24 - 8 * k));
      r[12 + k] = static_cast<std::uint8_t>(table_length >> (24 - 8 * k));
    }
  }
  return b;
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> b, std::size_t size) {
  b.resize(size);
  return b;
}

TEST(FontDataTest, BrokenFilesAreRefused) {
  const std::uint32_t kTrue = 0x00010000;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int index;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"valid", Sfnt(kTrue, 1, 28, 8), 0, true},
      {"too short", {0, 1, 0, 0}, 0, false},
      {"table past end", Sfnt(kTrue, 1, 28, 9), 0, false},
      {"offset overflow", Sfnt(kTrue, 1, 0xFFFFFFF0u, 0x20), 0, false},
      {"directory past end", Truncated(Sfnt(kTrue, 40, 0, 0), 12 + 16 * 39), 0, false},
      {"face index of a plain file", Sfnt(kTrue, 1, 28, 8), 1, false},
      {"collection without faces", {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 0}, 0, false},
      {"collection offset past end", {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0xFF, 0, 0, 0}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.ok) {
      SfntFace face(font_bytes(c.bytes), c.index);
      EXPECT_TRUE(face.has_table(make_tag("head")));
      EXPECT_EQ(face.glyph_of(U'A'), 0);  // no cmap
      EXPECT_THROW(face_metrics(face, -1000), FontDataError);  // head too short for unitsPerEm
    } else {
      EXPECT_THROW(SfntFace(font_bytes(c.bytes), c.index), FontDataError);
    }
  }
}

}  // namespace
}  // namespace platform::gdi
