#include "skin/quick_ini.h"

#include <cstdint>

#include "core/unicode.h"

namespace skin {

namespace {

// Trimming removes every character with a code of 32 or less from both ends.
std::string_view trim_ctl(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

bool is_header(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

bool iequal(std::string_view a, std::string_view b) {
  return a.size() == b.size() && core::ascii_lower(a) == core::ascii_lower(b);
}

}  // namespace

void TQuickIni::LoadFromStream(std::span<const std::uint8_t> bytes) {
  LoadFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TQuickIni::LoadFromText(std::string_view text) {
  lines_.clear();
  sections_.clear();
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
    const std::string_view line = trim_ctl(text.substr(i, j - i));
    if (j < text.size() && text[j] == '\r') ++j;
    if (j < text.size() && text[j] == '\n') ++j;
    i = j;
    if (line.empty() || line.front() == ';') continue;
    lines_.emplace_back(line);
    if (is_header(line)) sections_.push_back({std::string(line), lines_.size() - 1});
  }
}

int TQuickIni::find_section(std::string_view section) const {
  std::string wanted;
  wanted.reserve(section.size() + 2);
  wanted.push_back('[');
  wanted.append(section);
  wanted.push_back(']');
  for (std::size_t k = 0; k < sections_.size(); ++k) {
    if (iequal(sections_[k].header, wanted)) return static_cast<int>(sections_[k].line);
  }
  return -1;
}

std::string TQuickIni::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  std::string result(def);
  const std::string wanted = core::ascii_lower(key);
  if (lines_.empty()) return result;
  const int at = find_section(section);
  if (at < 0) return result;
  for (std::size_t k = static_cast<std::size_t>(at) + 1; k < lines_.size(); ++k) {
    const std::string& line = lines_[k];
    if (is_header(line)) break;
    const std::size_t eq = line.find('=');
    const std::string_view line_key =
        eq == std::string::npos ? std::string_view() : trim_ctl(std::string_view(line).substr(0, eq));
    if (core::ascii_lower(line_key) != wanted) continue;
    if (eq != std::string::npos) {
      const std::string_view value = trim_ctl(std::string_view(line).substr(eq + 1));
      if (!value.empty()) result = std::string(value);
    }
    break;
  }
  return result;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t def) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return def;
  std::int64_t value = 0;
  if (text[i] == '$') {
    ++i;
    if (i >= text.size()) return def;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return def;
      value = value * 16 + d;
      if (value > 0xFFFFFFFFll) return def;
    }
    // Hexadecimal numbers fill all 32 bits ($FFFFFFFF is -1).
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return def;
    value = value * 10 + (c - '0');
    if (value > 0x80000000ll) return def;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return def;
  return static_cast<std::int32_t>(value);
}

std::int32_t TQuickIni::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  std::string s = ReadString(section, key, "");
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.erase(0, 1);
    s[0] = '$';
  }
  return StrToIntDef(s, def);
}

std::vector<std::string> TQuickIni::ReadSections() const {
  std::vector<std::string> out;
  out.reserve(sections_.size());
  for (const Section& s : sections_) {
    out.emplace_back(trim_ctl(std::string_view(s.header).substr(1, s.header.size() - 2)));
  }
  return out;
}

}  // namespace skin
