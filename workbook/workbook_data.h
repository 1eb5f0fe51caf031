// Workbook-level data of the model: the settings that belong neither to a sheet nor to the style
// sheet (file version, sharing, properties, protection, window views, calculation, web publishing,
// recovery), the sheet list as the workbook part names it, function groups, defined names, and the
// class factory through which the model creates the programming interface's own subclasses.
// Settings objects hold the attributes of their SpreadsheetML element with the schema's defaults;
// enumerations are bytes holding the position of the value in the schema's list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xml/simple_dom.h"
#include "workbook/cell_references.h"
#include "workbook/object_list.h"
#include "workbook/pivot_data.h"
#include "workbook/style_sheet.h"

namespace workbook {

// Kinds of objects the class factory makes.
enum TFactoryObjectKind : std::uint8_t {
  fokNames,
  fokName,
  fokMergedCells,
  fokMergedCell,
  fokHyperlinks,
  fokHyperlink,
  fokDataValidations,
  fokDataValidation,
  fokConditionalFormat,
  fokConditionalFormats,
  fokAutofilter,
  fokAutofilterColumn,
  fokDrawing
};

// Makes the objects of the model that the programming interface subclasses. Returning nil lets the
// model make its own plain data class (the drawing has none: it stays nil).
class TXLSClassFactory {
public:
  virtual ~TXLSClassFactory() = default;
  virtual std::unique_ptr<TObject> CreateObject(std::uint8_t Kind, TObject* Owner) = 0;
};

// A factory that makes nothing: every list falls back to the plain data classes.
class TXc12DataClassFactory : public TXLSClassFactory {
public:
  std::unique_ptr<TObject> CreateObject(std::uint8_t, TObject*) override { return nullptr; }
};

// Takes the object the factory made when it is of class T, else makes a plain Fallback.
// Args go to the plain class's constructor.
template <class T, class... Args>
std::unique_ptr<T> FactoryCreate(TXLSClassFactory* Factory, std::uint8_t Kind, TObject* Owner, Args&&... args) {
  if (Factory) {
    std::unique_ptr<TObject> obj = Factory->CreateObject(Kind, Owner);
    if (auto* typed = dynamic_cast<T*>(obj.get())) {
      obj.release();
      return std::unique_ptr<T>(typed);
    }
  }
  return std::make_unique<T>(std::forward<Args>(args)...);
}

// ---------------------------------------------------------------------------------------------
// Settings

class TXc12FileVersion {
public:
  std::u16string appName = u"xl";
  std::u16string lastEdited = u"4";
  std::u16string lowestEdited = u"4";
  std::u16string rupBuild = u"5241";
  std::u16string codeName;
  void Clear() { *this = TXc12FileVersion(); }
  // Each setter ignores an empty text.
  void SetAppName(const std::u16string& S) { if (!S.empty()) appName = S; }
  void SetLastEdited(const std::u16string& S) { if (!S.empty()) lastEdited = S; }
  void SetLowestEdited(const std::u16string& S) { if (!S.empty()) lowestEdited = S; }
  void SetRupBuild(const std::u16string& S) { if (!S.empty()) rupBuild = S; }
  void SetCodeName(const std::u16string& S) { if (!S.empty()) codeName = S; }
};

class TXc12FileSharing {
public:
  bool readOnlyRecommended = false;
  std::u16string userName;
  std::int32_t reservationPassword = 0;
  void Clear() { *this = TXc12FileSharing(); }
};

class TXc12WorkbookPr {
public:
  bool date1904 = false;
  std::uint8_t showObjects = 0;  // all, placeholders, none
  bool showBorderUnselectedTables = true;
  bool filterPrivacy = false;
  bool promptedSolutions = false;
  bool showInkAnnotation = true;
  bool backupFile = false;
  bool saveExternalLinkValues = true;
  std::uint8_t updateLinks = 0;  // userSet, never, always
  std::u16string codeName;
  bool hidePivotFieldList = false;
  bool showPivotChartFilter = false;
  bool allowRefreshQuery = false;
  bool publishItems = false;
  bool checkCompatibility = false;
  bool autoCompressPictures = true;
  bool refreshAllConnections = false;
  std::int32_t defaultThemeVersion = 124226;
  // Everything but date1904 and showObjects, which belong to the loaded document.
  void Clear() {
    TXc12WorkbookPr fresh;
    fresh.date1904 = date1904;
    fresh.showObjects = showObjects;
    *this = fresh;
  }
};

class TXc12WorkbookProtection {
public:
  std::int32_t workbookPassword = 0;
  std::int32_t revisionsPassword = 0;
  bool lockStructure = false;
  bool lockWindows = false;
  bool lockRevision = false;
  void Clear() { *this = TXc12WorkbookProtection(); }
};

class TXc12BookView : public TObject {
public:
  std::uint8_t visibility = 0;  // visible, hidden, veryHidden
  bool minimized = false;
  bool showHorizontalScroll = true;
  bool showVerticalScroll = true;
  bool showSheetTabs = true;
  std::int32_t xWindow = 0, yWindow = 0, windowWidth = 0, windowHeight = 0;
  std::int32_t tabRatio = 600;
  std::int32_t firstSheet = 0;
  std::int32_t activeTab = 0;
  bool autoFilterDateGrouping = true;
  void Clear() { *this = TXc12BookView(); }
};

class TXc12CalcPr {
public:
  std::int32_t calcId = 125725;
  std::uint8_t calcMode = 1;  // manual, auto, autoNoTable
  bool fullCalcOnLoad = false;
  std::uint8_t refMode = 0;  // A1, R1C1
  bool iterate = false;
  std::int32_t iterateCount = 100;
  double iterateDelta = 0.001;
  bool fullPrecision = true;
  bool calcCompleted = true;
  bool calcOnSave = true;
  bool concurrentCalc = true;
  std::int32_t concurrentManualCount = 0;
  bool forceFullCalc = false;
  void Clear() { *this = TXc12CalcPr(); }
};

class TXc12CustomWorkbookView : public TObject {
public:
  std::u16string name;
  std::u16string guid;
  bool autoUpdate = false;
  std::int32_t mergeInterval = 0;
  bool changesSavedWin = false, onlySync = false, personalView = false;
  bool includePrintSettings = true, includeHiddenRowCol = true;
  bool maximized = false, minimized = false;
  bool showHorizontalScroll = true, showVerticalScroll = true, showSheetTabs = true;
  std::int32_t xWindow = 0, yWindow = 0, windowWidth = 0, windowHeight = 0;
  std::int32_t tabRatio = 600;
  std::int32_t activeSheetId = 0;
  bool showFormulaBar = true, showStatusbar = true;
  std::uint8_t showComments = 1;  // commNone, commIndicator, commIndAndComment
  std::uint8_t showObjects = 0;   // all, placeholders, none
  void Clear() { *this = TXc12CustomWorkbookView(); }
};

class TXc12SmartTagPr {
public:
  bool embed = false;
  std::uint8_t show = 0;  // all, none, noIndicator
  void Clear() { *this = TXc12SmartTagPr(); }
};

class TXc12SmartTagType : public TObject {
public:
  std::u16string namespaceUri, name, url;
};

class TXc12WebPublishing {
public:
  bool css = true, thicket = true, longFileNames = true;
  bool vml = false, allowPng = false;
  std::uint8_t targetScreenSize = 3;  // 544x376 .. 1920x1200; 3 = 800x600
  std::int32_t dpi = 96;
  std::int32_t codePage = 0;
  void Clear() { *this = TXc12WebPublishing(); }
};

class TXc12FileRecoveryPr : public TObject {
public:
  bool autoRecover = true;
  bool crashSave = false, dataExtractLoad = false, repairLoad = false;
};

class TXc12WebPublishObject : public TObject {
public:
  std::int32_t id = 0;
  std::u16string divId, sourceObject, destinationFile, title;
  bool autoRepublish = false;
};

class TXc12Sheet : public TObject {
public:
  std::u16string name;
  std::int32_t sheetId = -1;
  std::uint8_t state = 0;  // visible, hidden, veryHidden
  std::u16string RId;      // relationship id
};

// An owning list whose Add makes an item with its defaults.
template <class T>
class TXc12SimpleList : public TObjectList<T> {
public:
  using TObjectList<T>::Add;
  T* Add() { return TObjectList<T>::Add(std::make_unique<T>()); }
  T* GetItems(int Index) const { return this->GetItem(Index); }
};

class TXc12BookViews : public TXc12SimpleList<TXc12BookView> {
public:
  // Removes all views; with AddDefault one view with the defaults stays.
  void ClearViews(bool AddDefault) {
    this->Clear();
    if (AddDefault) Add();
  }
};
using TXc12Sheets = TXc12SimpleList<TXc12Sheet>;
using TXc12CustomWorkbookViews = TXc12SimpleList<TXc12CustomWorkbookView>;
using TXc12SmartTagTypes = TXc12SimpleList<TXc12SmartTagType>;
using TXc12FileRecoveryPrs = TXc12SimpleList<TXc12FileRecoveryPr>;
using TXc12WebPublishObjects = TXc12SimpleList<TXc12WebPublishObject>;

class TXc12FunctionGroups {
public:
  static constexpr std::int32_t kBuiltInGroupCount = 16;
  std::int32_t builtInGroupCount = kBuiltInGroupCount;
  void Add(const std::u16string& Name) { names_.push_back(Name); }
  int Count() const { return static_cast<int>(names_.size()); }
  void GetName(int Index, std::u16string& Name) const;
  void Clear() {
    names_.clear();
    builtInGroupCount = kBuiltInGroupCount;
  }

private:
  std::vector<std::u16string> names_;
};


// ---------------------------------------------------------------------------------------------
// Defined names

enum TXc12BuiltInName : std::uint8_t {
  bnConsolidateArea,
  bnExtract,
  bnDatabase,
  bnCriteria,
  bnPrintArea,
  bnPrintTitles,
  bnSheetTitle,
  bnFilterDatabase,
  bnNone
};

// What the compiled definition of a name refers to.
enum TXc12NameRefKind : std::uint8_t { nrkFormula, nrkCell, nrkArea, nrkInvalid };

class TXc12DefinedName : public TObject {
public:
  std::u16string Name;  // empty for a built-in name
  std::u16string Comment, CustomMenu, Description, Help, StatusBar;
  std::int32_t LocalSheetId = -1;  // -1: workbook scope
  bool Hidden = false, Function = false, VbProcedure = false, Xlm = false;
  std::int32_t FunctionGroupId = 0;
  std::u16string ShortcutKey;
  bool PublishToServer = false, WorkbookParameter = false;
  std::uint8_t BuiltIn = bnNone;
  std::u16string Definition;  // the formula text as a file gives it
  std::uint8_t RefKind = nrkFormula;
  std::int32_t RefSheet = 0;
  TXLSCellArea RefArea;  // coordinates carry the byte code's absolute flags (col bit 15, row bit 31)
  std::vector<std::uint8_t> Compiled;  // formula byte code of the definition; empty when not compiled
  bool Deleted = false;
  // Of legacy files: a built-in code that has no id here (written back as it came; 0 = none), and
  // the external-sheet index of the resolved reference.
  std::uint8_t RawBuiltInCode = 0;
  std::int32_t ExternSheetIndex = 0;

  // Everything but the reference and the compiled definition.
  void Clear();
  // A text "_xlnm.<built-in>" becomes that built-in name and loses its text.
  void SetName(const std::u16string& AName);
  void SetDefinition(const std::u16string& Text) { Definition = Text; }
  virtual void GetDefinition(std::u16string& Text) const { Text = Definition; }
  // The display name: the text, or the built-in's own name with its "_xlnm." prefix.
  std::u16string GetDisplayName() const;
};

// The text of a built-in name without its "_xlnm." prefix ("Print_Area"); "" for bnNone.
std::u16string BuiltInNameText(std::uint8_t BuiltIn);
// The text of a built-in name by its code in legacy NAME records ("_FilterDatabase" for 0x0D); ""
// for an unknown code.
std::u16string BuiltInCodeText(std::uint8_t Code);

class TXc12DefinedNames : public TObject, public TObjectList<TXc12DefinedName> {
public:
  using TObjectList<TXc12DefinedName>::Add;
  explicit TXc12DefinedNames(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}

  TXc12DefinedName* NewItem();
  TXc12DefinedName* Add(const std::u16string& Name, int LocalSheetId);
  TXc12DefinedName* AddBuiltIn(std::uint8_t BuiltIn, int LocalSheetId);
  void Clear() override {
    TObjectList<TXc12DefinedName>::Clear();
    IndexValid_ = false;
  }
  // The name local to SheetIndex (not deleted), -1 when none. Letter case is ignored (Unicode).
  int FindLocal(const std::u16string& Name, int SheetIndex) const;
  // A sheet's own name first, then the workbook-scope one; -1 when none.
  int Find(const std::u16string& Name, int SheetIndex);
  void RebuildIndex();
  TXc12DefinedName* GetItems(int Index) const { return GetItem(Index); }
  // Call after changing a name's text or scope outside Add.
  void InvalidateIndex() { IndexValid_ = false; }

  // Sheets inserted before or deleted: scopes and references follow. A name local to a deleted sheet
  // is marked deleted; a reference into a deleted sheet, or one pushed past the last sheet index,
  // becomes invalid.
  void InsertSheets(int Index, int Count);
  void DeleteSheets(int Index, int Count);
  // A sheet moved from position From to To.
  void MoveSheet(int From, int To);

private:
  TXLSClassFactory* ClassFactory_;
  std::unordered_map<std::u16string, int> Index_;
  bool IndexValid_ = false;
};

// ---------------------------------------------------------------------------------------------

class TXc12DataWorkbook : public TXc12Data {
public:
  explicit TXc12DataWorkbook(TXLSClassFactory* ClassFactory);
  ~TXc12DataWorkbook() override;
  TXc12DataWorkbook(const TXc12DataWorkbook&) = delete;
  TXc12DataWorkbook& operator=(const TXc12DataWorkbook&) = delete;

  // Back to a new workbook, except date1904, showObjects and OleSize.
  void Clear();

  TXc12FileVersion FileVersion;
  TXc12FileSharing FileSharing;
  TXc12WorkbookPr WorkbookPr;
  TXc12WorkbookProtection WorkbookProtection;
  TXc12BookViews BookViews;
  TXc12Sheets Sheets;
  TXc12FunctionGroups FunctionGroups;
  std::unique_ptr<TXc12DefinedNames> DefinedNames;
  TXc12CalcPr CalcPr;
  TXLSCellArea OleSize{0, 0, 0, 0};
  TXc12CustomWorkbookViews CustomWorkbookViews;
  TXLSPivotCacheDefinitions PivotCaches;
  TXc12SmartTagPr SmartTagPr;
  TXc12SmartTagTypes SmartTagTypes;
  TXc12WebPublishing WebPublishing;
  TXc12FileRecoveryPrs FileRecoveryPrs;
  TXc12WebPublishObjects WebPublishObjects;
  ooxml::TXpgSimpleDOM Connections;
  std::u16string WriteAccess;
  TXLSClassFactory* ClassFactory;  // not owned
};

}  // namespace workbook
