#include "serial/comm_threads.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "platform/os/serial_device.h"

namespace serial {

namespace os = platform::os;

namespace {

// The read and write time-outs run on the line's own (real) time: the device waits in poll, which no
// virtual clock can shorten.
using Steady = std::chrono::steady_clock;

// Raises the calling thread's scheduling priority by `step` nice levels where the system allows it
// (lowering nice needs privilege; without it the thread keeps the process's priority).
void raise_priority(int step) {
  if (step <= 0) return;
  const id_t tid = static_cast<id_t>(::gettid());
  errno = 0;
  const int current = ::getpriority(PRIO_PROCESS, tid);
  if (errno != 0) return;
  ::setpriority(PRIO_PROCESS, tid, std::max(current - step, -20));
}

// Milliseconds left of a total time-out that started at `start`; 0 when it has passed.
std::int64_t remaining_ms(Steady::time_point start, std::uint64_t total_ms) {
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
  const auto left = static_cast<std::int64_t>(total_ms) - spent;
  return left > 0 ? left : 0;
}

}  // namespace

// ---- CommTimeouts ----

void CommTimeouts::Store(const CommTimeoutValues& v) {
  read_interval_.store(v.read_interval);
  read_total_multiplier_.store(v.read_total_multiplier);
  read_total_constant_.store(v.read_total_constant);
  write_total_multiplier_.store(v.write_total_multiplier);
  write_total_constant_.store(v.write_total_constant);
}

CommTimeoutValues CommTimeouts::Load() const {
  CommTimeoutValues v;
  v.read_interval = read_interval_.load();
  v.read_total_multiplier = read_total_multiplier_.load();
  v.read_total_constant = read_total_constant_.load();
  v.write_total_multiplier = write_total_multiplier_.load();
  v.write_total_constant = write_total_constant_.load();
  return v;
}

// ---- TCommQueue ----

bool TCommQueue::Post(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  const std::lock_guard<std::mutex> lock(mutex_);
  try {
    items_.push_back(TMessage{Msg, WParam, LParam});
  } catch (const std::bad_alloc&) {
    return false;
  }
  ready_.set();
  return true;
}

bool TCommQueue::Take(TMessage& M) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (items_.empty()) return false;
  M = items_.front();
  items_.pop_front();
  if (items_.empty()) ready_.reset();
  return true;
}

// ---- TCommThread ----

TCommThread::TCommThread(os::SerialDevice& device, const os::Event& close_event, TCommNotifier& notifier,
                         const CommTimeouts& timeouts)
    : device_(device), close_(close_event), notify_(notifier), timeouts_(timeouts) {}

TCommThread::~TCommThread() { Join(); }

void TCommThread::Create(int nice_step) {
  thread_ = std::thread([this, nice_step] { Run(nice_step); });
}

void TCommThread::Start() { started_.set(); }

bool TCommThread::WaitFor(os::Millis timeout) { return os::wait_any({&ended_}, timeout) == 0; }

void TCommThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TCommThread::Run(int nice_step) {
  // Suspended until started; a close that comes first ends the thread without running its body.
  if (os::wait_any({&close_, &started_}) == 1) {
    raise_priority(nice_step);
    try {
      Execute();
    } catch (...) {
      // Nothing may escape a worker; a failure it did not foresee is a failed line.
      PostHangup();
    }
  }
  ended_.set();
}

bool TCommThread::PostHangup() { return notify_.Post(CommMsgHangup, 0, 0); }

// ---- TReadThread ----

TReadThread::TReadThread(os::SerialDevice& device, const os::Event& close_event, TCommNotifier& notifier,
                         const CommTimeouts& timeouts)
    : TCommThread(device, close_event, notifier, timeouts) {
  // The highest priority below time-critical: two steps above normal.
  Create(2);
}

TReadThread::~TReadThread() { Join(); }

void TReadThread::Execute() {
  while (ReadBlock() != BlockResult::End) {
  }
  device_.purge(os::kPurgeRxAbort | os::kPurgeRxClear);
}

TReadThread::BlockResult TReadThread::ReadBlock() {
  const CommTimeoutValues t = timeouts_.Load();
  const bool has_total = t.read_total_multiplier != 0 || t.read_total_constant != 0;
  const std::uint64_t total_ms =
      static_cast<std::uint64_t>(t.read_total_multiplier) * kReadBlockSize + t.read_total_constant;
  const Steady::time_point start = Steady::now();
  std::size_t n = 0;
  const auto deliver = [&]() { return HandleReadData(n) ? BlockResult::Delivered : BlockResult::End; };

  for (;;) {
    os::Millis wait = os::kInfinite;
    if (n > 0) {
      if (t.read_interval == kReadIntervalNone) return deliver();
      if (t.read_interval != 0) wait = os::Millis(t.read_interval);
    }
    if (has_total) {
      const std::int64_t left = remaining_ms(start, total_ms);
      if (left == 0) return n > 0 ? deliver() : BlockResult::Again;
      wait = wait == os::kInfinite ? os::Millis(left) : std::min(wait, os::Millis(left));
    }
    switch (device_.wait_read(&close_, wait)) {
      case os::SerialWait::Stop: return BlockResult::End;  // the quiet end
      case os::SerialWait::LineEvent:
        if (!HandleCommEvent()) return BlockResult::End;
        continue;
      case os::SerialWait::Aborted:
        // Only closing aborts the read side; an abort from elsewhere is a failed read.
        if (!close_.is_set()) PostHangup();
        return BlockResult::End;
      case os::SerialWait::Timeout:
        // A gap longer than the interval, or the total time-out: the block ends here. A total time-out
        // with nothing received starts the next read rather than leaving the line unread.
        return n > 0 ? deliver() : BlockResult::Again;
      case os::SerialWait::Ready: break;
    }
    const os::IoResult r = device_.read(std::span<std::uint8_t>(buffer_ + n, kReadBlockSize - n));
    switch (r.status) {
      case os::IoStatus::Ok:
        n += r.count;
        if (n >= kReadBlockSize) return deliver();
        continue;
      case os::IoStatus::WouldBlock: continue;
      case os::IoStatus::Closed: return BlockResult::End;  // closed under the read: quiet
      case os::IoStatus::Hangup:
      case os::IoStatus::Error:
        // What arrived before the line went away is still handed over.
        if (n > 0 && !HandleReadData(n)) return BlockResult::End;
        PostHangup();
        return BlockResult::End;
    }
  }
}

bool TReadThread::HandleReadData(std::size_t n) {
  if (n == 0) return false;
  auto* block = new (std::nothrow) std::uint8_t[n + 1]();
  if (!block) {
    PostHangup();
    return false;
  }
  std::memcpy(block, buffer_, n);
  block[n] = 0;
  return PostData(block, n);
}

bool TReadThread::HandleCommEvent() {
  const os::LineEvents ev = device_.take_line_events();
  bool result = false;
  if (ev.errors != 0) {
    if (!PostError(ev.errors)) return false;
    result = true;
  }
  std::uint32_t modem = 0;
  if (ev.modem & os::kModemCarrierChanged) modem |= 8;
  if (ev.modem & os::kModemRing) modem |= 4;
  if (modem != 0) {
    if (!PostModemState(modem)) return false;
    result = true;
  }
  if (!result) PostHangup();  // an event with none of the bits asked for
  return result;
}

bool TReadThread::PostData(std::uint8_t* block, std::size_t n) {
  if (notify_.Post(CommMsgReceived, static_cast<std::uintptr_t>(n), reinterpret_cast<std::intptr_t>(block)))
    return true;
  delete[] block;  // never posted, so still ours
  PostHangup();
  return false;
}

bool TReadThread::PostError(std::uint32_t flags) {
  if (notify_.Post(CommMsgError, 0, static_cast<std::intptr_t>(flags))) return true;
  PostHangup();
  return false;
}

bool TReadThread::PostModemState(std::uint32_t modem) {
  if (notify_.Post(CommMsgModem, 0, static_cast<std::intptr_t>(modem))) return true;
  PostHangup();
  return false;
}

// ---- TWriteThread ----

TWriteThread::TWriteThread(os::SerialDevice& device, const os::Event& close_event, TCommNotifier& notifier,
                           const CommTimeouts& timeouts)
    : TCommThread(device, close_event, notifier, timeouts) {
  // One step above normal.
  Create(1);
}

TWriteThread::~TWriteThread() {
  Join();
  // Blocks of a thread that never ran its body are still queued.
  TCommQueue::TMessage m;
  while (queue_.Take(m)) FreeBlock(m);
}

void TWriteThread::FreeBlock(const TCommQueue::TMessage& m) {
  if (m.message == CommMsgSend) delete[] reinterpret_cast<std::uint8_t*>(m.lParam);
}

void TWriteThread::Execute() {
  try {
    WriteLoop();
  } catch (...) {
    PostHangup();
  }
  finished_.store(true);
  device_.purge(os::kPurgeTxAbort | os::kPurgeTxClear);
  DrainQueue();
}

void TWriteThread::WriteLoop() {
  empty_notice_due_.store(true);
  TCommQueue::TMessage m;
  for (;;) {
    if (!queue_.Take(m)) {
      if (empty_notice_due_.exchange(false)) {
        if (!notify_.Post(CommMsgSendEmpty, 0, 0)) {
          PostHangup();
          break;
        }
      }
      const int w = os::wait_any({&close_, &queue_.Ready()});
      if (w == 0) break;
      if (w == 1) continue;
      PostHangup();
      break;
    }
    if (close_.is_set()) {
      FreeBlock(m);
      break;
    }
    if (m.message != CommMsgSend) continue;
    std::unique_ptr<std::uint8_t[]> block(reinterpret_cast<std::uint8_t*>(m.lParam));
    if (!WriteBlock(block.get(), static_cast<std::size_t>(m.wParam))) break;
    empty_notice_due_.store(true);
  }
}

void TWriteThread::DrainQueue() {
  // Nothing is written any more, but blocks posted before the component saw the end still arrive;
  // they are freed here until the close event says that no more can come.
  TCommQueue::TMessage m;
  for (;;) {
    while (queue_.Take(m)) FreeBlock(m);
    if (close_.is_set()) break;
    os::wait_any({&close_, &queue_.Ready()});
  }
  while (queue_.Take(m)) FreeBlock(m);
}

bool TWriteThread::WriteBlock(const std::uint8_t* data, std::size_t length) {
  const CommTimeoutValues t = timeouts_.Load();
  const bool has_total = t.write_total_multiplier != 0 || t.write_total_constant != 0;
  const std::uint64_t total_ms =
      static_cast<std::uint64_t>(t.write_total_multiplier) * length + t.write_total_constant;
  const Steady::time_point start = Steady::now();
  std::size_t written = 0;
  while (written < length) {
    if (close_.is_set()) return false;
    const os::IoResult r = device_.write(std::span<const std::uint8_t>(data + written, length - written));
    switch (r.status) {
      case os::IoStatus::Ok: written += r.count; continue;
      case os::IoStatus::WouldBlock: break;
      case os::IoStatus::Closed: return false;  // closed under the write: quiet
      case os::IoStatus::Hangup:
      case os::IoStatus::Error: PostHangup(); return false;
    }
    os::Millis wait = os::kInfinite;
    if (has_total) {
      const std::int64_t left = remaining_ms(start, total_ms);
      if (left == 0) {
        PostHangup();  // a short write
        return false;
      }
      wait = os::Millis(left);
    }
    switch (device_.wait_write(&close_, wait)) {
      case os::SerialWait::Stop: return false;
      case os::SerialWait::Aborted:
        if (!close_.is_set()) PostHangup();
        return false;
      case os::SerialWait::Timeout: PostHangup(); return false;  // a short write
      case os::SerialWait::LineEvent:
      case os::SerialWait::Ready: break;
    }
  }
  return true;
}

}  // namespace serial
