// Rows and columns of a worksheet as the programming interface shows them. Each list owns one
// positioned object that GetItem moves to the wanted row or column: a caller finishes with it
// before asking for the next. Row heights are in 1/20 point (300 for a row without header), column
// widths in 1/256 of a character of the default font (2340 for a column without record).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "workbook/cell_store.h"
#include "workbook/formatting.h"
#include "workbook/worksheet_data.h"

namespace workbook {

class TXLSRows;
class TXLSColumns;

class TXLSRow : public TXLSFormattedObj {
public:
  static constexpr int DefaultHeight = 300;
  TXLSRow(TXLSRows* Owner, TXc12DataStyleSheet* StyleSheet);
  void SetRow(int Row);
  int GetRow() const { return Row_; }
  // The row's height; 300 for a row without header.
  int GetHeight() const;
  void SetHeight(int Value);
  void Apply() override;

private:
  TXLSRows* Owner_;
  int Row_ = 0;
};

class TXLSRows : public TObject {
public:
  TXLSRows(TXLSCellMMU* Cells, TXc12DataStyleSheet* StyleSheet);
  TXLSRow* GetItem(int Row);
  TXLSCellMMU* GetCells() const { return Cells_; }

private:
  TXLSCellMMU* Cells_;
  std::unique_ptr<TXLSRow> Row_;
};

class TXLSColumn : public TXLSFormattedObj {
public:
  static constexpr int DefaultWidth256 = 2340;
  static constexpr double DefaultWidth = DefaultWidth256 / 256.0;
  TXLSColumn(TXLSColumns* Owner, TXc12DataStyleSheet* StyleSheet);
  void SetCol(int Col);
  int GetCol() const { return Col_; }
  // In 1/256 character; 2340 for a column without record.
  int GetWidth() const;
  void SetWidth(int Value);
  void Apply() override;
  TXc12Column* GetRecord() const { return Record_; }

private:
  void InitRecord(TXc12Column& Record);
  void SetRecordWidth(TXc12Column& Record, int Value);
  void Isolate();
  TXLSColumns* Owner_;
  int Col_ = 0;
  TXc12Column* Record_ = nullptr;
};

class TXLSColumns : public TObject {
public:
  TXLSColumns(TXc12Columns* Records, TXc12DataStyleSheet* StyleSheet);
  TXLSColumn* GetItem(int Col);
  // The record covering Col, nil when none; IndexOfRecord gives its position or -1.
  TXc12Column* FindRecord(int Col) const;
  int IndexOfRecord(int Col) const;
  void SortRecords();
  void MergeRecords();
  TXc12Columns* GetRecords() const { return Records_; }
  TXc12DataStyleSheet* GetStyleSheet() const { return StyleSheet_; }
  std::function<void(TObject* Sender, int Col1, int Col2)> OnChange;

private:
  TXc12Columns* Records_;
  TXc12DataStyleSheet* StyleSheet_;
  std::unique_ptr<TXLSColumn> Column_;
};

}  // namespace workbook
