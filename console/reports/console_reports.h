// The reports the console keeps: the spreadsheet reports and the PDF report behind the operations the
// record readings and the TF-card export call.
#pragma once

#include "console/report_operations.h"
#include "console/reports/pdf_report.h"
#include "console/reports/spreadsheet_report.h"

namespace console {

class ConsoleReports final : public ReportOperations {
public:
  explicit ConsoleReports(const ReportHost& host) : spreadsheet_(host), pdf_(host) {}

  SpreadsheetReport& Spreadsheet() { return spreadsheet_; }
  PdfReport& Pdf() { return pdf_; }

  void LayoutReportSheet(std::int32_t index, std::string_view title) override {
    spreadsheet_.LayoutReportSheet(index, title);
  }
  void AddReportRow(std::int32_t number, double temperature, double humidity, std::string_view time_text,
                    std::int32_t limit, std::int32_t instrument_number) override {
    spreadsheet_.AddReportRow(number, temperature, humidity, time_text, limit, instrument_number);
  }
  void AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit, std::int32_t instrument_number) override {
    spreadsheet_.AddReportGap(first, count, limit, instrument_number);
  }
  void FinishReportWorkbook(std::int32_t instrument_number, std::string_view instrument_text,
                            std::int32_t last_full_row, std::string_view status_text, bool progress_lines) override {
    spreadsheet_.FinishReportWorkbook(instrument_number, instrument_text, last_full_row, status_text, progress_lines);
  }
  void EmptyReportWorkbook() override { spreadsheet_.EmptyReportWorkbook(); }
  void LayoutAlarmSheet() override { spreadsheet_.LayoutAlarmSheet(); }
  void AddAlarmRow(std::string_view event_text, std::string_view value_text, std::string_view time_text) override {
    spreadsheet_.AddAlarmRow(event_text, value_text, time_text);
  }
  void SaveAlarmSheet(std::string_view instrument_text, bool ask) override {
    spreadsheet_.SaveAlarmSheet(instrument_text, ask);
  }
  void BeginPdfReport(std::string_view instrument_text, std::string_view title, std::int32_t title_x) override {
    pdf_.BeginPdfReport(instrument_text, title, title_x);
  }
  void AddPdfRow(std::int32_t number, double temperature, double humidity, std::string_view time_text) override {
    pdf_.AddPdfRow(number, temperature, humidity, time_text);
  }
  void AddPdfGap(std::int32_t first, std::int32_t count) override { pdf_.AddPdfGap(first, count); }
  void EndPdfReport() override { pdf_.EndPdfReport(); }
  void AbortPdfReport() override { pdf_.AbortPdfReport(); }

private:
  SpreadsheetReport spreadsheet_;
  PdfReport pdf_;
};

}  // namespace console
