// Menus: the item calls, and TrackPopupMenu driven by scripted mouse and keyboard input.
#include <gtest/gtest.h>

#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class Menus : public ControlsTest {
protected:
  HMENU sample() {
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 201, "子项一");
    AppendMenu(sub, MF_STRING, 202, "子项二");
    HMENU m = CreatePopupMenu();
    AppendMenu(m, MF_STRING, 101, "&Open");
    AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    AppendMenu(m, MF_STRING | MF_GRAYED, 102, "&Gray");
    AppendMenu(m, MF_STRING, 103, "&Save\tCtrl+S");
    AppendMenu(m, MF_POPUP, reinterpret_cast<std::uintptr_t>(sub), "&More");
    menus_.push_back(m);
    return m;
  }
  // Keys pressed once the loop runs.
  static void keys(std::initializer_list<UINT> vks) {
    for (UINT vk : vks) {
      inject_key(vk, true, vk >= 'A' && vk <= 'Z' ? static_cast<char32_t>(vk + 32) : 0);
      inject_key(vk, false);
    }
  }
  void TearDown() override {
    for (HMENU m : menus_) DestroyMenu(m);
    ControlsTest::TearDown();
  }
  std::vector<HMENU> menus_;
};

TEST_F(Menus, ItemCallsKeepIdsStatesAndTexts) {
  HMENU m = sample();
  EXPECT_EQ(GetMenuItemCount(m), 5);
  EXPECT_EQ(GetMenuItemID(m, 0), 101u);
  EXPECT_EQ(GetMenuItemID(m, 4), static_cast<UINT>(-1));  // a submenu
  HMENU sub = GetSubMenu(m, 4);
  ASSERT_NE(sub, nullptr);
  // By command, the search reaches into submenus.
  EXPECT_EQ(CheckMenuItem(m, 202, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_TRUE(GetMenuState(sub, 1, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(m, 102, MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  char buf[32];
  EXPECT_EQ(GetMenuString(m, 103, buf, sizeof buf, MF_BYCOMMAND), 12);
  EXPECT_STREQ(buf, "&Save\tCtrl+S");
  MENUITEMINFO mii;
  mii.fMask = MIIM_TYPE | MIIM_DATA;
  mii.fType = MFT_OWNERDRAW;
  mii.dwItemData = 0x1234;
  ASSERT_TRUE(SetMenuItemInfo(m, 0, TRUE, &mii));
  MENUITEMINFO back;
  back.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
  ASSERT_TRUE(GetMenuItemInfo(m, 101, FALSE, &back));
  EXPECT_EQ(back.fType, MFT_OWNERDRAW);
  EXPECT_EQ(back.dwItemData, 0x1234u);
  EXPECT_EQ(back.wID, 101u);
  EXPECT_FALSE(GetMenuItemInfo(m, 999, FALSE, &back));
  EXPECT_TRUE(DeleteMenu(m, 4, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));  // deleted with its item
  // A menu cannot hold itself.
  EXPECT_FALSE(AppendMenu(m, MF_POPUP, reinterpret_cast<std::uintptr_t>(m), "loop"));
}

TEST_F(Menus, KeyboardPicksACommandAndTheHookSeesThePopupWindow) {
  std::vector<std::string> created;
  SetWindowsHookEx(
      WH_CBT,
      [&](int code, WPARAM, LPARAM lp) -> LRESULT {
        if (code == HCBT_CREATEWND) {
          auto* cbt = reinterpret_cast<CBT_CREATEWND*>(lp);
          created.push_back(cbt->lpcs->lpszClass);
          EXPECT_FALSE(cbt->lpcs->style & WS_CHILD);
        }
        return 0;
      },
      nullptr, 0);
  HMENU m = sample();
  // Down skips the separator and the grayed item is passed over by Enter.
  keys({VK_DOWN, VK_DOWN, VK_RETURN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 150, 150, 0, host_, nullptr), 103);
  EXPECT_EQ(created, Lines{kMenuClass});
  EXPECT_EQ(FindWindow(kMenuClass, nullptr), nullptr);  // gone after the loop
  // Into the submenu with Right, then Enter; a mnemonic picks directly; Esc cancels.
  keys({VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 150, 150, 0, host_, nullptr), 202);
  keys({'S'});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 150, 150, 0, host_, nullptr), 103);
  keys({VK_ESCAPE});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 150, 150, 0, host_, nullptr), 0);
  // Without TPM_RETURNCMD the command is posted to the owner.
  notices();
  keys({VK_DOWN, VK_RETURN});
  EXPECT_TRUE(TrackPopupMenu(m, 0, 150, 150, 0, host_, nullptr));
  pump();
  EXPECT_EQ(notices(), Lines{"menu 101"});
}

TEST_F(Menus, MouseClickOnAnItemChoosesIt) {
  HMENU m = sample();
  bool clicked = false;
  SetWindowsHookEx(
      WH_MSGFILTER,
      [&](int code, WPARAM, LPARAM) -> LRESULT {
        if (code == MSGF_MENU && !clicked) {
          clicked = true;
          RECT r;
          EXPECT_TRUE(GetMenuItemRect(host_, m, 3, &r));
          POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
          inject_mouse_move(p);
          inject_mouse_button(p, MouseButton::kLeft, true);
          inject_mouse_button(p, MouseButton::kLeft, false);
        }
        return 0;
      },
      nullptr, 0);
  // Something must wake the loop for the filter to see it.
  PostMessage(host_, WM_NULL, 0, 0);
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 120, 120, 0, host_, nullptr), 103);
  // A press outside every popup cancels.
  inject_mouse_button(POINT{5, 5}, MouseButton::kLeft, true);
  inject_mouse_button(POINT{5, 5}, MouseButton::kLeft, false);
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 120, 120, 0, host_, nullptr), 0);
}

TEST_F(Menus, OwnerDrawItemsAreMeasuredAndDrawnByTheOwner) {
  HMENU m = CreatePopupMenu();
  menus_.push_back(m);
  AppendMenu(m, MF_OWNERDRAW, 301, reinterpret_cast<const char*>(0x55));
  AppendMenu(m, MF_OWNERDRAW, 302, reinterpret_cast<const char*>(0x66));
  keys({VK_DOWN, VK_ESCAPE});
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD | TPM_NONOTIFY, 150, 150, 0, host_, nullptr), 0);
  Lines n = notices();
  ASSERT_GE(n.size(), 4u);
  EXPECT_EQ(n[0], "measure 1 0");
  EXPECT_EQ(n[1], "measure 1 0");
  EXPECT_NE(std::find(n.begin(), n.end(), "draw 1 0 301"), n.end());
  EXPECT_NE(std::find(n.begin(), n.end(), "draw 1 0 302"), n.end());
}

TEST_F(Menus, SystemMenuFollowsTheWindowsStyle) {
  HWND w = CreateWindowEx(0, "Host", "W", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 50, 50, 200,
                          150, nullptr, nullptr, nullptr, nullptr);
  HMENU sys = GetSystemMenu(w, FALSE);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(GetSystemMenu(w, FALSE), sys);
  EXPECT_TRUE(GetMenuState(sys, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);       // not sizable
  EXPECT_TRUE(GetMenuState(sys, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);   // no maximize box
  EXPECT_FALSE(GetMenuState(sys, SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(sys, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
  // Alt+Space opens it; Up from the first item wraps to Close, Enter sends SC_CLOSE.
  keys({VK_UP, VK_RETURN});
  SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
  pump();
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(Menus, MenuBarTakesRoomInTheFrameAndOpensItsPopups) {
  HWND w = CreateWindowEx(0, "Host", "W", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 50, 50, 300, 200, nullptr, nullptr,
                          nullptr, nullptr);
  RECT before;
  GetClientRect(w, &before);
  HMENU bar = CreateMenu();
  AppendMenu(bar, MF_POPUP, reinterpret_cast<std::uintptr_t>(sample()), "&File");
  menus_.erase(menus_.begin());  // owned by the bar now
  menus_.push_back(bar);
  ASSERT_TRUE(SetMenu(w, bar));
  RECT after;
  GetClientRect(w, &after);
  EXPECT_LT(after.bottom, before.bottom);
  FrameLayout l = GetFrameLayout(w);
  ASSERT_FALSE(gdi::IsRectEmpty(&l.menu));
  UpdateWindow(w);
  notices();
  // Clicking the title opens the popup; Enter picks its first item.
  RECT wr;
  GetWindowRect(w, &wr);
  POINT p{wr.left + l.menu.left + 5, wr.top + l.menu.top + 3};
  inject_mouse_button(p, MouseButton::kLeft, true);
  inject_mouse_button(p, MouseButton::kLeft, false);
  keys({VK_DOWN, VK_RETURN});
  pump();
  Lines n = notices();
  ASSERT_FALSE(n.empty());
  EXPECT_EQ(n.back(), "menu 101");
  SetMenu(w, nullptr);
  DestroyWindow(w);
}

}  // namespace
}  // namespace platform::win::test
