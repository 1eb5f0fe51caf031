// Pixel storage of the drawing layer: every bitmap keeps 32-bit BGRX pixels (0x00RRGGBB in a uint32)
// whatever its pixel-format tag; the tag records what the bitmap stands for (a monochrome mask, a
// 24-bit skin picture, ...) so that conversions and file writing behave as callers expect.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

enum class PixelFormat { k1bit = 1, k4bit = 4, k8bit = 8, k16bit = 16, k24bit = 24, k32bit = 32 };
int bits_per_pixel(PixelFormat f);

// A pixel value as stored: 0x00RRGGBB.
using Pixel = std::uint32_t;
constexpr Pixel pixel_from_colorref(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF colorref_from_pixel(Pixel p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
inline constexpr Pixel kBlackPixel = 0x000000;
inline constexpr Pixel kWhitePixel = 0xFFFFFF;

// Largest bitmap the layer agrees to allocate (width, height, and pixel count); bigger requests are
// refused before any allocation.
inline constexpr std::int64_t kMaxBitmapSide = 32768;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 27;  // 512 MB of pixels
bool bitmap_size_allowed(std::int64_t width, std::int64_t height);

class Bitmap {
public:
  Bitmap() = default;
  // Throws core::Error when the size is negative or beyond the limits above.
  Bitmap(int width, int height, PixelFormat format = PixelFormat::k32bit, Pixel fill = kBlackPixel);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  PixelFormat format() const { return format_; }
  bool monochrome() const { return format_ == PixelFormat::k1bit; }

  // Changes the tag. Going to 1 bit maps white to white and every other colour to black; other
  // changes keep the pixels.
  void set_format(PixelFormat format);
  // Palette of an indexed bitmap as read from a file (kept so that writing it back is exact).
  const std::vector<Pixel>& palette() const { return palette_; }
  void set_palette(std::vector<Pixel> palette) { palette_ = std::move(palette); }

  // Resizes, keeping the top-left part and filling new area with `fill`.
  void resize(int width, int height, Pixel fill = kBlackPixel);

  Pixel* scan_line(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Pixel* scan_line(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void set_pixel(int x, int y, Pixel p) { pixels_[static_cast<std::size_t>(y) * width_ + x] = p & 0xFFFFFF; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void fill(Pixel p);
  std::span<Pixel> pixels() { return pixels_; }
  std::span<const Pixel> pixels() const { return pixels_; }

  // For a monochrome bitmap: true where the pixel is the "set" (white, index 1) colour.
  bool mono_bit(int x, int y) const;

  friend bool operator==(const Bitmap& a, const Bitmap& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ && a.pixels_ == b.pixels_;
  }

private:
  int width_ = 0, height_ = 0;
  PixelFormat format_ = PixelFormat::k32bit;
  std::vector<Pixel> palette_;
  std::vector<Pixel> pixels_;
};

}  // namespace platform::gdi
