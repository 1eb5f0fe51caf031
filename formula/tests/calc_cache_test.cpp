// The work one calculation shares: running aggregates and lookup indexes give exactly the values a
// walk of the cells gives, and a changed cell is seen by every later read.
#include "formula/evaluator/calc_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"

namespace formula {
namespace {

using testing::FakeWorkbook;

TEST(CalcCache, RunningAggregatesFollowChanges) {
  FakeWorkbook wb;
  workbook::TXLSCellMMU& cells = wb.Sheet();
  for (int r = 0; r < 10; ++r) cells.WriteFloat(0, r, 0, 0.1 * (r + 1));
  TCalcCache cache;
  TCalcCache::TNumberStats st;
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 4, st));  // read as a whole
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 4, st));  // kept
  EXPECT_EQ(st.Count, 5);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 3, st));  // another last row: running totals
  EXPECT_EQ(st.Count, 4);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 4, st));
  double sum = 0;
  for (int r = 0; r < 5; ++r) sum += 0.1 * (r + 1);
  EXPECT_EQ(st.Sum, sum);  // the same additions in the same order
  EXPECT_EQ(st.Count, 5);
  EXPECT_EQ(st.Min, 0.1);
  EXPECT_EQ(st.Max, 0.5);
  // A change inside the covered rows is seen; rows past the sheet's end add nothing.
  cells.WriteFloat(0, 2, 0, 100);
  cache.CellChanged(&cells, 0, 2);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 1000, st));
  EXPECT_EQ(st.Count, 10);
  EXPECT_EQ(st.Max, 100);
  cells.WriteError(0, 6, 0, errDiv0);
  cache.CellChanged(&cells, 0, 6);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 9, st));
  EXPECT_EQ(st.Error, errDiv0);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 5, st));
  EXPECT_EQ(st.Error, 0);
  EXPECT_EQ(st.Count, 6);
  // A change in another column leaves the totals as they are.
  cells.WriteFloat(1, 0, 0, 7);
  cache.CellChanged(&cells, 1, 0);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 0, 0, 0, 5, st));
  EXPECT_EQ(st.Count, 6);
  // A whole rectangle read again sees a change made since.
  ASSERT_TRUE(cache.RangeNumbers(&cells, 1, 0, 1, 9, st));
  EXPECT_EQ(st.Sum, 7);
  cells.WriteFloat(1, 5, 0, 1);
  cache.CellChanged(&cells, 1, 5);
  ASSERT_TRUE(cache.RangeNumbers(&cells, 1, 0, 1, 9, st));
  EXPECT_EQ(st.Sum, 8);
  EXPECT_EQ(st.Count, 2);
}

TEST(CalcCache, LineIndexMatchesTheScans) {
  FakeWorkbook wb;
  workbook::TXLSCellMMU& cells = wb.Sheet();
  // Column B from row 2 (positions 0..9): 5, "Apfel", TRUE, 3, "äpfel", 5, #N/A, 1, "apfel", FALSE.
  cells.WriteFloat(1, 1, 0, 5);
  cells.WriteString(1, 2, 0, u"Apfel");
  cells.WriteBoolean(1, 3, 0, true);
  cells.WriteFloat(1, 4, 0, 3);
  cells.WriteString(1, 5, 0, u"\u00E4pfel");
  cells.WriteFloat(1, 6, 0, 5);
  cells.WriteError(1, 7, 0, errNA);
  cells.WriteFloat(1, 8, 0, 1);
  cells.WriteString(1, 9, 0, u"apfel");
  cells.WriteBoolean(1, 10, 0, false);
  TCalcCache cache;
  EXPECT_EQ(cache.LineIndex(&cells, 1, 1, true, 12), nullptr);
  const TCalcCache::TLineIndex* index = cache.LineIndex(&cells, 1, 1, true, 12);
  ASSERT_NE(index, nullptr);
  struct Case {
    TXLSVarValue Value;
    long First, Last;
  } cases[] = {
      {TXLSVarValue::FromFloat(5), 0, 7},        {TXLSVarValue::FromFloat(2), -1, 7},
      {TXLSVarValue::FromFloat(0.5), -1, -1},    {TXLSVarValue::FromFloat(0.99), -1, -1},
      {TXLSVarValue::FromString(u"APFEL"), 1, 8}, {TXLSVarValue::FromString(u"\u00C4PFEL"), 4, 8},
      {TXLSVarValue::FromString(u"b"), -1, 8},   {TXLSVarValue::FromString(u"a"), -1, -1},
      {TXLSVarValue::FromBool(true), 2, 2},      {TXLSVarValue::FromBool(false), 9, 9},
      {TXLSVarValue::FromError(errNA), 6, 6},    {TXLSVarValue::FromError(errRef), -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(core::utf16_to_utf8(c.Value.Text) + " " + std::to_string(c.Value.Number));
    EXPECT_EQ(index->FirstEqual(c.Value), c.First);
    EXPECT_EQ(index->LastNotAbove(c.Value), c.Last);
  }
  // A change in the line drops the index; the next search builds it again.
  cells.WriteFloat(1, 3, 0, 5);
  cache.CellChanged(&cells, 1, 3);
  index = cache.LineIndex(&cells, 1, 1, true, 12);
  ASSERT_NE(index, nullptr);
  EXPECT_EQ(index->FirstEqual(TXLSVarValue::FromBool(true)), -1);
  EXPECT_EQ(index->FirstEqual(TXLSVarValue::FromFloat(5)), 0);
  EXPECT_EQ(index->LastNotAbove(TXLSVarValue::FromFloat(4)), 7);
  EXPECT_EQ(index->LastNotAbove(TXLSVarValue::FromFloat(0.5)), -1);
}

// A workbook of running totals (over constants, over formula results, with an error and a text on
// the way) and repeated lookups, calculated once: every formula's stored result equals what the
// same formula gives when evaluated alone afterwards, without anything shared, to the last bit.
TEST(CalcCache, CalculationGivesWhatEachFormulaGivesAlone) {
  FakeWorkbook wb;
  workbook::TXLSCellMMU& cells = wb.Sheet();
  TXLSFormulaHandler handler(&wb);
  std::vector<std::uint8_t> tokens;
  std::vector<std::pair<int, int>> formulas;
  auto formula = [&](int Col, int Row, const std::string& Text) {
    ASSERT_GT(handler.EncodeCellFormula(core::utf8_to_utf16(Text), tokens, 0, Col, Row, true), 0) << Text;
    cells.WriteFormulaPtgs(Col, Row, 0, tokens.data(), static_cast<int>(tokens.size()), 0);
    formulas.emplace_back(Col, Row);
  };
  auto a1 = [](int Col, int Row) { return core::utf16_to_utf8(workbook::ColRowToRefStr(Col, Row)); };
  const int n = 300;
  for (int r = 0; r < n; ++r) {
    if (r == 150)
      cells.WriteString(0, r, 0, u"text");
    else
      cells.WriteFloat(0, r, 0, 0.1 * ((r * 37) % 101) - 3.3);
    formula(1, r, a1(0, r) + "*1.7");  // B: formula results
    formula(2, r, "SUM($A$1:" + a1(0, r) + ")");
    formula(3, r, "SUM($B$1:" + a1(1, r) + ")");
    formula(4, r, "AVERAGE($B$1:" + a1(1, r) + ")");
    formula(5, r, "MIN($A$1:" + a1(0, r) + ")+MAX($A$1:" + a1(0, r) + ")+COUNT($A$1:" + a1(0, r) + ")");
    formula(6, r, "SUM($D$1:" + a1(3, r) + ")");  // running totals of running totals
    formula(7, r, "SUM(" + a1(0, r) + ":$A$300)");  // the same last row, other first rows
  }
  cells.WriteError(8, 200, 0, errDiv0);
  for (int r = 0; r < n; ++r) cells.WriteFloat(8, r == 200 ? 201 : r, 0, r % 7);
  for (int r = 0; r < n; ++r) formula(9, r, "SUM($I$1:" + a1(8, r) + ")");
  // Lookup tables: keys in K (numbers with repeats), texts in L, values in M.
  for (int r = 0; r < 50; ++r) {
    cells.WriteFloat(10, r, 0, (r * 7) % 23);
    cells.WriteString(11, r, 0, r % 2 ? u"Key" + core::utf8_to_utf16(std::to_string(r % 17)) : u"key" + core::utf8_to_utf16(std::to_string(r % 17)));
    formula(12, r, a1(10, r) + "*10+ROW()");
  }
  for (int r = 0; r < 60; ++r) {
    const std::string k = std::to_string(r % 25);
    formula(13, r, "VLOOKUP(" + k + ",$K$1:$M$50,3,0)");
    formula(14, r, "MATCH(\"KEY" + std::to_string(r % 19) + "\",$L$1:$L$50,0)");
    formula(15, r, "VLOOKUP(" + k + ".5,$K$1:$M$50,3)");
    formula(16, r, "LOOKUP(\"key" + std::to_string(r % 19) + "\",$L$1:$L$50,$M$1:$M$50)");
    formula(17, r, "IFERROR(MATCH(\"k*" + std::to_string(r % 5) + "\",$L$1:$L$50,0),-1)");
  }
  // Aggregates that take no running totals, over ranges that others read as a whole or as totals.
  for (int r = 0; r < 5; ++r) {
    formula(18, r, "PRODUCT($K$2:$K$6)+SUMSQ($A$1:" + a1(0, r + 3) + ")");
    formula(19, r, "PRODUCT(K2:K4)*SUMSQ($I$1:$I$9)+AVERAGE(K2:K4)+SUM($I$1:$I$9)");
  }
  cells.CalcDimension();
  handler.Calculate();
  TXLSFormulaEvaluator alone(&wb);
  for (const auto& [col, row] : formulas) {
    workbook::TMMUCellRef ref;
    ASSERT_TRUE(cells.FindCell(col, row, ref));
    const std::uint8_t* ptgs = nullptr;
    const int len = workbook::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
    const std::vector<std::uint8_t> copy(ptgs, ptgs + len);
    TXLSFormulaValue v;
    alone.Evaluate(copy.data(), len, 0, col, row, v);
    ASSERT_TRUE(cells.FindCell(col, row, ref));
    const std::string where = a1(col, row);
    switch (workbook::TXLSCellMMU::CellType(ref)) {
      case workbook::cvkFloatFormula: {
        ASSERT_EQ(v.ValueType, fvtFloat) << where;
        const double stored = workbook::TXLSCellMMU::GetFormulaFloat(ref);
        EXPECT_EQ(std::memcmp(&stored, &v.Number, sizeof stored), 0) << where << " " << stored << " " << v.Number;
        break;
      }
      case workbook::cvkErrorFormula:
        ASSERT_EQ(v.ValueType, fvtError) << where;
        EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaError(ref), v.BoolErr) << where;
        break;
      default:
        ADD_FAILURE() << where << " has no number or error";
    }
  }
  // Spot checks against plain arithmetic.
  double sum = 0;
  for (int r = 0; r < 150; ++r) sum += 0.1 * ((r * 37) % 101) - 3.3;
  workbook::TMMUCellRef ref;
  ASSERT_TRUE(cells.FindCell(2, 149, ref));
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaFloat(ref), sum);
  ASSERT_TRUE(cells.FindCell(9, 199, ref));
  EXPECT_EQ(workbook::TXLSCellMMU::CellType(ref), workbook::cvkFloatFormula);
  ASSERT_TRUE(cells.FindCell(9, 200, ref));
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaError(ref), errDiv0);
}

}  // namespace
}  // namespace formula
