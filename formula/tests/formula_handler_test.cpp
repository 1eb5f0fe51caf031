#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "formula/formula_handler.h"
#include "formula/language/byte_code.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

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

// A formula that only reads an empty cell shows 0, whatever it held before (a kept cached value
// would go stale once the cell it reads was cleared).
TEST(FormulaHandler, EmptyReferenceStoresZero) {
  FakeWorkbook wb;
  Formula(wb, "A1", Ref("Z99"), 7);
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  EXPECT_EQ(Float(wb, "A1"), 0);
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
      AdjustSheetRefTokens(t.data(), static_cast<int>(t.size()), c.Index, c.Count);
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

// A shared formula's member (0xB8) calculates as the master's formula moved to its cell, after the
// cells the moved formula reads; a member whose master is gone is #REF!.
TEST(FormulaHandler, SharedFormulaMembers) {
  FakeWorkbook wb;
  wb.Num("B1", 1);
  Formula(wb, "A1", Op(ptgMul, Ref("B1"), Num(2)));  // the master: =B1*2
  Formula(wb, "B2", Op(ptgAdd, Ref("C2"), Num(1)));
  wb.Num("C2", 4);
  TXLSPtgsBuilder b;
  b.SharedMember(0, 0);
  wb.Sheet().WriteFormulaPtgs(0, 1, 0, b.Bytes().data(), b.Size(), 0);  // A2: =B2*2
  b.Clear();
  b.SharedMember(5, 5);
  wb.Sheet().WriteFormulaPtgs(0, 2, 0, b.Bytes().data(), b.Size(), 0);  // A3: no master
  wb.Sheet().CalcDimension();
  TXLSFormulaHandler handler(&wb);
  handler.Calculate();
  EXPECT_EQ(Float(wb, "A1"), 2);
  EXPECT_EQ(Float(wb, "A2"), 10);
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaError(Cell(wb, "A3")), errRef);
}

// References to other sheets move with the copy as well: a shared formula =Sheet2!A1 copied one row
// down reads Sheet2!A2.
TEST(FormulaHandler, OffsetRelativeRefsOnOtherSheets) {
  struct Case {
    const char* Name;
    Build Before;
    int DCol, DRow;
    Build After;
  };
  const std::vector<Case> cases = {
      {"3-D cell", [](TXLSPtgsBuilder& b) { b.Ref3d(1, -1, 0, 0); }, 1, 1,
       [](TXLSPtgsBuilder& b) { b.Ref3d(1, -1, 1, 1); }},
      {"3-D absolute row", [](TXLSPtgsBuilder& b) { b.Ref3d(2, 3, 0, 4 | PTG_ROW_ABS); }, 2, 2,
       [](TXLSPtgsBuilder& b) { b.Ref3d(2, 3, 2, 4 | PTG_ROW_ABS); }},
      {"3-D area", [](TXLSPtgsBuilder& b) { b.Area3d(1, -1, 0, 0, 1, 9); }, 0, 5,
       [](TXLSPtgsBuilder& b) { b.Area3d(1, -1, 0, 5, 1, 14); }},
      {"3-D cell off the grid", [](TXLSPtgsBuilder& b) { b.Ref3d(1, -1, 0, 0); }, -1, 0,
       [](TXLSPtgsBuilder& b) { b.Ref3dError(false, errRef); }},
      {"3-D area off the grid", [](TXLSPtgsBuilder& b) { b.Area3d(1, 2, 0, 0, 1, 1); }, 0, -1,
       [](TXLSPtgsBuilder& b) { b.Area3dError(true, errRef); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> t = Tokens(c.Before);
    TXLSFormulaHandler::OffsetRelativeRefs(t.data(), static_cast<int>(t.size()), c.DCol, c.DRow);
    const std::vector<std::uint8_t> want = Tokens(c.After);
    ASSERT_EQ(t.size(), want.size());
    EXPECT_EQ(t[0], want[0]);
    if (t[0] < xptgRef3dErr) {
      EXPECT_EQ(t, want);
    }
  }
  // BIFF8 3-D cell (extern-sheet index 0, row 1, column 2 relative both ways).
  std::vector<std::uint8_t> t = WrapBIFF8({0x5A, 0x00, 0x00, 0x01, 0x00, 0x02, 0xC0});
  TXLSFormulaHandler::OffsetRelativeRefs(t.data(), static_cast<int>(t.size()), 1, 2);
  EXPECT_EQ(t, WrapBIFF8({0x5A, 0x00, 0x00, 0x03, 0x00, 0x03, 0xC0}));
  TXLSFormulaHandler::OffsetRelativeRefs(t.data(), static_cast<int>(t.size()), 0, -4);
  EXPECT_EQ(t[1], 0x5C);
}

TEST(FormulaHandler, MoveSheetRefs) {
  struct Case {
    int Sheet1, Sheet2;  // Sheet2 < 0: one sheet
    int From, To;
    int New1, New2;
  };
  const std::vector<Case> cases = {
      {0, -1, 0, 2, 2, -1}, {1, -1, 0, 2, 0, -1}, {2, -1, 0, 2, 1, -1}, {3, -1, 0, 2, 3, -1},
      {2, -1, 2, 0, 0, -1}, {0, -1, 2, 0, 1, -1}, {1, 3, 1, 4, 2, 4}, {0, 2, 2, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.Sheet1 << ":" << c.Sheet2 << " " << c.From << "->" << c.To);
    TXLSPtgsBuilder b;
    b.Area3d(c.Sheet1, c.Sheet2, 0, 0, 1, 1);
    std::vector<std::uint8_t> t = b.Bytes();
    TXLSFormulaHandler handler(static_cast<IFormulaWorkbook*>(nullptr));
    handler.MoveSheetRefs(t.data(), static_cast<int>(t.size()), c.From, c.To);
    EXPECT_EQ(t[13], c.New1);
    if (c.Sheet2 >= 0) {
      EXPECT_EQ(t[14], c.New2);
    }
  }
}

// Rows and columns inserted or deleted: references follow their cells, absolute or not.
TEST(FormulaHandler, AdjustCellRefs) {
  using Shift = workbook::TXc12SheetShift;
  struct Case {
    const char* Name;
    Build Before;
    int FormulaSheet;
    Shift S;
    Build After;
  };
  const std::vector<Case> cases = {
      {"cell above the insertion stays", [](TXLSPtgsBuilder& b) { b.Ref(0, 0); }, 0, {Shift::InsertRows, 2, 2},
       [](TXLSPtgsBuilder& b) { b.Ref(0, 0); }},
      {"cell below moves down", [](TXLSPtgsBuilder& b) { b.Ref(0, 3, true, true); }, 0, {Shift::InsertRows, 2, 2},
       [](TXLSPtgsBuilder& b) { b.Ref(0, 5, true, true); }},
      {"area across the insertion grows", [](TXLSPtgsBuilder& b) { b.Area(0, 0, 0, 4); }, 0,
       {Shift::InsertRows, 2, 2}, [](TXLSPtgsBuilder& b) { b.Area(0, 0, 0, 6); }},
      {"deleted cell", [](TXLSPtgsBuilder& b) { b.Ref(0, 2); }, 0, {Shift::DeleteRows, 2, 2},
       [](TXLSPtgsBuilder& b) { b.Ref(0, 2, false, false, true); }},
      {"area loses rows", [](TXLSPtgsBuilder& b) { b.Area(0, 0, 0, 4); }, 0, {Shift::DeleteRows, 2, 2},
       [](TXLSPtgsBuilder& b) { b.Area(0, 0, 0, 2); }},
      {"columns", [](TXLSPtgsBuilder& b) { b.Ref(3, 0); }, 0, {Shift::DeleteColumns, 0, 2},
       [](TXLSPtgsBuilder& b) { b.Ref(1, 0); }},
      {"another sheet's formula keeps its own references", [](TXLSPtgsBuilder& b) { b.Ref(0, 3); }, 1,
       {Shift::InsertRows, 0, 1}, [](TXLSPtgsBuilder& b) { b.Ref(0, 3); }},
      {"3-D reference into the sheet follows", [](TXLSPtgsBuilder& b) { b.Ref3d(0, -1, 0, 3); }, 1,
       {Shift::InsertRows, 0, 1}, [](TXLSPtgsBuilder& b) { b.Ref3d(0, -1, 0, 4); }},
      {"3-D reference into another sheet stays", [](TXLSPtgsBuilder& b) { b.Ref3d(2, -1, 0, 3); }, 0,
       {Shift::InsertRows, 0, 1}, [](TXLSPtgsBuilder& b) { b.Ref3d(2, -1, 0, 3); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> t = Tokens(c.Before);
    AdjustCellRefTokens(t.data(), static_cast<int>(t.size()), c.FormulaSheet, 0, c.S);
    EXPECT_EQ(t, Tokens(c.After));
  }
  // BIFF8: rows inserted above a relative reference.
  std::vector<std::uint8_t> t = WrapBIFF8({0x44, 0x03, 0x00, 0x00, 0xC0});
  AdjustCellRefTokens(t.data(), static_cast<int>(t.size()), 0, 0, {Shift::InsertRows, 1, 2});
  EXPECT_EQ(t, WrapBIFF8({0x44, 0x05, 0x00, 0x00, 0xC0}));
}

// The handler a workbook component makes: formulas set through the worksheet API compile, follow
// sheet and row operations, calculate with names and sheets of the workbook, and report progress
// and circular references to the manager.
class ComponentHandler : public ::testing::Test {
protected:
  static workbook::TXLSSpreadsheetNeighbours Neighbours() {
    workbook::TXLSSpreadsheetNeighbours n;
    n.CreateFormulaHandler = [](workbook::TXc12Manager* M) { return CreateFormulaHandler(M); };
    return n;
  }
  ComponentHandler() : xls(Neighbours()) {
    while (xls.GetCount() < 3) xls.Add();
    xls.GetItem(1)->SetName(u"Data");
  }
  TXLSFormulaHandler& Handler() { return *static_cast<TXLSFormulaHandler*>(xls.OwnFormulaHandler()); }
  std::string Value(int Sheet, int Col, int Row) {
    workbook::TXLSCellMMU* cells = xls.GetItem(Sheet)->GetCells();
    workbook::TMMUCellRef ref;
    if (!cells->FindCell(Col, Row, ref)) return "<none>";
    using M = workbook::TXLSCellMMU;
    switch (M::CellType(ref)) {
      case workbook::cvkFloatFormula: {
        TXLSFormulaValue v;
        v.SetFloat(M::GetFormulaFloat(ref));
        return testing::Describe(v);
      }
      case workbook::cvkStringFormula: {
        std::u16string t;
        M::GetFormulaString(ref, t);
        return "\"" + core::utf16_to_utf8(t) + "\"";
      }
      case workbook::cvkErrorFormula: {
        TXLSFormulaValue v;
        v.SetError(M::GetFormulaError(ref));
        return testing::Describe(v);
      }
      default:
        return "<not a formula>";
    }
  }
  std::string Text(int Sheet, int Col, int Row) {
    workbook::TMMUCellRef ref;
    workbook::TXLSCellMMU* cells = xls.GetItem(Sheet)->GetCells();
    if (!cells->FindCell(Col, Row, ref)) return "<none>";
    const std::uint8_t* p = nullptr;
    const int n = workbook::TXLSCellMMU::GetFormulaPtgs(ref, p);
    return core::utf16_to_utf8(Handler().DecodeFormula(cells, Sheet, p, n, false));
  }
  workbook::TXLSSpreadsheet5 xls;
};

TEST_F(ComponentHandler, CalculatesAcrossSheetsAndNames) {
  workbook::TXLSWorksheet& s0 = *xls.GetItem(0);
  workbook::TXLSWorksheet& s1 = *xls.GetItem(1);
  for (int r = 0; r < 4; ++r) s1.SetAsFloat(0, r, r + 1);
  // A workbook name Total = SUM(Data!$A$1:$A$4), compiled as the name object compiles it.
  workbook::TXc12DefinedName* total = xls.GetManager()->Workbook->DefinedNames->Add(u"Total", -1);
  std::vector<std::uint8_t> code;
  ASSERT_GT(Handler().EncodeFormula(u"SUM(Data!$A$1:$A$4)", code, -1), 0);
  total->Compiled = code;
  total->RefKind = Handler().PtgsToArea3D(code.data(), static_cast<int>(code.size()), total->RefSheet, total->RefArea);
  EXPECT_EQ(total->RefKind, workbook::nrkFormula);
  s0.SetAsFormula(0, 0, u"Total*2");
  s0.SetAsFormula(1, 0, u"\"n=\"&COUNT(Data!A1:A4)&\" \"&ROUND(AVERAGE(Data!A:A),2)");
  s0.SetAsFormula(2, 0, u"INDIRECT(\"Data!A3\")+A1");
  s0.SetAsFormula(3, 0, u"E1+1");  // circular: kept out of the calculation
  s0.SetAsFormula(4, 0, u"D1+1");
  std::vector<double> progress;
  xls.SetOnProgress([&](workbook::TXLSProgressType T, workbook::TXLSProgressState, double V) {
    EXPECT_EQ(T, workbook::xptCalculateFormulas);
    progress.push_back(V);
  });
  xls.GetErrors()->SetSaveToList(true);
  Handler().Calculate();
  EXPECT_EQ(Value(0, 0, 0), "20");
  EXPECT_EQ(Value(0, 1, 0), "\"n=4 2.5\"");
  EXPECT_EQ(Value(0, 2, 0), "23");
  EXPECT_EQ(Value(0, 3, 0), "0");  // the cached values stay
  EXPECT_EQ(Value(0, 4, 0), "0");
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 1.0);
  // One warning names the loop (sheets by index).
  const auto& messages = xls.GetErrors()->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Code, 3002);
  EXPECT_EQ(core::utf16_to_utf8(messages[0].Text), "W3002: Circular formula \"0!D1->0!E1\"");
  EXPECT_EQ(Text(0, 1, 0), "\"n=\"&COUNT(Data!A1:A4)&\" \"&ROUND(AVERAGE(Data!A1:A1048576),2)");
}

// A name that is a cell or an area keeps the "$" of its reference: its text shows them and a
// formula using it reads that cell or area, wherever the formula stands.
TEST_F(ComponentHandler, NamesOfAbsoluteCellsAndAreasKeepTheirFlags) {
  workbook::TXLSWorksheet& s0 = *xls.GetItem(0);
  workbook::TXLSWorksheet& s1 = *xls.GetItem(1);
  for (int r = 0; r < 4; ++r) s1.SetAsFloat(0, r, r + 1);
  const struct {
    const char16_t* name;
    const char16_t* definition;
    std::uint8_t kind;
    const char16_t* text;
  } cases[] = {{u"Third", u"Data!$A$3", workbook::nrkCell, u"$A$3"},
               {u"Pair", u"Data!$A$1:$A$2", workbook::nrkArea, u"$A$1:$A$2"},
               {u"Mixed", u"Data!A$2:$A4", workbook::nrkArea, u"A$2:$A4"}};
  for (const auto& c : cases) {
    workbook::TXc12DefinedName* n = xls.GetManager()->Workbook->DefinedNames->Add(c.name, -1);
    std::vector<std::uint8_t> code;
    ASSERT_GT(Handler().EncodeFormula(c.definition, code, -1), 0);
    n->Compiled = code;
    n->RefKind = Handler().PtgsToArea3D(code.data(), static_cast<int>(code.size()), n->RefSheet, n->RefArea);
    EXPECT_EQ(n->RefKind, c.kind);
    EXPECT_EQ(n->RefSheet, 1);
    const auto& a = n->RefArea;
    const std::u16string text =
        c.kind == workbook::nrkCell
            ? workbook::ColRowToRefStrFlagged(static_cast<std::uint32_t>(a.Col1), static_cast<std::uint32_t>(a.Row1))
            : workbook::AreaToRefStrFlagged(static_cast<std::uint32_t>(a.Col1), static_cast<std::uint32_t>(a.Row1),
                                            static_cast<std::uint32_t>(a.Col2), static_cast<std::uint32_t>(a.Row2));
    EXPECT_EQ(core::utf16_to_utf8(text), core::utf16_to_utf8(c.text));
  }
  s0.SetAsFormula(5, 7, u"Third*10");
  s0.SetAsFormula(6, 7, u"SUM(Pair)");
  Handler().Calculate();
  EXPECT_EQ(Value(0, 5, 7), "30");
  EXPECT_EQ(Value(0, 6, 7), "3");
}

TEST_F(ComponentHandler, ReferencesFollowSheetAndRowOperations) {
  workbook::TXLSWorksheet& s0 = *xls.GetItem(0);
  s0.SetAsFloat(0, 2, 5);
  s0.SetAsFormula(1, 0, u"A3*2+Data!B2");
  xls.GetItem(1)->SetAsFloat(1, 1, 1);
  s0.InsertRows(1, 2);
  EXPECT_EQ(Text(0, 1, 0), "A5*2+Data!B2");
  xls.GetItem(1)->InsertRows(0, 1);
  EXPECT_EQ(Text(0, 1, 0), "A5*2+Data!B3");
  xls.MoveSheet(1, 2);
  EXPECT_EQ(Text(0, 1, 0), "A5*2+Data!B3");
  Handler().Calculate();
  EXPECT_EQ(Value(0, 1, 0), "11");
  s0.DeleteRows(4, 1);
  EXPECT_EQ(Text(0, 1, 0), "#REF!*2+Data!B3");
}

// The separator mode is shared: after a cell formula in a comma-decimal locale, EncodeFormula
// reads "1,5" as one number until a cell formula is compiled with invariant separators.
TEST(FormulaHandler, SeparatorModeIsShared) {
  FakeWorkbook wb;
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  TXLSFormulaHandler handler(&wb, &comma);
  std::vector<std::uint8_t> code;
  auto value = [&](const std::vector<std::uint8_t>& C) {
    TXLSFormulaValue v;
    handler.Evaluator().Evaluate(C.data(), static_cast<int>(C.size()), 0, 0, 0, v);
    return testing::Describe(v);
  };
  ASSERT_GT(handler.EncodeFormula(u"SUM(1,5)", code, 0), 0);
  EXPECT_EQ(value(code), "6");
  ASSERT_GT(handler.EncodeCellFormula(u"SUM(1;5)", code, 0, 0, 0, false), 0);
  ASSERT_GT(handler.EncodeFormula(u"1,5*2", code, 0), 0);
  EXPECT_EQ(value(code), "3");
  ASSERT_GT(handler.EncodeCellFormula(u"1", code, 0, 0, 0, true), 0);
  ASSERT_GT(handler.EncodeFormula(u"SUM(1,5)", code, 0), 0);
  EXPECT_EQ(value(code), "6");
  EXPECT_EQ(handler.EncodeFormula(u"  ", code, 0), 0);
}

// A stored array member (0xB9) decodes as the formula of the cell it names.
TEST(FormulaHandler, DecodeArrayMember) {
  FakeWorkbook wb;
  TXLSFormulaHandler handler(&wb);
  std::vector<std::uint8_t> code;
  ASSERT_GT(handler.EncodeCellFormula(u"$A$1+B2", code, 0, 2, 0, true), 0);
  wb.Sheet().WriteFormulaPtgs(2, 0, 0, code.data(), static_cast<int>(code.size()), 0);
  // Column 2, row 0; then a cell that holds nothing.
  const std::uint8_t member[] = {xptgArrayMember97, 2, 0, 0, 0, 0, 0};
  EXPECT_EQ(handler.DecodeFormula(&wb.Sheet(), 0, member, 7, false), u"$A$1+B2");
  const std::uint8_t nowhere[] = {xptgArrayMember97, 9, 0, 9, 0, 0, 0};
  EXPECT_EQ(handler.DecodeFormula(&wb.Sheet(), 0, nowhere, 7, false), u"#REF!");
}

}  // namespace
}  // namespace formula
