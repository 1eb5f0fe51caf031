#include "formula/functions/families.h"

namespace formula::functions {

bool RunDatabaseFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
