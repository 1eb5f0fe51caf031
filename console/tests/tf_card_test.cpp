// The TF-card panel over folders that stand in for removable drives: which day files count, the
// search, the day ranges of an export and of a delete, what reaches the reports, and the panel's
// controls after each step.
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "console/tests/recording_reports.h"
#include "console/tests/window_fixture.h"
#include "console/tf_card.h"
#include "core/testing/temp_dir.h"
#include "platform/os/drives.h"
#include "tools/instrument-sim/tf_card.h"

namespace console::test {
namespace {

namespace fs = std::filesystem;
using pc::DialogKind;

// `count` records of one day, a minute apart from 08:00, temperatures and humidities counting up
// from `base` tenths.
std::vector<instrument_sim::HistoryRecord> Day(int year, int month, int day, int count, int base = 200) {
  std::vector<instrument_sim::HistoryRecord> out;
  for (int i = 0; i < count; ++i) {
    instrument_sim::HistoryRecord r;
    r.temperature = static_cast<std::int16_t>(base + i);
    r.humidity = static_cast<std::uint16_t>(500 + i);
    r.time = instrument_sim::CivilTime{year, month, day, 8 + i / 60, i % 60, 0};
    out.push_back(r);
  }
  return out;
}

// A report stand-in that writes every call down and lets a test look at the window on each row.
class SpyReports final : public ReportOperations {
public:
  SpyReports(std::vector<std::string>* log, std::function<void()> on_row) : inner_(log), on_row_(std::move(on_row)) {}
  void LayoutReportSheet(std::int32_t i, std::string_view t) override { inner_.LayoutReportSheet(i, t); }
  void AddReportRow(std::int32_t n, double t, double h, std::string_view time, std::int32_t limit,
                    std::int32_t instrument) override {
    inner_.AddReportRow(n, t, h, time, limit, instrument);
    if (on_row_) on_row_();
  }
  void AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit, std::int32_t instrument) override {
    inner_.AddReportGap(first, count, limit, instrument);
  }
  void FinishReportWorkbook(std::int32_t n, std::string_view text, std::int32_t row, std::string_view status,
                            bool progress) override {
    inner_.FinishReportWorkbook(n, text, row, status, progress);
  }
  void EmptyReportWorkbook() override { inner_.EmptyReportWorkbook(); }
  void LayoutAlarmSheet() override { inner_.LayoutAlarmSheet(); }
  void AddAlarmRow(std::string_view e, std::string_view v, std::string_view t) override { inner_.AddAlarmRow(e, v, t); }
  void SaveAlarmSheet(std::string_view t, bool ask) override { inner_.SaveAlarmSheet(t, ask); }
  void BeginPdfReport(std::string_view t, std::string_view title, std::int32_t x) override {
    inner_.BeginPdfReport(t, title, x);
  }
  void AddPdfRow(std::int32_t n, double t, double h, std::string_view time) override {
    inner_.AddPdfRow(n, t, h, time);
    if (on_row_) on_row_();
  }
  void AddPdfGap(std::int32_t first, std::int32_t count) override { inner_.AddPdfGap(first, count); }
  void EndPdfReport() override { inner_.EndPdfReport(); }
  void AbortPdfReport() override { inner_.AbortPdfReport(); }

private:
  RecordingReports inner_;
  std::function<void()> on_row_;
};

class TfCardPanel : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    platform::os::Services doubles;
    doubles.drives = &drives_;
    drive_scope_ = std::make_unique<platform::os::ScopedServices>(doubles);
    Start();
    form_->SetReports(std::make_unique<SpyReports>(&log_, [this] {
      if (on_row_) on_row_();
    }));
    Click(*form_->BitBtn22);
  }
  void TearDown() override {
    drive_scope_.reset();
    WindowTest::TearDown();
  }

  // A folder acting as a removable drive, listed after those made before.
  std::string Drive(const std::string& name) {
    const fs::path root = fs::path(work_dir_) / "drives" / name;
    fs::create_directories(root);
    roots_.push_back(root.string());
    drives_.set_roots(roots_);
    return root.string();
  }
  void Search() { Click(*form_->BitBtn28); }
  void SetRange(int y1, int m1, int d1, int y2, int m2, int d2) {
    form_->DateTimePicker4->SetDate(y1, m1, d1);
    form_->DateTimePicker5->SetDate(y2, m2, d2);
  }
  void Export(bool excel, bool pdf) {
    form_->CheckBox4->SetChecked(excel);
    form_->CheckBox7->SetChecked(pdf);
    log_.clear();
    Click(*form_->BitBtn30);
  }
  // The dates of the AddReportRow calls' times, one per day in call order.
  std::vector<std::string> ExportedDays() const {
    std::vector<std::string> days;
    for (const std::string& l : log_) {
      if (l.rfind("AddReportRow", 0) != 0 && l.rfind("AddPdfRow", 0) != 0) continue;
      // "... yyyy-mm-dd hh:mm:ss ..." : the date is the first token with two dashes.
      const std::size_t at = l.find("-");
      const std::string date = l.substr(at - 4, 10);
      if (days.empty() || days.back() != date) days.push_back(date);
    }
    return days;
  }
  static std::vector<std::string> Items(pc::TControlItems& items) {
    std::vector<std::string> out;
    for (int i = 0; i < items.Count(); ++i) out.push_back(items.Get(i));
    return out;
  }
  std::string PickerDay(pc::TDateTimePicker* p) const {
    const core::LocalTime t = p->DateTime();
    return core::format("%04d-%02d-%02d", t.year, t.month, t.day);
  }
  // The enabled states of the panel's controls, in the order search, export, delete, clear, selector,
  // start, end, excel, PDF.
  std::vector<bool> PanelEnabled() const {
    Tform1& f = *form_;
    return {f.BitBtn28->Enabled(), f.BitBtn30->Enabled(), f.BitBtn31->Enabled(), f.BitBtn48->Enabled(),
            f.ComboBox19->Enabled(), f.DateTimePicker4->Enabled(), f.DateTimePicker5->Enabled(),
            f.CheckBox4->Enabled(), f.CheckBox7->Enabled()};
  }
  bool NavigationEnabled() const {
    return form_->BitBtn9->Enabled() && form_->BitBtn10->Enabled() && form_->BitBtn11->Enabled() &&
           form_->BitBtn22->Enabled();
  }

  platform::os::FolderDriveLister drives_;
  std::unique_ptr<platform::os::ScopedServices> drive_scope_;
  std::vector<std::string> roots_;
  std::vector<std::string> log_;
  std::function<void()> on_row_;
};

const std::vector<bool> kAllOn(9, true);

TEST(DayFiles, OnlyRealDatesFromTheYear2000AreListed) {
  const core::testing::TempDir scratch("thc_day_files");
  const fs::path& folder = scratch.path();
  struct Case {
    const char* name;
    bool listed;
  };
  const Case cases[] = {
      {"20180408.hhw", true},    {"2018048.hhw", false},     {"20181308.hhw", false},  {"19991231.hhw", false},
      {"20180432.hhw", false},   {"2018-04-08.hhw", false},  {"20180231.hhw", false},  {"20160229.hhw", true},
      {"20170229.hhw", false},   {"20180400.hhw", false},    {"20180409.txt", false},  {"20180410.HHW", true},
      {"20180411.hhw.bak", false}, {"2018041a.hhw", false},  {"201804111.hhw", false},
  };
  for (const Case& c : cases) std::ofstream(folder / c.name) << "0123456789";
  fs::create_directories(folder / "20180412.hhw");  // a folder with a day file's name
  std::vector<std::string> listed = ListDayFiles(folder.string());
  SortDayFileNames(listed);
  EXPECT_EQ(listed, (std::vector<std::string>{"20160229", "20180408", "20180410"}));
  EXPECT_TRUE(ListDayFiles((folder / "missing").string()).empty());
}

TEST(DayFiles, SortedByDateWithoutRepeats) {
  std::vector<std::string> list = {"20190101", "20180408", "20181231", "20180408"};
  EXPECT_EQ(CompareDayFileNames(list, 0, 1), 1);
  EXPECT_EQ(CompareDayFileNames(list, 1, 3), 0);
  EXPECT_EQ(CompareDayFileNames(list, 2, 0), -1);
  SortDayFileNames(list);
  EXPECT_EQ(list, (std::vector<std::string>{"20180408", "20181231", "20190101"}));
  EXPECT_EQ(DayFileDateValue("20180408") - DayFileDateValue("20171231"), 98.0);
  EXPECT_EQ(DayFileDateValue("19000101"), 2.0);
  EXPECT_THROW(DayFileDate("20180231"), core::Error);
}

TEST_F(TfCardPanel, SearchWithoutCardOrFilesSaysSoAndOffersNoExport) {
  Search();
  EXPECT_EQ(form_->Edit7->Text(), "搜索完成,未发现TF卡!");
  EXPECT_EQ(form_->Status(7), "未发现TF卡!");
  EXPECT_EQ(form_->Status(5), "搜索完成");

  Drive("empty");
  fs::create_directories(roots_[0] + "/THdb1");  // a device folder without day files
  Search();
  EXPECT_EQ(form_->Edit7->Text(), "搜索完成,未发现记录文件!");
  EXPECT_EQ(form_->Status(7), "未发现记录文件!");
  EXPECT_EQ(form_->Status(1), "TF卡插入");
  EXPECT_EQ(form_->ComboBox19->Items().Count(), 0);
  EXPECT_FALSE(form_->DateTimePicker4->Enabled());
  EXPECT_FALSE(form_->BitBtn30->Enabled());
  EXPECT_FALSE(form_->BitBtn31->Enabled());
}

TEST_F(TfCardPanel, SearchFindsTheFirstRemovableDriveWithDayFiles) {
  Drive("a");  // no THdb folders
  const std::string card = Drive("b");
  instrument_sim::write_tf_card(card, 12, Day(2018, 4, 8, 2));
  instrument_sim::write_tf_card(card, 3, Day(2018, 5, 1, 1));
  instrument_sim::write_tf_card(card, 3, Day(2018, 5, 3, 1));
  instrument_sim::write_tf_card(card, 3, Day(2018, 4, 30, 1));
  // A later drive is not looked at once a card is found.
  instrument_sim::write_tf_card(Drive("c"), 7, Day(2018, 4, 8, 1));
  Search();
  auto& s = form_->State();
  EXPECT_EQ(s.TfRoot, card);
  EXPECT_EQ(Items(form_->ComboBox19->Items()), (std::vector<std::string>{"3", "12"}));
  EXPECT_EQ(form_->ComboBox19->ItemIndex(), 0);
  EXPECT_EQ(s.DayFileIndex[0], (std::vector<std::string>{"20180430", "20180501", "20180503"}));
  EXPECT_EQ(s.DayFileIndex[1], (std::vector<std::string>{"20180408"}));
  EXPECT_TRUE(s.DayFileIndex[2].empty());
  EXPECT_EQ(form_->Edit7->Text(), "搜索完成,共2设备4天的记录文件!");
  EXPECT_EQ(form_->Status(7), "2设备4天的记录文件!");
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2018-04-30");
  EXPECT_EQ(PickerDay(form_->DateTimePicker5), "2018-05-03");
  EXPECT_EQ(form_->DateTimePicker4->DateTime().hour, 0);
  EXPECT_EQ(s.TfLastDate - s.TfFirstDate, 3.0);
  EXPECT_EQ(PanelEnabled(), kAllOn);

  // The other device: its own days; the pickers cannot leave them.
  form_->ComboBox19->SetItemIndex(1);
  form_->ComboBox19Change(form_->ComboBox19);
  EXPECT_EQ(form_->Status(5), "设备12");
  EXPECT_EQ(form_->Edit7->Text(), "有1天的记录文件!");
  EXPECT_EQ(form_->Status(7), "有1天的记录文件!");
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2018-04-08");
  form_->DateTimePicker4->SetDate(2018, 5, 1);
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2018-04-08");

  form_->DateTimePicker5Change(form_->DateTimePicker5);
  EXPECT_EQ(form_->Edit7->Text(), "导出的结束日期2018年04月08日");
  EXPECT_EQ(form_->Status(7), "导出的结束日期2018年04月08日");

  // Showing the panel again asks for a new search first.
  Click(*form_->BitBtn22);
  EXPECT_FALSE(form_->BitBtn30->Enabled());
  EXPECT_FALSE(form_->BitBtn31->Enabled());
  EXPECT_FALSE(form_->ComboBox19->Enabled());
  EXPECT_FALSE(form_->DateTimePicker4->Enabled());
  EXPECT_FALSE(form_->ToolButton1->Enabled());
}

TEST_F(TfCardPanel, UpperCaseFolderAndFileNamesAreFoundAndExported) {
  const std::string card = Drive("card");
  instrument_sim::write_tf_card(card, 5, Day(2018, 4, 8, 3));
  fs::rename(card + "/THdb5/20180408.hhw", card + "/THdb5/20180408.HHW");
  fs::rename(card + "/THdb5", card + "/THDB5");
  Search();
  ASSERT_EQ(Items(form_->ComboBox19->Items()), (std::vector<std::string>{"5"}));
  Export(true, false);
  EXPECT_EQ(CountCalls(log_, "AddReportRow"), 3u);
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出1天3条记录!");

  SetRange(2018, 4, 8, 2018, 4, 8);
  Click(*form_->BitBtn31);
  EXPECT_FALSE(fs::exists(card + "/THDB5/20180408.HHW"));
}

TEST_F(TfCardPanel, ExportsEveryRecordToTheReportsItIsAskedFor) {
  const std::string card = Drive("card");
  instrument_sim::write_tf_card(card, 9, Day(2018, 4, 8, 2, -15));
  instrument_sim::write_tf_card(card, 9, Day(2018, 4, 9, 1, 300));
  Search();
  auto& s = form_->State();

  Export(true, false);
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "LayoutReportSheet 0 温湿度历史记录报表",
                      "AddReportRow 1 -1.5 50.0 2018-04-08 08:00:00 32364 9",
                      "AddReportRow 2 -1.4 50.1 2018-04-08 08:01:00 32364 9",
                      "AddReportRow 3 30.0 50.0 2018-04-09 08:00:00 32364 9",
                      "FinishReportWorkbook 9 9 32392  progress",
                  }));
  EXPECT_EQ(s.RecordNumber, 3);
  EXPECT_EQ(Items(form_->ListBox3->Items()), (std::vector<std::string>{"共导出3条", "已完成"}));
  EXPECT_EQ(form_->Status(7), "导出2天3条记录!");
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出2天3条记录!");
  EXPECT_EQ(form_->Status(5), "导出完成");
  EXPECT_TRUE(NavigationEnabled());

  Search();
  form_->CheckBox2->SetEnabled(true);
  Export(false, true);
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "BeginPdfReport 9 温湿度历史记录 300",
                      "AddPdfRow 1 -1.5 50.0 2018-04-08 08:00:00",
                      "AddPdfRow 2 -1.4 50.1 2018-04-08 08:01:00",
                      "AddPdfRow 3 30.0 50.0 2018-04-09 08:00:00",
                      "EndPdfReport",
                  }));
  EXPECT_EQ(Items(form_->ListBox3->Items()), (std::vector<std::string>{"共导出3条", "正在保存文件...", "已完成"}));
  EXPECT_FALSE(form_->CheckBox2->Enabled());  // the history panel's PDF box

  // With neither box the export only counts.
  Search();
  Export(false, false);
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出2天3条记录!");

  // Clearing the list.
  Click(*form_->BitBtn48);
  EXPECT_EQ(form_->ListBox3->Count(), 0);
  EXPECT_EQ(form_->Edit7->Text(), "显示已清除！");
}

TEST_F(TfCardPanel, ReportBoxesExcludeEachOther) {
  instrument_sim::write_tf_card(Drive("card"), 1, Day(2018, 4, 8, 1));
  Search();
  Click(*form_->CheckBox4);
  EXPECT_TRUE(form_->CheckBox4->Checked());
  Click(*form_->CheckBox7);
  EXPECT_TRUE(form_->CheckBox7->Checked());
  EXPECT_FALSE(form_->CheckBox4->Checked());
  Click(*form_->CheckBox4);
  EXPECT_FALSE(form_->CheckBox7->Checked());
}

TEST_F(TfCardPanel, OnlyWholeRecordsAreExportedWithProgressEveryHundredOfAFile) {
  const std::string card = Drive("card");
  const auto files = instrument_sim::write_tf_card(card, 2, Day(2018, 4, 8, 3));
  instrument_sim::write_tf_card(card, 2, Day(2018, 4, 9, 100));
  instrument_sim::write_tf_card(card, 2, Day(2018, 4, 10, 250));
  // Five bytes of a record that was never finished.
  std::ofstream(files[0], std::ios::binary | std::ios::app) << "\x01\x02\x03\x04\x05";
  Search();
  std::vector<std::string> progress;  // each new line the list shows while rows go out
  on_row_ = [&] {
    for (const std::string& line : Items(form_->ListBox3->Items())) {
      if (progress.empty() || progress.back() != line) progress.push_back(line);
    }
  };
  Export(true, false);
  EXPECT_EQ(CountCalls(log_, "AddReportRow"), 353u);
  // The 3 records of the first file make no line; the line comes after the 100th record of a file.
  EXPECT_EQ(progress, (std::vector<std::string>{"正在导出记录...已导出103条", "正在导出记录...已导出203条",
                                                "正在导出记录...已导出303条"}));
  EXPECT_EQ(form_->Edit7->Text(), "导出完成,共导出3天353条记录!");
}

TEST_F(TfCardPanel, ExportStartsAtTheDayFileOnOrBeforeTheStartDate) {
  const std::string card = Drive("card");
  for (int d : {1, 5, 10}) instrument_sim::write_tf_card(card, 4, Day(2018, 4, d, 1));
  struct Case {
    int from, to;
    std::vector<std::string> days;
  };
  const Case cases[] = {
      {3, 10, {"2018-04-01", "2018-04-05", "2018-04-10"}},
      {5, 5, {"2018-04-05"}},
      {1, 4, {"2018-04-01"}},
      {6, 9, {"2018-04-05"}},
      {10, 5, {"2018-04-05", "2018-04-10"}},  // the pickers the other way round
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    Search();
    SetRange(2018, 4, c.from, 2018, 4, c.to);
    Export(true, false);
    EXPECT_EQ(ExportedDays(), c.days);
    EXPECT_EQ(form_->Edit7->Text(), core::format("导出完成,共导出%zu天%zu条记录!", c.days.size(), c.days.size()));
  }
}

TEST_F(TfCardPanel, AfterAnExportThePickersMoveOnToTheDaysLeft) {
  const std::string card = Drive("card");
  for (int d = 1; d <= 5; ++d) instrument_sim::write_tf_card(card, 6, Day(2018, 4, d, 2));
  Search();
  SetRange(2018, 4, 1, 2018, 4, 2);
  Export(true, false);
  EXPECT_EQ(ExportedDays(), (std::vector<std::string>{"2018-04-01", "2018-04-02"}));
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2018-04-03");
  EXPECT_EQ(PickerDay(form_->DateTimePicker5), "2018-04-05");
  EXPECT_EQ(PanelEnabled(), kAllOn);
  EXPECT_EQ(form_->Status(7), "导出2天4条记录!");

  // The rest, through the last day: nothing is left to pick.
  Export(true, false);
  EXPECT_EQ(ExportedDays(), (std::vector<std::string>{"2018-04-03", "2018-04-04", "2018-04-05"}));
  EXPECT_EQ(PanelEnabled(), (std::vector<bool>{true, false, true, true, true, false, false, false, false}));
  EXPECT_TRUE(NavigationEnabled());
}

TEST_F(TfCardPanel, AFileThatCannotBeReadEndsTheExportButLeavesThePanelUsable) {
  const std::string card = Drive("card");
  for (int d : {8, 9}) instrument_sim::write_tf_card(card, 1, Day(2018, 4, d, 2));
  Search();
  fs::remove(card + "/THdb1/20180409.hhw");
  for (bool excel : {true, false}) {
    SCOPED_TRACE(excel);
    dialogs_->Expect(DialogKind::kException, "", "20180409.hhw");
    Export(excel, !excel);
    EXPECT_EQ(CountCalls(log_, excel ? "AddReportRow" : "AddPdfRow"), 2u);
    EXPECT_EQ(CountCalls(log_, excel ? "EmptyReportWorkbook" : "AbortPdfReport"), 1u);
    EXPECT_EQ(CountCalls(log_, "FinishReportWorkbook") + CountCalls(log_, "EndPdfReport"), 0u);
    EXPECT_EQ(PanelEnabled(), kAllOn);
    EXPECT_TRUE(NavigationEnabled());
  }
  EXPECT_EQ(dialogs_->seen().size(), 2u);
}

TEST_F(TfCardPanel, DeleteRemovesOnlyTheDaysWithinThePickedDates) {
  const std::string card = Drive("card");
  for (int d : {1, 5, 10}) instrument_sim::write_tf_card(card, 4, Day(2018, 4, d, 1));
  Search();
  SetRange(2018, 4, 3, 2018, 4, 10);
  Click(*form_->BitBtn31);
  EXPECT_TRUE(fs::exists(card + "/THdb4/20180401.hhw"));
  EXPECT_FALSE(fs::exists(card + "/THdb4/20180405.hhw"));
  EXPECT_FALSE(fs::exists(card + "/THdb4/20180410.hhw"));
  EXPECT_EQ(form_->State().DayFileIndex[0], (std::vector<std::string>{"20180401"}));
  EXPECT_EQ(form_->Edit7->Text(), "删除完成,共删除2个文件！");

  // Dates between two day files choose none.
  instrument_sim::write_tf_card(card, 4, Day(2018, 4, 5, 1));
  Search();
  SetRange(2018, 4, 2, 2018, 4, 4);
  Click(*form_->BitBtn31);
  EXPECT_EQ(form_->State().DayFileIndex[0], (std::vector<std::string>{"20180401", "20180405"}));
  EXPECT_EQ(form_->Edit7->Text(), "删除完成,共删除0个文件！");
}

TEST_F(TfCardPanel, DeletingTheMiddleDaysKeepsThePanelOnTheRest) {
  const std::string card = Drive("card");
  for (int d = 1; d <= 5; ++d) instrument_sim::write_tf_card(card, 6, Day(2018, 4, d, 1));
  Search();
  SetRange(2018, 4, 2, 2018, 4, 4);
  Click(*form_->BitBtn31);
  auto& s = form_->State();
  EXPECT_EQ(s.DayFileIndex[0], (std::vector<std::string>{"20180401", "20180405"}));
  for (int d = 1; d <= 5; ++d) {
    EXPECT_EQ(fs::exists(card + core::format("/THdb6/2018040%d.hhw", d)), d == 1 || d == 5) << d;
  }
  EXPECT_EQ(form_->Edit7->Text(), "删除完成,共删除3个文件！");
  EXPECT_EQ(form_->Status(7), "共删除3个文件！");
  EXPECT_EQ(form_->Status(5), "删除完成");
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2018-04-01");
  EXPECT_EQ(PickerDay(form_->DateTimePicker5), "2018-04-05");
  EXPECT_EQ(s.TfFirstDayIndex, 0);
  EXPECT_EQ(s.TfLastDayIndex, 1);
  EXPECT_EQ(PanelEnabled(), kAllOn);
  EXPECT_TRUE(NavigationEnabled());

  // The rest exports from the remaining files.
  Export(true, false);
  EXPECT_EQ(ExportedDays(), (std::vector<std::string>{"2018-04-01", "2018-04-05"}));
}

TEST_F(TfCardPanel, DeletingEveryDayOfADeviceDropsIt) {
  const std::string card = Drive("card");
  instrument_sim::write_tf_card(card, 2, Day(2018, 4, 1, 1));
  instrument_sim::write_tf_card(card, 2, Day(2018, 4, 2, 1));
  instrument_sim::write_tf_card(card, 8, Day(2019, 1, 5, 1));
  instrument_sim::write_tf_card(card, 8, Day(2019, 1, 7, 1));
  Search();
  // The first of two devices: the card is looked at again.
  Click(*form_->BitBtn31);
  auto& s = form_->State();
  EXPECT_EQ(Items(form_->ComboBox19->Items()), (std::vector<std::string>{"8"}));
  EXPECT_EQ(form_->ComboBox19->ItemIndex(), 0);
  EXPECT_EQ(s.DayFileIndex[0], (std::vector<std::string>{"20190105", "20190107"}));
  EXPECT_TRUE(s.DayFileIndex[1].empty());
  EXPECT_EQ(PickerDay(form_->DateTimePicker4), "2019-01-05");
  EXPECT_EQ(PickerDay(form_->DateTimePicker5), "2019-01-07");
  EXPECT_EQ(form_->Edit7->Text(), "删除完成,共删除2个文件！");
  EXPECT_EQ(PanelEnabled(), kAllOn);

  // The only device left: nothing but a search and clearing the list remain.
  Click(*form_->BitBtn31);
  EXPECT_EQ(form_->ComboBox19->Items().Count(), 0);
  EXPECT_TRUE(s.DayFileIndex[0].empty());
  EXPECT_EQ(PanelEnabled(), (std::vector<bool>{true, false, false, true, false, false, false, false, false}));
  EXPECT_TRUE(NavigationEnabled());
  EXPECT_EQ(form_->Status(7), "共删除2个文件！");
  EXPECT_FALSE(fs::exists(card + "/THdb8/20190107.hhw"));

  // Export and delete are refused without a device even when switched on by other means.
  form_->BitBtn30->SetEnabled(true);
  form_->BitBtn31->SetEnabled(true);
  log_.clear();
  form_->CheckBox4->SetChecked(true);
  form_->BitBtn30->Click();
  form_->BitBtn31->Click();
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(form_->BitBtn30->Enabled());
  EXPECT_EQ(form_->Status(7), "共删除2个文件！");
}

TEST_F(TfCardPanel, DeleteOfTheLastDaysOfOneDeviceWhenTheCardIsGone) {
  const std::string card = Drive("card");
  instrument_sim::write_tf_card(card, 2, Day(2018, 4, 1, 1));
  instrument_sim::write_tf_card(card, 3, Day(2018, 4, 1, 1));
  Search();
  drives_.set_roots({});
  Click(*form_->BitBtn31);
  EXPECT_EQ(form_->ComboBox19->Items().Count(), 0);
  EXPECT_EQ(PanelEnabled(), (std::vector<bool>{true, false, false, true, false, false, false, false, false}));
}

TEST_F(TfCardPanel, ReportHostServesTheExportList) {
  ReportHost host = form_->MakeReportHost();
  EXPECT_EQ(host.state, &form_->State());
  EXPECT_EQ(host.data_folder, fs::current_path() / "data");
  host.set_status(5, "x");
  EXPECT_EQ(form_->Status(5), "x");
  host.progress_line("正在保存文件...");
  EXPECT_EQ(Items(form_->ListBox3->Items()), (std::vector<std::string>{"正在保存文件..."}));

  // During an export a closed sheet scrolls the export's list, otherwise the history list.
  for (int i = 0; i < 60; ++i) {
    form_->ListBox2->Items().Add("h");
    form_->ListBox3->Items().Add("t");
  }
  host.scroll_record_list();
  EXPECT_GT(form_->ListBox2->TopIndex(), 0);
  EXPECT_EQ(form_->ListBox3->TopIndex(), 0);
  instrument_sim::write_tf_card(Drive("card"), 1, Day(2018, 4, 8, 1));
  Search();
  int top = -1;
  on_row_ = [&] {
    form_->ListBox3->SetTopIndex(0);
    host.scroll_record_list();
    top = form_->ListBox3->TopIndex();
  };
  Export(true, false);
  EXPECT_GT(top, 0);
}

}  // namespace
}  // namespace console::test
