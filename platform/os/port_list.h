// The list of serial ports the console offers, in a stable order (its last entry is the one preselected
// and the one a scan tries first).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::os {

class PortLister {
public:
  virtual ~PortLister() = default;
  // Port names as full device paths ("/dev/ttyUSB0"), in natural order, without duplicates.
  virtual std::vector<std::string> list_ports() = 0;
};

// Ports of the running system: the terminals under /sys/class/tty that sit on a device (virtual consoles
// and pseudo-terminals have none), less the UART slots that the kernel creates whether or not a chip is
// behind them (those report type 0), plus paths added by hand (links, pseudo-terminals) while they exist.
class SysfsPortLister final : public PortLister {
public:
  explicit SysfsPortLister(std::string sysfs_tty = "/sys/class/tty", std::string dev = "/dev");

  void add_port(const std::string& path);
  void remove_port(const std::string& path);

  std::vector<std::string> list_ports() override;

private:
  std::string sysfs_tty_;
  std::string dev_;
  std::vector<std::string> extra_;
};

// The test double: the list it is given.
class FixedPortLister final : public PortLister {
public:
  FixedPortLister() = default;
  explicit FixedPortLister(std::vector<std::string> ports) : ports_(std::move(ports)) {}
  void set_ports(std::vector<std::string> ports) { ports_ = std::move(ports); }
  std::vector<std::string> list_ports() override { return ports_; }

private:
  std::vector<std::string> ports_;
};

// Orders names with their digit runs compared as numbers: ttyS2 < ttyS10 < ttyUSB0; ties broken by the
// plain byte order so that the order is total.
bool natural_less(std::string_view a, std::string_view b);

}  // namespace platform::os
