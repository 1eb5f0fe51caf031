// Everything of a worksheet part besides its cells, rows and columns: properties, views, merges,
// hyperlinks, protection, filters and sorting, conditional formats, validations, print settings
// and the smaller lists. Elements are copied attribute by attribute into the sheet's model record
// of the same name; cell references become 0-based areas.
#include <algorithm>

#include "core/unicode.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "ooxml/xlsx/xlsx_sheet_contents.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

// Named, not anonymous: the build joins this unit with its siblings.
namespace xlsx_sheet_contents {

using TColorFn = std::function<void(const TCT_Color&, wb::TXc12Color&)>;

wb::TXLSCellArea Area(const std::u16string& Text) {
  wb::TXLSCellArea a;
  if (!wb::AreaStrToCellArea(Text, a)) wb::ClearCellArea(a);
  return a;
}

// An area inside the grid with its corners in order; what else a damaged file gives is not kept.
bool OnGrid(const wb::TXLSCellArea& A) {
  return A.Col1 >= 0 && A.Row1 >= 0 && A.Col1 <= A.Col2 && A.Row1 <= A.Row2 && A.Col2 <= wb::XLS_MAXCOL &&
         A.Row2 <= wb::XLS_MAXROW;
}

void Areas(const TStringXpgList& List, wb::TCellAreas& Target) {
  Target.Clear();
  Target.SetAsText(List.GetDelimitedText());
}

// The DXF a rule or filter names: none for a negative id, the list's error past its end.
wb::TXc12DXF* DXF(const wb::TXc12DataStyleSheet& Styles, int Id) {
  if (Id < 0) return nullptr;
  if (Id >= Styles.DXFs->Count())
    throw wb::Exception("The worksheet refers to differential format " + std::to_string(Id) + ", which the styles do not hold");
  return Styles.DXFs->GetItem(Id);
}

void ReadPane(const TCT_Pane& E, wb::TXc12Pane& P) {
  P.xSplit = E.xSplit;
  P.ySplit = E.ySplit;
  P.topLeftCell = Area(E.topLeftCell);
  P.activePane = E.activePane;
  P.state = E.state;
  P.Present = true;
}

void ReadSelection(const TCT_Selection& E, wb::TXc12Selection& S) {
  S.pane = E.pane;
  S.activeCell = Area(E.activeCell);
  S.activeCellId = E.activeCellId;
  // Without sqref the selection keeps its default, the cell A1.
  if (E.sqref.GetCount() > 0) Areas(E.sqref, S.sqref);
}

void ReadPivotArea(const TCT_PivotArea& E, wb::TXc12PivotArea& A) {
  A.field = E.field;
  A.type = E.type;
  A.dataOnly = E.dataOnly;
  A.labelOnly = E.labelOnly;
  A.grandRow = E.grandRow;
  A.grandCol = E.grandCol;
  A.cacheIndex = E.cacheIndex;
  A.outline = E.outline;
  A.offset = Area(E.offset);
  A.collapsedLevelsAreSubtotals = E.collapsedLevelsAreSubtotals;
  A.axis = E.axis == 255 ? 4 : E.axis;
  A.fieldPosition = E.fieldPosition;
  const TCT_PivotAreaReferenceXpgList& refs = E.references->reference;
  for (int i = 0; i < refs.Count(); ++i) {
    const TCT_PivotAreaReference& r = *refs[i];
    wb::TXc12PivotAreaReference& m = *A.References.Add();
    m.field = static_cast<std::int32_t>(r.field);
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
    for (int j = 0; j < r.x.Count(); ++j) m.Items.Add(r.x[j]->v);
  }
}

void ReadSheetViews(const TCT_SheetViews& E, wb::TXc12SheetViews& Views) {
  Views.Clear();
  for (int i = 0; i < E.sheetView.Count(); ++i) {
    const TCT_SheetView& v = *E.sheetView[i];
    wb::TXc12SheetView& m = *Views.Add();
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
    m.topLeftCell = Area(v.topLeftCell);
    m.colorId = v.colorId;
    m.zoomScale = v.zoomScale;
    m.zoomScaleNormal = v.zoomScaleNormal;
    m.zoomScaleSheetLayoutView = v.zoomScaleSheetLayoutView;
    m.zoomScalePageLayoutView = v.zoomScalePageLayoutView;
    m.workbookViewId = v.workbookViewId;
    if (v.pane->Assigned()) ReadPane(*v.pane, m.Pane);
    for (int j = 0; j < v.selection.Count(); ++j) ReadSelection(*v.selection[j], *m.Selections.Add());
    for (int j = 0; j < v.pivotSelection.Count(); ++j) {
      const TCT_PivotSelection& p = *v.pivotSelection[j];
      wb::TXc12PivotSelection& s = *m.PivotSelections.Add();
      s.pane = p.pane;
      s.showHeader = p.showHeader;
      s.label = p.label;
      s.data = p.data;
      s.extendable = p.extendable;
      s.axis = p.axis == 255 ? 4 : p.axis;
      s.dimension = p.dimension;
      s.start = p.start;
      s.min = p.min;
      s.max = p.max;
      s.activeRow = p.activeRow;
      s.activeCol = p.activeCol;
      s.previousRow = p.previousRow;
      s.previousCol = p.previousCol;
      s.click = p.click;
      s.RId = p.r_id;
      ReadPivotArea(*p.pivotArea, s.PivotArea);
    }
  }
}

void ReadPrintOptions(const TCT_PrintOptions& E, wb::TXc12PrintOptions& P) {
  P.horizontalCentered = E.horizontalCentered;
  P.verticalCentered = E.verticalCentered;
  P.headings = E.headings;
  P.gridLines = E.gridLines;
  P.gridLinesSet = E.gridLinesSet;
}

void ReadPageMargins(const TCT_PageMargins& E, wb::TXc12PageMargins& P) {
  P.left = E.left;
  P.right = E.right;
  P.top = E.top;
  P.bottom = E.bottom;
  P.header = E.header;
  P.footer = E.footer;
}

void ReadHeaderFooter(const TCT_HeaderFooter& E, wb::TXc12HeaderFooter& H) {
  H.differentOddEven = E.differentOddEven;
  H.differentFirst = E.differentFirst;
  H.scaleWithDoc = E.scaleWithDoc;
  H.alignWithMargins = E.alignWithMargins;
  H.oddHeader = E.oddHeader;
  H.oddFooter = E.oddFooter;
  H.evenHeader = E.evenHeader;
  H.evenFooter = E.evenFooter;
  H.firstHeader = E.firstHeader;
  H.firstFooter = E.firstFooter;
}

void ReadPageBreaks(const TCT_PageBreak& E, wb::TXc12PageBreaks& List) {
  for (int i = 0; i < E.brk.Count(); ++i) {
    const TCT_Break& b = *E.brk[i];
    wb::TXc12Break& m = *List.Add();
    m.id = b.id;
    m.min = b.min;
    m.max = b.max;
    m.man = b.man;
    m.pt = b.pt;
  }
}

void ReadSortState(const TCT_SortState& E, wb::TXc12SortState& S) {
  S.columnSort = E.columnSort;
  S.caseSensitive = E.caseSensitive;
  S.sortMethod = E.sortMethod;
  S.Ref = Area(E.ref);
  for (int i = 0; i < E.sortCondition.Count(); ++i) {
    const TCT_SortCondition& c = *E.sortCondition[i];
    wb::TXc12SortCondition& m = *S.SortConditions.Add();
    m.descending = c.descending;
    m.sortBy = c.sortBy;
    m.ref = Area(c.ref);
    m.customList = c.customList;
    m.dxfId = c.dxfId;
    m.iconSet = c.iconSet;
    m.iconId = c.iconId;
  }
}

void ReadAutoFilter(const TCT_AutoFilter& E, wb::TXc12AutoFilter& F, const wb::TXc12DataStyleSheet& Styles) {
  F.Ref = Area(E.ref);
  for (int i = 0; i < E.filterColumn.Count(); ++i) {
    const TCT_FilterColumn& c = *E.filterColumn[i];
    wb::TXc12FilterColumn& m = *F.Columns.Add();
    m.colId = c.colId;
    m.hiddenButton = c.hiddenButton;
    m.showButton = c.showButton;
    m.Filters.blank = c.filters->blank;
    m.Filters.calendarType = c.filters->calendarType;
    for (int j = 0; j < c.filters->filter.Count(); ++j) m.Filters.Values.push_back(c.filters->filter[j]->val);
    for (int j = 0; j < c.filters->dateGroupItem.Count(); ++j) {
      const TCT_DateGroupItem& d = *c.filters->dateGroupItem[j];
      wb::TXc12DateGroupItem& g = *m.Filters.DateGroupItems.Add();
      g.year = d.year;
      g.month = d.month;
      g.day = d.day;
      g.hour = d.hour;
      g.minute = d.minute;
      g.second = d.second;
      g.dateTimeGrouping = d.dateTimeGrouping == 255 ? 0 : d.dateTimeGrouping;
    }
    if (c.top10->Assigned()) {
      m.Top10.InUse = true;
      m.Top10.top = c.top10->top;
      m.Top10.percent = c.top10->percent;
      m.Top10.val = c.top10->val;
      m.Top10.filterVal = c.top10->filterVal;
    }
    const TCT_CustomFilterXpgList& custom = c.customFilters->customFilter;
    if (custom.Count() > 0) {
      // The model holds two conditions, as the file format allows.
      m.CustomFilters.InUse = true;
      m.CustomFilters.And = c.customFilters->and_;
      m.CustomFilters.Filter1.Operator = custom[0]->operator_;
      m.CustomFilters.Filter1.val = custom[0]->val;
      if (custom.Count() > 1) {
        m.CustomFilters.Filter2.Operator = custom[1]->operator_;
        m.CustomFilters.Filter2.val = custom[1]->val;
      }
    }
    if (c.dynamicFilter->Assigned()) {
      m.DynamicFilter.Type = c.dynamicFilter->type;
      m.DynamicFilter.val = c.dynamicFilter->val;
      m.DynamicFilter.maxVal = c.dynamicFilter->maxVal;
    } else {
      m.DynamicFilter.Type = wb::TXc12DynamicFilter::kNotInUse;
    }
    if (c.colorFilter->Assigned()) {
      m.ColorFilter.dxf = DXF(Styles, c.colorFilter->dxfId);
      m.ColorFilter.cellColor = c.colorFilter->cellColor;
    }
    if (c.iconFilter->Assigned()) {
      m.IconFilter.iconSet = c.iconFilter->iconSet == 255 ? 0 : c.iconFilter->iconSet;
      m.IconFilter.iconId = c.iconFilter->iconId;
    }
  }
  if (E.sortState->Assigned()) ReadSortState(*E.sortState, F.SortState);
}

void ReadCfvo(const TCT_Cfvo& E, wb::TXc12Cfvo& C) {
  C.type = E.type == 255 ? 0 : E.type;
  C.val = E.val;
  C.gte = E.gte;
}

void ReadConditionalFormatting(const TCT_ConditionalFormatting& E, wb::TXc12ConditionalFormatting& F,
                               const wb::TXc12DataStyleSheet& Styles, const TColorFn& Color) {
  F.pivot = E.pivot;
  Areas(E.sqref, F.Sqref);
  for (int i = 0; i < E.cfRule.Count(); ++i) {
    const TCT_CfRule& r = *E.cfRule[i];
    wb::TXc12CfRule& m = *F.Rules.Add();
    if (r.type != 255) m.type = r.type;
    m.dxf = DXF(Styles, r.dxfId);
    m.priority = r.priority;
    m.stopIfTrue = r.stopIfTrue;
    m.aboveAverage = r.aboveAverage;
    m.percent = r.percent;
    m.bottom = r.bottom;
    if (r.operator_ != 255) m.Operator = r.operator_;
    m.text = r.text;
    if (r.timePeriod != 255) m.timePeriod = r.timePeriod;
    m.rank = r.rank;
    m.stdDev = r.stdDev;
    m.equalAverage = r.equalAverage;
    // Formula texts as the legacy road stores them: the text, compiled when first evaluated.
    for (int j = 0; j < std::min(r.formula.GetCount(), 3); ++j) m.SetFormula(j, r.formula.GetItem(j));
    if (r.colorScale->Assigned()) {
      for (int j = 0; j < r.colorScale->cfvo.Count(); ++j) ReadCfvo(*r.colorScale->cfvo[j], *m.ColorScale.Cfvos.Add());
      for (int j = 0; j < r.colorScale->color.Count(); ++j) {
        wb::TXc12Color c;
        Color(*r.colorScale->color[j], c);
        m.ColorScale.Colors.Add(c);
      }
    }
    if (r.dataBar->Assigned()) {
      const TCT_DataBar& d = *r.dataBar;
      m.DataBar.minLength = d.minLength;
      m.DataBar.maxLength = d.maxLength;
      m.DataBar.showValue = d.showValue;
      if (d.cfvo.Count() > 0) ReadCfvo(*d.cfvo[0], m.DataBar.Cfvo1);
      if (d.cfvo.Count() > 1) ReadCfvo(*d.cfvo[1], m.DataBar.Cfvo2);
      if (d.color->Assigned()) Color(*d.color, m.DataBar.Color);
    }
    if (r.iconSet->Assigned()) {
      const TCT_IconSet& s = *r.iconSet;
      m.IconSet.iconSet = s.iconSet;
      m.IconSet.showValue = s.showValue;
      m.IconSet.percent = s.percent;
      m.IconSet.reverse = s.reverse;
      for (int j = 0; j < s.cfvo.Count(); ++j) ReadCfvo(*s.cfvo[j], *m.IconSet.Cfvos.Add());
    }
  }
}

void ReadDataValidations(const TCT_DataValidations& E, wb::TXc12DataValidations& List) {
  List.disablePrompts = E.disablePrompts;
  List.xWindow = E.xWindow;
  List.yWindow = E.yWindow;
  for (int i = 0; i < E.dataValidation.Count(); ++i) {
    const TCT_DataValidation& v = *E.dataValidation[i];
    wb::TXc12DataValidation& m = *List.Add();
    m.type = v.type;
    m.errorStyle = v.errorStyle;
    m.imeMode = v.imeMode;
    m.Operator = v.operator_;
    m.allowBlank = v.allowBlank;
    m.showDropDown = v.showDropDown;
    m.showInputMessage = v.showInputMessage;
    m.showErrorMessage = v.showErrorMessage;
    m.errorTitle = v.errorTitle;
    m.error = v.error;
    m.promptTitle = v.promptTitle;
    m.prompt = v.prompt;
    Areas(v.sqref, m.Sqref);
    m.formula1 = v.formula1;
    m.formula2 = v.formula2;
  }
}

void ReadSheetPr(const TCT_SheetPr& E, wb::TXc12SheetPr& P, const TColorFn& Color) {
  P.syncHorizontal = E.syncHorizontal;
  P.syncVertical = E.syncVertical;
  P.syncRef = Area(E.syncRef);
  P.transitionEvaluation = E.transitionEvaluation;
  P.transitionEntry = E.transitionEntry;
  P.published = E.published;
  P.codeName = E.codeName;
  P.filterMode = E.filterMode;
  P.enableFormatConditionsCalculation = E.enableFormatConditionsCalculation;
  Color(*E.tabColor, P.tabColor);
  if (E.outlinePr->Assigned()) {
    P.OutlinePr.applyStyles = E.outlinePr->applyStyles;
    P.OutlinePr.summaryBelow = E.outlinePr->summaryBelow;
    P.OutlinePr.summaryRight = E.outlinePr->summaryRight;
    P.OutlinePr.showOutlineSymbols = E.outlinePr->showOutlineSymbols;
  }
  if (E.pageSetUpPr->Assigned()) {
    P.PageSetUpPr.autoPageBreaks = E.pageSetUpPr->autoPageBreaks;
    P.PageSetUpPr.fitToPage = E.pageSetUpPr->fitToPage;
  }
}

void ReadSheetFormatPr(const TCT_SheetFormatPr& E, wb::TXc12SheetFormatPr& F) {
  F.baseColWidth = E.baseColWidth;
  F.defaultColWidth = E.defaultColWidth;
  F.defaultRowHeight = E.defaultRowHeight * 20;  // twentieths of a point
  F.customHeight = E.customHeight;
  F.zeroHeight = E.zeroHeight;
  F.thickTop = E.thickTop;
  F.thickBottom = E.thickBottom;
  F.outlineLevelRow = E.outlineLevelRow;
  F.outlineLevelCol = E.outlineLevelCol;
}

void ReadSheetProtection(const TCT_SheetProtection& E, wb::TXc12SheetProtection& P) {
  P.password = static_cast<std::uint16_t>(E.password);
  P.sheet = E.sheet;
  P.objects = E.objects;
  P.scenarios = E.scenarios;
  P.formatCells = E.formatCells;
  P.formatColumns = E.formatColumns;
  P.formatRows = E.formatRows;
  P.insertColumns = E.insertColumns;
  P.insertRows = E.insertRows;
  P.insertHyperlinks = E.insertHyperlinks;
  P.deleteColumns = E.deleteColumns;
  P.deleteRows = E.deleteRows;
  P.selectLockedCells = E.selectLockedCells;
  P.sort = E.sort;
  P.autoFilter = E.autoFilter;
  P.pivotTables = E.pivotTables;
  P.selectUnlockedCells = E.selectUnlockedCells;
}

void ReadScenarios(const TCT_Scenarios& E, wb::TXc12Scenarios& S, const wb::TXc12DataStyleSheet& Styles) {
  S.current = E.current;
  S.show = E.show;
  Areas(E.sqref, S.sqref);
  for (int i = 0; i < E.scenario.Count(); ++i) {
    const TCT_Scenario& s = *E.scenario[i];
    wb::TXc12Scenario& m = *S.Add();
    m.name = s.name;
    m.locked = s.locked;
    m.hidden = s.hidden;
    m.user = s.user;
    m.comment = s.comment;
    for (int j = 0; j < s.inputCells.Count(); ++j) {
      const TCT_InputCells& c = *s.inputCells[j];
      wb::TXc12InputCell& ic = *m.InputCells.AddFromText(c.r);
      ic.deleted = c.deleted;
      ic.undone = c.undone;
      ic.val = c.val;
      const int id = c.numFmtId;
      ic.numFmt = id >= 0 && id < Styles.NumberFormats->Count() ? Styles.NumberFormats->GetItem(id) : nullptr;
    }
  }
}

void ReadDataConsolidate(const TCT_DataConsolidate& E, wb::TXc12DataConsolidate& D) {
  D.function = E.function;
  D.leftLabels = E.leftLabels;
  D.topLabels = E.topLabels;
  D.link = E.link;
  for (int i = 0; i < E.dataRefs->dataRef.Count(); ++i) {
    const TCT_DataRef& r = *E.dataRefs->dataRef[i];
    wb::TXc12DataRef& m = *D.DataRefs.Add();
    m.ref = Area(r.ref);
    m.name = r.name;
    m.sheet = r.sheet;
    m.RId = r.r_id;
  }
}

void ReadIgnoredErrors(const TCT_IgnoredErrors& E, wb::TXc12IgnoredErrors& List) {
  for (int i = 0; i < E.ignoredError.Count(); ++i) {
    const TCT_IgnoredError& e = *E.ignoredError[i];
    wb::TXc12IgnoredError& m = *List.Add();
    Areas(e.sqref, m.sqref);
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

void ReadSmartTags(const TCT_SmartTags& E, wb::TXc12SmartTags& List) {
  for (int i = 0; i < E.cellSmartTags.Count(); ++i) {
    const TCT_CellSmartTags& c = *E.cellSmartTags[i];
    wb::TXc12CellSmartTags& m = *List.Add();
    m.Ref.SetAsText(c.r);
    for (int j = 0; j < c.cellSmartTag.Count(); ++j) {
      const TCT_CellSmartTag& t = *c.cellSmartTag[j];
      wb::TXc12CellSmartTag& mt = *m.Add();
      mt.type = t.type;
      mt.deleted = t.deleted;
      mt.xmlBased = t.xmlBased;
      for (int k = 0; k < t.cellSmartTagPr.Count(); ++k) {
        wb::TXc12CellSmartTagPr& p = *mt.Add();
        p.key = t.cellSmartTagPr[k]->key;
        p.val = t.cellSmartTagPr[k]->val;
      }
    }
  }
}

void ReadObjectLists(const TCT_Worksheet& E, wb::TXc12DataWorksheet& W) {
  for (int i = 0; i < E.customProperties->customPr.Count(); ++i) {
    wb::TXc12CustomProperty& p = *W.CustomProperties.Add();
    p.name = E.customProperties->customPr[i]->name;
    p.RId = E.customProperties->customPr[i]->r_id;
  }
  for (int i = 0; i < E.cellWatches->cellWatch.Count(); ++i) {
    auto ref = std::make_unique<wb::TCellRef>();
    ref->SetAsText(E.cellWatches->cellWatch[i]->r);
    W.CellWatches.Add(std::move(ref));
  }
  for (int i = 0; i < E.oleObjects->oleObject.Count(); ++i) {
    const TCT_OleObject& o = *E.oleObjects->oleObject[i];
    wb::TXc12OleObject& m = *W.OleObjects.Add();
    m.progId = o.progId;
    m.dvAspect = o.dvAspect;
    m.link = o.link;
    m.oleUpdate = o.oleUpdate == 255 ? 0 : o.oleUpdate;
    m.autoLoad = o.autoLoad;
    m.shapeId = o.shapeId;
    m.RId = o.r_id;
  }
  for (int i = 0; i < E.controls->control.Count(); ++i) {
    const TCT_Control& c = *E.controls->control[i];
    wb::TXc12Control& m = *W.Controls.Add();
    m.shapeId = c.shapeId;
    m.RId = c.r_id;
    m.name = c.name;
  }
  ReadWebPublishItems(*E.webPublishItems, W.WebPublishItems);
}

void ReadWebPublishItems(const TCT_WebPublishItems& E, wb::TXc12WebPublishItems& List) {
  for (int i = 0; i < E.webPublishItem.Count(); ++i) {
    const TCT_WebPublishItem& p = *E.webPublishItem[i];
    wb::TXc12WebPublishItem& m = *List.Add();
    m.id = p.id;
    m.divId = p.divId;
    m.sourceType = p.sourceType == 255 ? 0 : p.sourceType;
    m.sourceRef.SetAsText(p.sourceRef);
    m.sourceObject = p.sourceObject;
    m.destinationFile = p.destinationFile;
    m.title = p.title;
    m.autoRepublish = p.autoRepublish;
  }
}

}  // namespace xlsx_sheet_contents

using namespace xlsx_sheet_contents;

void TXLSReadXLSX::HookSheetContents(TCT_Worksheet& Sheet) {
  Sheet.mergeCells->OnReadMergeCell = [this](TCT_MergeCell& m) {
    // A range off the grid, or one given twice, is dropped as the legacy reader drops it.
    const wb::TXLSCellArea a = Area(m.ref);
    wb::TXc12MergedCells& merged = *CurrentSheet_->MergedCells;
    if (!OnGrid(a) || merged.IndexOfArea(a.Col1, a.Row1, a.Col2, a.Row2) >= 0) {
      if (Manager_->Errors) Manager_->Errors->Warning(u"Merged range \"" + m.ref + u"\" left out", 2001);
      return;
    }
    merged.AddArea(a);
  };
  Sheet.hyperlinks->OnReadHyperlink = [this](TCT_Hyperlink& h) { ReadHyperlink(h); };
}

void TXLSReadXLSX::ReadHyperlink(const TCT_Hyperlink& H) {
  const wb::TXLSCellArea ref = Area(H.ref);
  if (!OnGrid(ref)) {
    if (Manager_->Errors) Manager_->Errors->Warning(u"Hyperlink at \"" + H.ref + u"\" left out", 2001);
    return;
  }
  wb::TXc12Hyperlink& link = *CurrentSheet_->Hyperlinks->Add();
  link.Ref = ref;
  // An external target lives in the sheet's relationships; an internal one is the location. A
  // target or location that starts with the fragment marker "#" is a place in this workbook
  // (some writers put one in front, or give such a link a relationship too).
  std::u16string address;
  if (!H.r_id.empty())
    Package_->GetSheetRelTarget(core::utf16_to_utf8(CurrentSheet_->RelationshipId), core::utf16_to_utf8(H.r_id), address);
  else
    address = H.location;
  if (!address.empty() && address[0] == u'#') address.erase(0, 1);
  link.SetAddress(address);
  link.Location = H.location;
  link.Display = H.display;
  link.Tooltip = H.tooltip;
}

void TXLSReadXLSX::ReadPageSetup(const TCT_PageSetup& E, wb::TXc12PageSetup& P) {
  P.paperSize = E.paperSize;
  P.scale = E.scale;
  P.firstPageNumber = E.firstPageNumber;
  P.fitToWidth = E.fitToWidth;
  P.fitToHeight = E.fitToHeight;
  P.pageOrder = E.pageOrder;
  P.orientation = E.orientation;
  P.usePrinterDefaults = E.usePrinterDefaults;
  P.blackAndWhite = E.blackAndWhite;
  P.draft = E.draft;
  P.cellComments = E.cellComments;
  P.useFirstPageNumber = E.useFirstPageNumber;
  P.errors = E.errors;
  P.horizontalDpi = E.horizontalDpi;
  P.verticalDpi = E.verticalDpi;
  P.copies = E.copies;
  if (E.r_id.empty()) return;
  // A printer-settings relationship that leads nowhere leaves the page setup without settings.
  std::unique_ptr<wb::TStream> settings = Package_->ReadPrinterSettings(core::utf16_to_utf8(E.r_id));
  if (settings) P.LoadPrinterSettings(std::move(settings));
}

void TXLSReadXLSX::ReadSheetContents(const TCT_Worksheet& E) {
  wb::TXc12DataWorksheet& w = *CurrentSheet_;
  const wb::TXc12DataStyleSheet& styles = *Manager_->StyleSheet;
  const TColorFn color = [this](const TCT_Color& c, wb::TXc12Color& out) { ReadColor(c, out); };
  if (E.sheetPr->Assigned()) ReadSheetPr(*E.sheetPr, w.SheetPr, color);
  w.SetDimension(Area(E.dimension->ref));
  if (E.sheetViews->Assigned()) ReadSheetViews(*E.sheetViews, w.SheetViews);
  ReadSheetFormatPr(*E.sheetFormatPr, w.SheetFormatPr);
  w.SheetCalcPr.fullCalcOnLoad = E.sheetCalcPr->fullCalcOnLoad;
  ReadSheetProtection(*E.sheetProtection, w.SheetProtection);
  for (int i = 0; i < E.protectedRanges->protectedRange.Count(); ++i) {
    const TCT_ProtectedRange& r = *E.protectedRanges->protectedRange[i];
    wb::TXc12ProtectedRange& m = *w.ProtectedRanges.Add();
    m.password = static_cast<std::int32_t>(r.password);
    Areas(r.sqref, m.sqref);
    m.name = r.name;
    m.securityDescriptor = r.securityDescriptor;
  }
  if (E.scenarios->scenario.Count() > 0) ReadScenarios(*E.scenarios, w.Scenarios, styles);
  if (E.autoFilter->Assigned()) ReadAutoFilter(*E.autoFilter, *w.AutoFilter, styles);
  if (E.sortState->Assigned()) ReadSortState(*E.sortState, w.SortState);
  if (E.dataConsolidate->Assigned()) ReadDataConsolidate(*E.dataConsolidate, w.DataConsolidate);
  for (int i = 0; i < E.customSheetViews->customSheetView.Count(); ++i)
    ReadCustomSheetView(*E.customSheetViews->customSheetView[i], *w.CustomSheetViews.Add());
  if (E.phoneticPr->Assigned()) {
    w.PhoneticPr.fontId = E.phoneticPr->fontId;
    w.PhoneticPr.type = E.phoneticPr->type;
    w.PhoneticPr.alignment = E.phoneticPr->alignment;
  }
  for (int i = 0; i < E.conditionalFormatting.Count(); ++i)
    ReadConditionalFormatting(*E.conditionalFormatting[i], *w.ConditionalFormats->Add(), styles, color);
  if (E.dataValidations->Assigned()) ReadDataValidations(*E.dataValidations, *w.DataValidations);
  if (E.printOptions->Assigned()) ReadPrintOptions(*E.printOptions, w.PrintOptions);
  if (E.pageMargins->Assigned()) ReadPageMargins(*E.pageMargins, w.PageMargins);
  if (E.pageSetup->Assigned()) ReadPageSetup(*E.pageSetup, w.PageSetup);
  if (E.headerFooter->Assigned()) ReadHeaderFooter(*E.headerFooter, w.HeaderFooter);
  if (E.rowBreaks->Assigned()) ReadPageBreaks(*E.rowBreaks, w.RowBreaks);
  if (E.colBreaks->Assigned()) ReadPageBreaks(*E.colBreaks, w.ColBreaks);
  ReadObjectLists(E, w);
  ReadIgnoredErrors(*E.ignoredErrors, w.IgnoredErrors);
  ReadSmartTags(*E.smartTags, w.SmartTags);
}

void TXLSReadXLSX::ReadCustomSheetView(const TCT_CustomSheetView& E, wb::TXc12CustomSheetView& V) {
  V.guid = E.guid;
  V.scale = E.scale;
  V.colorId = E.colorId;
  V.showPageBreaks = E.showPageBreaks;
  V.showFormulas = E.showFormulas;
  V.showGridLines = E.showGridLines;
  V.showRowCol = E.showRowCol;
  V.outlineSymbols = E.outlineSymbols;
  V.zeroValues = E.zeroValues;
  V.fitToPage = E.fitToPage;
  V.printArea = E.printArea;
  V.filter = E.filter;
  V.showAutoFilter = E.showAutoFilter;
  V.hiddenRows = E.hiddenRows;
  V.hiddenColumns = E.hiddenColumns;
  V.state = E.state;
  V.filterUnique = E.filterUnique;
  V.view = E.view;
  V.showRuler = E.showRuler;
  V.topLeftCell = Area(E.topLeftCell);
  if (E.pane->Assigned()) ReadPane(*E.pane, V.Pane);
  if (E.selection->Assigned()) ReadSelection(*E.selection, V.Selection);
  if (E.rowBreaks->brk.Count() > 0) ReadPageBreaks(*E.rowBreaks, V.RowBreaks);
  if (E.colBreaks->brk.Count() > 0) ReadPageBreaks(*E.colBreaks, V.ColBreaks);
  if (E.pageMargins->Assigned()) ReadPageMargins(*E.pageMargins, V.PageMargins);
  if (E.printOptions->Assigned()) ReadPrintOptions(*E.printOptions, V.PrintOptions);
  if (E.pageSetup->Assigned()) ReadPageSetup(*E.pageSetup, V.PageSetup);
  if (E.headerFooter->Assigned()) ReadHeaderFooter(*E.headerFooter, V.HeaderFooter);
  if (E.autoFilter->Assigned()) ReadAutoFilter(*E.autoFilter, V.AutoFilter, *Manager_->StyleSheet);
}

// ---------------------------------------------------------------------------------------------
// Differential formats and table styles of the styles part

void TXLSReadXLSX::ReadDXFs(const TCT_Stylesheet& S) {
  const TCT_DxfXpgList& list = S.dxfs->dxf;
  for (int i = 0; i < list.Count(); ++i) {
    const TCT_Dxf& e = *list[i];
    wb::TXc12DXF& dxf = *Manager_->StyleSheet->DXFs->Add();
    if (e.font->Assigned()) ReadFont(*e.font, *dxf.AddFont());
    // A differential format's number format is its mask alone; the id is the file's business.
    if (e.numFmt->Assigned()) dxf.AddNumFmt()->SetMask(e.numFmt->formatCode);
    if (e.fill->Assigned()) ReadFill(*e.fill, *dxf.AddFill());
    if (e.alignment->Assigned()) ReadAlignment(*e.alignment, *dxf.AddAlignment());
    if (e.border->Assigned()) ReadBorder(*e.border, *dxf.AddBorder());
    if (e.protection->Assigned())
      dxf.SetProtection(static_cast<std::uint8_t>((e.protection->locked ? 1 : 0) | (e.protection->hidden ? 2 : 0)));
  }
}

void TXLSReadXLSX::ReadTableStyles(const TCT_Stylesheet& S) {
  wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  const TCT_TableStyles& e = *S.tableStyles;
  sheet.TableStyles->DefaultTableStyle = e.defaultTableStyle;
  sheet.TableStyles->DefaultPivotStyle = e.defaultPivotStyle;
  for (int i = 0; i < e.tableStyle.Count(); ++i) {
    const TCT_TableStyle& t = *e.tableStyle[i];
    wb::TXc12TableStyle& style = *sheet.TableStyles->Add();
    style.SetName(t.name);
    style.SetPivot(t.pivot ? 1 : 0);
    style.SetTable(t.table ? 1 : 0);
    for (int j = 0; j < t.tableStyleElement.Count(); ++j) {
      const TCT_TableStyleElement& el = *t.tableStyleElement[j];
      wb::TXc12TableStyleElement& m = *style.GetTableStyleElements().Add();
      m.SetType(el.type);
      m.SetSize(el.size);
      // An element without a format id uses the first format, when there is one.
      if (el.dxfId >= 0 || sheet.DXFs->Count() > 0) m.SetDXF(DXF(sheet, std::max(el.dxfId, 0)));
    }
  }
}

}  // namespace ooxml
