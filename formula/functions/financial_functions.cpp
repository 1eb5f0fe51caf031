// Financial worksheet functions: the annuity relation (PV, FV, PMT, NPER, RATE, IPMT, PPMT, ISPMT),
// cash flows (NPV, XNPV, IRR, XIRR, MIRR), depreciation (DB, DDB, SLN, SYD, VDB) and ACCRINT. Money paid
// out is negative, money received positive; a type other than 0 puts payments at the start of each
// period. Rate searches are bounded and report #NUM! when they do not settle.
#include <algorithm>
#include <cmath>
#include <vector>

#include "formula/functions/date_time_calendar.h"
#include "formula/functions/families.h"
#include "formula/functions/financial_arguments.h"
#include "formula/functions/numeric_routines.h"

namespace formula::functions {

namespace {

enum : int {
  fidNpv = 11, fidPv = 56, fidFv = 57, fidNper = 58, fidPmt = 59, fidRate = 60, fidMirr = 61, fidIrr = 62,
  fidSln = 142, fidSyd = 143, fidDdb = 144, fidIpmt = 167, fidPpmt = 168, fidVdb = 222, fidDb = 247,
  fidIspmt = 350, fidAccrint = 868, fidXirr = 871, fidXnpv = 872,
};

constexpr int kMaxIterations = 100;
// Depreciation walks its periods one by one; no schedule has more periods than this.
constexpr double kMaxPeriods = 1e6;

// (1 + r)^n and ((1 + r)^n - 1) / r, the latter without cancellation near r = 0. A rate below -1
// works for whole period counts (NaN, so #NUM!, for others).
double Growth(double R, double N) { return std::pow(1 + R, N); }
double AnnuityFactor(double R, double N) {
  if (R == 0) return N;
  if (std::fabs(R) < 0.5) return std::expm1(N * std::log1p(R)) / R;
  return (std::pow(1 + R, N) - 1) / R;
}

// A quotient whose divisor is zero is #DIV/0!; another result that is not finite #NUM!.
void PushQuotient(TValueStack& S, double Dividend, double Divisor) {
  if (Divisor == 0)
    S.PushError(errDiv0);
  else
    PushNumber(S, Dividend / Divisor);
}

// The annuity relation pv (1 + r)^n + pmt (1 + r t) ((1 + r)^n - 1) / r + fv; zero for a consistent set.
double Annuity(double R, double N, double Pmt, double Pv, double Fv, bool Begin) {
  return Pv * Growth(R, N) + Pmt * (1 + R * (Begin ? 1 : 0)) * AnnuityFactor(R, N) + Fv;
}

double Fv(double R, double N, double Pmt, double Pv, bool Begin) { return -(Annuity(R, N, Pmt, Pv, 0, Begin)); }

double Pmt(double R, double N, double Pv, double Fv, bool Begin) {
  return -(Pv * Growth(R, N) + Fv) / ((1 + R * (Begin ? 1 : 0)) * AnnuityFactor(R, N));
}

// The rate r > -1 with F(r) = 0, by Newton's method from Guess; False when it does not settle within
// the bound, or settles where F is not zero (a search that crept towards -1). Scale is the size of the
// amounts, for the zero test.
template <class F, class D>
bool SolveRate(double Guess, double Scale, F&& Fn, D&& Derivative, double& Rate) {
  double r = Guess;
  for (int i = 0; i < kMaxIterations; ++i) {
    const double f = Fn(r);
    const double d = Derivative(r);
    if (!std::isfinite(f) || !std::isfinite(d) || d == 0) return false;
    double next = r - f / d;
    if (next <= -1) next = (r - 1) / 2;  // stay inside the domain, halfway to -1
    if (std::fabs(next - r) <= 1e-13 * std::max(1.0, std::fabs(r))) {
      // A rate of -100 % is no answer: some relations vanish there whatever the amounts.
      if (next < -1 + 1e-9) return false;
      Rate = next;
      const double rest = Fn(next);
      return std::isfinite(rest) && std::fabs(rest) <= 1e-9 * std::max(1.0, Scale);
    }
    r = next;
  }
  return false;
}

// The rate SolveRate finds as the result, or #NUM! when there is none.
template <class F, class D>
void PushSolvedRate(TValueStack& S, double Guess, double Scale, F&& Fn, D&& Derivative) {
  double rate = 0;
  if (SolveRate(Guess, Scale, Fn, Derivative, rate))
    PushNumber(S, rate);
  else
    S.PushError(errNum);
}

// The size of a list of cash flows, for the zero test of SolveRate.
double AmountScale(const std::vector<double>& Values) {
  double scale = 0;
  for (double v : Values) scale += std::fabs(v);
  return scale;
}

// PV, FV, PMT and NPER: rate, then the two others of nper/pmt/pv, then [fv or pv = 0], [type = 0].
void AnnuityFn(TValueStack& S, int Count, int Id) {
  TFunctionArgs a(S, Count);
  double r = 0, x1 = 0, x2 = 0, x3 = 0, type = 0;
  if (!a.CountIn(3, 5) || !a.Number(0, r) || !a.Number(1, x1) || !a.Number(2, x2) || !a.Number(3, 0, x3) ||
      !a.Number(4, 0, type))
    return;
  const bool begin = type != 0;
  switch (Id) {
    case fidPv: {  // nper, pmt, fv
      const double n = x1, pmt = x2, fv = x3;
      PushQuotient(S, -(pmt * (1 + r * begin) * AnnuityFactor(r, n) + fv), Growth(r, n));
      return;
    }
    case fidFv:  // nper, pmt, pv
      PushNumber(S, Fv(r, x1, x2, x3, begin));
      return;
    case fidPmt:  // nper, pv, fv
      PushNumber(S, Pmt(r, x1, x2, x3, begin));
      return;
    default: {  // NPER: pmt, pv, fv
      const double pmt = x1, pv = x2, fv = x3;
      if (r == 0) {
        if (pmt == 0) {
          S.PushError(errDiv0);
          return;
        }
        PushNumber(S, -(pv + fv) / pmt);
        return;
      }
      const double p = pmt * (1 + r * begin);
      const double q = (p - fv * r) / (p + pv * r);
      if (!(q > 0) || r <= -1) {
        S.PushError(errNum);
        return;
      }
      PushNumber(S, std::log(q) / std::log1p(r));
      return;
    }
  }
}

// RATE(nper, pmt, pv, [fv = 0], [type = 0], [guess = 0.1]).
void Rate(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double n = 0, pmt = 0, pv = 0, fv = 0, type = 0, guess = 0.1;
  if (!a.CountIn(3, 6) || !a.Number(0, n) || !a.Number(1, pmt) || !a.Number(2, pv) || !a.Number(3, 0, fv) ||
      !a.Number(4, 0, type) || !a.Number(5, 0.1, guess))
    return;
  const bool begin = type != 0;
  if (n <= 0 || guess <= -1) {
    S.PushError(errNum);
    return;
  }
  auto f = [&](double r) { return Annuity(r, n, pmt, pv, fv, begin); };
  auto d = [&](double r) {
    const double g = Growth(r, n);
    const double dg = n * g / (1 + r);
    const double annuity = AnnuityFactor(r, n);
    // d/dr ((1 + r)^n - 1) / r; its limit at 0 is n (n - 1) / 2.
    const double dAnnuity = std::fabs(r) < 1e-7 ? n * (n - 1) / 2 : (dg * r - (g - 1)) / (r * r);
    return pv * dg + pmt * ((begin ? annuity : 0) + (1 + r * (begin ? 1 : 0)) * dAnnuity);
  };
  PushSolvedRate(S, guess, std::fabs(pv) + std::fabs(fv) + std::fabs(pmt) * n, f, d);
}

// IPMT and PPMT(rate, per, nper, pv, [fv = 0], [type = 0]).
void InterestPrincipal(TValueStack& S, int Count, bool Principal) {
  TFunctionArgs a(S, Count);
  double r = 0, per = 0, n = 0, pv = 0, fv = 0, type = 0;
  if (!a.CountIn(4, 6) || !a.Number(0, r) || !a.Number(1, per) || !a.Number(2, n) || !a.Number(3, pv) ||
      !a.Number(4, 0, fv) || !a.Number(5, 0, type))
    return;
  const bool begin = type != 0;
  if (per < 1 || per > n || r <= -1) {
    S.PushError(errNum);
    return;
  }
  const double pmt = Pmt(r, n, pv, fv, begin);
  double interest;
  if (per == 1)
    interest = begin ? 0 : -pv * r;
  else if (begin)
    interest = (Fv(r, per - 2, pmt, pv, true) - pmt) * r;
  else
    interest = Fv(r, per - 1, pmt, pv, false) * r;
  PushNumber(S, Principal ? pmt - interest : interest);
}

// ISPMT(rate, per, nper, pv): the interest of period per of a loan repaid in equal principal parts.
void Ispmt(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double r = 0, per = 0, n = 0, pv = 0;
  if (!a.Number(0, r) || !a.Number(1, per) || !a.Number(2, n) || !a.Number(3, pv)) return;
  if (n == 0) {
    S.PushError(errDiv0);
    return;
  }
  PushNumber(S, pv * r * (per / n - 1));
}

// The numbers of the list arguments From.. (NPV's values), in argument order.
bool ListNumbers(TFunctionArgs& A, int From, int To, bool Strict, std::vector<double>& Out) {
  for (int i = From; i <= To && i < A.Count(); ++i)
    if (const std::uint8_t err = CollectListNumbers(A.Stack(), A.At(i), Strict, Out)) return A.Fail(err);
  return true;
}

// NPV(rate, value1, ...): value k discounted by (1 + rate)^k, the values in argument order and each
// range's cells in reading order.
void Npv(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double r = 0;
  std::vector<double> values;
  if (!a.Number(0, r) || !ListNumbers(a, 1, a.Count() - 1, false, values)) return;
  if (r == -1) {
    S.PushError(errDiv0);
    return;
  }
  double sum = 0, factor = 1;
  for (double v : values) {
    factor /= 1 + r;
    sum += v * factor;
  }
  PushNumber(S, sum);
}

bool HasBothSigns(const std::vector<double>& V) {
  return std::any_of(V.begin(), V.end(), [](double x) { return x > 0; }) &&
         std::any_of(V.begin(), V.end(), [](double x) { return x < 0; });
}

// IRR(values, [guess = 0.1]).
void Irr(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  std::vector<double> values;
  double guess = 0.1;
  if (!ListNumbers(a, 0, 0, false, values) || !a.Number(1, 0.1, guess)) return;
  if (values.size() < 2 || !HasBothSigns(values) || guess <= -1) {
    S.PushError(errNum);
    return;
  }
  auto f = [&](double r) {
    double sum = 0, factor = 1;
    for (double v : values) sum += v * factor, factor /= 1 + r;
    return sum;
  };
  auto d = [&](double r) {
    double sum = 0, factor = 1 / (1 + r);
    for (std::size_t i = 0; i < values.size(); ++i) sum -= static_cast<double>(i) * values[i] * factor, factor /= 1 + r;
    return sum;
  };
  PushSolvedRate(S, guess, AmountScale(values), f, d);
}

// The values and dates of XNPV and XIRR; dates are whole days, none before the first.
bool CashFlows(TFunctionArgs& A, int ValuesAt, int DatesAt, std::vector<double>& Values, std::vector<double>& Dates) {
  if (!ListNumbers(A, ValuesAt, ValuesAt, true, Values) || !ListNumbers(A, DatesAt, DatesAt, true, Dates)) return false;
  if (Values.size() < 2 || Values.size() != Dates.size()) return A.Fail(errNum);
  for (double& d : Dates) {
    if (!(d >= 0 && d <= 2958466)) return A.Fail(errNum);
    d = std::floor(d);
    if (d < Dates[0]) return A.Fail(errNum);
  }
  return true;
}

double Xnpv(double R, const std::vector<double>& Values, const std::vector<double>& Dates) {
  double sum = 0;
  for (std::size_t i = 0; i < Values.size(); ++i) sum += Values[i] / std::pow(1 + R, (Dates[i] - Dates[0]) / 365);
  return sum;
}

// XNPV(rate, values, dates).
void XnpvFn(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double r = 0;
  std::vector<double> values, dates;
  if (!a.Number(0, r) || !CashFlows(a, 1, 2, values, dates)) return;
  if (r <= -1) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, Xnpv(r, values, dates));
}

// XIRR(values, dates, [guess = 0.1]).
void Xirr(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  std::vector<double> values, dates;
  double guess = 0.1;
  if (!CashFlows(a, 0, 1, values, dates) || !a.Number(2, 0.1, guess)) return;
  if (!HasBothSigns(values) || guess <= -1) {
    S.PushError(errNum);
    return;
  }
  auto f = [&](double r) { return Xnpv(r, values, dates); };
  auto d = [&](double r) {
    double sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const double t = (dates[i] - dates[0]) / 365;
      sum -= t * values[i] / std::pow(1 + r, t + 1);
    }
    return sum;
  };
  PushSolvedRate(S, guess, AmountScale(values), f, d);
}

// MIRR(values, finance_rate, reinvest_rate).
void Mirr(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  std::vector<double> values;
  double fr = 0, rr = 0;
  if (!ListNumbers(a, 0, 0, false, values) || !a.Number(1, fr) || !a.Number(2, rr)) return;
  if (!HasBothSigns(values)) {
    S.PushError(errDiv0);
    return;
  }
  if (fr <= -1 || rr <= -1) {
    S.PushError(errNum);
    return;
  }
  const double n = static_cast<double>(values.size());
  double pos = 0, neg = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    if (v > 0)
      pos += v / std::pow(1 + rr, static_cast<double>(i));
    else
      neg += v / std::pow(1 + fr, static_cast<double>(i));
  }
  // The positive flows carried forward to the end at the reinvestment rate, against the payments
  // discounted to the start at the finance rate.
  PushNumber(S, std::pow(-pos * std::pow(1 + rr, n - 1) / neg, 1 / (n - 1)) - 1);
}

// DB(cost, salvage, life, period, [month = 12]): fixed-declining balance, the rate rounded to three
// decimals; the first period covers month months, a period life + 1 the rest of the last year.
void Db(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double cost = 0, salvage = 0, life = 0, period = 0, month = 12;
  if (!a.CountIn(4, 5) || !a.Number(0, cost) || !a.Number(1, salvage) || !a.Number(2, life) ||
      !a.Number(3, period) || !a.Whole(4, 12, month))
    return;
  period = std::trunc(period);
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || month < 1 || month > 12 ||
      period > life + (month == 12 ? 0 : 1) || period > kMaxPeriods) {
    S.PushError(errNum);
    return;
  }
  if (cost == 0) {
    S.PushFloat(0);
    return;
  }
  const double rate = std::round((1 - std::pow(salvage / cost, 1 / life)) * 1000) / 1000;
  double total = cost * rate * month / 12;
  double dep = total;
  for (double p = 2; p <= period; ++p) {
    dep = (cost - total) * rate;
    if (p > life) dep = dep * (12 - month) / 12;
    total += dep;
  }
  PushNumber(S, dep);
}

// The double-declining (factor) depreciation of one period, not below the salvage.
double DecliningPeriod(double Cost, double Salvage, double Life, double Period, double Factor) {
  double rate = Factor / Life;
  double before, after;
  if (rate >= 1) {
    rate = 1;
    before = Period == 1 ? Cost : 0;
    after = 0;
  } else {
    before = Cost * std::pow(1 - rate, Period - 1);
    after = Cost * std::pow(1 - rate, Period);
  }
  const double d = after < Salvage ? before - Salvage : before - after;
  return std::max(d, 0.0);
}

// DDB(cost, salvage, life, period, [factor = 2]).
void Ddb(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double cost = 0, salvage = 0, life = 0, period = 0, factor = 2;
  if (!a.CountIn(4, 5) || !a.Number(0, cost) || !a.Number(1, salvage) || !a.Number(2, life) ||
      !a.Number(3, period) || !a.Number(4, 2, factor))
    return;
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || factor <= 0 || period > life) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, DecliningPeriod(cost, salvage, life, period, factor));
}

void Sln(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double cost = 0, salvage = 0, life = 0;
  if (!a.Number(0, cost) || !a.Number(1, salvage) || !a.Number(2, life)) return;
  if (life == 0) {
    S.PushError(errDiv0);
    return;
  }
  PushNumber(S, (cost - salvage) / life);
}

void Syd(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double cost = 0, salvage = 0, life = 0, per = 0;
  if (!a.Number(0, cost) || !a.Number(1, salvage) || !a.Number(2, life) || !a.Number(3, per)) return;
  if (life <= 0 || per <= 0 || per > life) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, (cost - salvage) * (life - per + 1) * 2 / (life * (life + 1)));
}

// The declining-balance depreciation of the first Period periods (fraction of the last one included)
// of an asset with Life1 periods left, switching to straight line once that is larger.
double SwitchingDepreciation(double Cost, double Salvage, double Life, double Life1, double Period, double Factor) {
  double total = 0, rest = Cost - Salvage, line = 0;
  bool straight = false;
  const double last = std::ceil(Period);
  for (double i = 1; i <= last; ++i) {
    double term;
    if (!straight) {
      const double declining = DecliningPeriod(Cost, Salvage, Life, i, Factor);
      line = rest / (Life1 - (i - 1));
      if (line > declining) {
        term = line;
        straight = true;
      } else {
        term = declining;
        rest -= declining;
      }
    } else {
      term = line;
    }
    if (i == last) term *= Period + 1 - last;
    total += term;
  }
  return total;
}

// VDB(cost, salvage, life, start, end, [factor = 2], [no_switch = FALSE]): declining-balance
// depreciation between two points of the life, fractions of periods included.
void Vdb(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double cost = 0, salvage = 0, life = 0, start = 0, end = 0, factor = 2;
  bool noSwitch = false;
  if (!a.CountIn(5, 7) || !a.Number(0, cost) || !a.Number(1, salvage) || !a.Number(2, life) ||
      !a.Number(3, start) || !a.Number(4, end) || !a.Number(5, 2, factor) || !a.Bool(6, false, noSwitch))
    return;
  if (cost < 0 || salvage < 0 || life <= 0 || start < 0 || end < start || end > life || factor <= 0 ||
      end > kMaxPeriods) {
    S.PushError(errNum);
    return;
  }
  double result = 0;
  if (noSwitch) {
    const double first = std::floor(start), last = std::ceil(end);
    for (double i = first + 1; i <= last; ++i) {
      double term = DecliningPeriod(cost, salvage, life, i, factor);
      if (i == first + 1)
        term *= std::min(end, first + 1) - start;
      else if (i == last)
        term *= end + 1 - last;
      result += term;
    }
  } else {
    double life1 = life;
    if (start != std::floor(start) && factor > 1 && start >= life / 2) {
      const double part = start - life / 2;
      start = life / 2;
      end -= part;
      life1 += 1;
    }
    const double rest = cost - SwitchingDepreciation(cost, salvage, life, life1, start, factor);
    result = SwitchingDepreciation(rest, salvage, life, life - start, end - start, factor);
  }
  PushNumber(S, result);
}

// ACCRINT(issue, first_interest, settlement, rate, [par = 1000], [frequency = 1], [basis = 0]): the
// interest accrued from issue to settlement, par * rate * the year fraction of the basis.
void Accrint(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double issue = 0, first = 0, settlement = 0, rate = 0, par = 1000, frequency = 1, basis = 0;
  if (!a.Number(0, issue) || !a.Number(1, first) || !a.Number(2, settlement) || !a.Number(3, rate) ||
      !a.Number(4, 1000, par) || !a.Whole(5, 1, frequency) || !a.Whole(6, 0, basis))
    return;
  const double end = 2958466;
  if (issue < 0 || issue >= end || first < 0 || first >= end || settlement < 0 || settlement >= end) {
    S.PushError(errNum);
    return;
  }
  double fraction = 0;
  if (rate <= 0 || par <= 0 || (frequency != 1 && frequency != 2 && frequency != 4) ||
      std::floor(issue) >= std::floor(settlement) ||
      !YearFraction(issue, settlement, static_cast<int>(std::clamp(basis, -1.0, 5.0)), fraction)) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, par * rate * fraction);
}

}  // namespace

bool RunFinancialFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidPv:
    case fidFv:
    case fidPmt:
    case fidNper: AnnuityFn(S, Count, Id); return true;
    case fidRate: Rate(S, Count); return true;
    case fidIpmt: InterestPrincipal(S, Count, false); return true;
    case fidPpmt: InterestPrincipal(S, Count, true); return true;
    case fidIspmt: Ispmt(S, Count); return true;
    case fidNpv: Npv(S, Count); return true;
    case fidXnpv: XnpvFn(S, Count); return true;
    case fidIrr: Irr(S, Count); return true;
    case fidXirr: Xirr(S, Count); return true;
    case fidMirr: Mirr(S, Count); return true;
    case fidDb: Db(S, Count); return true;
    case fidDdb: Ddb(S, Count); return true;
    case fidSln: Sln(S, Count); return true;
    case fidSyd: Syd(S, Count); return true;
    case fidVdb: Vdb(S, Count); return true;
    case fidAccrint: Accrint(S, Count); return true;
    default: return false;
  }
}

}  // namespace formula::functions
