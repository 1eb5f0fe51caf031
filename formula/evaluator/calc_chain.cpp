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
  // Along the row vectors' runs: most cells of a sheet are values, passed over in bulk.
  Cells.ForEachCell(0, 0, workbook::XLS_MAXCOL, Cells.LastRow(), false,
                    [&](int Col, int Row, const workbook::TMMUCellRef& Ref) {
    const workbook::TCellValueKind kind = workbook::TXLSCellMMU::CellType(Ref);
    if (kind < workbook::cvkFloatFormula || kind > workbook::cvkErrorFormula) return true;
    const int formulaKind = Ref.Data[2] & 0x3F;
    if (formulaKind >= workbook::mfkArrayMember && formulaKind <= workbook::mfkDataTableMember) return true;
    const std::uint8_t* ptgs = nullptr;
    int len = 0;
    try {
      len = workbook::TXLSCellMMU::GetFormulaPtgs(Ref, ptgs);
    } catch (const std::exception& e) {
      const std::u16string sheet = SheetName_ ? SheetName_(SheetIndex) : Widen(std::to_string(SheetIndex));
      std::u16string text = Widen(e.what()) + u" [" + sheet + u"!" + workbook::ColRowToRefStr(Col, Row) + u"]";
      throw workbook::Exception(text);
    }
    // A shared formula's member reads as the master's formula moved to its own cell.
    if (len > 0 && ptgs[0] == xptgSharedMember) {
      Relocated_.emplace_back();
      SharedMemberTokens(Cells, Col, Row, ptgs, len, Relocated_.back());
      ptgs = Relocated_.back().data();
      len = static_cast<int>(Relocated_.back().size());
    }
    TCellKey key;
    key.Sheet = static_cast<std::uint16_t>(SheetIndex);
    key.Col = static_cast<std::uint16_t>(Col);
    key.Row = static_cast<std::uint32_t>(Row);
    Cells_.push_back({key, ptgs, len});
    return true;
  });
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

void TXLSCalcChainBuilder::AddArea(int Sheet1, int Sheet2, int Col1, int Row1, int Col2, int Row2, TDeps& Dep) {
  if (Col1 > Col2) std::swap(Col1, Col2);
  if (Row1 > Row2) std::swap(Row1, Row2);
  if (Sheet1 > Sheet2) std::swap(Sheet1, Sheet2);
  Sheet1 = std::max(Sheet1, 0);
  Sheet2 = std::min(Sheet2, 0xFFFF);
  for (int s = Sheet1; s <= Sheet2; ++s) {
    if (Col1 == Col2 && Row1 == Row2) {
      TCellKey key;
      key.Sheet = static_cast<std::uint16_t>(s);
      key.Col = static_cast<std::uint16_t>(Col1);
      key.Row = static_cast<std::uint32_t>(Row1);
      const int i = FindCell(key);
      if (i >= 0) Dep.push_back(static_cast<std::uint32_t>(i));
      continue;
    }
    if (static_cast<std::size_t>(s) >= SheetColumns_.size()) continue;
    const std::vector<std::uint16_t>& columns = SheetColumns_[static_cast<std::size_t>(s)];
    AreaScratch_.clear();
    int used = 0;
    for (auto c = std::lower_bound(columns.begin(), columns.end(), static_cast<std::uint16_t>(std::min(Col1, 0xFFFF)));
         c != columns.end() && *c <= Col2; ++c) {
      const int column = ColumnIds_.find((static_cast<std::uint32_t>(s) << 16) | *c)->second;
      const TColumnCells& col = Columns_[static_cast<std::size_t>(column)];
      const auto lo = std::lower_bound(col.Rows.begin(), col.Rows.end(), static_cast<std::uint32_t>(Row1));
      const auto hi = std::upper_bound(lo, col.Rows.end(), static_cast<std::uint32_t>(Row2));
      if (lo == hi) continue;
      const auto from = static_cast<std::uint32_t>(lo - col.Rows.begin()), to = static_cast<std::uint32_t>(hi - col.Rows.begin());
      if (hi - lo >= kRangeNodeMin) {
        AddColumnRange(column, from, to, Dep);
        continue;
      }
      ++used;
      for (std::uint32_t k = from; k < to; ++k) AreaScratch_.push_back(col.Cells[k]);
    }
    // In key order (by row, then column), as the cells lie in the sheet: the cells' numbers ascend
    // with their keys.
    if (used > 1) std::sort(AreaScratch_.begin(), AreaScratch_.end());
    Dep.insert(Dep.end(), AreaScratch_.begin(), AreaScratch_.end());
  }
}

// Dependencies on the formula cells Lo..Hi - 1 of the column: the tree nodes that cover the range
// exactly, each numbered and given its dependencies (with the nodes below it) when first used.
void TXLSCalcChainBuilder::AddColumnRange(int Column, std::uint32_t Lo, std::uint32_t Hi, TDeps& Dep) {
  TColumnCells& col = Columns_[static_cast<std::size_t>(Column)];
  if (col.Leaves == 0) {
    col.Leaves = 1;
    while (col.Leaves < col.Rows.size()) col.Leaves <<= 1;
    col.NodeIds.assign(col.Leaves, 0);
  }
  const std::uint32_t cellCount = static_cast<std::uint32_t>(Cells_.size());
  // The number of internal node N, made (with the nodes below it) when N is first used.
  auto make = [&](std::uint32_t N) {
    if (col.NodeIds[N]) return col.NodeIds[N];
    std::vector<std::uint32_t> todo{N};
    while (!todo.empty()) {
      const std::uint32_t v = todo.back();
      if (!col.NodeIds[v]) col.NodeIds[v] = cellCount + static_cast<std::uint32_t>(RangeNodes_.size()) + 1, RangeNodes_.emplace_back();
      // Children first, so that their numbers are known.
      bool waiting = false;
      for (std::uint32_t child : {2 * v, 2 * v + 1}) {
        if (child >= col.Leaves) continue;
        std::uint32_t leaf = child;
        while (leaf < col.Leaves) leaf <<= 1;
        if (leaf - col.Leaves >= col.Rows.size() || col.NodeIds[child]) continue;
        todo.push_back(child);
        waiting = true;
      }
      if (waiting) continue;
      todo.pop_back();
      TDeps& deps = RangeNodes_[col.NodeIds[v] - cellCount - 1];
      if (!deps.empty()) continue;
      for (std::uint32_t child : {2 * v, 2 * v + 1}) {
        if (child >= col.Leaves) {
          if (child - col.Leaves < col.Rows.size()) deps.push_back(col.Cells[child - col.Leaves]);
        } else if (col.NodeIds[child]) {
          deps.push_back(col.NodeIds[child] - 1);
        }
      }
    }
    return col.NodeIds[N];
  };
  auto use = [&](std::uint32_t N) { Dep.push_back(N >= col.Leaves ? col.Cells[N - col.Leaves] : make(N) - 1); };
  for (std::uint32_t l = Lo + col.Leaves, r = Hi + col.Leaves; l < r; l >>= 1, r >>= 1) {
    if (l & 1) use(l++);
    if (r & 1) use(--r);
  }
}

void TXLSCalcChainBuilder::AddExtern(int ExtIndex, int Col1, int Row1, int Col2, int Row2, TDeps& Dep) {
  int first = -1, last = -1;
  if (!ExternSheets_) return;
  ExternSheets_->GetExtSheetTabs(ExtIndex, first, last);
  // Sheets of other workbooks and this workbook's names (0xFFFE) hold no formula cells here.
  if (first < 0 || last < 0 || first >= 0xFFFE || last >= 0xFFFE) return;
  AddArea(first, last, Col1, Row1, Col2, Row2, Dep);
}

void TXLSCalcChainBuilder::AddName(int Index, int FormulaSheet, int Depth, TDeps& Dep) {
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
      if (std::find(NamesScanned_.begin(), NamesScanned_.end(), Index) != NamesScanned_.end()) break;
      NamesScanned_.push_back(Index);
      if (def.Ptgs && def.Len > 0 && Depth < TXLSFormulaEvaluator::MAX_NAME_DEPTH)
        ScanTokens(def.Ptgs, def.Len, FormulaSheet, Depth + 1, Dep);
      break;
    default:
      break;
  }
}

void TXLSCalcChainBuilder::ScanTokens(const std::uint8_t* Ptgs, int Len, int FormulaSheet, int Depth,
                                      TDeps& Dep) {
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
  for (std::size_t i = 0; i < Cells_.size(); ++i) {
    const TCellKey& key = Cells_[i].Key;
    auto [it, added] =
        ColumnIds_.emplace((static_cast<std::uint32_t>(key.Sheet) << 16) | key.Col, static_cast<int>(Columns_.size()));
    if (added) {
      Columns_.emplace_back();
      SheetColumns_[key.Sheet].push_back(key.Col);
    }
    TColumnCells& col = Columns_[static_cast<std::size_t>(it->second)];
    col.Rows.push_back(key.Row);  // the cells come in key order: rows ascend
    col.Cells.push_back(static_cast<std::uint32_t>(i));
  }
  for (auto& columns : SheetColumns_) std::sort(columns.begin(), columns.end());

  // Cell i depends on deps[first[i]] .. deps[first[i + 1] - 1]; range nodes follow the cells.
  std::vector<std::uint32_t> first{0}, deps;
  TDeps dep;
  for (const TCollected& c : Cells_) {
    dep.clear();
    NamesScanned_.clear();
    ScanTokens(c.Ptgs, c.Len, c.Key.Sheet, 0, dep);
    deps.insert(deps.end(), dep.begin(), dep.end());
    first.push_back(static_cast<std::uint32_t>(deps.size()));
  }
  std::vector<TCellKey> keys;
  keys.reserve(Cells_.size() + RangeNodes_.size());
  for (const TCollected& c : Cells_) keys.push_back(c.Key);
  for (std::size_t k = 0; k < RangeNodes_.size(); ++k) {
    TCellKey node;
    node.Sheet = kRangeNodeSheet;
    node.Row = static_cast<std::uint32_t>(k);
    keys.push_back(node);
    deps.insert(deps.end(), RangeNodes_[k].begin(), RangeNodes_[k].end());
    first.push_back(static_cast<std::uint32_t>(deps.size()));
  }
  RangeNodes_.clear();
  const bool ok = Sort_.SortNodes(keys, first, deps);
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
