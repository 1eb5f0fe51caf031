// The console's main window: its controls as the form definition creates them, the console state,
// and the handlers of start-up, navigation, link handling and the command catalogue.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_state.h"
#include "console/form_components.h"
#include "console/frames.h"
#include "console/records.h"
#include "console/report_operations.h"
#include "console/requests.h"
#include "platform/components/comctrls.h"
#include "platform/components/controls.h"
#include "platform/components/std_ctrls.h"
#include "skin/skin_data.h"

namespace console {

namespace pc = platform::components;

// The folder that reports go to, under the working directory.
inline constexpr const char* kDataFolder = "data";
inline constexpr const char* kWindowTitle = "Merivo-D155-2018.12.27";

class Tform1 : public pc::TForm {
public:
  explicit Tform1(pc::TComponent* owner);
  ~Tform1() override;
  std::string ClassName() const override { return "Tform1"; }

  // Creates the components from the form definition and binds the handlers; the application then
  // runs OnCreate (FormCreate).
  void Build();

  ConsoleState& State() { return state_; }
  serial::TComm& Comm() { return Comm1->Comm(); }
  // Where every frame goes out (to the serial component); a test wraps it to watch the line.
  FrameWriter& Writer() { return writer_; }

  // ---- the form's named components ----
#define THC_CONTROLS(X)                                                                                            \
  X(TPanel, Panel1) X(TPanel, Panel2) X(TPanel, Panel3) X(TPanel, Panel4) X(TPanel, Panel5) X(TPanel, Panel7)     \
  X(TPanel, Panel8) X(TPanel, Panel9)                                                                              \
  X(TImage, Image1) X(TImage, Image2) X(TLabel, Label8) X(TLabel, lbl1) X(TLabel, Label5) X(TLabel, Label6)        \
  X(TLabel, Label7) X(TLabel, Label9) X(TLabel, Label10) X(TLabel, Label11) X(TLabel, Label18) X(TLabel, Label19)  \
  X(TLabel, Label20)                                                                                               \
  X(TGroupBox, GroupBox1) X(TGroupBox, GroupBox2) X(TGroupBox, GroupBox3) X(TGroupBox, GroupBox4)                  \
  X(TGroupBox, GroupBox5) X(TGroupBox, GroupBox6) X(TGroupBox, GroupBox7) X(TGroupBox, GroupBox8)                  \
  X(TGroupBox, GroupBox9) X(TGroupBox, GroupBox10) X(TGroupBox, GroupBox14)                                        \
  X(TBitBtn, BitBtn1) X(TBitBtn, BitBtn2) X(TBitBtn, BitBtn3) X(TBitBtn, BitBtn4) X(TBitBtn, BitBtn5)              \
  X(TBitBtn, BitBtn6) X(TBitBtn, BitBtn7) X(TBitBtn, BitBtn8) X(TBitBtn, BitBtn9) X(TBitBtn, BitBtn10)             \
  X(TBitBtn, BitBtn11) X(TBitBtn, BitBtn12) X(TBitBtn, BitBtn13) X(TBitBtn, BitBtn14) X(TBitBtn, BitBtn15)         \
  X(TBitBtn, BitBtn16) X(TBitBtn, BitBtn17) X(TBitBtn, BitBtn18) X(TBitBtn, BitBtn19) X(TBitBtn, BitBtn20)         \
  X(TBitBtn, BitBtn21) X(TBitBtn, BitBtn22) X(TBitBtn, BitBtn23) X(TBitBtn, BitBtn28) X(TBitBtn, BitBtn29)         \
  X(TBitBtn, BitBtn30) X(TBitBtn, BitBtn31) X(TBitBtn, BitBtn33) X(TBitBtn, BitBtn34) X(TBitBtn, BitBtn37)         \
  X(TBitBtn, BitBtn41) X(TBitBtn, BitBtn42) X(TBitBtn, BitBtn43) X(TBitBtn, BitBtn44) X(TBitBtn, BitBtn45)         \
  X(TBitBtn, BitBtn48) X(TBitBtn, BitBtn49)                                                                        \
  X(TLabeledEdit, LabeledEdit1) X(TLabeledEdit, LabeledEdit2) X(TLabeledEdit, LabeledEdit3)                        \
  X(TLabeledEdit, LabeledEdit4) X(TLabeledEdit, LabeledEdit5) X(TLabeledEdit, LabeledEdit6)                        \
  X(TLabeledEdit, LabeledEdit7) X(TLabeledEdit, LabeledEdit8) X(TLabeledEdit, LabeledEdit9)                        \
  X(TLabeledEdit, LabeledEdit10) X(TLabeledEdit, LabeledEdit11) X(TLabeledEdit, LabeledEdit12)                     \
  X(TLabeledEdit, LabeledEdit13) X(TLabeledEdit, LabeledEdit14) X(TLabeledEdit, LabeledEdit15)                     \
  X(TLabeledEdit, LabeledEdit16) X(TLabeledEdit, LabeledEdit17) X(TLabeledEdit, LabeledEdit18)                     \
  X(TLabeledEdit, LabeledEdit19) X(TLabeledEdit, LabeledEdit20) X(TLabeledEdit, LabeledEdit21)                     \
  X(TLabeledEdit, LabeledEdit22) X(TLabeledEdit, LabeledEdit23) X(TLabeledEdit, LabeledEdit24)                     \
  X(TLabeledEdit, LabeledEdit25) X(TLabeledEdit, LabeledEdit26) X(TLabeledEdit, LabeledEdit27)                     \
  X(TLabeledEdit, LabeledEdit28)                                                                                   \
  X(TEdit, Edit1) X(TEdit, Edit2) X(TEdit, Edit3) X(TEdit, Edit4) X(TEdit, Edit5) X(TEdit, Edit6) X(TEdit, Edit7)  \
  X(TComboBox, ComboBox1) X(TComboBox, ComboBox2) X(TComboBox, ComboBox3) X(TComboBox, ComboBox4)                  \
  X(TComboBox, ComboBox5) X(TComboBox, ComboBox6) X(TComboBox, ComboBox7) X(TComboBox, ComboBox8)                  \
  X(TComboBox, ComboBox9) X(TComboBox, ComboBox10) X(TComboBox, ComboBox11) X(TComboBox, ComboBox12)               \
  X(TComboBox, ComboBox17) X(TComboBox, ComboBox18) X(TComboBox, ComboBox19)                                       \
  X(TCheckBox, CheckBox2) X(TCheckBox, CheckBox3) X(TCheckBox, CheckBox4) X(TCheckBox, CheckBox5)                  \
  X(TCheckBox, CheckBox6) X(TCheckBox, CheckBox7) X(TCheckBox, CheckBox10) X(TCheckBox, CheckBox11)                \
  X(TDateTimePicker, DateTimePicker1) X(TDateTimePicker, DateTimePicker2) X(TDateTimePicker, DateTimePicker3)      \
  X(TDateTimePicker, DateTimePicker4) X(TDateTimePicker, DateTimePicker5)                                          \
  X(TListBox, ListBox1) X(TListBox, ListBox2) X(TListBox, ListBox3) X(TListBox, ListBox5) X(TListBox, ListBox6)    \
  X(TPageControl, PageControl1) X(TTabSheet, ts1) X(TTabSheet, ts2) X(TTabSheet, ts3)                              \
  X(TStatusBar, StatusBar1) X(TToolBar, ToolBar1) X(TToolButton, ToolButton1) X(TPopupMenu, PopupMenu1)            \
  X(TMenuItem, N1) X(TImageList, ImageList1)                                                                       \
  X(TTimer, Timer1) X(TTimer, Timer2) X(TTimer, Timer3) X(TTimer, Timer4) X(TTimer, Timer5) X(TTimer, Timer6)

#define THC_DECLARE(type, name) pc::type* name = nullptr;
  THC_CONTROLS(THC_DECLARE)
#undef THC_DECLARE
  CommComponent* Comm1 = nullptr;
  skin::TSkinData* SkinData1 = nullptr;
  HeldSettingsComponent* XLS = nullptr;
  HeldSettingsComponent* SPDF = nullptr;

  // ---- start-up, navigation, links (main_form.cpp) ----
  void FormCreate(pc::TObject* Sender);
  void FormClose(pc::TObject* Sender, pc::TCloseAction& Action);
  void DeviceChange(pc::TMessage& m);
  void BitBtn9Click(pc::TObject* Sender);
  void BitBtn10Click(pc::TObject* Sender);
  void BitBtn11Click(pc::TObject* Sender);
  void BitBtn22Click(pc::TObject* Sender);
  void N1Click(pc::TObject* Sender);
  void Image1Click(pc::TObject* Sender);
  void lbl1Click(pc::TObject* Sender);
  void OpenDataFolder(pc::TObject* Sender);
  void RevealCalibration(pc::TObject* Sender);

  // ---- link handling (link.cpp) ----
  std::vector<std::string> ReadPortNames();
  void Timer3Timer(pc::TObject* Sender);
  void BitBtn2Click(pc::TObject* Sender);
  void BitBtn3Click(pc::TObject* Sender);
  void ToolButton1Click(pc::TObject* Sender);
  void PortScan();
  void Timer6Timer(pc::TObject* Sender);
  void Timer1Timer(pc::TObject* Sender);
  // The disconnected column of the enabling table, with Connected and ContinuousRead false and the
  // port-list refresh running again.
  void DropLink();
  // The connected column of the enabling table.
  void EnableConnected();
  // The navigation between the work panels, on in both columns.
  void EnableNavigation();

  // ---- commands (commands.cpp) ----
  void BitBtn1Click(pc::TObject* Sender);
  void BitBtn4Click(pc::TObject* Sender);
  void BitBtn5Click(pc::TObject* Sender);
  void BitBtn6Click(pc::TObject* Sender);
  void BitBtn7Click(pc::TObject* Sender);
  void BitBtn8Click(pc::TObject* Sender);
  void BitBtn45Click(pc::TObject* Sender);
  void BitBtn41Click(pc::TObject* Sender);
  void BitBtn42Click(pc::TObject* Sender);
  void BitBtn43Click(pc::TObject* Sender);
  void BitBtn44Click(pc::TObject* Sender);
  void BitBtn33Click(pc::TObject* Sender);
  void BitBtn12Click(pc::TObject* Sender);
  void BitBtn23Click(pc::TObject* Sender);
  void BitBtn49Click(pc::TObject* Sender);
  void BitBtn37Click(pc::TObject* Sender);

  // ---- record panels (record_commands.cpp) ----
  void BitBtn13Click(pc::TObject* Sender);
  void BitBtn14Click(pc::TObject* Sender);
  void BitBtn15Click(pc::TObject* Sender);
  void BitBtn16Click(pc::TObject* Sender);
  void CheckBox5Click(pc::TObject* Sender);
  void BitBtn17Click(pc::TObject* Sender);
  void BitBtn18Click(pc::TObject* Sender);
  void BitBtn21Click(pc::TObject* Sender);
  void BitBtn29Click(pc::TObject* Sender);
  void BitBtn19Click(pc::TObject* Sender);
  void BitBtn20Click(pc::TObject* Sender);
  void CheckBox3Click(pc::TObject* Sender);
  void CheckBox6Click(pc::TObject* Sender);
  void CheckBox2Click(pc::TObject* Sender);
  void PageControl1Change(pc::TObject* Sender);

  // ---- TF-card day files (tf_card.cpp) ----
  void BitBtn28Click(pc::TObject* Sender);
  void ComboBox19Change(pc::TObject* Sender);
  void DateTimePicker4Change(pc::TObject* Sender);
  void DateTimePicker5Change(pc::TObject* Sender);
  void BitBtn30Click(pc::TObject* Sender);
  void BitBtn31Click(pc::TObject* Sender);
  void BitBtn48Click(pc::TObject* Sender);
  void CheckBox4Click(pc::TObject* Sender);
  void CheckBox7Click(pc::TObject* Sender);
  // Finds the card (the first removable drive with day files) and lists its devices and days.
  void SearchTfCard();
  // The first and last day of `list` become the pickers' range and values.
  void ApplyDayRange(const std::vector<std::string>& list);
  // The export's range of `list` from the pickers: from the last day file dated on or before the
  // start date to the last one dated on or before the end date (TfFirstDayIndex, TfLastDayIndex).
  void FindDayRange(const std::vector<std::string>& list);

  // What the real reports need of the window: the state, the data folder, the status bar, the list
  // of the running reading or export, and the export's progress lines.
  ReportHost MakeReportHost();

  // The reports the record readings keep; the window owns them (no reports until some are set).
  void SetReports(std::unique_ptr<ReportOperations> reports);
  ReportOperations& Reports() { return *reports_; }

  // ---- replies (replies.cpp) ----
  void Comm1ReceiveData(serial::TComm* Sender, const void* Buffer, std::uint16_t BufferLength);

  // The parameter block as the window holds it (what the save command converts).
  std::array<ParameterInput, kParamCount> ParameterInputsForTest() { return ParameterInputs(); }

  // The status bar's panel `i`.
  void SetStatus(int panel, std::string_view text);
  std::string Status(int panel);

private:
  class Timer1Adapter;
  // What every command does: build the frame (throwing before anything changes), then the request
  // sequence with the command's texts and times.
  void Send(Command command, const Frame& frame);
  // The raw send used by link handling and replies: SendFrame through Comm1.
  void SendRaw(const Frame& frame);
  // The request in TxFrame once more, as a new request (the next record of a reading).
  void ResendRequest();
  void ApplyBaudTable(bool scan_step);
  void ApplyLineFormat();
  void ReplacePortItems(const std::vector<std::string>& names);
  std::uint8_t AddressFromEdit();
  void ShowWorkPanel(pc::TPanel* shown, std::string_view mode);
  void ScanFailed();
  void ScanStepError();
  // The parameter block as the window holds it.
  std::array<ParameterInput, kParamCount> ParameterInputs();
  void Dispatch();
  void ProbeReply(bool scan);
  void ClockCheckReply();
  void ModelReply(bool scan);
  void ExceptionReply();
  // The instrument has no record left (exception 3) for the record reading under way: the records
  // it still counted as unread at the last reply were taken without a reply carrying them, and a
  // continuous reading's reports are completed with what was read rather than dropped. Answers how
  // many went missing.
  std::int64_t NoRecordsLeft(bool was_reading);
  // Ends a scan whose chain of replies broke off (a missing, short or impossible reply).
  void AbandonScanChain();
  void WriteAcknowledged();
  void PushReport();
  void MeasureReply();
  void ParamsReply();
  void ClockReply();
  // Shows on status panel 5 whether the reply holds at least `min_length` bytes; a shorter one is
  // not read.
  bool ReplyHolds(std::int32_t min_length);
  // Record replies (record_replies.cpp).
  // The alarm counts of a reply (total at 3, unread at 5) into their edits.
  void ShowAlarmCounts(unsigned& total, unsigned& unread);
  // A history record into the spreadsheet and PDF reports, as their boxes ask.
  void AddToReports(const HistoryRecord& r, const std::string& time);
  void AlarmCountsReply();
  void AlarmRecordReply();
  void HistoryCountsReply();
  void HistoryRecordsReply(bool range);
  void DayCountsReply();
  void DayRecordsReply();
  void RangeCountsReply();
  // The records of `stream` a reply carries (`received`) and says are left (`left`), held against
  // what the last counts said: answers how many went missing before this reply (counted as
  // failures of the reading); `left` becomes what the next reply is held against.
  std::int64_t TakeRecordsLeft(RecordStream stream, std::int64_t received, std::int64_t left);
  void SetRecordsLeft(RecordStream stream, std::int64_t left);
  // A gap of `missing` history records before the next record number: a line in the list and a row
  // in the reports the reading keeps.
  void AddHistoryGap(std::int64_t missing, bool to_reports);
  // After a reply outside a continuous reading: the records missing before it, or when the reply
  // ended a reading (`was_reading`), those of the whole reading, in the status bar.
  void ShowGap(bool was_reading, std::int64_t missing_now);
  // The controls of an all-records or range reading that has ended.
  void RestoreAfterHistoryReading(bool range);
  // Ends a by-date reading: controls back, reports finished.
  void EndDayReading();
  // The next request of a continuous all-records or range reading.
  void SendNextRecordRead(bool range);
  // "成功:%d,失败:%d" in status panel 7.
  void ShowReadStatistics();
  // The number an edit shows; 0 for a text that is none.
  static std::int64_t EditNumber(const pc::TEdit* edit);
  // "%0.1f" of tenths, with '.' whatever the locale.
  static std::string Tenths(std::int32_t v);
  // The commands that replies enable and disable together, and the history reading options.
  std::vector<pc::TControl*> CommandSet();
  std::vector<pc::TControl*> HistoryOptions();
  // The record panels' command set: the one above and the hidden BitBtn34.
  std::vector<pc::TControl*> ReadingCommandSet();
  std::vector<pc::TControl*> EnergyButtons();

  // TF-card day files (tf_card.cpp).
  // Fills DayFileIndex from 0 with the devices of `root` that have day files, adds their numbers to
  // ComboBox19 and empties the lists after them; returns how many it filled.
  int FillDayFileIndex(const std::string& root);
  // The controls that act on the selected device: pickers, report boxes, export, delete, selector.
  void EnableTfDevice(bool on);
  // The selected device's list index and number; false (export and delete then refused) when no
  // device with day files is selected.
  bool SelectedTfDevice(int& index, int& number);
  // The start of an export or a delete: the selected device and a copy of its day files, the status
  // and the busy controls off. False, with both commands off, when no device is selected.
  bool BeginTfJob(std::string_view status, int& index, int& number, std::vector<std::string>& days);
  // The delete's range of `list`: only the day files dated within the picked dates.
  void FindDeleteRange(const std::vector<std::string>& list);
  void ExportDayFile(const std::string& path, int number, bool excel, bool pdf);
  // The controls an export or delete disables while it runs.
  std::vector<pc::TControl*> TfBusyControls();

  ConsoleState state_;
  std::unique_ptr<ReportOperations> reports_;
  // An export of day files is running (its list is ListBox3).
  bool tf_exporting_ = false;
  std::unique_ptr<ReplyTimer> timer1_;
  FrameWriter writer_;
  std::uint32_t scan_step_interval_ = 1500;
};

// The form definition: builds the components of the main window into `form`.
void BuildMainForm(Tform1& form);

// A text dump of the window's components after start-up: each component in creation order with its
// kind, parent, caption or text, items, selection, enabled and visible states and the settings of
// the non-visual components. Stable, so that a golden file can hold it.
std::string DumpForm(Tform1& form);

}  // namespace console
