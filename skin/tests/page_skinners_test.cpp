// Button-style tabs, pages, bare dialogs, size grips and page controls that take tab pictures: the
// frames, colours and pictures each shows, probed on the screen.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "platform/components/graphics.h"
#include "platform/components/std_ctrls.h"
#include "platform/win/controls.h"
#include "skin/page_skinners.h"
#include "skin/tests/skinned_form.h"
#include "skin/value_skinners.h"

namespace skin::test {
namespace {

constexpr int kTabsTag = 3;

// Any [Tabs] picture: page controls are skinned only with one.
void use_tabs(TSkinData* sd) {
  auto tabs = std::make_unique<TDataSkinBorder>("Tabs");
  tabs->Image.Assign(strip_of(kTabsTag, 20, 20, 5));
  tabs->Frame = 5;
  tabs->LeftWidth = tabs->TopHeight = tabs->RightWidth = tabs->BottomHeight = 2;
  sd->FTabs = std::move(tabs);
}

// How many pixels of `area` (client coordinates of w) show `ink`, and the leftmost and rightmost
// columns holding one.
struct Ink {
  int count = 0, lo = -1, hi = -1;
};
Ink ink_in(const gdi::Bitmap& screen, win::HWND w, const gdi::RECT& area, gdi::COLORREF ink) {
  Ink out;
  for (int x = area.left; x < area.right; ++x)
    for (int y = area.top; y < area.bottom; ++y)
      if (client_pixel(screen, w, x, y) == px(ink)) {
        ++out.count;
        if (out.lo < 0) out.lo = x;
        out.hi = x;
      }
  return out;
}

class PageSkins : public SkinnedFormTest {
protected:
  void SetUp() override {
    SkinnedFormTest::SetUp();
    use_tabs(sd_);
  }
  pc::TPageControl* pages(int x, int y, int w, pc::TTabStyle style, const std::vector<std::string>& captions) {
    pc::TPageControl* p = add_pages(x, y, w, captions);
    p->SetStyle(style);
    return p;
  }
  static gdi::RECT display_rect(pc::TPageControl* p) {
    gdi::RECT r{0, 0, p->Width(), p->Height()};
    win::SendMessage(p->Handle(), win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&r));
    return r;
  }
};

TEST_F(PageSkins, ButtonTabsShowTheButtonFramesOfTheirState) {
  const pc::TTabStyle styles[] = {pc::TTabStyle::tsButtons, pc::TTabStyle::tsFlatButtons};
  std::vector<pc::TPageControl*> controls;
  for (const pc::TTabStyle style : styles) {
    controls.push_back(pages(10, style == pc::TTabStyle::tsButtons ? 10 : 150, 300, style, {"One", "Two", "Three"}));
    controls.back()->SetActivePageIndex(1);
  }
  show_form();
  const gdi::Bitmap screen = shot();
  for (pc::TPageControl* p : controls) {
    SCOPED_TRACE(static_cast<int>(p->Style()));
    ASSERT_NE(dynamic_cast<TSkinTabBtn*>(skinner_of(p)), nullptr);
    const win::HWND h = p->Handle();
    for (int i = 0; i < 3; ++i) {
      const gdi::RECT t = tab_rect(p, i);
      const int k = i == 1 ? 2 : 1;
      // Drawn one pixel down: the frame's edge on the rectangle's second row and below its last.
      EXPECT_EQ(client_pixel(screen, h, t.left + 4, t.top + 1), px(five_frame_colour(kTagButtons, k))) << i;
      EXPECT_EQ(client_pixel(screen, h, t.left, t.bottom), px(five_frame_colour(kTagButtons, k))) << i;
    }
    // The strip is face-coloured beside the tabs and ends 3 pixels above the display area.
    const gdi::RECT d = display_rect(p);
    const int x = tab_rect(p, 2).right + 10;
    EXPECT_EQ(client_pixel(screen, h, x, d.top - 4), px(kFace));
    EXPECT_NE(client_pixel(screen, h, x, d.top - 3), px(kFace));
  }
}

TEST_F(PageSkins, ButtonTabTextColours) {
  struct Case {
    bool normal, pressed;
    gdi::COLORREF expected[3];  // the first tab, the selected second one, the third one
  };
  constexpr gdi::COLORREF kNormal = 0x0000A000, kPressed = 0x000000C0;
  // A tab whose state has no colour keeps the colour the tab before it left.
  const Case cases[] = {{false, false, {0, 0, 0}},
                        {true, true, {kNormal, kPressed, kNormal}},
                        {false, true, {0, kPressed, kPressed}},
                        {true, false, {kNormal, kNormal, kNormal}}};
  pc::TPageControl* p = pages(10, 10, 400, pc::TTabStyle::tsButtons, {"WWWW", "WWWW", "WWWW"});
  p->SetActivePageIndex(1);
  show_form();
  TDataSkinButton& b = *sd_->FButtons;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.normal) + std::to_string(c.pressed));
    b.HasNormalColour2 = c.normal;
    b.HasPressedColour2 = c.pressed;
    b.NormalColour2 = kNormal;
    b.PressedColour2 = kPressed;
    const gdi::Bitmap screen = shot();
    for (int i = 0; i < 3; ++i) {
      gdi::RECT t = tab_rect(p, i);
      gdi::InflateRect(&t, -3, -3);
      EXPECT_GT(ink_in(screen, p->Handle(), t, c.expected[i]).count, 10) << i;
      for (const gdi::COLORREF other : {gdi::COLORREF{0}, kNormal, kPressed}) {
        if (other == c.expected[i]) continue;
        EXPECT_EQ(ink_in(screen, p->Handle(), t, other).count, 0) << i << " " << other;
      }
    }
  }
}

TEST_F(PageSkins, ALongTabCaptionShowsItsFirst79Characters) {
  form_->SetBounds(0, 0, 1000, 300);
  pc::TPageControl* p = pages(4, 4, 980, pc::TTabStyle::tsButtons, {std::string(100, 'n')});
  show_form();
  const gdi::Bitmap screen = shot();
  const gdi::RECT t = tab_rect(p, 0);
  const Ink ink = ink_in(screen, p->Handle(), t, 0);
  // The extent of n characters in the control's font.
  auto extent = [&](std::size_t n) {
    gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
    gdi::HGDIOBJ old = gdi::SelectObject(dc, reinterpret_cast<gdi::HFONT>(win::SendMessage(p->Handle(), win::WM_GETFONT, 0, 0)));
    gdi::SIZE s{};
    gdi::GetTextExtentPoint32(dc, std::u16string(n, u'n'), &s);
    gdi::SelectObject(dc, old);
    gdi::DeleteDC(dc);
    return s.cx;
  };
  ASSERT_GT(ink.count, 0);
  EXPECT_GT(ink.hi - ink.lo + 1, extent(78));
  EXPECT_LE(ink.hi - ink.lo + 1, extent(79));
}

TEST_F(PageSkins, WithoutAButtonPictureTheTabsPaintThemselves) {
  sd_->FButtons->Image.Clear();
  pc::TPageControl* p = pages(10, 10, 300, pc::TTabStyle::tsButtons, {"One", "Two"});
  show_form();
  ASSERT_NE(dynamic_cast<TSkinTabBtn*>(skinner_of(p)), nullptr);
  const win::HWND h = p->Handle();
  auto edge = [&](const gdi::Bitmap& screen, int i) {
    const gdi::RECT t = tab_rect(p, i);
    return client_pixel(screen, h, t.left + 5, t.top);
  };
  const gdi::Bitmap before = shot();
  const gdi::Pixel pushed = edge(before, 0), raised = edge(before, 1);
  ASSERT_NE(pushed, raised);
  // The pushed-in look follows the selection: the control paints its own strip again.
  p->SetActivePageIndex(1);
  const gdi::Bitmap after = shot();
  EXPECT_EQ(edge(after, 0), raised);
  EXPECT_EQ(edge(after, 1), pushed);
  EXPECT_GT(ink_in(after, h, tab_rect(p, 1), gdi::GetSysColor(gdi::COLOR_BTNTEXT)).count, 10);
}

TEST_F(PageSkins, APageIsFaceColouredWithItsLabelsOnTop) {
  pc::TPageControl* p = pages(10, 10, 300, pc::TTabStyle::tsTabs, {"One", "Two"});
  pc::TTabSheet* sheet = p->Pages(0);
  auto* label = new pc::TLabel(form_);
  label->SetParent(sheet);
  label->SetBounds(10, 10, 60, 16);
  label->SetCaption("WWW");
  show_form();
  ASSERT_NE(dynamic_cast<TSkinTabSheet*>(skinner_of(sheet)), nullptr);
  const gdi::Bitmap screen = shot();
  const win::HWND h = sheet->Handle();
  EXPECT_EQ(client_pixel(screen, h, 150, 60), px(kFace));
  EXPECT_EQ(client_pixel(screen, h, 2, 2), px(kFace));
  EXPECT_GT(ink_in(screen, h, {10, 10, 70, 26}, pc::ColorToRGB(label->Font.Color())).count, 10);
  // Printed into a context of its own, the page shows the same.
  gdi::Bitmap printed(sheet->Width(), sheet->Height(), gdi::PixelFormat::k24bit);
  {
    SkinImage target(std::move(printed));
    SelectedBitmap b(target.Handle());
    win::SendMessage(h, win::WM_PRINT, reinterpret_cast<win::WPARAM>(b.dc()), 0);
    EXPECT_EQ(target.Pixels()->pixel(150, 60), px(kFace));
  }
}

TEST_F(PageSkins, StaticTextsOfABareDialogGetTheFaceColour) {
  const win::HWND top = make("Box", win::WS_OVERLAPPEDWINDOW, 40, 40, 300, 200);
  const win::HWND dialog =
      win::CreateWindowEx(0, win::kDialogClass, "", win::WS_CHILD | win::WS_VISIBLE, 10, 10, 200, 100, top, nullptr, nullptr, nullptr);
  const win::HWND text = win::CreateWindowEx(0, "Static", "WWW", win::WS_CHILD | win::WS_VISIBLE | win::SS_LEFT, 10, 10, 80,
                                             20, dialog, nullptr, nullptr, nullptr);
  show(top);
  TFormSkinner* f = SkinManager()->FindForm(top);
  ASSERT_NE(f, nullptr);
  EXPECT_NE(dynamic_cast<TSkinBoxH*>(f->FindSkinnerByHandle(dialog)), nullptr);
  EXPECT_EQ(reinterpret_cast<gdi::HBRUSH>(win::SendMessage(dialog, win::WM_CTLCOLORSTATIC, 0, reinterpret_cast<win::LPARAM>(text))),
            sd_->FFaceBrush);
  win::RedrawWindow(top, nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
  pump();
  const gdi::Bitmap screen = win::ComposeScreen(0);
  EXPECT_EQ(client_pixel(screen, dialog, 150, 70), px(kFace));
  EXPECT_EQ(client_pixel(screen, text, 75, 15), px(kFace));
  win::DestroyWindow(top);
}

TEST_F(PageSkins, ABareSizeGripIsFaceColoured) {
  const win::HWND top = make("Grip", win::WS_OVERLAPPEDWINDOW, 40, 40, 300, 200);
  const win::HWND grip = win::CreateWindowEx(0, "ScrollBar", "", win::WS_CHILD | win::WS_VISIBLE | win::SBS_SIZEGRIP, 100, 100,
                                             16, 16, top, nullptr, nullptr, nullptr);
  show(top);
  TFormSkinner* f = SkinManager()->FindForm(top);
  ASSERT_NE(f, nullptr);
  EXPECT_NE(dynamic_cast<TSkinSizer*>(f->FindSkinnerByHandle(grip)), nullptr);
  win::RedrawWindow(top, nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
  pump();
  const gdi::Bitmap screen = win::ComposeScreen(0);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{8, 8}, std::pair{15, 15}}) EXPECT_EQ(client_pixel(screen, grip, x, y), px(kFace));
  win::DestroyWindow(top);
}

// A page control of another library that takes its tab pictures through bitmap properties.
class PicturePages : public pc::TWinControl {
public:
  explicit PicturePages(pc::TComponent* owner) : pc::TWinControl(owner) {
    PublishObject("TabBackGround", [this] { return &normal; });
    PublishObject("TabBackGroundActive", [this] { return &active; });
  }
  std::string ClassName() const override { return "TPicturePages"; }
  pc::TBitmap normal, active;
};

TEST_F(PageSkins, PageControlsOfAnotherLibraryTakeTabPictures) {
  struct Case {
    bool has_tabs;
  };
  // Without [Tabs] last: the skin loses it for good.
  const Case cases[] = {{true}, {false}};
  sd_->Skin3rd().Add("TPicturePages=advpagecontrol");
  TFormSkinner* f = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.has_tabs);
    if (!c.has_tabs) sd_->FTabs.reset();
    auto* p = add<PicturePages>(10, 10, 200, 100);
    // The control's own pictures, which a skin without tabs leaves alone.
    gdi::Bitmap own(8, 8, gdi::PixelFormat::k24bit);
    own.fill(px(0x123456));
    p->normal.Assign(own);
    p->active.Assign(own);
    const pc::TColor saved = p->Color();
    if (!f) {
      f = show_form();
    } else {
      f->SkinControls();
    }
    auto* s = dynamic_cast<TSkinAdvPage*>(skinner_of(p));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->FPageKind, 4);
    const gdi::Bitmap* normal = gdi::GetBitmapPixels(p->normal.Handle());
    const gdi::Bitmap* active = gdi::GetBitmapPixels(p->active.Handle());
    ASSERT_NE(normal, nullptr);
    ASSERT_NE(active, nullptr);
    if (c.has_tabs) {
      EXPECT_EQ(p->normal.Width(), TSkinAdvPage::kTabPictureWidth);
      EXPECT_EQ(p->normal.Height(), TSkinAdvPage::kTabPictureHeight);
      EXPECT_EQ(normal->pixel(50, 10), px(strip_colour(kTabsTag, 1)));
      EXPECT_EQ(active->pixel(50, 10), px(strip_colour(kTabsTag, 2)));
      EXPECT_EQ(p->Color(), static_cast<pc::TColor>(gdi::resolve_color(sd_->FColours[3])));
    } else {
      EXPECT_EQ(p->normal.Width(), 8);
      EXPECT_EQ(normal->pixel(4, 4), px(0x123456));
    }
    // Its scroll arrows are skinned at the first paint after they appear.
    const win::HWND arrows = win::CreateWindowEx(0, "msctls_updown32", "", win::WS_CHILD | win::WS_VISIBLE, 160, 2, 30, 16,
                                                 p->Handle(), nullptr, nullptr, nullptr);
    shot();
    EXPECT_NE(dynamic_cast<TSkinUpDown*>(f->FindSkinnerByHandle(arrows)), nullptr);
    EXPECT_EQ(s->FUpDown, f->FindSkinnerByHandle(arrows));
    // Unskinned, it has its own colour again and none of the skin's pictures.
    f->FreeSkinners();
    EXPECT_EQ(p->Color(), saved);
    EXPECT_EQ(p->normal.Empty(), c.has_tabs);
    EXPECT_EQ(p->active.Empty(), c.has_tabs);
    delete p;
  }
}

}  // namespace
}  // namespace skin::test
