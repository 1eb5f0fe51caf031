#include "platform/os/services.h"

#include <gtest/gtest.h>

#include "platform/os/device_notices.h"
#include "platform/os/drives.h"
#include "platform/os/fake_serial.h"
#include "platform/os/port_list.h"
#include "platform/os/shell.h"
#include "platform/os/termios_serial.h"

namespace platform::os {
namespace {

TEST(Services, DoublesOverrideOnlyWhatTheyReplaceAndScopesNest) {
  SerialOpener* system_serial = &serial_opener();
  Shell* system_shell = &shell();
  EXPECT_NE(dynamic_cast<TermiosSerialOpener*>(system_serial), nullptr);
  EXPECT_NE(dynamic_cast<XdgShell*>(system_shell), nullptr);
  EXPECT_NE(dynamic_cast<SysfsPortLister*>(&port_lister()), nullptr);
  EXPECT_NE(dynamic_cast<MountDriveLister*>(&drive_lister()), nullptr);

  FakeSerialOpener fake_serial;
  RecordingShell recording;
  FixedPortLister ports({"/dev/pts/7"});
  {
    ScopedServices outer(Services{.serial = &fake_serial, .shell = &recording});
    EXPECT_EQ(&serial_opener(), &fake_serial);
    EXPECT_EQ(&shell(), &recording);
    {
      ScopedServices inner(Services{.ports = &ports});
      EXPECT_EQ(port_lister().list_ports(), std::vector<std::string>{"/dev/pts/7"});
      EXPECT_EQ(&serial_opener(), &fake_serial);
    }
    EXPECT_NE(&port_lister(), &ports);
    shell().open("report.pdf");
    EXPECT_EQ(recording.calls().size(), 1u);
  }
  EXPECT_EQ(&serial_opener(), system_serial);
  EXPECT_EQ(&shell(), system_shell);
}

}  // namespace
}  // namespace platform::os
