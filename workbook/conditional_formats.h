// Conditional formats and data validations of a worksheet: cell areas with their rules, each rule
// holding its SpreadsheetML attributes with the schema's defaults (255: an optional value not
// given), its formulas as text and their compiled forms, and the colour-scale, data-bar and icon-set
// settings. Both follow cell moves, copies and deletions through their areas.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/cell_areas.h"
#include "workbook/colors.h"
#include "workbook/style_records.h"

namespace workbook {

class TXLSClassFactory;
class TXc12DataWorksheet;

inline constexpr std::uint8_t kXc12NotGiven = 255;

// Formula byte code; empty when not compiled.
using TXc12CompiledFormula = std::vector<std::uint8_t>;

class TXc12Cfvo : public TObject {
public:
  std::uint8_t type = 0;  // num, percent, max, min, formula, percentile
  std::u16string val;
  bool gte = true;
  TXc12CompiledFormula Compiled;
  void Clear() {
    type = 0;
    val.clear();
    gte = true;
    Compiled.clear();
  }
};

class TXc12Cfvos : public TObjectList<TXc12Cfvo> {
public:
  using TObjectList<TXc12Cfvo>::Add;
  TXc12Cfvo* Add() { return Add(std::make_unique<TXc12Cfvo>()); }
};

class TXc12Colors {
public:
  void Add(const TXc12Color& Color) { items_.push_back(Color); }
  void GetItem(int Index, TXc12Color& Color) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

private:
  std::vector<TXc12Color> items_;
};

class TXc12ColorScale : public TObject {
public:
  TXc12Cfvos Cfvos;
  TXc12Colors Colors;
  void Clear() {
    Cfvos.Clear();
    Colors.Clear();
  }
};

class TXc12DataBar : public TObject {
public:
  TXc12DataBar() { Clear(); }
  std::int32_t minLength = 10;
  std::int32_t maxLength = 90;
  bool showValue = true;
  TXc12Color Color;
  TXc12Cfvo Cfvo1, Cfvo2;
  void Clear();
};

class TXc12IconSet : public TObject {
public:
  std::uint8_t iconSet = 3;  // 3Arrows .. 5Quarters; 3 = 3TrafficLights1
  bool showValue = true;
  bool percent = true;
  bool reverse = false;
  TXc12Cfvos Cfvos;
  void Clear() {
    iconSet = 3;
    showValue = percent = true;
    reverse = false;
    Cfvos.Clear();
  }
};

class TXc12CfRule : public TObject {
public:
  TXc12CfRule() { Clear(); }
  std::array<std::u16string, 3> Formulas;
  std::array<TXc12CompiledFormula, 3> Compiled;
  std::uint8_t type = kXc12NotGiven;
  TXc12DXF* dxf = nullptr;  // not owned
  std::int32_t priority = 0;
  bool stopIfTrue = false;
  bool aboveAverage = true;
  bool percent = false;
  bool bottom = false;
  std::uint8_t Operator = kXc12NotGiven;
  std::u16string text;
  std::uint8_t timePeriod = kXc12NotGiven;
  std::int32_t rank = 0;
  std::int32_t stdDev = 0;
  bool equalAverage = false;
  TXc12ColorScale ColorScale;
  TXc12DataBar DataBar;
  TXc12IconSet IconSet;

  // Index 0..2, else "Index out of range".
  void GetFormula(int Index, std::u16string& Text) const;
  // Stores the text and drops the compiled form, so that it is compiled again when needed.
  void SetFormula(int Index, const std::u16string& Text);
  // Everything but the formulas and their compiled forms.
  void Clear();
};

class TXc12CfRules : public TObjectList<TXc12CfRule> {
public:
  using TObjectList<TXc12CfRule>::Add;
  TXc12CfRule* Add() { return Add(std::make_unique<TXc12CfRule>()); }
};

// An item that follows cell moves through its areas (sqref). The programming interface's
// subclasses may refine the operations.
class TXc12AreaMoveCopyItem : public TXLSMoveCopyItem {
public:
  TCellAreas Sqref;
  bool Intersect(int Col1, int Row1, int Col2, int Row2) override { return Sqref.AnyIntersects(Col1, Row1, Col2, Row2); }
  void Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override {
    Sqref.Copy(Col1, Row1, Col2, Row2, DeltaCol, DeltaRow);
  }
  void Delete(int Col1, int Row1, int Col2, int Row2) override { Sqref.Delete(Col1, Row1, Col2, Row2); }
  void Include(int Col1, int Row1, int Col2, int Row2) override { Sqref.Include(Col1, Row1, Col2, Row2); }
  void Move(int DeltaCol, int DeltaRow) override { Sqref.Move(DeltaCol, DeltaRow); }
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override {
    Sqref.MoveArea(Col1, Row1, Col2, Row2, DeltaCol, DeltaRow);
  }
};

class TXc12ConditionalFormatting : public TXc12AreaMoveCopyItem {
public:
  bool pivot = false;
  TXc12CfRules Rules;
  void Assign(const TXLSMoveCopyItem& Source) override;
  // Empties the areas and the rules (pivot stays).
  void Clear() {
    Sqref.Clear();
    Rules.Clear();
  }
};

class TXc12ConditionalFormattings : public TObject, public TXLSMoveCopyList {
public:
  explicit TXc12ConditionalFormattings(TXLSClassFactory* AClassFactory = nullptr) : ClassFactory(AClassFactory) {}
  TXLSMoveCopyItem* AddItem() override { return TXLSMoveCopyList::Add(CreateItem()); }
  // A new conditional format of the class the factory makes.
  virtual std::unique_ptr<TXc12ConditionalFormatting> CreateItem();
  TXc12ConditionalFormatting* Add() { return static_cast<TXc12ConditionalFormatting*>(AddItem()); }
  TXc12ConditionalFormatting* GetItem(int Index) const {
    return static_cast<TXc12ConditionalFormatting*>(TXLSMoveCopyList::GetItem(Index));
  }
  TXLSClassFactory* ClassFactory;
  TXc12DataWorksheet* Sheet = nullptr;  // set by the sheet
};

class TXc12DataValidation : public TXc12AreaMoveCopyItem {
public:
  std::uint8_t type = 0;        // none, whole, decimal, list, date, time, textLength, custom
  std::uint8_t errorStyle = 0;  // stop, warning, information
  std::uint8_t imeMode = 0;
  std::uint8_t Operator = 0;  // between, notBetween, equal, notEqual, lessThan, ...
  bool allowBlank = false, showDropDown = false, showInputMessage = false, showErrorMessage = false;
  std::u16string errorTitle, error, promptTitle, prompt;
  std::u16string formula1, formula2;
  void Assign(const TXLSMoveCopyItem& Source) override;
  void Clear();
};

class TXc12DataValidations : public TObject, public TXLSMoveCopyList {
public:
  explicit TXc12DataValidations(TXLSClassFactory* AClassFactory = nullptr) : ClassFactory(AClassFactory) {}
  TXLSMoveCopyItem* AddItem() override;
  TXc12DataValidation* Add() { return static_cast<TXc12DataValidation*>(AddItem()); }
  TXc12DataValidation* GetItem(int Index) const {
    return static_cast<TXc12DataValidation*>(TXLSMoveCopyList::GetItem(Index));
  }
  // Frees the items and resets the three header fields.
  void Clear() override {
    TXLSMoveCopyList::Clear();
    disablePrompts = false;
    xWindow = yWindow = 0;
  }
  TXLSClassFactory* ClassFactory;
  bool disablePrompts = false;
  std::int32_t xWindow = 0, yWindow = 0;
};

}  // namespace workbook
