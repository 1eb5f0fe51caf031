#include "core/strings.h"

#include <cstdio>

#include "core/unicode.h"

namespace core {

namespace {
template <class View>
View trim_view(View s) {
  auto space = [](auto c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  std::size_t b = 0, e = s.size();
  while (b < e && space(s[b])) ++b;
  while (e > b && space(s[e - 1])) --e;
  return s.substr(b, e - b);
}
}  // namespace

std::string_view trim(std::string_view s) { return trim_view(s); }
std::u16string_view trim(std::u16string_view s) { return trim_view(s); }

std::vector<std::string> split(std::string_view s, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = s.find(separator, start);
    if (at == std::string_view::npos) {
      parts.emplace_back(s.substr(start));
      return parts;
    }
    parts.emplace_back(s.substr(start, at - start));
    start = at + 1;
  }
}

bool starts_with_icase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && ascii_iequals(s.substr(0, prefix.size()), prefix);
}

bool ends_with_icase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && ascii_iequals(s.substr(s.size() - suffix.size()), suffix);
}

std::string replace_all(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = s.find(from, start);
    if (at == std::string_view::npos) break;
    out.append(s.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(s.substr(start));
  return out;
}

std::string vformat(const char* fmt, std::va_list args) {
  std::va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, args);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string format(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string out = vformat(fmt, args);
  va_end(args);
  return out;
}

std::string to_hex(const void* data, std::size_t size, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  const auto* p = static_cast<const unsigned char*>(data);
  std::string out(size * 2, '0');
  for (std::size_t i = 0; i < size; ++i) {
    out[2 * i] = digits[p[i] >> 4];
    out[2 * i + 1] = digits[p[i] & 15];
  }
  return out;
}

}  // namespace core
