// Popup-menu windows skinned by their own procedure: frame and background from the skin's menu
// background, the rest passed on, and the window given back on its destruction.
#include "skin/popup_menu_skinner.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

class PopupMenuSkinning : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    start_skin();
    // Shown without activation, as menus are, so that no form skinner takes the window.
    w_ = make("Menu", win::WS_POPUP, 300, 200, 120, 90);
    proc0_ = win::GetWindowLongPtr(w_, win::GWLP_WNDPROC);
    skinner_.Subclass(w_, sd_, nullptr);
    win::ShowWindow(w_, win::SW_SHOWNOACTIVATE);
    pump();
    ASSERT_EQ(SkinManager()->FindForm(w_), nullptr);
    g_trace.clear();
  }
  void TearDown() override {
    skinner_.Unsubclass();
    SkinTest::TearDown();
  }
  int reached(win::UINT msg) const {
    return static_cast<int>(std::count(g_trace.begin(), g_trace.end(), std::to_string(msg)));
  }
  gdi::Pixel corner() const { return win::GetBackingBitmap(w_)->pixel(1, 1); }

  win::HWND w_ = nullptr;
  win::LONG_PTR proc0_ = 0;
  TPopupMenuSkinner skinner_;
};

TEST_F(PopupMenuSkinning, TheFrameComesFromTheMenuBackgroundAndOtherPaintingIsPassedOn) {
  EXPECT_EQ(win::SendMessage(w_, kMsgIsSkinned, 0, 0), 1);
  EXPECT_EQ(win::SendMessage(w_, win::WM_NCPAINT, 1, 0), 0);
  EXPECT_EQ(reached(win::WM_NCPAINT), 0);
  EXPECT_EQ(corner(), gdi::pixel_from_colorref(frame_colour(kTagMenu, 1)));
  EXPECT_EQ(skinner_.Background().Width(), 120);
  // A real update region goes to the platform unchanged.
  gdi::HRGN update = gdi::CreateRectRgn(300, 200, 310, 210);
  win::SendMessage(w_, win::WM_NCPAINT, reinterpret_cast<win::WPARAM>(update), 0);
  gdi::DeleteObject(update);
  EXPECT_EQ(reached(win::WM_NCPAINT), 1);

  // The background is erased by the platform unless the skin paints it; answered 1 either way.
  gdi::HDC dc = win::GetDC(w_);
  EXPECT_EQ(win::SendMessage(w_, win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(dc), 0), 1);
  EXPECT_EQ(reached(win::WM_ERASEBKGND), 1);
  sd_->Options |= SetOf(xoMenuBG);
  EXPECT_EQ(win::SendMessage(w_, win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(dc), 0), 1);
  EXPECT_EQ(reached(win::WM_ERASEBKGND), 1);
  win::ReleaseDC(w_, dc);

  // Printing: the skin's background, with the platform's printing kept inside a 3-pixel frame.
  SkinImage target(gdi::Bitmap(120, 90, gdi::PixelFormat::k24bit, 0x123456));
  {
    SelectedBitmap s(target.Handle());
    win::SendMessage(w_, win::WM_PRINT, reinterpret_cast<win::WPARAM>(s.dc()), 0x1E);
  }
  EXPECT_EQ(reached(win::WM_PRINT), 1);
  EXPECT_EQ(target.PixelColour(1, 1), frame_colour(kTagMenu, 1));
  EXPECT_EQ(target.PixelColour(118, 88), frame_colour(kTagMenu, 1));
}

TEST_F(PopupMenuSkinning, WithoutAMenuBackgroundOrWithSkinningOffEverythingIsPassedOn) {
  sd_->FMenuBackground.reset();
  win::SendMessage(w_, win::WM_NCPAINT, 1, 0);
  EXPECT_EQ(reached(win::WM_NCPAINT), 1);
  EXPECT_EQ(win::SendMessage(w_, kMsgIsSkinned, 0, 0), 1);  // still counts as skinned

  SkinManager()->FActive = false;
  g_trace.clear();
  for (win::UINT msg : {win::WM_NCPAINT, win::WM_ERASEBKGND, win::WM_PRINT}) win::SendMessage(w_, msg, 1, 0);
  EXPECT_EQ(g_trace, (std::vector<std::string>{std::to_string(win::WM_NCPAINT), std::to_string(win::WM_ERASEBKGND),
                                               std::to_string(win::WM_PRINT)}));
  EXPECT_EQ(win::SendMessage(w_, kMsgIsSkinned, 0, 0), 1);
}

TEST_F(PopupMenuSkinning, DestructionGivesTheWindowBackFirst) {
  win::DestroyWindow(w_);
  EXPECT_FALSE(skinner_.Subclassed());
  EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), std::to_string(win::WM_DESTROY)), g_trace.end());
  EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), std::to_string(win::WM_NCDESTROY)), g_trace.end());
}

TEST_F(PopupMenuSkinning, UnsubclassingPutsTheProcedureBack) {
  skinner_.Unsubclass();
  EXPECT_EQ(win::GetWindowLongPtr(w_, win::GWLP_WNDPROC), proc0_);
  EXPECT_EQ(win::SendMessage(w_, kMsgIsSkinned, 0, 0), 0);
  EXPECT_TRUE(skinner_.Background().Empty());
}

}  // namespace
}  // namespace skin::test
