// A window holding one of each control, rendered with the built-in test font and compared with
// its golden PNG (THC_UPDATE_GOLDEN=1 rewrites it after a deliberate change of the look).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/gdi/png_file.h"
#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

class ControlsSnapshot : public ControlsTest {};

TEST_F(ControlsSnapshot, OneOfEachControlMatchesTheGolden) {
  SetWindowPos(host_, nullptr, 0, 0, 560, 400, SWP_NOMOVE | SWP_NOZORDER);
  add("Button", "Push", BS_PUSHBUTTON, 8, 8, 70, 24, 1);
  add("Button", "Default", BS_DEFPUSHBUTTON, 84, 8, 70, 24, 2);
  HWND check = add("Button", "Check", BS_AUTOCHECKBOX, 8, 40, 80, 18, 3);
  SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
  add("Button", "Radio", BS_AUTORADIOBUTTON, 90, 40, 80, 18, 4);
  add("Button", "Group", BS_GROUPBOX, 8, 64, 160, 60, 5);
  add("Button", "", BS_OWNERDRAW, 16, 84, 60, 30, 6);
  add("Static", "Static text", SS_LEFT, 84, 90, 80, 16, 7);
  add("Edit", "Edit 123", WS_BORDER, 8, 132, 160, 22, 8);
  HWND lb = add("ListBox", "", WS_BORDER, 8, 160, 160, 60, 9);
  for (const char* s : {"alpha", "beta", "gamma"}) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(lb, LB_SETCURSEL, 1, 0);
  HWND cb = add("ComboBox", "", CBS_DROPDOWNLIST, 8, 228, 160, 120, 10);
  SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("COM1"));
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  HWND tab = add("SysTabControl32", "", 0, 180, 8, 200, 100, 11);
  for (const char* s : {"One", "Two", "Three"}) {
    TCITEM it;
    it.mask = TCIF_TEXT;
    it.pszText = const_cast<char*>(s);
    SendMessage(tab, TCM_INSERTITEM, 9, reinterpret_cast<LPARAM>(&it));
  }
  SendMessage(tab, TCM_SETCURSEL, 1, 0);
  HWND dt = add("SysDateTimePick32", "", 0, 180, 116, 140, 22, 12);
  SYSTEMTIME st;
  st.wYear = 2018, st.wMonth = 12, st.wDay = 27;
  SendMessage(dt, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  HWND tr = add("msctls_trackbar32", "", 0, 180, 146, 140, 30, 13);
  SendMessage(tr, TBM_SETPOS, TRUE, 30);
  HWND pb = add("msctls_progress32", "", 0, 180, 184, 140, 14, 14);
  SendMessage(pb, PBM_SETPOS, 60, 0);
  add("Edit", "5", WS_BORDER, 330, 116, 40, 22, 15);
  add("msctls_updown32", "", UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT, 0, 0, 16, 22, 16);
  HWND sb = add("ScrollBar", "", SBS_VERT, 390, 8, 17, 150, 17);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMax = 99;
  si.nPage = 20;
  si.nPos = 40;
  SendMessage(sb, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  HWND lv = add("SysListView32", "", LVS_REPORT | WS_BORDER, 180, 206, 230, 100, 18);
  for (int i = 0; i < 2; ++i) {
    LVCOLUMN c;
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = 90;
    c.pszText = const_cast<char*>(i ? "Value" : "Time");
    SendMessage(lv, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
  }
  LVITEM it;
  it.mask = LVIF_TEXT;
  it.pszText = const_cast<char*>("12:00");
  SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  it.iSubItem = 1;
  it.pszText = const_cast<char*>("25.3");
  SendMessage(lv, LVM_SETITEMTEXT, 0, reinterpret_cast<LPARAM>(&it));
  HWND tb = add("ToolbarWindow32", "", CCS_NORESIZE | CCS_NOPARENTALIGN, 420, 8, 130, 30, 19);
  TBBUTTON b;
  b.idCommand = 1;
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_DROPDOWN;
  b.iString = reinterpret_cast<std::intptr_t>("Link");
  SendMessage(tb, TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&b));
  HWND status = add("msctls_statusbar32", "", 0, 0, 0, 0, 0, 20);
  int parts[3] = {100, 200, -1};
  SendMessage(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
  SendMessage(status, SB_SETTEXT, 0, reinterpret_cast<LPARAM>("Ready"));
  SendMessage(status, SB_SETTEXT, 1, reinterpret_cast<LPARAM>("COM3"));
  SetFocus(host_);
  UpdateWindow(host_);
  pump();

  const gdi::Bitmap* shot = GetBackingBitmap(host_);
  ASSERT_NE(shot, nullptr);
  const char* bin = std::getenv("THC_BINARY_DIR");
  std::string out = std::string(bin ? bin : ".") + "/controls_snapshot.png";
  gdi::write_png_file(out, *shot);
  std::string golden = "tests/golden/controls_snapshot.png";
  if (std::getenv("THC_UPDATE_GOLDEN")) gdi::write_png_file(golden, *shot);
  ASSERT_TRUE(std::filesystem::exists(golden)) << "missing golden file; the rendering is in " << out;
  gdi::Bitmap expected = gdi::read_png_file(golden);
  ASSERT_EQ(expected.width(), shot->width());
  ASSERT_EQ(expected.height(), shot->height());
  int differing = 0;
  for (int y = 0; y < shot->height(); ++y)
    for (int x = 0; x < shot->width(); ++x) differing += expected.pixel(x, y) != shot->pixel(x, y);
  EXPECT_EQ(differing, 0) << "compare " << out << " with " << golden;
}

}  // namespace
}  // namespace platform::win::test
