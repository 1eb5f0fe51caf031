// Focus, activation, capture, and the routing of mouse and keyboard input to window messages.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/clock.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace detail {

namespace {

void raise_top(Window* top) {
  auto& v = state().top_levels;
  auto it = std::find(v.begin(), v.end(), top);
  if (it == v.end() || it == v.begin()) return;
  v.erase(it);
  auto pos = v.begin();
  if (!(top->ex_style & WS_EX_TOPMOST))
    while (pos != v.end() && ((*pos)->ex_style & WS_EX_TOPMOST)) ++pos;
  v.insert(pos, top);
  if (auto& d = state().display) d->window_changed(top->handle);
}

WPARAM activate_wparam(int how, const Window* w) {
  return MAKEWPARAM(how, (w->style & WS_MINIMIZE) ? 1 : 0);
}

}  // namespace

bool activate(Window* top, bool mouse, bool click) {
  auto& s = state();
  if (top) top = root_of(top);
  if (top == s.active) {
    if (top) raise_top(top);
    return true;
  }
  Window* old = s.active;
  HWND old_h = old ? old->handle : nullptr;
  HWND new_h = top ? top->handle : nullptr;
  if (top) {
    CBTACTIVATESTRUCT cas{mouse ? TRUE : FALSE, old_h};
    if (call_hooks(WH_CBT, HCBT_ACTIVATE, reinterpret_cast<WPARAM>(new_h), reinterpret_cast<LPARAM>(&cas)) != 0)
      return false;
    if (!get(new_h)) return false;
  }
  if (old && get(old_h)) {
    send(old, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(new_h));
    if (get(old_h)) send(old, WM_ACTIVATE, activate_wparam(WA_INACTIVE, old), reinterpret_cast<LPARAM>(new_h));
  }
  if (top && !get(new_h)) return false;
  s.active = top;
  bool app_change = (old == nullptr) != (top == nullptr);
  if (app_change) {
    std::vector<HWND> tops;
    for (Window* t : s.top_levels) tops.push_back(t->handle);
    for (HWND h : tops)
      if (Window* t = get(h)) send(t, WM_ACTIVATEAPP, top ? TRUE : FALSE, 0);
  }
  if (!top) {
    if (s.focus) {
      Window* f = s.focus;
      s.focus = nullptr;
      send(f, WM_KILLFOCUS, 0, 0);
    }
    return true;
  }
  if (!get(new_h) || s.active != top) return false;
  raise_top(top);
  send(top, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(old_h));
  if (!get(new_h)) return false;
  send(top, WM_ACTIVATE, activate_wparam(click ? WA_CLICKACTIVE : WA_ACTIVE, top), reinterpret_cast<LPARAM>(old_h));
  if (!get(new_h)) return false;
  if (s.display) s.display->window_activated(new_h);
  return true;
}

void activate_other(Window* leaving) {
  auto& s = state();
  Window* next = nullptr;
  if (leaving->owner && (leaving->owner->style & WS_VISIBLE) && !(leaving->owner->style & WS_DISABLED))
    next = leaving->owner;
  if (!next) {
    for (Window* t : s.top_levels) {
      if (t == leaving || !(t->style & WS_VISIBLE) || (t->style & WS_DISABLED) || (t->ex_style & WS_EX_NOACTIVATE) ||
          t->destroying)
        continue;
      next = t;
      break;
    }
  }
  activate(next, false, false);
}

void focus_window(Window* w) {
  auto& s = state();
  Window* old = s.focus;
  if (old == w) return;
  HWND old_h = old ? old->handle : nullptr;
  HWND new_h = w ? w->handle : nullptr;
  if (old) {
    send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(new_h), 0);
    if (s.focus != old) return;  // the handler moved the focus itself
  }
  if (w && !get(new_h)) {
    s.focus = nullptr;
    return;
  }
  s.focus = w;
  if (w) send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(get(old_h) ? old_h : nullptr), 0);
}

namespace {

UINT mk_flags() {
  auto& s = state();
  UINT f = 0;
  if (s.keys[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
  if (s.keys[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
  if (s.keys[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
  if (s.keys[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (s.keys[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

void set_key(UINT vk, bool down) {
  auto& s = state();
  vk &= 0xFF;
  if (down) {
    if (!(s.keys[vk] & 0x80)) s.keys[vk] ^= 0x01;  // toggle on each press
    s.keys[vk] |= 0x80;
  } else {
    s.keys[vk] &= static_cast<std::uint8_t>(~0x80);
  }
}

std::int64_t now_ms() { return core::current_clock().monotonic().count(); }

void post_leave(HWND hwnd, bool nonclient) {
  state().leave_posted = true;
  PostMessage(hwnd, nonclient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
}

// The pointer may wander this far (half the hover rectangle) while a hover notice is awaited.
constexpr int kHoverSlack = 2;

// Starts the hover wait at `at`, counted from the tick `when` (the input event's time).
void start_hover(POINT at, DWORD when) {
  auto& s = state();
  s.hover_origin = at;
  s.hover_due = now_ms() - static_cast<std::int32_t>(core::tick_count() - when) + s.hover_time;
}

// Ends mouse tracking when the pointer is no longer where the tracking asked for (with a leave
// notice when one was asked), and starts the hover wait again when the pointer moved on.
void check_leave(HWND target, int hit, POINT pt, DWORD when) {
  auto& s = state();
  if (!s.track_hwnd) return;
  bool nc = s.track_flags & TME_NONCLIENT;
  bool still = target == s.track_hwnd && (nc ? hit != HTCLIENT : hit == HTCLIENT);
  if (still) {
    if ((s.track_flags & TME_HOVER) &&
        (std::abs(pt.x - s.hover_origin.x) > kHoverSlack || std::abs(pt.y - s.hover_origin.y) > kHoverSlack))
      start_hover(pt, when);
    return;
  }
  HWND h = s.track_hwnd;
  bool leave = s.track_flags & TME_LEAVE;
  end_mouse_tracking();
  if (leave) post_leave(h, nc);
}

const UINT kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
const UINT kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
const UINT kDbl[3] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
const UINT kVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

}  // namespace

bool convert_input(InputEvent& ev, MSG* out) {
  auto& s = state();
  *out = MSG{};
  out->time = ev.time;
  if (ev.kind == InputEvent::kKey) {
    out->pt = s.cursor;
    bool alt = (s.keys[VK_MENU] & 0x80) != 0;
    if (ev.vk == VK_MENU) alt = true;
    Window* target = s.focus ? s.focus : s.active;
    set_key(ev.vk, ev.down);
    if (ev.vk == VK_LSHIFT || ev.vk == VK_RSHIFT) set_key(VK_SHIFT, ev.down);
    if (ev.vk == VK_LCONTROL || ev.vk == VK_RCONTROL) set_key(VK_CONTROL, ev.down);
    if (ev.vk == VK_LMENU || ev.vk == VK_RMENU) set_key(VK_MENU, ev.down);
    if (!target) return false;
    bool ctrl = (s.keys[VK_CONTROL] & 0x80) != 0;
    bool sys = (alt && !ctrl) || ev.vk == VK_F10 || !s.focus;
    out->hwnd = target->handle;
    out->message = ev.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    out->wParam = ev.vk;
    LPARAM lp = 1;
    if (alt) lp |= LPARAM{1} << 29;
    if (!ev.down) lp |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    out->lParam = lp;
    out->lPrivate = ev.down ? static_cast<DWORD>(ev.ch) : 0;
    return true;
  }

  out->pt = ev.pt;
  s.cursor = ev.pt;
  int b = std::clamp(ev.button, 0, 2);
  if (ev.kind == InputEvent::kButton) set_key(kVk[b], ev.down);

  if (ev.kind == InputEvent::kWheel) {
    // The wheel scrolls what is under the pointer (what holds the mouse while something does), as
    // on today's desktops; away from every enabled window it goes to the focus.
    Window* target = s.capture;
    if (!target) {
      target = get(WindowFromPoint(ev.pt));
      while (target && (target->style & WS_DISABLED)) target = target->parent;
    }
    if (!target) target = s.focus ? s.focus : s.active;
    if (!target) return false;
    out->hwnd = target->handle;
    out->message = WM_MOUSEWHEEL;
    out->wParam = MAKEWPARAM(static_cast<int>(mk_flags()), ev.delta);
    out->lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
    return true;
  }

  Window* target = nullptr;
  int hit = HTCLIENT;
  if (s.capture) {
    target = s.capture;
  } else {
    target = get(WindowFromPoint(ev.pt));
    while (target) {
      HWND th = target->handle;
      hit = static_cast<int>(send(target, WM_NCHITTEST, 0, MAKELPARAM(ev.pt.x, ev.pt.y)));
      if (!get(th)) return false;
      if (hit != HTTRANSPARENT) break;
      target = target->parent;
    }
    // A disabled window's input goes to its first enabled ancestor; a disabled top-level gets none.
    while (target && (target->style & WS_DISABLED)) {
      target = target->parent;
      if (target) hit = HTCLIENT;
    }
    if (!target || hit == HTERROR) {
      check_leave(nullptr, HTNOWHERE, ev.pt, ev.time);
      return false;
    }
  }
  HWND th = target->handle;
  check_leave(th, hit, ev.pt, ev.time);

  if (ev.kind == InputEvent::kMove) {
    if (th == s.last_move_hwnd && ev.pt == s.last_move_pt) return false;  // no movement, no message
    s.last_move_hwnd = th;
    s.last_move_pt = ev.pt;
  }

  UINT msg = 0;
  if (ev.kind == InputEvent::kMove) msg = WM_MOUSEMOVE;
  else msg = ev.down ? kDown[b] : kUp[b];

  if (!s.capture) {
    send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(th), MAKELPARAM(hit, static_cast<int>(msg)));
    if (!get(th)) return false;
  }

  if (ev.kind == InputEvent::kButton && ev.down && !s.capture) {
    // Clicking an inactive window activates it (the window may refuse or eat the click).
    Window* top = root_of(target);
    if (top != s.active && !(top->ex_style & WS_EX_NOACTIVATE)) {
      LRESULT ma = send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->handle), MAKELPARAM(hit, static_cast<int>(msg)));
      if (!get(th)) return false;
      if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) activate(top, true, true);
      if (!get(th)) return false;
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return false;
    }
  }

  bool client = hit == HTCLIENT;
  if (ev.kind == InputEvent::kButton && ev.down) {
    UINT kind = client ? msg : msg - (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN);
    bool dbl = s.last_click_hwnd == th && s.last_click_msg == kind &&
               ev.time - s.last_click_time <= s.double_click_time &&
               std::abs(ev.pt.x - s.last_click_pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
               std::abs(ev.pt.y - s.last_click_pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (dbl && (!client || (target->cls->style & CS_DBLCLKS))) {
      msg = kDbl[b];
      s.last_click_hwnd = nullptr;
    } else {
      s.last_click_hwnd = th;
      s.last_click_msg = kind;
      s.last_click_time = ev.time;
      s.last_click_pt = ev.pt;
    }
  }

  out->hwnd = th;
  if (client) {
    POINT c = ev.pt;
    ScreenToClient(th, &c);
    out->message = msg;
    out->wParam = mk_flags();
    out->lParam = MAKELPARAM(c.x, c.y);
  } else {
    out->message = msg - (WM_MOUSEMOVE - WM_NCMOUSEMOVE);
    out->wParam = static_cast<WPARAM>(hit);
    out->lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
  }
  return true;
}

void end_mouse_tracking() {
  auto& s = state();
  s.track_hwnd = nullptr;
  s.track_flags = 0;
  s.hover_time = 400;
  s.hover_due = 0;
}

std::int64_t post_due_hover(ThreadQueue& q) {
  auto& s = state();
  if (!s.track_hwnd || !(s.track_flags & TME_HOVER)) return -1;
  const std::int64_t now = now_ms();
  if (now < s.hover_due) return s.hover_due - now;
  {
    // Input from before the due time goes first: it may move the pointer on.
    std::lock_guard lock(q.mutex);
    for (const InputEvent& ev : q.input)
      if (ev.kind != InputEvent::kKey && static_cast<std::int32_t>(ev.time - static_cast<DWORD>(s.hover_due)) < 0)
        return 0;
  }
  HWND h = s.track_hwnd;
  Window* w = get(h);
  if (!w) {
    end_mouse_tracking();
    return -1;
  }
  s.track_flags &= ~TME_HOVER;  // one notice per request
  POINT p = s.cursor;
  if (s.track_flags & TME_NONCLIENT) {
    LRESULT hit = send(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    PostMessage(h, WM_NCMOUSEHOVER, static_cast<WPARAM>(hit), MAKELPARAM(p.x, p.y));
  } else {
    ScreenToClient(h, &p);
    PostMessage(h, WM_MOUSEHOVER, mk_flags(), MAKELPARAM(p.x, p.y));
  }
  if (!(s.track_flags & TME_LEAVE)) end_mouse_tracking();
  return -1;
}

}  // namespace detail

using namespace detail;

HWND SetFocus(HWND hwnd) {
  auto& s = state();
  HWND old = s.focus ? s.focus->handle : nullptr;
  if (!hwnd) {
    focus_window(nullptr);
    return old;
  }
  Window* w = get(hwnd);
  if (!w) return nullptr;
  for (Window* a = w; a; a = a->parent)
    if (a->style & WS_MINIMIZE && a != w) return nullptr;
  if (call_hooks(WH_CBT, HCBT_SETFOCUS, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(old)) != 0)
    return nullptr;
  if (!get(hwnd)) return nullptr;
  Window* top = root_of(w);
  if (top != s.active) {
    if (!activate(top, false, false)) return nullptr;
    if (!get(hwnd)) return nullptr;
  }
  focus_window(w);
  return old;
}

HWND GetFocus() {
  auto& s = state();
  return s.focus ? s.focus->handle : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
  auto& s = state();
  HWND old = s.active ? s.active->handle : nullptr;
  Window* w = get(hwnd);
  if (hwnd && !w) return nullptr;
  if (!activate(w, false, false)) return nullptr;
  return old;
}

HWND GetActiveWindow() {
  auto& s = state();
  return s.active ? s.active->handle : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  return activate(w, false, false) ? TRUE : FALSE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  auto& s = state();
  Window* w = get(hwnd);
  Window* old = s.capture;
  HWND old_h = old ? old->handle : nullptr;
  if (!w) return old_h;
  s.capture = w;
  if (old && old != w) send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  if (s.display) s.display->capture_changed(hwnd);
  return old_h;
}

BOOL ReleaseCapture() {
  auto& s = state();
  Window* old = s.capture;
  s.capture = nullptr;
  if (old) {
    send(old, WM_CAPTURECHANGED, 0, 0);
    if (s.display) s.display->capture_changed(nullptr);
  }
  return TRUE;
}

HWND GetCapture() {
  auto& s = state();
  return s.capture ? s.capture->handle : nullptr;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = state().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  state().cursor = {x, y};
  return TRUE;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return FALSE;
  auto& s = state();
  if (tme->dwFlags & TME_QUERY) {
    tme->hwndTrack = s.track_hwnd;
    tme->dwFlags = s.track_hwnd ? s.track_flags : 0;
    tme->dwHoverTime = s.track_hwnd ? s.hover_time : 0;
    return TRUE;
  }
  const DWORD asked = tme->dwFlags & (TME_LEAVE | TME_HOVER);
  const bool nc = tme->dwFlags & TME_NONCLIENT;
  if (tme->dwFlags & TME_CANCEL) {
    // Cancels what is named, for the window it was asked for.
    if (s.track_hwnd == tme->hwndTrack && ((s.track_flags & TME_NONCLIENT) != 0) == nc) {
      s.track_flags &= ~asked;
      if (!(s.track_flags & (TME_LEAVE | TME_HOVER))) end_mouse_tracking();
    }
    return TRUE;
  }
  Window* w = get(tme->hwndTrack);
  if (!w) return FALSE;
  if (!asked) return TRUE;
  // The pointer must be over the window (in the asked-for part) now; if not, a leave comes at
  // once and a hover never.
  HWND under = WindowFromPoint(s.cursor);
  int hit = HTNOWHERE;
  if (under == tme->hwndTrack) hit = static_cast<int>(SendMessage(under, WM_NCHITTEST, 0, MAKELPARAM(s.cursor.x, s.cursor.y)));
  bool inside = under == tme->hwndTrack && (nc ? hit != HTCLIENT : hit == HTCLIENT);
  if (!inside) {
    if (asked & TME_LEAVE) post_leave(tme->hwndTrack, nc);
    return TRUE;
  }
  if (s.track_hwnd && (s.track_hwnd != tme->hwndTrack || ((s.track_flags & TME_NONCLIENT) != 0) != nc)) {
    // Tracking moves to another window or part; the one left behind hears it was left.
    HWND h = s.track_hwnd;
    bool old_nc = s.track_flags & TME_NONCLIENT, old_leave = s.track_flags & TME_LEAVE;
    end_mouse_tracking();
    if (old_leave) post_leave(h, old_nc);
  }
  s.track_hwnd = tme->hwndTrack;
  s.track_flags = (s.track_flags & (TME_LEAVE | TME_HOVER)) | asked | (nc ? TME_NONCLIENT : 0);
  if (asked & TME_HOVER) {
    s.hover_time = (tme->dwHoverTime == HOVER_DEFAULT || tme->dwHoverTime == 0) ? 400 : tme->dwHoverTime;
    start_hover(s.cursor, core::tick_count());
  }
  return TRUE;
}

namespace {
constexpr int kCursorNames[] = {IDC_ARROW,   IDC_IBEAM,   IDC_WAIT,   IDC_CROSS, IDC_UPARROW,
                                IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL,
                                IDC_NO,      IDC_HAND,    IDC_APPSTARTING, IDC_HELP};
}  // namespace

int detail::cursor_name(HCURSOR cursor) {
  for (const int& n : kCursorNames)
    if (cursor == &n) return n;
  return 0;
}

HCURSOR LoadCursor(HINSTANCE instance, int name) {
  if (instance) return nullptr;  // the program carries no cursor resources
  for (const int& n : kCursorNames)
    if (n == name) return const_cast<int*>(&n);
  return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& s = state();
  if (cursor && !cursor_name(cursor)) return s.cursor_shape;  // not a cursor of this layer
  HCURSOR old = std::exchange(s.cursor_shape, cursor);
  if (old != cursor && s.display) s.display->cursor_changed(cursor_name(cursor));
  return old;
}

HCURSOR GetCursor() { return state().cursor_shape; }

short GetKeyState(int vk) {
  std::uint8_t k = state().keys[vk & 0xFF];
  return static_cast<short>(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}
short GetAsyncKeyState(int vk) { return static_cast<short>(GetKeyState(vk) & 0x8000); }

namespace {
void push_input(InputEvent ev) {
  auto& s = state();
  ev.time = core::tick_count();
  DWORD gui = s.gui_thread;
  DWORD thread = gui ? gui : GetCurrentThreadId();
  auto q = queue_of(thread);
  if (!q) return;
  std::lock_guard lock(q->mutex);
  q->input.push_back(std::move(ev));
  q->wake.set();
}
}  // namespace

void inject_mouse_move(POINT screen) {
  InputEvent ev;
  ev.kind = InputEvent::kMove;
  ev.pt = screen;
  push_input(ev);
}

void inject_mouse_button(POINT screen, MouseButton button, bool down) {
  InputEvent ev;
  ev.kind = InputEvent::kButton;
  ev.pt = screen;
  ev.button = static_cast<int>(button);
  ev.down = down;
  push_input(ev);
}

void inject_mouse_wheel(POINT screen, int delta) {
  InputEvent ev;
  ev.kind = InputEvent::kWheel;
  ev.pt = screen;
  ev.delta = delta;
  push_input(ev);
}

void inject_key(UINT vk, bool down, char32_t ch) {
  InputEvent ev;
  ev.kind = InputEvent::kKey;
  ev.vk = vk;
  ev.down = down;
  ev.ch = ch;
  push_input(ev);
}

}  // namespace platform::win
