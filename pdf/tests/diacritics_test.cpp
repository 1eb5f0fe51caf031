#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pdf/diacritics.h"

namespace pdf {
namespace {

TEST(Diacritics, MarksComposeInCanonicalOrder) {
  struct Case {
    const char* what;
    std::u16string text;
    std::u32string want;          // empty: nothing composes
    std::vector<std::size_t> owner;
  };
  const Case cases[] = {
      {"two marks in turn", u"e\u0302\u0301", U"\u1EBF", {0, 0, 0}},
      {"dot below first", u"e\u0323\u0302", U"\u1EC7", {0, 0, 0}},
      {"dot below last: reordered", u"e\u0302\u0323", U"\u1EC7", {0, 0, 0}},
      {"Vietnamese words", u"Tie\u0302\u0301ng Vie\u0323\u0302t", U"Ti\u1EBFng Vi\u1EC7t",
       {0, 1, 2, 2, 2, 3, 4, 5, 6, 7, 8, 8, 8, 9}},
      {"a mark of the same class is blocked", u"a\u0301\u0301", U"\u00E1\u0301", {0, 0, 1}},
      {"uppercase and a surrogate pair before", u"\U0002000BA\u030A", U"\U0002000B\u00C5", {0, 0, 1, 1}},
      {"no marks", u"plain", U"", {}},
      {"a mark with no composition", u"x\u0301", U"", {}},
      {"a mark at the start", u"\u0301a", U"", {}},
      {"a base beyond the BMP", u"\U0002000B\u0301", U"", {}},
      {"the grapheme joiner separates", u"a\u034F\u0301", U"", {}},
  };
  const auto all = [](char32_t) { return true; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = ComposeDiacritics(c.text, all);
    if (c.want.empty()) {
      EXPECT_FALSE(got.has_value());
      continue;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->Chars, c.want);
    EXPECT_EQ(got->Owner, c.owner);
  }
}

TEST(Diacritics, OnlyCharactersTheFontHasAreComposed) {
  // The font has the e with circumflex and acute but not the one with dot below and circumflex.
  const auto has = [](char32_t c) { return c != 0x1EC7; };
  const auto got = ComposeDiacritics(u"e\u0302\u0301 e\u0323\u0302", has);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->Chars, U"\u1EBF e\u0323\u0302");
  EXPECT_FALSE(ComposeDiacritics(u"e\u0323\u0302", has).has_value());
}

TEST(Diacritics, CompositionTableIsOrderedForItsSearch) {
  const TDiacriticComposition* begin = DiacriticCompositions;
  const TDiacriticComposition* end = begin + DiacriticCompositionCount;
  EXPECT_TRUE(std::is_sorted(begin, end, [](const TDiacriticComposition& a, const TDiacriticComposition& b) {
    return a.Base != b.Base ? a.Base < b.Base : a.Mark < b.Mark;
  }));
  EXPECT_GT(DiacriticCompositionCount, 800u);
  EXPECT_EQ(DiacriticMarkClasses[0x23], 220);  // dot below
  EXPECT_EQ(DiacriticMarkClasses[0x4F], 0);    // grapheme joiner
}

}  // namespace
}  // namespace pdf
