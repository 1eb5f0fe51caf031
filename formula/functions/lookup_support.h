// Helpers of the lookup functions: a rectangle of values read from an area or an array, the
// same-type comparisons of the lookups.
#pragma once

#include "formula/evaluator/value_stack.h"
#include "formula/support/var_value.h"

namespace formula::functions {

// The cells of a cell or area reference, or the elements of an array, by position.
class TLookupGrid {
public:
  // False for other kinds of value.
  bool Assign(TValueStack& S, const TXLSFormulaValue& V);
  long Width() const { return Width_; }
  long Height() const { return Height_; }
  // The part that can hold values: an area is cut at its sheet's used area.
  long UsedWidth() const { return UsedWidth_; }
  long UsedHeight() const { return UsedHeight_; }
  bool IsVector() const { return (Width_ == 1) != (Height_ == 1); }
  TXLSVarValue Item(long Col, long Row) const;
  // The value at (Col, Row) to push as a result.
  void Value(TValueStack& S, long Col, long Row, TXLSFormulaValue& Out) const;
  // The calculation's index of the grid's first column (Vertical) or first row, Length cells
  // long; nullptr outside a calculation, for an array, or before the line is searched again.
  const TCalcCache::TLineIndex* LineIndex(bool Vertical, long Length) const;

private:
  TValueStack* Stack_ = nullptr;
  workbook::TXLSCellMMU* Cells_ = nullptr;
  // Scans read along the row vectors (the store does not change while a lookup runs).
  mutable workbook::TMMURowReader Reader_;
  mutable long ReaderRow_ = -1;
  const TXLSArrayItem* Array_ = nullptr;
  int Col1_ = 0, Row1_ = 0;
  long Width_ = 0, Height_ = 0, UsedWidth_ = 0, UsedHeight_ = 0;
};

// Approximate lookups: an item of the value's type that is at most the value (booleans and errors
// only when equal; texts ignore case).
bool LookupQualifies(const TXLSVarValue& Item, const TXLSVarValue& Value);
// Exact lookups: equal items of the value's type; a text value is a wildcard pattern.
bool LookupEquals(const TXLSVarValue& Item, const TXLSVarValue& Value);
// A text value with wildcard characters, which no index of equal values answers.
bool HasWildcards(const TXLSVarValue& Value);
// -1, 0, 1 for items of the value's type.
int LookupCompare(const TXLSFormulaValue& Item, const TXLSVarValue& Value);
int LookupCompare(const TXLSVarValue& Item, const TXLSVarValue& Value);

}  // namespace formula::functions
