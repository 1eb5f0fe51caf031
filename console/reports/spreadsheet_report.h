// The spreadsheet reports: the history report workbook (several sheets of records with an
// information block, statistics formulas and a line chart each) and the alarm sheet, laid out in the
// spreadsheet component's workbook and saved as .xls files in the data folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "console/reports/report_host.h"

namespace workbook {
class TXLSSpreadsheet5;
}

namespace console {

class SpreadsheetReport {
public:
  // Makes the component in the legacy (.xls) version; the legacy road must be registered first
  // (biff::RegisterLegacyNeighbours).
  explicit SpreadsheetReport(ReportHost host);
  ~SpreadsheetReport();
  SpreadsheetReport(const SpreadsheetReport&) = delete;
  SpreadsheetReport& operator=(const SpreadsheetReport&) = delete;

  workbook::TXLSSpreadsheet5& Component();

  void LayoutReportSheet(std::int32_t index, std::string_view title);
  void AddReportRow(std::int32_t number, double temperature, double humidity, std::string_view time_text,
                    std::int32_t limit, std::int32_t instrument_number);
  void AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit, std::int32_t instrument_number);
  void CloseReportSheet(std::int32_t instrument_number);
  void FinishReportWorkbook(std::int32_t instrument_number, std::string_view instrument_text,
                            std::int32_t last_full_row, std::string_view status_text, bool progress_lines);
  void EmptyReportWorkbook();

  void LayoutAlarmSheet();
  void AddAlarmRow(std::string_view event_text, std::string_view value_text, std::string_view time_text);
  void SaveAlarmSheet(std::string_view instrument_text, bool ask);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace console
