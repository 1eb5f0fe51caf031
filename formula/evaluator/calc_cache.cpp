#include "formula/evaluator/calc_cache.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "formula/evaluator/value_stack.h"
#include "formula/support/criteria.h"
#include "formula/support/text_collation.h"

namespace formula {

namespace {

// Running entries and indexed cells a calculation may hold (about 32 bytes each).
constexpr std::size_t kMaxEntries = std::size_t{1} << 24;

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

void TCalcCache::Watch(const workbook::TXLSCellMMU* Cells, int Col1, int Col2, int Id) {
  for (int c = Col1; c <= Col2; ++c) Watchers_[TColumnKey{Cells, c}].push_back(Id);
}

void TCalcCache::Clear() {
  Seen_.clear();
  RunningIds_.clear();
  LineIds_.clear();
  Running_.clear();
  Lines_.clear();
  Watchers_.clear();
  Entries_ = 0;
}

void TCalcCache::CellChanged(const workbook::TXLSCellMMU* Cells, int Col, int Row) {
  auto it = Watchers_.find(TColumnKey{Cells, Col});
  if (it == Watchers_.end()) return;
  for (int id : it->second) {
    if (id >= 0) {
      TRunning& r = Running_[static_cast<std::size_t>(id)];
      // Entries before the changed row still hold.
      if (Row >= r.Row1) r.Valid = std::min<long>(r.Valid, static_cast<long>(Row) - r.Row1);
      if (r.ErrorAt >= r.Valid) r.ErrorAt = -1;
    } else {
      TLine& l = Lines_[static_cast<std::size_t>(-1 - id)];
      const long pos = l.Vertical ? static_cast<long>(Row) - l.Row1 : static_cast<long>(Col) - l.Col1;
      const bool inLine = l.Vertical ? true : Row == l.Row1;
      if (inLine && pos >= 0 && pos < l.Length) l.Index.reset();
    }
  }
}

// Running aggregates up to Entries entries, walking only the rows not yet covered.
void TCalcCache::Extend(TRunning& R, long Entries) {
  if (Entries <= R.Valid) return;
  if (static_cast<long>(R.Sum.size()) < Entries) {
    Entries_ += static_cast<std::size_t>(Entries) - R.Sum.size();
    R.Sum.resize(static_cast<std::size_t>(Entries));
    R.Min.resize(static_cast<std::size_t>(Entries));
    R.Max.resize(static_cast<std::size_t>(Entries));
    R.Count.resize(static_cast<std::size_t>(Entries));
  }
  double sum = 0, lo = std::numeric_limits<double>::infinity(), hi = -lo;
  long long count = 0;
  if (R.Valid > 0) {
    const std::size_t k = static_cast<std::size_t>(R.Valid - 1);
    sum = R.Sum[k], lo = R.Min[k], hi = R.Max[k], count = R.Count[k];
  }
  long next = R.Valid;  // the first entry not yet written
  auto fillTo = [&](long Entry) {
    for (; next < Entry; ++next) {
      const std::size_t k = static_cast<std::size_t>(next);
      R.Sum[k] = sum, R.Min[k] = lo, R.Max[k] = hi, R.Count[k] = count;
    }
  };
  bool error = R.ErrorAt >= 0;
  const int lastRow = R.Row1 + static_cast<int>(Entries) - 1;
  R.Cells->ForEachCell(R.Col1, R.Row1 + static_cast<int>(R.Valid), R.Col2, lastRow, false,
                       [&](int, int Row, const workbook::TMMUCellRef& Ref) {
                         fillTo(Row - R.Row1);
                         switch (workbook::TXLSCellMMU::CellType(Ref)) {
                           case workbook::cvkFloat:
                           case workbook::cvkFloatFormula: {
                             const double v = workbook::TXLSCellMMU::GetFloat(Ref);
                             sum += v;
                             lo = std::min(lo, v);
                             hi = std::max(hi, v);
                             ++count;
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
  R.Valid = Entries;
}

bool TCalcCache::RangeNumbers(workbook::TXLSCellMMU* Cells, int Col1, int Row1, int Col2, int Row2,
                              TNumberStats& Stats) {
  if (!Cells || Col1 > Col2 || Row1 > Row2) return false;
  const TKey key{Cells, Col1, Col2, Row1, 0};
  auto found = RunningIds_.find(key);
  if (found == RunningIds_.end()) {
    if (Seen_.insert(key).second || Entries_ >= kMaxEntries) return false;
    found = RunningIds_.emplace(key, static_cast<int>(Running_.size())).first;
    TRunning r;
    r.Cells = Cells;
    r.Col1 = Col1;
    r.Col2 = Col2;
    r.Row1 = Row1;
    Running_.push_back(std::move(r));
    Watch(Cells, Col1, Col2, found->second);
  }
  TRunning& r = Running_[static_cast<std::size_t>(found->second)];
  // Rows past the sheet's last row hold nothing: the totals there are those of the last row.
  const int last = std::min(Row2, Cells->LastRow());
  if (last < Row1) {
    Stats = TNumberStats();
    return true;
  }
  const long entry = static_cast<long>(last) - Row1;
  if (entry + 1 > r.Valid) {
    if (Entries_ + static_cast<std::size_t>(entry + 1 - r.Valid) > kMaxEntries) return false;
    Extend(r, entry + 1);
  }
  Stats = TNumberStats();
  if (r.ErrorAt >= 0 && r.ErrorAt <= entry) {
    Stats.Error = r.ErrorCode;
    return true;
  }
  const std::size_t k = static_cast<std::size_t>(entry);
  Stats.Sum = r.Sum[k];
  Stats.Count = r.Count[k];
  Stats.Min = r.Min[k];
  Stats.Max = r.Max[k];
  return true;
}

long TCalcCache::TLineIndex::FirstEqual(const TXLSVarValue& Value) const {
  switch (Value.Type) {
    case fvtFloat: {
      auto it = Numbers_.find(Value.Number == 0 ? 0.0 : Value.Number);
      return it == Numbers_.end() ? -1 : it->second;
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
    const int id = -1 - static_cast<int>(Lines_.size());
    found = LineIds_.emplace(key, id).first;
    TLine l;
    l.Col1 = Col1;
    l.Row1 = Row1;
    l.Vertical = Vertical;
    l.Length = Length;
    Lines_.push_back(std::move(l));
    const int lastCol = Vertical ? Col1 : static_cast<int>(std::min<long>(Col1 + Length - 1, workbook::XLS_MAXCOL));
    Watch(Cells, Col1, lastCol, id);
  }
  TLine& line = Lines_[static_cast<std::size_t>(-1 - found->second)];
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
      case fvtFloat: {
        const double d = v.Number == 0 ? 0.0 : v.Number;
        x.Numbers_.emplace(d, pos);
        numbers.emplace_back(d, pos);
        break;
      }
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
