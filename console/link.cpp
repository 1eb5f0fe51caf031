// Link handling: the port list and its refresh, connecting by hand, the automatic port and baud
// scan, disconnecting, and the reply time-out with its three retries.
#include <initializer_list>

#include "console/form_helpers.h"
#include "console/main_form.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"
#include "platform/os/port_list.h"
#include "platform/os/services.h"

namespace console {
namespace {

struct BaudRow {
  std::uint32_t baud;
  std::uint8_t index;
  std::uint32_t read_interval_ms;
  std::uint32_t scan_step_ms;
};
constexpr BaudRow kBaudTable[] = {
    {1200, 0, 160, 1500},  {2400, 1, 100, 1400},  {4800, 2, 50, 1200},      {9600, 3, 30, 1000},
    {19200, 4, 10, 800},   {115200, 5, 5, 500},   {1000000, 6, 2, 200},
};

// A baud text as the port takes it: a non-negative integer.
std::uint32_t ConvertBaud(std::string_view text) {
  const std::int32_t v = ConvertInteger(text);
  if (v < 0) throw RangeError("baud rate: " + std::to_string(v) + " is negative");
  return static_cast<std::uint32_t>(v);
}

}  // namespace

std::vector<std::string> Tform1::ReadPortNames() { return platform::os::port_lister().list_ports(); }

void Tform1::ReplacePortItems(const std::vector<std::string>& names) {
  // The combo box keeps its text, and its selection where the list still has that many items.
  const std::string text = ComboBox6->Text();
  const int index = ComboBox6->ItemIndex();
  auto& items = ComboBox6->Items();
  items.BeginUpdate();
  items.Clear();
  for (const auto& n : names) items.Add(n);
  items.EndUpdate();
  if (index < items.Count()) ComboBox6->SetItemIndex(index);
  ComboBox6->SetText(text);
}

void Tform1::ApplyBaudTable(bool scan_step) {
  const std::uint32_t baud = Comm().GetBaudRate();
  for (const BaudRow& r : kBaudTable) {
    if (r.baud != baud) continue;
    state_.BaudIndex = r.index;
    Comm().SetReadIntervalTimeout(r.read_interval_ms);
    if (scan_step) scan_step_interval_ = r.scan_step_ms;
    return;
  }
}

void Tform1::ApplyLineFormat() {
  switch (ComboBox8->ItemIndex()) {
    case 0: Comm().SetParity(serial::TParity::None); break;
    case 1: Comm().SetParity(serial::TParity::Even); break;
    case 2: Comm().SetParity(serial::TParity::Odd); break;
    default: return;
  }
  Comm().SetByteSize(serial::TByteSize::_8);
  Comm().SetStopBits(serial::TStopBits::_1);
}

std::uint8_t Tform1::AddressFromEdit() { return ConvertDeviceAddress(LabeledEdit14->Text()); }

void Tform1::SendRaw(const Frame& frame) {
  // Every new request gets its full set of retries.
  state_.RetryCount = 0;
  SendFrame(state_, writer_, frame);
}

void Tform1::ResendRequest() {
  state_.RetryCount = 0;
  SendFrame(state_, writer_, std::span<const std::uint8_t>(state_.TxFrame.data(), static_cast<std::size_t>(state_.TxLength)));
}

void Tform1::EnableConnected() {
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{
           BitBtn3, BitBtn1, BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8, BitBtn45, BitBtn41, BitBtn42, BitBtn43,
           BitBtn44, BitBtn33, BitBtn12, BitBtn23, BitBtn49, BitBtn37, BitBtn13, BitBtn17, BitBtn20, BitBtn21, BitBtn29}) {
    c->SetEnabled(true);
  }
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{BitBtn2, BitBtn14, BitBtn18, ComboBox6, ComboBox7, ComboBox8}) c->SetEnabled(false);
  ToolButton1->SetEnabled(false);
  CheckBox3->SetChecked(true);
  CheckBox3->SetEnabled(true);
  if (PageControl1->ActivePageIndex() != 2) {
    CheckBox10->SetChecked(true);
    CheckBox10->SetEnabled(true);
  }
  Timer3->SetEnabled(false);
  SetStatus(1, "打开");
  EnableNavigation();
}

void Tform1::EnableNavigation() {
  // The work panels are reached with or without a link (the TF-card panel needs none at all); a
  // reading that ends with the link leaves them as they were before it began. Only a day-file
  // export that is running holds them.
  if (!tf_exporting_) Enable({BitBtn9, BitBtn10, BitBtn11, BitBtn22}, true);
}

void Tform1::DropLink() {
  BitBtn2->SetEnabled(true);
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{
           BitBtn3, BitBtn1, BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8, BitBtn45, BitBtn41, BitBtn42, BitBtn43,
           BitBtn44, BitBtn33, BitBtn12, BitBtn23, BitBtn49, BitBtn37, BitBtn13, BitBtn14, BitBtn15, BitBtn17,
           BitBtn18, BitBtn19, BitBtn20, BitBtn21, BitBtn29, CheckBox3, CheckBox10, CheckBox5, CheckBox11}) {
    c->SetEnabled(false);
  }
  for (pc::TBitBtn* b : std::initializer_list<pc::TBitBtn*>{BitBtn1, BitBtn15, BitBtn19}) b->SetCaption("读取");
  ToolButton1->SetEnabled(true);
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{ComboBox6, ComboBox7, ComboBox8}) c->SetEnabled(true);
  PageControl1->SetEnabled(true);
  for (pc::TCheckBox* c : std::initializer_list<pc::TCheckBox*>{CheckBox3, CheckBox10, CheckBox5, CheckBox6}) c->SetChecked(false);
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  Timer6->SetEnabled(false);
  Timer3->SetEnabled(true);
  SetStatus(1, "关闭");
  state_.Connected = false;
  state_.ContinuousRead = false;
  EnableNavigation();
}

void Tform1::Timer3Timer(pc::TObject*) {
  state_.PortNamesLatest = ReadPortNames();
  ReplacePortItems(*state_.PortNamesLatest);
  if (state_.PortNamesLatest->size() != state_.PortNames.size()) {
    state_.PortNames = *state_.PortNamesLatest;
    ComboBox6->SetItemIndex(static_cast<int>(state_.PortNames.size()) - 1);
  }
  if (state_.Connected) Timer3->SetEnabled(false);
  else Timer3->SetInterval(3000);
}

void Tform1::BitBtn2Click(pc::TObject*) {
  state_.ScanBaudIndex = 0;
  const std::uint8_t address = AddressFromEdit();
  const std::uint32_t baud = ConvertBaud(ComboBox7->Text());
  state_.DeviceAddress = address;
  state_.PushRecordCount = 0;
  SetStatus(7, "记录条数:0");
  Comm().SetCommName(ComboBox6->Text());
  Comm().SetBaudRate(baud);
  ApplyBaudTable(false);
  ApplyLineFormat();
  try {
    Comm().OpenPort();
    EnableConnected();
    state_.Connected = true;
    // The probe asks whichever instrument is on the line for its address.
    state_.ReplyState = ReplyState::rsProbeManual;
    Timer1->SetEnabled(true);
    SendRaw(ProbeFrame());
    core::sleep_ms(100);
  } catch (const std::exception&) {
    pc::ShowMessage("打开端口错误,可能已被打开");
    SetStatus(1, "关闭");
    state_.Connected = false;
    Timer3->SetEnabled(true);
  }
}

void Tform1::BitBtn3Click(pc::TObject*) {
  try {
    Comm().ClosePort();
    Timer1->SetEnabled(false);
    Timer6->SetEnabled(false);
    SetStatus(1, "关闭");
    SetStatus(3, "");
    ToolButton1->SetEnabled(true);
    Timer2->SetEnabled(false);
    DropLink();
  } catch (const std::exception&) {
    pc::ShowMessage("关闭端口错误");
    SetStatus(1, "error");
  }
}

void Tform1::ToolButton1Click(pc::TObject*) { PortScan(); }

void Tform1::PortScan() {
  Comm().ClosePort();
  ToolButton1->SetEnabled(false);
  BitBtn2->SetEnabled(false);
  state_.PortNamesLatest = ReadPortNames();
  ReplacePortItems(*state_.PortNamesLatest);
  if (state_.PortNamesLatest->size() != state_.PortNames.size() && !state_.PortNames.empty()) {
    state_.PortNames = *state_.PortNamesLatest;
    ComboBox6->SetItemIndex(static_cast<int>(state_.PortNames.size()) - 1);
  }
  if (ComboBox6->Items().Count() == 0) {
    ComboBox6->SetEnabled(true);
    ComboBox7->SetEnabled(true);
    SetStatus(1, "关闭");
    Timer6->SetEnabled(false);
    ToolButton1->SetEnabled(true);
    BitBtn2->SetEnabled(true);
    SetStatus(5, "检查失败");
    pc::ShowMessage("请连接设备，检查串口参数设置！");
    return;
  }
  // A first attempt with what the port group shows.
  try {
    Comm().SetCommName(ComboBox6->Text());
    Comm().SetBaudRate(ConvertBaud(ComboBox7->Text()));
    ApplyBaudTable(false);
    ApplyLineFormat();
    Comm().OpenPort();
    core::sleep_ms(100);
    SetStatus(5, "读取中...");
    SetStatus(1, "检测中");
    state_.ReplyState = ReplyState::rsProbeScan;
    SendRaw(ProbeFrame());
  } catch (const std::exception&) {
    // The steps try every port and baud rate anyway.
  }
  state_.ScanBaudIndex = 0;
  state_.ScanPortIndex = ComboBox6->Items().Count() - 1;
  ComboBox6->SetEnabled(false);
  ComboBox7->SetEnabled(false);
  if (LabeledEdit14->Text().empty()) LabeledEdit14->SetText("1");
  state_.DeviceAddress = AddressFromEdit();
  Timer6->SetInterval(1000);
  Timer6->SetEnabled(true);
}

void Tform1::ScanFailed() {
  SetStatus(1, "关闭");
  Timer6->SetEnabled(false);
  ToolButton1->SetEnabled(true);
  BitBtn2->SetEnabled(true);
  SetStatus(5, "检测失败");
  pc::ShowMessage("连接失败,请连接仪表,检查数据线是否接触好,详细请查看帮助文档. ");
  GroupBox3->SetVisible(true);
  ComboBox6->SetEnabled(true);
  ComboBox7->SetEnabled(true);
  state_.Connected = false;
  Timer3->SetEnabled(true);
}

void Tform1::ScanStepError() {
  pc::ShowMessage("关闭端口错误");
  SetStatus(1, "error");
  Timer6->SetEnabled(false);
  ToolButton1->SetEnabled(true);
  BitBtn2->SetEnabled(true);
  SetStatus(5, "检查失败");
  ComboBox6->SetEnabled(true);
  ComboBox7->SetEnabled(true);
}

void Tform1::Timer6Timer(pc::TObject*) {
  auto next_port = [this] {
    if (state_.ScanPortIndex > 0) {
      --state_.ScanPortIndex;
      state_.ScanBaudIndex = 0;  // the next port starts again at the first baud rate
      Timer6->SetInterval(100);
      Timer6->SetEnabled(true);
    } else {
      ScanFailed();
    }
  };
  try {
    Timer6->SetEnabled(false);
    Comm().ClosePort();
    if (state_.ScanBaudIndex >= ComboBox7->Items().Count()) {
      next_port();
      return;
    }
    ComboBox7->SetItemIndex(state_.ScanBaudIndex);
    ComboBox6->SetItemIndex(state_.ScanPortIndex);
    Comm().SetCommName(ComboBox6->Items().Get(state_.ScanPortIndex));
    Comm().SetBaudRate(ConvertBaud(ComboBox7->Items().Get(state_.ScanBaudIndex)));
    scan_step_interval_ = 1500;
    ApplyBaudTable(true);
    ApplyLineFormat();
    try {
      Comm().OpenPort();
    } catch (const serial::ECommsError&) {
      next_port();
      return;
    }
    SetStatus(1, "检测中");
    state_.Connected = true;
    Timer3->SetEnabled(false);
    state_.ReplyState = ReplyState::rsProbeScan;
    Timer6->SetInterval(scan_step_interval_);
    Timer6->SetEnabled(true);
    core::sleep_ms(10);
    SendRaw(ProbeFrame());
    core::sleep_ms(10);
    SetStatus(5, "正在检查...");
    ++state_.ScanBaudIndex;
  } catch (const std::exception&) {
    ScanStepError();
  }
}

void Tform1::Timer1Timer(pc::TObject*) {
  if (state_.RetryCount < 3) {
    Comm().ClosePort();
    core::sleep_ms(10);
    try {
      Comm().OpenPort();
    } catch (const std::exception&) {
      // The reading under way is dropped: its workbook is emptied and its PDF report abandoned.
      reports_->EmptyReportWorkbook();
      reports_->AbortPdfReport();
      SetStatus(5, "端口错误");
      SetStatus(1, "关闭");
      Timer1->SetEnabled(false);
      Timer6->SetEnabled(false);
      ToolButton1->SetEnabled(true);
      Timer2->SetEnabled(false);
      DropLink();
      return;
    }
    core::sleep_ms(10);
    state_.RxAccumulatorCount = 0;
    ++state_.RetryCount;
    SendFrame(state_, writer_, std::span<const std::uint8_t>(state_.TxFrame.data(), static_cast<std::size_t>(state_.TxLength)));
    Timer1->SetInterval(2000);
    return;
  }
  state_.RetryCount = 0;
  Timer1->SetEnabled(false);
  SetStatus(5, "接收超时");
  if (state_.ReplyState == ReplyState::rsClockCheck || state_.ReplyState == ReplyState::rsModelScan) {
    // The scan's chain lost its instrument; without this the window would be left with no way to
    // connect or disconnect.
    AbandonScanChain();
    SetStatus(5, "接收超时");
    return;
  }
  if (state_.ContinuousRead) {
    // A continuous reading never gives up: the request counts as a failure and goes out again.
    ++state_.FailureCount;
    ShowReadStatistics();
    SetStatus(5, "读取中...");
    SendFrame(state_, writer_, std::span<const std::uint8_t>(state_.TxFrame.data(), static_cast<std::size_t>(state_.TxLength)));
    Timer1->SetInterval(2000);
    Timer1->SetEnabled(true);
    state_.RxAccumulatorCount = 0;
  }
}

}  // namespace console
