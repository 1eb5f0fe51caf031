// The console's own images, embedded from assets/images (drawn by tools/image-gen): button glyphs,
// the tool button's image and the help and data-folder icons, as BMP files whose bottom-left pixel
// gives the transparent colour.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace console {

// The BMP file of image `name` ("read", "help"), or nothing when there is no such image.
std::span<const std::uint8_t> ImageAsset(std::string_view name);

}  // namespace console
