#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/language/decoder.h"
#include "formula/language/encoder.h"
#include "formula/language/function_table.h"
#include "formula_text_fakes.h"

namespace formula {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Utf8(std::u16string_view s) { return core::utf16_to_utf8(s); }

struct Compiler {
  workbook::TXLSErrorManager Errors;
  testing::FakeNames Names;
  Compiler() { Errors.SetSaveToList(true); }
  bool Compile(std::u16string_view Text, Bytes& Out, int Sheet = 0, bool Invariant = true,
               const TFormulaLocale& L = TFormulaLocale::Invariant()) {
    return CompileFormula(Text, Errors, &Names, Invariant, L, Out, Sheet, 2, 2);
  }
  int FirstCode() const { return Errors.Messages().empty() ? 0 : Errors.Messages()[0].Code; }
  std::u16string Decode(const Bytes& B, const TFormulaLocale& L = TFormulaLocale::Invariant()) {
    TXLSFormulaDecoder d(&Names);
    return d.Decode(B.data(), static_cast<int>(B.size()), 0, L);
  }
};

struct ByteCase {
  const char16_t* Text;
  std::function<void(TXLSPtgsBuilder&)> Build;
};

TEST(Encoder, ByteExact) {
  const int sum = XLSFuncNames().FindName(u"SUM");
  const int round = XLSFuncNames().FindName(u"ROUND");
  const int iff = XLSFuncNames().FindName(u"IF");
  const int log10 = XLSFuncNames().FindName(u"LOG10");
  const ByteCase cases[] = {
      {u"1+2*3", [](auto& b) { b.Int(1); b.Int(2); b.Int(3); b.Op(ptgMul); b.Op(ptgAdd); }},
      {u"(1+2)*3", [](auto& b) { b.Int(1); b.Int(2); b.Op(ptgAdd); b.Op(ptgParen); b.Int(3); b.Op(ptgMul); }},
      {u"2^3^2", [](auto& b) { b.Int(2); b.Int(3); b.Op(ptgPower); b.Int(2); b.Op(ptgPower); }},
      {u"-2^2", [](auto& b) { b.Int(2); b.Op(ptgUminus); b.Int(2); b.Op(ptgPower); }},
      {u"1=2<3", [](auto& b) { b.Int(1); b.Int(2); b.Int(3); b.Op(ptgLT); b.Op(ptgEQ); }},
      {u"SUM(A1,B1)", [&](auto& b) { b.Ref(0, 0); b.Ref(1, 0); b.FuncVar(2, static_cast<std::uint16_t>(sum)); }},
      {u"SUM()", [&](auto& b) { b.FuncVar(0, static_cast<std::uint16_t>(sum)); }},
      {u"SUM( )", [&](auto& b) { b.FuncVar(0, static_cast<std::uint16_t>(sum)); }},
      {u"ROUND(A1,2)", [&](auto& b) { b.Ref(0, 0); b.Int(2); b.Func(static_cast<std::uint16_t>(round)); }},
      {u"IF(A1,,2)", [&](auto& b) { b.Ref(0, 0); b.Op(xptgMissingArg); b.Int(2); b.FuncVar(3, static_cast<std::uint16_t>(iff)); }},
      {u"SUM(A1,)", [&](auto& b) { b.Ref(0, 0); b.Op(xptgMissingArg); b.FuncVar(2, static_cast<std::uint16_t>(sum)); }},
      {u"(A1,B1)", [](auto& b) { b.Ref(0, 0); b.Ref(1, 0); b.Op(ptgUnion); b.Op(ptgParen); }},
      {u"{1,2;3,4}", [](auto& b) { b.Int(1); b.Int(2); b.Int(3); b.Int(4); b.Array(2, 2); }},
      {u"{-1,2}", [](auto& b) { b.Int(1); b.Op(ptgUminus); b.Int(2); b.Array(2, 1); }},
      {u"2147483647", [](auto& b) { b.Int(2147483647); }},
      {u"-2147483647", [](auto& b) { b.Int(2147483647); b.Op(ptgUminus); }},
      {u"2147483648", [](auto& b) { b.Number(2147483648.0); }},
      {u"0.5", [](auto& b) { b.Number(0.5); }},
      {u"A:A", [](auto& b) { b.Area(0, 0, 0, 1048575); }},
      {u"1:1", [](auto& b) { b.Area(0, 0, 16383, 0); }},
      {u"$A$1:B$2", [](auto& b) { b.Area(0, 0, 1, 1, true, true, false, true); }},
      {u"Sheet1!#REF!+1", [](auto& b) { b.Ref3dError(false, 4); b.Int(1); b.Op(ptgAdd); }},
      {u"'My Sheet'!A1", [](auto& b) { b.Ref3d(1, -1, 0, 0); }},
      {u"Sheet1:Data2!B2:C3", [](auto& b) { b.Area3d(0, 2, 1, 1, 2, 2); }},
      {u"[1]Sheet1!A1+[1]Sheet1:Sheet2!A1", [](auto& b) { b.RefExt(0, 0, -1, 0, 0); b.RefExt(0, 0, 1, 0, 0); b.Op(ptgAdd); }},
      {u"[Book.xlsx]Sheet2!$A$1", [](auto& b) { b.RefExt(0, 1, -1, PTG_COL_ABS, PTG_ROW_ABS); }},
      {u"FOO(1,2)", [](auto& b) { b.Int(1); b.Int(2); b.FuncName(2, u"FOO"); }},
      {u"FOO( )", [](auto& b) { b.FuncName(0, u"FOO"); }},
      {u"Rate*2", [](auto& b) { b.Name(0); b.Int(2); b.Op(ptgMul); }},
      {u"Local", [](auto& b) { b.Name(1); }},
      {u"Nothing", [](auto& b) { b.Error(5); }},
      {u"Sheet1!Local", [](auto& b) { b.Name(1); }},
      {u"Data2!Local", [](auto& b) { b.Name(PTG_NAME_NOT_FOUND); }},
      {u"1   ", [](auto& b) { b.Int(1); }},
      {u"A1 + B1", [](auto& b) { b.Ref(0, 0); b.Space(1); b.Ref(1, 0); b.Space(1); b.Op(ptgAdd); }},
      {u"A1:C3 B2", [](auto& b) { b.Area(0, 0, 2, 2); b.Ref(1, 1); b.Intersect(1); }},
      {u"Rate A1", [](auto& b) { b.Name(0); b.Ref(0, 0); b.Intersect(1); }},
      {u"LOG10(100)", [&](auto& b) { b.Int(100); b.Func(static_cast<std::uint16_t>(log10)); }},
      {u"5%&\"a\"\"b\"", [](auto& b) { b.Int(5); b.Op(ptgPercent); b.String(u"a\"b"); b.Op(ptgConcat); }},
      {u"#N/A<>TRUE", [](auto& b) { b.Error(7); b.Bool(true); b.Op(ptgNE); }},
      // Table1 covers A1:C6 with one header and one totals row: data rows 2..5.
      {u"Table1[Amount]", [](auto& b) { b.TableColumn(0, 1, 1, 1, 1, 4); b.Table(0, PTG_TABLE_OWN_SHEET, 1, 0, 1, 2, 4); }},
      {u"Table1[]", [](auto& b) { b.Table(0, PTG_TABLE_OWN_SHEET, 0, 0, 1, 2, 4); }},
      {u"SUM(Table1[[#Headers],[amount]])", [&](auto& b) {
         b.TableSpecial(3, 0, 0, 0, 2, 0); b.TableColumn(0, 1, 1, 1, 1, 4);
         b.Table(0, PTG_TABLE_OWN_SHEET, 2, 0, 1, 2, 4); b.FuncVar(1, static_cast<std::uint16_t>(sum)); }},
      {u"Table1[[Item]:[Qty]]", [](auto& b) {
         b.TableColumn(0, 0, 0, 1, 0, 4); b.TableColumn(0, 2, 2, 1, 2, 4); b.Op(ptgRange);
         b.Table(0, PTG_TABLE_OWN_SHEET, 1, 0, 1, 2, 4); }},
      {u"Table1[[#Totals]]", [](auto& b) { b.TableSpecial(4, 0, 0, 5, 2, 5); b.Table(0, PTG_TABLE_OWN_SHEET, 1, 0, 1, 2, 4); }},
      // Without a table name the table is the one around the formula cell (C3 here).
      {u"Table2[Value]", [](auto& b) { b.TableColumn(0, 1, 5, 10, 5, 19); b.Table(0, 2, 1, 4, 10, 5, 19); }},
      {u"[Qty]*2", [](auto& b) { b.TableColumn(0, 2, 2, 1, 2, 4); b.Int(2); b.Op(ptgMul); }},
  };
  for (const ByteCase& c : cases) {
    Compiler k;
    Bytes got;
    EXPECT_TRUE(k.Compile(c.Text, got)) << Utf8(c.Text) << " code " << k.FirstCode();
    TXLSPtgsBuilder want;
    c.Build(want);
    EXPECT_EQ(got, want.Bytes()) << Utf8(c.Text);
  }
}

TEST(Encoder, RejectedFormulas) {
  const struct {
    const char16_t* Text;
    int Code;
  } cases[] = {
      {u"(1,2)", 4018},       {u"{1,2;3}", 4022},     {u"LOG10 (100)", 4018}, {u"AB10(2)", 4006},
      {u"1\"x\"", 4006},      {u"1 2", 4018},         {u"1+", 4006},          {u"ROUND(1)", 4020},
      {u"ROUND(1,2,3)", 4021}, {u"Nosheet!A1", 4016}, {u"[2]Sheet1!A1", 4012}, {u"[1]Nosheet!A1", 4016},
      {u"1)", 4006},          {u"2 :A1", 4018},       {u"IF(A1,, ( )2)", 4006},  {u"SUM(1\"x\")", 4006},  {u"{1\"x\"}", 4005},       {u"Rate,A1", 4018},          {u"#BAD", 4001},        {u"(1", 4007},          {u"1e", 4002},
      {u"Table1[Nope]", 4025},        {u"Nope[Amount]", 4024},       {u"Table1[[#Bad]]", 4026},
      {u"Table1[[#All],[#Data]]", 4026}, {u"Table1[[Amount],[#Data]]", 4030}, {u"Table1[[#Data];[Qty]]", 4028},
      {u"Table1[[#Data]:[Qty]]", 4028},
      // An operator without its right operand before a separator, made up for by an extra operand.
      {u"IF(,A1*,2A1)", 4006},        {u"IF(,1*,2A1)", 4006},         {u"SUM(1,2*,3A1)", 4006},
  };
  for (const auto& c : cases) {
    Compiler k;
    Bytes got{1};
    EXPECT_FALSE(k.Compile(c.Text, got)) << Utf8(c.Text);
    EXPECT_TRUE(got.empty()) << Utf8(c.Text);
    EXPECT_EQ(k.FirstCode(), c.Code) << Utf8(c.Text);
  }
  // More than 255 arguments cannot be stored in the count byte.
  std::u16string many = u"SUM(1";
  for (int i = 0; i < 255; ++i) many += u",1";
  many += u")";
  Compiler k;
  Bytes got;
  EXPECT_FALSE(k.Compile(many, got));
  EXPECT_EQ(k.FirstCode(), 4021);
}

TEST(Encoder, RaisingManagerRaises) {
  workbook::TXLSErrorManager raising;
  Bytes got;
  EXPECT_THROW(CompileFormula(u"(1,2)", raising, nullptr, true, TFormulaLocale::Invariant(), got), workbook::Exception);
}

TEST(Decoder, Texts) {
  const struct {
    const char16_t* Text;
    const char16_t* Decoded;
  } cases[] = {
      {u"1+2", u"1+2"},
      {u"A1 + B1", u"A1 + B1"},
      {u"( -1 /2)", u"( -1 /2)"},
      {u"SUM(1 , 2 )", u"SUM(1, 2)"},
      {u"SUM(1, )", u"SUM(1, )"},
      {u"SUM(A$1:B$2)", u"SUM(A$1:B$2)"},
      {u"A:A", u"A1:A1048576"},
      {u"'My Sheet'!A1+Sheet1!B2+Data2!C3+Sheet_1!D4", u"'My Sheet'!A1+Sheet1!B2+Data2!C3+'Sheet_1'!D4"},
      {u"\"say \"\"hi\"\"\"", u"\"say \"\"hi\"\"\""},
      {u"FOO(1,2)", u"FOO(1,2)"},
      {u"Nothing", u"#NAME?"},
      {u"Rate", u"Rate"},
      {u"[1]Sheet2!$A$1", u"[Book.xlsx]Sheet2!$A$1"},
      {u"IF(A1,,2)", u"IF(A1,,2)"},
      {u"{-1,2.5;3,4}", u"{-1,2.5;3,4}"},
      {u"-(1)%", u"-(1)%"},
      {u"  1 ", u"  1"},
      {u"1E+300*1e-17", u"1E+300*1E-17"}, {u"A1*1e-7", u"A1*0.0000001"},
      {u"A1:C3  B2", u"A1:C3  B2"},
      {u"Sheet1:Data2!B2:C3", u"Sheet1:Data2!B2:C3"},
      {u"'Sheet_1:Data2'!B2", u"'Sheet_1:Data2'!B2"},
      {u"SUM(Table1[[#Headers],[amount]])", u"SUM(Table1[[#Headers],[Amount]])"},
      {u"Table1[[Item]:[Qty]]", u"Table1[[Item]:[Qty]]"},
      {u"Table1[qty]+[Qty]", u"Table1[Qty]+[Qty]"},
      {u"SUM(Table2[value],Table1[Qty])", u"SUM(Table2[Value],Table1[Qty])"},
      {u"[Qty]+Table2[Value]", u"[Qty]+Table2[Value]"},
      {u"Table1[[#This Row],[Qty]]", u"Table1[[#This Row],[Qty]]"},
  };
  for (const auto& c : cases) {
    Compiler k;
    Bytes b;
    ASSERT_TRUE(k.Compile(c.Text, b)) << Utf8(c.Text) << " code " << k.FirstCode();
    EXPECT_EQ(Utf8(k.Decode(b)), Utf8(c.Decoded)) << Utf8(c.Text);
  }
}

TEST(Decoder, LocaleSeparators) {
  Compiler k;
  Bytes b;
  ASSERT_TRUE(k.Compile(u"ROUND(A1,2)+SUM({1,2;3,4.5})", b));
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  const std::u16string local = k.Decode(b, comma);
  EXPECT_EQ(Utf8(local), "ROUND(A1;2)+SUM({1\\2;3\\4,5})");
  // The locale text compiles back in locale mode to the same byte code.
  Bytes again;
  ASSERT_TRUE(k.Compile(local, again, 0, false, comma));
  EXPECT_EQ(again, b);
}

TEST(Decoder, ByteCodeFromOutside) {
  Compiler k;
  const struct {
    std::function<void(TXLSPtgsBuilder&)> Build;
    const char* Text;
  } ok[] = {
      {[](auto& b) { b.Name(PTG_NAME_NOT_FOUND); }, "#NAME?"},
      {[](auto& b) { b.Ref(0, 0, false, false, true); }, "#REF!"},
      {[](auto& b) { b.Array(0, 0); }, "{}"},
      {[](auto& b) { b.Table(0, PTG_TABLE_OWN_SHEET, 0, 0, 1, 2, 4); }, "Table1[]"},
      {[](auto& b) { b.TableColumn(0, 1, 1, 1, 1, 4); b.Table(0, PTG_TABLE_OWN_SHEET, 1, 0, 1, 2, 4); }, "Table1[Amount]"},
      {[](auto& b) { b.TableSpecial(3, 0, 0, 0, 2, 0); b.TableColumn(0, 1, 1, 1, 1, 4);
                     b.Table(0, PTG_TABLE_OWN_SHEET, 2, 0, 1, 2, 4); }, "Table1[[#Headers],[Amount]]"},
      {[](auto& b) { b.RefExt(0, 0, -1, 3, 4 | PTG_ROW_ABS); }, "[Book.xlsx]Sheet1!D$5"},
      {[](auto& b) { b.Number(-5.25); }, "-5.25"},
      {[](auto& b) { b.Error(99); }, "#N/A"},
  };
  for (const auto& c : ok) {
    TXLSPtgsBuilder b;
    c.Build(b);
    EXPECT_EQ(Utf8(k.Decode(b.Bytes())), c.Text);
  }
  // Sheet names are quoted where the bare name would read differently.
  const struct {
    const char16_t* Name;
    const char16_t* Quoted;
  } quoting[] = {{u"Sheet1", u"Sheet1"}, {u"Data2", u"Data2"}, {u"My Sheet", u"'My Sheet'"},
                 {u"Sheet_1", u"'Sheet_1'"}, {u"2020", u"'2020'"}, {u"TRUE", u"'TRUE'"}, {u"FALSEx", u"'FALSEx'"}};
  for (const auto& q : quoting) EXPECT_EQ(TXLSFormulaDecoder::QuoteSheetName(q.Name), q.Quoted);
  // A long array constant needs more than 256 pending texts.
  std::u16string big = u"{1";
  for (int i = 0; i < 999; ++i) big += u",1";
  big += u"}";
  Bytes b;
  ASSERT_TRUE(k.Compile(big, b));
  EXPECT_EQ(k.Decode(b), big);
  // Faults raise.
  // Byte code whose spaces precede the second operand decodes with the space there.
  TXLSPtgsBuilder spaced;
  spaced.Ref(0, 0);
  spaced.Space(1);
  spaced.Space(1);
  spaced.Ref(1, 0);
  spaced.Op(ptgAdd);
  EXPECT_EQ(k.Decode(spaced.Bytes()), u"A1+ B1");
  const Bytes bad[] = {{ptgAdd}, {0x00}, {xptgArrayMember97, 0, 0, 0, 0, 0, 0}, {0xFF, 0x24, 0, 0, 0, 0}};
  for (const Bytes& x : bad) EXPECT_THROW(k.Decode(x), workbook::Exception);
  TXLSPtgsBuilder member;
  member.SharedMember(2, 3);
  EXPECT_THROW(k.Decode(member.Bytes()), workbook::Exception);
  TXLSFormulaDecoder d(&k.Names);
  d.MemberFormulaText = [](int c, int r) { return u"X" + core::utf8_to_utf16(std::to_string(c * 100 + r)); };
  EXPECT_EQ(d.Decode(member.Bytes()), u"X203");
}

TEST(Encoder, PtgsToArea3D) {
  struct Ext : IExternSheetResolver {
    bool GetExtSheetTabs(int Index, int& First, int& Last) const override {
      if (Index == 0) First = Last = 2;
      else if (Index == 1) First = 1, Last = 3;
      else if (Index == 2) First = Last = 300;
      else return First = Last = -1, false;
      return First == Last;
    }
  } ext;
  int sheet = -1, r1 = -1, r2 = -1, c1 = -1, c2 = -1;
  Compiler k;
  Bytes b;
  ASSERT_TRUE(k.Compile(u"Data2!$B$3", b));
  EXPECT_EQ(PtgsToArea3D(b.data(), static_cast<int>(b.size()), &ext, sheet, r1, r2, c1, c2), 1);
  EXPECT_EQ(sheet, 2);
  EXPECT_EQ(r1, 2);
  EXPECT_EQ(c1, 1);
  ASSERT_TRUE(k.Compile(u"'My Sheet'!A1:C4", b));
  EXPECT_EQ(PtgsToArea3D(b.data(), static_cast<int>(b.size()), &ext, sheet, r1, r2, c1, c2), 2);
  EXPECT_EQ(sheet, 1);
  EXPECT_EQ(r2, 3);
  EXPECT_EQ(c2, 2);
  ASSERT_TRUE(k.Compile(u"Data2!A1+1", b));
  EXPECT_EQ(PtgsToArea3D(b.data(), static_cast<int>(b.size()), &ext, sheet, r1, r2, c1, c2), 0);
  // BIFF8 ptgRef3d / ptgArea3d behind their lead; the column word carries relative flags.
  const Bytes ref8 = WrapBIFF8({0x3A, 0, 0, 5, 0, 0x03, 0xC0});
  EXPECT_EQ(PtgsToArea3D(ref8.data(), static_cast<int>(ref8.size()), &ext, sheet, r1, r2, c1, c2), 1);
  EXPECT_EQ(sheet, 2);
  EXPECT_EQ(r1, 5);
  EXPECT_EQ(c1, 3);
  const Bytes area8 = WrapBIFF8({0x5B, 0, 0, 1, 0, 4, 0, 0, 0, 2, 0}, {9, 9});
  EXPECT_EQ(PtgsToArea3D(area8.data(), static_cast<int>(area8.size()), &ext, sheet, r1, r2, c1, c2), 2);
  EXPECT_EQ(r2, 4);
  EXPECT_EQ(c2, 2);
  const Bytes range8 = WrapBIFF8({0x3A, 1, 0, 5, 0, 3, 0});
  EXPECT_EQ(PtgsToArea3D(range8.data(), static_cast<int>(range8.size()), &ext, sheet, r1, r2, c1, c2), 0);
  const Bytes far8 = WrapBIFF8({0x3A, 2, 0, 5, 0, 3, 0});
  EXPECT_EQ(PtgsToArea3D(far8.data(), static_cast<int>(far8.size()), &ext, sheet, r1, r2, c1, c2), 3);
  const Bytes cut8 = {0xFF, 0x3A, 0, 0};
  EXPECT_EQ(PtgsToArea3D(cut8.data(), static_cast<int>(cut8.size()), &ext, sheet, r1, r2, c1, c2), 0);
}

// A formula of more than 8 KB of byte code compiles whole.
TEST(Encoder, LongFormula) {
  std::u16string s = u"1";
  for (int i = 0; i < 3000; ++i) s += u"+A1";
  Compiler k;
  Bytes b;
  ASSERT_TRUE(k.Compile(s, b));
  EXPECT_EQ(b.size(), 5u + 3000u * 8u);
  EXPECT_TRUE(ByteCodeWellFormed(b.data(), static_cast<int>(b.size())));
  EXPECT_EQ(k.Decode(b), s);
}

}  // namespace
}  // namespace formula
