// Table tests of the text functions: the cases worth pinning down, UTF-16 text, and the places where
// the common behaviour of spreadsheet applications is kept.
#include <gtest/gtest.h>

#include "formula/tests/text_lookup_test_util.h"

namespace formula {
namespace {

using namespace formula::testing;

class TextFunctionsTest : public ::testing::Test {
protected:
  TextFunctionsTest() : wb(1), run(wb) {
    wb.Str("A1", u"b");
    wb.Num("A2", 2);
    wb.Err("A3", errNA);
    wb.Str("B1", u"中文abc");
    wb.Str("B2", u"temp 温度");
  }
  void Check(const std::vector<FormulaCase>& Cases) {
    for (const auto& c : Cases) EXPECT_EQ(run.Run(c.formula), c.want) << c.formula;
  }
  FakeWorkbook wb;
  FormulaRunner run;
};

TEST_F(TextFunctionsTest, ConcatenateAndClean) {
  Check({
      {"=CONCATENATE(\"a\",A1:A2,1)", "\"ab21\""},
      {"=CONCATENATE(\"a\",A1:A3,1)", "\"ab21\""},  // the error item is left out
      {"=CONCATENATE(\"a\",A3)", "\"a\""},
      {"=CONCATENATE(1.5,TRUE)", "\"1.5TRUE\""},
      {"=CLEAN(\"a\"&CHAR(9)&\"b\"&CHAR(10))", "\"ab\""},
      {"=CLEAN(\"a b\")", "\"a b\""},  // spaces are printable
  });
}

TEST_F(TextFunctionsTest, ReplaceAndSubstitute) {
  Check({
      {"=REPLACE(\"abcdef\",2,3,\"X\")", "\"aXef\""},
      {"=REPLACE(\"abc\",5,1,\"X\")", "\"abcX\""},
      {"=REPLACE(\"abc\",0,1,\"X\")", "#VALUE!"},
      {"=REPLACE(\"abc\",1,-1,\"X\")", "#VALUE!"},
      {"=REPLACEB(\"abcdef\",1,2,\"\")", "\"cdef\""},
      {"=SUBSTITUTE(\"aaa\",\"aa\",\"b\",2)", "\"ab\""},
      {"=SUBSTITUTE(\"aaa\",\"aa\",\"b\")", "\"ba\""},
      {"=SUBSTITUTE(\"aaa\",\"aa\",\"b\",3)", "\"aaa\""},
      {"=SUBSTITUTE(\"abc\",\"\",\"x\")", "\"abc\""},
      {"=SUBSTITUTE(\"aBa\",\"b\",\"x\")", "\"aBa\""},  // case-sensitive
      {"=SUBSTITUTE(\"a\",\"a\",\"b\",0)", "#VALUE!"},
      {"=SUBSTITUTE(B1,\"文\",\"字\")", "\"中字abc\""},
  });
}

TEST_F(TextFunctionsTest, FindAndSearch) {
  Check({
      {"=SEARCH(\"B\",\"abc\")", "2"},
      {"=FIND(\"B\",\"abc\")", "#VALUE!"},
      {"=FIND(\"b\",\"abcb\",3)", "4"},
      {"=SEARCH(\"a\",\"abc\",0)", "#VALUE!"},
      {"=SEARCH(\"a\",\"abc\",5)", "#VALUE!"},
      {"=FIND(\"\",\"abc\",2)", "2"},
      // SEARCH reads wildcards as spreadsheet applications do; '~' makes them plain.
      {"=SEARCH(\"b*\",\"abc\")", "2"},
      {"=SEARCH(\"b?d\",\"abcd\")", "2"},
      {"=SEARCH(\"~*\",\"a*c\")", "2"},
      {"=SEARCH(\"x*\",\"abc\")", "#VALUE!"},
      {"=FIND(\"*\",\"a*c\")", "2"},
      // Positions count UTF-16 characters, as LEN and MID do.
      {"=FIND(\"a\",B1)", "3"},
      {"=SEARCH(\"温\",B2)", "6"},
      {"=MID(B1,FIND(\"a\",B1),2)", "\"ab\""},
      {"=FINDB(\"c\",\"abc\")", "3"},
      {"=SEARCHB(\"C\",\"abc\")", "3"},
  });
}

TEST_F(TextFunctionsTest, ValueAndHyperlink) {
  Check({
      {"=VALUE(\"12.5\")", "12.5"},
      {"=VALUE(\"x\")", "#VALUE!"},
      {"=VALUE(\" -3 \")", "-3"},
      {"=VALUE(\"$1,234.50\")", "1234.5"},
      {"=VALUE(\"1/2/2020\")", "43832"},
      {"=VALUE(A3)", "#N/A"},
      {"=HYPERLINK(\"target\")", "\"target\""},
      {"=HYPERLINK(\"target\",\"name\")", "\"name\""},
  });
}

TEST_F(TextFunctionsTest, TextFormatsNumbersThroughTheMask) {
  Check({
      {"=TEXT(3.14159,\"0.00\")", "\"3.14\""},
      {"=TEXT(1234.5,\"#,##0.00\")", "\"1,234.50\""},
      {"=TEXT(\"12\",\"0.0\")", "\"12.0\""},
      {"=TEXT(\"abc\",\"0.0\")", "\"abc\""},  // a text that is no number stays as it is
      {"=TEXT(\"abc\",\"@\")", "\"abc\""},
      {"=TEXT(A3,\"0\")", "#N/A"},
      {"=TEXT(TRUE,\"0\")", "\"1\""},
      {"=TEXT(5,\"\")", "\"5\""},
      {"=TEXT(5,REPT(\"0\",256))", "#VALUE!"},  // longer than 255 characters
      {"=TEXT(5,REPT(\"0\",255))", std::string("\"" + std::string(254, '0') + "5\"").c_str()},
  });
}

TEST_F(TextFunctionsTest, SmallTextFunctionsWorkInUTF16) {
  Check({
      {"=PROPER(\"hello wORLD\")", "\"Hello World\""},
      {"=PROPER(\"o'neil-smith 2nd\")", "\"O'Neil-Smith 2Nd\""},
      {"=LEN(B1)", "5"},
      {"=LEFT(B1,2)", "\"中文\""},
      {"=RIGHT(B2,2)", "\"温度\""},
      {"=UPPER(B1)", "\"中文ABC\""},
      {"=TRIM(\"  a   b  \")", "\"a b\""},
  });
}

}  // namespace
}  // namespace formula

namespace formula {
namespace {

using namespace formula::testing;

// Under a locale with the decimal comma, numbers are read and written with its separators.
TEST(TextFunctionsLocaleTest, ValueAndTextFollowTheLocale) {
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  FakeWorkbook wb(1);
  FormulaRunner run(wb, &comma);
  EXPECT_EQ(run.Run("VALUE(\"12,5\")"), "12.5");
  EXPECT_EQ(run.Run("VALUE(\"12.5.2020\")"), "43963");  // 12 May 2020: day.month.year
  EXPECT_EQ(run.Run("TEXT(2.5,\"0.00\")"), "\"2,50\"");
}

}  // namespace
}  // namespace formula
