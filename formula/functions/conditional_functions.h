// Conditional aggregation: COUNTIF, SUMIF, AVERAGEIF and their several-criteria forms COUNTIFS,
// SUMIFS and AVERAGEIFS, with the criteria matching of formula/support/criteria.h.
#pragma once

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

void CountIf(TValueStack& S);
// Average selects AVERAGEIF.
void SumIf(TValueStack& S, int Count, bool Average);
// Kind: 0 COUNTIFS, 1 SUMIFS, 2 AVERAGEIFS.
void IfsFunction(TValueStack& S, int Count, int Kind);

}  // namespace formula::functions
