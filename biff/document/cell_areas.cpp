#include "biff/document/cell_areas.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "biff/biff_error.h"
#include "core/byte_io.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_areas.h"

namespace biff {

namespace {

const char* const kMergedPart = "Can not change part of a merged cell";

TCellArea97 Box(int Col1, int Row1, int Col2, int Row2) {
  TCellArea97 A;
  A.Col1 = Col1;
  A.Row1 = Row1;
  A.Col2 = Col2;
  A.Row2 = Row2;
  return A;
}

// The rectangle algebra is the workbook model's; the legacy lists add their own rules on top.
workbook::TXLSCellArea Rect(const TCellArea97& A) { return workbook::CellAreaFromBox(A.Col1, A.Row1, A.Col2, A.Row2); }
TCellArea97 Box(const workbook::TXLSCellArea& R) { return Box(R.Col1, R.Row1, R.Col2, R.Row2); }

bool Intersection(const TCellArea97& A, const TCellArea97& B, TCellArea97& I) {
  workbook::TXLSCellArea R;
  const bool overlap = workbook::IntersectCellArea(Rect(A), Rect(B), R);
  I = Box(R);
  return overlap;
}

bool Inside(const TCellArea97& Inner, const TCellArea97& Outer) {
  return Inner.Col1 >= Outer.Col1 && Inner.Col2 <= Outer.Col2 && Inner.Row1 >= Outer.Row1 && Inner.Row2 <= Outer.Row2;
}

// A minus the box B: the bands above and below, then the parts left and right of B in the middle.
std::vector<TCellArea97> Subtract(const TCellArea97& A, const TCellArea97& B) {
  workbook::TXLSCellArea Parts[4];
  const int n = workbook::TBaseCellAreas::SubtractRect(Rect(A), Rect(B), Parts);
  std::vector<TCellArea97> R;
  for (int i = 0; i < n; ++i) R.push_back(Box(Parts[i]));
  return R;
}

bool MoveAndClip(TCellArea97& A, int DCol, int DRow) {
  // Offsets come from callers; keep the sums away from integer overflow before clipping.
  auto Add = [](int V, int D) { return static_cast<int>(std::clamp<long long>(static_cast<long long>(V) + D, INT_MIN, INT_MAX)); };
  A.Col1 = Add(A.Col1, DCol);
  A.Col2 = Add(A.Col2, DCol);
  A.Row1 = Add(A.Row1, DRow);
  A.Row2 = Add(A.Row2, DRow);
  return workbook::ClipArea97(A.Col1, A.Row1, A.Col2, A.Row2);
}

}  // namespace

void TBaseCellAreas97::Copy(int, int, int, int, int, int) {}

TCellArea97* TBaseCellAreas97::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return Items_[static_cast<std::size_t>(Index)].get();
}

void TBaseCellAreas97::Remove(int Index) {
  Items(Index);
  Items_.erase(Items_.begin() + Index);
}

TCellArea97* TBaseCellAreas97::Add() {
  auto A = std::make_unique<TCellArea97>();
  A->Id = NextId_++;
  Items_.push_back(std::move(A));
  return Items_.back().get();
}

TCellArea97* TBaseCellAreas97::AddArea(int Col1, int Row1, int Col2, int Row2) {
  TCellArea97* A = Add();
  A->Col1 = Col1;
  A->Row1 = Row1;
  A->Col2 = Col2;
  A->Row2 = Row2;
  return A;
}

TCellArea97* TBaseCellAreas97::AddRef(const std::uint8_t* Ref) {
  return AddArea(core::load_le16(Ref + 4), core::load_le16(Ref), core::load_le16(Ref + 6), core::load_le16(Ref + 2));
}

void TBaseCellAreas97::Assign(const TBaseCellAreas97& Source) {
  if (&Source == this) return;
  Clear();
  for (const auto& A : Source.Items_) AddArea(A->Col1, A->Row1, A->Col2, A->Row2);
}

void TBaseCellAreas97::Normalize() {
  for (auto& A : Items_) {
    if (A->Col2 < A->Col1) std::swap(A->Col1, A->Col2);
    if (A->Row2 < A->Row1) std::swap(A->Row1, A->Row2);
  }
}

TAreaBox97 TBaseCellAreas97::BoundingBox() const {
  TAreaBox97 B{INT_MAX, 0, INT_MAX, 0};
  for (const auto& A : Items_) {
    B.Row1 = std::min(B.Row1, A->Row1);
    B.Row2 = std::max(B.Row2, A->Row2);
    B.Col1 = std::min(B.Col1, A->Col1);
    B.Col2 = std::max(B.Col2, A->Col2);
  }
  return B;
}

bool TBaseCellAreas97::Intersects(int Col1, int Row1, int Col2, int Row2) const {
  const TCellArea97 B = Box(Col1, Row1, Col2, Row2);
  TCellArea97 I;
  for (const auto& A : Items_)
    if (Intersection(*A, B, I)) return true;
  return false;
}

// ---- TCellAreas97

bool TCellAreas97::Join(const TCellArea97& N) {
  for (auto& A : Items_) {
    if (Inside(N, *A)) return true;
    if (N.Col1 == A->Col1 && N.Col2 == A->Col2) {
      if (N.Row2 >= A->Row1 - 1 && N.Row2 <= A->Row2) {
        A->Row1 = N.Row1;
        return true;
      }
      if (N.Row1 >= A->Row1 && N.Row1 <= A->Row2 + 1) {
        A->Row2 = N.Row2;
        return true;
      }
    } else if (N.Row1 == A->Row1 && N.Row2 == A->Row2) {
      if (N.Col2 >= A->Col1 - 1 && N.Col2 <= A->Col2) {
        A->Col1 = N.Col1;
        return true;
      }
      if (N.Col1 >= A->Col1 && N.Col1 <= A->Col2 + 1) {
        A->Col2 = N.Col2;
        return true;
      }
    }
  }
  return false;
}

void TCellAreas97::Place(const TCellArea97& N) {
  if (Join(N)) return;
  Delete(N.Col1, N.Row1, N.Col2, N.Row2);
  AddArea(N.Col1, N.Row1, N.Col2, N.Row2);
}

void TCellAreas97::Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) {
  // The source areas are taken before the destination changes, so a copy onto an overlapping place
  // copies what was there at the start.
  const TCellArea97 Src = Box(Col1, Row1, Col2, Row2);
  std::vector<TCellArea97> Moved;
  for (const auto& A : Items_) {
    TCellArea97 I;
    if (Intersection(*A, Src, I) && MoveAndClip(I, DCol, DRow)) Moved.push_back(I);
  }
  for (const auto& M : Moved) Place(M);
}

void TCellAreas97::Delete(int Col1, int Row1, int Col2, int Row2) {
  const TCellArea97 B = Box(Col1, Row1, Col2, Row2);
  std::vector<TCellArea97> Pieces;
  for (std::size_t i = 0; i < Items_.size();) {
    TCellArea97 I;
    if (Intersection(*Items_[i], B, I)) {
      for (const auto& P : Subtract(*Items_[i], B)) Pieces.push_back(P);
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  for (const auto& P : Pieces) AddArea(P.Col1, P.Row1, P.Col2, P.Row2);
}

void TCellAreas97::ClipTo(int Col1, int Row1, int Col2, int Row2) {
  const TCellArea97 B = Box(Col1, Row1, Col2, Row2);
  for (std::size_t i = 0; i < Items_.size();) {
    TCellArea97 I;
    if (Intersection(*Items_[i], B, I)) {
      Items_[i]->Col1 = I.Col1;
      Items_[i]->Row1 = I.Row1;
      Items_[i]->Col2 = I.Col2;
      Items_[i]->Row2 = I.Row2;
      ++i;
    } else {
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void TCellAreas97::Move(int DCol, int DRow) {
  for (std::size_t i = 0; i < Items_.size();) {
    if (MoveAndClip(*Items_[i], DCol, DRow))
      ++i;
    else
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TCellAreas97::MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) {
  // First every area gives up its part inside the source box, then the parts land at the target.
  const TCellArea97 Src = Box(Col1, Row1, Col2, Row2);
  std::vector<TCellArea97> Moved;
  std::vector<TCellArea97> Pieces;
  for (std::size_t i = 0; i < Items_.size();) {
    TCellArea97 I;
    if (Intersection(*Items_[i], Src, I)) {
      for (const auto& P : Subtract(*Items_[i], Src)) Pieces.push_back(P);
      if (MoveAndClip(I, DCol, DRow)) Moved.push_back(I);
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  for (const auto& P : Pieces) AddArea(P.Col1, P.Row1, P.Col2, P.Row2);
  for (const auto& M : Moved) Place(M);
}

// ---- TSolidCellAreas97

void TSolidCellAreas97::Delete(int Col1, int Row1, int Col2, int Row2) {
  const TCellArea97 B = Box(Col1, Row1, Col2, Row2);
  for (std::size_t i = 0; i < Items_.size();) {
    TCellArea97& A = *Items_[i];
    TCellArea97 I;
    if (Inside(A, B)) {
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (Intersection(A, B, I)) {
      const auto Pieces = Subtract(A, B);
      if (Pieces.size() != 1) throw Exception(kMergedPart);
      A.Col1 = Pieces[0].Col1;
      A.Row1 = Pieces[0].Row1;
      A.Col2 = Pieces[0].Col2;
      A.Row2 = Pieces[0].Row2;
    }
    ++i;
  }
}

void TSolidCellAreas97::Move(int, int) { throw Exception("TSolidCellAreas.Move not implemented"); }

void TSolidCellAreas97::MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) {
  const int Cols[2] = {Col1, Col2};
  const int Rows[2] = {Row1, Row2};
  for (const auto& A : Items_)
    for (int C : Cols)
      for (int R : Rows)
        if (C > A->Col1 && C < A->Col2 && R > A->Row1 && R < A->Row2) throw Exception(kMergedPart);
  for (std::size_t i = 0; i < Items_.size();) {
    TCellArea97& A = *Items_[i];
    if (A.Col1 >= Col1 && A.Col1 <= Col2) A.Col1 += DCol;
    if (A.Col2 >= Col1 && A.Col2 <= Col2) A.Col2 += DCol;
    if (A.Row1 >= Row1 && A.Row1 <= Row2) A.Row1 += DRow;
    if (A.Row2 >= Row1 && A.Row2 <= Row2) A.Row2 += DRow;
    if (A.Col2 < A.Col1 || A.Row2 < A.Row1)
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
}

// ---- TMergedCells

void TMergedCells::Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) {
  const TCellArea97 Src = Box(Col1, Row1, Col2, Row2);
  std::vector<TCellArea97> Moved;
  for (const auto& A : Items_) {
    TCellArea97 I;
    TCellArea97 M = *A;
    if (Intersection(*A, Src, I) && MoveAndClip(M, DCol, DRow)) Moved.push_back(M);
  }
  for (const auto& M : Moved) {
    const bool There = std::any_of(Items_.begin(), Items_.end(), [&](const auto& A) {
      return A->Col1 == M.Col1 && A->Row1 == M.Row1 && A->Col2 == M.Col2 && A->Row2 == M.Row2;
    });
    if (!There) AddArea(M.Col1, M.Row1, M.Col2, M.Row2);
  }
}

}  // namespace biff
