// The reply handler fed block by block: reassembly, exception replies, acknowledgements, pushed
// reports, and the live-value, parameter and clock decoders.
#include "console/crc16.h"
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

class Replies : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    port_ = &opener_.add_port("fake0");
    ports_.set_ports({"fake0"});
    Start();
    form_->N1->Click();
    Click(*form_->BitBtn2);
    ASSERT_TRUE(form_->State().Connected);
    Take();
    form_->State().DeviceAddress = 1;
    form_->LabeledEdit14->SetText("1");
  }
  void Feed(const Bytes& block) { form_->Comm1ReceiveData(&form_->Comm(), block.data(), static_cast<std::uint16_t>(block.size())); }
  Bytes Take(std::size_t n = 0) {
    return n ? port_->wait_output(n, std::chrono::milliseconds(5000)) : (Pump(), port_->wait_output(1, std::chrono::milliseconds(200)));
  }
  platform::os::FakeSerialPort* port_ = nullptr;
};

Bytes Live(std::uint16_t t, std::uint16_t h, std::uint16_t dew, std::uint8_t do1, std::uint8_t do2, std::uint8_t alarm) {
  return WithCrc({1, 3, 12, static_cast<std::uint8_t>(t >> 8), static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(h >> 8),
                  static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(dew >> 8), static_cast<std::uint8_t>(dew), 0, do1, 0,
                  do2, 0, alarm});
}

TEST_F(Replies, ReassemblyJoinsPiecesAndDropsStrangers) {
  form_->State().ReplyState = ReplyState::rsMeasure;
  const Bytes reply = Live(0xFF9C, 0x0258, 0x0064, 1, 0, 1);
  ASSERT_EQ(reply.size(), 17u);
  // 2 + 5 + 10 bytes: decoded once, after the third block.
  Feed(Bytes(reply.begin(), reply.begin() + 2));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "");
  Feed(Bytes(reply.begin() + 2, reply.begin() + 7));
  EXPECT_EQ(form_->State().RxAccumulatorCount, 7);
  Feed(Bytes(reply.begin() + 7, reply.end()));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "-10.0");
  EXPECT_EQ(form_->LabeledEdit2->Text(), "60.0");
  EXPECT_EQ(form_->LabeledEdit3->Text(), "10.0");
  EXPECT_EQ(form_->LabeledEdit4->Text(), "合");
  EXPECT_EQ(form_->LabeledEdit5->Text(), "分");
  EXPECT_EQ(form_->LabeledEdit6->Text(), "高温告警");
  EXPECT_EQ(form_->Status(5), "正常");
  EXPECT_EQ(form_->State().RxAccumulatorCount, 0);

  // A piece, then a whole frame: the frame is decoded, the piece forgotten.
  Feed({1, 3, 12});
  Feed(Live(235, 0, 0, 0, 0, 3));  // alarm code 3 has no text: the edit keeps its text
  EXPECT_EQ(form_->LabeledEdit1->Text(), "23.5");
  EXPECT_EQ(form_->LabeledEdit6->Text(), "高温告警");
  EXPECT_EQ(form_->State().RxAccumulatorCount, 0);

  // A piece from another address, then more: both dropped.
  Bytes foreign = Live(100, 0, 0, 0, 0, 0);
  foreign[0] = 9;
  Feed(Bytes(foreign.begin(), foreign.begin() + 5));
  Feed(Bytes(foreign.begin() + 5, foreign.end()));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "23.5");
  EXPECT_EQ(form_->State().RxAccumulatorCount, 0);

  // Too short to be live values.
  Feed(WithCrc({1, 3, 9, 0, 1, 0, 1, 0, 1, 0, 0, 0}));  // 14 bytes
  EXPECT_EQ(form_->Status(5), "错误");
  EXPECT_EQ(form_->LabeledEdit1->Text(), "23.5");

  // A reply from another address is a probe's answer only while probing.
  Bytes from9 = Live(50, 0, 0, 0, 0, 0);
  from9[0] = 9;
  Feed(WithCrc(Bytes(from9.begin(), from9.end() - 2)));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "23.5");
}

// Frames that come back to back in one block are each handled, whatever came before them:
// acknowledgements ahead of a reply, two replies, a reply and the start of the next.
TEST_F(Replies, FramesSharingABlockAreEachHandled) {
  const Bytes ack = WithCrc({1, 0x05, 0x00, 0x01, 0xFF, 0x00});
  const Bytes exception = WithCrc({1, 0x83, 0x02});
  const Bytes first = Live(235, 0, 0, 0, 0, 0), second = Live(300, 0, 0, 0, 0, 0);
  auto cat = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const struct {
    const char* what;
    std::vector<Bytes> blocks;
    const char* temperature;
    int held;  // bytes kept for the next block
  } cases[] = {
      {"an acknowledgement, then the reply", {cat({ack, first})}, "23.5", 0},
      {"two acknowledgements, then the reply", {cat({ack, ack, first})}, "23.5", 0},
      {"two replies", {cat({first, second})}, "30.0", 0},
      {"a reply and the start of the next", {cat({first, Bytes(second.begin(), second.begin() + 5)})}, "23.5", 5},
      {"... and its rest", {cat({first, Bytes(second.begin(), second.begin() + 5)}), Bytes(second.begin() + 5, second.end())},
       "30.0", 0},
      {"a piece, then the rest and an acknowledgement",
       {Bytes(first.begin(), first.begin() + 4), cat({Bytes(first.begin() + 4, first.end()), ack})}, "23.5", 0},
      {"an exception reply, then the reply", {cat({exception, first})}, "23.5", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    form_->State().ReplyState = ReplyState::rsMeasure;
    form_->State().RxAccumulatorCount = 0;
    form_->LabeledEdit1->SetText("");
    for (const Bytes& b : c.blocks) Feed(b);
    EXPECT_EQ(form_->LabeledEdit1->Text(), c.temperature);
    EXPECT_EQ(form_->State().RxAccumulatorCount, c.held);
  }
}

TEST_F(Replies, ParameterAndClockReplies) {
  form_->State().ReplyState = ReplyState::rsParams;
  form_->BitBtn5->SetEnabled(false);
  Bytes p = {1, 3, 48};
  const std::uint16_t regs[24] = {7, 2, 1, 1, 0xFFCE, 0xFF38, 3, 0x0352, 100, 10, 0, 1, 9, 15, 1, 0, 7, 30, 4321, 11, 0xFFFB, 5, 0, 6};
  for (std::uint16_t r : regs) {
    p.push_back(static_cast<std::uint8_t>(r >> 8));
    p.push_back(static_cast<std::uint8_t>(r));
  }
  Feed(WithCrc(p));
  EXPECT_EQ(form_->Status(5), "正常");
  EXPECT_EQ(form_->LabeledEdit7->Text(), "7");
  EXPECT_EQ(form_->ComboBox1->Text(), "115200");
  EXPECT_EQ(form_->LabeledEdit8->Text(), "-5.0");
  EXPECT_EQ(form_->LabeledEdit9->Text(), "-20.0");
  EXPECT_EQ(form_->LabeledEdit19->Text(), "0.3");
  EXPECT_EQ(form_->LabeledEdit10->Text(), "85.0");
  EXPECT_EQ(form_->ComboBox4->ItemIndex(), 9);
  EXPECT_EQ(form_->LabeledEdit21->Text(), "   7");
  EXPECT_EQ(form_->LabeledEdit22->Text(), "30");
  EXPECT_EQ(form_->LabeledEdit27->Text(), "-0.5");
  EXPECT_EQ(form_->ComboBox18->ItemIndex(), 6);
  EXPECT_TRUE(form_->BitBtn5->Enabled());
  // A read followed by a save writes the same block back (the password's blanks included).
  const auto values = ConvertParameterBlock(form_->ParameterInputsForTest());
  EXPECT_TRUE(std::equal(values.begin(), values.end(), std::begin(regs)));

  form_->State().ReplyState = ReplyState::rsClock;
  Feed(WithCrc({1, 3, 6, 0x12, 0x04, 0x08, 0x09, 0x05, 0x07}));
  EXPECT_EQ((std::vector<std::string>{form_->Edit1->Text(), form_->Edit2->Text(), form_->Edit3->Text(), form_->Edit4->Text(),
                                      form_->Edit5->Text(), form_->Edit6->Text()}),
            (std::vector<std::string>{"2018", "4", "8", "9", "5", "7"}));
}

TEST_F(Replies, ExceptionRepliesAndAcknowledgements) {
  auto& s = form_->State();
  s.ReplyState = ReplyState::rsRangeRecords;
  s.ContinuousRead = true;
  s.RetryCount = 2;
  form_->Timer1->SetEnabled(true);
  Feed(WithCrc({1, 0x83, 3}));
  EXPECT_EQ(form_->Status(5), "无未读记录");
  EXPECT_EQ(form_->LabeledEdit26->Text(), "0");
  EXPECT_TRUE(form_->BitBtn29->Enabled());
  EXPECT_FALSE(form_->BitBtn19->Enabled());
  EXPECT_EQ(s.ReplyState, ReplyState::rsRangeRecords);
  EXPECT_FALSE(s.ContinuousRead);
  EXPECT_EQ(s.RetryCount, 0);
  EXPECT_FALSE(form_->Timer1->Enabled());

  form_->Timer1->SetEnabled(true);
  s.PendingQuery = 2;
  s.ReplyState = ReplyState::rsIdle;
  Feed(WithCrc({1, 0x90, 3}));
  EXPECT_EQ(form_->Status(5), "无记录数据");
  EXPECT_EQ(s.PendingQuery, 0);  // so the next acknowledgement starts no count read
  Feed(WithCrc({1, 0x90, 4}));
  EXPECT_EQ(form_->Status(5), "无记录数据");  // code 4: no text

  // A plain acknowledgement.
  form_->Timer1->SetEnabled(true);
  Feed(WithCrc({1, 0x10, 0x00, 0xDE, 0x00, 0x01}));
  EXPECT_EQ(form_->Status(5), "设置成功");
  EXPECT_FALSE(form_->Timer1->Enabled());
  Feed(WithCrc({1, 0x05, 0x00, 0x01, 0xFF, 0x00}));
  EXPECT_EQ(form_->Status(5), "操作成功");

  // The by-range query's acknowledgement reads its counts.
  s.PendingQuery = 2;
  Feed(WithCrc({1, 0x10, 0x0F, 0xA0, 0x00, 0x04}));
  EXPECT_EQ(Take(8), WithCrc({1, 0x03, 0x0F, 0xA0, 0x00, 0x04}));
  EXPECT_EQ(s.ReplyState, ReplyState::rsRangeCounts);
  EXPECT_EQ(form_->Status(5), "查询成功");
  EXPECT_TRUE(form_->Timer1->Enabled());
  EXPECT_EQ(form_->Timer1->Interval(), 1000u);

  // After the parameter block was saved, the link follows the address and baud rate written.
  s.PostWriteAction = 1;
  form_->LabeledEdit7->SetText("12");
  form_->ComboBox1->SetItemIndex(1);
  Feed(WithCrc({1, 0x10, 0x00, 0xC8, 0x00, 0x18}));
  EXPECT_EQ(form_->LabeledEdit14->Text(), "12");
  EXPECT_EQ(form_->ComboBox7->Text(), "19200");
  EXPECT_EQ(form_->Comm().GetBaudRate(), 19200u);
  EXPECT_EQ(s.PostWriteAction, 0);
}

TEST_F(Replies, PushedReportsAreListedAndAcknowledged) {
  Bytes rec = {1, 0x10, 0x00, 0x07, 0x00, 0x0E, 28, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes r1 = {0x00, 0xEB, 0x02, 0x58, 24, 3, 5, 7, 8, 9};
  const Bytes r2 = {0xFF, 0xFB, 0x01, 0x00, 24, 3, 5, 7, 9, 0};
  rec.insert(rec.end(), r1.begin(), r1.end());
  rec.insert(rec.end(), r2.begin(), r2.end());
  Feed(WithCrc(rec));
  EXPECT_EQ(form_->ListBox6->Count(), 2);
  EXPECT_EQ(form_->ListBox6->Items().Get(0), "(0)温度:23.5,湿度:60.0;2024-03-05 07:08:09");
  EXPECT_EQ(form_->ListBox6->Items().Get(1), "(1)温度:-0.5,湿度:25.6;2024-03-05 07:09:00");
  EXPECT_EQ(form_->Status(7), "记录条数:2");
  EXPECT_EQ(Take(8), WithCrc({1, 0x10, 0x00, 0x07, 0x00, 0x0E}));

  // A byte count larger than the frame: only the records present are listed.
  Bytes lying = {1, 0x10, 0x00, 0x07, 0x00, 0x0E, 200, 0, 0, 0, 0, 0, 0, 0, 0};
  lying.insert(lying.end(), r1.begin(), r1.end());
  Feed(WithCrc(lying));
  EXPECT_EQ(form_->ListBox6->Count(), 3);
  Take(8);

  Bytes live = {1, 0x10, 0x00, 0x00, 0x00, 0x0B, 22, 0x00, 0xEB, 0x02, 0x58, 0x00, 0x64, 0, 1, 0, 0, 0, 2, 0, 80,
                0, 0, 0x01, 0x00, 0, 0, 0, 7};
  Feed(WithCrc(live));
  EXPECT_EQ(form_->ListBox5->Items().Get(0), "温度:23.5");
  EXPECT_EQ(form_->ListBox5->Items().Get(5), "告警:2");
  EXPECT_EQ(form_->ListBox5->Items().Get(7), "总记录条数:256");
  EXPECT_EQ(form_->ListBox5->Items().Get(8), "未读记录条数:7");
  EXPECT_EQ(Take(8), WithCrc({1, 0x10, 0x00, 0x00, 0x00, 0x0B}));

  // Register 5 is neither listed nor acknowledged.
  Feed(WithCrc({1, 0x10, 0x00, 0x05, 0x00, 0x01, 2, 0, 1}));
  EXPECT_EQ(Take(), Bytes{});
}

TEST_F(Replies, MissingProbeIsReported) {
  form_->State().ReplyState = ReplyState::rsMeasure;
  dialogs_->Expect(DialogKind::kShowMessage, "", "请插入探头或检查探头是否接触好！");
  Feed(Live(0x8000, 0, 0, 0, 0, 0));
  EXPECT_EQ(form_->LabeledEdit1->Text(), "-3276.8");
}

// The scan's chain never leaves the window without a way to connect: a reply it cannot use, or
// none at all, drops the link.
TEST_F(Replies, BrokenScanChainDropsTheLink) {
  struct Case {
    const char* what;
    ReplyState state;
    Bytes reply;  // empty: no reply, the time-out runs out
  };
  const Case cases[] = {
      {"31 April", ReplyState::rsClockCheck, WithCrc({1, 3, 6, 24, 4, 31, 0, 0, 0})},
      {"month 0", ReplyState::rsClockCheck, WithCrc({1, 3, 6, 24, 0, 1, 0, 0, 0})},
      {"short model", ReplyState::rsModelScan, WithCrc({1, 0x2E, 2, 0x14, 0x08})},
      {"silent model", ReplyState::rsModelScan, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!form_->State().Connected) {
      Click(*form_->BitBtn2);
      Take();
      form_->State().DeviceAddress = 1;
    }
    ASSERT_TRUE(port_->is_open());
    form_->State().ReplyState = c.state;
    form_->Timer1->SetInterval(1000);
    form_->Timer1->SetEnabled(true);
    if (c.reply.empty()) {
      for (int i = 0; i < 4; ++i) {
        Pass(i == 0 ? 1000 : 2000);
        if (i < 3) Take(8);
      }
      EXPECT_EQ(form_->Status(5), "接收超时");
    } else {
      Feed(c.reply);
      EXPECT_EQ(form_->Status(5), "检测失败");
    }
    EXPECT_FALSE(form_->State().Connected);
    EXPECT_FALSE(port_->is_open());
    EXPECT_TRUE(form_->BitBtn2->Enabled());
    EXPECT_TRUE(form_->ToolButton1->Enabled());
    EXPECT_FALSE(form_->BitBtn3->Enabled());
    EXPECT_FALSE(form_->Timer1->Enabled());
  }
}

}  // namespace
}  // namespace console::test
