// Generated formulas: compiling the decoded text again reaches a fixed point after one
// normalisation, every emitted byte code steps cleanly and leaves exactly one value, and the locale
// form compiles to the same byte code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/language/byte_code.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "formula_text_fakes.h"
#include "formula_text_generator.h"

namespace formula {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Generator;


Bytes WithoutSpaces(const Bytes& B) {
  Bytes out;
  TXLSIteratePtgs it(B.data(), static_cast<int>(B.size()));
  while (it.Next())
    if (it.Current()[0] != xptgSpace) out.insert(out.end(), it.Current(), it.Current() + it.CurrentSize());
  return out;
}

TEST(FormulaTextProperties, RoundTripOverGeneratedFormulas) {
  workbook::TXLSErrorManager errors;
  errors.SetSaveToList(true);
  testing::FakeNames names;
  TXLSFormulaDecoder decoder(&names);
  const TFormulaLocale& inv = TFormulaLocale::Invariant();
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  Generator g(20261210);
  for (int n = 0; n < 1000; ++n) {
    const std::u16string t0 = g.Formula();
    const std::string label = core::utf16_to_utf8(t0);
    Bytes e0;
    ASSERT_TRUE(CompileFormula(t0, errors, &names, true, inv, e0, 0)) << label;
    // Every emitted byte code steps cleanly and leaves one value.
    int total = 0;
    TXLSIteratePtgs it(e0.data(), static_cast<int>(e0.size()));
    while (it.Next()) total += it.CurrentSize();
    ASSERT_EQ(total, static_cast<int>(e0.size())) << label;
    ASSERT_TRUE(ByteCodeWellFormed(e0.data(), static_cast<int>(e0.size()))) << label;
    // Fixed point after one normalisation.
    const std::u16string t1 = decoder.Decode(e0, 0, inv);
    Bytes e1;
    ASSERT_TRUE(CompileFormula(t1, errors, &names, true, inv, e1, 0)) << label << " -> " << core::utf16_to_utf8(t1);
    EXPECT_EQ(decoder.Decode(e1, 0, inv), t1) << label;
    EXPECT_EQ(WithoutSpaces(e1), WithoutSpaces(e0)) << label;
    // The locale form compiles back to the same byte code and decodes to the same locale text.
    const std::u16string local = decoder.Decode(e0, 0, comma);
    Bytes el;
    ASSERT_TRUE(CompileFormula(local, errors, &names, false, comma, el, 0)) << label << " -> " << core::utf16_to_utf8(local);
    EXPECT_EQ(WithoutSpaces(el), WithoutSpaces(e0)) << core::utf16_to_utf8(local);
  }
}

}  // namespace
}  // namespace formula
