// The byte layer under the cell store: run and skip encodings, row rebuilds, removal of rows and
// the offset upkeep of a block, plus a randomized comparison with a plain map.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "core/byte_io.h"
#include "workbook/cell_store.h"
#include "workbook/cell_store_blocks.h"

namespace workbook {
namespace {

constexpr std::uint8_t kInt8 = mctInt8;      // 1-byte payload
constexpr std::uint8_t kInt16 = mctInt16;    // 2-byte payload
constexpr std::uint8_t kDouble = mctDouble;  // 8-byte payload
constexpr std::uint8_t kVar = mctFormulaFloat;

class BlockTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The store registers the class-wide payload sizes and the row header template.
    TXLSCellMMU registerSizes(0, 0, nullptr, nullptr);
    bm.SetBlock(&block);
  }
  std::uint8_t* Vec(int Row) { return block.Buffer + block.RowOffsets[Row]; }
  int ColCount(int Row) { return core::load_le16(Vec(Row)); }
  void PutInt8(int Row, int Col, std::uint8_t V) { *bm.InsertCell(Row, Col, kInt8) = V; }
  int GetInt8(int Row, int Col) {
    std::uint8_t t = 0;
    std::uint8_t* p = bm.FindCell(Row, Col, t);
    if (!p) return -1;
    EXPECT_EQ(t, kInt8);
    return *p;
  }
  TMMUBlock block;
  TXLSMMUBlockManager bm;
};

TEST_F(BlockTest, AppendingFillsRunsOf127) {
  for (int c = 0; c < 127; ++c) PutInt8(0, c, static_cast<std::uint8_t>(c));
  std::uint8_t* v = Vec(0);
  EXPECT_EQ(ColCount(0), 127);
  EXPECT_EQ(v[12], 127);
  EXPECT_EQ(v[13], kInt8);
  EXPECT_EQ(core::load_le32(v + 2), 12u);
  EXPECT_EQ(block.UsedBytes, 12 + 2 + 127);
  PutInt8(0, 127, 99);
  v = Vec(0);
  EXPECT_EQ(v[12 + 2 + 127], 1);
  EXPECT_EQ(core::load_le32(v + 2), static_cast<std::uint32_t>(12 + 2 + 127));
  for (int c = 0; c < 127; ++c) EXPECT_EQ(GetInt8(0, c), c);
  EXPECT_EQ(GetInt8(0, 127), 99);
}

TEST_F(BlockTest, LeadingSkipBytes) {
  struct Case {
    int Col;
    std::vector<std::uint8_t> Skip;
  } cases[] = {{0, {}}, {1, {0x81}}, {126, {0xFE}}, {127, {0xFF}}, {128, {0xFF, 0x81}}, {254, {0xFF, 0xFF}},
               {255, {0xFF, 0xFF, 0x81}}};
  int row = 0;
  for (const Case& c : cases) {
    PutInt8(row, c.Col, 7);
    std::uint8_t* v = Vec(row);
    for (std::size_t i = 0; i < c.Skip.size(); ++i) EXPECT_EQ(v[12 + i], c.Skip[i]) << c.Col;
    EXPECT_EQ(v[12 + c.Skip.size()], 1) << c.Col;
    EXPECT_EQ(ColCount(row), c.Col + 1);
    EXPECT_EQ(GetInt8(row, c.Col), 7);
    if (c.Col > 0) {
      EXPECT_EQ(GetInt8(row, c.Col - 1), -1);
    }
    ++row;
  }
}

TEST_F(BlockTest, WritesIntoGapsRebuildToTheComputedSize) {
  // A rebuilt row that differs from its computed size raises; every gap width is tried, also
  // with a variable-length cell written into the gap.
  for (int gap : {1, 2, 126, 127, 128, 253, 254, 255, 300}) {
    for (int at : {1, gap / 2 + 1, gap}) {
      for (bool var : {false, true}) {
        TMMUBlock b;
        bm.SetBlock(&b);
        *bm.InsertCell(0, 0, kInt8) = 1;
        *bm.InsertCell(0, gap + 1, kInt8) = 2;
        if (var) {
          std::uint8_t* p = bm.InsertVarCell(0, at, kVar, 5);
          EXPECT_EQ(core::load_le16(p), 5);
          for (int i = 0; i < 5; ++i) p[2 + i] = static_cast<std::uint8_t>(0xA0 + i);
        } else {
          *bm.InsertCell(0, at, kDouble) = 0x55;
        }
        std::uint8_t t = 0;
        ASSERT_NE(bm.FindCell(0, 0, t), nullptr);
        EXPECT_EQ(*bm.FindCell(0, 0, t), 1);
        EXPECT_EQ(*bm.FindCell(0, gap + 1, t), 2);
        std::uint8_t* p = bm.FindCell(0, at, t);
        ASSERT_NE(p, nullptr) << gap << " " << at;
        if (var) {
          EXPECT_EQ(t, kVar | MMU_VAR_FLAG);
          EXPECT_EQ(p[2 + 4], 0xA4);
        } else {
          EXPECT_EQ(*p, 0x55);
        }
        if (at > 1) {
          EXPECT_EQ(bm.FindCell(0, at - 1, t), nullptr);
        }
        EXPECT_EQ(bm.Vectors().VectorSize(), b.UsedBytes);
        bm.SetBlock(&block);
      }
    }
  }
}

TEST_F(BlockTest, LongerVariableCellInTheMiddleKeepsNeighbours) {
  *bm.InsertCell(0, 0, kInt16) = 0x11;
  std::uint8_t* p = bm.InsertVarCell(0, 1, kVar, 3);
  std::memcpy(p + 2, "abc", 3);
  *bm.InsertCell(0, 2, kInt16) = 0x22;
  p = bm.InsertVarCell(0, 1, kVar, 40);
  for (int i = 0; i < 40; ++i) p[2 + i] = static_cast<std::uint8_t>(i);
  std::uint8_t t = 0;
  EXPECT_EQ(*bm.FindCell(0, 0, t), 0x11);
  EXPECT_EQ(t, kInt16);
  EXPECT_EQ(*bm.FindCell(0, 2, t), 0x22);
  p = bm.FindCell(0, 1, t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(core::load_le16(p), 40);
  EXPECT_EQ(p[2 + 39], 39);
  EXPECT_EQ(block.UsedBytes, 12 + (2 + 2) + (4 + 40) + (2 + 2));
}

TEST_F(BlockTest, DeletingCellsShortensAndRemovesRows) {
  PutInt8(3, 2, 1);
  PutInt8(3, 5, 2);
  PutInt8(3, 9, 3);
  EXPECT_TRUE(bm.DeleteCell(3, 9));
  EXPECT_EQ(ColCount(3), 6);
  EXPECT_FALSE(bm.DeleteCell(3, 4));   // empty column
  EXPECT_FALSE(bm.DeleteCell(3, 40));  // beyond the row
  EXPECT_TRUE(bm.DeleteCell(3, 5));
  EXPECT_EQ(ColCount(3), 3);
  EXPECT_TRUE(bm.DeleteCell(3, 2));
  EXPECT_FALSE(block.HasRow(3));
  EXPECT_EQ(block.UsedBytes, 0);
  EXPECT_EQ(block.Buffer, nullptr);
  EXPECT_EQ(bm.GetRowHeader(3), nullptr);
}

TEST_F(BlockTest, OffsetsBehindAChangedRowShift) {
  PutInt8(5, 0, 50);
  PutInt8(3, 0, 30);
  PutInt8(7, 0, 70);
  const int off5 = block.RowOffsets[5], off3 = block.RowOffsets[3], off7 = block.RowOffsets[7];
  EXPECT_LT(off5, off3);
  EXPECT_LT(off3, off7);
  *bm.InsertCell(5, 4, kDouble) = 51;  // 1 skip byte + 2 + 8
  EXPECT_EQ(block.RowOffsets[5], off5);
  EXPECT_EQ(block.RowOffsets[3], off3 + 11);
  EXPECT_EQ(block.RowOffsets[7], off7 + 11);
  EXPECT_EQ(GetInt8(3, 0), 30);
  EXPECT_EQ(GetInt8(7, 0), 70);
  bm.DeleteRow(3);
  EXPECT_EQ(block.RowOffsets[7], off7 + 11 - 15);
  EXPECT_EQ(GetInt8(7, 0), 70);
  EXPECT_EQ(GetInt8(5, 0), 50);
}

TEST_F(BlockTest, HeaderOnlyRowsAndUsedArea) {
  bm.AddRow(10);
  PutInt8(20, 300, 1);
  PutInt8(30, 4, 1);
  int fr, lr, fc, lc;
  bm.GetUsedArea(fr, lr, fc, lc);
  EXPECT_EQ(fr, 10);
  EXPECT_EQ(lr, 30);
  EXPECT_EQ(fc, 4);
  EXPECT_EQ(lc, 300);
  // The header-only row gains a first cell in place and keeps its header.
  std::uint8_t* h = bm.GetRowHeader(10);
  h[4] = 0x77;
  PutInt8(10, 1, 9);
  EXPECT_EQ(bm.GetRowHeader(10)[4], 0x77);
  EXPECT_EQ(GetInt8(10, 1), 9);
}

TEST_F(BlockTest, FindNextCellSkipsGapsInOneStep) {
  PutInt8(0, 2, 1);
  PutInt8(0, 400, 2);
  PutInt8(0, 401, 3);
  int col = 3;
  std::uint8_t t = 0;
  bm.SelectRow(0);
  std::uint8_t* p = bm.FindNextCell(col, t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(col, 400);
  col = 402;
  EXPECT_EQ(bm.FindNextCell(col, t), nullptr);
}

// Random inserts and deletes of fixed and variable cells against a map of expected payloads.
TEST_F(BlockTest, RandomizedAgainstMap) {
  std::mt19937 rng(12345);
  std::map<std::pair<int, int>, std::vector<std::uint8_t>> model;  // (row, col) -> code + payload
  const std::uint8_t codes[] = {kInt8, kInt16, kDouble, kVar};
  for (int op = 0; op < 60000; ++op) {
    const int row = static_cast<int>(rng() % 24);
    const int col = static_cast<int>(rng() % 600);
    const unsigned what = rng() % 10;
    if (what < 7) {
      const std::uint8_t code = codes[rng() % 4];
      std::vector<std::uint8_t> bytes{code};
      std::uint8_t* p;
      int size;
      if (code == kVar) {
        size = static_cast<int>(rng() % 20);
        p = bm.InsertVarCell(row, col, code, size) + 2;
        bytes[0] |= MMU_VAR_FLAG;
      } else {
        size = TXLSMMUVectorManager::CellSize(code);
        p = bm.InsertCell(row, col, code);
      }
      for (int i = 0; i < size; ++i) {
        p[i] = static_cast<std::uint8_t>(rng());
        bytes.push_back(p[i]);
      }
      model[{row, col}] = bytes;
    } else if (what < 9) {
      bool removed = bm.DeleteCell(row, col);
      EXPECT_EQ(removed, model.erase({row, col}) == 1);
    } else {
      bm.DeleteRow(row);
      for (auto it = model.lower_bound({row, 0}); it != model.end() && it->first.first == row;)
        it = model.erase(it);
    }
    if (op % 5000 == 4999) {
      // Every row walked from its start gives exactly the model's cells.
      std::map<std::pair<int, int>, std::vector<std::uint8_t>> seen;
      int total = 0;
      for (int r = 0; r < MMU_ROWS_PER_BLOCK; ++r) {
        if (!block.HasRow(r)) continue;
        bm.SelectRow(r);
        total += bm.Vectors().VectorSize();
        int c = 0;
        std::uint8_t t = 0;
        while (std::uint8_t* p = bm.FindNextCell(c, t)) {
          std::vector<std::uint8_t> bytes{t};
          const int size = (t & MMU_VAR_FLAG) ? core::load_le16(p) : TXLSMMUVectorManager::CellSize(t);
          if (t & MMU_VAR_FLAG) p += 2;
          bytes.insert(bytes.end(), p, p + size);
          seen[{r, c}] = bytes;
          ++c;
        }
      }
      ASSERT_EQ(seen, model) << "after op " << op;
      EXPECT_EQ(total, block.UsedBytes);
    }
  }
}

}  // namespace
}  // namespace workbook
