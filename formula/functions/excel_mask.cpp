#include "formula/functions/excel_mask.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formula/support/var_value.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool IsDigitItem(std::uint8_t T) {
  return T == TExcelMask::mtDigitOrNothing || T == TExcelMask::mtDigitOrSpace || T == TExcelMask::mtDigitOrZero;
}
bool IsHourItem(std::uint8_t T) {
  return T == TExcelMask::mtHour || T == TExcelMask::mtHour2 || T == TExcelMask::mtHour12 ||
         T == TExcelMask::mtHour12_2 || T == TExcelMask::mtElapsedHours;
}

// StartsWith ignoring a-z case.
bool StartsWithI(const std::u16string& S, std::size_t Pos, const char* Word) {
  for (std::size_t k = 0; Word[k]; ++k)
    if (Pos + k >= S.size() || Lower(S[Pos + k]) != static_cast<char16_t>(Word[k])) return false;
  return true;
}

std::u16string Ascii(const std::string& S) { return std::u16string(S.begin(), S.end()); }

std::u16string Pad(long long V, int Digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", Digits, V);
  return Ascii(buf);
}

// V >= 0 in decimal, rounded half away from zero at Decimals places after its 15 significant digits:
// the integer digits without leading zeros ("" for 0) and exactly Decimals fraction digits.
void DecimalParts(double V, int Decimals, std::string& Int, std::string& Frac) {
  Int.clear();
  Frac.assign(static_cast<std::size_t>(Decimals), '0');
  if (!(V > 0) || !std::isfinite(V)) return;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", V);
  std::string digits;
  for (const char* p = buf; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  int intDigits = std::atoi(std::strchr(buf, 'e') + 1) + 1;  // digits before the point (may be <= 0)
  // Align so that d holds every place from the highest down to 10^-Decimals.
  std::string d = intDigits < 0 ? std::string(static_cast<std::size_t>(-intDigits), '0') + digits : digits;
  const int lead = intDigits < 0 ? 0 : intDigits;  // integer places in d
  const int keep = lead + Decimals;
  if (keep < static_cast<int>(d.size())) {
    const bool up = d[static_cast<std::size_t>(keep)] >= '5';
    d.resize(static_cast<std::size_t>(keep));
    if (up) {
      int k = keep - 1;
      for (; k >= 0 && d[static_cast<std::size_t>(k)] == '9'; --k) d[static_cast<std::size_t>(k)] = '0';
      if (k >= 0) {
        ++d[static_cast<std::size_t>(k)];
      } else {
        d.insert(d.begin(), '1');
        Int = d.substr(0, static_cast<std::size_t>(lead + 1));
        Frac = d.substr(static_cast<std::size_t>(lead + 1));
        Frac.resize(static_cast<std::size_t>(Decimals), '0');
        while (!Int.empty() && Int[0] == '0') Int.erase(0, 1);
        return;
      }
    }
  } else {
    d.resize(static_cast<std::size_t>(keep), '0');
  }
  Int = d.substr(0, static_cast<std::size_t>(lead));
  Frac = d.substr(static_cast<std::size_t>(lead));
  Frac.resize(static_cast<std::size_t>(Decimals), '0');
  while (!Int.empty() && Int[0] == '0') Int.erase(0, 1);
}

}  // namespace

void TExcelMask::SetMask(const std::u16string& Mask) {
  if (Mask.size() > MAX_MASK_LENGTH) throw workbook::Exception(std::string("Format string more than 255 characthers"));
  // "General" (any case) becomes the text placeholder.
  std::u16string m;
  for (std::size_t i = 0; i < Mask.size();) {
    if (StartsWithI(Mask, i, "general")) {
      m.push_back(u'@');
      i += 7;
    } else {
      m.push_back(Mask[i++]);
    }
  }
  Mask_ = m;
  for (auto& s : Sections_) s = TSection();
  // Sections split at ';' outside quotes; an escaped character never splits.
  std::u16string part;
  int section = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= m.size(); ++i) {
    const char16_t c = i < m.size() ? m[i] : u';';
    if (c == u'"') quoted = !quoted;
    if (!quoted && (c == u'\\' || c == u'_' || c == u'*') && i + 1 < m.size()) {
      part.push_back(c);
      part.push_back(m[++i]);
      continue;
    }
    if (c == u';' && (!quoted || i == m.size())) {
      if (section < 4) {
        Sections_[section].Present = section > 0 || !part.empty();
        if (!part.empty()) ParseSection(section, part);
      }
      ++section;
      part.clear();
      quoted = false;
      continue;
    }
    part.push_back(c);
  }
}

void TExcelMask::ParseSection(int Index, const std::u16string& T) {
  TSection& s = Sections_[Index];
  s.Flags = Index == 2 ? sfZeroSection : 0;
  std::vector<TMaskData>& items = s.Items;
  int lastDate = -1;  // index of the last item made from date/time letters or an elapsed bracket
  bool exponent = false;
  auto add = [&](std::uint8_t Type, char16_t Ch = 0, std::u16string Text = {}) {
    TMaskData d;
    d.Type = Type;
    d.Char = Ch;
    d.Text = std::move(Text);
    items.push_back(std::move(d));
  };
  for (std::size_t i = 0; i < T.size();) {
    const char16_t c = T[i];
    const char16_t lc = Lower(c);
    if (c == u'"') {
      const std::size_t end = T.find(u'"', i + 1);
      if (end == std::u16string::npos) break;
      add(mtLiteralText, 0, T.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == u'#' || c == u'0' || c == u'?') {
      // A comma followed by a digit placeholder separates thousands; commas at the end scale.
      if (s.TrailingCommas > 0 && !(s.Flags & sfDecimalPoint) && !exponent) s.Flags |= sfThousands;
      add(c == u'#' ? mtDigitOrNothing : c == u'0' ? mtDigitOrZero : mtDigitOrSpace, c);
      if ((s.Flags & sfDecimalPoint) && !exponent) ++s.Decimals;
      s.TrailingCommas = 0;
      ++i;
    } else if (c == u',') {
      ++s.TrailingCommas;
      add(mtComma, c);  // a literal in date/time sections, a separator or scaling in numbers
      ++i;
    } else if (c == u'.' && !(s.Flags & sfDecimalPoint)) {
      s.Flags |= sfDecimalPoint;
      s.DecimalIndex = static_cast<int>(items.size());
      add(mtDecimalPoint, c);
      ++i;
    } else if (c == u'%') {
      s.Flags |= sfPercent;
      ++s.Percents;
      add(mtPercent, c);
      ++i;
    } else if (c == u'@') {
      add(mtText, c);
      s.Flags = sfText;
      ++i;
    } else if (lc == u'e' && i + 1 < T.size() && (T[i + 1] == u'+' || T[i + 1] == u'-') && !(s.Flags & sfDateTime)) {
      add(mtText, T[i + 1]);
      s.Flags |= sfScientific;
      exponent = true;
      i += 2;
    } else if (lc == u'y' || lc == u'm' || lc == u'd' || lc == u'h' || lc == u's') {
      std::size_t n = 1;
      while (i + n < T.size() && Lower(T[i + n]) == lc) ++n;
      std::uint8_t type = mtLiteral;
      switch (lc) {
        case u'y': type = n <= 2 ? mtYear2 : mtYear4; break;
        case u'm':
          if (n <= 2 && lastDate >= 0 && IsHourItem(items[static_cast<std::size_t>(lastDate)].Type))
            type = n == 1 ? mtMinute : mtMinute2;
          else
            type = n == 1 ? mtMonth : n == 2 ? mtMonth2 : n == 3 ? mtMonthShort : n == 4 ? mtMonthLong : mtMonthLetter;
          break;
        case u'd': type = n == 1 ? mtDay : n == 2 ? mtDay2 : n == 3 ? mtDayShort : mtDayLong; break;
        case u'h': type = n == 1 ? mtHour : mtHour2; break;
        default:
          type = n == 1 ? mtSecond : mtSecond2;
          // A month just before seconds is a minute (mm:ss).
          if (lastDate >= 0) {
            std::uint8_t& prev = items[static_cast<std::size_t>(lastDate)].Type;
            if (prev == mtMonth) prev = mtMinute;
            if (prev == mtMonth2) prev = mtMinute2;
          }
          break;
      }
      s.Flags |= sfDateTime;
      lastDate = static_cast<int>(items.size());
      add(type, c);
      i += n;
    } else if (c == u'[') {
      const std::size_t end = T.find(u']', i + 1);
      if (end == std::u16string::npos) break;
      std::u16string inner = T.substr(i + 1, end - i - 1);
      std::u16string up = UpperCaseAscii(inner);
      if (!up.empty() && up[0] == u'$') {
        const std::size_t dash = inner.find(u'-');
        std::u16string cur = dash == std::u16string::npos ? inner : inner.substr(1, dash - 1);
        if (!cur.empty()) add(mtLiteralText, 0, cur);
      } else if (up == u"H" || up == u"HH" || up == u"M" || up == u"MM" || up == u"S" || up == u"SS") {
        lastDate = static_cast<int>(items.size());
        // The item's character holds the digits to show at least ([hh]: 2).
        add(up[0] == u'H' ? mtElapsedHours : up[0] == u'M' ? mtElapsedMinutes : mtElapsedSeconds,
            static_cast<char16_t>(up.size()));
        s.Flags |= sfDateTime;
      }
      // Colours, conditions and locale codes add nothing.
      i = end + 1;
    } else if (c == u'\\') {
      if (i + 1 < T.size()) add(mtLiteral, T[i + 1]);
      i += 2;
    } else if (c == u'_') {
      if (i + 1 < T.size()) add(mtLiteral, u' ');
      i += 2;
    } else if (c == u'*') {
      // A fill character: TEXT has no column width to fill, so it gives nothing.
      i += 2;
    } else {
      std::uint8_t ampm = 0;
      std::size_t len = 1;
      if (StartsWithI(T, i, "am/pm")) {
        ampm = c == u'A' ? mtAMPM : mtAmPmLower;
        len = 5;
      } else if (StartsWithI(T, i, "a/p")) {
        ampm = mtAP;
        len = 3;
      }
      if (ampm) {
        add(ampm, c);
        s.Flags |= sfDateTime;
        for (auto& it : items) {
          if (it.Type == mtHour) it.Type = mtHour12;
          if (it.Type == mtHour2) it.Type = mtHour12_2;
        }
        i += len;
      } else {
        add(mtLiteral, c);
        ++i;
      }
    }
  }
  if (s.Flags & sfText) return;
  // The number start stands before the first digit placeholder or decimal point.
  for (std::size_t k = 0; k < items.size(); ++k) {
    const std::uint8_t t = items[k].Type;
    if (IsDigitItem(t) || t == mtDecimalPoint) {
      // A number section that happens to hold date letters ("0 days") stays a number section.
      if (IsDigitItem(t)) s.Flags &= static_cast<std::uint8_t>(~sfDateTime);
      TMaskData d;
      d.Type = mtNumberStart;
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(k), d);
      if (s.DecimalIndex >= static_cast<int>(k)) ++s.DecimalIndex;
      break;
    }
  }
  if (s.TrailingCommas > 4) s.TrailingCommas = 4;
}

std::u16string TExcelMask::FormatNumber(double Value) const {
  if (!std::isfinite(Value)) return ErrorText(errNum);
  const TSection& pos = Sections_[0];
  const TSection& neg = Sections_[1];
  const TSection& zero = Sections_[2];
  if (neg.Present && Value < 0) return FormatSection(neg, -Value);
  if (!zero.Present || Value != 0) {
    if (Value < 0 && !(pos.Flags & sfDateTime)) {
      const std::u16string body = FormatSection(pos, -Value);
      // A negative value that shows no digit other than zeros keeps no sign, like -0.001 as "0".
      bool nonZero = false;
      for (char16_t c : body)
        if (c >= u'1' && c <= u'9') nonZero = true;
      return nonZero ? u"-" + body : body;
    }
    return FormatSection(pos, Value);
  }
  return FormatSection(zero, Value);
}

std::u16string TExcelMask::FormatText(const std::u16string& Value) const {
  const TSection& s = Sections_[3].Present ? Sections_[3] : Sections_[0];
  if (!Sections_[3].Present && !(s.Flags & sfText)) return Value;
  std::u16string out;
  for (const TMaskData& d : s.Items) {
    if (d.Type == mtText && d.Char == u'@')
      out += Value;
    else if (d.Type == mtLiteral)
      out.push_back(d.Char);
    else if (d.Type == mtLiteralText)
      out += d.Text;
  }
  return out;
}

std::u16string TExcelMask::FormatSection(const TSection& S, double Value) const {
  if (S.Items.empty()) return S.Present && &S != &Sections_[0] ? std::u16string() : FloatToText15(Value, Locale_);
  if (S.Flags & sfText) {
    std::u16string out;
    for (const TMaskData& d : S.Items) {
      if (d.Type == mtText)
        out += FloatToText15(Value, Locale_);
      else if (d.Type == mtLiteral)
        out.push_back(d.Char);
      else if (d.Type == mtLiteralText)
        out += d.Text;
    }
    return out;
  }
  if (S.Flags & sfDateTime) return FormatDateTime(S, Value);
  if (S.Flags & sfScientific) return FormatScientific(S, Value);
  // A fraction: a '/' with digit placeholders on both sides.
  for (std::size_t k = 1; k + 1 < S.Items.size(); ++k)
    if (S.Items[k].Type == mtLiteral && S.Items[k].Char == u'/' && IsDigitItem(S.Items[k - 1].Type) &&
        (IsDigitItem(S.Items[k + 1].Type) || (S.Items[k + 1].Type == mtLiteral && S.Items[k + 1].Char >= u'1' &&
                                               S.Items[k + 1].Char <= u'9')))
      return FormatFraction(S, Value, k);
  return FormatPlainNumber(S, Value);
}

std::u16string TExcelMask::FormatPlainNumber(const TSection& S, double Value) const {
  double v = std::fabs(Value);
  for (int k = 0; k < S.Percents; ++k) v *= 100;
  for (int k = 0; k < S.TrailingCommas; ++k) v /= 1000;
  std::string intDigits, frac;
  if (!(S.Flags & sfZeroSection)) DecimalParts(v, S.Decimals, intDigits, frac);
  const std::size_t point = S.DecimalIndex >= 0 ? static_cast<std::size_t>(S.DecimalIndex) : S.Items.size();
  // The integer part, right to left.
  std::u16string left;
  int taken = 0;       // digits placed so far (for thousands grouping)
  std::size_t next = intDigits.size();  // digits not yet taken lie before this index
  auto place = [&](char16_t Ch) {
    if ((S.Flags & sfThousands) && taken > 0 && taken % 3 == 0) left.insert(left.begin(), Locale_.ThousandSeparator);
    left.insert(left.begin(), Ch);
    ++taken;
  };
  for (std::size_t k = point; k-- > 0;) {
    const TMaskData& d = S.Items[k];
    switch (d.Type) {
      case mtDigitOrNothing:
      case mtDigitOrSpace:
      case mtDigitOrZero:
        if (next > 0)
          place(static_cast<char16_t>(intDigits[--next]));
        else if (d.Type == mtDigitOrZero)
          place(u'0');
        else if (d.Type == mtDigitOrSpace)
          left.insert(left.begin(), u' ');
        break;
      case mtNumberStart:
        while (next > 0) place(static_cast<char16_t>(intDigits[--next]));
        break;
      case mtLiteral: left.insert(left.begin(), d.Char); break;
      case mtLiteralText: left.insert(0, d.Text); break;
      case mtPercent: left.insert(left.begin(), u'%'); break;
      default: break;
    }
  }
  if (point >= S.Items.size()) return left;
  // The fraction part, left to right: '#' drops trailing zeros, '?' turns them into spaces.
  int lastNonZero = -1;
  for (int k = 0; k < static_cast<int>(frac.size()); ++k)
    if (frac[static_cast<std::size_t>(k)] != '0') lastNonZero = k;
  std::u16string right(1, Locale_.DecimalSeparator);
  int f = 0;
  for (std::size_t k = point + 1; k < S.Items.size(); ++k) {
    const TMaskData& d = S.Items[k];
    switch (d.Type) {
      case mtDigitOrNothing:
      case mtDigitOrSpace:
      case mtDigitOrZero: {
        const char16_t digit = f < static_cast<int>(frac.size()) ? static_cast<char16_t>(frac[static_cast<std::size_t>(f)]) : u'0';
        if (d.Type == mtDigitOrZero || f <= lastNonZero)
          right.push_back(digit);
        else if (d.Type == mtDigitOrSpace)
          right.push_back(u' ');
        ++f;
        break;
      }
      case mtLiteral: right.push_back(d.Char); break;
      case mtLiteralText: right += d.Text; break;
      case mtPercent: right.push_back(u'%'); break;
      default: break;
    }
  }
  // A decimal point that no digit follows is dropped ("#.##" gives "1", not "1.").
  if (right.size() == 1) return left;
  return left + right;
}

std::u16string TExcelMask::FormatScientific(const TSection& S, double Value) const {
  double v = std::fabs(Value);
  for (int k = 0; k < S.Percents; ++k) v *= 100;
  // Integer placeholders before the point (or the marker); more than one with a '#' among them
  // makes the exponent a multiple of their count (engineering notation).
  std::size_t marker = 0;
  for (std::size_t k = 0; k < S.Items.size(); ++k)
    if (S.Items[k].Type == mtText) {
      marker = k;
      break;
    }
  const std::size_t point = S.DecimalIndex >= 0 && static_cast<std::size_t>(S.DecimalIndex) < marker
                                ? static_cast<std::size_t>(S.DecimalIndex)
                                : marker;
  int intPlaces = 0;
  bool hash = false;
  for (std::size_t k = 0; k < point; ++k)
    if (IsDigitItem(S.Items[k].Type)) {
      ++intPlaces;
      if (S.Items[k].Type == mtDigitOrNothing) hash = true;
    }
  const int step = intPlaces > 1 && hash ? intPlaces : 1;
  int exp = 0;
  if (v > 0) {
    exp = static_cast<int>(std::floor(std::log10(v)));
    exp -= ((exp % step) + step) % step;
  }
  double mant = v / std::pow(10.0, exp);
  std::string intDigits, frac;
  DecimalParts(mant, S.Decimals, intDigits, frac);
  if (v > 0 && static_cast<int>(intDigits.size()) > step) {  // rounding carried into another digit
    exp += step;
    mant = v / std::pow(10.0, exp);
    DecimalParts(mant, S.Decimals, intDigits, frac);
  }
  TSection m = S;
  m.Flags &= static_cast<std::uint8_t>(~sfScientific);
  m.Items.assign(S.Items.begin(), S.Items.begin() + static_cast<std::ptrdiff_t>(marker));
  m.Percents = 0;
  if (m.DecimalIndex >= static_cast<int>(marker)) m.DecimalIndex = -1;
  std::u16string out = FormatPlainNumber(m, mant);
  // The exponent: the marker's own sign rule, then its digit placeholders.
  const TMaskData& e = S.Items[marker];
  out.push_back(u'E');
  if (exp < 0)
    out.push_back(u'-');
  else if (e.Char == u'+')
    out.push_back(u'+');
  int expPlaces = 0;
  for (std::size_t k = marker + 1; k < S.Items.size(); ++k)
    if (S.Items[k].Type == mtDigitOrZero || S.Items[k].Type == mtDigitOrNothing || S.Items[k].Type == mtDigitOrSpace)
      ++expPlaces;
  std::u16string digits = Pad(std::abs(exp), 1);
  while (static_cast<int>(digits.size()) < expPlaces) digits.insert(digits.begin(), u'0');
  out += digits;
  for (std::size_t k = marker + 1; k < S.Items.size(); ++k) {
    if (S.Items[k].Type == mtLiteral) out.push_back(S.Items[k].Char);
    if (S.Items[k].Type == mtLiteralText) out += S.Items[k].Text;
  }
  return out;
}

std::u16string TExcelMask::FormatFraction(const TSection& S, double Value, std::size_t Slash) const {
  const double v = std::fabs(Value);
  // The numerator's placeholders run back from the slash; earlier placeholders (after a literal)
  // hold the whole part.
  std::size_t numStart = Slash;
  while (numStart > 0 && (IsDigitItem(S.Items[numStart - 1].Type))) --numStart;
  bool whole = false;
  for (std::size_t k = 0; k < numStart; ++k)
    if (IsDigitItem(S.Items[k].Type) || S.Items[k].Type == mtNumberStart) whole = true;
  int denPlaces = 0;
  long long fixedDen = 0;
  std::size_t k = Slash + 1;
  for (; k < S.Items.size(); ++k) {
    const TMaskData& d = S.Items[k];
    if (IsDigitItem(d.Type))
      ++denPlaces;
    else if (d.Type == mtLiteral && d.Char >= u'0' && d.Char <= u'9' && denPlaces == 0)
      fixedDen = fixedDen * 10 + (d.Char - u'0');
    else
      break;
  }
  const std::size_t denEnd = k;
  double intPart = whole ? std::floor(v) : 0;
  double rest = v - intPart;
  long long num = 0, den = 1;
  if (fixedDen > 0) {
    den = fixedDen;
    num = static_cast<long long>(std::llround(rest * static_cast<double>(den)));
  } else {
    // The closest fraction with a denominator of at most denPlaces digits: the best of the continued
    // fraction's convergents and their last semiconvergent under the bound.
    const int places = denPlaces > 0 ? std::min(denPlaces, 9) : 1;
    const long long maxDen = static_cast<long long>(std::pow(10.0, places)) - 1;
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double x = rest;
    for (int step = 0; step < 64; ++step) {
      const double a = std::floor(x);
      if (a > 1e12) break;
      const long long ai = static_cast<long long>(a);
      const long long q2 = q0 + ai * q1;
      if (q2 > maxDen) {
        const long long k = (maxDen - q0) / q1;  // the largest semiconvergent under the bound
        const long long ps = p0 + k * p1, qs = q0 + k * q1;
        if (std::fabs(rest - static_cast<double>(ps) / static_cast<double>(qs)) <
            std::fabs(rest - static_cast<double>(p1) / static_cast<double>(q1))) {
          p1 = ps;
          q1 = qs;
        }
        break;
      }
      const long long p2 = p0 + ai * p1;
      p0 = p1;
      q0 = q1;
      p1 = p2;
      q1 = q2;
      const double frac = x - a;
      if (frac < 1e-12) break;
      x = 1 / frac;
    }
    num = p1;
    den = q1 > 0 ? q1 : 1;
  }
  if (num == den && fixedDen == 0) {
    intPart += whole ? 1 : 0;
    num = whole ? 0 : num;
    if (whole) den = 1;
  }
  // The whole part through the items before the numerator; a zero whole part shows only when there
  // is no fraction either ("0    ").
  TSection w = S;
  w.Items.assign(S.Items.begin(), S.Items.begin() + static_cast<std::ptrdiff_t>(numStart));
  w.DecimalIndex = -1;
  w.Decimals = 0;
  w.Percents = 0;
  w.TrailingCommas = 0;
  if (whole && intPart == 0 && num == 0)
    for (auto it = w.Items.rbegin(); it != w.Items.rend(); ++it)
      if (IsDigitItem(it->Type)) {
        it->Type = mtDigitOrZero;
        break;
      }
  std::u16string out = FormatPlainNumber(w, intPart);
  if (whole && num == 0) return out + std::u16string(denEnd - numStart, u' ');
  std::u16string n = Pad(num, 1), d = Pad(den, 1);
  const int numPlaces = static_cast<int>(Slash - numStart);
  while (static_cast<int>(n.size()) < numPlaces) n.insert(n.begin(), u' ');
  if (fixedDen == 0)
    while (static_cast<int>(d.size()) < denPlaces) d.push_back(u' ');
  out += n + u"/" + d;
  for (std::size_t j = denEnd; j < S.Items.size(); ++j) {
    if (S.Items[j].Type == mtLiteral) out.push_back(S.Items[j].Char);
    if (S.Items[j].Type == mtLiteralText) out += S.Items[j].Text;
  }
  return out;
}

std::u16string TExcelMask::FormatDateTime(const TSection& S, double Value) const {
  if (Value < 0 || Value > MAX_SERIAL_DATE + 1) return FloatToText15(Value, Locale_);
  // The time is rounded to the precision shown: whole seconds, or the digits after a seconds point.
  int fracDigits = 0;
  for (std::size_t k = 0; k < S.Items.size(); ++k)
    if (S.Items[k].Type == mtDecimalPoint) {
      int n = 0;
      for (std::size_t j = k + 1; j < S.Items.size() && S.Items[j].Type == mtDigitOrZero && n < 3; ++j) ++n;
      if (n > fracDigits) fracDigits = n;
    }
  const long long unitsPerSecond = fracDigits == 0 ? 1 : fracDigits == 1 ? 10 : fracDigits == 2 ? 100 : 1000;
  const long long unitsPerDay = 86400LL * unitsPerSecond;
  // A date or a time alone is cut to the precision shown (23:59:59.9 stays 23:59:59 of its day), after
  // rounding to the millisecond since a stored 14:07:09 may lie a hair below; a date with a time, or
  // an elapsed time, is rounded (and may carry into the next day), as LibreOffice does.
  bool date = false, time = false, elapsed = false;
  for (const TMaskData& d : S.Items) {
    if (d.Type >= mtYear2 && d.Type <= mtDayLong) date = true;
    if (d.Type >= mtHour && d.Type <= mtAP) time = true;
    if (d.Type == mtElapsedHours || d.Type == mtElapsedMinutes || d.Type == mtElapsedSeconds) elapsed = true;
  }
  const bool rounds = elapsed || (date && time);
  const long long total = rounds ? std::llround(Value * static_cast<double>(unitsPerDay))
                                 : std::llround(Value * 86400000.0) / (1000 / unitsPerSecond);
  const long long days = total / unitsPerDay;
  const long long inDay = total % unitsPerDay;
  const long long seconds = inDay / unitsPerSecond, sub = inDay % unitsPerSecond;
  const long long totalSeconds = total / unitsPerSecond;
  const int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
            second = static_cast<int>(seconds % 60);
  int year = 1899, month = 12, day = 30;
  DecodeSerialDate(static_cast<double>(days), year, month, day);
  const int weekday = static_cast<int>(((days - 1) % 7 + 7) % 7);  // serial 1 was a Sunday
  bool elapsedHours = false, elapsedMinutes = false;
  for (const TMaskData& d : S.Items) {
    if (d.Type == mtElapsedHours) elapsedHours = true;
    if (d.Type == mtElapsedMinutes) elapsedMinutes = true;
  }
  std::u16string out;
  for (std::size_t k = 0; k < S.Items.size(); ++k) {
    const TMaskData& d = S.Items[k];
    switch (d.Type) {
      case mtLiteral:
        out.push_back(d.Char == u'/' ? Locale_.DateSeparator : d.Char == u':' ? Locale_.TimeSeparator : d.Char);
        break;
      case mtLiteralText: out += d.Text; break;
      case mtComma: out.push_back(u','); break;
      case mtYear2: out += Pad(year % 100, 2); break;
      case mtYear4: out += Pad(year, 4); break;
      case mtMonth: out += Pad(month, 1); break;
      case mtMonth2: out += Pad(month, 2); break;
      case mtMonthShort: out += Locale_.ShortMonthNames[month - 1]; break;
      case mtMonthLong: out += Locale_.LongMonthNames[month - 1]; break;
      case mtMonthLetter: out += Locale_.LongMonthNames[month - 1].substr(0, 1); break;
      case mtDay: out += Pad(day, 1); break;
      case mtDay2: out += Pad(day, 2); break;
      case mtDayShort: out += Locale_.ShortDayNames[weekday]; break;
      case mtDayLong: out += Locale_.LongDayNames[weekday]; break;
      case mtHour: out += Pad(elapsedMinutes ? 0 : hour, 1); break;
      case mtHour2: out += Pad(hour, 2); break;
      case mtHour12:
      case mtHour12_2: {
        const int h = hour % 12 == 0 ? 12 : hour % 12;
        out += Pad(h, d.Type == mtHour12 ? 1 : 2);
        break;
      }
      case mtElapsedHours: out += Pad(totalSeconds / 3600, d.Char); break;
      case mtElapsedMinutes: out += Pad(elapsedHours ? totalSeconds / 60 % 60 : totalSeconds / 60, d.Char); break;
      case mtElapsedSeconds:
        out += Pad(elapsedHours || elapsedMinutes ? totalSeconds % 60 : totalSeconds, d.Char);
        break;
      case mtMinute:
      case mtMinute2: {
        const long long m = elapsedHours ? totalSeconds / 60 % 60 : minute;
        out += Pad(m, d.Type == mtMinute ? 1 : 2);
        break;
      }
      case mtSecond:
      case mtSecond2: {
        const long long s = elapsedHours || elapsedMinutes ? totalSeconds % 60 : second;
        out += Pad(s, d.Type == mtSecond ? 1 : 2);
        break;
      }
      case mtAMPM: out += hour < 12 ? Locale_.TimeAMString : Locale_.TimePMString; break;
      case mtAmPmLower: out += hour < 12 ? u"am" : u"pm"; break;
      case mtAP: out += hour < 12 ? (d.Char == u'A' ? u"A" : u"a") : (d.Char == u'A' ? u"P" : u"p"); break;
      case mtDecimalPoint: {
        int n = 0;
        while (k + 1 < S.Items.size() && S.Items[k + 1].Type == mtDigitOrZero && n < 3) {
          ++k;
          ++n;
        }
        if (n > 0) {
          const long long scaled = sub * static_cast<long long>(std::pow(10.0, n)) / unitsPerSecond;
          out.push_back(Locale_.DecimalSeparator);
          out += Pad(scaled, n);
        }
        break;
      }
      default: break;
    }
  }
  return out;
}

}  // namespace formula
