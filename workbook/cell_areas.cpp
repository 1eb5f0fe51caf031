#include "workbook/cell_areas.h"

#include <algorithm>

#include "workbook/exceptions.h"

namespace workbook {

namespace {

const char* const kMergedCellMessage = "Can not change part of a merged cell";

TXLSCellArea Box(int Col1, int Row1, int Col2, int Row2) { return CellAreaFromBox(Col1, Row1, Col2, Row2); }

bool Overlap(const TXLSCellArea& A, const TXLSCellArea& B) {
  return A.Col1 <= B.Col2 && B.Col1 <= A.Col2 && A.Row1 <= B.Row2 && B.Row1 <= A.Row2;
}

bool Within(const TXLSCellArea& Inner, const TXLSCellArea& Outer) {
  return Inner.Col1 >= Outer.Col1 && Inner.Col2 <= Outer.Col2 && Inner.Row1 >= Outer.Row1 &&
         Inner.Row2 <= Outer.Row2;
}

TXLSCellArea Shifted(const TXLSCellArea& A, int DeltaCol, int DeltaRow) {
  return Box(A.Col1 + DeltaCol, A.Row1 + DeltaRow, A.Col2 + DeltaCol, A.Row2 + DeltaRow);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCellArea

void TCellArea::SetBounds(int Col1, int Row1, int Col2, int Row2) {
  SetCol1(Col1);
  SetRow1(Row1);
  SetCol2(Col2);
  SetRow2(Row2);
}

void TCellArea::GetArea(TXLSCellArea& Area) const {
  Area.Col1 = GetCol1();
  Area.Row1 = GetRow1();
  Area.Col2 = GetCol2();
  Area.Row2 = GetRow2();
}

void TCellArea::AssignArea(const TCellArea& Other) {
  SetBounds(Other.GetCol1(), Other.GetRow1(), Other.GetCol2(), Other.GetRow2());
  Tag = Other.Tag;
}

std::int64_t TCellArea::CellCount() const {
  return (static_cast<std::int64_t>(GetCol2()) - GetCol1() + 1) * (static_cast<std::int64_t>(GetRow2()) - GetRow1() + 1);
}

bool TCellArea::SameBounds(int Col1, int Row1, int Col2, int Row2) const {
  return GetCol1() == Col1 && GetRow1() == Row1 && GetCol2() == Col2 && GetRow2() == Row2;
}

bool TCellArea::IsInside(int Col1, int Row1, int Col2, int Row2) const {
  return Within(GetArea(), Box(Col1, Row1, Col2, Row2));
}

bool TCellArea::HasInside(int Col, int Row) const {
  return Col > GetCol1() && Col < GetCol2() && Row > GetRow1() && Row < GetRow2();
}

bool TCellArea::Contains(int Col, int Row) const {
  return Col >= GetCol1() && Col <= GetCol2() && Row >= GetRow1() && Row <= GetRow2();
}

bool TCellArea::Intersects(int Col1, int Row1, int Col2, int Row2) const {
  return Overlap(GetArea(), Box(Col1, Row1, Col2, Row2));
}

std::u16string TCellArea::GetAsText() const {
  if (GetCol1() == GetCol2() && GetRow1() == GetRow2()) return ColRowToRefStrAbs(GetCol1(), GetRow1(), false, false);
  return AreaToRefStrAbs(GetCol1(), GetRow1(), GetCol2(), GetRow2(), false, false, false, false);
}

// ---------------------------------------------------------------------------------------------
// TBaseCellAreas

void TBaseCellAreas::Copy(int, int, int, int, int, int) {}

TCellArea* TBaseCellAreas::AddNew() { return TObjectList<TCellArea>::Add(CreateArea()); }

TCellArea* TBaseCellAreas::Add(int Col1, int Row1, int Col2, int Row2) {
  TCellArea* a = AddNew();
  a->SetBounds(Col1, Row1, Col2, Row2);
  return a;
}

TCellArea* TBaseCellAreas::AddFromText(const std::u16string& Text) {
  const std::size_t colon = Text.find(u':');
  if (colon == std::u16string::npos || colon == 0) {
    int col = 0, row = 0;
    if (!RefStrToColRow(Text, col, row)) return nullptr;
    return AddCell(col, row);
  }
  int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  if (!AreaStrToColRow(Text, c1, r1, c2, r2)) return nullptr;
  return Add(c1, r1, c2, r2);
}

void TBaseCellAreas::SetAsText(const std::u16string& Text) {
  Clear();
  std::size_t start = 0;
  while (start <= Text.size()) {
    std::size_t end = Text.find(Separator, start);
    if (end == std::u16string::npos) end = Text.size();
    if (end > start) AddFromText(Text.substr(start, end - start));
    start = end + 1;
  }
}

std::u16string TBaseCellAreas::GetAsText() const {
  std::u16string s;
  for (const auto& a : *this) {
    s += a->GetAsText();
    s += u' ';
  }
  while (!s.empty() && s.back() == u' ') s.pop_back();
  return s;
}

int TBaseCellAreas::IndexOfArea(int Col1, int Row1, int Col2, int Row2) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->SameBounds(Col1, Row1, Col2, Row2)) return i;
  return -1;
}

int TBaseCellAreas::IndexOfCell(int Col, int Row) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i)->Contains(Col, Row)) return i;
  return -1;
}

bool TBaseCellAreas::AnyIntersects(int Col1, int Row1, int Col2, int Row2) const {
  for (const auto& a : *this)
    if (a->Intersects(Col1, Row1, Col2, Row2)) return true;
  return false;
}

std::int64_t TBaseCellAreas::GetCellCount() const {
  std::int64_t n = 0;
  for (const auto& a : *this) n += a->CellCount();
  return n;
}

void TBaseCellAreas::Assign(const TBaseCellAreas& Other) {
  Clear();
  for (const auto& a : Other) {
    TCellArea* b = AddNew();
    b->AssignArea(*a);
  }
}

bool TBaseCellAreas::IntersectRect(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R) {
  return IntersectCellArea(A, B, R);
}

int TBaseCellAreas::SubtractRect(const TXLSCellArea& A, const TXLSCellArea& Rect, TXLSCellArea (&Parts)[4]) {
  int n = 0;
  int top = A.Row1, bottom = A.Row2;
  if (A.Row1 < Rect.Row1) {
    Parts[n++] = Box(A.Col1, A.Row1, A.Col2, Rect.Row1 - 1);
    top = Rect.Row1;
  }
  if (Rect.Row2 < A.Row2) {
    Parts[n++] = Box(A.Col1, Rect.Row2 + 1, A.Col2, A.Row2);
    bottom = Rect.Row2;
  }
  if (A.Col1 < Rect.Col1) Parts[n++] = Box(A.Col1, top, Rect.Col1 - 1, bottom);
  if (Rect.Col2 < A.Col2) Parts[n++] = Box(Rect.Col2 + 1, top, A.Col2, bottom);
  return n;
}

int TBaseCellAreas::SubtractRect(int Index, const TXLSCellArea& Rect, TXLSCellArea (&Parts)[4]) const {
  return SubtractRect(GetItem(Index)->GetArea(), Rect, Parts);
}

// ---------------------------------------------------------------------------------------------
// TCellAreas

bool TCellAreas::ClipToSheet(TXLSCellArea& R) {
  if (R.Col1 > XLS_MAXCOL || R.Row1 > XLS_MAXROW || R.Col2 < 0 || R.Row2 < 0) return false;
  R.Col1 = std::max(R.Col1, 0);
  R.Row1 = std::max(R.Row1, 0);
  R.Col2 = std::min(R.Col2, XLS_MAXCOL);
  R.Row2 = std::min(R.Row2, XLS_MAXROW);
  return true;
}

bool TCellAreas::TryMerge(const TXLSCellArea& N) {
  // A rectangle that an area already covers changes nothing, even when an earlier area could
  // be extended to take it in.
  for (const auto& item : *this)
    if (Within(N, item->GetArea())) return true;
  for (const auto& item : *this) {
    TCellArea& a = *item;
    const TXLSCellArea A = a.GetArea();
    if (A.Col1 == N.Col1 && A.Col2 == N.Col2) {
      if (A.Row1 - 1 <= N.Row2 && N.Row2 <= A.Row2) {
        a.SetRow1(std::min(A.Row1, N.Row1));
        return true;
      }
      if (A.Row1 <= N.Row1 && N.Row1 <= A.Row2 + 1) {
        a.SetRow2(std::max(A.Row2, N.Row2));
        return true;
      }
      continue;
    }
    if (A.Row1 == N.Row1 && A.Row2 == N.Row2) {
      if (A.Col1 - 1 <= N.Col2 && N.Col2 <= A.Col2) {
        a.SetCol1(std::min(A.Col1, N.Col1));
        return true;
      }
      if (A.Col1 <= N.Col1 && N.Col1 <= A.Col2 + 1) {
        a.SetCol2(std::max(A.Col2, N.Col2));
        return true;
      }
    }
  }
  return false;
}

void TCellAreas::Place(const TXLSCellArea& Dest) {
  if (TryMerge(Dest)) return;
  Delete(Dest.Col1, Dest.Row1, Dest.Col2, Dest.Row2);
  AddArea(Dest);
}

void TCellAreas::Delete(int Col1, int Row1, int Col2, int Row2) {
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  const int n = Count();
  std::vector<int> gone;
  for (int i = 0; i < n; ++i) {
    const TXLSCellArea A = GetItem(i)->GetArea();
    if (!Overlap(A, R)) continue;
    TXLSCellArea parts[4];
    const int k = SubtractRect(A, R, parts);
    for (int j = 0; j < k; ++j) AddArea(parts[j]);
    gone.push_back(i);
  }
  for (auto it = gone.rbegin(); it != gone.rend(); ++it) TObjectList<TCellArea>::Delete(*it);
}

void TCellAreas::Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) {
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  std::vector<TXLSCellArea> dests;
  for (const auto& a : *this) {
    TXLSCellArea I;
    if (!IntersectRect(a->GetArea(), R, I)) continue;
    I = Shifted(I, DeltaCol, DeltaRow);
    if (ClipToSheet(I)) dests.push_back(I);
  }
  for (const TXLSCellArea& d : dests) Place(d);
}

void TCellAreas::Move(int DeltaCol, int DeltaRow) {
  for (int i = Count() - 1; i >= 0; --i) {
    TXLSCellArea A = Shifted(GetItem(i)->GetArea(), DeltaCol, DeltaRow);
    if (ClipToSheet(A))
      GetItem(i)->SetArea(A);
    else
      TObjectList<TCellArea>::Delete(i);
  }
}

void TCellAreas::MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) {
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  const int n = Count();
  std::vector<int> gone;
  std::vector<TXLSCellArea> dests;
  for (int i = 0; i < n; ++i) {
    const TXLSCellArea A = GetItem(i)->GetArea();
    TXLSCellArea I;
    if (!IntersectRect(A, R, I)) continue;
    TXLSCellArea parts[4];
    const int k = SubtractRect(A, R, parts);
    for (int j = 0; j < k; ++j) AddArea(parts[j]);
    gone.push_back(i);
    I = Shifted(I, DeltaCol, DeltaRow);
    if (ClipToSheet(I)) dests.push_back(I);
  }
  for (auto it = gone.rbegin(); it != gone.rend(); ++it) TObjectList<TCellArea>::Delete(*it);
  for (const TXLSCellArea& d : dests) Place(d);
}

TCellArea* TCellAreas::Include(int Col1, int Row1, int Col2, int Row2) {
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  TCellArea* last = nullptr;
  for (int i = 0; i < Count();) {
    TXLSCellArea I;
    if (IntersectRect(GetItem(i)->GetArea(), R, I)) {
      GetItem(i)->SetArea(I);
      last = GetItem(i);
      ++i;
    } else {
      TObjectList<TCellArea>::Delete(i);
    }
  }
  return last;
}

// ---------------------------------------------------------------------------------------------
// TSolidCellAreas

void TSolidCellAreas::Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) {
  if (DeltaCol == 0 && DeltaRow == 0) return;
  CopyBlocked = false;
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  const TXLSCellArea sheet = Box(0, 0, XLS_MAXCOL, XLS_MAXROW);
  std::vector<TXLSCellArea> copies;
  for (const auto& a : *this) {
    const TXLSCellArea A = a->GetArea();
    if (!Within(A, R)) continue;
    const TXLSCellArea C = Shifted(A, DeltaCol, DeltaRow);
    if (Within(C, sheet)) copies.push_back(C);
  }
  for (const TXLSCellArea& c : copies) {
    if (AnyIntersects(c.Col1, c.Row1, c.Col2, c.Row2)) {
      CopyBlocked = true;
      return;
    }
  }
  for (const TXLSCellArea& c : copies) AddArea(c);
}

void TSolidCellAreas::Delete(int Col1, int Row1, int Col2, int Row2) {
  const TXLSCellArea R = Box(Col1, Row1, Col2, Row2);
  // Checked before anything changes, so that a refused deletion leaves every merge in place.
  for (const auto& a : *this) {
    const TXLSCellArea A = a->GetArea();
    if (!Overlap(A, R) || Within(A, R)) continue;
    TXLSCellArea parts[4];
    if (SubtractRect(A, R, parts) > 1) throw Exception(kMergedCellMessage);
  }
  for (int i = Count() - 1; i >= 0; --i) {
    const TXLSCellArea A = GetItem(i)->GetArea();
    if (!Overlap(A, R)) continue;
    if (Within(A, R)) {
      TObjectList<TCellArea>::Delete(i);
      continue;
    }
    TXLSCellArea parts[4];
    SubtractRect(A, R, parts);
    GetItem(i)->SetArea(parts[0]);
  }
}

TCellArea* TSolidCellAreas::Include(int Col1, int Row1, int Col2, int Row2) {
  TXLSCellArea U = Box(Col1, Row1, Col2, Row2);
  for (int i = Count() - 1; i >= 0; --i) {
    const TXLSCellArea A = GetItem(i)->GetArea();
    if (!Overlap(A, Box(Col1, Row1, Col2, Row2))) continue;
    U.Col1 = std::min(U.Col1, A.Col1);
    U.Row1 = std::min(U.Row1, A.Row1);
    U.Col2 = std::max(U.Col2, A.Col2);
    U.Row2 = std::max(U.Row2, A.Row2);
    TObjectList<TCellArea>::Delete(i);
  }
  return AddArea(U);
}

void TSolidCellAreas::Move(int, int) { throw Exception("TSolidCellAreas.Move not implemented"); }

void TSolidCellAreas::MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) {
  for (const auto& a : *this) {
    if (a->HasInside(Col1, Row1) || a->HasInside(Col2, Row1) || a->HasInside(Col1, Row2) ||
        a->HasInside(Col2, Row2))
      throw Exception(kMergedCellMessage);
  }
  for (int i = Count() - 1; i >= 0; --i) {
    TCellArea* a = GetItem(i);
    const TXLSCellArea A = a->GetArea();
    TXLSCellArea N = A;
    if (A.Col1 >= Col1 && A.Col1 <= Col2) N.Col1 += DeltaCol;
    if (A.Row1 >= Row1 && A.Row1 <= Row2) N.Row1 += DeltaRow;
    if ((A.Col2 >= Col1 && A.Col2 <= Col2) || (A.Col2 == Col1 + DeltaCol && A.Col2 <= Col2)) N.Col2 += DeltaCol;
    if ((A.Row2 >= Row1 && A.Row2 <= Row2) || (A.Row2 == Row1 + DeltaRow && A.Row2 <= Row2)) N.Row2 += DeltaRow;
    if (N.Col2 < N.Col1 || N.Row2 < N.Row1)
      TObjectList<TCellArea>::Delete(i);
    else
      a->SetArea(N);
  }
}

// ---------------------------------------------------------------------------------------------
// Cell references and move/copy lists

bool TCellRef::SetAsText(const std::u16string& Text) {
  int c = 0, r = 0;
  if (!RefStrToColRow(Text, c, r)) return false;
  Col = c;
  Row = r;
  return true;
}

TCellRef* TCellRefs::Add(const std::u16string& Text) {
  auto ref = std::make_unique<TCellRef>();
  ref->SetAsText(Text);
  return TObjectList<TCellRef>::Add(std::move(ref));
}

void TXLSMoveCopyList::Delete(int Col1, int Row1, int Col2, int Row2) {
  for (const auto& item : *this) item->Delete(Col1, Row1, Col2, Row2);
}

}  // namespace workbook
