#include "formula/functions/aggregate.h"

#include <gtest/gtest.h>

#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

// Sheet 0: A1:A3 1,2,3; B1:B3 texts; C1:C3 1,#N/A,3; D1:D4 5,"",(none),TRUE; F1:F3 nothing.
// Sheet 1: A1:A4 1,2,4,#DIV/0! with row 2 hidden.
class AggregateTest : public ::testing::Test {
protected:
  AggregateTest() : wb(2), ev(&wb) {
    wb.Num("A1", 1);
    wb.Num("A2", 2);
    wb.Num("A3", 3);
    wb.Str("B1", u"x");
    wb.Str("B2", u"y");
    wb.Str("B3", u"12");
    wb.Num("C1", 1);
    wb.Err("C2", errNA);
    wb.Num("C3", 3);
    wb.Num("D1", 5);
    wb.Str("D2", u"");
    wb.Bool("D4", true);
    wb.Num("A1", 1, 1);
    wb.Num("A2", 2, 1);
    wb.Num("A3", 4, 1);
    wb.Err("A4", errDiv0, 1);
    wb.Sheet(1).FindRow(1).SetFlags(workbook::TMMURowHeader::rhfHidden);
  }
  std::string Run(const Build& F) {
    return RunFormula(ev, F);
  }
  FakeWorkbook wb;
  TXLSFormulaEvaluator ev;
};

struct Case {
  const char* what;
  Build formula;
  const char* want;
};

TEST_F(AggregateTest, Table) {
  const Build a = Ref("A1", "A3"), b = Ref("B1", "B3"), c = Ref("C1", "C3"), d = Ref("D1", "D4"),
              f = Ref("F1", "F3"), hidden = Ref("A1", "A3", 1), hiddenErr = Ref("A1", "A4", 1);
  const Case cases[] = {
      {"SUM of numbers", Fn("SUM", {a}), "6"},
      {"SUM of text cells", Fn("SUM", {b}), "0"},
      {"SUM with an error cell", Fn("SUM", {c}), "#N/A"},
      {"SUM with an error in a later range", Fn("SUM", {Num(5), c}), "#N/A"},
      {"SUM of typed-in boolean and numeric text", Fn("SUM", {Bool(true), Str(u"3")}), "4"},
      {"SUM of typed-in text", Fn("SUM", {Str(u"x")}), "#VALUE!"},
      {"SUM of a single text cell", Fn("SUM", {Ref("B3")}), "0"},
      {"SUM with a missing argument", Fn("SUM", {Num(1), Missing()}), "1"},
      {"AVERAGE", Fn("AVERAGE", {a}), "2"},
      {"AVERAGE of text cells", Fn("AVERAGE", {b}), "#DIV/0!"},
      {"AVERAGEA counts text as 0", Fn("AVERAGEA", {a, b}), "1"},
      {"AVERAGEA of booleans", Fn("AVERAGEA", {d}), "2"},
      {"MAX of an empty range", Fn("MAX", {f}), "0"},
      {"MIN of an empty range", Fn("MIN", {f}), "0"},
      {"MAX", Fn("MAX", {a, Num(-1)}), "3"},
      {"MIN of negatives", Fn("MIN", {Num(-4), a}), "-4"},
      {"MAXA", Fn("MAXA", {d}), "5"},
      {"MINA with text", Fn("MINA", {d}), "0"},
      {"MIN with an error", Fn("MIN", {c}), "#N/A"},
      {"PRODUCT", Fn("PRODUCT", {a, Num(2)}), "12"},
      {"PRODUCT of an empty range", Fn("PRODUCT", {f}), "0"},
      {"PRODUCT overflow", Fn("PRODUCT", {Num(1e300), Num(1e300)}), "#NUM!"},
      {"SUMSQ", Fn("SUMSQ", {a}), "14"},
      {"SUMSQ with an error", Fn("SUMSQ", {c}), "#N/A"},
      {"COUNT of ranges", Fn("COUNT", {a, b, c}), "5"},
      {"COUNT of typed-in values", Fn("COUNT", {Bool(true), Str(u"3"), Str(u"x")}), "2"},
      {"COUNT of a text cell", Fn("COUNT", {Ref("B3")}), "0"},
      {"COUNT of an error range", Fn("COUNT", {c}), "2"},
      {"COUNTA", Fn("COUNTA", {d}), "3"},
      {"COUNTA counts errors", Fn("COUNTA", {c, f}), "3"},
      {"COUNTBLANK counts the empty text", Fn("COUNTBLANK", {d}), "2"},
      {"COUNTBLANK outside the used area", Fn("COUNTBLANK", {Ref("F1", "F3")}), "3"},
      {"COUNTBLANK of a blank cell", Fn("COUNTBLANK", {Ref("F1")}), "1"},
      {"COUNTBLANK of a number cell", Fn("COUNTBLANK", {Ref("A1")}), "0"},
      {"COUNTBLANK of a value", Fn("COUNTBLANK", {Num(1)}), "#VALUE!"},
      {"COUNTBLANK of a whole row strip", Fn("COUNTBLANK", {Ref("A100", "Z100")}), "26"},
      {"AND of numbers", Fn("AND", {a}), "TRUE"},
      {"AND of text only", Fn("AND", {b}), "#VALUE!"},
      {"AND with zero", Fn("AND", {Bool(true), Num(0)}), "FALSE"},
      {"AND with an error", Fn("AND", {a, c}), "#N/A"},
      // With several errors the leftmost argument's is reported, though the arguments are read
      // last-first.
      {"SUM with two errors", Fn("SUM", {c, Err(errDiv0)}), "#N/A"},
      {"SUM with two direct errors", Fn("SUM", {Err(errDiv0), Num(1), Err(errNA)}), "#DIV/0!"},
      {"MAX with two errors", Fn("MAX", {Err(errNum), c}), "#NUM!"},
      {"AND with two errors", Fn("AND", {Err(errDiv0), c}), "#DIV/0!"},
      {"OR with two errors", Fn("OR", {c, Err(errDiv0)}), "#N/A"},
      {"AND of typed-in text", Fn("AND", {Str(u"TRUE"), Bool(true)}), "TRUE"},
      {"AND of typed-in word", Fn("AND", {Str(u"x")}), "#VALUE!"},
      {"OR skips empty and text cells", Fn("OR", {d}), "TRUE"},
      {"OR of zeros", Fn("OR", {Num(0), Bool(false)}), "FALSE"},
      {"SUBTOTAL sum", Fn("SUBTOTAL", {Num(9), hidden}), "7"},
      {"SUBTOTAL sum without hidden rows", Fn("SUBTOTAL", {Num(109), hidden}), "5"},
      {"SUBTOTAL average without hidden rows", Fn("SUBTOTAL", {Num(101), hidden}), "2.5"},
      {"SUBTOTAL count", Fn("SUBTOTAL", {Num(2), hidden}), "3"},
      {"SUBTOTAL count without hidden rows", Fn("SUBTOTAL", {Num(102), hidden}), "2"},
      {"SUBTOTAL max of two ranges", Fn("SUBTOTAL", {Num(4), hidden, a}), "4"},
      {"SUBTOTAL bad function", Fn("SUBTOTAL", {Num(12), hidden}), "#VALUE!"},
      {"SUBTOTAL error function", Fn("SUBTOTAL", {Err(errNA), hidden}), "#N/A"},
      {"SUBTOTAL flags end with it", Op(ptgAdd, Fn("SUBTOTAL", {Num(109), hidden}), Fn("SUM", {hidden})), "12"},
      {"SUBTOTAL standard deviation", Fn("SUBTOTAL", {Num(7), hidden}), "1.52752523165195"},
      {"AGGREGATE skips errors", Fn("AGGREGATE", {Num(9), Num(6), hiddenErr}), "7"},
      {"AGGREGATE keeps errors", Fn("AGGREGATE", {Num(9), Num(2), hiddenErr}), "#DIV/0!"},
      {"AGGREGATE skips both", Fn("AGGREGATE", {Num(9), Num(7), hiddenErr}), "5"},
      {"AGGREGATE max skipping errors", Fn("AGGREGATE", {Num(4), Num(3), hiddenErr}), "4"},
      {"AGGREGATE large without k", Fn("AGGREGATE", {Num(14), Num(0), hiddenErr}), "#VALUE!"},
      {"AGGREGATE bad option", Fn("AGGREGATE", {Num(9), Num(8), hidden}), "#VALUE!"},
      {"AGGREGATE bad function", Fn("AGGREGATE", {Num(20), Num(0), hidden}), "#VALUE!"},
      {"AGGREGATE count", Fn("AGGREGATE", {Num(2), Num(6), hiddenErr}), "3"},
      {"One result inside an expression", Op(ptgAdd, Num(1), Fn("SUM", {a})), "7"},
  };
  for (const auto& k : cases) EXPECT_EQ(Run(k.formula), k.want) << k.what;
}

}  // namespace
}  // namespace formula
