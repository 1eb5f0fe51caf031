#include "platform/os/custom_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform::os::detail {

bool set_custom_baud(int fd, std::uint32_t rate) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) < 0) return false;
  t.c_cflag &= ~CBAUD;
  t.c_cflag |= BOTHER;
  t.c_cflag &= ~(CBAUD << IBSHIFT);
  t.c_cflag |= BOTHER << IBSHIFT;
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ::ioctl(fd, TCSETS2, &t) == 0;
}

std::uint32_t get_baud(int fd) {
  termios2 t{};
  if (::ioctl(fd, TCGETS2, &t) < 0) return 0;
  return t.c_ospeed;
}

}  // namespace platform::os::detail
