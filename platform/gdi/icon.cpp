// Icons: a monochrome AND mask and a colour XOR image, drawn with the blit machinery.
#include "platform/gdi/objects_internal.h"

namespace platform::gdi {
namespace {

struct IconObject : GdiObject {
  IconObject() : GdiObject(0x101) {}
  BOOL icon = TRUE;
  DWORD hx = 0, hy = 0;
  Bitmap mask;   // AND mask, monochrome
  Bitmap image;  // XOR image, colour
};

IconObject* icon_of(const void* h) { return static_cast<IconObject*>(ObjectTable::instance().get(h, 0x101)); }

Bitmap resized(const Bitmap& b, int cx, int cy) {
  if ((cx == 0 || cx == b.width()) && (cy == 0 || cy == b.height())) return b;
  if (cx == 0) cx = b.width();
  if (cy == 0) cy = b.height();
  Bitmap out(cx, cy, b.format());
  if (b.format() == PixelFormat::k1bit || b.format() == PixelFormat::k4bit || b.format() == PixelFormat::k8bit)
    out.set_palette(b.palette());
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      out.set_pixel(x, y, b.pixel(static_cast<int>(static_cast<std::int64_t>(x) * b.width() / cx),
                                  static_cast<int>(static_cast<std::int64_t>(y) * b.height() / cy)));
  return out;
}

HICON add(std::unique_ptr<IconObject> o) {
  return reinterpret_cast<HICON>(ObjectTable::instance().add(std::move(o)));
}

}  // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  const Bitmap* mask = GetBitmapPixels(info->hbmMask);
  if (!mask || mask->empty()) return nullptr;
  auto o = std::make_unique<IconObject>();
  o->icon = info->fIcon;
  o->hx = info->xHotspot;
  o->hy = info->yHotspot;
  const Bitmap* color = info->hbmColor ? GetBitmapPixels(info->hbmColor) : nullptr;
  if (info->hbmColor && !color) return nullptr;
  const int w = mask->width(), h = color ? mask->height() : mask->height() / 2;
  if (h <= 0) return nullptr;
  o->mask = Bitmap(w, h, PixelFormat::k1bit);
  o->image = Bitmap(w, h, PixelFormat::k32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto bit = [](const Bitmap& b, int px, int py) {
        return b.monochrome() ? b.mono_bit(px, py) : b.pixel(px, py) == kWhitePixel;
      };
      o->mask.set_pixel(x, y, bit(*mask, x, y) ? kWhitePixel : kBlackPixel);
      if (color) o->image.set_pixel(x, y, color->contains(x, y) ? color->pixel(x, y) : 0);
      else o->image.set_pixel(x, y, bit(*mask, x, y + h) ? kWhitePixel : kBlackPixel);
    }
  return add(std::move(o));
}

BOOL DestroyIcon(HICON icon) {
  if (!icon_of(icon)) return FALSE;
  return ObjectTable::instance().remove(icon) ? TRUE : FALSE;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  IconObject* o = icon_of(icon);
  if (!o || !info) return FALSE;
  info->fIcon = o->icon;
  info->xHotspot = o->hx;
  info->yHotspot = o->hy;
  info->hbmMask = CreateBitmapFromPixels(o->mask);
  info->hbmColor = CreateBitmapFromPixels(o->image);
  return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH flicker_free, UINT flags) {
  IconObject* o = icon_of(icon);
  DeviceContext* d = get_dc(dc);
  if (!o || !d) return FALSE;
  if (cx == 0) cx = o->mask.width();
  if (cy == 0) cy = o->mask.height();
  if ((flags & DI_NORMAL) == 0) flags |= DI_NORMAL;
  if (flicker_free) {
    RECT r{x, y, x + cx, y + cy};
    FillRect(dc, &r, flicker_free);
  }
  // The mask goes through the destination's text and background colours: keep them black and white.
  const COLORREF text = SetTextColor(dc, 0), back = SetBkColor(dc, RGB(255, 255, 255));
  HDC src = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmapFromPixels(o->mask), image = CreateBitmapFromPixels(o->image);
  HGDIOBJ old = SelectObject(src, mask);
  const int w = o->mask.width(), h = o->mask.height();
  if (flags & DI_MASK) StretchBlt(dc, x, y, cx, cy, src, 0, 0, w, h, (flags & DI_IMAGE) ? SRCAND : SRCCOPY);
  SelectObject(src, image);
  if (flags & DI_IMAGE) StretchBlt(dc, x, y, cx, cy, src, 0, 0, w, h, (flags & DI_MASK) ? SRCINVERT : SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(mask);
  DeleteObject(image);
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  return TRUE;
}

void* CopyImage(void* image, UINT type, int cx, int cy, UINT flags) {
  void* result = nullptr;
  if (type == IMAGE_ICON) {
    IconObject* o = icon_of(image);
    if (!o) return nullptr;
    auto copy = std::make_unique<IconObject>();
    copy->icon = o->icon;
    copy->hx = o->hx;
    copy->hy = o->hy;
    copy->mask = resized(o->mask, cx, cy);
    copy->image = resized(o->image, cx, cy);
    result = add(std::move(copy));
    if (flags & LR_COPYDELETEORG) DestroyIcon(static_cast<HICON>(image));
  } else if (type == IMAGE_BITMAP) {
    const Bitmap* b = GetBitmapPixels(static_cast<HBITMAP>(image));
    if (!b) return nullptr;
    result = CreateBitmapFromPixels(resized(*b, cx, cy));
    if (flags & LR_COPYDELETEORG) DeleteObject(image);
  }
  return result;
}

HBITMAP LoadBitmap(void* instance, int name) {
  if (instance || name != OBM_CHECK) return nullptr;
  static constexpr const char* kCheck[7] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};
  Bitmap b(13, 13, PixelFormat::k1bit, kWhitePixel);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x)
      if (kCheck[y][x] == '#') b.set_pixel(3 + x, 3 + y, kBlackPixel);
  return CreateBitmapFromPixels(std::move(b));
}

}  // namespace platform::gdi
