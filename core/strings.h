// Small string helpers that several libraries need.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace core {

std::string_view trim(std::string_view s);
std::u16string_view trim(std::u16string_view s);
std::vector<std::string> split(std::string_view s, char separator);
bool starts_with_icase(std::string_view s, std::string_view prefix);
bool ends_with_icase(std::string_view s, std::string_view suffix);
std::string replace_all(std::string_view s, std::string_view from, std::string_view to);

// printf-style formatting into a std::string (C locale rules: '.' decimal point).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, std::va_list args);

// Hex digits of bytes, lower case ("0a1b").
std::string to_hex(const void* data, std::size_t size, bool upper = false);

}  // namespace core
