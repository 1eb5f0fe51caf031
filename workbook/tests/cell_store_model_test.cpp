// Millions of mixed writes, updates and deletes on a cell store, each read compared with a plain
// map of what the sheet should hold, including the use counts of formats and shared strings.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "workbook/cell_store.h"
#include "workbook/tests/cell_store_test_support.h"

namespace workbook {
namespace {

using testing_support::CountingFormats;
using testing_support::CountingStrings;

struct ModelCell {
  TCellValueKind Kind = cvkBlank;
  double Number = 0;  // number, or a formula's number result
  bool Bool = false;
  std::uint8_t Error = 0;
  std::u16string Text;  // string cell or string result
  int Style = 0;
  bool operator==(const ModelCell& O) const {
    return Kind == O.Kind && std::memcmp(&Number, &O.Number, sizeof Number) == 0 && Bool == O.Bool &&
           Error == O.Error && Text == O.Text && Style == O.Style;
  }
};

using Key = std::pair<int, int>;  // (row, col): the store's walking order

class ModelRun {
public:
  CountingStrings sst;
  CountingFormats xf;
  TXLSCellMMU store{0, 0, &sst, &xf};
  std::map<Key, ModelCell> cells;
  std::map<int, int> rows;  // row -> header style
  std::mt19937_64 rng{20261210};
  int maxRow, maxCol;
  int LastOp = -1;

  ModelRun(int MaxRow, int MaxCol) : maxRow(MaxRow), maxCol(MaxCol) {
    for (int i = 0; i < 300; ++i) texts.push_back(u"text " + std::u16string(1, char16_t(0x4E00 + i)) + u"#");
  }

  int Rand(int N) { return static_cast<int>(rng() % static_cast<std::uint64_t>(N)); }
  double RandomNumber() {
    switch (Rand(5)) {
      case 0: return Rand(256) - 128;                       // int8
      case 1: return Rand(2000000) - 1000000;               // int16 / int32
      case 2: return (Rand(2000000) - 1000000) / 100.0;     // hundredths
      case 3: return (Rand(2000000) - 1000000) / 10000.0;   // ten-thousandths
      default: {
        std::uniform_real_distribution<double> d(-1e6, 1e6);
        return d(rng);
      }
    }
  }
  int RandomStyle() { return Rand(3) == 0 ? 0 : 1 + Rand(6); }
  const std::u16string& RandomText() { return texts[static_cast<std::size_t>(Rand(static_cast<int>(texts.size())))]; }

  ModelCell* Find(int Col, int Row) {
    auto it = cells.find({Row, Col});
    return it == cells.end() ? nullptr : &it->second;
  }
  static bool IsFormula(const ModelCell& C) { return C.Kind >= cvkFloatFormula; }
  void Put(int Col, int Row, const ModelCell& C) {
    cells[{Row, Col}] = C;
    rows.emplace(Row, 0);
  }
  void Remove(int Col, int Row) {
    if (cells.erase({Row, Col}) == 0) return;
    auto it = cells.lower_bound({Row, 0});
    if (it == cells.end() || it->first.first != Row) rows.erase(Row);
  }

  void Step() {
    const int col = Rand(maxCol);
    const int row = Rand(maxRow);
    const int style = RandomStyle();
    ModelCell* old = Find(col, row);
    const int own = old ? old->Style : 0;
    const int keep = own ? own : style;
    LastOp = Rand(20);
    switch (LastOp) {
      case 0: case 1: case 2: case 3: {
        double v = RandomNumber();
        store.WriteFloat(col, row, style, v);
        Put(col, row, {cvkFloat, v, false, 0, u"", style});
        break;
      }
      case 4: case 5: {
        double v = RandomNumber();
        store.UpdateFloat(col, row, style, v);
        if (old && IsFormula(*old)) {
          ModelCell c = *old;
          c.Kind = cvkFloatFormula;
          c.Number = v;
          c.Text.clear();
          c.Bool = false;
          c.Error = 0;
          Put(col, row, c);
        } else {
          Put(col, row, {cvkFloat, v, false, 0, u"", keep});
        }
        break;
      }
      case 6: case 7: {
        const std::u16string& t = RandomText();
        store.UpdateString(col, row, style, t);
        if (old && IsFormula(*old)) {
          ModelCell c = *old;
          c.Kind = cvkStringFormula;
          c.Text = t;
          c.Number = 0;
          c.Bool = false;
          c.Error = 0;
          Put(col, row, c);
        } else {
          // A string cell keeps its own style, also none.
          Put(col, row, {cvkString, 0, false, 0, t, old && old->Kind == cvkString ? own : keep});
        }
        break;
      }
      case 8: {
        const std::u16string& t = RandomText();
        store.WriteString(col, row, style, t);
        Put(col, row, {cvkString, 0, false, 0, t, style});
        break;
      }
      case 9: {
        bool b = Rand(2) == 1;
        store.UpdateBoolean(col, row, style, b);
        if (old && IsFormula(*old)) {
          ModelCell c = *old;
          c.Kind = cvkBooleanFormula;
          c.Bool = b;
          c.Number = 0;
          c.Text.clear();
          c.Error = 0;
          Put(col, row, c);
        } else {
          Put(col, row, {cvkBoolean, 0, b, 0, u"", old && old->Kind == cvkBoolean ? own : keep});
        }
        break;
      }
      case 10: {
        std::uint8_t e = static_cast<std::uint8_t>(1 + Rand(7));
        store.UpdateError(col, row, style, e);
        if (old && IsFormula(*old)) {
          ModelCell c = *old;
          c.Kind = cvkErrorFormula;
          c.Error = e;
          c.Number = 0;
          c.Text.clear();
          c.Bool = false;
          Put(col, row, c);
        } else {
          Put(col, row, {cvkError, 0, false, e, u"", old && old->Kind == cvkError ? own : keep});
        }
        break;
      }
      case 11: {
        store.WriteBlank(col, row, 0, style);
        Put(col, row, {cvkBlank, 0, false, 0, u"", style});
        break;
      }
      case 12: {
        static const std::uint8_t tokens[] = {0x1E, 0x01, 0x00, 0x1E, 0x02, 0x00, 0x03};
        double v = RandomNumber();
        store.WriteFormulaPtgs(col, row, style, tokens, 1 + Rand(7), v);
        Put(col, row, {cvkFloatFormula, v, false, 0, u"", keep});
        break;
      }
      case 13: case 14: case 15: {
        store.DeleteCell(col, row);
        Remove(col, row);
        break;
      }
      case 16: {
        TMMUCellRef ref;
        store.FindCell(col, row, ref);
        store.SetStyle(col, row, ref, style);
        if (old) old->Style = style;
        break;
      }
      case 17: {
        store.ClearValue(col, row);
        if (old && old->Kind != cvkBlank) {
          if (old->Style)
            Put(col, row, {cvkBlank, 0, false, 0, u"", old->Style});
          else
            Remove(col, row);
        }
        break;
      }
      case 18: {
        if (Rand(50) == 0) {
          const int last = std::min(maxRow - 1, row + Rand(400));
          store.ClearRows(row, last);
          cells.erase(cells.lower_bound({row, 0}), cells.lower_bound({last + 1, 0}));
          rows.erase(rows.lower_bound(row), rows.lower_bound(last + 1));
        } else {
          store.AddRow(row, style);
          rows[row] = style;
        }
        break;
      }
      default: {
        TMMUCellRef ref;
        if (old && IsFormula(*old) && store.FindCell(col, row, ref)) {
          const std::u16string& t = RandomText();
          store.SetFormulaResultString(ref, col, row, t);
          old->Kind = cvkStringFormula;
          old->Text = t;
          old->Number = 0;
          old->Bool = false;
          old->Error = 0;
        }
      }
    }
    CheckCell(col, row);
  }

  ModelCell Read(const TMMUCellRef& Ref) {
    ModelCell c;
    c.Kind = TXLSCellMMU::CellType(Ref);
    c.Style = TXLSCellMMU::GetStyle(Ref);
    switch (c.Kind) {
      case cvkFloat:
      case cvkFloatFormula: c.Number = TXLSCellMMU::GetFloat(Ref); break;
      case cvkBoolean: c.Bool = TXLSCellMMU::GetBoolean(Ref); break;
      case cvkBooleanFormula: c.Bool = TXLSCellMMU::GetFormulaBoolean(Ref); break;
      case cvkError: c.Error = TXLSCellMMU::GetError(Ref); break;
      case cvkErrorFormula: c.Error = TXLSCellMMU::GetFormulaError(Ref); break;
      case cvkString: store.GetString(Ref, c.Text); break;
      case cvkStringFormula: TXLSCellMMU::GetFormulaString(Ref, c.Text); break;
      default: break;
    }
    return c;
  }

  void CheckCell(int Col, int Row) {
    TMMUCellRef ref;
    const bool found = store.FindCell(Col, Row, ref);
    const ModelCell* m = Find(Col, Row);
    ASSERT_EQ(found, m != nullptr) << "cell " << Col << "," << Row << " op " << LastOp;
    if (m) {
      ASSERT_EQ(Read(ref), *m) << "cell " << Col << "," << Row;
    }
    ASSERT_EQ(static_cast<bool>(store.FindRow(Row)), rows.count(Row) == 1) << "row " << Row;
  }

  // The whole store against the model: every cell by a walk, row headers and use counts.
  void CheckAll() {
    std::map<Key, ModelCell> seen;
    store.BeginIterate(0);
    while (store.IterNext()) seen[{store.IterRow(), store.IterCol()}] = Read(*store.IterCellRef());
    ASSERT_EQ(seen.size(), cells.size());
    ASSERT_TRUE(seen == cells);
    std::map<int, int> expectXF;
    std::map<int, int> expectSST;
    for (const auto& [k, c] : cells) {
      ++expectXF[c.Style];
      if (c.Kind == cvkString) ++expectSST[sst.Index.at(c.Text)];
    }
    for (const auto& [r, style] : rows) {
      TMMURowHeader h = store.FindRow(r);
      ASSERT_TRUE(h) << r;
      ASSERT_EQ(h.Style(), style) << r;
      ++expectXF[style];
    }
    std::map<int, int> liveXF;
    for (const auto& [k, v] : expectXF)
      if (v) liveXF[k] = v;
    ASSERT_EQ(xf.Live(), liveXF);
    for (std::size_t i = 0; i < sst.Uses.size(); ++i) {
      auto it = expectSST.find(static_cast<int>(i));
      ASSERT_EQ(sst.Uses[i], it == expectSST.end() ? 0 : it->second) << "string " << i;
    }
    store.CalcDimension();
    if (cells.empty() && rows.empty()) {
      ASSERT_EQ(store.Dimension(), (TXLSCellArea{-1, -1, -1, -1}));
    } else if (!cells.empty()) {
      int c1 = INT32_MAX, c2 = -1;
      for (const auto& [k, c] : cells) {
        c1 = std::min(c1, k.second);
        c2 = std::max(c2, k.second);
      }
      ASSERT_EQ(store.Dimension(), (TXLSCellArea{rows.begin()->first, rows.rbegin()->first, c1, c2}));
    }
    ASSERT_EQ(store.LastRow(), rows.empty() ? -1 : rows.rbegin()->first);
  }

private:
  std::vector<std::u16string> texts;
};

TEST(CellStoreModel, MillionsOfMixedOperations) {
  // A dense sheet (rows rebuilt in their middle) and a sparse one spread over many blocks.
  struct Shape {
    int Rows, Cols, Ops;
  } shapes[] = {{4000, 16, 1700000}, {200000, 700, 300000}};
  for (const Shape& s : shapes) {
    ModelRun run(s.Rows, s.Cols);
    for (int i = 0; i < s.Ops; ++i) {
      run.Step();
      if (::testing::Test::HasFatalFailure()) return;
      if (i % 250000 == 249999) {
        run.CheckAll();
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
    run.CheckAll();
    EXPECT_GT(run.cells.size(), 1000u);
  }
}

}  // namespace
}  // namespace workbook
