#include "platform/os/drives.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/error.h"
#include "core/unicode.h"
#include "platform/os/port_list.h"

namespace platform::os {
namespace fs = std::filesystem;

bool DriveLister::is_removable(const std::string& root) {
  const auto strip = [](std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  };
  const std::string want = strip(root);
  for (const std::string& r : removable_drives()) {
    if (strip(r) == want) return true;
  }
  return false;
}

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes in paths as three octal digits.
std::string unescape_mount_path(std::string_view s) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 4 <= s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && octal(s[i + 2]) &&
        octal(s[i + 3])) {
      out.push_back(static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

bool parse_unsigned(std::string_view s, unsigned& out) {
  if (s.empty() || s.size() > 9) return false;
  unsigned v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  out = v;
  return true;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> f;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) f.push_back(line.substr(start, i - start));
  }
  return f;
}

}  // namespace

std::vector<MountEntry> parse_mountinfo(std::string_view text) {
  std::vector<MountEntry> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> f = fields_of(text.substr(pos, end - pos));
    pos = end + 1;
    // id parent major:minor root mount-point options [optional...] - fs-type source super-options
    if (f.size() < 9) continue;
    const auto dash = std::find(f.begin() + 6, f.end(), std::string_view("-"));
    if (dash == f.end() || f.end() - dash < 3) continue;
    const std::size_t colon = f[2].find(':');
    MountEntry m;
    if (colon == std::string_view::npos || !parse_unsigned(f[2].substr(0, colon), m.major) ||
        !parse_unsigned(f[2].substr(colon + 1), m.minor)) {
      continue;
    }
    m.mount_point = unescape_mount_path(f[4]);
    m.fs_type = unescape_mount_path(dash[1]);
    m.source = unescape_mount_path(dash[2]);
    out.push_back(std::move(m));
  }
  return out;
}

MountDriveLister::MountDriveLister(std::string mountinfo, std::string sysfs)
    : mountinfo_(std::move(mountinfo)), sysfs_(std::move(sysfs)) {}

bool MountDriveLister::disk_is_removable(unsigned major, unsigned minor) const {
  std::error_code ec;
  const fs::path dev = fs::canonical(
      fs::path(sysfs_) / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor)), ec);
  if (ec) return false;
  // A partition's "removable" flag lives on its disk, the folder above it.
  const fs::path disk = fs::exists(dev / "partition", ec) ? dev.parent_path() : dev;
  std::ifstream in(disk / "removable");
  int flag = 0;
  return (in >> flag) && flag == 1;
}

std::vector<std::string> MountDriveLister::removable_drives() {
  std::ifstream in(mountinfo_, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<std::string> roots;
  for (const MountEntry& m : parse_mountinfo(text.str())) {
    if (m.major == 0) continue;  // no block device behind it (tmpfs, proc, network file systems)
    const bool hotplug_folder =
        m.mount_point.starts_with("/media/") || m.mount_point.starts_with("/run/media/");
    if (hotplug_folder || disk_is_removable(m.major, m.minor)) roots.push_back(m.mount_point);
  }
  std::sort(roots.begin(), roots.end(),
            [](const std::string& a, const std::string& b) { return natural_less(a, b); });
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
  return roots;
}

bool wildcard_match_icase(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point for the last '*': linear in practice, never exponential.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || core::ascii_lower(pattern[p]) == core::ascii_lower(name[n])) &&
        pattern[p] != '*') {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::string> find_entry_icase(const std::string& folder, std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
    return std::nullopt;
  std::error_code ec;
  const fs::path exact = fs::path(folder) / std::string(name);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact.string();
  std::optional<std::string> best;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (core::ascii_iequals(entry, name) && (!best || entry < fs::path(*best).filename().string())) {
      best = it->path().string();
    }
  }
  return best;
}

std::optional<std::string> resolve_icase(const std::string& root, std::string_view relative) {
  std::string current = root;
  std::size_t pos = 0;
  while (pos <= relative.size()) {
    std::size_t end = relative.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view part = relative.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    if (part == "." || part == "..") return std::nullopt;
    auto next = find_entry_icase(current, part);
    if (!next) return std::nullopt;
    current = std::move(*next);
  }
  return current;
}

std::vector<FolderEntry> list_folder(const std::string& folder, std::string_view pattern) {
  std::vector<FolderEntry> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!wildcard_match_icase(pattern, name)) continue;
    FolderEntry e;
    e.name = name;
    std::error_code e2;
    e.is_directory = it->is_directory(e2);
    if (!e.is_directory) {
      const auto size = it->file_size(e2);
      e.size = e2 ? 0 : size;
    }
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return out;
}

std::vector<std::uint8_t> read_file_prefix(const std::string& path, std::size_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw core::Error("cannot open file \"" + path + "\": " + std::strerror(errno));
  std::vector<std::uint8_t> out;
  std::uint8_t buf[65536];
  while (out.size() < max_bytes) {
    const ssize_t n = ::read(fd, buf, std::min(sizeof buf, max_bytes - out.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      throw core::Error("cannot read file \"" + path + "\": " + std::strerror(e));
    }
    if (n == 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

bool delete_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace platform::os
