#include <algorithm>
#include <utility>

#include "platform/gdi/objects_internal.h"

namespace platform::gdi {

GdiObject* default_bitmap_object();

DeviceContext* get_dc(HDC dc) {
  GdiObject* o = ObjectTable::instance().get(dc);
  if (!o || (o->type != OBJ_DC && o->type != OBJ_MEMDC)) return nullptr;
  return static_cast<DeviceContext*>(o);
}

namespace {
void update_owner(DeviceContext* d, BitmapObject* b) {
  if (!b) return;
  bool held = d->state.bitmap.get() == b;
  for (const DcState& s : d->saved) held = held || s.bitmap.get() == b;
  if (held) b->selected_in = d;
  else if (b->selected_in == d) b->selected_in = nullptr;
}
std::vector<BitmapObject*> held_bitmaps(DeviceContext* d) {
  std::vector<BitmapObject*> out;
  if (auto* b = d->state.bitmap.as<BitmapObject>()) out.push_back(b);
  for (const DcState& s : d->saved)
    if (auto* b = s.bitmap.as<BitmapObject>()) out.push_back(b);
  return out;
}
void init_state(DcState& s, bool memory) {
  auto& t = ObjectTable::instance();
  s.pen = ObjRef(t.stock(BLACK_PEN));
  s.brush = ObjRef(t.stock(WHITE_BRUSH));
  s.font = ObjRef(t.stock(SYSTEM_FONT));
  if (memory) s.bitmap = ObjRef(default_bitmap_object());
}
}  // namespace

DeviceContext::~DeviceContext() {
  auto bitmaps = held_bitmaps(this);
  for (BitmapObject* b : bitmaps)
    if (b->selected_in == this) b->selected_in = nullptr;
}

Bitmap* DeviceContext::surface() const {
  if (bound_) return bound_surface_;
  if (auto* b = state.bitmap.as<BitmapObject>()) return &b->bitmap;
  return nullptr;
}

void DeviceContext::bind(const DcSurface& s) {
  bound_ = true;
  bound_surface_ = s.surface;
  bound_origin_ = s.origin;
  bound_visible_ = s.visible;
  clip_dirty_ = true;
}

void DeviceContext::select_bitmap(BitmapObject* b) {
  auto* old = state.bitmap.as<BitmapObject>();
  state.bitmap = ObjRef(b);
  update_owner(this, old);
  update_owner(this, b);
  clip_dirty_ = true;
}

Region DeviceContext::device_visible() const {
  const Bitmap* s = surface();
  Region base(RECT{0, 0, s ? s->width() : 0, s ? s->height() : 0});
  if (bound_) base = base & bound_visible_;
  const POINT o = origin();
  base.offset(-o.x, -o.y);
  return base;
}

const std::vector<RECT>& DeviceContext::clip_rects() {
  if (clip_dirty_) {
    const Bitmap* s = surface();
    Region base(RECT{0, 0, s ? s->width() : 0, s ? s->height() : 0});
    if (bound_) base = base & bound_visible_;
    if (state.clip) {
      Region c = *state.clip;
      const POINT o = origin();
      c.offset(o.x, o.y);
      base = base & c;
    }
    clip_rects_ = base.rects();
    clip_bounds_ = base.bounds();
    clip_dirty_ = false;
  }
  return clip_rects_;
}

const RECT& DeviceContext::clip_bounds() {
  clip_rects();
  return clip_bounds_;
}

HDC CreateCompatibleDC(HDC) {
  auto d = std::make_unique<DeviceContext>(true);
  init_state(d->state, true);
  DeviceContext* raw = d.get();
  const auto id = ObjectTable::instance().add(std::move(d));
  update_owner(raw, raw->state.bitmap.as<BitmapObject>());
  return reinterpret_cast<HDC>(id);
}

HDC CreateSurfaceDC(const DcSurface& surface) {
  auto d = std::make_unique<DeviceContext>(false);
  init_state(d->state, false);
  d->bind(surface);
  return reinterpret_cast<HDC>(ObjectTable::instance().add(std::move(d)));
}

BOOL SetDCSurface(HDC dc, const DcSurface& surface) {
  DeviceContext* d = get_dc(dc);
  if (!d || d->is_memory()) return FALSE;
  d->bind(surface);
  return TRUE;
}

BOOL DeleteDC(HDC dc) {
  if (!get_dc(dc)) return FALSE;
  return ObjectTable::instance().remove(dc) ? TRUE : FALSE;
}

int SaveDC(HDC dc) {
  DeviceContext* d = get_dc(dc);
  if (!d) return 0;
  d->saved.push_back(d->state);
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  const int n = static_cast<int>(d->saved.size());
  const int target = level < 0 ? n + level + 1 : level;  // the saved state to return to (1-based)
  if (target < 1 || target > n) return FALSE;
  auto before = held_bitmaps(d);
  d->state = d->saved[target - 1];
  d->saved.resize(target - 1);
  for (BitmapObject* b : before) update_owner(d, b);
  update_owner(d, d->state.bitmap.as<BitmapObject>());
  d->clip_changed();
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  DeviceContext* d = get_dc(dc);
  if (!d) return 0;
  const Bitmap* s = d->surface();
  switch (index) {
    case HORZRES: return s ? s->width() : 0;
    case VERTRES: return s ? s->height() : 0;
    case BITSPIXEL: return s && s->monochrome() ? 1 : 32;
    case PLANES: return 1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

// ---------------------------------------------------------------- coordinates
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  if (old) *old = d->state.viewport_org;
  d->state.viewport_org = {x, y};
  return TRUE;
}
BOOL GetViewportOrgEx(HDC dc, POINT* out) {
  DeviceContext* d = get_dc(dc);
  if (!d || !out) return FALSE;
  *out = d->state.viewport_org;
  return TRUE;
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  if (old) *old = d->state.viewport_org;
  d->state.viewport_org.x += dx;
  d->state.viewport_org.y += dy;
  return TRUE;
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  if (old) *old = d->state.window_org;
  d->state.window_org = {x, y};
  return TRUE;
}
BOOL GetWindowOrgEx(HDC dc, POINT* out) {
  DeviceContext* d = get_dc(dc);
  if (!d || !out) return FALSE;
  *out = d->state.window_org;
  return TRUE;
}
BOOL LPtoDP(HDC dc, POINT* points, int count) {
  DeviceContext* d = get_dc(dc);
  if (!d || (!points && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = d->to_device(points[i].x, points[i].y);
  return TRUE;
}
BOOL DPtoLP(HDC dc, POINT* points, int count) {
  DeviceContext* d = get_dc(dc);
  if (!d || (!points && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i) {
    points[i].x += d->state.window_org.x - d->state.viewport_org.x;
    points[i].y += d->state.window_org.y - d->state.viewport_org.y;
  }
  return TRUE;
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  if (old) *old = d->state.brush_org;
  d->state.brush_org = {x, y};
  return TRUE;
}

// ---------------------------------------------------------------- colours and modes
#define THC_DC_SETTER(NAME, TYPE, FIELD, BAD)      \
  TYPE NAME(HDC dc, TYPE v) {                      \
    DeviceContext* d = get_dc(dc);                 \
    if (!d) return BAD;                            \
    TYPE old = d->state.FIELD;                     \
    d->state.FIELD = v;                            \
    return old;                                    \
  }
#define THC_DC_GETTER(NAME, TYPE, FIELD, BAD) \
  TYPE NAME(HDC dc) {                         \
    DeviceContext* d = get_dc(dc);            \
    return d ? d->state.FIELD : BAD;          \
  }
THC_DC_SETTER(SetTextColor, COLORREF, text_color, CLR_INVALID)
THC_DC_GETTER(GetTextColor, COLORREF, text_color, CLR_INVALID)
THC_DC_SETTER(SetBkColor, COLORREF, bk_color, CLR_INVALID)
THC_DC_GETTER(GetBkColor, COLORREF, bk_color, CLR_INVALID)
THC_DC_GETTER(GetBkMode, int, bk_mode, 0)
THC_DC_GETTER(GetROP2, int, rop2, 0)
THC_DC_GETTER(GetStretchBltMode, int, stretch_mode, 0)
THC_DC_GETTER(GetTextAlign, UINT, text_align, 0xFFFFFFFFu)
THC_DC_SETTER(SetDCBrushColor, COLORREF, dc_brush_color, CLR_INVALID)
THC_DC_SETTER(SetDCPenColor, COLORREF, dc_pen_color, CLR_INVALID)
#undef THC_DC_SETTER
#undef THC_DC_GETTER

int SetBkMode(HDC dc, int mode) {
  DeviceContext* d = get_dc(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(d->state.bk_mode, mode);
}
int SetROP2(HDC dc, int mode) {
  DeviceContext* d = get_dc(dc);
  if (!d || mode < R2_BLACK || mode > R2_WHITE) return 0;
  return std::exchange(d->state.rop2, mode);
}
int SetStretchBltMode(HDC dc, int mode) {
  DeviceContext* d = get_dc(dc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(d->state.stretch_mode, mode);
}
int SetPolyFillMode(HDC dc, int mode) {
  DeviceContext* d = get_dc(dc);
  if (!d || (mode != ALTERNATE && mode != WINDING)) return 0;
  return std::exchange(d->state.poly_fill_mode, mode);
}
UINT SetTextAlign(HDC dc, UINT align) {
  DeviceContext* d = get_dc(dc);
  if (!d) return 0xFFFFFFFFu;
  return std::exchange(d->state.text_align, align);
}

// ---------------------------------------------------------------- clipping
namespace {
RECT device_rect(DeviceContext* d, int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const POINT a = d->to_device(left, top), b = d->to_device(right, bottom);
  return {a.x, a.y, b.x, b.y};
}
int clip_kind(DeviceContext* d) {
  const auto& rects = d->clip_rects();
  return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  DeviceContext* d = get_dc(dc);
  if (!d) return ERROR;
  const Region* r = GetRegion(region);
  if (!r) {
    if (mode != RGN_COPY || region) return ERROR;
    d->state.clip.reset();
  } else if (mode == RGN_COPY) {
    d->state.clip = *r;
  } else {
    if (mode < RGN_AND || mode > RGN_DIFF) return ERROR;
    const Region current = d->state.clip ? *d->state.clip : d->device_visible();
    d->state.clip = Region::combine(current, *r, mode);
  }
  d->clip_changed();
  return clip_kind(d);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = get_dc(dc);
  if (!d) return ERROR;
  const Region current = d->state.clip ? *d->state.clip : d->device_visible();
  d->state.clip = current & Region(device_rect(d, left, top, right, bottom));
  d->clip_changed();
  return clip_kind(d);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* d = get_dc(dc);
  if (!d) return ERROR;
  const Region current = d->state.clip ? *d->state.clip : d->device_visible();
  d->state.clip = current - Region(device_rect(d, left, top, right, bottom));
  d->clip_changed();
  return clip_kind(d);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  DeviceContext* d = get_dc(dc);
  if (!d) return ERROR;
  if (d->state.clip) d->state.clip->offset(dx, dy);
  d->clip_changed();
  return clip_kind(d);
}

int GetClipBox(HDC dc, RECT* out) {
  DeviceContext* d = get_dc(dc);
  if (!d || !out) return ERROR;
  const int kind = clip_kind(d);
  if (kind == NULLREGION) {
    *out = RECT{};
    return kind;
  }
  RECT b = d->clip_bounds();
  const POINT s = d->to_surface(0, 0);
  OffsetRect(&b, -s.x, -s.y);
  *out = b;
  return kind;
}

int GetClipRgn(HDC dc, HRGN out) {
  DeviceContext* d = get_dc(dc);
  auto* r = static_cast<RegionObject*>(ObjectTable::instance().get(out, OBJ_REGION));
  if (!d || !r) return -1;
  if (!d->state.clip) return 0;
  r->region = *d->state.clip;
  return 1;
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  DeviceContext* d = get_dc(dc);
  if (!d || !rect) return FALSE;
  RECT r = *rect;
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  const RECT s = d->to_surface(r);
  for (const RECT& c : d->clip_rects()) {
    RECT i;
    if (IntersectRect(&i, &c, &s)) return TRUE;
  }
  return FALSE;
}

BOOL PtVisible(HDC dc, int x, int y) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  const POINT p = d->to_surface(x, y);
  for (const RECT& c : d->clip_rects())
    if (PtInRect(&c, p)) return TRUE;
  return FALSE;
}

// ---------------------------------------------------------------- regions
namespace {
RegionObject* region_object(HRGN h) {
  return static_cast<RegionObject*>(ObjectTable::instance().get(h, OBJ_REGION));
}
}  // namespace

const Region* GetRegion(HRGN region) {
  RegionObject* r = region_object(region);
  return r ? &r->region : nullptr;
}

HRGN CreateRegionFrom(Region region) {
  auto r = std::make_unique<RegionObject>();
  r->region = std::move(region);
  return reinterpret_cast<HRGN>(ObjectTable::instance().add(std::move(r)));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return CreateRegionFrom(Region(RECT{left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

std::vector<RECT> rounded_rect_spans(int left, int top, int right, int bottom, int ew, int eh, int y_from, int y_to);


HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return CreateRegionFrom(Region::from_rects(rounded_rect_spans(left, top, right, bottom, right - left, bottom - top, top, bottom)));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ew, int eh) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return CreateRegionFrom(Region::from_rects(rounded_rect_spans(left, top, right, bottom, ew, eh, top, bottom)));
}

HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data) {
  if (!data || data->rdh.dwSize != 32 || data->rdh.iType != RDH_RECTANGLES) return nullptr;
  const std::uint64_t count = data->rdh.nCount;
  if (count > data->Buffer.size() || size < 32 + 16 * count) return nullptr;
  int dx = 0, dy = 0;
  if (xform) {
    if (xform->eM11 != 1 || xform->eM12 != 0 || xform->eM21 != 0 || xform->eM22 != 1) return nullptr;
    dx = static_cast<int>(xform->eDx);
    dy = static_cast<int>(xform->eDy);
  }
  std::vector<RECT> rects(data->Buffer.begin(), data->Buffer.begin() + static_cast<std::ptrdiff_t>(count));
  for (RECT& r : rects) OffsetRect(&r, dx, dy);
  return CreateRegionFrom(Region::from_rects(rects));
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* out) {
  const Region* r = GetRegion(region);
  if (!r) return 0;
  const DWORD needed = static_cast<DWORD>(32 + 16 * r->rects().size());
  if (!out) return needed;
  if (size < needed) return 0;
  out->rdh = RGNDATAHEADER{32, RDH_RECTANGLES, static_cast<DWORD>(r->rects().size()),
                           static_cast<DWORD>(16 * r->rects().size()), r->bounds()};
  out->Buffer = r->rects();
  return needed;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  RegionObject* d = region_object(dest);
  const Region* ra = GetRegion(a);
  if (!d || !ra) return ERROR;
  if (mode == RGN_COPY) {
    d->region = *ra;
  } else {
    const Region* rb = GetRegion(b);
    if (!rb || mode < RGN_AND || mode > RGN_DIFF) return ERROR;
    d->region = Region::combine(*ra, *rb, mode);
  }
  return d->region.kind();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  RegionObject* r = region_object(region);
  if (!r) return FALSE;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  r->region = Region(RECT{left, top, right, bottom});
  return TRUE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  RegionObject* r = region_object(region);
  if (!r) return ERROR;
  r->region.offset(dx, dy);
  return r->region.kind();
}

int GetRgnBox(HRGN region, RECT* out) {
  const Region* r = GetRegion(region);
  if (!r || !out) return ERROR;
  *out = r->bounds();
  return r->kind();
}

BOOL PtInRegion(HRGN region, int x, int y) {
  const Region* r = GetRegion(region);
  return r && r->contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  const Region* r = GetRegion(region);
  if (!r || !rect) return FALSE;
  RECT q = *rect;
  if (q.right < q.left) std::swap(q.left, q.right);
  if (q.bottom < q.top) std::swap(q.top, q.bottom);
  return r->intersects(q) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  const Region* ra = GetRegion(a);
  const Region* rb = GetRegion(b);
  return ra && rb && *ra == *rb ? TRUE : FALSE;
}

}  // namespace platform::gdi
