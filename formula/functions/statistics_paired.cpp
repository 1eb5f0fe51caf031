// Functions over two ranges read in step (correlation, covariance, the straight line and the sums
// of paired squares), SUMPRODUCT, the array-returning fits and the chi-squared, F, z and t tests.
#include <algorithm>
#include <cmath>
#include <memory>

#include "formula/functions/numeric_routines.h"
#include "formula/functions/statistics_common.h"
#include "formula/functions/statistics_families.h"
#include "formula/support/special_functions.h"
#include "formula/support/value_arrays.h"

namespace formula::functions {

namespace {

using namespace stats;

enum : int {
  fidLinest = 49, fidTrend = 50, fidLogest = 51, fidGrowth = 52, fidSumProduct = 228, fidSumXMY2 = 303,
  fidSumX2MY2 = 304, fidSumX2PY2 = 305, fidChiTest = 306, fidCorrel = 307, fidCovar = 308, fidForecast = 309,
  fidFTest = 310, fidIntercept = 311, fidPearson = 312, fidRsq = 313, fidSteyx = 314, fidSlope = 315,
  fidZTest = 324, fidFTest2 = 815, fidCovarianceS = 834, fidChisqTest = 850, fidCovarianceP = 852,
  fidZTest2 = 865,
};

// The centred sums of the number pairs of two ranges.
struct TPairStats {
  double N = 0, MeanX = 0, MeanY = 0, Sxx = 0, Syy = 0, Sxy = 0;
};

// Pops the second and then the first argument and forms the sums over their number pairs. Ranges of
// different sizes are #N/A; an error item is the result.
bool PopPairs(TValueStack& S, std::vector<double>& X, std::vector<double>& Y) {
  TXLSFormulaValue b, a;
  S.PopArg(b);
  S.PopArg(a);
  if (!SameCellCount(a, b)) {
    S.PushError(a.IsError() ? a.BoolErr : b.IsError() ? b.BoolErr : static_cast<std::uint8_t>(errNA));
    return false;
  }
  if (const std::uint8_t err = CollectPairs(S, a, b, X, Y)) {
    S.PushError(err);
    return false;
  }
  return true;
}

TPairStats Sums(const std::vector<double>& X, const std::vector<double>& Y) {
  TPairStats p;
  p.N = static_cast<double>(X.size());
  const long double mx = MeanOf(X), my = MeanOf(Y);
  p.MeanX = static_cast<double>(mx);
  p.MeanY = static_cast<double>(my);
  long double sxx = 0, syy = 0, sxy = 0;
  for (std::size_t i = 0; i < X.size(); ++i) {
    const long double dx = X[i] - mx, dy = Y[i] - my;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  p.Sxx = static_cast<double>(sxx);
  p.Syy = static_cast<double>(syy);
  p.Sxy = static_cast<double>(sxy);
  return p;
}

enum class TLine { Correl, Rsq, CovarP, CovarS, Slope, Intercept, Steyx };

void LineFunction(TValueStack& S, TLine Kind) {
  std::vector<double> first, second;
  if (!PopPairs(S, first, second)) return;
  // The fits take (known_y, known_x): x is the second argument.
  const TPairStats p = Sums(second, first);
  if (p.N == 0) {
    S.PushError(errDiv0);
    return;
  }
  switch (Kind) {
    case TLine::Correl:
    case TLine::Rsq: {
      if (p.Sxx == 0 || p.Syy == 0) {
        S.PushError(errDiv0);
        return;
      }
      const double r = std::clamp(p.Sxy / std::sqrt(p.Sxx * p.Syy), -1.0, 1.0);
      PushNumber(S, Kind == TLine::Rsq ? r * r : r);
      return;
    }
    case TLine::CovarP:
      PushNumber(S, p.Sxy / p.N);
      return;
    case TLine::CovarS:
      if (p.N < 2)
        S.PushError(errDiv0);
      else
        PushNumber(S, p.Sxy / (p.N - 1));
      return;
    case TLine::Slope:
    case TLine::Intercept: {
      if (p.Sxx == 0) {
        S.PushError(errDiv0);
        return;
      }
      const double b = p.Sxy / p.Sxx;
      PushNumber(S, Kind == TLine::Slope ? b : p.MeanY - b * p.MeanX);
      return;
    }
    case TLine::Steyx: {
      if (p.N < 3 || p.Sxx == 0) {
        S.PushError(errDiv0);
        return;
      }
      const double resid = std::max(0.0, p.Syy - p.Sxy * p.Sxy / p.Sxx);
      PushNumber(S, std::sqrt(resid / (p.N - 2)));
      return;
    }
  }
}

void Forecast(TValueStack& S) {
  std::vector<double> ky, kx;
  // FORECAST(x, known_y, known_x): the pair comes first from the stack.
  TXLSFormulaValue bx, by;
  S.PopArg(bx);
  S.PopArg(by);
  double x = 0;
  if (!S.PopFloat(x)) return;
  if (!SameCellCount(by, bx)) {
    S.PushError(errNA);
    return;
  }
  if (const std::uint8_t err = CollectPairs(S, by, bx, ky, kx)) {
    S.PushError(err);
    return;
  }
  const TPairStats p = Sums(kx, ky);
  if (p.N == 0 || !(p.Sxx > 0)) {
    S.PushError(errDiv0);
    return;
  }
  const double b = p.Sxy / p.Sxx;
  PushNumber(S, p.MeanY + b * (x - p.MeanX));
}

enum class TPairSum { X2MY2, X2PY2, XMY2 };

void PairSum(TValueStack& S, TPairSum Kind) {
  std::vector<double> x, y;
  if (!PopPairs(S, x, y)) return;
  long double s = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const long double a = x[i], b = y[i];
    switch (Kind) {
      case TPairSum::X2MY2: s += a * a - b * b; break;
      case TPairSum::X2PY2: s += a * a + b * b; break;
      case TPairSum::XMY2: s += (a - b) * (a - b); break;
    }
  }
  PushNumber(S, static_cast<double>(s));
}

// One SUMPRODUCT argument: a rectangle of values (an area, an array, or a single value).
struct TGridArg {
  TXLSFormulaValue V;
  long long Cols = 0, Rows = 0;
};

void SumProduct(TValueStack& S, int Count) {
  std::vector<TGridArg> args(static_cast<std::size_t>(Count));
  for (int i = Count - 1; i >= 0; --i) S.PopArg(args[static_cast<std::size_t>(i)].V);
  std::uint8_t shapeErr = 0;
  for (TGridArg& a : args) {
    const TXLSFormulaValue& v = a.V;
    switch (v.Kind) {
      case fvkValue:
      case fvkCell:
        if (v.ValueType == fvtError) {
          S.PushError(v.BoolErr);
          return;
        }
        a.Cols = a.Rows = 1;
        break;
      case fvkArea:
      case fvkXArea:
        a.Cols = static_cast<long long>(v.Col2) - v.Col1 + 1;
        a.Rows = static_cast<long long>(v.Row2) - v.Row1 + 1;
        break;
      case fvkArray:
        a.Cols = v.Array ? v.Array->ColCount() : 0;
        a.Rows = v.Array ? v.Array->RowCount() : 0;
        break;
      default:
        shapeErr = errValue;
        break;
    }
    if (a.Cols != args[0].Cols || a.Rows != args[0].Rows) shapeErr = errValue;
  }
  if (shapeErr) {
    S.PushError(shapeErr);
    return;
  }
  // The positions worth visiting: an area contributes only inside its sheet's used area (elsewhere
  // its cells are empty and the product 0), so a whole column costs no more than its used part.
  long long c1 = 0, r1 = 0, c2 = args[0].Cols - 1, r2 = args[0].Rows - 1;
  for (const TGridArg& a : args) {
    if (a.V.Kind != fvkArea && a.V.Kind != fvkXArea) continue;
    const workbook::TXLSCellArea used = a.V.Cells ? a.V.Cells->Dimension() : workbook::TXLSCellArea{};
    if (!workbook::CellAreaAssigned(used)) {
      c2 = c1 - 1;
      break;
    }
    c1 = std::max(c1, static_cast<long long>(used.Col1) - a.V.Col1);
    r1 = std::max(r1, static_cast<long long>(used.Row1) - a.V.Row1);
    c2 = std::min(c2, static_cast<long long>(used.Col2) - a.V.Col1);
    r2 = std::min(r2, static_cast<long long>(used.Row2) - a.V.Row1);
  }
  // Errors anywhere in the arguments are the result, the leftmost argument's first.
  TXLSFormulaValue e;
  for (const TGridArg& a : args) {
    if (a.V.Kind == fvkArray && a.V.Array) {
      for (int r = 0; r < a.Rows; ++r)
        for (int c = 0; c < a.Cols; ++c)
          if (const std::uint8_t err = a.V.Array->GetError(c, r)) {
            S.PushError(err);
            return;
          }
    } else if (a.V.Kind == fvkArea || a.V.Kind == fvkXArea) {
      TValStackIterator& it = S.Iterator();
      it.Init(a.V, true);
      while (it.Next()) {
      }
      if (it.Current().ValueType == fvtError) {
        S.PushError(it.Current().BoolErr);
        return;
      }
    }
  }
  long double sum = 0;
  for (long long r = r1; r <= r2; ++r)
    for (long long c = c1; c <= c2; ++c) {
      long double prod = 1;
      for (const TGridArg& a : args) {
        double x = 0;
        bool number = false;
        if (a.V.Kind == fvkValue || a.V.Kind == fvkCell) {
          number = a.V.ValueType == fvtFloat;
          x = a.V.Number;
        } else if (a.V.Kind == fvkArray) {
          a.V.Array->GetFormulaValue(static_cast<int>(c), static_cast<int>(r), e);
          number = e.ValueType == fvtFloat;
          x = e.Number;
        } else {
          S.ReadCell(a.V.Cells, static_cast<int>(a.V.Col1 + c), static_cast<int>(a.V.Row1 + r), e);
          number = e.ValueType == fvtFloat;
          x = e.Number;
        }
        if (!number) {
          prod = 0;
          break;
        }
        prod *= x;
      }
      sum += prod;
    }
  PushNumber(S, static_cast<double>(sum));
}

// The known lists of a fit: known_y, known_x (1..n when not given) and the constant flag.
struct TFitInput {
  std::vector<double> Y, X, NewX;
  bool Const = true;
  bool Stats = false;
};

bool MissingArg(TValueStack& S) {
  TXLSFormulaValue peek;
  S.PeekArg(0, peek);
  return peek.Kind == fvkValue && peek.ValueType == fvtEmpty;
}

// Pops an optional list; Given tells whether it was there.
bool PopOptionalList(TValueStack& S, int Count, int I, std::vector<double>& Out, bool& Given) {
  Given = false;
  if (I >= Count) return true;
  if (MissingArg(S)) {
    TXLSFormulaValue skip;
    S.PopArg(skip);
    return true;
  }
  Given = true;
  return CollectArg(S, Out);
}

// LINEST and LOGEST read (known_y, [known_x], [const], [stats]); TREND and GROWTH read (known_y,
// [known_x], [new_x], [const]).
bool PopFitInput(TValueStack& S, int Count, bool NewXForm, TFitInput& In) {
  bool givenX = false, givenNew = false;
  if (NewXForm) {
    if (!PopOptionalBool(S, Count, 3, true, In.Const)) return false;
    if (!PopOptionalList(S, Count, 2, In.NewX, givenNew)) return false;
  } else {
    if (!PopOptionalBool(S, Count, 3, false, In.Stats)) return false;
    if (!PopOptionalBool(S, Count, 2, true, In.Const)) return false;
  }
  if (!PopOptionalList(S, Count, 1, In.X, givenX)) return false;
  if (!CollectArg(S, In.Y)) return false;
  if (!givenX)
    for (std::size_t i = 1; i <= In.Y.size(); ++i) In.X.push_back(static_cast<double>(i));
  if (NewXForm && !givenNew) In.NewX = In.X;
  if (In.X.size() != In.Y.size()) {
    S.PushError(errRef);
    return false;
  }
  if (In.Y.size() <= 1) {
    S.PushError(errNum);
    return false;
  }
  return true;
}

// LINEST and LOGEST: a 2 x 5 array of the fit and its statistics.
void Linest(TValueStack& S, int Count, bool Log) {
  TFitInput in;
  if (!PopFitInput(S, Count, false, in)) return;
  TFitRecord f;
  const TFitStatus st = Log ? LogLinearFit(in.Y, in.X, in.Const, f) : LinearFit(in.Y, in.X, in.Const, f);
  if (st != TFitStatus::Ok) {
    S.PushError(errNum);
    return;
  }
  auto a = std::make_unique<TXLSArrayItem>(2, 5);
  auto put = [&](int c, int r, double v) {
    if (std::isfinite(v))
      a->SetFloat(c, r, v);
    else
      a->SetError(c, r, errNum);
  };
  put(0, 0, f.Slope);
  put(1, 0, f.Intercept);
  put(0, 1, f.SeSlope);
  if (in.Const)
    put(1, 1, f.SeIntercept);
  else
    a->SetError(1, 1, errNA);  // no intercept was estimated
  put(0, 2, f.RSquared);
  put(1, 2, f.SeY);
  put(0, 3, f.F);
  put(1, 3, f.DF);
  put(0, 4, f.SSReg);
  put(1, 4, f.SSResid);
  S.PushArray(std::move(a));
}

// TREND and GROWTH: one column of fitted values at the new x. GROWTH fits ln y and is evaluated as
// e^(a + b x), which stays finite where b^x alone would overflow.
void Trend(TValueStack& S, int Count, bool Log) {
  TFitInput in;
  if (!PopFitInput(S, Count, true, in)) return;
  if (Log) {
    for (double& y : in.Y) {
      if (!(y > 0)) {
        S.PushError(errNum);
        return;
      }
      y = std::log(y);
    }
  }
  TFitRecord f;
  const TFitStatus st = LinearFit(in.Y, in.X, in.Const, f);
  if (st == TFitStatus::NoXSpread) {
    S.PushError(errDiv0);
    return;
  }
  if (st == TFitStatus::TooFew) {
    S.PushError(errNum);
    return;
  }
  if (in.NewX.empty()) {
    S.PushError(errValue);
    return;
  }
  auto a = std::make_unique<TXLSArrayItem>(1, static_cast<int>(in.NewX.size()));
  for (std::size_t i = 0; i < in.NewX.size(); ++i) {
    const double line = static_cast<double>(f.MeanY + f.Slope * (in.NewX[i] - f.MeanX));
    const double v = Log ? std::exp(line) : line;
    if (std::isfinite(v))
      a->SetFloat(0, static_cast<int>(i), v);
    else
      a->SetError(0, static_cast<int>(i), errNum);
  }
  S.PushArray(std::move(a));
}

// The rows and columns of a range or array argument; False for other kinds.
bool Shape(const TXLSFormulaValue& V, long long& Rows, long long& Cols) {
  if (V.Kind == fvkArea || V.Kind == fvkXArea || V.Kind == fvkCell) {
    Rows = static_cast<long long>(V.Row2) - V.Row1 + 1;
    Cols = static_cast<long long>(V.Col2) - V.Col1 + 1;
    return true;
  }
  if (V.Kind == fvkArray && V.Array) {
    Rows = V.Array->RowCount();
    Cols = V.Array->ColCount();
    return true;
  }
  return false;
}

void ChiTest(TValueStack& S) {
  TXLSFormulaValue expected, actual;
  S.PopArg(expected);
  S.PopArg(actual);
  long long rows = 0, cols = 0;
  if (!SameCellCount(actual, expected) || CellCount(expected) < 2 || !Shape(expected, rows, cols)) {
    S.PushError(errNA);
    return;
  }
  std::vector<double> a, e;
  if (const std::uint8_t err = CollectPairs(S, actual, expected, a, e)) {
    S.PushError(err);
    return;
  }
  long double stat = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (e[i] < 0) {
      S.PushError(errNum);
      return;
    }
    if (e[i] == 0) {
      S.PushError(errDiv0);
      return;
    }
    stat += static_cast<long double>(a[i] - e[i]) * (a[i] - e[i]) / e[i];
  }
  const double df = rows > 1 && cols > 1 ? static_cast<double>((rows - 1) * (cols - 1))
                    : rows > 1           ? static_cast<double>(rows - 1)
                                         : static_cast<double>(cols - 1);
  const TMathResult r = MathGammaQ(df / 2, static_cast<double>(stat) / 2);
  if (r.Ok())
    S.PushFloat(r.Value);
  else
    S.PushError(r.Error);
}

// F.TEST: two-tailed probability that the variances of the two samples do not differ.
void FTest(TValueStack& S) {
  TXLSFormulaValue bv, av;
  S.PopArg(bv);
  S.PopArg(av);
  std::vector<double> a, b;
  if (const std::uint8_t err = ArgNumbers(S, av, false, a)) {
    S.PushError(err);
    return;
  }
  if (const std::uint8_t err = ArgNumbers(S, bv, false, b)) {
    S.PushError(err);
    return;
  }
  if (a.size() < 2 || b.size() < 2) {
    S.PushError(errDiv0);
    return;
  }
  const double d1 = static_cast<double>(a.size()) - 1, d2 = static_cast<double>(b.size()) - 1;
  const double va = DevSqOf(a, MeanOf(a)) / d1, vb = DevSqOf(b, MeanOf(b)) / d2;
  if (!(va > 0) || !(vb > 0)) {
    S.PushError(errDiv0);
    return;
  }
  const double f = va / vb;
  const double z = d1 * f / (d1 * f + d2);
  const TMathResult lower = MathIbeta(d1 / 2, d2 / 2, z), upper = MathIbetac(d1 / 2, d2 / 2, z);
  if (!lower.Ok() || !upper.Ok()) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, std::min(1.0, 2 * std::min(lower.Value, upper.Value)));
}

void ZTest(TValueStack& S, int Count) {
  double sigma = -1;
  bool hasSigma = false;
  if (Count >= 3) {
    if (MissingArg(S)) {
      TXLSFormulaValue skip;
      S.PopArg(skip);
    } else {
      if (!S.PopFloat(sigma)) return;
      hasSigma = true;
    }
  }
  double x = 0;
  if (!S.PopFloat(x)) return;
  std::vector<double> v;
  if (!CollectArg(S, v)) return;
  if (v.empty()) {
    S.PushError(errNA);
    return;
  }
  if (hasSigma && sigma < 0) {
    S.PushError(errNum);
    return;
  }
  const double p = ZTestP(v, x, hasSigma ? sigma : -1);
  if (std::isnan(p))
    S.PushError(errDiv0);
  else
    PushNumber(S, p);
}

}  // namespace

bool RunPairedStatistics(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidCorrel:
    case fidPearson: LineFunction(S, TLine::Correl); return true;
    case fidRsq: LineFunction(S, TLine::Rsq); return true;
    case fidCovar:
    case fidCovarianceP: LineFunction(S, TLine::CovarP); return true;
    case fidCovarianceS: LineFunction(S, TLine::CovarS); return true;
    case fidSlope: LineFunction(S, TLine::Slope); return true;
    case fidIntercept: LineFunction(S, TLine::Intercept); return true;
    case fidSteyx: LineFunction(S, TLine::Steyx); return true;
    case fidForecast: Forecast(S); return true;
    case fidSumX2MY2: PairSum(S, TPairSum::X2MY2); return true;
    case fidSumX2PY2: PairSum(S, TPairSum::X2PY2); return true;
    case fidSumXMY2: PairSum(S, TPairSum::XMY2); return true;
    case fidSumProduct: SumProduct(S, Count); return true;
    case fidLinest: Linest(S, Count, false); return true;
    case fidLogest: Linest(S, Count, true); return true;
    case fidTrend: Trend(S, Count, false); return true;
    case fidGrowth: Trend(S, Count, true); return true;
    case fidChiTest:
    case fidChisqTest: ChiTest(S); return true;
    case fidFTest:
    case fidFTest2: FTest(S); return true;
    case fidZTest:
    case fidZTest2: ZTest(S, Count); return true;
    default: return false;
  }
}

}  // namespace formula::functions
