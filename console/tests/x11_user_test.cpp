// The console as a user meets it on X: the main window on a private Xvfb server, the instrument
// simulator on a pseudo-terminal, and every step taken with the keyboard and mouse through the XTEST
// extension, so that each event takes the path a user's does (the server, Xlib's queue, the input
// method, the message loop). A screenshot of every work panel is kept for a person to look at.
// Skipped where Xvfb is not installed; every wait is bounded.
#include <filesystem>
#include <string>

#include "console/tests/simulator_fixture.h"
#include "core/testing/private_xvfb.h"
#include "platform/gdi/png_file.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"
#include "platform/win/win.h"

// Last: the X headers define macros that clash with other headers.
#include "core/testing/x11_input.h"
#undef Status

namespace console::test {
namespace {

namespace win = platform::win;

class ConsoleUserOnX11 : public SimulatorWindowTest {
protected:
  void SetUp() override {
    SimulatorWindowTest::SetUp();
    if (!server_.installed()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(server_.launched());
    if (!server_.started()) GTEST_SKIP() << "Xvfb did not start here";
    auto d = win::make_x11_display(server_.display().c_str());
    ASSERT_NE(d, nullptr);
    win::set_display(std::move(d));
    peer_ = XOpenDisplay(server_.display().c_str());
    ASSERT_NE(peer_, nullptr);
    int ev = 0, err = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(peer_, &ev, &err, &major, &minor)) << "the server has no XTEST";
  }
  void TearDown() override {
    SimulatorWindowTest::TearDown();
    if (peer_) XCloseDisplay(peer_);
  }

  // The centre of a windowed control on the screen.
  static win::POINT Centre(pc::TWinControl& c) {
    win::RECT r;
    win::GetWindowRect(c.Handle(), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickOn(pc::TWinControl& c) {
    ASSERT_TRUE(c.Showing()) << c.Name() << " is not on screen";
    const win::POINT p = Centre(c);
    core::testing::ClickAt(peer_, p.x, p.y);
  }
  // Waits until the server gives the main window the keyboard focus.
  bool Focused() {
    return PumpUntil([&] {
      ::Window focus = 0;
      int revert = 0;
      XGetInputFocus(peer_, &focus, &revert);
      return focus != None && focus != PointerRoot && focus != DefaultRootWindow(peer_);
    });
  }
  // The main window as the X server shows it, written to `name`.png in the build folder.
  void Screenshot(const std::string& name) {
    // What the loop presents when it next waits, presented now.
    Pump();
    const platform::gdi::Bitmap* shown = win::GetBackingBitmap(form_->Handle());
    ASSERT_NE(shown, nullptr);
    win::display().present(form_->Handle(), *shown);
    win::RECT r;
    win::GetWindowRect(form_->Handle(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    XImage* img = XGetImage(peer_, DefaultRootWindow(peer_), r.left, r.top, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    platform::gdi::Bitmap shot(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) shot.set_pixel(x, y, static_cast<platform::gdi::Pixel>(XGetPixel(img, x, y) & 0xFFFFFF));
    XDestroyImage(img);
    const char* bin = std::getenv("THC_BINARY_DIR");
    const std::filesystem::path dir = std::filesystem::path(bin ? bin : old_dir_) / "console_panels";
    std::filesystem::create_directories(dir);
    platform::gdi::write_png_file((dir / (name + ".png")).string(), shot);
  }

  // The screen around the main window and a popup of it (both presented first), written to
  // `name`.png beside the panels' pictures.
  void ScreenRegionShot(win::HWND popup, win::HWND main, const std::string& name) {
    win::display().present(main, *win::GetBackingBitmap(main));
    XSync(peer_, False);
    win::RECT a, b;
    win::GetWindowRect(popup, &a);
    win::GetWindowRect(main, &b);
    const int x0 = std::max(0, std::min(a.left, b.left)), y0 = std::max(0, std::min(a.top, b.top));
    const int x1 = std::min(DisplayWidth(peer_, 0), static_cast<int>(std::max(a.right, b.right)));
    const int y1 = std::min(DisplayHeight(peer_, 0), static_cast<int>(std::max(a.bottom, b.bottom)));
    XImage* img = XGetImage(peer_, DefaultRootWindow(peer_), x0, y0, static_cast<unsigned>(x1 - x0),
                            static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
    if (!img) return;
    platform::gdi::Bitmap shot(x1 - x0, y1 - y0);
    for (int y = 0; y < y1 - y0; ++y)
      for (int x = 0; x < x1 - x0; ++x) shot.set_pixel(x, y, static_cast<platform::gdi::Pixel>(XGetPixel(img, x, y) & 0xFFFFFF));
    XDestroyImage(img);
    const char* bin = std::getenv("THC_BINARY_DIR");
    const std::filesystem::path dir = std::filesystem::path(bin ? bin : old_dir_) / "console_panels";
    std::filesystem::create_directories(dir);
    platform::gdi::write_png_file((dir / (name + ".png")).string(), shot);
  }

  core::testing::PrivateXvfb server_{"1024x768x24"};
  ::Display* peer_ = nullptr;
};

// The steps "Trying it without an instrument" gives: the port settings through the small arrow
// beside " 连接 ", the simulator's link typed into the port box, 9600 typed into the baud box, one
// click on "连接"; then every work panel through its navigation button.
TEST_F(ConsoleUserOnX11, ConnectingByHandAndEveryWorkPanel) {
  sim::Instrument inst;
  inst.set_baud(9600);
  for (const sim::HistoryRecord& r : sim::generate_history({2024, 5, 1, 0, 0, 0}, 3600, 250)) inst.add_history(r);
  for (const sim::AlarmRecord& r : sim::generate_alarms({2024, 5, 1, 8, 0, 0}, 16)) inst.add_alarm(r);
  const std::string link = work_dir_ + "/thc-ttyA";
  StartSimulator(std::move(inst), link);
  Start();
  WatchLine();
  ASSERT_TRUE(Focused());
  Screenshot("start");

  // The drop-down arrow of the tool button opens its menu; its one item is clicked once the menu's
  // window is up (the hook runs inside the menu's own loop, which a posted message wakes).
  // Each hook passes the notice on, so that the skin's own hooks see the menu too.
  win::HHOOK wake = nullptr;
  wake = win::SetWindowsHookEx(
      win::WH_CBT,
      [this, &wake](int code, win::WPARAM wp, win::LPARAM lp) -> win::LRESULT {
        auto* cbt = reinterpret_cast<win::CBT_CREATEWND*>(lp);
        if (code == win::HCBT_CREATEWND && std::string(cbt->lpcs->lpszClass) == win::kMenuClass)
          win::PostMessage(form_->Handle(), win::WM_NULL, 0, 0);
        return win::CallNextHookEx(wake, code, wp, lp);
      },
      nullptr, 0);
  bool chose = false;
  win::LRESULT menu_skinned = 0;
  // The console's buttons, tool bar and popup menu are drawn by the skin.
  EXPECT_EQ(form_->BitBtn9->Perform(0x3523, 0, 0), 1);
  EXPECT_EQ(form_->BitBtn2->Perform(0x3523, 0, 0), 1);
  EXPECT_TRUE(form_->ToolBar1->OnCustomDrawButton);
  EXPECT_TRUE(form_->PopupMenu1->OwnerDraw);
  EXPECT_TRUE(form_->N1->OnDrawItem);
  win::HHOOK choose = nullptr;
  choose = win::SetWindowsHookEx(
      win::WH_MSGFILTER,
      [&](int code, win::WPARAM wp, win::LPARAM lp) -> win::LRESULT {
        win::HWND menu = win::FindWindow(win::kMenuClass, nullptr);
        if (code == win::MSGF_MENU && menu && !chose) {
          chose = true;
          // The menu window is the skin's, and so are its items; kept as a picture for a person.
          menu_skinned = win::SendMessage(menu, 0x3523, 0, 0);
          win::UpdateWindow(menu);
          win::display().present(menu, *win::GetBackingBitmap(menu));
          ScreenRegionShot(menu, form_->Handle(), "popup_menu");
          win::RECT r;
          win::GetWindowRect(menu, &r);
          core::testing::ClickAt(peer_, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        }
        return win::CallNextHookEx(choose, code, wp, lp);
      },
      nullptr, 0);
  win::RECT button{};
  win::SendMessage(form_->ToolBar1->Handle(), win::TB_GETRECT, static_cast<win::WPARAM>(form_->ToolButton1->Command()),
                   reinterpret_cast<win::LPARAM>(&button));
  win::POINT arrow{button.right - 4, (button.top + button.bottom) / 2};
  win::ClientToScreen(form_->ToolBar1->Handle(), &arrow);
  core::testing::ClickAt(peer_, arrow.x, arrow.y);
  ASSERT_TRUE(PumpUntil([&] { return form_->GroupBox3->Showing(); })) << "the port settings did not open";
  EXPECT_TRUE(chose);
  EXPECT_EQ(menu_skinned, 1);
  win::UnhookWindowsHookEx(choose);
  win::UnhookWindowsHookEx(wake);

  // The port box: its text replaced by the link, typed.
  ClickOn(*form_->ComboBox6);
  core::testing::TapKey(peer_, XK_End);
  for (std::size_t i = 0; i < form_->ComboBox6->Text().size(); ++i) core::testing::TapKey(peer_, XK_BackSpace);
  std::u32string typed(link.begin(), link.end());
  ASSERT_TRUE(core::testing::TypeText(peer_, typed));
  ASSERT_TRUE(PumpUntil([&] { return form_->ComboBox6->Text() == link; })) << form_->ComboBox6->Text();
  // The baud box: 9600 typed over its text.
  ClickOn(*form_->ComboBox7);
  core::testing::TapKey(peer_, XK_End);
  for (std::size_t i = 0; i < form_->ComboBox7->Text().size(); ++i) core::testing::TapKey(peer_, XK_BackSpace);
  ASSERT_TRUE(core::testing::TypeText(peer_, U"9600"));
  ASSERT_TRUE(PumpUntil([&] { return form_->ComboBox7->Text() == "9600"; })) << form_->ComboBox7->Text();

  // One click on "连接" is one connect: the probe goes out and the instrument's model comes back.
  ClickOn(*form_->BitBtn2);
  ASSERT_TRUE(Await([&] { return form_->Status(5) == "正常"; })) << form_->Status(5);
  EXPECT_TRUE(form_->State().Connected);
  EXPECT_EQ(BaudOfIndex(form_->State().BaudIndex), 9600);
  EXPECT_GE(sim_->stats().answered, 1u);
  Screenshot("connected");

  // Every work panel through its button, as the user sees it.
  struct PanelCase {
    pc::TBitBtn* button;
    pc::TPanel* panel;
    const char* name;
  };
  const PanelCase panels[] = {{form_->BitBtn9, form_->Panel2, "parameters"},
                              {form_->BitBtn11, form_->Panel5, "history"},
                              {form_->BitBtn10, form_->Panel4, "alarms"},
                              {form_->BitBtn22, form_->Panel7, "tf_card"}};
  for (const PanelCase& c : panels) {
    SCOPED_TRACE(c.name);
    ClickOn(*c.button);
    ASSERT_TRUE(PumpUntil([&] { return c.panel->Showing(); })) << c.name << " not shown";
    ASSERT_TRUE(Await([&] { return LineIdle(); }));
    Pump();
    Screenshot(std::string("panel_") + c.name);
    if (c.panel == form_->Panel2) {
      // The live values read from the instrument, in the parameter panel's measuring group.
      ClickOn(*form_->BitBtn1);
      ASSERT_TRUE(Await([&] { return !form_->LabeledEdit1->Text().empty(); }));
      ASSERT_TRUE(Await([&] { return LineIdle(); }));
      Pump();
      Screenshot("panel_live_values");
    }
  }
  // The history panel's pages are drawn by the skin too.
  for (pc::TTabSheet* sheet : {form_->ts1, form_->ts2, form_->ts3}) EXPECT_EQ(sheet->Perform(0x3523, 0, 0), 1) << sheet->Name();
}

}  // namespace
}  // namespace console::test
