// A captioned window skinned by the creation hook: its frame sizes, region, look, hit-testing,
// caption buttons, system menu, hints, and the ways of unhooking it.
#include "skin/form_skinner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/components/comctrls.h"
#include "platform/gdi/png_file.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

constexpr win::DWORD kCaptioned = win::WS_CAPTION | win::WS_SYSMENU | win::WS_MINIMIZEBOX;


gdi::POINT screen_point(win::HWND h, int x, int y) {
  gdi::RECT r;
  win::GetWindowRect(h, &r);
  return {r.left + x, r.top + y};
}

win::LPARAM screen_lparam(win::HWND h, int x, int y) {
  const gdi::POINT p = screen_point(h, x, y);
  return win::MAKELPARAM(p.x, p.y);
}

// The window's region equals `expected` (which is used up).
void expect_region(win::HWND h, gdi::HRGN expected) {
  gdi::HRGN actual = gdi::CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(win::GetWindowRgn(h, actual), gdi::ERROR);
  EXPECT_TRUE(gdi::EqualRgn(actual, expected));
  gdi::DeleteObject(actual);
  gdi::DeleteObject(expected);
}

class FormSkinning : public SkinTest {
protected:
  // A 400 x 300 captioned window with system menu and minimise box, shown and skinned.
  win::HWND skinned(const char* caption = "Skinned") {
    h_ = make(caption, kCaptioned, 100, 80, 400, 300);
    win::GetClientRect(h_, &client0_);
    win::GetWindowRect(h_, &window0_);
    proc0_ = win::GetWindowLongPtr(h_, win::GWLP_WNDPROC);
    show(h_);
    skinner_ = SkinManager()->FindForm(h_);
    return h_;
  }
  TWinSysButton* button(int action) {
    for (auto& b : skinner_->FCaptionButtons)
      if (b->SkinObject->Action == action) return b.get();
    return nullptr;
  }
  int count(win::UINT msg) const {
    const std::string m = std::to_string(msg);
    return static_cast<int>(std::count_if(g_trace.begin(), g_trace.end(),
                                          [&](const std::string& s) { return s == m || s.rfind(m + ":", 0) == 0; }));
  }
  // Where the caption buttons are (window coordinates of their middles).
  gdi::POINT middle(int x_from_right) const {
    gdi::RECT r;
    win::GetWindowRect(h_, &r);
    return {r.right - r.left - x_from_right + kButtonSize / 2, kButtonTop + kButtonSize / 2};
  }

  win::HWND h_ = nullptr;
  gdi::RECT client0_{}, window0_{};
  win::LONG_PTR proc0_ = 0;
  TFormSkinner* skinner_ = nullptr;
};

TEST_F(FormSkinning, TheHookSkinsAWindowAroundItsClientAreaAndCutsItsRegion) {
  start_skin();
  skinned();
  ASSERT_NE(skinner_, nullptr);
  EXPECT_EQ(win::SendMessage(h_, kMsgIsSkinned, 0, 0), 1);
  EXPECT_NE(win::GetWindowLongPtr(h_, win::GWLP_WNDPROC), proc0_);
  EXPECT_EQ(count(win::WM_NCPAINT), 0);  // the system frame is never drawn

  gdi::RECT wr, cr;
  win::GetWindowRect(h_, &wr);
  win::GetClientRect(h_, &cr);
  EXPECT_EQ(cr.right, client0_.right);
  EXPECT_EQ(cr.bottom, client0_.bottom);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  EXPECT_EQ(W, client0_.right + kLeft + kRight);
  EXPECT_EQ(H, client0_.bottom + kTitle + kBottom);
  EXPECT_EQ(wr.left, window0_.left);
  EXPECT_EQ(wr.top, window0_.top);
  gdi::POINT origin{0, 0};
  win::ClientToScreen(h_, &origin);
  EXPECT_EQ(origin.x - wr.left, kLeft);
  EXPECT_EQ(origin.y - wr.top, kTitle);

  // The region is the window without the key-coloured corner pixels of the side borders.
  gdi::HRGN expected = gdi::CreateRectRgn(0, 0, W, H);
  for (int y = 0; y < kCorner; ++y) {
    gdi::HRGN cut = gdi::CreateRectRgn(0, y, kCorner - y, y + 1);
    gdi::HRGN cut_right = gdi::CreateRectRgn(W - (kCorner - y), y, W, y + 1);
    gdi::CombineRgn(expected, expected, cut, gdi::RGN_DIFF);
    gdi::CombineRgn(expected, expected, cut_right, gdi::RGN_DIFF);
    gdi::DeleteObject(cut);
    gdi::DeleteObject(cut_right);
  }
  expect_region(h_, expected);
}

TEST_F(FormSkinning, BordersWithoutTheCutFlagGiveThePlainRectangle) {
  start_skin(TSkinData::kDefaultSkinControls, false);
  skinned();
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  gdi::HRGN expected = gdi::CreateRectRgn(0, 0, wr.right - wr.left, wr.bottom - wr.top);
  expect_region(h_, expected);
}

TEST_F(FormSkinning, ActiveInactiveAndLongCaptionLooksMatchTheGoldens) {
  start_skin();
  skinned();
  expect_golden("skinned_active", on_screen(h_));
  // Frame 1 of every border while active.
  const gdi::Bitmap active = on_screen(h_);
  EXPECT_EQ(active.pixel(2, 150), px(frame_colour(kTagLeft, 1)));
  EXPECT_EQ(active.pixel(active.width() - 2, 150), px(frame_colour(kTagRight, 1)));
  EXPECT_EQ(active.pixel(200, active.height() - 2), px(frame_colour(kTagBottom, 1)));
  EXPECT_EQ(active.pixel(200, 2), px(frame_colour(kTagTop, 1)));
  EXPECT_EQ(active.pixel(0, 0), 0u);  // cut away: the screen shows through

  win::HWND other = make("Other", kCaptioned, 600, 500, 150, 100);
  show(other);
  ASSERT_NE(win::GetActiveWindow(), h_);
  const gdi::Bitmap inactive = on_screen(h_);
  EXPECT_EQ(inactive.pixel(2, 150), px(frame_colour(kTagLeft, 2)));
  EXPECT_EQ(inactive.pixel(200, 2), px(frame_colour(kTagTop, 2)));
  expect_golden("skinned_inactive", inactive);

  show(h_);
  win::SetWindowText(h_, "A caption far too long to fit between the icon and the buttons of this window frame");
  pump();
  const gdi::Bitmap long_caption = on_screen(h_);
  // The text ends before the right-hand clip of the title.
  EXPECT_LE(skinner_->FCaptionTextRect.right, long_caption.width() - kRight - 70);
  expect_golden("skinned_long_caption", long_caption);
}

TEST_F(FormSkinning, HitTestsAndButtonsByPoint) {
  start_skin();
  skinned();
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  struct Case {
    gdi::POINT at;  // window coordinates
    win::LRESULT hit;
    int action;  // of the caption button found there, -1 none
  };
  const Case cases[] = {
      {{0, 0}, win::HTNOWHERE, -1},          // cut corner, top rows keep the answer
      {{200, 1}, win::HTBORDER, -1},         // top edge
      {{200, 15}, win::HTCAPTION, -1},       // title
      {{200, kTitle - 1}, win::HTCAPTION, -1},
      {{2, 150}, win::HTBORDER, -1},         // the outer pixels of the side borders
      {{kLeft - 1, 150}, win::HTCAPTION, -1},
      {{200, H - 1}, win::HTBORDER, -1},
      {{200, 150}, win::HTCLIENT, -1},
      {{kLeft, kTitle}, win::HTCLIENT, -1},
      {middle(kCloseX), win::HTCAPTION, 0},
      {middle(kMaxX), win::HTCAPTION, 1},
      {middle(kMinX), win::HTCAPTION, 2},
      {{W - kCloseX, kButtonTop}, win::HTCAPTION, 0},
      {{W - kCloseX + kButtonSize, kButtonTop}, win::HTCAPTION, -1},
      {{kIconX + 2, kIconY + 2}, win::HTCAPTION, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(win::SendMessage(h_, win::WM_NCHITTEST, 0, screen_lparam(h_, c.at.x, c.at.y)), c.hit)
        << c.at.x << "," << c.at.y;
    const gdi::POINT s = screen_point(h_, c.at.x, c.at.y);
    auto* b = dynamic_cast<TWinSysButton*>(skinner_->ButtonAt(skinner_->ScreenToWindowPoint(s.x, s.y)));
    EXPECT_EQ(b ? b->SkinObject->Action : -1, c.action) << c.at.x << "," << c.at.y;
  }
}


TEST_F(FormSkinning, PointerInputGivesHotAndPressedFramesAndActsOnlyOnAReleaseOverThePressedButton) {
  start_skin();
  skinned();
  TWinSysButton* close = button(0);
  TWinSysButton* min = button(2);
  ASSERT_NE(close, nullptr);
  ASSERT_NE(min, nullptr);
  auto look = [&](TWinSysButton* b) { return on_screen(h_).pixel(b->BoundsRect.left + 8, b->BoundsRect.top + 8); };
  const gdi::POINT close_at = screen_point(h_, middle(kCloseX).x, middle(kCloseX).y);
  const gdi::POINT min_at = screen_point(h_, middle(kMinX).x, middle(kMinX).y);

  win::inject_mouse_move(close_at);
  pump();
  EXPECT_EQ(close->State, 3);
  EXPECT_EQ(look(close), px(frame_colour(kTagClose, 3)));
  win::inject_mouse_button(close_at, win::MouseButton::kLeft, true);
  pump();
  EXPECT_EQ(close->State, 2);
  EXPECT_EQ(look(close), px(frame_colour(kTagClose, 2)));
  // Released over another button: nothing happens, and the pointer there makes that one hot.
  win::inject_mouse_move(min_at);
  win::inject_mouse_button(min_at, win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(count(win::WM_SYSCOMMAND), 0);
  EXPECT_EQ(close->State, 1);
  EXPECT_EQ(look(close), px(frame_colour(kTagClose, 1)));
  EXPECT_EQ(min->State, 3);
  // Leaving the buttons for the title puts the hot one back.
  const gdi::POINT title = screen_point(h_, 200, 14);
  win::inject_mouse_move(title);
  pump();
  EXPECT_EQ(min->State, 1);
  EXPECT_EQ(look(min), px(frame_colour(kTagMin, 1)));

  // Pressed and released over the minimise button: the window is minimised.
  win::inject_mouse_move(min_at);
  win::inject_mouse_button(min_at, win::MouseButton::kLeft, true);
  win::inject_mouse_button(min_at, win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(count(win::WM_SYSCOMMAND), 1);
  EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), "274:" + std::to_string(win::SC_MINIMIZE)), g_trace.end());
  EXPECT_TRUE(win::IsIconic(h_));
  EXPECT_EQ(skinner_->FShowState, 2);
}

TEST_F(FormSkinning, TheCloseButtonClosesAndTheDisabledMaximiseButtonDoesNothing) {
  start_skin();
  skinned();
  TWinSysButton* max = button(1);
  ASSERT_NE(max, nullptr);
  EXPECT_TRUE(max->Visible);
  EXPECT_FALSE(max->Enabled);  // no maximise box
  EXPECT_EQ(on_screen(h_).pixel(max->BoundsRect.left + 8, max->BoundsRect.top + 8), px(frame_colour(kTagMax, 4)));
  for (int action : {1, 0}) {
    const gdi::POINT at = screen_point(h_, middle(action ? kMaxX : kCloseX).x, middle(kMaxX).y);
    win::inject_mouse_move(at);
    win::inject_mouse_button(at, win::MouseButton::kLeft, true);
    win::inject_mouse_button(at, win::MouseButton::kLeft, false);
    pump();
  }
  EXPECT_EQ(g_trace.end() - std::find(g_trace.begin(), g_trace.end(), "274:" + std::to_string(win::SC_MAXIMIZE)), 0);
  EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), "274:" + std::to_string(win::SC_CLOSE)), g_trace.end());
  EXPECT_FALSE(win::IsWindow(h_));  // the default answer to SC_CLOSE destroys it
}

// The system menu's window during its modal loop, seen from a creation hook that runs before the
// skin manager's.
struct MenuWatch {
  static inline win::HHOOK hook = nullptr;
  static inline int skinned = -1;
  static inline gdi::Pixel corner = 0;
  static win::LRESULT proc(int code, win::WPARAM wp, win::LPARAM lp) {
    auto w = reinterpret_cast<win::HWND>(wp);
    if (code == win::HCBT_DESTROYWND && win::GetClassName(w) == win::kMenuClass) {
      skinned = static_cast<int>(win::SendMessage(w, kMsgIsSkinned, 0, 0));
      if (const gdi::Bitmap* b = win::GetBackingBitmap(w)) {
        corner = b->pixel(1, 1);
        // Kept for a person to look at.
        const char* bin = std::getenv("THC_BINARY_DIR");
        gdi::write_png_file(std::string(bin ? bin : ".") + "/skinned_system_menu.png", *b);
      }
    }
    return win::CallNextHookEx(hook, code, wp, lp);
  }
};

TEST_F(FormSkinning, ARightClickOnTheCaptionOpensTheSkinnedSystemMenu) {
  start_skin();
  skinned();
  MenuWatch::hook = win::SetWindowsHookEx(win::WH_CBT, MenuWatch::proc, nullptr, win::GetCurrentThreadId());
  const gdi::POINT title = screen_point(h_, 200, 14);
  win::inject_mouse_move(title);
  win::inject_mouse_button(title, win::MouseButton::kRight, true);
  win::inject_mouse_button(title, win::MouseButton::kRight, false);
  win::inject_key(win::VK_ESCAPE, true);  // read by the menu's loop
  win::inject_key(win::VK_ESCAPE, false);
  pump();
  win::UnhookWindowsHookEx(MenuWatch::hook);
  EXPECT_EQ(MenuWatch::skinned, 1);
  EXPECT_EQ(MenuWatch::corner, px(frame_colour(kTagMenu, 1)));
  EXPECT_TRUE(SkinManager()->FPopupMenus.empty());  // released with its window

  ASSERT_NE(skinner_->FSystemPopup, nullptr);
  struct Expect {
    win::UINT id;
    bool enabled;
  };
  const Expect expected[] = {{win::SC_RESTORE, false}, {win::SC_MOVE, true},     {win::SC_SIZE, true},
                             {win::SC_MINIMIZE, true}, {win::SC_MAXIMIZE, false}, {win::SC_CLOSE, true}};
  pc::TMenuItem& items = skinner_->FSystemPopup->Items();
  for (const Expect& e : expected) {
    pc::TMenuItem* found = nullptr;
    for (int i = 0; i < items.Count(); ++i)
      if (items.Items(i)->Tag == static_cast<std::intptr_t>(e.id)) found = items.Items(i);
    ASSERT_NE(found, nullptr) << std::hex << e.id;
    EXPECT_EQ(found->Enabled, e.enabled) << std::hex << e.id;
  }
  EXPECT_TRUE(win::IsWindow(h_));
}

TEST_F(FormSkinning, ASecondSystemMenuRequestClosesOnlyThroughTheIconAndOnlyWhenCloseIsEnabled) {
  start_skin();
  skinned();
  struct Case {
    int hot_action;  // -1: nothing hot
    bool close_grayed;
    bool closes;
  };
  const Case cases[] = {{3, false, true}, {0, false, false}, {-1, false, false}, {3, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hot_action);
    win::EnableMenuItem(skinner_->FSystemMenu, win::SC_CLOSE, c.close_grayed ? win::MF_GRAYED : win::MF_ENABLED);
    win::inject_key(win::VK_ESCAPE, true);
    win::inject_key(win::VK_ESCAPE, false);
    skinner_->ShowSystemPopup({300, 200});  // the first request opens the menu
    skinner_->FHotObject = c.hot_action < 0 ? nullptr : button(c.hot_action);
    g_trace.clear();
    skinner_->ShowSystemPopup({300, 200});  // within the double-click time
    pump();
    EXPECT_EQ(count(win::WM_CLOSE), c.closes ? 1 : 0);
    EXPECT_EQ(win::IsWindow(h_), !c.closes);
    if (c.closes) break;
    clock_.advance(std::chrono::milliseconds(win::GetDoubleClickTime() + 1));
  }
}

TEST_F(FormSkinning, ACaptionButtonHintComesAndGoesOnTheVirtualClock) {
  start_skin();
  skinned();
  pc::Application().HintPause = 500;
  pc::Application().HintHidePause = 2500;
  const gdi::POINT at = screen_point(h_, middle(kCloseX).x, middle(kCloseX).y);
  win::inject_mouse_move(at);
  pump();
  ASSERT_EQ(skinner_->FHotObject, button(0));
  pc::THintWindow& hint = *sd_->FHintWindow;
  auto shown = [&] { return hint.HandleAllocated() && win::IsWindowVisible(hint.Handle()); };
  for (int t = 250; t < 1000; t += 250) {
    pass(250);
    EXPECT_FALSE(shown()) << t;
  }
  pass(250);  // twice the hint pause
  ASSERT_TRUE(shown());
  EXPECT_EQ(win::GetWindowText(hint.Handle()), "Close");
  gdi::RECT hr, wr;
  win::GetWindowRect(hint.Handle(), &hr);
  win::GetWindowRect(h_, &wr);
  EXPECT_EQ(hr.left, wr.left + button(0)->BoundsRect.left);
  EXPECT_EQ(hr.top, at.y + 24);
  EXPECT_EQ(win::GetActiveWindow(), h_);
  for (int t = 1250; t < 3500; t += 250) {
    pass(250);
    EXPECT_TRUE(shown()) << t;
  }
  pass(250);  // and the hint hide pause later
  EXPECT_FALSE(shown());
  // Leaving the button resets the count.
  win::inject_mouse_move(screen_point(h_, 200, 150));
  pump();
  pass(250);
  EXPECT_EQ(skinner_->FHotObject, nullptr);
  EXPECT_EQ(sd_->FHintTime, 0u);
}


TEST_F(FormSkinning, EachCaptionButtonActionPostsItsCommand) {
  start_skin();
  skinned();
  struct Case {
    int action;
    std::string posted;
  };
  const Case cases[] = {
      {2, "274:" + std::to_string(win::SC_MINIMIZE)},
      {4, "274:" + std::to_string(win::SC_CONTEXTHELP)},
      {50, std::to_string(kMsgButtonAction) + ":50"},
      {0, "274:" + std::to_string(win::SC_CLOSE)},
  };
  const gdi::POINT at = screen_point(h_, middle(kCloseX).x, middle(kCloseX).y);
  for (const Case& c : cases) {
    ASSERT_TRUE(win::IsWindow(h_));
    win::ShowWindow(h_, win::SW_RESTORE);
    pump();
    TWinSysButton* b = nullptr;
    for (auto& x : skinner_->FCaptionButtons)
      if (x->BoundsRect.left == middle(kCloseX).x - kButtonSize / 2) b = x.get();
    ASSERT_NE(b, nullptr);
    b->SkinObject->Action = c.action;
    g_trace.clear();
    win::inject_mouse_move(at);
    win::inject_mouse_button(at, win::MouseButton::kLeft, true);
    win::inject_mouse_button(at, win::MouseButton::kLeft, false);
    pump();
    EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), c.posted), g_trace.end()) << c.action;
    win::inject_mouse_move(screen_point(h_, 200, 150));  // away, so the next press starts afresh
    pump();
    clock_.advance(std::chrono::milliseconds(win::GetDoubleClickTime() + 1));  // and is no double click
  }
  EXPECT_FALSE(win::IsWindow(h_));
}

TEST_F(FormSkinning, DoubleClicksOnTheIconCloseAndOnTheTitleDoNotWithoutAMaximiseBox) {
  start_skin();
  skinned();
  g_trace.clear();
  win::SendMessage(h_, win::WM_NCLBUTTONDBLCLK, win::HTCAPTION, screen_lparam(h_, 200, 14));
  pump();
  EXPECT_EQ(count(win::WM_SYSCOMMAND), 0);
  EXPECT_EQ(count(win::WM_NCLBUTTONDBLCLK), 1);  // passed on
  win::SendMessage(h_, win::WM_NCLBUTTONDBLCLK, win::HTCAPTION, screen_lparam(h_, kIconX + 2, kIconY + 2));
  pump();
  EXPECT_NE(std::find(g_trace.begin(), g_trace.end(), "274:" + std::to_string(win::SC_CLOSE)), g_trace.end());
  EXPECT_FALSE(win::IsWindow(h_));
}

TEST_F(FormSkinning, WindowKindsGetTheirFrames) {
  start_skin();
  // No caption: no frame, no region, the system's non-client painting.
  win::HWND bare = make("Bare", win::WS_POPUP | win::WS_BORDER, 50, 50, 200, 120);
  show(bare);
  TFormSkinner* f = SkinManager()->FindForm(bare);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->FBorderKind, 2);
  EXPECT_EQ(f->FBorderLeft + f->FTitleHeight + f->FBorderRight + f->FBorderBottom, 0);
  gdi::RECT r;
  win::GetWindowRect(bare, &r);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 120);
  EXPECT_FALSE(win::GetWindowRgn(bare, gdi::CreateRectRgn(0, 0, 0, 0)) != gdi::ERROR);
  g_trace.clear();
  win::RedrawWindow(bare, nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
  EXPECT_EQ(std::count(g_trace.begin(), g_trace.end(), std::to_string(win::WM_NCPAINT)), 1);
  win::DestroyWindow(bare);

  // A sizeable window: WM_SIZE reaches its procedure twice while the skin is on.
  win::HWND sizeable = make("Sizeable", kCaptioned | win::WS_THICKFRAME, 50, 50, 300, 200);
  show(sizeable);
  EXPECT_EQ(SkinManager()->FindForm(sizeable)->FBorderKind, 0);
  g_trace.clear();
  win::SetWindowPos(sizeable, nullptr, 0, 0, 320, 220, win::SWP_NOMOVE | win::SWP_NOZORDER);
  EXPECT_EQ(std::count(g_trace.begin(), g_trace.end(), std::to_string(win::WM_SIZE)), 2);
  win::DestroyWindow(sizeable);
}

TEST_F(FormSkinning, ADialogIsAsWideAsItsCaptionAndShowsNoIcon) {
  start_skin();
  const char* caption = "A dialog caption that needs more room than the dialog has";
  win::HWND d = win::CreateWindowEx(0, win::kDialogClass, caption, win::WS_POPUP | kCaptioned | win::WS_THICKFRAME, 40,
                                    40, 150, 100, nullptr, nullptr, nullptr, nullptr);
  win::HWND child = win::CreateWindowEx(0, "SkinRec", "c", win::WS_CHILD | win::WS_VISIBLE, 10, 10, 30, 20, d, nullptr,
                                        nullptr, nullptr);
  gdi::RECT c0;
  win::GetClientRect(d, &c0);
  show(d);
  TFormSkinner* f = SkinManager()->FindForm(d);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->FDialogClass);
  EXPECT_EQ(f->FBorderKind, 3);  // even with a thick frame
  // The caption's width in the caption font, with the title's text margins (30 and 70).
  gdi::HDC dc = win::GetDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, f->FCaptionFont);
  gdi::SIZE text{};
  gdi::GetTextExtentPoint32(dc, std::string_view(caption), &text);
  gdi::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  const int needed = 30 + text.cx + 70;
  ASSERT_GT(needed, c0.right + kLeft + kRight);
  gdi::RECT wr;
  win::GetWindowRect(d, &wr);
  EXPECT_EQ(wr.right - wr.left, needed);
  gdi::RECT cr;
  win::GetWindowRect(child, &cr);
  gdi::POINT origin{0, 0};
  win::ClientToScreen(d, &origin);
  EXPECT_EQ(cr.left - origin.x, 10 + (needed - (c0.right + kLeft + kRight)) / 2);
  for (auto& b : f->FCaptionButtons) {
    if (b->SkinObject->Action == 3) {
      EXPECT_FALSE(b->Visible);
    }
  }
  win::DestroyWindow(d);
}

TEST_F(FormSkinning, ACentredRightToLeftCaptionCentresLeftOfTheButtons) {
  start_skin();
  sd_->FTitle->TextAlignment = 1;
  h_ = make("Centred", kCaptioned, 100, 80, 400, 300, win::WS_EX_LEFTSCROLLBAR);
  show(h_);
  skinner_ = SkinManager()->FindForm(h_);
  ASSERT_NE(skinner_, nullptr);
  EXPECT_TRUE(skinner_->FRightToLeft);
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  const int W = wr.right - wr.left;
  gdi::HDC dc = win::GetDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, skinner_->FCaptionFont);
  gdi::SIZE text{};
  gdi::GetTextExtentPoint32(dc, std::string_view("  Centred "), &text);
  gdi::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  // The widest right-aligned visible button reaches kMinX from the right edge.
  EXPECT_EQ(skinner_->FCaptionClip, kMinX);
  const int title_width = W - kLeft - kRight;
  EXPECT_EQ(skinner_->FCaptionTextRect.left, kLeft + (title_width - text.cx - kMinX) / 2 + 10);
}

TEST_F(FormSkinning, FrameCountsOfZeroCountAsOne) {
  start_skin();
  for (int i : {1, 3}) sd_->FBorders[static_cast<std::size_t>(i)]->Frame = 0;
  for (auto& b : sd_->FSysButtons) b->Frame = 0;
  skinned();
  EXPECT_EQ(skinner_->FBorderLeft, 2 * kLeft);  // the whole picture is one frame
  EXPECT_EQ(skinner_->FTitleHeight, 2 * kTitle);
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  EXPECT_EQ(wr.bottom - wr.top, client0_.bottom + 2 * kTitle + kBottom);
  win::HWND other = make("Other", kCaptioned, 600, 500, 150, 100);
  show(other);  // inactive: frame 2 of a one-frame picture is its only frame
  const gdi::Bitmap inactive = on_screen(h_);
  EXPECT_EQ(inactive.pixel(1, 150), px(frame_colour(kTagLeft, 1)));
  EXPECT_EQ(inactive.pixel(kLeft + 1, 150), px(frame_colour(kTagLeft, 2)));
  EXPECT_EQ(inactive.pixel(200, 2), px(frame_colour(kTagTop, 1)));
  EXPECT_EQ(inactive.pixel(200, kTitle + 2), px(frame_colour(kTagTop, 2)));
}

// ---- unhooking ----

bool has_region(win::HWND h) {
  gdi::HRGN r = gdi::CreateRectRgn(0, 0, 0, 0);
  const bool has = win::GetWindowRgn(h, r) != gdi::ERROR;
  gdi::DeleteObject(r);
  return has;
}

TEST_F(FormSkinning, SwitchingTheSkinOffPutsBackProcedureStyleSizeAndRegion) {
  start_skin();
  skinned();
  const auto style0 = kCaptioned | win::WS_VISIBLE;
  g_trace.clear();
  win::RedrawWindow(h_, nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
  EXPECT_EQ(count(win::WM_NCPAINT), 0);
  EXPECT_EQ(static_cast<win::DWORD>(win::GetWindowLong(h_, win::GWL_STYLE)) & win::WS_SYSMENU, 0u);  // hidden under the skin

  sd_->SetActive(false);
  pass(200);
  EXPECT_NE(SkinManager()->FindForm(h_), nullptr);  // 250 ms after the switch
  pass(50);
  EXPECT_EQ(SkinManager()->FindForm(h_), nullptr);
  EXPECT_EQ(win::GetWindowLongPtr(h_, win::GWLP_WNDPROC), proc0_);
  EXPECT_EQ(static_cast<win::DWORD>(win::GetWindowLong(h_, win::GWL_STYLE)) & style0, style0);
  gdi::RECT wr, cr;
  win::GetWindowRect(h_, &wr);
  win::GetClientRect(h_, &cr);
  EXPECT_EQ(wr.right - wr.left, window0_.right - window0_.left);
  EXPECT_EQ(wr.bottom - wr.top, window0_.bottom - window0_.top);
  EXPECT_EQ(cr.right, client0_.right);
  EXPECT_EQ(cr.bottom, client0_.bottom);
  EXPECT_FALSE(has_region(h_));
  EXPECT_FALSE(win::HasWindowOwnFrame(h_));
  EXPECT_EQ(win::SendMessage(h_, kMsgIsSkinned, 0, 0), 0);
  g_trace.clear();
  win::RedrawWindow(h_, nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
  EXPECT_EQ(count(win::WM_NCPAINT), 1);  // the system frame is back
  // New windows are left alone while the skin is off.
  win::HWND later = make("Later", kCaptioned, 600, 500, 150, 100);
  show(later);
  EXPECT_EQ(win::SendMessage(later, kMsgIsSkinned, 0, 0), 0);
}

TEST_F(FormSkinning, ANewSkinIsTakenUpAroundTheSameClientArea) {
  start_skin();
  skinned();
  int changed = 0;
  sd_->OnSkinChanged = [&](pc::TObject*) { ++changed; };
  sd_->ReadSkinStream(stream_of(synthetic_skin_package(true, 40)));
  sd_->ApplySkin();
  EXPECT_TRUE(skinner_->FCaptionButtons.empty());  // they referred to the old skin's objects
  pass(250);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(skinner_->FTitleHeight, 40);
  EXPECT_EQ(skinner_->FCaptionButtons.size(), sd_->FSysButtons.size());
  gdi::RECT wr, cr;
  win::GetWindowRect(h_, &wr);
  win::GetClientRect(h_, &cr);
  EXPECT_EQ(cr.right, client0_.right);
  EXPECT_EQ(cr.bottom, client0_.bottom);
  EXPECT_EQ(wr.bottom - wr.top, client0_.bottom + 40 + kBottom);
  EXPECT_EQ(on_screen(h_).pixel(200, 39), px(frame_colour(kTagTop, 1)));
}

TEST_F(FormSkinning, AFormGetsTheSkinColourAndItsOwnBackWhenTheSkinGoesAndComesBack) {
  start_skin();
  auto* form = new pc::TForm(&pc::Application());
  form->SetBounds(50, 50, 400, 300);
  const pc::TColor colour0 = form->Color();
  form->Show();
  pump();
  win::HWND h = form->Handle();
  ASSERT_NE(SkinManager()->FindForm(h), nullptr);
  EXPECT_EQ(gdi::resolve_color(form->Color()), kFace);
  EXPECT_EQ(form->Perform(kMsgSkinQuery, 0, kSkinMagic), kSkinMagic);  // the form-level handler answers
  const int width = form->Width(), height = form->Height();
  const int client_w = static_cast<int>(pc::GetIntProp(form, "ClientWidth"));

  sd_->SetActive(false);
  pass(250);
  EXPECT_EQ(SkinManager()->FindForm(h), nullptr);
  EXPECT_EQ(form->Color(), colour0);
  EXPECT_EQ(form->Perform(kMsgSkinQuery, 0, kSkinMagic), 0);
  EXPECT_EQ(static_cast<int>(pc::GetIntProp(form, "ClientWidth")), client_w);
  EXPECT_EQ(win::SendMessage(h, kMsgIsSkinned, 0, 0), 0);

  // Switched on again, the visible form is skinned anew.
  sd_->SetActive(true);
  pass(250);
  ASSERT_NE(SkinManager()->FindForm(h), nullptr);
  pump();
  EXPECT_EQ(gdi::resolve_color(form->Color()), kFace);
  EXPECT_EQ(form->Width(), width);
  EXPECT_EQ(form->Height(), height);
  delete form;
  pump();
  EXPECT_TRUE(SkinManager()->FForms.empty());
}

TEST_F(FormSkinning, AFormRepaintsItsCaptionOnANewTextAndPaintsItsFrameIntoAGivenContext) {
  start_skin();
  auto* form = new pc::TForm(&pc::Application());
  form->SetBounds(50, 50, 300, 200);
  form->SetCaption("Short");
  form->Show();
  pump();
  TFormSkinner* f = SkinManager()->FindForm(form->Handle());
  ASSERT_NE(f, nullptr);
  const int short_right = f->FCaptionTextRect.right;
  form->SetCaption("A longer caption");
  pump();
  EXPECT_GT(f->FCaptionTextRect.right, short_right);
  // Painting the frame into a context handed over (as a print does).
  SkinImage target(gdi::Bitmap(form->Width(), form->Height(), gdi::PixelFormat::k24bit, 0x000000));
  {
    SelectedBitmap s(target.Handle());
    EXPECT_EQ(form->Perform(kMsgPaintNonClient, reinterpret_cast<win::WPARAM>(s.dc()), kSkinMagic), kSkinMagic);
  }
  EXPECT_EQ(target.PixelColour(2, form->Height() / 2), frame_colour(kTagLeft, 1));
  EXPECT_EQ(target.PixelColour(form->Width() / 2, 2), frame_colour(kTagTop, 1));
  EXPECT_EQ(form->Perform(kMsgPaintNonClient, 0, 0), 0);  // without the magic word nothing happens
  delete form;
}

TEST_F(FormSkinning, ADestroyedWindowUnhooksItselfAndIsPurgedLater) {
  start_skin();
  skinned();
  g_trace.clear();
  win::DestroyWindow(h_);
  ASSERT_FALSE(g_trace.empty());
  EXPECT_EQ(g_trace.back(), std::to_string(win::WM_NCDESTROY));  // the last message reached the own procedure
  ASSERT_EQ(SkinManager()->FForms.size(), 1u);
  EXPECT_EQ(SkinManager()->FForms.front()->FSkinState, 6u);
  win::HWND next = make("Next", kCaptioned, 600, 500, 150, 100);
  show(next);
  ASSERT_EQ(SkinManager()->FForms.size(), 1u);
  EXPECT_EQ(SkinManager()->FForms.front()->FHandle, next);
}

TEST_F(FormSkinning, TheManagerEndingUnhooksLiveWindowsWithoutResizingThem) {
  start_skin();
  skinned();
  gdi::RECT skinned_rect;
  win::GetWindowRect(h_, &skinned_rect);
  DestroySkinManager();
  EXPECT_EQ(win::GetWindowLongPtr(h_, win::GWLP_WNDPROC), proc0_);
  EXPECT_EQ(win::SendMessage(h_, kMsgIsSkinned, 0, 0), 0);
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  EXPECT_EQ(wr.right - wr.left, skinned_rect.right - skinned_rect.left);
  EXPECT_EQ(wr.bottom - wr.top, skinned_rect.bottom - skinned_rect.top);
  win::DestroyWindow(h_);
}

TEST_F(FormSkinning, WithoutFrameSkinningAWindowIsHookedButKeepsTheSystemFrame) {
  start_skin(TSkinData::kDefaultSkinControls & ~SetOf(xcMainMenu));
  skinned();
  ASSERT_NE(skinner_, nullptr);
  EXPECT_FALSE(skinner_->FSkinFrame);
  EXPECT_EQ(win::SendMessage(h_, kMsgIsSkinned, 0, 0), 1);
  gdi::RECT wr;
  win::GetWindowRect(h_, &wr);
  EXPECT_EQ(wr.right - wr.left, 400);
  EXPECT_EQ(wr.bottom - wr.top, 300);
  g_trace.clear();
  win::RedrawWindow(h_, nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
  EXPECT_EQ(count(win::WM_NCPAINT), 1);
  sd_->SetActive(false);
  pass(250);
  EXPECT_EQ(win::GetWindowLongPtr(h_, win::GWLP_WNDPROC), proc0_);
  EXPECT_EQ(win::SendMessage(h_, kMsgIsSkinned, 0, 0), 0);
}

// ---- which windows the manager skins ----

TEST_F(FormSkinning, TheManagerFiltersWindowsByKindClassAndTag) {
  start_skin();
  struct Case {
    const char* class_name;
    win::DWORD style;
    int width;
    bool skinned;
  };
  const Case cases[] = {
      {"SkinRec", kCaptioned, 150, true},
      {"SkinRec", kCaptioned, 0, false},  // no area
      {"TTERenderWindowX", kCaptioned, 150, false},
      {"XTcxPopupEditPopupWindow", kCaptioned, 150, false},
      {"TApplication", kCaptioned, 150, false},
      {"SysMonthCal32", kCaptioned, 150, false},
      {"TPopupDBTreeView", kCaptioned, 150, false},
      {"TPrintPreview", kCaptioned, 150, true},  // previews are skinned with xoPreview
      {"#32770", kCaptioned | 0x200, 150, false},
  };
  for (const Case& c : cases) {
    win::WNDCLASSEX wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = c.class_name;
    win::RegisterClassEx(&wc);
    win::HWND w = win::CreateWindowEx(0, c.class_name, "w", c.style, 10, 10, c.width, c.width ? 100 : 0, nullptr,
                                      nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr) << c.class_name;
    show(w);
    EXPECT_EQ(SkinManager()->FindForm(w) != nullptr, c.skinned) << c.class_name;
    win::DestroyWindow(w);
  }
  // A form tagged 99 is never skinned, whatever the disabling tag says.
  sd_->DisableTag = 5;
  auto* form = new pc::TForm(&pc::Application());
  form->Tag = 99;
  form->Show();
  pump();
  EXPECT_EQ(SkinManager()->FindForm(form->Handle()), nullptr);
  delete form;
  // Without xoPreview previews are left alone; the application may veto any class.
  sd_->Options &= static_cast<TSkinOptions>(~SetOf(xoPreview));
  for (const char* name : {"TPrintPreview", "SkinRec"}) {
    if (name == std::string("SkinRec"))
      sd_->OnFormSkin = [](pc::TObject*, const std::string& n, bool& ok) { ok = n != "SkinRec"; };
    win::HWND w = win::CreateWindowEx(0, name, "w", kCaptioned, 10, 10, 150, 100, nullptr, nullptr, nullptr, nullptr);
    show(w);
    EXPECT_EQ(SkinManager()->FindForm(w), nullptr) << name;
    win::DestroyWindow(w);
  }
}

}  // namespace
}  // namespace skin::test
