// Chart elements read and written back: values and sources, labels and series decorations,
// series and chart types, axes, plot area and legend, chart space and the chart document, as
// tables of XML in, XML out and reports. Where the chart schema and the consumers that read
// charts disagree with a plain reading of what the elements hold (a Boolean without "val" is
// true, "c:delete" and label content are alternatives, a title's text is a reference or rich
// text, line elements read are drawn, required children), the cases say so.
#include <gtest/gtest.h>

#include "ooxml/chart/gen/chart.h"
#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::chart {
namespace {

using drawingml::ExpectRoundTrips;

TEST(ChartValues, BooleansCachesAndReferences) {
  ExpectRoundTrips<TCT_DLbls>(
      u"c:dLbls",
      {{"a Boolean without val is true and written back with its value", "<c:dLbls><c:delete/></c:dLbls>",
        "<c:dLbls><c:delete val=\"1\" /></c:dLbls>"},
       {"a Boolean val true is written as 1, false as 0",
        "<c:dLbls><c:showVal val=\"true\"/><c:showCatName val=\"false\"/></c:dLbls>",
        "<c:dLbls><c:showVal val=\"1\" /><c:showCatName val=\"0\" /></c:dLbls>"}});
  ExpectRoundTrips<TCT_StrData>(
      u"c:strCache",
      {{"points keep order, gaps and duplicates; an empty value gives an empty point; no idx gives the unset value",
        "<c:strCache><c:ptCount val=\"4\"/><c:pt idx=\"3\"><c:v>c</c:v></c:pt><c:pt idx=\"0\"><c:v/></c:pt>"
        "<c:pt idx=\"3\"><c:v> d </c:v></c:pt><c:pt><c:v>e</c:v></c:pt></c:strCache>",
        "<c:strCache><c:ptCount val=\"4\" /><c:pt idx=\"3\" ><c:v>c</c:v></c:pt><c:pt idx=\"0\" /><c:pt idx=\"3\" >"
        "<c:v xml:space=\"preserve\" > d </c:v></c:pt><c:pt idx=\"2147483632\" ><c:v>e</c:v></c:pt></c:strCache>"},
       {"a point count without val is written with the unset value", "<c:strCache><c:ptCount/></c:strCache>",
        "<c:strCache><c:ptCount val=\"2147483632\" /></c:strCache>"}});
  ExpectRoundTrips<TCT_NumRef>(
      u"c:numRef",
      {{"formula, format code and numbers exactly as in the file",
        "<c:numRef><c:f>Sheet1!$B$2:$B$3</c:f><c:numCache><c:formatCode>0.00</c:formatCode><c:ptCount val=\"2\"/>"
        "<c:pt idx=\"0\" formatCode=\"0%\"><c:v>1.50E+2</c:v></c:pt><c:pt idx=\"1\"><c:v>-0</c:v></c:pt></c:numCache></c:numRef>",
        "<c:numRef><c:f>Sheet1!$B$2:$B$3</c:f><c:numCache><c:formatCode>0.00</c:formatCode><c:ptCount val=\"2\" />"
        "<c:pt idx=\"0\" formatCode=\"0%\" ><c:v>1.50E+2</c:v></c:pt><c:pt idx=\"1\" ><c:v>-0</c:v></c:pt></c:numCache></c:numRef>"}});
  ExpectRoundTrips<TCT_Title>(
      u"c:title",
      {{"a title's text is a reference or rich text: the reference wins, no empty rich beside it",
        "<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>x</a:t></a:r></a:p></c:rich><c:strRef><c:f>A1</c:f></c:strRef></c:tx></c:title>",
        "<c:title><c:tx><c:strRef><c:f>A1</c:f></c:strRef></c:tx></c:title>"},
       {"rich text alone is written alone", "<c:title><c:tx><c:rich><a:bodyPr/><a:p/></c:rich></c:tx></c:title>",
        "<c:title><c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p/></c:rich></c:tx></c:title>"},
       {"an empty title is shown (the consumer makes its text): written back", "<c:title/>", "<c:title/>"}});
  ExpectRoundTrips<TCT_LineSer>(
      u"c:ser",
      {{"a series name held as reference and as text is written as the reference",
        "<c:ser><c:tx><c:v>Name</c:v><c:strRef><c:f>B1</c:f></c:strRef></c:tx></c:ser>",
        "<c:ser><c:tx><c:strRef><c:f>B1</c:f></c:strRef></c:tx></c:ser>"},
       {"a series name as text keeps its blanks", "<c:ser><c:tx><c:v> a </c:v></c:tx></c:ser>",
        "<c:ser><c:tx><c:v xml:space=\"preserve\" > a </c:v></c:tx></c:ser>"}});
}

TEST(ChartValues, LayoutEnumerationsExtensionsAndFormats) {
  ExpectRoundTrips<TCT_Layout>(
      u"c:layout",
      {{"an outer layout target is the default and not written, so the manual layout holding only it goes",
        "<c:layout><c:manualLayout><c:layoutTarget val=\"outer\"/></c:manualLayout></c:layout>", "<c:layout/>"},
       {"an inner target, modes and values in their order; a mode differing only in case is read",
        "<c:layout><c:manualLayout><c:h val=\"0.5\"/><c:x val=\"0.1\"/><c:xMode val=\"EDGE\"/><c:yMode val=\"factor\"/>"
        "<c:layoutTarget val=\"inner\"/></c:manualLayout></c:layout>",
        "<c:layout><c:manualLayout><c:layoutTarget val=\"inner\" /><c:xMode val=\"edge\" /><c:x val=\"0.1\" />"
        "<c:h val=\"0.5\" /></c:manualLayout></c:layout>"},
       {"a mode that is no literal is reported and left unset; the load goes on",
        "<c:layout><c:manualLayout><c:xMode val=\"bogus\"/><c:y val=\"0.25\"/></c:manualLayout></c:layout>",
        "<c:layout><c:manualLayout><c:y val=\"0.25\" /></c:manualLayout></c:layout>",
        "Row 0: Unknown Attribute \"val=\"bogus\"\""},
       {"a double read without val is written with the unset value's text",
        "<c:layout><c:manualLayout><c:w/></c:manualLayout></c:layout>",
        "<c:layout><c:manualLayout><c:w val=\"NAN\" /></c:manualLayout></c:layout>"}});
  ExpectRoundTrips<TCT_ExtensionList>(
      u"c:extLst",
      {{"every extension kept with its uri and whole content; an attribute before uri is kept and reported",
        "<c:extLst><c:ext xmlns:c16=\"urn:c16\" uri=\"{A}\"><c16:uniqueId val=\"{1}\"><c16:x/></c16:uniqueId></c:ext>"
        "<c:ext foo=\"1\" uri=\"{B}\"><c16:y/></c:ext></c:extLst>",
        "<c:extLst><c:ext uri=\"{A}\" xmlns:c16=\"urn:c16\" ><c16:uniqueId val=\"{1}\" ><c16:x/></c16:uniqueId></c:ext>"
        "<c:ext uri=\"{B}\" foo=\"1\" ><c16:y/></c:ext></c:extLst>",
        "Row 0: Unknown Attribute \"foo\""}});
  ExpectRoundTrips<TCT_TrendlineLbl>(
      u"c:trendlineLbl",
      {{"a number format without a format code is written with an empty one",
        "<c:trendlineLbl><c:numFmt sourceLinked=\"0\"/></c:trendlineLbl>",
        "<c:trendlineLbl><c:numFmt formatCode=\"\" sourceLinked=\"0\" /></c:trendlineLbl>"}});
}

TEST(ChartLabels, DataLabelsPointsTrendlinesErrorBars) {
  ExpectRoundTrips<TCT_DLbl>(
      u"c:dLbl",
      {{"a label with content and no delete gets no delete (they are alternatives)",
        "<c:dLbl><c:showVal val=\"1\"/><c:idx val=\"2\"/></c:dLbl>",
        "<c:dLbl><c:idx val=\"2\" /><c:showVal val=\"1\" /></c:dLbl>"},
       {"a deleted label keeps its delete", "<c:dLbl><c:idx val=\"0\"/><c:delete val=\"1\"/></c:dLbl>",
        "<c:dLbl><c:idx val=\"0\" /><c:delete val=\"1\" /></c:dLbl>"},
       {"label content in its order: layout, text, format, shape, text properties, position, flags, separator",
        "<c:dLbl><c:idx val=\"1\"/><c:separator>, </c:separator><c:showPercent val=\"1\"/><c:dLblPos val=\"outEnd\"/>"
        "<c:numFmt formatCode=\"0%\" sourceLinked=\"0\"/><c:tx><c:rich><a:bodyPr/><a:p/></c:rich></c:tx><c:layout/></c:dLbl>",
        "<c:dLbl><c:idx val=\"1\" /><c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p/></c:rich></c:tx><c:numFmt formatCode=\"0%\" "
        "sourceLinked=\"0\" /><c:dLblPos val=\"outEnd\" /><c:showPercent val=\"1\" /><c:separator xml:space=\"preserve\" >, "
        "</c:separator></c:dLbl>"}});
  ExpectRoundTrips<TCT_DLbls>(
      u"c:dLbls",
      {{"a collection without delete gets none; items first, then the shared content and leader lines",
        "<c:dLbls><c:showLeaderLines val=\"1\"/><c:showVal val=\"0\"/><c:dLbl><c:idx val=\"3\"/><c:delete val=\"1\"/></c:dLbl>"
        "</c:dLbls>",
        "<c:dLbls><c:dLbl><c:idx val=\"3\" /><c:delete val=\"1\" /></c:dLbl><c:showVal val=\"0\" /><c:showLeaderLines val=\"1\" />"
        "</c:dLbls>"},
       {"a name the label classes do not know is reported once and the load goes on",
        "<c:dLbls><c:wobble/><c:showVal val=\"1\"/></c:dLbls>", "<c:dLbls><c:showVal val=\"1\" /></c:dLbls>",
        "Row 0: Unknown Element \"c:wobble\""},
       {"leader lines read without shape properties are drawn: written back", "<c:dLbls><c:leaderLines/></c:dLbls>",
        "<c:dLbls><c:leaderLines/></c:dLbls>"}});
  ExpectRoundTrips<TCT_DPt>(
      u"c:dPt",
      {{"a point without idx is written with an empty idx",
        "<c:dPt><c:explosion val=\"12\"/><c:bubble3D val=\"0\"/></c:dPt>",
        "<c:dPt><c:idx/><c:bubble3D val=\"0\" /><c:explosion val=\"12\" /></c:dPt>"},
       {"a marker size without val is not written back, with val it is",
        "<c:dPt><c:idx val=\"1\"/><c:marker><c:size/><c:symbol val=\"x\"/></c:marker></c:dPt>",
        "<c:dPt><c:idx val=\"1\" /><c:marker><c:symbol val=\"x\" /></c:marker></c:dPt>"},
       {"a marker size of 7", "<c:dPt><c:idx val=\"1\"/><c:marker><c:size val=\"7\"/></c:marker></c:dPt>",
        "<c:dPt><c:idx val=\"1\" /><c:marker><c:size val=\"7\" /></c:marker></c:dPt>"}});
  ExpectRoundTrips<TCT_ErrBars>(
      u"c:errBars",
      {{"the required bar and value types are written with their values, defaults included",
        "<c:errBars><c:errValType val=\"fixedVal\"/><c:errBarType val=\"both\"/><c:val val=\"5\"/></c:errBars>",
        "<c:errBars><c:errBarType val=\"both\" /><c:errValType val=\"fixedVal\" /><c:val val=\"5\" /></c:errBars>"},
       {"direction, other types, end caps and custom values",
        "<c:errBars><c:errDir val=\"y\"/><c:errBarType val=\"plus\"/><c:errValType val=\"cust\"/><c:noEndCap val=\"1\"/>"
        "<c:plus><c:numLit><c:ptCount val=\"1\"/><c:pt idx=\"0\"><c:v>2</c:v></c:pt></c:numLit></c:plus></c:errBars>",
        "<c:errBars><c:errDir val=\"y\" /><c:errBarType val=\"plus\" /><c:errValType val=\"cust\" /><c:noEndCap val=\"1\" />"
        "<c:plus><c:numLit><c:ptCount val=\"1\" /><c:pt idx=\"0\" ><c:v>2</c:v></c:pt></c:numLit></c:plus></c:errBars>"}});
  ExpectRoundTrips<TCT_Trendline>(
      u"c:trendline",
      {{"a linear type is written with its value beside other content",
        "<c:trendline><c:dispEq val=\"1\"/><c:trendlineType val=\"linear\"/></c:trendline>",
        "<c:trendline><c:trendlineType val=\"linear\" /><c:dispEq val=\"1\" /></c:trendline>"},
       {"a trendline holding only its linear type keeps the required type",
        "<c:trendline><c:trendlineType val=\"linear\"/></c:trendline>",
        "<c:trendline><c:trendlineType val=\"linear\" /></c:trendline>"},
       {"a trendline without a type gets the required type", "<c:trendline><c:name>T</c:name></c:trendline>",
        "<c:trendline><c:name>T</c:name><c:trendlineType val=\"linear\" /></c:trendline>"},
       {"order 2 is the default and not written, 3 is",
        "<c:trendline><c:trendlineType val=\"poly\"/><c:order val=\"2\"/></c:trendline>",
        "<c:trendline><c:trendlineType val=\"poly\" /></c:trendline>"},
       {"order 3", "<c:trendline><c:trendlineType val=\"poly\"/><c:order val=\"3\"/><c:period val=\"2\"/></c:trendline>",
        "<c:trendline><c:trendlineType val=\"poly\" /><c:order val=\"3\" /></c:trendline>"}});
}

TEST(ChartLabels, OrientationGroupingAndGridlines) {
  ExpectRoundTrips<TCT_Scaling>(
      u"c:scaling",
      {{"minMax is written with its value", "<c:scaling><c:orientation val=\"minMax\"/></c:scaling>",
        "<c:scaling><c:orientation val=\"minMax\" /></c:scaling>"},
       {"maxMin is written", "<c:scaling><c:orientation val=\"maxMin\"/><c:max val=\"10\"/></c:scaling>",
        "<c:scaling><c:orientation val=\"maxMin\" /><c:max val=\"10\" /></c:scaling>"},
       {"an empty scaling gets its orientation", "<c:scaling/>", "<c:scaling><c:orientation val=\"minMax\" /></c:scaling>"}});
  ExpectRoundTrips<TCT_AreaChart>(
      u"c:areaChart",
      {{"an area chart's standard grouping read is written back with its value",
        "<c:areaChart><c:grouping val=\"standard\"/></c:areaChart>", "<c:areaChart><c:grouping val=\"standard\" /></c:areaChart>"},
       {"an empty one reads as standard", "<c:areaChart><c:grouping/></c:areaChart>",
        "<c:areaChart><c:grouping val=\"standard\" /></c:areaChart>"},
       {"an area chart without a grouping gets none", "<c:areaChart><c:varyColors val=\"1\"/></c:areaChart>",
        "<c:areaChart><c:varyColors val=\"1\" /></c:areaChart>"},
       {"stacked is", "<c:areaChart><c:grouping val=\"stacked\"/></c:areaChart>",
        "<c:areaChart><c:grouping val=\"stacked\" /></c:areaChart>"}});
  ExpectRoundTrips<TCT_ValAx>(
      u"c:valAx",
      {{"gridlines read without shape properties are drawn: written back empty; with them, with them",
        "<c:valAx><c:axId val=\"1\"/><c:majorGridlines/><c:minorGridlines><c:spPr><a:noFill/></c:spPr></c:minorGridlines>"
        "<c:crossAx val=\"2\"/></c:valAx>",
        "<c:valAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:axPos/><c:majorGridlines/><c:minorGridlines>"
        "<c:spPr><a:noFill/></c:spPr></c:minorGridlines><c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" /></c:valAx>"}});
}

TEST(ChartSeries, SeriesGroupsAndTuning) {
  ExpectRoundTrips<TCT_PieChart>(
      u"c:pieChart",
      {{"three series are read and written in their order",
        "<c:pieChart><c:ser><c:idx val=\"2\"/></c:ser><c:ser><c:idx val=\"0\"/></c:ser><c:ser><c:idx val=\"1\"/></c:ser>"
        "</c:pieChart>",
        "<c:pieChart><c:ser><c:idx val=\"2\" /></c:ser><c:ser><c:idx val=\"0\" /></c:ser><c:ser><c:idx val=\"1\" /></c:ser>"
        "</c:pieChart>"},
       {"an axis id is no child of a pie chart: reported, not written", "<c:pieChart><c:axId val=\"1\"/></c:pieChart>",
        "<c:pieChart/>", "Row 0: Unknown Element \"c:axId\""},
       {"a first slice angle of 0 is not written", "<c:pieChart><c:firstSliceAng val=\"0\"/></c:pieChart>",
        "<c:pieChart/>"}});
  ExpectRoundTrips<TCT_BarChart>(
      u"c:barChart",
      {{"without direction and grouping: both written with their values",
        "<c:barChart><c:ser/><c:axId val=\"5\"/></c:barChart>",
        "<c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /><c:ser/><c:axId val=\"5\" /></c:barChart>"},
       {"a column direction read is written with its value; gap width 150 and overlap 0 are not",
        "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:gapWidth val=\"150\"/><c:overlap val=\"0\"/>"
        "</c:barChart>",
        "<c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /></c:barChart>"},
       {"two series lines and three axis ids are kept in input order",
        "<c:barChart><c:barDir val=\"bar\"/><c:axId val=\"3\"/><c:serLines/><c:axId val=\"1\"/><c:serLines>"
        "<c:spPr><a:noFill/></c:spPr></c:serLines><c:axId/></c:barChart>",
        "<c:barChart><c:barDir val=\"bar\" /><c:grouping val=\"clustered\" /><c:serLines/><c:serLines><c:spPr><a:noFill/></c:spPr></c:serLines>"
        "<c:axId val=\"3\" /><c:axId val=\"1\" /><c:axId val=\"2147483632\" /></c:barChart>"},
       {"a gap width that is no number is kept as 0", "<c:barChart><c:gapWidth val=\"wide\"/></c:barChart>",
        "<c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /><c:gapWidth val=\"0\" /></c:barChart>"},
       {"an attribute before val is reported and kept; val is still read",
        "<c:barChart><c:overlap foo=\"1\" val=\"-20\"/></c:barChart>",
        "<c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /><c:overlap val=\"-20\" foo=\"1\" /></c:barChart>",
        "Row 0: Unknown Attribute \"foo\""}});
  ExpectRoundTrips<TCT_BarSer>(
      u"c:ser",
      {{"a series without content is an empty element", "<c:ser></c:ser>", "<c:ser/>"},
       {"an element the series does not know is reported once; a category source inside it reaches the series",
        "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:wrapper><c:cat><c:strRef><c:f>A1</c:f></c:strRef></c:cat></c:wrapper>"
        "</c:ser>",
        "<c:ser><c:idx val=\"0\" /><c:order val=\"0\" /><c:cat><c:strRef><c:f>A1</c:f></c:strRef></c:cat></c:ser>",
        "Row 0: Unknown Element \"c:wrapper\""},
       {"a box shape is the default and not written, a cone is",
        "<c:ser><c:shape val=\"box\"/><c:invertIfNegative val=\"0\"/></c:ser>",
        "<c:ser><c:invertIfNegative val=\"0\" /></c:ser>"}});
  ExpectRoundTrips<TCT_DoughnutChart>(
      u"c:doughnutChart",
      {{"a hole size of 10 is the default and not written, 50 is",
        "<c:doughnutChart><c:holeSize val=\"10\"/></c:doughnutChart>", "<c:doughnutChart/>"},
       {"hole size 50 and the first slice angle", "<c:doughnutChart><c:holeSize val=\"50\"/><c:firstSliceAng val=\"90\"/>"
        "</c:doughnutChart>", "<c:doughnutChart><c:firstSliceAng val=\"90\" /><c:holeSize val=\"50\" /></c:doughnutChart>"}});
  ExpectRoundTrips<TCT_BubbleChart>(
      u"c:bubbleChart",
      {{"bubble scale 100 is not written; three-D bubbles and negative bubbles are",
        "<c:bubbleChart><c:bubbleScale val=\"100\"/><c:showNegBubbles val=\"0\"/><c:sizeRepresents val=\"w\"/>"
        "<c:bubble3D/></c:bubbleChart>",
        "<c:bubbleChart><c:bubble3D val=\"1\" /><c:showNegBubbles val=\"0\" /><c:sizeRepresents val=\"w\" /></c:bubbleChart>"}});
}

TEST(ChartTypes, RequiredChildrenAndOrder) {
  ExpectRoundTrips<TCT_ScatterChart>(
      u"c:scatterChart",
      {{"a marker scatter style is required: written with its value", "<c:scatterChart><c:scatterStyle val=\"marker\"/>"
        "</c:scatterChart>", "<c:scatterChart><c:scatterStyle val=\"marker\" /></c:scatterChart>"},
       {"a missing scatter style is written at its default", "<c:scatterChart><c:axId val=\"1\"/></c:scatterChart>",
        "<c:scatterChart><c:scatterStyle val=\"marker\" /><c:axId val=\"1\" /></c:scatterChart>"},
       {"lineMarker is read and written back", "<c:scatterChart><c:scatterStyle val=\"lineMarker\"/></c:scatterChart>",
        "<c:scatterChart><c:scatterStyle val=\"lineMarker\" /></c:scatterChart>"},
       {"a style that is no literal is reported, the default stays, the load goes on",
        "<c:scatterChart><c:scatterStyle val=\"dots\"/><c:varyColors val=\"0\"/></c:scatterChart>",
        "<c:scatterChart><c:scatterStyle val=\"marker\" /><c:varyColors val=\"0\" /></c:scatterChart>",
        "Row 0: Unknown Attribute \"val=\"dots\"\""}});
  ExpectRoundTrips<TCT_RadarChart>(
      u"c:radarChart", {{"a standard radar style is required: written with its value",
                         "<c:radarChart><c:radarStyle val=\"standard\"/></c:radarChart>",
                         "<c:radarChart><c:radarStyle val=\"standard\" /></c:radarChart>"}});
  ExpectRoundTrips<TCT_OfPieChart>(
      u"c:ofPieChart",
      {{"a pie of-pie type is required: written with its value, before the pie group",
        "<c:ofPieChart><c:varyColors val=\"1\"/><c:ofPieType val=\"pie\"/><c:secondPieSize val=\"75\"/>"
        "<c:custSplit><c:secondPiePt val=\"3\"/><c:secondPiePt val=\"1\"/></c:custSplit><c:splitType val=\"cust\"/>"
        "</c:ofPieChart>",
        "<c:ofPieChart><c:ofPieType val=\"pie\" /><c:varyColors val=\"1\" /><c:splitType val=\"cust\" /><c:custSplit>"
        "<c:secondPiePt val=\"3\" /><c:secondPiePt val=\"1\" /></c:custSplit></c:ofPieChart>"}});
  ExpectRoundTrips<TCT_StockChart>(
      u"c:stockChart",
      {{"a series without content is written as an empty series; high-low lines without shape properties are drawn",
        "<c:stockChart><c:ser/><c:hiLowLines/><c:upDownBars><c:upBars/><c:downBars/></c:upDownBars></c:stockChart>",
        "<c:stockChart><c:ser/><c:hiLowLines/><c:upDownBars><c:upBars/><c:downBars/></c:upDownBars></c:stockChart>"}});
  ExpectRoundTrips<TCT_LineChart>(
      u"c:lineChart",
      {{"the group's children come before the high-low lines whatever the input order; a standard grouping keeps its value",
        "<c:lineChart><c:hiLowLines/><c:marker val=\"1\"/><c:dropLines/><c:ser><c:smooth val=\"0\"/></c:ser>"
        "<c:grouping val=\"standard\"/><c:varyColors val=\"0\"/></c:lineChart>",
        "<c:lineChart><c:grouping val=\"standard\" /><c:varyColors val=\"0\" /><c:ser><c:smooth val=\"0\" /></c:ser><c:dropLines/>"
        "<c:hiLowLines/><c:marker val=\"1\" /></c:lineChart>"},
       {"a missing grouping is written with standard (it is required)", "<c:lineChart><c:axId val=\"1\"/></c:lineChart>",
        "<c:lineChart><c:grouping val=\"standard\" /><c:axId val=\"1\" /></c:lineChart>"}});
}

TEST(ChartAxes, AxisGroupAndKinds) {
  ExpectRoundTrips<TCT_CatAx>(
      u"c:catAx",
      {{"a missing position comes back empty; a tick-label position and label offset at their defaults keep their values",
        "<c:catAx><c:crossAx val=\"2\"/><c:tickLblPos val=\"nextTo\"/><c:majorTickMark val=\"cross\"/>"
        "<c:minorTickMark val=\"none\"/><c:axId val=\"1\"/><c:lblOffset val=\"100\"/><c:tickLblSkip/></c:catAx>",
        "<c:catAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:axPos/><c:minorTickMark val=\"none\" />"
        "<c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" /><c:lblOffset val=\"100\" />"
        "<c:tickLblSkip val=\"2147483632\" /></c:catAx>"},
       {"crosses and crosses-at are both written, crosses first; a deleted axis keeps delete",
        "<c:catAx><c:axId val=\"1\"/><c:crossesAt val=\"3\"/><c:crosses val=\"autoZero\"/><c:delete val=\"1\"/>"
        "<c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx>",
        "<c:catAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:delete val=\"1\" /><c:axPos val=\"b\" />"
        "<c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" /><c:crosses val=\"autoZero\" /><c:crossesAt val=\"3\" /></c:catAx>"}});
  ExpectRoundTrips<TCT_DateAx>(
      u"c:dateAx",
      {{"a date axis writes its label offset always, empty at 100; a time unit read is kept, days included",
        "<c:dateAx><c:axId val=\"1\"/><c:lblOffset val=\"100\"/><c:baseTimeUnit val=\"days\"/><c:crossAx val=\"2\"/>"
        "</c:dateAx>",
        "<c:dateAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:axPos/><c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" />"
        "<c:lblOffset val=\"100\" /><c:baseTimeUnit/></c:dateAx>"},
       {"a name neither the axis nor its group knows is reported once and the load goes on",
        "<c:dateAx><c:axId val=\"1\"/><c:wobble/><c:crossAx val=\"2\"/></c:dateAx>",
        "<c:dateAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:axPos/><c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" />"
        "<c:lblOffset val=\"100\" /></c:dateAx>",
        "Row 0: Unknown Element \"c:wobble\""}});
  ExpectRoundTrips<TCT_DispUnits>(
      u"c:dispUnits",
      {{"a custom unit alone is written alone (custom and built-in units are alternatives)",
        "<c:dispUnits><c:custUnit val=\"250\"/></c:dispUnits>", "<c:dispUnits><c:custUnit val=\"250\" /></c:dispUnits>"},
       {"a built-in unit read at its default is kept; an empty label is shown and kept",
        "<c:dispUnits><c:builtInUnit val=\"thousands\"/><c:dispUnitsLbl/></c:dispUnits>",
        "<c:dispUnits><c:builtInUnit/><c:dispUnitsLbl/></c:dispUnits>"},
       {"millions", "<c:dispUnits><c:builtInUnit val=\"millions\"/></c:dispUnits>",
        "<c:dispUnits><c:builtInUnit val=\"millions\" /></c:dispUnits>"}});
}

TEST(ChartPlotArea, ChartTypesAxesLegendAndWalls) {
  ExpectRoundTrips<TCT_PlotArea>(
      u"c:plotArea",
      {{"chart types and axes keep their input order (a combination chart draws them so); the layout comes first",
        "<c:plotArea><c:barChart><c:barDir val=\"col\"/></c:barChart><c:lineChart/><c:valAx><c:axId val=\"2\"/></c:valAx>"
        "<c:catAx><c:axId val=\"1\"/></c:catAx></c:plotArea>",
        "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /></c:barChart><c:lineChart/><c:valAx><c:axId val=\"2\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling><c:axPos/><c:tickLblPos val=\"nextTo\" />"
        "<c:crossAx val=\"2147483632\" /></c:valAx><c:catAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" /></c:scaling>"
        "<c:axPos/><c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2147483632\" /></c:catAx></c:plotArea>"},
       {"two bar charts stay two, in input order, around a line chart",
        "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"bar\"/></c:barChart><c:lineChart/><c:barChart><c:barDir "
        "val=\"col\"/></c:barChart></c:plotArea>",
        "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"bar\" /><c:grouping val=\"clustered\" /></c:barChart><c:lineChart/>"
        "<c:barChart><c:barDir val=\"col\" /><c:grouping val=\"clustered\" /></c:barChart></c:plotArea>"},
       {"a data table read is shown: written back also when empty", "<c:plotArea><c:dTable/></c:plotArea>",
        "<c:plotArea><c:layout/><c:dTable/></c:plotArea>"}});
  ExpectRoundTrips<TCT_Legend>(
      u"c:legend",
      {{"entries without a position get an empty position first; an entry with text properties gets no delete",
        "<c:legend><c:legendEntry><c:txPr><a:bodyPr/><a:p/></c:txPr><c:idx val=\"1\"/></c:legendEntry>"
        "<c:legendEntry><c:delete val=\"1\"/></c:legendEntry></c:legend>",
        "<c:legend><c:legendPos val=\"r\" /><c:legendEntry><c:idx val=\"1\" /><c:txPr><a:bodyPr/><a:lstStyle/><a:p/></c:txPr>"
        "</c:legendEntry><c:legendEntry><c:idx/><c:delete val=\"1\" /></c:legendEntry></c:legend>"},
       {"r is the default: a legend holding only it keeps it with its value",
        "<c:legend><c:legendPos val=\"r\"/></c:legend>", "<c:legend><c:legendPos val=\"r\" /></c:legend>"},
       {"a legend read empty stays empty", "<c:legend/>", "<c:legend/>"},
       {"b is kept", "<c:legend><c:legendPos val=\"b\"/><c:overlay val=\"0\"/></c:legend>",
        "<c:legend><c:legendPos val=\"b\" /><c:overlay val=\"0\" /></c:legend>"},
       {"an unknown name in an entry is reported; its content is offered to the entry",
        "<c:legend><c:legendEntry><c:wobble><c:idx val=\"4\"/></c:wobble></c:legendEntry></c:legend>",
        "<c:legend><c:legendPos val=\"r\" /><c:legendEntry><c:idx val=\"4\" /></c:legendEntry></c:legend>",
        "Row 0: Unknown Element \"c:wobble\""}});
  ExpectRoundTrips<TCT_PivotFmts>(
      u"c:pivotFmts", {{"a pivot format without idx gets an empty idx",
                        "<c:pivotFmts><c:pivotFmt><c:marker><c:symbol val=\"none\"/></c:marker></c:pivotFmt></c:pivotFmts>",
                        "<c:pivotFmts><c:pivotFmt><c:idx/><c:marker><c:symbol val=\"none\" /></c:marker></c:pivotFmt>"
                        "</c:pivotFmts>"}});
  ExpectRoundTrips<TCT_Chart>(
      u"c:chart",
      {{"3-D view values at their defaults go, others stay; floor and walls apart; title and floor apart (equal byte sums)",
        "<c:chart><c:floor><c:thickness val=\"0\"/></c:floor><c:title/><c:view3D><c:rotX val=\"15\"/><c:hPercent val=\"100\"/>"
        "<c:rotY val=\"20\"/><c:depthPercent val=\"100\"/><c:rAngAx val=\"1\"/><c:perspective val=\"30\"/></c:view3D>"
        "<c:backWall><c:thickness val=\"2\"/></c:backWall><c:sideWall><c:thickness val=\"1\"/></c:sideWall></c:chart>",
        "<c:chart><c:title/><c:view3D><c:rotX val=\"15\" /><c:rotY val=\"20\" /><c:rAngAx val=\"1\" /></c:view3D><c:floor>"
        "<c:thickness val=\"0\" /></c:floor><c:sideWall><c:thickness val=\"1\" /></c:sideWall><c:backWall>"
        "<c:thickness val=\"2\" /></c:backWall></c:chart>"},
       {"an empty 3-D view read is written back", "<c:chart><c:view3D/></c:chart>", "<c:chart><c:view3D/></c:chart>"},
       {"blanks as gap are written; zero read is kept too (consumers differ on an absent element)",
        "<c:chart><c:dispBlanksAs val=\"gap\"/></c:chart>",
        "<c:chart><c:dispBlanksAs val=\"gap\" /></c:chart>"},
       {"blanks as zero", "<c:chart><c:dispBlanksAs val=\"zero\"/><c:plotVisOnly/></c:chart>",
        "<c:chart><c:plotVisOnly val=\"1\" /><c:dispBlanksAs/></c:chart>"}});
}

TEST(ChartSpace, SettingsPrintAndReferences) {
  ExpectRoundTrips<TCT_ChartSpace>(
      u"c:chartSpace",
      {{"an existing colour mapping is written also with nothing set; settings in their order",
        "<c:chartSpace><c:clrMapOvr/><c:roundedCorners val=\"0\"/><c:lang val=\"en-US\"/><c:date1904 val=\"0\"/>"
        "<c:style val=\"2\"/></c:chartSpace>",
        "<c:chartSpace><c:date1904 val=\"0\" /><c:lang val=\"en-US\" /><c:roundedCorners val=\"0\" /><c:style val=\"2\" />"
        "<c:clrMapOvr/></c:chartSpace>"},
       {"a pivot source without format id gets an empty one; protection read is kept also empty",
        "<c:chartSpace><c:protection/><c:pivotSource><c:name>[a.xlsx]P!T</c:name></c:pivotSource></c:chartSpace>",
        "<c:chartSpace><c:pivotSource><c:name>[a.xlsx]P!T</c:name><c:fmtId/></c:pivotSource><c:protection/></c:chartSpace>"},
       {"margins read in part are written whole; page setup at its defaults goes",
        "<c:chartSpace><c:printSettings><c:pageMargins l=\"0.7\" r=\"0.7\"/><c:pageSetup orientation=\"default\" "
        "horizontalDpi=\"600\" copies=\"1\"/></c:printSettings></c:chartSpace>",
        "<c:chartSpace><c:printSettings><c:pageMargins l=\"0.7\" r=\"0.7\" t=\"NAN\" b=\"NAN\" header=\"NAN\" footer=\"NAN\" />"
        "</c:printSettings></c:chartSpace>"},
       {"landscape is written alone; header and footer with a text and alignment off",
        "<c:chartSpace><c:printSettings><c:pageSetup orientation=\"landscape\" copies=\"1\"/><c:headerFooter "
        "alignWithMargins=\"0\"><c:oddHeader>&amp;CPage &amp;P</c:oddHeader></c:headerFooter></c:printSettings></c:chartSpace>",
        "<c:chartSpace><c:printSettings><c:headerFooter alignWithMargins=\"0\" ><c:oddHeader>&amp;CPage &amp;P</c:oddHeader>"
        "</c:headerFooter><c:pageSetup orientation=\"landscape\" /></c:printSettings></c:chartSpace>"},
       {"a header and footer at its defaults without texts is not written",
        "<c:chartSpace><c:printSettings><c:headerFooter alignWithMargins=\"1\"/><c:pageMargins l=\"1\" r=\"1\" t=\"1\" "
        "b=\"1\" header=\"0.5\" footer=\"0.5\"/></c:printSettings></c:chartSpace>",
        "<c:chartSpace><c:printSettings><c:pageMargins l=\"1\" r=\"1\" t=\"1\" b=\"1\" header=\"0.5\" footer=\"0.5\" />"
        "</c:printSettings></c:chartSpace>"},
       {"the chart space's extension list is written back, last",
        "<c:chartSpace><c:extLst><c:ext uri=\"{X}\"/></c:extLst><c:date1904 val=\"1\"/></c:chartSpace>",
        "<c:chartSpace><c:date1904 val=\"1\" /><c:extLst><c:ext uri=\"{X}\" /></c:extLst></c:chartSpace>"}});
}

// The whole part through the chart document: the document element keeps its declarations in the
// order read, and the style parts ride along as trees of their own.
TEST(ChartDocument, PartWithDeclarationsAndStyleParts) {
  const std::string part =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><c:roundedCorners val=\"0\"/>"
      "<c:chart><c:autoTitleDeleted val=\"1\"/><c:plotArea><c:pieChart><c:varyColors val=\"1\"/><c:ser><c:idx val=\"0\"/>"
      "<c:order val=\"0\"/><c:val><c:numRef><c:f>S!$B$1:$B$2</c:f></c:numRef></c:val></c:ser></c:pieChart></c:plotArea>"
      "<c:plotVisOnly val=\"1\"/></c:chart></c:chartSpace>";
  TXPGDocXLSXChart doc;
  int reports = 0;
  doc.Errors.SetOnError([&](TXpgPErrors&) { ++reports; });
  XpgLoad(doc, part);
  EXPECT_EQ(reports, 0);
  ASSERT_NE(doc.GetChartSpace(), nullptr);
  EXPECT_EQ(Compact(XpgSave(doc)),
            "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"\n"
            "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"\n"
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"\n><c:roundedCorners val=\"0\" />"
            "<c:chart><c:autoTitleDeleted val=\"1\" /><c:plotArea><c:layout/><c:pieChart><c:varyColors val=\"1\" /><c:ser>"
            "<c:idx val=\"0\" /><c:order val=\"0\" /><c:val><c:numRef><c:f>S!$B$1:$B$2</c:f></c:numRef></c:val></c:ser>"
            "</c:pieChart></c:plotArea><c:plotVisOnly val=\"1\" /></c:chart></c:chartSpace>");

  // Saved again, the same bytes.
  EXPECT_EQ(Compact(XpgSave(doc)), Compact(XpgSave(doc)));

  doc.ChartStyle = std::make_unique<TXpgSimpleDOM>();
  doc.ChartStyle->LoadFromString(u"<cs:chartStyle xmlns:cs=\"urn:cs\" id=\"201\"><cs:axisTitle/></cs:chartStyle>");
  EXPECT_FALSE(doc.ChartStyle->IsEmpty());
  EXPECT_EQ(doc.ColorStyle, nullptr);
}

// The user shapes, the header and footer drawing and external data live in parts of their own,
// which do not travel with the chart part: their references would dangle in the part written,
// so they are dropped, each with a report, at every save; what else the part holds is written.
TEST(ChartDocument, ReferencesToPartsNotCarriedAreDroppedWithAReport) {
  TXPGDocXLSXChart doc;
  std::vector<std::string> reports;
  doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
  XpgLoad(doc,
          "<c:chartSpace xmlns:c=\"urn:c\" xmlns:r=\"urn:r\"><c:roundedCorners val=\"0\"/><c:externalData r:id=\"rId1\">"
          "<c:autoUpdate val=\"0\"/></c:externalData><c:printSettings><c:pageSetup orientation=\"landscape\"/>"
          "<c:legacyDrawingHF r:id=\"rId3\"/></c:printSettings><c:userShapes r:id=\"rId2\"/></c:chartSpace>");
  EXPECT_EQ(Joined(reports), "");
  ASSERT_NE(doc.GetChartSpace(), nullptr);
  EXPECT_EQ(doc.GetChartSpace()->externalData->id, u"rId1") << "kept while the part is held";
  const std::string out =
      "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"\n"
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"\n"
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"\n><c:roundedCorners val=\"0\" /><c:printSettings>"
      "<c:pageSetup orientation=\"landscape\" /></c:printSettings></c:chartSpace>";
  EXPECT_EQ(Compact(XpgSave(doc)), out);
  EXPECT_EQ(Joined(reports),
            "Row 0: Element Not Written \"c:externalData\"; Row 0: Element Not Written \"c:legacyDrawingHF\"; "
            "Row 0: Element Not Written \"c:userShapes\"");
  reports.clear();
  EXPECT_EQ(Compact(XpgSave(doc)), out);
  EXPECT_EQ(reports.size(), 3u) << "reported at every save";
}

// Whatever the part read declared, the part written declares the chart, DrawingML and
// relationship prefixes on its document element: text and shape properties are written under "a:"
// without declarations of their own (a title's "a:bodyPr" is written empty), so a part whose
// producer declared "a:" only on those elements would otherwise not be namespace-well-formed.
// Other declarations read stay, after these three. A required choice written at its default
// carries its value, which some consumers insist on.
TEST(ChartDocument, PartDeclaresItsPrefixesAndRequiredValues) {
  const std::string c = "http://schemas.openxmlformats.org/drawingml/2006/chart";
  const std::string a = "http://schemas.openxmlformats.org/drawingml/2006/main";
  const std::string r = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string declared = "<c:chartSpace xmlns:c=\"" + c + "\"\nxmlns:a=\"" + a + "\"\nxmlns:r=\"" + r + "\"\n";
  struct Case {
    const char* what;
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"a: declared only on the title's text elements",
       "<c:chartSpace xmlns:c=\"" + c + "\"><c:chart><c:title><c:tx><c:rich><a:bodyPr xmlns:a=\"" + a +
           "\"/><a:p xmlns:a=\"" + a + "\"><a:r><a:t>Q</a:t></a:r></a:p></c:rich></c:tx></c:title></c:chart></c:chartSpace>",
       declared + "><c:chart><c:title><c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p xmlns:a=\"" + a +
           "\" ><a:r><a:t>Q</a:t></a:r></a:p></c:rich></c:tx></c:title></c:chart></c:chartSpace>"},
      {"nothing declared at all",
       "<c:chartSpace><c:spPr><a:noFill/></c:spPr></c:chartSpace>",
       declared + "><c:spPr><a:noFill/></c:spPr></c:chartSpace>"},
      {"the three declared in another order with another kept after them",
       "<c:chartSpace xmlns:r=\"" + r + "\" xmlns:c14=\"urn:c14\" xmlns:a=\"" + a + "\" xmlns:c=\"" + c +
           "\"><c:roundedCorners val=\"0\"/></c:chartSpace>",
       declared + "xmlns:c14=\"urn:c14\"\n><c:roundedCorners val=\"0\" /></c:chartSpace>"},
      {"a line chart's grouping read empty, standard or missing is written as standard; a bar chart's as clustered",
       "<c:chartSpace xmlns:c=\"" + c + "\"><c:chart><c:plotArea><c:lineChart><c:grouping/><c:axId val=\"1\"/></c:lineChart>"
           "<c:lineChart><c:axId val=\"2\"/></c:lineChart><c:barChart><c:barDir val=\"col\"/><c:grouping/>"
           "<c:axId val=\"3\"/></c:barChart></c:plotArea></c:chart></c:chartSpace>",
       declared + "><c:chart><c:plotArea><c:layout/><c:lineChart><c:grouping val=\"standard\" /><c:axId val=\"1\" />"
           "</c:lineChart><c:lineChart><c:grouping val=\"standard\" /><c:axId val=\"2\" /></c:lineChart><c:barChart>"
           "<c:barDir val=\"col\" /><c:grouping val=\"clustered\" /><c:axId val=\"3\" /></c:barChart></c:plotArea></c:chart>"
           "</c:chartSpace>"},
      {"an axis's orientation and tick-label position are written with their defaults; a legend read empty stays empty",
       "<c:chartSpace xmlns:c=\"" + c + "\"><c:chart><c:plotArea><c:catAx><c:axId val=\"1\"/><c:scaling><c:orientation/>"
           "</c:scaling><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx></c:plotArea><c:legend/></c:chart></c:chartSpace>",
       declared + "><c:chart><c:plotArea><c:layout/><c:catAx><c:axId val=\"1\" /><c:scaling><c:orientation val=\"minMax\" />"
           "</c:scaling><c:axPos val=\"b\" /><c:tickLblPos val=\"nextTo\" /><c:crossAx val=\"2\" /></c:catAx>"
           "</c:plotArea><c:legend/></c:chart></c:chartSpace>"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TXPGDocXLSXChart doc;
    std::vector<std::string> reports;
    doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    XpgLoad(doc, k.in);
    EXPECT_EQ(Joined(reports), "");
    EXPECT_EQ(Compact(XpgSave(doc)), k.out);
    EXPECT_EQ(Compact(XpgSave(doc)), k.out) << "saved again";
  }
}

}  // namespace
}  // namespace ooxml::chart
