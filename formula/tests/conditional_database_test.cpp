// Table tests of the conditional aggregates and the database functions.
#include <gtest/gtest.h>

#include "formula/tests/text_lookup_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

// A1:A5 1,2,3,4,"apple"; B1:B5 10,20,30,40,50; C1 "x", C2 empty, C3 "text", C4 7, C5 #N/A.
// Database F1:H6: Name, Price, Qty / "North" 12 1 / "South" 8 2 / "North" 15 3 / "East" 25 "n/a" /
// "North" 18 5; F8 empty row, F9 "Far" 30 9 (after the empty row).
class ConditionalTest : public ::testing::Test {
protected:
  ConditionalTest() : wb(2), run(wb) {
    for (int r = 1; r <= 4; ++r) wb.Num(("A" + std::to_string(r)).c_str(), r);
    wb.Str("A5", u"apple");
    for (int r = 1; r <= 5; ++r) wb.Num(("B" + std::to_string(r)).c_str(), r * 10);
    wb.Str("C1", u"x");
    wb.Str("C3", u"text");
    wb.Num("C4", 7);
    wb.Err("C5", errNA);
    const char16_t* names[] = {u"North", u"South", u"North", u"East", u"North"};
    const double prices[] = {12, 8, 15, 25, 18};
    wb.Str("F1", u"Name");
    wb.Str("G1", u"Price");
    wb.Str("H1", u"Qty");
    for (int i = 0; i < 5; ++i) {
      const std::string row = std::to_string(i + 2);
      wb.Str(("F" + row).c_str(), names[i]);
      wb.Num(("G" + row).c_str(), prices[i]);
      if (i == 3)
        wb.Str(("H" + row).c_str(), u"n/a");
      else
        wb.Num(("H" + row).c_str(), i + 1);
    }
    wb.Str("F9", u"Far");
    wb.Num("G9", 30);
    wb.Num("H9", 9);
    // Criteria areas: J1:J2 Price >10; K1:L2 Price >10, Price <20; M1:M3 Name North / East;
    // N1 Price alone; O1:P2 Name "North", Qty >2; Q1:Q2 Name "n*"; R1:R2 "price" ">=25".
    wb.Str("J1", u"Price");
    wb.Str("J2", u">10");
    wb.Str("K1", u"Price");
    wb.Str("K2", u">10");
    wb.Str("L1", u"Price");
    wb.Str("L2", u"<20");
    wb.Str("M1", u"Name");
    wb.Str("M2", u"North");
    wb.Str("M3", u"East");
    wb.Str("N1", u"Price");
    wb.Str("O1", u"Name");
    wb.Str("O2", u"North");
    wb.Str("P1", u"Qty");
    wb.Str("P2", u">2");
    wb.Str("Q1", u"Name");
    wb.Str("Q2", u"n*");
    wb.Str("R1", u"price");
    wb.Str("R2", u">=25");
    // Sheet 2 ('My Sheet'): B3:B5 100, 200, 300; its used area starts at row 3.
    wb.Num("B3", 100, 1);
    wb.Num("B4", 200, 1);
    wb.Num("B5", 300, 1);
  }
  void Check(const std::vector<FormulaCase>& Cases) {
    for (const auto& c : Cases) EXPECT_EQ(run.Run(c.formula), c.want) << c.formula;
  }
  FakeWorkbook wb;
  FormulaRunner run;
};

TEST_F(ConditionalTest, CountIfSumIfAverageIf) {
  Check({
      {"COUNTIF(A1:A5,\">2\")", "2"},
      {"COUNTIF(A1:A5,\"a*\")", "1"},
      {"COUNTIF(A1:A5,A2:A3)", "1"},  // a criterion area uses its first cell
      {"COUNTIF(A1:A5,\"<>3\")", "4"},
      {"COUNTIF(C1:C5,\"\")", "1"},
      {"COUNTIF(C1:C200,\"\")", "196"},  // blanks beyond the used area count too
      {"COUNTIF(C1:C5,\"#N/A\")", "1"},
      {"COUNTIF(A1:A5,\"2\")", "1"},  // a number criterion given as text matches the number
      {"SUMIF(A1:A3,1,B1)", "10"},    // a one-cell sum range takes the criteria range's shape
      {"SUMIF(A1:A4,\">=2\",B1:B4)", "90"},
      {"SUMIF(A1:A4,\">2\")", "7"},
      {"SUMIF(A1:A5,\"apple\",C1:C5)", "#N/A"},  // an error where the criterion matches
      {"SUMIF(A1:A4,\">9\",B1:B4)", "0"},
      {"SUMIF(A1:A4,(A1,A2))", "#VALUE!"},  // a criterion from an area list
      {"AVERAGEIF(A1:A4,\">1\",B1:B4)", "30"},
      {"AVERAGEIF(B1:B3,\">10\",C2:C4)", "7"},  // a text average cell is left out
      {"AVERAGEIF(B1:B4,\">10\",C2:C5)", "#N/A"},  // an error average cell is the result
      {"AVERAGEIF(A1:A4,\">9\")", "#DIV/0!"},
  });
}

TEST_F(ConditionalTest, SeveralCriteria) {
  Check({
      {"COUNTIFS(A1:A5,\">1\",B1:B5,\"<40\")", "2"},
      {"COUNTIFS(A1:A3,1,B1:B3)", "#VALUE!"},
      {"COUNTIFS(A1:A3,\">0\",B1:B4,\">0\")", "#VALUE!"},  // ranges of different sizes
      {"SUMIFS(B1:B5,A1:A5,\">1\",A1:A5,\"<4\")", "50"},
      {"SUMIFS(B1:B5,A1:A5,\">1\")", "90"},
      {"SUMIFS(B1:B5,A1:A5)", "#VALUE!"},
      {"AVERAGEIFS(B1:B5,A1:A5,\">=3\")", "35"},
      {"AVERAGEIFS(B1:B5,A1:A5,\">9\")", "#DIV/0!"},
      {"COUNTIFS(C1:C100,\"\",A1:A100,\"\")", "95"},
      // Ranges on sheets whose used areas differ stay aligned by position.
      {"SUMIF(A1:A5,\">=3\",'My Sheet'!B1:B5)", "300"},
      {"SUMIFS('My Sheet'!B1:B5,A1:A5,\">=3\",B1:B5,\"<35\")", "100"},
      {"COUNTIFS(A1:A5,\">=3\",'My Sheet'!B1:B5,\">100\")", "1"},
  });
}

TEST_F(ConditionalTest, DatabaseFunctions) {
  Check({
      {"DSUM(F1:H6,\"Price\",J1:J2)", "70"},
      {"DSUM(F1:H6,2,J1:J2)", "70"},
      {"DSUM(F1:H6,\"2\",J1:J2)", "70"},
      {"DSUM(F1:H6,\"price\",J1:J2)", "70"},
      {"DSUM(F1:H6,0,J1:J2)", "#VALUE!"},
      {"DSUM(F1:H6,9,J1:J2)", "#VALUE!"},
      {"DSUM(F1:H6,\"Cost\",J1:J2)", "#VALUE!"},
      {"DSUM(F1:H6,\"Price\",K1:L2)", "45"},  // both conditions of a row hold
      {"DCOUNT(F1:H6,\"Price\",K1:L2)", "3"},
      {"DCOUNT(F1:H6,\"Price\",M1:M3)", "4"},  // rows are alternatives
      {"DCOUNT(F1:H6,\"Price\",N1)", "#VALUE!"},
      {"DCOUNT(F1:H6,\"Price\",N1:N1)", "0"},  // a header without criteria rows selects nothing
      {"DSUM(F1,\"Price\",J1:J2)", "#VALUE!"},
      {"DCOUNT(F1:H6,\"Qty\",O1:P2)", "2"},
      {"DCOUNT(F1:H6,\"Qty\",Q1:Q2)", "3"},
      {"DCOUNTA(F1:H6,\"Qty\",R1:R2)", "1"},
      {"DCOUNT(F1:H6,\"Qty\",R1:R2)", "0"},
      {"DAVERAGE(F1:H6,\"Qty\",R1:R2)", "#DIV/0!"},
      {"DGET(F1:H6,\"Qty\",R1:R2)", "\"n/a\""},
      {"DGET(F1:H6,\"Qty\",M1:M2)", "#NUM!"},
      {"DGET(F1:H6,\"Price\",Q1:Q1)", "#VALUE!"},
      {"DMIN(F1:H6,\"Price\",M1:M2)", "12"},
      {"DMAX(F1:H6,\"Price\",M1:M2)", "18"},
      {"DMIN(F1:H6,\"Price\",R1:R2)", "25"},
      {"DMAX(F1:H6,\"Qty\",R1:R2)", "0"},
      {"DPRODUCT(F1:H6,\"Qty\",M1:M2)", "15"},
      {"DAVERAGE(F1:H6,\"Price\",M1:M2)", "15"},
      {"DVAR(F1:H6,\"Price\",M1:M2)", "9"},
      {"DVARP(F1:H6,\"Price\",M1:M2)", "6"},
      {"DSTDEV(F1:H6,\"Price\",M1:M2)", "3"},
      {"DVAR(F1:H6,\"Qty\",O1:P2)", "2"},
      {"DVAR(F1:H6,\"Price\",R1:R2)", "#DIV/0!"},
      {"DSUM(F1:H9,\"Price\",J1:J2)", "70"},  // the walk ends at the empty row 7
  });
}

}  // namespace
}  // namespace formula

namespace formula {
namespace {

using namespace formula::testing;

// Every function of these families, called with any kind of argument in any allowed count, leaves
// exactly one value and raises nothing.
TEST(TextLookupFamiliesTest, EveryCallLeavesExactlyOneValue) {
  FakeWorkbook wb(2);
  wb.Num("A1", 1);
  wb.Str("A2", u"Name");
  wb.Num("B1", 2);
  wb.Err("B2", errDiv0);
  wb.Str("B3", u">1");
  TXLSFormulaEvaluator ev(&wb);
  const std::vector<Build> kinds = {
      Num(2),
      Num(-1e300),
      Str(u"a*"),
      Str(u""),
      Err(errNA),
      Missing(),
      testing::Bool(true),
      Ref("A1"),
      Ref("A1", "B3"),
      Ref("A1", "C1"),
      Ref("A1", "B3", 1),
      [](TXLSPtgsBuilder& b) {
        for (double x : {1.0, 2.0, 3.0, 4.0}) b.Number(x);
        b.Array(2, 2);
      },
      [](TXLSPtgsBuilder& b) {  // an area list
        b.Ref(0, 0);
        b.Ref(1, 1);
        b.Op(ptgUnion);
      },
  };
  const int ids[] = {48, 33, 82, 124, 119, 120, 162, 205, 206, 207, 336, 359, 360, 28, 29, 64, 75, 76, 77, 78,
                     86, 100, 101, 102, 125, 219, 244, 261, 839, 40, 41, 42, 43, 44, 45, 47, 189, 195, 196, 199,
                     235, 345, 346, 828, 829, 833, 844};
  unsigned state = 7;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
  };
  for (int id : ids) {
    int minArgs = 0, maxArgs = 0;
    XLSFuncNames().GetArgRange(id, minArgs, maxArgs);
    for (int count = minArgs; count <= std::min(maxArgs, 6); ++count) {
      for (int round = 0; round < 60; ++round) {
        TXLSPtgsBuilder b;
        for (int a = 0; a < count; ++a) kinds[round < static_cast<int>(kinds.size()) ? round : next() % kinds.size()](b);
        if (XLSFuncNames().IsFixedArgs(id))
          b.Func(static_cast<std::uint16_t>(id));
        else
          b.FuncVar(static_cast<std::uint8_t>(count), static_cast<std::uint16_t>(id));
        TXLSFormulaValue v;
        ASSERT_NO_THROW(ev.Evaluate(b.Bytes().data(), b.Size(), 0, 5, 5, v)) << "function " << id << " with " << count;
        EXPECT_EQ(ev.Stack().Top, -1) << "function " << id << " with " << count << " arguments, round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace formula
