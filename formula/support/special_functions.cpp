#include "formula/support/special_functions.h"

#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/expm1.hpp>
#include <boost/math/special_functions/factorials.hpp>
#include <boost/math/special_functions/gamma.hpp>

namespace formula {

namespace bm = boost::math;

namespace {
const TNoThrowPolicy kPolicy;

bool BadProbability(double P) { return !(P >= 0 && P <= 1); }

// Boost asserts (and would abort) on some non-finite arguments; they never reach it.
template <class F>
TMathResult Guarded(std::initializer_list<double> Args, F&& Fn) {
  for (double a : Args)
    if (!std::isfinite(a)) return {0, errNum};
  return SafeMath(Fn);
}
}  // namespace

TMathResult MathErf(double X) {
  return Guarded({X}, [&] { return bm::erf(X, kPolicy); });
}
TMathResult MathErfc(double X) {
  return Guarded({X}, [&] { return bm::erfc(X, kPolicy); });
}
TMathResult MathErfcInv(double P) {
  return Guarded({P}, [&] { return bm::erfc_inv(P, kPolicy); });
}
TMathResult MathExpm1(double X) {
  return Guarded({X}, [&] { return bm::expm1(X, kPolicy); });
}
TMathResult MathTgamma(double X) {
  return Guarded({X}, [&] { return bm::tgamma(X, kPolicy); });
}
TMathResult MathLgamma(double X) {
  return Guarded({X}, [&] { return bm::lgamma(X, kPolicy); });
}

TMathResult MathFactorial(double N) {
  if (!(N >= 0 && N < 171)) return {0, errNum};
  return SafeMath([&] { return bm::factorial<double>(static_cast<unsigned>(N), kPolicy); });
}

TMathResult MathIbeta(double A, double B, double X) {
  return Guarded({A, B, X}, [&] { return bm::ibeta(A, B, X, kPolicy); });
}
TMathResult MathIbetac(double A, double B, double X) {
  return Guarded({A, B, X}, [&] { return bm::ibetac(A, B, X, kPolicy); });
}
TMathResult MathIbetaInv(double A, double B, double P) {
  return Guarded({A, B, P}, [&] { return bm::ibeta_inv(A, B, P, kPolicy); });
}
TMathResult MathIbetaDerivative(double A, double B, double X) {
  return Guarded({A, B, X}, [&] { return bm::ibeta_derivative(A, B, X, kPolicy); });
}
TMathResult MathGammaP(double A, double X) {
  return Guarded({A, X}, [&] { return bm::gamma_p(A, X, kPolicy); });
}
TMathResult MathGammaQ(double A, double X) {
  return Guarded({A, X}, [&] { return bm::gamma_q(A, X, kPolicy); });
}
TMathResult MathGammaPInv(double A, double P) {
  return Guarded({A, P}, [&] { return bm::gamma_p_inv(A, P, kPolicy); });
}
TMathResult MathGammaPDerivative(double A, double X) {
  return Guarded({A, X}, [&] { return bm::gamma_p_derivative(A, X, kPolicy); });
}

TMathResult MathNormalCdf(double X) {
  if (std::isnan(X)) return {0, errNum};
  return SafeMath([&] { return bm::cdf(bm::normal_distribution<double, TNoThrowPolicy>(0, 1), X); });
}

TMathResult MathNormalQuantile(double P) {
  if (BadProbability(P)) return {0, errNum};
  return SafeMath([&] { return bm::quantile(bm::normal_distribution<double, TNoThrowPolicy>(0, 1), P); });
}

TMathResult MathStudentsTCdf(double Df, double X) {
  if (!(Df > 0) || std::isnan(X)) return {0, errNum};
  return SafeMath([&] { return bm::cdf(bm::students_t_distribution<double, TNoThrowPolicy>(Df), X); });
}

TMathResult MathStudentsTQuantile(double Df, double P) {
  if (!(Df > 0) || BadProbability(P)) return {0, errNum};
  return SafeMath([&] { return bm::quantile(bm::students_t_distribution<double, TNoThrowPolicy>(Df), P); });
}

}  // namespace formula
