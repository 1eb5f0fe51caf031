// Request frames: address, function code, big-endian register fields, then the CRC low byte first.
// Every builder checks its values first and throws before anything is built, so a bad operator entry
// never leaves a half-made frame or a flag behind.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace console {

using Frame = std::vector<std::uint8_t>;

constexpr std::uint8_t kReadRegisters = 0x03;
constexpr std::uint8_t kWriteRegister = 0x06;
constexpr std::uint8_t kWriteRegisters = 0x10;
constexpr std::uint8_t kOwnRead = 0x2E;  // the instruments' own read function

constexpr std::uint8_t kProbeAddress = 255;
// Written to the clear register; the instrument clears its records only for exactly this value.
constexpr std::uint16_t ClearConfirmation = 0x0001;

// Registers the catalogue talks to.
constexpr std::uint16_t kLiveRegister = 0;
constexpr std::uint16_t kLiveCount = 6;
constexpr std::uint16_t kParamRegister = 200;
constexpr std::uint16_t kParamCount = 24;
constexpr std::uint16_t kRecordingRegister = 222;
constexpr std::uint16_t kClockRegister = 224;
constexpr std::uint16_t kStartTimeRegister = 227;
constexpr std::uint16_t kEnergyRegister = 230;
constexpr std::uint16_t kAlarmOutputRegister = 233;
constexpr std::uint16_t kClearRegister = 300;

// A text that is not a number of the expected form.
class ConversionError : public core::Error {
public:
  using core::Error::Error;
};
// A number that does not fit where it is to go; nothing is sent.
class RangeError : public core::Error {
public:
  using core::Error::Error;
};

// The console's integer conversion: leading blanks, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X", nothing after them, within 32 bits.
std::int32_t ConvertInteger(std::string_view text);
// A decimal number with '.' as separator (leading and trailing blanks allowed), times ten and
// truncated toward zero. Exact in decimal: "2.3" is 23, never 22.
std::int32_t ConvertTenths(std::string_view text);
// ConvertInteger, then the range check; `what` names the field in the message.
std::int32_t ConvertInRange(std::string_view text, std::int32_t lo, std::int32_t hi, std::string_view what);

// Generic builders. Counts must be 1..125 for reads and 1..123 for writes (the line's limits, which
// also keep every frame inside the 1024-byte send buffer).
Frame ReadRegistersFrame(std::uint8_t address, std::uint16_t first, std::uint16_t count);
Frame OwnReadFrame(std::uint8_t address, std::uint16_t first, std::uint16_t count);
Frame WriteRegisterFrame(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
Frame WriteRegistersFrame(std::uint8_t address, std::uint16_t first, std::span<const std::uint16_t> values);
// Appends the CRC of everything in `frame`.
void AppendCrc(Frame& frame);

// The address edit's text as DeviceAddress (0..255).
std::uint8_t ConvertDeviceAddress(std::string_view text);

// One clock value: year, month, day, hour, minute, second.
struct ClockFields {
  std::int32_t year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// The six clock bytes (year minus 2000, then one byte per field). The year must lie in 2000..2255,
// the other fields in 0..255 (no calendar check: the instrument is told what the operator typed).
std::array<std::uint8_t, 6> ClockBytes(const ClockFields& t);
// The six clock edits converted and checked.
ClockFields ConvertClockEdits(const std::array<std::string, 6>& texts);

// The 24 parameter registers from 200 on, in the order they are written.
enum class ParamConversion { Integer, Tenths, Index };
struct ParameterField {
  std::uint16_t reg;
  std::string_view control;
  ParamConversion conversion;
  std::int32_t lo, hi;  // accepted range of the converted value (tenths for Tenths)
};
extern const std::array<ParameterField, kParamCount> kParameterFields;

// What the window holds for one parameter: the edit's text, or the combo box's selection and
// number of items.
struct ParameterInput {
  std::string text;
  std::int32_t item_index = -1;
  std::int32_t item_count = 0;
};
// Converts and checks the whole block; throws on the first bad field, naming its control.
std::array<std::uint16_t, kParamCount> ConvertParameterBlock(std::span<const ParameterInput, kParamCount> inputs);

// The requests of the command catalogue.
Frame LiveReadFrame(std::uint8_t address);
Frame ParameterReadFrame(std::uint8_t address);
Frame ParameterSaveFrame(std::uint8_t address, std::span<const std::uint16_t, kParamCount> values);
Frame ClockReadFrame(std::uint8_t address);
Frame StartTimeReadFrame(std::uint8_t address);
Frame ClockSetFrame(std::uint8_t address, const ClockFields& t);
Frame StartTimeSetFrame(std::uint8_t address, const ClockFields& t);
Frame RecordingFrame(std::uint8_t address, bool on);
Frame AlarmOutputFrame(std::uint8_t address, bool on);  // 3 on, 0 off
Frame ClearRecordsFrame(std::uint8_t address);
// Energy-saving level 0..4 (4 sleeps, 0 shows live values).
Frame EnergyFrame(std::uint8_t address, std::int32_t level);
// The energy-level box's text: false for an empty text (a cancelled box sends nothing), true with
// `level` set otherwise; a level outside 0..4 throws RangeError "数值超范围" and sends nothing.
bool ConvertEnergyLevel(std::string_view text, std::int32_t& level);
Frame ProbeFrame();

}  // namespace console
