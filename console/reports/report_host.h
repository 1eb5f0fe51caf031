// What the report layouts need of the window that runs them, and the two services both report kinds
// share: the report's file name and the question whether to open the saved file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "console/console_state.h"

namespace console {

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

// Sets ReportTime and its parts to the current local time and returns "温湿度" + instrument text +
// kind + the date and time in words ("2014年4月8日9时5分3秒", no leading zeros) + extension. The name is
// also stored in ReportFileName.
std::string MakeReportFileName(ConsoleState& state, std::string_view instrument_text, std::string_view kind,
                               std::string_view extension);

// Waits a second, then asks "导出成功，是否打开文件？"; on OK the desktop opens `file` (the spreadsheet
// or the PDF) with the data folder as working folder.
void AskOpenReport(const std::filesystem::path& file);

// The name a report is written under until it is complete: beside the final file, hidden, so that a
// failed save never leaves a half-written file under the final name.
std::filesystem::path PartialReportPath(const std::filesystem::path& final_path);

// Renames the completed `partial` file to `final_path`, replacing an older file of that name.
void CommitReportFile(const std::filesystem::path& partial, const std::filesystem::path& final_path);

}  // namespace console
