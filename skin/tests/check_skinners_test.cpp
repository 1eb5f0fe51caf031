// Check boxes and radio buttons: the frame of the glyph strip for each check and enabled state (4-,
// 8- and 12-frame strips), the properties other controls report their state by, the glyph and
// caption layout, the parent's background under marked controls, and the strips handed to controls
// that draw their own check marks.
#include <gtest/gtest.h>

#include "platform/components/ext_ctrls.h"
#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"
#include "skin/check_skinners.h"
#include "skin/tests/skinned_form.h"

namespace skin::test {
namespace {

constexpr int kGlyph = 13;  // frame width and height of the test strips

// A control that reports its check state only through the properties other libraries use.
class StateCheck : public pc::TWinControl {
public:
  StateCheck(pc::TComponent* owner, bool data_field, bool data_binding) : pc::TWinControl(owner) {
    PublishEnum("State", {"cbUnchecked", "cbChecked", "cbGrayed"}, [this] { return state; }, [this](int v) { state = v; });
    if (data_field) PublishString("DataField", [] { return std::string("F"); }, nullptr);
    if (data_binding) PublishObject("DataBinding", [] { return nullptr; });
  }
  std::string ClassName() const override { return "TStateCheck"; }
  int state = 0;
};

class PlainArea : public pc::TCustomControl {
public:
  using pc::TCustomControl::TCustomControl;
  std::string ClassName() const override { return "TPlainArea"; }
};

class CheckSkins : public SkinnedFormTest {
protected:
  void use_strips(int check_frames, int radio_frames) {
    sd_->FButtons->CheckButton.Assign(strip_of(1, kGlyph, kGlyph, check_frames));
    sd_->FButtons->CheckButtonFrame = check_frames;
    sd_->FButtons->RadioButton.Assign(strip_of(2, kGlyph, kGlyph, radio_frames));
    sd_->FButtons->RadioButtonFrame = radio_frames;
  }
  // The frame of the strip tagged `tag` that the glyph box of a 100 x 20 control shows.
  static int frame_shown(const gdi::Bitmap& screen, win::HWND w, int tag, int x = kGlyph / 2) {
    const gdi::Pixel p = client_pixel(screen, w, x, 10);
    for (int k = 1; k <= 12; ++k)
      if (p == px(strip_colour(tag, k))) return k;
    return 0;
  }
};

TEST_F(CheckSkins, CheckBoxFramesForEachStateWithFourAndTwelveFrameStrips) {
  struct Case {
    bool checked, indeterminate, disabled;
    int frame4, frame12;
  };
  const Case cases[] = {
      {false, false, false, 1, 1}, {true, false, false, 2, 5},  {false, false, true, 3, 4},
      {true, false, true, 4, 8},   {false, true, false, 4, 9}, {false, true, true, 4, 12},
  };
  for (const int frames : {4, 12}) {
    SCOPED_TRACE(frames);
    delete form_;
    form_ = new pc::TForm(&pc::Application());
    form_->SetBounds(10, 10, 640, 480);
    use_strips(frames, 4);
    std::vector<win::HWND> boxes;
    int y = 10;
    for (const Case& c : cases) {
      if (c.indeterminate) {
        boxes.push_back(nullptr);  // a bare three-state window, made once the form is shown
      } else {
        auto* box = add<pc::TCheckBox>(10, y, 100, 20);
        box->SetCaption("box");
        box->SetChecked(c.checked);
        box->SetEnabled(!c.disabled);
        boxes.push_back(box->Handle());
      }
      y += 30;
    }
    TFormSkinner* f = show_form();
    ASSERT_NE(f, nullptr);
    y = 10;
    for (std::size_t i = 0; i < std::size(cases); ++i, y += 30) {
      if (boxes[i]) continue;
      boxes[i] = win::CreateWindowEx(0, "Button", "three", win::WS_CHILD | win::WS_VISIBLE | win::BS_AUTO3STATE, 10, y, 100,
                                     20, form_->Handle(), nullptr, nullptr, nullptr);
      win::SendMessage(boxes[i], win::BM_SETCHECK, win::BST_INDETERMINATE, 0);
      if (cases[i].disabled) win::EnableWindow(boxes[i], false);
      (new TSkinCheckBox(f))->HookHandle(boxes[i], sd_, f, &f->FControlCanvas);
    }
    const gdi::Bitmap screen = shot();
    for (std::size_t i = 0; i < std::size(cases); ++i)
      EXPECT_EQ(frame_shown(screen, boxes[i], 1), frames == 4 ? cases[i].frame4 : cases[i].frame12) << "case " << i;
  }
}

TEST_F(CheckSkins, RadioButtonFramesWithAnEightFrameStrip) {
  use_strips(4, 8);
  struct Case {
    bool checked, disabled;
    int frame;
  };
  const Case cases[] = {{false, false, 1}, {true, false, 5}, {false, true, 4}, {true, true, 8}};
  std::vector<pc::TRadioButton*> radios;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    // Each on its own panel: checking one unchecks the radio buttons beside it.
    auto* panel = add<pc::TPanel>(10, 10 + 30 * static_cast<int>(i), 120, 24);
    auto* r = add<pc::TRadioButton>(2, 2, 100, 20, panel);
    r->SetChecked(cases[i].checked);
    r->SetEnabled(!cases[i].disabled);
    radios.push_back(r);
  }
  sd_->Skin3rd().Add("TRadioButton=radiobutton");
  show_form();
  const gdi::Bitmap screen = shot();
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(frame_shown(screen, radios[i]->Handle(), 2), cases[i].frame) << "case " << i;
}

TEST_F(CheckSkins, StatePropertiesOfOtherControlsChooseTheFrame) {
  use_strips(4, 4);
  struct Case {
    int state;
    bool data_field, data_binding, disabled;
    win::WPARAM set_check;  // sent with BM_SETCHECK after hooking; 9 sends nothing
    int frame;
  };
  const Case cases[] = {
      {1, false, false, false, 9, 2},  // "cbChecked"
      {2, false, false, false, 9, 4},  // "cbGrayed" gives 4 before the disabled adjustment
      {0, false, false, false, 9, 1},
      {1, true, false, false, 2, 4},   // a data-aware box after BM_SETCHECK 2
      {0, true, false, false, 1, 2},
      {1, false, true, false, 9, 1},   // a data-bound box always starts unchecked
      {0, false, false, true, 9, 3},
  };
  std::vector<StateCheck*> controls;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    auto* c = add<StateCheck>(10, 10 + 30 * static_cast<int>(i), 100, 20, nullptr, cases[i].data_field, cases[i].data_binding);
    c->state = cases[i].state;
    c->SetEnabled(!cases[i].disabled);
    controls.push_back(c);
  }
  TFormSkinner* f = show_form();
  ASSERT_NE(f, nullptr);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    auto* s = new TSkinCheckBox(controls[i]);
    s->HookControl(f, sd_, false, &f->FControlCanvas);
    if (cases[i].set_check != 9) controls[i]->Perform(win::BM_SETCHECK, cases[i].set_check, 0);
  }
  const gdi::Bitmap screen = shot();
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(frame_shown(screen, controls[i]->Handle(), 1), cases[i].frame) << "case " << i;
}

TEST_F(CheckSkins, GlyphAndCaptionLayoutAndTheParentsBackground) {
  use_strips(4, 4);
  auto* plain = add<pc::TCheckBox>(10, 10, 100, 20);
  plain->SetCaption("");
  // A red area no skinner colours, with the marked box on it.
  auto* area = add<PlainArea>(10, 40, 120, 24);
  area->SetColor(0x0000FF);
  auto* marked = add<pc::TCheckBox>(2, 2, 100, 20, area);
  marked->SetCaption("");
  marked->Tag = 5555;
  auto* left_text = add<pc::TRadioButton>(10, 70, 100, 20);
  left_text->Alignment = pc::TRadioButton::TLeftRight::taLeftJustify;
  left_text->SetCaption("WWWWWWWWWWWWWWWWWWWW");  // wider than the room left of the glyph
  sd_->Skin3rd().Add("TRadioButton=radiobutton");
  show_form();
  const gdi::Bitmap screen = shot();
  // The glyph box at the left, vertically centred ((20 - 13) div 2 = 3), the rest in the skin's face.
  EXPECT_EQ(client_pixel(screen, plain->Handle(), 0, 3), px(strip_colour(1, 1)));
  EXPECT_EQ(client_pixel(screen, plain->Handle(), kGlyph - 1, 15), px(strip_colour(1, 1)));
  EXPECT_NE(client_pixel(screen, plain->Handle(), 0, 2), px(strip_colour(1, 1)));
  EXPECT_NE(client_pixel(screen, plain->Handle(), 0, 16), px(strip_colour(1, 1)));
  EXPECT_EQ(client_pixel(screen, plain->Handle(), 60, 10), px(kFace));
  // Tag 5555: the parent's background instead of the face.
  EXPECT_EQ(client_pixel(screen, marked->Handle(), 60, 10), px(0x0000FF));
  EXPECT_EQ(client_pixel(screen, marked->Handle(), 6, 10), px(strip_colour(1, 1)));
  // Caption left of the glyph: the radio glyph one pixel in from the right edge, the caption cut two
  // pixels before it.
  EXPECT_EQ(client_pixel(screen, left_text->Handle(), 98, 10), px(strip_colour(2, 1)));
  EXPECT_EQ(client_pixel(screen, left_text->Handle(), 99 - kGlyph, 10), px(strip_colour(2, 1)));
  EXPECT_NE(client_pixel(screen, left_text->Handle(), 99, 10), px(strip_colour(2, 1)));
  EXPECT_NE(client_pixel(screen, left_text->Handle(), 98 - kGlyph, 10), px(strip_colour(2, 1)));
  int caption_right = -1;
  for (int x = 0; x < 100 - kGlyph - 1; ++x)
    for (int y = 0; y < 20; ++y)
      if (client_pixel(screen, left_text->Handle(), x, y) != px(kFace)) caption_right = x;
  EXPECT_GT(caption_right, 99 - kGlyph - 10);
  EXPECT_LE(caption_right, 99 - kGlyph - 1 - 2);
}

TEST_F(CheckSkins, WithoutAStripTheControlPaintsItself) {
  auto* box = add<pc::TCheckBox>(10, 10, 100, 20);
  box->SetCaption("box");
  show_form();
  TSkinControl* s = skinner_of(box);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->FMode, 0);
  const gdi::Bitmap screen = shot();
  // The face stays the window's own: no skin face fill.
  EXPECT_NE(client_pixel(screen, box->Handle(), 60, 2), px(kFace));
}

// A check box of another library that takes its check marks as a strip of cells.
class StripCheck : public pc::TWinControl {
public:
  explicit StripCheck(pc::TComponent* owner) : pc::TWinControl(owner) {
    PublishObject("CustomGlyphs", [this] { return &glyphs; });
    PublishInt("transparentcolor", [this] { return key; }, [this](std::int64_t v) { key = v; });
    PublishBool("UseCustomGlyphs", [this] { return use; }, [this](bool v) {
      use = v;
      toggles += v ? "1" : "0";
    });
  }
  std::string ClassName() const override { return "TRzCheckBox"; }
  pc::TBitmap glyphs;
  std::int64_t key = 0;
  bool use = false;
  std::string toggles;
};

class GlyphProperties : public pc::TComponent {
public:
  GlyphProperties() : pc::TComponent(nullptr) { PublishObject("Glyph", [this] { return &glyph; }); }
  pc::TBitmap glyph;
};

class PropertiesCheck : public pc::TWinControl {
public:
  explicit PropertiesCheck(pc::TComponent* owner) : pc::TWinControl(owner) {
    PublishObject("Properties", [this] { return &props; });
  }
  std::string ClassName() const override { return "TcxCheckBox"; }
  GlyphProperties props;
};

// The frame of the test strip each cell of a handed strip holds (0: none of them).
std::vector<int> cell_frames(const pc::TBitmap& b, int tag, int cells) {
  std::vector<int> out;
  const gdi::Bitmap* p = gdi::GetBitmapPixels(b.Handle());
  for (int c = 0; c < cells; ++c) {
    int frame = 0;
    for (int k = 1; k <= 12; ++k)
      if (p && p->pixel(c * kGlyph + kGlyph / 2, kGlyph / 2) == px(strip_colour(tag, k))) frame = k;
    out.push_back(frame);
  }
  return out;
}

TEST_F(CheckSkins, OtherLibrariesControlsAreHandedGlyphStrips) {
  use_strips(4, 4);
  auto* rz = add<StripCheck>(10, 10, 100, 20);
  show_form();
  TSkinControl* s = skinner_of(rz);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(rz->glyphs.Width(), 9 * kGlyph);
  // A 4-frame strip leaves cells 3, 6 and 9 empty.
  EXPECT_EQ(cell_frames(rz->glyphs, 1, 9), (std::vector<int>{1, 2, 0, 1, 2, 0, 3, 4, 0}));
  EXPECT_EQ(rz->key, 0xFF00FF);
  EXPECT_EQ(rz->toggles, "01");  // switched off and on so that the control reads its glyphs again
  s->Unhook();
  EXPECT_FALSE(rz->use);

  // A 5-frame strip in the properties' glyph fills all six cells.
  sd_->FButtons->CheckButton.Assign(strip_of(1, kGlyph, kGlyph, 5));
  sd_->FButtons->CheckButtonFrame = 5;
  auto* cx = add<PropertiesCheck>(10, 40, 100, 20);
  TFormSkinner* f = SkinManager()->FindForm(form_->Handle());
  auto* image = new TSkinObjImage(cx);
  image->FGlyphKind = 3;
  image->HookControl(f, sd_, true, &f->FControlCanvas);
  EXPECT_EQ(cell_frames(cx->props.glyph, 1, 6), (std::vector<int>{1, 2, 5, 1, 2, 5}));
  image->Unhook();
  EXPECT_TRUE(cx->props.glyph.Empty());
}

TEST(CheckFrames, TwelveFrameStripsReadInGroupsOfFour) {
  // (state, indeterminate, disabled) -> frame of a 12-frame strip; other counts keep the state.
  EXPECT_EQ(CheckBoxFrame(4, false, false, 12), 8);  // grey from a property reads as checked-disabled
  EXPECT_EQ(CheckBoxFrame(4, false, true, 4), 6);    // past a 4-frame strip (the drawing keeps to the strip)
  EXPECT_EQ(RadioButtonFrame(2, true, 4), 4);
  EXPECT_EQ(RadioButtonFrame(2, true, 6), 4);
}

}  // namespace
}  // namespace skin::test
