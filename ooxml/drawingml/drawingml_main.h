// The DrawingML main classes (generated from tables/) and what the picture interface of the
// workbook model adds to them.
#pragma once

#include "ooxml/drawingml/gen/drawingml.h"

namespace ooxml::drawingml {

// The fill mode of a picture: stretched. A tile held before is freed; a stretch held before is kept.
TCT_StretchInfoProperties* CreateStretch(TEG_FillModeProperties& mode);

}  // namespace ooxml::drawingml
