// The .xlsx reader's formulas that compile while the sheet is read (shared formulas), direct read,
// and the workbook-level parts: settings and views, defined names, external links, pivot caches and
// connections. Packages are built part by part.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/external_links.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;

const char kNs[] =
    R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
const char kRelsHead[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";

std::string Rel(const std::string& id, const std::string& type, const std::string& target, const std::string& mode = "") {
  return R"(<Relationship Id=")" + id + R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/)" +
         type + R"(" Target=")" + target + "\"" + (mode.empty() ? "" : " TargetMode=\"" + mode + "\"") + "/>";
}

// A package: sheets One, Two, ... with the given sheet data, workbook content around the sheets
// list, and extra parts with their relationships from the workbook.
struct Package {
  std::vector<std::string> sheets = {"<sheetData/>"};
  std::string beforeSheets;  // workbook children before <sheets>
  std::string afterSheets;   // and after it
  std::string workbookRels;  // extra relationships of the workbook
  opc_testing::Parts extra;  // extra parts (with their own relationship parts)

  std::string Zip() const {
    std::string rels = kRelsHead, list;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      rels += Rel("rIdS" + n, "worksheet", "worksheets/sheet" + n + ".xml");
      list += "<sheet name=\"" + std::string(i == 0 ? "One" : i == 1 ? "Two" : "Three") + "\" sheetId=\"" + n +
              "\" r:id=\"rIdS" + n + "\"/>";
    }
    rels += workbookRels + "</Relationships>";
    opc_testing::Parts parts = {
        {"[Content_Types].xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/>)"
         R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
         R"(</Types>)"},
        {"_rels/.rels", std::string(kRelsHead) + Rel("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"},
        {"xl/workbook.xml",
         std::string("<workbook") + kNs + ">" + beforeSheets + "<sheets>" + list + "</sheets>" + afterSheets + "</workbook>"},
        {"xl/_rels/workbook.xml.rels", rels}};
    for (std::size_t i = 0; i < sheets.size(); ++i)
      parts.push_back({"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                       std::string("<worksheet") + kNs + ">" + sheets[i] + "</worksheet>"});
    parts.insert(parts.end(), extra.begin(), extra.end());
    return opc_testing::MakeZip(parts);
  }
};

class Reader {
public:
  Reader() {
    wb::TXLSSpreadsheetNeighbours n;
    ooxml::RegisterXlsxNeighbours(n);
    n.CreateFormulaHandler = [](wb::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
    book_ = std::make_unique<wb::TXLSSpreadsheet5>(n);
  }
  void Load(const std::string& zip) {
    wb::TPointerMemoryStream s(zip.data(), static_cast<std::int64_t>(zip.size()));
    book_->LoadFromStream(s, true);
  }
  wb::TXLSSpreadsheet5& Book() { return *book_; }
  wb::TXc12Manager& M() { return *book_->GetManager(); }
  wb::TXc12DataWorkbook& W() { return *M().Workbook; }
  wb::TXLSCellMMU& Cells(int sheet) { return *M().Worksheets->GetItem(sheet)->Cells; }
  formula::TXLSFormulaHandler& Handler() {
    return *dynamic_cast<formula::TXLSFormulaHandler*>(book_->OwnFormulaHandler());
  }
  // A formula cell as text: its compiled tokens decoded, or the text it keeps; "<none>" when the
  // cell is missing or no formula.
  std::u16string Formula(const std::u16string& ref, int sheet = 0) {
    int col, row;
    wb::RefStrToColRow(ref, col, row);
    wb::TMMUCellRef r;
    if (!Cells(sheet).FindCell(col, row, r) || wb::TXLSCellMMU::CellType(r) < wb::cvkFloatFormula) return u"<none>";
    std::u16string text;
    if (!wb::TXLSCellMMU::FormulaIsCompiled(r)) {
      wb::TXLSCellMMU::GetFormulaSourceText(r, text);
      return u"text:" + text;
    }
    const std::uint8_t* ptgs = nullptr;
    const int len = wb::TXLSCellMMU::GetFormulaPtgs(r, ptgs);
    return Handler().DecodeFormula(&Cells(sheet), sheet, ptgs, len, true);
  }
  std::u16string NameFormula(const wb::TXc12DefinedName& n) {
    if (n.Compiled.empty()) return u"<not compiled>";
    return Handler().DecodeFormula(nullptr, -1, n.Compiled.data(), static_cast<int>(n.Compiled.size()), true);
  }

private:
  std::unique_ptr<wb::TXLSSpreadsheet5> book_;
};

std::string Error(const std::string& zip) {
  Reader r;
  try {
    r.Load(zip);
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// Shared formulas

TEST(XlsxFormulas, SharedFormulaMembersGetTheMastersFormulaMovedToTheirPlace) {
  Package p;
  p.sheets = {
      // si 0: A1:A3 from B1*2 (A5 is outside the area); si 1: an absolute and a mixed reference;
      // si 2 is given a second master half way, which replaces the first for the cells after it;
      // si 3 has no members; si 4 never had a master.
      R"(<sheetData><row r="1">)"
      R"(<c r="A1"><f t="shared" ref="A1:A3" si="0">B1*2</f><v>2</v></c>)"
      R"(<c r="C1"><f t="shared" ref="C1:D2" si="1">$B$1+B$1+$B1</f><v>3</v></c>)"
      R"(<c r="D1"><f t="shared" si="1"/><v>3</v></c>)"
      R"(<c r="E1"><f t="shared" ref="E1:E4" si="2">SUM(B1:B2)</f><v>3</v></c>)"
      R"(</row><row r="2">)"
      R"(<c r="A2"><f t="shared" si="0"/><v>4</v></c>)"
      R"(<c r="D2"><f t="shared" si="1"/><v>3</v></c>)"
      R"(<c r="E2"><f t="shared" si="2"/><v>3</v></c>)"
      R"(<c r="F2"><f t="shared" ref="F2:F3" si="3">F1+1</f><v>1</v></c>)"
      R"(</row><row r="3">)"
      R"(<c r="A3"><f t="shared" si="0"/><v>6</v></c>)"
      R"(<c r="E3"><f t="shared" ref="E3:E4" si="2">B1*10</f><v>3</v></c>)"
      R"(<c r="G3"><f t="shared" si="4"/><v>9</v></c>)"
      R"(</row><row r="4"><c r="E4"><f t="shared" si="2"/><v>3</v></c></row>)"
      R"(<row r="5"><c r="A5"><f t="shared" si="0"/><v>7</v></c></row>)"
      // si 5 reaches below the last row from its member.
      R"(<row r="1048575"><c r="A1048575"><f t="shared" ref="A1048575:A1048576" si="5">A1048576+1</f><v>1</v></c></row>)"
      R"(<row r="1048576"><c r="A1048576"><f t="shared" si="5"/><v>1</v></c></row></sheetData>)"};
  Reader r;
  r.Load(p.Zip());
  struct Case {
    const char16_t* ref;
    const char16_t* formula;
  } cases[] = {
      {u"A1", u"B1*2"},
      {u"A2", u"B2*2"},
      {u"A3", u"B3*2"},
      {u"C1", u"$B$1+B$1+$B1"},
      {u"D1", u"$B$1+C$1+$B1"},
      {u"D2", u"$B$1+C$1+$B2"},
      {u"E1", u"SUM(B1:B2)"},
      {u"E2", u"SUM(B2:B3)"},
      {u"E3", u"B1*10"},
      {u"E4", u"B2*10"},
      {u"F2", u"F1+1"},
      {u"A1048575", u"A1048576+1"},
      {u"A1048576", u"#REF!+1"},
      // Outside the area, or without a master: the cached value stays, the formula is empty.
      {u"A5", u"text:"},
      {u"G3", u"text:"},
  };
  for (const Case& c : cases) EXPECT_EQ(r.Formula(c.ref), c.formula) << core::utf16_to_utf8(c.ref);
  wb::TMMUCellRef a5;
  ASSERT_TRUE(r.Cells(0).FindCell(0, 4, a5));
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaFloat(a5), 7);
}

TEST(XlsxFormulas, SharedFormulaNumbersBelongToTheirSheet) {
  Package p;
  p.sheets = {R"(<sheetData><row r="1"><c r="A1"><f t="shared" ref="A1:A2" si="0">B1+Two!B1</f><v>1</v></c></row>)"
              R"(<row r="2"><c r="A2"><f t="shared" si="0"/><v>1</v></c></row></sheetData>)",
              // si 0 again, on the second sheet: a member without a master of its own sheet.
              R"(<sheetData><row r="1"><c r="A1"><f t="shared" si="0"/><v>5</v></c>)"
              R"(<c r="B1"><f t="shared" ref="B1:C1" si="0">One!A1*3</f><v>3</v></c>)"
              R"(<c r="C1"><f t="shared" si="0"/><v>3</v></c></row></sheetData>)"};
  Reader r;
  r.Load(p.Zip());
  EXPECT_EQ(r.Formula(u"A2", 0), u"B2+Two!B2");
  EXPECT_EQ(r.Formula(u"A1", 1), u"text:");
  EXPECT_EQ(r.Formula(u"C1", 1), u"One!B1*3");
}

TEST(XlsxFormulas, ASharedMasterThatDoesNotCompileKeepsItsText) {
  Package p;
  p.sheets = {R"(<sheetData><row r="1"><c r="A1"><f t="shared" ref="A1:A2" si="0">SUM(B1:</f><v>1</v></c></row>)"
              R"(<row r="2"><c r="A2"><f t="shared" si="0"/><v>1</v></c></row></sheetData>)"};
  Reader r;
  r.Load(p.Zip());
  EXPECT_EQ(r.Formula(u"A1"), u"text:SUM(B1:");
  EXPECT_EQ(r.Formula(u"A2"), u"text:");
}

TEST(XlsxFormulas, FormulasWithoutCachedValuesAndDataTables) {
  Package p;
  p.sheets = {R"(<sheetData><row r="1">)"
              R"(<c r="A1"><f>B1+1</f></c><c r="B1" t="str"><f>"a"&amp;"b"</f></c>)"
              R"(<c r="C1"><f t="dataTable" ref="C1:D2" dt2D="1" dtr="1" r1="A1" r2="B1" del2="1"/><v>4</v></c>)"
              R"(<c r="D1"><v>5</v></c></row></sheetData>)"};
  Reader r;
  r.Load(p.Zip());
  wb::TXLSCellMMU& cells = r.Cells(0);
  wb::TMMUCellRef ref;
  ASSERT_TRUE(cells.FindCell(0, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::CellType(ref), wb::cvkFloatFormula);
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaFloat(ref), 0);
  ASSERT_TRUE(cells.FindCell(1, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::CellType(ref), wb::cvkStringFormula);
  ASSERT_TRUE(cells.FindCell(2, 0, ref));
  cells.ReadFormula(ref);
  wb::TXLSFormulaHelper& h = cells.FormulaHelper();
  EXPECT_EQ(h.FormulaKind, wb::mfkDataTable);
  EXPECT_EQ(h.DataTableFlags, 2 | 4 | 8);
  EXPECT_EQ(h.GetDataTableR1Text(), u"A1");
  EXPECT_EQ(h.GetDataTableR2Text(), u"B1");
  ASSERT_TRUE(cells.FindCell(3, 0, ref));
  cells.ReadFormula(ref);
  EXPECT_EQ(h.FormulaKind, wb::mfkDataTableMember);
  EXPECT_EQ(h.MasterCol, 2);
  EXPECT_EQ(h.GetResultFloat(), 5);
}

// Recalculating a read workbook gives back the results its producer cached: shared formulas were
// compiled and moved right, text formulas compile against the sheets, names and linked books read.
TEST(XlsxFormulas, RecalculatedResultsEqualTheCachedOnes) {
  for (const char* name : {"formulas.exceljs", "links.libreoffice"}) {
    const std::string zip = opc_testing::ReadFile(std::string(THC_XLSX_TESTS) + "/fixtures/" + name + ".xlsx");
    ASSERT_FALSE(zip.empty()) << name;
    Reader r;
    r.Load(zip);
    struct Cached {
      int sheet, col, row;
      std::string value;
    };
    auto results = [&r] {
      std::vector<Cached> out;
      for (int s = 0; s < r.M().Worksheets->Count(); ++s) {
        wb::TXLSCellMMU& c = r.Cells(s);
        c.BeginIterate(0);
        while (c.IterNext()) {
          const wb::TMMUCellRef& ref = *c.IterCellRef();
          std::string v;
          switch (c.IterCellType()) {
            case wb::cvkFloatFormula: v = std::to_string(wb::TXLSCellMMU::GetFormulaFloat(ref)); break;
            case wb::cvkBooleanFormula: v = wb::TXLSCellMMU::GetFormulaBoolean(ref) ? "TRUE" : "FALSE"; break;
            case wb::cvkStringFormula: {
              std::u16string t;
              wb::TXLSCellMMU::GetFormulaString(ref, t);
              v = core::utf16_to_utf8(t);
              break;
            }
            default: continue;
          }
          out.push_back({s, c.IterCol(), c.IterRow(), v});
        }
      }
      return out;
    };
    std::vector<Cached> before = results();
    // A formula written without a cached result has none to compare.
    std::erase_if(before, [](const Cached& c) { return c.sheet == 0 && c.col == 2 && c.row == 2; });
    r.Book().CompileFormulas();
    r.Handler().Calculate();
    const std::vector<Cached> after = results();
    ASSERT_GE(after.size(), before.size()) << name;
    for (const Cached& b : before) {
      const auto it = std::find_if(after.begin(), after.end(),
                                   [&](const Cached& a) { return a.sheet == b.sheet && a.col == b.col && a.row == b.row; });
      ASSERT_NE(it, after.end());
      EXPECT_EQ(it->value, b.value) << name << " sheet " << b.sheet << " "
                                    << core::utf16_to_utf8(wb::ColRowToRefStr(b.col, b.row));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Direct read

TEST(XlsxDirectRead, CellsGoToTheEventInDocumentOrderAndNotIntoTheStore) {
  Package p;
  p.sheets = {R"(<cols><col min="1" max="2" width="20" customWidth="1"/></cols><sheetData>)"
              R"(<row r="1" ht="30" customHeight="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>1.5</v></c>)"
              R"(<c r="C1" t="b"><v>1</v></c><c r="D1" t="e"><v>#N/A</v></c><c r="E1" s="0"/></row>)"
              R"(<row r="2"><c r="A2" t="inlineStr"><is><t>in</t><r><t>line</t></r></is></c>)"
              R"(<c r="B2" t="str"><f t="shared" ref="B2:B3" si="0">A1&amp;"!"</f><v>x</v></c>)"
              R"(<c r="C2"><f t="array" ref="C2:C3">A2:A3</f><v>7</v></c><c r="D2" t="d"><v>1900-01-02</v></c></row>)"
              R"(<row r="3"><c r="B3" t="str"><f t="shared" si="0"/><v>y!</v></c><c r="C3"><v>8</v></c></row></sheetData>)",
              R"(<sheetData><row r="4"><c r="B4" t="str"><v>second</v></c></row></sheetData>)"};
  p.workbookRels = Rel("rIdT", "sharedStrings", "sharedStrings.xml");
  p.extra = {{"xl/sharedStrings.xml", std::string("<sst") + kNs + "><si><t>shared</t></si></sst>"}};
  Reader r;
  std::vector<std::string> seen;
  r.Book().SetDirectRead(true);
  r.Book().SetOnReadCell([&](wb::TXLSEventCell* e) {
    std::string v;
    switch (e->ValueType) {
      case wb::cvkString:
      case wb::cvkStringFormula: v = core::utf16_to_utf8(e->StringValue); break;
      case wb::cvkFloat:
      case wb::cvkFloatFormula: v = std::to_string(e->FloatValue); break;
      case wb::cvkBoolean: v = e->BoolValue ? "TRUE" : "FALSE"; break;
      case wb::cvkError: v = core::utf16_to_utf8(wb::Xc12ErrorToText(e->ErrorValue)); break;
      default: v = "?";
    }
    seen.push_back(std::to_string(e->SheetIndex) + core::utf16_to_utf8(e->SheetName) + ":" +
                   core::utf16_to_utf8(wb::ColRowToRefStr(e->Col, e->Row)) + "=" + v +
                   (e->IsFormula ? " [" + core::utf16_to_utf8(e->FormulaText) + "]" : ""));
  });
  r.Load(p.Zip());
  const std::vector<std::string> expected = {
      "0One:A1=shared",        "0One:B1=1.500000",      "0One:C1=TRUE",          "0One:D1=#N/A",
      "0One:A2=inline",        "0One:B2=x [A1&\"!\"]",  "0One:D2=2.000000",      "0One:B3=y! [A2&\"!\"]",
      "1Two:B4=second"};
  EXPECT_EQ(seen, expected);
  wb::TMMUCellRef ref;
  EXPECT_FALSE(r.Cells(0).FindCell(0, 0, ref));
  EXPECT_EQ(r.M().Worksheets->GetItem(0)->Columns.Count(), 0);
}

TEST(XlsxDirectRead, InlineStringWithAValueAndBadStringIndexAreErrors) {
  struct Case {
    const char* cell;
    const char* error;
  } cases[] = {
      {R"(<c r="A1" t="inlineStr"><v>x</v></c>)", "Unhandled string type in file"},
      {R"(<c r="A1" t="s"><v>3</v></c>)", "Shared string index 3 in cell A1 is not in the shared-string table"},
  };
  for (const Case& c : cases) {
    Package p;
    p.sheets = {std::string("<sheetData><row r=\"1\">") + c.cell + "</row></sheetData>"};
    Reader r;
    r.Book().SetDirectRead(true);
    r.Book().SetOnReadCell([](wb::TXLSEventCell*) {});
    std::string error;
    try {
      r.Load(p.Zip());
    } catch (const std::exception& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
  }
}

// ---------------------------------------------------------------------------------------------
// The workbook part

TEST(XlsxWorkbook, SettingsViewsAndProtection) {
  Package p;
  p.beforeSheets =
      R"(<fileVersion lastEdited="7" rupBuild="22228"/><fileSharing readOnlyRecommended="1" userName="ann" reservationPassword="CC3D"/>)"
      R"(<workbookPr date1904="1" codeName="ThisWorkbook" updateLinks="never" defaultThemeVersion="164011"/>)"
      R"(<workbookProtection workbookPassword="83AF" lockStructure="1"/>)"
      R"(<bookViews><workbookView xWindow="10" yWindow="20" windowWidth="300" windowHeight="200" activeTab="1"/>)"
      R"(<workbookView visibility="hidden" tabRatio="250"/></bookViews>)";
  p.afterSheets =
      R"(<functionGroups builtInGroupCount="18"><functionGroup name="Mine"/></functionGroups>)"
      R"(<calcPr calcId="191029" calcMode="manual" iterate="1" iterateCount="7" iterateDelta="0.5" fullPrecision="0" refMode="R1C1"/>)"
      R"(<oleSize ref="A1:C9"/>)"
      R"(<customWorkbookViews><customWorkbookView name="Mine" guid="{0-1}" windowWidth="5" windowHeight="6" activeSheetId="2" showComments="commNone"/></customWorkbookViews>)"
      R"(<smartTagPr embed="1" show="noIndicator"/><smartTagTypes><smartTagType namespaceUri="urn:x" name="n" url="u"/></smartTagTypes>)"
      R"(<webPublishing css="0" targetScreenSize="1024x768" dpi="120" codePage="1252"/>)"
      R"(<fileRecoveryPr crashSave="1"/><fileRecoveryPr autoRecover="0" repairLoad="1"/>)"
      R"(<webPublishObjects count="1"><webPublishObject id="3" divId="d" destinationFile="f.htm" autoRepublish="1"/></webPublishObjects>)";
  p.sheets = {"<sheetData/>", "<sheetData/>"};
  Reader r;
  r.Load(p.Zip());
  const wb::TXc12DataWorkbook& w = r.W();
  EXPECT_EQ(w.FileVersion.appName, u"xl");  // kept: the file names none
  EXPECT_EQ(w.FileVersion.lastEdited, u"7");
  EXPECT_EQ(w.FileVersion.rupBuild, u"22228");
  EXPECT_TRUE(w.FileSharing.readOnlyRecommended);
  EXPECT_EQ(w.FileSharing.userName, u"ann");
  EXPECT_EQ(w.FileSharing.reservationPassword, 0xCC3D);
  EXPECT_TRUE(w.WorkbookPr.date1904);
  EXPECT_EQ(w.WorkbookPr.codeName, u"ThisWorkbook");
  EXPECT_EQ(w.WorkbookPr.updateLinks, 1);
  EXPECT_EQ(w.WorkbookPr.defaultThemeVersion, 164011);
  EXPECT_EQ(w.WorkbookProtection.workbookPassword, 0x83AF);
  EXPECT_TRUE(w.WorkbookProtection.lockStructure);
  EXPECT_FALSE(w.WorkbookProtection.lockWindows);
  ASSERT_EQ(w.BookViews.Count(), 2);
  EXPECT_EQ(w.BookViews.GetItems(0)->xWindow, 10);
  EXPECT_EQ(w.BookViews.GetItems(0)->windowHeight, 200);
  EXPECT_EQ(w.BookViews.GetItems(0)->activeTab, 1);
  EXPECT_EQ(w.BookViews.GetItems(1)->visibility, 1);
  EXPECT_EQ(w.BookViews.GetItems(1)->tabRatio, 250);
  EXPECT_EQ(w.FunctionGroups.builtInGroupCount, 18);
  ASSERT_EQ(w.FunctionGroups.Count(), 1);
  EXPECT_EQ(w.CalcPr.calcId, 191029);
  EXPECT_EQ(w.CalcPr.calcMode, 0);
  EXPECT_EQ(w.CalcPr.refMode, 1);
  EXPECT_TRUE(w.CalcPr.iterate);
  EXPECT_EQ(w.CalcPr.iterateCount, 7);
  EXPECT_EQ(w.CalcPr.iterateDelta, 0.5);
  EXPECT_FALSE(w.CalcPr.fullPrecision);
  EXPECT_EQ(w.OleSize.Col2, 2);
  EXPECT_EQ(w.OleSize.Row2, 8);
  ASSERT_EQ(w.CustomWorkbookViews.Count(), 1);
  EXPECT_EQ(w.CustomWorkbookViews.GetItems(0)->guid, u"{0-1}");
  EXPECT_EQ(w.CustomWorkbookViews.GetItems(0)->activeSheetId, 2);
  EXPECT_EQ(w.CustomWorkbookViews.GetItems(0)->showComments, 0);
  EXPECT_TRUE(w.SmartTagPr.embed);
  EXPECT_EQ(w.SmartTagPr.show, 2);
  ASSERT_EQ(w.SmartTagTypes.Count(), 1);
  EXPECT_EQ(w.SmartTagTypes.GetItems(0)->namespaceUri, u"urn:x");
  EXPECT_FALSE(w.WebPublishing.css);
  EXPECT_EQ(w.WebPublishing.targetScreenSize, 4);
  EXPECT_EQ(w.WebPublishing.dpi, 120);
  ASSERT_EQ(w.FileRecoveryPrs.Count(), 2);
  EXPECT_TRUE(w.FileRecoveryPrs.GetItems(0)->crashSave);
  EXPECT_TRUE(w.FileRecoveryPrs.GetItems(0)->autoRecover);
  EXPECT_FALSE(w.FileRecoveryPrs.GetItems(1)->autoRecover);
  EXPECT_TRUE(w.FileRecoveryPrs.GetItems(1)->repairLoad);
  ASSERT_EQ(w.WebPublishObjects.Count(), 1);
  EXPECT_EQ(w.WebPublishObjects.GetItems(0)->destinationFile, u"f.htm");
  EXPECT_TRUE(w.WebPublishObjects.GetItems(0)->autoRepublish);
}

TEST(XlsxWorkbook, AWorkbookWithoutViewsKeepsTheDefaultView) {
  Package p;
  Reader r;
  r.Load(p.Zip());
  ASSERT_EQ(r.W().BookViews.Count(), 1);
  EXPECT_EQ(r.W().BookViews.GetItems(0)->tabRatio, 600);
  EXPECT_FALSE(wb::CellAreaAssigned(r.W().OleSize));
}

TEST(XlsxWorkbook, DefinedNamesKeepOrderScopeFlagsAndCompile) {
  Package p;
  p.sheets = {"<sheetData/>", "<sheetData/>"};
  p.afterSheets =
      R"(<definedNames>)"
      R"(<definedName name="_xlnm.Print_Area" localSheetId="0">One!$A$1:$C$4</definedName>)"
      R"(<definedName name="Rate" comment="per year">0.05</definedName>)"
      R"(<definedName name="Rate" localSheetId="1" hidden="1">Two!$B$2</definedName>)"
      R"(<definedName name="Total" function="1" functionGroupId="14" shortcutKey="T">SUM(One!$A$1:$A$9)*Rate</definedName>)"
      R"(<definedName name="_xlnm._FilterDatabase" localSheetId="1" hidden="1">Two!$A$1:$D$9</definedName>)"
      R"(</definedNames>)";
  Reader r;
  r.Load(p.Zip());
  const wb::TXc12DefinedNames& names = *r.W().DefinedNames;
  ASSERT_EQ(names.Count(), 5);
  struct Case {
    const char16_t* name;
    int scope;
    std::uint8_t builtIn;
    bool hidden;
    const char16_t* definition;
    const char16_t* compiled;
  } cases[] = {
      {u"_xlnm.Print_Area", 0, wb::bnPrintArea, false, u"One!$A$1:$C$4", u"One!$A$1:$C$4"},
      {u"Rate", -1, wb::bnNone, false, u"0.05", u"0.05"},
      {u"Rate", 1, wb::bnNone, true, u"Two!$B$2", u"Two!$B$2"},
      {u"Total", -1, wb::bnNone, false, u"SUM(One!$A$1:$A$9)*Rate", u"SUM(One!$A$1:$A$9)*Rate"},
      {u"_xlnm._FilterDatabase", 1, wb::bnFilterDatabase, true, u"Two!$A$1:$D$9", u"Two!$A$1:$D$9"},
  };
  for (int i = 0; i < 5; ++i) {
    const wb::TXc12DefinedName& n = *names.GetItems(i);
    const Case& c = cases[i];
    EXPECT_EQ(n.GetDisplayName(), c.name) << i;
    EXPECT_EQ(n.LocalSheetId, c.scope) << i;
    EXPECT_EQ(n.BuiltIn, c.builtIn) << i;
    EXPECT_EQ(n.Hidden, c.hidden) << i;
    EXPECT_EQ(n.Definition, c.definition) << i;
    EXPECT_EQ(r.NameFormula(n), c.compiled) << i;
  }
  EXPECT_EQ(names.GetItems(1)->Comment, u"per year");
  EXPECT_TRUE(names.GetItems(3)->Function);
  EXPECT_EQ(names.GetItems(3)->FunctionGroupId, 14);
  EXPECT_EQ(names.GetItems(3)->ShortcutKey, u"T");
}

// ---------------------------------------------------------------------------------------------
// External links

const char kLinkBook[] =
    R"(<externalLink xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<externalBook r:id="rId1"><sheetNames><sheetName val="Data"/><sheetName val="数据"/></sheetNames>)"
    R"(<definedNames><definedName name="Tax" refersTo="=Data!$A$1" sheetId="0"/></definedNames>)"
    R"(<sheetDataSet><sheetData sheetId="0"><row r="2"><cell r="A2"><v>1.25</v></cell><cell r="B2" t="str"><v>txt</v></cell>)"
    R"(<cell r="C2" t="b"><v>1</v></cell><cell r="D2" t="e"><v>#DIV/0!</v></cell><cell r="E2" t="s"><v>0</v></cell></row></sheetData>)"
    R"(<sheetData sheetId="1" refreshError="1"/></sheetDataSet></externalBook></externalLink>)";

Package LinkedPackage(const std::string& link1, const std::string& rels1, const std::string& link2 = "") {
  Package p;
  p.sheets = {R"(<sheetData><row r="1"><c r="A1"><f>[1]Data!A2*2</f><v>2.5</v></c>)"
              R"(<c r="B1"><f t="shared" ref="B1:B2" si="0">[1]Data!A2+A1</f><v>3.75</v></c></row>)"
              R"(<row r="2"><c r="B2"><f t="shared" si="0"/><v>0</v></c></row></sheetData>)"};
  p.afterSheets = "<externalReferences><externalReference r:id=\"rIdL2\"/>" +
                  std::string(link2.empty() ? "" : "<externalReference r:id=\"rIdL1\"/>") + "</externalReferences>";
  // The parts are named against their order, so only the references decide.
  p.workbookRels = Rel("rIdL2", "externalLink", "externalLinks/externalLink2.xml");
  p.extra = {{"xl/externalLinks/externalLink2.xml", link1}};
  if (!rels1.empty()) p.extra.push_back({"xl/externalLinks/_rels/externalLink2.xml.rels", std::string(kRelsHead) + rels1 + "</Relationships>"});
  if (!link2.empty()) {
    p.workbookRels += Rel("rIdL1", "externalLink", "externalLinks/externalLink1.xml");
    p.extra.push_back({"xl/externalLinks/externalLink1.xml", link2});
  }
  return p;
}

TEST(XlsxExternalLinks, BookSheetNamesDefinedNamesAndCachedValues) {
  const std::string ole =
      std::string("<externalLink") + kNs +
      R"(><oleLink r:id="rId1" progId="Word.Document.12"><oleItems><oleItem name="'" advise="1"/><oleItem name="x" icon="1"/></oleItems></oleLink></externalLink>)";
  Package p = LinkedPackage(kLinkBook, Rel("rId1", "externalLinkPath", "file:///C:/data/Book%202.xlsx", "External"), ole);
  p.extra.push_back({"xl/externalLinks/_rels/externalLink1.xml.rels",
                     std::string(kRelsHead) + Rel("rId1", "oleObject", "file:///C:/doc.docx", "External") + "</Relationships>"});
  Reader r;
  r.Load(p.Zip());
  wb::TXc12DataXLinks& links = *r.M().XLinks;
  ASSERT_EQ(links.Count(), 2);
  const wb::TXc12XExternalBook& b = links.GetItem(0)->ExternalBook;
  EXPECT_EQ(b.Target, u"file:///C:/data/Book%202.xlsx");
  EXPECT_EQ(b.SheetNames, (std::vector<std::u16string>{u"Data", u"数据"}));
  ASSERT_EQ(b.DefinedNames.Count(), 1);
  EXPECT_EQ(b.DefinedNames.GetItem(0)->refersTo, u"=Data!$A$1");
  ASSERT_EQ(b.SheetDataSet.Count(), 2);
  EXPECT_TRUE(b.SheetDataSet.GetItem(1)->refreshError);
  const wb::TXc12XRow& row = *b.SheetDataSet.GetItem(0)->GetItem(0);
  EXPECT_EQ(row.Row, 1);
  ASSERT_EQ(row.Count(), 5);
  EXPECT_EQ(row.GetItem(0)->Number, 1.25);
  EXPECT_EQ(row.GetItem(1)->String, u"txt");
  EXPECT_EQ(row.GetItem(2)->ValueType, wb::xvtBoolean);
  EXPECT_EQ(row.GetItem(2)->Byte, 1);
  EXPECT_EQ(row.GetItem(3)->ValueType, wb::xvtError);
  EXPECT_EQ(row.GetItem(3)->Byte, wb::errDiv0);
  // A cached shared string has no value of its own.
  EXPECT_EQ(row.GetItem(4)->ValueType, wb::xvtNumber);
  EXPECT_EQ(row.GetItem(4)->Number, 0);
  EXPECT_EQ(row.GetItem(4)->Col, 4);
  const wb::TXc12OleLink& o = links.GetItem(1)->OleLink;
  EXPECT_EQ(o.Target, u"file:///C:/doc.docx");
  EXPECT_EQ(o.progId, u"Word.Document.12");
  ASSERT_EQ(o.Count(), 2);
  EXPECT_TRUE(o.GetItem(0)->advise);
  EXPECT_TRUE(o.GetItem(1)->icon);
  // Formulas that name the linked book compile against it, shared ones too.
  EXPECT_EQ(r.Formula(u"B2"), u"[1]Data!A3+A2");
}

TEST(XlsxExternalLinks, DdeLinksAndBooksWithoutTheirRelationship) {
  const std::string dde =
      std::string("<externalLink") + kNs +
      R"(><ddeLink ddeService="Excel" ddeTopic="C:\t.xls"><ddeItems><ddeItem name="R1C1" advise="1">)"
      R"(<values rows="2" cols="3"><value t="nil"/><value><val>4.5</val></value><value t="b"><val>0</val></value>)"
      R"(<value t="e"><val>#N/A</val></value><value t="str"><val>s</val></value></values></ddeItem></ddeItems></ddeLink></externalLink>)";
  Package p = LinkedPackage(kLinkBook, "", dde);
  Reader r;
  r.Load(p.Zip());
  wb::TXc12DataXLinks& links = *r.M().XLinks;
  ASSERT_EQ(links.Count(), 2);
  EXPECT_EQ(links.GetItem(0)->ExternalBook.Target, u"");
  EXPECT_EQ(links.GetItem(0)->ExternalBook.SheetNames.size(), 2u);
  const wb::TXc12DdeLink& d = links.GetItem(1)->DdeLink;
  EXPECT_EQ(d.ddeService, u"Excel");
  EXPECT_EQ(d.ddeTopic, u"C:\\t.xls");
  ASSERT_EQ(d.Count(), 1);
  const wb::TXc12DdeValues& v = d.GetItem(0)->Values;
  EXPECT_EQ(v.Cols, 3);
  EXPECT_EQ(v.Rows, 2);
  ASSERT_EQ(v.Count(), 5);
  const std::uint8_t types[] = {wb::xvtNil, wb::xvtNumber, wb::xvtBoolean, wb::xvtError, wb::xvtString};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v.GetItem(i)->ValueType, types[i]) << i;
  EXPECT_EQ(v.GetItem(1)->Number, 4.5);
  EXPECT_EQ(v.GetItem(4)->String, u"s");
}

TEST(XlsxExternalLinks, DamagedLinks) {
  std::string badBool = kLinkBook;
  badBool.replace(badBool.find("<v>1</v></cell><cell r=\"D2\""), 8, "<v>yes</v>");
  Package loop = LinkedPackage(kLinkBook, Rel("rId1", "externalLink", "externalLink2.xml") +
                                              Rel("rId2", "externalLinkPath", "../workbook.xml"));
  Package missing = LinkedPackage(kLinkBook, "");
  missing.workbookRels.clear();
  Package badMode = LinkedPackage(kLinkBook, Rel("rId1", "externalLinkPath", "other.xlsx", "Elsewhere"));
  struct Case {
    const char* what;
    std::string zip;
    const char* error;  // "" when the read must succeed
  } cases[] = {
      {"a cached boolean that is no boolean", LinkedPackage(badBool, "").Zip(), "Invalid boolean value \"yes\""},
      {"a link part that relates to itself", loop.Zip(), ""},
      {"a missing link part", missing.Zip(), "Can not find ExternalLink in OPC"},
      {"an unknown target mode", badMode.Zip(), ""},
  };
  for (const Case& c : cases) {
    const std::string e = Error(c.zip);
    if (*c.error)
      EXPECT_NE(e.find(c.error), std::string::npos) << c.what << ": " << e;
    else
      EXPECT_EQ(e, "") << c.what;
  }
  // A target mode that is not known is never taken for a part of the package.
  Reader r;
  r.Load(badMode.Zip());
  EXPECT_EQ(r.M().XLinks->GetItem(0)->ExternalBook.Target, u"other.xlsx");
}

// ---------------------------------------------------------------------------------------------
// Pivot caches and connections

TEST(XlsxWorkbook, PivotCachesAndConnectionsAreKeptWhole) {
  Package p;
  p.afterSheets = R"(<pivotCaches><pivotCache cacheId="7" r:id="rIdP1"/><pivotCache cacheId="9" r:id="rIdP2"/></pivotCaches>)";
  p.workbookRels = Rel("rIdP1", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml") +
                   Rel("rIdP2", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition2.xml") +
                   Rel("rIdC", "connections", "connections.xml");
  const std::string records = std::string("<pivotCacheRecords") + kNs + R"( count="1"><r><n v="1"/></r></pivotCacheRecords>)";
  p.extra = {
      {"xl/pivotCache/pivotCacheDefinition1.xml",
       std::string("<pivotCacheDefinition") + kNs + R"( r:id="rId1" recordCount="1"><cacheSource type="worksheet"/></pivotCacheDefinition>)"},
      {"xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels",
       std::string(kRelsHead) + Rel("rId1", "pivotCacheRecords", "pivotCacheRecords1.xml") + "</Relationships>"},
      {"xl/pivotCache/pivotCacheRecords1.xml", records},
      {"xl/pivotCache/pivotCacheDefinition2.xml",
       std::string("<pivotCacheDefinition") + kNs + R"( recordCount="0"/>)"},
      {"xl/connections.xml",
       std::string("<connections") + kNs + R"(><connection id="1" name="q" type="5"><dbPr connection="x"/></connection></connections>)"},
  };
  Reader r;
  r.Load(p.Zip());
  const wb::TXLSPivotCacheDefinitions& caches = r.W().PivotCaches;
  ASSERT_EQ(caches.Count(), 2);
  EXPECT_EQ(caches.GetItems(0)->CacheId, 7);
  ASSERT_NE(caches.GetItems(0)->DOM.Root()->Find(u"pivotCacheDefinition/cacheSource", false), nullptr);
  const std::vector<std::uint8_t>& bytes = caches.GetItems(0)->Records.Stream.Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), records);
  EXPECT_EQ(caches.GetItems(1)->CacheId, 9);
  EXPECT_TRUE(caches.GetItems(1)->Records.Stream.Bytes().empty());
  const ooxml::TXpgDOMNode* c = r.W().Connections.Root()->Find(u"connections/connection/dbPr", false);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Attributes.Find(u"connection")->Value, u"x");
  // Read parts are not kept again as unknown ones.
  for (const char* name : {"pivotCacheDefinition1.xml", "pivotCacheRecords1.xml", "connections.xml"}) {
    bool kept = false;
    for (const wb::TXLSSavedFileDataList* list : {&r.M().FileData->RootParts, &r.M().FileData->WorkbookParts})
      for (int i = 0; i < list->Count(); ++i)
        kept |= core::utf16_to_utf8(list->GetItems(i)->Target).find(name) != std::string::npos;
    EXPECT_FALSE(kept) << name;
  }
}

TEST(XlsxWorkbook, MissingPivotParts) {
  Package p;
  p.afterSheets = R"(<pivotCaches><pivotCache cacheId="1" r:id="rIdP1"/></pivotCaches>)";
  EXPECT_NE(Error(p.Zip()).find("Can not find pivotCacheDefintion rIdP1 in OPC"), std::string::npos);
  p.workbookRels = Rel("rIdP1", "pivotCacheDefinition", "pivotCache/d.xml");
  p.extra = {{"xl/pivotCache/d.xml", std::string("<pivotCacheDefinition") + kNs + R"( r:id="rId5"/>)"}};
  EXPECT_NE(Error(p.Zip()).find("Can not find pivotCacheRecords rId5 in OPC"), std::string::npos);
}

}  // namespace
