// The history report workbook and the alarm sheet driven directly: the saved file read back with
// the library's own reader, the workbook left after each save, and saves that fail.
#include <gtest/gtest.h>

#include <fstream>

#include "biff/chart/chart_model.h"
#include "biff/document/sheet_data.h"
#include "biff/legacy/legacy_document.h"
#include "console/report_operations.h"
#include "console/reports/report_host.h"
#include "console/reports/tests/report_checks.h"
#include "console/reports/tests/spreadsheet_fixture.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "workbook/spreadsheet_component.h"

namespace console::test {
namespace {

namespace wb = workbook;
namespace pc = platform::components;

// A saved report opened with a component of its own.
class SavedReport {
public:
  explicit SavedReport(const std::filesystem::path& file) {
    xls_.SetFilename(core::utf8_to_utf16(file.string()));
    xls_.Read();
  }
  int Sheets() const { return xls_.GetCount(); }
  wb::TXLSWorksheet& Sheet(int i) { return *xls_.GetItem(i); }
  bool Has(int sheet, int col, int row) {
    wb::TMMUCellRef ref;
    return Sheet(sheet).GetCells()->FindCell(col, row, ref);
  }
  // The text of a string cell or the cached text of a formula cell; "#ERR" for an error result.
  std::string Text(int sheet, int col, int row) {
    wb::TMMUCellRef ref;
    if (!Sheet(sheet).GetCells()->FindCell(col, row, ref)) return "<none>";
    std::u16string text;
    switch (wb::TXLSCellMMU::CellType(ref)) {
      case wb::cvkString:
        xls_.GetManager()->SST->GetText(wb::TXLSCellMMU::GetStringIndex(ref), text);
        break;
      case wb::cvkStringFormula:
        wb::TXLSCellMMU::GetFormulaString(ref, text);
        break;
      case wb::cvkErrorFormula:
        return "#ERR";
      case wb::cvkBlank:
        return "";
      default:
        return "<not text>";
    }
    return core::utf16_to_utf8(text);
  }
  double Number(int sheet, int col, int row) {
    wb::TMMUCellRef ref;
    if (!Sheet(sheet).GetCells()->FindCell(col, row, ref)) return -99999;
    return wb::TXLSCellMMU::GetFloat(ref);
  }
  std::string Formula(int sheet, int col, int row) {
    wb::TMMUCellRef ref;
    if (!Sheet(sheet).GetCells()->FindCell(col, row, ref)) return "<none>";
    const std::uint8_t* ptgs = nullptr;
    const int len = wb::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
    auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(xls_.GetFormulaHandler());
    return core::utf16_to_utf8(handler->DecodeFormula(Sheet(sheet).GetCells(), sheet, ptgs, len, false));
  }
  biff::TDrwCharts* Charts(int sheet) {
    auto* legacy = dynamic_cast<biff::TLegacyDocument*>(xls_.GetBIFF());
    return legacy ? &legacy->Document().GetSheet(sheet)->Charts() : nullptr;
  }
  const wb::TXc12XF& Format(int sheet, int col, int row) {
    wb::TMMUCellRef ref;
    const int xf = Sheet(sheet).GetCells()->FindCell(col, row, ref) ? wb::TXLSCellMMU::GetStyle(ref) : 0;
    return *xls_.GetManager()->StyleSheet->XFs->GetItem(xf);
  }

private:
  wb::TXLSSpreadsheet5 xls_;
};

// What every report sheet shows whatever its records: the fixed texts and the layout.
void ExpectLayout(SavedReport& r, int sheet, const std::string& title) {
  EXPECT_EQ(r.Text(sheet, 0, 0), title);
  EXPECT_EQ(r.Text(sheet, 0, 1), "1.设备信息：");
  EXPECT_EQ(r.Text(sheet, 0, 8), "2.温湿度曲线：");
  EXPECT_EQ(r.Text(sheet, 0, 26), "3.详细数据：");
  const char* headers[] = {"序号", "温度", "湿度", "记录时间"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(r.Text(sheet, c, 27), headers[c]);
  wb::TXc12MergedCells& merged = *r.Sheet(sheet).GetMergedCells();
  ASSERT_EQ(merged.Count(), 1);
  const wb::TCellArea& m = *merged.GetItem(0);
  EXPECT_EQ(std::vector<int>({m.GetCol1(), m.GetRow1(), m.GetCol2(), m.GetRow2()}), std::vector<int>({0, 0, 3, 0}));
  EXPECT_EQ(r.Sheet(sheet).GetRows()->GetItem(0)->GetHeight(), 1000);
  EXPECT_EQ(r.Sheet(sheet).GetRows()->GetItem(26)->GetHeight(), 360);
  EXPECT_EQ(r.Sheet(sheet).GetColumns()->GetItem(3)->GetWidth(), 8800);
  EXPECT_EQ(r.Sheet(sheet).GetColumns()->GetItem(1)->GetWidth(), 4400);
  const wb::TXc12XF& a1 = r.Format(sheet, 0, 0);
  EXPECT_EQ(a1.GetFont()->GetSize(), 18);
  EXPECT_EQ(a1.Alignment.GetHorizAlignment(), 2);
  const wb::TXc12XF& a2 = r.Format(sheet, 1, 1);
  EXPECT_EQ(a2.GetFont()->GetSize(), 9);
  EXPECT_EQ(a2.GetFont()->GetName(), u"宋体");
}

// Statistics of sheet `sheet` holding records first..last, their formulas ending at row r.
void ExpectStatistics(SavedReport& r, int sheet, int first, int last, int row) {
  const std::vector<std::string> want = ExpectedStatistics(first, last);
  const int cells[6][2] = {{0, 4}, {3, 4}, {0, 5}, {3, 5}, {0, 6}, {3, 6}};
  for (int k = 0; k < 6; ++k) {
    const std::string got = r.Text(sheet, cells[k][0], cells[k][1]);
    EXPECT_EQ(got, want[k] == "#DIV/0!" ? "#ERR" : want[k]) << "sheet " << sheet << " statistic " << k;
  }
  EXPECT_EQ(r.Formula(sheet, 0, 4), core::format("\"    温度平均值:\"&ROUND(AVERAGE(B28:B%d),2)", row));
  EXPECT_EQ(r.Formula(sheet, 3, 6), core::format("\"    湿度最大值:\"&MAX(C28:C%d)", row));
}

void ExpectChart(SavedReport& r, int sheet, int row) {
  biff::TDrwCharts* charts = r.Charts(sheet);
  ASSERT_NE(charts, nullptr);
  ASSERT_EQ(charts->Count(), 1) << "sheet " << sheet;
  biff::TDrwChart& c = charts->GetItem(0);
  EXPECT_EQ(std::vector<int>({c.Col1(), c.Row1(), c.Col2(), c.Row2()}), std::vector<int>({0, 9, 4, 26}));
  ASSERT_EQ(c.Series.Count(), 2);
  const std::string s = core::format("Sheet%d", sheet + 1);
  EXPECT_EQ(core::utf16_to_utf8(c.Series.GetItem(0).Values()), core::format("%s!$B$29:$B$%d", s.c_str(), row));
  EXPECT_EQ(core::utf16_to_utf8(c.Series.GetItem(0).Category()), core::format("%s!$D$29:$D$%d", s.c_str(), row));
  EXPECT_EQ(c.Series.GetItem(0).SerieName(), u"Sheet1!$B$28");
  EXPECT_EQ(core::utf16_to_utf8(c.Series.GetItem(1).Values()), core::format("%s!$C$29:$C$%d", s.c_str(), row));
  EXPECT_EQ(c.Series.GetItem(1).SerieName(), u"Sheet1!$C$28");
}

TEST_F(SpreadsheetReportTest, TenRecordsMakeOneSheetWithCountsStatisticsAndChart) {
  RunReport(10, kHistoryRowLimit, kHistoryLastFullRow, 1);
  // Made at 9:05:03 on 8 April 2014: no leading zeros anywhere.
  EXPECT_EQ(state_.ReportFileName, "温湿度1历史记录2014年4月8日9时5分3秒.xls");
  const std::filesystem::path file = SavedFile();
  EXPECT_EQ(file.filename().string(), state_.ReportFileName);
  EXPECT_TRUE(HiddenFiles().empty());
  EXPECT_EQ(status_, (std::vector<std::pair<int, std::string>>{{5, "正在保存..."}}));
  EXPECT_EQ(shell_.calls().size(), 0u) << "Cancel opens nothing";
  EXPECT_GE(clock_.slept().count(), 1000) << "the question follows a one-second wait";
  ExpectEmptyWorkbook();

  SavedReport r(file);
  ASSERT_EQ(r.Sheets(), 1);
  ExpectLayout(r, 0, "温湿度历史记录报表");
  EXPECT_EQ(r.Text(0, 0, 2), "    设备ID:1");
  EXPECT_EQ(r.Text(0, 3, 2), "    记录条数:10");
  EXPECT_EQ(r.Text(0, 2, 2), "") << "no total on a report of one sheet";
  EXPECT_EQ(r.Text(0, 0, 3), "    开始时间:" + Generate(1).time);
  EXPECT_EQ(r.Text(0, 3, 3), "    结束时间:" + Generate(10).time);
  for (int n = 1; n <= 10; ++n) {
    const GeneratedRecord g = Generate(n);
    EXPECT_EQ(r.Number(0, 0, 27 + n), n);
    EXPECT_DOUBLE_EQ(r.Number(0, 1, 27 + n), g.temperature / 10.0);
    EXPECT_DOUBLE_EQ(r.Number(0, 2, 27 + n), g.humidity / 10.0);
    EXPECT_EQ(r.Text(0, 3, 27 + n), g.time);
  }
  ExpectStatistics(r, 0, 1, 10, 38);
  ExpectChart(r, 0, 38);
  // The blue grid covers the headers and the last record, and stops there.
  const wb::TXc12XF& last = r.Format(0, 3, 37);
  ASSERT_NE(last.GetBorder(), nullptr);
  EXPECT_FALSE(r.Has(0, 0, 38));
}

// Records missing from a reading take a row of their own: their numbers and count, no values, so
// that the statistics pass over it, the chart's lines break there and the numbers stay true. A gap
// at the very start leaves the start time to the first record that did arrive.
TEST_F(SpreadsheetReportTest, MissingRecordsTakeARowWithoutValues) {
  report_->LayoutReportSheet(0, kReportTitle);
  report_->AddReportGap(1, 2, kHistoryRowLimit, 1);
  for (int n = 3; n <= 5; ++n) {
    state_.RecordNumber = n;
    const GeneratedRecord g = Generate(n);
    report_->AddReportRow(n, g.temperature / 10.0, g.humidity / 10.0, g.time, kHistoryRowLimit, 1);
  }
  report_->AddReportGap(6, 1, kHistoryRowLimit, 1);
  state_.RecordNumber = 7;
  const GeneratedRecord g7 = Generate(7);
  report_->AddReportRow(7, g7.temperature / 10.0, g7.humidity / 10.0, g7.time, kHistoryRowLimit, 1);
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2);
  report_->FinishReportWorkbook(1, "1", kHistoryLastFullRow, "", false);
  SavedReport r(SavedFile());
  EXPECT_EQ(r.Text(0, 0, 28), "1-2");
  EXPECT_EQ(r.Text(0, 3, 28), "缺失2条记录");
  EXPECT_EQ(r.Text(0, 1, 28), "") << "no temperature";
  EXPECT_EQ(r.Text(0, 2, 28), "") << "no humidity";
  EXPECT_EQ(r.Number(0, 0, 29), 3);
  EXPECT_EQ(r.Text(0, 0, 32), "6");
  EXPECT_EQ(r.Text(0, 3, 32), "缺失1条记录");
  EXPECT_EQ(r.Number(0, 0, 33), 7);
  EXPECT_EQ(r.Text(0, 3, 2), "    记录条数:4") << "the records the report holds, not the numbers";
  EXPECT_EQ(r.Text(0, 0, 3), "    开始时间:" + Generate(3).time);
  EXPECT_EQ(r.Text(0, 3, 3), "    结束时间:" + g7.time);
  // The statistics of the records 3, 4, 5 and 7, whatever the gap rows.
  std::vector<ReportRow> rows;
  for (int n : {3, 4, 5, 7}) {
    const GeneratedRecord g = Generate(n);
    rows.push_back({n, g.temperature / 10.0, g.humidity / 10.0, g.time});
  }
  const std::vector<std::string> want = StatisticsTexts(rows);
  const int cells[6][2] = {{0, 4}, {3, 4}, {0, 5}, {3, 5}, {0, 6}, {3, 6}};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.Text(0, cells[k][0], cells[k][1]), want[k]) << "statistic " << k;
  ExpectChart(r, 0, 34);
}

TEST_F(SpreadsheetReportTest, OpenQuestionAnsweredOkOpensTheSavedFile) {
  report_->LayoutReportSheet(0, kReportTitle);
  state_.RecordNumber = 1;
  report_->AddReportRow(1, 20.5, 40, "2014-04-08 09:00:00", kHistoryRowLimit, 3);
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 1);
  report_->FinishReportWorkbook(3, "3", kHistoryLastFullRow, "", false);
  ASSERT_EQ(shell_.calls().size(), 1u);
  EXPECT_EQ(std::filesystem::path(shell_.calls()[0].target), SavedFile());
  EXPECT_EQ(std::filesystem::path(shell_.calls()[0].working_dir), data_);
  EXPECT_TRUE(status_.empty()) << "no status text asked for";
}

TEST_F(SpreadsheetReportTest, RegisterExtremesAreStoredAsNumbers) {
  report_->LayoutReportSheet(0, kReportTitle);
  state_.RecordNumber = 1;
  // Temperature register 0xFF83 and humidity register 0x03E8.
  report_->AddReportRow(1, static_cast<std::int16_t>(0xFF83) / 10.0, 0x03E8 / 10.0, "2014-04-08 09:00:00",
                        kHistoryRowLimit, 1);
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "", 2);
  report_->FinishReportWorkbook(1, "1", kHistoryLastFullRow, "", false);
  SavedReport r(SavedFile());
  EXPECT_EQ(r.Number(0, 1, 28), -12.5);
  EXPECT_EQ(r.Number(0, 2, 28), 100);
  EXPECT_EQ(r.Text(0, 0, 4), "    温度平均值:-12.5");
  EXPECT_EQ(r.Text(0, 3, 6), "    湿度最大值:100");
}

TEST_F(SpreadsheetReportTest, ExactlyOneFullSheetLeavesAnEmptySecondSheet) {
  RunReport(kHistoryRowLimit, kHistoryRowLimit, kHistoryLastFullRow, 7);
  EXPECT_EQ(scrolled_, 1) << "closing the full sheet scrolls the record list";
  SavedReport r(SavedFile());
  ASSERT_EQ(r.Sheets(), 2);
  EXPECT_EQ(r.Sheet(1).GetName(), u"Sheet2");
  ExpectLayout(r, 0, "温湿度历史记录报表1");
  ExpectLayout(r, 1, "温湿度历史记录报表2");
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(r.Text(s, 2, 2), "总条数:32000");
    EXPECT_EQ(r.Text(s, 0, 2), "    设备ID:7");
    EXPECT_EQ(r.Text(s, 0, 3), "    开始时间:" + Generate(1).time);
    EXPECT_EQ(r.Text(s, 3, 3), "    结束时间:" + Generate(32000).time);
  }
  EXPECT_EQ(r.Text(0, 3, 2), "    本页条数:32000");
  EXPECT_EQ(r.Text(1, 3, 2), "    本页条数:0");
  EXPECT_EQ(r.Number(0, 0, 28 + 31999), 32000);
  EXPECT_FALSE(r.Has(1, 0, 28));
  ExpectStatistics(r, 0, 1, 32000, kHistoryLastFullRow);
  ExpectStatistics(r, 1, 1, 0, 28);
  ExpectChart(r, 0, kHistoryLastFullRow);
  ExpectChart(r, 1, 28);
  ExpectEmptyWorkbook();
}

// Sheets of three records (the limits are the caller's): the sheet logic of a long report in small.
TEST_F(SpreadsheetReportTest, ThreeSheetsCarryTheTotalTheirOwnCountsAndTheExportProgress) {
  report_->LayoutReportSheet(0, kReportTitle);
  state_.ReportSheetIndex = 0;
  state_.SheetRowCount = 0;
  for (int n = 1; n <= 8; ++n) {
    const GeneratedRecord g = Generate(n);
    state_.RecordNumber = n;
    report_->AddReportRow(n, g.temperature / 10.0, g.humidity / 10.0, g.time, 3, 2);
  }
  EXPECT_EQ(state_.ReportSheetIndex, 2);
  EXPECT_EQ(state_.ReportRow, 30);
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "", 2);
  report_->FinishReportWorkbook(2, "2", 31, "", true);
  EXPECT_EQ(progress_, (std::vector<std::string>{"正在处理文件...已完成0/2", "正在处理文件...已完成1/2",
                                                 "正在处理文件...已完成2/2", "正在保存文件..."}));
  SavedReport r(SavedFile());
  ASSERT_EQ(r.Sheets(), 3);
  const int counts[] = {3, 3, 2};
  const int last_rows[] = {31, 31, 30};
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(r.Sheet(s).GetName(), core::utf8_to_utf16(core::format("Sheet%d", s + 1)));
    ExpectLayout(r, s, core::format("温湿度历史记录报表%d", s + 1));
    EXPECT_EQ(r.Text(s, 2, 2), "总条数:8");
    EXPECT_EQ(r.Text(s, 3, 2), core::format("    本页条数:%d", counts[s]));
    EXPECT_EQ(r.Number(s, 0, 28), 3 * s + 1);
    ExpectStatistics(r, s, 3 * s + 1, 3 * s + counts[s], last_rows[s]);
    ExpectChart(r, s, last_rows[s]);
  }
  EXPECT_EQ(r.Text(2, 3, 3), "    结束时间:" + Generate(8).time);
  ExpectEmptyWorkbook();
}

TEST_F(SpreadsheetReportTest, NextReportStartsFromTheEmptiedWorkbook) {
  RunReport(7, 3, 31, 1);
  ExpectEmptyWorkbook();
  clock_.advance(std::chrono::seconds(5));
  RunReport(2, 3, 31, 1);
  const std::filesystem::path second = data_ / state_.ReportFileName;
  SavedReport r(second);
  ASSERT_EQ(r.Sheets(), 1);
  EXPECT_EQ(r.Text(0, 3, 2), "    记录条数:2");
  EXPECT_FALSE(r.Has(0, 0, 30)) << "no row of the earlier report";
  ExpectStatistics(r, 0, 1, 2, 30);
  ExpectChart(r, 0, 30);
}

TEST_F(SpreadsheetReportTest, AlarmSheetAfterAReportOfSeveralSheets) {
  RunReport(7, 3, 31, 1);
  clock_.advance(std::chrono::seconds(1));
  report_->LayoutAlarmSheet();
  EXPECT_EQ(state_.ReportRow, 2);
  report_->AddAlarmRow("温度上限", "35.5", "2014-04-08 09:00:01");
  report_->AddAlarmRow("湿度下限", "10.0", "2014-04-08 09:00:02");
  report_->SaveAlarmSheet("12", false);
  EXPECT_EQ(state_.ReportFileName, "温湿度12告警记录2014年4月8日9时5分5秒.xls");
  ExpectEmptyWorkbook();

  SavedReport r(data_ / state_.ReportFileName);
  ASSERT_EQ(r.Sheets(), 1);
  EXPECT_EQ(r.Text(0, 0, 0), "告警记录");
  EXPECT_EQ(r.Text(0, 2, 1), "记录时间");
  EXPECT_EQ(r.Text(0, 0, 2), "温度上限");
  EXPECT_EQ(r.Text(0, 1, 3), "10.0");
  EXPECT_EQ(r.Text(0, 2, 3), "2014-04-08 09:00:02");
  EXPECT_FALSE(r.Has(0, 0, 4));
  EXPECT_EQ(r.Sheet(0).GetColumns()->GetItem(0)->GetWidth(), 4400);
  EXPECT_EQ(r.Sheet(0).GetColumns()->GetItem(2)->GetWidth(), 7000);
  EXPECT_EQ(r.Sheet(0).GetRows()->GetItem(0)->GetHeight(), 540);
  EXPECT_EQ(r.Sheet(0).GetMergedCells()->Count(), 1);
  EXPECT_EQ(r.Format(0, 1, 3).Alignment.GetHorizAlignment(), 2);
  const wb::TXc12XF& head = r.Format(0, 1, 1);
  EXPECT_EQ(head.GetFont()->GetName(), u"宋体");
  EXPECT_EQ(head.GetFont()->GetSize(), 9);
  biff::TDrwCharts* charts = r.Charts(0);
  EXPECT_TRUE(charts == nullptr || charts->Count() == 0);

  // Asked: the question follows the save.
  report_->LayoutAlarmSheet();
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 1);
  report_->SaveAlarmSheet("12", true);
  EXPECT_EQ(shell_.calls().size(), 1u);
}

// A failed save leaves nothing under the final name, no partial file, and an empty workbook; the
// error reaches the caller for the window's exception box.
TEST_F(SpreadsheetReportTest, FailedSavesLeaveNoFileAndAnEmptyWorkbook) {
  struct Case {
    const char* what;
    int records;
    // Makes the save fail; returns the folder the report is saved in.
    std::function<std::filesystem::path()> breaker;
  };
  const std::string name = "温湿度1历史记录2014年4月8日9时5分3秒.xls";
  const Case cases[] = {
      {"data folder missing, one sheet", 4,
       [this] { return dir_ / "gone" / "data"; }},
      {"data folder missing, read-back road", 7,
       [this] { return dir_ / "gone" / "data"; }},
      {"final name taken by a folder", 7,
       [this, &name] {
         std::filesystem::create_directories(data_ / name);
         return data_;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path folder = c.breaker();
    ReportHost host;
    host.state = &state_;
    host.data_folder = folder;
    report_ = std::make_unique<SpreadsheetReport>(host);
    report_->LayoutReportSheet(0, kReportTitle);
    state_.ReportSheetIndex = 0;
    state_.SheetRowCount = 0;
    for (int n = 1; n <= c.records; ++n) {
      state_.RecordNumber = n;
      report_->AddReportRow(n, 1, 2, Generate(n).time, 3, 1);
    }
    EXPECT_THROW(report_->FinishReportWorkbook(1, "1", 31, "", false), std::exception);
    ExpectEmptyWorkbook();
    if (std::filesystem::exists(folder)) {
      EXPECT_TRUE(HiddenFiles().empty());
      EXPECT_TRUE(std::filesystem::is_directory(folder / name)) << "the folder in the way is left alone";
    }
    // The emptied workbook takes the next report.
    report_->LayoutReportSheet(0, kReportTitle);
    report_->EmptyReportWorkbook();
    ExpectEmptyWorkbook();
  }
  EXPECT_TRUE(dialogs_->seen().empty()) << "no question after a failed save";
}

}  // namespace
}  // namespace console::test
