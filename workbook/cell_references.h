// Cell addresses: the area record TXLSCellArea and its set operations, and the conversion of
// zero-based columns (0..16383) and rows (0..1048575) to and from A1 and R1C1 text. The *97
// variants work on the legacy grid of 256 columns and 65536 rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace workbook {

inline constexpr int XLS_MAXCOL = 16383;
inline constexpr int XLS_MAXROW = 1048575;
inline constexpr int XLS_MAXCOL97 = 255;
inline constexpr int XLS_MAXROW97 = 65535;

// Corners inclusive; Col1 or Row1 negative means unassigned.
struct TXLSCellArea {
  std::int32_t Row1 = -1;
  std::int32_t Row2 = -1;
  std::int32_t Col1 = -1;
  std::int32_t Col2 = -1;
  bool operator==(const TXLSCellArea&) const = default;
};

void ClearCellArea(TXLSCellArea& Area);
bool CellAreaAssigned(const TXLSCellArea& Area);
void SetCellArea(TXLSCellArea& Area, int Col, int Row);
TXLSCellArea CellAreaFromCell(int Col, int Row);
void SetCellAreaBox(TXLSCellArea& Area, int Col1, int Row1, int Col2, int Row2);
TXLSCellArea CellAreaFromBox(int Col1, int Row1, int Col2, int Row2);
bool IntersectCellArea(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R);
void UnionCellArea(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R);
void ExtendCellArea(TXLSCellArea& Area, int Col1, int Row1, int Col2, int Row2);
bool IsSingleCellArea(const TXLSCellArea& Area);
bool ValidColRow(int Col, int Row);
bool ValidArea(int Col1, int Row1, int Col2, int Row2);

// A1 text to coordinates. Only upper-case column letters are accepted.
bool RefStrToColRow(std::u16string_view S, int& Col, int& Row);
// As RefStrToColRow and reports the "$" markers; a row text that is not an integer raises
// EConvertError.
bool RefStrToColRowAbs(std::u16string_view S, int& Col, int& Row, bool& AbsCol, bool& AbsRow);
bool ColStrToCol(std::u16string_view S, int& Col);
bool RowStrToRow(std::u16string_view S, int& Row);
// A reference or an area with an optional sheet prefix; whole columns (A:C) and whole rows (2:5)
// cover the grid from index 0. Corners are not reordered.
bool AreaStrToColRow(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2);
// Exactly two references joined by ":", without sheet prefix or whole columns and rows.
bool AreaStrToColRowAbs(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2, bool& AbsCol1,
                        bool& AbsRow1, bool& AbsCol2, bool& AbsRow2);
bool AreaStrToCellArea(std::u16string_view S, TXLSCellArea& Area);

bool RefStrToColRow97(std::u16string_view S, int& Col, int& Row);
bool ColStrToCol97(std::u16string_view S, int& Col);
bool RowStrToRow97(std::u16string_view S, int& Row);
// Like AreaStrToColRow on the legacy grid, but a sheet prefix is not removed.
bool AreaStrToColRow97(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2);

// One R1C1 reference. Absolute numbers give N - 1, bracketed relative ones the offset N. A part
// that the text does not hold (R5 has no column) leaves its coordinate and flag unchanged.
bool R1C1RefStrToColRow(std::u16string_view S, int& Col, int& Row, bool& ColRel, bool& RowRel);
// One reference or two joined by ":"; absent coordinates become the grid's edges (absolute).
bool R1C1AreaStrToColRow(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2, bool& ColRel1,
                         bool& RowRel1, bool& ColRel2, bool& RowRel2);

// Coordinates to A1 text.
std::u16string ColToStr(int Col);
std::u16string ColRowToRefStr(int Col, int Row);
std::u16string ColRowToRefStrAbs(int Col, int Row, bool AbsCol, bool AbsRow);
std::u16string AreaToRefStr(int Col1, int Row1, int Col2, int Row2);
std::u16string AreaToRefStrAbs(int Col1, int Row1, int Col2, int Row2, bool AbsCol1, bool AbsRow1, bool AbsCol2,
                               bool AbsRow2);
// Coordinates carrying their "$" markers in their top bits: column bit 15, row bit 31.
std::u16string ColRowToRefStrFlagged(std::uint32_t Col, std::uint32_t Row);
std::u16string AreaToRefStrFlagged(std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2, std::uint32_t Row2);
std::u16string CellAreaToRefStr(const TXLSCellArea& Area);

}  // namespace workbook
