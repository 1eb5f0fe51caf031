// Scroll-bar overlays over the native bars of scrolling controls, the skinners that keep them in
// step, and the drop-down list's bar with its own thumb dragging: probed on the screen and through
// the scroll requests the list receives.
#include <gtest/gtest.h>

#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"
#include "skin/drop_list.h"
#include "skin/edit_skinners.h"
#include "skin/scroll_skinners.h"
#include "skin/tests/scroll_skin.h"
#include "skin/tests/skinned_form.h"

namespace skin::test {
namespace {

TEST(ScrollBarParts, PartsAlongTheBarAreTestedInTheirOrder) {
  // A vertical bar of 120 pixels, arrows of 17, the thumb at 40 .. 60.
  const struct {
    int a, part;
  } cases[] = {{0, kScrollFirstArrow}, {10, kScrollFirstArrow}, {16, kScrollFirstArrow}, {17, kScrollPageBefore},
               {30, kScrollPageBefore}, {39, kScrollPageBefore}, {40, kScrollThumb},      {50, kScrollThumb},
               {59, kScrollThumb},      {60, kScrollPageAfter},  {80, kScrollPageAfter},  {102, kScrollPageAfter},
               {103, kScrollSecondArrow}, {110, kScrollSecondArrow}};
  for (const auto& c : cases) EXPECT_EQ(ScrollBarPartAt(c.a, 17, 40, 60, 120), c.part) << c.a;
  // A thumb reaching into the arrow: the arrow wins, being tested first.
  EXPECT_EQ(ScrollBarPartAt(5, 17, 0, 30, 120), kScrollFirstArrow);
}

TEST(ScrollBarParts, ThumbOfAStandAloneControl) {
  const struct {
    int length, min, max, page, pos, start, end;
  } cases[] = {
      {217, 0, 100, 0, 0, 17, 34},     // page 0: the thumb is an arrow long, at the start for pos = min
      {217, 0, 100, 0, 50, 100, 117},  // page 0: (L - 3A) * 50 / 100 + A
      {234, 0, 100, 10, 50, 117, 135}, // thumb (L - 2A) * 9 / 100 = 18, start (L - 2A) * 50 / 100 + A
      {234, 0, 100, 2, 50, 113, 121},  // a thumb under 8 pixels is 8, placed over (L - 2A - 8)
      {234, 0, 100, 10, 0, 17, 35},
      {234, 5, 5, 1, 5, 17, 25},       // min = max: the range counts as 9999999
  };
  for (const auto& c : cases) {
    const ThumbExtent t = ControlThumbExtent(c.length, 17, c.min, c.max, c.page, c.pos);
    EXPECT_EQ(t.start, c.start) << c.length << " " << c.page << " " << c.pos;
    EXPECT_EQ(t.end, c.end) << c.length << " " << c.page << " " << c.pos;
  }
}

TEST(DropListThumb, PositionsOfADraggedThumb) {
  const struct {
    int o, min, max, page, track, len, u;
  } cases[] = {
      {0, 0, 99, 10, 100, 10, 0},
      {30, 0, 99, 10, 100, 10, 30},    // 30 * 89 / 90 rounded
      {500, 0, 99, 10, 100, 10, 90},   // dragged to the very bottom: max - page + 1
      {90, 0, 99, 10, 100, 10, 90},    // reaching max - page is taken one further
      {50, 0, 100, 0, 100, 17, 50},    // page 0: o * range / track
      {200, 0, 100, 0, 100, 17, 83},   // page 0: the thumb stops at the track's end
      {-10, 5, 105, 0, 100, 17, 5},    // above the track: the minimum
      {20, 0, 99, 10, 50, 50, 0},      // a thumb filling the track leaves the position at the minimum
  };
  for (const auto& c : cases)
    EXPECT_EQ(DragThumbPosition(c.o, c.min, c.max, c.page, c.track, c.len), c.u) << c.o << " " << c.page << " " << c.track;
}

// A control with both scroll bars of its own and a grid's fixed-cell colour.
class TwoBars : public pc::TWinControl {
public:
  explicit TwoBars(pc::TComponent* owner) : pc::TWinControl(owner) {
    PublishInt("FixedColor", [this] { return fixed_; }, [this](std::int64_t v) { fixed_ = v; });
  }
  std::string ClassName() const override { return "TTwoBars"; }
  std::int64_t fixed_ = 0x123456;

protected:
  void CreateParams(pc::TCreateParams& p) override {
    pc::TWinControl::CreateParams(p);
    p.style |= win::WS_HSCROLL | win::WS_VSCROLL;
    p.ex_style |= win::WS_EX_CLIENTEDGE;
  }
  void CreateWnd() override {
    win::SCROLLINFO si;
    si.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 0;
    win::SetScrollInfo(Handle(), win::SB_HORZ, &si, win::TRUE);
    win::SetScrollInfo(Handle(), win::SB_VERT, &si, win::TRUE);
  }
};

class ScrollSkins : public SkinnedFormTest {
protected:
  void SetUp() override {
    SkinnedFormTest::SetUp();
    install_scroll_skin(*sd_);
  }
  // The screen's pixel at a point of an overlay.
  gdi::Pixel at(const gdi::Bitmap& screen, const TWScrollbar* bar, int x, int y) {
    gdi::RECT r;
    win::GetWindowRect(const_cast<TWScrollbar*>(bar)->Handle(), &r);
    return screen.pixel(r.left + x, r.top + y);
  }
  win::SCROLLBARINFO bar_info(win::HWND h, win::LONG object = win::OBJID_VSCROLL) {
    win::SCROLLBARINFO info;
    EXPECT_TRUE(win::GetScrollBarInfo(h, object, &info));
    return info;
  }
  pc::TListBox* list_of(int items, int height) {
    auto* list = add<pc::TListBox>(20, 20, 120, height);
    for (int i = 0; i < items; ++i) list->Items().Add("item " + std::to_string(i));
    return list;
  }
  static gdi::POINT centre_of(const gdi::RECT& r, int y) { return {(r.left + r.right) / 2, r.top + y}; }
};

TEST_F(ScrollSkins, AListBoxsOverlayLiesOverItsBarAndFollowsTheContent) {
  pc::TListBox* list = list_of(20, 240);
  show_form();
  auto* s = dynamic_cast<TSkinScrollbar*>(skinner_of(list));
  ASSERT_NE(s, nullptr);
  TWScrollbar* bar = s->FVertBar;
  ASSERT_NE(bar, nullptr);
  const win::HWND h = list->Handle();
  win::SCROLLBARINFO info = bar_info(h);
  // The overlay covers the native bar exactly; the list has no horizontal bar, so that overlay stays hidden.
  EXPECT_EQ(bar->FActive, 1);
  gdi::RECT over;
  win::GetWindowRect(bar->Handle(), &over);
  EXPECT_EQ(over, info.rcScrollBar);
  EXPECT_EQ(s->FHorzBar->FActive, 0);
  EXPECT_FALSE(win::IsWindowVisible(s->FHorzBar->Handle()));

  gdi::Bitmap screen = shot();
  const int H = over.bottom - over.top;
  const int top = info.xyThumbTop, len = info.xyThumbBottom - info.xyThumbTop;
  ASSERT_GT(len, kBarFrame + 2) << "a thumb long enough for its grip";
  EXPECT_EQ(at(screen, bar, 8, 3), px(scroll_colour(kTagBar, 9)));         // up arrow
  EXPECT_EQ(at(screen, bar, 8, H - 3), px(scroll_colour(kTagBar, 13)));     // down arrow
  EXPECT_EQ(at(screen, bar, 8, top), px(scroll_colour(kTagVThumb, 1)));     // thumb, normal
  EXPECT_EQ(at(screen, bar, 8, top + len / 2), px(scroll_colour(kTagBar, 20)));  // grip
  EXPECT_EQ(at(screen, bar, 8, H - 20), px(scroll_colour(kTagVTrack, 1)));  // track, enabled

  // Scrolled by a script, the thumb moves with the content.
  win::SendMessage(h, win::LB_SETTOPINDEX, 3, 0);
  pump();
  screen = shot();
  const win::SCROLLBARINFO moved = bar_info(h);
  ASSERT_GT(moved.xyThumbTop, info.xyThumbTop);
  EXPECT_EQ(at(screen, bar, 8, moved.xyThumbTop), px(scroll_colour(kTagVThumb, 1)));
  EXPECT_EQ(at(screen, bar, 8, top), px(scroll_colour(kTagVTrack, 1)));
  EXPECT_EQ(bar->FThumbStart, moved.xyThumbTop);

  // A click on the overlay's down arrow reaches the native bar: the list scrolls one line.
  const gdi::POINT down = centre_of(over, H - 5);
  win::inject_mouse_move(down);
  win::inject_mouse_button(down, win::MouseButton::kLeft, true);
  win::inject_mouse_button(down, win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(list->TopIndex(), 4);
  // The end of the tracking returns every part to its normal look.
  EXPECT_EQ(bar->FHotPart, win::SB_ENDSCROLL);
  EXPECT_FALSE(bar->FTracking);
}

TEST_F(ScrollSkins, TheOverlaysThumbFollowsTheCursorWhileTheNativeThumbIsDragged) {
  pc::TListBox* list = list_of(40, 240);
  show_form();
  auto* s = dynamic_cast<TSkinScrollbar*>(skinner_of(list));
  ASSERT_NE(s, nullptr);
  TWScrollbar* bar = s->FVertBar;
  const win::HWND h = list->Handle();
  const win::SCROLLBARINFO info = bar_info(h);
  gdi::RECT over;
  win::GetWindowRect(bar->Handle(), &over);
  const int len = info.xyThumbBottom - info.xyThumbTop;
  const gdi::POINT grab = centre_of(over, info.xyThumbTop + 2);
  // Just before the release, while the window system still tracks the thumb, the overlay is looked at.
  int seen_start = -1, seen_hot = -1;
  gdi::Pixel seen_thumb{}, seen_grip{};
  bool seen_tracking = false;
  const win::HHOOK hook = win::SetWindowsHookEx(
      win::WH_MSGFILTER,
      [&](int code, win::WPARAM, win::LPARAM lp) -> win::LRESULT {
        const auto* m = reinterpret_cast<const win::MSG*>(lp);
        if (code == win::MSGF_SCROLLBAR && m->message == win::WM_LBUTTONUP && seen_start < 0) {
          win::UpdateWindow(bar->Handle());
          const gdi::Bitmap screen = win::ComposeScreen(0);
          seen_start = bar->FThumbStart;
          seen_hot = bar->FHotPart;
          seen_tracking = bar->FTracking;
          seen_thumb = at(screen, bar, 8, bar->FThumbStart);
          seen_grip = at(screen, bar, 8, bar->FThumbStart + len / 2);
        }
        return 0;
      },
      nullptr, 0);
  win::inject_mouse_move(grab);
  win::inject_mouse_button(grab, win::MouseButton::kLeft, true);
  for (int dy = 10; dy <= 30; dy += 10) win::inject_mouse_move({grab.x, grab.y + dy});
  win::inject_mouse_button({grab.x, grab.y + 30}, win::MouseButton::kLeft, false);
  pump();
  win::UnhookWindowsHookEx(hook);
  // Pressed: 30 pixels below where it was grabbed, in the pressed thumb frame with the pressed grip.
  EXPECT_TRUE(seen_tracking);
  EXPECT_EQ(seen_hot, kScrollThumb);
  EXPECT_EQ(seen_start, info.xyThumbTop + 30);
  EXPECT_EQ(seen_thumb, px(scroll_colour(kTagVThumb, 2)));
  EXPECT_EQ(seen_grip, px(scroll_colour(kTagBar, 21)));
  // Released: the thumb shows the list's final position in its normal frame.
  EXPECT_GT(list->TopIndex(), 0);
  const gdi::Bitmap screen = shot();
  const win::SCROLLBARINFO after = bar_info(h);
  EXPECT_EQ(bar->FThumbStart, after.xyThumbTop);
  EXPECT_EQ(at(screen, bar, 8, after.xyThumbTop), px(scroll_colour(kTagVThumb, 1)));
}

TEST_F(ScrollSkins, TwoBarsTheCornerTheBorderEnablingAndHiding) {
  auto* both = add<TwoBars>(20, 20, 200, 150);
  show_form();
  auto* s = dynamic_cast<TSkinScrollbar*>(skinner_of(both));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->FVertBar->FActive, 1);
  ASSERT_EQ(s->FHorzBar->FActive, 1);
  const gdi::Bitmap screen = shot();
  const win::HWND h = both->Handle();
  gdi::RECT wr;
  win::GetWindowRect(h, &wr);
  // The square between the bars in the skin's face colour; the border in shadow, then face.
  const win::SCROLLBARINFO v = bar_info(h), hz = bar_info(h, win::OBJID_HSCROLL);
  EXPECT_EQ(screen.pixel(v.rcScrollBar.left + 3, hz.rcScrollBar.top + 3), px(kFace));
  EXPECT_EQ(screen.pixel(wr.left, wr.top + 40), px(0x808080));
  EXPECT_EQ(screen.pixel(wr.left + 1, wr.top + 40), px(kFace));
  // The horizontal overlay: left arrow frame 1, right arrow frame 5, its own track.
  EXPECT_EQ(at(screen, s->FHorzBar, 3, 8), px(scroll_colour(kTagBar, 1)));
  const int W = hz.rcScrollBar.right - hz.rcScrollBar.left;
  EXPECT_EQ(at(screen, s->FHorzBar, W - 3, 8), px(scroll_colour(kTagBar, 5)));
  EXPECT_EQ(at(screen, s->FHorzBar, W - 25, 8), px(scroll_colour(kTagHTrack, 1)));

  // Disabling the control disables both overlays; hiding it hides them.
  both->SetEnabled(false);
  EXPECT_FALSE(win::IsWindowEnabled(s->FVertBar->Handle()));
  EXPECT_FALSE(win::IsWindowEnabled(s->FHorzBar->Handle()));
  both->SetEnabled(true);
  EXPECT_TRUE(win::IsWindowEnabled(s->FVertBar->Handle()));
  both->SetVisible(false);
  pump();
  EXPECT_FALSE(win::IsWindowVisible(s->FVertBar->Handle()));
  EXPECT_FALSE(win::IsWindowVisible(s->FHorzBar->Handle()));
  EXPECT_EQ(s->FVertBar->FActive, 0);
  both->SetVisible(true);
  pump();
  EXPECT_TRUE(win::IsWindowVisible(s->FVertBar->Handle()));

  // The grid's fixed colour is the skin's face while skinned, follows a new face, and comes back.
  EXPECT_EQ(both->fixed_, static_cast<std::int64_t>(kFace));
  sd_->FColours[3] = 0x00102030;
  s->RefreshSkin();
  EXPECT_EQ(both->fixed_, 0x00102030);
  s->Unhook();
  EXPECT_EQ(both->fixed_, 0x123456);
  EXPECT_EQ(s->FVertBar, nullptr);
}

TEST_F(ScrollSkins, TheListOfASimpleComboBoxGetsOverlaysByItsWindow) {
  auto* combo = add<pc::TComboBox>(20, 20, 150, 120);
  combo->Style = pc::TComboBoxStyle::csSimple;
  for (int i = 0; i < 30; ++i) combo->Items().Add("item " + std::to_string(i));
  show_form();
  auto* s = dynamic_cast<TSkinComBox*>(skinner_of(combo));
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->FListBar, nullptr);
  EXPECT_EQ(s->FDropBar, nullptr);
  const win::HWND list = s->FListWnd;
  EXPECT_EQ(s->FListBar->FHandle, list);
  TWScrollbar* bar = s->FListBar->FVertBar;
  ASSERT_EQ(bar->FActive, 1);
  gdi::RECT over;
  win::GetWindowRect(bar->Handle(), &over);
  EXPECT_EQ(over, bar_info(list).rcScrollBar);
  const gdi::Bitmap screen = shot();
  EXPECT_EQ(at(screen, bar, 8, 3), px(scroll_colour(kTagBar, 9)));
  // Hidden, the list's overlays go at the next message it receives.
  win::ShowWindow(list, win::SW_HIDE);
  win::SendMessage(list, win::WM_NULL, 0, 0);
  EXPECT_FALSE(win::IsWindowVisible(bar->Handle()));
  EXPECT_EQ(bar->FActive, 0);
}

// The drop-down list of a combo box, with its scroll requests recorded.
class DropListSkin : public ScrollSkins {
protected:
  void open(int items) {
    combo_ = add<pc::TComboBox>(20, 20, 150, 24);
    combo_->Style = pc::TComboBoxStyle::csDropDownList;
    for (int i = 0; i < items; ++i) combo_->Items().Add("item " + std::to_string(i));
    show_form();
    auto* s = dynamic_cast<TSkinComBox*>(skinner_of(combo_));
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->FDropBar, nullptr);
    list_ = s->FDropBar->FHandle;
    win::SendMessage(combo_->Handle(), win::CB_SHOWDROPDOWN, 1, 0);
    pump();
    win::RedrawWindow(list_, nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
    pump();
    // Recording outside the skinner: every scroll request the list gets.
    self_ = this;
    old_ = reinterpret_cast<win::WNDPROC>(
        win::SetWindowLongPtr(list_, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(&DropListSkin::record)));
  }
  static win::LRESULT record(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
    DropListSkin* t = self_;
    const win::LRESULT r = win::CallWindowProc(t->old_, hwnd, msg, wp, lp);
    if (msg == win::WM_VSCROLL) {
      t->requests_.push_back({win::LOWORD(wp), win::HIWORD(wp)});
      if (win::LOWORD(wp) == win::SB_THUMBTRACK && t->on_track_) {
        auto action = std::move(t->on_track_);
        t->on_track_ = nullptr;
        action();
      }
    }
    return r;
  }
  // Presses the thumb, moves the mouse by each step and releases it, all queued before the press is handled.
  void drag(std::initializer_list<int> steps) {
    const win::SCROLLBARINFO info = bar_info(list_);
    const gdi::POINT grab{(info.rcScrollBar.left + info.rcScrollBar.right) / 2, info.rcScrollBar.top + info.xyThumbTop + 2};
    win::inject_mouse_move(grab);
    win::inject_mouse_button(grab, win::MouseButton::kLeft, true);
    int y = grab.y;
    for (int dy : steps) win::inject_mouse_move({grab.x, y += dy});
    win::inject_mouse_button({grab.x, y}, win::MouseButton::kLeft, false);
    pump();
  }
  int top_index() { return static_cast<int>(win::SendMessage(list_, win::LB_GETTOPINDEX, 0, 0)); }

  static inline DropListSkin* self_ = nullptr;
  pc::TComboBox* combo_ = nullptr;
  win::HWND list_ = nullptr;
  win::WNDPROC old_ = nullptr;
  std::vector<std::pair<int, int>> requests_;
  std::function<void()> on_track_;
};

TEST_F(DropListSkin, TheListsBarIsPaintedFromTheSkinAndItsThumbDraggedUntilTheRelease) {
  open(40);
  const win::SCROLLBARINFO info = bar_info(list_);
  ASSERT_FALSE(info.rgstate[0] & win::STATE_SYSTEM_INVISIBLE);
  gdi::Bitmap screen = shot();
  const int x = (info.rcScrollBar.left + info.rcScrollBar.right) / 2;
  EXPECT_EQ(screen.pixel(x, info.rcScrollBar.top + 3), px(scroll_colour(kTagBar, 9)));
  EXPECT_EQ(screen.pixel(x, info.rcScrollBar.bottom - 3), px(scroll_colour(kTagBar, 13)));
  EXPECT_EQ(screen.pixel(x, info.rcScrollBar.top + info.xyThumbTop), px(scroll_colour(kTagVThumb, 1)));

  drag({10, 20, 20});
  ASSERT_GE(requests_.size(), 3u);
  // Tracking positions while dragging, then the last one as the final position, then the end.
  EXPECT_EQ(requests_[0].first, win::SB_THUMBTRACK);
  const auto& position = requests_[requests_.size() - 2];
  EXPECT_EQ(position.first, win::SB_THUMBPOSITION);
  EXPECT_EQ(requests_.back().first, win::SB_ENDSCROLL);
  EXPECT_EQ(position.second, requests_[requests_.size() - 3].second);
  EXPECT_GT(position.second, 0);
  EXPECT_EQ(top_index(), position.second);
  // The list stays down and keeps the mouse.
  EXPECT_TRUE(win::IsWindowVisible(list_));
  EXPECT_EQ(win::GetCapture(), list_);
  // Its bar shows the new position.
  screen = shot();
  const win::SCROLLBARINFO after = bar_info(list_);
  EXPECT_EQ(screen.pixel(x, after.rcScrollBar.top + after.xyThumbTop), px(scroll_colour(kTagVThumb, 1)));
}

TEST_F(DropListSkin, ReleasingWithoutMovingKeepsThePositionOfThePress) {
  open(40);
  win::SendMessage(list_, win::LB_SETTOPINDEX, 5, 0);
  pump();
  drag({});
  const std::vector<std::pair<int, int>> expected = {{win::SB_THUMBPOSITION, 5}, {win::SB_ENDSCROLL, 0}};
  EXPECT_EQ(requests_, expected);
  EXPECT_EQ(top_index(), 5);
}

TEST_F(DropListSkin, TheDragEndsWhenTheListLosesTheMouse) {
  open(40);
  on_track_ = [] { win::ReleaseCapture(); };
  drag({20, 40});
  // Moves after the loss no longer drag: one tracking position, then that position and the end.
  ASSERT_EQ(requests_.size(), 3u);
  EXPECT_EQ(requests_[0].first, win::SB_THUMBTRACK);
  EXPECT_EQ(requests_[1], std::make_pair(static_cast<int>(win::SB_THUMBPOSITION), requests_[0].second));
  EXPECT_EQ(requests_[2].first, win::SB_ENDSCROLL);
  EXPECT_EQ(top_index(), requests_[0].second);
}

TEST_F(DropListSkin, TheDragEndsWhenTheListWindowGoes) {
  open(40);
  on_track_ = [this] { win::DestroyWindow(list_); };
  drag({20, 40});
  EXPECT_FALSE(win::IsWindow(list_));
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].first, win::SB_THUMBTRACK);
}

TEST_F(DropListSkin, PressesOnTheArrowsStayWithTheWindowSystem) {
  open(40);
  const win::SCROLLBARINFO info = bar_info(list_);
  const gdi::POINT arrow{(info.rcScrollBar.left + info.rcScrollBar.right) / 2, info.rcScrollBar.bottom - 4};
  win::inject_mouse_move(arrow);
  win::inject_mouse_button(arrow, win::MouseButton::kLeft, true);
  win::inject_mouse_button(arrow, win::MouseButton::kLeft, false);
  pump();
  ASSERT_FALSE(requests_.empty());
  EXPECT_EQ(requests_[0].first, win::SB_LINEDOWN);
  EXPECT_EQ(top_index(), 1);
}

}  // namespace
}  // namespace skin::test
