// The TF-card panel: finding the card among the removable drives, the devices and days it holds,
// exporting a range of days to the reports, and deleting day files.
#include "console/tf_card.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "console/form_helpers.h"
#include "console/main_form.h"
#include "console/records.h"
#include "core/calendar.h"
#include "core/error.h"
#include "core/strings.h"
#include "platform/os/drives.h"
#include "platform/os/services.h"

namespace console {
namespace {

constexpr const char* kDayFileExtension = ".hhw";
constexpr const char* kPdfTitle = "温湿度历史记录";
constexpr std::int32_t kPdfTitleX = 300;

void ProcessMessages() { pc::Application().ProcessMessages(); }

// The eight digits of a day-file date as year, month and day.
struct DateFields {
  int year, month, day;
};
DateFields SplitDate(std::string_view date) {
  auto num = [&](std::size_t from, std::size_t n) {
    int v = 0;
    for (std::size_t i = from; i < from + n; ++i) v = v * 10 + (date[i] - '0');
    return v;
  };
  return {num(0, 4), num(4, 2), num(6, 2)};
}
bool IsCardDate(const DateFields& f) {
  return f.year >= 2000 && f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= core::days_in_month(f.year, f.month);
}

// The numeric value of a listed date (digits only; anything else counts as 0).
std::int64_t DateNumber(std::string_view date) {
  if (date.empty() || date.size() > 18) return 0;
  std::int64_t v = 0;
  for (char c : date) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::string PickerDateText(const char* prefix, const core::LocalTime& t) {
  return prefix + core::format("%.4d年%.2d月%.2d日", t.year, t.month, t.day);
}

}  // namespace

// ---- module routines ----

bool IsDigitDayName(std::string_view name) {
  if (name.size() < 8) return false;
  return std::all_of(name.begin(), name.begin() + 8, [](char c) { return c >= '0' && c <= '9'; });
}

std::string CopyBeforeSeparator(std::string_view separator, std::string_view s) {
  const std::size_t at = separator.empty() ? std::string_view::npos : s.find(separator);
  return std::string(at == std::string_view::npos ? s : s.substr(0, at));
}

std::vector<std::string> ListDayFiles(const std::string& folder) {
  std::vector<std::string> dates;
  for (const platform::os::FolderEntry& e : platform::os::list_folder(folder, std::string("*") + kDayFileExtension)) {
    if (e.is_directory || e.name.size() != 12 || !IsDigitDayName(e.name)) continue;
    // A date the calendar does not have (31 February) would stop every later use of the list.
    if (!IsCardDate(SplitDate(e.name))) continue;
    dates.push_back(CopyBeforeSeparator(".", e.name));
  }
  return dates;
}

int CompareDayFileNames(const std::vector<std::string>& list, int index1, int index2) {
  const std::int64_t a = DateNumber(list.at(static_cast<std::size_t>(index1)));
  const std::int64_t b = DateNumber(list.at(static_cast<std::size_t>(index2)));
  return a < b ? -1 : (a > b ? 1 : 0);
}

void SortDayFileNames(std::vector<std::string>& list) {
  std::sort(list.begin(), list.end(),
            [](const std::string& a, const std::string& b) { return DateNumber(a) < DateNumber(b); });
  list.erase(std::unique(list.begin(), list.end(),
                         [](const std::string& a, const std::string& b) { return DateNumber(a) == DateNumber(b); }),
             list.end());
}

core::LocalTime DayFileDate(std::string_view date) {
  if (date.size() != 8 || !IsDigitDayName(date)) throw core::Error("\"" + std::string(date) + "\" is not a valid date");
  const DateFields f = SplitDate(date);
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > core::days_in_month(f.year, f.month)) {
    throw core::Error("\"" + std::string(date) + "\" is not a valid date");
  }
  core::LocalTime t;
  t.year = f.year;
  t.month = f.month;
  t.day = f.day;
  t.day_of_week = core::day_of_week(core::days_from_civil(f.year, f.month, f.day));
  return t;
}

double DayFileDateValue(std::string_view date) {
  const core::LocalTime t = DayFileDate(date);
  return static_cast<double>(core::days_from_civil(t.year, t.month, t.day) - core::kDateSerialEpoch);
}

std::string TfDeviceFolder(const std::string& root, int number) {
  const std::string name = "THdb" + std::to_string(number);
  if (auto found = platform::os::find_entry_icase(root, name)) return *found;
  return (std::filesystem::path(root) / name).string();
}

std::string TfDayFilePath(const std::string& root, int number, std::string_view date) {
  const std::string folder_name = "THdb" + std::to_string(number);
  const std::string file_name = std::string(date) + kDayFileExtension;
  if (auto found = platform::os::resolve_icase(root, folder_name + "/" + file_name)) return *found;
  return (std::filesystem::path(root) / folder_name / file_name).string();
}

// ---- the window's side ----

ReportHost Tform1::MakeReportHost() {
  ReportHost host;
  host.state = &state_;
  host.data_folder = std::filesystem::current_path() / kDataFolder;
  host.set_status = [this](int panel, std::string_view text) { SetStatus(panel, text); };
  host.scroll_record_list = [this] { ScrollToEnd(tf_exporting_ ? ListBox3 : ListBox2); };
  host.progress_line = [this](std::string_view line) {
    ListBox3->Items().Add(line);
    ProcessMessages();
  };
  return host;
}

std::vector<pc::TControl*> Tform1::TfBusyControls() {
  return {CheckBox4, CheckBox7, DateTimePicker4, DateTimePicker5, BitBtn28, BitBtn30, BitBtn31,
          BitBtn48, BitBtn9,   BitBtn22,  BitBtn11,         BitBtn10,        ComboBox19};
}

void Tform1::EnableTfDevice(bool on) {
  Enable({DateTimePicker4, DateTimePicker5, CheckBox4, CheckBox7, BitBtn30, BitBtn31, ComboBox19}, on);
}

bool Tform1::SelectedTfDevice(int& index, int& number) {
  index = ComboBox19->ItemIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= state_.DayFileIndex.size()) return false;
  if (state_.DayFileIndex[static_cast<std::size_t>(index)].empty()) return false;
  const std::string text(core::trim(ComboBox19->Text()));
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), digit)) return false;
  number = std::stoi(text);
  return number >= kTfFirstDevice && number <= kTfLastDevice;
}

int Tform1::FillDayFileIndex(const std::string& root) {
  auto& lists = state_.DayFileIndex;
  std::size_t k = 0;
  for (int n = kTfFirstDevice; n <= kTfLastDevice && k < lists.size(); ++n) {
    std::vector<std::string> days = ListDayFiles(TfDeviceFolder(root, n));
    SortDayFileNames(days);
    if (days.empty()) continue;
    lists[k++] = std::move(days);
    ComboBox19->Items().Add(std::to_string(n));
  }
  // Lists of an earlier search do not outlive it.
  for (std::size_t i = k; i < lists.size(); ++i) lists[i].clear();
  return static_cast<int>(k);
}

void Tform1::SearchTfCard() {
  auto& s = state_;
  SetStatus(5, "正在搜索");
  SetStatus(7, "");
  ComboBox19->Items().Clear();
  for (auto& list : s.DayFileIndex) list.clear();
  bool removable = false;
  int devices = 0;
  for (const std::string& root : platform::os::drive_lister().removable_drives()) {
    s.TfRoot = root;
    SetStatus(1, "TF卡插入");
    removable = true;
    devices = FillDayFileIndex(root);
    if (devices == 0) continue;
    ApplyDayRange(s.DayFileIndex[0]);
    EnableTfDevice(true);
    ComboBox19->SetItemIndex(0);
    std::size_t days = 0;
    for (int k = 0; k < devices; ++k) days += s.DayFileIndex[static_cast<std::size_t>(k)].size();
    Edit7->SetText(core::format("搜索完成,共%d设备%zu天的记录文件!", devices, days));
    SetStatus(7, core::format("%d设备%zu天的记录文件!", devices, days));
    break;
  }
  if (devices == 0) {
    Edit7->SetText(removable ? "搜索完成,未发现记录文件!" : "搜索完成,未发现TF卡!");
    SetStatus(7, removable ? "未发现记录文件!" : "未发现TF卡!");
    Enable({DateTimePicker4, DateTimePicker5}, false);
    // Nothing is selectable any more: export and delete have no device to act on.
    Enable({BitBtn30, BitBtn31}, false);
  }
  SetStatus(5, "搜索完成");
}

void Tform1::ApplyDayRange(const std::vector<std::string>& list) {
  if (list.empty()) return;
  auto& s = state_;
  const core::LocalTime first = DayFileDate(list.front());
  const core::LocalTime last = DayFileDate(list.back());
  s.TfFirstDate = DayFileDateValue(list.front());
  s.TfLastDate = DayFileDateValue(list.back());
  for (pc::TDateTimePicker* p : {DateTimePicker4, DateTimePicker5}) {
    // The widest range first, so that no intermediate range is empty.
    p->SetMinDate(core::LocalTime{1900, 1, 1});
    p->SetMaxDate(core::LocalTime{9999, 12, 31});
    p->SetMinDate(first);
    p->SetMaxDate(last);
  }
  DateTimePicker4->SetDateTime(first);
  DateTimePicker5->SetDateTime(last);
}

void Tform1::FindDayRange(const std::vector<std::string>& list) {
  auto& s = state_;
  const int start = DayKey(DateTimePicker4->DateTime());
  const int end = DayKey(DateTimePicker5->DateTime());
  s.TfFirstDayIndex = s.TfLastDayIndex = 0;
  for (std::size_t j = 0; j < list.size(); ++j) {
    const int d = DayKey(DayFileDate(list[j]));
    if (start >= d) s.TfFirstDayIndex = static_cast<std::int32_t>(j);
    if (end >= d) s.TfLastDayIndex = static_cast<std::int32_t>(j);
  }
}

void Tform1::FindDeleteRange(const std::vector<std::string>& list) {
  auto& s = state_;
  int from = DayKey(DateTimePicker4->DateTime());
  int to = DayKey(DateTimePicker5->DateTime());
  if (from > to) std::swap(from, to);
  // First day inside the dates, and the last one; an empty range when none lies inside.
  std::int32_t first = static_cast<std::int32_t>(list.size()), last = -1;
  for (std::size_t j = 0; j < list.size(); ++j) {
    const int d = DayKey(DayFileDate(list[j]));
    if (d >= from && d <= to) {
      first = std::min(first, static_cast<std::int32_t>(j));
      last = static_cast<std::int32_t>(j);
    }
  }
  if (last < 0) first = 0;
  s.TfFirstDayIndex = first;
  s.TfLastDayIndex = last;
}

void Tform1::BitBtn28Click(pc::TObject*) { SearchTfCard(); }

void Tform1::ComboBox19Change(pc::TObject*) {
  int index = 0, number = 0;
  if (!SelectedTfDevice(index, number)) return;
  const auto& list = state_.DayFileIndex[static_cast<std::size_t>(index)];
  Enable({DateTimePicker4, DateTimePicker5, CheckBox4, CheckBox7}, true);
  ApplyDayRange(list);
  SetStatus(5, "设备" + ComboBox19->Text());
  const std::string text = core::format("有%zu天的记录文件!", list.size());
  Edit7->SetText(text);
  SetStatus(7, text);
  Enable({BitBtn30, BitBtn31}, true);
}

void Tform1::DateTimePicker4Change(pc::TObject*) {
  const std::string text = PickerDateText("导出的起始日期", DateTimePicker4->DateTime());
  SetStatus(7, text);
  Edit7->SetText(text);
}

void Tform1::DateTimePicker5Change(pc::TObject*) {
  const std::string text = PickerDateText("导出的结束日期", DateTimePicker5->DateTime());
  SetStatus(7, text);
  Edit7->SetText(text);
}

void Tform1::ExportDayFile(const std::string& path, int number, bool excel, bool pdf) {
  auto& s = state_;
  const std::vector<std::uint8_t> bytes = platform::os::read_file_prefix(path, kDayFileReadLimit);
  // Whole records only: a cut-off record at the end has no data to show.
  const std::size_t records = bytes.size() / kHistoryRecordSize;
  for (std::size_t k = 0; k < records; ++k) {
    const HistoryRecord r = DecodeHistoryRecord(&bytes[k * kHistoryRecordSize]);
    ++s.RecordNumber;
    const std::string time = RecordTimeText(r);
    if (excel) {
      reports_->AddReportRow(s.RecordNumber, r.temperature / 10.0, r.humidity / 10.0, time, kTfRowLimit, number);
    }
    if (pdf) reports_->AddPdfRow(s.RecordNumber, r.temperature / 10.0, r.humidity / 10.0, time);
    if ((k + 1) * kHistoryRecordSize % 1000 == 0) {
      ListBox3->Items().Clear();
      ListBox3->Items().Add(core::format("正在导出记录...已导出%d条", s.RecordNumber));
      ProcessMessages();
    }
  }
}

bool Tform1::BeginTfJob(std::string_view status, int& index, int& number, std::vector<std::string>& days) {
  if (!SelectedTfDevice(index, number)) {
    Enable({BitBtn30, BitBtn31}, false);
    return false;
  }
  // A copy: the messages processed during the job must not pull the list from under it.
  days = state_.DayFileIndex[static_cast<std::size_t>(index)];
  SetStatus(5, status);
  SetStatus(7, "");
  EnableAll(TfBusyControls(), false);
  return true;
}

void Tform1::BitBtn30Click(pc::TObject*) {
  auto& s = state_;
  int index = 0, number = 0;
  std::vector<std::string> days;
  if (!BeginTfJob("正在导出", index, number, days)) return;
  const std::string device_text = std::to_string(number);
  const bool excel = CheckBox4->Checked();
  const bool pdf = CheckBox7->Checked();
  tf_exporting_ = true;
  std::int32_t lo = 0, hi = -1;
  try {
    if (excel) {
      reports_->LayoutReportSheet(0, kReportTitle);
      s.ReportSheetIndex = 0;
      s.SheetRowCount = 0;
    }
    if (pdf) {
      CheckBox2->SetEnabled(false);
      reports_->BeginPdfReport(device_text, kPdfTitle, kPdfTitleX);
    }
    FindDayRange(days);
    lo = std::min(s.TfFirstDayIndex, s.TfLastDayIndex);
    hi = std::max(s.TfFirstDayIndex, s.TfLastDayIndex);
    const std::int32_t chosen = hi - lo + 1;
    s.RecordNumber = 0;
    for (std::int32_t j = lo; j <= hi; ++j) {
      ExportDayFile(TfDayFilePath(s.TfRoot, number, days[static_cast<std::size_t>(j)]), number, excel, pdf);
      ScrollToEnd(ListBox3);
      const std::int32_t done = j + 1 - lo;
      SetStatus(7, core::format("已导出%d天%d条/%d天记录！", done, s.RecordNumber, chosen));
      Edit7->SetText(core::format("已导出%d天,%d条共选择导出%d天记录！", done, s.RecordNumber, chosen));
      ProcessMessages();
    }
    ListBox3->Items().Clear();
    ListBox3->Items().Add(core::format("共导出%d条", s.RecordNumber));
    if (excel) {
      SetStatus(7, "正在保存excel!");
      Edit7->SetText("正在保存excel!");
      ProcessMessages();
      reports_->FinishReportWorkbook(number, device_text, kTfLastFullRow, "", true);
    }
    if (pdf) {
      ListBox3->Items().Add("正在保存文件...");
      ProcessMessages();
      SetStatus(7, "正在保存PDF!");
      Edit7->SetText("正在保存PDF!");
      ProcessMessages();
      reports_->EndPdfReport();
    }
  } catch (...) {
    // The export ends here with the error shown; the panel stays usable for another try and no
    // report is left half made.
    tf_exporting_ = false;
    EnableAll(TfBusyControls(), true);
    SetStatus(5, "");
    try {
      if (excel) reports_->EmptyReportWorkbook();
      if (pdf) reports_->AbortPdfReport();
    } catch (...) {
      // The first error is the one to show.
    }
    throw;
  }
  tf_exporting_ = false;

  ListBox3->Items().Add("已完成");
  Enable({BitBtn28, BitBtn31, BitBtn48}, true);
  if (static_cast<std::size_t>(hi) + 1 < days.size()) {
    // Ready to export the days after the range.
    DateTimePicker4->SetDateTime(DayFileDate(days[static_cast<std::size_t>(hi) + 1]));
    DateTimePicker5->SetDateTime(DayFileDate(days.back()));
    Enable({CheckBox4, CheckBox7, BitBtn30, ComboBox19, DateTimePicker4, DateTimePicker5}, true);
  } else {
    Enable({DateTimePicker4, DateTimePicker5, CheckBox4, CheckBox7}, false);
    ComboBox19->SetEnabled(ComboBox19->Items().Count() > 0);
  }
  Enable({BitBtn9, BitBtn22, BitBtn11, BitBtn10}, true);
  const std::int32_t chosen = hi - lo + 1;
  SetStatus(7, core::format("导出%d天%d条记录!", chosen, s.RecordNumber));
  Edit7->SetText(core::format("导出完成,共导出%d天%d条记录!", chosen, s.RecordNumber));
  SetStatus(5, "导出完成");
}

void Tform1::BitBtn31Click(pc::TObject*) {
  auto& s = state_;
  int index = 0, number = 0;
  std::vector<std::string> days;
  if (!BeginTfJob("正在删除", index, number, days)) return;
  FindDeleteRange(days);
  const std::int32_t first = s.TfFirstDayIndex;
  const std::int32_t last = s.TfLastDayIndex;
  const std::int32_t chosen = std::max(0, last - first + 1);
  for (std::int32_t j = first; j <= last; ++j) {
    // A file already gone is passed over.
    platform::os::delete_file(TfDayFilePath(s.TfRoot, number, days[static_cast<std::size_t>(j)]));
    const std::int32_t k = j + 1 - first;
    Edit7->SetText(core::format("正在删除第%d个,共选择%d个文件！", k, chosen));
    SetStatus(7, core::format("第%d个/%d个文件！", k, chosen));
    ProcessMessages();
  }
  auto& list = s.DayFileIndex[static_cast<std::size_t>(index)];
  list = days;
  if (chosen > 0) list.erase(list.begin() + first, list.begin() + last + 1);

  if (!list.empty()) {
    SortDayFileNames(list);
    ApplyDayRange(list);
    s.TfFirstDayIndex = 0;
    s.TfLastDayIndex = static_cast<std::int32_t>(list.size()) - 1;
    EnableTfDevice(true);
    BitBtn28->SetEnabled(true);
  } else {
    Enable({DateTimePicker4, DateTimePicker5}, false);
    ComboBox19->Items().Delete(index);
    bool found = false;
    if (ComboBox19->Items().Count() > 0) {
      // The remaining devices move up in the lists: look at the card again.
      ComboBox19->Items().Clear();
      if (platform::os::drive_lister().is_removable(s.TfRoot) && FillDayFileIndex(s.TfRoot) > 0) {
        found = true;
        ApplyDayRange(s.DayFileIndex[0]);
        EnableTfDevice(true);
        BitBtn28->SetEnabled(true);
        ComboBox19->SetItemIndex(0);
        Edit7->SetText("设备" + ComboBox19->Text() + core::format("有%zu天的记录文件!", s.DayFileIndex[0].size()));
      }
    }
    if (!found) {
      for (auto& l : s.DayFileIndex) l.clear();
      EnableTfDevice(false);
      BitBtn28->SetEnabled(true);
    }
  }
  Edit7->SetText(core::format("删除完成,共删除%d个文件！", chosen));
  SetStatus(5, "删除完成");
  SetStatus(7, core::format("共删除%d个文件！", chosen));
  BitBtn48->SetEnabled(true);
  // The other panels stay reachable after a delete.
  Enable({BitBtn9, BitBtn22, BitBtn11, BitBtn10}, true);
}

void Tform1::BitBtn48Click(pc::TObject*) {
  ListBox3->Items().Clear();
  Edit7->SetText("显示已清除！");
}

// The two reports of an export exclude each other.
void Tform1::CheckBox4Click(pc::TObject*) {
  if (CheckBox4->Checked()) CheckBox7->SetChecked(false);
}
void Tform1::CheckBox7Click(pc::TObject*) {
  if (CheckBox7->Checked()) CheckBox4->SetChecked(false);
}

}  // namespace console
