#include "platform/os/port_list.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform::os {
namespace fs = std::filesystem;

bool natural_less(std::string_view a, std::string_view b) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && digit(a[ie])) ++ie;
      while (je < b.size() && digit(b[je])) ++je;
      // Compare the runs as numbers of any length: skip leading zeros, then longer is larger.
      std::size_t is = i, js = j;
      while (is + 1 < ie && a[is] == '0') ++is;
      while (js + 1 < je && b[js] == '0') ++js;
      const std::string_view na = a.substr(is, ie - is), nb = b.substr(js, je - js);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;
}

SysfsPortLister::SysfsPortLister(std::string sysfs_tty, std::string dev)
    : sysfs_tty_(std::move(sysfs_tty)), dev_(std::move(dev)) {}

void SysfsPortLister::add_port(const std::string& path) {
  if (std::find(extra_.begin(), extra_.end(), path) == extra_.end()) extra_.push_back(path);
}

void SysfsPortLister::remove_port(const std::string& path) { std::erase(extra_, path); }

namespace {

// Serial-core drivers (the legacy 8250 above all) register every slot they might have; a slot without a
// chip behind it reports UART type 0. Other terminals (USB adapters) have no type at all.
bool is_empty_uart_slot(const fs::path& entry) {
  std::ifstream type(entry / "type");
  int value = -1;
  if (!(type >> value)) return false;
  return value == 0;
}

}  // namespace

std::vector<std::string> SysfsPortLister::list_ports() {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(sysfs_tty_, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path entry = it->path();
    std::error_code e2;
    if (!fs::is_symlink(entry / "device", e2)) continue;
    if (is_empty_uart_slot(entry)) continue;
    const fs::path node = fs::path(dev_) / entry.filename();
    if (!fs::exists(node, e2)) continue;
    out.push_back(node.string());
  }
  for (const std::string& p : extra_) {
    std::error_code e2;
    if (fs::exists(p, e2)) out.push_back(p);
  }
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return natural_less(a, b); });
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace platform::os
