#include "platform/gdi/metafile_canvas.h"

#include <algorithm>
#include <limits>

#include "core/error.h"
#include "core/unicode.h"

namespace platform::gdi {

// --- writer ------------------------------------------------------------------------------------

void EmfWriter::add(DWORD type, const core::Bytes& payload) {
  const std::size_t padded = (payload.size() + 3) & ~std::size_t{3};
  const std::size_t size = 8 + padded;
  if (size > std::numeric_limits<DWORD>::max()) throw core::Error("Metafile record too large");
  core::ByteWriter w;
  w.u32le(type);
  w.u32le(static_cast<DWORD>(size));
  body_.insert(body_.end(), w.data().begin(), w.data().end());
  body_.insert(body_.end(), payload.begin(), payload.end());
  body_.insert(body_.end(), padded - payload.size(), 0);
  ++records_;
}

void EmfWriter::include(const RECT& r) {
  if (r.right < r.left || r.bottom < r.top) return;
  if (!drawn_) {
    bounds_ = r;
    drawn_ = true;
    return;
  }
  bounds_.left = std::min(bounds_.left, r.left);
  bounds_.top = std::min(bounds_.top, r.top);
  bounds_.right = std::max(bounds_.right, r.right);
  bounds_.bottom = std::max(bounds_.bottom, r.bottom);
}

void EmfWriter::include_points(const POINT* points, std::size_t count, int pen_width) {
  if (count == 0) return;
  RECT r{points[0].x, points[0].y, points[0].x, points[0].y};
  for (std::size_t i = 1; i < count; ++i) {
    r.left = std::min(r.left, points[i].x);
    r.top = std::min(r.top, points[i].y);
    r.right = std::max(r.right, points[i].x);
    r.bottom = std::max(r.bottom, points[i].y);
  }
  const int half = std::max(pen_width, 1) / 2;
  include(RECT{r.left - half, r.top - half, r.right + half, r.bottom + half});
}

void EmfWriter::use_handle(DWORD index) {
  if (index + 1 > handles_) handles_ = index + 1;
}

void EmfWriter::rectl(core::ByteWriter& w, const RECT& r) {
  w.u32le(static_cast<DWORD>(r.left));
  w.u32le(static_cast<DWORD>(r.top));
  w.u32le(static_cast<DWORD>(r.right));
  w.u32le(static_cast<DWORD>(r.bottom));
}

void EmfWriter::pointl(core::ByteWriter& w, POINT p) {
  w.u32le(static_cast<DWORD>(p.x));
  w.u32le(static_cast<DWORD>(p.y));
}

void EmfWriter::logfont(core::ByteWriter& w, const LOGFONT& lf) {
  w.u32le(static_cast<DWORD>(lf.lfHeight));
  w.u32le(static_cast<DWORD>(lf.lfWidth));
  w.u32le(static_cast<DWORD>(lf.lfEscapement));
  w.u32le(static_cast<DWORD>(lf.lfOrientation));
  w.u32le(static_cast<DWORD>(lf.lfWeight));
  w.u8(lf.lfItalic);
  w.u8(lf.lfUnderline);
  w.u8(lf.lfStrikeOut);
  w.u8(lf.lfCharSet);
  w.u8(lf.lfOutPrecision);
  w.u8(lf.lfClipPrecision);
  w.u8(lf.lfQuality);
  w.u8(lf.lfPitchAndFamily);
  std::u16string face = core::utf8_to_utf16(lf.lfFaceName);
  if (face.size() > 31) face.resize(31);
  face.resize(32, u'\0');
  w.u16string_le(face);
  // Full name (64 units), style (32 units), version, style size, match, reserved, vendor id,
  // culture, PANOSE (10 bytes) and 2 bytes of padding.
  w.fill(128 + 64 + 24 + 10 + 2);
}

LOGFONT EmfWriter::read_logfont(core::ByteReader& r) {
  LOGFONT lf;
  lf.lfHeight = r.i32le();
  lf.lfWidth = r.i32le();
  lf.lfEscapement = r.i32le();
  lf.lfOrientation = r.i32le();
  lf.lfWeight = r.i32le();
  lf.lfItalic = r.u8();
  lf.lfUnderline = r.u8();
  lf.lfStrikeOut = r.u8();
  lf.lfCharSet = r.u8();
  lf.lfOutPrecision = r.u8();
  lf.lfClipPrecision = r.u8();
  lf.lfQuality = r.u8();
  lf.lfPitchAndFamily = r.u8();
  std::u16string face = r.u16string_le(32);
  const auto nul = face.find(u'\0');
  if (nul != std::u16string::npos) face.resize(nul);
  lf.lfFaceName = core::utf16_to_utf8(face);
  return lf;
}

void EmfWriter::dib(const Bitmap& bitmap, core::Bytes& info, core::Bytes& bits) {
  const bool mono = bitmap.monochrome();
  const int w = bitmap.width(), h = bitmap.height();
  const int bpp = mono ? 1 : 24;
  const std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
  Pixel palette[2] = {kBlackPixel, kWhitePixel};
  if (mono && bitmap.palette().size() >= 2) {
    palette[0] = bitmap.palette()[0] & 0xFFFFFF;
    palette[1] = bitmap.palette()[1] & 0xFFFFFF;
  }
  // BITMAPINFOHEADER, then for 1 bit the two RGBQUADs (blue, green, red, 0 = 0x00RRGGBB stored LE).
  info.assign(mono ? 48 : 40, 0);
  std::uint8_t* h0 = info.data();
  core::store_le32(h0, 40);
  core::store_le32(h0 + 4, static_cast<DWORD>(w));
  core::store_le32(h0 + 8, static_cast<DWORD>(h));
  core::store_le16(h0 + 12, 1);
  core::store_le16(h0 + 14, static_cast<WORD>(bpp));
  core::store_le32(h0 + 20, static_cast<DWORD>(stride * static_cast<std::size_t>(h)));
  if (mono) {
    core::store_le32(h0 + 32, 2);
    core::store_le32(h0 + 40, palette[0]);
    core::store_le32(h0 + 44, palette[1]);
  }
  bits.assign(stride * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = bits.data() + static_cast<std::size_t>(h - 1 - y) * stride;
    const Pixel* src = bitmap.scan_line(y);
    for (int x = 0; x < w; ++x) {
      const Pixel p = src[x] & 0xFFFFFF;
      if (mono) {
        if (p == palette[1] && p != palette[0])
          row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
      } else {
        row[x * 3] = static_cast<std::uint8_t>(p & 0xFF);
        row[x * 3 + 1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);
        row[x * 3 + 2] = static_cast<std::uint8_t>((p >> 16) & 0xFF);
      }
    }
  }
}

std::vector<std::uint8_t> EmfWriter::finish(int width, int height, int dpi_x, int dpi_y) const {
  core::ByteWriter w;
  w.reserve(kEmfHeaderSize + body_.size() + 20);
  const int mm_w = MulDiv(width, 254, dpi_x * 10), mm_h = MulDiv(height, 254, dpi_y * 10);
  w.u32le(EMR_HEADER);
  w.u32le(kEmfHeaderSize);
  rectl(w, drawn_ ? bounds_ : RECT{0, 0, -1, -1});
  rectl(w, RECT{0, 0, MulDiv(width, 2540, dpi_x), MulDiv(height, 2540, dpi_y)});
  w.u32le(kEmfSignature);
  w.u32le(0x10000);
  w.u32le(static_cast<DWORD>(kEmfHeaderSize + body_.size() + 20));
  w.u32le(static_cast<DWORD>(records_ + 2));
  w.u16le(static_cast<WORD>(std::min<DWORD>(handles_, 0xFFFF)));
  w.u16le(0);
  w.u32le(0);  // no description
  w.u32le(0);
  w.u32le(0);  // no palette
  w.u32le(static_cast<DWORD>(width));
  w.u32le(static_cast<DWORD>(height));
  w.u32le(static_cast<DWORD>(mm_w));
  w.u32le(static_cast<DWORD>(mm_h));
  w.u32le(0);  // no pixel format
  w.u32le(0);
  w.u32le(0);  // not OpenGL
  w.u32le(static_cast<DWORD>(MulDiv(width, 25400, dpi_x)));
  w.u32le(static_cast<DWORD>(MulDiv(height, 25400, dpi_y)));
  w.bytes(body_);
  // EOF: no palette entries, offset to them, and the record size again.
  w.u32le(EMR_EOF);
  w.u32le(20);
  w.u32le(0);
  w.u32le(16);
  w.u32le(20);
  return w.take();
}

// --- canvas base -------------------------------------------------------------------------------

Canvas::~Canvas() {
  if (measure_dc_ != nullptr) DeleteDC(measure_dc_);
  if (measure_font_ != nullptr) DeleteObject(measure_font_);
}

LOGFONT Canvas::LogFont() const {
  LOGFONT lf;
  lf.lfHeight = -MulDiv(Font.Size, dpi_y_, 72);
  lf.lfWeight = (Font.Style & 1) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (Font.Style & 2) ? 1 : 0;
  lf.lfUnderline = (Font.Style & 4) ? 1 : 0;
  lf.lfStrikeOut = (Font.Style & 8) ? 1 : 0;
  lf.lfCharSet = Font.Charset;
  lf.lfFaceName = Font.Name;
  return lf;
}

HDC Canvas::MeasureDC() {
  if (measure_dc_ == nullptr) measure_dc_ = CreateCompatibleDC(nullptr);
  if (!measured_valid_ || !(measured_ == Font)) {
    const LOGFONT lf = LogFont();
    HFONT f = CreateFontIndirect(&lf);
    SelectObject(measure_dc_, f);
    if (measure_font_ != nullptr) DeleteObject(measure_font_);
    measure_font_ = f;
    measured_ = Font;
    measured_valid_ = true;
  }
  return measure_dc_;
}

std::vector<int> Canvas::Advances(std::u16string_view text) {
  std::vector<int> ends(text.size());
  std::vector<int> dx(text.size());
  if (text.empty()) return dx;
  GetTextExtentExPoint(MeasureDC(), text, 0, nullptr, ends.data(), nullptr);
  int prev = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    dx[i] = ends[i] - prev;
    prev = ends[i];
  }
  return dx;
}

int Canvas::TextWidth(std::string_view text) {
  SIZE s;
  GetTextExtentPoint32(MeasureDC(), core::utf8_to_utf16(text), &s);
  return s.cx;
}

int Canvas::TextHeight(std::string_view text) {
  SIZE s;
  GetTextExtentPoint32(MeasureDC(), core::utf8_to_utf16(text), &s);
  return s.cy;
}

// --- the recorder ------------------------------------------------------------------------------

namespace {
core::Bytes One(DWORD v) {
  core::ByteWriter w;
  w.u32le(v);
  return w.take();
}
RECT Ordered(int l, int t, int r, int b) {
  return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}
}  // namespace

MetafileCanvas::MetafileCanvas(int width, int height, int dpi_x, int dpi_y)
    : Canvas(dpi_y), width_(width), height_(height), dpi_x_(dpi_x) {
  if (width < 0 || height < 0 || dpi_x <= 0 || dpi_y <= 0) throw core::Error("Invalid metafile canvas size");
}

MetafileCanvas::~MetafileCanvas() = default;

DWORD MetafileCanvas::NewHandle() {
  for (std::size_t i = 1; i < used_.size(); ++i)
    if (!used_[i]) {
      used_[i] = true;
      writer_.use_handle(static_cast<DWORD>(i));
      return static_cast<DWORD>(i);
    }
  used_.push_back(true);
  writer_.use_handle(static_cast<DWORD>(used_.size() - 1));
  return static_cast<DWORD>(used_.size() - 1);
}

// Selects the new object and deletes the one it replaces.
void MetafileCanvas::Replace(Slot slot, DWORD handle) {
  Simple(EMR_SELECTOBJECT, handle);
  const DWORD old = selected_[slot];
  selected_[slot] = handle;
  if (old != 0) {
    Simple(EMR_DELETEOBJECT, old);
    used_[old] = false;
  }
}

void MetafileCanvas::Simple(DWORD type, DWORD value) {
  if (finished_) throw core::Error("Metafile already finished");
  writer_.add(type, One(value));
}

void MetafileCanvas::RealizeFont() {
  if (font_valid_ && font_ == Font) return;
  CanvasFont without_colour = Font;
  without_colour.Color = font_.Color;
  if (!font_valid_ || !(without_colour == font_)) {
    const DWORD h = NewHandle();
    core::ByteWriter w;
    w.u32le(h);
    EmfWriter::logfont(w, LogFont());
    writer_.add(EMR_EXTCREATEFONTINDIRECTW, w.take());
    Replace(kFont, h);
  }
  Simple(EMR_SETTEXTCOLOR, Font.Color & 0xFFFFFF);
  font_ = Font;
  font_valid_ = true;
}

void MetafileCanvas::RealizePen() {
  if (pen_valid_ && pen_ == Pen) return;
  const DWORD h = NewHandle();
  core::ByteWriter w;
  w.u32le(h);
  w.u32le(static_cast<DWORD>(Pen.Style));
  EmfWriter::pointl(w, POINT{Pen.Width, 0});
  w.u32le(Pen.Color & 0xFFFFFF);
  writer_.add(EMR_CREATEPEN, w.take());
  Replace(kPen, h);
  pen_ = Pen;
  pen_valid_ = true;
}

void MetafileCanvas::RealizeBrush() {
  if (brush_valid_ && brush_ == Brush) return;
  const DWORD h = NewHandle();
  core::ByteWriter w;
  w.u32le(h);
  w.u32le(Brush.Style);
  w.u32le(Brush.Color & 0xFFFFFF);
  w.u32le(Brush.Style == BS_HATCHED ? static_cast<DWORD>(Brush.Hatch) : 0);
  writer_.add(EMR_CREATEBRUSHINDIRECT, w.take());
  Replace(kBrush, h);
  // A solid brush paints text backgrounds in its colour; a hollow one leaves them transparent.
  if (Brush.Style == BS_SOLID) {
    Simple(EMR_SETBKCOLOR, Brush.Color & 0xFFFFFF);
    Simple(EMR_SETBKMODE, OPAQUE);
  } else {
    Simple(EMR_SETBKCOLOR, ~Brush.Color & 0xFFFFFF);
    Simple(EMR_SETBKMODE, TRANSPARENT);
  }
  brush_ = Brush;
  brush_valid_ = true;
}

void MetafileCanvas::TextOut(int x, int y, std::string_view text) {
  if (finished_) throw core::Error("Metafile already finished");
  RealizeFont();
  RealizeBrush();
  const std::u16string utf16 = core::utf8_to_utf16(text);
  const std::vector<int> dx = Advances(utf16);
  int width = 0;
  for (int d : dx) width += d;
  TEXTMETRIC tm;
  GetTextMetrics(MeasureDC(), &tm);
  const RECT cell{x, y, x + width - 1, y + tm.tmHeight - 1};
  const std::size_t n = utf16.size();
  const std::size_t string_bytes = (n * 2 + 3) & ~std::size_t{3};
  core::ByteWriter w;
  EmfWriter::rectl(w, n == 0 ? RECT{0, 0, -1, -1} : cell);
  w.u32le(GM_COMPATIBLE);
  w.f32le(2540.0f / static_cast<float>(dpi_x_));
  w.f32le(2540.0f / static_cast<float>(dpi_y_));
  EmfWriter::pointl(w, POINT{x, y});
  w.u32le(static_cast<DWORD>(n));
  w.u32le(76);                              // the string follows the fixed part
  w.u32le(0);                               // no options
  EmfWriter::rectl(w, RECT{0, 0, -1, -1});  // no opaque or clipping rectangle
  w.u32le(static_cast<DWORD>(76 + string_bytes));
  w.u16string_le(utf16);
  w.fill(string_bytes - n * 2);
  for (int d : dx) w.u32le(static_cast<DWORD>(d));
  writer_.add(EMR_EXTTEXTOUTW, w.take());
  if (n > 0) writer_.include(cell);
  MoveTo(x + width, y);
}

void MetafileCanvas::MoveTo(int x, int y) {
  if (finished_) throw core::Error("Metafile already finished");
  core::ByteWriter w;
  EmfWriter::pointl(w, POINT{x, y});
  writer_.add(EMR_MOVETOEX, w.take());
  position_ = POINT{x, y};
}

void MetafileCanvas::LineTo(int x, int y) {
  if (finished_) throw core::Error("Metafile already finished");
  RealizePen();
  core::ByteWriter w;
  EmfWriter::pointl(w, POINT{x, y});
  writer_.add(EMR_LINETO, w.take());
  const POINT pts[2] = {position_, POINT{x, y}};
  if (Pen.Style != PS_NULL) writer_.include_points(pts, 2, Pen.Width);
  position_ = POINT{x, y};
}

void MetafileCanvas::Shape(DWORD type, const RECT& box, const POINT* corner) {
  if (finished_) throw core::Error("Metafile already finished");
  RealizePen();
  RealizeBrush();
  core::ByteWriter w;
  EmfWriter::rectl(w, box);
  if (corner != nullptr) EmfWriter::pointl(w, *corner);
  writer_.add(type, w.take());
  const RECT b = Ordered(box.left, box.top, box.right, box.bottom);
  if (b.right > b.left && b.bottom > b.top) writer_.include(RECT{b.left, b.top, b.right - 1, b.bottom - 1});
}

void MetafileCanvas::Rectangle(int l, int t, int r, int b) { Shape(EMR_RECTANGLE, RECT{l, t, r, b}, nullptr); }
void MetafileCanvas::Ellipse(int l, int t, int r, int b) { Shape(EMR_ELLIPSE, RECT{l, t, r, b}, nullptr); }
void MetafileCanvas::RoundRect(int l, int t, int r, int b, int cw, int ch) {
  const POINT corner{cw, ch};
  Shape(EMR_ROUNDRECT, RECT{l, t, r, b}, &corner);
}

void MetafileCanvas::Points(DWORD type16, const std::vector<POINT>& points) {
  if (finished_) throw core::Error("Metafile already finished");
  if (points.empty()) return;
  RealizePen();
  if (type16 == EMR_POLYGON16) RealizeBrush();
  bool small = true;
  for (const POINT& p : points)
    if (p.x < -32768 || p.x > 32767 || p.y < -32768 || p.y > 32767) small = false;
  RECT b{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const POINT& p : points)
    b = RECT{std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y)};
  core::ByteWriter w;
  EmfWriter::rectl(w, b);
  w.u32le(static_cast<DWORD>(points.size()));
  for (const POINT& p : points) {
    if (small) {
      w.u16le(static_cast<WORD>(static_cast<std::int16_t>(p.x)));
      w.u16le(static_cast<WORD>(static_cast<std::int16_t>(p.y)));
    } else {
      EmfWriter::pointl(w, p);
    }
  }
  const DWORD type = small ? type16 : (type16 == EMR_POLYGON16 ? EMR_POLYGON : EMR_POLYLINE);
  writer_.add(type, w.take());
  writer_.include_points(points.data(), points.size(), Pen.Style == PS_NULL ? 1 : Pen.Width);
}

void MetafileCanvas::Polygon(const std::vector<POINT>& points) { Points(EMR_POLYGON16, points); }
void MetafileCanvas::Polyline(const std::vector<POINT>& points) { Points(EMR_POLYLINE16, points); }

void MetafileCanvas::FillRect(const RECT& r) {
  if (finished_) throw core::Error("Metafile already finished");
  RealizeBrush();
  const RECT b = Ordered(r.left, r.top, r.right, r.bottom);
  if (b.right <= b.left || b.bottom <= b.top) return;
  // A pattern blit without a source, as GDI records a brush fill.
  core::ByteWriter w;
  const RECT inclusive{b.left, b.top, b.right - 1, b.bottom - 1};
  EmfWriter::rectl(w, inclusive);
  w.u32le(static_cast<DWORD>(b.left));
  w.u32le(static_cast<DWORD>(b.top));
  w.u32le(static_cast<DWORD>(b.right - b.left));
  w.u32le(static_cast<DWORD>(b.bottom - b.top));
  w.u32le(PATCOPY);
  w.u32le(0);
  w.u32le(0);
  w.f32le(1);
  w.f32le(0);
  w.f32le(0);
  w.f32le(1);
  w.f32le(0);
  w.f32le(0);
  w.u32le(0);
  w.u32le(DIB_RGB_COLORS);
  w.fill(16);
  writer_.add(EMR_BITBLT, w.take());
  writer_.include(inclusive);
}

void MetafileCanvas::Bits(const RECT& dest, const Bitmap& bitmap) {
  if (finished_) throw core::Error("Metafile already finished");
  if (bitmap.empty()) return;
  core::Bytes info, bits;
  EmfWriter::dib(bitmap, info, bits);
  const RECT b = Ordered(dest.left, dest.top, dest.right, dest.bottom);
  if (b.right <= b.left || b.bottom <= b.top) return;
  const RECT inclusive{b.left, b.top, b.right - 1, b.bottom - 1};
  core::ByteWriter w;
  EmfWriter::rectl(w, inclusive);
  w.u32le(static_cast<DWORD>(b.left));
  w.u32le(static_cast<DWORD>(b.top));
  w.u32le(0);
  w.u32le(0);
  w.u32le(static_cast<DWORD>(bitmap.width()));
  w.u32le(static_cast<DWORD>(bitmap.height()));
  w.u32le(80);
  w.u32le(static_cast<DWORD>(info.size()));
  w.u32le(static_cast<DWORD>(80 + info.size()));
  w.u32le(static_cast<DWORD>(bits.size()));
  w.u32le(DIB_RGB_COLORS);
  w.u32le(SRCCOPY);
  w.u32le(static_cast<DWORD>(b.right - b.left));
  w.u32le(static_cast<DWORD>(b.bottom - b.top));
  w.bytes(info);
  w.bytes(bits);
  writer_.add(EMR_STRETCHDIBITS, w.take());
  writer_.include(inclusive);
}

void MetafileCanvas::Draw(int x, int y, const Bitmap& bitmap) {
  Bits(RECT{x, y, x + bitmap.width(), y + bitmap.height()}, bitmap);
}

void MetafileCanvas::StretchDraw(const RECT& r, const Bitmap& bitmap) { Bits(r, bitmap); }

std::vector<std::uint8_t> MetafileCanvas::Finish() {
  if (finished_) throw core::Error("Metafile already finished");
  finished_ = true;
  return writer_.finish(width_, height_, dpi_x_, dpi_y_);
}

// --- the direct twin ---------------------------------------------------------------------------

DcCanvas::DcCanvas(HDC dc, int dpi_y) : Canvas(dpi_y), dc_(dc) {}

DcCanvas::~DcCanvas() {
  if (old_font_ != nullptr) SelectObject(dc_, old_font_);
  if (old_pen_ != nullptr) SelectObject(dc_, old_pen_);
  if (old_brush_ != nullptr) SelectObject(dc_, old_brush_);
  if (font_ != nullptr) DeleteObject(font_);
  if (pen_ != nullptr) DeleteObject(pen_);
  if (brush_ != nullptr) DeleteObject(brush_);
}

void DcCanvas::Apply(bool font, bool pen, bool brush) {
  auto swap_in = [&](auto& mine, auto made, HGDIOBJ& old) {
    HGDIOBJ prev = SelectObject(dc_, made);
    if (old == nullptr) old = prev;
    if (mine != nullptr) DeleteObject(mine);
    mine = made;
  };
  if (font) {
    const LOGFONT lf = LogFont();
    swap_in(font_, CreateFontIndirect(&lf), old_font_);
    SetTextColor(dc_, Font.Color);
  }
  if (pen) swap_in(pen_, CreatePen(Pen.Style, Pen.Width, Pen.Color), old_pen_);
  if (brush) {
    LOGBRUSH lb;
    lb.lbStyle = Brush.Style;
    lb.lbColor = Brush.Color;
    if (Brush.Style == BS_HATCHED) lb.lbHatch = static_cast<std::uintptr_t>(Brush.Hatch);
    swap_in(brush_, CreateBrushIndirect(&lb), old_brush_);
    SetBkColor(dc_, Brush.Style == BS_SOLID ? Brush.Color : (~Brush.Color & 0xFFFFFF));
    SetBkMode(dc_, Brush.Style == BS_SOLID ? OPAQUE : TRANSPARENT);
  }
}

void DcCanvas::TextOut(int x, int y, std::string_view text) {
  Apply(true, false, true);
  const std::u16string utf16 = core::utf8_to_utf16(text);
  const std::vector<int> dx = Advances(utf16);
  ExtTextOut(dc_, x, y, 0, nullptr, utf16, dx.data());
  int width = 0;
  for (int d : dx) width += d;
  MoveToEx(dc_, x + width, y, nullptr);
}

void DcCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }
void DcCanvas::LineTo(int x, int y) {
  Apply(false, true, false);
  platform::gdi::LineTo(dc_, x, y);
}
void DcCanvas::Rectangle(int l, int t, int r, int b) {
  Apply(false, true, true);
  platform::gdi::Rectangle(dc_, l, t, r, b);
}
void DcCanvas::Ellipse(int l, int t, int r, int b) {
  Apply(false, true, true);
  platform::gdi::Ellipse(dc_, l, t, r, b);
}
void DcCanvas::RoundRect(int l, int t, int r, int b, int cw, int ch) {
  Apply(false, true, true);
  platform::gdi::RoundRect(dc_, l, t, r, b, cw, ch);
}
void DcCanvas::Polygon(const std::vector<POINT>& points) {
  Apply(false, true, true);
  platform::gdi::Polygon(dc_, points.data(), static_cast<int>(points.size()));
}
void DcCanvas::Polyline(const std::vector<POINT>& points) {
  Apply(false, true, false);
  platform::gdi::Polyline(dc_, points.data(), static_cast<int>(points.size()));
}
void DcCanvas::FillRect(const RECT& r) {
  Apply(false, false, true);
  platform::gdi::FillRect(dc_, &r, brush_);
}
void DcCanvas::Draw(int x, int y, const Bitmap& bitmap) {
  StretchDraw(RECT{x, y, x + bitmap.width(), y + bitmap.height()}, bitmap);
}
void DcCanvas::StretchDraw(const RECT& r, const Bitmap& bitmap) {
  HBITMAP bm = CreateBitmapFromPixels(bitmap);
  HDC src = CreateCompatibleDC(dc_);
  HGDIOBJ old = SelectObject(src, bm);
  StretchBlt(dc_, r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0, bitmap.width(), bitmap.height(),
             SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(bm);
}

}  // namespace platform::gdi
