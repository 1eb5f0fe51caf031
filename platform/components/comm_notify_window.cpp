#include "platform/components/comm_notify_window.h"

#include "platform/win/win.h"
#include "serial/serial_port.h"

namespace platform::components {

namespace {

constexpr const char* kNotifyClass = "TCommNotifyWindow";

bool IsNotice(win::UINT msg) { return msg >= serial::CommMsgReceived && msg <= serial::CommMsgSendEmpty; }

}  // namespace

TCommNotifyWindow::TCommNotifyWindow() {
  win::WNDCLASSEX existing;
  if (!win::GetClassInfoEx(nullptr, kNotifyClass, &existing)) {
    win::WNDCLASSEX wc;
    wc.lpfnWndProc = &TCommNotifyWindow::Proc;
    wc.lpszClassName = kNotifyClass;
    win::RegisterClassEx(&wc);
  }
  hwnd_ = win::CreateWindowEx(0, kNotifyClass, "", 0, 0, 0, 0, 0, win::HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!hwnd_) throw serial::ECommsError("Unable to create the notification window");
  win::SetWindowLongPtr(hwnd_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(this));
}

TCommNotifyWindow::~TCommNotifyWindow() {
  win::SetWindowLongPtr(hwnd_, win::GWLP_USERDATA, 0);
  DropQueued();
  win::DestroyWindow(hwnd_);
}

bool TCommNotifyWindow::Post(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  return win::PostMessage(hwnd_, Msg, WParam, LParam) != 0;
}

void TCommNotifyWindow::DropQueued() {
  win::MSG m;
  while (win::PeekMessage(&m, hwnd_, serial::CommMsgReceived, serial::CommMsgSendEmpty, win::PM_REMOVE))
    serial::DiscardNotice(m.message, m.lParam);
}

win::LRESULT TCommNotifyWindow::Proc(win::HWND hwnd, win::UINT msg, win::WPARAM wparam, win::LPARAM lparam) {
  if (!IsNotice(msg)) return win::DefWindowProc(hwnd, msg, wparam, lparam);
  auto* self = reinterpret_cast<TCommNotifyWindow*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
  if (self && self->receiver_) {
    self->receiver_(msg, wparam, lparam);
  } else {
    serial::DiscardNotice(msg, lparam);  // no component left to hand it to
  }
  return 0;
}

}  // namespace platform::components
