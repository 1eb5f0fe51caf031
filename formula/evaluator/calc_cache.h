// TCalcCache: work that the formulas of one calculation share. Ranges read by several formulas from
// the same first row (running totals such as SUM($A$1:A9)) keep their running aggregates row by
// row, and a range searched by several lookups gets an index. A cache lives for one calculation; a
// cell that changes meanwhile (a formula's result, an array formula's element) cuts back or drops
// what covers it, so every formula reads the cells as they are when it is calculated.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "formula/support/var_value.h"
#include "workbook/cell_store.h"

namespace formula {

class TCalcCache {
public:
  // The numbers of a rectangle in reading order, as the aggregates collect them: their sum (added
  // one by one from 0, in reading order), count, least and greatest, or the first error met.
  struct TNumberStats {
    double Sum = 0;
    long long Count = 0;
    double Min = 0, Max = 0;
    std::uint8_t Error = 0;
  };
  // The stats of the rectangle from the running aggregates of its columns and first row; False
  // when the rectangle has none yet (the first formula to read it walks it itself: only a range
  // read again gets running aggregates).
  bool RangeNumbers(workbook::TXLSCellMMU* Cells, int Col1, int Row1, int Col2, int Row2, TNumberStats& Stats);

  // Positions along a line of cells (one column or one row of a sheet, Length cells from Col1,
  // Row1): the first that equals a value as the exact lookups compare (same type; texts without
  // regard to case), and the last that a value reaches as the approximate ones do (an item of the
  // value's type not above it; booleans and errors only when equal).
  class TLineIndex {
  public:
    // -1 when none.
    long FirstEqual(const TXLSVarValue& Value) const;
    long LastNotAbove(const TXLSVarValue& Value) const;

  private:
    friend class TCalcCache;
    struct TSorted {
      std::vector<double> Numbers;
      std::vector<std::u16string> Texts;
      std::vector<long> LastPos;  // the greatest position among the first i + 1 sorted items
    };
    // The first position of each number: open addressing over a power-of-two table (one probe
    // sequence in one array, so a search touches little memory).
    struct TNumberSlot {
      double Key;
      long Pos;  // -1: empty
    };
    std::vector<TNumberSlot> Numbers_;
    void AddNumber(double Key, long Pos);
    static std::size_t HashNumber(double Key);
    std::unordered_map<std::u16string, long> Texts_;  // by collation key
    long Booleans_[2] = {-1, -1}, LastBooleans_[2] = {-1, -1};
    long Errors_[256], LastErrors_[256];
    TSorted SortedNumbers_, SortedTexts_;
  };
  // The index of the line, built when a lookup searches it a second time; nullptr before.
  const TLineIndex* LineIndex(workbook::TXLSCellMMU* Cells, int Col1, int Row1, bool Vertical, long Length);

  // A cell of Cells changed: what covers it no longer holds.
  void CellChanged(const workbook::TXLSCellMMU* Cells, int Col, int Row);
  // Anything may have changed.
  void Clear();

private:
  struct TKey {
    const workbook::TXLSCellMMU* Cells;
    int A, B, C;
    long D;
    bool operator==(const TKey& O) const { return Cells == O.Cells && A == O.A && B == O.B && C == O.C && D == O.D; }
  };
  struct TKeyHash {
    std::size_t operator()(const TKey& K) const;
  };
  struct TColumnKey {
    const workbook::TXLSCellMMU* Cells;
    int Col;
    bool operator==(const TColumnKey& O) const { return Cells == O.Cells && Col == O.Col; }
  };
  struct TColumnHash {
    std::size_t operator()(const TColumnKey& K) const;
  };
  // Running aggregates of the columns Col1..Col2 from Row1 on: entry k covers rows Row1..Row1 + k.
  struct TEntry {
    double Sum, Min, Max;
    long long Count;
  };
  struct TRunning {
    workbook::TXLSCellMMU* Cells = nullptr;
    int Col1 = 0, Col2 = 0, Row1 = 0;
    std::vector<TEntry> Entries;  // those that hold
    long ErrorAt = -1;  // the entry of the first error, -1 for none among Entries
    std::uint8_t ErrorCode = 0;
  };
  // The stats of a rectangle as last read (AVERAGE, MIN and MAX of one range read it once), valid
  // while none of its columns has changed since: Stamp is the sum of their change counts then. A
  // read with another last row turns the rectangle's columns and first row into running totals.
  struct TFirstRead {
    int Row2 = 0;  // as clipped to the sheet's last row
    std::uint64_t Stamp = 0;
    TNumberStats Stats;
  };
  std::uint64_t ColumnsStamp(const workbook::TXLSCellMMU* Cells, int Col1, int Col2) const;
  struct TLine {
    int Col1 = 0, Row1 = 0;
    bool Vertical = true;
    long Length = 0;
    std::unique_ptr<TLineIndex> Index;  // nullptr once a change dropped it
  };
  void Extend(TRunning& R, long Entries);
  enum TWatcherKind : std::uint8_t { wkRunning, wkLine };
  struct TWatcher {
    TWatcherKind Kind;
    int Id;
  };
  void Watch(const workbook::TXLSCellMMU* Cells, int Col1, int Col2, TWatcher W);

  std::unordered_set<TKey, TKeyHash> Seen_;
  std::unordered_map<TKey, TFirstRead, TKeyHash> FirstReads_;
  std::unordered_map<TKey, int, TKeyHash> RunningIds_, LineIds_;
  std::vector<TRunning> Running_;
  // Changes seen in each column (only columns that changed have an entry).
  std::unordered_map<TColumnKey, std::uint64_t, TColumnHash> ColumnChanges_;
  std::vector<TLine> Lines_;
  // What covers each column.
  std::unordered_map<TColumnKey, std::vector<TWatcher>, TColumnHash> Watchers_;
  std::size_t Entries_ = 0;  // running entries and indexed cells held, against a bound
  // The last row of each sheet read, as TXLSCellMMU::LastRow gives it; a change below it moves it.
  std::unordered_map<const workbook::TXLSCellMMU*, int> LastRows_;
  int LastRow(workbook::TXLSCellMMU* Cells);
};

}  // namespace formula
