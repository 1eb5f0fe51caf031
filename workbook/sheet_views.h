// The window and print settings of a worksheet: sheet views with panes and selections, custom views
// (a named set of view and print settings), page setup, margins, print options, header and footer,
// and page breaks. Each object holds its SpreadsheetML element's attributes with the schema's
// defaults; Clear restores them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workbook/cell_areas.h"
#include "workbook/comments_data.h"
#include "workbook/streams.h"

namespace workbook {

class TXLSClassFactory;

enum TXc12PaneEnum : std::uint8_t { xpBottomRight, xpTopRight, xpBottomLeft, xpTopLeft };

class TXc12Pane : public TObject {
public:
  double xSplit = 0;
  double ySplit = 0;
  TXLSCellArea topLeftCell;
  std::uint8_t activePane = xpTopLeft;
  std::uint8_t state = 0;  // split, frozen, frozenSplit
  bool Present = false;    // the legacy file had a pane record
  void Clear() { *this = TXc12Pane(); }
};

class TXc12Selection : public TObject {
public:
  TXc12Selection() { Clear(); }
  std::uint8_t pane = xpTopLeft;
  TXLSCellArea activeCell;
  std::int32_t activeCellId = 0;
  TCellAreas sqref;
  void Clear();
};

class TXc12PivotAreaReference : public TObject {
public:
  std::int32_t field = 0;
  bool selected = true;
  bool byPosition = false, relative = false;
  bool defaultSubtotal = false, sumSubtotal = false, countASubtotal = false, avgSubtotal = false,
       maxSubtotal = false, minSubtotal = false, productSubtotal = false, countSubtotal = false,
       stdDevSubtotal = false, stdDevPSubtotal = false, varSubtotal = false, varPSubtotal = false;
  TIntegerList Items;
};

class TXc12PivotAreaReferences : public TObjectList<TXc12PivotAreaReference> {
public:
  using TObjectList<TXc12PivotAreaReference>::Add;
  TXc12PivotAreaReference* Add() { return Add(std::make_unique<TXc12PivotAreaReference>()); }
};

class TXc12PivotArea : public TObject {
public:
  std::int32_t field = 0;
  std::uint8_t type = 1;  // none, normal, data, all, origin, button, topRight
  bool dataOnly = true;
  bool labelOnly = false, grandRow = false, grandCol = false, cacheIndex = false;
  bool outline = true;
  TXLSCellArea offset;
  bool collapsedLevelsAreSubtotals = false;
  std::uint8_t axis = 4;  // axisRow, axisCol, axisPage, axisValues; 4 none given
  std::int32_t fieldPosition = 0;
  TXc12PivotAreaReferences References;
  void Clear();
};

class TXc12PivotSelection : public TObject {
public:
  std::uint8_t pane = xpTopLeft;
  bool showHeader = false, label = false, data = false, extendable = false;
  std::int32_t count = 0;
  std::uint8_t axis = 4;
  std::int32_t dimension = 0, start = 0, min = 0, max = 0, activeRow = 0, activeCol = 0, previousRow = 0,
               previousCol = 0, click = 0;
  std::u16string RId;
  TXc12PivotArea PivotArea;
  void Clear();
};

template <class T>
class TXc12ViewList : public TObjectList<T> {
public:
  using TObjectList<T>::Add;
  T* Add() { return TObjectList<T>::Add(std::make_unique<T>()); }
};

using TXc12Selections = TXc12ViewList<TXc12Selection>;
using TXc12PivotSelections = TXc12ViewList<TXc12PivotSelection>;

class TXc12SheetView : public TObject {
public:
  bool windowProtection = false, showFormulas = false;
  bool showGridLines = true, showRowColHeaders = true, showZeros = true;
  bool rightToLeft = false, tabSelected = false;
  bool zoomToFit = false;  // chartsheets: the chart fills the window
  bool showRuler = true, showOutlineSymbols = true, defaultGridColor = true, showWhiteSpace = true;
  std::uint8_t view = 0;  // normal, pageBreakPreview, pageLayout
  TXLSCellArea topLeftCell;
  std::int32_t colorId = 64;
  std::int32_t zoomScale = 100;
  std::int32_t zoomScaleNormal = 0, zoomScaleSheetLayoutView = 0, zoomScalePageLayoutView = 0, workbookViewId = 0;
  TXc12Pane Pane;
  TXc12Selections Selections;
  TXc12PivotSelections PivotSelections;
  void Clear();
};

using TXc12SheetViews = TXc12ViewList<TXc12SheetView>;

class TXc12PageSetup : public TObject {
public:
  std::int32_t paperSize = 0;  // 0: none given
  std::int32_t scale = 100;
  std::int32_t firstPageNumber = 1, fitToWidth = 1, fitToHeight = 1;
  std::uint8_t pageOrder = 0;    // downThenOver, overThenDown
  std::uint8_t orientation = 0;  // default, portrait, landscape
  bool usePrinterDefaults = true;
  bool blackAndWhite = false, draft = false;
  std::uint8_t cellComments = 0;  // none, asDisplayed, atEnd
  bool useFirstPageNumber = false;
  std::uint8_t errors = 0;  // displayed, blank, dash, NA
  std::int32_t horizontalDpi = 600, verticalDpi = 600;
  std::int32_t copies = 1;
  std::unique_ptr<TMemoryStream> PrinterSettings;  // bytes of the printer-settings part
  void Clear();
  // Takes the bytes of Stream (all of it) in place of the held ones, and frees Stream.
  void LoadPrinterSettings(std::unique_ptr<TStream> Stream);
};

class TXc12PageMargins : public TObject {
public:
  double left = 0.7, right = 0.7, top = 0.75, bottom = 0.75, header = 0.3, footer = 0.3;  // inches
  void Clear() { *this = TXc12PageMargins(); }
};

class TXc12PrintOptions : public TObject {
public:
  bool horizontalCentered = false, verticalCentered = false, headings = false, gridLines = false;
  bool gridLinesSet = true;
  void Clear() { *this = TXc12PrintOptions(); }
};

class TXc12HeaderFooter : public TObject {
public:
  bool differentOddEven = false, differentFirst = false;
  bool scaleWithDoc = true, alignWithMargins = true;
  std::u16string oddHeader, oddFooter, evenHeader, evenFooter, firstHeader, firstFooter;
  void Clear() { *this = TXc12HeaderFooter(); }
};

class TXc12Break : public TObject {
public:
  std::int32_t id = 0, min = 0, max = 0;
  bool man = false;  // a manual break
  bool pt = false;   // a pivot-table break
};

using TXc12PageBreaks = TXc12ViewList<TXc12Break>;

class TXc12CustomSheetView : public TObject {
public:
  explicit TXc12CustomSheetView(TXLSClassFactory* ClassFactory = nullptr);
  TXLSClassFactory* ClassFactory;
  std::u16string guid;
  std::int32_t scale = 100;
  std::int32_t colorId = 64;
  bool showPageBreaks = false, showFormulas = false;
  bool showGridLines = true, showRowCol = true, outlineSymbols = true, zeroValues = true;
  bool fitToPage = false, printArea = false, filter = false, showAutoFilter = false, hiddenRows = false,
       hiddenColumns = false;
  std::uint8_t state = 0;  // visible, hidden, veryHidden
  bool filterUnique = false;
  std::uint8_t view = 0;
  bool showRuler = true;
  TXLSCellArea topLeftCell;
  TXc12Pane Pane;
  TXc12Selection Selection;
  TXc12PageBreaks RowBreaks;
  TXc12PageBreaks ColBreaks;
  TXc12PageMargins PageMargins;
  TXc12PrintOptions PrintOptions;
  TXc12PageSetup PageSetup;
  TXc12HeaderFooter HeaderFooter;
  TXc12AutoFilter AutoFilter;
  void Clear();
};

class TXc12CustomSheetViews : public TObjectList<TXc12CustomSheetView> {
public:
  using TObjectList<TXc12CustomSheetView>::Add;
  explicit TXc12CustomSheetViews(TXLSClassFactory* ClassFactory = nullptr) : ClassFactory_(ClassFactory) {}
  TXc12CustomSheetView* Add() { return Add(std::make_unique<TXc12CustomSheetView>(ClassFactory_)); }

private:
  TXLSClassFactory* ClassFactory_;
};

}  // namespace workbook
