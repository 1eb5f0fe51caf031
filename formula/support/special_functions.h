// The engine's door to Boost.Math: special functions and distributions evaluated under a policy that
// never throws. A domain error, pole, overflow or failed evaluation, and any NaN or infinite result,
// give #NUM!; worksheet functions turn that into their error value instead of ending a calculation.
#pragma once

#include <cmath>
#include <cstdint>
#include <exception>

#include <boost/math/policies/policy.hpp>

#include "formula/support/var_value.h"

namespace formula {

namespace math_policy = boost::math::policies;
using TNoThrowPolicy =
    math_policy::policy<math_policy::domain_error<math_policy::errno_on_error>,
                        math_policy::pole_error<math_policy::errno_on_error>,
                        math_policy::overflow_error<math_policy::errno_on_error>,
                        math_policy::underflow_error<math_policy::ignore_error>,
                        math_policy::denorm_error<math_policy::ignore_error>,
                        math_policy::evaluation_error<math_policy::errno_on_error>,
                        math_policy::rounding_error<math_policy::errno_on_error>,
                        math_policy::indeterminate_result_error<math_policy::errno_on_error>,
                        math_policy::discrete_quantile<math_policy::integer_round_up>>;

// A number or the error that stands for it (0 = none).
struct TMathResult {
  double Value = 0;
  std::uint8_t Error = 0;
  bool Ok() const { return Error == 0; }
};

// Runs F (returning double) and maps every failure to #NUM!.
template <class F>
TMathResult SafeMath(F&& Fn) noexcept {
  TMathResult r;
  try {
    r.Value = Fn();
  } catch (const std::exception&) {
    r.Error = errNum;
    return r;
  }
  if (!std::isfinite(r.Value)) {
    r.Value = 0;
    r.Error = errNum;
  }
  return r;
}

TMathResult MathErf(double X);
TMathResult MathErfc(double X);
TMathResult MathErfcInv(double P);
TMathResult MathExpm1(double X);
TMathResult MathTgamma(double X);
TMathResult MathLgamma(double X);
TMathResult MathFactorial(double N);  // 0..170, integral part of N
TMathResult MathIbeta(double A, double B, double X);
TMathResult MathIbetac(double A, double B, double X);
TMathResult MathIbetaInv(double A, double B, double P);
TMathResult MathIbetaDerivative(double A, double B, double X);
TMathResult MathGammaP(double A, double X);
TMathResult MathGammaQ(double A, double X);
TMathResult MathGammaPInv(double A, double P);
TMathResult MathGammaPDerivative(double A, double X);
// Standard normal distribution.
TMathResult MathNormalCdf(double X);
TMathResult MathNormalQuantile(double P);
// Student's t with Df degrees of freedom.
TMathResult MathStudentsTCdf(double Df, double X);
TMathResult MathStudentsTQuantile(double Df, double P);

}  // namespace formula
