// The order of the messages that creation, positioning, showing, activation and destruction send,
// which the skin engine's interception depends on; subclassing; and the CBT hook's call points.
#include <gtest/gtest.h>

#include "platform/win/tests/test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class MessageOrder : public WinTest {
protected:
  void SetUp() override {
    WinTest::SetUp();
    hook_ = SetWindowsHookEx(
        WH_CBT,
        [this](int code, WPARAM wp, LPARAM lp) -> LRESULT {
          static const char* names[] = {"MOVESIZE", "MINMAX", "QS", "CREATEWND", "DESTROYWND",
                                        "ACTIVATE", "CLICKSKIPPED", "KEYSKIPPED", "SYSCOMMAND", "SETFOCUS"};
          if (code == HCBT_CREATEWND) {
            auto* cbt = reinterpret_cast<CBT_CREATEWND*>(lp);
            std::string name = cbt->lpcs->lpszName ? cbt->lpcs->lpszName : "";
            trace().lines.push_back("hook:CREATEWND " + name + " " + cbt->lpcs->lpszClass);
            if (name == veto_) return 1;
          } else if (code >= 0 && code <= 9) {
            trace().lines.push_back(std::string("hook:") + names[code]);
          }
          (void)wp;
          return CallNextHookEx(hook_, code, wp, lp);
        },
        nullptr, GetCurrentThreadId());
  }
  HHOOK hook_ = nullptr;
  std::string veto_;
};

TEST_F(MessageOrder, CreatingAVisibleTopLevelWindow) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, 300, 200);
  ASSERT_TRUE(a);
  EXPECT_EQ(trace().lines, (Lines{"hook:CREATEWND A Rec", "A:WM_GETMINMAXINFO", "A:WM_NCCREATE", "A:WM_NCCALCSIZE",
                                  "A:WM_CREATE", "A:WM_SIZE", "A:WM_MOVE", "A:WM_SHOWWINDOW", "A:WM_WINDOWPOSCHANGING",
                                  "hook:ACTIVATE", "A:WM_ACTIVATEAPP", "A:WM_NCACTIVATE", "A:WM_ACTIVATE",
                                  "hook:SETFOCUS", "A:WM_SETFOCUS", "A:WM_NCPAINT", "A:WM_ERASEBKGND",
                                  "A:WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  // The client area lies inside the default frame: sizing border 4, caption 19.
  RECT c;
  GetClientRect(a, &c);
  EXPECT_EQ(c, (RECT{0, 0, 300 - 8, 200 - 8 - 19}));
  POINT p{0, 0};
  ClientToScreen(a, &p);
  EXPECT_EQ(p, (POINT{14, 43}));
}

TEST_F(MessageOrder, CreatingAChildNotifiesItsParentAndPaintsAtOnceWhenShown) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  trace().clear();
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 5, 6, 50, 40, a, 7);
  ASSERT_TRUE(c);
  EXPECT_EQ(trace().lines, (Lines{"hook:CREATEWND C Rec", "C:WM_NCCREATE", "C:WM_NCCALCSIZE", "C:WM_CREATE", "C:WM_SIZE",
                                  "C:WM_MOVE", "A:WM_PARENTNOTIFY", "C:WM_SHOWWINDOW", "C:WM_WINDOWPOSCHANGING",
                                  "C:WM_ERASEBKGND", "C:WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetParent(c), a);
  EXPECT_EQ(GetDlgCtrlID(c), 7);
  EXPECT_EQ(GetDlgItem(a, 7), c);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c);
}

TEST_F(MessageOrder, TheHookSeesCreationFirstAndCanVetoIt) {
  veto_ = "V";
  HWND v = make("V", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100);
  EXPECT_EQ(v, nullptr);
  // Vetoed before any message: the procedure never ran.
  EXPECT_EQ(trace().lines, (Lines{"hook:CREATEWND V Rec"}));
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);
}

TEST_F(MessageOrder, CreationFailsWhenNcCreateOrCreateRefuse) {
  struct Case {
    UINT refuse;
    LRESULT answer;
    Lines expected;
  };
  const Case cases[] = {
      {WM_NCCREATE, FALSE, {"X:WM_NCCREATE", "X:WM_NCDESTROY"}},
      {WM_CREATE, -1, {"X:WM_NCCREATE", "X:WM_NCCALCSIZE", "X:WM_CREATE", "X:WM_DESTROY", "X:WM_NCDESTROY"}},
  };
  for (const Case& c : cases) {
    static UINT refuse;
    static LRESULT answer;
    refuse = c.refuse;
    answer = c.answer;
    WNDCLASSEX wc;
    wc.lpszClassName = "Refuser";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m != WM_GETMINMAXINFO) record(h, m, "X");
      if (m == refuse) return answer;
      return DefWindowProc(h, m, w, l);
    };
    UnregisterClass("Refuser", nullptr);
    ASSERT_NE(RegisterClassEx(&wc), 0);
    trace().clear();
    HWND h = CreateWindowEx(0, "Refuser", "X", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(h, nullptr);
    Lines got;
    for (auto& l : trace().lines)
      if (l.rfind("hook:", 0) != 0) got.push_back(l);
    EXPECT_EQ(got, c.expected) << message_name(c.refuse);
  }
}

TEST_F(MessageOrder, SetWindowPosSendsChangingCalcSizeChangedMoveAndSize) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  pump();
  trace().clear();
  SetWindowPos(a, nullptr, 40, 50, 320, 220, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(trace().of("A"), (Lines{"WM_WINDOWPOSCHANGING", "WM_GETMINMAXINFO", "WM_NCCALCSIZE",
                                    "WM_WINDOWPOSCHANGED", "WM_MOVE", "WM_SIZE"}));
  trace().clear();
  // Moving only: no new client size, no WM_SIZE, no frame calculation.
  SetWindowPos(a, nullptr, 41, 50, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  EXPECT_EQ(trace().of("A"), (Lines{"WM_WINDOWPOSCHANGING", "WM_WINDOWPOSCHANGED", "WM_MOVE"}));
  trace().clear();
  // A frame change recalculates the client area without moving or sizing.
  SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED);
  EXPECT_EQ(trace().of("A"), (Lines{"WM_WINDOWPOSCHANGING", "WM_NCCALCSIZE", "WM_WINDOWPOSCHANGED"}));
  trace().clear();
  SetWindowPos(a, nullptr, 0, 0, 0, 0,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_NOSENDCHANGING);
  EXPECT_EQ(trace().of("A"), (Lines{"WM_NCCALCSIZE", "WM_WINDOWPOSCHANGED"}));
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{41, 50, 361, 270}));
}

TEST_F(MessageOrder, ChangingHandlerCanAlterThePosition) {
  static int forced_x;
  forced_x = 77;
  WNDCLASSEX wc;
  wc.lpszClassName = "Snapper";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->x = forced_x;
    return DefWindowProc(h, m, w, l);
  };
  ASSERT_NE(RegisterClassEx(&wc), 0);
  HWND h = CreateWindowEx(0, "Snapper", "S", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  SetWindowPos(h, nullptr, 10, 10, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 77);
  EXPECT_EQ(r.top, 10);
}

TEST_F(MessageOrder, ShowHideMinimiseRestore) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
  trace().clear();
  ShowWindow(a, SW_SHOWNA);
  EXPECT_EQ(trace().lines, (Lines{"A:WM_SHOWWINDOW", "A:WM_WINDOWPOSCHANGING", "A:WM_NCPAINT", "A:WM_ERASEBKGND",
                                  "A:WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  trace().clear();
  ShowWindow(a, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(a));
  Lines mini = trace().of("A");
  ASSERT_GE(mini.size(), 3u);
  EXPECT_EQ(mini.front(), "WM_WINDOWPOSCHANGING");
  EXPECT_EQ(mini.back(), "WM_SIZE");
  WINDOWPLACEMENT wp;
  GetWindowPlacement(a, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(wp.rcNormalPosition, (RECT{0, 0, 300, 200}));
  ShowWindow(a, SW_RESTORE);
  RECT r;
  GetWindowRect(a, &r);
  EXPECT_EQ(r, (RECT{0, 0, 300, 200}));
  GetWindowPlacement(a, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  trace().clear();
  EXPECT_TRUE(ShowWindow(a, SW_HIDE));
  EXPECT_EQ(trace().of("A").front(), "WM_SHOWWINDOW");
  EXPECT_FALSE(IsWindowVisible(a));
  EXPECT_FALSE(ShowWindow(a, SW_HIDE));
}

TEST_F(MessageOrder, ActivationMovesBetweenWindows) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND b = make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200);
  ASSERT_EQ(GetActiveWindow(), b);
  pump();
  trace().clear();
  EXPECT_EQ(SetActiveWindow(a), b);
  EXPECT_EQ(trace().lines, (Lines{"hook:ACTIVATE", "B:WM_NCACTIVATE", "B:WM_ACTIVATE", "A:WM_NCACTIVATE",
                                  "A:WM_ACTIVATE", "hook:SETFOCUS", "B:WM_KILLFOCUS", "A:WM_SETFOCUS"}));
  EXPECT_EQ(GetTopWindow(nullptr), a);  // the active window comes to the top
  EXPECT_EQ(GetFocus(), a);
  // The hook can refuse an activation: nothing changes and no message is sent.
  HHOOK refuse = SetWindowsHookEx(WH_CBT, [](int code, WPARAM, LPARAM) -> LRESULT { return code == HCBT_ACTIVATE; },
                                  nullptr, 0);
  trace().clear();
  EXPECT_EQ(SetActiveWindow(b), nullptr);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(trace().lines, Lines{});
  UnhookWindowsHookEx(refuse);
}

TEST_F(MessageOrder, IconsAndFontsAreKeptByTheDefaultProcedure) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  gdi::ICONINFO ii;
  ii.hbmMask = gdi::CreateBitmap(16, 16, 1, 1, nullptr);
  ii.hbmColor = gdi::CreateBitmap(16, 16, 1, 32, nullptr);
  HICON icon = gdi::CreateIconIndirect(&ii);
  EXPECT_EQ(SendMessage(a, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(a, WM_GETICON, ICON_SMALL, 0)), icon);
  EXPECT_EQ(SendMessage(a, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(a, WM_GETICON, ICON_SMALL2, 0)), icon);
  HFONT font = reinterpret_cast<HFONT>(gdi::GetStockObject(gdi::DEFAULT_GUI_FONT));
  SendMessage(a, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(a, WM_GETFONT, 0, 0)), font);
  DestroyWindow(a);
  gdi::DestroyIcon(icon);
  gdi::DeleteObject(ii.hbmMask);
  gdi::DeleteObject(ii.hbmColor);
}

TEST_F(MessageOrder, DestroyingSendsDestroyParentFirstAndNcDestroyChildrenFirst) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, a, 1);
  make("D", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, c, 2);
  pump();
  trace().clear();
  ASSERT_TRUE(DestroyWindow(a));
  EXPECT_EQ(trace().lines,
            (Lines{"hook:DESTROYWND", "A:WM_WINDOWPOSCHANGING", "A:WM_WINDOWPOSCHANGED", "A:WM_NCACTIVATE",
                   "A:WM_ACTIVATE", "A:WM_ACTIVATEAPP", "A:WM_KILLFOCUS", "A:WM_DESTROY", "C:WM_DESTROY",
                   "D:WM_DESTROY", "D:WM_NCDESTROY", "C:WM_NCDESTROY", "A:WM_NCDESTROY"}));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  // Stale handles give failure answers.
  RECT r;
  EXPECT_FALSE(GetWindowRect(a, &r));
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
  EXPECT_FALSE(DestroyWindow(a));
}

TEST_F(MessageOrder, DestroyingAChildNotifiesItsParentAndTheHookCanVeto) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, a, 3);
  veto_ = "";
  HHOOK veto = SetWindowsHookEx(
      WH_CBT, [c](int code, WPARAM wp, LPARAM) -> LRESULT { return code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wp) == c; },
      nullptr, 0);
  EXPECT_FALSE(DestroyWindow(c));
  EXPECT_TRUE(IsWindow(c));
  UnhookWindowsHookEx(veto);
  trace().clear();
  EXPECT_TRUE(DestroyWindow(c));
  EXPECT_EQ(trace().lines, (Lines{"hook:DESTROYWND", "C:WM_WINDOWPOSCHANGING", "C:WM_WINDOWPOSCHANGED",
                                  "A:WM_PARENTNOTIFY", "C:WM_DESTROY", "C:WM_NCDESTROY"}));
  EXPECT_EQ(GetWindow(a, GW_CHILD), nullptr);
}

TEST_F(MessageOrder, ClosingThroughTheQueueDestroysFromInsideTheProcedure) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  PostMessage(a, WM_CLOSE, 0, 0);
  pump();
  EXPECT_FALSE(IsWindow(a));
}

// A subclassed procedure sees each message first and reaches the previous one through
// CallWindowProc; putting the old procedure back ends the subclassing.
TEST_F(MessageOrder, SubclassingChainsProceduresInOrder) {
  HWND a = make("A", WS_POPUP, 0, 0, 100, 100);
  auto old1 = reinterpret_cast<WNDPROC>(GetWindowLongPtr(a, GWLP_WNDPROC));
  EXPECT_EQ(old1, &recording_proc);
  WNDPROC first = MakeProcInstance([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    record(h, m, "sub1");
    if (m == WM_USER + 1) return 41;  // answered here, never passed on
    return CallWindowProc(old1, h, m, w, l);
  });
  EXPECT_EQ(reinterpret_cast<WNDPROC>(SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(first))), old1);
  WNDPROC second = MakeProcInstance([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    record(h, m, "sub2");
    return CallWindowProc(first, h, m, w, l) + (m == WM_USER + 1 ? 1 : 0);
  });
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(second));
  trace().clear();
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 0);
  EXPECT_EQ(SendMessage(a, WM_USER + 1, 0, 0), 42);
  EXPECT_EQ(trace().lines, (Lines{"sub2:WM_USER", "sub1:WM_USER", "A:WM_USER", "sub2:0x0401", "sub1:0x0401"}));
  // Posted messages go through the same chain.
  trace().clear();
  PostMessage(a, WM_USER, 0, 0);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"sub2:WM_USER", "sub1:WM_USER", "A:WM_USER"}));
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old1));
  FreeProcInstance(second);
  FreeProcInstance(first);
  trace().clear();
  SendMessage(a, WM_USER, 0, 0);
  EXPECT_EQ(trace().lines, (Lines{"A:WM_USER"}));
}

TEST_F(MessageOrder, StyleChangesNotifyTheWindow) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  trace().clear();
  LONG old = SetWindowLong(a, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_CAPTION));
  EXPECT_EQ(static_cast<DWORD>(old), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
  EXPECT_EQ(trace().of("A"), (Lines{"WM_STYLECHANGING", "WM_STYLECHANGED"}));
  // The visible bit changes only through showing and hiding.
  EXPECT_TRUE(GetWindowLong(a, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(MessageOrder, TextPropertiesAndUserData) {
  HWND a = make("窗口", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  EXPECT_EQ(GetWindowText(a), "窗口");
  EXPECT_TRUE(SetWindowText(a, "新标题"));
  EXPECT_EQ(GetWindowText(a), "新标题");
  char small[5];
  // A short buffer never cuts a character in half.
  EXPECT_EQ(GetWindowText(a, small, 5), 3);
  EXPECT_STREQ(small, "新");
  int x = 5;
  SetProp(a, "ControlOfs0001", &x);
  EXPECT_EQ(GetProp(a, "ControlOfs0001"), &x);
  EXPECT_EQ(RemoveProp(a, "ControlOfs0001"), &x);
  EXPECT_EQ(GetProp(a, "ControlOfs0001"), nullptr);
  SetWindowLongPtr(a, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongPtr(a, GWLP_USERDATA), 1234);
  EXPECT_EQ(GetClassName(a), "Rec");
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtr(a, GWLP_HINSTANCE)), GetModuleHandle(nullptr));
  EXPECT_TRUE(IsWindowUnicode(a));
}

TEST_F(MessageOrder, HierarchyZOrderAndOwnership) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
  HWND c1 = make("C1", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, 1);
  HWND c2 = make("C2", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, 2);
  // New children go on top.
  EXPECT_EQ(GetTopWindow(a), c2);
  EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), c1);
  EXPECT_EQ(GetWindow(c1, GW_HWNDPREV), c2);
  SetWindowPos(c1, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetTopWindow(a), c1);
  SetWindowPos(c1, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), c1);
  EXPECT_EQ(FindWindowEx(a, nullptr, "rec", "C1"), c1);  // class names ignore case
  HWND owned = CreateWindowEx(0, "Rec", "P", WS_POPUP, 0, 0, 10, 10, c2, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), a);  // the owner is always a top-level window
  EXPECT_EQ(GetParent(owned), a);
  EXPECT_EQ(GetAncestor(c2, GA_ROOT), a);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

TEST_F(MessageOrder, ReparentingKeepsTheScreenPosition) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
  HWND t = make("T", WS_POPUP | WS_VISIBLE, 150, 160, 30, 20);
  ASSERT_NE(GetBackingBitmap(t), nullptr);
  EXPECT_EQ(SetParent(t, a), GetDesktopWindow());
  SetWindowLong(t, GWL_STYLE, static_cast<LONG>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(GetParent(t), a);
  EXPECT_EQ(GetBackingBitmap(t), nullptr);  // only top-level windows have their own bitmap
  RECT r;
  GetWindowRect(t, &r);
  EXPECT_EQ(r, (RECT{150, 160, 180, 180}));
  EXPECT_TRUE(IsWindowVisible(t));
  EXPECT_EQ(SetParent(a, t), nullptr);  // no cycles
  EXPECT_EQ(WindowFromPoint({155, 165}), t);
}

TEST_F(MessageOrder, VersionAndMetricsAreTheFixedProfile) {
  DWORD v = GetVersion();
  EXPECT_EQ(v & 0xFF, 6u);
  EXPECT_EQ((v >> 8) & 0xFF, 1u);
  EXPECT_EQ(v & 0x80000000u, 0u);
  NONCLIENTMETRICS m;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0));
  EXPECT_EQ(m.lfCaptionFont.lfWeight, gdi::FW_BOLD);
  EXPECT_EQ(GetSystemMetrics(SM_CXHSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  RECT r{0, 0, 100, 50};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(r, (RECT{-4, -23, 104, 54}));
}

}  // namespace
}  // namespace platform::win::test
