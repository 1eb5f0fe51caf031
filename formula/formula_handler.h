// TXLSFormulaHandler: the formula engine's entry point for recalculating a whole workbook. It owns the
// chain builder and the evaluator, walks the calculation chain once and stores each formula cell's
// result as the cell's cached value.
#pragma once

#include <functional>
#include <memory>

#include "formula/evaluator/calc_chain.h"
#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/evaluator.h"
#include "workbook/manager.h"

namespace formula {

class TXLSFormulaHandler {
public:
  explicit TXLSFormulaHandler(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale = nullptr);

  void SetNames(IFormulaNames* Names);
  void SetExternSheets(IExternSheetResolver* Resolver);
  // Progress of Calculate: begin with the number of formulas, work with the index reached (about
  // 25 steps), end.
  void SetProgress(workbook::TXLSProgressEvent Progress) { Progress_ = std::move(Progress); }
  // Circular references (code 3002) go here, as warnings of the error manager.
  void SetWarningHandler(TXLSChainWarningHandler Handler) { Builder_.SetWarningHandler(std::move(Handler)); }
  void SetSheetNames(std::function<std::u16string(int)> SheetName) { Builder_.SetSheetNames(std::move(SheetName)); }

  TXLSUserFunctionHandler GetOnUserFunction() const { return UserFunction_; }
  void SetOnUserFunction(TXLSUserFunctionHandler Handler);

  // Recalculates every formula cell of the workbook outside circular references. Raises "Invalid
  // formula result" for a result that is no value, cell or area.
  void Calculate();

  // Moves the relative parts of the cell and area references by DeltaCol and DeltaRow, in place (a
  // shared formula's copy for another cell). A reference moved off the grid becomes its #REF! form.
  static void OffsetRelativeRefs(std::uint8_t* Ptgs, int Len, int DeltaCol, int DeltaRow);
  // Renumbers the sheets of 3-D references after Count sheets were inserted at SheetIndex
  // (Count > 0) or -Count sheets were deleted from SheetIndex on (Count < 0). References into a
  // deleted sheet, or pushed past the 8-bit sheet numbers, become #REF! tokens of the same size.
  static void AdjustSheetRefs(std::uint8_t* Ptgs, int Len, int SheetIndex, int Count);

  const TXLSCalcChain& Chain() const { return Chain_; }
  TXLSFormulaEvaluator& Evaluator() { return Evaluator_; }

private:
  IFormulaWorkbook* Workbook_;
  TXLSCalcChainBuilder Builder_;
  TXLSFormulaEvaluator Evaluator_;
  TXLSCalcChain Chain_;
  workbook::TXLSProgressEvent Progress_;
  TXLSUserFunctionHandler UserFunction_;
};

}  // namespace formula
