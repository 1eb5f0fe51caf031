// BMP files: reading every uncompressed and run-length layout that tools write (1, 4, 8, 16, 24 and
// 32 bits, bottom-up or top-down, bit fields, RLE4/RLE8, core and extended headers) and writing the
// layouts a bitmap's format tag asks for. Malformed input raises BmpError with a clear message.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
#include "platform/gdi/bitmap.h"

namespace platform::gdi {

class BmpError : public core::Error {
public:
  using core::Error::Error;
};

// A whole file, starting with "BM". An image of more than `max_pixels` pixels is refused before any
// allocation; callers reading small images from untrusted packages pass a lower bound. Run-length data
// is also refused when it declares far more pixels than its bytes can describe.
Bitmap read_bmp(std::span<const std::uint8_t> file, std::int64_t max_pixels = kMaxBitmapPixels);
Bitmap read_bmp_file(const std::string& path, std::int64_t max_pixels = kMaxBitmapPixels);
// A packed device-independent bitmap: the info header, colour table and pixels, with no file header.
Bitmap read_packed_dib(std::span<const std::uint8_t> dib, std::int64_t max_pixels = kMaxBitmapPixels);

// Writes in `format` (default: the bitmap's own tag). Indexed formats use the bitmap's palette,
// extended by the colours it lacks; more colours than the format holds raise BmpError.
std::vector<std::uint8_t> write_bmp(const Bitmap& bitmap, std::optional<PixelFormat> format = {});
void write_bmp_file(const std::string& path, const Bitmap& bitmap,
                    std::optional<PixelFormat> format = {});

}  // namespace platform::gdi
