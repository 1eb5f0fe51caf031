#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "formula/formula_handler.h"
#include "formula/language/byte_code.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

using testing::Build;
using testing::FakeWorkbook;
using testing::Fn;
using testing::Num;
using testing::Op;
using testing::Ref;

void Formula(FakeWorkbook& Wb, const char* Cell, const Build& F, double Cached = 0, int Sheet = 0) {
  TXLSPtgsBuilder b;
  F(b);
  int c = 0, r = 0;
  FakeWorkbook::Pos(Cell, c, r);
  Wb.Sheet(Sheet).WriteFormulaPtgs(c, r, 0, b.Bytes().data(), b.Size(), Cached);
  Wb.Sheet(Sheet).CalcDimension();
}

workbook::TMMUCellRef Cell(FakeWorkbook& Wb, const char* Name, int Sheet = 0) {
  int c = 0, r = 0;
  FakeWorkbook::Pos(Name, c, r);
  workbook::TMMUCellRef ref;
  EXPECT_TRUE(Wb.Sheet(Sheet).FindCell(c, r, ref)) << Name;
  return ref;
}

double Float(FakeWorkbook& Wb, const char* Name) { return workbook::TXLSCellMMU::GetFormulaFloat(Cell(Wb, Name)); }

TEST(FormulaHandler, StoresEveryResultType) {
  FakeWorkbook wb;
  Formula(wb, "C1", Op(ptgMul, Ref("B1"), Num(2)));
  Formula(wb, "B1", Op(ptgAdd, Ref("A1"), Num(1)));
  Formula(wb, "A1", Num(1));
  Formula(wb, "A2", Op(ptgConcat, testing::Str(u"x"), Ref("C1")));
  Formula(wb, "A3", Op(ptgLT, Ref("A1"), Ref("C1")));
  Formula(wb, "A4", Op(ptgDiv, Ref("A1"), Num(0)));
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  EXPECT_EQ(Float(wb, "C1"), 4.0);
  std::u16string text;
  workbook::TXLSCellMMU::GetFormulaString(Cell(wb, "A2"), text);
  EXPECT_EQ(text, u"x4");
  EXPECT_TRUE(workbook::TXLSCellMMU::GetFormulaBoolean(Cell(wb, "A3")));
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaError(Cell(wb, "A4")), errDiv0);
}

// A formula that yields no value (a reference to an empty cell) keeps its cached result.
TEST(FormulaHandler, EmptyResultKeepsTheCachedValue) {
  FakeWorkbook wb;
  Formula(wb, "A1", Ref("Z99"), 7);
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  EXPECT_EQ(Float(wb, "A1"), 7);
}

TEST(FormulaHandler, ProgressEveryTwentyFifthOfTheChain) {
  FakeWorkbook wb;
  for (int r = 0; r < 100; ++r) {
    TXLSPtgsBuilder b;
    b.Number(r);
    wb.Sheet().WriteFormulaPtgs(0, r, 0, b.Bytes().data(), b.Size(), 0);
  }
  wb.Sheet().CalcDimension();
  TXLSFormulaHandler handler(&wb);
  std::vector<std::pair<int, int>> events;
  handler.SetProgress([&](workbook::TXLSProgressType T, workbook::TXLSProgressState S, double V) {
    EXPECT_EQ(T, workbook::xptCalculateFormulas);
    events.emplace_back(static_cast<int>(S), static_cast<int>(V));
  });
  handler.Calculate();
  std::vector<std::pair<int, int>> expected{{workbook::xpsBegin, 100}};
  for (int i = 0; i < 100; i += 4) expected.emplace_back(workbook::xpsWork, i);
  expected.emplace_back(workbook::xpsEnd, 100);
  EXPECT_EQ(events, expected);
}

// A loop keeps the cached results of its cells and their dependents; everything else calculates.
TEST(FormulaHandler, CircularReferenceSetsAsideOnlyItsCells) {
  FakeWorkbook wb;
  Formula(wb, "A1", Op(ptgAdd, Ref("B1"), Num(1)), 11);
  Formula(wb, "B1", Op(ptgAdd, Ref("A1"), Num(1)), 12);
  Formula(wb, "C1", Op(ptgMul, Ref("A1"), Num(2)), 13);
  Formula(wb, "A2", Num(5), 14);
  Formula(wb, "B2", Op(ptgMul, Ref("A2"), Num(2)), 15);
  Formula(wb, "C2", Op(ptgAdd, Ref("C2"), Num(1)), 16);  // self reference: no loop
  TXLSFormulaHandler handler(&wb);
  std::vector<std::u16string> warnings;
  handler.SetWarningHandler([&](int Code, const std::u16string& T) {
    EXPECT_EQ(Code, 3002);
    warnings.push_back(T);
  });
  handler.Calculate();
  EXPECT_EQ(warnings, std::vector<std::u16string>{u"Circular formula \"0!A1->0!B1\""});
  EXPECT_EQ(Float(wb, "A1"), 11);
  EXPECT_EQ(Float(wb, "B1"), 12);
  EXPECT_EQ(Float(wb, "C1"), 13);
  EXPECT_EQ(Float(wb, "A2"), 5);
  EXPECT_EQ(Float(wb, "B2"), 10);
  EXPECT_EQ(Float(wb, "C2"), 17);
}

// The console's report: a column of 32,000 readings below a text header and the six summary
// formulas in BIFF8 tokens ("label"&ROUND(AVERAGE(B28:Bn),2), MIN and MAX).
TEST(FormulaHandler, ReportSheet) {
  FakeWorkbook wb;
  const int first = 27, n = 32000;
  wb.Str("B27", u"温度");
  double sum = 0, lo = 1e300, hi = -1e300;
  for (int i = 0; i < n; ++i) {
    const double v = 20.0 + std::sin(i * 0.01) * 7.3 + (i % 7) * 0.01;
    wb.Sheet().WriteFloat(1, first + i, 0, v);
    sum += v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  wb.Sheet().CalcDimension();
  const int last = first + n - 1;
  auto area = [&](std::vector<std::uint8_t>& t) {
    const std::uint8_t a[] = {0x25, static_cast<std::uint8_t>(first & 0xFF), static_cast<std::uint8_t>(first >> 8),
                              static_cast<std::uint8_t>(last & 0xFF), static_cast<std::uint8_t>(last >> 8),
                              0x01, 0xC0, 0x01, 0xC0};
    t.insert(t.end(), a, a + sizeof a);
  };
  // "avg:" & ROUND(AVERAGE(area), 2)
  std::vector<std::uint8_t> avg = {0x17, 4, 0, 'a', 'v', 'g', ':'};
  area(avg);
  const std::uint8_t tail[] = {0x22, 1, 5, 0, 0x1E, 2, 0, 0x41, 27, 0, 0x08};
  avg.insert(avg.end(), tail, tail + sizeof tail);
  std::vector<std::uint8_t> mn, mx;
  area(mn);
  mn.insert(mn.end(), {0x22, 1, 6, 0});
  area(mx);
  mx.insert(mx.end(), {0x22, 1, 7, 0});
  auto put = [&](int Col, int Row, const std::vector<std::uint8_t>& T) {
    const std::vector<std::uint8_t> p = WrapBIFF8(T);
    wb.Sheet().WriteFormulaPtgs(Col, Row, 0, p.data(), static_cast<int>(p.size()), 0);
  };
  put(3, 1, avg);
  put(3, 2, mn);
  put(3, 3, mx);
  wb.Sheet().CalcDimension();
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  std::u16string text;
  workbook::TXLSCellMMU::GetFormulaString(Cell(wb, "D2"), text);
  char want[64];
  std::snprintf(want, sizeof want, "avg:%.2f", std::round(sum / n * 100) / 100);
  EXPECT_EQ(std::string(text.begin(), text.end()), want);
  EXPECT_DOUBLE_EQ(Float(wb, "D3"), lo);
  EXPECT_DOUBLE_EQ(Float(wb, "D4"), hi);
}

std::vector<std::uint8_t> Tokens(const Build& F) {
  TXLSPtgsBuilder b;
  F(b);
  return b.Bytes();
}

TEST(FormulaHandler, OffsetRelativeRefs) {
  struct Case {
    const char* Name;
    Build Before;
    int DCol, DRow;
    Build After;
  };
  const std::vector<Case> cases = {
      {"relative cell moves", [](TXLSPtgsBuilder& b) { b.Ref(0, 0); }, 1, 1, [](TXLSPtgsBuilder& b) { b.Ref(1, 1); }},
      {"absolute cell stays", [](TXLSPtgsBuilder& b) { b.Ref(0, 0, true, true); }, 3, 3,
       [](TXLSPtgsBuilder& b) { b.Ref(0, 0, true, true); }},
      {"mixed cell", [](TXLSPtgsBuilder& b) { b.Ref(2, 5, true, false); }, 4, -5,
       [](TXLSPtgsBuilder& b) { b.Ref(2, 0, true, false); }},
      {"off the grid keeps the bytes", [](TXLSPtgsBuilder& b) { b.Ref(0, 0); }, 0, -1,
       [](TXLSPtgsBuilder& b) { b.Ref(0, 0, false, false, true); }},
      {"area corners", [](TXLSPtgsBuilder& b) { b.Area(0, 0, 1, 9, false, true, false, false); }, 2, 3,
       [](TXLSPtgsBuilder& b) { b.Area(2, 0, 3, 12, false, true, false, false); }},
      {"area off the right edge", [](TXLSPtgsBuilder& b) { b.Area(16380, 0, 16383, 1); }, 1, 0,
       [](TXLSPtgsBuilder& b) { b.Area(16380, 0, 16383, 1, false, false, false, false, true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> t = Tokens(c.Before);
    // An operator after the reference checks that the walk goes on.
    t.push_back(ptgUminus);
    TXLSFormulaHandler::OffsetRelativeRefs(t.data(), static_cast<int>(t.size()), c.DCol, c.DRow);
    std::vector<std::uint8_t> want = Tokens(c.After);
    want.push_back(ptgUminus);
    EXPECT_EQ(t, want);
  }
}

TEST(FormulaHandler, OffsetRelativeRefsBIFF8) {
  struct Case {
    const char* Name;
    std::vector<std::uint8_t> Before;
    int DCol, DRow;
    std::vector<std::uint8_t> After;
  };
  const std::vector<Case> cases = {
      {"relative cell", {0x44, 0x01, 0x00, 0x02, 0xC0}, 1, 2, {0x44, 0x03, 0x00, 0x03, 0xC0}},
      {"absolute cell", {0x24, 0x01, 0x00, 0x02, 0x00}, 1, 2, {0x24, 0x01, 0x00, 0x02, 0x00}},
      {"row relative only", {0x24, 0x01, 0x00, 0x02, 0x80}, 1, 2, {0x24, 0x03, 0x00, 0x02, 0x80}},
      {"off the grid keeps the class", {0x44, 0x00, 0x00, 0x00, 0xC0}, -1, 0, {0x4A, 0x00, 0x00, 0x00, 0xC0}},
      {"area with own flags per corner",
       {0x25, 0x00, 0x00, 0x05, 0x00, 0x00, 0xC0, 0x03, 0x00},
       2, 1,
       {0x25, 0x01, 0x00, 0x05, 0x00, 0x02, 0xC0, 0x03, 0x00}},
      {"memory function subexpression moves too",
       {0x29, 0x05, 0x00, 0x44, 0x01, 0x00, 0x02, 0xC0},
       1, 1,
       {0x29, 0x05, 0x00, 0x44, 0x02, 0x00, 0x03, 0xC0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> t = WrapBIFF8(c.Before);
    TXLSFormulaHandler::OffsetRelativeRefs(t.data(), static_cast<int>(t.size()), c.DCol, c.DRow);
    EXPECT_EQ(t, WrapBIFF8(c.After));
  }
}

TEST(FormulaHandler, AdjustSheetRefs) {
  struct Case {
    const char* Name;
    int Sheet1, Sheet2;  // Sheet2 < 0: one-sheet form
    int Index, Count;
    int New1, New2;  // -1: the #REF! form
  };
  const std::vector<Case> cases = {
      {"below the insertion", 1, -1, 2, 3, 1, -1},
      {"at the insertion", 2, -1, 2, 3, 5, -1},
      {"deleted sheet", 2, -1, 2, -1, -1, -1},
      {"above the deletion", 5, -1, 2, -2, 3, -1},
      {"range both deleted", 2, 3, 2, -2, -1, -1},
      {"range loses its last sheet", 1, 2, 2, -1, 1, 1},
      {"range loses its first sheet", 2, 4, 2, -1, 2, 3},
      {"range across the deleted block", 1, 6, 2, -2, 1, 4},
      {"range moved by insertion", 1, 3, 2, 1, 1, 4},
      {"sheet number past 255", 250, -1, 0, 10, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const bool area : {false, true}) {
      TXLSPtgsBuilder b;
      if (area)
        b.Area3d(c.Sheet1, c.Sheet2, 0, 0, 1, 1);
      else
        b.Ref3d(c.Sheet1, c.Sheet2, 0, 0);
      std::vector<std::uint8_t> t = b.Bytes();
      TXLSFormulaHandler::AdjustSheetRefs(t.data(), static_cast<int>(t.size()), c.Index, c.Count);
      ASSERT_EQ(t.size(), b.Bytes().size());
      const int at = area ? 13 : 7;
      const bool range = c.Sheet2 >= 0;
      if (c.New1 < 0) {
        const std::uint8_t err = area ? (range ? xptgArea3dRangeErr : xptgArea3dErr)
                                      : (range ? xptgRef3dRangeErr : xptgRef3dErr);
        EXPECT_EQ(t[0], err);
        EXPECT_EQ(t[static_cast<std::size_t>(at)], 4);
        if (range) {
          EXPECT_EQ(t[static_cast<std::size_t>(at) + 1], 4);
        }
      } else {
        EXPECT_EQ(t[0], b.Bytes()[0]);
        EXPECT_EQ(t[static_cast<std::size_t>(at)], c.New1);
        if (range) {
          EXPECT_EQ(t[static_cast<std::size_t>(at) + 1], c.New2);
        }
      }
    }
  }
}

}  // namespace
}  // namespace formula
