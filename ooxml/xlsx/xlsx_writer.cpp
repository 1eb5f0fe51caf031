// The driver of the .xlsx writer: the order in which the parts are produced (it fixes every
// relationship id), the extended document properties, and the helpers that save one binding root
// into one package part.
#include "ooxml/xlsx/xlsx_writer.h"

#include <utility>

#include "core/unicode.h"
#include "ooxml/binding/gen/docprops_app.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/spreadsheetml/sml_document.h"
#include "workbook/format_settings.h"
#include "workbook/manager.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {


// Number texts use "." and formula texts "," while a package is written; the caller's separators
// come back however the write ends.
class TSeparatorScope {
public:
  TSeparatorScope() : list_(wb::TFormatSettings::GetListSeparator()), decimal_(wb::TFormatSettings::GetDecimalSeparator()) {
    wb::TFormatSettings::SetListSeparator(u',');
    wb::TFormatSettings::SetDecimalSeparator(u'.');
  }
  ~TSeparatorScope() {
    wb::TFormatSettings::SetListSeparator(list_);
    wb::TFormatSettings::SetDecimalSeparator(decimal_);
  }
  TSeparatorScope(const TSeparatorScope&) = delete;
  TSeparatorScope& operator=(const TSeparatorScope&) = delete;

private:
  char16_t list_;
  char16_t decimal_;
};

}  // namespace

TXLSWriteXLSX::TXLSWriteXLSX(wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* FormulaHandler)
    : Manager_(Manager), FormulaHandler_(FormulaHandler), Doc_(std::make_unique<TXPGDocXLSX>()) {}

TXLSWriteXLSX::~TXLSWriteXLSX() = default;

void TXLSWriteXLSX::Write(wb::TStream& Stream) {
  TSeparatorScope separators;
  Package_ = &OPCPackageOf(*Manager_->FileData);
  Manager_->FileData->BeginWrite(Stream);
  Package_->CreateWorkbook();
  WriteDocPropsApp();
  WriteStyles();
  wb::TXc12DataWorksheets& sheets = *Manager_->Worksheets;
  for (int i = 0; i < sheets.Count(); ++i) {
    wb::TXc12DataWorksheet& sheet = *sheets.GetItem(i);
    if (sheet.IsChartsheet)
      WriteChartsheet(sheet);
    else
      WriteWorksheet(sheet);
  }
  CurrentSheet_ = nullptr;
  CurrentSheetItem_ = nullptr;
  WriteSharedStrings();
  WriteConnections();
  WriteWorkbook();
  Manager_->FileData->EndWrite();
}

void TXLSWriteXLSX::WriteDocPropsApp() {
  docprops::TXPGDocDocPropsApp doc;
  // The kept document goes through the binding so that its other members are written as they stand.
  {
    XmlMemoryStream kept;
    Manager_->FileData->DocPropsApp.SaveToStream(kept);
    kept.SetPosition(0);
    doc.LoadFromStream(kept);
  }
  docprops::TCT_Properties& p = *doc.Root().Properties;
  p.Application = u"Microsoft Excel";
  p.AppVersion = u"12.000";
  wb::TXc12DataWorksheets& sheets = *Manager_->Worksheets;
  const int count = sheets.Count();

  docprops::TCT_Vector& pairs = *p.HeadingPairs->vector;
  pairs.Clear();
  pairs.size = 2;
  pairs.baseType = static_cast<std::uint16_t>(docprops::ST_VectorBaseType.Find(u"variant"));
  pairs.Create_variant()->Add()->lpstr = u"Worksheets";
  pairs.variant->Add()->i4 = count;

  docprops::TCT_Vector& titles = *p.TitlesOfParts->vector;
  titles.Clear();
  titles.size = count;
  titles.baseType = static_cast<std::uint16_t>(docprops::ST_VectorBaseType.Find(u"lpstr"));
  for (int i = 0; i < count; ++i) titles.lpstr.Add(sheets.GetItem(i)->Name);

  XmlMemoryStream xml;
  doc.SaveToStream(xml);
  wb::TPointerMemoryStream part(xml.Data().data(), static_cast<std::int64_t>(xml.Data().size()));
  Package_->AddAppProperties(part);
}

void TXLSWriteXLSX::SetRootNamespaces(bool Relationships) {
  TStringXpgList& a = Doc_->Root().Attributes;
  a.Clear();
  a.AddAttribute(u"xmlns", kSpreadsheetMLNamespace);
  if (Relationships) a.AddAttribute(u"xmlns:r", kOfficeRelationshipsNamespace);
}

void TXLSWriteXLSX::SavePart(TOPCItem* Item, TXPGBase& Root) {
  XmlMemoryStream xml;
  sml::SavePart(*Doc_, xml, Root);
  wb::TPointerMemoryStream part(xml.Data().data(), static_cast<std::int64_t>(xml.Data().size()));
  Package_->WriteItem(Item, part);
}

void TXLSWriteXLSX::StreamPart(TOPCItem* Item, TXPGBase& Root) {
  io::TStream* entry = Package_->BeginItemWrite(Item);
  XmlOverTStream xml(*entry);
  sml::SavePart(*Doc_, xml, Root);
  Package_->EndItemWrite(Item, entry);
}

void TXLSWriteXLSX::StreamTree(TOPCItem* Item, const TXpgSimpleDOM& Tree) {
  io::TStream* entry = Package_->BeginItemWrite(Item);
  XmlOverTStream xml(*entry);
  Tree.SaveToStream(xml);
  Package_->EndItemWrite(Item, entry);
}

// ---------------------------------------------------------------------------------------------

void RegisterXlsxWriter(wb::TXLSSpreadsheetNeighbours& Neighbours) {
  Neighbours.CreateXlsxWriter = [](wb::TXc12Manager* Manager, wb::IXLSFormulaHandler* Handler) {
    return std::unique_ptr<wb::IXLSXWriter>(std::make_unique<TXLSWriteXLSX>(Manager, Handler));
  };
}

}  // namespace ooxml
