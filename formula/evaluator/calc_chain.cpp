#include "formula/evaluator/calc_chain.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "core/byte_io.h"
#include "formula/language/byte_code.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

constexpr std::uint32_t kColMask = 0x7FFF;
constexpr std::uint32_t kRowMask = 0x7FFFFFFF;
constexpr std::uint32_t kBIFFColMask = 0x3FFF;

int U16(const std::uint8_t* p) { return core::load_le16(p); }
int U32(const std::uint8_t* p) { return static_cast<int>(core::load_le32(p) & kRowMask); }

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// An area that covers at least this many formula cells of a column depends on range nodes.
constexpr std::ptrdiff_t kRangeNodeMin = 32;
// The sheet number of range nodes' keys (no workbook has that many sheets).
constexpr std::uint16_t kRangeNodeSheet = 0xFFFF;

}  // namespace

void TXLSCalcChainBuilder::CollectSheet(int SheetIndex, workbook::TXLSCellMMU& Cells) {
  Cells.BeginIterate(0);
  while (Cells.IterNext()) {
    const workbook::TCellValueKind kind = Cells.IterCellType();
    if (kind < workbook::cvkFloatFormula || kind > workbook::cvkErrorFormula) continue;
    const int formulaKind = Cells.IterFormulaFlags() & 0x3F;
    if (formulaKind >= workbook::mfkArrayMember && formulaKind <= workbook::mfkDataTableMember) continue;
    const std::uint8_t* ptgs = nullptr;
    int len = 0;
    try {
      len = Cells.IterFormulaPtgs(ptgs);
    } catch (const std::exception& e) {
      const std::u16string sheet = SheetName_ ? SheetName_(SheetIndex) : Widen(std::to_string(SheetIndex));
      std::u16string text = Widen(e.what()) + u" [" + sheet + u"!" +
                            workbook::ColRowToRefStr(Cells.IterCol(), Cells.IterRow()) + u"]";
      throw workbook::Exception(text);
    }
    // A shared formula's member reads as the master's formula moved to its own cell.
    if (len > 0 && ptgs[0] == xptgSharedMember) {
      Relocated_.emplace_back();
      SharedMemberTokens(Cells, Cells.IterCol(), Cells.IterRow(), ptgs, len, Relocated_.back());
      ptgs = Relocated_.back().data();
      len = static_cast<int>(Relocated_.back().size());
    }
    TCellKey key;
    key.Sheet = static_cast<std::uint16_t>(SheetIndex);
    key.Col = static_cast<std::uint16_t>(Cells.IterCol());
    key.Row = static_cast<std::uint32_t>(Cells.IterRow());
    Cells_.push_back({key, ptgs, len});
  }
}

std::size_t TXLSCalcChainBuilder::LowerBound(const TCellKey& Key) const {
  return static_cast<std::size_t>(
      std::lower_bound(Cells_.begin(), Cells_.end(), Key,
                       [](const TCollected& c, const TCellKey& k) { return CompareCellKeys(c.Key, k) < 0; }) -
      Cells_.begin());
}

int TXLSCalcChainBuilder::FindCell(const TCellKey& Key) const {
  const std::size_t i = LowerBound(Key);
  return i < Cells_.size() && Cells_[i].Key == Key ? static_cast<int>(i) : -1;
}

void TXLSCalcChainBuilder::AddArea(int Sheet1, int Sheet2, int Col1, int Row1, int Col2, int Row2,
                                   TDepRefsItem& Dep) {
  if (Col1 > Col2) std::swap(Col1, Col2);
  if (Row1 > Row2) std::swap(Row1, Row2);
  if (Sheet1 > Sheet2) std::swap(Sheet1, Sheet2);
  Sheet1 = std::max(Sheet1, 0);
  Sheet2 = std::min(Sheet2, 0xFFFF);
  for (int s = Sheet1; s <= Sheet2; ++s) {
    TCellKey from;
    from.Sheet = static_cast<std::uint16_t>(s);
    from.Row = static_cast<std::uint32_t>(Row1);
    from.Col = 0;
    if (Col1 == Col2 && Row1 == Row2) {
      from.Col = static_cast<std::uint16_t>(Col1);
      const int i = FindCell(from);
      if (i >= 0) Dep.Add(Cells_[static_cast<std::size_t>(i)].Key);
      continue;
    }
    if (static_cast<std::size_t>(s) >= SheetColumns_.size()) continue;
    const std::vector<std::uint16_t>& columns = SheetColumns_[static_cast<std::size_t>(s)];
    AreaScratch_.clear();
    int used = 0;
    for (auto c = std::lower_bound(columns.begin(), columns.end(), static_cast<std::uint16_t>(std::min(Col1, 0xFFFF)));
         c != columns.end() && *c <= Col2; ++c) {
      const int column = ColumnIds_.find((static_cast<std::uint32_t>(s) << 16) | *c)->second;
      const std::vector<std::uint32_t>& rows = Columns_[static_cast<std::size_t>(column)].Rows;
      const auto lo = std::lower_bound(rows.begin(), rows.end(), static_cast<std::uint32_t>(Row1));
      const auto hi = std::upper_bound(lo, rows.end(), static_cast<std::uint32_t>(Row2));
      if (lo == hi) continue;
      if (hi - lo >= kRangeNodeMin) {
        AddColumnRange(column, static_cast<std::uint32_t>(lo - rows.begin()), static_cast<std::uint32_t>(hi - rows.begin()),
                       Dep);
        continue;
      }
      ++used;
      for (auto r = lo; r != hi; ++r) {
        TCellKey k;
        k.Sheet = static_cast<std::uint16_t>(s);
        k.Col = *c;
        k.Row = *r;
        AreaScratch_.push_back(k);
      }
    }
    // In key order (by row, then column), as the cells lie in the sheet.
    if (used > 1) std::sort(AreaScratch_.begin(), AreaScratch_.end());
    for (const TCellKey& k : AreaScratch_) Dep.Add(k);
  }
}

TCellKey TXLSCalcChainBuilder::RangeNodeKey(int Column, std::uint32_t Node) {
  TCellKey k;
  k.Sheet = kRangeNodeSheet;
  k.Col = static_cast<std::uint16_t>(Column & 0xFFFF);
  k.Row = (static_cast<std::uint32_t>(Column >> 16) << 24) | Node;
  return k;
}

// Dependencies on the formula cells Lo..Hi - 1 of the column: the tree nodes that cover the range
// exactly, each listed (with the nodes below it) the first time it is used.
void TXLSCalcChainBuilder::AddColumnRange(int Column, std::uint32_t Lo, std::uint32_t Hi, TDepRefsItem& Dep) {
  TColumnCells& col = Columns_[static_cast<std::size_t>(Column)];
  if (col.Leaves == 0) {
    col.Leaves = 1;
    while (col.Leaves < col.Rows.size()) col.Leaves <<= 1;
    col.NodeMade.assign(col.Leaves, false);
  }
  auto leafKey = [&](std::uint32_t Pos) {
    TCellKey k;
    k.Sheet = col.Sheet;
    k.Col = col.Col;
    k.Row = col.Rows[Pos];
    return k;
  };
  // Lists node N's dependencies on its halves, and theirs; N covers at least one cell.
  auto make = [&](std::uint32_t N) {
    std::vector<std::uint32_t> todo{N};
    while (!todo.empty()) {
      const std::uint32_t v = todo.back();
      todo.pop_back();
      if (col.NodeMade[v]) continue;
      col.NodeMade[v] = true;
      TDepRefsItem item(RangeNodeKey(Column, v));
      for (std::uint32_t child : {2 * v, 2 * v + 1}) {
        if (child >= col.Leaves) {
          if (child - col.Leaves < col.Rows.size()) item.Add(leafKey(child - col.Leaves));
          continue;
        }
        // The first leaf below the child tells whether it covers any cell.
        std::uint32_t first = child;
        while (first < col.Leaves) first <<= 1;
        if (first - col.Leaves >= col.Rows.size()) continue;
        item.Add(RangeNodeKey(Column, child));
        todo.push_back(child);
      }
      RangeNodes_.push_back(std::move(item));
    }
  };
  auto use = [&](std::uint32_t N) {
    if (N >= col.Leaves) {
      Dep.Add(leafKey(N - col.Leaves));
    } else {
      make(N);
      Dep.Add(RangeNodeKey(Column, N));
    }
  };
  for (std::uint32_t l = Lo + col.Leaves, r = Hi + col.Leaves; l < r; l >>= 1, r >>= 1) {
    if (l & 1) use(l++);
    if (r & 1) use(--r);
  }
}

void TXLSCalcChainBuilder::AddExtern(int ExtIndex, int Col1, int Row1, int Col2, int Row2, TDepRefsItem& Dep) {
  int first = -1, last = -1;
  if (!ExternSheets_) return;
  ExternSheets_->GetExtSheetTabs(ExtIndex, first, last);
  // Sheets of other workbooks and this workbook's names (0xFFFE) hold no formula cells here.
  if (first < 0 || last < 0 || first >= 0xFFFE || last >= 0xFFFE) return;
  AddArea(first, last, Col1, Row1, Col2, Row2, Dep);
}

void TXLSCalcChainBuilder::AddName(int Index, int FormulaSheet, int Depth, TDepRefsItem& Dep) {
  TFormulaNameDef def;
  if (Index < 0 || !Names_ || !Names_->GetName(Index, def)) return;
  switch (def.Kind) {
    case TFormulaNameDef::nkCell:
    case TFormulaNameDef::nkArea:
      AddArea(def.SheetIndex, def.SheetIndex, static_cast<int>(def.Col1 & kColMask),
              static_cast<int>(def.Row1 & kRowMask), static_cast<int>(def.Col2 & kColMask),
              static_cast<int>(def.Row2 & kRowMask), Dep);
      break;
    case TFormulaNameDef::nkFormula:
      // A name whose definition reaches itself again stops at the evaluator's depth.
      if (def.Ptgs && def.Len > 0 && Depth < TXLSFormulaEvaluator::MAX_NAME_DEPTH)
        ScanTokens(def.Ptgs, def.Len, FormulaSheet, Depth + 1, Dep);
      break;
    default:
      break;
  }
}

void TXLSCalcChainBuilder::ScanTokens(const std::uint8_t* Ptgs, int Len, int FormulaSheet, int Depth,
                                      TDepRefsItem& Dep) {
  // The stepper's walk, except that a memory-function token is entered: the evaluator runs its
  // subexpression in place, so the references in it count.
  const std::uint8_t* p = Ptgs;
  int left = Len < 0 ? 0 : Len;
  for (int size = 0; left > 0; p += size, left -= size) {
    size = NormalizePtgClass(p[0]) == ptg8MemFunc && left >= 3 ? 3 : PtgTokenSize(p, left);
    if (p[0] == xptgBIFF8Extra) {
      const int extra = U16(p + 1);
      if (extra > left - 3) throw workbook::Exception("Illegal ptgs");
      left -= extra;
    }
    switch (NormalizePtgClass(p[0])) {
      case 0x23:
        AddName(U16(p + 1) - 1, FormulaSheet, Depth, Dep);
        break;
      case 0x39: {
        int first = -1, last = -1;
        if (ExternSheets_ && ExternSheets_->GetExtSheetTabs(U16(p + 1), first, last) && first == 0xFFFE)
          AddName(U16(p + 3) - 1, FormulaSheet, Depth, Dep);
        break;
      }
      case ptg8Ref: {
        const int col = U16(p + 3) & kBIFFColMask, row = U16(p + 1);
        AddArea(FormulaSheet, FormulaSheet, col, row, col, row, Dep);
        break;
      }
      case ptg8Area:
        AddArea(FormulaSheet, FormulaSheet, U16(p + 5) & kBIFFColMask, U16(p + 1), U16(p + 7) & kBIFFColMask,
                U16(p + 3), Dep);
        break;
      case 0x3A: {
        const int col = U16(p + 5) & kBIFFColMask, row = U16(p + 3);
        AddExtern(U16(p + 1), col, row, col, row, Dep);
        break;
      }
      case 0x3B:
        AddExtern(U16(p + 1), U16(p + 7) & kBIFFColMask, U16(p + 3), U16(p + 9) & kBIFFColMask, U16(p + 5), Dep);
        break;
      case xptgName: {
        const int index = U16(p + 1);
        if (index != PTG_NAME_NOT_FOUND) AddName(index, FormulaSheet, Depth, Dep);
        break;
      }
      case xptgRef: {
        const int col = U16(p + 5) & kColMask, row = U32(p + 1);
        AddArea(FormulaSheet, FormulaSheet, col, row, col, row, Dep);
        break;
      }
      case xptgArea:
        AddArea(FormulaSheet, FormulaSheet, U16(p + 9) & kColMask, U32(p + 1), U16(p + 11) & kColMask, U32(p + 5),
                Dep);
        break;
      case xptgRef3d:
      case xptgRef3dRange: {
        const int col = U16(p + 5) & kColMask, row = U32(p + 1);
        AddArea(p[7], p[0] == xptgRef3dRange ? p[8] : p[7], col, row, col, row, Dep);
        break;
      }
      case xptgArea3d:
      case xptgArea3dRange:
        AddArea(p[13], p[0] == xptgArea3dRange ? p[14] : p[13], U16(p + 9) & kColMask, U32(p + 1),
                U16(p + 11) & kColMask, U32(p + 5), Dep);
        break;
      default:
        break;
    }
  }
}

bool TXLSCalcChainBuilder::Build(TXLSCalcChain& Chain) {
  Chain.Clear();
  Cells_.clear();
  Relocated_.clear();
  const int sheets = Workbook_ ? Workbook_->SheetCount() : 0;
  for (int s = 0; s < sheets; ++s)
    if (workbook::TXLSCellMMU* cells = Workbook_->SheetCells(s)) CollectSheet(s, *cells);
  ColumnIds_.clear();
  Columns_.clear();
  RangeNodes_.clear();
  SheetColumns_.assign(static_cast<std::size_t>(std::max(sheets, 0)), {});
  for (const TCollected& c : Cells_) {
    auto [it, added] = ColumnIds_.emplace((static_cast<std::uint32_t>(c.Key.Sheet) << 16) | c.Key.Col,
                                          static_cast<int>(Columns_.size()));
    if (added) {
      Columns_.emplace_back();
      Columns_.back().Sheet = c.Key.Sheet;
      Columns_.back().Col = c.Key.Col;
      SheetColumns_[c.Key.Sheet].push_back(c.Key.Col);
    }
    Columns_[static_cast<std::size_t>(it->second)].Rows.push_back(c.Key.Row);  // key order: rows ascend
  }
  for (auto& columns : SheetColumns_) std::sort(columns.begin(), columns.end());

  std::vector<TDepRefsItem> deps;
  deps.reserve(Cells_.size());
  for (const TCollected& c : Cells_) {
    TDepRefsItem dep(c.Key);
    ScanTokens(c.Ptgs, c.Len, c.Key.Sheet, 0, dep);
    deps.push_back(std::move(dep));
  }
  for (TDepRefsItem& node : RangeNodes_) deps.push_back(std::move(node));
  RangeNodes_.clear();
  const bool ok = Sort_.SortDeps(deps);
  // Range nodes order the cells; they are no cells themselves.
  auto real = [](const TCellKey& K) { return K.Sheet != kRangeNodeSheet; };
  for (const TCellKey& k : Sort_.Output())
    if (real(k)) Chain.Add(k);
  SetAside_.clear();
  for (const TCellKey& k : Sort_.SetAside())
    if (real(k)) SetAside_.push_back(k);
  Loops_.clear();
  for (const TDepRefsItem& loop : Sort_.Loops()) {
    TDepRefsItem cells;
    for (int i = 0; i < loop.Count(); ++i)
      if (real(loop.Items(i))) cells.Add(loop.Items(i));
    Loops_.push_back(std::move(cells));
  }
  if (Warning_)
    for (const TDepRefsItem& loop : Loops_)
      Warning_(WARNING_CIRCULAR, u"Circular formula \"" + loop.LoopText() + u"\"");
  Chain.Trim();
  return ok;
}

}  // namespace formula
