#include "formula/functions/families.h"

namespace formula::functions {

bool RunFamilyFunction(TValueStack& S, int Id, int Count) {
  return RunMathFunction(S, Id, Count) || RunStatisticsFunction(S, Id, Count) ||
         RunFinancialFunction(S, Id, Count) || RunDateTimeFunction(S, Id, Count) ||
         RunTextFunction(S, Id, Count) || RunLookupFunction(S, Id, Count) ||
         RunDatabaseFunction(S, Id, Count);
}

}  // namespace formula::functions
