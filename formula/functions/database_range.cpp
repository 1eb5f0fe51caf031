#include "formula/functions/database_range.h"

#include <cmath>
#include <limits>

#include "formula/support/text_collation.h"

namespace formula {

TXLSFmlaDatabase::TXLSFmlaDatabase(TValueStack& S, const TXLSFormulaValue& Database, const TXLSFormulaValue& Criteria)
    : S_(S), Database_(Database), Criteria_(Criteria) {}

TXLSVarValue TXLSFmlaDatabase::ReadCell(int Col, int Row) const {
  TXLSFormulaValue v;
  S_.ReadCell(Database_.Cells, Col, Row, v);
  TXLSVarValue r;
  FormulaValueToVarValue(v, r);
  return r;
}

const TXLSDbField* TXLSFmlaDatabase::FindField(const std::u16string& Name) const {
  for (const auto& f : Fields_)
    if (CollateText(f->Name, Name) == 0) return f.get();
  return nullptr;
}

std::uint8_t TXLSFmlaDatabase::Prepare() {
  Fields_.clear();
  Rows_.clear();
  UsedFields_.clear();
  for (int c = Database_.Col1; c <= Database_.Col2; ++c) {
    auto f = std::make_unique<TXLSDbField>();
    f->Index = c - Database_.Col1;
    TXLSFormulaValue v;
    S_.ReadCell(Database_.Cells, c, Database_.Row1, v);
    if (v.ValueType != fvtEmpty) S_.ToText(v, f->Name);
    Fields_.push_back(std::move(f));
  }
  // Field of each criteria column, by its header text.
  std::vector<const TXLSDbField*> columns;
  for (int c = Criteria_.Col1; c <= Criteria_.Col2; ++c) {
    TXLSFormulaValue v;
    S_.ReadCell(Criteria_.Cells, c, Criteria_.Row1, v);
    std::u16string name;
    if (v.ValueType != fvtEmpty) S_.ToText(v, name);
    columns.push_back(v.ValueType == fvtEmpty ? nullptr : FindField(name));
  }
  for (int r = Criteria_.Row1 + 1; r <= Criteria_.Row2; ++r) {
    TXLSDbConditionAnd row;
    for (int c = Criteria_.Col1; c <= Criteria_.Col2; ++c) {
      const TXLSDbField* field = columns[static_cast<std::size_t>(c - Criteria_.Col1)];
      if (!field) continue;
      TXLSFormulaValue v;
      S_.ReadCell(Criteria_.Cells, c, r, v);
      if (v.ValueType == fvtEmpty) continue;
      TXLSVarValue value;
      FormulaValueToVarValue(v, value);
      // A text without an operator selects equal texts (wildcards allowed), a value equal values.
      TXLSDbCondition cond;
      cond.Field = field;
      cond.Criteria = BuildCriteria(value, S_.Locale());
      row.push_back(cond);
      Fields_[static_cast<std::size_t>(field->Index)]->Used = true;
    }
    Rows_.push_back(std::move(row));
  }
  for (const auto& f : Fields_)
    if (f->Used) UsedFields_.push_back(f->Index);
  return 0;
}

bool TXLSFmlaDatabase::Match(const std::vector<TXLSVarValue>& Row) const {
  for (const TXLSDbConditionAnd& conds : Rows_) {
    bool all = true;
    for (const TXLSDbCondition& c : conds)
      if (!c.Matches(Row[static_cast<std::size_t>(c.Field->Index)], S_.Locale())) {
        all = false;
        break;
      }
    if (all) return true;
  }
  return false;
}

void TXLSFmlaDatabase::Evaluate(int FunctionId, const std::u16string& FieldText, TXLSFormulaValue& Result,
                                bool AllRecords) {
  Result.SetError(errValue);
  int offset = -1;
  double n = 0;
  if (AllRecords) {
    offset = 0;
  } else if (TextToFloat(FieldText, S_.Locale(), n)) {
    if (n != std::trunc(n) || n < 1 || n > FieldCount()) return;
    offset = static_cast<int>(n) - 1;
  } else {
    const TXLSDbField* f = FindField(FieldText);
    if (!f) return;
    offset = f->Index;
  }
  const int target = Database_.Col1 + offset;
  std::vector<double> numbers;
  long nonEmpty = 0;
  TXLSFormulaValue got;
  std::vector<TXLSVarValue> row(Fields_.size());
  // The database ends at the first row whose criteria columns are all empty; criteria that name no
  // column (an empty criteria row selects every record) let it end at the first empty row.
  std::vector<int> read = UsedFields_;
  if (read.empty())
    for (int k = 0; k < FieldCount(); ++k) read.push_back(k);
  for (int r = Database_.Row1 + 1; r <= Database_.Row2; ++r) {
    bool any = false;
    for (TXLSVarValue& v : row) v = TXLSVarValue();
    for (int k : read) {
      row[static_cast<std::size_t>(k)] = ReadCell(Database_.Col1 + k, r);
      if (row[static_cast<std::size_t>(k)].Type != fvtEmpty) any = true;
    }
    if (!any) break;
    if (!Match(row)) continue;
    if (AllRecords) {
      numbers.push_back(0);
      ++nonEmpty;
      continue;
    }
    TXLSFormulaValue v;
    S_.ReadCell(Database_.Cells, target, r, v);
    if (v.ValueType == fvtEmpty) continue;
    ++nonEmpty;
    got = v;
    if (v.ValueType == fvtFloat) numbers.push_back(v.Number);
  }
  const double count = static_cast<double>(numbers.size());
  double total = 0;
  for (double x : numbers) total += x;
  auto sumSquares = [&] {
    const double mean = total / count;
    double s = 0;
    for (double x : numbers) s += (x - mean) * (x - mean);
    return s;
  };
  auto number = [&](double V) {
    if (std::isfinite(V))
      Result.SetFloat(V);
    else
      Result.SetError(errNum);
  };
  switch (FunctionId) {
    case dbCount: number(count); break;
    case dbCountA: number(static_cast<double>(nonEmpty)); break;
    case dbSum: number(total); break;
    case dbAverage:
      if (numbers.empty())
        Result.SetError(errDiv0);
      else
        number(total / count);
      break;
    case dbMin:
    case dbMax: {
      double m = numbers.empty() ? 0 : numbers[0];
      for (double x : numbers) m = FunctionId == dbMin ? std::min(m, x) : std::max(m, x);
      number(m);
      break;
    }
    case dbProduct: {
      double p = 1;
      for (double x : numbers) p *= x;
      number(numbers.empty() ? 0 : p);
      break;
    }
    case dbStdev:
    case dbVar:
      if (numbers.size() < 2) {
        Result.SetError(errDiv0);
        break;
      }
      number(FunctionId == dbVar ? sumSquares() / (count - 1) : std::sqrt(sumSquares() / (count - 1)));
      break;
    case dbStdevP:
    case dbVarP:
      if (numbers.empty()) {
        Result.SetError(errDiv0);
        break;
      }
      number(FunctionId == dbVarP ? sumSquares() / count : std::sqrt(sumSquares() / count));
      break;
    case dbGet:
      if (nonEmpty == 1) {
        got.Kind = fvkValue;
        got.Cells = nullptr;
        Result = got;
      } else {
        Result.SetError(nonEmpty == 0 ? errValue : errNum);
      }
      break;
    default: break;
  }
}

}  // namespace formula
