// Fuzz target: token strings from outside (BIFF8 tokens behind their lead, the library's byte code)
// are walked by the stepper, and texts are used as criteria and wildcard patterns. Any input either
// walks or raises the stepper's two messages; nothing reads past the end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formula/language/byte_code.h"
#include "formula/support/criteria.h"
#include "workbook/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    formula::TXLSIteratePtgs it(data, static_cast<int>(size));
    while (it.Next()) {
      if (it.Current() < data || it.Current() + it.CurrentSize() > data + size) __builtin_trap();
    }
  } catch (const workbook::Exception&) {
  }
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size && text.size() < 64; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const std::size_t half = text.size() / 2;
  const formula::TXLSCriteria c = formula::BuildCriteria(formula::TXLSVarValue::FromString(text.substr(0, half)));
  formula::MatchCriteria(c, formula::TXLSVarValue::FromString(text.substr(half)));
  formula::WildcardMatch(text.substr(half), text.substr(0, half));
  return 0;
}
