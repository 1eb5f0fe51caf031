// Menu items drawn from the skin: a skinned form's popup menu run through the platform's menu loop
// (window skinned, items measured and drawn through the owner-draw messages), and the switching.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "skin/form_skinner.h"
#include "skin/menu_items.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

constexpr win::UINT kSnapshot = win::WM_APP + 5;

class MenuItems : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    use_test_menu_font();
    start_skin();
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(20, 20, 300, 200);
    popup_ = new pc::TPopupMenu(form_);
    auto item = [&](const char* caption) {
      auto* i = new pc::TMenuItem(form_);
      i->Caption = caption;
      popup_->Items().Add(i);
      return i;
    };
    open_ = item("Open");
    item("-");
    item("Checked")->Checked = true;
    item("Disabled")->Enabled = false;
    item("Save")->ShortCut = pc::scCtrl | 'S';
    form_->Show();
    pump();
    pump();
  }
  void TearDown() override {
    delete form_;
    SkinTest::TearDown();
  }
  // Runs the popup with the first item selected and takes its picture while it is open.
  void run() {
    win::HHOOK hook = win::SetWindowsHookEx(
        win::WH_MSGFILTER,
        [this](int code, win::WPARAM, win::LPARAM lp) -> win::LRESULT {
          auto* msg = reinterpret_cast<win::MSG*>(lp);
          if (code != win::MSGF_MENU || msg->message != kSnapshot) return 0;
          window_ = win::FindWindow("#32768", nullptr);
          skinned_ = win::SendMessage(window_, kMsgIsSkinned, 0, 0);
          win::UpdateWindow(window_);
          shot_ = on_screen(window_);
          for (int i = 0; i < 5; ++i) {
            gdi::RECT r{};
            win::GetMenuItemRect(form_->Handle(), popup_->Items().Handle(), static_cast<win::UINT>(i), &r);
            gdi::RECT wr;
            win::GetWindowRect(window_, &wr);
            gdi::OffsetRect(&r, -wr.left, -wr.top);
            items_[i] = r;
          }
          win::PostMessage(form_->Handle(), win::WM_KEYDOWN, win::VK_ESCAPE, 0);
          return 1;
        },
        nullptr, win::GetCurrentThreadId());
    win::PostMessage(form_->Handle(), win::WM_KEYDOWN, win::VK_DOWN, 0);
    win::PostMessage(form_->Handle(), kSnapshot, 0, 0);
    popup_->Popup(120, 90);
    win::UnhookWindowsHookEx(hook);
  }

  pc::TForm* form_ = nullptr;
  pc::TPopupMenu* popup_ = nullptr;
  pc::TMenuItem* open_ = nullptr;
  win::HWND window_ = nullptr;
  win::LRESULT skinned_ = 0;
  gdi::Bitmap shot_;
  gdi::RECT items_[5]{};
};

TEST_F(MenuItems, APopupMenuOfASkinnedFormIsSkinnedMeasuredAndDrawnFromTheSkin) {
  ASSERT_TRUE(popup_->OwnerDraw);
  ASSERT_TRUE(open_->OnDrawItem);
  run();
  ASSERT_NE(window_, nullptr);
  EXPECT_EQ(skinned_, 1);
  // Measured by the skin: the plain width grows by the item picture's left margin and 35.
  const int open_w = items_[0].right - items_[0].left;
  EXPECT_GE(open_w, 4 * 6 + kItemMargin + 35);
  EXPECT_EQ(items_[0].bottom - items_[0].top, 16);
  EXPECT_EQ(items_[1].bottom - items_[1].top, 5);
  // The selected item shows frame 4, the others frame 1, the separator frame 2.
  auto at = [&](int item, int dx) { return shot_.pixel(items_[item].left + dx, items_[item].top + 1); };
  EXPECT_EQ(at(0, 1), px(five_frame_colour(kTagMenuItem, 4)));
  EXPECT_EQ(at(2, 1), px(five_frame_colour(kTagMenuItem, 1)));
  EXPECT_EQ(at(3, 1), px(five_frame_colour(kTagMenuItem, 1)));
  EXPECT_EQ(at(1, 1), px(five_frame_colour(kTagMenuItem, 2)));
  // The window's frame comes from the skin's menu background.
  EXPECT_EQ(shot_.pixel(0, 0), px(frame_colour(kTagMenu, 1)));
  expect_golden("skinned_popup_menu", shot_);
}

TEST_F(MenuItems, SwitchingOwnerDrawingFollowsTheSkinAndTheDisableTag) {
  TFormSkinner* f = SkinManager()->FindForm(form_->Handle());
  ASSERT_NE(f, nullptr);
  // A tagged popup is left alone; an item's own measuring stays.
  auto* tagged = new pc::TPopupMenu(form_);
  tagged->Tag = sd_->DisableTag;
  auto* t = new pc::TMenuItem(form_);
  tagged->Items().Add(t);
  bool own_measure = false;
  open_->OnMeasureItem = [&](pc::TObject*, pc::TCanvas&, int&, int&) { own_measure = true; };
  SetPopupMenusOwnerDraw(f, form_, true);
  EXPECT_FALSE(tagged->OwnerDraw);
  EXPECT_FALSE(t->OnDrawItem);
  pc::TCanvas canvas;
  int w = 0, h = 0;
  open_->MeasureItem(canvas, w, h);
  EXPECT_TRUE(own_measure);
  // Off clears both handlers.
  SetPopupMenusOwnerDraw(f, form_, false);
  EXPECT_FALSE(popup_->OwnerDraw);
  EXPECT_FALSE(open_->OnDrawItem);
  EXPECT_FALSE(open_->OnMeasureItem);
}

TEST_F(MenuItems, TextRulesOfTheItems) {
  TSkinData& sd = *sd_;
  pc::TMenuItem item(nullptr);
  // A caption of "&" alone measures as one blank.
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::SelectObject(dc, ScreenMenuFont());
  gdi::RECT amp{0, 0, 100, 20}, blank{0, 0, 100, 20};
  DrawMenuText(sd, item, dc, gdi::DT_CALCRECT | gdi::DT_SINGLELINE, false, amp, u"&");
  DrawMenuText(sd, item, dc, gdi::DT_CALCRECT | gdi::DT_SINGLELINE, false, blank, u" ");
  EXPECT_EQ(amp.right - amp.left, blank.right - blank.left);
  EXPECT_GT(amp.right - amp.left, 0);
  gdi::DeleteDC(dc);
  // A disabled item's text takes the system's shadow when the skin's equals its menu text.
  SkinImage target(gdi::Bitmap(60, 20, gdi::PixelFormat::k24bit, 0xFFFFFF));
  SelectedBitmap s(target.Handle());
  gdi::SelectObject(s.dc(), ScreenMenuFont());
  item.Enabled = false;
  sd.FColours[7] = sd.FColours[15];
  gdi::RECT r{0, 0, 60, 20};
  DrawMenuText(sd, item, s.dc(), gdi::DT_SINGLELINE, false, r, u"X");
  EXPECT_EQ(gdi::GetTextColor(s.dc()), gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
  sd.FColours[7] = 0x112233;
  DrawMenuText(sd, item, s.dc(), gdi::DT_SINGLELINE, false, r, u"X");
  EXPECT_EQ(gdi::GetTextColor(s.dc()), 0x112233u);
}

}  // namespace
}  // namespace skin::test
