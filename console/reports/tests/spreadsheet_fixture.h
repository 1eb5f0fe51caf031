// The fixture of the spreadsheet report tests: a fresh window system (the open question is a real
// dialog), a virtual clock at a fixed local time, a recording shell, a dialog script that must end
// with nothing unexpected, a temporary data folder and the report over a console state. Records
// come from a fixed generator so that a test can compute what each row and statistic must be.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console/console_state.h"
#include "console/reports/spreadsheet_report.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

namespace console::test {

// Record n (1-based) of the generated readings: register values as the instrument sends them.
struct GeneratedRecord {
  std::int16_t temperature;  // tenths, signed
  std::uint16_t humidity;    // tenths
  std::string time;          // "yyyy-mm-dd hh:mm:ss"
};
GeneratedRecord Generate(int n);

// The six statistics texts (A5, D5, A6, D6, A7, D7) of records first..last, as the formulas give them.
std::vector<std::string> ExpectedStatistics(int first, int last);

class SpreadsheetReportTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Begins a report as the readings do, adds `records` generated records with the given sheet
  // limit, and finishes it for instrument `instrument`; the open question is answered Cancel.
  void RunReport(int records, int limit, int last_full_row, int instrument = 1);
  // The only .xls file in the data folder (fails the test when there is not exactly one).
  std::filesystem::path SavedFile();
  // Files whose name starts with a dot (partial files) left in the data folder.
  std::vector<std::string> HiddenFiles();
  // Checks the component is back to one empty sheet named Sheet1 without charts.
  void ExpectEmptyWorkbook();

  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_clock_;
  platform::os::RecordingShell shell_;
  std::unique_ptr<platform::os::ScopedServices> services_;
  std::unique_ptr<platform::components::DialogScript> dialogs_;
  std::filesystem::path dir_;
  std::filesystem::path data_;
  ConsoleState state_;
  std::vector<std::pair<int, std::string>> status_;
  std::vector<std::string> progress_;
  int scrolled_ = 0;
  std::unique_ptr<SpreadsheetReport> report_;
};

}  // namespace console::test
