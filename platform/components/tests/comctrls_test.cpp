// The console's common controls built from a table: status-bar panels, pages, date pickers,
// labelled edits, popup menus and the tool bar.
#include <gtest/gtest.h>

#include "platform/components/comctrls.h"
#include "platform/components/form_table.h"
#include "platform/components/tests/test_support.h"
#include "platform/win/controls.h"

namespace platform::components::test {
namespace {

const ComponentDef kTable[] = {
    {"StatusBar1", "TStatusBar", ""},
    {"PageControl1", "TPageControl", "", {{"Left", "0"}, {"Top", "40"}, {"Width", "300"}, {"Height", "200"}}, {}, {{"OnChange", "PageChange"}}},
    {"ts1", "TTabSheet", "PageControl1", {{"Caption", "报警记录"}}},
    {"ts2", "TTabSheet", "PageControl1", {{"Caption", "历史记录"}}},
    {"DateTimePicker1", "TDateTimePicker", "ts1", {{"Left", "8"}, {"Top", "8"}}, {}, {{"OnChange", "DateChange"}}},
    {"LabeledEdit27", "TLabeledEdit", "", {{"Left", "320"}, {"Top", "60"}, {"PasswordChar", "*"}, {"Text", "1234"}}, {}, {{"OnDblClick", "ShowPassword"}}},
    {"PopupMenu1", "TPopupMenu", ""},
    {"N1", "TMenuItem", "PopupMenu1", {{"Caption", "扫描"}}, {}, {{"OnClick", "N1Click"}}},
    {"ToolBar1", "TToolBar", "", {{"Left", "0"}, {"Top", "0"}, {"Width", "300"}}},
    {"ToolButton1", "TToolButton", "ToolBar1", {{"Caption", " 连接 "}, {"Style", "tbsDropDown"}}, {}, {{"OnClick", "Connect"}}},
};

class CommonControls : public ComponentsTest {
protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    handlers_ = {
        {"PageChange", [this](TObject*) { log_.push_back("page"); }},
        {"DateChange", [this](TObject*) { log_.push_back("date"); }},
        {"ShowPassword", [this](TObject* s) { static_cast<TLabeledEdit*>(s)->SetPasswordChar(0); log_.push_back("dbl"); }},
        {"N1Click", [this](TObject*) { log_.push_back("N1"); }},
        {"Connect", [this](TObject*) { log_.push_back("connect"); }},
    };
    form_ = Application().CreateForm<TForm>([this](TForm& f) {
      f.SetBounds(0, 0, 640, 400);
      BuildForm(f, kTable, handlers_);
      auto& bar = static_cast<TStatusBar&>(*f.FindComponent("StatusBar1"));
      for (int w : {60, 60, 40, 60, 60, 60, 40, 50}) bar.AddPanel(w);
    });
    form_->Show();
    pump();
  }
  template <typename T>
  T& find(const char* name) {
    return dynamic_cast<T&>(*form_->FindComponent(name));
  }
  // Clicks the middle of a tab the way a user does.
  void click_tab(TPageControl& pc, int i) {
    gdi::RECT tab{};
    win::SendMessage(pc.Handle(), win::TCM_GETITEMRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&tab));
    gdi::POINT p{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
    win::ClientToScreen(pc.Handle(), &p);
    win::inject_mouse_move(p);
    win::inject_mouse_button(p, win::MouseButton::kLeft, true);
    win::inject_mouse_button(p, win::MouseButton::kLeft, false);
    pump();
  }
  HandlerTable handlers_;
  std::vector<std::string> log_;
  TForm* form_ = nullptr;
};

TEST_F(CommonControls, StatusPanelsReachTheWindow) {
  auto& bar = find<TStatusBar>("StatusBar1");
  bar.Panels(3).SetText("COM3");
  char text[64] = {};
  win::SendMessage(bar.Handle(), win::SB_GETTEXT, 3, reinterpret_cast<win::LPARAM>(text));
  EXPECT_STREQ(text, "COM3");
  EXPECT_EQ(win::SendMessage(bar.Handle(), win::SB_GETPARTS, 0, 0), 8);
  EXPECT_THROW(bar.Panels(8), EComponentError);
}

TEST_F(CommonControls, PagesSwitchByCodeSilentlyAndByTheUserWithOnChange) {
  auto& pc = find<TPageControl>("PageControl1");
  auto& ts1 = find<TTabSheet>("ts1");
  auto& ts2 = find<TTabSheet>("ts2");
  EXPECT_EQ(pc.PageCount(), 2);
  EXPECT_EQ(pc.ActivePageIndex(), 0);
  EXPECT_TRUE(win::IsWindowVisible(ts1.Handle()));
  EXPECT_FALSE(win::IsWindowVisible(ts2.Handle()));
  pc.SetActivePageIndex(1);
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(win::IsWindowVisible(ts2.Handle()));
  EXPECT_EQ(win::SendMessage(pc.Handle(), win::TCM_GETCURSEL, 0, 0), 1);

  click_tab(pc, 0);
  EXPECT_EQ(log_, std::vector<std::string>{"page"});
  EXPECT_EQ(pc.ActivePageIndex(), 0);
  EXPECT_TRUE(win::IsWindowVisible(ts1.Handle()));
}

TEST_F(CommonControls, SettingTheDateKeepsTheTimeAndFiresNothing) {
  auto& dtp = find<TDateTimePicker>("DateTimePicker1");
  core::LocalTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 9;
  t.hour = 13;
  t.minute = 45;
  t.second = 10;
  dtp.SetDateTime(t);
  dtp.SetDate(2025, 1, 31);
  core::LocalTime got = dtp.DateTime();
  EXPECT_EQ(got.year, 2025);
  EXPECT_EQ(got.month, 1);
  EXPECT_EQ(got.day, 31);
  EXPECT_EQ(got.hour, 13);
  EXPECT_EQ(got.minute, 45);
  EXPECT_TRUE(log_.empty());
}

TEST_F(CommonControls, LabeledEditDoubleClickClearsThePasswordChar) {
  auto& e = find<TLabeledEdit>("LabeledEdit27");
  EXPECT_EQ(win::SendMessage(e.Handle(), win::EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(e.EditLabel().Parent(), e.Parent());
  EXPECT_LT(e.EditLabel().Top(), e.Top());
  gdi::RECT r;
  win::GetWindowRect(e.Handle(), &r);
  gdi::POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  win::inject_mouse_move(p);
  for (int i = 0; i < 2; ++i) {
    win::inject_mouse_button(p, win::MouseButton::kLeft, true);
    win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  }
  pump();
  EXPECT_EQ(log_, std::vector<std::string>{"dbl"});
  EXPECT_EQ(win::SendMessage(e.Handle(), win::EM_GETPASSWORDCHAR, 0, 0), 0);
  e.SetVisible(false);
  EXPECT_FALSE(e.EditLabel().Visible());
}

TEST_F(CommonControls, PopupMenuRunsTheChosenItem) {
  auto& menu = find<TPopupMenu>("PopupMenu1");
  win::inject_key(win::VK_DOWN, true);
  win::inject_key(win::VK_DOWN, false);
  win::inject_key(win::VK_RETURN, true, U'\r');
  win::inject_key(win::VK_RETURN, false);
  menu.Popup(100, 100);
  EXPECT_EQ(log_, std::vector<std::string>{"N1"});
}

TEST_F(CommonControls, ToolButtonClickRunsItsHandler) {
  auto& bar = find<TToolBar>("ToolBar1");
  auto& button = find<TToolButton>("ToolButton1");
  EXPECT_EQ(win::SendMessage(bar.Handle(), win::TB_BUTTONCOUNT, 0, 0), 1);
  gdi::RECT r{};
  win::SendMessage(bar.Handle(), win::TB_GETRECT, static_cast<win::WPARAM>(button.Command()), reinterpret_cast<win::LPARAM>(&r));
  gdi::POINT p{r.left + 4, (r.top + r.bottom) / 2};
  win::ClientToScreen(bar.Handle(), &p);
  win::inject_mouse_move(p);
  win::inject_mouse_button(p, win::MouseButton::kLeft, true);
  win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  pump();
  EXPECT_EQ(log_, std::vector<std::string>{"connect"});
  button.SetEnabled(false);
  EXPECT_FALSE(win::SendMessage(bar.Handle(), win::TB_ISBUTTONENABLED, static_cast<win::WPARAM>(button.Command()), 0));
}

TEST_F(CommonControls, ToolButtonArrowDropsItsMenu) {
  auto& bar = find<TToolBar>("ToolBar1");
  auto& button = find<TToolButton>("ToolButton1");
  button.DropdownMenu = &find<TPopupMenu>("PopupMenu1");
  gdi::RECT r{};
  win::SendMessage(bar.Handle(), win::TB_GETRECT, static_cast<win::WPARAM>(button.Command()), reinterpret_cast<win::LPARAM>(&r));
  gdi::POINT p{r.right - 3, (r.top + r.bottom) / 2};  // the arrow part
  win::ClientToScreen(bar.Handle(), &p);
  win::inject_mouse_move(p);
  win::inject_mouse_button(p, win::MouseButton::kLeft, true);
  win::inject_mouse_button(p, win::MouseButton::kLeft, false);
  win::inject_key(win::VK_DOWN, true);
  win::inject_key(win::VK_DOWN, false);
  win::inject_key(win::VK_RETURN, true, U'\r');
  win::inject_key(win::VK_RETURN, false);
  pump();
  EXPECT_EQ(log_, std::vector<std::string>{"N1"});
}

// A page without a tab keeps its place among the pages; tabs and pages are told apart both ways.
TEST_F(CommonControls, PagesWithoutTabsAndTheTabsSide) {
  auto& pc = find<TPageControl>("PageControl1");
  auto& ts1 = find<TTabSheet>("ts1");
  auto& ts2 = find<TTabSheet>("ts2");
  auto* ts3 = new TTabSheet(form_);
  ts3->SetCaption("第三");
  ts3->SetPageControl(&pc);
  ts2.SetTabVisible(false);
  EXPECT_EQ(pc.PageCount(), 3);
  EXPECT_EQ(win::SendMessage(pc.Handle(), win::TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(ts1.TabIndex(), 0);
  EXPECT_EQ(ts2.TabIndex(), -1);
  EXPECT_EQ(ts3->TabIndex(), 1);
  EXPECT_EQ(pc.PageForTab(1), ts3);
  EXPECT_EQ(pc.PageForTab(2), nullptr);
  char buf[32];
  win::TCITEM get;
  get.mask = win::TCIF_TEXT;
  get.pszText = buf;
  get.cchTextMax = sizeof buf;
  ASSERT_TRUE(win::SendMessage(pc.Handle(), win::TCM_GETITEM, 1, reinterpret_cast<win::LPARAM>(&get)));
  EXPECT_STREQ(buf, "第三");
  // The user's click on tab 1 shows page 2.
  click_tab(pc, 1);
  EXPECT_EQ(pc.ActivePageIndex(), 2);
  EXPECT_TRUE(win::IsWindowVisible(ts3->Handle()));
  // Freeing a page before the shown one keeps the shown one.
  delete &ts1;
  EXPECT_EQ(pc.ActivePageIndex(), 1);
  EXPECT_EQ(pc.Pages(1), ts3);
  EXPECT_EQ(win::SendMessage(pc.Handle(), win::TCM_GETCURSEL, 0, 0), 0);

  // Tabs on each side: the display area lies on the far side of the tabs.
  for (const auto position : {TTabPosition::tpBottom, TTabPosition::tpLeft, TTabPosition::tpRight, TTabPosition::tpTop}) {
    pc.SetTabPosition(position);
    EXPECT_EQ(pc.PageCount(), 2);
    gdi::RECT t{};
    ASSERT_TRUE(win::SendMessage(pc.Handle(), win::TCM_GETITEMRECT, 0, reinterpret_cast<win::LPARAM>(&t)));
    const gdi::RECT page = ts3->BoundsRect();
    switch (position) {
      case TTabPosition::tpBottom: EXPECT_LE(page.bottom, t.top); break;
      case TTabPosition::tpLeft: EXPECT_GE(page.left, t.right); break;
      case TTabPosition::tpRight: EXPECT_LE(page.right, t.left); break;
      default: EXPECT_GE(page.top, t.bottom); break;
    }
    gdi::RECT back = page;
    win::SendMessage(pc.Handle(), win::TCM_ADJUSTRECT, 1, reinterpret_cast<win::LPARAM>(&back));
    EXPECT_EQ(back.right - back.left, pc.Width());
    EXPECT_EQ(back.bottom - back.top, pc.Height());
  }
}

// Pages and buttons freed before their control leave it: nothing is left pointing at them.
TEST_F(CommonControls, FreedPagesAndButtonsLeaveTheirControl) {
  auto& pc = find<TPageControl>("PageControl1");
  auto& bar = find<TToolBar>("ToolBar1");
  auto* extra = new TToolButton(form_);
  extra->SetCaption("x");
  extra->SetToolBar(&bar);
  EXPECT_EQ(bar.ButtonCount(), 2);
  delete extra;
  EXPECT_EQ(bar.ButtonCount(), 1);
  EXPECT_EQ(win::SendMessage(bar.Handle(), win::TB_BUTTONCOUNT, 0, 0), 1);

  delete &find<TTabSheet>("ts2");
  EXPECT_EQ(pc.PageCount(), 1);
  EXPECT_EQ(win::SendMessage(pc.Handle(), win::TCM_GETITEMCOUNT, 0, 0), 1);
  pc.SetActivePageIndex(0);
  EXPECT_EQ(pc.ActivePageIndex(), 0);
}

}  // namespace
}  // namespace platform::components::test
