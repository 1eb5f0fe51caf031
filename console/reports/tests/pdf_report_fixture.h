// What the PDF report tests share: a report on a private data folder under a virtual clock fixed at
// 2014-04-08 09:05:03 (UTC), a recording shell, a dialog script, record rows made from an index, and
// a reader that takes a written (uncompressed) file apart into its pages' content streams.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console/console_state.h"
#include "console/reports/pdf_report.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

namespace console::test {

// A history record as the reading hands it over: signed temperature and unsigned humidity registers.
struct PdfRecord {
  std::int32_t number;
  std::int16_t temperature;
  std::uint16_t humidity;
  std::string time_text;
};
// Record i (0-based): temperatures from -40.0 to 79.9, humidity from 0 to 99.9, one a minute.
PdfRecord MakePdfRecord(int i);

// The page content streams of a PDF file in page order, with the page height in points.
struct PdfPages {
  std::vector<std::string> contents;
  double height = 0;
};
PdfPages ReadPdfPages(const std::filesystem::path& file);
// Tops of the grid rectangles ("re" lines) of a content stream, in page units from the top edge.
std::vector<double> GridTops(const std::string& content, double page_height);
// Deepest "q" nesting of a content stream; -1 when a "Q" comes without its "q" or one stays open.
int StateNesting(const std::string& content);

class PdfReportTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Begins a report of instrument "1" (title "温湿度历史记录" at 300), adds `count` records and ends
  // it, answering the open question with Cancel.
  void WriteReport(int count);
  void AddRecord(int i);
  // The entries of the data folder (hidden ones too), by name.
  std::vector<std::string> DataEntries() const;
  std::filesystem::path ReportPath() const { return data_ / state_.ReportFileName; }

  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_clock_;
  platform::os::RecordingShell shell_;
  std::unique_ptr<platform::os::ScopedServices> services_;
  std::unique_ptr<platform::components::DialogScript> dialogs_;
  std::filesystem::path work_, data_;
  ConsoleState state_;
  std::unique_ptr<PdfReport> report_;
};

}  // namespace console::test
