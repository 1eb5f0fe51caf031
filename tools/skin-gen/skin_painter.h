// Small raster painter for drawing skin bitmaps reproducibly: solid fills, gradients, anti-aliased
// strokes and round shapes (4 x 4 samples per pixel, integer blending), and cutting round corners to
// the magenta key colour with the edge blended against the colour the picture will sit on.
#pragma once

#include <cstdint>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_types.h"

namespace skin_gen {

namespace gdi = platform::gdi;

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kKey{255, 0, 255};

Rgb mix(Rgb a, Rgb b, int k, int of);  // a + (b - a) * k / of, rounded

class Painter {
public:
  explicit Painter(gdi::Bitmap& target) : b_(target) {}

  void fill(int x0, int y0, int x1, int y1, Rgb c);
  // Rows y0..y1-1 from `top` to `bottom`.
  void vgradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom);
  // One-pixel outline of the rectangle.
  void frame(int x0, int y0, int x1, int y1, Rgb c);
  // A stroke of width w between two points (coordinates in pixels, pixel centres at +0.5).
  void stroke(double x0, double y0, double x1, double y1, double w, Rgb c);
  void disc(double cx, double cy, double r, Rgb c);
  void ring(double cx, double cy, double r, double w, Rgb c);
  // Rounded-rectangle outline of width 1 and its inside fill, anti-aliased.
  void round_rect(int x0, int y0, int x1, int y1, double radius, Rgb border, Rgb inside);
  // Pixels of the rectangle outside a rounded rectangle of `radius` become the key colour; partly
  // covered pixels are blended with `backdrop`. Each corner may be kept square.
  void cut_corners(int x0, int y0, int x1, int y1, double radius, Rgb backdrop, bool top = true, bool bottom = true);

  Rgb get(int x, int y) const;
  void set(int x, int y, Rgb c);

private:
  template <class Inside>
  void cover(int x0, int y0, int x1, int y1, Rgb c, Inside inside);
  gdi::Bitmap& b_;
};

}  // namespace skin_gen
