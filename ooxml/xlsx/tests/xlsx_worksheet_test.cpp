// The worksheet contents besides cells (views, merges, hyperlinks, conditional formats,
// validations, filters, print settings, protection), differential formats, table styles and the
// workbook's own palette, read from small packages.
#include <gtest/gtest.h>

#include <string>

#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/xlsx/tests/xlsx_book_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/colors.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;

const char kMainNs[] = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
const char kRelNs[] = R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
const char kRelType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A one-sheet package: the worksheet's children, its relationships and the styles part's children.
std::string Package(const std::string& sheet, const std::string& sheetRels = "", const std::string& styles = "") {
  const std::string ct =
      R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
      R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
      R"(<Default Extension="xml" ContentType="application/xml"/>)"
      R"(<Default Extension="bin" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings"/>)"
      R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
      R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
      R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
      R"(</Types>)";
  std::string bookRels = std::string(kRelNs) + R"(<Relationship Id="rId1" Type=")" + kRelType +
                         R"(worksheet" Target="worksheets/sheet1.xml"/>)";
  if (!styles.empty()) bookRels += std::string(R"(<Relationship Id="rId2" Type=")") + kRelType + R"(styles" Target="styles.xml"/>)";
  bookRels += "</Relationships>";
  opc_testing::Parts parts = {
      {"[Content_Types].xml", ct},
      {"_rels/.rels", std::string(kRelNs) + R"(<Relationship Id="rId1" Type=")" + kRelType +
                          R"(officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
      {"xl/workbook.xml", std::string("<workbook") + kMainNs + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels", bookRels},
      {"xl/worksheets/sheet1.xml", std::string("<worksheet") + kMainNs + ">" + sheet + "</worksheet>"}};
  if (!sheetRels.empty())
    parts.push_back({"xl/worksheets/_rels/sheet1.xml.rels", std::string(kRelNs) + sheetRels + "</Relationships>"});
  if (!styles.empty()) parts.push_back({"xl/styles.xml", std::string("<styleSheet") + kMainNs + ">" + styles + "</styleSheet>"});
  if (sheetRels.find("printerSettings1.bin") != std::string::npos)
    parts.push_back({"xl/printerSettings/printerSettings1.bin", std::string("DEVMODE\x01\x02", 9)});
  return opc_testing::MakeZip(parts);
}

std::string Rel(const std::string& id, const std::string& type, const std::string& target, bool external = false) {
  return R"(<Relationship Id=")" + id + R"(" Type=")" + kRelType + type + R"(" Target=")" + target + '"' +
         (external ? R"( TargetMode="External")" : "") + "/>";
}

class Book : public xlsx_testing::XlsxBook {
public:
  wb::TXc12Manager& M() { return Manager(); }
  wb::TXc12DataWorksheet& W() { return Sheet(); }
};

wb::TXLSCellArea A(int c1, int r1, int c2, int r2) {
  wb::TXLSCellArea a;
  a.Col1 = c1;
  a.Row1 = r1;
  a.Col2 = c2;
  a.Row2 = r2;
  return a;
}

// Two differential formats: 0 bold red with a number format, 1 a yellow fill; and a table style.
const char kDxfStyles[] =
    R"(<dxfs count="2"><dxf><font><b/><color rgb="FFFF0000"/></font><numFmt numFmtId="170" formatCode="0.0%"/></dxf>)"
    R"(<dxf><fill><patternFill patternType="solid"><bgColor rgb="FFFFFF00"/></patternFill></fill><protection hidden="1"/></dxf></dxfs>)"
    R"(<tableStyles count="1" defaultTableStyle="TableStyleMedium9" defaultPivotStyle="PivotStyleLight16">)"
    R"(<tableStyle name="Mine" pivot="0" count="2"><tableStyleElement type="wholeTable" dxfId="1"/><tableStyleElement type="headerRow"/></tableStyle></tableStyles>)";

TEST(XlsxSheetContents, ViewsPanesAndSelections) {
  struct Case {
    const char* name;
    const char* xml;
    int views;
    bool frozen;
    int zoom;
    wb::TXLSCellArea selection;  // first selection's first area
  };
  const Case cases[] = {
      {"no views keep the new sheet's one", "<sheetData/>", 1, false, 100, A(0, 0, 0, 0)},
      {"two views are exactly those two",
       R"(<sheetViews><sheetView workbookViewId="0" zoomScale="150"/><sheetView workbookViewId="1"/></sheetViews><sheetData/>)",
       2, false, 150, A(0, 0, 0, 0)},
      {"frozen pane with a selection",
       R"(<sheetViews><sheetView tabSelected="1" workbookViewId="0"><pane xSplit="1" ySplit="2" topLeftCell="B3" activePane="bottomRight" state="frozen"/>)"
       R"(<selection pane="bottomRight" activeCell="C4" sqref="C4:D6 F1"/></sheetView></sheetViews><sheetData/>)",
       1, true, 100, A(2, 3, 3, 5)},
      {"a selection without sqref keeps A1",
       R"(<sheetViews><sheetView workbookViewId="0"><selection activeCell="E5"/></sheetView></sheetViews><sheetData/>)", 1,
       false, 100, A(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b;
    b.Load(Package(c.xml));
    const wb::TXc12SheetViews& views = b.W().SheetViews;
    ASSERT_EQ(views.Count(), c.views);
    const wb::TXc12SheetView& v = *views.GetItem(0);
    EXPECT_EQ(v.zoomScale, c.zoom);
    EXPECT_EQ(v.Pane.Present, c.frozen);
    if (c.frozen) {
      EXPECT_EQ(v.Pane.state, 1);  // frozen
      EXPECT_EQ(v.Pane.xSplit, 1);
      EXPECT_EQ(v.Pane.ySplit, 2);
      EXPECT_EQ(v.Pane.topLeftCell, A(1, 2, 1, 2));
      EXPECT_EQ(v.Pane.activePane, wb::xpBottomRight);
      EXPECT_TRUE(v.tabSelected);
    }
    if (v.Selections.Count() > 0) {
      const wb::TXc12Selection& s = *v.Selections.GetItem(0);
      ASSERT_GE(s.sqref.Count(), 1);
      const wb::TCellArea& a = *s.sqref.GetItem(0);
      EXPECT_EQ(A(a.GetCol1(), a.GetRow1(), a.GetCol2(), a.GetRow2()), c.selection);
      if (c.frozen) {
        EXPECT_EQ(s.sqref.Count(), 2);
        EXPECT_EQ(s.activeCell, A(2, 3, 2, 3));
      }
    }
  }
}

TEST(XlsxSheetContents, MergesAndHyperlinks) {
  Book b;
  b.Load(Package(
      R"(<sheetData/><mergeCells count="2"><mergeCell ref="A1:B2"/><mergeCell ref="D4:D9"/></mergeCells>)"
      R"(<hyperlinks><hyperlink ref="A5" r:id="rId7" location="part" display="site" tooltip="go"/>)"
      R"(<hyperlink ref="B5:C5" location="'S'!A1" display="home"/>)"
      R"(<hyperlink ref="C7" r:id="rId9"/><hyperlink ref="D1" r:id="rId8" location="#Other"/></hyperlinks>)",
      Rel("rId7", "hyperlink", "https://example.org/a/b.html", true) + Rel("rId8", "hyperlink", "#'S'!B9", true)));
  const wb::TXc12MergedCells& m = *b.W().MergedCells;
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.GetItem(0)->Area, A(0, 0, 1, 1));
  EXPECT_EQ(m.GetItem(1)->Area, A(3, 3, 3, 8));

  const wb::TXc12Hyperlinks& h = *b.W().Hyperlinks;
  ASSERT_EQ(h.Count(), 4);
  // The relationship's target is the address; the location stays apart.
  EXPECT_EQ(h.GetItem(0)->Ref, A(0, 4, 0, 4));
  EXPECT_EQ(h.GetItem(0)->Address, u"https://example.org/a/b.html");
  EXPECT_EQ(h.GetItem(0)->Location, u"part");
  EXPECT_EQ(h.GetItem(0)->Display, u"site");
  EXPECT_EQ(h.GetItem(0)->Tooltip, u"go");
  // Without a relationship the location is the address.
  EXPECT_EQ(h.GetItem(1)->Ref, A(1, 4, 2, 4));
  EXPECT_EQ(h.GetItem(1)->Address, u"'S'!A1");
  // A relationship id the sheet does not hold gives no address rather than failing the read.
  EXPECT_EQ(h.GetItem(2)->Address, u"");
  // A target behind the fragment marker is a place in this workbook, not a file.
  EXPECT_EQ(h.GetItem(3)->Address, u"'S'!B9");
  EXPECT_EQ(h.GetItem(3)->Location, u"#Other");
}

TEST(XlsxSheetContents, ConditionalFormatsUseTheStylesDifferentialFormats) {
  Book b;
  b.Load(Package(
      R"(<sheetData/><conditionalFormatting sqref="A1:A10 C1">)"
      R"(<cfRule type="cellIs" dxfId="0" priority="2" operator="between"><formula>1</formula><formula>$B$1*2</formula></cfRule>)"
      R"(<cfRule type="expression" priority="1" stopIfTrue="1"><formula>A1&gt;0</formula><formula>2</formula><formula>3</formula><formula>4</formula></cfRule>)"
      R"(</conditionalFormatting><conditionalFormatting sqref="B1:B5">)"
      R"(<cfRule type="colorScale" priority="3"><colorScale><cfvo type="min"/><cfvo type="percentile" val="50"/><cfvo type="max"/>)"
      R"(<color rgb="FFF8696B"/><color theme="4"/><color indexed="10"/></colorScale></cfRule>)"
      R"(<cfRule type="dataBar" priority="4"><dataBar minLength="5"><cfvo type="num" val="0"/><cfvo type="formula" val="$B$9"/><color rgb="FF638EC6"/></dataBar></cfRule>)"
      R"(<cfRule type="iconSet" priority="5"><iconSet iconSet="3Arrows" showValue="0"><cfvo type="percent" val="0"/><cfvo type="percent" val="33" gte="0"/><cfvo type="percent" val="67"/></iconSet></cfRule>)"
      R"(</conditionalFormatting>)",
      "", kDxfStyles));
  const wb::TXc12DataStyleSheet& ss = *b.M().StyleSheet;
  const wb::TXc12ConditionalFormattings& cf = *b.W().ConditionalFormats;
  ASSERT_EQ(cf.Count(), 2);
  const wb::TXc12ConditionalFormatting& f = *cf.GetItem(0);
  EXPECT_EQ(f.Sqref.Count(), 2);
  ASSERT_EQ(f.Rules.Count(), 2);
  const wb::TXc12CfRule& cellIs = *f.Rules.GetItem(0);
  EXPECT_EQ(cellIs.dxf, ss.DXFs->GetItem(0));
  EXPECT_EQ(cellIs.priority, 2);
  EXPECT_EQ(cellIs.Operator, 6);  // between
  EXPECT_EQ(cellIs.Formulas[0], u"1");
  EXPECT_EQ(cellIs.Formulas[1], u"$B$1*2");
  const wb::TXc12CfRule& expr = *f.Rules.GetItem(1);
  EXPECT_EQ(expr.dxf, nullptr);  // no dxfId
  EXPECT_TRUE(expr.stopIfTrue);
  EXPECT_EQ(expr.Formulas[0], u"A1>0");
  EXPECT_EQ(expr.Formulas[2], u"3");  // the fourth formula is dropped

  const wb::TXc12ConditionalFormatting& g = *cf.GetItem(1);
  ASSERT_EQ(g.Rules.Count(), 3);
  const wb::TXc12ColorScale& scale = g.Rules.GetItem(0)->ColorScale;
  ASSERT_EQ(scale.Cfvos.Count(), 3);
  EXPECT_EQ(scale.Cfvos.GetItem(1)->val, u"50");
  ASSERT_EQ(scale.Colors.Count(), 3);
  wb::TXc12Color c;
  scale.Colors.GetItem(1, c);
  EXPECT_EQ(c.ColorType, wb::xctTheme);
  const wb::TXc12DataBar& bar = g.Rules.GetItem(1)->DataBar;
  EXPECT_EQ(bar.minLength, 5);
  EXPECT_EQ(bar.Cfvo2.val, u"$B$9");
  EXPECT_EQ(bar.Color.RGB, 0xFF638EC6u);
  const wb::TXc12IconSet& icons = g.Rules.GetItem(2)->IconSet;
  EXPECT_FALSE(icons.showValue);
  ASSERT_EQ(icons.Cfvos.Count(), 3);
  EXPECT_FALSE(icons.Cfvos.GetItem(1)->gte);

  // A rule naming a format the styles lack is a damaged file, reported as such.
  Book bad;
  EXPECT_NE(bad.Error(Package(R"(<sheetData/><conditionalFormatting sqref="A1"><cfRule type="expression" dxfId="5" priority="1"><formula>1</formula></cfRule></conditionalFormatting>)",
                              "", kDxfStyles))
                .find("differential format 5"),
            std::string::npos);
}

TEST(XlsxSheetContents, DifferentialFormatsAndTableStyles) {
  Book b;
  b.Load(Package("<sheetData/>", "", kDxfStyles));
  const wb::TXc12DataStyleSheet& ss = *b.M().StyleSheet;
  ASSERT_EQ(ss.DXFs->Count(), 2);
  const wb::TXc12DXF& bold = *ss.DXFs->GetItem(0);
  ASSERT_NE(bold.GetFont(), nullptr);
  EXPECT_EQ(bold.GetFont()->GetStyle(), 1);
  EXPECT_EQ(bold.GetFont()->GetColor().RGB, 0xFFFF0000u);
  ASSERT_NE(bold.GetNumFmt(), nullptr);
  EXPECT_EQ(bold.GetNumFmt()->GetMask(), u"0.0%");
  EXPECT_EQ(bold.GetFill(), nullptr);
  const wb::TXc12DXF& fill = *ss.DXFs->GetItem(1);
  ASSERT_NE(fill.GetFill(), nullptr);
  EXPECT_EQ(fill.GetFill()->BgColor.RGB, 0xFFFFFF00u);
  EXPECT_EQ(fill.GetFont(), nullptr);
  EXPECT_EQ(fill.GetProtection(), 3);  // hidden, and locked by default

  EXPECT_EQ(ss.TableStyles->DefaultTableStyle, u"TableStyleMedium9");
  EXPECT_EQ(ss.TableStyles->DefaultPivotStyle, u"PivotStyleLight16");
  ASSERT_EQ(ss.TableStyles->Count(), 1);
  wb::TXc12TableStyle& t = *ss.TableStyles->GetItem(0);
  EXPECT_EQ(t.GetName(), u"Mine");
  EXPECT_EQ(t.GetPivot(), 0);
  ASSERT_EQ(t.GetTableStyleElements().Count(), 2);
  EXPECT_EQ(t.GetTableStyleElements().GetItem(0)->GetDXF(), ss.DXFs->GetItem(1));
  // No dxfId counts as the first format.
  EXPECT_EQ(t.GetTableStyleElements().GetItem(1)->GetDXF(), ss.DXFs->GetItem(0));
}

TEST(XlsxSheetContents, DataValidations) {
  Book b;
  b.Load(Package(
      R"(<sheetData/><dataValidations count="2" disablePrompts="1">)"
      R"(<dataValidation type="list" allowBlank="1" showDropDown="1" showErrorMessage="1" errorTitle="Bad" error="Pick one" sqref="A1:A5 C2"><formula1>"yes,no,maybe"</formula1></dataValidation>)"
      R"(<dataValidation type="whole" operator="between" showInputMessage="1" promptTitle="N" prompt="1..9" sqref="B1"><formula1>1</formula1><formula2>$D$1+8</formula2></dataValidation>)"
      R"(</dataValidations>)"));
  const wb::TXc12DataValidations& dv = *b.W().DataValidations;
  EXPECT_TRUE(dv.disablePrompts);
  ASSERT_EQ(dv.Count(), 2);
  const wb::TXc12DataValidation& list = *dv.GetItem(0);
  EXPECT_EQ(list.type, 3);
  EXPECT_TRUE(list.allowBlank);
  EXPECT_TRUE(list.showDropDown);
  EXPECT_EQ(list.error, u"Pick one");
  EXPECT_EQ(list.formula1, u"\"yes,no,maybe\"");
  EXPECT_EQ(list.Sqref.Count(), 2);
  EXPECT_EQ(list.Sqref.GetAsText(), u"A1:A5 C2");
  const wb::TXc12DataValidation& whole = *dv.GetItem(1);
  EXPECT_EQ(whole.type, 1);
  EXPECT_EQ(whole.prompt, u"1..9");
  EXPECT_EQ(whole.formula2, u"$D$1+8");
}

TEST(XlsxSheetContents, AutoFilterAndSortState) {
  struct Case {
    const char* name;
    const char* xml;
    int columns;
    int sortConditions;
  };
  const Case cases[] = {
      {"two columns and a sort condition",
       R"(<autoFilter ref="A1:D20"><filterColumn colId="0"><filters blank="1"><filter val="x"/><filter val="y"/>)"
       R"(<dateGroupItem year="2024" month="3" dateTimeGrouping="month"/></filters></filterColumn>)"
       R"(<filterColumn colId="2"><customFilters and="1"><customFilter operator="greaterThan" val="5"/></customFilters></filterColumn>)"
       R"(<sortState ref="A2:D20"><sortCondition descending="1" ref="B2:B20"/></sortState></autoFilter>)",
       2, 1},
      {"a sort state without filter columns",
       R"(<autoFilter ref="A1:B9"><sortState ref="A2:B9"><sortCondition ref="A2:A9"/><sortCondition ref="B2:B9"/></sortState></autoFilter>)", 0,
       2},
      {"top ten and dynamic filters",
       R"(<autoFilter ref="A1:C9"><filterColumn colId="1"><top10 percent="1" val="10" filterVal="42"/></filterColumn>)"
       R"(<filterColumn colId="2"><dynamicFilter type="aboveAverage" val="3.5"/></filterColumn></autoFilter>)",
       2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b;
    b.Load(Package(std::string("<sheetData/>") + c.xml));
    const wb::TXc12AutoFilter& f = *b.W().AutoFilter;
    ASSERT_EQ(f.Columns.Count(), c.columns);
    EXPECT_EQ(f.SortState.SortConditions.Count(), c.sortConditions);
    if (std::string(c.name).starts_with("two")) {
      EXPECT_EQ(f.Ref, A(0, 0, 3, 19));
      const wb::TXc12FilterColumn& first = *f.Columns.GetItems(0);
      EXPECT_TRUE(first.Filters.blank);
      ASSERT_EQ(first.Filters.Values.size(), 2u);
      EXPECT_EQ(first.Filters.Values[1], u"y");
      ASSERT_EQ(first.Filters.DateGroupItems.Count(), 1);
      EXPECT_EQ(first.Filters.DateGroupItems.GetItems(0)->month, 3);
      EXPECT_FALSE(first.Top10.InUse);
      EXPECT_EQ(first.DynamicFilter.Type, wb::TXc12DynamicFilter::kNotInUse);
      const wb::TXc12FilterColumn& second = *f.Columns.GetItems(1);
      EXPECT_EQ(second.colId, 2);
      EXPECT_TRUE(second.CustomFilters.InUse);
      EXPECT_TRUE(second.CustomFilters.And);
      EXPECT_EQ(second.CustomFilters.Filter1.val, u"5");
      EXPECT_EQ(second.CustomFilters.Filter2.val, u"");  // one condition fills the first slot only
      EXPECT_TRUE(f.SortState.SortConditions.GetItems(0)->descending);
      EXPECT_EQ(f.SortState.SortConditions.GetItems(0)->ref, A(1, 1, 1, 19));
    } else if (std::string(c.name).starts_with("top")) {
      EXPECT_TRUE(f.Columns.GetItems(0)->Top10.InUse);
      EXPECT_TRUE(f.Columns.GetItems(0)->Top10.percent);
      EXPECT_EQ(f.Columns.GetItems(0)->Top10.filterVal, 42);
      EXPECT_EQ(f.Columns.GetItems(1)->DynamicFilter.val, 3.5);
      EXPECT_NE(f.Columns.GetItems(1)->DynamicFilter.Type, wb::TXc12DynamicFilter::kNotInUse);
    } else {
      EXPECT_EQ(f.SortState.Ref, A(0, 1, 1, 8));
    }
  }
}

TEST(XlsxSheetContents, PrintSettingsFormatAndProtection) {
  Book b;
  b.Load(Package(
      R"(<sheetPr codeName="Blatt1"><tabColor rgb="FF00B050"/><outlinePr summaryBelow="0"/><pageSetUpPr fitToPage="1"/></sheetPr>)"
      R"(<dimension ref="B2:E40"/><sheetFormatPr defaultRowHeight="15" baseColWidth="10" outlineLevelRow="2"/><sheetData/>)"
      R"(<sheetProtection password="CC1A" sheet="1" formatCells="0" selectLockedCells="1"/>)"
      R"(<printOptions gridLines="1" horizontalCentered="1"/>)"
      R"(<pageMargins left="0.5" right="0.5" top="1" bottom="1" header="0.25" footer="0.25"/>)"
      R"(<pageSetup paperSize="9" orientation="landscape" scale="80" fitToHeight="0" r:id="rId1"/>)"
      R"(<headerFooter differentFirst="1"><oddHeader>&amp;C&amp;A</oddHeader><firstFooter>Page &amp;P</firstFooter></headerFooter>)"
      R"(<rowBreaks count="2" manualBreakCount="2"><brk id="10" max="16383" man="1"/><brk id="20" max="16383" man="1"/></rowBreaks>)"
      R"(<colBreaks count="1"><brk id="3" max="1048575" man="1"/></colBreaks>)",
      Rel("rId1", "printerSettings", "../printerSettings/printerSettings1.bin")));
  wb::TXc12DataWorksheet& w = b.W();
  EXPECT_EQ(w.SheetPr.codeName, u"Blatt1");
  EXPECT_EQ(w.SheetPr.tabColor.RGB, 0xFF00B050u);
  EXPECT_FALSE(w.SheetPr.OutlinePr.summaryBelow);
  EXPECT_TRUE(w.SheetPr.PageSetUpPr.fitToPage);
  EXPECT_EQ(w.SheetFormatPr.defaultRowHeight, 300);
  EXPECT_EQ(w.SheetFormatPr.baseColWidth, 10);
  EXPECT_EQ(w.SheetFormatPr.outlineLevelRow, 2);
  EXPECT_EQ(w.SheetProtection.password, 0xCC1A);
  EXPECT_TRUE(w.SheetProtection.sheet);
  EXPECT_FALSE(w.SheetProtection.formatCells);
  EXPECT_TRUE(w.SheetProtection.formatRows);
  EXPECT_TRUE(w.SheetProtection.selectLockedCells);
  EXPECT_TRUE(w.PrintOptions.gridLines);
  EXPECT_TRUE(w.PrintOptions.horizontalCentered);
  EXPECT_EQ(w.PageMargins.left, 0.5);
  EXPECT_EQ(w.PageMargins.header, 0.25);
  EXPECT_EQ(w.PageSetup.paperSize, 9);
  EXPECT_EQ(w.PageSetup.orientation, 2);
  EXPECT_EQ(w.PageSetup.scale, 80);
  EXPECT_EQ(w.PageSetup.fitToHeight, 0);
  ASSERT_NE(w.PageSetup.PrinterSettings, nullptr);
  EXPECT_EQ(w.PageSetup.PrinterSettings->GetSize(), 9);
  EXPECT_TRUE(w.HeaderFooter.differentFirst);
  EXPECT_EQ(w.HeaderFooter.oddHeader, u"&C&A");
  EXPECT_EQ(w.HeaderFooter.firstFooter, u"Page &P");
  ASSERT_EQ(w.RowBreaks.Count(), 2);
  EXPECT_EQ(w.RowBreaks.GetItem(1)->id, 20);
  EXPECT_TRUE(w.RowBreaks.GetItem(1)->man);
  ASSERT_EQ(w.ColBreaks.Count(), 1);
  EXPECT_EQ(w.ColBreaks.GetItem(0)->max, 1048575);

  // Without the elements the sheet keeps the defaults: protection off with its permissive flags,
  // and a page setup with no printer settings.
  Book plain;
  plain.Load(Package(R"(<sheetData/><pageSetup orientation="portrait" r:id="rId5"/>)"));
  EXPECT_FALSE(plain.W().SheetProtection.sheet);
  EXPECT_TRUE(plain.W().SheetProtection.formatCells);
  EXPECT_EQ(plain.W().PageSetup.PrinterSettings, nullptr);
  EXPECT_EQ(plain.W().PageSetup.orientation, 1);
}

TEST(XlsxSheetContents, OtherListsOfTheSheet) {
  Book b;
  b.Load(Package(
      R"(<sheetData/><protectedRanges><protectedRange name="In" sqref="A1:B2 D4"/></protectedRanges>)"
      R"(<scenarios current="0"><scenario name="Hi" user="me"><inputCells r="B3" val="7"/></scenario></scenarios>)"
      R"(<customSheetViews><customSheetView guid="{11111111-2222-3333-4444-555555555555}" scale="90" showGridLines="0" topLeftCell="C3">)"
      R"(<pane ySplit="2" topLeftCell="A3" state="frozen"/><selection activeCell="B4" sqref="B4"/><rowBreaks/>)"
      R"(<colBreaks count="1"><brk id="4" man="1"/></colBreaks><pageSetup orientation="landscape"/><autoFilter ref="A1:B4"/></customSheetView></customSheetViews>)"
      R"(<cellWatches><cellWatch r="C9"/></cellWatches>)"
      R"(<ignoredErrors><ignoredError sqref="A1:A9" numberStoredAsText="1"/></ignoredErrors>)"));
  wb::TXc12DataWorksheet& w = b.W();
  ASSERT_EQ(w.ProtectedRanges.Count(), 1);
  EXPECT_EQ(w.ProtectedRanges.GetItems(0)->name, u"In");
  EXPECT_EQ(w.ProtectedRanges.GetItems(0)->sqref.Count(), 2);
  ASSERT_EQ(w.Scenarios.Count(), 1);
  EXPECT_EQ(w.Scenarios.GetItems(0)->user, u"me");
  ASSERT_EQ(w.Scenarios.GetItems(0)->InputCells.Count(), 1);
  EXPECT_EQ(w.Scenarios.GetItems(0)->InputCells.GetItem(0)->Row, 2);
  EXPECT_EQ(w.Scenarios.GetItems(0)->InputCells.GetItem(0)->val, u"7");
  ASSERT_EQ(w.CustomSheetViews.Count(), 1);
  const wb::TXc12CustomSheetView& v = *w.CustomSheetViews.GetItem(0);
  EXPECT_EQ(v.scale, 90);
  EXPECT_FALSE(v.showGridLines);
  EXPECT_EQ(v.topLeftCell, A(2, 2, 2, 2));
  EXPECT_EQ(v.Pane.ySplit, 2);
  EXPECT_EQ(v.Selection.activeCell, A(1, 3, 1, 3));
  EXPECT_EQ(v.RowBreaks.Count(), 0);
  ASSERT_EQ(v.ColBreaks.Count(), 1);
  EXPECT_EQ(v.ColBreaks.GetItem(0)->id, 4);
  EXPECT_EQ(v.PageSetup.orientation, 2);
  EXPECT_EQ(v.AutoFilter.Ref, A(0, 0, 1, 3));
  ASSERT_EQ(w.CellWatches.Count(), 1);
  EXPECT_EQ(w.CellWatches.GetItem(0)->Col, 2);
  EXPECT_EQ(w.CellWatches.GetItem(0)->Row, 8);
  ASSERT_EQ(w.IgnoredErrors.Count(), 1);
  EXPECT_TRUE(w.IgnoredErrors.GetItems(0)->numberStoredAsText);
}

// Damaged worksheet contents: what cannot stand in the model is left out with a warning, what
// names a record the file lacks is an error naming it; no case may crash.
TEST(XlsxSheetContents, DamagedContents) {
  struct Case {
    const char* name;
    const char* xml;
    int merges, links;
    const char* error;  // empty: the read succeeds
  };
  const Case cases[] = {
      {"merges given twice, reversed, off the grid or garbage",
       R"(<sheetData/><mergeCells><mergeCell ref="A1:B2"/><mergeCell ref="A1:B2"/><mergeCell ref="C3:B1"/>)"
       R"(<mergeCell ref="XFE1:XFF2"/><mergeCell ref="A1048577:A1048578"/><mergeCell ref="??"/><mergeCell ref=""/><mergeCell ref="D4:E4"/></mergeCells>)",
       2, 0, ""},
      {"hyperlinks without a usable area",
       R"(<sheetData/><hyperlinks><hyperlink ref="" location="A1"/><hyperlink ref="ZZZZ9" location="A1"/><hyperlink ref="B2" location="A1"/></hyperlinks>)",
       0, 1, ""},
      {"a filter colour naming no differential format",
       R"(<sheetData/><autoFilter ref="A1:B3"><filterColumn colId="0"><colorFilter dxfId="3"/></filterColumn></autoFilter>)", 0, 0,
       "differential format 3"},
      {"views, selections and breaks with garbage references",
       R"(<sheetViews><sheetView topLeftCell="?" workbookViewId="0"><pane xSplit="-5" topLeftCell="!!" state="frozen"/>)"
       R"(<selection activeCell="" sqref="A1:?? B2"/></sheetView></sheetViews><sheetData/>)"
       R"(<rowBreaks><brk id="-1"/><brk id="99999999"/></rowBreaks>)",
       0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book b;
    const std::string error = b.Error(Package(c.xml));
    if (*c.error) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    ASSERT_EQ(error, "");
    EXPECT_EQ(b.W().MergedCells->Count(), c.merges);
    EXPECT_EQ(b.W().Hyperlinks->Count(), c.links);
  }
}

// The indexed palette belongs to the workbook: its entries resolve that workbook's colours, reach
// no other workbook and never touch the process's palette.
TEST(XlsxSheetContents, IndexedPaletteBelongsToTheWorkbook) {
  std::string entries;
  // More entries than the palette holds: kept for the writer, bounded for resolving.
  for (int i = 0; i < 70; ++i) entries += i == 10 ? R"(<rgbColor rgb="FF123456"/>)" : R"(<rgbColor rgb="FF000000"/>)";
  const std::string styles =
      R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><color indexed="10"/><sz val="11"/><name val="Calibri"/></font></fonts>)"
      R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="solid"><fgColor indexed="1"/></patternFill></fill></fills>)"
      R"(<borders count="1"><border/></borders><cellXfs count="1"><xf fontId="1" fillId="1"/></cellXfs>)";
  const wb::TXc12Palette process = wb::Xc12Palette();

  Book custom;
  custom.Load(Package("<sheetData/>", "", styles + "<colors><indexedColors>" + entries + "</indexedColors></colors>"));
  const wb::TXc12DataStyleSheet& ss = *custom.M().StyleSheet;
  EXPECT_EQ(ss.IndexColorObjs->Count(), 70);
  EXPECT_EQ(ss.Palette[10], 0x00563412u);
  EXPECT_EQ(ss.Fonts->GetItem(1)->GetColor().ARGB, 0x00563412u);
  EXPECT_EQ(ss.Palette[64], wb::Xc12DefaultPalette[64]);  // the automatic colour stays

  Book plain;
  plain.Load(Package("<sheetData/>", "", styles));
  const wb::TXc12DataStyleSheet& ps = *plain.M().StyleSheet;
  EXPECT_EQ(ps.Fonts->GetItem(1)->GetColor().ARGB, wb::Xc12DefaultPalette[10]);
  // Indexed 1 is white in a package (the legacy start palette leaves it 0).
  EXPECT_EQ(ps.Fills->GetItem(1)->FgColor.ARGB, 0x00FFFFFFu);
  // The first workbook keeps its colours after the second was read.
  EXPECT_EQ(ss.Fonts->GetItem(1)->GetColor().ARGB, 0x00563412u);
  EXPECT_EQ(wb::Xc12Palette(), process);
}

}  // namespace
