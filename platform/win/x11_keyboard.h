// The X11 backend's keyboard: X key events become the window system's virtual keys and characters.
// Text comes through the X input method where one runs (XIM: ibus, fcitx, or the compose tables of
// Xlib's own method), so dead keys, compose sequences and Chinese input reach the focused control.
// Internal to the X11 backend; include after the X headers.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <unordered_map>

#include "platform/win/win_types.h"

namespace platform::win::x11 {

// The virtual key of an X key symbol (0 when none stands for it).
UINT VirtualKeyOf(KeySym sym);

class Keyboard {
public:
  explicit Keyboard(::Display* dpy);
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // A top-level window was made (it then also selects what the input method needs) or goes away.
  void WindowCreated(::Window w);
  void WindowDestroyed(::Window w);
  // Whether the input method took the event (it is then not handled further).
  bool Filter(XEvent& e);
  // FocusIn, FocusOut, KeyPress, KeyRelease and MappingNotify: the keys and characters are injected
  // into the window system's input path.
  void Handle(XEvent& e);

private:
  void OpenMethod();
  XIC ContextOf(::Window w);
  static void Destroyed(XIM, XPointer self, XPointer);

  ::Display* dpy_;
  XIM im_ = nullptr;
  XIMStyle style_ = 0;
  bool reopen_ = false;
  std::unordered_map<::Window, XIC> contexts_;
  ::Window focused_ = 0;
};

}  // namespace platform::win::x11
