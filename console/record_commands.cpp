// The commands of the alarm and history panels: counts, unread resets, the by-date and by-range
// queries, and record reading once or continuously with the reports it keeps. What the replies do
// is in record_replies.cpp.
#include <initializer_list>
#include <limits>

#include "console/form_helpers.h"
#include "console/main_form.h"
#include "core/clock.h"
#include "core/strings.h"

namespace console {
namespace {


std::string DateText(const core::LocalTime& t) { return core::format("%.4d-%.2d-%.2d", t.year, t.month, t.day); }

QueryDate DateOf(const pc::TDateTimePicker* picker) {
  const core::LocalTime t = picker->DateTime();
  return QueryDate{t.year, t.month, t.day};
}

}  // namespace

std::vector<pc::TControl*> Tform1::ReadingCommandSet() {
  std::vector<pc::TControl*> set = CommandSet();
  set.push_back(BitBtn34);
  return set;
}

std::vector<pc::TControl*> Tform1::EnergyButtons() { return {BitBtn12, BitBtn23, BitBtn49}; }

void Tform1::ShowReadStatistics() {
  std::string text = core::format("成功:%d,失败:%d", state_.SuccessCount, state_.FailureCount);
  // Records the instrument counted as read that never arrived are no success either.
  if (state_.MissingRecordCount > 0) text += core::format(",缺失:%lld", static_cast<long long>(state_.MissingRecordCount));
  SetStatus(7, text);
}

// ---- alarm panel ----

void Tform1::BitBtn13Click(pc::TObject*) {
  SetStatus(5, "读取中...");
  Send(Command::AlarmCounts, AlarmCountsFrame(AddressFromEdit()));
}

void Tform1::BitBtn14Click(pc::TObject*) {
  SetStatus(5, "设置中...");
  const std::uint8_t address = AddressFromEdit();
  // The unread count goes out as its low 16 bits.
  const auto unread = static_cast<std::uint16_t>(ConvertInteger(LabeledEdit13->Text()));
  Send(Command::AlarmUnreadReset, AlarmUnreadResetFrame(address, unread));
}

void Tform1::BitBtn15Click(pc::TObject*) {
  auto& s = state_;
  if (s.ContinuousRead) {
    // The operator stops the reading.
    s.ReplyState = ReplyState::rsIdle;
    ToolButton1->SetEnabled(true);
    EnableAll(EnergyButtons(), false);
    EnableAll(ReadingCommandSet(), true);
    Enable({BitBtn13, BitBtn14, CheckBox5, CheckBox11}, true);
    BitBtn15->SetCaption("读取");
    s.ContinuousRead = false;
    Timer2->SetEnabled(false);
    Timer1->SetEnabled(false);
    if (CheckBox11->Checked()) {
      CheckBox11->SetEnabled(false);
      reports_->SaveAlarmSheet(LabeledEdit14->Text(), false);
    }
    return;
  }
  SetStatus(5, "读取中...");
  const Frame frame = AlarmRecordFrame(AddressFromEdit());
  SetStatus(7, "");
  s.MissingRecordCount = 0;
  if (CheckBox5->Checked()) {
    if (CheckBox11->Checked()) {
      CheckBox11->SetEnabled(false);
      reports_->LayoutAlarmSheet();
    }
    ToolButton1->SetEnabled(false);
    EnableAll(EnergyButtons(), false);
    EnableAll(ReadingCommandSet(), false);
    Enable({BitBtn13, BitBtn14, CheckBox5, CheckBox11}, false);
    BitBtn15->SetCaption("停止");
    Timer2->SetInterval(500);
    Timer2->SetEnabled(true);
    s.ContinuousRead = true;
    s.SuccessCount = s.FailureCount = s.RecordNumber = 0;
  }
  Send(Command::AlarmRead, frame);
}

void Tform1::BitBtn16Click(pc::TObject*) { ListBox1->Items().Clear(); }

void Tform1::CheckBox5Click(pc::TObject*) {
  if (CheckBox5->Checked()) {
    CheckBox11->SetEnabled(true);
  } else {
    CheckBox11->SetChecked(false);
    CheckBox11->SetEnabled(false);
  }
}

// ---- history panel ----

void Tform1::BitBtn17Click(pc::TObject*) {
  SetStatus(5, "读取中...");
  const Frame frame = HistoryCountsFrame(AddressFromEdit());
  state_.RecordNumber = 0;
  Send(Command::HistoryCounts, frame);
}

void Tform1::BitBtn18Click(pc::TObject*) {
  SetStatus(5, "设置中...");
  const std::uint8_t address = AddressFromEdit();
  const std::int32_t unread =
      ConvertInRange(LabeledEdit16->Text(), 0, std::numeric_limits<std::int32_t>::max(), "LabeledEdit16");
  Send(Command::HistoryUnreadReset, HistoryUnreadResetFrame(address, unread));
}

void Tform1::BitBtn21Click(pc::TObject*) {
  SetStatus(5, "查询中...");
  const Frame frame = DayQueryFrame(AddressFromEdit(), DateOf(DateTimePicker1));
  state_.RecordNumber = 0;
  Send(Command::DayQuery, frame);
}

void Tform1::BitBtn29Click(pc::TObject*) {
  SetStatus(5, "查询中...");
  const Frame frame = RangeQueryFrame(AddressFromEdit(), DateOf(DateTimePicker2), DateOf(DateTimePicker3));
  state_.RecordNumber = 0;
  LabeledEdit25->SetText("");
  LabeledEdit26->SetText("");
  Send(Command::RangeQuery, frame);
}

void Tform1::BitBtn19Click(pc::TObject*) {
  auto& s = state_;
  SetStatus(7, "");
  const int page = PageControl1->ActivePageIndex();
  if (s.ContinuousRead) {
    // The operator stops the reading.
    s.ReplyState = ReplyState::rsIdle;
    ToolButton1->SetEnabled(true);
    EnableAll(EnergyButtons(), true);
    EnableAll(ReadingCommandSet(), true);
    PageControl1->SetEnabled(true);
    switch (page) {
      case 1: Enable({BitBtn29, CheckBox3, CheckBox10}, true); break;
      case 2: Enable({BitBtn21, CheckBox3}, true); break;
      default: Enable({CheckBox3, CheckBox10, BitBtn17, BitBtn18}, true); break;
    }
    BitBtn19->SetCaption("读取");
    s.ContinuousRead = false;
    Timer2->SetEnabled(false);
    Timer1->SetEnabled(false);
    if (CheckBox6->Checked()) {
      reports_->FinishReportWorkbook(AddressFromEdit(), LabeledEdit14->Text(), kHistoryLastFullRow,
                                     page == 1 ? "正在保存..." : "", false);
    }
    if (CheckBox2->Checked()) {
      CheckBox2->SetEnabled(false);
      if (page == 1) core::sleep_ms(1000);
      reports_->EndPdfReport();
    }
    for (pc::TCheckBox* c : {CheckBox6, CheckBox2}) {
      c->SetChecked(false);
      c->SetEnabled(true);
    }
    ShowReadStatistics();
    return;
  }

  SetStatus(5, "读取中...");
  const std::uint8_t address = AddressFromEdit();
  s.MissingRecordCount = 0;
  Command command = Command::HistoryRead;
  Frame frame;
  std::int32_t batch = s.FastReadBatch;
  if (page == 2) {
    command = Command::DayRead;
    frame = DayReadFrame(address, s.ExtendedCounters);
  } else {
    command = page == 1 ? Command::RangeRead : Command::HistoryRead;
    // A fast reading asks for the counts and up to 100 records; a plain one for the counts and one.
    std::uint16_t quantity = 9;
    if (CheckBox10->Checked()) {
      batch = FastReadBatch(s.RecordsToRead);
      quantity = RecordReadQuantity(batch);
    }
    frame = RecordReadFrame(address, page == 1 ? kRangeRegister : kHistoryRegister, quantity);
  }
  s.FastReadBatch = batch;
  if (CheckBox3->Checked()) {
    EnableAll(ReadingCommandSet(), false);
    EnableAll(EnergyButtons(), false);
    ToolButton1->SetEnabled(false);
    Enable({PageControl1, CheckBox3, CheckBox6, CheckBox2}, false);
    switch (page) {
      case 1: Enable({BitBtn29, CheckBox10}, false); break;
      case 2: Enable({BitBtn21}, false); break;
      default: Enable({BitBtn17, BitBtn18, CheckBox10}, false); break;
    }
    BitBtn19->SetCaption("停止");
    if (page == 1) {
      Timer2->SetInterval(500);
      Timer2->SetEnabled(true);
    }
    s.ContinuousRead = true;
    s.SuccessCount = s.FailureCount = s.RecordNumber = 0;
    std::string title = "温湿度历史记录";
    std::int32_t title_x = 300;
    if (page == 1) {
      title = "温湿度历史记录:" + DateText(DateTimePicker2->DateTime()) + "~" + DateText(DateTimePicker3->DateTime());
      title_x = 103;
    } else if (page == 2) {
      title = "温湿度历史记录:" + DateText(DateTimePicker1->DateTime());
      title_x = 203;
    }
    if (CheckBox6->Checked()) {
      CheckBox6->SetEnabled(false);
      reports_->LayoutReportSheet(0, kReportTitle);
      s.ReportSheetIndex = 0;
      s.SheetRowCount = 0;
    }
    if (CheckBox2->Checked()) {
      CheckBox2->SetEnabled(false);
      reports_->BeginPdfReport(LabeledEdit14->Text(), title, title_x);
    }
  }
  Send(command, frame);
  ShowReadStatistics();
}

void Tform1::BitBtn20Click(pc::TObject*) { ListBox2->Items().Clear(); }

void Tform1::CheckBox3Click(pc::TObject*) {
  const bool on = CheckBox3->Checked();
  if (!on) {
    CheckBox6->SetChecked(false);
    CheckBox2->SetChecked(false);
  }
  CheckBox6->SetEnabled(on);
  CheckBox2->SetEnabled(on);
}

// The two reports of a history reading exclude each other.
void Tform1::CheckBox6Click(pc::TObject*) {
  if (CheckBox6->Checked()) CheckBox2->SetChecked(false);
}
void Tform1::CheckBox2Click(pc::TObject*) {
  if (CheckBox2->Checked()) CheckBox6->SetChecked(false);
}

void Tform1::PageControl1Change(pc::TObject*) {
  // A day is read one record per request.
  const bool by_date = PageControl1->ActivePageIndex() == 2;
  CheckBox10->SetChecked(!by_date);
  CheckBox10->SetEnabled(!by_date);
}

}  // namespace console
