#include "platform/os/serial_device.h"

namespace platform::os {

std::string serial_device_path(std::string_view name) {
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return "/dev/" + std::string(name);
}

WriteOutcome write_all(SerialDevice& device, std::span<const std::uint8_t> data, const Event& stop) {
  WriteOutcome out;
  while (out.written < data.size()) {
    if (stop.is_set()) {
      out.status = WriteStatus::Stopped;
      return out;
    }
    const IoResult r = device.write(data.subspan(out.written));
    switch (r.status) {
      case IoStatus::Ok: out.written += r.count; continue;
      case IoStatus::WouldBlock: break;
      case IoStatus::Hangup: out.status = WriteStatus::Hangup; return out;
      case IoStatus::Closed: out.status = WriteStatus::Closed; return out;
      case IoStatus::Error:
        out.status = WriteStatus::Error;
        out.error = r.error;
        return out;
    }
    switch (device.wait_write(&stop, kInfinite)) {
      case SerialWait::Stop: out.status = WriteStatus::Stopped; return out;
      case SerialWait::Aborted: out.status = WriteStatus::Aborted; return out;
      default: break;  // room, or a hang-up that the next write reports
    }
  }
  return out;
}

}  // namespace platform::os
