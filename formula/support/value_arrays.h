// Value arrays of the evaluator (array constants, array results, row buffers) and cell sources that
// walk the numbers of an array or of a rectangle of a cell store with one interface.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "formula/support/var_value.h"
#include "workbook/cell_store.h"
#include "workbook/object_list.h"

namespace formula {

struct TXLSFormulaValue;

class TXLSArrayItem : public workbook::TObject {
public:
  TXLSArrayItem(int Cols, int Rows);
  // Shaped like V: 1 x 1 for a plain value or cell, the rectangle of an area, the source's shape for
  // an array. Raises "Invalid value" for other kinds. Elements are not filled.
  static std::unique_ptr<TXLSArrayItem> CreateFromValue(const TXLSFormulaValue& V);

  int ColCount() const { return static_cast<int>(Values_.size()); }
  int RowCount() const { return Values_.empty() ? 0 : static_cast<int>(Values_[0].size()); }
  bool IsVector() const { return ColCount() == 1 || RowCount() == 1; }
  bool Repeat = false;

  // With Repeat set on a one-column (one-row) array, indexes past the end read column (row) 0.
  void AdjustIndex(int& Col, int& Row) const;
  bool IsValidIndex(int Col, int Row) const { return Col >= 0 && Col < ColCount() && Row >= 0 && Row < RowCount(); }

  void SetFloat(int Col, int Row, double V);
  void SetString(int Col, int Row, const std::u16string& V);
  void SetBoolean(int Col, int Row, bool V);
  void SetError(int Col, int Row, std::uint8_t Code);
  bool SetFromFormulaValue(int Col, int Row, const TXLSFormulaValue& V);
  void SetItem(int Col, int Row, const TXLSVarValue& V);

  double GetFloat(int Col, int Row) const;
  std::uint8_t GetError(int Col, int Row) const;
  void GetFormulaValue(int Col, int Row, TXLSFormulaValue& V) const;
  // Raises "Index out of range" outside the array.
  const TXLSVarValue& GetItem(int Col, int Row) const;

  void CopyFrom(const TXLSArrayItem& Source);
  void ClearAll();

private:
  TXLSVarValue& At(int Col, int Row);
  const TXLSVarValue* Find(int Col, int Row) const;
  std::vector<std::vector<TXLSVarValue>> Values_;  // [col][row]
};

class TXLSCellsSource : public workbook::TObject {
public:
  // Over an array; with Own the array is freed with the source.
  static std::unique_ptr<TXLSCellsSource> CreateFromArray(const TXLSArrayItem* Item, bool Own = false);
  static std::unique_ptr<TXLSCellsSource> CreateFromArea(workbook::TXLSCellMMU* Cells, int Col1, int Row1, int Col2,
                                                         int Row2);
  ~TXLSCellsSource() override;

  void Reset() {
    CurCol_ = Col1 - 1;
    CurRow_ = Row1;
  }
  // Along a row first; False once past Row2.
  bool Next();
  int ColCount() const { return Col2 - Col1 + 1; }
  int RowCount() const { return Row2 - Row1 + 1; }
  double Current() { return GetValue(CurCol_, CurRow_); }
  // Sets NotNumber and ErrorCode for this value.
  double GetValue(int Col, int Row);

  int Col1 = 0, Col2 = -1, Row1 = 0, Row2 = -1;
  bool NotNumber = false;
  std::uint8_t ErrorCode = 0;

private:
  TXLSCellsSource() = default;
  int CurCol_ = 0, CurRow_ = 0;
  workbook::TXLSCellMMU* Cells_ = nullptr;
  const TXLSArrayItem* Array_ = nullptr;
  bool OwnsArray_ = false;
};

}  // namespace formula
