// Descriptive statistics over one list of numbers: dispersion and shape, means, order statistics,
// FREQUENCY, PROB and STANDARDIZE. The family's entry point asks the paired and distribution parts
// as well.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include "formula/functions/families.h"
#include "formula/functions/numeric_routines.h"
#include "formula/functions/statistics_common.h"
#include "formula/functions/statistics_families.h"
#include "formula/support/value_arrays.h"

namespace formula::functions {

namespace {

using namespace stats;

enum : int {
  fidStdev = 12, fidVar = 46, fidStdevP = 193, fidVarP = 194, fidRank = 216, fidMedian = 227, fidFrequency = 252,
  fidAveDev = 269, fidStandardize = 297, fidProb = 317, fidDevSq = 318, fidGeoMean = 319, fidHarMean = 320,
  fidKurt = 322, fidSkew = 323, fidLarge = 325, fidSmall = 326, fidQuartile = 327, fidPercentile = 328,
  fidPercentRank = 329, fidMode = 330, fidTrimMean = 331, fidStdevPA = 364, fidVarPA = 365, fidStdevA = 366,
  fidVarA = 367, fidStdevS = 819, fidStdevP2 = 820, fidVarS = 821, fidVarP2 = 822, fidModeSngl = 823,
  fidPercentileInc = 824, fidQuartileInc = 825, fidPercentileExc = 826, fidQuartileExc = 827, fidModeMult = 841,
  fidPercentRankExc = 843, fidPercentRankInc = 860, fidRankEq = 862,
};

enum class TDispersion { SampleVar, PopVar, SampleSd, PopSd };

void Dispersion(TValueStack& S, int Count, bool AForm, TDispersion Kind) {
  std::vector<double> v;
  if (!CollectNumbers(S, Count, AForm, v)) return;
  const bool sample = Kind == TDispersion::SampleVar || Kind == TDispersion::SampleSd;
  const std::size_t need = sample ? 2 : 1;
  if (v.size() < need) {
    S.PushError(errDiv0);
    return;
  }
  const double n = static_cast<double>(v.size());
  const double var = DevSqOf(v, MeanOf(v)) / (sample ? n - 1 : n);
  PushNumber(S, Kind == TDispersion::SampleSd || Kind == TDispersion::PopSd ? std::sqrt(var) : var);
}

// Collects the numbers of the arguments (sorted when asked); an empty list pushes EmptyError.
// False once a result (an error) was pushed.
bool CollectSome(TValueStack& S, int Count, std::uint8_t EmptyError, std::vector<double>& V, bool Sorted = false) {
  if (!CollectNumbers(S, Count, false, V)) return false;
  if (V.empty()) {
    S.PushError(EmptyError);
    return false;
  }
  if (Sorted) std::sort(V.begin(), V.end());
  return true;
}

// GEOMEAN and HARMEAN: the sum of Term over numbers that must all be positive; false once an error
// was pushed.
bool SumOverPositives(TValueStack& S, int Count, std::uint8_t EmptyError, long double (*Term)(double),
                      long double& Sum, std::size_t& N) {
  std::vector<double> v;
  if (!CollectSome(S, Count, EmptyError, v)) return false;
  Sum = 0;
  for (double x : v) {
    if (!(x > 0)) {
      S.PushError(errNum);
      return false;
    }
    Sum += Term(x);
  }
  N = v.size();
  return true;
}

void AveDev(TValueStack& S, int Count) {
  std::vector<double> v;
  if (!CollectSome(S, Count, errValue, v)) return;
  const long double m = MeanOf(v);
  long double s = 0;
  for (double x : v) s += std::fabs(x - m);
  PushNumber(S, static_cast<double>(s / static_cast<long double>(v.size())));
}

void DevSq(TValueStack& S, int Count) {
  std::vector<double> v;
  if (!CollectSome(S, Count, errDiv0, v)) return;
  PushNumber(S, DevSqOf(v, MeanOf(v)));
}

void GeoMean(TValueStack& S, int Count) {
  long double s = 0;
  std::size_t n = 0;
  if (!SumOverPositives(S, Count, errNum, [](double x) -> long double { return std::log(x); }, s, n)) return;
  PushNumber(S, std::exp(static_cast<double>(s / static_cast<long double>(n))));
}

void HarMean(TValueStack& S, int Count) {
  long double s = 0;
  std::size_t n = 0;
  if (!SumOverPositives(S, Count, errNA, [](double x) { return 1.0L / x; }, s, n)) return;
  PushNumber(S, static_cast<double>(static_cast<long double>(n) / s));
}

// KURT (Fourth) and SKEW: the standardised moments with their small-sample corrections.
void Moment(TValueStack& S, int Count, bool Fourth) {
  std::vector<double> v;
  if (!CollectSome(S, Count, errNA, v)) return;
  const double n = static_cast<double>(v.size());
  if (n < (Fourth ? 4 : 3)) {
    S.PushError(errDiv0);
    return;
  }
  const long double m = MeanOf(v);
  const long double sd = std::sqrt(static_cast<long double>(DevSqOf(v, m)) / (n - 1));
  if (!(sd > 0)) {
    S.PushError(errDiv0);
    return;
  }
  long double sum = 0;
  for (double x : v) {
    const long double z = (x - m) / sd;
    sum += Fourth ? z * z * z * z : z * z * z;
  }
  const double s = static_cast<double>(sum);
  if (Fourth)
    PushNumber(S, s * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
  else
    PushNumber(S, n * s / ((n - 1) * (n - 2)));
}

void Median(TValueStack& S, int Count) {
  std::vector<double> v;
  if (!CollectSome(S, Count, errNum, v, true)) return;
  const std::size_t h = v.size() / 2;
  PushNumber(S, v.size() % 2 ? v[h] : v[h - 1] / 2 + v[h] / 2);
}

// The longest run of equal values in the sorted list; ties keep the smaller value.
void Mode(TValueStack& S, int Count) {
  std::vector<double> v;
  if (!CollectSome(S, Count, errNum, v, true)) return;
  double best = v[0];
  std::size_t bestLen = 1, runLen = 1;
  for (std::size_t i = 1; i <= v.size(); ++i) {
    if (i < v.size() && v[i] == v[i - 1]) {
      ++runLen;
      continue;
    }
    if (runLen > bestLen) {
      bestLen = runLen;
      best = v[i - 1];
    }
    runLen = 1;
  }
  if (bestLen < 2)
    S.PushError(errNA);
  else
    S.PushFloat(best);
}

// The values that occur most often (at least twice), as a column in the order of first occurrence.
void ModeMult(TValueStack& S, int Count) {
  std::vector<double> v;
  if (!CollectNumbers(S, Count, false, v)) return;
  std::map<double, std::size_t> freq;
  std::size_t best = 0;
  for (double x : v) best = std::max(best, ++freq[x]);
  if (best < 2) {
    S.PushError(errNA);
    return;
  }
  std::vector<double> modes;
  for (double x : v) {
    auto it = freq.find(x);
    if (it != freq.end() && it->second == best) {
      modes.push_back(x);
      freq.erase(it);  // written once
    }
  }
  auto a = std::make_unique<TXLSArrayItem>(1, static_cast<int>(modes.size()));
  for (std::size_t i = 0; i < modes.size(); ++i) a->SetFloat(0, static_cast<int>(i), modes[i]);
  S.PushArray(std::move(a));
}

// LARGE and SMALL: k is truncated to a whole position.
void KthValue(TValueStack& S, bool Largest) {
  double k = 0;
  if (!S.PopFloat(k)) return;
  std::vector<double> v;
  if (!CollectArg(S, v)) return;
  k = std::trunc(k);
  if (!(k >= 1)) {
    S.PushError(errValue);
    return;
  }
  if (static_cast<double>(v.size()) < k) {
    S.PushError(errNum);
    return;
  }
  const std::size_t i = static_cast<std::size_t>(k) - 1;
  if (Largest) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end(), std::greater<double>());
  } else {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
  }
  S.PushFloat(v[i]);
}

// The exclusive percentile: position k (n + 1) among the sorted values, which must lie inside them.
bool PercentileExc(const std::vector<double>& V, double K, double& R) {
  const double n = static_cast<double>(V.size());
  if (V.empty() || !(K > 0 && K < 1)) return false;
  const double pos = K * (n + 1);
  if (pos < 1 || pos > n) return false;
  const double i = std::floor(pos);
  const double f = pos - i;
  const std::size_t j = static_cast<std::size_t>(i) - 1;
  R = f != 0 && j + 1 < V.size() ? V[j] + f * (V[j + 1] - V[j]) : V[j];
  return true;
}

// PERCENTILE and QUARTILE in both forms. For QUARTILE the argument is the quarter (truncated).
void Percentile(TValueStack& S, bool Quartile, bool Exclusive) {
  double k = 0;
  if (!S.PopFloat(k)) return;
  std::vector<double> v;
  if (!CollectArg(S, v)) return;
  std::sort(v.begin(), v.end());
  if (Quartile) {
    k = std::trunc(k);
    if (Exclusive ? !(k >= 1 && k <= 3) : !(k >= 0 && k <= 4)) {
      S.PushError(errNum);
      return;
    }
    k /= 4;
  }
  double r = 0;
  const bool ok = Exclusive ? PercentileExc(v, k, r) : PercentileOf(v, k, r);
  if (!ok)
    S.PushError(errNum);
  else
    PushNumber(S, r);
}

// PERCENTRANK: the interpolated position of x among the sorted values, cut (not rounded) to the
// significance's number of digits. The exclusive form ranks in 1..n out of n + 1.
void PercentRank(TValueStack& S, int Count, bool Exclusive) {
  double sig = 3;
  if (!PopOptionalFloat(S, Count, 2, 3, sig)) return;
  double x = 0;
  if (!S.PopFloat(x)) return;
  std::vector<double> v;
  if (!CollectArg(S, v)) return;
  sig = std::trunc(sig);
  if (v.empty() || !(sig >= 1)) {
    S.PushError(errNum);
    return;
  }
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  if (x < v[0] || x > v[n - 1]) {
    S.PushError(errNA);
    return;
  }
  double rank;
  if (n == 1) {
    rank = 1;
  } else {
    // The first value not below x, and the interpolated position.
    const std::size_t hi = static_cast<std::size_t>(std::lower_bound(v.begin(), v.end(), x) - v.begin());
    double pos;
    if (v[hi] == x) {
      pos = static_cast<double>(hi);
    } else {
      const std::size_t lo = hi - 1;
      pos = static_cast<double>(lo) + (x - v[lo]) / (v[hi] - v[lo]);
    }
    rank = Exclusive ? (pos + 1) / static_cast<double>(n + 1) : pos / static_cast<double>(n - 1);
  }
  if (sig > 15) {
    PushNumber(S, rank);
    return;
  }
  const double scale = std::pow(10.0, sig);
  // The scaled rank is first cut to 15 significant digits, so that 0.3 (stored below) stays 0.3.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", rank * scale);
  PushNumber(S, std::floor(std::strtod(buf, nullptr)) / scale);
}

// RANK and RANK.EQ: equal values share the best rank of their group.
void Rank(TValueStack& S, int Count) {
  double order = 0;
  if (!PopOptionalFloat(S, Count, 2, 0, order)) return;
  TXLSFormulaValue ref;
  S.PopArg(ref);
  double x = 0;
  if (!S.PopFloat(x)) return;
  std::vector<double> v;
  if (const std::uint8_t err = ArgNumbers(S, ref, false, v)) {
    S.PushError(err);
    return;
  }
  std::size_t before = 0;
  bool found = false;
  for (double e : v) {
    if (e == x) found = true;
    if (order != 0 ? e < x : e > x) ++before;
  }
  if (!found)
    S.PushError(errNA);
  else
    S.PushFloat(static_cast<double>(before + 1));
}

void TrimMean(TValueStack& S) {
  TXLSFormulaValue pv;
  S.PopArg(pv);
  double percent = 0;
  std::uint8_t err = 0;
  if (!S.ToNumber(pv, percent, err) || err) {
    S.PushError(err ? err : static_cast<std::uint8_t>(errValue));
    return;
  }
  std::vector<double> v;
  if (!CollectArg(S, v)) return;
  if (v.empty() || !(percent >= 0 && percent < 1)) {
    S.PushError(errNum);
    return;
  }
  std::sort(v.begin(), v.end());
  std::size_t t = static_cast<std::size_t>(std::floor(static_cast<double>(v.size()) * percent));
  if (t % 2) --t;
  const std::size_t drop = t / 2;
  long double s = 0;
  for (std::size_t i = drop; i < v.size() - drop; ++i) s += v[i];
  PushNumber(S, static_cast<double>(s / static_cast<long double>(v.size() - 2 * drop)));
}

// FREQUENCY: each number of the data falls into the bin with the smallest value not below it (the
// first such bin in the bins' order), or into the last row; the bins need not be sorted.
void Frequency(TValueStack& S) {
  TXLSFormulaValue binsArg, dataArg;
  S.PopArg(binsArg);
  S.PopArg(dataArg);
  std::vector<double> data, bins;
  if (const std::uint8_t err = ArgNumbers(S, dataArg, false, data)) {
    S.PushError(err);
    return;
  }
  if (ArgNumbers(S, binsArg, false, bins)) {
    S.PushError(errNA);
    return;
  }
  std::vector<std::size_t> order(bins.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return bins[a] < bins[b]; });
  std::vector<double> sorted(bins.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = bins[order[i]];
  std::vector<double> counts(bins.size() + 1, 0.0);
  for (double x : data) {
    const std::size_t i = static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), x) - sorted.begin());
    counts[i < order.size() ? order[i] : bins.size()] += 1;
  }
  auto a = std::make_unique<TXLSArrayItem>(1, static_cast<int>(counts.size()));
  for (std::size_t i = 0; i < counts.size(); ++i) a->SetFloat(0, static_cast<int>(i), counts[i]);
  S.PushArray(std::move(a));
}

void Prob(TValueStack& S, int Count) {
  double upper = 0, lower = 0;
  const bool hasUpper = Count >= 4;
  if (hasUpper && !PopOptionalFloat(S, Count, 3, 0, upper)) return;
  if (!S.PopFloat(lower)) return;
  if (!hasUpper) upper = lower;
  TXLSFormulaValue probs, xs;
  S.PopArg(probs);
  S.PopArg(xs);
  std::vector<double> x, p;
  if (const std::uint8_t err = CollectPairs(S, xs, probs, x, p)) {
    S.PushError(err);
    return;
  }
  long double sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!(p[i] >= 0 && p[i] <= 1)) {
      S.PushError(errNum);
      return;
    }
    if (x[i] >= lower && x[i] <= upper) sum += p[i];
  }
  PushNumber(S, static_cast<double>(sum));
}

void Standardize(TValueStack& S) {
  double sd = 0, mean = 0, x = 0;
  if (!S.PopFloat(sd) || !S.PopFloat(mean) || !S.PopFloat(x)) return;
  if (sd < 0) {
    S.PushError(errNum);
    return;
  }
  if (sd == 0) {
    S.PushError(errDiv0);
    return;
  }
  PushNumber(S, (x - mean) / sd);
}

}  // namespace

bool RunDescriptiveStatistics(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidStdev:
    case fidStdevS: Dispersion(S, Count, false, TDispersion::SampleSd); return true;
    case fidStdevA: Dispersion(S, Count, true, TDispersion::SampleSd); return true;
    case fidStdevP:
    case fidStdevP2: Dispersion(S, Count, false, TDispersion::PopSd); return true;
    case fidStdevPA: Dispersion(S, Count, true, TDispersion::PopSd); return true;
    case fidVar:
    case fidVarS: Dispersion(S, Count, false, TDispersion::SampleVar); return true;
    case fidVarA: Dispersion(S, Count, true, TDispersion::SampleVar); return true;
    case fidVarP:
    case fidVarP2: Dispersion(S, Count, false, TDispersion::PopVar); return true;
    case fidVarPA: Dispersion(S, Count, true, TDispersion::PopVar); return true;
    case fidAveDev: AveDev(S, Count); return true;
    case fidDevSq: DevSq(S, Count); return true;
    case fidGeoMean: GeoMean(S, Count); return true;
    case fidHarMean: HarMean(S, Count); return true;
    case fidKurt: Moment(S, Count, true); return true;
    case fidSkew: Moment(S, Count, false); return true;
    case fidMedian: Median(S, Count); return true;
    case fidMode:
    case fidModeSngl: Mode(S, Count); return true;
    case fidModeMult: ModeMult(S, Count); return true;
    case fidLarge: KthValue(S, true); return true;
    case fidSmall: KthValue(S, false); return true;
    case fidPercentile:
    case fidPercentileInc: Percentile(S, false, false); return true;
    case fidPercentileExc: Percentile(S, false, true); return true;
    case fidQuartile:
    case fidQuartileInc: Percentile(S, true, false); return true;
    case fidQuartileExc: Percentile(S, true, true); return true;
    case fidPercentRank:
    case fidPercentRankInc: PercentRank(S, Count, false); return true;
    case fidPercentRankExc: PercentRank(S, Count, true); return true;
    case fidRank:
    case fidRankEq: Rank(S, Count); return true;
    case fidTrimMean: TrimMean(S); return true;
    case fidFrequency: Frequency(S); return true;
    case fidProb: Prob(S, Count); return true;
    case fidStandardize: Standardize(S); return true;
    default: return false;
  }
}

bool RunStatisticsFunction(TValueStack& S, int Id, int Count) {
  return RunDescriptiveStatistics(S, Id, Count) || RunPairedStatistics(S, Id, Count) ||
         RunDistributionFunction(S, Id, Count);
}

}  // namespace formula::functions
