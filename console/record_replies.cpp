// The decoders of the record replies: alarm and history counts, alarm records, all unread and range
// records (one or up to 100 per reply), the records of one day, and the next request of a continuous
// reading until nothing is left to read.
#include <algorithm>
#include <charconv>
#include <initializer_list>

#include "console/form_helpers.h"
#include "console/main_form.h"
#include "core/byte_io.h"
#include "core/strings.h"

namespace console {
namespace {

constexpr std::uint32_t kAlarmReadTimeout = 300;



}  // namespace

std::int64_t Tform1::EditNumber(const pc::TEdit* edit) {
  const std::string full = edit->Text();
  const std::string_view text = core::trim(full);
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size() ? v : 0;
}

std::int64_t Tform1::TakeRecordsLeft(RecordStream stream, std::int64_t received, std::int64_t left) {
  auto& s = state_;
  const std::int64_t missing = MissingBefore(s.LeftStream == stream ? s.RecordsLeft : -1, received, left);
  SetRecordsLeft(stream, left);
  s.MissingRecordCount += missing;
  return missing;
}

void Tform1::SetRecordsLeft(RecordStream stream, std::int64_t left) {
  state_.LeftStream = stream;
  state_.RecordsLeft = left;
}

void Tform1::AddHistoryGap(std::int64_t missing, bool to_reports) {
  auto& s = state_;
  const std::int64_t first = static_cast<std::int64_t>(s.RecordNumber) + 1;
  ListBox2->Items().Add(GapLine(first, missing));
  if (to_reports) {
    const auto first32 = static_cast<std::int32_t>(std::min<std::int64_t>(first, 0x7FFFFFFF));
    const auto count32 = static_cast<std::int32_t>(std::min<std::int64_t>(missing, 0x7FFFFFFF));
    if (CheckBox6->Checked()) reports_->AddReportGap(first32, count32, kHistoryRowLimit, AddressFromEdit());
    if (CheckBox2->Checked()) reports_->AddPdfGap(first32, count32);
  }
  s.RecordNumber = static_cast<std::int32_t>(std::min<std::int64_t>(s.RecordNumber + missing, 0x7FFFFFFF));
}

void Tform1::ShowGap(bool was_reading, std::int64_t missing_now) {
  if (state_.ContinuousRead) return;
  const std::int64_t shown = was_reading ? state_.MissingRecordCount : missing_now;
  if (shown > 0) SetStatus(5, GapText(shown));
}

void Tform1::ShowAlarmCounts(unsigned& total, unsigned& unread) {
  const auto& f = state_.RxFrame;
  total = core::load_be16(&f[3]);
  unread = core::load_be16(&f[5]);
  LabeledEdit12->SetText(std::to_string(total));
  LabeledEdit13->SetText(std::to_string(unread));
}

void Tform1::AddToReports(const HistoryRecord& r, const std::string& time) {
  const auto& s = state_;
  if (CheckBox6->Checked()) {
    reports_->AddReportRow(s.RecordNumber, r.temperature / 10.0, r.humidity / 10.0, time, kHistoryRowLimit,
                           AddressFromEdit());
  }
  if (CheckBox2->Checked()) reports_->AddPdfRow(s.RecordNumber, r.temperature / 10.0, r.humidity / 10.0, time);
}

void Tform1::AlarmCountsReply() {
  if (!ReplyHolds(7)) return;
  unsigned total = 0, unread = 0;
  ShowAlarmCounts(total, unread);
  SetRecordsLeft(RecordStream::Alarm, unread);
  BitBtn14->SetEnabled(total > 0);
  if (unread >= 1 && total >= 1) {
    Enable({BitBtn15, CheckBox5}, true);
  } else {
    BitBtn15->SetEnabled(false);
    CheckBox5->SetChecked(false);
    CheckBox5->SetEnabled(false);
  }
}

void Tform1::AlarmRecordReply() {
  auto& s = state_;
  const auto& f = s.RxFrame;
  if (!ReplyHolds(6)) return;
  unsigned total = 0, unread = 0;
  ShowAlarmCounts(total, unread);
  // The record's fields lie at 7..16, before the CRC.
  const bool present = RecordsPresent(s.RxLength, 7, 1) == 1;
  const bool was_reading = s.ContinuousRead;
  // Alarm records are numbered by what is left unread: the missing ones come before this one.
  const std::int64_t missing = TakeRecordsLeft(RecordStream::Alarm, present ? 1 : 0, unread);
  if (missing > 0) {
    ListBox1->Items().Add(GapLine(static_cast<std::int64_t>(unread) + (present ? 2 : 1), missing));
    if (CheckBox11->Checked()) reports_->AddAlarmRow(GapText(missing), "", "");
    if (s.ContinuousRead) ShowReadStatistics();
  }
  if (present) {
    if (s.ContinuousRead) ++s.SuccessCount;
    const AlarmTexts texts = AlarmRecordTexts(f[9], f[10], static_cast<std::int16_t>(core::load_be16(&f[7])));
    const std::string time = RecordTimeText(f[11] + 2000, f[12], f[13], f[14], f[15], f[16]);
    if (s.ContinuousRead) {
      // The next request goes out before this record is listed.
      ShowReadStatistics();
      SetStatus(5, "读取中...");
      ResendRequest();
      ScrollToEnd(ListBox1);
      Timer1->SetInterval(kAlarmReadTimeout);
      Timer1->SetEnabled(true);
    }
    ListBox1->Items().Add(AlarmLine(static_cast<std::int32_t>(unread) + 1, texts, time));
    if (CheckBox11->Checked()) reports_->AddAlarmRow(texts.type, texts.value, time);
  }
  if (unread >= 1) return ShowGap(was_reading, missing);
  BitBtn15->SetEnabled(false);
  if (!s.ContinuousRead) return ShowGap(was_reading, missing);
  // Nothing left: the continuous reading ends and its sheet is saved.
  EnableAll(CommandSet(), true);
  ToolButton1->SetEnabled(true);
  Enable({BitBtn13, BitBtn14}, true);
  BitBtn15->SetCaption("读取");
  s.ContinuousRead = false;
  Timer2->SetEnabled(false);
  if (CheckBox11->Checked()) {
    CheckBox11->SetEnabled(false);
    reports_->SaveAlarmSheet(LabeledEdit14->Text(), true);
  }
  for (pc::TCheckBox* c : {CheckBox5, CheckBox11}) {
    c->SetChecked(false);
    c->SetEnabled(false);
  }
  ShowGap(was_reading, missing);
}

void Tform1::HistoryCountsReply() {
  auto& s = state_;
  if (!ReplyHolds(12)) return;
  const std::uint32_t total = LoadCount32(&s.RxFrame[3]), unread = LoadCount32(&s.RxFrame[7]);
  LabeledEdit15->SetText(std::to_string(total));
  LabeledEdit16->SetText(std::to_string(unread));
  s.RecordsToRead = ClampCount(unread);
  SetRecordsLeft(RecordStream::History, unread);
  if (unread > 0) {
    EnableAll(HistoryOptions(), true);
    BitBtn19->SetEnabled(true);
  } else {
    Enable({CheckBox3, CheckBox6, CheckBox2, BitBtn19}, false);
  }
  BitBtn18->SetEnabled(true);
}

void Tform1::RestoreAfterHistoryReading(bool range) {
  EnableAll(CommandSet(), true);
  if (range) Enable({BitBtn29, BitBtn20}, true);
  else Enable({BitBtn17, BitBtn18}, true);
  Enable({BitBtn19, CheckBox6, CheckBox2, CheckBox3, CheckBox10}, false);
  ToolButton1->SetEnabled(true);
  Enable({PageControl1, BitBtn12, BitBtn23, BitBtn49}, true);
}

void Tform1::SendNextRecordRead(bool range) {
  auto& s = state_;
  SetStatus(5, "读取中...");
  s.DeviceAddress = AddressFromEdit();
  std::uint16_t quantity = 9;
  if (CheckBox10->Checked()) {
    s.FastReadBatch = FastReadBatch(s.RecordsToRead);
    quantity = RecordReadQuantity(s.FastReadBatch);
  }
  SendRaw(RecordReadFrame(s.DeviceAddress, range ? kRangeRegister : kHistoryRegister, quantity));
  if (range) ScrollToEnd(ListBox2);
  if (const auto timeout = ContinuousReadTimeout(s.BaudIndex)) Timer1->SetInterval(*timeout);
  Timer1->SetEnabled(true);
}

void Tform1::HistoryRecordsReply(bool range) {
  auto& s = state_;
  const auto& f = s.RxFrame;
  pc::TEdit* first_edit = range ? LabeledEdit25 : LabeledEdit15;
  pc::TEdit* second_edit = range ? LabeledEdit26 : LabeledEdit16;
  std::int64_t left = 0, missing = 0;
  const bool was_reading = s.ContinuousRead;
  if (s.RxLength > 11) {
    SetStatus(5, "正常");
    const std::uint32_t first = LoadCount32(&f[3]), second = LoadCount32(&f[7]);
    first_edit->SetText(std::to_string(first));
    second_edit->SetText(std::to_string(second));
    s.RecordsToRead = ClampCount(second);
    left = second;
    // A fast reply carries the records its request asked for, as far as the reply really holds them.
    const bool fast = CheckBox10->Checked();
    const std::int32_t records = s.RxLength >= 21 ? RecordsPresent(s.RxLength, 11, fast ? s.FastReadBatch : 1) : 0;
    missing = TakeRecordsLeft(range ? RecordStream::Range : RecordStream::History, records, second);
    if (missing > 0) AddHistoryGap(missing, true);
    if (s.RxLength >= 21) {
      for (std::int32_t i = 0; i < records; ++i) {
        const HistoryRecord r = DecodeHistoryRecord(&f[static_cast<std::size_t>(11 + 10 * i)]);
        ++s.RecordNumber;
        ListBox2->Items().Add(HistoryLine(s.RecordNumber, r));
        const std::string time = RecordTimeText(r);
        AddToReports(r, time);
        ++s.SuccessCount;
      }
      if (!fast && records > 0) ScrollToEnd(ListBox2);
      ShowReadStatistics();
      if (left < 1) {
        ScrollToEnd(ListBox2);
        if (s.ContinuousRead) {
          // Nothing left: the reading ends and its report is saved.
          RestoreAfterHistoryReading(range);
          if (CheckBox6->Checked()) {
            CheckBox6->SetEnabled(false);
            reports_->FinishReportWorkbook(AddressFromEdit(), LabeledEdit14->Text(), kHistoryLastFullRow,
                                           range ? "" : "读取中...", false);
          }
          if (CheckBox2->Checked()) {
            CheckBox2->SetEnabled(false);
            reports_->EndPdfReport();
          }
          BitBtn19->SetCaption("读取");
          s.ContinuousRead = false;
          Timer2->SetEnabled(false);
          for (pc::TCheckBox* c : {CheckBox6, CheckBox2}) {
            c->SetChecked(false);
            c->SetEnabled(false);
          }
        }
      }
    }
    if (s.ContinuousRead) SendNextRecordRead(range);
  } else {
    // Too short for its counts: no next request; the edit tells whether anything is left.
    left = EditNumber(second_edit);
  }
  if (CheckBox3->Checked()) ShowReadStatistics();
  if (left >= 1) {
    SetStatus(5, "正常");
  } else if (CheckBox3->Checked()) {
    RestoreAfterHistoryReading(range);
    BitBtn19->SetCaption("读取");
    s.ContinuousRead = false;
    Timer2->SetEnabled(false);
  }
  ShowGap(was_reading, missing);
}

void Tform1::DayCountsReply() {
  auto& s = state_;
  const auto& f = s.RxFrame;
  if (!ReplyHolds(7)) return;
  const std::uint32_t count = s.ExtendedCounters ? LoadCount32(&f[3]) : core::load_be16(&f[3]);
  const std::uint32_t position = s.ExtendedCounters ? LoadCount32(&f[7]) : core::load_be16(&f[5]);
  LabeledEdit17->SetText(std::to_string(count));
  LabeledEdit18->SetText(std::to_string(position));
  SetRecordsLeft(RecordStream::Day, position);
  if (count != 0 && position != 0) {
    Enable({CheckBox3, CheckBox6, CheckBox2, BitBtn19, PageControl1}, true);
    return;
  }
  Enable({CheckBox6, CheckBox2, CheckBox3, BitBtn19}, false);
  if (s.ContinuousRead) {
    if (CheckBox6->Checked()) Enable({CheckBox6, CheckBox2}, false);
    BitBtn19->SetCaption("读取");
    s.ContinuousRead = false;
    Timer2->SetEnabled(false);
  }
}

void Tform1::EndDayReading() {
  auto& s = state_;
  ToolButton1->SetEnabled(true);
  PageControl1->SetEnabled(true);
  if (CheckBox6->Checked()) reports_->FinishReportWorkbook(AddressFromEdit(), LabeledEdit14->Text(), kHistoryLastFullRow, "",
                                                            false);
  if (CheckBox2->Checked()) reports_->EndPdfReport();
  Enable({BitBtn12, BitBtn23, BitBtn49}, true);
  EnableAll(CommandSet(), true);
  BitBtn21->SetEnabled(true);
  Enable({CheckBox6, CheckBox2}, false);
  CheckBox2->SetChecked(false);
  Enable({CheckBox3, BitBtn19}, false);
  BitBtn19->SetCaption("读取");
  s.ContinuousRead = false;
  Timer2->SetEnabled(false);
}

void Tform1::DayRecordsReply() {
  auto& s = state_;
  const auto& f = s.RxFrame;
  const bool wide = s.ExtendedCounters;
  if (!ReplyHolds(wide ? 9 : 7)) return;
  const std::uint32_t count = wide ? LoadCount32(&f[3]) : core::load_be16(&f[3]);
  const std::uint32_t position = wide ? LoadCount32(&f[7]) : core::load_be16(&f[5]);
  LabeledEdit17->SetText(std::to_string(count));
  LabeledEdit18->SetText(std::to_string(position));
  const std::int32_t at = wide ? 11 : 7;
  const bool present = RecordsPresent(s.RxLength, at, 1) == 1;
  const bool was_reading = s.ContinuousRead;
  const std::int64_t missing = TakeRecordsLeft(RecordStream::Day, present ? 1 : 0, position);
  if (missing > 0) AddHistoryGap(missing, CheckBox3->Checked());
  if (present) {
    const HistoryRecord r = DecodeHistoryRecord(&f[static_cast<std::size_t>(at)]);
    ++s.RecordNumber;
    ListBox2->Items().Add(DayLine(s.RecordNumber, r));
    if (CheckBox3->Checked()) {
      ++s.SuccessCount;
      const std::string time = RecordTimeText(r);
      AddToReports(r, time);
      if (s.ContinuousRead) {
        // The instrument moves its read position on by itself: the same request again.
        ShowReadStatistics();
        SetStatus(5, "读取中...");
        ResendRequest();
        ScrollToEnd(ListBox2);
        if (const auto timeout = ContinuousReadTimeout(s.BaudIndex)) Timer1->SetInterval(*timeout);
        Timer1->SetEnabled(true);
      }
    }
  }
  if (count != 0 && position != 0) return ShowGap(was_reading, missing);
  // The day is read (or holds nothing), whether the reading was continuous or not.
  EndDayReading();
  ShowGap(was_reading, missing);
}

void Tform1::RangeCountsReply() {
  auto& s = state_;
  if (!ReplyHolds(11)) return;
  const std::uint32_t count = LoadCount32(&s.RxFrame[3]), position = LoadCount32(&s.RxFrame[7]);
  LabeledEdit25->SetText(std::to_string(count));
  LabeledEdit26->SetText(std::to_string(position));
  s.RecordsToRead = ClampCount(position);
  SetRecordsLeft(RecordStream::Range, position);
  if (count >= 1 && position >= 1) {
    Enable({CheckBox3, CheckBox10, CheckBox6, CheckBox2, BitBtn19, BitBtn20, PageControl1}, true);
    return;
  }
  Enable({CheckBox6, CheckBox2, CheckBox3, BitBtn19}, false);
  if (s.ContinuousRead) {
    if (CheckBox6->Checked()) Enable({CheckBox6, CheckBox2, CheckBox10}, false);
    BitBtn19->SetCaption("读取");
    s.ContinuousRead = false;
    Timer2->SetEnabled(false);
  }
}

}  // namespace console
