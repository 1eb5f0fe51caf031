#include "formula/evaluator/evaluator.h"

#include <map>

#include <gtest/gtest.h>

#include "formula/tests/evaluator_test_util.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

using namespace formula::testing;

class FakeNames : public IFormulaNames {
public:
  bool GetName(int Index, TFormulaNameDef& Def) override {
    ++Fetches;
    auto it = Items.find(Index);
    if (it == Items.end()) return false;
    Def = it->second;
    if (Def.Kind == TFormulaNameDef::nkFormula) {
      Def.Ptgs = Code[Index].data();
      Def.Len = static_cast<int>(Code[Index].size());
    }
    return true;
  }
  std::map<int, TFormulaNameDef> Items;
  std::map<int, std::vector<std::uint8_t>> Code;
  int Fetches = 0;  // definitions asked for
};

// Extern-sheet entry i names sheet i; entry 9 sheets 0..1; entry 7 this workbook's names.
class FakeExternSheets : public IExternSheetResolver {
public:
  bool GetExtSheetTabs(int Index, int& First, int& Last) const override {
    if (Index == 7) {
      First = Last = 0xFFFE;
      return true;
    }
    if (Index == 9) {
      First = 0, Last = 1;
      return false;
    }
    if (Index < 0 || Index > 1) {
      First = Last = -1;
      return false;
    }
    First = Last = Index;
    return true;
  }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> L) {
  std::vector<std::uint8_t> v;
  for (int x : L) v.push_back(static_cast<std::uint8_t>(x));
  return v;
}
void Le16(std::vector<std::uint8_t>& V, int X) {
  V.push_back(static_cast<std::uint8_t>(X & 0xFF));
  V.push_back(static_cast<std::uint8_t>((X >> 8) & 0xFF));
}
// BIFF8 area A1-style, 0-based.
std::vector<std::uint8_t> Biff8Area(int C1, int R1, int C2, int R2) {
  std::vector<std::uint8_t> v{0x25};
  Le16(v, R1);
  Le16(v, R2);
  Le16(v, C1 | 0xC000);
  Le16(v, C2 | 0xC000);
  return v;
}
std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> Parts) {
  std::vector<std::uint8_t> v;
  for (const auto& p : Parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

class EvaluatorTest : public ::testing::Test {
protected:
  EvaluatorTest() : wb(2), ev(&wb) {
    ev.SetNames(&names);
    ev.SetExternSheets(&ext);
    wb.Num("A1", 1);
    wb.Num("A2", 2);
    wb.Num("A3", 3);
    wb.Num("B1", 10);
    wb.Num("B2", 20);
    wb.Num("B3", 30);
    wb.Num("C5", 55);
    wb.Num("D5", 56);
    wb.Num("B5", 54);
    wb.Num("A1", 100, 1);
  }
  // Evaluates at cell At of sheet 0.
  std::string Run(const std::vector<std::uint8_t>& Code, const char* At = "H10") {
    int c, r;
    FakeWorkbook::Pos(At, c, r);
    TXLSFormulaValue v;
    ev.Evaluate(Code.data(), static_cast<int>(Code.size()), 0, c, r, v);
    return Describe(v);
  }
  std::string Run(const Build& F, const char* At = "H10") {
    TXLSPtgsBuilder b;
    F(b);
    return Run(b.Bytes(), At);
  }
  std::string Failure(const std::vector<std::uint8_t>& Code) {
    try {
      Run(Code);
    } catch (const workbook::Exception& e) {
      return e.what();
    }
    return "no failure";
  }

  FakeWorkbook wb;
  FakeNames names;
  FakeExternSheets ext;
  TXLSFormulaEvaluator ev;
};

TEST_F(EvaluatorTest, ConstantsAndOperatorsInBothForms) {
  EXPECT_EQ(Run(Bytes({0xFF, 0x1E, 0x02, 0x00, 0x1E, 0x03, 0x00, 0x03})), "5");
  EXPECT_EQ(Run(Op(ptgAdd, Num(2), Num(3))), "5");
  EXPECT_EQ(Run(Bytes({0xFF, 0x1C, 0x07})), "#DIV/0!");  // BIFF error code
  EXPECT_EQ(Run(Bytes({0x1C, 0x07})), "#N/A");            // the model's code
  EXPECT_EQ(Run(Bytes({0xFF, 0x17, 0x02, 0x00, 'h', 'i'})), "\"hi\"");
  EXPECT_EQ(Run(Bytes({0xFF, 0x17, 0x01, 0x01, 'z', 0x00})), "\"z\"");
  TXLSPtgsBuilder b;
  b.Int(-7);
  b.String(u"x");
  b.Op(ptgConcat);
  EXPECT_EQ(Run(b.Bytes()), "\"-7x\"");
}

TEST_F(EvaluatorTest, BIFF8IntersectionIsOneByte) {
  // SUM(A1:C3 B1:B5) = B1+B2+B3.
  auto code = Cat({Bytes({0xFF}), Biff8Area(0, 0, 2, 2), Biff8Area(1, 0, 1, 4), Bytes({0x0F, 0x22, 0x01, 0x04, 0x00})});
  EXPECT_EQ(Run(code), "60");
  // The operator as the last byte; the area B1:B3 meets D2 in B2.
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), Biff8Area(0, 0, 2, 2), Biff8Area(1, 0, 1, 4), Bytes({0x0F})}), "D2"), "ref:20");
  // Value-class ids fold to the reference class in BIFF mode only.
  EXPECT_EQ(Run(Bytes({0xFF, 0x44, 0x01, 0x00, 0x00, 0xC0})), "ref:2");
  EXPECT_EQ(Failure(Bytes({0x44, 0x01, 0x00, 0x00, 0xC0})), "Invalid ptgs: 44");
}

TEST_F(EvaluatorTest, AreaResultTakesTheIntersectingCell) {
  struct Case {
    const char* from;
    const char* to;
    const char* at;
    const char* want;
  } cases[] = {
      {"A1", "A3", "C2", "ref:2"},    {"A1", "A3", "A2", "#REF!"},  {"A1", "A3", "C9", "#VALUE!"},
      {"B5", "D5", "C1", "ref:55"},   {"B5", "D5", "F5", "#VALUE!"}, {"B5", "D5", "A5", "#VALUE!"},
      {"A1", "A3", "A9", "#VALUE!"},  {"A1", "B3", "C2", "#VALUE!"}, {"A1", "B3", "B9", "#VALUE!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(Ref(c.from, c.to), c.at), c.want) << c.from << ":" << c.to << " in " << c.at;
}

TEST_F(EvaluatorTest, EmptyResults) {
  EXPECT_EQ(Run(Ref("Z99")), "ref:<empty>");
  // IF(TRUE,,2): the library's missing argument is empty, so 0; BIFF8's is #N/A.
  EXPECT_EQ(Run(Fn("IF", {Bool(true), Missing(), Num(2)})), "0");
  EXPECT_EQ(Run(Bytes({0xFF, 0x1D, 0x01, 0x16, 0x1E, 0x02, 0x00, 0x22, 0x03, 0x01, 0x00})), "#N/A");
  EXPECT_EQ(Run(Fn("IF", {Bool(false), Num(1)})), "FALSE");
  EXPECT_EQ(Run(Fn("SUM", {Fn("IF", {Bool(true), Ref("A1", "A3")})})), "6");  // references stay references
}

TEST_F(EvaluatorTest, OneResultPerCall) {
  EXPECT_EQ(Run(Op(ptgAdd, Num(1), Fn("SUM", {Ref("A1", "A3")}))), "7");
  // A wrong argument count still leaves one value (#VALUE!) and reports the limit.
  std::vector<std::pair<int, std::u16string>> reported;
  ev.SetArgCountHandler([&](int Code, const std::u16string& Text) { reported.emplace_back(Code, Text); });
  TXLSPtgsBuilder b;
  b.Number(1);
  b.FuncVar(0, 5);  // AVERAGE()
  b.Op(ptgAdd);
  EXPECT_EQ(Run(b.Bytes()), "#VALUE!");
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].first, 4020);
  EXPECT_EQ(reported[0].second, u"AVERAGE(1)");
  b.Clear();
  b.Number(1);
  b.Number(2);
  b.Number(3);
  b.FuncVar(3, 1);  // IF with three is fine; NOT with two is not
  b.Number(4);
  b.FuncVar(2, 38);
  EXPECT_EQ(Run(b.Bytes()), "#VALUE!");
  EXPECT_EQ(reported.back().first, 4021);
  EXPECT_EQ(reported.back().second, u"NOT(1)");
  // A known id without an implementation yields #N/A.
  EXPECT_EQ(Run(Fn("RTD", {Str(u"server")})), "#N/A");
  // A range where one whole number is wanted is that call's #VALUE!, not a failed calculation.
  EXPECT_EQ(Run(Fn("REPT", {Str(u"a"), Ref("A1", "A3")})), "#VALUE!");
  EXPECT_EQ(Run(Op(ptgAdd, Num(1), Fn("CHAR", {Ref("A1", "B2")}))), "#VALUE!");
}

TEST_F(EvaluatorTest, AttributeSumAndChooseSkip) {
  auto area = Biff8Area(0, 0, 0, 2);
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), area, Bytes({0x19, 0x10, 0x00, 0x00})})), "6");
  // A memory-function token's subexpression computes its reference: SUM(A1:A3) through it.
  EXPECT_EQ(Run(Cat({Bytes({0xFF, 0x29, 0x09, 0x00}), area, Bytes({0x22, 0x01, 0x04, 0x00})})), "6");
  // Volatile and space attributes have no effect.
  EXPECT_EQ(Run(Bytes({0xFF, 0x19, 0x01, 0x00, 0x00, 0x1E, 0x04, 0x00, 0x19, 0x40, 0x00, 0x01})), "4");
}

TEST_F(EvaluatorTest, MalformedTokensRaise) {
  EXPECT_EQ(Failure(Bytes({0x00})), "Illegal ptgs");
  EXPECT_EQ(Failure(Bytes({0x1F, 0x00, 0x00})), "Illegal ptgs");        // runs past the end
  EXPECT_EQ(Failure(Bytes({0xFF, 0x17, 0x09, 0x00, 'a'})), "Illegal ptgs");
  EXPECT_EQ(Failure(Bytes({0x01, 0x00, 0x00, 0x00, 0x00})), "Invalid ptgs: 01");
  EXPECT_EQ(Failure(Bytes({0xFE, 0x20, 0x00, 0x1E, 0x01, 0x00})), "Illegal ptgs");  // extra longer than the string
  // An array member never runs; a shared member runs only as a whole formula (its master's).
  EXPECT_EQ(Failure(Bytes({0xBB, 0, 0, 0, 0, 0, 0})), "This ptgs shall not be calculated");
  EXPECT_EQ(Failure(Bytes({0x1E, 1, 0, 0xB8, 0, 0, 0, 0, 0, 0})), "This ptgs shall not be calculated");
  EXPECT_EQ(Failure(Bytes({0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0x03})), "Empty stack");
}

TEST_F(EvaluatorTest, BIFF8ArrayFromExtraData) {
  // {1,"ab";TRUE,#DIV/0!} behind 0xFE: COUNTA counts all four, SUM adds the one number.
  std::vector<std::uint8_t> extra{0x01, 0x01, 0x00};
  auto put8 = [&](std::initializer_list<int> L) {
    for (int x : L) extra.push_back(static_cast<std::uint8_t>(x));
  };
  put8({0x01, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  put8({0x02, 0x02, 0x00, 0x00, 'a', 'b'});
  put8({0x04, 0x01, 0, 0, 0, 0, 0, 0, 0});
  put8({0x10, 0x07, 0, 0, 0, 0, 0, 0, 0});
  auto code = [&](int fid) {
    std::vector<std::uint8_t> v{0xFE};
    Le16(v, static_cast<int>(extra.size()));
    v.insert(v.end(), {0x40, 0, 0, 0, 0, 0, 0, 0, 0x22, 0x01, static_cast<std::uint8_t>(fid), 0x00});
    v.insert(v.end(), extra.begin(), extra.end());
    return v;
  };
  EXPECT_EQ(Run(code(169)), "4");
  EXPECT_EQ(Run(code(4)), "#DIV/0!");  // the error element travels
  // The array alone yields its first element.
  std::vector<std::uint8_t> alone{0xFE};
  Le16(alone, static_cast<int>(extra.size()));
  alone.insert(alone.end(), {0x20, 0, 0, 0, 0, 0, 0, 0});
  alone.insert(alone.end(), extra.begin(), extra.end());
  EXPECT_EQ(Run(alone), "1");
  // Extra data cut short.
  auto cut = code(4);
  cut.resize(cut.size() - 3);
  cut[1] = static_cast<std::uint8_t>(extra.size() - 3);
  EXPECT_EQ(Failure(cut), "Illegal ptgs");
  // A header that claims 256 x 65536 elements over a few bytes is refused before anything is made.
  std::vector<std::uint8_t> huge{0xFE, 0x0C, 0x00, 0x20, 0, 0, 0, 0, 0, 0, 0};
  huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  EXPECT_EQ(Failure(huge), "Illegal ptgs");
}

TEST_F(EvaluatorTest, ArrayConstants) {
  TXLSPtgsBuilder b;
  for (int i = 1; i <= 6; ++i) b.Number(i);
  b.Array(3, 2);
  b.FuncVar(1, 4);
  EXPECT_EQ(Run(b.Bytes()), "21");
  b.Clear();
  b.Number(1);
  Ref("A1")(b);  // a reference is no constant element
  b.Array(2, 1);
  EXPECT_EQ(Run(b.Bytes()), "#VALUE!");
  b.Clear();
  b.Number(1);
  b.Array(2, 1);  // more elements than values
  EXPECT_EQ(Failure(b.Bytes()), "Illegal ptgs");
}

TEST_F(EvaluatorTest, ReferencesAcrossSheets) {
  EXPECT_EQ(Run(Ref("A1", nullptr, 1)), "ref:100");
  EXPECT_EQ(Run(Fn("SUM", {Ref("A1", "A3", 0), Ref("A1", "A2", 1)})), "106");
  TXLSPtgsBuilder b;
  b.Ref3d(0, 1, 0, 0);  // A1 on sheets 0..1
  b.FuncVar(1, 4);
  EXPECT_EQ(Run(b.Bytes()), "101");
  b.Clear();
  b.Ref3d(5, -1, 0, 0);  // no such sheet
  EXPECT_EQ(Run(b.Bytes()), "#REF!");
  // BIFF8 3-D tokens through the extern-sheet table.
  EXPECT_EQ(Run(Bytes({0xFF, 0x3A, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00})), "ref:100");
  EXPECT_EQ(Run(Bytes({0xFF, 0x3A, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x22, 0x01, 0x04, 0x00})), "101");
  EXPECT_EQ(Run(Bytes({0xFF, 0x3A, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00})), "#REF!");
  EXPECT_EQ(Run(Bytes({0xFF, 0x2A, 0, 0, 0, 0})), "#REF!");
}

// Arguments of array class are calculated as arrays in BIFF8 tokens too (operand classes, attribute
// tokens of IF) and through a defined name; elsewhere a range meets the formula's row.
TEST_F(EvaluatorTest, ArrayArgumentsInBothForms) {
  auto biffArea = [](std::uint8_t Id) {
    auto v = Biff8Area(0, 0, 0, 2);  // A1:A3 = 1, 2, 3
    v[0] = Id;
    return v;
  };
  const auto sumProduct = Bytes({0x42, 0x01, 0xE4, 0x00});
  // SUMPRODUCT(A1:A3*2) with an array-class operand and with a value-class one.
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), biffArea(0x65), Bytes({0x1E, 0x02, 0x00, 0x05}), sumProduct}), "C2"), "12");
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), biffArea(0x45), Bytes({0x1E, 0x02, 0x00, 0x05}), sumProduct}), "C2"), "12");
  // SUMPRODUCT(IF(A1:A3>1,A1:A3,0)): the attribute tokens of IF take no operand.
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), biffArea(0x65), Bytes({0x1E, 0x01, 0x00, 0x0D, 0x19, 0x02, 0x08, 0x00}),
                     biffArea(0x65), Bytes({0x19, 0x08, 0x07, 0x00, 0x1E, 0x00, 0x00, 0x19, 0x08, 0x03, 0x00}),
                     Bytes({0x42, 0x03, 0x01, 0x00}), sumProduct}),
                "C9"),
            "5");
  // Outside an argument of array class the product meets the formula's row: SUM(A1:A3*2) in C2.
  EXPECT_EQ(Run(Cat({Bytes({0xFF}), biffArea(0x25), Bytes({0x1E, 0x02, 0x00, 0x05, 0x22, 0x01, 0x04, 0x00})}), "C2"),
            "4");
  // A name whose definition is A1:A3*2, as SUMPRODUCT's argument and alone.
  names.Items[0] = TFormulaNameDef();
  TXLSPtgsBuilder def;
  Op(ptgMul, Ref("A1", "A3"), Num(2))(def);
  names.Code[0] = def.Bytes();
  const Build name = [](TXLSPtgsBuilder& b) { b.Name(0); };
  EXPECT_EQ(Run(Fn("SUMPRODUCT", {name}), "C9"), "12");
  EXPECT_EQ(Run(Fn("SUMPRODUCT", {Op(ptgAdd, name, Num(1))}), "C9"), "15");
  EXPECT_EQ(Run(name, "C3"), "6");
  // The lookup vector of LOOKUP: an expression is an array, a reference stays a reference.
  EXPECT_EQ(Run(Fn("LOOKUP", {Num(2), Op(ptgDiv, Num(1), Op(ptgGT, Ref("A1", "A3"), Num(1))), Ref("B1", "B3")}),
                "C9"),
            "30");
  EXPECT_EQ(Run(Fn("LOOKUP", {Num(2), Ref("A1", "A3"), Ref("B1", "B3")}), "C9"), "20");
}

TEST_F(EvaluatorTest, DefinedNames) {
  TFormulaNameDef formulaName;  // index 0: 2+3 in library code
  names.Items[0] = formulaName;
  {
    TXLSPtgsBuilder b;
    Op(ptgAdd, Num(2), Num(3))(b);
    names.Code[0] = b.Bytes();
  }
  names.Items[1] = formulaName;  // index 1: only the BIFF8 lead
  names.Code[1] = {0xFF};
  names.Items[2] = formulaName;  // index 2: refers to itself
  {
    TXLSPtgsBuilder b;
    b.Name(2);
    b.Number(1);
    b.Op(ptgAdd);
    names.Code[2] = b.Bytes();
  }
  TFormulaNameDef cell;  // index 3: $B$2 on sheet 0
  cell.Kind = TFormulaNameDef::nkCell;
  cell.Col1 = 1 | PTG_COL_ABS;
  cell.Row1 = 1 | PTG_ROW_ABS;
  names.Items[3] = cell;
  TFormulaNameDef rel = cell;  // index 4: relative column B -> the formula cell's column
  rel.Col1 = 1;
  names.Items[4] = rel;
  TFormulaNameDef area;  // index 5: $A$1:$A$3
  area.Kind = TFormulaNameDef::nkArea;
  area.Col1 = area.Col2 = PTG_COL_ABS;
  area.Row1 = PTG_ROW_ABS;
  area.Row2 = 2 | PTG_ROW_ABS;
  names.Items[5] = area;
  TFormulaNameDef bad;
  bad.Kind = TFormulaNameDef::nkBadSheet;
  names.Items[6] = bad;
  TFormulaNameDef vb = formulaName;
  vb.VBProcedure = true;
  names.Items[7] = vb;
  names.Code[7] = names.Code[0];
  names.Items[8] = formulaName;  // index 8: itself twice, N = N+N
  {
    TXLSPtgsBuilder b;
    b.Name(8);
    b.Name(8);
    b.Op(ptgAdd);
    names.Code[8] = b.Bytes();
  }

  auto name = [](int i) {
    return Build([i](TXLSPtgsBuilder& b) { b.Name(static_cast<std::uint16_t>(i)); });
  };
  EXPECT_EQ(Run(Op(ptgMul, name(0), Num(2))), "10");
  EXPECT_EQ(Run(Bytes({0xFF, 0x23, 0x01, 0x00, 0x00, 0x00})), "5");  // one-based in BIFF8
  EXPECT_EQ(Run(Bytes({0xFF, 0x23, 0x02, 0x00, 0x00, 0x00})), "#NAME?");
  EXPECT_EQ(Run(name(2)), "#NAME?");  // stops instead of recursing without end
  EXPECT_EQ(Run(name(8)), "#NAME?");  // circular at once, not 2^64 evaluations deep and wide
  EXPECT_EQ(Run(Op(ptgAdd, name(0), name(0))), "10");  // a name met twice side by side is no cycle
  EXPECT_EQ(Run(name(3)), "ref:20");
  EXPECT_EQ(Run(name(4), "A2"), "ref:2");  // relative column: the formula cell's (A), absolute row 2
  EXPECT_EQ(Run(Fn("SUM", {name(5)})), "6");
  EXPECT_EQ(Run(name(6)), "#REF!");
  EXPECT_EQ(Run(name(40)), "#NAME?");
  EXPECT_EQ(Run(Bytes({0x83, 0xFF, 0xFF})), "#NAME?");
  EXPECT_EQ(Run(Bytes({0xFF, 0x23, 0x08, 0x00, 0x00, 0x00})), "#N/A");  // VB procedure
  EXPECT_EQ(Run(name(7)), "5");
  // The external-name token reaches this workbook's names through entry 7 only.
  EXPECT_EQ(Run(Bytes({0xFF, 0x39, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00})), "5");
  EXPECT_EQ(Run(Bytes({0xFF, 0x39, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00})), "#REF!");
}

TEST_F(EvaluatorTest, UserFunctions) {
  TXLSPtgsBuilder b;
  b.Number(1);
  b.String(u"x");
  b.FuncName(2, u"MyFunc");
  EXPECT_EQ(Run(b.Bytes()), "#NAME?");  // no handler: a function nobody provides
  std::u16string seenName;
  std::vector<std::string> seenArgs;
  ev.SetUserFunctionHandler([&](const std::u16string& Name, TXLSUserFuncData& Data) {
    seenName = Name;
    seenArgs.clear();
    for (const auto& a : Data.Args) seenArgs.push_back(Describe(a));
  });
  EXPECT_EQ(Run(b.Bytes()), "#NAME?");  // the handler left the preset result
  EXPECT_EQ(seenName, u"MyFunc");
  EXPECT_EQ(seenArgs, (std::vector<std::string>{"\"x\"", "1"}));
  ev.SetUserFunctionHandler([](const std::u16string&, TXLSUserFuncData& Data) { Data.Result.SetFloat(42); });
  b.Number(1);
  b.Op(ptgAdd);
  EXPECT_EQ(Run(b.Bytes()), "43");
}

// A formula name is computed once per formula however often the formula and its names use it, and
// that changes no result: not of names that draw random numbers, call user functions, meet a
// circular name or the depth guard, or depend on the formula cell, nor of names redefined between
// formulas. The cases run in order on one evaluator, several defining the same names afresh.
TEST_F(EvaluatorTest, NameValuesOncePerFormula) {
  auto name = [](int i) { return Build([i](TXLSPtgsBuilder& b) { b.Name(static_cast<std::uint16_t>(i)); }); };
  auto rand = [] { return Fn("RAND", {}); };
  // Names First.. First+Count-1, each the next one used three times (x + x - x), the last Last.
  auto chain = [&](int First, int Count, Build Last) {
    std::map<int, Build> defs;
    for (int i = First; i < First + Count - 1; ++i)
      defs[i] = Op(ptgSub, Op(ptgAdd, name(i + 1), name(i + 1)), name(i + 1));
    defs[First + Count - 1] = Last;
    return defs;
  };
  // The same with each name also adding 0 * RAND(), and the next one used twice.
  auto randomChain = [&](int First, int Count) {
    std::map<int, Build> defs;
    for (int i = First; i < First + Count - 1; ++i)
      defs[i] = Op(ptgAdd, Op(ptgAdd, name(i + 1), name(i + 1)), Op(ptgMul, Num(0), rand()));
    defs[First + Count - 1] = Num(1);
    return defs;
  };
  int userCalls = 0;
  ev.SetUserFunctionHandler([&](const std::u16string&, TXLSUserFuncData& Data) { Data.Result.SetFloat(++userCalls); });
  auto user = [] { return Build([](TXLSPtgsBuilder& b) { b.FuncName(0, u"Counter"); }); };
  struct Case {
    const char* What;
    std::map<int, Build> Names;
    Build Formula;
    const char* At;
    std::string Want;
    int Fetches;  // definitions asked for; -1: not checked
  };
  const Case cases[] = {
      {"64 names deep, 3^64 uses", chain(100, 64, Num(1)), name(100), "H10", "1", 64},
      {"past the depth guard", chain(100, 100, Num(1)), name(100), "H10", "#NAME?", -1},
      {"a name used twice", {{1, Op(ptgAdd, Num(2), Num(3))}}, Op(ptgAdd, name(1), name(1)), "H10", "10", 1},
      {"redefined", {{1, Num(7)}}, Op(ptgAdd, name(1), name(1)), "H10", "14", 1},
      {"redefined again", {{1, Op(ptgMul, Num(2), Num(3))}}, Op(ptgAdd, name(1), name(1)), "H10", "12", 1},
      {"the formula cell's row", {{1, Fn("ROW", {})}}, Op(ptgAdd, name(1), name(1)), "H10", "20", 1},
      {"the same at another cell", {{1, Fn("ROW", {})}}, Op(ptgAdd, name(1), name(1)), "H2", "4", 1},
      {"a cell the name reads", {{1, Ref("A2")}}, Op(ptgMul, name(1), name(1)), "H10", "4", 1},
      {"in and out of an array argument", {{1, Op(ptgMul, Ref("A1", "A3"), Num(2))}},
       Op(ptgAdd, Fn("SUMPRODUCT", {name(1)}), name(1)), "H2", "16", -1},
      {"random numbers", {{1, rand()}}, Op(ptgEQ, name(1), name(1)), "H10", "FALSE", 2},
      {"random numbers a level down", {{1, Op(ptgMul, name(2), Num(1))}, {2, rand()}},
       Op(ptgEQ, name(1), name(1)), "H10", "FALSE", 4},
      {"a user function", {{1, user()}}, Op(ptgEQ, name(1), name(1)), "H10", "FALSE", 2},
      // Name 1 meets name 2 while name 2 is in progress, so its #NAME? there is no value for
      // the formula's own use of name 1: 5 + (5 + 1).
      {"circular under another name", {{1, Op(ptgAdd, name(2), Num(1))}, {2, Fn("IFERROR", {name(1), Num(5)})}},
       Op(ptgAdd, name(2), name(1)), "H10", "11", -1},
      {"fan-out with random numbers, 2^8", randomChain(100, 9), name(100), "H10", "256", -1},
      {"fan-out with random numbers, 2^40: past the work bound", randomChain(100, 41), name(100), "H10", "#NUM!",
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    names.Items.clear();
    names.Code.clear();
    for (const auto& [index, def] : c.Names) {
      names.Items[index] = TFormulaNameDef();
      TXLSPtgsBuilder b;
      def(b);
      names.Code[index] = b.Bytes();
    }
    names.Fetches = 0;
    EXPECT_EQ(Run(c.Formula, c.At), c.Want);
    if (c.Fetches >= 0) {
      EXPECT_EQ(names.Fetches, c.Fetches);
    }
  }
}

// Areas turned into arrays: past four whole columns the formula gives #NUM! instead of allocating
// gigabytes.
TEST_F(EvaluatorTest, ArraysFromAreasAreBounded) {
  const struct {
    const char* To;
    const char* Want;
  } cases[] = {{"B3", "132"}, {"E1048576", "#NUM!"}, {"XFD1048576", "#NUM!"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.To);
    EXPECT_EQ(Run(Fn("SUMPRODUCT", {Op(ptgMul, Ref("A1", c.To), Num(2))})), c.Want);
  }
}

}  // namespace
}  // namespace formula
