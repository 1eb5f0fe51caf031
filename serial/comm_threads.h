// The two workers of an open TComm: TReadThread waits for received bytes and line events and hands them
// to the GUI thread; TWriteThread takes blocks to send from its own thread queue and writes them. Both
// talk to the GUI thread only by posting notices to the component's notify window, and both stop when
// the component's close event is set.
//
// The line has no driver-side read time-outs here, so the read thread keeps them itself: it waits
// without limit for the first byte of a block, then reads on until the block holds 1024 bytes or the
// line stays quiet for longer than the read interval (or the total read time-out passes).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/os/event.h"
#include "platform/win/win_types.h"

namespace platform::os {
class SerialDevice;
}

namespace serial {

// Notices the workers post to the notify window.
inline constexpr platform::win::UINT CommMsgReceived = 0x401;  // wParam length, lParam the block
inline constexpr platform::win::UINT CommMsgError = 0x402;     // lParam the line-error flags
inline constexpr platform::win::UINT CommMsgHangup = 0x403;
inline constexpr platform::win::UINT CommMsgModem = 0x404;  // lParam 8 carrier change, 4 ring, or both
inline constexpr platform::win::UINT CommMsgSendEmpty = 0x405;
// The thread message that carries a block to the write thread (wParam length, lParam the block).
inline constexpr platform::win::UINT CommMsgSend = 0x401;

// Largest block the read thread hands over.
inline constexpr std::size_t kReadBlockSize = 1024;
// A read interval of this value means "take what is there": no gathering after the first bytes.
inline constexpr std::uint32_t kReadIntervalNone = 0xFFFFFFFF;

// The port's time-outs in milliseconds; written by the GUI thread, read by the workers at the start of
// each block. A zero total (multiplier and constant) means no limit.
struct CommTimeoutValues {
  std::uint32_t read_interval = 0;
  std::uint32_t read_total_multiplier = 0;
  std::uint32_t read_total_constant = 0;
  std::uint32_t write_total_multiplier = 0;
  std::uint32_t write_total_constant = 0;
};

class CommTimeouts {
 public:
  void Store(const CommTimeoutValues& v);
  CommTimeoutValues Load() const;

 private:
  std::atomic<std::uint32_t> read_interval_{0};
  std::atomic<std::uint32_t> read_total_multiplier_{0};
  std::atomic<std::uint32_t> read_total_constant_{0};
  std::atomic<std::uint32_t> write_total_multiplier_{0};
  std::atomic<std::uint32_t> write_total_constant_{0};
};

// A worker created suspended: its thread exists from construction and runs Execute only after Start;
// a close event set before that ends it without running. Creation throws (std::system_error,
// core::Error) when the system has no thread or event left.
class TCommThread {
 public:
  virtual ~TCommThread();
  TCommThread(const TCommThread&) = delete;
  TCommThread& operator=(const TCommThread&) = delete;

  void Start();
  // True when the thread body has ended within `timeout`.
  bool WaitFor(platform::os::Millis timeout);
  // Marks a thread that did not end in time; the bodies do not look at it.
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }

 protected:
  TCommThread(platform::os::SerialDevice& device, const platform::os::Event& close_event,
              platform::win::HWND notify_window, const CommTimeouts& timeouts);
  // Launches the thread; called by the most derived constructor once its members exist.
  void Create(int nice_step);
  // Waits for the thread to end. Each derived destructor calls it before its members go.
  void Join();
  virtual void Execute() = 0;
  // Posts a hang-up notice; false when even that cannot be posted.
  bool PostHangup();

  platform::os::SerialDevice& device_;
  const platform::os::Event& close_;
  const platform::win::HWND notify_;
  const CommTimeouts& timeouts_;

 private:
  void Run(int nice_step);

  platform::os::Event started_;
  platform::os::Event ended_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

class TReadThread final : public TCommThread {
 public:
  TReadThread(platform::os::SerialDevice& device, const platform::os::Event& close_event,
              platform::win::HWND notify_window, const CommTimeouts& timeouts);
  ~TReadThread() override;

 protected:
  void Execute() override;

 private:
  enum class BlockResult { Delivered, Again, End };
  // Gathers one block into the buffer and hands it over.
  BlockResult ReadBlock();
  // Hands the first n bytes of the buffer to the GUI thread; false ends the thread.
  bool HandleReadData(std::size_t n);
  // Posts the line errors and modem changes the device reports; false ends the thread.
  bool HandleCommEvent();
  bool PostData(std::uint8_t* block, std::size_t n);
  bool PostError(std::uint32_t flags);
  bool PostModemState(std::uint32_t modem);

  std::uint8_t buffer_[kReadBlockSize];
};

class TWriteThread final : public TCommThread {
 public:
  // The thread's queue exists from here on, so blocks posted before the thread runs are kept.
  TWriteThread(platform::os::SerialDevice& device, const platform::os::Event& close_event,
               platform::win::HWND notify_window, const CommTimeouts& timeouts);
  ~TWriteThread() override;

  // The queue to post CommMsgSend blocks to.
  platform::win::DWORD ThreadId() const { return queue_; }
  // Set once the thread writes no more (it failed or was stopped).
  bool Finished() const { return finished_.load(); }

 protected:
  void Execute() override;

 private:
  // Takes blocks from the queue and writes them until closed or failed.
  void WriteLoop();
  // Writes the whole block; false (after a hang-up notice where one is due) ends the thread.
  bool WriteBlock(const std::uint8_t* data, std::size_t length);
  // Frees the block of a CommMsgSend message taken from the queue.
  static void FreeBlock(const platform::win::MSG& m);
  void DrainQueue();

  platform::win::DWORD queue_ = 0;
  // Whether the next run dry of the queue posts CommMsgSendEmpty.
  std::atomic<bool> empty_notice_due_{true};
  std::atomic<bool> finished_{false};
};

}  // namespace serial
