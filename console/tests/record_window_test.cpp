// The record panels on a fake serial port: the requests of their commands, continuous readings driven
// reply by reply, what reaches the reports, and frames that must not disturb a reading.
#include <algorithm>

#include "console/crc16.h"
#include "console/tests/recording_reports.h"
#include "console/tests/window_fixture.h"

namespace console::test {
namespace {

using pc::DialogKind;

Bytes WithCrc(Bytes b) {
  const std::uint16_t crc = Crc16Modbus(b.data(), b.size());
  b.push_back(static_cast<std::uint8_t>(crc >> 8));
  b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return b;
}

void Put32(Bytes& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A measurement record: temperature, humidity, then 2024-03-05 hh:mm:ss with the given seconds.
Bytes Record(std::int16_t t, std::uint16_t h, std::uint8_t minute, std::uint8_t second) {
  const auto ut = static_cast<std::uint16_t>(t);
  return {static_cast<std::uint8_t>(ut >> 8), static_cast<std::uint8_t>(ut), static_cast<std::uint8_t>(h >> 8),
          static_cast<std::uint8_t>(h), 24, 3, 5, 10, minute, second};
}

// A reply of register 7 or 5000: the two 32-bit counts, then the records.
Bytes HistoryReply(std::uint32_t first, std::uint32_t second, int records, int from = 0) {
  Bytes b = {1, 3, 0};
  Put32(b, first);
  Put32(b, second);
  for (int i = 0; i < records; ++i) {
    const int n = from + i;
    const Bytes r = Record(static_cast<std::int16_t>(200 + n), static_cast<std::uint16_t>(500 + n),
                           static_cast<std::uint8_t>(n / 60), static_cast<std::uint8_t>(n % 60));
    b.insert(b.end(), r.begin(), r.end());
  }
  b[2] = static_cast<std::uint8_t>(b.size() - 3);
  return WithCrc(b);
}

Bytes AlarmReply(std::uint16_t total, std::uint16_t unread, Bytes record) {
  Bytes b = {1, 3, 0, static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total),
             static_cast<std::uint8_t>(unread >> 8), static_cast<std::uint8_t>(unread)};
  b.insert(b.end(), record.begin(), record.end());
  b[2] = static_cast<std::uint8_t>(b.size() - 3);
  return WithCrc(b);
}

// value 356, class 2 (alarm), kind 1 (high temperature), 2018-04-08 09:05:07.
const Bytes kHighTemperature = {0x01, 0x64, 2, 1, 18, 4, 8, 9, 5, 7};

class RecordWindow : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    port_ = &opener_.add_port("fake0");
    ports_.set_ports({"fake0"});
    Start();
    form_->SetReports(std::make_unique<RecordingReports>(&reports_));
    form_->N1->Click();
    form_->LabeledEdit14->SetText("1");
    Click(*form_->BitBtn2);
    ASSERT_TRUE(form_->State().Connected);
    Output(8);  // the probe
  }
  void Feed(const Bytes& block) {
    form_->Comm1ReceiveData(&form_->Comm(), block.data(), static_cast<std::uint16_t>(block.size()));
  }
  Bytes Output(std::size_t n) { return port_->wait_output(n, std::chrono::milliseconds(5000)); }
  // What went out without waiting for more.
  Bytes Quiet() {
    Pump();
    return port_->take_output();
  }
  std::vector<std::string> Lines(pc::TListBox* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->Count(); ++i) out.push_back(list->Items().Get(i));
    return out;
  }
  platform::os::FakeSerialPort* port_ = nullptr;
  std::vector<std::string> reports_;
};

TEST_F(RecordWindow, RecordCommandsPutTheirRequestsOnTheLine) {
  auto& s = form_->State();
  struct Case {
    const char* what;
    std::function<void()> prepare;
    pc::TBitBtn* button;
    Bytes frame;
    std::string status;
    ReplyState reply;
    std::uint32_t timeout;
    int post_write, pending;
  };
  form_->DateTimePicker1->SetDate(2014, 4, 8);
  form_->DateTimePicker2->SetDate(2014, 4, 8);
  form_->DateTimePicker3->SetDate(2014, 4, 10);
  const auto page = [this](int i) { form_->PageControl1->SetActivePageIndex(i); };
  const Case cases[] = {
      {"alarm counts", {}, form_->BitBtn13, WithCrc({1, 3, 0x03, 0xE8, 0, 2}), "读取中...", ReplyState::rsAlarmCounts, 300, 0, 0},
      // The unread count goes out as its low 16 bits.
      {"alarm reset", [&] { form_->LabeledEdit13->SetText("-1"); }, form_->BitBtn14,
       WithCrc({1, 6, 0x03, 0xE9, 0xFF, 0xFF}), "设置中...", ReplyState::rsAlarmCounts, 1000, 2, 0},
      {"alarm read", {}, form_->BitBtn15, WithCrc({1, 3, 0x03, 0xE8, 0, 7}), "读取中...", ReplyState::rsAlarmRecord, 500, 0, 0},
      {"history counts", {}, form_->BitBtn17, WithCrc({1, 3, 0, 7, 0, 4}), "读取中...", ReplyState::rsHistoryCounts, 300, 0, 0},
      {"history reset", [&] { form_->LabeledEdit16->SetText("100000"); }, form_->BitBtn18,
       WithCrc({1, 0x10, 0x07, 0xD2, 0, 2, 4, 0, 1, 0x86, 0xA0}), "设置中...", ReplyState::rsHistoryCounts, 1000, 3, 0},
      {"by date", {}, form_->BitBtn21, WithCrc({1, 0x10, 0x0B, 0xB8, 0, 2, 4, 0x0E, 4, 8, 0}), "查询中...",
       ReplyState::rsHistoryCounts, 1000, 0, 1},
      {"by range", {}, form_->BitBtn29, WithCrc({1, 0x10, 0x0F, 0xA0, 0, 4, 8, 0x0E, 4, 8, 0, 0x0E, 4, 10, 0}), "查询中...",
       ReplyState::rsHistoryCounts, 1000, 0, 2},
      // 5 x 37 + 4 = 189 registers, 5 x 100 + 4 = 504.
      {"fast 37", [&] { page(0); s.RecordsToRead = 37; }, form_->BitBtn19, WithCrc({1, 3, 0, 7, 0, 0xBD}), "读取中...",
       ReplyState::rsHistoryRecords, 2000, 0, 0},
      {"fast 250", [&] { s.RecordsToRead = 250; }, form_->BitBtn19, WithCrc({1, 3, 0, 7, 0x01, 0xF8}), "读取中...",
       ReplyState::rsHistoryRecords, 2000, 0, 0},
      // Before any query nothing is known to be unread: the counts alone.
      {"fast 0", [&] { s.RecordsToRead = 0; }, form_->BitBtn19, WithCrc({1, 3, 0, 7, 0, 4}), "读取中...",
       ReplyState::rsHistoryRecords, 2000, 0, 0},
      {"range single", [&] { page(1); form_->CheckBox10->SetChecked(false); }, form_->BitBtn19,
       WithCrc({1, 3, 0x13, 0x88, 0, 9}), "读取中...", ReplyState::rsRangeRecords, 2000, 0, 0},
      {"day, 32-bit counts", [&] { page(2); s.ExtendedCounters = true; }, form_->BitBtn19, WithCrc({1, 3, 0x0B, 0xB8, 0, 9}),
       "读取中...", ReplyState::rsDayRecords, 2000, 0, 0},
      {"day, 16-bit counts", [&] { s.ExtendedCounters = false; }, form_->BitBtn19, WithCrc({1, 3, 0x0B, 0xB8, 0, 7}), "读取中...",
       ReplyState::rsDayRecords, 2000, 0, 0},
  };
  form_->CheckBox3->SetChecked(false);  // each reading is a single request
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    s.PendingQuery = 7;
    s.PostWriteAction = 7;
    s.RetryCount = 2;
    form_->LabeledEdit25->SetText("x");
    if (c.prepare) c.prepare();
    c.button->Click();
    EXPECT_EQ(Output(c.frame.size()), c.frame);
    EXPECT_EQ(form_->Status(5), c.status);
    EXPECT_EQ(s.ReplyState, c.reply);
    EXPECT_TRUE(form_->Timer1->Enabled());
    EXPECT_EQ(form_->Timer1->Interval(), c.timeout);
    EXPECT_EQ(s.PostWriteAction, c.post_write);
    EXPECT_EQ(s.PendingQuery, c.pending);
    EXPECT_EQ(s.RetryCount, 0);
    EXPECT_FALSE(s.ContinuousRead);
    if (c.button == form_->BitBtn29) {
      EXPECT_EQ(form_->LabeledEdit25->Text(), "");
    }
    form_->Timer1->SetEnabled(false);
  }
  EXPECT_TRUE(reports_.empty());
}

TEST_F(RecordWindow, BadEntriesSendNothingAndLeaveNoFlag) {
  auto& s = form_->State();
  struct Case {
    const char* what;
    std::function<void()> prepare;
    pc::TBitBtn* button;
    const char* message;  // part of the error text
  };
  const auto panel = [this](pc::TBitBtn* navigation, int page) {
    navigation->Click();
    form_->PageControl1->SetActivePageIndex(page);
  };
  const Case cases[] = {
      {"alarm unread", [&] { panel(form_->BitBtn10, 0); form_->LabeledEdit13->SetText("12a"); }, form_->BitBtn14, "12a"},
      {"history unread", [&] { panel(form_->BitBtn11, 0); form_->LabeledEdit16->SetText("-1"); }, form_->BitBtn18, "LabeledEdit16"},
      {"query year", [&] { panel(form_->BitBtn11, 2); form_->DateTimePicker1->SetDate(1999, 12, 31); }, form_->BitBtn21, "year"},
      {"range year", [&] { panel(form_->BitBtn11, 1); form_->DateTimePicker3->SetDate(1999, 12, 31); }, form_->BitBtn29, "year"},
      {"address", [&] { panel(form_->BitBtn11, 0); form_->LabeledEdit14->SetText("256"); }, form_->BitBtn17, "address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    c.button->SetEnabled(true);
    dialogs_->Expect(DialogKind::kException, "", c.message);
    Click(*c.button);
    EXPECT_EQ(Quiet(), Bytes{});
    EXPECT_EQ(s.PostWriteAction, 0);
    EXPECT_EQ(s.PendingQuery, 0);
  }
}

TEST_F(RecordWindow, ContinuousAlarmReadingRunsUntilNothingIsUnread) {
  auto& s = form_->State();
  form_->BitBtn10->Click();  // the alarm panel
  form_->CheckBox5->SetChecked(true);
  form_->CheckBox11->SetEnabled(true);
  form_->CheckBox11->SetChecked(true);
  form_->BitBtn15->Click();
  const Bytes request = WithCrc({1, 3, 0x03, 0xE8, 0, 7});
  ASSERT_EQ(Output(8), request);
  EXPECT_TRUE(s.ContinuousRead);
  EXPECT_EQ(form_->BitBtn15->Caption(), "停止");
  EXPECT_FALSE(form_->BitBtn13->Enabled());
  EXPECT_FALSE(form_->BitBtn41->Enabled());
  EXPECT_FALSE(form_->ToolButton1->Enabled());
  EXPECT_TRUE(form_->Timer2->Enabled());

  Bytes relay = {0, 0, 1, 2, 18, 4, 8, 9, 6, 0};  // DO2 opened
  Bytes remote = {0, 0, 4, 22, 18, 4, 8, 9, 7, 0};  // a kind without a text
  Feed(AlarmReply(5, 2, kHighTemperature));
  // The next request goes out right away, guarded by 300 ms.
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(form_->Timer1->Interval(), 300u);
  EXPECT_TRUE(form_->Timer1->Enabled());
  EXPECT_EQ(form_->Status(5), "读取中...");
  Feed(AlarmReply(5, 1, relay));
  EXPECT_EQ(Output(8), request);
  Feed(AlarmReply(5, 0, remote));
  // The last request went out before the end was seen; the reading is over.
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(Lines(form_->ListBox1), (std::vector<std::string>{"(3):高温告警:(35.6℃),2018-04-08 09:05:07",
                                                                "(2):DO2打开:(0),2018-04-08 09:06:00",
                                                                "(1)::(),2018-04-08 09:07:00"}));
  EXPECT_EQ(reports_, (std::vector<std::string>{"LayoutAlarmSheet", "AddAlarmRow 高温告警 35.6℃ 2018-04-08 09:05:07",
                                                "AddAlarmRow DO2打开 0 2018-04-08 09:06:00",
                                                "AddAlarmRow   2018-04-08 09:07:00", "SaveAlarmSheet 1 ask"}));
  EXPECT_FALSE(s.ContinuousRead);
  EXPECT_EQ(form_->Status(7), "成功:3,失败:0");
  EXPECT_EQ(form_->BitBtn15->Caption(), "读取");
  EXPECT_FALSE(form_->BitBtn15->Enabled());
  EXPECT_FALSE(form_->CheckBox5->Checked());
  EXPECT_FALSE(form_->CheckBox11->Checked());
  EXPECT_FALSE(form_->CheckBox11->Enabled());
  EXPECT_TRUE(form_->BitBtn13->Enabled());
  EXPECT_TRUE(form_->BitBtn41->Enabled());
  EXPECT_FALSE(form_->BitBtn12->Enabled());  // the energy buttons stay off after an alarm reading
  EXPECT_FALSE(form_->Timer2->Enabled());
  // The request that was still out is answered "no data".
  Feed(WithCrc({1, 0x83, 3}));
  EXPECT_EQ(form_->Status(5), "无未读记录");
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_EQ(Quiet(), Bytes{});
}

TEST_F(RecordWindow, AlarmCountsAndShortAlarmReplies) {
  auto& s = form_->State();
  s.ReplyState = ReplyState::rsAlarmCounts;
  form_->CheckBox5->SetChecked(true);
  Feed(WithCrc({1, 3, 4, 0, 5, 0, 0}));
  EXPECT_EQ(form_->LabeledEdit12->Text(), "5");
  EXPECT_EQ(form_->LabeledEdit13->Text(), "0");
  EXPECT_TRUE(form_->BitBtn14->Enabled());
  EXPECT_FALSE(form_->BitBtn15->Enabled());
  EXPECT_FALSE(form_->CheckBox5->Checked());
  EXPECT_FALSE(form_->CheckBox5->Enabled());
  Feed(WithCrc({1, 3, 4, 0, 5, 0, 3}));
  EXPECT_TRUE(form_->BitBtn15->Enabled());
  EXPECT_TRUE(form_->CheckBox5->Enabled());
  Feed(WithCrc({1, 3, 2, 0}));  // 6 bytes: too short for the counts
  EXPECT_EQ(form_->Status(5), "错误");

  s.ReplyState = ReplyState::rsAlarmRecord;
  // 10 bytes: counts, no record.
  Feed(WithCrc({1, 3, 4, 0, 7, 0, 6, 0}));
  EXPECT_EQ(form_->LabeledEdit13->Text(), "6");
  // 17 bytes with a good CRC: its last record bytes would be the CRC, so no record either; the
  // instrument counted it as read (6 unread, now 5), so it is listed as missing.
  Bytes cut = {1, 3, 12, 0, 7, 0, 5};
  cut.insert(cut.end(), kHighTemperature.begin(), kHighTemperature.begin() + 8);
  Feed(WithCrc(cut));
  EXPECT_EQ(form_->LabeledEdit13->Text(), "5");
  EXPECT_EQ(Lines(form_->ListBox1), std::vector<std::string>{"(6):缺失1条记录"});
  EXPECT_EQ(form_->Status(5), "缺失1条记录");
}

TEST_F(RecordWindow, FastReadingOfAllUnreadRecordsWithTheWorkbook) {
  auto& s = form_->State();
  s.BaudIndex = 6;
  s.RecordsToRead = 250;
  ASSERT_TRUE(form_->CheckBox3->Checked());
  ASSERT_TRUE(form_->CheckBox10->Checked());
  form_->CheckBox6->SetEnabled(true);
  form_->CheckBox6->SetChecked(true);
  form_->BitBtn19->Click();
  EXPECT_EQ(Output(8), WithCrc({1, 3, 0, 7, 0x01, 0xF8}));
  EXPECT_EQ(form_->BitBtn19->Caption(), "停止");
  EXPECT_FALSE(form_->PageControl1->Enabled());
  EXPECT_FALSE(form_->BitBtn17->Enabled());
  EXPECT_FALSE(form_->CheckBox6->Enabled());
  EXPECT_EQ(reports_, (std::vector<std::string>{"LayoutReportSheet 0 温湿度历史记录报表"}));

  Feed(HistoryReply(250, 150, 100, 0));
  EXPECT_EQ(Output(8), WithCrc({1, 3, 0, 7, 0x01, 0xF8}));
  EXPECT_EQ(form_->Timer1->Interval(), 600u);  // 1000000 baud
  EXPECT_EQ(form_->Status(5), "正常");
  EXPECT_EQ(form_->LabeledEdit16->Text(), "150");
  Feed(HistoryReply(250, 50, 100, 100));
  EXPECT_EQ(Output(8), WithCrc({1, 3, 0, 7, 0x00, 0xFE}));  // 5 x 50 + 4 = 254
  // The last reply arrives in pieces: 2, 5 and the rest.
  const Bytes last = HistoryReply(250, 0, 50, 200);
  Feed(Bytes(last.begin(), last.begin() + 2));
  Feed(Bytes(last.begin() + 2, last.begin() + 7));
  EXPECT_EQ(form_->ListBox2->Count(), 200);
  Feed(Bytes(last.begin() + 7, last.end()));

  ASSERT_EQ(form_->ListBox2->Count(), 250);
  EXPECT_EQ(form_->ListBox2->Items().Get(0), "(1):温度:20.0,湿度:50.0;2024-03-05 10:00:00");
  EXPECT_EQ(form_->ListBox2->Items().Get(249), "(250):温度:44.9,湿度:74.9;2024-03-05 10:04:09");
  ASSERT_EQ(reports_.size(), 252u);
  EXPECT_EQ(reports_[1], "AddReportRow 1 20.0 50.0 2024-03-05 10:00:00 32000 1");
  EXPECT_EQ(reports_[250], "AddReportRow 250 44.9 74.9 2024-03-05 10:04:09 32000 1");
  EXPECT_EQ(reports_[251], "FinishReportWorkbook 1 1 32028 读取中...");
  EXPECT_EQ(Quiet(), Bytes{});  // nothing left: no further request
  EXPECT_FALSE(s.ContinuousRead);
  EXPECT_EQ(form_->Status(7), "成功:250,失败:0");
  EXPECT_EQ(form_->BitBtn19->Caption(), "读取");
  EXPECT_FALSE(form_->BitBtn19->Enabled());
  EXPECT_TRUE(form_->BitBtn17->Enabled());
  EXPECT_TRUE(form_->BitBtn18->Enabled());
  EXPECT_TRUE(form_->PageControl1->Enabled());
  EXPECT_FALSE(form_->CheckBox6->Checked());
  EXPECT_FALSE(form_->CheckBox3->Enabled());
  EXPECT_GT(form_->ListBox2->TopIndex(), 200);  // scrolled to the end
}

// Replies lost on the line while the instrument counts their records as read: the counts of the
// next reply (or the instrument's "no data") show how many went missing. The list, the report, the
// statistics and the status bar say so, and the numbers stay the instrument's.
TEST_F(RecordWindow, RecordsLostWithTheirRepliesAreReportedAsAGap) {
  struct Case {
    const char* what;
    std::vector<Bytes> replies;
    std::vector<std::string> gap_lines;  // in the list, with the line before and after each
    std::vector<std::string> gap_rows;
    std::string statistics, status;
  };
  const Bytes no_data = WithCrc({1, 0x83, 3});
  const Case cases[] = {
      {"the middle reply lost",
       {HistoryReply(250, 150, 100, 0), HistoryReply(250, 0, 50, 200)},
       {"(100):温度:29.9,湿度:59.9;2024-03-05 10:01:39", "(101-200):缺失100条记录",
        "(201):温度:40.0,湿度:70.0;2024-03-05 10:03:20"},
       {"AddReportGap 101 100 32000 1"},
       "成功:150,失败:0,缺失:100",
       "缺失100条记录"},
      {"the last reply lost: the instrument has no data left",
       {HistoryReply(250, 150, 100, 0), HistoryReply(250, 50, 100, 100), no_data},
       {"(200):温度:39.9,湿度:69.9;2024-03-05 10:03:19", "(201-250):缺失50条记录"},
       {"AddReportGap 201 50 32000 1"},
       "成功:200,失败:0,缺失:50",
       "缺失50条记录"},
      {"nothing lost, new records made meanwhile",
       {HistoryReply(250, 160, 100, 0), HistoryReply(260, 60, 100, 100), HistoryReply(260, 0, 60, 200)},
       {},
       {},
       "成功:260,失败:0",
       "正常"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto& s = form_->State();
    reports_.clear();
    form_->ListBox2->Items().Clear();
    s.ReplyState = ReplyState::rsHistoryCounts;
    Feed(WithCrc({1, 3, 8, 0, 0, 0, 250, 0, 0, 0, 250}));  // 250 unread
    form_->CheckBox3->SetEnabled(true);
    form_->CheckBox3->SetChecked(true);
    form_->CheckBox10->SetChecked(true);
    form_->CheckBox6->SetEnabled(true);
    form_->CheckBox6->SetChecked(true);
    form_->BitBtn19->Click();
    for (const Bytes& r : c.replies) {
      Quiet();
      Feed(r);
    }
    Quiet();
    EXPECT_FALSE(s.ContinuousRead);
    const std::vector<std::string> lines = Lines(form_->ListBox2);
    for (const std::string& g : c.gap_lines)
      EXPECT_NE(std::find(lines.begin(), lines.end(), g), lines.end()) << g;
    if (c.gap_lines.size() >= 2) {
      auto at = std::find(lines.begin(), lines.end(), c.gap_lines[0]);
      ASSERT_NE(at, lines.end());
      for (std::size_t k = 1; k < c.gap_lines.size(); ++k) EXPECT_EQ(*++at, c.gap_lines[k]) << "the lines in order";
    }
    for (const std::string& row : c.gap_rows) EXPECT_EQ(CountCalls(reports_, row), 1u) << row;
    if (c.gap_rows.empty()) {
      EXPECT_EQ(CountCalls(reports_, "AddReportGap"), 0u);
    }
    EXPECT_EQ(CountCalls(reports_, "FinishReportWorkbook"), 1u) << "the report is saved with what was read";
    EXPECT_EQ(form_->Status(7), c.statistics);
    EXPECT_EQ(form_->Status(5), c.status);
  }
}

TEST_F(RecordWindow, RecordsAreDecodedOnlyAsFarAsTheReplyHoldsThem) {
  auto& s = form_->State();
  s.ReplyState = ReplyState::rsHistoryRecords;
  form_->CheckBox3->SetChecked(false);
  // A fast request for 10 records answered with 3.
  s.FastReadBatch = 10;
  Feed(HistoryReply(20, 7, 3));
  EXPECT_EQ(form_->ListBox2->Count(), 3);
  EXPECT_EQ(s.RecordNumber, 3);
  // A single record cut short (its last bytes would be the CRC's).
  form_->CheckBox10->SetChecked(false);
  Bytes cut = HistoryReply(20, 6, 1);
  cut.resize(cut.size() - 4);
  Feed(WithCrc(cut));
  // The instrument counted it as read (7 unread, now 6): listed as missing, not silently dropped.
  EXPECT_EQ(form_->ListBox2->Count(), 4);
  EXPECT_EQ(form_->ListBox2->Items().Get(3), "(4):缺失1条记录");
  EXPECT_EQ(form_->LabeledEdit16->Text(), "6");
  // Counts beyond the signed range stop nothing; what is left to read is capped.
  Feed(HistoryReply(0xFFFFFFFF, 0x80000000, 0));
  EXPECT_EQ(form_->Status(5), "正常");
  EXPECT_EQ(s.RecordsToRead, 2147483647);
}

TEST_F(RecordWindow, RangeReadingFollowsItsOwnCounts) {
  auto& s = form_->State();
  s.RecordsToRead = 250;  // left by an earlier unread reading
  form_->LabeledEdit15->SetText("300");
  form_->LabeledEdit16->SetText("250");
  s.ReplyState = ReplyState::rsRangeCounts;
  Bytes counts = {1, 3, 8};
  Put32(counts, 40);
  Put32(counts, 37);
  Feed(WithCrc(counts));
  EXPECT_EQ(form_->LabeledEdit25->Text(), "40");
  EXPECT_EQ(form_->LabeledEdit26->Text(), "37");
  EXPECT_TRUE(form_->BitBtn19->Enabled());
  EXPECT_TRUE(form_->CheckBox6->Enabled());
  form_->PageControl1->SetActivePageIndex(1);
  form_->CheckBox3->SetChecked(false);
  form_->BitBtn19->Click();
  EXPECT_EQ(Output(8), WithCrc({1, 3, 0x13, 0x88, 0, 0xBD}));
  Feed(HistoryReply(40, 0, 37));
  EXPECT_EQ(form_->LabeledEdit25->Text(), "40");
  EXPECT_EQ(form_->LabeledEdit26->Text(), "0");
  EXPECT_EQ(form_->LabeledEdit15->Text(), "300");
  EXPECT_EQ(form_->LabeledEdit16->Text(), "250");
  EXPECT_EQ(form_->ListBox2->Count(), 37);
  EXPECT_EQ(Quiet(), Bytes{});

  // Range counts with nothing in the range.
  s.ReplyState = ReplyState::rsRangeCounts;
  counts = {1, 3, 8};
  Put32(counts, 0);
  Put32(counts, 0);
  Feed(WithCrc(counts));
  EXPECT_FALSE(form_->BitBtn19->Enabled());
  EXPECT_FALSE(form_->CheckBox3->Enabled());
}

TEST_F(RecordWindow, ContinuousDayReadingWithThePdfReport) {
  auto& s = form_->State();
  s.BaudIndex = 3;
  s.ExtendedCounters = false;
  form_->DateTimePicker1->SetDate(2024, 3, 5);
  form_->PageControl1->SetActivePageIndex(2);
  form_->CheckBox2->SetEnabled(true);
  form_->CheckBox2->SetChecked(true);
  form_->BitBtn19->Click();
  const Bytes request = WithCrc({1, 3, 0x0B, 0xB8, 0, 7});
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(reports_, (std::vector<std::string>{"BeginPdfReport 1 温湿度历史记录:2024-03-05 203"}));
  auto day = [](std::uint16_t count, std::uint16_t position, const Bytes& record) {
    Bytes b = {1, 3, 0, static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
               static_cast<std::uint8_t>(position >> 8), static_cast<std::uint8_t>(position)};
    b.insert(b.end(), record.begin(), record.end());
    b[2] = static_cast<std::uint8_t>(b.size() - 3);
    return WithCrc(b);
  };
  Feed(day(2, 1, Record(-15, 999, 1, 2)));
  // The same request again; 9600 baud waits 1500 ms.
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(form_->Timer1->Interval(), 1500u);
  Feed(day(2, 0, Record(16, 1000, 1, 3)));
  EXPECT_EQ(Output(8), request);  // sent before the end was seen
  EXPECT_EQ(Lines(form_->ListBox2), (std::vector<std::string>{"(1):温度:-1.5,湿度:99.9;10:01:02", "(2):温度:1.6,湿度:100.0;10:01:03"}));
  EXPECT_EQ(reports_, (std::vector<std::string>{"BeginPdfReport 1 温湿度历史记录:2024-03-05 203",
                                                "AddPdfRow 1 -1.5 99.9 2024-03-05 10:01:02",
                                                "AddPdfRow 2 1.6 100.0 2024-03-05 10:01:03", "EndPdfReport"}));
  EXPECT_FALSE(s.ContinuousRead);
  EXPECT_EQ(form_->BitBtn19->Caption(), "读取");
  EXPECT_FALSE(form_->BitBtn19->Enabled());
  EXPECT_TRUE(form_->BitBtn21->Enabled());
  EXPECT_FALSE(form_->CheckBox2->Checked());

  // A single reading whose reply says the day is done ends the day reading as well.
  reports_.clear();
  form_->CheckBox3->SetChecked(false);
  form_->BitBtn19->SetEnabled(true);
  form_->BitBtn19->Click();
  EXPECT_EQ(Output(8), request);
  Feed(day(3, 0, Record(100, 200, 2, 0)));
  EXPECT_EQ(form_->ListBox2->Items().Get(2), "(3):温度:10.0,湿度:20.0;10:02:00");
  EXPECT_FALSE(form_->BitBtn19->Enabled());
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(Quiet(), Bytes{});
}

TEST_F(RecordWindow, StoppingAReadingEndsItsReportsAndItsTimeOut) {
  auto& s = form_->State();
  struct Case {
    int page;
    pc::TCheckBox* report;
    std::vector<std::string> log;
  };
  form_->DateTimePicker2->SetDate(2024, 3, 1);
  form_->DateTimePicker3->SetDate(2024, 3, 5);
  const Case cases[] = {
      {0, form_->CheckBox6, {"LayoutReportSheet 0 温湿度历史记录报表", "FinishReportWorkbook 1 1 32028 "}},
      {1, form_->CheckBox6, {"LayoutReportSheet 0 温湿度历史记录报表", "FinishReportWorkbook 1 1 32028 正在保存..."}},
      {1, form_->CheckBox2, {"BeginPdfReport 1 温湿度历史记录:2024-03-01~2024-03-05 103", "EndPdfReport"}},
      {2, form_->CheckBox2, {"BeginPdfReport 1 温湿度历史记录:2024-05-06 203", "EndPdfReport"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page * 10 + (c.report == form_->CheckBox2));
    reports_.clear();
    form_->PageControl1->SetActivePageIndex(c.page);
    form_->CheckBox3->SetChecked(true);
    c.report->SetEnabled(true);
    c.report->SetChecked(true);
    form_->BitBtn19->SetEnabled(true);
    form_->BitBtn19->Click();
    Output(8);
    ASSERT_TRUE(s.ContinuousRead);
    const auto before = clock_.slept();
    form_->BitBtn19->Click();  // 停止
    EXPECT_FALSE(s.ContinuousRead);
    EXPECT_EQ(s.ReplyState, ReplyState::rsIdle);
    EXPECT_EQ(reports_, c.log);
    EXPECT_EQ(form_->BitBtn19->Caption(), "读取");
    EXPECT_TRUE(form_->PageControl1->Enabled());
    EXPECT_FALSE(c.report->Checked());
    EXPECT_TRUE(c.report->Enabled());
    EXPECT_FALSE(form_->Timer1->Enabled());
    // The range page waits a second before it ends the PDF report.
    EXPECT_EQ((clock_.slept() - before).count(), c.page == 1 && c.report == form_->CheckBox2 ? 1000 : 0);
    Pass(5000);
    EXPECT_EQ(Quiet(), Bytes{}) << "a retry after the stop";
  }
}

TEST_F(RecordWindow, ReadingOptionsAndPages) {
  form_->CheckBox6->SetEnabled(true);
  form_->CheckBox2->SetEnabled(true);
  Click(*form_->CheckBox6);
  EXPECT_TRUE(form_->CheckBox6->Checked());
  Click(*form_->CheckBox2);
  EXPECT_TRUE(form_->CheckBox2->Checked());
  EXPECT_FALSE(form_->CheckBox6->Checked());
  Click(*form_->CheckBox6);
  EXPECT_FALSE(form_->CheckBox2->Checked());
  // Unticking "连续读取" unticks and disables both reports.
  Click(*form_->CheckBox3);
  EXPECT_FALSE(form_->CheckBox3->Checked());
  EXPECT_FALSE(form_->CheckBox6->Checked());
  EXPECT_FALSE(form_->CheckBox6->Enabled());
  EXPECT_FALSE(form_->CheckBox2->Enabled());
  Click(*form_->CheckBox3);
  EXPECT_TRUE(form_->CheckBox6->Enabled());

  form_->PageControl1->SetActivePageIndex(2);
  form_->PageControl1Change(form_->PageControl1);
  EXPECT_FALSE(form_->CheckBox10->Checked());
  EXPECT_FALSE(form_->CheckBox10->Enabled());
  form_->PageControl1->SetActivePageIndex(0);
  form_->PageControl1Change(form_->PageControl1);
  EXPECT_TRUE(form_->CheckBox10->Checked());
  EXPECT_TRUE(form_->CheckBox10->Enabled());

  // The alarm panel's report box follows its "连续读取".
  form_->BitBtn10->Click();
  form_->CheckBox5->SetEnabled(true);
  Click(*form_->CheckBox5);
  EXPECT_TRUE(form_->CheckBox11->Enabled());
  form_->CheckBox11->SetChecked(true);
  Click(*form_->CheckBox5);
  EXPECT_FALSE(form_->CheckBox11->Checked());
  EXPECT_FALSE(form_->CheckBox11->Enabled());

  form_->ListBox1->Items().Add("x");
  form_->BitBtn16->Click();
  EXPECT_EQ(form_->ListBox1->Count(), 0);
  form_->ListBox2->Items().Add("x");
  form_->BitBtn20->Click();
  EXPECT_EQ(form_->ListBox2->Count(), 0);
}

TEST_F(RecordWindow, AcknowledgementsResumeReadingAndStartTheCountRead) {
  auto& s = form_->State();
  form_->LabeledEdit13->SetText("4");
  form_->BitBtn14->Click();
  Output(8);
  Feed(WithCrc({1, 6, 0x03, 0xE9, 0, 4}));
  EXPECT_EQ(form_->Status(5), "设置成功");
  EXPECT_TRUE(form_->BitBtn15->Enabled());
  EXPECT_TRUE(form_->CheckBox5->Checked());
  EXPECT_FALSE(form_->Timer1->Enabled());

  s.ExtendedCounters = true;
  form_->BitBtn21->Click();
  Output(13);
  Feed(WithCrc({1, 0x10, 0x0B, 0xB8, 0, 2}));
  EXPECT_EQ(Output(8), WithCrc({1, 3, 0x0B, 0xB8, 0, 4}));
  EXPECT_EQ(s.ReplyState, ReplyState::rsDayCounts);
  Bytes counts = {1, 3, 8};
  Put32(counts, 70000);
  Put32(counts, 70000);
  Feed(WithCrc(counts));
  EXPECT_EQ(form_->LabeledEdit17->Text(), "70000");
  EXPECT_TRUE(form_->BitBtn19->Enabled());
}

TEST_F(RecordWindow, PushedReportDuringAReadingKeepsTheRequestAndItsTimeOut) {
  auto& s = form_->State();
  form_->CheckBox5->SetChecked(true);
  form_->BitBtn15->Click();
  const Bytes request = WithCrc({1, 3, 0x03, 0xE8, 0, 7});
  ASSERT_EQ(Output(8), request);
  Bytes push = {1, 0x10, 0x00, 0x07, 0x00, 0x09, 18, 0, 0, 0, 9, 0, 0, 0, 1};
  const Bytes r = Record(235, 600, 1, 1);
  push.insert(push.end(), r.begin(), r.end());
  Feed(WithCrc(push));
  EXPECT_EQ(Output(8), WithCrc({1, 0x10, 0x00, 0x07, 0x00, 0x09}));
  EXPECT_EQ(form_->ListBox6->Count(), 1);
  EXPECT_TRUE(form_->Timer1->Enabled());
  EXPECT_EQ(Bytes(s.TxFrame.begin(), s.TxFrame.begin() + s.TxLength), request);
  // The reply is lost: the retry sends the request, not the acknowledgement.
  Pass(500);
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(s.RetryCount, 1);
  // The next record's request, too.
  Feed(AlarmReply(3, 2, kHighTemperature));
  EXPECT_EQ(Output(8), request);
  EXPECT_EQ(s.RetryCount, 0);
}

// Frames that do not belong to the reading under way change nothing of it; its next good reply is
// decoded as usual.
TEST_F(RecordWindow, StrayFramesLeaveAContinuousReadingAlone) {
  auto& s = form_->State();
  s.RecordsToRead = 30;
  form_->BitBtn19->Click();
  const Bytes request = WithCrc({1, 3, 0, 7, 0, 0x9A});  // 5 x 30 + 4 = 154
  ASSERT_EQ(Output(8), request);
  Bytes bad_crc = HistoryReply(30, 0, 30);
  bad_crc.back() ^= 0xFF;
  Bytes foreign = HistoryReply(30, 0, 30);
  foreign[0] = 9;
  foreign = WithCrc(Bytes(foreign.begin(), foreign.end() - 2));
  Bytes overlong(1500, 0x55);
  overlong[0] = 1;
  overlong[1] = 3;
  struct Case {
    const char* what;
    std::vector<Bytes> blocks;
  };
  const Case cases[] = {
      {"wrong CRC", {bad_crc}},
      {"foreign address", {foreign}},
      {"unknown function", {WithCrc({1, 0x41, 2, 0, 0})}},
      {"exception from elsewhere", {WithCrc({9, 0x83, 3})}},
      {"short", {{1, 3}, WithCrc({1})}},
      {"overlong", {overlong}},
      {"garbage", {{0x00, 0xFF, 0x13}, {0x37}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const Bytes& b : c.blocks) Feed(b);
    EXPECT_TRUE(s.ContinuousRead);
    EXPECT_EQ(s.ReplyState, ReplyState::rsHistoryRecords);
    EXPECT_EQ(s.RecordNumber, 0);
    EXPECT_EQ(form_->ListBox2->Count(), 0);
    EXPECT_EQ(form_->BitBtn19->Caption(), "停止");
    EXPECT_LE(s.RxAccumulatorCount, static_cast<std::int32_t>(kFrameCapacity));
    EXPECT_EQ(Quiet(), Bytes{});
  }
  // Garbage between frames: a piece is held, then the reply arrives whole and wins.
  Feed({0x01, 0x03, 0x77});
  Feed(HistoryReply(30, 0, 30));
  EXPECT_EQ(form_->ListBox2->Count(), 30);
  EXPECT_FALSE(s.ContinuousRead);
}

TEST_F(RecordWindow, AFailedReopenDropsTheReports) {
  auto& s = form_->State();
  form_->CheckBox2->SetEnabled(true);
  form_->CheckBox2->SetChecked(true);
  form_->BitBtn19->Click();
  Output(8);
  ASSERT_TRUE(s.ContinuousRead);
  port_->fail_next_open(platform::os::SerialErrorKind::Busy);
  Pass(2000);
  EXPECT_EQ(form_->Status(5), "端口错误");
  EXPECT_FALSE(s.Connected);
  EXPECT_FALSE(s.ContinuousRead);
  EXPECT_EQ(CountCalls(reports_, "EmptyReportWorkbook"), 1u);
  EXPECT_EQ(CountCalls(reports_, "AbortPdfReport"), 1u);
  EXPECT_EQ(CountCalls(reports_, "EndPdfReport"), 0u);
}

// A reading disables the navigation while it runs; however it ends without the link, the
// navigation comes back, and stays after the next connect.
TEST_F(RecordWindow, NavigationReturnsWhenTheLinkDropsDuringAReading) {
  auto& s = form_->State();
  struct Case {
    const char* what;
    std::function<void()> drop;
  };
  const Case cases[] = {
      {"failed reopen", [&] {
         port_->fail_next_open(platform::os::SerialErrorKind::Busy);
         Pass(2000);
       }},
  };
  const std::vector<pc::TBitBtn*> navigation = {form_->BitBtn9, form_->BitBtn10, form_->BitBtn11, form_->BitBtn22};
  for (const Case& c : cases) {
    if (!s.Connected) {
      Click(*form_->BitBtn2);
      ASSERT_TRUE(s.Connected) << c.what;
      Output(8);
    }
    form_->CheckBox3->SetEnabled(true);
    form_->CheckBox3->SetChecked(true);
    form_->BitBtn19->Click();
    Output(8);
    ASSERT_TRUE(s.ContinuousRead) << c.what;
    for (pc::TBitBtn* b : navigation) EXPECT_FALSE(b->Enabled()) << c.what << ": " << b->Caption() << " during the reading";
    c.drop();
    ASSERT_FALSE(s.Connected) << c.what;
    for (pc::TBitBtn* b : navigation) EXPECT_TRUE(b->Enabled()) << c.what << ": " << b->Caption() << " after the drop";
    Click(*form_->BitBtn2);
    ASSERT_TRUE(s.Connected) << c.what;
    Output(8);
    for (pc::TBitBtn* b : navigation) EXPECT_TRUE(b->Enabled()) << c.what << ": " << b->Caption() << " after reconnecting";
    // The TF-card panel opens while connected and after the link is gone.
    Click(*form_->BitBtn22);
    EXPECT_TRUE(form_->Panel7->Visible()) << c.what;
    Click(*form_->BitBtn11);
  }
}

}  // namespace
}  // namespace console::test
