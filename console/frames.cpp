#include "console/frames.h"

#include <limits>

#include "console/crc16.h"
#include "core/byte_io.h"

namespace console {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void NotInteger(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void NotNumber(std::string_view text) {
  throw ConversionError("'" + std::string(text) + "' is not a valid number");
}

Frame Header(std::uint8_t address, std::uint8_t function, std::uint16_t first, std::uint16_t second) {
  Frame f(6);
  f[0] = address;
  f[1] = function;
  core::store_be16(&f[2], first);
  core::store_be16(&f[4], second);
  return f;
}

void CheckCount(std::uint16_t count, std::uint16_t max) {
  if (count == 0 || count > max) throw RangeError("register count " + std::to_string(count) + " out of range");
}

}  // namespace

std::int32_t ConvertInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16, ++i;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    base = 16, ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i == text.size()) NotInteger(text);
  // Accumulate in 64 bits and stop as soon as the magnitude leaves the 32-bit range.
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int d = base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) NotInteger(text);
    magnitude = magnitude * base + d;
    if (magnitude > (std::int64_t{1} << 32)) NotInteger(text);
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  // Hexadecimal texts may spell the full 32-bit pattern ("$FFFFFFFF" is -1); decimal ones may not.
  if (base == 16 && !negative && value <= 0xFFFFFFFFll) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    NotInteger(text);
  }
  return static_cast<std::int32_t>(value);
}

std::int32_t ConvertTenths(std::string_view text) {
  std::size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t tenths = 0;
  bool digits = false;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
    digits = true;
    tenths = tenths * 10 + (text[i] - '0');
    if (tenths > std::numeric_limits<std::int32_t>::max()) throw RangeError("'" + std::string(text) + "' is out of range");
  }
  tenths *= 10;
  if (i < end && text[i] == '.') {
    ++i;
    // Only the first decimal counts; the rest is truncated toward zero but must still be digits.
    for (bool first = true; i < end && text[i] >= '0' && text[i] <= '9'; ++i, first = false) {
      digits = true;
      if (first) tenths += text[i] - '0';
    }
  }
  if (!digits || i != end) NotNumber(text);
  if (negative) tenths = -tenths;
  if (tenths < std::numeric_limits<std::int32_t>::min() || tenths > std::numeric_limits<std::int32_t>::max()) {
    throw RangeError("'" + std::string(text) + "' is out of range");
  }
  return static_cast<std::int32_t>(tenths);
}

std::int32_t ConvertInRange(std::string_view text, std::int32_t lo, std::int32_t hi, std::string_view what) {
  const std::int32_t v = ConvertInteger(text);
  if (v < lo || v > hi) {
    throw RangeError(std::string(what) + ": " + std::to_string(v) + " is outside " + std::to_string(lo) + ".." +
                     std::to_string(hi));
  }
  return v;
}

void AppendCrc(Frame& frame) {
  const std::uint16_t crc = Crc16Modbus(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
}

Frame ReadRegistersFrame(std::uint8_t address, std::uint16_t first, std::uint16_t count) {
  CheckCount(count, 125);
  Frame f = Header(address, kReadRegisters, first, count);
  AppendCrc(f);
  return f;
}

Frame OwnReadFrame(std::uint8_t address, std::uint16_t first, std::uint16_t count) {
  CheckCount(count, 125);
  Frame f = Header(address, kOwnRead, first, count);
  AppendCrc(f);
  return f;
}

Frame WriteRegisterFrame(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
  Frame f = Header(address, kWriteRegister, reg, value);
  AppendCrc(f);
  return f;
}

Frame WriteRegistersFrame(std::uint8_t address, std::uint16_t first, std::span<const std::uint16_t> values) {
  if (values.empty() || values.size() > 123) throw RangeError("register count " + std::to_string(values.size()) + " out of range");
  const auto n = static_cast<std::uint16_t>(values.size());
  Frame f = Header(address, kWriteRegisters, first, n);
  f.push_back(static_cast<std::uint8_t>(2 * n));
  for (const std::uint16_t v : values) {
    f.push_back(static_cast<std::uint8_t>(v >> 8));
    f.push_back(static_cast<std::uint8_t>(v & 0xFF));
  }
  AppendCrc(f);
  return f;
}

std::uint8_t ConvertDeviceAddress(std::string_view text) {
  return static_cast<std::uint8_t>(ConvertInRange(text, 0, 255, "address"));
}

std::array<std::uint8_t, 6> ClockBytes(const ClockFields& t) {
  auto byte = [](std::int32_t v, std::string_view what) {
    if (v < 0 || v > 255) throw RangeError(std::string(what) + ": " + std::to_string(v) + " is outside 0..255");
    return static_cast<std::uint8_t>(v);
  };
  if (t.year < 2000 || t.year > 2255) throw RangeError("year: " + std::to_string(t.year) + " is outside 2000..2255");
  return {static_cast<std::uint8_t>(t.year - 2000), byte(t.month, "month"), byte(t.day, "day"),
          byte(t.hour, "hour"),                     byte(t.minute, "minute"), byte(t.second, "second")};
}

ClockFields ConvertClockEdits(const std::array<std::string, 6>& texts) {
  ClockFields t;
  t.year = ConvertInRange(texts[0], 2000, 2255, "Edit1");
  t.month = ConvertInRange(texts[1], 0, 255, "Edit2");
  t.day = ConvertInRange(texts[2], 0, 255, "Edit3");
  t.hour = ConvertInRange(texts[3], 0, 255, "Edit4");
  t.minute = ConvertInRange(texts[4], 0, 255, "Edit5");
  t.second = ConvertInRange(texts[5], 0, 255, "Edit6");
  return t;
}

namespace {
using PC = ParamConversion;
// Limits: the address must be one an instrument can have; other numbers must fit their register
// (tenths signed, plain integers unsigned); list indexes are checked against the list itself.
constexpr std::int32_t kS16Lo = -32768, kS16Hi = 32767, kU16Hi = 65535;
}  // namespace

const std::array<ParameterField, kParamCount> kParameterFields = {{
    {200, "LabeledEdit7", PC::Integer, 1, 247},
    {201, "ComboBox1", PC::Index, 0, 0},
    {202, "ComboBox2", PC::Index, 0, 0},
    {203, "ComboBox3", PC::Index, 0, 0},
    {204, "LabeledEdit8", PC::Tenths, kS16Lo, kS16Hi},
    {205, "LabeledEdit9", PC::Tenths, kS16Lo, kS16Hi},
    {206, "LabeledEdit19", PC::Tenths, kS16Lo, kS16Hi},
    {207, "LabeledEdit10", PC::Tenths, kS16Lo, kS16Hi},
    {208, "LabeledEdit11", PC::Tenths, kS16Lo, kS16Hi},
    {209, "LabeledEdit20", PC::Tenths, kS16Lo, kS16Hi},
    {210, "ComboBox11", PC::Index, 0, 0},
    {211, "ComboBox12", PC::Index, 0, 0},
    {212, "ComboBox4", PC::Index, 0, 0},
    {213, "ComboBox5", PC::Index, 0, 0},
    {214, "ComboBox9", PC::Index, 0, 0},
    {215, "ComboBox10", PC::Index, 0, 0},
    {216, "LabeledEdit21", PC::Integer, 0, kU16Hi},
    {217, "LabeledEdit22", PC::Integer, 0, kU16Hi},
    {218, "LabeledEdit23", PC::Integer, 0, kU16Hi},
    {219, "LabeledEdit24", PC::Integer, 0, kU16Hi},
    {220, "LabeledEdit27", PC::Tenths, kS16Lo, kS16Hi},
    {221, "LabeledEdit28", PC::Tenths, kS16Lo, kS16Hi},
    {222, "ComboBox17", PC::Index, 0, 0},
    {223, "ComboBox18", PC::Index, 0, 0},
}};

std::array<std::uint16_t, kParamCount> ConvertParameterBlock(std::span<const ParameterInput, kParamCount> inputs) {
  std::array<std::uint16_t, kParamCount> values{};
  for (std::size_t k = 0; k < kParamCount; ++k) {
    const ParameterField& f = kParameterFields[k];
    const ParameterInput& in = inputs[k];
    std::int32_t v = 0;
    std::int32_t lo = f.lo, hi = f.hi;
    switch (f.conversion) {
      case PC::Integer: v = ConvertInteger(in.text); break;
      case PC::Tenths: v = ConvertTenths(in.text); break;
      case PC::Index:
        v = in.item_index;
        lo = 0;
        hi = in.item_count - 1;
        if (v == -1) throw RangeError(std::string(f.control) + ": no item selected");
        break;
    }
    if (v < lo || v > hi) {
      throw RangeError(std::string(f.control) + ": " + std::to_string(v) + " is outside " + std::to_string(lo) + ".." +
                       std::to_string(hi));
    }
    values[k] = static_cast<std::uint16_t>(v);  // negatives as their 16-bit two's complement
  }
  return values;
}

Frame LiveReadFrame(std::uint8_t address) { return ReadRegistersFrame(address, kLiveRegister, kLiveCount); }
Frame ParameterReadFrame(std::uint8_t address) { return ReadRegistersFrame(address, kParamRegister, kParamCount); }
Frame ParameterSaveFrame(std::uint8_t address, std::span<const std::uint16_t, kParamCount> values) {
  return WriteRegistersFrame(address, kParamRegister, values);
}
Frame ClockReadFrame(std::uint8_t address) { return ReadRegistersFrame(address, kClockRegister, 3); }
Frame StartTimeReadFrame(std::uint8_t address) { return ReadRegistersFrame(address, kStartTimeRegister, 3); }

namespace {
// Six clock bytes go out as three registers, two bytes each, in the order given.
Frame ClockWrite(std::uint8_t address, std::uint16_t reg, const ClockFields& t) {
  const auto b = ClockBytes(t);
  const std::array<std::uint16_t, 3> regs = {static_cast<std::uint16_t>(b[0] << 8 | b[1]),
                                             static_cast<std::uint16_t>(b[2] << 8 | b[3]),
                                             static_cast<std::uint16_t>(b[4] << 8 | b[5])};
  return WriteRegistersFrame(address, reg, regs);
}
}  // namespace

Frame ClockSetFrame(std::uint8_t address, const ClockFields& t) { return ClockWrite(address, kClockRegister, t); }
Frame StartTimeSetFrame(std::uint8_t address, const ClockFields& t) {
  return ClockWrite(address, kStartTimeRegister, t);
}
Frame RecordingFrame(std::uint8_t address, bool on) {
  const std::array<std::uint16_t, 1> v = {static_cast<std::uint16_t>(on ? 1 : 0)};
  return WriteRegistersFrame(address, kRecordingRegister, v);
}
Frame AlarmOutputFrame(std::uint8_t address, bool on) {
  const std::array<std::uint16_t, 1> v = {static_cast<std::uint16_t>(on ? 3 : 0)};
  return WriteRegistersFrame(address, kAlarmOutputRegister, v);
}
Frame ClearRecordsFrame(std::uint8_t address) { return WriteRegisterFrame(address, kClearRegister, ClearConfirmation); }

Frame EnergyFrame(std::uint8_t address, std::int32_t level) {
  if (level < 0 || level > 4) throw RangeError("数值超范围");
  return WriteRegisterFrame(address, kEnergyRegister, static_cast<std::uint16_t>(level));
}

bool ConvertEnergyLevel(std::string_view text, std::int32_t& level) {
  if (text.empty()) return false;
  const std::int32_t v = ConvertInteger(text);
  if (v < 0 || v > 4) throw RangeError("数值超范围");
  level = v;
  return true;
}

Frame ProbeFrame() { return ReadRegistersFrame(kProbeAddress, kParamRegister, 1); }

}  // namespace console
