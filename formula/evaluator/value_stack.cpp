#include "formula/evaluator/value_stack.h"

#include <algorithm>
#include <cmath>

#include "workbook/exceptions.h"

namespace formula {

namespace {
[[noreturn]] void EmptyStack() { throw workbook::Exception(std::string("Empty stack")); }
}  // namespace

TValueStack::TValueStack(IFormulaWorkbook* Workbook, const TFormulaLocale* Locale)
    : Workbook_(Workbook), Locale_(Locale ? Locale : &TFormulaLocale::Invariant()), Iterator_(this) {}

void TValueStack::SetLocale(const TFormulaLocale* Locale) { Locale_ = Locale ? Locale : &TFormulaLocale::Invariant(); }

workbook::TXLSCellMMU* TValueStack::SheetCells(int Index) const {
  return Workbook_ && Index >= 0 && Index < Workbook_->SheetCount() ? Workbook_->SheetCells(Index) : nullptr;
}

void TValueStack::Reset(bool AArrayMode, int ASheetIndex, int ACol, int ARow) {
  ArrayMode = AArrayMode;
  SheetIndex = ASheetIndex;
  Col = ACol;
  Row = ARow;
  Cells = SheetCells(ASheetIndex);
  Top = -1;
  ArgCursor = -1;
  Iterator_.FreeNext();
  Iterator_.SkipHiddenRows = false;
  Iterator_.SkipErrors = false;
  // Values may point at owned objects: clear them before the objects go (only slots that were used
  // since the last reset can).
  for (int i = 0; i <= HighWater_; ++i) {
    Values_[static_cast<std::size_t>(i)].Areas = nullptr;
    Values_[static_cast<std::size_t>(i)].Array = nullptr;
  }
  HighWater_ = -1;
  ArrayElements_ = 0;
  Owned_.clear();
  OwnedAreas_.clear();
}

workbook::TCellAreas* TValueStack::OwnAreas(std::unique_ptr<workbook::TCellAreas> Areas) {
  workbook::TCellAreas* p = Areas.get();
  OwnedAreas_.push_back(std::move(Areas));
  return p;
}

TXLSFormulaValue& TValueStack::At(int I) {
  if (I < 0) EmptyStack();
  if (I >= static_cast<int>(Values_.size())) throw workbook::Exception(std::string("Stack index out of range"));
  return Values_[static_cast<std::size_t>(I)];
}

void TValueStack::RequireTop(int Depth) const {
  if (Top - Depth < 0) EmptyStack();
}

TXLSFormulaValue& TValueStack::NewTop() {
  ++Top;
  if (Top >= static_cast<int>(Values_.size())) Values_.resize(Values_.size() + 127);
  if (Top > HighWater_) HighWater_ = Top;
  TXLSFormulaValue& v = Values_[static_cast<std::size_t>(Top)];
  v.SetEmpty();
  return v;
}

void TValueStack::PushEmpty() { NewTop(); }
void TValueStack::PushFloat(double Number) { NewTop().SetFloat(Number); }
void TValueStack::PushBool(bool B) { NewTop().SetBool(B); }
void TValueStack::PushError(std::uint8_t Code) { NewTop().SetError(Code); }
void TValueStack::PushString(const std::u16string& Text) { NewTop().SetString(Text); }

void TValueStack::PushValue(const TXLSFormulaValue& Value) {
  const TXLSFormulaValue copy = Value;  // Value may live in the stack's own array
  NewTop() = copy;
}

void TValueStack::PushCellRef(workbook::TXLSCellMMU* ACells, int ACol, int ARow) {
  TXLSFormulaValue v;
  ReadCell(ACells, ACol, ARow, v);
  v.Kind = fvkCell;
  v.Cells = ACells;
  v.Col1 = v.Col2 = ACol;
  v.Row1 = v.Row2 = ARow;
  NewTop() = std::move(v);
}

void TValueStack::PushCellRefHere(int ACol, int ARow) { PushCellRef(Cells, ACol, ARow); }

void TValueStack::PushCellRefOn(int ASheetIndex, int ACol, int ARow) {
  workbook::TXLSCellMMU* c = SheetCells(ASheetIndex);
  if (!c) {
    PushError(errRef);
    return;
  }
  PushCellRef(c, ACol, ARow);
}

void TValueStack::PushAreaRef(workbook::TXLSCellMMU* ACells, int Col1, int Row1, int Col2, int Row2) {
  TXLSFormulaValue& v = NewTop();
  v.Kind = fvkArea;
  v.Cells = ACells;
  v.Col1 = std::min(Col1, Col2);
  v.Col2 = std::max(Col1, Col2);
  v.Row1 = std::min(Row1, Row2);
  v.Row2 = std::max(Row1, Row2);
}

void TValueStack::PushAreaHere(int Col1, int Row1, int Col2, int Row2) { PushAreaRef(Cells, Col1, Row1, Col2, Row2); }

void TValueStack::PushAreaOn(int ASheetIndex, int Col1, int Row1, int Col2, int Row2) {
  workbook::TXLSCellMMU* c = SheetCells(ASheetIndex);
  if (!c) {
    PushError(errRef);
    return;
  }
  PushAreaRef(c, Col1, Row1, Col2, Row2);
}

void TValueStack::PushAreaList(int Sheet1, int Sheet2, int Col1, int Row1, int Col2, int Row2) {
  auto areas = std::make_unique<workbook::TCellAreas>();
  for (int s = std::min(Sheet1, Sheet2); s <= std::max(Sheet1, Sheet2); ++s) {
    workbook::TXLSCellMMU* c = SheetCells(s);
    if (!c) {
      PushError(errRef);
      return;
    }
    workbook::TCellArea* a = areas->Add(Col1, Row1, Col2, Row2);
    a->Spare = c;
  }
  TXLSFormulaValue& v = NewTop();
  v.Kind = fvkAreaList;
  v.Areas = OwnAreas(std::move(areas));
}

void TValueStack::PushArray(std::unique_ptr<TXLSArrayItem> Item) { PushArray(Own(std::move(Item))); }

void TValueStack::PushArray(TXLSArrayItem* OwnedItem) {
  TXLSFormulaValue& v = NewTop();
  v.Kind = fvkArray;
  v.Array = OwnedItem;
}

void TValueStack::PushMatrix(const TXLSMatrix& M) {
  auto a = std::make_unique<TXLSArrayItem>(M.Cols(), M.Rows());
  for (int r = 0; r < M.Rows(); ++r)
    for (int c = 0; c < M.Cols(); ++c) a->SetFloat(c, r, M.Get(r, c));
  PushArray(std::move(a));
}

void TValueStack::PushTableRef(int Special, int Col1, int Row1, int Col2, int Row2) {
  TXLSFormulaValue& v = NewTop();
  v.ValueType = fvtTableRef;
  v.TablePart = Special;
  v.Col1 = Col1;
  v.Row1 = Row1;
  v.Col2 = Col2;
  v.Row2 = Row2;
}

void TValueStack::PushErrorOf(std::uint8_t Code, const TXLSFormulaValue& Value) {
  PushError(Value.Kind == fvkValue && Value.ValueType == fvtError ? Value.BoolErr : Code);
}

void TValueStack::PopTop(TXLSFormulaValue& Value) {
  RequireTop(0);
  Value = Values_[static_cast<std::size_t>(Top--)];
}

void TValueStack::PeekTop(int Depth, TXLSFormulaValue& Value) {
  RequireTop(Depth);
  Value = Values_[static_cast<std::size_t>(Top - Depth)];
}

void TValueStack::DropOperand() {
  --Top;
  if (Top < -1) {
    Top = -1;
    throw workbook::Exception(std::string("Missing operand in expression"));
  }
}

void TValueStack::SetTopError(std::uint8_t Code) {
  RequireTop(0);
  Values_[static_cast<std::size_t>(Top)].SetError(Code);
}

void TValueStack::BeginArgs(int Count) {
  if (Top - Count < -1) EmptyStack();
  ArgCursor = Top;
  Top -= Count;
}

void TValueStack::PopArg(TXLSFormulaValue& Value) {
  // Arguments lie above Top: the window opened by BeginArgs.
  if (ArgCursor <= Top || ArgCursor < 0) EmptyStack();
  Value = Values_[static_cast<std::size_t>(ArgCursor--)];
}

void TValueStack::PeekArg(int Depth, TXLSFormulaValue& Value) {
  const int i = ArgCursor - Depth;
  if (i <= Top || i < 0) EmptyStack();
  Value = Values_[static_cast<std::size_t>(i)];
}

bool TValueStack::PeekNumber(int Depth, double& Number) {
  TXLSFormulaValue v;
  PeekArg(Depth, v);
  std::uint8_t err = 0;
  const bool ok = ToNumber(v, Number, err);
  if (err) {
    PushError(err);
    return false;
  }
  if (!ok) {
    PushError(errValue);
    return false;
  }
  return true;
}

bool TValueStack::PopFloat(double& V) {
  TXLSFormulaValue v;
  PopArg(v);
  std::uint8_t err = 0;
  ToNumber(v, V, err);
  if (err) {
    PushError(err);
    return false;
  }
  return true;
}

bool TValueStack::PopInt(std::int32_t& V) {
  TXLSFormulaValue v;
  PopArg(v);
  std::uint8_t err = 0;
  double d = 0;
  ToNumberStrict(v, d, err);
  if (err) {
    PushError(err);
    return false;
  }
  d = std::trunc(d);
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) {
    PushError(errNum);
    return false;
  }
  V = static_cast<std::int32_t>(d);
  return true;
}

bool TValueStack::PopIntMin(std::int32_t Min, std::int32_t& V) {
  if (!PopInt(V)) return false;
  if (V < Min) {
    PushError(errValue);
    return false;
  }
  return true;
}

bool TValueStack::PopString(bool AllowEmpty, std::u16string& V) {
  TXLSFormulaValue v;
  PopArg(v);
  const std::uint8_t err = ToText(v, V);
  if (err) {
    PushError(err);
    return false;
  }
  if (V.empty() && !AllowEmpty) {
    PushError(errValue);
    return false;
  }
  return true;
}

bool TValueStack::PopBool(bool& V) {
  TXLSFormulaValue v;
  PopArg(v);
  const std::uint8_t err = ToBoolean(v, V);
  if (err) {
    PushError(err);
    return false;
  }
  return true;
}

bool TValueStack::PopDate(double& V) {
  if (!PopFloat(V)) return false;
  if (!(V >= 1 && V <= MAX_SERIAL_DATE)) {
    PushError(errValue);
    return false;
  }
  return true;
}

TXLSCellsSource* TValueStack::PopCellsSource() {
  TXLSFormulaValue v;
  PopArg(v);
  switch (v.Kind) {
    case fvkCell:
    case fvkArea:
      return Own(TXLSCellsSource::CreateFromArea(v.Cells, v.Col1, v.Row1, v.Col2, v.Row2));
    case fvkArray:
      return Own(TXLSCellsSource::CreateFromArray(v.Array));
    case fvkXArea:
      throw workbook::Exception(std::string("TODO XArea"));
    default:
      PushError(errValue);
      return nullptr;
  }
}

void TValueStack::ReadCell(workbook::TXLSCellMMU* ACells, int ACol, int ARow, TXLSFormulaValue& Value) {
  workbook::TMMUCellRef ref;
  if (!ACells || !ACells->FindCell(ACol, ARow, ref)) {
    Value.SetEmpty();
    Value.NoCell = 1;
    return;
  }
  ReadStoredCell(ACells, ref, Value);
}

void TValueStack::ReadStoredCell(workbook::TXLSCellMMU* ACells, const workbook::TMMUCellRef& ref,
                                 TXLSFormulaValue& Value) {
  Value.SetEmpty();
  using namespace workbook;
  switch (TXLSCellMMU::CellType(ref)) {
    case cvkBoolean:
      Value.ValueType = fvtBoolean;
      Value.BoolErr = TXLSCellMMU::GetBoolean(ref) ? 1 : 0;
      break;
    case cvkBooleanFormula:
      Value.ValueType = fvtBoolean;
      Value.BoolErr = TXLSCellMMU::GetFormulaBoolean(ref) ? 1 : 0;
      break;
    case cvkError:
      Value.ValueType = fvtError;
      Value.BoolErr = TXLSCellMMU::GetError(ref);
      break;
    case cvkErrorFormula:
      Value.ValueType = fvtError;
      Value.BoolErr = TXLSCellMMU::GetFormulaError(ref);
      break;
    case cvkString:
      Value.ValueType = fvtString;
      ACells->GetString(ref, Value.Text);
      break;
    case cvkStringFormula:
      Value.ValueType = fvtString;
      TXLSCellMMU::GetFormulaString(ref, Value.Text);
      break;
    case cvkFloat:
      Value.ValueType = fvtFloat;
      Value.Number = TXLSCellMMU::GetFloat(ref);
      break;
    case cvkFloatFormula:
      Value.ValueType = fvtFloat;
      Value.Number = TXLSCellMMU::GetFormulaFloat(ref);
      break;
    default:
      break;
  }
  if (Value.ValueType == fvtError && (Value.BoolErr < 1 || Value.BoolErr > 8)) Value.BoolErr = errValue;
}

bool TValueStack::IntersectArea(const TXLSFormulaValue& Area, int& ACol, int& ARow) const {
  if (Area.Col1 == Area.Col2) {
    if (ARow < Area.Row1 || ARow > Area.Row2) return false;
    ACol = Area.Col1;
    return true;
  }
  if (Area.Row1 == Area.Row2) {
    if (ACol < Area.Col1 || ACol > Area.Col2) return false;
    ARow = Area.Row1;
    return true;
  }
  return false;
}

bool TValueStack::ImplicitIntersection(TXLSFormulaValue& Value) {
  if (Value.Kind != fvkArea) return false;
  int c = Col, r = Row;
  if (!IntersectArea(Value, c, r)) return false;
  workbook::TXLSCellMMU* cells = Value.Cells;
  ReadCell(cells, c, r, Value);
  Value.Kind = fvkCell;
  Value.Cells = cells;
  Value.Col1 = Value.Col2 = c;
  Value.Row1 = Value.Row2 = r;
  return true;
}

}  // namespace formula
