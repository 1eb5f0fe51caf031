#include "formula/functions/numeric_routines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/calendar.h"
#include "formula/support/locale.h"
#include "formula/support/special_functions.h"
#include "workbook/library_utils.h"

namespace formula::functions {

void PushNumber(TValueStack& S, double V) {
  if (std::isfinite(V))
    S.PushFloat(V);
  else
    S.PushError(errNum);
}

long double MeanOf(const std::vector<double>& V) {
  long double s = 0;
  for (double v : V) s += v;
  return V.empty() ? 0.0L : s / static_cast<long double>(V.size());
}

// Two passes in extended precision, so that large offsets cancel exactly.
double DevSqOf(const std::vector<double>& V, long double Mean) {
  long double s = 0;
  for (double v : V) {
    const long double d = v - Mean;
    s += d * d;
  }
  return static_cast<double>(s);
}

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::int64_t CellCount(const TXLSFormulaValue& Value) {
  switch (Value.Kind) {
    case fvkValue:
    case fvkCell:
      return 1;
    case fvkArea:
    case fvkXArea:
      return (static_cast<std::int64_t>(Value.Col2) - Value.Col1 + 1) * (static_cast<std::int64_t>(Value.Row2) - Value.Row1 + 1);
    case fvkAreaList:
      return Value.Areas ? Value.Areas->GetCellCount() : 0;
    case fvkArray:
      return Value.Array ? static_cast<std::int64_t>(Value.Array->ColCount()) * Value.Array->RowCount() : 0;
    default:
      return 0;
  }
}

namespace {
bool RefOrArray(const TXLSFormulaValue& V) {
  return V.Kind == fvkCell || V.Kind == fvkArea || V.Kind == fvkXArea || V.Kind == fvkArray;
}
}  // namespace

bool SameCellCount(const TXLSFormulaValue& A, const TXLSFormulaValue& B) {
  return RefOrArray(A) && RefOrArray(B) && CellCount(A) == CellCount(B);
}

bool IsVector(const TXLSFormulaValue& Value) {
  if (Value.Kind == fvkArea || Value.Kind == fvkXArea) {
    const bool oneCol = Value.Col1 == Value.Col2, oneRow = Value.Row1 == Value.Row2;
    return oneCol != oneRow;
  }
  if (Value.Kind == fvkArray && Value.Array) return (Value.Array->ColCount() > 1) != (Value.Array->RowCount() > 1);
  return false;
}

void ReduceToLine(TXLSFormulaValue& Value, bool First) {
  if (Value.Kind != fvkArea && Value.Kind != fvkXArea) return;
  if (Value.Col2 - Value.Col1 > Value.Row2 - Value.Row1) {
    if (First)
      Value.Row2 = Value.Row1;
    else
      Value.Row1 = Value.Row2;
  } else {
    if (First)
      Value.Col2 = Value.Col1;
    else
      Value.Col1 = Value.Col2;
  }
}

std::uint8_t ReadCellFloat(TValueStack& S, workbook::TXLSCellMMU* Cells, int Col, int Row, bool& NoValue,
                           double& Number) {
  TXLSFormulaValue v;
  S.ReadCell(Cells, Col, Row, v);
  NoValue = false;
  Number = 0;
  switch (v.ValueType) {
    case fvtError:
      return v.BoolErr;
    case fvtFloat:
      Number = v.Number;
      return 0;
    case fvtBoolean:
      Number = v.BoolErr ? 1 : 0;
      return 0;
    case fvtString:
      if (!TextToFloat(v.Text, S.Locale(), Number)) {
        Number = 0;
        NoValue = true;
      }
      return 0;
    default:
      NoValue = true;
      return 0;
  }
}

bool IsCellBlank(workbook::TXLSCellMMU* Cells, int Col, int Row) {
  workbook::TMMUCellRef ref;
  if (!Cells || !Cells->FindCell(Col, Row, ref)) return true;
  return workbook::TXLSCellMMU::CellType(ref) == workbook::cvkBlank;
}

int CellIsNumber(workbook::TXLSCellMMU* Cells, int Col, int Row) {
  workbook::TMMUCellRef ref;
  if (!Cells || !Cells->FindCell(Col, Row, ref)) return 0;
  using namespace workbook;
  switch (TXLSCellMMU::CellType(ref)) {
    case cvkBoolean:
    case cvkBooleanFormula:
      return 2;
    case cvkError:
    case cvkErrorFormula:
      return 3;
    case cvkString:
    case cvkStringFormula:
      return 4;
    case cvkFloat:
    case cvkFloatFormula:
      return 1;
    default:
      return 0;
  }
}

int PairSums(TValueStack& S, const TXLSFormulaValue& X, const TXLSFormulaValue& Y, double& SumX, double& SumY) {
  TValStackIterator& it = S.Iterator();
  it.InitPair(X, Y, false);
  int n = 0;
  long double sx = 0, sy = 0;
  while (it.NextNumber()) {
    ++n;
    sx += it.Current().Number;
    sy += it.NextIterator()->Current().Number;
  }
  it.FreeNext();
  SumX = static_cast<double>(sx);
  SumY = static_cast<double>(sy);
  return n;
}

bool PercentileOf(const std::vector<double>& Sorted, double P, double& Result) {
  if (Sorted.empty() || !(P >= 0 && P <= 1)) return false;
  const double h = static_cast<double>(Sorted.size() - 1) * P;
  const double k = std::floor(h);
  const double f = h - k;
  const std::size_t i = static_cast<std::size_t>(k);
  Result = f != 0 && i + 1 < Sorted.size() ? Sorted[i] + f * (Sorted[i + 1] - Sorted[i]) : Sorted[i];
  return true;
}

TFitStatus LinearFit(const std::vector<double>& Y, const std::vector<double>& X, bool WithConst, TFitRecord& Fit) {
  Fit = TFitRecord();
  const std::size_t n = Y.size();
  if (n == 0 || X.size() != n) return TFitStatus::TooFew;
  const long double mx = WithConst ? MeanOf(X) : 0.0L, my = WithConst ? MeanOf(Y) : 0.0L;
  long double sxx = 0, syy = 0, sxy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const long double dx = X[i] - mx, dy = Y[i] - my;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  if (!(sxx > 0)) return TFitStatus::NoXSpread;
  const double slope = static_cast<double>(sxy / sxx);
  Fit.Slope = slope;
  Fit.MeanX = mx;
  Fit.MeanY = my;
  Fit.Intercept = WithConst ? static_cast<double>(my - slope * mx) : 0.0;
  // All y equal: the line is still defined (flat), but no statistics are.
  if (!(syy > 0)) return TFitStatus::NoYSpread;
  // The residuals summed directly: Syy - b Sxy cancels badly for a near-perfect fit.
  long double resid = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const long double e = Y[i] - (Fit.Intercept + slope * X[i]);
    resid += e * e;
  }
  const double df = static_cast<double>(n) - (WithConst ? 2.0 : 1.0);
  Fit.DF = df;
  Fit.SSResid = static_cast<double>(resid);
  Fit.SSReg = static_cast<double>(syy - resid);
  if (Fit.SSReg < 0) Fit.SSReg = 0;
  Fit.RSquared = Fit.SSReg / static_cast<double>(syy);
  if (df > 0) {
    Fit.SeY = std::sqrt(Fit.SSResid / df);
    Fit.F = Fit.SSResid == 0 ? PERFECT_FIT_F : df * Fit.SSReg / Fit.SSResid;
    Fit.SeSlope = Fit.SeY / std::sqrt(static_cast<double>(sxx));
    Fit.SeIntercept =
        WithConst ? Fit.SeY * static_cast<double>(std::sqrt(1.0L / static_cast<long double>(n) + mx * mx / sxx)) : 0.0;
  } else {
    // As many parameters as points: the line passes through them all, F is undefined.
    Fit.F = kNaN;
  }
  return TFitStatus::Ok;
}

TFitStatus LogLinearFit(const std::vector<double>& Y, const std::vector<double>& X, bool WithConst, TFitRecord& Fit) {
  std::vector<double> ly(Y.size());
  for (std::size_t i = 0; i < Y.size(); ++i) {
    if (!(Y[i] > 0)) {
      Fit = TFitRecord();
      return TFitStatus::TooFew;
    }
    ly[i] = std::log(Y[i]);
  }
  const TFitStatus st = LinearFit(ly, X, WithConst, Fit);
  if (st != TFitStatus::Ok && st != TFitStatus::NoYSpread) return st;
  Fit.Intercept = std::exp(Fit.Intercept);
  Fit.Slope = std::exp(Fit.Slope);
  return st;
}

bool GrowthAt(const std::vector<double>& Y, const std::vector<double>& X, double At, double& Result) {
  TFitRecord f;
  const TFitStatus st = LogLinearFit(Y, X, true, f);
  if (st != TFitStatus::Ok && st != TFitStatus::NoYSpread) return false;
  Result = f.Intercept * std::pow(f.Slope, At);
  return std::isfinite(Result);
}

double DiscountSum(const std::vector<double>& Values, double Rate) {
  const double a = 1.0 / (1.0 + Rate);
  double r = 0;
  for (double v : Values) r = r * a + v;
  return r * a;
}

double FDistRightTail(double A, double B, double X) {
  const double z = B / (A * X + B);
  if (z == 0 || z == 1) return z;
  const TMathResult r = MathIbeta(B / 2, A / 2, z);
  return r.Ok() ? r.Value : kNaN;
}

int DayCount(int Basis, double Start, double End) {
  if (Basis >= 1 && Basis <= 3) return static_cast<int>(std::lround(End - Start));
  if (Basis != 0 && Basis != 4) return 0;
  int y1, m1, d1, y2, m2, d2;
  DecodeSerialDate(Start, y1, m1, d1);
  DecodeSerialDate(End, y2, m2, d2);
  int days = (m2 - m1 + 12 * (y2 - y1)) * 30 + d2 - d1;
  if (Basis == 0 && m1 == 2 && m2 != 2 && y1 == y2) {
    --days;
    if (!core::is_leap_year(y1)) --days;
  }
  return days;
}

int YearDays(int Basis, double Date) {
  switch (Basis) {
    case 1: {
      int y, m, d;
      DecodeSerialDate(Date, y, m, d);
      return core::is_leap_year(y) ? 366 : 365;
    }
    case 3:
      return 365;
    case 0:
    case 2:
    case 4:
      return 360;
    default:
      return 0;
  }
}

double DBPeriod(double Life, int Period, int Month, double Salvage, double Cost) {
  if (Salvage == 0) Salvage = 0.001;
  if (Month == 0) Month = 12;
  const double rate = static_cast<double>(workbook::RoundDecimals(1.0L - std::pow(Salvage / Cost, 1.0 / Life), 3));
  double total = 0, amount = 0;
  for (int p = 1; p <= Period; ++p) {
    if (p == 1)
      amount = Cost * rate * Month / 12;
    else if (p == Life + 1)
      amount = (Cost - total) * rate * (12 - Month) / 12;
    else
      amount = (Cost - total) * rate;
    total += amount;
  }
  return Period < 1 ? 0 : amount;
}

double DDBPeriod(double Factor, double Period, double Life, double Salvage, double Cost) {
  if (Life <= 2) return Period == 1 ? Cost - Salvage : 0;
  const double rate = Factor / Life;
  const double v = Cost * std::pow(1 - rate, Period - 1);
  double amount = std::min(rate * v, v - Salvage);
  return amount < 0 ? 0 : amount;
}

double VDBSpan(bool NoSwitch, double Factor, double Start, double End, double Life, double Salvage, double Cost) {
  if (Factor == 0) Factor = 2;
  const double rate = Factor / Life;
  const double declining = Cost * (std::pow(1 - rate, Start) - std::pow(1 - rate, End));
  if (NoSwitch) return declining;
  const double straight = (Cost - Salvage) * (End - Start) / Life;
  return std::max(declining, straight);
}

double ZTestP(const std::vector<double>& Values, double X, double Sigma) {
  const double n = static_cast<double>(Values.size());
  if (Values.empty()) return kNaN;
  const long double m = MeanOf(Values);
  double se;
  if (Sigma < 0) {
    if (Values.size() < 2) return kNaN;
    se = std::sqrt(DevSqOf(Values, m) / (n - 1) / n);
  } else {
    se = Sigma / std::sqrt(n);
  }
  if (!(se > 0)) return kNaN;
  // 1 - Phi(z) as Phi(-z), which keeps its digits far in the upper tail.
  const TMathResult r = MathNormalCdf(static_cast<double>(-(m - X) / se));
  return r.Ok() ? r.Value : kNaN;
}

double TTestP(const std::vector<double>& A, const std::vector<double>& B, int Tails, int Type, std::uint8_t& Err) {
  Err = 0;
  double t = 0, df = 0;
  if (Type == 1) {
    if (A.size() != B.size()) {
      Err = errNA;
      return kNaN;
    }
    std::vector<double> d(A.size());
    for (std::size_t i = 0; i < A.size(); ++i) d[i] = A[i] - B[i];
    const double n = static_cast<double>(d.size());
    if (d.size() < 2) {
      Err = errDiv0;
      return kNaN;
    }
    const long double m = MeanOf(d);
    const double var = DevSqOf(d, m) / (n - 1);
    if (!(var > 0)) {
      Err = errDiv0;
      return kNaN;
    }
    t = static_cast<double>(m / std::sqrt(var / n));
    df = n - 1;
  } else {
    const double na = static_cast<double>(A.size()), nb = static_cast<double>(B.size());
    if (A.size() < 2 || B.size() < 2) {
      Err = errDiv0;
      return kNaN;
    }
    const long double ma = MeanOf(A), mb = MeanOf(B);
    const double va = DevSqOf(A, ma) / (na - 1), vb = DevSqOf(B, mb) / (nb - 1);
    if (Type == 2) {
      df = na + nb - 2;
      const double pooled = ((na - 1) * va + (nb - 1) * vb) / df;
      const double se = std::sqrt(pooled * (1 / na + 1 / nb));
      if (!(se > 0)) {
        Err = errDiv0;
        return kNaN;
      }
      t = static_cast<double>((ma - mb) / se);
    } else {
      const double qa = va / na, qb = vb / nb;
      const double se2 = qa + qb;
      if (!(se2 > 0)) {
        Err = errDiv0;
        return kNaN;
      }
      t = static_cast<double>((ma - mb) / std::sqrt(se2));
      df = se2 * se2 / (qa * qa / (na - 1) + qb * qb / (nb - 1));
    }
  }
  // The upper tail at |t| through the incomplete beta function, which keeps small p-values exact.
  const TMathResult tail = MathIbeta(df / 2, 0.5, df / (df + t * t));
  if (!tail.Ok()) {
    Err = errNum;
    return kNaN;
  }
  const double oneTail = tail.Value / 2;
  return Tails == 1 ? oneTail : 2 * oneTail;
}

}  // namespace formula::functions
