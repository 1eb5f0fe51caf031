// The skin's INI description: parsed once from the package entry, then asked for strings and
// integers by section and key. Sections match without regard to ASCII case, keys likewise; the first
// of equal sections or keys wins; a key with an empty value answers the default.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

class TQuickIni {
public:
  // Parses the bytes (a NUL ends the text); replaces what was loaded before.
  void LoadFromStream(std::span<const std::uint8_t> bytes);
  void LoadFromText(std::string_view text);

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // Section names in file order, without brackets.
  std::vector<std::string> ReadSections() const;

  const std::vector<std::string>& lines() const { return lines_; }

private:
  int find_section(std::string_view section) const;

  std::vector<std::string> lines_;
  struct Section {
    std::string header;  // trimmed, brackets kept
    std::size_t line = 0;
  };
  std::vector<Section> sections_;
};

// The platform's string-to-integer rule: optional sign, decimal digits, or hexadecimal after "$";
// the whole text must be the number and fit in 32 bits, else `def`.
std::int32_t StrToIntDef(std::string_view text, std::int32_t def);

}  // namespace skin
