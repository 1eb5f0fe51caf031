#include "platform/win/tests/test_support.h"

#include <algorithm>
#include <cstdio>

namespace platform::win::test {

std::string message_name(UINT msg) {
  switch (msg) {
#define N(x) \
  case x: return #x;
    N(WM_CREATE) N(WM_DESTROY) N(WM_MOVE) N(WM_SIZE) N(WM_ACTIVATE) N(WM_SETFOCUS) N(WM_KILLFOCUS) N(WM_ENABLE)
    N(WM_SETTEXT) N(WM_GETTEXT) N(WM_GETTEXTLENGTH) N(WM_PAINT) N(WM_CLOSE) N(WM_ERASEBKGND) N(WM_SHOWWINDOW)
    N(WM_ACTIVATEAPP) N(WM_CANCELMODE) N(WM_SETCURSOR) N(WM_MOUSEACTIVATE) N(WM_GETMINMAXINFO)
    N(WM_WINDOWPOSCHANGING) N(WM_WINDOWPOSCHANGED) N(WM_GETICON) N(WM_SETICON) N(WM_NCCREATE) N(WM_NCDESTROY)
    N(WM_NCCALCSIZE) N(WM_NCHITTEST) N(WM_NCPAINT) N(WM_NCACTIVATE) N(WM_NCMOUSEMOVE) N(WM_NCLBUTTONDOWN)
    N(WM_NCLBUTTONUP) N(WM_NCLBUTTONDBLCLK) N(WM_KEYDOWN) N(WM_KEYUP) N(WM_CHAR) N(WM_SYSKEYDOWN) N(WM_SYSKEYUP)
    N(WM_SYSCHAR) N(WM_COMMAND) N(WM_SYSCOMMAND) N(WM_TIMER) N(WM_MOUSEMOVE) N(WM_LBUTTONDOWN) N(WM_LBUTTONUP)
    N(WM_LBUTTONDBLCLK) N(WM_RBUTTONDOWN) N(WM_RBUTTONUP) N(WM_MOUSEWHEEL) N(WM_PARENTNOTIFY) N(WM_CAPTURECHANGED)
    N(WM_MOVING) N(WM_SIZING) N(WM_ENTERSIZEMOVE) N(WM_EXITSIZEMOVE) N(WM_MOUSELEAVE) N(WM_NCMOUSELEAVE) N(WM_MOUSEHOVER) N(WM_NCMOUSEHOVER)
    N(WM_STYLECHANGING) N(WM_STYLECHANGED) N(WM_CONTEXTMENU) N(WM_USER)
#undef N
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%04X", msg);
      return buf;
    }
  }
}

Trace& trace() {
  static Trace t;
  return t;
}

std::vector<std::string> Trace::of(const std::string& who) const {
  std::vector<std::string> out;
  for (const auto& l : lines)
    if (l.compare(0, who.size() + 1, who + ":") == 0) out.push_back(l.substr(who.size() + 1));
  return out;
}

void record(HWND hwnd, UINT msg, const char* tag) {
  Trace& t = trace();
  if (!t.enabled) return;
  if (std::find(t.ignored.begin(), t.ignored.end(), msg) != t.ignored.end()) return;
  std::string who = tag ? tag : "";
  if (!tag) {
    // The window text may not be set yet during creation; the class extra holds no name, so the
    // recorder keeps its own map through a property.
    auto* name = static_cast<const char*>(GetProp(hwnd, "test.name"));
    who = name ? name : "?";
  }
  t.lines.push_back(who + ":" + message_name(msg));
}

LRESULT recording_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  record(hwnd, msg);
  return DefWindowProc(hwnd, msg, wp, lp);
}

void WinTest::SetUp() {
  reset_window_system();
  scoped_ = std::make_unique<core::ScopedClock>(clock_);
  trace() = Trace{};
  WNDCLASSEX wc;
  wc.lpfnWndProc = recording_proc;
  wc.lpszClassName = "Rec";
  wc.style = CS_DBLCLKS;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_BTNFACE + 1));
  ASSERT_NE(RegisterClassEx(&wc), 0);
  // Names the windows for the trace before their first message.
  SetWindowsHookEx(
      WH_CBT,
      [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
        if (code == HCBT_CREATEWND) {
          auto* cbt = reinterpret_cast<CBT_CREATEWND*>(lp);
          SetProp(reinterpret_cast<HWND>(wp), "test.name", const_cast<char*>(cbt->lpcs->lpszName ? cbt->lpcs->lpszName : "?"));
        }
        return 0;
      },
      nullptr, 0);
}

void WinTest::TearDown() {
  trace().enabled = false;
  reset_window_system();
  scoped_.reset();
}

HWND WinTest::make(const char* name, DWORD style, int x, int y, int w, int h, HWND parent, int id, DWORD ex_style) {
  return CreateWindowEx(ex_style, "Rec", name, style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

}  // namespace platform::win::test
