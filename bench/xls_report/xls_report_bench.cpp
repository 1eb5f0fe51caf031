// Lays out a history report of N records (100,000 by default: four sheets of at most 32,000) in the
// console's spreadsheet report and saves it as .xls into a temporary data folder, with the phases
// timed apart: adding the rows (the layout of full sheets included) and finishing (the read-back,
// the statistics, the grid, the charts and the final write). The question after the save is
// answered at once and its one-second wait passes on a virtual clock, so it is not counted.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "console/console_state.h"
#include "console/report_operations.h"
#include "console/reports/spreadsheet_report.h"
#include "core/clock.h"
#include "core/strings.h"
#include "platform/components/dialogs.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  char tmpl[] = "/tmp/thc_xls_bench_XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) return 1;
  const std::filesystem::path dir = tmpl;

  core::VirtualClock clock;
  clock.set_wall(std::chrono::system_clock::now());
  core::ScopedClock scoped_clock(clock);
  platform::win::reset_window_system();
  platform::win::InitControls();

  console::ConsoleState state;
  console::ReportHost host;
  host.state = &state;
  host.data_folder = dir;
  console::SpreadsheetReport report(host);

  const auto t0 = Clock::now();
  report.LayoutReportSheet(0, console::kReportTitle);
  state.ReportSheetIndex = 0;
  state.SheetRowCount = 0;
  for (int n = 1; n <= records; ++n) {
    state.RecordNumber = n;
    const std::string time =
        core::format("2014-04-%.2d %.2d:%.2d:%.2d", 1 + n / 86400 % 28, n / 3600 % 24, n / 60 % 60, n % 60);
    report.AddReportRow(n, (n % 1200 - 300) / 10.0, (n * 7 % 1001) / 10.0, time, console::kHistoryRowLimit, 1);
  }
  const auto t1 = Clock::now();
  // The question after the save is answered Cancel at once.
  platform::components::DialogScript answers;
  answers.Expect(platform::components::DialogKind::kMessageBox, "", "", 2);
  report.FinishReportWorkbook(1, "1", console::kHistoryLastFullRow, "", false);
  const auto t2 = Clock::now();

  std::uintmax_t size = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) size += e.file_size();
  std::printf("xls report: %d records, %d sheets\n", records, state.ReportSheetIndex + 1);
  std::printf("  rows added:      %8.3f s\n", Seconds(t0, t1));
  std::printf("  finished, saved: %8.3f s\n", Seconds(t1, t2));
  std::printf("  total:           %8.3f s, file %.1f MB\n", Seconds(t0, t2), size / 1048576.0);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
