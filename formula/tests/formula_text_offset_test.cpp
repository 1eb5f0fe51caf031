// Generated formulas compiled to byte code: moving their references by (dc, dr) and back again gives
// the original byte code, and the moved code decodes to text that compiles to the moved code.
// The generator keeps every cell Margin columns and rows away from the grid's edges and the moves
// stay within Margin, so no reference leaves the grid on either step (references pushed off the grid
// turn into #REF! tokens and cannot come back; the handler's own tests cover that).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "formula_text_fakes.h"
#include "formula_text_generator.h"

namespace formula {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& B) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t b : B) {
    s += digits[b >> 4];
    s += digits[b & 15];
    s += ' ';
  }
  return s;
}

TEST(FormulaTextOffset, MovingThereAndBackIsTheIdentity) {
  constexpr int kMargin = 40;
  workbook::TXLSErrorManager errors;
  errors.SetSaveToList(true);
  testing::FakeNames names;
  TXLSFormulaDecoder decoder(&names);
  const TFormulaLocale& inv = TFormulaLocale::Invariant();
  testing::Generator g(20261211, kMargin);
  std::mt19937 rng(7);
  // Moves of the full margin land edge cells exactly on the first or last column and row.
  auto delta = [&] {
    switch (rng() % 4) {
      case 0: return kMargin;
      case 1: return -kMargin;
      default: return static_cast<int>(rng() % (2 * kMargin + 1)) - kMargin;
    }
  };
  int moved = 0;
  for (int n = 0; n < 1000; ++n) {
    const std::u16string text = g.Formula();
    const std::string label = core::utf16_to_utf8(text);
    Bytes code;
    ASSERT_TRUE(CompileFormula(text, errors, &names, true, inv, code, 0)) << label;
    const int dc = delta(), dr = delta();
    SCOPED_TRACE(label + " moved by (" + std::to_string(dc) + ", " + std::to_string(dr) + ")");

    Bytes there = code;
    TXLSFormulaHandler::OffsetRelativeRefs(there.data(), static_cast<int>(there.size()), dc, dr);
    ASSERT_EQ(there.size(), code.size());
    if (there != code) ++moved;
    // The moved code is a formula in its own right: its text compiles back to it.
    const std::u16string movedText = decoder.Decode(there, 0, inv);
    EXPECT_EQ(movedText.find(u"#REF!"), std::u16string::npos) << core::utf16_to_utf8(movedText);
    Bytes recompiled;
    ASSERT_TRUE(CompileFormula(movedText, errors, &names, true, inv, recompiled, 0)) << core::utf16_to_utf8(movedText);
    EXPECT_EQ(decoder.Decode(recompiled, 0, inv), movedText);

    Bytes back = there;
    TXLSFormulaHandler::OffsetRelativeRefs(back.data(), static_cast<int>(back.size()), -dc, -dr);
    EXPECT_EQ(Hex(back), Hex(code)) << "moved: " << core::utf16_to_utf8(movedText);
  }
  // Most formulas hold a relative reference; a move that changed nothing would make the identity
  // hollow.
  EXPECT_GT(moved, 500);
}

}  // namespace
}  // namespace formula
