#include "formula/formula_handler.h"

#include <algorithm>

#include "core/byte_io.h"
#include "formula/language/byte_code.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

// Steps over every token as the evaluator meets it: the subexpression of a BIFF8 memory function
// is entered, since the evaluator runs it in place.
template <class F>
void WalkTokens(std::uint8_t* Ptgs, int Len, F Visit) {
  std::uint8_t* p = Ptgs;
  int left = Len < 0 ? 0 : Len;
  for (int size = 0; left > 0; p += size, left -= size) {
    size = NormalizePtgClass(p[0]) == ptg8MemFunc && left >= 3 ? 3 : PtgTokenSize(p, left);
    if (p[0] == xptgBIFF8Extra) {
      const int extra = core::load_le16(p + 1);
      if (extra > left - 3) throw workbook::Exception("Illegal ptgs");
      left -= extra;
    }
    Visit(p);
  }
}

// Moves one coordinate of the library's byte code unless its absolute bit is set. Off: the result
// is outside the grid (absolute parts count as 0).
std::uint32_t MoveLib(std::uint32_t V, std::uint32_t AbsBit, int Delta, int Max, bool& Off) {
  if (V & AbsBit) return V;
  const long long moved = static_cast<long long>(V) + Delta;
  if (moved < 0 || moved > Max) Off = true;
  return static_cast<std::uint32_t>(moved);
}

}  // namespace

void TXLSFormulaHandler::OffsetRelativeRefs(std::uint8_t* Ptgs, int Len, int DeltaCol, int DeltaRow) {
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p) {
    const std::uint8_t id = p[0];
    bool off = false;
    switch (NormalizePtgClass(id)) {
      case xptgRef: {
        const std::uint32_t row = MoveLib(core::load_le32(p + 1), PTG_ROW_ABS, DeltaRow, workbook::XLS_MAXROW, off);
        const std::uint32_t col = MoveLib(core::load_le16(p + 5), PTG_COL_ABS, DeltaCol, workbook::XLS_MAXCOL, off);
        if (off) {
          p[0] = xptgRefErr;
        } else {
          core::store_le32(p + 1, row);
          core::store_le16(p + 5, static_cast<std::uint16_t>(col));
        }
        break;
      }
      case xptgArea: {
        const std::uint32_t r1 = MoveLib(core::load_le32(p + 1), PTG_ROW_ABS, DeltaRow, workbook::XLS_MAXROW, off);
        const std::uint32_t r2 = MoveLib(core::load_le32(p + 5), PTG_ROW_ABS, DeltaRow, workbook::XLS_MAXROW, off);
        const std::uint32_t c1 = MoveLib(core::load_le16(p + 9), PTG_COL_ABS, DeltaCol, workbook::XLS_MAXCOL, off);
        const std::uint32_t c2 = MoveLib(core::load_le16(p + 11), PTG_COL_ABS, DeltaCol, workbook::XLS_MAXCOL, off);
        if (off) {
          p[0] = xptgAreaErr;
        } else {
          core::store_le32(p + 1, r1);
          core::store_le32(p + 5, r2);
          core::store_le16(p + 9, static_cast<std::uint16_t>(c1));
          core::store_le16(p + 11, static_cast<std::uint16_t>(c2));
        }
        break;
      }
      case ptg8Ref:
      case ptg8Area: {
        // BIFF8: 16-bit rows; each column word carries its corner's flags (bit 14 column relative,
        // bit 15 row relative). The error form keeps the token's operand class.
        const bool area = NormalizePtgClass(id) == ptg8Area;
        const int corners = area ? 2 : 1;
        std::uint16_t rows[2], cols[2];
        for (int c = 0; c < corners; ++c) {
          const int rowAt = 1 + 2 * c, colAt = area ? 5 + 2 * c : 3;
          std::uint16_t row = core::load_le16(p + rowAt), col = core::load_le16(p + colAt);
          if (col & 0x8000) {
            const int moved = row + DeltaRow;
            if (moved < 0 || moved > workbook::XLS_MAXROW97) off = true;
            row = static_cast<std::uint16_t>(moved);
          }
          if (col & 0x4000) {
            const int moved = (col & 0x3FFF) + DeltaCol;
            if (moved < 0 || moved > workbook::XLS_MAXCOL97) off = true;
            col = static_cast<std::uint16_t>((col & 0xC000) | (moved & 0x3FFF));
          }
          rows[c] = row;
          cols[c] = col;
        }
        if (off) {
          p[0] = static_cast<std::uint8_t>((id & 0x60) | (area ? 0x0B : 0x0A));
          break;
        }
        for (int c = 0; c < corners; ++c) {
          core::store_le16(p + 1 + 2 * c, rows[c]);
          core::store_le16(p + (area ? 5 + 2 * c : 3), cols[c]);
        }
        break;
      }
      default:
        break;
    }
  });
}

void TXLSFormulaHandler::AdjustSheetRefs(std::uint8_t* Ptgs, int Len, int SheetIndex, int Count) {
  // The new number of a sheet; -1 when it was deleted or no longer fits the sheet byte.
  auto renumber = [&](int Sheet) {
    if (Sheet < SheetIndex) return Sheet;
    if (Count <= 0 && Sheet <= SheetIndex - Count - 1) return -1;
    const int moved = Sheet + Count;
    return moved > 0xFF ? -1 : moved;
  };
  auto deleted = [&](int Sheet) { return Count <= 0 && Sheet >= SheetIndex && Sheet <= SheetIndex - Count - 1; };
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p) {
    int at = 0;
    bool range = false;
    std::uint8_t errId = 0;
    switch (p[0]) {
      case xptgRef3d: at = 7; errId = xptgRef3dErr; break;
      case xptgRef3dRange: at = 7; range = true; errId = xptgRef3dRangeErr; break;
      case xptgArea3d: at = 13; errId = xptgArea3dErr; break;
      case xptgArea3dRange: at = 13; range = true; errId = xptgArea3dRangeErr; break;
      default: return;
    }
    const int s1 = p[at];
    int n1 = renumber(s1);
    if (!range) {
      if (n1 < 0) {
        p[0] = errId;
        p[at] = 4;
      } else {
        p[at] = static_cast<std::uint8_t>(n1);
      }
      return;
    }
    const int s2 = p[at + 1];
    int n2 = renumber(s2);
    // A range loses the deleted sheets at its ends and keeps the rest.
    if (deleted(s2) && !deleted(s1)) n2 = SheetIndex - 1;
    if (deleted(s1) && !deleted(s2)) n1 = SheetIndex;
    if (n1 < 0 || n2 < 0 || n1 > n2) {
      p[0] = errId;
      p[at] = 4;
      p[at + 1] = 4;
      return;
    }
    p[at] = static_cast<std::uint8_t>(n1);
    p[at + 1] = static_cast<std::uint8_t>(n2);
  });
}

TXLSFormulaHandler::TXLSFormulaHandler(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale)
    : Workbook_(Workbook), Builder_(Workbook), Evaluator_(Workbook, Locale) {}

void TXLSFormulaHandler::SetNames(IFormulaNames* Names) {
  Builder_.SetNames(Names);
  Evaluator_.SetNames(Names);
}

void TXLSFormulaHandler::SetExternSheets(IExternSheetResolver* Resolver) {
  Builder_.SetExternSheets(Resolver);
  Evaluator_.SetExternSheets(Resolver);
}

void TXLSFormulaHandler::SetOnUserFunction(TXLSUserFunctionHandler Handler) {
  UserFunction_ = Handler;
  Evaluator_.SetUserFunctionHandler(std::move(Handler));
}

void TXLSFormulaHandler::Calculate() {
  Builder_.Build(Chain_);
  const int count = Chain_.Count();
  if (Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsBegin, count);
  const int step = std::max(1, count / 25);
  TXLSFormulaValue result;
  for (int i = 0; i < count; ++i) {
    if (i % step == 0 && Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsWork, i);
    const TCellKey& key = Chain_.Items(i);
    const int col = key.Col, row = static_cast<int>(key.Row);
    workbook::TXLSCellMMU* cells = Workbook_->SheetCells(key.Sheet);
    workbook::TMMUCellRef ref;
    if (!cells || !cells->FindCell(col, row, ref)) continue;
    const std::uint8_t* ptgs = nullptr;
    const int len = workbook::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
    Evaluator_.Evaluate(ptgs, len, key.Sheet, col, row, result);
    if (result.Kind > fvkArea) throw workbook::Exception("Invalid formula result");
    // Evaluating never moves cells, but look the cell up again: a user function may have written.
    if (!cells->FindCell(col, row, ref)) continue;
    switch (result.ValueType) {
      case fvtFloat:
        cells->SetFormulaResultFloat(ref, col, row, result.Number);
        break;
      case fvtBoolean:
        cells->SetFormulaResultBoolean(ref, col, row, result.BoolErr != 0);
        break;
      case fvtError:
        cells->SetFormulaResultError(ref, col, row, result.BoolErr);
        break;
      case fvtString:
        cells->SetFormulaResultString(ref, col, row, result.Text);
        break;
      case fvtEmpty:
      case fvtTableRef:
        // The cell keeps its previous cached result.
        break;
      default:
        throw workbook::Exception("Invalid formula result");
    }
  }
  if (Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsEnd, count);
}

}  // namespace formula
