#include "xml/xml_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/calendar.h"
#include "core/error.h"
#include "core/unicode.h"

namespace ooxml {

TFormatSettings& XpgFormatSettings() {
  static TFormatSettings settings = [] {
    TFormatSettings s;
    s.CurrencyString = u"\u00A5";
    s.NegCurrFormat = 2;
    s.ShortDateFormat = u"yyyy/m/d";
    s.LongDateFormat = u"yyyy'\u5E74'm'\u6708'd'\u65E5'";
    s.ShortTimeFormat = u"h:mm";
    s.LongTimeFormat = u"h:mm:ss";
    return s;
  }();
  return settings;
}

namespace {

constexpr bool IsBlank(char16_t c) { return c == u' '; }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Integer text as the run-time conversion reads it: blanks, sign, then decimal digits or hexadecimal
// digits after $, x, X, 0x or 0X. Hexadecimal takes up to 32 bits as a bit pattern. The magnitude
// is returned with the sign applied, in 64 bits, so that callers choose their range.
bool ParseInteger(std::u16string_view s, std::int64_t& out, bool& hex) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
    negative = s[i] == u'-';
    ++i;
  }
  hex = false;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? HexDigit(s[i]) : (s[i] >= u'0' && s[i] <= u'9' ? s[i] - u'0' : -1);
    if (d < 0) return false;
    value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    // A hexadecimal literal is a 32-bit pattern: $FFFFFFFF is -1.
    std::int64_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    out = negative ? -v : v;
  } else {
    out = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  }
  return true;
}

std::string Narrow(std::u16string_view s) {
  // Numbers are ASCII; anything else cannot be part of one, so it maps to a byte that fails.
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = s[i] < 0x80 ? static_cast<char>(s[i]) : '\x7F';
  return out;
}

std::u16string Widen(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<unsigned char>(s[i]);
  return out;
}

std::u16string LowerAscii(std::u16string_view s) { return core::ascii_lower(s); }

std::u16string Hex(std::uint32_t v, int digits) {
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "%0*X", digits < 0 ? 0 : (digits > 8 ? 8 : digits), v);
  return Widen(std::string_view(buf, static_cast<std::size_t>(n)));
}

bool ValidDate(int y, int m, int d) { return y >= 1 && y <= 9999 && d >= 1 && d <= core::days_in_month(y, m); }

// Reads an unsigned decimal number of 1..max_digits digits at s[i].
bool ReadNumber(std::u16string_view s, std::size_t& i, int max_digits, int& out) {
  std::size_t start = i;
  out = 0;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9' && static_cast<int>(i - start) < max_digits) {
    out = out * 10 + (s[i] - u'0');
    ++i;
  }
  return i > start;
}

bool ParseIsoDateTime(std::u16string_view s, TDateTime& out) {
  std::size_t i = 0;
  int y, m, d, hh = 0, mm = 0, ss = 0, ms = 0;
  if (!ReadNumber(s, i, 4, y) || i != 4 || i >= s.size() || s[i++] != u'-') return false;
  if (!ReadNumber(s, i, 2, m) || i >= s.size() || s[i++] != u'-') return false;
  if (!ReadNumber(s, i, 2, d)) return false;
  if (i < s.size() && (s[i] == u'T' || s[i] == u't' || s[i] == u' ')) {
    ++i;
    if (!ReadNumber(s, i, 2, hh) || i >= s.size() || s[i++] != u':') return false;
    if (!ReadNumber(s, i, 2, mm)) return false;
    if (i < s.size() && s[i] == u':') {
      ++i;
      if (!ReadNumber(s, i, 2, ss)) return false;
      if (i < s.size() && (s[i] == u'.' || s[i] == u',')) {
        ++i;
        std::size_t start = i;
        int frac = 0;
        if (!ReadNumber(s, i, 9, frac)) return false;
        int digits = static_cast<int>(i - start);
        while (digits > 3) frac /= 10, --digits;
        while (digits < 3) frac *= 10, ++digits;
        ms = frac;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i;
      }
    }
  }
  // A zone designator is accepted and ignored: the library keeps date-times without a zone.
  if (i < s.size() && (s[i] == u'Z' || s[i] == u'z')) {
    ++i;
  } else if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    ++i;
    int zh, zm = 0;
    if (!ReadNumber(s, i, 2, zh)) return false;
    if (i < s.size() && s[i] == u':') ++i;
    ReadNumber(s, i, 2, zm);
  }
  if (i != s.size()) return false;
  if (!ValidDate(y, m, d) || hh > 24 || mm > 59 || ss > 59 || (hh == 24 && (mm || ss || ms))) return false;
  out = XmlEncodeDateTime(y, m, d, hh, mm, ss, ms);
  return true;
}

// The module's short date format (only the order of y, m and d counts) with its separator, then an
// optional time with the time separator and an optional AM/PM marker.
bool ParseLocaleDateTime(std::u16string_view s, TDateTime& out) {
  const TFormatSettings& fs = XpgFormatSettings();
  char order[3];
  int n = 0;
  for (char16_t c : fs.ShortDateFormat) {
    char16_t l = core::ascii_lower(c);
    if ((l == u'y' || l == u'm' || l == u'd') && (n == 0 || order[n - 1] != static_cast<char>(l))) {
      if (n == 3) break;
      order[n++] = static_cast<char>(l);
    }
  }
  if (n != 3) return false;
  std::size_t i = 0;
  int parts[3];
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (i >= s.size() || s[i] != fs.DateSeparator) return false;
      ++i;
    }
    if (!ReadNumber(s, i, order[k] == 'y' ? 4 : 2, parts[k])) return false;
  }
  int y = 0, m = 0, d = 0;
  for (int k = 0; k < 3; ++k) {
    if (order[k] == 'y') y = parts[k];
    if (order[k] == 'm') m = parts[k];
    if (order[k] == 'd') d = parts[k];
  }
  if (y < 100) {
    // Two-digit years fall into the century window around 2000, as the run-time conversion does.
    y += (y < fs.TwoDigitYearCenturyWindow) ? 2000 : 1900;
  }
  int hh = 0, mm = 0, ss = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  if (i < s.size()) {
    if (!ReadNumber(s, i, 2, hh) || i >= s.size() || s[i++] != fs.TimeSeparator) return false;
    if (!ReadNumber(s, i, 2, mm)) return false;
    if (i < s.size() && s[i] == fs.TimeSeparator) {
      ++i;
      if (!ReadNumber(s, i, 2, ss)) return false;
    }
    while (i < s.size() && s[i] == u' ') ++i;
    std::u16string_view rest = s.substr(i);
    if (!rest.empty()) {
      if (core::ascii_iequals(rest, fs.TimePMString) && hh < 12) hh += 12;
      else if (core::ascii_iequals(rest, fs.TimeAMString) && hh == 12) hh = 0;
      else if (!core::ascii_iequals(rest, fs.TimeAMString) && !core::ascii_iequals(rest, fs.TimePMString)) return false;
    }
  }
  if (!ValidDate(y, m, d) || hh > 23 || mm > 59 || ss > 59) return false;
  out = XmlEncodeDateTime(y, m, d, hh, mm, ss, 0);
  return true;
}

}  // namespace

std::int32_t XmlStrToIntDef(std::u16string_view s, std::int32_t def) {
  std::int32_t v;
  return TryXmlStrToInt(s, v) ? v : def;
}

std::int32_t XmlHexStrToIntDef(std::u16string_view s, std::int32_t def) {
  if (!s.empty() && s[0] == u'#') {
    std::u16string t = u"$";
    t.append(s.substr(1));
    return XmlStrToIntDef(t, def);
  }
  return XmlStrToIntDef(s, def);
}

bool TryXmlStrToInt(std::u16string_view s, std::int32_t& value) {
  std::int64_t v;
  bool hex;
  if (!ParseInteger(s, v, hex)) return false;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

bool TryXmlStrToLongword(std::u16string_view s, std::uint32_t& value) {
  std::int64_t v;
  bool hex;
  if (!ParseInteger(s, v, hex)) return false;
  if (v < INT32_MIN || v > static_cast<std::int64_t>(UINT32_MAX)) return false;
  value = static_cast<std::uint32_t>(v);
  return true;
}

bool TryXmlStrToFloat(std::u16string_view s, double& value) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  if (b == e) return false;
  std::string t = Narrow(s.substr(b, e - b));
  std::string_view v = t;
  bool negative = false;
  if (v[0] == '+' || v[0] == '-') {
    negative = v[0] == '-';
    v.remove_prefix(1);
  }
  if (v.empty()) return false;
  if (core::ascii_iequals(v, "INF") || core::ascii_iequals(v, "NAN")) {
    if (core::ascii_iequals(v, "NAN")) {
      if (negative) return false;
      value = std::nan("");
    } else {
      value = negative ? -HUGE_VAL : HUGE_VAL;
    }
    return true;
  }
  // Only digits, one point and an exponent: the general-format parser would also take "inf",
  // "nan" spellings and hexadecimal floats, which are no XML numbers.
  bool digit = false;
  for (std::size_t i = 0; i < v.size(); ++i) {
    char c = v[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.') {
    } else if (c == 'e' || c == 'E') {
      if (!digit) return false;
      if (i + 1 < v.size() && (v[i + 1] == '+' || v[i + 1] == '-')) ++i;
      if (i + 1 >= v.size()) return false;
      for (std::size_t k = i + 1; k < v.size(); ++k)
        if (v[k] < '0' || v[k] > '9') return false;
      break;
    } else {
      return false;
    }
  }
  if (!digit) return false;
  double d = 0;
  auto res = std::from_chars(v.data(), v.data() + v.size(), d, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != v.data() + v.size()) {
    // Underflow to zero is a number; overflow is not.
    std::size_t ep = v.find_first_of("eE");
    if (res.ec == std::errc::result_out_of_range && ep != std::string_view::npos && v[ep + 1] == '-') {
      d = 0;
    } else {
      return false;
    }
  }
  value = negative ? -d : d;
  return true;
}

double XmlStrToFloat(std::u16string_view s) { return XmlStrToFloatDef(s, 0.0); }

double XmlStrToFloatDef(std::u16string_view s, double def) {
  double v;
  return TryXmlStrToFloat(s, v) ? v : def;
}

bool XmlStrToBool(std::u16string_view s) {
  std::u16string l = LowerAscii(s);
  if (l == u"true" || l == u"1" || l == u"t") return true;
  if (l == u"false" || l == u"0" || l == u"f") return false;
  throw core::Error("Invalid boolean value \"" + core::utf16_to_utf8(s) + "\"");
}

bool XmlStrToBoolDef(std::u16string_view s, bool def) {
  std::u16string l = LowerAscii(s);
  if (l == u"true" || l == u"1" || l == u"t") return true;
  if (l == u"false" || l == u"0" || l == u"f") return false;
  return def;
}

bool TryXmlStrToBool(std::u16string_view s, bool& value) {
  std::u16string l = LowerAscii(s);
  if (l == u"true") {
    value = true;
    return true;
  }
  if (l == u"false") {
    value = false;
    return true;
  }
  return false;
}

TDateTime XmlStrToDateTime(std::u16string_view s) {
  TDateTime v;
  if (ParseIsoDateTime(s, v)) return v;
  if (ParseLocaleDateTime(s, v)) return v;
  return 0;
}

bool TryXmlStrToDateTime(std::u16string_view, TDateTime&) {
  throw core::Error("Not implemented: TryXmlStrToDateTime");
}

std::u16string XmlIntToStr(std::int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return Widen(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

std::u16string XmlIntToRGBHex(std::int32_t value) { return Hex(static_cast<std::uint32_t>(value), 6); }

std::u16string XmlIntToHex(std::int32_t value, int digits) { return Hex(static_cast<std::uint32_t>(value), digits); }

std::u16string XmlFloatToStr(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value > 0 ? u"INF" : u"-INF";
  if (value == 0) return u"0";
  // Shortest round-trip digits and decimal exponent from the scientific form d.ddde±x.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  bool negative = sci[0] == '-';
  if (negative) sci.remove_prefix(1);
  std::size_t epos = sci.find('e');
  std::string digits;
  for (std::size_t i = 0; i < epos; ++i)
    if (sci[i] != '.') digits += sci[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exp = 0;
  std::from_chars(sci.data() + epos + 1 + (sci[epos + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exp);
  std::string out = negative ? "-" : "";
  double mag = std::fabs(value);
  if (mag < 1e15 && mag >= 1e-5) {
    if (exp >= 0) {
      std::size_t int_digits = static_cast<std::size_t>(exp) + 1;
      if (digits.size() <= int_digits) {
        out += digits;
        out.append(int_digits - digits.size(), '0');
      } else {
        out += digits.substr(0, int_digits);
        out += '.';
        out += digits.substr(int_digits);
      }
    } else {
      out += "0.";
      out.append(static_cast<std::size_t>(-exp - 1), '0');
      out += digits;
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exp);
  }
  return Widen(out);
}

TDateTime XmlEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  double days = static_cast<double>(core::days_from_civil(year, month, day) - core::kDateSerialEpoch);
  double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / 86400000.0;
  // Before the epoch the fraction still counts forward within the day.
  return days >= 0 ? days + time : days - time;
}

void XmlDecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                       int& second, int& msec) {
  if (!std::isfinite(value) || std::fabs(value) > 3e6) value = 0;
  double whole = std::trunc(value);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += value >= 0 ? 1 : -1;
  }
  const core::CivilDate date = core::civil_from_days(days + core::kDateSerialEpoch);
  year = static_cast<int>(date.year);
  month = date.month;
  day = date.day;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

std::u16string XmlDateTimeToStr(TDateTime value) {
  int y, m, d, hh, mm, ss, ms;
  XmlDecodeDateTime(value, y, m, d, hh, mm, ss, ms);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%d-%.2d-%.2dT%.2d:%.2d:%.2dZ", y, m, d, hh, mm, ss);
  return Widen(std::string_view(buf, static_cast<std::size_t>(n)));
}

std::u16string XmlBoolToStr(bool value) { return value ? u"1" : u"0"; }

std::u16string XmlLocalName(std::u16string_view s) {
  std::size_t p = s.find(u':');
  return std::u16string(p == std::u16string_view::npos ? s : s.substr(p + 1));
}

void XmlNormalizeText(std::u16string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == u'\r' || s[b] == u'\n')) ++b;
  while (e > b && (s[e - 1] == u'\r' || s[e - 1] == u'\n')) --e;
  std::u16string out;
  out.reserve(e - b);
  for (std::size_t i = b; i < e; ++i) {
    char16_t c = s[i];
    if (c == u'\t') continue;
    if (c == u'\r' || c == u'\n') {
      out += u' ';
      if (i + 1 < e && (s[i + 1] == u'\r' || s[i + 1] == u'\n') && s[i + 1] != c) ++i;
      continue;
    }
    out += c;
  }
  s = std::move(out);
}

std::int32_t XmlStrByteSum(std::u16string_view s) {
  std::int32_t sum = 0;
  for (char16_t c : s) sum += (c & 0xFF) + (c >> 8);
  return sum;
}

std::uint32_t XmlStrRSHash(std::u16string_view s) {
  std::uint32_t hash = 0, a = 63689;
  for (char16_t c : s) {
    hash = hash * a + c;
    a *= 378551u;
  }
  return hash;
}

int XmlCPos(char16_t ch, std::u16string_view s) {
  std::size_t p = s.find(ch);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

int XmlRCPos(char16_t ch, std::u16string_view s) {
  std::size_t p = s.rfind(ch);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

void XmlSplitAtChar(char16_t ch, std::u16string& s, std::u16string& head) {
  std::size_t p = s.find(ch);
  if (p == std::u16string::npos) {
    head = std::move(s);
    s.clear();
  } else {
    head = s.substr(0, p);
    s.erase(0, p + 1);
  }
}

namespace {
bool IsXEscape(std::u16string_view s, std::size_t i, char16_t& unit) {
  if (i + 7 > s.size() || s[i] != u'_' || s[i + 1] != u'x' || s[i + 6] != u'_') return false;
  std::uint32_t v = 0;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    int d = HexDigit(s[k]);
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  unit = static_cast<char16_t>(v);
  return true;
}

bool XmlCannotHold(std::u16string_view s, std::size_t i) {
  char16_t c = s[i];
  if (c < 0x20) return c != u'\t' && c != u'\n';
  if (c == 0xFFFE || c == 0xFFFF) return true;
  if (c >= 0xD800 && c <= 0xDBFF) return !(i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF);
  if (c >= 0xDC00 && c <= 0xDFFF) return !(i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF);
  return false;
}
}  // namespace

std::u16string XmlDecodeXEscapes(std::u16string_view s) {
  if (s.find(u"_x") == std::u16string_view::npos) return std::u16string(s);
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char16_t unit;
    if (s[i] == u'_' && IsXEscape(s, i, unit)) {
      out += unit;
      i += 7;
    } else {
      out += s[i++];
    }
  }
  return out;
}

std::u16string XmlEncodeXEscapes(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t unit;
    if (s[i] == u'_' && IsXEscape(s, i, unit)) {
      out += u"_x005F_";
    } else if (XmlCannotHold(s, i)) {
      out += u"_x";
      out += Hex(s[i], 4);
      out += u'_';
    } else {
      out += s[i];
    }
  }
  return out;
}

void XmlDecodeXEscapesInPlace(std::u16string& s) {
  std::size_t i = s.find(u"_x");
  if (i == std::u16string::npos) return;
  std::size_t w = i;
  while (i < s.size()) {
    char16_t unit;
    if (s[i] == u'_' && IsXEscape(s, i, unit)) {
      s[w++] = unit;
      i += 7;
    } else {
      s[w++] = s[i++];
    }
  }
  s.resize(w);
}

std::u16string_view XmlEncodeXEscapesView(std::u16string_view s) {
  bool plain = true;
  for (std::size_t i = 0; i < s.size() && plain; ++i) {
    char16_t unit;
    if ((s[i] == u'_' && IsXEscape(s, i, unit)) || XmlCannotHold(s, i)) plain = false;
  }
  if (plain) return s;
  thread_local std::u16string buffer;
  buffer = XmlEncodeXEscapes(s);
  return buffer;
}

void TXpgPErrors::Error(std::uint8_t kind, std::u16string_view name, int row) {
  if (kind == 0) {
    last_error_ = u"Unknown Attribute \"" + std::u16string(name) + u"\"";
  } else if (kind == 1) {
    last_error_ = u"Unknown Element \"" + std::u16string(name) + u"\"";
  } else if (kind == 2) {
    last_error_ = u"Element Not Written \"" + std::u16string(name) + u"\"";
  }
  last_error_ = u"Row " + XmlIntToStr(row) + u": " + last_error_;
  if (on_error_) on_error_(*this);
}

}  // namespace ooxml
