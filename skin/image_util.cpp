#include "skin/image_util.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"

namespace skin {

namespace {

constexpr gdi::Pixel kKeyPixel = gdi::pixel_from_colorref(kKeyColour);

gdi::COLORREF plain_colour(gdi::COLORREF c) {
  return (c & 0x80000000u) ? gdi::GetSysColor(static_cast<int>(c & 0xFF)) : c;
}

// Entry i of a ramp of n lines, per channel s + (i * delta + (n - 1) div 2) / (n - 1) rounded down.
gdi::COLORREF ramp_entry(int n, gdi::COLORREF start, gdi::COLORREF end, int i) {
  gdi::COLORREF out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::int64_t s = (start >> shift) & 0xFF;
    const std::int64_t delta = static_cast<std::int64_t>((end >> shift) & 0xFF) - s;
    // Floor division, so that a falling ramp ends on its end colour as a rising one does.
    std::int64_t v = s + delta / 2;
    if (n > 1) {
      const std::int64_t num = i * delta + (n - 1) / 2, den = n - 1;
      v = s + (num >= 0 ? num / den : -((-num + den - 1) / den));
    }
    out |= static_cast<gdi::COLORREF>(v & 0xFF) << shift;
  }
  return out;
}

void require_count(int count) {
  if (count < 1) throw core::Error("Assertion failure");
}

}  // namespace

void RecolourKey(gdi::Bitmap& bitmap, gdi::COLORREF colour) {
  bitmap.set_format(gdi::PixelFormat::k24bit);
  const gdi::Pixel replacement = gdi::pixel_from_colorref(colour & 0xFFFFFF);
  for (gdi::Pixel& p : bitmap.pixels()) {
    if (p == kKeyPixel) p = replacement;
  }
}

void RecolourKey(SkinImage& image, gdi::COLORREF colour) {
  if (gdi::Bitmap* b = image.Pixels()) RecolourKey(*b, colour);
}

void MirrorHorizontal(gdi::Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y) {
    gdi::Pixel* row = bitmap.scan_line(y);
    std::reverse(row, row + bitmap.width());
  }
}

void MirrorHorizontal(SkinImage& image) {
  if (gdi::Bitmap* b = image.Pixels()) MirrorHorizontal(*b);
}

void FlipVertical(gdi::Bitmap& bitmap) {
  for (int y = 0, z = bitmap.height() - 1; y < z; ++y, --z) {
    std::swap_ranges(bitmap.scan_line(y), bitmap.scan_line(y) + bitmap.width(), bitmap.scan_line(z));
  }
}

void FlipVertical(SkinImage& image) {
  if (gdi::Bitmap* b = image.Pixels()) FlipVertical(*b);
}

gdi::Bitmap RotatedLeft(const gdi::Bitmap& src) {
  const int w = src.width(), h = src.height();
  gdi::Bitmap out(h, w, src.format());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out.set_pixel(y, w - 1 - x, src.pixel(x, y));
  }
  return out;
}

gdi::Bitmap RotatedRight(const gdi::Bitmap& src) {
  const int w = src.width(), h = src.height();
  gdi::Bitmap out(h, w, src.format());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out.set_pixel(h - 1 - y, x, src.pixel(x, y));
  }
  return out;
}

void RotateLeft(SkinImage& image) {
  if (const gdi::Bitmap* b = image.Pixels()) image.Assign(RotatedLeft(*b));
}

void RotateRight(SkinImage& image) {
  if (const gdi::Bitmap* b = image.Pixels()) image.Assign(RotatedRight(*b));
}

gdi::COLORREF Blend(gdi::COLORREF a, gdi::COLORREF b, int weight) {
  a = plain_colour(a);
  b = plain_colour(b);
  const int d = weight < 100 ? 100 : 1000;
  gdi::COLORREF out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    const int v = (cb * (d - weight) + ca * weight + d / 2) / d;
    out |= static_cast<gdi::COLORREF>(v & 0xFF) << shift;
  }
  return out;
}

int Saturation(gdi::COLORREF c) {
  const int r = gdi::GetRValue(c), g = gdi::GetGValue(c), b = gdi::GetBValue(c);
  if (r < 160 && g < 160 && b < 160) return 200;
  const int mn = std::min({r, g, b}), mx = std::max({r, g, b});
  if (mx == 0) return 0;
  const double s = static_cast<double>(mx - mn) / mx;
  return static_cast<int>(std::nearbyint(s * 255.0));  // halves to even
}

GradientCache& GradientCache::instance() {
  static GradientCache cache;
  return cache;
}

void GradientCache::reset() {
  for (auto& s : slots_) s.clear();
  next_ = 0;
}

int GradientCache::FindGradient(int count, gdi::COLORREF start, gdi::COLORREF end) const {
  require_count(count);
  for (int k = kSlots - 1; k >= 0; --k) {
    const auto& s = slots_[static_cast<std::size_t>(k)];
    if (s.size() == static_cast<std::size_t>(count) && s.front() == start && s.back() == end) return k;
  }
  return -1;
}

int GradientCache::MakeGradient(int count, gdi::COLORREF start, gdi::COLORREF end) {
  require_count(count);
  const int slot = next_;
  next_ = (next_ + 1) % kSlots;
  auto& ramp = slots_[static_cast<std::size_t>(slot)];
  ramp.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ramp[static_cast<std::size_t>(i)] = ramp_entry(count, start, end, i);
  return slot;
}

int GradientCache::GetGradient(int count, gdi::COLORREF start, gdi::COLORREF end) {
  const int slot = FindGradient(count, start, end);
  return slot >= 0 ? slot : MakeGradient(count, start, end);
}

void GradientFill(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF start, bool vertical, gdi::COLORREF end) {
  if (!gdi::RectVisible(dc, &r)) return;
  start = plain_colour(start);
  end = plain_colour(end);
  gdi::RECT clip{};
  gdi::GetClipBox(dc, &clip);
  const int lo = vertical ? r.top : r.left, hi = vertical ? r.bottom : r.right;
  const int clip_lo = vertical ? clip.top : clip.left, clip_hi = vertical ? clip.bottom : clip.right;
  const int n = hi - lo;
  if (n <= 0) return;
  const int first = lo < clip_lo ? clip_lo - lo : 0;
  const int last = clip_hi < hi ? n - 1 - (hi - clip_hi) : n - 1;
  // Ramps longer than any screen are computed line by line instead of being cached.
  constexpr int kLongestCached = 1 << 16;
  GradientCache& cache = GradientCache::instance();
  const int slot = n <= kLongestCached ? cache.GetGradient(n, start, end) : -1;
  for (int i = first; i <= last; ++i) {
    const gdi::COLORREF c = slot >= 0 ? cache.ramp(slot)[static_cast<std::size_t>(i)] : ramp_entry(n, start, end, i);
    gdi::HBRUSH brush = gdi::CreateSolidBrush(c);
    const gdi::RECT line = vertical ? gdi::RECT{r.left, lo + i, r.right, lo + i + 1}
                                    : gdi::RECT{lo + i, r.top, lo + i + 1, r.bottom};
    gdi::FillRect(dc, &line, brush);
    gdi::DeleteObject(brush);
  }
}

}  // namespace skin
