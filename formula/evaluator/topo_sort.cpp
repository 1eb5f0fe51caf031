#include "formula/evaluator/topo_sort.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

#include "workbook/cell_references.h"
#include "workbook/exceptions.h"

namespace formula {

int CompareCellKeys(const TCellKey& A, const TCellKey& B) {
  if (A.Sheet != B.Sheet) return A.Sheet < B.Sheet ? -1 : 1;
  if (A.Row != B.Row) return A.Row < B.Row ? -1 : 1;
  if (A.Col != B.Col) return A.Col < B.Col ? -1 : 1;
  return 0;
}

std::u16string TDepRefsItem::LoopText() const {
  std::u16string text;
  for (std::size_t i = 0; i < Items_.size(); ++i) {
    if (i > 0) text += u"->";
    const std::string sheet = std::to_string(Items_[i].Sheet);
    text.append(sheet.begin(), sheet.end());
    text += u'!';
    text += workbook::ColRowToRefStr(Items_[i].Col, static_cast<int>(Items_[i].Row));
  }
  return text;
}

bool TTopoSort::SortDeps(const std::vector<TDepRefsItem>& Deps) {
  std::vector<TCellKey> pairs;
  for (const TDepRefsItem& item : Deps) {
    if (item.Count() == 0) continue;
    if (item.Count() == 1) {
      // A cell without dependencies still takes part in the order.
      pairs.push_back(item.Items(0));
      pairs.push_back(item.Items(0));
    }
    for (int k = 1; k < item.Count(); ++k) {
      pairs.push_back(item.Items(0));
      pairs.push_back(item.Items(k));
    }
  }
  return Sort(pairs);
}

bool TTopoSort::Sort(const std::vector<TCellKey>& Pairs) {
  Output_.clear();
  SetAside_.clear();
  Loops_.clear();
  if (Pairs.size() % 2 != 0) throw workbook::Exception("Odd number items in input");

  // Cells by key; a sorted vector gives the key order the free cells are taken in.
  std::vector<TCellKey> keys(Pairs);
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  const std::size_t n = keys.size();
  auto index = [&](const TCellKey& k) {
    return static_cast<std::uint32_t>(std::lower_bound(keys.begin(), keys.end(), k) - keys.begin());
  };

  // Edges run from the cell depended on to the formula that depends on it.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
  edges.reserve(Pairs.size() / 2);
  for (std::size_t i = 0; i < Pairs.size(); i += 2) {
    if (Pairs[i] == Pairs[i + 1]) continue;
    edges.emplace_back(index(Pairs[i + 1]), index(Pairs[i]));
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  std::vector<std::uint32_t> first(n + 1, 0), succ(edges.size());
  for (const auto& e : edges) ++first[e.first + 1];
  for (std::size_t i = 0; i < n; ++i) first[i + 1] += first[i];
  for (std::size_t i = 0; i < edges.size(); ++i) succ[i] = edges[i].second;
  return Run(keys, first, succ);
}

bool TTopoSort::SortNodes(const std::vector<TCellKey>& Keys, const std::vector<std::uint32_t>& DepFirst,
                          const std::vector<std::uint32_t>& Deps) {
  Output_.clear();
  SetAside_.clear();
  Loops_.clear();
  const std::size_t n = Keys.size();
  // Successor lists by counting: filled cell by cell in ascending order, so each list ascends.
  std::vector<std::uint32_t> first(n + 1, 0);
  for (std::uint32_t f = 0; f < n; ++f)
    for (std::uint32_t k = DepFirst[f]; k < DepFirst[f + 1]; ++k)
      if (Deps[k] != f) ++first[Deps[k] + 1];
  for (std::size_t i = 0; i < n; ++i) first[i + 1] += first[i];
  std::vector<std::uint32_t> succ(first[n]), fill(first.begin(), first.end() - 1);
  for (std::uint32_t f = 0; f < n; ++f)
    for (std::uint32_t k = DepFirst[f]; k < DepFirst[f + 1]; ++k)
      if (Deps[k] != f) succ[fill[Deps[k]]++] = f;
  return Run(Keys, first, succ);
}

bool TTopoSort::Run(const std::vector<TCellKey>& keys, const std::vector<std::uint32_t>& first,
                    const std::vector<std::uint32_t>& succ) {
  const std::size_t n = keys.size();
  std::vector<std::uint32_t> preds(n, 0);
  for (const std::uint32_t t : succ) ++preds[t];
  std::vector<std::uint32_t> queue;
  queue.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i)
    if (preds[i] == 0) queue.push_back(i);
  std::vector<bool> done(n, false);
  for (std::size_t front = 0; front < queue.size(); ++front) {
    const std::uint32_t v = queue[front];
    done[v] = true;
    Output_.push_back(keys[v]);
    for (std::uint32_t e = first[v]; e < first[v + 1]; ++e)
      if (--preds[succ[e]] == 0) queue.push_back(succ[e]);
  }
  if (Output_.size() == n) return true;

  for (std::uint32_t i = 0; i < n; ++i)
    if (!done[i]) SetAside_.push_back(keys[i]);

  // The loops: strongly connected components of the cells left (iterative, so a long loop cannot
  // exhaust the stack).
  constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> order(n, kNone), low(n, 0), comp(n, kNone);
  std::vector<std::uint32_t> stack, path;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> work;  // (cell, next edge)
  std::vector<bool> onStack(n, false);
  std::uint32_t counter = 0, comps = 0;
  std::vector<std::uint32_t> roots;
  for (std::uint32_t s = 0; s < n; ++s) {
    if (done[s] || order[s] != kNone) continue;
    work.emplace_back(s, first[s]);
    order[s] = low[s] = counter++;
    stack.push_back(s);
    onStack[s] = true;
    while (!work.empty()) {
      auto& [v, e] = work.back();
      if (e < first[v + 1]) {
        const std::uint32_t w = succ[e++];
        if (done[w]) continue;
        if (order[w] == kNone) {
          order[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = true;
          work.emplace_back(w, first[w]);
        } else if (onStack[w]) {
          low[v] = std::min(low[v], order[w]);
        }
        continue;
      }
      const std::uint32_t cell = v;
      work.pop_back();
      if (!work.empty()) low[work.back().first] = std::min(low[work.back().first], low[cell]);
      if (low[cell] != order[cell]) continue;
      std::uint32_t smallest = cell, size = 0, w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = false;
        comp[w] = comps;
        smallest = std::min(smallest, w);
        ++size;
      } while (w != cell);
      if (size > 1) roots.push_back(smallest);
      ++comps;
    }
  }
  std::sort(roots.begin(), roots.end());

  // For each loop, the shortest way round from its first cell (breadth first inside the component).
  std::vector<std::uint32_t> parent(n, kNone);
  for (const std::uint32_t root : roots) {
    std::deque<std::uint32_t> bfs{root};
    std::vector<std::uint32_t> seen{root};
    parent[root] = root;
    std::uint32_t last = kNone;
    while (!bfs.empty() && last == kNone) {
      const std::uint32_t v = bfs.front();
      bfs.pop_front();
      for (std::uint32_t e = first[v]; e < first[v + 1]; ++e) {
        const std::uint32_t w = succ[e];
        if (comp[w] != comp[root]) continue;
        if (w == root) {
          last = v;
          break;
        }
        if (parent[w] != kNone) continue;
        parent[w] = v;
        seen.push_back(w);
        bfs.push_back(w);
      }
    }
    path.clear();
    for (std::uint32_t v = last; v != root; v = parent[v]) path.push_back(v);
    path.push_back(root);
    std::reverse(path.begin(), path.end());
    TDepRefsItem loop;
    for (const std::uint32_t v : path) loop.Add(keys[v]);
    Loops_.push_back(std::move(loop));
    for (const std::uint32_t v : seen) parent[v] = kNone;
  }
  return false;
}

}  // namespace formula
