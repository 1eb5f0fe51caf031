// The locale the program works in. It is fixed rather than taken from the host (LANG is not consulted),
// so that numbers, paper, code page and dates come out the same on every machine; tests may install
// other values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace core {

// Paper size numbers as the workbook's print settings store them.
inline constexpr int kPaperLetter = 1;
inline constexpr int kPaperLegal = 5;
inline constexpr int kPaperA3 = 8;
inline constexpr int kPaperA4 = 9;

// The process-wide settings every number conversion of the program reads.
struct LocaleDefaults {
  char16_t decimal_separator = u'.';
  char16_t thousand_separator = u',';
  char16_t list_separator = u',';
  int paper_size = kPaperA4;
  // The code page of the program's 8-bit ("ANSI") text, and the character set number that goes with it.
  int ansi_code_page = 936;
  int default_charset = 134;
};

// The settings in force: the fixed ones above unless changed. Reading is safe from any thread; a caller
// that changes them (for the length of one call, say) does so on the GUI thread.
LocaleDefaults locale_defaults();
void set_locale_defaults(const LocaleDefaults& defaults);

// Installs other defaults for the lifetime of a scope (tests; not for use while other threads read them).
class ScopedLocaleDefaults {
public:
  explicit ScopedLocaleDefaults(const LocaleDefaults& defaults);
  ~ScopedLocaleDefaults();
  ScopedLocaleDefaults(const ScopedLocaleDefaults&) = delete;
  ScopedLocaleDefaults& operator=(const ScopedLocaleDefaults&) = delete;

private:
  LocaleDefaults previous_;
};

// The texts and formats a locale gives dates, times and money, and its separators: what formatting and
// parsing read beside the process-wide settings. Libraries keep their own copy (a snapshot) and may
// change it; the defaults are the program's fixed locale.
struct FormatSettings {
  std::u16string CurrencyString = u"$";
  std::uint8_t CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  std::uint8_t NegCurrFormat = 0;
  std::uint8_t CurrencyDecimals = 2;
  char16_t ThousandSeparator = u',';
  char16_t DecimalSeparator = u'.';
  char16_t ListSeparator = u',';
  char16_t DateSeparator = u'/';
  char16_t TimeSeparator = u':';
  std::u16string ShortDateFormat = u"m/d/yyyy";
  std::u16string LongDateFormat = u"dddd, mmmm d, yyyy";
  std::u16string TimeAMString = u"AM";
  std::u16string TimePMString = u"PM";
  std::u16string ShortTimeFormat = u"h:nn AMPM";
  std::u16string LongTimeFormat = u"h:nn:ss AMPM";
  std::array<std::u16string, 12> ShortMonthNames{u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                 u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  std::array<std::u16string, 12> LongMonthNames{u"January", u"February", u"March",     u"April",
                                                u"May",     u"June",     u"July",      u"August",
                                                u"September", u"October", u"November", u"December"};
  // Sunday first.
  std::array<std::u16string, 7> ShortDayNames{u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  std::array<std::u16string, 7> LongDayNames{u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                             u"Thursday", u"Friday", u"Saturday"};
  std::uint16_t TwoDigitYearCenturyWindow = 50;
};

}  // namespace core
