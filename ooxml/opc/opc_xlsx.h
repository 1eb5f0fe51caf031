// The package container of a SpreadsheetML workbook: for every kind of part its source, target
// pattern, relationship type and content type, the current workbook, sheet, drawing and table
// items the reader and writer address satellites through, and the counters of numbered parts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ooxml/opc/opc_container.h"

namespace ooxml {

// Relationship types of a workbook package.
namespace reltype {
inline constexpr char16_t kOfficeDocument[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr char16_t kExtendedProperties[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr char16_t kCoreProperties[] =
    u"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr char16_t kTheme[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr char16_t kWorksheet[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr char16_t kChartsheet[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
inline constexpr char16_t kStyles[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr char16_t kSharedStrings[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr char16_t kConnections[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/connections";
inline constexpr char16_t kExternalLink[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/externalLink";
inline constexpr char16_t kExternalLinkPath[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/externalLinkPath";
inline constexpr char16_t kPivotCacheDefinition[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/pivotCacheDefinition";
inline constexpr char16_t kPivotCacheRecords[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/pivotCacheRecords";
inline constexpr char16_t kDrawing[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
inline constexpr char16_t kVmlDrawing[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/vmlDrawing";
inline constexpr char16_t kComments[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments";
inline constexpr char16_t kTable[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/table";
inline constexpr char16_t kQueryTable[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/queryTable";
inline constexpr char16_t kPivotTable[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/pivotTable";
inline constexpr char16_t kPrinterSettings[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/printerSettings";
inline constexpr char16_t kHyperlink[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
inline constexpr char16_t kChart[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart";
inline constexpr char16_t kChartStyle[] = u"http://schemas.microsoft.com/office/2011/relationships/chartStyle";
inline constexpr char16_t kChartColorStyle[] =
    u"http://schemas.microsoft.com/office/2011/relationships/chartColorStyle";
inline constexpr char16_t kImage[] = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr char16_t kCalcChain[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain";
}  // namespace reltype

// Content types of the parts the container creates.
namespace contenttype {
inline constexpr char16_t kWorkbook[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr char16_t kExtendedProperties[] =
    u"application/vnd.openxmlformats-officedocument.extended-properties+xml";
inline constexpr char16_t kCoreProperties[] = u"application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr char16_t kTheme[] = u"application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr char16_t kWorksheet[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr char16_t kChartsheet[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.Chartsheet+xml";
inline constexpr char16_t kStyles[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr char16_t kSharedStrings[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr char16_t kConnections[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.connections+xml";
inline constexpr char16_t kExternalLink[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.externalLink+xml";
inline constexpr char16_t kPivotCacheDefinition[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml";
inline constexpr char16_t kPivotCacheRecords[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheRecords+xml";
inline constexpr char16_t kDrawing[] = u"application/vnd.openxmlformats-officedocument.drawing+xml";
inline constexpr char16_t kComments[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml";
inline constexpr char16_t kTable[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";
inline constexpr char16_t kQueryTable[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.queryTable+xml";
inline constexpr char16_t kPivotTable[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml";
inline constexpr char16_t kChart[] = u"application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
inline constexpr char16_t kChartStyle[] = u"application/vnd.ms-office.chartstyle+xml";
inline constexpr char16_t kChartColorStyle[] = u"application/vnd.ms-office.chartcolorstyle+xml";
}  // namespace contenttype

inline constexpr char16_t kPackageRelationshipsNamespace[] =
    u"http://schemas.openxmlformats.org/package/2006/relationships";

class TOPC_XLSX : public TOPCContainer {
public:
  TOPC_XLSX();
  ~TOPC_XLSX() override;

  void OpenRead(io::TStream& Stream, bool AlternateZip) override;
  void OpenWrite(io::TStream& Stream, bool AlternateZip) override;
  void Close() override;
  void Clear();
  void CheckWorkbook() const;
  void CloseSheet();
  void CloseDrawing();
  void CloseTable();

  // Parts created for writing; each returns its item opened for writing.
  TOPCItem* CreateWorkbook();
  TOPCItem* AddAppProperties(io::TStream& Stream);
  TOPCItem* AddCoreProperties(io::TStream& Stream);
  TOPCItem* AddTheme(io::TStream& Stream, int N);
  TOPCItem* CreateWorksheet(int N);
  TOPCItem* CreateChartsheet(int N);
  TOPCItem* CreateStyles();
  TOPCItem* CreateSharedStrings();
  TOPCItem* CreateConnections();
  TOPCItem* CreateExternalLink(int N);
  TOPCItem* CreateExternalLinkPath(TOPCItem* Parent, const std::u16string& Target);
  TOPCItem* CreatePivotCacheDefinition(TOPCItem* Parent, int N);
  TOPCItem* CreatePivotCacheRecords(TOPCItem* Definition, int N);
  TOPCItem* CreateDrawing(TOPCItem* Sheet, int N);
  TOPCItem* CreateVmlDrawing(TOPCItem* Sheet, int N);
  TOPCItem* CreateComments(TOPCItem* Sheet, int N);
  TOPCItem* CreateTable(TOPCItem* Sheet);
  TOPCItem* CreateQueryTable(TOPCItem* Table);
  TOPCItem* CreatePivotTable();
  void AddPrinterSettings(TOPCItem* Sheet, io::TStream& Stream, std::string& Id);
  TOPCItem* CreateHyperlink(TOPCItem* Sheet, const std::u16string& Target);
  TOPCItem* CreateChart();
  TOPCItem* CreateChartStyle(TOPCItem* Chart);
  TOPCItem* CreateChartColors(TOPCItem* Chart);
  TOPCItem* CreateImage(int N, const std::u16string& Ext);

  // Parts read: the part's stream, or nullptr where a missing part is no error.
  std::unique_ptr<io::TStream> ReadWorkbook();
  std::unique_ptr<io::TStream> ReadCoreProperties();
  std::unique_ptr<io::TStream> ReadStyles();
  std::unique_ptr<io::TStream> ReadSharedStrings();
  std::unique_ptr<io::TStream> ReadConnections();
  std::unique_ptr<io::TStream> ReadWorksheet(const std::string& Id);
  std::unique_ptr<io::TStream> ReadChartsheet(const std::string& Id);
  std::unique_ptr<io::TStream> ReadExternalLink(const std::string& Id);
  std::unique_ptr<io::TStream> ReadPivotCacheDefinition(const std::string& Id);
  std::unique_ptr<io::TStream> ReadPivotCacheRecords(const std::string& DefinitionId,
                                                           const std::string& RecordsId);
  std::unique_ptr<io::TStream> ReadComments(const std::string& SheetId);
  std::unique_ptr<io::TStream> ReadDrawing(const std::string& Id);
  std::unique_ptr<io::TStream> ReadVmlDrawing(const std::string& Id);
  std::unique_ptr<io::TStream> ReadTable(const std::string& Id);
  std::unique_ptr<io::TStream> ReadQueryTable();
  std::unique_ptr<io::TStream> ReadPivotTable(const std::string& Id);
  std::unique_ptr<io::TStream> ReadPrinterSettings(const std::string& Id);
  std::unique_ptr<io::TStream> ReadImage(const std::string& Id, std::u16string& Target);
  std::unique_ptr<io::TStream> ReadChart(const std::string& Id);
  TOPCItem* GetChartItem(const std::string& Id);
  std::unique_ptr<io::TStream> ReadChartStyle(TOPCItem* Chart, const std::string& Id);
  std::unique_ptr<io::TStream> ReadChartColors(TOPCItem* Chart, const std::string& Id);

  // Queries that open nothing.
  bool IsChartsheet(const std::string& Id) const;
  void GetSheetRelTarget(const std::string& SheetId, const std::string& RelId, std::u16string& Target) const;
  bool GetDrawingImageIds(std::vector<std::string>& List) const;
  bool GetSheetPivotTableIds(std::vector<std::string>& List) const;

  TOPCItem* WorkbookItem = nullptr;
  TOPCItem* SheetItem = nullptr;
  TOPCItem* DrawingItem = nullptr;
  TOPCItem* TableItem = nullptr;
  int PrinterSettingsCounter = 0;
  int ChartCounter = 0;
  int TableCounter = 0;
  int QueryTableCounter = 0;
  int PivotTableCounter = 0;

private:
  TOPCItem* StoreAtOnce(TOPCItem* Source, const std::u16string& RelType, const std::u16string& Target,
                        const std::u16string& ContentType, io::TStream& Stream);
  std::unique_ptr<io::TStream> ReadByType(TOPCItem* Source, const std::u16string& RelType);
  TOPCItem* OpenById(TOPCItem* Source, const std::u16string& RelType, const std::string& Id,
                     const std::u16string& Missing);
  std::unique_ptr<io::TStream> ReadAndClose(TOPCItem* Item);
  // Opens the part as the current item Current and reads it, leaving it open.
  std::unique_ptr<io::TStream> ReadAsCurrent(TOPCItem*& Current, TOPCItem* Source, const std::u16string& RelType,
                                                   const std::string& Id, const std::u16string& Missing);
  TOPCItem* Need(TOPCItem* Item, const char* What) const;

  TOPCItemList scratch_;
};

}  // namespace ooxml
