#include "formula/functions/families.h"

namespace formula::functions {

bool RunDateTimeFunction(TValueStack&, int, int) { return false; }

}  // namespace formula::functions
