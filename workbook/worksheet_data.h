// The data of one worksheet: its cell store and every other part a sheet carries (columns, notes,
// hyperlinks, merged cells, autofilter, views, sheet properties, protection, scenarios, sorting,
// consolidation, conditional formats, validations, print settings, page breaks, smart tags, web
// publishing, OLE objects, controls, ignored errors, tables and the drawing), and the list of all
// sheets in sheet order. Settings objects hold their SpreadsheetML attributes with the schema's
// defaults; enumerations are bytes holding the position of the value in the schema's list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "xml/simple_dom.h"
#include "workbook/cell_areas.h"
#include "workbook/cell_store.h"
#include "workbook/colors.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/sheet_views.h"
#include "workbook/workbook_data.h"

namespace workbook {

class TXc12DataSST;
class TXc12DataStyleSheet;

// ---------------------------------------------------------------------------------------------
// Columns

enum : std::uint8_t { xcfHidden = 1, xcfBestFit = 2, xcfCustomWidth = 4, xcfPhonetic = 8, xcfCollapsed = 16 };

class TXc12Column : public TXc12Data {
public:
  std::int32_t Min = 0, Max = 0;  // first and last column covered
  double Width = 0;               // characters of the default font
  TXc12XF* Style = nullptr;       // its use is counted by the caller
  std::int32_t OutlineLevel = 0;
  std::uint8_t Flags = 0;
};

class TXc12Columns : public TObjectList<TXc12Column> {
public:
  using TObjectList<TXc12Column>::Add;
  TXc12Column* Add(TXc12XF* Style) {
    auto c = std::make_unique<TXc12Column>();
    c->Style = Style;
    return Add(std::move(c));
  }
};

// ---------------------------------------------------------------------------------------------
// Hyperlinks and merged cells

enum TXc12HyperlinkType : std::uint8_t { xhltUnknown, xhltURL, xhltFile, xhltUNC, xhltWorkbook };

// The area of a hyperlink is its Ref; the programming interface's subclass may keep it elsewhere.
class TXc12Hyperlink : public TCellArea {
public:
  std::uint8_t Kind = xhltUnknown;
  std::u16string Display;
  std::u16string Address;  // external target, or the location for kind 4
  std::u16string Location;
  TXLSCellArea Ref;
  std::u16string Tooltip;

  int GetCol1() const override { return Ref.Col1; }
  int GetRow1() const override { return Ref.Row1; }
  int GetCol2() const override { return Ref.Col2; }
  int GetRow2() const override { return Ref.Row2; }
  void SetCol1(int Value) override { Ref.Col1 = Value; }
  void SetRow1(int Value) override { Ref.Row1 = Value; }
  void SetCol2(int Value) override { Ref.Col2 = Value; }
  void SetRow2(int Value) override { Ref.Row2 = Value; }
  // Classifies the address into Kind; nothing here.
  virtual void AddressChanged() {}
  void SetAddress(const std::u16string& Text) {
    Address = Text;
    AddressChanged();
  }
  void Clear() {
    Kind = xhltUnknown;
    Display.clear();
    Address.clear();
    Location.clear();
    ClearCellArea(Ref);
    Tooltip.clear();
  }
};

class TXc12Hyperlinks : public TObject, public TCellAreas {
public:
  explicit TXc12Hyperlinks(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}
  std::unique_ptr<TCellArea> CreateArea() override;
  // A new cleared hyperlink, appended.
  TXc12Hyperlink* Add();
  TXc12Hyperlink* GetItem(int Index) const { return static_cast<TXc12Hyperlink*>(TCellAreas::GetItem(Index)); }

private:
  TXLSClassFactory* ClassFactory_;
};

class TXc12MergedCell : public TCellArea {
public:
  TXLSCellArea Area{0, 0, 0, 0};
  int GetCol1() const override { return Area.Col1; }
  int GetRow1() const override { return Area.Row1; }
  int GetCol2() const override { return Area.Col2; }
  int GetRow2() const override { return Area.Row2; }
  void SetCol1(int Value) override { Area.Col1 = Value; }
  void SetRow1(int Value) override { Area.Row1 = Value; }
  void SetCol2(int Value) override { Area.Col2 = Value; }
  void SetRow2(int Value) override { Area.Row2 = Value; }
};

class TXc12MergedCells : public TObject, public TSolidCellAreas {
public:
  explicit TXc12MergedCells(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}
  std::unique_ptr<TCellArea> CreateArea() override;
  TXc12MergedCell* AddArea(const TXLSCellArea& Area);
  TXc12MergedCell* GetItem(int Index) const { return static_cast<TXc12MergedCell*>(TSolidCellAreas::GetItem(Index)); }

private:
  TXLSClassFactory* ClassFactory_;
};

// ---------------------------------------------------------------------------------------------
// Sheet properties

class TXc12OutlinePr : public TObject {
public:
  bool applyStyles = false;
  bool summaryBelow = true, summaryRight = true, showOutlineSymbols = true;
};

class TXc12PageSetupPr : public TObject {
public:
  bool autoPageBreaks = true;
  bool fitToPage = false;
};

class TXc12SheetPr : public TObject {
public:
  TXc12SheetPr() { Clear(); }
  bool syncHorizontal = false, syncVertical = false;
  TXLSCellArea syncRef;
  bool transitionEvaluation = false, transitionEntry = false;
  bool published = true;
  std::u16string codeName;
  bool filterMode = false;
  bool enableFormatConditionsCalculation = true;
  TXc12Color tabColor;
  TXc12OutlinePr OutlinePr;
  TXc12PageSetupPr PageSetUpPr;
  void Clear();
};

class TXc12SheetFormatPr : public TObject {
public:
  std::int32_t baseColWidth = 8;
  double defaultColWidth = 0;
  double defaultRowHeight = 0;
  bool customHeight = false, zeroHeight = false, thickTop = false, thickBottom = false;
  std::int32_t outlineLevelRow = 0, outlineLevelCol = 0;
  void Clear() { *this = TXc12SheetFormatPr(); }
};

class TXc12SheetCalcPr : public TObject {
public:
  bool fullCalcOnLoad = false;
  void Clear() { *this = TXc12SheetCalcPr(); }
};

class TXc12SheetProtection : public TObject {
public:
  std::uint16_t password = 0;
  bool sheet = false, objects = false, scenarios = false;
  bool formatCells = true, formatColumns = true, formatRows = true, insertColumns = true, insertRows = true,
       insertHyperlinks = true, deleteColumns = true, deleteRows = true;
  bool selectLockedCells = false;
  bool sort = true, autoFilter = true, pivotTables = true;
  bool selectUnlockedCells = false;
  void Clear() { *this = TXc12SheetProtection(); }
};

class TXc12ProtectedRange : public TObject {
public:
  std::int32_t password = 0;
  TCellAreas sqref;
  std::u16string name, securityDescriptor;
};

class TXc12InputCell : public TObject {
public:
  std::int32_t Row = 0, Col = 0;
  bool deleted = false, undone = false;
  std::u16string val;
  TXc12NumberFormat* numFmt = nullptr;  // not owned
};

class Tx12InputCells : public TObjectList<TXc12InputCell> {
public:
  using TObjectList<TXc12InputCell>::Add;
  // A new input cell at the A1 reference Text (A1 when Text is none).
  TXc12InputCell* AddFromText(const std::u16string& Text);
};

class TXc12Scenario : public TObject {
public:
  std::u16string name;
  bool locked = false, hidden = false;
  std::int32_t count = 0;
  std::u16string user, comment;
  Tx12InputCells InputCells;
  void Clear() {
    name.clear();
    locked = hidden = false;
    user.clear();
    comment.clear();
    InputCells.Clear();
  }
};

class TXc12Scenarios : public TXc12DataList<TXc12Scenario> {
public:
  std::int32_t current = 0, show = 0;
  TCellAreas sqref;
  void Clear() override {
    TXc12DataList<TXc12Scenario>::Clear();
    current = show = 0;
  }
};

class TXc12DataRef : public TObject {
public:
  TXLSCellArea ref;
  std::u16string name, sheet, RId;
};

class TXc12DataConsolidate : public TObject {
public:
  std::uint8_t function = 8;  // average .. varp; 8 = sum
  bool leftLabels = false, topLabels = false, link = false;
  TXc12DataList<TXc12DataRef> DataRefs;
  void Clear() {
    function = 8;
    leftLabels = topLabels = link = false;
    DataRefs.Clear();
  }
};

class TXc12PhoneticPr : public TObject {
public:
  std::int32_t fontId = 0;
  std::uint8_t type = 1;       // halfwidthKatakana, fullwidthKatakana, Hiragana, noConversion
  std::uint8_t alignment = 1;  // noControl, left, center, distributed
  void Clear() { *this = TXc12PhoneticPr(); }
};

class TXc12CustomProperty : public TObject {
public:
  std::u16string name, RId;
};

class TXc12IgnoredError : public TObject {
public:
  TCellAreas sqref;
  bool evalError = false, twoDigitTextYear = false, numberStoredAsText = false, formula = false,
       formulaRange = false, unlockedFormula = false, emptyCellReference = false, listDataValidation = false,
       calculatedColumn = false;
};

class TXc12CellSmartTagPr : public TObject {
public:
  std::u16string key, val;
};

class TXc12CellSmartTag : public TXc12DataList<TXc12CellSmartTagPr> {
public:
  std::int32_t type = 0;
  bool deleted = false, xmlBased = false;
  void Clear() override {
    TXc12DataList<TXc12CellSmartTagPr>::Clear();
    type = 0;
    deleted = xmlBased = false;
  }
};

class TXc12CellSmartTags : public TXc12DataList<TXc12CellSmartTag> {
public:
  TCellRef Ref;
  void Clear() override {
    TXc12DataList<TXc12CellSmartTag>::Clear();
    Ref.Clear();
  }
};

class TXc12WebPublishItem : public TObject {
public:
  std::int32_t id = 0;
  std::u16string divId;
  std::uint8_t sourceType = 0;  // sheet, printArea, autoFilter, range, chart, pivotTable, query, label
  TCellRef sourceRef;
  std::u16string sourceObject, destinationFile, title;
  bool autoRepublish = false;
};

class TXc12Control : public TObject {
public:
  std::int32_t shapeId = 0;
  std::u16string RId;
  std::u16string name;
};

class TXc12OleObject : public TObject {
public:
  std::u16string progId;
  std::uint8_t dvAspect = 0;  // DVASPECT_CONTENT, DVASPECT_ICON
  std::u16string link;
  std::uint8_t oleUpdate = 0;  // OLEUPDATE_ALWAYS, OLEUPDATE_ONCALL
  bool autoLoad = false;
  std::int32_t shapeId = 0;
  std::u16string RId;
};

using TXc12ProtectedRanges = TXc12DataList<TXc12ProtectedRange>;
using TXc12CustomProperties = TXc12DataList<TXc12CustomProperty>;
using TXc12IgnoredErrors = TXc12DataList<TXc12IgnoredError>;
using TXc12SmartTags = TXc12DataList<TXc12CellSmartTags>;
using TXc12WebPublishItems = TXc12DataList<TXc12WebPublishItem>;
using TXc12Controls = TXc12DataList<TXc12Control>;
using TXc12OleObjects = TXc12DataList<TXc12OleObject>;


// ---------------------------------------------------------------------------------------------

class TXc12DataWorksheet : public TIndexObject {
public:
  TXc12DataWorksheet(TXLSClassFactory* ClassFactory, TXc12DataStyleSheet* StyleSheet, TXc12DataSST* SST, int Index);
  ~TXc12DataWorksheet() override;
  TXc12DataWorksheet(const TXc12DataWorksheet&) = delete;
  TXc12DataWorksheet& operator=(const TXc12DataWorksheet&) = delete;

  void GetDimension(TXLSCellArea& Area) const { Area = Cells->Dimension(); }
  void SetDimension(const TXLSCellArea& Area) { Cells->SetDimension(Area); }
  // The name as formula text shows it: unchanged when only ASCII letters and digits, else quoted
  // with apostrophes (an apostrophe inside doubled).
  std::u16string GetQuotedName() const;

  TXLSClassFactory* ClassFactory;    // not owned
  TXc12DataSST* SST;                 // not owned
  TXc12DataStyleSheet* StyleSheet;   // not owned
  std::unique_ptr<TXLSCellMMU> Cells;
  TXc12Columns Columns;
  TXc12Comments Comments;
  std::unique_ptr<TXc12Hyperlinks> Hyperlinks;
  std::unique_ptr<TXc12MergedCells> MergedCells;
  std::unique_ptr<TXc12AutoFilter> AutoFilter;
  TXc12CustomSheetViews CustomSheetViews;
  TXc12SheetViews SheetViews;
  TXLSPivotTables PivotTables;
  TXc12SheetPr SheetPr;
  TXc12SheetFormatPr SheetFormatPr;
  TXc12SheetCalcPr SheetCalcPr;
  TXc12SheetProtection SheetProtection;
  TXc12ProtectedRanges ProtectedRanges;
  TXc12Scenarios Scenarios;
  TXc12SortState SortState;
  TXc12DataConsolidate DataConsolidate;
  TXc12PhoneticPr PhoneticPr;
  std::unique_ptr<TXc12ConditionalFormattings> ConditionalFormats;
  std::unique_ptr<TXc12DataValidations> DataValidations;
  TXc12PrintOptions PrintOptions;
  TXc12PageMargins PageMargins;
  TXc12PageSetup PageSetup;
  TXc12HeaderFooter HeaderFooter;
  TXc12PageBreaks RowBreaks;
  TXc12PageBreaks ColBreaks;
  TXc12CustomProperties CustomProperties;
  TCellRefs CellWatches;
  TXc12IgnoredErrors IgnoredErrors;
  TXc12SmartTags SmartTags;
  TXc12OleObjects OleObjects;
  TXc12Controls Controls;
  TXc12WebPublishItems WebPublishItems;
  TXc12Tables Tables;
  // The sheet's drawing document, made by the class factory; nil until the drawing bindings exist.
  std::unique_ptr<TObject> Drawing;
  ooxml::TXpgSimpleDOM VmlDrawing;
  std::u16string Name;
  std::int32_t SheetId = 0;
  std::uint8_t State = 0;  // visible, hidden, veryHidden
  std::u16string RelationshipId;
  bool IsChartsheet = false;
};

class TXc12DataWorksheets : public TIndexObjectList<TXc12DataWorksheet> {
public:
  TXc12DataWorksheets(TXLSClassFactory* ClassFactory, TXc12DataStyleSheet* StyleSheet, TXc12DataSST* SST)
      : ClassFactory_(ClassFactory), StyleSheet_(StyleSheet), SST_(SST) {}

  // SheetId < 0: Count + 1.
  TXc12DataWorksheet* Add(int SheetId);
  // A new sheet at Index (0..Count); the later sheets move up.
  TXc12DataWorksheet* InsertSheet(int Index, int SheetId);
  // Frees the sheet; the later sheets move down.
  void DeleteSheet(int Index);
  // Moves a sheet to position To.
  void MoveSheet(int From, int To);
  // Letter case ignored (Unicode); -1 when none.
  int Find(const std::u16string& Name) const;
  TXc12DataWorksheet* FindByCells(const TXLSCellMMU* Cells) const;
  // Frees every sheet; the SST and the style sheet are cleared by their owner after this.
  void Clear() override;

private:
  void SyncStoreIndexes();
  TXLSClassFactory* ClassFactory_;
  TXc12DataStyleSheet* StyleSheet_;
  TXc12DataSST* SST_;
};

}  // namespace workbook
