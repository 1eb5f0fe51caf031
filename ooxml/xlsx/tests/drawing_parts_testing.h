// Small drawing and chart parts for the reader's tests: anchors of each kind of drawing object,
// put together into a worksheet drawing part, and a line chart of one series.
#pragma once

#include <string>

namespace xlsx_testing {

inline std::string DrawingXml(const std::string& Anchors) {
  return R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing")"
         R"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")"
         R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)" +
         Anchors + "</xdr:wsDr>";
}

inline std::string TwoCell(int Row, const std::string& Object) {
  const std::string r = std::to_string(Row);
  return "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" + r +
         "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>12700</xdr:colOff><xdr:row>" + r +
         "</xdr:row><xdr:rowOff>25400</xdr:rowOff></xdr:to>" + Object + "<xdr:clientData/></xdr:twoCellAnchor>";
}

inline std::string Nv(int Id, const std::string& Name) {
  return "<xdr:cNvPr id=\"" + std::to_string(Id) + "\" name=\"" + Name + "\"/>";
}

// A two-cell picture showing the image of relationship RelId.
inline std::string Picture(int Id, const std::string& RelId) {
  return TwoCell(Id, "<xdr:pic><xdr:nvPicPr>" + Nv(Id, "Picture " + std::to_string(Id)) +
                         "<xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill><a:blip r:embed=\"" + RelId +
                         "\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill>"
                         "<xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic>");
}

// A two-cell graphic frame holding the chart of relationship RelId.
inline std::string ChartFrame(int Id, const std::string& RelId) {
  return TwoCell(Id, "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr>" + Nv(Id, "Chart " + std::to_string(Id)) +
                         "<xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm>"
                         "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
                         "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"" +
                         RelId + "\"/></a:graphicData></a:graphic></xdr:graphicFrame>");
}

// A shape with the preset geometry Preset, flagged as a text box or not, holding Text.
inline std::string Shape(int Id, const std::string& Preset, bool TextBox, const std::string& Text) {
  return TwoCell(Id, "<xdr:sp><xdr:nvSpPr>" + Nv(Id, "Shape " + std::to_string(Id)) +
                         (TextBox ? "<xdr:cNvSpPr txBox=\"1\"/>" : "<xdr:cNvSpPr/>") + "</xdr:nvSpPr><xdr:spPr><a:prstGeom prst=\"" +
                         Preset + "\"><a:avLst/></a:prstGeom></xdr:spPr><xdr:txBody><a:bodyPr/><a:p><a:r><a:t>" + Text +
                         "</a:t></a:r></a:p></xdr:txBody></xdr:sp>");
}

// A one-cell shape whose text body carries a 3-D scene (word art).
inline std::string WordArt(int Id) {
  return "<xdr:oneCellAnchor><xdr:from><xdr:col>5</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff>"
         "</xdr:from><xdr:ext cx=\"914400\" cy=\"457200\"/><xdr:sp><xdr:nvSpPr>" +
         Nv(Id, "WordArt") +
         "<xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/><xdr:txBody><a:bodyPr><a:scene3d><a:camera prst=\"orthographicFront\"/>"
         "<a:lightRig rig=\"threePt\" dir=\"t\"/></a:scene3d></a:bodyPr><a:p><a:r><a:t>Art</a:t></a:r></a:p></xdr:txBody></xdr:sp>"
         "<xdr:clientData/></xdr:oneCellAnchor>";
}

// A chart part: one line chart whose series takes its name from S!B1, its categories from
// S!$A$2:$A$6 and its values from Values.
inline std::string LineChart(const std::string& Values) {
  return R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart")"
         R"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><c:chart><c:plotArea><c:layout/>)"
         R"(<c:lineChart><c:grouping val="standard"/><c:varyColors val="0"/><c:ser><c:idx val="0"/><c:order val="0"/>)"
         R"(<c:tx><c:strRef><c:f>S!B1</c:f></c:strRef></c:tx><c:cat><c:strRef><c:f>S!$A$2:$A$6</c:f></c:strRef></c:cat>)"
         R"(<c:val><c:numRef><c:f>)" +
         Values +
         R"(</c:f></c:numRef></c:val><c:smooth val="0"/></c:ser><c:marker val="1"/><c:axId val="10"/><c:axId val="20"/></c:lineChart>)"
         R"(<c:catAx><c:axId val="10"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="b"/>)"
         R"(<c:crossAx val="20"/></c:catAx><c:valAx><c:axId val="20"/><c:scaling><c:orientation val="minMax"/></c:scaling>)"
         R"(<c:delete val="0"/><c:axPos val="l"/><c:crossAx val="10"/></c:valAx></c:plotArea></c:chart></c:chartSpace>)";
}

}  // namespace xlsx_testing
