// The main window as the skin draws it: the status bar with its eight panels, the page control with
// its three tab sheets, the group boxes and the check boxes at start-up, then every work panel of a
// connected console, each compared pixel for pixel with a golden picture of the headless console
// (THC_UPDATE_GOLDEN=1 rewrites them after the difference was checked).
#include <cstdlib>
#include <filesystem>

#include "console/crc16.h"
#include "console/tests/recording_reports.h"
#include "console/tests/window_fixture.h"
#include "platform/gdi/png_file.h"
#include "platform/win/controls.h"
#include "platform/win/win.h"
#include "skin/check_skinners.h"
#include "skin/container_skinners.h"
#include "skin/form_skinner.h"
#include "skin/page_skinners.h"
#include "skin/skin_manager.h"
#include "skin/tab_skinners.h"

namespace console::test {
namespace {

namespace gdi = platform::gdi;
namespace win = platform::win;

gdi::Bitmap WindowOnScreen(win::HWND hwnd) {
  gdi::RECT r;
  win::GetWindowRect(hwnd, &r);
  const gdi::Bitmap screen = win::ComposeScreen(0x000000);
  gdi::Bitmap out(r.right - r.left, r.bottom - r.top, gdi::PixelFormat::k24bit);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.set_pixel(x, y, screen.pixel(r.left + x, r.top + y));
  return out;
}

// The window as the screen shows it, kept as `name`.png in the binary folder and compared with the
// golden of that name.
void ExpectGoldenWindow(win::HWND hwnd, const std::string& name) {
  win::RedrawWindow(hwnd, nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_ALLCHILDREN | win::RDW_UPDATENOW);
  pc::Application().ProcessMessages();
  const gdi::Bitmap shot = WindowOnScreen(hwnd);
  const char* bin = std::getenv("THC_BINARY_DIR");
  gdi::write_png_file(std::string(bin ? bin : ".") + "/" + name + ".png", shot);
  const std::string golden = ProjectSourceDir() + "/console/tests/golden/" + name + ".png";
  if (std::getenv("THC_UPDATE_GOLDEN")) gdi::write_png_file(golden, shot);
  ASSERT_TRUE(std::filesystem::exists(golden)) << golden;
  const gdi::Bitmap expected = gdi::read_png_file(golden);
  ASSERT_EQ(expected.width(), shot.width());
  ASSERT_EQ(expected.height(), shot.height());
  int differing = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) differing += expected.pixel(x, y) != shot.pixel(x, y);
  EXPECT_EQ(differing, 0) << "compare " << name << ".png in the binary folder with " << golden;
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

  for (pc::TTabSheet* sheet : {form_->ts1, form_->ts2, form_->ts3})
    EXPECT_NE(dynamic_cast<skin::TSkinTabSheet*>(skinner(sheet)), nullptr) << sheet->Name();
  ExpectGoldenWindow(form_->Handle(), "skinned_console");
}

// The bytes with their CRC after them.
std::vector<std::uint8_t> Framed(std::vector<std::uint8_t> b) {
  const std::uint16_t crc = Crc16Modbus(b.data(), b.size());
  b.push_back(static_cast<std::uint8_t>(crc >> 8));
  b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return b;
}

// A history reply: the two 32-bit counts, then `records` measurements of 2024-03-05 10:00:nn from
// nn = `from` on.
std::vector<std::uint8_t> HistoryReply(std::uint32_t total, std::uint32_t unread, int records, int from) {
  std::vector<std::uint8_t> b = {1, 3, 0};
  for (const std::uint32_t v : {total, unread})
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
  for (int n = from; n < from + records; ++n) {
    const int t = 215 + n, h = 480 + 3 * n;
    b.insert(b.end(), {static_cast<std::uint8_t>(t >> 8), static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(h >> 8),
                       static_cast<std::uint8_t>(h), 24, 3, 5, 10, 0, static_cast<std::uint8_t>(n)});
  }
  b[2] = static_cast<std::uint8_t>(b.size() - 3);
  return Framed(b);
}

// An alarm reply: the counts, then one alarm record of 2018-04-08 09:mm:00.
std::vector<std::uint8_t> AlarmReply(std::uint16_t total, std::uint16_t unread, std::uint8_t kind, std::uint8_t minute) {
  return Framed({1, 3, 14, static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total),
                 static_cast<std::uint8_t>(unread >> 8), static_cast<std::uint8_t>(unread), 0x01, 0x64, 2, kind, 18, 4, 8, 9,
                 minute, 0});
}

// Every work panel of a console connected to a fake instrument, with what the instrument answered:
// the parameter panel with the live values in its measuring group, the history panel with records on
// each of its pages, the alarm panel with alarms and the TF-card panel.
TEST_F(WindowTest, EveryWorkPanelIsSkinnedThroughout) {
  platform::os::FakeSerialPort& port = opener_.add_port("fake0");
  ports_.set_ports({"fake0"});
  Start();
  std::vector<std::string> reports;
  form_->SetReports(std::make_unique<RecordingReports>(&reports));
  auto feed = [&](const std::vector<std::uint8_t>& reply) {
    form_->Comm1ReceiveData(&form_->Comm(), reply.data(), static_cast<std::uint16_t>(reply.size()));
    Pump();
  };
  form_->N1->Click();
  Click(*form_->BitBtn2);
  ASSERT_TRUE(form_->State().Connected);
  ASSERT_FALSE(port.wait_output(8, std::chrono::milliseconds(5000)).empty());
  form_->State().DeviceAddress = 1;

  Click(*form_->BitBtn9);
  ASSERT_TRUE(form_->Panel2->Showing());
  Click(*form_->BitBtn1);  // reads the live values
  ASSERT_EQ(form_->State().ReplyState, ReplyState::rsMeasure);
  // 23.5 degrees, 60.0 %rh, dew point 15.2, high-temperature alarm.
  feed(Framed({1, 3, 12, 0, 235, 2, 88, 0, 152, 0, 0, 0, 0, 0, 1}));
  ASSERT_EQ(form_->LabeledEdit1->Text(), "23.5");
  ExpectGoldenWindow(form_->Handle(), "skinned_panel_parameters");

  Click(*form_->BitBtn11);
  ASSERT_TRUE(form_->Panel5->Showing());
  // The counts queried, then a continuous reading of the eight unread records, one at a time.
  Click(*form_->BitBtn17);
  feed(Framed({1, 3, 8, 0, 0, 0, 8, 0, 0, 0, 8}));
  ASSERT_EQ(form_->LabeledEdit16->Text(), "8");
  form_->CheckBox10->SetChecked(false);
  Click(*form_->BitBtn19);
  for (int i = 0; i < 8; ++i) feed(HistoryReply(8, static_cast<std::uint32_t>(7 - i), 1, i));
  ASSERT_EQ(form_->ListBox2->Count(), 8);
  ASSERT_FALSE(form_->State().ContinuousRead);
  for (int page = 0; page < form_->PageControl1->PageCount(); ++page) {
    SCOPED_TRACE(page);
    form_->PageControl1->SetActivePageIndex(page);
    Pump();
    ExpectGoldenWindow(form_->Handle(), "skinned_panel_history_" + std::to_string(page + 1));
  }
  form_->PageControl1->SetActivePageIndex(0);

  Click(*form_->BitBtn10);
  ASSERT_TRUE(form_->Panel4->Showing());
  // The counts queried, then a continuous reading of the three unread alarms.
  Click(*form_->BitBtn13);
  feed(Framed({1, 3, 4, 0, 3, 0, 3}));
  form_->CheckBox5->SetChecked(true);
  Click(*form_->BitBtn15);
  for (std::uint8_t unread : {2, 1, 0}) feed(AlarmReply(3, unread, 1, static_cast<std::uint8_t>(5 + unread)));
  ASSERT_EQ(form_->ListBox1->Count(), 3);
  ExpectGoldenWindow(form_->Handle(), "skinned_panel_alarms");

  Click(*form_->BitBtn22);
  ASSERT_TRUE(form_->Panel7->Showing());
  ExpectGoldenWindow(form_->Handle(), "skinned_panel_tf_card");
}
}  // namespace
}  // namespace console::test
