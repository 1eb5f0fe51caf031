// Criteria matching of the conditional functions, the database functions and MATCH: the criterion
// grammar ('>=10', '<>', 'North*', '=#N/A', a plain value), the compare value record and the
// comparison with wildcards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formula/support/locale.h"
#include "formula/support/var_value.h"

namespace formula {

struct TXLSFormulaValue;

// Operator codes of a criterion.
enum : std::uint8_t {
  critLT = 1, critLE = 2, critEQ = 3, critGE = 4, critGT = 5, critNE = 6,
  critAny = 7,  // preset by the database conditions: equal types match
};

// A parsed criterion. A criterion without an operator ('10', 'abc*', '') compares "equal".
struct TXLSCriteria {
  std::uint8_t Op = critEQ;
  TXLSVarValue Value;
  bool HasOperator = false;
};

// A plain value or a single-cell reference: its value (an empty or missing cell gives the empty
// value); True. Areas, lists and arrays give #VALUE! and False.
bool FormulaValueToVarValue(const TXLSFormulaValue& V, TXLSVarValue& R);

// Reads the operator ('<', '<=', '=', '>=', '>', '<>'; only one) and the value after it. Returns
// False, leaving Op and R untouched, when Text starts with no operator.
bool ParseCriteria(std::u16string_view Text, std::uint8_t& Op, TXLSVarValue& R,
                   const TFormulaLocale& Locale = TFormulaLocale::Invariant());
// The value of a criterion text: a number, a date-time, TRUE/FALSE (any case), an error name, else
// the text itself.
void ParseCriteriaValue(std::u16string_view Text, TXLSVarValue& R,
                        const TFormulaLocale& Locale = TFormulaLocale::Invariant());
// A criterion argument: a text is parsed, any other value compares equal.
TXLSCriteria BuildCriteria(const TXLSVarValue& Criterion, const TFormulaLocale& Locale = TFormulaLocale::Invariant());

// Whether the candidate value Cell satisfies the criterion.
bool MatchCriteria(const TXLSCriteria& Criteria, const TXLSVarValue& Cell,
                   const TFormulaLocale& Locale = TFormulaLocale::Invariant());

// A is the candidate, B the criterion value, Op the operator (for MATCH: 1, 3, 5).
bool CompareVarValues(const TXLSVarValue& A, const TXLSVarValue& B, std::uint8_t Op,
                      const TFormulaLocale& Locale = TFormulaLocale::Invariant());
bool CompareFormulaValues(const TXLSFormulaValue& A, const TXLSFormulaValue& B, std::uint8_t Op,
                          const TFormulaLocale& Locale = TFormulaLocale::Invariant());

// The whole of Text against the whole Pattern: '*' any run, '?' one character, '[abc]', '[a-z]' and
// '[!...]' one character of (not of) a set; a-z match in either case. A set that is not closed is
// read as a plain '['.
bool WildcardMatch(std::u16string_view Text, std::u16string_view Pattern);

}  // namespace formula
