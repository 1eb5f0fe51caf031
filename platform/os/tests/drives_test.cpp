#include "platform/os/drives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/testing/temp_dir.h"

namespace platform::os {
namespace {

namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
protected:
  void write(const fs::path& p, std::size_t size) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i % 251));
  }
  const core::testing::TempDir scratch_{"thc_drives"};
  const fs::path root_ = scratch_.path();
};

TEST(Mountinfo, FieldsAreReadAndMalformedLinesSkipped) {
  const std::string text =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "90 22 8:17 / /media/user/TF\\040CARD rw,nosuid shared:50 master:3 - vfat /dev/sdb1 rw,fmask=0022\n"
      "91 22 0:25 / /run rw - tmpfs tmpfs rw\n"
      "92 22 8:33 / /mnt/no-dash rw shared:2 vfat /dev/sdc1 rw\n"
      "93 22 x:33 / /mnt/bad-number rw - vfat /dev/sdc1 rw\n"
      "94 22 8:49\n"
      "\n"
      "95 22 8:65 / /mnt/\\134back\\011tab rw - ext4 /dev/sde1 rw";  // last line without newline
  const std::vector<MountEntry> m = parse_mountinfo(text);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].mount_point, "/");
  EXPECT_EQ(m[1].major, 8u);
  EXPECT_EQ(m[1].minor, 17u);
  EXPECT_EQ(m[1].mount_point, "/media/user/TF CARD");
  EXPECT_EQ(m[1].fs_type, "vfat");
  EXPECT_EQ(m[1].source, "/dev/sdb1");
  EXPECT_EQ(m[2].major, 0u);
  EXPECT_EQ(m[3].mount_point, "/mnt/\\back\ttab");
}

TEST_F(TempDir, RemovableMountsComeFromSysfsAndHotplugFolders) {
  const fs::path sys = root_ / "sys";
  auto disk = [&](const std::string& name, int removable) {
    const fs::path d = sys / "devices" / "pci" / "block" / name;
    fs::create_directories(d);
    std::ofstream(d / "removable") << removable << "\n";
    return d;
  };
  auto partition = [&](const fs::path& disk_dir, const std::string& name, const std::string& majmin) {
    const fs::path p = disk_dir / name;
    fs::create_directories(p);
    std::ofstream(p / "partition") << "1\n";
    fs::create_directories(sys / "dev" / "block");
    fs::create_directory_symlink(p, sys / "dev" / "block" / majmin);
  };
  partition(disk("sda", 0), "sda1", "8:1");
  partition(disk("sdb", 1), "sdb1", "8:17");
  partition(disk("sdc", 0), "sdc1", "8:33");
  const fs::path whole = disk("mmcblk0", 1);
  fs::create_directory_symlink(whole, sys / "dev" / "block" / "179:0");
  std::ofstream(root_ / "mountinfo") << "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                        "90 22 8:17 / /mnt/card rw - vfat /dev/sdb1 rw\n"
                                        "91 22 8:33 / /media/user/STICK rw - vfat /dev/sdc1 rw\n"
                                        "92 22 0:25 / /media/user/tmp rw - tmpfs tmpfs rw\n"
                                        "93 22 8:49 / /mnt/unknown rw - ext4 /dev/sdd1 rw\n"
                                        "94 22 179:0 / /mnt/SD10 rw - vfat /dev/mmcblk0 rw\n"
                                        "95 22 179:0 / /mnt/SD2 rw - vfat /dev/mmcblk0 rw\n";
  MountDriveLister lister((root_ / "mountinfo").string(), sys.string());
  const std::vector<std::string> expected{"/media/user/STICK", "/mnt/SD2", "/mnt/SD10", "/mnt/card"};
  EXPECT_EQ(lister.removable_drives(), expected);
  EXPECT_TRUE(lister.is_removable("/mnt/card/"));
  EXPECT_FALSE(lister.is_removable("/"));
  EXPECT_FALSE(lister.is_removable("/mnt/unknown"));

  MountDriveLister missing((root_ / "none").string(), sys.string());
  EXPECT_TRUE(missing.removable_drives().empty());
  MountDriveLister system;  // the running system's mounts: whatever they are, reading them works
  EXPECT_NO_THROW(system.removable_drives());
}

TEST(Wildcard, CaseIgnoredStarAndQuestionMark) {
  struct Case {
    const char* pattern;
    std::string name;
    bool match;
  };
  const Case cases[] = {
      {"*.hhw", "20180408.hhw", true},
      {"*.hhw", "20180408.HHW", true},
      {"*.hhw", "20180408.hhwx", false},
      {"*.hhw", "hhw", false},
      {"*.hhw", ".hhw", true},
      {"THdb*", "thdb12", true},
      {"????????.hhw", "2018040.hhw", false},
      {"????????.hhw", "20180408.hhw", true},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"**.x", "a.x", true},
      {"*a*a*a*a*a*a*a*b", std::string(200, 'a'), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(wildcard_match_icase(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
}

TEST_F(TempDir, TemporaryFolderActsAsRemovableDriveWithCaseFreeLookups) {
  const fs::path card = root_ / "card";
  write(card / "THDB1" / "20180408.HHW", 30);
  write(card / "THDB1" / "20180409.hhw", 1000);
  write(card / "thdb2" / "20180410.hhw", 10);
  fs::create_directories(card / "THDB1" / "20180411.hhw");  // a folder with a day file's name
  FolderDriveLister drives({card.string()});
  ASSERT_EQ(drives.removable_drives(), std::vector<std::string>{card.string()});
  EXPECT_TRUE(drives.is_removable(card.string()));

  const auto dev1 = resolve_icase(card.string(), "THdb1");
  ASSERT_TRUE(dev1);
  EXPECT_EQ(*dev1, (card / "THDB1").string());
  const std::vector<FolderEntry> days = list_folder(*dev1, "*.hhw");
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(days[0].name, "20180408.HHW");
  EXPECT_EQ(days[0].size, 30u);
  EXPECT_FALSE(days[0].is_directory);
  EXPECT_TRUE(days[2].is_directory);

  const auto file = resolve_icase(card.string(), "THdb2\\20180410.HHW");
  ASSERT_TRUE(file);
  EXPECT_EQ(*file, (card / "thdb2" / "20180410.hhw").string());
  EXPECT_FALSE(resolve_icase(card.string(), "THdb3"));
  EXPECT_FALSE(resolve_icase(card.string(), "THdb1/../thdb2"));
  EXPECT_FALSE(find_entry_icase((card / "missing").string(), "x"));
  EXPECT_TRUE(list_folder((card / "missing").string(), "*").empty());

  // Where the file system tells cases apart and both exist, the exact name wins.
  write(card / "thdb1" / "x", 1);
  EXPECT_EQ(*resolve_icase(card.string(), "thdb1"), (card / "thdb1").string());
  EXPECT_EQ(*resolve_icase(card.string(), "THDB1"), (card / "THDB1").string());
  EXPECT_EQ(*resolve_icase(card.string(), "Thdb1"), (card / "THDB1").string());  // first in byte order
}

TEST_F(TempDir, FilesAreReadUpToTheLimitAndDeletedOnce) {
  write(root_ / "small.hhw", 30);
  write(root_ / "big.hhw", 2500);
  EXPECT_EQ(read_file_prefix((root_ / "small.hhw").string(), 1024000).size(), 30u);
  const auto big = read_file_prefix((root_ / "big.hhw").string(), 1000);
  ASSERT_EQ(big.size(), 1000u);
  EXPECT_EQ(big[999], 999 % 251);
  try {
    read_file_prefix((root_ / "gone.hhw").string(), 10);
    ADD_FAILURE() << "no error for a missing file";
  } catch (const core::Error& e) {
    EXPECT_NE(std::string(e.what()).find("gone.hhw"), std::string::npos);
  }
  EXPECT_TRUE(delete_file((root_ / "small.hhw").string()));
  EXPECT_FALSE(delete_file((root_ / "small.hhw").string()));
  EXPECT_FALSE(fs::exists(root_ / "small.hhw"));
}

}  // namespace
}  // namespace platform::os
