#include "core/unicode.h"

#include <gtest/gtest.h>

namespace {

using namespace core;

TEST(Unicode, RoundTripsAllPlanes) {
  std::string s = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";  // A é 中 😀
  std::u16string w = utf8_to_utf16(s);
  EXPECT_EQ(w, std::u16string(u"Aé中\U0001F600"));
  EXPECT_EQ(w.size(), 5u);  // the emoji is a surrogate pair
  EXPECT_EQ(utf16_to_utf8(w), s);
  EXPECT_TRUE(is_valid_utf8(s));
}

TEST(Unicode, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string in;
    std::u16string out;
  } cases[] = {
      {"lone continuation", "a\x80" "b", u"a\uFFFDb"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"truncated at end", "x\xE4\xB8", u"x\uFFFD"},
      {"truncated before ASCII", "\xE4\xB8z", u"\uFFFDz"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"invalid lead byte", "\xFF", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8_to_utf16(c.in), c.out) << c.name;
    EXPECT_FALSE(is_valid_utf8(c.in)) << c.name;
  }
  EXPECT_TRUE(is_valid_utf8("\xEF\xBF\xBD"));  // a genuine U+FFFD
}

TEST(Unicode, UnpairedSurrogatesBecomeReplacementCharacters) {
  const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
  const char16_t lone_low[] = {0xDC00, u'c', 0};
  const char16_t high_at_end[] = {u'd', 0xDBFF, 0};
  EXPECT_EQ(utf16_to_utf8(lone_high), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(utf16_to_utf8(lone_low), "\xEF\xBF\xBD" "c");
  EXPECT_EQ(utf16_to_utf8(high_at_end), "d\xEF\xBF\xBD");
  std::u16string out;
  append_utf16(out, 0xD800);
  append_utf16(out, 0x110000);
  EXPECT_EQ(out, std::u16string(u"\uFFFD\uFFFD"));
}

TEST(Unicode, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(ascii_upper("abc-xyz_é"), "ABC-XYZ_é");
  EXPECT_EQ(ascii_lower(u"SUM(Ä)"), u"sum(Ä)");
  EXPECT_TRUE(ascii_iequals("Sheet1", "SHEET1"));
  EXPECT_FALSE(ascii_iequals(u"ä", u"Ä"));
  EXPECT_LT(ascii_icompare("apple", "Banana"), 0);
  EXPECT_GT(ascii_icompare(u"abc", u"AB"), 0);
  EXPECT_EQ(ascii_icompare("\xE9", "\xE9"), 0);
  EXPECT_GT(ascii_icompare("\xE9", "a"), 0);  // bytes compare unsigned
}

}  // namespace
