#include "formula/support/criteria.h"

#include <gtest/gtest.h>

#include "formula/evaluator/formula_value.h"

namespace formula {
namespace {

TXLSVarValue N(double v) { return TXLSVarValue::FromFloat(v); }
TXLSVarValue S(const char16_t* v) { return TXLSVarValue::FromString(v); }
TXLSVarValue B(bool v) { return TXLSVarValue::FromBool(v); }
TXLSVarValue E(std::uint8_t v) { return TXLSVarValue::FromError(v); }
TXLSVarValue Blank() { return TXLSVarValue(); }

bool Match(const TXLSVarValue& Criterion, const TXLSVarValue& Cell,
           const TFormulaLocale& Locale = TFormulaLocale::Invariant()) {
  return MatchCriteria(BuildCriteria(Criterion, Locale), Cell, Locale);
}

TEST(Criteria, SelectionTable) {
  struct Case {
    TXLSVarValue Criterion;
    std::vector<TXLSVarValue> Selected, NotSelected;
  } cases[] = {
      {S(u">=10"), {N(10), N(11)}, {N(9), S(u"20"), Blank(), B(true)}},
      {S(u"=10"), {N(10), S(u"10"), S(u"1e1")}, {N(11), Blank(), S(u"x")}},
      {S(u"10"), {N(10), S(u"10.0")}, {S(u"100"), N(1)}},
      {N(10), {N(10), S(u"10")}, {N(9)}},
      {S(u"5"), {N(5)}, {N(55)}},
      {S(u"<>"), {N(0), S(u"x"), B(false), S(u""), E(errNA)}, {Blank()}},
      {S(u""), {Blank(), S(u"")}, {N(0), S(u"x")}},
      {S(u"="), {Blank()}, {S(u""), N(0), S(u"a")}},
      {S(u"<>10"), {N(9), Blank(), S(u"x"), B(true)}, {N(10), S(u"10")}},
      {S(u"<>abc"), {Blank(), N(1), S(u"abd")}, {S(u"abc"), S(u"ABC")}},
      {S(u">="), {}, {N(1), S(u"a"), Blank()}},
      {S(u"ab*"), {S(u"AB"), S(u"abc"), S(u"Abacus")}, {S(u"a"), S(u"xab"), N(1)}},
      {S(u"a?c"), {S(u"abc"), S(u"A-C")}, {S(u"ac"), S(u"abbc")}},
      {S(u"*"), {S(u""), S(u"x")}, {N(1), Blank(), B(true)}},
      {S(u"[a-c]x"), {S(u"bx"), S(u"Cx")}, {S(u"dx"), S(u"x")}},
      {S(u"[!a]?"), {S(u"bz")}, {S(u"az"), S(u"b")}},
      {S(u"[a"), {S(u"[a")}, {S(u"a")}},  // an unclosed set is a plain '['
      {S(u"[]x"), {S(u"[]x")}, {S(u"x")}},
      {S(u"=TRUE"), {B(true)}, {S(u"TRUE"), S(u"true"), B(false), N(1)}},
      {S(u"true"), {B(true)}, {S(u"true")}},
      {S(u"=#DIV/0!"), {E(errDiv0)}, {S(u"#DIV/0!"), E(errNA)}},
      {S(u"#n/a"), {E(errNA)}, {S(u"#N/A")}},
      {S(u"<>#N/A"), {N(1), E(errDiv0), Blank()}, {E(errNA)}},
      {S(u"#nothing"), {S(u"#NOTHING")}, {E(errNA)}},
      {S(u"==5"), {S(u"=5")}, {N(5)}},
      {S(u">b"), {S(u"c"), S(u"BB")}, {S(u"b"), S(u"a"), N(5)}},
      {S(u"<B"), {S(u"a"), S(u"")}, {S(u"b"), Blank()}},
      {S(u">1/1/2020"), {N(43832)}, {N(43831), S(u"1/2/2020")}},
      {S(u"<1"), {N(0), N(-1)}, {Blank(), B(false), S(u"0")}},
      {B(false), {B(false)}, {N(0), Blank()}},
      {E(errRef), {E(errRef)}, {S(u"#REF!")}},
      {S(u"~*"), {S(u"~x")}, {S(u"*")}},  // no escape character
  };
  for (const auto& c : cases) {
    for (const auto& v : c.Selected) EXPECT_TRUE(Match(c.Criterion, v)) << "criterion " << c.Criterion.Text.size() << " cell type " << int(v.Type) << " " << v.Number;
    for (const auto& v : c.NotSelected) EXPECT_FALSE(Match(c.Criterion, v)) << "criterion " << c.Criterion.Text.size() << " cell type " << int(v.Type) << " " << v.Number;
  }
}

TEST(Criteria, LocaleDecidesNumbersAndDates) {
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  EXPECT_TRUE(Match(S(u"=1,5"), N(1.5), comma));
  EXPECT_FALSE(Match(S(u"=1.5"), N(1.5), comma));
  EXPECT_TRUE(Match(S(u"=1.5"), N(1.5)));
  EXPECT_TRUE(Match(S(u">1.1.2020"), N(43832), comma));
}

TEST(Criteria, ParseCriteriaOperators) {
  struct Case {
    const char16_t* Text;
    bool Parsed;
    std::uint8_t Op;
  } cases[] = {{u"<5", true, critLT},  {u"<=5", true, critLE}, {u"<>5", true, critNE}, {u"=5", true, critEQ},
               {u">=5", true, critGE}, {u">5", true, critGT},  {u"5", false, 99},      {u"", false, 99}};
  for (const auto& c : cases) {
    std::uint8_t op = 99;
    TXLSVarValue r = S(u"keep");
    EXPECT_EQ(ParseCriteria(c.Text, op, r), c.Parsed);
    EXPECT_EQ(op, c.Op);
    if (c.Parsed) {
      EXPECT_EQ(r.Type, fvtFloat);
      EXPECT_EQ(r.Number, 5);
    } else {
      EXPECT_EQ(r.Text, u"keep");
    }
  }
}

TEST(Criteria, MatchComparesWithCodes135) {
  EXPECT_TRUE(CompareVarValues(N(3), N(5), critLT));
  EXPECT_TRUE(CompareVarValues(S(u"Apple"), S(u"a*"), critEQ));
  EXPECT_FALSE(CompareVarValues(S(u"5"), N(5), critGT));
  EXPECT_TRUE(CompareVarValues(S(u"b"), S(u"A"), critGT));
  EXPECT_TRUE(CompareVarValues(N(1), N(2), critAny));
  EXPECT_FALSE(CompareVarValues(N(1), S(u"x"), critAny));
  TXLSFormulaValue a, b;
  a.SetFloat(2);
  b.SetFloat(2);
  EXPECT_TRUE(CompareFormulaValues(a, b, critEQ));
  b.Kind = fvkArea;
  EXPECT_FALSE(CompareFormulaValues(a, b, critEQ));
  TXLSVarValue r;
  EXPECT_FALSE(FormulaValueToVarValue(b, r));
  EXPECT_EQ(r.BoolErr, errValue);
  TXLSFormulaValue empty;
  empty.Kind = fvkCell;
  empty.NoCell = 1;
  EXPECT_TRUE(FormulaValueToVarValue(empty, r));
  EXPECT_EQ(r.Type, fvtEmpty);
}

TEST(Criteria, WildcardsWithoutBacktrackingBlowUp) {
  std::u16string text(2000, u'a');
  std::u16string pattern;
  for (int i = 0; i < 30; ++i) pattern += u"*a";
  pattern += u"b";
  EXPECT_FALSE(WildcardMatch(text, pattern));
  EXPECT_TRUE(WildcardMatch(text + u"b", pattern));
  EXPECT_TRUE(WildcardMatch(u"", u"**"));
  EXPECT_FALSE(WildcardMatch(u"", u"?"));
  EXPECT_TRUE(WildcardMatch(u"\u00E9t\u00E9", u"?t?"));
}

}  // namespace
}  // namespace formula
