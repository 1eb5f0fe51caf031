#include <gtest/gtest.h>

#include "core/unicode.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/opc_streams.h"
#include "xml/xml_stream.h"
#include "ooxml/opc/tests/package_testing.h"

namespace ooxml {
namespace {

std::string U8(const std::u16string& s) { return core::utf16_to_utf8(s); }

std::string Rel(const std::string& id, const std::u16string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + U8(type) + "\" Target=\"" + target + "\"/>";
}

std::string Rels(const std::vector<std::string>& list) {
  std::string s = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const auto& r : list) s += r;
  return s + "</Relationships>";
}

io::TMemoryStream Bytes(const std::string& s) {
  return io::TMemoryStream(std::vector<std::uint8_t>(s.begin(), s.end()));
}

// A package whose reader consumes the workbook, the sheet and its drawing, and leaves: kept parts
// hanging off kept parts (a header/footer VML with its image, custom XML with its properties), an
// image of the consumed drawing, an image shared by two kept VML parts, a theme, a custom
// properties part, and the parts that are never kept (calcChain, app.xml, printer settings).
const opc_testing::Parts kPackage = {
    {"[Content_Types].xml",
     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
     "<Default Extension=\"vml\" ContentType=\"application/vnd.openxmlformats-officedocument.vmlDrawing\"/>"
     "<Default Extension=\"jpg\" ContentType=\"image/jpeg\"/>"
     "<Default Extension=\"odd\" ContentType=\"application/x-odd\"/>"
     "<Default Extension=\"bin\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings\"/>"
     "<Override PartName=\"/xl/theme/theme1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>"
     "<Override PartName=\"/customXml/itemProps1.xml\" "
     "ContentType=\"application/vnd.openxmlformats-officedocument.customXmlProperties+xml\"/>"
     "<Override PartName=\"/docProps/custom.xml\" "
     "ContentType=\"application/vnd.openxmlformats-officedocument.custom-properties+xml\"/>"
     "</Types>"},
    {"_rels/.rels", Rels({Rel("rId1", reltype::kOfficeDocument, "xl/workbook.xml"),
                         Rel("rId2", reltype::kExtendedProperties, "docProps/app.xml"),
                         Rel("rId3", u"http://x/custom-properties", "docProps/custom.xml")})},
    {"docProps/app.xml", "app"},
    {"docProps/custom.xml", "custom"},
    {"xl/workbook.xml", "workbook"},
    {"xl/_rels/workbook.xml.rels",
     Rels({Rel("rId1", reltype::kWorksheet, "worksheets/sheet1.xml"), Rel("rId2", reltype::kTheme, "theme/theme1.xml"),
           Rel("rId3", reltype::kCalcChain, "calcChain.xml"), Rel("rId4", u"http://x/customXml", "../customXml/item1.xml")})},
    {"xl/theme/theme1.xml", "theme"},
    {"xl/calcChain.xml", "calc"},
    {"customXml/item1.xml", "item"},
    {"customXml/_rels/item1.xml.rels", Rels({Rel("rId1", u"http://x/customXmlProps", "itemProps1.xml")})},
    {"customXml/itemProps1.xml", "props"},
    {"xl/worksheets/sheet1.xml", "sheet"},
    {"xl/worksheets/_rels/sheet1.xml.rels",
     Rels({Rel("rId1", reltype::kDrawing, "../drawings/drawing1.xml"),
           Rel("rId2", reltype::kVmlDrawing, "../drawings/vmlDrawingHF1.vml"),
           Rel("rId3", reltype::kVmlDrawing, "../drawings/vmlDrawingHF2.vml"),
           Rel("rId4", reltype::kPrinterSettings, "../printerSettings/printerSettings1.bin"),
           Rel("rId5", reltype::kTable, "../tables/table1.xml")})},
    {"xl/printerSettings/printerSettings1.bin", "printer"},
    {"xl/tables/table1.xml", "table"},
    {"xl/drawings/drawing1.xml", "drawing"},
    {"xl/drawings/_rels/drawing1.xml.rels", Rels({Rel("rId1", reltype::kImage, "../media/image1.odd")})},
    {"xl/media/image1.odd", "odd image"},
    {"xl/drawings/vmlDrawingHF1.vml", "vml1"},
    {"xl/drawings/vmlDrawingHF2.vml", "vml2"},
    {"xl/drawings/_rels/vmlDrawingHF1.vml.rels", Rels({Rel("rId1", reltype::kImage, "../media/image2.jpg")})},
    {"xl/drawings/_rels/vmlDrawingHF2.vml.rels", Rels({Rel("rId1", reltype::kImage, "../media/image2.jpg")})},
    {"xl/media/image2.jpg", "jpeg"},
};

TEST(FileData, KeptPartsReturnWhereTheyCameFrom) {
  std::string input = opc_testing::MakeZip(kPackage);
  io::TPointerMemoryStream in(input.data(), input.size());
  workbook::TXc12FileData fd;
  TOPC_XLSX& p = OPCPackageOf(fd);
  fd.BeginRead(in);
  TXpgDOMNode* types = fd.ContentTypes.Root()->Find(u"Types", false);
  ASSERT_NE(types, nullptr);
  int overrides = 0;
  for (int i = 0; i < types->GetCount(); ++i) overrides += types->GetItem(i)->Name == u"Override";
  EXPECT_EQ(overrides, 3);
  ASSERT_TRUE(p.ReadWorkbook());
  fd.AddSheetId(u"rId1");
  ASSERT_TRUE(p.ReadWorksheet("rId1"));
  ASSERT_TRUE(p.ReadDrawing("rId1"));
  p.CloseDrawing();
  p.CloseSheet();
  fd.CollectUnreadParts();
  ASSERT_NE(fd.SheetParts(0), nullptr);
  EXPECT_EQ(fd.SheetParts(0)->Parts.Count(), 2);  // the two VML parts; printer settings are not kept
  EXPECT_EQ(fd.SheetParts(0)->Tables.Count(), 1);
  EXPECT_EQ(fd.WorkbookParts.Count(), 2);  // theme and custom XML; not the calculation chain
  ASSERT_NE(fd.WorkbookParts.FindByRelType(u"http://x/customXml"), nullptr);
  EXPECT_EQ(fd.WorkbookParts.FindByRelType(u"http://x/customXml")->Children->Count(), 1);
  EXPECT_EQ(fd.RootParts.Count(), 2);  // custom properties, and the image of the consumed drawing
  ASSERT_NE(fd.RootParts.FindByRelType(reltype::kImage), nullptr);
  EXPECT_EQ(U8(fd.RootParts.FindByRelType(reltype::kImage)->SourcePartName), "xl/drawings/drawing1.xml");

  // The writer's part: workbook, sheet with a drawing again, then the kept parts.
  io::TMemoryStream out;
  fd.BeginWrite(out);
  auto data = Bytes("<new/>");
  TOPCItem* wb = p.CreateWorkbook();
  p.WriteItem(wb, data);
  p.CloseItem(wb);
  TOPCItem* sheet = p.CreateWorksheet(1);
  fd.WriteSheetParts(0);  // under the sheet being written
  TOPCItem* drawing = p.CreateDrawing(sheet, 1);
  p.WriteItem(drawing, data);
  p.CloseDrawing();
  p.WriteItem(sheet, data);
  p.CloseSheet();
  fd.EndWrite();
  std::string output(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(opc_testing::CheckPackage(output), std::vector<std::string>{});
  auto e = opc_testing::ReadZip(output);
  for (const char* kept : {"docProps/custom.xml", "xl/theme/theme1.xml", "customXml/item1.xml", "customXml/itemProps1.xml",
                           "xl/tables/table1.xml", "xl/drawings/vmlDrawingHF1.vml", "xl/drawings/vmlDrawingHF2.vml",
                           "xl/media/image1.odd", "xl/media/image2.jpg"}) {
    auto it = e.find(kept);
    ASSERT_NE(it, e.end()) << kept;
    auto original = std::find_if(kPackage.begin(), kPackage.end(), [&](const auto& x) { return x.first == kept; });
    EXPECT_EQ(it->second, original->second) << kept;
  }
  for (const char* dropped : {"xl/calcChain.xml", "docProps/app.xml", "xl/printerSettings/printerSettings1.bin"}) {
    EXPECT_FALSE(e.count(dropped)) << dropped;
  }
  // Each kept source relates its own descendants, with the targets it had.
  EXPECT_NE(e["customXml/_rels/item1.xml.rels"].find("Target=\"itemProps1.xml\""), std::string::npos);
  EXPECT_NE(e["xl/drawings/_rels/vmlDrawingHF2.vml.rels"].find("Target=\"../media/image2.jpg\""), std::string::npos);
  EXPECT_NE(e["xl/drawings/_rels/drawing1.xml.rels"].find("Target=\"../media/image1.odd\""), std::string::npos);
  // A kept part typed by a Default of the read package keeps that type; the theme was kept, so no
  // second theme is written.
  EXPECT_NE(e["[Content_Types].xml"].find("Extension=\"odd\" ContentType=\"application/x-odd\""), std::string::npos);
  EXPECT_EQ(e["xl/_rels/workbook.xml.rels"].find("theme2"), std::string::npos);
  EXPECT_EQ(e["[Content_Types].xml"].find("calcChain"), std::string::npos);
}

TEST(FileData, NewWorkbookGetsDefaultPropertiesAndTheme) {
  workbook::TXc12FileData fd;
  TOPC_XLSX& p = OPCPackageOf(fd);
  io::TMemoryStream out;
  fd.BeginWrite(out);
  TOPCItem* wb = p.CreateWorkbook();
  auto data = Bytes("<workbook/>");
  p.WriteItem(wb, data);
  fd.EndWrite();
  std::string output(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(opc_testing::CheckPackage(output), std::vector<std::string>{});
  auto e = opc_testing::ReadZip(output);
  const std::string& core = e["docProps/core.xml"];
  EXPECT_NE(core.find("<dcterms:created xsi:type=\"dcterms:W3CDTF\" >2000-01-01T12:00:00Z"), std::string::npos) << core;
  const std::string& theme = e["xl/theme/theme1.xml"];
  TXpgSimpleDOM dom;
  XmlMemoryStream s(theme);
  dom.Parse(s);
  TXpgDOMNode* major = dom.Root()->Find(u"a:theme/a:themeElements/a:fontScheme/a:majorFont", true);
  ASSERT_NE(major, nullptr);
  EXPECT_EQ(major->GetCount(), 33);  // latin, ea, cs and 30 scripts
  EXPECT_EQ(major->GetItem(5)->Attributes.GetValue(u"script"), u"Hans");
  EXPECT_EQ(major->GetItem(5)->Attributes.GetValue(u"typeface"), u"宋体");
  EXPECT_NE(e["xl/_rels/workbook.xml.rels"].find("Target=\"theme/theme1.xml\""), std::string::npos);
  // Clear starts again from the defaults.
  fd.RootParts.Add(u"t", u"x.xml", {}, u"");
  fd.Clear();
  EXPECT_EQ(fd.RootParts.Count(), 0);
  ASSERT_NE(fd.DocPropsApp.Root()->Find(u"Properties", false), nullptr);
  EXPECT_EQ(fd.DocPropsApp.Root()->Find(u"Properties", false)->Attributes.GetCount(), 2);
}

TEST(FileData, PartsUnderUnregisteredSheetsAreRefused) {
  std::string input = opc_testing::MakeZip(kPackage);
  io::TPointerMemoryStream in(input.data(), input.size());
  workbook::TXc12FileData fd;
  TOPC_XLSX& p = OPCPackageOf(fd);
  fd.BeginRead(in);
  p.ReadWorkbook();
  p.ReadWorksheet("rId1");
  p.CloseSheet();
  try {
    fd.CollectUnreadParts();
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_STREQ(x.what(), "Unknown OPC sheet id \"rId1\"");
  }
}

}  // namespace
}  // namespace ooxml
