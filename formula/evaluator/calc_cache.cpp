#include "formula/evaluator/calc_cache.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

#include "formula/evaluator/value_stack.h"
#include "formula/support/criteria.h"
#include "formula/support/text_collation.h"

namespace formula {

namespace {

// Running entries and indexed cells a calculation may hold (32 to 80 bytes each).
constexpr std::size_t kMaxEntries = std::size_t{1} << 22;

std::size_t Mix(std::size_t H, std::size_t V) { return H ^ (V + 0x9E3779B97F4A7C15ull + (H << 6) + (H >> 2)); }

}  // namespace

std::size_t TCalcCache::TKeyHash::operator()(const TKey& K) const {
  std::size_t h = std::hash<const void*>()(K.Cells);
  h = Mix(h, static_cast<std::size_t>(K.A));
  h = Mix(h, static_cast<std::size_t>(K.B));
  h = Mix(h, static_cast<std::size_t>(K.C));
  return Mix(h, static_cast<std::size_t>(K.D));
}

std::size_t TCalcCache::TColumnHash::operator()(const TColumnKey& K) const {
  return Mix(std::hash<const void*>()(K.Cells), static_cast<std::size_t>(K.Col));
}

void TCalcCache::Watch(const workbook::TXLSCellMMU* Cells, int Col1, int Col2, TWatcher W) {
  for (int c = Col1; c <= Col2; ++c) Watchers_[TColumnKey{Cells, c}].push_back(W);
}

void TCalcCache::Clear() {
  Seen_.clear();
  FirstReads_.clear();
  RunningIds_.clear();
  LineIds_.clear();
  Running_.clear();
  ColumnChanges_.clear();
  Lines_.clear();
  Watchers_.clear();
  LastRows_.clear();
  Entries_ = 0;
}

std::uint64_t TCalcCache::ColumnsStamp(const workbook::TXLSCellMMU* Cells, int Col1, int Col2) const {
  if (ColumnChanges_.empty()) return 0;
  std::uint64_t sum = 0;
  for (int c = Col1; c <= Col2; ++c)
    if (auto it = ColumnChanges_.find(TColumnKey{Cells, c}); it != ColumnChanges_.end()) sum += it->second;
  return sum;
}

int TCalcCache::LastRow(workbook::TXLSCellMMU* Cells) {
  auto [it, added] = LastRows_.emplace(Cells, 0);
  if (added) it->second = Cells->LastRow();
  return it->second;
}

void TCalcCache::CellChanged(const workbook::TXLSCellMMU* Cells, int Col, int Row) {
  if (auto last = LastRows_.find(Cells); last != LastRows_.end() && Row > last->second) last->second = Row;
  ++ColumnChanges_[TColumnKey{Cells, Col}];
  auto it = Watchers_.find(TColumnKey{Cells, Col});
  if (it == Watchers_.end()) return;
  for (const TWatcher& w : it->second) {
    switch (w.Kind) {
      case wkRunning: {
        TRunning& r = Running_[static_cast<std::size_t>(w.Id)];
        // Entries before the changed row still hold.
        if (Row >= r.Row1 && static_cast<long>(Row) - r.Row1 < static_cast<long>(r.Entries.size()))
          r.Entries.resize(static_cast<std::size_t>(Row - r.Row1));
        if (r.ErrorAt >= static_cast<long>(r.Entries.size())) r.ErrorAt = -1;
        break;
      }
      case wkLine: {
        TLine& l = Lines_[static_cast<std::size_t>(w.Id)];
        const long pos = l.Vertical ? static_cast<long>(Row) - l.Row1 : static_cast<long>(Col) - l.Col1;
        const bool inLine = l.Vertical || Row == l.Row1;
        if (inLine && pos >= 0 && pos < l.Length) l.Index.reset();
        break;
      }
    }
  }
}

// Running aggregates up to Entries entries, walking only the rows not yet covered.
void TCalcCache::Extend(TRunning& R, long Entries) {
  const long valid = static_cast<long>(R.Entries.size());
  if (Entries <= valid) return;
  Entries_ += static_cast<std::size_t>(Entries - valid);
  TEntry cur{0, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 0};
  if (valid > 0) cur = R.Entries.back();
  auto fillTo = [&](long Entry) {
    while (static_cast<long>(R.Entries.size()) < Entry) R.Entries.push_back(cur);
  };
  bool error = R.ErrorAt >= 0;
  R.Cells->ForEachCell(R.Col1, R.Row1 + static_cast<int>(valid), R.Col2, R.Row1 + static_cast<int>(Entries) - 1,
                       false, [&](int, int Row, const workbook::TMMUCellRef& Ref) {
                         fillTo(Row - R.Row1);
                         switch (workbook::TXLSCellMMU::CellType(Ref)) {
                           case workbook::cvkFloat:
                           case workbook::cvkFloatFormula: {
                             const double v = workbook::TXLSCellMMU::GetFloat(Ref);
                             cur.Sum += v;
                             cur.Min = std::min(cur.Min, v);
                             cur.Max = std::max(cur.Max, v);
                             ++cur.Count;
                             break;
                           }
                           case workbook::cvkError:
                           case workbook::cvkErrorFormula:
                             if (!error) {
                               TXLSFormulaValue e;
                               TValueStack::ReadStoredCell(R.Cells, Ref, e);
                               R.ErrorAt = Row - R.Row1;
                               R.ErrorCode = e.BoolErr;
                               error = true;
                             }
                             break;
                           default:
                             break;
                         }
                         return true;
                       });
  fillTo(Entries);
}

bool TCalcCache::RangeNumbers(workbook::TXLSCellMMU* Cells, int Col1, int Row1, int Col2, int Row2,
                              TNumberStats& Stats) {
  if (!Cells || Col1 > Col2 || Row1 > Row2) return false;
  // Rows past the sheet's last row hold nothing: the totals there are those of the last row.
  Row2 = std::min(Row2, std::max(LastRow(Cells), Row1));
  const TKey key{Cells, Col1, Col2, Row1, 0};
  auto found = RunningIds_.find(key);
  if (found == RunningIds_.end()) {
    auto [first, added] = FirstReads_.try_emplace(key);
    TFirstRead& fr = first->second;
    if (added || Row2 == fr.Row2) {
      // The rectangle as a whole: from its last read while its columns stand unchanged, else read
      // once more along its row vectors.
      const std::uint64_t stamp = ColumnsStamp(Cells, Col1, Col2);
      if (!added && fr.Stamp == stamp) {
        Stats = fr.Stats;
        return true;
      }
      TNumberStats st;
      st.Min = std::numeric_limits<double>::infinity();
      st.Max = -st.Min;
      Cells->ForEachCell(Col1, Row1, Col2, Row2, false, [&](int, int, const workbook::TMMUCellRef& Ref) {
        switch (workbook::TXLSCellMMU::CellType(Ref)) {
          case workbook::cvkFloat:
          case workbook::cvkFloatFormula: {
            const double v = workbook::TXLSCellMMU::GetFloat(Ref);
            st.Sum += v;
            st.Min = std::min(st.Min, v);
            st.Max = std::max(st.Max, v);
            ++st.Count;
            return true;
          }
          case workbook::cvkError:
          case workbook::cvkErrorFormula: {
            TXLSFormulaValue e;
            TValueStack::ReadStoredCell(Cells, Ref, e);
            st = TNumberStats();
            st.Error = e.BoolErr;
            return false;
          }
          default:
            return true;
        }
      });
      fr.Row2 = Row2;
      fr.Stamp = stamp;
      fr.Stats = st;
      Stats = st;
      return true;
    }
    // Another last row: running totals.
    if (Entries_ >= kMaxEntries) return false;
    found = RunningIds_.emplace(key, static_cast<int>(Running_.size())).first;
    TRunning r;
    r.Cells = Cells;
    r.Col1 = Col1;
    r.Col2 = Col2;
    r.Row1 = Row1;
    Running_.push_back(std::move(r));
    Watch(Cells, Col1, Col2, {wkRunning, found->second});
  }
  TRunning& r = Running_[static_cast<std::size_t>(found->second)];
  const long entry = static_cast<long>(Row2) - Row1;
  if (entry + 1 > static_cast<long>(r.Entries.size())) {
    if (Entries_ + static_cast<std::size_t>(entry + 1) - r.Entries.size() > kMaxEntries) return false;
    Extend(r, entry + 1);
  }
  Stats = TNumberStats();
  if (r.ErrorAt >= 0 && r.ErrorAt <= entry) {
    Stats.Error = r.ErrorCode;
    return true;
  }
  const TEntry& e = r.Entries[static_cast<std::size_t>(entry)];
  Stats.Sum = e.Sum;
  Stats.Count = e.Count;
  Stats.Min = e.Min;
  Stats.Max = e.Max;
  return true;
}

std::size_t TCalcCache::TLineIndex::HashNumber(double Key) {
  std::uint64_t bits;
  std::memcpy(&bits, &Key, sizeof bits);
  bits ^= bits >> 33;
  bits *= 0xFF51AFD7ED558CCDull;
  bits ^= bits >> 33;
  return static_cast<std::size_t>(bits);
}

void TCalcCache::TLineIndex::AddNumber(double Key, long Pos) {
  const std::size_t mask = Numbers_.size() - 1;
  for (std::size_t i = HashNumber(Key) & mask;; i = (i + 1) & mask) {
    TNumberSlot& slot = Numbers_[i];
    if (slot.Pos < 0) {
      slot = {Key, Pos};
      return;
    }
    if (slot.Key == Key) return;  // the first position stays
  }
}

long TCalcCache::TLineIndex::FirstEqual(const TXLSVarValue& Value) const {
  switch (Value.Type) {
    case fvtFloat: {
      if (Numbers_.empty()) return -1;
      const double key = Value.Number == 0 ? 0.0 : Value.Number;
      const std::size_t mask = Numbers_.size() - 1;
      for (std::size_t i = HashNumber(key) & mask;; i = (i + 1) & mask) {
        const TNumberSlot& slot = Numbers_[i];
        if (slot.Pos < 0) return -1;
        if (slot.Key == key) return slot.Pos;
      }
    }
    case fvtString: {
      auto it = Texts_.find(CollationKey(Value.Text));
      return it == Texts_.end() ? -1 : it->second;
    }
    case fvtBoolean: return Booleans_[Value.BoolErr ? 1 : 0];
    case fvtError: return Errors_[Value.BoolErr];
    default: return -1;
  }
}

long TCalcCache::TLineIndex::LastNotAbove(const TXLSVarValue& Value) const {
  switch (Value.Type) {
    case fvtFloat: {
      const auto& s = SortedNumbers_;
      const std::size_t n =
          static_cast<std::size_t>(std::upper_bound(s.Numbers.begin(), s.Numbers.end(), Value.Number) - s.Numbers.begin());
      return n == 0 ? -1 : s.LastPos[n - 1];
    }
    case fvtString: {
      const auto& s = SortedTexts_;
      const std::size_t n = static_cast<std::size_t>(
          std::upper_bound(s.Texts.begin(), s.Texts.end(), Value.Text,
                           [](const std::u16string& V, const std::u16string& Item) { return CollateText(V, Item) < 0; }) -
          s.Texts.begin());
      return n == 0 ? -1 : s.LastPos[n - 1];
    }
    case fvtBoolean: return LastBooleans_[Value.BoolErr ? 1 : 0];
    case fvtError: return LastErrors_[Value.BoolErr];
    default: return -1;
  }
}

const TCalcCache::TLineIndex* TCalcCache::LineIndex(workbook::TXLSCellMMU* Cells, int Col1, int Row1, bool Vertical,
                                                    long Length) {
  if (!Cells || Length <= 0) return nullptr;
  const TKey key{Cells, Col1, Row1, Vertical ? 1 : 2, Length};
  auto found = LineIds_.find(key);
  if (found == LineIds_.end()) {
    if (Seen_.insert(key).second || Entries_ >= kMaxEntries) return nullptr;
    const int id = static_cast<int>(Lines_.size());
    found = LineIds_.emplace(key, id).first;
    TLine l;
    l.Col1 = Col1;
    l.Row1 = Row1;
    l.Vertical = Vertical;
    l.Length = Length;
    Lines_.push_back(std::move(l));
    const int lastCol = Vertical ? Col1 : static_cast<int>(std::min<long>(Col1 + Length - 1, workbook::XLS_MAXCOL));
    Watch(Cells, Col1, lastCol, {wkLine, id});
  }
  TLine& line = Lines_[static_cast<std::size_t>(found->second)];
  if (line.Index) return line.Index.get();
  // Build: every stored cell of the line in order; the first of each value is kept for the exact
  // lookups, the values sorted with the greatest position reached for the approximate ones.
  auto index = std::make_unique<TLineIndex>();
  TLineIndex& x = *index;
  std::fill(std::begin(x.Errors_), std::end(x.Errors_), -1);
  std::fill(std::begin(x.LastErrors_), std::end(x.LastErrors_), -1);
  std::vector<std::pair<double, long>> numbers;
  std::vector<std::pair<std::u16string, long>> texts;
  const int col2 = Vertical ? Col1 : static_cast<int>(std::min<long>(Col1 + Length - 1, workbook::XLS_MAXCOL));
  const int row2 = Vertical ? static_cast<int>(std::min<long>(Row1 + Length - 1, workbook::XLS_MAXROW)) : Row1;
  TXLSFormulaValue v;
  Cells->ForEachCell(Col1, Row1, col2, row2, false, [&](int Col, int Row, const workbook::TMMUCellRef& Ref) {
    const long pos = Vertical ? static_cast<long>(Row) - Row1 : static_cast<long>(Col) - Col1;
    TValueStack::ReadStoredCell(Cells, Ref, v);
    switch (v.ValueType) {
      case fvtFloat:
        numbers.emplace_back(v.Number == 0 ? 0.0 : v.Number, pos);
        break;
      case fvtString:
        x.Texts_.emplace(CollationKey(v.Text), pos);
        texts.emplace_back(std::move(v.Text), pos);
        break;
      case fvtBoolean:
        if (x.Booleans_[v.BoolErr ? 1 : 0] < 0) x.Booleans_[v.BoolErr ? 1 : 0] = pos;
        x.LastBooleans_[v.BoolErr ? 1 : 0] = pos;
        break;
      case fvtError:
        if (x.Errors_[v.BoolErr] < 0) x.Errors_[v.BoolErr] = pos;
        x.LastErrors_[v.BoolErr] = pos;
        break;
      default:
        break;
    }
    return true;
  });
  // Numbers in the order of the line, so that each keeps its first position; at most half full.
  std::size_t slots = 16;
  while (slots < 2 * numbers.size()) slots <<= 1;
  x.Numbers_.assign(slots, TLineIndex::TNumberSlot{0, -1});
  for (const auto& [d, pos] : numbers) x.AddNumber(d, pos);
  std::stable_sort(numbers.begin(), numbers.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
  std::stable_sort(texts.begin(), texts.end(),
                   [](const auto& A, const auto& B) { return CollateText(A.first, B.first) < 0; });
  long best = -1;
  for (const auto& [d, pos] : numbers) {
    x.SortedNumbers_.Numbers.push_back(d);
    x.SortedNumbers_.LastPos.push_back(best = std::max(best, pos));
  }
  best = -1;
  for (auto& [t, pos] : texts) {
    x.SortedTexts_.Texts.push_back(std::move(t));
    x.SortedTexts_.LastPos.push_back(best = std::max(best, pos));
  }
  Entries_ += numbers.size() + texts.size();
  line.Index = std::move(index);
  return line.Index.get();
}

}  // namespace formula
