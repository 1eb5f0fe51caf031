#include "biff/document/cell_areas.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "biff/biff_error.h"
#include "workbook/cell_references.h"

namespace {

// The areas as "B2:E5 ..." in list order.
std::string Text(const biff::TBaseCellAreas97& L) {
  std::string S;
  for (int i = 0; i < L.Count(); ++i) {
    const auto* A = L.Items(i);
    const std::u16string T = workbook::ColRowToRefStr(A->Col1, A->Row1) + u":" + workbook::ColRowToRefStr(A->Col2, A->Row2);
    if (!S.empty()) S += ' ';
    S += std::string(T.begin(), T.end());
  }
  return S;
}

TEST(CellAreas, DeleteSplitsIntoPiecesInOrder) {
  biff::TCellAreas97 L;
  L.AddArea(1, 1, 4, 4);      // B2:E5
  L.AddArea(10, 10, 10, 10);  // K11, untouched
  L.Delete(2, 2, 3, 3);       // C3:D4
  EXPECT_EQ(Text(L), "K11:K11 B2:E2 B5:E5 B3:B4 E3:E4");
}

TEST(CellAreas, CopyJoinsOrReplaces) {
  biff::TCellAreas97 L;
  L.AddArea(0, 0, 0, 1);  // A1:A2
  L.Copy(0, 0, 0, 1, 0, 1);
  EXPECT_EQ(Text(L), "A1:A3");

  biff::TCellAreas97 M;
  M.AddArea(0, 0, 1, 0);  // A1:B1
  M.AddArea(3, 5, 6, 8);  // D6:G9 holds the target wholly
  M.Copy(0, 0, 1, 0, 4, 6);  // A1:B1 -> E7:F7
  EXPECT_EQ(Text(M), "A1:B1 D6:G9");

  biff::TCellAreas97 N;
  N.AddArea(0, 0, 1, 0);  // A1:B1
  N.AddArea(3, 5, 4, 8);  // D6:E9, partly under the target
  N.Copy(0, 0, 1, 0, 4, 6);  // A1:B1 -> E7:F7: the covered part of D6:E9 goes first
  EXPECT_EQ(Text(N), "A1:B1 D6:E6 D8:E9 D7:D7 E7:F7");
}

TEST(CellAreas, MoveClipsAndDrops) {
  biff::TCellAreas97 L;
  L.AddArea(0, 2, 0, 5);    // A3:A6 ends below row 10 -> dropped
  L.AddArea(1, 5, 1, 20);   // B6:B21 -> B1:B11
  L.AddArea(2, 0, 2, 9);    // C1:C10 -> gone
  L.Move(0, -10);
  EXPECT_EQ(Text(L), "B1:B11");
  L.Move(300, 0);
  EXPECT_EQ(L.Count(), 0);
}

TEST(CellAreas, ClipToKeepsIntersections) {
  biff::TCellAreas97 L;
  L.AddArea(0, 0, 5, 5);
  L.AddArea(20, 20, 21, 21);
  L.ClipTo(2, 2, 10, 10);
  EXPECT_EQ(Text(L), "C3:F6");
}

TEST(CellAreas, MoveAreaMovesOnlyTheCoveredPart) {
  biff::TCellAreas97 L;
  L.AddArea(0, 0, 0, 3);          // A1:A4
  L.MoveArea(0, 2, 0, 3, 2, 0);   // A3:A4 two columns right
  EXPECT_EQ(Text(L), "A1:A2 C3:C4");
}

TEST(CellAreas, ListHelpers) {
  biff::TCellAreas97 L;
  const auto E = L.BoundingBox();
  EXPECT_EQ(E.Row1, INT_MAX);
  EXPECT_EQ(E.Col1, INT_MAX);
  EXPECT_EQ(E.Row2, 0);
  EXPECT_EQ(E.Col2, 0);

  const std::uint8_t Ref[8] = {0x04, 0x00, 0x01, 0x00, 0x03, 0x00, 0x02, 0x00};  // rows 4..1, cols 3..2
  L.AddRef(Ref);
  L.AddArea(7, 9, 8, 9);
  L.Normalize();
  EXPECT_EQ(Text(L), "C2:D5 H10:I10");
  EXPECT_EQ(L.Items(0)->Id, 0);
  EXPECT_EQ(L.Items(1)->Id, 1);
  const auto B = L.BoundingBox();
  EXPECT_EQ((std::vector<int>{B.Row1, B.Row2, B.Col1, B.Col2}), (std::vector<int>{1, 9, 2, 8}));
  EXPECT_TRUE(L.Intersects(3, 4, 6, 6));
  EXPECT_FALSE(L.Intersects(4, 0, 6, 8));
  EXPECT_THROW(L.Items(2), biff::Exception);

  biff::TMergedCells M;
  M.Assign(L);
  EXPECT_EQ(Text(M), Text(L));
}

TEST(MergedCells, DeleteTrimsOrRefuses) {
  biff::TMergedCells M;
  M.AddArea(0, 0, 1, 5);  // A1:B6
  M.AddArea(4, 4, 4, 4);  // E5, wholly inside the band below
  M.Delete(0, 4, 255, 10);  // rows 5..11 trim A1:B6 to A1:B4 and remove E5
  EXPECT_EQ(Text(M), "A1:B4");
  EXPECT_THROW(M.Delete(0, 1, 255, 1), biff::Exception);  // would cut A1:B4 in two
  EXPECT_EQ(Text(M), "A1:B4");
  EXPECT_THROW(M.Move(1, 1), biff::Exception);
  M.ClipTo(0, 0, 0, 0);
  EXPECT_EQ(Text(M), "A1:B4");
}

TEST(MergedCells, MoveAreaShiftsEdgesOrRefuses) {
  biff::TMergedCells M;
  M.AddArea(1, 1, 3, 3);  // B2:D4
  // A block whose corner C3 lies strictly inside the merge cannot move.
  EXPECT_THROW(M.MoveArea(2, 2, 5, 9, 0, 2), biff::Exception);
  EXPECT_EQ(Text(M), "B2:D4");
  // Inserting two rows at row 2: the whole merge moves down.
  M.MoveArea(0, 1, 255, 65533, 0, 2);
  EXPECT_EQ(Text(M), "B4:D6");
  // Inserting a row at row 5: only the lower edge moves, the merge grows.
  M.MoveArea(0, 4, 255, 65534, 0, 1);
  EXPECT_EQ(Text(M), "B4:D7");
  // Moving the rows from row 6 up by four: the lower edge passes the upper one and the merge goes.
  M.MoveArea(0, 5, 255, 65535, 0, -4);
  EXPECT_EQ(M.Count(), 0);
}

TEST(MergedCells, CopyAddsMovedMerges) {
  biff::TMergedCells M;
  M.AddArea(0, 0, 1, 0);  // A1:B1
  M.Copy(0, 0, 3, 3, 0, 2);
  M.Copy(0, 0, 1, 0, 0, 2);  // already there: not added twice
  EXPECT_EQ(Text(M), "A1:B1 A3:B3");
  M.Copy(0, 0, 1, 0, 0, 70000);  // clipped away
  EXPECT_EQ(M.Count(), 2);
}

}  // namespace
