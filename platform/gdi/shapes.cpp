// Lines, filled shapes, frames, edges and gradient fills.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/gdi/objects_internal.h"

namespace platform::gdi {

// Row y of a rectangle with rounded corners (an ellipse when the corner sizes equal the box), as a
// half-open pair of columns, empty when first >= second; a pixel belongs when its centre lies inside
// the outline.
std::pair<int, int> rounded_rect_row(int l, int t, int r, int b, std::int64_t ew, std::int64_t eh, int y) {
  const std::int64_t w = std::int64_t{r} - l, h = std::int64_t{b} - t;
  if (w <= 0 || h <= 0 || y < t || y >= b) return {0, 0};
  const std::int64_t cw = std::min<std::int64_t>(std::abs(ew), w);
  const std::int64_t ch = std::min<std::int64_t>(std::abs(eh), h);
  if (cw < 2 || ch < 2) return {l, r};
  const double a = cw / 2.0, bb = ch / 2.0;
  const double yc = y + 0.5;
  double dy = 0;
  if (yc < t + bb) dy = (t + bb) - yc;
  else if (yc > b - bb) dy = yc - (b - bb);
  double inset = 0;
  if (dy > 0) inset = a - a * std::sqrt(std::max(0.0, 1 - (dy / bb) * (dy / bb)));
  return {static_cast<int>(std::ceil(l + inset - 0.5)), static_cast<int>(std::floor(r - inset - 0.5)) + 1};
}

std::vector<RECT> rounded_rect_spans(int l, int t, int r, int b, int ew, int eh, int y_from, int y_to) {
  std::vector<RECT> out;
  for (int y = std::max(t, y_from); y < std::min(b, y_to); ++y) {
    const auto [xl, xr] = rounded_rect_row(l, t, r, b, ew, eh, y);
    if (xl < xr) out.push_back({xl, y, xr, y + 1});
  }
  return out;
}

namespace {

constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

// Draws the pixels of the selected pen, with its width, dashes and the DC's binary raster operation.
class PenPainter {
public:
  explicit PenPainter(DeviceContext& dc) : dc_(dc) {
    const PenObject* p = dc.pen();
    null_ = !p || p->style == PS_NULL;
    if (null_) return;
    color_ = dc_pixel(dc, p->dc_pen ? dc.state.dc_pen_color : p->color);
    width_ = std::max(1, p->width);
    switch (p->style) {
      case PS_DASH: dashes_ = {kDash, 2}; break;
      case PS_DOT: dashes_ = {kDot, 2}; break;
      case PS_DASHDOT: dashes_ = {kDashDot, 4}; break;
      case PS_DASHDOTDOT: dashes_ = {kDashDotDot, 6}; break;
      default: break;
    }
    bk_ = dc_pixel(dc, dc.state.bk_color);
    opaque_gaps_ = dc.state.bk_mode == OPAQUE;
  }
  bool null() const { return null_; }
  int width() const { return width_; }
  Pixel color() const { return color_; }

  void pixel(int x, int y) {
    Pixel c = color_;
    if (!dashes_.empty()) {
      int total = 0;
      for (int d : dashes_) total += d;
      int pos = step_++ % total, seg = 0;
      while (pos >= dashes_[static_cast<std::size_t>(seg)]) pos -= dashes_[static_cast<std::size_t>(seg++)];
      if (seg % 2) {
        if (!opaque_gaps_) return;
        c = bk_;
      }
    }
    if (width_ == 1) {
      plot(dc_, x, y, c, dc_.state.rop2);
      return;
    }
    // The pen's square, only as far as the clip box reaches.
    const RECT& box = dc_.clip_bounds();
    const int lo = -(width_ / 2), hi = lo + width_;
    const int y0 = std::max<std::int64_t>(lo, std::int64_t{box.top} - y), y1 = std::min<std::int64_t>(hi, std::int64_t{box.bottom} - y);
    const int x0 = std::max<std::int64_t>(lo, std::int64_t{box.left} - x), x1 = std::min<std::int64_t>(hi, std::int64_t{box.right} - x);
    for (int dy = y0; dy < y1; ++dy)
      for (int dx = x0; dx < x1; ++dx) plot(dc_, x + dx, y + dy, c, dc_.state.rop2);
  }

  // Bresenham from (x0, y0) towards (x1, y1), the end point excluded.
  void line(int x0, int y0, int x1, int y1) {
    const RECT& c = dc_.clip_bounds();
    const std::int64_t m = width_;
    if (std::max(x0, x1) + m < c.left || std::min(x0, x1) - m >= c.right || std::max(y0, y1) + m < c.top ||
        std::min(y0, y1) - m >= c.bottom)
      return;  // nothing of it can show
    shorten(x0, y0, x1, y1, width_);
    const std::int64_t dx = std::abs(std::int64_t{x1} - x0), dy = -std::abs(std::int64_t{y1} - y0);
    if (width_ > 1) {
      // Each step paints the pen's square, cut to the clip box. Where that would run into the
      // billions (a pen far wider than the box), the line is painted as the band its squares sweep,
      // row by row and each pixel once; an ordinary wide line keeps its exact steps.
      constexpr std::int64_t kStepWork = std::int64_t{1} << 24;
      const std::int64_t steps = std::max(dx, -dy);
      const std::int64_t side_x = std::min<std::int64_t>(m, c.right - c.left);
      const std::int64_t side_y = std::min<std::int64_t>(m, c.bottom - c.top);
      if (steps * side_x * side_y > kStepWork) {
        sweep(x0, y0, x1, y1);
        return;
      }
    }
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    while (x0 != x1 || y0 != y1) {
      pixel(x0, y0);
      const std::int64_t e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }

  // The band the pen's square sweeps along the line (end point excluded), one span per row of the
  // clip box.
  void sweep(int x0, int y0, int x1, int y1) {
    const RECT& c = dc_.clip_bounds();
    const std::int64_t lo = -(width_ / 2), hi = lo + width_;
    const std::int64_t ylo = std::min(y0, y1), yhi = std::max(y0, y1);
    for (std::int64_t y = c.top; y < c.bottom; ++y) {
      // Centres whose square covers row y.
      const std::int64_t a = std::max(y - hi + 1, ylo), b = std::min(y - lo, yhi);
      if (a > b) continue;
      double xa, xb;
      if (y0 == y1) {
        xa = x0;
        xb = x1;
      } else {
        const double slope = (static_cast<double>(x1) - x0) / (static_cast<double>(y1) - y0);
        xa = x0 + (static_cast<double>(a) - y0) * slope;
        xb = x0 + (static_cast<double>(b) - y0) * slope;
      }
      const double left = std::floor(std::min(xa, xb)) + static_cast<double>(lo);
      const double right = std::ceil(std::max(xa, xb)) + static_cast<double>(hi);
      const std::int64_t from = static_cast<std::int64_t>(std::max(left, static_cast<double>(c.left)));
      const std::int64_t to = static_cast<std::int64_t>(std::min(right, static_cast<double>(c.right)));
      for (std::int64_t x = from; x < to; ++x) plot(dc_, static_cast<int>(x), static_cast<int>(y), color_, dc_.state.rop2);
    }
  }

  // A line that runs far outside the clip box is cut to the part near it, so that the steps over
  // invisible pixels cannot run into the billions; lines of ordinary length are left exactly as
  // they are.
  void shorten(int& x0, int& y0, int& x1, int& y1, int pen) const {
    constexpr std::int64_t kFar = 1 << 14;
    const RECT& c = dc_.clip_bounds();
    const std::int64_t margin = std::int64_t{pen} + 64;
    const double l = static_cast<double>(c.left - margin), r = static_cast<double>(c.right + margin);
    const double t = static_cast<double>(c.top - margin), b = static_cast<double>(c.bottom + margin);
    const auto far = [&](int x, int y) {
      return x < c.left - kFar || x > c.right + kFar || y < c.top - kFar || y > c.bottom + kFar;
    };
    if (!far(x0, y0) && !far(x1, y1)) return;
    // Liang-Barsky: the part of the segment inside the widened box.
    const double ddx = static_cast<double>(x1) - x0, ddy = static_cast<double>(y1) - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-ddx, ddx, -ddy, ddy};
    const double q[4] = {x0 - l, r - x0, y0 - t, b - y0};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) t0 = 2;  // parallel and outside
        continue;
      }
      const double u = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, u);
      else t1 = std::min(t1, u);
    }
    if (t0 > t1) {  // nothing near the box: no steps at all
      x1 = x0;
      y1 = y0;
      return;
    }
    const int nx0 = static_cast<int>(std::lround(x0 + t0 * ddx)), ny0 = static_cast<int>(std::lround(y0 + t0 * ddy));
    const int nx1 = static_cast<int>(std::lround(x0 + t1 * ddx)), ny1 = static_cast<int>(std::lround(y0 + t1 * ddy));
    x0 = nx0;
    y0 = ny0;
    x1 = nx1;
    y1 = ny1;
  }

private:
  DeviceContext& dc_;
  bool null_ = true;
  Pixel color_ = 0, bk_ = 0;
  bool opaque_gaps_ = false;
  int width_ = 1;
  std::span<const int> dashes_;
  int step_ = 0;
};

// Fills a convex shape with the brush and outlines it with the pen, in surface coordinates. The
// outline is every pixel within pen-width 4-neighbour steps of the outside. For a convex shape a
// pixel lies deeper than k steps exactly when the four pixels k steps away along the axes are all
// inside, so the inner span of a row needs only the rows k above and below it: the cost follows the
// rows the clip box leaves, whatever the pen's width. Span(y) gives the shape's pixels of row y as a
// half-open pair (empty when first >= second).
template <class Span>
void paint_shape(DeviceContext& dc, int top, int bottom, Span span) {
  PenPainter pen(dc);
  const PatternSource brush(dc, dc.brush());
  const unsigned idx = [&] {
    // Brushes follow the binary raster operation too: map R2 onto the pattern ROP.
    const unsigned t = static_cast<unsigned>(dc.state.rop2 - 1) & 0xF;  // bit (P*2 + D)
    unsigned code = 0;
    for (unsigned k = 0; k < 8; ++k) {
      const unsigned pbit = (k >> 2) & 1, dbit = k & 1;
      if (t & (1u << (pbit * 2 + dbit))) code |= 1u << k;
    }
    return code;
  }();
  const std::int64_t k = pen.null() ? 0 : pen.width();
  const auto row = [&](std::int64_t y) -> std::pair<std::int64_t, std::int64_t> {
    if (y < top || y >= bottom) return {0, 0};
    const auto [l, r] = span(static_cast<int>(y));
    return {l, r};
  };
  const RECT& clip = dc.clip_bounds();
  for (int y = std::max<int>(top, clip.top); y < std::min<int>(bottom, clip.bottom); ++y) {
    const auto [l, r] = row(y);
    if (l >= r) continue;
    std::int64_t il = l, ir = r;
    if (k > 0) {
      const auto [ul, ur] = row(y - k);
      const auto [dl, dr] = row(y + k);
      il = std::max({l + k, ul, dl});
      ir = std::min({r - k, ur, dr});
      if (ul >= ur || dl >= dr) il = ir = r;
    }
    if (il < ir) fill_span(dc, y, static_cast<int>(il), static_cast<int>(ir), brush, idx);
    else il = ir = r;
    const auto outline = [&](std::int64_t from, std::int64_t to) {
      for (std::int64_t x = std::max<std::int64_t>(from, clip.left); x < std::min<std::int64_t>(to, clip.right); ++x)
        plot(dc, static_cast<int>(x), y, pen.color(), dc.state.rop2);
    };
    if (k > 0) {
      outline(l, il);
      outline(ir, r);
    }
  }
}

RECT ordered(int l, int t, int r, int b) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  return {l, t, r, b};
}

}  // namespace

// ---------------------------------------------------------------- lines
BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  if (old) *old = d->state.cur_pos;
  d->state.cur_pos = {x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* out) {
  DeviceContext* d = get_dc(dc);
  if (!d || !out) return FALSE;
  *out = d->state.cur_pos;
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  PenPainter pen(*d);
  if (!pen.null()) {
    const POINT a = d->to_surface(d->state.cur_pos.x, d->state.cur_pos.y), b = d->to_surface(x, y);
    pen.line(a.x, a.y, b.x, b.y);
  }
  d->state.cur_pos = {x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  DeviceContext* d = get_dc(dc);
  if (!d || !points || count < 2) return FALSE;
  PenPainter pen(*d);
  if (pen.null()) return TRUE;
  for (int i = 0; i + 1 < count; ++i) {
    const POINT a = d->to_surface(points[i].x, points[i].y), b = d->to_surface(points[i + 1].x, points[i + 1].y);
    pen.line(a.x, a.y, b.x, b.y);
  }
  return TRUE;
}

// ---------------------------------------------------------------- filled shapes
namespace {

// The shapes drawn in a box: the box in surface pixels (without a pen the filled area is one pixel
// smaller on the right and at the bottom), painted from the span Span(box, y) gives for row y.
template <class Span>
BOOL paint_box_shape(HDC dc, int left, int top, int right, int bottom, Span span) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  RECT r = d->to_surface(ordered(left, top, right, bottom));
  if (PenPainter(*d).null()) {
    --r.right;
    --r.bottom;
  }
  if (r.empty()) return TRUE;
  paint_shape(*d, r.top, r.bottom, [&](int y) { return span(r, y); });
  return TRUE;
}

}  // namespace

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return paint_box_shape(dc, left, top, right, bottom,
                         [](const RECT& r, int) { return std::pair<int, int>{r.left, r.right}; });
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ew, int eh) {
  return paint_box_shape(dc, left, top, right, bottom, [&](const RECT& r, int y) {
    return rounded_rect_row(r.left, r.top, r.right, r.bottom, ew, eh, y);
  });
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return paint_box_shape(dc, left, top, right, bottom, [](const RECT& r, int y) {
    return rounded_rect_row(r.left, r.top, r.right, r.bottom, std::int64_t{r.right} - r.left,
                            std::int64_t{r.bottom} - r.top, y);
  });
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  DeviceContext* d = get_dc(dc);
  if (!d || !points || count < 2) return FALSE;
  std::vector<POINT> p(static_cast<std::size_t>(count));
  int ymin = INT32_MAX, ymax = INT32_MIN;
  for (int i = 0; i < count; ++i) {
    p[static_cast<std::size_t>(i)] = d->to_surface(points[i].x, points[i].y);
    ymin = std::min(ymin, static_cast<int>(p[static_cast<std::size_t>(i)].y));
    ymax = std::max(ymax, static_cast<int>(p[static_cast<std::size_t>(i)].y));
  }
  const PatternSource brush(*d, d->brush());
  if (!brush.null()) {
    const RECT& clip = d->clip_bounds();
    const int y0 = std::max(ymin, static_cast<int>(clip.top)), y1 = std::min(ymax, static_cast<int>(clip.bottom));
    std::vector<std::pair<double, int>> xs;
    for (int y = y0; y < y1; ++y) {
      const double yc = y + 0.5;
      xs.clear();
      for (int i = 0; i < count; ++i) {
        const POINT a = p[static_cast<std::size_t>(i)], b = p[static_cast<std::size_t>((i + 1) % count)];
        if (a.y == b.y) continue;
        const bool up = a.y < b.y;
        const double lo = up ? a.y : b.y, hi = up ? b.y : a.y;
        if (yc < lo || yc >= hi) continue;
        xs.push_back({a.x + (yc - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y), up ? 1 : -1});
      }
      std::sort(xs.begin(), xs.end());
      int wind = 0;
      for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
        wind += xs[k].second;
        const bool inside = d->state.poly_fill_mode == WINDING ? wind != 0 : (k % 2) == 0;
        if (!inside) continue;
        const int xl = static_cast<int>(std::ceil(xs[k].first - 0.5));
        const int xr = static_cast<int>(std::ceil(xs[k + 1].first - 0.5));
        fill_span(*d, y, xl, xr, brush, 0xF0);
      }
    }
  }
  PenPainter pen(*d);
  if (!pen.null())
    for (int i = 0; i < count; ++i) {
      const POINT a = p[static_cast<std::size_t>(i)], b = p[static_cast<std::size_t>((i + 1) % count)];
      pen.line(a.x, a.y, b.x, b.y);
    }
  return TRUE;
}

// ---------------------------------------------------------------- rectangles with brushes
namespace {
// A brush handle, or a system-colour value (COLOR_x + 1) standing for one.
struct BrushArg {
  BrushObject temp;
  const BrushObject* brush = nullptr;
  explicit BrushArg(HBRUSH h) {
    const COLORREF sys = brush_color_of(h);
    if (sys != CLR_INVALID) {
      temp.color = sys;
      brush = &temp;
    } else {
      brush = static_cast<BrushObject*>(ObjectTable::instance().get(h, OBJ_BRUSH));
    }
  }
};
}  // namespace

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  DeviceContext* d = get_dc(dc);
  BrushArg b(brush);
  if (!d || !r || !b.brush) return 0;
  if (r->empty()) return 1;
  fill_rect_surface(*d, d->to_surface(*r), PatternSource(*d, b.brush), 0xF0);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  DeviceContext* d = get_dc(dc);
  BrushArg b(brush);
  if (!d || !r || !b.brush) return 0;
  if (r->empty()) return 1;
  const RECT s = d->to_surface(*r);
  const PatternSource p(*d, b.brush);
  fill_rect_surface(*d, {s.left, s.top, s.right, s.top + 1}, p, 0xF0);
  fill_rect_surface(*d, {s.left, s.bottom - 1, s.right, s.bottom}, p, 0xF0);
  fill_rect_surface(*d, {s.left, s.top + 1, s.left + 1, s.bottom - 1}, p, 0xF0);
  fill_rect_surface(*d, {s.right - 1, s.top + 1, s.right, s.bottom - 1}, p, 0xF0);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  if (!r) return FALSE;
  return PatBlt(dc, r->left, r->top, r->right - r->left, r->bottom - r->top, DSTINVERT);
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  DeviceContext* d = get_dc(dc);
  const Region* rg = GetRegion(region);
  BrushArg b(brush);
  if (!d || !rg || !b.brush) return FALSE;
  const PatternSource p(*d, b.brush);
  for (const RECT& r : rg->rects()) fill_rect_surface(*d, d->to_surface(r), p, 0xF0);
  return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN region) {
  DeviceContext* d = get_dc(dc);
  return d ? FillRgn(dc, region, to_handle<HBRUSH>(d->state.brush.get())) : FALSE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int w, int h) {
  const Region* rg = GetRegion(region);
  if (!rg || w < 0 || h < 0) return FALSE;
  Region inner = *rg;
  for (auto [dx, dy] : {std::pair{w, 0}, std::pair{-w, 0}, std::pair{0, h}, std::pair{0, -h}}) {
    Region shifted = *rg;
    shifted.offset(dx, dy);
    inner = inner & shifted;
  }
  HRGN frame = CreateRegionFrom(*rg - inner);
  const BOOL ok = FillRgn(dc, frame, brush);
  DeleteObject(frame);
  return ok;
}

BOOL InvertRgn(HDC dc, HRGN region) {
  const Region* rg = GetRegion(region);
  if (!rg || !get_dc(dc)) return FALSE;
  for (const RECT& r : rg->rects()) InvertRect(dc, &r);
  return TRUE;
}

// ---------------------------------------------------------------- edges and focus rectangles
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  DeviceContext* d = get_dc(dc);
  if (!d || !rect) return FALSE;
  if (flags & BF_DIAGONAL) return FALSE;  // diagonal edges are not drawn by this layer
  RECT r = *rect;
  const bool soft = flags & BF_SOFT, flat = flags & BF_FLAT, mono = flags & BF_MONO;
  // Colours (top-left, bottom-right) of the outer and inner lines.
  int outer_lt = -1, outer_rb = -1, inner_lt = -1, inner_rb = -1;
  if (edge & BDR_RAISEDOUTER) {
    outer_lt = soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT;
    outer_rb = COLOR_3DDKSHADOW;
  } else if (edge & BDR_SUNKENOUTER) {
    outer_lt = soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW;
    outer_rb = COLOR_BTNHIGHLIGHT;
  }
  if (edge & BDR_RAISEDINNER) {
    inner_lt = soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT;
    inner_rb = COLOR_BTNSHADOW;
  } else if (edge & BDR_SUNKENINNER) {
    inner_lt = soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW;
    inner_rb = COLOR_3DLIGHT;
  }
  if (mono) {
    if (outer_lt >= 0) outer_lt = outer_rb = COLOR_WINDOWFRAME;
    if (inner_lt >= 0) inner_lt = inner_rb = COLOR_WINDOW;
  } else if (flat) {
    if (outer_lt >= 0) outer_lt = outer_rb = COLOR_BTNSHADOW;
    if (inner_lt >= 0) inner_lt = inner_rb = COLOR_BTNFACE;
  }
  const auto line = [&](const RECT& rr, int color) {
    if (color < 0 || rr.empty()) return;
    BrushObject b;
    b.color = GetSysColor(color);
    fill_rect_surface(*d, d->to_surface(rr), PatternSource(*d, &b), 0xF0);
  };
  // Where the bottom or right line is drawn too, the top and left lines stop one pixel short, so
  // the bottom-right colour owns the far corners.
  const auto ring = [&](int lt, int rb) {
    if (lt < 0 || r.empty()) return;
    const int short_x = (flags & BF_RIGHT) ? 1 : 0, short_y = (flags & BF_BOTTOM) ? 1 : 0;
    if (flags & BF_LEFT) line({r.left, r.top, r.left + 1, r.bottom - short_y}, lt);
    if (flags & BF_TOP) line({r.left, r.top, r.right - short_x, r.top + 1}, lt);
    if (flags & BF_RIGHT) line({r.right - 1, r.top, r.right, r.bottom}, rb);
    if (flags & BF_BOTTOM) line({r.left, r.bottom - 1, r.right, r.bottom}, rb);
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
  };
  ring(outer_lt, outer_rb);
  ring(inner_lt, inner_rb);
  if ((flags & BF_MIDDLE) && !r.empty()) line(r, mono ? COLOR_WINDOW : COLOR_BTNFACE);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  DeviceContext* d = get_dc(dc);
  if (!d || !rect) return FALSE;
  if (rect->empty()) return TRUE;
  const RECT s = d->to_surface(*rect);
  // Every other pixel of the one-pixel frame is inverted, starting at the top-left corner, so a
  // second call restores the picture.
  const auto dot = [&](int x, int y) {
    if (((x - s.left) + (y - s.top)) % 2 == 0) plot(*d, x, y, 0xFFFFFF, R2_XORPEN);
  };
  const RECT& c = d->clip_bounds();
  const int x0 = std::max<int>(s.left, c.left), x1 = std::min<int>(s.right, c.right);
  const int y0 = std::max<int>(s.top + 1, c.top), y1 = std::min<int>(s.bottom - 1, c.bottom);
  for (int x = x0; x < x1; ++x) {
    dot(x, s.top);
    if (s.bottom - 1 > s.top) dot(x, s.bottom - 1);
  }
  for (int y = y0; y < y1; ++y) {
    dot(s.left, y);
    if (s.right - 1 > s.left) dot(s.right - 1, y);
  }
  return TRUE;
}

// ---------------------------------------------------------------- gradients
BOOL GradientFill(HDC dc, const TRIVERTEX* v, UINT nv, const void* mesh, UINT nmesh, DWORD mode) {
  DeviceContext* d = get_dc(dc);
  if (!d || !v || !mesh || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) return FALSE;
  const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
  for (UINT i = 0; i < nmesh; ++i) {
    if (rects[i].UpperLeft >= nv || rects[i].LowerRight >= nv) return FALSE;
    TRIVERTEX a = v[rects[i].UpperLeft], b = v[rects[i].LowerRight];
    const bool horizontal = mode == GRADIENT_FILL_RECT_H;
    if (horizontal ? a.x > b.x : a.y > b.y) std::swap(a, b);
    const RECT r = ordered(a.x, a.y, b.x, b.y);
    const int n = horizontal ? r.width() : r.height();
    // Only the lines inside the clip box are drawn.
    const RECT sr = d->to_surface(r);
    const RECT& clip = d->clip_bounds();
    const int k0 = std::max(0, static_cast<int>(horizontal ? clip.left - sr.left : clip.top - sr.top));
    const int k1 = std::min(n, static_cast<int>(horizontal ? clip.right - sr.left : clip.bottom - sr.top));
    for (int k = k0; k < k1; ++k) {
      const auto mix = [&](int ca, int cb) {
        const int c = n > 1 ? ca + static_cast<int>(static_cast<std::int64_t>(cb - ca) * k / n) : ca;
        return (c >> 8) & 0xFF;
      };
      BrushObject brush;
      brush.color = RGB(mix(a.Red, b.Red), mix(a.Green, b.Green), mix(a.Blue, b.Blue));
      const RECT line = horizontal ? RECT{r.left + k, r.top, r.left + k + 1, r.bottom}
                                   : RECT{r.left, r.top + k, r.right, r.top + k + 1};
      fill_rect_surface(*d, d->to_surface(line), PatternSource(*d, &brush), 0xF0);
    }
  }
  return TRUE;
}

}  // namespace platform::gdi
