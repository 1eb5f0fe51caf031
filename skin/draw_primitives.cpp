#include "skin/draw_primitives.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "skin/image_util.h"

namespace skin {

namespace {

using gdi::LONG;
using gdi::RECT;

// A picture made for one drawing, selected into its own memory device context until it is freed.
class Scratch {
public:
  Scratch(int w, int h) : image_(gdi::Bitmap(std::max(w, 1), std::max(h, 1), gdi::PixelFormat::k24bit)) {
    select_ = std::make_unique<SelectedBitmap>(image_.Handle());
  }
  gdi::HDC dc() const { return select_->dc(); }
  const gdi::Bitmap& pixels() const { return *image_.Pixels(); }
  // Ends the selection and hands the picture over.
  SkinImage release() {
    select_.reset();
    return std::move(image_);
  }

private:
  SkinImage image_;
  std::unique_ptr<SelectedBitmap> select_;
};

bool no_area(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// Margins cut so that opposite borders fit inside the frame together.
RECT fit_margins(RECT m, int fw, int fh) {
  auto fit = [](LONG& a, LONG& b, int size) {
    a = std::clamp<LONG>(a, 0, size);
    b = std::clamp<LONG>(b, 0, size - a);
  };
  fit(m.left, m.right, fw);
  fit(m.top, m.bottom, fh);
  return m;
}

// Copies w x h pixels from (sx, sy) of `src` to (x, y) of `dst`, leaving the destination alone where
// the source has the key colour: a mask of the key pixels steers a masked blit.
void keyed_blit(gdi::HDC dst, int x, int y, int w, int h, gdi::HDC src, const gdi::Bitmap& src_pixels, int sx,
                int sy, gdi::COLORREF key) {
  if (w <= 0 || h <= 0) return;
  const gdi::Pixel key_pixel = gdi::pixel_from_colorref(key & 0xFFFFFF);
  gdi::Bitmap mask(w, h, gdi::PixelFormat::k1bit, gdi::kBlackPixel);
  for (int yy = 0; yy < h; ++yy) {
    for (int xx = 0; xx < w; ++xx) {
      const int px = sx + xx, py = sy + yy;
      // Outside the source counts as key: nothing there to copy.
      if (!src_pixels.contains(px, py) || src_pixels.pixel(px, py) == key_pixel) mask.set_pixel(xx, yy, gdi::kWhitePixel);
    }
  }
  gdi::HBITMAP mask_handle = gdi::CreateBitmapFromPixels(std::move(mask));
  gdi::MaskBlt(dst, x, y, w, h, src, sx, sy, mask_handle, 0, 0, gdi::MAKEROP4(0x00AA0029, gdi::SRCCOPY));
  gdi::DeleteObject(mask_handle);
}

// Puts a composed picture on the target: keyed or opaque.
void put(gdi::HDC dc, const RECT& target, const Scratch& composed, bool transparent) {
  const int w = target.right - target.left, h = target.bottom - target.top;
  if (transparent) {
    keyed_blit(dc, target.left, target.top, w, h, composed.dc(), composed.pixels(), 0, 0, kKeyColour);
  } else {
    gdi::BitBlt(dc, target.left, target.top, w, h, composed.dc(), 0, 0, gdi::SRCCOPY);
  }
}

void stretch(gdi::HDC dst, const RECT& d, gdi::HDC src, const RECT& s) {
  if (no_area(d) || no_area(s)) return;
  gdi::StretchBlt(dst, d.left, d.top, d.right - d.left, d.bottom - d.top, src, s.left, s.top, s.right - s.left,
                  s.bottom - s.top, gdi::SRCCOPY);
}

}  // namespace

RECT FrameRect(const SkinImage& bitmap, int count, int index, bool vertical) {
  const int w = bitmap.Width(), h = bitmap.Height();
  count = std::max(count, 1);
  index = std::clamp(index, 1, count);
  if (vertical) {
    const int fh = h / count;
    return {0, fh * (index - 1), w, fh * index};
  }
  const int fw = w / count;
  return {fw * (index - 1), 0, fw * index, h};
}

void DrawFrameStretched(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, bool transparent, int frame_count,
                        int frame_index) {
  if (no_area(target) || bitmap.Empty()) return;
  const RECT f = FrameRect(bitmap, frame_count, frame_index);
  Scratch temp(target.right - target.left, target.bottom - target.top);
  {
    SelectedBitmap src(bitmap.Handle());
    stretch(temp.dc(), {0, 0, target.right - target.left, target.bottom - target.top}, src.dc(), f);
  }
  put(dc, target, temp, transparent);
}

void DrawFrameCentred(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, bool transparent, int frame_count,
                      int frame_index) {
  if (no_area(target) || bitmap.Empty()) return;
  const RECT f = FrameRect(bitmap, frame_count, frame_index);
  const int fw = f.right - f.left, fh = f.bottom - f.top;
  if (fw <= 0 || fh <= 0) return;
  Scratch temp(fw, fh);
  {
    SelectedBitmap src(bitmap.Handle());
    gdi::BitBlt(temp.dc(), 0, 0, fw, fh, src.dc(), f.left, f.top, gdi::SRCCOPY);
  }
  const int x = target.left + (target.right - target.left - fw) / 2;
  const int y = target.top + (target.bottom - target.top - fh) / 2;
  put(dc, {x, y, x + fw, y + fh}, temp, transparent);
}

namespace {

// The nine pieces of one frame, composed into `out` (W x H), in the order in which later pieces
// cover what a tiled centre left past its cell.
void compose_nine_grid(gdi::HDC out, int W, int H, gdi::HDC src, const SkinImage& bitmap, const RECT& margins,
                       bool vertical, bool tile_centre, int frame_count, int frame_index) {
  const RECT f = FrameRect(bitmap, frame_count, frame_index, vertical);
  const int ox = f.left, oy = f.top, fw = f.right - f.left, fh = f.bottom - f.top;
  if (fw <= 0 || fh <= 0) return;
  const RECT m = fit_margins(margins, fw, fh);
  int L = m.left, R = m.right, T = m.top, B = m.bottom;
  if (W < L + R) L = R = 0;
  if (H < T + B) T = B = 0;
  gdi::SetStretchBltMode(out, gdi::COLORONCOLOR);
  if (L * T > 0) stretch(out, {0, 0, L, T}, src, {ox, oy, ox + L, oy + T});
  if (L * B > 0) stretch(out, {0, H - B, L, H}, src, {ox, oy + fh - B, ox + L, oy + fh});
  if (R * T > 0) stretch(out, {W - R, 0, W, T}, src, {ox + fw - R, oy, ox + fw, oy + T});
  if (L > 0) stretch(out, {0, T, L, H - B}, src, {ox, oy + T, ox + L, oy + fh - B});
  if (T > 0) stretch(out, {L, 0, W - R, T}, src, {ox + L, oy, ox + fw - R, oy + T});
  const RECT centre_dst{L, T, W - R, H - B}, centre_src{ox + L, oy + T, ox + fw - R, oy + fh - B};
  if (tile_centre) {
    const int w = centre_src.right - centre_src.left, h = centre_src.bottom - centre_src.top;
    if (w > 0 && h > 0) {
      for (int x = centre_dst.left; x < centre_dst.right; x += w) {
        for (int y = centre_dst.top; y < centre_dst.bottom; y += h) {
          gdi::BitBlt(out, x, y, w, h, src, centre_src.left, centre_src.top, gdi::SRCCOPY);
        }
      }
    }
  } else {
    stretch(out, centre_dst, src, centre_src);
  }
  if (R * B > 0) stretch(out, {W - R, H - B, W, H}, src, {ox + fw - R, oy + fh - B, ox + fw, oy + fh});
  if (R > 0) stretch(out, {W - R, T, W, H - B}, src, {ox + fw - R, oy + T, ox + fw, oy + fh - B});
  if (B > 0) stretch(out, {L, H - B, W - R, H}, src, {ox + L, oy + fh - B, ox + fw - R, oy + fh});
}

}  // namespace

SkinImage BuildNineGridBitmap(const RECT& target, const SkinImage& bitmap, const RECT& margins, bool vertical,
                              bool tile_centre, int frame_count, int frame_index) {
  const int W = target.right - target.left, H = target.bottom - target.top;
  if (W <= 0 || H <= 0) return {};
  Scratch out(W, H);
  if (!bitmap.Empty()) {
    SelectedBitmap src(bitmap.Handle());
    compose_nine_grid(out.dc(), W, H, src.dc(), bitmap, margins, vertical, tile_centre, frame_count, frame_index);
  }
  return out.release();
}

void DrawNineGrid(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, bool vertical, bool tile_centre,
                  bool transparent, int frame_count, int frame_index, const RECT& margins) {
  const int W = target.right - target.left, H = target.bottom - target.top;
  if (W <= 0 || H <= 0 || bitmap.Empty()) return;
  Scratch out(W, H);
  {
    SelectedBitmap src(bitmap.Handle());
    compose_nine_grid(out.dc(), W, H, src.dc(), bitmap, margins, vertical, tile_centre, frame_count, frame_index);
  }
  put(dc, target, out, transparent);
}

void DrawThreePartStrip(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, bool vertical, bool transparent,
                        int frame_count, int frame_index, const RECT& caps) {
  const int W = target.right - target.left, H = target.bottom - target.top;
  if (W <= 0 || H <= 0 || bitmap.Empty()) return;
  const RECT f = FrameRect(bitmap, frame_count, frame_index, vertical);
  const int ox = f.left, oy = f.top, fw = f.right - f.left, fh = f.bottom - f.top;
  if (fw <= 0 || fh <= 0) return;
  const RECT c = fit_margins({caps.left, 0, caps.right, 0}, fw, fh);
  const int L = c.left, R = c.right, m = fw - L - R;
  Scratch out(W, H);
  {
    SelectedBitmap src(bitmap.Handle());
    gdi::SetStretchBltMode(out.dc(), gdi::COLORONCOLOR);
    if (m <= 0 && W > L + R) {
      // No middle to repeat: the whole frame is stretched instead of looping on a zero step.
      stretch(out.dc(), {0, 0, W, H}, src.dc(), f);
    } else {
      stretch(out.dc(), {0, 0, L, H}, src.dc(), {ox, oy, ox + L, oy + fh});
      for (int x = L;;) {
        if (x >= W - R) {
          stretch(out.dc(), {W - R, 0, W, H}, src.dc(), {ox + fw - R, oy, ox + fw, oy + fh});
          break;
        }
        stretch(out.dc(), {x, 0, x + m, H}, src.dc(), {ox + L, oy, ox + L + m, oy + fh});
        x += m;
      }
    }
  }
  put(dc, target, out, transparent);
}

void DrawThreePartStretched(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, bool vertical, int frame_count,
                            int frame_index, const RECT& caps) {
  const int W = target.right - target.left, H = target.bottom - target.top;
  if (W <= 0 || H <= 0 || bitmap.Empty()) return;
  const RECT f = FrameRect(bitmap, frame_count, frame_index, vertical);
  const int ox = f.left, oy = f.top, fw = f.right - f.left, fh = f.bottom - f.top;
  if (fw <= 0 || fh <= 0) return;
  const RECT c = fit_margins({caps.left, 0, caps.right, 0}, fw, fh);
  const int L = c.left, R = c.right;
  Scratch out(W, H);
  {
    SelectedBitmap src(bitmap.Handle());
    if (W >= fw) {
      stretch(out.dc(), {0, 0, L, H}, src.dc(), {ox, oy, ox + L, oy + fh});
      stretch(out.dc(), {L, 0, W - R, H}, src.dc(), {ox + L, oy, ox + fw - R, oy + fh});
      stretch(out.dc(), {W - R, 0, W, H}, src.dc(), {ox + fw - R, oy, ox + fw, oy + fh});
    } else {
      stretch(out.dc(), {0, 0, W, H}, src.dc(), f);
    }
  }
  put(dc, target, out, false);
}

void TileBitmapPart(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, const RECT& source) {
  if (no_area(target) || bitmap.Empty()) return;
  RECT s{};
  const RECT whole{0, 0, bitmap.Width(), bitmap.Height()};
  if (no_area(source) || !gdi::IntersectRect(&s, &source, &whole)) return;
  const int w = s.right - s.left, h = s.bottom - s.top;
  SelectedBitmap src(bitmap.Handle());
  for (int x = target.left; x < target.right; x += w) {
    for (int y = target.top; y < target.bottom; y += h) gdi::BitBlt(dc, x, y, w, h, src.dc(), s.left, s.top, gdi::SRCCOPY);
  }
}

void DrawTransparentBitmap(gdi::HDC dc, const RECT& target, const SkinImage& bitmap, gdi::COLORREF key) {
  if (no_area(target) || bitmap.Empty()) return;
  SelectedBitmap src(bitmap.Handle());
  keyed_blit(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, src.dc(),
             *bitmap.Pixels(), 0, 0, key);
}

gdi::HRGN BitmapToRegion(const SkinImage& bitmap, int dx, int dy, int blue_tolerance, int green_tolerance,
                         int red_tolerance, gdi::COLORREF key) {
  constexpr std::size_t kBatch = 2000;
  const int r_lo = gdi::GetRValue(key), g_lo = gdi::GetGValue(key), b_lo = gdi::GetBValue(key);
  const int r_hi = std::min(255, r_lo + red_tolerance), g_hi = std::min(255, g_lo + green_tolerance),
            b_hi = std::min(255, b_lo + blue_tolerance);
  gdi::HRGN result = nullptr;
  gdi::RGNDATA data;
  auto reset = [&] {
    data.Buffer.clear();
    data.rdh.nCount = 0;
    data.rdh.rcBound = {INT_MAX, INT_MAX, 0, 0};
  };
  auto flush = [&] {
    data.rdh.nCount = static_cast<gdi::DWORD>(data.Buffer.size());
    gdi::HRGN part = gdi::ExtCreateRegion(nullptr, static_cast<gdi::DWORD>(32 + 16 * data.Buffer.size()), &data);
    if (!result) {
      result = part;
    } else {
      gdi::CombineRgn(result, result, part, gdi::RGN_OR);
      gdi::DeleteObject(part);
    }
    reset();
  };
  reset();
  data.Buffer.reserve(kBatch);
  if (const gdi::Bitmap* b = bitmap.Pixels()) {
    auto is_key = [&](gdi::Pixel p) {
      const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                bl = static_cast<int>(p & 0xFF);
      return r >= r_lo && r <= r_hi && g >= g_lo && g <= g_hi && bl >= b_lo && bl <= b_hi;
    };
    for (int y = 0; y < b->height(); ++y) {
      const gdi::Pixel* row = b->scan_line(y);
      int x = 0;
      while (x < b->width()) {
        const int x0 = x;
        while (x < b->width() && !is_key(row[x])) ++x;
        if (x > x0) {
          data.Buffer.push_back({x0 + dx, y + dy, x + dx, y + 1 + dy});
          RECT& bound = data.rdh.rcBound;
          bound.left = std::min<LONG>(bound.left, x0);
          bound.top = std::min<LONG>(bound.top, y);
          bound.right = std::max<LONG>(bound.right, x);
          bound.bottom = std::max<LONG>(bound.bottom, y + 1);
          if (data.Buffer.size() == kBatch) flush();
        }
        ++x;  // past the key pixel that ended the run
      }
    }
  }
  flush();
  return result;
}

}  // namespace skin
