// Mathematical and matrix worksheet functions: the rounding family outside the dispatcher, powers
// and angles, factorials and counting, Roman numerals, and the matrix functions. Each runs inside an
// argument window opened by the dispatcher, reads its arguments last-first and pushes one result.
#pragma once

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

// Runs the mathematical function Id when it is one of this family; False leaves the stack untouched.
bool RunMathFunction(TValueStack& S, int Id, int Count);

}  // namespace formula::functions
