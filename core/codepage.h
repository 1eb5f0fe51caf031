// Conversion between Windows code-page bytes and UTF-16, used only where a file format or a device
// carries code-page text. Bytes that do not decode become U+FFFD; characters the code page cannot
// hold become '?', as the platform's own converters substitute them.
#pragma once

#include <string>
#include <string_view>

namespace core {

// Code pages the project converts: 874, 932, 936, 949, 950, 1250..1258, 20127 (ASCII),
// 28591 (Latin-1) and 65001 (UTF-8).
bool codepage_supported(int codepage);

// Throws core::Error for a code page that is not supported.
std::u16string codepage_to_utf16(int codepage, std::string_view bytes);
// `lossy`, when given, is set to whether any character had to be substituted.
std::string utf16_to_codepage(int codepage, std::u16string_view text, bool* lossy = nullptr);

std::string codepage_to_utf8(int codepage, std::string_view bytes);
std::string utf8_to_codepage(int codepage, std::string_view utf8, bool* lossy = nullptr);

}  // namespace core
