#include "core/unicode.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace core {

namespace {

// Decodes one code point at s[i], advancing i; ill-formed input yields U+FFFD and advances past the
// maximal ill-formed prefix (at least one byte), as Unicode recommends.
char32_t decode_utf8(std::string_view s, std::size_t& i) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return kReplacementChar;
  }
  std::size_t j = i + 1;
  for (int k = 1; k < len; ++k, ++j) {
    if (j >= s.size()) {
      i = j;
      return kReplacementChar;
    }
    unsigned char d = b(j);
    if (d < lo || d > hi) {
      i = j;
      return kReplacementChar;
    }
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (d & 0x3F);
  }
  i = j;
  return cp;
}

template <class Str>
Str map_ascii(Str s, bool upper) {
  for (auto& c : s) c = upper ? ascii_upper(c) : ascii_lower(c);
  return s;
}

template <class View>
int icompare(View a, View b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<std::uint32_t>(ascii_upper(a[i]));
    auto y = static_cast<std::uint32_t>(ascii_upper(b[i]));
    if (std::is_same_v<View, std::string_view>) {
      x &= 0xFF;
      y &= 0xFF;
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

void append_utf8(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementChar;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void append_utf16(std::u16string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementChar;
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

std::u16string utf8_to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) append_utf16(out, decode_utf8(s, i));
  return out;
}

std::u32string utf8_to_utf32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) out += decode_utf8(s, i);
  return out;
}

std::string utf16_to_utf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    append_utf8(out, c);  // a lone surrogate becomes U+FFFD here
  }
  return out;
}

std::string utf32_to_utf8(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) append_utf8(out, c);
  return out;
}

bool is_valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    std::size_t start = i;
    char32_t cp = decode_utf8(s, i);
    if (cp == kReplacementChar) {
      // A literal U+FFFD (EF BF BD) is valid; anything else that decoded to it was not.
      if (!(i - start == 3 && static_cast<unsigned char>(s[start]) == 0xEF)) return false;
    }
  }
  return true;
}

std::string ascii_upper(std::string_view s) { return map_ascii(std::string(s), true); }
std::string ascii_lower(std::string_view s) { return map_ascii(std::string(s), false); }
std::u16string ascii_upper(std::u16string_view s) { return map_ascii(std::u16string(s), true); }
std::u16string ascii_lower(std::u16string_view s) { return map_ascii(std::u16string(s), false); }
int ascii_icompare(std::string_view a, std::string_view b) { return icompare(a, b); }
int ascii_icompare(std::u16string_view a, std::u16string_view b) { return icompare(a, b); }
bool ascii_iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && icompare(a, b) == 0;
}
bool ascii_iequals(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && icompare(a, b) == 0;
}

std::u16string widen_latin1(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<unsigned char>(s[i]);
  return out;
}

std::u16string unicode_upper(std::u16string_view s) {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }();
  std::u16string out(s);
  for (auto& c : out) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates keep their code units
    wint_t u = towupper_l(static_cast<wint_t>(c), loc);
    if (u <= 0xFFFF) c = static_cast<char16_t>(u);
  }
  return out;
}

}  // namespace core
