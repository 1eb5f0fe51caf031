// Runs generated formulas through the evaluator and through HyperFormula (node) and compares every
// result. Cases that differ on purpose are listed in kAllowed with their reason.
// The oracle runs under node from tests/hyperformula (installed with npm ci); without it the test
// skips.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/unicode.h"
#include "formula/tests/eval_oracle_harness.h"
#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

namespace fs = std::filesystem;
using namespace formula::testing;

// A formula as text (for the oracle) and as byte code (for the engine).
struct Expr {
  std::string text;
  Build build;
};

Expr N(double V) { return {NumText(V), Num(V)}; }
Expr S(const std::string& V) { return {"\"" + V + "\"", Str(core::utf8_to_utf16(V))}; }
Expr R(const char* From, const char* To = nullptr) {
  return {To ? std::string(From) + ":" + To : std::string(From), Ref(From, To)};
}
Expr F(const char* Name, const std::vector<Expr>& Args) {
  std::string text = std::string(Name) + "(";
  std::vector<Build> builds;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    if (i) text += ",";
    text += Args[i].text;
    builds.push_back(Args[i].build);
  }
  return {text + ")", Fn(Name, builds)};
}
Expr Concat(const Expr& A, const Expr& B) { return {A.text + "&" + B.text, Op(ptgConcat, A.build, B.build)}; }

// Differences the engine keeps on purpose: formulas whose text contains Pattern are not compared.
struct Allowed {
  const char* pattern;
  const char* reason;
};
const Allowed kAllowed[] = {
    {"SUM(TRUE", "the oracle does not read TRUE without parentheses as a boolean"},
    {"AGGREGATE(", "the oracle has no AGGREGATE"},
    {"PRODUCT(G1:G5)", "PRODUCT without any number is 0 in spreadsheet applications; the oracle gives 1"},
    {"PRODUCT(B3)", "as above, for a single blank or text cell"},
    {"AND(B1:B30)", "AND and OR pass over the empty cells of a reference, as spreadsheet applications do; the oracle reads them as FALSE"},
    {"AND(G1:G5)", "as above: with no logical value left the result is #VALUE!"},
    {"OR(G1:G5)", "as above"},
    {"ROUND(1.0049999999999999,2)", "a decimal half rounds as written (1.01), as spreadsheet applications do; the oracle rounds the binary value"},
    {"SUM(IF(1,A1:A3))", "IF hands on its reference argument as a reference; the oracle reduces it to one value"},
};

bool IsAllowed(const std::string& Text) {
  for (const auto& a : kAllowed)
    if (Text.find(a.pattern) != std::string::npos) return true;
  return false;
}

class EvaluatorOracleTest : public ::testing::Test {
protected:
  void SetUp() override {
    oracleDir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
    if (!fs::exists(oracleDir / "node_modules" / "hyperformula")) GTEST_SKIP() << "hyperformula is not installed (npm ci)";
    if (!core::testing::HaveTool("node")) GTEST_SKIP() << "node is not installed";
  }

  // Evaluates each formula in column Z of sheet 0 and returns the oracle's results beside ours.
  void Compare(SharedSheet& Sheet, const std::vector<Expr>& Formulas, const std::vector<std::vector<std::uint8_t>>* Codes = nullptr) {
    wb.Sheet().CalcDimension();
    std::string json = "{\"sheet\":" + Sheet.ToJson() + ",\"formulas\":[";
    for (std::size_t i = 0; i < Formulas.size(); ++i) json += (i ? "," : "") + Json("=" + Formulas[i].text);
    json += "]}";
    std::string out;
    const bool ran = RunNodeOracle(oracleDir / "eval_oracle.js", json, out);
    ASSERT_TRUE(ran) << out;
    const std::vector<std::string> want = ParseResults(out);
    ASSERT_EQ(want.size(), Formulas.size()) << out;
    int compared = 0;
    for (std::size_t i = 0; i < Formulas.size(); ++i) {
      if (IsAllowed(Formulas[i].text)) continue;
      TXLSPtgsBuilder b;
      std::vector<std::uint8_t> code;
      if (Codes) {
        code = (*Codes)[i];
      } else {
        Formulas[i].build(b);
        code = b.Bytes();
      }
      TXLSFormulaValue v;
      ev.Evaluate(code.data(), static_cast<int>(code.size()), 0, 25, static_cast<int>(i), v);
      std::string got = Describe(v);
      if (got.rfind("ref:", 0) == 0) got = got.substr(4);
      if (got == "<empty>") got = "0";
      EXPECT_TRUE(SameResult(got, want[i])) << "=" << Formulas[i].text << ": engine " << got << ", oracle " << want[i];
      ++compared;
    }
    EXPECT_GT(compared, 0);
  }

  fs::path oracleDir;
  FakeWorkbook wb{1};
  TXLSFormulaEvaluator ev{&wb};
};

TEST_F(EvaluatorOracleTest, AggregatesOverGeneratedSheet) {
  SharedSheet sheet(wb);
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<double> value(-50, 50);
  const char* words[] = {"x", "abc", "Temp", "12a"};
  for (int r = 0; r < 30; ++r) {
    sheet.Num(0, r, std::round(value(rng) * 100) / 100);  // A: numbers
    switch (rng() % 4) {                                   // B: numbers, texts, blanks
      case 0: sheet.Num(1, r, std::round(value(rng))); break;
      case 1: sheet.Str(1, r, words[rng() % 4]); break;
      default: break;
    }
    if (rng() % 3 == 0)
      sheet.Bool(2, r, rng() % 2 == 0);  // C: numbers and booleans
    else
      sheet.Num(2, r, std::round(value(rng) * 10) / 10);
    sheet.Num(3, r, r % 5 == 0 ? 0 : 1);  // D: ones and zeros
    if (r == 17)
      sheet.Err(4, r, errNA, "#N/A");  // E: numbers with one error
    else
      sheet.Num(4, r, r + 0.5);
  }
  const std::vector<Expr> ranges = {R("A1", "A30"), R("B1", "B30"), R("C1", "C30"), R("A1", "C30"),
                                    R("D1", "D30"), R("E1", "E30"), R("G1", "G5"),  R("B3")};
  const char* fns[] = {"SUM", "AVERAGE", "AVERAGEA", "MAX", "MAXA", "MIN", "MINA", "PRODUCT", "SUMSQ",
                       "COUNT", "COUNTA", "COUNTBLANK", "AND", "OR"};
  std::vector<Expr> formulas;
  for (const char* fn : fns)
    for (const auto& r : ranges) formulas.push_back(F(fn, {r}));
  for (const char* fn : fns)
    if (std::string(fn) != "COUNTBLANK") {
      formulas.push_back(F(fn, {R("A1", "A10"), N(3), R("D1", "D4")}));
      formulas.push_back(F(fn, {N(-2.5), S("4"), R("B1", "B30")}));
    }
  for (int k : {1, 2, 3, 4, 5, 6, 9}) {
    formulas.push_back(F("SUBTOTAL", {N(k), R("A1", "C30")}));
    formulas.push_back(F("SUBTOTAL", {N(k + 100), R("A1", "A30"), R("E1", "E10")}));
  }
  for (double x : {2.5, -2.5, 12.5, 0.125, 1.005, -0.0049, 1234.5678, 1e15 + 0.5})
    for (int d : {0, 2, -1, 3}) formulas.push_back(F("ROUND", {N(x), N(d)}));
  formulas.push_back(F("ROUND", {F("AVERAGE", {R("A1", "A30")}), N(2)}));
  formulas.push_back(Concat(S("avg:"), F("ROUND", {F("AVERAGE", {R("A1", "A30")}), N(2)})));
  formulas.push_back(Concat(S("min:"), F("MIN", {R("A1", "A30")})));
  formulas.push_back(F("IF", {F("AND", {R("D1", "D4")}), N(1), S("no")}));
  formulas.push_back(F("SUM", {F("IF", {N(1), R("A1", "A3")})}));
  formulas.push_back(F("AGGREGATE", {N(9), N(6), R("E1", "E30")}));
  Compare(sheet, formulas);
}

// The console's report: 32,000 value rows under a header row and the six summary formulas, as BIFF8
// tokens.
TEST_F(EvaluatorOracleTest, ReportSheetFormulas) {
  SharedSheet sheet(wb);
  const int first = 28, last = 32028;  // A1 row numbers
  sheet.Str(1, first - 1, "温度");
  sheet.Str(2, first - 1, "湿度");
  std::mt19937 rng(7);
  for (int r = first; r < last; ++r) {
    sheet.Num(1, r, static_cast<int>(rng() % 1201) / 10.0 - 40);  // -40.0 .. 80.0
    sheet.Num(2, r, static_cast<int>(rng() % 1001) / 10.0);       // 0.0 .. 100.0
  }
  struct Line {
    const char* label;
    const char* fn;
    int col;
    bool rounded;
  } lines[] = {
      {"    温度平均值:", "AVERAGE", 1, true}, {"    湿度平均值:", "AVERAGE", 2, true},
      {"    温度最小值:", "MIN", 1, false},    {"    湿度最小值:", "MIN", 2, false},
      {"    温度最大值:", "MAX", 1, false},    {"    湿度最大值:", "MAX", 2, false},
  };
  std::vector<Expr> formulas;
  std::vector<std::vector<std::uint8_t>> codes;
  for (const auto& l : lines) {
    const std::string col = l.col == 1 ? "B" : "C";
    const std::string range = col + std::to_string(first) + ":" + col + std::to_string(last);
    std::string call = std::string(l.fn) + "(" + range + ")";
    if (l.rounded) call = "ROUND(" + call + ",2)";
    formulas.push_back({"\"" + std::string(l.label) + "\"&" + call, nullptr});
    // BIFF8: string (16-bit characters), area, function, [2, ROUND], concatenation.
    std::vector<std::uint8_t> c{0xFF, 0x17};
    const std::u16string label = core::utf8_to_utf16(l.label);
    c.push_back(static_cast<std::uint8_t>(label.size()));
    c.push_back(0x01);
    for (char16_t ch : label) c.insert(c.end(), {static_cast<std::uint8_t>(ch & 0xFF), static_cast<std::uint8_t>(ch >> 8)});
    const int r1 = first - 1, r2 = last - 1;
    c.insert(c.end(), {0x25, static_cast<std::uint8_t>(r1 & 0xFF), static_cast<std::uint8_t>(r1 >> 8),
                       static_cast<std::uint8_t>(r2 & 0xFF), static_cast<std::uint8_t>(r2 >> 8),
                       static_cast<std::uint8_t>(l.col), 0xC0, static_cast<std::uint8_t>(l.col), 0xC0});
    const std::uint8_t fid = std::string(l.fn) == "AVERAGE" ? 5 : std::string(l.fn) == "MIN" ? 6 : 7;
    c.insert(c.end(), {0x42, 0x01, fid, 0x00});
    if (l.rounded) c.insert(c.end(), {0x1E, 0x02, 0x00, 0x41, 27, 0x00});
    c.push_back(0x08);
    codes.push_back(c);
  }
  Compare(sheet, formulas, &codes);
}

}  // namespace
}  // namespace formula
