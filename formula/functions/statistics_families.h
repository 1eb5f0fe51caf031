// The parts of the statistics family: descriptive statistics, paired data with regression and
// tests, and the probability distributions. Each runs function Id when it is its own and returns
// False otherwise, leaving the stack untouched.
#pragma once

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

bool RunDescriptiveStatistics(TValueStack& S, int Id, int Count);
bool RunPairedStatistics(TValueStack& S, int Id, int Count);
bool RunDistributionFunction(TValueStack& S, int Id, int Count);

}  // namespace formula::functions
