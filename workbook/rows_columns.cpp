#include "workbook/rows_columns.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "workbook/cell_format_editor.h"

namespace workbook {

namespace {

// The cell format at Index; the default format when the slot is empty or out of range.
TXc12XF* XFAt(TXc12DataStyleSheet* StyleSheet, int Index) {
  TXc12XFs& xfs = *StyleSheet->XFs;
  if (Index > 0 && Index < xfs.Count())
    if (TXc12XF* xf = xfs.GetItem(Index)) return xf;
  return xfs.GetDefaultXF();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Rows

TXLSRows::TXLSRows(TXLSCellMMU* Cells, TXc12DataStyleSheet* StyleSheet)
    : Cells_(Cells), Row_(std::make_unique<TXLSRow>(this, StyleSheet)) {}

TXLSRow* TXLSRows::GetItem(int Row) {
  Row_->SetRow(Row);
  return Row_.get();
}

TXLSRow::TXLSRow(TXLSRows* Owner, TXc12DataStyleSheet* StyleSheet) : TXLSFormattedObj(StyleSheet), Owner_(Owner) {}

void TXLSRow::SetRow(int Row) {
  if (!TXLSCellMMU::IsValidRow(Row)) throw Exception("Invalid row index " + std::to_string(Row));
  Row_ = Row;
  TMMURowHeader h = Owner_->GetCells()->FindRow(Row);
  XF_ = XFAt(StyleSheet_, h ? h.Style() : 0);
}

int TXLSRow::GetHeight() const {
  TMMURowHeader h = Owner_->GetCells()->FindRow(Row_);
  return h ? h.Height() : DefaultHeight;
}

void TXLSRow::SetHeight(int Value) {
  Value = std::clamp(Value, 0, 0xFFFF);
  TXLSCellMMU* cells = Owner_->GetCells();
  if (TMMURowHeader h = cells->FindRow(Row_)) {
    h.SetHeight(static_cast<std::uint16_t>(Value));
    return;
  }
  if (Value == DefaultHeight) return;
  TMMURowHeader h = cells->AddRow(Row_, 0);
  h.SetHeight(static_cast<std::uint16_t>(Value));
  h.SetFlags(static_cast<std::uint8_t>(h.Flags() | TMMURowHeader::rhfCustomHeight));
}

void TXLSRow::Apply() {
  if (!XF_) return;
  TXLSCellMMU* cells = Owner_->GetCells();
  const int style = XF_->Index;
  TMMURowHeader h = cells->FindRow(Row_);
  if (!h) {
    cells->AddRow(Row_, style);
    return;
  }
  if (h.Style() == style) return;
  // The header keeps its height, flags and outline level; only its style changes.
  if (ICellStoreFormats* f = cells->Formats()) {
    f->UseXFIndex(style);
    f->ReleaseXF(h.Style());
  }
  h = cells->FindRow(Row_);  // releasing may have purged records, never rows: the header stays put
  h.SetStyle(static_cast<std::uint16_t>(style));
}

// ---------------------------------------------------------------------------------------------
// Columns

TXLSColumns::TXLSColumns(TXc12Columns* Records, TXc12DataStyleSheet* StyleSheet)
    : Records_(Records), StyleSheet_(StyleSheet), Column_(std::make_unique<TXLSColumn>(this, StyleSheet)) {}

TXLSColumn* TXLSColumns::GetItem(int Col) {
  Column_->SetCol(Col);
  return Column_.get();
}

int TXLSColumns::IndexOfRecord(int Col) const {
  int lo = 0, hi = Records_->Count() - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    TXc12Column* r = Records_->GetItem(mid);
    if (Col < r->Min)
      hi = mid - 1;
    else if (Col > r->Max)
      lo = mid + 1;
    else
      return mid;
  }
  return -1;
}

TXc12Column* TXLSColumns::FindRecord(int Col) const {
  const int i = IndexOfRecord(Col);
  return i < 0 ? nullptr : Records_->GetItem(i);
}

void TXLSColumns::SortRecords() {
  // A stable insertion sort by Min: the lists are short and almost always already sorted.
  std::vector<std::unique_ptr<TXc12Column>> all;
  while (Records_->Count() > 0) all.push_back(Records_->Extract(0));
  std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a->Min < b->Min; });
  for (auto& r : all) Records_->Add(std::move(r));
}

void TXLSColumns::MergeRecords() {
  int i = 1;
  while (i < Records_->Count()) {
    TXc12Column* prev = Records_->GetItem(i - 1);
    TXc12Column* cur = Records_->GetItem(i);
    if (cur->Min == prev->Max + 1 && cur->Width == prev->Width && cur->Style == prev->Style &&
        cur->OutlineLevel == prev->OutlineLevel && cur->Flags == prev->Flags) {
      prev->Max = cur->Max;
      // Both records held a use of the shared format; the merged one holds one.
      if (cur->Style) StyleSheet_->XFEditor->ReleaseXF(cur->Style->Index);
      Records_->Delete(i);
    } else {
      ++i;
    }
  }
}

TXLSColumn::TXLSColumn(TXLSColumns* Owner, TXc12DataStyleSheet* StyleSheet)
    : TXLSFormattedObj(StyleSheet), Owner_(Owner) {}

void TXLSColumn::SetCol(int Col) {
  if (Col < 0 || Col > XLS_MAXCOL) throw Exception("Invalid column index " + std::to_string(Col));
  Col_ = Col;
  Record_ = Owner_->FindRecord(Col);
  XF_ = Record_ && Record_->Style ? Record_->Style : StyleSheet_->XFs->GetDefaultXF();
}

int TXLSColumn::GetWidth() const {
  return Record_ ? static_cast<int>(std::lround(Record_->Width * 256)) : DefaultWidth256;
}

void TXLSColumn::InitRecord(TXc12Column& Record) {
  Record.Min = Col_;
  Record.Max = Col_;
  Record.Width = DefaultWidth;
}

void TXLSColumn::SetRecordWidth(TXc12Column& Record, int Value) {
  Record.Width = Value / 256.0;
  if (Value == DefaultWidth256)
    Record.Flags = static_cast<std::uint8_t>(Record.Flags & ~xcfCustomWidth);
  else
    Record.Flags = static_cast<std::uint8_t>(Record.Flags | xcfCustomWidth);
}

void TXLSColumn::Isolate() {
  if (!Record_ || (Record_->Min == Col_ && Record_->Max == Col_)) return;
  TXc12Columns& records = *Owner_->GetRecords();
  TXc12XFEditor& editor = *StyleSheet_->XFEditor;
  auto copyOf = [&](const TXc12Column& From) {
    auto c = std::make_unique<TXc12Column>();
    c->Min = From.Min;
    c->Max = From.Max;
    c->Width = From.Width;
    c->Style = From.Style;
    c->OutlineLevel = From.OutlineLevel;
    c->Flags = From.Flags;
    if (c->Style) editor.UseXF(c->Style);  // each record holds its own use
    return c;
  };
  TXc12Column* old = Record_;
  auto mine = copyOf(*old);
  mine->Min = mine->Max = Col_;
  if (Col_ == old->Min) {
    old->Min = Col_ + 1;
  } else if (Col_ == old->Max) {
    old->Max = Col_ - 1;
  } else {
    auto right = copyOf(*old);
    right->Min = Col_ + 1;
    old->Max = Col_ - 1;
    records.Add(std::move(right));
  }
  Record_ = records.Add(std::move(mine));
}

void TXLSColumn::SetWidth(int Value) {
  Value = std::clamp(Value, 0, 255 * 256);
  if (!Record_ && Value == DefaultWidth256) return;
  if (Record_ && Record_->Min == Col_ && Record_->Max == Col_) {
    SetRecordWidth(*Record_, Value);
  } else {
    if (!Record_) {
      Record_ = Owner_->GetRecords()->Add(StyleSheet_->XFEditor->UseDefaultXF());
      InitRecord(*Record_);
    } else if (Record_->Width != Value / 256.0) {
      Isolate();
    }
    SetRecordWidth(*Record_, Value);
    const int col = Col_;
    Owner_->SortRecords();
    Owner_->MergeRecords();
    Record_ = Owner_->FindRecord(col);
  }
  if (Owner_->OnChange && Record_) Owner_->OnChange(Owner_, Record_->Min, Record_->Max);
}

void TXLSColumn::Apply() {
  if (!XF_) return;
  if (!Record_ && XF_->IsDefaultXF()) return;
  if (Record_ && Record_->Style == XF_) return;
  TXc12XFEditor& editor = *StyleSheet_->XFEditor;
  if (Record_) {
    Isolate();
    if (Record_->Style) editor.ReleaseXF(Record_->Style->Index);
    Record_->Style = XF_;
  } else {
    Record_ = Owner_->GetRecords()->Add(XF_);
    InitRecord(*Record_);
  }
  editor.UseXF(XF_);
  Owner_->SortRecords();
  Owner_->MergeRecords();
  Record_ = Owner_->FindRecord(Col_);
  if (Owner_->OnChange && Record_) Owner_->OnChange(Owner_, Record_->Min, Record_->Max);
}

}  // namespace workbook
