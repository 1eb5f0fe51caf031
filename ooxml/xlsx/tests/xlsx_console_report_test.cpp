// The console saves its history report in the legacy version only (its component is legacy for the
// whole run). The road to an .xlsx of the report is the library's: the saved .xls read and written
// as .xlsx (sheet-dump --save-as). A report the console code made (three sheets, each with its
// statistics formulas and its line chart) goes that road here and is checked: the package checker,
// zipfile, openpyxl, the library's reader, LibreOffice's CSV of every value (check_written.py), and
// what LibreOffice keeps when it opens and saves the .xlsx: the formulas, the statistics they give,
// and the charts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "console/reports/tests/report_checks.h"
#include "console/reports/tests/spreadsheet_fixture.h"
#include "core/strings.h"
#include "ooxml/opc/tests/package_testing.h"

namespace console::test {
namespace {

namespace fs = std::filesystem;

const fs::path kTests = THC_XLSX_TESTS;
const fs::path kSheetDump = THC_SHEET_DUMP;

// Seven records, three to a sheet: sheets of 3, 3 and 1 records.
constexpr int kRecords = 7, kLimit = 3, kLastFullRow = 31;
const char* const kStatisticCells[] = {"A5", "D5", "A6", "D6", "A7", "D7"};

class ConsoleReportAsXlsx : public SpreadsheetReportTest {
protected:
  void SetUp() override {
    SpreadsheetReportTest::SetUp();
    if (!HavePythonModules("openpyxl")) GTEST_SKIP() << "python3-openpyxl absent";
    if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
    RunReport(kRecords, kLimit, kLastFullRow, 5);
    xls_ = SavedFile();
    ASSERT_FALSE(xls_.empty());
    xlsx_ = dir_ / "report.xlsx";
    before_ = dir_ / "before.json";
    const ToolRun save =
        RunTool("(" + Quoted(kSheetDump) + " " + Quoted(xls_) + " --save-as " + Quoted(xlsx_) + " > " + Quoted(before_) + ")");
    ASSERT_EQ(save.status, 0) << save.output;
  }
  // The statistics texts of sheet k as the console's formulas give them.
  static std::vector<std::string> Statistics(int k) {
    return ExpectedStatistics(k * kLimit + 1, std::min(kRecords, (k + 1) * kLimit));
  }
  // What LibreOffice keeps of the .xlsx when it opens and saves it.
  std::map<std::string, std::string> Resaved() {
    std::string refs;
    for (const char* c : kStatisticCells) refs += std::string(" ") + c;
    const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(kTests / "libreoffice_resave.py") + " " + Quoted(xlsx_) +
                                " " + Quoted(dir_) + refs);
    EXPECT_EQ(run.status, 0) << run.output;
    return KeyValues(run.output);
  }
  fs::path xls_, xlsx_, before_;
};

TEST_F(ConsoleReportAsXlsx, KeepsEveryValueAndFormula) {
  EXPECT_EQ(opc_testing::CheckPackage(core::testing::ReadFile(xlsx_)), std::vector<std::string>{});
  const fs::path after = dir_ / "after.json";
  const ToolRun read = RunTool("(" + Quoted(kSheetDump) + " " + Quoted(xlsx_) + " > " + Quoted(after) + ")");
  ASSERT_EQ(read.status, 0) << read.output;
  const ToolRun check = RunTool("/usr/bin/python3 " + Quoted(kTests / "check_written.py") + " --libreoffice " +
                                Quoted(dir_) + " --computed --xls " + Quoted(xls_) + " " + Quoted(xlsx_) + " " +
                                Quoted(before_) + " " + Quoted(after));
  EXPECT_TRUE(check.status == 0 && Lines(check.output).back() == "0 differences") << check.output;
  // The statistics as the library reads them back from the .xlsx.
  const std::string json = core::testing::ReadFile(after);
  for (int k = 0; k < 3; ++k) {
    const std::size_t sheet = json.find(core::format("{\"name\": \"Sheet%d\"", k + 1));
    ASSERT_NE(sheet, std::string::npos);
    const std::vector<std::string> want = Statistics(k);
    for (int i = 0; i < 6; ++i) {
      const std::string cell = core::format("{\"ref\": \"%s\", ", kStatisticCells[i]);
      const std::size_t at = json.find(cell, sheet);
      ASSERT_NE(at, std::string::npos) << cell;
      const std::string line = json.substr(at, json.find('\n', at) - at);
      EXPECT_NE(line.find("\"type\": \"formula\""), std::string::npos) << line;
      EXPECT_NE(line.find("\"value\": \"" + want[i] + "\""), std::string::npos) << line << " wants " << want[i];
    }
  }
}

TEST_F(ConsoleReportAsXlsx, LibreOfficeKeepsTheFormulasAndStatistics) {
  auto kv = Resaved();
  ASSERT_EQ(kv["resaved"], "yes") << kv["error"];
  for (int k = 0; k < 3; ++k) {
    const std::string p = core::format("sheet%d.", k);
    EXPECT_EQ(kv[p + "name"], core::format("Sheet%d", k + 1));
    // The six statistics are the sheet's formulas.
    EXPECT_EQ(kv[p + "formulas"], "6");
    const std::vector<std::string> want = Statistics(k);
    for (int i = 0; i < 6; ++i) {
      // The office takes a formula's stored text result without its leading spaces (the file
      // holds them: the library's reading above sees them); the formula itself keeps its label.
      const std::string text = want[i].substr(want[i].find_first_not_of(' '));
      EXPECT_EQ(kv[p + kStatisticCells[i]], text) << p << kStatisticCells[i];
      const std::string label = want[i].substr(0, want[i].find(':') + 1);
      EXPECT_EQ(kv[p + kStatisticCells[i] + ".formula"].rfind("=\"" + label + "\"&", 0), 0u)
          << kv[p + kStatisticCells[i] + ".formula"];
    }
  }
}

// The console draws each sheet's line chart in the legacy document; the legacy reader brings
// pictures into the model's drawing but not charts, so the .xlsx has none. Disabled until the
// library carries legacy charts into the model; run it with --gtest_also_run_disabled_tests.
TEST_F(ConsoleReportAsXlsx, DISABLED_LibreOfficeShowsTheLineChartOfEverySheet) {
  auto kv = Resaved();
  ASSERT_EQ(kv["resaved"], "yes") << kv["error"];
  for (int k = 0; k < 3; ++k) EXPECT_EQ(kv[core::format("sheet%d.charts", k)], "1") << "sheet " << k;
}

}  // namespace
}  // namespace console::test
