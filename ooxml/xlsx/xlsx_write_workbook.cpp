// The workbook-level parts: "xl/workbook.xml" with the sheets list, settings, views and defined
// names, one part per external link, the kept pivot caches and the kept connections. The workbook
// part comes last among the SpreadsheetML parts because it lists the sheets by the relationship ids
// their parts were given.
#include "core/unicode.h"
#include "ooxml/binding/gen/external_link.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/external_links.h"
#include "workbook/manager.h"
#include "workbook/workbook_data.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {


std::u16string RelationshipId(TOPCItem* Item) { return core::utf8_to_utf16(Item->GetId()); }

// A cached value as the text of a "v" or "val" element. Booleans are 1 and 0, the only texts the
// schema's Boolean cells take whatever the workbook's Boolean words are; numbers in the shortest
// form that reads back exactly.
std::u16string LinkValueText(const wb::TXc12XCellValue& V) {
  switch (V.ValueType) {
    case wb::xvtBoolean: return XmlBoolToStr(V.Byte != 0);
    case wb::xvtError: return wb::Xc12ErrorToText(V.Byte);
    case wb::xvtNumber: return XmlFloatToStr(V.Number);
    case wb::xvtString: return V.String;
    default: return {};
  }
}

// The binding's cell types: b 0, n 1 (its default), e 2, s 3, str 4, inlineStr 5.
std::uint16_t LinkCellType(std::uint8_t ValueType) {
  switch (ValueType) {
    case wb::xvtBoolean: return 0;
    case wb::xvtError: return 2;
    case wb::xvtString: return 4;
    default: return 1;
  }
}

// The binding's DDE value types: nil 0, b 1, n 2, e 3, str 4.
std::uint16_t DdeValueType(std::uint8_t ValueType) {
  switch (ValueType) {
    case wb::xvtNil: return 0;
    case wb::xvtBoolean: return 1;
    case wb::xvtError: return 3;
    case wb::xvtString: return 4;
    default: return 2;
  }
}

// The window of a workbook view and of a custom view, which share these settings.
template <class TSource, class TView>
void FillBookWindow(const TSource& S, TView& V) {
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

void TXLSWriteXLSX::WriteWorkbook() {
  TCT_Workbook& book = *Doc_->Root().workbook;
  book.Clear();
  const wb::TXc12DataWorkbook& w = *Manager_->Workbook;

  // The sheet parts exist already: the package hands back their items by target.
  wb::TXc12DataWorksheets& sheets = *Manager_->Worksheets;
  for (int i = 0; i < sheets.Count(); ++i) {
    const wb::TXc12DataWorksheet& s = *sheets.GetItem(i);
    TOPCItem* item = s.IsChartsheet ? Package_->CreateChartsheet(i + 1) : Package_->CreateWorksheet(i + 1);
    TCT_Sheet& e = *book.sheets->sheet.Add();
    e.name = s.Name;
    e.sheetId = i + 1;
    e.state = s.State;
    e.r_id = RelationshipId(item);
  }
  Package_->SheetItem = nullptr;

  WritePivotCaches();

  const wb::TXc12FileVersion& fv = w.FileVersion;
  book.fileVersion->appName = fv.appName;
  book.fileVersion->lastEdited = fv.lastEdited;
  book.fileVersion->lowestEdited = fv.lowestEdited;
  book.fileVersion->rupBuild = fv.rupBuild;
  book.fileVersion->codeName = fv.codeName;

  book.fileSharing->readOnlyRecommended = w.FileSharing.readOnlyRecommended;
  book.fileSharing->userName = w.FileSharing.userName;
  book.fileSharing->reservationPassword = static_cast<std::uint32_t>(w.FileSharing.reservationPassword);

  const wb::TXc12WorkbookPr& p = w.WorkbookPr;
  TCT_WorkbookPr& pr = *book.workbookPr;
  pr.date1904 = p.date1904;
  pr.showObjects = p.showObjects;
  pr.showBorderUnselectedTables = p.showBorderUnselectedTables;
  pr.filterPrivacy = p.filterPrivacy;
  pr.promptedSolutions = p.promptedSolutions;
  pr.showInkAnnotation = p.showInkAnnotation;
  pr.backupFile = p.backupFile;
  pr.saveExternalLinkValues = p.saveExternalLinkValues;
  pr.updateLinks = p.updateLinks;
  pr.codeName = p.codeName;
  pr.hidePivotFieldList = p.hidePivotFieldList;
  pr.showPivotChartFilter = p.showPivotChartFilter;
  pr.allowRefreshQuery = p.allowRefreshQuery;
  pr.publishItems = p.publishItems;
  pr.checkCompatibility = p.checkCompatibility;
  pr.autoCompressPictures = p.autoCompressPictures;
  pr.refreshAllConnections = p.refreshAllConnections;
  pr.defaultThemeVersion = p.defaultThemeVersion;

  const wb::TXc12WorkbookProtection& wp = w.WorkbookProtection;
  book.workbookProtection->workbookPassword = static_cast<std::uint32_t>(wp.workbookPassword);
  book.workbookProtection->revisionsPassword = static_cast<std::uint32_t>(wp.revisionsPassword);
  book.workbookProtection->lockStructure = wp.lockStructure;
  book.workbookProtection->lockWindows = wp.lockWindows;
  book.workbookProtection->lockRevision = wp.lockRevision;

  for (const auto& v : w.BookViews) {
    TCT_BookView& e = *book.bookViews->workbookView.Add();
    e.visibility = v->visibility;
    FillBookWindow(*v, e);
    e.firstSheet = v->firstSheet;
    e.activeTab = v->activeTab;
    e.autoFilterDateGrouping = v->autoFilterDateGrouping;
  }

  book.functionGroups->builtInGroupCount = w.FunctionGroups.builtInGroupCount;
  for (int i = 0; i < w.FunctionGroups.Count(); ++i) w.FunctionGroups.GetName(i, book.functionGroups->functionGroup.Add()->name);

  for (int n = 1; n <= Manager_->XLinks->Count(); ++n) {
    std::string id;
    WriteExternalLink(n, id);
    book.externalReferences->externalReference.Add()->r_id = core::utf8_to_utf16(id);
  }

  const wb::TXc12CalcPr& c = w.CalcPr;
  TCT_CalcPr& cp = *book.calcPr;
  cp.calcId = c.calcId;
  cp.calcMode = c.calcMode;
  cp.fullCalcOnLoad = c.fullCalcOnLoad;
  cp.refMode = c.refMode;
  cp.iterate = c.iterate;
  cp.iterateCount = c.iterateCount;
  cp.iterateDelta = c.iterateDelta;
  cp.fullPrecision = c.fullPrecision;
  cp.calcCompleted = c.calcCompleted;
  cp.calcOnSave = c.calcOnSave;
  cp.concurrentCalc = c.concurrentCalc;
  cp.concurrentManualCount = c.concurrentManualCount;
  cp.forceFullCalc = c.forceFullCalc;

  const int names = w.DefinedNames->Count();
  if (names > 0) {
    StreamCount_ = names;
    StreamIndex_ = 0;
    // The definedNames element is opened once, before the first name is handed out.
    book.OnWriteDefinedNames = [this](TCT_DefinedNames&, bool& Present) { Present = StreamIndex_ == 0; };
    book.definedNames->OnWriteDefinedName = [this](TCT_DefinedName& E, bool& More) { NextDefinedName(E, More); };
  }

  book.oleSize->ref = wb::CellAreaToRefStr(w.OleSize);

  for (const auto& v : w.CustomWorkbookViews) {
    TCT_CustomWorkbookView& e = *book.customWorkbookViews->customWorkbookView.Add();
    e.name = v->name;
    e.guid = v->guid;
    e.autoUpdate = v->autoUpdate;
    e.mergeInterval = v->mergeInterval;
    e.changesSavedWin = v->changesSavedWin;
    e.onlySync = v->onlySync;
    e.personalView = v->personalView;
    e.includePrintSettings = v->includePrintSettings;
    e.includeHiddenRowCol = v->includeHiddenRowCol;
    e.maximized = v->maximized;
    FillBookWindow(*v, e);
    e.activeSheetId = v->activeSheetId;
    e.showFormulaBar = v->showFormulaBar;
    e.showStatusbar = v->showStatusbar;
    e.showComments = v->showComments;
    e.showObjects = v->showObjects;
  }

  book.smartTagPr->embed = w.SmartTagPr.embed;
  book.smartTagPr->show = w.SmartTagPr.show;
  for (const auto& t : w.SmartTagTypes) {
    TCT_SmartTagType& e = *book.smartTagTypes->smartTagType.Add();
    e.namespaceUri = t->namespaceUri;
    e.name = t->name;
    e.url = t->url;
  }

  const wb::TXc12WebPublishing& pub = w.WebPublishing;
  book.webPublishing->css = pub.css;
  book.webPublishing->thicket = pub.thicket;
  book.webPublishing->longFileNames = pub.longFileNames;
  book.webPublishing->vml = pub.vml;
  book.webPublishing->allowPng = pub.allowPng;
  book.webPublishing->targetScreenSize = pub.targetScreenSize;
  book.webPublishing->dpi = pub.dpi;
  book.webPublishing->codePage = pub.codePage;

  for (const auto& r : w.FileRecoveryPrs) {
    TCT_FileRecoveryPr& e = *book.fileRecoveryPr.Add();
    e.autoRecover = r->autoRecover;
    e.crashSave = r->crashSave;
    e.dataExtractLoad = r->dataExtractLoad;
    e.repairLoad = r->repairLoad;
  }

  for (const auto& o : w.WebPublishObjects) {
    TCT_WebPublishObject& e = *book.webPublishObjects->webPublishObject.Add();
    e.id = o->id;
    e.divId = o->divId;
    e.sourceObject = o->sourceObject;
    e.destinationFile = o->destinationFile;
    e.title = o->title;
    e.autoRepublish = o->autoRepublish;
  }

  SetRootNamespaces(true);
  SavePart(Package_->WorkbookItem, book);
  book.OnWriteDefinedNames = nullptr;
  book.definedNames->OnWriteDefinedName = nullptr;
  book.Clear();
}

void TXLSWriteXLSX::NextDefinedName(TCT_DefinedName& E, bool& More) {
  More = StreamIndex_ < StreamCount_;
  if (!More) return;
  const wb::TXc12DefinedName& n = *Manager_->Workbook->DefinedNames->GetItem(StreamIndex_++);
  // A deleted name leaves the element empty, which the binding does not write.
  if (n.Deleted) return;
  E.Clear();
  E.name = n.GetDisplayName();
  E.hidden = n.Hidden;
  E.function = n.Function;
  E.vbProcedure = n.VbProcedure;
  E.xlm = n.Xlm;
  E.publishToServer = n.PublishToServer;
  E.workbookParameter = n.WorkbookParameter;
  E.comment = n.Comment;
  E.customMenu = n.CustomMenu;
  E.description = n.Description;
  E.help = n.Help;
  E.statusBar = n.StatusBar;
  if (n.LocalSheetId >= 0 && n.LocalSheetId < 0xFFFF) E.localSheetId = n.LocalSheetId;
  // Definitions decoded from compiled tokens separate arguments as the manager says: "," in a file.
  const char16_t separator = Manager_->ListSeparator;
  Manager_->ListSeparator = u',';
  try {
    n.GetDefinition(E.formula);
  } catch (...) {
    Manager_->ListSeparator = separator;
    throw;
  }
  Manager_->ListSeparator = separator;
}

void TXLSWriteXLSX::WritePivotCaches() {
  wb::TXLSPivotCacheDefinitions& caches = Manager_->Workbook->PivotCaches;
  TCT_Workbook& book = *Doc_->Root().workbook;
  for (int i = 0; i < caches.Count(); ++i) {
    wb::TXLSPivotCacheDefinition& d = *caches.GetItem(i);
    TCT_PivotCache& e = *book.pivotCaches->pivotCache.Add();
    TOPCItem* definition = Package_->CreatePivotCacheDefinition(Package_->WorkbookItem, i + 1);
    e.cacheId = i + 1;
    e.r_id = RelationshipId(definition);
    // The records part is related before the definition is written, so that the definition's
    // r:id names the relationship this package gives it, whatever id the file read had.
    TXpgDOMNode* root = d.DOM.Root()->GetCount() > 0 ? d.DOM.Root()->GetItem(0) : nullptr;
    TOPCItem* records = nullptr;
    if (d.Records.Stream.GetSize() > 0) {
      records = Package_->CreatePivotCacheRecords(definition, i + 1);
      if (root) {
        if (TXpgDOMAttribute* a = root->Attributes.Find(u"r:id"))
          a->Value = RelationshipId(records);
        else
          root->AddAttribute(u"r:id", RelationshipId(records));
      }
    }
    StreamTree(definition, d.DOM);
    if (records) {
      io::TStream* entry = Package_->BeginItemWrite(records);
      d.Records.Stream.SetPosition(0);
      entry->CopyFrom(d.Records.Stream, 0);
      Package_->EndItemWrite(records, entry);
    }
  }
}

void TXLSWriteXLSX::WriteConnections() {
  const TXpgSimpleDOM& tree = Manager_->Workbook->Connections;
  if (tree.IsEmpty()) return;
  TOPCItem* item = Package_->CreateConnections();
  StreamTree(item, tree);
  Package_->CloseItem(item);
}

void TXLSWriteXLSX::WriteExternalLink(int Index, std::string& Id) {
  TOPCItem* item = Package_->CreateExternalLink(Index);
  xlink::TXPGDocXLink doc;
  TStringXpgList& attributes = doc.Root().Attributes;
  xlink::TCT_ExternalLink& root = *doc.Root().externalLink;
  const wb::TXc12ExternalLink& link = *Manager_->XLinks->GetItem(Index - 1);
  bool relationships = false;

  const wb::TXc12XExternalBook& book = link.ExternalBook;
  if (!book.Target.empty()) {
    relationships = true;
    xlink::TCT_ExternalBook& b = *root.externalBook;
    b.r_id = RelationshipId(Package_->CreateExternalLinkPath(item, book.Target));
    for (const std::u16string& name : book.SheetNames) b.sheetNames->sheetName.Add()->val = name;
    for (const auto& n : book.DefinedNames) {
      xlink::TCT_ExternalDefinedName& e = *b.definedNames->definedName.Add();
      e.name = n->name;
      e.refersTo = n->refersTo;
      e.sheetId = n->sheetId;
    }
    for (const auto& data : book.SheetDataSet) {
      xlink::TCT_ExternalSheetData& s = *b.sheetDataSet->sheetData.Add();
      s.sheetId = data->sheetId;
      s.refreshError = data->refreshError;
      for (const auto& row : *data) {
        xlink::TCT_ExternalRow& r = *s.row.Add();
        r.r = row->Row + 1;
        for (const auto& cell : *row) {
          xlink::TCT_ExternalCell& c = *r.cell.Add();
          c.r = cell->GetRef();
          c.t = LinkCellType(cell->ValueType);
          c.vm = cell->vm;
          c.v = LinkValueText(*cell);
        }
      }
    }
  }

  if (link.DdeLink.Count() > 0) {
    xlink::TCT_DdeLink& d = *root.ddeLink;
    d.ddeService = link.DdeLink.ddeService;
    d.ddeTopic = link.DdeLink.ddeTopic;
    for (const auto& dde : link.DdeLink) {
      xlink::TCT_DdeItem& e = *d.ddeItems->ddeItem.Add();
      e.name = dde->name;
      e.ole = dde->ole;
      e.advise = dde->advise;
      e.preferPic = dde->preferPic;
      // The values are a matrix: its shape goes with them, as the reader takes it.
      if (dde->Values.Count() > 0) {
        e.values->rows = dde->Values.Rows;
        e.values->cols = dde->Values.Cols;
      }
      for (const auto& v : dde->Values) {
        xlink::TCT_DdeValue& x = *e.values->value.Add();
        x.t = DdeValueType(v->ValueType);
        x.val = LinkValueText(*v);
      }
    }
  }

  if (link.OleLink.Count() > 0) {
    relationships = true;
    xlink::TCT_OleLink& o = *root.oleLink;
    o.r_id = RelationshipId(Package_->CreateExternalLinkPath(item, link.OleLink.Target));
    o.progId = link.OleLink.progId;
    for (const auto& ole : link.OleLink) {
      xlink::TCT_OleItem& e = *o.oleItems->oleItem.Add();
      e.name = ole->name;
      e.icon = ole->icon;
      e.advise = ole->advise;
      e.preferPic = ole->preferPic;
    }
  }

  attributes.AddAttribute(u"xmlns", kSpreadsheetMLNamespace);
  if (relationships) attributes.AddAttribute(u"xmlns:r", kOfficeRelationshipsNamespace);
  XmlMemoryStream xml;
  doc.SaveToStream(xml);
  wb::TPointerMemoryStream part(xml.Data().data(), static_cast<std::int64_t>(xml.Data().size()));
  Package_->WriteItem(item, part);
  Package_->CloseItem(item);
  Id = item->GetId();
}

}  // namespace ooxml
