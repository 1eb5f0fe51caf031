// Headers (the hot item, the bar right of the last item, the layout of an item's text), list views
// and check-list boxes drawn from the skin.
#include <gtest/gtest.h>

#include "platform/components/ext_ctrls.h"
#include "platform/win/controls.h"
#include "skin/control_painting.h"
#include "skin/list_skinners.h"
#include "skin/tests/scroll_skin.h"
#include "skin/tests/skinned_form.h"

namespace skin::test {
namespace {

constexpr int kHeaderBarTag = 7, kCheckStripTag = 8;

class ListSkins : public SkinnedFormTest {
protected:
  void SetUp() override {
    SkinnedFormTest::SetUp();
    install_scroll_skin(*sd_);
    sd_->FHeaderbar = std::make_unique<TDataSkinObject>();
    sd_->FHeaderbar->Image.Assign(strip_of(kHeaderBarTag, 10, 10, 5));
    sd_->FHeaderbar->Frame = 5;
  }
  // The frame number (of the header strip) the screen shows at a point of the header.
  int header_frame(win::HWND header, int x, int y) {
    const gdi::Bitmap screen = shot();
    for (int k = 1; k <= 5; ++k)
      if (client_pixel(screen, header, x, y) == px(strip_colour(kHeaderBarTag, k))) return k;
    return 0;
  }
};

TEST_F(ListSkins, TheHeaderOfAListViewShowsItsHotItem) {
  auto* view = add<pc::TListView>(20, 20, 300, 150);
  for (const char* c : {"a", "b", "c"}) view->AddColumn(c, 80);
  view->AddItem("row", {"1", "2"});
  show_form();
  auto* s = dynamic_cast<TSkinListView*>(skinner_of(view));
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->FHeader, nullptr);
  const win::HWND header = view->HeaderHandle();
  EXPECT_EQ(s->FHeader->FHandle, header);
  gdi::RECT hr;
  win::GetClientRect(header, &hr);
  const int y = hr.bottom - 2;
  auto move_to = [&](int x) {
    gdi::POINT p{x, y};
    win::ClientToScreen(header, &p);
    win::inject_mouse_move(p);
    pump();
  };
  // Every item in frame 1, and right of the last item the bar's frame 1 too.
  ASSERT_GT(hr.right, 250);
  for (int x : {10, 100, 200, hr.right - 3}) EXPECT_EQ(header_frame(header, x, y), 1) << x << " of " << hr.right;

  move_to(200);  // over the third item
  EXPECT_EQ(s->FHeader->FHotItem, 2);
  EXPECT_EQ(header_frame(header, 200, y), 2);
  EXPECT_EQ(header_frame(header, 100, y), 1);
  EXPECT_EQ(header_frame(header, 10, y), 1);

  // Within 3 pixels of an item's edge no item becomes hot; the hot one stays.
  move_to(81);
  EXPECT_EQ(s->FHeader->FHotItem, 2);
  move_to(84);
  EXPECT_EQ(s->FHeader->FHotItem, 1);

  // Leaving the header draws every item normally again.
  move_to(100);
  gdi::POINT away{5, 140};
  win::ClientToScreen(view->Handle(), &away);
  win::inject_mouse_move(away);
  pump();
  EXPECT_EQ(s->FHeader->FHotItem, -1);
  EXPECT_EQ(header_frame(header, 100, y), 1);
}

TEST_F(ListSkins, TheTextOfAHeaderItemIsPlacedByItsAlignment) {
  auto* view = add<pc::TListView>(20, 20, 300, 150);
  view->AddColumn("x", 80);
  show_form();
  auto* s = dynamic_cast<TSkinListView*>(skinner_of(view));
  ASSERT_NE(s, nullptr);
  sd_->FColours[0] = 0x000000FF;
  sd_->FColourGiven[0] = 1;
  gdi::Bitmap canvas(100, 20, gdi::PixelFormat::k24bit, px(0xFFFFFF));
  gdi::HBITMAP bmp = gdi::CreateBitmapFromPixels(canvas);
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  const gdi::HGDIOBJ old_bmp = gdi::SelectObject(dc, bmp);
  gdi::LOGFONT lf{};
  lf.lfHeight = -10;
  lf.lfFaceName = std::string(gdi::kTestFontFace);
  const gdi::HFONT font = gdi::CreateFontIndirect(&lf);
  const gdi::HGDIOBJ old_font = gdi::SelectObject(dc, font);
  // The leftmost column holding the skin's text colour.
  auto first_ink = [&](int alignment, std::u16string_view text) {
    gdi::RECT all{0, 0, 100, 20};
    FillRectColor(dc, all, 0xFFFFFF);
    s->FHeader->DrawItemContent(dc, {0, 0, 60, 20}, alignment, text, -1, nullptr);
    const gdi::Bitmap* out = gdi::GetBitmapPixels(bmp);
    for (int x = 0; x < 100; ++x)
      for (int yy = 0; yy < 20; ++yy)
        if (out->pixel(x, yy) == px(0x000000FF)) return x;
    return -1;
  };
  const int left = first_ink(0, u"ab");
  EXPECT_GE(left, 3);
  EXPECT_LE(left, 4);
  EXPECT_GT(first_ink(2, u"ab"), 40);        // right-aligned: near the right edge
  EXPECT_GT(first_ink(1, u"ab"), left + 15);  // centred
  // A right-aligned text wider than the item starts at x = 1, two pixels left of a left-aligned one.
  EXPECT_EQ(first_ink(2, u"abcdefghijklmnopqrstuvwxyz"), left - 2);
  gdi::SelectObject(dc, old_font);
  gdi::SelectObject(dc, old_bmp);
  gdi::DeleteObject(font);
  gdi::DeleteObject(bmp);
  gdi::DeleteDC(dc);
}

TEST(CheckListFrames, StatesToFramesOfFourAndTwelveFrameStrips) {
  const struct {
    int state, frames, frame;
  } cases[] = {{0, 4, 1}, {1, 4, 2}, {2, 4, 4}, {0, 12, 1}, {1, 12, 5}, {2, 12, 8}};
  for (const auto& c : cases) EXPECT_EQ(CheckListFrame(c.state, c.frames), c.frame) << c.state << " " << c.frames;
}

TEST_F(ListSkins, ACheckListDrawsItsItemsFromTheSkinsCheckStrip) {
  sd_->FButtons->CheckButton.Assign(strip_of(kCheckStripTag, 13, 13, 4));
  sd_->FButtons->CheckButtonFrame = 4;
  auto* list = add<pc::TCheckListBox>(20, 20, 160, 120);
  for (const char* s : {"WWW", "WWW", "WWW", "WWW"}) list->Items().Add(s);
  list->SetState(1, pc::TCheckBoxState::cbChecked);
  list->SetState(2, pc::TCheckBoxState::cbGrayed);
  list->SetState(3, pc::TCheckBoxState::cbChecked);
  list->SetItemEnabled(3, false);
  show_form();
  ASSERT_NE(dynamic_cast<TSkinCheckList*>(skinner_of(list)), nullptr);
  list->SetItemIndex(0);
  const win::HWND h = list->Handle();
  const gdi::Bitmap screen = shot();
  auto item = [&](int i) {
    gdi::RECT r{};
    win::SendMessage(h, win::LB_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r));
    return r;
  };
  // The box by check state, whether or not the item is enabled.
  const int frames[] = {1, 2, 4, 2};
  for (int i = 0; i < 4; ++i) {
    const gdi::RECT r = item(i);
    EXPECT_EQ(client_pixel(screen, h, r.left + 8, (r.top + r.bottom) / 2), px(strip_colour(kCheckStripTag, frames[i]))) << i;
  }
  // The selected item is filled with the highlight colour; a disabled item's text is grey.
  const gdi::RECT first = item(0);
  EXPECT_EQ(client_pixel(screen, h, first.right - 3, first.top + 1), px(gdi::GetSysColor(gdi::COLOR_HIGHLIGHT)));
  const gdi::RECT last = item(3);
  bool grey = false;
  for (int x = last.left + 17; x < last.left + 60 && !grey; ++x)
    for (int y = last.top; y < last.bottom && !grey; ++y)
      grey = client_pixel(screen, h, x, y) == px(gdi::GetSysColor(gdi::COLOR_GRAYTEXT));
  EXPECT_TRUE(grey);

  // Without a check strip in the skin the list draws its items itself.
  sd_->FButtons->CheckButton.Clear();
  const gdi::Bitmap plain = shot();
  const gdi::RECT r = item(1);
  EXPECT_NE(client_pixel(plain, h, r.left + 8, (r.top + r.bottom) / 2), px(strip_colour(kCheckStripTag, 2)));
}

}  // namespace
}  // namespace skin::test
