// Table tests of the lookup, reference and information functions, with references that stay
// references inside SUM, and the first match of the exact lookups.
#include <gtest/gtest.h>

#include "formula/formula_handler.h"
#include "formula/tests/text_lookup_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

// A1:A3 1,2,2; B1:B3 "x","y","z"; C1:C3 numbers 10,20,30; D1:D3 "apple","banana","Berry";
// E1:G1 1,2,3 across; E2:G2 "a","b","c"; H1 TRUE; H2 #DIV/0!.
class LookupFunctionsTest : public ::testing::Test {
protected:
  LookupFunctionsTest() : wb(2), run(wb) {
    wb.Num("A1", 1);
    wb.Num("A2", 2);
    wb.Num("A3", 2);
    wb.Str("B1", u"x");
    wb.Str("B2", u"y");
    wb.Str("B3", u"z");
    wb.Num("C1", 10);
    wb.Num("C2", 20);
    wb.Num("C3", 30);
    wb.Str("D1", u"apple");
    wb.Str("D2", u"banana");
    wb.Str("D3", u"Berry");
    wb.Num("E1", 1);
    wb.Num("F1", 2);
    wb.Num("G1", 3);
    wb.Str("E2", u"a");
    wb.Str("F2", u"b");
    wb.Str("G2", u"c");
    wb.Bool("H1", true);
    wb.Err("H2", errDiv0);
  }
  void Check(const std::vector<FormulaCase>& Cases) {
    for (const auto& c : Cases) EXPECT_EQ(run.Run(c.formula), c.want) << c.formula;
  }
  FakeWorkbook wb;
  FormulaRunner run;
};

TEST_F(LookupFunctionsTest, VLookupAndHLookup) {
  Check({
      {"VLOOKUP(2,A1:B3,2)", "\"z\""},         // approximate: the last row at or below the value
      {"VLOOKUP(2,A1:B3,2,FALSE)", "\"y\""},   // exact: the first match
      {"VLOOKUP(1.5,A1:C3,3)", "10"},
      {"VLOOKUP(0,A1:B3,2)", "#N/A"},
      {"VLOOKUP(5,A1:B3,3)", "#REF!"},
      {"VLOOKUP(5,A1:B3,0)", "#VALUE!"},
      {"VLOOKUP(5,A1:B3,1E300)", "#REF!"},
      {"VLOOKUP(\"b*\",D1:D3,1,FALSE)", "\"banana\""},
      {"VLOOKUP(\"BERRY\",D1:D3,1,FALSE)", "\"Berry\""},
      {"VLOOKUP(\"2\",A1:B3,2,FALSE)", "#N/A"},  // a text never equals a number
      {"VLOOKUP(1/0,A1:B3,2)", "#DIV/0!"},
      {"VLOOKUP(2,{1,\"a\";2,\"b\"},2,FALSE)", "\"b\""},
      {"HLOOKUP(2,E1:G2,2,FALSE)", "\"b\""},
      {"HLOOKUP(2.5,E1:G2,2)", "\"b\""},
      {"HLOOKUP(2,E1:G2,3)", "#REF!"},
      {"HLOOKUP(2,1/0,1)", "#DIV/0!"},
  });
}

TEST_F(LookupFunctionsTest, LookupAndMatch) {
  Check({
      {"LOOKUP(2.5,E1:G1,E2:G2)", "\"b\""},
      {"LOOKUP(3,E1:G2)", "\"c\""},  // without a result vector: the last row
      {"LOOKUP(25,C1:C3,B1:B3)", "\"y\""},
      {"LOOKUP(0,C1:C3,B1:B3)", "#N/A"},
      {"LOOKUP(2,E1:G1,A1)", "#N/A"},  // a single cell is no result vector
      {"MATCH(3,{1,2,4})", "2"},
      {"MATCH(0,{1,2,4})", "#N/A"},
      {"MATCH(5,{1,2,4})", "3"},
      {"MATCH(2,{1,2,4},0)", "2"},
      {"MATCH(2,{1,2,4},2)", "2"},  // any positive type searches ascending
      {"MATCH(3,{4,2,1},-1)", "1"},
      {"MATCH(5,{4,2,1},-1)", "#N/A"},
      {"MATCH(\"b?n*\",D1:D3,0)", "2"},
      {"MATCH(20,C1:C3,0)", "2"},
      {"MATCH(20,A1:C3,0)", "#N/A"},  // not a vector
  });
}

TEST_F(LookupFunctionsTest, IndexOffsetAndChoose) {
  Check({
      {"INDEX(A1:C3,2,3)", "20"},
      {"SUM(INDEX(A1:C3,0,3))", "60"},
      {"INDEX(A1:A5,3,0)", "2"},
      {"INDEX(E1:G1,2)", "2"},
      {"INDEX(A1:C3,4,1)", "#REF!"},
      {"INDEX({1,2;3,4},2,1)", "3"},
      {"SUM(INDEX({1,2;3,4},0,2))", "6"},
      {"INDEX((A1:A3,C1:C3),2,1,2)", "20"},
      {"INDEX((A1:A3,C1:C3),1,1,3)", "#REF!"},
      {"OFFSET(A1,1,2)", "20"},
      {"SUM(OFFSET(A1,0,0,2,3))", "33"},
      {"SUM(OFFSET(C1:C3,0,0,2))", "30"},
      {"SUM(OFFSET(A1:A2,1,2))", "50"},  // the reference's own size
      {"ROWS(OFFSET(A1:B2,0,0,1,3))", "1"},
      {"COLUMNS(OFFSET(A1:B2,0,0,1,3))", "3"},
      {"OFFSET(A1,-1,0)", "#REF!"},
      {"OFFSET(A1,0,0,0,1)", "#REF!"},
      {"OFFSET(5,0,0)", "#VALUE!"},
      {"OFFSET(A1,1E300,0)", "#REF!"},
      {"INDEX(A1:C3,1E300,1)", "#REF!"},
      {"CHOOSE(1E300,1,2)", "#VALUE!"},
      {"CHOOSE(2,\"a\",\"b\",\"c\")", "\"b\""},
      {"CHOOSE(4,\"a\",\"b\",\"c\")", "#VALUE!"},
      {"SUM(CHOOSE(2,A1:A3,C1:C3))", "60"},
      {"CHOOSE(1/0,1,2)", "#DIV/0!"},
  });
}

TEST_F(LookupFunctionsTest, AddressAreasRowsColumns) {
  Check({
      {"ADDRESS(1,1)", "\"$A$1\""},
      {"ADDRESS(2,3,4)", "\"C2\""},
      {"ADDRESS(2,3,2)", "\"C$2\""},
      {"ADDRESS(2,3,3)", "\"$C2\""},
      {"ADDRESS(1,1,1,TRUE,\"Data\")", "\"Data!$A$1\""},
      {"ADDRESS(1,1,1,TRUE,\"My Data\")", "\"'My Data'!$A$1\""},
      {"ADDRESS(3,2,4,FALSE)", "\"R[3]C[2]\""},
      {"ADDRESS(0,1)", "#VALUE!"},
      {"ADDRESS(1,16385)", "#VALUE!"},
      {"AREAS(A1:B2)", "1"},
      {"AREAS((A1,B2,C3))", "3"},
      {"ROWS({1;2;3})", "3"},
      {"COLUMNS({1;2;3})", "1"},
      {"ROWS(A1:C7)", "7"},
      {"COLUMNS(A1:C7)", "3"},
  });
}

TEST_F(LookupFunctionsTest, InformationFunctions) {
  Check({
      {"CELL(\"col\",C5)", "3"},
      {"CELL(\"row\",C5)", "5"},
      {"CELL(\"address\",C5)", "\"$C$5\""},
      {"CELL(\"type\",A1)", "\"v\""},
      {"CELL(\"type\",B1)", "\"l\""},
      {"CELL(\"type\",Z50)", "\"b\""},
      {"CELL(\"x\",A1)", "#VALUE!"},
      {"CELL(\"col\",5)", "#VALUE!"},
      {"1+CELL(\"row\",1/0)", "#DIV/0!"},  // exactly one result, so the addition keeps its operand
      {"INFO(\"PIG\")", "\"Oink!\""},
      {"INFO(\"system\")", "#N/A"},
      {"TYPE(Z50)", "1"},
      {"TYPE(\"a\")", "2"},
      {"TYPE(H1)", "4"},
      {"TYPE(H2)", "16"},
      {"TYPE({1,2})", "64"},
      {"ERROR.TYPE(1/0)", "2"},
      {"ERROR.TYPE(H2)", "2"},
      {"ERROR.TYPE(NA())", "7"},
      {"ERROR.TYPE(5)", "#N/A"},
      {"IFERROR(1/0,\"none\")", "\"none\""},
      {"IFERROR(5,\"none\")", "5"},
      {"IFERROR(H2,\"e\")", "\"e\""},
      {"SUM(IFERROR(C1:C3,0))", "0"},  // an area outside the formula's row is #VALUE!
  });
}

// A lookup table filled by formulas is calculated before the lookup that reads it: the lookup in D1
// would otherwise come first in the chain (no reference of its own to a formula cell outside the
// table) and read B2's stale cached 0.
TEST(LookupDependencyTest, TableFormulasCalculateBeforeTheLookup) {
  FakeWorkbook wb(1);
  workbook::TXLSErrorManager errors;
  auto formula = [&](const char* Cell, const char* Text) {
    std::vector<std::uint8_t> code;
    int c = 0, r = 0;
    FakeWorkbook::Pos(Cell, c, r);
    ASSERT_TRUE(CompileFormula(core::utf8_to_utf16(Text), errors, nullptr, true, TFormulaLocale::Invariant(), code, 0, c, r));
    wb.Sheet().WriteFormulaPtgs(c, r, 0, code.data(), static_cast<int>(code.size()), 0);
    wb.Sheet().CalcDimension();
  };
  wb.Num("A1", 1);
  wb.Num("A2", 2);
  wb.Num("B1", 100);
  formula("D1", "VLOOKUP(2,A1:B2,2,FALSE)");
  formula("B2", "C9*2");
  formula("C9", "100");
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  workbook::TMMUCellRef ref;
  ASSERT_TRUE(wb.Sheet().FindCell(3, 0, ref));
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaFloat(ref), 200);
}

}  // namespace
}  // namespace formula
