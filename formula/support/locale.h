// The small locale and number-text layer of the formula engine: separators, the date order, the
// boolean texts, general 15-digit number text, and number and date-time parsing. A locale object is
// passed explicitly; nothing here reads the host's settings, so tests run several locales side by side.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/locale.h"

namespace formula {

enum class TDateOrder { MDY, DMY, YMD };

// The engine's locale: the program's locale texts and separators with the order of a date's parts
// and the texts of the booleans.
struct TFormulaLocale : core::FormatSettings {
  TDateOrder DateOrder = TDateOrder::MDY;
  // Texts of booleans in conversions (the legacy document may change them).
  std::u16string TrueText = u"TRUE";
  std::u16string FalseText = u"FALSE";

  // '.' and ',' with month/day/year dates: the library's fixed default.
  static const TFormulaLocale& Invariant();
  // ',' decimal, ';' list, day.month.year dates.
  static TFormulaLocale CommaDecimal();
};

// The serial date of day 0 is 30 December 1899; the calendar is proleptic Gregorian, so serial 61 is
// 1 March 1900. False for dates outside 1 January 100 .. 31 December 9999.
bool EncodeSerialDate(int Year, int Month, int Day, double& Serial);
// The serial of a calendar date with no range check: Month 1..12, a Day past the month's end runs on
// into the next.
double SerialOfDate(long long Year, int Month, int Day);
void DecodeSerialDate(double Serial, int& Year, int& Month, int& Day);
inline constexpr double MAX_SERIAL_DATE = 2958465.0;  // 31 December 9999

// The shortest text of up to 15 significant digits: fixed notation when 1E-10 <= |V| < 1E15
// ("0.000001"), else "1.5E+20" / "1E-11" (a signed exponent of at least two digits); the locale's
// decimal separator.
std::u16string FloatToText15(double Value, const TFormulaLocale& Locale);

// A number: optional blanks around, sign, digits with the locale's decimal separator, optional
// exponent. No thousands separators. Infinite or NaN results fail.
bool TextToFloat(std::u16string_view Text, const TFormulaLocale& Locale, double& Value);
// A date, a time or both ("1/2/2020", "2020-01-02", "13:05", "1:05:30 PM", "1/2/2020 13:05") as a
// serial date-time.
bool TextToDateTime(std::u16string_view Text, const TFormulaLocale& Locale, double& Serial);

// A money amount: the locale's currency string before or after the number (blanks allowed), a sign
// before either, thousands separators in groups of three, or the amount in parentheses (negative).
bool TextToCurrency(std::u16string_view Text, const TFormulaLocale& Locale, double& Value);
// The short date of a serial date-time in the locale's order and separator ("1/2/2020"), followed by
// " h:mm:ss" when the serial has a time part.
std::u16string SerialToDateText(double Serial, const TFormulaLocale& Locale);

// The random numbers of the engine: an explicit, seedable generator (minimal standard, values in the
// open interval (0, 1), never 1).
class TFormulaRandom {
public:
  explicit TFormulaRandom(unsigned Seed = 1) { SetSeed(Seed); }
  void SetSeed(unsigned Seed) { State_ = Seed % 2147483647u == 0 ? 1u : Seed % 2147483647u; }
  double Next() {
    ++Draws_;
    State_ = static_cast<unsigned>((static_cast<unsigned long long>(State_) * 48271u) % 2147483647u);
    return State_ / 2147483647.0;
  }
  // The numbers drawn so far: a value computed while this moved is not to be reused.
  std::uint64_t Draws() const { return Draws_; }

private:
  unsigned State_ = 1;
  std::uint64_t Draws_ = 0;
};

// ASCII case folding of UTF-16 text: only a-z change.
std::u16string UpperCaseAscii(std::u16string_view S);
// Ordinal comparison after folding a-z to A-Z: <0, 0, >0.
int CompareTextAsciiI(std::u16string_view A, std::u16string_view B);

}  // namespace formula
