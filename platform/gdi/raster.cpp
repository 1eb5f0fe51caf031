// Blits and the raster-operation engine.
#include <algorithm>
#include <cstring>

#include "platform/gdi/objects_internal.h"

namespace platform::gdi {

// ---------------------------------------------------------------- raster operations
Pixel rop3(unsigned code, Pixel p, Pixel s, Pixel d) {
  switch (code) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x66: return s ^ d;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x55: return ~d & 0xFFFFFF;
    case 0x33: return ~s & 0xFFFFFF;
    case 0x5A: return p ^ d;
    case 0xE2: return d ^ (s & (p ^ d));
    case 0xB8: return p ^ (s & (d ^ p));
    default: break;
  }
  // Each set bit k of the code is a minterm: bit 2 of k selects P, bit 1 S, bit 0 D.
  Pixel r = 0;
  for (unsigned k = 0; k < 8; ++k)
    if (code & (1u << k)) r |= ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

Pixel rop2(int code, Pixel pen, Pixel d) {
  if (code == R2_COPYPEN) return pen;
  const unsigned table = static_cast<unsigned>(code - 1) & 0xF;  // bit (P*2 + D)
  Pixel r = 0;
  for (unsigned k = 0; k < 4; ++k)
    if (table & (1u << k)) r |= ((k & 2) ? pen : ~pen) & ((k & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

namespace {
bool rop_uses_source(unsigned idx) { return ((idx >> 2) ^ idx) & 0x33; }
bool rop_uses_pattern(unsigned idx) { return ((idx >> 4) ^ idx) & 0x0F; }
}  // namespace

Pixel dc_pixel(DeviceContext& dc, COLORREF c) {
  const Pixel p = pixel_from_colorref(resolve_color(c));
  const Bitmap* s = dc.surface();
  return s && s->monochrome() ? to_mono(p) : p;
}

PatternSource::PatternSource(DeviceContext& dc, const BrushObject* brush) {
  const Bitmap* surface = dc.surface();
  const bool mono_dst = surface && surface->monochrome();
  if (!brush || brush->style == BS_NULL) {
    null_ = true;
    return;
  }
  if (brush->style == BS_PATTERN && !brush->pattern.empty()) {
    solid_ = false;
    pattern_ = &brush->pattern;
    mono_ = brush->pattern.monochrome();
    fg_ = dc_pixel(dc, dc.state.text_color);
    bg_ = dc_pixel(dc, dc.state.bk_color);
    const POINT o = dc.origin();
    ox_ = dc.state.brush_org.x + o.x;
    oy_ = dc.state.brush_org.y + o.y;
    return;
  }
  if (brush->style == BS_HATCHED) {
    solid_ = false;
    hatch_ = brush->hatch;
    opaque_ = dc.state.bk_mode == OPAQUE;
    fg_ = dc_pixel(dc, brush->color);
    bg_ = dc_pixel(dc, dc.state.bk_color);
    const POINT o = dc.origin();
    ox_ = dc.state.brush_org.x + o.x;
    oy_ = dc.state.brush_org.y + o.y;
    return;
  }
  solid_pixel_ = pixel_from_colorref(resolve_color(brush->dc_brush ? dc.state.dc_brush_color : brush->color));
  if (mono_dst) solid_pixel_ = to_mono(solid_pixel_);
}

// Hatch lines in each 8 x 8 cell from the brush origin: the last row, the last column, the
// diagonal from the top-left corner, the one from the bottom-left corner.
bool PatternSource::hatch_line(int x, int y) const {
  const int px = (x - ox_) & 7, py = (y - oy_) & 7;
  switch (hatch_) {
    case HS_HORIZONTAL: return py == 7;
    case HS_VERTICAL: return px == 7;
    case HS_FDIAGONAL: return px == py;
    case HS_BDIAGONAL: return px + py == 7;
    case HS_CROSS: return px == 7 || py == 7;
    case HS_DIAGCROSS: return px == py || px + py == 7;
    default: return false;
  }
}

Pixel PatternSource::at(int x, int y) const {
  if (solid_) return solid_pixel_;
  if (hatch_ >= 0) return hatch_line(x, y) ? fg_ : bg_;
  const int w = pattern_->width(), h = pattern_->height();
  const int px = ((x - ox_) % w + w) % w, py = ((y - oy_) % h + h) % h;
  if (mono_) return pattern_->mono_bit(px, py) ? bg_ : fg_;
  return pattern_->pixel(px, py);
}

void fill_span(DeviceContext& dc, int y, int x0, int x1, const PatternSource& pat, unsigned idx) {
  if (pat.null() || x1 <= x0) return;
  Bitmap* s = dc.surface();
  if (!s) return;
  const bool mono = s->monochrome();
  for (const RECT& c : dc.clip_rects()) {
    if (y < c.top || y >= c.bottom) continue;
    const int a = std::max(x0, static_cast<int>(c.left)), b = std::min(x1, static_cast<int>(c.right));
    if (a >= b) continue;
    Pixel* row = s->scan_line(y);
    if (idx == 0xF0 && pat.solid()) {
      std::fill(row + a, row + b, pat.solid_pixel());
      continue;
    }
    for (int x = a; x < b; ++x) {
      if (pat.skips(x, y)) continue;
      Pixel p = pat.at(x, y);
      if (mono) p = to_mono(p);
      row[x] = rop3(idx, p, 0, row[x]);
    }
  }
}

void fill_rect_surface(DeviceContext& dc, const RECT& r, const PatternSource& pat, unsigned idx) {
  if (pat.null() || r.empty()) return;
  Bitmap* s = dc.surface();
  if (!s) return;
  const bool mono = s->monochrome();
  for (const RECT& c : dc.clip_rects()) {
    RECT i;
    if (!IntersectRect(&i, &c, &r)) continue;
    for (int y = i.top; y < i.bottom; ++y) {
      Pixel* row = s->scan_line(y);
      if (idx == 0xF0 && pat.solid()) {
        std::fill(row + i.left, row + i.right, pat.solid_pixel());
        continue;
      }
      for (int x = i.left; x < i.right; ++x) {
        if (pat.skips(x, y)) continue;
        Pixel p = pat.at(x, y);
        if (mono) p = to_mono(p);
        row[x] = rop3(idx, p, 0, row[x]);
      }
    }
  }
}

void plot(DeviceContext& dc, int x, int y, Pixel color, int rop2_code) {
  Bitmap* s = dc.surface();
  if (!s) return;
  const RECT& b = dc.clip_bounds();
  if (x < b.left || x >= b.right || y < b.top || y >= b.bottom) return;
  for (const RECT& c : dc.clip_rects()) {
    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
      Pixel* px = s->scan_line(y) + x;
      Pixel v = rop2(rop2_code, color, *px);
      *px = s->monochrome() ? to_mono(v) : v;
      return;
    }
  }
}

// ---------------------------------------------------------------- blits
namespace {

// How source pixels reach the destination: colour conversions between monochrome and colour.
struct SourceReader {
  const Bitmap* bitmap = nullptr;
  enum Mode { kDirect, kMonoToColor, kColorToMono } mode = kDirect;
  Pixel fg = 0, bg = 0, src_bk = 0;
  Pixel get(int x, int y) const {
    const Pixel p = bitmap->pixel(x, y);
    switch (mode) {
      case kDirect: return p;
      case kMonoToColor: return bitmap->mono_bit(x, y) ? bg : fg;
      case kColorToMono: return p == src_bk ? kWhitePixel : kBlackPixel;
    }
    return p;
  }
};

SourceReader make_reader(DeviceContext& dst, DeviceContext& src, const Bitmap* src_bitmap) {
  SourceReader r;
  r.bitmap = src_bitmap;
  const Bitmap* d = dst.surface();
  const bool dm = d && d->monochrome(), sm = src_bitmap->monochrome();
  if (sm && !dm) {
    r.mode = SourceReader::kMonoToColor;
    r.fg = pixel_from_colorref(resolve_color(dst.state.text_color));
    r.bg = pixel_from_colorref(resolve_color(dst.state.bk_color));
  } else if (!sm && dm) {
    r.mode = SourceReader::kColorToMono;
    r.src_bk = pixel_from_colorref(resolve_color(src.state.bk_color));
  } else if (sm && dm) {
    // Both monochrome: normalise to black and white through the palette.
    r.mode = SourceReader::kMonoToColor;
    r.fg = kBlackPixel;
    r.bg = kWhitePixel;
  }
  return r;
}

// Maps destination columns i in [from, to) of a stretch of sn source pixels over dn destination
// pixels to source offsets; entry k stands for column from + k.
std::vector<int> stretch_map(int sn, int dn, bool flip, int from, int to) {
  std::vector<int> m(static_cast<std::size_t>(std::max(0, to - from)));
  for (int i = from; i < to; ++i) {
    const int j = static_cast<int>(static_cast<std::int64_t>(i) * sn / dn);
    m[static_cast<std::size_t>(i - from)] = flip ? sn - 1 - j : j;
  }
  return m;
}

// Source pixels that make up one destination pixel along one axis when sn source pixels cover dn
// destination pixels: the range [first, last] and, for averaging, the share of each (in units of
// 1/dn of a source pixel; the shares of one destination pixel add up to sn).
struct AxisCover {
  int first = 0, last = 0;
  std::vector<std::int64_t> share;
};

AxisCover axis_cover(int i, int sn, int dn, bool flip, bool shares) {
  if (flip) i = dn - 1 - i;
  const std::int64_t lo = std::int64_t{i} * sn, hi = lo + sn;  // in units of 1/dn
  AxisCover c;
  c.first = static_cast<int>(lo / dn);
  c.last = static_cast<int>((hi - 1) / dn);
  if (shares)
    for (int j = c.first; j <= c.last; ++j)
      c.share.push_back(std::min(hi, std::int64_t{j + 1} * dn) - std::max(lo, std::int64_t{j} * dn));
  return c;
}

// The source as the stretch mode makes it at the destination's size, for the destination pixels
// `vis` (relative to the destination rectangle, whose size is dw x dh): BLACKONWHITE keeps the AND
// of the source pixels that fall on one destination pixel (black lines on white survive a
// shrink), WHITEONBLACK their OR, HALFTONE their average weighted by the area each covers.
Bitmap resample(const SourceReader& src, const RECT& sr, int dw, int dh, const RECT& vis, bool flip_x, bool flip_y,
                int mode) {
  const bool average = mode == HALFTONE;
  const int sw = sr.width(), sh = sr.height();
  std::vector<AxisCover> xs, ys;
  for (int x = vis.left; x < vis.right; ++x) xs.push_back(axis_cover(x, sw, dw, flip_x, average));
  for (int y = vis.top; y < vis.bottom; ++y) ys.push_back(axis_cover(y, sh, dh, flip_y, average));
  Bitmap out(vis.width(), vis.height());
  for (int oy = 0; oy < vis.height(); ++oy) {
    const AxisCover& cy = ys[static_cast<std::size_t>(oy)];
    Pixel* row = out.scan_line(oy);
    for (int ox = 0; ox < vis.width(); ++ox) {
      const AxisCover& cx = xs[static_cast<std::size_t>(ox)];
      if (average) {
        std::int64_t r = 0, g = 0, b = 0, total = 0;
        for (int j = cy.first; j <= cy.last; ++j)
          for (int k = cx.first; k <= cx.last; ++k) {
            const std::int64_t w = cy.share[static_cast<std::size_t>(j - cy.first)] *
                                   cx.share[static_cast<std::size_t>(k - cx.first)];
            const Pixel p = src.get(sr.left + k, sr.top + j);
            r += w * ((p >> 16) & 0xFF);
            g += w * ((p >> 8) & 0xFF);
            b += w * (p & 0xFF);
            total += w;
          }
        const auto ch = [&](std::int64_t v) { return static_cast<Pixel>((v + total / 2) / total); };
        row[ox] = (ch(r) << 16) | (ch(g) << 8) | ch(b);
      } else {
        Pixel v = mode == BLACKONWHITE ? 0xFFFFFF : 0;
        for (int j = cy.first; j <= cy.last; ++j)
          for (int k = cx.first; k <= cx.last; ++k) {
            const Pixel p = src.get(sr.left + k, sr.top + j);
            v = mode == BLACKONWHITE ? (v & p) : (v | p);
          }
        row[ox] = v;
      }
    }
  }
  return out;
}

// The general blit: destination rectangle `dr` (surface), source columns/rows by maps relative to
// the source rectangle's corner (sx0, sy0) on the source surface, mask optional.
struct BlitJob {
  DeviceContext* dst = nullptr;
  const SourceReader* src = nullptr;
  int sx0 = 0, sy0 = 0;
  const std::vector<int>* xmap = nullptr;  // null: identity; else entry k is column xmap_from + k
  const std::vector<int>* ymap = nullptr;
  int xmap_from = 0, ymap_from = 0;
  const Bitmap* mask = nullptr;
  int mx0 = 0, my0 = 0;
  unsigned fore = 0xCC, back = 0xCC;
  const PatternSource* pattern = nullptr;
};

template <typename F>
void row_apply(Pixel* d, const Pixel* s, int n, Pixel p, F f) {
  for (int i = 0; i < n; ++i) d[i] = f(p, s[i], d[i]) & 0xFFFFFF;
}

// Tight loops for the common cases of one destination row [a, b): a colour source read directly,
// a solid brush, and the operations the skin engine and the window system use. Answers false
// when the general per-pixel path must run.
bool fast_row(const BlitJob& job, Pixel* row, int a, int b, int dleft, int sy, int my, int sw) {
  if (!job.src || job.src->mode != SourceReader::kDirect || (job.pattern && !job.pattern->solid())) return false;
  const Bitmap& src = *job.src->bitmap;
  if (src.monochrome()) return false;
  // Columns whose source exists.
  const Pixel* srow = src.scan_line(sy);
  if (job.xmap) {
    if (job.mask || job.fore != 0xCC) return false;
    for (int x = a; x < b; ++x) {
      const int sx = job.sx0 + (*job.xmap)[static_cast<std::size_t>(x - dleft - job.xmap_from)];
      if (sx >= 0 && sx < sw) row[x] = srow[sx];
    }
    return true;
  }
  a = std::max(a, dleft - job.sx0);
  b = std::min(b, dleft - job.sx0 + sw);
  if (a >= b) return true;
  const Pixel* s = srow + (job.sx0 + a - dleft);
  Pixel* d = row + a;
  const int n = b - a;
  if (job.mask) {
    // Transparent copy: keep the destination where the mask says so, copy elsewhere.
    const bool fore_keep = job.fore == 0xAA, back_keep = job.back == 0xAA;
    if (!((fore_keep || job.fore == 0xCC) && (back_keep || job.back == 0xCC))) return false;
    if (my < 0 || my >= job.mask->height()) return true;
    const Pixel* mrow = job.mask->scan_line(my);
    const Pixel set =
        job.mask->monochrome() && job.mask->palette().size() == 2 ? job.mask->palette()[1] : kWhitePixel;
    for (int i = 0; i < n; ++i) {
      const int mx = job.mx0 + (a + i - dleft);
      if (mx < 0 || mx >= job.mask->width()) continue;
      const bool keep = (mrow[mx] == set) ? fore_keep : back_keep;
      if (!keep) d[i] = s[i];
    }
    return true;
  }
  const Pixel p = job.pattern ? job.pattern->solid_pixel() : 0;
  switch (job.fore) {
    case 0x66: row_apply(d, s, n, p, [](Pixel, Pixel x, Pixel y) { return x ^ y; }); return true;
    case 0x88: row_apply(d, s, n, p, [](Pixel, Pixel x, Pixel y) { return x & y; }); return true;
    case 0xEE: row_apply(d, s, n, p, [](Pixel, Pixel x, Pixel y) { return x | y; }); return true;
    case 0x33: row_apply(d, s, n, p, [](Pixel, Pixel x, Pixel) { return ~x; }); return true;
    case 0xE2: row_apply(d, s, n, p, [](Pixel q, Pixel x, Pixel y) { return y ^ (x & (q ^ y)); }); return true;
    case 0xB8: row_apply(d, s, n, p, [](Pixel q, Pixel x, Pixel y) { return q ^ (x & (y ^ q)); }); return true;
    case 0xC0: row_apply(d, s, n, p, [](Pixel q, Pixel x, Pixel) { return q & x; }); return true;
    default: return false;
  }
}

void run_blit(const BlitJob& job, const RECT& dr) {
  DeviceContext& d = *job.dst;
  Bitmap* out = d.surface();
  if (!out) return;
  const bool mono = out->monochrome();
  const int sw = job.src ? job.src->bitmap->width() : 0, sh = job.src ? job.src->bitmap->height() : 0;
  for (const RECT& c : d.clip_rects()) {
    RECT r;
    if (!IntersectRect(&r, &c, &dr)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      const int oy = y - dr.top;
      int sy = 0;
      if (job.src) {
        sy = job.sy0 + (job.ymap ? (*job.ymap)[static_cast<std::size_t>(oy - job.ymap_from)] : oy);
        if (sy < 0 || sy >= sh) continue;
      }
      int my = 0;
      if (job.mask) {
        my = job.my0 + oy;
        if (my < 0 || my >= job.mask->height()) continue;
      }
      Pixel* row = out->scan_line(y);
      // Fast path: plain colour copy without stretching.
      if (job.fore == 0xCC && job.back == 0xCC && job.src && job.src->mode == SourceReader::kDirect &&
          !job.xmap && !mono) {
        int a = r.left, b = r.right;
        a = std::max(a, static_cast<int>(dr.left) - job.sx0);
        b = std::min(b, static_cast<int>(dr.left) - job.sx0 + sw);
        if (a < b) std::memcpy(row + a, job.src->bitmap->scan_line(sy) + (job.sx0 + a - dr.left), sizeof(Pixel) * (b - a));
        continue;
      }
      if (fast_row(job, row, r.left, r.right, dr.left, sy, my, sw)) continue;
      for (int x = r.left; x < r.right; ++x) {
        const int ox = x - dr.left;
        unsigned idx = job.fore;
        if (job.mask) {
          const int mx = job.mx0 + ox;
          if (mx < 0 || mx >= job.mask->width()) continue;
          const bool bit = job.mask->monochrome() ? job.mask->mono_bit(mx, my) : job.mask->pixel(mx, my) == kWhitePixel;
          idx = bit ? job.fore : job.back;
        }
        Pixel s = 0;
        if (job.src && rop_uses_source(idx)) {
          const int sx = job.sx0 + (job.xmap ? (*job.xmap)[static_cast<std::size_t>(ox - job.xmap_from)] : ox);
          if (sx < 0 || sx >= sw) continue;
          s = job.src->get(sx, sy);
        }
        Pixel p = 0;
        if (job.pattern && rop_uses_pattern(idx)) {
          if (job.pattern->skips(x, y)) continue;
          if (job.pattern->null()) p = 0;
          else p = job.pattern->at(x, y);
          if (mono) p = to_mono(p);
        }
        const Pixel v = rop3(idx, p, s, row[x]);
        row[x] = mono ? to_mono(v) : v;
      }
    }
  }
}

// A negative extent runs from the given point backwards, the point itself included (so that
// x + w - 1 with -w mirrors onto the same pixels).
RECT normalised(int x, int y, int w, int h) {
  const auto c = [](std::int64_t v) { return DeviceContext::clamp(v); };
  RECT r{x, y, c(std::int64_t{x} + w), c(std::int64_t{y} + h)};
  if (w < 0) r = {c(std::int64_t{x} + w + 1), r.top, c(std::int64_t{x} + 1), r.bottom};
  if (h < 0) r = {r.left, c(std::int64_t{y} + h + 1), r.right, c(std::int64_t{y} + 1)};
  return r;
}

// Source pixels for a blit from the same surface are read from a copy, so overlapping moves work.
struct SourceCopy {
  Bitmap copy;
  const Bitmap* use = nullptr;
};

bool do_blit(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, int sw, int sh,
             const Bitmap* mask, int mx, int my, unsigned fore, unsigned back) {
  DeviceContext* d = get_dc(hdst);
  if (!d) return false;
  const bool need_src = rop_uses_source(fore) || (mask && rop_uses_source(back));
  DeviceContext* s = need_src ? get_dc(hsrc) : nullptr;
  if (need_src && !s) return false;
  if (w == 0 || h == 0) return true;
  PatternSource pattern(*d, d->brush());
  BlitJob job;
  job.dst = d;
  job.fore = fore;
  job.back = mask ? back : fore;
  job.pattern = &pattern;
  job.mask = mask;
  job.mx0 = mx;
  job.my0 = my;
  const POINT dp = d->to_surface(x, y);
  RECT dr = normalised(dp.x, dp.y, w, h);
  SourceReader reader;
  std::vector<int> xmap, ymap;
  Bitmap temp, resampled;
  SourceReader resampled_reader;
  if (s) {
    const Bitmap* sb = s->surface();
    if (!sb) return false;
    if (sb == d->surface()) {
      temp = *sb;
      sb = &temp;
    }
    reader = make_reader(*d, *s, sb);
    job.src = &reader;
    const POINT sp = s->to_surface(sx, sy);
    const RECT sr = normalised(sp.x, sp.y, sw, sh);
    job.sx0 = sr.left;
    job.sy0 = sr.top;
    const bool flip_x = (w < 0) != (sw < 0), flip_y = (h < 0) != (sh < 0);
    // Maps cover only the part of the destination that clipping can leave.
    RECT vis;
    if (!IntersectRect(&vis, &dr, &d->clip_bounds())) return true;
    if (sr.width() != dr.width() || flip_x) {
      job.xmap_from = vis.left - dr.left;
      xmap = stretch_map(sr.width(), dr.width(), flip_x, job.xmap_from, vis.right - dr.left);
      job.xmap = &xmap;
    }
    if (sr.height() != dr.height() || flip_y) {
      job.ymap_from = vis.top - dr.top;
      ymap = stretch_map(sr.height(), dr.height(), flip_y, job.ymap_from, vis.bottom - dr.top);
      job.ymap = &ymap;
    }
    // Every mode but COLORONCOLOR combines the source pixels it would drop (HALFTONE also blends
    // when it enlarges). A source rectangle reaching outside its bitmap keeps the plain path,
    // which leaves the destination alone where there is no source.
    const int mode = d->state.stretch_mode;
    const bool shrinks = sr.width() > dr.width() || sr.height() > dr.height();
    const bool stretched = sr.width() != dr.width() || sr.height() != dr.height();
    const RECT whole{0, 0, sb->width(), sb->height()};
    RECT inside;
    if (stretched && (mode == HALFTONE || ((mode == BLACKONWHITE || mode == WHITEONBLACK) && shrinks)) &&
        IntersectRect(&inside, &sr, &whole) && inside == sr) {
      const RECT rel{vis.left - dr.left, vis.top - dr.top, vis.right - dr.left, vis.bottom - dr.top};
      resampled = resample(reader, sr, dr.width(), dr.height(), rel, flip_x, flip_y, mode);
      resampled_reader.bitmap = &resampled;
      job.src = &resampled_reader;
      job.sx0 = -rel.left;
      job.sy0 = -rel.top;
      job.xmap = job.ymap = nullptr;
    }
  }
  if (!s && !mask && rop_uses_pattern(fore)) {
    fill_rect_surface(*d, dr, pattern, fore);  // a brush-only operation: the fill's own fast path
    return true;
  }
  run_blit(job, dr);
  return true;
}

}  // namespace

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  const unsigned idx = (rop >> 16) & 0xFF;
  return do_blit(dst, x, y, w, h, src, sx, sy, w, h, nullptr, 0, 0, idx, idx) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  const unsigned idx = (rop >> 16) & 0xFF;
  if (rop_uses_source(idx) && (sw == 0 || sh == 0)) return FALSE;
  return do_blit(dst, x, y, w, h, src, sx, sy, sw, sh, nullptr, 0, 0, idx, idx) ? TRUE : FALSE;
}

BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my,
             DWORD rop4) {
  const unsigned fore = (rop4 >> 16) & 0xFF, back = (rop4 >> 24) & 0xFF;
  if (!mask) return do_blit(dst, x, y, w, h, src, sx, sy, w, h, nullptr, 0, 0, fore, fore) ? TRUE : FALSE;
  const Bitmap* m = GetBitmapPixels(mask);
  if (!m) return FALSE;
  if (w < 0 || h < 0) return FALSE;
  return do_blit(dst, x, y, w, h, src, sx, sy, w, h, m, mx, my, fore, back) ? TRUE : FALSE;
}

BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
  const unsigned idx = (rop >> 16) & 0xFF;
  if (rop_uses_source(idx)) return FALSE;
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  const POINT p = d->to_surface(x, y);
  PatternSource pattern(*d, d->brush());
  if (pattern.null() && rop_uses_pattern(idx)) return TRUE;
  RECT r = normalised(p.x, p.y, w, h);
  if (!rop_uses_pattern(idx)) {
    // Operations on the destination alone (DSTINVERT, BLACKNESS, ...) need no brush.
    BlitJob job;
    job.dst = d;
    job.fore = job.back = idx;
    run_blit(job, r);
    return TRUE;
  }
  fill_rect_surface(*d, r, pattern, idx);
  return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* d = get_dc(dc);
  if (!d || !PtVisible(dc, x, y)) return CLR_INVALID;
  const POINT p = d->to_surface(x, y);
  return colorref_from_pixel(d->surface()->pixel(p.x, p.y));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF c) {
  DeviceContext* d = get_dc(dc);
  if (!d || !PtVisible(dc, x, y)) return CLR_INVALID;
  const POINT p = d->to_surface(x, y);
  const Pixel v = dc_pixel(*d, c);
  d->surface()->set_pixel(p.x, p.y, v);
  return colorref_from_pixel(v);
}

// ---------------------------------------------------------------- device-independent bits
int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFOHEADER* info, UINT) {
  Bitmap* b = GetBitmapPixels(bitmap);
  if (!b || !info) return 0;
  if (!bits) {
    info->biSize = 40;
    info->biWidth = b->width();
    info->biHeight = b->height();
    info->biPlanes = 1;
    info->biBitCount = static_cast<WORD>(bits_per_pixel(b->format()) < 24 ? 32 : bits_per_pixel(b->format()) == 24 ? 24 : 32);
    info->biCompression = 0;
    info->biSizeImage = static_cast<DWORD>(((b->width() * info->biBitCount + 31) / 32) * 4 * b->height());
    return b->height();
  }
  if ((info->biBitCount != 24 && info->biBitCount != 32) || info->biCompression != 0 || info->biWidth <= 0)
    return 0;
  const int h = info->biHeight < 0 ? -info->biHeight : info->biHeight;
  const bool top_down = info->biHeight < 0;
  const int bpp = info->biBitCount / 8;
  const std::size_t stride = ((static_cast<std::size_t>(info->biWidth) * info->biBitCount + 31) / 32) * 4;
  auto* out = static_cast<std::uint8_t*>(bits);
  int copied = 0;
  for (UINT line = start; line < start + lines && static_cast<int>(line) < h; ++line) {
    // DIB scan line `line` counts from the bottom for bottom-up layouts.
    const int y = top_down ? static_cast<int>(line) : h - 1 - static_cast<int>(line);
    std::uint8_t* dst = out + stride * (line - start);
    std::memset(dst, 0, stride);
    if (y < b->height())
      for (int x = 0; x < info->biWidth && x < b->width(); ++x) {
        const Pixel p = b->pixel(x, y);
        dst[bpp * x] = p & 0xFF;
        dst[bpp * x + 1] = (p >> 8) & 0xFF;
        dst[bpp * x + 2] = (p >> 16) & 0xFF;
      }
    ++copied;
  }
  return copied;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFOHEADER* info, UINT) {
  Bitmap* b = GetBitmapPixels(bitmap);
  if (!b || !info || !bits || (info->biBitCount != 24 && info->biBitCount != 32) || info->biCompression != 0 ||
      info->biWidth <= 0)
    return 0;
  const int h = info->biHeight < 0 ? -info->biHeight : info->biHeight;
  const bool top_down = info->biHeight < 0;
  const int bpp = info->biBitCount / 8;
  const std::size_t stride = ((static_cast<std::size_t>(info->biWidth) * info->biBitCount + 31) / 32) * 4;
  const auto* in = static_cast<const std::uint8_t*>(bits);
  int copied = 0;
  for (UINT line = start; line < start + lines && static_cast<int>(line) < h; ++line) {
    const int y = top_down ? static_cast<int>(line) : h - 1 - static_cast<int>(line);
    const std::uint8_t* src = in + stride * (line - start);
    if (y < b->height())
      for (int x = 0; x < info->biWidth && x < b->width(); ++x) {
        Pixel p = src[bpp * x] | (src[bpp * x + 1] << 8) | (src[bpp * x + 2] << 16);
        b->set_pixel(x, y, b->monochrome() ? to_mono(p) : p);
      }
    ++copied;
  }
  return copied;
}

}  // namespace platform::gdi
