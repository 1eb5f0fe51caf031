#include "workbook/external_links.h"

#include <gtest/gtest.h>

#include "workbook/biff_codecs.h"
#include "workbook/format_settings.h"

namespace workbook {
namespace {

class XLinksTest : public ::testing::Test {
protected:
  void SetUp() override {
    TXc12ExternalLink* a = links.Add();
    a->ExternalBook.Target = u"Book1.xlsx";
    TXc12ExternalLink* b = links.Add();
    b->ExternalBook.Target = u"Daten/Übersicht.xlsx";
    b->ExternalBook.SheetNames = {u"Sheet1", u"Summe"};
    TXc12XSheetData* s0 = b->ExternalBook.SheetDataSet.Add();
    b->ExternalBook.SheetDataSet.Add();
    TXc12XRow* r = s0->Add();
    r->Row = 4;
    TXc12XCell* c = r->Add();
    c->SetRef(u"C5");
    c->SetAsFloat(12.5);
    TXc12XCell* dup = r->Add();
    dup->SetRef(u"C5");
    dup->SetAsFloat(99);
    TXc12XRow* r2 = s0->Add();  // a second row of the same number is never reached
    r2->Row = 4;
    r2->Add()->SetRef(u"D5");
  }
  TXc12DataXLinks links;
};

TEST_F(XLinksTest, FindByNumberAndByTarget) {
  struct Case {
    const char16_t* text;
    int expected;
  };
  const Case cases[] = {
      {u"1", 0}, {u"2", 1}, {u"3", -1}, {u"0", -1}, {u"-1", -1}, {u"99999999999", -1},
      {u"book1.XLSX", 0}, {u"DATEN/Übersicht.XLSX", 1}, {u"daten/übersicht.xlsx", 1},
      {u"", -1}, {u"Book2.xlsx", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(links.Find(c.text), c.expected);
}

TEST_F(XLinksTest, GetValue) {
  TXc12XCellValue v;
  v.SetAsString(u"untouched");
  EXPECT_FALSE(links.GetValue(-1, 0, 2, 4, v));
  EXPECT_FALSE(links.GetValue(2, 0, 2, 4, v));
  EXPECT_FALSE(links.GetValue(1, 5, 2, 4, v));  // no such external sheet
  EXPECT_EQ(v.GetAsString(), u"untouched");
  ASSERT_TRUE(links.GetValue(1, 0, 2, 4, v));
  EXPECT_EQ(v.ValueType, xvtNumber);
  EXPECT_DOUBLE_EQ(v.Number, 12.5);  // the first cell of the first row
  EXPECT_FALSE(links.GetValue(1, 0, 3, 4, v));
  EXPECT_FALSE(links.GetValue(1, 1, 2, 4, v));
  EXPECT_EQ(links.GetItem(1)->ExternalBook.FindSheet(u"SUMME"), 1);
  EXPECT_EQ(links.GetItem(1)->ExternalBook.FindSheet(u"Other"), -1);
  links.GetItem(1)->ExternalBook.SheetNames.push_back(u"Größe");
  EXPECT_EQ(links.GetItem(1)->ExternalBook.FindSheet(u"GRÖßE"), 2);
}

TEST(XLinkValues, TextsAndStates) {
  TXc12XCellValue v;
  EXPECT_EQ(v.ValueType, xvtNumber);
  EXPECT_EQ(v.GetAsString(), u"0");
  v.SetAsError(errNA);
  EXPECT_EQ(v.GetAsString(), u"#N/A");
  v.SetAsError(errGettingData);
  EXPECT_EQ(v.GetAsString(), u"#GETTING_DATA");
  v.SetAsBoolean(true);
  EXPECT_EQ(v.GetAsString(), u"TRUE");
  BooleanTexts().True = u"WAHR";
  EXPECT_EQ(v.GetAsString(), u"WAHR");
  ResetBooleanTexts();
  v.SetAsString(u"first");
  v.SetAsString(u"second");
  EXPECT_EQ(v.GetAsString(), u"second");
  v.SetNil(false);
  EXPECT_EQ(v.ValueType, xvtNumber);
  EXPECT_EQ(v.Number, 0);
  EXPECT_TRUE(v.String.empty());
  v.SetNil(true);
  EXPECT_EQ(v.ValueType, xvtNil);
  EXPECT_EQ(v.GetAsString(), u"");

  struct Num {
    double value;
    const char16_t* text;
  };
  const Num nums[] = {{1.5, u"1.5"}, {-0.25, u"-0.25"}, {-0.0, u"0"}, {100, u"100"}, {1.0 / 3, u"0.333333333333333"},
                      {1e20, u"1E20"}, {1.5e-7, u"1.5E-7"}, {123456789012345678.0, u"1.23456789012346E17"}};
  for (const Num& n : nums) {
    v.SetAsFloat(n.value);
    EXPECT_EQ(v.GetAsString(), n.text);
  }
  TFormatSettings::SetDecimalSeparator(u',');
  v.SetAsFloat(2.5);
  EXPECT_EQ(v.GetAsString(), u"2,5");
  TFormatSettings::SetDecimalSeparator(u'.');
}

TEST(XLinkValues, CellRefs) {
  TXc12XCell c;
  EXPECT_TRUE(c.SetRef(u"AB12"));
  EXPECT_EQ(c.Col, 27);
  EXPECT_EQ(c.Row, 11);
  EXPECT_EQ(c.GetRef(), u"AB12");
  EXPECT_FALSE(c.SetRef(u"nonsense"));
  EXPECT_EQ(c.Col, 27);
}

}  // namespace
}  // namespace workbook
