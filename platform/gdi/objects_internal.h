// Internal: the object table behind the handles, the object classes and the device context.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

class FontInstance;
class DeviceContext;

struct GdiObject {
  explicit GdiObject(DWORD t) : type(t) {}
  virtual ~GdiObject() = default;
  DWORD type;
  std::uintptr_t id = 0;
  bool stock = false;
  int select_count = 0;  // selections in DCs and their saved states; a selected object is not deleted
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(OBJ_PEN) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
  bool dc_pen = false;  // the DC_PEN stock object: colour from the DC
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  Bitmap pattern;  // BS_PATTERN
  int hatch = HS_HORIZONTAL;  // BS_HATCHED
  bool dc_brush = false;
};

struct FontObject : GdiObject {
  FontObject() : GdiObject(OBJ_FONT) {}
  LOGFONT lf;
  std::shared_ptr<const FontInstance> instance;  // resolved on first use
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  Bitmap bitmap;
  DeviceContext* selected_in = nullptr;
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region region;
};

struct ImageListObject : GdiObject {
  ImageListObject() : GdiObject(0x100) {}
  int cx = 0, cy = 0;
  UINT flags = 0;
  int count = 0;
  Bitmap images;  // images side by side
  Bitmap mask;    // white where transparent
  COLORREF bk = CLR_NONE;
};

// A counted selection: keeps the object alive while a DC or a saved state holds it.
class ObjRef {
public:
  ObjRef() = default;
  explicit ObjRef(GdiObject* o) : o_(o) { if (o_) ++o_->select_count; }
  ObjRef(const ObjRef& r) : ObjRef(r.o_) {}
  ObjRef& operator=(const ObjRef& r) {
    if (this != &r) { ObjRef tmp(r); std::swap(o_, tmp.o_); }
    return *this;
  }
  ~ObjRef() { if (o_) --o_->select_count; }
  GdiObject* get() const { return o_; }
  template <typename T> T* as() const { return static_cast<T*>(o_); }

private:
  GdiObject* o_ = nullptr;
};

class ObjectTable {
public:
  static ObjectTable& instance();
  ~ObjectTable();
  std::uintptr_t add(std::unique_ptr<GdiObject> o, bool stock = false);
  GdiObject* get(const void* handle, DWORD type = 0);
  bool remove(const void* handle);
  std::size_t live_count();
  GdiObject* stock(int index);

private:
  ObjectTable();
  std::recursive_mutex mutex_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects_;
  std::uintptr_t next_ = 0x10000;
  std::vector<GdiObject*> stock_;
  std::size_t stock_count_ = 0;
};

template <typename H> H to_handle(const GdiObject* o) {
  return o ? reinterpret_cast<H>(o->id) : nullptr;
}

struct DcState {
  ObjRef pen, brush, font, bitmap;
  COLORREF text_color = 0;
  COLORREF bk_color = 0xFFFFFF;
  COLORREF dc_brush_color = 0xFFFFFF;
  COLORREF dc_pen_color = 0;
  int bk_mode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretch_mode = BLACKONWHITE;
  int poly_fill_mode = ALTERNATE;
  UINT text_align = TA_LEFT | TA_TOP;
  POINT viewport_org{}, window_org{}, brush_org{}, cur_pos{};
  std::optional<Region> clip;  // device coordinates
};

class DeviceContext : public GdiObject {
public:
  explicit DeviceContext(bool memory) : GdiObject(memory ? OBJ_MEMDC : OBJ_DC) {}
  ~DeviceContext() override;

  DcState state;
  std::vector<DcState> saved;

  // The surface pixels and where device (0, 0) lies on them.
  Bitmap* surface() const;
  POINT origin() const { return bound_ ? bound_origin_ : POINT{}; }
  void bind(const DcSurface& s);
  bool is_memory() const { return type == OBJ_MEMDC; }
  void select_bitmap(BitmapObject* b);

  // Logical -> surface coordinates, kept within +-2^29 so that no later sum or width overflows.
  static LONG clamp(std::int64_t v) {
    constexpr std::int64_t kLimit = std::int64_t{1} << 29;
    return static_cast<LONG>(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
  }
  POINT to_surface(int x, int y) const {
    const POINT o = origin();
    return {clamp(std::int64_t{x} - state.window_org.x + state.viewport_org.x + o.x),
            clamp(std::int64_t{y} - state.window_org.y + state.viewport_org.y + o.y)};
  }
  POINT to_device(int x, int y) const {
    return {clamp(std::int64_t{x} - state.window_org.x + state.viewport_org.x),
            clamp(std::int64_t{y} - state.window_org.y + state.viewport_org.y)};
  }
  RECT to_surface(const RECT& r) const {
    const POINT a = to_surface(r.left, r.top), b = to_surface(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
  }
  // The rectangles drawing may touch, in surface coordinates.
  const std::vector<RECT>& clip_rects();
  const RECT& clip_bounds();
  void clip_changed() { clip_dirty_ = true; }
  // The visible area without the clip region (device coordinates).
  Region device_visible() const;

  PenObject* pen() const { return state.pen.as<PenObject>(); }
  BrushObject* brush() const { return state.brush.as<BrushObject>(); }
  FontObject* font() const { return state.font.as<FontObject>(); }

private:
  bool bound_ = false;
  Bitmap* bound_surface_ = nullptr;
  POINT bound_origin_{};
  Region bound_visible_;
  bool clip_dirty_ = true;
  std::vector<RECT> clip_rects_;
  RECT clip_bounds_{};
};

DeviceContext* get_dc(HDC dc);

// ---- raster helpers shared by the drawing files ----
// Colour of a brush at a surface point.
class PatternSource {
public:
  PatternSource(DeviceContext& dc, const BrushObject* brush);
  bool null() const { return null_; }
  bool solid() const { return solid_; }
  // A hatched brush over a transparent background leaves the gaps between its lines alone.
  bool skips(int x, int y) const { return hatch_ >= 0 && !opaque_ && !hatch_line(x, y); }
  Pixel solid_pixel() const { return solid_pixel_; }
  Pixel at(int x, int y) const;

private:
  bool null_ = false, solid_ = true;
  Pixel solid_pixel_ = 0;
  const Bitmap* pattern_ = nullptr;
  Pixel fg_ = 0, bg_ = 0;  // monochrome patterns
  bool mono_ = false;
  int ox_ = 0, oy_ = 0;
  int hatch_ = -1;  // the HS_ style of a hatched brush
  bool opaque_ = true;
  bool hatch_line(int x, int y) const;
};

Pixel rop3(unsigned code, Pixel p, Pixel s, Pixel d);
Pixel rop2(int code, Pixel pen, Pixel d);
// Monochrome destinations hold only black and white.
inline Pixel to_mono(Pixel p) {
  const unsigned sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
  return sum >= 384 ? kWhitePixel : kBlackPixel;
}
// Fills [x0, x1) of row y (surface coordinates) with the pattern through a ternary ROP, clipped.
void fill_span(DeviceContext& dc, int y, int x0, int x1, const PatternSource& pat, unsigned rop_index);
// Fills a surface rectangle with the pattern through a ternary ROP, clipped.
void fill_rect_surface(DeviceContext& dc, const RECT& r, const PatternSource& pat, unsigned rop_index);
// Sets one surface pixel with the pen colour through ROP2, clipped.
void plot(DeviceContext& dc, int x, int y, Pixel color, int rop2_code);
Pixel dc_pixel(DeviceContext& dc, COLORREF c);
COLORREF brush_color_of(HBRUSH brush);  // for (HBRUSH)(COLOR_x + 1)

}  // namespace platform::gdi
