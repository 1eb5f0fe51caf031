#include "formula/functions/families.h"

namespace formula::functions {

bool RunFinancialFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
