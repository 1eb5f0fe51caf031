// The calculation chain: every compiled formula cell of the workbook in an order in which each one
// comes after the formula cells it refers to (directly, through defined names, or through lookup
// tables). Formulas on a circular reference, and those that depend on one, are left out of the chain
// and keep their cached results; one warning names each loop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/evaluator.h"
#include "formula/evaluator/topo_sort.h"

namespace formula {

class TXLSCalcChain {
public:
  int Count() const { return static_cast<int>(Items_.size()); }
  const TCellKey& Items(int Index) const { return Items_.at(static_cast<std::size_t>(Index)); }
  void Clear() { Items_.clear(); }
  void Add(const TCellKey& Key) { Items_.push_back(Key); }
  void Trim() { Items_.shrink_to_fit(); }

private:
  std::vector<TCellKey> Items_;
};

// Receives each circular reference: code 3002 and "Circular formula \"0!A1->0!B1\"".
using TXLSChainWarningHandler = std::function<void(int Code, const std::u16string& Text)>;

class TXLSCalcChainBuilder {
public:
  static constexpr int WARNING_CIRCULAR = 3002;

  explicit TXLSCalcChainBuilder(IFormulaWorkbook* Workbook) : Workbook_(Workbook) {}

  void SetNames(IFormulaNames* Names) { Names_ = Names; }
  void SetExternSheets(IExternSheetResolver* Resolver) { ExternSheets_ = Resolver; }
  void SetWarningHandler(TXLSChainWarningHandler Handler) { Warning_ = std::move(Handler); }
  // The name shown in the message for an uncompiled formula; the sheet index when unset.
  void SetSheetNames(std::function<std::u16string(int)> SheetName) { SheetName_ = std::move(SheetName); }

  // Rebuilds Chain; True when no circular reference was found. Raises for a formula cell without
  // compiled tokens ("... [Sheet!A1]") and for token strings it cannot walk.
  bool Build(TXLSCalcChain& Chain);

  // After Build: the formula cells left out because of circular references, in key order.
  const std::vector<TCellKey>& SetAside() const { return SetAside_; }
  const std::vector<TDepRefsItem>& Loops() const { return Loops_; }

private:
  struct TCollected {
    TCellKey Key;
    const std::uint8_t* Ptgs;
    int Len;
  };

  void CollectSheet(int SheetIndex, workbook::TXLSCellMMU& Cells);
  int FindCell(const TCellKey& Key) const;
  // The first collected cell whose key is not below Key.
  std::size_t LowerBound(const TCellKey& Key) const;
  // The numbers of the cells (and range nodes) a formula depends on.
  using TDeps = std::vector<std::uint32_t>;
  void ScanTokens(const std::uint8_t* Ptgs, int Len, int FormulaSheet, int Depth, TDeps& Dep);
  void AddName(int Index, int FormulaSheet, int Depth, TDeps& Dep);
  void AddArea(int Sheet1, int Sheet2, int Col1, int Row1, int Col2, int Row2, TDeps& Dep);
  void AddExtern(int ExtIndex, int Col1, int Row1, int Col2, int Row2, TDeps& Dep);

  IFormulaWorkbook* Workbook_;
  IFormulaNames* Names_ = nullptr;
  IExternSheetResolver* ExternSheets_ = nullptr;
  TXLSChainWarningHandler Warning_;
  std::function<std::u16string(int)> SheetName_;
  std::vector<TCollected> Cells_;
  // The formula names already scanned for the formula at hand: their references are in its
  // dependencies, and scanning one again would let N = N+N fan out into 2^depth scans.
  std::vector<int> NamesScanned_;
  // The rows of the formula cells of each column (key sheet << 16 | column), ascending, and the
  // columns of each sheet that hold formula cells, ascending: an area finds its formula cells
  // without passing the others of its rows.
  std::unordered_map<std::uint32_t, int> ColumnIds_;
  // The formula cells of one column, and the range nodes over them: an area that covers many of
  // them depends on a few nodes of a segment tree (each node on its two halves) instead of on every
  // cell, so wide and overlapping ranges cost O(log n) dependencies each.
  struct TColumnCells {
    std::vector<std::uint32_t> Rows;   // ascending
    std::vector<std::uint32_t> Cells;  // the numbers of those cells in Cells_
    std::uint32_t Leaves = 0;          // the power of two the tree spans
    std::vector<std::uint32_t> NodeIds;  // 1 + the number of each internal node made, 0 before
  };
  std::vector<TColumnCells> Columns_;
  std::vector<std::vector<std::uint16_t>> SheetColumns_;
  std::vector<std::uint32_t> AreaScratch_;
  std::vector<TDeps> RangeNodes_;  // the dependencies of range node k (numbered after the cells)
  std::vector<TCellKey> SetAside_;
  std::vector<TDepRefsItem> Loops_;
  void AddColumnRange(int Column, std::uint32_t Lo, std::uint32_t Hi, TDeps& Dep);
  // Byte code derived for the members of shared formulas (0xB8), kept while the chain is built.
  std::deque<std::vector<std::uint8_t>> Relocated_;
  TTopoSort Sort_;
};

}  // namespace formula
