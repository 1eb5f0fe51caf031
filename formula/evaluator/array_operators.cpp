// Element-wise operators of array formulas and array operands. Result size: the larger column count
// and the larger row count; an operand of one column (row) repeats along the columns (rows); a
// position outside an operand that does not repeat is #N/A.
#include <algorithm>

#include "formula/language/byte_code.h"
#include "formula/evaluator/value_stack.h"
#include "workbook/exceptions.h"

namespace formula {

void TValueStack::FillArray(TXLSArrayItem& Item, const TXLSFormulaValue& Value) {
  switch (Value.Kind) {
    case fvkValue:
    case fvkCell:
      if (!Item.SetFromFormulaValue(0, 0, Value)) Item.SetItem(0, 0, TXLSVarValue());
      break;
    case fvkArea:
    case fvkXArea: {
      TXLSFormulaValue cell;
      for (int c = Value.Col1; c <= Value.Col2; ++c)
        for (int r = Value.Row1; r <= Value.Row2; ++r) {
          ReadCell(Value.Cells, c, r, cell);
          if (!Item.SetFromFormulaValue(c - Value.Col1, r - Value.Row1, cell))
            Item.SetItem(c - Value.Col1, r - Value.Row1, TXLSVarValue());
        }
      break;
    }
    case fvkArray:
      Item.CopyFrom(*Value.Array);
      break;
    default:
      throw workbook::Exception(std::string("Invalid value"));
  }
}

void TValueStack::FillNumArray(TXLSArrayItem& Item, const TXLSFormulaValue& Value) {
  FillArray(Item, Value);
  for (int c = 0; c < Item.ColCount(); ++c)
    for (int r = 0; r < Item.RowCount(); ++r) {
      TXLSFormulaValue e;
      Item.GetFormulaValue(c, r, e);
      double d = 0;
      std::uint8_t err = 0;
      ToNumber(e, d, err);  // an empty element counts 0
      if (err)
        Item.SetError(c, r, err);
      else
        Item.SetFloat(c, r, d);
    }
}

TXLSArrayItem* TValueStack::PopAsArray(bool Numeric) {
  TXLSFormulaValue v;
  PopTop(v);
  if (v.Kind == fvkArea || v.Kind == fvkXArea) {
    ArrayElements_ += static_cast<std::uint64_t>(std::max(0, v.Col2 - v.Col1 + 1)) *
                      static_cast<std::uint64_t>(std::max(0, v.Row2 - v.Row1 + 1));
    if (ArrayElements_ > MAX_ARRAY_ELEMENTS) throw TWorkExceeded();
  }
  TXLSArrayItem* item = Own(TXLSArrayItem::CreateFromValue(v));
  item->Repeat = true;
  if (Numeric)
    FillNumArray(*item, v);
  else
    FillArray(*item, v);
  return item;
}

void TValueStack::PopArrayPair(TXLSArrayItem*& A, TXLSArrayItem*& B, bool Numeric) {
  B = PopAsArray(Numeric);
  A = PopAsArray(Numeric);
}

namespace {

// Whether the repeat rule gives a position in the array.
bool Covers(const TXLSArrayItem& A, int Col, int Row) {
  A.AdjustIndex(Col, Row);
  return A.IsValidIndex(Col, Row);
}

// The element-wise result of two arrays: as large as the larger in each direction, #N/A where one of
// them gives no value; `element(c, r, result)` fills every other position.
template <class Element>
std::unique_ptr<TXLSArrayItem> CombineArrays(const TXLSArrayItem& A, const TXLSArrayItem& B, Element element) {
  const int cols = std::max(A.ColCount(), B.ColCount());
  const int rows = std::max(A.RowCount(), B.RowCount());
  auto res = std::make_unique<TXLSArrayItem>(cols, rows);
  for (int c = 0; c < cols; ++c)
    for (int r = 0; r < rows; ++r) {
      if (!Covers(A, c, r) || !Covers(B, c, r))
        res->SetError(c, r, errNA);
      else
        element(c, r, *res);
    }
  return res;
}

}  // namespace

void TValueStack::ArithArrays(std::uint8_t Op) {
  TXLSArrayItem *a = nullptr, *b = nullptr;
  PopArrayPair(a, b, true);
  PushArray(CombineArrays(*a, *b, [&](int c, int r, TXLSArrayItem& res) {
    const TXLSVarValue& x = a->GetItem(c, r);
    const TXLSVarValue& y = b->GetItem(c, r);
    if (x.Type == fvtError) {
      res.SetError(c, r, x.BoolErr);
    } else if (y.Type == fvtError) {
      res.SetError(c, r, y.BoolErr);
    } else if (x.Type == fvtFloat && y.Type == fvtFloat) {
      double v = 0;
      std::uint8_t err = 0;
      if (ArithNumbers(Op, x.Number, y.Number, v, err))
        res.SetFloat(c, r, v);
      else
        res.SetError(c, r, err);
    } else {
      res.SetError(c, r, errValue);
    }
  }));
}

void TValueStack::CompareArrays(std::uint8_t Op) {
  TXLSArrayItem *a = nullptr, *b = nullptr;
  PopArrayPair(a, b, false);
  PushArray(CombineArrays(*a, *b, [&](int c, int r, TXLSArrayItem& res) {
    const TXLSVarValue& x = a->GetItem(c, r);
    const TXLSVarValue& y = b->GetItem(c, r);
    if (x.Type == fvtError || y.Type == fvtError) {
      res.SetError(c, r, x.Type == fvtError ? x.BoolErr : y.BoolErr);
      return;
    }
    TXLSFormulaValue fx, fy;
    a->GetFormulaValue(c, r, fx);
    b->GetFormulaValue(c, r, fy);
    res.SetBoolean(c, r, CompareResult(Op, CompareTyped(fx, fx.ValueType, fy, fy.ValueType)));
  }));
}

void TValueStack::ConcatArrays() {
  TXLSArrayItem *a = nullptr, *b = nullptr;
  PopArrayPair(a, b, false);
  PushArray(CombineArrays(*a, *b, [&](int c, int r, TXLSArrayItem& res) {
    TXLSFormulaValue fx, fy;
    a->GetFormulaValue(c, r, fx);
    b->GetFormulaValue(c, r, fy);
    std::u16string x, y;
    const std::uint8_t ex = ToText(fx, x);
    const std::uint8_t ey = ToText(fy, y);
    if (ex || ey)
      res.SetError(c, r, ex ? ex : ey);
    else
      res.SetString(c, r, x + y);
  }));
}

void TValueStack::UnaryArray(std::uint8_t Op) {
  TXLSArrayItem* a = PopAsArray(true);
  auto res = std::make_unique<TXLSArrayItem>(a->ColCount(), a->RowCount());
  for (int c = 0; c < a->ColCount(); ++c)
    for (int r = 0; r < a->RowCount(); ++r) {
      const TXLSVarValue& x = a->GetItem(c, r);
      if (x.Type == fvtError)
        res->SetError(c, r, x.BoolErr);
      else if (Op == ptgUminus)
        res->SetFloat(c, r, -x.Number);
      else if (Op == ptgPercent)
        res->SetFloat(c, r, x.Number * 0.01);
      else
        res->SetItem(c, r, x);
    }
  PushArray(std::move(res));
}

}  // namespace formula
