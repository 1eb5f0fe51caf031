// The financial and date-time functions compared with HyperFormula (and ACCRINT with formulajs) under
// node, over generated arguments. Skips when tests/hyperformula has no node_modules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "formula/functions/date_time_calendar.h"
#include "formula/tests/eval_oracle_harness.h"
#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;
namespace fs = std::filesystem;

// Differences kept on purpose: formulas whose text starts with Prefix and ends with Suffix are not
// compared; each line gives its reason.
const AllowedFormula kAllowed[] = {
    {"WORKDAY(1,-", ")", "a working day before 30 December 1899 is outside the calendar: #NUM!; the oracle gives a negative serial"},
    {"WORKDAY(2,-", ")", "as above"},
    {"DATE(10000,", ")", "a year above 9999 is #NUM! in spreadsheet applications, whatever the months; the oracle lets negative months bring it back"},
    {"DATE(-1,", ")", "a negative year is #NUM! in spreadsheet applications; the oracle counts it from 1900"},
    {"PV(1.0000000000000001e-09,", ")", "the oracle loses about eight digits to cancellation in ((1 + r)^n - 1) / r at tiny rates (FV(1e-9, 1, -100) is exactly 100); the engine computes it without cancellation"},
    {"FV(1.0000000000000001e-09,", ")", "as above"},
    {"PMT(1.0000000000000001e-09,", ")", "as above"},
    {"FV(0.10000000000000001,360,-100,1000,", ")", "pv (1 + r)^n and the payments' growth cancel to 15 digits: both sides keep only noise of a 1e17 amount (the value is -1000)"},
    {"DB(", ",6.5,", "a fractional life is accepted by spreadsheet applications; the oracle refuses it"},
    {"DDB(", ",6.5,", "as above"},
    {"RATE(10,-100,173.55000000000001,0,1)", "", "no rate above -100 % solves it (#NUM!); the oracle reports -1, where payments at the start vanish whatever the amounts"},
    {"RATE(36,-100,173.55000000000001,0,1)", "", "as above"},
    {"RATE(36,-30,173.55000000000001,0,1)", "", "as above"},
};

bool IsAllowed(const std::string& Text) { return IsAllowedFormula(kAllowed, Text); }

struct Expr {
  std::string text;
  Build build;
};
Expr N(double V) { return {NumText(V), Num(V)}; }
Expr B(bool V) { return {V ? "TRUE()" : "FALSE()", Bool(V)}; }
Expr R(const char* From, const char* To) { return {std::string(From) + ":" + To, Ref(From, To)}; }
Expr A(const std::vector<double>& V) {
  std::string text = "{";
  for (std::size_t i = 0; i < V.size(); ++i) text += (i ? "," : "") + NumText(V[i]);
  return {text + "}", [V](TXLSPtgsBuilder& b) {
            for (double x : V) b.Number(x);
            b.Array(static_cast<std::uint16_t>(V.size()), 1);
          }};
}
Expr F(const char* Name, const std::vector<Expr>& Args) {
  std::string text = std::string(Name) + "(";
  std::vector<Build> builds;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    text += (i ? "," : "") + Args[i].text;
    builds.push_back(Args[i].build);
  }
  return {text + ")", Fn(Name, builds)};
}
double Serial(int Y, int M, int D) { return functions::SerialOf(Y, M, D); }

std::string Exact(const TXLSFormulaValue& V) {
  if (V.ValueType != fvtFloat) return Describe(V);
  return NumText(V.Number);
}

// One oracle item: a formula for HyperFormula or a formulajs call, with the engine's formula.
struct Item {
  Expr expr;
  std::string oracle;  // JSON: "=..." or {"fjs":...}
  double tolerance;
  const char* skip = nullptr;  // the reason this item is not compared
};

void Compare(const std::vector<Item>& Items, FakeWorkbook& Wb, const std::string& Sheet) {
  const fs::path dir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  std::string json = "{\"sheet\":" + Sheet + ",\"formulas\":[";
  for (std::size_t i = 0; i < Items.size(); ++i) json += (i ? "," : "") + Items[i].oracle;
  json += "]}";
  std::string out;
  const bool ran = RunNodeOracle(dir / "finance_dates_oracle.js", json, out);
  ASSERT_TRUE(ran) << out;
  const std::vector<std::string> want = ParseResults(out, 17);
  ASSERT_EQ(want.size(), Items.size()) << out;
  TXLSFormulaEvaluator ev(&Wb);
  int compared = 0;
  for (std::size_t i = 0; i < Items.size(); ++i) {
    if (Items[i].skip || IsAllowed(Items[i].expr.text)) continue;
    TXLSPtgsBuilder b;
    Items[i].expr.build(b);
    TXLSFormulaValue v;
    ev.Evaluate(b.Bytes().data(), b.Size(), 0, 25, static_cast<int>(i), v);
    const std::string got = Exact(v);
    EXPECT_TRUE(SameResult(got, want[i], Items[i].tolerance))
        << "=" << Items[i].expr.text << ": engine " << got << ", oracle " << want[i];
    ++compared;
  }
  EXPECT_GT(compared, static_cast<int>(Items.size()) / 2);
}

bool OracleMissing() {
  const fs::path dir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  return !fs::exists(dir / "node_modules" / "hyperformula") || !fs::exists(dir / "node_modules" / "@formulajs") ||
         !core::testing::HaveTool("node");
}

Item HF(Expr E, double Tolerance = 1e-12) { return {E, "\"=" + E.text + "\"", Tolerance}; }

TEST(FinanceDatesOracleTest, DateAndTimeFunctions) {
  if (OracleMissing()) GTEST_SKIP() << "node, hyperformula or formulajs is not installed (npm ci)";
  // A1:A3 holidays: Monday 6 January 2020, Wednesday 1 January 2020, Saturday 4 January 2020.
  FakeWorkbook wb(1);
  const double hol[] = {Serial(2020, 1, 6), Serial(2020, 1, 1), Serial(2020, 1, 4)};
  std::string sheet = "[";
  for (int r = 0; r < 3; ++r) {
    sheet += std::string(r ? "," : "") + "[{\"n\":" + NumText(hol[r]) + "}]";
    wb.Sheet().WriteFloat(0, r, 0, hol[r]);
  }
  sheet += "]";
  wb.Sheet().CalcDimension();

  std::vector<Item> items;
  for (double y : {0.0, 99.0, 1899.0, 1900.0, 1904.0, 1999.0, 2000.0, 2020.0, 9999.0, 10000.0, -1.0, 2020.7})
    for (double m : {-13.0, -1.0, 0.0, 1.0, 2.0, 12.0, 13.0, 25.0})
      for (double d : {-31.0, 0.0, 1.0, 29.0, 31.0, 60.0}) items.push_back(HF(F("DATE", {N(y), N(m), N(d)})));
  for (double h : {0.0, 1.0, 23.0, 24.0, 25.0, -1.0, 1.5})
    for (double m : {0.0, -1.0, 59.0, 60.0, 90.0, -61.0})
      for (double s : {0.0, 30.0, 59.0, 61.0, -30.0, 3600.0}) items.push_back(HF(F("TIME", {N(h), N(m), N(s)})));
  const std::vector<double> serials = {0, 1, 2, 59, 60, 61, 366, 367, 3000.5, 36526, 36891.25, 43831, 43890, 43891,
                                       44196.999, 44255, 2958465, 2958465.5, -1};
  for (const char* fn : {"DAY", "MONTH", "YEAR", "WEEKDAY", "HOUR", "MINUTE", "SECOND"})
    for (double s : serials) items.push_back(HF(F(fn, {N(s)})));
  for (double t : {0.25, 0.5, 0.75, 0.999, 1e-6, 43831.123456, 0.0416666666666667, 0.99999999})
    for (const char* fn : {"HOUR", "MINUTE", "SECOND"}) items.push_back(HF(F(fn, {N(t)})));
  for (double type : {1.0, 2.0, 3.0, 11.0, 12.0, 13.0, 14.0, 15.0, 16.0, 17.0, 0.0, 4.0, 18.0})
    for (double s : {43831.0, 43834.0, 43835.0, 1.0}) items.push_back(HF(F("WEEKDAY", {N(s), N(type)})));
  const std::vector<double> dates = {Serial(2020, 1, 15), Serial(2020, 1, 30), Serial(2020, 1, 31), Serial(2020, 2, 28),
                                     Serial(2020, 2, 29), Serial(2021, 2, 28), Serial(2020, 3, 31), Serial(2020, 12, 31),
                                     Serial(2021, 3, 1),  Serial(2019, 6, 1),  Serial(2024, 2, 29), Serial(1999, 12, 31)};
  for (double a : dates)
    for (double b : dates) {
      items.push_back(HF(F("DAYS360", {N(a), N(b)})));
      items.push_back(HF(F("DAYS360", {N(a), N(b), B(true)})));
      items.push_back(HF(F("YEARFRAC", {N(a), N(b)})));
      for (double basis : {0.0, 1.0, 2.0, 3.0, 4.0, 5.0}) items.push_back(HF(F("YEARFRAC", {N(a), N(b), N(basis)})));
      items.push_back(HF(F("NETWORKDAYS", {N(a), N(b)})));
    }
  for (double a : dates)
    for (double m : {-13.0, -1.0, 0.0, 1.0, 11.0, 12.0, 25.0}) items.push_back(HF(F("EOMONTH", {N(a), N(m)})));
  items.push_back(HF(F("EOMONTH", {N(1), N(-1)})));
  items.push_back(HF(F("EOMONTH", {N(2958465), N(1)})));
  for (double s : {Serial(2020, 1, 1), Serial(2020, 1, 3), Serial(2020, 1, 4), Serial(2020, 1, 5), 1.0, 2.0})
    for (double n : {-10.0, -5.0, -1.0, 0.0, 1.0, 4.0, 5.0, 6.0, 25.0, 2.7}) {
      items.push_back(HF(F("WORKDAY", {N(s), N(n)})));
      items.push_back(HF(F("WORKDAY", {N(s), N(n), R("A1", "A3")})));
    }
  for (double a : {Serial(2019, 12, 30), Serial(2020, 1, 4), Serial(2020, 1, 6)})
    for (double b : {Serial(2020, 1, 1), Serial(2020, 1, 31), Serial(2019, 12, 1)})
      items.push_back(HF(F("NETWORKDAYS", {N(a), N(b), R("A1", "A3")})));
  Compare(items, wb, sheet);
}

TEST(FinanceDatesOracleTest, FinancialFunctions) {
  if (OracleMissing()) GTEST_SKIP() << "node, hyperformula or formulajs is not installed (npm ci)";
  // A1:A4 100, 200, text, -300 (a range of cash flows with a text cell).
  FakeWorkbook wb(1);
  wb.Num("A1", 100);
  wb.Num("A2", 200);
  wb.Str("A3", u"x");
  wb.Num("A4", -300);
  const std::string sheet = "[[{\"n\":100}],[{\"n\":200}],[{\"s\":\"x\"}],[{\"n\":-300}]]";
  const double tol = 1e-9;

  std::vector<Item> items;
  for (double r : {0.0, 0.05, -0.05, 0.1, 1e-9, -1.0})
    for (double n : {1.0, 2.0, 2.9, 10.0, 360.0})
      for (double x : {-100.0, 100.0})
        for (double y : {0.0, 1000.0})
          for (double t : {0.0, 1.0}) {
            items.push_back(HF(F("PV", {N(r), N(n), N(x), N(y), N(t)}), tol));
            items.push_back(HF(F("FV", {N(r), N(n), N(x), N(y), N(t)}), tol));
            items.push_back(HF(F("PMT", {N(r), N(n), N(x), N(y), N(t)}), tol));
          }
  for (double r : {0.0, 0.05, 0.1, -0.05})
    for (double pmt : {-100.0, -10.0, 100.0})
      for (double pv : {1000.0, -1000.0})
        for (double fv : {0.0, 500.0})
          for (double t : {0.0, 1.0}) items.push_back(HF(F("NPER", {N(r), N(pmt), N(pv), N(fv), N(t)}), tol));
  for (double n : {2.0, 10.0, 36.0})
    for (double pmt : {-100.0, -30.0})
      for (double pv : {800.0, 173.55, 1000.0})
        for (double fv : {0.0, -100.0})
          for (double t : {0.0, 1.0}) items.push_back(HF(F("RATE", {N(n), N(pmt), N(pv), N(fv), N(t)}), 1e-7));
  for (double r : {0.1, 0.05, 0.0})
    for (double per : {1.0, 2.0, 5.0, 10.0})
      for (double n : {5.0, 10.0})
        for (double pv : {1000.0, -500.0})
          for (double t : {0.0, 1.0}) {
            // A period after the last is #NUM! in spreadsheet applications; the oracle extrapolates.
            const char* skip = per > n ? "period past nper" : nullptr;
            items.push_back(HF(F("IPMT", {N(r), N(per), N(n), N(pv), N(100), N(t)}), tol));
            items.back().skip = skip;
            items.push_back(HF(F("PPMT", {N(r), N(per), N(n), N(pv), N(0), N(t)}), tol));
            items.back().skip = skip;
          }
  for (double per : {0.0, 1.0, 3.0})
    for (double n : {3.0, 0.0}) items.push_back(HF(F("ISPMT", {N(0.1), N(per), N(n), N(1000)}), tol));
  const std::vector<std::vector<double>> flows = {
      {-100, 50, 60}, {-1000, 300, 400, 500}, {-70000, 12000, 15000, 18000, 21000, 26000}, {100, -50, -60},
      {-100, 0, 0, 150}, {-120, 39, 30, 21, 37, 46}, {100, 50}, {-10, 1}};
  for (const auto& v : flows) {
    for (double r : {0.0, 0.1, -0.5}) items.push_back(HF(F("NPV", {N(r), A(v)}), tol));
    items.push_back(HF(F("IRR", {A(v)}), 1e-7));
    items.push_back(HF(F("MIRR", {A(v), N(0.1), N(0.12)}), tol));
    std::vector<double> d;
    for (std::size_t i = 0; i < v.size(); ++i) d.push_back(Serial(2020, 1, 1) + 97.0 * static_cast<double>(i * i));
    items.push_back(HF(F("XNPV", {N(0.09), A(v), A(d)}), tol));
    items.push_back(HF(F("XIRR", {A(v), A(d)}), 1e-7));
  }
  items.push_back(HF(F("NPV", {N(0.1), R("A1", "A4"), N(50)}), tol));
  items.push_back(HF(F("NPV", {N(0.1), N(50), R("A1", "A2")}), tol));
  for (double cost : {1000.0, 10000.0})
    for (double salvage : {0.0, 100.0, 1000.0})
      for (double life : {1.0, 5.0, 6.5, 10.0})
        for (double period : {1.0, 2.0, 5.0, 6.0, 7.0}) {
          for (double month : {12.0, 7.0, 1.0}) items.push_back(HF(F("DB", {N(cost), N(salvage), N(life), N(period), N(month)}), tol));
          for (double factor : {2.0, 1.5, 3.0}) items.push_back(HF(F("DDB", {N(cost), N(salvage), N(life), N(period), N(factor)}), tol));
          items.push_back(HF(F("SYD", {N(cost), N(salvage), N(life), N(period)}), tol));
          items.push_back(HF(F("SLN", {N(cost), N(salvage), N(life)}), tol));
        }
  // ACCRINT from formulajs: dates at positions 0..2.
  for (double issue : {Serial(2008, 3, 1), Serial(2019, 12, 31)})
    for (double settle : {Serial(2008, 5, 1), Serial(2020, 2, 29), Serial(2021, 7, 15)})
      for (double freq : {1.0, 2.0, 4.0, 3.0})
        for (double basis : {0.0, 1.0, 2.0, 3.0, 4.0}) {
          const double first = issue + 30;
          Expr e = F("ACCRINT", {N(issue), N(first), N(settle), N(0.1), N(1000), N(freq), N(basis)});
          if ((basis == 1 || basis == 4) && freq != 3 && settle > issue) {
            // formulajs's year fraction of these bases ignores the 29 February and 30E/360 rules that
            // HyperFormula's YEARFRAC (compared above) follows: ACCRINT is par * rate * that fraction.
            items.push_back({e, "\"=1000*0.1*YEARFRAC(" + NumText(issue) + "," + NumText(settle) + "," + NumText(basis) + ")\"", tol});
            continue;
          }
          const std::string call = "{\"fjs\":\"ACCRINT\",\"dates\":[0,1,2],\"args\":[" + NumText(issue) + "," +
                                   NumText(first) + "," + NumText(settle) + ",0.1,1000," + NumText(freq) + "," +
                                   NumText(basis) + "]}";
          items.push_back({e, call, tol});
        }
  Compare(items, wb, sheet);
}

}  // namespace
}  // namespace formula
