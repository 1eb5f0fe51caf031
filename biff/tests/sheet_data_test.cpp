#include "biff/document/sheet_data.h"

#include <gtest/gtest.h>

#include <vector>

#include "biff/biff_error.h"
#include "biff/stream/record_ids.h"
#include "core/byte_io.h"

namespace {

std::uint16_t Window2Options(biff::TSheet& S) { return core::load_le16(S.Records().WINDOW2()->Body.data()); }

TEST(Sheets, NamesFollowTheCollectionId) {
  biff::TSheets Sheets;
  std::vector<int> Deleted;
  Sheets.OnSheetDeleted = [&](int Index) { Deleted.push_back(Index); };
  EXPECT_EQ(Sheets.Add()->Name(), u"Sheet1");
  EXPECT_EQ(Sheets.Add()->Name(), u"Sheet2");
  Sheets.Clear();
  EXPECT_EQ(Sheets.Count(), 0);
  EXPECT_EQ(Sheets.ClearAndAdd()->Name(), u"Sheet3");  // ids are never reused

  Sheets.Add();
  Sheets.Delete(0, true);
  EXPECT_EQ(Deleted, std::vector<int>{0});
  Sheets.Delete(0, true);  // the last one: replaced, the handler is not told
  ASSERT_EQ(Sheets.Count(), 1);
  EXPECT_EQ(Sheets.Items(0)->Name(), u"Sheet5");
  EXPECT_EQ(Deleted, std::vector<int>{0});
  Sheets.Delete(0, false);
  EXPECT_EQ(Sheets.Count(), 0);
  EXPECT_EQ(Deleted, (std::vector<int>{0, 0}));
  EXPECT_THROW(Sheets.Delete(0, false), biff::Exception);
}

TEST(Sheets, RenameIgnoresCaseAndRefusesDuplicates) {
  biff::TSheets Sheets;
  biff::TSheet* A = Sheets.Add();
  biff::TSheet* B = Sheets.Add();
  A->SetName(u"sheet1");
  EXPECT_EQ(A->Name(), u"Sheet1");  // same name in other case: the old spelling stays
  EXPECT_THROW(A->SetName(u"SHEET2"), biff::Exception);
  EXPECT_EQ(A->Name(), u"Sheet1");
  B->SetName(u"Données");
  EXPECT_EQ(Sheets.FindByName(u"DONNÉES"), B);
  EXPECT_EQ(Sheets.FindByName(u"sheet1"), A);
  EXPECT_EQ(Sheets.FindByName(u"Sheet3"), nullptr);
  try {
    A->SetName(u"données");
    FAIL();
  } catch (const biff::Exception& E) {
    EXPECT_STREQ(E.what(), "Sheet name \"données\" allready exists");
  }
  EXPECT_EQ(B->Index(), 1);
}

TEST(Sheet, OptionsLiveInTheStoredRecords) {
  biff::TSheets Sheets;
  biff::TSheet& S = *Sheets.Add();
  EXPECT_EQ(S.Options(), biff::soGridlines | biff::soRowColHeadings | biff::soShowZeros);  // 0x04B6
  S.SetOptions(0);
  EXPECT_EQ(Window2Options(S), 0x04A0);
  EXPECT_EQ(S.Options(), 0);
  S.SetOptions(biff::soFrozenPanes | biff::soProtected | biff::soR1C1Mode);
  EXPECT_EQ(Window2Options(S), 0x04A8);

  EXPECT_EQ(S.WorkspaceOptions(),
            biff::woShowAutoBreaks | biff::woRowSumsBelow | biff::woColSumsRight | biff::woOutlineSymbols);
  S.SetWorkspaceOptions(biff::woFitToPage | 0x0002);
  EXPECT_EQ(S.Records().GetWSBOOL(), 0x0100);

  S.SetZoom(150);
  S.SetZoomPreview(60);
  S.SetDefaultColWidth(12);
  EXPECT_EQ(S.Zoom(), 150);
  EXPECT_EQ(S.ZoomPreview(), 60);
  EXPECT_EQ(S.DefaultColWidth(), 12);
  EXPECT_EQ(S.SheetProtection, 0x7FFF);

  S.MergedCells().AddArea(0, 0, 1, 1);
  S.Hidden = biff::THiddenState::hsHidden;
  biff::TSheet& T = *Sheets.Add();
  T.Assign(&S);
  EXPECT_EQ(T.Zoom(), 150);
  EXPECT_EQ(T.Options(), biff::soFrozenPanes);
  EXPECT_EQ(T.WorkspaceOptions(), biff::woFitToPage);
  EXPECT_EQ(T.Hidden, biff::THiddenState::hsHidden);
  EXPECT_EQ(T.MergedCells().Count(), 1);
  EXPECT_THROW(T.Assign(nullptr), biff::Exception);

  S.Reset();
  EXPECT_EQ(S.Zoom(), 0);
  EXPECT_EQ(S.Options(), biff::soGridlines | biff::soRowColHeadings | biff::soShowZeros);
  EXPECT_EQ(S.MergedCells().Count(), 0);
  EXPECT_EQ(S.Pane().ActivePane, 3);
}

TEST(Sheet, UsedRangeFromDimensions) {
  biff::TSheets Sheets;
  biff::TSheet& S = *Sheets.Add();
  const std::uint8_t Dim8[14] = {2, 0, 0, 0, 10, 0, 0, 0, 1, 0, 4, 0, 0, 0};
  S.Records().SetRecord(biff::MakeIdLen(biff::BIFFRECID_DIMENSIONS, 14), Dim8);
  S.UpdateUsedRange(7);  // later versions keep what they have
  EXPECT_EQ(S.LastRow, 0);
  S.UpdateUsedRange(6);
  EXPECT_EQ((std::vector<int>{S.FirstRow, S.LastRow, S.FirstCol, S.LastCol}), (std::vector<int>{2, 9, 1, 3}));

  biff::TSheet& E = *Sheets.Add();
  E.UpdateUsedRange(6);  // the default record of an empty sheet
  EXPECT_EQ((std::vector<int>{E.FirstRow, E.LastRow, E.FirstCol, E.LastCol}), (std::vector<int>{0, 0, 0, 0}));
}

TEST(Selection, MoveLeavesOneActiveCell) {
  biff::TSelectedAreas Sel;
  ASSERT_EQ(Sel.Count(), 1);
  Sel.AddCell(3, 4);
  EXPECT_EQ(Sel.ActiveCol, 3);
  EXPECT_EQ(Sel.ActiveRow, 4);
  Sel.AddArea(1, 1, 5, 5);
  Sel.Move(7, 8);
  ASSERT_EQ(Sel.Count(), 1);
  EXPECT_EQ(Sel.Items(0)->Col1, 7);
  EXPECT_EQ(Sel.Items(0)->Row2, 8);
  EXPECT_EQ(Sel.ActiveRow, 8);

  biff::TPane Pane;
  EXPECT_EQ(Pane.ActivePane, 0);
  Pane.PaneType = biff::TPaneType::ptFrozen;
  Pane.Selections.Add(biff::MakeIdLen(0x001D, 0), nullptr);
  Pane.Clear();
  EXPECT_EQ(Pane.PaneType, biff::TPaneType::ptNone);
  EXPECT_EQ(Pane.ActivePane, 3);
  EXPECT_EQ(Pane.Selections.Count(), 0);
}

}  // namespace
