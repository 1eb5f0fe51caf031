// The legacy side of each worksheet: the sheet collection of the document, the sheet with its stored
// sheet-level records and the objects only the legacy format has, its pane and its selection.
// Cell contents live in the workbook model.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "biff/document/cell_areas.h"
#include "biff/stream/record_storage.h"

namespace biff {

enum class THiddenState : std::uint8_t { hsVisible = 0, hsHidden = 1, hsVeryHidden = 2 };

// Bit i is the member of position i: spEditObjects .. spSelectUnlockedCells.
enum TSheetProtection : std::uint16_t {
  spEditObjects = 1 << 0, spEditScenarios = 1 << 1, spEditCellFormatting = 1 << 2,
  spEditColumnFormatting = 1 << 3, spEditRowFormatting = 1 << 4, spInsertColumns = 1 << 5,
  spInsertRows = 1 << 6, spInsertHyperlinks = 1 << 7, spDeleteColumns = 1 << 8, spDeleteRows = 1 << 9,
  spSelectLockedCells = 1 << 10, spSortCellRange = 1 << 11, spEditAutoFileters = 1 << 12,
  spEditPivotTables = 1 << 13, spSelectUnlockedCells = 1 << 14,
};
inline constexpr std::uint16_t ALL_SHEET_PROTECTIONS = 0x7FFF;

// Sheet options as bits of the stored WINDOW2 options word; the last three are never reported and
// ignored when set.
enum TSheetOptions : std::uint16_t {
  soShowFormulas = 1 << 0, soGridlines = 1 << 1, soRowColHeadings = 1 << 2, soFrozenPanes = 1 << 3,
  soShowZeros = 1 << 4, soProtected = 1 << 8, soR1C1Mode = 1 << 9, soIteration = 1 << 10,
};
// Workspace options as bits of the stored WSBOOL word.
enum TWorkspaceOptions : std::uint16_t {
  woShowAutoBreaks = 1 << 0, woApplyStyles = 1 << 5, woRowSumsBelow = 1 << 6, woColSumsRight = 1 << 7,
  woFitToPage = 1 << 8, woOutlineSymbols = 1 << 10,
};

enum class TPaneType : std::uint8_t { ptNone, ptFrozen, ptSplit };

class TPane {
public:
  TPaneType PaneType = TPaneType::ptNone;
  int SplitColX = 0;
  int SplitRowY = 0;
  int LeftCol = 0;
  int TopRow = 0;
  int ActivePane = 0;  // a new pane is not cleared, so it starts at 0
  TBaseRecordStorage Selections;

  void Clear();
};

class TSelectedAreas : public TCellAreas97 {
public:
  TSelectedAreas();
  int ActiveCol = 0;
  int ActiveRow = 0;

  // Appends a one-cell area and makes it the active cell.
  TCellArea97* AddCell(int Col, int Row);
  // Leaves only the first area, as the single cell at (DCol, DRow), and makes it active.
  void Move(int DCol, int DRow) override;
};

class TSheets;
class TEscherDrawing;
class TEscherGroup;
class TDrwCharts;
class TDrwChart;
class TFormulaHandler;
struct TSheetRules;

class TSheet {
public:
  TSheet(TSheets& Owner, int Id, std::uint8_t Kind);
  ~TSheet();
  TSheet(const TSheet&) = delete;
  TSheet& operator=(const TSheet&) = delete;

  const std::u16string& Name() const { return Name_; }
  // Nothing happens for the same name in other letter case; another sheet's name (ignoring case)
  // raises "Sheet name "X" allready exists".
  void SetName(const std::u16string& Value);
  // For a caller that has checked the name against the other sheets itself (the reader, which
  // keeps the names of a file in a set instead of searching the list once per sheet).
  void SetNameUnchecked(const std::u16string& Value) { Name_ = Value; }
  int Id() const { return Id_; }
  int Index() const;

  TRecordStorageSheet& Records() { return Records_; }
  TBaseRecordStorage& TrailingRecords() { return Trailing_; }
  TMergedCells& MergedCells() { return MergedCells_; }
  TPane& Pane() { return Pane_; }
  TSelectedAreas& Selection() { return Selection_; }
  // The sheet's OfficeArt drawing (notes, text boxes, pictures, charts, controls), made on first
  // use in the drawing group of the sheet list.
  TEscherDrawing& Drawing();
  // The drawing when one was made, else nullptr.
  TEscherDrawing* DrawingIfAny() const { return Drawing_.get(); }
  // True when the sheet has a drawing with at least one shape.
  bool HasShapes() const;
  // The charts on the sheet: chart shapes of its drawing bound to the chart wrappers.
  TDrwCharts& Charts();
  TDrwCharts* ChartsIfAny() const { return Charts_.get(); }
  // A new default chart on this sheet.
  TDrwChart& AddChart();
  // What a read left of the sheet's conditional formats, validations and autofilter.
  TSheetRules& Rules();
  const TSheetRules* RulesIfAny() const { return Rules_.get(); }

  bool StorageFilled = false;
  bool RecalcFormulas = true;
  THiddenState Hidden = THiddenState::hsVisible;
  std::uint16_t SheetProtection = ALL_SHEET_PROTECTIONS;
  std::uint8_t Kind = 0;  // 0 worksheet
  // The sheet's position among the BOUNDSHEET records of the file it was read from; chart sheets
  // are placed among the worksheets by it. A sheet not read from a file comes after them all.
  int TabPosition = std::numeric_limits<int>::max();
  // The sheet's id in the TABID list of the file it was read from; 0 for a sheet made here.
  int TabId = 0;
  int FirstRow = 0, LastRow = 0, FirstCol = 0, LastCol = 0;  // used range

  // Properties kept in the stored DEFCOLWIDTH, WINDOW2 and WSBOOL records.
  std::uint16_t DefaultColWidth() const;
  void SetDefaultColWidth(std::uint16_t Value);
  std::uint16_t Zoom() const;
  void SetZoom(std::uint16_t Value);
  std::uint16_t ZoomPreview() const;
  void SetZoomPreview(std::uint16_t Value);
  std::uint16_t Options() const;
  void SetOptions(std::uint16_t Value);
  std::uint16_t WorkspaceOptions() const;
  void SetWorkspaceOptions(std::uint16_t Value);

  void Reset();
  // Copies the settings and the merged cells of Source; raises "Object is not TSheet" without one.
  void Assign(const TSheet* Source);
  // The used range from the stored DIMENSIONS record (not for versions above 6).
  void UpdateUsedRange(int Version);

private:
  std::uint16_t Window2Word(int Offset) const;
  void SetWindow2Word(int Offset, std::uint16_t Value);

  TSheets& Owner_;
  int Id_;
  std::u16string Name_;
  TRecordStorageSheet Records_;
  TBaseRecordStorage Trailing_;
  TMergedCells MergedCells_;
  TPane Pane_;
  TSelectedAreas Selection_;
  std::unique_ptr<TEscherDrawing> Drawing_;
  std::unique_ptr<TDrwCharts> Charts_;  // refers to shapes of Drawing_: freed first
  std::unique_ptr<TSheetRules> Rules_;
};

class TSheets {
public:
  TSheets() = default;
  TSheets(const TSheets&) = delete;
  TSheets& operator=(const TSheets&) = delete;

  // The workbook's drawing group the sheets' drawings take their shape ids and pictures from (not
  // owned; it outlives the sheets).
  TEscherGroup* DrawingGroup = nullptr;
  // The document's formula handler the sheets' charts encode their references with (not owned).
  TFormulaHandler* Formulas = nullptr;
  // Told of every drawing a sheet makes (the document gives it its services).
  std::function<void(TEscherDrawing&)> OnNewDrawing;

  // Told when a sheet was deleted and the document goes on without it (the formula handler).
  std::function<void(int Index)> OnSheetDeleted;

  int Count() const { return static_cast<int>(Items_.size()); }
  // Raises for an index outside the collection.
  TSheet* Items(int Index) const;
  // A new sheet named "Sheet" + its collection id + 1.
  TSheet* Add(std::uint8_t Kind = 0);
  void Delete(int Index, bool AddWhenEmpty);
  // The sheet at From goes to position To; the sheets between shift by one.
  void Move(int From, int To);
  void Clear();
  TSheet* ClearAndAdd();
  // The first sheet whose name equals Name ignoring case, nullptr when none.
  TSheet* FindByName(const std::u16string& Name) const;
  int IndexOf(const TSheet* Sheet) const;

private:
  std::vector<std::unique_ptr<TSheet>> Items_;
  int NextId_ = 0;
};

}  // namespace biff
