#include "workbook/biff_codecs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "workbook/colors.h"
#include "workbook/format_settings.h"

namespace workbook {
namespace {

TEST(DecodeRK, AllForms) {
  struct Case {
    std::uint32_t rk;
    double value;
  } cases[] = {
      {0x3FF00000, 1.0},   {0x3FF00001, 0.01},  {0x00000006, 1},    {0x00000007, 0.01},
      {0xFFFFFFFE, -1},    {0xFFFFFE72, -100},  {0xFFFFFE73, -1},   {0x00000002, 0},
      {0xC0240000, -10.0}, {0x7FFFFFFE, 536870911}, {0x80000002, -536870912},
      {0x405EDD3C, 123.456787109375},  // high word of a double, low word zero
      {0x405EDD3D, 1.23456787109375},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DecodeRK(static_cast<std::int32_t>(c.rk)), c.value) << std::hex << c.rk;
  }
}

TEST(CellErrors, CodesTextsAndBytes) {
  const char16_t* texts[] = {u"_ERROR_ERROR_", u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                             u"#NAME?",        u"#NUM!",  u"#N/A",    u"#GETTING_DATA"};
  const int biff[] = {0x2A, 0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A, 0x2A};
  for (int code = 0; code <= 8; ++code) {
    EXPECT_EQ(Xc12ErrorToText(static_cast<std::uint8_t>(code)), texts[code]);
    EXPECT_EQ(Xc12ErrorToText(static_cast<std::uint8_t>(code | 0x80)), texts[code]);  // bit 7 ignored
    EXPECT_EQ(ErrorTextToXc12Error(texts[code]), code);
    EXPECT_EQ(Xc12ErrorToBIFFError(static_cast<std::uint8_t>(code)), biff[code]);
    if (code >= 1 && code <= 7) {
      EXPECT_EQ(BIFFErrorToXc12Error(biff[code]), code);
      EXPECT_EQ(BIFFErrorToText(biff[code]), texts[code]);
    }
  }
  EXPECT_EQ(Xc12ErrorToBIFFError(0x87), 0x2A);
  EXPECT_EQ(Xc12ErrorToBIFFError(0x82), 0x07);
  EXPECT_EQ(Xc12ErrorToText(9), u"_ERROR_ERROR_");
  EXPECT_EQ(ErrorTextToXc12Error(u"#n/a"), 0);
  EXPECT_EQ(BIFFErrorToXc12Error(0x2B), 0);
  EXPECT_EQ(BIFFErrorToText(0x2B), u"#???");
  EXPECT_EQ(BIFFErrorToText(-1), u"#???");
}

TEST(BooleanTexts, StartAsTrueAndFalseAndCanBeReplaced) {
  EXPECT_EQ(BooleanTexts().Of(true), u"TRUE");
  EXPECT_EQ(BooleanTexts().Of(false), u"FALSE");
  BooleanTexts().True = u"WAHR";
  EXPECT_EQ(BooleanTexts().Of(true), u"WAHR");
  ResetBooleanTexts();
  EXPECT_EQ(BooleanTexts().True, u"TRUE");
}

class PaletteTest : public ::testing::Test {
protected:
  void TearDown() override { ResetXc12Palette(); }
};

TEST_F(PaletteTest, NearestIndexTakesTheFirstMinimum) {
  EXPECT_EQ(RGBToBIFFColorIndex(0x0000FF), 10);  // red: the first red entry, not 2
  EXPECT_EQ(RGBToBIFFColorIndex(0x010101), 8);   // black
  EXPECT_EQ(RGBToBIFFColorIndex(0xFF0000), 12);  // blue
  EXPECT_EQ(RGBToBIFFColorIndex(0xFFFFFF), 9);
  EXPECT_EQ(RGBToBIFFColorIndex(0xC0C0C1), 22);  // nearly silver
  Xc12Palette()[40] = 0x123456;
  EXPECT_EQ(RGBToBIFFColorIndex(0x123456), 40);  // the live palette decides
  EXPECT_EQ(PaletteColor(10), 0x0000FFu);
  EXPECT_EQ(PaletteColor(10 | 0x80), 0x0000FFu);
  EXPECT_EQ(PaletteIndexToRGB(12), 0xFF0000u);
  EXPECT_EQ(ClampColorIndex(64), 64);
  EXPECT_EQ(ClampColorIndex(65), 64);
  EXPECT_EQ(ClampColorIndex(0x7FFF), 64);
  EXPECT_EQ(ClampColorIndex(3), 3);
}

TEST(BiffStrings, BodiesWithTheirOptionByte) {
  std::u16string s = u"A温";
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(UncompressedBIFFStrSize(s)));
  ASSERT_EQ(buf.size(), 5u);
  WriteUncompressedBIFFStr(s, buf.data());
  EXPECT_EQ(buf, (std::vector<std::uint8_t>{1, 'A', 0, 0x29, 0x6E}));
  EXPECT_EQ(UncompressedBIFFStrSize(u""), 0);
  std::u16string back;
  BIFFStrToWideStr(buf.data(), 2, back);
  EXPECT_EQ(back, s);

  const std::uint8_t latin[] = {0, 'c', 'a', 'f', 0xE9};
  BIFFStrToWideStr(latin, 4, back);
  EXPECT_EQ(back, u"caf\u00E9");  // 8-bit characters widen one to one
  BIFFStrToWideStr(latin, 0, back);
  EXPECT_EQ(back, u"");
  BytesToWideStr(latin + 1, 4, back);
  EXPECT_EQ(back, u"caf\u00E9");

  // 200 UTF-16 characters are all returned.
  std::vector<std::uint8_t> longer(1 + 400);
  longer[0] = 1;
  for (int i = 0; i < 200; ++i) longer[static_cast<std::size_t>(1 + 2 * i)] = static_cast<std::uint8_t>('a' + i % 26);
  ShortBIFFStrToWideStr(longer.data(), 200, back);
  ASSERT_EQ(back.size(), 200u);
  EXPECT_EQ(back[199], u'a' + 199 % 26);

  std::string raw;
  CopyBIFFStrData(buf.data(), 2, raw);
  EXPECT_EQ(raw, std::string("\x01" "A\0\x29\x6E", 5));
  CopyBIFFStrData(latin, 2, raw);
  EXPECT_EQ(raw, std::string("\0ca", 3));
}

TEST(BiffStrings, OptionByteStringsUseTheLibraryCodePage) {
  std::u16string w;
  OptByteStrToWideStr(std::string("\0\xCE\xC2", 3), w);  // "温" in code page 936
  EXPECT_EQ(w, u"温");
  OptByteStrToWideStr(std::string("\x01" "A\0", 3), w);
  EXPECT_EQ(w, u"A");
  OptByteStrToWideStr("xyz", w);
  EXPECT_EQ(w, u"xyz");
  OptByteStrToWideStr("", w);
  EXPECT_EQ(w, u"");
  TFormatSettings::SetAnsiCodePage(1252);
  OptByteStrToWideStr(std::string("\0\x80", 2), w);
  EXPECT_EQ(w, u"\u20AC");
  ResetXLSFormatSettings();
}

TEST(BiffStrings, NulTerminatedText) {
  const std::uint8_t t[] = {'A', 0, 'B', 0, 0, 0, 'C', 0, 0, 0};
  std::u16string s;
  NulTermUTF16ToWideStr(t, 10, s);
  EXPECT_EQ(s, u"AB");
  NulTermUTF16ToWideStr(t, 4, s);
  EXPECT_EQ(s, u"A");
  NulTermUTF16ToWideStr(t, 0, s);
  EXPECT_EQ(s, u"");
  NulTermUTF16ToWideStr(t, 1, s);
  EXPECT_EQ(s, u"");
}

TEST(UpperCaseW, UsesTheUnicodeMapping) {
  EXPECT_EQ(UpperCaseW(u"sheet1 é ß ω 温"), u"SHEET1 É ß Ω 温");
  EXPECT_EQ(UpperCaseW(u"\xD83D\xDE00x"), u"\xD83D\xDE00X");
}

TEST(Grid, ClipArea97) {
  struct Case {
    int c1, r1, c2, r2;
    bool ok;
    int e1, f1, e2, f2;
  } cases[] = {
      {10, 70000, 300, 80000, false, 0, 0, 0, 0},
      {-5, -1, 300, 70000, true, 0, 0, 255, 65535},
      {256, 0, 300, 5, false, 0, 0, 0, 0},
      {0, 0, -1, 5, false, 0, 0, 0, 0},
      {1, 2, 3, 4, true, 1, 2, 3, 4},
  };
  for (const auto& c : cases) {
    int c1 = c.c1, r1 = c.r1, c2 = c.c2, r2 = c.r2;
    EXPECT_EQ(ClipArea97(c1, r1, c2, r2), c.ok);
    if (c.ok) {
      EXPECT_EQ(c1, c.e1);
      EXPECT_EQ(r1, c.f1);
      EXPECT_EQ(c2, c.e2);
      EXPECT_EQ(r2, c.f2);
    }
  }
}

TEST(Grid, NormalizePtgClass) {
  EXPECT_EQ(NormalizePtgClass(0x44), 0x24);  // tRefV -> tRefR
  EXPECT_EQ(NormalizePtgClass(0x64), 0x24);  // tRefA -> tRefR
  EXPECT_EQ(NormalizePtgClass(0x5F), 0x3F);
  EXPECT_EQ(NormalizePtgClass(0x24), 0x24);
  EXPECT_EQ(NormalizePtgClass(0x03), 0x03);
  EXPECT_EQ(NormalizePtgClass(0x80), 0x80);
  EXPECT_EQ(NormalizePtgClass(0xFF), 0xFF);
}

}  // namespace
}  // namespace workbook
