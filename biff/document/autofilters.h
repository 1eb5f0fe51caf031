// The autofilter of one .xls sheet in its file form: FILTERMODE, AUTOFILTERINFO and one AUTOFILTER
// record per filtered column, each with up to two conditions (DOPER structures). The filtered
// range itself is the sheet's built-in filter-database name; the drop-down arrows are combo-box
// objects of the sheet's drawing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/rule_records.h"

namespace biff {

// Comparison codes of a condition.
enum TAutoFilterCompare : std::uint8_t {
  afcNone, afcLess, afcEqual, afcLessEqual, afcGreater, afcNotEqual, afcGreaterEqual
};
// What a condition compares with.
enum TAutoFilterKind : std::uint8_t {
  afkNone, afkNumber, afkString, afkBoolean, afkError, afkAllBlanks, afkAllNonBlanks
};

struct TAutoFilterCondition {
  std::uint8_t Operator = afcNone;
  std::uint8_t Kind = afkNone;
  double Number = 0;
  std::u16string Text;
  std::uint8_t Value = 0;  // the Boolean or the error code
};

// AUTOFILTER option flags: how the two conditions join, which are simple equalities, top-10 mode.
inline constexpr std::uint16_t AF_JOIN_OR = 0x0001;
inline constexpr std::uint16_t AF_SIMPLE1 = 0x0004;
inline constexpr std::uint16_t AF_SIMPLE2 = 0x0008;
inline constexpr std::uint16_t AF_TOP10 = 0x0010;
inline constexpr std::uint16_t AF_TOP = 0x0020;
inline constexpr std::uint16_t AF_PERCENT = 0x0040;

class TAutoFilter {
public:
  int DropDownId = 0;         // the id of its drop-down object (0: none known)
  std::uint16_t Column = 0;   // within the filter range
  std::uint16_t Options = 0;  // as read
  TAutoFilterCondition Condition1, Condition2;

  // An AUTOFILTER body. The strings of string conditions follow the two DOPERs.
  void ReadFromRecord(const std::uint8_t* Body, int Len);
  TRawRecord Record() const;
};

class TAutoFilters {
public:
  // Entry i is the filter of column i of the range, or nullptr for a column without a filter.
  int Count() const { return static_cast<int>(Items_.size()); }
  TAutoFilter* Items(int Index) const;
  TAutoFilter& Add(int Column);
  void AddEmpty() { Items_.emplace_back(); }
  void Clear();

  bool FilterMode = false;  // a FILTERMODE record was read
  bool HasInfo = false;     // an AUTOFILTERINFO record was read
  // The entry count of the last AUTOFILTERINFO: the number of drop-down arrows (columns).
  int InfoCount = 0;

  void ReadFILTERMODE() { FilterMode = true; }
  void ReadAUTOFILTERINFO(const std::uint8_t* Body, int Len);
  // Reads an AUTOFILTER record into a filter placed at its column.
  void ReadAUTOFILTER(const std::uint8_t* Body, int Len);
  // FILTERMODE when a column is filtered (or one was read), AUTOFILTERINFO with the number of
  // columns, then each filter with its column index.
  std::vector<TRawRecord> Records();

private:
  std::vector<std::unique_ptr<TAutoFilter>> Items_;
};

}  // namespace biff
