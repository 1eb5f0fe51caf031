// The writer's sheets: rows and cells of every kind from the cell store and from the write-cell
// event, columns, comments with their note shapes, merged cells, hyperlinks, the worksheet's other
// records, tables, chartsheets; and workbooks of other producers read, written and read again.
#include <gtest/gtest.h>

#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes allocated and not yet freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/sheetdrawing/drawing_document.h"
#include "ooxml/xlsx/tests/xlsx_book_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/cell_format_editor.h"
#include "workbook/cell_store.h"
#include "workbook/comments_data.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "workbook/worksheet_api.h"
#include "workbook/worksheet_data.h"
#include "xml/xml_values.h"

namespace {

namespace wb = workbook;
using core::u16;

// A workbook component that reads and writes .xlsx.
class Book : public xlsx_testing::XlsxBook {
public:
  // With Drawings, drawing parts are read into the sheets' drawing documents; without, they are kept
  // whole as parts.
  explicit Book(bool Drawings = false) : XlsxBook(Neighbours(Drawings)) {}
  wb::TXLSSpreadsheet5& operator*() { return Component(); }
  wb::TXLSSpreadsheet5* operator->() { return &Component(); }
  wb::TXLSCellMMU& Cells(int i = 0) { return *Sheet(i).Cells; }

private:
  static wb::TXLSSpreadsheetNeighbours Neighbours(bool Drawings) {
    wb::TXLSSpreadsheetNeighbours n;
    if (Drawings)
      ooxml::RegisterXlsxNeighbours(n);
    else
      ooxml::RegisterXlsxNeighbours(n, {});
    n.CreateFormulaHandler = [](wb::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
    return n;
  }
};

// The package's parts, after the package checker found nothing wrong.
std::map<std::string, std::string> Parts(const std::string& zip) {
  const std::vector<std::string> faults = opc_testing::CheckPackage(zip);
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  return opc_testing::ReadZip(zip);
}

// XML without the line breaks between elements and the blank before "/>" and ">" that the
// binding writes.
std::string Compact(std::string s) {
  std::erase_if(s, [](char c) { return c == '\r' || c == '\n'; });
  for (const char* from : {" />", " >"}) {
    const std::string f = from, t = f.substr(1);
    for (std::size_t p = 0; (p = s.find(f, p)) != std::string::npos;) s.replace(p, f.size(), t);
  }
  return s;
}

// The c element of cell Ref in a sheet part, "" when there is none.
[[maybe_unused]] std::string CellXml(const std::string& sheet, const std::string& ref) {
  const std::string xml = Compact(sheet);
  const std::size_t at = xml.find("<c r=\"" + ref + "\"");
  if (at == std::string::npos) return "";
  const std::size_t selfClose = xml.find("/>", at), open = xml.find('>', at);
  if (selfClose != std::string::npos && selfClose + 1 == open) return xml.substr(at, selfClose + 2 - at);
  const std::size_t close = xml.find("</c>", at);
  return xml.substr(at, close + 4 - at);
}

// Every match of the first group of Pattern in Text.
[[maybe_unused]] std::vector<std::string> All(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    out.push_back((*it)[1].str());
  return out;
}


// The relationships of a .rels part as "Id type target", in document order; the type is the last
// segment of its URI, " external" is appended for an external target.
std::vector<std::string> Rels(const std::string& rels) {
  std::vector<std::string> out;
  const std::regex element("<Relationship [^>]*>");
  auto attr = [](const std::string& e, const std::string& name) {
    std::smatch m;
    return std::regex_search(e, m, std::regex(" " + name + "=\"([^\"]*)\"")) ? m[1].str() : std::string();
  };
  for (auto it = std::sregex_iterator(rels.begin(), rels.end(), element); it != std::sregex_iterator(); ++it) {
    const std::string e = it->str();
    const std::string type = attr(e, "Type");
    out.push_back(attr(e, "Id") + " " + type.substr(type.rfind('/') + 1) + " " + attr(e, "Target") +
                  (attr(e, "TargetMode") == "External" ? " external" : ""));
  }
  return out;
}

wb::TXc12Comment* AddNote(wb::TXc12Comments& Notes, int Col, int Row, const std::u16string& Author,
                          const std::u16string& Text) {
  wb::TXc12Comment* n = Notes.Add();
  n->SetCol(Col);
  n->SetRow(Row);
  n->Text = Text;
  n->Author = Notes.Authors.Find(Author) ? Notes.Authors.Find(Author) : Notes.Authors.AddName(Author);
  return n;
}

// Tokens of Text compiled for the cell (Col, Row) of the first sheet.
std::vector<std::uint8_t> Compile(Book& b, const std::u16string& Text, int Col, int Row) {
  std::vector<std::uint8_t> tokens;
  EXPECT_GT(b->OwnFormulaHandler()->EncodeCellFormula(Text, tokens, 0, Col, Row, true), 0) << core::utf16_to_utf8(Text);
  return tokens;
}

// A formula cell staged with its result by Result.
template <class F>
void StageFormula(Book& b, int Col, int Row, const std::vector<std::uint8_t>& Tokens, F Result,
                  std::uint8_t Kind = wb::mfkNormal) {
  wb::TXLSFormulaHelper& h = b.Cells().FormulaHelper();
  h.Clear();
  h.Col = Col;
  h.Row = Row;
  h.Style = 0;
  h.FormulaKind = Kind;
  if (!Tokens.empty()) {
    h.SetPtgsRef(Tokens.data());
    h.PtgsLen = static_cast<std::int32_t>(Tokens.size());
  }
  Result(h);
  b.Cells().WriteFormula();
}

TEST(XlsxWriteSheet, CellsOfEveryKind) {
  Book b;
  b->Clear(1);
  wb::TXLSCellMMU& c = b.Cells();
  c.WriteBlank(0, 0, 0, 0);
  c.WriteBoolean(1, 0, 0, true);
  c.WriteError(2, 0, 0, static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(u"#DIV/0!")));
  c.WriteString(3, 0, 0, u"first string");
  c.WriteFloat(4, 0, 0, 1.5);
  c.WriteFloat(5, 0, 0, 0.1 + 0.2);
  c.WriteFloat(6, 0, 0, 1e-7);
  c.WriteFloat(7, 0, 0, -123456789012345678.0);
  const auto sum = Compile(b, u"SUM(A2:A3)", 0, 3);
  StageFormula(b, 0, 3, sum, [](wb::TXLSFormulaHelper& h) { h.SetResultFloat(3); });
  const auto concat = Compile(b, u"\"a\"&\"b\"", 1, 3);
  StageFormula(b, 1, 3, concat, [](wb::TXLSFormulaHelper& h) { h.SetResultString(u"a\u0001b"); });
  const auto truth = Compile(b, u"1<2", 2, 3);
  StageFormula(b, 2, 3, truth, [](wb::TXLSFormulaHelper& h) { h.SetResultBoolean(true); });
  const auto na = Compile(b, u"NA()", 3, 3);
  StageFormula(b, 3, 3, na, [](wb::TXLSFormulaHelper& h) { h.SetResultError(static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(u"#N/A"))); });
  StageFormula(b, 5, 3, concat, [](wb::TXLSFormulaHelper& h) { h.SetResultString(u"_x0041_"); });
  // A formula that holds only its source text.
  StageFormula(b, 4, 3, {}, [](wb::TXLSFormulaHelper& h) {
    h.SourceText = u"A1*2";
    h.SetResultFloat(0);
  });
  // An array formula over A5:B6: the master and its three members.
  const auto array = Compile(b, u"A2:B3*2", 0, 4);
  StageFormula(b, 0, 4, array, [](wb::TXLSFormulaHelper& h) {
    h.SetArea(0, 4, 1, 5);
    h.SetResultFloat(2);
  }, wb::mfkArray);
  for (auto [col, row] : {std::pair{1, 4}, {0, 5}, {1, 5}})
    StageFormula(b, col, row, {}, [&](wb::TXLSFormulaHelper& h) {
      h.MasterCol = 0;
      h.MasterRow = 4;
      h.SetResultFloat(col + row);
    }, wb::mfkArrayMember);

  // Data tables over B8:C9 with two input cells and over E8:E9 with one: the masters carry the
  // input cells and no text, the member only its value.
  StageFormula(b, 1, 7, {}, [](wb::TXLSFormulaHelper& h) {
    h.SetArea(1, 7, 2, 8);
    h.SetDataTableR1Text(u"A1");
    h.SetDataTableR2Text(u"A2");
    h.DataTableFlags = wb::mdtfTwoDim | wb::mdtfRowInput;
    h.SetResultFloat(7);
  }, wb::mfkDataTable);
  StageFormula(b, 4, 7, {}, [](wb::TXLSFormulaHelper& h) {
    h.SetArea(4, 7, 4, 8);
    h.SetDataTableR1Text(u"D1");
    h.DataTableFlags = wb::mdtfR1Deleted;
    h.SetResultFloat(8);
  }, wb::mfkDataTable);
  StageFormula(b, 4, 8, {}, [](wb::TXLSFormulaHelper& h) {
    h.MasterCol = 4;
    h.MasterRow = 7;
    h.SetResultFloat(9);
  }, wb::mfkDataTableMember);

  const auto parts = Parts(b.Save());
  const std::string& sheet = parts.at("xl/worksheets/sheet1.xml");
  const struct {
    const char* ref;
    const char* xml;
  } cases[] = {
      {"A1", R"(<c r="A1"/>)"},
      {"B1", R"(<c r="B1" t="b"><v>1</v></c>)"},
      {"C1", R"(<c r="C1" t="e"><v>#DIV/0!</v></c>)"},
      {"D1", R"(<c r="D1" t="s"><v>0</v></c>)"},
      {"E1", R"(<c r="E1"><v>1.5</v></c>)"},
      // The shortest text that reads back to the same number.
      {"F1", R"(<c r="F1"><v>0.30000000000000004</v></c>)"},
      {"G1", R"(<c r="G1"><v>1E-7</v></c>)"},
      {"H1", R"(<c r="H1"><v>-1.2345678901234568E17</v></c>)"},
      {"A4", R"(<c r="A4"><f>SUM(A2:A3)</f><v>3</v></c>)"},
      // A character XML cannot hold is escaped.
      {"B4", R"(<c r="B4" t="str"><f>&quot;a&quot;&amp;&quot;b&quot;</f><v>a_x0001_b</v></c>)"},
      // A text that reads as an escape is protected.
      {"F4", R"(<c r="F4" t="str"><f>&quot;a&quot;&amp;&quot;b&quot;</f><v>_x005F_x0041_</v></c>)"},
      {"C4", R"(<c r="C4" t="b"><f>1&lt;2</f><v>1</v></c>)"},
      {"D4", R"(<c r="D4" t="e"><f>NA()</f><v>#N/A</v></c>)"},
      {"E4", R"(<c r="E4"><f>A1*2</f><v>0</v></c>)"},
      {"A5", R"(<c r="A5"><f t="array" ref="A5:B6">A2:B3*2</f><v>2</v></c>)"},
      {"B5", R"(<c r="B5"><v>5</v></c>)"},
      {"A6", R"(<c r="A6"><v>5</v></c>)"},
      {"B6", R"(<c r="B6"><v>6</v></c>)"},
      {"B8", R"(<c r="B8"><f t="dataTable" ref="B8:C9" dt2D="1" dtr="1" r1="A1" r2="A2"/><v>7</v></c>)"},
      {"E8", R"(<c r="E8"><f t="dataTable" ref="E8:E9" del1="1" r1="D1"/><v>8</v></c>)"},
      {"E9", R"(<c r="E9"><v>9</v></c>)"},
  };
  for (const auto& t : cases) EXPECT_EQ(CellXml(sheet, t.ref), t.xml) << t.ref;
  EXPECT_NE(Compact(sheet).find(R"(<dimension ref="A1:H9"/>)"), std::string::npos);

  // And read back as they were.
  Book r;
  r.Load(b.Save());
  wb::TXLSCellMMU& rc = r.Cells();
  wb::TMMUCellRef ref;
  ASSERT_TRUE(rc.FindCell(5, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::GetFloat(ref), 0.1 + 0.2);
  ASSERT_TRUE(rc.FindCell(7, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::GetFloat(ref), -123456789012345678.0);
  ASSERT_TRUE(rc.FindCell(3, 0, ref));
  EXPECT_EQ(r.Manager().SST->GetText(wb::TXLSCellMMU::GetStringIndex(ref)), u"first string");
}

TEST(XlsxWriteSheet, RowHeaders) {
  Book b;
  b->Clear(1);
  wb::TXLSCellMMU& c = b.Cells();
  const struct {
    int row;
    std::uint16_t height;
    std::uint8_t flags, level;
    const char* xml;
  } cases[] = {
      {0, 0xFFFF, 0, 0, R"(<row r="1">)"},
      {1, 300, 0, 0, R"(<row r="2" ht="15">)"},
      {2, 0xFFFF, wb::TMMURowHeader::rhfHidden | wb::TMMURowHeader::rhfCustomHeight, 2,
       R"(<row r="3" hidden="1" customHeight="1" outlineLevel="2">)"},
      {3, 250, wb::TMMURowHeader::rhfCollapsed | wb::TMMURowHeader::rhfThickTop | wb::TMMURowHeader::rhfThickBottom |
                   wb::TMMURowHeader::rhfShowPhonetic, 0,
       R"(<row r="4" ht="12.5" collapsed="1" thickTop="1" thickBot="1" ph="1">)"},
  };
  for (const auto& t : cases) {
    wb::TMMURowHeader h = c.AddRow(t.row, 0);
    h.SetHeight(t.height);
    h.SetFlags(t.flags);
    h.SetOutlineLevel(t.level);
  }
  const std::string sheet = Compact(Parts(b.Save()).at("xl/worksheets/sheet1.xml"));
  for (const auto& t : cases) EXPECT_NE(sheet.find(t.xml), std::string::npos) << t.xml << "\n" << sheet;
}

// Direct write: the cells of the event's sheet come from the write-cell event and never enter the
// cell store; strings go inline, every other sheet comes from its store.
TEST(XlsxWriteSheet, DirectWriteTakesTheCellsFromTheEvent) {
  for (bool handler : {true, false}) {
    SCOPED_TRACE(handler ? "with a handler" : "without a handler");
    Book b;
    b->Clear(2);
    b.Cells(1).WriteFloat(0, 0, 0, 42);
    b->SetDirectWrite(true);
    wb::TXLSEventCell& e = *b.Manager().EventCell;
    e.LastCol = 2;
    e.LastRow = 2;
    if (handler)
      b->SetOnWriteCell([](wb::TXLSEventCell* c) {
        if (c->Col == 0) c->SetAsFloat(c->Row + 0.5);
        if (c->Col == 1) c->SetAsString(u"s" + u16(std::to_string(c->Row)));
        if (c->Col == 2) {
          c->SetFormula(u"=A1*2");
          c->SetAsFloat(1);
        }
      });
    const auto parts = Parts(b.Save());
    const std::string direct = Compact(parts.at("xl/worksheets/sheet1.xml"));
    EXPECT_EQ(CellXml(parts.at("xl/worksheets/sheet2.xml"), "A1"), R"(<c r="A1"><v>42</v></c>)");
    EXPECT_FALSE(parts.count("xl/sharedStrings.xml")) << "inline strings only";
    if (!handler) {
      EXPECT_NE(direct.find("<sheetData></sheetData>"), std::string::npos) << direct;
      continue;
    }
    EXPECT_EQ(All(direct, R"re(<row r="(\d+)")re"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(CellXml(direct, "A3"), R"(<c r="A3"><v>2.5</v></c>)");
    EXPECT_EQ(CellXml(direct, "B2"), R"(<c r="B2" t="str"><v>s1</v></c>)");
    EXPECT_EQ(CellXml(direct, "C1"), R"(<c r="C1"><f>A1*2</f><v>1</v></c>)");
    EXPECT_EQ(b.Cells(0).Dimension().Col1, -1) << "nothing entered the store";
  }
}

TEST(XlsxWriteSheet, DirectWriteRefusesACellNotAfterThePreviousOne) {
  for (bool collect : {false, true}) {
    SCOPED_TRACE(collect ? "errors collected" : "errors raised");
    Book b;
    b->Clear(1);
    b->GetErrors()->SetSaveToList(collect);
    b->SetDirectWrite(true);
    wb::TXLSEventCell& e = *b.Manager().EventCell;
    e.LastCol = 2;
    e.LastRow = 1;
    b->SetOnWriteCell([moved = false](wb::TXLSEventCell* c) mutable {
      // The second cell of the first row is moved back onto the first, once.
      if (c->Row == 0 && c->Col == 1 && !moved) {
        c->Col = 0;
        moved = true;
      }
      c->SetAsFloat(c->Col);
    });
    if (!collect) {
      try {
        b.Save();
        ADD_FAILURE() << "no error";
      } catch (const wb::Exception& x) {
        EXPECT_EQ(x.code(), 1005);
      }
      continue;
    }
    const std::string sheet = Compact(Parts(b.Save()).at("xl/worksheets/sheet1.xml"));
    ASSERT_EQ(b->GetErrors()->Messages().size(), 1u);
    EXPECT_EQ(b->GetErrors()->Messages()[0].Code, 1005);
    // The refused position (A1 a second time) is left out and the write goes on.
    EXPECT_EQ(All(sheet, R"re(<c r="([A-Z]+\d+)")re"), (std::vector<std::string>{"A1", "B1", "C1", "A2", "B2", "C2"}));
  }
}
// The authors list carries over from one comments part to the next within a save; a sheet with
// notes and no VML drawing gets one from the default template with a shape per note.
TEST(XlsxWriteSheet, CommentsAuthorsAndNoteShapes) {
  Book b;
  b->Clear(2);
  AddNote(b.Sheet(0).Comments, 0, 0, u"A", u"first");
  AddNote(b.Sheet(0).Comments, 1, 1, u"B", u"second");
  AddNote(b.Sheet(0).Comments, 2, 2, u"B", u"third");
  AddNote(b.Sheet(1).Comments, 3, 3, u"C", u"fourth");
  ASSERT_TRUE(b.Sheet(0).VmlDrawing.IsEmpty());
  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  const std::string first = Compact(parts.at("xl/comments1.xml")), second = Compact(parts.at("xl/comments2.xml"));
  EXPECT_EQ(All(first, "<author>([^<]*)</author>"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(All(first, R"re(authorId="(\d+)")re"), (std::vector<std::string>{"0", "1", "1"}));
  EXPECT_EQ(All(first, R"re(<comment ref="(\w+)")re"), (std::vector<std::string>{"A1", "B2", "C3"}));
  EXPECT_EQ(All(second, "<author>([^<]*)</author>"), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(All(second, R"re(authorId="(\d+)")re"), (std::vector<std::string>{"2"}));

  const std::string vml = parts.at("xl/drawings/vmlDrawing1.vml");
  EXPECT_NE(vml.find("<o:shapelayout"), std::string::npos);
  EXPECT_NE(vml.find("id=\"_x0000_t202\""), std::string::npos);
  EXPECT_EQ(All(vml, "<x:Row>(\\d+)</x:Row>"), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_FALSE(b.Sheet(0).VmlDrawing.IsEmpty()) << "the sheet keeps the template";
  EXPECT_EQ(Rels(parts.at("xl/worksheets/_rels/sheet1.xml.rels")),
            (std::vector<std::string>{"rId1 vmlDrawing ../drawings/vmlDrawing1.vml", "rId2 comments ../comments1.xml"}));
  EXPECT_NE(Compact(parts.at("xl/worksheets/sheet1.xml")).find(R"(<legacyDrawing r:id="rId1"/>)"), std::string::npos);

  Book r;
  r.Load(zip);
  ASSERT_EQ(r.Sheet(0).Comments.Count(), 3);
  const wb::TXc12Comment& n = *r.Sheet(0).Comments.GetItem(2);
  EXPECT_EQ(n.Text, u"third");
  EXPECT_EQ(n.Author->GetName(), u"B");
  EXPECT_TRUE(n.Shape) << "its note shape was found again";
  ASSERT_EQ(r.Sheet(1).Comments.Count(), 1);
  EXPECT_EQ(r.Sheet(1).Comments.GetItem(0)->Author->GetName(), u"C");
}

// Form controls keep their VML drawing on a sheet without notes.
TEST(XlsxWriteSheet, KeptVmlWithoutComments) {
  Book b;
  b->Clear(1);
  b.Sheet(0).VmlDrawing.LoadFromString(
      u"<xml xmlns:v=\"urn:schemas-microsoft-com:vml\"><v:shape id=\"button\"/></xml>");
  const auto parts = Parts(b.Save());
  EXPECT_NE(parts.at("xl/drawings/vmlDrawing1.vml").find("id=\"button\""), std::string::npos);
  EXPECT_FALSE(parts.count("xl/comments1.xml"));
}

TEST(XlsxWriteSheet, MergedCellsAndHyperlinks) {
  Book b;
  b->Clear(2);
  // Areas are rows first: Row1, Row2, Col1, Col2.
  b.Sheet(0).MergedCells->AddArea({0, 1, 0, 1});
  b.Sheet(0).MergedCells->AddArea({2, 3, 2, 3});
  b.Sheet(1).MergedCells->AddArea({4, 5, 4, 5});
  AddNote(b.Sheet(0).Comments, 5, 5, u"A", u"note");
  const struct {
    wb::TXLSCellArea ref;
    std::u16string address, display;
  } links[] = {
      {{9, 9, 0, 0}, u"https://example.com/a?b=1#c", u"web"},
      {{9, 9, 1, 1}, u"Sheet2!B2", u"inside"},
      {{9, 10, 2, 3}, u"mailto:someone@example.com", u""},
  };
  for (const auto& l : links) {
    wb::TXc12Hyperlink& h = *b.Sheet(0).Hyperlinks->Add();
    h.Ref = l.ref;
    h.SetAddress(l.address);
    h.Display = l.display;
  }
  // A link given only its location (no target to classify) is a place in the workbook, not a
  // relationship to nowhere.
  wb::TXc12Hyperlink& place = *b.Sheet(0).Hyperlinks->Add();
  place.Ref = {11, 11, 0, 0};
  place.Location = u"Sheet2!C3";
  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  const std::string first = Compact(parts.at("xl/worksheets/sheet1.xml"));
  EXPECT_NE(first.find(R"(<hyperlink ref="A12" location="Sheet2!C3"/>)"), std::string::npos) << first;
  EXPECT_EQ(All(first, R"re(<mergeCell ref="([A-Z0-9:]+)")re"), (std::vector<std::string>{"A1:B2", "C3:D4"}));
  EXPECT_EQ(All(Compact(parts.at("xl/worksheets/sheet2.xml")), R"re(<mergeCell ref="([A-Z0-9:]+)")re"),
            (std::vector<std::string>{"E5:F6"}));
  EXPECT_FALSE(Compact(parts.at("xl/worksheets/sheet2.xml")).find("<hyperlinks>") != std::string::npos);
  // The hyperlink targets come after the sheet's other relationships, in hyperlink order; a
  // place in the workbook has a location and no relationship.
  EXPECT_EQ(Rels(parts.at("xl/worksheets/_rels/sheet1.xml.rels")),
            (std::vector<std::string>{"rId1 vmlDrawing ../drawings/vmlDrawing1.vml", "rId2 comments ../comments1.xml",
                                      "rId3 hyperlink https://example.com/a?b=1#c external",
                                      "rId4 hyperlink mailto:someone@example.com external"}));
  EXPECT_NE(first.find(R"(<hyperlink ref="A10" r:id="rId3" display="web"/>)"), std::string::npos) << first;
  EXPECT_NE(first.find(R"(<hyperlink ref="B10" location="Sheet2!B2" display="inside"/>)"), std::string::npos) << first;
  EXPECT_NE(first.find(R"(<hyperlink ref="C10:D11" r:id="rId4"/>)"), std::string::npos) << first;

  Book r;
  r.Load(zip);
  ASSERT_EQ(r.Sheet(0).Hyperlinks->Count(), 4);
  for (int i = 0; i < 3; ++i) {
    const wb::TXc12Hyperlink& h = *r.Sheet(0).Hyperlinks->GetItem(i);
    EXPECT_EQ(wb::CellAreaToRefStr(h.Ref), wb::CellAreaToRefStr(links[i].ref));
    EXPECT_EQ(h.Address, links[i].address);
    EXPECT_EQ(h.Kind, b.Sheet(0).Hyperlinks->GetItem(i)->Kind);
  }
  EXPECT_EQ(r.Sheet(0).MergedCells->Count(), 2);
}

TEST(XlsxWriteSheet, SheetRecords) {
  Book b;
  b->Clear(2);
  wb::TXc12DataWorksheet& w = b.Sheet(0);
  w.SheetPr.tabColor.ColorType = wb::xctTheme;
  w.SheetPr.tabColor.Index = 4;
  w.SheetPr.tabColor.Tint = 0.5;
  b.Sheet(1).SheetPr.tabColor.ColorType = wb::xctUnassigned;
  w.SheetFormatPr.defaultRowHeight = 300;
  wb::TXc12Column& col = *w.Columns.Add(b.Manager().StyleSheet->XFs->GetItem(0));
  col.Min = 1;
  col.Max = 3;
  col.Width = 12.5;
  col.Flags = wb::xcfHidden | wb::xcfCustomWidth;
  col.OutlineLevel = 1;
  wb::TXc12ConditionalFormatting& cf = *w.ConditionalFormats->Add();
  cf.Sqref.SetAsText(u"A1:A5 C1");
  auto rule = [&](std::uint8_t type, std::uint8_t min, const std::u16string& minVal) {
    wb::TXc12CfRule& r = *cf.Rules.Add();
    r.type = type;
    r.priority = cf.Rules.Count();
    r.DataBar.Cfvo1.type = min;
    r.DataBar.Cfvo1.val = minVal;
    r.DataBar.Cfvo2.type = 2;  // max
    r.DataBar.Color.ColorType = wb::xctRgb;
    r.DataBar.Color.RGB = 0x638EC6;
    return &r;
  };
  rule(3, 0, u"");     // a minimum that is a number without its value
  rule(3, 3, u"");     // the lowest value: no value needed
  rule(3, 1, u"10");   // ten percent
  rule(0, 0, u"")->SetFormula(0, u"A1>0");
  wb::TXc12DataValidation& v = *w.DataValidations->Add();
  v.type = 3;
  v.showErrorMessage = true;
  v.Sqref.SetAsText(u"B1:B4");
  v.formula1 = u"\"yes,no\"";

  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  const std::string first = Compact(parts.at("xl/worksheets/sheet1.xml"));
  const std::string second = Compact(parts.at("xl/worksheets/sheet2.xml"));
  EXPECT_EQ(All(first, "<tabColor ([^/]*)/>"), (std::vector<std::string>{R"(theme="4" tint="0.5")"}));
  EXPECT_EQ(second.find("<tabColor"), std::string::npos);
  EXPECT_NE(first.find(R"(defaultRowHeight="15")"), std::string::npos);
  EXPECT_NE(first.find(R"(<cols><col min="2" max="4" width="12.5" hidden="1" customWidth="1" outlineLevel="1"/></cols>)"),
            std::string::npos) << first;
  EXPECT_EQ(All(first, R"re(<conditionalFormatting sqref="([^"]*)")re"), (std::vector<std::string>{"A1:A5 C1"}));
  EXPECT_EQ(All(first, R"re(<dataBar>((?:<cfvo[^>]*>)*))re"),
            (std::vector<std::string>{R"(<cfvo type="max"/>)", R"(<cfvo type="min"/><cfvo type="max"/>)",
                                      R"(<cfvo type="percent" val="10"/><cfvo type="max"/>)"}));
  EXPECT_NE(first.find("<formula>A1&gt;0</formula>"), std::string::npos);
  EXPECT_NE(first.find(R"(sqref="B1:B4"><formula1>&quot;yes,no&quot;</formula1>)"), std::string::npos) << first;

  Book r;
  r.Load(zip);
  const wb::TXc12DataWorksheet& rw = r.Sheet(0);
  EXPECT_EQ(rw.SheetFormatPr.defaultRowHeight, 300);
  EXPECT_EQ(rw.SheetPr.tabColor.ColorType, wb::xctTheme);
  ASSERT_EQ(rw.Columns.Count(), 1);
  EXPECT_EQ(rw.Columns.GetItem(0)->Width, 12.5);
  ASSERT_EQ(rw.ConditionalFormats->Count(), 1);
  EXPECT_EQ(rw.ConditionalFormats->GetItem(0)->Rules.Count(), 4);
  std::u16string text;
  rw.ConditionalFormats->GetItem(0)->Rules.GetItem(3)->GetFormula(0, text);
  EXPECT_EQ(text, u"A1>0");
  ASSERT_EQ(rw.DataValidations->Count(), 1);
  EXPECT_EQ(rw.DataValidations->GetItem(0)->formula1, u"\"yes,no\"");
}

// Views, filters, protection and print settings written and read again hold what they held.
TEST(XlsxWriteSheet, ViewFilterAndPrintRecordsReadBack) {
  Book b;
  b->Clear(1);
  wb::TXc12DataWorksheet& w = b.Sheet(0);
  wb::TXc12SheetView& v = *w.SheetViews.GetItem(0);
  v.tabSelected = true;
  v.showGridLines = false;
  v.zoomScale = 85;
  v.Pane.ySplit = 2;
  v.Pane.xSplit = 1;
  v.Pane.topLeftCell = wb::CellAreaFromCell(1, 2);
  v.Pane.activePane = wb::xpBottomRight;
  v.Pane.state = 1;  // frozen
  v.Selections.Clear();
  wb::TXc12Selection& sel = *v.Selections.Add();
  sel.pane = wb::xpBottomRight;
  sel.activeCell = wb::CellAreaFromCell(3, 4);
  sel.sqref.SetAsText(u"D5:E6 G7");
  w.AutoFilter->Ref = {0, 9, 0, 2};
  wb::TXc12FilterColumn& fc = *w.AutoFilter->Columns.Add();
  fc.colId = 1;
  fc.CustomFilters.InUse = true;
  fc.CustomFilters.And = true;
  fc.CustomFilters.Filter1.Operator = 4;  // greaterThanOrEqual
  fc.CustomFilters.Filter1.val = u"10";
  fc.CustomFilters.Filter2.Operator = 1;  // lessThan
  fc.CustomFilters.Filter2.val = u"20";
  wb::TXc12FilterColumn& values = *w.AutoFilter->Columns.Add();
  values.colId = 2;
  values.Filters.Values = {u"a", u"b"};
  w.SortState.Ref = {1, 9, 0, 2};
  wb::TXc12SortCondition& sc = *w.SortState.SortConditions.Add();
  sc.descending = true;
  sc.ref = {1, 9, 1, 1};
  w.SheetProtection.sheet = true;
  w.SheetProtection.password = 0xCC1A;
  w.SheetProtection.formatCells = false;
  wb::TXc12ProtectedRange& pr = *w.ProtectedRanges.Add();
  pr.name = u"Inputs";
  pr.sqref.SetAsText(u"B2:B9");
  w.PageSetup.orientation = 2;
  w.PageSetup.paperSize = 9;
  w.PageSetup.fitToWidth = 2;
  w.PageMargins.left = 0.25;
  w.PrintOptions.gridLines = true;
  w.HeaderFooter.oddHeader = u"&CReadings & more";
  w.HeaderFooter.differentFirst = true;
  wb::TXc12Break& brk = *w.RowBreaks.Add();
  brk.id = 20;
  brk.max = 16383;
  brk.man = true;
  wb::TXc12IgnoredError& ig = *w.IgnoredErrors.Add();
  ig.sqref.SetAsText(u"A1:A9");
  ig.numberStoredAsText = true;

  const std::string zip = b.Save();
  const std::string sheet = Compact(Parts(zip).at("xl/worksheets/sheet1.xml"));
  EXPECT_NE(sheet.find(R"(<rowBreaks count="1" manualBreakCount="1">)"), std::string::npos) << sheet;
  Book r;
  r.Load(zip);
  const wb::TXc12DataWorksheet& rw = r.Sheet(0);
  ASSERT_EQ(rw.SheetViews.Count(), 1);
  const wb::TXc12SheetView& rv = *rw.SheetViews.GetItem(0);
  EXPECT_TRUE(rv.tabSelected);
  EXPECT_FALSE(rv.showGridLines);
  EXPECT_EQ(rv.zoomScale, 85);
  EXPECT_EQ(rv.Pane.xSplit, 1);
  EXPECT_EQ(rv.Pane.ySplit, 2);
  EXPECT_EQ(wb::CellAreaToRefStr(rv.Pane.topLeftCell), u"B3");
  EXPECT_EQ(rv.Pane.activePane, wb::xpBottomRight);
  EXPECT_EQ(rv.Pane.state, 1);
  ASSERT_EQ(rv.Selections.Count(), 1);
  EXPECT_EQ(wb::CellAreaToRefStr(rv.Selections.GetItem(0)->activeCell), u"D5");
  EXPECT_EQ(rv.Selections.GetItem(0)->sqref.GetAsText(), u"D5:E6 G7");
  EXPECT_EQ(wb::CellAreaToRefStr(rw.AutoFilter->Ref), u"A1:C10");
  ASSERT_EQ(rw.AutoFilter->Columns.Count(), 2);
  const wb::TXc12FilterColumn& rfc = *rw.AutoFilter->Columns.GetItem(0);
  EXPECT_TRUE(rfc.CustomFilters.And);
  EXPECT_EQ(rfc.CustomFilters.Filter1.Operator, 4);
  EXPECT_EQ(rfc.CustomFilters.Filter1.val, u"10");
  EXPECT_EQ(rfc.CustomFilters.Filter2.Operator, 1);
  EXPECT_EQ(rfc.CustomFilters.Filter2.val, u"20");
  EXPECT_EQ(rw.AutoFilter->Columns.GetItem(1)->Filters.Values, (std::vector<std::u16string>{u"a", u"b"}));
  ASSERT_EQ(rw.SortState.SortConditions.Count(), 1);
  EXPECT_TRUE(rw.SortState.SortConditions.GetItem(0)->descending);
  EXPECT_EQ(wb::CellAreaToRefStr(rw.SortState.SortConditions.GetItem(0)->ref), u"B2:B10");
  EXPECT_TRUE(rw.SheetProtection.sheet);
  EXPECT_EQ(rw.SheetProtection.password, 0xCC1A);
  EXPECT_FALSE(rw.SheetProtection.formatCells);
  ASSERT_EQ(rw.ProtectedRanges.Count(), 1);
  EXPECT_EQ(rw.ProtectedRanges.GetItem(0)->sqref.GetAsText(), u"B2:B9");
  EXPECT_EQ(rw.PageSetup.orientation, 2);
  EXPECT_EQ(rw.PageSetup.paperSize, 9);
  EXPECT_EQ(rw.PageSetup.fitToWidth, 2);
  EXPECT_EQ(rw.PageMargins.left, 0.25);
  EXPECT_TRUE(rw.PrintOptions.gridLines);
  EXPECT_EQ(rw.HeaderFooter.oddHeader, u"&CReadings & more");
  EXPECT_TRUE(rw.HeaderFooter.differentFirst);
  ASSERT_EQ(rw.RowBreaks.Count(), 1);
  EXPECT_EQ(rw.RowBreaks.GetItem(0)->id, 20);
  EXPECT_TRUE(rw.RowBreaks.GetItem(0)->man);
  ASSERT_EQ(rw.IgnoredErrors.Count(), 1);
  EXPECT_TRUE(rw.IgnoredErrors.GetItem(0)->numberStoredAsText);
}

// Tables are numbered through the package, whatever sheet they belong to.
TEST(XlsxWriteSheet, TablesOnTwoSheets) {
  Book b;
  b->Clear(2);
  for (int i = 0; i < 2; ++i) {
    wb::TXc12Table& t = *b.Sheet(i).Tables.Add();
    t.id = i + 1;
    t.Name = t.displayName = u"T" + u16(std::to_string(i + 1));
    t.Ref = {0, 2, i, i + 1};
    t.AutoFilter.Ref = t.Ref;
    t.StyleInfo.name = u"TableStyleMedium2";
    t.StyleInfo.showRowStripes = true;
    for (int c = 0; c < 2; ++c) {
      wb::TXc12TableColumn& col = *t.Columns.Add();
      col.id = c + 1;
      col.Name = u"Col" + u16(std::to_string(c + 1));
      b.Cells(i).WriteString(i + c, 0, 0, col.Name);
    }
  }
  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  for (int i = 1; i <= 2; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(Rels(parts.at("xl/worksheets/_rels/sheet" + n + ".xml.rels")),
              (std::vector<std::string>{"rId1 table ../tables/table" + n + ".xml"}));
    EXPECT_NE(Compact(parts.at("xl/worksheets/sheet" + n + ".xml")).find(R"(<tableParts count="1"><tablePart r:id="rId1"/></tableParts>)"),
              std::string::npos);
    const std::string table = Compact(parts.at("xl/tables/table" + n + ".xml"));
    EXPECT_NE(table.find(R"(name="T)" + n + "\""), std::string::npos) << table;
    EXPECT_EQ(All(table, R"re(<tableColumn id="\d+" name="([^"]*)")re"), (std::vector<std::string>{"Col1", "Col2"}));
  }
  Book r;
  r.Load(zip);
  ASSERT_EQ(r.Sheet(1).Tables.Count(), 1);
  EXPECT_EQ(r.Sheet(1).Tables.GetItem(0)->Name, u"T2");
  EXPECT_EQ(wb::CellAreaToRefStr(r.Sheet(1).Tables.GetItem(0)->Ref), u"B1:C3");
  EXPECT_EQ(r.Sheet(1).Tables.GetItem(0)->StyleInfo.name, u"TableStyleMedium2");
}

// A chartsheet in second place is part number 2, next to worksheet 1.
TEST(XlsxWriteSheet, Chartsheet) {
  Book b;
  b->Clear(2);
  wb::TXc12DataWorksheet& c = b.Sheet(1);
  c.IsChartsheet = true;
  c.SheetViews.Clear();
  wb::TXc12SheetView& v = *c.SheetViews.Add();
  v.zoomScale = 80;
  v.zoomToFit = true;
  c.SheetProtection.objects = true;
  c.SheetPr.codeName = u"Chart1";
  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  EXPECT_TRUE(parts.count("xl/worksheets/sheet1.xml"));
  ASSERT_TRUE(parts.count("xl/chartsheets/sheet2.xml"));
  const std::string chart = Compact(parts.at("xl/chartsheets/sheet2.xml"));
  EXPECT_NE(chart.find(R"(<sheetPr codeName="Chart1"/>)"), std::string::npos) << chart;
  EXPECT_NE(chart.find(R"(<sheetView zoomScale="80" workbookViewId="0" zoomToFit="1"/>)"), std::string::npos) << chart;
  EXPECT_NE(chart.find(R"(<sheetProtection objects="1"/>)"), std::string::npos) << chart;
  EXPECT_EQ(chart.find("sheetData"), std::string::npos);
  Book r;
  r.Load(zip);
  EXPECT_TRUE(r.Sheet(1).IsChartsheet);
  EXPECT_EQ(r.Sheet(1).SheetViews.GetItem(0)->zoomScale, 80);
}

// ---------------------------------------------------------------------------------------------
// Workbooks of other producers: read, written and read again, they hold the same.

std::string FixtureDir() { return std::string(THC_XLSX_TESTS) + "/fixtures/"; }

std::string U8(const std::u16string& s) { return core::utf16_to_utf8(s); }

// What a round trip must keep, one item a line.
std::string Dump(Book& b) {
  std::string o;
  wb::TXc12Manager& m = b.Manager();
  auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(b->OwnFormulaHandler());
  for (int i = 0; i < m.Worksheets->Count(); ++i) {
    wb::TXc12DataWorksheet& w = *m.Worksheets->GetItem(i);
    o += "sheet " + U8(w.Name) + (w.IsChartsheet ? " chartsheet" : "") + "\n";
    wb::TXLSCellMMU& c = *w.Cells;
    c.IterInit(-1);
    while (c.IterNextRow()) {
      c.IterResetCol();
      while (c.IterNextCol()) {
        o += U8(wb::ColRowToRefStr(c.IterCol(), c.IterRow())) + " s" + std::to_string(c.IterStyle()) + " ";
        const wb::TCellValueKind kind = c.IterCellType();
        switch (kind) {
          case wb::cvkBlank: o += "blank"; break;
          case wb::cvkBoolean: o += c.IterBoolean() ? "TRUE" : "FALSE"; break;
          case wb::cvkError: o += U8(wb::Xc12ErrorToText(c.IterError())); break;
          case wb::cvkString: o += "'" + U8(m.SST->GetText(c.IterStringIndex())); break;
          case wb::cvkFloat: o += U8(ooxml::XmlFloatToStr(c.IterFloat())); break;
          default: {
            c.IterReadFormula();
            const wb::TXLSFormulaHelper& h = c.FormulaHelper();
            std::u16string text = h.HasPtgs() && handler ? handler->DecodeFormula(&c, w.Index, h.Ptgs, h.PtgsLen, true)
                                                         : h.SourceText;
            if (!text.empty() && text[0] == u'=') text.erase(0, 1);
            o += "=" + U8(text) + " kind" + std::to_string(h.FormulaKind);
            if (h.HasArea) o += " " + U8(h.GetAreaText());
            if (kind == wb::cvkFloatFormula) o += " -> " + U8(ooxml::XmlFloatToStr(h.GetResultFloat()));
            if (kind == wb::cvkStringFormula) o += " -> '" + U8(h.GetResultString());
            if (kind == wb::cvkBooleanFormula) o += std::string(" -> ") + (h.GetResultBoolean() ? "TRUE" : "FALSE");
            if (kind == wb::cvkErrorFormula) o += " -> " + U8(h.GetResultErrorText());
          }
        }
        o += "\n";
      }
    }
    for (int j = 0; j < w.MergedCells->Count(); ++j) o += "merge " + U8(w.MergedCells->GetItem(j)->GetAsText()) + "\n";
    for (int j = 0; j < w.Hyperlinks->Count(); ++j) {
      const wb::TXc12Hyperlink& h = *w.Hyperlinks->GetItem(j);
      // A location with the fragment marker in front names the same place without it.
      const std::u16string location = !h.Location.empty() && h.Location[0] == u'#' ? h.Location.substr(1) : h.Location;
      o += "link " + U8(wb::CellAreaToRefStr(h.Ref)) + " " + U8(h.Address) + " #" + U8(location) + " '" +
           U8(h.Display) + "' '" + U8(h.Tooltip) + "'\n";
    }
    for (int j = 0; j < w.Comments.Count(); ++j) {
      const wb::TXc12Comment& n = *w.Comments.GetItem(j);
      o += "note " + U8(wb::ColRowToRefStr(n.Col, n.Row)) + " " + (n.Author ? U8(n.Author->GetName()) : "-") + ": " +
           U8(n.Text) + " runs" + std::to_string(n.FontRuns.size()) + (n.Shape ? " shape" : "") + "\n";
    }
    for (int j = 0; j < w.ConditionalFormats->Count(); ++j) {
      const wb::TXc12ConditionalFormatting& f = *w.ConditionalFormats->GetItem(j);
      o += "cf " + U8(f.Sqref.GetAsText());
      for (int k = 0; k < f.Rules.Count(); ++k) {
        const wb::TXc12CfRule& r = *f.Rules.GetItem(k);
        std::u16string f1;
        r.GetFormula(0, f1);
        o += " [" + std::to_string(r.type) + " p" + std::to_string(r.priority) + " op" + std::to_string(r.Operator) +
             " dxf" + std::to_string(r.dxf ? r.dxf->Index : -1) + " " + U8(f1) + " cfvo" +
             std::to_string(r.ColorScale.Cfvos.Count() + r.IconSet.Cfvos.Count()) + "]";
      }
      o += "\n";
    }
    for (int j = 0; j < w.DataValidations->Count(); ++j) {
      const wb::TXc12DataValidation& v = *w.DataValidations->GetItem(j);
      o += "validation " + U8(v.Sqref.GetAsText()) + " " + std::to_string(v.type) + "/" + std::to_string(v.Operator) +
           " " + U8(v.formula1) + " " + U8(v.formula2) + " '" + U8(v.prompt) + "'\n";
    }
    for (int j = 0; j < w.Tables.Count(); ++j) {
      const wb::TXc12Table& t = *w.Tables.GetItem(j);
      o += "table " + U8(t.Name) + " " + U8(wb::CellAreaToRefStr(t.Ref)) + " " + U8(t.StyleInfo.name) + ":";
      for (int k = 0; k < t.Columns.Count(); ++k) o += " " + U8(t.Columns.GetItem(k)->Name);
      o += t.QueryTable.IsEmpty() ? "\n" : " query\n";
    }
    if (const wb::TXLSSavedFileDataSheet* kept = m.FileData->SheetParts(i))
      for (int j = 0; j < kept->Parts.Count(); ++j) {
        const std::u16string& type = kept->Parts.GetItem(j)->RelType;
        o += "kept " + U8(type.substr(type.rfind(u'/') + 1)) + "\n";
      }
    for (int j = 0; j < w.SheetViews.Count(); ++j) {
      const wb::TXc12SheetView& v = *w.SheetViews.GetItem(j);
      o += "view tab" + std::to_string(v.tabSelected) + " zoom" + std::to_string(v.zoomScale) + " grid" +
           std::to_string(v.showGridLines) + " top " + U8(wb::CellAreaToRefStr(v.topLeftCell)) + " pane " +
           U8(ooxml::XmlFloatToStr(v.Pane.xSplit)) + "," + U8(ooxml::XmlFloatToStr(v.Pane.ySplit)) + " " +
           U8(wb::CellAreaToRefStr(v.Pane.topLeftCell)) + " s" + std::to_string(v.Pane.state);
      for (int k = 0; k < v.Selections.Count(); ++k)
        o += " sel" + std::to_string(v.Selections.GetItem(k)->pane) + " " +
             U8(wb::CellAreaToRefStr(v.Selections.GetItem(k)->activeCell)) + " " + U8(v.Selections.GetItem(k)->sqref.GetAsText());
      o += "\n";
    }
    for (int j = 0; j < w.Columns.Count(); ++j) {
      const wb::TXc12Column& c = *w.Columns.GetItem(j);
      o += "col " + std::to_string(c.Min) + "-" + std::to_string(c.Max) + " " + U8(ooxml::XmlFloatToStr(c.Width)) + " f" +
           std::to_string(c.Flags) + " s" + std::to_string(c.Style ? c.Style->Index : -1) + "\n";
    }
    const wb::TXc12PageSetup& ps = w.PageSetup;
    const wb::TXc12PageMargins& pm = w.PageMargins;
    o += "page " + std::to_string(ps.paperSize) + " o" + std::to_string(ps.orientation) + " scale" + std::to_string(ps.scale) +
         " fit" + std::to_string(ps.fitToWidth) + "x" + std::to_string(ps.fitToHeight) + " margins " +
         U8(ooxml::XmlFloatToStr(pm.left)) + " " + U8(ooxml::XmlFloatToStr(pm.top)) + " " + U8(ooxml::XmlFloatToStr(pm.header)) +
         " header '" + U8(w.HeaderFooter.oddHeader) + "' footer '" + U8(w.HeaderFooter.oddFooter) + "' breaks " +
         std::to_string(w.RowBreaks.Count()) + "/" + std::to_string(w.ColBreaks.Count()) + " protect" +
         std::to_string(w.SheetProtection.sheet) + " tab" + std::to_string(w.SheetPr.tabColor.ColorType) + " fmt " +
         U8(ooxml::XmlFloatToStr(w.SheetFormatPr.defaultRowHeight)) + "\n";
    o += "pivots " + std::to_string(w.PivotTables.Count()) + " autofilter " + U8(wb::CellAreaToRefStr(w.AutoFilter->Ref)) +
         " columns " + std::to_string(w.AutoFilter->Columns.Count()) + " sort " + std::to_string(w.SortState.SortConditions.Count()) +
         " vml " + std::to_string(!w.VmlDrawing.IsEmpty()) + "\n";
  }
  return o;
}

TEST(XlsxWriteSheet, FixturesKeepWhatTheyHeldThroughAWrite) {
  const char* fixtures[] = {"date1904.libreoffice.xlsx", "formulas.exceljs.xlsx",     "formulas.libreoffice.xlsx",
                            "formulas.libxlsxwriter.xlsx", "formulas.openpyxl.xlsx",  "links.libreoffice.xlsx",
                            "links.openpyxl.xlsx",         "pair.libreoffice.xlsx",   "parts.libreoffice.xlsx",
                            "parts.libxlsxwriter.xlsx",    "parts.openpyxl.xlsx",     "sheet.exceljs.xlsx",
                            "sheet.libreoffice.xlsx",      "sheet.libxlsxwriter.xlsx", "sheet.openpyxl.xlsx",
                            "values.libreoffice.xlsx",     "values.openpyxl.xlsx"};
  for (const char* name : fixtures) {
    SCOPED_TRACE(name);
    Book first;
    first.Load(opc_testing::ReadFile(FixtureDir() + name));
    const std::string before = Dump(first);
    const std::string zip = first.Save();
    EXPECT_TRUE(opc_testing::CheckPackage(zip).empty()) << ::testing::PrintToString(opc_testing::CheckPackage(zip));
    Book second;
    second.Load(zip);
    EXPECT_EQ(Dump(second), before);
  }
}

// The drawing part goes under its sheet with the sheet's number; printer settings are copied as
// they are.
TEST(XlsxWriteSheet, DrawingAndPrinterSettings) {
  const std::string ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  const std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  const std::string shape =
      "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff>"
      "</xdr:from><xdr:to><xdr:col>4</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>6</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>"
      "<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"Box\"/><xdr:cNvSpPr/></xdr:nvSpPr>"
      "<xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:sp><xdr:clientData/></xdr:twoCellAnchor>";
  const opc_testing::Parts source = {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/drawings/drawing1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/></Types>"},
      {"_rels/.rels", rels + "<Relationship Id=\"rId1\" Type=\"" + ns + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + ns.substr(0, ns.size() - 1) +
           "\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"B\" sheetId=\"2\" r:id=\"rId2\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", rels + "<Relationship Id=\"rId1\" Type=\"" + ns + "worksheet\" Target=\"worksheets/sheet1.xml\"/>" +
                                         "<Relationship Id=\"rId2\" Type=\"" + ns + "worksheet\" Target=\"worksheets/sheet2.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>"},
      {"xl/worksheets/sheet2.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + ns.substr(0, ns.size() - 1) +
           "\"><sheetData/><drawing r:id=\"rId7\"/></worksheet>"},
      {"xl/worksheets/_rels/sheet2.xml.rels",
       rels + "<Relationship Id=\"rId7\" Type=\"" + ns + "drawing\" Target=\"../drawings/drawing1.xml\"/></Relationships>"},
      {"xl/drawings/drawing1.xml",
       "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
       "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">" + shape + "</xdr:wsDr>"},
  };
  Book b(true);
  b.Load(opc_testing::MakeZip(source));
  const std::string settings("\x01\x02\x00\xFFprinter", 11);
  b.Sheet(1).PageSetup.LoadPrinterSettings(std::make_unique<wb::TMemoryStream>(std::vector<std::uint8_t>(settings.begin(), settings.end())));
  const std::string zip = b.Save();
  const auto parts = Parts(zip);
  // The drawing of the second sheet is drawing 2, whatever number it had.
  ASSERT_TRUE(parts.count("xl/drawings/drawing2.xml"));
  EXPECT_NE(parts.at("xl/drawings/drawing2.xml").find("name=\"Box\""), std::string::npos);
  EXPECT_EQ(Rels(parts.at("xl/worksheets/_rels/sheet2.xml.rels")),
            (std::vector<std::string>{"rId1 drawing ../drawings/drawing2.xml",
                                      "rId2 printerSettings ../printerSettings/printerSettings1.bin"}));
  const std::string sheet = Compact(parts.at("xl/worksheets/sheet2.xml"));
  EXPECT_NE(sheet.find(R"(<drawing r:id="rId1"/>)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(r:id="rId2"/>)"), std::string::npos) << sheet;
  EXPECT_EQ(parts.at("xl/printerSettings/printerSettings1.bin"), settings);
  EXPECT_FALSE(parts.count("xl/worksheets/_rels/sheet1.xml.rels")) << "the first sheet has no drawing";

  Book r(true);
  r.Load(zip);
  auto* drawing = dynamic_cast<ooxml::sheetdrawing::TXPGDocXLSXDrawing*>(r.Sheet(1).Drawing.get());
  ASSERT_NE(drawing, nullptr);
  EXPECT_TRUE(ooxml::sheetdrawing::HasAnchors(drawing->GetDrawing()));
  ASSERT_TRUE(r.Sheet(1).PageSetup.PrinterSettings);
  EXPECT_EQ(r.Sheet(1).PageSetup.PrinterSettings->GetSize(), 11);
}

// ---------------------------------------------------------------------------------------------
// Direct write holds no more memory for more rows.

// Bytes the heap holds for the program now (freed blocks waiting in the sanitizer's quarantine
// not counted).
std::size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Takes every byte and keeps only the count, so that the archive costs no memory.
class TDiscardStream : public wb::TStream {
public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t Count) override {
    position_ += Count;
    size_ = std::max(size_, position_);
    return Count;
  }
  std::int64_t Seek(std::int64_t Offset, wb::TSeekOrigin Origin) override {
    position_ = Origin == wb::TSeekOrigin::soBeginning ? Offset
                : Origin == wb::TSeekOrigin::soCurrent ? position_ + Offset
                                                       : size_ + Offset;
    return position_;
  }
  std::int64_t GetSize() override { return size_; }

private:
  std::int64_t position_ = 0, size_ = 0;
};

// The most heap the write of Rows rows of four cells through the write-cell event held above what
// was held before it, and the archive's size.
std::pair<std::size_t, std::int64_t> DirectWritePeak(int Rows) {
  Book b;
  b->Clear(1);
  b->SetDirectWrite(true);
  wb::TXLSEventCell& e = *b.Manager().EventCell;
  e.LastCol = 3;
  e.LastRow = Rows - 1;
  const std::size_t base = LiveHeapBytes();
  std::size_t peak = 0;
  b->SetOnWriteCell([&](wb::TXLSEventCell* c) {
    switch (c->Col) {
      case 0: c->SetAsFloat(c->Row * 0.25); break;
      case 1: c->SetAsString(u"reading " + u16(std::to_string(c->Row))); break;
      case 2:
        c->SetFormula(u"A1*2");
        c->SetAsFloat(c->Row * 0.5);
        break;
      default: c->SetAsBoolean(c->Row % 2 == 0);
    }
    if (c->Col == 0 && c->Row % 512 == 0) peak = std::max(peak, LiveHeapBytes());
  });
  TDiscardStream out;
  b->SaveToStream(out);
  return {peak > base ? peak - base : 0, out.GetSize()};
}

TEST(XlsxWriteSheet, DirectWriteHoldsNoMoreMemoryForMoreRows) {
  const auto [few, fewSize] = DirectWritePeak(2000);
  const auto [many, manySize] = DirectWritePeak(100000);
  EXPECT_GT(manySize, fewSize * 20) << "the rows were written";
  // Fifty times the rows: the archive's deflate state and the one reused row, cell and buffers
  // are the same; a byte a cell kept would be 400 KB more.
  EXPECT_LT(many, few + 256 * 1024) << "few rows: " << few << " bytes, many rows: " << many << " bytes";
}
}  // namespace
