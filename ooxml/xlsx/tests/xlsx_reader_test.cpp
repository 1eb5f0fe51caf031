// The .xlsx reader on small packages built part by part: what reaches the model, and the damaged
// packages that must give a clear error.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_store.h"
#include "workbook/colors.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;

const char kContentTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)"
    R"(</Types>)";

const char kRootRels[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return R"(<Relationship Id=")" + id + R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/)" +
         type + R"(" Target=")" + target + R"("/>)";
}

const char kNs[] = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

// A package of one or two sheets, with the styles and shared strings given (none when empty).
struct Book {
  std::string sheet1 = "<sheetData/>";
  std::string sheet2;  // a second sheet when not empty
  std::string styles;
  std::string strings;
  std::string workbookPr;
  std::string sheetsExtra;  // attributes of the first sheet element

  std::string Zip() const {
    std::string wbrels = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    wbrels += Rel("rId1", "worksheet", "worksheets/sheet1.xml");
    if (!sheet2.empty()) wbrels += Rel("rId2", "worksheet", "worksheets/sheet2.xml");
    if (!styles.empty()) wbrels += Rel("rId3", "styles", "styles.xml");
    if (!strings.empty()) wbrels += Rel("rId4", "sharedStrings", "sharedStrings.xml");
    wbrels += "</Relationships>";
    std::string book = std::string("<workbook") + kNs + ">" + workbookPr + "<sheets><sheet name=\"One\" sheetId=\"1\" r:id=\"rId1\"" +
                       sheetsExtra + "/>";
    if (!sheet2.empty()) book += R"(<sheet name="Two" sheetId="2" state="hidden" r:id="rId2"/>)";
    book += "</sheets></workbook>";
    opc_testing::Parts parts = {{"[Content_Types].xml", kContentTypes},
                                {"_rels/.rels", kRootRels},
                                {"xl/workbook.xml", book},
                                {"xl/_rels/workbook.xml.rels", wbrels},
                                {"xl/worksheets/sheet1.xml", std::string("<worksheet") + kNs + ">" + sheet1 + "</worksheet>"}};
    if (!sheet2.empty())
      parts.push_back({"xl/worksheets/sheet2.xml", std::string("<worksheet") + kNs + ">" + sheet2 + "</worksheet>"});
    if (!styles.empty()) parts.push_back({"xl/styles.xml", std::string("<styleSheet") + kNs + ">" + styles + "</styleSheet>"});
    if (!strings.empty()) parts.push_back({"xl/sharedStrings.xml", std::string("<sst") + kNs + ">" + strings + "</sst>"});
    return opc_testing::MakeZip(parts);
  }
};

class Reader {
public:
  Reader() {
    wb::TXLSSpreadsheetNeighbours n;
    ooxml::RegisterXlsxNeighbours(n);
    book_ = std::make_unique<wb::TXLSSpreadsheet5>(n);
  }
  void Load(const std::string& zip) {
    wb::TPointerMemoryStream s(zip.data(), static_cast<std::int64_t>(zip.size()));
    book_->LoadFromStream(s, true);
  }
  wb::TXc12Manager& M() { return *book_->GetManager(); }
  wb::TXLSCellMMU& Cells(int sheet = 0) { return *M().Worksheets->GetItem(sheet)->Cells; }
  // The cell, which the test requires to be there.
  wb::TMMUCellRef Ref(int col, int row, int sheet = 0) {
    wb::TMMUCellRef ref;
    EXPECT_TRUE(Cells(sheet).FindCell(col, row, ref)) << col << "," << row;
    return ref;
  }
  std::u16string Text(int col, int row, int sheet = 0) {
    std::u16string t;
    wb::TMMUCellRef ref;
    if (Cells(sheet).FindCell(col, row, ref)) Cells(sheet).GetString(ref, t);
    return t;
  }
  double Float(int col, int row, int sheet = 0) { return wb::TXLSCellMMU::GetFloat(Ref(col, row, sheet)); }

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

TEST(XlsxReader, SheetsKeepTheOrderNamesAndStatesOfTheWorkbookPart) {
  Book b;
  b.sheet2 = R"(<sheetData><row r="1"><c r="A1"><v>2</v></c></row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  ASSERT_EQ(r.M().Worksheets->Count(), 2);
  EXPECT_EQ(r.M().Worksheets->GetItem(0)->Name, u"One");
  EXPECT_EQ(r.M().Worksheets->GetItem(1)->Name, u"Two");
  EXPECT_EQ(r.M().Worksheets->GetItem(1)->State, 1);
  EXPECT_EQ(r.M().Workbook->Sheets.Count(), 0);
  ASSERT_EQ(r.M().FileData->SheetIdCount(), 2);
  EXPECT_EQ(r.M().FileData->SheetIds[1].Id, u"rId2");
  EXPECT_EQ(r.Float(0, 0, 1), 2);
}

TEST(XlsxReader, ValueCellsOfEveryKind) {
  Book b;
  b.strings = R"(<si><t>plain</t></si><si><t>dup</t></si><si><t>dup</t></si>)"
              R"(<si><t>CR_x000D_LF_x000a_</t></si><si><t><![CDATA[a<b]]></t></si><si><t>温度 😀</t></si>)";
  b.sheet1 = R"(<sheetData><row r="1">)"
             R"(<c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>2</v></c><c r="C1"><v>1.5e3</v></c>)"
             R"(<c r="D1" t="b"><v>1</v></c><c r="E1" t="e"><v>#DIV/0!</v></c><c r="F1" t="str"><v>direct</v></c>)"
             R"(<c r="G1" t="inlineStr"><is><r><t>in</t></r><r><rPr><b/></rPr><t>line</t></r></is></c><c r="H1" s="0"/>)"
             R"(<c r="I1" t="s"><v>3</v></c><c r="J1" t="s"><v>4</v></c><c r="K1" t="s"><v>5</v></c>)"
             R"(</row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  EXPECT_EQ(r.Text(0, 0), u"plain");
  // Equal items stay two entries: the cells refer to them by file index.
  EXPECT_EQ(r.Text(1, 0), u"dup");
  EXPECT_EQ(wb::TXLSCellMMU::GetStringIndex(r.Ref(1, 0)), 2);
  EXPECT_EQ(r.M().SST->GetText(1), u"dup");
  EXPECT_EQ(r.Float(2, 0), 1500);
  EXPECT_TRUE(wb::TXLSCellMMU::GetBoolean(r.Ref(3, 0)));
  EXPECT_EQ(wb::TXLSCellMMU::GetError(r.Ref(4, 0)), wb::errDiv0);
  EXPECT_EQ(r.Text(5, 0), u"direct");
  EXPECT_EQ(r.Text(6, 0), u"inline");
  EXPECT_EQ(wb::TXLSCellMMU::CellType(r.Ref(7, 0)), wb::cvkBlank);
  EXPECT_EQ(r.Text(8, 0), u"CR\rLF\n");
  EXPECT_EQ(r.Text(9, 0), u"a<b");
  EXPECT_EQ(r.Text(10, 0), u"温度 😀");
}

TEST(XlsxReader, IsoDateCellsBecomeSerialsOfTheWorkbooksDateSystem) {
  struct Case {
    const char* pr;
    const char* value;
    double serial;
  } cases[] = {
      {"", "2024-03-01", 45352},
      {"", "2024-03-01T12:00:00", 45352.5},
      {"", "1900-01-01", 1},
      {"", "1900-03-01", 61},
      {"", "06:00:00", 0.25},
      {"<workbookPr date1904=\"1\"/>", "2024-03-01", 43890},
      {"<workbookPr date1904=\"1\"/>", "1904-01-02T00:00:00.000", 1},
  };
  for (const Case& c : cases) {
    Book b;
    b.workbookPr = c.pr;
    b.sheet1 = std::string(R"(<sheetData><row r="1"><c r="A1" t="d"><v>)") + c.value + "</v></c></row></sheetData>";
    Reader r;
    r.Load(b.Zip());
    EXPECT_DOUBLE_EQ(r.Float(0, 0), c.serial) << c.pr << c.value;
  }
  Book bad;
  bad.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="d"><v>yesterday</v></c></row></sheetData>)";
  EXPECT_NE(Error(bad.Zip()).find("Invalid date"), std::string::npos);
}

TEST(XlsxReader, CellsAndRowsWithoutReferenceFollowTheOneBefore) {
  Book b;
  b.sheet1 = R"(<sheetData><row r="3"><c><v>1</v></c><c><v>2</v></c><c r="E3"><v>3</v></c><c><v>4</v></c></row>)"
             R"(<row><c><v>5</v></c></row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  EXPECT_EQ(r.Float(0, 2), 1);
  EXPECT_EQ(r.Float(1, 2), 2);
  EXPECT_EQ(r.Float(4, 2), 3);
  EXPECT_EQ(r.Float(5, 2), 4);
  EXPECT_EQ(r.Float(0, 3), 5);
}

TEST(XlsxReader, RowsAndColumns) {
  Book b;
  b.sheet1 = R"(<cols><col min="1" max="3" width="12.5" customWidth="1" hidden="1"/></cols>)"
             R"(<sheetData><row r="2" ht="15" customHeight="1" outlineLevel="2"/><row r="4"/></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  wb::TXc12DataWorksheet& w = *r.M().Worksheets->GetItem(0);
  ASSERT_EQ(w.Columns.Count(), 1);
  EXPECT_EQ(w.Columns.GetItem(0)->Min, 0);
  EXPECT_EQ(w.Columns.GetItem(0)->Max, 2);
  EXPECT_EQ(w.Columns.GetItem(0)->Width, 12.5);
  EXPECT_EQ(w.Columns.GetItem(0)->Flags, 1 | 4);
  wb::TMMURowHeader h = w.Cells->FindRow(1);
  ASSERT_TRUE(h);
  EXPECT_EQ(h.Height(), 300);
  EXPECT_EQ(h.Flags(), wb::TMMURowHeader::rhfCustomHeight);
  EXPECT_EQ(h.OutlineLevel(), 2);
  wb::TMMURowHeader plain = w.Cells->FindRow(3);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.Height(), 0xFFFF);
}

TEST(XlsxReader, FormulasKeepTheirTextResultAndArrayMembers) {
  Book b;
  b.sheet1 = R"(<sheetData><row r="1"><c r="A1"><f>SUM(C1:C3)</f><v>6</v></c>)"
             R"(<c r="B1"><f t="array" ref="B1:B3">C1:C3*2</f><v>2</v></c><c r="C1"><v>1</v></c>)"
             R"(<c r="D1" t="str"><f>"x"&amp;"y"</f><v>xy</v></c><c r="E1" t="e"><f>1/0</f><v>#DIV/0!</v></c>)"
             R"(<c r="F1" t="b"><f ca="1">TRUE()</f><v>1</v></c></row>)"
             R"(<row r="2"><c r="B2"><v>4</v></c></row><row r="3"><c r="B3"/></row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  wb::TXLSCellMMU& cells = r.Cells();
  wb::TXLSFormulaHelper& h = cells.FormulaHelper();
  struct Case {
    int col, row;
    std::uint8_t kind;
    const char16_t* text;
  } cases[] = {
      {0, 0, wb::mfkNormal, u"SUM(C1:C3)"}, {1, 0, wb::mfkArray, u"C1:C3*2"}, {3, 0, wb::mfkNormal, u"\"x\"&\"y\""},
      {4, 0, wb::mfkNormal, u"1/0"},        {5, 0, wb::mfkNormal, u"TRUE()"},  {1, 1, wb::mfkArrayMember, u""},
      {1, 2, wb::mfkArrayMember, u""},
  };
  for (const Case& c : cases) {
    cells.ReadFormula(r.Ref(c.col, c.row));
    EXPECT_EQ(h.FormulaKind, c.kind) << c.col << "," << c.row;
    std::u16string text;
    if (c.kind != wb::mfkArrayMember) wb::TXLSCellMMU::GetFormulaSourceText(r.Ref(c.col, c.row), text);
    EXPECT_EQ(text, c.text) << c.col << "," << c.row;
    if (c.kind == wb::mfkArrayMember) {
      EXPECT_EQ(h.MasterCol, 1);
      EXPECT_EQ(h.MasterRow, 0);
    }
  }
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaFloat(r.Ref(0, 0)), 6);
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaFloat(r.Ref(1, 1)), 4);
  std::u16string s;
  wb::TXLSCellMMU::GetFormulaString(r.Ref(3, 0), s);
  EXPECT_EQ(s, u"xy");
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaError(r.Ref(4, 0)), wb::errDiv0);
  EXPECT_TRUE(wb::TXLSCellMMU::GetFormulaBoolean(r.Ref(5, 0)));
  wb::TXLSCellArea area;
  ASSERT_TRUE(wb::TXLSCellMMU::GetFormulaAreaRect(r.Ref(1, 0), area));
  EXPECT_EQ(area.Row2, 2);
  // A formula whose cached result is a shared-string index is no formula cell any producer writes.
  Book bad;
  bad.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="s"><f>A2</f><v>0</v></c></row></sheetData>)";
  EXPECT_EQ(Error(bad.Zip()), "Unsupported type of formula cell: 4");
}

TEST(XlsxReader, ARelationshipLoopEnds) {
  Book b;
  b.sheet1 = R"(<sheetData><row r="1"><c r="A1"><v>7</v></c></row></sheetData>)";
  opc_testing::Parts parts;
  std::string zip = b.Zip();
  // The sheet relates back to the workbook, which relates to the sheet.
  std::map<std::string, std::string> entries = opc_testing::ReadZip(zip);
  entries["xl/worksheets/_rels/sheet1.xml.rels"] =
      R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)" +
      Rel("rId1", "worksheet", "../workbook.xml") + "</Relationships>";
  for (const auto& [name, bytes] : entries) parts.push_back({name, bytes});
  Reader r;
  r.Load(opc_testing::MakeZip(parts));
  EXPECT_EQ(r.Float(0, 0), 7);
}

const char kStyles[] =
    R"(<numFmts count="1"><numFmt numFmtId="164" formatCode="0.000"/></numFmts>)"
    R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><i val="0"/><u/><sz val="14"/><color rgb="FFFF0000"/><name val="Arial"/></font></fonts>)"
    R"(<fills count="3"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor indexed="2"/></patternFill></fill></fills>)"
    R"(<borders count="2"><border><left/><right/><top/><bottom/><diagonal/></border>)"
    R"(<border><left style="thin"/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
    R"(<xf numFmtId="164" fontId="1" fillId="2" borderId="1" xfId="0" applyNumberFormat="1" applyFont="1"><alignment horizontal="center" wrapText="1"/></xf></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(<colors><indexedColors><rgbColor rgb="FF000000"/><rgbColor rgb="FFFFFFFF"/><rgbColor rgb="FF123456"/></indexedColors></colors>)";

TEST(XlsxReader, StylesKeepTheirFileIndexes) {
  const std::array<std::uint32_t, wb::kXc12PaletteSize> before = wb::Xc12Palette();
  Book b;
  b.styles = kStyles;
  b.sheet1 = R"(<sheetData><row r="1"><c r="A1" s="1"><v>1</v></c></row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  wb::TXc12DataStyleSheet& s = *r.M().StyleSheet;
  EXPECT_EQ(s.NumberFormats->GetItem(164)->GetMask(), u"0.000");
  ASSERT_GE(s.XFs->Count(), 2);
  const wb::TXc12XF& xf = *s.XFs->GetItem(1);
  EXPECT_EQ(xf.GetNumberFormat()->GetMask(), u"0.000");
  EXPECT_EQ(xf.GetFont(), s.Fonts->GetItem(1));
  EXPECT_EQ(xf.GetFont()->GetName(), u"Arial");
  EXPECT_EQ(xf.GetFont()->GetStyle(), 1);  // bold; i with val 0 is not italic
  EXPECT_EQ(xf.GetFont()->GetUnderline(), wb::xulSingle);
  EXPECT_EQ(xf.GetFont()->GetColor().ColorType, wb::xctRgb);
  EXPECT_EQ(xf.GetFill(), s.Fills->GetItem(2));
  EXPECT_EQ(xf.GetFill()->FgColor.ColorType, wb::xctIndexed);
  // The file's palette is the workbook's: the process's palette stays as it was.
  EXPECT_EQ(wb::Xc12Palette(), before);
  EXPECT_EQ(s.IndexColorObjs->Count(), 3);
  // An absent colour element is automatic, never white.
  EXPECT_EQ(xf.GetFill()->BgColor.ColorType, wb::xctAuto);
  EXPECT_EQ(xf.GetBorder()->Left.Style, wb::cbsThin);
  EXPECT_EQ(xf.GetBorder()->Left.Color.ColorType, wb::xctAuto);
  EXPECT_EQ(xf.Alignment.GetHorizAlignment(), 2);
  EXPECT_EQ(xf.Alignment.GetOptions(), 1);
  EXPECT_EQ(xf.GetApply(), 3);
  EXPECT_EQ(wb::TXLSCellMMU::GetStyle(r.Ref(0, 0)), 1);
}

TEST(XlsxReader, RichTextRunsWithFontsTheStyleSheetLacksStillRead) {
  Book b;
  b.styles = kStyles;
  b.strings = R"(<si><r><t>a</t></r><r><rPr><b/><sz val="11"/><rFont val="Calibri"/></rPr><t>bc</t></r>)"
              R"(<r><rPr><i/><sz val="9"/><color rgb="FF00FF00"/><rFont val="Courier New"/></rPr><t>d</t></r></si>)";
  b.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData>)";
  Reader r;
  r.Load(b.Zip());
  EXPECT_EQ(r.Text(0, 0), u"abcd");
  const wb::TXc12SSTString* rec = r.M().SST->GetItems(0);
  ASSERT_EQ(wb::TXc12DataSST::GetFontRunCount(rec), 2);
  EXPECT_EQ(wb::TXc12DataSST::GetFontRun(rec, 0).Index, 1);
  EXPECT_EQ(wb::TXc12DataSST::GetFontRun(rec, 1).Index, 3);
  const wb::TXc12Font* f = wb::TXc12DataSST::GetFontRun(rec, 1).Font;
  ASSERT_TRUE(f);
  EXPECT_EQ(f->GetName(), u"Courier New");
  EXPECT_EQ(f->GetSize(), 9);
}

TEST(XlsxReader, DamagedPackagesGiveClearErrors) {
  struct Case {
    const char* what;
    std::string zip;
    const char* error;
  };
  Book badIndex;
  badIndex.strings = "<si><t>x</t></si>";
  badIndex.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="s"><v>1</v></c></row></sheetData>)";
  Book negIndex = badIndex;
  negIndex.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="s"><v>-1</v></c></row></sheetData>)";
  Book badStyle;
  badStyle.styles = R"(<cellXfs count="1"><xf numFmtId="0" fontId="7" fillId="0" borderId="0"/></cellXfs>)";
  Book badRef;
  badRef.sheet1 = R"(<sheetData><row r="1"><c r="XFE1"><v>1</v></c></row></sheetData>)";
  Book badSheet;
  badSheet.sheetsExtra = "";
  std::string noSheetPart = badSheet.Zip();
  const std::string good = Book().Zip();
  Case cases[] = {
      {"string index past the table", badIndex.Zip(), "not in the shared-string table"},
      {"negative string index", negIndex.Zip(), "not in the shared-string table"},
      {"font index past the list", badStyle.Zip(), "refers to font 7"},
      {"column past the grid", badRef.Zip(), "Invalid cell reference"},
      {"truncated archive", good.substr(0, good.size() / 2), ""},
      {"no archive", std::string("PK\x03\x04garbage", 11), ""},
  };
  for (const Case& c : cases) {
    const std::string e = Error(c.zip);
    EXPECT_FALSE(e.empty()) << c.what;
    EXPECT_NE(e.find(c.error), std::string::npos) << c.what << ": " << e;
  }
}

// The uncompressed size an archive declares for one entry, overwritten in its local header and its
// directory record.
std::string Redeclare(std::string zip, const std::string& name, std::uint32_t size) {
  auto put = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  };
  for (std::size_t at = 0; (at = zip.find("PK", at)) != std::string::npos; ++at) {
    if (zip.compare(at, 4, "PK\x03\x04") == 0 && zip.compare(at + 30, name.size(), name) == 0) put(at + 22);
    if (zip.compare(at, 4, "PK\x01\x02") == 0 && zip.compare(at + 46, name.size(), name) == 0) put(at + 24);
  }
  return zip;
}

TEST(XlsxReader, HostileSizesEndInAClearErrorOrABoundedRead) {
  struct Case {
    const char* what;
    std::string zip;
    const char* error;  // empty: the package reads
  };
  Book hugeRow;
  hugeRow.sheet1 = R"(<sheetData><row r="1048577"><c><v>1</v></c></row></sheetData>)";
  Book overflowRow;
  overflowRow.sheet1 = R"(<sheetData><row r="99999999999999999999"><c r="A1"><v>1</v></c></row></sheetData>)";
  Book hugeCellRow;
  hugeCellRow.sheet1 = R"(<sheetData><row><c r="A99999999999"><v>1</v></c></row></sheetData>)";
  Book hugeCounts;
  hugeCounts.strings = R"(<si><t>x</t></si>)";
  hugeCounts.styles = R"(<fonts count="2147483647"><font/></fonts><cellXfs count="4294967295"><xf/></cellXfs>)";
  hugeCounts.sheet1 = R"(<dimension ref="A1:XFD1048576"/><sheetData><row r="1" spans="1:16384" ht="1e308" )"
                      R"(outlineLevel="2147483647"><c r="A1" s="2147483647" t="s"><v>0</v></c></row></sheetData>)"
                      R"(<cols><col min="1" max="2147483647" width="1e308" style="99999"/></cols>)";
  Book strings;
  strings.strings = "<si><t>x</t></si>";
  strings.sheet1 = R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData>)";
  const std::string good = strings.Zip();
  Case cases[] = {
      {"row past the grid", hugeRow.Zip(), "beyond the last row"},
      {"row number past any integer", overflowRow.Zip(), ""},
      {"cell row past any integer", hugeCellRow.Zip(), "Invalid cell reference"},
      {"huge counts, sizes and indexes", hugeCounts.Zip(), ""},
      {"sheet part declared 4 GB", Redeclare(good, "xl/worksheets/sheet1.xml", 0xFFFFFFFFu), "Unexpected end of file"},
      {"string table declared 4 GB", Redeclare(good, "xl/sharedStrings.xml", 0xFFFFFFF0u), "Unexpected end of file"},
      // An entry whose size says empty reads as empty: its string is then missing.
      {"string table declared empty", Redeclare(good, "xl/sharedStrings.xml", 0), "not in the shared-string table"},
  };
  for (const Case& c : cases) {
    const std::string e = Error(c.zip);
    if (*c.error) EXPECT_NE(e.find(c.error), std::string::npos) << c.what << ": " << e;
    else EXPECT_TRUE(e.empty()) << c.what << ": " << e;
  }
}

TEST(XlsxReader, MissingWorkbookAndSheetParts) {
  opc_testing::Parts noWorkbook = {{"[Content_Types].xml", kContentTypes}, {"_rels/.rels", kRootRels}};
  EXPECT_NE(Error(opc_testing::MakeZip(noWorkbook)).find("workbook"), std::string::npos);
  opc_testing::Parts noSheet = {
      {"[Content_Types].xml", kContentTypes},
      {"_rels/.rels", kRootRels},
      {"xl/workbook.xml", std::string("<workbook") + kNs + R"(><sheets><sheet name="A" sheetId="1" r:id="rId9"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
       R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"></Relationships>)"}};
  EXPECT_NE(Error(opc_testing::MakeZip(noSheet)).find("Can not find worksheet in OPC"), std::string::npos);
}

}  // namespace
