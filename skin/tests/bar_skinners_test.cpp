// Status bars, group boxes, colour-only containers, progress bars, track bars and up-down buttons:
// the frames each state and value shows, probed on the screen.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "platform/components/ext_ctrls.h"
#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"
#include "skin/container_skinners.h"
#include "skin/tests/skinned_form.h"
#include "skin/value_skinners.h"

namespace skin::test {
namespace {

constexpr int kEdgeTag = 6, kGripTag = 7, kBarTag = 8, kChunkTag = 9, kTrackTag = 10, kThumbTag = 11, kSpinTag = 12;

template <class T>
std::unique_ptr<T> object_of(gdi::Bitmap picture, int frames, int margin) {
  auto o = std::make_unique<T>();
  o->Image.Assign(std::move(picture));
  o->Frame = frames;
  o->LeftWidth = o->TopHeight = o->RightWidth = o->BottomHeight = margin;
  return o;
}

// A status bar that reads right to left.
class RtlStatusBar : public pc::TStatusBar {
public:
  explicit RtlStatusBar(pc::TComponent* owner) : pc::TStatusBar(owner) {
    PublishEnum("BiDiMode", {"bdLeftToRight", "bdRightToLeft"}, [] { return 1; }, nullptr);
  }
};

// The leftmost and rightmost columns of `area` (client coordinates of w) that hold a pixel of `ink`.
std::pair<int, int> ink_span(const gdi::Bitmap& screen, win::HWND w, const gdi::RECT& area, gdi::COLORREF ink) {
  int lo = -1, hi = -1;
  for (int x = area.left; x < area.right; ++x)
    for (int y = area.top; y < area.bottom; ++y)
      if (client_pixel(screen, w, x, y) == px(ink)) {
        if (lo < 0) lo = x;
        hi = x;
      }
  return {lo, hi};
}

using BarSkins = SkinnedFormTest;

TEST_F(BarSkins, StatusBarPanelsFramesTextsAndGrip) {
  sd_->FStatusBarEdges = object_of<TDataSkinObject>(strip_of(kEdgeTag, 10, 10, 3), 3, 2);
  sd_->FStatusBarEdges->NormalColour2 = 0x00FF0000;
  sd_->FExtraImages = object_of<TDataSkinObject>(strip_of(kGripTag, 12, 12, 5), 5, 0);
  auto* bar = add<pc::TStatusBar>(0, 0, 400, 20);
  const pc::TStatusPanelBevel bevels[] = {pc::TStatusPanelBevel::pbLowered, pc::TStatusPanelBevel::pbRaised,
                                          pc::TStatusPanelBevel::pbNone, pc::TStatusPanelBevel::pbLowered};
  for (int i = 0; i < 4; ++i) bar->AddPanel(80).Bevel = bevels[i];
  bar->Panels(0).SetText("WWW");
  bar->Panels(1).SetText("WWW");
  bar->Panels(1).Alignment = pc::TPanelAlignment::taRightJustify;
  bar->Panels(2).SetText("WWW");
  bar->Panels(2).Style = pc::TStatusPanelStyle::psOwnerDraw;
  std::vector<std::pair<int, gdi::RECT>> drawn;
  bar->OnDrawPanel = [&](pc::TStatusBar*, pc::TStatusPanel& p, const gdi::RECT& r) {
    for (int i = 0; i < 4; ++i)
      if (&bar->Panels(i) == &p) drawn.emplace_back(i, r);
  };
  show_form();
  drawn.clear();
  gdi::Bitmap screen = shot();
  const win::HWND h = bar->Handle();
  gdi::RECT client;
  win::GetClientRect(h, &client);
  std::vector<gdi::RECT> rects;
  for (int i = 0; i < 4; ++i) {
    gdi::RECT r{};
    ASSERT_TRUE(win::SendMessage(h, win::SB_GETRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r)));
    rects.push_back(r);
    const int e = i == 1 ? 2 : i == 2 ? 3 : 1;
    EXPECT_EQ(client_pixel(screen, h, r.left, (r.top + r.bottom) / 2), px(strip_colour(kEdgeTag, e))) << i;
  }
  // The last panel's frame reaches the bar's right edge; without the size-grip style no grip shows.
  EXPECT_EQ(client_pixel(screen, h, client.right - 1, rects[3].top + 1), px(strip_colour(kEdgeTag, 1)));
  // Texts in the edges' colour: left and right aligned; none on the owner-drawn panel.
  const auto left = ink_span(screen, h, rects[0], 0x00FF0000), right = ink_span(screen, h, rects[1], 0x00FF0000);
  ASSERT_GE(left.first, 0);
  EXPECT_LT(left.first, rects[0].left + 6);
  ASSERT_GE(right.second, 0);
  EXPECT_GT(right.second, rects[1].right - 6);
  EXPECT_EQ(ink_span(screen, h, rects[2], 0x00FF0000).first, -1);
  // Every panel is offered to the owner's drawing, deflated by 2.
  ASSERT_EQ(drawn.size(), 4u);
  for (const auto& [i, r] : drawn) {
    EXPECT_EQ(r.left, rects[static_cast<std::size_t>(i)].left + 2);
    EXPECT_EQ(r.bottom, rects[static_cast<std::size_t>(i)].bottom - 2);
  }

  // With the grip style: frame 5 of the 60 x 12 strip at (387, 7, 399, 19) of a 400 x 20 bar.
  win::SetWindowLong(h, win::GWL_STYLE, win::GetWindowLong(h, win::GWL_STYLE) | win::SBARS_SIZEGRIP);
  screen = shot();
  const int W = client.right, H = client.bottom;
  EXPECT_EQ(client_pixel(screen, h, W - 13, H - 13), px(strip_colour(kGripTag, 5)));
  EXPECT_EQ(client_pixel(screen, h, W - 2, H - 2), px(strip_colour(kGripTag, 5)));
  EXPECT_NE(client_pixel(screen, h, W - 1, H - 1), px(strip_colour(kGripTag, 5)));
  EXPECT_NE(client_pixel(screen, h, W - 14, H - 13), px(strip_colour(kGripTag, 5)));
}

TEST_F(BarSkins, SimpleStatusBarsAndBarsWithoutSkinEdges) {
  auto* rtl = add<RtlStatusBar>(0, 0, 300, 20);
  rtl->SimplePanel = true;
  rtl->SimpleText = "WWW";
  sd_->FStatusBarEdges = object_of<TDataSkinObject>(strip_of(kEdgeTag, 10, 10, 3), 3, 2);
  sd_->FStatusBarEdges->NormalColour2 = 0x00FF0000;
  show_form();
  gdi::Bitmap screen = shot();
  gdi::RECT c;
  win::GetClientRect(rtl->Handle(), &c);
  // Frame 1 over the whole bar, the text at its right end.
  EXPECT_EQ(client_pixel(screen, rtl->Handle(), 0, c.bottom / 2), px(strip_colour(kEdgeTag, 1)));
  const auto span = ink_span(screen, rtl->Handle(), c, 0x00FF0000);
  EXPECT_GT(span.first, c.right - 40);

  // Without the skin's edges: a plain lowered line, shadow on top and left.
  sd_->FStatusBarEdges.reset();
  screen = shot();
  EXPECT_EQ(client_pixel(screen, rtl->Handle(), 0, c.bottom / 2), px(gdi::GetSysColor(gdi::COLOR_BTNSHADOW)));
  EXPECT_EQ(client_pixel(screen, rtl->Handle(), c.right - 1, c.bottom / 2), px(gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT)));
}

TEST_F(BarSkins, GroupBoxesHaveAThinRoundedFrameAndTheirCaptionOnItsTopEdge) {
  auto* group = add<pc::TGroupBox>(10, 10, 200, 100);
  group->SetCaption("Grp");
  group->Font.SetName(gdi::kTestFontFace);
  group->Font.SetSize(7);  // a "0" 10 pixels high: the frame's top at 10 div 2 - 1 = 4
  show_form();
  const gdi::Bitmap screen = shot();
  const win::HWND h = group->Handle();
  const gdi::Pixel shadow = px(gdi::RGB(128, 128, 128));
  EXPECT_EQ(client_pixel(screen, h, 100, 4), shadow);
  EXPECT_EQ(client_pixel(screen, h, 100, 3), px(kFace));
  EXPECT_EQ(client_pixel(screen, h, 100, 5), px(kFace));
  EXPECT_EQ(client_pixel(screen, h, 1, 50), shadow);
  EXPECT_EQ(client_pixel(screen, h, 0, 50), px(kFace));
  EXPECT_EQ(client_pixel(screen, h, 198, 50), shadow);
  EXPECT_EQ(client_pixel(screen, h, 100, 98), shadow);
  EXPECT_EQ(client_pixel(screen, h, 1, 4), px(kFace));  // a rounded corner
  // The caption from x 8 on a face-coloured cell that cuts the line.
  EXPECT_EQ(client_pixel(screen, h, 7, 4), shadow);
  bool cut = true;
  for (int x = 8; x < 8 + 18; ++x) cut &= client_pixel(screen, h, x, 4) != shadow;
  EXPECT_TRUE(cut);
}

TEST_F(BarSkins, ColourOnlyContainersTakeTheFaceColourWhileSkinned) {
  auto* panel = add<pc::TPanel>(10, 10, 100, 50);
  panel->SetColor(0x00123456);
  auto* tools = add<pc::TToolBar>(10, 100, 200, 30);
  tools->SetColor(0x00654321);
  ASSERT_TRUE(panel->ParentBackground);
  show_form();
  EXPECT_EQ(panel->Color(), kFace);
  EXPECT_FALSE(panel->ParentBackground);
  EXPECT_EQ(tools->Color(), 0x00654321u);
  // A new face after a skin change.
  sd_->FColours[3] = 0x00010203;
  for (TSkinControl* s : SkinManager()->FindForm(form_->Handle())->FSkinControls) s->RefreshSkin();
  EXPECT_EQ(panel->Color(), 0x00010203u);
  sd_->SetActive(false);
  pass(250);
  EXPECT_EQ(panel->Color(), 0x00123456u);
  EXPECT_TRUE(panel->ParentBackground);
  EXPECT_EQ(tools->Color(), 0x00654321u);
}

TEST_F(BarSkins, ProgressBarsFillByPositionAndRangeInBothStyles) {
  struct Case {
    int style, tile, min, max, pos;
    bool vertical;
    int filled;  // pixels of the bar's length the fill covers
  };
  const Case cases[] = {
      {0, 0, 0, 100, 50, false, 100},  {0, 0, 20, 100, 60, false, 100}, {0, 0, 0, 100, 0, false, 0},
      {0, 0, 50, 50, 50, false, 0},    {0, 0, -100, 0, -50, false, 100}, {0, 0, 0, 100, 100, false, 200},
      {0, 0, 0, 100, 50, true, 100},
      // Chunks from the range's minimum too: 60 of 20..100 is half the bar, not 60 %.
      {1, 0, 20, 100, 60, false, 100}, {1, 0, 0, 100, 25, false, 50},  {1, 0, 50, 50, 50, false, 0},
      {1, 0, 20, 100, 20, false, 0},   {1, 1, 20, 100, 60, false, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.style << " " << c.tile << " " << c.min << ".." << c.max << " @" << c.pos
                                    << (c.vertical ? " vertical" : ""));
    delete form_;
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(10, 10, 640, 480);
    sd_->FProgress = object_of<TDataSkinBorder>(strip_of(kBarTag, 20, 20, c.style == 1 ? 1 : 2), c.style == 1 ? 1 : 2, 2);
    sd_->FProgress->Style = c.style;
    sd_->FProgressChunk = object_of<TDataSkinObject>(strip_of(kChunkTag, 10, 16, 1), 1, 0);
    sd_->FProgressChunk->LeftWidth = sd_->FProgressChunk->RightWidth = 2;
    sd_->FProgressChunk->Tile = c.tile;
    if (sd_->Skin3rd().IndexOf("TProgressBar=progress") < 0) sd_->Skin3rd().Add("TProgressBar=progress");
    auto* bar = add<pc::TProgressBar>(10, 10, c.vertical ? 20 : 200, c.vertical ? 200 : 20);
    bar->Orientation = c.vertical ? pc::TProgressBarOrientation::pbVertical : pc::TProgressBarOrientation::pbHorizontal;
    bar->SetRange(c.min, c.max);
    bar->SetPosition(c.pos);
    show_form();
    const gdi::Bitmap screen = shot();
    const win::HWND h = bar->Handle();
    const gdi::COLORREF fill = c.style == 1 ? strip_colour(kChunkTag, 1) : strip_colour(kBarTag, 2);
    // Where the fill starts: the bar's start, 2 pixels in for stretched chunks, caps + 2 for tiled ones.
    const int start = c.style == 0 ? 0 : c.tile ? 4 : 2;
    auto at = [&](int along) {
      return c.vertical ? client_pixel(screen, h, 10, 199 - along) : client_pixel(screen, h, along, 10);
    };
    if (c.filled > 0) {
      EXPECT_EQ(at(start + 3), px(fill));
      EXPECT_EQ(at(start + c.filled - 1), px(fill));
    }
    if (start + c.filled < 200) {
      EXPECT_NE(at(start + c.filled), px(fill));
    }
    if (c.filled == 0) {
      EXPECT_NE(at(start + 3), px(fill));
    }
  }
}

TEST_F(BarSkins, TrackBarsDrawChannelAndThumbFromTheSkin) {
  auto track = object_of<TDataSkinObject>(strip_of(kTrackTag, 12, 3, 1), 1, 0);
  track->LeftWidth = track->RightWidth = 2;
  sd_->FTrack = std::move(track);
  auto vtrack = object_of<TDataSkinObject>(strip_of(kTrackTag + 1, 3, 12, 1), 1, 0);
  vtrack->TopHeight = vtrack->BottomHeight = 2;
  sd_->FTrackVert = std::move(vtrack);
  sd_->FThumbHorz = object_of<TDataSkinObject>(strip_of(kThumbTag, 8, 8, 5), 5, 0);
  sd_->Skin3rd().Add("TTrackBar=trackbar");
  auto* horizontal = add<pc::TTrackBar>(10, 10, 200, 40);
  auto* vertical = add<pc::TTrackBar>(10, 60, 40, 200);
  vertical->Orientation = pc::TTrackBarOrientation::trVertical;
  show_form();
  const gdi::Bitmap screen = shot();
  for (pc::TTrackBar* t : {horizontal, vertical}) {
    const bool v = t == vertical;
    SCOPED_TRACE(v);
    gdi::RECT c{}, thumb{};
    win::SendMessage(t->Handle(), win::TBM_GETCHANNELRECT, 0, reinterpret_cast<win::LPARAM>(&c));
    win::SendMessage(t->Handle(), win::TBM_GETTHUMBRECT, 0, reinterpret_cast<win::LPARAM>(&thumb));
    if (v) c = {c.top, c.left, c.bottom, c.right};  // reported with x and y exchanged
    // A 3-pixel channel image centred in the channel; the last channel pixel past the thumb.
    if (!v) {
      const int y = c.top + (c.bottom - c.top - 3) / 2;
      EXPECT_EQ(client_pixel(screen, t->Handle(), c.right - 1, y), px(strip_colour(kTrackTag, 1)));
      EXPECT_EQ(client_pixel(screen, t->Handle(), c.right - 1, y + 2), px(strip_colour(kTrackTag, 1)));
    } else {
      const int x = c.left + (c.right - c.left - 3) / 2;
      EXPECT_EQ(client_pixel(screen, t->Handle(), x, c.bottom - 1), px(strip_colour(kTrackTag + 1, 1)));
    }
    // Frame 2 of the thumb's five, whatever the mouse does (a vertical bar without a picture of its
    // own takes the horizontal one).
    EXPECT_EQ(client_pixel(screen, t->Handle(), (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2),
              px(strip_colour(kThumbTag, 2)));
  }
  // No thumb picture at all: an outline in the shadow colour, white inside.
  sd_->FThumbHorz.reset();
  const gdi::Bitmap bare = shot();
  gdi::RECT thumb{};
  win::SendMessage(horizontal->Handle(), win::TBM_GETTHUMBRECT, 0, reinterpret_cast<win::LPARAM>(&thumb));
  const int ty = (thumb.top + thumb.bottom) / 2;
  EXPECT_EQ(client_pixel(bare, horizontal->Handle(), (thumb.left + thumb.right) / 2, ty), px(0xFFFFFF));
  EXPECT_EQ(client_pixel(bare, horizontal->Handle(), thumb.left, ty), px(gdi::RGB(128, 128, 128)));
}

TEST_F(BarSkins, UpDownButtonsShowTheirStateFrames) {
  auto* spin = add<pc::TUpDown>(10, 10, 16, 30);
  auto* off = add<pc::TUpDown>(40, 10, 16, 30);
  off->SetEnabled(false);
  auto* plain = add<pc::TUpDown>(70, 10, 16, 30);
  sd_->FUpDownVert = object_of<TDataSkinBorder>(strip_of(kSpinTag, 10, 10, 8), 8, 0);
  show_form();
  auto frame_at = [&](const gdi::Bitmap& screen, pc::TWinControl* c, int y) {
    const gdi::Pixel p = client_pixel(screen, c->Handle(), 8, y);
    for (int k = 1; k <= 8; ++k)
      if (p == px(strip_colour(kSpinTag, k))) return k;
    return 0;
  };
  gdi::Bitmap screen = shot();
  EXPECT_EQ(frame_at(screen, spin, 5), 1);
  EXPECT_EQ(frame_at(screen, spin, 25), 5);
  EXPECT_EQ(frame_at(screen, off, 5), 3);
  EXPECT_EQ(frame_at(screen, off, 25), 7);
  // Pressing the lower half: the down button pressed (4 + 2), the up button normal.
  gdi::POINT p{8, 25};
  win::ClientToScreen(spin->Handle(), &p);
  win::inject_mouse_move(p);
  win::inject_mouse_button(p, win::MouseButton::kLeft, true);
  pump();
  screen = shot();
  EXPECT_EQ(frame_at(screen, spin, 25), 6);
  EXPECT_EQ(frame_at(screen, spin, 5), 1);
  win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  pump();
  screen = shot();
  EXPECT_EQ(frame_at(screen, spin, 25), 5);
  // Without the skin's object: plain face-coloured buttons outlined in the dark shadow.
  sd_->FUpDownVert.reset();
  screen = shot();
  EXPECT_EQ(client_pixel(screen, plain->Handle(), 2, 12), px(kFace));
}

}  // namespace
}  // namespace skin::test
