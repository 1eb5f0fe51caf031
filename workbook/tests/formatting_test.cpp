// Formatting ranges and cells through the cell format editor, on a real style sheet, string table
// and cell store.
#include <gtest/gtest.h>

#include <set>

#include "workbook/cell_format_editor.h"
#include "workbook/cell_store_links.h"
#include "workbook/formatting.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace workbook {
namespace {

class FormattingTest : public ::testing::Test {
protected:
  TXc12DataStyleSheet styles;
  TXc12DataSST sst{&styles};
  std::unique_ptr<TXLSCellMMU> cells = CreateCellStore(0, &sst, &styles);
  TXLSCell cell{&styles, cells.get()};
  TXLSRange range{&cell};
  const int baseXF0 = styles.XFs->GetItem(0)->RefCount;  // uses the style sheet holds itself

  TXc12XF* XFAt(int Col, int Row) {
    TMMUCellRef ref;
    if (!cells->FindCell(Col, Row, ref)) return nullptr;
    return styles.XFs->GetItem(TXLSCellMMU::GetStyle(ref));
  }
  int LiveXFs() {
    int n = 0;
    for (int i = 0; i < styles.XFs->Count(); ++i)
      if (styles.XFs->GetItem(i)) ++n;
    return n;
  }
  // Every cell format's use count equals the cells and rows that refer to it.
  void CheckXFUses() {
    std::map<int, int> uses;
    cells->BeginIterate(0);
    while (cells->IterNext()) ++uses[cells->IterStyle()];
    for (int r = 0; r <= cells->LastRow(); ++r)
      if (TMMURowHeader h = cells->FindRow(r)) ++uses[h.Style()];
    uses[0] += baseXF0;
    for (int i = 0; i < styles.XFs->Count(); ++i) {
      TXc12XF* xf = styles.XFs->GetItem(i);
      if (!xf) continue;
      EXPECT_EQ(xf->RefCount, uses.count(i) ? uses[i] : 0) << "XF " << i;
    }
  }
};

TEST_F(FormattingTest, GetItemShapes) {
  struct Case {
    const char16_t* Ref;
    int Col1, Row1, Col2, Row2, Shape;
  } cases[] = {{u"A1:D27", 0, 0, 3, 26, 3}, {u"A1", 0, 0, 0, 0, 0}, {u"A1:A5", 0, 0, 0, 4, 1},
               {u"A1:D1", 0, 0, 3, 0, 2},   {u"D5:B2", 1, 1, 3, 4, 3}, {u"Sheet1!B:B", 1, 0, 1, XLS_MAXROW, 1}};
  for (const Case& c : cases) {
    TXLSRange* r = range.GetItem(c.Ref);
    EXPECT_EQ(r, &range);
    EXPECT_TRUE(r->SameBounds(c.Col1, c.Row1, c.Col2, c.Row2)) << std::string(c.Ref, c.Ref + 3);
    EXPECT_EQ(r->Shape(), c.Shape);
  }
  range.GetItem(u"not an area");
  EXPECT_FALSE(range.Valid());
  range.SetFillColor(0xFF0000);  // does nothing
  EXPECT_EQ(cells->LastRow(), -1);
}

TEST_F(FormattingTest, OutlineBordersAndMissingCells) {
  range.GetItem(u"A3:D8")->SetBorderOutlineStyle(cbsThin);
  for (int r = 2; r <= 7; ++r) {
    for (int c = 0; c <= 3; ++c) {
      TXc12XF* xf = XFAt(c, r);
      ASSERT_NE(xf, nullptr) << c << "," << r;
      const TXc12Border& b = *xf->GetBorder();
      EXPECT_EQ(b.Left.Style, c == 0 ? cbsThin : cbsNone) << c << "," << r;
      EXPECT_EQ(b.Right.Style, c == 3 ? cbsThin : cbsNone) << c << "," << r;
      EXPECT_EQ(b.Top.Style, r == 2 ? cbsThin : cbsNone) << c << "," << r;
      EXPECT_EQ(b.Bottom.Style, r == 7 ? cbsThin : cbsNone) << c << "," << r;
    }
  }
  EXPECT_EQ(XFAt(1, 4)->Index, 0);  // an inner cell: a blank of format 0
  EXPECT_EQ(XFAt(4, 4), nullptr);
  CheckXFUses();
}

TEST_F(FormattingTest, InsideLines) {
  range.GetItem(u"B2:E2")->SetBorderInsideHorizStyle(cbsThin);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(XFAt(c, 1)->Index, 0);  // created, unchanged
  range.GetItem(u"B4:D6")->SetBorderInsideHorizStyle(cbsMedium);
  range.GetItem(u"B4:D6")->SetBorderInsideVertStyle(cbsDashed);
  for (int r = 3; r <= 5; ++r)
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(XFAt(c, r)->GetBorder()->Bottom.Style, r < 5 ? cbsMedium : cbsNone);
      EXPECT_EQ(XFAt(c, r)->GetBorder()->Right.Style, c < 3 ? cbsDashed : cbsNone);
    }
  CheckXFUses();
}

TEST_F(FormattingTest, FillTwiceAddsNoFormat) {
  cells->WriteString(0, 1, 0, u"记录");
  range.GetItem(u"A2:D2")->SetFillColor(0xC0C0C0);
  TXc12XF* xf = XFAt(0, 1);
  for (int c = 0; c <= 3; ++c) EXPECT_EQ(XFAt(c, 1), xf);
  EXPECT_EQ(xf->GetFill()->GetPatternType(), efpSolid);
  EXPECT_EQ(Xc12ColorToRGB(xf->GetFill()->FgColor), 0xC0C0C0u);
  const int before = LiveXFs();
  range.SetFillColor(0xC0C0C0);
  EXPECT_EQ(LiveXFs(), before);
  EXPECT_EQ(XFAt(0, 1), xf);
  std::u16string t;
  TMMUCellRef ref;
  cells->FindCell(0, 1, ref);
  cells->GetString(ref, t);
  EXPECT_EQ(t, u"记录");
  CheckXFUses();
}

TEST_F(FormattingTest, FontOnDefaultCellLeavesFormatZero) {
  cells->WriteFloat(0, 0, 0, 12.5);
  TXc12Font* defaultFont = styles.XFs->GetItem(0)->GetFont();
  const std::u16string defaultName = defaultFont->GetName();
  range.GetItem(u"A1")->SetFontSize(18);
  range.SetFontName(u"宋体");
  TXc12XF* xf = XFAt(0, 0);
  ASSERT_NE(xf->Index, 0);
  EXPECT_EQ(xf->GetFont()->GetName(), u"宋体");
  EXPECT_EQ(xf->GetFont()->GetSize(), 18);
  EXPECT_EQ(styles.XFs->GetItem(0)->GetFont()->GetName(), defaultName);
  EXPECT_EQ(TXLSCellMMU::GetFloat([&] {
              TMMUCellRef r;
              cells->FindCell(0, 0, r);
              return r;
            }()),
            12.5);
  CheckXFUses();
}

TEST_F(FormattingTest, SameAreaTwiceAddsNoFormats) {
  auto layout = [&] {
    range.GetItem(u"A1:D1")->SetFontName(u"宋体");
    range.SetFontSize(18);
    range.SetFontStyle(FontStyleBit(xfsBold));
    range.SetHorizAlignment(chaCenter);
    range.GetItem(u"A3:D8")->SetBorderOutlineStyle(cbsThin);
    range.SetBorderInsideHorizStyle(cbsThin);
    range.SetBorderInsideVertStyle(cbsThin);
    range.SetVertAlignment(cvaCenter);
    range.GetItem(u"A2:D2")->SetFillColor(0xC0C0C0);
  };
  layout();
  const int live = LiveXFs();
  std::set<int> used;
  cells->BeginIterate(0);
  while (cells->IterNext()) used.insert(cells->IterStyle());
  layout();
  EXPECT_EQ(LiveXFs(), live);
  std::set<int> usedAgain;
  cells->BeginIterate(0);
  while (cells->IterNext()) usedAgain.insert(cells->IterStyle());
  EXPECT_EQ(usedAgain, used);
  CheckXFUses();
}

TEST_F(FormattingTest, WholeColumnsAreClippedToTheUsedArea) {
  range.GetItem(u"B:B")->SetFillColor(0x00FF00);  // empty sheet: nothing to format
  EXPECT_EQ(cells->LastRow(), -1);
  for (int r = 0; r < 10; ++r) cells->WriteFloat(0, r, 0, r);
  range.GetItem(u"B:C")->SetFillColor(0x00FF00);
  EXPECT_EQ(cells->LastRow(), 9);
  for (int r = 0; r < 10; ++r) {
    ASSERT_NE(XFAt(1, r), nullptr);
    EXPECT_EQ(XFAt(2, r)->GetFill()->GetPatternType(), efpSolid);
  }
  range.GetItem(u"3:4")->SetFontStyle(FontStyleBit(xfsItalic));
  EXPECT_EQ(XFAt(0, 2)->GetFont()->GetStyle(), FontStyleBit(xfsItalic));
  EXPECT_EQ(XFAt(3, 2), nullptr);  // beyond the used columns
  // An explicit area too large to fill cell by cell is refused.
  EXPECT_THROW(range.GetItem(u"A1:Z1000000")->SetFillColor(1), Exception);
  CheckXFUses();
}

TEST_F(FormattingTest, CursorAndPendingFormat) {
  EXPECT_EQ(cell.SetPos(5, 5), nullptr);
  EXPECT_THROW(cell.SetFillColor(0x123456), Exception);
  cells->WriteBoolean(5, 5, 0, true);
  ASSERT_EQ(cell.SetPos(5, 5), &cell);
  cell.SetBorderTopColor(0x0000FF);
  cell.SetBorderTopStyle(cbsThick);
  EXPECT_EQ(XFAt(5, 5)->GetBorder()->Top.Style, cbsThick);
  EXPECT_EQ(XFAt(5, 5)->GetBorder()->Top.GetColorRGB(), 0xFF0000u);  // 0x00BBGGRR
  CheckXFUses();

  TXLSCmdFormat pending(&styles);
  EXPECT_EQ(pending.Protection().Locked, 2);
  EXPECT_EQ(pending.Number().Settings[2], 536870912);
  EXPECT_EQ(pending.Font().Scratch()->GetName(), styles.Fonts->GetDefaultFont()->GetName());
  pending.Fill().FgColor().SetRGB(0xC0C0C0);
  EXPECT_TRUE(pending.Fill().ForegroundSet);
  EXPECT_EQ(pending.Fill().Scratch()->GetPatternType(), efpSolid);
  EXPECT_EQ(pending.Changed[TXLSCmdFormat::fcFill], 1);
  pending.Font().Color().SetRGB(0xFF0000);
  EXPECT_EQ(pending.Font().Changed[2], 1);
  EXPECT_EQ(pending.Changed[TXLSCmdFormat::fcFont], 1);
  pending.Reset();
  EXPECT_EQ(pending.Changed[TXLSCmdFormat::fcFill], 0);
  EXPECT_EQ(pending.Fill().Scratch()->GetPatternType(), styles.Fills->GetDefaultFill()->GetPatternType());
  EXPECT_EQ(pending.Border().SideStates[0], 2);
}

}  // namespace
}  // namespace workbook
