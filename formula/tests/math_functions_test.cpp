// Table tests of the mathematical and matrix functions; built with THC_FORMULA_SOURCE_DIR, the same
// file instead compares the functions with HyperFormula (node) over generated arguments.
#include "formula/functions/families.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "formula/tests/eval_oracle_harness.h"
#include "formula/tests/evaluator_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

#ifndef THC_FORMULA_SOURCE_DIR

// Sheet 0: A1:B2 1,2;3,4; C1:C2 1,"x"; D1:E2 1,2;2,4 (singular); F1:G1 TRUE,#DIV/0!; A3:B3 empty,"t".
// Sheet 1: A1:CV100 a 100 x 100 matrix, diagonally dominant.
class MathFunctionsTest : public ::testing::Test {
protected:
  MathFunctionsTest() : wb(2), ev(&wb) {
    wb.Num("A1", 1);
    wb.Num("B1", 2);
    wb.Num("A2", 3);
    wb.Num("B2", 4);
    wb.Num("C1", 1);
    wb.Str("C2", u"x");
    wb.Num("D1", 1);
    wb.Num("E1", 2);
    wb.Num("D2", 2);
    wb.Num("E2", 4);
    wb.Bool("F1", true);
    wb.Err("G1", errDiv0);
    wb.Str("B3", u"t");
    for (int r = 0; r < 100; ++r)
      for (int c = 0; c < 100; ++c)
        wb.Sheet(1).WriteFloat(c, r, 0, r == c ? 200.0 : ((r * 31 + c * 17) % 11) - 5.0);
  }

public:
  std::string Run(const Build& F) {
    return RunFormula(ev, F);
  }
  FakeWorkbook wb;
  TXLSFormulaEvaluator ev;
};

// An array constant of Cols x Rows, elements row by row.
Build Arr(int Cols, int Rows, std::vector<double> V) {
  return [=](TXLSPtgsBuilder& b) {
    for (double x : V) b.Number(x);
    b.Array(static_cast<std::uint16_t>(Cols), Rows);
  };
}

struct Case {
  const char* what;
  Build formula;
  const char* want;
};

void RunTable(MathFunctionsTest& T, const std::vector<Case>& Cases);

TEST_F(MathFunctionsTest, Rounding) {
  const Case cases[] = {
      // True ceiling and floor to a multiple of the step.
      {"CEILING rounds up a small fraction", Fn("CEILING", {Num(2.05), Num(1)}), "3"},
      {"CEILING 2.7", Fn("CEILING", {Num(2.7), Num(1)}), "3"},
      {"CEILING 3.1", Fn("CEILING", {Num(3.1), Num(1)}), "4"},
      {"CEILING of an exact multiple", Fn("CEILING", {Num(6), Num(3)}), "6"},
      {"CEILING decimal step, quotient a hair above whole", Fn("CEILING", {Num(1.1), Num(0.1)}), "1.1"},
      {"CEILING negative with negative step goes away from zero", Fn("CEILING", {Num(-2.5), Num(-2)}), "-4"},
      {"CEILING negative with positive step goes toward zero", Fn("CEILING", {Num(-2.5), Num(2)}), "-2"},
      {"CEILING positive with negative step", Fn("CEILING", {Num(2.5), Num(-2)}), "#NUM!"},
      {"CEILING step 0", Fn("CEILING", {Num(2.5), Num(0)}), "0"},
      {"CEILING of text", Fn("CEILING", {Str(u"a"), Num(1)}), "#VALUE!"},
      {"CEILING passes an error on", Fn("CEILING", {Err(errNA), Num(1)}), "#N/A"},
      {"CEILING.PRECISE default step", Fn("CEILING.PRECISE", {Num(2.7)}), "3"},
      {"CEILING.PRECISE step 0", Fn("CEILING.PRECISE", {Num(2.7), Num(0)}), "0"},
      {"CEILING.PRECISE ignores the step's sign", Fn("CEILING.PRECISE", {Num(-4.1), Num(-2)}), "-4"},
      {"ISO.CEILING", Fn("ISO.CEILING", {Num(4.3), Num(2)}), "6"},
      {"FLOOR 2.9", Fn("FLOOR", {Num(2.9), Num(1)}), "2"},
      {"FLOOR 2.95", Fn("FLOOR", {Num(2.95), Num(1)}), "2"},
      {"FLOOR decimal step", Fn("FLOOR", {Num(0.3), Num(0.1)}), "0.3"},
      {"FLOOR positive with negative step", Fn("FLOOR", {Num(5), Num(-1)}), "#NUM!"},
      {"FLOOR step 0", Fn("FLOOR", {Num(5), Num(0)}), "#DIV/0!"},
      {"FLOOR both negative", Fn("FLOOR", {Num(-5), Num(-2)}), "-4"},
      {"FLOOR negative with positive step", Fn("FLOOR", {Num(-2.5), Num(2)}), "-4"},
      {"FLOOR.PRECISE", Fn("FLOOR.PRECISE", {Num(-3.2), Num(-1)}), "-4"},
      {"FLOOR.PRECISE step 0", Fn("FLOOR.PRECISE", {Num(3.2), Num(0)}), "0"},
      // Directed rounding at a number of decimals.
      {"ROUNDUP", Fn("ROUNDUP", {Num(3.14159), Num(2)}), "3.15"},
      {"ROUNDUP negative", Fn("ROUNDUP", {Num(-3.14159), Num(2)}), "-3.15"},
      {"ROUNDUP to hundreds", Fn("ROUNDUP", {Num(1234), Num(-2)}), "1300"},
      {"ROUNDUP at 8 decimals", Fn("ROUNDUP", {Num(0.123456781), Num(8)}), "0.12345679"},
      {"ROUNDUP of a sum stored a hair high", Fn("ROUNDUP", {Op(ptgAdd, Num(0.1), Num(0.2)), Num(1)}), "0.3"},
      {"ROUNDUP far left", Fn("ROUNDUP", {Num(5), Num(-400)}), "#NUM!"},
      {"ROUNDUP many decimals", Fn("ROUNDUP", {Num(2.5), Num(100)}), "2.5"},
      {"ROUNDUP digits text", Fn("ROUNDUP", {Num(2.5), Str(u"a")}), "#VALUE!"},
      {"ROUNDDOWN to hundreds", Fn("ROUNDDOWN", {Num(1234.5678), Num(-2)}), "1200"},
      {"ROUNDDOWN decimal stored a hair low", Fn("ROUNDDOWN", {Num(4.35), Num(2)}), "4.35"},
      {"ROUNDDOWN far left", Fn("ROUNDDOWN", {Num(1234), Num(-400)}), "0"},
      {"ROUNDDOWN at the lowest digits", Fn("ROUNDDOWN", {Num(1234), Num(-2147483648.0)}), "0"},
      {"ROUNDUP at the highest digits", Fn("ROUNDUP", {Num(0.5), Num(2147483647.0)}), "0.5"},
      {"ROUNDUP digits out of range", Fn("ROUNDUP", {Num(0.5), Num(1e10)}), "#NUM!"},
      {"TRUNC", Fn("TRUNC", {Num(8.9)}), "8"},
      {"TRUNC negative", Fn("TRUNC", {Num(-8.9)}), "-8"},
      {"TRUNC at 8 decimals", Fn("TRUNC", {Num(1.123456789), Num(8)}), "1.12345678"},
      {"TRUNC at 16 decimals keeps the number", Fn("TRUNC", {Num(1.123456789), Num(16)}), "1.123456789"},
      {"TRUNC with a missing digits argument", Fn("TRUNC", {Num(7.5), Missing()}), "7"},
      // The nearest odd integer away from zero.
      {"ODD 2", Fn("ODD", {Num(2)}), "3"},
      {"ODD 1.5", Fn("ODD", {Num(1.5)}), "3"},
      {"ODD 0.5", Fn("ODD", {Num(0.5)}), "1"},
      {"ODD 0", Fn("ODD", {Num(0)}), "1"},
      {"ODD 3", Fn("ODD", {Num(3)}), "3"},
      {"ODD -2", Fn("ODD", {Num(-2)}), "-3"},
      {"ODD -1.5", Fn("ODD", {Num(-1.5)}), "-3"},
      {"ODD -0.5", Fn("ODD", {Num(-0.5)}), "-1"},
      // INT is floor; MOD takes the divisor's sign.
      {"INT positive", Fn("INT", {Num(8.9)}), "8"},
      {"INT negative is floor", Fn("INT", {Num(-8.1)}), "-9"},
      {"MOD", Fn("MOD", {Num(7), Num(3)}), "1"},
      {"MOD negative dividend", Fn("MOD", {Num(-7), Num(3)}), "2"},
      {"MOD negative divisor", Fn("MOD", {Num(7), Num(-3)}), "-2"},
      {"MOD both negative", Fn("MOD", {Num(-7), Num(-3)}), "-1"},
      {"MOD by zero", Fn("MOD", {Num(7), Num(0)}), "#DIV/0!"},
      {"MOD of a tiny negative", Fn("MOD", {Num(-1e-20), Num(3)}), "0"},
      {"QUOTIENT", Fn("QUOTIENT", {Num(7), Num(2)}), "3"},
      {"QUOTIENT negative", Fn("QUOTIENT", {Num(-7), Num(2)}), "-3"},
      {"QUOTIENT by zero", Fn("QUOTIENT", {Num(1), Num(0)}), "#DIV/0!"},
  };
  RunTable(*this, {std::begin(cases), std::end(cases)});
}

// With two bad arguments the leftmost one gives the error, as spreadsheet applications report it.
TEST_F(MathFunctionsTest, LeftmostErrorWins) {
  const Build div0 = Op(ptgDiv, Num(1), Num(0)), na = Fn("NA", {});
  const Case cases[] = {
      {"MOD", Fn("MOD", {div0, na}), "#DIV/0!"},
      {"MOD the other way", Fn("MOD", {na, div0}), "#N/A"},
      {"MOD text then error", Fn("MOD", {Str(u"a"), na}), "#VALUE!"},
      {"POWER", Fn("POWER", {div0, na}), "#DIV/0!"},
      {"QUOTIENT", Fn("QUOTIENT", {na, Str(u"a")}), "#N/A"},
      {"ATAN2", Fn("ATAN2", {div0, na}), "#DIV/0!"},
      {"LOG", Fn("LOG", {na, div0}), "#N/A"},
      {"CEILING", Fn("CEILING", {div0, na}), "#DIV/0!"},
      {"FLOOR", Fn("FLOOR", {na, div0}), "#N/A"},
      {"CEILING.PRECISE", Fn("CEILING.PRECISE", {div0, na}), "#DIV/0!"},
      {"ROUNDUP", Fn("ROUNDUP", {na, div0}), "#N/A"},
      {"ROUNDDOWN", Fn("ROUNDDOWN", {div0, na}), "#DIV/0!"},
      {"TRUNC", Fn("TRUNC", {na, div0}), "#N/A"},
      {"COMBIN", Fn("COMBIN", {div0, na}), "#DIV/0!"},
      {"PERMUT", Fn("PERMUT", {na, div0}), "#N/A"},
      {"ROMAN", Fn("ROMAN", {div0, na}), "#DIV/0!"},
      {"MMULT", Fn("MMULT", {na, div0}), "#N/A"},
      {"a good first argument leaves the second's error", Fn("MOD", {Num(1), na}), "#N/A"},
  };
  RunTable(*this, {std::begin(cases), std::end(cases)});
}

TEST_F(MathFunctionsTest, PowersAnglesAndCounting) {
  const Case cases[] = {
      {"POWER", Fn("POWER", {Num(2), Num(10)}), "1024"},
      {"POWER root", Fn("POWER", {Num(8), Num(1.0 / 3)}), "2"},
      {"POWER negative to a fraction", Fn("POWER", {Num(-8), Num(0.5)}), "#NUM!"},
      {"POWER overflow", Fn("POWER", {Num(10), Num(400)}), "#NUM!"},
      {"POWER zero to a negative", Fn("POWER", {Num(0), Num(-1)}), "#DIV/0!"},
      {"POWER zero to zero", Fn("POWER", {Num(0), Num(0)}), "#NUM!"},
      {"SQRT", Fn("SQRT", {Num(16)}), "4"},
      {"SIN", Fn("SIN", {Num(0.5)}), "0.479425538604203"},
      {"COS", Fn("COS", {Num(0)}), "1"},
      {"TAN", Fn("TAN", {Num(1)}), "1.5574077246549"},
      {"ATAN", Fn("ATAN", {Num(1)}), "0.785398163397448"},
      {"ASIN", Fn("ASIN", {Num(1)}), "1.5707963267949"},
      {"ASIN outside -1..1", Fn("ASIN", {Num(1.5)}), "#NUM!"},
      {"ACOS outside -1..1", Fn("ACOS", {Num(-2)}), "#NUM!"},
      {"ATAN2 takes x first", Fn("ATAN2", {Num(-1), Num(0)}), "3.14159265358979"},
      {"ATAN2 of the origin", Fn("ATAN2", {Num(0), Num(0)}), "#DIV/0!"},
      {"SINH", Fn("SINH", {Num(1)}), "1.1752011936438"},
      {"COSH overflow", Fn("COSH", {Num(1000)}), "#NUM!"},
      {"TANH", Fn("TANH", {Num(0.5)}), "0.46211715726001"},
      {"ASINH", Fn("ASINH", {Num(-1)}), "-0.881373587019543"},
      {"ACOSH below 1", Fn("ACOSH", {Num(0.5)}), "#NUM!"},
      {"ATANH at 1", Fn("ATANH", {Num(1)}), "#NUM!"},
      {"EXP", Fn("EXP", {Num(1)}), "2.71828182845905"},
      {"EXP overflow", Fn("EXP", {Num(1000)}), "#NUM!"},
      {"LN", Fn("LN", {Num(1)}), "0"},
      {"LN of 0", Fn("LN", {Num(0)}), "#NUM!"},
      {"LOG10", Fn("LOG10", {Num(1000)}), "3"},
      {"LOG10 negative", Fn("LOG10", {Num(-1)}), "#NUM!"},
      {"LOG default base", Fn("LOG", {Num(100)}), "2"},
      {"LOG base 2", Fn("LOG", {Num(8), Num(2)}), "3"},
      {"LOG base 1", Fn("LOG", {Num(8), Num(1)}), "#DIV/0!"},
      {"LOG base 0", Fn("LOG", {Num(8), Num(0)}), "#NUM!"},
      {"SIGN", Fn("SIGN", {Num(-0.1)}), "-1"},
      {"SIGN 0", Fn("SIGN", {Num(0)}), "0"},
      {"EVEN 1.5", Fn("EVEN", {Num(1.5)}), "2"},
      {"EVEN 3", Fn("EVEN", {Num(3)}), "4"},
      {"EVEN 2", Fn("EVEN", {Num(2)}), "2"},
      {"EVEN 0", Fn("EVEN", {Num(0)}), "0"},
      {"EVEN -1", Fn("EVEN", {Num(-1)}), "-2"},
      {"SQRT negative", Fn("SQRT", {Num(-1)}), "#NUM!"},
      {"DEGREES", Fn("DEGREES", {Fn("PI", {})}), "180"},
      {"RADIANS", Fn("RADIANS", {Num(180)}), "3.14159265358979"},
      {"FACT truncates", Fn("FACT", {Num(5.9)}), "120"},
      {"FACT 0", Fn("FACT", {Num(0)}), "1"},
      {"FACT 170", Fn("FACT", {Num(170)}), "7.257415615308e+306"},
      {"FACT 171", Fn("FACT", {Num(171)}), "#NUM!"},
      {"FACT negative", Fn("FACT", {Num(-1)}), "#NUM!"},
      {"FACT of a negative fraction", Fn("FACT", {Num(-0.5)}), "#NUM!"},
      {"FACT of text", Fn("FACT", {Str(u"a")}), "#VALUE!"},
      {"FACT of an error", Fn("FACT", {Err(errRef)}), "#REF!"},
      {"COMBIN", Fn("COMBIN", {Num(5), Num(2)}), "10"},
      {"COMBIN k above n", Fn("COMBIN", {Num(2), Num(5)}), "#NUM!"},
      {"COMBIN negative", Fn("COMBIN", {Num(-1), Num(0)}), "#NUM!"},
      {"COMBIN truncates", Fn("COMBIN", {Num(5.9), Num(2.9)}), "10"},
      {"COMBIN beyond 170", Fn("COMBIN", {Num(200), Num(2)}), "19900"},
      {"COMBIN of huge arguments stays quick", Fn("COMBIN", {Num(2e9), Num(1e9)}), "#NUM!"},
      {"COMBIN exact for 60 choose 30", Fn("COMBIN", {Num(60), Num(30)}), "1.18264581564861e+17"},
      {"PERMUT", Fn("PERMUT", {Num(5), Num(2)}), "20"},
      {"PERMUT k 0", Fn("PERMUT", {Num(5), Num(0)}), "1"},
      {"PERMUT 0 0", Fn("PERMUT", {Num(0), Num(0)}), "1"},
      {"PERMUT k above n", Fn("PERMUT", {Num(2), Num(3)}), "#NUM!"},
      {"PERMUT of huge arguments stays quick", Fn("PERMUT", {Num(1e9), Num(1e9)}), "#NUM!"},
      {"ROMAN", Fn("ROMAN", {Num(1999)}), "\"MCMXCIX\""},
      {"ROMAN 3999", Fn("ROMAN", {Num(3999), Num(0)}), "\"MMMCMXCIX\""},
      {"ROMAN 0", Fn("ROMAN", {Num(0)}), "\"\""},
      {"ROMAN 4000", Fn("ROMAN", {Num(4000)}), "#VALUE!"},
      {"ROMAN negative", Fn("ROMAN", {Num(-1)}), "#VALUE!"},
      {"ROMAN form 5", Fn("ROMAN", {Num(10), Num(5)}), "#VALUE!"},
  };
  RunTable(*this, {std::begin(cases), std::end(cases)});
}

TEST_F(MathFunctionsTest, Matrices) {
  const Build m = Ref("A1", "B2");
  const Case cases[] = {
      {"MDETERM over a range", Fn("MDETERM", {m}), "-2"},
      {"MDETERM over an array constant", Fn("MDETERM", {Arr(2, 2, {1, 2, 3, 4})}), "-2"},
      {"MDETERM of one number", Fn("MDETERM", {Num(5)}), "5"},
      {"MDETERM of a singular matrix", Fn("MDETERM", {Ref("D1", "E2")}), "0"},
      {"MDETERM not square", Fn("MDETERM", {Ref("A1", "B1")}), "#VALUE!"},
      {"MDETERM with text", Fn("MDETERM", {Ref("B2", "C3")}), "#VALUE!"},
      {"MDETERM with an empty cell", Fn("MDETERM", {Ref("A2", "B3")}), "#VALUE!"},
      {"MDETERM with a boolean cell", Fn("MDETERM", {Ref("F1", "F1")}), "#VALUE!"},
      {"MDETERM with an error cell", Fn("MDETERM", {Ref("G1", "G1")}), "#DIV/0!"},
      {"MDETERM of text", Fn("MDETERM", {Str(u"1")}), "#VALUE!"},
      {"MDETERM of a whole column", Fn("MDETERM", {Ref("A1", "A1048576")}), "#VALUE!"},
      {"MINVERSE first element", Fn("MINVERSE", {m}), "-2"},
      {"MINVERSE times the matrix is the identity",
       Fn("MDETERM", {Fn("MMULT", {m, Fn("MINVERSE", {m})})}), "1"},
      {"MINVERSE identity sums to its size", Fn("SUM", {Fn("MMULT", {Fn("MINVERSE", {m}), m})}), "2"},
      {"MINVERSE of a singular matrix", Fn("MINVERSE", {Ref("D1", "E2")}), "#NUM!"},
      {"MINVERSE not square", Fn("MINVERSE", {Ref("A1", "B1")}), "#VALUE!"},
      {"MMULT", Fn("SUM", {Fn("MMULT", {m, m})}), "54"},  // 7,10;15,22
      {"MMULT row by column", Fn("MMULT", {Arr(2, 1, {1, 2}), Arr(1, 2, {3, 4})}), "11"},
      {"MMULT column by row", Fn("SUM", {Fn("MMULT", {Arr(1, 2, {3, 4}), Arr(2, 1, {1, 2})})}), "21"},
      {"MMULT shapes that do not fit", Fn("MMULT", {Arr(2, 1, {1, 2}), Arr(2, 1, {3, 4})}), "#VALUE!"},
      {"MMULT with text", Fn("MMULT", {Ref("C1", "C2"), Arr(2, 1, {1, 2})}), "#VALUE!"},
      {"MMULT error in the second", Fn("MMULT", {m, Err(errNA)}), "#N/A"},
      {"MMULT overflow", Fn("MMULT", {Num(1e300), Num(1e300)}), "#NUM!"},
      {"TRANSPOSE keeps the determinant", Fn("MDETERM", {Fn("TRANSPOSE", {m})}), "-2"},
      {"TRANSPOSE swaps the shape", Fn("MMULT", {Arr(2, 1, {1, 2}), Fn("TRANSPOSE", {Arr(2, 1, {3, 4})})}),
       "11"},
      {"TRANSPOSE of a row gives a column", Fn("MMULT", {Fn("TRANSPOSE", {Ref("A1", "B1")}), Ref("A1", "B1")}),
       "1"},
      {"TRANSPOSE of an error", Fn("TRANSPOSE", {Err(errNA)}), "#N/A"},
      {"TRANSPOSE of a whole sheet", Fn("TRANSPOSE", {Ref("A1", "XFD1048576")}), "#VALUE!"},
  };
  RunTable(*this, {std::begin(cases), std::end(cases)});
}

// TRANSPOSE moves every element by its type, empty cells included.
TEST_F(MathFunctionsTest, TransposeElements) {
  TValueStack& s = ev.Stack();
  s.Reset(true, 0, 7, 9);
  s.PushAreaHere(0, 0, 2, 2);  // A1:C3
  s.BeginArgs(1);
  ASSERT_TRUE(functions::RunMathFunction(s, 83, 1));
  const TXLSFormulaValue& top = s.TopValue();
  ASSERT_EQ(top.Kind, fvkArray);
  ASSERT_EQ(top.Array->ColCount(), 3);
  ASSERT_EQ(top.Array->RowCount(), 3);
  const char* const want[3][3] = {{"1", "3", "<empty>"}, {"2", "4", "\"t\""}, {"1", "\"x\"", "<empty>"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      TXLSFormulaValue e;
      top.Array->GetFormulaValue(c, r, e);
      EXPECT_EQ(Describe(e), want[r][c]) << "row " << r << " col " << c;
    }
}

TEST_F(MathFunctionsTest, LargeDeterminantIsFast) {
  const auto start = std::chrono::steady_clock::now();
  const std::string d = Run(Fn("MDETERM", {Ref("A1", "CV100", 1)}));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_NE(d.find("e+"), std::string::npos) << d;  // about 200^100: a finite, huge number
  EXPECT_LT(ms.count(), 500);
  // The inverse of the same matrix, multiplied back, is the identity.
  EXPECT_EQ(Run(Fn("ROUND", {Fn("SUM", {Fn("MMULT", {Ref("A1", "CV100", 1), Fn("MINVERSE", {Ref("A1", "CV100", 1)})})}),
                             Num(9)})),
            "100");
}

void RunTable(MathFunctionsTest& T, const std::vector<Case>& Cases) {
  for (const Case& c : Cases) EXPECT_EQ(T.Run(c.formula), c.want) << c.what;
}

#else  // THC_FORMULA_SOURCE_DIR: the oracle comparison

namespace fs = std::filesystem;

// Differences kept on purpose: formulas whose text starts with Prefix and ends with Suffix are not
// compared.
const AllowedFormula kAllowed[] = {
    {"INT(-", ")", "INT is floor (INT(-2.5) = -3) as in spreadsheet applications; the oracle truncates"},
    {"CEILING(", ",0)", "CEILING with step 0 is 0 in spreadsheet applications; the oracle gives #DIV/0!"},
    {"POWER(0,-", ")", "0 to a negative power divides by zero: #DIV/0!; the oracle gives #NUM!"},
    {"POWER(0,0)", "", "0^0 is #NUM! in spreadsheet applications; the oracle gives 1"},
    {"ROUNDDOWN(2.0499999999999998,", "", "a decimal is cut as written (2.05), as spreadsheet applications do; the oracle cuts the binary value"},
    {"TRUNC(2.0499999999999998,", "", "as above"},
    {"MINVERSE(E1:F2)", "", "a singular matrix has no inverse: #NUM!; the oracle has no MINVERSE"},
    {"MDETERM(A1:C2)", "", "a matrix that is not square has no determinant: #VALUE! (in the tables); the oracle has no MDETERM"},
    {"PERMUT(0,", "", "k above n: formulajs recurses without end; the tables hold the engine's #NUM!"},
    {"PERMUT(1,2)", "", "as above"},
    {"PERMUT(1,5)", "", "as above"},
    {"PERMUT(1,12)", "", "as above"},
    {"PERMUT(5,12)", "", "as above"},
    {"PERMUT(10.5,12)", "", "as above"},
    {"PERMUT(200,", "", "formulajs divides 200! by (200 - k)!, and 200! overflows; the product of the k factors is finite"},
    {"MMULT(A1:C2,A1:C2)", "", "shapes that do not multiply are #VALUE!; the oracle reports a spill error"},
    {"LOG(", ",1)", "a base of 1 divides by ln 1 = 0: #DIV/0! in spreadsheet applications; the oracle gives #NUM!"},
    {"ROMAN(0)", "", "ROMAN(0) is the empty text in spreadsheet applications; the oracle gives #NUM!"},
    {"ROMAN(4000)", "", "numbers outside 0..3999 are #VALUE! in spreadsheet applications; the oracle gives #NUM!"},
    {"ROMAN(-1)", "", "as above"},
};

bool IsAllowed(const std::string& Text) { return IsAllowedFormula(kAllowed, Text); }

struct Expr {
  std::string text;
  Build build;
};
Expr N(double V) { return {NumText(V), Num(V)}; }
Expr R(const char* From, const char* To) { return {std::string(From) + ":" + To, Ref(From, To)}; }
Expr F(const char* Name, const std::vector<Expr>& Args) {
  std::string text = std::string(Name) + "(";
  std::vector<Build> builds;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    text += (i ? "," : "") + Args[i].text;
    builds.push_back(Args[i].build);
  }
  return {text + ")", Fn(Name, builds)};
}

TEST(MathOracleTest, GeneratedArguments) {
  const fs::path dir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  if (!fs::exists(dir / "node_modules" / "hyperformula") || !fs::exists(dir / "node_modules" / "@formulajs"))
    GTEST_SKIP() << "hyperformula or formulajs is not installed (npm ci)";
  if (!core::testing::HaveTool("node")) GTEST_SKIP() << "node is not installed";

  // A1:C3 a regular matrix, E1:F2 a singular one; both sides read the same numbers.
  FakeWorkbook wb(1);
  const double cells[3][3] = {{2, -1, 0.5}, {4, 3, -2}, {1, 0, 7}};
  std::string sheet = "[";
  for (int r = 0; r < 3; ++r) {
    sheet += r ? ",[" : "[";
    for (int c = 0; c < 6; ++c) {
      double v = c < 3 ? cells[r][c] : (c == 3 ? 0 : (r < 2 ? (c == 4 ? 1.0 + r : 2.0 + 2 * r) : 0));
      const bool blank = c == 3 || (c >= 4 && r == 2);
      sheet += std::string(c ? "," : "") + (blank ? "null" : "{\"n\":" + NumText(v) + "}");
      if (!blank) wb.Sheet().WriteFloat(c, r, 0, v);
    }
    sheet += "]";
  }
  sheet += "]";
  wb.Sheet().CalcDimension();

  const double xs[] = {0, 1, -1, 2.5, -2.5, 0.5, -0.5, 3.14159, -3.14159, 7, -7, 1234.5678, 1e10, 0.1, 2.05, 170, 171};
  const double steps[] = {1, -1, 2, -2, 0.1, 0, 0.5};
  const double digits[] = {0, 2, -2, 8, -1, 16};
  std::vector<Expr> formulas;
  for (const char* fn : {"ODD", "EVEN", "DEGREES", "RADIANS", "FACT", "TRUNC", "INT", "SQRT", "SIN", "COS", "TAN", "ATAN",
                         "ASIN", "ACOS", "SINH", "COSH", "TANH", "ASINH", "ACOSH", "ATANH", "EXP", "LN", "LOG10",
                         "LOG", "SIGN"})
    for (double x : xs) formulas.push_back(F(fn, {N(x)}));
  for (const char* fn : {"CEILING", "FLOOR", "CEILING.PRECISE", "FLOOR.PRECISE", "ISO.CEILING", "MOD", "QUOTIENT", "POWER",
                         "ATAN2", "LOG"})
    for (double x : xs)
      for (double s : steps) formulas.push_back(F(fn, {N(x), N(s)}));
  for (const char* fn : {"ROUNDUP", "ROUNDDOWN", "TRUNC"})
    for (double x : xs)
      for (double d : digits) formulas.push_back(F(fn, {N(x), N(d)}));
  for (const char* fn : {"COMBIN", "PERMUT"})
    for (double n : {0.0, 1.0, 5.0, 10.5, 30.0, 200.0})
      for (double k : {0.0, 1.0, 2.0, 5.0, 12.0}) formulas.push_back(F(fn, {N(n), N(k)}));
  for (double n : {0.0, 1.0, 4.0, 9.0, 14.0, 40.0, 49.0, 90.0, 400.0, 1999.0, 2024.0, 3999.0, 4000.0, -1.0})
    formulas.push_back(F("ROMAN", {N(n)}));
  // What the oracle calculates instead of a formula's own text: HyperFormula has no PERMUT, MDETERM or
  // MINVERSE, so PERMUT goes to formulajs and the 3 x 3 determinant and inverse to HyperFormula as
  // cofactor expansions of the cells.
  std::vector<std::string> oracle(formulas.size());
  for (std::size_t i = 0; i < formulas.size(); ++i)
    if (formulas[i].text.rfind("PERMUT(", 0) == 0) {
      const std::string args = formulas[i].text.substr(7, formulas[i].text.size() - 8);
      if (std::strtod(args.c_str(), nullptr) < std::strtod(args.c_str() + args.find(',') + 1, nullptr))
        continue;  // k > n: formulajs recurses without end there (the engine's #NUM! is in the tables)
      oracle[i] = "{\"fjs\":\"PERMUT\",\"args\":[" + args + "]}";
    }
  auto cell = [](int R, int C) { return std::string(1, static_cast<char>('A' + C)) + std::to_string(R + 1); };
  auto cofactor = [&](int I, int J) {
    int r[2], c[2], nr = 0, nc = 0;
    for (int k = 0; k < 3; ++k) {
      if (k != I) r[nr++] = k;
      if (k != J) c[nc++] = k;
    }
    return std::string((I + J) % 2 ? "-" : "+") + "(" + cell(r[0], c[0]) + "*" + cell(r[1], c[1]) + "-" +
           cell(r[0], c[1]) + "*" + cell(r[1], c[0]) + ")";
  };
  const std::string det = "(A1*" + cofactor(0, 0) + "+B1*" + cofactor(0, 1) + "+C1*" + cofactor(0, 2) + ")";
  std::string cofactorSum, cofactorSquares;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      cofactorSum += cofactor(i, j);
      cofactorSquares += "+(" + cofactor(i, j) + ")^2";
    }
  auto add = [&](Expr E, std::string Oracle = "") {
    formulas.push_back(std::move(E));
    oracle.push_back(std::move(Oracle));
  };
  const Expr m = R("A1", "C3"), sing = R("E1", "F2");
  add(F("MDETERM", {m}), "=" + det);
  add(F("MDETERM", {sing}), "=E1*F2-F1*E2");
  add(F("MDETERM", {R("A1", "C2")}));
  add(F("SUM", {F("MINVERSE", {m})}), "=(" + cofactorSum + ")/" + det);
  add(F("SUMSQ", {F("MINVERSE", {m})}), "=(0" + cofactorSquares + ")/" + det + "^2");
  add(F("MINVERSE", {sing}));
  add(F("SUM", {F("MMULT", {m, m})}));
  add(F("SUMSQ", {F("MMULT", {m, R("A1", "A3")})}));
  add(F("MMULT", {R("A1", "C2"), R("A1", "C2")}));
  add(F("MDETERM", {F("TRANSPOSE", {m})}), "=" + det);
  add(F("SUM", {F("MMULT", {R("A1", "C1"), F("TRANSPOSE", {R("A2", "C2")})})}));

  std::string json = "{\"sheet\":" + sheet + ",\"formulas\":[";
  for (std::size_t i = 0; i < formulas.size(); ++i) {
    std::string item = oracle[i].empty() ? "=" + formulas[i].text : oracle[i];
    if (item[0] == '=') {
      std::string quoted = "\"";
      for (char ch : item) quoted += ch == '"' ? std::string("\\\"") : std::string(1, ch);
      item = quoted + "\"";
    }
    json += (i ? "," : "") + item;
  }
  json += "]}";
  std::string out;
  const bool ran = RunNodeOracle(dir / "finance_dates_oracle.js", json, out);
  ASSERT_TRUE(ran) << out;
  const std::vector<std::string> want = ParseResults(out);
  ASSERT_EQ(want.size(), formulas.size()) << out;
  TXLSFormulaEvaluator ev(&wb);
  int compared = 0;
  for (std::size_t i = 0; i < formulas.size(); ++i) {
    if (IsAllowed(formulas[i].text)) continue;
    TXLSPtgsBuilder b;
    formulas[i].build(b);
    TXLSFormulaValue v;
    ev.Evaluate(b.Bytes().data(), b.Size(), 0, 25, static_cast<int>(i), v);
    const std::string got = Describe(v);
    EXPECT_TRUE(SameResult(got, want[i])) << "=" << formulas[i].text << ": engine " << got << ", oracle " << want[i];
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

#endif

}  // namespace
}  // namespace formula
