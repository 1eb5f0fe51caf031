// Orders formula cells so that each comes after the formula cells it depends on, and finds the
// circular references among them. A cell on a loop, and every cell that depends on one, is set aside
// instead of ordered: the rest of the workbook still calculates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace formula {

// A cell of the workbook; ordered by sheet, then row, then column.
struct TCellKey {
  std::uint16_t Sheet = 0;
  std::uint16_t Col = 0;
  std::uint32_t Row = 0;

  friend bool operator==(const TCellKey&, const TCellKey&) = default;
};

int CompareCellKeys(const TCellKey& A, const TCellKey& B);
inline bool SameCellKey(const TCellKey& A, const TCellKey& B) { return A == B; }
inline bool operator<(const TCellKey& A, const TCellKey& B) { return CompareCellKeys(A, B) < 0; }

// Entry 0 is a formula cell, the following entries the formula cells it depends on.
class TDepRefsItem {
public:
  TDepRefsItem() = default;
  explicit TDepRefsItem(const TCellKey& Cell) { Items_.push_back(Cell); }
  void Add(const TCellKey& Key) { Items_.push_back(Key); }
  int Count() const { return static_cast<int>(Items_.size()); }
  const TCellKey& Items(int Index) const { return Items_.at(static_cast<std::size_t>(Index)); }
  void Trim() { Items_.shrink_to_fit(); }
  // "0!A1->0!B1": sheet index, "!" and the A1 reference of each entry, in order.
  std::u16string LoopText() const;

private:
  std::vector<TCellKey> Items_;
};

class TTopoSort {
public:
  // One pair list entry per dependency: (formula cell, cell it depends on). Returns True when no
  // loop was found.
  bool SortDeps(const std::vector<TDepRefsItem>& Deps);
  // Pairs taken two at a time as above; an odd count raises "Odd number items in input". Isolated
  // cells may be given as a pair of a cell with itself (a cell that depends on itself is no loop).
  bool Sort(const std::vector<TCellKey>& Pairs);
  // The same over numbered cells: Keys in ascending order, cell i depending on the cells
  // Deps[DepFirst[i]] .. Deps[DepFirst[i + 1] - 1] (numbers into Keys; a cell's dependency on itself
  // is no loop). No key is sorted or searched, so the work grows with the cells and dependencies.
  bool SortNodes(const std::vector<TCellKey>& Keys, const std::vector<std::uint32_t>& DepFirst,
                 const std::vector<std::uint32_t>& Deps);

  // Cells in calculation order: every cell after the cells it depends on; among cells that are
  // free at the same time, in key order.
  const std::vector<TCellKey>& Output() const { return Output_; }
  // The cells left out: those on a loop and those that depend on one, in key order.
  const std::vector<TCellKey>& SetAside() const { return SetAside_; }
  // One entry per loop found; each loop lists its cells so that each depends on the one before
  // and the first on the last.
  const std::vector<TDepRefsItem>& Loops() const { return Loops_; }

private:
  // Kahn's walk over the successor lists (First, Succ: the cells depending on each cell, ascending),
  // then the loops among the cells left.
  bool Run(const std::vector<TCellKey>& Keys, const std::vector<std::uint32_t>& First,
           const std::vector<std::uint32_t>& Succ);
  std::vector<TCellKey> Output_;
  std::vector<TCellKey> SetAside_;
  std::vector<TDepRefsItem> Loops_;
};

}  // namespace formula
