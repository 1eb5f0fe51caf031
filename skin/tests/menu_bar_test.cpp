// The skinned menu bar of a form with a main menu: the bar is taken off the window and drawn in
// the frame, and the keyboard (Alt, F10, Alt+letter, the arrows) and the pointer move along it.
#include "skin/menu_bar.h"

#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

class MenuBar : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    use_test_menu_font();
    start_skin();
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(30, 30, 400, 300);
    menu_ = new pc::TMainMenu(form_);
    auto item = [&](pc::TMenuItem& parent, const char* caption) {
      auto* i = new pc::TMenuItem(form_);
      i->Caption = caption;
      parent.Add(i);
      return i;
    };
    file_ = item(menu_->Items(), "&File");
    item(*file_, "Open");
    recent_ = item(*file_, "Recent");
    item(*recent_, "One");
    edit_ = item(menu_->Items(), "&Edit");
    item(*edit_, "Cut");
    help_ = item(menu_->Items(), "&Help");
    help_->OnClick = [this](pc::TObject*) { ++help_clicks_; };
    form_->SetMenu(menu_);
    form_->Show();
    pump();
    pump();
    f_ = SkinManager()->FindForm(form_->Handle());
    ASSERT_NE(f_, nullptr);
    ASSERT_NE(f_->FMenuBar, nullptr);
  }
  void TearDown() override {
    delete form_;
    SkinTest::TearDown();
  }
  // Runs keys; each time a bar item's menu drops down, its index is noted and that drop-down's
  // keys of `script` are typed into it.
  std::vector<int> drive(const std::vector<std::pair<win::UINT, bool>>& start,
                         const std::vector<std::vector<win::UINT>>& script,
                         const std::function<void()>& on_open = nullptr) {
    std::vector<int> opened;
    win::HMENU seen = nullptr;
    win::HHOOK hook = nullptr;
    hook = win::SetWindowsHookEx(
        win::WH_MSGFILTER,
        [&](int code, win::WPARAM wp, win::LPARAM lp) -> win::LRESULT {
          if (code == win::MSGF_MENU && f_->FTrackedMenu && f_->FTracking && f_->FTrackedMenu != seen) {
            seen = f_->FTrackedMenu;
            for (auto& b : f_->FMenuBar->MenuButtons)
              if (b->SubMenu == seen) opened.push_back(b->Index);
            if (on_open) on_open();
            const std::size_t k = opened.size() - 1;
            for (win::UINT key : k < script.size() ? script[k] : std::vector<win::UINT>{win::VK_ESCAPE}) {
              win::inject_key(key, true);
              win::inject_key(key, false);
            }
          }
          return win::CallNextHookEx(hook, code, wp, lp);
        },
        nullptr, win::GetCurrentThreadId());
    for (auto [key, down] : start) win::inject_key(key, down, key >= 'A' && key <= 'Z' ? key + 32 : 0);
    pump();
    pump();
    win::UnhookWindowsHookEx(hook);
    return opened;
  }

  pc::TForm* form_ = nullptr;
  pc::TMainMenu* menu_ = nullptr;
  pc::TMenuItem *file_ = nullptr, *recent_ = nullptr, *edit_ = nullptr, *help_ = nullptr;
  TFormSkinner* f_ = nullptr;
  int help_clicks_ = 0;
};

TEST_F(MenuBar, TheMenuIsTakenOffTheWindowAndDrawnInTheFrame) {
  EXPECT_EQ(win::GetMenu(form_->Handle()), nullptr);
  const auto& items = f_->FMenuBar->MenuButtons;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0]->Caption, u"&File");
  EXPECT_EQ(items[2]->SubMenu, nullptr);
  // Without a menu-bar picture the items start 6 pixels into the bar, each its text width + 10 wide.
  EXPECT_EQ(items[0]->BoundsRect.left, kLeft + 6);
  EXPECT_EQ(items[0]->BoundsRect.top, kTitle);
  EXPECT_EQ(items[1]->BoundsRect.left, items[0]->BoundsRect.right);
  EXPECT_EQ(items[1]->BoundsRect.right - items[1]->BoundsRect.left, 4 * 6 + 10);
  EXPECT_EQ(f_->FMenuBar->ItemAt({items[1]->BoundsRect.left + 2, items[1]->BoundsRect.top + 2}), items[1].get());
  // The client area lies below the bar.
  gdi::POINT origin{0, 0};
  win::ClientToScreen(form_->Handle(), &origin);
  gdi::RECT wr;
  win::GetWindowRect(form_->Handle(), &wr);
  EXPECT_EQ(origin.y - wr.top, kTitle + win::GetSystemMetrics(win::SM_CYMENU));
  // Unskinned, the window has its menu again.
  sd_->SetActive(false);
  pass(250);
  EXPECT_EQ(win::GetMenu(form_->Handle()), menu_->Handle());
}

TEST_F(MenuBar, TheKeyboardOpensAndWalksTheBar) {
  struct Case {
    const char* what;
    std::vector<std::pair<win::UINT, bool>> start;
    std::vector<std::vector<win::UINT>> script;
    std::vector<int> opened;
    int help;
  };
  const Case cases[] = {
      {"Alt alone, then Escape", {{win::VK_MENU, true}, {win::VK_MENU, false}}, {{win::VK_ESCAPE}}, {0}, 0},
      {"F10", {{win::VK_F10, true}, {win::VK_F10, false}}, {{win::VK_ESCAPE}}, {0}, 0},
      {"Alt+E", {{win::VK_MENU, true}, {'E', true}, {'E', false}, {win::VK_MENU, false}}, {{win::VK_ESCAPE}}, {1}, 0},
      {"Right twice reaches the item without a drop-down", {{win::VK_F10, true}, {win::VK_F10, false}},
       {{win::VK_RIGHT}, {win::VK_RIGHT}}, {0, 1}, 1},
      {"Left from the first wraps to the last", {{win::VK_F10, true}, {win::VK_F10, false}}, {{win::VK_LEFT}}, {0}, 1},
      {"Left and Right move back", {{win::VK_MENU, true}, {'E', true}, {'E', false}, {win::VK_MENU, false}},
       {{win::VK_LEFT}, {win::VK_RIGHT}, {win::VK_ESCAPE}}, {1, 0, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    help_clicks_ = 0;
    EXPECT_EQ(drive(c.start, c.script), c.opened);
    EXPECT_EQ(help_clicks_, c.help);
    EXPECT_FALSE(f_->FTracking);
  }
}

TEST_F(MenuBar, RightOnAnItemWithASubmenuStaysInTheDropDown) {
  // The drop-down's highlighted item has sub-items: Right belongs to it, not to the bar.
  const std::vector<int> opened =
      drive({{win::VK_F10, true}, {win::VK_F10, false}}, {{win::VK_RIGHT, win::VK_ESCAPE, win::VK_ESCAPE}},
            [this] { f_->NoteMenuItemSelected(recent_); });
  EXPECT_EQ(opened, std::vector<int>{0});
}

TEST_F(MenuBar, AClickOnAnItemDropsItsMenuAndAnItemWithoutOneSendsItsCommand) {
  const auto& items = f_->FMenuBar->MenuButtons;
  gdi::RECT wr;
  win::GetWindowRect(form_->Handle(), &wr);
  auto centre = [&](int i) {
    return gdi::POINT{wr.left + (items[i]->BoundsRect.left + items[i]->BoundsRect.right) / 2,
                      wr.top + (items[i]->BoundsRect.top + items[i]->BoundsRect.bottom) / 2};
  };
  std::vector<int> opened;
  win::HHOOK hook = nullptr;
  hook = win::SetWindowsHookEx(
      win::WH_MSGFILTER,
      [&](int code, win::WPARAM wp, win::LPARAM lp) -> win::LRESULT {
        if (code == win::MSGF_MENU && f_->FTracking && (opened.empty() || items[opened.back()]->SubMenu != f_->FTrackedMenu)) {
          for (auto& b : items)
            if (b->SubMenu == f_->FTrackedMenu) opened.push_back(b->Index);
          // Moving the pointer over the next item switches to it; the second menu is closed.
          if (opened.size() == 1) win::inject_mouse_move(centre(1));
          else win::inject_key(win::VK_ESCAPE, true);
        }
        return win::CallNextHookEx(hook, code, wp, lp);
      },
      nullptr, win::GetCurrentThreadId());
  win::inject_mouse_move(centre(0));
  win::inject_mouse_button(centre(0), win::MouseButton::kLeft, true);
  win::inject_mouse_button(centre(0), win::MouseButton::kLeft, false);
  pump();
  pump();
  win::UnhookWindowsHookEx(hook);
  EXPECT_EQ(opened, (std::vector<int>{0, 1}));
  win::inject_mouse_button(centre(2), win::MouseButton::kLeft, true);
  win::inject_mouse_button(centre(2), win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(help_clicks_, 1);
}

}  // namespace
}  // namespace skin::test
