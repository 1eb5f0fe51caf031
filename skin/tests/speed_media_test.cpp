// Speed buttons (no window of their own) and media players (covered by an overlay that draws the
// buttons and passes clicks through): frames, glyphs and layout by state, and the overlay's traffic.
#include <gtest/gtest.h>

#include "platform/components/ext_ctrls.h"
#include "platform/win/controls.h"
#include "skin/media_player.h"
#include "skin/speed_button.h"
#include "skin/tests/skinned_form.h"

namespace skin::test {
namespace {

constexpr int kGlyphTag = 12;
constexpr gdi::COLORREF kGlyphKey = 0x0000FF00;

// A strip of n 16 x 16 glyphs, glyph k in strip_colour(12, k), each with its bottom-left pixel the
// transparent colour.
void set_glyphs(pc::TBitmap& b, int n) {
  gdi::Bitmap strip = strip_of(kGlyphTag, 16, 16, n);
  for (int k = 0; k < n; ++k) strip.set_pixel(16 * k, 15, px(kGlyphKey));
  b.Assign(strip);
}

class SpeedSkins : public SkinnedFormTest {
protected:
  pc::TSpeedButton* speed(int x, int y, int w) {
    auto* b = new pc::TSpeedButton(form_);
    b->SetParent(form_);
    b->SetBounds(x, y, w, 25);
    return b;
  }
  gdi::Pixel at(const gdi::Bitmap& screen, pc::TControl* c, int x, int y) {
    return client_pixel(screen, form_->Handle(), c->Left() + x, c->Top() + y);
  }
  static int face_frame(gdi::Pixel p) {
    for (int k = 1; k <= 5; ++k)
      if (p == px(five_frame_colour(kTagButtons, k))) return k;
    return p == px(kFace) ? 0 : -1;
  }
};

TEST_F(SpeedSkins, FramesAndGlyphsFollowDownEnabledFlatAndTheMouse) {
  sd_->Skin3rd().Add("TSpeedButton=speedbutton");
  struct Case {
    bool flat, down, enabled, hot;
    int glyphs;
    int face;   // 0: no skin face, only the background
    int glyph;  // glyph of the strip shown; 0: the greyed copy of a single glyph
  };
  const Case cases[] = {
      {false, false, true, false, 4, 1, 1}, {true, false, true, false, 4, 0, 1}, {true, false, true, true, 4, 4, 1},
      {true, true, true, false, 4, 2, 4},   {false, true, true, false, 2, 2, 1}, {false, false, false, false, 4, 3, 2},
      {false, false, false, false, 2, 3, 2},
  };
  std::vector<pc::TSpeedButton*> buttons;
  int y = 10;
  for (const Case& c : cases) {
    pc::TSpeedButton* b = speed(10, y, 60);
    b->Flat = c.flat;
    b->GroupIndex = 1 + static_cast<int>(buttons.size());  // each alone in its group
    b->SetDown(c.down);
    b->SetEnabled(c.enabled);
    set_glyphs(b->Glyph, c.glyphs);
    b->NumGlyphs = c.glyphs;
    buttons.push_back(b);
    y += 30;
  }
  show_form();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    auto* s = dynamic_cast<TSkinSpeedButton*>(skinner_of(buttons[i]));
    ASSERT_NE(s, nullptr) << i;
    if (cases[i].hot) buttons[i]->Perform(pc::CM_MOUSEENTER, 0, 0);
  }
  const gdi::Bitmap screen = shot();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    // Margin -1 and Spacing 4 without a caption: (60 - 16) div 2 + 1 = 23 from the left.
    EXPECT_EQ(face_frame(at(screen, buttons[i], 3, 12)), cases[i].face);
    EXPECT_EQ(at(screen, buttons[i], 23 + 8, 12), px(strip_colour(kGlyphTag, cases[i].glyph)));
    EXPECT_NE(at(screen, buttons[i], 22, 12), px(strip_colour(kGlyphTag, cases[i].glyph)));
    EXPECT_EQ(at(screen, buttons[i], 23, 12), px(strip_colour(kGlyphTag, cases[i].glyph)));
  }
}

TEST_F(SpeedSkins, CaptionsBreakOnlyWithoutAGlyph) {
  sd_->Skin3rd().Add("TSpeedButton=speedbutton");
  pc::TSpeedButton* plain = speed(10, 10, 80);
  plain->SetCaption("ab||cd");
  plain->Font.SetName(gdi::kTestFontFace);
  plain->Font.SetSize(7);
  pc::TSpeedButton* glyphed = speed(10, 50, 120);
  glyphed->SetCaption("ab||cd");
  glyphed->Font.SetName(gdi::kTestFontFace);
  glyphed->Font.SetSize(7);
  set_glyphs(glyphed->Glyph, 1);
  show_form();
  const gdi::Bitmap screen = shot();
  // Rows holding ink (neither face nor glyph): two lines for the plain button, one for the other.
  auto ink_rows = [&](pc::TSpeedButton* b) {
    int rows = 0;
    for (int y = 0; y < 25; ++y) {
      bool ink = false;
      for (int x = 3; x < b->Width() - 3; ++x) {
        const gdi::Pixel p = at(screen, b, x, y);
        ink |= face_frame(p) < 0 && p != px(strip_colour(kGlyphTag, 1));
      }
      rows += ink;
    }
    return rows;
  };
  EXPECT_GT(ink_rows(plain), 14);
  EXPECT_LE(ink_rows(glyphed), 10);
  EXPECT_GT(ink_rows(glyphed), 4);
}

// A media player's published state: its button sets as texts; every mouse message it receives.
class Player : public pc::TWinControl {
public:
  explicit Player(pc::TComponent* owner, bool with_sets = true) : pc::TWinControl(owner) {
    if (!with_sets) return;
    PublishString("VisibleButtons", [this] { return visible; }, nullptr);
    PublishString("EnabledButtons", [this] { return enabled; }, nullptr);
    PublishString("ColoredButtons", [this] { return coloured; }, nullptr);
  }
  std::string ClassName() const override { return "TMediaPlayer"; }
  std::string visible = "[btPlay,btPause,btStop,btNext,btPrev]";
  std::string enabled = "[btPlay,btPause,btStop,btNext]";
  std::string coloured = "[btPrev]";
  std::vector<std::string> got;

protected:
  void WndProc(pc::TMessage& m) override {
    if (m.Msg == win::WM_LBUTTONDOWN) got.push_back("down " + std::to_string(win::GET_X_LPARAM(m.LParam)));
    if (m.Msg == win::WM_LBUTTONUP) got.push_back("up " + std::to_string(win::GET_X_LPARAM(m.LParam)));
    pc::TWinControl::WndProc(m);
  }
};

using MediaSkins = SkinnedFormTest;

TEST_F(MediaSkins, TheOverlayDrawsTheVisibleButtonsAndPassesWholeClicksThrough) {
  auto* player = add<Player>(20, 20, 300, 30);
  show_form();
  auto* s = dynamic_cast<TSkinMP*>(skinner_of(player));
  ASSERT_NE(s, nullptr);
  TWMediaPlayer* overlay = s->FOverlay;
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(overlay->BoundsRect(), player->BoundsRect());
  EXPECT_EQ(overlay->Tag, sd_->DisableTag);
  gdi::Bitmap screen = shot();
  EXPECT_EQ(overlay->FButtonWidth, 60);
  // Bounds are inclusive on both ends: x 60 is still play's.
  EXPECT_EQ(overlay->HitTest(60), btPlay);
  EXPECT_EQ(overlay->HitTest(61), btPause);
  EXPECT_EQ(overlay->HitTest(301), kMPNoButton);
  const win::HWND h = overlay->Handle();
  auto face = [&](const gdi::Bitmap& shot_of, int x) {
    const gdi::Pixel p = client_pixel(shot_of, h, x, 15);
    for (int k = 1; k <= 5; ++k)
      if (p == px(five_frame_colour(kTagButtons, k))) return k;
    return 0;
  };
  EXPECT_EQ(face(screen, 30), 1);
  EXPECT_EQ(face(screen, 270), 3);  // previous: coloured but disabled

  // Press play, release over pause: the player hears the press only and both faces end normal.
  auto mouse = [&](int x, bool down) {
    gdi::POINT p{x, 15};
    win::ClientToScreen(h, &p);
    win::inject_mouse_move(p);
    win::inject_mouse_button(p, win::MouseButton::kLeft, down);
    pump();
  };
  mouse(30, true);
  screen = shot();
  EXPECT_EQ(face(screen, 30), 2);
  mouse(90, false);
  screen = shot();
  EXPECT_EQ(face(screen, 30), 1);
  EXPECT_EQ(face(screen, 90), 1);
  EXPECT_EQ(player->got, (std::vector<std::string>{"down 30"}));
  // Press and release on stop: both reach the player.
  mouse(150, true);
  mouse(155, false);
  EXPECT_EQ(player->got, (std::vector<std::string>{"down 30", "down 150", "up 155"}));

  // The overlay follows the player.
  player->SetBounds(40, 60, 300, 30);
  pump();
  EXPECT_EQ(overlay->BoundsRect(), player->BoundsRect());
  player->SetVisible(false);
  pump();
  EXPECT_FALSE(overlay->Visible());
}

TEST_F(MediaSkins, PlayersWithoutButtonsOrWithoutTheirSetsShowAPlainFace) {
  auto* none = add<Player>(20, 20, 300, 30);
  none->visible = "[]";
  auto* bare = add<Player>(20, 80, 300, 30, nullptr, false);
  show_form();
  const gdi::Bitmap screen = shot();
  for (Player* p : {none, bare}) {
    auto* s = dynamic_cast<TSkinMP*>(skinner_of(p));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(client_pixel(screen, s->FOverlay->Handle(), 150, 15), px(kFace));
    EXPECT_EQ(s->FOverlay->FVisibleCount, 0);
  }
}

}  // namespace
}  // namespace skin::test
