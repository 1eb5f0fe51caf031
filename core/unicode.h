// UTF-8 <-> UTF-16 conversion and ASCII case folding. Invalid input never fails: each ill-formed
// sequence or unpaired surrogate becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

inline constexpr char32_t kReplacementChar = 0xFFFD;

std::u16string utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(std::u16string_view s);
std::u32string utf8_to_utf32(std::string_view s);
std::string utf32_to_utf8(std::u32string_view s);
// Appends one code point as UTF-8 / UTF-16 (surrogates and values past U+10FFFF become U+FFFD).
void append_utf8(std::string& out, char32_t cp);
void append_utf16(std::u16string& out, char32_t cp);
// True when s is well-formed UTF-8.
bool is_valid_utf8(std::string_view s);

// Case folding of A-Z / a-z only; every other character is left as it is.
constexpr char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
constexpr char16_t ascii_upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
constexpr char16_t ascii_lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }
std::string ascii_upper(std::string_view s);
std::string ascii_lower(std::string_view s);
std::u16string ascii_upper(std::u16string_view s);
std::u16string ascii_lower(std::u16string_view s);
bool ascii_iequals(std::string_view a, std::string_view b);
bool ascii_iequals(std::u16string_view a, std::u16string_view b);
// Three-way comparison ignoring A-Z case: <0, 0, >0.
int ascii_icompare(std::string_view a, std::string_view b);
int ascii_icompare(std::u16string_view a, std::u16string_view b);

// Upper case by the Unicode simple case mapping of a fixed UTF-8 locale, so that the result never depends
// on the host's settings; surrogates and characters whose upper case lies beyond U+FFFF stay as they are.
std::u16string unicode_upper(std::u16string_view s);

// Latin-1 / ASCII text widened unit by unit (bytes 0x80..0xFF become U+0080..U+00FF).
std::u16string widen_latin1(std::string_view s);
// Shorthand for literals and ASCII identifiers in code: u16("abc").
inline std::u16string u16(std::string_view utf8) { return utf8_to_utf16(utf8); }
inline std::string u8(std::u16string_view utf16) { return utf16_to_utf8(utf16); }

}  // namespace core
