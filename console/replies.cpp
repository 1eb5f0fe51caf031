// The reply handler: received blocks are joined into frames whose CRC checks, then sorted into
// exception replies, write acknowledgements and read replies; read replies are decoded by the
// state the request set. This file holds the probe chain that completes a connection.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <initializer_list>
#include <span>
#include <vector>

#include "console/crc16.h"
#include "console/main_form.h"
#include "core/byte_io.h"
#include "core/calendar.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"

namespace console {
namespace {

constexpr std::uint16_t kModelRegister = 0xEADF;
constexpr int kClockQuestionFlags = 0x40121;

// The length of the frame `bytes` start with, by what its function code gives (an exception reply,
// an acknowledgement, a read reply with its byte count), when all of it is there and its CRC
// matches; 0 otherwise.
std::size_t LeadingFrameLength(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 5) return 0;
  const std::uint8_t function = bytes[1];
  std::size_t length = 0;
  if (function > 0x80)
    length = 5;
  else if (function == 3 || function == 0x2E)
    length = 5 + static_cast<std::size_t>(bytes[2]);
  else if (function == 5 || function == 6 || function == 15 || function == 16 || function == 47)
    length = 8;
  return length <= bytes.size() && CrcMatches(bytes.first(length)) ? length : 0;
}

}  // namespace

void Tform1::Comm1ReceiveData(serial::TComm*, const void* Buffer, std::uint16_t BufferLength) {
  auto& s = state_;
  const auto* block = static_cast<const std::uint8_t*>(Buffer);
  s.RxFrame.fill(0);
  std::size_t n = BufferLength;
  if (n > kFrameCapacity) {
    n = kFrameCapacity;
    s.RxAccumulatorCount = 0;
  }
  if (n > 0) std::memcpy(s.RxFrame.data(), block, n);
  s.RxLength = static_cast<std::int32_t>(n);
  if (n > 2 && CrcMatches(std::span<const std::uint8_t>(s.RxFrame.data(), n))) {
    // A whole frame by itself; a piece held from before no longer counts.
    s.RxAccumulatorCount = 0;
    Dispatch();
    return;
  }
  const auto held = static_cast<std::size_t>(s.RxAccumulatorCount);
  const bool take = held == 0 || s.RxAccumulator[0] == s.DeviceAddress;
  if (!take || held + n >= kFrameCapacity) {
    s.RxAccumulator.fill(0);
    s.RxAccumulatorCount = 0;
    return;
  }
  std::memcpy(s.RxAccumulator.data() + held, s.RxFrame.data(), n);
  const std::size_t total = held + n;
  std::memcpy(s.RxFrame.data(), s.RxAccumulator.data(), total);
  s.RxLength = static_cast<std::int32_t>(total);
  s.RxAccumulatorCount = static_cast<std::int32_t>(total);
  if (total > 2 && CrcMatches(std::span<const std::uint8_t>(s.RxFrame.data(), total))) {
    s.RxAccumulatorCount = 0;
    Dispatch();
    return;
  }
  // Frames that came back to back in one block (a stray acknowledgement and the reply after it):
  // the first is handled by itself, then what follows it as a block of its own. Checked only as
  // one frame, the two would never match and the reply would be lost.
  const std::size_t lead = LeadingFrameLength(std::span<const std::uint8_t>(s.RxFrame.data(), total));
  if (lead == 0 || lead == total) return;
  const std::vector<std::uint8_t> rest(s.RxFrame.begin() + static_cast<std::ptrdiff_t>(lead),
                                       s.RxFrame.begin() + static_cast<std::ptrdiff_t>(total));
  std::fill(s.RxFrame.begin() + static_cast<std::ptrdiff_t>(lead), s.RxFrame.end(), 0);
  s.RxLength = static_cast<std::int32_t>(lead);
  s.RxAccumulatorCount = 0;
  Dispatch();
  s.RxAccumulatorCount = 0;
  Comm1ReceiveData(nullptr, rest.data(), static_cast<std::uint16_t>(rest.size()));
}

void Tform1::Dispatch() {
  auto& s = state_;
  const std::uint8_t address = s.RxFrame[0];
  const std::uint8_t function = s.RxFrame[1];
  const bool ours = address == s.DeviceAddress;
  if (ours && function > 0x80) {
    ExceptionReply();
    return;
  }
  if (ours && (function == 15 || function == 5 || function == 47)) {
    Timer1->SetEnabled(false);
    SetStatus(5, "操作成功");
    return;
  }
  if (ours && (function == 16 || function == 6)) {
    if (s.RxLength <= 8) WriteAcknowledged();
    else PushReport();
    return;
  }
  const bool probing = s.ReplyState == ReplyState::rsProbeManual || s.ReplyState == ReplyState::rsProbeScan;
  if ((function == 3 || function == 0x2E) && (ours || probing)) {
    Timer1->SetEnabled(false);
    switch (s.ReplyState) {
      case ReplyState::rsMeasure: MeasureReply(); break;
      case ReplyState::rsParams: ParamsReply(); break;
      case ReplyState::rsClock: ClockReply(); break;
      case ReplyState::rsProbeManual: ProbeReply(false); break;
      case ReplyState::rsProbeScan: ProbeReply(true); break;
      case ReplyState::rsClockCheck: ClockCheckReply(); break;
      case ReplyState::rsModelManual: ModelReply(false); break;
      case ReplyState::rsModelScan: ModelReply(true); break;
      case ReplyState::rsAlarmCounts: AlarmCountsReply(); break;
      case ReplyState::rsAlarmRecord: AlarmRecordReply(); break;
      case ReplyState::rsHistoryCounts: HistoryCountsReply(); break;
      case ReplyState::rsHistoryRecords: HistoryRecordsReply(false); break;
      case ReplyState::rsDayCounts: DayCountsReply(); break;
      case ReplyState::rsDayRecords: DayRecordsReply(); break;
      case ReplyState::rsRangeCounts: RangeCountsReply(); break;
      case ReplyState::rsRangeRecords: HistoryRecordsReply(true); break;
      default: break;
    }
  }
}

std::vector<pc::TControl*> Tform1::CommandSet() {
  return {BitBtn41, BitBtn42, BitBtn43, BitBtn44, BitBtn9, BitBtn11, BitBtn22, BitBtn10, BitBtn33, BitBtn37, BitBtn3};
}

std::vector<pc::TControl*> Tform1::HistoryOptions() { return {CheckBox3, CheckBox10, CheckBox2, CheckBox6}; }

void Tform1::ExceptionReply() {
  auto& s = state_;
  s.RxAccumulatorCount = 0;
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  s.RetryCount = 0;
  const bool was_reading = s.ContinuousRead;
  const std::int64_t missing = s.RxFrame[2] == 3 ? NoRecordsLeft(was_reading) : 0;
  if (s.ContinuousRead) {
    s.ContinuousRead = false;
    switch (s.ReplyState) {
      case ReplyState::rsHistoryRecords:
      case ReplyState::rsRangeRecords:
        BitBtn19->SetCaption("读取");
        BitBtn19->SetEnabled(false);
        break;
      case ReplyState::rsAlarmRecord:
        BitBtn15->SetCaption("读取");
        BitBtn15->SetEnabled(false);
        break;
      case ReplyState::rsDayRecords:
        BitBtn19->SetCaption("读取");
        BitBtn19->SetEnabled(true);
        break;
      default: break;
    }
  }
  const std::uint8_t pending = s.PendingQuery;
  // A refused query starts no count read with the next acknowledgement.
  s.PendingQuery = 0;
  auto enable = [](std::initializer_list<pc::TControl*> cs, bool on) {
    for (pc::TControl* c : cs) c->SetEnabled(on);
  };
  auto enable_set = [this] {
    for (pc::TControl* c : CommandSet()) c->SetEnabled(true);
  };
  switch (s.RxFrame[2]) {
    case 1: SetStatus(5, "功能码错误"); break;
    case 2:
      SetStatus(5, "该版本不支持");
      BitBtn3->SetEnabled(true);
      break;
    case 3:
      switch (s.ReplyState) {
        case ReplyState::rsAlarmRecord:
          SetStatus(5, "无未读记录");
          LabeledEdit13->SetText("0");
          BitBtn15->SetCaption("读取");
          enable({BitBtn15, CheckBox5}, false);
          enable_set();
          enable({BitBtn13, BitBtn14}, true);
          break;
        case ReplyState::rsHistoryRecords:
          SetStatus(5, "无未读记录");
          LabeledEdit16->SetText("0");
          enable({BitBtn19, CheckBox3, CheckBox6, CheckBox2}, false);
          CheckBox3->SetChecked(false);
          CheckBox6->SetChecked(false);
          enable_set();
          enable({BitBtn17, BitBtn18, PageControl1}, true);
          break;
        case ReplyState::rsDayRecords:
          SetStatus(5, "无未读记录");
          LabeledEdit18->SetText("0");
          enable({BitBtn19, CheckBox3, CheckBox6, CheckBox2}, false);
          enable_set();
          enable({BitBtn21}, true);
          break;
        case ReplyState::rsRangeRecords:
          SetStatus(5, "无未读记录");
          LabeledEdit26->SetText("0");
          enable({BitBtn19, CheckBox6, CheckBox2, CheckBox3}, false);
          enable_set();
          enable({BitBtn29}, true);
          break;
        default:
          if (pending != 0) {
            SetStatus(5, "无记录数据");
            LabeledEdit17->SetText("0");
            LabeledEdit18->SetText("0");
            enable({BitBtn19, CheckBox3, CheckBox6, CheckBox2}, false);
          } else {
            SetStatus(5, "数据错误");
          }
          break;
      }
      enable({BitBtn12, BitBtn23, BitBtn49, PageControl1}, true);
      ToolButton1->SetEnabled(true);
      if (missing > 0) {
        if (was_reading) ShowReadStatistics();
        ShowGap(was_reading, missing);
      }
      break;
    default: break;
  }
}

std::int64_t Tform1::NoRecordsLeft(bool was_reading) {
  RecordStream stream = RecordStream::None;
  switch (state_.ReplyState) {
    case ReplyState::rsHistoryRecords: stream = RecordStream::History; break;
    case ReplyState::rsRangeRecords: stream = RecordStream::Range; break;
    case ReplyState::rsDayRecords: stream = RecordStream::Day; break;
    case ReplyState::rsAlarmRecord: stream = RecordStream::Alarm; break;
    default: return 0;
  }
  const std::int64_t missing = TakeRecordsLeft(stream, 0, 0);
  if (stream == RecordStream::Alarm) {
    if (missing > 0) {
      ListBox1->Items().Add(GapLine(1, missing));
      if (was_reading && CheckBox11->Checked()) reports_->AddAlarmRow(GapText(missing), "", "");
    }
    if (was_reading && CheckBox11->Checked()) {
      CheckBox11->SetEnabled(false);
      reports_->SaveAlarmSheet(LabeledEdit14->Text(), true);
    }
    return missing;
  }
  if (missing > 0) AddHistoryGap(missing, was_reading);
  if (was_reading) {
    if (CheckBox6->Checked()) reports_->FinishReportWorkbook(AddressFromEdit(), LabeledEdit14->Text(), kHistoryLastFullRow, "", false);
    if (CheckBox2->Checked()) reports_->EndPdfReport();
  }
  return missing;
}

void Tform1::WriteAcknowledged() {
  auto& s = state_;
  if (s.PendingQuery == 1 || s.PendingQuery == 2) {
    // The query is in place: read its counts.
    const bool by_date = s.PendingQuery == 1;
    s.PendingQuery = 0;
    SetStatus(5, "查询成功");
    s.ReplyState = by_date ? ReplyState::rsDayCounts : ReplyState::rsRangeCounts;
    s.DeviceAddress = AddressFromEdit();
    SendRaw(by_date ? ReadRegistersFrame(s.DeviceAddress, 3000, s.ExtendedCounters ? 4 : 2)
                    : ReadRegistersFrame(s.DeviceAddress, 4000, 4));
    core::sleep_ms(30);
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
    return;
  }
  SetStatus(5, "设置成功");
  const std::uint8_t action = s.PostWriteAction;
  s.PostWriteAction = 0;
  switch (action) {
    case 1:
      // The instrument now answers at the address and baud rate just written.
      for (pc::TControl* c : HistoryOptions()) c->SetEnabled(true);
      BitBtn19->SetEnabled(true);
      s.RecordNumber = 0;
      LabeledEdit14->SetText(LabeledEdit7->Text());
      ComboBox7->SetText(ComboBox1->Text());
      Comm().SetBaudRate(static_cast<std::uint32_t>(ConvertInRange(ComboBox7->Text(), 0, 0x7FFFFFFF, "ComboBox7")));
      break;
    case 2:
      BitBtn15->SetEnabled(true);
      CheckBox5->SetChecked(true);
      CheckBox5->SetEnabled(true);
      break;
    case 3:
      s.RecordNumber = 0;
      for (pc::TControl* c : HistoryOptions()) c->SetEnabled(true);
      BitBtn19->SetEnabled(true);
      break;
    default: break;
  }
  Timer1->SetEnabled(false);
}

void Tform1::PushReport() {
  auto& s = state_;
  const std::uint16_t reg = core::load_be16(&s.RxFrame[2]);
  auto tenths = [](std::int16_t v) { return Tenths(v); };
  if (reg == 0) {
    const auto& f = s.RxFrame;
    auto u16 = [&f](int at) { return static_cast<unsigned>(core::load_be16(&f[static_cast<std::size_t>(at)])); };
    auto s16 = [&f](int at) { return static_cast<std::int16_t>(core::load_be16(&f[static_cast<std::size_t>(at)])); };
    auto u32 = [&f](int at) { return static_cast<unsigned long>(core::load_be32(&f[static_cast<std::size_t>(at)])); };
    auto& items = ListBox5->Items();
    items.Clear();
    items.Add("温度:" + tenths(s16(7)));
    items.Add("湿度:" + tenths(s16(9)));
    items.Add("露点:" + tenths(s16(11)));
    items.Add("DO1:" + std::to_string(u16(13)));
    items.Add("DO2:" + std::to_string(u16(15)));
    items.Add("告警:" + std::to_string(u16(17)));
    items.Add("电量:" + std::to_string(u16(19)));
    items.Add("总记录条数:" + std::to_string(u32(21)));
    items.Add("未读记录条数:" + std::to_string(u32(25)));
  } else if (reg == 7) {
    // Records sit at 10k+5 for k = 1.., as many as the byte count announces and the frame holds.
    const int announced = s.RxFrame[6] / 10;
    const int present = std::max(0, s.RxLength - 17) / 10;
    const int records = std::min(announced, present);
    for (int k = 1; k <= records; ++k) {
      const HistoryRecord r = DecodeHistoryRecord(&s.RxFrame[static_cast<std::size_t>(10 * k + 5)]);
      ListBox6->Items().Add(PushedRecordLine(s.PushRecordCount, r));
      ++s.PushRecordCount;
      SetStatus(7, "记录条数:" + std::to_string(s.PushRecordCount));
    }
  }
  if (reg == 0 || reg == 7) {
    // The acknowledgement goes out through TxFrame; the request under way is put back afterwards, so
    // that a retry or the next request of a reading sends the request and not the acknowledgement.
    const auto request = s.TxFrame;
    const std::int32_t request_length = s.TxLength;
    Frame ack(s.RxFrame.begin(), s.RxFrame.begin() + 6);
    AppendCrc(ack);
    SendFrame(s, writer_, ack);
    s.TxFrame = request;
    s.TxLength = request_length;
    core::sleep_ms(30);
  }
  // Timer1 is left as it is: it runs only while a request waits for its reply, and a report the
  // instrument pushes meanwhile is no answer to that request.
}

std::string Tform1::Tenths(std::int32_t v) { return TenthsText(v); }

bool Tform1::ReplyHolds(std::int32_t min_length) {
  if (state_.RxLength < min_length) {
    SetStatus(5, "错误");
    return false;
  }
  SetStatus(5, "正常");
  return true;
}

void Tform1::MeasureReply() {
  auto& s = state_;
  if (!ReplyHolds(15)) return;
  const std::uint16_t raw = core::load_be16(&s.RxFrame[3]);
  LabeledEdit1->SetText(Tenths(static_cast<std::int16_t>(raw)));
  LabeledEdit2->SetText(Tenths(core::load_be16(&s.RxFrame[5])));
  LabeledEdit3->SetText(Tenths(static_cast<std::int16_t>(core::load_be16(&s.RxFrame[7]))));
  const std::uint8_t do1 = s.RxFrame[10], do2 = s.RxFrame[12], alarm = s.RxFrame[14];
  // 0x8000 is what an instrument reports without a working probe.
  if (raw == 0x8000) pc::ShowMessage("请插入探头或检查探头是否接触好！ ");
  LabeledEdit4->SetText(do1 & 1 ? "合" : "分");
  LabeledEdit5->SetText(do2 & 1 ? "合" : "分");
  static constexpr std::pair<int, const char*> kAlarms[] = {{0, "无"},           {1, "高温告警"},      {2, "低温告警"},
                                                            {4, "高湿告警"},     {8, "低湿告警"},      {9, "高温+低湿告警"},
                                                            {10, "低温+低湿告警"}, {5, "高温+高湿告警"}, {6, "低温+高湿告警"}};
  for (const auto& [code, text] : kAlarms) {
    if (code == alarm) LabeledEdit6->SetText(text);
  }
}

void Tform1::ParamsReply() {
  auto& s = state_;
  if (!ReplyHolds(41)) return;
  for (std::size_t k = 0; k < kParamCount; ++k) {
    const std::uint8_t* r = &s.RxFrame[3 + 2 * k];
    const std::uint16_t u = core::load_be16(r);
    const auto v = static_cast<std::int16_t>(u);
    pc::TComponent* c = FindComponent(kParameterFields[k].control);
    if (auto* combo = dynamic_cast<pc::TComboBox*>(c)) {
      const int index = r[1];
      combo->SetItemIndex(index < combo->Items().Count() ? index : -1);
      continue;
    }
    auto* edit = dynamic_cast<pc::TEdit*>(c);
    if (!edit) continue;
    const std::uint16_t reg = kParameterFields[k].reg;
    char buf[32];
    if (reg == 200) std::snprintf(buf, sizeof buf, "%d", r[1]);
    else if (reg == 204 || reg == 205 || reg == 220 || reg == 221) std::snprintf(buf, sizeof buf, "%s", Tenths(v).c_str());
    else if (reg == 206 || reg == 207 || reg == 208 || reg == 209) std::snprintf(buf, sizeof buf, "%s", Tenths(u).c_str());
    else if (reg == 216) std::snprintf(buf, sizeof buf, "%4d", u);
    else std::snprintf(buf, sizeof buf, "%d", u);
    edit->SetText(buf);
  }
  BitBtn5->SetEnabled(true);
}

void Tform1::ClockReply() {
  auto& s = state_;
  if (!ReplyHolds(9)) return;
  const int fields[] = {s.RxFrame[3] + 2000, s.RxFrame[4], s.RxFrame[5], s.RxFrame[6], s.RxFrame[7], s.RxFrame[8]};
  pc::TEdit* edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
  for (int i = 0; i < 6; ++i) edits[i]->SetText(std::to_string(fields[i]));
  BitBtn7->SetEnabled(true);
}

void Tform1::ProbeReply(bool scan) {
  auto& s = state_;
  const int address = core::load_be16(&s.RxFrame[3]);
  if (!scan) {
    if (s.RxLength != 7 || address >= 248) return;
    SetStatus(5, "正常");
    LabeledEdit14->SetText(std::to_string(address));
    SetStatus(5, "读取中...");
    s.ReplyState = ReplyState::rsModelManual;
    s.DeviceAddress = AddressFromEdit();
    SendRaw(OwnReadFrame(s.DeviceAddress, kModelRegister, 2));
    core::sleep_ms(30);
    Timer1->SetInterval(300);
    Timer1->SetEnabled(true);
    SetStatus(7, "");
    return;
  }
  if (s.RxLength < 7) return;
  if (address < 256) LabeledEdit14->SetText(std::to_string(address));
  LabeledEdit7->SetText(LabeledEdit14->Text());
  SetStatus(5, "读取中...");
  s.ReplyState = ReplyState::rsClockCheck;
  s.DeviceAddress = AddressFromEdit();
  SendRaw(ClockReadFrame(s.DeviceAddress));
  core::sleep_ms(30);
  Timer1->SetInterval(300);
  Timer1->SetEnabled(true);
  SetStatus(7, "");
}

void Tform1::AbandonScanChain() {
  // Nothing else would end the scan's chain: the window goes back to where connecting starts.
  Comm().ClosePort();
  Timer1->SetEnabled(false);
  Timer6->SetEnabled(false);
  state_.ReplyState = ReplyState::rsIdle;
  DropLink();
  SetStatus(5, "检测失败");
}

void Tform1::ClockCheckReply() {
  auto& s = state_;
  if (s.RxLength < 9) return AbandonScanChain();
  const int year = 2000 + s.RxFrame[3], month = s.RxFrame[4], day = s.RxFrame[5];
  const int hour = s.RxFrame[6], minute = s.RxFrame[7], second = s.RxFrame[8];
  if (month < 1 || month > 12 || day < 1 || day > core::days_in_month(year, month) || hour > 23 || minute > 59 || second > 59) {
    return AbandonScanChain();
  }
  s.ReplyState = ReplyState::rsIdle;
  Timer6->SetEnabled(false);
  SetStatus(5, "检测完成");
  SetStatus(5, "正常");
  const int fields[] = {year, month, day, hour, minute, second};
  pc::TEdit* edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
  for (int i = 0; i < 6; ++i) edits[i]->SetText(std::to_string(fields[i]));
  const core::WallTime instrument = core::from_local(core::LocalTime{year, month, day, hour, minute, second, 0, 0});
  const auto off = std::chrono::duration_cast<std::chrono::milliseconds>(instrument - core::current_clock().now()).count();
  if (std::llabs(off) > 5 * 60 * 1000) {
    if (pc::MessageBox("已经连接，时间有偏差，是否校准？", "询问", kClockQuestionFlags) == 1) {
      const core::LocalTime now = core::local_now();
      const ClockFields t{now.year, now.month, now.day, now.hour, now.minute, now.second};
      const Frame frame = ClockSetFrame(s.DeviceAddress, t);
      Timer1->SetEnabled(true);
      SendRaw(frame);
      const int pc_fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
      for (int i = 0; i < 6; ++i) edits[i]->SetText(std::to_string(pc_fields[i]));
      core::sleep_ms(30);
      Timer1->SetInterval(1000);
    }
  } else {
    pc::ShowMessage("连接成功！                 ");
  }
  s.ReplyState = ReplyState::rsModelScan;
  s.DeviceAddress = AddressFromEdit();
  SendRaw(OwnReadFrame(s.DeviceAddress, kModelRegister, 2));
  core::sleep_ms(30);
  Timer1->SetInterval(1000);
  Timer1->SetEnabled(true);
}

void Tform1::ModelReply(bool scan) {
  auto& s = state_;
  if (s.RxLength < 9) {
    if (scan) AbandonScanChain();
    return;
  }
  const std::uint8_t model = s.RxFrame[3], options = s.RxFrame[4];
  const int version = core::load_be16(&s.RxFrame[5]);
  static constexpr const char* kPrefix[] = {"", "TH", "T", "H"};
  static constexpr const char* kSeries[] = {"QRV,5万组", "QRW,13万组", "QRZ,40万组", "VKM,30万组",
                                            "VKN,30万组+SD", "VKP,40万组+SD", "ZDF,3万组", "ZDH,40万组"};
  const int high = model >> 4, low = model & 0x0F;
  std::string text = high >= 1 && high <= 3 ? kPrefix[high] : "";
  if (low >= 1 && low <= 8) {
    text += kSeries[low - 1];
    s.ExtendedCounters = low >= 4;
  } else {
    text += "QRW";
    s.ExtendedCounters = false;
  }
  Label7->SetCaption(s.ExtendedCounters ? "秒钟" : "分钟");
  if (options & 0x04) text += ",VK";
  else if (options & 0x08) text += ",PT";
  else if (options & 0x10) text += ",ZD";
  text += ",V" + std::to_string(version);
  SetStatus(7, text);
  if (!scan) {
    SetStatus(5, "正常");
    return;
  }
  SetStatus(5, "检测完成");
  SetStatus(1, "打开");
  BitBtn2->SetEnabled(false);
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{
           BitBtn3, BitBtn1, BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8, BitBtn13, BitBtn20, BitBtn33, BitBtn17,
           BitBtn21, BitBtn37, BitBtn29, BitBtn41, BitBtn42, BitBtn43, BitBtn44, BitBtn45, BitBtn49, BitBtn12, BitBtn23}) {
    c->SetEnabled(true);
  }
  ToolButton1->SetEnabled(true);
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{BitBtn14, BitBtn18, ComboBox6, ComboBox7, ComboBox8}) c->SetEnabled(false);
  CheckBox3->SetChecked(true);
  CheckBox3->SetEnabled(true);
  if (PageControl1->ActivePageIndex() != 2) {
    CheckBox10->SetChecked(true);
    CheckBox10->SetEnabled(true);
  }
  s.Connected = true;
}

}  // namespace console
