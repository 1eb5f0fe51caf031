// Drawing objects, anchors and the drawing document read from XML and written back, as tables of
// XML in, XML out and reports. Anchors and the members of a group keep their order (it is the
// z-order), and a graphic frame that holds no chart is not written with its anchor, where a plain
// reading of the element descriptions would regroup them or leave an empty frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/binding/xpg_testing.h"
#include "ooxml/sheetdrawing/conventional_prefixes.h"
#include "ooxml/sheetdrawing/drawing_document.h"

namespace ooxml::sheetdrawing {
namespace {

class DrawingProbeDoc : public XpgProbeDoc, public TXpgDrawingHost {
public:
  DrawingProbeDoc() : XpgProbeDoc(kXpgDrawingPolicy) {}
};

// Every case read into a fresh T and written back as name; the reports of reading and writing.
template <class T>
void ExpectRoundTrips(std::u16string_view name, const std::vector<XmlCase>& cases) {
  for (const auto& c : cases) {
    DrawingProbeDoc doc;
    T obj(&doc);
    std::vector<std::string> reports;
    doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    XpgReadProbe(doc, obj, c.in, false);
    EXPECT_EQ(Compact(XpgWriteProbe(obj, name, false)), c.out) << c.title;
    EXPECT_EQ(Joined(reports), c.reports) << c.title;
  }
}

const char kOpen[] =
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">";
const char kOpenOut[] =
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"\n"
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"\n>";

// Whole parts read through the document (no package) and written back; the output without the
// declaration, CRs removed (no output: the empty document element); the reports of both.
void ExpectDocumentRoundTrips(const std::vector<XmlCase>& cases) {
  for (const auto& c : cases) {
    TXPGDocXLSXDrawing doc(nullptr);
    std::vector<std::string> reports;
    doc.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    XpgLoad(doc, std::string(kOpen) + c.in + "</xdr:wsDr>");
    const std::string open(kOpenOut);
    const std::string expected = c.out.empty() ? open.substr(0, open.size() - 1) + "/>" : open + c.out + "</xdr:wsDr>";
    EXPECT_EQ(Compact(XpgSave(doc)), expected) << c.title;
    EXPECT_EQ(Joined(reports), c.reports) << c.title;
  }
}

const std::string kPicture =
    "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\" /><xdr:cNvPicPr></xdr:cNvPicPr></xdr:nvPicPr>"
    "<xdr:blipFill/><xdr:spPr/></xdr:pic>";
const std::string kShape = "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"S\" /><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>";
const std::string kEmptyTwoCell = "<xdr:from/><xdr:to/>";

TEST(SheetDrawingObjects, MarkersAndLocks) {
  ExpectRoundTrips<TCT_Marker_Pos>(
      u"xdr:from",
      {{"a column alone is written with a zero offset and no row", "<xdr:from><xdr:col>3</xdr:col></xdr:from>",
        "<xdr:from><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff></xdr:from>"},
       {"all four in pairs, column first", "<xdr:from><xdr:rowOff>7</xdr:rowOff><xdr:row>2</xdr:row><xdr:colOff>-5</xdr:colOff>"
        "<xdr:col>0</xdr:col></xdr:from>",
        "<xdr:from><xdr:col>0</xdr:col><xdr:colOff>-5</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>7</xdr:rowOff></xdr:from>"},
       {"an offset without its row is not written", "<xdr:from><xdr:rowOff>9</xdr:rowOff></xdr:from>", "<xdr:from></xdr:from>"},
       {"a value that is no number reads as 0", "<xdr:from><xdr:col>x</xdr:col><xdr:row>1.5</xdr:row></xdr:from>",
        "<xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>"},
       {"another child is reported", "<xdr:from><xdr:cell>1</xdr:cell><xdr:col>1</xdr:col></xdr:from>",
        "<xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff></xdr:from>", "Row 0: Unknown Element \"xdr:cell\""}});
  ExpectRoundTrips<TCT_PictureLocking>(
      u"a:picLocks",
      {{"true flags in their order, false ones not", "<a:picLocks noCrop=\"1\" noGrp=\"true\" noMove=\"0\" noChangeAspect=\"1\"/>",
        "<a:picLocks noGrp=\"1\" noChangeAspect=\"1\" noCrop=\"1\" />"},
       {"an unknown attribute is reported and kept", "<a:picLocks noGrp=\"1\" noSpin=\"1\"/>",
        "<a:picLocks noGrp=\"1\" noSpin=\"1\" />", "Row 0: Unknown Attribute \"noSpin\""}});
  ExpectRoundTrips<TCT_GroupLocking>(
      u"a:grpSpLocks", {{"flags and an extension list", "<a:grpSpLocks noUngrp=\"1\" noRot=\"1\"><a:extLst/></a:grpSpLocks>",
                         "<a:grpSpLocks noUngrp=\"1\" noRot=\"1\" />"}});
}

TEST(SheetDrawingObjects, NonVisualParts) {
  ExpectRoundTrips<TCT_PictureNonVisual>(
      u"xdr:nvPicPr",
      {{"picture properties without anything are written with start and end tag",
        "<xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\"/><xdr:cNvPicPr/></xdr:nvPicPr>",
        "<xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\" /><xdr:cNvPicPr></xdr:cNvPicPr></xdr:nvPicPr>"},
       {"missing picture properties are written empty", "<xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\"/></xdr:nvPicPr>",
        "<xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"P\" /><xdr:cNvPicPr/></xdr:nvPicPr>"},
       {"relative resizing off and the locks",
        "<xdr:nvPicPr><xdr:cNvPicPr preferRelativeResize=\"0\"><a:picLocks noChangeAspect=\"1\"/></xdr:cNvPicPr></xdr:nvPicPr>",
        "<xdr:nvPicPr><xdr:cNvPicPr preferRelativeResize=\"0\" ><a:picLocks noChangeAspect=\"1\" /></xdr:cNvPicPr>"
        "</xdr:nvPicPr>"}});
  ExpectRoundTrips<TCT_ConnectorNonVisual>(
      u"xdr:nvCxnSpPr",
      {{"without connector properties none are written", "<xdr:nvCxnSpPr><xdr:cNvPr id=\"4\" name=\"C\"/></xdr:nvCxnSpPr>",
        "<xdr:nvCxnSpPr><xdr:cNvPr id=\"4\" name=\"C\" /></xdr:nvCxnSpPr>"},
       {"empty connector properties read are written back (the schema requires them)",
        "<xdr:nvCxnSpPr><xdr:cNvPr id=\"4\" name=\"C\"/><xdr:cNvCxnSpPr/></xdr:nvCxnSpPr>",
        "<xdr:nvCxnSpPr><xdr:cNvPr id=\"4\" name=\"C\" /><xdr:cNvCxnSpPr/></xdr:nvCxnSpPr>"},
       {"locks, then start and end connections",
        "<xdr:nvCxnSpPr><xdr:cNvCxnSpPr><a:endCxn id=\"5\" idx=\"0\"/><a:stCxn id=\"2\" idx=\"3\"/>"
        "<a:cxnSpLocks noChangeShapeType=\"1\"/></xdr:cNvCxnSpPr></xdr:nvCxnSpPr>",
        "<xdr:nvCxnSpPr><xdr:cNvCxnSpPr><a:cxnSpLocks noChangeShapeType=\"1\" /><a:stCxn id=\"2\" idx=\"3\" />"
        "<a:endCxn id=\"5\" idx=\"0\" /></xdr:cNvCxnSpPr></xdr:nvCxnSpPr>"}});
  ExpectRoundTrips<TCT_GraphicalObjectFrameNonVisual>(
      u"xdr:nvGraphicFramePr",
      {{"frame properties are always written", "<xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart 1\"/></xdr:nvGraphicFramePr>",
        "<xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart 1\" /><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>"},
       {"frame locks", "<xdr:nvGraphicFramePr><xdr:cNvGraphicFramePr><a:graphicFrameLocks noDrilldown=\"1\" noGrp=\"1\"/>"
        "</xdr:cNvGraphicFramePr></xdr:nvGraphicFramePr>",
        "<xdr:nvGraphicFramePr><xdr:cNvGraphicFramePr><a:graphicFrameLocks noGrp=\"1\" noDrilldown=\"1\" />"
        "</xdr:cNvGraphicFramePr></xdr:nvGraphicFramePr>"}});
  ExpectRoundTrips<TCT_GroupShapeNonVisual>(
      u"xdr:nvGrpSpPr",
      {{"empty group properties read are written back (the schema requires them)",
        "<xdr:nvGrpSpPr><xdr:cNvPr id=\"6\" name=\"G\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>",
        "<xdr:nvGrpSpPr><xdr:cNvPr id=\"6\" name=\"G\" /><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"}});
}

TEST(SheetDrawingObjects, GraphicData) {
  ExpectRoundTrips<TCT_GraphicalObject>(
      u"a:graphic",
      {{"a diagram keeps only its uri, silently, in the frame alone",
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\">"
        "<dgm:relIds xmlns:dgm=\"urn:d\" r:dm=\"rId1\"><dgm:x/></dgm:relIds></a:graphicData></a:graphic>",
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" /></a:graphic>"},
       {"without a package a chart reference is written back as read",
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
        "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rId7\"/></a:graphicData></a:graphic>",
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" ><c:chart "
        "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:id=\"rId7\" /></a:graphicData>"
        "</a:graphic>"},
       {"another child of the graphic is reported", "<a:graphic><a:graphicDat/></a:graphic>", "<a:graphic/>",
        "Row 0: Unknown Element \"a:graphicDat\""}});
}

TEST(SheetDrawingObjects, DrawingObjects) {
  ExpectRoundTrips<TCT_Picture>(
      u"xdr:pic",
      {{"a picture without its parts gets them empty", "<xdr:pic/>",
        "<xdr:pic><xdr:nvPicPr/><xdr:blipFill/><xdr:spPr/></xdr:pic>"},
       {"attributes and children in their order",
        "<xdr:pic fPublished=\"1\" macro=\"Run\"><xdr:style><a:lnRef idx=\"0\"/></xdr:style><xdr:spPr><a:prstGeom prst=\"rect\"/>"
        "</xdr:spPr><xdr:blipFill rotWithShape=\"1\"><a:stretch><a:fillRect/></a:stretch></xdr:blipFill></xdr:pic>",
        "<xdr:pic macro=\"Run\" fPublished=\"1\" ><xdr:nvPicPr/><xdr:blipFill rotWithShape=\"1\" ><a:stretch/></xdr:blipFill><xdr:spPr><a:prstGeom prst=\"rect\" /></xdr:spPr><xdr:style><a:lnRef idx=\"0\" />"
        "<a:fillRef/><a:effectRef/><a:fontRef/></xdr:style></xdr:pic>"}});
  ExpectRoundTrips<TCT_Connector>(
      u"xdr:cxnSp", {{"a connector without its parts gets them empty", "<xdr:cxnSp/>",
                      "<xdr:cxnSp><xdr:nvCxnSpPr/><xdr:spPr/></xdr:cxnSp>"}});
  ExpectRoundTrips<TCT_GraphicalObjectFrame>(
      u"xdr:graphicFrame",
      {{"a frame alone writes its three parts, empty when missing", "<xdr:graphicFrame fPublished=\"1\"/>",
        "<xdr:graphicFrame fPublished=\"1\" ><xdr:nvGraphicFramePr/><xdr:xfrm/><a:graphic/></xdr:graphicFrame>"}});
  ExpectRoundTrips<TCT_GroupShape>(
      u"xdr:grpSp",
      {{"a picture before a shape stays before it", "<xdr:grpSp>" + kPicture + kShape + "</xdr:grpSp>",
        "<xdr:grpSp><xdr:nvGrpSpPr/><xdr:grpSpPr/>" + kPicture + kShape + "</xdr:grpSp>"},
       {"groups nest, properties first",
        "<xdr:grpSp><xdr:grpSp><xdr:cxnSp/></xdr:grpSp><xdr:grpSpPr bwMode=\"auto\"/><xdr:nvGrpSpPr><xdr:cNvPr id=\"1\" "
        "name=\"G\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr></xdr:grpSp>",
        "<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"1\" name=\"G\" /><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"
        "<xdr:grpSpPr bwMode=\"auto\" /><xdr:grpSp><xdr:nvGrpSpPr/><xdr:grpSpPr/><xdr:cxnSp><xdr:nvCxnSpPr/><xdr:spPr/>"
        "</xdr:cxnSp></xdr:grpSp></xdr:grpSp>"},
       {"a member frame that holds no chart is left out and reported, the others stay",
        "<xdr:grpSp>" + kShape + "<xdr:graphicFrame><a:graphic><a:graphicData uri=\"urn:ink\"><x/></a:graphicData></a:graphic>"
        "</xdr:graphicFrame>" + kPicture + "</xdr:grpSp>",
        "<xdr:grpSp><xdr:nvGrpSpPr/><xdr:grpSpPr/>" + kShape + kPicture + "</xdr:grpSp>",
        "Row 0: Element Not Written \"xdr:graphicFrame\""},
       {"an unknown member is reported", "<xdr:grpSp><xdr:contentPart/></xdr:grpSp>",
        "<xdr:grpSp><xdr:nvGrpSpPr/><xdr:grpSpPr/></xdr:grpSp>", "Row 0: Unknown Element \"xdr:contentPart\""}});
}

TEST(SheetDrawingAnchors, AnchorsReadAndWriteBack) {
  const std::string one_cell = "<xdr:oneCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>10</xdr:colOff><xdr:row>2</xdr:row>"
                               "<xdr:rowOff>20</xdr:rowOff></xdr:from><xdr:ext cx=\"300\" cy=\"400\" />" +
                               kShape + "<xdr:clientData/></xdr:oneCellAnchor>";
  ExpectDocumentRoundTrips(
      {{"a one-cell anchor between two two-cell anchors stays between them (z-order)",
        "<xdr:twoCellAnchor>" + kShape + "</xdr:twoCellAnchor>" + one_cell + "<xdr:twoCellAnchor editAs=\"oneCell\">" +
            kPicture + "</xdr:twoCellAnchor>",
        "<xdr:twoCellAnchor>" + kEmptyTwoCell + kShape + "<xdr:clientData/></xdr:twoCellAnchor>" + one_cell +
            "<xdr:twoCellAnchor editAs=\"oneCell\" >" + kEmptyTwoCell + kPicture + "<xdr:clientData/></xdr:twoCellAnchor>"},
       {"editAs twoCell is not written; absent client data is written empty, false flags are written",
        "<xdr:twoCellAnchor editAs=\"twoCell\"><xdr:from><xdr:col>0</xdr:col></xdr:from><xdr:to><xdr:row>4</xdr:row></xdr:to>" +
            kShape + "</xdr:twoCellAnchor><xdr:absoluteAnchor><xdr:clientData fPrintsWithSheet=\"0\" fLocksWithSheet=\"1\"/>" +
            kShape + "<xdr:ext cx=\"1\" cy=\"2\"/><xdr:pos x=\"3\" y=\"4\"/></xdr:absoluteAnchor>",
        "<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff></xdr:from><xdr:to><xdr:row>4</xdr:row>"
        "<xdr:rowOff>0</xdr:rowOff></xdr:to>" +
            kShape + "<xdr:clientData/></xdr:twoCellAnchor><xdr:absoluteAnchor><xdr:pos x=\"3\" y=\"4\" />"
                     "<xdr:ext cx=\"1\" cy=\"2\" />" +
            kShape + "<xdr:clientData fPrintsWithSheet=\"0\" /></xdr:absoluteAnchor>"},
       {"a one-cell anchor without position and size gets them empty", "<xdr:oneCellAnchor>" + kShape + "</xdr:oneCellAnchor>",
        "<xdr:oneCellAnchor><xdr:from/><xdr:ext/>" + kShape + "<xdr:clientData/></xdr:oneCellAnchor>"},
       {"an anchor child that is no object is reported and skipped; reading goes on",
        "<xdr:twoCellAnchor><xdr:sparkle><xdr:sp/></xdr:sparkle>" + kPicture + "</xdr:twoCellAnchor>",
        "<xdr:twoCellAnchor>" + kEmptyTwoCell + "<xdr:sp><xdr:nvSpPr><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>" +
            kPicture + "<xdr:clientData/></xdr:twoCellAnchor>",
        "Row 0: Unknown Element \"xdr:sparkle\""},
       {"a child of the drawing that is no anchor is reported", "<xdr:graphicFrame/>", "",
        "Row 0: Unknown Element \"xdr:graphicFrame\""},
       {"an object in alternate content is read from its fallback and written without the wrapper",
        "<xdr:twoCellAnchor><mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
        "<mc:Choice Requires=\"a14\"><xdr:graphicFrame><a:graphic><a:graphicData uri=\"urn:slicer\"/></a:graphic>"
        "</xdr:graphicFrame></mc:Choice><mc:Fallback>" +
            kShape + "</mc:Fallback></mc:AlternateContent><xdr:clientData/></xdr:twoCellAnchor>",
        "<xdr:twoCellAnchor>" + kEmptyTwoCell + kShape + "<xdr:clientData/></xdr:twoCellAnchor>"},
       {"an anchor whose frame holds no chart is not written, and reported; the others keep their order",
        "<xdr:oneCellAnchor>" + kShape + "</xdr:oneCellAnchor><xdr:twoCellAnchor><xdr:graphicFrame><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"><dgm:relIds xmlns:dgm=\"urn:d\"/>"
        "</a:graphicData></a:graphic></xdr:graphicFrame></xdr:twoCellAnchor><xdr:absoluteAnchor>" +
            kPicture + "</xdr:absoluteAnchor>",
        "<xdr:oneCellAnchor><xdr:from/><xdr:ext/>" + kShape + "<xdr:clientData/></xdr:oneCellAnchor><xdr:absoluteAnchor>"
        "<xdr:pos/><xdr:ext/>" + kPicture + "<xdr:clientData/></xdr:absoluteAnchor>",
        "Row 0: Element Not Written \"xdr:graphicFrame\""},
       {"an editAs that is no literal is reported and left at twoCell",
        "<xdr:twoCellAnchor editAs=\"floating\">" + kShape + "</xdr:twoCellAnchor>",
        "<xdr:twoCellAnchor>" + kEmptyTwoCell + kShape + "<xdr:clientData/></xdr:twoCellAnchor>",
        "Row 0: Unknown Attribute \"editAs=\"floating\"\""}});
}

TEST(SheetDrawingDocument, EmptyDocumentsAndRepeatedLoads) {
  TXPGDocXLSXDrawing fresh(nullptr);
  EXPECT_FALSE(HasAnchors(fresh.GetDrawing()));
  EXPECT_EQ(Compact(XpgSave(fresh)), "<xdr:wsDr/>") << "the document element is written without anchors";
  fresh.Root().Attributes.AddAttribute(u"xmlns:xdr", kSpreadsheetDrawingNamespace);
  EXPECT_EQ(Compact(XpgSave(fresh)),
            "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" \n/>");

  TXPGDocXLSXDrawing twice(nullptr);
  const std::string part = std::string(kOpen) + "<xdr:twoCellAnchor>" + kShape + "</xdr:twoCellAnchor>" +
                           "<xdr:oneCellAnchor>" + kPicture + "</xdr:oneCellAnchor></xdr:wsDr>";
  XpgLoad(twice, part);
  XpgLoad(twice, part);
  ASSERT_EQ(twice.GetDrawing().anchors->anchors.Count(), 4) << "loading adds to what the document holds";
  EXPECT_EQ(twice.GetDrawing().anchors->anchors.NameAt(2), u"xdr:twoCellAnchor");
  EXPECT_TRUE(HasAnchors(twice.GetDrawing()));
  auto* added = AddTwoCellAnchor(twice.GetDrawing());
  EXPECT_EQ(twice.GetDrawing().anchors->anchors.GetItems(4), added) << "a new anchor goes on top";
}

// Parts whose writers bind the drawing namespaces to other prefixes, or make the drawing
// namespace the default one, are read under the prefixes the bindings know.
TEST(SheetDrawingPrefixes, NamesGoUnderTheirConventionalPrefixes) {
  const std::string xdr = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
  const std::string a = "http://schemas.openxmlformats.org/drawingml/2006/main";
  const std::string r = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  struct Case {
    const char* title;
    std::string in, out;  // out empty: unchanged
  };
  const Case cases[] = {
      {"the drawing namespace as the default",
       "<?xml version='1.0'?><wsDr xmlns=\"" + xdr + "\"><pic><blipFill><a:blip xmlns:a=\"" + a + "\" xmlns:r=\"" + r +
           "\" r:embed=\"rId2\"/></blipFill></pic><clientData/></wsDr>",
       "<?xml version='1.0'?><xdr:wsDr xmlns:xdr=\"" + xdr + "\"><xdr:pic><xdr:blipFill><a:blip xmlns:a=\"" + a +
           "\" xmlns:r=\"" + r + "\" r:embed=\"rId2\"/></xdr:blipFill></xdr:pic><xdr:clientData/></xdr:wsDr>"},
      {"prefixes of a writer's own, on elements and attributes",
       "<ns0:wsDr xmlns:ns0=\"" + xdr + "\" xmlns:ns1='" + a + "' xmlns:ns2=\"" + r + "\"><ns0:pic><ns1:blip ns2:embed = \"rId1\" cstate=\"print\"/></ns0:pic></ns0:wsDr>",
       "<xdr:wsDr xmlns:xdr=\"" + xdr + "\" xmlns:a='" + a + "' xmlns:r=\"" + r + "\"><xdr:pic><a:blip r:embed = \"rId1\" cstate=\"print\"/></xdr:pic></xdr:wsDr>"},
      {"content of another namespace stays as it is; comments, CDATA and text are copied",
       "<wsDr xmlns=\"" + xdr + "\"><!-- <x> --><ext><p xmlns=\"urn:other\"><q>1 &lt; 2<![CDATA[<pic>]]></q></p></ext></wsDr>",
       "<xdr:wsDr xmlns:xdr=\"" + xdr + "\"><!-- <x> --><xdr:ext><p xmlns=\"urn:other\"><q>1 &lt; 2<![CDATA[<pic>]]></q></p></xdr:ext></xdr:wsDr>"},
      {"one namespace declared twice is declared once",
       "<wsDr xmlns=\"" + xdr + "\" xmlns:xdr=\"" + xdr + "\"><xdr:pic/></wsDr>",
       "<xdr:wsDr xmlns:xdr=\"" + xdr + "\"><xdr:pic/></xdr:wsDr>"},
      {"already conventional", "<xdr:wsDr xmlns:xdr=\"" + xdr + "\"><xdr:pic/></xdr:wsDr>", ""},
      {"a conventional prefix bound elsewhere", "<wsDr xmlns=\"" + xdr + "\" xmlns:a=\"urn:other\"><a:pic/></wsDr>", ""},
      {"a tag that does not end", "<wsDr xmlns=\"" + xdr + "\"><pic a=\"1", ""},
      {"an attribute without a value", "<wsDr xmlns=\"" + xdr + "\"><pic a></pic></wsDr>", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ConventionalPrefixes(c.in), c.out.empty() ? c.in : c.out) << c.title;
}

}  // namespace
}  // namespace ooxml::sheetdrawing
