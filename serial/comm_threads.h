// The two workers of an open TComm: TReadThread waits for received bytes and line events and hands them
// to the GUI thread; TWriteThread takes blocks to send from its own queue and writes them. Both talk to
// the GUI thread only by posting notices to the component's notifier (comm_notifier.h), and both stop
// when the component's close event is set.
//
// The line has no driver-side read time-outs here, so the read thread keeps them itself: it waits
// without limit for the first byte of a block, then reads on until the block holds 1024 bytes or the
// line stays quiet for longer than the read interval (or the total read time-out passes).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/os/event.h"
#include "serial/comm_notifier.h"

namespace platform::os {
class SerialDevice;
}

namespace serial {

// The message that carries a block to the write thread (WParam length, LParam the block).
inline constexpr std::uint32_t CommMsgSend = 0x401;

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

// The write thread's queue: what the owning thread posts for sending, taken in order. Posting never
// waits; the write thread waits on the queue and the close event at once.
class TCommQueue {
 public:
  struct TMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
  };

  // Any thread; false when the message cannot be queued (a block it carries stays the caller's).
  bool Post(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam);
  // Takes the oldest message; false when none is queued.
  bool Take(TMessage& M);
  // Set exactly while messages are queued.
  const platform::os::Event& Ready() const { return ready_; }

 private:
  std::mutex mutex_;
  std::deque<TMessage> items_;
  platform::os::Event ready_;
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
              TCommNotifier& notifier, const CommTimeouts& timeouts);
  // Launches the thread; called by the most derived constructor once its members exist.
  void Create(int nice_step);
  // Waits for the thread to end. Each derived destructor calls it before its members go.
  void Join();
  virtual void Execute() = 0;
  // Posts a hang-up notice; false when even that cannot be posted.
  bool PostHangup();

  platform::os::SerialDevice& device_;
  const platform::os::Event& close_;
  TCommNotifier& notify_;
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
              TCommNotifier& notifier, const CommTimeouts& timeouts);
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
               TCommNotifier& notifier, const CommTimeouts& timeouts);
  ~TWriteThread() override;

  // The queue to post CommMsgSend blocks to.
  TCommQueue& Queue() { return queue_; }
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
  static void FreeBlock(const TCommQueue::TMessage& m);
  void DrainQueue();

  TCommQueue queue_;
  // Whether the next run dry of the queue posts CommMsgSendEmpty.
  std::atomic<bool> empty_notice_due_{true};
  std::atomic<bool> finished_{false};
};

}  // namespace serial
