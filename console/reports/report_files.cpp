// Report file names, the open question, and the partial-file discipline of report saving.
#include "console/reports/report_host.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "core/clock.h"
#include "core/error.h"
#include "core/strings.h"
#include "platform/components/dialogs.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

namespace console {
namespace {

// OK/Cancel, question icon, second button default, top-most.
constexpr platform::win::UINT kOpenQuestionFlags = 0x40121;
constexpr int kIdOk = 1;
// OK, error icon, top-most.
constexpr platform::win::UINT kOpenFailedFlags = 0x40010;

// Local date and time as days since 30 December 1899, the date values the window's pickers count in.
double DateValue(const core::LocalTime& t) {
  const auto days = std::chrono::sys_days(std::chrono::year(t.year) / t.month / t.day).time_since_epoch().count();
  const double seconds = t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond / 1000.0;
  return static_cast<double>(days) + 25569.0 + seconds / 86400.0;
}

}  // namespace

std::string MakeReportFileName(ConsoleState& state, std::string_view instrument_text, std::string_view kind,
                               std::string_view extension) {
  const core::LocalTime t = core::local_now();
  state.ReportTime = DateValue(t);
  state.ReportYear = static_cast<std::uint16_t>(t.year);
  state.ReportMonth = static_cast<std::uint16_t>(t.month);
  state.ReportDay = static_cast<std::uint16_t>(t.day);
  state.ReportHour = static_cast<std::uint16_t>(t.hour);
  state.ReportMinute = static_cast<std::uint16_t>(t.minute);
  state.ReportSecond = static_cast<std::uint16_t>(t.second);
  state.ReportMilliSecond = static_cast<std::uint16_t>(t.millisecond);
  state.ReportFileName = "温湿度" + std::string(instrument_text) + std::string(kind) +
                         core::format("%d年%d月%d日%d时%d分%d秒", t.year, t.month, t.day, t.hour, t.minute, t.second) +
                         std::string(extension);
  return state.ReportFileName;
}

void AskOpenReport(const std::filesystem::path& file) {
  core::sleep_ms(1000);
  if (platform::components::MessageBox("导出成功，是否打开文件？", "询问", kOpenQuestionFlags) != kIdOk) return;
  // The desktop may have no application for the file: the user is told, with where the file is.
  if (!platform::os::shell().open(file.string(), file.parent_path().string()))
    platform::components::MessageBox("无法打开文件，请检查是否安装了打开此类文件的程序。\n文件已保存在：" + file.string(), "错误",
                                     kOpenFailedFlags);
}

std::filesystem::path PartialReportPath(const std::filesystem::path& final_path) {
  return final_path.parent_path() / ("." + final_path.filename().string() + ".part");
}

namespace {

// Flushes a file's or a folder's data and entries to the disk; false when the system refuses.
bool SyncToDisk(const std::filesystem::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int rc;
  do rc = ::fsync(fd);
  while (rc != 0 && errno == EINTR);
  ::close(fd);
  return rc == 0;
}

}  // namespace

void CommitReportFile(const std::filesystem::path& partial, const std::filesystem::path& final_path) {
  // The contents and the folder entry reach the disk before the rename publishes the file, so that a
  // power cut never leaves a complete-looking report with missing data under the final name.
  const std::filesystem::path folder = final_path.parent_path().empty() ? "." : final_path.parent_path();
  std::error_code ec;
  if (!SyncToDisk(partial, 0) || !SyncToDisk(folder, O_DIRECTORY)) {
    std::filesystem::remove(partial, ec);
    throw core::Error("cannot save the report as " + final_path.string());
  }
  std::filesystem::rename(partial, final_path, ec);
  if (ec) {
    std::filesystem::remove(partial, ec);
    throw core::Error("cannot save the report as " + final_path.string());
  }
  // Makes the rename itself durable; the report is complete under its name either way.
  SyncToDisk(folder, O_DIRECTORY);
}

}  // namespace console
