// Three parts of a worksheet's data: the cell notes (comments) with their authors and the VML shape
// each note is drawn with; the autofilter with its filter columns, filter kinds and sort state; and
// the sheet's tables (list objects) with their columns and style.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xml/simple_dom.h"
#include "workbook/cell_references.h"
#include "workbook/colors.h"
#include "workbook/object_list.h"
#include "workbook/style_records.h"
#include "workbook/style_sheet.h"

namespace workbook {

class TXLSClassFactory;

// ---------------------------------------------------------------------------------------------
// Comments

struct TXc12PhoneticRun {
  std::int32_t sb = 0;  // first and end character of the base text
  std::int32_t eb = 0;
  std::u16string Text;
};
using TXc12DynPhoneticRunArray = std::vector<TXc12PhoneticRun>;

class TXc12Author : public TXLSStyleObject {
public:
  explicit TXc12Author(TXLSStyleObjectList* AOwner = nullptr) : TXLSStyleObject(AOwner) {}
  std::u16string Name;
  // Every author hashes alike: look-ups compare names.
  void CalcHash() override { HashValue = 0; }
  // Letter case ignored (Unicode).
  bool Equal(const TXLSStyleObject& Other) const override;
  const std::u16string& GetName() const { return Name; }
  void SetName(const std::u16string& Value) { Name = Value; }
};

class TXc12Authors : public TXLSStyleList<TXc12Author> {
public:
  TXc12Author* AddName(const std::u16string& Name) {
    TXc12Author* a = Add();
    a->Name = Name;
    return a;
  }
  TXc12Author* Find(const std::u16string& Name) const;
  TXc12Author* GetItems(int Index) const { return GetItem(Index); }
};

class TXc12Comments;

class TXc12Comment : public TXc12Data {
public:
  explicit TXc12Comment(TXc12Comments* AOwner) : Owner(AOwner) {}
  TXc12Comments* Owner;
  std::int32_t Col = 0, Row = 0;
  std::int32_t FirstCol = -1, FirstRow = -1;  // where the shape's anchor was made for; -1 until set
  std::u16string Text;
  TXc12DynFontRunArray FontRuns;
  TXc12DynPhoneticRunArray PhoneticRuns;
  TXc12Author* Author = nullptr;
  std::int32_t AuthorId = -1;  // the authorId number while a comments part is read
  std::u16string Guid;
  std::unique_ptr<ooxml::TXpgDOMNode> Shape;
  std::int32_t AuthorIndex = 0;  // position in the written authors list
  std::int32_t Anchor[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  std::uint32_t FillColor = 0xFFFFE1;

  void SetCol(int Value);
  void SetRow(int Value);
  void SetAuthor(TXc12Author* Value) { Author = Value; }
  void SetAuthorId(int Id) { AuthorId = Id; }
  int GetAuthorId() const { return AuthorId; }
  TXLSCellArea GetArea() const { return CellAreaFromCell(Col, Row); }
  // A new shape from the note template with the next shape number of the program.
  void CreateVmlShape();
  // Writes the cell into the shape and moves its anchor by how far the note moved since the anchor
  // was made; the anchor then belongs to the present cell, so repeated saves do not move it again.
  void UpdateVmlShape();
};

class TXc12Comments : public TObjectList<TXc12Comment> {
public:
  using TObjectList<TXc12Comment>::Add;
  explicit TXc12Comments(TXc12DataStyleSheet* AStyleSheet = nullptr) : StyleSheet(AStyleSheet) {}
  TXc12Comment* Add() { return Add(std::make_unique<TXc12Comment>(this)); }
  TXc12Comment* Find(int Col, int Row) const;
  TXc12Comment* GetItems(int Index) const { return GetItem(Index); }
  void Clear() override {
    TObjectList<TXc12Comment>::Clear();
    Authors.Clear();
  }
  TXc12DataStyleSheet* StyleSheet;  // not owned
  TXc12Authors Authors;
};

// The shape number of the last note shape made in this process (0 at start).
int Xc12VmlShapeCounter();

// ---------------------------------------------------------------------------------------------
// Autofilter and sorting

class TXc12DateGroupItem : public TObject {
public:
  std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::uint8_t dateTimeGrouping = 0;  // year, month, day, hour, minute, second
};

template <class T>
class TXc12DataList : public TObjectList<T> {
public:
  using TObjectList<T>::Add;
  T* Add() { return TObjectList<T>::Add(std::make_unique<T>()); }
  T* GetItems(int Index) const { return this->GetItem(Index); }
};

using TXc12DateGroupItems = TXc12DataList<TXc12DateGroupItem>;

class TXc12Filters : public TObject {
public:
  bool blank = false;
  std::uint8_t calendarType = 0;
  std::vector<std::u16string> Values;
  TXc12DateGroupItems DateGroupItems;
  void Clear() {
    blank = false;
    calendarType = 0;
    Values.clear();
    DateGroupItems.Clear();
  }
};

class TXc12Top10 : public TObject {
public:
  bool InUse = false;
  bool top = true;
  bool percent = false;
  double val = 0;
  double filterVal = 0;
  void Clear() { *this = TXc12Top10(); }
};

class TXc12CustomFilter : public TObject {
public:
  std::uint8_t Operator = 0;  // equal, lessThan, lessThanOrEqual, notEqual, greaterThanOrEqual, greaterThan
  std::u16string val;
  void Clear() { *this = TXc12CustomFilter(); }
};

class TXc12CustomFilters : public TObject {
public:
  bool InUse = false;
  TXc12CustomFilter Filter1, Filter2;
  bool And = false;
  void Clear() {
    InUse = false;
    Filter1.Clear();
    Filter2.Clear();
    And = false;
  }
};

class TXc12DynamicFilter : public TObject {
public:
  static constexpr std::uint8_t kNotInUse = 255;
  std::uint8_t Type = kNotInUse;
  double val = 0;
  double maxVal = 0;
  void Clear() { *this = TXc12DynamicFilter(); }
};

class TXc12ColorFilter : public TObject {
public:
  TXc12DXF* dxf = nullptr;  // not owned
  bool cellColor = true;
  void Clear() { *this = TXc12ColorFilter(); }
};

class TXc12IconFilter : public TObject {
public:
  std::uint8_t iconSet = 0;
  std::int32_t iconId = -1;  // -1: no icon id
  void Clear() { *this = TXc12IconFilter(); }
};

class TXc12FilterColumn : public TObject {
public:
  std::int32_t colId = 0;
  bool hiddenButton = false;
  bool showButton = false;
  TXc12Filters Filters;
  TXc12Top10 Top10;
  TXc12CustomFilters CustomFilters;
  TXc12DynamicFilter DynamicFilter;
  TXc12ColorFilter ColorFilter;
  TXc12IconFilter IconFilter;
};

class TXc12FilterColumns : public TObjectList<TXc12FilterColumn> {
public:
  using TObjectList<TXc12FilterColumn>::Add;
  explicit TXc12FilterColumns(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}
  TXc12FilterColumn* Add();
  TXc12FilterColumn* GetItems(int Index) const { return GetItem(Index); }

private:
  TXLSClassFactory* ClassFactory_;
};

class TXc12SortCondition : public TObject {
public:
  bool descending = false;
  std::uint8_t sortBy = 0;  // value, cellColor, fontColor, icon
  TXLSCellArea ref{0, 0, 0, 0};
  std::u16string customList;
  std::int32_t dxfId = -1;
  std::uint8_t iconSet = 0;
  std::int32_t iconId = 0;
};

using TXc12SortConditions = TXc12DataList<TXc12SortCondition>;

class TXc12SortState : public TObject {
public:
  bool columnSort = false;
  bool caseSensitive = false;
  std::uint8_t sortMethod = 2;  // stroke, pinYin, none
  TXLSCellArea Ref;
  TXc12SortConditions SortConditions;
  void Clear() {
    columnSort = caseSensitive = false;
    sortMethod = 2;
    ClearCellArea(Ref);
    SortConditions.Clear();
  }
};

class TXc12AutoFilter : public TObject {
public:
  explicit TXc12AutoFilter(TXLSClassFactory* AClassFactory = nullptr)
      : ClassFactory(AClassFactory), Columns(AClassFactory) {}
  TXLSClassFactory* ClassFactory;  // not owned
  TXc12FilterColumns Columns;
  TXc12SortState SortState;
  TXLSCellArea Ref;
  void Clear() {
    Columns.Clear();
    SortState.Clear();
    ClearCellArea(Ref);
  }
};

// ---------------------------------------------------------------------------------------------
// Tables

class TXc12TableFormula : public TObject {
public:
  bool Array = false;
  std::u16string Text;
};

class TXc12XmlColumnPr : public TObject {
public:
  std::int32_t mapId = 0;
  std::u16string xpath;
  bool denormalized = false;
  std::uint8_t xmlDataType = 0;
};

class TXc12TableColumn : public TXc12Data {
public:
  std::int32_t id = 0;
  std::u16string uniqueName;
  std::u16string Name;
  std::uint8_t totalsRowFunction = 0;  // none, sum, min, max, average, count, countNums, stdDev, var, custom
  std::u16string totalsRowLabel;
  std::int32_t queryTableFieldId = 0;
  std::u16string headerRowDxfId, dataDxfId, totalsRowDxfId;
  std::u16string headerRowCellStyle, dataCellStyle, totalsRowCellStyle;
  TXc12TableFormula CalculatedColumnFormula;
  TXc12TableFormula TotalsRowFormula;
  TXc12XmlColumnPr XmlColumnPr;
};

using TXc12TableColumns = TXc12DataList<TXc12TableColumn>;

class TXc12TableStyleInfo : public TObject {
public:
  std::u16string name;
  bool showFirstColumn = false, showLastColumn = false, showRowStripes = false, showColumnStripes = false;
  void Clear() { *this = TXc12TableStyleInfo(); }
};

class TXc12Table : public TXc12Data {
public:
  explicit TXc12Table(TXLSClassFactory* AClassFactory = nullptr) : ClassFactory(AClassFactory), AutoFilter(AClassFactory) {}
  TXLSClassFactory* ClassFactory;
  std::int32_t id = 0;
  std::u16string Name;
  std::u16string displayName, comment;
  TXLSCellArea Ref;
  std::uint8_t tableType = 0;  // worksheet, xml, queryTable
  std::int32_t headerRowCount = 1;
  bool insertRow = false, insertRowShift = false;
  std::int32_t totalsRowCount = 0;
  bool totalsRowShown = true;
  bool published = false;
  std::u16string headerRowDxfId, dataDxfId, totalsRowDxfId, headerRowBorderDxfId, tableBorderDxfId,
      totalsRowBorderDxfId, headerRowCellStyle, dataCellStyle, totalsRowCellStyle;
  std::int32_t connectionId = 0;
  TXc12AutoFilter AutoFilter;
  TXc12SortState SortState;
  TXc12TableColumns Columns;
  TXc12TableStyleInfo StyleInfo;
  ooxml::TXpgSimpleDOM QueryTable;

  bool ContainsCell(int Col, int Row) const {
    return Col >= Ref.Col1 && Col <= Ref.Col2 && Row >= Ref.Row1 && Row <= Ref.Row2;
  }
  void Clear();
};

class TXc12Tables : public TObjectList<TXc12Table> {
public:
  using TObjectList<TXc12Table>::Add;
  explicit TXc12Tables(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}
  TXc12Table* Add() { return Add(std::make_unique<TXc12Table>(ClassFactory_)); }
  TXc12Table* GetItems(int Index) const { return GetItem(Index); }
  // Letter case ignored (Unicode); -1 when none.
  int FindByName(const std::u16string& Name) const;
  int FindByCell(int Col, int Row) const;
  // The index within its table of the first column named Name (normalised); -1 when none.
  int FindColumn(const std::u16string& Name) const;
  // A single apostrophe escapes the next character and is dropped; two give one; then upper case.
  static void NormalizeColumnName(const std::u16string& Name, std::u16string& Result);

private:
  TXLSClassFactory* ClassFactory_;
};

}  // namespace workbook
