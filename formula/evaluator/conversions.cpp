// Value conversions of the value stack: to number, text, boolean, error code and value type.
#include <cmath>

#include "formula/evaluator/value_stack.h"

namespace formula {

namespace {

// The number of one plain value. Texts are read as numbers, and as dates and times where ReadDates
// is set; a text that reads as neither is #VALUE!. An error leaves Number as it was. False for a type
// that has no number (Number becomes 0).
bool ScalarToNumber(const TXLSFormulaValue& V, const TFormulaLocale& Locale, bool ReadDates, double& Number,
                    std::uint8_t& Err) {
  switch (V.ValueType) {
    case fvtFloat:
      Number = V.Number;
      return true;
    case fvtBoolean:
      Number = V.BoolErr ? 1 : 0;
      return true;
    case fvtError:
      Err = V.BoolErr;
      return true;
    case fvtString:
      if (!TextToFloat(V.Text, Locale, Number) && !(ReadDates && TextToDateTime(V.Text, Locale, Number))) {
        Number = 0;
        Err = errValue;
      }
      return true;
    case fvtTableRef:
      Err = errValue;
      return true;
    default:
      Number = 0;
      return false;
  }
}

}  // namespace

// An area reduces to the cell it implicitly intersects; an area list is #VALUE!; an array converts as
// an empty value.
bool TValueStack::Resolve(const TXLSFormulaValue& Value, TXLSFormulaValue& Out, std::uint8_t& Err) {
  Err = 0;
  switch (Value.Kind) {
    case fvkArea:
    case fvkXArea: {
      Out = Value;
      Out.Kind = fvkArea;
      if (!ImplicitIntersection(Out)) {
        Err = errValue;
        return false;
      }
      return true;
    }
    case fvkAreaList:
      Err = errValue;
      return false;
    case fvkArray:
    case fvkArrayArg:
      Out.SetEmpty();
      return true;
    default:
      Out = Value;
      return true;
  }
}

bool TValueStack::ToNumber(const TXLSFormulaValue& Value, double& Number, std::uint8_t& Err) {
  Number = 0;
  TXLSFormulaValue v;
  if (!Resolve(Value, v, Err)) return true;
  return ScalarToNumber(v, *Locale_, true, Number, Err);
}

bool TValueStack::ToNumberStrict(const TXLSFormulaValue& Value, double& Number, std::uint8_t& Err) {
  Err = 0;
  switch (Value.Kind) {
    case fvkValue:
      return ScalarToNumber(Value, *Locale_, false, Number, Err);
    case fvkCell:
      if (Value.ValueType == fvtFloat) {
        Number = Value.Number;
        return true;
      }
      if (Value.ValueType == fvtError) {
        Err = Value.BoolErr;
        return true;
      }
      Number = 0;
      return false;
    case fvkArray:
    case fvkArrayArg:
      return true;
    default:
      // A reference where one number is wanted is a #VALUE! of this call, not the end of the
      // calculation.
      Number = 0;
      Err = errValue;
      return true;
  }
}

std::uint8_t TValueStack::ToText(const TXLSFormulaValue& Value, std::u16string& Text) {
  Text.clear();
  if (Value.Kind == fvkAreaList) return 0;
  TXLSFormulaValue v;
  std::uint8_t err = 0;
  if (!Resolve(Value, v, err)) return err;
  switch (v.ValueType) {
    case fvtFloat:
      Text = NumberText(v.Number);
      return 0;
    case fvtBoolean:
      Text = v.BoolErr ? Locale_->TrueText : Locale_->FalseText;
      return 0;
    case fvtError:
      Text = ErrorText(v.BoolErr);
      return v.BoolErr;
    case fvtString:
      Text = v.Text;
      return 0;
    case fvtTableRef:
      return errValue;
    default:
      return 0;
  }
}

std::uint8_t TValueStack::ToBoolean(const TXLSFormulaValue& Value, bool& B) {
  B = false;
  TXLSFormulaValue v;
  std::uint8_t err = 0;
  if (!Resolve(Value, v, err)) return err;
  switch (v.ValueType) {
    case fvtFloat:
      B = v.Number != 0;
      return 0;
    case fvtBoolean:
      B = v.BoolErr != 0;
      return 0;
    case fvtError:
      return v.BoolErr;
    case fvtString: {
      double d = 0;
      if (TextToFloat(v.Text, *Locale_, d)) {
        B = d != 0;
        return 0;
      }
      const std::u16string up = UpperCaseAscii(v.Text);
      if (up == UpperCaseAscii(Locale_->TrueText)) {
        B = true;
        return 0;
      }
      if (up == UpperCaseAscii(Locale_->FalseText)) return 0;
      return errValue;
    }
    case fvtTableRef:
      return errValue;
    default:
      return 0;
  }
}

std::uint8_t TValueStack::GetErrorCode(const TXLSFormulaValue& Value) {
  TXLSFormulaValue v;
  std::uint8_t err = 0;
  if (!Resolve(Value, v, err)) return err;
  return v.ValueType == fvtError ? v.BoolErr : 0;
}

std::uint8_t TValueStack::CellValueType(workbook::TXLSCellMMU* ACells, int ACol, int ARow, std::uint8_t& ValueType) {
  TXLSFormulaValue v;
  ReadCell(ACells, ACol, ARow, v);
  ValueType = v.ValueType;
  if (v.ValueType == fvtError) {
    ValueType = fvtEmpty;
    return v.BoolErr;
  }
  return 0;
}

std::uint8_t TValueStack::ValueKind(const TXLSFormulaValue& Value, std::uint8_t& ValueType) {
  ValueType = fvtEmpty;
  if (Value.Kind == fvkArea || Value.Kind == fvkXArea) {
    int c = Col, r = Row;
    if (!IntersectArea(Value, c, r)) return errValue;
    return CellValueType(Value.Cells, c, r, ValueType);
  }
  if (Value.Kind == fvkAreaList) return errValue;
  if (Value.Kind == fvkArray || Value.Kind == fvkArrayArg) return 0;
  ValueType = Value.ValueType;
  return 0;
}

}  // namespace formula
