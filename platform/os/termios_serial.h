// Serial devices of the running system: terminal devices under /dev (UARTs, USB adapters, pseudo-terminals)
// driven through termios.
//
// Opening: O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC, then the checks (character device and terminal), then an
// exclusive flock, which unlike TIOCEXCL also stops root. The line starts raw (a fresh terminal echoes and
// treats 0x11/0x13 as flow control, both fatal to binary frames) with the default LineSettings.
//
// Line events: errors come from the driver's error counters (TIOCGICOUNT), read when received bytes wake
// the reader; modem changes (carrier, ring) from a helper thread blocked in TIOCMIWAIT. Devices without
// these (pseudo-terminals) simply never report any.
#pragma once

#include <termios.h>

#include "platform/os/serial_device.h"

namespace platform::os {

class TermiosSerialOpener final : public SerialOpener {
public:
  std::unique_ptr<SerialDevice> open(std::string_view name) override;
};

namespace detail {
// The terminal flags for `s` (rate aside), starting from raw mode. Pseudo-terminals force 8 data bits
// without parity whatever they are given, so the mapping is checked on its own.
void to_termios(const LineSettings& s, termios& t);
}  // namespace detail

}  // namespace platform::os
