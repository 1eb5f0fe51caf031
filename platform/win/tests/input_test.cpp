// Input routing: the default hit-test, mouse messages to the non-client and client areas, capture,
// double clicks, leave notices, the keyboard with translation, focus, and the caption loops.
#include <gtest/gtest.h>

#include <functional>

#include "platform/win/tests/test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class Input : public WinTest {
protected:
  void SetUp() override {
    WinTest::SetUp();
    trace().ignored = {WM_SETCURSOR, WM_NCHITTEST, WM_GETMINMAXINFO, WM_NCPAINT, WM_ERASEBKGND, WM_PAINT,
                       WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCCALCSIZE, WM_MOVE, WM_SIZE, WM_MOVING,
                       WM_SIZING, WM_GETICON, WM_ACTIVATEAPP, WM_NCACTIVATE};
  }
  void click(POINT p, MouseButton b = MouseButton::kLeft) {
    inject_mouse_button(p, b, true);
    inject_mouse_button(p, b, false);
  }
};

TEST_F(Input, DefaultHitTestAnswersForEveryPartOfTheFrame) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 100, 100, 300, 200);
  struct Case {
    int x, y, hit;
  };
  const Case cases[] = {
      {150, 100, HTCLIENT},     {0, 0, HTTOPLEFT},         {150, 0, HTTOP},          {150, 3, HTTOP},
      {299, 100, HTRIGHT},      {299, 199, HTBOTTOMRIGHT}, {0, 100, HTLEFT},         {150, 199, HTBOTTOM},
      {2, 15, HTTOPLEFT},       {2, 40, HTLEFT},           {297, 10, HTTOPRIGHT},    {0, 190, HTBOTTOMLEFT},
      {10, 10, HTSYSMENU},      {150, 10, HTCAPTION},      {285, 10, HTCLOSE},       {265, 10, HTMAXBUTTON},
      {250, 10, HTMINBUTTON},   {285, 100, HTVSCROLL},     {150, 185, HTHSCROLL},    {290, 190, HTBOTTOMRIGHT},
      {-1, -1, HTNOWHERE},      {300, 100, HTNOWHERE},     {277, 10, HTCAPTION},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(100 + c.x, 100 + c.y)), c.hit) << c.x << "," << c.y;
  // A dialog frame cannot be sized: its border answers HTBORDER.
  HWND d = make("D", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 500, 100, 200, 100);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, MAKELPARAM(501, 150)), HTBORDER);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, MAKELPARAM(650, 110)), HTCAPTION);
  // A frame taller than the system's (here 20 more pixels above the client area) has parts the
  // system does not know: they count as border, unless the program draws the frame itself.
  static WNDPROC previous = nullptr;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(
      d, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        LRESULT r = CallWindowProc(previous, h, msg, wp, lp);
        if (msg == WM_NCCALCSIZE && wp) reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0].top += 20;
        return r;
      })));
  SetWindowPos(d, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
  POINT client{0, 0};
  ClientToScreen(d, &client);
  const LPARAM gap = MAKELPARAM(600, client.y - 5);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, gap), HTBORDER);
  SetWindowOwnFrame(d, TRUE);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, gap), HTNOWHERE);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, MAKELPARAM(501, 150)), HTBORDER);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, MAKELPARAM(650, 110)), HTCAPTION);
  // Outside the window region there is nothing to hit, and the window is not found there.
  HRGN r = gdi::CreateRectRgn(30, 30, 300, 200);
  SetWindowRgn(a, r, TRUE);
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(110, 110)), HTNOWHERE);
  EXPECT_EQ(WindowFromPoint({110, 110}), nullptr);
  EXPECT_EQ(WindowFromPoint({250, 250}), a);
  // Minimised windows are all caption.
  ShowWindow(d, SW_MINIMIZE);
  RECT dr;
  GetWindowRect(d, &dr);
  EXPECT_EQ(SendMessage(d, WM_NCHITTEST, 0, MAKELPARAM(dr.left + 5, dr.top + 20)), HTCAPTION);
}

TEST_F(Input, ClicksActivateAndReachTheWindowUnderThePointer) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, a, 1);
  HWND b = make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 0, 300, 200);
  ASSERT_EQ(GetActiveWindow(), b);
  pump();
  trace().clear();
  // The child's client point (5, 6): screen = frame 4 + 10 + 5, caption 4 + 19 + 10 + 6.
  click({19, 39});
  pump();
  EXPECT_EQ(trace().lines, (Lines{"C:WM_MOUSEACTIVATE", "A:WM_MOUSEACTIVATE", "B:WM_ACTIVATE", "A:WM_ACTIVATE",
                                  "B:WM_KILLFOCUS", "A:WM_SETFOCUS", "C:WM_LBUTTONDOWN", "C:WM_LBUTTONUP"}));
  EXPECT_EQ(GetActiveWindow(), a);
  MSG m;
  inject_mouse_move({20, 40});
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, c);
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
  EXPECT_EQ(m.lParam, MAKELPARAM(6, 7));
  // The same point again makes no message.
  inject_mouse_move({20, 40});
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  // Non-client clicks carry the hit code and screen coordinates.
  inject_mouse_button({150, 10}, MouseButton::kRight, true);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_EQ(m.message, WM_NCRBUTTONDOWN);
  EXPECT_EQ(m.wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(m.lParam, MAKELPARAM(150, 10));
  // A disabled child's clicks go to its parent.
  EnableWindow(c, FALSE);
  inject_mouse_button({19, 39}, MouseButton::kLeft, true);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_EQ(m.lParam, MAKELPARAM(15, 16));
  (void)b;
}

TEST_F(Input, DoubleClicksNeedTheClassStyleTheTimeAndThePlace) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  struct Case {
    int wait_ms, dx;
    UINT second;
  };
  const Case cases[] = {{100, 0, WM_LBUTTONDBLCLK}, {100, 1, WM_LBUTTONDBLCLK}, {501, 0, WM_LBUTTONDOWN},
                        {100, 5, WM_LBUTTONDOWN}};
  for (const Case& c : cases) {
    clock_.advance(core::Millis(2000));
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    click({50, 50});
    clock_.advance(core::Millis(c.wait_ms));
    inject_mouse_button({50 + c.dx, 50}, MouseButton::kLeft, true);
    std::vector<UINT> downs;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONDBLCLK) downs.push_back(m.message);
      DispatchMessage(&m);
    }
    inject_mouse_button({50 + c.dx, 50}, MouseButton::kLeft, false);
    pump();
    EXPECT_EQ(downs, (std::vector<UINT>{WM_LBUTTONDOWN, c.second})) << c.wait_ms << " " << c.dx;
  }
  // Without CS_DBLCLKS the class gets two plain clicks.
  WNDCLASSEX wc;
  wc.lpszClassName = "NoDbl";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClassEx(&wc);
  HWND n = CreateWindowEx(0, "NoDbl", "", WS_POPUP | WS_VISIBLE, 200, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  clock_.advance(core::Millis(2000));
  click({210, 10});
  click({210, 10});
  MSG m;
  int downs = 0;
  while (PeekMessage(&m, n, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, PM_REMOVE)) downs += m.message == WM_LBUTTONDOWN;
  EXPECT_EQ(downs, 2);
  (void)a;
}

TEST_F(Input, CaptureKeepsTheMouseAndItsLossIsAnnounced) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = make("B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  SetCapture(a);
  MSG m;
  inject_mouse_move({250, 50});
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
  EXPECT_EQ(m.lParam, MAKELPARAM(250, 50));
  trace().clear();
  SetCapture(b);
  ReleaseCapture();
  EXPECT_EQ(trace().lines, (Lines{"A:WM_CAPTURECHANGED", "B:WM_CAPTURECHANGED"}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, LeaveNoticeComesOnceWhenThePointerLeaves) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  make("B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  inject_mouse_move({50, 50});
  pump();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = a;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  trace().clear();
  inject_mouse_move({60, 50});
  pump();
  EXPECT_EQ(trace().of("A"), (Lines{"WM_MOUSEMOVE"}));
  inject_mouse_move({250, 50});
  inject_mouse_move({251, 50});
  pump();
  EXPECT_EQ(trace().of("A"), (Lines{"WM_MOUSEMOVE", "WM_MOUSELEAVE"}));
  // Asking while the pointer is elsewhere answers at once.
  trace().clear();
  TrackMouseEvent(&tme);
  pump();
  EXPECT_EQ(trace().of("A"), (Lines{"WM_MOUSELEAVE"}));
}

TEST_F(Input, KeysGoToTheFocusAndAreTranslated) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, a, 1);
  trace().clear();
  EXPECT_EQ(SetFocus(c), a);
  EXPECT_EQ(trace().lines, (Lines{"A:WM_KILLFOCUS", "C:WM_SETFOCUS"}));
  trace().clear();
  inject_key('A', true, U'a');
  inject_key('A', false);
  RunModalLoop([] { return GetQueueStatus(QS_ALLINPUT) == 0; }, MSGF_USER);
  EXPECT_EQ(trace().lines, (Lines{"C:WM_KEYDOWN", "C:WM_CHAR", "C:WM_KEYUP"}));
  EXPECT_FALSE(GetKeyState('A') & 0x8000);
  inject_key(VK_SHIFT, true);
  pump();
  EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
  inject_key(VK_SHIFT, false);
  // Alt+F4 closes the window through the system command.
  inject_key(VK_MENU, true);
  inject_key(VK_F4, true);
  pump();
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(Input, WheelGoesToTheWindowUnderThePointerAndUpToItsParent) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, a, 1);
  HWND d = make("D", WS_CHILD | WS_VISIBLE, 100, 10, 50, 50, a, 2);
  SetFocus(c);
  trace().clear();
  inject_mouse_wheel({30, 40}, -WHEEL_DELTA);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"C:WM_MOUSEWHEEL", "A:WM_MOUSEWHEEL"}));
  // Not the focus but the window under the pointer; a disabled one hands it to its parent.
  trace().clear();
  inject_mouse_wheel({120, 40}, -WHEEL_DELTA);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"D:WM_MOUSEWHEEL", "A:WM_MOUSEWHEEL"}));
  EnableWindow(d, FALSE);
  trace().clear();
  inject_mouse_wheel({120, 40}, -WHEEL_DELTA);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"A:WM_MOUSEWHEEL"}));
  // Away from every window: the focus.
  trace().clear();
  inject_mouse_wheel({600, 500}, -WHEEL_DELTA);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"C:WM_MOUSEWHEEL", "A:WM_MOUSEWHEEL"}));
}

TEST_F(Input, DraggingTheCaptionMovesAndDraggingTheBorderSizes) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  pump();
  trace().clear();
  inject_mouse_button({200, 110}, MouseButton::kLeft, true);
  inject_mouse_move({220, 120});
  inject_mouse_move({230, 130});
  inject_mouse_button({230, 130}, MouseButton::kLeft, false);
  pump();
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{130, 120, 430, 320}));
  EXPECT_EQ(trace().of("A"), (Lines{"WM_NCLBUTTONDOWN", "WM_SYSCOMMAND", "WM_ENTERSIZEMOVE", "WM_CAPTURECHANGED", "WM_EXITSIZEMOVE"}));
  // The right border: the window grows, never below its minimum width.
  inject_mouse_button({429, 200}, MouseButton::kLeft, true);
  inject_mouse_move({479, 200});
  inject_mouse_button({479, 200}, MouseButton::kLeft, false);
  pump();
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{130, 120, 480, 320}));
  inject_mouse_button({479, 200}, MouseButton::kLeft, true);
  inject_mouse_move({0, 200});
  inject_key(VK_ESCAPE, true);  // Escape puts the window back
  pump();
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{130, 120, 480, 320}));
  inject_mouse_button({0, 200}, MouseButton::kLeft, false);
  pump();
}

TEST_F(Input, CaptionButtonsActOnlyWhenReleasedOverThem) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  pump();
  // Pressed on close, released elsewhere: nothing.
  inject_mouse_button({285, 10}, MouseButton::kLeft, true);
  inject_mouse_move({150, 100});
  inject_mouse_button({150, 100}, MouseButton::kLeft, false);
  pump();
  EXPECT_TRUE(IsWindow(a));
  // Minimise, then close.
  inject_mouse_button({250, 10}, MouseButton::kLeft, true);
  inject_mouse_button({250, 10}, MouseButton::kLeft, false);
  pump();
  EXPECT_TRUE(IsIconic(a));
  ShowWindow(a, SW_RESTORE);
  trace().clear();
  inject_mouse_button({285, 10}, MouseButton::kLeft, true);
  inject_mouse_button({285, 10}, MouseButton::kLeft, false);
  pump();
  EXPECT_FALSE(IsWindow(a));
  Lines got = trace().of("A");
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[0], "WM_NCLBUTTONDOWN");
  EXPECT_EQ(got[2], "WM_SYSCOMMAND");
  EXPECT_EQ(got[3], "WM_CLOSE");
}

// A fixed frame (no sizing border, no maximise box) keeps its size whatever the user does: the
// disabled maximise box, a double click on the caption, the system commands, the border.
TEST_F(Input, FixedFrameCannotBeMaximisedOrSizedByTheUser) {
  struct Attempt {
    const char* what;
    std::function<void(HWND)> act;
  };
  const Attempt attempts[] = {
      {"maximise box", [](HWND) {
         inject_mouse_button({265, 10}, MouseButton::kLeft, true);
         inject_mouse_button({265, 10}, MouseButton::kLeft, false);
       }},
      {"caption double click", [](HWND) {
         for (int i = 0; i < 2; ++i) {
           inject_mouse_button({150, 10}, MouseButton::kLeft, true);
           inject_mouse_button({150, 10}, MouseButton::kLeft, false);
         }
       }},
      {"SC_MAXIMIZE", [](HWND h) { SendMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }},
      {"SC_SIZE", [](HWND h) {
         // The drag is queued first, so that a sizing loop would find it and end.
         inject_mouse_move({350, 100});
         inject_mouse_button({350, 100}, MouseButton::kLeft, false);
         SendMessage(h, WM_SYSCOMMAND, SC_SIZE | 2, MAKELPARAM(299, 100));
       }},
      {"right border", [](HWND) {
         inject_mouse_button({299, 100}, MouseButton::kLeft, true);
         inject_mouse_move({350, 100});
         inject_mouse_button({350, 100}, MouseButton::kLeft, false);
       }},
  };
  const DWORD fixed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
  for (const Attempt& a : attempts) {
    HWND w = make("F", fixed, 0, 0, 300, 200);
    pump();
    a.act(w);
    pump();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_FALSE(IsZoomed(w)) << a.what;
    EXPECT_EQ(r, (RECT{0, 0, 300, 200})) << a.what;
    DestroyWindow(w);
  }
  // With a maximise box and a sizing border the same box and double click do maximise.
  HWND w = make("S", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  pump();
  attempts[0].act(w);
  pump();
  EXPECT_TRUE(IsZoomed(w));
  ShowWindow(w, SW_RESTORE);
  pump();
  clock_.advance(std::chrono::milliseconds(1000));
  attempts[1].act(w);
  pump();
  EXPECT_TRUE(IsZoomed(w));
}

// The places where menus and scroll bars plug into the frame: the menu bar takes its height from
// the extension, is hit-tested and painted through it, and clicks on it are handed over.
TEST_F(Input, MenuBarAndScrollBarsPlugIntoTheFrame) {
  std::vector<std::string> calls;
  NonClientExtensions ext;
  ext.menu_bar_height = [](HWND, int) { return 19; };
  ext.paint_menu_bar = [&](HWND, HDC, const RECT& bar) {
    calls.push_back("paint menu " + std::to_string(bar.top) + "-" + std::to_string(bar.bottom));
  };
  ext.paint_scroll_bars = [&](HWND, HDC, const RECT* v, const RECT* h) {
    calls.push_back(std::string("paint bars") + (v ? " v" : "") + (h ? " h" : ""));
  };
  ext.nonclient_request = [&](HWND, UINT msg, WPARAM wp, LPARAM) {
    calls.push_back("request " + message_name(msg) + " " + std::to_string(wp));
    return true;
  };
  SetNonClientExtensions(ext);
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_VISIBLE, 0, 0, 300, 200);
  pump();
  RECT c;
  GetClientRect(a, &c);
  EXPECT_EQ(c, (RECT{0, 0, 292 - 17, 200 - 8 - 19 - 19}));
  // Activation and the first frame paint each draw the frame.
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
            (std::vector<std::string>{"paint menu 23-42", "paint bars v"}));
  calls.clear();
  EXPECT_EQ(SendMessage(a, WM_NCHITTEST, 0, MAKELPARAM(50, 30)), HTMENU);
  click({50, 30});
  click({290, 100});
  pump();
  EXPECT_EQ(calls, (std::vector<std::string>{"request WM_NCLBUTTONDOWN 5", "request WM_NCLBUTTONDOWN 7"}));
  // A child never has a menu bar.
  HWND child = make("C", WS_CHILD | WS_VISIBLE | WS_CAPTION, 10, 10, 100, 80, a, 1);
  GetClientRect(child, &c);
  EXPECT_EQ(c.bottom, 80 - 6 - 19);
}

}  // namespace
}  // namespace platform::win::test
