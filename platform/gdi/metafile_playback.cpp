// Playback of enhanced metafiles onto a device context: the records a canvas recording holds (and
// the state records that usually travel with them) are carried out with the layer's own drawing
// calls, with the objects they create kept in the playback's handle table.
#include <algorithm>
#include <utility>
#include <vector>

#include "core/byte_io.h"
#include "core/error.h"
#include "core/unicode.h"
#include "platform/gdi/bmp_file.h"
#include "platform/gdi/metafile_canvas.h"

namespace platform::gdi {
namespace {

// Object indexes a metafile may use; the header states its own count, which is held to this.
constexpr DWORD kMaxHandles = 0x10000;

class Player {
public:
  Player(HDC dc, std::span<const std::uint8_t> data, POINT origin) : dc_(dc), data_(data), origin_(origin) {}
  ~Player() {
    // The DC gets its own state and objects back before the playback's objects are deleted.
    if (saved_ > 0) RestoreDC(dc_, saved_);
    for (HGDIOBJ o : handles_)
      if (o) DeleteObject(o);
    for (HGDIOBJ o : orphans_) DeleteObject(o);
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  bool header() {
    if (data_.size() < kEmfHeaderSize) return false;
    core::ByteReader r(data_);
    if (r.u32le() != EMR_HEADER) return false;
    const DWORD size = r.u32le();
    r.seek(40);
    if (r.u32le() != kEmfSignature) return false;
    r.u32le();  // version
    const DWORD bytes = r.u32le();
    r.u32le();  // records
    const DWORD handles = r.u16le();
    if (size < 88 || size > data_.size() || bytes < size) return false;
    end_ = std::min<std::size_t>(bytes, data_.size());
    pos_ = size;
    handles_.assign(std::min<DWORD>(std::max<DWORD>(handles, 1), kMaxHandles), nullptr);
    saved_ = SaveDC(dc_);
    OffsetViewportOrgEx(dc_, origin_.x, origin_.y, nullptr);
    return true;
  }

  // Plays records until EOF, the end of the data or a damaged record.
  void run() {
    while (pos_ + 8 <= end_) {
      core::ByteReader head(data_.subspan(pos_, 8));
      const DWORD type = head.u32le(), size = head.u32le();
      if (size < 8 || size % 4 != 0 || size > end_ - pos_) return;
      if (type == EMR_EOF) return;
      const auto body = data_.subspan(pos_ + 8, size - 8);
      try {
        record(type, body, data_.subspan(pos_, size));
      } catch (const core::Error&) {
        return;
      }
      pos_ += size;
    }
  }

private:
  static RECT rect(core::ByteReader& r) {
    RECT x;
    x.left = r.i32le();
    x.top = r.i32le();
    x.right = r.i32le();
    x.bottom = r.i32le();
    return x;
  }
  static POINT point(core::ByteReader& r) {
    POINT p;
    p.x = r.i32le();
    p.y = r.i32le();
    return p;
  }

  DWORD index(core::ByteReader& r) {
    const DWORD i = r.u32le();
    if (i == 0 || i >= handles_.size()) throw core::Error("Metafile object index out of range");
    return i;
  }
  void store(DWORD i, HGDIOBJ o) {
    // The object the slot held may still be selected, and then cannot be deleted yet.
    if (handles_[i] && !DeleteObject(handles_[i])) orphans_.push_back(handles_[i]);
    handles_[i] = o;
  }

  // A bitmap given by offsets into its record (header and colours, then pixels).
  static Bitmap dib(std::span<const std::uint8_t> rec, DWORD off_bmi, DWORD cb_bmi, DWORD off_bits, DWORD cb_bits) {
    if (off_bmi > rec.size() || cb_bmi > rec.size() - off_bmi || off_bits > rec.size() ||
        cb_bits > rec.size() - off_bits)
      throw core::Error("Bitmap outside its record");
    std::vector<std::uint8_t> packed(rec.begin() + off_bmi, rec.begin() + off_bmi + cb_bmi);
    packed.insert(packed.end(), rec.begin() + off_bits, rec.begin() + off_bits + cb_bits);
    return read_packed_dib(packed);
  }

  void blit(const Bitmap& bitmap, int x, int y, int w, int h, int sx, int sy, int sw, int sh, DWORD rop) {
    HBITMAP bm = CreateBitmapFromPixels(bitmap);
    HDC src = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(src, bm);
    StretchBlt(dc_, x, y, w, h, src, sx, sy, sw, sh, rop);
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(bm);
  }

  std::vector<POINT> points(core::ByteReader& r, bool small) {
    r.skip(16);  // bounds
    const DWORD n = r.u32le();
    if (n > r.remaining() / (small ? 4 : 8)) throw core::Error("Metafile point count too large");
    std::vector<POINT> p(n);
    for (POINT& q : p) {
      if (small) {
        q.x = r.i16le();
        q.y = r.i16le();
      } else {
        q = point(r);
      }
    }
    return p;
  }

  void record(DWORD type, std::span<const std::uint8_t> body, std::span<const std::uint8_t> rec) {
    core::ByteReader r(body);
    switch (type) {
      case EMR_SETBKCOLOR: SetBkColor(dc_, r.u32le()); break;
      case EMR_SETBKMODE: SetBkMode(dc_, static_cast<int>(r.u32le())); break;
      case EMR_SETTEXTCOLOR: SetTextColor(dc_, r.u32le()); break;
      case EMR_SETTEXTALIGN: SetTextAlign(dc_, r.u32le()); break;
      case EMR_SETPOLYFILLMODE: SetPolyFillMode(dc_, static_cast<int>(r.u32le())); break;
      case EMR_SETROP2: SetROP2(dc_, static_cast<int>(r.u32le())); break;
      case EMR_SETSTRETCHBLTMODE: SetStretchBltMode(dc_, static_cast<int>(r.u32le())); break;
      case EMR_SETBRUSHORGEX: {
        const POINT p = point(r);
        SetBrushOrgEx(dc_, p.x, p.y, nullptr);
        break;
      }
      case EMR_SETVIEWPORTORGEX: {
        const POINT p = point(r);
        SetViewportOrgEx(dc_, origin_.x + p.x, origin_.y + p.y, nullptr);
        break;
      }
      case EMR_SETWINDOWORGEX: {
        const POINT p = point(r);
        SetWindowOrgEx(dc_, p.x, p.y, nullptr);
        break;
      }
      case EMR_SAVEDC: SaveDC(dc_); ++depth_; break;
      case EMR_RESTOREDC: {
        const int rel = r.i32le();
        // Only states this playback saved can be restored.
        if (rel < 0 && -rel <= depth_) {
          RestoreDC(dc_, rel);
          depth_ += rel;
        }
        break;
      }
      // Records of one rectangle.
      case EMR_INTERSECTCLIPRECT:
      case EMR_EXCLUDECLIPRECT:
      case EMR_RECTANGLE:
      case EMR_ELLIPSE: {
        const RECT b = rect(r);
        const auto call = type == EMR_INTERSECTCLIPRECT ? IntersectClipRect
                          : type == EMR_EXCLUDECLIPRECT  ? ExcludeClipRect
                          : type == EMR_RECTANGLE        ? Rectangle
                                                         : Ellipse;
        call(dc_, b.left, b.top, b.right, b.bottom);
        break;
      }
      case EMR_MOVETOEX:
      case EMR_LINETO: {
        const POINT p = point(r);
        if (type == EMR_MOVETOEX) MoveToEx(dc_, p.x, p.y, nullptr);
        else LineTo(dc_, p.x, p.y);
        break;
      }
      case EMR_ROUNDRECT: {
        const RECT b = rect(r);
        const POINT c = point(r);
        RoundRect(dc_, b.left, b.top, b.right, b.bottom, c.x, c.y);
        break;
      }
      case EMR_POLYGON:
      case EMR_POLYGON16: {
        const auto p = points(r, type == EMR_POLYGON16);
        Polygon(dc_, p.data(), static_cast<int>(p.size()));
        break;
      }
      case EMR_POLYLINE:
      case EMR_POLYLINE16: {
        const auto p = points(r, type == EMR_POLYLINE16);
        Polyline(dc_, p.data(), static_cast<int>(p.size()));
        break;
      }
      case EMR_CREATEPEN: {
        const DWORD i = index(r);
        LOGPEN lp;
        lp.lopnStyle = r.u32le();
        lp.lopnWidth = point(r);
        lp.lopnColor = r.u32le();
        store(i, CreatePenIndirect(&lp));
        break;
      }
      case EMR_CREATEBRUSHINDIRECT: {
        const DWORD i = index(r);
        LOGBRUSH lb;
        lb.lbStyle = r.u32le();
        lb.lbColor = r.u32le();
        lb.lbHatch = r.u32le();
        // A pattern brush needs a bitmap, which this record cannot carry.
        store(i, lb.lbStyle == BS_PATTERN ? nullptr : CreateBrushIndirect(&lb));
        break;
      }
      case EMR_EXTCREATEFONTINDIRECTW: {
        const DWORD i = index(r);
        const LOGFONT lf = EmfWriter::read_logfont(r);
        store(i, CreateFontIndirect(&lf));
        break;
      }
      case EMR_SELECTOBJECT: {
        const DWORD i = r.u32le();
        if (i & STOCK_OBJECT) {
          if (HGDIOBJ o = GetStockObject(static_cast<int>(i & ~STOCK_OBJECT))) SelectObject(dc_, o);
        } else if (i > 0 && i < handles_.size() && handles_[i]) {
          SelectObject(dc_, handles_[i]);
        }
        break;
      }
      case EMR_DELETEOBJECT: {
        const DWORD i = index(r);
        // A selected object stays until it is replaced; the table forgets it either way.
        HGDIOBJ o = std::exchange(handles_[i], nullptr);
        if (o && !DeleteObject(o)) orphans_.push_back(o);
        break;
      }
      case EMR_EXTTEXTOUTW: {
        r.skip(16 + 4 + 8);  // bounds, graphics mode, scales
        const POINT ref = point(r);
        const DWORD chars = r.u32le(), off_string = r.u32le(), options = r.u32le();
        const RECT box = rect(r);
        const DWORD off_dx = r.u32le();
        if (off_string > rec.size() || chars > (rec.size() - off_string) / 2) throw core::Error("Text outside its record");
        core::ByteReader s(rec.subspan(off_string, chars * 2));
        const std::u16string text = s.u16string_le(chars);
        std::vector<int> dx;
        if (off_dx != 0) {
          if (off_dx > rec.size() || chars > (rec.size() - off_dx) / 4) throw core::Error("Advances outside their record");
          core::ByteReader d(rec.subspan(off_dx, chars * 4));
          for (DWORD k = 0; k < chars; ++k) dx.push_back(d.i32le());
        }
        const bool has_box = box.right > box.left && box.bottom > box.top;
        ExtTextOut(dc_, ref.x, ref.y, options & (ETO_OPAQUE | ETO_CLIPPED), has_box ? &box : nullptr, text,
                   dx.empty() ? nullptr : dx.data());
        break;
      }
      case EMR_BITBLT: {
        r.skip(16);
        const int x = r.i32le(), y = r.i32le(), w = r.i32le(), h = r.i32le();
        const DWORD rop = r.u32le();
        const int sx = r.i32le(), sy = r.i32le();
        r.skip(24 + 4 + 4);  // source transform, background colour, usage
        const DWORD off_bmi = r.u32le(), cb_bmi = r.u32le(), off_bits = r.u32le(), cb_bits = r.u32le();
        if (cb_bmi == 0 || cb_bits == 0) {
          PatBlt(dc_, x, y, w, h, rop);  // a brush fill
        } else {
          blit(dib(rec, off_bmi, cb_bmi, off_bits, cb_bits), x, y, w, h, sx, sy, w, h, rop);
        }
        break;
      }
      case EMR_STRETCHDIBITS: {
        r.skip(16);
        const int x = r.i32le(), y = r.i32le(), sx = r.i32le(), sy = r.i32le(), sw = r.i32le(), sh = r.i32le();
        const DWORD off_bmi = r.u32le(), cb_bmi = r.u32le(), off_bits = r.u32le(), cb_bits = r.u32le();
        r.u32le();  // usage
        const DWORD rop = r.u32le();
        const int w = r.i32le(), h = r.i32le();
        blit(dib(rec, off_bmi, cb_bmi, off_bits, cb_bits), x, y, w, h, sx, sy, sw, sh, rop);
        break;
      }
      default:
        break;  // not drawn by this playback
    }
  }

  HDC dc_;
  std::span<const std::uint8_t> data_;
  POINT origin_;
  std::size_t pos_ = 0, end_ = 0;
  std::vector<HGDIOBJ> handles_;
  std::vector<HGDIOBJ> orphans_;
  int saved_ = 0, depth_ = 0;
};

}  // namespace

BOOL PlayEnhMetaFile(HDC dc, std::span<const std::uint8_t> emf, POINT origin) {
  if (GetObjectType(dc) != OBJ_DC && GetObjectType(dc) != OBJ_MEMDC) return FALSE;
  Player p(dc, emf, origin);
  try {
    if (!p.header()) return FALSE;
  } catch (const core::Error&) {
    return FALSE;
  }
  p.run();
  return TRUE;
}

}  // namespace platform::gdi
