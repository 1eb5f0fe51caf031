// TXLSFormulaHandler: the formula engine's entry point for the rest of the library. It compiles
// formula text into byte code and decodes it back, patches references when sheets, rows or columns
// move, and recalculates a whole workbook along the calculation chain, storing each formula cell's
// result as the cell's cached value.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formula/evaluator/calc_chain.h"
#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/evaluator.h"
#include "formula/language/name_resolver.h"
#include "workbook/manager.h"
#include "workbook/worksheet_api.h"

namespace formula {

class TManagerModel;

// Token patching shared by the handler and its callers. Each walks the tokens as the evaluator
// meets them and changes them in place; the byte code keeps its length.

// Moves the relative parts of cell and area references (3-D ones included) by DeltaCol and
// DeltaRow. A reference moved off the grid becomes its #REF! form.
void OffsetRelativeRefTokens(std::uint8_t* Ptgs, int Len, int DeltaCol, int DeltaRow);
// Renumbers the sheets of 3-D references after Count sheets were inserted at SheetIndex
// (Count > 0) or -Count sheets were deleted from SheetIndex on (Count < 0). References into a
// deleted sheet, or pushed past the 8-bit sheet numbers, become #REF! tokens of the same size.
void AdjustSheetRefTokens(std::uint8_t* Ptgs, int Len, int SheetIndex, int Count);
// The sheet at From moved to position To; the sheets between shift by one.
void MoveSheetRefTokens(std::uint8_t* Ptgs, int Len, int From, int To);
// Rows or columns of sheet SheetIndex inserted or deleted; the formula lives on FormulaSheet.
// References follow their cells, absolute or not; one whose cells were all deleted becomes #REF!.
void AdjustCellRefTokens(std::uint8_t* Ptgs, int Len, int FormulaSheet, int SheetIndex,
                         const workbook::TXc12SheetShift& Shift);

class TXLSFormulaHandler : public workbook::IXLSFormulaHandler {
public:
  // A handler over the sheets of Workbook (tests and tools); compilation then has no names, sheets
  // or tables unless SetResolver is called.
  explicit TXLSFormulaHandler(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale = nullptr);
  // The handler of a workbook component: sheets, names, tables and external links come from the
  // manager; progress and messages go to the manager and its error manager.
  explicit TXLSFormulaHandler(workbook::TXc12Manager* Manager, const TFormulaLocale* Locale = nullptr);
  ~TXLSFormulaHandler() override;

  void SetNames(IFormulaNames* Names);
  void SetExternSheets(IExternSheetResolver* Resolver);
  // Sheets, names, links and tables for compiling, decoding and INDIRECT.
  void SetResolver(const IFormulaNameResolver* Resolver) {
    Resolver_ = Resolver;
    Evaluator_.SetResolver(Resolver);
  }
  void SetErrors(workbook::TXLSErrorManager* Errors);
  // The legacy document's BIFF8 decoder; DecodeFormula routes tokens behind 0xFF/0xFE to it.
  void SetBIFF8Decoder(IBIFF8FormulaDecoder* Decoder) { BIFF8Decoder_ = Decoder; }
  // Progress of Calculate: begin with the number of formulas, work with the index reached (about
  // 25 steps), end.
  void SetProgress(workbook::TXLSProgressEvent Progress) { Progress_ = std::move(Progress); }
  // Circular references (code 3002) go here, as warnings of the error manager.
  void SetWarningHandler(TXLSChainWarningHandler Handler) { Builder_.SetWarningHandler(std::move(Handler)); }
  void SetSheetNames(std::function<std::u16string(int)> SheetName) { Builder_.SetSheetNames(std::move(SheetName)); }

  TXLSUserFunctionHandler GetOnUserFunction() const override { return UserFunction_; }
  void SetOnUserFunction(TXLSUserFunctionHandler Handler) override;

  // Compilation. The separator mode is shared state: EncodeCellFormula sets it, EncodeFormula uses
  // the mode set last (invariant until the first EncodeCellFormula). 0 when nothing was compiled.
  int EncodeCellFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex, int Col,
                        int Row, bool Invariant) override;
  int EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex) override;
  void SetTables(workbook::TXc12Tables* Tables) override;

  // Decoding: a 0xB9 token is replaced by the byte code of the cell it names (looked up in Cells);
  // tokens behind 0xFF/0xFE go to the BIFF8 decoder; the rest to the library's decoder. Raises when
  // neither can read the tokens.
  std::u16string DecodeFormula(workbook::TXLSCellMMU* Cells, int SheetIndex, const std::uint8_t* Ptgs, int Len,
                               bool BookNumbers);
  bool DecodeFormula(const std::uint8_t* Ptgs, int Len, std::u16string& Text) override;
  std::uint8_t PtgsToArea3D(const std::uint8_t* Ptgs, int Len, int& Sheet, workbook::TXLSCellArea& Area) override;

  // Recalculates every formula cell of the workbook outside circular references and stores each
  // result as the cell's cached value (a reference to an empty cell stores 0; the elements of an
  // array formula or data table go into its target's cells). Progress goes to the progress event.
  // Raises "Invalid formula result" for a result that is no value, cell or area.
  void Calculate() override;

  static void OffsetRelativeRefs(std::uint8_t* Ptgs, int Len, int DeltaCol, int DeltaRow) {
    OffsetRelativeRefTokens(Ptgs, Len, DeltaCol, DeltaRow);
  }
  void AdjustSheetRefs(std::uint8_t* Ptgs, int Len, int Index, int Delta) override {
    AdjustSheetRefTokens(Ptgs, Len, Index, Delta);
  }
  void MoveSheetRefs(std::uint8_t* Ptgs, int Len, int From, int To) override {
    MoveSheetRefTokens(Ptgs, Len, From, To);
  }
  void AdjustCellRefs(std::uint8_t* Ptgs, int Len, int FormulaSheet, int SheetIndex,
                      const workbook::TXc12SheetShift& Shift) override {
    AdjustCellRefTokens(Ptgs, Len, FormulaSheet, SheetIndex, Shift);
  }

  const TXLSCalcChain& Chain() const { return Chain_; }
  TXLSFormulaEvaluator& Evaluator() { return Evaluator_; }

private:
  int Compile(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex, int Col, int Row);
  void StoreResult(workbook::TXLSCellMMU* Cells, int Col, int Row, const TXLSFormulaValue& Result);

  std::unique_ptr<TManagerModel> Model_;
  IFormulaWorkbook* Workbook_;
  const TFormulaLocale* Locale_;
  const IFormulaNameResolver* Resolver_ = nullptr;
  workbook::TXLSErrorManager* Errors_ = nullptr;
  std::unique_ptr<workbook::TXLSErrorManager> OwnErrors_;
  IBIFF8FormulaDecoder* BIFF8Decoder_ = nullptr;
  bool Invariant_ = true;
  TXLSCalcChainBuilder Builder_;
  TXLSFormulaEvaluator Evaluator_;
  TXLSCalcChain Chain_;
  workbook::TXLSProgressEvent Progress_;
  TXLSUserFunctionHandler UserFunction_;
};

// Compiles Text with invariant separators and no table context, for sheet SheetIndex; 0 when
// nothing was compiled. The hyperlink object uses it, with errors switched off, to learn whether an
// address is a location in the workbook.
int CompileFormula(workbook::TXc12Manager* Manager, const std::u16string& Text, std::vector<std::uint8_t>& Tokens,
                   int SheetIndex);

// The handler a workbook component creates (TXLSSpreadsheetNeighbours.CreateFormulaHandler).
std::unique_ptr<workbook::IXLSFormulaHandler> CreateFormulaHandler(workbook::TXc12Manager* Manager);

}  // namespace formula
