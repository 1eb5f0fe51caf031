// A history report of 70,000 records (three sheets) checked by outside readers: python3-xlrd for
// every record row, the merged title, the information texts and the cached statistics; olefile for
// the chart substream of each sheet; LibreOffice headless for a conversion to .xlsx that keeps every
// cell and a chart per sheet. Skipped only when a tool is absent.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "console/report_operations.h"
#include "console/reports/tests/report_checks.h"
#include "console/reports/tests/spreadsheet_fixture.h"
#include "core/strings.h"
#include "core/testing/temp_dir.h"

namespace console::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 70000;

// The report is made once for the suite and kept beside the tests' own folders.
class SpreadsheetReportInterop : public SpreadsheetReportTest {
protected:
  static void SetUpTestSuite() { suite_dir_ = std::make_unique<core::testing::TempDir>("thc_xls_interop"); }
  static void TearDownTestSuite() { suite_dir_.reset(); }
  void SetUp() override {
    SpreadsheetReportTest::SetUp();
    const fs::path kept = suite_dir_->path() / "report.xls";
    if (!fs::exists(kept)) {
      RunReport(kRecords, kHistoryRowLimit, kHistoryLastFullRow, 5);
      fs::copy_file(SavedFile(), kept);
    }
    file_ = kept;
    for (int n = 1; n <= kRecords; ++n) {
      const GeneratedRecord g = Generate(n);
      rows_.push_back({n, g.temperature / 10.0, g.humidity / 10.0, g.time});
    }
  }
  static inline std::unique_ptr<core::testing::TempDir> suite_dir_;
  fs::path file_;
  std::vector<ReportRow> rows_;
};

TEST_F(SpreadsheetReportInterop, XlrdReadsEveryRecordTheTextsStatisticsAndCharts) {
  if (!HavePythonModules("xlrd, olefile")) GTEST_SKIP() << "python3-xlrd or olefile absent";
  auto kv = ReadXlsReport(file_, rows_, kHistoryRowLimit, dir_);
  ASSERT_EQ(kv["status"], "0") << kv["error"];
  EXPECT_EQ(kv["sheets"], "Sheet1|Sheet2|Sheet3");
  EXPECT_EQ(kv["mismatches"], "0");
  const int counts[] = {32000, 32000, 6000};
  const int last_rows[] = {32028, 32028, 28 + 6000};
  const char* cells[] = {"A5", "D5", "A6", "D6", "A7", "D7"};
  for (int s = 0; s < 3; ++s) {
    const std::string p = core::format("sheet%d.", s);
    EXPECT_EQ(kv[p + "records"], std::to_string(counts[s]));
    EXPECT_EQ(kv[p + "rows"], std::to_string(last_rows[s]));
    EXPECT_EQ(kv[p + "merged"], "[(0, 1, 0, 4)]");
    EXPECT_EQ(kv[p + "A1"], core::format("温湿度历史记录报表%d", s + 1));
    EXPECT_EQ(kv[p + "A3"], "    设备ID:5");
    EXPECT_EQ(kv[p + "C3"], "总条数:70000");
    EXPECT_EQ(kv[p + "D3"], core::format("    本页条数:%d", counts[s]));
    EXPECT_EQ(kv[p + "A4"], "    开始时间:" + Generate(1).time);
    EXPECT_EQ(kv[p + "D4"], "    结束时间:" + Generate(s < 2 ? 32000 * (s + 1) : kRecords).time);
    const std::vector<std::string> want = ExpectedStatistics(32000 * s + 1, 32000 * s + counts[s]);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(kv[p + cells[k]], want[k]) << p << cells[k];
    EXPECT_EQ(kv[p + "title_font"], "宋体,18,700");
    // Thin blue lines between the columns and rows of the table, over its top edge and down its
    // right edge to the last record.
    EXPECT_EQ(kv[p + "grid"], "thin blue|thin blue|thin blue|thin blue");
    EXPECT_EQ(kv[p + "charts"], "1");
    EXPECT_EQ(kv[p + "series"], "2");
  }
}

TEST_F(SpreadsheetReportInterop, LibreOfficeConvertsToXlsxWithoutLoss) {
  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!HavePythonModules("openpyxl")) GTEST_SKIP() << "python3-openpyxl absent";
  auto kv = ConvertXlsReport(file_, dir_);
  ASSERT_EQ(kv["converted"], "yes") << kv["error"];
  const int counts[] = {32000, 32000, 6000};
  for (int s = 0; s < 3; ++s) {
    // Title, three headings, five information texts (with the total), six statistics, four table
    // headers, four cells a record.
    const int want = 4 + 5 + 6 + 4 + 4 * counts[s];
    EXPECT_EQ(kv[core::format("xsheet%d.cells", s)], std::to_string(want));
    EXPECT_EQ(kv[core::format("xsheet%d.charts", s)], "1");
  }
}

}  // namespace
}  // namespace console::test
