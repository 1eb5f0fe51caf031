// Removable drives (card readers, USB sticks) and the case-insensitive file look-ups made on them.
//
// A drive is named by its root folder (a mount point such as "/media/user/CARD"). File systems of such
// drives (FAT, exFAT) ignore case, and their mounts may show names in either case ("THDB1", "thdb1"), so
// names on them are found without regard to ASCII case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::os {

class DriveLister {
public:
  virtual ~DriveLister() = default;
  // Roots of the removable drives, in a stable order.
  virtual std::vector<std::string> removable_drives() = 0;
  // Whether `root` is (still) one of them.
  virtual bool is_removable(const std::string& root);
};

// The drives of the running system: mounts in /proc/self/mountinfo whose disk says it is removable in
// sysfs, plus mounts under /media and /run/media (where desktops mount hot-plugged disks, some of which
// do not call themselves removable). Sorted by root.
class MountDriveLister final : public DriveLister {
public:
  explicit MountDriveLister(std::string mountinfo = "/proc/self/mountinfo", std::string sysfs = "/sys");
  std::vector<std::string> removable_drives() override;

private:
  bool disk_is_removable(unsigned major, unsigned minor) const;
  std::string mountinfo_;
  std::string sysfs_;
};

// The test double: the folders it is given act as removable drive roots, in the order given.
class FolderDriveLister final : public DriveLister {
public:
  FolderDriveLister() = default;
  explicit FolderDriveLister(std::vector<std::string> roots) : roots_(std::move(roots)) {}
  void set_roots(std::vector<std::string> roots) { roots_ = std::move(roots); }
  std::vector<std::string> removable_drives() override { return roots_; }

private:
  std::vector<std::string> roots_;
};

struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string mount_point;  // escapes (\040 and the like) decoded
  std::string fs_type;
  std::string source;
};

// Parses mountinfo text; malformed lines are skipped.
std::vector<MountEntry> parse_mountinfo(std::string_view text);

// '*' and '?' wildcards, ASCII case ignored ("*.hhw" matches "20180408.HHW").
bool wildcard_match_icase(std::string_view pattern, std::string_view name);

// The path of the entry of `folder` named `name` in any ASCII case; an exact match wins, otherwise the
// first in byte order. nullopt when there is none or the folder cannot be read.
std::optional<std::string> find_entry_icase(const std::string& folder, std::string_view name);
// Resolves a relative path ('/' or '\' separated) below `root` one component at a time, as above.
// "." and ".." components are refused.
std::optional<std::string> resolve_icase(const std::string& root, std::string_view relative);

struct FolderEntry {
  std::string name;
  bool is_directory = false;
  std::uint64_t size = 0;
};
// Entries of `folder` whose names match `pattern` (wildcard_match_icase), sorted by name in byte order.
// "." and ".." are never listed; a folder that cannot be read gives none.
std::vector<FolderEntry> list_folder(const std::string& folder, std::string_view pattern = "*");

// At most `max_bytes` from the start of a file; throws core::Error naming the file when it cannot be
// opened or read.
std::vector<std::uint8_t> read_file_prefix(const std::string& path, std::size_t max_bytes);
// Deletes a file; false when it could not (already gone, no permission).
bool delete_file(const std::string& path);

}  // namespace platform::os
