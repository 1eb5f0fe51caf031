#include "workbook/worksheet_api.h"

#include <algorithm>
#include <array>
#include <string>

#include "workbook/biff_codecs.h"
#include "workbook/cell_format_editor.h"

namespace workbook {

namespace {

constexpr int kLegacyFormulaMax = 1024;

[[noreturn]] void NoFormulaHandler() {
  throw Exception("Formulas can not be compiled: no formula handler is available");
}

// Mutable access to the byte code of a located formula cell: the store owns the bytes, and the
// reference adjusters change them in place without changing their length.
int MutablePtgs(const TMMUCellRef& Ref, std::uint8_t*& Ptgs) {
  const std::uint8_t* p = nullptr;
  int len = TXLSCellMMU::GetFormulaPtgs(Ref, p);
  Ptgs = const_cast<std::uint8_t*>(p);
  return len;
}

bool IsFormulaKind(TCellValueKind K) { return K >= cvkFloatFormula && K <= cvkErrorFormula; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TXLSWorksheet

TXLSWorksheet::TXLSWorksheet(TXc12DataWorksheet* DataSheet, TXc12Manager* Manager, TXLSWorkbook* Workbook)
    : Manager_(Manager), Workbook_(Workbook), DataSheet_(DataSheet), Cells_(DataSheet->Cells.get()) {
  Index = DataSheet->Index;
  TXc12DataStyleSheet* styles = Manager->StyleSheet.get();
  Rows_ = std::make_unique<TXLSRows>(Cells_, styles);
  Columns_ = std::make_unique<TXLSColumns>(&DataSheet->Columns, styles);
  // Column changes concern nothing else of the sheet.
  Columns_->OnChange = [](TObject*, int, int) {};
  if (DataSheet->PageSetup.paperSize == 0) DataSheet->PageSetup.paperSize = Manager->LocalePaperSize;
  if (DataSheet->SheetViews.Count() > 0) {
    View_ = DataSheet->SheetViews.GetItem(0);
  } else {
    OwnView_ = std::make_unique<TXc12SheetView>();
    View_ = OwnView_.get();
  }
  Pane_ = std::make_unique<TXLSPane>(&View_->Pane);
  Protection_ = std::make_unique<TXLSSheetProtection>(&DataSheet->SheetProtection);
  Selection_ = std::make_unique<TXLSSelectedAreas>();
  Comments_ = std::make_unique<TXLSComments>(Manager, &DataSheet->Comments);
  PrintSettings_ = std::make_unique<TXLSPrintSettings>(DataSheet, Workbook->GetNames());
  Drawing_ = std::make_unique<TXLSDrawing>(Manager, dynamic_cast<IXLSDrawingDocument*>(DataSheet->Drawing.get()),
                                           Manager->Errors);
  Drawing_->SetColumnsRows(Columns_.get(), Rows_.get());
  Cell_ = std::make_unique<TXLSCell>(styles, Cells_);
  FormattedCell_ = std::make_unique<TXLSFormattedCell>();
  Range_ = std::make_unique<TXLSRange>(Cell_.get());
}

TXLSWorksheet::~TXLSWorksheet() = default;

TXLSCell* TXLSWorksheet::GetCell(int Col, int Row) { return Cell_->SetPos(Col, Row); }

TXLSRange* TXLSWorksheet::GetRange(const std::u16string& Ref) { return Range_->GetItem(Ref); }

void TXLSWorksheet::SetName(const std::u16string& Name) {
  if (Name.empty()) throw Exception("A worksheet name can not be empty");
  TXLSWorksheet* other = Workbook_->FindSheet(Name);
  if (other && other != this) throw Exception(u"A worksheet named \"" + Name + u"\" already exists");
  DataSheet_->Name = Name;
}

TObject* TXLSWorksheet::RequestObject(const std::type_info& Class) {
  if (Class == typeid(TXc12DataWorksheet)) return DataSheet_;
  if (Class == typeid(TXLSColumns)) return Columns_.get();
  if (Class == typeid(TXLSRows)) return Rows_.get();
  if (Class == typeid(TCellAreas)) return Selection_.get();
  return nullptr;
}

int TXLSWorksheet::GetDefaultXF(int Col, int Row) {
  if (TXc12Column* c = Columns_->FindRecord(Col))
    if (c->Style && !c->Style->IsDefaultXF()) return c->Style->Index;
  if (TMMURowHeader h = Cells_->FindRow(Row))
    if (h.Style() != 0) return h.Style();
  return 0;
}

void TXLSWorksheet::SetAsFloat(int Col, int Row, double Value) {
  Cells_->UpdateFloat(Col, Row, GetDefaultXF(Col, Row), Value);
}

void TXLSWorksheet::SetAsString(int Col, int Row, const std::u16string& Text) {
  Cells_->UpdateString(Col, Row, GetDefaultXF(Col, Row), Text);
}

void TXLSWorksheet::SetAsFormula(int Col, int Row, const std::u16string& Text) {
  const int xf = GetDefaultXF(Col, Row);
  if (IXLSLegacyDocument* legacy = Workbook_->GetLegacyDocument()) {
    std::array<std::uint8_t, kLegacyFormulaMax> buffer{};
    const int len = legacy->EncodeFormula(Text, buffer.data(), kLegacyFormulaMax, Index);
    if (len < 0 || len > kLegacyFormulaMax) throw Exception("Formula too long");
    Cells_->WriteFormula97(Col, Row, buffer.data(), len, xf);
    return;
  }
  IXLSFormulaHandler* handler = Workbook_->GetFormulaHandler();
  if (!handler) NoFormulaHandler();
  std::vector<std::uint8_t> tokens;
  const int len = handler->EncodeCellFormula(Text, tokens, Index, Col, Row, false);
  if (len > 0 && len <= static_cast<int>(tokens.size()))
    Cells_->WriteFormulaPtgs(Col, Row, xf, tokens.data(), len, 0);
}

void TXLSWorksheet::CompileFormulas() {
  IXLSFormulaHandler* handler = Workbook_->GetFormulaHandler();
  const bool tables = DataSheet_->Tables.Count() > 0;
  // The cells are collected first: replacing a body moves the store's bytes under the cursor.
  std::vector<std::pair<int, int>> pending;
  Cells_->BeginIterate(0);
  while (Cells_->IterNext())
    if (IsFormulaKind(Cells_->IterCellType()) && !TXLSCellMMU::FormulaIsCompiled(*Cells_->IterCellRef()))
      pending.emplace_back(Cells_->IterCol(), Cells_->IterRow());
  if (pending.empty()) return;
  if (!handler) NoFormulaHandler();
  handler->SetTables(tables ? &DataSheet_->Tables : nullptr);
  for (auto [col, row] : pending) {
    TMMUCellRef ref;
    if (!Cells_->FindCell(col, row, ref)) continue;
    std::u16string text;
    TXLSCellMMU::GetFormulaSourceText(ref, text);
    std::vector<std::uint8_t> tokens;
    const int len = tables ? handler->EncodeCellFormula(text, tokens, Index, col, row, true)
                           : handler->EncodeFormula(text, tokens, Index);
    if (len >= 1 && len <= static_cast<int>(tokens.size())) Cells_->ReplaceFormulaPtgs(col, row, ref, tokens.data(), len);
  }
}

void TXLSWorksheet::ClearCells(int Col1, int Row1, int Col2, int Row2, std::uint8_t Options) {
  CalcDimensions();
  if (Col1 > Col2) std::swap(Col1, Col2);
  if (Row1 > Row2) std::swap(Row1, Row2);
  if (Options & ccoCells) {
    if (Col1 == 0 && Col2 == XLS_MAXCOL) {
      Cells_->ClearRows(std::max(Row1, 0), std::min(Row2, XLS_MAXROW));
    } else {
      TXLSCellArea dim = Cells_->Dimension();
      const int c1 = std::max(Col1, dim.Col1), c2 = std::min(Col2, dim.Col2);
      const int r1 = std::max(Row1, dim.Row1), r2 = std::min(Row2, dim.Row2);
      if (CellAreaAssigned(dim) && c1 <= c2 && r1 <= r2) {
        // Only the stored cells are visited: a sparse sheet's rectangle may span billions of
        // positions. They are collected first, as changing a cell moves the store's bytes.
        std::vector<std::pair<int, int>> hit;
        Cells_->BeginIterate(r1);
        while (Cells_->IterNext()) {
          const int c = Cells_->IterCol(), r = Cells_->IterRow();
          if (r > r2) break;
          if (r >= r1 && c >= c1 && c <= c2) hit.emplace_back(c, r);
        }
        for (auto [c, r] : hit) {
          if (Options & ccoDeleteCells)
            Cells_->DeleteCell(c, r);
          else
            Cells_->ClearValue(c, r);
        }
      }
    }
    DataSheet_->MergedCells->Delete(Col1, Row1, Col2, Row2);
    DataSheet_->Hyperlinks->Delete(Col1, Row1, Col2, Row2);
  }
  if (Options & ccoComments) Comments_->DeleteArea(Col1, Row1, Col2, Row2);
  // A validation or format left without cells is dropped, as a shift of the sheet does: a file
  // can not hold one without areas.
  auto clearAreaItems = [&](TXLSMoveCopyList& List) {
    List.Delete(Col1, Row1, Col2, Row2);
    for (int i = List.Count() - 1; i >= 0; --i)
      if (auto* item = dynamic_cast<TXc12AreaMoveCopyItem*>(List.GetItem(i)); item && item->Sqref.Count() == 0)
        List.TObjectList<TXLSMoveCopyItem>::Delete(i);
  };
  if (Options & ccoValidations) clearAreaItems(*DataSheet_->DataValidations);
  if (Options & ccoConditionalFormats) clearAreaItems(*DataSheet_->ConditionalFormats);
  if (Options & ccoDrawing) Drawing_->ClearArea(Col1, Row1, Col2, Row2);
}

void TXLSWorksheet::Clear() {
  // The merges go before the cells: a merge reaching past the used area would otherwise stop the
  // clearing half way with "Can not change part of a merged cell".
  DataSheet_->MergedCells->Clear();
  CalcDimensions();
  TXLSCellArea dim = Cells_->Dimension();
  if (CellAreaAssigned(dim)) ClearCells(dim.Col1, dim.Row1, dim.Col2, dim.Row2, ccoAll);
  DataSheet_->DataValidations->Clear();
  DataSheet_->Hyperlinks->Clear();
  DataSheet_->ConditionalFormats->Clear();
  Comments_->Clear();
  TXc12XFEditor& editor = *Manager_->StyleSheet->XFEditor;
  for (const auto& c : DataSheet_->Columns)
    if (c->Style) editor.ReleaseXF(c->Style->Index);
  DataSheet_->Columns.Clear();
  Columns_->GetItem(0);  // the positioned column must not keep a freed record
  CalcDimensions();
}

void TXLSWorksheet::CalcDimensions() {
  Cells_->CalcDimension();
  DataSheet_->SetDimension(Cells_->Dimension());
}

TXLSCellArea TXLSWorksheet::Dimension() const {
  TXLSCellArea a;
  DataSheet_->GetDimension(a);
  return a;
}
int TXLSWorksheet::FirstCol() const { return Dimension().Col1; }
int TXLSWorksheet::FirstRow() const { return Dimension().Row1; }
int TXLSWorksheet::LastCol() const { return Dimension().Col2; }
int TXLSWorksheet::LastRow() const { return Dimension().Row2; }

bool TXLSWorksheet::IsEmpty() {
  Cells_->BeginIterate(0);
  return !Cells_->IterNext();
}

// ---------------------------------------------------------------------------------------------
// Inserting and deleting rows and columns

void TXLSWorksheet::InsertRows(int Row, int Count) {
  if (Count < 1 || !TXLSCellMMU::IsValidRow(Row)) return;
  ShiftSheet({TXc12SheetShift::InsertRows, Row, Count});
}
void TXLSWorksheet::DeleteRows(int Row, int Count) {
  if (Count < 1 || !TXLSCellMMU::IsValidRow(Row)) return;
  ShiftSheet({TXc12SheetShift::DeleteRows, Row, std::min(Count, XLS_MAXROW + 1 - Row)});
}
void TXLSWorksheet::InsertColumns(int Col, int Count) {
  if (Count < 1 || Col < 0 || Col > XLS_MAXCOL) return;
  ShiftSheet({TXc12SheetShift::InsertColumns, Col, Count});
}
void TXLSWorksheet::DeleteColumns(int Col, int Count) {
  if (Count < 1 || Col < 0 || Col > XLS_MAXCOL) return;
  ShiftSheet({TXc12SheetShift::DeleteColumns, Col, std::min(Count, XLS_MAXCOL + 1 - Col)});
}

void TXLSWorksheet::ShiftSheet(const TXc12SheetShift& Shift) {
  // Notes whose cell goes are removed through their wrappers first: the wrappers would keep
  // pointing at freed notes, and the notes' font runs give their uses back.
  for (int i = Comments_->GetCount() - 1; i >= 0; --i) {
    int col = Comments_->GetItem(i)->GetCol(), row = Comments_->GetItem(i)->GetRow();
    if (!ShiftCell(Shift, col, row)) Comments_->DeleteItem(i);
  }
  // Page breaks stay before the row or column they were set before.
  auto shiftBreaks = [&Shift](auto& Breaks, bool Rows) {
    for (int i = Breaks.GetCount() - 1; i >= 0; --i) {
      TXc12Break* b = Breaks.GetItem(i)->Data;
      int col = Rows ? 0 : b->id, row = Rows ? b->id : 0;
      if (!ShiftCell(Shift, col, row))
        Breaks.Delete(i);
      else
        b->id = Rows ? row : col;
    }
  };
  if (Shift.Kind == TXc12SheetShift::InsertRows || Shift.Kind == TXc12SheetShift::DeleteRows)
    shiftBreaks(*PrintSettings_->GetHorizPagebreaks(), true);
  else
    shiftBreaks(*PrintSettings_->GetVertPagebreaks(), false);
  MoveCells(Shift);
  ShiftColumnRecords(Shift);
  ShiftSheetParts(*DataSheet_, Shift);
  if (TXc12DefinedNames* names = Workbook_->GetNames()) ShiftNameReferences(*names, Index, Shift);
  if (IXLSFormulaHandler* handler = Workbook_->GetFormulaHandler()) {
    for (int s = 0; s < Workbook_->GetCount(); ++s) {
      TXLSCellMMU* cells = Workbook_->GetItem(s)->GetCells();
      cells->BeginIterate(0);
      while (cells->IterNext()) {
        if (!IsFormulaKind(cells->IterCellType()) || !TXLSCellMMU::FormulaIsCompiled(*cells->IterCellRef())) continue;
        std::uint8_t* ptgs = nullptr;
        const int len = MutablePtgs(*cells->IterCellRef(), ptgs);
        if (len > 0) handler->AdjustCellRefs(ptgs, len, s, Index, Shift);
      }
    }
  }
  Rows_->GetItem(0);
  Columns_->GetItem(0);
  CalcDimensions();
}

void TXLSWorksheet::MoveCells(const TXc12SheetShift& Shift) {
  const bool rows = Shift.Kind == TXc12SheetShift::InsertRows || Shift.Kind == TXc12SheetShift::DeleteRows;
  const bool insert = Shift.Kind == TXc12SheetShift::InsertRows || Shift.Kind == TXc12SheetShift::InsertColumns;
  const int last = rows ? XLS_MAXROW : XLS_MAXCOL;
  // Deleted cells go first; the cells behind them then move towards the start.
  if (!insert) {
    const int end = Shift.First + Shift.Count - 1;
    if (rows) {
      Cells_->ClearRows(Shift.First, end);
    } else {
      std::vector<std::pair<int, int>> gone;
      Cells_->BeginIterate(0);
      while (Cells_->IterNext())
        if (Cells_->IterCol() >= Shift.First && Cells_->IterCol() <= end) gone.emplace_back(Cells_->IterCol(), Cells_->IterRow());
      for (auto [c, r] : gone) Cells_->DeleteCell(c, r);
    }
  } else {
    // Cells pushed past the last row or column are lost.
    const int from = last + 1 - Shift.Count;
    if (from <= last) {
      if (rows) {
        Cells_->ClearRows(std::max(from, Shift.First), last);
      } else {
        std::vector<std::pair<int, int>> gone;
        Cells_->BeginIterate(0);
        while (Cells_->IterNext())
          if (Cells_->IterCol() >= std::max(from, Shift.First)) gone.emplace_back(Cells_->IterCol(), Cells_->IterRow());
        for (auto [c, r] : gone) Cells_->DeleteCell(c, r);
      }
    }
  }
  // Every remaining cell at or behind the shifted position, and the rows with only a header.
  const int firstMoved = insert ? Shift.First : Shift.First + Shift.Count;
  std::vector<std::pair<int, int>> cells;
  std::vector<int> headerRows;
  Cells_->BeginIterate(0);
  while (Cells_->IterNext()) {
    const int c = Cells_->IterCol(), r = Cells_->IterRow();
    if ((rows ? r : c) >= firstMoved) cells.emplace_back(c, r);
  }
  if (rows) {
    for (int r = firstMoved; r <= Cells_->LastRow(); ++r)
      if (Cells_->FindRow(r)) headerRows.push_back(r);
  }
  // Moving towards the end walks backwards so no cell lands on one not yet moved.
  if (insert) std::reverse(cells.begin(), cells.end());
  if (insert) std::reverse(headerRows.begin(), headerRows.end());
  const int delta = insert ? Shift.Count : -Shift.Count;

  auto copyCell = [&](int c, int r, int c2, int r2) {
    TMMUCellRef ref;
    if (!Cells_->FindCell(c, r, ref)) return;
    const int style = TXLSCellMMU::GetStyle(ref);
    switch (TXLSCellMMU::CellType(ref)) {
      case cvkBlank: Cells_->WriteBlank(c2, r2, 0, style); break;
      case cvkBoolean: Cells_->WriteBoolean(c2, r2, style, TXLSCellMMU::GetBoolean(ref)); break;
      case cvkError: Cells_->WriteError(c2, r2, style, TXLSCellMMU::GetError(ref)); break;
      case cvkFloat: Cells_->WriteFloat(c2, r2, style, TXLSCellMMU::GetFloat(ref)); break;
      case cvkString: Cells_->WriteStringIndex(c2, r2, style, TXLSCellMMU::GetStringIndex(ref)); break;
      default: {
        Cells_->ReadFormula(ref);
        TXLSFormulaHelper& f = Cells_->FormulaHelper();
        if (f.HasPtgs()) f.SetPtgsCopy(f.Ptgs, f.PtgsLen);  // the store's bytes move on write
        f.Col = c2;
        f.Row = r2;
        if (f.HasArea) {
          // An array or table formula's area travels with its cell.
          if (rows) {
            f.Area.Row1 += delta;
            f.Area.Row2 += delta;
          } else {
            f.Area.Col1 = static_cast<std::uint16_t>(f.Area.Col1 + delta);
            f.Area.Col2 = static_cast<std::uint16_t>(f.Area.Col2 + delta);
          }
        }
        if (rows) {
          f.MasterRow += delta;
        } else {
          f.MasterCol = static_cast<std::uint16_t>(f.MasterCol + delta);
        }
        Cells_->WriteFormula();
        break;
      }
    }
  };

  if (rows) {
    // Row by row: the header first (so the moved cells keep their row's format), then the cells.
    std::size_t ci = 0;
    auto moveHeader = [&](int r) {
      TMMURowHeader h = Cells_->FindRow(r);
      if (!h) return;
      const std::uint8_t flags = h.Flags(), outline = h.OutlineLevel();
      const std::uint16_t height = h.Height(), style = h.Style();
      TMMURowHeader n = Cells_->AddRow(r + delta, style);
      n.SetFlags(flags);
      n.SetOutlineLevel(outline);
      n.SetHeight(height);
    };
    for (int r : headerRows) {
      moveHeader(r);
      // The cells of this row.
      std::vector<std::pair<int, int>> rowCells;
      while (ci < cells.size() && cells[ci].second == r) rowCells.push_back(cells[ci++]);
      for (auto [c, rr] : rowCells) copyCell(c, rr, c, rr + delta);
      Cells_->ClearRows(r, r);
    }
  } else {
    for (auto [c, r] : cells) {
      copyCell(c, r, c + delta, r);
      Cells_->DeleteCell(c, r);
    }
  }
}

void TXLSWorksheet::ShiftColumnRecords(const TXc12SheetShift& Shift) {
  if (Shift.Kind != TXc12SheetShift::InsertColumns && Shift.Kind != TXc12SheetShift::DeleteColumns) return;
  TXc12Columns& records = DataSheet_->Columns;
  TXc12XFEditor& editor = *Manager_->StyleSheet->XFEditor;
  for (int i = records.Count() - 1; i >= 0; --i) {
    TXc12Column* c = records.GetItem(i);
    TXLSCellArea a;
    a.Row1 = 0;
    a.Row2 = 0;
    a.Col1 = c->Min;
    a.Col2 = c->Max;
    if (ShiftArea(Shift, a)) {
      c->Min = a.Col1;
      c->Max = a.Col2;
    } else {
      if (c->Style) editor.ReleaseXF(c->Style->Index);
      records.Delete(i);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TXLSWorkbook

TXLSWorkbook::TXLSWorkbook() = default;

TXLSWorkbook::~TXLSWorkbook() {
  // The sheet objects refer to the data sheets; they go first.
  Sheets_.Clear();
}

void TXLSWorkbook::InitWorkbook(TXc12Manager* Manager, IXLSFormulaHandler* FormulaHandler) {
  Manager_ = Manager;
  FormulaHandler_ = FormulaHandler;
  SheetNamePrefix = u"Sheet";
  Compiled_ = false;
  CmdFormat_ = std::make_unique<TXLSCmdFormat>(Manager->StyleSheet.get());
  Options_ = std::make_unique<TXLSOptionsDialog>(Manager->Workbook.get());
  WorkbookData_ = std::make_unique<TXLSWorkbookData>(Manager->Workbook.get());
  Clipboard_ = std::make_unique<TXLSClipboard>(Manager);
}

TXc12DefinedNames* TXLSWorkbook::GetNames() const {
  return Manager_ && Manager_->Workbook ? Manager_->Workbook->DefinedNames.get() : nullptr;
}

TXLSWorksheet* TXLSWorkbook::FindSheet(const std::u16string& Name) const {
  const std::u16string want = UpperCaseW(Name);
  for (const auto& s : Sheets_)
    if (UpperCaseW(s->GetName()) == want) return s.get();
  return nullptr;
}

void TXLSWorkbook::UniqueSheetName(std::u16string& Name) const {
  const int base = Manager_->Worksheets->Count();
  for (int i = 0; i <= 1000; ++i) {
    std::u16string candidate = SheetNamePrefix;
    for (char ch : std::to_string(base + i)) candidate += static_cast<char16_t>(ch);
    if (!FindSheet(candidate)) {
      Name = candidate;
      return;
    }
  }
  throw Exception("Can not create unique worksheet name");
}

TXLSWorksheet* TXLSWorkbook::Add() {
  TXc12DataWorksheets& data = *Manager_->Worksheets;
  TXc12DataWorksheet* ds = data.Add(-1);
  std::u16string name;
  try {
    UniqueSheetName(name);
  } catch (...) {
    data.DeleteSheet(ds->Index);
    throw;
  }
  ds->Name = name;
  TXLSWorksheet* sheet = Sheets_.Add(std::make_unique<TXLSWorksheet>(ds, Manager_, this));
  if (Legacy_) Legacy_->SheetAdded();
  return sheet;
}

void TXLSWorkbook::Delete(int Index, int Count) {
  TXc12DataWorksheets& data = *Manager_->Worksheets;
  if (Index < 0 || Index >= data.Count() || Count < 1) return;
  // Beyond the last sheet there is nothing to delete.
  Count = std::min(Count, data.Count() - Index);
  if (!Compiled_ && FormulaHandler_) CompileFormulas();
  for (int i = 0; i < Count; ++i) {
    Sheets_.Delete(Index);
    data.DeleteSheet(Index);
    if (Legacy_) Legacy_->SheetDeleted(Index);
  }
  for (const auto& s : Sheets_) s->Index = s->GetDataSheet()->Index;
  AdjustSheetRefs(Index, -Count);
}

void TXLSWorkbook::MoveSheet(int From, int To) {
  const int n = GetCount();
  if (From < 0 || From >= n || To < 0 || To >= n || From == To) return;
  if (!Compiled_ && FormulaHandler_) CompileFormulas();
  Manager_->Worksheets->MoveSheet(From, To);
  if (Legacy_) Legacy_->SheetMoved(From, To);
  std::unique_ptr<TXLSWorksheet> s = Sheets_.Extract(From);
  Sheets_.Insert(To, std::move(s));
  for (const auto& sh : Sheets_) sh->Index = sh->GetDataSheet()->Index;
  if (TXc12DefinedNames* names = GetNames()) names->MoveSheet(From, To);
  if (FormulaHandler_) ForEachFormula([&](std::uint8_t* P, int L) { FormulaHandler_->MoveSheetRefs(P, L, From, To); });
}

void TXLSWorkbook::AddSheetObject(int Index) {
  TXc12DataWorksheet* ds = Manager_->Worksheets->GetItem(Index);
  Sheets_.Add(std::make_unique<TXLSWorksheet>(ds, Manager_, this));
}

void TXLSWorkbook::CreateSheetObjects() {
  Compiled_ = false;
  Sheets_.Clear();
  for (int i = 0; i < Manager_->Worksheets->Count(); ++i) AddSheetObject(i);
  for (const auto& s : Sheets_) s->GetDrawing()->Rebuild();
  if (auto* names = dynamic_cast<TXLSNames*>(GetNames())) names->CompileAll();
}

void TXLSWorkbook::ClearSheets() {
  Sheets_.Clear();
  Compiled_ = false;
  if (Options_) Options_->ClearFlags();
  Legacy_.reset();
  if (CmdFormat_) CmdFormat_->Reset();
}

void TXLSWorkbook::CalcDimensions() {
  for (const auto& s : Sheets_) s->CalcDimensions();
}

void TXLSWorkbook::PrepareWrite() {
  CalcDimensions();
  if (Options_ && Options_->Flags[0])
    for (int s = 0; s < Manager_->Worksheets->Count(); ++s)
      for (const auto& v : Manager_->Worksheets->GetItem(s)->SheetViews) v->tabSelected = false;
}

void TXLSWorkbook::CompileFormulas() {
  Manager_->BeginProgress(xptCompileFormulas, GetCount());
  CalcDimensions();
  for (int i = 0; i < GetCount(); ++i) {
    Manager_->WorkProgress(i + 1);
    GetItem(i)->CompileFormulas();
  }
  Manager_->EndProgress();
  Compiled_ = true;
}

void TXLSWorkbook::ForEachFormula(const std::function<void(std::uint8_t*, int)>& Adjust, bool WithNames) {
  for (int s = 0; s < Manager_->Worksheets->Count(); ++s) {
    TXLSCellMMU* cells = Manager_->Worksheets->GetItem(s)->Cells.get();
    cells->BeginIterate(0);
    while (cells->IterNext()) {
      if (!IsFormulaKind(cells->IterCellType()) || !TXLSCellMMU::FormulaIsCompiled(*cells->IterCellRef())) continue;
      std::uint8_t* ptgs = nullptr;
      const int len = MutablePtgs(*cells->IterCellRef(), ptgs);
      if (len > 0) Adjust(ptgs, len);
    }
  }
  // Names that are formulas carry sheet references in their byte code too.
  if (!WithNames) return;
  if (TXc12DefinedNames* names = GetNames())
    for (const auto& n : *names)
      if (n->RefKind == nrkFormula && !n->Compiled.empty() && !n->Deleted)
        Adjust(n->Compiled.data(), static_cast<int>(n->Compiled.size()));
}

void TXLSWorkbook::AdjustSheetRefs(int Index, int Delta) {
  if (FormulaHandler_)
    ForEachFormula([&](std::uint8_t* P, int L) { FormulaHandler_->AdjustSheetRefs(P, L, Index, Delta); }, false);
  TXc12DefinedNames* names = GetNames();
  if (!names) return;
  if (auto* own = dynamic_cast<TXLSNames*>(names)) {
    own->AdjustSheetRefs(Index, Delta);
    return;
  }
  // Plain data names: the same steps through the workbook's handler.
  if (Delta < 0)
    names->DeleteSheets(Index, -Delta);
  else
    names->InsertSheets(Index, Delta);
  if (FormulaHandler_ && Delta != 0)
    for (const auto& n : *names)
      if (!n->Deleted && n->RefKind == nrkFormula && !n->Compiled.empty())
        FormulaHandler_->AdjustSheetRefs(n->Compiled.data(), static_cast<int>(n->Compiled.size()), Index, Delta);
}

}  // namespace workbook
