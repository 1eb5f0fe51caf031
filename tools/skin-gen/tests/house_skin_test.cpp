#include "tools/skin-gen/house_skin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/gdi/png_file.h"
#include "skin/quick_ini.h"
#include "skin/skin_objects.h"

namespace skin_gen {
namespace {

std::string source_path(const std::string& rel) {
  const char* root = std::getenv("THC_SOURCE_DIR");
  return std::string(root ? root : "../..") + "/" + rel;
}

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TEST(HouseSkin, RegeneratesTheCheckedInPackageByteForByte) {
  const std::vector<std::uint8_t> checked_in = read_file(source_path(kHouseSkinAsset));
  ASSERT_FALSE(checked_in.empty()) << "missing " << kHouseSkinAsset << "; run skin-gen to make it";
  EXPECT_TRUE(house_skin_package() == checked_in)
      << kHouseSkinAsset << " is stale: run `skin-gen " << kHouseSkinAsset << "` from the source root";
}

TEST(HouseSkin, SheetOfEveryBitmapIsKeptForAPerson) {
  const char* bin = std::getenv("THC_BINARY_DIR");
  const std::filesystem::path dir = std::filesystem::path(bin ? bin : ".") / "tools" / "skin-gen";
  std::filesystem::create_directories(dir);
  const auto path = (dir / "house_skin_sheet.png").string();
  const std::vector<SkinPicture> pictures = house_skin_pictures();
  platform::gdi::write_png_file(path, contact_sheet(pictures));
  const platform::gdi::Bitmap back = platform::gdi::read_png_file(path);
  EXPECT_GT(back.width(), 0);
  // Every bitmap is a whole number of frames and carries only 24-bit colours.
  for (const SkinPicture& p : pictures) {
    EXPECT_FALSE(p.bitmap.empty()) << p.name;
  }
}

}  // namespace
}  // namespace skin_gen
