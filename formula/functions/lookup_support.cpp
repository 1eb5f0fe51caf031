#include "formula/functions/lookup_support.h"

#include <algorithm>

#include "formula/support/criteria.h"
#include "formula/support/text_collation.h"
#include "workbook/cell_references.h"

namespace formula::functions {

bool TLookupGrid::Assign(TValueStack& S, const TXLSFormulaValue& V) {
  Stack_ = &S;
  Cells_ = nullptr;
  Array_ = nullptr;
  ReaderRow_ = -1;
  switch (V.Kind) {
    case fvkCell:
    case fvkArea:
    case fvkXArea: {
      Cells_ = V.Cells;
      Col1_ = V.Col1;
      Row1_ = V.Row1;
      Width_ = V.Col2 - V.Col1 + 1;
      Height_ = V.Row2 - V.Row1 + 1;
      UsedWidth_ = UsedHeight_ = 0;
      if (Cells_) {
        const workbook::TXLSCellArea used = Cells_->Dimension();
        if (workbook::CellAreaAssigned(used)) {
          UsedWidth_ = std::clamp<long>(used.Col2 - V.Col1 + 1, 0, Width_);
          UsedHeight_ = std::clamp<long>(used.Row2 - V.Row1 + 1, 0, Height_);
        }
      }
      return true;
    }
    case fvkArray:
      if (!V.Array) return false;
      Array_ = V.Array;
      Width_ = UsedWidth_ = Array_->ColCount();
      Height_ = UsedHeight_ = Array_->RowCount();
      return true;
    default:
      return false;
  }
}

TXLSVarValue TLookupGrid::Item(long Col, long Row) const {
  TXLSVarValue r;
  if (Array_) {
    if (Array_->IsValidIndex(static_cast<int>(Col), static_cast<int>(Row))) {
      r = Array_->GetItem(static_cast<int>(Col), static_cast<int>(Row));
      if (r.Empty) r = TXLSVarValue();
    }
    return r;
  }
  if (!Cells_) return r;
  const long row = Row1_ + Row;
  if (row != ReaderRow_) {
    Reader_.SetRow(*Cells_, static_cast<int>(row));
    ReaderRow_ = row;
  }
  workbook::TMMUCellRef ref;
  if (!Reader_.Find(Col1_ + static_cast<int>(Col), ref)) return r;
  TXLSFormulaValue v;
  TValueStack::ReadStoredCell(Cells_, ref, v);
  FormulaValueToVarValue(v, r);
  return r;
}

void TLookupGrid::Value(TValueStack& S, long Col, long Row, TXLSFormulaValue& Out) const {
  Out.SetEmpty();
  if (Array_) {
    if (Array_->IsValidIndex(static_cast<int>(Col), static_cast<int>(Row)))
      Array_->GetFormulaValue(static_cast<int>(Col), static_cast<int>(Row), Out);
    return;
  }
  S.ReadCell(Cells_, Col1_ + static_cast<int>(Col), Row1_ + static_cast<int>(Row), Out);
  Out.NoCell = 0;
}

const TCalcCache::TLineIndex* TLookupGrid::LineIndex(bool Vertical, long Length) const {
  if (!Stack_ || !Stack_->Cache || !Cells_ || Array_) return nullptr;
  return Stack_->Cache->LineIndex(Cells_, Col1_, Row1_, Vertical, Length);
}

bool HasWildcards(const TXLSVarValue& Value) {
  return Value.Type == fvtString && Value.Text.find_first_of(u"*?[") != std::u16string::npos;
}

int LookupCompare(const TXLSVarValue& Item, const TXLSVarValue& Value) {
  switch (Value.Type) {
    case fvtFloat: return Item.Number < Value.Number ? -1 : Item.Number > Value.Number ? 1 : 0;
    case fvtBoolean:
    case fvtError: return Item.BoolErr < Value.BoolErr ? -1 : Item.BoolErr > Value.BoolErr ? 1 : 0;
    case fvtString: {
      const int c = CollateText(Item.Text, Value.Text);
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    default: return 0;
  }
}

int LookupCompare(const TXLSFormulaValue& Item, const TXLSVarValue& Value) {
  TXLSVarValue v;
  FormulaValueToVarValue(Item, v);
  return LookupCompare(v, Value);
}

bool LookupQualifies(const TXLSVarValue& Item, const TXLSVarValue& Value) {
  if (Item.Type != Value.Type || Value.Type == fvtEmpty) return false;
  const int c = LookupCompare(Item, Value);
  return Value.Type == fvtFloat || Value.Type == fvtString ? c <= 0 : c == 0;
}

bool LookupEquals(const TXLSVarValue& Item, const TXLSVarValue& Value) {
  if (Item.Type != Value.Type || Value.Type == fvtEmpty) return false;
  if (Value.Type == fvtString) return WildcardMatch(Item.Text, Value.Text);
  return LookupCompare(Item, Value) == 0;
}

}  // namespace formula::functions
