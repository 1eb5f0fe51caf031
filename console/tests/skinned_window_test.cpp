// The main window as the skin draws it: the status bar with its eight panels, the page control with
// its three tab sheets, the group boxes and the check boxes, compared pixel for pixel with a golden
// picture of the headless console (THC_UPDATE_GOLDEN=1 rewrites it after the difference was checked).
#include <cstdlib>
#include <filesystem>

#include "console/tests/window_fixture.h"
#include "platform/gdi/png_file.h"
#include "platform/win/controls.h"
#include "platform/win/win.h"
#include "skin/check_skinners.h"
#include "skin/container_skinners.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"
#include "skin/tab_skinners.h"

namespace console::test {
namespace {

namespace gdi = platform::gdi;
namespace win = platform::win;

std::string ConsoleSourceDir() {
  const char* src = std::getenv("THC_SOURCE_DIR");
  return std::string(src ? src : "/work/main") + "/console";
}

gdi::Bitmap WindowOnScreen(win::HWND hwnd) {
  gdi::RECT r;
  win::GetWindowRect(hwnd, &r);
  const gdi::Bitmap screen = win::ComposeScreen(0x000000);
  gdi::Bitmap out(r.right - r.left, r.bottom - r.top, gdi::PixelFormat::k24bit);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.set_pixel(x, y, screen.pixel(r.left + x, r.top + y));
  return out;
}

TEST_F(WindowTest, TheSkinDrawsStatusBarPagesGroupBoxesAndCheckBoxes) {
  ports_.set_ports({"/dev/ttyS0", "/dev/ttyUSB0"});
  // The skin manager outlives a window system that an earlier test reset; this window gets a fresh one.
  skin::DestroySkinManager();
  Start();
  skin::TFormSkinner* f = skin::SkinManager() ? skin::SkinManager()->FindForm(form_->Handle()) : nullptr;
  ASSERT_NE(f, nullptr);
  auto skinner = [&](pc::TControl* c) -> skin::TSkinControl* {
    for (skin::TSkinControl* s : f->FSkinControls)
      if (s->FControl == c) return s;
    return nullptr;
  };
  EXPECT_NE(dynamic_cast<skin::TSkinStatusBar*>(skinner(form_->StatusBar1)), nullptr);
  EXPECT_EQ(form_->StatusBar1->PanelCount(), 8);
  EXPECT_NE(dynamic_cast<skin::TSkinTab*>(skinner(form_->PageControl1)), nullptr);
  EXPECT_EQ(form_->PageControl1->PageCount(), 3);
  EXPECT_NE(dynamic_cast<skin::TSkinGroupBox*>(skinner(form_->GroupBox8)), nullptr);
  for (pc::TControl* c : {static_cast<pc::TControl*>(form_->CheckBox3), static_cast<pc::TControl*>(form_->CheckBox2)})
    EXPECT_NE(dynamic_cast<skin::TSkinCheckBox*>(skinner(c)), nullptr) << c->Name();

  win::RedrawWindow(form_->Handle(), nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
  Pump();
  const gdi::Bitmap shot = WindowOnScreen(form_->Handle());
  const char* bin = std::getenv("THC_BINARY_DIR");
  gdi::write_png_file(std::string(bin ? bin : ".") + "/skinned_console.png", shot);
  const std::string golden = ConsoleSourceDir() + "/tests/golden/skinned_console.png";
  if (std::getenv("THC_UPDATE_GOLDEN")) gdi::write_png_file(golden, shot);
  ASSERT_TRUE(std::filesystem::exists(golden));
  const gdi::Bitmap expected = gdi::read_png_file(golden);
  ASSERT_EQ(expected.width(), shot.width());
  ASSERT_EQ(expected.height(), shot.height());
  int differing = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) differing += expected.pixel(x, y) != shot.pixel(x, y);
  EXPECT_EQ(differing, 0) << "compare skinned_console.png in the binary folder with " << golden;
}

}  // namespace
}  // namespace console::test
