// The operating-system services the program uses, reachable from one place: the running system's own
// unless a test installed doubles for some of them.
#pragma once

namespace platform::os {

class SerialOpener;
class PortLister;
class DriveLister;
class DeviceNotices;
class Shell;

struct Services {
  SerialOpener* serial = nullptr;
  PortLister* ports = nullptr;
  DriveLister* drives = nullptr;
  DeviceNotices* notices = nullptr;
  Shell* shell = nullptr;
};

// The services in force. Each system service is made on first use and lives until the process ends
// (the device-notice socket is opened only when first asked for).
SerialOpener& serial_opener();
PortLister& port_lister();
DriveLister& drive_lister();
DeviceNotices& device_notices();
Shell& shell();

// Installs the non-null members of `doubles` (not owned) for the lifetime of a scope; the others stay as
// they were. Scopes nest. Install before the code under test starts threads that use the services.
class ScopedServices {
public:
  explicit ScopedServices(const Services& doubles);
  ~ScopedServices();
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;

private:
  Services previous_;
};

}  // namespace platform::os
