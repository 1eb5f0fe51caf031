#include "workbook/cell_references.h"

#include <algorithm>
#include <climits>
#include <string>

#include "workbook/exceptions.h"

namespace workbook {

// ---- areas ----------------------------------------------------------------------------------

void ClearCellArea(TXLSCellArea& Area) { Area = TXLSCellArea{}; }
bool CellAreaAssigned(const TXLSCellArea& Area) { return Area.Col1 >= 0 && Area.Row1 >= 0; }
void SetCellArea(TXLSCellArea& Area, int Col, int Row) { SetCellAreaBox(Area, Col, Row, Col, Row); }
TXLSCellArea CellAreaFromCell(int Col, int Row) { return CellAreaFromBox(Col, Row, Col, Row); }

void SetCellAreaBox(TXLSCellArea& Area, int Col1, int Row1, int Col2, int Row2) {
  Area.Col1 = Col1;
  Area.Row1 = Row1;
  Area.Col2 = Col2;
  Area.Row2 = Row2;
}

TXLSCellArea CellAreaFromBox(int Col1, int Row1, int Col2, int Row2) {
  TXLSCellArea a;
  SetCellAreaBox(a, Col1, Row1, Col2, Row2);
  return a;
}

bool IntersectCellArea(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R) {
  R.Col1 = std::max(A.Col1, B.Col1);
  R.Row1 = std::max(A.Row1, B.Row1);
  R.Col2 = std::min(A.Col2, B.Col2);
  R.Row2 = std::min(A.Row2, B.Row2);
  return R.Col2 >= R.Col1 && R.Row2 >= R.Row1;
}

void UnionCellArea(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R) {
  R.Col1 = std::min(A.Col1, B.Col1);
  R.Row1 = std::min(A.Row1, B.Row1);
  R.Col2 = std::max(A.Col2, B.Col2);
  R.Row2 = std::max(A.Row2, B.Row2);
}

void ExtendCellArea(TXLSCellArea& Area, int Col1, int Row1, int Col2, int Row2) {
  UnionCellArea(Area, CellAreaFromBox(Col1, Row1, Col2, Row2), Area);
}

bool IsSingleCellArea(const TXLSCellArea& Area) { return Area.Col1 == Area.Col2 && Area.Row1 == Area.Row2; }

bool ValidColRow(int Col, int Row) { return Col >= 0 && Col <= XLS_MAXCOL && Row >= 0 && Row <= XLS_MAXROW; }

bool ValidArea(int Col1, int Row1, int Col2, int Row2) { return ValidColRow(Col1, Row1) && ValidColRow(Col2, Row2); }

// ---- A1 parsing -----------------------------------------------------------------------------

namespace {

struct Grid {
  int maxcol;
  int maxrow;
};
constexpr Grid kGrid{XLS_MAXCOL, XLS_MAXROW};
constexpr Grid kGrid97{XLS_MAXCOL97, XLS_MAXROW97};

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool is_upper(char16_t c) { return c >= u'A' && c <= u'Z'; }

// Base-26 value of upper-case letters (A = 1); values past any grid are capped so they stay out
// of range without overflowing.
long long letters_value(std::u16string_view s) {
  long long v = 0;
  for (char16_t c : s) v = std::min<long long>(v * 26 + (c - u'A' + 1), 1LL << 40);
  return v;
}

// Decimal value of digits, capped like letters_value; -1 for an empty text.
long long digits_value(std::u16string_view s) {
  if (s.empty()) return -1;
  long long v = 0;
  for (char16_t c : s) v = std::min<long long>(v * 10 + (c - u'0'), 1LL << 40);
  return v;
}

struct ParsedRef {
  bool ok = false;
  bool absCol = false;
  bool absRow = false;
  long long col = 0;  // 1-based letters value
  std::u16string_view rowText;
};

// Steps shared by the A1 parsers: the row digits at the end, an optional "$", the column letters
// and an optional "$" before them, nothing else.
ParsedRef split_ref(std::u16string_view S) {
  ParsedRef r;
  if (S.empty()) return r;
  std::size_t p = S.size();
  while (p > 0 && is_digit(S[p - 1])) --p;
  r.rowText = S.substr(p);
  std::size_t q = p;
  if (q > 0 && S[q - 1] == u'$') {
    r.absRow = true;
    --q;
  }
  std::size_t start = q;
  while (start > 0 && is_upper(S[start - 1])) --start;
  if (start == q) return r;
  if (start > 0) {
    if (start == 1 && S[0] == u'$')
      r.absCol = true;
    else
      return r;
  }
  r.col = letters_value(S.substr(start, q - start));
  r.ok = true;
  return r;
}

bool ref_to_colrow(std::u16string_view S, int& Col, int& Row, const Grid& g) {
  ParsedRef r = split_ref(S);
  if (!r.ok) return false;
  long long row = digits_value(r.rowText);
  if (row < 0) return false;
  long long c = r.col - 1, rw = row - 1;
  if (c < 0 || c > g.maxcol || rw < 0 || rw > g.maxrow) return false;
  Col = static_cast<int>(c);
  Row = static_cast<int>(rw);
  return true;
}

bool col_to_col(std::u16string_view S, int& Col, const Grid& g) {
  if (!S.empty() && S[0] == u'$') S.remove_prefix(1);
  if (S.empty() || !std::all_of(S.begin(), S.end(), is_upper)) return false;
  long long c = letters_value(S) - 1;
  if (c > g.maxcol) return false;
  Col = static_cast<int>(c);
  return true;
}

bool row_to_row(std::u16string_view S, int& Row, const Grid& g) {
  if (!S.empty() && S[0] == u'$') S.remove_prefix(1);
  if (S.empty() || !std::all_of(S.begin(), S.end(), is_digit)) return false;
  long long r = digits_value(S) - 1;
  if (r < 0 || r > g.maxrow) return false;
  Row = static_cast<int>(r);
  return true;
}

bool area_to_colrow(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2, const Grid& g) {
  auto colon = S.find(u':');
  if (colon == std::u16string_view::npos) {
    bool ok = ref_to_colrow(S, Col1, Row1, g);
    Col2 = Col1;
    Row2 = Row1;
    return ok;
  }
  std::u16string_view A = S.substr(0, colon), B = S.substr(colon + 1);
  bool ok = ref_to_colrow(A, Col1, Row1, g) && ref_to_colrow(B, Col2, Row2, g);
  if (ok) return true;
  if (col_to_col(A, Col1, g)) {
    ok = col_to_col(B, Col2, g) && Col2 >= Col1;
    if (ok) {
      // Whole columns cover every row, the first one included.
      Row1 = 0;
      Row2 = g.maxrow;
    }
  } else if (row_to_row(A, Row1, g)) {
    ok = row_to_row(B, Row2, g) && Row2 >= Row1;
    if (ok) {
      Col1 = 0;
      Col2 = g.maxcol;
    }
  }
  return ok;
}

}  // namespace

bool RefStrToColRow(std::u16string_view S, int& Col, int& Row) { return ref_to_colrow(S, Col, Row, kGrid); }
bool RefStrToColRow97(std::u16string_view S, int& Col, int& Row) { return ref_to_colrow(S, Col, Row, kGrid97); }

bool RefStrToColRowAbs(std::u16string_view S, int& Col, int& Row, bool& AbsCol, bool& AbsRow) {
  ParsedRef r = split_ref(S);
  if (!r.ok) return false;
  AbsCol = r.absCol;
  AbsRow = r.absRow;
  if (r.rowText.empty() || r.rowText.size() > 10 || digits_value(r.rowText) > INT_MAX) {
    throw EConvertError("'" + std::string(r.rowText.begin(), r.rowText.end()) + "' is not a valid integer value");
  }
  long long c = r.col - 1, rw = digits_value(r.rowText) - 1;
  if (c < 0 || c > XLS_MAXCOL || rw < 0 || rw > XLS_MAXROW) return false;
  Col = static_cast<int>(c);
  Row = static_cast<int>(rw);
  return true;
}

bool ColStrToCol(std::u16string_view S, int& Col) { return col_to_col(S, Col, kGrid); }
bool ColStrToCol97(std::u16string_view S, int& Col) { return col_to_col(S, Col, kGrid97); }
bool RowStrToRow(std::u16string_view S, int& Row) { return row_to_row(S, Row, kGrid); }
bool RowStrToRow97(std::u16string_view S, int& Row) { return row_to_row(S, Row, kGrid97); }

bool AreaStrToColRow(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2) {
  auto bang = S.find(u'!');
  if (bang != std::u16string_view::npos && bang > 0) S = S.substr(bang + 1);
  return area_to_colrow(S, Col1, Row1, Col2, Row2, kGrid);
}

bool AreaStrToColRow97(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2) {
  return area_to_colrow(S, Col1, Row1, Col2, Row2, kGrid97);
}

bool AreaStrToColRowAbs(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2, bool& AbsCol1,
                        bool& AbsRow1, bool& AbsCol2, bool& AbsRow2) {
  auto colon = S.find(u':');
  if (colon == std::u16string_view::npos) return false;
  return RefStrToColRowAbs(S.substr(0, colon), Col1, Row1, AbsCol1, AbsRow1) &&
         RefStrToColRowAbs(S.substr(colon + 1), Col2, Row2, AbsCol2, AbsRow2);
}

bool AreaStrToCellArea(std::u16string_view S, TXLSCellArea& Area) {
  if (S.empty()) {
    ClearCellArea(Area);
    return false;
  }
  if (S.find(u':') == std::u16string_view::npos) {
    bool ok = RefStrToColRow(S, Area.Col1, Area.Row1);
    Area.Col2 = Area.Col1;
    Area.Row2 = Area.Row1;
    return ok;
  }
  return AreaStrToColRow(S, Area.Col1, Area.Row1, Area.Col2, Area.Row2);
}

// ---- R1C1 parsing ---------------------------------------------------------------------------

namespace {

// "[n]" relative or "n" absolute, with an optional sign.
bool r1c1_number(std::u16string_view s, int& Value, bool& Rel) {
  bool rel = false;
  if (!s.empty() && s.front() == u'[') {
    if (s.size() < 2 || s.back() != u']') return false;
    s = s.substr(1, s.size() - 2);
    rel = true;
  }
  bool neg = false;
  if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
    neg = s[0] == u'-';
    s.remove_prefix(1);
  }
  if (s.empty() || !std::all_of(s.begin(), s.end(), is_digit)) return false;
  long long v = digits_value(s);
  if (neg) v = -v;
  if (v > INT_MAX || v < INT_MIN) {
    throw EConvertError("'" + std::string(s.begin(), s.end()) + "' is not a valid integer value");
  }
  Value = rel ? static_cast<int>(v) : static_cast<int>(v - 1);
  Rel = rel;
  return true;
}

struct R1C1Part {
  bool hasCol = false, hasRow = false;
  int col = 0, row = 0;
  bool colRel = false, rowRel = false;
};

bool r1c1_part(std::u16string_view letter_and_number, char16_t letter, int& v, bool& rel) {
  if (letter_and_number.empty() || letter_and_number[0] != letter) return false;
  if (letter_and_number.size() == 1) {
    v = 0;
    rel = true;
    return true;
  }
  return r1c1_number(letter_and_number.substr(1), v, rel);
}

bool r1c1_ref(std::u16string_view S, R1C1Part& p) {
  if (S.empty()) return false;
  std::u16string U(S);
  for (auto& ch : U)
    if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - 32);
  auto c = U.find(u'C');
  if (c == std::u16string::npos) {
    p.hasRow = r1c1_part(U, u'R', p.row, p.rowRel);
    return p.hasRow;
  }
  if (c == 0) {
    p.hasCol = r1c1_part(U, u'C', p.col, p.colRel);
    return p.hasCol;
  }
  if (U[0] != u'R') return false;
  p.hasRow = r1c1_part(std::u16string_view(U).substr(0, c), u'R', p.row, p.rowRel);
  if (!p.hasRow) return false;
  p.hasCol = r1c1_part(std::u16string_view(U).substr(c), u'C', p.col, p.colRel);
  return p.hasCol;
}

}  // namespace

bool R1C1RefStrToColRow(std::u16string_view S, int& Col, int& Row, bool& ColRel, bool& RowRel) {
  R1C1Part p;
  bool ok = r1c1_ref(S, p);
  if (p.hasCol) {
    Col = p.col;
    ColRel = p.colRel;
  }
  if (p.hasRow) {
    Row = p.row;
    RowRel = p.rowRel;
  }
  return ok;
}

bool R1C1AreaStrToColRow(std::u16string_view S, int& Col1, int& Row1, int& Col2, int& Row2, bool& ColRel1,
                         bool& RowRel1, bool& ColRel2, bool& RowRel2) {
  R1C1Part a, b;
  bool ok;
  auto colon = S.find(u':');
  if (colon == std::u16string_view::npos || colon == 0) {
    ok = r1c1_ref(S, a);
    if (ok) b = a;
  } else {
    ok = r1c1_ref(S.substr(0, colon), a);
    if (ok) ok = r1c1_ref(S.substr(colon + 1), b);
  }
  Col1 = a.hasCol ? a.col : 0;
  ColRel1 = a.hasCol && a.colRel;
  Row1 = a.hasRow ? a.row : 0;
  RowRel1 = a.hasRow && a.rowRel;
  Col2 = b.hasCol ? b.col : XLS_MAXCOL;
  ColRel2 = b.hasCol && b.colRel;
  Row2 = b.hasRow ? b.row : XLS_MAXROW;
  RowRel2 = b.hasRow && b.rowRel;
  return ok;
}

// ---- formatting -----------------------------------------------------------------------------

std::u16string ColToStr(int Col) {
  std::u16string s;
  if (Col < 0) return s;
  if (Col <= 25) {
    s += static_cast<char16_t>(u'A' + Col);
  } else if (Col <= 701) {
    s += static_cast<char16_t>(u'@' + Col / 26);
    s += static_cast<char16_t>(u'A' + Col % 26);
  } else {
    int n = Col - 702;
    s += static_cast<char16_t>(u'A' + n / 676);
    n %= 676;
    s += static_cast<char16_t>(u'A' + n / 26);
    s += static_cast<char16_t>(u'A' + n % 26);
  }
  return s;
}

namespace {

std::u16string row_text(long long Row) {
  std::string d = std::to_string(Row + 1);
  return std::u16string(d.begin(), d.end());
}

}  // namespace

std::u16string ColRowToRefStr(int Col, int Row) { return ColToStr(Col) + row_text(Row); }

std::u16string ColRowToRefStrAbs(int Col, int Row, bool AbsCol, bool AbsRow) {
  return (AbsCol ? u"$" : u"") + ColToStr(Col) + (AbsRow ? u"$" : u"") + row_text(Row);
}

std::u16string AreaToRefStr(int Col1, int Row1, int Col2, int Row2) {
  return ColRowToRefStr(Col1, Row1) + u":" + ColRowToRefStr(Col2, Row2);
}

std::u16string AreaToRefStrAbs(int Col1, int Row1, int Col2, int Row2, bool AbsCol1, bool AbsRow1, bool AbsCol2,
                               bool AbsRow2) {
  return ColRowToRefStrAbs(Col1, Row1, AbsCol1, AbsRow1) + u":" + ColRowToRefStrAbs(Col2, Row2, AbsCol2, AbsRow2);
}

std::u16string ColRowToRefStrFlagged(std::uint32_t Col, std::uint32_t Row) {
  return ColRowToRefStrAbs(static_cast<int>(Col & 0x7FFF), static_cast<int>(Row & 0x7FFFFFFF), (Col & 0x8000) != 0,
                           (Row & 0x80000000u) != 0);
}

std::u16string AreaToRefStrFlagged(std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2, std::uint32_t Row2) {
  return ColRowToRefStrFlagged(Col1, Row1) + u":" + ColRowToRefStrFlagged(Col2, Row2);
}

std::u16string CellAreaToRefStr(const TXLSCellArea& Area) {
  if (!CellAreaAssigned(Area)) return u"";
  if (Area.Col2 < 0 || Area.Row2 < 0 || IsSingleCellArea(Area)) return ColRowToRefStr(Area.Col1, Area.Row1);
  return AreaToRefStr(Area.Col1, Area.Row1, Area.Col2, Area.Row2);
}

}  // namespace workbook
