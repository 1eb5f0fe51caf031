// External links of a workbook: for each linked workbook its sheet names, defined names and the
// cached values of the cells this workbook's formulas refer to; for DDE and OLE links their items
// and values. The linked files are never opened: the cached values are what the evaluator sees.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/object_list.h"

namespace workbook {

enum TXc12XValueType : std::uint8_t { xvtNil, xvtBoolean, xvtError, xvtNumber, xvtString };

// A cached value. A cleared value is the number 0.
class TXc12XCellValue : public TObject {
public:
  std::uint8_t ValueType = xvtNumber;
  std::uint8_t Byte = 0;  // the boolean (0 or 1) or the error code
  double Number = 0;
  std::u16string String;  // only for xvtString

  void Clear() {
    ValueType = xvtNumber;
    Byte = 0;
    Number = 0;
    String.clear();
  }
  void SetAsBoolean(bool Value);
  void SetAsError(std::uint8_t Code);
  void SetAsFloat(double Value);
  void SetAsString(const std::u16string& Text);
  void SetNil(bool Flag);
  // Booleans as the workbook's boolean texts, errors as their text, numbers in general format with
  // up to 15 significant digits and the locale's decimal separator; nil as "".
  std::u16string GetAsString() const;
  void AssignValue(const TXc12XCellValue& Other) {
    ValueType = Other.ValueType;
    Byte = Other.Byte;
    Number = Other.Number;
    String = Other.String;
  }
};

class TXc12XCell : public TXc12XCellValue {
public:
  std::int32_t Col = 0;
  std::int32_t Row = 0;
  std::int32_t vm = 0;
  std::u16string GetRef() const;
  // False (and Col, Row unchanged) when Text is no A1 reference.
  bool SetRef(const std::u16string& Text);
};

class TXc12XRow : public TObjectList<TXc12XCell> {
public:
  using TObjectList<TXc12XCell>::Add;
  std::int32_t Row = 0;
  TXc12XCell* Add() { return Add(std::make_unique<TXc12XCell>()); }
};

class TXc12XSheetData : public TObjectList<TXc12XRow> {
public:
  using TObjectList<TXc12XRow>::Add;
  std::int32_t sheetId = 0;
  bool refreshError = false;
  TXc12XRow* Add() { return Add(std::make_unique<TXc12XRow>()); }
  // The first row numbered Row, then its first cell in column Col; False when there is none.
  bool FindValue(int Col, int Row, TXc12XCellValue& Value) const;
};

class TXc12XSheetDataSet : public TObjectList<TXc12XSheetData> {
public:
  using TObjectList<TXc12XSheetData>::Add;
  TXc12XSheetData* Add() { return Add(std::make_unique<TXc12XSheetData>()); }
};

class TXc12XDefinedName : public TObject {
public:
  std::u16string name;
  std::u16string refersTo;
  std::int32_t sheetId = 0;
};

class TXc12XDefinedNames : public TObjectList<TXc12XDefinedName> {
public:
  using TObjectList<TXc12XDefinedName>::Add;
  TXc12XDefinedName* Add() { return Add(std::make_unique<TXc12XDefinedName>()); }
};

class TXc12XExternalBook : public TObject {
public:
  std::vector<std::u16string> SheetNames;
  TXc12XDefinedNames DefinedNames;
  TXc12XSheetDataSet SheetDataSet;
  std::u16string Target;
  // The first sheet name equal to Name, letter case ignored; -1 when none.
  int FindSheet(const std::u16string& Name) const;
};

class TXc12DdeValue : public TXc12XCellValue {};

class TXc12DdeValues : public TObjectList<TXc12DdeValue> {
public:
  using TObjectList<TXc12DdeValue>::Add;
  std::int32_t Cols = 0;
  std::int32_t Rows = 0;
  TXc12DdeValue* Add() { return Add(std::make_unique<TXc12DdeValue>()); }
};

class TXc12DdeItem : public TObject {
public:
  std::u16string name;
  bool ole = false, advise = false, preferPic = false;
  TXc12DdeValues Values;
};

class TXc12DdeLink : public TObjectList<TXc12DdeItem> {
public:
  using TObjectList<TXc12DdeItem>::Add;
  std::u16string ddeService;
  std::u16string ddeTopic;
  TXc12DdeItem* Add() { return Add(std::make_unique<TXc12DdeItem>()); }
};

class TXc12OleItem : public TObject {
public:
  std::u16string name;
  bool icon = false, advise = false, preferPic = false;
};

class TXc12OleLink : public TObjectList<TXc12OleItem> {
public:
  using TObjectList<TXc12OleItem>::Add;
  std::u16string Target;
  std::u16string progId;
  TXc12OleItem* Add() { return Add(std::make_unique<TXc12OleItem>()); }
};

class TXc12ExternalLink : public TObject {
public:
  TXc12XExternalBook ExternalBook;
  TXc12DdeLink DdeLink;
  TXc12OleLink OleLink;
};

class TXc12DataXLinks : public TObjectList<TXc12ExternalLink> {
public:
  using TObjectList<TXc12ExternalLink>::Add;
  TXc12ExternalLink* Add() { return Add(std::make_unique<TXc12ExternalLink>()); }
  // The 0-based link of a book text: its bracketed number (1-based) or its target, letter case
  // ignored; -1 when none.
  int Find(const std::u16string& BookText) const;
  // False when LinkIndex is no link or SheetIndex no sheet of it, or the cell is not cached.
  bool GetValue(int LinkIndex, int SheetIndex, int Col, int Row, TXc12XCellValue& Value) const;
};

// General number text: up to 15 significant digits, the library's decimal separator.
std::u16string XLinkFloatToStr(double Value);

}  // namespace workbook
