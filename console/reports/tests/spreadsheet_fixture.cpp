#include "console/reports/tests/spreadsheet_fixture.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "biff/chart/chart_model.h"
#include "biff/document/sheet_data.h"
#include "biff/legacy/legacy_document.h"
#include "console/reports/tests/report_checks.h"
#include "core/strings.h"
#include "platform/components/controls.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "workbook/spreadsheet_component.h"

namespace console::test {

GeneratedRecord Generate(int n) {
  GeneratedRecord r;
  r.temperature = static_cast<std::int16_t>((n * 37) % 1200 - 300);
  r.humidity = static_cast<std::uint16_t>((n * 53) % 1001);
  // One record a minute from 2014-04-08 00:00:00 on.
  using namespace std::chrono;
  const sys_seconds t = sys_days(year(2014) / 4 / 8) + minutes(n - 1) + seconds(n % 7);
  const year_month_day d{floor<days>(t)};
  const hh_mm_ss<seconds> h{t - floor<days>(t)};
  r.time = core::format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", static_cast<int>(d.year()),
                        static_cast<int>(unsigned(d.month())), static_cast<int>(unsigned(d.day())),
                        static_cast<int>(h.hours().count()),
                        static_cast<int>(h.minutes().count()), static_cast<int>(h.seconds().count()));
  return r;
}

std::vector<std::string> ExpectedStatistics(int first, int last) {
  std::vector<ReportRow> rows;
  for (int n = first; n <= last; ++n) {
    const GeneratedRecord r = Generate(n);
    rows.push_back({n, r.temperature / 10.0, r.humidity / 10.0, r.time});
  }
  return StatisticsTexts(rows);
}

void SpreadsheetReportTest::SetUp() {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  platform::win::reset_window_system();
  platform::win::InitControls();
  // 2014-04-08 09:05:03 UTC.
  clock_.set_wall(core::WallTime{} + std::chrono::seconds(1396947903));
  scoped_clock_ = std::make_unique<core::ScopedClock>(clock_);
  platform::os::Services doubles;
  doubles.shell = &shell_;
  services_ = std::make_unique<platform::os::ScopedServices>(doubles);
  dialogs_ = std::make_unique<platform::components::DialogScript>();
  char tmpl[] = "/tmp/thc_xls_report_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  dir_ = tmpl;
  data_ = dir_ / "data";
  std::filesystem::create_directories(data_);
  ReportHost host;
  host.state = &state_;
  host.data_folder = data_;
  host.set_status = [this](int panel, std::string_view text) { status_.emplace_back(panel, std::string(text)); };
  host.scroll_record_list = [this] { ++scrolled_; };
  host.progress_line = [this](std::string_view line) { progress_.emplace_back(line); };
  report_ = std::make_unique<SpreadsheetReport>(host);
}

void SpreadsheetReportTest::TearDown() {
  for (const auto& u : dialogs_->unexpected()) ADD_FAILURE() << "unexpected dialog: " << u;
  EXPECT_EQ(dialogs_->pending(), 0u) << "dialogs expected but never shown";
  report_.reset();
  platform::components::ResetApplication();
  dialogs_.reset();
  platform::win::reset_window_system();
  services_.reset();
  scoped_clock_.reset();
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void SpreadsheetReportTest::RunReport(int records, int limit, int last_full_row, int instrument) {
  report_->LayoutReportSheet(0, "温湿度历史记录报表");
  state_.ReportSheetIndex = 0;
  state_.SheetRowCount = 0;
  state_.RecordNumber = 0;
  state_.ReportFirstTime.clear();
  for (int n = 1; n <= records; ++n) {
    const GeneratedRecord r = Generate(n);
    ++state_.RecordNumber;
    report_->AddReportRow(state_.RecordNumber, r.temperature / 10.0, r.humidity / 10.0, r.time, limit, instrument);
  }
  dialogs_->Expect(platform::components::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2);
  report_->FinishReportWorkbook(instrument, std::to_string(instrument), last_full_row, "正在保存...", false);
}

std::filesystem::path SpreadsheetReportTest::SavedFile() {
  std::vector<std::filesystem::path> found;
  for (const auto& e : std::filesystem::directory_iterator(data_))
    if (e.path().extension() == ".xls" && e.path().filename().string()[0] != '.') found.push_back(e.path());
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? std::filesystem::path() : found.front();
}

std::vector<std::string> SpreadsheetReportTest::HiddenFiles() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(data_))
    if (e.path().filename().string()[0] == '.') out.push_back(e.path().filename().string());
  return out;
}

void SpreadsheetReportTest::ExpectEmptyWorkbook() {
  workbook::TXLSSpreadsheet5& xls = report_->Component();
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_TRUE(xls.GetItem(0)->IsEmpty());
  EXPECT_EQ(xls.GetItem(0)->GetMergedCells()->Count(), 0);
  EXPECT_EQ(xls.GetVersion(), workbook::xvExcel97);
  auto* legacy = dynamic_cast<biff::TLegacyDocument*>(xls.GetBIFF());
  ASSERT_NE(legacy, nullptr);
  ASSERT_EQ(legacy->Document().Sheets().Count(), 1);
  biff::TDrwCharts* charts = legacy->Document().GetSheet(0)->ChartsIfAny();
  EXPECT_TRUE(charts == nullptr || charts->Count() == 0);
}

}  // namespace console::test
