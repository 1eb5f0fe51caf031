// Choosing the geometry of a shape: a preset and a custom geometry are alternatives, so creating
// one frees the other. The picture interface asks for a preset and sets it to "rect".
#include <memory>

#include "ooxml/drawingml/drawingml_main.h"

namespace ooxml::drawingml {

TCT_PresetGeometry2D* CreatePrstGeom(TEG_Geometry& geometry) {
  if (!geometry.prstGeom) {
    geometry.custGeom.reset();
    geometry.prstGeom = std::make_unique<TCT_PresetGeometry2D>(geometry.Owner);
  }
  return geometry.prstGeom.get();
}

TCT_CustomGeometry2D* CreateCustGeom(TEG_Geometry& geometry) {
  if (!geometry.custGeom) {
    geometry.prstGeom.reset();
    geometry.custGeom = std::make_unique<TCT_CustomGeometry2D>(geometry.Owner);
  }
  return geometry.custGeom.get();
}

}  // namespace ooxml::drawingml
