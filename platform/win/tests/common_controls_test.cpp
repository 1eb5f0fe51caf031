// Status bar, tab control, date-time picker with its calendar: driven by the mouse and keyboard,
// with the queries the skin engine sends.
#include <gtest/gtest.h>

#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

std::string nt(int id, UINT code) { return "notify " + std::to_string(id) + " " + std::to_string(static_cast<int>(code)); }

class CommonControls : public ControlsTest {};

TEST_F(CommonControls, StatusBarKeepsPartsAndTexts) {
  HWND sb = add("msctls_statusbar32", "", 0, 0, 0, 0, 0, 30);
  RECT wr, hr;
  GetClientRect(host_, &hr);
  GetWindowRect(sb, &wr);
  POINT p{wr.left, wr.bottom};
  ScreenToClient(host_, &p);
  EXPECT_EQ(p.y, hr.bottom);  // along the bottom edge, the full width
  EXPECT_EQ(wr.right - wr.left, hr.right);
  // The console's eight panels with their widths.
  int widths[8] = {60, 60, 40, 60, 60, 60, 40, 50};
  int rights[8];
  for (int i = 0, x = 0; i < 8; ++i) rights[i] = x += widths[i];
  rights[7] = -1;
  EXPECT_TRUE(SendMessage(sb, SB_SETPARTS, 8, reinterpret_cast<LPARAM>(rights)));
  EXPECT_EQ(SendMessage(sb, SB_GETPARTS, 0, 0), 8);
  SendMessage(sb, SB_SETTEXT, 3, reinterpret_cast<LPARAM>("COM3"));
  char buf[16];
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(SendMessage(sb, SB_GETTEXT, 3, reinterpret_cast<LPARAM>(buf)))), 4);
  EXPECT_STREQ(buf, "COM3");
  EXPECT_EQ(SendMessage(sb, SB_GETTEXTLENGTH, 9, 0), 0);  // no such part
  RECT r;
  ASSERT_TRUE(SendMessage(sb, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(r.left, 62);
  EXPECT_EQ(r.right, 120);
  ASSERT_TRUE(SendMessage(sb, SB_GETRECT, 7, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(r.right, hr.right);  // the last part runs to the end
  EXPECT_FALSE(SendMessage(sb, SB_GETRECT, 8, reinterpret_cast<LPARAM>(&r)));
  int borders[3];
  EXPECT_TRUE(SendMessage(sb, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders)));
  // The parent's resize, forwarded, keeps the bar at the bottom.
  SetWindowPos(host_, nullptr, 0, 0, 500, 350, SWP_NOMOVE | SWP_NOZORDER);
  SendMessage(sb, WM_SIZE, 0, 0);
  GetWindowRect(sb, &wr);
  EXPECT_EQ(wr.right - wr.left, 500);
}

TEST_F(CommonControls, TabControlSwitchesPagesByMouseAndKeyboard) {
  HWND tc = add("SysTabControl32", "", WS_TABSTOP, 10, 10, 300, 150, 40);
  const char* names[] = {"报警记录", "历史记录", "TF卡"};
  for (int i = 0; i < 3; ++i) {
    TCITEM it;
    it.mask = TCIF_TEXT;
    it.pszText = const_cast<char*>(names[i]);
    EXPECT_EQ(SendMessage(tc, TCM_INSERTITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it)), i);
  }
  EXPECT_EQ(SendMessage(tc, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(tc, TCM_GETCURSEL, 0, 0), 0);
  RECT r2;
  ASSERT_TRUE(SendMessage(tc, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r2)));
  click(tc, r2.left + 3, r2.top + 3);
  EXPECT_EQ(SendMessage(tc, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notices(), (Lines{nt(40, TCN_SELCHANGING), nt(40, TCN_SELCHANGE)}));
  key(VK_LEFT);
  EXPECT_EQ(SendMessage(tc, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(notices(), (Lines{nt(40, TCN_KEYDOWN), nt(40, TCN_SELCHANGING), nt(40, TCN_SELCHANGE)}));
  // Code selection is silent and answers the previous tab.
  EXPECT_EQ(SendMessage(tc, TCM_SETCURSEL, 0, 0), 1);
  EXPECT_EQ(notices(), Lines{});
  char buf[32];
  TCITEM get;
  get.mask = TCIF_TEXT;
  get.pszText = buf;
  get.cchTextMax = sizeof buf;
  ASSERT_TRUE(SendMessage(tc, TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&get)));
  EXPECT_STREQ(buf, "历史记录");
  TCHITTESTINFO hit;
  hit.pt = {r2.left + 3, r2.top + 3};
  EXPECT_EQ(SendMessage(tc, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 2);
  hit.pt = {290, 140};
  EXPECT_EQ(SendMessage(tc, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  // TCM_ADJUSTRECT is its own inverse.
  RECT page{0, 0, 300, 150}, back;
  SendMessage(tc, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  back = page;
  SendMessage(tc, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.left, 0);
  EXPECT_EQ(back.top, 0);
  EXPECT_EQ(back.right, 300);
  EXPECT_EQ(back.bottom, 150);
  EXPECT_GT(page.top, r2.bottom - 1);
}

TEST_F(CommonControls, DateTimePickerChangesFieldsAndPicksFromItsCalendar) {
  HWND dt = add("SysDateTimePick32", "", WS_TABSTOP, 10, 10, 140, 22, 50);
  SYSTEMTIME t;
  t.wYear = 2024, t.wMonth = 2, t.wDay = 29, t.wHour = 13, t.wMinute = 5;
  EXPECT_TRUE(SendMessage(dt, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t)));
  EXPECT_EQ(GetWindowText(dt), "2024-02-29");
  SYSTEMTIME bad = t;
  bad.wYear = 2023;  // 29 February 2023 does not exist
  EXPECT_FALSE(SendMessage(dt, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&bad)));
  EXPECT_EQ(notices(), Lines{});
  // Click the year and press Up: the day follows the shorter February, the time stays.
  SetFocus(dt);
  notices();
  click(dt, 6, 8);
  key(VK_UP);
  SYSTEMTIME got;
  EXPECT_EQ(SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got)), GDT_VALID);
  EXPECT_EQ(got.wYear, 2025);
  EXPECT_EQ(got.wDay, 28);
  EXPECT_EQ(got.wHour, 13);
  EXPECT_EQ(notices(), Lines{nt(50, DTN_DATETIMECHANGE)});
  // Right moves to the month; typing "1" "1" gives November.
  key(VK_RIGHT);
  type("11");
  SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.wMonth, 11);
  // The day is next: "4" cannot start a two-digit day and completes the field at once (the focus
  // wraps to the year); "3" waits for its second digit.
  type("4");
  SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.wDay, 4);
  key(VK_LEFT);  // back to the day
  type("30");
  SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.wDay, 30);
  notices();
  // The drop button opens the calendar; a click on a day picks it and closes it.
  RECT cr;
  GetClientRect(dt, &cr);
  click(dt, cr.right - 4, 8);
  HWND cal = reinterpret_cast<HWND>(SendMessage(dt, DTM_GETMONTHCAL, 0, 0));
  ASSERT_NE(cal, nullptr);
  EXPECT_EQ(GetClassName(cal), "SysMonthCal32");
  EXPECT_TRUE(IsWindowVisible(cal));
  EXPECT_EQ(notices(), Lines{nt(50, DTN_DROPDOWN)});
  // November 2025 starts on a Saturday: the first row holds 26 Oct .. 1 Nov, so 5 Nov is in the
  // second row, Wednesday's column.
  RECT need;
  SendMessage(cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need));
  int cw = (need.right - 4) / 7, ch = (need.bottom - 4) / 8;
  click(cal, 2 + 3 * cw + cw / 2, 3 * ch + ch / 2);
  SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.wYear, 2025);
  EXPECT_EQ(got.wMonth, 11);
  EXPECT_EQ(got.wDay, 5);
  EXPECT_EQ(got.wHour, 13);
  EXPECT_FALSE(IsWindowVisible(cal));
  EXPECT_EQ(notices(), (Lines{nt(50, DTN_CLOSEUP), nt(50, DTN_DATETIMECHANGE)}));
}

TEST_F(CommonControls, DateTimePickerKeepsToItsRange) {
  HWND dt = add("SysDateTimePick32", "", 0, 10, 10, 140, 22, 51);
  SYSTEMTIME range[2];
  range[0].wYear = 2020, range[0].wMonth = 1, range[0].wDay = 1;
  range[1].wYear = 2020, range[1].wMonth = 12, range[1].wDay = 31;
  EXPECT_TRUE(SendMessage(dt, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range)));
  SYSTEMTIME t;
  t.wYear = 2030, t.wMonth = 6, t.wDay = 1;
  SendMessage(dt, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
  SYSTEMTIME got;
  SendMessage(dt, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got.wYear, 2020);
  EXPECT_EQ(got.wMonth, 12);
  SYSTEMTIME back[2];
  EXPECT_EQ(SendMessage(dt, DTM_GETRANGE, 0, reinterpret_cast<LPARAM>(back)), static_cast<LRESULT>(GDTR_MIN | GDTR_MAX));
  EXPECT_EQ(back[1].wDay, 31);
  // Without DTS_SHOWNONE there is no empty value.
  EXPECT_FALSE(SendMessage(dt, DTM_SETSYSTEMTIME, GDT_NONE, 0));
}

}  // namespace
}  // namespace platform::win::test
