// Table tests of the statistics family: descriptive statistics, paired data, fits and tests, the
// probability distributions and the numeric routines they share; and a sweep of hostile arguments
// over every function of the family.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "formula/functions/families.h"
#include "formula/functions/numeric_routines.h"
#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;
using functions::TFitRecord;
using functions::TFitStatus;

// An array constant of Cols x Rows, elements row by row.
Build Arr(int Cols, int Rows, std::vector<double> V) {
  return [=](TXLSPtgsBuilder& b) {
    for (double x : V) b.Number(x);
    b.Array(static_cast<std::uint16_t>(Cols), Rows);
  };
}
Build Row(std::vector<double> V) { return Arr(static_cast<int>(V.size()), 1, V); }

// Pushes one argument straight onto the stack, for results that are whole arrays.
using Push = std::function<void(TValueStack&)>;
Push PNum(double V) {
  return [V](TValueStack& S) { S.PushFloat(V); };
}
Push PRow(std::vector<double> V) {
  return [V](TValueStack& S) {
    auto a = std::make_unique<TXLSArrayItem>(static_cast<int>(V.size()), 1);
    for (std::size_t i = 0; i < V.size(); ++i) a->SetFloat(static_cast<int>(i), 0, V[i]);
    S.PushArray(std::move(a));
  };
}
Push PBool(bool B) {
  return [B](TValueStack& S) { S.PushBool(B); };
}

// Sheet 0: A1:A5 1..5; B1:B5 2,4,6,8,10; C1:C3 1,"a",3; D1 TRUE; E1 #DIV/0!; F1 "3" (text);
// G1:G5 empty; H1:H3 2,4,7.
class StatisticsTest : public ::testing::Test {
protected:
  StatisticsTest() : wb(1), ev(&wb) {
    for (int i = 0; i < 5; ++i) {
      const std::string a = "A" + std::to_string(i + 1), b = "B" + std::to_string(i + 1);
      wb.Num(a.c_str(), i + 1);
      wb.Num(b.c_str(), 2 * (i + 1));
    }
    wb.Num("C1", 1);
    wb.Str("C2", u"a");
    wb.Num("C3", 3);
    wb.Bool("D1", true);
    wb.Err("E1", errDiv0);
    wb.Str("F1", u"3");
    wb.Num("H1", 2);
    wb.Num("H2", 4);
    wb.Num("H3", 7);
  }

public:
  std::string Run(const Build& F) {
    TXLSPtgsBuilder b;
    F(b);
    TXLSFormulaValue v;
    try {
      ev.Evaluate(b.Bytes().data(), b.Size(), 0, 25, 0, v);
    } catch (const std::exception& e) {
      return std::string("<raised ") + e.what() + ">";
    }
    return Describe(v);
  }
  // The whole result of a direct call: an array as "a;b|c;d" (rows split by |), else its value.
  std::string Call(const char* Name, const std::vector<Push>& Args) {
    std::u16string n(Name, Name + std::char_traits<char>::length(Name));
    const int id = XLSFuncNames().FindName(n);
    TValueStack& s = ev.Stack();
    s.Reset(false, 0, 25, 0);
    for (const Push& p : Args) p(s);
    s.BeginArgs(static_cast<int>(Args.size()));
    if (!functions::RunStatisticsFunction(s, id, static_cast<int>(Args.size()))) return "<not run>";
    if (s.Top != 0) return "<stack " + std::to_string(s.Top) + ">";
    const TXLSFormulaValue& top = s.TopValue();
    if (top.Kind != fvkArray) return Describe(top);
    std::string out;
    for (int r = 0; r < top.Array->RowCount(); ++r) {
      if (r) out += "|";
      for (int c = 0; c < top.Array->ColCount(); ++c) {
        TXLSFormulaValue e;
        top.Array->GetFormulaValue(c, r, e);
        out += (c ? ";" : "") + Describe(e);
      }
    }
    return out;
  }
  FakeWorkbook wb;
  TXLSFormulaEvaluator ev;
};

struct Case {
  const char* what;
  Build formula;
  const char* want;
};

// Equal texts, or numbers within rounding noise (a relative 1e-13).
bool Same(const std::string& Got, const std::string& Want) {
  if (Got == Want) return true;
  char* endA = nullptr;
  char* endB = nullptr;
  const double a = std::strtod(Got.c_str(), &endA), b = std::strtod(Want.c_str(), &endB);
  if (Got.empty() || Want.empty() || *endA || *endB) return false;
  return std::fabs(a - b) <= 1e-13 * std::max(std::fabs(a), std::fabs(b)) || std::fabs(a - b) < 1e-15;
}

// Arrays as "a;b|c;d": element by element.
bool SameArray(const std::string& Got, const std::string& Want) {
  auto split = [](const std::string& S) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : S) {
      if (c == ';' || c == '|') {
        out.push_back(cur);
        out.push_back(std::string(1, c));
        cur.clear();
      } else {
        cur.push_back(c);
      }
    }
    out.push_back(cur);
    return out;
  };
  const auto g = split(Got), w = split(Want);
  if (g.size() != w.size()) return false;
  for (std::size_t i = 0; i < g.size(); ++i)
    if (!Same(g[i], w[i])) return false;
  return true;
}

#define RUN_TABLE(cases) \
  for (const Case& c : cases) EXPECT_PRED2(Same, Run(c.formula), c.want) << c.what

TEST_F(StatisticsTest, DispersionAndShape) {
  const Build a = Ref("A1", "A5"), empty = Ref("G1", "G5");
  const Case cases[] = {
      {"STDEV", Fn("STDEV", {a}), "1.58113883008419"},
      {"STDEV.S is STDEV", Fn("STDEV.S", {a}), "1.58113883008419"},
      {"STDEVP", Fn("STDEVP", {a}), "1.4142135623731"},
      {"STDEV.P is STDEVP", Fn("STDEV.P", {a}), "1.4142135623731"},
      {"VAR", Fn("VAR", {a}), "2.5"},
      {"VAR.S", Fn("VAR.S", {a}), "2.5"},
      {"VARP", Fn("VARP", {a}), "2"},
      {"VAR.P", Fn("VAR.P", {a}), "2"},
      {"STDEV of one value divides by zero", Fn("STDEV", {Num(5)}), "#DIV/0!"},
      {"VAR of one value divides by zero", Fn("VAR", {Num(5)}), "#DIV/0!"},
      {"STDEVP of one value is 0", Fn("STDEVP", {Num(5)}), "0"},
      {"VARP of one value is 0", Fn("VARP", {Num(5)}), "0"},
      {"VARP of nothing", Fn("VARP", {empty}), "#DIV/0!"},
      {"STDEVPA of nothing", Fn("STDEVPA", {empty}), "#DIV/0!"},
      {"a range keeps only its numbers", Fn("STDEV", {Ref("C1", "C3")}), "1.4142135623731"},
      {"a typed boolean counts", Fn("STDEV", {Bool(true), Num(3)}), "1.4142135623731"},
      {"a typed numeric text counts", Fn("STDEV", {Str(u"1"), Num(3)}), "1.4142135623731"},
      {"a typed text that is no number", Fn("STDEV", {Str(u"a"), Num(3)}), "#VALUE!"},
      {"a referenced text does not count", Fn("STDEV", {Ref("F1"), Num(1), Num(5)}), "2.82842712474619"},
      {"the A form counts a referenced boolean", Fn("STDEVA", {Ref("D1"), Num(3)}), "1.4142135623731"},
      {"the A form counts referenced text as 0", Fn("VARA", {Ref("C1", "C3")}), "2.33333333333333"},
      {"VARPA", Fn("VARPA", {Ref("C1", "C3")}), "1.55555555555556"},
      {"an error cell is the result", Fn("STDEV", {a, Ref("E1")}), "#DIV/0!"},
      {"the leftmost error wins", Fn("VAR", {Err(errNA), Ref("E1")}), "#N/A"},
      {"AVEDEV", Fn("AVEDEV", {a}), "1.2"},
      {"AVEDEV of nothing", Fn("AVEDEV", {empty}), "#VALUE!"},
      {"DEVSQ", Fn("DEVSQ", {a}), "10"},
      {"DEVSQ of nothing", Fn("DEVSQ", {empty}), "#DIV/0!"},
      {"DEVSQ keeps its digits far from 0", Fn("DEVSQ", {Num(1e9 + 1), Num(1e9 + 2), Num(1e9 + 3)}), "2"},
      {"GEOMEAN", Fn("GEOMEAN", {Num(2), Num(8)}), "4"},
      {"GEOMEAN with 0", Fn("GEOMEAN", {Num(0), Num(8)}), "#NUM!"},
      {"GEOMEAN of nothing", Fn("GEOMEAN", {empty}), "#NUM!"},
      {"HARMEAN", Fn("HARMEAN", {Num(1), Num(2), Num(4)}), "1.71428571428571"},
      {"HARMEAN negative", Fn("HARMEAN", {Num(-1), Num(2)}), "#NUM!"},
      {"HARMEAN of nothing", Fn("HARMEAN", {empty}), "#N/A"},
      {"KURT", Fn("KURT", {Row({3, 4, 5, 2, 3, 4, 5, 6, 4, 7})}), "-0.151799637208414"},
      {"KURT of three values", Fn("KURT", {Num(1), Num(2), Num(3)}), "#DIV/0!"},
      {"KURT without spread", Fn("KURT", {Num(1), Num(1), Num(1), Num(1)}), "#DIV/0!"},
      {"KURT of nothing", Fn("KURT", {empty}), "#N/A"},
      {"SKEW", Fn("SKEW", {Row({3, 4, 5, 2, 3, 4, 5, 6, 4, 7})}), "0.359543071406797"},
      {"SKEW of two values", Fn("SKEW", {Num(1), Num(2)}), "#DIV/0!"},
      {"SKEW of nothing", Fn("SKEW", {empty}), "#N/A"},
      {"SUBTOTAL reaches STDEV", Fn("SUBTOTAL", {Num(7), a}), "1.58113883008419"},
      {"AGGREGATE's LARGE skips an error cell", Fn("AGGREGATE", {Num(14), Num(6), Ref("A1", "E1"), Num(1)}), "2"},
      {"AGGREGATE's VAR.P", Fn("AGGREGATE", {Num(11), Num(6), Ref("A1", "E1")}), "0.222222222222222"},
      {"STANDARDIZE", Fn("STANDARDIZE", {Num(3), Num(1), Num(2)}), "1"},
      {"STANDARDIZE sd 0", Fn("STANDARDIZE", {Num(3), Num(1), Num(0)}), "#DIV/0!"},
      {"STANDARDIZE sd negative", Fn("STANDARDIZE", {Num(3), Num(1), Num(-1)}), "#NUM!"},
  };
  RUN_TABLE(cases);
}

TEST_F(StatisticsTest, OrderStatistics) {
  const Build a = Ref("A1", "A5"), empty = Ref("G1", "G5");
  const Build four = Row({1, 2, 3, 4});
  const Case cases[] = {
      {"MEDIAN even", Fn("MEDIAN", {Num(1), Num(2), Num(3), Num(4)}), "2.5"},
      {"MEDIAN odd", Fn("MEDIAN", {Num(3), Num(1), Num(2)}), "2"},
      {"MEDIAN of nothing", Fn("MEDIAN", {empty}), "#NUM!"},
      {"MODE", Fn("MODE", {Num(1), Num(2), Num(2)}), "2"},
      {"MODE ties keep the smaller", Fn("MODE", {Num(2), Num(2), Num(1), Num(1)}), "1"},
      {"MODE without repeats", Fn("MODE", {Num(1), Num(2), Num(3)}), "#N/A"},
      {"MODE of nothing", Fn("MODE", {empty}), "#NUM!"},
      {"MODE.SNGL is MODE", Fn("MODE.SNGL", {Num(1), Num(1), Num(2), Num(2)}), "1"},
      {"LARGE", Fn("LARGE", {Row({3, 1, 2}), Num(1)}), "3"},
      {"LARGE truncates k", Fn("LARGE", {Row({3, 1, 2}), Num(2.9)}), "2"},
      {"LARGE k 0", Fn("LARGE", {Row({3, 1, 2}), Num(0)}), "#VALUE!"},
      {"LARGE k above n", Fn("LARGE", {Row({3, 1, 2}), Num(4)}), "#NUM!"},
      {"SMALL", Fn("SMALL", {a, Num(2)}), "2"},
      {"SMALL of an empty range", Fn("SMALL", {empty, Num(1)}), "#NUM!"},
      {"SMALL of an error", Fn("SMALL", {Ref("E1"), Num(1)}), "#DIV/0!"},
      {"PERCENTILE", Fn("PERCENTILE", {four, Num(0.5)}), "2.5"},
      {"PERCENTILE quarter of 1..5", Fn("PERCENTILE.INC", {a, Num(0.25)}), "2"},
      {"PERCENTILE quarter of 1..4", Fn("PERCENTILE", {four, Num(0.25)}), "1.75"},
      {"PERCENTILE k above 1", Fn("PERCENTILE", {four, Num(1.5)}), "#NUM!"},
      {"PERCENTILE of nothing", Fn("PERCENTILE", {empty, Num(0.5)}), "#NUM!"},
      {"PERCENTILE.EXC", Fn("PERCENTILE.EXC", {four, Num(0.5)}), "2.5"},
      {"PERCENTILE.EXC outside the data", Fn("PERCENTILE.EXC", {four, Num(0.1)}), "#NUM!"},
      {"PERCENTILE.EXC interpolates", Fn("PERCENTILE.EXC", {four, Num(0.25)}), "1.25"},
      {"QUARTILE", Fn("QUARTILE", {four, Num(1)}), "1.75"},
      {"QUARTILE truncates", Fn("QUARTILE.INC", {four, Num(3.9)}), "3.25"},
      {"QUARTILE 5", Fn("QUARTILE", {four, Num(5)}), "#NUM!"},
      {"QUARTILE.EXC", Fn("QUARTILE.EXC", {a, Num(1)}), "1.5"},
      {"QUARTILE.EXC 0", Fn("QUARTILE.EXC", {a, Num(0)}), "#NUM!"},
      // PERCENTRANK is cut to the significance's digits, 3 by default.
      {"PERCENTRANK", Fn("PERCENTRANK", {four, Num(2)}), "0.333"},
      {"PERCENTRANK with significance", Fn("PERCENTRANK.INC", {four, Num(2), Num(5)}), "0.33333"},
      {"PERCENTRANK between values", Fn("PERCENTRANK", {four, Num(2.5)}), "0.5"},
      {"PERCENTRANK of the first of equal values", Fn("PERCENTRANK", {Row({1, 2, 2, 3}), Num(2)}), "0.333"},
      {"PERCENTRANK outside", Fn("PERCENTRANK", {four, Num(5)}), "#N/A"},
      {"PERCENTRANK of one value", Fn("PERCENTRANK", {Num(5), Num(5)}), "1"},
      {"PERCENTRANK significance 0", Fn("PERCENTRANK", {four, Num(2), Num(0)}), "#NUM!"},
      {"PERCENTRANK of nothing", Fn("PERCENTRANK", {empty, Num(1)}), "#NUM!"},
      {"PERCENTRANK.EXC", Fn("PERCENTRANK.EXC", {four, Num(2)}), "0.4"},
      // Equal values share the best rank of their group.
      {"RANK", Fn("RANK", {Num(5), Row({5, 5, 3})}), "1"},
      {"RANK ascending", Fn("RANK", {Num(5), Row({5, 5, 3}), Num(1)}), "2"},
      {"RANK last", Fn("RANK.EQ", {Num(3), Row({5, 5, 3})}), "3"},
      {"RANK ignores text in the range", Fn("RANK", {Num(3), Ref("C1", "C3")}), "1"},
      {"RANK absent", Fn("RANK", {Num(4), Row({5, 5, 3})}), "#N/A"},
      {"RANK of an error range", Fn("RANK", {Num(4), Ref("E1")}), "#DIV/0!"},
      {"TRIMMEAN", Fn("TRIMMEAN", {Row({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), Num(0.2)}), "5.5"},
      {"TRIMMEAN rounds the count down to even", Fn("TRIMMEAN", {Row({1, 2, 3, 4, 5, 6, 7, 8, 9, 100}), Num(0.15)}), "14.5"},
      {"TRIMMEAN percent 1", Fn("TRIMMEAN", {a, Num(1)}), "#NUM!"},
      {"TRIMMEAN percent text", Fn("TRIMMEAN", {a, Str(u"x")}), "#VALUE!"},
      {"TRIMMEAN of nothing", Fn("TRIMMEAN", {empty, Num(0.1)}), "#NUM!"},
      {"PROB at a point", Fn("PROB", {Row({1, 2, 3}), Row({0.2, 0.3, 0.5}), Num(2)}), "0.3"},
      {"PROB over a span", Fn("PROB", {Row({1, 2, 3}), Row({0.2, 0.3, 0.5}), Num(1), Num(2)}), "0.5"},
      {"PROB with a probability above 1", Fn("PROB", {Row({1, 2}), Row({0.2, 1.5}), Num(1)}), "#NUM!"},
  };
  RUN_TABLE(cases);
}

TEST_F(StatisticsTest, ArrayResults) {
  EXPECT_EQ(Call("MODE.MULT", {PNum(1), PNum(1), PNum(2), PNum(3), PNum(3)}), "1|3");
  EXPECT_EQ(Call("MODE.MULT", {PRow({3, 1, 1, 3, 2, 1, 3})}), "3|1") << "the most frequent only, first seen first";
  EXPECT_EQ(Call("MODE.MULT", {PRow({1, 2, 3})}), "#N/A");
  // Every number falls into the smallest bin not below it, whatever the bins' order.
  EXPECT_EQ(Call("FREQUENCY", {PRow({1, 2, 3}), PRow({2, 1})}), "1|1|1");
  EXPECT_EQ(Call("FREQUENCY", {PRow({1, 2, 2, 3, 5}), PRow({2, 4})}), "3|1|1");
  EXPECT_EQ(Call("FREQUENCY", {PRow({1, 2}), PRow({})}), "2");
  // LINEST: slope, intercept; their standard errors; r squared, se of y; F, df; SSreg, SSresid.
  EXPECT_PRED2(SameArray, Call("LINEST", {PRow({1, 2, 3})}), "1;0|0;0|1;0|1.7e+308;1|2;0") << "x defaults to 1..n";
  EXPECT_PRED2(SameArray, Call("LINEST", {PRow({1, 3, 2, 5}), PRow({1, 2, 3, 4})}),
               "1.1;0|0.519615242270663;1.42302494707577|0.691428571428571;1.16189500386223|4.48148148148148;2|"
               "6.05;2.7");
  EXPECT_PRED2(SameArray, Call("LINEST", {PRow({2, 4, 7}), PRow({1, 2, 3}), PBool(false)}),
               "2.21428571428571;0|0.112938487863156;#N/A|0.994824016563147;0.422577127364258|384.4;2|"
               "68.6428571428571;0.357142857142857")
      << "through the origin";
  EXPECT_EQ(Call("LINEST", {PRow({5, 5, 5}), PRow({1, 2, 3})}), "#NUM!");
  EXPECT_EQ(Call("LINEST", {PRow({1, 2}), PRow({1, 2, 3})}), "#REF!");
  EXPECT_EQ(Call("LINEST", {PRow({1})}), "#NUM!");
  EXPECT_PRED2(SameArray, Call("LOGEST", {PRow({1, 3, 2, 5}), PRow({1, 2, 3, 4})}),
               "1.55625899777879;0.774596669241483|0.201885354004797;0.552885812091715|0.705860021618525;"
               "0.451429375216335|4.79948373901818;2|0.978079499838223;0.40757696161642");
  EXPECT_EQ(Call("T.DIST", {PNum(1), PNum(0), PBool(false)}), "#DIV/0!") << "T.DIST's density with df 0";
  EXPECT_PRED2(Same, Call("T.DIST", {PNum(1), PNum(10), PBool(false)}), "0.230361989229139") << "T.DIST's density";
  EXPECT_EQ(Call("LOGEST", {PRow({2, 0, 8})}), "#NUM!");
  EXPECT_EQ(Call("TREND", {PRow({2, 4, 6}), PRow({1, 2, 3}), PRow({4, 5})}), "8|10");
  EXPECT_EQ(Call("TREND", {PRow({5, 5, 5}), PRow({1, 2, 3}), PNum(9)}), "5") << "a flat line is still a line";
  EXPECT_EQ(Call("TREND", {PRow({1, 2, 3}), PRow({2, 2, 2})}), "#DIV/0!");
  EXPECT_EQ(Call("TREND", {PRow({2, 4}), PRow({1, 2}), PRow({3}), PBool(false)}), "6");
  EXPECT_EQ(Call("GROWTH", {PRow({2, 4, 8}), PRow({1, 2, 3}), PRow({4})}), "16");
  EXPECT_EQ(Call("GROWTH", {PRow({2, -4, 8})}), "#NUM!");
}

TEST_F(StatisticsTest, PairedData) {
  const Build x = Row({1, 2, 3}), y = Row({2, 4, 6});
  const Case cases[] = {
      {"CORREL", Fn("CORREL", {x, y}), "1"},
      {"PEARSON", Fn("PEARSON", {Ref("A1", "A5"), Row({2, 1, 4, 3, 5})}), "0.8"},
      {"RSQ", Fn("RSQ", {y, x}), "1"},
      {"SLOPE", Fn("SLOPE", {y, x}), "2"},
      {"INTERCEPT", Fn("INTERCEPT", {y, x}), "0"},
      {"FORECAST", Fn("FORECAST", {Num(4), y, x}), "8"},
      {"pairs with a text skip that position", Fn("CORREL", {Ref("C1", "C3"), Ref("A1", "A3")}), "1"},
      {"different sizes", Fn("CORREL", {Ref("A1", "A3"), Ref("A1", "A4")}), "#N/A"},
      {"scalars are no ranges", Fn("CORREL", {Num(1), Num(2)}), "#N/A"},
      {"an error in a range", Fn("CORREL", {Ref("E1", "E2"), Ref("A1", "A2")}), "#DIV/0!"},
      {"CORREL without spread", Fn("CORREL", {Row({1, 1, 1}), y}), "#DIV/0!"},
      {"SLOPE without x spread", Fn("SLOPE", {y, Row({1, 1, 1})}), "#DIV/0!"},
      {"no pairs", Fn("COVAR", {Ref("G1", "G3"), Ref("A1", "A3")}), "#DIV/0!"},
      {"COVAR", Fn("COVAR", {Ref("A1", "A5"), Ref("B1", "B5")}), "4"},
      {"COVARIANCE.P", Fn("COVARIANCE.P", {Ref("A1", "A5"), Ref("B1", "B5")}), "4"},
      {"COVARIANCE.S", Fn("COVARIANCE.S", {Ref("A1", "A5"), Ref("B1", "B5")}), "5"},
      {"COVARIANCE.S of one pair", Fn("COVARIANCE.S", {Ref("A1"), Ref("B1")}), "#DIV/0!"},
      {"STEYX of three pairs", Fn("STEYX", {Ref("H1", "H3"), Ref("A1", "A3")}), "0.408248290463863"},
      {"STEYX of two pairs", Fn("STEYX", {Ref("H1", "H2"), Ref("A1", "A2")}), "#DIV/0!"},
      {"SUMX2MY2", Fn("SUMX2MY2", {x, y}), "-42"},
      {"SUMX2PY2", Fn("SUMX2PY2", {x, y}), "70"},
      {"SUMXMY2", Fn("SUMXMY2", {x, y}), "14"},
      {"SUMX2MY2 of single cells", Fn("SUMX2MY2", {Ref("B1"), Ref("A1")}), "3"},
      {"offset ranges stay paired past the used area", Fn("SUMXMY2", {Ref("A1", "A5"), Ref("B2", "B6")}), "86"},
      {"offset ranges stay paired", Fn("CORREL", {Ref("A2", "A4"), Ref("B1", "B3")}), "1"},
      {"SUMPRODUCT", Fn("SUMPRODUCT", {Ref("A1", "A3"), Ref("B1", "B3")}), "28"},
      {"SUMPRODUCT of one range", Fn("SUMPRODUCT", {Ref("A1", "A5")}), "15"},
      {"SUMPRODUCT of whole columns", Fn("SUMPRODUCT", {Ref("A1", "A1048576"), Ref("B1", "B1048576")}), "110"},
      {"SUMPRODUCT shapes differ", Fn("SUMPRODUCT", {Ref("A1", "A3"), Ref("B1", "B2")}), "#VALUE!"},
      {"SUMPRODUCT of arrays", Fn("SUMPRODUCT", {Row({1, 2}), Row({3, 4})}), "11"},
      {"SUMPRODUCT text counts as 0", Fn("SUMPRODUCT", {Ref("C1", "C3"), Ref("A1", "A3")}), "10"},
      {"SUMPRODUCT of an error cell", Fn("SUMPRODUCT", {Ref("E1", "E2"), Ref("A1", "A2")}), "#DIV/0!"},
  };
  RUN_TABLE(cases);
}

TEST_F(StatisticsTest, Tests) {
  const Build actual = Arr(2, 3, {58, 35, 11, 25, 10, 23});
  const Build expected = Arr(2, 3, {45.35, 47.65, 17.56, 18.44, 16.09, 16.91});
  const Case cases[] = {
      {"CHISQ.TEST", Fn("CHISQ.TEST", {actual, expected}), "0.000308192017008309"},
      {"CHITEST", Fn("CHITEST", {Row({10, 20}), Row({15, 15})}), "0.067889154861829"},
      {"CHISQ.TEST expected 0", Fn("CHISQ.TEST", {Row({1, 2}), Row({0, 3})}), "#DIV/0!"},
      {"CHISQ.TEST expected negative", Fn("CHISQ.TEST", {Row({1, 2}), Row({-1, 3})}), "#NUM!"},
      {"CHISQ.TEST one cell", Fn("CHISQ.TEST", {Ref("A1"), Ref("B1")}), "#N/A"},
      {"CHISQ.TEST sizes differ", Fn("CHISQ.TEST", {Row({1, 2}), Row({1, 2, 3})}), "#N/A"},
      {"F.TEST", Fn("F.TEST", {Row({6, 7, 9, 15, 21}), Row({20, 28, 31, 38, 40})}), "0.648317846786175"},
      {"FTEST of samples of different sizes", Fn("FTEST", {Row({6, 7, 9, 15}), Row({20, 28, 31, 38, 40})}), "0.28501543643659"},
      {"F.TEST without spread", Fn("F.TEST", {Row({1, 1}), Row({1, 2})}), "#DIV/0!"},
      {"F.TEST of one value", Fn("F.TEST", {Row({1}), Row({1, 2})}), "#DIV/0!"},
      {"Z.TEST without sigma", Fn("Z.TEST", {Row({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}), Num(4)}), "0.0905741968513638"},
      {"ZTEST with sigma", Fn("ZTEST", {Row({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}), Num(4), Num(2)}), "0.0409951605001915"},
      {"Z.TEST with a sigma of 1000 uses it", Fn("Z.TEST", {Row({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}), Num(4), Num(1000)}), "0.498612279911458"},
      {"Z.TEST of nothing", Fn("Z.TEST", {Ref("G1", "G3"), Num(4)}), "#N/A"},
      {"Z.TEST of one value", Fn("Z.TEST", {Num(3), Num(4)}), "#DIV/0!"},
      {"Z.TEST sigma 0", Fn("Z.TEST", {Row({1, 2}), Num(4), Num(0)}), "#DIV/0!"},
  };
  RUN_TABLE(cases);
}

TEST_F(StatisticsTest, Distributions) {
  const Case cases[] = {
      {"NORM.DIST", Fn("NORM.DIST", {Num(0), Num(0), Num(1), Bool(true)}), "0.5"},
      {"NORMDIST density", Fn("NORMDIST", {Num(1), Num(0), Num(1), Bool(false)}), "0.241970724519143"},
      {"NORM.DIST sd 0", Fn("NORM.DIST", {Num(1), Num(0), Num(0), Bool(true)}), "#NUM!"},
      {"NORM.INV", Fn("NORM.INV", {Num(0.5), Num(0), Num(1)}), "0"},
      {"NORM.INV at 0", Fn("NORMINV", {Num(0), Num(0), Num(1)}), "#NUM!"},
      {"NORMSDIST", Fn("NORMSDIST", {Num(0)}), "0.5"},
      {"NORM.S.DIST takes its flag", Fn("NORM.S.DIST", {Num(0), Bool(false)}), "0.398942280401433"},
      {"NORM.S.INV", Fn("NORM.S.INV", {Num(0.975)}), "1.95996398454005"},
      {"NORMSINV at 1", Fn("NORMSINV", {Num(1)}), "#NUM!"},
      {"CHISQ.DIST.RT at 0", Fn("CHISQ.DIST.RT", {Num(0), Num(1)}), "1"},
      {"CHISQ.DIST", Fn("CHISQ.DIST", {Num(2), Num(3), Bool(true)}), "0.42759329552912"},
      {"CHISQ.DIST density", Fn("CHISQ.DIST", {Num(2), Num(3), Bool(false)}), "0.207553748710297"},
      {"CHISQ.DIST density at 0, df 2", Fn("CHISQ.DIST", {Num(0), Num(2), Bool(false)}), "0.5"},
      {"CHISQ.DIST density at 0, df 1", Fn("CHISQ.DIST", {Num(0), Num(1), Bool(false)}), "#NUM!"},
      {"CHIDIST df 0", Fn("CHIDIST", {Num(1), Num(0.5)}), "#NUM!"},
      {"CHISQ.INV", Fn("CHISQ.INV", {Num(0.5), Num(2)}), "1.38629436111989"},
      {"CHIINV", Fn("CHIINV", {Num(0.05), Num(10)}), "18.3070380532751"},
      {"CHISQ.INV.RT at 0", Fn("CHISQ.INV.RT", {Num(0), Num(10)}), "#NUM!"},
      {"EXPON.DIST", Fn("EXPON.DIST", {Num(0), Num(1), Bool(true)}), "0"},
      {"EXPONDIST density", Fn("EXPONDIST", {Num(0.2), Num(10), Bool(false)}), "1.35335283236613"},
      {"GAMMA.DIST density at 0", Fn("GAMMA.DIST", {Num(0), Num(2), Num(1), Bool(false)}), "0"},
      {"GAMMA.DIST density at 0, alpha 1", Fn("GAMMA.DIST", {Num(0), Num(1), Num(2), Bool(false)}), "0.5"},
      {"GAMMADIST", Fn("GAMMADIST", {Num(10.00001131), Num(9), Num(2), Bool(true)}), "0.0680940038697873"},
      {"GAMMAINV", Fn("GAMMAINV", {Num(0.068094), Num(9), Num(2)}), "10.0000111914372"},
      {"BINOM.DIST", Fn("BINOM.DIST", {Num(6), Num(10), Num(0.5), Bool(false)}), "0.205078125"},
      {"BINOM.DIST trials below successes", Fn("BINOM.DIST", {Num(3), Num(2), Num(0.5), Bool(true)}), "#NUM!"},
      {"CRITBINOM", Fn("CRITBINOM", {Num(6), Num(0.5), Num(0.75)}), "4"},
      {"BINOM.INV alpha 0", Fn("BINOM.INV", {Num(6), Num(0.5), Num(0)}), "0"},
      {"BINOM.INV of a billion trials", Fn("BINOM.INV", {Num(1e9), Num(0.5), Num(0.5)}), "500000000"},
      {"TDIST tails 3", Fn("TDIST", {Num(1), Num(10), Num(3)}), "#NUM!"},
      {"TDIST", Fn("TDIST", {Num(1.96), Num(60), Num(2)}), "0.0546449297365292"},
      {"T.DIST of a negative x (cumulative without the flag)", Fn("T.DIST", {Num(-1), Num(10)}), "0.17044656615103"},
      {"T.DIST.RT", Fn("T.DIST.RT", {Num(1.96), Num(60)}), "0.0273224648682646"},
      {"T.DIST.2T of a negative x", Fn("T.DIST.2T", {Num(-1), Num(10)}), "#NUM!"},
      {"POISSON.DIST with mean 0", Fn("POISSON.DIST", {Num(2), Num(0), Bool(false)}), "0"},
      {"POISSON cumulative with mean 0", Fn("POISSON", {Num(0), Num(0), Bool(true)}), "1"},
      {"POISSON truncates x", Fn("POISSON", {Num(2.9), Num(5), Bool(false)}), "0.0842243374885683"},
      {"CONFIDENCE.NORM", Fn("CONFIDENCE.NORM", {Num(0.05), Num(1), Num(4)}), "0.979981992270027"},
      {"CONFIDENCE.T uses Student's t", Fn("CONFIDENCE.T", {Num(0.05), Num(1), Num(4)}), "1.59122315264185"},
      {"CONFIDENCE.T of one", Fn("CONFIDENCE.T", {Num(0.05), Num(1), Num(1)}), "#DIV/0!"},
      {"BETA.DIST rescaled", Fn("BETA.DIST", {Num(3), Num(2), Num(3), Bool(true), Num(1), Num(5)}), "0.6875"},
      {"BETADIST", Fn("BETADIST", {Num(2), Num(8), Num(10), Num(1), Num(3)}), "0.685470581054688"},
      {"BETA.DIST density on [1, 3]", Fn("BETA.DIST", {Num(2), Num(8), Num(10), Bool(false), Num(1), Num(3)}), "1.4837646484375"},
      {"BETA.DIST outside the bounds", Fn("BETA.DIST", {Num(6), Num(2), Num(3), Bool(true), Num(1), Num(5)}), "#NUM!"},
      {"BETA.INV is the inverse", Fn("BETA.INV", {Num(0.6875), Num(2), Num(3), Num(1), Num(5)}), "3"},
      {"BETAINV at 0", Fn("BETAINV", {Num(0), Num(2), Num(3)}), "#NUM!"},
      {"HYPGEOM.DIST", Fn("HYPGEOM.DIST", {Num(1), Num(4), Num(8), Num(20), Bool(true)}), "0.465428276573787"},
      {"HYPGEOMDIST is the single outcome", Fn("HYPGEOMDIST", {Num(1), Num(4), Num(8), Num(20)}), "0.363261093911249"},
      {"HYPGEOM.DIST of a large population", Fn("HYPGEOM.DIST", {Num(1), Num(4), Num(80), Num(200), Bool(false)}), "0.347332725773151"},
      {"HYPGEOM.DIST sample above population", Fn("HYPGEOM.DIST", {Num(1), Num(30), Num(8), Num(20), Bool(false)}), "#NUM!"},
      {"NEGBINOM.DIST", Fn("NEGBINOM.DIST", {Num(10), Num(5), Num(0.25), Bool(true)}), "0.313514058478177"},
      {"NEGBINOMDIST is the single outcome", Fn("NEGBINOMDIST", {Num(10), Num(5), Num(0.25)}), "0.0550486603751779"},
      {"LOGNORM.DIST without the flag is cumulative", Fn("LOGNORM.DIST", {Num(4), Num(3.5), Num(1.2)}), "0.0390835557068005"},
      {"LOGNORMDIST is cumulative", Fn("LOGNORMDIST", {Num(4), Num(3.5), Num(1.2)}), "0.0390835557068005"},
      {"LOGINV", Fn("LOGINV", {Num(0.0390835557068005), Num(3.5), Num(1.2)}), "4"},
      {"F.DIST", Fn("F.DIST", {Num(15.2069), Num(6), Num(4), Bool(true)}), "0.990000043002763"},
      {"F.DIST density at 0, df1 1", Fn("F.DIST", {Num(0), Num(1), Num(4), Bool(false)}), "#NUM!"},
      {"F.DIST density at 0, df1 2", Fn("F.DIST", {Num(0), Num(2), Num(4), Bool(false)}), "1"},
      {"F.DIST df 0", Fn("F.DIST", {Num(1), Num(0), Num(4), Bool(false)}), "#VALUE!"},
      {"FDIST", Fn("FDIST", {Num(15.2069), Num(6), Num(4)}), "0.00999995699723731"},
      {"F.INV", Fn("F.INV", {Num(0.01), Num(6), Num(4)}), "0.109309914124579"},
      {"FINV", Fn("FINV", {Num(0.01), Num(6), Num(4)}), "15.2068648611575"},
      {"FISHER", Fn("FISHER", {Num(0.75)}), "0.972955074527657"},
      {"FISHER at 1", Fn("FISHER", {Num(1)}), "#NUM!"},
      {"FISHERINV", Fn("FISHERINV", {Num(0.972955074527657)}), "0.75"},
      {"WEIBULL", Fn("WEIBULL", {Num(105), Num(20), Num(100), Bool(true)}), "0.929581390069277"},
      {"WEIBULL.DIST density", Fn("WEIBULL.DIST", {Num(105), Num(20), Num(100), Bool(false)}), "0.0355888640245043"},
      {"ERFC", Fn("ERFC", {Num(1)}), "0.157299207050285"},
      {"ERFC.PRECISE", Fn("ERFC.PRECISE", {Num(-1)}), "1.84270079294971"},
      {"ERF.PRECISE", Fn("ERF.PRECISE", {Num(1)}), "0.842700792949715"},
      {"an error argument is the result", Fn("NORM.DIST", {Err(errNA), Num(0), Num(1), Bool(true)}), "#N/A"},
      {"a text argument", Fn("EXPON.DIST", {Str(u"x"), Num(1), Bool(true)}), "#VALUE!"},
  };
  RUN_TABLE(cases);
}

TEST(StatisticsRoutinesTest, ShapesAndPercentiles) {
  FakeWorkbook wb(1);
  TValueStack s(&wb);
  TXLSFormulaValue area;
  area.Kind = fvkArea;
  area.Col1 = 0, area.Row1 = 0, area.Col2 = 2, area.Row2 = 1;  // A1:C2
  EXPECT_EQ(functions::CellCount(area), 6);
  TXLSFormulaValue col = area;
  col.Col2 = 0, col.Row2 = 4;  // A1:A5
  EXPECT_TRUE(functions::IsVector(col));
  TXLSFormulaValue cell = col;
  cell.Row2 = 0;
  EXPECT_FALSE(functions::IsVector(cell));
  TXLSFormulaValue square = col;
  square.Col2 = 1, square.Row2 = 1;
  EXPECT_FALSE(functions::IsVector(square));
  TXLSArrayItem arr(2, 3);
  TXLSFormulaValue av;
  av.Kind = fvkArray;
  av.Array = &arr;
  EXPECT_EQ(functions::CellCount(av), 6);
  EXPECT_TRUE(functions::SameCellCount(area, av));
  TXLSFormulaValue wide = area;
  functions::ReduceToLine(wide, false);
  EXPECT_EQ(wide.Row1, 1);
  EXPECT_EQ(wide.Row2, 1);

  double p = 0;
  EXPECT_TRUE(functions::PercentileOf({1, 2, 3, 4, 5}, 0.25, p));
  EXPECT_EQ(p, 2);
  EXPECT_TRUE(functions::PercentileOf({1, 2, 3, 4}, 0.25, p));
  EXPECT_EQ(p, 1.75);
  EXPECT_FALSE(functions::PercentileOf({}, 0.25, p));
}

TEST(StatisticsRoutinesTest, Fits) {
  TFitRecord f;
  ASSERT_EQ(functions::LinearFit({2, 4, 6}, {1, 2, 3}, true, f), TFitStatus::Ok);
  EXPECT_EQ(f.Slope, 2);
  EXPECT_EQ(f.Intercept, 0);
  EXPECT_EQ(f.RSquared, 1);
  EXPECT_EQ(f.SSResid, 0);
  EXPECT_EQ(f.F, functions::PERFECT_FIT_F);
  EXPECT_EQ(functions::LinearFit({2, 4, 6}, {3, 3, 3}, true, f), TFitStatus::NoXSpread);
  // Far from the origin the fit keeps its digits.
  ASSERT_EQ(functions::LinearFit({1e9 + 1, 1e9 + 3, 1e9 + 5}, {1e9, 1e9 + 1, 1e9 + 2}, true, f), TFitStatus::Ok);
  EXPECT_EQ(f.Slope, 2);
  double g = 0;
  ASSERT_TRUE(functions::GrowthAt({2, 4, 8}, {1, 2, 3}, 4, g));
  EXPECT_NEAR(g, 16, 1e-12);
  EXPECT_FALSE(functions::GrowthAt({2, 0, 8}, {1, 2, 3}, 4, g));
}

TEST(StatisticsRoutinesTest, FinanceAndDates) {
  EXPECT_DOUBLE_EQ(functions::DiscountSum({110, 100}, 0.1), 100 / 1.1 + 110 / 1.21);
  double feb28 = 0, mar31 = 0, d2024 = 0;
  ASSERT_TRUE(EncodeSerialDate(2023, 2, 28, feb28));
  ASSERT_TRUE(EncodeSerialDate(2023, 3, 31, mar31));
  ASSERT_TRUE(EncodeSerialDate(2024, 6, 1, d2024));
  EXPECT_EQ(functions::DayCount(0, feb28, mar31), 31);
  EXPECT_EQ(functions::DayCount(4, feb28, mar31), 33);
  EXPECT_EQ(functions::DayCount(1, feb28, mar31), 31);
  EXPECT_EQ(functions::DayCount(7, feb28, mar31), 0);
  EXPECT_EQ(functions::YearDays(1, d2024), 366);
  EXPECT_EQ(functions::YearDays(1, feb28), 365);
  EXPECT_EQ(functions::YearDays(0, feb28), 360);
  EXPECT_EQ(functions::YearDays(3, feb28), 365);
  // Rate 1 - (1000/10000)^(1/5) = 0.369 (rounded to 3 decimals): the first year's share.
  EXPECT_NEAR(functions::DBPeriod(5, 1, 12, 1000, 10000), 3690, 1e-9);
  EXPECT_NEAR(functions::DDBPeriod(2, 1, 10, 0, 1000), 200, 1e-12);
  EXPECT_NEAR(functions::VDBSpan(true, 2, 0, 1, 10, 0, 1000), 200, 1e-9);
  EXPECT_NEAR(functions::FDistRightTail(6, 4, 15.2068648611497), 0.01, 1e-12);
}

TEST(StatisticsRoutinesTest, TestStatistics) {
  std::uint8_t err = 0;
  const std::vector<double> a = {3, 4, 5, 8, 9, 1, 2, 4, 5}, b = {6, 19, 3, 2, 14, 4, 5, 17, 1};
  EXPECT_NEAR(functions::TTestP(a, b, 2, 1, err), 0.196015784925282, 1e-13);
  EXPECT_EQ(err, 0);
  EXPECT_NEAR(functions::TTestP(a, b, 2, 2, err), 0.191995886760396, 1e-13);
  EXPECT_NEAR(functions::TTestP(a, b, 1, 3, err), 0.101146961685084, 1e-9);
  functions::TTestP({1, 2}, {1, 2, 3}, 2, 1, err);
  EXPECT_EQ(err, errNA);
  functions::TTestP({1}, {1, 2, 3}, 2, 2, err);
  EXPECT_EQ(err, errDiv0);
  EXPECT_NEAR(functions::ZTestP({3, 6, 7, 8, 6, 5, 4, 2, 1, 9}, 4, -1), 0.090574196851522, 1e-12);
  EXPECT_TRUE(std::isnan(functions::ZTestP({1}, 4, -1)));
}

// Every function of the family over hostile arguments: each call leaves exactly one value and
// raises nothing, and stays quick.
TEST(StatisticsHostileTest, NeverRaises) {
  FakeWorkbook wb(1);
  wb.Num("A1", 1);
  wb.Num("A2", 2);
  wb.Str("A3", u"x");
  wb.Err("A4", errNA);
  wb.Bool("A5", true);
  wb.Num("B1", 1e308);
  wb.Num("B2", -1e308);
  wb.Num("B3", 1e-308);
  wb.Num("B4", 0);
  TXLSFormulaEvaluator ev(&wb);
  const std::vector<Build> values = {
      Num(0), Num(-1), Num(1), Num(0.5), Num(2), Num(3.5), Num(1e308), Num(-1e308), Num(1e-308), Num(2147483648.0),
      Num(1e15), Str(u"a"), Str(u"3"), Str(u""), Bool(true), Err(errNA), Missing(), Ref("A1", "A5"), Ref("B1", "B4"),
      Ref("A1", "A1048576"), Ref("G1", "H9"), Ref("A3"), Ref("B1"), Arr(2, 2, {1, 2, 3, 4}), Row({1e308, -1e308, 5}),
      Row({1, 1, 1}), Row({0, 1e-300, 1e300}),
  };
  // The family's own functions: those it runs when called with their least arguments.
  std::vector<int> ids;
  for (int id = 0; id < FUNC_ID_COUNT; ++id) {
    int mn = 0, mx = 0;
    if (XLSFuncNames().GetName(id).empty()) continue;
    XLSFuncNames().GetArgRange(id, mn, mx);
    TValueStack& s = ev.Stack();
    s.Reset(false, 0, 25, 0);
    for (int i = 0; i < mn; ++i) s.PushFloat(1);
    s.BeginArgs(mn);
    if (functions::RunStatisticsFunction(s, id, mn)) ids.push_back(id);
  }
  ASSERT_GT(ids.size(), 100u);
  unsigned seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  const auto start = std::chrono::steady_clock::now();
  for (int id : ids) {
    int mn = 0, mx = 0;
    XLSFuncNames().GetArgRange(id, mn, mx);
    if (mx > mn + 3) mx = mn + 3;
    const std::string name(XLSFuncNames().GetName(id).begin(), XLSFuncNames().GetName(id).end());
    for (int trial = 0; trial < 150; ++trial) {
      const int count = mn + static_cast<int>(next() % static_cast<unsigned>(mx - mn + 1));
      std::vector<Build> args;
      std::string text;
      for (int i = 0; i < count; ++i) {
        const std::size_t k = next() % values.size();
        args.push_back(values[k]);
        text += std::to_string(k) + " ";
      }
      TXLSPtgsBuilder b;
      Fn(name.c_str(), args)(b);
      TXLSFormulaValue v;
      const auto t0 = std::chrono::steady_clock::now();
      EXPECT_NO_THROW(ev.Evaluate(b.Bytes().data(), b.Size(), 0, 25, 0, v)) << name << " with values " << text;
      EXPECT_EQ(ev.Stack().Top, -1) << name << " with values " << text;
      const auto ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
      EXPECT_LT(ms, 2000) << name << " with values " << text;
    }
  }
  const auto total =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(total, 60000);
}

}  // namespace
}  // namespace formula
