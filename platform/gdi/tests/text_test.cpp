#include <gtest/gtest.h>

#include <cmath>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace platform::gdi {
namespace {

using testing::Canvas;
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = 0, kRed = RGB(255, 0, 0);

// Selects a font for the life of the object.
class WithFont {
public:
  WithFont(HDC dc, std::string_view face, int height, int weight = FW_NORMAL, DWORD quality = DEFAULT_QUALITY)
      : dc_(dc) {
    font_ = CreateFont(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0, face);
    old_ = SelectObject(dc, font_);
  }
  ~WithFont() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }

private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

RECT ink_box(const Canvas& c, COLORREF background = kWhite) {
  RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < c.pixels().height(); ++y)
    for (int x = 0; x < c.pixels().width(); ++x)
      if (c.at(x, y) != background) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r.left == INT32_MAX ? RECT{} : r;
}

// ---------------------------------------------------------------- the test font
TEST(TestFont, MetricsAndExtents) {
  Canvas c(10, 10);
  {
    WithFont f(c.dc(), kTestFontFace, -8);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, 10);
    EXPECT_EQ(tm.tmAscent, 8);
    EXPECT_EQ(tm.tmAveCharWidth, 6);
    SIZE s;
    GetTextExtentPoint32(c.dc(), "Ab中文", &s);
    EXPECT_EQ(s, (SIZE{6 + 6 + 12 + 12, 10}));
    GetTextExtentPoint32(c.dc(), u"Ab中文", &s);
    EXPECT_EQ(s.cx, 36);
    int fit = 0, dx[4];
    GetTextExtentExPoint(c.dc(), u"Ab中文", 25, &fit, dx, nullptr);
    EXPECT_EQ(fit, 3);
    EXPECT_EQ(dx[2], 24);
  }
  WithFont big(c.dc(), kTestFontFace, 20);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  EXPECT_EQ(tm.tmHeight, 20) << "a positive height is the cell height";
}

TEST(TestFont, TextOutPlacesGlyphsByAlignment) {
  struct Case {
    UINT align;
    RECT ink;  // of "I" drawn at (20, 20): ink columns 1..5, rows 1..7 of its cell
  };
  const Case cases[] = {
      {TA_LEFT | TA_TOP, {21, 21, 26, 28}},
      {TA_LEFT | TA_BASELINE, {21, 13, 26, 20}},
      {TA_LEFT | TA_BOTTOM, {21, 11, 26, 18}},
      {TA_RIGHT | TA_TOP, {15, 21, 20, 28}},
      {TA_CENTER | TA_TOP, {18, 21, 23, 28}},
  };
  for (const Case& k : cases) {
    Canvas c(40, 40);
    WithFont f(c.dc(), kTestFontFace, -8);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextAlign(c.dc(), k.align);
    TextOut(c.dc(), 20, 20, "I");
    EXPECT_EQ(ink_box(c), k.ink) << "align " << k.align;
  }
  // An opaque background fills the whole cell; ExtTextOut clips to its rectangle.
  Canvas c(40, 20);
  WithFont f(c.dc(), kTestFontFace, -8);
  SetBkColor(c.dc(), kRed);
  TextOut(c.dc(), 2, 3, "ab");
  EXPECT_EQ(c.at(2, 3), kRed);
  EXPECT_EQ(c.at(13, 12), kRed);
  EXPECT_EQ(c.at(14, 3), kWhite);
  Canvas e(40, 20);
  WithFont f2(e.dc(), kTestFontFace, -8);
  SetBkMode(e.dc(), TRANSPARENT);
  const RECT clip{0, 0, 4, 20};
  ExtTextOut(e.dc(), 0, 0, ETO_CLIPPED, &clip, "WWW", nullptr);
  EXPECT_LE(ink_box(e).right, 4);
}

// DrawText must put each line exactly where TextOut puts it at the computed place.
void expect_lines_at(const char* text, UINT flags, const RECT& rect, const std::vector<std::pair<std::string, POINT>>& lines) {
  Canvas a(120, 60), b(120, 60);
  WithFont fa(a.dc(), kTestFontFace, -8), fb(b.dc(), kTestFontFace, -8);
  SetBkMode(a.dc(), TRANSPARENT);
  SetBkMode(b.dc(), TRANSPARENT);
  RECT r = rect;
  DrawText(a.dc(), text, &r, flags);
  for (const auto& [s, p] : lines) TextOut(b.dc(), p.x, p.y, s);
  EXPECT_EQ(a.pixels(), b.pixels()) << text;
}

TEST(TestFont, DrawTextMeasuresAndPlacesLines) {
  Canvas c(10, 10);
  WithFont f(c.dc(), kTestFontFace, -8);
  struct Measure {
    const char* text;
    UINT flags;
    int width_limit;
    SIZE expected;
    int answer;
  };
  const Measure cases[] = {
      {"Hello", DT_SINGLELINE, 200, {30, 10}, 10},
      {"&File", DT_SINGLELINE, 200, {24, 10}, 10},
      {"&File", DT_SINGLELINE | DT_NOPREFIX, 200, {30, 10}, 10},
      {"a&&b", 0, 200, {18, 10}, 10},
      {"aaa bbb ccc", DT_WORDBREAK, 45, {42, 20}, 20},
      {"aaa bbb ccc", 0, 45, {66, 10}, 10},
      {"a\r\nbb\ncc", 0, 200, {12, 30}, 30},
      {"a\r\n\r\nb\r\n", 0, 200, {6, 30}, 30},  // an empty line counts, a final break does not
      {"a\r\nbb\ncc", DT_SINGLELINE, 200, {48, 10}, 10},  // line breaks are ordinary characters
      {"a\tb", DT_EXPANDTABS, 200, {54, 10}, 10},
      {"abcdefghij", DT_SINGLELINE | DT_END_ELLIPSIS, 40, {36, 10}, 10},   // "abc..."
      {"abcdefghij", DT_SINGLELINE, 40, {60, 10}, 10},
      {"中文字符测试", DT_WORDBREAK, 40, {36, 20}, 20},                     // breaks between ideographs
      {"中文字符测试", DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK, 40, {72, 10}, 10},
      {"中文，字符", DT_WORDBREAK, 30, {24, 30}, 30},                       // '，' never starts a line
      {"温度 Temp", DT_WORDBREAK, 40, {24, 20}, 20},
      {"longword", DT_WORDBREAK, 20, {48, 10}, 10},                        // a long word is not broken
      {"longword", DT_WORDBREAK | DT_EDITCONTROL, 20, {18, 30}, 30},       // ... unless asked to
      {"", 0, 200, {0, 0}, 0},
      {"", DT_SINGLELINE, 200, {0, 10}, 10},
  };
  for (const Measure& m : cases) {
    RECT r{5, 7, 5 + m.width_limit, 100};
    const int answer = DrawText(c.dc(), m.text, &r, m.flags | DT_CALCRECT);
    EXPECT_EQ(SIZE(r.right - r.left, r.bottom - r.top), m.expected) << m.text << " flags " << m.flags;
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(answer, m.answer) << m.text;
  }
}

TEST(TestFont, DrawTextDrawsWhereItMeasured) {
  expect_lines_at("ab", DT_SINGLELINE | DT_CENTER | DT_VCENTER, {0, 0, 40, 30}, {{"ab", {14, 10}}});
  expect_lines_at("ab", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, {0, 0, 40, 30}, {{"ab", {28, 20}}});
  expect_lines_at("aaa bbb ccc", DT_WORDBREAK | DT_CENTER, {2, 3, 47, 60}, {{"aaa bbb", {3, 3}}, {"ccc", {15, 13}}});
  expect_lines_at("中文字符测试", DT_WORDBREAK, {0, 0, 40, 60}, {{"中文字", {0, 0}}, {"符测试", {0, 10}}});
  expect_lines_at("abcdefghij", DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 40, 20}, {{"abc...", {0, 0}}});
  expect_lines_at("a\tb", DT_EXPANDTABS, {0, 0, 100, 20}, {{"a", {0, 0}}, {"b", {48, 0}}});
  // The VCENTER answer is the offset from the top to the bottom of the text.
  Canvas c(50, 50);
  WithFont f(c.dc(), kTestFontFace, -8);
  RECT r{0, 0, 40, 30};
  EXPECT_EQ(DrawText(c.dc(), "x", &r, DT_SINGLELINE | DT_VCENTER), 20);
}

// Each ellipsis kind on the test font (6-pixel cells, "..." 18 pixels): the text that is shown,
// read back through DT_MODIFYSTRING, and the pixels, which equal drawing that text unshortened.
TEST(TestFont, EllipsisKindsAndTheModifiedString) {
  struct Case {
    const char* text;
    UINT flags;
    int width;
    const char* shown;  // the string after the call
  };
  constexpr UINT kMod = DT_SINGLELINE | DT_MODIFYSTRING;
  const Case cases[] = {
      {"abcdefghij", kMod | DT_END_ELLIPSIS, 40, "abc..."},
      {"ab cd ef gh", kMod | DT_END_ELLIPSIS, 40, "ab ..."},
      {"ab cd ef gh", kMod | DT_WORD_ELLIPSIS, 40, "ab..."},         // cut after a whole word
      {"ab cd ef gh", kMod | DT_WORD_ELLIPSIS, 60, "ab cd..."},
      {"abcdefghij kl", kMod | DT_WORD_ELLIPSIS, 40, "abc..."},      // a first word too long is cut inside
      {"中文字符测试", kMod | DT_WORD_ELLIPSIS, 50, "中文..."},       // each ideograph is a word
      {"C:\\dir\\sub\\file.txt", kMod | DT_PATH_ELLIPSIS, 100, "C:\\d...\\file.txt"},
      {"/home/user/data/report.xls", kMod | DT_PATH_ELLIPSIS, 100, "/h.../report.xls"},
      {"C:\\dir\\file.txt", kMod | DT_PATH_ELLIPSIS, 60, "...\\fil..."},  // the last part itself too wide
      {"abcdefghij", kMod | DT_PATH_ELLIPSIS, 40, "abc..."},          // no separator: the end is cut
      {"C:\\dir\\sub\\file.txt", kMod | DT_PATH_ELLIPSIS, 200, "C:\\dir\\sub\\file.txt"},  // it fits
      {"&abcdefghij", kMod | DT_END_ELLIPSIS, 40, "&abc..."},          // the prefix is written back
      {"a&&bcdefghij", kMod | DT_END_ELLIPSIS, 40, "a&&b..."},
      {"abcdefghij", DT_SINGLELINE | DT_END_ELLIPSIS, 40, "abcdefghij"},  // not asked to modify
      {"abcdefghij", kMod, 40, "abcdefghij"},                             // no ellipsis, no change
      {"abcdefghij\r\nxy", DT_MODIFYSTRING | DT_END_ELLIPSIS, 40, "abcdefghij\r\nxy"},  // more than one line
  };
  for (const Case& k : cases) {
    Canvas a(220, 12), b(220, 12);
    WithFont fa(a.dc(), kTestFontFace, -8), fb(b.dc(), kTestFontFace, -8);
    std::string text = k.text;
    RECT r{0, 0, k.width, 12};
    EXPECT_EQ(DrawText(a.dc(), &text, &r, k.flags), (k.flags & DT_SINGLELINE) ? 10 : 20) << k.text;
    EXPECT_EQ(text, k.shown) << k.text << " flags " << std::hex << k.flags;
    if (!(k.flags & DT_SINGLELINE) || !(k.flags & DT_MODIFYSTRING)) continue;
    // What was drawn is the shown text, unshortened, clipped to the same rectangle.
    RECT wide{0, 0, k.width, 12};
    DrawText(b.dc(), k.shown, &wide, DT_SINGLELINE);
    EXPECT_EQ(a.pixels(), b.pixels()) << k.text;
    // Measuring gives the shown text's width.
    RECT calc{0, 0, k.width, 12}, shown{0, 0, 1000, 12};
    DrawText(a.dc(), k.text, &calc, (k.flags & ~DT_MODIFYSTRING) | DT_CALCRECT);
    DrawText(b.dc(), k.shown, &shown, DT_SINGLELINE | DT_CALCRECT);
    if (k.flags & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
      EXPECT_EQ(calc.right, shown.right) << k.text;
    }
  }
  // The UTF-16 form changes its string the same way.
  Canvas c(60, 12);
  WithFont f(c.dc(), kTestFontFace, -8);
  std::u16string wide = u"C:\\dir\\sub\\file.txt";
  RECT r{0, 0, 100, 12};
  DrawText(c.dc(), &wide, &r, kMod | DT_PATH_ELLIPSIS);
  EXPECT_EQ(wide, u"C:\\d...\\file.txt");
}

TEST(TestFont, PrefixUnderlinesTheMarkedCharacter) {
  Canvas a(40, 12), b(40, 12);
  WithFont fa(a.dc(), kTestFontFace, -8), fb(b.dc(), kTestFontFace, -8);
  RECT r{0, 0, 40, 12};
  DrawText(a.dc(), "a&bc", &r, DT_SINGLELINE);
  DrawText(b.dc(), "abc", &r, DT_SINGLELINE | DT_NOPREFIX);
  // Only row 9 (one below the baseline) under the 'b' cell differs.
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool underline = y == 9 && x >= 6 && x < 12;
      EXPECT_EQ(a.at(x, y), underline ? kBlack : b.at(x, y)) << x << "," << y;
    }
  // DT_HIDEPREFIX drops the '&' without the underline.
  Canvas h(40, 12);
  WithFont fh(h.dc(), kTestFontFace, -8);
  DrawText(h.dc(), "a&bc", &r, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(h.pixels(), b.pixels());
}

TEST(TestFont, DrawTextClipsToItsRectangleUnlessNoClip) {
  Canvas a(60, 12), b(60, 12);
  WithFont fa(a.dc(), kTestFontFace, -8), fb(b.dc(), kTestFontFace, -8);
  SetBkMode(a.dc(), TRANSPARENT);
  SetBkMode(b.dc(), TRANSPARENT);
  RECT r{0, 0, 10, 12};
  DrawText(a.dc(), "WWWW", &r, DT_SINGLELINE);
  EXPECT_LE(ink_box(a).right, 10);
  DrawText(b.dc(), "WWWW", &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(ink_box(b).right, 20);
}

// ---------------------------------------------------------------- installed fonts
TEST(RealFont, FaceNamesMapThroughTheAliasTable) {
  Canvas c(4, 4);
  const std::pair<const char*, const char*> cases[] = {
      {"宋体", "AR PL SungtiL GB"},       {"SimSun", "AR PL SungtiL GB"},     {"新宋体", "AR PL SungtiL GB"},
      {"Arial", "Liberation Sans"},        {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},  {"No Such Face", "AR PL SungtiL GB"}};
  for (auto [face, expected] : cases) {
    WithFont f(c.dc(), face, -12);
    std::string used;
    GetTextFace(c.dc(), &used);
    EXPECT_EQ(used, expected) << face;
  }
}

TEST(RealFont, ExtentsComeFromTheFontItself) {
  Canvas c(4, 4);
  {
    WithFont song(c.dc(), "宋体", -12);
    SIZE s;
    // Ideographs of the Song face are one em wide.
    GetTextExtentPoint32(c.dc(), "温度湿度", &s);
    EXPECT_EQ(s.cx, 48);
    TEXTMETRIC tm;
    GetTextMetrics(c.dc(), &tm);
    EXPECT_EQ(s.cy, tm.tmHeight);
    EXPECT_GE(tm.tmHeight, 12);
    EXPECT_LE(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    // Latin text measures narrower than ideographs.
    GetTextExtentPoint32(c.dc(), "abcd", &s);
    EXPECT_LT(s.cx, 48);
    EXPECT_GT(s.cx, 12);
  }
  {
    // Liberation Sans has the advance widths of the common Arial metrics: H 1479, e 1139, l 455,
    // o 1139 units of 2048; at 12 pixels "Hello" is about 27.4 pixels before grid fitting.
    WithFont arial(c.dc(), "Arial", -12);
    SIZE s;
    GetTextExtentPoint32(c.dc(), "Hello", &s);
    EXPECT_NEAR(s.cx, (1479 + 1139 + 455 * 2 + 1139) * 12.0 / 2048, 3.0);
    // Ideographs missing from the Latin face come from the Chinese face.
    SIZE mixed;
    GetTextExtentPoint32(c.dc(), "Hello中", &mixed);
    EXPECT_EQ(mixed.cx, s.cx + 12);
  }
  WithFont cell(c.dc(), "Arial", 16);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  EXPECT_EQ(tm.tmHeight, 16) << "a positive height is the cell height";
  EXPECT_GT(tm.tmInternalLeading, 0);
}

TEST(RealFont, DrawTextWrapsChineseWithRealExtents) {
  Canvas c(4, 4);
  WithFont song(c.dc(), "宋体", -12);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc(), &tm);
  RECT r{0, 0, 30, 100};
  EXPECT_EQ(DrawText(c.dc(), "设备参数", &r, DT_WORDBREAK | DT_CALCRECT), 2 * tm.tmHeight);
  EXPECT_EQ(r.right, 24);
  RECT e{0, 0, 40, 100};
  DrawText(c.dc(), "通讯端口设置", &e, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(e.right, 40);
  SIZE dots;
  GetTextExtentPoint32(c.dc(), "...", &dots);
  EXPECT_EQ(e.right, 12 * ((40 - dots.cx) / 12) + dots.cx);
}

TEST(RealFont, OutlinesAreAntiAliasedUnlessAskedNotTo) {
  const auto greys = [](DWORD quality) {
    Canvas c(40, 24);
    WithFont f(c.dc(), "宋体", -16, FW_NORMAL, quality);
    SetBkMode(c.dc(), TRANSPARENT);
    TextOut(c.dc(), 2, 2, "温度");
    int grey = 0, black = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x) {
        const COLORREF p = c.at(x, y);
        if (p == kBlack) ++black;
        else if (p != kWhite) ++grey;
      }
    EXPECT_GT(black + grey, 20) << "the text has ink";
    return grey;
  };
  EXPECT_GT(greys(ANTIALIASED_QUALITY), 0);
  EXPECT_EQ(greys(NONANTIALIASED_QUALITY), 0);
}

// Digits must keep their shapes at the sizes windows use, or "8" reads as "3" or "0": counted by
// their enclosed holes (background regions the ink closes in) after the text is drawn.
TEST(RealFont, DigitsKeepTheirShapeAtWindowSizes) {
  const std::pair<char, int> holes[] = {{'0', 1}, {'1', 0}, {'2', 0}, {'3', 0}, {'5', 0},
                                        {'6', 1}, {'7', 0}, {'8', 2}, {'9', 1}};
  for (int px : {12, 13, 14, 15}) {
    for (auto [digit, expected] : holes) {
      const int w = 24, h = 28;
      Canvas c(w, h);
      WithFont f(c.dc(), "宋体", -px);
      SetBkMode(c.dc(), TRANSPARENT);
      TextOut(c.dc(), 6, 6, std::string(1, digit));
      // Ink where the pixel is darker than light grey; holes are the background regions
      // (4-connected) that do not reach the canvas border.
      std::vector<int> region(static_cast<std::size_t>(w * h), -1);
      auto ink = [&](int x, int y) { return (c.at(x, y) & 0xFF) < 0xC0; };
      int found = 0;
      for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
          if (ink(x0, y0) || region[static_cast<std::size_t>(y0 * w + x0)] >= 0) continue;
          bool open = false;
          std::vector<std::pair<int, int>> todo{{x0, y0}};
          region[static_cast<std::size_t>(y0 * w + x0)] = 1;
          while (!todo.empty()) {
            auto [x, y] = todo.back();
            todo.pop_back();
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1) open = true;
            const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
            for (auto [nx, ny] : next) {
              if (nx < 0 || ny < 0 || nx >= w || ny >= h || ink(nx, ny)) continue;
              int& r = region[static_cast<std::size_t>(ny * w + nx)];
              if (r >= 0) continue;
              r = 1;
              todo.push_back({nx, ny});
            }
          }
          if (!open) ++found;
        }
      }
      std::string dump;
      for (int y = 4; y < 22; ++y) {
        for (int x = 4; x < 16; ++x) dump += ink(x, y) ? "#" : ".";
        dump += "\n";
      }
      EXPECT_EQ(found, expected) << "\"" << digit << "\" at " << px << " pixels\n" << dump;
    }
  }
}

}  // namespace
}  // namespace platform::gdi
