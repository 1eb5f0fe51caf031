// Control skinners: the base's hooking and message dispatch, the shared painting routines, the
// push button's states and clicks under scripted input, and the glyph buttons' layout arithmetic.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/components/comctrls.h"
#include "platform/components/std_ctrls.h"
#include "skin/button_skinners.h"
#include "skin/control_painting.h"
#include "skin/control_skinner.h"
#include "skin/form_skinner.h"
#include "skin/tests/skin_fixture.h"

namespace skin::test {
namespace {

// A picture to draw on, white, with the test font selected.
class Canvas {
public:
  Canvas(int w, int h) : image_(gdi::Bitmap(w, h, gdi::PixelFormat::k24bit, 0xFFFFFF)), sel_(image_.Handle()) {
    gdi::LOGFONT lf;
    lf.lfHeight = -8;
    lf.lfFaceName = std::string(gdi::kTestFontFace);
    font_ = gdi::CreateFontIndirect(&lf);
    gdi::SelectObject(dc(), font_);
    gdi::SetTextColor(dc(), 0);
  }
  ~Canvas() {
    gdi::SelectObject(dc(), gdi::GetStockObject(gdi::SYSTEM_FONT));
    gdi::DeleteObject(font_);
  }
  gdi::HDC dc() const { return sel_.dc(); }
  gdi::Pixel at(int x, int y) const { return image_.Pixels()->pixel(x, y); }
  // The box of the pixels that are not white (left, top, right, bottom exclusive); all -1 for none.
  gdi::RECT ink() const {
    gdi::RECT r{-1, -1, -1, -1};
    const gdi::Bitmap& b = *image_.Pixels();
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        if (b.pixel(x, y) != 0xFFFFFF) {
          if (r.left < 0 || x < r.left) r.left = x;
          if (r.top < 0) r.top = y;
          r.right = std::max<gdi::LONG>(r.right, x + 1);
          r.bottom = y + 1;
        }
    return r;
  }

private:
  SkinImage image_;
  SelectedBitmap sel_;
  gdi::HFONT font_;
};

// ---- painting routines ----

TEST(ControlPainting, CaptionsAreCentredOrSpreadAcrossTheWholeWidth) {
  for (const win::UINT align : {gdi::DT_RIGHT, gdi::DT_CENTER}) {
    Canvas c(60, 20);
    DrawCaptionText(nullptr, c.dc(), {0, 0, 60, 20}, align, true, u"ab");
    const gdi::RECT ink = c.ink();
    // A 10-pixel line in a 20-pixel box starts (20 - 10) div 2 - 1 = 4 pixels down.
    EXPECT_GE(ink.top, 4);
    EXPECT_LE(ink.bottom, 14);
    if (align == gdi::DT_RIGHT) EXPECT_GE(ink.right, 58);
    else EXPECT_NEAR((ink.left + ink.right) / 2, 30, 2);
  }
  // A disabled caption is drawn in the button-shadow colour.
  Canvas grey(60, 20);
  DrawCaptionText(nullptr, grey.dc(), {0, 0, 60, 20}, gdi::DT_CENTER, false, u"ab");
  const gdi::RECT ink = grey.ink();
  bool shadow = false;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) shadow |= grey.at(x, y) == px(gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
  EXPECT_TRUE(shadow);
}

TEST(ControlPainting, IconAndTextShareTheRectangle) {
  gdi::HIMAGELIST list = gdi::ImageList_Create(16, 16, 0x20, 1, 1);
  SkinImage icon(gdi::Bitmap(16, 16, gdi::PixelFormat::k24bit, 0x0000FF));
  gdi::ImageList_Add(list, icon.Handle(), nullptr);
  {
    // Left-aligned: the icon 3 pixels in, centred by its width; the text right after it.
    Canvas c(100, 24);
    DrawIconAndText(nullptr, c.dc(), {0, 0, 100, 24}, 0, u"ab", 0, list);
    EXPECT_EQ(c.at(3, 4), 0x0000FFu);
    EXPECT_EQ(c.at(18, 19), 0x0000FFu);
    EXPECT_EQ(c.at(2, 4), 0xFFFFFFu);
    bool text_after = false;
    for (int y = 0; y < 24; ++y) text_after |= c.at(19, y) != 0xFFFFFF && c.at(19, y) != 0x0000FF;
    for (int y = 0; y < 24; ++y) text_after |= c.at(20, y) != 0xFFFFFF && c.at(20, y) != 0x0000FF;
    EXPECT_TRUE(text_after);
  }
  {
    // An icon wider than the rectangle is left out and the text laid out alone.
    Canvas c(15, 24);
    DrawIconAndText(nullptr, c.dc(), {0, 0, 15, 24}, 0, u"a", 0, list);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 15; ++x) EXPECT_NE(c.at(x, y), 0x0000FFu);
    EXPECT_GE(c.ink().left, 3);
  }
  gdi::ImageList_Destroy(list);
}

TEST(ControlPainting, SmallArrowsFramesAndDisabledGlyphs) {
  {
    Canvas c(20, 20);
    DrawSmallArrow(c.dc(), 10, 10, 4);
    EXPECT_EQ(c.ink().left, -1);
    DrawSmallArrow(c.dc(), 10, 10, 1);  // down: the apex at (x, y + 3)
    EXPECT_NE(c.at(10, 13), 0xFFFFFFu);
    EXPECT_EQ(c.at(10, 15), 0xFFFFFFu);
  }
  // Only Trans 1 leaves the key colour out.
  TDataSkinObject object;
  gdi::Bitmap strip(4, 4, gdi::PixelFormat::k24bit, 0x00FF00);
  strip.set_pixel(1, 1, 0xFF00FF);
  object.Image.Assign(strip);
  for (int trans : {1, 2}) {
    Canvas c(4, 4);
    object.Trans = trans;
    DrawSkinObjectFrame(c.dc(), {0, 0, 4, 4}, 1, 1, object);
    EXPECT_EQ(c.at(1, 1), trans == 1 ? 0xFFFFFFu : 0xFF00FFu) << trans;
    EXPECT_EQ(c.at(2, 2), 0x00FF00u);
  }
  // A glyph's black pixels in shadow over a highlight copy one pixel down and right, on the face.
  gdi::Bitmap glyph(4, 4, gdi::PixelFormat::k24bit, 0x808000);
  glyph.set_pixel(1, 1, 0);
  const gdi::Bitmap grey = CreateDisabledGlyph(glyph);
  EXPECT_EQ(grey.pixel(1, 1), px(gdi::GetSysColor(gdi::COLOR_BTNSHADOW)));
  EXPECT_EQ(grey.pixel(2, 2), px(gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT)));
  EXPECT_EQ(grey.pixel(0, 0), px(gdi::GetSysColor(gdi::COLOR_BTNFACE)));
  EXPECT_EQ(grey.pixel(3, 3), px(gdi::GetSysColor(gdi::COLOR_BTNFACE)));
}

TEST(ControlPainting, ReplaceFirstAndAlignmentFlags) {
  EXPECT_EQ(ReplaceFirst(u"ab||cd", u"||", u"\r\n"), u"ab\r\ncd");
  EXPECT_EQ(ReplaceFirst(u"a||b||c", u"||", u"\r\n"), u"a\r\nb||c");
  EXPECT_EQ(ReplaceFirst(u"abc", u"||", u"\r\n"), u"abc");
  EXPECT_EQ(AlignmentFlag(0), 0u);
  EXPECT_EQ(AlignmentFlag(1), gdi::DT_RIGHT);
  EXPECT_EQ(AlignmentFlag(2), gdi::DT_CENTER);
}

// ---- the base ----

class ControlSkinning : public SkinTest {
protected:
  void SetUp() override {
    SkinTest::SetUp();
    start_skin();
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(40, 40, 400, 300);
  }
  void TearDown() override {
    delete form_;
    SkinTest::TearDown();
  }
  template <class T>
  T* add(int x, int y, int w, int h) {
    auto* c = new T(form_);
    c->SetParent(form_);
    c->SetBounds(x, y, w, h);
    return c;
  }
  pc::TForm* form_ = nullptr;
};

TEST_F(ControlSkinning, ThePrivateSwitchTurnsSkinningOffAndOn) {
  auto* panel = add<pc::TPanel>(10, 10, 100, 50);
  auto* s = new TSkinControl(panel);
  s->HookControl(nullptr, sd_, false, nullptr);
  struct Case {
    win::WPARAM wp;
    win::LRESULT answer;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{static_cast<win::WPARAM>(-1), 0}, Case{2, 1}}) {
    panel->Perform(kMsgSkinSwitch, c.wp, 0);
    EXPECT_EQ(panel->Perform(kMsgIsSkinned, 0, 0), c.answer) << static_cast<std::intptr_t>(c.wp);
  }
}

TEST_F(ControlSkinning, AColourSkinnerGivesColourAndParentBackgroundBackOnUnhook) {
  for (const bool keep_background : {false, true}) {
    SCOPED_TRACE(keep_background);
    sd_->Options = keep_background ? SetOf(xoParentBackGround) : 0;
    auto* panel = add<pc::TPanel>(10, 10, 100, 50);
    panel->SetColor(0x123456);
    auto* s = new TSkinControl(panel);
    s->HookControl(nullptr, sd_, true, nullptr);
    EXPECT_EQ(gdi::resolve_color(panel->Color()), kFace);
    EXPECT_EQ(panel->ParentBackground, keep_background);
    EXPECT_EQ(s->FMode, keep_background ? 0 : 1);
    // A second hooking changes nothing.
    s->HookControl(nullptr, sd_, false, nullptr);
    EXPECT_TRUE(s->FSetColor);
    s->Unhook();
    EXPECT_EQ(panel->Color(), 0x123456u);
    EXPECT_TRUE(panel->ParentBackground);
    EXPECT_EQ(panel->Perform(kMsgIsSkinned, 0, 0), 0);
    // Freed, the skinner gives the control its own window-procedure method back.
    delete s;
    EXPECT_EQ(panel->Perform(kMsgIsSkinned, 0, 0), 0);
    delete panel;
  }
}

TEST_F(ControlSkinning, AControlDestroyedWhileSkinnedSeesItsLastMessageOnceAndLeavesTheList) {
  TFormSkinner list(nullptr);
  list.FSkinData = sd_;
  auto* panel = add<pc::TPanel>(10, 10, 100, 50);
  panel->HandleNeeded();
  int nc_destroys = 0;
  pc::TWndMethod old = panel->WindowProc;
  panel->WindowProc = [&nc_destroys, old](pc::TMessage& m) {
    if (m.Msg == win::WM_NCDESTROY) ++nc_destroys;
    old(m);
  };
  auto* s = new TSkinControl(panel);
  s->HookControl(&list, sd_, true, nullptr);
  ASSERT_EQ(list.FSkinControls.size(), 1u);
  delete panel;  // frees its skinner too
  EXPECT_EQ(nc_destroys, 1);
  EXPECT_TRUE(list.FSkinControls.empty());
}

TEST_F(ControlSkinning, ABareWindowGetsItsProcedureBackWhenTheSkinnerIsFreed) {
  sd_->OnFormSkin = [](pc::TObject*, const std::string&, bool& ok) { ok = false; };  // only this skinner hooks
  win::HWND parent = make("Parent", win::WS_POPUP, 0, 0, 200, 100);
  win::HWND button = win::CreateWindowEx(0, "Button", "OK", win::WS_CHILD | win::WS_VISIBLE, 10, 10, 60, 24, parent,
                                         reinterpret_cast<win::HMENU>(std::intptr_t{7}), nullptr, nullptr);
  const win::LONG_PTR proc0 = win::GetWindowLongPtr(button, win::GWLP_WNDPROC);
  TFormSkinner list(nullptr);
  list.FSkinData = sd_;
  auto* s = new TSkinButton(&list);
  s->HookHandle(button, sd_, &list, nullptr);
  EXPECT_NE(win::GetWindowLongPtr(button, win::GWLP_WNDPROC), proc0);
  EXPECT_EQ(s->FText, u"OK");
  EXPECT_EQ(win::SendMessage(button, kMsgIsSkinned, 0, 0), 1);
  // A bare button's click goes to its parent as the command of its id, only on a pressed release.
  g_trace.clear();
  win::SendMessage(button, win::WM_LBUTTONUP, 0, win::MAKELPARAM(5, 5));
  pump();
  EXPECT_EQ(std::count(g_trace.begin(), g_trace.end(), std::to_string(win::WM_COMMAND)), 0);
  win::SendMessage(button, win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(5, 5));
  EXPECT_EQ(win::SendMessage(button, win::BM_GETSTATE, 0, 0) & win::BST_PUSHED, 0);  // the window never saw the press
  win::SendMessage(button, win::WM_LBUTTONUP, 0, win::MAKELPARAM(5, 5));
  pump();
  EXPECT_EQ(std::count(g_trace.begin(), g_trace.end(), std::to_string(win::WM_COMMAND)), 1);
  delete s;
  EXPECT_EQ(win::GetWindowLongPtr(button, win::GWLP_WNDPROC), proc0);
  EXPECT_TRUE(list.FSkinControls.empty());
  win::DestroyWindow(parent);
}

TEST_F(ControlSkinning, AMouseDownOfAVeryWideControlTakesTheCursorPosition) {
  for (const int width : {200, 40000}) {
    auto* button = add<pc::TButton>(0, 0, width, 30);
    gdi::POINT seen{-1, -1};
    button->OnMouseDown = [&](pc::TObject*, unsigned, int x, int y) { seen = {x, y}; };
    auto* s = new TSkinButton(button);
    s->HookControl(nullptr, sd_, false, nullptr);
    gdi::POINT cursor{25, 12};
    win::ClientToScreen(button->Handle(), &cursor);
    win::SetCursorPos(cursor.x, cursor.y);
    button->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(5, 6));
    if (width > 32768) EXPECT_EQ(seen.x, 25);
    else EXPECT_EQ(seen.x, 5);
    delete button;
  }
}

// ---- the push button under scripted input ----

class PushButton : public ControlSkinning {
public:
  void SetUp() override {
    ControlSkinning::SetUp();
    button_ = add<pc::TButton>(40, 60, 80, 30);
    other_ = add<pc::TButton>(200, 60, 80, 30);
    button_->OnClick = [this](pc::TObject*) { ++clicks_; };
    form_->Show();
    pump();
    pump();
    ASSERT_EQ(button_->Perform(kMsgIsSkinned, 0, 0), 1);
    other_->SetFocus();
    pump();
    ASSERT_EQ(win::GetFocus(), other_->Handle());
  }
  // The frame the button shows, told by the colour of its top-left corner.
  int frame() {
    pump();
    gdi::POINT p{1, 1};
    win::ClientToScreen(button_->Handle(), &p);
    gdi::RECT wr;
    win::GetWindowRect(form_->Handle(), &wr);
    const gdi::Pixel got = on_screen(form_->Handle()).pixel(p.x - wr.left, p.y - wr.top);
    for (int k = 1; k <= 5; ++k)
      if (got == px(five_frame_colour(kTagButtons, k))) return k;
    return 0;
  }
  gdi::POINT inside() {
    gdi::POINT p{40, 15};
    win::ClientToScreen(button_->Handle(), &p);
    return p;
  }
  gdi::POINT outside() {
    gdi::POINT p{0, 0};
    win::ClientToScreen(form_->Handle(), &p);
    return {p.x + 300, p.y + 200};
  }

  pc::TButton* button_ = nullptr;
  pc::TButton* other_ = nullptr;
  int clicks_ = 0;
};

TEST_F(PushButton, StatesGiveTheirFramesAndOnlyAPressedReleaseClicks) {
  using win::MouseButton;
  struct Step {
    const char* what;
    std::function<void(PushButton&)> act;
    int frame, clicks;
  };
  const Step steps[] = {
      {"at rest", [](PushButton&) {}, 1, 0},
      {"mouse over", [](PushButton& t) { win::inject_mouse_move(t.inside()); }, 4, 0},
      {"pressed", [](PushButton& t) { win::inject_mouse_button(t.inside(), MouseButton::kLeft, true); }, 2, 0},
      {"released over it", [](PushButton& t) { win::inject_mouse_button(t.inside(), MouseButton::kLeft, false); }, 4, 1},
      {"mouse gone, focused", [](PushButton& t) { win::inject_mouse_move(t.outside()); }, 5, 1},
      {"pressed again", [](PushButton& t) {
         win::inject_mouse_move(t.inside());
         win::inject_mouse_button(t.inside(), MouseButton::kLeft, true);
       }, 2, 1},
      {"dragged off", [](PushButton& t) { win::inject_mouse_move(t.outside()); }, 5, 1},
      {"released off it", [](PushButton& t) { win::inject_mouse_button(t.outside(), MouseButton::kLeft, false); }, 5, 1},
      {"space down", [](PushButton&) { win::inject_key(win::VK_SPACE, true, U' '); }, 2, 1},
      {"space up", [](PushButton&) { win::inject_key(win::VK_SPACE, false); }, 5, 2},
      {"focus elsewhere", [](PushButton& t) { t.other_->SetFocus(); }, 1, 2},
      {"default", [](PushButton& t) { t.button_->Default = true; t.button_->Invalidate(); }, 5, 2},
      {"disabled under the mouse", [](PushButton& t) {
         t.button_->SetEnabled(false);
         win::inject_mouse_move(t.inside());
       }, 3, 2},
      {"disabled and clicked", [](PushButton& t) {
         win::inject_mouse_button(t.inside(), MouseButton::kLeft, true);
         win::inject_mouse_button(t.inside(), MouseButton::kLeft, false);
       }, 3, 2},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act(*this);
    pump();
    EXPECT_EQ(frame(), s.frame);
    EXPECT_EQ(clicks_, s.clicks);
  }
}

// A handler that fails under a skinned button reaches the application, as without the skin: the
// user is told, and the button takes the next click.
TEST_F(PushButton, AFailingClickHandlerReachesTheApplication) {
  std::vector<std::string> reported;
  pc::Application().OnException = [&](pc::TObject*, const std::exception& e) { reported.push_back(e.what()); };
  button_->OnClick = [this](pc::TObject*) {
    ++clicks_;
    throw std::runtime_error("bad entry");
  };
  for (int i = 0; i < 2; ++i) {
    win::inject_mouse_move(inside());
    win::inject_mouse_button(inside(), win::MouseButton::kLeft, true);
    win::inject_mouse_button(inside(), win::MouseButton::kLeft, false);
    pump();
  }
  pc::Application().OnException = nullptr;
  EXPECT_EQ(clicks_, 2);
  EXPECT_EQ(reported, (std::vector<std::string>{"bad entry", "bad entry"}));
}

TEST_F(PushButton, TheSkinsButtonColoursPickTheCaptionColourByState) {
  TDataSkinButton& b = *sd_->FButtons;
  auto* s = dynamic_cast<TSkinButton*>(SkinManager()->FindForm(form_->Handle())->FindSkinnerByHandle(button_->Handle()));
  ASSERT_NE(s, nullptr);
  b.NormalColour2 = 0x000001;
  b.MouseOverColour2 = 0x000004;
  b.PressedColour2 = 0x000002;
  s->FEnabled = true;
  struct Case {
    bool normal, over, pressed;
    int frame;
    gdi::COLORREF expected;
  };
  const Case cases[] = {
      {false, false, false, 1, 0x000099}, {true, false, false, 1, 0x000001}, {true, false, true, 2, 0x000002},
      {true, false, false, 2, 0x000001},  {true, false, false, 4, 0x000001}, {true, true, false, 4, 0x000004},
      {false, true, false, 5, 0x000099},
  };
  for (const Case& c : cases) {
    b.HasNormalColour2 = c.normal;
    b.HasMouseOverColour2 = c.over;
    b.HasPressedColour2 = c.pressed;
    EXPECT_EQ(s->TextColour(c.frame, 0x000099), c.expected) << c.frame;
  }
  s->FEnabled = false;
  EXPECT_EQ(s->TextColour(3, 0x000099), gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
}

// ---- glyph buttons ----

TEST(GlyphLayout, MarginSpacingAndLayoutPlaceGlyphAndCaption) {
  struct Case {
    const char* what;
    gdi::SIZE client, glyph, text;
    int margin, spacing, layout;
    bool centred;
    gdi::POINT glyph_at, text_at;
    int margin_out, spacing_out;
    win::UINT flags;
  };
  const Case cases[] = {
      {"no caption: the spacing goes", {75, 25}, {16, 16}, {0, 0}, -1, 4, 0, false, {29, 5}, {45, 13}, 29, 0, 0},
      {"both free: thirds", {75, 25}, {16, 16}, {30, 10}, -1, -1, 0, false, {9, 5}, {34, 8}, 9, 9, 0},
      {"centred despite a margin", {75, 25}, {16, 16}, {30, 10}, 4, 4, 0, true, {12, 5}, {32, 8}, 12, 4, 0},
      {"margin given, spacing free", {75, 25}, {16, 16}, {30, 10}, 4, -1, 0, false, {4, 5}, {32, 8}, 4, 12, 0},
      {"glyph right", {75, 25}, {16, 16}, {30, 10}, 4, 2, 1, false, {55, 5}, {23, 8}, 4, 2, gdi::DT_RIGHT},
      {"glyph top", {60, 50}, {16, 16}, {30, 10}, -1, -1, 2, false, {22, 8}, {15, 32}, 8, 8, gdi::DT_CENTER},
      {"glyph bottom", {60, 50}, {16, 16}, {30, 10}, 3, 2, 3, false, {22, 31}, {15, 19}, 3, 2, gdi::DT_CENTER},
      {"no glyph", {75, 25}, {0, 0}, {30, 10}, -1, 4, 0, false, {22, 13}, {22, 8}, 22, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const GlyphLayout l = LayoutGlyphButton(c.client, c.glyph, c.text, c.margin, c.spacing, c.layout, c.centred);
    EXPECT_EQ(l.glyph.x, c.glyph_at.x);
    EXPECT_EQ(l.glyph.y, c.glyph_at.y);
    EXPECT_EQ(l.text.x, c.text_at.x);
    EXPECT_EQ(l.text.y, c.text_at.y);
    EXPECT_EQ(l.margin, c.margin_out);
    EXPECT_EQ(l.spacing, c.spacing_out);
    EXPECT_EQ(l.flags, c.flags);
  }
}

TEST(GlyphLayout, TheDropDownButtonSharesItsFreeWidthInQuarters) {
  struct Case {
    int margin, spacing;
    gdi::POINT glyph_at, text_at, arrow;
  };
  // A 90 x 25 button with a 16 x 16 glyph and a 30 x 10 caption.
  const Case cases[] = {
      {-1, -1, {9, 4}, {34, 8}, {82, 11}},
      {-1, 2, {16, 4}, {34, 8}, {68, 11}},
      {5, 4, {5, 4}, {25, 8}, {63, 11}},
  };
  for (const Case& c : cases) {
    gdi::POINT arrow{};
    const GlyphLayout l = LayoutMenuButton({90, 25}, {16, 16}, {30, 10}, c.margin, c.spacing, &arrow);
    EXPECT_EQ(l.glyph.x, c.glyph_at.x) << c.margin << "," << c.spacing;
    EXPECT_EQ(l.glyph.y, c.glyph_at.y);
    EXPECT_EQ(l.text.x, c.text_at.x);
    EXPECT_EQ(l.text.y, c.text_at.y);
    EXPECT_EQ(arrow.x, c.arrow.x);
    EXPECT_EQ(arrow.y, c.arrow.y);
  }
}

TEST(GlyphLayout, AGlyphStripShowsTheFrameOfTheState) {
  // Three glyphs 4 pixels wide: red, green, blue; bottom-left pixels are not keyed (all differ).
  pc::TBitmap strip;
  gdi::Bitmap b(12, 4, gdi::PixelFormat::k24bit);
  for (int x = 0; x < 12; ++x)
    for (int y = 0; y < 4; ++y) b.set_pixel(x, y, x < 4 ? 0xFF0000 : x < 8 ? 0x00FF00 : 0x0000FF);
  for (int x = 0; x < 12; ++x) b.set_pixel(x, 3, 0x123456);  // the transparent row
  strip.Assign(b);
  struct Case {
    int n, k;
    gdi::Pixel expected;
  };
  // Two glyphs pressed (3) falls back to the first; disabled shows the second.
  for (const Case c : {Case{3, 1, 0xFF0000}, Case{3, 3, 0x0000FF}, Case{2, 3, 0xFF0000}, Case{2, 2, 0x00FF00}}) {
    Canvas canvas(10, 10);
    DrawGlyphFrame(canvas.dc(), {2, 2}, c.n, c.k, strip);
    EXPECT_EQ(canvas.at(3, 3), c.expected) << c.n << " " << c.k;
    EXPECT_EQ(canvas.at(3, 5), 0xFFFFFFu);  // keyed by its bottom-left pixel
  }
  // A single glyph disabled is greyed.
  pc::TBitmap one;
  gdi::Bitmap g(4, 4, gdi::PixelFormat::k24bit, 0xFFFFFF);
  g.set_pixel(1, 1, 0);
  one.Assign(g);
  Canvas canvas(10, 10);
  DrawGlyphFrame(canvas.dc(), {0, 0}, 1, 2, one);
  EXPECT_EQ(canvas.at(1, 1), px(gdi::GetSysColor(gdi::COLOR_BTNSHADOW)));
}

}  // namespace
}  // namespace skin::test
