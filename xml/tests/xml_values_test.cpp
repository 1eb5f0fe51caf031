#include "xml/xml_values.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cmath>
#include <limits>

#include "core/error.h"

namespace {

using namespace ooxml;

TEST(XmlValues, IntegerTextTable) {
  struct Case {
    std::u16string text;
    bool ok;
    std::int32_t value;
  } cases[] = {
      {u"42", true, 42},          {u"  -17", true, -17},        {u"+5", true, 5},
      {u"$ff", true, 255},        {u"x10", true, 16},           {u"0X1f", true, 31},
      {u"$FFFFFFFF", true, -1},   {u"2147483647", true, INT32_MAX}, {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},  {u"12a", false, 0},           {u"1 ", false, 0},
      {u"", false, 0},            {u"-", false, 0},             {u"$", false, 0},
      {u"1.5", false, 0},         {u"\u0661", false, 0},        {u"$100000000", false, 0},
  };
  for (const Case& c : cases) {
    std::int32_t v = 0;
    EXPECT_EQ(TryXmlStrToInt(c.text, v), c.ok) << std::string(c.text.begin(), c.text.end());
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
    EXPECT_EQ(XmlStrToIntDef(c.text, -99), c.ok ? c.value : -99);
  }
  EXPECT_EQ(XmlHexStrToIntDef(u"#ffffe1", 0), 16777185);
  EXPECT_EQ(XmlHexStrToIntDef(u"#zz", 7), 7);
  EXPECT_EQ(XmlHexStrToIntDef(u"12", 7), 12);

  std::uint32_t u = 0;
  EXPECT_TRUE(TryXmlStrToLongword(u"-1", u));
  EXPECT_EQ(u, 4294967295u);
  EXPECT_TRUE(TryXmlStrToLongword(u"4294967295", u));
  EXPECT_EQ(u, 4294967295u);
  EXPECT_FALSE(TryXmlStrToLongword(u"4294967296", u));
  EXPECT_FALSE(TryXmlStrToLongword(u"one", u));
}

TEST(XmlValues, FloatTextTable) {
  struct Case {
    std::u16string text;
    bool ok;
    double value;
  } cases[] = {
      {u"1.5", true, 1.5},     {u" 2e3 ", true, 2000},   {u"-0.25", true, -0.25},  {u"+7", true, 7},
      {u"1E-7", true, 1e-7},   {u".5", true, 0.5},       {u"5.", true, 5},         {u"1,5", false, 0},
      {u"", false, 0},         {u"e5", false, 0},        {u"1e", false, 0},        {u"0x10", false, 0},
      {u"1e999", false, 0},    {u"1e-999", true, 0},     {u"abc", false, 0},       {u"1.5x", false, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(TryXmlStrToFloat(c.text, v), c.ok) << std::string(c.text.begin(), c.text.end());
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
  EXPECT_EQ(XmlStrToFloat(u"1,5"), 0);
  EXPECT_EQ(XmlStrToFloatDef(u"x", 3.5), 3.5);
  EXPECT_TRUE(std::isinf(XmlStrToFloat(u"-INF")));
  EXPECT_TRUE(std::isnan(XmlStrToFloat(u"NaN")));
}

TEST(XmlValues, FloatToTextIsShortestAndReadsBack) {
  struct Case {
    double value;
    std::u16string text;
  } cases[] = {
      {0.1, u"0.1"},
      {1.5e20, u"1.5E20"},
      {1e-6, u"1E-6"},
      {1e-5, u"0.00001"},
      {1.5e-7, u"1.5E-7"},
      {123456789012345.0, u"123456789012345"},
      {1e15, u"1E15"},
      {999999999999999.9, u"999999999999999.9"},
      {-2.5, u"-2.5"},
      {0.0, u"0"},
      {-0.0, u"0"},
      {100, u"100"},
      {0.30000000000000004, u"0.30000000000000004"},
      {std::numeric_limits<double>::infinity(), u"INF"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
      {std::nan(""), u"NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlFloatToStr(c.value), c.text) << c.value;
  for (double v : {3.141592653589793, 1.0 / 3, 5e-324, 1.7976931348623157e308, 0.1 + 0.2, -1e-5, 12345.678}) {
    EXPECT_EQ(XmlStrToFloat(XmlFloatToStr(v)), v) << v;
  }
}

TEST(XmlValues, FloatConversionsIgnoreTheLocale) {
  // The module's own separator and, where one is installed, a C locale with a decimal comma.
  TFormatSettings saved_settings = XpgFormatSettings();
  XpgFormatSettings().DecimalSeparator = u',';
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool comma_locale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  EXPECT_EQ(XmlFloatToStr(1.5), u"1.5");
  EXPECT_EQ(XmlStrToFloat(u"1.5"), 1.5);
  EXPECT_EQ(XmlStrToFloat(u"1,5"), 0);
  EXPECT_EQ(XmlFloatToStr(-2.25e-9), u"-2.25E-9");
  std::setlocale(LC_NUMERIC, saved.c_str());
  XpgFormatSettings() = saved_settings;
  if (!comma_locale) std::printf("note: no comma locale installed; checked the module separator only\n");
}

TEST(XmlValues, Booleans) {
  for (const char16_t* t : {u"true", u"TRUE", u"1", u"t", u"T"}) EXPECT_TRUE(XmlStrToBool(t));
  for (const char16_t* f : {u"false", u"0", u"f", u"False"}) EXPECT_FALSE(XmlStrToBool(f));
  try {
    XmlStrToBool(u"yes");
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Invalid boolean value \"yes\"");
  }
  EXPECT_TRUE(XmlStrToBoolDef(u"T", false));
  EXPECT_TRUE(XmlStrToBoolDef(u"yes", true));
  EXPECT_FALSE(XmlStrToBoolDef(u" 1", false));
  bool b = false;
  EXPECT_TRUE(TryXmlStrToBool(u"True", b));
  EXPECT_TRUE(b);
  EXPECT_FALSE(TryXmlStrToBool(u"1", b));
  EXPECT_EQ(XmlBoolToStr(true), u"1");
  EXPECT_EQ(XmlBoolToStr(false), u"0");
}

TEST(XmlValues, HexAndIntegerText) {
  EXPECT_EQ(XmlIntToRGBHex(255), u"0000FF");
  EXPECT_EQ(XmlIntToRGBHex(0x12345678), u"12345678");
  EXPECT_EQ(XmlIntToRGBHex(-1), u"FFFFFFFF");
  EXPECT_EQ(XmlIntToHex(255, 2), u"FF");
  EXPECT_EQ(XmlIntToHex(10, 4), u"000A");
  EXPECT_EQ(XmlIntToStr(-12), u"-12");
  EXPECT_EQ(XmlIntToStr(4294967295u), u"4294967295");
}

TEST(XmlValues, DateTimes) {
  TDateTime noon = XmlEncodeDateTime(2000, 1, 1, 12, 0, 0, 0);
  EXPECT_EQ(noon, 36526.5);
  EXPECT_EQ(XmlDateTimeToStr(noon), u"2000-01-01T12:00:00Z");
  EXPECT_EQ(XmlDateTimeToStr(XmlEncodeDateTime(2026, 12, 10, 23, 59, 59, 999)), u"2026-12-10T23:59:59Z");
  EXPECT_EQ(XmlDateTimeToStr(0), u"1899-12-30T00:00:00Z");
  // What the writer produces reads back, and so does the module's short date format.
  EXPECT_EQ(XmlStrToDateTime(u"2000-01-01T12:00:00Z"), noon);
  EXPECT_EQ(XmlStrToDateTime(u"2000-01-01T12:00:00.5Z"), noon + 500.0 / 86400000.0);
  EXPECT_EQ(XmlStrToDateTime(u"2000/1/1 12:00"), noon);
  EXPECT_EQ(XmlStrToDateTime(u"2000-02-30"), 0);
  EXPECT_EQ(XmlStrToDateTime(u"soon"), 0);
  TDateTime v;
  EXPECT_THROW(TryXmlStrToDateTime(u"2000-01-01", v), core::Error);
}

TEST(XmlValues, StringHelpers) {
  std::u16string s = u"\r\na\tb\nc\r\n";
  XmlNormalizeText(s);
  EXPECT_EQ(s, u"ab c");
  s = u"x\n\ry\r\rz";
  XmlNormalizeText(s);
  EXPECT_EQ(s, u"x y  z");
  EXPECT_EQ(XmlLocalName(u"r:id"), u"id");
  EXPECT_EQ(XmlLocalName(u"id"), u"id");
  EXPECT_EQ(XmlCPos(u':', u"abc"), -1);
  EXPECT_EQ(XmlCPos(u':', u"a:b:c"), 2);
  EXPECT_EQ(XmlRCPos(u':', u"a:b:c"), 4);
  EXPECT_EQ(XmlStrByteSum(u"a:red"), 470);
  EXPECT_EQ(XmlStrByteSum(u"\u0102"), 3);
  std::u16string rest = u"a b", head;
  XmlSplitAtChar(u' ', rest, head);
  EXPECT_EQ(head, u"a");
  EXPECT_EQ(rest, u"b");
  XmlSplitAtChar(u' ', rest, head);
  EXPECT_EQ(head, u"b");
  EXPECT_EQ(rest, u"");
  // RS hash: hash = hash * a + c with a starting at 63689, times 378551 after each unit.
  std::uint32_t h = 0, a = 63689;
  for (char16_t c : std::u16string(u"c:ser")) {
    h = h * a + c;
    a *= 378551u;
  }
  EXPECT_EQ(XmlStrRSHash(u"c:ser"), h);
  EXPECT_NE(XmlStrRSHash(u"ab"), XmlStrRSHash(u"ba"));
}

TEST(XmlValues, XEscapesRoundTrip) {
  EXPECT_EQ(XmlDecodeXEscapes(u"a_x000D_b_x005F_x0041_"), u"a\rb_x0041_");
  EXPECT_EQ(XmlDecodeXEscapes(u"_x00zz_ _x41_"), u"_x00zz_ _x41_");
  EXPECT_EQ(XmlEncodeXEscapes(u"a\x01" u"b\rc\td\ne"), u"a_x0001_b_x000D_c\td\ne");
  EXPECT_EQ(XmlEncodeXEscapes(u"_x0041_"), u"_x005F_x0041_");
  EXPECT_EQ(XmlEncodeXEscapes(u"\xD800x\uFFFF"), u"_xD800_x_xFFFF_");
  for (std::u16string t : {std::u16string(u"plain"), std::u16string(u"_x0041_\x1F_x_"), std::u16string(u"\xDC00\xD83D\xDE00")})
    EXPECT_EQ(XmlDecodeXEscapes(XmlEncodeXEscapes(t)), t);
  // The variants that spare an allocation agree with the ones that make a new string.
  for (std::u16string t : {std::u16string(u""), std::u16string(u"plain"), std::u16string(u"a_x000D_b_x005F_x0041_"),
                           std::u16string(u"_x00zz_ _x41_"), std::u16string(u"a\x01_x0041_\xD800"),
                           std::u16string(u"_x0041__x0042_")}) {
    std::u16string in_place = t;
    XmlDecodeXEscapesInPlace(in_place);
    EXPECT_EQ(in_place, XmlDecodeXEscapes(t));
    EXPECT_EQ(std::u16string(XmlEncodeXEscapesView(t)), XmlEncodeXEscapes(t));
  }
}

TEST(XmlValues, ErrorCollector) {
  TXpgPErrors errors;
  int calls = 0;
  errors.SetOnError([&](TXpgPErrors& sender) {
    ++calls;
    EXPECT_EQ(&sender, &errors);
  });
  errors.Error(1, u"foo", 0);
  EXPECT_EQ(errors.LastError(), u"Row 0: Unknown Element \"foo\"");
  errors.Error(0, u"r:x", 3);
  EXPECT_EQ(errors.LastError(), u"Row 3: Unknown Attribute \"r:x\"");
  errors.Error(7, u"ignored", 0);
  EXPECT_EQ(errors.LastError(), u"Row 0: Row 3: Unknown Attribute \"r:x\"");
  errors.Error(2, u"c:userShapes", 0);
  EXPECT_EQ(errors.LastError(), u"Row 0: Element Not Written \"c:userShapes\"");
  EXPECT_EQ(calls, 4);
}

}  // namespace
