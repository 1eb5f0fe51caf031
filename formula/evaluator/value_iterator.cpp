// TValStackIterator: walks the cells or elements behind a value, alone or chained with others.
#include <algorithm>
#include <cstdint>

#include "formula/evaluator/value_stack.h"

namespace formula {

TValStackIterator::~TValStackIterator() = default;

TValStackIterator* TValStackIterator::EnsureNext() {
  if (!Next_) Next_ = std::make_unique<TValStackIterator>(Owner_);
  return Next_.get();
}

void TValStackIterator::Init(const TXLSFormulaValue& Value, bool StopAtError) {
  FreeNext();
  Walked_ = Value;
  StopAtError_ = StopAtError;
  Started_ = false;
  Done_ = false;
  AreaIndex_ = 0;
  Item_.SetEmpty();
  ReaderRow_ = -1;
  if (Walked_.Kind == fvkArea || Walked_.Kind == fvkXArea) ClipToUsedArea();
}

void TValStackIterator::InitPair(const TXLSFormulaValue& A, const TXLSFormulaValue& B, bool StopAtError) {
  Init(A, StopAtError);
  TValStackIterator* n = EnsureNext();
  n->SkipHiddenRows = SkipHiddenRows;
  n->SkipErrors = SkipErrors;
  n->Init(B, StopAtError);
  AlignChain();
}

// An area walk visits only the part of its rectangle that the sheet's used area covers.
void TValStackIterator::ClipToUsedArea() {
  WinCol1_ = Walked_.Col1;
  WinRow1_ = Walked_.Row1;
  WinCol2_ = Walked_.Col2;
  WinRow2_ = Walked_.Row2;
  const workbook::TXLSCellArea used =
      Walked_.Cells ? Walked_.Cells->Dimension() : workbook::TXLSCellArea{};
  if (!workbook::CellAreaAssigned(used)) {
    WinCol2_ = WinCol1_ - 1;  // nothing to visit
    return;
  }
  WinCol1_ = std::max(WinCol1_, used.Col1);
  WinRow1_ = std::max(WinRow1_, used.Row1);
  WinCol2_ = std::min(WinCol2_, used.Col2);
  WinRow2_ = std::min(WinRow2_, used.Row2);
}

// Paired walks must visit the same positions in every area: the window becomes the union of the
// areas' clipped windows (relative to each area's corner), bounded by the smallest area. When a member
// of the chain is not an area every position is visited.
void TValStackIterator::AlignChain() {
  bool allAreas = true;
  int width = INT32_MAX, height = INT32_MAX;
  int c1 = INT32_MAX, r1 = INT32_MAX, c2 = -1, r2 = -1;
  for (TValStackIterator* it = this; it; it = it->Next_.get()) {
    if (it->Walked_.Kind != fvkArea && it->Walked_.Kind != fvkXArea) {
      allAreas = false;
      continue;
    }
    width = std::min(width, it->Walked_.Col2 - it->Walked_.Col1 + 1);
    height = std::min(height, it->Walked_.Row2 - it->Walked_.Row1 + 1);
    if (it->WinCol2_ >= it->WinCol1_ && it->WinRow2_ >= it->WinRow1_) {
      c1 = std::min(c1, it->WinCol1_ - it->Walked_.Col1);
      r1 = std::min(r1, it->WinRow1_ - it->Walked_.Row1);
      c2 = std::max(c2, it->WinCol2_ - it->Walked_.Col1);
      r2 = std::max(r2, it->WinRow2_ - it->Walked_.Row1);
    }
  }
  if (!allAreas) {
    c1 = r1 = 0;
    c2 = r2 = INT32_MAX - 1;
  }
  for (TValStackIterator* it = this; it; it = it->Next_.get()) {
    if (it->Walked_.Kind != fvkArea && it->Walked_.Kind != fvkXArea) continue;
    const int w = allAreas ? width : it->Walked_.Col2 - it->Walked_.Col1 + 1;
    const int h = allAreas ? height : it->Walked_.Row2 - it->Walked_.Row1 + 1;
    if (c2 < 0) {
      it->WinCol1_ = it->Walked_.Col1;
      it->WinCol2_ = it->WinCol1_ - 1;
      continue;
    }
    it->WinCol1_ = it->Walked_.Col1 + c1;
    it->WinRow1_ = it->Walked_.Row1 + r1;
    it->WinCol2_ = it->Walked_.Col1 + std::min(c2, w - 1);
    it->WinRow2_ = it->Walked_.Row1 + std::min(r2, h - 1);
  }
}

bool TValStackIterator::RowHidden(workbook::TXLSCellMMU* Cells, int Row) const {
  if (!Cells) return false;
  workbook::TMMURowHeader h = Cells->FindRow(Row);
  return !h || (h.Flags() & workbook::TMMURowHeader::rhfHidden) != 0;
}

// One raw step to the next position; False at the end.
bool TValStackIterator::Step() {
  if (Done_) return false;
  TValueStack& s = *Owner_;
  switch (Walked_.Kind) {
    case fvkValue:
    case fvkCell:
    case fvkArrayArg:
      if (Started_) return Done_ = true, false;
      Started_ = true;
      Item_ = Walked_;
      return true;
    case fvkArea:
    case fvkXArea:
      if (!Started_) {
        Started_ = true;
        CurCol_ = WinCol1_;
        CurRow_ = WinRow1_;
      } else if (++CurCol_ > WinCol2_) {
        CurCol_ = WinCol1_;
        ++CurRow_;
      }
      if (WinCol2_ < WinCol1_ || CurRow_ > WinRow2_) return Done_ = true, false;
      if (!Walked_.Cells) {
        s.ReadCell(nullptr, CurCol_, CurRow_, Item_);
        return true;
      }
      // Along the row vector: each row's runs are walked once.
      if (CurRow_ != ReaderRow_) {
        Reader_.SetRow(*Walked_.Cells, CurRow_);
        ReaderRow_ = CurRow_;
      }
      if (workbook::TMMUCellRef ref; Reader_.Find(CurCol_, ref)) {
        TValueStack::ReadStoredCell(Walked_.Cells, ref, Item_);
      } else {
        Item_.SetEmpty();
        Item_.NoCell = 1;
      }
      return true;
    case fvkAreaList: {
      const workbook::TCellAreas* list = Walked_.Areas;
      if (!list) return Done_ = true, false;
      while (true) {
        if (AreaIndex_ >= list->Count()) return Done_ = true, false;
        const workbook::TCellArea* a = list->GetItem(AreaIndex_);
        if (!Started_) {
          Started_ = true;
          CurCol_ = a->GetCol1();
          CurRow_ = a->GetRow1();
        } else if (++CurCol_ > a->GetCol2()) {
          CurCol_ = a->GetCol1();
          if (++CurRow_ > a->GetRow2()) {
            ++AreaIndex_;
            Started_ = false;
            continue;
          }
        }
        s.ReadCell(static_cast<workbook::TXLSCellMMU*>(a->Spare), CurCol_, CurRow_, Item_);
        Item_.Cells = static_cast<workbook::TXLSCellMMU*>(a->Spare);
        return true;
      }
    }
    case fvkArray: {
      const TXLSArrayItem* arr = Walked_.Array;
      if (!arr) return Done_ = true, false;
      if (!Started_) {
        Started_ = true;
        CurCol_ = 0;
        CurRow_ = 0;
      } else if (++CurCol_ >= arr->ColCount()) {
        CurCol_ = 0;
        ++CurRow_;
      }
      if (arr->ColCount() == 0 || CurRow_ >= arr->RowCount()) return Done_ = true, false;
      arr->GetFormulaValue(CurCol_, CurRow_, Item_);
      return true;
    }
    default:
      return Done_ = true, false;
  }
}

bool TValStackIterator::Advance() {
  while (true) {
    if (!Step()) return false;
    if (SkipHiddenRows && (Walked_.Kind == fvkCell || Walked_.Kind == fvkArea || Walked_.Kind == fvkAreaList)) {
      workbook::TXLSCellMMU* cells = Walked_.Kind == fvkAreaList ? Item_.Cells : Walked_.Cells;
      const int row = Walked_.Kind == fvkCell ? Walked_.Row1 : CurRow_;
      if (RowHidden(cells, row)) continue;
    }
    if (Item_.ValueType == fvtError && Item_.Kind <= fvkCell) {
      if (SkipErrors) continue;
      if (StopAtError_) Done_ = true;  // the error is still the current item
    }
    return true;
  }
}

bool TValStackIterator::Next() {
  if (!Advance()) return false;
  bool all = true;
  for (TValStackIterator* it = Next_.get(); it; it = it->Next_.get())
    if (!it->Advance()) all = false;
  return all;
}

bool TValStackIterator::AllNumbers() const {
  for (const TValStackIterator* it = this; it; it = it->Next_.get())
    if (it->Item_.ValueType != fvtFloat) return false;
  return true;
}

bool TValStackIterator::AllValuesA() const {
  for (const TValStackIterator* it = this; it; it = it->Next_.get()) {
    const auto t = it->Item_.ValueType;
    if (t != fvtFloat && t != fvtBoolean && t != fvtString) return false;
  }
  return true;
}

bool TValStackIterator::FirstNonEmpty() const {
  if (Item_.ValueType == fvtEmpty) return false;
  for (const TValStackIterator* it = Next_.get(); it; it = it->Next_.get())
    if (it->Item_.ValueType != fvtFloat) return false;
  return true;
}

bool TValStackIterator::NextNumber() {
  while (Next())
    if (AllNumbers()) return true;
  return false;
}

bool TValStackIterator::NextNumberA() {
  while (Next())
    if (AllValuesA()) return true;
  return false;
}

bool TValStackIterator::NextNonEmpty() {
  while (Next())
    if (FirstNonEmpty()) return true;
  return false;
}

bool TValStackIterator::FindError(std::uint8_t& Code) const {
  for (const TValStackIterator* it = this; it; it = it->Next_.get())
    if (it->Item_.ValueType == fvtError) {
      Code = it->Item_.BoolErr;
      return true;
    }
  return false;
}

double TValStackIterator::CurrentAsNumberA() const {
  if (Item_.ValueType == fvtFloat) return Item_.Number;
  if (Item_.ValueType == fvtBoolean) return Item_.BoolErr ? 1 : 0;
  return 0;
}

}  // namespace formula
