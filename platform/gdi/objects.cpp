#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/gdi/objects_internal.h"

namespace platform::gdi {

// ---------------------------------------------------------------- rectangles and MulDiv
BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = {left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* r) { return !r || r->empty(); }
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx; r->right += dx; r->top += dy; r->bottom += dy;
  return TRUE;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx; r->right += dx; r->top -= dy; r->bottom += dy;
  return TRUE;
}
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (r.empty()) { *out = RECT{}; return FALSE; }
  *out = r;
  return TRUE;
}
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  if (a->empty()) { *out = b->empty() ? RECT{} : *b; return !b->empty(); }
  if (b->empty()) { *out = *a; return TRUE; }
  *out = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
          std::max(a->bottom, b->bottom)};
  return TRUE;
}
BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL EqualRect(const RECT* a, const RECT* b) { return a && b && *a == *b; }
BOOL CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const bool negative = (p < 0) != (c < 0);
  const std::uint64_t ap = p < 0 ? static_cast<std::uint64_t>(-p) : static_cast<std::uint64_t>(p);
  const std::uint64_t ac = c < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(c)) : static_cast<std::uint64_t>(c);
  const std::uint64_t q = (ap + ac / 2) / ac;
  if (negative ? q > 0x80000000ull : q > 0x7FFFFFFFull) return -1;
  return negative ? static_cast<int>(-static_cast<std::int64_t>(q)) : static_cast<int>(q);
}

// ---------------------------------------------------------------- system colours
namespace {
constexpr COLORREF kDefaultSysColors[kSysColorCount] = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(236, 233, 216)};
COLORREF g_sys_colors[kSysColorCount] = {};
bool g_sys_init = false;
std::mutex g_sys_mutex;
void ensure_sys() {
  if (!g_sys_init) {
    std::copy(std::begin(kDefaultSysColors), std::end(kDefaultSysColors), g_sys_colors);
    g_sys_init = true;
  }
}
}  // namespace

COLORREF GetSysColor(int index) {
  std::lock_guard lock(g_sys_mutex);
  ensure_sys();
  return index >= 0 && index < kSysColorCount ? g_sys_colors[index] : 0;
}

BOOL SetSysColors(int count, const int* indexes, const COLORREF* colors) {
  std::lock_guard lock(g_sys_mutex);
  ensure_sys();
  for (int i = 0; i < count; ++i)
    if (indexes[i] >= 0 && indexes[i] < kSysColorCount) g_sys_colors[indexes[i]] = colors[i] & 0xFFFFFF;
  return TRUE;
}

void reset_sys_colors() {
  std::lock_guard lock(g_sys_mutex);
  g_sys_init = false;
  ensure_sys();
}

COLORREF resolve_color(COLORREF c) {
  const DWORD top = c >> 24;
  if (top == 0xFF || top == 0x80) return GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0xFFFFFF;
}

// ---------------------------------------------------------------- the object table
namespace {
std::unique_ptr<GdiObject> make_stock(int index) {
  const auto solid = [](COLORREF c) {
    auto b = std::make_unique<BrushObject>();
    b->color = c;
    return b;
  };
  const auto pen = [](int style, COLORREF c) {
    auto p = std::make_unique<PenObject>();
    p->style = style;
    p->color = c;
    return p;
  };
  switch (index) {
    case WHITE_BRUSH: return solid(RGB(255, 255, 255));
    case LTGRAY_BRUSH: return solid(RGB(192, 192, 192));
    case GRAY_BRUSH: return solid(RGB(128, 128, 128));
    case DKGRAY_BRUSH: return solid(RGB(64, 64, 64));
    case BLACK_BRUSH: return solid(0);
    case NULL_BRUSH: {
      auto b = solid(0);
      b->style = BS_NULL;
      return b;
    }
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, 0);
    case NULL_PEN: return pen(PS_NULL, 0);
    case DC_BRUSH: {
      auto b = solid(0);
      b->dc_brush = true;
      return b;
    }
    case DC_PEN: {
      auto p = pen(PS_SOLID, 0);
      p->dc_pen = true;
      return p;
    }
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
      auto f = std::make_unique<FontObject>();
      f->lf.lfHeight = -12;
      f->lf.lfFaceName = "Courier New";
      return f;
    }
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: {
      // The console runs with a Chinese system profile: its default face is the Song face at 9 pt.
      auto f = std::make_unique<FontObject>();
      f->lf.lfHeight = -12;
      f->lf.lfCharSet = GB2312_CHARSET;
      f->lf.lfFaceName = "宋体";
      return f;
    }
    default: return nullptr;
  }
}
constexpr int kStockCount = 20;
// Index of the 1x1 monochrome bitmap that memory DCs hold by default, and of the system colour
// brushes, after the numbered stock objects.
constexpr int kStockBitmap = kStockCount;
constexpr int kSysBrushBase = kStockCount + 1;
}  // namespace

ObjectTable& ObjectTable::instance() {
  static ObjectTable table;
  return table;
}

ObjectTable::ObjectTable() {
  stock_.assign(kSysBrushBase + kSysColorCount, nullptr);
  for (int i = 0; i < kStockCount; ++i)
    if (auto o = make_stock(i)) {
      GdiObject* raw = o.get();
      add(std::move(o), true);
      stock_[i] = raw;
    }
  auto bm = std::make_unique<BitmapObject>();
  bm->bitmap = Bitmap(1, 1, PixelFormat::k1bit);
  stock_[kStockBitmap] = bm.get();
  add(std::move(bm), true);
  for (int i = 0; i < kSysColorCount; ++i) {
    auto b = std::make_unique<BrushObject>();
    b->color = 0xFF000000u | static_cast<COLORREF>(i);
    stock_[kSysBrushBase + i] = b.get();
    add(std::move(b), true);
  }
}

ObjectTable::~ObjectTable() {
  // Device contexts first: they release their selections, which point into the other objects.
  std::erase_if(objects_, [](const auto& kv) {
    return kv.second->type == OBJ_DC || kv.second->type == OBJ_MEMDC;
  });
}

std::uintptr_t ObjectTable::add(std::unique_ptr<GdiObject> o, bool stock) {
  std::lock_guard lock(mutex_);
  const std::uintptr_t id = next_;
  next_ += 4;
  o->id = id;
  o->stock = stock;
  if (stock) ++stock_count_;
  objects_.emplace(id, std::move(o));
  return id;
}

GdiObject* ObjectTable::get(const void* handle, DWORD type) {
  std::lock_guard lock(mutex_);
  const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == objects_.end()) return nullptr;
  if (type != 0 && it->second->type != type) return nullptr;
  return it->second.get();
}

bool ObjectTable::remove(const void* handle) {
  std::unique_ptr<GdiObject> doomed;
  {
    std::lock_guard lock(mutex_);
    const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == objects_.end()) return false;
    doomed = std::move(it->second);
    objects_.erase(it);
  }
  return true;  // destroyed outside the lock: a DC releases its selections on destruction
}

std::size_t ObjectTable::live_count() {
  std::lock_guard lock(mutex_);
  return objects_.size() - stock_count_;
}

GdiObject* ObjectTable::stock(int index) {
  return index >= 0 && index < static_cast<int>(stock_.size()) ? stock_[index] : nullptr;
}

std::size_t live_object_count() { return ObjectTable::instance().live_count(); }

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  return to_handle<HGDIOBJ>(ObjectTable::instance().stock(index));
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return to_handle<HBRUSH>(ObjectTable::instance().stock(kSysBrushBase + index));
}

GdiObject* default_bitmap_object() { return ObjectTable::instance().stock(kStockBitmap); }

COLORREF brush_color_of(HBRUSH brush) {
  const auto v = reinterpret_cast<std::uintptr_t>(brush);
  if (v >= 1 && v <= static_cast<std::uintptr_t>(kSysColorCount)) return GetSysColor(static_cast<int>(v - 1));
  return CLR_INVALID;
}

// ---------------------------------------------------------------- creation
template <typename H, typename T> H register_object(std::unique_ptr<T> o) {
  return reinterpret_cast<H>(ObjectTable::instance().add(std::move(o)));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_unique<PenObject>();
  p->style = style;
  p->width = std::max(1, width);
  // Styled lines are cosmetic: only one pixel wide.
  if (p->width > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT) p->style = PS_SOLID;
  p->color = color;
  return register_object<HPEN>(std::move(p));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  return lp ? CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor) : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<BrushObject>();
  b->color = color;
  return register_object<HBRUSH>(std::move(b));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_unique<BrushObject>();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color;
  return register_object<HBRUSH>(std::move(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto* bm = static_cast<BitmapObject*>(ObjectTable::instance().get(bitmap, OBJ_BITMAP));
  if (!bm || bm->bitmap.empty()) return nullptr;
  auto b = std::make_unique<BrushObject>();
  b->style = BS_PATTERN;
  b->pattern = bm->bitmap;
  return register_object<HBRUSH>(std::move(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
      auto b = std::make_unique<BrushObject>();
      b->style = BS_NULL;
      return register_object<HBRUSH>(std::move(b));
    }
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_HATCHED:
      return lb->lbHatch <= static_cast<std::uintptr_t>(HS_DIAGCROSS) ? CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor)
                                                                     : nullptr;
    default: return nullptr;
  }
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto f = std::make_unique<FontObject>();
  f->lf = *lf;
  return register_object<HFONT>(std::move(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision,
                 DWORD clip_precision, DWORD quality, DWORD pitch_and_family, std::string_view face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strike_out ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charset);
  lf.lfOutPrecision = static_cast<BYTE>(out_precision);
  lf.lfClipPrecision = static_cast<BYTE>(clip_precision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  lf.lfFaceName = std::string(face);
  return CreateFontIndirect(&lf);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  if (planes != 1 || width < 0 || height < 0 || !bitmap_size_allowed(width, height)) return nullptr;
  PixelFormat f;
  switch (bits_per_pixel) {
    case 1: f = PixelFormat::k1bit; break;
    case 4: f = PixelFormat::k4bit; break;
    case 8: f = PixelFormat::k8bit; break;
    case 16: f = PixelFormat::k16bit; break;
    case 24: f = PixelFormat::k24bit; break;
    case 32: f = PixelFormat::k32bit; break;
    default: return nullptr;
  }
  auto b = std::make_unique<BitmapObject>();
  b->bitmap = Bitmap(width, height, f);
  if (bits && (bits_per_pixel == 1 || bits_per_pixel == 32)) {
    // Device-dependent layout: rows top-down, padded to 16 bits (1 bpp) or packed 32-bit BGRX.
    const auto* p = static_cast<const std::uint8_t*>(bits);
    const int stride = bits_per_pixel == 1 ? ((width + 15) / 16) * 2 : width * 4;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* row = p + static_cast<std::size_t>(y) * stride;
        if (bits_per_pixel == 1)
          b->bitmap.set_pixel(x, y, (row[x >> 3] & (0x80 >> (x & 7))) ? kWhitePixel : kBlackPixel);
        else
          b->bitmap.set_pixel(x, y, row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16));
      }
  }
  return register_object<HBITMAP>(std::move(b));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DeviceContext* d = get_dc(dc);
  if (!d || !bitmap_size_allowed(width, height)) return nullptr;
  // A memory DC's compatible bitmap has the format of the bitmap it holds (monochrome by default).
  const Bitmap* s = d->surface();
  const PixelFormat f = (d->is_memory() && s && s->monochrome()) ? PixelFormat::k1bit : PixelFormat::k32bit;
  auto b = std::make_unique<BitmapObject>();
  b->bitmap = Bitmap(width, height, f);
  return register_object<HBITMAP>(std::move(b));
}

HBITMAP CreateBitmapFromPixels(Bitmap bitmap) {
  auto b = std::make_unique<BitmapObject>();
  b->bitmap = std::move(bitmap);
  return register_object<HBITMAP>(std::move(b));
}

Bitmap* GetBitmapPixels(HBITMAP bitmap) {
  auto* b = static_cast<BitmapObject*>(ObjectTable::instance().get(bitmap, OBJ_BITMAP));
  return b ? &b->bitmap : nullptr;
}

DWORD GetObjectType(HGDIOBJ object) {
  GdiObject* o = ObjectTable::instance().get(object);
  return o && o->type < 0x100 ? o->type : 0;
}

int GetObject(HGDIOBJ object, int size, void* out) {
  GdiObject* o = ObjectTable::instance().get(object);
  if (!o) return 0;
  switch (o->type) {
    case OBJ_PEN: {
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      auto* p = static_cast<PenObject*>(o);
      *static_cast<LOGPEN*>(out) = LOGPEN{static_cast<UINT>(p->style), {p->width, 0}, p->color};
      return sizeof(LOGPEN);
    }
    case OBJ_BRUSH: {
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      auto* b = static_cast<BrushObject*>(o);
      *static_cast<LOGBRUSH*>(out) =
          LOGBRUSH{b->style, b->color, b->style == BS_HATCHED ? static_cast<std::uintptr_t>(b->hatch) : 0};
      return sizeof(LOGBRUSH);
    }
    case OBJ_FONT: {
      if (!out) return sizeof(LOGFONT);
      if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
      *static_cast<LOGFONT*>(out) = static_cast<FontObject*>(o)->lf;
      return sizeof(LOGFONT);
    }
    case OBJ_BITMAP: {
      if (!out) return sizeof(BITMAP);
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      const Bitmap& b = static_cast<BitmapObject*>(o)->bitmap;
      BITMAP info;
      info.bmWidth = b.width();
      info.bmHeight = b.height();
      info.bmBitsPixel = static_cast<WORD>(bits_per_pixel(b.format()));
      info.bmWidthBytes = ((b.width() * info.bmBitsPixel + 15) / 16) * 2;
      *static_cast<BITMAP*>(out) = info;
      return sizeof(BITMAP);
    }
    default: return 0;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& table = ObjectTable::instance();
  GdiObject* o = table.get(object);
  if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC || o->type >= 0x100) return FALSE;
  if (o->stock) return TRUE;
  if (o->select_count > 0) return FALSE;  // still selected into a DC or a saved state
  return table.remove(object) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* d = get_dc(dc);
  GdiObject* o = ObjectTable::instance().get(object);
  if (!d || !o) return nullptr;
  switch (o->type) {
    case OBJ_PEN: {
      HGDIOBJ old = to_handle<HGDIOBJ>(d->state.pen.get());
      d->state.pen = ObjRef(o);
      return old;
    }
    case OBJ_BRUSH: {
      HGDIOBJ old = to_handle<HGDIOBJ>(d->state.brush.get());
      d->state.brush = ObjRef(o);
      return old;
    }
    case OBJ_FONT: {
      HGDIOBJ old = to_handle<HGDIOBJ>(d->state.font.get());
      d->state.font = ObjRef(o);
      return old;
    }
    case OBJ_BITMAP: {
      auto* b = static_cast<BitmapObject*>(o);
      if (!d->is_memory()) return nullptr;
      if (b->selected_in && b->selected_in != d) return nullptr;  // one DC at a time
      HGDIOBJ old = to_handle<HGDIOBJ>(d->state.bitmap.get());
      d->select_bitmap(b);
      return old;
    }
    case OBJ_REGION:
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(SelectClipRgn(dc, static_cast<HRGN>(object))));
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  DeviceContext* d = get_dc(dc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_PEN: return to_handle<HGDIOBJ>(d->state.pen.get());
    case OBJ_BRUSH: return to_handle<HGDIOBJ>(d->state.brush.get());
    case OBJ_FONT: return to_handle<HGDIOBJ>(d->state.font.get());
    case OBJ_BITMAP: return to_handle<HGDIOBJ>(d->state.bitmap.get());
    default: return nullptr;
  }
}

}  // namespace platform::gdi
