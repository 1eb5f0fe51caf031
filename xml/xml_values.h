// Conversions between XML attribute or element text and typed values, independent of the user's
// locale where the schemas demand it, the collector of unknown-name reports, and a few string helpers
// shared by the XML reader, the DOM, the typed lists and the schema bindings.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/locale.h"

namespace ooxml {

// Date-time values count days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// The module's locale settings. Number conversions of this module never read them; the typed lists
// use the decimal separator where their delimited text follows the locale, and XmlStrToDateTime
// falls back to the date and time formats. The module starts from its own defaults: money in yuan,
// year-month-day dates and 24-hour times.
using TFormatSettings = core::FormatSettings;

// The module's settings object; tests may change it and restore it.
TFormatSettings& XpgFormatSettings();

// Text to value. Integer conversions accept leading blanks, a sign, and decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; nothing may follow the digits; values outside 32 bits fail.
std::int32_t XmlStrToIntDef(std::u16string_view s, std::int32_t def);
// "#rrggbb" read as hexadecimal, anything else as XmlStrToIntDef.
std::int32_t XmlHexStrToIntDef(std::u16string_view s, std::int32_t def);
bool TryXmlStrToInt(std::u16string_view s, std::int32_t& value);
// The same into 32 unsigned bits; a negative text gives its two's complement.
bool TryXmlStrToLongword(std::u16string_view s, std::uint32_t& value);
// Numbers with "." as decimal separator and an optional exponent, blanks around allowed; "INF",
// "-INF" and "NAN" (any case) read back what XmlFloatToStr writes for non-finite values.
double XmlStrToFloat(std::u16string_view s);
double XmlStrToFloatDef(std::u16string_view s, double def);
bool TryXmlStrToFloat(std::u16string_view s, double& value);
// "true", "1", "t" / "false", "0", "f" in any case; anything else raises "Invalid boolean value".
bool XmlStrToBool(std::u16string_view s);
bool XmlStrToBoolDef(std::u16string_view s, bool def);
// Strict: "true" or "false" in any case only.
bool TryXmlStrToBool(std::u16string_view s, bool& value);
// ISO 8601 as XmlDateTimeToStr writes it (time zone ignored), else the module's short date format
// with an optional time; 0 when neither fits.
TDateTime XmlStrToDateTime(std::u16string_view s);
// Always raises "Not implemented: TryXmlStrToDateTime".
bool TryXmlStrToDateTime(std::u16string_view s, TDateTime& value);

// Value to text.
std::u16string XmlIntToStr(std::int64_t value);
std::u16string XmlIntToRGBHex(std::int32_t value);
std::u16string XmlIntToHex(std::int32_t value, int digits);
// The shortest text that reads back to the same double, "." as separator: fixed notation for values
// below 1E15 and at least 1E-5 in magnitude, else mantissa "E" exponent (1E20, 1.5E-7).
std::u16string XmlFloatToStr(double value);
std::u16string XmlDateTimeToStr(TDateTime value);
std::u16string XmlBoolToStr(bool value);

// Calendar helpers for date-time values (proleptic Gregorian calendar).
TDateTime XmlEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
void XmlDecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                       int& second, int& msec);

// String operations. Positions are 1-based; -1 means absent.
std::u16string XmlLocalName(std::u16string_view s);
void XmlNormalizeText(std::u16string& s);
std::int32_t XmlStrByteSum(std::u16string_view s);
std::uint32_t XmlStrRSHash(std::u16string_view s);
int XmlCPos(char16_t ch, std::u16string_view s);
int XmlRCPos(char16_t ch, std::u16string_view s);
void XmlSplitAtChar(char16_t ch, std::u16string& s, std::u16string& head);

// SpreadsheetML text escapes. Decoding turns every _xHHHH_ into the UTF-16 unit HHHH. Encoding
// writes characters XML cannot hold (C0 controls other than TAB and LF, CR, U+FFFE, U+FFFF and
// unpaired surrogates) as _xHHHH_ and protects a literal _xHHHH_ as _x005F_xHHHH_, so that decoding
// gives the original text back.
std::u16string XmlDecodeXEscapes(std::u16string_view s);
std::u16string XmlEncodeXEscapes(std::u16string_view s);
// The same without a new string where none is needed, for text read and written once per cell:
// decoding in place, and encoding into a per-thread buffer whose view stays valid until the next
// call on the thread (s itself when nothing needs escaping).
void XmlDecodeXEscapesInPlace(std::u16string& s);
std::u16string_view XmlEncodeXEscapesView(std::u16string_view s);

// Collector of the unknown names a schema document meets while reading.
class TXpgPErrors {
public:
  using TErrorEvent = std::function<void(TXpgPErrors& sender)>;

  TXpgPErrors() = default;
  // Kind 0: unknown attribute, 1: unknown element, 2: element not written; others keep the text. The text is
  // prefixed with "Row <row>: " and the event is called when assigned.
  void Error(std::uint8_t kind, std::u16string_view name, int row);
  void SetOnError(TErrorEvent event) { on_error_ = std::move(event); }
  const std::u16string& LastError() const { return last_error_; }

private:
  std::u16string last_error_;
  TErrorEvent on_error_;
};

}  // namespace ooxml
