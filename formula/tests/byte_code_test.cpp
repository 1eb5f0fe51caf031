#include "formula/language/byte_code.h"

#include <gtest/gtest.h>

#include <random>

#include "workbook/exceptions.h"

namespace formula {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every token of a walk: its offset and size.
std::vector<std::pair<int, int>> Walk(const Bytes& b) {
  std::vector<std::pair<int, int>> out;
  TXLSIteratePtgs it(b.data(), static_cast<int>(b.size()));
  while (it.Next()) out.emplace_back(static_cast<int>(it.Current() - b.data()), it.CurrentSize());
  return out;
}

std::string WalkError(const Bytes& b) {
  try {
    Walk(b);
  } catch (const workbook::Exception& e) {
    return e.what();
  }
  return "";
}

TEST(ByteCode, SizeTableEntries) {
  struct Case {
    int Id, Size;
  } cases[] = {{0x03, 1}, {0x0E, 1}, {0x0F, 2}, {0x16, 1}, {0x17, -1}, {0x19, -1}, {0x1E, 3}, {0x1F, 9},
               {0x20, 8}, {0x44, 5}, {0x65, 9}, {0x7B, 11}, {0x7C, 7}, {0x80, 7}, {0x81, 3}, {0x82, 4},
               {0x85, -1}, {0x86, 13}, {0x87, -1}, {0x88, -1}, {0x89, 5}, {0x8A, -1}, {0xA0, 2}, {0xA5, 11},
               {0xA9, 17}, {0xB3, 15}, {0xB9, -1}, {0xBA, 14}, {0xBC, 19}, {0xBD, 18}, {0xBE, 16}, {0xF1, 1},
               {0xF2, -1}, {0xFE, 1}, {0xFF, 1}, {0x00, -1}, {0xC0, -1}};
  for (const auto& c : cases) EXPECT_EQ(PtgSizeTable[c.Id], c.Size) << std::hex << c.Id;
}

TEST(ByteCode, WalksOfBIFF8Leads) {
  EXPECT_TRUE(Walk({}).empty());
  // 0xFF lead then a BIFF8 reference: two steps.
  auto w = Walk({0xFF, 0x24, 1, 0, 2, 0xC0});
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0], std::make_pair(0, 1));
  EXPECT_EQ(w[1], std::make_pair(1, 5));
  // 0xFE lead with 4 bytes of extra data after 9 bytes of tokens: the extra data is never visited.
  // (A 5-byte reference, a 3-byte integer and an addition.)
  const Bytes fe = WrapBIFF8({0x24, 0, 0, 0, 0xC0, 0x1E, 7, 0, 0x03}, {0xAA, 0xBB, 0xCC, 0xDD});
  w = Walk(fe);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], std::make_pair(0, 3));
  EXPECT_EQ(w[1], std::make_pair(3, 5));
  EXPECT_EQ(w[3], std::make_pair(11, 1));
  // Value- and array-class forms step like the reference class.
  EXPECT_EQ(Walk({0x64, 0, 0, 0, 0}).size(), 1u);
  // BIFF8 string, 8-bit and 16-bit; choose attribute with a jump table of two.
  EXPECT_EQ(Walk({0x17, 2, 0, 'a', 'b'})[0].second, 5);
  EXPECT_EQ(Walk({0x17, 2, 1, 'a', 0, 'b', 0})[0].second, 7);
  EXPECT_EQ(Walk({0x19, 0x04, 2, 0, 0, 0, 0, 0, 0, 0})[0].second, 10);
  EXPECT_EQ(Walk({0x19, 0x10, 0, 0})[0].second, 4);
  // Memory tokens cover their subexpression: 0x26 (7 + 5) and 0x29 (3 + 5).
  EXPECT_EQ(Walk({0x26, 0, 0, 0, 0, 5, 0, 0x24, 0, 0, 0, 0})[0].second, 12);
  EXPECT_EQ(Walk({0x29, 5, 0, 0x24, 0, 0, 0, 0})[0].second, 8);
}

TEST(ByteCode, BadTokensRaise) {
  struct Case {
    Bytes Data;
    const char* Error;
  } cases[] = {
      {{0x00}, "Illegal ptgs"},
      {{0xB9, 0, 0, 0, 0, 0, 0}, "Unknown ptgs B9"},
      {{0x87, 0, 0, 0, 0, 0, 0, 0xC3}, "Unknown ptgs C3"},
      {{0x03, 0x85}, "Unknown ptgs 85"},
      // Token sizes from outside are checked against the bytes left.
      {{0x84, 0, 0, 0}, "Illegal ptgs"},
      {{0x8A, 3, 0, 'a', 0}, "Illegal ptgs"},
      {{0x8A, 1}, "Illegal ptgs"},
      {{0xF2, 1, 0xFF, 0xFF}, "Illegal ptgs"},
      {{0x17, 200, 0, 'a'}, "Illegal ptgs"},
      {{0x19, 0x04, 0xFF, 0xFF, 0, 0}, "Illegal ptgs"},
      {{0x29, 0xFF, 0x7F}, "Illegal ptgs"},
      {{0x26, 0, 0, 0}, "Illegal ptgs"},
      {{0xFE, 10, 0, 0x03}, "Illegal ptgs"},
      {{0xFE, 1}, "Illegal ptgs"},
      {{0x1F, 0, 0, 0}, "Illegal ptgs"},
  };
  for (const auto& c : cases) EXPECT_EQ(WalkError(c.Data), c.Error) << testing::PrintToString(c.Data);
}

// Random token strings from the builder: the stepper visits exactly the builder's tokens.
TEST(ByteCode, EveryBuiltStringStepsCleanly) {
  std::mt19937 rng(12345);
  auto r = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::uint8_t ops[] = {0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,
                              0x0E, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0xF1};
  for (int round = 0; round < 400; ++round) {
    TXLSPtgsBuilder b;
    const int count = 1 + r(40);
    for (int i = 0; i < count; ++i) {
      std::u16string text(static_cast<std::size_t>(r(5)), u'x');
      switch (r(26)) {
        case 0: b.Op(ops[r(sizeof ops)]); break;
        case 1: b.Intersect(static_cast<std::uint8_t>(1 + r(255))); break;
        case 2: b.Space(static_cast<std::uint8_t>(1 + r(255))); break;
        case 3: b.Error(static_cast<std::uint8_t>(1 + r(8))); break;
        case 4: b.Bool(r(2)); break;
        case 5: b.Number(r(1000) / 7.0); break;
        case 6: b.Int(r(100000) - 50000); break;
        case 7: b.String(text); break;
        case 8: b.Array(static_cast<std::uint16_t>(r(4)), r(4)); break;
        case 9: b.Func(static_cast<std::uint16_t>(r(873))); break;
        case 10: b.FuncVar(static_cast<std::uint8_t>(r(30)), static_cast<std::uint16_t>(r(873))); break;
        case 11: b.FuncName(static_cast<std::uint8_t>(r(5)), text); break;
        case 12: b.Name(static_cast<std::uint16_t>(r(0x10000))); break;
        case 13: b.Ref(r(16384), r(1048576), r(2), r(2), r(2)); break;
        case 14: b.Area(r(16384), r(1048576), r(16384), r(1048576), r(2), r(2), r(2), r(2), r(2)); break;
        case 15: b.Ref3d(r(200), r(2) ? -1 : r(200), static_cast<std::uint32_t>(r(16384)), 5); break;
        case 16: b.Area3d(r(200), r(2) ? -1 : r(200), 1, 2, 3, 4); break;
        case 17: b.RefExt(static_cast<std::uint16_t>(r(9)), r(9), r(2) ? -1 : r(9), 1, 2); break;
        case 18: b.AreaExt(static_cast<std::uint16_t>(r(9)), r(9), r(2) ? -1 : r(9), 1, 2, 3, 4); break;
        case 19: b.Ref3dError(r(2), 4); break;
        case 20: b.Area3dError(r(2), 4); break;
        case 21: r(2) ? b.SharedMember(r(100), r(100)) : b.ArrayMember(r(100), r(100)); break;
        case 22: b.DataTable(static_cast<std::uint8_t>(r(16)), 1, 2, 3, 4); break;
        case 23: b.Table(static_cast<std::uint16_t>(r(5)), PTG_TABLE_OWN_SHEET, static_cast<std::uint8_t>(r(3)), 1, 2, 3, 4); break;
        case 24: b.TableColumn(1, static_cast<std::uint16_t>(r(5)), 1, 2, 1, 9); break;
        default: b.TableSpecial(static_cast<std::uint8_t>(1 + r(5)), r(2) ? 0 : 4, 0, 0, 3, 3); break;
      }
    }
    const auto w = Walk(b.Bytes());
    ASSERT_EQ(w.size(), b.TokenOffsets().size());
    int sum = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
      EXPECT_EQ(w[i].first, b.TokenOffsets()[i]);
      sum += w[i].second;
      // A fixed-size id agrees with the table.
      const int fixed = PtgSizeTable[b.Bytes()[static_cast<std::size_t>(w[i].first)]];
      if (fixed >= 0) {
        EXPECT_EQ(w[i].second, fixed);
      }
    }
    EXPECT_EQ(sum, b.Size());
    // A string cut inside its last token raises instead of reading past the end.
    Bytes cut(b.Bytes().begin(), b.Bytes().end() - 1);
    if (w.back().second > 1) {
      const std::string err = WalkError(cut);
      EXPECT_EQ(err, "Illegal ptgs");
    }
  }
}

// Arbitrary bytes: the walk either ends or raises one of the two messages, never reads past the end.
TEST(ByteCode, ArbitraryBytesNeverOverrun) {
  std::mt19937 rng(777);
  for (int round = 0; round < 5000; ++round) {
    Bytes b(rng() % 24);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    if (!b.empty() && rng() % 3 == 0) b[0] = rng() % 2 ? 0xFF : 0xFE;
    const std::string err = WalkError(b);
    EXPECT_TRUE(err.empty() || err == "Illegal ptgs" || err.rfind("Unknown ptgs ", 0) == 0) << err;
  }
}

TEST(ByteCode, BuilderLayouts) {
  TXLSPtgsBuilder b;
  b.Ref(2, 4, true, false);
  EXPECT_EQ(b.Bytes(), (Bytes{0x84, 4, 0, 0, 0, 2, 0x80}));
  b.Clear();
  b.Area(1, 2, 3, 4, false, true, false, false);
  EXPECT_EQ(b.Bytes(), (Bytes{0x86, 2, 0, 0, 0x80, 4, 0, 0, 0, 1, 0, 3, 0}));
  b.Clear();
  b.String(u"ab");
  b.FuncVar(2, 4);
  b.Intersect(1);
  EXPECT_EQ(b.Bytes(), (Bytes{0x8A, 2, 0, 'a', 0, 'b', 0, 0x82, 2, 4, 0, 0x0F, 1}));
  EXPECT_THROW(b.Op(0x0F), workbook::Exception);
  EXPECT_THROW(b.Op(0x84), workbook::Exception);
}

}  // namespace
}  // namespace formula
