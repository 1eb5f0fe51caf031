#include "formula/functions/families.h"

namespace formula::functions {

bool RunTextFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
