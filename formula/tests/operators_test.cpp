#include <gtest/gtest.h>

#include <functional>

#include "formula/evaluator/value_stack.h"
#include "formula/language/byte_code.h"
#include "formula/tests/fake_workbook.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

using testing::FakeWorkbook;

// A value pushed onto the stack: a constant or a reference into the fixture sheet.
using Push = std::function<void(TValueStack&)>;
Push Num(double v) { return [=](TValueStack& s) { s.PushFloat(v); }; }
Push Str(std::u16string v) { return [=](TValueStack& s) { s.PushString(v); }; }
Push Bool(bool v) { return [=](TValueStack& s) { s.PushBool(v); }; }
Push Err(std::uint8_t v) { return [=](TValueStack& s) { s.PushError(v); }; }
Push Empty() { return [](TValueStack& s) { s.PushEmpty(); }; }
Push Cell(const char* ref) {
  return [=](TValueStack& s) {
    int c, r;
    FakeWorkbook::Pos(ref, c, r);
    s.PushCellRefHere(c, r);
  };
}
Push Area(const char* a, const char* b) {
  return [=](TValueStack& s) {
    int c1, r1, c2, r2;
    FakeWorkbook::Pos(a, c1, r1);
    FakeWorkbook::Pos(b, c2, r2);
    s.PushAreaHere(c1, r1, c2, r2);
  };
}
Push Arr(int cols, int rows, std::vector<double> v) {
  return [=](TValueStack& s) {
    auto a = std::make_unique<TXLSArrayItem>(cols, rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) a->SetFloat(c, r, v[static_cast<std::size_t>(r * cols + c)]);
    s.PushArray(std::move(a));
  };
}

// The result as text: numbers in their text form, booleans TRUE/FALSE, errors by name, arrays as
// {a,b;c,d}.
std::u16string Show(TValueStack& s, const TXLSFormulaValue& v) {
  if (v.Kind == fvkArray) {
    std::u16string out = u"{";
    for (int r = 0; r < v.Array->RowCount(); ++r) {
      if (r) out += u";";
      for (int c = 0; c < v.Array->ColCount(); ++c) {
        if (c) out += u",";
        TXLSFormulaValue e;
        v.Array->GetFormulaValue(c, r, e);
        out += Show(s, e);
      }
    }
    return out + u"}";
  }
  if (v.Kind == fvkCell || v.Kind == fvkArea)
    return u"ref " + (v.Col1 == v.Col2 && v.Row1 == v.Row2 ? workbook::ColRowToRefStr(v.Col1, v.Row1)
                                                           : workbook::AreaToRefStr(v.Col1, v.Row1, v.Col2, v.Row2));
  if (v.Kind == fvkAreaList) {
    std::u16string out = u"list";
    for (int i = 0; i < v.Areas->Count(); ++i) out += u" " + v.Areas->GetItem(i)->GetAsText();
    return out;
  }
  switch (v.ValueType) {
    case fvtEmpty:
      return u"<empty>";
    case fvtString:
      return u"\"" + v.Text + u"\"";
    case fvtBoolean:
      return v.BoolErr ? u"TRUE" : u"FALSE";
    case fvtError:
      return ErrorText(v.BoolErr);
    default:
      return s.NumberText(v.Number);
  }
}

class OperatorsTest : public ::testing::Test {
protected:
  OperatorsTest() : s(&wb) {
    wb.Num("A1", 1);
    wb.Num("A2", 2);
    wb.Str("B1", u"abc");
    wb.Bool("B2", true);
    wb.Str("B3", u"");
    wb.Err("B4", errNA);
    s.Reset(false, 0, 5, 1);  // formula cell F2
  }
  std::u16string Binary(std::uint8_t op, const Push& a, const Push& b, bool arrayMode = false) {
    s.Reset(arrayMode, 0, 5, 1);
    a(s);
    b(s);
    if (op >= ptgAdd && op <= ptgPower)
      s.Arith(op);
    else if (op == ptgConcat)
      s.Concat();
    else if (op >= ptgLT && op <= ptgNE)
      s.Compare(op);
    else
      s.RefOperator(op);
    EXPECT_EQ(s.Top, 0);
    return Show(s, s.TopValue());
  }
  FakeWorkbook wb;
  TValueStack s;
};

TEST_F(OperatorsTest, ArithmeticAndConcatenation) {
  struct Case {
    std::uint8_t Op;
    Push A, B;
    const char16_t* Want;
  } cases[] = {
      {ptgAdd, Num(1), Str(u"2"), u"3"},
      {ptgAdd, Num(1), Str(u"abc"), u"#VALUE!"},
      {ptgAdd, Num(1), Bool(true), u"2"},
      {ptgAdd, Cell("Z9"), Num(1), u"1"},
      {ptgAdd, Num(1), Str(u"1/2/1900"), u"4"},
      {ptgPower, Num(2), Num(-1), u"0.5"},
      {ptgPower, Num(0), Num(0), u"1"},
      {ptgPower, Num(-8), Num(1.0 / 3), u"#NUM!"},
      {ptgPower, Num(0), Num(-1), u"#DIV/0!"},
      {ptgPower, Num(10), Num(400), u"#NUM!"},
      {ptgMul, Num(1e200), Num(1e200), u"#NUM!"},
      {ptgDiv, Num(5), Num(0), u"#DIV/0!"},
      {ptgDiv, Num(5), Empty(), u"#DIV/0!"},
      {ptgSub, Err(errNA), Err(errDiv0), u"#N/A"},
      {ptgSub, Num(1), Err(errDiv0), u"#DIV/0!"},
      {ptgAdd, Area("A1", "A3"), Num(1), u"3"},     // A2 by implicit intersection from F2
      {ptgAdd, Area("A1", "B1"), Num(1), u"#VALUE!"},  // no intersection
      {ptgConcat, Num(1.5), Str(u"x"), u"\"1.5x\""},
      {ptgConcat, Num(1.0 / 3), Str(u""), u"\"0.333333333333333\""},
      {ptgConcat, Bool(true), Num(1), u"\"TRUE1\""},
      {ptgConcat, Empty(), Cell("B1"), u"\"abc\""},
      {ptgConcat, Num(1e20), Num(-1e-20), u"\"1E+20-1E-20\""},
      {ptgConcat, Str(u"a"), Cell("B4"), u"#N/A"},
  };
  for (const auto& c : cases) EXPECT_EQ(Binary(c.Op, c.A, c.B), c.Want) << (int)c.Op << " " << std::string(c.Want, c.Want + std::char_traits<char16_t>::length(c.Want)).size();
}

TEST_F(OperatorsTest, Comparisons) {
  struct Case {
    std::uint8_t Op;
    Push A, B;
    bool Want;
  } cases[] = {
      {ptgLT, Str(u"a"), Str(u"B"), true},
      {ptgEQ, Str(u"a"), Str(u"A"), true},
      {ptgLT, Num(1), Str(u"0"), true},     // numbers before texts
      {ptgEQ, Bool(true), Str(u"x"), false},  // booleans never equal texts
      {ptgNE, Bool(true), Str(u"TRUE"), true},
      {ptgGT, Bool(true), Num(5), true},
      {ptgGT, Bool(false), Str(u"zzz"), true},  // texts before booleans
      {ptgEQ, Cell("Z1"), Cell("Z2"), true},    // empty equals empty
      {ptgNE, Cell("Z1"), Cell("Z2"), false},
      {ptgEQ, Cell("Z1"), Str(u""), true},
      {ptgNE, Cell("Z1"), Str(u""), false},
      {ptgEQ, Cell("Z1"), Num(0), true},
      {ptgEQ, Cell("Z1"), Bool(false), true},
      {ptgLT, Cell("Z1"), Num(-1), false},
      {ptgEQ, Cell("B3"), Cell("Z1"), true},
      {ptgGE, Cell("A2"), Num(2), true},
      {ptgLE, Str(u"abc"), Str(u"ABD"), true},
      {ptgGT, Str(u"ab"), Str(u"a"), true},
      {ptgEQ, Str(u"\u4E2D"), Str(u"\u6587"), false},  // no narrowing to a code page
  };
  for (const auto& c : cases) EXPECT_EQ(Binary(c.Op, c.A, c.B), c.Want ? u"TRUE" : u"FALSE") << (int)c.Op;
  EXPECT_EQ(Binary(ptgEQ, Err(errNA), Err(errDiv0)), u"#N/A");
  EXPECT_EQ(Binary(ptgEQ, Num(1), Cell("B4")), u"#N/A");
  EXPECT_EQ(Binary(ptgEQ, Area("A1", "B1"), Num(1)), u"#VALUE!");
}

TEST_F(OperatorsTest, ReferenceOperators) {
  EXPECT_EQ(Binary(ptgIsect, Area("A1", "B2"), Area("A2", "C3")), u"ref A2:B2");
  EXPECT_EQ(Binary(ptgIsect, Area("A1", "A2"), Cell("C1")), u"#NULL!");
  EXPECT_EQ(Binary(ptgIsect, Area("A1", "B2"), Area("B2", "C3")), u"ref B2");
  EXPECT_EQ(Binary(ptgRange, Cell("B3"), Cell("A1")), u"ref A1:B3");
  EXPECT_EQ(Binary(ptgRange, Cell("A1"), Num(1)), u"#VALUE!");
  EXPECT_EQ(Binary(ptgIsect, Num(1), Cell("A1")), u"#VALUE!");
  // (A1,B1),(C1,D1): four areas in order.
  s.Reset(false, 0, 0, 0);
  Cell("A1")(s);
  Cell("B1")(s);
  s.RefOperator(ptgUnion);
  Cell("C1")(s);
  Cell("D1")(s);
  s.RefOperator(ptgUnion);
  s.RefOperator(ptgUnion);
  EXPECT_EQ(Show(s, s.TopValue()), u"list A1 B1 C1 D1");
  Num(1)(s);
  s.RefOperator(ptgUnion);
  EXPECT_EQ(Show(s, s.TopValue()), u"#NULL!");
  EXPECT_EQ(Binary(ptgUnion, Num(1), Cell("A1")), u"#VALUE!");
  // A reference on another sheet does not combine into one area.
  FakeWorkbook two(2);
  TValueStack t(&two);
  t.Reset(false, 0, 0, 0);
  t.PushAreaOn(0, 0, 0, 1, 1);
  t.PushAreaOn(1, 0, 0, 1, 1);
  t.RefOperator(ptgIsect);
  EXPECT_EQ(t.TopValue().BoolErr, errValue);
}

TEST_F(OperatorsTest, UnaryOperators) {
  struct Case {
    std::uint8_t Op;
    Push A;
    const char16_t* Want;
  } cases[] = {
      {ptgUminus, Num(2), u"-2"},      {ptgUminus, Str(u"3"), u"-3"},  {ptgPercent, Num(50), u"0.5"},
      {ptgUminus, Err(errRef), u"#REF!"}, {ptgUminus, Cell("Z1"), u"0"}, {ptgUplus, Str(u"x"), u"\"x\""},
      {ptgUplus, Cell("A1"), u"ref A1"}, {ptgUminus, Str(u"x"), u"#VALUE!"},
  };
  for (const auto& c : cases) {
    s.Reset(false, 0, 0, 0);
    c.A(s);
    s.Unary(c.Op);
    EXPECT_EQ(Show(s, s.TopValue()), c.Want);
  }
}

TEST_F(OperatorsTest, ConversionMatrix) {
  struct Case {
    Push V;
    const char16_t* Number;  // ToNumber: value or error; "-" when it counts as no number
    const char16_t* Text;
    const char16_t* Boolean;
  } cases[] = {
      {Empty(), u"-", u"", u"FALSE"},
      {Num(0.1), u"0.1", u"0.1", u"TRUE"},
      {Num(0), u"0", u"0", u"FALSE"},
      {Bool(true), u"1", u"TRUE", u"TRUE"},
      {Err(errNum), u"#NUM!", u"#NUM!", u"#NUM!"},
      {Str(u" 12.5 "), u"12.5", u" 12.5 ", u"TRUE"},
      {Str(u"0"), u"0", u"0", u"FALSE"},
      {Str(u"true"), u"#VALUE!", u"true", u"TRUE"},
      {Str(u"x"), u"#VALUE!", u"x", u"#VALUE!"},
      {Str(u"13:30"), u"0.5625", u"13:30", u"#VALUE!"},
      {Cell("Z1"), u"-", u"", u"FALSE"},
      {Cell("B2"), u"1", u"TRUE", u"TRUE"},
      {Area("A1", "A3"), u"2", u"2", u"TRUE"},
      {Area("C1", "D5"), u"#VALUE!", u"#VALUE!", u"#VALUE!"},
      {Arr(1, 1, {5}), u"-", u"", u"FALSE"},
  };
  for (const auto& c : cases) {
    s.Reset(false, 0, 5, 1);
    c.V(s);
    const TXLSFormulaValue v = s.TopValue();
    double d = 0;
    std::uint8_t err = 0;
    const bool isNumber = s.ToNumber(v, d, err);
    const std::u16string num = err ? ErrorText(err) : (isNumber ? s.NumberText(d) : u"-");
    EXPECT_EQ(num, c.Number) << std::u16string(c.Text).size();
    std::u16string text;
    err = s.ToText(v, text);
    EXPECT_EQ(err ? ErrorText(err) : text, c.Text);
    bool b = false;
    err = s.ToBoolean(v, b);
    EXPECT_EQ(err ? ErrorText(err) : (b ? u"TRUE" : u"FALSE"), c.Boolean);
  }
  // Strict integers: a referenced boolean or text is no number; an area is #VALUE!.
  double d = 0;
  std::uint8_t err = 0;
  s.Reset(false, 0, 0, 0);
  Cell("B2")(s);
  EXPECT_FALSE(s.ToNumberStrict(s.TopValue(), d, err));
  EXPECT_EQ(err, 0);
  Area("A1", "A2")(s);
  EXPECT_TRUE(s.ToNumberStrict(s.TopValue(), d, err));
  EXPECT_EQ(err, errValue);
  // A comma-decimal locale reads and writes ',' as the decimal separator.
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  s.SetLocale(&comma);
  EXPECT_EQ(Binary(ptgConcat, Num(1.5), Str(u"")), u"\"1,5\"");
  EXPECT_EQ(Binary(ptgAdd, Str(u"1,5"), Num(1)), u"2,5");
  EXPECT_EQ(Binary(ptgAdd, Str(u"2.2.1900"), Num(0)), u"34");
  s.SetLocale(nullptr);
}

TEST_F(OperatorsTest, ElementWiseOperators) {
  struct Case {
    std::uint8_t Op;
    Push A, B;
    const char16_t* Want;
  } cases[] = {
      {ptgAdd, Arr(1, 3, {1, 2, 3}), Arr(1, 2, {10, 20}), u"{11;22;#N/A}"},
      {ptgMul, Arr(1, 3, {1, 2, 3}), Num(2), u"{2;4;6}"},
      {ptgMul, Arr(2, 1, {1, 2}), Arr(1, 2, {1, 2}), u"{1,2;2,4}"},
      {ptgGT, Arr(1, 3, {1, 2, 3}), Arr(1, 1, {2}), u"{FALSE;FALSE;TRUE}"},
      {ptgDiv, Arr(2, 1, {1, 2}), Arr(2, 1, {0, 4}), u"{#DIV/0!,0.5}"},
      {ptgConcat, Arr(2, 1, {1, 2}), Str(u"x"), u"{\"1x\",\"2x\"}"},
      {ptgAdd, Arr(2, 2, {1, 2, 3, 4}), Arr(3, 1, {10, 20, 30}), u"{11,22,#N/A;13,24,#N/A}"},
  };
  for (const auto& c : cases) EXPECT_EQ(Binary(c.Op, c.A, c.B), c.Want);
  // In an array formula an area operand is taken element by element.
  EXPECT_EQ(Binary(ptgAdd, Area("A1", "A2"), Num(1), true), u"{2;3}");
  EXPECT_EQ(Binary(ptgAdd, Area("B1", "B4"), Num(1), true), u"{#VALUE!;2;#VALUE!;#N/A}");
  EXPECT_EQ(Binary(ptgEQ, Area("B1", "B2"), Str(u"ABC"), true), u"{TRUE;FALSE}");
  s.Reset(false, 0, 0, 0);
  Arr(2, 1, {1, -2})(s);
  s.Unary(ptgUminus);
  EXPECT_EQ(Show(s, s.TopValue()), u"{-1,2}");
  // An area list cannot become an array.
  s.Reset(true, 0, 0, 0);
  s.PushAreaList(0, 0, 0, 0, 0, 0);
  EXPECT_THROW(s.PopAsArray(true), workbook::Exception);
}

}  // namespace
}  // namespace formula
