// The application loop, item lists of list and combo boxes, and drawing through canvases.
#include <gtest/gtest.h>

#include <functional>

#include "platform/components/hint_window.h"
#include "platform/components/std_ctrls.h"
#include "platform/components/tests/test_support.h"
#include "platform/win/controls.h"

namespace platform::components::test {
namespace {

using namespace std::chrono_literals;

TEST_F(ComponentsTest, RunDispatchesUntilTheMainFormCloses) {
  auto* form = Application().CreateForm<TForm>();
  auto* t = new TTimer(form);
  int ticks = 0;
  bool asked = false;
  form->OnClose = [&](TObject*, TCloseAction&) { asked = true; };
  t->SetInterval(100);
  t->SetOnTimer([&](TObject*) {
    if (++ticks == 3) win::PostMessage(form->Handle(), win::WM_CLOSE, 0, 0);
  });
  Application().Run();  // waiting passes virtual time
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(ComponentsTest, AFailingCreateHandlerIsReportedAndTheFormStillOpens) {
  dialogs_->Expect(DialogKind::kException, "", "I/O error 5.");
  auto* form = Application().CreateForm<TForm>([](TForm& f) {
    f.OnCreate = [](TObject*) { throw std::runtime_error("I/O error 5"); };
  });
  form->Show();
  EXPECT_TRUE(win::IsWindowVisible(form->Handle()));
}

TEST_F(ComponentsTest, AMessageHandlerTakesTheMessageAndTheColourPaintsTheForm) {
  auto* form = Application().CreateForm<TForm>();
  std::vector<win::WPARAM> notices;
  form->SetMessageHandler(win::WM_DEVICECHANGE, [&](TMessage& m) { notices.push_back(m.WParam); });
  form->SetColor(clWhite);
  form->SetBounds(0, 0, 200, 150);
  form->Show();
  win::PostMessage(form->Handle(), win::WM_DEVICECHANGE, 0x8000, 0);
  win::PostMessage(form->Handle(), win::WM_DEVICECHANGE, 0x8004, 0);
  pump();
  EXPECT_EQ(notices, (std::vector<win::WPARAM>{0x8000, 0x8004}));
  HDC dc = win::GetDC(form->Handle());
  EXPECT_EQ(gdi::GetPixel(dc, 50, 50), gdi::RGB(255, 255, 255));
  win::ReleaseDC(form->Handle(), dc);
}

TEST_F(ComponentsTest, ShowModalEndsWithTheButtonsModalResult) {
  auto* main = Application().CreateForm<TForm>();
  main->Show();
  auto* dlg = Application().CreateForm<TForm>();
  auto* ok = new TButton(dlg);
  ok->ModalResult = 1;
  ok->SetParent(dlg);
  win::PostMessage(ok->Handle(), win::BM_CLICK, 0, 0);
  bool main_enabled_during = true;
  ok->OnClick = [&](TObject*) { main_enabled_during = win::IsWindowEnabled(main->Handle()); };
  EXPECT_EQ(dlg->ShowModal(), 1);
  EXPECT_FALSE(main_enabled_during);
  EXPECT_TRUE(win::IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(win::IsWindowVisible(dlg->Handle()));
}

TEST_F(ComponentsTest, DialogKeysReachTheFormAsCmDialogKey) {
  auto* form = Application().CreateForm<TForm>();
  auto* e1 = new TEdit(form);
  e1->SetBounds(8, 8, 100, 21);
  e1->SetParent(form);
  auto* e2 = new TEdit(form);
  e2->SetBounds(8, 40, 100, 21);
  e2->SetParent(form);
  auto* ok = new TButton(form);
  ok->Default = true;
  ok->SetBounds(8, 70, 75, 25);
  ok->SetParent(form);
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  std::vector<win::WPARAM> keys;
  TWndMethod old = form->WindowProc;
  form->WindowProc = [&keys, old](TMessage& m) {
    if (m.Msg == CM_DIALOGKEY) keys.push_back(m.WParam);
    old(m);
  };
  form->Show();
  e1->SetFocus();
  auto press = [&](win::UINT vk, char32_t ch) {
    win::inject_key(vk, true, ch);
    win::inject_key(vk, false);
    pump();
  };
  press(win::VK_TAB, U'\t');
  EXPECT_TRUE(e2->Focused());
  press('A', U'a');  // not a dialog key: the edit takes it
  EXPECT_EQ(e2->GetText(), "a");
  press(win::VK_RETURN, U'\r');
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(keys, (std::vector<win::WPARAM>{win::VK_TAB, win::VK_RETURN}));
  form->WindowProc = old;
}

TEST_F(ComponentsTest, CloseCanBeRefused) {
  auto* form = Application().CreateForm<TForm>();
  form->Show();
  form->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caNone; };
  win::SendMessage(form->Handle(), win::WM_CLOSE, 0, 0);
  pump();
  EXPECT_FALSE(Application().Terminated());
  EXPECT_TRUE(win::IsWindowVisible(form->Handle()));
}

TEST_F(ComponentsTest, ComboItemsReplacedKeepAnEditableBoxsText) {
  auto* form = Application().CreateForm<TForm>();
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  form->Show();
  combo->SetText("COM7");
  combo->Items().BeginUpdate();
  combo->Items().Clear();
  for (const char* s : {"COM1", "COM3"}) combo->Items().Add(s);
  combo->Items().EndUpdate();
  EXPECT_EQ(combo->Text(), "COM7");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(win::SendMessage(combo->Handle(), win::CB_GETCOUNT, 0, 0), 2);
  combo->Items().Delete(0);
  char text[16] = {};
  win::SendMessage(combo->Handle(), win::CB_GETLBTEXT, 0, reinterpret_cast<win::LPARAM>(text));
  EXPECT_STREQ(text, "COM3");
  combo->SetItemIndex(5);  // out of range: none
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ComponentsTest, ListBoxKeepsItsLinesAcrossARecreatedWindow) {
  auto* form = Application().CreateForm<TForm>();
  auto* list = new TListBox(form);
  list->SetParent(form);
  form->Show();
  for (int i = 0; i < 30; ++i) list->Items().Add("line " + std::to_string(i));
  list->SetTopIndex(list->Count() - 1);
  EXPECT_GT(list->TopIndex(), 0);
  std::vector<UINT> seen;
  TWndMethod old = list->WindowProc;
  list->WindowProc = [&seen, old](TMessage& m) {
    if (m.Msg == CM_RECREATEWND) seen.push_back(m.Msg);
    old(m);
  };
  HWND before = list->Handle();
  list->RecreateWnd();
  EXPECT_NE(list->Handle(), before);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(win::SendMessage(list->Handle(), win::LB_GETCOUNT, 0, 0), 30);
  list->WindowProc = old;
}

// The extent of `text` in `font`, measured apart from the label.
gdi::SIZE TextExtent(TFont& font, const std::string& text) {
  HDC dc = gdi::CreateCompatibleDC(nullptr);
  auto old = gdi::SelectObject(dc, font.Handle());
  gdi::SIZE s{};
  gdi::GetTextExtentPoint32(dc, text, &s);
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  return s;
}

TEST_F(ComponentsTest, LabelsTakeTheSizeOfTheirText) {
  auto* form = Application().CreateForm<TForm>();
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 65, 13);
  struct Step {
    const char* what;
    std::function<void()> act;
    std::string text;
  };
  const Step steps[] = {
      {"a long caption", [&] { label->SetCaption("当日记录条数      "); }, "当日记录条数      "},
      {"a short one", [&] { label->SetCaption("年"); }, "年"},
      {"a larger font", [&] { label->Font.SetSize(18); }, "年"},
      {"Latin text", [&] { label->SetCaption("rh% 1234567890"); }, "rh% 1234567890"},
  };
  for (const Step& s : steps) {
    s.act();
    const gdi::SIZE want = TextExtent(label->Font, s.text);
    EXPECT_EQ(label->Width(), want.cx) << s.what;
    EXPECT_EQ(label->Height(), want.cy) << s.what;
    EXPECT_EQ(label->Left(), 10) << s.what;
  }
  // Without AutoSize the label keeps the size it is given.
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 30, 13);
  label->SetCaption("温度显示单位 ");
  EXPECT_EQ(label->Width(), 30);
}

TEST_F(ComponentsTest, CanvasAndBitmapDraw) {
  TBitmap bmp;
  bmp.SetSize(20, 10);
  bmp.Canvas().BrushColor = clRed;
  bmp.Canvas().FillRect({0, 0, 20, 10});
  EXPECT_EQ(gdi::GetPixel(bmp.Canvas().Handle(), 5, 5), gdi::RGB(255, 0, 0));
  TImageList images(nullptr, 10, 10);
  EXPECT_EQ(images.Add(bmp), 0);
  EXPECT_EQ(images.Count(), 2);  // the strip is cut into images of the list's width
  TBitmap target;
  target.SetSize(10, 10);
  images.Draw(target.Canvas(), 0, 0, 1);
  EXPECT_EQ(gdi::GetPixel(target.Canvas().Handle(), 3, 3), gdi::RGB(255, 0, 0));
  EXPECT_GT(target.Canvas().TextWidth("读取"), 0);
  EXPECT_THROW(bmp.SetSize(-1, 3), EComponentError);
}

TEST_F(ComponentsTest, AHintShowsItsTextOnTopWithoutTakingTheActivation) {
  auto* form = Application().CreateForm<TForm>();
  form->Show();
  pump();
  ASSERT_EQ(win::GetActiveWindow(), form->Handle());
  THintWindow hint(nullptr);
  hint.Font.SetName(gdi::kTestFontFace);
  hint.Font.SetSize(7);  // 10-pixel cells of 6 pixels
  // One line of 5 cells, and a long text broken into lines no wider than the limit.
  gdi::RECT r = hint.CalcHintRect(500, "Close");
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 5 * 6 + 6);
  EXPECT_EQ(r.bottom, 10 + 2);
  // Two words of 4 cells and their blank fit in 60 pixels: two lines of 9 cells.
  gdi::RECT wrapped = hint.CalcHintRect(60, "aaaa bbbb cccc dddd");
  EXPECT_EQ(wrapped.right, 9 * 6 + 6);
  EXPECT_EQ(wrapped.bottom, 2 * 10 + 2);

  gdi::OffsetRect(&r, 300, 200);
  hint.ActivateHint(r, "Close");
  pump();
  HWND h = hint.Handle();
  EXPECT_TRUE(win::IsWindowVisible(h));
  EXPECT_EQ(win::GetActiveWindow(), form->Handle());
  EXPECT_EQ(win::GetTopWindow(nullptr), h);
  gdi::RECT wr;
  win::GetWindowRect(h, &wr);
  EXPECT_EQ(wr.left, 300);
  EXPECT_EQ(wr.top, 200);
  EXPECT_EQ(wr.right, r.right);
  const gdi::Bitmap* shot = win::GetBackingBitmap(h);
  ASSERT_NE(shot, nullptr);
  // Inside the border: the hint colour, and ink where the text is.
  EXPECT_EQ(shot->pixel(1, 1), gdi::pixel_from_colorref(gdi::GetSysColor(gdi::COLOR_INFOBK)));
  int ink = 0;
  for (int y = 1; y < shot->height() - 1; ++y)
    for (int x = 1; x < shot->width() - 1; ++x)
      ink += shot->pixel(x, y) == gdi::pixel_from_colorref(gdi::GetSysColor(gdi::COLOR_INFOTEXT));
  EXPECT_GT(ink, 10);
  // The pointer over a hint still reaches what lies below it.
  EXPECT_EQ(win::SendMessage(h, win::WM_NCHITTEST, 0, win::MAKELPARAM(310, 205)), win::HTTRANSPARENT);
  win::ShowWindow(h, win::SW_HIDE);
  EXPECT_FALSE(win::IsWindowVisible(h));
}

}  // namespace
}  // namespace platform::components::test
