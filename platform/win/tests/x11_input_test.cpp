// The X11 backend with a user's real input: windows of the window system shown on a private Xvfb
// server, typed at and clicked through the XTEST extension, so that every event takes the path a
// user's does (the server, Xlib's queue, the input method, the message loop). Skipped where Xvfb is
// not installed; every wait is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "core/testing/private_xvfb.h"
#include "platform/gdi/bitmap.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"

// Last: the X headers define macros that clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "core/testing/x11_input.h"

namespace platform::win {
namespace {

class X11Input : public ::testing::Test {
protected:
  void SetUp() override {
    if (!server_.installed()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(server_.launched());
    if (!server_.started()) GTEST_SKIP() << "Xvfb did not start here";
    reset_window_system();
    auto d = make_x11_display(server_.display().c_str());
    ASSERT_NE(d, nullptr);
    set_display(std::move(d));
    InitControls();
    peer_ = XOpenDisplay(server_.display().c_str());
    ASSERT_NE(peer_, nullptr);
    int ev = 0, err = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(peer_, &ev, &err, &major, &minor)) << "the server has no XTEST";
  }
  void TearDown() override {
    reset_window_system();
    if (peer_) XCloseDisplay(peer_);
  }

  // Runs the message loop until `done` holds or five seconds pass (the server answers in far less).
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      ProcessPendingMessages();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, 0);
    }
  }

  // A shown, active top-level window that has the server's keyboard focus; answers its X window.
  ::Window ShowFocused(HWND top) {
    ShowWindow(top, SW_SHOW);
    SetActiveWindow(top);
    UpdateWindow(top);
    ::Window focus = 0;
    PumpUntil([&] {
      int revert = 0;
      XGetInputFocus(peer_, &focus, &revert);
      return focus != None && focus != PointerRoot && focus != DefaultRootWindow(peer_);
    });
    return focus;
  }

  HWND TopWithEdit(HWND* edit) {
    HWND top = CreateWindowEx(0, "#32770", "keys", WS_POPUP | WS_CAPTION | WS_SYSMENU, 50, 50, 300, 120, nullptr,
                              nullptr, nullptr, nullptr);
    *edit = CreateWindowEx(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 260, 24, top,
                           nullptr, nullptr, nullptr);
    return top;
  }

  core::testing::PrivateXvfb server_{"640x480x24"};
  ::Display* peer_ = nullptr;
};

// A step of typing: text typed with its keys, or one key by its symbol.
struct Step {
  std::u32string text;
  KeySym key = NoSymbol;
};

TEST_F(X11Input, EveryCharacterTheKeyboardMakesReachesTheEdit) {
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::string expected;
  };
  const Case cases[] = {
      {"punctuation with and without Shift", {{U"a_b:c/d.e-f;g=h+i?j"}}, "a_b:c/d.e-f;g=h+i?j"},
      {"the README's port path", {{U"/tmp/thc-ttyA"}}, "/tmp/thc-ttyA"},
      {"keypad with Num Lock", {{U"", XK_Num_Lock}, {U"", XK_KP_1}, {U"", XK_KP_Divide}, {U"", XK_KP_7},
                                 {U"", XK_KP_Decimal}, {U"", XK_KP_0}, {U"", XK_Num_Lock}},
       "1/7.0"},
      {"Delete, Home, End and the arrows edit",
       {{U"abcd"}, {U"", XK_Home}, {U"", XK_Delete}, {U"", XK_End}, {U"", XK_Left}, {U"", XK_BackSpace},
        {U"", XK_Right}, {U"x"}},
       "bdx"},
      {"a dead key composes through the input method", {{U"", XK_dead_acute}, {U"e"}}, "\xC3\xA9"},
      {"characters the map lacks (Chinese)", {{U"温度"}}, "温度"},
  };
  for (const Case& c : cases) {
    HWND edit = nullptr;
    HWND top = TopWithEdit(&edit);
    ASSERT_NE(ShowFocused(top), 0u) << c.what;
    SetFocus(edit);
    for (const Step& s : c.steps) {
      const bool typed = s.key != NoSymbol ? core::testing::TapKey(peer_, s.key) : core::testing::TypeText(peer_, s.text);
      ASSERT_TRUE(typed) << c.what;
    }
    EXPECT_TRUE(PumpUntil([&] { return GetWindowText(edit) == c.expected; }))
        << c.what << ": the edit holds \"" << GetWindowText(edit) << "\"";
    DestroyWindow(top);
    ProcessPendingMessages();
  }
}

// Events that Xlib read while the program waited for the server (presenting a window does) sit in
// its queue, not on the socket: the loop must take them before it sleeps on the socket.
TEST_F(X11Input, OneClickIsOnePressEvenWhenXlibHoldsTheEvents) {
  HWND top = CreateWindowEx(0, "#32770", "click", WS_POPUP | WS_CAPTION | WS_SYSMENU, 50, 50, 300, 120, nullptr,
                            nullptr, nullptr, nullptr);
  HWND button = CreateWindowEx(0, "Button", "press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 100, 30, top,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(7)), nullptr, nullptr);
  int clicks = 0;
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(top, GWLP_WNDPROC));
  static WNDPROC s_old = nullptr;
  static int* s_clicks = nullptr;
  s_old = old;
  s_clicks = &clicks;
  SetWindowLongPtr(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                     if (m == WM_COMMAND && LOWORD(w) == 7 && HIWORD(w) == BN_CLICKED) ++*s_clicks;
                     return CallWindowProc(s_old, h, m, w, l);
                   }));
  ASSERT_NE(ShowFocused(top), 0u);
  RECT r;
  GetWindowRect(button, &r);
  for (int n = 1; n <= 3; ++n) {
    XTestFakeMotionEvent(peer_, 0, (r.left + r.right) / 2, (r.top + r.bottom) / 2, CurrentTime);
    XTestFakeButtonEvent(peer_, 1, True, CurrentTime);
    XSync(peer_, False);
    ASSERT_TRUE(PumpUntil([&] { return (SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; })) << "press " << n;
    XTestFakeButtonEvent(peer_, 1, False, CurrentTime);
    XSync(peer_, False);
    // Showing the window waits for the server, which reads the release into Xlib's queue.
    const gdi::Bitmap* shown = GetBackingBitmap(top);
    ASSERT_NE(shown, nullptr);
    display().present(top, *shown);
    EXPECT_TRUE(PumpUntil([&] { return clicks == n; })) << "click " << n << " gave " << clicks << " presses";
  }
  ProcessPendingMessages();
  EXPECT_EQ(clicks, 3);
}

// A window without a sizing border tells the window manager its one size.
TEST_F(X11Input, FixedWindowsTellTheWindowManagerTheirSize) {
  HWND fixed = CreateWindowEx(0, "#32770", "fixed", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 10, 10,
                              320, 200, nullptr, nullptr, nullptr, nullptr);
  ::Window x = ShowFocused(fixed);
  ASSERT_NE(x, 0u);
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(peer_, x, &hints, &supplied));
  EXPECT_EQ(hints.flags & (PMinSize | PMaxSize), PMinSize | PMaxSize);
  // Under the window manager's decorations the X window is what lies inside the layer's own caption
  // and borders; that is the size the hints pin.
  XWindowAttributes wa{};
  ASSERT_TRUE(XGetWindowAttributes(peer_, x, &wa));
  EXPECT_LT(wa.width, 320);
  EXPECT_LT(wa.height, 200);
  EXPECT_EQ(hints.min_width, wa.width);
  EXPECT_EQ(hints.max_width, wa.width);
  EXPECT_EQ(hints.min_height, wa.height);
  EXPECT_EQ(hints.max_height, wa.height);
  DestroyWindow(fixed);
  HWND sizable = CreateWindowEx(0, "#32770", "sizable", WS_OVERLAPPEDWINDOW, 10, 10, 320, 200, nullptr, nullptr,
                                nullptr, nullptr);
  x = ShowFocused(sizable);
  ASSERT_NE(x, 0u);
  ASSERT_TRUE(XGetWMNormalHints(peer_, x, &hints, &supplied));
  EXPECT_EQ(hints.flags & (PMinSize | PMaxSize), 0);
}

}  // namespace
}  // namespace platform::win
