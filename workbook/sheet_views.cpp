#include "workbook/sheet_views.h"

namespace workbook {

void TXc12Selection::Clear() {
  pane = xpTopLeft;
  activeCell = CellAreaFromCell(0, 0);
  activeCellId = 0;
  sqref.Clear();
  sqref.AddCell(0, 0);
}

void TXc12PivotArea::Clear() {
  field = 0;
  type = 1;
  dataOnly = true;
  labelOnly = grandRow = grandCol = cacheIndex = false;
  outline = true;
  ClearCellArea(offset);
  collapsedLevelsAreSubtotals = false;
  axis = 4;
  fieldPosition = 0;
  References.Clear();
}

void TXc12PivotSelection::Clear() {
  pane = xpTopLeft;
  showHeader = label = data = extendable = false;
  count = 0;
  axis = 4;
  dimension = start = min = max = activeRow = activeCol = previousRow = previousCol = click = 0;
  RId.clear();
  PivotArea.Clear();
}

void TXc12SheetView::Clear() {
  windowProtection = showFormulas = false;
  showGridLines = showRowColHeaders = showZeros = true;
  rightToLeft = tabSelected = false;
  showRuler = showOutlineSymbols = defaultGridColor = showWhiteSpace = true;
  view = 0;
  ClearCellArea(topLeftCell);
  colorId = 64;
  zoomScale = 100;
  zoomScaleNormal = zoomScaleSheetLayoutView = zoomScalePageLayoutView = workbookViewId = 0;
  Pane.Clear();
  Selections.Clear();
  PivotSelections.Clear();
}

void TXc12PageSetup::Clear() {
  paperSize = 0;
  scale = 100;
  firstPageNumber = fitToWidth = fitToHeight = 1;
  pageOrder = orientation = 0;
  usePrinterDefaults = true;
  blackAndWhite = draft = false;
  cellComments = 0;
  useFirstPageNumber = false;
  errors = 0;
  horizontalDpi = verticalDpi = 600;
  copies = 1;
  PrinterSettings.reset();
}

void TXc12PageSetup::LoadPrinterSettings(std::unique_ptr<TStream> Stream) {
  PrinterSettings.reset();
  if (!Stream) return;
  auto copy = std::make_unique<TMemoryStream>();
  Stream->SetPosition(0);
  copy->CopyFrom(*Stream, 0);
  copy->SetPosition(0);
  PrinterSettings = std::move(copy);
}

TXc12CustomSheetView::TXc12CustomSheetView(TXLSClassFactory* AClassFactory)
    : ClassFactory(AClassFactory), AutoFilter(AClassFactory) {}

void TXc12CustomSheetView::Clear() {
  guid.clear();
  scale = 100;
  colorId = 64;
  showPageBreaks = showFormulas = false;
  showGridLines = showRowCol = outlineSymbols = zeroValues = true;
  fitToPage = printArea = filter = showAutoFilter = hiddenRows = hiddenColumns = false;
  state = 0;
  filterUnique = false;
  view = 0;
  showRuler = true;
  ClearCellArea(topLeftCell);
  Pane.Clear();
  Selection.Clear();
  RowBreaks.Clear();
  ColBreaks.Clear();
  PageMargins.Clear();
  PrintOptions.Clear();
  PageSetup.Clear();
  HeaderFooter.Clear();
  AutoFilter.Clear();
}

}  // namespace workbook
