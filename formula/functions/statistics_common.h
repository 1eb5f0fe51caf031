// Helpers of the statistics families: number lists collected from arguments, paired walks, optional
// arguments and results that must be finite numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "formula/evaluator/value_stack.h"
#include "formula/functions/numeric_routines.h"

namespace formula::functions::stats {

// The numbers of one argument, appended to Out: a directly given value counts as spreadsheet
// applications count it (a boolean as 1 or 0, text by its number, other text #VALUE!); inside
// references and arrays only numbers count, or with AForm booleans as 1 or 0 and text as 0. Returns
// the first error met, or 0.
std::uint8_t ArgNumbers(TValueStack& S, const TXLSFormulaValue& Arg, bool AForm, std::vector<double>& Out);

// Pops Count arguments and collects their numbers in argument order. On an error the leftmost
// argument's error is pushed and False returned.
bool CollectNumbers(TValueStack& S, int Count, bool AForm, std::vector<double>& Out);
// Pops one argument and collects its numbers; pushes an error and returns False on failure.
bool CollectArg(TValueStack& S, std::vector<double>& Out);

// Optional argument I (0-based) of a call with Count arguments: not given, or a missing argument,
// gives Default. False when the pop failed (the error is pushed).
bool PopOptionalFloat(TValueStack& S, int Count, int I, double Default, double& V);
bool PopOptionalBool(TValueStack& S, int Count, int I, bool Default, bool& V);
// PopFloat truncated toward zero, kept as a double (no 32-bit limit).
bool PopTrunc(TValueStack& S, double& V);

// The pairs of X and Y where both stand on numbers, walked in step. Returns the first error item of
// either side (0 when none).
std::uint8_t CollectPairs(TValueStack& S, const TXLSFormulaValue& X, const TXLSFormulaValue& Y, std::vector<double>& XS,
                          std::vector<double>& YS);

}  // namespace formula::functions::stats
