#include "workbook/worksheet_api.h"

#include <gtest/gtest.h>

#include <map>

#include "core/unicode.h"
#include "workbook/cell_format_editor.h"

namespace workbook {
namespace {

// Formula "compiler" for the tests: the text's bytes become the tokens; reference adjustments
// are recorded.
struct FakeFormulas : IXLSFormulaHandler {
  std::vector<std::pair<int, int>> sheetAdjusts;
  std::vector<int> cellAdjusts;
  int EncodeCellFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int, int, int, bool) override {
    if (Text == u"bad") return 0;
    for (char16_t c : Text) Tokens.push_back(static_cast<std::uint8_t>(c));
    return static_cast<int>(Tokens.size());
  }
  int EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex) override {
    return EncodeCellFormula(Text, Tokens, SheetIndex, 0, 0, true);
  }
  void SetTables(TXc12Tables*) override {}
  void AdjustSheetRefs(std::uint8_t* Ptgs, int Len, int Index, int Delta) override {
    sheetAdjusts.emplace_back(Index, Delta);
    ASSERT_GT(Len, 0);
    Ptgs[0] = 'Z';
  }
  void AdjustCellRefs(std::uint8_t*, int Len, int, int, const TXc12SheetShift&) override { cellAdjusts.push_back(Len); }
  void MoveSheetRefs(std::uint8_t*, int, int From, int To) override { moves.emplace_back(From, To); }
  std::vector<std::pair<int, int>> moves;
  void Calculate() override {}
};

struct Book : ::testing::Test {
  TXLSErrorManager errors;
  TXc12DataClassFactory factory;
  TXc12Manager m{&factory, &errors};
  FakeFormulas formulas;
  TXLSWorkbook wb;
  Book() {
    m.CreateParts();
    wb.InitWorkbook(&m, &formulas);
    wb.Add();
  }
  std::u16string Text(TXLSWorksheet* s, int c, int r) {
    std::u16string t;
    s->GetCells()->GetAsText(c, r, t);
    return t;
  }
  double Float(TXLSWorksheet* s, int c, int r) {
    TMMUCellRef ref;
    EXPECT_TRUE(s->GetCells()->FindCell(c, r, ref));
    return TXLSCellMMU::GetFloat(ref);
  }
};

TEST_F(Book, SheetNamesAreUnique) {
  EXPECT_EQ(wb.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_EQ(wb.Add()->GetName(), u"Sheet2");
  wb.GetItem(1)->SetName(u"Sheet3");
  EXPECT_EQ(wb.Add()->GetName(), u"Sheet4");
  EXPECT_EQ(wb.FindSheet(u"sheet4"), wb.GetItem(2));
  EXPECT_THROW(wb.GetItem(0)->SetName(u"SHEET3"), Exception);
  EXPECT_EQ(m.Worksheets->Count(), wb.GetCount());
}

// A range over cells of different formats: each format gets the change once and every cell keeps
// what else it had; the use counts of the formats follow the cells.
TEST_F(Book, RangeChangesCellsOfMixedFormatsEachByItsOwnFormat) {
  TXLSWorksheet* s = wb.GetItem(0);
  const int rows = 300;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 3; ++c) s->SetAsFloat(c, r, r * 3 + c);
  // Every third row bold, every fifth italic (some both); column C left aligned.
  for (int r = 0; r < rows; r += 3) s->GetRange(u"A" + core::u16(std::to_string(r + 1)) + u":C" +
                                                core::u16(std::to_string(r + 1)))->SetFontStyle(FontStyleBit(xfsBold));
  for (int r = 0; r < rows; r += 5) {
    TXLSCell* cell = s->GetCell(1, r);
    ASSERT_NE(cell, nullptr);
    cell->SetFontStyle(cell->GetXF()->GetFont()->GetStyle() | FontStyleBit(xfsItalic));
  }
  s->GetRange(u"C1:C300")->SetHorizAlignment(chaLeft);
  TXLSRange* all = s->GetRange(u"A1:C300");
  all->SetFillColor(0xC0C0C0);
  all->SetBorderInsideHorizStyle(cbsThin);
  all->SetBorderOutlineColor(0x0000FF);

  std::map<const TXc12XF*, int> uses;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 3; ++c) {
      SCOPED_TRACE(testing::Message() << "cell " << c << "," << r);
      TXLSCell* cell = s->GetCell(c, r);
      ASSERT_NE(cell, nullptr);
      const TXc12XF* xf = cell->GetXF();
      ++uses[xf];
      const TXc12FontStyles style = xf->GetFont()->GetStyle();
      EXPECT_EQ((style & FontStyleBit(xfsBold)) != 0, r % 3 == 0);
      EXPECT_EQ((style & FontStyleBit(xfsItalic)) != 0, c == 1 && r % 5 == 0);
      EXPECT_EQ(xf->Alignment.GetHorizAlignment(), c == 2 ? chaLeft : chaGeneral);
      EXPECT_EQ(xf->GetFill()->GetPatternType(), efpSolid);
      EXPECT_EQ(xf->GetBorder()->Bottom.Style, r < rows - 1 ? cbsThin : cbsNone);
      EXPECT_EQ(xf->GetBorder()->Left.Style, cbsNone) << "only the outline's colour was set";
    }
  for (const auto& [xf, n] : uses) EXPECT_EQ(xf->RefCount, n) << "format " << xf->Index;
}

TEST_F(Book, ReportWorkbookReadsBack) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetName(u"温湿度历史记录报表");
  TXLSWorksheet* s2 = wb.Add();
  // Title merged over A1:D1, bold and bigger.
  s->SetAsString(0, 0, u"历史记录");
  s->GetMergedCells()->Add(0, 0, 3, 0);
  TXLSRange* title = s->GetRange(u"A1:D1");
  title->SetFontName(u"宋体");
  title->SetFontSize(16);
  title->SetFontStyle(FontStyleBit(xfsBold));
  title->SetHorizAlignment(chaCenter);
  // A table with borders and a filled header row.
  const char16_t* heads[] = {u"序号", u"时间", u"温度", u"湿度"};
  for (int c = 0; c < 4; ++c) s->SetAsString(c, 1, heads[c]);
  for (int r = 2; r < 6; ++r) {
    s->SetAsFloat(0, r, r - 1);
    s->SetAsString(1, r, u"2026-12-10 15:00:00");
    s->SetAsFloat(2, r, 21.5 + r);
    s->SetAsFloat(3, r, 45.25);
  }
  TXLSRange* table = s->GetRange(u"A2:D5");
  table->SetBorderOutlineStyle(cbsThin);
  table->SetBorderInsideHorizStyle(cbsThin);
  table->SetBorderInsideVertStyle(cbsThin);
  s->GetRange(u"A2:D2")->SetFillColor(0xC0C0C0);
  s->GetColumns()->GetItem(1)->SetWidth(5000);
  s->GetRows()->GetItem(0)->SetHeight(600);
  s2->SetAsString(0, 0, u"other");
  TXLSWorksheet* s3 = wb.Add();
  s3->SetAsString(0, 0, u"报警记录");
  s3->SetAsFloat(1, 1, -8);
  s3->GetColumns()->GetItem(0)->SetWidth(4000);

  ASSERT_EQ(wb.GetCount(), 3);
  EXPECT_EQ(Text(s3, 0, 0), u"报警记录");
  EXPECT_DOUBLE_EQ(Float(s3, 1, 1), -8);
  EXPECT_EQ(s3->GetColumns()->GetItem(0)->GetWidth(), 4000);
  EXPECT_EQ(s->GetColumns()->GetItem(0)->GetWidth(), 2340);
  EXPECT_EQ(s->GetName(), u"温湿度历史记录报表");
  EXPECT_EQ(Text(s, 0, 0), u"历史记录");
  EXPECT_EQ(Text(s, 2, 1), u"温度");
  EXPECT_DOUBLE_EQ(Float(s, 2, 3), 24.5);
  EXPECT_DOUBLE_EQ(Float(s, 3, 5), 45.25);
  EXPECT_EQ(Text(s2, 0, 0), u"other");
  ASSERT_EQ(s->GetMergedCells()->Count(), 1);
  EXPECT_EQ(s->GetMergedCells()->GetItem(0)->GetCol2(), 3);
  TXLSCell* cell = s->GetCell(0, 0);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->GetXF()->GetFont()->GetName(), u"宋体");
  EXPECT_EQ(cell->GetXF()->GetFont()->GetSize(), 16);
  EXPECT_TRUE(cell->GetXF()->GetFont()->GetStyle() & FontStyleBit(xfsBold));
  EXPECT_EQ(cell->GetXF()->Alignment.GetHorizAlignment(), chaCenter);
  EXPECT_EQ(cell->GetXF()->GetFill()->GetPatternType(), efpNone);
  // The merged title's other cells carry the same format.
  cell = s->GetCell(3, 0);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->GetXF()->GetFont()->GetSize(), 16);
  cell = s->GetCell(2, 1);
  EXPECT_NE(cell->GetXF()->GetFill()->GetPatternType(), efpNone);
  EXPECT_EQ(cell->GetXF()->GetFont()->GetSize(), s->GetCell(2, 2)->GetXF()->GetFont()->GetSize());
  cell = s->GetCell(2, 2);
  EXPECT_EQ(cell->GetXF()->GetFill()->GetPatternType(), efpNone);
  // Corner and inside cells carry their own edges.
  cell = s->GetCell(0, 1);
  EXPECT_EQ(cell->GetXF()->GetBorder()->Top.Style, cbsThin);
  EXPECT_EQ(cell->GetXF()->GetBorder()->Left.Style, cbsThin);
  cell = s->GetCell(3, 4);
  EXPECT_EQ(cell->GetXF()->GetBorder()->Bottom.Style, cbsThin);
  EXPECT_EQ(cell->GetXF()->GetBorder()->Right.Style, cbsThin);
  EXPECT_EQ(s->GetColumns()->GetItem(1)->GetWidth(), 5000);
  EXPECT_EQ(s->GetColumns()->GetItem(2)->GetWidth(), 2340);
  EXPECT_EQ(s->GetRows()->GetItem(0)->GetHeight(), 600);
  EXPECT_EQ(s->GetRows()->GetItem(1)->GetHeight(), 300);
  s->CalcDimensions();
  EXPECT_EQ(s->LastCol(), 3);
  EXPECT_EQ(s->LastRow(), 5);
  EXPECT_EQ(s->GetCell(9, 9), nullptr);
}

TEST_F(Book, DefaultFormatComesFromColumnThenRow) {
  TXLSWorksheet* s = wb.GetItem(0);
  TXLSColumn* col = s->GetColumns()->GetItem(2);
  col->SetFontStyle(FontStyleBit(xfsItalic));
  const int colXF = s->GetColumns()->GetItem(2)->GetXF()->Index;
  TXLSRow* row = s->GetRows()->GetItem(4);
  row->SetFontStyle(FontStyleBit(xfsBold));
  const int rowXF = s->GetRows()->GetItem(4)->GetXF()->Index;
  ASSERT_NE(colXF, 0);
  ASSERT_NE(rowXF, 0);
  EXPECT_EQ(s->GetDefaultXF(2, 4), colXF);
  EXPECT_EQ(s->GetDefaultXF(1, 4), rowXF);
  EXPECT_EQ(s->GetDefaultXF(1, 3), 0);
  s->SetAsFloat(1, 4, 1);
  EXPECT_EQ(s->GetCell(1, 4)->GetXF()->Index, rowXF);
  s->SetAsFloat(2, 4, 1);
  EXPECT_EQ(s->GetCell(2, 4)->GetXF()->Index, colXF);
}

TEST_F(Book, ColumnRecordsSplitAndMerge) {
  TXLSWorksheet* s = wb.GetItem(0);
  TXLSColumns* cols = s->GetColumns();
  TXc12Columns& rec = s->GetDataSheet()->Columns;
  cols->GetItem(7)->SetWidth(2340);
  EXPECT_EQ(rec.Count(), 0);
  cols->GetItem(7)->SetWidth(3000);
  ASSERT_EQ(rec.Count(), 1);
  EXPECT_DOUBLE_EQ(rec.GetItem(0)->Width, 11.71875);
  EXPECT_TRUE(rec.GetItem(0)->Flags & xcfCustomWidth);
  rec.Clear();
  rec.Add(m.StyleSheet->XFEditor->UseDefaultXF());
  rec.GetItem(0)->Min = 2;
  rec.GetItem(0)->Max = 8;
  rec.GetItem(0)->Width = 2340 / 256.0;
  cols->GetItem(5)->SetWidth(3000);
  ASSERT_EQ(rec.Count(), 3);
  EXPECT_EQ(rec.GetItem(0)->Max, 4);
  EXPECT_EQ(rec.GetItem(1)->Min, 5);
  EXPECT_EQ(rec.GetItem(1)->Max, 5);
  EXPECT_EQ(rec.GetItem(2)->Min, 6);
  cols->GetItem(5)->SetWidth(2340);
  ASSERT_EQ(rec.Count(), 3);  // a record of exactly the column is not merged
  EXPECT_FALSE(rec.GetItem(1)->Flags & xcfCustomWidth);
  // Bold on column 5 only.
  cols->GetItem(5)->SetFontStyle(FontStyleBit(xfsBold));
  EXPECT_TRUE(cols->GetItem(5)->GetXF()->GetFont()->GetStyle() & FontStyleBit(xfsBold));
  EXPECT_FALSE(cols->GetItem(4)->GetXF()->GetFont()->GetStyle() & FontStyleBit(xfsBold));
  EXPECT_FALSE(cols->GetItem(6)->GetXF()->GetFont()->GetStyle() & FontStyleBit(xfsBold));
  // Neighbours of one width merge.
  cols->GetItem(20)->SetWidth(4000);
  cols->GetItem(21)->SetWidth(4000);
  TXc12Column* merged = cols->FindRecord(21);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(merged->Min, 20);
  EXPECT_EQ(merged->Max, 21);
}

TEST_F(Book, RowHeights) {
  TXLSWorksheet* s = wb.GetItem(0);
  TXLSCellMMU* cells = s->GetCells();
  s->GetRows()->GetItem(3)->SetHeight(300);
  EXPECT_FALSE(cells->FindRow(3));
  s->GetRows()->GetItem(3)->SetHeight(600);
  ASSERT_TRUE(cells->FindRow(3));
  EXPECT_EQ(cells->FindRow(3).Height(), 600);
  EXPECT_TRUE(cells->FindRow(3).Flags() & TMMURowHeader::rhfCustomHeight);
  s->GetRows()->GetItem(3)->SetHeight(450);
  EXPECT_EQ(cells->FindRow(3).Height(), 450);
  s->GetRows()->GetItem(3)->SetFontSize(20);
  EXPECT_EQ(cells->FindRow(3).Height(), 450);
  EXPECT_NE(cells->FindRow(3).Style(), 0);
}

TEST_F(Book, FormulasGoThroughTheHandler) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetAsFormula(1, 1, u"A1+1");
  TMMUCellRef ref;
  ASSERT_TRUE(s->GetCells()->FindCell(1, 1, ref));
  EXPECT_EQ(TXLSCellMMU::CellType(ref), cvkFloatFormula);
  const std::uint8_t* p = nullptr;
  ASSERT_EQ(TXLSCellMMU::GetFormulaPtgs(ref, p), 4);
  EXPECT_EQ(p[0], 'A');
  s->SetAsFormula(2, 2, u"bad");  // nothing compiled: nothing stored
  EXPECT_EQ(s->GetCell(2, 2), nullptr);
  TXLSWorkbook bare;
  bare.InitWorkbook(&m, nullptr);
  bare.AddSheetObject(0);
  EXPECT_THROW(bare.GetItem(0)->SetAsFormula(0, 0, u"1"), Exception);
}

TEST_F(Book, DeletingSheetsKeepsListsAndReferencesInStep) {
  for (int i = 0; i < 3; ++i) wb.Add();
  wb.GetItem(3)->SetAsFormula(0, 0, u"Sheet4!A1");
  m.Workbook->DefinedNames->Add(u"Far", -1)->RefSheet = 3;
  m.Workbook->DefinedNames->GetItem(0)->RefKind = nrkCell;
  wb.Delete(1, 2);
  ASSERT_EQ(wb.GetCount(), 2);
  EXPECT_EQ(m.Worksheets->Count(), 2);
  EXPECT_EQ(wb.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_EQ(wb.GetItem(1)->GetName(), u"Sheet4");
  EXPECT_EQ(wb.GetItem(1)->Index, 1);
  EXPECT_EQ(wb.GetItem(1)->GetDataSheet(), m.Worksheets->GetItem(1));
  ASSERT_EQ(formulas.sheetAdjusts.size(), 1u);
  EXPECT_EQ(formulas.sheetAdjusts[0], std::make_pair(1, -2));
  EXPECT_EQ(m.Workbook->DefinedNames->GetItem(0)->RefSheet, 1);
  wb.Delete(5, 1);
  wb.Delete(0, 0);
  EXPECT_EQ(wb.GetCount(), 2);
  wb.Delete(1, 9);  // clipped to the sheets that exist
  EXPECT_EQ(wb.GetCount(), 1);
}

TEST_F(Book, MovingSheetsKeepsListsInStep) {
  wb.Add();
  wb.Add();
  wb.GetItem(0)->SetAsString(0, 0, u"first");
  wb.GetItem(1)->SetAsFormula(0, 0, u"Sheet1!A1");
  wb.GetItem(0)->GetComments()->Add(1, 1, u"first's note");
  TXc12DefinedName* local = m.Workbook->DefinedNames->Add(u"Local", 0);
  TXc12DefinedName* ref = m.Workbook->DefinedNames->Add(u"Ref", -1);
  ref->RefKind = nrkCell;
  ref->RefSheet = 1;
  wb.MoveSheet(0, 2);
  EXPECT_EQ(local->LocalSheetId, 2);
  EXPECT_EQ(ref->RefSheet, 0);
  EXPECT_EQ(wb.GetItem(2)->GetComments()->GetItem(0)->GetText(), u"first's note");
  ASSERT_EQ(formulas.moves.size(), 1u);
  EXPECT_EQ(formulas.moves[0], std::make_pair(0, 2));
  EXPECT_EQ(wb.GetItem(2)->GetName(), u"Sheet1");
  EXPECT_EQ(wb.GetItem(2)->Index, 2);
  EXPECT_EQ(wb.GetItem(2)->GetDataSheet(), m.Worksheets->GetItem(2));
  EXPECT_EQ(Text(wb.GetItem(2), 0, 0), u"first");
  EXPECT_EQ(wb.GetItem(0)->GetName(), u"Sheet2");
}

TEST_F(Book, InsertingAndDeletingRowsMovesEverything) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetAsString(0, 0, u"title");
  s->SetAsFloat(1, 2, 7);
  s->SetAsFormula(2, 3, u"B3");
  s->GetRows()->GetItem(2)->SetHeight(500);
  s->GetMergedCells()->Add(0, 2, 1, 2);
  TXc12DefinedName* name = m.Workbook->DefinedNames->Add(u"Val", -1);
  name->RefKind = nrkCell;
  name->RefSheet = 0;
  name->RefArea.Col1 = name->RefArea.Col2 = 1;
  name->RefArea.Row1 = name->RefArea.Row2 = 2;
  TXLSComments* notes = s->GetComments();
  notes->Author = u"K";
  notes->Add(0, 0, u"on the title");
  notes->Add(1, 2, u"on the value");
  TXLSHorizPagebreaks* breaks = s->GetPrintSettings()->GetHorizPagebreaks();
  breaks->Add(0);
  breaks->Add(2);
  s->InsertRows(1, 2);
  ASSERT_EQ(breaks->GetCount(), 2);
  EXPECT_EQ(breaks->GetItem(0)->GetId(), 0);
  EXPECT_EQ(breaks->GetItem(1)->GetId(), 4);
  ASSERT_EQ(notes->GetCount(), 2);
  EXPECT_EQ(notes->GetItem(1)->GetRow(), 4);
  EXPECT_EQ(Text(s, 0, 0), u"title");
  EXPECT_EQ(s->GetCell(1, 2), nullptr);
  EXPECT_DOUBLE_EQ(Float(s, 1, 4), 7);
  EXPECT_EQ(s->GetRows()->GetItem(4)->GetHeight(), 500);
  EXPECT_EQ(s->GetRows()->GetItem(2)->GetHeight(), 300);
  TMMUCellRef ref;
  ASSERT_TRUE(s->GetCells()->FindCell(2, 5, ref));
  EXPECT_EQ(TXLSCellMMU::CellType(ref), cvkFloatFormula);
  EXPECT_EQ(formulas.cellAdjusts.size(), 1u);
  EXPECT_EQ(s->GetMergedCells()->GetItem(0)->GetRow1(), 4);
  EXPECT_EQ(name->RefArea.Row1, 4);
  s->DeleteRows(0, 1);
  // The title's note went with its row (and its wrapper with it); the other moved up.
  ASSERT_EQ(notes->GetCount(), 1);
  EXPECT_EQ(notes->GetItem(0)->GetRow(), 3);
  EXPECT_EQ(notes->GetItem(0)->GetText(), u"K:\ron the value");
  EXPECT_EQ(s->GetDataSheet()->Comments.Count(), 1);
  ASSERT_EQ(breaks->GetCount(), 1);  // the break before the deleted row went with it
  EXPECT_EQ(s->GetDataSheet()->RowBreaks.GetItem(0)->id, 3);
  EXPECT_EQ(s->GetCell(0, 0), nullptr);
  EXPECT_DOUBLE_EQ(Float(s, 1, 3), 7);
  EXPECT_EQ(s->GetRows()->GetItem(3)->GetHeight(), 500);
  EXPECT_EQ(name->RefArea.Row1, 3);
  EXPECT_EQ(s->LastRow(), 4);
  // Strings keep exactly their uses: the title's string is gone with its row.
  EXPECT_EQ(m.SST->Count(), 0);
}

TEST_F(Book, RowShiftsAcrossBlocksMatchAModel) {
  TXLSWorksheet* s = wb.GetItem(0);
  std::map<std::pair<int, int>, double> model;
  for (int r = 0; r < 700; r += 3)
    for (int c = 0; c < 3; ++c) {
      s->SetAsFloat(c, r, r * 10 + c);
      model[{c, r}] = r * 10 + c;
    }
  s->SetAsFloat(0, XLS_MAXROW, 1);  // pushed off the sheet by an insertion
  auto check = [&] {
    int stored = 0;
    TXLSCellMMU* cells = s->GetCells();
    cells->BeginIterate(0);
    while (cells->IterNext()) ++stored;
    EXPECT_EQ(stored, static_cast<int>(model.size()));
    for (const auto& [pos, v] : model) EXPECT_DOUBLE_EQ(Float(s, pos.first, pos.second), v);
  };
  s->InsertRows(250, 300);
  std::map<std::pair<int, int>, double> next;
  for (const auto& [pos, v] : model) next[{pos.first, pos.second >= 250 ? pos.second + 300 : pos.second}] = v;
  model = next;
  check();
  s->DeleteRows(100, 500);
  next.clear();
  for (const auto& [pos, v] : model) {
    if (pos.second >= 100 && pos.second < 600) continue;
    next[{pos.first, pos.second >= 600 ? pos.second - 500 : pos.second}] = v;
  }
  model = next;
  check();
}

TEST_F(Book, InsertingAndDeletingColumnsMovesRecordsAndCells) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetAsString(0, 0, u"a");
  s->SetAsString(2, 0, u"c");
  s->GetColumns()->GetItem(2)->SetWidth(4000);
  s->GetMergedCells()->Add(2, 1, 3, 1);
  s->GetComments()->Add(2, 2, u"c's note");
  s->GetComments()->Add(0, 2, u"a's note");
  s->GetPrintSettings()->GetVertPagebreaks()->Add(2);
  s->InsertColumns(1, 3);
  EXPECT_EQ(Text(s, 0, 0), u"a");
  EXPECT_EQ(Text(s, 5, 0), u"c");
  EXPECT_EQ(s->GetColumns()->GetItem(5)->GetWidth(), 4000);
  EXPECT_EQ(s->GetColumns()->GetItem(2)->GetWidth(), 2340);
  EXPECT_EQ(s->GetMergedCells()->GetItem(0)->GetCol1(), 5);
  EXPECT_EQ(s->GetComments()->GetItem(0)->GetCol(), 5);
  EXPECT_EQ(s->GetPrintSettings()->GetVertPagebreaks()->GetItem(0)->GetId(), 5);
  s->DeleteColumns(0, 5);
  EXPECT_EQ(Text(s, 0, 0), u"c");
  EXPECT_EQ(s->GetColumns()->GetItem(0)->GetWidth(), 4000);
  EXPECT_EQ(s->GetMergedCells()->GetItem(0)->GetCol2(), 1);
  ASSERT_EQ(s->GetComments()->GetCount(), 1);  // a's note went with its column
  EXPECT_EQ(s->GetComments()->GetItem(0)->GetText(), u"c's note");
  EXPECT_EQ(s->GetComments()->GetItem(0)->GetCol(), 0);
  EXPECT_EQ(s->GetPrintSettings()->GetVertPagebreaks()->GetItem(0)->GetId(), 0);
}

TEST_F(Book, ClearLeavesAnEmptySheetEvenWithAStraddlingMerge) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetAsString(0, 0, u"x");
  s->SetAsFloat(2, 2, 3);
  s->GetMergedCells()->Add(2, 2, 6, 9);  // reaches past the used area
  s->GetColumns()->GetItem(1)->SetWidth(4000);
  s->GetRows()->GetItem(20)->SetHeight(600);
  s->GetComments()->Add(0, 0, u"note");
  s->Clear();
  EXPECT_TRUE(s->IsEmpty());
  EXPECT_EQ(s->GetMergedCells()->Count(), 0);
  EXPECT_EQ(s->GetDataSheet()->Columns.Count(), 0);
  EXPECT_EQ(s->GetComments()->GetCount(), 0);
  EXPECT_EQ(s->GetRows()->GetItem(20)->GetHeight(), 600);  // a row without cells keeps its header
}

TEST_F(Book, ClearCellsOptions) {
  TXLSWorksheet* s = wb.GetItem(0);
  s->SetAsFloat(0, 0, 1);
  s->SetAsFloat(1, 0, 2);
  s->GetRange(u"B1")->SetFontStyle(FontStyleBit(xfsBold));
  s->ClearCells(0, 0, 1, 0, TXLSWorksheet::ccoCells);
  EXPECT_EQ(s->GetCell(0, 0), nullptr);  // no style: nothing left
  TMMUCellRef ref;
  ASSERT_TRUE(s->GetCells()->FindCell(1, 0, ref));
  EXPECT_EQ(TXLSCellMMU::CellType(ref), cvkBlank);  // styled: a blank keeps the format
  s->GetMergedCells()->Add(0, 5, 3, 5);
  EXPECT_THROW(s->ClearCells(1, 5, 2, 5, TXLSWorksheet::ccoCells), Exception);  // would split the merge
  s->SetAsFloat(0, 9, 1);
  s->ClearCells(0, 9, XLS_MAXCOL, 9, TXLSWorksheet::ccoCells);
  EXPECT_EQ(s->GetCell(0, 9), nullptr);
  // A sparse sheet: the rectangle spans nearly the whole grid, only its stored cells are visited.
  s->GetMergedCells()->Clear();
  s->SetAsFloat(2, 3, 1);
  s->SetAsFloat(XLS_MAXCOL - 1, XLS_MAXROW, 2);
  s->SetAsFloat(XLS_MAXCOL, 7, 3);
  s->ClearCells(0, 0, XLS_MAXCOL - 1, XLS_MAXROW, TXLSWorksheet::ccoCells | TXLSWorksheet::ccoDeleteCells);
  EXPECT_EQ(s->GetCell(2, 3), nullptr);
  EXPECT_EQ(s->GetCell(XLS_MAXCOL - 1, XLS_MAXROW), nullptr);
  EXPECT_NE(s->GetCell(XLS_MAXCOL, 7), nullptr);
}

}  // namespace
}  // namespace workbook
