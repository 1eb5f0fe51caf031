// The small worksheet functions the dispatchers compute themselves (beyond the aggregates).
#pragma once

#include "formula/evaluator/value_stack.h"

namespace formula {

class TXLSFormulaEvaluator;

enum : int {
  fidRow = 8, fidColumn = 9, fidDollar = 13, fidFixed = 14, fidRept = 30, fidMid = 31, fidLen = 32,
  fidRand = 63, fidNow = 74, fidIsRef = 105, fidChar = 111, fidLower = 112, fidUpper = 113, fidProper = 114,
  fidLeft = 115, fidRight = 116, fidExact = 117, fidTrim = 118, fidCode = 121, fidIsErr = 126,
  fidIsText = 127, fidIsNumber = 128, fidIsBlank = 129, fidT = 130, fidN = 131, fidDateValue = 140,
  fidTimeValue = 141, fidIndirect = 148, fidIsNonText = 190, fidIsLogical = 198, fidLeftB = 208,
  fidRightB = 209, fidMidB = 210, fidLenB = 211, fidToday = 221, fidGammaLn = 271, fidTTestLegacy = 316,
  fidTInvLegacy = 332, fidTInv = 803, fidTInv2T = 804, fidGammaLnPrecise = 838, fidTTest = 863,
};

// Runs Id when it is one of these functions (its arguments stand in the open window); False
// otherwise, leaving the stack untouched.
bool RunInlineFunction(TXLSFormulaEvaluator& E, TValueStack& S, int Id, int Count);

}  // namespace formula
