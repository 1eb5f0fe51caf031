// A user's keyboard and mouse on a private X server, through the XTEST extension: the server makes
// real device events of them, which reach the program under test as any typing and clicking does.
// Header-only; tests that include it link Xtst and include it last, after the X headers.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string_view>

namespace core::testing {

// The key symbol X uses for a character.
inline KeySym KeySymOf(char32_t c) {
  if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) return static_cast<KeySym>(c);
  return static_cast<KeySym>(0x01000000 | c);
}

// The key that gives `sym`, and whether it needs Shift. A symbol the keyboard map lacks is put on
// a key that has none (as tools that type arbitrary text do); 0 when there is no such key.
inline KeyCode KeyFor(::Display* dpy, KeySym sym, bool* shift) {
  *shift = false;
  KeyCode kc = XKeysymToKeycode(dpy, sym);
  if (kc) {
    if (XkbKeycodeToKeysym(dpy, kc, 0, 0) == sym) return kc;
    if (XkbKeycodeToKeysym(dpy, kc, 0, 1) == sym) {
      // The keypad's second level comes from Num Lock, which the caller sets; Shift would undo it.
      *shift = !IsKeypadKey(sym);
      return kc;
    }
  }
  int lo = 0, hi = 0, per = 0;
  XDisplayKeycodes(dpy, &lo, &hi);
  KeySym* map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(lo), hi - lo + 1, &per);
  KeyCode spare = 0;
  for (int k = hi; k >= lo && !spare; --k) {
    bool empty = true;
    for (int i = 0; i < per; ++i) empty = empty && map[(k - lo) * per + i] == NoSymbol;
    if (empty) spare = static_cast<KeyCode>(k);
  }
  XFree(map);
  if (!spare) return 0;
  KeySym both[2] = {sym, sym};
  XChangeKeyboardMapping(dpy, spare, 2, both, 1);
  XSync(dpy, False);
  return spare;
}

// Presses and releases the key of `sym` (with Shift where it needs it).
inline bool TapKey(::Display* dpy, KeySym sym) {
  bool shift = false;
  const KeyCode kc = KeyFor(dpy, sym, &shift);
  if (!kc) return false;
  const KeyCode shift_kc = XKeysymToKeycode(dpy, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(dpy, shift_kc, True, CurrentTime);
  XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
  XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(dpy, shift_kc, False, CurrentTime);
  XSync(dpy, False);
  return true;
}

// Types every character of `text` with its key.
inline bool TypeText(::Display* dpy, std::u32string_view text) {
  for (char32_t c : text)
    if (!TapKey(dpy, KeySymOf(c))) return false;
  return true;
}

// Moves the pointer to (x, y) on the screen and clicks `button` there.
inline void ClickAt(::Display* dpy, int x, int y, unsigned button = 1) {
  XTestFakeMotionEvent(dpy, 0, x, y, CurrentTime);
  XTestFakeButtonEvent(dpy, button, True, CurrentTime);
  XTestFakeButtonEvent(dpy, button, False, CurrentTime);
  XSync(dpy, False);
}

}  // namespace core::testing
