// Arbitrary line rates through the kernel's termios2 interface, kept apart from <termios.h>, whose
// declarations clash with the kernel's.
#pragma once

#include <cstdint>

namespace platform::os::detail {

// Sets input and output rate of `fd` to `rate` exactly; false (errno set) when the driver refuses.
bool set_custom_baud(int fd, std::uint32_t rate);
// The output rate the driver holds, 0 when it cannot be read.
std::uint32_t get_baud(int fd);

}  // namespace platform::os::detail
