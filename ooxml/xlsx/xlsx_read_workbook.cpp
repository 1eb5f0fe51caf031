// The workbook-level parts: the workbook part with its settings, views, sheets list and defined
// names, the external-link parts it refers to, the pivot caches (kept as trees and bytes, never
// interpreted) and the connections part.
#include "core/unicode.h"
#include "ooxml/binding/gen/external_link.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"
#include "workbook/external_links.h"
#include "workbook/manager.h"
#include "workbook/workbook_data.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {

std::string RelationshipId(const std::u16string& Id) { return core::utf16_to_utf8(Id); }

// The target of relationship Id of the part the workbook reaches through relationship PartId;
// empty when either relationship is missing.
std::u16string LinkTargetBelow(TOPC_XLSX& Package, const std::string& PartId, const std::string& Id) {
  if (!Package.WorkbookItem || Id.empty()) return {};
  TOPCItem* part = Package.WorkbookItem->FindById(PartId);
  TOPCItem* target = part ? part->FindById(Id) : nullptr;
  return target ? target->GetTarget() : std::u16string();
}

void ReadLinkCellValue(const xlink::TCT_ExternalCell& C, wb::TXc12XCellValue& V) {
  // The cell types as the binding decodes them: b n e s str inlineStr.
  switch (C.t) {
    case 0: V.SetAsBoolean(XmlStrToBool(C.v)); break;
    case 1: V.SetAsFloat(XmlStrToFloat(C.v)); break;
    case 2: V.SetAsError(static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(C.v))); break;
    case 4: V.SetAsString(C.v); break;
    default: break;  // s and inlineStr have no value of their own here
  }
}

void ReadLinkDdeValue(const xlink::TCT_DdeValue& D, wb::TXc12XCellValue& V) {
  // nil b n e str
  switch (D.t) {
    case 0: V.SetNil(true); break;
    case 1: V.SetAsBoolean(XmlStrToBool(D.val)); break;
    case 2: V.SetAsFloat(XmlStrToFloat(D.val)); break;
    case 3: V.SetAsError(static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(D.val))); break;
    case 4: V.SetAsString(D.val); break;
    default: break;
  }
}

// The window of a workbook view and of a custom view, which share these settings.
template <class TSource, class TView>
void ReadBookWindow(const TSource& S, TView& V) {
  V.minimized = S.minimized;
  V.showHorizontalScroll = S.showHorizontalScroll;
  V.showVerticalScroll = S.showVerticalScroll;
  V.showSheetTabs = S.showSheetTabs;
  V.xWindow = S.xWindow;
  V.yWindow = S.yWindow;
  V.windowWidth = S.windowWidth;
  V.windowHeight = S.windowHeight;
  V.tabRatio = S.tabRatio;
}

}  // namespace

void TXLSReadXLSX::ReadWorkbook() {
  std::unique_ptr<wb::TStream> part = Package_->ReadWorkbook();
  if (!part) throw wb::Exception("Can not find workbook in OPC");
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  TCT_Workbook& book = *doc->Root().workbook;
  book.definedNames->OnReadDefinedName = [this](TCT_DefinedName& n) { ReadDefinedName(n); };
  LoadPart(*doc, *part);
  part.reset();
  wb::TXc12DataWorkbook& w = *Manager_->Workbook;

  const TCT_FileVersion& fv = *book.fileVersion;
  w.FileVersion.SetAppName(fv.appName);
  w.FileVersion.SetLastEdited(fv.lastEdited);
  w.FileVersion.SetLowestEdited(fv.lowestEdited);
  w.FileVersion.SetRupBuild(fv.rupBuild);
  w.FileVersion.SetCodeName(fv.codeName);

  const TCT_FileSharing& fs = *book.fileSharing;
  w.FileSharing.readOnlyRecommended = fs.readOnlyRecommended;
  w.FileSharing.userName = fs.userName;
  w.FileSharing.reservationPassword = static_cast<std::int32_t>(fs.reservationPassword);

  const TCT_WorkbookPr& pr = *book.workbookPr;
  wb::TXc12WorkbookPr& p = w.WorkbookPr;
  p.date1904 = pr.date1904;
  p.showObjects = pr.showObjects;
  p.showBorderUnselectedTables = pr.showBorderUnselectedTables;
  p.filterPrivacy = pr.filterPrivacy;
  p.promptedSolutions = pr.promptedSolutions;
  p.showInkAnnotation = pr.showInkAnnotation;
  p.backupFile = pr.backupFile;
  p.saveExternalLinkValues = pr.saveExternalLinkValues;
  p.updateLinks = pr.updateLinks;
  p.codeName = pr.codeName;
  p.hidePivotFieldList = pr.hidePivotFieldList;
  p.showPivotChartFilter = pr.showPivotChartFilter;
  p.allowRefreshQuery = pr.allowRefreshQuery;
  p.publishItems = pr.publishItems;
  p.checkCompatibility = pr.checkCompatibility;
  p.autoCompressPictures = pr.autoCompressPictures;
  p.refreshAllConnections = pr.refreshAllConnections;
  p.defaultThemeVersion = pr.defaultThemeVersion;

  const TCT_WorkbookProtection& wp = *book.workbookProtection;
  w.WorkbookProtection.workbookPassword = static_cast<std::int32_t>(wp.workbookPassword);
  w.WorkbookProtection.revisionsPassword = static_cast<std::int32_t>(wp.revisionsPassword);
  w.WorkbookProtection.lockStructure = wp.lockStructure;
  w.WorkbookProtection.lockWindows = wp.lockWindows;
  w.WorkbookProtection.lockRevision = wp.lockRevision;

  // Without views of its own the workbook keeps the model's default one.
  const auto& views = book.bookViews->workbookView;
  if (views.Count() > 0) {
    w.BookViews.ClearViews(false);
    for (int i = 0; i < views.Count(); ++i) {
      const TCT_BookView& s = *views[i];
      wb::TXc12BookView& v = *w.BookViews.Add();
      v.visibility = s.visibility;
      ReadBookWindow(s, v);
      v.firstSheet = s.firstSheet;
      v.activeTab = s.activeTab;
      v.autoFilterDateGrouping = s.autoFilterDateGrouping;
    }
  }

  const TCT_FunctionGroups& fg = *book.functionGroups;
  w.FunctionGroups.builtInGroupCount = fg.builtInGroupCount;
  for (int i = 0; i < fg.functionGroup.Count(); ++i) w.FunctionGroups.Add(fg.functionGroup[i]->name);

  // External link n of the model is the n-th externalReference, whatever its part is called.
  const auto& refs = book.externalReferences->externalReference;
  for (int i = 0; i < refs.Count(); ++i) ReadExternalLink(RelationshipId(refs[i]->r_id));

  const TCT_CalcPr& cp = *book.calcPr;
  wb::TXc12CalcPr& c = w.CalcPr;
  c.calcId = cp.calcId;
  c.calcMode = cp.calcMode;
  c.fullCalcOnLoad = cp.fullCalcOnLoad;
  c.refMode = cp.refMode;
  c.iterate = cp.iterate;
  c.iterateCount = cp.iterateCount;
  c.iterateDelta = cp.iterateDelta;
  c.fullPrecision = cp.fullPrecision;
  c.calcCompleted = cp.calcCompleted;
  c.calcOnSave = cp.calcOnSave;
  c.concurrentCalc = cp.concurrentCalc;
  c.concurrentManualCount = cp.concurrentManualCount;
  c.forceFullCalc = cp.forceFullCalc;

  if (!wb::AreaStrToCellArea(book.oleSize->ref, w.OleSize)) wb::ClearCellArea(w.OleSize);

  const auto& custom = book.customWorkbookViews->customWorkbookView;
  for (int i = 0; i < custom.Count(); ++i) {
    const TCT_CustomWorkbookView& s = *custom[i];
    wb::TXc12CustomWorkbookView& v = *w.CustomWorkbookViews.Add();
    v.name = s.name;
    v.guid = s.guid;
    v.autoUpdate = s.autoUpdate;
    v.mergeInterval = s.mergeInterval;
    v.changesSavedWin = s.changesSavedWin;
    v.onlySync = s.onlySync;
    v.personalView = s.personalView;
    v.includePrintSettings = s.includePrintSettings;
    v.includeHiddenRowCol = s.includeHiddenRowCol;
    v.maximized = s.maximized;
    ReadBookWindow(s, v);
    v.activeSheetId = s.activeSheetId;
    v.showFormulaBar = s.showFormulaBar;
    v.showStatusbar = s.showStatusbar;
    v.showComments = s.showComments;
    v.showObjects = s.showObjects;
  }

  const auto& caches = book.pivotCaches->pivotCache;
  for (int i = 0; i < caches.Count(); ++i) ReadPivotCache(caches[i]->cacheId, RelationshipId(caches[i]->r_id));

  w.SmartTagPr.embed = book.smartTagPr->embed;
  w.SmartTagPr.show = book.smartTagPr->show;
  const auto& tags = book.smartTagTypes->smartTagType;
  for (int i = 0; i < tags.Count(); ++i) {
    wb::TXc12SmartTagType& t = *w.SmartTagTypes.Add();
    t.namespaceUri = tags[i]->namespaceUri;
    t.name = tags[i]->name;
    t.url = tags[i]->url;
  }

  const TCT_WebPublishing& pub = *book.webPublishing;
  w.WebPublishing.css = pub.css;
  w.WebPublishing.thicket = pub.thicket;
  w.WebPublishing.longFileNames = pub.longFileNames;
  w.WebPublishing.vml = pub.vml;
  w.WebPublishing.allowPng = pub.allowPng;
  w.WebPublishing.targetScreenSize = pub.targetScreenSize;
  w.WebPublishing.dpi = pub.dpi;
  w.WebPublishing.codePage = pub.codePage;

  for (int i = 0; i < book.fileRecoveryPr.Count(); ++i) {
    const TCT_FileRecoveryPr& s = *book.fileRecoveryPr[i];
    wb::TXc12FileRecoveryPr& r = *w.FileRecoveryPrs.Add();
    r.autoRecover = s.autoRecover;
    r.crashSave = s.crashSave;
    r.dataExtractLoad = s.dataExtractLoad;
    r.repairLoad = s.repairLoad;
  }

  const auto& objects = book.webPublishObjects->webPublishObject;
  for (int i = 0; i < objects.Count(); ++i) {
    const TCT_WebPublishObject& s = *objects[i];
    wb::TXc12WebPublishObject& o = *w.WebPublishObjects.Add();
    o.id = s.id;
    o.divId = s.divId;
    o.sourceObject = s.sourceObject;
    o.destinationFile = s.destinationFile;
    o.title = s.title;
    o.autoRepublish = s.autoRepublish;
  }

  wb::TXc12Sheets& sheets = w.Sheets;
  for (int i = 0; i < book.sheets->sheet.Count(); ++i) {
    const TCT_Sheet& s = *book.sheets->sheet[i];
    wb::TXc12Sheet* sheet = sheets.Add();
    sheet->name = s.name;
    sheet->sheetId = s.sheetId;
    sheet->state = s.state;
    sheet->RId = s.r_id;
  }
}

void TXLSReadXLSX::ReadDefinedName(TCT_DefinedName& N) {
  // The definition stays text here; the model compiles it once every sheet is known.
  wb::TXc12DefinedName& n = *Manager_->Workbook->DefinedNames->Add(N.name, N.localSheetId);
  n.SetDefinition(N.formula);
  n.Comment = N.comment;
  n.CustomMenu = N.customMenu;
  n.Description = N.description;
  n.Help = N.help;
  n.StatusBar = N.statusBar;
  n.LocalSheetId = N.localSheetId;
  n.FunctionGroupId = N.functionGroupId;
  n.ShortcutKey = N.shortcutKey;
  n.Hidden = N.hidden;
  n.Function = N.function;
  n.VbProcedure = N.vbProcedure;
  n.Xlm = N.xlm;
  n.PublishToServer = N.publishToServer;
  n.WorkbookParameter = N.workbookParameter;
}

void TXLSReadXLSX::ReadPivotCache(int CacheId, const std::string& Id) {
  wb::TXLSPivotCacheDefinition& d = *Manager_->Workbook->PivotCaches.Add();
  d.CacheId = CacheId;
  {
    std::unique_ptr<wb::TStream> part = Package_->ReadPivotCacheDefinition(Id);
    XmlOverTStream xml(*part);
    d.DOM.Parse(xml);
  }
  const TXpgDOMNode* root = d.DOM.Root()->GetCount() > 0 ? d.DOM.Root()->GetItem(0) : nullptr;
  const TXpgDOMAttribute* records = root ? root->Attributes.Find(u"r:id") : nullptr;
  if (!records || records->Value.empty()) return;
  std::unique_ptr<wb::TStream> part = Package_->ReadPivotCacheRecords(Id, RelationshipId(records->Value));
  // The records are kept as their bytes and written back unchanged.
  d.Records.Stream.CopyFrom(*part, 0);
}

void TXLSReadXLSX::ReadConnections() {
  std::unique_ptr<wb::TStream> part = Package_->ReadConnections();
  if (!part) return;
  XmlOverTStream xml(*part);
  Manager_->Workbook->Connections.Parse(xml);
}

void TXLSReadXLSX::ReadExternalLink(const std::string& Id) {
  std::unique_ptr<wb::TStream> part = Package_->ReadExternalLink(Id);
  // The link's binding messages stay with its document: they never stop the read.
  xlink::TXPGDocXLink doc;
  {
    XmlOverTStream xml(*part);
    doc.LoadFromStream(xml);
  }
  part.reset();
  wb::TXc12ExternalLink& link = *Manager_->XLinks->Add();
  const xlink::TCT_ExternalLink& root = *doc.Root().externalLink;

  if (root.externalBook->Assigned()) {
    const xlink::TCT_ExternalBook& b = *root.externalBook;
    wb::TXc12XExternalBook& book = link.ExternalBook;
    book.Target = LinkTargetBelow(*Package_, Id, RelationshipId(b.r_id));
    for (int i = 0; i < b.sheetNames->sheetName.Count(); ++i) book.SheetNames.push_back(b.sheetNames->sheetName[i]->val);
    for (int i = 0; i < b.definedNames->definedName.Count(); ++i) {
      const xlink::TCT_ExternalDefinedName& s = *b.definedNames->definedName[i];
      wb::TXc12XDefinedName& n = *book.DefinedNames.Add();
      n.name = s.name;
      n.refersTo = s.refersTo;
      n.sheetId = s.sheetId;
    }
    for (int i = 0; i < b.sheetDataSet->sheetData.Count(); ++i) {
      const xlink::TCT_ExternalSheetData& s = *b.sheetDataSet->sheetData[i];
      wb::TXc12XSheetData& data = *book.SheetDataSet.Add();
      data.sheetId = s.sheetId;
      data.refreshError = s.refreshError;
      for (int j = 0; j < s.row.Count(); ++j) {
        const xlink::TCT_ExternalRow& r = *s.row[j];
        wb::TXc12XRow& row = *data.Add();
        row.Row = r.r - 1;
        for (int k = 0; k < r.cell.Count(); ++k) {
          const xlink::TCT_ExternalCell& c = *r.cell[k];
          wb::TXc12XCell& cell = *row.Add();
          cell.SetRef(c.r);
          cell.vm = c.vm;
          ReadLinkCellValue(c, cell);
        }
      }
    }
  }

  if (root.ddeLink->Assigned()) {
    const xlink::TCT_DdeLink& d = *root.ddeLink;
    link.DdeLink.ddeService = d.ddeService;
    link.DdeLink.ddeTopic = d.ddeTopic;
    for (int i = 0; i < d.ddeItems->ddeItem.Count(); ++i) {
      const xlink::TCT_DdeItem& s = *d.ddeItems->ddeItem[i];
      wb::TXc12DdeItem& item = *link.DdeLink.Add();
      item.name = s.name;
      item.ole = s.ole;
      item.advise = s.advise;
      item.preferPic = s.preferPic;
      item.Values.Cols = s.values->cols;
      item.Values.Rows = s.values->rows;
      for (int j = 0; j < s.values->value.Count(); ++j) ReadLinkDdeValue(*s.values->value[j], *item.Values.Add());
    }
  }

  if (root.oleLink->Assigned()) {
    const xlink::TCT_OleLink& o = *root.oleLink;
    link.OleLink.Target = LinkTargetBelow(*Package_, Id, RelationshipId(o.r_id));
    link.OleLink.progId = o.progId;
    for (int i = 0; i < o.oleItems->oleItem.Count(); ++i) {
      const xlink::TCT_OleItem& s = *o.oleItems->oleItem[i];
      wb::TXc12OleItem& item = *link.OleLink.Add();
      item.name = s.name;
      item.icon = s.icon;
      item.advise = s.advise;
      item.preferPic = s.preferPic;
    }
  }
}

}  // namespace ooxml
