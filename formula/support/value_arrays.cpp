#include "formula/support/value_arrays.h"

#include <algorithm>

#include "formula/evaluator/formula_value.h"
#include "workbook/exceptions.h"

namespace formula {

TXLSArrayItem::TXLSArrayItem(int Cols, int Rows)
    : Values_(static_cast<std::size_t>(Cols < 0 ? 0 : Cols),
              std::vector<TXLSVarValue>(static_cast<std::size_t>(Rows < 0 ? 0 : Rows))) {}

std::unique_ptr<TXLSArrayItem> TXLSArrayItem::CreateFromValue(const TXLSFormulaValue& V) {
  switch (V.Kind) {
    case fvkValue:
    case fvkCell:
      return std::make_unique<TXLSArrayItem>(1, 1);
    case fvkArea:
    case fvkXArea:
      return std::make_unique<TXLSArrayItem>(V.Col2 - V.Col1 + 1, V.Row2 - V.Row1 + 1);
    case fvkArray:
      if (V.Array) return std::make_unique<TXLSArrayItem>(V.Array->ColCount(), V.Array->RowCount());
      break;
    default:
      break;
  }
  throw workbook::Exception(std::string("Invalid value"));
}

void TXLSArrayItem::AdjustIndex(int& Col, int& Row) const {
  if (!Repeat || !IsVector()) return;
  if (Col >= ColCount() && ColCount() == 1) Col = 0;
  if (Row >= RowCount() && RowCount() == 1) Row = 0;
}

TXLSVarValue& TXLSArrayItem::At(int Col, int Row) {
  if (!IsValidIndex(Col, Row)) throw workbook::Exception(std::string("Index out of range"));
  return Values_[static_cast<std::size_t>(Col)][static_cast<std::size_t>(Row)];
}

const TXLSVarValue* TXLSArrayItem::Find(int Col, int Row) const {
  AdjustIndex(Col, Row);
  if (!IsValidIndex(Col, Row)) return nullptr;
  return &Values_[static_cast<std::size_t>(Col)][static_cast<std::size_t>(Row)];
}

void TXLSArrayItem::SetFloat(int Col, int Row, double V) {
  auto& e = At(Col, Row);
  e.Empty = 0;
  e.Type = fvtFloat;
  e.Number = V;
}

void TXLSArrayItem::SetString(int Col, int Row, const std::u16string& V) {
  auto& e = At(Col, Row);
  e.Empty = 0;
  e.Type = fvtString;
  e.Text = V;
}

void TXLSArrayItem::SetBoolean(int Col, int Row, bool V) {
  auto& e = At(Col, Row);
  e.Empty = 0;
  e.Type = fvtBoolean;
  e.BoolErr = V ? 1 : 0;
}

void TXLSArrayItem::SetError(int Col, int Row, std::uint8_t Code) {
  auto& e = At(Col, Row);
  e.Empty = 0;
  e.Type = fvtError;
  e.BoolErr = Code;
}

void TXLSArrayItem::SetItem(int Col, int Row, const TXLSVarValue& V) {
  auto& e = At(Col, Row);
  e = V;
  e.Empty = 0;
}

bool TXLSArrayItem::SetFromFormulaValue(int Col, int Row, const TXLSFormulaValue& V) {
  switch (V.ValueType) {
    case fvtFloat:
      SetFloat(Col, Row, V.Number);
      return true;
    case fvtBoolean:
      SetBoolean(Col, Row, V.BoolErr != 0);
      return true;
    case fvtError:
      SetError(Col, Row, V.BoolErr);
      return true;
    case fvtString:
      SetString(Col, Row, V.Text);
      return true;
    default:
      At(Col, Row).Empty = 0;
      return false;
  }
}

double TXLSArrayItem::GetFloat(int Col, int Row) const {
  const TXLSVarValue* e = Find(Col, Row);
  return e && e->Type == fvtFloat ? e->Number : 0.0;
}

std::uint8_t TXLSArrayItem::GetError(int Col, int Row) const {
  const TXLSVarValue* e = Find(Col, Row);
  return e && e->Type == fvtError ? e->BoolErr : 0;
}

void TXLSArrayItem::GetFormulaValue(int Col, int Row, TXLSFormulaValue& V) const {
  V.SetEmpty();
  const TXLSVarValue* e = Find(Col, Row);
  if (!e) throw workbook::Exception(std::string("Index out of range"));
  if (e->Empty) return;
  V.ValueType = e->Type;
  V.BoolErr = e->BoolErr;
  V.Number = e->Number;
  V.Text = e->Text;
}

const TXLSVarValue& TXLSArrayItem::GetItem(int Col, int Row) const {
  const TXLSVarValue* e = Find(Col, Row);
  if (!e) throw workbook::Exception(std::string("Index out of range"));
  return *e;
}

void TXLSArrayItem::CopyFrom(const TXLSArrayItem& Source) {
  const int cols = std::min(ColCount(), Source.ColCount());
  const int rows = std::min(RowCount(), Source.RowCount());
  for (int c = 0; c < cols; ++c)
    for (int r = 0; r < rows; ++r)
      Values_[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
          Source.Values_[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
}

void TXLSArrayItem::ClearAll() {
  for (auto& col : Values_)
    for (auto& e : col) e.Empty = 1;
}

std::unique_ptr<TXLSCellsSource> TXLSCellsSource::CreateFromArray(const TXLSArrayItem* Item, bool Own) {
  std::unique_ptr<TXLSCellsSource> s(new TXLSCellsSource());
  s->Array_ = Item;
  s->OwnsArray_ = Own;
  s->Col1 = 0;
  s->Row1 = 0;
  s->Col2 = Item ? Item->ColCount() - 1 : -1;
  s->Row2 = Item ? Item->RowCount() - 1 : -1;
  s->Reset();
  return s;
}

std::unique_ptr<TXLSCellsSource> TXLSCellsSource::CreateFromArea(workbook::TXLSCellMMU* Cells, int Col1, int Row1,
                                                                 int Col2, int Row2) {
  std::unique_ptr<TXLSCellsSource> s(new TXLSCellsSource());
  s->Cells_ = Cells;
  s->Col1 = Col1;
  s->Row1 = Row1;
  s->Col2 = Col2;
  s->Row2 = Row2;
  s->Reset();
  return s;
}

TXLSCellsSource::~TXLSCellsSource() {
  if (OwnsArray_) delete Array_;
}

bool TXLSCellsSource::Next() {
  if (CurRow_ > Row2 || Col2 < Col1) return false;
  if (++CurCol_ > Col2) {
    CurCol_ = Col1;
    ++CurRow_;
  }
  return CurRow_ <= Row2;
}

double TXLSCellsSource::GetValue(int Col, int Row) {
  NotNumber = false;
  ErrorCode = 0;
  if (Cells_) {
    double v = 0;
    bool notNumber = false;
    ErrorCode = Cells_->GetNumberOrError(Col, Row, v, notNumber);
    NotNumber = notNumber;
    return v;
  }
  if (!Array_ || !Array_->IsValidIndex(Col, Row)) {
    NotNumber = true;
    return 0;
  }
  const TXLSVarValue& e = Array_->GetItem(Col, Row);
  if (e.Empty) {
    NotNumber = true;
    return 0;
  }
  switch (e.Type) {
    case fvtFloat:
      return e.Number;
    case fvtError:
      ErrorCode = e.BoolErr;
      return 0;
    default:
      NotNumber = true;
      return 0;
  }
}

}  // namespace formula
