#include "formula/support/locale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/calendar.h"

namespace formula {

const TFormulaLocale& TFormulaLocale::Invariant() {
  static const TFormulaLocale locale;
  return locale;
}

TFormulaLocale TFormulaLocale::CommaDecimal() {
  TFormulaLocale l;
  l.DecimalSeparator = u',';
  l.ListSeparator = u';';
  l.DateSeparator = u'.';
  l.DateOrder = TDateOrder::DMY;
  return l;
}

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

// Reads an unsigned run of digits at Pos (at most 9 digits).
bool ReadUInt(std::u16string_view s, std::size_t& pos, int& value, int& digits) {
  value = 0;
  digits = 0;
  while (pos < s.size() && IsDigit(s[pos]) && digits < 9) {
    value = value * 10 + (s[pos] - u'0');
    ++pos;
    ++digits;
  }
  return digits > 0 && (pos >= s.size() || !IsDigit(s[pos]));
}

bool ParseTime(std::u16string_view s, const TFormulaLocale& L, double& fraction) {
  s = Trim(s);
  int pm = -1;  // -1 no marker, 0 AM, 1 PM
  auto endsWithI = [&](std::u16string_view marker) {
    if (marker.empty() || s.size() < marker.size()) return false;
    return CompareTextAsciiI(s.substr(s.size() - marker.size()), marker) == 0;
  };
  if (endsWithI(L.TimeAMString)) {
    pm = 0;
    s = Trim(s.substr(0, s.size() - L.TimeAMString.size()));
  } else if (endsWithI(L.TimePMString)) {
    pm = 1;
    s = Trim(s.substr(0, s.size() - L.TimePMString.size()));
  }
  std::size_t pos = 0;
  int parts[3] = {0, 0, 0};
  int n = 0, digits = 0;
  double seconds = 0;
  while (true) {
    if (!ReadUInt(s, pos, parts[n], digits)) return false;
    ++n;
    if (n == 3 && pos < s.size() && s[pos] == L.DecimalSeparator) {
      // fractional seconds
      std::size_t p = pos + 1;
      double scale = 0.1, frac = 0;
      if (p >= s.size() || !IsDigit(s[p])) return false;
      while (p < s.size() && IsDigit(s[p])) {
        frac += (s[p] - u'0') * scale;
        scale /= 10;
        ++p;
      }
      seconds = frac;
      pos = p;
    }
    if (pos >= s.size()) break;
    if (n == 3 || s[pos] != L.TimeSeparator) return false;
    ++pos;
  }
  if (n < 2 && pm < 0) return false;  // a bare number is no time
  int h = parts[0];
  if (pm >= 0) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (pm == 1 ? 12 : 0);
  }
  if (h > 23 || parts[1] > 59 || parts[2] > 59) return false;
  fraction = (h * 3600.0 + parts[1] * 60.0 + parts[2] + seconds) / 86400.0;
  return true;
}

// The month (1..12) whose long or short name S is, ignoring ASCII case; 0 for none.
int MonthOfName(std::u16string_view S, const TFormulaLocale& L) {
  for (int m = 0; m < 12; ++m)
    if (CompareTextAsciiI(S, L.LongMonthNames[m]) == 0 || CompareTextAsciiI(S, L.ShortMonthNames[m]) == 0)
      return m + 1;
  return 0;
}

// A date with the month by name: "15-Mar-2024", "15-March-24" or "March 15, 2024".
bool ParseNamedDate(std::u16string_view s, const TFormulaLocale& L, double& serial) {
  std::size_t pos = 0;
  int d = 0, m = 0, y = 0, dLen = 0, yLen = 0;
  auto name = [&](std::size_t From, std::size_t& To) {
    To = From;
    while (To < s.size() && ((s[To] >= u'a' && s[To] <= u'z') || (s[To] >= u'A' && s[To] <= u'Z'))) ++To;
    return MonthOfName(s.substr(From, To - From), L);
  };
  if (!s.empty() && IsDigit(s[0])) {
    // day-month-year
    if (!ReadUInt(s, pos, d, dLen) || pos >= s.size() || s[pos] != u'-') return false;
    std::size_t end = 0;
    if ((m = name(pos + 1, end)) == 0 || end >= s.size() || s[end] != u'-') return false;
    pos = end + 1;
    if (!ReadUInt(s, pos, y, yLen) || pos != s.size()) return false;
  } else {
    // month day, year
    std::size_t end = 0;
    if ((m = name(0, end)) == 0 || end >= s.size() || s[end] != u' ') return false;
    pos = end + 1;
    if (!ReadUInt(s, pos, d, dLen) || pos >= s.size() || s[pos] != u',') return false;
    ++pos;
    while (pos < s.size() && s[pos] == u' ') ++pos;
    if (!ReadUInt(s, pos, y, yLen) || pos != s.size()) return false;
  }
  if (yLen <= 2) y += y < 30 ? 2000 : 1900;
  return EncodeSerialDate(y, m, d, serial);
}

bool ParseDate(std::u16string_view s, const TFormulaLocale& L, double& serial) {
  s = Trim(s);
  if (ParseNamedDate(s, L, serial)) return true;
  char16_t sep = L.DateSeparator;
  TDateOrder order = L.DateOrder;
  // ISO form first: year-month-day.
  if (s.size() >= 8 && IsDigit(s[0]) && s.find(u'-') == 4) {
    sep = u'-';
    order = TDateOrder::YMD;
  }
  std::size_t pos = 0;
  int parts[3];
  int lens[3];
  int n = 0;
  while (n < 3) {
    if (!ReadUInt(s, pos, parts[n], lens[n])) return false;
    ++n;
    if (pos >= s.size()) break;
    if (s[pos] != sep) return false;
    ++pos;
  }
  if (pos < s.size() || n < 2) return false;
  int y, m, d;
  bool yearGiven = n == 3;
  switch (order) {
    case TDateOrder::MDY:
      m = parts[0], d = parts[1], y = yearGiven ? parts[2] : 0;
      break;
    case TDateOrder::DMY:
      d = parts[0], m = parts[1], y = yearGiven ? parts[2] : 0;
      break;
    default:
      if (!yearGiven) return false;
      y = parts[0], m = parts[1], d = parts[2];
      lens[2] = lens[0];
      break;
  }
  if (!yearGiven) return false;  // the current year would make parsing depend on the clock
  if (order != TDateOrder::YMD && lens[2] <= 2) y += y < 30 ? 2000 : 1900;
  return EncodeSerialDate(y, m, d, serial);
}

}  // namespace

double SerialOfDate(long long Year, int Month, int Day) {
  return static_cast<double>(core::days_from_civil(Year, Month, Day) - core::kDateSerialEpoch);
}

bool EncodeSerialDate(int Year, int Month, int Day, double& Serial) {
  if (Year < 100 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > core::days_in_month(Year, Month))
    return false;
  Serial = SerialOfDate(Year, Month, Day);
  return true;
}

void DecodeSerialDate(double Serial, int& Year, int& Month, int& Day) {
  const core::CivilDate d = core::civil_from_days(static_cast<long long>(std::floor(Serial)) + core::kDateSerialEpoch);
  Year = static_cast<int>(d.year);
  Month = d.month;
  Day = d.day;
}

std::u16string FloatToText15(double Value, const TFormulaLocale& Locale) {
  if (std::isnan(Value)) return u"NAN";
  if (std::isinf(Value)) return Value < 0 ? u"-INF" : u"INF";
  if (Value == 0) return u"0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", Value);  // d.dddddddddddddde+XX: 15 significant digits
  std::string s(buf);
  const bool neg = s[0] == '-';
  if (neg) s.erase(0, 1);
  const std::size_t e = s.find('e');
  int exp = std::atoi(s.c_str() + e + 1);
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  const char dec = '\x01';  // placeholder, replaced by the locale's separator
  if (exp >= -10 && exp < 15) {
    if (exp < 0) {
      out = "0" + std::string(1, dec) + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
    } else if (static_cast<int>(digits.size()) <= exp + 1) {
      out = digits + std::string(static_cast<std::size_t>(exp + 1) - digits.size(), '0');
    } else {
      out = digits.substr(0, static_cast<std::size_t>(exp + 1)) + dec + digits.substr(static_cast<std::size_t>(exp + 1));
    }
  } else {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += dec + digits.substr(1);
    // Spreadsheet programs always sign the exponent and give it at least two digits: 1.5E+20, 1E-07.
    char ebuf[16];
    std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    out += ebuf;
  }
  std::u16string r;
  if (neg) r.push_back(u'-');
  for (char c : out) r.push_back(c == dec ? Locale.DecimalSeparator : static_cast<char16_t>(c));
  return r;
}

bool TextToFloat(std::u16string_view Text, const TFormulaLocale& Locale, double& Value) {
  std::u16string_view s = Trim(Text);
  std::string a;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) a.push_back(static_cast<char>(s[i++]));
  bool mantissa = false;
  while (i < s.size() && IsDigit(s[i])) a.push_back(static_cast<char>(s[i++])), mantissa = true;
  if (i < s.size() && s[i] == Locale.DecimalSeparator) {
    a.push_back('.');
    ++i;
    while (i < s.size() && IsDigit(s[i])) a.push_back(static_cast<char>(s[i++])), mantissa = true;
  }
  if (!mantissa) return false;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    a.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) a.push_back(static_cast<char>(s[i++]));
    bool expDigits = false;
    while (i < s.size() && IsDigit(s[i])) a.push_back(static_cast<char>(s[i++])), expDigits = true;
    if (!expDigits) return false;
  }
  if (i != s.size()) return false;
  char* end = nullptr;
  const double v = std::strtod(a.c_str(), &end);
  if (!std::isfinite(v)) return false;
  Value = v;
  return true;
}

bool TextToDateTime(std::u16string_view Text, const TFormulaLocale& Locale, double& Serial) {
  std::u16string_view s = Trim(Text);
  if (s.empty()) return false;
  double date = 0, time = 0;
  if (ParseDate(s, Locale, date)) {
    Serial = date;
    return true;
  }
  if (ParseTime(s, Locale, time)) {
    Serial = time;
    return true;
  }
  const std::size_t blank = s.find(u' ');
  if (blank != std::u16string_view::npos && ParseDate(s.substr(0, blank), Locale, date) &&
      ParseTime(s.substr(blank + 1), Locale, time)) {
    Serial = date + time;
    return true;
  }
  return false;
}

bool TextToCurrency(std::u16string_view Text, const TFormulaLocale& Locale, double& Value) {
  std::u16string_view s = Trim(Text);
  bool neg = false;
  if (s.size() >= 2 && s.front() == u'(' && s.back() == u')') {
    neg = true;
    s = Trim(s.substr(1, s.size() - 2));
  }
  auto takeSign = [&] {
    if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) {
      if (s.front() == u'-') neg = !neg;
      s = Trim(s.substr(1));
    }
  };
  takeSign();
  const std::u16string_view cur = Locale.CurrencyString;
  if (!cur.empty() && s.substr(0, cur.size()) == cur) {
    s = Trim(s.substr(cur.size()));
    takeSign();
  } else if (!cur.empty() && s.size() >= cur.size() && s.substr(s.size() - cur.size()) == cur) {
    s = Trim(s.substr(0, s.size() - cur.size()));
  }
  // Thousands separators: groups of exactly three digits before the decimal separator.
  std::u16string plain;
  const std::size_t dec = s.find(Locale.DecimalSeparator);
  const std::u16string_view whole = s.substr(0, dec);
  if (whole.find(Locale.ThousandSeparator) != std::u16string_view::npos) {
    std::size_t group = 0;
    bool first = true;
    for (std::size_t i = 0; i <= whole.size(); ++i) {
      if (i == whole.size() || whole[i] == Locale.ThousandSeparator) {
        if ((first && (group == 0 || group > 3)) || (!first && group != 3)) return false;
        first = false;
        group = 0;
        continue;
      }
      if (!IsDigit(whole[i])) return false;
      plain.push_back(whole[i]);
      ++group;
    }
    if (dec != std::u16string_view::npos) plain += s.substr(dec);
    s = plain;
  }
  double v = 0;
  if (s.empty() || s.front() == u'-' || s.front() == u'+' || !TextToFloat(s, Locale, v)) return false;
  Value = neg ? -v : v;
  return true;
}

std::u16string SerialToDateText(double Serial, const TFormulaLocale& Locale) {
  int y = 0, m = 0, d = 0;
  DecodeSerialDate(Serial, y, m, d);
  auto num = [](int v, int width) {
    std::u16string s;
    const std::string t = std::to_string(v);
    for (std::size_t i = t.size(); i < static_cast<std::size_t>(width); ++i) s.push_back(u'0');
    for (char c : t) s.push_back(static_cast<char16_t>(c));
    return s;
  };
  const char16_t sep = Locale.DateSeparator;
  std::u16string out;
  switch (Locale.DateOrder) {
    case TDateOrder::MDY:
      out = num(m, 1) + sep + num(d, 1) + sep + num(y, 4);
      break;
    case TDateOrder::DMY:
      out = num(d, 1) + sep + num(m, 1) + sep + num(y, 4);
      break;
    default:
      out = num(y, 4) + sep + num(m, 2) + sep + num(d, 2);
      break;
  }
  const double frac = Serial - std::floor(Serial);
  long long secs = std::llround(frac * 86400.0);
  if (secs > 0 && secs < 86400) {
    const char16_t ts = Locale.TimeSeparator;
    out += u' ' + num(static_cast<int>(secs / 3600), 1) + ts + num(static_cast<int>(secs / 60 % 60), 2) + ts +
           num(static_cast<int>(secs % 60), 2);
  }
  return out;
}

std::u16string UpperCaseAscii(std::u16string_view S) {
  std::u16string r(S);
  for (auto& c : r)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return r;
}

int CompareTextAsciiI(std::u16string_view A, std::u16string_view B) {
  const std::size_t n = A.size() < B.size() ? A.size() : B.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
    if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

}  // namespace formula
