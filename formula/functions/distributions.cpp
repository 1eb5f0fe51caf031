// Probability distribution functions, each in its legacy and newer form, and the Student's t
// functions. Arguments are checked here; the numerical work is Boost.Math's, evaluated under the
// engine's non-throwing policy so that no input ends a calculation: a value that does not come out
// finite is #NUM!.
#include <cmath>
#include <initializer_list>

// GCC's may-be-uninitialised analysis reports a false positive inside Boost's fisher_f at -O3.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include "formula/functions/statistics_common.h"
#include "formula/functions/statistics_families.h"
#include "formula/support/special_functions.h"

namespace formula::functions {

namespace {

using namespace stats;
namespace bm = boost::math;
using TPol = TNoThrowPolicy;

enum : int {
  fidBetaDistOld = 270, fidBetaInvOld = 272, fidBinomDistOld = 273, fidChiDist = 274, fidChiInv = 275,
  fidConfidence = 277, fidCritBinom = 278, fidExponDistOld = 280, fidFDist = 281, fidFInv = 282, fidFisher = 283,
  fidFisherInv = 284, fidGammaDistOld = 286, fidGammaInvOld = 287, fidHypgeomDistOld = 289, fidLognormDistOld = 290,
  fidLogInv = 291, fidNegbinomDistOld = 292, fidNormDistOld = 293, fidNormSDistOld = 294, fidNormInvOld = 295,
  fidNormSInvOld = 296, fidPoisson = 300, fidTDist = 301, fidWeibull = 302, fidTDist2T = 800,
  fidTDistRT = 801, fidTDistNew = 802, fidChisqInv = 805, fidChisqInvRT = 806,
  fidGammaInv = 807, fidLognormInv = 808, fidNormInv = 809, fidNormSInv = 810, fidFInvNew = 811, fidFInvRT = 812,
  fidBinomInv = 813, fidLognormDist = 814, fidErfc = 816, fidErfcPrecise = 817, fidChisqDist = 831,
  fidConfidenceT = 832, fidErfPrecise = 835, fidFDistNew = 836, fidBetaDist = 846,
  fidBetaInv = 847, fidBinomDist = 848, fidChisqDistRT = 849, fidConfidenceNorm = 851, fidExponDist = 853,
  fidFDistRT = 854, fidGammaDist = 855, fidHypgeomDist = 856, fidNegbinomDist = 857, fidNormDist = 858,
  fidNormSDist = 859, fidPoissonDist = 861, fidWeibullDist = 864,
};

// Shape parameters above this leave the range where the incomplete beta and gamma functions keep
// their accuracy (P(a, a) is already wrong in the third digit at a = 1e11) or finish quickly; such
// arguments are #NUM!. It is also the spreadsheet applications' limit for the degrees of freedom.
constexpr double kMaxShape = 1e10;
constexpr double kMaxChiDf = kMaxShape;

bool AllFinite(std::initializer_list<double> Args) {
  for (double a : Args)
    if (!std::isfinite(a)) return false;
  return true;
}

// Runs Fn when every argument is finite and pushes its value, or #NUM!.
template <class F>
void PushMath(TValueStack& S, std::initializer_list<double> Args, F&& Fn) {
  if (!AllFinite(Args)) {
    S.PushError(errNum);
    return;
  }
  const TMathResult r = SafeMath(Fn);
  if (r.Ok())
    S.PushFloat(r.Value);
  else
    S.PushError(r.Error);
}

// Pops N arguments as numbers, the last argument first, into V[N - 1] .. V[0].
template <std::size_t N>
bool PopNumbers(TValueStack& S, double (&V)[N], std::size_t Count = N) {
  for (std::size_t i = Count; i-- > 0;)
    if (!S.PopFloat(V[i])) return false;
  return true;
}

// BETA.DIST(x, alpha, beta, cum, [A], [B]) and BETADIST(x, alpha, beta, [A], [B]) (cumulative); x
// is rescaled from [A, B] to [0, 1].
void BetaDist(TValueStack& S, int Count, bool Legacy) {
  const int boundsAt = Legacy ? 3 : 4;
  double lo = 0, hi = 1;
  if (!PopOptionalFloat(S, Count, boundsAt + 1, 1, hi) || !PopOptionalFloat(S, Count, boundsAt, 0, lo)) return;
  bool cum = true;
  if (!Legacy && !S.PopBool(cum)) return;
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double x = v[0], a = v[1], b = v[2];
  if (!(a > 0 && b > 0 && a <= kMaxShape && b <= kMaxShape && lo < hi && x >= lo && x <= hi)) {
    S.PushError(errNum);
    return;
  }
  const double z = (x - lo) / (hi - lo);
  PushMath(S, {z, a, b}, [&] {
    return cum ? bm::ibeta(a, b, z, TPol()) : bm::ibeta_derivative(a, b, z, TPol()) / (hi - lo);
  });
}

// BETA.INV and BETAINV: the inverse of the cumulative beta distribution, scaled to [A, B].
void BetaInv(TValueStack& S, int Count) {
  double lo = 0, hi = 1;
  if (!PopOptionalFloat(S, Count, 4, 1, hi) || !PopOptionalFloat(S, Count, 3, 0, lo)) return;
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double p = v[0], a = v[1], b = v[2];
  if (!(a > 0 && b > 0 && a <= kMaxShape && b <= kMaxShape && lo < hi && p > 0 && p <= 1)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, a, b, lo, hi}, [&] { return lo + (hi - lo) * bm::ibeta_inv(a, b, p, TPol()); });
}

void BinomDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double p = 0, trials = 0, k = 0;
  if (!S.PopFloat(p) || !PopTrunc(S, trials) || !PopTrunc(S, k)) return;
  if (!(k >= 0 && trials >= k && trials <= kMaxShape && p >= 0 && p <= 1)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, trials, k}, [&] {
    const bm::binomial_distribution<double, TPol> d(trials, p);
    return cum ? bm::cdf(d, k) : bm::pdf(d, k);
  });
}

// BINOM.INV and CRITBINOM: the smallest number of successes whose cumulative probability reaches
// alpha, found by bisection over the whole numbers (the distribution function is monotone).
void BinomInv(TValueStack& S) {
  double alpha = 0, p = 0, trials = 0;
  if (!S.PopFloat(alpha) || !S.PopFloat(p) || !PopTrunc(S, trials)) return;
  if (!(trials >= 0 && trials <= kMaxShape && p >= 0 && p <= 1 && alpha >= 0 && alpha <= 1)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {alpha, p, trials}, [&] {
    const bm::binomial_distribution<double, TPol> d(trials, p);
    double lo = 0, hi = trials;  // cdf(hi) = 1 >= alpha
    while (lo < hi) {
      const double mid = std::floor((lo + hi) / 2);
      const double c = bm::cdf(d, mid);
      if (std::isnan(c)) return c;
      if (c >= alpha)
        hi = mid;
      else
        lo = mid + 1;
    }
    return lo;
  });
}

bool ChiDf(double& Df) {
  Df = std::trunc(Df);
  return Df >= 1 && Df <= kMaxChiDf;
}

void ChisqDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double df = 0, x = 0;
  if (!S.PopFloat(df) || !S.PopFloat(x)) return;
  if (!(x >= 0) || !ChiDf(df)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, df}, [&] {
    if (cum) return bm::gamma_p(df / 2, x / 2, TPol());
    return bm::pdf(bm::chi_squared_distribution<double, TPol>(df), x);
  });
}

// CHISQ.DIST.RT and CHIDIST: the upper tail, computed directly so small tails keep their digits.
void ChisqDistRT(TValueStack& S) {
  double df = 0, x = 0;
  if (!S.PopFloat(df) || !S.PopFloat(x)) return;
  if (!(x >= 0) || !ChiDf(df)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, df}, [&] { return bm::gamma_q(df / 2, x / 2, TPol()); });
}

void ChisqInv(TValueStack& S, bool RightTail) {
  double df = 0, p = 0;
  if (!S.PopFloat(df) || !S.PopFloat(p)) return;
  const bool pOk = RightTail ? p > 0 && p <= 1 : p >= 0 && p < 1;
  if (!pOk || !ChiDf(df)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, df}, [&] {
    return 2 * (RightTail ? bm::gamma_q_inv(df / 2, p, TPol()) : bm::gamma_p_inv(df / 2, p, TPol()));
  });
}

// CONFIDENCE.NORM and CONFIDENCE (normal quantile), CONFIDENCE.T (Student's t with size - 1 degrees
// of freedom).
void Confidence(TValueStack& S, bool T) {
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double alpha = v[0], sd = v[1];
  const double size = std::trunc(v[2]);
  if (!(alpha > 0 && alpha < 1 && sd > 0 && size >= 1)) {
    S.PushError(errNum);
    return;
  }
  if (T && size < 2) {
    S.PushError(errDiv0);
    return;
  }
  PushMath(S, {alpha, sd, size}, [&] {
    const double q = T ? bm::quantile(bm::complement(bm::students_t_distribution<double, TPol>(size - 1), alpha / 2))
                       : bm::quantile(bm::complement(bm::normal_distribution<double, TPol>(0, 1), alpha / 2));
    return q * sd / std::sqrt(size);
  });
}

void ExponDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double lambda = 0, x = 0;
  if (!S.PopFloat(lambda) || !S.PopFloat(x)) return;
  if (!(x >= 0 && lambda > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, lambda}, [&] { return cum ? -std::expm1(-lambda * x) : lambda * std::exp(-lambda * x); });
}

// The degrees of freedom of the F functions, truncated; below 1 the reader's #VALUE!.
bool PopDf(TValueStack& S, double& Df) {
  if (!PopTrunc(S, Df)) return false;
  if (!(Df >= 1)) {
    S.PushError(errValue);
    return false;
  }
  if (Df > kMaxShape) {
    S.PushError(errNum);
    return false;
  }
  return true;
}

void FDist(TValueStack& S, bool Cumulative, bool RightTail) {
  bool cum = Cumulative;
  if (!RightTail && !S.PopBool(cum)) return;
  double d1 = 0, d2 = 0, x = 0;
  if (!PopDf(S, d2) || !PopDf(S, d1) || !S.PopFloat(x)) return;
  if (!(x >= 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, d1, d2}, [&] {
    const bm::fisher_f_distribution<double, TPol> d(d1, d2);
    if (RightTail) return bm::cdf(bm::complement(d, x));
    return cum ? bm::cdf(d, x) : bm::pdf(d, x);
  });
}

void FInv(TValueStack& S, bool RightTail) {
  double d1 = 0, d2 = 0, p = 0;
  if (!PopDf(S, d2) || !PopDf(S, d1) || !S.PopFloat(p)) return;
  const bool pOk = RightTail ? p > 0 && p <= 1 : p >= 0 && p < 1;
  if (!pOk) {
    S.PushError(errNum);
    return;
  }
  // Through the inverse incomplete beta function with both w and 1 - w, as the F quantile is
  // d2 w / (d1 (1 - w)); 1 - w comes exact from the inverse rather than from a subtraction.
  PushMath(S, {p, d1, d2}, [&] {
    double y = 0;
    const double w = RightTail ? bm::ibetac_inv(d1 / 2, d2 / 2, p, &y, TPol()) : bm::ibeta_inv(d1 / 2, d2 / 2, p, &y, TPol());
    return d2 * w / (d1 * y);
  });
}

void GammaDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double x = v[0], alpha = v[1], beta = v[2];
  if (!(x >= 0 && alpha > 0 && alpha <= kMaxShape && beta > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, alpha, beta}, [&] {
    return cum ? bm::gamma_p(alpha, x / beta, TPol()) : bm::gamma_p_derivative(alpha, x / beta, TPol()) / beta;
  });
}

void GammaInv(TValueStack& S) {
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double p = v[0], alpha = v[1], beta = v[2];
  if (!(p >= 0 && p < 1 && alpha > 0 && alpha <= kMaxShape && beta > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, alpha, beta}, [&] { return bm::gamma_p_inv(alpha, p, TPol()) * beta; });
}

// HYPGEOM.DIST(sample_s, number_sample, population_s, number_pop, cum); HYPGEOMDIST has no flag and
// gives the probability of the single outcome.
void HypgeomDist(TValueStack& S, bool HasFlag) {
  bool cum = false;
  if (HasFlag && !S.PopBool(cum)) return;
  double v[4];
  for (std::size_t i = 4; i-- > 0;)
    if (!PopTrunc(S, v[i])) return;
  const double k = v[0], n = v[1], succ = v[2], pop = v[3];
  if (!(k >= 0 && n > 0 && succ > 0 && pop > 0 && n <= pop && succ <= pop && k <= n && k <= succ &&
        k >= n + succ - pop && pop <= 2147483647.0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {k, n, succ, pop}, [&] {
    const bm::hypergeometric_distribution<double, TPol> d(static_cast<unsigned>(succ), static_cast<unsigned>(n),
                                                          static_cast<unsigned>(pop));
    const double r = cum ? bm::cdf(d, static_cast<unsigned>(k)) : bm::pdf(d, static_cast<unsigned>(k));
    return std::fmin(1.0, std::fmax(0.0, r));
  });
}

// LOGNORM.DIST(x, mean, sd, [cum]) and LOGNORMDIST(x, mean, sd): without the flag cumulative (the
// function table gives LOGNORM.DIST three arguments as well).
void LognormDist(TValueStack& S, int Count) {
  bool cum = true;
  if (Count >= 4 && !S.PopBool(cum)) return;
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double x = v[0], mean = v[1], sd = v[2];
  if (!(x > 0 && sd > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, mean, sd}, [&] {
    const double z = (std::log(x) - mean) / sd;
    if (cum) return 0.5 * bm::erfc(-z / std::sqrt(2.0), TPol());
    return std::exp(-z * z / 2) * 0.39894228040143268 / sd / x;
  });
}

void LognormInv(TValueStack& S) {
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double p = v[0], mean = v[1], sd = v[2];
  if (!(p > 0 && p < 1 && sd > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, mean, sd}, [&] {
    return std::exp(mean + sd * bm::quantile(bm::normal_distribution<double, TPol>(0, 1), p));
  });
}

// NEGBINOM.DIST(failures, successes, p, cum); NEGBINOMDIST gives the probability of the single
// outcome.
void NegbinomDist(TValueStack& S, bool HasFlag) {
  bool cum = false;
  if (HasFlag && !S.PopBool(cum)) return;
  double p = 0, succ = 0, fail = 0;
  if (!S.PopFloat(p) || !PopTrunc(S, succ) || !PopTrunc(S, fail)) return;
  if (!(succ >= 1 && fail >= 0 && succ <= kMaxShape && fail <= kMaxShape && p > 0 && p <= 1)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, succ, fail}, [&] {
    if (cum) return bm::ibeta(succ, fail + 1, p, TPol());
    return bm::pdf(bm::negative_binomial_distribution<double, TPol>(succ, p), fail);
  });
}

void NormDist(TValueStack& S, bool Standard, bool HasFlag) {
  bool cum = true;
  if (HasFlag && !S.PopBool(cum)) return;
  double mean = 0, sd = 1, x = 0;
  if (!Standard && (!S.PopFloat(sd) || !S.PopFloat(mean))) return;
  if (!S.PopFloat(x)) return;
  if (!(sd > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, mean, sd}, [&] {
    const double z = (x - mean) / sd;
    if (cum) return 0.5 * bm::erfc(-z / std::sqrt(2.0), TPol());
    return std::exp(-z * z / 2) * 0.39894228040143268 / sd;
  });
}

void NormInv(TValueStack& S, bool Standard) {
  double mean = 0, sd = 1, p = 0;
  if (!Standard && (!S.PopFloat(sd) || !S.PopFloat(mean))) return;
  if (!S.PopFloat(p)) return;
  if (!(p > 0 && p < 1 && sd > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {p, mean, sd}, [&] { return mean + sd * bm::quantile(bm::normal_distribution<double, TPol>(0, 1), p); });
}

// POISSON.DIST and POISSON: x is truncated; a mean of 0 puts all weight on 0.
void PoissonDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double mean = 0, x = 0;
  if (!S.PopFloat(mean) || !PopTrunc(S, x)) return;
  if (!(x >= 0 && mean >= 0 && x <= kMaxShape && mean <= kMaxShape)) {
    S.PushError(errNum);
    return;
  }
  if (mean == 0) {
    S.PushFloat(cum || x == 0 ? 1 : 0);
    return;
  }
  PushMath(S, {x, mean}, [&] {
    return cum ? bm::gamma_q(x + 1, mean, TPol()) : bm::pdf(bm::poisson_distribution<double, TPol>(mean), x);
  });
}

// The degrees of freedom of the t functions, truncated.
bool PopTDf(TValueStack& S, double& Df) {
  if (!PopTrunc(S, Df)) return false;
  return true;
}

// T.DIST(x, df, [cum]): the distribution function for any x, or the density. The function table
// gives T.DIST two arguments; without the flag it is cumulative.
void TDistNew(TValueStack& S, int Count) {
  bool cum = true;
  if (Count >= 3 && !S.PopBool(cum)) return;
  double df = 0, x = 0;
  if (!PopTDf(S, df) || !S.PopFloat(x)) return;
  if (!(df >= 1)) {
    S.PushError(cum ? errNum : errDiv0);
    return;
  }
  PushMath(S, {x, df}, [&] {
    const bm::students_t_distribution<double, TPol> d(df);
    return cum ? bm::cdf(d, x) : bm::pdf(d, x);
  });
}

// The upper tail (one tail) or both tails of Student's t at x.
void TTails(TValueStack& S, double X, double Df, int Tails) {
  if (!(Df >= 1) || (Tails == 2 && !(X >= 0))) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {X, Df}, [&] {
    const double upper = bm::cdf(bm::complement(bm::students_t_distribution<double, TPol>(Df), X));
    return Tails == 2 ? 2 * upper : upper;
  });
}

void TDistTails(TValueStack& S, int Tails) {
  double df = 0, x = 0;
  if (!PopTDf(S, df) || !S.PopFloat(x)) return;
  TTails(S, x, df, Tails);
}

// TDIST(x, df, tails): tails first, then the two-argument forms; x may not be negative.
void TDistLegacy(TValueStack& S) {
  double tails = 0, df = 0, x = 0;
  if (!PopTrunc(S, tails) || !PopTDf(S, df) || !S.PopFloat(x)) return;
  if ((tails != 1 && tails != 2) || !(x >= 0)) {
    S.PushError(errNum);
    return;
  }
  TTails(S, x, df, static_cast<int>(tails));
}

void WeibullDist(TValueStack& S) {
  bool cum = false;
  if (!S.PopBool(cum)) return;
  double v[3];
  if (!PopNumbers(S, v)) return;
  const double x = v[0], alpha = v[1], beta = v[2];
  if (!(x >= 0 && alpha > 0 && beta > 0)) {
    S.PushError(errNum);
    return;
  }
  PushMath(S, {x, alpha, beta}, [&] {
    const double t = std::pow(x / beta, alpha);
    if (cum) return -std::expm1(-t);
    return alpha / beta * std::pow(x / beta, alpha - 1) * std::exp(-t);
  });
}

template <class F>
void Unary(TValueStack& S, F&& Fn) {
  double x = 0;
  if (!S.PopFloat(x)) return;
  PushMath(S, {x}, [&] { return Fn(x); });
}

}  // namespace

bool RunDistributionFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidBetaDist: BetaDist(S, Count, false); return true;
    case fidBetaDistOld: BetaDist(S, Count, true); return true;
    case fidBetaInv:
    case fidBetaInvOld: BetaInv(S, Count); return true;
    case fidBinomDist:
    case fidBinomDistOld: BinomDist(S); return true;
    case fidBinomInv:
    case fidCritBinom: BinomInv(S); return true;
    case fidChisqDist: ChisqDist(S); return true;
    case fidChisqDistRT:
    case fidChiDist: ChisqDistRT(S); return true;
    case fidChisqInv: ChisqInv(S, false); return true;
    case fidChisqInvRT:
    case fidChiInv: ChisqInv(S, true); return true;
    case fidConfidence:
    case fidConfidenceNorm: Confidence(S, false); return true;
    case fidConfidenceT: Confidence(S, true); return true;
    case fidErfc:
    case fidErfcPrecise: Unary(S, [](double x) { return bm::erfc(x, TPol()); }); return true;
    case fidErfPrecise: Unary(S, [](double x) { return bm::erf(x, TPol()); }); return true;
    case fidExponDist:
    case fidExponDistOld: ExponDist(S); return true;
    case fidFDistNew: FDist(S, false, false); return true;
    case fidFDistRT:
    case fidFDist: FDist(S, true, true); return true;
    case fidFInvNew: FInv(S, false); return true;
    case fidFInvRT:
    case fidFInv: FInv(S, true); return true;
    case fidFisher: {
      double x = 0;
      if (!S.PopFloat(x)) return true;
      if (!(x > -1 && x < 1))
        S.PushError(errNum);
      else
        PushNumber(S, std::atanh(x));
      return true;
    }
    case fidFisherInv: Unary(S, [](double y) { return std::tanh(y); }); return true;
    case fidGammaDist:
    case fidGammaDistOld: GammaDist(S); return true;
    case fidGammaInv:
    case fidGammaInvOld: GammaInv(S); return true;
    case fidHypgeomDist: HypgeomDist(S, true); return true;
    case fidHypgeomDistOld: HypgeomDist(S, false); return true;
    case fidLognormDist:
    case fidLognormDistOld: LognormDist(S, Count); return true;
    case fidLognormInv:
    case fidLogInv: LognormInv(S); return true;
    case fidNegbinomDist: NegbinomDist(S, true); return true;
    case fidNegbinomDistOld: NegbinomDist(S, false); return true;
    case fidNormDist:
    case fidNormDistOld: NormDist(S, false, true); return true;
    case fidNormSDist: NormDist(S, true, true); return true;
    case fidNormSDistOld: NormDist(S, true, false); return true;
    case fidNormInv:
    case fidNormInvOld: NormInv(S, false); return true;
    case fidNormSInv:
    case fidNormSInvOld: NormInv(S, true); return true;
    case fidPoissonDist:
    case fidPoisson: PoissonDist(S); return true;
    case fidTDistNew: TDistNew(S, Count); return true;
    case fidTDistRT: TDistTails(S, 1); return true;
    case fidTDist2T: TDistTails(S, 2); return true;
    case fidTDist: TDistLegacy(S); return true;
    case fidWeibullDist:
    case fidWeibull: WeibullDist(S); return true;
    default: return false;
  }
}

}  // namespace formula::functions
