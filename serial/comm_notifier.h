// The hand-off between the workers of an open TComm and the thread that created the component: the
// workers post notices (received blocks, line errors, modem changes, hang-up, send-empty) from their
// own threads, and the owning thread receives them in order, one at a time, from its message loop.
// The serial library holds no window of its own: the component layer implements this interface with
// the component's hidden window (platform/components/comm_notify_window.h).
#pragma once

#include <cstdint>
#include <functional>

namespace serial {

// The notices and their parameters.
inline constexpr std::uint32_t CommMsgReceived = 0x401;  // WParam length, LParam the block (new[], NUL after it)
inline constexpr std::uint32_t CommMsgError = 0x402;     // LParam the line-error flags
inline constexpr std::uint32_t CommMsgHangup = 0x403;
inline constexpr std::uint32_t CommMsgModem = 0x404;  // LParam 8 carrier change, 4 ring, or both
inline constexpr std::uint32_t CommMsgSendEmpty = 0x405;

class TCommNotifier {
 public:
  // Called on the owning thread for each notice; it then owns what the notice carries.
  using TReceiver = std::function<void(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam)>;

  virtual ~TCommNotifier() = default;

  // Owning thread. An empty receiver discards the notices that arrive.
  virtual void SetReceiver(TReceiver Receiver) = 0;
  // Any thread: queues a notice for the owning thread. False when it cannot be queued; a block the
  // notice carries then stays the caller's.
  virtual bool Post(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) = 0;
  // Owning thread: removes the notices still queued, freeing the blocks they carry.
  virtual void DropQueued() = 0;
};

// Frees what a notice carries (the block of CommMsgReceived), for notices dropped or left without a
// receiver.
void DiscardNotice(std::uint32_t Msg, std::intptr_t LParam);

}  // namespace serial
