#include "console/console_state.h"

#include <cstring>
#include <stdexcept>

#include "core/clock.h"

namespace console {

std::int32_t BaudOfIndex(std::uint8_t index) {
  static constexpr std::array<std::int32_t, 7> kBauds = {1200, 2400, 4800, 9600, 19200, 115200, 1000000};
  return index < kBauds.size() ? kBauds[index] : 0;
}

bool SendFrame(ConsoleState& state, const FrameWriter& write, std::span<const std::uint8_t> frame) {
  if (frame.size() > state.TxFrame.size()) throw std::length_error("request frame longer than the send buffer");
  if (!frame.empty() && frame.data() != state.TxFrame.data()) {
    // The frame may lie inside TxFrame itself.
    std::memmove(state.TxFrame.data(), frame.data(), frame.size());
  }
  const std::span<const std::uint8_t> out(state.TxFrame.data(), frame.size());
  if (write) (void)write(out);
  state.TxLength = static_cast<std::int32_t>(frame.size());
  state.RxAccumulatorCount = 0;
  core::sleep_ms(30);
  return true;
}

}  // namespace console
