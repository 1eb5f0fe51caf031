// Geometry and the 3-D scene: preset and custom geometry, paths and their commands, adjust handles,
// points and sizes, camera, light rig, backdrop and 3-D shape properties.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlGeometry, CustomGeometryReadsAndWritesBack) {
  ExpectRoundTrips<TCT_CustomGeometry2D>(
      u"a:custGeom",
      {{"commands keep their mixture and order; the arc keeps its four values, the Bezier all its points",
        "<a:custGeom><a:pathLst><a:path w=\"100\" h=\"200\"><a:moveTo><a:pt x=\"0\" y=\"0\"/></a:moveTo>"
        "<a:lnTo><a:pt x=\"100\" y=\"0\"/></a:lnTo><a:arcTo wR=\"50\" hR=\"50\" stAng=\"0\" swAng=\"5400000\"/><a:close/>"
        "<a:moveTo><a:pt x=\"10\" y=\"10\"/></a:moveTo><a:cubicBezTo><a:pt x=\"1\" y=\"2\"/><a:pt x=\"3\" y=\"4\"/>"
        "<a:pt x=\"5\" y=\"6\"/></a:cubicBezTo><a:close/></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path w=\"100\" h=\"200\" ><a:moveTo><a:pt x=\"0\" y=\"0\" /></a:moveTo>"
        "<a:lnTo><a:pt x=\"100\" y=\"0\" /></a:lnTo><a:arcTo wR=\"50\" hR=\"50\" stAng=\"0\" swAng=\"5400000\" /><a:close/>"
        "<a:moveTo><a:pt x=\"10\" y=\"10\" /></a:moveTo><a:cubicBezTo><a:pt x=\"1\" y=\"2\" /><a:pt x=\"3\" y=\"4\" />"
        "<a:pt x=\"5\" y=\"6\" /></a:cubicBezTo><a:close/></a:path></a:pathLst></a:custGeom>"},
       {"guide names, formulas and measures with units are kept as read",
        "<a:custGeom><a:avLst><a:gd name=\"adj\" fmla=\"val 16667\"/></a:avLst><a:gdLst><a:gd name=\"x1\" "
        "fmla=\"*/ w adj 100000\"/></a:gdLst><a:rect l=\"x1\" t=\"t\" r=\"2.5mm\" b=\"b\"/><a:pathLst><a:path>"
        "<a:moveTo><a:pt x=\"x1\" y=\"-12\"/></a:moveTo></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:avLst><a:gd name=\"adj\" fmla=\"val 16667\" /></a:avLst><a:gdLst><a:gd name=\"x1\" "
        "fmla=\"*/ w adj 100000\" /></a:gdLst><a:rect l=\"x1\" t=\"t\" r=\"2.5mm\" b=\"b\" /><a:pathLst><a:path>"
        "<a:moveTo><a:pt x=\"x1\" y=\"-12\" /></a:moveTo></a:path></a:pathLst></a:custGeom>"},
       {"handles keep their document order, a polar one before an XY one included",
        "<a:custGeom><a:ahLst><a:ahPolar gdRefAng=\"adj1\" minAng=\"0\" maxAng=\"21599999\"><a:pos x=\"x1\" y=\"y1\"/>"
        "</a:ahPolar><a:ahXY gdRefX=\"adj2\" minX=\"0\" maxX=\"50000\"><a:pos x=\"x2\" y=\"t\"/></a:ahXY></a:ahLst>"
        "</a:custGeom>",
        "<a:custGeom><a:ahLst><a:ahPolar gdRefAng=\"adj1\" minAng=\"0\" maxAng=\"21599999\" ><a:pos x=\"x1\" y=\"y1\" />"
        "</a:ahPolar><a:ahXY gdRefX=\"adj2\" minX=\"0\" maxX=\"50000\" ><a:pos x=\"x2\" y=\"t\" /></a:ahXY></a:ahLst>"
        "<a:pathLst/></a:custGeom>"},
       {"connection sites; a site without an angle writes it empty",
        "<a:custGeom><a:cxnLst><a:cxn ang=\"3cd4\"><a:pos x=\"hc\" y=\"t\"/></a:cxn><a:cxn><a:pos x=\"0\" y=\"0\"/>"
        "</a:cxn></a:cxnLst></a:custGeom>",
        "<a:custGeom><a:cxnLst><a:cxn ang=\"3cd4\" ><a:pos x=\"hc\" y=\"t\" /></a:cxn><a:cxn ang=\"\" ><a:pos x=\"0\" "
        "y=\"0\" /></a:cxn></a:cxnLst><a:pathLst/></a:custGeom>"},
       {"a custom geometry without paths gets an empty path list", "<a:custGeom/>", "<a:custGeom><a:pathLst/></a:custGeom>"},
       {"a point is written as read; a move without a point writes an empty one",
        "<a:custGeom><a:pathLst><a:path><a:moveTo/><a:lnTo><a:pt y=\"5\"/></a:lnTo></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path><a:moveTo><a:pt/></a:moveTo><a:lnTo><a:pt y=\"5\" /></a:lnTo></a:path>"
        "</a:pathLst></a:custGeom>"},
       {"a quadratic Bezier with three points keeps three",
        "<a:custGeom><a:pathLst><a:path><a:quadBezTo><a:pt x=\"1\" y=\"1\"/><a:pt x=\"2\" y=\"2\"/><a:pt x=\"3\" "
        "y=\"3\"/></a:quadBezTo></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path><a:quadBezTo><a:pt x=\"1\" y=\"1\" /><a:pt x=\"2\" y=\"2\" /><a:pt x=\"3\" "
        "y=\"3\" /></a:quadBezTo></a:path></a:pathLst></a:custGeom>"},
       {"path attributes at their defaults are not written, others are",
        "<a:custGeom><a:pathLst><a:path fill=\"norm\" stroke=\"1\" extrusionOk=\"true\"/><a:path fill=\"none\" "
        "stroke=\"0\" extrusionOk=\"0\"/></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path/><a:path fill=\"none\" stroke=\"0\" extrusionOk=\"0\" /></a:pathLst>"
        "</a:custGeom>"},
       {"a path of only a close keeps it", "<a:custGeom><a:pathLst><a:path><a:close/></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path><a:close/></a:path></a:pathLst></a:custGeom>"},
       {"an unknown command is reported, the commands around it keep their order",
        "<a:custGeom><a:pathLst><a:path><a:moveTo><a:pt x=\"1\" y=\"1\"/></a:moveTo><a:spiralTo r=\"1\"/>"
        "<a:close/></a:path></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path><a:moveTo><a:pt x=\"1\" y=\"1\" /></a:moveTo><a:close/></a:path></a:pathLst>"
        "</a:custGeom>",
        "Row 0: Unknown Element \"a:spiralTo\""},
       {"an unknown fill mode is reported and left at its default",
        "<a:custGeom><a:pathLst><a:path fill=\"glow\" w=\"5\"/></a:pathLst></a:custGeom>",
        "<a:custGeom><a:pathLst><a:path w=\"5\" /></a:pathLst></a:custGeom>",
        "Row 0: Unknown Attribute \"fill=\"glow\"\""}});
}

TEST(DmlGeometry, PresetGeometryAndTextWarp) {
  ExpectRoundTrips<TCT_PresetGeometry2D>(
      u"a:prstGeom",
      {{"preset with adjust values", "<a:prstGeom prst=\"roundRect\"><a:avLst><a:gd name=\"adj\" fmla=\"val 8000\"/>"
                                      "</a:avLst></a:prstGeom>",
        "<a:prstGeom prst=\"roundRect\" ><a:avLst><a:gd name=\"adj\" fmla=\"val 8000\" /></a:avLst></a:prstGeom>"},
       {"an empty adjust list is not written", "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>",
        "<a:prstGeom prst=\"rect\" />"},
       {"an unknown shape type is reported", "<a:prstGeom prst=\"hexagram\"/>", "<a:prstGeom/>",
        "Row 0: Unknown Attribute \"prst=\"hexagram\"\""}});
  ExpectRoundTrips<TCT_PresetTextShape>(
      u"a:prstTxWarp", {{"text warp", "<a:prstTxWarp prst=\"textArchUp\"><a:avLst/></a:prstTxWarp>",
                         "<a:prstTxWarp prst=\"textArchUp\" />"}});
}

TEST(DmlGeometry, BothAlternativesReadAreWrittenCustomFirst) {
  ExpectRoundTrips<TEG_Geometry, true>(
      u"a:spPr", {{"both", "<a:spPr><a:prstGeom prst=\"rect\"/><a:custGeom/></a:spPr>",
                   "<a:spPr><a:custGeom><a:pathLst/></a:custGeom><a:prstGeom prst=\"rect\" /></a:spPr>"}});
}

TEST(DmlGeometry, ChoosingOneGeometryFreesTheOther) {
  ReadInto<TEG_Geometry, true> custom("<a:spPr><a:custGeom><a:pathLst><a:path w=\"1\"/></a:pathLst></a:custGeom></a:spPr>");
  TCT_PresetGeometry2D* preset = CreatePrstGeom(custom.obj);
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(custom.obj.custGeom, nullptr);
  EXPECT_EQ(custom.Written(u"a:spPr"), "<a:spPr><a:prstGeom/></a:spPr>");
  EXPECT_EQ(CreatePrstGeom(custom.obj), preset);
  preset->prst = 4;
  EXPECT_EQ(custom.Written(u"a:spPr"), "<a:spPr><a:prstGeom prst=\"rect\" /></a:spPr>");

  TCT_CustomGeometry2D* made = CreateCustGeom(custom.obj);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(custom.obj.prstGeom, nullptr);
  EXPECT_EQ(CreateCustGeom(custom.obj), made);
  made->pathLst->path.Add()->w = 10;
  EXPECT_EQ(custom.Written(u"a:spPr"), "<a:spPr><a:custGeom><a:pathLst><a:path w=\"10\" /></a:pathLst></a:custGeom></a:spPr>");

  // Both read: asking for the one held keeps the other.
  ReadInto<TEG_Geometry, true> both("<a:spPr><a:custGeom/><a:prstGeom prst=\"ellipse\"/></a:spPr>");
  CreatePrstGeom(both.obj);
  EXPECT_NE(both.obj.custGeom, nullptr);
}

TEST(DmlGeometry, PointsAndSizes) {
  ExpectRoundTrips<TCT_Point2D>(u"a:off", {{"set", "<a:off x=\"-5\" y=\"7\"/>", "<a:off x=\"-5\" y=\"7\" />"},
                                           {"never filled", "<a:off/>", "<a:off x=\"2147483632\" y=\"2147483632\" />"}});
  ExpectRoundTrips<TCT_PositiveSize2D>(u"a:ext", {{"size", "<a:ext cx=\"914400\" cy=\"0\"/>", "<a:ext cx=\"914400\" cy=\"0\" />"}});
}

TEST(DmlGeometry, SceneReadsAndWritesBack) {
  ExpectRoundTrips<TCT_Scene3D>(
      u"a:scene3d",
      {{"camera with rotation, light rig, backdrop",
        "<a:scene3d><a:camera prst=\"orthographicFront\" fov=\"5400000\" zoom=\"50000\"><a:rot lat=\"0\" lon=\"0\" "
        "rev=\"1200000\"/></a:camera><a:lightRig rig=\"threePt\" dir=\"t\"/><a:backdrop><a:anchor x=\"1\" y=\"2\" z=\"3\"/>"
        "<a:norm dx=\"0\" dy=\"0\" dz=\"1\"/><a:up dx=\"0\" dy=\"1\" dz=\"0\"/></a:backdrop></a:scene3d>",
        "<a:scene3d><a:camera prst=\"orthographicFront\" fov=\"5400000\" zoom=\"50000\" ><a:rot lat=\"0\" lon=\"0\" "
        "rev=\"1200000\" /></a:camera><a:lightRig rig=\"threePt\" dir=\"t\" /><a:backdrop><a:anchor x=\"1\" y=\"2\" "
        "z=\"3\" /><a:norm dx=\"0\" dy=\"0\" dz=\"1\" /><a:up dx=\"0\" dy=\"1\" dz=\"0\" /></a:backdrop></a:scene3d>"},
       {"zoom at its default is not written", "<a:scene3d><a:camera prst=\"perspectiveFront\" zoom=\"100000\"/>"
                                               "<a:lightRig rig=\"flat\" dir=\"tl\"/></a:scene3d>",
        "<a:scene3d><a:camera prst=\"perspectiveFront\" /><a:lightRig rig=\"flat\" dir=\"tl\" /></a:scene3d>"},
       {"camera and light rig are written empty when missing; a backdrop without anchor gets an empty one",
        "<a:scene3d><a:backdrop><a:up dx=\"1\" dy=\"0\" dz=\"0\"/></a:backdrop></a:scene3d>",
        "<a:scene3d><a:camera/><a:lightRig/><a:backdrop><a:anchor/><a:norm/><a:up dx=\"1\" dy=\"0\" dz=\"0\" />"
        "</a:backdrop></a:scene3d>"}});
}

TEST(DmlGeometry, ShapeThreeDReadsAndWritesBack) {
  ExpectRoundTrips<TCT_Shape3D>(
      u"a:sp3d",
      {{"bevels, colours and attributes",
        "<a:sp3d z=\"-10\" extrusionH=\"76200\" contourW=\"12700\" prstMaterial=\"metal\"><a:bevelT w=\"101600\" "
        "h=\"50800\" prst=\"angle\"/><a:bevelB prst=\"relaxedInset\"/><a:extrusionClr><a:srgbClr val=\"FF0000\"/>"
        "</a:extrusionClr><a:contourClr><a:schemeClr val=\"accent2\"/></a:contourClr></a:sp3d>",
        "<a:sp3d z=\"-10\" extrusionH=\"76200\" contourW=\"12700\" prstMaterial=\"metal\" ><a:bevelT w=\"101600\" "
        "h=\"50800\" prst=\"angle\" /><a:bevelB prst=\"relaxedInset\" /><a:extrusionClr><a:srgbClr val=\"FF0000\" />"
        "</a:extrusionClr><a:contourClr><a:schemeClr val=\"accent2\" /></a:contourClr></a:sp3d>"},
       {"a bevel read at its defaults is still a bevel",
        "<a:sp3d><a:bevelT w=\"76200\" h=\"76200\" prst=\"circle\"/><a:bevelB/></a:sp3d>",
        "<a:sp3d><a:bevelT/><a:bevelB/></a:sp3d>"},
       {"material at its default is not written", "<a:sp3d prstMaterial=\"warmMatte\" z=\"0\"/>", "<a:sp3d/>"}});
  // A 3-D shape and flat text made in code at their defaults say nothing and are not written.
  DmlProbeDoc doc;
  TCT_Shape3D shape(&doc);
  shape.bevelT = std::make_unique<TCT_Bevel>(&doc);
  EXPECT_EQ(shape.CheckAssigned(), 0);
  TCT_FlatText flat(&doc);
  EXPECT_EQ(flat.CheckAssigned(), 0);
}

TEST(DmlGeometry, TextThreeDGroup) {
  ExpectRoundTrips<TEG_Text3D, true>(
      u"a:bodyPr",
      {{"flat text read with z 0 is kept", "<a:bodyPr><a:flatTx/></a:bodyPr>", "<a:bodyPr><a:flatTx/></a:bodyPr>"},
       {"both alternatives, 3-D first", "<a:bodyPr><a:flatTx z=\"5\"/><a:sp3d extrusionH=\"1\"/></a:bodyPr>",
        "<a:bodyPr><a:sp3d extrusionH=\"1\" /><a:flatTx z=\"5\" /></a:bodyPr>"}});
}

}  // namespace
}  // namespace ooxml::drawingml
