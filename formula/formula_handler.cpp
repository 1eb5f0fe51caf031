#include "formula/formula_handler.h"

#include <algorithm>

#include "core/byte_io.h"
#include "formula/language/byte_code.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "workbook/cell_references.h"
#include "workbook/comments_data.h"
#include "workbook/exceptions.h"
#include "workbook/external_links.h"
#include "workbook/sheet_shifts.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace formula {

namespace {

// Steps over every token as the evaluator meets it: the subexpression of a BIFF8 memory function
// is entered, since the evaluator runs it in place.
template <class F>
void WalkTokens(std::uint8_t* Ptgs, int Len, F Visit) {
  std::uint8_t* p = Ptgs;
  int left = Len < 0 ? 0 : Len;
  bool biff = false;
  for (int size = 0; left > 0; p += size, left -= size) {
    size = biff && NormalizePtgClass(p[0]) == ptg8MemFunc && left >= 3 ? 3 : PtgTokenSize(p, left);
    if (p[0] == xptgBIFF8Extra) {
      const int extra = core::load_le16(p + 1);
      if (extra > left - 3) throw workbook::Exception("Illegal ptgs");
      left -= extra;
    }
    if (p[0] == xptgBIFF8Extra || p[0] == xptgBIFF8) biff = true;
    Visit(p, biff);
  }
}

// Library cell and area bodies: 32-bit rows (bit 31 absolute) and 16-bit columns (bit 15 absolute).
// RowAt/ColAt give the offsets of each corner's words inside the token.
struct TLibLayout {
  int Corners;
  int RowAt[2];
  int ColAt[2];
};
constexpr TLibLayout kLibCell{1, {1, 0}, {5, 0}};
constexpr TLibLayout kLibArea{2, {1, 5}, {9, 11}};

// BIFF8 bodies: 16-bit rows; each corner's column word carries its flags (bit 14 column relative,
// bit 15 row relative).
constexpr TLibLayout kBIFFCell{1, {1, 0}, {3, 0}};
constexpr TLibLayout kBIFFArea{2, {1, 3}, {5, 7}};
constexpr TLibLayout kBIFFCell3d{1, {3, 0}, {5, 0}};
constexpr TLibLayout kBIFFArea3d{2, {3, 5}, {7, 9}};

// Moves the relative coordinates of a library body; False when a corner leaves the grid (the
// bytes then stay as they were).
bool OffsetLib(std::uint8_t* p, const TLibLayout& L, int DeltaCol, int DeltaRow) {
  std::uint32_t rows[2] = {}, cols[2] = {};
  for (int c = 0; c < L.Corners; ++c) {
    std::uint32_t row = core::load_le32(p + L.RowAt[c]);
    std::uint32_t col = core::load_le16(p + L.ColAt[c]);
    if (!(row & PTG_ROW_ABS)) {
      const long long moved = static_cast<long long>(row) + DeltaRow;
      if (moved < 0 || moved > workbook::XLS_MAXROW) return false;
      row = static_cast<std::uint32_t>(moved);
    }
    if (!(col & PTG_COL_ABS)) {
      const long long moved = static_cast<long long>(col) + DeltaCol;
      if (moved < 0 || moved > workbook::XLS_MAXCOL) return false;
      col = static_cast<std::uint32_t>(moved);
    }
    rows[c] = row;
    cols[c] = col;
  }
  for (int c = 0; c < L.Corners; ++c) {
    core::store_le32(p + L.RowAt[c], rows[c]);
    core::store_le16(p + L.ColAt[c], static_cast<std::uint16_t>(cols[c]));
  }
  return true;
}

bool OffsetBIFF(std::uint8_t* p, const TLibLayout& L, int DeltaCol, int DeltaRow) {
  std::uint16_t rows[2] = {}, cols[2] = {};
  for (int c = 0; c < L.Corners; ++c) {
    std::uint16_t row = core::load_le16(p + L.RowAt[c]), col = core::load_le16(p + L.ColAt[c]);
    if (col & 0x8000) {
      const int moved = row + DeltaRow;
      if (moved < 0 || moved > workbook::XLS_MAXROW97) return false;
      row = static_cast<std::uint16_t>(moved);
    }
    if (col & 0x4000) {
      const int moved = (col & 0x3FFF) + DeltaCol;
      if (moved < 0 || moved > workbook::XLS_MAXCOL97) return false;
      col = static_cast<std::uint16_t>((col & 0xC000) | (moved & 0x3FFF));
    }
    rows[c] = row;
    cols[c] = col;
  }
  for (int c = 0; c < L.Corners; ++c) {
    core::store_le16(p + L.RowAt[c], rows[c]);
    core::store_le16(p + L.ColAt[c], cols[c]);
  }
  return true;
}

// The #REF! form of a 3-D library token (same size; the error byte where the sheet byte was).
void To3dError(std::uint8_t* p) {
  switch (p[0]) {
    case xptgRef3d: p[0] = xptgRef3dErr; p[7] = errRef; break;
    case xptgRef3dRange: p[0] = xptgRef3dRangeErr; p[7] = errRef; p[8] = errRef; break;
    case xptgArea3d: p[0] = xptgArea3dErr; p[13] = errRef; break;
    case xptgArea3dRange: p[0] = xptgArea3dRangeErr; p[13] = errRef; p[14] = errRef; break;
    default: break;
  }
}

// The byte offset of the sheet byte(s) of a 3-D library token; 0 for other tokens.
int SheetByteAt(std::uint8_t Id, bool& Range) {
  Range = Id == xptgRef3dRange || Id == xptgArea3dRange;
  switch (Id) {
    case xptgRef3d: case xptgRef3dRange: return 7;
    case xptgArea3d: case xptgArea3dRange: return 13;
    default: return 0;
  }
}

}  // namespace

void OffsetRelativeRefTokens(std::uint8_t* Ptgs, int Len, int DeltaCol, int DeltaRow) {
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p, bool Biff) {
    const std::uint8_t id = p[0];
    // References to other sheets move like those of the formula's own sheet: a copied formula
    // keeps pointing at the same relative place there too.
    switch (Biff ? NormalizePtgClass(id) : id) {
      case xptgRef:
        if (!OffsetLib(p, kLibCell, DeltaCol, DeltaRow)) p[0] = xptgRefErr;
        break;
      case xptgArea:
        if (!OffsetLib(p, kLibArea, DeltaCol, DeltaRow)) p[0] = xptgAreaErr;
        break;
      case xptgRef3d: case xptgRef3dRange:
        if (!OffsetLib(p, kLibCell, DeltaCol, DeltaRow)) To3dError(p);
        break;
      case xptgArea3d: case xptgArea3dRange:
        if (!OffsetLib(p, kLibArea, DeltaCol, DeltaRow)) To3dError(p);
        break;
      case xptgRefExt: case xptgRefExtRange:
        OffsetLib(p, kLibCell, DeltaCol, DeltaRow);
        break;
      case xptgAreaExt: case xptgAreaExtRange:
        OffsetLib(p, kLibArea, DeltaCol, DeltaRow);
        break;
      default:
        break;
    }
    if (!Biff || id >= 0x80) return;
    // BIFF8 error forms keep the token's operand class.
    switch (NormalizePtgClass(id)) {
      case ptg8Ref:
        if (!OffsetBIFF(p, kBIFFCell, DeltaCol, DeltaRow)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x0A);
        break;
      case ptg8Area:
        if (!OffsetBIFF(p, kBIFFArea, DeltaCol, DeltaRow)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x0B);
        break;
      case 0x3A:
        if (!OffsetBIFF(p, kBIFFCell3d, DeltaCol, DeltaRow)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x1C);
        break;
      case 0x3B:
        if (!OffsetBIFF(p, kBIFFArea3d, DeltaCol, DeltaRow)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x1D);
        break;
      default:
        break;
    }
  });
}

void SharedMemberTokens(workbook::TXLSCellMMU& Cells, int Col, int Row, const std::uint8_t* Ptgs, int Len,
                        std::vector<std::uint8_t>& Out) {
  Out.assign({ptgErr, errRef});
  if (!Ptgs || Len < 7 || Ptgs[0] != xptgSharedMember) return;
  const int masterCol = core::load_le16(Ptgs + 1) & 0x7FFF;
  const int masterRow = static_cast<int>(core::load_le32(Ptgs + 3) & 0x7FFFFFFF);
  workbook::TMMUCellRef ref;
  if (!Cells.FindCell(masterCol, masterRow, ref) || workbook::TXLSCellMMU::CellType(ref) < workbook::cvkFloatFormula)
    return;
  const std::uint8_t* master = nullptr;
  const int n = workbook::TXLSCellMMU::GetFormulaPtgs(ref, master);
  if (n <= 0 || master[0] == xptgSharedMember || master[0] == xptgArrayMember) return;
  Out.assign(master, master + n);
  OffsetRelativeRefTokens(Out.data(), n, Col - masterCol, Row - masterRow);
}

void AdjustSheetRefTokens(std::uint8_t* Ptgs, int Len, int SheetIndex, int Count) {
  // The new number of a sheet; -1 when it was deleted or no longer fits the sheet byte.
  auto renumber = [&](int Sheet) {
    if (Sheet < SheetIndex) return Sheet;
    if (Count <= 0 && Sheet <= SheetIndex - Count - 1) return -1;
    const int moved = Sheet + Count;
    return moved > 0xFF ? -1 : moved;
  };
  auto deleted = [&](int Sheet) { return Count <= 0 && Sheet >= SheetIndex && Sheet <= SheetIndex - Count - 1; };
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p, bool Biff) {
    bool range = false;
    const int at = Biff && p[0] < 0x80 ? 0 : SheetByteAt(p[0], range);
    if (!at) return;
    const int s1 = p[at];
    int n1 = renumber(s1);
    if (!range) {
      if (n1 < 0)
        To3dError(p);
      else
        p[at] = static_cast<std::uint8_t>(n1);
      return;
    }
    const int s2 = p[at + 1];
    int n2 = renumber(s2);
    // A range loses the deleted sheets at its ends and keeps the rest.
    if (deleted(s2) && !deleted(s1)) n2 = SheetIndex - 1;
    if (deleted(s1) && !deleted(s2)) n1 = SheetIndex;
    if (n1 < 0 || n2 < 0 || n1 > n2) {
      To3dError(p);
      return;
    }
    p[at] = static_cast<std::uint8_t>(n1);
    p[at + 1] = static_cast<std::uint8_t>(n2);
  });
}

void MoveSheetRefTokens(std::uint8_t* Ptgs, int Len, int From, int To) {
  if (From == To) return;
  auto moved = [&](int Sheet) {
    if (Sheet == From) return To;
    if (From < To && Sheet > From && Sheet <= To) return Sheet - 1;
    if (To < From && Sheet >= To && Sheet < From) return Sheet + 1;
    return Sheet;
  };
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p, bool Biff) {
    bool range = false;
    const int at = Biff && p[0] < 0x80 ? 0 : SheetByteAt(p[0], range);
    if (!at) return;
    int n1 = moved(p[at]);
    if (range) {
      // A range keeps its two end sheets; when the move turns them round, they swap.
      int n2 = moved(p[at + 1]);
      if (n1 > n2) std::swap(n1, n2);
      p[at + 1] = static_cast<std::uint8_t>(n2);
    }
    p[at] = static_cast<std::uint8_t>(n1);
  });
}

void AdjustCellRefTokens(std::uint8_t* Ptgs, int Len, int FormulaSheet, int SheetIndex,
                         const workbook::TXc12SheetShift& Shift) {
  // Shifts a library body; False when its cells are gone. Absolute flags are kept.
  auto shiftLib = [&](std::uint8_t* p, const TLibLayout& L) {
    std::uint32_t r1 = core::load_le32(p + L.RowAt[0]);
    std::uint16_t c1 = core::load_le16(p + L.ColAt[0]);
    std::uint32_t r2 = L.Corners == 2 ? core::load_le32(p + L.RowAt[1]) : r1;
    std::uint16_t c2 = L.Corners == 2 ? core::load_le16(p + L.ColAt[1]) : c1;
    workbook::TXLSCellArea a;
    a.Col1 = c1 & 0x7FFF;
    a.Row1 = static_cast<std::int32_t>(r1 & 0x7FFFFFFF);
    a.Col2 = c2 & 0x7FFF;
    a.Row2 = static_cast<std::int32_t>(r2 & 0x7FFFFFFF);
    if (L.Corners == 1) {
      int col = a.Col1, row = a.Row1;
      if (!workbook::ShiftCell(Shift, col, row)) return false;
      a.Col1 = a.Col2 = col;
      a.Row1 = a.Row2 = row;
    } else if (!workbook::ShiftArea(Shift, a)) {
      return false;
    }
    core::store_le32(p + L.RowAt[0], static_cast<std::uint32_t>(a.Row1) | (r1 & PTG_ROW_ABS));
    core::store_le16(p + L.ColAt[0], static_cast<std::uint16_t>(a.Col1 | (c1 & PTG_COL_ABS)));
    if (L.Corners == 2) {
      core::store_le32(p + L.RowAt[1], static_cast<std::uint32_t>(a.Row2) | (r2 & PTG_ROW_ABS));
      core::store_le16(p + L.ColAt[1], static_cast<std::uint16_t>(a.Col2 | (c2 & PTG_COL_ABS)));
    }
    return true;
  };
  auto shiftBIFF = [&](std::uint8_t* p, const TLibLayout& L) {
    const std::uint16_t r1 = core::load_le16(p + L.RowAt[0]), c1 = core::load_le16(p + L.ColAt[0]);
    const std::uint16_t r2 = L.Corners == 2 ? core::load_le16(p + L.RowAt[1]) : r1;
    const std::uint16_t c2 = L.Corners == 2 ? core::load_le16(p + L.ColAt[1]) : c1;
    workbook::TXLSCellArea a;
    a.Col1 = c1 & 0x3FFF;
    a.Row1 = r1;
    a.Col2 = c2 & 0x3FFF;
    a.Row2 = r2;
    if (L.Corners == 1) {
      int col = a.Col1, row = a.Row1;
      if (!workbook::ShiftCell(Shift, col, row)) return false;
      a.Col1 = a.Col2 = col;
      a.Row1 = a.Row2 = row;
    } else if (!workbook::ShiftArea(Shift, a)) {
      return false;
    }
    if (a.Row2 > workbook::XLS_MAXROW97 || a.Col2 > workbook::XLS_MAXCOL97) return false;
    core::store_le16(p + L.RowAt[0], static_cast<std::uint16_t>(a.Row1));
    core::store_le16(p + L.ColAt[0], static_cast<std::uint16_t>(a.Col1 | (c1 & 0xC000)));
    if (L.Corners == 2) {
      core::store_le16(p + L.RowAt[1], static_cast<std::uint16_t>(a.Row2));
      core::store_le16(p + L.ColAt[1], static_cast<std::uint16_t>(a.Col2 | (c2 & 0xC000)));
    }
    return true;
  };
  const bool own = FormulaSheet == SheetIndex;
  WalkTokens(Ptgs, Len, [&](std::uint8_t* p, bool Biff) {
    const std::uint8_t id = p[0];
    if (Biff && id < 0x80) {
      if (!own) return;
      switch (NormalizePtgClass(id)) {
        case ptg8Ref:
          if (!shiftBIFF(p, kBIFFCell)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x0A);
          break;
        case ptg8Area:
          if (!shiftBIFF(p, kBIFFArea)) p[0] = static_cast<std::uint8_t>((id & 0x60) | 0x0B);
          break;
        default:
          break;
      }
      return;
    }
    switch (id) {
      case xptgRef:
        if (own && !shiftLib(p, kLibCell)) p[0] = xptgRefErr;
        break;
      case xptgArea:
        if (own && !shiftLib(p, kLibArea)) p[0] = xptgAreaErr;
        break;
      case xptgRef3d:
        if (p[7] == SheetIndex && !shiftLib(p, kLibCell)) To3dError(p);
        break;
      case xptgArea3d:
        if (p[13] == SheetIndex && !shiftLib(p, kLibArea)) To3dError(p);
        break;
      // A sheet range follows only when it is that one sheet: the same cells of the other sheets
      // did not move.
      case xptgRef3dRange:
        if (p[7] == SheetIndex && p[8] == SheetIndex && !shiftLib(p, kLibCell)) To3dError(p);
        break;
      case xptgArea3dRange:
        if (p[13] == SheetIndex && p[14] == SheetIndex && !shiftLib(p, kLibArea)) To3dError(p);
        break;
      default:
        break;
    }
  });
}

// The workbook model as the engine reads it: sheets and cell stores, defined names, sheet, name,
// table and external-link look-ups for the compiler and decoder.
class TManagerModel : public IFormulaWorkbook,
                      public IFormulaNames,
                      public IFormulaNameResolver,
                      public IExternalCells {
public:
  explicit TManagerModel(workbook::TXc12Manager* Manager) : M_(Manager) {}

  workbook::TXc12Tables* Tables = nullptr;  // the compile context (SetTables)

  int SheetCount() const override { return M_->Worksheets ? M_->Worksheets->Count() : 0; }
  workbook::TXLSCellMMU* SheetCells(int Index) override {
    if (Index < 0 || Index >= SheetCount()) return nullptr;
    return M_->Worksheets->GetItem(Index)->Cells.get();
  }

  workbook::TXc12DefinedNames* Names() const { return M_->Workbook ? M_->Workbook->DefinedNames.get() : nullptr; }

  bool GetName(int Index, TFormulaNameDef& Def) override {
    workbook::TXc12DefinedNames* names = Names();
    if (!names || Index < 0 || Index >= names->Count()) return false;
    const workbook::TXc12DefinedName* n = names->GetItem(Index);
    if (n->Deleted) return false;
    Def = TFormulaNameDef();
    Def.Kind = n->RefKind;
    Def.SheetIndex = n->RefSheet;
    Def.Col1 = static_cast<std::uint32_t>(n->RefArea.Col1);
    Def.Row1 = static_cast<std::uint32_t>(n->RefArea.Row1);
    Def.Col2 = static_cast<std::uint32_t>(n->RefArea.Col2);
    Def.Row2 = static_cast<std::uint32_t>(n->RefArea.Row2);
    Def.Ptgs = n->Compiled.empty() ? nullptr : n->Compiled.data();
    Def.Len = static_cast<int>(n->Compiled.size());
    Def.VBProcedure = n->VbProcedure;
    return true;
  }

  int FindSheet(std::u16string_view Name) const override {
    return M_->Worksheets ? M_->Worksheets->Find(std::u16string(Name)) : -1;
  }
  std::u16string SheetName(int Index) const override {
    return Index >= 0 && Index < SheetCount() ? M_->Worksheets->GetItem(Index)->Name : std::u16string();
  }
  int FindName(std::u16string_view Name, int Sheet) const override {
    workbook::TXc12DefinedNames* names = Names();
    return names ? names->Find(std::u16string(Name), Sheet) : -1;
  }
  int FindLocalName(std::u16string_view Name, int Sheet) const override {
    workbook::TXc12DefinedNames* names = Names();
    return names && Sheet >= 0 ? names->FindLocal(std::u16string(Name), Sheet) : -1;
  }
  int FindGlobalName(std::u16string_view Name) const override {
    workbook::TXc12DefinedNames* names = Names();
    return names ? names->FindLocal(std::u16string(Name), -1) : -1;
  }
  std::u16string NameText(int Index) const override {
    workbook::TXc12DefinedNames* names = Names();
    if (!names || Index < 0 || Index >= names->Count()) return {};
    return names->GetItem(Index)->GetDisplayName();
  }

  int ExternalLinkCount() const override { return M_->XLinks ? M_->XLinks->Count() : 0; }
  int FindExternalLink(std::u16string_view Name) const override {
    return M_->XLinks ? M_->XLinks->Find(std::u16string(Name)) : -1;
  }
  std::u16string ExternalLinkName(int Link) const override {
    return Link >= 0 && Link < ExternalLinkCount() ? M_->XLinks->GetItem(Link)->ExternalBook.Target : std::u16string();
  }
  int FindExternalSheet(int Link, std::u16string_view Sheet) const override {
    if (Link < 0 || Link >= ExternalLinkCount()) return -1;
    return M_->XLinks->GetItem(Link)->ExternalBook.FindSheet(std::u16string(Sheet));
  }
  std::u16string ExternalSheetName(int Link, int Sheet) const override {
    if (Link < 0 || Link >= ExternalLinkCount()) return {};
    const auto& names = M_->XLinks->GetItem(Link)->ExternalBook.SheetNames;
    return Sheet >= 0 && Sheet < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(Sheet)] : u"";
  }

  bool GetValue(int Link, int Sheet, int Col, int Row, TXLSFormulaValue& Value) const override {
    workbook::TXc12XCellValue v;
    if (!M_->XLinks || !M_->XLinks->GetValue(Link, Sheet, Col, Row, v)) return false;
    switch (v.ValueType) {
      case workbook::xvtBoolean: Value.SetBool(v.Byte != 0); break;
      case workbook::xvtError: Value.SetError(v.Byte); break;
      case workbook::xvtNumber: Value.SetFloat(v.Number); break;
      case workbook::xvtString: Value.SetString(v.String); break;
      default: Value.SetEmpty(); break;
    }
    return true;
  }

  bool FindTable(std::u16string_view Name, int Sheet, TFormulaTableInfo& Table) const override {
    const std::u16string name(Name);
    if (Tables) {
      const int i = Tables->FindByName(name);
      if (i >= 0) return Info(*Tables->GetItem(i), i, SheetOf(Tables, Sheet), Table);
    }
    if (Sheet >= 0 && Sheet < SheetCount()) {
      workbook::TXc12Tables& own = M_->Worksheets->GetItem(Sheet)->Tables;
      const int i = own.FindByName(name);
      if (i >= 0) return Info(*own.GetItem(i), i, Sheet, Table);
    }
    for (int s = 0; s < SheetCount(); ++s) {
      workbook::TXc12Tables& t = M_->Worksheets->GetItem(s)->Tables;
      const int i = t.FindByName(name);
      if (i >= 0) return Info(*t.GetItem(i), i, s, Table);
    }
    return false;
  }
  bool FindTableByCell(int Sheet, int Col, int Row, TFormulaTableInfo& Table) const override {
    if (Sheet < 0 || Sheet >= SheetCount()) return false;
    workbook::TXc12Tables& t = M_->Worksheets->GetItem(Sheet)->Tables;
    const int i = t.FindByCell(Col, Row);
    return i >= 0 && Info(*t.GetItem(i), i, Sheet, Table);
  }
  bool GetTable(int Sheet, int Index, TFormulaTableInfo& Table) const override {
    if (Sheet < 0 || Sheet >= SheetCount()) return false;
    workbook::TXc12Tables& t = M_->Worksheets->GetItem(Sheet)->Tables;
    return Index >= 0 && Index < t.Count() && Info(*t.GetItem(Index), Index, Sheet, Table);
  }

private:
  // The sheet that owns a table list; Fallback when the list belongs to no sheet.
  int SheetOf(const workbook::TXc12Tables* List, int Fallback) const {
    for (int s = 0; s < SheetCount(); ++s)
      if (&M_->Worksheets->GetItem(s)->Tables == List) return s;
    return Fallback;
  }
  static bool Info(const workbook::TXc12Table& T, int Index, int Sheet, TFormulaTableInfo& Out) {
    Out = TFormulaTableInfo();
    Out.Index = Index;
    Out.Sheet = Sheet;
    Out.Name = T.Name.empty() ? T.displayName : T.Name;
    Out.Col1 = T.Ref.Col1;
    Out.Row1 = T.Ref.Row1;
    Out.Col2 = T.Ref.Col2;
    Out.Row2 = T.Ref.Row2;
    Out.HeaderRows = T.headerRowCount;
    Out.TotalsRows = T.totalsRowCount;
    for (int i = 0; i < T.Columns.Count(); ++i) Out.Columns.push_back(T.Columns.GetItem(i)->Name);
    return true;
  }

  workbook::TXc12Manager* M_;
};

TXLSFormulaHandler::TXLSFormulaHandler(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale)
    : Workbook_(Workbook),
      Locale_(Locale ? Locale : &TFormulaLocale::Invariant()),
      OwnErrors_(std::make_unique<workbook::TXLSErrorManager>()),
      Builder_(Workbook),
      Evaluator_(Workbook, Locale) {
  Errors_ = OwnErrors_.get();
}

TXLSFormulaHandler::TXLSFormulaHandler(workbook::TXc12Manager* Manager, const TFormulaLocale* Locale)
    : Model_(std::make_unique<TManagerModel>(Manager)),
      Workbook_(Model_.get()),
      Locale_(Locale ? Locale : &TFormulaLocale::Invariant()),
      Resolver_(Model_.get()),
      Builder_(Model_.get()),
      Evaluator_(Model_.get(), Locale) {
  if (Manager->Errors) {
    Errors_ = Manager->Errors;
  } else {
    OwnErrors_ = std::make_unique<workbook::TXLSErrorManager>();
    Errors_ = OwnErrors_.get();
  }
  SetNames(Model_.get());
  Evaluator_.SetResolver(Model_.get());
  Evaluator_.SetExternalCells(Model_.get());
  Progress_ = [Manager](workbook::TXLSProgressType Type, workbook::TXLSProgressState State, double Value) {
    switch (State) {
      case workbook::xpsBegin: Manager->BeginProgress(Type, static_cast<int>(Value)); break;
      case workbook::xpsWork: Manager->WorkProgress(static_cast<int>(Value)); break;
      default: Manager->EndProgress(); break;
    }
  };
  // Circular references are warnings of the error manager, naming the loop ("0!A1->0!B1").
  Builder_.SetSheetNames([Model = Model_.get()](int Sheet) { return Model->SheetName(Sheet); });
  Builder_.SetWarningHandler([this](int Code, const std::u16string& Text) {
    const std::size_t open = Text.find(u'"'), close = Text.rfind(u'"');
    Errors_->Warning(open != std::u16string::npos && close > open ? Text.substr(open + 1, close - open - 1) : Text,
                     Code);
  });
  Evaluator_.SetArgCountHandler([this](int Code, const std::u16string& Text) { Errors_->Error(Text, Code); });
}

TXLSFormulaHandler::~TXLSFormulaHandler() = default;

void TXLSFormulaHandler::SetNames(IFormulaNames* Names) {
  Builder_.SetNames(Names);
  Evaluator_.SetNames(Names);
}

void TXLSFormulaHandler::SetExternSheets(IExternSheetResolver* Resolver) {
  Builder_.SetExternSheets(Resolver);
  Evaluator_.SetExternSheets(Resolver);
}

void TXLSFormulaHandler::SetErrors(workbook::TXLSErrorManager* Errors) {
  Errors_ = Errors ? Errors : OwnErrors_.get();
  if (!Errors_) {
    OwnErrors_ = std::make_unique<workbook::TXLSErrorManager>();
    Errors_ = OwnErrors_.get();
  }
}

void TXLSFormulaHandler::SetOnUserFunction(TXLSUserFunctionHandler Handler) {
  UserFunction_ = Handler;
  Evaluator_.SetUserFunctionHandler(std::move(Handler));
}

int TXLSFormulaHandler::Compile(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex,
                                int Col, int Row) {
  Tokens.clear();
  if (Text.find_first_not_of(u" \t\r\n") == std::u16string::npos) return 0;
  if (!formula::CompileFormula(Text, *Errors_, Resolver_, Invariant_, *Locale_, Tokens, SheetIndex, Col, Row)) {
    Tokens.clear();
    return 0;
  }
  return static_cast<int>(Tokens.size());
}

int TXLSFormulaHandler::EncodeCellFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens,
                                          int SheetIndex, int Col, int Row, bool Invariant) {
  Invariant_ = Invariant;
  return Compile(Text, Tokens, SheetIndex, Col, Row);
}

int TXLSFormulaHandler::EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex) {
  return Compile(Text, Tokens, SheetIndex, -1, -1);
}

void TXLSFormulaHandler::SetTables(workbook::TXc12Tables* Tables) {
  if (Model_) Model_->Tables = Tables;
}

std::u16string TXLSFormulaHandler::DecodeFormula(workbook::TXLSCellMMU* Cells, int SheetIndex,
                                                 const std::uint8_t* Ptgs, int Len, bool BookNumbers) {
  if (Ptgs && Len >= 7 && Ptgs[0] == xptgArrayMember97) {
    // The member of an array formula shows the formula of the cell it names.
    const int col = core::load_le16(Ptgs + 1) & 0x7FFF;
    const int row = static_cast<int>(core::load_le32(Ptgs + 3) & 0x7FFFFFFF);
    workbook::TMMUCellRef ref;
    if (!Cells || !Cells->FindCell(col, row, ref) || workbook::TXLSCellMMU::CellType(ref) < workbook::cvkFloatFormula)
      return u"#REF!";
    const std::uint8_t* target = nullptr;
    const int n = workbook::TXLSCellMMU::GetFormulaPtgs(ref, target);
    // One level only: a stored member never names another member.
    if (n > 0 && target[0] == xptgArrayMember97) return u"#REF!";
    Ptgs = target;
    Len = n;
  }
  if (Ptgs && Len > 0 && (Ptgs[0] == xptgBIFF8 || Ptgs[0] == xptgBIFF8Extra)) {
    if (!BIFF8Decoder_) throw workbook::Exception(std::string("No BIFF8 formula decoder"));
    return BIFF8Decoder_->DecodeFormula(Ptgs, Len, Locale_->ListSeparator);
  }
  TXLSFormulaDecoder decoder(Resolver_);
  if (Cells) {
    decoder.MemberFormulaText = [this, Cells, SheetIndex, BookNumbers](int Col, int Row) -> std::u16string {
      workbook::TMMUCellRef ref;
      if (!Cells->FindCell(Col, Row, ref) || workbook::TXLSCellMMU::CellType(ref) < workbook::cvkFloatFormula)
        return u"#REF!";
      const std::uint8_t* p = nullptr;
      const int n = workbook::TXLSCellMMU::GetFormulaPtgs(ref, p);
      if (n <= 0 || p[0] == xptgSharedMember || p[0] == xptgArrayMember || p[0] == xptgArrayMember97) return u"#REF!";
      return DecodeFormula(nullptr, SheetIndex, p, n, BookNumbers);
    };
  }
  return decoder.Decode(Ptgs, Len, SheetIndex, *Locale_, BookNumbers);
}

bool TXLSFormulaHandler::DecodeFormula(const std::uint8_t* Ptgs, int Len, std::u16string& Text) {
  try {
    Text = DecodeFormula(nullptr, -1, Ptgs, Len, true);
    return true;
  } catch (const workbook::Exception&) {
    return false;
  }
}

std::uint8_t TXLSFormulaHandler::PtgsToArea3D(const std::uint8_t* Ptgs, int Len, int& Sheet,
                                              workbook::TXLSCellArea& Area) {
  int row1 = 0, row2 = 0, col1 = 0, col2 = 0;
  const int kind = formula::PtgsToArea3D(Ptgs, Len, nullptr, Sheet, row1, row2, col1, col2);
  // A name's area keeps the absolute flags of its tokens, so its text keeps its "$" signs.
  const auto row = [](int Value, const std::uint8_t* At) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Value) | (core::load_le32(At) & PTG_ROW_ABS));
  };
  const auto col = [](int Value, const std::uint8_t* At) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Value) | (core::load_le16(At) & PTG_COL_ABS));
  };
  if (kind == 1 && Ptgs[0] == xptgRef3d) {
    row1 = row2 = row(row1, Ptgs + 1);
    col1 = col2 = col(col1, Ptgs + 5);
  } else if (kind == 2 && Ptgs[0] == xptgArea3d) {
    row1 = row(row1, Ptgs + 1);
    row2 = row(row2, Ptgs + 5);
    col1 = col(col1, Ptgs + 9);
    col2 = col(col2, Ptgs + 11);
  }
  Area.Row1 = row1;
  Area.Row2 = row2;
  Area.Col1 = col1;
  Area.Col2 = col2;
  switch (kind) {
    case 1: return workbook::nrkCell;
    case 2: return workbook::nrkArea;
    case 3: return workbook::nrkInvalid;
    default: return workbook::nrkFormula;
  }
}

void TXLSFormulaHandler::StoreResult(workbook::TXLSCellMMU* Cells, int Col, int Row, const TXLSFormulaValue& Result) {
  workbook::TMMUCellRef ref;
  // Evaluating never moves cells, but look the cell up again: a user function may have written.
  if (!Cells->FindCell(Col, Row, ref)) return;
  if (TCalcCache* cache = Evaluator_.Stack().Cache) cache->CellChanged(Cells, Col, Row);
  switch (Result.ValueType) {
    case fvtFloat:
      Cells->SetFormulaResultFloat(ref, Col, Row, Result.Number);
      break;
    case fvtBoolean:
      Cells->SetFormulaResultBoolean(ref, Col, Row, Result.BoolErr != 0);
      break;
    case fvtError:
      Cells->SetFormulaResultError(ref, Col, Row, Result.BoolErr);
      break;
    case fvtString:
      Cells->SetFormulaResultString(ref, Col, Row, Result.Text);
      break;
    case fvtEmpty:
      // A reference to an empty cell: 0, as spreadsheet applications show it.
      Cells->SetFormulaResultFloat(ref, Col, Row, 0);
      break;
    case fvtTableRef:
      // The cell keeps its previous cached result.
      break;
    default:
      throw workbook::Exception("Invalid formula result");
  }
}

void TXLSFormulaHandler::Calculate() {
  // Range walks clip to each sheet's used area: bring it up to date with the cells written since.
  for (int s = 0; s < Workbook_->SheetCount(); ++s)
    if (workbook::TXLSCellMMU* cells = Workbook_->SheetCells(s)) cells->CalcDimension();
  Builder_.Build(Chain_);
  const int count = Chain_.Count();
  if (Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsBegin, count);
  const int step = std::max(1, count / 25);
  TXLSFormulaValue result;
  // Running totals and lookup indexes shared by the formulas of this calculation only.
  TCalcCache cache;
  struct TDetach {
    TValueStack& Stack;
    ~TDetach() { Stack.Cache = nullptr; }
  } detach{Evaluator_.Stack()};
  Evaluator_.Stack().Cache = &cache;
  for (int i = 0; i < count; ++i) {
    if (i % step == 0 && Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsWork, i);
    const TCellKey& key = Chain_.Items(i);
    const int col = key.Col, row = static_cast<int>(key.Row);
    workbook::TXLSCellMMU* cells = Workbook_->SheetCells(key.Sheet);
    workbook::TMMUCellRef ref;
    if (!cells || !cells->FindCell(col, row, ref)) continue;
    const std::uint8_t* ptgs = nullptr;
    const int len = workbook::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
    workbook::TXLSCellArea target;
    const bool isArray = workbook::TXLSCellMMU::GetFormulaAreaRect(ref, target);
    Evaluator_.Evaluate(ptgs, len, key.Sheet, col, row, result, isArray ? &target : nullptr);
    if (result.Kind > fvkArea) throw workbook::Exception("Invalid formula result");
    StoreResult(cells, col, row, result);
  }
  if (Progress_) Progress_(workbook::xptCalculateFormulas, workbook::xpsEnd, count);
}

int CompileFormula(workbook::TXc12Manager* Manager, const std::u16string& Text, std::vector<std::uint8_t>& Tokens,
                   int SheetIndex) {
  Tokens.clear();
  if (Text.find_first_not_of(u" \t\r\n") == std::u16string::npos) return 0;
  TManagerModel model(Manager);
  workbook::TXLSErrorManager own;
  workbook::TXLSErrorManager& errors = Manager->Errors ? *Manager->Errors : own;
  if (!formula::CompileFormula(Text, errors, &model, true, TFormulaLocale::Invariant(), Tokens, SheetIndex)) {
    Tokens.clear();
    return 0;
  }
  return static_cast<int>(Tokens.size());
}

std::unique_ptr<workbook::IXLSFormulaHandler> CreateFormulaHandler(workbook::TXc12Manager* Manager) {
  return std::make_unique<TXLSFormulaHandler>(Manager);
}

}  // namespace formula
