// Message boxes and input boxes run modally on "#32770" dialogs; the tests answer them the way a
// user does, through the real buttons and keys.
#include <gtest/gtest.h>

#include <functional>

#include "platform/win/tests/controls_test_support.h"

namespace platform::win::test {
namespace {

class Dialogs : public ControlsTest {
protected:
  // Runs `act` on the dialog once it is activated (its children exist then).
  void on_dialog(std::function<void(HWND)> act) {
    act_ = std::move(act);
    SetWindowsHookEx(
        WH_CBT,
        [this](int code, WPARAM wp, LPARAM) -> LRESULT {
          auto h = reinterpret_cast<HWND>(wp);
          if (code == HCBT_ACTIVATE && GetClassName(h) == kDialogClass && act_) {
            seen_ = h;
            owner_enabled_during_ = IsWindowEnabled(host_);
            auto a = std::move(act_);
            act_ = nullptr;
            a(h);
          }
          return 0;
        },
        nullptr, 0);
  }
  static void click_item(HWND dlg, int id) {
    HWND b = GetDlgItem(dlg, id);
    ASSERT_NE(b, nullptr);
    RECT r;
    GetWindowRect(b, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    inject_mouse_move(p);
    inject_mouse_button(p, MouseButton::kLeft, true);
    inject_mouse_button(p, MouseButton::kLeft, false);
  }
  static void press_key(UINT vk, char32_t ch = 0) {
    inject_key(vk, true, ch);
    inject_key(vk, false);
  }

  std::function<void(HWND)> act_;
  HWND seen_ = nullptr;
  bool owner_enabled_during_ = true;
};

TEST_F(Dialogs, MessageBoxReturnsThePressedButton) {
  struct Case {
    UINT type;
    int press;     // a button id to click, or 0 for a key
    UINT vk;       // the key pressed when press is 0
    int expected;
  };
  const Case cases[] = {
      {MB_OK, IDOK, 0, IDOK},
      {MB_OK, 0, VK_ESCAPE, IDOK},                 // the only button answers Esc
      {MB_OKCANCEL, IDCANCEL, 0, IDCANCEL},
      {0x40121, 0, VK_RETURN, IDCANCEL},           // OK/Cancel, question, second button default
      {0x40121, IDOK, 0, IDOK},
      {MB_YESNO, IDNO, 0, IDNO},
      {MB_YESNOCANCEL, 0, VK_ESCAPE, IDCANCEL},
      {MB_RETRYCANCEL, 0, VK_RETURN, IDRETRY},
      {MB_ABORTRETRYIGNORE, IDIGNORE, 0, IDIGNORE},
  };
  for (const Case& c : cases) {
    on_dialog([c](HWND dlg) {
      if (c.press) click_item(dlg, c.press);
      else press_key(c.vk, c.vk == VK_RETURN ? U'\r' : c.vk == VK_ESCAPE ? U'\x1b' : 0);
    });
    EXPECT_EQ(MessageBox(host_, "已经连接，时间有偏差，是否校准？", "询问", c.type), c.expected) << std::hex << c.type;
    EXPECT_FALSE(IsWindow(seen_));
    EXPECT_FALSE(owner_enabled_during_);
    EXPECT_TRUE(IsWindowEnabled(host_));
  }
}

TEST_F(Dialogs, MessageBoxShowsItsTextAndLetsOtherMessagesRun) {
  std::string caption, text;
  bool topmost = false;
  on_dialog([&](HWND dlg) {
    caption = GetWindowText(dlg);
    text = GetWindowText(GetDlgItem(dlg, kMessageTextId));
    topmost = GetWindowLongPtr(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST;
    // A posted notice is handled while the box is open.
    PostMessage(host_, WM_COMMAND, MAKEWPARAM(77, 0), 0);
    click_item(dlg, IDOK);
  });
  EXPECT_EQ(MessageBox(host_, "连接成功！", "提示", MB_OK | MB_TOPMOST), IDOK);
  EXPECT_EQ(caption, "提示");
  EXPECT_EQ(text, "连接成功！");
  EXPECT_TRUE(topmost);
  EXPECT_EQ(notices(), std::vector<std::string>{"menu 77"});
}

TEST_F(Dialogs, InputBoxReturnsTheTypedTextOnOkOnly) {
  std::string prompt;
  on_dialog([&](HWND dlg) {
    prompt = GetWindowText(GetDlgItem(dlg, kInputPromptId));
    for (char c : std::string("5817")) press_key(static_cast<UINT>(c), static_cast<char32_t>(c));
    click_item(dlg, IDOK);
  });
  std::string value;
  EXPECT_TRUE(InputBox(host_, "清除记录", "请输入清除密码\n\r下一行", value));
  EXPECT_EQ(value, "5817");
  EXPECT_EQ(prompt, "请输入清除密码\n\r下一行");

  // The default text is selected, so typing replaces it; Enter is OK.
  on_dialog([](HWND) {
    press_key('3', U'3');
    press_key(VK_RETURN, U'\r');
  });
  value = "old";
  EXPECT_TRUE(InputBox(host_, "t", "p", value));
  EXPECT_EQ(value, "3");

  // Cancel and Esc leave the value alone.
  on_dialog([](HWND dlg) {
    press_key('9', U'9');
    click_item(dlg, IDCANCEL);
  });
  value = "keep";
  EXPECT_FALSE(InputBox(host_, "t", "p", value));
  EXPECT_EQ(value, "keep");
  on_dialog([](HWND) { press_key(VK_ESCAPE, U'\x1b'); });
  EXPECT_FALSE(InputBox(host_, "t", "p", value));
  EXPECT_EQ(value, "keep");
}

TEST_F(Dialogs, TabMovesTheFocusAndEnterPressesTheFocusedButton) {
  // From the edit, one Tab reaches OK and two reach Cancel.
  for (int tabs : {1, 2}) {
    on_dialog([tabs](HWND) {
      for (int i = 0; i < tabs; ++i) press_key(VK_TAB, U'\t');
      press_key(VK_RETURN, U'\r');
    });
    std::string value = "x";
    EXPECT_EQ(InputBox(host_, "t", "p", value), tabs == 1) << tabs;
  }
}

}  // namespace
}  // namespace platform::win::test
