// The worksheet-function families outside the dispatcher's own switch. Each family runs the function
// Id when it is one of its own and returns False otherwise, leaving the stack untouched.
#pragma once

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

bool RunMathFunction(TValueStack& S, int Id, int Count);
bool RunStatisticsFunction(TValueStack& S, int Id, int Count);
bool RunFinancialFunction(TValueStack& S, int Id, int Count);
bool RunDateTimeFunction(TValueStack& S, int Id, int Count);
bool RunTextFunction(TValueStack& S, int Id, int Count);
bool RunLookupFunction(TValueStack& S, int Id, int Count);
bool RunDatabaseFunction(TValueStack& S, int Id, int Count);

// Asks each family in turn; False when no family knows Id.
bool RunFamilyFunction(TValueStack& S, int Id, int Count);

}  // namespace formula::functions
