#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "formula/evaluator/topo_sort.h"
#include "workbook/exceptions.h"

namespace formula {
namespace {

TCellKey K(int Col, int Row = 0, int Sheet = 0) {
  TCellKey k;
  k.Sheet = static_cast<std::uint16_t>(Sheet);
  k.Col = static_cast<std::uint16_t>(Col);
  k.Row = static_cast<std::uint32_t>(Row);
  return k;
}

std::string Text(const std::vector<TCellKey>& Keys) {
  TDepRefsItem item;
  for (const auto& k : Keys) item.Add(k);
  const std::u16string t = item.LoopText();
  return std::string(t.begin(), t.end());
}

std::string Text(const TDepRefsItem& Item) {
  const std::u16string t = Item.LoopText();
  return std::string(t.begin(), t.end());
}

TEST(TopoSort, KeysOrderBySheetRowColumn) {
  EXPECT_LT(CompareCellKeys(K(5, 0, 0), K(0, 1, 0)), 0);
  EXPECT_LT(CompareCellKeys(K(0, 9, 0), K(0, 0, 1)), 0);
  EXPECT_GT(CompareCellKeys(K(2, 1), K(1, 1)), 0);
  EXPECT_EQ(CompareCellKeys(K(3, 4, 2), K(3, 4, 2)), 0);
}

// Pairs are (formula, the cell it depends on); A = column 0 of row 0 and so on.
TEST(TopoSort, Cases) {
  struct Case {
    const char* Name;
    std::vector<TCellKey> Pairs;
    bool Ok;
    std::string Output;
    std::string SetAside;
    std::vector<std::string> Loops;
  };
  const std::vector<Case> cases = {
      {"chain", {K(1), K(0), K(2), K(1)}, true, "0!A1->0!B1->0!C1", "", {}},
      {"two cells on a loop", {K(0), K(1), K(1), K(0)}, false, "", "0!A1->0!B1", {"0!A1->0!B1"}},
      {"self reference is no loop", {K(0), K(0)}, true, "0!A1", "", {}},
      {"two independent loops",
       {K(0), K(1), K(1), K(0), K(0, 5, 1), K(0, 6, 1), K(0, 6, 1), K(0, 5, 1)},
       false,
       "",
       "0!A1->0!B1->1!A6->1!A7",
       {"0!A1->0!B1", "1!A6->1!A7"}},
      // Only the loop and what depends on it are set aside; D1 <- E1 still calculates.
      {"loop with a dependent and a bystander",
       {K(0), K(1), K(1), K(0), K(2), K(0), K(3), K(4)},
       false,
       "0!E1->0!D1",
       "0!A1->0!B1->0!C1",
       {"0!A1->0!B1"}},
      // The loop is reported from its first cell on, each cell depending on the one before.
      {"loop of three",
       {K(0), K(2), K(1), K(0), K(2), K(1)},
       false,
       "",
       "0!A1->0!B1->0!C1",
       {"0!A1->0!B1->0!C1"}},
      // Cells free at the same time come in key order; duplicate pairs count once.
      {"free cells in key order",
       {K(0, 3), K(0, 3), K(1, 1), K(0, 0), K(1, 1), K(0, 0), K(0, 2, 0), K(0, 2, 0)},
       true,
       "0!A1->0!A3->0!A4->0!B2",
       "",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TTopoSort sort;
    EXPECT_EQ(sort.Sort(c.Pairs), c.Ok);
    EXPECT_EQ(Text(sort.Output()), c.Output);
    EXPECT_EQ(Text(sort.SetAside()), c.SetAside);
    std::vector<std::string> loops;
    for (const auto& l : sort.Loops()) loops.push_back(Text(l));
    EXPECT_EQ(loops, c.Loops);
  }
}

TEST(TopoSort, OddPairListRaises) {
  TTopoSort sort;
  try {
    sort.Sort({K(0), K(1), K(2)});
    FAIL() << "no exception";
  } catch (const workbook::Exception& e) {
    EXPECT_STREQ(e.what(), "Odd number items in input");
  }
}

TEST(TopoSort, SortDepsTakesCellsWithoutDependencies) {
  std::vector<TDepRefsItem> deps(3);
  deps[0] = TDepRefsItem(K(2));
  deps[0].Add(K(1));
  deps[1] = TDepRefsItem(K(1));
  deps[1].Add(K(0));
  deps[2] = TDepRefsItem(K(0));
  TTopoSort sort;
  EXPECT_TRUE(sort.SortDeps(deps));
  EXPECT_EQ(Text(sort.Output()), "0!A1->0!B1->0!C1");
}

// Long chains and long loops must not exhaust the stack and stay near linear.
TEST(TopoSort, LongChainAndLongLoop) {
  const int n = 100000;
  std::vector<TCellKey> pairs;
  for (int i = 1; i < n; ++i) {
    pairs.push_back(K(1, i));
    pairs.push_back(K(1, i - 1));
  }
  TTopoSort sort;
  ASSERT_TRUE(sort.Sort(pairs));
  ASSERT_EQ(sort.Output().size(), static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ASSERT_EQ(sort.Output()[static_cast<std::size_t>(i)].Row, static_cast<std::uint32_t>(i));

  pairs.push_back(K(1, 0));
  pairs.push_back(K(1, n - 1));
  ASSERT_FALSE(sort.Sort(pairs));
  EXPECT_TRUE(sort.Output().empty());
  ASSERT_EQ(sort.Loops().size(), 1u);
  EXPECT_EQ(sort.Loops()[0].Count(), n);
}

// Random graphs with planted loops: the sort ends, every recorded loop is a real cycle, the output
// respects every edge, and exactly the cells that reach back from a loop are set aside.
TEST(TopoSort, RandomGraphsWithPlantedLoops) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 60; ++round) {
    const int n = 2 + static_cast<int>(rng() % 60);
    std::set<std::pair<int, int>> deps;  // (formula, precedent)
    for (int i = 0; i < n * 2; ++i) {
      const int a = static_cast<int>(rng() % n), b = static_cast<int>(rng() % n);
      if (a > b) deps.emplace(a, b);  // acyclic: formulas depend on lower cells
    }
    for (int l = static_cast<int>(rng() % 3); l > 0; --l) {
      const int a = static_cast<int>(rng() % n), b = static_cast<int>(rng() % n);
      if (a < b) deps.emplace(a, b);  // plants a loop when b reaches a
    }
    std::vector<TCellKey> pairs;
    for (int i = 0; i < n; ++i) {
      pairs.push_back(K(0, i));
      pairs.push_back(K(0, i));
    }
    for (const auto& [a, b] : deps) {
      pairs.push_back(K(0, a));
      pairs.push_back(K(0, b));
    }
    TTopoSort sort;
    const bool ok = sort.Sort(pairs);
    EXPECT_EQ(ok, sort.Loops().empty());
    EXPECT_EQ(sort.Output().size() + sort.SetAside().size(), static_cast<std::size_t>(n));

    std::map<int, int> pos;
    for (std::size_t i = 0; i < sort.Output().size(); ++i) pos[static_cast<int>(sort.Output()[i].Row)] = static_cast<int>(i);
    std::set<int> aside;
    for (const auto& k : sort.SetAside()) aside.insert(static_cast<int>(k.Row));
    for (const auto& [a, b] : deps) {
      if (a == b) continue;
      if (pos.count(a)) {
        ASSERT_TRUE(pos.count(b)) << "output cell " << a << " depends on a set-aside cell " << b;
        EXPECT_LT(pos[b], pos[a]);
      }
    }
    for (const auto& loop : sort.Loops()) {
      ASSERT_GE(loop.Count(), 2);
      for (int i = 0; i < loop.Count(); ++i) {
        const int from = static_cast<int>(loop.Items(i).Row);
        const int to = static_cast<int>(loop.Items((i + 1) % loop.Count()).Row);
        EXPECT_TRUE(deps.count({to, from})) << to << " does not depend on " << from;
      }
    }
    // Each set-aside cell is on a loop or depends on a set-aside cell.
    std::set<int> onLoop;
    for (const auto& loop : sort.Loops())
      for (int i = 0; i < loop.Count(); ++i) onLoop.insert(static_cast<int>(loop.Items(i).Row));
    for (const int a : aside) {
      bool reason = onLoop.count(a) > 0;
      for (const auto& [f, p] : deps)
        if (f == a && p != a && aside.count(p)) reason = true;
      EXPECT_TRUE(reason) << a;
    }
  }
}

}  // namespace
}  // namespace formula
