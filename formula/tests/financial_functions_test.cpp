// Table tests of the financial functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

// A1:A2 100, 200; B1:B3 -100, 50, 60; C1:C3 dates 1, 100, 200; D1 text "x"; E1:E3 -100, empty, 60.
class FinancialFunctionsTest : public ::testing::Test {
protected:
  FinancialFunctionsTest() : ev(&wb) {
    wb.Num("A1", 100);
    wb.Num("A2", 200);
    wb.Num("B1", -100);
    wb.Num("B2", 50);
    wb.Num("B3", 60);
    wb.Num("C1", 1);
    wb.Num("C2", 100);
    wb.Num("C3", 200);
    wb.Str("D1", u"x");
    wb.Num("E1", -100);
    wb.Num("E3", 60);
  }

public:
  std::string Run(const Build& F) {
    return RunFormula(ev, F);
  }
  FakeWorkbook wb;
  TXLSFormulaEvaluator ev;
};

Build Arr(std::vector<double> V) {
  return [=](TXLSPtgsBuilder& b) {
    for (double x : V) b.Number(x);
    b.Array(static_cast<std::uint16_t>(V.size()), 1);
  };
}
Build Round2(Build B) { return Fn("ROUND", {B, Num(2)}); }
Build Round12(Build B) { return Fn("ROUND", {B, Num(12)}); }
Build Date(double Y, double M, double D) { return Fn("DATE", {Num(Y), Num(M), Num(D)}); }

struct Case {
  const char* what;
  Build formula;
  const char* want;
};

void RunCases(FinancialFunctionsTest& T, const std::vector<Case>& Cases) {
  for (const Case& c : Cases) EXPECT_EQ(T.Run(c.formula), c.want) << c.what;
}

TEST_F(FinancialFunctionsTest, Annuities) {
  const double pv2 = 173.55371900826447;  // 100 / 1.1 + 100 / 1.21
  RunCases(*this, {
      {"PV", Fn("PV", {Num(0.1), Num(2), Num(-100)}), "173.553719008264"},
      {"PV keeps a fractional period count", Fn("PV", {Num(0.1), Num(2.9), Num(-100)}), "241.490170716088"},
      {"PV at rate 0", Fn("PV", {Num(0), Num(3), Num(-100)}), "300"},
      {"PV with payments at the start", Fn("PV", {Num(0.1), Num(2), Num(-100), Num(0), Num(1)}), "190.909090909091"},
      {"PV with a future value", Fn("PV", {Num(0.1), Num(1), Num(0), Num(-110)}), "100"},
      {"PV at rate -1 divides by (1 + rate)^nper = 0", Fn("PV", {Num(-1), Num(2), Num(1)}), "#DIV/0!"},
      {"FV at rate -1 keeps only the last payment", Fn("FV", {Num(-1), Num(2), Num(-100)}), "100"},
      {"FV below rate -1 over a fraction of a period", Fn("FV", {Num(-2), Num(2.5), Num(-100)}), "#NUM!"},
      {"PV with two arguments", Fn("PV", {Num(0.1), Num(2)}), "#VALUE!"},
      {"PV reports the leftmost error", Fn("PV", {Str(u"x"), Fn("NA", {}), Num(1)}), "#VALUE!"},
      {"FV", Fn("FV", {Num(0.1), Num(2), Num(-100)}), "210"},
      {"FV at the start", Fn("FV", {Num(0.1), Num(2), Num(-100), Num(0), Num(1)}), "231"},
      {"FV at rate 0", Fn("FV", {Num(0), Num(3), Num(-1)}), "3"},
      {"FV with a tiny rate stays exact", Fn("FV", {Num(1e-12), Num(12), Num(-100)}), "1200.0000000066"},
      {"FV overflow", Fn("FV", {Num(10), Num(1000), Num(-1)}), "#NUM!"},
      {"PMT", Fn("PMT", {Num(0.1), Num(2), Num(pv2)}), "-100"},
      {"PMT at rate 0", Fn("PMT", {Num(0), Num(4), Num(100)}), "-25"},
      {"PMT of no periods", Fn("PMT", {Num(0.1), Num(0), Num(100)}), "#NUM!"},
      {"NPER", Fn("NPER", {Num(0.1), Num(-100), Num(pv2)}), "2"},
      {"NPER takes the payment as given", Fn("NPER", {Num(0.1), Num(-100.5), Num(173.55)}), "1.98899693976499"},
      {"NPER at rate 0", Fn("NPER", {Num(0), Num(-25), Num(100)}), "4"},
      {"NPER at rate 0 without payment", Fn("NPER", {Num(0), Num(0), Num(100)}), "#DIV/0!"},
      {"NPER that never repays", Fn("NPER", {Num(0.1), Num(-5), Num(100)}), "#NUM!"},
      {"RATE", Round12(Fn("RATE", {Num(10), Num(-100), Num(800)})), "0.042774978035"},
      {"RATE of the PV case", Round12(Fn("RATE", {Num(2), Num(-100), Num(pv2)})), "0.1"},
      {"RATE with payments at the start and no root above -100 %", Fn("RATE", {Num(10), Num(-100), Num(173.55), Num(0), Num(1)}), "#NUM!"},
      {"RATE with a negative result", Round12(Fn("RATE", {Num(3), Num(-30), Num(100)})), "-0.050885441373"},
      {"RATE that has no solution", Fn("RATE", {Num(10), Num(100), Num(800)}), "#NUM!"},
      {"RATE of no periods", Fn("RATE", {Num(0), Num(-1), Num(1)}), "#NUM!"},
      {"IPMT first period", Fn("IPMT", {Num(0.1), Num(1), Num(2), Num(pv2)}), "-17.3553719008264"},
      {"IPMT second period", Fn("IPMT", {Num(0.1), Num(2), Num(2), Num(pv2)}), "-9.09090909090909"},
      {"IPMT first period at the start", Fn("IPMT", {Num(0.1), Num(1), Num(2), Num(pv2), Num(0), Num(1)}), "0"},
      {"IPMT second period at the start", Fn("IPMT", {Num(0.1), Num(2), Num(3), Num(1000), Num(0), Num(1)}),
       "-63.4441087613293"},
      {"IPMT period 0", Fn("IPMT", {Num(0.1), Num(0), Num(2), Num(100)}), "#NUM!"},
      {"IPMT past the last period", Fn("IPMT", {Num(0.1), Num(3), Num(2), Num(100)}), "#NUM!"},
      {"PPMT", Fn("PPMT", {Num(0.1), Num(1), Num(2), Num(pv2)}), "-82.6446280991736"},
      {"PPMT with three arguments", Fn("PPMT", {Num(0.1), Num(1), Num(2)}), "#VALUE!"},
      {"ISPMT", Fn("ISPMT", {Num(0.1), Num(1), Num(3), Num(100)}), "-6.66666666666667"},
      {"ISPMT of no periods", Fn("ISPMT", {Num(0.1), Num(1), Num(0), Num(100)}), "#DIV/0!"},
  });
}

TEST_F(FinancialFunctionsTest, CashFlows) {
  RunCases(*this, {
      {"NPV of separate values", Fn("NPV", {Num(0.1), Num(100), Num(100)}), "173.553719008264"},
      {"NPV of a range in reading order", Fn("NPV", {Num(0.1), Ref("A1", "A2")}), "256.198347107438"},
      {"NPV of a range then a value", Fn("NPV", {Num(0.1), Ref("A1", "A2"), Num(100)}), "331.329827197596"},
      {"NPV skips text in a range", Fn("NPV", {Num(0.1), Ref("D1"), Num(110)}), "100"},
      {"NPV of text typed in", Fn("NPV", {Num(0.1), Str(u"x")}), "#VALUE!"},
      {"NPV of a number typed as text", Fn("NPV", {Num(0.1), Str(u"110")}), "100"},
      {"NPV at rate -1", Fn("NPV", {Num(-1), Num(1)}), "#DIV/0!"},
      {"NPV reports the leftmost error", Fn("NPV", {Fn("NA", {}), Op(ptgDiv, Num(1), Num(0))}), "#N/A"},
      {"IRR", Fn("IRR", {Ref("B1", "B3")}), "0.0639410298049853"},
      {"IRR of an array", Fn("IRR", {Arr({-100, 50, 60})}), "0.0639410298049853"},
      {"IRR passes over an empty cell", Fn("IRR", {Ref("E1", "E3")}), "-0.4"},
      {"IRR with a guess", Fn("IRR", {Arr({-100, 50, 60}), Num(-0.5)}), "0.0639410298049853"},
      {"IRR of one sign", Fn("IRR", {Arr({100, 50})}), "#NUM!"},
      {"IRR of one value", Fn("IRR", {Num(-1)}), "#NUM!"},
      {"IRR guess -1", Fn("IRR", {Ref("B1", "B3"), Num(-1)}), "#NUM!"},
      {"IRR that finds no rate", Fn("IRR", {Arr({-1, 1e300, -1e300, 1e300})}), "#NUM!"},
      {"XNPV", Fn("XNPV", {Num(0.1), Arr({-100, 50}), Arr({1, 100})}), "-51.2759985703337"},
      {"XNPV over ranges", Fn("XNPV", {Num(0.1), Ref("B1", "B3"), Ref("C1", "C3")}), "5.68580497367078"},
      {"XNPV date before the first", Fn("XNPV", {Num(0.1), Arr({-100, 50}), Arr({100, 1})}), "#NUM!"},
      {"XNPV counts differ", Fn("XNPV", {Num(0.1), Arr({-100, 50}), Arr({1, 2, 3})}), "#NUM!"},
      {"XNPV with text among the dates", Fn("XNPV", {Num(0.1), Ref("B1", "B1"), Ref("D1")}), "#VALUE!"},
      {"XIRR", Round12(Fn("XIRR", {Ref("B1", "B3"), Ref("C1", "C3")})), "0.25572765985"},
      {"XIRR one value", Fn("XIRR", {Num(-100), Num(1)}), "#NUM!"},
      {"XIRR of one sign", Fn("XIRR", {Arr({100, 50}), Arr({1, 2})}), "#NUM!"},
      {"MIRR", Fn("MIRR", {Ref("B1", "B3"), Num(0.1), Num(0.1)}), "0.0723805294763609"},
      {"MIRR different rates", Fn("MIRR", {Arr({-120, 39, 30, 21, 37, 46}), Num(0.1), Num(0.12)}),
       "0.126094130365905"},
      {"MIRR without a payment", Fn("MIRR", {Arr({100, 50}), Num(0.1), Num(0.1)}), "#DIV/0!"},
  });
}

TEST_F(FinancialFunctionsTest, Depreciation) {
  RunCases(*this, {
      {"DB first period", Fn("DB", {Num(1000), Num(100), Num(5), Num(1)}), "369"},
      {"DB second period", Fn("DB", {Num(1000), Num(100), Num(5), Num(2)}), "232.839"},
      {"DB first year of 7 months", Fn("DB", {Num(1000000), Num(100000), Num(6), Num(1), Num(7)}), "186083.333333333"},
      {"DB the partial year after the life", Fn("DB", {Num(1000000), Num(100000), Num(6), Num(7), Num(7)}),
       "15845.0984738481"},
      {"DB salvage 0 depreciates everything at once", Fn("DB", {Num(1000), Num(0), Num(5), Num(1)}), "1000"},
      {"DB past the life", Fn("DB", {Num(1000), Num(100), Num(5), Num(6)}), "#NUM!"},
      {"DB month 13", Fn("DB", {Num(1000), Num(100), Num(5), Num(1), Num(13)}), "#NUM!"},
      {"DB negative cost", Fn("DB", {Num(-1000), Num(100), Num(5), Num(1)}), "#NUM!"},
      {"DB of a huge period count stays quick", Fn("DB", {Num(1000), Num(100), Num(1e300), Num(1e300)}), "#NUM!"},
      {"DB early period of a huge life", Fn("DB", {Num(1000), Num(100), Num(1e300), Num(1)}), "0"},
      {"DDB short life first period", Fn("DDB", {Num(1000), Num(100), Num(2), Num(1)}), "900"},
      {"DDB short life second period", Fn("DDB", {Num(1000), Num(100), Num(2), Num(2)}), "0"},
      {"DDB", Fn("DDB", {Num(2400), Num(300), Num(10), Num(2)}), "384"},
      {"DDB with a factor", Fn("DDB", {Num(2400), Num(300), Num(10), Num(2), Num(1.5)}), "306"},
      {"DDB not below the salvage", Fn("DDB", {Num(2400), Num(300), Num(10), Num(10)}), "22.1225472000002"},
      {"DDB past the life", Fn("DDB", {Num(1000), Num(100), Num(5), Num(6)}), "#NUM!"},
      {"SLN", Fn("SLN", {Num(1000), Num(100), Num(5)}), "180"},
      {"SLN of no life", Fn("SLN", {Num(1), Num(1), Num(0)}), "#DIV/0!"},
      {"SYD", Fn("SYD", {Num(1000), Num(100), Num(5), Num(1)}), "300"},
      {"SYD last year", Fn("SYD", {Num(1000), Num(100), Num(5), Num(5)}), "60"},
      {"SYD past the life", Fn("SYD", {Num(1000), Num(100), Num(5), Num(6)}), "#NUM!"},
      {"VDB first day", Round2(Fn("VDB", {Num(2400), Num(300), Num(3650), Num(0), Num(1)})), "1.32"},
      {"VDB first month", Round2(Fn("VDB", {Num(2400), Num(300), Num(120), Num(0), Num(1)})), "40"},
      {"VDB first year", Fn("VDB", {Num(2400), Num(300), Num(10), Num(0), Num(1)}), "480"},
      {"VDB months 6 to 18", Round2(Fn("VDB", {Num(2400), Num(300), Num(120), Num(6), Num(18)})), "396.31"},
      {"VDB with a factor", Round2(Fn("VDB", {Num(2400), Num(300), Num(120), Num(6), Num(18), Num(1.5)})), "311.81"},
      {"VDB fraction of a year", Round2(Fn("VDB", {Num(2400), Num(300), Num(10), Num(0), Num(0.875), Num(1.5)})),
       "315"},
      {"VDB switches to straight line", Round2(Fn("VDB", {Num(2400), Num(300), Num(10), Num(0), Num(10)})), "2100"},
      {"VDB switches once straight line is larger", Round2(Fn("VDB", {Num(2400), Num(300), Num(10), Num(2), Num(3), Num(1)})),
       "205.5"},
      {"VDB without switching", Round2(Fn("VDB", {Num(2400), Num(300), Num(10), Num(2), Num(3), Num(1), Bool(true)})),
       "194.4"},
      {"VDB end before start", Fn("VDB", {Num(2400), Num(300), Num(10), Num(3), Num(2)}), "#NUM!"},
      {"VDB end past the life", Fn("VDB", {Num(2400), Num(300), Num(10), Num(0), Num(11)}), "#NUM!"},
      {"VDB with four arguments", Fn("VDB", {Num(2400), Num(300), Num(10), Num(0)}), "#VALUE!"},
  });
}

TEST_F(FinancialFunctionsTest, AccruedInterest) {
  const Build issue = Date(2008, 3, 1), first = Date(2008, 8, 31), settle = Date(2008, 5, 1);
  RunCases(*this, {
      {"ACCRINT 30/360", Fn("ACCRINT", {issue, first, settle, Num(0.1), Num(1000), Num(2), Num(0)}), "16.6666666666667"},
      {"ACCRINT default par, frequency and basis", Fn("ACCRINT", {issue, first, settle, Num(0.1)}), "16.6666666666667"},
      {"ACCRINT actual/365", Fn("ACCRINT", {issue, first, settle, Num(0.1), Num(1000), Num(2), Num(3)}),
       "16.7123287671233"},
      {"ACCRINT frequency 3", Fn("ACCRINT", {issue, first, settle, Num(0.1), Num(1000), Num(3)}), "#NUM!"},
      {"ACCRINT basis 5", Fn("ACCRINT", {issue, first, settle, Num(0.1), Num(1000), Num(2), Num(5)}), "#NUM!"},
      {"ACCRINT rate 0", Fn("ACCRINT", {issue, first, settle, Num(0), Num(1000), Num(2)}), "#NUM!"},
      {"ACCRINT settlement not after issue", Fn("ACCRINT", {settle, first, issue, Num(0.1)}), "#NUM!"},
  });
}

}  // namespace
}  // namespace formula

namespace formula {
namespace {

// Every function of the mathematical, financial and date-time families, called with random hostile
// arguments (huge, tiny, negative, text, errors, missing, whole-sheet ranges, arrays) at every accepted
// argument count, returns a value and raises nothing.
TEST(FunctionFamiliesHostileTest, ArgumentsNeverRaise) {
  FakeWorkbook wb(1);
  wb.Num("A1", 1);
  wb.Num("B2", -5);
  wb.Str("C3", u"x");
  wb.Err("A2", errNum);
  wb.Num("XFD1048576", 7);
  TXLSFormulaEvaluator ev(&wb);
  const std::vector<Build> pool = {
      Num(0), Num(-1), Num(1), Num(0.5), Num(2), Num(1e308), Num(-1e308), Num(1e-308), Num(2958465), Num(2958466),
      Num(43831), Num(2147483648.0), Num(-2147483649.0), Num(1e15), Num(-0.999999999), Num(171), Num(12),
      Str(u""), Str(u"x"), Str(u"1/2/2020"), Str(u"12:30"), Bool(true), Err(errNA), Missing(), Ref("A1"),
      Ref("C3"), Ref("A1", "C3"), Ref("A1", "A1048576"), Ref("A1", "XFD1048576"), Ref("A2", "B2"),
      Arr({-100, 50, 60}), Arr({1e300, -1e300}), Arr({0})};
  const char* const names[] = {
      "CEILING", "CEILING.PRECISE", "ISO.CEILING", "FLOOR", "FLOOR.PRECISE", "ROUNDUP", "ROUNDDOWN", "TRUNC", "ODD",
      "EVEN", "QUOTIENT", "POWER", "DEGREES", "RADIANS", "FACT", "COMBIN", "PERMUT", "ROMAN", "MDETERM", "MINVERSE",
      "MMULT", "TRANSPOSE", "MOD", "INT", "SQRT", "LOG", "ATAN2", "ACOSH", "COSH", "EXP",
      "PV", "FV", "PMT", "NPER", "RATE", "IPMT", "PPMT", "ISPMT", "NPV", "XNPV", "IRR", "XIRR", "MIRR", "DB", "DDB",
      "SLN", "SYD", "VDB", "ACCRINT",
      "DATE", "TIME", "DAY", "MONTH", "YEAR", "HOUR", "MINUTE", "SECOND", "WEEKDAY", "DAYS360", "EOMONTH", "YEARFRAC",
      "WORKDAY", "NETWORKDAYS"};
  unsigned seed = 12345;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (const char* name : names) {
    const int id = XLSFuncNames().FindName(std::u16string(name, name + std::char_traits<char>::length(name)));
    ASSERT_GE(id, 0) << name;
    int minArgs = 0, maxArgs = 0;
    XLSFuncNames().GetArgRange(id, minArgs, maxArgs);
    const int top = std::min(maxArgs, minArgs + 4);
    for (int count = minArgs; count <= top; ++count)
      for (int trial = 0; trial < 60; ++trial) {
        std::vector<Build> args;
        for (int i = 0; i < count; ++i) args.push_back(pool[next(static_cast<unsigned>(pool.size()))]);
        TXLSPtgsBuilder b;
        Fn(name, args)(b);
        TXLSFormulaValue v;
        EXPECT_NO_THROW(ev.Evaluate(b.Bytes().data(), b.Size(), 0, 7, 9, v)) << name << " with " << count;
        if (v.ValueType == fvtFloat) {
          EXPECT_TRUE(std::isfinite(v.Number)) << name;
        }
      }
  }
}

}  // namespace
}  // namespace formula
