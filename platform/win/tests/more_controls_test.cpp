// Progress bar, track bar, up-down, header, list view and tool bar: user input, their
// notifications, and the queries the skin engine sends.
#include <gtest/gtest.h>

#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

std::string nt(int id, UINT code) { return "notify " + std::to_string(id) + " " + std::to_string(static_cast<int>(code)); }

class MoreControls : public ControlsTest {};

TEST_F(MoreControls, ProgressBarClampsStepsAndWraps) {
  HWND p = add("msctls_progress32", "", 0, 10, 10, 200, 16, 70);
  PBRANGE r;
  EXPECT_EQ(SendMessage(p, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(r.iHigh, 100);
  SendMessage(p, PBM_SETRANGE32, 0, 50);
  EXPECT_EQ(SendMessage(p, PBM_SETPOS, 80, 0), 0);
  EXPECT_EQ(SendMessage(p, PBM_GETPOS, 0, 0), 50);
  SendMessage(p, PBM_SETPOS, 45, 0);
  SendMessage(p, PBM_STEPIT, 0, 0);  // 55 is past the end: wraps to 5
  EXPECT_EQ(SendMessage(p, PBM_GETPOS, 0, 0), 5);
  EXPECT_EQ(SendMessage(p, PBM_SETBARCOLOR, 0, 0x0000FF), static_cast<LRESULT>(CLR_DEFAULT));
}

TEST_F(MoreControls, TrackBarMovesByKeysPagesAndThumb) {
  HWND t = add("msctls_trackbar32", "", 0, 10, 10, 216, 30, 71);
  SendMessage(t, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SetFocus(t);
  actions();
  key(VK_RIGHT);
  EXPECT_EQ(SendMessage(t, TBM_GETPOS, 0, 0), 1);
  EXPECT_EQ(actions(), (Lines{"hscroll 1 0", "hscroll 8 0"}));
  RECT thumb, channel;
  SendMessage(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  SendMessage(t, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  EXPECT_LT(channel.left, thumb.left);
  click(t, channel.right - 2, 10);  // right of the thumb: a page
  EXPECT_EQ(SendMessage(t, TBM_GETPOS, 0, 0), 10);  // a page of 20 clamped to the end
  EXPECT_EQ(actions(), (Lines{"hscroll 3 0", "hscroll 8 0"}));
  // Drag the thumb from the start to the far end.
  SendMessage(t, TBM_SETPOS, TRUE, 0);
  SendMessage(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  int cx = (thumb.left + thumb.right) / 2;
  press(t, cx, 10);
  move(t, channel.right + 20, 10);
  release(t, channel.right + 20, 10);
  EXPECT_EQ(SendMessage(t, TBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(actions(), (Lines{"hscroll 5 10", "hscroll 4 10", "hscroll 8 0"}));
}

TEST_F(MoreControls, TrackBarOffersItsPartsForCustomDrawing) {
  custom_draw().ask_items = true;
  add("msctls_trackbar32", "", 0, 10, 10, 216, 30, 71);
  EXPECT_EQ(custom_draw().seen, (std::vector<std::string>{"1 0", "65537 1", "65537 3", "65537 2"}));
}

TEST_F(MoreControls, UpDownSpinsItsBuddyAndAsksTheParent) {
  HWND e = add("Edit", "0", 0, 10, 10, 60, 20, 72);
  HWND ud = add("msctls_updown32", "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0, 16, 20, 73);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(ud, UDM_GETBUDDY, 0, 0)), e);
  SendMessage(ud, UDM_SETRANGE32, 0, 3);
  notices();
  click(ud, 8, 2);  // the upper arrow
  EXPECT_EQ(SendMessage(ud, UDM_GETPOS32, 0, 0), 1);
  EXPECT_EQ(GetWindowText(e), "1");
  Lines n = notices();
  ASSERT_GE(n.size(), 3u);
  EXPECT_EQ(n[0], nt(73, UDN_DELTAPOS));
  EXPECT_NE(std::find(n.begin(), n.end(), "vscroll 4 1"), n.end());
  EXPECT_EQ(n.back(), "vscroll 8 1");
  // At the limit without UDS_WRAP it stays.
  SendMessage(ud, UDM_SETPOS32, 0, 3);
  click(ud, 8, 2);
  EXPECT_EQ(SendMessage(ud, UDM_GETPOS32, 0, 0), 3);
}

TEST_F(MoreControls, ListViewReportRowsSelectAndNotify) {
  HWND lv = add("SysListView32", "", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 10, 10, 300, 150, 74);
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(GetClassName(header), "SysHeader32");
  const char* cols[] = {"序号", "时间", "温度"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMN c;
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = 80;
    c.pszText = const_cast<char*>(cols[i]);
    EXPECT_EQ(SendMessage(lv, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c)), i);
  }
  EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 3);
  for (int i = 0; i < 4; ++i) {
    std::string s = std::to_string(i + 1);
    LVITEM it;
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = s.data();
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
    it.iSubItem = 2;
    std::string t = "25." + s;
    it.pszText = t.data();
    SendMessage(lv, LVM_SETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
  }
  EXPECT_EQ(SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 4);
  char buf[16];
  LVITEM get;
  get.iSubItem = 2;
  get.pszText = buf;
  get.cchTextMax = sizeof buf;
  EXPECT_EQ(SendMessage(lv, LVM_GETITEMTEXT, 3, reinterpret_cast<LPARAM>(&get)), 4);
  EXPECT_STREQ(buf, "25.4");
  notices();
  RECT r;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  click(lv, 10, r.top + 2);
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  Lines n;
  for (auto& s : notices())
    if (s != nt(74, NM_CUSTOMDRAW)) n.push_back(s);
  EXPECT_NE(std::find(n.begin(), n.end(), nt(74, LVN_ITEMCHANGED)), n.end());
  EXPECT_EQ(n.back(), nt(74, NM_CLICK));
  key(VK_DOWN);
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);  // single selection
  // A click on a column header becomes a column click.
  notices();
  RECT hr;
  SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&hr));
  click(header, hr.left + 5, 3);
  n.clear();
  for (auto& s : notices())
    if (s != nt(74, NM_CUSTOMDRAW)) n.push_back(s);
  EXPECT_EQ(n, Lines{nt(74, LVN_COLUMNCLICK)});
}

TEST_F(MoreControls, ToolBarClicksDropsDownAndAsksForCustomDraw) {
  HWND tb = add("ToolbarWindow32", "", TBSTYLE_FLAT, 0, 0, 0, 0, 75);
  SendMessage(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON b[2];
  b[0].idCommand = 501;
  b[0].fsState = TBSTATE_ENABLED;
  b[0].fsStyle = BTNS_DROPDOWN;
  b[0].iString = reinterpret_cast<std::intptr_t>(" 连接 ");
  b[1].idCommand = 502;
  b[1].fsState = TBSTATE_ENABLED;
  b[1].fsStyle = BTNS_CHECK;
  b[1].iString = reinterpret_cast<std::intptr_t>("Check");
  EXPECT_TRUE(SendMessage(tb, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(b)));
  EXPECT_EQ(SendMessage(tb, TB_BUTTONCOUNT, 0, 0), 2);
  RECT r0, r1;
  SendMessage(tb, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
  SendMessage(tb, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
  EXPECT_EQ(r1.left, r0.right);
  notices();
  click(tb, r0.left + 5, r0.top + 5);
  click(tb, r0.right - 4, r0.top + 5);  // on the arrow
  click(tb, r1.left + 5, r1.top + 5);
  Lines n;
  for (auto& s : notices())
    if (s.rfind("notify 75 -12", 0) != 0) n.push_back(s);  // custom-draw requests aside
  EXPECT_EQ(n, (Lines{"cmd 501 0", nt(75, TBN_DROPDOWN), "cmd 502 0"}));
  EXPECT_TRUE(SendMessage(tb, TB_ISBUTTONCHECKED, 502, 0));
  SendMessage(tb, TB_ENABLEBUTTON, 501, FALSE);
  click(tb, r0.left + 5, r0.top + 5);
  n.clear();
  for (auto& s : notices())
    if (s.rfind("notify 75 -12", 0) != 0) n.push_back(s);
  EXPECT_EQ(n, Lines{});
  // Painting asks for custom draw first.
  InvalidateRect(tb, nullptr, TRUE);
  UpdateWindow(tb);
  EXPECT_EQ(notices().front(), nt(75, NM_CUSTOMDRAW));
}

}  // namespace
}  // namespace platform::win::test
