#include <gtest/gtest.h>

#include <functional>

#include "core/unicode.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/opc/tests/package_testing.h"

namespace ooxml {
namespace {

std::string U8(const std::u16string& s) { return core::utf16_to_utf8(s); }

io::TMemoryStream Bytes(const std::string& s) {
  return io::TMemoryStream(std::vector<std::uint8_t>(s.begin(), s.end()));
}

std::string Written(io::TMemoryStream& out) { return std::string(out.Bytes().begin(), out.Bytes().end()); }

// Every kind of part of the creation table, with the target, type, content type and part name it
// must get, created in one package that is then checked as a whole.
TEST(OPCXlsx, CreationTable) {
  io::TMemoryStream out;
  TOPC_XLSX opc;
  opc.OpenWrite(out, false);
  auto data = Bytes("<x/>");
  struct Row {
    std::function<TOPCItem*()> create;
    const char* target;
    const char16_t* type;
    const char16_t* content;  // nullptr: typed by a Default
    const char* part;
  };
  TOPCItem *sheet = nullptr, *table = nullptr, *chart = nullptr, *link = nullptr, *def = nullptr;
  const std::vector<Row> rows = {
      {[&] { return opc.AddCoreProperties(data); }, "docProps/core.xml", reltype::kCoreProperties,
       contenttype::kCoreProperties, "docProps/core.xml"},
      {[&] { return opc.CreateWorkbook(); }, "xl/workbook.xml", reltype::kOfficeDocument, contenttype::kWorkbook,
       "xl/workbook.xml"},
      {[&] { return opc.AddAppProperties(data); }, "docProps/app.xml", reltype::kExtendedProperties,
       contenttype::kExtendedProperties, "docProps/app.xml"},
      {[&] { return opc.AddTheme(data, 1); }, "theme/theme1.xml", reltype::kTheme, contenttype::kTheme,
       "xl/theme/theme1.xml"},
      {[&] { return sheet = opc.CreateWorksheet(1); }, "worksheets/sheet1.xml", reltype::kWorksheet,
       contenttype::kWorksheet, "xl/worksheets/sheet1.xml"},
      {[&] { return opc.CreateChartsheet(2); }, "chartsheets/sheet2.xml", reltype::kChartsheet,
       contenttype::kChartsheet, "xl/chartsheets/sheet2.xml"},
      {[&] { return opc.CreateStyles(); }, "styles.xml", reltype::kStyles, contenttype::kStyles, "xl/styles.xml"},
      {[&] { return opc.CreateSharedStrings(); }, "sharedStrings.xml", reltype::kSharedStrings,
       contenttype::kSharedStrings, "xl/sharedStrings.xml"},
      {[&] { return opc.CreateConnections(); }, "connections.xml", reltype::kConnections, contenttype::kConnections,
       "xl/connections.xml"},
      {[&] { return link = opc.CreateExternalLink(1); }, "externalLinks/externalLink1.xml", reltype::kExternalLink,
       contenttype::kExternalLink, "xl/externalLinks/externalLink1.xml"},
      {[&] { return def = opc.CreatePivotCacheDefinition(nullptr, 1); }, "pivotCache/pivotCacheDefinition1.xml",
       reltype::kPivotCacheDefinition, contenttype::kPivotCacheDefinition, "xl/pivotCache/pivotCacheDefinition1.xml"},
      {[&] { return opc.CreatePivotCacheRecords(def, 1); }, "pivotCacheRecords1.xml", reltype::kPivotCacheRecords,
       contenttype::kPivotCacheRecords, "xl/pivotCache/pivotCacheRecords1.xml"},
      {[&] { return opc.CreateDrawing(sheet, 1); }, "../drawings/drawing1.xml", reltype::kDrawing,
       contenttype::kDrawing, "xl/drawings/drawing1.xml"},
      {[&] { return opc.CreateVmlDrawing(sheet, 1); }, "../drawings/vmlDrawing1.vml", reltype::kVmlDrawing, nullptr,
       "xl/drawings/vmlDrawing1.vml"},
      {[&] { return opc.CreateComments(sheet, 1); }, "../comments1.xml", reltype::kComments, contenttype::kComments,
       "xl/comments1.xml"},
      {[&] { return table = opc.CreateTable(sheet); }, "../tables/table1.xml", reltype::kTable, contenttype::kTable,
       "xl/tables/table1.xml"},
      {[&] { return opc.CreateQueryTable(table); }, "../queryTables/queryTable1.xml", reltype::kQueryTable,
       contenttype::kQueryTable, "xl/queryTables/queryTable1.xml"},
      {[&] { return opc.CreatePivotTable(); }, "../pivotTables/pivotTable1.xml", reltype::kPivotTable,
       contenttype::kPivotTable, "xl/pivotTables/pivotTable1.xml"},
      {[&] { return chart = opc.CreateChart(); }, "../charts/chart1.xml", reltype::kChart, contenttype::kChart,
       "xl/charts/chart1.xml"},
      {[&] { return opc.CreateChartStyle(chart); }, "style1.xml", reltype::kChartStyle, contenttype::kChartStyle,
       "xl/charts/style1.xml"},
      {[&] { return opc.CreateChartColors(chart); }, "colors1.xml", reltype::kChartColorStyle,
       contenttype::kChartColorStyle, "xl/charts/colors1.xml"},
      {[&] { return opc.CreateImage(1, u"png"); }, "../media/image1.png", reltype::kImage, nullptr,
       "xl/media/image1.png"},
  };
  std::vector<std::string> parts;
  for (const Row& r : rows) {
    TOPCItem* item = r.create();
    ASSERT_NE(item, nullptr) << r.target;
    EXPECT_EQ(U8(item->GetTarget()), r.target);
    EXPECT_EQ(item->RelType, r.type) << r.target;
    EXPECT_EQ(U8(item->GetPartName()), r.part);
    EXPECT_EQ(item->OpenMode, kOPCWriting) << r.target;
    int o = opc.ContentTypes().IndexOfOverride(u"/" + item->GetPartName());
    if (r.content) {
      ASSERT_GE(o, 0) << r.part;
      EXPECT_EQ(opc.ContentTypes().GetItem(o)->ContentType, r.content);
    } else {
      EXPECT_EQ(o, -1) << r.part;
    }
    if (!opc.HasPart(item->GetPartName())) opc.WriteItem(item, data);
    parts.push_back(r.part);
  }
  // Core properties came first: the workbook is the root's second relationship.
  EXPECT_EQ(opc.WorkbookItem->GetId(), "rId2");
  std::string id;
  opc.AddPrinterSettings(sheet, data, id);
  EXPECT_EQ(U8(sheet->GetTargetOfId(id)), "../printerSettings/printerSettings1.bin");
  TOPCItem* link_path = opc.CreateExternalLinkPath(link, u"file:///C:/data/book.xlsx");
  EXPECT_EQ(link_path->TargetMode, kOPCExternal);
  opc.Close();
  std::string bytes = Written(out);
  EXPECT_EQ(opc_testing::CheckPackage(bytes), std::vector<std::string>{});
  auto entries = opc_testing::ReadZip(bytes);
  for (const auto& p : parts) EXPECT_TRUE(entries.count(p)) << p;
  EXPECT_TRUE(entries.count("xl/printerSettings/printerSettings1.bin"));
}

TEST(OPCXlsx, CountersAndWorkbookRules) {
  TOPC_XLSX opc;
  for (int save = 0; save < 2; ++save) {
    io::TMemoryStream out;
    opc.Clear();
    opc.OpenWrite(out, false);
    try {
      opc.CreateStyles();
      FAIL();
    } catch (const workbook::Exception& x) {
      EXPECT_STREQ(x.what(), "OPC Workbook is not open.");
    }
    opc.CreateWorkbook();
    try {
      opc.CreateWorkbook();
      FAIL();
    } catch (const workbook::Exception& x) {
      EXPECT_STREQ(x.what(), "OPC workbook is open");
    }
    TOPCItem* sheet = opc.CreateWorksheet(1);
    opc.CreateDrawing(sheet, 1);
    TOPCItem* chart = nullptr;
    for (int i = 0; i < 3; ++i) chart = opc.CreateChart();
    TOPCItem* style = opc.CreateChartStyle(chart);
    TOPCItem* colors = opc.CreateChartColors(chart);
    auto data = Bytes("x");
    std::string id;
    opc.AddPrinterSettings(sheet, data, id);
    // Charts keep counting across saves; printer settings start again.
    std::string n = std::to_string(3 + save * 3);
    EXPECT_EQ(U8(chart->GetTarget()), "../charts/chart" + n + ".xml");
    EXPECT_EQ(U8(style->GetTarget()), "style" + n + ".xml");
    EXPECT_EQ(U8(colors->GetTarget()), "colors" + n + ".xml");
    EXPECT_EQ(U8(sheet->GetTargetOfId(id)), "../printerSettings/printerSettings1.bin");
    opc.Close();
    EXPECT_EQ(opc.WorkbookItem, nullptr);
  }
}

// Parts whose extension no standard Default covers still get a content type.
TEST(OPCXlsx, EveryWrittenPartGetsAContentType) {
  io::TMemoryStream out;
  TOPC_XLSX opc;
  opc.OpenWrite(out, false);
  auto data = Bytes("GIF89a");
  opc.WriteItem(opc.CreateWorkbook(), data);
  TOPCItem* sheet = opc.CreateWorksheet(1);
  opc.WriteItem(sheet, data);
  opc.WriteItem(opc.CreateDrawing(sheet, 1), data);
  for (const char16_t* ext : {u"gif", u"jpg", u"tiff", u"svg", u"xyz", u"png"}) {
    static int n = 0;
    opc.WriteItem(opc.CreateImage(++n, ext), data);
  }
  TOPCItem* odd = opc.CreateItem(sheet, u"t", u"../embeddings/noextension", u"");
  opc.WriteItem(odd, data);
  opc.Close();
  std::string bytes = Written(out);
  EXPECT_EQ(opc_testing::CheckPackage(bytes), std::vector<std::string>{});
  std::string types = opc_testing::ReadZip(bytes)["[Content_Types].xml"];
  for (const char* s : {"Extension=\"gif\" ContentType=\"image/gif\"", "Extension=\"jpg\" ContentType=\"image/jpeg\"",
                        "Extension=\"tiff\" ContentType=\"image/tiff\"", "Extension=\"svg\" ContentType=\"image/svg+xml\"",
                        "Extension=\"xyz\" ContentType=\"application/octet-stream\"",
                        "ContentType=\"application/octet-stream\" PartName=\"/xl/embeddings/noextension\""}) {
    EXPECT_NE(types.find(s), std::string::npos) << s << "\n" << types;
  }
}

// A package with every kind of part the reader asks for, read through the reading table.
TEST(OPCXlsx, ReadingTable) {
  auto rel = [](const std::string& id, const char16_t* type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + U8(type) + "\" Target=\"" + target + "\"/>";
  };
  auto rels = [](const std::vector<std::string>& list) {
    std::string s = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto& r : list) s += r;
    return s + "</Relationships>";
  };
  opc_testing::Parts parts = {
      {"[Content_Types].xml", "<Types><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
      {"_rels/.rels", rels({rel("rId1", reltype::kOfficeDocument, "xl/workbook.xml"),
                           rel("rId2", reltype::kCoreProperties, "docProps/core.xml")})},
      {"docProps/core.xml", "core"},
      {"xl/workbook.xml", "workbook"},
      {"xl/_rels/workbook.xml.rels",
       rels({rel("rId1", reltype::kWorksheet, "worksheets/sheet1.xml"), rel("rId2", reltype::kStyles, "styles.xml"),
             rel("rId3", reltype::kChartsheet, "chartsheets/sheet2.xml"),
             rel("rId4", reltype::kCalcChain, "calcChain.xml"),
             rel("rId5", reltype::kPivotCacheDefinition, "pivotCache/pivotCacheDefinition1.xml")})},
      {"xl/styles.xml", "styles"},
      {"xl/calcChain.xml", "calc"},
      {"xl/chartsheets/sheet2.xml", "chartsheet"},
      {"xl/pivotCache/pivotCacheDefinition1.xml", "pcdef"},
      {"xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels",
       rels({rel("rId1", reltype::kPivotCacheRecords, "pivotCacheRecords1.xml")})},
      {"xl/pivotCache/pivotCacheRecords1.xml", "pcrec"},
      {"xl/worksheets/sheet1.xml", "sheet"},
      {"xl/worksheets/_rels/sheet1.xml.rels",
       rels({rel("rId1", reltype::kDrawing, "../drawings/drawing1.xml"),
             rel("rId2", reltype::kComments, "../comments1.xml"),
             rel("rId3", reltype::kTable, "../tables/table1.xml"),
             rel("rId4", reltype::kPivotTable, "../pivotTables/pivotTable1.xml"),
             rel("rId5", reltype::kVmlDrawing, "../drawings/vmlDrawing1.vml")})},
      {"xl/drawings/drawing1.xml", "drawing"},
      {"xl/drawings/_rels/drawing1.xml.rels",
       rels({rel("rId1", reltype::kImage, "../media/image1.png"), rel("rId2", reltype::kChart, "../charts/chart1.xml"),
             rel("rId3", reltype::kImage, "../media/image2.png")})},
      {"xl/media/image1.png", "png1"},
      {"xl/media/image2.png", "png2"},
      {"xl/charts/chart1.xml", "chart"},
      {"xl/comments1.xml", "comments"},
      {"xl/drawings/vmlDrawing1.vml", "vml"},
      {"xl/tables/table1.xml", "table"},
      {"xl/pivotTables/pivotTable1.xml", "pivot"},
      {"xl/pivotTables/_rels/pivotTable1.xml.rels",
       rels({rel("rId1", reltype::kPivotCacheDefinition, "../pivotCache/pivotCacheDefinition1.xml")})},
  };
  std::string bytes = opc_testing::MakeZip(parts);
  io::TPointerMemoryStream in(bytes.data(), bytes.size());
  TOPC_XLSX opc;
  opc.OpenRead(in, false);
  auto text = [](std::unique_ptr<io::TStream> s) {
    if (!s) return std::string("(nil)");
    std::string r(static_cast<std::size_t>(s->GetSize()), '\0');
    s->ReadBuffer(r.data(), static_cast<std::int64_t>(r.size()));
    return r;
  };
  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const workbook::Exception& x) {
      return std::string(x.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(text(opc.ReadWorkbook()), "workbook");
  EXPECT_EQ(text(opc.ReadCoreProperties()), "core");
  EXPECT_EQ(text(opc.ReadStyles()), "styles");
  EXPECT_EQ(text(opc.ReadSharedStrings()), "(nil)");
  EXPECT_EQ(text(opc.ReadConnections()), "(nil)");
  EXPECT_TRUE(opc.IsChartsheet("rId3"));
  EXPECT_FALSE(opc.IsChartsheet("rId1"));
  EXPECT_EQ(text(opc.ReadChartsheet("rid3")), "chartsheet");
  opc.CloseSheet();
  EXPECT_EQ(message([&] { opc.ReadWorksheet("rId9"); }), "Can not find worksheet in OPC");
  EXPECT_EQ(opc.SheetItem, nullptr);
  EXPECT_EQ(text(opc.ReadPivotCacheDefinition("rId5")), "pcdef");
  EXPECT_EQ(text(opc.ReadPivotCacheRecords("rId5", "rId1")), "pcrec");
  EXPECT_EQ(message([&] { opc.ReadPivotCacheRecords("rId7", "rId1"); }), "Can not find pivotCacheDefintion rId7 in OPC");
  EXPECT_EQ(message([&] { opc.ReadPivotCacheRecords("rId5", "rId2"); }), "Can not find pivotCacheRecords rId2 in OPC");
  EXPECT_EQ(message([&] { opc.ReadExternalLink("rId1"); }),
            "OPC Item is not of excpected type \"" + U8(reltype::kExternalLink) + "\"");
  EXPECT_EQ(text(opc.ReadWorksheet("rId1")), "sheet");
  EXPECT_EQ(message([&] { opc.ReadTable("rId1"); }),
            "OPC Item is not of excpected type \"" + U8(reltype::kTable) + "\"");
  EXPECT_EQ(text(opc.ReadVmlDrawing("rId5")), "vml");
  EXPECT_EQ(message([&] { opc.ReadVmlDrawing("rId8"); }), "Can not find VmlDrawing rId8 in OPC");
  EXPECT_EQ(text(opc.ReadTable("rId3")), "table");
  EXPECT_EQ(text(opc.ReadQueryTable()), "(nil)");
  opc.CloseTable();
  EXPECT_EQ(text(opc.ReadDrawing("rId1")), "drawing");
  std::vector<std::string> ids;
  EXPECT_TRUE(opc.GetDrawingImageIds(ids));
  EXPECT_EQ(ids, (std::vector<std::string>{"rId1", "rId3"}));
  std::u16string target;
  EXPECT_EQ(text(opc.ReadImage("rId3", target)), "png2");
  EXPECT_EQ(U8(target), "../media/image2.png");
  EXPECT_EQ(text(opc.ReadChart("rId2")), "chart");
  EXPECT_EQ(message([&] { opc.ReadChart("rId4"); }), "Can not find Chart in OPC");
  opc.CloseDrawing();
  ids.clear();
  EXPECT_TRUE(opc.GetSheetPivotTableIds(ids));
  EXPECT_EQ(text(opc.ReadPivotTable("rId4")), "pivot");
  opc.CloseSheet();
  EXPECT_EQ(message([&] { opc.CloseSheet(); }), "Close on not open OPC Item.");
  EXPECT_EQ(text(opc.ReadComments("rId1")), "comments");
  EXPECT_EQ(text(opc.ReadComments("rId42")), "(nil)");
  std::u16string link;
  opc.GetSheetRelTarget("rId1", "rId2", link);
  EXPECT_EQ(U8(link), "../comments1.xml");
  EXPECT_EQ(message([&] { opc.GetSheetRelTarget("rId9", "rId1", link); }), "Can not find worksheet in OPC");
  // The calculation chain was marked read at open and the pivot table's subtree by its read.
  TOPCItemList unread;
  opc.CollectUnread(unread);
  std::vector<std::string> names;
  for (int i = 0; i < unread.Count(); ++i) names.push_back(U8(unread.GetItem(i)->GetPartName()));
  EXPECT_EQ(names, (std::vector<std::string>{"xl/media/image1.png"}));
}

}  // namespace
}  // namespace ooxml
