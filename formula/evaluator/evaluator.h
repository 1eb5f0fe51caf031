// TXLSFormulaEvaluator: runs one formula cell's tokens (the library's byte code, or BIFF8 tokens
// behind their 0xFF/0xFE lead) on a value stack and yields the cell's value; function tokens go to
// the two dispatchers (fixed and variable argument counts).
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/formula_value.h"
#include "formula/evaluator/value_stack.h"
#include "formula/language/name_resolver.h"

namespace formula {

// A defined name as the calculation sees it: its reference kind and, for a formula name, its
// compiled definition.
struct TFormulaNameDef {
  enum : int { nkFormula = 0, nkCell = 1, nkArea = 2, nkBadSheet = 3 };
  int Kind = nkFormula;
  int SheetIndex = 0;
  std::uint32_t Col1 = 0, Row1 = 0, Col2 = 0, Row2 = 0;  // flag bits as stored
  const std::uint8_t* Ptgs = nullptr;
  int Len = 0;
  bool VBProcedure = false;
};

// The workbook's defined names by zero-based index.
class IFormulaNames {
public:
  virtual ~IFormulaNames() = default;
  virtual bool GetName(int Index, TFormulaNameDef& Def) = 0;
};

// Called with the function name as written; the handler fills Data.Result.
using TXLSUserFunctionHandler = std::function<void(const std::u16string& Name, TXLSUserFuncData& Data)>;
// Cached values of external workbooks (the links' cell caches).
class IExternalCells {
public:
  virtual ~IExternalCells() = default;
  // False when the link, its sheet or the cell is not cached.
  virtual bool GetValue(int Link, int Sheet, int Col, int Row, TXLSFormulaValue& Value) const = 0;
};

// Argument-count faults of variable-count calls: 4020 (too few) or 4021 (too many), with the text
// "NAME(limit)".
using TXLSArgCountHandler = std::function<void(int Code, const std::u16string& Text)>;

// The byte code of a shared formula's member (a 0xB8 token naming its master cell): the master's
// formula with its relative references moved from the master to (Col, Row). A master that is
// missing, or is a member itself, gives a #REF! constant.
void SharedMemberTokens(workbook::TXLSCellMMU& Cells, int Col, int Row, const std::uint8_t* Ptgs, int Len,
                        std::vector<std::uint8_t>& Out);

class TXLSFormulaEvaluator {
public:
  // Nesting depth of defined names (a name that refers to itself stops here with #NAME?).
  static constexpr int MAX_NAME_DEPTH = 64;
  // The tokens one formula may execute, those of its names included (a data table: each of its
  // cells); a formula that needs more gives #NUM! instead of running on.
  static constexpr std::uint32_t MAX_WORK = 1u << 18;

  TXLSFormulaEvaluator(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale = nullptr);
  TXLSFormulaEvaluator(const TXLSFormulaEvaluator&) = delete;
  TXLSFormulaEvaluator& operator=(const TXLSFormulaEvaluator&) = delete;

  void SetNames(IFormulaNames* Names) { Names_ = Names; }
  void SetExternSheets(IExternSheetResolver* Resolver) { ExternSheets_ = Resolver; }
  void SetUserFunctionHandler(TXLSUserFunctionHandler Handler) { UserFunction_ = std::move(Handler); }
  void SetArgCountHandler(TXLSArgCountHandler Handler) { ArgCountError_ = std::move(Handler); }
  // Sheet and name look-ups of INDIRECT.
  void SetResolver(const IFormulaNameResolver* Resolver) { Resolver_ = Resolver; }
  void SetExternalCells(const IExternalCells* Cells) { ExternalCells_ = Cells; }

  // Evaluates the tokens of the formula cell at (Col, Row) of sheet SheetIndex. Returns True when the
  // result is a plain value, False when it is a cell reference (whose value has been read in).
  // Raises on malformed tokens ("Illegal ptgs", "Invalid ptgs: %.2X").
  // Target: the area of an array formula or data table, nullptr for an ordinary formula. The
  // elements of an array result are written into the target's cells (the formula cell's own value
  // is Result); raises "Invalid array value" for an element that is no value.
  bool Evaluate(const std::uint8_t* Ptgs, int Len, int SheetIndex, int Col, int Row, TXLSFormulaValue& Result,
                const workbook::TXLSCellArea* Target = nullptr);

  // The dispatchers; the arguments stand on the stack.
  void CallFixed(int Id);
  void CallVariable(int Id, int ArgCount);

  TValueStack& Stack() { return Stack_; }
  TFormulaRandom& Random() { return Random_; }

  // INDIRECT (ref_text, [a1]) and the evaluation of a defined name given as text.
  void Indirect(int ArgCount);
  void EvalNameText(const std::u16string& Name, int SheetIndex);

private:
  // Runs the tokens; InArray: they are part of an array context (an array formula, or an argument
  // of array class), so operators work element-wise and functions are called per element.
  void Execute(const std::uint8_t* Ptgs, int Len, bool InArray = false);
  // The tokens (by their position in the string) that form arguments of array class, as merged
  // ranges of positions; False when there is none.
  bool MarkArrayArguments(const std::uint8_t* Ptgs, int Len, std::vector<std::pair<int, int>>& Ranges);
  void PopResult(TXLSFormulaValue& Result);
  void PushName(int Index, bool BIFFToken, bool InArray);
  void PushArrayConstant(int Cols, int Rows);
  void PushBIFFArray();
  void CallUserFunction(const std::u16string& Name, int ArgCount);
  void Push3d(int ExtIndex, int Col1, int Row1, int Col2, int Row2, bool Cell);
  // True when Id has an implementation (and ran it).
  bool RunFunction(int Id, int ArgCount);
  // A function call inside an array context: called once per element of the arguments of value class
  // that are areas or arrays (the result as large as the largest of them), else once.
  void CallArrayFunction(int Id, int ArgCount, const std::u16string* UserName);
  // Array formulas, data tables and table references.
  void WriteArrayResult(const TXLSFormulaValue& Result, bool SkipMaster);
  void EvalDataTable(const std::uint8_t* Token);
  void EvalDataTableCell(const std::uint8_t* Ptgs, int Len, TXLSFormulaValue& Result, int RowInCol, int RowInRow,
                         int ColInCol, int ColInRow, int RowRefCol, int RowRefRow, int ColRefCol, int ColRefRow);
  void PushTableArea(const std::uint8_t* Token);
  void PushTableSpecial(const std::uint8_t* Token);
  void PushExternal(const std::uint8_t* Token);

  TValueStack Stack_;
  IFormulaNames* Names_ = nullptr;
  IExternSheetResolver* ExternSheets_ = nullptr;
  TXLSUserFunctionHandler UserFunction_;
  TXLSArgCountHandler ArgCountError_;
  const IFormulaNameResolver* Resolver_ = nullptr;
  const IExternalCells* ExternalCells_ = nullptr;
  TFormulaRandom Random_{static_cast<unsigned>(std::random_device{}())};
  std::vector<std::uint8_t> SharedCopy_;
  std::vector<int> MarkStarts_;  // scratch of MarkArrayArguments
  bool HasTarget_ = false;
  workbook::TXLSCellArea Target_;
  bool BIFFMode_ = false;
  int NameDepth_ = 0;
  // The formula names being evaluated, outermost first: one met again is circular.
  std::vector<int> NamesInProgress_;
  // The values of the formula names met by the formula being evaluated, so that each is computed
  // once however often the formula and its names use it (N1 = N2+N2, N2 = N3+N3, ... would
  // otherwise cost 2^depth). Kept for one formula only: other formulas see other cell values and
  // another position. A value that drew random numbers or called a user function is not kept; one
  // that met a circular name or the depth guard outside its own evaluation holds only where the
  // same names are in progress (InProgress).
  struct TNameValue {
    std::uint64_t Name;  // the name, its token form and array context (NameKey)
    TXLSFormulaValue Value;
    int Context = 0;  // the outermost level of NamesInProgress_ the value depends on; kNoContext: none
    std::vector<int> InProgress;  // NamesInProgress_ when it was computed, if it depends on it
  };
  static constexpr int kNoContext = 1 << 30;
  // By NameKey, or for a value that depends on the names in progress, by a hash of the key and
  // those names (the entries compare both).
  std::unordered_map<std::uint64_t, std::vector<TNameValue>> NameValues_;
  std::uint64_t InProgressKey(std::uint64_t Name) const;
  int Context_ = kNoContext;  // the same, for the name being evaluated
  std::uint64_t UserCalls_ = 0;
  std::uint32_t Work_ = 0;  // tokens executed by the formula so far
  // Extra data of a 0xFE token string, read in order by the BIFF8 array tokens.
  const std::uint8_t* Extra_ = nullptr;
  const std::uint8_t* ExtraEnd_ = nullptr;
};

}  // namespace formula
