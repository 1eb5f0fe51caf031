// The PDF form of a history report: title, column headers and a grid with one row per record, on as
// many pages as the records need, saved in the data folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "console/reports/report_host.h"

namespace console {

// The text of a temperature or humidity in a report row: the shortest form, at most 15 significant
// digits and no trailing zeros (23.5, -12.5, 100, 3276.8).
std::string PdfValueText(double value);

class PdfReport {
public:
  explicit PdfReport(ReportHost host);
  ~PdfReport();
  PdfReport(const PdfReport&) = delete;
  PdfReport& operator=(const PdfReport&) = delete;

  void BeginPdfReport(std::string_view instrument_text, std::string_view title, std::int32_t title_x);
  void AddPdfRow(std::int32_t number, double temperature, double humidity, std::string_view time_text);
  // A row that says which records are missing: their numbers and the count, no values.
  void AddPdfGap(std::int32_t first, std::int32_t count);
  // Ends the document, then asks whether to open it; a failure aborts the document and is raised again.
  void EndPdfReport();
  // Drops a report under way (its partial file goes); nothing when none is under way.
  void AbortPdfReport();
  bool Running() const;

private:
  void AddRow(std::string_view number, std::string_view temperature, std::string_view humidity, std::string_view time_text);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace console
