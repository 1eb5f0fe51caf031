#include "workbook/sheet_shifts.h"

#include <algorithm>
#include <vector>

#include "workbook/worksheet_data.h"

namespace workbook {

namespace {

// One axis: [A, B] within 0..Max after the change; False when nothing remains.
bool ShiftRange(bool Insert, int First, int Count, int Max, std::int32_t& A, std::int32_t& B) {
  if (Count <= 0) return true;
  const std::int64_t a = A, b = B;
  std::int64_t na = a, nb = b;
  if (Insert) {
    if (a >= First) {
      na = a + Count;
      nb = b + Count;
    } else if (b >= First) {
      nb = b + Count;
    }
    if (na > Max) return false;
    nb = std::min<std::int64_t>(nb, Max);
  } else {
    const std::int64_t last = static_cast<std::int64_t>(First) + Count - 1;
    if (b < First) return true;
    if (a > last) {
      na = a - Count;
      nb = b - Count;
    } else {
      na = a < First ? a : First;
      nb = b > last ? b - Count : First - 1;
      if (nb < na) return false;
    }
  }
  A = static_cast<std::int32_t>(na);
  B = static_cast<std::int32_t>(nb);
  return true;
}

bool IsRows(const TXc12SheetShift& S) {
  return S.Kind == TXc12SheetShift::InsertRows || S.Kind == TXc12SheetShift::DeleteRows;
}
bool IsInsert(const TXc12SheetShift& S) {
  return S.Kind == TXc12SheetShift::InsertRows || S.Kind == TXc12SheetShift::InsertColumns;
}

// Every area of the list follows; areas that lose all cells are removed.
void ShiftAreas(TBaseCellAreas& List, const TXc12SheetShift& S, bool DropSingleCells = false) {
  for (int i = List.Count() - 1; i >= 0; --i) {
    TXLSCellArea a = List.GetItem(i)->GetArea();
    if (ShiftArea(S, a) && !(DropSingleCells && a.Col1 == a.Col2 && a.Row1 == a.Row2))
      List.GetItem(i)->SetArea(a);
    else
      List.TObjectList<TCellArea>::Delete(i);
  }
}

void ShiftRef(const TXc12SheetShift& S, TXLSCellArea& Ref) {
  if (!CellAreaAssigned(Ref)) return;
  if (!ShiftArea(S, Ref)) ClearCellArea(Ref);
}

}  // namespace

bool ShiftArea(const TXc12SheetShift& S, TXLSCellArea& Area) {
  if (IsRows(S)) return ShiftRange(IsInsert(S), S.First, S.Count, XLS_MAXROW, Area.Row1, Area.Row2);
  return ShiftRange(IsInsert(S), S.First, S.Count, XLS_MAXCOL, Area.Col1, Area.Col2);
}

bool ShiftCell(const TXc12SheetShift& S, int& Col, int& Row) {
  TXLSCellArea a = CellAreaFromCell(Col, Row);
  if (!ShiftArea(S, a)) return false;
  Col = a.Col1;
  Row = a.Row1;
  return true;
}

void ShiftSheetParts(TXc12DataWorksheet& Sheet, const TXc12SheetShift& S) {
  // Merges never overlap before or after: a shift keeps the order of rows and columns. One that
  // shrinks to a single cell merges nothing any more.
  ShiftAreas(*Sheet.MergedCells, S, true);
  ShiftAreas(*Sheet.Hyperlinks, S);
  for (TXLSMoveCopyList* list : {static_cast<TXLSMoveCopyList*>(Sheet.ConditionalFormats.get()),
                                 static_cast<TXLSMoveCopyList*>(Sheet.DataValidations.get())}) {
    for (int i = list->Count() - 1; i >= 0; --i) {
      auto* item = dynamic_cast<TXc12AreaMoveCopyItem*>(list->GetItem(i));
      if (!item) continue;
      ShiftAreas(item->Sqref, S);
      if (item->Sqref.Count() == 0) list->TObjectList<TXLSMoveCopyItem>::Delete(i);
    }
  }
  for (int i = Sheet.Comments.Count() - 1; i >= 0; --i) {
    TXc12Comment* c = Sheet.Comments.GetItem(i);
    int col = c->Col, row = c->Row;
    if (ShiftCell(S, col, row)) {
      c->SetCol(col);
      c->SetRow(row);
    } else {
      Sheet.Comments.TObjectList<TXc12Comment>::Delete(i);
    }
  }
  for (int i = Sheet.ProtectedRanges.Count() - 1; i >= 0; --i) {
    ShiftAreas(Sheet.ProtectedRanges.GetItem(i)->sqref, S);
    if (Sheet.ProtectedRanges.GetItem(i)->sqref.Count() == 0) Sheet.ProtectedRanges.Delete(i);
  }
  for (int i = Sheet.IgnoredErrors.Count() - 1; i >= 0; --i) {
    ShiftAreas(Sheet.IgnoredErrors.GetItem(i)->sqref, S);
    if (Sheet.IgnoredErrors.GetItem(i)->sqref.Count() == 0) Sheet.IgnoredErrors.Delete(i);
  }
  ShiftRef(S, Sheet.AutoFilter->Ref);
  for (int i = Sheet.Tables.Count() - 1; i >= 0; --i) {
    TXc12Table* t = Sheet.Tables.GetItem(i);
    if (!ShiftArea(S, t->Ref)) {
      Sheet.Tables.Delete(i);
      continue;
    }
    ShiftRef(S, t->AutoFilter.Ref);
  }
}

void ShiftNameReferences(TXc12DefinedNames& Names, int SheetIndex, const TXc12SheetShift& S) {
  constexpr std::uint32_t kColFlag = 0x8000u, kRowFlag = 0x80000000u;
  for (int i = 0; i < Names.Count(); ++i) {
    TXc12DefinedName* n = Names.GetItem(i);
    if (n->Deleted || n->RefSheet != SheetIndex || (n->RefKind != nrkCell && n->RefKind != nrkArea)) continue;
    const auto col = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    const std::uint32_t c1 = col(n->RefArea.Col1), c2 = col(n->RefArea.Col2);
    const std::uint32_t r1 = col(n->RefArea.Row1), r2 = col(n->RefArea.Row2);
    TXLSCellArea a;
    a.Col1 = static_cast<std::int32_t>(c1 & ~kColFlag);
    a.Col2 = static_cast<std::int32_t>(c2 & ~kColFlag);
    a.Row1 = static_cast<std::int32_t>(r1 & ~kRowFlag);
    a.Row2 = static_cast<std::int32_t>(r2 & ~kRowFlag);
    if (!ShiftArea(S, a)) {
      n->RefKind = nrkInvalid;
      continue;
    }
    n->RefArea.Col1 = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.Col1) | (c1 & kColFlag));
    n->RefArea.Col2 = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.Col2) | (c2 & kColFlag));
    n->RefArea.Row1 = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.Row1) | (r1 & kRowFlag));
    n->RefArea.Row2 = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.Row2) | (r2 & kRowFlag));
  }
}

}  // namespace workbook
