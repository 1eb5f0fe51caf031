#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/font_queries.h"
#include "pdf/format.h"

namespace pdf {
namespace {

// An installed-font list in enumeration order.
class ListEnumerator : public TFontEnumerator {
public:
  explicit ListEnumerator(std::vector<EnumeratedFont> fonts) : fonts_(std::move(fonts)) {}
  void EnumFonts(std::string_view face, int charset,
                 const std::function<bool(const EnumeratedFont&)>& visit) const override {
    std::vector<std::string> faces_seen;
    for (const EnumeratedFont& f : fonts_) {
      if (charset != DEFAULT_CHARSET && f.Charset != charset) continue;
      if (face.empty()) {
        bool seen = false;
        for (const auto& s : faces_seen) seen = seen || s == f.FaceName;
        if (seen) continue;
        faces_seen.push_back(f.FaceName);
      } else if (Lower(f.FaceName) != Lower(std::string(face))) {
        continue;
      }
      if (!visit(f)) return;
    }
  }

private:
  static std::string Lower(std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  }
  std::vector<EnumeratedFont> fonts_;
};

EnumeratedFont TT(const char* face, int charset, int weight = 400, bool italic = false) {
  return {face, charset, italic, weight, true};
}

TEST(FontQueries, ResolveTakesTheInstalledSpellingAndFallsBackStepByStep) {
  const ListEnumerator fonts({
      TT("DejaVu Sans", 0),
      TT("DejaVu Sans", 0, 700),
      TT("DejaVu Sans", 0, 400, true),
      TT("Serif Only Bold", 0, 700),
      TT("Serif Only Bold", 0, 700, true),
      TT("Plain Face", 0, 400),
      {"Bitmap Face", 0, false, 400, false},
      TT("Italic Only", 0, 400, true),
  });
  struct Case {
    const char* asked_name;
    unsigned asked_style;
    bool found;
    const char* name;
    unsigned style;
  };
  const Case cases[] = {
      // No bold italic: bold is kept, italic goes.
      {"dejavu sans", kStyleBold | kStyleItalic, true, "DejaVu Sans", kStyleBold},
      {"DEJAVU SANS", kStyleItalic, true, "DejaVu Sans", kStyleItalic},
      // No bold and no bold italic: plain.
      {"Plain Face", kStyleBold | kStyleItalic, true, "Plain Face", 0},
      // Only bold faces: after italic-less, plain and no style fail, the first face's own style.
      {"serif only bold", 0, true, "Serif Only Bold", kStyleBold},
      {"Italic Only", kStyleBold, true, "Italic Only", kStyleItalic},
      // Not TrueType, or not installed: no match and the name stays.
      {"Bitmap Face", 0, false, "Bitmap Face", 0},
      {"Missing", kStyleBold, false, "Missing", kStyleBold},
  };
  for (const Case& c : cases) {
    std::string name = c.asked_name;
    unsigned style = c.asked_style | 4u;  // an underline bit rides along untouched
    EXPECT_EQ(ResolveTrueTypeFace(fonts, name, style), c.found) << c.asked_name;
    EXPECT_EQ(name, c.name) << c.asked_name;
    EXPECT_EQ(style, c.style | 4u) << c.asked_name;
  }
}

TEST(FontQueries, FaceForCharsetAndFaceHasCharset) {
  const ListEnumerator fonts({
      {"Raster GB", 134, false, 400, false},
      TT("Latin Face", 0),
      TT("Song Face", 0),
      TT("Song Face", 134),
      TT("Hei Face", 134),
  });
  EXPECT_EQ(FaceForCharset(fonts, 134), "Song Face");
  EXPECT_EQ(FaceForCharset(fonts, DEFAULT_CHARSET), "Song Face");
  EXPECT_EQ(FaceForCharset(fonts, 0), "Latin Face");
  EXPECT_EQ(FaceForCharset(fonts, 128), "");

  EXPECT_TRUE(FaceHasCharset(fonts, "song face", 134));
  EXPECT_FALSE(FaceHasCharset(fonts, "Latin Face", 134));
  EXPECT_FALSE(FaceHasCharset(fonts, "Raster GB", 134));
  EXPECT_FALSE(FaceHasCharset(fonts, "", 134));
  EXPECT_FALSE(FaceHasCharset(fonts, "Nowhere", 0));
}

TEST(FontQueries, OnlyThirtyOneCharactersOfAFaceNameCount) {
  const std::string long_name = "A Face Name Of Exactly Thirty-One";  // 33 characters
  const ListEnumerator fonts({TT("A Face Name Of Exactly Thirty-O", 0)});
  EXPECT_TRUE(FaceHasCharset(fonts, long_name, 0));
  // Characters, not bytes: 32 Chinese characters keep 31.
  std::string chinese;
  for (int i = 0; i < 32; ++i) chinese += "宋";
  std::string kept;
  for (int i = 0; i < 31; ++i) kept += "宋";
  const ListEnumerator cjk({TT(kept.c_str(), 134)});
  EXPECT_TRUE(FaceHasCharset(cjk, chinese, 134));
}

}  // namespace
}  // namespace pdf
