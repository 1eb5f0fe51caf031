// The serial component's notify window: a hidden message-only window of the thread that creates it.
// The serial workers post their notices to it from their own threads; its window procedure hands each
// to the component's receiver on the creating thread, in order, from that thread's message loop.
#pragma once

#include "platform/win/win_types.h"
#include "serial/comm_notifier.h"

namespace platform::components {

class TCommNotifyWindow final : public serial::TCommNotifier {
public:
  // Raises serial::ECommsError "Unable to create the notification window" when the window system
  // refuses the window.
  TCommNotifyWindow();
  // Frees the blocks of notices still queued, then the window.
  ~TCommNotifyWindow() override;
  TCommNotifyWindow(const TCommNotifyWindow&) = delete;
  TCommNotifyWindow& operator=(const TCommNotifyWindow&) = delete;

  void SetReceiver(TReceiver Receiver) override { receiver_ = std::move(Receiver); }
  bool Post(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) override;
  void DropQueued() override;

  win::HWND Handle() const { return hwnd_; }

private:
  static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM wparam, win::LPARAM lparam);

  win::HWND hwnd_ = nullptr;
  TReceiver receiver_;
};

}  // namespace platform::components
