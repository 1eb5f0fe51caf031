// Rows and columns inserted into or deleted from a sheet: the parts of the sheet that refer to its
// cells (merged cells, hyperlinks, conditional formats, validations, notes, protected ranges,
// ignored errors, autofilter, tables) and
// the references of defined names into it follow. An area keeps the cells it had at their new
// places; one that straddles an insertion grows, one that loses cells shrinks, one that loses all
// of them (or is pushed off the sheet) goes.
#pragma once

#include <cstdint>

#include "workbook/cell_references.h"

namespace workbook {

class TXc12DataWorksheet;
class TXc12DefinedNames;

struct TXc12SheetShift {
  enum TKind : std::uint8_t { InsertRows, DeleteRows, InsertColumns, DeleteColumns };
  TKind Kind = InsertRows;
  int First = 0;  // first row or column inserted or deleted
  int Count = 0;
};

// The area after the shift; False when none of its cells remains.
bool ShiftArea(const TXc12SheetShift& Shift, TXLSCellArea& Area);
// The cell after the shift; False when it was deleted or pushed off the sheet.
bool ShiftCell(const TXc12SheetShift& Shift, int& Col, int& Row);

void ShiftSheetParts(TXc12DataWorksheet& Sheet, const TXc12SheetShift& Shift);
// Cell and area references of names into sheet SheetIndex; a reference that loses every cell
// becomes invalid. The absolute flags of the coordinates (column bit 15, row bit 31) are kept.
void ShiftNameReferences(TXc12DefinedNames& Names, int SheetIndex, const TXc12SheetShift& Shift);

}  // namespace workbook
