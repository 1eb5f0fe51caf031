// Image lists: equal-sized images in one strip with a mask strip (white = transparent).
#include <algorithm>
#include <utility>

#include "platform/gdi/objects_internal.h"

namespace platform::gdi {
namespace {
ImageListObject* list_of(HIMAGELIST h) {
  return static_cast<ImageListObject*>(ObjectTable::instance().get(h, 0x100));
}
}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0 || !bitmap_size_allowed(cx, cy)) return nullptr;
  auto l = std::make_unique<ImageListObject>();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  l->images = Bitmap(0, cy);
  l->mask = Bitmap(0, cy, PixelFormat::k1bit);
  return reinterpret_cast<HIMAGELIST>(ObjectTable::instance().add(std::move(l)));
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (!list_of(list)) return FALSE;
  return ObjectTable::instance().remove(list) ? TRUE : FALSE;
}

namespace {
// Appends the images of a strip; `transparent(x, y)` tells the mask.
template <typename MaskFn> int append(ImageListObject* l, const Bitmap& image, MaskFn transparent) {
  const int n = image.width() / l->cx;
  if (n <= 0) return -1;
  const int first = l->count;
  const std::int64_t new_width = static_cast<std::int64_t>(l->cx) * (l->count + n);
  if (!bitmap_size_allowed(new_width, l->cy)) return -1;
  l->images.resize(static_cast<int>(new_width), l->cy);
  l->mask.resize(static_cast<int>(new_width), l->cy, kWhitePixel);
  for (int y = 0; y < l->cy; ++y)
    for (int x = 0; x < n * l->cx; ++x) {
      const int dx = first * l->cx + x;
      const bool inside = y < image.height();
      l->images.set_pixel(dx, y, inside ? image.pixel(x, y) : 0);
      const bool clear = !(l->flags & ILC_MASK) ? false : (!inside || transparent(x, y));
      l->mask.set_pixel(dx, y, clear ? kWhitePixel : kBlackPixel);
    }
  l->count += n;
  return first;
}
}  // namespace

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  ImageListObject* l = list_of(list);
  const Bitmap* img = GetBitmapPixels(image);
  if (!l || !img) return -1;
  const Bitmap* m = mask ? GetBitmapPixels(mask) : nullptr;
  return append(l, *img, [&](int x, int y) {
    if (!m || !m->contains(x, y)) return false;
    return m->monochrome() ? m->mono_bit(x, y) : m->pixel(x, y) == kWhitePixel;
  });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF key) {
  ImageListObject* l = list_of(list);
  const Bitmap* img = GetBitmapPixels(image);
  if (!l || !img) return -1;
  const Pixel k = pixel_from_colorref(resolve_color(key));
  const UINT saved = l->flags;
  l->flags |= ILC_MASK;
  const int r = append(l, *img, [&](int x, int y) { return img->pixel(x, y) == k; });
  l->flags = saved | ILC_MASK;
  return r;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  ImageListObject* l = list_of(list);
  if (!l || index < -1 || index >= l->count) return FALSE;
  if (index == -1) {
    l->count = 0;
    l->images.resize(0, l->cy);
    l->mask.resize(0, l->cy);
    return TRUE;
  }
  const int w = l->cx;
  for (int y = 0; y < l->cy; ++y) {
    Pixel* a = l->images.scan_line(y);
    Pixel* m = l->mask.scan_line(y);
    std::copy(a + (index + 1) * w, a + l->count * w, a + index * w);
    std::copy(m + (index + 1) * w, m + l->count * w, m + index * w);
  }
  --l->count;
  l->images.resize(l->count * w, l->cy);
  l->mask.resize(l->count * w, l->cy);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  ImageListObject* l = list_of(list);
  return l ? l->count : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  ImageListObject* l = list_of(list);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF c) {
  ImageListObject* l = list_of(list);
  if (!l) return CLR_NONE;
  return std::exchange(l->bk, c);
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  ImageListObject* l = list_of(list);
  return l ? l->bk : CLR_NONE;
}

namespace {
// Writes image pixels at surface point (x, y) where `pick` answers a colour.
template <typename Pick> void put(DeviceContext& d, int x, int y, int w, int h, Pick pick) {
  Bitmap* s = d.surface();
  if (!s) return;
  const RECT box{x, y, x + w, y + h};
  for (const RECT& c : d.clip_rects()) {
    RECT r;
    if (!IntersectRect(&r, &c, &box)) continue;
    for (int yy = r.top; yy < r.bottom; ++yy)
      for (int xx = r.left; xx < r.right; ++xx) {
        Pixel p;
        if (pick(xx - x, yy - y, p)) s->set_pixel(xx, yy, s->monochrome() ? to_mono(p) : p);
      }
  }
}
}  // namespace

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  ImageListObject* l = list_of(list);
  DeviceContext* d = get_dc(dc);
  if (!l || !d || index < 0 || index >= l->count) return FALSE;
  const POINT p = d->to_surface(x, y);
  const int ox = index * l->cx;
  const bool masked = (l->flags & ILC_MASK) != 0;
  const bool transparent = masked && ((style & ILD_TRANSPARENT) || l->bk == CLR_NONE);
  const Pixel bk = l->bk == CLR_NONE ? 0 : pixel_from_colorref(resolve_color(l->bk));
  if (style & ILD_MASK) {
    put(*d, p.x, p.y, l->cx, l->cy, [&](int u, int v, Pixel& out) {
      out = l->mask.pixel(ox + u, v);
      return true;
    });
    return TRUE;
  }
  put(*d, p.x, p.y, l->cx, l->cy, [&](int u, int v, Pixel& out) {
    const bool clear = masked && l->mask.pixel(ox + u, v) == kWhitePixel;
    if (clear) {
      if (transparent) return false;
      out = bk;
      return true;
    }
    out = l->images.pixel(ox + u, v);
    return true;
  });
  return TRUE;
}

BOOL ImageList_DrawDisabled(HIMAGELIST list, int index, HDC dc, int x, int y) {
  ImageListObject* l = list_of(list);
  DeviceContext* d = get_dc(dc);
  if (!l || !d || index < 0 || index >= l->count) return FALSE;
  const POINT p = d->to_surface(x, y);
  const int ox = index * l->cx;
  const bool masked = (l->flags & ILC_MASK) != 0;
  const auto opaque = [&](int u, int v) {
    return u >= 0 && v >= 0 && u < l->cx && v < l->cy && !(masked && l->mask.pixel(ox + u, v) == kWhitePixel);
  };
  const Pixel hi = pixel_from_colorref(GetSysColor(COLOR_BTNHIGHLIGHT));
  const Pixel sh = pixel_from_colorref(GetSysColor(COLOR_BTNSHADOW));
  put(*d, p.x, p.y, l->cx + 1, l->cy + 1, [&](int u, int v, Pixel& out) {
    if (opaque(u, v)) {
      out = sh;
      return true;
    }
    if (opaque(u - 1, v - 1)) {
      out = hi;
      return true;
    }
    return false;
  });
  return TRUE;
}

SIZE DrawKeyedBitmap(HDC dc, int x, int y, HBITMAP bitmap, bool enabled) {
  const Bitmap* b = bitmap ? GetBitmapPixels(bitmap) : nullptr;
  if (!b || b->empty()) return {0, 0};
  const SIZE size{b->width(), b->height()};
  HIMAGELIST list = ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 1, 1);
  if (ImageList_AddMasked(list, bitmap, colorref_from_pixel(b->pixel(0, size.cy - 1))) >= 0) {
    if (enabled) ImageList_Draw(list, 0, dc, x, y, ILD_TRANSPARENT);
    else ImageList_DrawDisabled(list, 0, dc, x, y);
  }
  ImageList_Destroy(list);
  return size;
}

}  // namespace platform::gdi
