// Scroll bars: the info calls, GetScrollBarInfo in screen coordinates, the tracking loop's codes
// and auto-repeat, and the "ScrollBar" control.
#include <gtest/gtest.h>

#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class ScrollBars : public ControlsTest {
protected:
  HWND scrolled() {
    HWND w = CreateWindowEx(0, "Host", "S", WS_POPUP | WS_BORDER | WS_VSCROLL | WS_VISIBLE, 50, 50, 200, 200, nullptr, nullptr,
                            nullptr, nullptr);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 0;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    pump();
    notices();
    return w;
  }
  static void click_at(POINT p) {
    inject_mouse_move(p);
    inject_mouse_button(p, MouseButton::kLeft, true);
    inject_mouse_button(p, MouseButton::kLeft, false);
    ProcessPendingMessages();
  }
};

TEST_F(ScrollBars, InfoCallsClampAndReport) {
  HWND w = scrolled();
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = 500;
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90);  // max - page + 1
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 90);
  EXPECT_EQ(SetScrollPos(w, SB_VERT, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 0);
  int lo = 0, hi = 0;
  EXPECT_TRUE(GetScrollRange(w, SB_VERT, &lo, &hi));
  EXPECT_EQ(hi, 99);
  // A page as large as the range hides the bar; a smaller one shows it again.
  si.fMask = SIF_PAGE;
  si.nPage = 100;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  si.nPage = 10;
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_VSCROLL);
  // SB_CTL on a window that is no scroll-bar control fails.
  EXPECT_FALSE(GetScrollInfo(w, SB_CTL, &si));
}

TEST_F(ScrollBars, ScrollBarInfoIsInScreenCoordinates) {
  HWND w = scrolled();
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &sbi));
  FrameLayout l = GetFrameLayout(w);
  RECT wr;
  GetWindowRect(w, &wr);
  EXPECT_EQ(sbi.rcScrollBar.left, wr.left + l.vscroll.left);
  EXPECT_EQ(sbi.rcScrollBar.top, wr.top + l.vscroll.top);
  EXPECT_EQ(sbi.rcScrollBar.bottom, wr.top + l.vscroll.bottom);
  EXPECT_EQ(sbi.dxyLineButton, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(sbi.xyThumbTop, sbi.dxyLineButton);  // at position 0
  EXPECT_GT(sbi.xyThumbBottom, sbi.xyThumbTop);
  EXPECT_EQ(sbi.rgstate[0], 0u);
  // The horizontal bar is absent: invisible.
  ASSERT_TRUE(GetScrollBarInfo(w, OBJID_HSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_INVISIBLE);
  EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH);
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(ScrollBars, TrackingSendsLinePageAndThumbCodes) {
  HWND w = scrolled();
  SCROLLBARINFO sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  int cx = (sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2;
  int top = sbi.rcScrollBar.top, bottom = sbi.rcScrollBar.bottom;
  click_at({cx, bottom - 3});                     // the down arrow
  click_at({cx, top + sbi.xyThumbBottom + 10});   // below the thumb
  click_at({cx, top + 3});                        // the up arrow
  EXPECT_EQ(notices(), (Lines{"vscroll 1 0", "vscroll 8 0", "vscroll 3 0", "vscroll 8 0", "vscroll 0 0", "vscroll 8 0"}));
  // Dragging the thumb to the middle of the track.
  POINT grab{cx, top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2};
  int track = (bottom - top) - 2 * sbi.dxyLineButton - (sbi.xyThumbBottom - sbi.xyThumbTop);
  inject_mouse_move(grab);
  inject_mouse_button(grab, MouseButton::kLeft, true);
  inject_mouse_move({cx, grab.y + track / 2});
  inject_mouse_button({cx, grab.y + track / 2}, MouseButton::kLeft, false);
  pump();
  Lines n = notices();
  ASSERT_EQ(n.size(), 3u);
  EXPECT_EQ(n[0], "vscroll 5 45");
  EXPECT_EQ(n[1], "vscroll 4 45");
  EXPECT_EQ(n[2], "vscroll 8 0");
}

TEST_F(ScrollBars, HoldingAnArrowRepeats) {
  HWND w = scrolled();
  SCROLLBARINFO sbi;
  GetScrollBarInfo(w, OBJID_VSCROLL, &sbi);
  POINT p{(sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2, sbi.rcScrollBar.bottom - 3};
  int timers = 0;
  SetWindowsHookEx(
      WH_MSGFILTER,
      [&](int code, WPARAM, LPARAM lp) -> LRESULT {
        auto* m = reinterpret_cast<MSG*>(lp);
        if (code == MSGF_SCROLLBAR && m->message == WM_TIMER && ++timers == 3) inject_mouse_button(p, MouseButton::kLeft, false);
        return 0;
      },
      nullptr, 0);
  inject_mouse_move(p);
  inject_mouse_button(p, MouseButton::kLeft, true);
  pump();
  Lines n = notices();
  // The first line at the press, one for each of the three repeats, then the end.
  EXPECT_EQ(n, (Lines{"vscroll 1 0", "vscroll 1 0", "vscroll 1 0", "vscroll 1 0", "vscroll 8 0"}));
}

TEST_F(ScrollBars, ScrollBarControlNotifiesItsParent) {
  HWND sb = add("ScrollBar", "", SBS_HORZ, 10, 10, 200, 17, 60);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 20;
  si.nPos = 5;
  EXPECT_EQ(SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si)), 5);
  EXPECT_EQ(SendMessage(sb, SBM_GETPOS, 0, 0), 5);
  click(sb, 195, 8);  // the right arrow
  EXPECT_EQ(notices(), (Lines{"hscroll 1 0", "hscroll 8 0"}));
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(sb, OBJID_CLIENT, &sbi));
  RECT wr;
  GetWindowRect(sb, &wr);
  EXPECT_EQ(sbi.rcScrollBar.left, wr.left);
  EXPECT_EQ(sbi.rcScrollBar.right, wr.right);
}

}  // namespace
}  // namespace platform::win::test
