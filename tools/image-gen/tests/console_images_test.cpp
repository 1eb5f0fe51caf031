#include "tools/image-gen/console_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/gdi/bmp_file.h"
#include "platform/gdi/png_file.h"

namespace image_gen {
namespace {

std::filesystem::path source_path(const std::string& rel) {
  const char* root = std::getenv("THC_SOURCE_DIR");
  return std::filesystem::path(root ? root : "../..") / rel;
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TEST(ConsoleImages, RegenerateTheCheckedInFilesByteForByte) {
  const auto images = console_images();
  std::set<std::string> names;
  for (const ConsoleImage& image : images) {
    names.insert(image.name + kImageExtension);
    const auto path = source_path(kImageAssetDir) / (image.name + kImageExtension);
    const std::vector<std::uint8_t> checked_in = read_file(path);
    ASSERT_FALSE(checked_in.empty()) << "missing " << path << "; run image-gen " << kImageAssetDir;
    EXPECT_TRUE(console_image_file(image) == checked_in)
        << path << " is stale: run `image-gen " << kImageAssetDir << "` from the source root";
    // What the console reads back is what was drawn.
    const platform::gdi::Bitmap back = platform::gdi::read_bmp(checked_in);
    ASSERT_EQ(back.width(), image.bitmap.width()) << image.name;
    for (int y = 0; y < back.height(); ++y)
      for (int x = 0; x < back.width(); ++x) ASSERT_EQ(back.pixel(x, y), image.bitmap.pixel(x, y)) << image.name;
  }
  // Nothing else lies in the folder: a removed image leaves no stale file behind.
  for (const auto& e : std::filesystem::directory_iterator(source_path(kImageAssetDir)))
    EXPECT_TRUE(names.count(e.path().filename().string())) << "stray " << e.path();
}

TEST(ConsoleImages, SheetOfEveryImageIsKeptForAPerson) {
  const auto images = console_images();
  for (const ConsoleImage& image : images) {
    const int w = image.bitmap.width();
    EXPECT_TRUE(w == 16 || w == 32) << image.name;
    EXPECT_EQ(image.bitmap.height(), w) << image.name;
    // Something besides the transparent colour, and the corner that names it is transparent.
    int drawn = 0;
    for (int y = 0; y < w; ++y)
      for (int x = 0; x < w; ++x) drawn += image.bitmap.pixel(x, y) != kTransparentPixel;
    EXPECT_GT(drawn, w * w / 10) << image.name;
    EXPECT_EQ(image.bitmap.pixel(0, w - 1), kTransparentPixel) << image.name;
  }
  const char* bin = std::getenv("THC_BINARY_DIR");
  const std::filesystem::path dir = std::filesystem::path(bin ? bin : ".") / "tools" / "image-gen";
  std::filesystem::create_directories(dir);
  platform::gdi::write_png_file((dir / "console_images_sheet.png").string(), contact_sheet(images));
}

}  // namespace
}  // namespace image_gen
