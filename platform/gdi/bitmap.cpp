#include "platform/gdi/bitmap.h"

#include <algorithm>

#include "core/error.h"
#include "core/strings.h"

namespace platform::gdi {

int bits_per_pixel(PixelFormat f) { return static_cast<int>(f); }

bool bitmap_size_allowed(std::int64_t width, std::int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         width * height <= kMaxBitmapPixels;
}

Bitmap::Bitmap(int width, int height, PixelFormat format, Pixel fill) : format_(format) {
  if (!bitmap_size_allowed(width, height))
    throw core::Error("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                      " is beyond the allowed limits");
  width_ = width;
  height_ = height;
  if (format == PixelFormat::k1bit) {
    palette_ = {kBlackPixel, kWhitePixel};
    fill = (fill & 0xFFFFFF) == kWhitePixel ? kWhitePixel : kBlackPixel;
  }
  pixels_.assign(static_cast<std::size_t>(width) * height, fill & 0xFFFFFF);
}

void Bitmap::set_format(PixelFormat format) {
  if (format == PixelFormat::k1bit && format_ != PixelFormat::k1bit) {
    for (auto& p : pixels_) p = (p == kWhitePixel) ? kWhitePixel : kBlackPixel;
    palette_ = {kBlackPixel, kWhitePixel};
  } else if (format != PixelFormat::k1bit && format != PixelFormat::k4bit &&
             format != PixelFormat::k8bit) {
    palette_.clear();
  }
  format_ = format;
}

void Bitmap::resize(int width, int height, Pixel fill) {
  if (!bitmap_size_allowed(width, height))
    throw core::Error("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                      " is beyond the allowed limits");
  std::vector<Pixel> out(static_cast<std::size_t>(width) * height, fill & 0xFFFFFF);
  const int cw = std::min(width, width_), ch = std::min(height, height_);
  for (int y = 0; y < ch; ++y)
    std::copy_n(scan_line(y), cw, out.data() + static_cast<std::size_t>(y) * width);
  pixels_ = std::move(out);
  width_ = width;
  height_ = height;
}

void Bitmap::fill(Pixel p) { std::fill(pixels_.begin(), pixels_.end(), p & 0xFFFFFF); }

bool Bitmap::mono_bit(int x, int y) const {
  const Pixel p = pixel(x, y);
  if (palette_.size() == 2) return p == palette_[1];
  return p == kWhitePixel;
}

}  // namespace platform::gdi
