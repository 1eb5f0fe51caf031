// The fixture of the window tests: a fresh window system on the headless display, a virtual clock
// fixed at a known local time (UTC), fake serial ports and port list, a recording shell, a dialog
// script that must end with nothing unexpected, and a private working folder; then the main window
// as the program starts it.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/main_form.h"
#include "core/clock.h"
#include "platform/components/dialogs.h"
#include "platform/os/fake_serial.h"
#include "platform/os/port_list.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

namespace console::test {

using Bytes = std::vector<std::uint8_t>;

// The project's source folder: THC_SOURCE_DIR as ctest sets it, else the tree the test was built from.
inline std::string ProjectSourceDir() {
  const char* src = std::getenv("THC_SOURCE_DIR");
  return src ? src : THC_PROJECT_SOURCE_DIR;
}

// 2024-05-06 07:08:09 UTC.
inline core::WallTime FixedWallTime() { return core::WallTime{} + std::chrono::seconds(1714979289); }

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the window (FormCreate runs) and shows it.
  void Start();
  // Clicks a windowed control the way a user does (mouse down and up over it), then pumps.
  void Click(pc::TWinControl& c);
  void Pump();
  // Lets `ms` of virtual time pass, then runs the loop once (one tick per due timer).
  void Pass(int ms);
  // Runs the loop until `done` holds or a real-time bound passes (replies from a real line).
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::milliseconds(5000));

  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_clock_;
  platform::os::FakeSerialOpener opener_;
  platform::os::FixedPortLister ports_;
  platform::os::RecordingShell shell_;
  std::unique_ptr<platform::os::ScopedServices> services_;
  std::unique_ptr<pc::DialogScript> dialogs_;
  std::string old_dir_, work_dir_;
  // Off: the program's own serial devices (pseudo-terminals) instead of the fakes.
  bool fake_serial_ = true;
  Tform1* form_ = nullptr;
};

}  // namespace console::test
