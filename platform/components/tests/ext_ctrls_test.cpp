// The controls the skinners know besides the console's: each answers the messages a skinner sends
// it and hands over the notices a skinner takes (paint, custom draw, owner draw, mouse enter and
// leave), and a user's clicks and keys act on it as on its kind.
#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <memory>

#include "platform/components/ext_ctrls.h"
#include "platform/components/form_table.h"
#include "platform/components/tests/test_support.h"
#include "platform/win/controls.h"

namespace platform::components::test {
namespace {

using namespace platform::win;

const ComponentDef kTable[] = {
    {"Speed1", "TSpeedButton", "", {{"Left", "10"}, {"Top", "10"}, {"GroupIndex", "1"}}, {}, {{"OnClick", "Speed"}}},
    {"Speed2", "TSpeedButton", "", {{"Left", "40"}, {"Top", "10"}, {"GroupIndex", "1"}, {"Down", "True"}}},
    {"Speed3", "TSpeedButton", "", {{"Left", "70"}, {"Top", "10"}, {"Flat", "True"}, {"Caption", "F"}}},
    {"Radio1", "TRadioButton", "", {{"Left", "10"}, {"Top", "40"}, {"Caption", "A"}}, {}, {{"OnClick", "Radio"}}},
    {"Radio2", "TRadioButton", "", {{"Left", "10"}, {"Top", "60"}, {"Caption", "B"}, {"Alignment", "taLeftJustify"}}},
    {"Group1", "TRadioGroup", "", {{"Left", "130"}, {"Top", "40"}, {"Width", "200"}, {"Height", "90"}, {"Caption", "Baud"}},
     {"9600", "19200", "38400", "115200"}, {{"OnClick", "Group"}}},
    {"Track1", "TTrackBar", "", {{"Left", "10"}, {"Top", "140"}, {"Max", "100"}, {"Position", "30"}}, {}, {{"OnChange", "Track"}}},
    {"Track2", "TTrackBar", "", {{"Left", "350"}, {"Top", "10"}, {"Width", "45"}, {"Height", "150"}, {"Orientation", "trVertical"}}},
    {"UpDown1", "TUpDown", "", {{"Left", "170"}, {"Top", "140"}, {"Max", "10"}, {"Position", "5"}}, {}, {{"OnClick", "Spin"}}},
    {"UpDown2", "TUpDown", "", {{"Left", "200"}, {"Top", "140"}, {"Width", "30"}, {"Height", "17"}, {"Orientation", "udHorizontal"}}},
    {"Progress1", "TProgressBar", "", {{"Left", "10"}, {"Top", "190"}, {"Min", "20"}, {"Position", "60"}}},
    {"Progress2", "TProgressBar", "", {{"Left", "400"}, {"Top", "10"}, {"Width", "17"}, {"Height", "100"}, {"Orientation", "pbVertical"}, {"Smooth", "True"}}},
    {"Memo1", "TMemo", "", {{"Left", "10"}, {"Top", "220"}, {"Width", "150"}, {"Height", "60"}, {"ScrollBars", "ssVertical"}}, {}, {{"OnChange", "Memo"}}},
    {"Header1", "THeaderControl", "", {{"Left", "170"}, {"Top", "220"}, {"Width", "200"}}},
    {"List1", "TListView", "", {{"Left", "170"}, {"Top", "250"}, {"Width", "220"}, {"Height", "100"}}, {}, {{"OnChange", "List"}}},
    {"Check1", "TCheckListBox", "", {{"Left", "420"}, {"Top", "150"}, {"Width", "150"}, {"Height", "100"}},
     {"COM1", "COM2", "Ports", "COM3"}, {{"OnClickCheck", "Check"}}},
    {"MainMenu1", "TMainMenu", ""},
    {"File1", "TMenuItem", "MainMenu1", {{"Caption", "&File"}}},
    {"Open1", "TMenuItem", "File1", {{"Caption", "&Open"}}, {}, {{"OnClick", "Open"}}},
    {"Help1", "TMenuItem", "MainMenu1", {{"Caption", "&Help"}}, {}, {{"OnClick", "Help"}}},
};

class ExtControls : public ComponentsTest {
protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    for (const char* name : {"Speed", "Radio", "Group", "Track", "Spin", "Memo", "List", "Check", "Open", "Help"})
      handlers_[name] = [this, name](TObject*) { log_.push_back(name); };
    form_ = Application().CreateForm<TForm>([this](TForm& f) {
      f.SetBounds(0, 0, 640, 420);
      BuildForm(f, kTable, handlers_);
    });
    form_->Show();
    pump();
  }
  template <typename T>
  T& find(const char* name) {
    return dynamic_cast<T&>(*form_->FindComponent(name));
  }
  // A window-procedure method that notes the messages `want` lets through, then runs the old one.
  template <typename C>
  std::vector<TMessage>& record(C& control, std::function<bool(const TMessage&)> want) {
    auto& seen = records_.emplace_back();
    auto old = control.WindowProc;
    control.WindowProc = [&seen, old, want](TMessage& m) {
      if (want(m)) seen.push_back(m);
      old(m);
    };
    return seen;
  }
  // The screen point of a control's client point.
  POINT at(TWinControl& parent, int x, int y) {
    POINT p{x, y};
    ClientToScreen(parent.Handle(), &p);
    return p;
  }
  void press(POINT p, bool down) {
    inject_mouse_move(p);
    inject_mouse_button(p, MouseButton::kLeft, down);
    pump();
  }
  void click_at(POINT p) {
    press(p, true);
    press(p, false);
  }
  LRESULT send(TWinControl& c, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return SendMessage(c.Handle(), msg, wp, lp); }
  DWORD style(TWinControl& c) { return static_cast<DWORD>(GetWindowLongPtr(c.Handle(), GWL_STYLE)); }

  HandlerTable handlers_;
  std::vector<std::string> log_;
  std::list<std::vector<TMessage>> records_;
  TForm* form_ = nullptr;
};

TEST_F(ExtControls, SpeedButtonsPaintThroughTheirMethodHearTheMouseAndKeepTheirGroup) {
  auto& s1 = find<TSpeedButton>("Speed1");
  auto& s2 = find<TSpeedButton>("Speed2");
  auto& s3 = find<TSpeedButton>("Speed3");
  // The properties a skinner reads by name.
  EXPECT_EQ(GetEnumPropText(&s2, "Down"), "True");
  EXPECT_EQ(GetEnumPropText(&s3, "Flat"), "True");
  EXPECT_EQ(GetIntProp(&s1, "NumGlyphs"), 1);
  EXPECT_EQ(GetIntProp(&s1, "Margin"), -1);
  EXPECT_EQ(GetIntProp(&s1, "Spacing"), 4);
  EXPECT_EQ(GetEnumPropText(&s1, "Layout"), "blGlyphLeft");
  EXPECT_NE(GetObjectProp(&s1, "Glyph"), nullptr);
  // The parent's painting comes as WM_PAINT with a DC; a method that keeps it paints instead.
  auto& paints = record(s3, [](const TMessage& m) { return m.Msg == WM_PAINT; });
  s3.Invalidate();
  UpdateWindow(form_->Handle());
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_NE(paints[0].WParam, 0u);
  // Mouse enter and leave from the parent.
  auto& hover = record(s3, [](const TMessage& m) { return m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE; });
  inject_mouse_move(at(*form_, 80, 20));
  pump();
  inject_mouse_move(at(*form_, 300, 300));
  pump();
  ASSERT_EQ(hover.size(), 2u);
  EXPECT_EQ(hover[0].Msg, CM_MOUSEENTER);
  EXPECT_EQ(hover[1].Msg, CM_MOUSELEAVE);
  // A click puts the first button of the group down (the other comes up) before OnClick runs.
  bool down_at_click = false;
  s1.OnClick = [&](TObject*) { down_at_click = s1.Down(); };
  click_at(at(*form_, 20, 20));
  EXPECT_TRUE(down_at_click);
  EXPECT_TRUE(s1.Down());
  EXPECT_FALSE(s2.Down());
  click_at(at(*form_, 20, 20));  // the last one down stays down ...
  EXPECT_TRUE(s1.Down());
  s1.AllowAllUp = true;
  click_at(at(*form_, 20, 20));  // ... unless all may be up
  EXPECT_FALSE(s1.Down());
  // A press released elsewhere is no click; a button outside a group never stays down.
  down_at_click = true;
  press(at(*form_, 20, 20), true);
  press(at(*form_, 300, 300), false);
  EXPECT_FALSE(s1.Down());
  s3.SetDown(true);
  EXPECT_FALSE(s3.Down());
}

TEST_F(ExtControls, RadioButtonsAnswerTheButtonMessagesAndUncheckTheirSiblings) {
  auto& r1 = find<TRadioButton>("Radio1");
  auto& r2 = find<TRadioButton>("Radio2");
  EXPECT_EQ(GetClassName(r1.Handle()), "Button");
  EXPECT_EQ(style(r1) & BS_TYPEMASK, static_cast<DWORD>(BS_RADIOBUTTON));
  EXPECT_EQ(style(r1) & BS_LEFTTEXT, 0u);
  EXPECT_EQ(style(r2) & BS_LEFTTEXT, static_cast<DWORD>(BS_LEFTTEXT));
  struct Step {
    std::function<void()> act;
    LRESULT check1, check2;
    std::vector<std::string> log;
  };
  const Step steps[] = {
      {[&] { r1.SetChecked(true); }, BST_CHECKED, BST_UNCHECKED, {}},                        // by code: no OnClick
      {[&] { send(r2, BM_SETCHECK, BST_CHECKED); }, BST_UNCHECKED, BST_CHECKED, {}},        // a skinner's message
      {[&] { SetPropText(&r1, "Checked", "True"); }, BST_CHECKED, BST_UNCHECKED, {}},        // by name
      {[&] { r1.SetChecked(false); }, BST_UNCHECKED, BST_UNCHECKED, {}},
      {[&] { click(r1); }, BST_CHECKED, BST_UNCHECKED, {"Radio"}},                           // the user
      {[&] { click(r1); }, BST_CHECKED, BST_UNCHECKED, {"Radio"}},                           // stays checked
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    log_.clear();
    clock_.advance(core::Millis(1000));  // clicks apart, not a double click
    steps[i].act();
    pump();
    EXPECT_EQ(send(r1, BM_GETCHECK), steps[i].check1) << "step " << i;
    EXPECT_EQ(send(r2, BM_GETCHECK), steps[i].check2) << "step " << i;
    EXPECT_EQ(GetEnumPropText(&r1, "Checked"), steps[i].check1 == BST_CHECKED ? "True" : "False");
    EXPECT_EQ(log_, steps[i].log) << "step " << i;
  }
}

TEST_F(ExtControls, RadioGroupsMakeOneButtonPerItem) {
  auto& g = find<TRadioGroup>("Group1");
  ASSERT_EQ(g.ButtonCount(), 4);
  EXPECT_NE(g.ClassName().find("RadioGroup"), std::string::npos);
  EXPECT_EQ(GetIntProp(&g, "ItemIndex"), -1);
  EXPECT_EQ(GetWindowText(g.Buttons(3)->Handle()), "115200");
  // Laid out in the group's inside, one under the other.
  EXPECT_LT(g.Buttons(0)->Top(), g.Buttons(1)->Top());
  EXPECT_GE(g.Buttons(0)->Top(), 16);
  g.SetItemIndex(1);
  EXPECT_EQ(send(*g.Buttons(1), BM_GETCHECK), BST_CHECKED);
  EXPECT_TRUE(log_.empty());
  click(*g.Buttons(2));
  EXPECT_EQ(g.ItemIndex(), 2);
  EXPECT_EQ(send(*g.Buttons(1), BM_GETCHECK), BST_UNCHECKED);
  EXPECT_EQ(log_, std::vector<std::string>{"Group"});
  // Two columns: the third item starts the second column.
  g.SetColumns(2);
  EXPECT_EQ(g.Buttons(2)->Top(), g.Buttons(0)->Top());
  EXPECT_GT(g.Buttons(2)->Left(), g.Buttons(0)->Left());
  // New items, new buttons; the index holds while it still names an item.
  g.Items().Delete(0);
  EXPECT_EQ(g.ButtonCount(), 3);
  EXPECT_EQ(send(*g.Buttons(2), BM_GETCHECK), BST_CHECKED);
}

TEST_F(ExtControls, TrackBarsAnswerTheirMessagesAndHandOverTheirCustomDrawing) {
  auto& t1 = find<TTrackBar>("Track1");
  auto& t2 = find<TTrackBar>("Track2");
  EXPECT_EQ(GetClassName(t1.Handle()), "msctls_trackbar32");
  EXPECT_EQ(send(t1, TBM_GETPOS), 30);
  EXPECT_EQ(send(t1, TBM_GETRANGEMAX), 100);
  EXPECT_EQ(style(t1) & TBS_VERT, 0u);
  EXPECT_EQ(style(t2) & TBS_VERT, static_cast<DWORD>(TBS_VERT));
  RECT channel{}, thumb{};
  send(t1, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  send(t1, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_GT(channel.right - channel.left, 0);
  EXPECT_GT(thumb.right - thumb.left, 0);
  // The custom-draw notices reach the control's method, stage by stage and part by part.
  auto& draws = record(t1, [](const TMessage& m) {
    return m.Msg == CN_NOTIFY && reinterpret_cast<const NMHDR*>(m.LParam)->code == NM_CUSTOMDRAW;
  });
  // A skinner's answer to the first stage asks for the parts.
  auto stages = std::make_shared<std::vector<std::pair<DWORD, ULONG_PTR>>>();
  auto old = t1.WindowProc;
  t1.WindowProc = [stages, old](TMessage& m) {
    old(m);
    if (m.Msg != CN_NOTIFY) return;
    auto* cd = reinterpret_cast<const NMCUSTOMDRAW*>(m.LParam);
    if (cd->hdr.code != NM_CUSTOMDRAW) return;
    stages->emplace_back(cd->dwDrawStage, cd->dwItemSpec);
    if (cd->dwDrawStage == CDDS_PREPAINT) m.Result = CDRF_NOTIFYITEMDRAW;
  };
  t1.Invalidate();
  UpdateWindow(t1.Handle());
  EXPECT_FALSE(draws.empty());
  const std::vector<std::pair<DWORD, ULONG_PTR>> want = {
      {CDDS_PREPAINT, 0}, {CDDS_ITEMPREPAINT, TBCD_TICS}, {CDDS_ITEMPREPAINT, TBCD_CHANNEL}, {CDDS_ITEMPREPAINT, TBCD_THUMB}};
  EXPECT_EQ(*stages, want);
  // Keys move it and tell OnChange; setting it from code does not.
  t1.SetFocus();
  inject_key(VK_RIGHT, true);
  inject_key(VK_RIGHT, false);
  pump();
  EXPECT_EQ(t1.Position(), 31);
  EXPECT_EQ(log_, std::vector<std::string>{"Track"});
  t1.SetPosition(500);
  EXPECT_EQ(send(t1, TBM_GETPOS), 100);
  EXPECT_EQ(log_.size(), 1u);
}

TEST_F(ExtControls, UpDownsAnswerTheirMessagesAndStepOnClicks) {
  auto& u1 = find<TUpDown>("UpDown1");
  auto& u2 = find<TUpDown>("UpDown2");
  EXPECT_EQ(GetClassName(u1.Handle()), "msctls_updown32");
  EXPECT_EQ(send(u1, UDM_GETPOS32), 5);
  int lo = -1, hi = -1;
  send(u1, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10);
  EXPECT_EQ(style(u1) & UDS_HORZ, 0u);
  EXPECT_EQ(style(u2) & UDS_HORZ, static_cast<DWORD>(UDS_HORZ));
  // The upper half goes up, the lower half down.
  RECT r;
  GetWindowRect(u1.Handle(), &r);
  click_at({(r.left + r.right) / 2, r.top + 3});
  EXPECT_EQ(u1.Position(), 6);
  click_at({(r.left + r.right) / 2, r.bottom - 3});
  click_at({(r.left + r.right) / 2, r.bottom - 3});
  EXPECT_EQ(u1.Position(), 4);
  EXPECT_EQ(log_, (std::vector<std::string>{"Spin", "Spin", "Spin"}));
  u1.SetPosition(50);
  EXPECT_EQ(send(u1, UDM_GETPOS32), 10);
}

TEST_F(ExtControls, ProgressBarsAnswerPositionAndRange) {
  auto& p1 = find<TProgressBar>("Progress1");
  auto& p2 = find<TProgressBar>("Progress2");
  struct Case {
    TProgressBar* bar;
    LRESULT pos, max, min;
    DWORD styles;
  };
  const Case cases[] = {{&p1, 60, 100, 20, 0}, {&p2, 0, 100, 0, PBS_VERTICAL | PBS_SMOOTH}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetClassName(c.bar->Handle()), "msctls_progress32");
    EXPECT_EQ(send(*c.bar, PBM_GETPOS), c.pos);
    EXPECT_EQ(send(*c.bar, PBM_GETRANGE, 0), c.max);
    EXPECT_EQ(send(*c.bar, PBM_GETRANGE, 1), c.min);
    EXPECT_EQ(style(*c.bar) & (PBS_VERTICAL | PBS_SMOOTH), c.styles);
  }
  // Stepping past the end starts again from the low limit.
  p1.Step = 30;
  p1.StepIt();
  EXPECT_EQ(send(p1, PBM_GETPOS), 90);
  p1.StepIt();
  EXPECT_EQ(send(p1, PBM_GETPOS), 40);
}

TEST_F(ExtControls, MemosScrollByLinesWithTheirBarInStep) {
  auto& m = find<TMemo>("Memo1");
  EXPECT_EQ(GetClassName(m.Handle()), "Edit");
  // The bar shows once the text is longer than the memo.
  EXPECT_EQ(style(m) & (ES_MULTILINE | WS_VSCROLL), static_cast<DWORD>(ES_MULTILINE));
  m.Lines().BeginUpdate();
  for (int i = 0; i < 30; ++i) m.Lines().Add("line " + std::to_string(i));
  m.Lines().EndUpdate();
  EXPECT_EQ(style(m) & (ES_MULTILINE | WS_VSCROLL), static_cast<DWORD>(ES_MULTILINE | WS_VSCROLL));
  EXPECT_EQ(send(m, EM_GETLINECOUNT), 30);
  EXPECT_TRUE(log_.empty());  // set from code: no OnChange
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(m.Handle(), SB_VERT, &si));
  EXPECT_EQ(si.nMax, 29);
  const int page = static_cast<int>(si.nPage);
  EXPECT_GT(page, 0);
  EXPECT_LT(page, 30);
  struct Case {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    int top;
  };
  const Case cases[] = {
      {WM_VSCROLL, SB_LINEDOWN, 0, 1},
      {WM_VSCROLL, SB_PAGEDOWN, 0, 1 + page},
      {WM_VSCROLL, SB_LINEUP, 0, page},
      {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 0, 7},
      {WM_VSCROLL, SB_BOTTOM, 0, 30 - page},
      {WM_VSCROLL, SB_LINEDOWN, 0, 30 - page},  // no further than the last page
      {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, 30 - page - 3},
      {WM_VSCROLL, SB_TOP, 0, 0},
      {WM_VSCROLL, SB_LINEUP, 0, 0},
      {EM_LINESCROLL, 0, 4, 4},
  };
  for (const Case& c : cases) {
    send(m, c.msg, c.wp, c.lp);
    EXPECT_EQ(send(m, EM_GETFIRSTVISIBLELINE), c.top) << std::hex << c.msg << " " << c.wp;
    GetScrollInfo(m.Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, c.top);
  }
  // What the user types reaches Lines and OnChange.
  m.SetFocus();
  send(m, EM_SETSEL, 0, 0);
  inject_key('X', true, U'X');
  inject_key('X', false);
  pump();
  EXPECT_EQ(m.Lines()[0], "Xline 0");
  EXPECT_EQ(log_, std::vector<std::string>{"Memo"});
}

TEST_F(ExtControls, HeaderControlsAnswerTheHeaderMessagesAndReportClicks) {
  auto& h = find<THeaderControl>("Header1");
  h.AddSection({"Name", 80, THeaderControl::TAlignment::taLeftJustify, -1});
  h.AddSection({"Value", 60, THeaderControl::TAlignment::taCenter, -1});
  h.AddSection({"Unit", 40, THeaderControl::TAlignment::taRightJustify, -1});
  EXPECT_EQ(GetClassName(h.Handle()), "SysHeader32");
  EXPECT_EQ(send(h, HDM_GETITEMCOUNT), 3);
  struct Case {
    int index, left, right, format;
    const char* text;
  };
  const Case cases[] = {{0, 0, 80, HDF_LEFT, "Name"}, {1, 80, 140, HDF_CENTER, "Value"}, {2, 140, 180, HDF_RIGHT, "Unit"}};
  for (const Case& c : cases) {
    RECT r{};
    ASSERT_TRUE(send(h, HDM_GETITEMRECT, static_cast<WPARAM>(c.index), reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(r.left, c.left);
    EXPECT_EQ(r.right, c.right);
    char buf[201] = {};
    HDITEM item;
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = buf;
    item.cchTextMax = 200;
    ASSERT_TRUE(send(h, HDM_GETITEMW, static_cast<WPARAM>(c.index), reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(buf, c.text);
    EXPECT_EQ(item.fmt & 0xFF, c.format);
  }
  EXPECT_EQ(send(h, HDM_GETIMAGELIST), 0);
  click_at(at(h, 100, 8));
  EXPECT_EQ(h.ClickedSection, 1);
}

TEST_F(ExtControls, ListViewsShowRowsAndColumnsAndTheirHeader) {
  auto& l = find<TListView>("List1");
  l.AddColumn("Time", 100);
  l.AddColumn("Value", 80);
  l.AddItem("10:00", {"21.5"});
  l.AddItem("10:01", {"21.7"});
  EXPECT_EQ(GetClassName(l.Handle()), "SysListView32");
  HWND header = l.HeaderHandle();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(GetClassName(header), "SysHeader32");
  EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(send(l, LVM_GETITEMCOUNT), 2);
  char buf[32] = {};
  LVITEM sub;
  sub.iSubItem = 1;
  sub.pszText = buf;
  sub.cchTextMax = sizeof buf;
  send(l, LVM_GETITEMTEXT, 1, reinterpret_cast<LPARAM>(&sub));
  EXPECT_STREQ(buf, "21.7");
  l.SetItemIndex(1);
  EXPECT_EQ(send(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  EXPECT_TRUE(log_.empty());
  // A click on the first row selects it and tells OnChange.
  RECT row{};
  row.left = LVIR_BOUNDS;
  send(l, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  click_at(at(l, row.left + 5, (row.top + row.bottom) / 2));
  EXPECT_EQ(l.ItemIndex(), 0);
  EXPECT_EQ(log_, std::vector<std::string>{"List"});
}

TEST_F(ExtControls, CheckListBoxesDrawTheirItemsAndToggleTheirBoxes) {
  auto& c = find<TCheckListBox>("Check1");
  EXPECT_EQ(GetClassName(c.Handle()), "ListBox");
  EXPECT_EQ(style(c) & LBS_OWNERDRAWFIXED, static_cast<DWORD>(LBS_OWNERDRAWFIXED));
  c.SetHeader(2, true);
  c.SetItemEnabled(3, false);
  c.SetChecked(1, true);
  // Every item comes to the control's method for drawing.
  auto drawn = std::make_shared<std::vector<UINT>>();
  auto old = c.WindowProc;
  c.WindowProc = [drawn, old](TMessage& m) {
    if (m.Msg == CN_DRAWITEM) drawn->push_back(reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)->itemID);
    old(m);
  };
  c.Invalidate();
  UpdateWindow(c.Handle());
  EXPECT_EQ(*drawn, (std::vector<UINT>{0, 1, 2, 3}));
  // The checked item's box holds the mark, the unchecked one's is empty.
  const auto ink_in_box = [&](int i) {
    RECT r{};
    send(c, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    HDC dc = GetDC(c.Handle());
    int ink = 0;
    const int top = r.top + (r.bottom - r.top - TCheckListBox::kBoxSize) / 2;
    for (int y = top + 2; y < top + TCheckListBox::kBoxSize - 2; ++y)
      for (int x = r.left + 4; x < r.left + TCheckListBox::kBoxSize; ++x)
        ink += gdi::GetPixel(dc, x, y) == gdi::GetSysColor(gdi::COLOR_WINDOWTEXT);
    ReleaseDC(c.Handle(), dc);
    return ink;
  };
  EXPECT_GT(ink_in_box(1), 0);
  EXPECT_EQ(ink_in_box(0), 0);
  // Clicks on the boxes toggle them (not on the text, not on headers or disabled items).
  const auto box_of = [&](int i, int x) {
    RECT r{};
    send(c, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return at(c, x, (r.top + r.bottom) / 2);
  };
  struct Step {
    int item, x;
    std::vector<TCheckBoxState> states;
    std::size_t notices;
  };
  using S = TCheckBoxState;
  const Step steps[] = {
      {0, 8, {S::cbChecked, S::cbChecked, S::cbUnchecked, S::cbUnchecked}, 1},
      {0, 60, {S::cbChecked, S::cbChecked, S::cbUnchecked, S::cbUnchecked}, 1},  // the text
      {1, 8, {S::cbChecked, S::cbUnchecked, S::cbUnchecked, S::cbUnchecked}, 2},
      {2, 8, {S::cbChecked, S::cbUnchecked, S::cbUnchecked, S::cbUnchecked}, 2},  // a header
      {3, 8, {S::cbChecked, S::cbUnchecked, S::cbUnchecked, S::cbUnchecked}, 2},  // disabled
  };
  for (const Step& s : steps) {
    clock_.advance(core::Millis(1000));  // no double clicks
    click_at(box_of(s.item, s.x));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.State(i), s.states[static_cast<std::size_t>(i)]) << "item " << s.item << " x " << s.x;
    EXPECT_EQ(log_.size(), s.notices);
  }
  // The space bar toggles the current item; grey comes between checked and unchecked when allowed.
  c.AllowGrayed = true;
  c.SetItemIndex(0);
  c.SetFocus();
  for (S want : {S::cbGrayed, S::cbUnchecked, S::cbChecked}) {
    inject_key(VK_SPACE, true, U' ');
    inject_key(VK_SPACE, false);
    pump();
    EXPECT_EQ(c.State(0), want);
  }
  // States stay with their items when the list changes.
  c.Items().Insert(0, "COM0");
  EXPECT_EQ(c.State(1), S::cbChecked);
  EXPECT_TRUE(c.Header(3));
  EXPECT_FALSE(c.ItemEnabled(4));
  EXPECT_THROW(c.State(9), EComponentError);
}

TEST_F(ExtControls, MainMenusBecomeTheFormsMenuBarAndRunTheirItems) {
  auto& menu = find<TMainMenu>("MainMenu1");
  form_->SetMenu(&menu);
  EXPECT_EQ(GetObjectProp(form_, "Menu"), &menu);
  HMENU bar = GetMenu(form_->Handle());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(menu.FindItem(reinterpret_cast<std::uintptr_t>(file), TMainMenu::TFindItemKind::fkHandle),
            form_->FindComponent("File1"));
  auto* open = dynamic_cast<TMenuItem*>(form_->FindComponent("Open1"));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(menu.FindItem(static_cast<std::uintptr_t>(open->Command()), TMainMenu::TFindItemKind::fkCommand), open);
  // The bar's commands run the items; other commands go their usual way.
  SendMessage(form_->Handle(), WM_COMMAND, static_cast<WPARAM>(open->Command()), 0);
  auto* help = dynamic_cast<TMenuItem*>(form_->FindComponent("Help1"));
  SendMessage(form_->Handle(), WM_COMMAND, static_cast<WPARAM>(help->Command()), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"Open", "Help"}));
  // Owner-drawn for a skin: the bar is rebuilt with every item marked, and the form is told.
  auto& notices = record(*form_, [](const TMessage& m) { return m.Msg == CM_MENUCHANGED; });
  ASSERT_TRUE(SetPropText(&menu, "OwnerDraw", "True"));
  EXPECT_EQ(notices.size(), 1u);
  bar = GetMenu(form_->Handle());
  MENUITEMINFO mi;
  mi.fMask = MIIM_FTYPE | MIIM_SUBMENU;
  ASSERT_TRUE(GetMenuItemInfo(bar, 0, TRUE, &mi));
  EXPECT_TRUE(mi.fType & MFT_OWNERDRAW);
  ASSERT_TRUE(GetMenuItemInfo(mi.hSubMenu, 0, TRUE, &mi));
  EXPECT_TRUE(mi.fType & MFT_OWNERDRAW);
  // Freed, the menu leaves the form without a bar.
  delete &menu;
  EXPECT_EQ(GetMenu(form_->Handle()), nullptr);
  EXPECT_EQ(form_->Menu(), nullptr);
}

}  // namespace
}  // namespace platform::components::test
