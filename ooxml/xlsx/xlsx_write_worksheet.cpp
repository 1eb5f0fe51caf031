// Worksheet and chartsheet parts with the parts that hang off a sheet: drawing, VML drawing,
// printer settings, comments, tables with their query tables, kept pivot tables. The worksheet
// root is filled from the sheet's records and streamed into its archive entry, the rows and cells
// through TXLSWriteSheetData.
#include <memory>

#include "core/unicode.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/sheetdrawing/drawing_document.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/xlsx/xlsx_write_sheet_data.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/cell_references.h"
#include "workbook/manager.h"
#include "workbook/pivot_data.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace xlsx_write_sheet {

// The VML drawing a sheet with notes gets when it has none of its own: the shape layout and the
// note shape type, to which one shape per note is appended.
constexpr char16_t kDefaultVml[] =
    u"<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
    u"xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\t"
    u"<o:shapelayout v:ext=\"edit\">\t<o:idmap v:ext=\"edit\" data=\"1\"/>\t</o:shapelayout>\t"
    u"<v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" path=\"m,l,21600r21600,l21600,xe\">\t"
    u"<v:stroke joinstyle=\"miter\"/>\t<v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/>\t</v:shapetype>\t</xml>";

// A kept tree stored as the whole data of Item, which is then closed.
void StoreTree(TOPC_XLSX& Package, TOPCItem* Item, const TXpgSimpleDOM& Tree) {
  XmlMemoryStream text;
  Tree.SaveToStream(text);
  io::TMemoryStream data;
  data.WriteBuffer(text.Data().data(), static_cast<std::int64_t>(text.Data().size()));
  data.SetPosition(0);
  Package.WriteItem(Item, data);
  Package.CloseItem(Item);
}

// The binding's rule types that carry a data bar and an icon set.
constexpr std::uint8_t kRuleDataBar = 3;
constexpr std::uint8_t kRuleIconSet = 4;
// Value object types that need no value: the lowest and the highest value.
constexpr std::uint8_t kCfvoMax = 2;
constexpr std::uint8_t kCfvoMin = 3;

bool CfvoInUse(const wb::TXc12Cfvo& C) { return !C.val.empty() || C.type == kCfvoMax || C.type == kCfvoMin; }

std::u16string Ref(const wb::TXLSCellArea& Area) { return wb::CellAreaToRefStr(Area); }

void SetAreas(TStringXpgList& List, const wb::TBaseCellAreas& Areas) {
  List.Clear();
  if (Areas.Count() > 0) List.SetDelimitedText(Areas.GetAsText());
}

// The model holds 4 for "no axis"; the binding leaves 255 out.
std::uint8_t Axis(std::uint8_t Value) { return Value >= 4 ? 255 : Value; }

void FillPane(const wb::TXc12Pane& P, TCT_Pane& E) {
  E.xSplit = P.xSplit;
  E.ySplit = P.ySplit;
  E.topLeftCell = Ref(P.topLeftCell);
  E.activePane = P.activePane;
  E.state = P.state;
}

void FillSelection(const wb::TXc12Selection& S, TCT_Selection& E) {
  E.pane = S.pane;
  E.activeCell = Ref(S.activeCell);
  E.activeCellId = S.activeCellId;
  if (S.sqref.Count() > 0) SetAreas(E.sqref, S.sqref);
}

void FillPivotArea(const wb::TXc12PivotArea& A, TCT_PivotArea& E) {
  E.field = A.field;
  E.type = A.type;
  E.dataOnly = A.dataOnly;
  E.labelOnly = A.labelOnly;
  E.grandRow = A.grandRow;
  E.grandCol = A.grandCol;
  E.cacheIndex = A.cacheIndex;
  E.outline = A.outline;
  E.offset = Ref(A.offset);
  E.collapsedLevelsAreSubtotals = A.collapsedLevelsAreSubtotals;
  E.axis = Axis(A.axis);
  E.fieldPosition = A.fieldPosition;
  for (int i = 0; i < A.References.Count(); ++i) {
    const wb::TXc12PivotAreaReference& r = *A.References.GetItem(i);
    TCT_PivotAreaReference& m = *E.references->reference.Add();
    m.field = static_cast<std::uint32_t>(r.field);
    m.selected = r.selected;
    m.byPosition = r.byPosition;
    m.relative = r.relative;
    m.defaultSubtotal = r.defaultSubtotal;
    m.sumSubtotal = r.sumSubtotal;
    m.countASubtotal = r.countASubtotal;
    m.avgSubtotal = r.avgSubtotal;
    m.maxSubtotal = r.maxSubtotal;
    m.minSubtotal = r.minSubtotal;
    m.productSubtotal = r.productSubtotal;
    m.countSubtotal = r.countSubtotal;
    m.stdDevSubtotal = r.stdDevSubtotal;
    m.stdDevPSubtotal = r.stdDevPSubtotal;
    m.varSubtotal = r.varSubtotal;
    m.varPSubtotal = r.varPSubtotal;
    m.count = r.Items.Count();
    for (int j = 0; j < r.Items.Count(); ++j) m.x.Add()->v = r.Items.GetItems(j);
  }
  E.references->count = E.references->reference.Count();
}

void FillSheetViews(const wb::TXc12SheetViews& Views, TCT_SheetViews& E) {
  for (int i = 0; i < Views.Count(); ++i) {
    const wb::TXc12SheetView& v = *Views.GetItem(i);
    TCT_SheetView& m = *E.sheetView.Add();
    m.windowProtection = v.windowProtection;
    m.showFormulas = v.showFormulas;
    m.showGridLines = v.showGridLines;
    m.showRowColHeaders = v.showRowColHeaders;
    m.showZeros = v.showZeros;
    m.rightToLeft = v.rightToLeft;
    m.tabSelected = v.tabSelected;
    m.showRuler = v.showRuler;
    m.showOutlineSymbols = v.showOutlineSymbols;
    m.defaultGridColor = v.defaultGridColor;
    m.showWhiteSpace = v.showWhiteSpace;
    m.view = v.view;
    m.topLeftCell = Ref(v.topLeftCell);
    m.colorId = v.colorId;
    m.zoomScale = v.zoomScale;
    m.zoomScaleNormal = v.zoomScaleNormal;
    m.zoomScaleSheetLayoutView = v.zoomScaleSheetLayoutView;
    m.zoomScalePageLayoutView = v.zoomScalePageLayoutView;
    m.workbookViewId = v.workbookViewId;
    FillPane(v.Pane, *m.pane);
    for (int j = 0; j < v.Selections.Count(); ++j) FillSelection(*v.Selections.GetItem(j), *m.selection.Add());
    for (int j = 0; j < v.PivotSelections.Count(); ++j) {
      const wb::TXc12PivotSelection& p = *v.PivotSelections.GetItem(j);
      TCT_PivotSelection& s = *m.pivotSelection.Add();
      s.pane = p.pane;
      s.showHeader = p.showHeader;
      s.label = p.label;
      s.data = p.data;
      s.extendable = p.extendable;
      s.count = p.count;
      s.axis = Axis(p.axis);
      s.dimension = p.dimension;
      s.start = p.start;
      s.min = p.min;
      s.max = p.max;
      s.activeRow = p.activeRow;
      s.activeCol = p.activeCol;
      s.previousRow = p.previousRow;
      s.previousCol = p.previousCol;
      s.click = p.click;
      s.r_id = p.RId;
      FillPivotArea(p.PivotArea, *s.pivotArea);
    }
  }
}

void FillSortState(const wb::TXc12SortState& S, TCT_SortState& E) {
  E.columnSort = S.columnSort;
  E.caseSensitive = S.caseSensitive;
  E.sortMethod = S.sortMethod;
  E.ref = Ref(S.Ref);
  for (int i = 0; i < S.SortConditions.Count(); ++i) {
    const wb::TXc12SortCondition& c = *S.SortConditions.GetItem(i);
    TCT_SortCondition& m = *E.sortCondition.Add();
    m.descending = c.descending;
    m.sortBy = c.sortBy;
    m.ref = Ref(c.ref);
    m.customList = c.customList;
    m.dxfId = c.dxfId;
    m.iconSet = c.iconSet;
    m.iconId = c.iconId;
  }
}

void FillAutoFilter(const wb::TXc12AutoFilter& F, TCT_AutoFilter& E) {
  E.ref = Ref(F.Ref);
  for (int i = 0; i < F.Columns.Count(); ++i) {
    const wb::TXc12FilterColumn& c = *F.Columns.GetItem(i);
    TCT_FilterColumn& m = *E.filterColumn.Add();
    m.colId = c.colId;
    m.hiddenButton = c.hiddenButton;
    m.showButton = c.showButton;
    m.filters->blank = c.Filters.blank;
    m.filters->calendarType = c.Filters.calendarType;
    for (const std::u16string& v : c.Filters.Values) m.filters->filter.Add()->val = v;
    for (int j = 0; j < c.Filters.DateGroupItems.Count(); ++j) {
      const wb::TXc12DateGroupItem& d = *c.Filters.DateGroupItems.GetItem(j);
      TCT_DateGroupItem& g = *m.filters->dateGroupItem.Add();
      g.year = d.year;
      g.month = d.month;
      g.day = d.day;
      g.hour = d.hour;
      g.minute = d.minute;
      g.second = d.second;
      g.dateTimeGrouping = d.dateTimeGrouping;
    }
    if (c.Top10.InUse) {
      m.top10->top = c.Top10.top;
      m.top10->percent = c.Top10.percent;
      m.top10->val = c.Top10.val;
      m.top10->filterVal = c.Top10.filterVal;
    }
    if (!c.CustomFilters.Filter1.val.empty()) {
      m.customFilters->and_ = c.CustomFilters.And;
      TCT_CustomFilter& f1 = *m.customFilters->customFilter.Add();
      f1.operator_ = c.CustomFilters.Filter1.Operator;
      f1.val = c.CustomFilters.Filter1.val;
      if (!c.CustomFilters.Filter2.val.empty()) {
        TCT_CustomFilter& f2 = *m.customFilters->customFilter.Add();
        f2.operator_ = c.CustomFilters.Filter2.Operator;
        f2.val = c.CustomFilters.Filter2.val;
      }
    }
    if (c.DynamicFilter.Type != wb::TXc12DynamicFilter::kNotInUse) {
      m.dynamicFilter->type = c.DynamicFilter.Type;
      m.dynamicFilter->val = c.DynamicFilter.val;
      m.dynamicFilter->maxVal = c.DynamicFilter.maxVal;
    }
    if (c.ColorFilter.dxf) {
      m.colorFilter->dxfId = c.ColorFilter.dxf->Index;
      m.colorFilter->cellColor = c.ColorFilter.cellColor;
    }
    if (c.IconFilter.iconId >= 0) {
      m.iconFilter->iconSet = c.IconFilter.iconSet;
      m.iconFilter->iconId = c.IconFilter.iconId;
    }
  }
  FillSortState(F.SortState, *E.sortState);
}

void FillCfvo(const wb::TXc12Cfvo& C, TCT_Cfvo& E) {
  E.type = C.type;
  E.val = C.val;
  E.gte = C.gte;
}

void FillPageBreaks(const wb::TXc12PageBreaks& Breaks, TCT_PageBreak& E) {
  int manual = 0;
  for (int i = 0; i < Breaks.Count(); ++i) {
    const wb::TXc12Break& b = *Breaks.GetItem(i);
    TCT_Break& m = *E.brk.Add();
    m.id = b.id;
    m.min = b.min;
    m.max = b.max;
    m.man = b.man;
    m.pt = b.pt;
    if (b.man) ++manual;
  }
  E.manualBreakCount = manual;
}

void FillPageMargins(const wb::TXc12PageMargins& P, TCT_PageMargins& E) {
  E.left = P.left;
  E.right = P.right;
  E.top = P.top;
  E.bottom = P.bottom;
  E.header = P.header;
  E.footer = P.footer;
}

void FillPageSetup(const wb::TXc12PageSetup& P, TCT_PageSetup& E) {
  // 0 is the model's "no paper size given", which the file has no value for.
  if (P.paperSize > 0) E.paperSize = P.paperSize;
  E.scale = P.scale;
  E.firstPageNumber = P.firstPageNumber;
  E.fitToWidth = P.fitToWidth;
  E.fitToHeight = P.fitToHeight;
  E.pageOrder = P.pageOrder;
  E.orientation = P.orientation;
  E.usePrinterDefaults = P.usePrinterDefaults;
  E.blackAndWhite = P.blackAndWhite;
  E.draft = P.draft;
  E.cellComments = P.cellComments;
  E.useFirstPageNumber = P.useFirstPageNumber;
  E.errors = P.errors;
  E.horizontalDpi = P.horizontalDpi;
  E.verticalDpi = P.verticalDpi;
  E.copies = P.copies;
}

void FillPrintOptions(const wb::TXc12PrintOptions& P, TCT_PrintOptions& E) {
  E.horizontalCentered = P.horizontalCentered;
  E.verticalCentered = P.verticalCentered;
  E.headings = P.headings;
  E.gridLines = P.gridLines;
  E.gridLinesSet = P.gridLinesSet;
}

void FillHeaderFooter(const wb::TXc12HeaderFooter& H, TCT_HeaderFooter& E) {
  E.differentOddEven = H.differentOddEven;
  E.differentFirst = H.differentFirst;
  E.scaleWithDoc = H.scaleWithDoc;
  E.alignWithMargins = H.alignWithMargins;
  E.oddHeader = H.oddHeader;
  E.oddFooter = H.oddFooter;
  E.evenHeader = H.evenHeader;
  E.evenFooter = H.evenFooter;
  E.firstHeader = H.firstHeader;
  E.firstFooter = H.firstFooter;
}

void FillCustomSheetViews(const wb::TXc12CustomSheetViews& Views, TCT_CustomSheetViews& E) {
  for (int i = 0; i < Views.Count(); ++i) {
    const wb::TXc12CustomSheetView& v = *Views.GetItem(i);
    TCT_CustomSheetView& m = *E.customSheetView.Add();
    m.guid = v.guid;
    m.scale = v.scale;
    m.colorId = v.colorId;
    m.showPageBreaks = v.showPageBreaks;
    m.showFormulas = v.showFormulas;
    m.showGridLines = v.showGridLines;
    m.showRowCol = v.showRowCol;
    m.outlineSymbols = v.outlineSymbols;
    m.zeroValues = v.zeroValues;
    m.fitToPage = v.fitToPage;
    m.printArea = v.printArea;
    m.filter = v.filter;
    m.showAutoFilter = v.showAutoFilter;
    m.hiddenRows = v.hiddenRows;
    m.hiddenColumns = v.hiddenColumns;
    m.state = v.state;
    m.filterUnique = v.filterUnique;
    m.view = v.view;
    m.showRuler = v.showRuler;
    m.topLeftCell = Ref(v.topLeftCell);
    FillPane(v.Pane, *m.pane);
    FillSelection(v.Selection, *m.selection);
    if (v.RowBreaks.Count() > 0) FillPageBreaks(v.RowBreaks, *m.rowBreaks);
    if (v.ColBreaks.Count() > 0) FillPageBreaks(v.ColBreaks, *m.colBreaks);
    FillPageMargins(v.PageMargins, *m.pageMargins);
    FillPrintOptions(v.PrintOptions, *m.printOptions);
    FillPageSetup(v.PageSetup, *m.pageSetup);
    FillHeaderFooter(v.HeaderFooter, *m.headerFooter);
    FillAutoFilter(v.AutoFilter, *m.autoFilter);
  }
}

void FillCellSmartTags(const wb::TXc12SmartTags& Tags, TCT_SmartTags& E) {
  for (int i = 0; i < Tags.Count(); ++i) {
    const wb::TXc12CellSmartTags& c = *Tags.GetItem(i);
    TCT_CellSmartTags& m = *E.cellSmartTags.Add();
    m.r = c.Ref.GetAsText();
    for (int j = 0; j < c.Count(); ++j) {
      const wb::TXc12CellSmartTag& t = *c.GetItem(j);
      TCT_CellSmartTag& mt = *m.cellSmartTag.Add();
      mt.type = t.type;
      mt.deleted = t.deleted;
      mt.xmlBased = t.xmlBased;
      for (int k = 0; k < t.Count(); ++k) {
        TCT_CellSmartTagPr& p = *mt.cellSmartTagPr.Add();
        p.key = t.GetItem(k)->key;
        p.val = t.GetItem(k)->val;
      }
    }
  }
}

void FillWebPublishItems(const wb::TXc12WebPublishItems& Items, TCT_WebPublishItems& E) {
  for (int i = 0; i < Items.Count(); ++i) {
    const wb::TXc12WebPublishItem& p = *Items.GetItem(i);
    TCT_WebPublishItem& m = *E.webPublishItem.Add();
    m.id = p.id;
    m.divId = p.divId;
    m.sourceType = p.sourceType;
    m.sourceRef = p.sourceRef.GetAsText();
    m.sourceObject = p.sourceObject;
    m.destinationFile = p.destinationFile;
    m.title = p.title;
    m.autoRepublish = p.autoRepublish;
  }
  E.count = E.webPublishItem.Count();
}

void FillSheetPr(const wb::TXc12SheetPr& P, TCT_SheetPr& E) {
  E.syncHorizontal = P.syncHorizontal;
  E.syncVertical = P.syncVertical;
  E.syncRef = Ref(P.syncRef);
  E.transitionEvaluation = P.transitionEvaluation;
  E.transitionEntry = P.transitionEntry;
  E.published = P.published;
  E.codeName = P.codeName;
  E.filterMode = P.filterMode;
  E.enableFormatConditionsCalculation = P.enableFormatConditionsCalculation;
  E.outlinePr->applyStyles = P.OutlinePr.applyStyles;
  E.outlinePr->summaryBelow = P.OutlinePr.summaryBelow;
  E.outlinePr->summaryRight = P.OutlinePr.summaryRight;
  E.outlinePr->showOutlineSymbols = P.OutlinePr.showOutlineSymbols;
  E.pageSetUpPr->autoPageBreaks = P.PageSetUpPr.autoPageBreaks;
  E.pageSetUpPr->fitToPage = P.PageSetUpPr.fitToPage;
}

void FillSheetProtection(const wb::TXc12SheetProtection& P, TCT_SheetProtection& E) {
  E.password = P.password;
  E.sheet = P.sheet;
  E.objects = P.objects;
  E.scenarios = P.scenarios;
  E.formatCells = P.formatCells;
  E.formatColumns = P.formatColumns;
  E.formatRows = P.formatRows;
  E.insertColumns = P.insertColumns;
  E.insertRows = P.insertRows;
  E.insertHyperlinks = P.insertHyperlinks;
  E.deleteColumns = P.deleteColumns;
  E.deleteRows = P.deleteRows;
  E.selectLockedCells = P.selectLockedCells;
  E.sort = P.sort;
  E.autoFilter = P.autoFilter;
  E.pivotTables = P.pivotTables;
  E.selectUnlockedCells = P.selectUnlockedCells;
}

void FillScenarios(const wb::TXc12Scenarios& S, TCT_Scenarios& E) {
  E.current = S.current;
  E.show = S.show;
  SetAreas(E.sqref, S.sqref);
  for (int i = 0; i < S.Count(); ++i) {
    const wb::TXc12Scenario& s = *S.GetItem(i);
    TCT_Scenario& m = *E.scenario.Add();
    m.name = s.name;
    m.locked = s.locked;
    m.hidden = s.hidden;
    m.user = s.user;
    m.comment = s.comment;
    m.count = s.InputCells.Count();
    for (int j = 0; j < s.InputCells.Count(); ++j) {
      const wb::TXc12InputCell& c = *s.InputCells.GetItem(j);
      TCT_InputCells& ic = *m.inputCells.Add();
      ic.r = wb::ColRowToRefStr(c.Col, c.Row);
      ic.deleted = c.deleted;
      ic.undone = c.undone;
      ic.val = c.val;
      ic.numFmtId = c.numFmt ? c.numFmt->Index : 0;
    }
  }
}

void FillDataConsolidate(const wb::TXc12DataConsolidate& D, TCT_DataConsolidate& E) {
  E.function = D.function;
  E.leftLabels = D.leftLabels;
  E.topLabels = D.topLabels;
  E.link = D.link;
  for (int i = 0; i < D.DataRefs.Count(); ++i) {
    const wb::TXc12DataRef& r = *D.DataRefs.GetItem(i);
    TCT_DataRef& m = *E.dataRefs->dataRef.Add();
    m.ref = Ref(r.ref);
    m.name = r.name;
    m.sheet = r.sheet;
    m.r_id = r.RId;
  }
  E.dataRefs->count = E.dataRefs->dataRef.Count();
}

void FillDataValidations(const wb::TXc12DataValidations& List, TCT_DataValidations& E) {
  E.disablePrompts = List.disablePrompts;
  E.xWindow = List.xWindow;
  E.yWindow = List.yWindow;
  for (int i = 0; i < List.Count(); ++i) {
    const wb::TXc12DataValidation& v = *List.GetItem(i);
    TCT_DataValidation& m = *E.dataValidation.Add();
    m.type = v.type;
    m.errorStyle = v.errorStyle;
    m.imeMode = v.imeMode;
    m.operator_ = v.Operator;
    m.allowBlank = v.allowBlank;
    m.showDropDown = v.showDropDown;
    m.showInputMessage = v.showInputMessage;
    m.showErrorMessage = v.showErrorMessage;
    m.errorTitle = v.errorTitle;
    m.error = v.error;
    m.promptTitle = v.promptTitle;
    m.prompt = v.prompt;
    SetAreas(m.sqref, v.Sqref);
    m.formula1 = v.formula1;
    m.formula2 = v.formula2;
  }
  E.count = E.dataValidation.Count();
}

void FillIgnoredErrors(const wb::TXc12IgnoredErrors& List, TCT_IgnoredErrors& E) {
  for (int i = 0; i < List.Count(); ++i) {
    const wb::TXc12IgnoredError& e = *List.GetItem(i);
    TCT_IgnoredError& m = *E.ignoredError.Add();
    SetAreas(m.sqref, e.sqref);
    m.evalError = e.evalError;
    m.twoDigitTextYear = e.twoDigitTextYear;
    m.numberStoredAsText = e.numberStoredAsText;
    m.formula = e.formula;
    m.formulaRange = e.formulaRange;
    m.unlockedFormula = e.unlockedFormula;
    m.emptyCellReference = e.emptyCellReference;
    m.listDataValidation = e.listDataValidation;
    m.calculatedColumn = e.calculatedColumn;
  }
}

void FillObjectLists(const wb::TXc12DataWorksheet& W, TCT_Worksheet& E) {
  for (int i = 0; i < W.CustomProperties.Count(); ++i) {
    TCT_CustomProperty& p = *E.customProperties->customPr.Add();
    p.name = W.CustomProperties.GetItem(i)->name;
    p.r_id = W.CustomProperties.GetItem(i)->RId;
  }
  for (int i = 0; i < W.CellWatches.Count(); ++i) E.cellWatches->cellWatch.Add()->r = W.CellWatches.GetItem(i)->GetAsText();
  for (int i = 0; i < W.OleObjects.Count(); ++i) {
    const wb::TXc12OleObject& o = *W.OleObjects.GetItem(i);
    TCT_OleObject& m = *E.oleObjects->oleObject.Add();
    m.progId = o.progId;
    m.dvAspect = o.dvAspect;
    m.link = o.link;
    m.oleUpdate = o.oleUpdate;
    m.autoLoad = o.autoLoad;
    m.shapeId = o.shapeId;
    m.r_id = o.RId;
  }
  for (int i = 0; i < W.Controls.Count(); ++i) {
    const wb::TXc12Control& c = *W.Controls.GetItem(i);
    TCT_Control& m = *E.controls->control.Add();
    m.shapeId = c.shapeId;
    m.r_id = c.RId;
    m.name = c.name;
  }
  FillWebPublishItems(W.WebPublishItems, *E.webPublishItems);
}

sheetdrawing::TXPGDocXLSXDrawing* DrawingOf(const wb::TXc12DataWorksheet& Sheet) {
  return dynamic_cast<sheetdrawing::TXPGDocXLSXDrawing*>(Sheet.Drawing.get());
}

bool HasDrawing(const wb::TXc12DataWorksheet& Sheet) {
  sheetdrawing::TXPGDocXLSXDrawing* doc = DrawingOf(Sheet);
  return doc && sheetdrawing::HasAnchors(doc->GetDrawing());
}

}  // namespace xlsx_write_sheet

using namespace xlsx_write_sheet;

// ---------------------------------------------------------------------------------------------
// Merged cells and hyperlinks, asked for while the worksheet root is written

void TXLSWriteXLSX::NextMergedCell(TCT_MergeCell* Cell, bool& More) {
  const wb::TXc12MergedCells& merged = *CurrentSheet_->MergedCells;
  if (!Cell) {
    More = merged.Count() > 0;
    return;
  }
  More = MergeIndex_ < merged.Count();
  if (!More) return;
  Cell->ref = merged.GetItem(MergeIndex_++)->GetAsText();
}

void TXLSWriteXLSX::NextHyperlink(TCT_Hyperlink* Link, bool& More) {
  const wb::TXc12Hyperlinks& links = *CurrentSheet_->Hyperlinks;
  if (!Link) {
    More = links.Count() > 0;
    return;
  }
  More = HyperlinkIndex_ < links.Count();
  if (!More) return;
  const wb::TXc12Hyperlink& h = *links.GetItem(HyperlinkIndex_++);
  Link->ref = Ref(h.Ref);
  Link->tooltip = h.Tooltip;
  Link->display = h.Display;
  if (h.Kind == wb::xhltWorkbook) {
    Link->location = h.Address;
    return;
  }
  Link->location = h.Location;
  // A link with no target beyond its location (an unclassified place in the workbook) gets no
  // relationship: one with an empty or location-only target would lead nowhere.
  if (h.Address.empty() || (h.Kind == wb::xhltUnknown && h.Address == h.Location)) return;
  TOPCItem* target = Package_->CreateHyperlink(CurrentSheetItem_, h.Address);
  Link->r_id = core::utf8_to_utf16(target->GetId());
  target->Close();
}

// ---------------------------------------------------------------------------------------------
// Satellite parts

void TXLSWriteXLSX::WriteDrawing(TOPCItem* SheetItem, std::string& Id) {
  sheetdrawing::TXPGDocXLSXDrawing* doc = DrawingOf(*CurrentSheet_);
  Id.clear();
  if (!doc) return;
  if (TOPCItem* item = doc->SaveToPackage(*Package_, SheetItem, CurrentSheet_->Index + 1)) Id = item->GetId();
}

void TXLSWriteXLSX::WriteVmlDrawing(TOPCItem* SheetItem, std::string& Id) {
  wb::TXc12DataWorksheet& sheet = *CurrentSheet_;
  TOPCItem* item = Package_->CreateVmlDrawing(SheetItem, sheet.Index + 1);
  Id = item->GetId();
  if (sheet.VmlDrawing.IsEmpty()) sheet.VmlDrawing.LoadFromString(kDefaultVml);
  const TXpgDOMNode* source = sheet.VmlDrawing.Root()->GetItem(0);
  if (source->Name != u"xml") {
    // A drawing of another shape than the usual is written back as it was read.
    StreamTree(item, sheet.VmlDrawing);
    Package_->CloseItem(item);
    return;
  }
  TXpgSimpleDOM tree;
  TXpgDOMNode* xml = tree.Root()->Add(source->Clone());
  for (int i = 0; i < sheet.Comments.Count(); ++i) {
    wb::TXc12Comment& note = *sheet.Comments.GetItem(i);
    // A note made without a shape (through the programming interface) gets the standard one, or
    // it would not show.
    if (!note.Shape) note.CreateVmlShape();
    note.UpdateVmlShape();
    xml->Add(note.Shape->Clone());
  }
  StreamTree(item, tree);
  Package_->CloseItem(item);
}

void TXLSWriteXLSX::WriteTable(wb::TXc12Table& Table, TOPCItem* SheetItem, std::string& Id) {
  TOPCItem* item = Package_->CreateTable(SheetItem);
  Id = item->GetId();
  TCT_Table& e = *Doc_->Root().table;
  e.Clear();
  e.id = Table.id;
  e.name = Table.Name;
  e.displayName = Table.displayName;
  e.comment = Table.comment;
  e.ref = Ref(Table.Ref);
  e.tableType = Table.tableType;
  e.headerRowCount = Table.headerRowCount;
  e.insertRow = Table.insertRow;
  e.insertRowShift = Table.insertRowShift;
  e.totalsRowCount = Table.totalsRowCount;
  e.totalsRowShown = Table.totalsRowShown;
  e.published = Table.published;
  e.headerRowDxfId = Table.headerRowDxfId;
  e.dataDxfId = Table.dataDxfId;
  e.totalsRowDxfId = Table.totalsRowDxfId;
  e.headerRowBorderDxfId = Table.headerRowBorderDxfId;
  e.tableBorderDxfId = Table.tableBorderDxfId;
  e.totalsRowBorderDxfId = Table.totalsRowBorderDxfId;
  e.headerRowCellStyle = Table.headerRowCellStyle;
  e.dataCellStyle = Table.dataCellStyle;
  e.totalsRowCellStyle = Table.totalsRowCellStyle;
  e.connectionId = Table.connectionId;
  if (wb::CellAreaAssigned(Table.AutoFilter.Ref)) FillAutoFilter(Table.AutoFilter, *e.autoFilter);
  if (wb::CellAreaAssigned(Table.SortState.Ref)) FillSortState(Table.SortState, *e.sortState);
  e.tableColumns->count = Table.Columns.Count();
  for (int i = 0; i < Table.Columns.Count(); ++i) {
    const wb::TXc12TableColumn& c = *Table.Columns.GetItem(i);
    TCT_TableColumn& m = *e.tableColumns->tableColumn.Add();
    m.id = c.id;
    m.uniqueName = c.uniqueName;
    m.name = c.Name;
    m.totalsRowFunction = c.totalsRowFunction;
    m.totalsRowLabel = c.totalsRowLabel;
    m.queryTableFieldId = c.queryTableFieldId;
    m.headerRowDxfId = c.headerRowDxfId;
    m.dataDxfId = c.dataDxfId;
    m.totalsRowDxfId = c.totalsRowDxfId;
    m.headerRowCellStyle = c.headerRowCellStyle;
    m.dataCellStyle = c.dataCellStyle;
    m.totalsRowCellStyle = c.totalsRowCellStyle;
    if (!c.CalculatedColumnFormula.Text.empty()) {
      m.calculatedColumnFormula->array = c.CalculatedColumnFormula.Array;
      m.calculatedColumnFormula->formula = c.CalculatedColumnFormula.Text;
    }
    if (!c.TotalsRowFormula.Text.empty()) {
      m.totalsRowFormula->array = c.TotalsRowFormula.Array;
      m.totalsRowFormula->formula = c.TotalsRowFormula.Text;
    }
    if (!c.XmlColumnPr.xpath.empty()) {
      m.xmlColumnPr->mapId = c.XmlColumnPr.mapId;
      m.xmlColumnPr->xpath = c.XmlColumnPr.xpath;
      m.xmlColumnPr->denormalized = c.XmlColumnPr.denormalized;
      m.xmlColumnPr->xmlDataType = c.XmlColumnPr.xmlDataType;
    }
  }
  e.tableStyleInfo->name = Table.StyleInfo.name;
  e.tableStyleInfo->showFirstColumn = Table.StyleInfo.showFirstColumn;
  e.tableStyleInfo->showLastColumn = Table.StyleInfo.showLastColumn;
  e.tableStyleInfo->showRowStripes = Table.StyleInfo.showRowStripes;
  e.tableStyleInfo->showColumnStripes = Table.StyleInfo.showColumnStripes;
  SavePart(item, e);
  e.Clear();
  Package_->CloseItem(item);
  if (!Table.QueryTable.IsEmpty()) StoreTree(*Package_, Package_->CreateQueryTable(item), Table.QueryTable);
}

// The drawing, the VML drawing and the printer settings of the current sheet, each when the sheet
// has one, with the ids the sheet root refers to them by.
void TXLSWriteXLSX::WriteDrawingParts(std::u16string& DrawingId, std::u16string& VmlId, std::u16string& PrinterId) {
  wb::TXc12DataWorksheet& sheet = *CurrentSheet_;
  std::string id;
  if (HasDrawing(sheet)) {
    WriteDrawing(CurrentSheetItem_, id);
    DrawingId = core::utf8_to_utf16(id);
  }
  if (!sheet.VmlDrawing.IsEmpty() || sheet.Comments.Count() > 0) {
    WriteVmlDrawing(CurrentSheetItem_, id);
    VmlId = core::utf8_to_utf16(id);
  }
  if (sheet.PageSetup.PrinterSettings) {
    sheet.PageSetup.PrinterSettings->SetPosition(0);
    Package_->AddPrinterSettings(CurrentSheetItem_, *sheet.PageSetup.PrinterSettings, id);
    PrinterId = core::utf8_to_utf16(id);
  }
}

// ---------------------------------------------------------------------------------------------
// Worksheets

void TXLSWriteXLSX::WriteWorksheet(wb::TXc12DataWorksheet& Sheet) {
  CurrentSheet_ = &Sheet;
  MergeIndex_ = 0;
  HyperlinkIndex_ = 0;
  CurrentSheetItem_ = Package_->CreateWorksheet(Sheet.Index + 1);
  Manager_->FileData->WriteSheetParts(Sheet.Index);

  TCT_Worksheet& w = *Doc_->Root().worksheet;
  // Hooked for every worksheet, so that they hold whatever clearing the root does to its lists.
  w.mergeCells->OnWriteMergeCell = [this](TCT_MergeCell* c, bool& more) { NextMergedCell(c, more); };
  w.hyperlinks->OnWriteHyperlink = [this](TCT_Hyperlink* h, bool& more) { NextHyperlink(h, more); };

  WriteDrawingParts(w.drawing->r_id, w.legacyDrawing->r_id, w.pageSetup->r_id);
  std::string id;
  if (Sheet.Comments.Count() > 0) {
    TXLSWriteSheetData comments(*this, *Doc_->Root().comments, *w.sheetData, Sheet);
    comments.WriteComments(CurrentSheetItem_);
  }
  // Tables are saved through the same document before the sheet root is filled.
  SetRootNamespaces(false);
  for (int i = 0; i < Sheet.Tables.Count(); ++i) {
    WriteTable(*Sheet.Tables.GetItem(i), CurrentSheetItem_, id);
    w.tableParts->tablePart.Add()->r_id = core::utf8_to_utf16(id);
  }
  w.tableParts->count = w.tableParts->tablePart.Count();
  for (int i = 0; i < Sheet.PivotTables.Count(); ++i) {
    wb::TXLSPivotTable& pivot = *Sheet.PivotTables.GetItem(i);
    // A pivot table is nothing without its cache: one whose cache was not kept is left out.
    if (!pivot.CacheDefinition || pivot.DOM.IsEmpty()) continue;
    const int n = pivot.CacheDefinition->Index + 1;
    pivot.DOM.Root()->GetItem(0)->Attributes.SetIntValue(u"cacheId", n);
    TOPCItem* item = Package_->CreatePivotTable();
    StreamTree(item, pivot.DOM);
    Package_->CreateItem(item, reltype::kPivotCacheDefinition,
                         u"../pivotCache/pivotCacheDefinition" + core::utf8_to_utf16(std::to_string(n)) + u".xml", u"");
  }

  SetRootNamespaces(true);
  Sheet.Cells->CalcDimension();
  wb::TXLSCellArea used;
  Sheet.GetDimension(used);
  w.dimension->ref = Ref(used);

  FillSheetPr(Sheet.SheetPr, *w.sheetPr);
  if (Sheet.SheetPr.tabColor.ColorType != wb::xctUnassigned) FillColor(Sheet.SheetPr.tabColor, *w.sheetPr->tabColor);
  if (Sheet.SheetViews.Count() > 0) FillSheetViews(Sheet.SheetViews, *w.sheetViews);
  const wb::TXc12SheetFormatPr& format = Sheet.SheetFormatPr;
  w.sheetFormatPr->baseColWidth = format.baseColWidth;
  w.sheetFormatPr->defaultColWidth = format.defaultColWidth;
  w.sheetFormatPr->defaultRowHeight = format.defaultRowHeight / 20;
  w.sheetFormatPr->customHeight = format.customHeight;
  w.sheetFormatPr->zeroHeight = format.zeroHeight;
  w.sheetFormatPr->thickTop = format.thickTop;
  w.sheetFormatPr->thickBottom = format.thickBottom;
  w.sheetFormatPr->outlineLevelRow = format.outlineLevelRow;
  w.sheetFormatPr->outlineLevelCol = format.outlineLevelCol;
  w.sheetCalcPr->fullCalcOnLoad = Sheet.SheetCalcPr.fullCalcOnLoad;
  FillSheetProtection(Sheet.SheetProtection, *w.sheetProtection);
  for (int i = 0; i < Sheet.ProtectedRanges.Count(); ++i) {
    const wb::TXc12ProtectedRange& r = *Sheet.ProtectedRanges.GetItem(i);
    TCT_ProtectedRange& m = *w.protectedRanges->protectedRange.Add();
    m.password = static_cast<std::uint32_t>(r.password);
    SetAreas(m.sqref, r.sqref);
    m.name = r.name;
    m.securityDescriptor = r.securityDescriptor;
  }
  if (Sheet.Scenarios.Count() > 0) FillScenarios(Sheet.Scenarios, *w.scenarios);
  if (Sheet.AutoFilter->Columns.Count() > 0 || wb::CellAreaAssigned(Sheet.AutoFilter->Ref))
    FillAutoFilter(*Sheet.AutoFilter, *w.autoFilter);
  if (Sheet.SortState.SortConditions.Count() > 0) FillSortState(Sheet.SortState, *w.sortState);
  if (Sheet.DataConsolidate.DataRefs.Count() > 0) FillDataConsolidate(Sheet.DataConsolidate, *w.dataConsolidate);
  if (Sheet.CustomSheetViews.Count() > 0) FillCustomSheetViews(Sheet.CustomSheetViews, *w.customSheetViews);
  if (Sheet.PhoneticPr.fontId != 0) {
    w.phoneticPr->fontId = Sheet.PhoneticPr.fontId;
    w.phoneticPr->type = Sheet.PhoneticPr.type;
    w.phoneticPr->alignment = Sheet.PhoneticPr.alignment;
  }
  for (int i = 0; i < Sheet.ConditionalFormats->Count(); ++i)
    FillConditionalFormatting(*Sheet.ConditionalFormats->GetItem(i), *w.conditionalFormatting.Add());
  if (Sheet.DataValidations->Count() > 0) FillDataValidations(*Sheet.DataValidations, *w.dataValidations);
  FillPrintOptions(Sheet.PrintOptions, *w.printOptions);
  FillPageMargins(Sheet.PageMargins, *w.pageMargins);
  FillPageSetup(Sheet.PageSetup, *w.pageSetup);
  FillHeaderFooter(Sheet.HeaderFooter, *w.headerFooter);
  if (Sheet.RowBreaks.Count() > 0) FillPageBreaks(Sheet.RowBreaks, *w.rowBreaks);
  if (Sheet.ColBreaks.Count() > 0) FillPageBreaks(Sheet.ColBreaks, *w.colBreaks);
  FillIgnoredErrors(Sheet.IgnoredErrors, *w.ignoredErrors);
  FillCellSmartTags(Sheet.SmartTags, *w.smartTags);
  FillObjectLists(Sheet, w);

  {
    TXLSWriteSheetData data(*this, *Doc_->Root().comments, *w.sheetData, Sheet);
    Doc_->OnWriteCol = [&data](TCT_Col& c, bool& more) { data.NextColumn(c, more); };
    struct Unhook {
      TXPGDocXLSX& doc;
      ~Unhook() { doc.OnWriteCol = nullptr; }
    } unhook{*Doc_};
    if (Sheet.Columns.Count() > 0) w.cols.Add();
    data.Start();
    StreamPart(CurrentSheetItem_, w);
  }
  Package_->CloseItem(CurrentSheetItem_);
  w.Clear();
}

void TXLSWriteXLSX::FillConditionalFormatting(const wb::TXc12ConditionalFormatting& F,
                                              TCT_ConditionalFormatting& E) const {
  E.pivot = F.pivot;
  SetAreas(E.sqref, F.Sqref);
  for (int i = 0; i < F.Rules.Count(); ++i) {
    const wb::TXc12CfRule& r = *F.Rules.GetItem(i);
    TCT_CfRule& m = *E.cfRule.Add();
    m.type = r.type;
    if (r.dxf) m.dxfId = r.dxf->Index;
    m.priority = r.priority;
    m.stopIfTrue = r.stopIfTrue;
    m.aboveAverage = r.aboveAverage;
    m.percent = r.percent;
    m.bottom = r.bottom;
    m.operator_ = r.Operator;
    m.text = r.text;
    m.timePeriod = r.timePeriod;
    m.rank = r.rank;
    m.stdDev = r.stdDev;
    m.equalAverage = r.equalAverage;
    for (int j = 0; j < 3; ++j) {
      std::u16string text;
      r.GetFormula(j, text);
      if (!text.empty()) m.formula.Add(text);
    }
    if (r.ColorScale.Cfvos.Count() > 0 || r.ColorScale.Colors.Count() > 0) {
      for (int j = 0; j < r.ColorScale.Cfvos.Count(); ++j) FillCfvo(*r.ColorScale.Cfvos.GetItem(j), *m.colorScale->cfvo.Add());
      for (int j = 0; j < r.ColorScale.Colors.Count(); ++j) {
        wb::TXc12Color c;
        r.ColorScale.Colors.GetItem(j, c);
        FillColor(c, *m.colorScale->color.Add());
      }
    }
    // Data bars and icon sets belong to their own rule types.
    if (r.type == kRuleDataBar) {
      const wb::TXc12DataBar& d = r.DataBar;
      m.dataBar->minLength = d.minLength;
      m.dataBar->maxLength = d.maxLength;
      m.dataBar->showValue = d.showValue;
      // A value object of the lowest or highest value has no value text and is still written:
      // a data bar without its two value objects is no data bar.
      if (CfvoInUse(d.Cfvo1)) FillCfvo(d.Cfvo1, *m.dataBar->cfvo.Add());
      if (CfvoInUse(d.Cfvo2)) FillCfvo(d.Cfvo2, *m.dataBar->cfvo.Add());
      FillColor(d.Color, *m.dataBar->color);
    }
    if (r.type == kRuleIconSet) {
      const wb::TXc12IconSet& s = r.IconSet;
      m.iconSet->iconSet = s.iconSet;
      m.iconSet->showValue = s.showValue;
      m.iconSet->percent = s.percent;
      m.iconSet->reverse = s.reverse;
      for (int j = 0; j < s.Cfvos.Count(); ++j) FillCfvo(*s.Cfvos.GetItem(j), *m.iconSet->cfvo.Add());
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Chartsheets

void TXLSWriteXLSX::WriteChartsheet(wb::TXc12DataWorksheet& Sheet) {
  CurrentSheet_ = &Sheet;
  CurrentSheetItem_ = Package_->CreateChartsheet(Sheet.Index + 1);
  Manager_->FileData->WriteSheetParts(Sheet.Index);
  TCT_Chartsheet& c = *Doc_->Root().chartsheet;
  WriteDrawingParts(c.drawing->r_id, c.legacyDrawing->r_id, c.pageSetup->r_id);
  SetRootNamespaces(true);
  c.sheetPr->published = Sheet.SheetPr.published;
  c.sheetPr->codeName = Sheet.SheetPr.codeName;
  if (Sheet.SheetPr.tabColor.ColorType != wb::xctUnassigned) FillColor(Sheet.SheetPr.tabColor, *c.sheetPr->tabColor);
  for (int i = 0; i < Sheet.SheetViews.Count(); ++i) {
    const wb::TXc12SheetView& v = *Sheet.SheetViews.GetItem(i);
    TCT_ChartsheetView& m = *c.sheetViews->sheetView.Add();
    m.tabSelected = v.tabSelected;
    m.zoomScale = v.zoomScale;
    m.workbookViewId = v.workbookViewId;
    m.zoomToFit = v.zoomToFit;
  }
  c.sheetProtection->password = Sheet.SheetProtection.password;
  c.sheetProtection->objects = Sheet.SheetProtection.objects;
  FillPageMargins(Sheet.PageMargins, *c.pageMargins);
  FillHeaderFooter(Sheet.HeaderFooter, *c.headerFooter);
  FillWebPublishItems(Sheet.WebPublishItems, *c.webPublishItems);
  struct ClearRoot {
    TCT_Chartsheet& c;
    ~ClearRoot() { c.Clear(); }
  } clear{c};
  StreamPart(CurrentSheetItem_, c);
  Package_->CloseItem(CurrentSheetItem_);
}

}  // namespace ooxml
