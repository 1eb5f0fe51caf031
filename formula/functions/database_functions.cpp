// Conditional aggregation and database worksheet functions. Each runs inside the argument window the
// dispatcher opened, reads its arguments last-first and pushes one result.
#include "formula/functions/families.h"

#include "formula/functions/conditional_functions.h"
#include "formula/functions/database_range.h"

namespace formula::functions {

namespace {

enum : int {
  fidSumIf = 345, fidCountIf = 346, fidAverageIf = 828, fidAverageIfs = 829, fidCountIfs = 833, fidSumIfs = 844,
};

bool IsDatabaseId(int Id) {
  switch (Id) {
    case TXLSFmlaDatabase::dbCount:
    case TXLSFmlaDatabase::dbSum:
    case TXLSFmlaDatabase::dbAverage:
    case TXLSFmlaDatabase::dbMin:
    case TXLSFmlaDatabase::dbMax:
    case TXLSFmlaDatabase::dbStdev:
    case TXLSFmlaDatabase::dbVar:
    case TXLSFmlaDatabase::dbProduct:
    case TXLSFmlaDatabase::dbStdevP:
    case TXLSFmlaDatabase::dbVarP:
    case TXLSFmlaDatabase::dbCountA:
    case TXLSFmlaDatabase::dbGet: return true;
    default: return false;
  }
}

void Database(TValueStack& S, int Id) {
  TXLSFormulaValue criteria, database;
  S.PopArg(criteria);
  // DCOUNT and DCOUNTA without a field count the matching records.
  TXLSFormulaValue fieldArg;
  S.PeekArg(0, fieldArg);
  const bool noField = fieldArg.Kind == fvkValue && fieldArg.ValueType == fvtEmpty;
  std::u16string field;
  if (noField)
    S.PopArg(fieldArg);
  else if (!S.PopString(true, field))
    return;
  S.PopArg(database);
  auto isArea = [](const TXLSFormulaValue& V) { return V.Kind == fvkArea || V.Kind == fvkXArea; };
  if (!isArea(database) || !isArea(criteria)) {
    S.PushError(errValue);
    return;
  }
  TXLSFmlaDatabase db(S, database, criteria);
  if (const std::uint8_t err = db.Prepare()) {
    S.PushError(err);
    return;
  }
  TXLSFormulaValue result;
  if (noField && Id != TXLSFmlaDatabase::dbCount && Id != TXLSFmlaDatabase::dbCountA)
    result.SetError(errValue);
  else
    db.Evaluate(Id, field, result, noField);
  S.PushValue(result);
}

}  // namespace

bool RunDatabaseFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidCountIf: CountIf(S); return true;
    case fidSumIf: SumIf(S, Count, false); return true;
    case fidAverageIf: SumIf(S, Count, true); return true;
    case fidCountIfs: IfsFunction(S, Count, 0); return true;
    case fidSumIfs: IfsFunction(S, Count, 1); return true;
    case fidAverageIfs: IfsFunction(S, Count, 2); return true;
    default:
      if (!IsDatabaseId(Id)) return false;
      Database(S, Id);
      return true;
  }
}

}  // namespace formula::functions
