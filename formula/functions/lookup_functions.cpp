#include "formula/functions/families.h"

namespace formula::functions {

bool RunLookupFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
