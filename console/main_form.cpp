// Start-up, navigation between the work panels, the help and data-folder links, device notices and
// closing.
#include <initializer_list>

#include "console/main_form.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/clock.h"
#include "platform/components/dialogs.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

namespace console {

class Tform1::Timer1Adapter final : public ReplyTimer {
public:
  explicit Timer1Adapter(Tform1& f) : f_(f) {}
  void SetEnabled(bool enabled) override { f_.Timer1->SetEnabled(enabled); }
  void SetInterval(std::uint32_t ms) override { f_.Timer1->SetInterval(ms); }

private:
  Tform1& f_;
};

Tform1::Tform1(pc::TComponent* owner)
    : pc::TForm(owner), reports_(std::make_unique<NoReports>()), timer1_(std::make_unique<Timer1Adapter>(*this)) {}

void Tform1::SetReports(std::unique_ptr<ReportOperations> reports) {
  reports_ = reports ? std::move(reports) : std::make_unique<NoReports>();
}

Tform1::~Tform1() {
  // The serial component belongs to the form's component tree; stop its events first so that no
  // block arrives at a half-destroyed window.
  if (Comm1) {
    Comm1->Comm().OnReceiveData = nullptr;
    Comm1->Comm().OnRequestHangup = nullptr;
  }
  // A tab sheet or tool button does not leave its page control or tool bar when freed: the
  // containers go first, which lets go of them.
  delete PageControl1;
  PageControl1 = nullptr;
  delete ToolBar1;
  ToolBar1 = nullptr;
  DestroyComponents();
}

void Tform1::Build() {
  BuildMainForm(*this);
  Comm1->Comm().OnReceiveData = [this](serial::TComm* s, const void* b, std::uint16_t n) { Comm1ReceiveData(s, b, n); };
  // The line went away under the open port (the adapter pulled, the far end of a pseudo-terminal
  // closed, which the system's device notices do not report): the same notice as a device removal.
  // The link itself is left to the next command's time-out.
  Comm1->Comm().OnRequestHangup = [this](serial::TComm*) { SetStatus(1, "设备移出"); };
  writer_ = [this](std::span<const std::uint8_t> bytes) {
    return Comm1->Comm().SendData(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
  };
}

void Tform1::SetStatus(int panel, std::string_view text) { StatusBar1->Panels(panel).SetText(text); }
std::string Tform1::Status(int panel) { return StatusBar1->Panels(panel).Text(); }

void Tform1::FormCreate(pc::TObject*) {
  // 1. The spreadsheet keeps the legacy format it already has.
  pc::SetPropText(XLS, "Version", "xvExcel97");
  // 2. The day-file lists exist with the state.
  state_.DayFileIndex.assign(kDayFileLists, {});
  // 3. The ports the system lists; the last one is preselected.
  state_.PortNames = ReadPortNames();
  ReplacePortItems(state_.PortNames);
  if (!state_.PortNames.empty()) ComboBox6->SetItemIndex(static_cast<int>(state_.PortNames.size()) - 1);
  // 4. The history panel is the one shown.
  GroupBox3->SetVisible(false);
  Panel2->SetVisible(false);
  Panel4->SetVisible(false);
  Panel8->SetVisible(false);
  Panel5->SetVisible(true);
  // 5. Only connecting is possible without a link.
  BitBtn2->SetEnabled(true);
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{
           BitBtn3, BitBtn1, BitBtn4, BitBtn5, BitBtn6, BitBtn7, BitBtn8, BitBtn45, BitBtn41, BitBtn42, BitBtn43,
           BitBtn44, BitBtn33, BitBtn12, BitBtn23, BitBtn49, BitBtn37, BitBtn13, BitBtn14, BitBtn15, BitBtn17,
           BitBtn18, BitBtn19, BitBtn20, BitBtn21, BitBtn29, CheckBox3, CheckBox5, CheckBox6, CheckBox2}) {
    c->SetEnabled(false);
  }
  // 6.
  PageControl1->SetActivePageIndex(0);
  CheckBox10->SetEnabled(false);
  CheckBox11->SetEnabled(false);
  // 7. Today's date in the record-query pickers (their time of day stays), the clock edits now.
  const core::LocalTime now = core::local_now();
  for (pc::TDateTimePicker* d : std::initializer_list<pc::TDateTimePicker*>{DateTimePicker1, DateTimePicker2, DateTimePicker3}) d->SetDate(now.year, now.month, now.day);
  const int fields[] = {now.year, now.month, now.day, now.hour, now.minute, now.second};
  pc::TEdit* edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
  for (int i = 0; i < 6; ++i) edits[i]->SetText(std::to_string(fields[i]));
  // 8. The reports' folder; a failure is reported and start-up goes on.
  struct stat st {};
  if (::stat(kDataFolder, &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (::mkdir(kDataFolder, 0777) != 0) {
      const int err = errno;
      pc::Application().HandleException(std::system_error(err, std::generic_category(), "I/O error creating folder \"data\""));
    }
  }
}

void Tform1::FormClose(pc::TObject*, pc::TCloseAction&) {
  // An open port is left to end with the process, as the window always did.
  pc::Application().Terminate();
}

void Tform1::DeviceChange(pc::TMessage& m) {
  if (m.WParam == 0x8000) SetStatus(1, "设备接入");
  else if (m.WParam == 0x8004) SetStatus(1, "设备移出");
  m.Result = 0;
}

void Tform1::ShowWorkPanel(pc::TPanel* shown, std::string_view mode) {
  for (pc::TPanel* p : std::initializer_list<pc::TPanel*>{Panel2, Panel4, Panel5, Panel7, Panel8}) {
    if (p != shown) p->SetVisible(false);
  }
  shown->SetVisible(true);
  SetStatus(3, mode);
  ToolButton1->SetEnabled(true);
}

void Tform1::BitBtn9Click(pc::TObject*) {
  ShowWorkPanel(Panel2, "参数设置");
  if (state_.Connected) Send(Command::NavigationRead, ParameterReadFrame(AddressFromEdit()));
}
void Tform1::BitBtn10Click(pc::TObject*) { ShowWorkPanel(Panel4, "告警记录"); }
void Tform1::BitBtn11Click(pc::TObject*) { ShowWorkPanel(Panel5, "历史记录"); }
void Tform1::BitBtn22Click(pc::TObject*) {
  ShowWorkPanel(Panel7, "TF卡导出");
  Panel9->SetVisible(false);
  // A search comes first.
  for (pc::TControl* c : std::initializer_list<pc::TControl*>{BitBtn30, BitBtn31, ComboBox19, DateTimePicker4,
                                                               DateTimePicker5}) {
    c->SetEnabled(false);
  }
  ToolButton1->SetEnabled(false);
}

void Tform1::N1Click(pc::TObject*) { GroupBox3->SetVisible(true); }

void Tform1::Image1Click(pc::TObject*) { platform::os::shell().open("仪表软件使用说明-V138.chm"); }
void Tform1::lbl1Click(pc::TObject*) { platform::os::shell().open("仪表软件使用说明-V137.chm"); }
// Opens the folder the reports are written to (under the working directory).
void Tform1::OpenDataFolder(pc::TObject*) { platform::os::shell().open(kDataFolder); }

void Tform1::RevealCalibration(pc::TObject*) {
  LabeledEdit27->SetPasswordChar(0);
  LabeledEdit28->SetPasswordChar(0);
}

}  // namespace console
