// TXLSFormulaEvaluator: runs one formula cell's tokens (the library's byte code, or BIFF8 tokens
// behind their 0xFF/0xFE lead) on a value stack and yields the cell's value; function tokens go to
// the two dispatchers (fixed and variable argument counts).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/formula_value.h"
#include "formula/evaluator/value_stack.h"

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
// Argument-count faults of variable-count calls: 4020 (too few) or 4021 (too many), with the text
// "NAME(limit)".
using TXLSArgCountHandler = std::function<void(int Code, const std::u16string& Text)>;

class TXLSFormulaEvaluator {
public:
  // Nesting depth of defined names (a name that refers to itself stops here with #NAME?).
  static constexpr int MAX_NAME_DEPTH = 64;

  TXLSFormulaEvaluator(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale = nullptr);
  TXLSFormulaEvaluator(const TXLSFormulaEvaluator&) = delete;
  TXLSFormulaEvaluator& operator=(const TXLSFormulaEvaluator&) = delete;

  void SetNames(IFormulaNames* Names) { Names_ = Names; }
  void SetExternSheets(IExternSheetResolver* Resolver) { ExternSheets_ = Resolver; }
  void SetUserFunctionHandler(TXLSUserFunctionHandler Handler) { UserFunction_ = std::move(Handler); }
  void SetArgCountHandler(TXLSArgCountHandler Handler) { ArgCountError_ = std::move(Handler); }

  // Evaluates the tokens of the formula cell at (Col, Row) of sheet SheetIndex. Returns True when the
  // result is a plain value, False when it is a cell reference (whose value has been read in).
  // Raises on malformed tokens ("Illegal ptgs", "Invalid ptgs: %.2X").
  bool Evaluate(const std::uint8_t* Ptgs, int Len, int SheetIndex, int Col, int Row, TXLSFormulaValue& Result);

  // The dispatchers; the arguments stand on the stack.
  void CallFixed(int Id);
  void CallVariable(int Id, int ArgCount);

  TValueStack& Stack() { return Stack_; }

private:
  void Execute(const std::uint8_t* Ptgs, int Len);
  void PopResult(TXLSFormulaValue& Result);
  void PushName(int Index, bool BIFFToken);
  void PushArrayConstant(int Cols, int Rows);
  void PushBIFFArray();
  void CallUserFunction(const std::u16string& Name, int ArgCount);
  void Push3d(int ExtIndex, int Col1, int Row1, int Col2, int Row2, bool Cell);
  // True when Id has an implementation (and ran it).
  bool RunFunction(int Id, int ArgCount);

  TValueStack Stack_;
  IFormulaNames* Names_ = nullptr;
  IExternSheetResolver* ExternSheets_ = nullptr;
  TXLSUserFunctionHandler UserFunction_;
  TXLSArgCountHandler ArgCountError_;
  bool BIFFMode_ = false;
  int NameDepth_ = 0;
  // Extra data of a 0xFE token string, read in order by the BIFF8 array tokens.
  const std::uint8_t* Extra_ = nullptr;
  const std::uint8_t* ExtraEnd_ = nullptr;
};

}  // namespace formula
