#include "formula/support/criteria.h"

#include <vector>

#include "formula/evaluator/formula_value.h"
#include "formula/support/text_collation.h"

namespace formula {

namespace {

char16_t Fold(char16_t c) { return LowerLetter(c); }

// The set at Pattern[Pos] ('[' ...). On success Len is its length and Hit whether Ch is in it.
bool MatchSet(std::u16string_view Pattern, std::size_t Pos, char16_t Ch, std::size_t& Len, bool& Hit) {
  std::size_t i = Pos + 1;
  bool negate = false;
  if (i < Pattern.size() && Pattern[i] == u'!') {
    negate = true;
    ++i;
  }
  bool any = false, in = false;
  const char16_t c = Fold(Ch);
  while (i < Pattern.size() && Pattern[i] != u']') {
    const char16_t lo = Fold(Pattern[i]);
    if (i + 2 < Pattern.size() && Pattern[i + 1] == u'-' && Pattern[i + 2] != u']') {
      const char16_t hi = Fold(Pattern[i + 2]);
      if (c >= lo && c <= hi) in = true;
      i += 3;
    } else {
      if (c == lo) in = true;
      ++i;
    }
    any = true;
  }
  if (i >= Pattern.size() || !any) return false;  // not closed, or empty: no set
  Len = i - Pos + 1;
  Hit = in != negate;
  return true;
}

bool IsOpChar(char16_t c) { return c == u'<' || c == u'=' || c == u'>'; }

bool NumberEqual(const TXLSVarValue& Cell, double N, const TFormulaLocale& Locale) {
  if (Cell.Type == fvtFloat) return Cell.Number == N;
  // A text cell that reads as a number matches that number.
  double d = 0;
  return Cell.Type == fvtString && TextToFloat(Cell.Text, Locale, d) && d == N;
}

int Cmp3(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

bool OrderResult(std::uint8_t Op, int c) {
  switch (Op) {
    case critLT:
      return c < 0;
    case critLE:
      return c <= 0;
    case critGE:
      return c >= 0;
    case critGT:
      return c > 0;
    default:
      return false;
  }
}

}  // namespace

bool WildcardMatch(std::u16string_view Text, std::u16string_view Pattern) {
  std::size_t t = 0, p = 0;
  std::size_t starP = std::u16string_view::npos, starT = 0;
  while (t < Text.size()) {
    if (p < Pattern.size()) {
      const char16_t pc = Pattern[p];
      if (pc == u'*') {
        starP = p++;
        starT = t;
        continue;
      }
      std::size_t len = 1;
      bool hit = false;
      if (pc == u'?') {
        hit = true;
      } else if (pc == u'[' && MatchSet(Pattern, p, Text[t], len, hit)) {
        // set read
      } else {
        len = 1;
        hit = Fold(pc) == Fold(Text[t]);
      }
      if (hit) {
        p += len;
        ++t;
        continue;
      }
    }
    if (starP == std::u16string_view::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < Pattern.size() && Pattern[p] == u'*') ++p;
  return p == Pattern.size();
}

bool FormulaValueToVarValue(const TXLSFormulaValue& V, TXLSVarValue& R) {
  R = TXLSVarValue();
  if (V.Kind >= fvkArea) {
    R.Type = fvtError;
    R.BoolErr = errValue;
    return false;
  }
  R.Type = V.ValueType;
  switch (V.ValueType) {
    case fvtFloat:
      R.Number = V.Number;
      break;
    case fvtBoolean:
    case fvtError:
      R.BoolErr = V.BoolErr;
      break;
    case fvtString:
      R.Text = V.Text;
      break;
    default:
      break;
  }
  return true;
}

void ParseCriteriaValue(std::u16string_view Text, TXLSVarValue& R, const TFormulaLocale& Locale) {
  double d = 0;
  if (TextToFloat(Text, Locale, d) || TextToDateTime(Text, Locale, d)) {
    R = TXLSVarValue::FromFloat(d);
    return;
  }
  const std::u16string up = UpperCaseAscii(Text);
  if (up == u"TRUE" || up == u"FALSE") {
    R = TXLSVarValue::FromBool(up == u"TRUE");
    return;
  }
  if (!Text.empty() && Text[0] == u'#') {
    for (std::uint8_t code = 1; code <= 8; ++code)
      if (up == ErrorText(code)) {
        R = TXLSVarValue::FromError(code);
        return;
      }
  }
  R = TXLSVarValue::FromString(std::u16string(Text));
}

bool ParseCriteria(std::u16string_view Text, std::uint8_t& Op, TXLSVarValue& R, const TFormulaLocale& Locale) {
  if (Text.empty() || !IsOpChar(Text[0])) return false;
  std::size_t n = 1;
  const char16_t second = Text.size() > 1 ? Text[1] : 0;
  switch (Text[0]) {
    case u'<':
      Op = second == u'=' ? critLE : (second == u'>' ? critNE : critLT);
      n = (Op == critLT) ? 1 : 2;
      break;
    case u'>':
      Op = second == u'=' ? critGE : critGT;
      n = Op == critGE ? 2 : 1;
      break;
    default:
      Op = critEQ;
      break;
  }
  ParseCriteriaValue(Text.substr(n), R, Locale);
  return true;
}

TXLSCriteria BuildCriteria(const TXLSVarValue& Criterion, const TFormulaLocale& Locale) {
  TXLSCriteria c;
  c.Op = critEQ;
  if (Criterion.Type != fvtString) {
    c.Value = Criterion;
    c.Value.Empty = 0;
    return c;
  }
  if (ParseCriteria(Criterion.Text, c.Op, c.Value, Locale)) {
    c.HasOperator = true;
  } else {
    ParseCriteriaValue(Criterion.Text, c.Value, Locale);
  }
  return c;
}

bool CompareVarValues(const TXLSVarValue& A, const TXLSVarValue& B, std::uint8_t Op, const TFormulaLocale& Locale) {
  if (Op == critAny) return A.Type == B.Type;
  if (Op == critNE) return !CompareVarValues(A, B, critEQ, Locale);
  switch (B.Type) {
    case fvtFloat:
      if (Op == critEQ) return NumberEqual(A, B.Number, Locale);
      return A.Type == fvtFloat && OrderResult(Op, Cmp3(A.Number, B.Number));
    case fvtBoolean:
    case fvtError:
      if (A.Type != B.Type) return false;
      return Op == critEQ ? A.BoolErr == B.BoolErr : OrderResult(Op, Cmp3(A.BoolErr, B.BoolErr));
    case fvtString:
      if (A.Type != fvtString) return false;
      if (Op == critEQ) return WildcardMatch(A.Text, B.Text);
      return OrderResult(Op, CollateText(A.Text, B.Text));
    case fvtEmpty:
      return Op == critEQ && A.Type == fvtEmpty;
    default:
      return false;
  }
}

bool MatchCriteria(const TXLSCriteria& Criteria, const TXLSVarValue& Cell, const TFormulaLocale& Locale) {
  const TXLSVarValue& v = Criteria.Value;
  if (v.Type == fvtString && v.Text.empty()) {
    const bool blank = Cell.Type == fvtEmpty;
    const bool emptyText = Cell.Type == fvtString && Cell.Text.empty();
    switch (Criteria.Op) {
      case critEQ:
        // '=' alone selects blank cells; the empty criterion also empty texts.
        return blank || (!Criteria.HasOperator && emptyText);
      case critNE:
        return !blank;
      default:
        return false;
    }
  }
  return CompareVarValues(Cell, v, Criteria.Op, Locale);
}

bool CompareFormulaValues(const TXLSFormulaValue& A, const TXLSFormulaValue& B, std::uint8_t Op,
                          const TFormulaLocale& Locale) {
  TXLSVarValue a, b;
  if (!FormulaValueToVarValue(A, a) || !FormulaValueToVarValue(B, b)) return false;
  return CompareVarValues(a, b, Op, Locale);
}

}  // namespace formula
