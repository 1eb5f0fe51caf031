#include "formula/functions/aggregate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "formula/functions/numeric_routines.h"
#include "formula/support/value_arrays.h"
#include "workbook/cell_references.h"

namespace formula::functions {

namespace {

// The numbers of an area argument from the running aggregates of the calculation; False when the
// argument is no area, the walk passes over hidden rows or errors, or the calculation has none for
// the area yet.
bool CachedNumbers(TValueStack& S, const TXLSFormulaValue& Arg, TCalcCache::TNumberStats& Stats) {
  if (!S.Cache || Arg.Kind != fvkArea || !Arg.Cells) return false;
  const TValStackIterator& it = S.Iterator();
  if (it.SkipHiddenRows || it.SkipErrors) return false;
  return S.Cache->RangeNumbers(Arg.Cells, Arg.Col1, Arg.Row1, Arg.Col2, Arg.Row2, Stats);
}

// Pops the Count arguments last-first, feeding their numbers to Add; on an error pushes it and
// returns False. The error reported is the leftmost argument's, as the arguments read, so every
// argument is walked. An area met before any number was added may hand over its running aggregates
// to Take instead (what they hold is exactly what adding its numbers from the start gives); without
// Take (nullptr) every area is walked.
template <class F, class T>
bool WalkArgs(TValueStack& S, int Count, bool AForm, F&& Add, T&& Take) {
  std::uint8_t first = 0;
  bool fresh = true;
  for (int i = 0; i < Count; ++i) {
    TXLSFormulaValue arg;
    S.PopArg(arg);
    TCalcCache::TNumberStats stats;
    if constexpr (!std::is_null_pointer_v<std::decay_t<T>>) {
      if (fresh && !AForm && CachedNumbers(S, arg, stats)) {
        if (stats.Error) {
          first = stats.Error;
        } else if (stats.Count > 0) {
          Take(stats);
          fresh = false;
        }
        continue;
      }
    }
    if (const std::uint8_t err = WalkNumbers(S, arg, AForm, [&](double V) {
          Add(V);
          fresh = false;
        }))
      first = err;
  }
  if (first) {
    S.PushError(first);
    return false;
  }
  return true;
}

template <class F>
bool WalkArgs(TValueStack& S, int Count, bool AForm, F&& Add) {
  return WalkArgs(S, Count, AForm, Add, nullptr);
}

void SumImpl(TValueStack& S, int Count) {
  double sum = 0;
  if (WalkArgs(
          S, Count, false, [&](double v) { sum += v; }, [&](const TCalcCache::TNumberStats& T) { sum = T.Sum; }))
    PushNumber(S, sum);
}

void AverageImpl(TValueStack& S, int Count, bool AForm) {
  double sum = 0;
  long long n = 0;
  if (!WalkArgs(
          S, Count, AForm, [&](double v) { sum += v, ++n; },
          [&](const TCalcCache::TNumberStats& T) { sum = T.Sum, n = T.Count; }))
    return;
  if (n == 0)
    S.PushError(errDiv0);
  else
    PushNumber(S, sum / static_cast<double>(n));
}

void ExtremeImpl(TValueStack& S, int Count, bool AForm, bool Largest) {
  double best = Largest ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  long long n = 0;
  if (!WalkArgs(
          S, Count, AForm,
          [&](double v) {
            best = Largest ? std::max(best, v) : std::min(best, v);
            ++n;
          },
          [&](const TCalcCache::TNumberStats& T) { best = Largest ? T.Max : T.Min, n = T.Count; }))
    return;
  S.PushFloat(n == 0 ? 0 : best);
}

int CountStoreNumbers(TValueStack& S, workbook::TXLSCellMMU* Cells, int C1, int R1, int C2, int R2) {
  if (!Cells) return 0;
  int n = 0;
  Cells->ForEachCell(C1, R1, C2, R2, S.Iterator().SkipHiddenRows, [&](int, int, const workbook::TMMUCellRef& Ref) {
    const auto kind = workbook::TXLSCellMMU::CellType(Ref);
    if (kind == workbook::cvkFloat || kind == workbook::cvkFloatFormula) ++n;
    return true;
  });
  return n;
}

}  // namespace

void Sum(TValueStack& S, int Count) { SumImpl(S, Count); }
void Average(TValueStack& S, int Count) { AverageImpl(S, Count, false); }
void AverageA(TValueStack& S, int Count) { AverageImpl(S, Count, true); }
void Max(TValueStack& S, int Count) { ExtremeImpl(S, Count, false, true); }
void MaxA(TValueStack& S, int Count) { ExtremeImpl(S, Count, true, true); }
void Min(TValueStack& S, int Count) { ExtremeImpl(S, Count, false, false); }
void MinA(TValueStack& S, int Count) { ExtremeImpl(S, Count, true, false); }

void Product(TValueStack& S, int Count) {
  double product = 1;
  long long n = 0;
  if (!WalkArgs(S, Count, false, [&](double v) { product *= v, ++n; })) return;
  PushNumber(S, n == 0 ? 0 : product);
}

void SumSq(TValueStack& S, int Count) {
  double sum = 0;
  if (WalkArgs(S, Count, false, [&](double v) { sum += v * v; })) PushNumber(S, sum);
}

int CountNumbers(TValueStack& S, int Count) {
  int n = 0;
  for (int i = 0; i < Count; ++i) {
    TXLSFormulaValue arg;
    S.PopArg(arg);
    switch (arg.Kind) {
      case fvkValue:
        if (arg.ValueType == fvtFloat || arg.ValueType == fvtBoolean) {
          ++n;
        } else if (arg.ValueType == fvtString) {
          double d = 0;
          if (TextToFloat(arg.Text, S.Locale(), d)) ++n;
        }
        break;
      case fvkCell:
        if (arg.ValueType == fvtFloat) ++n;
        break;
      case fvkArea: {
        TCalcCache::TNumberStats stats;
        if (CachedNumbers(S, arg, stats) && !stats.Error)
          n += static_cast<int>(stats.Count);
        else
          n += CountStoreNumbers(S, arg.Cells, arg.Col1, arg.Row1, arg.Col2, arg.Row2);
        break;
      }
      case fvkAreaList:
        if (arg.Areas)
          for (int a = 0; a < arg.Areas->Count(); ++a) {
            const workbook::TCellArea* area = arg.Areas->GetItem(a);
            n += CountStoreNumbers(S, static_cast<workbook::TXLSCellMMU*>(area->Spare), area->GetCol1(),
                                   area->GetRow1(), area->GetCol2(), area->GetRow2());
          }
        break;
      case fvkArray:
        // The numbers of an array count, as they do in spreadsheet applications.
        if (arg.Array)
          for (int r = 0; r < arg.Array->RowCount(); ++r)
            for (int c = 0; c < arg.Array->ColCount(); ++c)
              if (arg.Array->GetItem(c, r).Type == fvtFloat) ++n;
        break;
      default:
        break;
    }
  }
  return n;
}

void CountA(TValueStack& S, int Count) {
  long long n = 0;
  TValStackIterator& it = S.Iterator();
  for (int i = 0; i < Count; ++i) {
    TXLSFormulaValue arg;
    S.PopArg(arg);
    if (arg.Kind == fvkValue) {
      if (arg.ValueType != fvtEmpty) ++n;
      continue;
    }
    it.Init(arg, false);
    while (it.Next())
      if (it.Current().ValueType != fvtEmpty) ++n;
  }
  S.PushFloat(static_cast<double>(n));
}

void CountBlank(TValueStack& S, int Count) {
  TXLSFormulaValue arg;
  for (int i = 0; i < Count; ++i) S.PopArg(arg);  // the first argument is the one that counts
  if (arg.Kind != fvkCell && arg.Kind != fvkArea && arg.Kind != fvkAreaList) {
    S.PushError(errValue);
    return;
  }
  // Blanks are the positions minus the cells that hold a value, so cells outside the used area
  // count as blank.
  double total = 0;
  if (arg.Kind == fvkAreaList) {
    for (int a = 0; arg.Areas && a < arg.Areas->Count(); ++a) {
      const workbook::TCellArea* area = arg.Areas->GetItem(a);
      total += (static_cast<double>(area->GetCol2()) - area->GetCol1() + 1) *
               (static_cast<double>(area->GetRow2()) - area->GetRow1() + 1);
    }
  } else {
    total = (static_cast<double>(arg.Col2) - arg.Col1 + 1) * (static_cast<double>(arg.Row2) - arg.Row1 + 1);
  }
  double filled = 0;
  TValStackIterator& it = S.Iterator();
  it.Init(arg, false);
  while (it.Next()) {
    const TXLSFormulaValue& v = it.Current();
    if (v.ValueType != fvtEmpty && !(v.ValueType == fvtString && v.Text.empty())) ++filled;
  }
  S.PushFloat(total - filled);
}

namespace {

// AND and OR. Values typed into the call go through the boolean conversion (texts only as the
// boolean words); inside references and arrays empty cells and text are passed over. Without any logical value the result is #VALUE!.
void LogicImpl(TValueStack& S, int Count, bool IsAnd) {
  bool acc = IsAnd;
  bool any = false;
  std::uint8_t error = 0;
  TValStackIterator& it = S.Iterator();
  auto take = [&](const TXLSFormulaValue& v, bool Direct) {
    if (error) return;
    if (v.ValueType == fvtEmpty) return;
    if (v.ValueType == fvtString && !Direct) return;
    if (v.ValueType == fvtString) {
      // Only the boolean words convert; a typed-in number text is no logical value.
      double d = 0;
      if (TextToFloat(v.Text, S.Locale(), d)) {
        error = errValue;
        return;
      }
    }
    bool b = false;
    const std::uint8_t err = S.ToBoolean(v, b);
    if (err) {
      error = err;
      return;
    }
    any = true;
    acc = IsAnd ? (acc && b) : (acc || b);
  };
  // Arguments come last-first; the leftmost argument's error is the one reported.
  std::uint8_t leftmost = 0;
  for (int i = 0; i < Count; ++i) {
    TXLSFormulaValue arg;
    S.PopArg(arg);
    error = 0;
    if (arg.Kind == fvkValue) {
      take(arg, true);
    } else {
      it.Init(arg, false);
      while (!error && it.Next()) {
        TXLSFormulaValue item = it.Current();
        item.Kind = fvkValue;
        take(item, false);
      }
    }
    if (error) leftmost = error;
  }
  if (leftmost)
    S.PushError(leftmost);
  else if (!any)
    S.PushError(errValue);
  else
    S.PushBool(acc);
}

// Sets the iterator's skip flags for one nested call and always clears them again.
class TSkipFlags {
public:
  TSkipFlags(TValStackIterator& It, bool Hidden, bool Errors) : It_(It) {
    It_.SkipHiddenRows = Hidden;
    It_.SkipErrors = Errors;
  }
  ~TSkipFlags() {
    It_.SkipHiddenRows = false;
    It_.SkipErrors = false;
  }
  TSkipFlags(const TSkipFlags&) = delete;
  TSkipFlags& operator=(const TSkipFlags&) = delete;

private:
  TValStackIterator& It_;
};

// Runs Id over the last NestedCount arguments of the open window (Count in all) and moves its result
// into the window's first slot.
void NestedOverTail(TValueStack& S, int Count, int Id, int NestedCount, const TNestedCall& Call) {
  const int base = S.Top;
  S.Top = base + Count;  // close the window: the arguments are operands again

  Call(Id, NestedCount);
  TXLSFormulaValue result;
  S.PopTop(result);
  S.Top = base;
  S.PushValue(result);
}

bool PeekTruncated(TValueStack& S, int Depth, int& V) {
  double d = 0;
  if (!S.PeekNumber(Depth, d)) return false;
  if (!std::isfinite(d) || std::fabs(d) > 1e9) {
    S.PushError(errValue);
    return false;
  }
  V = static_cast<int>(std::trunc(d));
  return true;
}

}  // namespace

void And(TValueStack& S, int Count) { LogicImpl(S, Count, true); }
void Or(TValueStack& S, int Count) { LogicImpl(S, Count, false); }

void Subtotal(TValueStack& S, int Count, const TNestedCall& Call) {
  static constexpr int kIds[12] = {-1, 5, 0, 169, 7, 6, 183, 12, 193, 4, 46, 194};
  int fn = 0;
  if (!PeekTruncated(S, Count - 1, fn)) return;
  const bool skipHidden = fn >= 101;
  const int base = skipHidden ? fn - 100 : fn;
  if (base < 1 || base > 11 || (fn > 11 && fn < 101)) {
    S.PushError(errValue);
    return;
  }
  TSkipFlags flags(S.Iterator(), skipHidden, false);
  NestedOverTail(S, Count, kIds[base], Count - 1, Call);
}

void Aggregate(TValueStack& S, int Count, const TNestedCall& Call) {
  static constexpr int kIds[20] = {-1,  5,   0,   169, 7,   6,   183, 819, 820, 4,
                                   821, 822, 227, 823, 325, 326, 824, 825, 826, 827};
  int fn = 0, options = 0;
  if (!PeekTruncated(S, Count - 1, fn)) return;
  if (!PeekTruncated(S, Count - 2, options)) return;
  if (options < 0 || options > 7 || fn < 1 || fn > 19 || (fn >= 14 && Count < 4)) {
    S.PushError(errValue);
    return;
  }
  const bool skipHidden = options == 1 || options == 3 || options == 5 || options == 7;
  const bool skipErrors = options == 3 || options == 6 || options == 7;
  TSkipFlags flags(S.Iterator(), skipHidden, skipErrors);
  // LARGE, SMALL and the percentiles take the last two arguments.
  NestedOverTail(S, Count, kIds[fn], fn >= 14 ? 2 : Count - 2, Call);
}

}  // namespace formula::functions
