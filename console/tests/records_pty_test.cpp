// Record reading against the instrument simulator on a pseudo-terminal: the console's timers run in
// virtual time, the bytes travel through real ptys and the serial component's threads.
#include <cstdio>

#include "console/tests/recording_reports.h"
#include "console/tests/simulator_fixture.h"
#include "core/strings.h"

namespace console::test {
namespace {

using namespace std::chrono_literals;

class PtyRecords : public SimulatorWindowTest {
protected:
  // 250 measurements every ten minutes from 2024-05-04 00:00 (144 on the 4th, 106 on the 5th) and 16
  // alarm records; the reports recorded.
  void Connect(std::size_t history = 250) {
    SimulatorWindowTest::Connect(sim::generate_history({2024, 5, 4, 0, 0, 0}, 600, history),
                                 std::make_unique<RecordingReports>(&reports_));
  }
  std::vector<std::string> reports_;
};

TEST_F(PtyRecords, RecordsArriveInOrderWithTheInstrumentsCounts) {
  Connect();
  const auto history = SimHistory();
  const auto alarms = Sim([](sim::Instrument& i) { return std::vector<sim::AlarmRecord>(i.alarms().begin(), i.alarms().end()); });

  // Alarm records, continuously, into the alarm sheet.
  form_->BitBtn10->Click();
  Click(*form_->BitBtn13);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit13->Text() == "16"; }));
  EXPECT_EQ(form_->LabeledEdit12->Text(), "16");
  Click(*form_->CheckBox5);
  Click(*form_->CheckBox11);
  Click(*form_->BitBtn15);
  ASSERT_TRUE(Await([&] { return !Reading() && form_->Status(5) == "无未读记录"; })) << form_->Status(5);
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < alarms.size(); ++i) {
    const sim::AlarmRecord& a = alarms[i];
    expected.push_back(AlarmLine(static_cast<std::int32_t>(16 - i), AlarmRecordTexts(a.alarm_class, a.kind, a.value),
                                 RecordTimeText(a.time.year, a.time.month, a.time.day, a.time.hour, a.time.minute, a.time.second)));
  }
  EXPECT_EQ(Lines(form_->ListBox1), expected);
  EXPECT_EQ(CountCalls(reports_, "AddAlarmRow"), 16u);
  EXPECT_EQ(reports_.back(), "SaveAlarmSheet 1 ask");
  EXPECT_EQ(Sim([](sim::Instrument& i) { return i.alarm_unread(); }), 0);

  // All unread history records, fast, into the workbook.
  reports_.clear();
  form_->BitBtn11->Click();
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "250"; }));
  Click(*form_->CheckBox6);
  ASSERT_TRUE(form_->CheckBox6->Checked());
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading(); }));
  expected.clear();
  for (std::size_t i = 0; i < history.size(); ++i) expected.push_back(HistoryLine(static_cast<std::int32_t>(i + 1), Console(history[i])));
  EXPECT_EQ(Lines(form_->ListBox2), expected);
  EXPECT_EQ(CountCalls(reports_, "AddReportRow"), 250u);
  EXPECT_EQ(reports_.back(), "FinishReportWorkbook 1 1 32028 读取中...");
  EXPECT_EQ(form_->Status(7), "成功:250,失败:0");
  EXPECT_EQ(Sim([](sim::Instrument& i) { return i.history_unread(); }), 0u);

  // One day, one record per request.
  reports_.clear();
  form_->BitBtn20->Click();
  form_->PageControl1->SetActivePageIndex(2);
  form_->PageControl1Change(form_->PageControl1);
  form_->DateTimePicker1->SetDate(2024, 5, 4);
  Click(*form_->BitBtn21);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit17->Text() == "144"; })) << form_->Status(5);
  EXPECT_EQ(form_->LabeledEdit18->Text(), "144");
  ASSERT_TRUE(form_->CheckBox3->Checked());
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading() && form_->Status(5) == "无未读记录"; }));
  ASSERT_EQ(form_->ListBox2->Count(), 144);
  EXPECT_EQ(form_->ListBox2->Items().Get(0), DayLine(1, Console(history[0])));
  EXPECT_EQ(form_->ListBox2->Items().Get(143), DayLine(144, Console(history[143])));
  EXPECT_TRUE(reports_.empty());

  // A range of days, fast, into a PDF report.
  form_->BitBtn20->Click();
  form_->PageControl1->SetActivePageIndex(1);
  form_->PageControl1Change(form_->PageControl1);
  form_->DateTimePicker2->SetDate(2024, 5, 5);
  form_->DateTimePicker3->SetDate(2024, 5, 5);
  Click(*form_->BitBtn29);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit25->Text() == "106"; }));
  Click(*form_->CheckBox3);  // the day reading left it unticked and disabled: enabled by the counts
  if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
  Click(*form_->CheckBox2);
  ASSERT_TRUE(form_->CheckBox2->Checked());
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading(); }));
  expected.clear();
  for (std::size_t i = 144; i < 250; ++i) expected.push_back(HistoryLine(static_cast<std::int32_t>(i - 143), Console(history[i])));
  EXPECT_EQ(Lines(form_->ListBox2), expected);
  EXPECT_EQ(reports_.front(), "BeginPdfReport 1 温湿度历史记录:2024-05-05~2024-05-05 103");
  EXPECT_EQ(CountCalls(reports_, "AddPdfRow"), 106u);
  EXPECT_EQ(reports_.back(), "EndPdfReport");

  // Single requests: one record, then (fast) the two left, with no report.
  reports_.clear();
  form_->BitBtn20->Click();
  Sim([](sim::Instrument& i) { i.set_history_unread(3); return 0; });
  form_->PageControl1->SetActivePageIndex(0);
  form_->PageControl1Change(form_->PageControl1);
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "3"; }));
  if (form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
  Click(*form_->CheckBox10);
  ASSERT_FALSE(form_->CheckBox10->Checked());
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "2"; }));
  Click(*form_->CheckBox10);
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "0"; }));
  EXPECT_EQ(Lines(form_->ListBox2), (std::vector<std::string>{HistoryLine(1, Console(history[247])), HistoryLine(2, Console(history[248])),
                                                               HistoryLine(3, Console(history[249]))}));
  EXPECT_TRUE(reports_.empty());
}

// Replies that come only after their time-out, during a fast continuous reading: the retry may
// still see the late reply, or the reopened port may have thrown it away while the instrument counted
// its records as read. Either way every record is read or reported missing; none is lost unsaid.
TEST_F(PtyRecords, RepliesLaterThanTheirTimeOutLoseNoRecordUnsaid) {
  Connect();
  form_->BitBtn11->Click();
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "250"; }));
  if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
  ASSERT_TRUE(form_->CheckBox10->Checked());
  sim_->faults().every(sim::Fault::delay(10s), 2);
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading(); }));
  const int success = form_->State().SuccessCount;
  const auto missing = static_cast<int>(form_->State().MissingRecordCount);
  EXPECT_EQ(success + missing, 250) << form_->Status(7);
  if (missing > 0) {
    EXPECT_EQ(form_->Status(5), core::format("缺失%d条记录", missing));
    EXPECT_NE(form_->Status(7).find(core::format(",缺失:%d", missing)), std::string::npos) << form_->Status(7);
  }
  EXPECT_EQ(Sim([](sim::Instrument& i) { return i.history_unread(); }), 0u);
}

TEST_F(PtyRecords, PushedReportsAndLineFaultsAreSurvived) {
  Connect(30);
  const auto history = SimHistory();

  // Reports the instrument pushes are listed and acknowledged.
  ASSERT_TRUE(sim_->push_live());
  ASSERT_TRUE(Await([&] { return form_->ListBox5->Count() == 9; }));
  EXPECT_EQ(form_->ListBox5->Items().Get(7), "总记录条数:30");
  ASSERT_TRUE(Await([&] { return sim_->stats().push_acks == 1; }));  // the instrument waits for one echo at a time
  ASSERT_TRUE(sim_->push_records(3));
  ASSERT_TRUE(Await([&] { return form_->ListBox6->Count() == 3; }));
  EXPECT_EQ(form_->Status(7), "记录条数:3");
  ASSERT_TRUE(Await([&] { return sim_->stats().push_acks == 2; }));

  // A continuous single-record reading through a split reply, a corrupt one and a lost one: each lost
  // reply is retried; its record was taken off the instrument and is gone, which the counts of the
  // next reply show: the list and the statistics say so.
  form_->BitBtn11->Click();
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "30"; }));
  Click(*form_->CheckBox10);
  ASSERT_FALSE(form_->CheckBox10->Checked());
  sim_->faults().once(sim::Fault::split({2, 5}, 0ms));
  sim_->faults().once(sim::Fault::corrupt_crc());
  sim_->faults().once(sim::Fault::no_answer());
  sim_->faults().once(sim::Fault::split({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 0ms));
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading(); }));
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < history.size(); ++i) {
    if (i == 1) expected.push_back("(2-3):缺失2条记录");
    if (i == 1 || i == 2) continue;
    expected.push_back(HistoryLine(static_cast<std::int32_t>(i + 1), Console(history[i])));
  }
  EXPECT_EQ(Lines(form_->ListBox2), expected);
  EXPECT_EQ(form_->Status(7), "成功:28,失败:0,缺失:2");
  EXPECT_EQ(form_->Status(5), "缺失2条记录");

  // An instrument that falls silent for a request and its three retries: a counted failure, and the
  // request goes out once more. (Each unanswered request still took a record.)
  Sim([](sim::Instrument& i) { i.set_history_unread(10); return 0; });
  form_->BitBtn20->Click();
  Click(*form_->BitBtn17);
  ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "10"; }));
  if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
  for (int i = 0; i < 4; ++i) sim_->faults().once(sim::Fault::no_answer());
  Click(*form_->BitBtn19);
  ASSERT_TRUE(Await([&] { return !Reading(); }));
  EXPECT_EQ(form_->ListBox2->Count(), 7);
  EXPECT_EQ(form_->ListBox2->Items().Get(0), "(1-4):缺失4条记录");
  EXPECT_EQ(form_->Status(7), "成功:6,失败:1,缺失:4");
}

// Each fault the line can show, on the third reply of a continuous single-record reading into the
// workbook. Every record the instrument gave is listed and reported exactly once, in order, or
// stands in a gap line when the line lost its reply; exception replies stop the reading with their
// text. The late reply comes inside the console's timeout (800 ms at this speed); replies that never
// come are the silent instrument above. Stray frames and the reply after them may reach the console
// in one block or in two: neither loses the reply.
TEST_F(PtyRecords, LinkFaultsNeitherLoseNorDuplicateRecords) {
  Connect(10);
  const auto history = SimHistory();
  const struct {
    const char* what;
    sim::Fault fault;
    std::size_t covered;  // records listed or counted missing when the reading ends
    std::size_t missing;  // of them counted missing
    const char* status5;  // nullptr: not checked
  } cases[] = {
      {"illegal function", sim::Fault::exception(1), 2, 0, "功能码错误"},
      {"illegal address", sim::Fault::exception(2), 2, 0, "该版本不支持"},
      {"no records left", sim::Fault::exception(3), 10, 8, "缺失8条记录"},
      {"late reply", sim::Fault::delay(500ms), 10, 0, "正常"},
      {"short frame", sim::Fault::short_frame(), 10, 1, "缺失1条记录"},
      {"foreign address", sim::Fault::foreign_address(9), 10, 1, "缺失1条记录"},
      {"stray acknowledgement (5)", sim::Fault::stray_frame(5), 10, 0, "正常"},
      {"stray acknowledgement (15)", sim::Fault::stray_frame(15), 10, 0, "正常"},
      {"stray acknowledgement (47)", sim::Fault::stray_frame(47), 10, 0, "正常"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reports_.clear();
    form_->BitBtn20->Click();
    Sim([](sim::Instrument& i) { i.set_history_unread(10); return 0; });
    if (!form_->BitBtn17->Enabled()) form_->BitBtn17->SetEnabled(true);
    Click(*form_->BitBtn17);
    ASSERT_TRUE(Await([&] { return form_->LabeledEdit16->Text() == "10"; })) << form_->Status(5);
    if (!form_->CheckBox3->Checked()) Click(*form_->CheckBox3);
    if (form_->CheckBox10->Checked()) Click(*form_->CheckBox10);
    if (!form_->CheckBox6->Checked()) Click(*form_->CheckBox6);
    ASSERT_TRUE(form_->CheckBox3->Checked());
    ASSERT_FALSE(form_->CheckBox10->Checked());
    ASSERT_TRUE(form_->CheckBox6->Checked());
    sim_->faults().once(sim::Fault{});
    sim_->faults().once(sim::Fault{});
    sim_->faults().once(c.fault);
    Click(*form_->BitBtn19);
    ASSERT_TRUE(Await([&] { return !Reading(); }));

    // The list: record lines and gap lines, numbered on without a repeat or a hole.
    std::size_t next = 1, missing = 0, rows = 0;
    for (const std::string& line : Lines(form_->ListBox2)) {
      unsigned first = 0, last = 0, count = 0;
      if (std::sscanf(line.c_str(), "(%u-%u):缺失%u条记录", &first, &last, &count) == 3 ||
          (std::sscanf(line.c_str(), "(%u):缺失%u条记录", &first, &count) == 2 && (last = first))) {
        EXPECT_EQ(first, next) << line;
        EXPECT_EQ(last - first + 1, count) << line;
        next = last + 1;
        missing += count;
      } else {
        ASSERT_LE(next, history.size()) << line;
        EXPECT_EQ(line, HistoryLine(static_cast<std::int32_t>(next), Console(history[next - 1])));
        ++next;
        ++rows;
      }
    }
    EXPECT_EQ(next - 1, c.covered);
    EXPECT_EQ(missing, c.missing);
    // The workbook got the same rows and gaps.
    EXPECT_EQ(CountCalls(reports_, "AddReportRow"), rows);
    std::size_t reported_missing = 0;
    for (const std::string& r : reports_) {
      unsigned first = 0, count = 0;
      if (std::sscanf(r.c_str(), "AddReportGap %u %u", &first, &count) == 2) reported_missing += count;
    }
    EXPECT_EQ(reported_missing, missing);
    EXPECT_EQ(form_->Status(7), core::format("成功:%d,失败:0", static_cast<int>(rows)) +
                                    (missing ? core::format(",缺失:%d", static_cast<int>(missing)) : ""));
    if (c.status5) {
      EXPECT_EQ(form_->Status(5), c.status5);
    }
  }
}

}  // namespace
}  // namespace console::test
