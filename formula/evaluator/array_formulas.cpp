// Array formulas (functions called once per position of the target area, results written into the
// target's cells), data tables, structured-table references and external-workbook references.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "formula/evaluator/evaluator.h"
#include "formula/language/byte_code.h"
#include "formula/language/function_table.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

constexpr int kFidTranspose = 83;
// Largest external area read into an array (cells); larger ones give #REF!.
constexpr long long kMaxExternalCells = 1 << 20;

int U16(const std::uint8_t* P) { return core::load_le16(P); }
int U32(const std::uint8_t* P) { return static_cast<int>(core::load_le32(P) & 0x7FFFFFFF); }

// A function result inside an array formula, reduced to one element.
void ToElement(TValueStack& S, const TXLSFormulaValue& V, TXLSFormulaValue& Out) {
  switch (V.Kind) {
    case fvkValue:
    case fvkCell:
      Out = V;
      Out.Kind = fvkValue;
      return;
    case fvkArray:
      if (V.Array && V.Array->ColCount() > 0 && V.Array->RowCount() > 0) {
        V.Array->GetFormulaValue(0, 0, Out);
        return;
      }
      break;
    case fvkArea: {
      TXLSFormulaValue cell = V;
      if (S.ImplicitIntersection(cell)) {
        Out = cell;
        Out.Kind = fvkValue;
        return;
      }
      break;
    }
    default:
      break;
  }
  Out.SetError(errValue);
}

}  // namespace

void TXLSFormulaEvaluator::CallArrayFunction(int Id, int ArgCount, const std::u16string* UserName) {
  TValueStack& s = Stack_;
  const TXLSExcelFuncNames& names = XLSFuncNames();
  auto call = [&] {
    if (UserName)
      CallUserFunction(*UserName, ArgCount);
    else if (names.IsFixedArgs(Id))
      CallFixed(Id);
    else
      CallVariable(Id, ArgCount);
  };
  if (!UserName && (Id == kFidTranspose || !names.GetFuncData(Id))) {
    call();  // raises for an unknown id
    return;
  }
  s.BeginArgs(ArgCount);
  std::vector<TXLSFormulaValue> args(static_cast<std::size_t>(ArgCount));
  for (int i = ArgCount - 1; i >= 0; --i) s.PopArg(args[static_cast<std::size_t>(i)]);
  // Arguments of value class that hold several values are walked; the others go in whole.
  int cols = 0, rows = 0;
  for (int i = 0; i < ArgCount; ++i) {
    TXLSFormulaValue& a = args[static_cast<std::size_t>(i)];
    if (a.Kind != fvkArea && a.Kind != fvkXArea && a.Kind != fvkArray) continue;
    if (!UserName && names.ArgClass(Id, i) != ARG_CLASS_VALUE) continue;
    TXLSArrayItem* item = s.Own(TXLSArrayItem::CreateFromValue(a));
    s.FillArray(*item, a);
    item->Repeat = true;
    a.SetEmpty();
    a.Kind = fvkArrayArg;
    a.Array = item;
    cols = std::max(cols, item->ColCount());
    rows = std::max(rows, item->RowCount());
  }
  if (cols == 0 || rows == 0) {
    for (const TXLSFormulaValue& a : args) s.PushValue(a);
    call();
    return;
  }
  // The result is as large as the largest walked argument; one of a single column (row) repeats
  // along the columns (rows), a position another one does not reach is #N/A.
  TXLSArrayItem* result = s.Own(std::make_unique<TXLSArrayItem>(cols, rows));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      bool covered = true;
      for (const TXLSFormulaValue& a : args) {
        if (a.Kind != fvkArrayArg) {
          s.PushValue(a);
          continue;
        }
        int ec = c, er = r;
        a.Array->AdjustIndex(ec, er);
        if (!a.Array->IsValidIndex(ec, er)) {
          covered = false;
          s.PushError(errNA);
          continue;
        }
        TXLSFormulaValue e;
        a.Array->GetFormulaValue(ec, er, e);
        s.PushValue(e);
      }
      if (!covered) {
        s.BeginArgs(ArgCount);
        result->SetError(c, r, errNA);
        continue;
      }
      call();
      TXLSFormulaValue v, e;
      s.PopTop(v);
      ToElement(s, v, e);
      result->SetFromFormulaValue(c, r, e);
    }
  s.PushArray(result);
}

void TXLSFormulaEvaluator::WriteArrayResult(const TXLSFormulaValue& Result, bool SkipMaster) {
  TValueStack& s = Stack_;
  const TXLSArrayItem* a = Result.Array;
  if (!a || a->ColCount() <= 0 || a->RowCount() <= 0) {
    s.PushError(errValue);
    return;
  }
  // A result of one column (row) repeats across the target's columns (rows), so a single value
  // fills the whole target; positions the result does not reach are #N/A. Elements beyond the
  // target are not written: nothing outside the array formula's own cells changes.
  auto element = [&](int C, int R, TXLSFormulaValue& V) {
    int ec = C, er = R;
    if (a->ColCount() == 1) ec = 0;
    if (a->RowCount() == 1) er = 0;
    if (!a->IsValidIndex(ec, er)) {
      V.SetError(errNA);
      return;
    }
    a->GetFormulaValue(ec, er, V);
    // An empty element (an empty cell read through) shows as 0.
    if (V.ValueType == fvtEmpty) V.SetFloat(0);
  };
  TXLSFormulaValue first;
  element(0, 0, first);
  if (HasTarget_ && s.Cells) {
    const int cols = Target_.Col2 - Target_.Col1 + 1, rows = Target_.Row2 - Target_.Row1 + 1;
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        if (SkipMaster && c == 0 && r == 0) continue;
        TXLSFormulaValue v;
        element(c, r, v);
        const int col = Target_.Col1 + c, row = Target_.Row1 + r;
        if (s.Cache) s.Cache->CellChanged(s.Cells, col, row);
        switch (v.ValueType) {
          case fvtFloat: s.Cells->UpdateFloat(col, row, 0, v.Number); break;
          case fvtBoolean: s.Cells->UpdateBoolean(col, row, 0, v.BoolErr != 0); break;
          case fvtError: s.Cells->UpdateError(col, row, 0, v.BoolErr); break;
          case fvtString: s.Cells->UpdateString(col, row, 0, v.Text); break;
          default: throw workbook::Exception(std::string("Invalid array value"));
        }
      }
  }
  s.PushValue(first);
}

void TXLSFormulaEvaluator::EvalDataTableCell(const std::uint8_t* Ptgs, int Len, TXLSFormulaValue& Result,
                                             int RowInCol, int RowInRow, int ColInCol, int ColInRow, int RowRefCol,
                                             int RowRefRow, int ColRefCol, int ColRefRow) {
  TValueStack& s = Stack_;
  // A copy of the formula with the input cells replaced; the stored formula stays untouched.
  std::vector<std::uint8_t> copy(Ptgs, Ptgs + Len);
  TXLSIteratePtgs it(copy.data(), Len);
  while (it.Next()) {
    std::uint8_t* p = const_cast<std::uint8_t*>(it.Current());
    if (p[0] != xptgRef) continue;
    const int col = U16(p + 5) & 0x7FFF, row = U32(p + 1);
    int toCol = -1, toRow = -1;
    if (col == RowInCol && row == RowInRow) {
      toCol = RowRefCol;
      toRow = RowRefRow;
    } else if (col == ColInCol && row == ColInRow) {
      toCol = ColRefCol;
      toRow = ColRefRow;
    }
    if (toCol < 0) continue;
    core::store_le32(p + 1, static_cast<std::uint32_t>(toRow) | PTG_ROW_ABS);
    core::store_le16(p + 5, static_cast<std::uint16_t>(toCol | PTG_COL_ABS));
  }
  Work_ = 0;  // each cell is a formula of its own
  const bool target = HasTarget_, biff = BIFFMode_, arrayMode = s.ArrayMode;
  const std::uint8_t *extra = Extra_, *extraEnd = ExtraEnd_;
  const int before = s.Top;
  HasTarget_ = false;
  s.ArrayMode = false;
  BIFFMode_ = false;
  auto restore = [&] {
    HasTarget_ = target;
    s.ArrayMode = arrayMode;
    BIFFMode_ = biff;
    Extra_ = extra;
    ExtraEnd_ = extraEnd;
  };
  try {
    Execute(copy.data(), Len);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  TXLSFormulaValue v;
  if (s.Top > before) {
    s.PopTop(v);
    ToElement(s, v, Result);
  } else {
    Result.SetError(errValue);
  }
  s.Top = before;
  if (Result.ValueType == fvtEmpty) Result.SetFloat(0);
}

void TXLSFormulaEvaluator::EvalDataTable(const std::uint8_t* Token) {
  TValueStack& s = Stack_;
  if (!HasTarget_ || !s.Cells) {
    s.PushError(errRef);
    return;
  }
  const std::uint8_t flags = Token[1];
  const int in1Col = U16(Token + 2) & 0x7FFF, in1Row = U32(Token + 4);
  const int in2Col = U16(Token + 8) & 0x7FFF, in2Row = U32(Token + 10);
  const workbook::TXLSCellArea t = Target_;
  const int cols = t.Col2 - t.Col1 + 1, rows = t.Row2 - t.Row1 + 1;
  auto result = std::make_unique<TXLSArrayItem>(cols, rows);
  // The formula in (Col, Row), or False (every cell it feeds becomes 0).
  auto formulaAt = [&](int Col, int Row, const std::uint8_t*& P, int& N) {
    workbook::TMMUCellRef ref;
    if (Col < 0 || Row < 0 || !s.Cells->FindCell(Col, Row, ref) ||
        workbook::TXLSCellMMU::CellType(ref) < workbook::cvkFloatFormula)
      return false;
    N = workbook::TXLSCellMMU::GetFormulaPtgs(ref, P);
    // A head formula that is itself a data table or a member would only recurse.
    return N > 0 && P[0] != xptgDataTable && P[0] != xptgSharedMember && P[0] != xptgArrayMember;
  };
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) result->SetFloat(c, r, 0);
  const std::uint8_t* p = nullptr;
  int n = 0;
  TXLSFormulaValue v;
  if (flags & 0x04) {
    if (formulaAt(t.Col1 - 1, t.Row1 - 1, p, n))
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
          EvalDataTableCell(p, n, v, in1Col, in1Row, in2Col, in2Row, t.Col1 + c, t.Row1 - 1, t.Col1 - 1, t.Row1 + r);
          result->SetFromFormulaValue(c, r, v);
        }
  } else if (flags & 0x08) {
    for (int r = 0; r < rows; ++r) {
      if (!formulaAt(t.Col1 - 1, t.Row1 + r, p, n)) continue;
      for (int c = 0; c < cols; ++c) {
        EvalDataTableCell(p, n, v, in1Col, in1Row, -1, -1, t.Col1 + c, t.Row1 - 1, -1, -1);
        result->SetFromFormulaValue(c, r, v);
      }
    }
  } else {
    for (int c = 0; c < cols; ++c) {
      if (!formulaAt(t.Col1 + c, t.Row1 - 1, p, n)) continue;
      for (int r = 0; r < rows; ++r) {
        EvalDataTableCell(p, n, v, in1Col, in1Row, -1, -1, t.Col1 - 1, t.Row1 + r, -1, -1);
        result->SetFromFormulaValue(c, r, v);
      }
    }
  }
  s.PushArray(std::move(result));
}

void TXLSFormulaEvaluator::PushTableSpecial(const std::uint8_t* Token) {
  TValueStack& s = Stack_;
  const std::uint8_t item = Token[1];
  const std::uint8_t* area = Token + 3;  // the embedded area token
  int row1 = U32(area + 1), row2 = U32(area + 5);
  const int col1 = U16(area + 9) & 0x7FFF, col2 = U16(area + 11) & 0x7FFF;
  // "#This Row": the formula cell's row (the stored token is left as it is).
  if (item == 5) row1 = row2 = s.Row;
  if (Token[2] != 0)
    s.PushTableRef(0, col1, row1, col2, row2);
  else
    s.PushTableRef(item, col1, row1, col2, row2);
}

void TXLSFormulaEvaluator::PushTableArea(const std::uint8_t* Token) {
  TValueStack& s = Stack_;
  const int items = Token[5];
  const int sheetField = U16(Token + 3);
  const int sheet = sheetField < 256 ? sheetField : s.SheetIndex;
  s.BeginArgs(items);
  bool haveRows = false, haveCols = false;
  int row1 = 0, row2 = -1, col1 = 0, col2 = -1;
  int colRow1 = 0, colRow2 = -1;
  std::uint8_t err = 0;
  // Popped last-first: the last column item popped is the first in formula order, and wins.
  for (int i = 0; i < items; ++i) {
    TXLSFormulaValue v;
    s.PopArg(v);
    if (err) continue;
    if (v.Kind == fvkValue && v.ValueType == fvtError) {
      err = v.BoolErr;
    } else if (v.Kind == fvkValue && v.ValueType == fvtTableRef) {
      if (v.TablePart == 0) continue;
      if (!haveRows) {
        row1 = v.Row1;
        row2 = v.Row2;
      } else {
        row1 = std::min(row1, v.Row1);
        row2 = std::max(row2, v.Row2);
      }
      if (!haveRows && !haveCols) {
        col1 = v.Col1;
        col2 = v.Col2;
      }
      haveRows = true;
    } else if (v.Kind == fvkArea) {
      col1 = v.Col1;
      col2 = v.Col2;
      colRow1 = v.Row1;
      colRow2 = v.Row2;
      haveCols = true;
    }
  }
  if (err) {
    s.PushError(err);
    return;
  }
  if (!haveRows && !haveCols) {
    s.PushError(errRef);
    return;
  }
  if (!haveRows) {
    row1 = colRow1;
    row2 = colRow2;
  }
  if (col1 == col2 && row1 == row2)
    s.PushCellRefOn(sheet, col1, row1);
  else
    s.PushAreaOn(sheet, col1, row1, col2, row2);
}

void TXLSFormulaEvaluator::PushExternal(const std::uint8_t* Token) {
  TValueStack& s = Stack_;
  const bool area = Token[0] == xptgAreaExt;
  const int row1 = U32(Token + 1), row2 = area ? U32(Token + 5) : row1;
  const int col1 = U16(Token + (area ? 9 : 5)) & 0x7FFF;
  const int col2 = area ? U16(Token + 11) & 0x7FFF : col1;
  const int link = U16(Token + (area ? 13 : 7));
  const int sheet = Token[area ? 15 : 9];
  if (!ExternalCells_) {
    s.PushError(errRef);
    return;
  }
  if (!area) {
    TXLSFormulaValue v;
    if (!ExternalCells_->GetValue(link, sheet, col1, row1, v)) v.SetEmpty();
    s.PushValue(v);
    return;
  }
  const long long cells = (static_cast<long long>(col2) - col1 + 1) * (static_cast<long long>(row2) - row1 + 1);
  if (col2 < col1 || row2 < row1 || cells > kMaxExternalCells) {
    s.PushError(errRef);
    return;
  }
  // The link's cached values, as an array; cells the cache lacks stay empty.
  auto arr = std::make_unique<TXLSArrayItem>(col2 - col1 + 1, row2 - row1 + 1);
  for (int c = col1; c <= col2; ++c)
    for (int r = row1; r <= row2; ++r) {
      TXLSFormulaValue v;
      if (ExternalCells_->GetValue(link, sheet, c, r, v)) arr->SetFromFormulaValue(c - col1, r - row1, v);
    }
  s.PushArray(std::move(arr));
}

}  // namespace formula
