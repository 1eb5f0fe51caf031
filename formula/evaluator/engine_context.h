// What the formula engine reads of the workbook and of the legacy-format subsystem, as small
// interfaces: the sheets' cell stores, the legacy extern-sheet table and the BIFF8 formula decoder.
// The spreadsheet component plugs the real objects in; tests use fakes.
#pragma once

#include <cstdint>
#include <string>

#include "workbook/cell_store.h"

namespace formula {

// The sheets of the workbook being calculated.
class IFormulaWorkbook {
public:
  virtual ~IFormulaWorkbook() = default;
  virtual int SheetCount() const = 0;
  // The cell store of sheet Index, nullptr when there is no such sheet.
  virtual workbook::TXLSCellMMU* SheetCells(int Index) = 0;
};

// The legacy document's extern-sheet table (EXTERNSHEET entries).
class IExternSheetResolver {
public:
  virtual ~IExternSheetResolver() = default;
  // The first and last sheet of entry Index; True when they are equal. False as well for an index
  // the table does not hold (then both are -1). A first sheet of 0xFFFE names this workbook's own
  // names.
  virtual bool GetExtSheetTabs(int Index, int& First, int& Last) const = 0;
};

// The legacy document's BIFF8 formula decoder: tokens (behind their 0xFF/0xFE lead) to text.
class IBIFF8FormulaDecoder {
public:
  virtual ~IBIFF8FormulaDecoder() = default;
  virtual std::u16string DecodeFormula(const std::uint8_t* Ptgs, int Len, char16_t ListSeparator) = 0;
};

}  // namespace formula
