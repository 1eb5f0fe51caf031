// Formulas whose results spreadsheet applications agree on, entered as text, calculated by the
// handler and compared with the applications' results (each expected value was checked with
// LibreOffice Calc through tests/libreoffice/lo_eval.py): arguments of array class, ranges that meet
// the formula cell or not, missing database fields, unknown functions, text conversions, letter case
// and the order of texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"

namespace formula {
namespace {

using testing::FakeWorkbook;

struct Case {
  const char* Cells;    // "A1=10;B1='text;C1==A1*2": a number, a text after ', a formula after =
  const char* At;       // the formula's cell
  const char* Formula;  // without its "="
  const char* Want;     // as Describe shows it; a number compares to 12 significant digits
};

// Builds the sheet, calculates it and describes the value of At.
std::string Calculate(const Case& C) {
  FakeWorkbook wb(1);
  TXLSFormulaHandler handler(&wb);
  workbook::TXLSCellMMU& cells = wb.Sheet();
  std::vector<std::uint8_t> tokens;
  auto formula = [&](const std::string& Ref, const std::string& Text) {
    int col = 0, row = 0;
    FakeWorkbook::Pos(Ref.c_str(), col, row);
    EXPECT_GT(handler.EncodeCellFormula(core::utf8_to_utf16(Text), tokens, 0, col, row, true), 0) << Text;
    cells.WriteFormulaPtgs(col, row, 0, tokens.data(), static_cast<int>(tokens.size()), 0);
  };
  const std::string spec = C.Cells;
  for (std::size_t p = 0; p < spec.size();) {
    std::size_t end = spec.find(';', p);
    if (end == std::string::npos) end = spec.size();
    const std::string item = spec.substr(p, end - p);
    p = end + 1;
    const std::size_t eq = item.find('=');
    const std::string ref = item.substr(0, eq), value = item.substr(eq + 1);
    int col = 0, row = 0;
    FakeWorkbook::Pos(ref.c_str(), col, row);
    if (!value.empty() && value[0] == '\'')
      cells.WriteString(col, row, 0, core::utf8_to_utf16(value.substr(1)));
    else if (!value.empty() && value[0] == '=')
      formula(ref, value.substr(1));
    else
      cells.WriteFloat(col, row, 0, std::strtod(value.c_str(), nullptr));
  }
  formula(C.At, C.Formula);
  handler.Calculate();
  int col = 0, row = 0;
  FakeWorkbook::Pos(C.At, col, row);
  workbook::TMMUCellRef ref;
  if (!cells.FindCell(col, row, ref)) return "<none>";
  TXLSFormulaValue v;
  if (!testing::CachedFormulaResult(ref, v)) return "<no result>";
  return testing::Describe(v);
}

void Check(const std::vector<Case>& Cases) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(std::string(c.Formula) + " in " + c.At);
    const std::string got = Calculate(c);
    char* end = nullptr;
    const double want = std::strtod(c.Want, &end);
    if (end && *end == 0 && end != c.Want) {
      char* gotEnd = nullptr;
      const double g = std::strtod(got.c_str(), &gotEnd);
      ASSERT_TRUE(gotEnd && *gotEnd == 0 && gotEnd != got.c_str()) << got;
      EXPECT_NEAR(g, want, std::fabs(want) * 1e-12 + 1e-300) << got;
    } else {
      EXPECT_EQ(got, c.Want);
    }
  }
}

constexpr const char* kTens = "A1=10;A2=20;A3=30;B1='x;B2='y;B3='x";
// A1:A20 = 7i mod 17, B1:B20 = 1.37i + 0.011i^2 rounded to 3 decimals.
constexpr const char* kTwenty =
    "A1=7;A2=14;A3=4;A4=11;A5=1;A6=8;A7=15;A8=5;A9=12;A10=2;A11=9;A12=16;A13=6;A14=13;A15=3;A16=10;A17=0;"
    "A18=7;A19=14;A20=4;B1=1.381;B2=2.784;B3=4.209;B4=5.656;B5=7.125;B6=8.616;B7=10.129;B8=11.664;"
    "B9=13.221;B10=14.8;B11=16.401;B12=18.024;B13=19.669;B14=21.336;B15=23.025;B16=24.736;B17=26.469;"
    "B18=28.224;B19=30.001;B20=31.8";
constexpr const char* kMixed =
    "D1=3;D2='a;D3=7;D5=5;D6=12.5;D7='9;D8=-4;D9=0;D10='x;D11=8;D12=1;D13=2;D14=3;D16=6;D17=7;D18=8;D19=9;D20=10";

// Expressions inside arguments of array class are calculated as arrays in every formula, not
// reduced to the cell in the formula's row.
TEST(SpreadsheetAgreement, ArrayArguments) {
  Check({
      {kTens, "C2", "SUMPRODUCT(A1:A3*2)", "120"},
      {kTens, "C2", "SUMPRODUCT((A1:A3>15)*A1:A3)", "50"},
      {kTens, "C2", "SUMPRODUCT(--(A1:A3>15))", "2"},
      {kTens, "C2", "SUMPRODUCT(ABS(A1:A3-25))", "25"},
      {kTens, "C2", "SUMPRODUCT(IF(A1:A3>15,1,0))", "2"},
      {kTens, "C2", "SUMPRODUCT(ROW(A1:A3)*A1:A3)", "140"},
      {kTens, "C2", "SUMPRODUCT((A1:A3>15)*(B1:B3=\"x\"))", "1"},
      {kTens, "C2", "SUMPRODUCT(LEN(B1:B3&\"ab\"))", "9"},
      {kTens, "C2", "SUMPRODUCT(A1:A3*{1;2;3})", "140"},
      {kTens, "C2", "LOOKUP(2,1/(A1:A3>15),A1:A3)", "30"},
      {kTens, "C2", "LOOKUP(2,1/(B1:B3=\"x\"),A1:A3)", "30"},
      {kTens, "C2", "MATCH(1,(A1:A3>15)*1,0)", "2"},
      {kTens, "C2", "CORREL(A1:A3*2,A1:A3^2)", "0.989743318610787"},
      {kTens, "C2", "SUMX2MY2(A1:A3*2,A1:A3)", "4200"},
      {kTens, "C2", "TTEST(A1:A3*2,A1:A3+5,2,2)", "0.309881689717749"},
      {kTens, "C2", "MDETERM(A1:A2*{1,2}+{1,0;0,1})", "51"},
      // Outside arguments of array class a range still meets the formula's row.
      {kTens, "C2", "SUM(A1:A3*2)", "40"},
      {kTens, "C2", "A1:A3*2", "40"},
      {kTens, "C5", "SUM(A1:A3*2)", "#VALUE!"},
      {kTens, "C5", "INDEX(A1:A3*2,2)", "#VALUE!"},
      {kMixed, "F25", "SUMPRODUCT(ISNUMBER(D1:D20)*1)", "15"},
      {kMixed, "F25", "SUMPRODUCT(ISTEXT(D1:D20)*1)", "3"},
      {kTwenty, "C25", "SUMPRODUCT(--(A1:A20>10),B1:B20)", "101.151"},
      {kTwenty, "C5", "SUMPRODUCT(--(A1:A20>10),B1:B20)", "101.151"},
      {kTwenty, "C25", "SUMPRODUCT((A1:A20>5)*(A1:A20<12)*B1:B20)", "104.683"},
      {kTwenty, "C25", "LOOKUP(2,1/(A1:A20=7),B1:B20)", "28.224"},
  });
}

// A range as a formula's result gives the cell it meets: a one-row range the cell in the formula's
// column, a one-column range the cell in its row; otherwise #VALUE!. Missing database fields,
// unknown functions.
TEST(SpreadsheetAgreement, RangesDatabasesAndNames) {
  constexpr const char* grid = "A1=10;A2=20;A3=30;B1=1;B2=2;B3=3;B5=1;C5=2;D5=3;E2=1;F2=2;G2=3";
  constexpr const char* db = "A1='Name;A2='x;A3='y;A4=3;B1='Name";
  constexpr const char* dbX = "A1='Name;A2='x;A3='y;A4=3;B1='Name;B2='x";
  Check({
      {grid, "C2", "A1:A3", "20"},
      {grid, "C661", "A1:A3", "#VALUE!"},
      {grid, "A9", "A1:A3", "#VALUE!"},
      {grid, "C1", "B5:D5", "2"},
      {grid, "F5", "B5:D5", "#VALUE!"},
      {grid, "A5", "B5:D5", "#VALUE!"},
      {grid, "C2", "A1:B3", "#VALUE!"},
      {grid, "F100", "INDEX(E1:G15,2,0)", "2"},
      {grid, "H100", "INDEX(E1:G15,2,0)", "#VALUE!"},
      {db, "C5", "DCOUNT(A1:A4,,B1:B2)", "3"},
      {dbX, "C5", "DCOUNT(A1:A4,,B1:B2)", "1"},
      {db, "C5", "DCOUNTA(A1:A4,,B1:B2)", "3"},
      {db, "C5", "DSUM(A1:A4,,B1:B2)", "#VALUE!"},
      {"A1='Name;B1='Amount;A2='x;B2=5;A3='y;B3=7;D1='Name", "F5", "DSUM(A1:B3,\"Amount\",D1:D2)", "12"},
      {grid, "C9", "FOOBAR(1)", "#NAME?"},
  });
}

// Conversions of text and numbers.
TEST(SpreadsheetAgreement, TextConversions) {
  Check({
      {"", "C1", "VALUE(\"12%\")", "0.12"},
      {"", "C1", "VALUE(\"1.5%\")", "0.015"},
      {"", "C1", "VALUE(A1)", "0"},
      {"", "C1", "VALUE(\"$1,000\")", "1000"},
      {"", "C1", "VALUE(\" 12 \")", "12"},
      {"", "C1", "DATEVALUE(\"15-Mar-2024\")", "45366"},
      {"", "C1", "DATEVALUE(\"15-March-2024\")", "45366"},
      {"", "C1", "DATEVALUE(\"15-Mar-24\")", "45366"},
      {"", "C1", "DATEVALUE(\"March 15, 2024\")", "45366"},
      {"", "C1", "DATEVALUE(\"Mar 15, 2024\")", "45366"},
      {"", "C1", "DATEVALUE(\"2024-03-15\")", "45366"},
      {"", "C1", "DATEVALUE(\"3/15/2024\")", "45366"},
      {"", "C1", "\"15-Mar-2024\"+0", "45366"},
      {"", "C1", "\"\"&0.000001", "\"0.000001\""},
      {"", "C1", "\"\"&0.0000001", "\"0.0000001\""},
      {"", "C1", "\"\"&(-0.000001)", "\"-0.000001\""},
      {"", "C1", "\"\"&0.0000012", "\"0.0000012\""},
      {"", "C1", "\"\"&1E-10", "\"0.0000000001\""},
      {"", "C1", "\"\"&(1/3)", "\"0.333333333333333\""},
      {"", "C1", "\"\"&123456789012345", "\"123456789012345\""},
      {"", "C1", "LEN(0.000001)", "8"},
  });
}

// Letter case beyond a-z, and texts compared without regard to case, letters before accents.
TEST(SpreadsheetAgreement, CaseAndTextOrder) {
  constexpr const char* fruit = "A1='Ápfel;A2='banana;A3='cherry;A4='Dattel;B1=1;B2=2;B3=4;B4=8";
  Check({
      {"", "C1", "UPPER(\"ñandú\")", "\"ÑANDÚ\""},
      {"", "C1", "LOWER(\"ÁÉÍÑ\")", "\"áéíñ\""},
      {"", "C1", "UPPER(\"αβγ ω\")", "\"ΑΒΓ Ω\""},
      {"", "C1", "LOWER(\"ΑΒΓ ΣΟΦΌΣ\")", "\"αβγ σοφός\""},
      {"", "C1", "UPPER(\"привет мир\")", "\"ПРИВЕТ МИР\""},
      {"", "C1", "UPPER(\"ąčęėįšųūž ÿ\")", "\"ĄČĘĖĮŠŲŪŽ Ÿ\""},
      {"", "C1", "PROPER(\"élan vital\")", "\"Élan Vital\""},
      {"", "C1", "PROPER(\"привет мир\")", "\"Привет Мир\""},
      {"", "C1", "PROPER(\"ÉCOLE du louvre\")", "\"École Du Louvre\""},
      {"", "C1", "PROPER(\"o'neil mc-donald 2nd x1y\")", "\"O'Neil Mc-Donald 2Nd X1Y\""},
      {"", "C1", "\"Ápfel\">=\"c\"", "FALSE"},
      {"", "C1", "\"a\"=\"A\"", "TRUE"},
      {"", "C1", "\"é\"=\"É\"", "TRUE"},
      {"", "C1", "\"é\"=\"e\"", "FALSE"},
      {"", "C1", "\"e\"<\"é\"", "TRUE"},
      {"", "C1", "\"éa\"<\"eb\"", "TRUE"},
      {"", "C1", "\"äb\"<\"az\"", "TRUE"},
      {"", "C1", "\"b\"<\"Ä\"", "FALSE"},
      {"", "C1", "\"apple\"<\"Banana\"", "TRUE"},
      {"", "C1", "\"Z\"<\"a\"", "FALSE"},
      {"", "C1", "\"_\"<\"a\"", "TRUE"},
      {"", "C1", "\"9\"<\"_\"", "FALSE"},
      {"", "C1", "\"$\"<\"0\"", "TRUE"},
      {"", "C1", "\"-\"<\"!\"", "TRUE"},
      {"", "C1", "\"a b\"<\"ab\"", "TRUE"},
      {"", "C1", "\"10\"<\"9\"", "TRUE"},
      {"", "C1", "\"æ\"<\"af\"", "TRUE"},
      {"", "C1", "\"ø\"<\"p\"", "TRUE"},
      {"", "C1", "\"z\"<\"α\"", "TRUE"},
      {"", "C1", "\"Ω\"<\"я\"", "TRUE"},
      {"", "C1", "\"中\"=\"文\"", "FALSE"},
      {fruit, "C1", "SUMIF(A1:A4,\">=c\",B1:B4)", "12"},
      {fruit, "C1", "COUNTIF(A1:A4,\"<b\")", "1"},
      {fruit, "C1", "COUNTIF(A1:A4,\"ápfel\")", "1"},
      {fruit, "C1", "MATCH(\"DATTEL\",A1:A4,0)", "4"},
  });
}

}  // namespace
}  // namespace formula
