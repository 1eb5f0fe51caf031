// Shape properties, group shape properties, transforms, shape styles and the shape element.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlShape, ShapesReadAndWriteBack) {
  ExpectRoundTrips<TCT_Shape>(
      u"xdr:sp",
      {{"a shape without its non-visual part and properties gets them empty", "<xdr:sp/>",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>"},
       {"a non-visual part without shape properties gets empty ones",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"\"/></xdr:nvSpPr></xdr:sp>",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"\" /><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>"},
       {"text locking off is written, on is not",
        "<xdr:sp fLocksText=\"0\" macro=\"Run\" textlink=\"$A$1\" fPublished=\"1\"/>",
        "<xdr:sp macro=\"Run\" textlink=\"$A$1\" fLocksText=\"0\" fPublished=\"1\" ><xdr:nvSpPr><xdr:cNvSpPr/></xdr:nvSpPr>"
        "<xdr:spPr/></xdr:sp>"},
       {"text locking on is not written", "<xdr:sp fLocksText=\"1\"/>",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>"},
       {"a whole text box with its style, children in their order",
        "<xdr:sp><xdr:txBody><a:bodyPr/><a:p><a:r><a:t>t</a:t></a:r></a:p></xdr:txBody><xdr:style><a:fontRef idx=\"minor\">"
        "<a:schemeClr val=\"lt1\"/></a:fontRef></xdr:style><xdr:spPr bwMode=\"auto\"><a:prstGeom prst=\"rect\"/></xdr:spPr>"
        "<xdr:nvSpPr><xdr:cNvSpPr txBox=\"1\"><a:spLocks noGrp=\"1\" noTextEdit=\"1\" noRot=\"0\"/></xdr:cNvSpPr>"
        "<xdr:cNvPr id=\"3\" name=\"Text 2\" descr=\"note\" hidden=\"1\"><a:hlinkClick r:id=\"rId2\"/></xdr:cNvPr></xdr:nvSpPr></xdr:sp>",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"Text 2\" descr=\"note\" hidden=\"1\" ><a:hlinkClick r:id=\"rId2\" />"
        "</xdr:cNvPr><xdr:cNvSpPr txBox=\"1\" ><a:spLocks noGrp=\"1\" noTextEdit=\"1\" /></xdr:cNvSpPr></xdr:nvSpPr>"
        "<xdr:spPr bwMode=\"auto\" ><a:prstGeom prst=\"rect\" /></xdr:spPr><xdr:style><a:lnRef/><a:fillRef/><a:effectRef/>"
        "<a:fontRef idx=\"minor\" ><a:schemeClr val=\"lt1\" /></a:fontRef></xdr:style><xdr:txBody><a:bodyPr/><a:lstStyle/>"
        "<a:p><a:r><a:t>t</a:t></a:r></a:p></xdr:txBody></xdr:sp>"},
       {"an attribute of the non-visual properties that is not bound is reported and kept",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"1\" name=\"a\" title=\"T\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>",
        "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"1\" name=\"a\" title=\"T\" /><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>",
        "Row 0: Unknown Attribute \"title\""}});
}

TEST(DmlShape, ClearEmptiesTheShape) {
  ReadInto<TCT_Shape> r("<xdr:sp fLocksText=\"0\" macro=\"m\"><xdr:txBody><a:p/></xdr:txBody><xdr:spPr><a:noFill/></xdr:spPr></xdr:sp>");
  r.obj.Clear();
  EXPECT_EQ(r.obj.txBody, nullptr);
  EXPECT_EQ(r.Written(u"xdr:sp"), "<xdr:sp><xdr:nvSpPr><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>");
}

TEST(DmlShape, ShapePropertiesReadAndWriteBack) {
  ExpectRoundTrips<TCT_ShapeProperties>(
      u"xdr:spPr",
      {{"transform, geometry, fill, line, effects, scene, 3-D in their order",
        "<xdr:spPr><a:sp3d><a:bevelT/></a:sp3d><a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig rig=\"threePt\" "
        "dir=\"t\"/></a:scene3d><a:effectLst><a:softEdge rad=\"5\"/></a:effectLst><a:ln w=\"9525\"><a:noFill/></a:ln>"
        "<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:custGeom><a:pathLst><a:path><a:close/></a:path>"
        "</a:pathLst></a:custGeom><a:xfrm rot=\"60000\" flipV=\"1\"><a:ext cx=\"1\" cy=\"2\"/><a:off x=\"3\" y=\"4\"/></a:xfrm>"
        "</xdr:spPr>",
        "<xdr:spPr><a:xfrm rot=\"60000\" flipV=\"1\" ><a:off x=\"3\" y=\"4\" /><a:ext cx=\"1\" cy=\"2\" /></a:xfrm><a:custGeom>"
        "<a:pathLst><a:path><a:close/></a:path></a:pathLst></a:custGeom><a:solidFill><a:srgbClr val=\"FF0000\" />"
        "</a:solidFill><a:ln w=\"9525\" ><a:noFill/></a:ln><a:effectLst><a:softEdge rad=\"5\" /></a:effectLst><a:scene3d>"
        "<a:camera prst=\"orthographicFront\" /><a:lightRig rig=\"threePt\" dir=\"t\" /></a:scene3d><a:sp3d><a:bevelT/>"
        "</a:sp3d></xdr:spPr>"},
       {"a transform without rotation or flips writes its offset only",
        "<xdr:spPr><a:xfrm rot=\"0\" flipH=\"0\"><a:off x=\"0\" y=\"0\"/></a:xfrm></xdr:spPr>",
        "<xdr:spPr><a:xfrm><a:off x=\"0\" y=\"0\" /></a:xfrm></xdr:spPr>"},
       {"a child no group knows is reported and absorbed, reading goes on",
        "<xdr:spPr><a:wobble amount=\"3\"/><a:prstGeom prst=\"ellipse\"/></xdr:spPr>",
        "<xdr:spPr><a:prstGeom prst=\"ellipse\" /></xdr:spPr>", "Row 0: Unknown Element \"a:wobble\""},
       {"an unknown black-and-white mode is reported", "<xdr:spPr bwMode=\"sepia\"><a:noFill/></xdr:spPr>",
        "<xdr:spPr><a:noFill/></xdr:spPr>", "Row 0: Unknown Attribute \"bwMode=\"sepia\"\""}});
}

TEST(DmlShape, GroupShapeProperties) {
  ExpectRoundTrips<TCT_GroupShapeProperties>(
      u"xdr:grpSpPr",
      {{"group transform with child offset and extent, fill, effects, scene",
        "<xdr:grpSpPr bwMode=\"gray\"><a:effectLst/><a:xfrm flipH=\"1\"><a:chExt cx=\"5\" cy=\"6\"/><a:chOff x=\"7\" y=\"8\"/>"
        "<a:ext cx=\"1\" cy=\"2\"/><a:off x=\"3\" y=\"4\"/></a:xfrm><a:grpFill/></xdr:grpSpPr>",
        "<xdr:grpSpPr bwMode=\"gray\" ><a:xfrm flipH=\"1\" ><a:off x=\"3\" y=\"4\" /><a:ext cx=\"1\" cy=\"2\" /><a:chOff x=\"7\" "
        "y=\"8\" /><a:chExt cx=\"5\" cy=\"6\" /></a:xfrm><a:grpFill/><a:effectLst/></xdr:grpSpPr>"},
       {"geometry is no group shape property", "<xdr:grpSpPr><a:prstGeom prst=\"rect\"/></xdr:grpSpPr>", "<xdr:grpSpPr/>",
        "Row 0: Unknown Element \"a:prstGeom\""}});
}

TEST(DmlShape, StylesAndConnections) {
  ExpectRoundTrips<TCT_ShapeStyle>(
      u"xdr:style",
      {{"only a font reference: the three others are written empty before it",
        "<xdr:style><a:fontRef idx=\"major\"/></xdr:style>",
        "<xdr:style><a:lnRef/><a:fillRef/><a:effectRef/><a:fontRef idx=\"major\" /></xdr:style>"},
       {"references with colours", "<xdr:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"><a:shade val=\"50000\"/>"
                                   "</a:schemeClr></a:lnRef><a:fillRef idx=\"0\"/><a:effectRef idx=\"1\"/></xdr:style>",
        "<xdr:style><a:lnRef idx=\"2\" ><a:schemeClr val=\"accent1\" ><a:shade val=\"50000\" /></a:schemeClr></a:lnRef>"
        "<a:fillRef idx=\"0\" /><a:effectRef idx=\"1\" /><a:fontRef/></xdr:style>"},
       {"an element no colour takes is reported, the reference keeps its index and reading goes on",
        "<xdr:style><a:fillRef idx=\"3\"><a:ext uri=\"x\"/><a:prstClr val=\"red\"/>"
        "</a:fillRef></xdr:style>",
        "<xdr:style><a:lnRef/><a:fillRef idx=\"3\" ><a:prstClr val=\"red\" /></a:fillRef><a:effectRef/><a:fontRef/></xdr:style>",
        "Row 0: Unknown Element \"a:ext\""}});
  ExpectRoundTrips<TCT_Connection>(u"a:stCxn", {{"both written always", "<a:stCxn id=\"4\"/>",
                                                  "<a:stCxn id=\"4\" idx=\"2147483632\" />"}});
}

}  // namespace
}  // namespace ooxml::drawingml
