// Tab controls: the tab frames and the pane for every tab position, the close boxes of marked page
// controls (the page closed is the one whose tab was clicked, also with pages that show no tab), and
// the old-style tab set's layout.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "platform/win/controls.h"
#include "skin/tab_skinners.h"
#include "skin/tests/skinned_form.h"

namespace skin::test {
namespace {

constexpr int kTabTag = 3, kTabEdgeTag = 5, kPaneTag = 4;

// Tab frames whose top row is marked (tag 5), so that flips and turns show; a pane picture whose
// top half (frame colour 1) differs from its bottom half (frame colour 2).
void use_tab_skin(TSkinData* sd) {
  auto tabs = std::make_unique<TDataSkinBorder>("Tabs");
  gdi::Bitmap frames = strip_of(kTabTag, 20, 20, 5);
  for (int x = 0; x < frames.width(); ++x) frames.set_pixel(x, 0, px(strip_colour(kTabEdgeTag, x / 20 + 1)));
  tabs->Image.Assign(frames);
  gdi::Bitmap pane = strip_of(kPaneTag, 20, 10, 2, true);
  tabs->Image2.Assign(pane);
  tabs->Frame = 5;
  tabs->LeftWidth = tabs->TopHeight = tabs->RightWidth = tabs->BottomHeight = 2;
  tabs->NormalColour2 = 0x000000;
  tabs->MouseOverColour2 = 0x000000;
  sd->FTabs = std::move(tabs);
}

class TabSkins : public SkinnedFormTest {
protected:
  pc::TPageControl* pages(int x, int y, pc::TTabPosition position, const std::vector<std::string>& captions) {
    pc::TPageControl* p = add_pages(x, y, 200, captions);
    p->SetTabPosition(position);
    return p;
  }
  // The pane's rectangle as the skinner draws it.
  static gdi::RECT pane_rect(pc::TPageControl* p, int position) {
    gdi::RECT r{0, 0, p->Width(), p->Height()};
    win::SendMessage(p->Handle(), win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&r));
    gdi::InflateRect(&r, 4, 4);
    if (position == 0) r.top += 1;
    if (position == 1) r.bottom -= 1;
    if (position == 2) r.left += 1;
    if (position == 3) r.right -= 1;
    return r;
  }
};

TEST_F(TabSkins, TabFramesAndPaneForEveryTabPosition) {
  use_tab_skin(sd_);
  struct Case {
    pc::TTabPosition position;
    int x, y;
  };
  const Case cases[] = {{pc::TTabPosition::tpTop, 10, 10},
                        {pc::TTabPosition::tpBottom, 220, 10},
                        {pc::TTabPosition::tpLeft, 10, 150},
                        {pc::TTabPosition::tpRight, 220, 150}};
  std::vector<pc::TPageControl*> controls;
  for (const Case& c : cases) controls.push_back(pages(c.x, c.y, c.position, {"One", "Two"}));
  show_form();
  const gdi::Bitmap screen = shot();
  const gdi::COLORREF pane_out = strip_colour(kPaneTag, 1), pane_in = strip_colour(kPaneTag, 2);
  for (int pos = 0; pos < 4; ++pos) {
    SCOPED_TRACE(pos);
    pc::TPageControl* p = controls[static_cast<std::size_t>(pos)];
    const win::HWND h = p->Handle();
    ASSERT_NE(skinner_of(p), nullptr);
    for (int i = 0; i < 2; ++i) {
      const gdi::RECT t = tab_rect(p, i);
      const int k = i == 0 ? 2 : 1;  // the tab with the focus shows frame 2
      const gdi::COLORREF edge = strip_colour(kTabEdgeTag, k), body = strip_colour(kTabTag, k);
      const int mx = (t.left + t.right) / 2, my = (t.top + t.bottom) / 2;
      switch (pos) {
        case 0:  // drawn one pixel down, marked row on top
          EXPECT_EQ(client_pixel(screen, h, t.left + 1, t.top + 1), px(edge)) << i;
          EXPECT_EQ(client_pixel(screen, h, t.left + 1, t.top + 3), px(body)) << i;
          break;
        case 1:  // flipped: the marked row at the bottom, one pixel up
          EXPECT_EQ(client_pixel(screen, h, t.left + 1, t.bottom - 2), px(edge)) << i;
          EXPECT_EQ(client_pixel(screen, h, t.left + 1, t.bottom - 4), px(body)) << i;
          break;
        case 2:  // turned anticlockwise: the marked row is the left column
          EXPECT_EQ(client_pixel(screen, h, t.left, t.top + 1), px(edge)) << i;
          EXPECT_EQ(client_pixel(screen, h, t.left + 2, t.top + 1), px(body)) << i;
          break;
        default:  // turned clockwise: the marked row is the right column
          EXPECT_EQ(client_pixel(screen, h, t.right - 1, my), px(edge)) << i;
          EXPECT_EQ(client_pixel(screen, h, t.right - 3, my), px(body)) << i;
          break;
      }
      (void)mx;
    }
    // The pane picture's top half lies on the tabs' side.
    const gdi::RECT P = pane_rect(p, pos);
    const int cx = (P.left + P.right) / 2, cy = (P.top + P.bottom) / 2;
    const gdi::Pixel top = client_pixel(screen, h, cx, P.top), bottom = client_pixel(screen, h, cx, P.bottom - 1);
    const gdi::Pixel left = client_pixel(screen, h, P.left, cy), right = client_pixel(screen, h, P.right - 1, cy);
    switch (pos) {
      case 0: EXPECT_EQ(top, px(pane_out)); EXPECT_EQ(bottom, px(pane_in)); break;
      case 1: EXPECT_EQ(top, px(pane_in)); EXPECT_EQ(bottom, px(pane_out)); break;
      case 2: EXPECT_EQ(left, px(pane_out)); EXPECT_EQ(right, px(pane_in)); break;
      default: EXPECT_EQ(right, px(pane_out)); EXPECT_EQ(left, px(pane_in)); break;
    }
  }
}

TEST_F(TabSkins, TheCloseBoxClosesThePageOfTheClickedTab) {
  use_tab_skin(sd_);
  for (const bool veto : {false, true}) {
    SCOPED_TRACE(veto);
    pc::TPageControl* p = pages(10, 10 + (veto ? 150 : 0), pc::TTabPosition::tpTop, {"A", "B", "C", "D"});
    p->Tag = kCloseBoxTag;
    // Page B shows no tab: tab 1 is page C's.
    p->Pages(1)->SetTabVisible(false);
    pc::TTabSheet* b = p->Pages(1);
    pc::TTabSheet* c = p->Pages(2);
    std::vector<std::pair<win::WPARAM, win::LPARAM>> asked;
    form_->SetMessageHandler(kMsgTabCloseBox, [&](pc::TMessage& m) {
      asked.emplace_back(m.WParam, m.LParam);
      m.Result = veto ? 1 : 0;
    });
    if (!veto) show_form();
    else {
      SkinManager()->FindForm(form_->Handle())->SkinControls();
    }
    shot();
    auto* s = dynamic_cast<TSkinTab*>(skinner_of(p));
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(s->FCloseButtons);
    ASSERT_EQ(s->FCloseRects.size(), 3u);
    const gdi::RECT box = s->FCloseRects[1];
    // The 6 x 6 box at the top right of the tab.
    const gdi::RECT t = tab_rect(p, 1);
    EXPECT_EQ(box.right, t.right - 2);
    EXPECT_EQ(box.left, t.right - 8);
    gdi::POINT at{box.left + 3, box.top + 3};
    win::ClientToScreen(p->Handle(), &at);
    win::inject_mouse_move(at);
    win::inject_mouse_button(at, win::MouseButton::kLeft, true);
    win::inject_mouse_button(at, win::MouseButton::kLeft, false);
    pump();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, reinterpret_cast<win::WPARAM>(p->Handle()));
    EXPECT_EQ(asked[0].second, 1);
    if (veto) {
      EXPECT_EQ(p->PageCount(), 4);
      EXPECT_EQ(p->ActivePageIndex(), 0);  // the click never reached the tabs
    } else {
      ASSERT_EQ(p->PageCount(), 3);
      EXPECT_EQ(p->Pages(1), b);
      for (int i = 0; i < p->PageCount(); ++i) EXPECT_NE(p->Pages(i), c);
      EXPECT_EQ(win::SendMessage(p->Handle(), win::TCM_GETITEMCOUNT, 0, 0), 2);
    }
  }
}

// A page control whose window stops giving the rectangle of its third tab (as for a tab scrolled
// out of sight).
class ShyPages : public pc::TPageControl {
public:
  using pc::TPageControl::TPageControl;
  bool hide_third = false;

protected:
  void WndProc(pc::TMessage& m) override {
    if (hide_third && m.Msg == win::TCM_GETITEMRECT && m.WParam == 2) {
      m.Result = 0;
      return;
    }
    pc::TPageControl::WndProc(m);
  }
};

TEST_F(TabSkins, ATabNotDrawnOffersNoCloseBox) {
  use_tab_skin(sd_);
  auto* p = add<ShyPages>(10, 10, 200, 120);
  for (const char* c : {"A", "B", "C"}) {
    auto* sheet = new pc::TTabSheet(form_);
    sheet->SetCaption(c);
    sheet->SetPageControl(p);
  }
  p->Tag = kCloseBoxTag;
  show_form();
  shot();
  auto* s = dynamic_cast<TSkinTab*>(skinner_of(p));
  ASSERT_NE(s, nullptr);
  const gdi::RECT old_box = s->FCloseRects[2];
  ASSERT_GT(old_box.right, old_box.left);
  // The third tab is no longer drawn; where its box was, a press closes nothing.
  p->hide_third = true;
  shot();
  pc::TMessage down{win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(old_box.left + 3, old_box.top + 3), 0};
  p->WindowProc(down);
  pump();
  EXPECT_EQ(p->PageCount(), 3);
}

// The old-style tab set: tabs hang below a line, laid out from its start margin while they fit.
class TabSet : public pc::TCustomControl {
public:
  explicit TabSet(pc::TComponent* owner) : pc::TCustomControl(owner) {
    PublishObject("Tabs", [this] { return &tabs; });
    PublishInt("TabIndex", [this] { return index; }, [this](std::int64_t v) { index = static_cast<int>(v); });
    PublishInt("FirstIndex", [this] { return 0; }, nullptr);
    PublishInt("StartMargin", [this] { return 5; }, nullptr);
    PublishInt("EndMargin", [this] { return 5; }, nullptr);
  }
  std::string ClassName() const override { return "TTabSet"; }
  pc::TStringList tabs;
  int index = 1;
};

TEST_F(TabSkins, TheTabSetDrawsTheTabsThatFitAndSkipsTheOthers) {
  use_tab_skin(sd_);
  auto* set = add<TabSet>(10, 10, 200, 20);
  set->Font.SetName(gdi::kTestFontFace);
  set->Font.SetSize(7);
  // Text widths 36, 96, 42 and 18 pixels: tabs 45, 105, 51 and 27 wide.
  for (const char* t : {"aaaaaa", "bbbbbbbbbbbbbbbb", "ccccccc", "ddd"}) set->tabs.Add(t);
  show_form();
  const gdi::Bitmap screen = shot();
  const win::HWND h = set->Handle();
  // Tab 1 at 5, tab 2 (selected) at 50, tab 3 skipped (155 + 51 > 195), tab 4 at 155 up to 182.
  const gdi::COLORREF body1 = strip_colour(kTabTag, 1), body2 = strip_colour(kTabTag, 2);
  EXPECT_EQ(client_pixel(screen, h, 4, 10), px(kFace));
  EXPECT_EQ(client_pixel(screen, h, 5, 10), px(body1));
  EXPECT_EQ(client_pixel(screen, h, 50, 10), px(body2));
  EXPECT_EQ(client_pixel(screen, h, 154, 10), px(body2));
  EXPECT_EQ(client_pixel(screen, h, 155, 10), px(body1));
  EXPECT_EQ(client_pixel(screen, h, 181, 10), px(body1));
  EXPECT_EQ(client_pixel(screen, h, 183, 10), px(kFace));
  // Flipped: the marked row at the bottom.
  EXPECT_EQ(client_pixel(screen, h, 6, 19), px(strip_colour(kTabEdgeTag, 1)));
}

}  // namespace
}  // namespace skin::test
