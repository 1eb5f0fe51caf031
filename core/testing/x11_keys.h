// Keys sent to a window of a private X server as X key events, so that the program under test
// handles them through its own input path. Header-only: only tests that link X11 include it, and
// they include it last, after the X headers, whose macros clash with other headers.
#pragma once

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace core::testing {

// Alt+F4 to `window`: Alt down, F4 down and up with Alt held, Alt up; then waits for the server to
// have taken them.
inline void SendAltF4(::Display* dpy, ::Window window) {
  auto key = [&](KeySym ks, bool press, unsigned state) {
    XEvent e{};
    e.xkey.type = press ? KeyPress : KeyRelease;
    e.xkey.display = dpy;
    e.xkey.window = window;
    e.xkey.root = RootWindow(dpy, 0);
    e.xkey.state = state;
    e.xkey.keycode = XKeysymToKeycode(dpy, ks);
    e.xkey.same_screen = True;
    XSendEvent(dpy, window, True, press ? KeyPressMask : KeyReleaseMask, &e);
  };
  key(XK_Alt_L, true, 0);
  key(XK_F4, true, Mod1Mask);
  key(XK_F4, false, Mod1Mask);
  key(XK_Alt_L, false, Mod1Mask);
  XSync(dpy, False);
}

}  // namespace core::testing
