// The parts that hang off a sheet: comments with the VML drawing that holds their note shapes,
// tables with their query tables, pivot tables, the drawing with its images; and chartsheets,
// sheets whose only content is a drawing. VML, query tables and pivot tables are kept as trees and
// written back as they are.
#include <string>
#include <vector>

#include "core/unicode.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/sheetdrawing/drawing_document.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "ooxml/xlsx/xlsx_sheet_contents.h"
#include "workbook/cell_format_editor.h"
#include "workbook/cell_references.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;
using namespace xlsx_sheet_contents;

namespace xlsx_sheet_parts {

std::string Utf8(const std::u16string& S) { return core::utf16_to_utf8(S); }

void ParseInto(TXpgSimpleDOM& Dom, wb::TStream& Part) {
  XmlOverTStream xml(Part);
  Dom.Parse(xml);
}

// VML elements are told by namespace, not by prefix: some writers bind the VML and Excel
// namespaces to prefixes of their own ("ns0:shape"). A prefix declared nowhere is taken for the
// conventional one ("v" VML, "x" Excel).
constexpr char16_t kVmlNs[] = u"urn:schemas-microsoft-com:vml";
constexpr char16_t kExcelNs[] = u"urn:schemas-microsoft-com:office:excel";

bool IsElement(const TXpgDOMNode& N, std::u16string_view Ns, std::u16string_view Conventional,
               std::u16string_view Local) {
  const std::size_t colon = N.Name.find(u':');
  const std::u16string_view prefix = colon == std::u16string::npos ? std::u16string_view() : std::u16string_view(N.Name).substr(0, colon);
  const std::u16string_view local = colon == std::u16string::npos ? std::u16string_view(N.Name) : std::u16string_view(N.Name).substr(colon + 1);
  if (local != Local) return false;
  const std::u16string decl = prefix.empty() ? std::u16string(u"xmlns") : u"xmlns:" + std::u16string(prefix);
  for (const TXpgDOMNode* n = &N; n; n = n->Parent())
    if (const TXpgDOMAttribute* a = n->Attributes.Find(decl)) return a->Value == Ns;
  return prefix == Conventional;
}

const TXpgDOMNode* ExcelChild(const TXpgDOMNode& N, std::u16string_view Local) {
  for (int i = 0; i < N.GetCount(); ++i)
    if (IsElement(*N.GetItem(i), kExcelNs, u"x", Local)) return N.GetItem(i);
  return nullptr;
}

// The integer text of a child of the shape's ClientData; -1 when missing or not a number.
int ClientDataInt(const TXpgDOMNode* ClientData, std::u16string_view Local) {
  const TXpgDOMNode* n = ClientData ? ExcelChild(*ClientData, Local) : nullptr;
  std::int32_t v = -1;
  if (!n || !TryXmlStrToInt(n->Text, v)) return -1;
  return v;
}

// The eight numbers of a VML anchor: left column and offset, top row and offset, right column and
// offset, bottom row and offset. False when the text does not hold eight integers.
bool ParseAnchor(std::u16string_view Text, std::int32_t (&Out)[8]) {
  std::int32_t v[8];
  int n = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = Text.find(u',', start);
    std::u16string_view piece = Text.substr(start, comma == std::u16string_view::npos ? Text.npos : comma - start);
    while (!piece.empty() && (piece.front() == u' ' || piece.front() == u'\t' || piece.front() == u'\r' || piece.front() == u'\n'))
      piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == u' ' || piece.back() == u'\t' || piece.back() == u'\r' || piece.back() == u'\n'))
      piece.remove_suffix(1);
    if (n == 8 || !TryXmlStrToInt(piece, v[n])) return false;
    ++n;
    if (comma == std::u16string_view::npos) break;
    start = comma + 1;
  }
  if (n != 8) return false;
  for (int i = 0; i < 8; ++i) Out[i] = v[i];
  return true;
}

}  // namespace xlsx_sheet_parts

using namespace xlsx_sheet_parts;

// ---------------------------------------------------------------------------------------------
// Worksheet parts

void TXLSReadXLSX::ReadSheetParts(const TCT_Worksheet& Sheet) {
  const TCT_TablePartXpgList& tables = Sheet.tableParts->tablePart;
  for (int i = 0; i < tables.Count(); ++i) ReadTable(Utf8(tables[i]->r_id));
  if (!Sheet.drawing->r_id.empty()) ReadDrawing(Utf8(Sheet.drawing->r_id));
  if (!Sheet.legacyDrawing->r_id.empty()) ReadVmlDrawing(Utf8(Sheet.legacyDrawing->r_id));
}

void TXLSReadXLSX::ReadPivotTables() {
  std::vector<std::string> ids;
  Package_->GetSheetPivotTableIds(ids);
  for (const std::string& id : ids) {
    wb::TXLSPivotTable& p = *CurrentSheet_->PivotTables.Add();
    {
      std::unique_ptr<wb::TStream> part = Package_->ReadPivotTable(id);
      ParseInto(p.DOM, *part);
    }
    if (p.DOM.Root()->GetCount() == 0) continue;
    const std::int32_t cacheId = p.DOM.Root()->GetItem(0)->Attributes.GetIntValue(u"cacheId", -1);
    p.CacheDefinition = Manager_->Workbook->PivotCaches.FindByCacheId(cacheId);
    if (p.CacheDefinition) p.CacheDefinition->IncUseCount();
  }
}

void TXLSReadXLSX::ReadVmlDrawing(const std::string& RelId) {
  std::unique_ptr<wb::TStream> part = Package_->ReadVmlDrawing(RelId);
  ParseInto(CurrentSheet_->VmlDrawing, *part);
}

// ---------------------------------------------------------------------------------------------
// Comments and their note shapes

void TXLSReadXLSX::ReadComments(const std::string& SheetRelId) {
  wb::TXc12Comments& notes = CurrentSheet_->Comments;
  if (std::unique_ptr<wb::TStream> part = Package_->ReadComments(SheetRelId)) {
    std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
    TCT_Comments& root = *doc->Root().comments;
    root.commentList->OnReadComment = [this](TCT_Comment& c) { ReadComment(c); };
    LoadPart(*doc, *part);
    const TStringXpgList& authors = root.authors->author;
    for (int i = 0; i < authors.GetCount(); ++i) notes.Authors.AddName(authors.GetItem(i));
    for (int i = 0; i < notes.Count(); ++i) {
      wb::TXc12Comment& n = *notes.GetItems(i);
      const int id = n.GetAuthorId();
      if (id < 0 || id >= notes.Authors.Count())
        throw wb::Exception("Comment at " + Utf8(wb::ColRowToRefStr(n.Col, n.Row)) + " names author " +
                            std::to_string(id) + ", which the comments part does not list");
      n.SetAuthor(notes.Authors.GetItems(id));
    }
  }
  AttachNoteShapes();
}

void TXLSReadXLSX::ReadComment(TCT_Comment& C) {
  int col = 0, row = 0;
  if (!wb::RefStrToColRow(C.ref, col, row) || col < 0 || row < 0 || col > wb::XLS_MAXCOL || row > wb::XLS_MAXROW) {
    if (Manager_->Errors) Manager_->Errors->Warning(u"Comment at \"" + C.ref + u"\" left out", 2001);
    return;
  }
  wb::TXc12Comment& n = *CurrentSheet_->Comments.Add();
  ReadRichText(*C.text, n.Text, n.FontRuns);
  // The note holds its run fonts as a cell holds its style: the style sheet's compaction before a
  // save must not free them.
  Manager_->StyleSheet->XFEditor->UseFontRuns(n.FontRuns);
  n.SetCol(col);
  n.SetRow(row);
  n.Guid = C.guid;
  n.SetAuthorId(C.authorId);
}

void TXLSReadXLSX::AttachNoteShapes() {
  TXpgDOMNode* root = CurrentSheet_->VmlDrawing.Root();
  if (root->GetCount() == 0) return;
  TXpgDOMNode& xml = *root->GetItem(0);
  wb::TXc12Comments& notes = CurrentSheet_->Comments;
  int i = 0;
  while (i < xml.GetCount()) {
    TXpgDOMNode& shape = *xml.GetItem(i);
    if (!IsElement(shape, kVmlNs, u"v", u"shape")) {
      ++i;
      continue;
    }
    const TXpgDOMNode* data = ExcelChild(shape, u"ClientData");
    const int col = ClientDataInt(data, u"Column");
    const int row = ClientDataInt(data, u"Row");
    wb::TXc12Comment* note = col >= 0 && row >= 0 ? notes.Find(col, row) : nullptr;
    // A shape given to a note leaves the list, so the walk stays at the same position.
    if (!note) {
      ++i;
      continue;
    }
    const std::u16string fill = shape.Attributes.GetValue(u"fillcolor");
    if (!fill.empty()) note->FillColor = static_cast<std::uint32_t>(XmlHexStrToIntDef(fill, 0xFFFFE1));
    const TXpgDOMNode* anchor = data ? ExcelChild(*data, u"Anchor") : nullptr;
    // A damaged anchor costs the note its anchor, not the workbook.
    if (anchor && !ParseAnchor(anchor->Text, note->Anchor) && Manager_->Errors)
      Manager_->Errors->Warning(u"Note anchor \"" + anchor->Text + u"\" at " + wb::ColRowToRefStr(col, row) + u" left out", 2001);
    note->Shape = xml.Extract(i);
  }
}

// ---------------------------------------------------------------------------------------------
// Tables

void TXLSReadXLSX::ReadTable(const std::string& RelId) {
  std::unique_ptr<wb::TStream> part = Package_->ReadTable(RelId);
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  LoadPart(*doc, *part);
  const TCT_Table& e = *doc->Root().table;
  wb::TXc12Table& t = *CurrentSheet_->Tables.Add();
  t.id = e.id;
  t.Name = e.name;
  t.displayName = e.displayName;
  t.comment = e.comment;
  t.Ref = Area(e.ref);
  t.tableType = e.tableType;
  t.headerRowCount = e.headerRowCount;
  t.insertRow = e.insertRow;
  t.insertRowShift = e.insertRowShift;
  t.totalsRowCount = e.totalsRowCount;
  t.totalsRowShown = e.totalsRowShown;
  t.published = e.published;
  t.headerRowDxfId = e.headerRowDxfId;
  t.dataDxfId = e.dataDxfId;
  t.totalsRowDxfId = e.totalsRowDxfId;
  t.headerRowBorderDxfId = e.headerRowBorderDxfId;
  t.tableBorderDxfId = e.tableBorderDxfId;
  t.totalsRowBorderDxfId = e.totalsRowBorderDxfId;
  t.headerRowCellStyle = e.headerRowCellStyle;
  t.dataCellStyle = e.dataCellStyle;
  t.totalsRowCellStyle = e.totalsRowCellStyle;
  t.connectionId = e.connectionId;
  if (e.autoFilter->Assigned()) ReadAutoFilter(*e.autoFilter, t.AutoFilter, *Manager_->StyleSheet);
  if (e.sortState->Assigned()) ReadSortState(*e.sortState, t.SortState);
  const TCT_TableColumnXpgList& columns = e.tableColumns->tableColumn;
  for (int i = 0; i < columns.Count(); ++i) {
    const TCT_TableColumn& c = *columns[i];
    wb::TXc12TableColumn& m = *t.Columns.Add();
    m.id = c.id;
    m.uniqueName = c.uniqueName;
    m.Name = c.name;
    m.totalsRowFunction = c.totalsRowFunction;
    m.totalsRowLabel = c.totalsRowLabel;
    m.queryTableFieldId = c.queryTableFieldId;
    m.headerRowDxfId = c.headerRowDxfId;
    m.dataDxfId = c.dataDxfId;
    m.totalsRowDxfId = c.totalsRowDxfId;
    m.headerRowCellStyle = c.headerRowCellStyle;
    m.dataCellStyle = c.dataCellStyle;
    m.totalsRowCellStyle = c.totalsRowCellStyle;
    if (c.calculatedColumnFormula->Assigned()) {
      m.CalculatedColumnFormula.Array = c.calculatedColumnFormula->array;
      m.CalculatedColumnFormula.Text = c.calculatedColumnFormula->formula;
    }
    if (c.totalsRowFormula->Assigned()) {
      m.TotalsRowFormula.Array = c.totalsRowFormula->array;
      m.TotalsRowFormula.Text = c.totalsRowFormula->formula;
    }
    if (c.xmlColumnPr->Assigned()) {
      m.XmlColumnPr.mapId = c.xmlColumnPr->mapId;
      m.XmlColumnPr.xpath = c.xmlColumnPr->xpath;
      m.XmlColumnPr.denormalized = c.xmlColumnPr->denormalized;
      m.XmlColumnPr.xmlDataType = c.xmlColumnPr->xmlDataType;
    }
  }
  if (e.tableStyleInfo->Assigned()) {
    const TCT_TableStyleInfo& s = *e.tableStyleInfo;
    t.StyleInfo.name = s.name;
    t.StyleInfo.showFirstColumn = s.showFirstColumn;
    t.StyleInfo.showLastColumn = s.showLastColumn;
    t.StyleInfo.showRowStripes = s.showRowStripes;
    t.StyleInfo.showColumnStripes = s.showColumnStripes;
  }
  doc.reset();
  part.reset();
  if (std::unique_ptr<wb::TStream> query = Package_->ReadQueryTable()) ParseInto(t.QueryTable, *query);
  Package_->CloseTable();
}

// ---------------------------------------------------------------------------------------------
// Drawings

void TXLSReadXLSX::ReadDrawing(const std::string& RelId) {
  // Without drawing bindings the drawing part is not opened: it stays a kept part, written back
  // whole with its images and charts.
  if (!DrawingLoader_) return;
  std::unique_ptr<wb::TStream> part = Package_->ReadDrawing(RelId);
  struct CloseDrawing {
    TOPC_XLSX* p;
    ~CloseDrawing() { p->CloseDrawing(); }
  } close{Package_};
  DrawingLoader_(*CurrentSheet_, *Package_, *part);
}

// The drawing document registers the drawing's pictures itself, by their part names (one part
// used twice is one picture with two uses), so the reader registers none of its own: each
// picture is stored, and written, once.
void LoadSheetDrawing(wb::TXc12DataWorksheet& Sheet, TOPC_XLSX& Package, wb::TStream& Part) {
  auto* doc = dynamic_cast<sheetdrawing::TXPGDocXLSXDrawing*>(Sheet.Drawing.get());
  // The part is marked read by now: without a document it would be lost, not kept.
  if (!doc) throw wb::Exception("Sheet \"" + Utf8(Sheet.Name) + "\" has no drawing document for its drawing part");
  doc->LoadFromPackage(Package, *Package.DrawingItem, Part);
}

// ---------------------------------------------------------------------------------------------
// Chartsheets

void TXLSReadXLSX::ReadChartsheet(const std::string& Id) {
  std::unique_ptr<wb::TStream> part = Package_->ReadChartsheet(Id);
  struct CloseSheet {
    TOPC_XLSX* p;
    ~CloseSheet() { p->CloseSheet(); }
  } close{Package_};
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  LoadPart(*doc, *part);
  const TCT_Chartsheet& e = *doc->Root().chartsheet;
  wb::TXc12DataWorksheet& w = *CurrentSheet_;
  if (e.sheetPr->Assigned()) {
    w.SheetPr.codeName = e.sheetPr->codeName;
    w.SheetPr.published = e.sheetPr->published;
    ReadColor(*e.sheetPr->tabColor, w.SheetPr.tabColor);
  }
  if (e.sheetViews->Assigned()) {
    w.SheetViews.Clear();
    const TCT_ChartsheetViewXpgList& views = e.sheetViews->sheetView;
    for (int i = 0; i < views.Count(); ++i) {
      wb::TXc12SheetView& v = *w.SheetViews.Add();
      v.tabSelected = views[i]->tabSelected;
      v.zoomScale = views[i]->zoomScale;
      v.workbookViewId = views[i]->workbookViewId;
      v.zoomToFit = views[i]->zoomToFit;
    }
  }
  // Only the password and the objects flag: a chartsheet's content flag has no place in the model.
  w.SheetProtection.password = static_cast<std::uint16_t>(e.sheetProtection->password);
  w.SheetProtection.objects = e.sheetProtection->objects;
  if (e.pageMargins->Assigned()) ReadPageMargins(*e.pageMargins, w.PageMargins);
  if (e.headerFooter->Assigned()) ReadHeaderFooter(*e.headerFooter, w.HeaderFooter);
  ReadWebPublishItems(*e.webPublishItems, w.WebPublishItems);
  if (!e.drawing->r_id.empty()) ReadDrawing(Utf8(e.drawing->r_id));
  if (!e.legacyDrawing->r_id.empty()) ReadVmlDrawing(Utf8(e.legacyDrawing->r_id));
}

}  // namespace ooxml
