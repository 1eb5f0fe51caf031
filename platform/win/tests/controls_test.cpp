// The standard controls driven the way a user drives them: the resulting state and the
// notifications to the parent, in order.
#include <gtest/gtest.h>

#include "platform/gdi/bitmap.h"
#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

std::string cmd(int id, UINT code) { return "cmd " + std::to_string(id) + " " + std::to_string(code); }

class Controls : public ControlsTest {};

TEST_F(Controls, PushButtonClicksOnlyWhenReleasedInside) {
  HWND b = add("Button", "OK", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 80, 24, 7);
  click(b, 10, 10);
  EXPECT_EQ(notices(), Lines{cmd(7, BN_CLICKED)});
  EXPECT_EQ(GetFocus(), b);
  // Pressed, dragged out and released outside: no click; the pushed state follows the pointer.
  press(b, 10, 10);
  EXPECT_TRUE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  move(b, 200, 10);
  EXPECT_FALSE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  release(b, 200, 10);
  EXPECT_EQ(notices(), Lines{});
  // The space bar clicks on release; BM_CLICK clicks too; a disabled button ignores both.
  key(VK_SPACE);
  SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_EQ(notices(), (Lines{cmd(7, BN_CLICKED), cmd(7, BN_CLICKED)}));
  EnableWindow(b, FALSE);
  SendMessage(b, BM_CLICK, 0, 0);
  click(b, 10, 10);
  EXPECT_EQ(notices(), Lines{});
  EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

TEST_F(Controls, CheckBoxesAndRadioGroupsFollowTheirKind) {
  HWND auto_check = add("Button", "A", BS_AUTOCHECKBOX, 10, 10, 80, 20, 1);
  HWND manual = add("Button", "M", BS_CHECKBOX, 10, 40, 80, 20, 2);
  HWND tri = add("Button", "T", BS_AUTO3STATE, 10, 70, 80, 20, 3);
  click(auto_check, 5, 5);
  click(manual, 5, 5);
  click(tri, 5, 5);
  click(tri, 5, 5);
  EXPECT_EQ(SendMessage(auto_check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // the parent decides
  EXPECT_EQ(SendMessage(tri, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(notices(), (Lines{cmd(1, BN_CLICKED), cmd(2, BN_CLICKED), cmd(3, BN_CLICKED), cmd(3, BN_CLICKED)}));
  // Setting the check from code sends nothing.
  SendMessage(auto_check, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_EQ(notices(), Lines{});
  // A plain check box cannot hold the third state.
  SendMessage(auto_check, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessage(auto_check, BM_GETCHECK, 0, 0), BST_CHECKED);

  // Two groups of automatic radio buttons: a pick clears only its own group.
  HWND r1 = add("Button", "r1", BS_AUTORADIOBUTTON | WS_GROUP, 150, 10, 60, 20, 11);
  HWND r2 = add("Button", "r2", BS_AUTORADIOBUTTON, 150, 40, 60, 20, 12);
  HWND s1 = add("Button", "s1", BS_AUTORADIOBUTTON | WS_GROUP, 250, 10, 60, 20, 21);
  HWND s2 = add("Button", "s2", BS_AUTORADIOBUTTON, 250, 40, 60, 20, 22);
  click(r1, 5, 5);
  click(s2, 5, 5);
  click(r2, 5, 5);
  EXPECT_EQ(SendMessage(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(s1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(s2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(notices(), (Lines{cmd(11, BN_CLICKED), cmd(22, BN_CLICKED), cmd(12, BN_CLICKED)}));
}

// The mark inside a 13-pixel box that sits at the left, centred in height: a ticked box shows a check
// mark (not a filled square, which reads as the third state), a third-state box a grey square.
TEST_F(Controls, CheckBoxMarksTellTheirStateApart) {
  struct Probe {
    int x, y;
    bool ink;
  };
  struct Case {
    const char* what;
    DWORD style;
    LRESULT check;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"ticked", BS_AUTOCHECKBOX, BST_CHECKED,
       {{4, 7, true}, {5, 9, true}, {8, 5, true}, {9, 3, true}, {6, 4, false}, {8, 9, false}, {4, 4, false}}},
      {"third state", BS_AUTO3STATE, BST_INDETERMINATE, {{6, 6, true}, {4, 4, true}, {8, 8, true}, {3, 3, false}}},
      {"unticked", BS_AUTOCHECKBOX, BST_UNCHECKED, {{4, 7, false}, {9, 3, false}, {6, 6, false}}},
  };
  for (const Case& c : cases) {
    HWND box = add("Button", "x", c.style, 10, 10, 80, 17, 1);
    SendMessage(box, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
    UpdateWindow(host_);
    pump();
    const gdi::Bitmap* shown = GetBackingBitmap(host_);
    ASSERT_NE(shown, nullptr);
    RECT hr, br;
    GetWindowRect(host_, &hr);
    GetWindowRect(box, &br);
    const int x0 = br.left - hr.left, y0 = br.top - hr.top + 2;
    const gdi::Pixel paper = shown->pixel(x0 + 3, y0 + 10);
    for (const Probe& p : c.probes)
      EXPECT_EQ(shown->pixel(x0 + p.x, y0 + p.y) != paper, p.ink) << c.what << " at " << p.x << "," << p.y;
    DestroyWindow(box);
  }
}

TEST_F(Controls, OwnerDrawButtonAsksItsParentToDrawWithItsState) {
  HWND b = add("Button", "", BS_OWNERDRAW, 10, 10, 80, 24, 9);
  UpdateWindow(b);
  EXPECT_EQ(notices(), Lines{"draw 4 9 0"});
  press(b, 5, 5);
  Lines n = notices();
  ASSERT_FALSE(n.empty());
  EXPECT_EQ(n.back(), "draw 4 9 0");
  release(b, 5, 5);
  pump();
  n = notices();
  EXPECT_NE(std::find(n.begin(), n.end(), cmd(9, BN_CLICKED)), n.end());
  // Group boxes are transparent to the mouse: a click reaches the host.
  HWND g = add("Button", "Group", BS_GROUPBOX, 100, 100, 150, 80, 10);
  EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(Controls, StaticNotifiesOnlyWithItsStyle) {
  HWND plain = add("Static", "label", SS_LEFT, 10, 10, 80, 20, 5);
  HWND notify = add("Static", "link", SS_LEFT | SS_NOTIFY, 10, 40, 80, 20, 6);
  EXPECT_EQ(SendMessage(plain, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  click(notify, 5, 5);
  EXPECT_EQ(notices(), Lines{cmd(6, STN_CLICKED)});
  SetWindowText(plain, "新文字");
  EXPECT_EQ(GetWindowText(plain), "新文字");
}

TEST_F(Controls, EditTypesSelectsAndLimits) {
  HWND e = add("Edit", "", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 150, 22, 3);
  click(e, 5, 5);
  EXPECT_EQ(GetFocus(), e);
  Lines n = notices();
  EXPECT_EQ(n, Lines{cmd(3, EN_SETFOCUS)});
  type("ab温度");
  EXPECT_EQ(GetWindowText(e), "ab温度");
  n = notices();
  EXPECT_EQ(n.size(), 8u);  // EN_UPDATE then EN_CHANGE per character
  EXPECT_EQ(n[0], cmd(3, EN_UPDATE));
  EXPECT_EQ(n[1], cmd(3, EN_CHANGE));
  // Positions count characters: Shift+Home selects the four of them, typing replaces them.
  inject_key(VK_SHIFT, true);
  key(VK_HOME);
  inject_key(VK_SHIFT, false);
  DWORD s = 0, t = 0;
  SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
  EXPECT_EQ(s, 0u);
  EXPECT_EQ(t, 4u);
  type("x");
  EXPECT_EQ(GetWindowText(e), "x");
  // Backspace, Delete, undo.
  key(VK_BACK);
  inject_key(VK_BACK, true, 8);
  inject_key(VK_BACK, false);
  pump();
  EXPECT_EQ(GetWindowText(e), "");
  SendMessage(e, EM_UNDO, 0, 0);
  EXPECT_EQ(GetWindowText(e), "x");
  // The limit cuts typing and pasting and reports EN_MAXTEXT.
  SetWindowText(e, "");
  SendMessage(e, EM_LIMITTEXT, 4, 0);
  notices();
  type("123456");
  EXPECT_EQ(GetWindowText(e), "1234");
  n = notices();
  EXPECT_EQ(n.back(), cmd(3, EN_MAXTEXT));
  // Read-only: no typing, but copying works; the clipboard belongs to the process.
  SendMessage(e, EM_SETREADONLY, TRUE, 0);
  type("9");
  EXPECT_EQ(GetWindowText(e), "1234");
  SendMessage(e, EM_SETSEL, 1, 3);
  SendMessage(e, WM_COPY, 0, 0);
  EXPECT_EQ(GetClipboardText(), "23");
  SendMessage(e, EM_SETREADONLY, FALSE, 0);
  SendMessage(e, EM_SETSEL, 0, -1);
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), "23");
}

TEST_F(Controls, EditPasswordAndNumberStyles) {
  HWND p = add("Edit", "", ES_PASSWORD, 10, 10, 100, 20, 4);
  EXPECT_EQ(SendMessage(p, EM_GETPASSWORDCHAR, 0, 0), '*');
  SetFocus(p);
  type("pw");
  EXPECT_EQ(GetWindowText(p), "pw");
  // A password is never copied out.
  SetClipboardText("before");
  SendMessage(p, EM_SETSEL, 0, -1);
  SendMessage(p, WM_COPY, 0, 0);
  EXPECT_EQ(GetClipboardText(), "before");
  SendMessage(p, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_FALSE(GetWindowLongPtr(p, GWL_STYLE) & ES_PASSWORD);
  HWND num = add("Edit", "", ES_NUMBER, 10, 40, 100, 20, 5);
  SetFocus(num);
  type("1a2-3");
  EXPECT_EQ(GetWindowText(num), "123");
}

TEST_F(Controls, ListBoxSelectsByMouseAndKeyboard) {
  HWND lb = add("ListBox", "", LBS_NOTIFY | WS_VSCROLL, 10, 10, 120, 60, 8);
  for (const char* s : {"one", "two", "three", "four", "five", "six", "seven"})
    SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(SendMessage(lb, LB_GETCOUNT, 0, 0), 7);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), LB_ERR);
  int h = static_cast<int>(SendMessage(lb, LB_GETITEMHEIGHT, 0, 0));
  click(lb, 5, h + 2);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), 1);
  key(VK_DOWN);
  key(VK_END);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), 6);
  EXPECT_GT(SendMessage(lb, LB_GETTOPINDEX, 0, 0), 0);  // scrolled to keep it in view
  EXPECT_EQ(notices(), (Lines{cmd(8, LBN_SETFOCUS), cmd(8, LBN_SELCHANGE), cmd(8, LBN_SELCHANGE), cmd(8, LBN_SELCHANGE)}));
  // Code changes send nothing.
  SendMessage(lb, LB_SETCURSEL, 0, 0);
  SendMessage(lb, LB_SETTOPINDEX, 6, 0);
  EXPECT_EQ(notices(), Lines{});
  char buf[16];
  EXPECT_EQ(SendMessage(lb, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buf)), 5);
  EXPECT_STREQ(buf, "three");
  EXPECT_EQ(SendMessage(lb, LB_GETTEXT, 7, reinterpret_cast<LPARAM>(buf)), LB_ERR);
  EXPECT_EQ(SendMessage(lb, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("FOUR")), 3);
  EXPECT_EQ(SendMessage(lb, LB_DELETESTRING, 0, 0), 6);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), LB_ERR);  // the selected item went away
  SendMessage(lb, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(lb, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Controls, SortedAndOwnerDrawnListBoxes) {
  HWND lb = add("ListBox", "", LBS_SORT, 10, 10, 120, 80, 8);
  for (const char* s : {"b", "C", "a"}) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  char buf[8];
  std::string order;
  for (int i = 0; i < 3; ++i) {
    SendMessage(lb, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    order += buf;
  }
  EXPECT_EQ(order, "abC");
  HWND od = add("ListBox", "", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 150, 10, 120, 80, 9);
  EXPECT_EQ(notices(), Lines{"measure 2 9"});
  EXPECT_EQ(SendMessage(od, LB_GETITEMHEIGHT, 0, 0), 20);
  SendMessage(od, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
  SendMessage(od, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("y"));
  UpdateWindow(od);
  EXPECT_EQ(notices(), (Lines{"draw 2 9 0", "draw 2 9 1"}));
}

TEST_F(Controls, DropDownListPicksWithTheMouseAndNotifiesInOrder) {
  HWND cb = add("ComboBox", "", CBS_DROPDOWNLIST, 10, 10, 120, 200, 12);
  for (const char* s : {"COM1", "COM2", "COM3"}) SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(GetWindowText(cb), "COM1");
  EXPECT_EQ(notices(), Lines{});
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(cb, &info));
  EXPECT_EQ(info.hwndItem, cb);
  EXPECT_EQ(GetClassName(info.hwndList), "ComboLBox");
  EXPECT_FALSE(IsWindowVisible(info.hwndList));
  // Press on the combo box: the list drops down, without taking the activation.
  HWND active = GetActiveWindow();
  click(cb, 20, 5);
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  EXPECT_EQ(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  EXPECT_EQ(GetActiveWindow(), active);
  GetComboBoxInfo(cb, &info);
  EXPECT_EQ(info.stateButton, STATE_SYSTEM_PRESSED);
  EXPECT_EQ(notices(), (Lines{cmd(12, CBN_SETFOCUS), cmd(12, CBN_DROPDOWN)}));
  // Hover over the third item and release there.
  int ih = static_cast<int>(SendMessage(cb, CB_GETITEMHEIGHT, 0, 0));
  move(info.hwndList, 10, 2 * ih + 2);
  click(info.hwndList, 10, 2 * ih + 2);
  EXPECT_FALSE(IsWindowVisible(info.hwndList));
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(GetWindowText(cb), "COM3");
  EXPECT_EQ(notices(), (Lines{cmd(12, CBN_SELENDOK), cmd(12, CBN_CLOSEUP), cmd(12, CBN_SELCHANGE)}));
  // Dropped again and closed with a press outside: nothing changes.
  click(cb, 20, 5);
  notices();
  click(host_, 300, 250);
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(notices(), (Lines{cmd(12, CBN_SELENDCANCEL), cmd(12, CBN_CLOSEUP)}));
  // Keyboard on the closed box moves the selection; F4 drops it, Enter picks.
  SetFocus(cb);
  notices();
  key(VK_UP);
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 1);
  key(VK_F4);
  key(VK_UP);
  key(VK_RETURN);
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(notices(), (Lines{cmd(12, CBN_SELCHANGE), cmd(12, CBN_DROPDOWN), cmd(12, CBN_SELENDOK), cmd(12, CBN_CLOSEUP),
                              cmd(12, CBN_SELCHANGE)}));
  // Selecting by text from code, and an out-of-range index.
  EXPECT_EQ(SetWindowText(cb, "COM2"), TRUE);
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessage(cb, CB_SETCURSEL, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessage(cb, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(GetWindowText(cb), "");
  EXPECT_EQ(notices(), Lines{});
}

TEST_F(Controls, DropDownComboKeepsTypedTextWhenItemsAreReplaced) {
  HWND cb = add("ComboBox", "", CBS_DROPDOWN, 10, 10, 120, 200, 13);
  COMBOBOXINFO info;
  GetComboBoxInfo(cb, &info);
  ASSERT_NE(info.hwndItem, cb);
  EXPECT_EQ(GetClassName(info.hwndItem), "Edit");
  click(info.hwndItem, 5, 5);
  notices();
  type("96");
  EXPECT_EQ(GetWindowText(cb), "96");
  EXPECT_EQ(notices(), (Lines{cmd(13, CBN_EDITUPDATE), cmd(13, CBN_EDITCHANGE), cmd(13, CBN_EDITUPDATE), cmd(13, CBN_EDITCHANGE)}));
  SendMessage(cb, CB_RESETCONTENT, 0, 0);
  SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("9600"));
  EXPECT_EQ(GetWindowText(cb), "96");
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(GetWindowText(cb), "9600");
  EXPECT_EQ(notices(), Lines{});
  // The drop button is at the right end.
  click(cb, info.rcButton.left + 2, info.rcButton.top + 2);
  EXPECT_EQ(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  SendMessage(cb, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0), FALSE);
}

// Whether the window shows a bar of `object` (OBJID_VSCROLL, OBJID_HSCROLL).
bool ShowsBar(HWND h, LONG object) {
  SCROLLBARINFO sbi;
  return GetScrollBarInfo(h, object, &sbi) && !(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
}

TEST_F(Controls, ListBoxShowsItsBarWhileTheLinesExceedIt) {
  struct Case {
    const char* what;
    DWORD style;
    int lines;
    bool bar;
  };
  const Case cases[] = {
      {"empty", WS_VSCROLL, 0, false},
      {"fits", WS_VSCROLL, 3, false},
      {"250 lines", WS_VSCROLL, 250, true},
      {"no bar asked for", 0, 250, false},
      {"bar kept while empty", WS_VSCROLL | LBS_DISABLENOSCROLL, 0, true},
  };
  for (const Case& c : cases) {
    HWND lb = add("ListBox", "", LBS_NOTIFY | WS_BORDER | c.style, 10, 10, 200, 100, 8, WS_EX_CLIENTEDGE);
    for (int i = 0; i < c.lines; ++i) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
    EXPECT_EQ(ShowsBar(lb, OBJID_VSCROLL), c.bar) << c.what;
    // Emptied and filled again, the bar follows.
    SendMessage(lb, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(ShowsBar(lb, OBJID_VSCROLL), (c.style & LBS_DISABLENOSCROLL) != 0) << c.what;
    for (int i = 0; i < c.lines; ++i) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
    EXPECT_EQ(ShowsBar(lb, OBJID_VSCROLL), c.bar) << c.what << ", filled again";
    DestroyWindow(lb);
  }
}

TEST_F(Controls, WheelScrollsTheListUnderThePointerWithoutAClick) {
  HWND lb = add("ListBox", "", LBS_NOTIFY | WS_VSCROLL, 10, 10, 120, 60, 8);
  HWND other = add("Edit", "", WS_BORDER, 150, 10, 80, 20, 9);
  for (int i = 0; i < 40; ++i) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line"));
  SetFocus(other);
  RECT r;
  GetWindowRect(lb, &r);
  inject_mouse_wheel({r.left + 20, r.top + 20}, -WHEEL_DELTA);
  pump();
  EXPECT_EQ(SendMessage(lb, LB_GETTOPINDEX, 0, 0), 3);
  EXPECT_EQ(GetFocus(), other);
}

TEST_F(Controls, ComboBoxHasNoBarOfItsOwnAndItsListScrolls) {
  for (DWORD kind : {CBS_DROPDOWN, CBS_DROPDOWNLIST}) {
    HWND cb = add("ComboBox", "", kind | WS_VSCROLL, 10, 10, 120, 200, 12);
    for (int i = 0; i < 20; ++i) SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    EXPECT_FALSE(ShowsBar(cb, OBJID_VSCROLL)) << kind;
    RECT wr, cr;
    GetWindowRect(cb, &wr);
    GetClientRect(cb, &cr);
    EXPECT_EQ(cr.right, wr.right - wr.left) << "the client area takes the whole width";
    EnableWindow(cb, FALSE);
    EXPECT_FALSE(ShowsBar(cb, OBJID_VSCROLL)) << kind;
    EnableWindow(cb, TRUE);
    COMBOBOXINFO info;
    ASSERT_TRUE(GetComboBoxInfo(cb, &info));
    SendMessage(cb, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(ShowsBar(info.hwndList, OBJID_VSCROLL)) << "twenty items in an eight-line list";
    SendMessage(cb, CB_SHOWDROPDOWN, FALSE, 0);
    DestroyWindow(cb);
  }
}

}  // namespace
}  // namespace platform::win::test
