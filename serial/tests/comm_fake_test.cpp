// The serial component against the in-memory device: opening and its errors, the settings and when they
// reach the line, how received bytes become blocks, the order of the notices, line errors and modem
// changes, and what a vanished or failing device leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os/fake_serial.h"
#include "platform/os/services.h"
#include "serial/tests/comm_test_support.h"

namespace serial::test {
namespace {

namespace os = platform::os;
using std::chrono::milliseconds;

class CommFake : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::win::reset_window_system();
    port_ = &opener_.add_port("ttyFAKE0");
    services_ =
        std::make_unique<os::ScopedServices>(os::Services{&opener_, nullptr, nullptr, nullptr, nullptr});
    comm_ = std::make_unique<TComm>(NotifyWindow());
    comm_->SetCommName("ttyFAKE0");
    rec_ = std::make_unique<Recorder>(*comm_);
  }
  void TearDown() override {
    rec_.reset();
    comm_.reset();
    services_.reset();
    platform::win::reset_window_system();
  }

  // Opens the port and waits for the write thread's first send-empty notice, so that both workers run.
  void open() {
    const int empties = rec_->count(Notice::Empty);
    comm_->OpenPort();
    ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Empty) > empties; }));
  }
  void push(const Bytes& b) { port_->push_input(b); }

  os::FakeSerialOpener opener_;
  os::FakeSerialPort* port_ = nullptr;
  std::unique_ptr<os::ScopedServices> services_;
  std::unique_ptr<TComm> comm_;
  std::unique_ptr<Recorder> rec_;
};

TEST_F(CommFake, OpenErrorsRaiseTheirTextsAndLeaveTheComponentClosed) {
  struct Case {
    const char* name;
    std::optional<os::SerialErrorKind> failure;
    const char* text;
  } cases[] = {
      {"ttyMISSING", std::nullopt, "Error opening serial port"},
      {"ttyFAKE0", os::SerialErrorKind::Busy, "Error opening serial port"},
      {"ttyFAKE0", os::SerialErrorKind::AccessDenied, "Error opening serial port"},
      {"ttyFAKE0", os::SerialErrorKind::NotSerial, "File handle is not a comm handle "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    comm_->SetCommName(c.name);
    if (c.failure) port_->fail_next_open(*c.failure);
    try {
      comm_->OpenPort();
      ADD_FAILURE() << "opened";
    } catch (const ECommsError& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_EQ(comm_->GetComHandle(), 0u);
    EXPECT_FALSE(port_->is_open());
    EXPECT_FALSE(comm_->SendData("x", 1));
  }
  // The component stays usable.
  comm_->SetCommName("ttyFAKE0");
  open();
  EXPECT_NE(comm_->GetComHandle(), 0u);
}

TEST_F(CommFake, OpeningTwiceRaisesAndLeavesTheFirstPortWorking) {
  open();
  const std::uint32_t handle = comm_->GetComHandle();
  EXPECT_THROW(
      {
        try {
          comm_->OpenPort();
        } catch (const ECommsError& e) {
          EXPECT_STREQ(e.what(), "This serial port already opened");
          throw;
        }
      },
      ECommsError);
  EXPECT_EQ(comm_->GetComHandle(), handle);
  EXPECT_EQ(port_->open_count(), 1);
  ASSERT_TRUE(comm_->SendData("ab", 2));
  EXPECT_EQ(port_->wait_output(2, milliseconds(5000)), (Bytes{'a', 'b'}));
  push({1, 2, 3});
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 3; }));
}

TEST_F(CommFake, OpeningPurgesThenAppliesTheSettings) {
  comm_->SetBaudRate(115200);
  comm_->SetByteSize(TByteSize::_7);
  comm_->SetParity(TParity::Mark);
  comm_->SetStopBits(TStopBits::_1_5);
  comm_->SetRtsControl(TRtsControl::RtsTransmissionAvailable);
  comm_->SetDtrControl(TDtrControl::DtrDisable);
  comm_->SetXonChar(0x21);
  open();
  const os::LineSettings s = port_->settings();
  EXPECT_EQ(s.baud_rate, 115200u);
  EXPECT_EQ(s.byte_size, 7);
  EXPECT_EQ(s.parity, os::Parity::Mark);
  EXPECT_EQ(s.stop_bits, os::StopBits::OneAndHalf);
  EXPECT_EQ(s.rts, os::RtsControl::Toggle);
  EXPECT_EQ(s.dtr, os::DtrControl::Disable);
  EXPECT_FALSE(port_->dtr());
  EXPECT_EQ(s.xon_char, 0x21);
  // The constructor's values that reach the line.
  EXPECT_TRUE(s.cts_flow);
  EXPECT_TRUE(s.dsr_flow);
  EXPECT_TRUE(s.tx_continue_on_xoff);
  ASSERT_FALSE(port_->purges().empty());
  EXPECT_EQ(port_->purges().front(),
            os::kPurgeTxAbort | os::kPurgeRxAbort | os::kPurgeTxClear | os::kPurgeRxClear);
}

TEST_F(CommFake, SettersReapplyOnlyChangedLineSettingsOfAnOpenPort) {
  open();
  struct Case {
    const char* name;
    std::function<void()> set;
    bool reapplies;
  } cases[] = {
      {"BaudRate", [&] { comm_->SetBaudRate(19200); }, true},
      {"BaudRate same", [&] { comm_->SetBaudRate(19200); }, false},
      {"ParityCheck", [&] { comm_->SetParityCheck(true); }, true},
      {"Outx_CtsFlow", [&] { comm_->SetOutx_CtsFlow(false); }, true},
      {"Outx_DsrFlow", [&] { comm_->SetOutx_DsrFlow(false); }, true},
      {"DtrControl", [&] { comm_->SetDtrControl(TDtrControl::DtrHandshake); }, true},
      {"DsrSensitivity", [&] { comm_->SetDsrSensitivity(true); }, true},
      {"TxContinueOnXoff", [&] { comm_->SetTxContinueOnXoff(false); }, true},
      {"Outx_XonXoffFlow", [&] { comm_->SetOutx_XonXoffFlow(true); }, true},
      {"Inx_XonXoffFlow", [&] { comm_->SetInx_XonXoffFlow(true); }, true},
      {"ReplaceWhenParityError", [&] { comm_->SetReplaceWhenParityError(true); }, true},
      {"IgnoreNullChar", [&] { comm_->SetIgnoreNullChar(true); }, true},
      {"RtsControl", [&] { comm_->SetRtsControl(TRtsControl::RtsDisable); }, true},
      {"XonLimit", [&] { comm_->SetXonLimit(20); }, true},
      {"XoffLimit", [&] { comm_->SetXoffLimit(100); }, true},
      {"ByteSize", [&] { comm_->SetByteSize(TByteSize::_7); }, true},
      {"StopBits", [&] { comm_->SetStopBits(TStopBits::_2); }, true},
      {"XonChar", [&] { comm_->SetXonChar(1); }, true},
      {"XoffChar", [&] { comm_->SetXoffChar(2); }, true},
      {"ReplacedChar", [&] { comm_->SetReplacedChar('?'); }, true},
      {"Parity (next open)", [&] { comm_->SetParity(TParity::Even); }, false},
      {"ReadIntervalTimeout", [&] { comm_->SetReadIntervalTimeout(100); }, false},
      {"WriteTotalTimeoutConstant", [&] { comm_->SetWriteTotalTimeoutConstant(5); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = port_->configure_count();
    c.set();
    EXPECT_EQ(port_->configure_count() - before, c.reapplies ? 1 : 0);
  }
  const os::LineSettings s = port_->settings();
  EXPECT_EQ(s.baud_rate, 19200u);
  EXPECT_EQ(s.stop_bits, os::StopBits::Two);
  EXPECT_EQ(s.error_char, '?');
  EXPECT_EQ(s.xoff_limit, 100);
  EXPECT_TRUE(s.ignore_null);
  EXPECT_EQ(s.parity, os::Parity::None);  // Parity waits for the next open
  comm_->ClosePort();
  open();
  EXPECT_EQ(port_->settings().parity, os::Parity::Even);
}

TEST_F(CommFake, SettersOfAClosedPortOnlyStore) {
  comm_->SetBaudRate(4800);
  comm_->SetReadIntervalTimeout(55);
  EXPECT_EQ(port_->configure_count(), 0);
  EXPECT_EQ(comm_->GetBaudRate(), 4800u);
  EXPECT_EQ(comm_->GetReadIntervalTimeout(), 55u);
}

TEST_F(CommFake, SendDataRefusesEmptyBlocksAndClosedPorts) {
  EXPECT_FALSE(comm_->SendData("abc", 3));  // closed
  open();
  EXPECT_FALSE(comm_->SendData("abc", 0));
  ASSERT_TRUE(comm_->SendData("abc", 3));
  EXPECT_EQ(port_->wait_output(3, milliseconds(5000)), (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(port_->take_output(), Bytes{});  // the empty block never went out
  comm_->ClosePort();
  EXPECT_FALSE(comm_->SendData("abc", 3));
  comm_->ClosePort();  // closing a closed component does nothing
  EXPECT_EQ(comm_->GetComHandle(), 0u);
}

TEST_F(CommFake, SeveralBurstsArriveAsSeveralTerminatedBlocksInOrder) {
  comm_->SetReadIntervalTimeout(5);
  open();
  const std::vector<Bytes> bursts = {pattern(1, 3), pattern(17, 5), pattern(300, 9), pattern(1024, 11)};
  for (std::size_t i = 0; i < bursts.size(); ++i) {
    push(bursts[i]);
    ASSERT_TRUE(pump_until([&] { return rec_->blocks().size() == i + 1; }));
  }
  EXPECT_EQ(rec_->blocks(), bursts);
  EXPECT_FALSE(rec_->unterminated);
  EXPECT_FALSE(rec_->wrong_sender);
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommFake, ABurstOverTheBlockSizeArrivesAsFullBlocksAndTheRest) {
  comm_->SetReadIntervalTimeout(50);
  open();
  const Bytes burst = pattern(3000);
  push(burst);
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == burst.size(); }));
  const auto blocks = rec_->blocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].size(), 1024u);
  EXPECT_EQ(blocks[1].size(), 1024u);
  EXPECT_EQ(blocks[2].size(), 952u);
  Bytes joined;
  for (const auto& b : blocks) joined.insert(joined.end(), b.begin(), b.end());
  EXPECT_EQ(joined, burst);
}

// The read interval is kept by the read thread: bytes that follow within it join the block.
TEST_F(CommFake, BytesWithinTheReadIntervalJoinOneBlock) {
  comm_->SetReadIntervalTimeout(60000);
  open();
  push(pattern(1000));
  // The reader has taken the first part and waits for the line to go quiet.
  ASSERT_TRUE(pump_until([&] { return port_->pending_input() == 0; }));
  push(pattern(24, 77));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 1024; }));
  ASSERT_EQ(rec_->blocks().size(), 1u);
  EXPECT_EQ(rec_->blocks()[0].size(), 1024u);
}

// Without a read interval a block gathers until it is full or the total read time-out passes. A read
// that times out with nothing is issued again instead of leaving the line unread.
TEST_F(CommFake, TheTotalReadTimeoutEndsAPartialBlockAndAnEmptyReadIsReissued) {
  comm_->SetReadIntervalTimeout(0);
  comm_->SetReadTotalTimeoutConstant(1);
  open();
  push(pattern(5));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 5; }));
  // The line's time-outs run on real time (the reader waits in poll); let several pass with nothing.
  std::this_thread::sleep_for(milliseconds(10));
  push(pattern(7));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 12; }));
  EXPECT_EQ(rec_->blocks().size(), 2u);
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommFake, ANewIntervalTakesEffectWhileOpen) {
  comm_->SetReadIntervalTimeout(60000);
  open();
  comm_->SetReadIntervalTimeout(kReadIntervalNone);  // take what is there
  // The block in progress still uses the old interval; the next ones the new.
  push(pattern(1024));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 1024; }));
  push(pattern(3));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 1027; }));
}

TEST_F(CommFake, ClosingDuringAPendingReadEndsQuietly) {
  comm_->SetReadIntervalTimeout(60000);
  open();
  comm_->ClosePort();  // the read waits for a first byte
  open();
  push(pattern(10));  // the read gathers a block that the interval keeps open
  ASSERT_TRUE(pump_until([&] { return port_->pending_input() == 0; }));
  const std::size_t before = port_->purges().size();
  comm_->ClosePort();
  pump();
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
  EXPECT_EQ(rec_->count(Notice::Data), 0);
  EXPECT_FALSE(port_->is_open());
  // The close purges each side and each worker purges its own on the way out (both workers see the one
  // close event, so the order of the four varies).
  const auto all = port_->purges();
  std::vector<unsigned> closing(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  const unsigned rx = os::kPurgeRxAbort | os::kPurgeRxClear;
  const unsigned tx = os::kPurgeTxAbort | os::kPurgeTxClear;
  std::sort(closing.begin(), closing.end());
  EXPECT_EQ(closing, (std::vector<unsigned>{tx, tx, rx, rx}));
}

TEST_F(CommFake, TwoQueuedBlocksGoOutInOrderWithOneEmptyNoticeAfterTheSecond) {
  open();
  EXPECT_EQ(rec_->trace(), "S");  // once at start
  port_->set_output_room(0);      // the first block waits in the write thread until both are queued
  ASSERT_TRUE(comm_->SendData("first", 5));
  ASSERT_TRUE(comm_->SendData("second", 6));
  port_->unlimit_output_room();
  const Bytes out = port_->wait_output(11, milliseconds(5000));
  EXPECT_EQ(std::string(out.begin(), out.end()), "firstsecond");
  ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Empty) == 2; }));
  pump();
  EXPECT_EQ(rec_->trace(), "SS");
}

TEST_F(CommFake, LineErrorsAndModemChangesReachTheirEvents) {
  open();
  struct Case {
    bool error;
    std::uint32_t raise;
    std::uint32_t expect;
  } cases[] = {
      {true, os::kLineErrorParity | os::kLineErrorFrame, 0x0C},
      {true, os::kLineErrorOverrun, 0x02},
      {true, os::kLineErrorBreak | os::kLineErrorRxOverflow, 0x11},
      {false, os::kModemCarrierChanged, 8},
      {false, os::kModemRing, 4},
      {false, os::kModemCarrierChanged | os::kModemRing, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expect);
    rec_->notices.clear();
    if (c.error)
      port_->raise_line_errors(c.raise);
    else
      port_->raise_modem_change(c.raise);
    ASSERT_TRUE(pump_until([&] { return !rec_->notices.empty(); }));
    ASSERT_EQ(rec_->notices.size(), 1u);
    EXPECT_EQ(rec_->notices[0].kind, c.error ? Notice::Error : Notice::Modem);
    EXPECT_EQ(rec_->notices[0].value, c.expect);
  }
  // An error and a modem change close together both arrive.
  rec_->notices.clear();
  port_->raise_modem_change(os::kModemRing);
  port_->raise_line_errors(os::kLineErrorFrame);
  ASSERT_TRUE(pump_until([&] { return rec_->notices.size() == 2; }));
  EXPECT_EQ(rec_->count(Notice::Error), 1);
  EXPECT_EQ(rec_->count(Notice::Modem), 1);
  // The line goes on working.
  push(pattern(4));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 4; }));
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommFake, AVanishedDeviceEndsBothThreadsWithHangupsAndTheComponentReopens) {
  open();
  push(pattern(6));
  port_->hang_up();
  // The bytes that came before the hang-up are still delivered, then the notice.
  ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Hangup) == 1; }));
  EXPECT_EQ(rec_->received_bytes(), 6u);
  EXPECT_NE(comm_->GetComHandle(), 0u);  // open until closed
  // The write thread learns of it at its next write.
  EXPECT_TRUE(comm_->SendData("x", 1));
  ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Hangup) == 2; }));
  ASSERT_TRUE(pump_until([&] { return !comm_->SendData("y", 1); }));
  comm_->ClosePort();
  EXPECT_EQ(comm_->GetComHandle(), 0u);
  // The device comes back.
  opener_.remove_port("ttyFAKE0");
  port_ = &opener_.add_port("ttyFAKE0");
  rec_->notices.clear();
  open();
  push(pattern(2));
  ASSERT_TRUE(comm_->SendData("z", 1));
  EXPECT_EQ(port_->wait_output(1, milliseconds(5000)), (Bytes{'z'}));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 2; }));
  EXPECT_EQ(rec_->count(Notice::Hangup), 0);
}

TEST_F(CommFake, WriteFailuresPostAHangupAndEndTheWriteThread) {
  struct Case {
    const char* name;
    std::function<void(os::FakeSerialPort&, TComm&)> arrange;
  } cases[] = {
      {"error", [](os::FakeSerialPort& p, TComm&) { p.fail_writes(os::IoStatus::Error); }},
      {"short write on time-out",
       [](os::FakeSerialPort& p, TComm& c) {
         c.SetWriteTotalTimeoutConstant(20);
         p.set_output_room(3);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rec_->notices.clear();
    open();
    c.arrange(*port_, *comm_);
    ASSERT_TRUE(comm_->SendData("abcdef", 6));
    ASSERT_TRUE(pump_until([&] { return rec_->count(Notice::Hangup) == 1; }));
    ASSERT_TRUE(pump_until([&] { return !comm_->SendData("y", 1); }));
    // The read side still works until the port is closed.
    push(pattern(3));
    ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 3; }));
    comm_->ClosePort();
    port_->fail_writes(os::IoStatus::Ok);
    port_->unlimit_output_room();
    port_->take_output();
    comm_->SetWriteTotalTimeoutConstant(0);
  }
}

TEST_F(CommFake, IgnoreNullCharDropsZeroBytes) {
  comm_->SetIgnoreNullChar(true);
  open();
  push({0, 'a', 0, 0, 'b', 0});
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == 2; }));
  EXPECT_EQ(rec_->blocks()[0], (Bytes{'a', 'b'}));
}

// The port is closed when the component goes, and blocks still queued for it are freed (the sanitizer
// build reports a leak otherwise).
TEST_F(CommFake, DestroyingAnOpenComponentClosesThePort) {
  open();
  push(pattern(100));
  ASSERT_TRUE(pump_until([&] { return port_->pending_input() == 0; }));
  ASSERT_TRUE(comm_->SendData("abc", 3));
  port_->wait_output(3, milliseconds(5000));
  rec_.reset();
  comm_.reset();
  EXPECT_FALSE(port_->is_open());
  pump();
}

// Blocks that arrived before a close but were not yet delivered are dropped with the line: a port
// reopened at another speed must not take them for its own replies.
TEST_F(CommFake, ClosingDropsBlocksNotYetDelivered) {
  open();
  push(pattern(100));
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(5000);
  platform::win::MSG m;
  while (!platform::win::PeekMessage(&m, nullptr, CommMsgReceived, CommMsgReceived, platform::win::PM_NOREMOVE) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  const std::size_t before = rec_->received_bytes();
  comm_->ClosePort();
  pump();
  EXPECT_EQ(rec_->received_bytes(), before);
  open();
  push(pattern(7));
  ASSERT_TRUE(pump_until([&] { return rec_->received_bytes() == before + 7; }));
}

TEST_F(CommFake, AHandlerThatRaisesStillFreesItsBlockAndTheNextBlockArrives) {
  open();
  int calls = 0;
  comm_->OnReceiveData = [&](TComm*, const void*, std::uint16_t) {
    if (++calls == 1) throw std::runtime_error("handler failed");
  };
  push(pattern(4));
  bool thrown = false;
  try {
    pump_until([&] { return calls == 1; });
  } catch (const std::runtime_error&) {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  push(pattern(4));
  ASSERT_TRUE(pump_until([&] { return calls == 2; }));
}

// The component needs no window: any notifier that queues the workers' notices and hands them over on
// the owning thread serves. This one keeps them in a list the test delivers from by hand.
class ListNotifier final : public TCommNotifier {
 public:
  ~ListNotifier() override { DropQueued(); }
  void SetReceiver(TReceiver r) override { receiver = std::move(r); }
  bool Post(std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override {
    const std::lock_guard<std::mutex> lock(mutex);
    queued.push_back({msg, w, l});
    return true;
  }
  void DropQueued() override {
    const std::lock_guard<std::mutex> lock(mutex);
    for (const auto& n : queued) DiscardNotice(n.msg, n.l);
    queued.clear();
  }
  // Hands over the oldest notice of kind `msg` once it is queued (and every notice before it).
  bool DeliverUpTo(std::uint32_t msg) {
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(5000);
    for (;;) {
      std::vector<Queued> now;
      {
        const std::lock_guard<std::mutex> lock(mutex);
        auto it = std::find_if(queued.begin(), queued.end(), [&](const Queued& n) { return n.msg == msg; });
        if (it != queued.end()) {
          now.assign(queued.begin(), it + 1);
          queued.erase(queued.begin(), it + 1);
        }
      }
      for (const auto& n : now) receiver(n.msg, n.w, n.l);
      if (!now.empty()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::yield();
    }
  }

  struct Queued {
    std::uint32_t msg;
    std::uintptr_t w;
    std::intptr_t l;
  };
  std::mutex mutex;
  std::vector<Queued> queued;
  TReceiver receiver;
};

TEST_F(CommFake, AnyNotifierCarriesTheNoticesWithoutAWindow) {
  auto owned = std::make_unique<ListNotifier>();
  ListNotifier& notifier = *owned;
  TComm comm(std::move(owned));
  comm.SetCommName("ttyFAKE0");
  Recorder rec(comm);
  comm.OpenPort();
  ASSERT_TRUE(notifier.DeliverUpTo(CommMsgSendEmpty));
  push(pattern(5));
  ASSERT_TRUE(notifier.DeliverUpTo(CommMsgReceived));
  EXPECT_EQ(rec.blocks(), std::vector<Bytes>{pattern(5)});
  EXPECT_FALSE(rec.unterminated);
  ASSERT_TRUE(comm.SendData("abc", 3));
  ASSERT_TRUE(notifier.DeliverUpTo(CommMsgSendEmpty));
  EXPECT_EQ(port_->take_output(), (Bytes{'a', 'b', 'c'}));
  comm.ClosePort();
}

TEST(CommNotifier, AComponentWithoutOneCannotBeMade) {
  try {
    TComm comm(nullptr);
    ADD_FAILURE() << "made without a notifier";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "Unable to create the notification window");
  }
}

}  // namespace
}  // namespace serial::test
