// The cell store: number packing, cell kinds and their use counts, formula records, rows, the used
// area and the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "core/byte_io.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_store.h"
#include "workbook/exceptions.h"
#include "workbook/tests/cell_store_test_support.h"

namespace workbook {
namespace {

using testing_support::CountingFormats;
using testing_support::CountingStrings;

std::int32_t PackedInt(const std::uint8_t (&P)[8]) { return static_cast<std::int32_t>(core::load_le32(P)); }

TEST(PackFloat, Forms) {
  struct Case {
    double Value;
    int Type;
    std::int64_t Stored;  // checked for the integer forms
  } cases[] = {
      {0, mctDouble, 0},
      {5, mctInt8, 5},
      {-128, mctInt8, -128},
      {127, mctInt8, 127},
      {-129, mctInt16, -129},
      {32767, mctInt16, 32767},
      {40000, mctInt32, 40000},
      {2147483647.0, mctInt32, 2147483647},
      {-2147483646.0, mctInt32, -2147483646},
      {-2147483647.0, mctDouble, 0},
      {-2147483648.0, mctDouble, 0},
      {0.5, mctInt32Div100, 50},
      {-0.5, mctDouble, 0},
      {1.2345, mctInt32Div10000, 12345},
      {1.23456, mctDouble, 0},
      {7.00000000001, mctDouble, 0},
      {100000000.5, mctDouble, 0},
      {12345.67, mctInt32Div100, 1234567},
      {99999.99, mctDouble, 0},
      {21474836.47, mctDouble, 0},
      {0.0001, mctInt32Div10000, 1},
      {0.1, mctInt32Div100, 10},
      {-12.5, mctInt32Div100, -1250},
      {1e300, mctDouble, 0},
      // Values near a 4-decimal number are not snapped to it: they must read back exactly.
      {0.1 + 0.2, mctDouble, 0},
      {5.000000000000001, mctDouble, 0},
      {INFINITY, mctDouble, 0},
  };
  for (const Case& c : cases) {
    std::uint8_t packed[8];
    const int type = TXLSCellMMU::PackFloat(packed, c.Value);
    EXPECT_EQ(type, c.Type) << c.Value;
    std::int64_t stored = 0;
    if (type == mctInt8) stored = static_cast<std::int8_t>(packed[0]);
    if (type == mctInt16) stored = static_cast<std::int16_t>(core::load_le16(packed));
    if (type >= mctInt32 && type <= mctInt32Div10000) stored = PackedInt(packed);
    EXPECT_EQ(stored, c.Stored) << c.Value;
    const double back = TXLSCellMMU::UnpackFloat(static_cast<std::uint8_t>(type), packed);
    EXPECT_EQ(std::memcmp(&back, &c.Value, sizeof back), 0) << c.Value;
  }
  std::uint8_t packed[8];
  EXPECT_EQ(TXLSCellMMU::PackFloat(packed, NAN), mctDouble);
}

TEST(PackFloat, EveryFormReadsBackExactly) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<std::int64_t> ints(-3000000000LL, 3000000000LL);
  for (int i = 0; i < 200000; ++i) {
    double v;
    switch (i % 4) {
      case 0: v = static_cast<double>(ints(rng)) / 10000.0; break;                   // decimals
      case 1: v = static_cast<double>(ints(rng) % 100000) / 100.0; break;            // money
      case 2: v = std::ldexp(static_cast<double>(rng() >> 11), -(int)(rng() % 80)); break;  // any
      default: {
        std::uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
      }
    }
    std::uint8_t packed[8];
    const int type = TXLSCellMMU::PackFloat(packed, v);
    const double back = TXLSCellMMU::UnpackFloat(static_cast<std::uint8_t>(type), packed);
    if (std::isnan(v)) {
      EXPECT_TRUE(std::isnan(back));
      continue;
    }
    ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v << " type " << type;
  }
}

class StoreTest : public ::testing::Test {
protected:
  CountingStrings sst;
  CountingFormats xf;
  TXLSCellMMU store{0, 0, &sst, &xf};

  TMMUCellRef Ref(int Col, int Row) {
    TMMUCellRef r;
    store.FindCell(Col, Row, r);
    return r;
  }
};

TEST_F(StoreTest, NumbersReadBack) {
  store.WriteFloat(0, 0, 0, 70000);
  store.WriteFloat(1, 0, 0, 0.1);
  store.WriteFloat(2, 0, 5, -0.25);
  EXPECT_EQ(TXLSCellMMU::GetFloat(Ref(0, 0)), 70000);
  EXPECT_EQ(Ref(0, 0).TypeCode, mctInt32);
  EXPECT_EQ(Ref(1, 0).TypeCode, mctInt32Div100);
  EXPECT_EQ(core::load_le32(Ref(1, 0).Data), 10u);
  EXPECT_EQ(TXLSCellMMU::GetFloat(Ref(1, 0)), 0.1);
  EXPECT_EQ(Ref(2, 0).TypeCode, mctDouble | mctHasStyle);
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(2, 0)), 5);
  EXPECT_EQ(TXLSCellMMU::GetFloat(Ref(2, 0)), -0.25);
  // Three cells and one new row on XF 0 and 5.
  EXPECT_EQ(xf.UsesOf(0), 3);
  EXPECT_EQ(xf.UsesOf(5), 1);
}

TEST_F(StoreTest, PositionsOutsideTheGridAreRefused) {
  EXPECT_THROW(store.WriteFloat(16384, 0, 0, 1), Exception);
  EXPECT_THROW(store.WriteBlank(0, 1048576, 0, 3), Exception);
  EXPECT_THROW(store.WriteString(-1, 0, 0, u"x"), Exception);
  EXPECT_THROW(store.AddRow(-5, 0), Exception);
  store.WriteFloat(16383, 1048575, 0, 1);
  EXPECT_EQ(store.LastRow(), 1048575);
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{0, 2}}));
  EXPECT_EQ(sst.Uses, std::vector<int>{0});
}

TEST_F(StoreTest, BlankAlwaysCarriesItsStyleField) {
  store.WriteBlank(3, 2, 0, 0);
  TMMUCellRef r = Ref(3, 2);
  EXPECT_EQ(r.TypeCode, mctBlank | mctHasStyle);
  EXPECT_EQ(TXLSCellMMU::GetStyle(r), 0);
  EXPECT_EQ(TXLSCellMMU::CellType(r), cvkBlank);
  std::u16string t;
  EXPECT_FALSE(store.GetAsText(3, 2, t));
}

TEST_F(StoreTest, UpdateStringChangesWidthAndKeepsStyle) {
  sst.Grow(70001);
  store.WriteStringIndex(0, 0, 9, 100);
  EXPECT_EQ(Ref(0, 0).TypeCode, mctSST16 | mctHasStyle);
  sst.Texts[70000] = u"far";
  sst.Index[u"far"] = 70000;
  store.UpdateString(0, 0, 0, u"far");
  TMMUCellRef r = Ref(0, 0);
  EXPECT_EQ(r.TypeCode, mctSST32 | mctHasStyle);
  EXPECT_EQ(TXLSCellMMU::GetStringIndex(r), 70000);
  EXPECT_EQ(TXLSCellMMU::GetStyle(r), 9);
  EXPECT_EQ(sst.UsesOf(100), 0);
  EXPECT_EQ(sst.UsesOf(70000), 1);
  EXPECT_EQ(xf.UsesOf(9), 1);
  // Same width: the index changes in place.
  store.UpdateString(0, 0, 0, sst.Texts[69999]);
  EXPECT_EQ(TXLSCellMMU::GetStringIndex(Ref(0, 0)), 69999);
  EXPECT_EQ(sst.UsesOf(70000), 0);
  // The same text written over itself keeps exactly one use.
  store.UpdateString(0, 0, 0, sst.Texts[69999]);
  EXPECT_EQ(sst.UsesOf(69999), 1);
  std::u16string t;
  store.GetString(Ref(0, 0), t);
  EXPECT_EQ(t, sst.Texts[69999]);
}

TEST_F(StoreTest, WritesOverCellsGiveTheirUsesBack) {
  store.WriteString(0, 0, 3, u"a");
  store.WriteFloat(0, 0, 4, 1.5);
  EXPECT_EQ(sst.UsesOf(0), 0);
  EXPECT_EQ(xf.UsesOf(3), 0);
  EXPECT_EQ(xf.UsesOf(4), 1);
  store.UpdateBoolean(0, 0, 7, true);  // keeps its own style 4
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(0, 0)), 4);
  EXPECT_TRUE(TXLSCellMMU::GetBoolean(Ref(0, 0)));
  store.UpdateError(1, 0, 7, errDiv0);  // a new cell takes Style
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(1, 0)), 7);
  std::u16string t;
  EXPECT_TRUE(store.GetAsText(1, 0, t));
  EXPECT_EQ(t, u"#DIV/0!");
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{0, 1}, {4, 1}, {7, 1}}));
}

TEST_F(StoreTest, CellTextIsCutAtTheLimit) {
  std::u16string longText(40000, u'x');
  store.WriteString(0, 0, 0, longText);
  std::u16string t;
  store.GetString(Ref(0, 0), t);
  EXPECT_EQ(t.size(), static_cast<std::size_t>(MAX_CELL_TEXT));
}

TEST_F(StoreTest, GetNumberOrErrorAndText) {
  store.WriteString(0, 0, 0, u"x");
  store.WriteError(1, 0, 0, errDiv0);
  store.WriteFloat(2, 0, 0, 1234.5);
  store.WriteBoolean(3, 0, 0, false);
  store.WriteFloat(4, 0, 0, 1e20);
  double v = 9;
  bool notNumber = false;
  EXPECT_EQ(store.GetNumberOrError(0, 0, v, notNumber), 0);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(notNumber);
  EXPECT_EQ(store.GetNumberOrError(1, 0, v, notNumber), errDiv0);
  EXPECT_FALSE(notNumber);
  EXPECT_EQ(store.GetNumberOrError(2, 0, v, notNumber), 0);
  EXPECT_EQ(v, 1234.5);
  EXPECT_EQ(store.GetNumberOrError(9, 9, v, notNumber), 0);
  EXPECT_TRUE(notNumber);
  std::u16string t;
  EXPECT_TRUE(store.GetAsText(2, 0, t));
  EXPECT_EQ(t, u"1234.5");
  EXPECT_TRUE(store.GetAsText(3, 0, t));
  EXPECT_EQ(t, u"FALSE");
  EXPECT_TRUE(store.GetAsText(4, 0, t));
  EXPECT_EQ(t, u"1E20");
  EXPECT_FALSE(store.GetAsText(5, 0, t));
}

TEST_F(StoreTest, SetStylePaths) {
  store.WriteFloat(0, 0, 0, 2.5);
  store.WriteString(1, 0, 6, u"s");
  store.WriteFormulaPtgs(2, 0, 0, reinterpret_cast<const std::uint8_t*>("\x1E\x01\x00"), 3, 7.5);
  store.SetStyle(0, 0, Ref(0, 0), 8);  // style field appears
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(0, 0)), 8);
  EXPECT_EQ(TXLSCellMMU::GetFloat(Ref(0, 0)), 2.5);
  store.SetStyle(1, 0, Ref(1, 0), 9);  // in place
  store.SetStyle(1, 0, Ref(1, 0), 0);  // style field goes
  EXPECT_EQ(Ref(1, 0).TypeCode, mctSST16);
  EXPECT_EQ(sst.UsesOf(0), 1);
  store.SetStyle(2, 0, Ref(2, 0), 11);
  TMMUCellRef f = Ref(2, 0);
  EXPECT_EQ(TXLSCellMMU::GetStyle(f), 11);
  EXPECT_EQ(TXLSCellMMU::GetFormulaFloat(f), 7.5);
  const std::uint8_t* ptgs;
  ASSERT_EQ(TXLSCellMMU::GetFormulaPtgs(f, ptgs), 3);
  EXPECT_EQ(ptgs[0], 0x1E);
  // Three cells (XF 8, XF 0, XF 11) and the row's header (XF 0).
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{0, 2}, {8, 1}, {11, 1}}));
}

TEST_F(StoreTest, ClearValueReleasesTheValue) {
  store.WriteString(0, 0, 5, u"gone");
  store.WriteString(1, 0, 0, u"also");
  store.WriteFloat(2, 0, 0, 1);
  store.ClearValue(0, 0);
  EXPECT_EQ(Ref(0, 0).TypeCode, mctBlank | mctHasStyle);
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(0, 0)), 5);
  EXPECT_EQ(sst.UsesOf(0), 0);
  store.ClearValue(1, 0);
  EXPECT_TRUE(store.CellIsEmpty(1, 0));
  EXPECT_EQ(sst.UsesOf(1), 0);
  store.ClearValue(2, 0);
  EXPECT_TRUE(store.CellIsEmpty(2, 0));
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{0, 1}, {5, 1}}));
}

TEST_F(StoreTest, RowsComeAndGoWithTheirCells) {
  store.WriteFloat(4, 10, 0, 1);
  TMMURowHeader h = store.FindRow(10);
  ASSERT_TRUE(h);
  EXPECT_EQ(h.Height(), 300);
  h.SetHeight(1000);
  h.SetFlags(TMMURowHeader::rhfCustomHeight);
  store.DeleteCell(4, 10);
  EXPECT_FALSE(store.FindRow(10));
  EXPECT_EQ(xf.Live(), (std::map<int, int>{}));
  // AddRow gives a header without cells and swaps the header's use on a second call.
  store.AddRow(20, 3);
  store.AddRow(20, 4);
  EXPECT_EQ(store.FindRow(20).Style(), 4);
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{4, 1}}));
  store.WriteFloat(0, 20, 0, 1);
  EXPECT_EQ(store.FindRow(20).Style(), 4);
}

TEST_F(StoreTest, ClearRows) {
  for (int r = 0; r < 401; ++r) store.WriteString(r % 7, r, r % 3, u"t" + std::u16string(1, char16_t(u'a' + r % 5)));
  store.ClearRows(600, 700);
  EXPECT_EQ(store.LastRow(), 400);
  store.ClearRows(-1, 700);
  EXPECT_EQ(store.LastRow(), 400);
  store.ClearRows(100, 99);
  EXPECT_EQ(store.LastRow(), 400);
  store.ClearRows(250, 300);  // across a block boundary
  EXPECT_TRUE(store.FindRow(249));
  EXPECT_FALSE(store.FindRow(250));
  EXPECT_FALSE(store.FindRow(300));
  EXPECT_TRUE(store.FindRow(301));
  EXPECT_FALSE(store.CellIsEmpty(301 % 7, 301));
  store.ClearRows(0, 1000);
  EXPECT_EQ(store.LastRow(), -1);
  EXPECT_EQ(store.BlockCount(), 0);
  EXPECT_EQ(xf.Live(), (std::map<int, int>{}));
  for (int u : sst.Uses) EXPECT_EQ(u, 0);
}

TEST_F(StoreTest, CalcDimension) {
  store.CalcDimension();
  EXPECT_EQ(store.Dimension(), (TXLSCellArea{-1, -1, -1, -1}));
  store.AddRow(5, 0);
  store.CalcDimension();
  EXPECT_EQ(store.Dimension(), (TXLSCellArea{0, 0, 0, 0}));
  store.ClearRows(0, 10);
  for (int r = 300; r <= 400; r += 20) store.WriteFloat(2 + r % 4, r, 0, 1);
  store.WriteFloat(5, 400, 0, 1);
  store.CalcDimension();
  EXPECT_EQ(store.Dimension(), (TXLSCellArea{300, 400, 2, 5}));
  // A row with only a header counts for the rows, not for the columns.
  store.AddRow(10, 0);
  store.CalcDimension();
  EXPECT_EQ(store.Dimension(), (TXLSCellArea{10, 400, 2, 5}));
}

TEST_F(StoreTest, LastRowLooksOverAllBlocks) {
  store.WriteFloat(0, 10, 0, 1);
  store.WriteFloat(0, 600, 0, 1);
  store.DeleteCell(0, 600);
  EXPECT_EQ(store.LastRow(), 10);
  store.BeginIterate(0);
  ASSERT_TRUE(store.IterNext());
  EXPECT_EQ(store.IterRow(), 10);
  EXPECT_FALSE(store.IterNext());
  EXPECT_FALSE(store.IterNext());
}

TEST_F(StoreTest, IterationWalksInOrderAndToleratesRewritesAtTheCursor) {
  std::vector<std::pair<int, int>> cells = {{0, 1}, {5, 1}, {3, 255}, {0, 256}, {7, 1000}, {1, 70000}};
  for (auto [c, r] : cells) store.WriteFloat(c, r, 0, c + r);
  store.WriteString(9, 256, 0, u"s");
  store.AddRow(500, 0);  // header only: walked as a row without cells
  std::vector<std::pair<int, int>> seen;
  store.BeginIterate(0);
  while (store.IterNext()) {
    seen.emplace_back(store.IterCol(), store.IterRow());
    if (store.IterCellType() == cvkFloat) {
      EXPECT_EQ(store.IterFloat(), store.IterCol() + store.IterRow());
      // Rewriting the cell at the cursor keeps the walk going.
      store.WriteFloat(store.IterCol(), store.IterRow(), 3, 0.5);
    } else {
      EXPECT_THROW(store.IterFloat(), Exception);
      EXPECT_EQ(store.IterStringIndex(), 0);
    }
  }
  std::vector<std::pair<int, int>> expected = {{0, 1}, {5, 1}, {3, 255}, {0, 256}, {9, 256}, {7, 1000}, {1, 70000}};
  EXPECT_EQ(seen, expected);
  store.BeginIterate(257);
  EXPECT_EQ(store.IterRow(), 500);
  EXPECT_FALSE(store.IterNextCol());
  ASSERT_TRUE(store.IterNextRow());
  EXPECT_EQ(store.IterRow(), 1000);
}

// Formula records -------------------------------------------------------------------------

TEST_F(StoreTest, FormulaRecordsRoundTrip) {
  const std::uint8_t tokens[] = {0x1E, 0x05, 0x00, 0x1E, 0x06, 0x00, 0x03};
  struct Case {
    std::uint8_t Kind;
    int Result;   // 6..9
    int Body;     // 0 tokens, 1 8-bit text, 2 UTF-16 text
    bool Area;
    bool DataTable;
    int Style;
  } cases[] = {
      {mfkNormal, cvkFloatFormula, 0, false, false, 0},   {mfkNormal, cvkStringFormula, 1, false, false, 4},
      {mfkArray, cvkBooleanFormula, 2, true, false, 0},   {mfkArray, cvkErrorFormula, 0, true, false, 2},
      {mfkDataTable, cvkFloatFormula, 0, false, true, 0}, {mfkArrayMember, cvkStringFormula, 0, false, false, 1},
      {mfkArrayMember97, cvkFloatFormula, 0, false, false, 0}, {mfkDataTableMember, cvkErrorFormula, 0, false, false, 3},
  };
  int col = 0;
  for (const Case& c : cases) {
    TXLSFormulaHelper& F = store.FormulaHelper();
    F.Clear();
    F.Col = col;
    F.Row = 3;
    F.Style = c.Style;
    F.FormulaKind = c.Kind;
    switch (c.Result) {
      case cvkFloatFormula: F.SetResultFloat(-2.75); break;
      case cvkStringFormula: F.SetResultString(u"温度 ok"); break;
      case cvkBooleanFormula: F.SetResultBoolean(true); break;
      default: F.SetResultError(errNA);
    }
    if (c.Body == 0) {
      F.SetPtgsCopy(tokens, sizeof tokens);
    } else {
      F.SourceText = c.Body == 1 ? u"SUM(A1:\u00e9B2)" : u"SUM(温度)";
    }
    if (c.Area) F.SetArea(1, 2, 3, 70000);
    if (c.Kind == mfkDataTable || c.DataTable) {
      F.HasDataTableRefs = c.DataTable;
      F.DataTableFlags = mdtfTwoDim | mdtfRowInput;
      F.SetDataTableR1(4, 5);
      F.SetDataTableR2(6, 70007);
    }
    F.MasterCol = 9;
    F.MasterRow = 123456;
    store.WriteFormula();

    TMMUCellRef r = Ref(col, 3);
    ASSERT_TRUE(r.Data) << col;
    EXPECT_EQ(core::load_le16(r.Data), F.RecordSize()) << col;
    EXPECT_EQ(TXLSCellMMU::CellType(r), c.Result);
    EXPECT_EQ(TXLSCellMMU::GetStyle(r), c.Style);
    store.ReadFormula(r);
    TXLSFormulaHelper& G = store.FormulaHelper();
    EXPECT_EQ(G.FormulaKind, c.Kind);
    EXPECT_EQ(G.ResultKind, c.Result);
    EXPECT_EQ(G.Style, c.Style);
    EXPECT_EQ(G.HasArea, c.Area);
    if (c.Area) {
      EXPECT_EQ(G.Area.Row2, 70000);
      TXLSCellArea a;
      ASSERT_TRUE(TXLSCellMMU::GetFormulaAreaRect(r, a));
      EXPECT_EQ(a, (TXLSCellArea{2, 70000, 1, 3}));
    } else {
      EXPECT_EQ(TXLSCellMMU::GetFormulaArea(r), nullptr);
    }
    switch (c.Result) {
      case cvkFloatFormula: EXPECT_EQ(G.GetResultFloat(), -2.75); break;
      case cvkStringFormula: EXPECT_EQ(G.GetResultString(), u"温度 ok"); break;
      case cvkBooleanFormula: EXPECT_TRUE(G.GetResultBoolean()); break;
      default: EXPECT_EQ(G.GetResultError(), errNA);
    }
    if (c.Kind == mfkDataTable || c.DataTable) {
      EXPECT_EQ(G.DataTableFlags, mdtfTwoDim | mdtfRowInput);
      EXPECT_EQ(G.GetDataTableR2Text(), u"G70008");
    }
    if (c.Kind >= mfkArrayMember) {
      EXPECT_EQ(G.MasterCol, 9);
      EXPECT_EQ(G.MasterRow, 123456);
    }
    if (c.Kind <= mfkArray) {
      if (c.Body == 0) {
        ASSERT_EQ(G.PtgsLen, static_cast<int>(sizeof tokens));
        EXPECT_EQ(std::memcmp(G.Ptgs, tokens, sizeof tokens), 0);
        EXPECT_TRUE(TXLSCellMMU::FormulaIsCompiled(r));
      } else {
        std::u16string text;
        TXLSCellMMU::GetFormulaSourceText(r, text);
        EXPECT_EQ(text, c.Body == 1 ? u"SUM(A1:\u00e9B2)" : u"SUM(温度)");
        EXPECT_EQ(G.SourceText, text);
        const std::uint8_t* p;
        EXPECT_THROW(TXLSCellMMU::GetFormulaPtgs(r, p), Exception);
      }
    }
    ++col;
  }
}

TEST_F(StoreTest, FormulaTextBodyMarkers) {
  TXLSFormulaHelper& F = store.FormulaHelper();
  F.Clear();
  F.Col = 0;
  F.Row = 0;
  F.Style = 0;
  F.SetResultFloat(0);
  F.SourceText = u"A1+\u00ff";
  EXPECT_EQ(F.RecordSize(), 1 + 8 + 3 + 4);
  EXPECT_TRUE(F.Is8Bit);
  store.WriteFormula();
  F.Clear();
  F.Col = 1;
  F.Row = 0;
  F.Style = 0;
  F.SetResultFloat(0);
  F.SourceText = u"A1+\u0100";
  EXPECT_EQ(F.RecordSize(), 1 + 8 + 3 + 8);
  EXPECT_FALSE(F.Is8Bit);
  store.WriteFormula();
  // Marker byte right behind the body length.
  EXPECT_EQ(Ref(0, 0).Data[2 + 1 + 8 + 2], FORMULA_BODY_8BIT);
  EXPECT_EQ(Ref(1, 0).Data[2 + 1 + 8 + 2], FORMULA_BODY_UTF16);
  std::u16string t;
  TXLSCellMMU::GetFormulaSourceText(Ref(1, 0), t);
  EXPECT_EQ(t, u"A1+\u0100");
  const std::uint8_t* p;
  EXPECT_THROW(TXLSCellMMU::GetFormulaPtgs(Ref(1, 0), p), Exception);
}

TEST_F(StoreTest, LegacyTokenBodies) {
  const std::uint8_t biff[] = {0x24, 0x01, 0x00, 0x02, 0x00};
  store.WriteFormula97(0, 0, biff, sizeof biff, 6);
  const std::uint8_t* p;
  TMMUCellRef r = Ref(0, 0);
  ASSERT_EQ(TXLSCellMMU::GetFormulaPtgs(r, p), 6);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[1], 0x24);
  EXPECT_EQ(TXLSCellMMU::GetFormulaFloat(r), 0);
  EXPECT_EQ(TXLSCellMMU::GetStyle(r), 6);
  // An existing cell's style wins.
  store.WriteFloat(1, 0, 8, 1);
  store.WriteFormula97(1, 0, biff, sizeof biff, 6);
  EXPECT_EQ(TXLSCellMMU::GetStyle(Ref(1, 0)), 8);

  TXLSFormulaHelper& F = store.FormulaHelper();
  F.Clear();
  F.Col = 2;
  F.Row = 0;
  F.Style = 0;
  F.SetResultFloat(1);
  const std::uint8_t withExtra[] = {0x20, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB};  // tArray + 2 extra bytes
  F.SetPtgs97Extra(withExtra, 7, 2);
  store.WriteFormula();
  ASSERT_EQ(TXLSCellMMU::GetFormulaPtgs(Ref(2, 0), p), 12);
  EXPECT_EQ(p[0], 0xFE);
  EXPECT_EQ(core::load_le16(p + 1), 2);
  EXPECT_EQ(p[11], 0xBB);
}

TEST_F(StoreTest, CachedResults) {
  const std::uint8_t tokens[] = {0x1E, 0x01, 0x00};
  TXLSFormulaHelper& F = store.FormulaHelper();
  F.Clear();
  F.Col = 4;
  F.Row = 2;
  F.Style = 7;
  F.FormulaKind = mfkArray;
  F.SetArea(4, 2, 5, 3);
  F.SetResultString(u"abc");
  F.SetPtgsCopy(tokens, 3);
  store.WriteFormula();
  const int before = core::load_le16(Ref(4, 2).Data);
  store.SetFormulaResultString(Ref(4, 2), 4, 2, u"abc");
  EXPECT_EQ(core::load_le16(Ref(4, 2).Data), before);
  store.SetFormulaResultString(Ref(4, 2), 4, 2, u"abcdef");
  EXPECT_EQ(core::load_le16(Ref(4, 2).Data), before + 6);
  store.SetFormulaResultString(Ref(4, 2), 4, 2, u"a");
  EXPECT_EQ(core::load_le16(Ref(4, 2).Data), before - 4);
  store.SetFormulaResultFloat(Ref(4, 2), 4, 2, 2.5);
  store.SetFormulaResultFloat(Ref(4, 2), 4, 2, 3.5);  // in place
  store.SetFormulaResultBoolean(Ref(4, 2), 4, 2, true);
  store.SetFormulaResultError(Ref(4, 2), 4, 2, errRef);
  TMMUCellRef r = Ref(4, 2);
  EXPECT_EQ(TXLSCellMMU::CellType(r), cvkErrorFormula);
  EXPECT_EQ(TXLSCellMMU::GetFormulaError(r), errRef);
  EXPECT_EQ(TXLSCellMMU::GetStyle(r), 7);
  store.ReadFormula(r);
  EXPECT_EQ(store.FormulaHelper().FormulaKind, mfkArray);
  EXPECT_EQ(store.FormulaHelper().GetAreaText(), u"E3:F4");
  EXPECT_EQ(store.FormulaHelper().PtgsLen, 3);
  // UpdateFloat on a formula cell changes only its result.
  store.UpdateFloat(4, 2, 0, 42);
  r = Ref(4, 2);
  EXPECT_EQ(TXLSCellMMU::GetFormulaFloat(r), 42);
  EXPECT_TRUE(TXLSCellMMU::FormulaIsCompiled(r));
  EXPECT_EQ(xf.Live(), (std::map<int, int>{{0, 1}, {7, 1}}));

  store.WriteFloat(0, 0, 0, 1);
  EXPECT_THROW(store.SetFormulaResultFloat(Ref(0, 0), 0, 0, 1), Exception);
  EXPECT_THROW(store.SetFormulaResultString(Ref(9, 9), 9, 9, u"x"), Exception);
  EXPECT_THROW(store.ReplaceFormulaPtgs(9, 9, Ref(9, 9), tokens, 3), Exception);
}

TEST_F(StoreTest, FormulaErrors) {
  TXLSFormulaHelper& F = store.FormulaHelper();
  F.Clear();
  F.Col = 0;
  F.Row = 0;
  EXPECT_THROW(store.WriteFormula(), Exception);  // no result kind
  EXPECT_TRUE(store.CellIsEmpty(0, 0));
  EXPECT_THROW(F.SetResultError(0), Exception);
  EXPECT_THROW(F.SetResultErrorText(u"#NOPE"), Exception);
  F.SetResultErrorText(u"#N/A");
  EXPECT_EQ(F.GetResultError(), errNA);
}

TEST_F(StoreTest, OversizedFormulaRecordsAreRefusedOrCut) {
  TXLSFormulaHelper& F = store.FormulaHelper();
  F.Clear();
  F.Col = 0;
  F.Row = 0;
  F.Style = 0;
  F.SourceText = u"A1";
  F.SetResultString(std::u16string(40000, u'r'));
  store.WriteFormula();
  TMMUCellRef r = Ref(0, 0);
  std::u16string t;
  TXLSCellMMU::GetFormulaString(r, t);
  // Cut to the cell text limit, then further until the record's 16-bit length holds it.
  EXPECT_EQ(t.size(), static_cast<std::size_t>((0xFFFF - 1 - 2 - 5) / 2));
  EXPECT_EQ(core::load_le16(r.Data), 1 + 2 + 2 * t.size() + 5);
  TXLSCellMMU::GetFormulaSourceText(r, t);
  EXPECT_EQ(t, u"A1");
  // A 30000-character text result next to a long source text still fits in 64 KB.
  F.Clear();
  F.Col = 1;
  F.Row = 0;
  F.Style = 0;
  F.SourceText = std::u16string(20000, u'\u4e00');
  F.SetResultString(std::u16string(30000, u'q'));
  store.WriteFormula();
  r = Ref(1, 0);
  EXPECT_LE(core::load_le16(r.Data), 0xFFFF);
  TXLSCellMMU::GetFormulaSourceText(r, t);
  EXPECT_EQ(t.size(), 20000u);
  TXLSCellMMU::GetFormulaString(r, t);
  EXPECT_LT(t.size(), 30000u);
  // A body that cannot fit is refused and nothing changes.
  std::vector<std::uint8_t> huge(70000, 0x1E);
  EXPECT_THROW(store.WriteFormulaPtgs(2, 0, 0, huge.data(), static_cast<int>(huge.size()), 0), Exception);
  EXPECT_TRUE(store.CellIsEmpty(2, 0));
}

}  // namespace
}  // namespace workbook
