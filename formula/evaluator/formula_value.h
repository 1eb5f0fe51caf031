// TXLSFormulaValue: every intermediate and final value of a formula calculation, and the record
// handed to user functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formula/support/var_value.h"
#include "workbook/cell_areas.h"
#include "workbook/cell_store.h"

namespace formula {

class TXLSArrayItem;

enum TFormulaValueKind : std::uint8_t {
  fvkValue = 0,     // a plain value
  fvkCell = 1,      // a single-cell reference whose cell value has been read in
  fvkArea = 2,      // an area on one sheet
  fvkXArea = 3,     // an area form no reader of the engine accepts
  fvkAreaList = 4,  // areas, each with the cell store of its sheet in its Spare field
  fvkArray = 5,
  fvkArrayArg = 6,  // only inside an array-formula function call
};

struct TXLSFormulaValue {
  std::uint8_t NoCell = 0;  // read from a position that holds no cell
  std::uint8_t Kind = fvkValue;
  workbook::TXLSCellMMU* Cells = nullptr;  // kinds 1..3
  std::int32_t Col1 = 0, Col2 = 0, Row1 = 0, Row2 = 0;
  std::u16string Text;
  std::uint8_t ValueType = fvtEmpty;
  std::uint8_t BoolErr = 0;
  double Number = 0;
  workbook::TCellAreas* Areas = nullptr;  // kind 4
  TXLSArrayItem* Array = nullptr;         // kind 5
  std::int32_t TablePart = 0;             // type 6

  bool IsRef() const { return Kind >= fvkCell && Kind <= fvkAreaList; }
  bool IsError() const { return Kind <= fvkCell && ValueType == fvtError; }

  void SetEmpty() { *this = TXLSFormulaValue(); }
  void SetFloat(double V) {
    SetEmpty();
    ValueType = fvtFloat;
    Number = V;
  }
  void SetBool(bool V) {
    SetEmpty();
    ValueType = fvtBoolean;
    BoolErr = V ? 1 : 0;
  }
  void SetError(std::uint8_t Code) {
    SetEmpty();
    ValueType = fvtError;
    BoolErr = Code;
  }
  void SetString(std::u16string S) {
    SetEmpty();
    ValueType = fvtString;
    Text = std::move(S);
  }
};

class TXLSUserFuncData {
public:
  TXLSUserFuncData() { Result.SetError(errName); }
  std::vector<TXLSFormulaValue> Args;  // last argument first
  TXLSFormulaValue Result;
};

}  // namespace formula
