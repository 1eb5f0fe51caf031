// Fuzz target: any text goes through the tokenizer and encoder with a collecting error manager, and
// the same bytes go through the decoder as byte code.
// Either the compile fails with messages or it yields byte code that walks cleanly, leaves exactly one
// value and decodes to text that compiles again and decodes to the same text (one normalisation reaches
// a fixed point).
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "formula/language/byte_code.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "formula_text_fakes.h"
#include "workbook/exceptions.h"

namespace {

// Names the broken property and the text before stopping, so a failing mutation can be replayed.
[[noreturn]] void Fail(const char* Why, const std::u16string& Text, const std::u16string& Source = {}) {
  std::fprintf(stderr, "formula_text_fuzz: %s:", Why);
  for (char16_t c : Text) std::fprintf(stderr, " %04X", static_cast<unsigned>(c));
  std::fprintf(stderr, "\nfrom:");
  for (char16_t c : Source) std::fprintf(stderr, " %04X", static_cast<unsigned>(c));
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the separator mode; the rest is UTF-8-ish text widened byte by byte, with
  // pairs of 0xFF introducing a UTF-16 unit.
  if (size == 0) return 0;
  const bool invariant = (data[0] & 1) == 0;
  std::u16string text;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF && i + 2 < size) {
      text.push_back(static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8)));
      i += 2;
    } else {
      text.push_back(static_cast<char16_t>(data[i]));
    }
  }
  static const formula::testing::FakeNames names;
  static const formula::TFormulaLocale comma = formula::TFormulaLocale::CommaDecimal();
  const formula::TFormulaLocale& locale = invariant ? formula::TFormulaLocale::Invariant() : comma;
  // The same bytes as byte code from outside: the decoder either gives a text or raises.
  try {
    formula::TXLSFormulaDecoder raw(&names);
    raw.MemberFormulaText = [](int, int) { return std::u16string(u"A1"); };
    raw.Decode(data + 1, static_cast<int>(size - 1), 0, locale, (data[0] & 2) != 0);
  } catch (const workbook::Exception&) {
  }
  workbook::TXLSErrorManager errors;
  errors.SetSaveToList(true);
  std::vector<std::uint8_t> ptgs;
  bool ok = false;
  try {
    ok = formula::CompileFormula(text, errors, &names, invariant, locale, ptgs, 0, 1, 1);
  } catch (const workbook::Exception&) {
    return 0;  // the encoder's own exceptions (unknown workbook name and the like)
  }
  if (!ok) {
    if (!ptgs.empty()) Fail("failed compile left code", text);
    return 0;
  }
  if (!formula::ByteCodeWellFormed(ptgs.data(), static_cast<int>(ptgs.size()))) Fail("ill-formed code", text);
  formula::TXLSFormulaDecoder decoder(&names);
  const std::u16string back = decoder.Decode(ptgs.data(), static_cast<int>(ptgs.size()), 0, locale);
  std::vector<std::uint8_t> again;
  if (!formula::CompileFormula(back, errors, &names, invariant, locale, again, 0, 1, 1)) Fail("decoded text does not compile", back, text);
  // One normalisation reaches a fixed point (a name not found after a sheet prefix decodes as
  // "#NAME?", which compiles to the error constant, so byte identity is not required).
  if (decoder.Decode(again.data(), static_cast<int>(again.size()), 0, locale) != back)
    Fail("decoding is no fixed point", back, text);
  return 0;
}
