#include "pdf/metafile_player.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "pdf/diacritics.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/fonts.h"
#include "pdf/font_provider.h"
#include "pdf/font_queries.h"
#include "pdf/format.h"
#include "pdf/image.h"
#include "pdf/page.h"

namespace pdf {

namespace gdi = platform::gdi;
using gdi::Bitmap;
using gdi::Pixel;
using gdi::PixelFormat;

// --- canvas support ----------------------------------------------------------------------------

gdi::Canvas* PageCanvas(TPDFDocument& document) { return dynamic_cast<TPDFCanvas*>(document.GetCanvas()); }

PageCanvasSupport MetafileCanvasSupport() {
  PageCanvasSupport s;
  s.CreateCanvas = [](int width, int height, const ReferenceDeviceContext& dc) -> std::unique_ptr<TMetafileCanvas> {
    return std::make_unique<TPDFCanvas>(width, height, dc);
  };
  s.CreatePlayer = [](TPDFPage& page) -> std::unique_ptr<TMetafilePlayer> {
    return std::make_unique<TEMWParser>(page);
  };
  return s;
}

namespace {

constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr std::uint32_t ETO_PDY = 0x2000;
constexpr double kPi = 3.14159265358979323846;

// The 20 static entries of the default palette (0x00BBGGRR).
constexpr std::uint32_t kDefaultPalette[20] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
                                               0xC0C0C0, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF,
                                               0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// Text records and the state records that keep text mode on.
bool KeepsTextMode(std::uint32_t t) {
  switch (t) {
    case 18:
    case 22:
    case 24:
    case 25:
    case 27:
    case 33:
    case 34:
    case 37:
    case 38:
    case 39:
    case 40:
    case 76:
    case 82:
    case 83:
    case 84:
    case 108: return true;
    default: return false;
  }
}

gdi::RECT ReadRect(core::ByteReader& r) {
  gdi::RECT rc;
  rc.left = r.i32le();
  rc.top = r.i32le();
  rc.right = r.i32le();
  rc.bottom = r.i32le();
  return rc;
}

gdi::POINT ReadPoint(core::ByteReader& r) {
  gdi::POINT p;
  p.x = r.i32le();
  p.y = r.i32le();
  return p;
}

gdi::POINT ReadPoint16(core::ByteReader& r) {
  gdi::POINT p;
  p.x = r.i16le();
  p.y = r.i16le();
  return p;
}

// Reads `count` points of 16 or 32 bits after checking they are there.
std::vector<gdi::POINT> ReadPoints(core::ByteReader& r, std::uint32_t count, bool small) {
  const std::size_t each = small ? 4 : 8;
  if (count > r.remaining() / each) throw core::TruncatedInput("Metafile record too short");
  std::vector<gdi::POINT> pts;
  pts.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) pts.push_back(small ? ReadPoint16(r) : ReadPoint(r));
  return pts;
}


std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

Pixel Rop3(unsigned code, Pixel p, Pixel s, Pixel d) {
  Pixel r = 0;
  for (unsigned k = 0; k < 8; ++k)
    if (code & (1u << k)) r |= ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

// The part of the source area that lies inside the bitmap: a record's sizes never make the copy
// bigger than the bits it carries.
Bitmap Crop(const Bitmap& src, int x, int y, int w, int h) {
  const long long x0 = std::max<long long>(x, 0), y0 = std::max<long long>(y, 0);
  const long long x1 = std::min<long long>(static_cast<long long>(x) + w, src.width());
  const long long y1 = std::min<long long>(static_cast<long long>(y) + h, src.height());
  if (x1 <= x0 || y1 <= y0) throw core::Error("Empty bitmap area");
  const int cw = static_cast<int>(x1 - x0), ch = static_cast<int>(y1 - y0);
  Bitmap out(cw, ch, src.monochrome() ? PixelFormat::k1bit : PixelFormat::k24bit, gdi::kWhitePixel);
  out.set_palette(src.palette());
  for (int yy = 0; yy < ch; ++yy)
    for (int xx = 0; xx < cw; ++xx)
      out.set_pixel(xx, yy, src.pixel(static_cast<int>(x0) + xx, static_cast<int>(y0) + yy));
  return out;
}

// Applies a raster operation against a white destination with the brush as pattern.
void ApplyRop(Bitmap& b, std::uint32_t rop, std::uint32_t brush) {
  const unsigned code = (rop >> 16) & 0xFF;
  if (code == 0xCC) return;
  const Pixel p = gdi::pixel_from_colorref(brush);
  for (int y = 0; y < b.height(); ++y) {
    Pixel* row = b.scan_line(y);
    for (int x = 0; x < b.width(); ++x) row[x] = Rop3(code, p, row[x], gdi::kWhitePixel);
  }
  if (b.monochrome()) {
    // Back to black and white.
    b.set_format(PixelFormat::k24bit);
    b.set_format(PixelFormat::k1bit);
    b.set_palette({gdi::kBlackPixel, gdi::kWhitePixel});
  }
}

}  // namespace

// --- lifecycle ---------------------------------------------------------------------------------

TEMWParser::TEMWParser(TPDFPage& page) : page_(page) {
  const ReferenceDeviceContext& dc = page.Document().ReferenceDC();
  ScaleX = static_cast<double>(page.Document().Resolution) / dc.LogPixelsX;
  ScaleY = static_cast<double>(page.Document().Resolution) / dc.LogPixelsY;
}

TEMWParser::~TEMWParser() {
  if (measure_dc_ != nullptr) gdi::DeleteDC(measure_dc_);
  if (measure_font_ != nullptr) gdi::DeleteObject(measure_font_);
}

void TEMWParser::LoadMetafile(std::vector<std::uint8_t> metafile) {
  data_ = std::move(metafile);
  loaded_ = false;
  auto bad = [] { throw core::Error("Invalid metafile data"); };
  if (data_.size() < 88) bad();
  core::ByteReader r(data_.data(), data_.size());
  if (r.u32le() != gdi::EMR_HEADER) bad();
  const std::uint32_t header_size = r.u32le();
  if (header_size < 88 || header_size > data_.size() || header_size % 4 != 0) bad();
  bounds_ = ReadRect(r);
  ReadRect(r);
  if (r.u32le() != gdi::kEmfSignature) bad();
  r.u32le();
  r.u32le();  // nBytes: the chain below is what counts
  r.u32le();
  handle_count_ = r.u16le();
  if (handle_count_ == 0) handle_count_ = 1;
  // Every record must be at least its type and size, 4-byte aligned and inside the data.
  std::size_t pos = header_size;
  bool eof = false;
  while (pos < data_.size() && !eof) {
    if (data_.size() - pos < 8) bad();
    const std::uint32_t type = core::load_le32(data_.data() + pos);
    const std::uint32_t size = core::load_le32(data_.data() + pos + 4);
    if (size < 8 || size % 4 != 0 || size > data_.size() - pos) bad();
    eof = type == gdi::EMR_EOF;
    pos += size;
  }
  loaded_ = true;
}

void TEMWParser::GetSize(int& width, int& height) {
  if (!loaded_) {
    width = height = 0;
    return;
  }
  width = static_cast<int>(std::lround(bounds_.right * ScaleX)) + 1;
  height = static_cast<int>(std::lround(bounds_.bottom * ScaleY)) + 1;
}

void TEMWParser::ResetState() {
  dc_ = DcState{};
  dc_.BkColor = 0xFFFFFF;  // the screen's background
  saved_.clear();
  text_mode_ = false;
  in_path_ = false;
  clip_active_ = false;
  font_changed_ = true;
  last_fill_ = 0;
  cp_x_ = cp_y_ = 0;
  viewport_scaled_ = window_scaled_ = false;
  vp_num_x_ = vp_den_x_ = vp_num_y_ = vp_den_y_ = 1;
  win_num_x_ = win_den_x_ = win_num_y_ = win_den_y_ = 1;
  pen_color_ = 0;
  pen_style_ = gdi::PS_SOLID;
  // Unknown, so that the first pen sets the page's width (which starts at 1 point, not 1 pixel).
  pen_width_ = -1;
  brush_color_ = 0xFFFFFF;
  null_brush_ = false;
  stored_clip_ = false;
}

void TEMWParser::Execute() {
  if (!loaded_) throw core::Error("Invalid metafile data");
  HandleTable.assign(handle_count_, std::nullopt);
  if (measure_dc_ == nullptr) measure_dc_ = gdi::CreateCompatibleDC(nullptr);
  M11 = M22 = 1;
  Dx = Dy = 0;
  font_ = gdi::LOGFONT{};
  font_.lfHeight = 16;
  font_.lfFaceName = "System";
  page_.SetHorizontalScaling(100);
  page_.SetCharacterSpacing(0);
  page_.SetWordSpacing(0);
  page_.SetLineCap(1);
  ResetState();
  dc_.CurrentFont = font_;
  // The DC starts with the white stock brush: shapes filled before any brush is chosen are white.
  ApplyBrushColor(false);

  const std::uint32_t header_size = core::load_le32(data_.data() + 4);
  std::size_t pos = header_size;
  while (pos + 8 <= data_.size()) {
    const std::uint32_t type = core::load_le32(data_.data() + pos);
    const std::uint32_t size = core::load_le32(data_.data() + pos + 4);
    if (type == gdi::EMR_EOF) break;
    core::ByteReader r(data_.data() + pos + 8, size - 8);
    try {
      PlayRecord(type, r, pos, size);
    } catch (const core::Error&) {
      // A record that cannot be played ends only itself.
    }
    pos += size;
  }
  HandleTable.clear();
  saved_.clear();
  page_.SetBaselineOrigin(false);
  page_.SetHorizontalScaling(100);
  page_.SetCharacterSpacing(0);
  page_.SetWordSpacing(0);
}

// --- coordinates -------------------------------------------------------------------------------

// One axis of the logical-to-page mapping: the window scaling, the window-to-viewport mapping of the
// map mode (only the two free modes use the extents), the viewport scaling, then the world transform.
double TEMWParser::PageAxis(double v, bool horizontal) const {
  const bool h = horizontal;
  if (window_scaled_) v = v * (h ? win_den_x_ : win_den_y_) / (h ? win_num_x_ : win_num_y_);
  const double window_org = h ? dc_.WindowOrg.x : dc_.WindowOrg.y;
  const double viewport_org = h ? dc_.ViewportOrg.x : dc_.ViewportOrg.y;
  if (dc_.MapMode == 7 || dc_.MapMode == 8) {
    const double window_ext = h ? dc_.WindowExt.cx : dc_.WindowExt.cy;
    const double viewport_ext = h ? dc_.ViewportExt.cx : dc_.ViewportExt.cy;
    v = (v - window_org) * viewport_ext / window_ext + viewport_org;
  } else {
    v = v - window_org + viewport_org;
  }
  if (viewport_scaled_) v = v * (h ? vp_num_x_ : vp_num_y_) / (h ? vp_den_x_ : vp_den_y_);
  return h ? v * M11 * ScaleX + Dx : v * M22 * ScaleY + Dy;
}

double TEMWParser::PageX(double x) const { return PageAxis(x, true); }

double TEMWParser::PageY(double y) const { return PageAxis(y, false); }

double TEMWParser::ExtentRatioX() const {
  if (dc_.MapMode == 1) return 1;
  return std::fabs(static_cast<double>(dc_.ViewportExt.cx) / dc_.WindowExt.cx);
}

double TEMWParser::ExtentRatioY() const {
  if (dc_.MapMode == 1) return 1;
  return std::fabs(static_cast<double>(dc_.ViewportExt.cy) / dc_.WindowExt.cy);
}

void TEMWParser::ReadTransform() {
  Dx = ScaleX * dc_.Transform.Dx;
  Dy = ScaleY * dc_.Transform.Dy;
  M11 = dc_.Transform.M11;
  M22 = dc_.Transform.M22;
}

// --- colours and painting ----------------------------------------------------------------------

std::uint32_t TEMWParser::ResolveColor(std::uint32_t c) {
  if ((c & 0xFF000000u) == 0x01000000u && (c & 0xFFFFFF) < 20) return kDefaultPalette[c & 0xFFFFFF];
  return c & 0xFFFFFF;
}

namespace {
double R(std::uint32_t c) { return (c & 0xFF) / 255.0; }
double G(std::uint32_t c) { return ((c >> 8) & 0xFF) / 255.0; }
double B(std::uint32_t c) { return ((c >> 16) & 0xFF) / 255.0; }
}  // namespace

void TEMWParser::SetFillColor(std::uint32_t c, bool force) {
  if (!force && c == last_fill_) return;
  page_.SetRGBFillColor(R(c), G(c), B(c));
  last_fill_ = c;
}

void TEMWParser::ApplyBrushColor(bool force) { SetFillColor(brush_color_, force); }

void TEMWParser::ApplyTextColor() {
  const std::uint32_t c = ResolveColor(dc_.TextColor);
  SetFillColor(c, font_changed_);
}

void TEMWParser::ApplyPenColor() { page_.SetRGBStrokeColor(R(pen_color_), G(pen_color_), B(pen_color_)); }

void TEMWParser::SetTextMode(bool on) {
  if (on == text_mode_) return;
  text_mode_ = on;
  if (!on) ApplyBrushColor(false);
}

void TEMWParser::PaintOpen() {
  if (in_path_) return;
  if (pen_style_ == gdi::PS_NULL)
    page_.NewPath();
  else
    page_.Stroke();
}

void TEMWParser::PaintClosed() {
  if (in_path_) return;
  const bool even_odd = dc_.FillMode == gdi::ALTERNATE;
  if (null_brush_) {
    PaintOpen();
  } else if (pen_style_ == gdi::PS_NULL) {
    if (even_odd)
      page_.EoFill();
    else
      page_.Fill();
  } else if (even_odd) {
    page_.EoFillAndStroke();
  } else {
    page_.FillAndStroke();
  }
}

void TEMWParser::PaintShape() {
  if (in_path_) return;
  if (pen_width_ != 0 && pen_style_ != gdi::PS_NULL) {
    if (null_brush_)
      page_.Stroke();
    else
      page_.FillAndStroke();
  } else if (null_brush_) {
    page_.NewPath();
  } else {
    page_.Fill();
  }
}

// --- objects -----------------------------------------------------------------------------------

void TEMWParser::SelectPen(const Pen& pen) {
  dc_.CurrentPen = pen;
  const std::uint32_t color = ResolveColor(pen.Color);
  if (color != pen_color_) {
    pen_color_ = color;
    ApplyPenColor();
  }
  // Wide pens draw solid.
  const int style = pen.Width > 1 ? gdi::PS_SOLID : pen.Style;
  if (style != pen_style_) {
    pen_style_ = style;
    switch (style) {
      case gdi::PS_SOLID:
      case gdi::PS_INSIDEFRAME: page_.NoDash(); break;
      case gdi::PS_DASH: page_.SetDash("[4 4] 0"); break;
      case gdi::PS_DOT: page_.SetDash("[1 1] 0"); break;
      case gdi::PS_DASHDOT: page_.SetDash("[4 1 1 1] 0"); break;
      case gdi::PS_DASHDOTDOT: page_.SetDash("[4 1 1 1 1 1] 0"); break;
      default: break;
    }
  }
  const double width = pen.Width == 0 ? ExtentRatioX() * M11 : ExtentRatioX() * (pen.Width * M11);
  if (width != pen_width_) {
    pen_width_ = width;
    page_.SetLineWidth(ScaleX * width);
  }
}

void TEMWParser::SelectBrush(const Brush& brush) {
  dc_.CurrentBrush = brush;
  null_brush_ = brush.Style == gdi::BS_NULL;
  const std::uint32_t color = ResolveColor(brush.Color);
  if (color != brush_color_) {
    brush_color_ = color;
    if (!text_mode_) ApplyBrushColor(false);
  }
}

void TEMWParser::SelectFont(const gdi::LOGFONT& in) {
  gdi::LOGFONT font = in;
  if (font.lfFaceName.find('?') != std::string::npos) {
    // A face the recording could not name: the face the drawing layer picks for it.
    gdi::HFONT f = gdi::CreateFontIndirect(&font);
    gdi::HGDIOBJ old = gdi::SelectObject(measure_dc_, f);
    std::string face;
    gdi::GetTextFace(measure_dc_, &face);
    gdi::SelectObject(measure_dc_, old);
    gdi::DeleteObject(f);
    font.lfFaceName = face;
  }
  dc_.CurrentFont = font;
  const bool changed = font.lfFaceName != font_.lfFaceName || font.lfWeight != font_.lfWeight ||
                       font.lfItalic != font_.lfItalic || font.lfUnderline != font_.lfUnderline ||
                       font.lfStrikeOut != font_.lfStrikeOut || font.lfCharSet != font_.lfCharSet ||
                       font.lfHeight != font_.lfHeight || font.lfWidth != font_.lfWidth;
  const bool moved = font.lfEscapement != font_.lfEscapement || font.lfOrientation != font_.lfOrientation;
  if (changed || moved) font_ = font;
  if (changed) {
    font_changed_ = true;
    if (measure_font_ != nullptr) {
      gdi::DeleteObject(measure_font_);
      measure_font_ = nullptr;
    }
  }
}

void TEMWParser::SelectObjectIndex(std::uint32_t index) {
  if (index & gdi::STOCK_OBJECT) {
    switch (index & 0x7FFFFFFF) {
      case gdi::WHITE_BRUSH: SelectBrush(Brush{gdi::BS_SOLID, 0xFFFFFF}); break;
      case gdi::LTGRAY_BRUSH: SelectBrush(Brush{gdi::BS_SOLID, 0xAAAAAA}); break;
      case gdi::GRAY_BRUSH: SelectBrush(Brush{gdi::BS_SOLID, 0x808080}); break;
      case gdi::DKGRAY_BRUSH: SelectBrush(Brush{gdi::BS_SOLID, 0x666666}); break;
      case gdi::BLACK_BRUSH: SelectBrush(Brush{gdi::BS_SOLID, 0x000000}); break;
      case gdi::NULL_BRUSH:
        dc_.CurrentBrush = Brush{gdi::BS_NULL, 0xFFFFFF};
        null_brush_ = true;
        brush_color_ = 0xFFFFFF;
        break;
      case gdi::WHITE_PEN:
      case gdi::BLACK_PEN: {
        const std::uint32_t c = (index & 0x7FFFFFFF) == gdi::WHITE_PEN ? 0xFFFFFF : 0;
        dc_.CurrentPen = Pen{gdi::PS_SOLID, 0, c};
        pen_color_ = c;
        ApplyPenColor();
        if (pen_style_ != gdi::PS_SOLID) {
          pen_style_ = gdi::PS_SOLID;
          page_.NoDash();
        }
        pen_width_ = ExtentRatioX() * M11;
        page_.SetLineWidth(ScaleX * pen_width_);
        break;
      }
      case gdi::NULL_PEN:
        dc_.CurrentPen.Style = gdi::PS_NULL;
        pen_style_ = gdi::PS_NULL;
        break;
      case gdi::OEM_FIXED_FONT:
      case gdi::ANSI_FIXED_FONT:
      case gdi::ANSI_VAR_FONT:
      case gdi::SYSTEM_FONT:
        font_.lfFaceName = "Arial";
        dc_.CurrentFont = font_;
        font_changed_ = true;
        break;
      default: break;
    }
    return;
  }
  if (index >= HandleTable.size() || !HandleTable[index]) return;
  const Object& o = *HandleTable[index];
  switch (o.Type) {
    case Object::Kind::Pen: SelectPen(o.pen); break;
    case Object::Kind::Brush: SelectBrush(o.brush); break;
    case Object::Kind::Font: SelectFont(o.font); break;
  }
}

void TEMWParser::CreateObject(std::uint32_t index, Object object) {
  if (index == 0 || index >= HandleTable.size()) return;
  HandleTable[index] = std::move(object);
}

void TEMWParser::ApplyDcObjects() {
  const DcState s = dc_;
  SelectPen(s.CurrentPen);
  SelectBrush(s.CurrentBrush);
  SelectFont(s.CurrentFont);
}

// --- clipping ----------------------------------------------------------------------------------

void TEMWParser::ReapplyAfterPop() {
  ApplyPenColor();
  if (pen_width_ >= 0) page_.SetLineWidth(ScaleX * pen_width_);
  ApplyBrushColor(true);
  font_changed_ = true;
}

void TEMWParser::PopClip() {
  if (!clip_active_) return;
  page_.RestoreState();
  clip_active_ = false;
  ReapplyAfterPop();
}

void TEMWParser::BeginTextClip(const gdi::RECT& rc) {
  if (clip_active_) {
    page_.RestoreState();
    clip_active_ = false;
  }
  page_.SaveState();
  page_.NewPath();
  page_.Rectangle(PageX(rc.left), PageY(rc.top), PageX(rc.right), PageY(rc.bottom));
  page_.Clip();
}

void TEMWParser::EndTextClip() {
  page_.RestoreState();
  font_changed_ = true;  // the restored state no longer has the font selected for the text
  clip_active_ = false;
  if (!stored_clip_) return;
  page_.SaveState();
  page_.Rectangle(clip_l_, clip_t_, clip_r_, clip_b_);
  page_.Clip();
  page_.NewPath();
  clip_active_ = true;
}

void TEMWParser::PushClipRect(double l, double t, double r, double b, bool store) {
  PopClip();
  page_.SaveState();
  clip_active_ = true;
  page_.NewPath();
  page_.Rectangle(l, t, r, b);
  stored_clip_ = store;
  if (store) {
    clip_l_ = l;
    clip_t_ = t;
    clip_r_ = r;
    clip_b_ = b;
  }
  page_.Clip();
  page_.NewPath();
}

// --- text --------------------------------------------------------------------------------------

gdi::TEXTMETRIC TEMWParser::Metrics() {
  if (measure_font_ == nullptr) {
    measure_font_ = gdi::CreateFontIndirect(&font_);
    gdi::SelectObject(measure_dc_, measure_font_);
  }
  gdi::TEXTMETRIC tm;
  gdi::GetTextMetrics(measure_dc_, &tm);
  return tm;
}

int TEMWParser::MeasureHeight(const char16_t* text) {
  Metrics();
  gdi::SIZE s;
  gdi::GetTextExtentPoint32(measure_dc_, std::u16string_view(text), &s);
  return s.cy;
}

int TEMWParser::WidthOfA(int lf_width) {
  gdi::LOGFONT lf = font_;
  lf.lfWidth = lf_width;
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HFONT f = gdi::CreateFontIndirect(&lf);
  gdi::SelectObject(dc, f);
  gdi::SIZE s;
  gdi::GetTextExtentPoint32(dc, std::u16string_view(u"A"), &s);
  gdi::DeleteDC(dc);
  gdi::DeleteObject(f);
  return s.cx;
}

void TEMWParser::SelectFontForText() {
  if (!font_changed_) return;
  font_changed_ = false;
  unsigned style = 0;
  if (font_.lfWeight >= 600) style |= fsBold;
  if (font_.lfItalic) style |= fsItalic;
  if (font_.lfUnderline) style |= fsUnderline;
  if (font_.lfStrikeOut) style |= fsStrikeOut;
  std::string face = font_.lfFaceName;
  const std::string upper = Upper(face);
  int charset = font_.lfCharSet;
  bool substituted = false;
  if (upper == "HELVETICA" && charset != 0) substituted = true;
  if (upper == "WINGDINGS") charset = 2;
  const TFontEnumerator& fonts = page_.Document().FontProvider();
  if (!substituted && !FaceHasCharset(fonts, face, charset)) {
    if (charset == SystemDefaultCharset && FaceHasCharset(fonts, face, DEFAULT_CHARSET))
      charset = DEFAULT_CHARSET;
    else
      substituted = true;
  }
  const ReferenceDeviceContext& ref = page_.Document().ReferenceDC();
  double size;
  if (font_.lfHeight < 0) {
    size = MulDiv(-font_.lfHeight, 72, ref.LogPixelsY);
  } else {
    const gdi::TEXTMETRIC tm = Metrics();
    size = static_cast<double>(tm.tmHeight - tm.tmInternalLeading) * 72 / ref.LogPixelsY;
  }
  size *= std::fabs(M22) * ExtentRatioY();
  if (!substituted) {
    page_.SetActiveFont(face, style, size, 0);
  } else if (upper == "COURIER") {
    page_.SetActiveFont("Courier New", style, size, charset);
  } else if (upper == "TIMES") {
    page_.SetActiveFont("Times New Roman", style, size, charset);
  } else {
    const std::string other = FaceForCharset(fonts, charset);
    if (!other.empty())
      page_.SetActiveFont(other, style, size, charset);
    else
      page_.SetActiveFont("Arial", style, size, 0);
  }
  if (font_.lfWidth != 0) {
    const int natural = WidthOfA(0);
    page_.SetHorizontalScaling(natural > 0 ? 100.0 * WidthOfA(font_.lfWidth) / natural : 100);
  } else {
    page_.SetHorizontalScaling(100);
  }
}

bool TEMWParser::ComposeDiacritics(std::u16string_view text, const std::vector<float>& advances,
                                   std::vector<std::uint16_t>& glyphs, std::vector<float>& glyph_advances) {
  // Most text has no mark at all: that is answered before the font is looked up.
  if (std::none_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x300 && c < 0x370; })) return false;
  const TPDFTextFont* font = GetFont(page_.Document(), page_.FontName, page_.FontStyle, true);
  if (font->Standard || !font->TTFData) return false;
  const TTTFData& ttf = *font->TTFData;
  const std::optional<TComposedText> composed =
      pdf::ComposeDiacritics(text, [&](char32_t c) { return ttf.GlyphOfCode(c) != 0; });
  if (!composed) return false;
  glyphs.clear();
  for (char32_t c : composed->Chars) glyphs.push_back(ttf.GlyphOfCode(c));
  glyph_advances.assign(advances.empty() ? 0 : glyphs.size(), 0.0f);
  for (std::size_t i = 0; i < advances.size() && i < composed->Owner.size(); ++i)
    glyph_advances[composed->Owner[i]] += advances[i];
  return true;
}

void TEMWParser::ExtTextOut(std::uint32_t type, core::ByteReader& r, std::size_t size) {
  const bool wide = type == gdi::EMR_EXTTEXTOUTW;
  ReadRect(r);  // bounds
  r.u32le();    // graphics mode
  r.f32le();
  r.f32le();
  const gdi::POINT ref = ReadPoint(r);
  const std::uint32_t n = r.u32le();
  const std::uint32_t off_string = r.u32le();
  const std::uint32_t options = r.u32le();
  const gdi::RECT rc = ReadRect(r);
  const std::uint32_t off_dx = r.u32le();
  const std::size_t unit = wide ? 2 : 1;
  if (n > size || off_string > size || (size - off_string) / unit < n)
    throw core::TruncatedInput("Metafile text outside its record");
  const std::uint8_t* base = r.data().data() - 8;
  std::u16string text16;
  std::string text8;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (wide)
      text16.push_back(static_cast<char16_t>(core::load_le16(base + off_string + 2 * i)));
    else
      text8.push_back(static_cast<char>(base[off_string + i]));
  }
  std::vector<int> dx;
  const std::size_t dx_step = (options & ETO_PDY) ? 8 : 4;
  if (off_dx != 0 && off_dx <= size && (size - off_dx) / dx_step >= n) {
    for (std::uint32_t i = 0; i < n; ++i)
      dx.push_back(static_cast<std::int32_t>(core::load_le32(base + off_dx + dx_step * i)));
  }

  page_.SetBaselineOrigin(false);
  const bool glyphs = (options & gdi::ETO_GLYPH_INDEX) != 0;
  const bool clipped = (options & gdi::ETO_CLIPPED) != 0;
  const bool opaque = (options & gdi::ETO_OPAQUE) != 0 || dc_.BkMode != gdi::TRANSPARENT;
  const bool has_rect = rc.right > rc.left && rc.bottom > rc.top;
  std::uint32_t remembered_fill = last_fill_;
  if (clipped || opaque) {
    remembered_fill = last_fill_;
    const std::uint32_t bk = ResolveColor(dc_.BkColor);
    if (clipped && n >= 1) {
      BeginTextClip(rc);
      if (opaque && has_rect) {
        SetFillColor(bk, true);
        page_.Fill();
      } else {
        page_.NewPath();
      }
    } else if (!clipped && opaque && has_rect) {
      SetFillColor(bk, false);
      page_.NewPath();
      page_.Rectangle(PageX(rc.left), PageY(rc.top), PageX(rc.right), PageY(rc.bottom));
      page_.Fill();
    }
  }
  if (n >= 1) {
    ApplyTextColor();
    SelectFontForText();

    std::vector<float> advances;
    double width = 0;
    if (!dx.empty()) {
      long long sum = 0;
      for (int d : dx) {
        advances.push_back(static_cast<float>(std::fabs(M22) * ExtentRatioX() * d * ScaleX));
        sum += d;
      }
      width = ExtentRatioX() * static_cast<double>(sum);
    } else {
      width = rc.right - rc.left;
    }

    double x = ref.x, y = ref.y;
    const unsigned align = dc_.TextAlign;
    const int halign = (align & 6) == 6 ? 1 : ((align & 2) ? 2 : 0);
    const int valign = (align & 24) == 24 ? 1 : ((align & 8) ? 2 : 0);
    const double escapement = font_.lfEscapement;
    if (align & gdi::TA_UPDATECP) {
      x = cp_x_;
      y = cp_y_;
      const double a = escapement * kPi / 1800;
      if (halign == 0) {
        cp_x_ += width * std::cos(a);
        cp_y_ -= width * std::sin(a);
      } else if (halign == 2) {
        cp_x_ -= width * std::cos(a);
        cp_y_ += width * std::sin(a);
      }
    }
    if (escapement != 0 && (halign != 0 || valign != 0)) {
      const gdi::TEXTMETRIC tm = Metrics();
      const double v = valign == 1 ? tm.tmAscent : (valign == 2 ? tm.tmHeight : 0);
      const double h = halign == 1 ? width / 2 : (halign == 2 ? width : 0);
      const double a = escapement * kPi / 1800;
      const double rr = std::sqrt(v * v + h * h);
      if (v == 0) {
        x += -std::cos(a) * h;
        y += std::sin(a) * h;
      } else {
        const double b = a - std::asin(v / rr);
        x += -std::cos(b) * rr;
        y += std::sin(b) * rr;
      }
    } else {
      if (valign == 1)
        page_.SetBaselineOrigin(true);
      else if (valign == 2)
        y -= MeasureHeight(u"Wg");
      if (halign == 1)
        x -= width / 2;
      else if (halign == 2)
        x -= width;
    }
    const double px = PageX(x), py = PageY(y);
    const double angle = escapement / 10;
    const std::vector<float>* adv = advances.empty() ? nullptr : &advances;
    std::vector<std::uint16_t> composed_glyphs;
    std::vector<float> composed_advances;
    if (glyphs) {
      std::vector<std::uint16_t> ids;
      if (wide)
        for (char16_t c : text16) ids.push_back(static_cast<std::uint16_t>(c));
      else
        for (char c : text8) ids.push_back(static_cast<std::uint8_t>(c));
      page_.DrawGlyphs(px, py, angle, ids, adv);
    } else if (wide && ComposeDiacritics(text16, advances, composed_glyphs, composed_advances)) {
      page_.DrawGlyphs(px, py, angle, composed_glyphs, adv != nullptr ? &composed_advances : nullptr);
    } else if (wide) {
      if (adv != nullptr)
        page_.DrawTextAdvancesW(px, py, angle, text16, adv);
      else
        page_.DrawTextW(px, py, angle, text16);
    } else {
      if (adv != nullptr)
        page_.DrawTextAdvances(px, py, angle, text8, adv);
      else
        page_.DrawText(px, py, angle, text8);
    }
  }
  if (clipped && n >= 1) {
    EndTextClip();
    last_fill_ = remembered_fill;
  }
}

void TEMWParser::SmallTextOut(core::ByteReader& r, std::size_t) {
  const std::int32_t x = r.i32le();
  const std::int32_t y0 = r.i32le();
  const std::uint32_t n = r.u32le();
  const std::uint32_t options = r.u32le();
  r.u32le();
  r.f32le();
  r.f32le();
  gdi::RECT clip{};
  if (!(options & gdi::ETO_NO_RECT)) clip = ReadRect(r);
  if (n == 0) return;
  const bool small = (options & gdi::ETO_SMALL_CHARS) != 0;
  if (n > r.remaining() / (small ? 1 : 2)) throw core::TruncatedInput("Metafile text outside its record");
  std::string text8;
  std::u16string text16;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (small)
      text8.push_back(static_cast<char>(r.u8()));
    else
      text16.push_back(static_cast<char16_t>(r.u16le()));
  }
  page_.SetCharacterSpacing(0);
  page_.SetBaselineOrigin(false);
  double y = y0;
  const unsigned align = dc_.TextAlign;
  if ((align & 24) == 24)
    page_.SetBaselineOrigin(true);
  else if (align & 8)
    y -= MeasureHeight(u"Wg");
  const double px = PageX(x), py = PageY(y);
  ApplyTextColor();
  SelectFontForText();
  auto draw = [&] {
    if (options & gdi::ETO_GLYPH_INDEX) {
      std::vector<std::uint16_t> ids;
      if (small)
        for (char c : text8) ids.push_back(static_cast<std::uint8_t>(c));
      else
        for (char16_t c : text16) ids.push_back(static_cast<std::uint16_t>(c));
      page_.DrawGlyphs(px, py, 0, ids, nullptr);
    } else if (small) {
      page_.DrawText(px, py, 0, text8);
    } else {
      page_.DrawTextW(px, py, 0, text16);
    }
  };
  if (options & gdi::ETO_NO_RECT) {
    draw();
    return;
  }
  BeginTextClip(clip);
  page_.NewPath();
  draw();
  EndTextClip();
}

// --- bitmaps -----------------------------------------------------------------------------------

std::optional<Bitmap> TEMWParser::ReadDib(std::size_t record, std::size_t size, std::uint32_t off_bmi,
                                          std::uint32_t cb_bmi, std::uint32_t off_bits, std::uint32_t cb_bits,
                                          bool& mono) {
  if (cb_bmi == 0 || cb_bits == 0) return std::nullopt;
  if (off_bmi > size || cb_bmi > size - off_bmi || off_bits > size || cb_bits > size - off_bits || cb_bmi < 40)
    throw core::Error("Bitmap outside its record");
  const std::uint8_t* rec = data_.data() + record;
  core::ByteReader h(rec + off_bmi, cb_bmi);
  const std::uint32_t header = h.u32le();
  const std::int32_t width = h.i32le();
  const std::int32_t height = h.i32le();
  h.u16le();
  const int bpp = h.u16le();
  const std::uint32_t compression = h.u32le();
  h.skip(12);
  const std::uint32_t used = h.u32le();
  if (header < 40 || header > cb_bmi || width <= 0 || height == 0 || height == INT32_MIN)
    throw core::Error("Invalid bitmap");
  const int rows = height < 0 ? -height : height;
  // A page's picture has at most 2^26 pixels (an A4 page at 600 dpi has 35 million).
  if (!gdi::bitmap_size_allowed(width, rows) || static_cast<long long>(width) * rows > (1LL << 26))
    throw core::Error("Invalid bitmap size");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) throw core::Error("Invalid bitmap");
  if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) throw core::Error("Unsupported bitmap");
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  std::vector<Pixel> palette;
  std::size_t table = header;
  if (compression == 3) {
    if (header == 40) {
      if (cb_bmi < 52) throw core::Error("Invalid bitmap");
      for (int i = 0; i < 3; ++i) masks[i] = core::load_le32(rec + off_bmi + 40 + 4 * i);
      table = 52;
    } else {
      for (int i = 0; i < 3; ++i) masks[i] = core::load_le32(rec + off_bmi + 40 + 4 * i);
    }
  }
  if (bpp <= 8) {
    std::uint32_t count = used != 0 ? used : (1u << bpp);
    if (count > (1u << bpp)) count = 1u << bpp;
    if (table > cb_bmi || (cb_bmi - table) / 4 < count) throw core::Error("Invalid bitmap palette");
    for (std::uint32_t i = 0; i < count; ++i)
      palette.push_back(core::load_le32(rec + off_bmi + table + 4 * i) & 0xFFFFFF);
  }
  const std::size_t stride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32) * 4;
  if (stride * static_cast<std::size_t>(rows) > cb_bits) throw core::Error("Bitmap bits too short");
  mono = bpp == 1;
  Bitmap b(width, rows, mono ? PixelFormat::k1bit : PixelFormat::k24bit, gdi::kWhitePixel);
  if (mono) {
    while (palette.size() < 2) palette.push_back(palette.empty() ? gdi::kBlackPixel : gdi::kWhitePixel);
    b.set_palette(palette);
  }
  auto channel = [](std::uint32_t v, std::uint32_t mask) -> std::uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const std::uint32_t m = mask >> shift;
    return m == 0 ? 0 : ((v & mask) >> shift) * 255 / m;
  };
  const std::uint8_t* bits = rec + off_bits;
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* row = bits + stride * static_cast<std::size_t>(height < 0 ? y : rows - 1 - y);
    Pixel* out = b.scan_line(y);
    for (int x = 0; x < width; ++x) {
      Pixel p = 0;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
          const unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
          p = index < palette.size() ? palette[index] : 0;
          break;
        }
        case 16: {
          const std::uint32_t v = core::load_le16(row + 2 * x);
          p = (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
          break;
        }
        case 24: p = (Pixel{row[3 * x + 2]} << 16) | (Pixel{row[3 * x + 1]} << 8) | row[3 * x]; break;
        default: {
          const std::uint32_t v = core::load_le32(row + 4 * x);
          p = (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
          break;
        }
      }
      out[x] = p;
    }
  }
  return b;
}

void TEMWParser::PlaceImage(const Bitmap& bitmap, bool mono, double x, double y, double w, double h) {
  TPDFDocument& doc = page_.Document();
  const int kind = mono ? ikCCITT4 : (doc.EMFImageAsJpeg ? ikJPEG : ikDeflate);
  const int index = AddImage(doc, TPDFGraphic::FromBitmap(bitmap), kind);
  page_.DrawImage(index, x, y, w, h, 0);
}

void TEMWParser::PlaceByBounds(const Bitmap& bitmap, bool mono, const gdi::RECT& b) {
  PlaceImage(bitmap, mono, b.left * ScaleX, b.top * ScaleY, (b.right - b.left + 1) * ScaleX,
             (b.bottom - b.top + 1) * ScaleY);
}

// --- records -----------------------------------------------------------------------------------

void TEMWParser::PlayRecord(std::uint32_t type, core::ByteReader& r, std::size_t record, std::size_t size) {
  using namespace platform::gdi;
  if (in_path_ && (type == EMR_EXTTEXTOUTA || type == EMR_EXTTEXTOUTW || type == EMR_SMALLTEXTOUT)) return;
  if (text_mode_ && !KeepsTextMode(type)) SetTextMode(false);
  if ((type == EMR_EXTTEXTOUTA || type == EMR_EXTTEXTOUTW || type == EMR_SMALLTEXTOUT) && !text_mode_)
    text_mode_ = true;

  auto mx = [&](double x) { return PageX(x); };
  auto my = [&](double y) { return PageY(y); };

  switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16: {
      ReadRect(r);
      const auto pts = ReadPoints(r, r.u32le(), type == EMR_POLYBEZIER16);
      if (pts.size() < 4) return;
      page_.MoveTo(mx(pts[0].x), my(pts[0].y));
      for (std::size_t i = 1; i + 2 < pts.size(); i += 3)
        page_.CurveTo(mx(pts[i].x), my(pts[i].y), mx(pts[i + 1].x), my(pts[i + 1].y), mx(pts[i + 2].x),
                      my(pts[i + 2].y));
      PaintOpen();
      return;
    }
    case EMR_POLYGON:
    case EMR_POLYGON16:
    case EMR_POLYLINE:
    case EMR_POLYLINE16: {
      ReadRect(r);
      const bool small = type == EMR_POLYGON16 || type == EMR_POLYLINE16;
      const auto pts = ReadPoints(r, r.u32le(), small);
      if (pts.empty()) return;
      // Inside a path bracket the figure joins the path being built instead of starting anew.
      if (!in_path_) page_.NewPath();
      page_.MoveTo(mx(pts[0].x), my(pts[0].y));
      for (std::size_t i = 1; i < pts.size(); ++i) page_.LineTo(mx(pts[i].x), my(pts[i].y));
      if (type == EMR_POLYGON || type == EMR_POLYGON16) {
        if (!in_path_) {
          page_.ClosePath();
          PaintClosed();
        }
      } else {
        PaintOpen();
      }
      return;
    }
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16: {
      ReadRect(r);
      const auto pts = ReadPoints(r, r.u32le(), type == EMR_POLYBEZIERTO16);
      if (pts.size() < 3) return;
      if (!in_path_) page_.MoveTo(mx(cp_x_), my(cp_y_));
      for (std::size_t i = 0; i + 2 < pts.size(); i += 3) {
        page_.CurveTo(mx(pts[i].x), my(pts[i].y), mx(pts[i + 1].x), my(pts[i + 1].y), mx(pts[i + 2].x),
                      my(pts[i + 2].y));
        cp_x_ = pts[i + 2].x;
        cp_y_ = pts[i + 2].y;
      }
      PaintOpen();
      return;
    }
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16: {
      ReadRect(r);
      const auto pts = ReadPoints(r, r.u32le(), type == EMR_POLYLINETO16);
      if (pts.empty()) return;
      if (!in_path_) {
        page_.NewPath();
        page_.MoveTo(mx(cp_x_), my(cp_y_));
      }
      for (const auto& p : pts) page_.LineTo(mx(p.x), my(p.y));
      PaintOpen();
      cp_x_ = pts.back().x;
      cp_y_ = pts.back().y;
      return;
    }
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16: {
      ReadRect(r);
      const std::uint32_t polys = r.u32le();
      const std::uint32_t total = r.u32le();
      if (polys > r.remaining() / 4) throw core::TruncatedInput("Metafile record too short");
      std::vector<std::uint32_t> counts(polys);
      std::uint64_t sum = 0;
      for (auto& c : counts) {
        c = r.u32le();
        sum += c;
      }
      if (sum > total) throw core::Error("Metafile point counts exceed the points");
      const bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
      const auto pts = ReadPoints(r, total, small);
      const bool closed = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
      if (!in_path_) page_.NewPath();
      std::size_t at = 0;
      for (std::uint32_t c : counts) {
        if (c == 0) continue;
        page_.MoveTo(mx(pts[at].x), my(pts[at].y));
        for (std::uint32_t i = 1; i < c; ++i) page_.LineTo(mx(pts[at + i].x), my(pts[at + i].y));
        if (closed) page_.LineTo(mx(pts[at].x), my(pts[at].y));
        at += c;
      }
      if (closed)
        PaintClosed();
      else
        PaintOpen();
      return;
    }
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX: {
      const std::int32_t cx = r.i32le(), cy = r.i32le();
      if (cx == 0 || cy == 0) return;  // refused, as the DC refuses it
      (type == EMR_SETWINDOWEXTEX ? dc_.WindowExt : dc_.ViewportExt) = SIZE{cx, cy};
      return;
    }
    case EMR_SETWINDOWORGEX: dc_.WindowOrg = ReadPoint(r); return;
    case EMR_SETVIEWPORTORGEX: dc_.ViewportOrg = ReadPoint(r); return;
    case EMR_SETPIXELV: {
      const POINT p = ReadPoint(r);
      const std::uint32_t c = ResolveColor(r.u32le());
      page_.NewPath();
      if (c != pen_color_) page_.SetRGBStrokeColor(R(c), G(c), B(c));
      if (pen_width_ != 1) page_.SetLineWidth(ScaleX);
      page_.MoveTo(mx(p.x), my(p.y));
      page_.LineTo(mx(p.x) + 0.01, my(p.y) + 0.01);
      PaintOpen();
      if (pen_width_ != 1 && pen_width_ >= 0) page_.SetLineWidth(ScaleX * pen_width_);
      if (c != pen_color_) ApplyPenColor();
      return;
    }
    case EMR_SETMAPMODE:
      dc_.MapMode = r.i32le();
      font_changed_ = true;
      return;
    case EMR_SETBKMODE: dc_.BkMode = r.i32le(); return;
    case EMR_SETPOLYFILLMODE: dc_.FillMode = r.i32le(); return;
    case EMR_SETSTRETCHBLTMODE: dc_.StretchMode = r.i32le(); return;
    case EMR_SETTEXTALIGN: dc_.TextAlign = r.u32le(); return;
    case EMR_SETTEXTCOLOR:
      dc_.TextColor = r.u32le();
      if (text_mode_) ApplyTextColor();
      return;
    case EMR_SETBKCOLOR: dc_.BkColor = r.u32le(); return;
    case EMR_MOVETOEX: {
      const POINT p = ReadPoint(r);
      cp_x_ = p.x;
      cp_y_ = p.y;
      if (in_path_) {
        SetTextMode(false);
        page_.MoveTo(mx(cp_x_), my(cp_y_));
      }
      return;
    }
    case EMR_EXCLUDECLIPRECT:
    case EMR_SETMITERLIMIT:
    case EMR_SETTEXTJUSTIFICATION: return;
    case EMR_INTERSECTCLIPRECT: {
      const RECT c = ReadRect(r);
      PushClipRect(mx(c.left), my(c.top), mx(c.right), my(c.bottom), true);
      return;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      const std::int32_t xn = r.i32le(), xd = r.i32le(), yn = r.i32le(), yd = r.i32le();
      if (xn == 0 || xd == 0 || yn == 0 || yd == 0) return;
      if (type == EMR_SCALEVIEWPORTEXTEX) {
        vp_num_x_ = xn, vp_den_x_ = xd, vp_num_y_ = yn, vp_den_y_ = yd;
        viewport_scaled_ = true;
      } else {
        win_num_x_ = xn, win_den_x_ = xd, win_num_y_ = yn, win_den_y_ = yd;
        window_scaled_ = true;
      }
      return;
    }
    case EMR_SAVEDC:
      // A bound on saved states keeps a hostile recording from growing the stack without end.
      if (saved_.size() < 4096) saved_.push_back(dc_);
      return;
    case EMR_RESTOREDC: {
      const std::int32_t n = r.i32le();
      std::size_t keep;
      if (n < 0) {
        const std::size_t back = static_cast<std::size_t>(-static_cast<std::int64_t>(n));
        if (back > saved_.size()) return;
        keep = saved_.size() - back;
      } else {
        if (n == 0 || static_cast<std::size_t>(n) > saved_.size()) return;
        keep = static_cast<std::size_t>(n) - 1;
      }
      const DcState restored = saved_[keep];
      saved_.resize(keep);
      if (clip_active_) {
        SetTextMode(false);
        PopClip();
      }
      dc_ = restored;
      ReadTransform();
      if (text_mode_) ApplyTextColor();
      ApplyDcObjects();
      return;
    }
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
      XForm x;
      x.M11 = r.f32le();
      x.M12 = r.f32le();
      x.M21 = r.f32le();
      x.M22 = r.f32le();
      x.Dx = r.f32le();
      x.Dy = r.f32le();
      auto combine = [](const XForm& a, const XForm& b) {
        XForm e;
        e.M11 = a.M11 * b.M11 + a.M12 * b.M21;
        e.M12 = a.M11 * b.M12 + a.M12 * b.M22;
        e.M21 = a.M21 * b.M11 + a.M22 * b.M21;
        e.M22 = a.M21 * b.M12 + a.M22 * b.M22;
        e.Dx = a.Dx * b.M11 + a.Dy * b.M21 + b.Dx;
        e.Dy = a.Dx * b.M12 + a.Dy * b.M22 + b.Dy;
        return e;
      };
      if (type == EMR_SETWORLDTRANSFORM) {
        dc_.Transform = x;
      } else {
        switch (r.u32le()) {
          case 1: dc_.Transform = XForm{}; break;
          case 2: dc_.Transform = combine(x, dc_.Transform); break;
          case 3: dc_.Transform = combine(dc_.Transform, x); break;
          case 4: dc_.Transform = x; break;
          default: return;
        }
      }
      ReadTransform();
      return;
    }
    case EMR_SELECTOBJECT: SelectObjectIndex(r.u32le()); return;
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN: {
      const std::uint32_t index = r.u32le();
      if (type == EMR_EXTCREATEPEN) r.skip(16);  // the pattern bitmap's offsets and sizes
      // Both records then hold style, width, one unused word (the width's y, or the brush style)
      // and the colour.
      Object o;
      o.Type = Object::Kind::Pen;
      o.pen.Style = static_cast<int>(r.u32le() & 0xF);
      o.pen.Width = r.i32le();
      r.skip(4);
      o.pen.Color = r.u32le();
      CreateObject(index, o);
      return;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      const std::uint32_t index = r.u32le();
      Object o;
      o.Type = Object::Kind::Brush;
      o.brush.Style = r.u32le();
      o.brush.Color = r.u32le();
      CreateObject(index, o);
      return;
    }
    case EMR_DELETEOBJECT: {
      const std::uint32_t index = r.u32le();
      if (index < HandleTable.size()) HandleTable[index].reset();
      return;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      const std::uint32_t index = r.u32le();
      Object o;
      o.Type = Object::Kind::Font;
      o.font = gdi::EmfWriter::read_logfont(r);
      CreateObject(index, o);
      return;
    }
    case EMR_ANGLEARC: {
      const POINT c = ReadPoint(r);
      const std::uint32_t radius = r.u32le();
      const double start = r.f32le(), sweep = r.f32le();
      const double rad = static_cast<double>(radius);
      const double s = start * kPi / 180, e = (start + sweep) * kPi / 180;
      page_.MoveTo(mx(cp_x_), my(cp_y_));
      page_.LineTo(mx(c.x + rad * std::cos(s)), my(c.y - rad * std::sin(s)));
      if (std::fabs(sweep) >= 360)
        page_.Ellipse(mx(c.x - rad), my(c.y - rad), mx(c.x + rad), my(c.y + rad));
      else
        page_.ArcByAngles(mx(c.x - rad), my(c.y - rad), mx(c.x + rad), my(c.y + rad), start, start + sweep);
      cp_x_ = std::lround(c.x + rad * std::cos(e));
      cp_y_ = std::lround(c.y - rad * std::sin(e));
      PaintOpen();
      return;
    }
    case EMR_ELLIPSE: {
      const RECT b = ReadRect(r);
      page_.Ellipse(mx(b.left), my(b.top), mx(b.right), my(b.bottom));
      PaintShape();
      return;
    }
    case EMR_RECTANGLE: {
      const RECT b = ReadRect(r);
      if (b.left == b.right || b.top == b.bottom) {
        if (!in_path_) page_.NewPath();
        return;
      }
      page_.Rectangle(mx(b.left), my(b.top), mx(b.right), my(b.bottom));
      PaintShape();
      return;
    }
    case EMR_ROUNDRECT: {
      const RECT b = ReadRect(r);
      const POINT corner = ReadPoint(r);
      page_.RoundRect(static_cast<int>(std::lround(mx(b.left))), static_cast<int>(std::lround(my(b.top))),
                      static_cast<int>(std::lround(mx(b.right))), static_cast<int>(std::lround(my(b.bottom))),
                      static_cast<int>(std::lround(corner.x * ExtentRatioX() * std::fabs(M11) * ScaleX)),
                      static_cast<int>(std::lround(corner.y * ExtentRatioY() * std::fabs(M22) * ScaleY)));
      PaintShape();
      return;
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
      const RECT b = ReadRect(r);
      POINT p1 = ReadPoint(r), p2 = ReadPoint(r);
      const bool clockwise = dc_.ArcDirection != AD_COUNTERCLOCKWISE;
      if (type == EMR_PIE) {
        page_.Pie(mx(b.left), my(b.top), mx(b.right), my(b.bottom), mx(p1.x), my(p1.y), mx(p2.x), my(p2.y));
        PaintClosed();
        return;
      }
      const POINT s = p1, e = p2;
      if (clockwise) std::swap(p1, p2);
      if (type == EMR_ARCTO) {
        // The ellipse's points on the rays from its centre through the start and end points.
        const double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
        const double rx = (b.right - b.left) / 2.0, ry = (b.bottom - b.top) / 2.0;
        auto on_ellipse = [&](POINT p, double& ox, double& oy) {
          const double a = std::atan2(-(p.y - cy) * rx, (p.x - cx) * ry);
          ox = cx + rx * std::cos(a);
          oy = cy - ry * std::sin(a);
        };
        double sx, sy, ex, ey;
        on_ellipse(s, sx, sy);
        on_ellipse(e, ex, ey);
        page_.MoveTo(mx(cp_x_), my(cp_y_));
        page_.LineTo(mx(sx), my(sy));
        page_.ArcByPoints(mx(b.left), my(b.top), mx(b.right), my(b.bottom), mx(p1.x), my(p1.y), mx(p2.x), my(p2.y));
        cp_x_ = ex;
        cp_y_ = ey;
        PaintOpen();
        return;
      }
      const TRealPoint start =
          page_.ArcByPoints(mx(b.left), my(b.top), mx(b.right), my(b.bottom), mx(p1.x), my(p1.y), mx(p2.x), my(p2.y));
      if (type == EMR_CHORD) {
        page_.LineTo(start.X, start.Y);
        PaintClosed();
      } else {
        PaintOpen();
      }
      return;
    }
    case EMR_LINETO: {
      const POINT p = ReadPoint(r);
      if (!in_path_) page_.MoveTo(mx(cp_x_), my(cp_y_));
      page_.LineTo(mx(p.x), my(p.y));
      cp_x_ = p.x;
      cp_y_ = p.y;
      PaintOpen();
      return;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
      ReadRect(r);
      const std::uint32_t count = r.u32le();
      const bool small = type == EMR_POLYDRAW16;
      const auto pts = ReadPoints(r, count, small);
      if (count > r.remaining()) throw core::TruncatedInput("Metafile record too short");
      std::vector<std::uint8_t> kinds(count);
      for (auto& k : kinds) k = r.u8();
      if (small) {
        page_.SetLineCap(2);
        page_.SetLineJoin(2);
      }
      if (!in_path_) page_.NewPath();
      page_.MoveTo(mx(cp_x_), my(cp_y_));
      double fx = cp_x_, fy = cp_y_;
      for (std::size_t i = 0; i < pts.size(); ++i) {
        const int kind = kinds[i] & 6;
        if (kind == 6) {
          page_.MoveTo(mx(pts[i].x), my(pts[i].y));
          fx = pts[i].x;
          fy = pts[i].y;
          cp_x_ = fx;
          cp_y_ = fy;
        } else if (kind == 2) {
          page_.LineTo(mx(pts[i].x), my(pts[i].y));
          cp_x_ = pts[i].x;
          cp_y_ = pts[i].y;
        } else if (kind == 4 && i + 2 < pts.size()) {
          page_.CurveTo(mx(pts[i].x), my(pts[i].y), mx(pts[i + 1].x), my(pts[i + 1].y), mx(pts[i + 2].x),
                        my(pts[i + 2].y));
          i += 2;
          cp_x_ = pts[i].x;
          cp_y_ = pts[i].y;
        }
        if (kinds[i] & 1) {
          page_.LineTo(mx(fx), my(fy));
          cp_x_ = fx;
          cp_y_ = fy;
        }
      }
      PaintOpen();
      if (small) page_.SetLineCap(1);
      return;
    }
    case EMR_SETARCDIRECTION: dc_.ArcDirection = r.i32le(); return;
    case EMR_BEGINPATH:
      in_path_ = true;
      page_.NewPath();
      page_.MoveTo(mx(cp_x_), my(cp_y_));
      return;
    case EMR_ENDPATH: in_path_ = false; return;
    case EMR_CLOSEFIGURE: page_.ClosePath(); return;
    case EMR_FILLPATH:
      in_path_ = false;
      if (!null_brush_) page_.Fill();
      page_.NewPath();
      return;
    case EMR_STROKEANDFILLPATH:
      in_path_ = false;
      PaintClosed();
      page_.NewPath();
      return;
    case EMR_STROKEPATH:
      in_path_ = false;
      PaintOpen();
      page_.NewPath();
      return;
    case EMR_SELECTCLIPPATH:
      PopClip();
      page_.SaveState();
      clip_active_ = true;
      page_.Clip();
      stored_clip_ = false;
      page_.NewPath();
      in_path_ = false;
      return;
    case EMR_ABORTPATH:
      page_.NewPath();
      in_path_ = false;
      return;
    case EMR_FILLRGN: {
      ReadRect(r);
      const std::uint32_t cb = r.u32le();
      const std::uint32_t brush = r.u32le();
      if (cb < 32 || cb > r.remaining()) return;
      r.skip(8);
      const std::uint32_t count = r.u32le();
      r.skip(20);
      if (count > (cb - 32) / 16) throw core::Error("Region rectangles exceed the region data");
      if (brush < HandleTable.size() && HandleTable[brush] && HandleTable[brush]->Type == Object::Kind::Brush &&
          HandleTable[brush]->brush.Style != BS_NULL)
        SetFillColor(ResolveColor(HandleTable[brush]->brush.Color), false);
      page_.NewPath();
      for (std::uint32_t i = 0; i < count; ++i) {
        const RECT c = ReadRect(r);
        page_.Rectangle(c.left * ScaleX, c.top * ScaleY, c.right * ScaleX, c.bottom * ScaleY);
      }
      if (!null_brush_) page_.Fill();
      page_.NewPath();
      ApplyBrushColor(false);
      return;
    }
    case EMR_EXTSELECTCLIPRGN: {
      const std::uint32_t cb = r.u32le();
      r.u32le();  // mode
      if (viewport_scaled_ || window_scaled_) return;
      PopClip();
      if (cb < 32 || cb > r.remaining()) return;
      r.skip(8);
      const std::uint32_t count = r.u32le();
      r.skip(20);
      if (count > (cb - 32) / 16) throw core::Error("Region rectangles exceed the region data");
      page_.SaveState();
      page_.NewPath();
      clip_active_ = true;
      stored_clip_ = false;
      for (std::uint32_t i = 0; i < count; ++i) {
        const RECT c = ReadRect(r);
        page_.Rectangle(c.left * ScaleX, c.top * ScaleY, c.right * ScaleX, c.bottom * ScaleY);
      }
      page_.Clip();
      page_.NewPath();
      return;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_TRANSPARENTBLT:
    case EMR_ALPHABLEND: {
      const RECT bounds = ReadRect(r);
      const std::int32_t xd = r.i32le(), yd = r.i32le(), cxd = r.i32le(), cyd = r.i32le();
      const std::uint32_t rop = r.u32le();
      const std::int32_t xs = r.i32le(), ys = r.i32le();
      r.skip(24 + 4 + 4);
      const std::uint32_t off_bmi = r.u32le(), cb_bmi = r.u32le(), off_bits = r.u32le(), cb_bits = r.u32le();
      std::int32_t cxs = cxd, cys = cyd;
      if (type == EMR_STRETCHBLT || type == EMR_TRANSPARENTBLT || type == EMR_ALPHABLEND) {
        cxs = r.i32le();
        cys = r.i32le();
      }
      if (type == EMR_BITBLT) {
        static const std::uint32_t kAllowed[] = {BLACKNESS, NOTSRCERASE, NOTSRCCOPY, SRCERASE,   DSTINVERT,
                                                 PATINVERT, SRCINVERT,   SRCAND,     MERGEPAINT, MERGECOPY,
                                                 SRCCOPY,   SRCPAINT,    PATCOPY,    PATPAINT,   WHITENESS};
        if (std::find(std::begin(kAllowed), std::end(kAllowed), rop) == std::end(kAllowed)) return;
      }
      const bool was_text = text_mode_;
      SetTextMode(false);
      bool mono = false;
      std::optional<Bitmap> src = ReadDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, mono);
      if (!src || (type == EMR_ALPHABLEND && (cxs < 1 || cys < 1))) {
        if (cxd == 0 || cyd == 0) {
          page_.NewPath();
        } else {
          // Without a source the brush fills, except where the operation fixes the colour.
          if (rop == BLACKNESS)
            SetFillColor(0, false);
          else if (rop == WHITENESS)
            SetFillColor(0xFFFFFF, false);
          else
            ApplyBrushColor(false);
          page_.Rectangle(mx(xd), my(yd), mx(xd + cxd), my(yd + cyd));
          page_.Fill();
          ApplyBrushColor(false);
        }
      } else {
        Bitmap b;
        if (type == EMR_BITBLT || type == EMR_MASKBLT) {
          b = Crop(*src, xs, ys, cxd, cyd);
          ApplyRop(b, type == EMR_MASKBLT ? (rop & 0xFFFFFF) : rop, brush_color_);
        } else {
          b = Crop(*src, xs, ys, cxs, cys);
          if (type == EMR_STRETCHBLT) {
            ApplyRop(b, rop, brush_color_);
          } else if (type == EMR_ALPHABLEND) {
            // Blended onto a white bitmap with the blend function's constant alpha; the bits are read
            // as colour only, so a per-pixel alpha channel does not take part.
            const unsigned constant = (rop >> 16) & 0xFF;
            for (int y = 0; y < b.height(); ++y)
              for (int x = 0; x < b.width(); ++x) {
                const Pixel p = b.pixel(x, y);
                auto blend = [&](unsigned c) { return (c * constant + 255 * (255 - constant) + 127) / 255; };
                b.set_pixel(x, y, (blend((p >> 16) & 0xFF) << 16) | (blend((p >> 8) & 0xFF) << 8) | blend(p & 0xFF));
              }
          }
        }
        PlaceByBounds(b, mono, bounds);
      }
      if (was_text) text_mode_ = true;
      return;
    }
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS: {
      const RECT bounds = ReadRect(r);
      const std::int32_t xd = r.i32le(), yd = r.i32le(), xs = r.i32le(), ys = r.i32le(), cxs = r.i32le(),
                         cys = r.i32le();
      const std::uint32_t off_bmi = r.u32le(), cb_bmi = r.u32le(), off_bits = r.u32le(), cb_bits = r.u32le();
      r.u32le();  // usage
      bool mono = false;
      std::optional<Bitmap> src = ReadDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, mono);
      if (!src) return;
      // Source rectangles of device-independent bits count their rows from the bottom.
      Bitmap b = Crop(*src, xs, src->height() - ys - cys, cxs, cys);
      if (type == EMR_SETDIBITSTODEVICE) {
        PlaceImage(b, mono, bounds.left * ScaleX, bounds.top * ScaleY, ExtentRatioX() * ScaleX * M11 * cxs,
                   ExtentRatioY() * ScaleY * M22 * cys);
        return;
      }
      const std::uint32_t rop = r.u32le();
      const std::int32_t cxd = r.i32le(), cyd = r.i32le();
      if (rop != 0xB8074A) ApplyRop(b, rop, brush_color_);
      if (bounds.right < bounds.left || bounds.bottom < bounds.top) {
        const double w = cxd * ExtentRatioX() * ScaleX * M11, h = cyd * ExtentRatioY() * ScaleY * M22;
        if (std::fabs(w) < 0.01 || std::fabs(h) < 0.01) return;
        PlaceImage(b, mono, mx(xd), my(yd), w, h);
      } else {
        PlaceByBounds(b, mono, bounds);
      }
      return;
    }
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: ExtTextOut(type, r, size); return;
    case EMR_SMALLTEXTOUT: SmallTextOut(r, size); return;
    default: return;
  }
}

}  // namespace pdf
