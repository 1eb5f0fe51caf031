// Generated formulas: compiling the decoded text again reaches a fixed point after one
// normalisation, every emitted byte code steps cleanly and leaves exactly one value, and the locale
// form compiles to the same byte code.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/language/byte_code.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "formula_text_fakes.h"

namespace formula {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Generator {
public:
  explicit Generator(unsigned Seed) : R_(Seed) {}
  std::u16string Formula() { return Expr(0); }

private:
  int Pick(int N) { return static_cast<int>(R_() % static_cast<unsigned>(N)); }
  std::u16string Sp() { return Pick(6) == 0 ? u" " : u""; }
  std::u16string Cell() {
    std::u16string s;
    if (Pick(3) == 0) s += u"$";
    const int c = Pick(3) == 0 ? Pick(16384) : Pick(30);
    s += core::utf8_to_utf16(ColName(c));
    if (Pick(3) == 0) s += u"$";
    s += core::utf8_to_utf16(std::to_string(1 + (Pick(3) == 0 ? Pick(1048576) : Pick(100))));
    return s;
  }
  static std::string ColName(int c) {
    std::string s;
    for (++c; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
  }
  std::u16string Ref() {
    switch (Pick(10)) {
      case 0: return Cell() + u":" + Cell();
      case 5: return u"(" + Cell() + u"," + Ref() + u")";
      case 6: return Cell() + u":" + Cell() + u" " + Cell();
      case 7: {
        static const char16_t* tables[] = {u"Table1[Qty]", u"Table1[[#Headers],[Amount]]", u"Table1[[Item]:[Qty]]",
                                           u"Table1[]", u"Table1[[#Data],[#Totals]]"};
        return tables[Pick(5)];
      }
      case 1: return u"Sheet1!" + Cell();
      case 2: return u"'My Sheet'!" + Cell() + u":" + Cell();
      case 3: return u"[1]Sheet2!" + Cell();
      case 4: return u"Sheet1:Data2!" + Cell();
      default: return Cell();
    }
  }
  std::u16string Number() {
    switch (Pick(4)) {
      case 0: return core::utf8_to_utf16(std::to_string(Pick(1000)));
      case 1: return core::utf8_to_utf16(std::to_string(Pick(1000))) + u"." + core::utf8_to_utf16(std::to_string(1 + Pick(99)));
      case 2: return u"2147483648";
      default: return u"1E" + core::utf8_to_utf16(std::to_string(20 + Pick(200)));
    }
  }
  std::u16string Atom(int D) {
    switch (Pick(D > 3 ? 5 : 10)) {
      case 0: return Number();
      case 1: return Pick(2) ? u"TRUE" : u"FALSE";
      case 2: return u"\"t" + std::u16string(Pick(2) ? u"\"\"" : u"") + u"x\"";
      case 3: return Ref();
      case 4: return Pick(2) ? u"#N/A" : u"Rate";
      case 5: return u"(" + Expr(D + 1) + u")";
      case 6: return u"SUM(" + Args(D, 0) + u")";
      case 7: return u"ROUND(" + Expr(D + 1) + u"," + Expr(D + 1) + u")";
      case 8: return u"IF(" + Expr(D + 1) + u"," + (Pick(3) ? Expr(D + 1) : u"") + u"," + Expr(D + 1) + u")";
      default: return Pick(2) ? u"{1,2;-3,4}" : u"FOO(" + Args(D, 0) + u")";
    }
  }
  std::u16string Args(int D, int Min) {
    const int n = Min + Pick(4);
    std::u16string s;
    for (int i = 0; i < n; ++i) s += (i ? u"," : u"") + Sp() + Expr(D + 1);
    return s;
  }
  std::u16string Expr(int D) {
    static const char16_t* ops[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"=", u"<>", u"<", u"<=", u">", u">="};
    std::u16string s;
    if (Pick(5) == 0) s += Pick(2) ? u"-" : u"+";
    s += Atom(D);
    if (Pick(8) == 0) s += u"%";
    const int n = D > 3 ? 0 : Pick(3);
    for (int i = 0; i < n; ++i) s += Sp() + ops[Pick(12)] + Sp() + Atom(D);
    return s;
  }
  std::mt19937 R_;
};

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
