#include "core/codepage.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/unicode.h"

namespace {

using namespace core;

TEST(CodePage, ChineseRoundTripsThrough936) {
  const std::u16string text = u"温湿度记录仪 报警记录 2026-12-10 °C";
  bool lossy = true;
  std::string bytes = utf16_to_codepage(936, text, &lossy);
  EXPECT_FALSE(lossy);
  // "温" is CE C2 in GBK.
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xCE);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xC2);
  EXPECT_EQ(codepage_to_utf16(936, bytes), text);
  EXPECT_EQ(codepage_to_utf8(936, utf8_to_codepage(936, "保存excel")), "保存excel");
}

TEST(CodePage, All256BytesOf1252RoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::u16string text = codepage_to_utf16(1252, all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x81], u'\u0081');
  EXPECT_EQ(text[0x9F], u'\u0178');
  EXPECT_EQ(text[0xE9], u'\u00E9');
  bool lossy = true;
  EXPECT_EQ(utf16_to_codepage(1252, text, &lossy), all);
  EXPECT_FALSE(lossy);
}

TEST(CodePage, UnmappableCharactersAreSubstituted) {
  struct Case {
    int cp;
    std::u16string in;
    std::string out;
  } cases[] = {
      {1252, u"a中b", "a?b"},
      {1252, u"x\U0001F600y", "x?y"},  // one '?' for the whole surrogate pair
      {936, u"a\U0001F600b", "a?b"},
      {1251, u"Жé", "\xC6?"},
      {20127, u"aé", "a?"},
  };
  for (const auto& c : cases) {
    bool lossy = false;
    EXPECT_EQ(utf16_to_codepage(c.cp, c.in, &lossy), c.out) << c.cp;
    EXPECT_TRUE(lossy) << c.cp;
  }
}

TEST(CodePage, InvalidBytesDecodeToReplacementCharacters) {
  // 0xFF is no lead byte in 936; a lead byte at the very end is incomplete.
  EXPECT_EQ(codepage_to_utf16(936, "a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(codepage_to_utf16(936, "a\xD6"), u"a\uFFFD");
}

TEST(CodePage, NamedCodePagesAreAvailable) {
  for (int cp : {932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1257}) {
    ASSERT_TRUE(codepage_supported(cp)) << cp;
    EXPECT_EQ(codepage_to_utf16(cp, "Hello 123"), u"Hello 123") << cp;
  }
  EXPECT_EQ(codepage_to_utf16(932, "\x93\xfa\x96\x7b"), u"日本");
  EXPECT_EQ(codepage_to_utf16(949, "\xc7\xd1"), u"한");
  EXPECT_EQ(codepage_to_utf16(950, "\xa4\xa4"), u"中");
  EXPECT_FALSE(codepage_supported(12345));
  EXPECT_THROW(codepage_to_utf16(12345, "x"), Error);
}

}  // namespace
