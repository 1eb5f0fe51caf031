#include "workbook/cell_references.h"

#include <gtest/gtest.h>

#include <array>

#include "core/unicode.h"
#include "workbook/exceptions.h"

namespace workbook {
namespace {

TEST(A1Parsing, SingleReferences) {
  struct Case {
    const char16_t* text;
    bool ok;
    int col, row;
  } cases[] = {
      {u"A1", true, 0, 0},          {u"$B$2", true, 1, 1},        {u"B12", true, 1, 11},
      {u"XFD1048576", true, 16383, 1048575},                       {u"Z10", true, 25, 9},
      {u"AA1", true, 26, 0},        {u"ZZ1", true, 701, 0},       {u"AAA1", true, 702, 0},
      {u"XFE1", false, 0, 0},       {u"A0", false, 0, 0},         {u"A", false, 0, 0},
      {u"1", false, 0, 0},          {u"a1", false, 0, 0},         {u"AAAA1", false, 0, 0},
      {u"A1048577", false, 0, 0},   {u"", false, 0, 0},           {u"$$A1", false, 0, 0},
      {u"A$$1", false, 0, 0},       {u"1A1", false, 0, 0},        {u"A99999999999999999999", false, 0, 0},
      {u"ZZZZZZZZZZZZZZZZ1", false, 0, 0},
  };
  for (const auto& c : cases) {
    int col = -7, row = -7;
    EXPECT_EQ(RefStrToColRow(c.text, col, row), c.ok) << core::u8(c.text);
    if (c.ok) {
      EXPECT_EQ(col, c.col) << core::u8(c.text);
      EXPECT_EQ(row, c.row) << core::u8(c.text);
    }
  }
}

TEST(A1Parsing, MarkersAreReported) {
  struct Case {
    const char16_t* text;
    int col, row;
    bool absCol, absRow;
  } cases[] = {
      {u"$A12", 0, 11, true, false}, {u"A$12", 0, 11, false, true}, {u"$C$3", 2, 2, true, true}, {u"C3", 2, 2, false, false}};
  for (const auto& c : cases) {
    int col, row;
    bool ac = !c.absCol, ar = !c.absRow;
    ASSERT_TRUE(RefStrToColRowAbs(c.text, col, row, ac, ar)) << core::u8(c.text);
    EXPECT_EQ(col, c.col);
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(ac, c.absCol) << core::u8(c.text);
    EXPECT_EQ(ar, c.absRow) << core::u8(c.text);
  }
  int col, row;
  bool ac, ar;
  EXPECT_THROW(RefStrToColRowAbs(u"$A$", col, row, ac, ar), EConvertError);  // no row digits
  EXPECT_THROW(RefStrToColRowAbs(u"A99999999999", col, row, ac, ar), EConvertError);
  EXPECT_FALSE(RefStrToColRowAbs(u"A0", col, row, ac, ar));
}

TEST(A1Parsing, AreasColumnsAndRows) {
  struct Case {
    const char16_t* text;
    bool ok;
    int c1, r1, c2, r2;
  } cases[] = {
      {u"Sheet1!B2:C3", true, 1, 1, 2, 2},
      {u"B2", true, 1, 1, 1, 1},
      {u"C3:A1", true, 2, 2, 0, 0},  // corners are not reordered
      {u"A:C", true, 0, 0, 2, 1048575},  // whole columns include the first row
      {u"$B:$B", true, 1, 0, 1, 1048575},
      {u"2:5", true, 0, 1, 16383, 4},   // whole rows include the first column
      {u"C:A", false, 0, 0, 0, 0},
      {u"5:2", false, 0, 0, 0, 0},
      {u"A:5", false, 0, 0, 0, 0},
      {u"!A1", false, 0, 0, 0, 0},       // "!" first: the prefix is not removed
      {u"'My sheet'!A1:B2", true, 0, 0, 1, 1},
      {u"A1:", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int c1 = -9, r1 = -9, c2 = -9, r2 = -9;
    EXPECT_EQ(AreaStrToColRow(c.text, c1, r1, c2, r2), c.ok) << core::u8(c.text);
    if (c.ok) {
      EXPECT_EQ(c1, c.c1) << core::u8(c.text);
      EXPECT_EQ(r1, c.r1) << core::u8(c.text);
      EXPECT_EQ(c2, c.c2) << core::u8(c.text);
      EXPECT_EQ(r2, c.r2) << core::u8(c.text);
    }
  }
}

TEST(A1Parsing, LegacyGridVariants) {
  int c1, r1, c2, r2;
  EXPECT_TRUE(RefStrToColRow97(u"IV65536", c1, r1));
  EXPECT_EQ(c1, 255);
  EXPECT_EQ(r1, 65535);
  EXPECT_FALSE(RefStrToColRow97(u"IW1", c1, r1));
  EXPECT_FALSE(RefStrToColRow97(u"A65537", c1, r1));
  EXPECT_TRUE(AreaStrToColRow97(u"B:D", c1, r1, c2, r2));
  EXPECT_EQ(r1, 0);
  EXPECT_EQ(r2, 65535);
  EXPECT_TRUE(AreaStrToColRow97(u"3:4", c1, r1, c2, r2));
  EXPECT_EQ(c1, 0);
  EXPECT_EQ(c2, 255);
  EXPECT_FALSE(AreaStrToColRow97(u"Sheet1!A1", c1, r1, c2, r2));  // the legacy form keeps the prefix
  EXPECT_TRUE(ColStrToCol97(u"$IV", c1));
  EXPECT_FALSE(RowStrToRow97(u"65537", r1));
  EXPECT_FALSE(RowStrToRow(u"0", r1));
  EXPECT_FALSE(ColStrToCol(u"XFE", c1));
}

TEST(A1Parsing, AbsoluteAreasAndCellAreas) {
  int c1, r1, c2, r2;
  bool a1, b1, a2, b2;
  ASSERT_TRUE(AreaStrToColRowAbs(u"$A1:B$2", c1, r1, c2, r2, a1, b1, a2, b2));
  EXPECT_EQ((std::array<int, 4>{c1, r1, c2, r2}), (std::array<int, 4>{0, 0, 1, 1}));
  EXPECT_TRUE(a1);
  EXPECT_FALSE(b1);
  EXPECT_FALSE(a2);
  EXPECT_TRUE(b2);
  EXPECT_FALSE(AreaStrToColRowAbs(u"A1", c1, r1, c2, r2, a1, b1, a2, b2));

  TXLSCellArea area = CellAreaFromBox(1, 1, 1, 1);
  EXPECT_FALSE(AreaStrToCellArea(u"", area));
  EXPECT_EQ(area, TXLSCellArea{});
  EXPECT_TRUE(AreaStrToCellArea(u"C4", area));
  EXPECT_EQ(area, CellAreaFromCell(2, 3));
  EXPECT_TRUE(AreaStrToCellArea(u"A1:B3", area));
  EXPECT_EQ(area, CellAreaFromBox(0, 0, 1, 2));
}

TEST(R1C1Parsing, References) {
  struct Case {
    const char16_t* text;
    bool ok;
    int col, row;
    bool colRel, rowRel;
  } cases[] = {
      {u"R2C3", true, 2, 1, false, false},    {u"R[1]C[-2]", true, -2, 1, true, true},
      {u"RC", true, 0, 0, true, true},        {u"rc[+3]", true, 3, 0, true, true},
      {u"R[-1]C", true, 0, -1, true, true},   {u"R5C[0]", true, 0, 4, true, false},
      {u"", false, 0, 0, false, false},       {u"X1", false, 0, 0, false, false},
      {u"R1C1X", false, 0, 0, false, false},  {u"R[1C1", false, 0, 0, false, false},
      {u"RC[]", false, 0, 0, false, false},   {u"R1.5C1", false, 0, 0, false, false},
  };
  for (const auto& c : cases) {
    int col = 0, row = 0;
    bool cr = false, rr = false;
    EXPECT_EQ(R1C1RefStrToColRow(c.text, col, row, cr, rr), c.ok) << core::u8(c.text);
    if (c.ok) {
      EXPECT_EQ(col, c.col) << core::u8(c.text);
      EXPECT_EQ(row, c.row) << core::u8(c.text);
      EXPECT_EQ(cr, c.colRel) << core::u8(c.text);
      EXPECT_EQ(rr, c.rowRel) << core::u8(c.text);
    }
  }
  int col = 99, row = 0;
  bool cr = true, rr = false;
  EXPECT_TRUE(R1C1RefStrToColRow(u"R7", col, row, cr, rr));
  EXPECT_EQ(col, 99);  // absent column left alone
  EXPECT_TRUE(cr);
  EXPECT_EQ(row, 6);
  EXPECT_THROW(R1C1RefStrToColRow(u"R99999999999C1", col, row, cr, rr), EConvertError);
}

TEST(R1C1Parsing, AreasFillAbsentCoordinatesWithTheGridEdges) {
  struct Case {
    const char16_t* text;
    bool ok;
    int c1, r1, c2, r2;
  } cases[] = {
      {u"R5", true, 0, 4, 16383, 4},         {u"C3", true, 2, 0, 2, 1048575},
      {u"R1C1:R2C2", true, 0, 0, 1, 1},      {u"R2C2", true, 1, 1, 1, 1},
      {u"R1:R3", true, 0, 0, 16383, 2},      {u":R1", false, 0, 0, 0, 0},
      {u"R1C1:X", false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int c1, r1, c2, r2;
    bool a, b, d, e;
    EXPECT_EQ(R1C1AreaStrToColRow(c.text, c1, r1, c2, r2, a, b, d, e), c.ok) << core::u8(c.text);
    if (c.ok) {
      EXPECT_EQ((std::array<int, 4>{c1, r1, c2, r2}), (std::array<int, 4>{c.c1, c.r1, c.c2, c.r2}))
          << core::u8(c.text);
      EXPECT_FALSE(a || b || d || e) << core::u8(c.text);  // absolute throughout
    }
  }
}

TEST(A1Formatting, BothWays) {
  struct Case {
    int col, row;
    const char16_t* text;
  } cases[] = {{0, 0, u"A1"},     {25, 9, u"Z10"},   {26, 0, u"AA1"},    {701, 0, u"ZZ1"},
               {702, 0, u"AAA1"}, {16383, 1048575, u"XFD1048576"},      {18277, 0, u"ZZZ1"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ColRowToRefStr(c.col, c.row), c.text);
    int col, row;
    if (c.col <= XLS_MAXCOL) {
      ASSERT_TRUE(RefStrToColRow(c.text, col, row));
      EXPECT_EQ(col, c.col);
      EXPECT_EQ(row, c.row);
    }
  }
  // Every column survives the round trip.
  for (int col = 0; col <= XLS_MAXCOL; ++col) {
    int c, r;
    ASSERT_TRUE(RefStrToColRow(ColRowToRefStr(col, 7), c, r)) << col;
    ASSERT_EQ(c, col);
    ASSERT_EQ(r, 7);
  }
  EXPECT_EQ(ColRowToRefStrAbs(2, 4, true, false), u"$C5");
  EXPECT_EQ(AreaToRefStr(0, 0, 1, 1), u"A1:B2");
  EXPECT_EQ(AreaToRefStrAbs(0, 0, 1, 1, true, true, false, true), u"$A$1:B$2");
  EXPECT_EQ(ColRowToRefStrFlagged(2 | 0x8000, 4 | 0x80000000u), u"$C$5");
  EXPECT_EQ(ColRowToRefStrFlagged(2, 4 | 0x80000000u), u"C$5");
  EXPECT_EQ(AreaToRefStrFlagged(0x8000, 0, 3, 0x80000009u), u"$A1:D$10");
  EXPECT_EQ(CellAreaToRefStr(TXLSCellArea{}), u"");
  EXPECT_EQ(CellAreaToRefStr(CellAreaFromCell(1, 1)), u"B2");
  EXPECT_EQ(CellAreaToRefStr(CellAreaFromBox(1, 1, -1, 5)), u"B2");
  EXPECT_EQ(CellAreaToRefStr(CellAreaFromBox(1, 1, 3, 5)), u"B2:D6");
}

TEST(CellAreas, SetOperations) {
  TXLSCellArea a = CellAreaFromBox(0, 0, 4, 4), b = CellAreaFromBox(3, 2, 8, 9), r;
  EXPECT_TRUE(IntersectCellArea(a, b, r));
  EXPECT_EQ(r, CellAreaFromBox(3, 2, 4, 4));
  EXPECT_FALSE(IntersectCellArea(a, CellAreaFromBox(5, 5, 6, 6), r));
  UnionCellArea(a, b, r);
  EXPECT_EQ(r, CellAreaFromBox(0, 0, 8, 9));
  ExtendCellArea(a, 10, 1, 10, 1);
  EXPECT_EQ(a, CellAreaFromBox(0, 0, 10, 4));
  EXPECT_TRUE(IsSingleCellArea(CellAreaFromCell(3, 3)));
  EXPECT_FALSE(CellAreaAssigned(CellAreaFromBox(-1, 0, 1, 1)));
  ClearCellArea(a);
  EXPECT_EQ(a, (TXLSCellArea{-1, -1, -1, -1}));
  EXPECT_TRUE(ValidArea(5, 5, 0, 0));
  EXPECT_FALSE(ValidArea(0, 0, 16384, 0));
  EXPECT_FALSE(ValidColRow(0, -1));
}

}  // namespace
}  // namespace workbook
