// TXLSVarValue: the small value record in which criteria and candidate values are compared, and the
// element of a value array.
#pragma once

#include <cstdint>
#include <string>

namespace formula {

// Value types shared with the formula values.
enum TFormulaValueType : std::uint8_t {
  fvtEmpty = 0,
  fvtFloat = 1,
  fvtBoolean = 2,
  fvtError = 3,
  fvtString = 4,
  fvtTableRef = 6,
};

// Error codes of the workbook model.
enum : std::uint8_t {
  errNull = 1, errDiv0 = 2, errValue = 3, errRef = 4, errName = 5, errNum = 6, errNA = 7, errGettingData = 8,
};

struct TXLSVarValue {
  std::uint8_t Empty = 0;  // 1: the slot holds no value (arrays only)
  std::u16string Text;
  std::uint8_t Type = fvtEmpty;
  std::uint8_t BoolErr = 0;
  double Number = 0;

  static TXLSVarValue FromFloat(double V) {
    TXLSVarValue r;
    r.Type = fvtFloat;
    r.Number = V;
    return r;
  }
  static TXLSVarValue FromBool(bool V) {
    TXLSVarValue r;
    r.Type = fvtBoolean;
    r.BoolErr = V ? 1 : 0;
    return r;
  }
  static TXLSVarValue FromError(std::uint8_t Code) {
    TXLSVarValue r;
    r.Type = fvtError;
    r.BoolErr = Code;
    return r;
  }
  static TXLSVarValue FromString(std::u16string S) {
    TXLSVarValue r;
    r.Type = fvtString;
    r.Text = std::move(S);
    return r;
  }
};

// "#NULL!" .. "#GETTING_DATA" by code 1..8; entry 0 "_ERROR_ERROR_".
const std::u16string& ErrorText(std::uint8_t Code);

}  // namespace formula
