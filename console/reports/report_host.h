// The services both report kinds share: the report's file name, the partial file a report is written
// under until it is complete, and the question whether to open the saved file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "console/console_state.h"
#include "console/report_operations.h"

namespace console {

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
