// What the record readings hand to the reports: the history report workbook, the alarm sheet and the
// PDF report. The window calls these at the points where a reading begins, adds to and ends a report;
// an implementation lays the reports out and saves them. The operations run on the main thread and
// may show boxes (with a nested message loop) and wait.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "console/console_state.h"

namespace console {

// Records a sheet of the history report holds, and the row (1-based) of a full sheet's last record.
inline constexpr std::int32_t kHistoryRowLimit = 32000;
inline constexpr std::int32_t kHistoryLastFullRow = 32028;
// The same for records exported from TF-card day files.
inline constexpr std::int32_t kTfRowLimit = 32364;
inline constexpr std::int32_t kTfLastFullRow = 32392;
inline constexpr const char* kReportTitle = "温湿度历史记录报表";

// What the report layouts need of the window that runs them.
struct ReportHost {
  // The console state: report rows, sheet index, record number, first and last times, file name.
  ConsoleState* state = nullptr;
  // The folder reports are saved in ("data" under the working directory).
  std::filesystem::path data_folder;
  // Sets a panel of the window's status bar.
  std::function<void(int panel, std::string_view text)> set_status;
  // Scrolls the list of the running reading or export to its last line (a full sheet was closed).
  std::function<void()> scroll_record_list;
  // Adds a line to the TF-card export's list and lets pending window messages run.
  std::function<void(std::string_view line)> progress_line;
};

class ReportOperations {
public:
  virtual ~ReportOperations() = default;

  // The history report workbook. AddReportRow closes a full sheet itself once `limit` rows are on it;
  // `instrument_number` goes into the closed sheet's information block.
  virtual void LayoutReportSheet(std::int32_t index, std::string_view title) = 0;
  virtual void AddReportRow(std::int32_t number, double temperature, double humidity, std::string_view time_text,
                            std::int32_t limit, std::int32_t instrument_number) = 0;
  // A row that says `count` records numbered from `first` are missing (the instrument counted them
  // as read, but no reply carried them); it counts as a row like AddReportRow's.
  virtual void AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit, std::int32_t instrument_number) = 0;
  // Completes, saves and empties the workbook. `status_text`, when not empty, goes to status panel 5
  // once the file name is set; `progress_lines` adds the TF-card export's progress lines (a line after
  // each finished sheet and one before the final write).
  virtual void FinishReportWorkbook(std::int32_t instrument_number, std::string_view instrument_text,
                                    std::int32_t last_full_row, std::string_view status_text,
                                    bool progress_lines) = 0;
  virtual void EmptyReportWorkbook() = 0;

  // The alarm sheet; `instrument_text` goes into the file name, `ask` makes the question about opening
  // the file follow the save.
  virtual void LayoutAlarmSheet() = 0;
  virtual void AddAlarmRow(std::string_view event_text, std::string_view value_text, std::string_view time_text) = 0;
  virtual void SaveAlarmSheet(std::string_view instrument_text, bool ask) = 0;

  // The PDF report.
  virtual void BeginPdfReport(std::string_view instrument_text, std::string_view title, std::int32_t title_x) = 0;
  virtual void AddPdfRow(std::int32_t number, double temperature, double humidity, std::string_view time_text) = 0;
  // The PDF report's row for missing records, as AddReportGap.
  virtual void AddPdfGap(std::int32_t first, std::int32_t count) = 0;
  virtual void EndPdfReport() = 0;
  // Drops a PDF report under way without writing it (the link to the instrument is gone); nothing
  // when none is under way.
  virtual void AbortPdfReport() = 0;
};

// Until the report layouts are bound in, readings keep no reports.
class NoReports final : public ReportOperations {
public:
  void LayoutReportSheet(std::int32_t, std::string_view) override {}
  void AddReportRow(std::int32_t, double, double, std::string_view, std::int32_t, std::int32_t) override {}
  void AddReportGap(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void FinishReportWorkbook(std::int32_t, std::string_view, std::int32_t, std::string_view, bool) override {}
  void EmptyReportWorkbook() override {}
  void LayoutAlarmSheet() override {}
  void AddAlarmRow(std::string_view, std::string_view, std::string_view) override {}
  void SaveAlarmSheet(std::string_view, bool) override {}
  void BeginPdfReport(std::string_view, std::string_view, std::int32_t) override {}
  void AddPdfRow(std::int32_t, double, double, std::string_view) override {}
  void AddPdfGap(std::int32_t, std::int32_t) override {}
  void EndPdfReport() override {}
  void AbortPdfReport() override {}
};

}  // namespace console
