// Cell areas: text form, cutting, copying and moving of overlapping and of solid (merged) areas.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "workbook/cell_areas.h"
#include "workbook/exceptions.h"

namespace workbook {
namespace {

std::u16string Text(const TBaseCellAreas& L) { return L.GetAsText(); }

TEST(CellAreas, TextForm) {
  TCellAreas L;
  L.SetAsText(u"A1 B3:C4");
  ASSERT_EQ(L.Count(), 2);
  EXPECT_TRUE(L[0]->SameBounds(0, 0, 0, 0));
  EXPECT_TRUE(L[1]->SameBounds(1, 2, 2, 3));
  EXPECT_EQ(Text(L), u"A1 B3:C4");
  // Pieces that are no reference are skipped; whole columns start at the first row.
  L.SetAsText(u"A1  junk Sheet1!C:C 2:3");
  ASSERT_EQ(L.Count(), 3);
  EXPECT_TRUE(L[1]->SameBounds(2, 0, 2, XLS_MAXROW));
  EXPECT_TRUE(L[2]->SameBounds(0, 1, XLS_MAXCOL, 2));
  L.Separator = u',';
  L.SetAsText(u"D4,E5:F6");
  EXPECT_EQ(Text(L), u"D4 E5:F6");
  EXPECT_EQ(L.IndexOfCell(5, 5), 1);
  EXPECT_EQ(L.IndexOfArea(4, 4, 5, 5), 1);
  EXPECT_EQ(L.IndexOfCell(9, 9), -1);
  EXPECT_EQ(L.GetCellCount(), 5);

  TCellRefs refs;
  EXPECT_EQ(refs.Add(u"AA10")->Col, 26);
  TCellRef r;
  EXPECT_FALSE(r.SetAsText(u"1A"));
  EXPECT_TRUE(r.SetAsText(u"C7"));
  EXPECT_EQ(r.GetAsText(), u"C7");
}

TEST(CellAreas, DeleteCutsIntoFourParts) {
  TCellAreas L;
  L.Add(0, 0, 3, 3);  // A1:D4
  L.Delete(1, 1, 2, 2);  // B2:C3
  EXPECT_EQ(Text(L), u"A1:D1 A4:D4 A2:A3 D2:D3");
  // Rows above the legacy grid keep their full numbers.
  TCellAreas M;
  M.Add(0, 70000, 3, 70010);
  M.Delete(1, 70002, 2, 70004);
  EXPECT_EQ(Text(M), u"A70001:D70002 A70006:D70011 A70003:A70005 D70003:D70005");
  // The cells of the whole area: removed, nothing added.
  M.Clear();
  M.Add(2, 2, 4, 4);
  M.Delete(2, 2, 4, 4);
  EXPECT_EQ(M.Count(), 0);
}

TEST(CellAreas, DeleteLeavesExactlyTheOtherCells) {
  std::mt19937 rng(99);
  auto rnd = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 400; ++round) {
    TCellAreas L;
    std::set<std::pair<int, int>> before;
    for (int i = 0, n = 1 + rnd(5); i < n; ++i) {
      int c1 = rnd(12), r1 = rnd(12);
      int c2 = c1 + rnd(6), r2 = r1 + rnd(6);
      L.Add(c1, r1, c2, r2);
      for (int c = c1; c <= c2; ++c)
        for (int r = r1; r <= r2; ++r) before.insert({c, r});
    }
    int c1 = rnd(14), r1 = rnd(14);
    int c2 = c1 + rnd(8), r2 = r1 + rnd(8);
    L.Delete(c1, r1, c2, r2);
    std::set<std::pair<int, int>> after;
    for (const auto& a : L) {
      ASSERT_FALSE(a->Intersects(c1, r1, c2, r2));
      for (int c = a->GetCol1(); c <= a->GetCol2(); ++c)
        for (int r = a->GetRow1(); r <= a->GetRow2(); ++r) after.insert({c, r});
    }
    std::set<std::pair<int, int>> expected;
    for (auto cell : before)
      if (cell.first < c1 || cell.first > c2 || cell.second < r1 || cell.second > r2) expected.insert(cell);
    ASSERT_EQ(after, expected) << "round " << round;
  }
}

TEST(CellAreas, CopyMoveAndInclude) {
  TCellAreas L;
  L.SetAsText(u"A1:A2 B1:B2");
  L.Copy(0, 0, 0, 1, 1, 0);  // the copy lands inside B1:B2
  EXPECT_EQ(Text(L), u"A1:A2 B1:B2");
  L.Copy(1, 0, 1, 1, 0, 2);  // B3:B4 continues B1:B2 downwards
  EXPECT_EQ(Text(L), u"A1:A2 B1:B4");
  L.Copy(0, 0, 0, 1, 5, 0);  // lands apart
  EXPECT_EQ(Text(L), u"A1:A2 B1:B4 F1:F2");

  TCellAreas M;
  M.Add(2, 2, 3, 3);
  M.MoveArea(0, 0, XLS_MAXCOL, XLS_MAXROW, 0, 1);
  ASSERT_EQ(M.Count(), 1);
  EXPECT_EQ(Text(M), u"C4:D5");
  // Moved against the sheet's edge: clipped, or dropped when wholly outside.
  M.Move(-3, 0);
  EXPECT_EQ(Text(M), u"A4:A5");
  M.Move(-1, 0);
  EXPECT_EQ(M.Count(), 0);

  TCellAreas N;
  N.SetAsText(u"A1:C3 E5 B2:D9");
  TCellArea* last = N.Include(1, 1, 1, 5);
  EXPECT_EQ(Text(N), u"B2:B3 B2:B6");
  EXPECT_EQ(last, N.GetLast());
  EXPECT_EQ(N.Include(20, 20, 20, 20), nullptr);
  EXPECT_EQ(N.Count(), 0);
}

TEST(CellAreas, SubtractAndClip) {
  TXLSCellArea parts[4];
  EXPECT_EQ(TBaseCellAreas::SubtractRect(CellAreaFromBox(0, 0, 5, 5), CellAreaFromBox(0, 0, 5, 2), parts), 1);
  EXPECT_EQ(parts[0], CellAreaFromBox(0, 3, 5, 5));
  TXLSCellArea r = CellAreaFromBox(-5, -1, 20000, 2000000);
  ASSERT_TRUE(TCellAreas::ClipToSheet(r));
  EXPECT_EQ(r, CellAreaFromBox(0, 0, XLS_MAXCOL, XLS_MAXROW));
  r = CellAreaFromBox(16384, 0, 16390, 0);
  EXPECT_FALSE(TCellAreas::ClipToSheet(r));
}

TEST(SolidCellAreas, IncludeGivesTheUnion) {
  TSolidCellAreas L;
  L.Add(1, 1, 3, 3);  // B2:D4
  TCellArea* a = L.Include(1, 1, 1, 1);
  EXPECT_EQ(Text(L), u"B2:D4");
  EXPECT_EQ(a, L[0]);
  L.Include(3, 3, 5, 6);
  EXPECT_EQ(Text(L), u"B2:F7");
  L.Include(10, 10, 11, 10);
  EXPECT_EQ(Text(L), u"B2:F7 K11:L11");
}

TEST(SolidCellAreas, DeleteShrinksOrRefuses) {
  TSolidCellAreas L;
  L.Add(1, 1, 3, 3);  // B2:D4
  L.Add(6, 6, 7, 7);  // G7:H8
  EXPECT_THROW(L.Delete(2, 0, 2, XLS_MAXROW), Exception);  // column C splits B2:D4
  EXPECT_EQ(Text(L), u"B2:D4 G7:H8");
  try {
    L.Delete(2, 0, 2, XLS_MAXROW);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can not change part of a merged cell");
  }
  L.Delete(1, 1, 1, 3);  // B2:B4
  EXPECT_EQ(Text(L), u"C2:D4 G7:H8");
  L.Delete(5, 5, 9, 9);
  EXPECT_EQ(Text(L), u"C2:D4");
  EXPECT_THROW(L.Move(1, 1), Exception);
}

TEST(SolidCellAreas, CopyIsBlockedByOverlap) {
  TSolidCellAreas L;
  L.Add(0, 0, 1, 0);  // A1:B1
  L.Add(3, 0, 4, 0);  // D1:E1
  L.Copy(0, 0, 1, 0, 2, 0);  // C1:D1 meets D1:E1
  EXPECT_TRUE(L.CopyBlocked);
  EXPECT_EQ(L.Count(), 2);
  L.Copy(0, 0, 4, 0, 0, 3);
  EXPECT_FALSE(L.CopyBlocked);
  EXPECT_EQ(Text(L), u"A1:B1 D1:E1 A4:B4 D4:E4");
  L.Copy(0, 0, 1, 0, 0, XLS_MAXROW + 1);  // beyond the sheet: not copied
  EXPECT_EQ(L.Count(), 4);
}

TEST(SolidCellAreas, MoveAreaForInsertedAndDeletedRows) {
  TSolidCellAreas L;
  L.Add(0, 2, 3, 4);  // A3:D5
  // Two rows inserted above row 2: everything from row 1 down moves by 2.
  L.MoveArea(0, 1, XLS_MAXCOL, XLS_MAXROW, 0, 2);
  EXPECT_EQ(Text(L), u"A5:D7");
  // A whole row inserted inside the merge stretches it.
  L.MoveArea(0, 5, XLS_MAXCOL, XLS_MAXROW, 0, 1);
  EXPECT_EQ(Text(L), u"A5:D8");
  // Cells shifted from inside the merge would cut it: refused, unchanged.
  EXPECT_THROW(L.MoveArea(1, 5, 2, 10, 0, 1), Exception);
  EXPECT_EQ(Text(L), u"A5:D8");
  // Rows 3..5 deleted (everything from row 6 moves up by 3): a merge lying on the first row
  // of the deleted stretch ends before it starts and goes; the ones below move up.
  TSolidCellAreas M;
  M.Add(0, 2, 3, 2);    // A3:D3
  M.Add(0, 10, 1, 11);  // A11:B12
  M.MoveArea(0, 5, XLS_MAXCOL, XLS_MAXROW, 0, -3);
  EXPECT_EQ(Text(M), u"A8:B9");
}

}  // namespace
}  // namespace workbook
