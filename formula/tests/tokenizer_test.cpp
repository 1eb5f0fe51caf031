#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formula/language/tokenizer.h"

namespace formula {
namespace {

struct Collected {
  workbook::TXLSErrorManager Errors;
  Collected() { Errors.SetSaveToList(true); }
  std::vector<int> Codes() const {
    std::vector<int> c;
    for (const auto& m : Errors.Messages()) c.push_back(m.Code);
    return c;
  }
};

std::vector<int> Kinds(const TXLSTokenList& t) {
  std::vector<int> k;
  for (const auto& x : t) k.push_back(x.Kind);
  return k;
}

struct Case {
  const char16_t* Text;
  std::vector<int> Kinds;
  std::vector<int> Codes;
};

TEST(Tokenizer, KindsAndMessages) {
  const Case cases[] = {
      {u"A1048576", {44, 46}, {}},
      {u"A1048577", {52}, {}},
      {u"XFD1", {44, 46}, {}},
      {u"XFE1", {52}, {}},
      {u"ABCD1", {52}, {}},
      {u"A1B", {52}, {}},
      {u"true", {52}, {}},
      {u"TRUE", {21}, {}},
      {u"TRUEX", {21, 52}, {}},
      {u"1e5", {26}, {}},
      {u".5", {26}, {}},
      {u"1.", {26}, {}},
      {u"{1,2;3,4}", {24, 26, 2, 26, 4, 26, 2, 26, 25}, {}},
      {u"{-1,2}", {24, 32, 26, 2, 26, 25}, {}},
      {u"'My Sheet'!A1", {54, 6, 44, 46}, {}},
      {u"Sheet1:Sheet3!B2", {54, 3, 54, 6, 44, 46}, {}},
      {u"[1]Sheet1!A1", {55, 54, 6, 44, 46}, {}},
      {u"'[Book 1]Sheet1'!A1", {55, 54, 6, 44, 46}, {}},
      {u"A1 B1", {44, 46, 43, 44, 46}, {}},
      {u"A1 + B1", {44, 46, 1, 30, 1, 44, 46}, {}},
      {u"SUM (A1)", {52, 43, 7, 44, 46, 8}, {}},
      {u"SUM(A1)", {53, 44, 46, 8}, {}},
      {u"LOG10(100)", {53, 26, 8}, {}},
      {u"AB10(100)", {44, 46, 7, 26, 8}, {}},
      {u"Table1[[#Headers],[Amount]]", {56, 58, 2, 57, 10}, {}},
      {u"Table1[Amount]", {56, 57, 10}, {}},
      {u"A:A", {44, 3, 44}, {}},
      {u"$1:$3", {47, 3, 47}, {}},
      {u"$A$1:B$2", {45, 47, 3, 44, 47}, {}},
      {u"Sheet1!#REF!+1", {54, 6, 16, 30, 26}, {}},
      {u"=1", {35, 26}, {}},
      {u"-2^2", {32, 26, 27, 26}, {}},
      {u"1-2", {26, 31, 26}, {}},
      {u"5%", {26, 41}, {}},
      {u"  1 ", {1, 26, 12}, {}},
      {u"1   ", {26}, {}},
      {u"\"a\"\"b\"", {23}, {}},
      {u"#N/A", {19}, {}},
      // Faults.
      {u"#FOO", {0, 52}, {4001, 4006}},
      {u"1e", {52}, {4002}},
      {u"\"abc", {0}, {4004}},
      {u"{1,-2}", {}, {4005, 4006}},
      {u"{}", {}, {4005, 4006}},
      {u"(1", {7, 26}, {4007}},
      {u"1+", {26, 30}, {}},
      {u"-", {32}, {4008}},
      {u"1:A", {}, {4010}},
      {u"'Sheet1'A1", {}, {4013, 4006}},
      {u"'abc", {}, {4013, 4006}},
      {u"1)", {26, 0}, {4006}},
  };
  for (const Case& c : cases) {
    Collected e;
    TXLSTokenizer t(e.Errors);
    TXLSTokenList list;
    ASSERT_TRUE(t.Parse(c.Text, list)) << std::string(c.Text, c.Text + std::char_traits<char16_t>::length(c.Text));
    const std::string name(c.Text, c.Text + std::char_traits<char16_t>::length(c.Text));
    if (!c.Kinds.empty() || c.Codes.empty()) {
      EXPECT_EQ(Kinds(list), c.Kinds) << name;
    }
    if (c.Codes.empty()) {
      EXPECT_TRUE(e.Codes().empty()) << name;
    } else {
      ASSERT_FALSE(e.Codes().empty()) << name;
      EXPECT_EQ(e.Codes()[0], c.Codes[0]) << name;
    }
  }
}

TEST(Tokenizer, Values) {
  Collected e;
  TXLSTokenizer t(e.Errors);
  TXLSTokenList l;
  ASSERT_TRUE(t.Parse(u"$XFD$1048576+\"a\"\"b\"+.5+LOG10", l));
  EXPECT_EQ(l[0].Kind, xtkColAbs);
  EXPECT_EQ(l[0].Int, 16383);
  EXPECT_EQ(l[1].Kind, xtkRowAbs);
  EXPECT_EQ(l[1].Int, 1048575);
  EXPECT_EQ(l[3].Text, u"a\"b");
  EXPECT_EQ(l[5].Num, 0.5);
  // LOG10 without "(" is the cell: column 8508, row 9.
  EXPECT_EQ(l[7].Int, 8508);
  EXPECT_EQ(l[8].Int, 9);
  EXPECT_EQ(l[3].Pos, 13);
  EXPECT_FALSE(t.Parse(u" \r\n\t", l));
  EXPECT_TRUE(l.empty());
}

TEST(Tokenizer, LocaleSeparatorsAreExplicit) {
  Collected e;
  TXLSTokenizer t(e.Errors);
  const TFormulaLocale comma = TFormulaLocale::CommaDecimal();
  TXLSTokenList l;
  t.SetSeparators(false, comma);
  ASSERT_TRUE(t.Parse(u"ROUND(1,5;2)+{1\\2;3\\4}", l));
  EXPECT_EQ(Kinds(l), (std::vector<int>{53, 26, 2, 26, 8, 30, 24, 26, 2, 26, 4, 26, 2, 26, 25}));
  EXPECT_EQ(l[1].Num, 1.5);
  EXPECT_TRUE(e.Codes().empty());
  t.SetSeparators(true);
  ASSERT_TRUE(t.Parse(u"ROUND(1.5,2)", l));
  EXPECT_EQ(Kinds(l), (std::vector<int>{53, 26, 2, 26, 8}));
}

TEST(Tokenizer, RaisingManagerStopsAtFirstFault) {
  workbook::TXLSErrorManager raising;
  TXLSTokenizer t(raising);
  TXLSTokenList l;
  EXPECT_THROW(t.Parse(u"1+#BAD", l), workbook::Exception);
}

// Texts that would be rescanned from every position if scans were not bounded.
TEST(Tokenizer, PathologicalTextsStayLinear) {
  const std::u16string units[] = {u"a$", u"[#", u"#A", u"\"\"\"", u"'x", u"\u00C4@", u"{1,"};
  for (const std::u16string& unit : units) {
    const std::size_t kLen = 20000;
    std::u16string s;
    while (s.size() < kLen) s += unit;
    Collected e;
    TXLSTokenizer t(e.Errors);
    TXLSTokenList l;
    EXPECT_TRUE(t.Parse(s, l));
    EXPECT_FALSE(e.Codes().empty());
  }
}

TEST(Tokenizer, DeepNestingAndLongTextDoNotRecurse) {
  Collected e;
  TXLSTokenizer t(e.Errors);
  std::u16string s(50000, u'(');
  s += u"1";
  s += std::u16string(50000, u')');
  TXLSTokenList l;
  ASSERT_TRUE(t.Parse(s, l));
  EXPECT_EQ(l.size(), 100001u);
  EXPECT_TRUE(e.Codes().empty());
}

}  // namespace
}  // namespace formula
