// Mouse tracking and cursor shapes: hover and leave notices (client and non-client) with their
// order and coordinates on the virtual clock, and the cursor that WM_SETCURSOR shows.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/win/controls.h"
#include "platform/win/tests/test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class MouseTracking : public WinTest {
protected:
  // Takes every message the queue holds now, in order, as "<window>:<message>(<wParam>,<x>,<y>)"
  // for the tracking notices and "<window>:<message>" for mouse moves; others are dispatched only.
  Lines take() {
    Lines out;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      auto* name = static_cast<const char*>(GetProp(m.hwnd, "test.name"));
      const std::string who = name ? name : "?";
      switch (m.message) {
        case WM_MOUSEHOVER:
        case WM_NCMOUSEHOVER: {
          char buf[64];
          std::snprintf(buf, sizeof buf, "(%d,%d,%d)", static_cast<int>(m.wParam), GET_X_LPARAM(m.lParam),
                        GET_Y_LPARAM(m.lParam));
          out.push_back(who + ":" + message_name(m.message) + buf);
          break;
        }
        case WM_MOUSELEAVE:
        case WM_NCMOUSELEAVE:
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE: out.push_back(who + ":" + message_name(m.message)); break;
        default: break;
      }
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    return out;
  }
  void move(int x, int y) { inject_mouse_move({x, y}); }
  void wait(int ms) { clock_.advance(core::Millis(ms)); }
  static BOOL track(HWND h, DWORD flags, DWORD hover = HOVER_DEFAULT) {
    TRACKMOUSEEVENT tme;
    tme.dwFlags = flags;
    tme.hwndTrack = h;
    tme.dwHoverTime = hover;
    return TrackMouseEvent(&tme);
  }
};

TEST_F(MouseTracking, ClientHoverComesOnceAfterTheRestAndLeaveComesBeforeTheNextWindowsMove) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  make("B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  move(50, 40);
  take();
  ASSERT_TRUE(track(a, TME_HOVER | TME_LEAVE, 100));
  wait(99);
  EXPECT_EQ(take(), Lines{});
  wait(1);
  // Client coordinates of where the pointer rests, no buttons down.
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEHOVER(0,50,40)"}));
  wait(1000);
  EXPECT_EQ(take(), Lines{});  // one notice per request
  // The hover is asked again; moving within 2 pixels keeps its wait, moving further restarts it.
  track(a, TME_HOVER, 100);
  wait(60);
  move(52, 38);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEMOVE"}));
  wait(40);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEHOVER(0,52,38)"}));
  track(a, TME_HOVER, 100);
  wait(60);
  move(55, 38);
  wait(40);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEMOVE"}));
  wait(59);
  EXPECT_EQ(take(), Lines{});
  wait(1);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEHOVER(0,55,38)"}));
  // The move onto B: A hears it was left before B hears the move.
  move(250, 40);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSELEAVE", "B:WM_MOUSEMOVE"}));
  move(251, 40);
  EXPECT_EQ(take(), (Lines{"B:WM_MOUSEMOVE"}));
}

TEST_F(MouseTracking, HoverSeesTheButtonsAndWaitsForInputFromBeforeItsTime) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100);
  move(30, 30);
  take();
  track(a, TME_HOVER, 50);
  inject_mouse_button({30, 30}, MouseButton::kLeft, true);
  wait(50);
  // The press happened before the hover was due: it is handled first; the hover then reports the
  // button down.
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_LBUTTONDOWN);
  DispatchMessage(&m);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEHOVER(1,20,20)"}));
  inject_mouse_button({30, 30}, MouseButton::kLeft, false);
  take();
  // A move that comes before the due time restarts the wait even when it is only read later.
  track(a, TME_HOVER, 50);
  wait(30);
  move(60, 60);
  wait(30);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEMOVE"}));
  wait(20);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSEHOVER(0,50,50)"}));
}

TEST_F(MouseTracking, NonClientTrackingReportsHitCodesAndScreenPoints) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  // The caption at (250, 110), then the client area below it.
  move(250, 110);
  EXPECT_EQ(take(), (Lines{"A:WM_NCMOUSEMOVE"}));
  // Asking for the client part while the pointer is on the frame answers with a leave at once.
  track(a, TME_LEAVE);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSELEAVE"}));
  ASSERT_TRUE(track(a, TME_HOVER | TME_LEAVE | TME_NONCLIENT));
  wait(400);
  EXPECT_EQ(take(), (Lines{"A:WM_NCMOUSEHOVER(2,250,110)"}));  // HTCAPTION
  move(250, 150);
  EXPECT_EQ(take(), (Lines{"A:WM_NCMOUSELEAVE", "A:WM_MOUSEMOVE"}));
  // Over the close button the hover carries HTCLOSE.
  move(385, 110);
  take();
  track(a, TME_HOVER | TME_NONCLIENT, 10);
  wait(10);
  EXPECT_EQ(take(), (Lines{"A:WM_NCMOUSEHOVER(20,385,110)"}));
}

TEST_F(MouseTracking, QueryCancelAndTheSwitchToAnotherWindow) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = make("C", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, a, 1);
  move(50, 50);
  take();
  track(a, TME_HOVER | TME_LEAVE, 250);
  TRACKMOUSEEVENT q;
  q.dwFlags = TME_QUERY;
  ASSERT_TRUE(TrackMouseEvent(&q));
  EXPECT_EQ(q.hwndTrack, a);
  EXPECT_EQ(q.dwFlags, TME_HOVER | TME_LEAVE);
  EXPECT_EQ(q.dwHoverTime, 250u);
  // Cancelling the hover keeps the leave.
  track(a, TME_CANCEL | TME_HOVER);
  wait(1000);
  EXPECT_EQ(take(), Lines{});
  q.dwFlags = TME_QUERY;
  TrackMouseEvent(&q);
  EXPECT_EQ(q.dwFlags, TME_LEAVE);
  // Into the child: the parent is left (its client area no longer holds the pointer).
  move(20, 20);
  EXPECT_EQ(take(), (Lines{"A:WM_MOUSELEAVE", "C:WM_MOUSEMOVE"}));
  track(c, TME_LEAVE);
  move(60, 60);
  EXPECT_EQ(take(), (Lines{"C:WM_MOUSELEAVE", "A:WM_MOUSEMOVE"}));
  track(a, TME_LEAVE);
  track(c, TME_CANCEL | TME_LEAVE);  // not C's tracking any more: nothing changes
  q.dwFlags = TME_QUERY;
  TrackMouseEvent(&q);
  EXPECT_EQ(q.hwndTrack, a);
  // A destroyed window takes its tracking along.
  DestroyWindow(a);
  EXPECT_EQ(take(), Lines{});
  EXPECT_FALSE(track(a, TME_LEAVE));
}

TEST_F(MouseTracking, ThePendingHoverEndsAWaitForMessagesOnTheVirtualClock) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  move(5, 5);
  take();
  track(a, TME_HOVER, 300);
  const DWORD start = GetTickCount();
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_MOUSEHOVER);
  EXPECT_EQ(GetTickCount() - start, 300u);
}

// A display that records the shapes it was asked to show.
class CursorDisplay final : public Display {
public:
  explicit CursorDisplay(std::vector<int>* shown) : shown_(shown) {}
  SIZE screen_size() const override { return {1024, 768}; }
  void cursor_changed(int shape) override { shown_->push_back(shape); }

private:
  std::vector<int>* shown_;
};

TEST_F(MouseTracking, SetCursorFollowsTheHitCodeTheClassAndTheParent) {
  InitControls();
  std::vector<int> shown;
  set_display(std::make_unique<CursorDisplay>(&shown));
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  HWND e = CreateWindowEx(0, "Edit", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, a, nullptr, nullptr, nullptr);
  HWND b = CreateWindowEx(0, "Button", "", WS_CHILD | WS_VISIBLE, 10, 40, 100, 20, a, nullptr, nullptr, nullptr);
  ASSERT_TRUE(e && b);
  // The frame's class shows a cross; its children keep their own classes' shapes.
  SetClassLongPtr(a, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursor(nullptr, IDC_CROSS)));
  struct Case {
    int x, y, shape;
  };
  const Case cases[] = {
      {100, 150, IDC_SIZEWE},   {399, 150, IDC_SIZEWE},   {250, 100, IDC_SIZENS},   {250, 299, IDC_SIZENS},
      {100, 100, IDC_SIZENWSE}, {399, 299, IDC_SIZENWSE}, {399, 100, IDC_SIZENESW}, {100, 299, IDC_SIZENESW},
      {250, 110, IDC_ARROW},    {120, 140, IDC_IBEAM},    {120, 170, IDC_ARROW},    {250, 150, IDC_CROSS},
      {121, 140, IDC_IBEAM},
  };
  for (const Case& c : cases) {
    move(c.x, c.y);
    take();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, c.shape)) << c.x << "," << c.y;
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), c.shape) << c.x << "," << c.y;
  }
  // A class without a cursor leaves the pointer as it was.
  SetClassLongPtr(a, GCLP_HCURSOR, 0);
  move(251, 150);
  take();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM));
  // A parent that sets the cursor itself wins over its child's class.
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(a, GWLP_WNDPROC));
  static WNDPROC s_old;
  s_old = old;
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_SETCURSOR && LOWORD(lp) == HTCLIENT) {
      SetCursor(LoadCursor(nullptr, IDC_HAND));
      return TRUE;
    }
    return CallWindowProc(s_old, h, msg, wp, lp);
  }));
  move(120, 141);
  take();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  // Handles: one per shape, none for unknown names or other modules; SetCursor answers the old one
  // and tells the display only about changes.
  EXPECT_EQ(LoadCursor(nullptr, IDC_WAIT), LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(LoadCursor(nullptr, 1), nullptr);
  EXPECT_EQ(LoadCursor(GetModuleHandle(nullptr), IDC_ARROW), nullptr);
  shown.clear();
  EXPECT_EQ(SetCursor(LoadCursor(nullptr, IDC_WAIT)), LoadCursor(nullptr, IDC_HAND));
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(SetCursor(nullptr), LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(shown, (std::vector<int>{IDC_WAIT, 0}));
  int not_a_cursor = 0;
  EXPECT_EQ(SetCursor(&not_a_cursor), nullptr);
  EXPECT_EQ(GetCursor(), nullptr);
}

}  // namespace
}  // namespace platform::win::test
