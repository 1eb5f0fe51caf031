#include "ooxml/opc/opc_xlsx.h"

#include "core/unicode.h"

namespace ooxml {

namespace {

std::u16string Numbered(const char* Pattern, int N) {
  // Patterns hold exactly one %d.
  std::string p(Pattern);
  auto at = p.find("%d");
  return core::utf8_to_utf16(p.substr(0, at) + std::to_string(N) + p.substr(at + 2));
}

// Appends the ids of Item's children of RelType (none without Item); True when List is not empty.
bool AppendChildIds(const TOPCItem* Item, const char16_t* RelType, std::vector<std::string>& List) {
  if (Item) {
    for (int i = 0; i < Item->GetCount(); ++i) {
      if (Item->GetItem(i)->RelType == RelType) List.push_back(Item->GetItem(i)->GetId());
    }
  }
  return !List.empty();
}

}  // namespace

TOPC_XLSX::TOPC_XLSX() {
  ContentTypes().Spreadsheet = 1;
  ContentTypes().LoadDefaults();
  MarkReadOnOpen = 1;
  RelsNamespace = kPackageRelationshipsNamespace;
}

TOPC_XLSX::~TOPC_XLSX() = default;

void TOPC_XLSX::OpenRead(io::TStream& Stream, bool AlternateZip) {
  WorkbookItem = SheetItem = DrawingItem = TableItem = nullptr;
  TOPCContainer::OpenRead(Stream, AlternateZip);
  Root()->FindByType(reltype::kOfficeDocument, scratch_, true);
  if (scratch_.Count() == 0) OPCRaise("Can not find workbook in OPC");
  if (scratch_.Count() > 1) OPCRaise("More than one workbook in OPC");
  WorkbookItem = scratch_.GetItem(0);
  // The calculation chain is rebuilt on save, never kept.
  if (WorkbookItem->FindByType(reltype::kCalcChain, scratch_, true)) {
    for (int i = 0; i < scratch_.Count(); ++i) scratch_.GetItem(i)->MarkRead();
  }
  scratch_.Clear();
}

void TOPC_XLSX::OpenWrite(io::TStream& Stream, bool AlternateZip) {
  TOPCContainer::OpenWrite(Stream, AlternateZip);
  PrinterSettingsCounter = 0;
}

void TOPC_XLSX::Close() {
  TOPCContainer::Close();
  WorkbookItem = nullptr;
}

void TOPC_XLSX::Clear() {
  TOPCContainer::Clear();
  scratch_.Clear();
  // The tree is gone: no current item may point into it.
  WorkbookItem = SheetItem = DrawingItem = TableItem = nullptr;
}

void TOPC_XLSX::CheckWorkbook() const {
  if (!WorkbookItem) OPCRaise("OPC Workbook is not open.");
}

TOPCItem* TOPC_XLSX::Need(TOPCItem* Item, const char* What) const {
  if (!Item) OPCRaise((std::string("OPC: no current ") + What).c_str());
  return Item;
}

void TOPC_XLSX::CloseSheet() {
  CloseItem(SheetItem);
  SheetItem = nullptr;
}

void TOPC_XLSX::CloseDrawing() {
  CloseItem(DrawingItem);
  DrawingItem = nullptr;
}

void TOPC_XLSX::CloseTable() {
  CloseItem(TableItem);
  TableItem = nullptr;
}

// ---- writing --------------------------------------------------------------------------------

TOPCItem* TOPC_XLSX::StoreAtOnce(TOPCItem* Source, const std::u16string& RelType, const std::u16string& Target,
                                 const std::u16string& ContentType, io::TStream& Stream) {
  TOPCItem* item = Source->AddChild(RelType, Target);
  std::u16string name = item->GetPartName();
  if (!OPCIsValidPartName(name)) OPCRaise(u"OPC: invalid part name \"" + name + u"\"");
  StorePart(item, Stream);
  ContentTypes().AddOverride(name, ContentType);
  item->OpenMode = kOPCWriting;
  return item;
}

TOPCItem* TOPC_XLSX::CreateWorkbook() {
  if (WorkbookItem) OPCRaise("OPC workbook is open");
  WorkbookItem = CreateItem(Root(), reltype::kOfficeDocument, u"xl/workbook.xml", contenttype::kWorkbook);
  return WorkbookItem;
}

TOPCItem* TOPC_XLSX::AddAppProperties(io::TStream& Stream) {
  return StoreAtOnce(Root(), reltype::kExtendedProperties, u"docProps/app.xml", contenttype::kExtendedProperties,
                     Stream);
}

TOPCItem* TOPC_XLSX::AddCoreProperties(io::TStream& Stream) {
  return StoreAtOnce(Root(), reltype::kCoreProperties, u"docProps/core.xml", contenttype::kCoreProperties, Stream);
}

TOPCItem* TOPC_XLSX::AddTheme(io::TStream& Stream, int N) {
  CheckWorkbook();
  return StoreAtOnce(WorkbookItem, reltype::kTheme, Numbered("theme/theme%d.xml", N), contenttype::kTheme, Stream);
}

TOPCItem* TOPC_XLSX::CreateWorksheet(int N) {
  CheckWorkbook();
  SheetItem = CreateItem(WorkbookItem, reltype::kWorksheet, Numbered("worksheets/sheet%d.xml", N),
                         contenttype::kWorksheet);
  return SheetItem;
}

TOPCItem* TOPC_XLSX::CreateChartsheet(int N) {
  CheckWorkbook();
  SheetItem = CreateItem(WorkbookItem, reltype::kChartsheet, Numbered("chartsheets/sheet%d.xml", N),
                         contenttype::kChartsheet);
  return SheetItem;
}

TOPCItem* TOPC_XLSX::CreateStyles() {
  CheckWorkbook();
  return CreateItem(WorkbookItem, reltype::kStyles, u"styles.xml", contenttype::kStyles);
}

TOPCItem* TOPC_XLSX::CreateSharedStrings() {
  CheckWorkbook();
  return CreateItem(WorkbookItem, reltype::kSharedStrings, u"sharedStrings.xml", contenttype::kSharedStrings);
}

TOPCItem* TOPC_XLSX::CreateConnections() {
  CheckWorkbook();
  return CreateItem(WorkbookItem, reltype::kConnections, u"connections.xml", contenttype::kConnections);
}

TOPCItem* TOPC_XLSX::CreateExternalLink(int N) {
  CheckWorkbook();
  return CreateItem(WorkbookItem, reltype::kExternalLink, Numbered("externalLinks/externalLink%d.xml", N),
                    contenttype::kExternalLink);
}

TOPCItem* TOPC_XLSX::CreateExternalLinkPath(TOPCItem* Parent, const std::u16string& Target) {
  return CreateExternalItem(Need(Parent, "external link"), reltype::kExternalLinkPath, Target);
}

TOPCItem* TOPC_XLSX::CreatePivotCacheDefinition(TOPCItem* Parent, int N) {
  if (!Parent) {
    CheckWorkbook();
    Parent = WorkbookItem;
  }
  return CreateItem(Parent, reltype::kPivotCacheDefinition, Numbered("pivotCache/pivotCacheDefinition%d.xml", N),
                    contenttype::kPivotCacheDefinition);
}

TOPCItem* TOPC_XLSX::CreatePivotCacheRecords(TOPCItem* Definition, int N) {
  return CreateItem(Need(Definition, "pivot cache definition"), reltype::kPivotCacheRecords,
                    Numbered("pivotCacheRecords%d.xml", N), contenttype::kPivotCacheRecords);
}

TOPCItem* TOPC_XLSX::CreateDrawing(TOPCItem* Sheet, int N) {
  DrawingItem = CreateItem(Need(Sheet, "sheet"), reltype::kDrawing, Numbered("../drawings/drawing%d.xml", N),
                           contenttype::kDrawing);
  return DrawingItem;
}

TOPCItem* TOPC_XLSX::CreateVmlDrawing(TOPCItem* Sheet, int N) {
  return CreateItem(Need(Sheet, "sheet"), reltype::kVmlDrawing, Numbered("../drawings/vmlDrawing%d.vml", N), u"");
}

TOPCItem* TOPC_XLSX::CreateComments(TOPCItem* Sheet, int N) {
  return CreateItem(Need(Sheet, "sheet"), reltype::kComments, Numbered("../comments%d.xml", N),
                    contenttype::kComments);
}

TOPCItem* TOPC_XLSX::CreateTable(TOPCItem* Sheet) {
  Need(Sheet, "sheet");
  ++TableCounter;
  return CreateItem(Sheet, reltype::kTable, Numbered("../tables/table%d.xml", TableCounter), contenttype::kTable);
}

TOPCItem* TOPC_XLSX::CreateQueryTable(TOPCItem* Table) {
  Need(Table, "table");
  ++QueryTableCounter;
  return CreateItem(Table, reltype::kQueryTable, Numbered("../queryTables/queryTable%d.xml", QueryTableCounter),
                    contenttype::kQueryTable);
}

TOPCItem* TOPC_XLSX::CreatePivotTable() {
  Need(SheetItem, "sheet");
  ++PivotTableCounter;
  return CreateItem(SheetItem, reltype::kPivotTable, Numbered("../pivotTables/pivotTable%d.xml", PivotTableCounter),
                    contenttype::kPivotTable);
}

void TOPC_XLSX::AddPrinterSettings(TOPCItem* Sheet, io::TStream& Stream, std::string& Id) {
  Need(Sheet, "sheet");
  ++PrinterSettingsCounter;
  TOPCItem* item = CreateItem(Sheet, reltype::kPrinterSettings,
                              Numbered("../printerSettings/printerSettings%d.bin", PrinterSettingsCounter), u"");
  WriteItem(item, Stream);
  Id = item->GetId();
  CloseItem(item);
}

TOPCItem* TOPC_XLSX::CreateHyperlink(TOPCItem* Sheet, const std::u16string& Target) {
  return CreateExternalItem(Need(Sheet, "sheet"), reltype::kHyperlink, Target);
}

TOPCItem* TOPC_XLSX::CreateChart() {
  Need(DrawingItem, "drawing");
  ++ChartCounter;
  return CreateItem(DrawingItem, reltype::kChart, Numbered("../charts/chart%d.xml", ChartCounter),
                    contenttype::kChart);
}

TOPCItem* TOPC_XLSX::CreateChartStyle(TOPCItem* Chart) {
  return CreateItem(Need(Chart, "chart"), reltype::kChartStyle, Numbered("style%d.xml", ChartCounter),
                    contenttype::kChartStyle);
}

TOPCItem* TOPC_XLSX::CreateChartColors(TOPCItem* Chart) {
  return CreateItem(Need(Chart, "chart"), reltype::kChartColorStyle, Numbered("colors%d.xml", ChartCounter),
                    contenttype::kChartColorStyle);
}

TOPCItem* TOPC_XLSX::CreateImage(int N, const std::u16string& Ext) {
  Need(DrawingItem, "drawing");
  return CreateItem(DrawingItem, reltype::kImage, Numbered("../media/image%d.", N) + Ext, u"");
}

// ---- reading --------------------------------------------------------------------------------

std::unique_ptr<io::TStream> TOPC_XLSX::ReadAndClose(TOPCItem* Item) {
  std::unique_ptr<io::TStream> s = ReadItem(Item);
  CloseItem(Item);
  return s;
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadByType(TOPCItem* Source, const std::u16string& RelType) {
  if (!Source) return nullptr;
  TOPCItem* item = OpenItemByType(Source, RelType);
  return item ? ReadAndClose(item) : nullptr;
}

TOPCItem* TOPC_XLSX::OpenById(TOPCItem* Source, const std::u16string& RelType, const std::string& Id,
                              const std::u16string& Missing) {
  TOPCItem* item = Source ? OpenItemById(Source, RelType, Id) : nullptr;
  if (!item) OPCRaise(Missing);
  return item;
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadAsCurrent(TOPCItem*& Current, TOPCItem* Source,
                                                             const std::u16string& RelType, const std::string& Id,
                                                             const std::u16string& Missing) {
  // A part that cannot be found leaves no current item behind.
  Current = nullptr;
  Current = OpenById(Source, RelType, Id, Missing);
  return ReadItem(Current);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadWorkbook() {
  WorkbookItem = OpenItemByType(Root(), reltype::kOfficeDocument);
  return WorkbookItem ? ReadAndClose(WorkbookItem) : nullptr;
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadCoreProperties() {
  return ReadByType(Root(), reltype::kCoreProperties);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadStyles() { return ReadByType(WorkbookItem, reltype::kStyles); }

std::unique_ptr<io::TStream> TOPC_XLSX::ReadSharedStrings() {
  return ReadByType(WorkbookItem, reltype::kSharedStrings);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadConnections() {
  return ReadByType(WorkbookItem, reltype::kConnections);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadWorksheet(const std::string& Id) {
  return ReadAsCurrent(SheetItem, WorkbookItem, reltype::kWorksheet, Id, u"Can not find worksheet in OPC");
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadChartsheet(const std::string& Id) {
  return ReadAsCurrent(SheetItem, WorkbookItem, reltype::kChartsheet, Id, u"Can not find worksheet in OPC");
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadExternalLink(const std::string& Id) {
  return ReadAndClose(OpenById(WorkbookItem, reltype::kExternalLink, Id, u"Can not find ExternalLink in OPC"));
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadPivotCacheDefinition(const std::string& Id) {
  return ReadAndClose(OpenById(WorkbookItem, reltype::kPivotCacheDefinition, Id,
                               u"Can not find pivotCacheDefintion " + core::utf8_to_utf16(Id) + u" in OPC"));
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadPivotCacheRecords(const std::string& DefinitionId,
                                                                    const std::string& RecordsId) {
  TOPCItem* def = OpenById(WorkbookItem, reltype::kPivotCacheDefinition, DefinitionId,
                           u"Can not find pivotCacheDefintion " + core::utf8_to_utf16(DefinitionId) + u" in OPC");
  return ReadAndClose(OpenById(def, reltype::kPivotCacheRecords, RecordsId,
                               u"Can not find pivotCacheRecords " + core::utf8_to_utf16(RecordsId) + u" in OPC"));
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadComments(const std::string& SheetId) {
  if (!WorkbookItem) return nullptr;
  TOPCItem* sheet = OpenItemById(WorkbookItem, reltype::kWorksheet, SheetId);
  if (!sheet) return nullptr;
  CloseItem(sheet);
  return ReadByType(sheet, reltype::kComments);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadDrawing(const std::string& Id) {
  return ReadAsCurrent(DrawingItem, SheetItem, reltype::kDrawing, Id, u"Can not find Drawing in OPC");
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadVmlDrawing(const std::string& Id) {
  return ReadAndClose(OpenById(SheetItem, reltype::kVmlDrawing, Id,
                               u"Can not find VmlDrawing " + core::utf8_to_utf16(Id) + u" in OPC"));
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadTable(const std::string& Id) {
  return ReadAsCurrent(TableItem, SheetItem, reltype::kTable, Id, u"Can not find Table in OPC");
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadQueryTable() { return ReadByType(TableItem, reltype::kQueryTable); }

std::unique_ptr<io::TStream> TOPC_XLSX::ReadPivotTable(const std::string& Id) {
  TOPCItem* item = OpenById(SheetItem, reltype::kPivotTable, Id,
                            u"Can not find pivotTable " + core::utf8_to_utf16(Id) + u" in OPC");
  item->MarkReadTree();
  return ReadAndClose(item);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadPrinterSettings(const std::string& Id) {
  TOPCItem* item = SheetItem ? OpenItemById(SheetItem, reltype::kPrinterSettings, Id) : nullptr;
  return item ? ReadAndClose(item) : nullptr;
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadImage(const std::string& Id, std::u16string& Target) {
  TOPCItem* item = OpenById(DrawingItem, reltype::kImage, Id, u"Can not find Image in OPC");
  Target = item->GetTarget();
  return ReadAndClose(item);
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadChart(const std::string& Id) {
  return ReadAndClose(OpenById(DrawingItem, reltype::kChart, Id, u"Can not find Chart in OPC"));
}

TOPCItem* TOPC_XLSX::GetChartItem(const std::string& Id) {
  return OpenById(DrawingItem, reltype::kChart, Id, u"Can not find Table in OPC");
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadChartStyle(TOPCItem* Chart, const std::string& Id) {
  return ReadAndClose(OpenById(Chart, reltype::kChartStyle, Id, u"Can not find Table in OPC"));
}

std::unique_ptr<io::TStream> TOPC_XLSX::ReadChartColors(TOPCItem* Chart, const std::string& Id) {
  return ReadAndClose(OpenById(Chart, reltype::kChartColorStyle, Id, u"Can not find Table in OPC"));
}

bool TOPC_XLSX::IsChartsheet(const std::string& Id) const {
  TOPCItem* item = WorkbookItem ? WorkbookItem->FindById(Id) : nullptr;
  return item && item->RelType == reltype::kChartsheet;
}

void TOPC_XLSX::GetSheetRelTarget(const std::string& SheetId, const std::string& RelId, std::u16string& Target) const {
  TOPCItem* sheet = WorkbookItem ? WorkbookItem->FindById(SheetId) : nullptr;
  if (!sheet) OPCRaise("Can not find worksheet in OPC");
  Target = sheet->GetTargetOfId(RelId);
}

bool TOPC_XLSX::GetDrawingImageIds(std::vector<std::string>& List) const {
  return AppendChildIds(DrawingItem, reltype::kImage, List);
}

bool TOPC_XLSX::GetSheetPivotTableIds(std::vector<std::string>& List) const {
  return AppendChildIds(SheetItem, reltype::kPivotTable, List);
}

}  // namespace ooxml
