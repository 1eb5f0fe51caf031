// The console's own small images: the glyphs of its buttons, the tool button's image, the help and
// data-folder icons. Each is drawn here pixel by pixel from a table of colour letters, so that the
// checked-in files come out the same on every machine; the colour of the bottom-left pixel is the
// transparent one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/bitmap.h"

namespace image_gen {

struct ConsoleImage {
  std::string name;
  platform::gdi::Bitmap bitmap;
};

// Every image, in a fixed order: the 16 x 16 glyphs, then the 32 x 32 icons.
std::vector<ConsoleImage> console_images();
// The image as a 24-bit BMP file.
std::vector<std::uint8_t> console_image_file(const ConsoleImage& image);
// All images side by side on a neutral ground, four times their size, for a person to look at.
platform::gdi::Bitmap contact_sheet(const std::vector<ConsoleImage>& images);

// Where the files are checked in, relative to the source root, and their extension.
inline constexpr const char* kImageAssetDir = "assets/images";
inline constexpr const char* kImageExtension = ".bmp";
// The transparent colour of every image.
inline constexpr platform::gdi::Pixel kTransparentPixel = 0xFF00FF;

}  // namespace image_gen
