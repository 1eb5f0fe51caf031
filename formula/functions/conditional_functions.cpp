#include "formula/functions/conditional_functions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "formula/functions/numeric_routines.h"
#include "formula/support/criteria.h"
#include "workbook/cell_references.h"

namespace formula::functions {

namespace {

// A criterion argument: a value or a cell as it stands, an area's first cell (or, with Intersect, the
// cell it shares with the formula's row or column), an array's first element. False (and #VALUE!
// pushed) for an area list.
bool ReadCriterion(TValueStack& S, TXLSFormulaValue V, bool Intersect, TXLSCriteria& Out) {
  switch (V.Kind) {
    case fvkArea:
    case fvkXArea: {
      V.Kind = fvkArea;
      if (Intersect && S.ImplicitIntersection(V)) break;
      workbook::TXLSCellMMU* cells = V.Cells;
      const int c = V.Col1, r = V.Row1;
      S.ReadCell(cells, c, r, V);
      V.Kind = fvkCell;
      break;
    }
    case fvkArray:
      if (V.Array && V.Array->ColCount() > 0 && V.Array->RowCount() > 0)
        V.Array->GetFormulaValue(0, 0, V);
      else
        V.SetEmpty();
      break;
    case fvkAreaList:
      S.PushError(errValue);
      return false;
    default:
      break;
  }
  TXLSVarValue v;
  FormulaValueToVarValue(V, v);
  Out = BuildCriteria(v, S.Locale());
  return true;
}

TXLSVarValue ItemValue(const TXLSFormulaValue& Item) {
  TXLSVarValue v;
  FormulaValueToVarValue(Item, v);
  return v;
}

bool IsRange(const TXLSFormulaValue& V) {
  return V.Kind == fvkCell || V.Kind == fvkArea || V.Kind == fvkXArea || V.Kind == fvkArray || V.Kind == fvkAreaList;
}

// Width and height of a range argument (a plain value is one cell).
void Shape(const TXLSFormulaValue& V, long& W, long& H) {
  W = H = 1;
  if (V.Kind == fvkCell || V.Kind == fvkArea || V.Kind == fvkXArea) {
    W = V.Col2 - V.Col1 + 1;
    H = V.Row2 - V.Row1 + 1;
  } else if (V.Kind == fvkArray && V.Array) {
    W = V.Array->ColCount();
    H = V.Array->RowCount();
  } else if (V.Kind == fvkAreaList && V.Areas) {
    H = 0;
    for (int i = 0; i < V.Areas->Count(); ++i) {
      const workbook::TCellArea* a = V.Areas->GetItem(i);
      H += static_cast<long>(a->GetCol2() - a->GetCol1() + 1) * (a->GetRow2() - a->GetRow1() + 1);
    }
  }
}

bool IsAreaKind(const TXLSFormulaValue& V) { return V.Kind == fvkArea || V.Kind == fvkXArea || V.Kind == fvkCell; }

}  // namespace

void CountIf(TValueStack& S) {
  TXLSFormulaValue crit, range;
  S.PopArg(crit);
  S.PopArg(range);
  TXLSCriteria c;
  if (!ReadCriterion(S, crit, false, c)) return;
  TValStackIterator& it = S.Iterator();
  it.Init(range, false);
  long visited = 0;
  double count = 0;
  while (it.Next()) {
    ++visited;
    if (MatchCriteria(c, ItemValue(it.Current()), S.Locale())) ++count;
  }
  // The walk skips the part of an area outside the used area: blank cells the criterion may select.
  if (IsAreaKind(range) && MatchCriteria(c, TXLSVarValue(), S.Locale())) {
    long w = 0, h = 0;
    Shape(range, w, h);
    count += static_cast<double>(w) * static_cast<double>(h) - static_cast<double>(visited);
  }
  S.PushFloat(count);
}

void SumIf(TValueStack& S, int Count, bool Average) {
  TXLSFormulaValue sum, crit, range;
  if (Count >= 3) S.PopArg(sum);
  S.PopArg(crit);
  S.PopArg(range);
  if (Count >= 3 && !IsRange(sum)) {
    S.PushErrorOf(errValue, sum);
    return;
  }
  TXLSCriteria c;
  if (!ReadCriterion(S, crit, true, c)) return;
  const bool hasSum = Count >= 3 && !(sum.Kind == fvkValue);
  // The sum range takes the criteria range's shape from its own top-left cell.
  if (hasSum && (sum.Kind == fvkCell || sum.Kind == fvkArea || sum.Kind == fvkXArea) && IsAreaKind(range)) {
    const int w = range.Col2 - range.Col1, h = range.Row2 - range.Row1;
    sum.Kind = fvkArea;
    sum.Col2 = std::min(sum.Col1 + w, workbook::XLS_MAXCOL);
    sum.Row2 = std::min(sum.Row1 + h, workbook::XLS_MAXROW);
  }
  TValStackIterator& it = S.Iterator();
  if (hasSum)
    it.InitPair(range, sum, false);
  else
    it.Init(range, false);
  double total = 0;
  long n = 0;
  while (it.Next()) {
    if (!MatchCriteria(c, ItemValue(it.Current()), S.Locale())) continue;
    const TXLSFormulaValue& item = hasSum ? it.NextIterator()->Current() : it.Current();
    if (hasSum && item.ValueType == fvtError) {
      S.PushError(item.BoolErr);
      return;
    }
    if (item.ValueType == fvtFloat) {
      total += item.Number;
      ++n;
    }
  }
  if (!Average)
    PushNumber(S, total);
  else if (n == 0)
    S.PushError(errDiv0);
  else
    PushNumber(S, total / static_cast<double>(n));
}

void IfsFunction(TValueStack& S, int Count, int Kind) {
  const bool withSum = Kind != 0;
  if (Count < 2 || (withSum ? Count % 2 == 0 : Count % 2 != 0)) {
    S.PushError(errValue);
    return;
  }
  const int pairs = withSum ? (Count - 1) / 2 : Count / 2;
  std::vector<TXLSFormulaValue> ranges(static_cast<std::size_t>(pairs));
  std::vector<TXLSFormulaValue> crits(static_cast<std::size_t>(pairs));
  for (int p = pairs - 1; p >= 0; --p) {
    S.PopArg(crits[static_cast<std::size_t>(p)]);
    S.PopArg(ranges[static_cast<std::size_t>(p)]);
  }
  TXLSFormulaValue sum;
  if (withSum) S.PopArg(sum);
  std::vector<TXLSCriteria> criteria(static_cast<std::size_t>(pairs));
  for (int p = 0; p < pairs; ++p)
    if (!ReadCriterion(S, crits[static_cast<std::size_t>(p)], false, criteria[static_cast<std::size_t>(p)])) return;
  // Every range has the first range's shape, as spreadsheet applications require.
  const TXLSFormulaValue& first = withSum ? sum : ranges[0];
  long w0 = 0, h0 = 0;
  Shape(first, w0, h0);
  for (const TXLSFormulaValue& r : ranges) {
    long w = 0, h = 0;
    Shape(r, w, h);
    if (w != w0 || h != h0 || !IsRange(r)) {
      S.PushError(errValue);
      return;
    }
  }
  if (withSum && !IsRange(sum)) {
    S.PushErrorOf(errValue, sum);
    return;
  }
  TValStackIterator& it = S.Iterator();
  it.Init(ranges[0], false);
  TValStackIterator* last = &it;
  for (int p = 1; p < pairs; ++p) {
    last = last->EnsureNext();
    last->Init(ranges[static_cast<std::size_t>(p)], false);
  }
  if (withSum) {
    last = last->EnsureNext();
    last->Init(sum, false);
  }
  it.AlignChain();
  double total = 0, count = 0;
  long visited = 0;
  while (it.Next()) {
    ++visited;
    bool all = true;
    const TValStackIterator* cur = &it;
    for (int p = 0; p < pairs && all; ++p, cur = cur->NextIterator())
      all = MatchCriteria(criteria[static_cast<std::size_t>(p)], ItemValue(cur->Current()), S.Locale());
    if (!all) continue;
    if (!withSum) {
      ++count;
      continue;
    }
    const TXLSFormulaValue& item = last->Current();
    if (item.ValueType == fvtError) {
      S.PushError(item.BoolErr);
      return;
    }
    if (item.ValueType == fvtFloat) {
      total += item.Number;
      ++count;
    }
  }
  if (Kind == 0) {
    // Positions outside every range's used part are blank in all of them.
    bool blanks = true;
    for (const TXLSCriteria& c : criteria) blanks = blanks && MatchCriteria(c, TXLSVarValue(), S.Locale());
    bool areas = true;
    for (const TXLSFormulaValue& r : ranges) areas = areas && IsAreaKind(r);
    if (blanks && areas) count += static_cast<double>(w0) * static_cast<double>(h0) - static_cast<double>(visited);
    S.PushFloat(count);
  } else if (Kind == 1) {
    PushNumber(S, total);
  } else if (count == 0) {
    S.PushError(errDiv0);
  } else {
    PushNumber(S, total / count);
  }
}

}  // namespace formula::functions
