#include "serial/serial_port.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <new>

#include "platform/os/event.h"
#include "platform/os/serial_device.h"
#include "platform/os/services.h"

namespace serial {

namespace os = platform::os;

namespace {

// How long closing waits for each worker before marking it as not ending.
constexpr os::Millis kStopWait{10000};

// Handles are numbered per process and never 0, which stands for "closed".
std::uint32_t next_handle() {
  static std::atomic<std::uint32_t> counter{0};
  std::uint32_t h = 0;
  while (h == 0) h = ++counter;
  return h;
}

}  // namespace

void DiscardNotice(std::uint32_t Msg, std::intptr_t LParam) {
  if (Msg == CommMsgReceived) delete[] reinterpret_cast<std::uint8_t*>(LParam);
}

TComm::TComm(std::unique_ptr<TCommNotifier> Notifier, void* Owner) : owner_(Owner), notifier_(std::move(Notifier)) {
  if (!notifier_) throw ECommsError("Unable to create the notification window");
  notifier_->SetReceiver([this](std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) {
    CommWndProc(Msg, WParam, LParam);
  });
}

TComm::~TComm() {
  try {
    ClosePort();
  } catch (...) {
    // Closing raises nothing of its own; a failing platform call must not escape a destructor.
  }
  notifier_->SetReceiver(nullptr);
  DropQueuedNotices();
}

// ---- opening and closing ----

void TComm::OpenPort() {
  if (com_handle_ != 0) throw ECommsError("This serial port already opened");
  std::unique_ptr<os::SerialDevice> device;
  try {
    device = os::serial_opener().open(comm_name_);
  } catch (const os::SerialError& e) {
    if (e.kind() == os::SerialErrorKind::NotSerial) throw ECommsError("File handle is not a comm handle ");
    throw ECommsError("Error opening serial port");
  }
  if (!device) throw ECommsError("Error opening serial port");
  if (!device->setup_queues(2048, 1024)) {
    device->close();
    throw ECommsError("Cannot setup comm buffer");
  }
  device_ = std::move(device);
  com_handle_ = next_handle();
  device_->purge(os::kPurgeTxAbort | os::kPurgeRxAbort | os::kPurgeTxClear | os::kPurgeRxClear);
  ApplyTimeouts();
  ApplyDCB();

  try {
    close_event_ = std::make_unique<os::Event>(false);
  } catch (const std::exception&) {
    ReleasePort();
    throw ECommsError("Unable to create event");
  }
  try {
    read_thread_ = std::make_unique<TReadThread>(*device_, *close_event_, *notifier_, timeouts_);
  } catch (const std::exception&) {
    read_thread_.reset();
    close_event_.reset();
    ReleasePort();
    throw ECommsError("Unable to create read thread");
  }
  try {
    write_thread_ = std::make_unique<TWriteThread>(*device_, *close_event_, *notifier_, timeouts_);
  } catch (const std::exception&) {
    StopReadThread();
    write_thread_.reset();
    close_event_.reset();
    ReleasePort();
    throw ECommsError("Unable to create write thread");
  }
  read_thread_->Start();
  write_thread_->Start();
}

void TComm::ReleasePort() {
  if (device_) {
    device_->close();
    device_.reset();
  }
  com_handle_ = 0;
}

void TComm::ClosePort() {
  if (com_handle_ == 0) return;
  StopReadThread();
  StopWriteThread();
  close_event_.reset();
  ReleasePort();
  // Bytes and notices of the closed line must not reach the owner after the close: a port reopened
  // at another speed would take them for replies of the new line.
  DropQueuedNotices();
}

void TComm::DropQueuedNotices() { notifier_->DropQueued(); }

void TComm::StopReadThread() {
  if (!read_thread_) return;
  close_event_->set();
  device_->purge(os::kPurgeRxAbort | os::kPurgeRxClear);
  if (!read_thread_->WaitFor(kStopWait)) read_thread_->Terminate();
  read_thread_.reset();  // waits for the end
}

void TComm::StopWriteThread() {
  if (!write_thread_) return;
  close_event_->set();
  device_->purge(os::kPurgeTxAbort | os::kPurgeTxClear);
  if (!write_thread_->WaitFor(kStopWait)) write_thread_->Terminate();
  write_thread_.reset();
}

bool TComm::SendData(const void* Buffer, std::uint16_t Length) {
  if (!write_thread_ || write_thread_->Finished() || Length == 0 || !Buffer) return false;
  auto* block = new (std::nothrow) std::uint8_t[std::size_t{Length} + 1]();
  if (!block) return false;
  std::memcpy(block, Buffer, Length);
  if (write_thread_->Queue().Post(CommMsgSend, Length, reinterpret_cast<std::intptr_t>(block))) return true;
  delete[] block;
  return false;
}

// ---- settings ----

os::LineSettings TComm::DeviceSettings() const {
  os::LineSettings s;
  s.baud_rate = baud_rate_;
  s.byte_size = static_cast<std::uint8_t>(static_cast<unsigned>(byte_size_) + 5);
  s.parity = static_cast<os::Parity>(parity_);
  s.stop_bits = static_cast<os::StopBits>(stop_bits_);
  s.parity_check = parity_check_;
  s.cts_flow = outx_cts_flow_;
  switch (dtr_control_) {
    case TDtrControl::DtrEnable: s.dtr = os::DtrControl::Enable; break;
    case TDtrControl::DtrDisable: s.dtr = os::DtrControl::Disable; break;
    case TDtrControl::DtrHandshake: s.dtr = os::DtrControl::Handshake; break;
  }
  switch (rts_control_) {
    case TRtsControl::RtsEnable: s.rts = os::RtsControl::Enable; break;
    case TRtsControl::RtsDisable: s.rts = os::RtsControl::Disable; break;
    case TRtsControl::RtsHandshake: s.rts = os::RtsControl::Handshake; break;
    case TRtsControl::RtsTransmissionAvailable: s.rts = os::RtsControl::Toggle; break;
  }
  s.xon_xoff_out = outx_xon_xoff_flow_;
  s.xon_xoff_in = inx_xon_xoff_flow_;
  s.ignore_null = ignore_null_char_;
  s.xon_char = static_cast<std::uint8_t>(xon_char_);
  s.xoff_char = static_cast<std::uint8_t>(xoff_char_);
  s.dsr_flow = outx_dsr_flow_;
  s.dsr_sensitivity = dsr_sensitivity_;
  s.tx_continue_on_xoff = tx_continue_on_xoff_;
  s.replace_parity_errors = replace_when_parity_error_;
  s.error_char = static_cast<std::uint8_t>(replaced_char_);
  s.xon_limit = xon_limit_;
  s.xoff_limit = xoff_limit_;
  return s;
}

void TComm::ApplyDCB() {
  if (!device_) return;
  try {
    device_->configure(DeviceSettings());
  } catch (const os::SerialError&) {
    // As with the driver's own settings call, a refused setting leaves the line as it was.
  }
}

void TComm::ApplyTimeouts() {
  CommTimeoutValues v;
  v.read_interval = read_interval_timeout_;
  v.read_total_multiplier = read_total_timeout_multiplier_;
  v.read_total_constant = read_total_timeout_constant_;
  v.write_total_multiplier = write_total_timeout_multiplier_;
  v.write_total_constant = write_total_timeout_constant_;
  timeouts_.Store(v);
}

template <typename T>
void TComm::SetLine(T& field, T v) {
  if (field == v) return;
  field = v;
  if (com_handle_ != 0) ApplyDCB();
}

template <typename T>
void TComm::SetTimeout(T& field, T v) {
  if (field == v) return;
  field = v;
  if (com_handle_ != 0) ApplyTimeouts();
}

void TComm::SetBaudRate(std::uint32_t v) { SetLine(baud_rate_, v); }
void TComm::SetParityCheck(bool v) { SetLine(parity_check_, v); }
void TComm::SetOutx_CtsFlow(bool v) { SetLine(outx_cts_flow_, v); }
void TComm::SetOutx_DsrFlow(bool v) { SetLine(outx_dsr_flow_, v); }
void TComm::SetDtrControl(TDtrControl v) { SetLine(dtr_control_, v); }
void TComm::SetDsrSensitivity(bool v) { SetLine(dsr_sensitivity_, v); }
void TComm::SetTxContinueOnXoff(bool v) { SetLine(tx_continue_on_xoff_, v); }
void TComm::SetOutx_XonXoffFlow(bool v) { SetLine(outx_xon_xoff_flow_, v); }
void TComm::SetInx_XonXoffFlow(bool v) { SetLine(inx_xon_xoff_flow_, v); }
void TComm::SetReplaceWhenParityError(bool v) { SetLine(replace_when_parity_error_, v); }
void TComm::SetIgnoreNullChar(bool v) { SetLine(ignore_null_char_, v); }
void TComm::SetRtsControl(TRtsControl v) { SetLine(rts_control_, v); }
void TComm::SetXonLimit(std::uint16_t v) { SetLine(xon_limit_, v); }
void TComm::SetXoffLimit(std::uint16_t v) { SetLine(xoff_limit_, v); }
void TComm::SetByteSize(TByteSize v) { SetLine(byte_size_, v); }
void TComm::SetStopBits(TStopBits v) { SetLine(stop_bits_, v); }
void TComm::SetXonChar(char v) { SetLine(xon_char_, v); }
void TComm::SetXoffChar(char v) { SetLine(xoff_char_, v); }
void TComm::SetReplacedChar(char v) { SetLine(replaced_char_, v); }
void TComm::SetReadIntervalTimeout(std::uint32_t v) { SetTimeout(read_interval_timeout_, v); }
void TComm::SetReadTotalTimeoutMultiplier(std::uint32_t v) { SetTimeout(read_total_timeout_multiplier_, v); }
void TComm::SetReadTotalTimeoutConstant(std::uint32_t v) { SetTimeout(read_total_timeout_constant_, v); }
void TComm::SetWriteTotalTimeoutMultiplier(std::uint32_t v) {
  SetTimeout(write_total_timeout_multiplier_, v);
}
void TComm::SetWriteTotalTimeoutConstant(std::uint32_t v) { SetTimeout(write_total_timeout_constant_, v); }

// ---- events ----

void TComm::DoReceiveData(const void* Buffer, std::uint16_t BufferLength) {
  if (OnReceiveData) OnReceiveData(this, Buffer, BufferLength);
}
void TComm::DoReceiveError(std::uint32_t EventMask) {
  if (OnReceiveError) OnReceiveError(this, EventMask);
}
void TComm::DoModemStateChange(std::uint32_t ModemEvent) {
  if (OnModemStateChange) OnModemStateChange(this, ModemEvent);
}
void TComm::DoRequestHangup() {
  if (OnRequestHangup) OnRequestHangup(this);
}
void TComm::DoSendDataEmpty() {
  if (OnSendDataEmpty) OnSendDataEmpty(this);
}

void TComm::CommWndProc(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  switch (Msg) {
    case CommMsgReceived: {
      // Freed when the handler returns, also when it raises.
      std::unique_ptr<std::uint8_t[]> block(reinterpret_cast<std::uint8_t*>(LParam));
      DoReceiveData(block.get(), static_cast<std::uint16_t>(WParam));
      return;
    }
    case CommMsgError: DoReceiveError(static_cast<std::uint32_t>(LParam)); return;
    case CommMsgHangup: DoRequestHangup(); return;
    case CommMsgModem: DoModemStateChange(static_cast<std::uint32_t>(LParam)); return;
    case CommMsgSendEmpty: DoSendDataEmpty(); return;
    default: return;
  }
}

}  // namespace serial
