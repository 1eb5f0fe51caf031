#include "formula/functions/families.h"

namespace formula::functions {

bool RunStatisticsFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
