#include "platform/os/port_list.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/testing/temp_dir.h"

namespace platform::os {
namespace {

namespace fs = std::filesystem;

TEST(NaturalOrder, DigitRunsCompareAsNumbers) {
  const char* sorted[] = {
      "/dev/pts/2",  "/dev/pts/10",  "/dev/ttyACM0", "/dev/ttyACM2", "/dev/ttyACM10",
      "/dev/ttyS1",  "/dev/ttyS01x", "/dev/ttyS9",   "/dev/ttyS10",  "/dev/ttyS99999999999999999999",
      "/dev/ttyUSB0"};
  for (std::size_t i = 0; i < std::size(sorted); ++i) {
    EXPECT_FALSE(natural_less(sorted[i], sorted[i])) << sorted[i];
    for (std::size_t j = i + 1; j < std::size(sorted); ++j) {
      EXPECT_TRUE(natural_less(sorted[i], sorted[j])) << sorted[i] << " < " << sorted[j];
      EXPECT_FALSE(natural_less(sorted[j], sorted[i])) << sorted[j] << " !< " << sorted[i];
    }
  }
  // Equal numbers written differently still have an order, so sorting is deterministic.
  EXPECT_NE(natural_less("ttyS01", "ttyS1"), natural_less("ttyS1", "ttyS01"));
}

class SysfsTree : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(root_ / "sys");
    fs::create_directories(root_ / "dev");
    fs::create_directories(root_ / "devices" / "serial8250");
    fs::create_directories(root_ / "devices" / "usb");
  }

  // A terminal entry; `driver` empty = no device link (virtual terminal); uart_type < 0 = no type file.
  void add_tty(const std::string& name, const std::string& driver, int uart_type = -1) {
    const fs::path e = root_ / "sys" / name;
    fs::create_directories(e);
    if (!driver.empty()) {
      const fs::path dev = root_ / "devices" / (name + "_dev");
      fs::create_directories(dev);
      fs::create_directory_symlink(root_ / "devices" / driver, dev / "driver");
      fs::create_directory_symlink(dev, e / "device");
    }
    if (uart_type >= 0) std::ofstream(e / "type") << uart_type << "\n";
    std::ofstream(root_ / "dev" / name).put('\0');
  }
  std::string dev(const std::string& name) const { return (root_ / "dev" / name).string(); }

  const core::testing::TempDir scratch_{"thc_ports"};
  const fs::path root_ = scratch_.path();
};

TEST_F(SysfsTree, ListsPresentPortsOnlyInStableNaturalOrder) {
  add_tty("ttyUSB0", "usb");
  add_tty("ttyACM10", "usb");
  add_tty("ttyACM2", "usb");
  add_tty("ttyS0", "serial8250", 4);   // a real 16550A
  add_tty("ttyS1", "serial8250", 0);   // an empty slot
  add_tty("ttyS2", "serial8250", -1);  // no type to read: kept
  add_tty("ttyS3", "port", 0);         // an empty slot as newer kernels show it
  add_tty("tty0", "");                 // a virtual console
  fs::remove(root_ / "dev" / "ttyACM10");
  fs::create_directories(root_ / "sys" / "ttyACM10_gone");  // stale entry without node
  SysfsPortLister lister((root_ / "sys").string(), (root_ / "dev").string());
  const std::vector<std::string> expected{dev("ttyACM2"), dev("ttyS0"), dev("ttyS2"), dev("ttyUSB0")};
  EXPECT_EQ(lister.list_ports(), expected);
  EXPECT_EQ(lister.list_ports(), expected);
}

TEST_F(SysfsTree, AddedPseudoTerminalsAreListedWhileTheyExist) {
  add_tty("ttyUSB0", "usb");
  int master = -1, slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  const std::string pts = ::ttyname(slave);
  fs::create_symlink(pts, root_ / "ttyLINK");
  SysfsPortLister lister((root_ / "sys").string(), (root_ / "dev").string());
  lister.add_port(pts);
  lister.add_port(pts);
  lister.add_port((root_ / "ttyLINK").string());
  std::vector<std::string> ports = lister.list_ports();
  EXPECT_EQ(ports.size(), 3u);
  EXPECT_NE(std::find(ports.begin(), ports.end(), pts), ports.end());
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(),
                             [](const auto& a, const auto& b) { return natural_less(a, b); }));
  EXPECT_EQ(lister.list_ports(), ports);
  ::close(slave);
  ::close(master);
  // Added paths that no longer exist drop out (a closed pty's number may be reused at once by another
  // process, so the link is what goes away here).
  fs::remove(root_ / "ttyLINK");
  lister.remove_port(pts);
  lister.add_port((root_ / "ghost").string());
  ports = lister.list_ports();
  EXPECT_EQ(ports, std::vector<std::string>{dev("ttyUSB0")});
}

TEST(SysfsPortLister, MissingSysfsGivesAnEmptyList) {
  SysfsPortLister lister("/nonexistent/thc/sys", "/nonexistent/thc/dev");
  EXPECT_TRUE(lister.list_ports().empty());
}

}  // namespace
}  // namespace platform::os
