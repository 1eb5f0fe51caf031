// The drawing document over packages: a drawing part with two charts (one with its style and
// colour-style parts), a picture used twice, a picture of a type without a standard extension
// and a diagram is read, then written as the drawings of two sheets of a new package. Charts are
// numbered in the order in which they are written, each with its style parts under its own
// number; every picture is stored once; the diagram's anchor is left out; the package checker
// finds nothing wrong, and the written package reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "ooxml/binding/xpg_testing.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/sheetdrawing/drawing_document.h"

namespace ooxml::sheetdrawing {
namespace {

using opc_testing::CheckPackage;
using opc_testing::MakeZip;
using opc_testing::Parts;
using opc_testing::ReadZip;

const std::string kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kChartUri = "http://schemas.openxmlformats.org/drawingml/2006/chart";

std::string Relationships(const std::vector<std::array<std::string, 3>>& rels) {
  std::string s = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const auto& r : rels) {
    const bool external = r[2].rfind("https:", 0) == 0;
    std::string target = r[2];
    for (std::size_t at = target.find('&'); at != std::string::npos; at = target.find('&', at + 1))
      target.replace(at, 1, "&amp;");
    s += "<Relationship Id=\"" + r[0] + "\" Type=\"" + r[1] + "\" Target=\"" + target + "\"" +
         (external ? " TargetMode=\"External\"" : "") + "/>";
  }
  return s + "</Relationships>";
}

std::string ChartPart(int style) {
  return "<?xml version=\"1.0\"?><c:chartSpace xmlns:c=\"" + kChartUri +
         "\" xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:style val=\"" +
         std::to_string(style) + "\"/><c:chart><c:autoTitleDeleted val=\"1\"/></c:chart></c:chartSpace>";
}

std::string Frame(const std::string& uri, const std::string& content) {
  return "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart\"/><xdr:cNvGraphicFramePr/>"
         "</xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic>"
         "<a:graphicData uri=\"" + uri + "\">" + content + "</a:graphicData></a:graphic></xdr:graphicFrame>";
}

std::string ChartFrame(const std::string& id) {
  return Frame(kChartUri, "<c:chart xmlns:c=\"" + kChartUri + "\" xmlns:r=\"" + kRels + "\" r:id=\"" + id + "\"/>");
}

std::string Picture(const std::string& id) {
  return "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"3\" name=\"Picture\"><a:hlinkClick xmlns:r=\"" + kRels +
         "\" r:id=\"rId5\"/></xdr:cNvPr><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill>"
         "<a:blip xmlns:r=\"" + kRels + "\" r:embed=\"" + id + "\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill>"
         "<xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic>";
}

std::string TwoCell(const std::string& object) {
  return "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>5</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>9</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:to>" + object + "<xdr:clientData/></xdr:twoCellAnchor>";
}

std::string DrawingPart(const std::string& anchors) {
  return "<?xml version=\"1.0\"?><xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">" + anchors + "</xdr:wsDr>";
}

// A workbook whose one sheet has the drawing xl/drawings/drawing1.xml with the given anchors and
// relationships; two chart parts (chart3 with style and colour-style parts) and two pictures.
std::string Package(const std::string& anchors, const std::vector<std::array<std::string, 3>>& drawing_rels) {
  const std::string ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  Parts parts = {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Default Extension=\"png\" ContentType=\"image/png\"/>"
       "<Override PartName=\"/xl/media/image2.xyz\" ContentType=\"image/x-test\"/></Types>"},
      {"_rels/.rels", Relationships({{"rId1", ns + "officeDocument", "xl/workbook.xml"}})},
      {"xl/workbook.xml", "<workbook/>"},
      {"xl/_rels/workbook.xml.rels", Relationships({{"rId1", ns + "worksheet", "worksheets/sheet1.xml"}})},
      {"xl/worksheets/sheet1.xml", "<worksheet/>"},
      {"xl/worksheets/_rels/sheet1.xml.rels", Relationships({{"rId1", ns + "drawing", "../drawings/drawing1.xml"}})},
      {"xl/drawings/drawing1.xml", DrawingPart(anchors)},
      {"xl/drawings/_rels/drawing1.xml.rels", Relationships(drawing_rels)},
      {"xl/charts/chart7.xml", ChartPart(7)},
      {"xl/charts/chart3.xml", ChartPart(3)},
      {"xl/charts/_rels/chart3.xml.rels",
       Relationships({{"rId1", "http://schemas.microsoft.com/office/2011/relationships/chartColorStyle", "colors9.xml"},
                      {"rId2", "http://schemas.microsoft.com/office/2011/relationships/chartStyle", "style9.xml"}})},
      {"xl/charts/style9.xml", "<cs:chartStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" id=\"201\"/>"},
      {"xl/charts/colors9.xml", "<cs:colorStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" meth=\"cycle\" id=\"10\"/>"},
      {"xl/media/image1.png", "PNGDATA"},
      {"xl/media/image2.xyz", "XYZDATA"},
  };
  return MakeZip(parts);
}

const std::string kNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const std::vector<std::array<std::string, 3>> kDrawingRels = {
    {"rId1", kNs + "chart", "../charts/chart7.xml"},
    {"rId2", kNs + "image", "../media/image1.png"},
    {"rId3", kNs + "chart", "../charts/chart3.xml"},
    {"rId4", kNs + "image", "../media/image2.xyz"},
    {"rId5", kNs + "hyperlink", "https://example.com/manual?a=1&b=2"},
};

struct ReadPackage {
  std::string bytes;
  io::TPointerMemoryStream stream;
  TOPC_XLSX package;
  explicit ReadPackage(std::string data)
      : bytes(std::move(data)), stream(bytes.data(), static_cast<std::int64_t>(bytes.size())) {
    package.OpenRead(stream, false);
  }
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(SheetDrawingPackage, ChartsAndPicturesTravelThroughThePackage) {
  const std::string source = Package(
      TwoCell(ChartFrame("rId1")) + TwoCell(Picture("rId2")) + TwoCell(ChartFrame("rId3")) + TwoCell(Picture("rId4")) +
          TwoCell(Frame("http://schemas.openxmlformats.org/drawingml/2006/diagram", "<dgm:relIds xmlns:dgm=\"urn:d\"/>")) +
          TwoCell(Picture("rId2")),
      kDrawingRels);
  workbook::TXc12GraphicManager store(nullptr);
  TXPGDocXLSXDrawing first(&store), second(&store);
  std::vector<std::string> reports;
  {
    ReadPackage in(source);
    first.LoadFromPackage(in.package, u"xl/drawings/drawing1.xml");
    // Another sheet with the same drawing: the pictures are the store's already.
    second.LoadFromPackage(in.package, u"/xl/drawings/drawing1.xml");
  }
  ASSERT_EQ(store.Images.Count(), 2);
  const auto& anchors = first.GetDrawing().anchors->anchors;
  ASSERT_EQ(anchors.Count(), 6);
  auto frame = [&](int i) { return static_cast<TCT_TwoCellAnchor*>(anchors.GetItems(i))->object->graphicFrame.get(); };
  ASSERT_TRUE(HasChart(*frame(0)));
  ASSERT_TRUE(HasChart(*frame(2)));
  EXPECT_FALSE(HasChart(*frame(4)));
  EXPECT_EQ(frame(0)->graphic->graphicData->Chart->ChartStyle, nullptr);
  EXPECT_NE(frame(2)->graphic->graphicData->Chart->ChartStyle, nullptr);
  EXPECT_NE(frame(2)->graphic->graphicData->Chart->ColorStyle, nullptr);
  auto blip = [&](int i) {
    return static_cast<TCT_TwoCellAnchor*>(anchors.GetItems(i))->object->pic->blipFill->blip->Picture;
  };
  EXPECT_EQ(blip(1), store.Images.GetItems(0));
  EXPECT_EQ(blip(3), store.Images.GetItems(1));
  EXPECT_EQ(blip(5), store.Images.GetItems(0));

  io::TMemoryStream out;
  {
    TOPC_XLSX package;
    package.OpenWrite(out, false);
    TOPCItem* workbook = package.CreateWorkbook();
    io::TMemoryStream empty;
    package.WriteItem(workbook, empty);
    store.ResetWritten();
    for (int n = 1; n <= 2; ++n) {
      TOPCItem* sheet = package.CreateWorksheet(n);
      package.WriteItem(sheet, empty);
      TXPGDocXLSXDrawing& doc = n == 1 ? first : second;
      doc.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
      ASSERT_NE(doc.SaveToPackage(package, sheet, n), nullptr);
    }
    package.Close();
  }
  const std::string written(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(Joined(CheckPackage(written)), "") << "relationships, content types, entries stored once";
  EXPECT_EQ(Joined(reports), "Row 0: Element Not Written \"xdr:graphicFrame\"; Row 0: Element Not Written \"xdr:graphicFrame\"")
      << "the diagram of each drawing";
  const auto entries = ReadZip(written);
  std::vector<std::string> names;
  for (const auto& [name, data] : entries) names.push_back(name);
  const std::vector<std::string> charts_and_media = {
      "xl/charts/_rels/chart2.xml.rels", "xl/charts/_rels/chart4.xml.rels", "xl/charts/chart1.xml", "xl/charts/chart2.xml",
      "xl/charts/chart3.xml",           "xl/charts/chart4.xml",           "xl/charts/colors2.xml", "xl/charts/colors4.xml",
      "xl/charts/style2.xml",           "xl/charts/style4.xml",           "xl/media/image1.png",   "xl/media/image2.xyz"};
  std::vector<std::string> found;
  std::copy_if(names.begin(), names.end(), std::back_inserter(found),
               [](const std::string& n) { return n.rfind("xl/charts/", 0) == 0 || n.rfind("xl/media/", 0) == 0; });
  EXPECT_EQ(Joined(found), Joined(charts_and_media)) << "charts numbered in writing order, style parts alike";
  EXPECT_NE(entries.at("xl/charts/chart1.xml").find("<c:style val=\"7\" />"), std::string::npos);
  EXPECT_NE(entries.at("xl/charts/chart2.xml").find("<c:style val=\"3\" />"), std::string::npos);
  EXPECT_NE(entries.at("xl/charts/chart4.xml").find("<c:style val=\"3\" />"), std::string::npos);
  EXPECT_NE(entries.at("xl/charts/_rels/chart2.xml.rels").find("Target=\"style2.xml\""), std::string::npos);
  EXPECT_NE(entries.at("xl/charts/_rels/chart2.xml.rels").find("Target=\"colors2.xml\""), std::string::npos);
  EXPECT_NE(entries.at("xl/charts/style2.xml").find("id=\"201\""), std::string::npos);
  EXPECT_EQ(entries.at("xl/media/image1.png"), "PNGDATA");
  EXPECT_EQ(entries.at("xl/media/image2.xyz"), "XYZDATA");
  EXPECT_NE(entries.at("[Content_Types].xml").find("ContentType=\"image/x-test\" PartName=\"/xl/media/image2.xyz\""),
            std::string::npos)
      << "a picture type without a standard extension keeps its extension and content type";
  const std::string& drawing = entries.at("xl/drawings/drawing1.xml");
  EXPECT_EQ(Count(drawing, "<xdr:twoCellAnchor>"), 5) << "the diagram's anchor is left out";
  EXPECT_EQ(Count(drawing, "<c:chart "), 2);
  EXPECT_EQ(Count(drawing, "r:embed=\""), 3);
  EXPECT_LT(drawing.find("<c:chart "), drawing.find("r:embed=\"")) << "first chart, then picture";
  EXPECT_EQ(Count(drawing, "r:id=\"rId5\""), 3) << "the pictures' hyperlinks";
  const std::string& rels = entries.at("xl/drawings/_rels/drawing1.xml.rels");
  EXPECT_NE(rels.find("TargetMode=\"External\" Target=\"https://example.com/manual?a=1&amp;b=2\" Type=\"" + kNs +
                      "hyperlink\" Id=\"rId5\""),
            std::string::npos)
      << "the hyperlink goes out under its id, the pictures and charts under others";

  // The written package reads back: charts with their style parts, pictures found.
  workbook::TXc12GraphicManager again(nullptr);
  TXPGDocXLSXDrawing back(&again);
  ReadPackage in(written);
  back.LoadFromPackage(in.package, u"xl/drawings/drawing2.xml");
  ASSERT_EQ(back.GetDrawing().anchors->anchors.Count(), 5);
  EXPECT_EQ(again.Images.Count(), 2);
  auto* chart = static_cast<TCT_TwoCellAnchor*>(back.GetDrawing().anchors->anchors.GetItems(2))->object->graphicFrame.get();
  ASSERT_TRUE(HasChart(*chart));
  EXPECT_NE(chart->graphic->graphicData->Chart->ColorStyle, nullptr);
}

TEST(SheetDrawingPackage, ChartReferencesThatNameNoChart) {
  struct Case {
    const char* title;
    std::string anchors;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"an r:id that names no relationship of the drawing", TwoCell(ChartFrame("rId9")), "Can not find Table in OPC"},
      {"an r:id that names a picture", TwoCell(ChartFrame("rId2")),
       "OPC Item is not of excpected type \"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart\""},
  };
  for (const auto& c : cases) {
    ReadPackage in(Package(c.anchors, kDrawingRels));
    workbook::TXc12GraphicManager store(nullptr);
    TXPGDocXLSXDrawing doc(&store);
    try {
      doc.LoadFromPackage(in.package, u"xl/drawings/drawing1.xml");
      ADD_FAILURE() << c.title << ": no error";
    } catch (const core::Error& e) {
      EXPECT_EQ(std::string(e.what()), c.error) << c.title;
    }
  }
  ReadPackage in(Package(TwoCell(Picture("rId2")), kDrawingRels));
  TXPGDocXLSXDrawing doc(nullptr);
  try {
    doc.LoadFromPackage(in.package, u"xl/drawings/drawing7.xml");
    ADD_FAILURE() << "a part that is not in the package read";
  } catch (const core::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Can not find Drawing in OPC");
  }
}

// A picture added through the workbook's picture interface: a new two-cell anchor on top, the
// picture with its non-visual part, the store's image stretched, a rectangle.
TEST(SheetDrawingPackage, APictureBuiltInCodeIsWrittenWithItsImage) {
  workbook::TXc12GraphicManager store(nullptr);
  io::TMemoryStream bytes(std::vector<std::uint8_t>{'P', 'N', 'G'});
  workbook::TXc12GraphicImage* image = store.Images.AddNew(bytes, workbook::xitPng);
  TXPGDocXLSXDrawing doc(&store);
  void* added = doc.AddPictureAnchor({1, 0, 2, 0}, {4, 12700, 9, 0}, image->Index + 1, u"Picture 1", u"dot.png", image);
  std::vector<workbook::TXLSAnchorInfo> anchors;
  doc.GetAnchors(anchors);
  ASSERT_EQ(anchors.size(), 1u);
  EXPECT_EQ(anchors[0].Element, added);
  workbook::TXLSAnchorMarker from, to;
  workbook::TXc12GraphicImage* shown = nullptr;
  ASSERT_TRUE(doc.GetPictureAnchor(added, from, to, shown));
  EXPECT_EQ(shown, image);
  EXPECT_EQ(to.ColOff, 12700);
  EXPECT_EQ(to.Row, 9);
  // An element that is no anchor of the document is not read through.
  int other = 0;
  EXPECT_FALSE(doc.GetPictureAnchor(&other, from, to, shown));

  io::TMemoryStream out;
  {
    TOPC_XLSX package;
    package.OpenWrite(out, false);
    io::TMemoryStream empty;
    package.WriteItem(package.CreateWorkbook(), empty);
    TOPCItem* sheet = package.CreateWorksheet(1);
    package.WriteItem(sheet, empty);
    store.ResetWritten();
    ASSERT_NE(doc.SaveToPackage(package, sheet, 1), nullptr);
    package.Close();
  }
  const std::string written(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(Joined(CheckPackage(written)), "");
  const auto entries = ReadZip(written);
  EXPECT_EQ(entries.at("xl/media/image1.png"), "PNG");
  EXPECT_EQ(Compact(entries.at("xl/drawings/drawing1.xml")),
            "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" \n"
            "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" \n><xdr:twoCellAnchor><xdr:from>"
            "<xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to>"
            "<xdr:col>4</xdr:col><xdr:colOff>12700</xdr:colOff><xdr:row>9</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:pic>"
            "<xdr:nvPicPr><xdr:cNvPr id=\"1\" name=\"Picture 1\" descr=\"dot.png\" /><xdr:cNvPicPr><a:picLocks "
            "noChangeAspect=\"1\" /></xdr:cNvPicPr></xdr:nvPicPr><xdr:blipFill><a:blip xmlns:r=\"" + kRels +
            "\" r:embed=\"rId1\" /><a:stretch/></xdr:blipFill><xdr:spPr><a:prstGeom prst=\"rect\" /></xdr:spPr></xdr:pic>"
            "<xdr:clientData/></xdr:twoCellAnchor></xdr:wsDr>");
}

TEST(SheetDrawingPackage, NothingIsWrittenWithoutAnchors) {
  io::TMemoryStream out;
  TOPC_XLSX package;
  package.OpenWrite(out, false);
  package.CreateWorkbook();
  TOPCItem* sheet = package.CreateWorksheet(1);
  TXPGDocXLSXDrawing doc(nullptr);
  EXPECT_EQ(doc.SaveToPackage(package, sheet, 1), nullptr);
  EXPECT_EQ(sheet->GetCount(), 0) << "no drawing related to the sheet";
}

}  // namespace
}  // namespace ooxml::sheetdrawing
