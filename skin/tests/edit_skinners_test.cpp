// Edits, combo boxes and date-time pickers: borders, the combo box's button frames under the mouse
// and the keyboard, the spin button found inside an edit, and the picker's arrow.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"
#include "skin/edit_skinners.h"
#include "skin/tests/skinned_form.h"
#include "skin/value_skinners.h"

namespace skin::test {
namespace {

constexpr int kComboPicTag = 3, kComboMirrorTag = 4, kSunkEdgeTag = 5, kComboArrowTag = 6;
constexpr gdi::COLORREF kShadowColour = 0x808080;

class EditSkins : public SkinnedFormTest {
protected:
  void SetUp() override {
    SkinnedFormTest::SetUp();
    sd_->FComboButton = std::make_unique<TDataSkinBorder>();
    sd_->FComboButton->Image.Assign(strip_of(kComboPicTag, 19, 24, 4));
    sd_->FComboButton->Image2.Assign(strip_of(kComboMirrorTag, 19, 24, 4));
    sd_->FComboButton->Frame = 4;
    sd_->FSunkEdge = std::make_unique<TDataSkinObject>();
    sd_->FSunkEdge->Image.Assign(strip_of(kSunkEdgeTag, 12, 12, 4));
    sd_->FSunkEdge->Frame = 4;
    sd_->FComboxArrow = std::make_unique<TDataSkinObject>();
    sd_->FComboxArrow->Image.Assign(strip_of(kComboArrowTag, 17, 20, 4));
    sd_->FComboxArrow->Frame = 4;
  }
  // The screen's pixel at a point of a control's window rectangle.
  gdi::Pixel window_pixel(const gdi::Bitmap& screen, pc::TWinControl* c, int x, int y) {
    gdi::RECT r;
    win::GetWindowRect(c->Handle(), &r);
    return screen.pixel(r.left + x, r.top + y);
  }
  gdi::POINT screen_point(pc::TWinControl* c, int x, int y) {
    gdi::RECT r;
    win::GetWindowRect(c->Handle(), &r);
    return {r.left + x, r.top + y};
  }
};

TEST_F(EditSkins, TheComboButtonShowsNormalHotPressedFocusedAndDisabledFrames) {
  auto* other = add<pc::TButton>(300, 20, 80, 24);
  auto* combo = add<pc::TComboBox>(20, 20, 150, 24);
  combo->Style = pc::TComboBoxStyle::csDropDownList;
  for (const char* s : {"one", "two", "three"}) combo->Items().Add(s);
  show_form();
  ASSERT_NE(dynamic_cast<TSkinComBox*>(skinner_of(combo)), nullptr);
  other->SetFocus();
  pump();
  const int W = combo->Width(), H = combo->Height();
  auto button = [&] { return window_pixel(shot(), combo, W - 8, H / 2); };
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 1)));
  // The edge picture frames the box, the text area stays free of it.
  const gdi::Bitmap screen = shot();
  EXPECT_EQ(window_pixel(screen, combo, 0, H / 2), px(strip_colour(kSunkEdgeTag, 1)));
  EXPECT_NE(window_pixel(screen, combo, 20, H / 2), px(strip_colour(kSunkEdgeTag, 1)));

  // Hot over the button; moving into the text area clears it.
  win::inject_mouse_move(screen_point(combo, W - 8, H / 2));
  pump();
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 4)));
  win::inject_mouse_move(screen_point(combo, 20, H / 2));
  pump();
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 1)));

  // Pressed while the button is down; the release drops into the open list, and once the list
  // closes the button shows the focused frame.
  win::inject_mouse_move(screen_point(combo, W - 8, H / 2));
  win::inject_mouse_button(screen_point(combo, W - 8, H / 2), win::MouseButton::kLeft, true);
  pump();
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 2)));
  win::inject_mouse_button(screen_point(combo, W - 8, H / 2), win::MouseButton::kLeft, false);
  pump();
  win::SendMessage(combo->Handle(), win::CB_SHOWDROPDOWN, 0, 0);
  win::inject_mouse_move(screen_point(combo, 20, H / 2));
  pump();
  EXPECT_EQ(win::GetFocus(), combo->Handle());
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 4)));

  // Disabled: frame 3, focused or not.
  combo->SetEnabled(false);
  pump();
  EXPECT_EQ(button(), px(strip_colour(kComboPicTag, 3)));
}

TEST_F(EditSkins, AnEditableComboBoxAndOneWithItsButtonAtTheLeft) {
  auto* combo = add<pc::TComboBox>(20, 20, 150, 24);
  combo->Style = pc::TComboBoxStyle::csDropDown;
  show_form();
  auto* s = dynamic_cast<TSkinComBox*>(skinner_of(combo));
  ASSERT_NE(s, nullptr);
  // The edit inside is watched: a press in it shows the button pressed, its release clears that.
  ASSERT_NE(s->FEditWnd, nullptr);
  const int W = combo->Width(), H = combo->Height();
  win::SendMessage(s->FEditWnd, win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(5, 5));
  pump();
  EXPECT_EQ(window_pixel(shot(), combo, W - 8, H / 2), px(strip_colour(kComboPicTag, 2)));
  win::SendMessage(s->FEditWnd, win::WM_LBUTTONUP, 0, win::MAKELPARAM(5, 5));
  pump();
  // The focus sits in the edit: the combo box counts as focused.
  EXPECT_EQ(window_pixel(shot(), combo, W - 8, H / 2), px(strip_colour(kComboPicTag, 4)));

  win::SetWindowLong(combo->Handle(), win::GWL_EXSTYLE,
                     win::GetWindowLong(combo->Handle(), win::GWL_EXSTYLE) | win::WS_EX_LEFTSCROLLBAR);
  const gdi::Bitmap screen = shot();
  EXPECT_EQ(window_pixel(screen, combo, 1, H / 2), px(strip_colour(kComboMirrorTag, 4)));
  EXPECT_EQ(s->FButtonRect.left, 0);

  // Unhooking gives the edit its own procedure back.
  const auto hooked = win::GetWindowLongPtr(s->FEditWnd, win::GWLP_WNDPROC);
  s->Unhook();
  EXPECT_NE(win::GetWindowLongPtr(s->FEditWnd, win::GWLP_WNDPROC), hooked);
  EXPECT_EQ(s->FEditInstance, nullptr);
}

TEST_F(EditSkins, EditBordersOnPaintAndOnPrintAndTheClientPaintedOnRequest) {
  auto* edit = add<pc::TEdit>(20, 20, 120, 24);
  edit->SetText("WWW");
  show_form();
  ASSERT_NE(dynamic_cast<TSkinEdit*>(skinner_of(edit)), nullptr);
  gdi::Bitmap screen = shot();
  // Painted: shadow, then two white rings.
  EXPECT_EQ(window_pixel(screen, edit, 0, 10), px(kShadowColour));
  EXPECT_EQ(window_pixel(screen, edit, 1, 10), px(0xFFFFFF));
  EXPECT_EQ(window_pixel(screen, edit, 2, 10), px(0xFFFFFF));

  // Printed: the DC's brush inside the shadow.
  gdi::Bitmap target(edit->Width(), edit->Height(), gdi::PixelFormat::k24bit, px(0));
  gdi::HDC mem = gdi::CreateCompatibleDC(nullptr);
  gdi::HBITMAP bmp = gdi::CreateBitmapFromPixels(target);
  gdi::HGDIOBJ old_bmp = gdi::SelectObject(mem, bmp);
  gdi::HBRUSH brush = gdi::CreateSolidBrush(0x00336699);
  gdi::HGDIOBJ old_brush = gdi::SelectObject(mem, brush);
  win::SendMessage(edit->Handle(), win::WM_PRINT, reinterpret_cast<win::WPARAM>(mem), 0x2);
  const gdi::Bitmap* printed = gdi::GetBitmapPixels(bmp);
  EXPECT_EQ(printed->pixel(0, 10), px(kShadowColour));
  EXPECT_EQ(printed->pixel(1, 10), px(0x00336699));
  // The client area painted into a DC on the engine's request.
  EXPECT_EQ(win::SendMessage(edit->Handle(), kMsgPaintClient, reinterpret_cast<win::WPARAM>(mem), kSkinMagic), kSkinMagic);
  EXPECT_EQ(printed->pixel(5, 5), px(0xFFFFFF));
  gdi::SelectObject(mem, old_brush);
  gdi::SelectObject(mem, old_bmp);
  gdi::DeleteObject(brush);
  gdi::DeleteObject(bmp);
  gdi::DeleteDC(mem);
}

TEST_F(EditSkins, ASpinButtonInsideAnEditGetsAnEmbeddedUpDownSkin) {
  auto* edit = add<pc::TEdit>(20, 20, 120, 24);
  show_form();
  auto* s = dynamic_cast<TSkinEdit*>(skinner_of(edit));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->FUpDown, nullptr);
  const win::HWND spin = win::CreateWindowEx(0, "msctls_updown32", "", win::WS_CHILD | win::WS_VISIBLE, 100, 0, 16, 18,
                                             edit->Handle(), nullptr, nullptr, nullptr);
  shot();
  ASSERT_NE(s->FUpDown, nullptr);
  EXPECT_TRUE(s->FUpDown->FEmbedded);
  EXPECT_EQ(s->FUpDown->FHandle, spin);
}

TEST_F(EditSkins, ThePickersArrowShowsTheSkinAndOpensTheCalendar) {
  auto* other = add<pc::TButton>(300, 20, 80, 24);
  auto* picker = add<pc::TDateTimePicker>(20, 20, 150, 24);
  show_form();
  auto* s = dynamic_cast<TSkinDateTime*>(skinner_of(picker));
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->FArrow, nullptr);
  other->SetFocus();
  gdi::RECT wr, ar;
  win::GetWindowRect(picker->Handle(), &wr);
  win::GetWindowRect(s->FArrow->Handle(), &ar);
  EXPECT_EQ(ar.left - wr.left, (wr.right - wr.left) - 17 - 4);
  const gdi::POINT mid{(ar.left + ar.right) / 2, (ar.top + ar.bottom) / 2};
  gdi::Bitmap screen = shot();
  EXPECT_EQ(screen.pixel(mid.x, mid.y), px(strip_colour(kComboArrowTag, 1)));

  win::inject_mouse_move(mid);
  pump();
  EXPECT_EQ(shot().pixel(mid.x, mid.y), px(strip_colour(kComboArrowTag, 4)));
  EXPECT_EQ(win::SendMessage(picker->Handle(), win::DTM_GETMONTHCAL, 0, 0), 0);
  win::inject_mouse_button(mid, win::MouseButton::kLeft, true);
  win::inject_mouse_button(mid, win::MouseButton::kLeft, false);
  pump();
  const auto calendar = reinterpret_cast<win::HWND>(win::SendMessage(picker->Handle(), win::DTM_GETMONTHCAL, 0, 0));
  ASSERT_NE(calendar, nullptr);
  EXPECT_TRUE(win::IsWindowVisible(calendar));
  EXPECT_EQ(win::GetFocus(), picker->Handle());

  // With the bar on the left the arrow sits at x = 2.
  win::SetWindowLong(picker->Handle(), win::GWL_EXSTYLE,
                     win::GetWindowLong(picker->Handle(), win::GWL_EXSTYLE) | win::WS_EX_LEFTSCROLLBAR);
  shot();
  win::GetWindowRect(s->FArrow->Handle(), &ar);
  EXPECT_EQ(ar.left - wr.left, 2);
}

}  // namespace
}  // namespace skin::test
