// The reports end to end: the console reads history records from the instrument simulator on a
// pseudo-terminal and day files from a card, saves them as .xls and PDF files in its data folder, and
// outside readers (python3-xlrd, LibreOffice, qpdf, poppler) check what was written.
#include <algorithm>
#include <filesystem>

#include "console/reports/console_reports.h"
#include "console/reports/pdf_report.h"
#include "console/reports/tests/report_checks.h"
#include "console/tests/simulator_fixture.h"
#include "core/strings.h"
#include "platform/os/drives.h"
#include "tools/instrument-sim/tf_card.h"

namespace console::test {
namespace {

namespace fs = std::filesystem;

constexpr int kReadingRecords = 70000;

std::vector<ReportRow> Rows(const std::vector<sim::HistoryRecord>& history) {
  std::vector<ReportRow> rows;
  rows.reserve(history.size());
  for (const sim::HistoryRecord& r : history) {
    rows.push_back({static_cast<int>(rows.size()) + 1, r.temperature / 10.0, r.humidity / 10.0,
                    core::format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", r.time.year, r.time.month, r.time.day, r.time.hour,
                                 r.time.minute, r.time.second)});
  }
  return rows;
}

class ReportsEndToEnd : public SimulatorWindowTest {
protected:
  void SetUp() override {
    SimulatorWindowTest::SetUp();
    platform::os::Services doubles;
    doubles.drives = &drives_;
    drive_services_ = std::make_unique<platform::os::ScopedServices>(doubles);
  }
  void TearDown() override {
    SimulatorWindowTest::TearDown();
    drive_services_.reset();
  }
  std::unique_ptr<ReportOperations> RealReports() { return std::make_unique<ConsoleReports>(form_->MakeReportHost()); }
  // The files the reports left in the data folder with `extension`; a hidden partial file fails the test.
  std::vector<fs::path> Saved(const std::string& extension) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(fs::path(work_dir_) / kDataFolder)) {
      EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
      if (e.path().extension() == extension) out.push_back(e.path());
    }
    return out;
  }
  // The open question that follows every saved report, answered Cancel.
  void ExpectOpenQuestion() { dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2); }
  // Reads every unread history record, continuously and fast, with `report_box` ticked.
  void ReadUnread(pc::TCheckBox* report_box, std::size_t unread) {
    form_->BitBtn11->Click();
    form_->PageControl1->SetActivePageIndex(0);
    form_->PageControl1Change(form_->PageControl1);
    Click(*form_->BitBtn17);
    ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == std::to_string(unread); }));
    // Ticking the continuous reading enables the report boxes (a finished report disabled its box).
    if (form_->CheckBox3->Checked() && !report_box->Enabled()) Click(*form_->CheckBox3);
    if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
    ASSERT_TRUE(form_->CheckBox10->Checked());
    if (!report_box->Checked()) Click(*report_box);
    ASSERT_TRUE(report_box->Checked());
    ExpectOpenQuestion();
    Click(*form_->BitBtn19);
    ASSERT_TRUE(Await([&] { return !Reading() && dialogs_->pending() == 0; }));
    EXPECT_EQ(form_->Status(7), core::format("成功:%d,失败:0", static_cast<int>(unread)));
  }
  void CheckXls(const fs::path& file, const std::vector<ReportRow>& rows, int sheet_limit, const std::string& device) {
    const fs::path work = fs::path(work_dir_) / "xls_check";
    fs::create_directories(work);
    const auto kv = ReadXlsReport(file, rows, sheet_limit, work);
    ASSERT_EQ(kv.at("status"), "0") << kv.at("error");
    EXPECT_EQ(kv.at("mismatches"), "0");
    const int n = static_cast<int>(rows.size());
    const int sheets = (n + sheet_limit - 1) / sheet_limit;
    std::string names;
    for (int k = 0; k < sheets; ++k) names += (k ? "|Sheet" : "Sheet") + std::to_string(k + 1);
    EXPECT_EQ(kv.at("sheets"), names);
    for (int k = 0; k < sheets; ++k) {
      const std::string p = core::format("sheet%d.", k);
      const int on_sheet = std::min(sheet_limit, n - k * sheet_limit);
      EXPECT_EQ(kv.at(p + "records"), std::to_string(on_sheet));
      EXPECT_EQ(kv.at(p + "A3"), "    设备ID:" + device);
      EXPECT_EQ(kv.at(p + "C3"), core::format("总条数:%d", n));
      EXPECT_EQ(kv.at(p + "A4"), "    开始时间:" + rows.front().time);
      // The statistics, cached in the file, over the sheet's own records.
      const auto first = static_cast<std::size_t>(k * sheet_limit);
      const std::vector<std::string> stats =
          StatisticsTexts(std::span(rows).subspan(first, static_cast<std::size_t>(on_sheet)));
      const char* cells[] = {"A5", "D5", "A6", "D6", "A7", "D7"};
      for (int c = 0; c < 6; ++c) EXPECT_EQ(kv.at(p + cells[c]), stats[c]) << p << cells[c];
      EXPECT_EQ(kv.at(p + "charts"), "1");
      EXPECT_EQ(kv.at(p + "series"), "2");
    }
  }
  void CheckConversion(const fs::path& file, int records, int sheet_limit) {
    const auto kv = ConvertXlsReport(file, fs::path(work_dir_) / "lo_check");
    ASSERT_EQ(kv.at("converted"), "yes") << (kv.count("error") ? kv.at("error") : "");
    for (int k = 0; k * sheet_limit < records; ++k) {
      const int on_sheet = std::min(sheet_limit, records - k * sheet_limit);
      const int multi = records > sheet_limit ? 1 : 0;
      // Title, three headings, the information texts, six statistics, four table headers, four cells
      // a record.
      EXPECT_EQ(kv.at(core::format("xsheet%d.cells", k)), std::to_string(4 + 4 + multi + 6 + 4 + 4 * on_sheet));
      EXPECT_EQ(kv.at(core::format("xsheet%d.charts", k)), "1");
    }
  }
  void CheckPdf(const fs::path& file, const std::vector<ReportRow>& rows) {
    const PdfFacts f = ReadPdfReport(file, "温湿度历史记录", rows, PdfValueText);
    EXPECT_EQ(f.qpdf_status, 0);
    EXPECT_EQ(f.pages, LayoutPages(static_cast<int>(rows.size())));
    EXPECT_TRUE(f.cid_font_embedded_with_unicode);
    EXPECT_TRUE(f.title_found);
    EXPECT_EQ(f.headers, (std::vector<std::string>{"序号", "温度", "湿度", "日期"}));
    EXPECT_EQ(f.rows_read, static_cast<int>(rows.size()));
    EXPECT_EQ(f.wrong, 0) << (f.wrong_rows.empty() ? "" : f.wrong_rows.front());
  }
  bool HaveReaders() {
    return HavePythonModules("xlrd, olefile, openpyxl") && HaveTool("soffice") && HaveTool("qpdf") &&
           HaveTool("pdftotext") && HaveTool("pdffonts") && HaveTool("pdfinfo");
  }

  platform::os::FolderDriveLister drives_;
  std::unique_ptr<platform::os::ScopedServices> drive_services_;
};

TEST_F(ReportsEndToEnd, HistoryReadingSavedAsWorkbookAndAsPdf) {
  if (!HaveReaders()) GTEST_SKIP() << "python3-xlrd/olefile/openpyxl, LibreOffice, qpdf or poppler-utils absent";
  // One measurement a minute from 1 January 2024: 70,000 records over three sheets.
  Connect(sim::generate_history({2024, 1, 1, 0, 0, 0}, 60, kReadingRecords), nullptr);
  form_->SetReports(RealReports());
  const std::vector<ReportRow> rows = Rows(SimHistory());

  ReadUnread(form_->CheckBox6, kReadingRecords);
  ASSERT_EQ(form_->ListBox2->Count(), kReadingRecords);
  const auto workbooks = Saved(".xls");
  ASSERT_EQ(workbooks.size(), 1u);
  // Named when the reading ended, some virtual seconds after the start.
  EXPECT_EQ(workbooks[0].filename().string().rfind("温湿度1历史记录2024年5月6日7时", 0), 0u) << workbooks[0];
  CheckXls(workbooks[0], rows, kHistoryRowLimit, "1");
  CheckConversion(workbooks[0], kReadingRecords, kHistoryRowLimit);

  // The same records once more, into a PDF report.
  Sim([](sim::Instrument& i) { i.set_history_unread(kReadingRecords); return 0; });
  form_->BitBtn20->Click();
  ReadUnread(form_->CheckBox2, kReadingRecords);
  const auto pdfs = Saved(".pdf");
  ASSERT_EQ(pdfs.size(), 1u);
  CheckPdf(pdfs[0], rows);
}

// An instrument that drops every third reply during a fast reading of 250 records: the records of a
// lost reply were taken off the instrument, and the counts of the next reply (or its "no data") say
// so. The statistics, the status bar, the list and the saved workbook account for all 250.
TEST_F(ReportsEndToEnd, RecordsLostWithDroppedRepliesAreAccountedForInTheWorkbook) {
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd absent";
  Connect(sim::generate_history({2024, 1, 1, 0, 0, 0}, 60, 250), nullptr);
  form_->SetReports(RealReports());
  form_->BitBtn11->Click();
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "250"; }));
  if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
  ASSERT_TRUE(form_->CheckBox10->Checked());
  if (!form_->CheckBox6->Checked()) Click(*form_->CheckBox6);
  sim_->faults().every(sim::Fault::no_answer(), 3);
  ExpectOpenQuestion();
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading() && dialogs_->pending() == 0; }));

  const int success = form_->State().SuccessCount;
  const auto missing = static_cast<int>(form_->State().MissingRecordCount);
  EXPECT_GT(missing, 0);
  EXPECT_EQ(success + missing, 250);
  EXPECT_EQ(form_->Status(7), core::format("成功:%d,失败:0,缺失:%d", success, missing));
  EXPECT_EQ(form_->Status(5), core::format("缺失%d条记录", missing));
  const std::vector<std::string> lines = Lines(form_->ListBox2);
  int gap_lines = 0;
  for (const std::string& l : lines) gap_lines += l.find("缺失") != std::string::npos;
  EXPECT_GT(gap_lines, 0);
  EXPECT_EQ(static_cast<int>(lines.size()), success + gap_lines);
  EXPECT_EQ(lines.back().rfind("(250)", 0) == 0 || lines.back().find("-250)") != std::string::npos, true) << lines.back();

  // The workbook: one row per record and per gap, numbered as the instrument numbers them.
  const auto workbooks = Saved(".xls");
  ASSERT_EQ(workbooks.size(), 1u);
  const std::string script =
      "import sys, xlrd\n"
      "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
      "print(s.cell_value(2, 3))\n"
      "for r in range(28, s.nrows):\n"
      "    a = s.cell_value(r, 0)\n"
      "    print((str(int(a)) if isinstance(a, float) else a) + '|' + str(s.cell_value(r, 1)) + '|' + s.cell_value(r, 3))\n";
  const ToolRun run = RunTool("/usr/bin/python3 -c " + core::testing::Quoted(script) + " " + core::testing::Quoted(workbooks[0]),
                              core::testing::Stderr::kShown);
  ASSERT_EQ(run.status, 0);
  const std::vector<std::string> out = core::testing::Lines(run.output);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], core::format("    记录条数:%d", success));
  int record_rows = 0, gap_rows = 0, missing_in_rows = 0, next = 1;
  for (std::size_t i = 1; i < out.size(); ++i) {
    const std::string& row = out[i];
    const std::size_t bar = row.find('|');
    const std::string number = row.substr(0, bar);
    if (row.find("缺失") != std::string::npos) {
      ++gap_rows;
      const std::size_t dash = number.find('-');
      const int first = std::stoi(number), last = dash == std::string::npos ? first : std::stoi(number.substr(dash + 1));
      EXPECT_EQ(first, next) << row;
      EXPECT_NE(row.find(core::format("缺失%d条记录", last - first + 1)), std::string::npos) << row;
      EXPECT_NE(row.find("||"), std::string::npos) << "no temperature in " << row;
      missing_in_rows += last - first + 1;
      next = last + 1;
    } else {
      ++record_rows;
      EXPECT_EQ(std::stoi(number), next) << row;
      ++next;
    }
  }
  EXPECT_EQ(record_rows, success);
  EXPECT_EQ(gap_rows, gap_lines);
  EXPECT_EQ(missing_in_rows, missing);
  EXPECT_EQ(next, 251);
}

TEST_F(ReportsEndToEnd, DayFilesExportedToBothReportsAndDeletedByRange) {
  if (!HaveReaders()) GTEST_SKIP() << "python3-xlrd/olefile/openpyxl, LibreOffice, qpdf or poppler-utils absent";
  // The simulator's card: device 17 with five days of 12,000 records (one every 7 s from midnight), on
  // the second of two removable drives.
  const fs::path empty_drive = fs::path(work_dir_) / "usb", card = fs::path(work_dir_) / "card";
  fs::create_directories(empty_drive);
  fs::create_directories(card);
  std::vector<sim::HistoryRecord> history;
  for (int day = 1; day <= 5; ++day) {
    for (const sim::HistoryRecord& r : sim::generate_history({2018, 4, day, 0, 0, 0}, 7, 12000)) history.push_back(r);
  }
  ASSERT_EQ(sim::write_tf_card(card, 17, history).size(), 5u);
  drives_.set_roots({empty_drive.string(), card.string()});
  Start();
  form_->SetReports(RealReports());
  Click(*form_->BitBtn22);
  Click(*form_->BitBtn28);
  ASSERT_EQ(form_->ComboBox19->Text(), "17");
  EXPECT_EQ(form_->Edit7->Text(), "搜索完成,共1设备5天的记录文件!");

  // Days 1 to 3 (36,000 records, two sheets of the export's size) into the workbook.
  form_->DateTimePicker4->SetDate(2018, 4, 1);
  form_->DateTimePicker5->SetDate(2018, 4, 3);
  if (!form_->CheckBox4->Checked()) Click(*form_->CheckBox4);
  ExpectOpenQuestion();
  Click(*form_->BitBtn30);
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出3天36000条记录!");
  std::vector<ReportRow> rows = Rows({history.begin(), history.begin() + 36000});
  const auto workbooks = Saved(".xls");
  ASSERT_EQ(workbooks.size(), 1u);
  CheckXls(workbooks[0], rows, kTfRowLimit, "17");
  CheckConversion(workbooks[0], 36000, kTfRowLimit);

  // The pickers moved on to the days left: 4 and 5 April into the PDF report.
  EXPECT_EQ(form_->DateTimePicker4->DateTime().day, 4);
  EXPECT_EQ(form_->DateTimePicker5->DateTime().day, 5);
  Click(*form_->CheckBox7);
  ASSERT_FALSE(form_->CheckBox4->Checked());
  ExpectOpenQuestion();
  Click(*form_->BitBtn30);
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出2天24000条记录!");
  const auto pdfs = Saved(".pdf");
  ASSERT_EQ(pdfs.size(), 1u);
  CheckPdf(pdfs[0], Rows({history.begin() + 36000, history.end()}));

  // Delete 2 to 4 April: only those days go.
  form_->DateTimePicker4->SetDate(2018, 4, 2);
  form_->DateTimePicker5->SetDate(2018, 4, 4);
  Click(*form_->BitBtn31);
  EXPECT_EQ(form_->Edit7->Text(), "删除完成,共删除3个文件！");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(card / "THdb17")) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"20180401.hhw", "20180405.hhw"}));
}

}  // namespace
}  // namespace console::test
