#include "pdf/format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "core/codepage.h"
#include "pdf/errors.h"

namespace pdf {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes stand for themselves.
constexpr std::array<char16_t, 32> kWinAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const char kHex[] = "0123456789ABCDEF";

void QuickSortWords(std::uint16_t* w, int lo, int hi) {
  while (lo < hi) {
    int i = lo, j = hi;
    const std::uint16_t pivot = w[lo + (hi - lo) / 2];
    while (i <= j) {
      while (w[i] < pivot) ++i;
      while (w[j] > pivot) --j;
      if (i <= j) {
        std::swap(w[i], w[j]);
        ++i;
        --j;
      }
    }
    // Recurse into the smaller side so the depth stays logarithmic.
    if (j - lo < hi - i) {
      QuickSortWords(w, lo, j);
      lo = i;
    } else {
      QuickSortWords(w, i, hi);
      hi = j;
    }
  }
}

}  // namespace

std::string FormatReal(double x) {
  if (!std::isfinite(x)) throw TPDFException("Out of range");
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 4);
  if (res.ec != std::errc()) throw TPDFException("Out of range");
  std::string s(buf, res.ptr);
  const auto dot = s.find('.');
  if (dot != std::string::npos) {
    std::size_t end = s.size();
    while (end > dot + 1 && s[end - 1] == '0') --end;
    if (end == dot + 1) end = dot;
    s.resize(end);
  }
  if (s == "-0") s = "0";
  return s;
}

std::string EscapeLiteral(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  for (char c : s) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string HexOfByte(std::uint8_t b) { return {kHex[b >> 4], kHex[b & 15]}; }

std::string HexOfWord(std::uint16_t w) {
  return HexOfByte(static_cast<std::uint8_t>(w >> 8)) + HexOfByte(static_cast<std::uint8_t>(w));
}

std::string ZeroPadInt(long long n, int width) {
  std::string s = std::to_string(n);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

std::string ReplaceChar(std::string_view s, char ch, std::string_view repl) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == ch)
      out += repl;
    else
      out.push_back(c);
  }
  return out;
}

int PosFrom(std::string_view sub, std::string_view s, int start) {
  if (sub.empty() || s.empty()) return 0;
  if (start < 1) start = 1;
  if (static_cast<std::size_t>(start) > s.size()) return 0;
  const auto p = s.find(sub, static_cast<std::size_t>(start - 1));
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int CharsetToCodePage(int charset) {
  if (charset == DEFAULT_CHARSET) charset = SystemDefaultCharset;
  switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 1252;
  }
}

std::string AnsiToUTF16BEHex(std::string_view s, int charset) {
  int cp = 1252;
  switch (charset) {
    case 128: cp = 932; break;
    case 129: cp = 949; break;
    case 134: cp = 936; break;
    case 136: cp = 950; break;
    case 161: cp = 1253; break;
    case 162: cp = 1254; break;
    case 186: cp = 1257; break;
    case 204: cp = 1251; break;
    case 238: cp = 1250; break;
    default: break;
  }
  std::u16string text;
  try {
    text = core::codepage_to_utf16(cp, s);
  } catch (const core::Error&) {
    return {};
  }
  if (text.empty()) return {};
  std::string out = "FEFF";
  out.reserve(4 + text.size() * 4);
  for (char16_t c : text) out += HexOfWord(c);
  return out;
}

bool IsWinAnsiChar(char16_t w) {
  if (w <= 0x7F || (w >= 0xA0 && w <= 0xFE)) return true;
  for (char16_t c : kWinAnsiHigh)
    if (c == w) return true;
  return false;
}

std::uint8_t UnicodeToWinAnsi(char16_t w) {
  if (w <= 0x7F || (w >= 0xA0 && w <= 0xFE)) return static_cast<std::uint8_t>(w);
  for (std::size_t k = 0; k < kWinAnsiHigh.size(); ++k)
    if (kWinAnsiHigh[k] == w) return static_cast<std::uint8_t>(0x80 + k);
  return 0;
}

char16_t WinAnsiToUnicode(std::uint8_t b) {
  if (b >= 0x80 && b <= 0x9F) return kWinAnsiHigh[b - 0x80];
  return b;
}

void OrderIntRect(int& x1, int& y1, int& x2, int& y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
}

void OrderRealRect(double& x1, double& y1, double& x2, double& y2) {
  if (!(x1 <= x2)) std::swap(x1, x2);
  if (!(y1 <= y2)) std::swap(y1, y2);
}

TRealPoint RotatePoint(double x, double y, double angle) {
  const double a = angle * M_PI / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  return {x * c - y * s, x * s + y * c};
}

void SwapInts(int& a, int& b) { std::swap(a, b); }
void SwapReals(double& a, double& b) { std::swap(a, b); }

void SortWords(std::uint16_t* words, int high) {
  if (words != nullptr && high > 0) QuickSortWords(words, 0, high);
}

}  // namespace pdf
