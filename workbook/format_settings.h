// The library's locale: the separators every number conversion of the program uses, a snapshot of
// the other locale settings, the default paper size and the code page of 8-bit texts. The values
// are fixed defaults, never taken from the host's environment, so that formulas and files come out
// the same everywhere; tests override them and restore them with ResetXLSFormatSettings.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace workbook {

class TFormatSettings {
public:
  std::u16string CurrencyString = u"$";
  std::uint8_t CurrencyFormat = 0;        // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  std::uint8_t NegCurrFormat = 0;
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
  std::array<std::u16string, 7> ShortDayNames{u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  std::array<std::u16string, 7> LongDayNames{u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                             u"Thursday", u"Friday", u"Saturday"};
  std::uint16_t TwoDigitYearCenturyWindow = 50;
  std::uint8_t CurrencyDecimals = 2;

  // The process-wide separators (not part of the snapshot: every conversion of the program reads them).
  static char16_t GetDecimalSeparator();
  static void SetDecimalSeparator(char16_t Value);
  static char16_t GetListSeparator();
  static void SetListSeparator(char16_t Value);
  static char16_t GetThousandSeparator();
  static void SetThousandSeparator(char16_t Value);
  // The locale's default paper size (a printer paper code: 9 = A4, 1 = Letter).
  static int GetPaperSize();
  static void SetPaperSize(int Value);
  // The code page of the library's 8-bit texts where a format carries no code page of its own.
  static int GetAnsiCodePage();
  static void SetAnsiCodePage(int Value);
};

// The library's snapshot, created on first use and living until the program ends.
TFormatSettings& XLSFormatSettings();
// Restores the snapshot and the process-wide settings to their fixed defaults.
void ResetXLSFormatSettings();

}  // namespace workbook
