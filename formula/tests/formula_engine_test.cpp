// Formulas entered as text, compiled, calculated by the handler along the chain and read back from
// the cells: the functions computed in the dispatchers, INDIRECT, array formulas, data tables,
// structured-table references and external-workbook references.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "formula/language/byte_code.h"
#include "formula/language/encoder.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"
#include "formula/tests/formula_text_fakes.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

using testing::FakeWorkbook;

// Four sheets named as FakeNames names them; defined names compiled from their texts.
class Names : public testing::FakeNames, public IFormulaNames {
public:
  std::vector<std::u16string> Definitions{u"Sheet1!$B$1*2", u"Sheet1!$A$1:$A$3"};
  std::vector<std::vector<std::uint8_t>> Compiled;

  bool GetName(int Index, TFormulaNameDef& Def) override {
    if (Index < 0 || Index >= static_cast<int>(Definitions.size())) return false;
    if (Compiled.size() != Definitions.size()) {
      Compiled.assign(Definitions.size(), {});
      workbook::TXLSErrorManager errors;
      for (std::size_t i = 0; i < Definitions.size(); ++i)
        CompileFormula(Definitions[i], errors, this, true, TFormulaLocale::Invariant(), Compiled[i]);
    }
    Def = TFormulaNameDef();
    Def.Ptgs = Compiled[static_cast<std::size_t>(Index)].data();
    Def.Len = static_cast<int>(Compiled[static_cast<std::size_t>(Index)].size());
    return true;
  }
};

class External : public IExternalCells {
public:
  bool GetValue(int Link, int Sheet, int Col, int Row, TXLSFormulaValue& Value) const override {
    if (Link != 0 || Sheet != 1 || Col != 0 || Row > 2) return false;
    Value.SetFloat(100 + Row);
    return true;
  }
};

class Engine {
public:
  FakeWorkbook wb{4};
  Names names;
  External external;
  TXLSFormulaHandler handler{&wb};

  Engine() {
    handler.SetResolver(&names);
    handler.SetNames(&names);
    handler.Evaluator().SetExternalCells(&external);
  }

  std::vector<std::uint8_t> Compile(const std::u16string& Text, int Sheet, int Col, int Row) {
    workbook::TXLSErrorManager errors;
    std::vector<std::uint8_t> ptgs;
    EXPECT_TRUE(CompileFormula(Text, errors, &names, true, TFormulaLocale::Invariant(), ptgs, Sheet, Col, Row))
        << core::utf16_to_utf8(Text);
    return ptgs;
  }
  void F(const char* Cell, const std::u16string& Text, int Sheet = 0) {
    int c = 0, r = 0;
    FakeWorkbook::Pos(Cell, c, r);
    const auto ptgs = Compile(Text, Sheet, c, r);
    wb.Sheet(Sheet).WriteFormulaPtgs(c, r, 0, ptgs.data(), static_cast<int>(ptgs.size()), -1);
    wb.Sheet(Sheet).CalcDimension();
  }
  // An array formula over Range, stored in the range's first cell.
  void ArrayFormula(const char* From, const char* To, const std::vector<std::uint8_t>& Ptgs, int Sheet = 0) {
    int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    FakeWorkbook::Pos(From, c1, r1);
    FakeWorkbook::Pos(To, c2, r2);
    workbook::TXLSFormulaHelper& f = wb.Sheet(Sheet).FormulaHelper();
    f.Clear();
    f.Col = c1;
    f.Row = r1;
    f.Style = 0;
    f.SetPtgsCopy(Ptgs.data(), static_cast<int>(Ptgs.size()));
    f.SetArea(c1, r1, c2, r2);
    f.SetResultFloat(-1);
    wb.Sheet(Sheet).WriteFormula();
    wb.Sheet(Sheet).CalcDimension();
  }
  void ArrayFormula(const char* From, const char* To, const std::u16string& Text, int Sheet = 0) {
    int c = 0, r = 0;
    FakeWorkbook::Pos(From, c, r);
    ArrayFormula(From, To, Compile(Text, Sheet, c, r), Sheet);
  }
  // The cell's value as Describe shows it: its cached result for a formula.
  std::string V(const char* Cell, int Sheet = 0) {
    int c = 0, r = 0;
    FakeWorkbook::Pos(Cell, c, r);
    workbook::TMMUCellRef ref;
    if (!wb.Sheet(Sheet).FindCell(c, r, ref)) return "<none>";
    TXLSFormulaValue v;
    if (!testing::CachedFormulaResult(ref, v)) {
      TXLSFormulaValue cell;
      handler.Evaluator().Stack().ReadCell(&wb.Sheet(Sheet), c, r, cell);
      cell.Kind = fvkValue;
      v = cell;
    }
    return testing::Describe(v);
  }
};

struct Case {
  const char* Text;
  const char* Want;
};

// Functions the dispatchers compute themselves, over a small sheet: A1 3, A2 "abc", A3 TRUE, A4
// #DIV/0!, A5 blank, B1 2.5.
TEST(FormulaEngine, InlineFunctions) {
  const std::vector<Case> cases = {
      {"ROUND(2.5,0)", "3"}, {"ROUND(-2.5,0)", "-3"}, {"ROUND(12.5,0)", "13"}, {"ROUND(0.125,2)", "0.13"},
      {"ROUND(1,21)", "#VALUE!"}, {"ROUND(1234.5,-2)", "1200"},
      {"MOD(7,-3)", "-2"}, {"MOD(-7,3)", "2"}, {"MOD(5,0)", "#DIV/0!"}, {"INT(-0.5)", "-1"},
      {"NOT(NA())", "#N/A"}, {"NOT(\"TRUE\")", "FALSE"}, {"NOT(\"x\")", "#VALUE!"},
      {"IF(FALSE,1)", "FALSE"}, {"SUM(IF(TRUE,A1:B1))", "5.5"},
      {"ROW()", "7"}, {"COLUMN(C1:E1)", "3"}, {"ROW(A2:A9)", "2"}, {"COLUMN(5)", "#REF!"},
      {"LEFT(\"abc\")", "\"a\""}, {"RIGHT(\"abc\",5)", "\"abc\""}, {"LEFT(\"abc\",-1)", "#VALUE!"},
      {"MID(\"abcdef\",2,3)", "\"bcd\""}, {"MID(\"abc\",5,1)", "\"\""}, {"MID(\"abc\",0,1)", "#VALUE!"},
      {"LEN(A2)", "3"}, {"LEN(A1*100)", "3"}, {"REPT(\"ab\",3)", "\"ababab\""}, {"REPT(\"x\",0)", "\"\""},
      {"REPT(\"x\",-1)", "#VALUE!"}, {"REPT(\"xy\",20000)", "#VALUE!"},
      {"LOG(8,2)", "3"}, {"LOG(100)", "2"},
      {"UPPER(\"aBc1\")", "\"ABC1\""}, {"LOWER(\"AbC\")", "\"abc\""},
      {"PROPER(\"hello wORLD o'neil 2nd\")", "\"Hello World O'Neil 2Nd\""},
      {"EXACT(\"a\",\"A\")", "FALSE"}, {"EXACT(\"a\",\"a\")", "TRUE"},
      {"TRIM(\"  a   b  \")", "\"a b\""}, {"CODE(\"A\")", "65"}, {"CODE(\"\")", "#VALUE!"},
      {"CHAR(65)", "\"A\""}, {"CHAR(0)", "#VALUE!"}, {"CHAR(256)", "#VALUE!"},
      {"ISNA(NA())", "TRUE"}, {"ISERR(NA())", "FALSE"}, {"ISERR(A4)", "TRUE"}, {"ISERROR(A4)", "TRUE"},
      {"ISTEXT(A2)", "TRUE"}, {"ISTEXT(A1)", "FALSE"}, {"ISNUMBER(A1)", "TRUE"}, {"ISNUMBER(\"1\")", "FALSE"},
      {"ISLOGICAL(A3)", "TRUE"}, {"ISNONTEXT(A5)", "TRUE"}, {"ISNONTEXT(A2)", "FALSE"},
      {"ISBLANK(A5)", "TRUE"}, {"ISBLANK(A1)", "FALSE"}, {"ISBLANK(\"\")", "FALSE"},
      {"ISREF(A1)", "TRUE"}, {"ISREF(A1:B2)", "TRUE"}, {"ISREF(1)", "FALSE"},
      {"T(A2)", "\"abc\""}, {"T(A1)", "\"\""}, {"N(A1)", "3"}, {"N(A2)", "0"}, {"N(TRUE)", "1"},
      {"FIXED(1234.567,1)", "\"1,234.6\""}, {"FIXED(1234.567,1,TRUE)", "\"1234.6\""},
      {"FIXED(-1234.567,-2)", "\"-1,200\""}, {"DOLLAR(1234.5)", "\"$1,234.50\""},
      {"DOLLAR(-2.5,0)", "\"($3)\""},
      {"DATEVALUE(\"1/2/2020\")", "43832"}, {"TIMEVALUE(\"12:00\")", "0.5"}, {"DATEVALUE(\"x\")", "#VALUE!"},
      {"GAMMALN(1)", "0"}, {"GAMMALN(0)", "#NUM!"}, {"ROUND(GAMMALN(10),9)", "12.80182748"},
      {"ROUND(T.INV(0.975,10),6)", "2.228139"}, {"ROUND(T.INV.2T(0.05,10),6)", "2.228139"},
      {"ROUND(TINV(0.05,10),6)", "2.228139"}, {"T.INV(1.5,10)", "#NUM!"}, {"T.INV(0.5,0)", "#NUM!"},
      {"AND(RAND()>=0,RAND()<1)", "TRUE"}, {"NOW()>TODAY()-1", "TRUE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Engine e;
    e.wb.Num("A1", 3);
    e.wb.Str("A2", u"abc");
    e.wb.Bool("A3", true);
    e.wb.Err("A4", errDiv0);
    e.wb.Blank("A5");
    e.wb.Num("B1", 2.5);
    e.F("C7", core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    EXPECT_EQ(e.V("C7"), c.Want);
  }
}

// T.TEST with x = 1..5 and y = 2, 4, 5, 7, 9 (the values HyperFormula gives).
TEST(FormulaEngine, TTestTypesAndTails) {
  const std::vector<Case> cases = {
      {"ROUND(T.TEST(A1:A5,B1:B5,2,1),9)", "0.009261697"},  // paired: d = -1 -2 -2 -3 -4, t = -4.71
      {"ROUND(T.TEST(A1:A5,B1:B5,1,1),9)", "0.004630848"},
      {"ROUND(T.TEST(A1:A5,B1:B5,2,2),9)", "0.12482246"},  // pooled
      {"ROUND(T.TEST(A1:A5,B1:B5,2,3),9)", "0.133825212"},  // Welch
      {"ROUND(TTEST(A1:A5,B1:B5,2,3),9)", "0.133825212"},
      {"T.TEST(A1:A5,B1:B4,2,1)", "#N/A"},
      {"T.TEST(A1:A5,B1:B5,3,1)", "#NUM!"},
      {"T.TEST(A1:A5,B1:B5,2,4)", "#NUM!"},
  };
  const double y[] = {2, 4, 5, 7, 9};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Engine e;
    for (int i = 0; i < 5; ++i) {
      e.wb.Sheet().WriteFloat(0, i, 0, i + 1);
      e.wb.Sheet().WriteFloat(1, i, 0, y[i]);
    }
    e.F("D1", core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    EXPECT_EQ(e.V("D1"), c.Want);
  }
}

TEST(FormulaEngine, Indirect) {
  const std::vector<Case> cases = {
      {"INDIRECT(\"B3\")", "7"},
      {"INDIRECT(\"Data2!B3\")", "30"},
      {"INDIRECT(\"'My Sheet'!B3\")", "20"},
      {"INDIRECT(\"[Book.xlsx]Data2!B3\")", "30"},
      {"INDIRECT(\"Nowhere!B3\")", "#REF!"},
      {"INDIRECT(\"R3C[-1]\",FALSE)", "7"},  // row 3, one column left of C1
      {"INDIRECT(\"R[-1]C\",FALSE)", "#REF!"},  // above row 1
      {"SUM(INDIRECT(\"b1:b3\"))", "12"},
      {"INDIRECT(\"Rate\")", "10"},  // a defined name: Sheet1!$B$1*2
      {"SUM(INDIRECT(\"Local\"))", "6"},
      {"INDIRECT(\"nothing here\")", "#REF!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Engine e;
    e.wb.Num("B1", 5);
    e.wb.Num("B3", 7);
    e.wb.Num("A1", 1);
    e.wb.Num("A2", 2);
    e.wb.Num("A3", 3);
    e.wb.Num("B3", 20, 1);
    e.wb.Num("B3", 30, 2);
    e.wb.Sheet(1).CalcDimension();
    e.wb.Sheet(2).CalcDimension();
    // R1C1 texts are read relative to the formula cell, here C1.
    e.F("C1", core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    EXPECT_EQ(e.V("C1"), c.Want);
  }
}

TEST(FormulaEngine, ArrayFormulas) {
  struct ArrayCase {
    const char* Name;
    const char* Text;
    const char* From;
    const char* To;
    std::vector<const char*> Want;  // the target's cells, row by row
  };
  const std::vector<ArrayCase> cases = {
      {"element-wise product", "A1:A3*B1:B3", "C1", "C3", {"10", "40", "90"}},
      {"a scalar operand broadcasts", "A1:A3*2", "C1", "C3", {"2", "4", "6"}},
      {"function called per row", "ABS(A1:A3-5)", "C1", "C3", {"4", "3", "2"}},
      {"larger result clipped to the target", "A1:A5+B1:B5", "C1", "C3", {"11", "22", "33"}},
      {"smaller result leaves #N/A", "A1:A2*1", "C1", "C3", {"1", "2", "#N/A"}},
      {"one value fills the target", "SUM(A1:A3*B1:B3)", "C1", "D2", {"140", "140", "140", "140"}},
      {"row repeats down", "B1:D1*1", "E1", "G2", {"10", "2", "3", "10", "2", "3"}},
      {"area result", "A1:A3", "C1", "C3", {"1", "2", "3"}},
      {"empty cells show 0", "A6:A7", "C1", "C2", {"0", "0"}},
      {"text per element", "\"n\"&A1:A2", "C1", "C2", {"\"n1\"", "\"n2\""}},
  };
  for (const ArrayCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Engine e;
    for (int i = 0; i < 5; ++i) {
      e.wb.Sheet().WriteFloat(0, i, 0, i + 1);
      e.wb.Sheet().WriteFloat(1, i, 0, 10 * (i + 1));
    }
    e.wb.Num("C1", 2);
    e.wb.Num("D1", 3);
    e.ArrayFormula(c.From, c.To, core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    FakeWorkbook::Pos(c.From, c1, r1);
    FakeWorkbook::Pos(c.To, c2, r2);
    std::vector<std::string> got;
    for (int r = r1; r <= r2; ++r)
      for (int col = c1; col <= c2; ++col) {
        const std::u16string ref = workbook::ColRowToRefStr(col, r);
        got.push_back(e.V(core::utf16_to_utf8(ref).c_str()));
      }
    EXPECT_EQ(got, std::vector<std::string>(c.Want.begin(), c.Want.end()));
    // Nothing outside the target was written.
    EXPECT_EQ(e.V("C4"), "<none>");
  }
}

// Data tables: the head formula recalculated with its input cells replaced.
TEST(FormulaEngine, DataTables) {
  // One column input: A1 is the input, B1 the head formula =A1*10, inputs 1..3 in A2:A4, the
  // table B2:B4.
  {
    Engine e;
    e.wb.Num("A1", 0);
    e.F("B1", u"A1*10+1");
    for (int i = 0; i < 3; ++i) e.wb.Sheet().WriteFloat(0, 1 + i, 0, i + 1);
    TXLSPtgsBuilder b;
    b.DataTable(0, 0, 0, 0, 0);
    e.ArrayFormula("B2", "B4", b.Bytes());
    e.handler.Calculate();
    EXPECT_EQ(e.V("B2"), "11");
    EXPECT_EQ(e.V("B3"), "21");
    EXPECT_EQ(e.V("B4"), "31");
    EXPECT_EQ(e.V("B1"), "1");  // the head formula itself keeps its own inputs
  }
  // Two inputs: A1 row input, A2 column input; corner C3 = A1*A2; rows 4..5 in C4:C5, columns in
  // D3:E3, the table D4:E5.
  {
    Engine e;
    e.wb.Num("A1", 1);
    e.wb.Num("A2", 1);
    e.F("C3", u"A1*A2");
    e.wb.Num("D3", 2);
    e.wb.Num("E3", 3);
    e.wb.Num("C4", 5);
    e.wb.Num("C5", 7);
    TXLSPtgsBuilder b;
    b.DataTable(4, 0, 0, 0, 1);
    e.ArrayFormula("D4", "E5", b.Bytes());
    e.handler.Calculate();
    EXPECT_EQ(e.V("D4"), "10");
    EXPECT_EQ(e.V("E4"), "15");
    EXPECT_EQ(e.V("D5"), "14");
    EXPECT_EQ(e.V("E5"), "21");
  }
  // A corner that holds a constant: the whole table is 0.
  {
    Engine e;
    e.wb.Num("C3", 5);
    e.wb.Num("D3", 2);
    e.wb.Num("C4", 5);
    TXLSPtgsBuilder b;
    b.DataTable(4, 0, 0, 0, 1);
    e.ArrayFormula("D4", "D4", b.Bytes());
    e.handler.Calculate();
    EXPECT_EQ(e.V("D4"), "0");
  }
}

// Table1 covers A1:C6 of the first sheet: header row 1, data rows 2..5, totals row 6; columns Item,
// Amount, Qty.
TEST(FormulaEngine, StructuredReferences) {
  const std::vector<Case> cases = {
      {"SUM(Table1[Amount])", "14"},
      {"SUM(Table1[[#Totals],[Amount]])", "100"},
      {"SUM(Table1[[#All],[Amount]])", "114"},
      {"COUNTA(Table1[[#Headers],[Item]:[Qty]])", "3"},
      {"SUM(Table1[[#Data],[Amount]:[Qty]])", "24"},
      {"Table1[[#This Row],[Qty]]", "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Engine e;
    e.wb.Str("A1", u"Item");
    e.wb.Str("B1", u"Amount");
    e.wb.Str("C1", u"Qty");
    for (int i = 0; i < 4; ++i) {
      e.wb.Sheet().WriteFloat(1, 1 + i, 0, 2 + i);  // 2..5
    }
    const double qty[] = {1, 3, 1, 5};
    for (int i = 0; i < 4; ++i) e.wb.Sheet().WriteFloat(2, 1 + i, 0, qty[i]);
    e.wb.Num("B6", 100);
    e.F("E3", core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    EXPECT_EQ(e.V("E3"), c.Want);
  }
}

// [Book.xlsx]Sheet2 caches A1:A3 as 100, 101, 102.
TEST(FormulaEngine, ExternalReferences) {
  const std::vector<Case> cases = {
      {"[Book.xlsx]Sheet2!A2", "101"},
      {"SUM([Book.xlsx]Sheet2!A1:A3)", "303"},
      {"[Book.xlsx]Sheet2!B9", "0"},  // not cached: empty
      {"SUM([Book.xlsx]Sheet1:Sheet2!A1:A3)", "#REF!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Engine e;
    e.F("A1", core::utf8_to_utf16(c.Text));
    e.handler.Calculate();
    EXPECT_EQ(e.V("A1"), c.Want);
  }
}

}  // namespace
}  // namespace formula
