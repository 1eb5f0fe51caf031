// TExcelMask: a number-format text ("#,##0.00", "0%;(0%)", "yyyy-mm-dd hh:mm:ss", "[h]:mm") parsed
// into up to four sections of items, and a number rendered through the section that applies. The
// locale gives the separators and the month and day names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formula/support/locale.h"

namespace formula {

class TExcelMask {
public:
  // Item types.
  enum : std::uint8_t {
    mtText = 0,  // "@" (Char '@'), or the exponent marker (Char '+' or '-')
    mtLiteral = 1,
    mtLiteralText = 2,
    mtDigitOrNothing = 3,  // #
    mtDigitOrSpace = 4,    // ?
    mtDigitOrZero = 5,     // 0
    mtYear2 = 6, mtYear4 = 7,
    mtMonth = 8, mtMonth2 = 9, mtMonthShort = 10, mtMonthLong = 11, mtMonthLetter = 12,
    mtDay = 13, mtDay2 = 14, mtDayShort = 15, mtDayLong = 16,
    mtHour = 17, mtHour2 = 18, mtHour12 = 19, mtHour12_2 = 20,
    mtElapsedHours = 21, mtMinute = 22, mtMinute2 = 23, mtElapsedMinutes = 24,
    mtSecond = 25, mtSecond2 = 26, mtElapsedSeconds = 27,
    mtAMPM = 28, mtAmPmLower = 29, mtAP = 30,
    mtDecimalPoint = 31, mtPercent = 32, mtNumberStart = 33,
    mtComma = 34,  // a ',' kept for date/time sections
  };
  // Section flags.
  enum : std::uint8_t {
    sfText = 1, sfThousands = 2, sfDecimalPoint = 4, sfPercent = 8, sfScientific = 0x10, sfDateTime = 0x20,
    sfZeroSection = 0x40,
  };
  static constexpr int MAX_MASK_LENGTH = 255;

  struct TMaskData {
    std::uint8_t Type = mtLiteral;
    char16_t Char = 0;
    std::u16string Text;
  };
  struct TSection {
    bool Present = false;  // the mask has this section (it may be empty)
    std::vector<TMaskData> Items;
    std::uint8_t Flags = 0;
    int DecimalIndex = -1;
    int Decimals = 0;
    int TrailingCommas = 0;
    int Percents = 0;
  };

  explicit TExcelMask(const TFormulaLocale& Locale = TFormulaLocale::Invariant()) : Locale_(Locale) {}

  // Raises "Format string more than 255 characthers" for longer masks.
  void SetMask(const std::u16string& Mask);
  std::u16string FormatNumber(double Value) const;
  // A text value: through the text section when there is one ("@" gives the text), else unchanged.
  std::u16string FormatText(const std::u16string& Value) const;

  const TSection& Section(int Index) const { return Sections_[Index]; }

private:
  void ParseSection(int Index, const std::u16string& Text);
  std::u16string FormatSection(const TSection& S, double Value) const;
  std::u16string FormatPlainNumber(const TSection& S, double Value) const;
  std::u16string FormatScientific(const TSection& S, double Value) const;
  std::u16string FormatFraction(const TSection& S, double Value, std::size_t Slash) const;
  std::u16string FormatDateTime(const TSection& S, double Value) const;

  const TFormulaLocale& Locale_;
  std::u16string Mask_;
  TSection Sections_[4];
};

}  // namespace formula
