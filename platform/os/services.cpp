#include "platform/os/services.h"

#include <mutex>

#include "platform/os/device_notices.h"
#include "platform/os/drives.h"
#include "platform/os/port_list.h"
#include "platform/os/shell.h"
#include "platform/os/termios_serial.h"

namespace platform::os {
namespace {

std::mutex g_mutex;
Services g_installed;  // doubles in force; null members fall through to the system services

template <typename T>
T& system_service() {
  static T service;
  return service;
}

template <typename Base, typename System>
Base& pick(Base* Services::*member) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (Base* installed = g_installed.*member) return *installed;
  }
  return system_service<System>();
}

}  // namespace

SerialOpener& serial_opener() { return pick<SerialOpener, TermiosSerialOpener>(&Services::serial); }
PortLister& port_lister() { return pick<PortLister, SysfsPortLister>(&Services::ports); }
DriveLister& drive_lister() { return pick<DriveLister, MountDriveLister>(&Services::drives); }
DeviceNotices& device_notices() { return pick<DeviceNotices, NetlinkDeviceNotices>(&Services::notices); }
Shell& shell() { return pick<Shell, XdgShell>(&Services::shell); }

ScopedServices::ScopedServices(const Services& doubles) {
  std::lock_guard<std::mutex> lock(g_mutex);
  previous_ = g_installed;
  if (doubles.serial) g_installed.serial = doubles.serial;
  if (doubles.ports) g_installed.ports = doubles.ports;
  if (doubles.drives) g_installed.drives = doubles.drives;
  if (doubles.notices) g_installed.notices = doubles.notices;
  if (doubles.shell) g_installed.shell = doubles.shell;
}

ScopedServices::~ScopedServices() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_installed = previous_;
}

}  // namespace platform::os
