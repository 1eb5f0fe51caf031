// TValueStack: the evaluator's value stack with the context of the formula cell being calculated,
// the objects made during one evaluation, the typed argument readers of the worksheet functions, the
// value conversions and the operators (scalar and element-wise); TValStackIterator walks the cells or
// elements behind a value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formula/evaluator/calc_cache.h"
#include "formula/evaluator/engine_context.h"
#include "formula/evaluator/formula_value.h"
#include "formula/support/locale.h"
#include "formula/support/matrix.h"
#include "formula/support/value_arrays.h"
#include "workbook/cell_areas.h"

namespace formula {

class TValueStack;

// Raised past a formula's work bound (tokens executed, array elements made) and caught where the
// formula's evaluation starts, which gives #NUM!; no library exception, so that nothing on the way
// mistakes it for a malformed token string.
struct TWorkExceeded {};

class TValStackIterator {
public:
  explicit TValStackIterator(TValueStack* Owner) : Owner_(Owner) {}
  ~TValStackIterator();
  TValStackIterator(const TValStackIterator&) = delete;
  TValStackIterator& operator=(const TValStackIterator&) = delete;

  bool SkipHiddenRows = false;
  bool SkipErrors = false;

  // Starts a walk over Value; a chained iterator left from an earlier walk is freed.
  void Init(const TXLSFormulaValue& Value, bool StopAtError);
  // A on this iterator, B on the chained one. Areas of a chain are clipped to one window of
  // positions, so their items stay aligned.
  void InitPair(const TXLSFormulaValue& A, const TXLSFormulaValue& B, bool StopAtError);
  TValStackIterator* EnsureNext();
  TValStackIterator* NextIterator() const { return Next_.get(); }
  void FreeNext() { Next_.reset(); }
  // Re-aligns the walks of the chain after the caller initialised chained iterators itself.
  void AlignChain();

  bool Advance();
  bool Next();
  bool NextNumber();
  bool NextNumberA();
  bool NextNonEmpty();
  bool AllNumbers() const;
  bool AllValuesA() const;
  bool FirstNonEmpty() const;
  bool FindError(std::uint8_t& Code) const;
  double CurrentAsNumberA() const;

  const TXLSFormulaValue& Current() const { return Item_; }
  int CurrentCol() const { return CurCol_; }
  int CurrentRow() const { return CurRow_; }

private:
  bool Step();
  bool RowHidden(workbook::TXLSCellMMU* Cells, int Row) const;
  // The rectangle of positions (relative to Col1/Row1) an area walk visits.
  void ClipToUsedArea();

  TValueStack* Owner_;
  TXLSFormulaValue Walked_;
  TXLSFormulaValue Item_;
  int CurCol_ = 0, CurRow_ = 0;
  int AreaIndex_ = 0;
  int WinCol1_ = 0, WinRow1_ = 0, WinCol2_ = -1, WinRow2_ = -1;  // absolute window of an area walk
  bool Started_ = false;
  bool Done_ = true;
  bool StopAtError_ = false;
  std::unique_ptr<TValStackIterator> Next_;
  // The row of an area walk being read (the store does not change during a walk).
  workbook::TMMURowReader Reader_;
  int ReaderRow_ = -1;
};

class TValueStack {
public:
  explicit TValueStack(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale = nullptr);
  TValueStack(const TValueStack&) = delete;
  TValueStack& operator=(const TValueStack&) = delete;

  // The array elements one formula may make from areas (four whole columns); a formula that needs
  // more gives #NUM! instead of taking gigabytes.
  static constexpr std::uint64_t MAX_ARRAY_ELEMENTS = 1ull << 22;

  // Context of the evaluation.
  // The work the formulas of the running calculation share; nullptr outside a calculation.
  TCalcCache* Cache = nullptr;
  int Top = -1;
  int ArgCursor = -1;
  bool ArrayMode = false;
  int Col = 0;
  int Row = 0;
  int SheetIndex = 0;
  workbook::TXLSCellMMU* Cells = nullptr;

  IFormulaWorkbook* Workbook() const { return Workbook_; }
  const TFormulaLocale& Locale() const { return *Locale_; }
  void SetLocale(const TFormulaLocale* Locale);
  TValStackIterator& Iterator() { return Iterator_; }

  // Starts an evaluation: stores the context, empties the stack and frees every owned object.
  void Reset(bool AArrayMode, int ASheetIndex, int ACol, int ARow);

  // Objects made during one evaluation; freed by the next Reset.
  template <class T>
  T* Own(std::unique_ptr<T> Obj) {
    T* p = Obj.get();
    Owned_.push_back(std::move(Obj));
    return p;
  }
  workbook::TCellAreas* OwnAreas(std::unique_ptr<workbook::TCellAreas> Areas);
  int OwnedCount() const { return static_cast<int>(Owned_.size() + OwnedAreas_.size()); }

  // The value at index I (0 = bottom), for the evaluator.
  TXLSFormulaValue& At(int I);
  TXLSFormulaValue& TopValue() { return At(Top); }

  // Pushing.
  TXLSFormulaValue& NewTop();
  void PushEmpty();
  void PushFloat(double Number);
  void PushBool(bool B);
  void PushError(std::uint8_t Code);
  void PushString(const std::u16string& Text);
  void PushValue(const TXLSFormulaValue& Value);
  void PushCellRefHere(int ACol, int ARow);
  void PushCellRefOn(int ASheetIndex, int ACol, int ARow);
  void PushCellRef(workbook::TXLSCellMMU* ACells, int ACol, int ARow);
  void PushAreaHere(int Col1, int Row1, int Col2, int Row2);
  void PushAreaOn(int ASheetIndex, int Col1, int Row1, int Col2, int Row2);
  void PushAreaRef(workbook::TXLSCellMMU* ACells, int Col1, int Row1, int Col2, int Row2);
  void PushAreaList(int Sheet1, int Sheet2, int Col1, int Row1, int Col2, int Row2);
  void PushArray(std::unique_ptr<TXLSArrayItem> Item);
  void PushArray(TXLSArrayItem* OwnedItem);
  void PushMatrix(const TXLSMatrix& M);
  void PushTableRef(int Special, int Col1, int Row1, int Col2, int Row2);
  // Value's own error when it is a plain error value, else Code.
  void PushErrorOf(std::uint8_t Code, const TXLSFormulaValue& Value);

  // Reading; below the bottom raises "Empty stack".
  void PopTop(TXLSFormulaValue& Value);
  void PeekTop(int Depth, TXLSFormulaValue& Value);
  void DropOperand();
  void SetTopError(std::uint8_t Code);
  void BeginArgs(int Count);
  void PopArg(TXLSFormulaValue& Value);
  void PeekArg(int Depth, TXLSFormulaValue& Value);
  bool PeekNumber(int Depth, double& Number);

  // Typed argument readers: on failure the error is pushed as the function's result and False
  // returned.
  bool PopFloat(double& V);
  bool PopInt(std::int32_t& V);
  bool PopIntMin(std::int32_t Min, std::int32_t& V);
  bool PopString(bool AllowEmpty, std::u16string& V);
  bool PopBool(bool& V);
  bool PopDate(double& V);
  TXLSCellsSource* PopCellsSource();

  // Cells.
  void ReadCell(workbook::TXLSCellMMU* ACells, int ACol, int ARow, TXLSFormulaValue& Value);
  // The value of a located cell of ACells.
  static void ReadStoredCell(workbook::TXLSCellMMU* ACells, const workbook::TMMUCellRef& Ref, TXLSFormulaValue& Value);
  bool IntersectArea(const TXLSFormulaValue& Area, int& ACol, int& ARow) const;
  bool ImplicitIntersection(TXLSFormulaValue& Value);
  workbook::TXLSCellMMU* SheetCells(int Index) const;

  // Conversions (values of kind 2 are reduced by implicit intersection first).
  bool ToNumber(const TXLSFormulaValue& Value, double& Number, std::uint8_t& Err);
  bool ToNumberStrict(const TXLSFormulaValue& Value, double& Number, std::uint8_t& Err);
  std::uint8_t ToText(const TXLSFormulaValue& Value, std::u16string& Text);
  std::uint8_t ToBoolean(const TXLSFormulaValue& Value, bool& B);
  std::uint8_t GetErrorCode(const TXLSFormulaValue& Value);
  std::uint8_t ValueKind(const TXLSFormulaValue& Value, std::uint8_t& ValueType);
  std::uint8_t CellValueType(workbook::TXLSCellMMU* ACells, int ACol, int ARow, std::uint8_t& ValueType);
  // Text of a number: 15 significant digits, the locale's decimal separator.
  std::u16string NumberText(double V) const { return FloatToText15(V, *Locale_); }

  // Scalar operators on the top values (operator ids of the byte code).
  void Arith(std::uint8_t Op);
  void Compare(std::uint8_t Op);
  void Concat();
  void Unary(std::uint8_t Op);
  void RefOperator(std::uint8_t Op);

  // Element-wise operators; each leaves an array value at Top.
  void ArithArrays(std::uint8_t Op);
  void CompareArrays(std::uint8_t Op);
  void ConcatArrays();
  void UnaryArray(std::uint8_t Op);
  TXLSArrayItem* PopAsArray(bool Numeric);
  void PopArrayPair(TXLSArrayItem*& A, TXLSArrayItem*& B, bool Numeric);
  void FillArray(TXLSArrayItem& Item, const TXLSFormulaValue& Value);
  void FillNumArray(TXLSArrayItem& Item, const TXLSFormulaValue& Value);
  bool ValueToArea(const TXLSFormulaValue& Value, workbook::TXLSCellArea& Area);

  // Scalar results of the operators, used by both forms.
  static bool ArithNumbers(std::uint8_t Op, double A, double B, double& R, std::uint8_t& Err);
  static bool CompareResult(std::uint8_t Op, int Cmp);
  // -1, 0, 1 by the ordering of the comparison operators: empty takes the other side's type, then
  // numbers < texts < booleans; texts fold a-z.
  static int CompareTyped(const TXLSFormulaValue& A, std::uint8_t TypeA, const TXLSFormulaValue& B,
                          std::uint8_t TypeB);

private:
  bool Resolve(const TXLSFormulaValue& Value, TXLSFormulaValue& Out, std::uint8_t& Err);
  // An operand that makes an operator work element-wise: an array, or an area in array mode.
  bool CallsForArrayForm(const TXLSFormulaValue& V) const;
  // Drops the right operand of a binary operator and points A (which takes the result) and B at the
  // two sides. False when either side calls for the element-wise form: both then stay on the stack.
  bool ScalarOperands(TXLSFormulaValue*& A, const TXLSFormulaValue*& B);
  void RequireTop(int Depth) const;

  IFormulaWorkbook* Workbook_;
  const TFormulaLocale* Locale_;
  std::vector<TXLSFormulaValue> Values_;
  int HighWater_ = -1;  // the highest slot used since the last reset
  std::uint64_t ArrayElements_ = 0;  // made by PopAsArray since the last reset
  std::vector<std::unique_ptr<workbook::TObject>> Owned_;
  std::vector<std::unique_ptr<workbook::TCellAreas>> OwnedAreas_;
  TValStackIterator Iterator_;
};

}  // namespace formula
