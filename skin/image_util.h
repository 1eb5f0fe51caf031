// Preparing skin pictures and colours: recolouring the magenta key, mirroring, flipping and turning
// pictures, mixing colours, rating saturation, and linear gradients drawn from a small cache of
// colour ramps. Colour values have red in the low byte; a value with the top bit set names a system
// colour (index in the low byte).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"
#include "skin/skin_image.h"

namespace skin {

inline constexpr gdi::COLORREF kKeyColour = 0xFF00FF;

// Marks the picture 24-bit and gives every pixel of exactly red 255, green 0, blue 255 the colour.
void RecolourKey(gdi::Bitmap& bitmap, gdi::COLORREF colour);
void RecolourKey(SkinImage& image, gdi::COLORREF colour);
void MirrorHorizontal(gdi::Bitmap& bitmap);
void MirrorHorizontal(SkinImage& image);
void FlipVertical(gdi::Bitmap& bitmap);
void FlipVertical(SkinImage& image);
// A quarter turn anticlockwise / clockwise; width and height swap.
void RotateLeft(SkinImage& image);
void RotateRight(SkinImage& image);
gdi::Bitmap RotatedLeft(const gdi::Bitmap& bitmap);
gdi::Bitmap RotatedRight(const gdi::Bitmap& bitmap);

// Mixture of a and b: weights below 100 are percent of a, larger weights thousandths of a (a weight of
// exactly 100 is 10 %).
gdi::COLORREF Blend(gdi::COLORREF a, gdi::COLORREF b, int weight);
// 0..255, or 200 when every channel is below 160.
int Saturation(gdi::COLORREF colour);

// The cache of colour ramps: 16 slots used round-robin. One per process; tests reset it.
class GradientCache {
public:
  static constexpr int kSlots = 16;
  static GradientCache& instance();
  void reset();

  // Slot holding a ramp of `count` lines from start to end, or -1. Throws core::Error
  // ("Assertion failure") when count is below 1.
  int FindGradient(int count, gdi::COLORREF start, gdi::COLORREF end) const;
  int MakeGradient(int count, gdi::COLORREF start, gdi::COLORREF end);
  int GetGradient(int count, gdi::COLORREF start, gdi::COLORREF end);
  const std::vector<gdi::COLORREF>& ramp(int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }

private:
  std::array<std::vector<gdi::COLORREF>, kSlots> slots_{};
  int next_ = 0;
};

// Fills `r` line by line from `start` (top or left) to `end`; only lines inside the clip box are
// painted.
void GradientFill(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF start, bool vertical, gdi::COLORREF end);

}  // namespace skin
