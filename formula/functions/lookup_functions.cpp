// Lookup, reference and information worksheet functions. References stay references on the stack
// where the function returns one (INDEX, OFFSET, CHOOSE, IFERROR), so SUM(OFFSET(...))
// sums the cells. Each function runs inside the argument window the dispatcher opened, reads its
// arguments last-first and pushes one result.
#include "formula/functions/families.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "formula/functions/lookup_support.h"
#include "formula/functions/text_support.h"
#include "formula/support/criteria.h"
#include "workbook/cell_references.h"

namespace formula::functions {

namespace {

// ROW, COLUMN, INDIRECT and the ISxxx tests are computed by the dispatcher.
enum : int {
  fidLookup = 28, fidIndex = 29, fidMatch = 64, fidAreas = 75, fidRows = 76, fidColumns = 77, fidOffset = 78,
  fidType = 86, fidChoose = 100, fidHLookup = 101, fidVLookup = 102, fidCell = 125, fidAddress = 219, fidInfo = 244,
  fidErrorType = 261, fidIfError = 839,
};

// The lookup value of VLOOKUP, HLOOKUP, LOOKUP and MATCH: a cell's value, an area's implicitly
// intersected cell, an array's first element. False (with #N/A pushed) for an area that does not
// intersect; an error value is pushed as the result as well.
bool ReadLookupValue(TValueStack& S, TXLSFormulaValue V, TXLSVarValue& Out) {
  if (V.Kind == fvkArea || V.Kind == fvkXArea) {
    V.Kind = fvkArea;
    if (!S.ImplicitIntersection(V)) {
      S.PushError(errNA);
      return false;
    }
  } else if (V.Kind == fvkArray) {
    if (!V.Array || V.Array->ColCount() == 0 || V.Array->RowCount() == 0) {
      S.PushError(errNA);
      return false;
    }
    V.Array->GetFormulaValue(0, 0, V);
  } else if (V.Kind == fvkAreaList) {
    S.PushError(errNA);
    return false;
  }
  FormulaValueToVarValue(V, Out);
  if (Out.Type == fvtError) {
    S.PushError(Out.BoolErr);
    return false;
  }
  return true;
}

// VLOOKUP (Vertical) and HLOOKUP.
void VHLookup(TValueStack& S, int Count, bool Vertical) {
  bool approximate = true;
  if (Count >= 4) {
    TXLSFormulaValue peek;
    S.PeekArg(0, peek);
    if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty) {
      S.PopArg(peek);
      approximate = false;  // an omitted flag between commas reads as FALSE
    } else if (!S.PopBool(approximate)) {
      return;
    }
  }
  double indexNumber = 0;
  if (!S.PopFloat(indexNumber)) return;
  TXLSFormulaValue table, value;
  S.PopArg(table);
  S.PopArg(value);
  if (table.Kind == fvkValue && table.ValueType == fvtError) {
    S.PushError(table.BoolErr);
    return;
  }
  TLookupGrid grid;
  if (!grid.Assign(S, table) || indexNumber < 1) {
    S.PushError(errValue);
    return;
  }
  TXLSVarValue v;
  if (!ReadLookupValue(S, value, v)) return;
  const long across = Vertical ? grid.Width() : grid.Height();
  if (std::trunc(indexNumber) > static_cast<double>(across)) {
    S.PushError(errRef);
    return;
  }
  const long index = static_cast<long>(std::trunc(indexNumber)) - 1;
  const long length = Vertical ? grid.UsedHeight() : grid.UsedWidth();
  long found = -1;
  const TCalcCache::TLineIndex* lineIndex = approximate || !HasWildcards(v) ? grid.LineIndex(Vertical, length) : nullptr;
  if (lineIndex) found = approximate ? lineIndex->LastNotAbove(v) : lineIndex->FirstEqual(v);
  for (long k = 0; !lineIndex && k < length; ++k) {
    const TXLSVarValue item = Vertical ? grid.Item(0, k) : grid.Item(k, 0);
    if (approximate) {
      if (LookupQualifies(item, v)) found = k;
    } else if (LookupEquals(item, v)) {
      found = k;  // the first match, as in spreadsheet applications
      break;
    }
  }
  if (found < 0) {
    S.PushError(errNA);
    return;
  }
  TXLSFormulaValue out;
  grid.Value(S, Vertical ? index : found, Vertical ? found : index, out);
  S.PushValue(out);
}

void Lookup(TValueStack& S, int Count) {
  TXLSFormulaValue resultArg, vector, value;
  if (Count >= 3) S.PopArg(resultArg);
  S.PopArg(vector);
  S.PopArg(value);
  if (vector.Kind == fvkValue && vector.ValueType == fvtError) {
    S.PushError(vector.BoolErr);
    return;
  }
  TLookupGrid look;
  if (!look.Assign(S, vector)) {
    S.PushError(errNA);
    return;
  }
  TLookupGrid result;
  if (Count >= 3) {
    if (resultArg.Kind == fvkValue && resultArg.ValueType == fvtError) {
      S.PushError(resultArg.BoolErr);
      return;
    }
    if (!result.Assign(S, resultArg) || !result.IsVector()) {
      S.PushError(errNA);
      return;
    }
  }
  TXLSVarValue v;
  if (!ReadLookupValue(S, value, v)) return;
  // A lookup area wider than tall is searched along its first row, otherwise down its first column;
  // without a result vector the result comes from its last row or column.
  const bool across = look.Width() > look.Height();
  const long length = across ? look.UsedWidth() : look.UsedHeight();
  long found = -1;
  if (const TCalcCache::TLineIndex* lineIndex = look.LineIndex(!across, length))
    found = lineIndex->LastNotAbove(v);
  else
    for (long k = 0; k < length; ++k)
      if (LookupQualifies(across ? look.Item(k, 0) : look.Item(0, k), v)) found = k;
  if (found < 0) {
    S.PushError(errNA);
    return;
  }
  TXLSFormulaValue out;
  if (Count >= 3) {
    const bool down = result.Width() == 1 && result.Height() > 1;
    if (found >= (down ? result.Height() : result.Width())) {
      S.PushError(errNA);
      return;
    }
    result.Value(S, down ? 0 : found, down ? found : 0, out);
  } else if (across) {
    look.Value(S, found, look.Height() - 1, out);
  } else {
    look.Value(S, look.Width() - 1, found, out);
  }
  S.PushValue(out);
}

void Match(TValueStack& S, int Count) {
  double type = 1;
  if (Count >= 3) {
    TXLSFormulaValue peek;
    S.PeekArg(0, peek);
    if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty) {
      S.PopArg(peek);
      type = 0;
    } else if (!S.PopFloat(type)) {
      return;
    }
  }
  TXLSFormulaValue array, value;
  S.PopArg(array);
  S.PopArg(value);
  if (array.Kind == fvkValue && array.ValueType == fvtError) {
    S.PushError(array.BoolErr);
    return;
  }
  TLookupGrid grid;
  if (!grid.Assign(S, array) || !(grid.Width() == 1 || grid.Height() == 1)) {
    S.PushError(errNA);
    return;
  }
  TXLSVarValue v;
  if (!ReadLookupValue(S, value, v)) return;
  // Any positive match type searches ascending, any negative one descending.
  const int mode = type > 0 ? 1 : type < 0 ? -1 : 0;
  const bool across = grid.Height() == 1;
  const long length = across ? grid.UsedWidth() : grid.UsedHeight();
  if (mode == 0 && !HasWildcards(v))
    if (const TCalcCache::TLineIndex* lineIndex = grid.LineIndex(!across, length)) {
      const long k = lineIndex->FirstEqual(v);
      if (k < 0)
        S.PushError(errNA);
      else
        S.PushFloat(static_cast<double>(k + 1));
      return;
    }
  long last = -1;
  for (long k = 0; k < length; ++k) {
    const TXLSVarValue item = across ? grid.Item(k, 0) : grid.Item(0, k);
    if (item.Type == fvtEmpty || item.Type != v.Type) continue;
    if (mode == 0) {
      if (LookupEquals(item, v)) {
        S.PushFloat(static_cast<double>(k + 1));
        return;
      }
      continue;
    }
    const int c = LookupCompare(item, v);  // item against value
    if (c == 0) {
      S.PushFloat(static_cast<double>(k + 1));
      return;
    }
    if ((mode == 1 && c > 0) || (mode == -1 && c < 0)) {
      if (last < 0)
        S.PushError(errNA);
      else
        S.PushFloat(static_cast<double>(last + 1));
      return;
    }
    last = k;
  }
  if (mode != 0 && last >= 0)
    S.PushFloat(static_cast<double>(last + 1));
  else
    S.PushError(errNA);
}

// Reads an optional index argument of INDEX: absent or empty gives 0.
bool PopIndexNumber(TValueStack& S, long& V) {
  TXLSFormulaValue peek;
  S.PeekArg(0, peek);
  if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty) {
    S.PopArg(peek);
    V = 0;
    return true;
  }
  double d = 0;
  if (!S.PopFloat(d)) return false;
  d = std::trunc(d);
  if (d < 0) {
    S.PushError(errValue);
    return false;
  }
  V = d > 2147483647.0 ? 2147483647L : static_cast<long>(d);
  return true;
}

void Index(TValueStack& S, int Count) {
  long row = 0, col = 0, area = 1;
  if (Count >= 4 && !PopIndexNumber(S, area)) return;
  if (Count >= 3 && !PopIndexNumber(S, col)) return;
  if (!PopIndexNumber(S, row)) return;
  TXLSFormulaValue ref;
  S.PopArg(ref);
  --row;
  --col;
  --area;
  if (area < 0) {
    S.PushError(errRef);
    return;
  }
  if (ref.Kind == fvkValue && ref.ValueType == fvtError) {
    S.PushError(ref.BoolErr);
    return;
  }
  workbook::TXLSCellMMU* cells = ref.Cells;
  int c1 = ref.Col1, r1 = ref.Row1, c2 = ref.Col2, r2 = ref.Row2;
  switch (ref.Kind) {
    case fvkAreaList: {
      if (!ref.Areas || area >= ref.Areas->Count()) {
        S.PushError(errRef);
        return;
      }
      const workbook::TCellArea* a = ref.Areas->GetItem(static_cast<int>(area));
      cells = static_cast<workbook::TXLSCellMMU*>(a->Spare);
      c1 = a->GetCol1();
      r1 = a->GetRow1();
      c2 = a->GetCol2();
      r2 = a->GetRow2();
      break;
    }
    case fvkCell:
    case fvkArea:
    case fvkXArea:
      if (area > 0) {
        S.PushError(errRef);
        return;
      }
      break;
    case fvkArray: {
      const TXLSArrayItem* arr = ref.Array;
      if (!arr || area > 0) {
        S.PushError(errRef);
        return;
      }
      if (Count == 2 && arr->RowCount() == 1) std::swap(row, col);
      if (row >= arr->RowCount() || col >= arr->ColCount()) {
        S.PushError(errRef);
        return;
      }
      if (row >= 0 && col >= 0) {
        TXLSFormulaValue v;
        arr->GetFormulaValue(static_cast<int>(col), static_cast<int>(row), v);
        S.PushValue(v);
        return;
      }
      // A whole row or column of the array.
      const int cols = col < 0 ? arr->ColCount() : 1, rows = row < 0 ? arr->RowCount() : 1;
      auto out = std::make_unique<TXLSArrayItem>(cols, rows);
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
          out->SetItem(c, r, arr->GetItem(col < 0 ? c : static_cast<int>(col), row < 0 ? r : static_cast<int>(row)));
      S.PushArray(std::move(out));
      return;
    }
    default:
      // A plain value stands for itself at row 1, column 1.
      if (row > 0 || col > 0 || area > 0)
        S.PushError(errRef);
      else
        S.PushValue(ref);
      return;
  }
  const long width = c2 - c1 + 1, height = r2 - r1 + 1;
  // With two arguments a one-row reference takes the number as its column.
  if (Count == 2 && height == 1 && width > 1) std::swap(row, col);
  if (col > width - 1 || row > height - 1) {
    S.PushError(errRef);
    return;
  }
  if (row >= 0) r1 = r2 = r1 + static_cast<int>(row);
  if (col >= 0) c1 = c2 = c1 + static_cast<int>(col);
  if (c1 == c2 && r1 == r2)
    S.PushCellRef(cells, c1, r1);
  else
    S.PushAreaRef(cells, c1, r1, c2, r2);
}

void Offset(TValueStack& S, int Count) {
  double width = 0, height = 0, cols = 0, rows = 0;
  bool hasWidth = false, hasHeight = false;
  auto optional = [&](double& V, bool& Has) {
    TXLSFormulaValue peek;
    S.PeekArg(0, peek);
    if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty) {
      S.PopArg(peek);
      return true;
    }
    Has = true;
    return S.PopFloat(V);
  };
  if (Count >= 5 && !optional(width, hasWidth)) return;
  if (Count >= 4 && !optional(height, hasHeight)) return;
  // The function table allows OFFSET(reference, rows): the columns are then 0.
  if ((Count >= 3 && !S.PopFloat(cols)) || !S.PopFloat(rows)) return;
  TXLSFormulaValue ref;
  S.PopArg(ref);
  if (ref.Kind != fvkCell && ref.Kind != fvkArea && ref.Kind != fvkXArea) {
    S.PushErrorOf(errValue, ref);
    return;
  }
  // The result keeps the reference's size unless a height or width is given; it starts at the
  // shifted top-left corner (a negative size extends up or to the left).
  const double h = hasHeight ? std::trunc(height) : ref.Row2 - ref.Row1 + 1;
  const double w = hasWidth ? std::trunc(width) : ref.Col2 - ref.Col1 + 1;
  if (h == 0 || w == 0) {
    S.PushError(errRef);
    return;
  }
  const double top = ref.Row1 + std::trunc(rows), left = ref.Col1 + std::trunc(cols);
  const double bottom = h > 0 ? top + h - 1 : top + h + 1, right = w > 0 ? left + w - 1 : left + w + 1;
  const double r1 = std::min(top, bottom), r2 = std::max(top, bottom), c1 = std::min(left, right),
               c2 = std::max(left, right);
  if (!(r1 >= 0 && c1 >= 0 && r2 <= workbook::XLS_MAXROW && c2 <= workbook::XLS_MAXCOL)) {
    S.PushError(errRef);
    return;
  }
  if (r1 == r2 && c1 == c2)
    S.PushCellRef(ref.Cells, static_cast<int>(c1), static_cast<int>(r1));
  else
    S.PushAreaRef(ref.Cells, static_cast<int>(c1), static_cast<int>(r1), static_cast<int>(c2), static_cast<int>(r2));
}

void Choose(TValueStack& S, int Count) {
  TXLSFormulaValue index;
  S.PeekArg(Count - 1, index);
  double d = 0;
  std::uint8_t err = 0;
  S.ToNumber(index, d, err);
  if (err) {
    S.PushError(err);
    return;
  }
  d = std::trunc(d);
  if (d < 1 || d > Count - 1) {
    S.PushError(errValue);
    return;
  }
  TXLSFormulaValue chosen;
  S.PeekArg(Count - 1 - static_cast<int>(d), chosen);
  S.PushValue(chosen);
}

// A sheet name in a reference text, quoted when it is not a plain word.
std::u16string SheetPrefix(const std::u16string& Name) {
  bool plain = !Name.empty() && !(Name[0] >= u'0' && Name[0] <= u'9');
  for (char16_t c : Name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' ||
          c >= 0x80))
      plain = false;
  if (plain) return Name + u"!";
  std::u16string q = u"'";
  for (char16_t c : Name) {
    q.push_back(c);
    if (c == u'\'') q.push_back(c);
  }
  return q + u"'!";
}

void Address(TValueStack& S, int Count) {
  std::u16string sheet;
  bool a1 = true;
  std::int32_t absNum = 1;
  if (Count >= 5 && !S.PopString(true, sheet)) return;
  if (Count >= 4) {
    TXLSFormulaValue peek;
    S.PeekArg(0, peek);
    if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty)
      S.PopArg(peek);
    else if (!S.PopBool(a1))
      return;
  }
  if (Count >= 3) {
    TXLSFormulaValue peek;
    S.PeekArg(0, peek);
    if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty)
      S.PopArg(peek);
    else if (double d = 0; S.PopFloat(d))
      absNum = d >= 1 && d <= 4 ? static_cast<std::int32_t>(d) : 0;
    else
      return;
  }
  double col = 0, row = 0;
  if (!S.PopFloat(col) || !S.PopFloat(row)) return;
  col = std::trunc(col);
  row = std::trunc(row);
  if (absNum < 1 || absNum > 4 || !(row >= 1 && row <= workbook::XLS_MAXROW + 1) ||
      !(col >= 1 && col <= workbook::XLS_MAXCOL + 1)) {
    S.PushError(errValue);
    return;
  }
  const bool absRow = absNum == 1 || absNum == 2, absCol = absNum == 1 || absNum == 3;
  const int c = static_cast<int>(col), r = static_cast<int>(row);
  std::u16string text;
  if (a1) {
    text = workbook::ColRowToRefStrAbs(c - 1, r - 1, absCol, absRow);
  } else {
    auto num = [](int n) {
      std::string s = std::to_string(n);
      return std::u16string(s.begin(), s.end());
    };
    text = u"R" + (absRow ? num(r) : u"[" + num(r) + u"]") + u"C" + (absCol ? num(c) : u"[" + num(c) + u"]");
  }
  S.PushString(sheet.empty() ? text : SheetPrefix(sheet) + text);
}

void RowsColumns(TValueStack& S, bool Rows) {
  TXLSFormulaValue v;
  S.PopArg(v);
  switch (v.Kind) {
    case fvkCell:
    case fvkArea:
    case fvkXArea:
      S.PushFloat(Rows ? v.Row2 - v.Row1 + 1 : v.Col2 - v.Col1 + 1);
      return;
    case fvkArray:
      S.PushFloat(v.Array ? (Rows ? v.Array->RowCount() : v.Array->ColCount()) : 0);
      return;
    case fvkValue:
      if (v.ValueType == fvtError)
        S.PushError(v.BoolErr);
      else
        S.PushFloat(1);  // a single value is one row and one column
      return;
    default:
      S.PushError(errRef);
      return;
  }
}

void Cell(TValueStack& S, int Count) {
  TXLSFormulaValue ref;
  bool hasRef = false;
  if (Count >= 2) {
    S.PopArg(ref);
    if (ref.Kind != fvkCell && ref.Kind != fvkArea && ref.Kind != fvkXArea) {
      TXLSFormulaValue info;
      S.PopArg(info);
      S.PushErrorOf(errValue, ref);
      return;
    }
    hasRef = true;
  }
  std::u16string info;
  if (!S.PopString(true, info)) return;
  info = LowerText(info);
  const int col = hasRef ? ref.Col1 : S.Col, row = hasRef ? ref.Row1 : S.Row;
  workbook::TXLSCellMMU* cells = hasRef ? ref.Cells : S.Cells;
  if (info == u"address") {
    S.PushString(workbook::ColRowToRefStrAbs(col, row, true, true));
  } else if (info == u"col") {
    S.PushFloat(col + 1);
  } else if (info == u"row") {
    S.PushFloat(row + 1);
  } else if (info == u"color" || info == u"parentheses" || info == u"protect" || info == u"width") {
    S.PushFloat(0);
  } else if (info == u"format" || info == u"prefix" || info == u"filename") {
    // The engine knows no file name and no cell formats.
    S.PushString(u"");
  } else if (info == u"type") {
    TXLSFormulaValue v;
    S.ReadCell(cells, col, row, v);
    S.PushString(v.ValueType == fvtEmpty ? u"b" : v.ValueType == fvtString ? u"l" : u"v");
  } else if (info == u"contents") {
    TXLSFormulaValue v;
    S.ReadCell(cells, col, row, v);
    S.PushValue(v);
  } else {
    S.PushError(errValue);
  }
}

void TypeOf(TValueStack& S) {
  TXLSFormulaValue v;
  S.PopArg(v);
  if (v.Kind == fvkArea || v.Kind == fvkXArea) {
    v.Kind = fvkArea;
    if (!S.ImplicitIntersection(v)) {
      S.PushFloat(16);
      return;
    }
  }
  if (v.Kind == fvkArray) {
    S.PushFloat(64);
    return;
  }
  if (v.Kind > fvkCell) {
    S.PushFloat(16);
    return;
  }
  switch (v.ValueType) {
    case fvtEmpty:  // a blank cell reads as the number 0
    case fvtFloat: S.PushFloat(1); return;
    case fvtString: S.PushFloat(2); return;
    case fvtBoolean: S.PushFloat(4); return;
    default: S.PushFloat(16); return;
  }
}

}  // namespace

bool RunLookupFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidVLookup: VHLookup(S, Count, true); return true;
    case fidHLookup: VHLookup(S, Count, false); return true;
    case fidLookup: Lookup(S, Count); return true;
    case fidMatch: Match(S, Count); return true;
    case fidIndex: Index(S, Count); return true;
    case fidOffset: Offset(S, Count); return true;
    case fidChoose: Choose(S, Count); return true;
    case fidAddress: Address(S, Count); return true;
    case fidAreas: {
      TXLSFormulaValue v;
      S.PopArg(v);
      if (v.Kind == fvkCell || v.Kind == fvkArea || v.Kind == fvkXArea)
        S.PushFloat(1);
      else if (v.Kind == fvkAreaList && v.Areas)
        S.PushFloat(v.Areas->Count());
      else
        S.PushErrorOf(errValue, v);
      return true;
    }
    case fidRows: RowsColumns(S, true); return true;
    case fidColumns: RowsColumns(S, false); return true;
    case fidCell: Cell(S, Count); return true;
    case fidInfo: {
      std::u16string t;
      if (!S.PopString(false, t)) return true;
      if (LowerText(t) == u"pig")
        S.PushString(u"Oink!");
      else
        S.PushError(errNA);
      return true;
    }
    case fidType: TypeOf(S); return true;
    case fidErrorType: {
      TXLSFormulaValue v;
      S.PopArg(v);
      if (v.Kind <= fvkCell && v.ValueType == fvtError && v.BoolErr >= 1 && v.BoolErr <= 8)
        S.PushFloat(v.BoolErr);
      else
        S.PushError(errNA);
      return true;
    }
    case fidIfError: {
      TXLSFormulaValue alt, v;
      S.PopArg(alt);
      S.PopArg(v);
      S.PushValue(S.GetErrorCode(v) ? alt : v);
      return true;
    }
    default: return false;
  }
}

}  // namespace formula::functions
