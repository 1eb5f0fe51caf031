// The DrawingML main classes (generated from tables/) and what the picture interface of the
// workbook model adds to them.
#pragma once

#include "ooxml/drawingml/gen/drawingml.h"

namespace ooxml::drawingml {

}  // namespace ooxml::drawingml
