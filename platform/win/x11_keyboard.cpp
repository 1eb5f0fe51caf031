#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>

#include "core/unicode.h"
#include "platform/win/win.h"
#include "platform/win/x11_keyboard.h"

namespace platform::win::x11 {

UINT VirtualKeyOf(KeySym ks) {
  if (ks >= XK_a && ks <= XK_z) return static_cast<UINT>('A' + (ks - XK_a));
  if (ks >= XK_A && ks <= XK_Z) return static_cast<UINT>('A' + (ks - XK_A));
  if (ks >= XK_0 && ks <= XK_9) return static_cast<UINT>('0' + (ks - XK_0));
  if (ks >= XK_KP_0 && ks <= XK_KP_9) return static_cast<UINT>(VK_NUMPAD0 + (ks - XK_KP_0));
  if (ks >= XK_F1 && ks <= XK_F12) return static_cast<UINT>(VK_F1 + (ks - XK_F1));
  switch (ks) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_Tab: case XK_ISO_Left_Tab: case XK_KP_Tab: return VK_TAB;
    case XK_BackSpace: return VK_BACK;
    case XK_space: case XK_KP_Space: return VK_SPACE;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_KP_Begin: return VK_CLEAR;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Separator: return VK_SEPARATOR;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_KP_Equal: return VK_OEM_PLUS;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Pause: return VK_PAUSE;
    case XK_Print: return VK_SNAPSHOT;
    case XK_Menu: return VK_APPS;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return VK_MENU;
    case XK_semicolon: case XK_colon: return VK_OEM_1;
    case XK_equal: case XK_plus: return VK_OEM_PLUS;
    case XK_comma: case XK_less: return VK_OEM_COMMA;
    case XK_minus: case XK_underscore: return VK_OEM_MINUS;
    case XK_period: case XK_greater: return VK_OEM_PERIOD;
    case XK_slash: case XK_question: return VK_OEM_2;
    case XK_grave: case XK_asciitilde: return VK_OEM_3;
    case XK_bracketleft: case XK_braceleft: return VK_OEM_4;
    case XK_backslash: case XK_bar: return VK_OEM_5;
    case XK_bracketright: case XK_braceright: return VK_OEM_6;
    case XK_apostrophe: case XK_quotedbl: return VK_OEM_7;
    default: return 0;
  }
}

namespace {

// The input method works in a UTF-8 character type (the host's when it is one), so that text of
// every script comes back as UTF-8; the process's own character type is put back afterwards.
class Utf8CharacterType {
public:
  Utf8CharacterType() {
    if (const char* cur = std::setlocale(LC_CTYPE, nullptr)) old_ = cur;
    const char* host = std::setlocale(LC_CTYPE, "");
    if (!host || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
  }
  ~Utf8CharacterType() { std::setlocale(LC_CTYPE, old_.c_str()); }
  Utf8CharacterType(const Utf8CharacterType&) = delete;
  Utf8CharacterType& operator=(const Utf8CharacterType&) = delete;

private:
  std::string old_ = "C";
};

std::u32string Decode(const std::string& utf8) {
  std::u32string out;
  for (char32_t c : core::utf8_to_utf32(utf8))
    if (c != 0x7F) out.push_back(c);  // Delete edits; it types nothing
  return out;
}

}  // namespace

Keyboard::Keyboard(::Display* dpy) : dpy_(dpy) { OpenMethod(); }

Keyboard::~Keyboard() {
  for (auto& [w, ic] : contexts_) XDestroyIC(ic);
  if (im_) XCloseIM(im_);
}

void Keyboard::OpenMethod() {
  Utf8CharacterType ctype;
  if (!XSupportsLocale()) return;
  // The method the user's session names (XMODIFIERS), else Xlib's own compose tables.
  XSetLocaleModifiers("");
  im_ = XOpenIM(dpy_, nullptr, nullptr, nullptr);
  if (!im_) {
    XSetLocaleModifiers("@im=none");
    im_ = XOpenIM(dpy_, nullptr, nullptr, nullptr);
  }
  if (!im_) return;
  XIMStyles* styles = nullptr;
  if (XGetIMValues(im_, XNQueryInputStyle, &styles, nullptr) == nullptr && styles) {
    const XIMStyle wanted[] = {XIMPreeditNothing | XIMStatusNothing, XIMPreeditNone | XIMStatusNone};
    for (XIMStyle w : wanted) {
      for (unsigned short i = 0; i < styles->count_styles && !style_; ++i)
        if (styles->supported_styles[i] == w) style_ = w;
    }
    XFree(styles);
  }
  if (!style_) {
    XCloseIM(im_);
    im_ = nullptr;
    return;
  }
  XIMCallback gone{reinterpret_cast<XPointer>(this), &Keyboard::Destroyed};
  XSetIMValues(im_, XNDestroyCallback, &gone, nullptr);
}

// The input method's server went away and its contexts with it; the next event opens a method
// again (Xlib's own when the server is not back).
void Keyboard::Destroyed(XIM, XPointer self, XPointer) {
  auto* k = reinterpret_cast<Keyboard*>(self);
  k->contexts_.clear();
  k->im_ = nullptr;
  k->style_ = 0;
  k->reopen_ = true;
}

XIC Keyboard::ContextOf(::Window w) {
  if (!im_ || !w) return nullptr;
  if (auto it = contexts_.find(w); it != contexts_.end()) return it->second;
  XIC ic = XCreateIC(im_, XNInputStyle, style_, XNClientWindow, w, XNFocusWindow, w, nullptr);
  if (!ic) return nullptr;
  contexts_[w] = ic;
  long extra = 0;
  if (XGetICValues(ic, XNFilterEvents, &extra, nullptr) == nullptr && extra) {
    XWindowAttributes wa;
    if (XGetWindowAttributes(dpy_, w, &wa)) XSelectInput(dpy_, w, wa.your_event_mask | extra);
  }
  return ic;
}

void Keyboard::WindowCreated(::Window w) { ContextOf(w); }

void Keyboard::WindowDestroyed(::Window w) {
  auto it = contexts_.find(w);
  if (it == contexts_.end()) return;
  XDestroyIC(it->second);
  contexts_.erase(it);
  if (focused_ == w) focused_ = 0;
}

bool Keyboard::Filter(XEvent& e) {
  if (reopen_) {
    reopen_ = false;
    OpenMethod();
  }
  return XFilterEvent(&e, None) == True;
}

void Keyboard::Handle(XEvent& e) {
  switch (e.type) {
    case MappingNotify:
      XRefreshKeyboardMapping(&e.xmapping);
      return;
    case FocusIn:
      if (XIC ic = ContextOf(e.xfocus.window)) XSetICFocus(ic);
      focused_ = e.xfocus.window;
      return;
    case FocusOut:
      if (auto it = contexts_.find(e.xfocus.window); it != contexts_.end()) XUnsetICFocus(it->second);
      return;
    case KeyPress:
    case KeyRelease:
      break;
    default:
      return;
  }
  XKeyEvent& k = e.xkey;
  const bool press = e.type == KeyPress;
  KeySym sym = NoSymbol;
  std::string text;
  XIC ic = press ? ContextOf(k.window) : nullptr;
  if (ic) {
    char buf[64];
    Status st = 0;
    int n = Xutf8LookupString(ic, &k, buf, sizeof buf, &sym, &st);
    if (st == XBufferOverflow) {
      text.resize(static_cast<std::size_t>(n));
      n = Xutf8LookupString(ic, &k, text.data(), n, &sym, &st);
      text.resize(static_cast<std::size_t>(std::max(n, 0)));
    } else if (st == XLookupChars || st == XLookupBoth) {
      text.assign(buf, static_cast<std::size_t>(n));
    }
    if (st != XLookupKeySym && st != XLookupBoth) sym = NoSymbol;
  } else {
    char buf[32];
    int n = XLookupString(&k, buf, sizeof buf, &sym, nullptr);
    if (press) {
      // Without an input method the text is Latin-1; key symbols beyond it carry their code point.
      for (int i = 0; i < n; ++i) core::append_utf8(text, static_cast<unsigned char>(buf[i]));
      if (n == 0 && (sym & 0xFF000000) == 0x01000000) core::append_utf8(text, static_cast<char32_t>(sym & 0x00FFFFFF));
    }
  }
  // The key itself: letters and punctuation by their unshifted symbol (as a key, not a character),
  // the keypad by what Num Lock makes of it.
  UINT vk = 0;
  if (k.keycode) {
    const KeySym base = XLookupKeysym(&k, 0);
    if (sym == NoSymbol) XLookupString(&k, nullptr, 0, &sym, nullptr);
    vk = IsKeypadKey(sym) ? VirtualKeyOf(sym) : VirtualKeyOf(base);
    if (!vk) vk = VirtualKeyOf(sym);
  }
  if (!press) {
    if (vk) inject_key(vk, false);
    return;
  }
  const std::u32string chars = Decode(text);
  std::size_t next = 0;
  if (vk) {
    inject_key(vk, true, chars.empty() ? 0 : chars[0]);
    next = chars.empty() ? 0 : 1;
  }
  // Characters without a key of their own (an input method's text): one packet key each.
  for (; next < chars.size(); ++next) {
    inject_key(VK_PACKET, true, chars[next]);
    inject_key(VK_PACKET, false);
  }
}

}  // namespace platform::win::x11
