// The number-format mask: the cases worth pinning down, and every row of the table that LibreOffice
// Calc computed for TEXT with the style sheet's built-in formats, the legacy default formats and the
// reports' masks (libreoffice/text_formats.tsv, made by libreoffice/gen_text_table.py).
#include "formula/functions/excel_mask.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/unicode.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

std::string Format(const std::string& Mask, double V, const TFormulaLocale& L = TFormulaLocale::Invariant()) {
  TExcelMask m(L);
  m.SetMask(core::utf8_to_utf16(Mask));
  return core::utf16_to_utf8(m.FormatNumber(V));
}

struct MaskCase {
  const char* mask;
  double value;
  const char* want;
};

TEST(ExcelMaskTest, NumberSections) {
  const MaskCase cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", -2.5, "-2.50"},
      {"#,##0.00", 1234.5, "1,234.50"},
      {"0.0,", 1500, "1.5"},
      {"#,##0,", 1234567, "1,235"},
      {"0%", 0.25, "25%"},
      {"000", 7, "007"},
      {"000", -5, "-005"},  // the sign stands before the digits
      {"$#,##0.00", -1234.5, "-$1,234.50"},
      {"0;(0);\"zero\"", -3, "(3)"},
      {"0;(0);\"zero\"", 0, "zero"},
      {"0;(0);\"zero\"", 4, "4"},
      {"0;;", -3, ""},  // an empty negative section hides negatives
      {"General", 1.0 / 3, "0.333333333333333"},
      {"", 12.5, "12.5"},
      {"#.##", 1, "1"},  // no decimal point without a digit after it
      {"0.0#", 1.5, "1.5"},
      {"0.00", 2.675, "2.68"},  // decimal halves round as written
      {"0", 2.5, "3"},
      {"0", -0.2, "0"},  // no sign on a zero result
      {"[Red]0;[Blue]-0", 5, "5"},
      {"[Red]0;[Blue]-0", -5, "-5"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E+00", 0.00012, "1.20E-04"},
      {"##0.0E+0", 12345, "12.3E+3"},
      {"# ?/?", 1.75, "1 3/4"},
      {"# ?" "?/?" "?", 0.3333, "  1/3 "},
      {"\"Temp: \"0.0\" C\"", 21.35, "Temp: 21.4 C"},
      {"@", 5, "5"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.mask, c.value), c.want) << c.mask << " with " << c.value;
}

TEST(ExcelMaskTest, DateTimeSections) {
  const double stamp = 43895.0 + (14 * 3600 + 7 * 60 + 9) / 86400.0;  // 2020-03-05 14:07:09
  TFormulaLocale dashes = TFormulaLocale::Invariant();
  dashes.DateSeparator = u'-';
  EXPECT_EQ(Format("yyyy-mm-dd hh:mm:ss", stamp), "2020-03-05 14:07:09");
  EXPECT_EQ(Format("yyyy/mm/dd", stamp, dashes), "2020-03-05");  // "/" follows the locale
  const MaskCase cases[] = {
      {"h:mm AM/PM", 0.5, "12:00 PM"},  // noon is 12 on the 12-hour clock
      {"h:mm AM/PM", 0.0, "12:00 AM"},
      {"hh:mm a/p", 0.75, "06:00 p"},
      {"[$-409][h]", 1.5, "36"},
      {"[h]:mm", 1.52, "36:28"},  // minutes after an elapsed hour
      {"[h]:mm:ss", 2.000011574, "48:00:01"},
      {"[mm]:ss", 0.0625, "90:00"},
      {"[hh]:mm", 0.25, "06:00"},
      {"[s]", 0.001, "86"},
      {"mm:ss.0", 0.001, "01:26.4"},
      {"d-mmm-yy", 43895, "5-Mar-20"},
      {"dddd, mmmm d, yyyy", 43895, "Thursday, March 5, 2020"},
      {"mmmmm", 43895, "M"},
      {"m/d/yy h:mm", 43895.25, "3/5/20 6:00"},
      {"hh:mm:ss", 43895.999999, "23:59:59"},  // seconds are cut, the day stays
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.mask, c.value), c.want) << c.mask << " with " << c.value;
}

TEST(ExcelMaskTest, TextValues) {
  auto text = [](const char* Mask, const char16_t* V) {
    TExcelMask m;
    m.SetMask(core::utf8_to_utf16(Mask));
    return core::utf16_to_utf8(m.FormatText(V));
  };
  EXPECT_EQ(text("0;-0;0;\"t:\"@", u"abc"), "t:abc");  // the fourth section formats texts
  EXPECT_EQ(text("@\" C\"", u"21"), "21 C");
  EXPECT_EQ(text("0.00", u"abc"), "abc");  // no text section: the text as it is
  EXPECT_EQ(Format("0", 1e20), "100000000000000000000");
  EXPECT_EQ(Format("0.0%", -0.1234), "-12.3%");
}

TEST(ExcelMaskTest, LocaleSeparators) {
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  EXPECT_EQ(Format("#,##0.00", 1234.5, comma), std::string("1") + core::utf16_to_utf8(std::u16string(1, comma.ThousandSeparator)) + "234,50");
}

TEST(ExcelMaskTest, MaskLength) {
  TExcelMask m;
  EXPECT_NO_THROW(m.SetMask(std::u16string(255, u'0')));
  EXPECT_THROW(m.SetMask(std::u16string(256, u'0')), workbook::Exception);
}

// Masks and values where the mask deliberately differs from LibreOffice, with the reason.
struct Allowed {
  const char* mask;
  const char* value;  // nullptr: every value
  const char* reason;
};
const Allowed kAllowed[] = {
    {"d-mmm-y", nullptr, "a single y is the two-digit year, as in the style sheet's built-in format 15; LibreOffice "
                         "(en-US) prints the letter"},
    {"#,##0\\ _$;\\-#,##0\\ _$", nullptr, "_ gives one blank; LibreOffice sizes the blank by the width of the "
                                          "character after it and gives two for $"},
};

bool IsAllowed(const std::string& Mask, double Value) {
  for (const auto& a : kAllowed)
    if (Mask == a.mask && (!a.value || Value == std::strtod(a.value, nullptr))) return true;
  // Serials before day 0 or after 31 December 9999 under a date or time mask: the engine's calendar
  // has no such days and shows the number; LibreOffice extends its calendar (or shows #FMT).
  TExcelMask m;
  m.SetMask(core::utf8_to_utf16(Mask));
  if ((m.Section(0).Flags & TExcelMask::sfDateTime) && (Value < 0 || Value > 2958465)) return true;
  return false;
}

TEST(ExcelMaskTest, AgreesWithLibreOfficeTable) {
  std::ifstream in(std::string(THC_FORMULA_TESTS_DIR) + "/libreoffice/text_formats.tsv");
  ASSERT_TRUE(in) << "libreoffice/text_formats.tsv is missing";
  std::string line;
  int compared = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    ASSERT_NE(t2, std::string::npos) << line;
    const std::string value = line.substr(0, t1), mask = line.substr(t1 + 1, t2 - t1 - 1), want = line.substr(t2 + 1);
    if (IsAllowed(mask, std::strtod(value.c_str(), nullptr))) continue;
    EXPECT_EQ(Format(mask, std::strtod(value.c_str(), nullptr)), want) << "TEXT(" << value << ", \"" << mask << "\")";
    ++compared;
  }
  EXPECT_GT(compared, 750);
}

}  // namespace
}  // namespace formula

namespace formula {
namespace {

// Masks built at random from the format characters never crash, hang or give an absurd length.
TEST(ExcelMaskTest, RandomMasksAreSafe) {
  const std::u16string alphabet = u"0#?.,;%E+-e@yYmMdDhHsS[]$\"\\_*/: aApPG";
  const double values[] = {0, -1.5, 3.14159, 1e15, -1e-7, 43895.5, 1e300, 2958465.99, 0.999999999};
  unsigned state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
  };
  for (int i = 0; i < 3000; ++i) {
    std::u16string mask;
    const unsigned len = next() % 24;
    for (unsigned k = 0; k < len; ++k) mask.push_back(alphabet[next() % alphabet.size()]);
    TExcelMask m;
    m.SetMask(mask);
    for (double v : values) {
      const std::u16string out = m.FormatNumber(v);
      EXPECT_LT(out.size(), 2000u) << core::utf16_to_utf8(mask);
    }
  }
}

}  // namespace
}  // namespace formula
