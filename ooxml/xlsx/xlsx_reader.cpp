#include "ooxml/xlsx/xlsx_reader.h"
#include "ooxml/xlsx/xlsx_writer.h"

#include <set>
#include <utility>

#include "core/unicode.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

TXLSReadXLSX::TXLSReadXLSX(wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* FormulaHandler,
                           TXlsxDrawingLoader DrawingLoader)
    : Manager_(Manager), FormulaHandler_(FormulaHandler), DrawingLoader_(std::move(DrawingLoader)) {}

TXLSReadXLSX::~TXLSReadXLSX() = default;

std::unique_ptr<TXPGDocXLSX> TXLSReadXLSX::NewDocument() {
  auto doc = std::make_unique<TXPGDocXLSX>();
  wb::TXc12Manager* m = Manager_;
  // Unknown elements and attributes are warnings: the part goes on loading.
  doc->Errors.SetOnError([m](TXpgPErrors& e) {
    if (m->Errors) m->Errors->Warning(e.LastError(), 2001);
  });
  return doc;
}

void TXLSReadXLSX::LoadPart(TXPGDocXLSX& Doc, wb::TStream& Part) {
  XmlOverTStream xml(Part);
  Doc.LoadFromStream(xml);
}

void TXLSReadXLSX::Read(wb::TStream& Stream) {
  Package_ = &OPCPackageOf(*Manager_->FileData);
  Manager_->FileData->BeginRead(Stream);
  ReadStyles();
  ReadSharedStrings();
  ReadConnections();
  ReadWorkbook();
  ReadSheets();
  Manager_->FileData->CollectUnreadParts();
  Package_->Close();
}

// ---------------------------------------------------------------------------------------------
// Workbook and sheets

void TXLSReadXLSX::ReadSheets() {
  wb::TXc12Sheets& sheets = Manager_->Workbook->Sheets;
  for (int i = 0; i < sheets.Count(); ++i) {
    const wb::TXc12Sheet& s = *sheets.GetItems(i);
    wb::TXc12DataWorksheet* w = Manager_->Worksheets->Add(s.sheetId - 1);
    w->Name = s.name;
    w->SheetId = s.sheetId;
    w->State = s.state;
    w->RelationshipId = s.RId;
  }
  for (int i = 0; i < Manager_->Worksheets->Count(); ++i) {
    CurrentSheet_ = Manager_->Worksheets->GetItem(i);
    Manager_->FileData->AddSheetId(CurrentSheet_->RelationshipId);
    const std::string id = core::utf16_to_utf8(CurrentSheet_->RelationshipId);
    const bool chart = Package_->IsChartsheet(id);
    CurrentSheet_->IsChartsheet = chart;
    if (chart)
      ReadChartsheet(id);
    else
      ReadWorksheet(id);
  }
  CurrentSheet_ = nullptr;
  sheets.Clear();
}

void TXLSReadXLSX::ReadWorksheet(const std::string& Id) {
  std::unique_ptr<wb::TStream> part = Package_->ReadWorksheet(Id);
  std::unique_ptr<TXPGDocXLSX> doc = NewDocument();
  TCT_Worksheet& sheet = *doc->Root().worksheet;
  RowObject_ = sheet.sheetData->row.get();
  PrevRow_ = LastCol_ = -1;
  // Shared formulas and array areas never reach across sheets.
  ArrayAreas_.clear();
  SharedFormulas_.clear();
  NewRow_ = true;
  if (Manager_->DirectRead && Manager_->EventCell) {
    Manager_->EventCell->SheetName = CurrentSheet_->Name;
    doc->OnReadCol = [this](TCT_Col&) { SkipItem(); };
    sheet.sheetData->OnReadRow = [this](TCT_Row& r) { SkipRow(r); };
    sheet.sheetData->row->OnReadCell = [this](TCT_Cell& c) { ReadCellDirect(c); };
  } else {
    doc->OnReadCol = [this](TCT_Col& c) { ReadCol(c); };
    sheet.sheetData->OnReadRow = [this](TCT_Row& r) { ReadRow(r); };
    sheet.sheetData->row->OnReadCell = [this](TCT_Cell& c) { ReadCell(c); };
  }
  HookSheetContents(sheet);
  LoadPart(*doc, *part);
  ReadSheetContents(sheet);
  RowObject_ = nullptr;
  ReadSheetParts(sheet);
  ReadPivotTables();
  doc.reset();
  part.reset();
  Package_->CloseSheet();
  // Comments come last: their note shapes are in the VML drawing read above.
  ReadComments(Id);
}

// ---------------------------------------------------------------------------------------------

void RegisterXlsxNeighbours(wb::TXLSSpreadsheetNeighbours& Neighbours, TXlsxDrawingLoader DrawingLoader) {
  Neighbours.CreateXlsxReader = [DrawingLoader](wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* Handler) {
    return std::unique_ptr<wb::IXLSXReader>(std::make_unique<TXLSReadXLSX>(Manager, Handler, DrawingLoader));
  };
  RegisterXlsxWriter(Neighbours);
}

void RegisterXlsxNeighbours() { RegisterXlsxNeighbours(wb::XLSSpreadsheetNeighbours()); }

}  // namespace ooxml
