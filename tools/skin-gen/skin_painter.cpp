#include "tools/skin-gen/skin_painter.h"

#include <algorithm>
#include <cmath>

namespace skin_gen {

namespace {

double segment_distance2(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
  return ex * ex + ey * ey;
}

bool in_round_rect(double px, double py, double x0, double y0, double x1, double y1, double r) {
  if (px < x0 || py < y0 || px > x1 || py > y1) return false;
  const double cx = std::clamp(px, x0 + r, x1 - r), cy = std::clamp(py, y0 + r, y1 - r);
  const double dx = px - cx, dy = py - cy;
  return dx * dx + dy * dy <= r * r;
}

}  // namespace

Rgb mix(Rgb a, Rgb b, int k, int of) {
  auto m = [&](int x, int y) { return (x * (of - k) + y * k + of / 2) / of; };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb Painter::get(int x, int y) const {
  const gdi::Pixel p = b_.pixel(x, y);
  return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}

void Painter::set(int x, int y, Rgb c) {
  if (b_.contains(x, y)) b_.set_pixel(x, y, static_cast<gdi::Pixel>((c.r << 16) | (c.g << 8) | c.b));
}

void Painter::fill(int x0, int y0, int x1, int y1, Rgb c) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) set(x, y, c);
  }
}

void Painter::vgradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom) {
  const int n = y1 - y0;
  for (int y = y0; y < y1; ++y) fill(x0, y, x1, y + 1, n > 1 ? mix(top, bottom, y - y0, n - 1) : top);
}

void Painter::frame(int x0, int y0, int x1, int y1, Rgb c) {
  fill(x0, y0, x1, y0 + 1, c);
  fill(x0, y1 - 1, x1, y1, c);
  fill(x0, y0, x0 + 1, y1, c);
  fill(x1 - 1, y0, x1, y1, c);
}

template <class Inside>
void Painter::cover(int x0, int y0, int x1, int y1, Rgb c, Inside inside) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, b_.width());
  y1 = std::min(y1, b_.height());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int k = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) k += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
      }
      if (k > 0) set(x, y, mix(get(x, y), c, k, 16));
    }
  }
}

void Painter::stroke(double x0, double y0, double x1, double y1, double w, Rgb c) {
  const double r2 = (w / 2) * (w / 2);
  const int bx0 = static_cast<int>(std::floor(std::min(x0, x1) - w));
  const int by0 = static_cast<int>(std::floor(std::min(y0, y1) - w));
  const int bx1 = static_cast<int>(std::ceil(std::max(x0, x1) + w));
  const int by1 = static_cast<int>(std::ceil(std::max(y0, y1) + w));
  cover(bx0, by0, bx1, by1, c, [&](double px, double py) { return segment_distance2(px, py, x0, y0, x1, y1) <= r2; });
}

void Painter::disc(double cx, double cy, double r, Rgb c) {
  cover(static_cast<int>(cx - r - 1), static_cast<int>(cy - r - 1), static_cast<int>(cx + r + 2),
        static_cast<int>(cy + r + 2), c, [&](double px, double py) {
          return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
        });
}

void Painter::ring(double cx, double cy, double r, double w, Rgb c) {
  const double inner = r - w;
  cover(static_cast<int>(cx - r - 1), static_cast<int>(cy - r - 1), static_cast<int>(cx + r + 2),
        static_cast<int>(cy + r + 2), c, [&](double px, double py) {
          const double d = (px - cx) * (px - cx) + (py - cy) * (py - cy);
          return d <= r * r && d >= inner * inner;
        });
}

void Painter::round_rect(int x0, int y0, int x1, int y1, double radius, Rgb border, Rgb inside) {
  cover(x0, y0, x1, y1, border,
        [&](double px, double py) { return in_round_rect(px, py, x0, y0, x1, y1, radius); });
  cover(x0, y0, x1, y1, inside, [&](double px, double py) {
    return in_round_rect(px, py, x0 + 1, y0 + 1, x1 - 1, y1 - 1, std::max(radius - 1, 0.0));
  });
}

void Painter::cut_corners(int x0, int y0, int x1, int y1, double radius, Rgb backdrop, bool top, bool bottom) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const bool near_top = y < y0 + radius, near_bottom = y >= y1 - radius;
      const bool near_side = x < x0 + radius || x >= x1 - radius;
      if (!near_side || !((near_top && top) || (near_bottom && bottom))) continue;
      int k = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          k += in_round_rect(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4, x0, y0, x1, y1, radius) ? 1 : 0;
        }
      }
      if (k == 0) set(x, y, kKey);
      else if (k < 16) set(x, y, mix(backdrop, get(x, y), k, 16));
    }
  }
}

}  // namespace skin_gen
