// The DrawingML main classes (generated from tables/) and what the picture interface of the
// workbook model adds to them.
#pragma once

#include "ooxml/drawingml/gen/drawingml.h"

namespace ooxml::drawingml {

// The fill mode of a picture: stretched. A tile held before is freed; a stretch held before is kept.
TCT_StretchInfoProperties* CreateStretch(TEG_FillModeProperties& mode);

// The geometry of a shape: a preset or a custom one. Creating one frees the other; one held before
// is returned unchanged (with the other beside it when both were read).
TCT_PresetGeometry2D* CreatePrstGeom(TEG_Geometry& geometry);
TCT_CustomGeometry2D* CreateCustGeom(TEG_Geometry& geometry);

}  // namespace ooxml::drawingml
