// Shared pieces of the serial component's tests: a recorder of the component's events in the order the
// GUI thread saw them, and a pump that runs the GUI thread's queue until a condition holds.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/comm_notify_window.h"
#include "platform/win/display.h"
#include "platform/win/win.h"
#include "serial/serial_port.h"

namespace serial::test {

using Bytes = std::vector<std::uint8_t>;

// The notifier the console gives its component: the component layer's hidden window.
inline std::unique_ptr<TCommNotifier> NotifyWindow() {
  return std::make_unique<platform::components::TCommNotifyWindow>();
}

struct Notice {
  enum Kind { Data, Error, Hangup, Modem, Empty } kind;
  Bytes data;               // Data: the block
  std::uint32_t value = 0;  // Error: flags; Modem: 8/4/12
};

class Recorder {
 public:
  explicit Recorder(TComm& comm) {
    comm.OnReceiveData = [this, &comm](TComm* sender, const void* buffer, std::uint16_t length) {
      const auto* p = static_cast<const std::uint8_t*>(buffer);
      if (sender != &comm) wrong_sender = true;
      if (p[length] != 0) unterminated = true;
      notices.push_back({Notice::Data, Bytes(p, p + length), 0});
    };
    comm.OnReceiveError = [this](TComm*, std::uint32_t m) { notices.push_back({Notice::Error, {}, m}); };
    comm.OnModemStateChange = [this](TComm*, std::uint32_t m) { notices.push_back({Notice::Modem, {}, m}); };
    comm.OnRequestHangup = [this](TComm*) { notices.push_back({Notice::Hangup, {}, 0}); };
    comm.OnSendDataEmpty = [this](TComm*) { notices.push_back({Notice::Empty, {}, 0}); };
  }

  int count(Notice::Kind k) const {
    int n = 0;
    for (const auto& x : notices) n += x.kind == k;
    return n;
  }
  std::vector<Bytes> blocks() const {
    std::vector<Bytes> out;
    for (const auto& x : notices)
      if (x.kind == Notice::Data) out.push_back(x.data);
    return out;
  }
  std::size_t received_bytes() const {
    std::size_t n = 0;
    for (const auto& x : notices)
      if (x.kind == Notice::Data) n += x.data.size();
    return n;
  }
  // The kinds in order, as letters: D data, E error, H hang-up, M modem, S send-empty.
  std::string trace() const {
    std::string s;
    for (const auto& x : notices) s += "DEHMS"[x.kind];
    return s;
  }

  std::vector<Notice> notices;
  bool wrong_sender = false;
  bool unterminated = false;
};

// Runs the calling (GUI) thread's messages until `done` holds or `bound` of real time passes; the bound
// is only reached when the test fails. Conditions that no message announces (a device queue running
// empty) are looked at again every millisecond.
inline bool pump_until(const std::function<bool()>& done,
                       std::chrono::milliseconds bound = std::chrono::milliseconds(5000)) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + bound;
  for (;;) {
    platform::win::ProcessPendingMessages();
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    platform::win::MsgWaitForMultipleObjects(0, nullptr, platform::win::FALSE,
                                             static_cast<platform::win::DWORD>(std::min<long long>(left, 1)),
                                             platform::win::QS_ALLINPUT);
  }
}

// Dispatches only what is queued now.
inline void pump() { platform::win::ProcessPendingMessages(); }

inline Bytes pattern(std::size_t n, std::uint8_t seed = 1) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

}  // namespace serial::test
