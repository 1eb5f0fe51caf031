// TComm: a non-visual component that owns one serial port. It applies the line settings and time-outs
// held in its properties, sends blocks through a write thread, receives through a read thread (both in
// comm_threads.h) and raises its events on the thread that created it, through the notifier it is
// given (comm_notifier.h; the component layer's hidden window) that the workers post their notices to.
//
// Threads: every public call, every property setter and every event belong to the creating (GUI)
// thread. The workers share no data structure with it; blocks and notices travel as posted messages and
// stopping is signalled through one manual-reset close event.
//
// Errors while opening raise ECommsError; errors of a running port arrive as events, never as
// exceptions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/error.h"
#include "serial/comm_notifier.h"
#include "serial/comm_threads.h"

namespace platform::os {
class Event;
class SerialDevice;
struct LineSettings;
}  // namespace platform::os

namespace serial {

enum class TParity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : std::uint8_t { _1, _1_5, _2 };  // 1.5 stop bits go out as 2 on Linux
enum class TByteSize : std::uint8_t { _5, _6, _7, _8 };
enum class TDtrControl : std::uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : std::uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

class ECommsError : public core::Error {
 public:
  explicit ECommsError(const std::string& message) : core::Error(message) {}
};

class TComm;

using TNotifyEvent = std::function<void(TComm* Sender)>;
using TReceiveDataEvent = std::function<void(TComm* Sender, const void* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm* Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm* Sender, std::uint32_t ModemEvent)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;

class TComm {
 public:
  // `Notifier` carries the workers' notices to the creating thread; ECommsError when there is none.
  // `Owner` is kept for the component tree that owns the instance; the component does not use it.
  explicit TComm(std::unique_ptr<TCommNotifier> Notifier, void* Owner = nullptr);
  // Closes an open port first, so that no worker outlives the component.
  virtual ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  void* Owner() const { return owner_; }

  // Opens CommName with the current settings and starts both workers; raises ECommsError.
  void OpenPort();
  // Stops the read thread, then the write thread, and closes the port; nothing when closed.
  void ClosePort();
  // Queues a copy of the block for the write thread; false when no write thread runs or Length is 0.
  bool SendData(const void* Buffer, std::uint16_t Length);

  // ---- properties ----
  std::uint32_t GetComHandle() const { return com_handle_; }

  // Used at the next OpenPort. A name without '/' is a device under /dev.
  const std::string& GetCommName() const { return comm_name_; }
  void SetCommName(const std::string& v) { comm_name_ = v; }

  std::uint32_t GetBaudRate() const { return baud_rate_; }
  void SetBaudRate(std::uint32_t v);
  bool GetParityCheck() const { return parity_check_; }
  void SetParityCheck(bool v);
  bool GetOutx_CtsFlow() const { return outx_cts_flow_; }
  void SetOutx_CtsFlow(bool v);
  bool GetOutx_DsrFlow() const { return outx_dsr_flow_; }
  void SetOutx_DsrFlow(bool v);
  TDtrControl GetDtrControl() const { return dtr_control_; }
  void SetDtrControl(TDtrControl v);
  bool GetDsrSensitivity() const { return dsr_sensitivity_; }
  void SetDsrSensitivity(bool v);
  bool GetTxContinueOnXoff() const { return tx_continue_on_xoff_; }
  void SetTxContinueOnXoff(bool v);
  bool GetOutx_XonXoffFlow() const { return outx_xon_xoff_flow_; }
  void SetOutx_XonXoffFlow(bool v);
  bool GetInx_XonXoffFlow() const { return inx_xon_xoff_flow_; }
  void SetInx_XonXoffFlow(bool v);
  bool GetReplaceWhenParityError() const { return replace_when_parity_error_; }
  void SetReplaceWhenParityError(bool v);
  bool GetIgnoreNullChar() const { return ignore_null_char_; }
  void SetIgnoreNullChar(bool v);
  TRtsControl GetRtsControl() const { return rts_control_; }
  void SetRtsControl(TRtsControl v);
  std::uint16_t GetXonLimit() const { return xon_limit_; }
  void SetXonLimit(std::uint16_t v);
  std::uint16_t GetXoffLimit() const { return xoff_limit_; }
  void SetXoffLimit(std::uint16_t v);
  TByteSize GetByteSize() const { return byte_size_; }
  void SetByteSize(TByteSize v);
  // Used at the next OpenPort.
  TParity GetParity() const { return parity_; }
  void SetParity(TParity v) { parity_ = v; }
  TStopBits GetStopBits() const { return stop_bits_; }
  void SetStopBits(TStopBits v);
  char GetXonChar() const { return xon_char_; }
  void SetXonChar(char v);
  char GetXoffChar() const { return xoff_char_; }
  void SetXoffChar(char v);
  char GetReplacedChar() const { return replaced_char_; }
  void SetReplacedChar(char v);

  std::uint32_t GetReadIntervalTimeout() const { return read_interval_timeout_; }
  void SetReadIntervalTimeout(std::uint32_t v);
  std::uint32_t GetReadTotalTimeoutMultiplier() const { return read_total_timeout_multiplier_; }
  void SetReadTotalTimeoutMultiplier(std::uint32_t v);
  std::uint32_t GetReadTotalTimeoutConstant() const { return read_total_timeout_constant_; }
  void SetReadTotalTimeoutConstant(std::uint32_t v);
  std::uint32_t GetWriteTotalTimeoutMultiplier() const { return write_total_timeout_multiplier_; }
  void SetWriteTotalTimeoutMultiplier(std::uint32_t v);
  std::uint32_t GetWriteTotalTimeoutConstant() const { return write_total_timeout_constant_; }
  void SetWriteTotalTimeoutConstant(std::uint32_t v);

  // ---- events (called on the creating thread; empty = not assigned) ----
  TReceiveDataEvent OnReceiveData;
  TReceiveErrorEvent OnReceiveError;
  TModemStateChangeEvent OnModemStateChange;
  TNotifyEvent OnRequestHangup;
  TSendDataEmptyEvent OnSendDataEmpty;

  // The line settings the properties stand for, as the device takes them.
  platform::os::LineSettings DeviceSettings() const;

 protected:
  virtual void DoReceiveData(const void* Buffer, std::uint16_t BufferLength);
  virtual void DoReceiveError(std::uint32_t EventMask);
  virtual void DoModemStateChange(std::uint32_t ModemEvent);
  virtual void DoRequestHangup();
  virtual void DoSendDataEmpty();

  // Receives each notice of the workers on the creating thread and raises its event.
  void CommWndProc(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam);

 private:
  void ApplyDCB();
  void ApplyTimeouts();
  void StopReadThread();
  // Removes the notices of a closed port still queued for this thread, freeing their blocks.
  void DropQueuedNotices();
  void StopWriteThread();
  void ReleasePort();
  // Shared by the setters: store a differing value and re-apply while open.
  template <typename T>
  void SetLine(T& field, T v);
  template <typename T>
  void SetTimeout(T& field, T v);

  void* owner_ = nullptr;
  std::uint32_t com_handle_ = 0;
  std::string comm_name_ = "COM2";
  std::uint32_t baud_rate_ = 9600;
  bool parity_check_ = false;
  bool outx_cts_flow_ = true;
  bool outx_dsr_flow_ = true;
  TDtrControl dtr_control_ = TDtrControl::DtrEnable;
  bool dsr_sensitivity_ = false;
  bool tx_continue_on_xoff_ = true;
  bool outx_xon_xoff_flow_ = false;
  bool inx_xon_xoff_flow_ = false;
  bool replace_when_parity_error_ = false;
  bool ignore_null_char_ = false;
  TRtsControl rts_control_ = TRtsControl::RtsEnable;
  std::uint16_t xon_limit_ = 10;
  std::uint16_t xoff_limit_ = 10;
  TByteSize byte_size_ = TByteSize::_8;
  TParity parity_ = TParity::None;
  TStopBits stop_bits_ = TStopBits::_1;
  char xon_char_ = 17;
  char xoff_char_ = 19;
  char replaced_char_ = 0;
  std::uint32_t read_interval_timeout_ = 10;
  std::uint32_t read_total_timeout_multiplier_ = 0;
  std::uint32_t read_total_timeout_constant_ = 0;
  std::uint32_t write_total_timeout_multiplier_ = 0;
  std::uint32_t write_total_timeout_constant_ = 0;

  std::unique_ptr<platform::os::SerialDevice> device_;
  // The time-outs the workers read; the stand-in for the driver's own time-out settings.
  CommTimeouts timeouts_;
  std::unique_ptr<platform::os::Event> close_event_;
  std::unique_ptr<TReadThread> read_thread_;
  std::unique_ptr<TWriteThread> write_thread_;
  std::unique_ptr<TCommNotifier> notifier_;
};

}  // namespace serial
