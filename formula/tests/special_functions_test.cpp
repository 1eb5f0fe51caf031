#include "formula/support/special_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "formula/support/locale.h"

namespace formula {
namespace {

TEST(SpecialFunctions, ValuesAndErrors) {
  EXPECT_NEAR(MathErf(1).Value, 0.8427007929497149, 1e-15);
  EXPECT_NEAR(MathNormalCdf(1.96).Value, 0.9750021048517795, 1e-12);
  EXPECT_NEAR(MathNormalQuantile(0.975).Value, 1.959963984540054, 1e-12);
  EXPECT_NEAR(MathStudentsTQuantile(10, 0.975).Value, 2.228138851986274, 1e-9);
  EXPECT_EQ(MathFactorial(5).Value, 120);
  EXPECT_NEAR(MathLgamma(0.5).Value, std::log(std::sqrt(M_PI)), 1e-14);
  struct Case {
    const char* Name;
    TMathResult R;
  } failures[] = {
      {"normal quantile 0", MathNormalQuantile(0)},   {"normal quantile 1", MathNormalQuantile(1)},
      {"normal quantile 2", MathNormalQuantile(2)},   {"t quantile df 0", MathStudentsTQuantile(0, 0.5)},
      {"tgamma overflow", MathTgamma(172)},           {"tgamma pole", MathTgamma(-1)},
      {"lgamma pole", MathLgamma(0)},                 {"factorial 171", MathFactorial(171)},
      {"factorial -1", MathFactorial(-1)},            {"ibeta domain", MathIbeta(-1, 2, 0.5)},
      {"gamma_p domain", MathGammaP(1, -1)},          {"erfc_inv domain", MathErfcInv(3)},
      {"ibeta_inv domain", MathIbetaInv(1, 1, 2)},    {"nan", MathErf(std::nan(""))},
  };
  for (const auto& f : failures) {
    EXPECT_EQ(f.R.Error, errNum) << f.Name;
    EXPECT_EQ(f.R.Value, 0) << f.Name;
  }
}

// Random and extreme arguments: nothing throws, every result is finite or #NUM!.
TEST(SpecialFunctions, NoArgumentThrows) {
  std::mt19937 rng(99);
  const double specials[] = {0, -0.0, 1, -1, 0.5, 1e-300, -1e-300, 1e300, -1e300, 171, 1e6,
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::nan(""), std::numeric_limits<double>::denorm_min()};
  auto pick = [&] {
    if (rng() % 3 == 0) return specials[rng() % (sizeof specials / sizeof specials[0])];
    return (static_cast<double>(rng()) / rng.max() - 0.5) * std::pow(10.0, static_cast<int>(rng() % 12) - 4);
  };
  for (int i = 0; i < 3000; ++i) {
    const double a = pick(), b = pick(), x = pick();
    const TMathResult results[] = {MathErf(x), MathErfc(x), MathErfcInv(x), MathExpm1(x), MathTgamma(x),
                                   MathLgamma(x), MathFactorial(x), MathIbeta(a, b, x), MathIbetac(a, b, x),
                                   MathIbetaInv(a, b, x), MathIbetaDerivative(a, b, x), MathGammaP(a, x),
                                   MathGammaQ(a, x), MathGammaPInv(a, x), MathGammaPDerivative(a, x),
                                   MathNormalCdf(x), MathNormalQuantile(x), MathStudentsTCdf(a, x),
                                   MathStudentsTQuantile(a, x)};
    for (const auto& r : results) {
      EXPECT_TRUE(r.Error == errNum || (r.Error == 0 && std::isfinite(r.Value)));
    }
  }
}

TEST(LocaleExtras, CurrencyDatesAndRandomNumbers) {
  const TFormulaLocale& inv = TFormulaLocale::Invariant();
  struct Case {
    const char16_t* Text;
    bool Ok;
    double V;
  } cases[] = {{u"$1,234.50", true, 1234.5}, {u"-$5", true, -5},      {u"$-5", true, -5},  {u"($5)", true, -5},
               {u"5$", true, 5},             {u"1,234", true, 1234},  {u"12,34", false, 0}, {u"$", false, 0},
               {u"1,2345", false, 0},        {u"$ 7.25", true, 7.25}, {u"x5", false, 0},   {u",123", false, 0}};
  for (const auto& c : cases) {
    double v = 0;
    EXPECT_EQ(TextToCurrency(c.Text, inv, v), c.Ok) << std::u16string(c.Text).size();
    if (c.Ok) {
      EXPECT_EQ(v, c.V);
    }
  }
  EXPECT_EQ(SerialToDateText(43831, inv), u"1/1/2020");
  EXPECT_EQ(SerialToDateText(43831.75, inv), u"1/1/2020 18:00:00");
  EXPECT_EQ(SerialToDateText(43832, TFormulaLocale::CommaDecimal()), u"2.1.2020");
  double back = 0;
  ASSERT_TRUE(TextToDateTime(SerialToDateText(40000.5, inv), inv, back));
  EXPECT_EQ(back, 40000.5);
  TFormulaRandom r1(7), r2(7);
  for (int i = 0; i < 10000; ++i) {
    const double x = r1.Next();
    ASSERT_GT(x, 0);
    ASSERT_LT(x, 1);
    ASSERT_EQ(x, r2.Next());
  }
  TFormulaRandom zero(0);
  EXPECT_GT(zero.Next(), 0);
}

}  // namespace
}  // namespace formula
