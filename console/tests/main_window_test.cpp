// The main window after start-up, navigation, the links, and every command of the catalogue sent
// through the window onto a fake serial port.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "console/crc16.h"
#include "console/device_watcher.h"
#include "console/images.h"
#include "console/tests/window_fixture.h"
#include "platform/components/graphics.h"
#include "platform/gdi/bmp_file.h"
#include "platform/os/device_notices.h"
#include "platform/win/controls.h"
#include "platform/win/win.h"

namespace console::test {
namespace {

using pc::DialogKind;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The frame with its CRC, low byte first on the line.
Bytes WithCrc(Bytes b) {
  const std::uint16_t crc = Crc16Modbus(b.data(), b.size());
  b.push_back(static_cast<std::uint8_t>(crc >> 8));
  b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  return b;
}

TEST_F(WindowTest, FormAfterStartMatchesGolden) {
  ports_.set_ports({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"});
  Start();
  const std::string dump = DumpForm(*form_);
  const std::string golden_path = ProjectSourceDir() + "/console/tests/golden/form_after_start.txt";
  if (std::getenv("THC_UPDATE_GOLDEN")) {
    std::ofstream(golden_path, std::ios::binary) << dump;
  }
  EXPECT_EQ(dump, ReadFile(golden_path)) << "regenerate with THC_UPDATE_GOLDEN=1 after checking the difference";
}

// Every label of the window (the labelled edits' own labels too) and the texts the console writes
// into the status bar and the TF-card result fit where they are shown.
TEST_F(WindowTest, LabelsStatusPanelsAndResultsHoldTheirTexts) {
  Start();
  pc::TBitmap measure;
  measure.SetSize(1, 1);
  auto width_in = [&](pc::TFont& font, std::string_view text) {
    measure.Canvas().Font.Assign(font);
    return measure.Canvas().TextWidth(text);
  };
  int labels = 0;
  std::function<void(pc::TComponent*)> visit = [&](pc::TComponent* c) {
    for (int i = 0; i < c->ComponentCount(); ++i) {
      pc::TComponent* child = c->Components(i);
      if (auto* label = dynamic_cast<pc::TLabel*>(child)) {
        ++labels;
        EXPECT_GE(label->Width(), width_in(label->Font, label->Caption())) << label->Name() << " \"" << label->Caption() << "\"";
      }
      visit(child);
    }
  };
  visit(form_);
  EXPECT_GT(labels, 40);
  const std::vector<std::pair<int, std::vector<std::string>>> panels = {
      {0, {"端口状态："}},
      {1, {"检测中", "设备接入", "设备移出", "TF卡插入"}},
      {2, {"模式："}},
      {3, {"参数设置", "TF卡导出"}},
      {4, {"通讯状态："}},
      {5, {"无未读记录", "该版本不支持", "正在检查...", "缺失记录250条"}},
      {6, {"统计："}},
      {7, {"THVKM,30万组,PT,V12", "成功:250,失败:100", "已导出10天2500条/10天记录！"}},
  };
  for (const auto& [panel, texts] : panels) {
    platform::gdi::RECT r{};
    ASSERT_TRUE(platform::win::SendMessage(form_->StatusBar1->Handle(), platform::win::SB_GETRECT, static_cast<platform::win::WPARAM>(panel),
                                           reinterpret_cast<platform::win::LPARAM>(&r)));
    for (const std::string& t : texts)
      EXPECT_GE(r.right - r.left - 5, width_in(form_->StatusBar1->Font, t)) << "panel " << panel << " \"" << t << "\"";
  }
  platform::gdi::RECT er{};
  platform::win::GetClientRect(form_->Edit7->Handle(), &er);
  EXPECT_GE(er.right - er.left - 4, width_in(form_->Edit7->Font, "搜索完成,共12设备365天的记录文件!"));
}

// Whether `picture` (its bottom-left colour transparent) appears unchanged somewhere inside `area`
// of `shown`.
bool ShowsPicture(const platform::gdi::Bitmap& shown, const platform::gdi::RECT& area, const platform::gdi::Bitmap& picture) {
  const int w = picture.width(), h = picture.height();
  const platform::gdi::Pixel key = picture.pixel(0, h - 1);
  for (int y = std::max(0, static_cast<int>(area.top)); y + h <= std::min(shown.height(), static_cast<int>(area.bottom)); ++y)
    for (int x = std::max(0, static_cast<int>(area.left)); x + w <= std::min(shown.width(), static_cast<int>(area.right)); ++x) {
      bool same = true;
      for (int py = 0; py < h && same; ++py)
        for (int px = 0; px < w && same; ++px)
          if (picture.pixel(px, py) != key && shown.pixel(x + px, y + py) != picture.pixel(px, py)) same = false;
      if (same) return true;
    }
  return false;
}

// The window shows its own images: the glyph of every glyph button, the help and data-folder icons
// and the tool button's image.
TEST_F(WindowTest, ButtonsIconsAndTheToolButtonShowTheirImages) {
  Start();
  form_->N1->Click();
  struct Shown {
    pc::TControl* control;
    const char* image;
  };
  std::vector<Shown> cases = {{form_->Image1, "help"}, {form_->Image2, "data"}, {form_->ToolBar1, "connect"}};
  const std::pair<pc::TBitBtn*, const char*> glyphs[] = {
      {form_->BitBtn9, "settings"}, {form_->BitBtn11, "history"}, {form_->BitBtn10, "alarm"}, {form_->BitBtn22, "card"},
      {form_->BitBtn2, "connect"},  {form_->BitBtn3, "disconnect"}, {form_->BitBtn41, "record_on"},
      {form_->BitBtn44, "alarm_off"}, {form_->BitBtn12, "sleep"},  {form_->BitBtn19, "read"},
      {form_->BitBtn20, "clear"},   {form_->BitBtn17, "search"},  {form_->BitBtn18, "reset"}};
  for (auto [button, image] : glyphs) {
    // Enabled, so that the glyph shows in its colours rather than greyed.
    button->SetEnabled(true);
    cases.push_back({button, image});
  }
  Pump();
  const platform::gdi::Bitmap* shown = platform::win::GetBackingBitmap(form_->Handle());
  ASSERT_NE(shown, nullptr);
  platform::gdi::RECT form_rect;
  platform::win::GetWindowRect(form_->Handle(), &form_rect);
  for (const Shown& c : cases) {
    SCOPED_TRACE(c.control->Name());
    platform::gdi::RECT r;
    if (auto* w = dynamic_cast<pc::TWinControl*>(c.control)) {
      platform::win::GetWindowRect(w->Handle(), &r);
    } else {
      platform::gdi::POINT origin{0, 0};
      platform::win::ClientToScreen(c.control->Parent()->Handle(), &origin);
      r = {origin.x + c.control->Left(), origin.y + c.control->Top(), origin.x + c.control->Left() + c.control->Width(),
           origin.y + c.control->Top() + c.control->Height()};
    }
    platform::gdi::OffsetRect(&r, -form_rect.left, -form_rect.top);
    const platform::gdi::Bitmap picture = platform::gdi::read_bmp(ImageAsset(c.image));
    EXPECT_TRUE(ShowsPicture(*shown, r, picture)) << c.image;
  }
}

TEST_F(WindowTest, StartUpEdgeCases) {
  // No ports: the port selector keeps the form's text and has no items.
  Start();
  EXPECT_EQ(form_->ComboBox6->Text(), "COM1");
  EXPECT_EQ(form_->ComboBox6->Items().Count(), 0);
  EXPECT_EQ(form_->ComboBox6->ItemIndex(), -1);
  // The clock edits show the start time without leading zeros (May is "5", not "05").
  EXPECT_EQ(form_->Edit2->Text(), "5");
  EXPECT_EQ(form_->Edit4->Text(), "7");
  // The pickers take today's date and keep the form's time of day.
  const auto d = form_->DateTimePicker2->DateTime();
  EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20240506);
  EXPECT_EQ(d.hour * 10000 + d.minute * 100 + d.second, 171127);
  // The TF-card pickers are not touched.
  EXPECT_EQ(form_->DateTimePicker4->DateTime().year, 2014);
  struct stat st {};
  EXPECT_EQ(::stat("data", &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(WindowTest, PortListRefreshAdoptsAChangedCount) {
  ports_.set_ports({"/dev/a", "/dev/b", "/dev/c"});
  Start();
  EXPECT_EQ(form_->ComboBox6->ItemIndex(), 2);
  // The first refresh comes after one second, then every three.
  ports_.set_ports({"/dev/a", "/dev/b", "/dev/c", "/dev/d"});
  Pass(999);
  EXPECT_EQ(form_->ComboBox6->Items().Count(), 3);
  Pass(1);
  EXPECT_EQ(form_->ComboBox6->Items().Count(), 4);
  EXPECT_EQ(form_->ComboBox6->ItemIndex(), 3);
  EXPECT_EQ(form_->Timer3->Interval(), 3000u);
  // Same length, other names: shown, but the selection stays.
  form_->ComboBox6->SetItemIndex(1);
  ports_.set_ports({"/dev/a", "/dev/x", "/dev/c", "/dev/d"});
  Pass(3000);
  EXPECT_EQ(form_->ComboBox6->Items().Get(1), "/dev/x");
  EXPECT_EQ(form_->ComboBox6->ItemIndex(), 1);
}

TEST_F(WindowTest, NavigationLinksAndNotices) {
  Start();
  struct Case {
    pc::TBitBtn* pc::TForm::*dummy;
  };
  struct Nav {
    pc::TBitBtn* button;
    pc::TPanel* shown;
    const char* mode;
  };
  const Nav navs[] = {{form_->BitBtn9, form_->Panel2, "参数设置"},
                      {form_->BitBtn10, form_->Panel4, "告警记录"},
                      {form_->BitBtn22, form_->Panel7, "TF卡导出"},
                      {form_->BitBtn11, form_->Panel5, "历史记录"}};
  for (const Nav& n : navs) {
    Click(*n.button);
    SCOPED_TRACE(n.mode);
    for (pc::TPanel* p : {form_->Panel2, form_->Panel4, form_->Panel5, form_->Panel7, form_->Panel8}) {
      EXPECT_EQ(p->Visible(), p == n.shown) << p->Name();
    }
    EXPECT_EQ(form_->Status(3), n.mode);
    // The TF-card panel needs no link: its connect button is off there.
    EXPECT_EQ(form_->ToolButton1->Enabled(), n.button != form_->BitBtn22);
  }
  // Not connected: the parameter panel sends nothing.
  EXPECT_EQ(form_->State().TxLength, 0);

  // The menu item shows the port group; nothing hides it again.
  EXPECT_FALSE(form_->GroupBox3->Visible());
  form_->N1->Click();
  EXPECT_TRUE(form_->GroupBox3->Visible());

  // Help from the icon and from the label name different files; both links open the data folder.
  form_->Image1->Click();
  form_->lbl1->Click();
  form_->Image2->Click();
  form_->Label8->Click();
  using Call = platform::os::RecordingShell::Call;
  EXPECT_EQ(shell_.calls(), (std::vector<Call>{{"仪表软件使用说明-V138.chm", ""},
                                                {"仪表软件使用说明-V137.chm", ""},
                                                {"data", ""},
                                                {"data", ""}}));

  // Double-clicking either calibration edit unmasks both.
  EXPECT_EQ(form_->LabeledEdit27->PasswordChar(), '*');
  form_->LabeledEdit28->DblClick();
  EXPECT_EQ(form_->LabeledEdit27->PasswordChar(), 0);
  EXPECT_EQ(form_->LabeledEdit28->PasswordChar(), 0);

  // Device notices write the port state; others are ignored.
  platform::win::SendMessage(form_->Handle(), platform::win::WM_DEVICECHANGE, 0x8000, 0);
  EXPECT_EQ(form_->Status(1), "设备接入");
  platform::win::SendMessage(form_->Handle(), platform::win::WM_DEVICECHANGE, 0x0007, 0);
  EXPECT_EQ(form_->Status(1), "设备接入");
  platform::win::SendMessage(form_->Handle(), platform::win::WM_DEVICECHANGE, 0x8004, 0);
  EXPECT_EQ(form_->Status(1), "设备移出");
}

// A window connected by hand to a fake port whose instrument (the test) stays silent unless told.
class ConnectedWindow : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    port_ = &opener_.add_port("fake0");
    ports_.set_ports({"fake0"});
    Start();
    form_->N1->Click();
    form_->LabeledEdit14->SetText("5");
    Click(*form_->BitBtn2);
    ASSERT_TRUE(form_->State().Connected);
    // The probe to 255 went out.
    ASSERT_EQ(Output(8), WithCrc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01}));
  }
  Bytes Output(std::size_t n) { return port_->wait_output(n, std::chrono::milliseconds(5000)); }
  platform::os::FakeSerialPort* port_ = nullptr;
};

// The system's notice of a serial device that goes away reaches the window through the watcher and
// overwrites the port state while the link stays as it is.
TEST_F(ConnectedWindow, TheSystemsDeviceNoticesReachTheStatusBar) {
  platform::os::FakeDeviceNotices notices;
  platform::os::Services doubles;
  doubles.notices = &notices;
  platform::os::ScopedServices scoped(doubles);
  DeviceWatcher watcher(form_->Handle());
  const struct {
    platform::os::DeviceChange change;
    const char* shown;
  } cases[] = {{platform::os::DeviceChange::Removal, "设备移出"}, {platform::os::DeviceChange::Arrival, "设备接入"}};
  for (const auto& c : cases) {
    notices.post({c.change, platform::os::DeviceClass::Serial, "ttyUSB0", "/devices/pci0000:00/usb1/ttyUSB0"});
    EXPECT_TRUE(PumpUntil([&] { return form_->Status(1) == c.shown; })) << c.shown;
    EXPECT_TRUE(form_->State().Connected);
    EXPECT_TRUE(form_->BitBtn3->Enabled());
  }
}

TEST_F(ConnectedWindow, ConnectEnablesTheCommandsAndDisconnectDropsThem) {
  EXPECT_EQ(form_->Status(1), "打开");
  EXPECT_EQ(form_->State().ReplyState, ReplyState::rsProbeManual);
  EXPECT_EQ(form_->State().DeviceAddress, 5);
  EXPECT_EQ(form_->Status(7), "记录条数:0");
  EXPECT_FALSE(form_->BitBtn2->Enabled());
  EXPECT_TRUE(form_->BitBtn3->Enabled());
  EXPECT_TRUE(form_->BitBtn1->Enabled());
  EXPECT_FALSE(form_->BitBtn14->Enabled());
  EXPECT_FALSE(form_->ToolButton1->Enabled());
  EXPECT_FALSE(form_->ComboBox6->Enabled());
  EXPECT_TRUE(form_->CheckBox3->Checked());
  EXPECT_TRUE(form_->CheckBox10->Checked());
  EXPECT_FALSE(form_->Timer3->Enabled());
  EXPECT_TRUE(form_->Timer1->Enabled());
  EXPECT_EQ(port_->settings().baud_rate, 1000000u);  // the form's baud item

  Click(*form_->BitBtn3);
  EXPECT_FALSE(port_->is_open());
  EXPECT_FALSE(form_->State().Connected);
  EXPECT_EQ(form_->Status(1), "关闭");
  EXPECT_EQ(form_->Status(3), "");
  EXPECT_TRUE(form_->BitBtn2->Enabled());
  EXPECT_FALSE(form_->BitBtn1->Enabled());
  EXPECT_FALSE(form_->CheckBox3->Checked());
  EXPECT_FALSE(form_->CheckBox3->Enabled());
  EXPECT_TRUE(form_->Timer3->Enabled());
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_TRUE(form_->ToolButton1->Enabled());
}

TEST_F(ConnectedWindow, EveryCommandPutsItsFrameOnTheLine) {
  form_->BitBtn9->Click();  // the parameter panel also reads the block when connected
  EXPECT_EQ(Output(8), WithCrc({5, 0x03, 0x00, 0xC8, 0x00, 0x18}));
  form_->LabeledEdit8->SetText("-0.5");
  form_->ComboBox1->SetItemIndex(2);
  form_->ComboBox18->SetItemIndex(3);
  form_->Edit1->SetText("2030");
  form_->Edit2->SetText("13");
  form_->Edit3->SetText("1");
  form_->Edit4->SetText("2");
  form_->Edit5->SetText("3");
  form_->Edit6->SetText("4");
  struct Case {
    pc::TBitBtn* button;
    std::vector<std::pair<DialogKind, std::string>> input;  // an input box answered with this text
    Bytes frame;
    std::string status;
  };
  Bytes params = {5, 0x10, 0x00, 0xC8, 0x00, 0x18, 0x30,
                  0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,   // address 1, 115200, N 8 1, Celsius
                  0xFF, 0xFB, 0x00, 0x00, 0x00, 0x01,               // -0.5, 0, hysteresis 0.1
                  0x03, 0x20, 0x00, 0x64, 0x00, 0x0A,               // 80, 10, 1
                  0x00, 0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x0F,   // relay modes and links
                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3C,   // levels, password 0, interval 60
                  0x04, 0xD2, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00,   // 1234, 20, calibrations
                  0x00, 0x01, 0x00, 0x03};                          // recording on, 声光报警
  const Case cases[] = {
      {form_->BitBtn1, {}, WithCrc({5, 0x03, 0x00, 0x00, 0x00, 0x06}), "读取中..."},
      {form_->BitBtn4, {}, WithCrc({5, 0x03, 0x00, 0xC8, 0x00, 0x18}), "读取中..."},
      {form_->BitBtn5, {}, WithCrc(params), "设置中..."},
      {form_->BitBtn6, {}, WithCrc({5, 0x03, 0x00, 0xE0, 0x00, 0x03}), "读取中..."},
      {form_->BitBtn7, {}, WithCrc({5, 0x03, 0x00, 0xE3, 0x00, 0x03}), "读取中..."},
      // No calendar check: month 13 goes out as typed.
      {form_->BitBtn45, {}, WithCrc({5, 0x10, 0x00, 0xE3, 0x00, 0x03, 0x06, 30, 13, 1, 2, 3, 4}), "设置中..."},
      // The PC's clock, 2024-05-06 07:08:09.
      {form_->BitBtn8, {}, WithCrc({5, 0x10, 0x00, 0xE0, 0x00, 0x03, 0x06, 24, 5, 6, 7, 8, 9}), "设置中..."},
      {form_->BitBtn41, {}, WithCrc({5, 0x10, 0x00, 0xDE, 0x00, 0x01, 0x02, 0x00, 0x01}), "正在设置..."},
      {form_->BitBtn42, {}, WithCrc({5, 0x10, 0x00, 0xDE, 0x00, 0x01, 0x02, 0x00, 0x00}), "正在设置..."},
      {form_->BitBtn43, {}, WithCrc({5, 0x10, 0x00, 0xE9, 0x00, 0x01, 0x02, 0x00, 0x03}), "正在设置..."},
      {form_->BitBtn44, {}, WithCrc({5, 0x10, 0x00, 0xE9, 0x00, 0x01, 0x02, 0x00, 0x00}), "正在设置..."},
      {form_->BitBtn33, {{DialogKind::kInputBox, "5817"}}, WithCrc({5, 0x06, 0x01, 0x2C, 0x00, 0x01}), "正在清除..."},
      {form_->BitBtn12, {}, WithCrc({5, 0x06, 0x00, 0xE6, 0x00, 0x04}), "正在设置..."},
      {form_->BitBtn23, {}, WithCrc({5, 0x06, 0x00, 0xE6, 0x00, 0x00}), "正在设置..."},
      {form_->BitBtn49, {{DialogKind::kInputBox, "2"}}, WithCrc({5, 0x06, 0x00, 0xE6, 0x00, 0x02}), "正在设置..."},
      {form_->BitBtn37, {}, WithCrc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01}), "读取中..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button->Name());
    for (const auto& [kind, text] : c.input) dialogs_->Expect(kind, "", "", 1, text);
    c.button->Click();
    EXPECT_EQ(Output(c.frame.size()), c.frame);
    EXPECT_EQ(form_->Status(5), c.status);
    EXPECT_TRUE(form_->Timer1->Enabled());
    EXPECT_EQ(form_->State().RetryCount, 0);
  }
  // The clock calibration shows what it sent.
  EXPECT_EQ(form_->Edit1->Text(), "2024");
  EXPECT_EQ(form_->Edit2->Text(), "5");
  // What an acknowledgement does belongs to the request under way: the save's adoption of address
  // and baud rate does not outlive the requests sent after it.
  EXPECT_EQ(form_->State().PostWriteAction, 0);
}

TEST_F(ConnectedWindow, BadEntriesSendNothing) {
  const Bytes none;
  auto quiet = [&] {
    Pump();
    return port_->take_output();
  };
  // Each bad entry stops its command with a clear message; nothing goes out, no flag is left set.
  form_->BitBtn9->Click();  // the parameter panel is shown, so that real clicks reach its buttons
  Output(8);
  for (const char* address : {"300", "abc", "-1"}) {
    form_->LabeledEdit14->SetText(address);
    dialogs_->Expect(DialogKind::kException, "", address[0] == '3' ? "address" : "");
    Click(*form_->BitBtn4);
    EXPECT_EQ(quiet(), none) << address;
  }
  form_->LabeledEdit14->SetText("5");

  dialogs_->Expect(DialogKind::kException, "", "LabeledEdit7");
  form_->LabeledEdit7->SetText("300");
  Click(*form_->BitBtn5);
  EXPECT_EQ(quiet(), none);
  EXPECT_EQ(form_->State().PostWriteAction, 0);
  form_->LabeledEdit7->SetText("1");

  dialogs_->Expect(DialogKind::kException, "", "ComboBox1");  // its text "19200" with no item selected
  Click(*form_->BitBtn5);
  EXPECT_EQ(quiet(), none);

  dialogs_->Expect(DialogKind::kException, "", "Edit1");
  form_->Edit1->SetText("1999");
  Click(*form_->BitBtn45);
  EXPECT_EQ(quiet(), none);

  // The energy level: 5 is refused with the window's own message, an empty box does nothing.
  dialogs_->Expect(DialogKind::kInputBox, "节能等级设置  ", "请输入节能等级0~4", 1, "5");
  dialogs_->Expect(DialogKind::kShowMessage, "", "数值超范围");
  dialogs_->Expect(DialogKind::kInputBox, "", "", 1, "-1");
  dialogs_->Expect(DialogKind::kShowMessage, "", "数值超范围");
  dialogs_->Expect(DialogKind::kInputBox, "", "", 2, "");
  for (int i = 0; i < 3; ++i) Click(*form_->BitBtn49);
  EXPECT_EQ(quiet(), none);

  // A wrong clear password does nothing and says nothing.
  dialogs_->Expect(DialogKind::kInputBox, "清除记录", "请输入清除密码,默认密码:5817", 1, "5817 ");
  Click(*form_->BitBtn33);
  EXPECT_EQ(quiet(), none);
  EXPECT_NE(form_->Status(5), "正在清除...");
}

TEST_F(ConnectedWindow, SilenceGivesThreeRetriesThenTheTimeOutText) {
  Click(*form_->BitBtn9);
  Output(8);
  Click(*form_->BitBtn4);
  const Bytes frame = WithCrc({5, 0x03, 0x00, 0xC8, 0x00, 0x18});
  EXPECT_EQ(Output(8), frame);
  const int opens = port_->open_count();
  // 2000 ms for the parameter read, then 2000 ms per retry.
  Pass(1999);
  EXPECT_EQ(port_->take_output(), Bytes{});
  for (int retry = 1; retry <= 3; ++retry) {
    Pass(retry == 1 ? 1 : 2000);
    SCOPED_TRACE(retry);
    EXPECT_EQ(Output(8), frame);
    EXPECT_EQ(port_->open_count(), opens + retry);  // closed and opened again each time
    EXPECT_EQ(form_->State().RetryCount, retry);
  }
  Pass(2000);
  EXPECT_EQ(form_->Status(5), "接收超时");
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_EQ(form_->State().RetryCount, 0);
  EXPECT_EQ(port_->take_output(), Bytes{});
}

TEST_F(ConnectedWindow, FailedReopenDropsTheLink) {
  port_->fail_next_open(platform::os::SerialErrorKind::Busy);
  Pass(1000);  // the probe's time-out: the retry cannot reopen the port
  EXPECT_EQ(form_->Status(5), "端口错误");
  EXPECT_EQ(form_->Status(1), "关闭");
  EXPECT_FALSE(form_->State().Connected);
  EXPECT_TRUE(form_->BitBtn2->Enabled());
  EXPECT_TRUE(form_->Timer3->Enabled());
}

TEST_F(WindowTest, ConnectToAPortThatCannotOpen) {
  ports_.set_ports({"nothing"});
  Start();
  form_->N1->Click();
  dialogs_->Expect(DialogKind::kShowMessage, "", "打开端口错误,可能已被打开");
  Click(*form_->BitBtn2);
  EXPECT_EQ(form_->Status(1), "关闭");
  EXPECT_FALSE(form_->State().Connected);
  EXPECT_TRUE(form_->Timer3->Enabled());
}

TEST_F(WindowTest, ScanWithoutPorts) {
  Start();
  dialogs_->Expect(DialogKind::kShowMessage, "", "请连接设备，检查串口参数设置！");
  form_->ToolButton1->Click();
  EXPECT_EQ(form_->Status(5), "检查失败");
  EXPECT_TRUE(form_->ToolButton1->Enabled());
}

TEST_F(WindowTest, ScanOfSilentPortsTriesEveryPortAndBaudThenFails) {
  auto& a = opener_.add_port("A");
  auto& b = opener_.add_port("B");
  ports_.set_ports({"A", "B"});
  Start();
  dialogs_->Expect(DialogKind::kShowMessage, "", "连接失败,请连接仪表");
  form_->ToolButton1->Click();
  // The first attempt uses what the port group shows: the last port at the form's baud rate.
  EXPECT_TRUE(b.is_open());
  EXPECT_EQ(b.wait_output(8, std::chrono::milliseconds(5000)), WithCrc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01}));
  // The steps: B at 9600, 19200, 115200, 1000000, then A likewise, waiting as long as each rate needs.
  const int waits[] = {1000, 1000, 800, 500, 200, 100, 1000, 800, 500, 200};
  std::vector<std::uint32_t> bauds;
  for (int w : waits) {
    Pass(w);
    auto* p = a.is_open() ? &a : (b.is_open() ? &b : nullptr);
    if (!p) continue;
    bauds.push_back(p->settings().baud_rate * (p == &a ? 1 : 10));
    EXPECT_EQ(p->wait_output(8, std::chrono::milliseconds(5000)), WithCrc({0xFF, 0x03, 0x00, 0xC8, 0x00, 0x01}));
  }
  Pass(200);
  EXPECT_EQ(bauds, (std::vector<std::uint32_t>{96000, 192000, 1152000, 10000000, 9600, 19200, 115200, 1000000}));
  EXPECT_EQ(form_->Status(5), "检测失败");
  EXPECT_TRUE(form_->GroupBox3->Visible());
  EXPECT_FALSE(form_->State().Connected);
  EXPECT_FALSE(form_->Timer6->Enabled());
}

}  // namespace
}  // namespace console::test
