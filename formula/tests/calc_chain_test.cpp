#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "formula/evaluator/calc_chain.h"
#include "formula/evaluator/evaluator.h"
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

void Formula(FakeWorkbook& Wb, const char* Cell, const std::vector<std::uint8_t>& Ptgs, int Sheet = 0,
             double Cached = 0) {
  int c = 0, r = 0;
  FakeWorkbook::Pos(Cell, c, r);
  Wb.Sheet(Sheet).WriteFormulaPtgs(c, r, 0, Ptgs.data(), static_cast<int>(Ptgs.size()), Cached);
  Wb.Sheet(Sheet).CalcDimension();
}

void Formula(FakeWorkbook& Wb, const char* Cell, const Build& F, int Sheet = 0, double Cached = 0) {
  TXLSPtgsBuilder b;
  F(b);
  Formula(Wb, Cell, b.Bytes(), Sheet, Cached);
}

std::string Text(const TXLSCalcChain& Chain) {
  TDepRefsItem item;
  for (int i = 0; i < Chain.Count(); ++i) item.Add(Chain.Items(i));
  const std::u16string t = item.LoopText();
  return std::string(t.begin(), t.end());
}

std::string Narrow(const std::u16string& T) { return std::string(T.begin(), T.end()); }

class FakeNames : public IFormulaNames {
public:
  bool GetName(int Index, TFormulaNameDef& Def) override {
    auto it = Defs.find(Index);
    if (it == Defs.end()) return false;
    Def = it->second;
    return true;
  }
  std::map<int, TFormulaNameDef> Defs;
};

class FakeExtern : public IExternSheetResolver {
public:
  bool GetExtSheetTabs(int Index, int& First, int& Last) const override {
    First = Last = -1;
    if (Index < 0 || Index >= static_cast<int>(Tabs.size())) return false;
    First = Tabs[static_cast<std::size_t>(Index)].first;
    Last = Tabs[static_cast<std::size_t>(Index)].second;
    return First == Last;
  }
  std::vector<std::pair<int, int>> Tabs;
};

struct Built {
  std::string Chain;
  bool Ok;
  std::vector<std::string> Warnings;
};

Built BuildChain(FakeWorkbook& Wb, IFormulaNames* Names = nullptr, IExternSheetResolver* Ext = nullptr) {
  TXLSCalcChainBuilder builder(&Wb);
  builder.SetNames(Names);
  builder.SetExternSheets(Ext);
  Built r;
  builder.SetWarningHandler([&](int Code, const std::u16string& T) {
    r.Warnings.push_back(std::to_string(Code) + " " + Narrow(T));
  });
  TXLSCalcChain chain;
  r.Ok = builder.Build(chain);
  r.Chain = Text(chain);
  return r;
}

// Evaluates the chain in order, as the workbook calculation does, and reads C1 back.
TEST(CalcChain, DependentsComeAfterTheirPrecedents) {
  FakeWorkbook wb;
  // Written in an order that differs from the dependency order.
  Formula(wb, "C1", Op(ptgMul, Ref("B1"), Num(2)));
  Formula(wb, "B1", Op(ptgAdd, Ref("A1"), Num(1)));
  Formula(wb, "A1", Num(1));
  TXLSCalcChainBuilder builder(&wb);
  TXLSCalcChain chain;
  ASSERT_TRUE(builder.Build(chain));
  EXPECT_EQ(Text(chain), "0!A1->0!B1->0!C1");
  TXLSFormulaEvaluator ev(&wb);
  for (int i = 0; i < chain.Count(); ++i) {
    const TCellKey k = chain.Items(i);
    workbook::TMMUCellRef ref;
    ASSERT_TRUE(wb.Sheet().FindCell(k.Col, static_cast<int>(k.Row), ref));
    const std::uint8_t* ptgs = nullptr;
    const int len = workbook::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
    TXLSFormulaValue v;
    ev.Evaluate(ptgs, len, k.Sheet, k.Col, static_cast<int>(k.Row), v);
    wb.Sheet().SetFormulaResultFloat(ref, k.Col, static_cast<int>(k.Row), v.Number);
  }
  workbook::TMMUCellRef c1;
  ASSERT_TRUE(wb.Sheet().FindCell(2, 0, c1));
  EXPECT_EQ(workbook::TXLSCellMMU::GetFormulaFloat(c1), 4.0);
}

TEST(CalcChain, Cases) {
  struct Case {
    const char* Name;
    std::function<void(FakeWorkbook&)> Setup;
    std::string Chain;
    bool Ok;
    std::vector<std::string> Warnings;
  };
  const std::vector<Case> cases = {
      {"loop sets aside only itself and its dependents",
       [](FakeWorkbook& wb) {
         Formula(wb, "A1", Ref("B1"));
         Formula(wb, "B1", Ref("A1"));
         Formula(wb, "D1", Op(ptgAdd, Ref("A1"), Num(1)));
         Formula(wb, "C2", Op(ptgAdd, Num(1), Num(1)));
         Formula(wb, "C3", Op(ptgAdd, Ref("C2"), Num(1)));
       },
       "0!C2->0!C3", false, {"3002 Circular formula \"0!A1->0!B1\""}},
      {"self reference is no loop", [](FakeWorkbook& wb) { Formula(wb, "A1", Op(ptgAdd, Ref("A1"), Num(1))); },
       "0!A1", true, {}},
      // Values are no formula cells: only formula precedents order the chain.
      {"area band over formulas and values",
       [](FakeWorkbook& wb) {
         wb.Num("B2", 5);
         Formula(wb, "A1", Fn("SUM", {Ref("B1", "C3")}));
         Formula(wb, "C3", Num(2));
         Formula(wb, "D2", Num(3));
         Formula(wb, "B1", Num(4));
       },
       "0!B1->0!D2->0!C3->0!A1", true, {}},
      {"lookup tables add dependencies",
       [](FakeWorkbook& wb) {
         Formula(wb, "A1", Fn("VLOOKUP", {Num(1), Ref("B1", "C2"), Num(2), testing::Bool(false)}));
         Formula(wb, "C2", Num(7));
       },
       "0!C2->0!A1", true, {}},
      {"3-D references reach other sheets",
       [](FakeWorkbook& wb) {
         Formula(wb, "A1", Op(ptgAdd, Ref("B2", nullptr, 1), Ref("A1", "A9", 1)));
         Formula(wb, "B2", Num(1), 1);
         Formula(wb, "A5", Num(1), 1);
         Formula(wb, "B2", Num(1), 0);
       },
       "0!B2->1!B2->1!A5->0!A1", true, {}},
      {"BIFF8 reference with flag bits",
       [](FakeWorkbook& wb) {
         // =A2+1 with both relative bits set in the column word.
         Formula(wb, "B1", WrapBIFF8({0x44, 0x01, 0x00, 0x00, 0xC0, 0x1E, 0x01, 0x00, 0x03}));
         Formula(wb, "A2", Num(1));
       },
       "0!A2->0!B1", true, {}},
      {"BIFF8 memory function: its subexpression counts",
       [](FakeWorkbook& wb) {
         Formula(wb, "B1", WrapBIFF8({0x29, 0x05, 0x00, 0x44, 0x01, 0x00, 0x00, 0xC0, 0x1E, 0x01, 0x00, 0x03}));
         Formula(wb, "A2", Num(1));
       },
       "0!A2->0!B1", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FakeWorkbook wb(2);
    c.Setup(wb);
    const Built r = BuildChain(wb);
    EXPECT_EQ(r.Chain, c.Chain);
    EXPECT_EQ(r.Ok, c.Ok);
    EXPECT_EQ(r.Warnings, c.Warnings);
  }
}

// Names add dependencies whatever they are defined as: a cell, an area, or a formula.
TEST(CalcChain, NamesAddDependencies) {
  FakeWorkbook wb;
  FakeNames names;
  TFormulaNameDef cell;
  cell.Kind = TFormulaNameDef::nkCell;
  cell.Col1 = cell.Col2 = 0;
  cell.Row1 = cell.Row2 = 0;
  names.Defs[0] = cell;
  TXLSPtgsBuilder sum;
  Fn("SUM", {Ref("A2", "A3", 0)})(sum);
  TFormulaNameDef formula;
  formula.Kind = TFormulaNameDef::nkFormula;
  formula.Ptgs = sum.Bytes().data();
  formula.Len = sum.Size();
  names.Defs[1] = formula;
  // A name that refers to itself must not hang the scan.
  TXLSPtgsBuilder self;
  self.Name(2);
  TFormulaNameDef loop;
  loop.Kind = TFormulaNameDef::nkFormula;
  loop.Ptgs = self.Bytes().data();
  loop.Len = self.Size();
  names.Defs[2] = loop;
  // Nor one that refers to itself twice (N = N+N), nor a name met in two formulas.
  TXLSPtgsBuilder twice;
  twice.Name(3);
  twice.Name(3);
  twice.Op(ptgAdd);
  TFormulaNameDef wide = loop;
  wide.Ptgs = twice.Bytes().data();
  wide.Len = twice.Size();
  names.Defs[3] = wide;

  Formula(wb, "C1", [](TXLSPtgsBuilder& b) { b.Name(0); });
  Formula(wb, "C2", [](TXLSPtgsBuilder& b) { b.Name(1); });
  // BIFF8 name token (one-based index 2 = name 1).
  Formula(wb, "C3", WrapBIFF8({0x43, 0x02, 0x00, 0x00, 0x00}));
  Formula(wb, "C4", [](TXLSPtgsBuilder& b) { b.Name(2); });
  Formula(wb, "C5", [](TXLSPtgsBuilder& b) { b.Name(3); });
  Formula(wb, "C6", [](TXLSPtgsBuilder& b) { b.Name(1); });
  Formula(wb, "A1", Num(1));
  Formula(wb, "A3", Num(1));
  const Built r = BuildChain(wb, &names);
  EXPECT_TRUE(r.Ok);
  EXPECT_EQ(r.Chain, "0!A1->0!A3->0!C4->0!C5->0!C1->0!C2->0!C3->0!C6");
}

TEST(CalcChain, BIFF8ExternSheetReferences) {
  FakeWorkbook wb(3);
  FakeExtern ext;
  ext.Tabs = {{2, 2}, {1, 2}};
  // Entry 1 spans sheets 1..2: an area 0x3B over A1:A2; entry 0 is sheet 2: a cell 0x3A at B1.
  Formula(wb, "A1", WrapBIFF8({0x3B, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x00, 0xC0, 0x3A, 0x00,
                                0x00, 0x00, 0x00, 0x01, 0x00, 0x03}));
  Formula(wb, "A2", Num(1), 1);
  Formula(wb, "A2", Num(1), 2);
  Formula(wb, "B1", Num(1), 2);
  const Built r = BuildChain(wb, nullptr, &ext);
  EXPECT_EQ(r.Chain, "1!A2->2!B1->2!A2->0!A1");
}

// Token strings from files may be cut short: the build stops with an error, never reads past them.
TEST(CalcChain, TruncatedTokensRaise) {
  const std::vector<std::vector<std::uint8_t>> bad = {
      {0xFF, 0x44, 0x01, 0x00},                    // reference cut short
      {0xFE, 0x09, 0x00, 0x1E, 0x01, 0x00},        // extra data longer than the string
      {0xFF, 0x29, 0x09, 0x00, 0x44, 0x01},        // memory function around a cut reference
      {xptgArea, 0x00, 0x00},                      // library area cut short
  };
  for (const auto& t : bad) {
    FakeWorkbook wb;
    Formula(wb, "A1", t);
    TXLSCalcChainBuilder builder(&wb);
    TXLSCalcChain chain;
    EXPECT_THROW(builder.Build(chain), workbook::Exception);
  }
}

TEST(CalcChain, UncompiledFormulaNamesTheCell) {
  FakeWorkbook wb;
  workbook::TXLSFormulaHelper& f = wb.Sheet().FormulaHelper();
  f.Clear();
  f.Col = 1;
  f.Row = 1;
  f.SourceText = u"A1+1";
  f.SetResultFloat(0);
  wb.Sheet().WriteFormula();
  wb.Sheet().CalcDimension();
  TXLSCalcChainBuilder builder(&wb);
  builder.SetSheetNames([](int) { return std::u16string(u"Data"); });
  TXLSCalcChain chain;
  try {
    builder.Build(chain);
    FAIL() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(" [Data!B2]"), std::string::npos) << e.what();
  }
}

// The report shape: a long dependency chain next to independent formulas stays fast and ordered.
// Areas over many formula cells of a column: every formula still comes after each formula cell of
// its areas, with overlapping, nested and partial ranges; a loop through such an area sets aside
// only the cells on it and names only cells.
TEST(CalcChain, WideAreasOverFormulaCells) {
  FakeWorkbook wb;
  const int n = 300;
  std::vector<std::pair<int, int>> areas;  // (first row, last row) of column B read by column C
  for (int r = 0; r < n; ++r) {
    TXLSPtgsBuilder b;
    b.Number(r);
    wb.Sheet().WriteFormulaPtgs(1, r, 0, b.Bytes().data(), b.Size(), 0);  // B: formulas
  }
  for (int r = 0; r < n; ++r) {
    const int first = (r * 7) % 200, last = std::min(n - 1, first + 33 + (r * 13) % 90);
    areas.emplace_back(first, last);
    TXLSPtgsBuilder b;
    b.Area(1, first, 1, last);
    b.FuncVar(1, 4);  // SUM
    wb.Sheet().WriteFormulaPtgs(2, r, 0, b.Bytes().data(), b.Size(), 0);
  }
  wb.Sheet().CalcDimension();
  TXLSCalcChainBuilder builder(&wb);
  TXLSCalcChain chain;
  ASSERT_TRUE(builder.Build(chain));
  ASSERT_EQ(chain.Count(), 2 * n);
  std::map<std::pair<int, int>, int> at;
  for (int i = 0; i < chain.Count(); ++i) {
    const TCellKey k = chain.Items(i);
    ASSERT_EQ(k.Sheet, 0);
    at[{k.Col, static_cast<int>(k.Row)}] = i;
  }
  ASSERT_EQ(at.size(), static_cast<std::size_t>(2 * n));
  for (int r = 0; r < n; ++r)
    for (int b = areas[static_cast<std::size_t>(r)].first; b <= areas[static_cast<std::size_t>(r)].second; ++b)
      ASSERT_LT((at[{1, b}]), (at[{2, r}])) << "C" << r + 1 << " before B" << b + 1;

  // D1 sums E1:E100, whose E50 reads D1: one loop, D1 and E50 set aside, the rest calculated.
  FakeWorkbook loop;
  Formula(loop, "D1", Fn("SUM", {Ref("E1", "E100")}));
  for (int r = 1; r <= 100; ++r) {
    const std::string cell = "E" + std::to_string(r);
    if (r == 50)
      Formula(loop, cell.c_str(), Op(ptgAdd, Ref("D1"), Num(1)));
    else
      Formula(loop, cell.c_str(), Num(r));
  }
  Formula(loop, "F1", Fn("SUM", {Ref("E1", "E49")}));
  const Built r = BuildChain(loop);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Warnings, std::vector<std::string>{"3002 Circular formula \"0!D1->0!E50\""});
  EXPECT_EQ(r.Chain.find("D1"), std::string::npos);
  EXPECT_EQ(r.Chain.find("E50"), std::string::npos);
  EXPECT_NE(r.Chain.find("0!F1"), std::string::npos);
  EXPECT_NE(r.Chain.find("0!E100"), std::string::npos);
  EXPECT_EQ(r.Chain.find("65535"), std::string::npos);
}

TEST(CalcChain, LongDependencyChain) {
  FakeWorkbook wb;
  const int n = 20000;
  for (int r = 0; r < n; ++r) {
    TXLSPtgsBuilder b;
    if (r == 0)
      b.Number(1);
    else {
      b.Ref(1, r - 1);
      b.Ref(0, r);
      b.Op(ptgAdd);
    }
    wb.Sheet().WriteFormulaPtgs(1, r, 0, b.Bytes().data(), b.Size(), 0);
  }
  wb.Sheet().CalcDimension();
  TXLSCalcChainBuilder builder(&wb);
  TXLSCalcChain chain;
  ASSERT_TRUE(builder.Build(chain));
  ASSERT_EQ(chain.Count(), n);
  for (int i = 0; i < n; ++i) ASSERT_EQ(chain.Items(i).Row, static_cast<std::uint32_t>(i));
}

}  // namespace
}  // namespace formula
