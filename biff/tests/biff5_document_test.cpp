#include "biff/document/biff5_document.h"

#include <gtest/gtest.h>

#include <vector>

#include "biff/biff_error.h"
#include "workbook/biff_codecs.h"

namespace {

TEST(BIFF5Document, NewDocumentHasOneSheet) {
  biff::TBIFF5 Doc;
  ASSERT_EQ(Doc.Sheets().Count(), 1);
  EXPECT_EQ(Doc.GetSheet(0)->Name(), u"Sheet1");
  EXPECT_EQ(Doc.Version(), 6);
  EXPECT_EQ(Doc.MaxRecordBody(), 8224);
  EXPECT_TRUE(Doc.DefaultStyles);
  EXPECT_TRUE(Doc.WriteVBA);
  EXPECT_FALSE(Doc.Globals().Defaults().empty());

  Doc.Sheets().Add();
  Doc.GetSheet(1)->SetName(u"Data");
  Doc.DefaultStyles = false;
  Doc.VersionRead = 5;
  Doc.FileSharing = {1, 2, 3};
  const std::uint8_t Style[4] = {0x00, 0x80, 0x00, 0xFF};
  Doc.Styles().Add(Style, 4);
  Doc.Clear();
  EXPECT_EQ(Doc.Sheets().Count(), 1);
  EXPECT_TRUE(Doc.DefaultStyles);
  EXPECT_EQ(Doc.VersionRead, 0);
  EXPECT_TRUE(Doc.FileSharing.empty());
  EXPECT_EQ(Doc.Styles().Count(), 0);
}

TEST(BIFF5Document, VersionSetsTheRecordLimitAndWritability) {
  biff::TBIFF5 Doc;
  std::vector<int> Progress;
  Doc.OnProgress = [&](biff::TBIFF5&, int Percent) { Progress.push_back(Percent); };
  for (std::uint8_t V : {2, 3}) {
    Doc.SetVersion(V);
    EXPECT_EQ(Doc.MaxRecordBody(), 2080);
    EXPECT_THROW(Doc.PrepareWrite(), biff::Exception);
  }
  EXPECT_TRUE(Progress.empty());
  Doc.SetVersion(4);
  Doc.Abort = true;
  Doc.PrepareWrite();
  EXPECT_FALSE(Doc.Aborted());
  EXPECT_EQ(Progress, std::vector<int>{0});
  EXPECT_EQ(Doc.ProgressTotal, Doc.GetSheet(0)->Records().Count());
  Doc.SetVersion(6);
  EXPECT_EQ(Doc.MaxRecordBody(), 8224);
}

TEST(BIFF5Document, AnswersTheFormulaHandler) {
  biff::TBIFF5 Doc;
  Doc.Sheets().Add()->SetName(u"Totals");
  int Index = 7, Count = 7;
  Doc.FindSheetIndex(u"TOTALS", Index, Count);
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(Count, 2);
  Doc.FindSheetIndex(u"Nope", Index, Count);
  EXPECT_EQ(Index, -1);
  EXPECT_EQ(Count, 0);
  std::u16string Name = u"x";
  Doc.GetSheetName(0, 1, Name);
  EXPECT_EQ(Name, u"Totals");
  Doc.GetSheetName(2, 0, Name);
  EXPECT_EQ(Name, u"Totals");
  Doc.GetSheetName(1, 0, Name);
  EXPECT_EQ(Name, u"");

  biff::TBIFF5::SetTrueText(u"WAHR");
  EXPECT_EQ(workbook::BooleanTexts().True, u"WAHR");
  biff::TBIFF5 Other;  // a new document sets the texts back
  EXPECT_EQ(workbook::BooleanTexts().True, u"TRUE");
}

TEST(Styles, CopiesOnlyTheUsedPartAndChecksLengths) {
  struct Case {
    std::vector<std::uint8_t> Body;
    int Size;  // -1: refused
  };
  const Case Cases[] = {
      {{0x00, 0x80, 0x03, 0xFF, 0xAA, 0xBB}, 4},               // built-in
      {{0x10, 0x00, 0x00, 0x00, 0x01}, 4},                     // user style without a name
      {{0x10, 0x00, 0x02, 0x00, 0x00, 'a', 'b', 0xCC}, 7},     // 8-bit name
      {{0x10, 0x00, 0x02, 0x00, 0x01, 'a', 0, 'b', 0}, 9},     // UTF-16 name
      {{0x10, 0x00, 0x02, 0x00, 0x07, 'a', 'b'}, 6},           // other option byte
      {{0x10, 0x00, 0x05, 0x00, 0x01, 'a', 0}, -1},            // name past the body
      {{0x10, 0x00, 0x02}, -1},                                // header cut short
  };
  for (const auto& C : Cases) {
    biff::TStyles S;
    if (C.Size < 0) {
      EXPECT_THROW(S.Add(C.Body.data(), static_cast<int>(C.Body.size())), biff::Exception);
      continue;
    }
    S.Add(C.Body.data(), static_cast<int>(C.Body.size()));
    ASSERT_EQ(S.Count(), 1);
    EXPECT_EQ(S.Items(0), std::vector<std::uint8_t>(C.Body.begin(), C.Body.begin() + C.Size));
  }
}

}  // namespace
