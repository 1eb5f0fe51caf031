#include "formula/evaluator/value_stack.h"

#include <functional>

#include <gtest/gtest.h>

#include "formula/tests/fake_workbook.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

using testing::FakeWorkbook;

std::string Message(const std::function<void()>& F) {
  try {
    F();
  } catch (const workbook::Exception& e) {
    return e.what();
  }
  return "";
}

// Positions an iterator visits, as "A1" texts.
std::vector<std::u16string> Visits(TValStackIterator& it) {
  std::vector<std::u16string> out;
  while (it.Next()) out.push_back(workbook::ColRowToRefStr(it.CurrentCol(), it.CurrentRow()));
  return out;
}

class ValueStackTest : public ::testing::Test {
protected:
  ValueStackTest() : wb(2), s(&wb) { s.Reset(false, 0, 3, 6); }  // formula cell D7
  FakeWorkbook wb;
  TValueStack s;
};

TEST_F(ValueStackTest, ArgumentWindowDiscardsUnreadArguments) {
  s.PushFloat(99);  // below the call
  s.PushFloat(1);
  s.PushString(u"x");
  s.PushBool(true);
  s.BeginArgs(3);
  TXLSFormulaValue v;
  s.PopArg(v);
  EXPECT_EQ(v.ValueType, fvtBoolean);
  s.PeekArg(0, v);
  EXPECT_EQ(v.Text, u"x");
  s.PopArg(v);
  s.PushFloat(42);  // the function's one result lands in the first argument's slot
  EXPECT_EQ(s.Top, 1);
  EXPECT_EQ(s.At(1).Number, 42);
  EXPECT_EQ(s.At(0).Number, 99);
}

TEST_F(ValueStackTest, ReadingBelowTheBottomRaises) {
  TXLSFormulaValue v;
  EXPECT_EQ(Message([&] { s.PopTop(v); }), "Empty stack");
  EXPECT_EQ(Message([&] { s.BeginArgs(1); }), "Empty stack");
  s.PushFloat(1);
  s.BeginArgs(1);
  s.PopArg(v);
  EXPECT_EQ(Message([&] { s.PopArg(v); }), "Empty stack");
  s.Reset(false, 0, 0, 0);
  EXPECT_EQ(Message([&] { s.DropOperand(); }), "Missing operand in expression");
  EXPECT_EQ(s.Top, -1);
}

TEST_F(ValueStackTest, TypedReadersOfAnEmptyCell) {
  s.PushCellRefHere(0, 0);  // A1 holds nothing
  EXPECT_EQ(s.TopValue().NoCell, 1);
  s.BeginArgs(1);
  double d = -1;
  EXPECT_TRUE(s.PopFloat(d));
  EXPECT_EQ(d, 0);
  s.Reset(false, 0, 0, 0);
  s.PushCellRefHere(0, 0);
  s.BeginArgs(1);
  EXPECT_FALSE(s.PeekNumber(0, d));
  EXPECT_EQ(s.TopValue().ValueType, fvtError);
  EXPECT_EQ(s.TopValue().BoolErr, errValue);
}

TEST_F(ValueStackTest, TypedReaderTable) {
  struct Case {
    const char* Name;
    std::function<void(TValueStack&)> Push;
    std::function<bool(TValueStack&)> Read;
    std::uint8_t Error;  // 0: the read succeeds
  } cases[] = {
      {"date 0", [](TValueStack& t) { t.PushFloat(0); }, [](TValueStack& t) { double d; return t.PopDate(d); }, errValue},
      {"date 1", [](TValueStack& t) { t.PushFloat(1); }, [](TValueStack& t) { double d; return t.PopDate(d); }, 0},
      {"date max", [](TValueStack& t) { t.PushFloat(2958465); }, [](TValueStack& t) { double d; return t.PopDate(d); }, 0},
      {"date past", [](TValueStack& t) { t.PushFloat(2958466); }, [](TValueStack& t) { double d; return t.PopDate(d); }, errValue},
      {"float of text", [](TValueStack& t) { t.PushString(u"abc"); }, [](TValueStack& t) { double d; return t.PopFloat(d); }, errValue},
      {"float of error", [](TValueStack& t) { t.PushError(errNA); }, [](TValueStack& t) { double d; return t.PopFloat(d); }, errNA},
      {"int truncates", [](TValueStack& t) { t.PushFloat(-2.7); }, [](TValueStack& t) { std::int32_t i; return t.PopInt(i) && i == -2; }, 0},
      {"int too big", [](TValueStack& t) { t.PushFloat(3e9); }, [](TValueStack& t) { std::int32_t i; return t.PopInt(i); }, errNum},
      {"int of date text", [](TValueStack& t) { t.PushString(u"1/2/2020"); }, [](TValueStack& t) { std::int32_t i; return t.PopInt(i); }, errValue},
      {"int min", [](TValueStack& t) { t.PushFloat(0); }, [](TValueStack& t) { std::int32_t i; return t.PopIntMin(1, i); }, errValue},
      {"string empty", [](TValueStack& t) { t.PushString(u""); }, [](TValueStack& t) { std::u16string x; return t.PopString(false, x); }, errValue},
      {"string empty allowed", [](TValueStack& t) { t.PushString(u""); }, [](TValueStack& t) { std::u16string x; return t.PopString(true, x); }, 0},
      {"string of number", [](TValueStack& t) { t.PushFloat(0.5); }, [](TValueStack& t) { std::u16string x; return t.PopString(false, x) && x == u"0.5"; }, 0},
      {"bool of text", [](TValueStack& t) { t.PushString(u"false"); }, [](TValueStack& t) { bool b = true; return t.PopBool(b) && !b; }, 0},
      {"bool of other text", [](TValueStack& t) { t.PushString(u"yes"); }, [](TValueStack& t) { bool b; return t.PopBool(b); }, errValue},
      {"source of text", [](TValueStack& t) { t.PushString(u"yes"); }, [](TValueStack& t) { return t.PopCellsSource() != nullptr; }, errValue},
  };
  for (const auto& c : cases) {
    s.Reset(false, 0, 0, 0);
    c.Push(s);
    s.BeginArgs(1);
    const bool ok = c.Read(s);
    EXPECT_EQ(ok, c.Error == 0) << c.Name;
    if (c.Error) {
      ASSERT_EQ(s.Top, 0) << c.Name;
      EXPECT_EQ(s.TopValue().ValueType, fvtError) << c.Name;
      EXPECT_EQ(s.TopValue().BoolErr, c.Error) << c.Name;
    } else {
      EXPECT_EQ(s.Top, -1) << c.Name;
    }
  }
  s.Reset(false, 0, 0, 0);
  TXLSFormulaValue x;
  x.Kind = fvkXArea;
  s.PushValue(x);
  s.BeginArgs(1);
  EXPECT_EQ(Message([&] { s.PopCellsSource(); }), "TODO XArea");
}

TEST_F(ValueStackTest, ReadCellByKind) {
  wb.Num("A1", 2.5);
  wb.Str("B1", u"t");
  wb.Bool("C1", true);
  wb.Err("D1", errDiv0);
  wb.Blank("E1");
  struct Case {
    int Col;
    std::uint8_t Type, NoCell;
  } cases[] = {{0, fvtFloat, 0}, {1, fvtString, 0}, {2, fvtBoolean, 0}, {3, fvtError, 0}, {4, fvtEmpty, 0}, {5, fvtEmpty, 1}};
  for (const auto& c : cases) {
    TXLSFormulaValue v;
    s.ReadCell(&wb.Sheet(), c.Col, 0, v);
    EXPECT_EQ(v.ValueType, c.Type) << c.Col;
    EXPECT_EQ(v.NoCell, c.NoCell) << c.Col;
  }
  s.PushCellRefHere(1, 0);
  EXPECT_EQ(s.TopValue().Kind, fvkCell);
  EXPECT_EQ(s.TopValue().Text, u"t");
  s.PushCellRefOn(7, 0, 0);  // no such sheet
  EXPECT_EQ(s.TopValue().BoolErr, errRef);
}

TEST_F(ValueStackTest, ImplicitIntersection) {
  wb.Num("B7", 7);
  int c = 3, r = 6;  // D7
  TXLSFormulaValue a;
  a.Kind = fvkArea;
  a.Cells = &wb.Sheet();
  a.Col1 = a.Col2 = 1;
  a.Row1 = 4;
  a.Row2 = 8;  // B5:B9
  EXPECT_TRUE(s.IntersectArea(a, c, r));
  EXPECT_EQ(c, 1);
  EXPECT_EQ(r, 6);
  a.Col2 = 2;  // B5:C9
  c = 3, r = 6;
  EXPECT_FALSE(s.IntersectArea(a, c, r));
  a.Col2 = 1;
  ASSERT_TRUE(s.ImplicitIntersection(a));
  EXPECT_EQ(a.Kind, fvkCell);
  EXPECT_EQ(a.Number, 7);
  TXLSFormulaValue row;  // C2:F2 from D7: column D of row 2
  row.Kind = fvkArea;
  row.Col1 = 2, row.Col2 = 5, row.Row1 = row.Row2 = 1;
  c = 3, r = 6;
  EXPECT_TRUE(s.IntersectArea(row, c, r));
  EXPECT_EQ(c, 3);
  EXPECT_EQ(r, 1);
}

TEST_F(ValueStackTest, AreaWalkIsClippedToTheUsedArea) {
  for (const char* ref : {"B2", "B3", "B4", "B5"}) wb.Num(ref, 1);
  TXLSFormulaValue a;
  s.PushAreaHere(0, 0, 2, 65535);  // A1:C65536
  a = s.TopValue();
  s.Iterator().Init(a, false);
  EXPECT_EQ(Visits(s.Iterator()), (std::vector<std::u16string>{u"B2", u"B3", u"B4", u"B5"}));
  // An area beside the used area visits nothing; so does an empty sheet.
  s.PushAreaHere(4, 0, 5, 9);
  s.Iterator().Init(s.TopValue(), false);
  EXPECT_TRUE(Visits(s.Iterator()).empty());
  s.PushAreaOn(1, 0, 0, 3, 3);
  s.Iterator().Init(s.TopValue(), false);
  EXPECT_TRUE(Visits(s.Iterator()).empty());
}

TEST_F(ValueStackTest, PairedWalksStayAligned) {
  // Criteria range A1:A4 holds data in rows 3..4 only; the paired range C1:C4 in rows 1..2 only.
  wb.Num("A3", 1);
  wb.Num("A4", 2);
  wb.Num("C1", 10);
  wb.Num("C2", 20);
  wb.Num("C3", 30);
  wb.Num("C4", 40);
  TXLSFormulaValue a, b;
  s.PushAreaHere(0, 0, 0, 3);
  a = s.TopValue();
  s.PushAreaHere(2, 0, 2, 3);
  b = s.TopValue();
  s.Iterator().InitPair(a, b, false);
  std::vector<std::pair<double, double>> pairs;
  while (s.Iterator().Next())
    pairs.emplace_back(s.Iterator().Current().Number, s.Iterator().NextIterator()->Current().Number);
  EXPECT_EQ(pairs, (std::vector<std::pair<double, double>>{{0, 10}, {0, 20}, {1, 30}, {2, 40}}));
  // Ranges on different sheets are aligned by position too.
  wb.Num("B2", 5, 1);
  TXLSFormulaValue other;
  s.PushAreaOn(1, 1, 0, 1, 3);  // Sheet2!B1:B4
  other = s.TopValue();
  s.Iterator().InitPair(a, other, false);
  pairs.clear();
  while (s.Iterator().Next())
    pairs.emplace_back(s.Iterator().Current().Number, s.Iterator().NextIterator()->Current().Number);
  EXPECT_EQ(pairs, (std::vector<std::pair<double, double>>{{0, 0}, {0, 5}, {1, 0}, {2, 0}}));
}

TEST_F(ValueStackTest, WalkOptions) {
  wb.Num("A1", 1);
  wb.Err("A2", errDiv0);
  wb.Num("A3", 3);
  TXLSFormulaValue a;
  s.PushAreaHere(0, 0, 0, 2);
  a = s.TopValue();
  // StopAtError yields the error once, then ends.
  s.Iterator().Init(a, true);
  EXPECT_EQ(Visits(s.Iterator()).size(), 2u);
  EXPECT_EQ(s.Iterator().Current().BoolErr, errDiv0);
  s.Iterator().SkipErrors = true;
  s.Iterator().Init(a, false);
  double sum = 0;
  while (s.Iterator().NextNumber()) sum += s.Iterator().Current().Number;
  EXPECT_EQ(sum, 4);
  s.Iterator().SkipErrors = false;
  // A hidden row is passed over.
  wb.Sheet().FindRow(2).SetFlags(workbook::TMMURowHeader::rhfHidden);
  s.Iterator().SkipHiddenRows = true;
  s.Iterator().Init(a, false);
  EXPECT_EQ(Visits(s.Iterator()).size(), 2u);
  s.Iterator().SkipHiddenRows = false;
  // A direct error value walked with StopAtError: one item.
  TXLSFormulaValue e;
  e.SetError(errNA);
  s.Iterator().Init(e, true);
  EXPECT_TRUE(s.Iterator().Next());
  EXPECT_FALSE(s.Iterator().Next());
}

TEST_F(ValueStackTest, AreaListsAndArraysWalkInOrder) {
  wb.Num("A1", 1, 0);
  wb.Num("B1", 2, 0);
  wb.Num("A1", 3, 1);
  s.PushAreaList(1, 0, 0, 0, 1, 0);  // Sheet1:Sheet2!A1:B1
  TXLSFormulaValue list = s.TopValue();
  ASSERT_EQ(list.Kind, fvkAreaList);
  ASSERT_EQ(list.Areas->Count(), 2);
  s.Iterator().Init(list, false);
  std::vector<double> seen;
  while (s.Iterator().Next()) seen.push_back(s.Iterator().CurrentAsNumberA());
  EXPECT_EQ(seen, (std::vector<double>{1, 2, 3, 0}));
  auto arr = std::make_unique<TXLSArrayItem>(2, 2);
  arr->SetFloat(0, 0, 1);
  arr->SetFloat(1, 0, 2);
  arr->SetBoolean(0, 1, true);
  arr->SetString(1, 1, u"x");
  s.PushArray(std::move(arr));
  s.Iterator().Init(s.TopValue(), false);
  seen.clear();
  while (s.Iterator().Next()) seen.push_back(s.Iterator().CurrentAsNumberA());
  EXPECT_EQ(seen, (std::vector<double>{1, 2, 1, 0}));
  EXPECT_GT(s.OwnedCount(), 0);
  s.Reset(false, 0, 0, 0);
  EXPECT_EQ(s.OwnedCount(), 0);
}

TEST_F(ValueStackTest, MatrixPushesAsArray) {
  TXLSMatrix m(2, 3);
  m.Put(1, 2, 6);
  s.PushMatrix(m);
  ASSERT_EQ(s.TopValue().Kind, fvkArray);
  EXPECT_EQ(s.TopValue().Array->ColCount(), 3);
  EXPECT_EQ(s.TopValue().Array->RowCount(), 2);
  EXPECT_EQ(s.TopValue().Array->GetFloat(2, 1), 6);
}

}  // namespace
}  // namespace formula
