// PNG snapshots of bitmaps (8-bit RGB) and reading them back for golden comparisons.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/gdi/bitmap.h"

namespace platform::gdi {

class PngError : public core::Error {
public:
  using core::Error::Error;
};

std::vector<std::uint8_t> write_png(const Bitmap& bitmap);
void write_png_file(const std::string& path, const Bitmap& bitmap);
// Any PNG that libpng reads; alpha is dropped (composed over black).
Bitmap read_png(std::span<const std::uint8_t> data);
Bitmap read_png_file(const std::string& path);

}  // namespace platform::gdi
