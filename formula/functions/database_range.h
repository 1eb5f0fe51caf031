// TXLSFmlaDatabase: the database functions' reader. The database area's first row names the fields;
// the criteria area's first row names fields and each further row is one alternative (OR) of
// conditions that must all hold (AND). The reader selects the matching database rows and computes
// the function over the chosen field's cells.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formula/evaluator/value_stack.h"
#include "formula/support/criteria.h"

namespace formula {

struct TXLSDbField {
  std::u16string Name;
  int Index = 0;
  bool Used = false;
};

struct TXLSDbCondition {
  const TXLSDbField* Field = nullptr;
  TXLSCriteria Criteria;
  bool Matches(const TXLSVarValue& V, const TFormulaLocale& Locale) const { return MatchCriteria(Criteria, V, Locale); }
};

using TXLSDbConditionAnd = std::vector<TXLSDbCondition>;
using TXLSDbConditionOr = std::vector<TXLSDbConditionAnd>;

class TXLSFmlaDatabase {
public:
  // Function ids.
  enum : int {
    dbCount = 40, dbSum = 41, dbAverage = 42, dbMin = 43, dbMax = 44, dbStdev = 45, dbVar = 47, dbProduct = 189,
    dbStdevP = 195, dbVarP = 196, dbCountA = 199, dbGet = 235,
  };

  TXLSFmlaDatabase(TValueStack& S, const TXLSFormulaValue& Database, const TXLSFormulaValue& Criteria);
  // Reads the field names and the conditions; the error code (always 0).
  std::uint8_t Prepare();
  // AllRecords: no field was given; the counts take every matching record.
  void Evaluate(int FunctionId, const std::u16string& FieldText, TXLSFormulaValue& Result, bool AllRecords = false);

  int FieldCount() const { return static_cast<int>(Fields_.size()); }
  // The field whose name equals Name ignoring a-z case; nullptr when none.
  const TXLSDbField* FindField(const std::u16string& Name) const;

private:
  TXLSVarValue ReadCell(int Col, int Row) const;
  bool Match(const std::vector<TXLSVarValue>& Row) const;

  TValueStack& S_;
  TXLSFormulaValue Database_;
  TXLSFormulaValue Criteria_;
  std::vector<std::unique_ptr<TXLSDbField>> Fields_;
  TXLSDbConditionOr Rows_;
  std::vector<int> UsedFields_;
};

}  // namespace formula
