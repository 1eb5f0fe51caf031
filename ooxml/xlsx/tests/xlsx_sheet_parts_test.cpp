// The parts a sheet refers to (comments with their VML note shapes, tables with their query tables,
// pivot tables, drawings with their images) and chartsheets, read from small packages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/unicode.h"
#include "ooxml/chart/gen/chart.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/xlsx/tests/xlsx_book_testing.h"
#include "ooxml/sheetdrawing/drawing_document.h"
#include "ooxml/xlsx/tests/drawing_parts_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/cell_store.h"
#include "workbook/comments_data.h"
#include "workbook/drawing_interface.h"
#include "workbook/manager.h"
#include "workbook/picture_store.h"
#include "workbook/pivot_data.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "workbook/worksheet_api.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;
using namespace xlsx_testing;

const char kMainNs[] = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
const char kRelNs[] = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
const char kRelType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const char kVmlNs[] =
    R"( xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel")";

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return R"(<Relationship Id=")" + id + R"(" Type=")" + kRelType + type + R"(" Target=")" + target + R"("/>)";
}

// A package of one sheet ("xl/worksheets/sheet1.xml", or a chartsheet "xl/chartsheets/sheet1.xml")
// with the sheet's relationships and any further parts; Workbook adds children to the workbook
// element after the sheets, BookRels relationships to the workbook part.
struct Pkg {
  std::string Sheet = "<sheetData/>";
  std::string SheetRels;
  bool Chartsheet = false;
  std::string Workbook;
  std::string BookRels;
  opc_testing::Parts More;

  std::string Zip() const {
    const std::string kind = Chartsheet ? "chartsheet" : "worksheet";
    const std::string sheetPart = Chartsheet ? "xl/chartsheets/sheet1.xml" : "xl/worksheets/sheet1.xml";
    const std::string rels = Chartsheet ? "xl/chartsheets/_rels/sheet1.xml.rels" : "xl/worksheets/_rels/sheet1.xml.rels";
    opc_testing::Parts parts = {
        {"[Content_Types].xml",
         R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/><Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>)"
         R"(<Default Extension="png" ContentType="image/png"/></Types>)"},
        {"_rels/.rels", std::string(kRelNs) + Rel("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"},
        {"xl/workbook.xml", std::string("<workbook") + kMainNs + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets>)" +
                                Workbook + "</workbook>"},
        {"xl/_rels/workbook.xml.rels",
         std::string(kRelNs) + Rel("rId1", kind, Chartsheet ? "chartsheets/sheet1.xml" : "worksheets/sheet1.xml") + BookRels +
             "</Relationships>"},
        {sheetPart, "<" + kind + kMainNs + ">" + Sheet + "</" + kind + ">"}};
    if (!SheetRels.empty()) parts.push_back({rels, std::string(kRelNs) + SheetRels + "</Relationships>"});
    parts.insert(parts.end(), More.begin(), More.end());
    return opc_testing::MakeZip(parts);
  }
};

// A component on the registered .xlsx road (sheets' drawing documents and their loader), or with
// the drawing loader given (an empty one leaves drawing parts unread).
class Book : public xlsx_testing::XlsxBook {
public:
  using XlsxBook::XlsxBook;
  wb::TXc12Manager& M() { return Manager(); }
  wb::TXLSSpreadsheet5& X() { return Component(); }
  wb::TXc12DataWorksheet& W() { return Sheet(); }
  // Names of the kept parts of the sheet, as their targets.
  std::vector<std::string> KeptNames() {
    std::vector<std::string> names;
    wb::TXc12FileData& f = *M().FileData;
    Collect(f.RootParts, names);
    Collect(f.WorkbookParts, names);
    if (wb::TXLSSavedFileDataSheet* s = f.SheetParts(0)) {
      Collect(s->Parts, names);
      Collect(s->Tables, names);
    }
    return names;
  }

private:
  static void Collect(const wb::TXLSSavedFileDataList& List, std::vector<std::string>& Names) {
    for (int i = 0; i < List.Count(); ++i) {
      Names.push_back(core::utf16_to_utf8(List.GetItems(i)->Target));
      if (List.GetItems(i)->Children) Collect(*List.GetItems(i)->Children, Names);
    }
  }
};

std::string Comments(const std::string& authors, const std::string& list) {
  return std::string("<comments") + kMainNs + "><authors>" + authors + "</authors><commentList>" + list +
         "</commentList></comments>";
}

std::string NoteShape(const std::string& attrs, const std::string& col, const std::string& row, const std::string& anchor) {
  std::string s = R"(<v:shape type="#_x0000_t202")" + attrs + R"(><v:fill color2="#ffffe1"/><x:ClientData ObjectType="Note">)";
  if (!anchor.empty()) s += "<x:Anchor>" + anchor + "</x:Anchor>";
  if (!row.empty()) s += "<x:Row>" + row + "</x:Row>";
  if (!col.empty()) s += "<x:Column>" + col + "</x:Column>";
  return s + "</x:ClientData></v:shape>";
}

std::string Vml(const std::string& shapes) {
  return std::string("<xml") + kVmlNs + R"(><o:shapelayout v:ext="edit"><o:idmap v:ext="edit" data="1"/></o:shapelayout>)" +
         R"(<v:shapetype id="_x0000_t202" coordsize="21600,21600" o:spt="202"/>)" + shapes + "</xml>";
}

Pkg WithNotes(const std::string& comments, const std::string& vml) {
  Pkg p;
  p.Sheet = R"(<sheetData/><legacyDrawing r:id="rId2"/>)";
  p.SheetRels = Rel("rId1", "comments", "../comments1.xml") + Rel("rId2", "vmlDrawing", "../drawings/vmlDrawing1.vml");
  p.More = {{"xl/comments1.xml", comments}, {"xl/drawings/vmlDrawing1.vml", vml}};
  return p;
}

// The names of the children of the VML document element, in order.
std::vector<std::u16string> VmlChildren(const wb::TXc12DataWorksheet& W) {
  std::vector<std::u16string> names;
  if (W.VmlDrawing.Root()->GetCount() == 0) return names;
  const ooxml::TXpgDOMNode& xml = *W.VmlDrawing.Root()->GetItem(0);
  for (int i = 0; i < xml.GetCount(); ++i) names.push_back(xml.GetItem(i)->Name);
  return names;
}

TEST(XlsxSheetParts, NotesTakeTheirAuthorsTextsAndShapes) {
  const std::string comments = Comments(
      "<author>Ann</author><author>Bo</author>",
      R"(<comment ref="C5" authorId="1" guid="{G1}"><text><t>plain</t></text></comment>)"
      R"(<comment ref="A1" authorId="0"><text><r><rPr><b/><sz val="9"/></rPr><t>Ann:</t></r><r><t xml:space="preserve"> rich</t></r></text></comment>)"
      R"(<comment ref="B2" authorId="0"><text><t>no anchor</t></text></comment>)");
  const std::string vml = Vml(NoteShape(R"( fillcolor="#ff0000")", "2", "4", "2, 15, 3, 10, 4, 15, 7, 4") +
                              NoteShape("", "5", "5", "1,2,3,4,5,6,7,8") +  // a cell without a note
                              NoteShape(R"( fillcolor="infoBackground [80]")", "0", "0", "0,1,2,3,4,5,6,7") +
                              NoteShape(R"( fillcolor="#00ff00")", "1", "1", "1, 2, x, 4, 5, 6, 7, 8"));
  Book b;
  b.Load(WithNotes(comments, vml).Zip());
  const wb::TXc12Comments& notes = b.W().Comments;
  ASSERT_EQ(notes.Count(), 3);
  ASSERT_EQ(notes.Authors.Count(), 2);

  const wb::TXc12Comment& c5 = *notes.GetItems(0);
  EXPECT_EQ(c5.Col, 2);
  EXPECT_EQ(c5.Row, 4);
  EXPECT_EQ(c5.FirstCol, 2);
  EXPECT_EQ(c5.FirstRow, 4);
  EXPECT_EQ(c5.Text, u"plain");
  EXPECT_TRUE(c5.FontRuns.empty());
  EXPECT_EQ(c5.Guid, u"{G1}");
  ASSERT_NE(c5.Author, nullptr);
  EXPECT_EQ(c5.Author->Name, u"Bo");
  EXPECT_EQ(c5.FillColor, 0xFF0000u);
  const std::int32_t anchor[8] = {2, 15, 3, 10, 4, 15, 7, 4};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(c5.Anchor[i], anchor[i]) << i;
  ASSERT_NE(c5.Shape, nullptr);
  EXPECT_EQ(c5.Shape->Attributes.GetValue(u"fillcolor"), u"#ff0000");

  const wb::TXc12Comment& a1 = *notes.GetItems(1);
  EXPECT_EQ(a1.Text, u"Ann: rich");
  EXPECT_FALSE(a1.FontRuns.empty());
  EXPECT_EQ(a1.Author->Name, u"Ann");
  // A fill colour that is no number keeps the default note colour.
  EXPECT_EQ(a1.FillColor, 0xFFFFE1u);
  EXPECT_EQ(a1.Anchor[7], 7);

  // A damaged anchor costs only the anchor: the note keeps its shape and fill.
  const wb::TXc12Comment& b2 = *notes.GetItems(2);
  EXPECT_NE(b2.Shape, nullptr);
  EXPECT_EQ(b2.FillColor, 0x00FF00u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b2.Anchor[i], 0) << i;

  // The shape of the cell without a note and everything that is no shape stay in the VML tree.
  const std::vector<std::u16string> left = {u"o:shapelayout", u"v:shapetype", u"v:shape"};
  EXPECT_EQ(VmlChildren(b.W()), left);
}

TEST(XlsxSheetParts, NotesAndVmlAlone) {
  {
    SCOPED_TRACE("comments without a VML drawing keep the default fill and anchor");
    Pkg p;
    p.SheetRels = Rel("rId1", "comments", "../comments1.xml");
    p.More = {{"xl/comments1.xml", Comments("<author>A</author>", R"(<comment ref="D4" authorId="0"><text><t>x</t></text></comment>)")}};
    Book b;
    b.Load(p.Zip());
    ASSERT_EQ(b.W().Comments.Count(), 1);
    const wb::TXc12Comment& n = *b.W().Comments.GetItems(0);
    EXPECT_EQ(n.FillColor, 0xFFFFE1u);
    EXPECT_EQ(n.Shape, nullptr);
    EXPECT_TRUE(b.W().VmlDrawing.IsEmpty());
  }
  {
    SCOPED_TRACE("a VML drawing without comments is kept whole");
    Pkg p = WithNotes(Comments("", ""), Vml(NoteShape("", "0", "0", "0,0,0,0,1,1,1,1")));
    Book b;
    b.Load(p.Zip());
    EXPECT_EQ(b.W().Comments.Count(), 0);
    const std::vector<std::u16string> all = {u"o:shapelayout", u"v:shapetype", u"v:shape"};
    EXPECT_EQ(VmlChildren(b.W()), all);
  }
  {
    SCOPED_TRACE("shapes under prefixes of their own are found by namespace");
    const std::string vml =
        R"(<xml><ns0:shape xmlns:ns0="urn:schemas-microsoft-com:vml" fillcolor="#123456"><ns2:ClientData xmlns:ns2="urn:schemas-microsoft-com:office:excel" ObjectType="Note">)"
        R"(<ns2:Anchor>1,2,3,4,5,6,7,8</ns2:Anchor><ns2:Row>0</ns2:Row><ns2:Column>0</ns2:Column></ns2:ClientData></ns0:shape>)"
        R"(<v:shape xmlns:v="urn:other"><x:ClientData xmlns:x="urn:other"><x:Row>0</x:Row><x:Column>0</x:Column></x:ClientData></v:shape></xml>)";
    Pkg p = WithNotes(Comments("<author>A</author>", R"(<comment ref="A1" authorId="0"><text><t>x</t></text></comment>)"), vml);
    Book b;
    b.Load(p.Zip());
    const wb::TXc12Comment& n = *b.W().Comments.GetItems(0);
    ASSERT_NE(n.Shape, nullptr);
    EXPECT_EQ(n.FillColor, 0x123456u);
    EXPECT_EQ(n.Anchor[7], 8);
    // "v:" bound to another namespace is no VML shape.
    EXPECT_EQ(VmlChildren(b.W()), std::vector<std::u16string>{u"v:shape"});
  }
  {
    SCOPED_TRACE("shapes without column or row stay");
    Pkg p = WithNotes(Comments("<author>A</author>", R"(<comment ref="A1" authorId="0"><text><t>x</t></text></comment>)"),
                      Vml(NoteShape("", "", "0", "0,0,0,0,1,1,1,1") + NoteShape("", "0", "-1", "0,0,0,0,1,1,1,1")));
    Book b;
    b.Load(p.Zip());
    EXPECT_EQ(b.W().Comments.GetItems(0)->Shape, nullptr);
    EXPECT_EQ(VmlChildren(b.W()).size(), 4u);
  }
}

TEST(XlsxSheetParts, DamagedNotesAndMissingParts) {
  struct Case {
    const char* name;
    Pkg pkg;
    std::string error;  // "" when the read succeeds
    int notes;
  };
  const std::string shape = Vml(NoteShape("", "0", "0", "0,0,0,0,1,1,1,1"));
  Pkg vmlMissing;
  vmlMissing.Sheet = R"(<sheetData/><legacyDrawing r:id="rId2"/>)";
  Pkg tableMissing;
  tableMissing.Sheet = R"(<sheetData/><tableParts count="1"><tablePart r:id="rId4"/></tableParts>)";
  Pkg pivotMissing;
  pivotMissing.SheetRels = Rel("rId3", "pivotTable", "../pivotTables/pivotTable9.xml");
  const Case cases[] = {
      {"an author beyond the authors list",
       WithNotes(Comments("<author>A</author>", R"(<comment ref="A1" authorId="1"><text><t>x</t></text></comment>)"), shape),
       "Comment at A1 names author 1, which the comments part does not list", 0},
      {"a comment without a usable cell is left out",
       WithNotes(Comments("<author>A</author>", R"(<comment ref="1A" authorId="0"><text><t>x</t></text></comment>)"
                                                R"(<comment ref="B1" authorId="0"><text><t>y</t></text></comment>)"),
                 shape),
       "", 1},
      {"a VML part that is no XML", WithNotes(Comments("", ""), "<xml><v:shape></xml>"), "*", 0},
      {"a missing VML part", vmlMissing, "Can not find VmlDrawing rId2 in OPC", 0},
      {"a missing table part", tableMissing, "Can not find Table in OPC", 0},
      {"a missing pivot table part", pivotMissing, "pivotTable9.xml", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b;
    const std::string error = b.Error(c.pkg.Zip());
    if (c.error == "*") {
      EXPECT_FALSE(error.empty());
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      if (c.error.empty()) {
        EXPECT_EQ(b.W().Comments.Count(), c.notes);
      }
    }
  }
}

const char kTable[] =
    R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="3" name="Sales" displayName="Sales" ref="B2:D6")"
    R"( totalsRowCount="1" headerRowDxfId="4" comment="q1" connectionId="2" tableType="queryTable">)"
    R"(<autoFilter ref="B2:D5"><filterColumn colId="1"><filters><filter val="7"/></filters></filterColumn></autoFilter>)"
    R"(<sortState ref="B3:D5"><sortCondition descending="1" ref="C3:C5"/></sortState>)"
    R"(<tableColumns count="3"><tableColumn id="1" name="Item" totalsRowLabel="Total" queryTableFieldId="1"/>)"
    R"(<tableColumn id="2" name="Qty" totalsRowFunction="sum" dataDxfId="5"><totalsRowFormula>SUBTOTAL(109,[Qty])</totalsRowFormula></tableColumn>)"
    R"(<tableColumn id="3" name="Twice&#10;Qty" uniqueName="u3"><calculatedColumnFormula array="1">Sales[[#This Row],[Qty]]*2</calculatedColumnFormula>)"
    R"(<xmlColumnPr mapId="1" xpath="/r/q" xmlDataType="integer"/></tableColumn></tableColumns>)"
    R"(<tableStyleInfo name="TableStyleMedium2" showFirstColumn="0" showLastColumn="1" showRowStripes="1" showColumnStripes="0"/></table>)";

TEST(XlsxSheetParts, TablesWithTheirColumnsAndQueryTables) {
  Pkg p;
  p.Sheet = R"(<sheetData/><tableParts count="2"><tablePart r:id="rId4"/><tablePart r:id="rId5"/></tableParts>)";
  p.SheetRels = Rel("rId4", "table", "../tables/table1.xml") + Rel("rId5", "table", "../tables/table2.xml");
  p.More = {{"xl/tables/table1.xml", kTable},
            {"xl/tables/_rels/table1.xml.rels", std::string(kRelNs) + Rel("rId1", "queryTable", "../queryTables/queryTable1.xml") + "</Relationships>"},
            {"xl/queryTables/queryTable1.xml", R"(<queryTable xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" name="Q" connectionId="2"><queryTableRefresh nextId="4"/></queryTable>)"},
            {"xl/tables/table2.xml", std::string("<table") + kMainNs + R"( id="4" name="T2" displayName="T2" ref="F1:F3" headerRowCount="0" totalsRowShown="0"><tableColumns count="1"><tableColumn id="1" name="A"/></tableColumns></table>)"}};
  Book b;
  b.Load(p.Zip());
  const wb::TXc12Tables& tables = b.W().Tables;
  ASSERT_EQ(tables.Count(), 2);
  const wb::TXc12Table& t = *tables.GetItems(0);
  EXPECT_EQ(t.id, 3);
  EXPECT_EQ(t.Name, u"Sales");
  EXPECT_EQ(t.comment, u"q1");
  EXPECT_EQ(t.Ref.Col1, 1);
  EXPECT_EQ(t.Ref.Row1, 1);
  EXPECT_EQ(t.Ref.Col2, 3);
  EXPECT_EQ(t.Ref.Row2, 5);
  EXPECT_EQ(t.tableType, 2);  // queryTable
  EXPECT_EQ(t.totalsRowCount, 1);
  EXPECT_EQ(t.headerRowCount, 1);
  EXPECT_EQ(t.headerRowDxfId, u"4");
  EXPECT_EQ(t.connectionId, 2);
  EXPECT_EQ(t.AutoFilter.Ref.Row2, 4);
  ASSERT_EQ(t.AutoFilter.Columns.Count(), 1);
  EXPECT_EQ(t.AutoFilter.Columns.GetItems(0)->colId, 1);
  ASSERT_EQ(t.SortState.SortConditions.Count(), 1);
  EXPECT_TRUE(t.SortState.SortConditions.GetItems(0)->descending);
  ASSERT_EQ(t.Columns.Count(), 3);
  EXPECT_EQ(t.Columns.GetItems(0)->totalsRowLabel, u"Total");
  EXPECT_EQ(t.Columns.GetItems(0)->queryTableFieldId, 1);
  const wb::TXc12TableColumn& qty = *t.Columns.GetItems(1);
  EXPECT_EQ(qty.totalsRowFunction, 1);  // sum
  EXPECT_EQ(qty.dataDxfId, u"5");
  EXPECT_EQ(qty.TotalsRowFormula.Text, u"SUBTOTAL(109,[Qty])");
  EXPECT_FALSE(qty.TotalsRowFormula.Array);
  const wb::TXc12TableColumn& twice = *t.Columns.GetItems(2);
  EXPECT_EQ(twice.Name, u"Twice\nQty");
  EXPECT_EQ(twice.uniqueName, u"u3");
  EXPECT_TRUE(twice.CalculatedColumnFormula.Array);
  EXPECT_EQ(twice.CalculatedColumnFormula.Text, u"Sales[[#This Row],[Qty]]*2");
  EXPECT_EQ(twice.XmlColumnPr.mapId, 1);
  EXPECT_EQ(twice.XmlColumnPr.xpath, u"/r/q");
  EXPECT_EQ(t.StyleInfo.name, u"TableStyleMedium2");
  EXPECT_TRUE(t.StyleInfo.showLastColumn);
  EXPECT_TRUE(t.StyleInfo.showRowStripes);
  EXPECT_FALSE(t.StyleInfo.showFirstColumn);
  ASSERT_FALSE(t.QueryTable.IsEmpty());
  EXPECT_EQ(t.QueryTable.Root()->GetItem(0)->Attributes.GetValue(u"name"), u"Q");
  EXPECT_NE(t.QueryTable.Root()->GetItem(0)->Find(u"queryTableRefresh", false), nullptr);

  const wb::TXc12Table& t2 = *tables.GetItems(1);
  EXPECT_EQ(t2.headerRowCount, 0);
  EXPECT_FALSE(t2.totalsRowShown);
  EXPECT_TRUE(t2.QueryTable.IsEmpty());
  // Tables and query tables are read, so they are no longer kept as unknown parts.
  for (const std::string& n : b.KeptNames()) EXPECT_EQ(n.find("table"), std::string::npos) << n;
}

TEST(XlsxSheetParts, PivotTablesFindTheirCache) {
  const std::string pivot =
      R"(<pivotTableDefinition xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" name="P" cacheId="%"><location ref="A3:B7"/></pivotTableDefinition>)";
  auto withCache = [&](const std::string& cacheId) {
    Pkg p;
    p.SheetRels = Rel("rId3", "pivotTable", "../pivotTables/pivotTable1.xml");
    std::string part = pivot;
    part.replace(part.find('%'), 1, cacheId);
    p.More = {{"xl/pivotTables/pivotTable1.xml", part},
              {"xl/pivotCache/pivotCacheDefinition1.xml",
               std::string("<pivotCacheDefinition") + kMainNs + R"( recordCount="0"><cacheSource type="worksheet"/></pivotCacheDefinition>)"}};
    p.Workbook = R"(<pivotCaches><pivotCache cacheId="5" r:id="rId7"/></pivotCaches>)";
    p.BookRels = Rel("rId7", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml");
    return p.Zip();
  };
  struct Case {
    const char* name;
    std::string cacheId;
    bool linked;
  };
  const Case cases[] = {{"a matching cache id", "5", true}, {"no cache of that id", "6", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b;
    b.Load(withCache(c.cacheId));
    ASSERT_EQ(b.W().PivotTables.Count(), 1);
    const wb::TXLSPivotTable& t = *b.W().PivotTables.GetItems(0);
    EXPECT_EQ(t.DOM.Root()->GetItem(0)->Attributes.GetValue(u"name"), u"P");
    ASSERT_EQ(b.M().Workbook->PivotCaches.Count(), 1);
    wb::TXLSPivotCacheDefinition* cache = b.M().Workbook->PivotCaches.GetItems(0);
    EXPECT_EQ(t.CacheDefinition, c.linked ? cache : nullptr);
    EXPECT_EQ(cache->UseCount, c.linked ? 1 : 0);
  }
}

// A drawing of two pictures that show the same image part, a GIF picture and a chart.
Pkg WithDrawing(bool chartsheet) {
  Pkg p;
  p.Chartsheet = chartsheet;
  p.Sheet = chartsheet ? R"(<sheetViews><sheetView zoomScale="80" workbookViewId="0" zoomToFit="1"/></sheetViews><drawing r:id="rId1"/>)"
                       : R"(<sheetData/><drawing r:id="rId1"/>)";
  p.SheetRels = Rel("rId1", "drawing", "../drawings/drawing1.xml");
  p.More = {{"xl/drawings/drawing1.xml", DrawingXml(Picture(2, "rId1") + Picture(3, "rId2") + Picture(4, "rId3") + ChartFrame(5, "rId4"))},
            {"xl/drawings/_rels/drawing1.xml.rels",
             std::string(kRelNs) + Rel("rId1", "image", "../media/image1.png") + Rel("rId2", "image", "../media/image1.png") +
                 Rel("rId3", "image", "../media/picture.gif") + Rel("rId4", "chart", "../charts/chart1.xml") + "</Relationships>"},
            {"xl/media/image1.png", std::string("\x89PNG\r\n\x1a\n", 8)},
            {"xl/media/picture.gif", "GIF89a"},
            {"xl/charts/chart1.xml", LineChart("S!$B$2:$B$6")}};
  return p;
}

TEST(XlsxSheetParts, DrawingsAndTheirImages) {
  for (bool chartsheet : {false, true}) {
    SCOPED_TRACE(chartsheet ? "chartsheet" : "worksheet");
    Book b;
    b.Load(WithDrawing(chartsheet).Zip());
    EXPECT_EQ(b.W().IsChartsheet, chartsheet);
    const wb::TXc12GraphicImages& images = b.M().Graphics->Images;
    ASSERT_EQ(images.Count(), 2);
    // One image part used twice is stored once with two uses.
    EXPECT_EQ(images.GetItems(0)->Name, u"xl/media/image1.png");
    EXPECT_EQ(images.GetItems(0)->RefCount, 2);
    EXPECT_EQ(images.GetItems(0)->ImageType, wb::xitPng);
    EXPECT_EQ(images.GetItems(0)->Data.size(), 8u);
    EXPECT_EQ(images.GetItems(0)->OwnerId, u"xl/drawings/drawing1.xml");
    // An image type the store has no kind for keeps its own name (and so its extension).
    EXPECT_EQ(images.GetItems(1)->Name, u"xl/media/picture.gif");
    EXPECT_EQ(images.GetItems(1)->ImageType, wb::xitUnknown);
    EXPECT_EQ(images.GetItems(1)->RelationshipId, u"rId3");
    // The three pictures and the chart are in the sheet's drawing document, each picture showing
    // its stored image.
    auto* doc = dynamic_cast<ooxml::sheetdrawing::TXPGDocXLSXDrawing*>(b.W().Drawing.get());
    ASSERT_NE(doc, nullptr);
    std::vector<wb::TXLSAnchorInfo> anchors;
    doc->GetAnchors(anchors);
    ASSERT_EQ(anchors.size(), 4u);
    const wb::TXc12GraphicImage* shown[3] = {};
    for (int i = 0; i < 3; ++i) {
      wb::TXLSAnchorMarker from, to;
      wb::TXc12GraphicImage* image = nullptr;
      EXPECT_TRUE(anchors[i].PictureWithBlip);
      ASSERT_TRUE(doc->GetPictureAnchor(anchors[i].Element, from, to, image));
      shown[i] = image;
    }
    EXPECT_EQ(shown[0], images.GetItems(0));
    EXPECT_EQ(shown[1], images.GetItems(0));
    EXPECT_EQ(shown[2], images.GetItems(1));
    EXPECT_TRUE(anchors[3].Chart);
    ASSERT_NE(anchors[3].ChartRef, nullptr);
    // Nothing of the drawing is kept besides: it is all in the document.
    for (const std::string& n : b.KeptNames()) EXPECT_EQ(n.find("drawing"), std::string::npos) << n;
  }
}

TEST(XlsxSheetParts, WithoutDrawingBindingsTheDrawingIsKeptWhole) {
  Book b{ooxml::TXlsxDrawingLoader()};
  b.Load(WithDrawing(false).Zip());
  EXPECT_EQ(b.M().Graphics->Images.Count(), 0);
  const std::vector<std::string> kept = b.KeptNames();
  for (const char* part : {"drawing1.xml", "image1.png", "chart1.xml"}) {
    bool found = false;
    for (const std::string& n : kept) found = found || n.find(part) != std::string::npos;
    EXPECT_TRUE(found) << part;
  }
}

// The worksheet's drawing interface over the drawing document of a read sheet: it lists the
// pictures, text boxes, shapes, word art and charts the part holds; a chart series changed through
// it is changed in the sheet's drawing document, which writes it out so; a picture added through it
// goes into that document and the picture shared by two anchors is written once.
TEST(XlsxSheetParts, TheWorksheetDrawingInterfaceRunsOnTheReadDocument) {
  Pkg p;
  p.Sheet = R"(<sheetData/><drawing r:id="rId1"/>)";
  p.SheetRels = Rel("rId1", "drawing", "../drawings/drawing1.xml");
  p.More = {{"xl/drawings/drawing1.xml", DrawingXml(Picture(2, "rId1") + Shape(7, "rect", true, "A note") + ChartFrame(8, "rId2") +
                                                    Shape(9, "ellipse", false, "Text in an ellipse") + WordArt(3) +
                                                    Picture(1500, "rId1"))},
            {"xl/drawings/_rels/drawing1.xml.rels",
             std::string(kRelNs) + Rel("rId1", "image", "../media/image1.png") + Rel("rId2", "chart", "../charts/chart1.xml") +
                 "</Relationships>"},
            {"xl/media/image1.png", std::string("\x89PNG\r\n\x1a\n", 8)},
            {"xl/charts/chart1.xml", LineChart("S!$B$2:$B$6")}};
  Book b;
  b.Load(p.Zip());
  wb::TXLSDrawing& d = *b.X().GetItem(0)->GetDrawing();
  ASSERT_NE(d.GetDocument(), nullptr);
  EXPECT_EQ(d.Images.Count(), 2);
  EXPECT_EQ(d.TextBoxes.Count(), 1);
  EXPECT_EQ(d.Shapes.Count(), 1);
  EXPECT_EQ(d.WordArts.Count(), 1);
  ASSERT_EQ(d.Charts.Count(), 1);
  EXPECT_EQ(d.NextId, 1500);

  // Both pictures show the one stored image, where the part places them.
  const wb::TXc12GraphicImages& images = b.M().Graphics->Images;
  ASSERT_EQ(images.Count(), 1);
  wb::TXLSAnchorMarker from, to;
  wb::TXc12GraphicImage* image = nullptr;
  ASSERT_TRUE(static_cast<wb::TXLSDrawingImage*>(d.Images.Items.GetItem(0))->GetPlacement(from, to, image));
  EXPECT_EQ(image, images.GetItems(0));
  EXPECT_EQ(from.Col, 1);
  EXPECT_EQ(from.Row, 2);
  EXPECT_EQ(to.Col, 3);
  EXPECT_EQ(to.ColOff, 12700);
  EXPECT_EQ(to.RowOff, 25400);

  // The chart's one series, changed through the interface.
  auto* chart = static_cast<ooxml::chart::TXPGDocXLSXChart*>(
      static_cast<wb::TXLSDrawingChart*>(d.Charts.Items.GetItem(0))->ChartRef);
  ASSERT_NE(chart, nullptr);
  const ooxml::chart::TCT_PlotArea& plot = *chart->GetChartSpace()->chart->plotArea;
  ASSERT_EQ(plot.charts.Count(), 1);
  EXPECT_EQ(plot.charts.NameAt(0), u"c:lineChart");
  auto* line = dynamic_cast<ooxml::chart::TCT_LineChart*>(plot.charts.GetItems(0));
  ASSERT_NE(line, nullptr);
  ASSERT_EQ(line->shared->ser.Count(), 1);
  ooxml::chart::TCT_LineSer& series = *line->shared->ser[0];
  EXPECT_EQ(series.shared->tx->strRef->f, u"S!B1");
  EXPECT_EQ(series.cat->strRef->f, u"S!$A$2:$A$6");
  EXPECT_EQ(series.val->numRef->f, u"S!$B$2:$B$6");
  series.val->numRef->f = u"S!$C$2:$C$6";

  // A picture added on top.
  const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                         0, 0, 0, 2, 0, 0, 0, 3, 8, 6, 0, 0, 0, 0, 0, 0, 0};
  wb::TPointerMemoryStream added(png.data(), static_cast<std::int64_t>(png.size()));
  ASSERT_NE(d.AddImage(u"dot.png", added, wb::TXLSImageAnchor{4, 4, 6, 8, 0, 0, 0.5, 0.5}), nullptr);
  EXPECT_EQ(d.Images.Count(), 3);

  // The sheet's drawing document, written: the changed reference, each image part once.
  auto* doc = dynamic_cast<ooxml::sheetdrawing::TXPGDocXLSXDrawing*>(b.W().Drawing.get());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(static_cast<wb::IXLSDrawingDocument*>(doc), d.GetDocument());
  io::TMemoryStream out;
  {
    ooxml::TOPC_XLSX package;
    package.OpenWrite(out, false);
    io::TMemoryStream empty;
    package.WriteItem(package.CreateWorkbook(), empty);
    ooxml::TOPCItem* sheet = package.CreateWorksheet(1);
    package.WriteItem(sheet, empty);
    b.M().Graphics->ResetWritten();
    ASSERT_NE(doc->SaveToPackage(package, sheet, 1), nullptr);
    package.Close();
  }
  const std::string written(out.Bytes().begin(), out.Bytes().end());
  const auto parts = opc_testing::ReadZip(written);
  std::vector<std::string> media;
  for (const auto& [name, bytes] : parts)
    if (name.rfind("xl/media/", 0) == 0) media.push_back(name);
  EXPECT_EQ(media, (std::vector<std::string>{"xl/media/image1.png", "xl/media/image2.png"}));
  ASSERT_EQ(parts.count("xl/charts/chart1.xml"), 1u);
  EXPECT_NE(parts.at("xl/charts/chart1.xml").find("<c:f>S!$C$2:$C$6</c:f>"), std::string::npos);
  const std::string& drawing = parts.at("xl/drawings/drawing1.xml");
  for (const char* object : {"name=\"Shape 7\"", "name=\"Shape 9\"", "name=\"WordArt\"", "name=\"Picture 1500\"", "name=\"Chart 8\""})
    EXPECT_NE(drawing.find(object), std::string::npos) << object;
  int pictures = 0;
  for (std::size_t at = drawing.find("<xdr:pic>"); at != std::string::npos; at = drawing.find("<xdr:pic>", at + 1)) ++pictures;
  EXPECT_EQ(pictures, 3);
}

TEST(XlsxSheetParts, Chartsheets) {
  struct Case {
    const char* name;
    std::string xml;
    int views;
    int zoom;
    bool zoomToFit;
  };
  const Case cases[] = {
      {"without views the sheet keeps its default view", R"(<drawing r:id="rId1"/>)", 1, 100, false},
      {"views replace the default",
       R"(<sheetPr codeName="Chart1" published="0"><tabColor rgb="FF00B050"/></sheetPr><sheetViews><sheetView zoomScale="80" workbookViewId="0" zoomToFit="1" tabSelected="1"/>)"
       R"(<sheetView workbookViewId="1"/></sheetViews><sheetProtection password="CC1A" content="1" objects="1"/>)"
       R"(<pageMargins left="0.5" right="0.5" top="1" bottom="1" header="0.3" footer="0.3"/><headerFooter><oddHeader>&amp;CChart</oddHeader></headerFooter><drawing r:id="rId1"/>)",
       2, 80, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Pkg p = WithDrawing(true);
    p.Sheet = c.xml;
    Book b;
    b.Load(p.Zip());
    const wb::TXc12DataWorksheet& w = b.W();
    EXPECT_TRUE(w.IsChartsheet);
    ASSERT_EQ(w.SheetViews.Count(), c.views);
    EXPECT_EQ(w.SheetViews.GetItem(0)->zoomScale, c.zoom);
    EXPECT_EQ(w.SheetViews.GetItem(0)->zoomToFit, c.zoomToFit);
    if (c.views == 2) {
      EXPECT_TRUE(w.SheetViews.GetItem(0)->tabSelected);
      EXPECT_EQ(w.SheetViews.GetItem(1)->workbookViewId, 1);
      EXPECT_EQ(w.SheetPr.codeName, u"Chart1");
      EXPECT_FALSE(w.SheetPr.published);
      EXPECT_EQ(w.SheetPr.tabColor.RGB, 0xFF00B050u);
      EXPECT_EQ(w.SheetProtection.password, 0xCC1A);
      EXPECT_TRUE(w.SheetProtection.objects);
      EXPECT_DOUBLE_EQ(w.PageMargins.left, 0.5);
      EXPECT_EQ(w.HeaderFooter.oddHeader, u"&CChart");
    }
    // A chartsheet has no cells.
    w.Cells->BeginIterate(0);
    EXPECT_FALSE(w.Cells->IterNext());
  }
}

// The workbooks of three producers (fixtures/make_parts_fixtures.py): every note gets its author
// and its shape with the anchor the VML part gives (read here from the part's text), tables keep
// their totals row, LibreOffice's pivot table finds its cache, chart sheets stand in their place.
TEST(XlsxSheetParts, ProducersWorkbooks) {
  struct Case {
    const char* file;
    std::vector<std::u16string> sheets;  // "*" marks a chart sheet
    std::vector<std::u16string> authors;
    std::vector<std::u16string> tables;  // of the first sheet, each with a totals row
    int pivots;                          // pivot tables of the last sheet
  };
  const Case cases[] = {
      {"parts.openpyxl.xlsx", {u"Data", u"*Prices"}, {u"Ann", u"Bo"}, {u"Sales"}, 0},
      // LibreOffice writes one blank author for all notes.
      {"parts.libreoffice.xlsx", {u"Data", u"Prices", u"Pivot"}, {u" ", u" "}, {u"Sales", u"Stock"}, 1},
      {"parts.libxlsxwriter.xlsx", {u"Data", u"*Trend", u"Other"}, {u"Ann", u"Bo"}, {u"Stock"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string zip = opc_testing::ReadFile(std::string(THC_XLSX_TESTS) + "/fixtures/" + c.file);
    ASSERT_FALSE(zip.empty());
    Book b;
    b.Load(zip);
    wb::TXc12DataWorksheets& sheets = *b.M().Worksheets;
    ASSERT_EQ(sheets.Count(), static_cast<int>(c.sheets.size()));
    for (int i = 0; i < sheets.Count(); ++i) {
      const bool chart = c.sheets[i][0] == u'*';
      EXPECT_EQ(sheets.GetItem(i)->Name, chart ? c.sheets[i].substr(1) : c.sheets[i]);
      EXPECT_EQ(sheets.GetItem(i)->IsChartsheet, chart);
    }
    // The anchors the VML part holds, in order, read from its text.
    std::vector<std::string> anchors;
    for (const auto& [name, bytes] : opc_testing::ReadZip(zip)) {
      if (name.find(".vml") == std::string::npos) continue;
      for (std::size_t p = bytes.find("Anchor>"); p != std::string::npos; p = bytes.find("Anchor>", p + 7))
        if (bytes[p - 1] != '/') anchors.push_back(bytes.substr(p + 7, bytes.find('<', p) - p - 7));
    }
    const wb::TXc12DataWorksheet& data = *sheets.GetItem(0);
    const wb::TXc12Comments& notes = data.Comments;
    ASSERT_EQ(notes.Count(), static_cast<int>(c.authors.size()));
    for (int i = 0; i < notes.Count(); ++i) {
      const wb::TXc12Comment& n = *notes.GetItems(i);
      ASSERT_NE(n.Author, nullptr);
      EXPECT_EQ(n.Author->Name, c.authors[i]);
      EXPECT_NE(n.Shape, nullptr) << i;
      if (anchors.size() != static_cast<std::size_t>(notes.Count())) continue;
      std::string mine;
      for (int k = 0; k < 8; ++k) mine += (k ? "," : "") + std::to_string(n.Anchor[k]);
      std::string theirs = anchors[static_cast<std::size_t>(i)];
      std::erase(theirs, ' ');
      EXPECT_EQ(mine, theirs) << i;
    }
    // Every note shape went to its note.
    for (const std::u16string& left : VmlChildren(data))
      EXPECT_FALSE(left.size() >= 6 && left.substr(left.size() - 6) == u":shape") << core::utf16_to_utf8(left);
    ASSERT_EQ(data.Tables.Count(), static_cast<int>(c.tables.size()));
    for (int i = 0; i < data.Tables.Count(); ++i) {
      EXPECT_EQ(data.Tables.GetItems(i)->displayName, c.tables[i]);
      EXPECT_EQ(data.Tables.GetItems(i)->totalsRowCount, 1);
    }
    const wb::TXc12DataWorksheet& last = *sheets.GetItem(sheets.Count() - 1);
    ASSERT_EQ(last.PivotTables.Count(), c.pivots);
    if (c.pivots) {
      ASSERT_NE(last.PivotTables.GetItems(0)->CacheDefinition, nullptr);
      EXPECT_EQ(last.PivotTables.GetItems(0)->CacheDefinition->UseCount, 1);
    }
  }
}

}  // namespace
