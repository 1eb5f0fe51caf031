#include "console/records.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/byte_io.h"
#include "core/strings.h"

namespace console {

HistoryRecord DecodeHistoryRecord(const std::uint8_t* p) {
  HistoryRecord r;
  r.temperature = static_cast<std::int16_t>(core::load_be16(p));
  r.humidity = core::load_be16(p + 2);
  r.year = p[4];
  r.month = p[5];
  r.day = p[6];
  r.hour = p[7];
  r.minute = p[8];
  r.second = p[9];
  return r;
}

std::string RecordTimeText(int year, int month, int day, int hour, int minute, int second) {
  return core::format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", year, month, day, hour, minute, second);
}

std::string RecordTimeText(const HistoryRecord& r) {
  return RecordTimeText(r.year + 2000, r.month, r.day, r.hour, r.minute, r.second);
}

std::string TenthsText(std::int32_t tenths) { return core::format("%0.1f", tenths / 10.0); }

std::string HistoryLine(std::int32_t number, const HistoryRecord& r) {
  return core::format("(%d):温度:%0.1f,湿度:%0.1f;%.4d-%.2d-%.2d %.2d:%.2d:%.2d", number, r.temperature / 10.0,
                      r.humidity / 10.0, r.year + 2000, r.month, r.day, r.hour, r.minute, r.second);
}

std::string DayLine(std::int32_t number, const HistoryRecord& r) {
  return core::format("(%d):温度:%0.1f,湿度:%0.1f;%.2d:%.2d:%.2d", number, r.temperature / 10.0, r.humidity / 10.0,
                      r.hour, r.minute, r.second);
}

std::string PushedRecordLine(std::int32_t number, const HistoryRecord& r) {
  return core::format("(%d)温度:%0.1f,湿度:%0.1f;%.4d-%.2d-%.2d %.2d:%.2d:%.2d", number, r.temperature / 10.0,
                      r.humidity / 10.0, r.year + 2000, r.month, r.day, r.hour, r.minute, r.second);
}

namespace {

enum class ValueForm { Integer, Tenths, Degrees };

std::string ValueText(ValueForm form, std::int16_t value) {
  switch (form) {
    case ValueForm::Integer: return core::format("%d", value);
    case ValueForm::Tenths: return core::format("%0.1f", value / 10.0);
    case ValueForm::Degrees: return core::format("%0.1f℃", value / 10.0);
  }
  return {};
}

struct SettingKind {
  std::uint8_t kind;
  const char* text;  // after "本地" or "远程"
  ValueForm form;
};
constexpr SettingKind kSettingKinds[] = {
    {1, "修改地址", ValueForm::Integer},          {2, "修改波特率", ValueForm::Integer},
    {3, "修改校验", ValueForm::Integer},          {4, "修改温度单位", ValueForm::Integer},
    {5, "修改高温告警", ValueForm::Tenths},       {6, "修改低温告警", ValueForm::Tenths},
    {7, "修改温度缓冲值", ValueForm::Tenths},     {8, "修改高湿告警", ValueForm::Tenths},
    {9, "修改低湿告警", ValueForm::Tenths},       {10, "修改湿度缓冲值", ValueForm::Tenths},
    {11, "修改DO1输出方式", ValueForm::Integer},  {12, "修改DO2输出方式", ValueForm::Integer},
    {13, "修改DO1关联", ValueForm::Integer},      {14, "修改DO2关联", ValueForm::Integer},
    {15, "修改DO1常态电平", ValueForm::Integer},  {16, "修改DO2常态电平", ValueForm::Integer},
    {17, "修改用户密码", ValueForm::Integer},     {18, "修改存储时间", ValueForm::Integer},
    {19, "修改zigbee PAN", ValueForm::Integer},   {20, "修改zigbee 频道", ValueForm::Integer},
    {25, "修改日期", ValueForm::Integer},         {26, "修改时间", ValueForm::Integer},
    {29, "清除记录", ValueForm::Integer},
};

constexpr std::array<const char*, 8> kAlarmKinds = {"高温告警", "高温告警解除", "低温告警", "低温告警解除",
                                                    "高湿告警", "高湿告警解除", "低湿告警", "低湿告警解除"};

}  // namespace

AlarmTexts AlarmRecordTexts(std::uint8_t alarm_class, std::uint8_t kind, std::int16_t value) {
  switch (alarm_class) {
    case 1:
      if (kind == 1) return {value == 1 ? "DO1闭合" : "DO1打开", ValueText(ValueForm::Integer, value)};
      if (kind == 2) return {value == 1 ? "DO2闭合" : "DO2打开", ValueText(ValueForm::Integer, value)};
      return {};
    case 2:
      if (kind < 1 || kind > 8) return {};
      return {kAlarmKinds[kind - 1u], ValueText(kind <= 4 ? ValueForm::Degrees : ValueForm::Tenths, value)};
    case 3:
    case 4:
      for (const SettingKind& k : kSettingKinds) {
        if (k.kind == kind) return {std::string(alarm_class == 3 ? "本地" : "远程") + k.text, ValueText(k.form, value)};
      }
      return {};
    default: return {};
  }
}

std::string AlarmLine(std::int32_t number, const AlarmTexts& texts, const std::string& time_text) {
  return core::format("(%d):%s:(%s),", number, texts.type.c_str(), texts.value.c_str()) + time_text;
}

std::int32_t FastReadBatch(std::int32_t records_to_read) { return std::clamp(records_to_read, 0, kMaxFastRecords); }

std::uint16_t RecordReadQuantity(std::int32_t batch) {
  return static_cast<std::uint16_t>(5 * std::clamp(batch, 0, kMaxFastRecords) + 4);
}

std::int32_t RecordsPresent(std::int32_t length, std::int32_t first, std::int32_t batch) {
  const std::int32_t room = length - 2 - first;
  if (room < static_cast<std::int32_t>(kHistoryRecordSize) || batch <= 0) return 0;
  return std::min(batch, room / static_cast<std::int32_t>(kHistoryRecordSize));
}

std::optional<std::uint32_t> ContinuousReadTimeout(std::uint8_t baud_index) {
  // 9600 baud waits longer than 4800: the instruments answer slower at that speed.
  static constexpr std::array<std::uint32_t, 7> kTimeouts = {2000, 1500, 1000, 1500, 1000, 800, 600};
  if (baud_index >= kTimeouts.size()) return std::nullopt;
  return kTimeouts[baud_index];
}

std::uint32_t LoadCount32(const std::uint8_t* p) { return core::load_be32(p); }

std::int32_t ClampCount(std::uint32_t count) {
  return static_cast<std::int32_t>(std::min<std::uint32_t>(count, std::numeric_limits<std::int32_t>::max()));
}

namespace {

Frame Read(std::uint8_t address, std::uint16_t reg, std::uint16_t count) {
  Frame f(6);
  f[0] = address;
  f[1] = kReadRegisters;
  core::store_be16(&f[2], reg);
  core::store_be16(&f[4], count);
  AppendCrc(f);
  return f;
}

void PutDate(std::vector<std::uint16_t>& regs, const QueryDate& d) {
  if (d.year < 2000 || d.year > 2255) throw RangeError("year: " + std::to_string(d.year) + " is outside 2000..2255");
  if (d.month < 0 || d.month > 255 || d.day < 0 || d.day > 255) throw RangeError("query date out of range");
  regs.push_back(static_cast<std::uint16_t>((d.year - 2000) << 8 | d.month));
  regs.push_back(static_cast<std::uint16_t>(d.day << 8));
}

}  // namespace

Frame AlarmCountsFrame(std::uint8_t address) { return Read(address, kAlarmRegister, 2); }
Frame AlarmRecordFrame(std::uint8_t address) { return Read(address, kAlarmRegister, 7); }
Frame AlarmUnreadResetFrame(std::uint8_t address, std::uint16_t unread) {
  return WriteRegisterFrame(address, kAlarmUnreadRegister, unread);
}
Frame HistoryCountsFrame(std::uint8_t address) { return Read(address, kHistoryRegister, 4); }

Frame HistoryUnreadResetFrame(std::uint8_t address, std::int32_t unread) {
  if (unread < 0) throw RangeError("unread count: " + std::to_string(unread) + " is outside 0..2147483647");
  const auto v = static_cast<std::uint32_t>(unread);
  const std::array<std::uint16_t, 2> regs = {static_cast<std::uint16_t>(v >> 16), static_cast<std::uint16_t>(v)};
  return WriteRegistersFrame(address, kHistoryUnreadRegister, regs);
}

Frame DayQueryFrame(std::uint8_t address, const QueryDate& day) {
  std::vector<std::uint16_t> regs;
  PutDate(regs, day);
  return WriteRegistersFrame(address, kDayRegister, regs);
}

Frame RangeQueryFrame(std::uint8_t address, const QueryDate& from, const QueryDate& to) {
  std::vector<std::uint16_t> regs;
  PutDate(regs, from);
  PutDate(regs, to);
  return WriteRegistersFrame(address, kRangeQueryRegister, regs);
}

Frame DayCountsFrame(std::uint8_t address, bool extended_counters) {
  return Read(address, kDayRegister, extended_counters ? 4 : 2);
}
Frame RangeCountsFrame(std::uint8_t address) { return Read(address, kRangeQueryRegister, 4); }

Frame RecordReadFrame(std::uint8_t address, std::uint16_t reg, std::uint16_t quantity) {
  if (quantity < 4 || quantity > kMaxRecordRead) {
    throw RangeError("record read of " + std::to_string(quantity) + " registers out of range");
  }
  return Read(address, reg, quantity);
}

Frame DayReadFrame(std::uint8_t address, bool extended_counters) {
  return Read(address, kDayRegister, extended_counters ? 9 : 7);
}

std::string GapText(std::int64_t count) { return core::format("缺失%lld条记录", static_cast<long long>(count)); }

std::string GapNumbers(std::int64_t first, std::int64_t count) {
  if (count <= 1) return std::to_string(first);
  return std::to_string(first) + "-" + std::to_string(first + count - 1);
}

std::string GapLine(std::int64_t first, std::int64_t count) {
  return "(" + GapNumbers(first, count) + "):" + GapText(count);
}

std::int64_t MissingBefore(std::int64_t before, std::int64_t received, std::int64_t left) {
  if (before < 0) return 0;
  return std::max<std::int64_t>(0, before - received - left);
}

}  // namespace console
