// Kernel uevent datagrams come from outside the program: any bytes must parse or be refused cleanly.
#include <cstddef>
#include <cstdint>

#include "platform/os/device_notices.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto notice = platform::os::parse_uevent(std::span<const std::uint8_t>(data, size));
  if (notice && (notice->name.empty() || notice->devpath.empty())) __builtin_trap();
  return 0;
}
