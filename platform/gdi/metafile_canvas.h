// The metafile canvas: a canvas whose drawing calls are recorded as enhanced-metafile records in
// memory (little-endian, 4-byte aligned records, a header with bounds, size and counts, an EOF
// record), as GDI records them for a canvas drawing into a metafile DC. The PDF writer plays the
// recording back into page operators. A twin canvas draws the same calls straight onto a device
// context, so that a recording can be compared with what the drawing layer paints.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_io.h"
#include "platform/gdi/gdi.h"

namespace platform::gdi {

// Record types of enhanced metafiles.
// clang-format off
enum : DWORD {
  EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14, EMR_SETPIXELV = 15, EMR_SETMAPPERFLAGS = 16, EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19, EMR_SETROP2 = 20, EMR_SETSTRETCHBLTMODE = 21, EMR_SETTEXTALIGN = 22,
  EMR_SETCOLORADJUSTMENT = 23, EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_OFFSETCLIPRGN = 26,
  EMR_MOVETOEX = 27, EMR_SETMETARGN = 28, EMR_EXCLUDECLIPRECT = 29, EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31, EMR_SCALEWINDOWEXTEX = 32, EMR_SAVEDC = 33, EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35, EMR_MODIFYWORLDTRANSFORM = 36, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ANGLEARC = 41, EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43, EMR_ROUNDRECT = 44, EMR_ARC = 45, EMR_CHORD = 46, EMR_PIE = 47, EMR_SELECTPALETTE = 48,
  EMR_LINETO = 54, EMR_ARCTO = 55, EMR_POLYDRAW = 56, EMR_SETARCDIRECTION = 57, EMR_SETMITERLIMIT = 58,
  EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62, EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64, EMR_FLATTENPATH = 65, EMR_WIDENPATH = 66, EMR_SELECTCLIPPATH = 67, EMR_ABORTPATH = 68,
  EMR_GDICOMMENT = 70, EMR_FILLRGN = 71, EMR_FRAMERGN = 72, EMR_INVERTRGN = 73, EMR_PAINTRGN = 74,
  EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76, EMR_STRETCHBLT = 77, EMR_MASKBLT = 78, EMR_PLGBLT = 79,
  EMR_SETDIBITSTODEVICE = 80, EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84, EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88, EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90, EMR_POLYPOLYGON16 = 91,
  EMR_POLYDRAW16 = 92, EMR_CREATEMONOBRUSH = 93, EMR_CREATEDIBPATTERNBRUSHPT = 94, EMR_EXTCREATEPEN = 95,
  EMR_POLYTEXTOUTA = 96, EMR_POLYTEXTOUTW = 97, EMR_SMALLTEXTOUT = 108, EMR_ALPHABLEND = 114,
  EMR_TRANSPARENTBLT = 116, EMR_SETTEXTJUSTIFICATION = 120,
};
// clang-format on

inline constexpr DWORD kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr std::size_t kEmfHeaderSize = 108;
inline constexpr DWORD GM_COMPATIBLE = 1, GM_ADVANCED = 2;
inline constexpr UINT ETO_GLYPH_INDEX = 0x10, ETO_NO_RECT = 0x100, ETO_SMALL_CHARS = 0x200;
inline constexpr DWORD STOCK_OBJECT = 0x80000000;

// Builds a metafile record by record. Each record is its type, its size and a payload that the
// writer pads to a multiple of 4 bytes; the header is written at the end, when bounds, sizes and
// counts are known.
class EmfWriter {
 public:
  // Appends a record; `payload` excludes the type and size fields.
  void add(DWORD type, const core::Bytes& payload);
  // Widens the bounds of what was drawn (inclusive device pixels).
  void include(const RECT& inclusive);
  void include_points(const POINT* points, std::size_t count, int pen_width);
  // The handle table's size: highest object index used + 1.
  void use_handle(DWORD index);
  std::size_t record_count() const { return records_ + 2; }
  // Header (with rclBounds (0,0,-1,-1) when nothing was drawn), the records and EOF. The frame is
  // the reference size in 0.01 mm.
  std::vector<std::uint8_t> finish(int width, int height, int dpi_x, int dpi_y) const;

  // Payload helpers.
  static void rectl(core::ByteWriter& w, const RECT& r);
  static void pointl(core::ByteWriter& w, POINT p);
  // The LOGFONTW part (92 bytes) followed by the empty full name, style and PANOSE fields that GDI
  // records (320 bytes in all).
  static void logfont(core::ByteWriter& w, const LOGFONT& lf);
  // Reads the LOGFONTW part back (the face ends at its first NUL); the reader stands after it.
  static LOGFONT read_logfont(core::ByteReader& r);
  // A BITMAPINFOHEADER and bottom-up rows of a bitmap: 1 bit with a two-entry palette for a 1-bit
  // bitmap, 24 bits otherwise.
  static void dib(const Bitmap& bitmap, core::Bytes& info, core::Bytes& bits);

 private:
  core::Bytes body_;
  std::size_t records_ = 0;
  DWORD handles_ = 1;
  bool drawn_ = false;
  RECT bounds_{0, 0, -1, -1};
};

// What a canvas draws with. Height is derived from Size at the canvas's resolution.
struct CanvasFont {
  std::string Name = "Arial";  // UTF-8
  int Size = 8;                // points
  BYTE Charset = DEFAULT_CHARSET;
  COLORREF Color = 0;
  unsigned Style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};
struct CanvasPen {
  COLORREF Color = 0;
  int Width = 1;
  int Style = PS_SOLID;
  friend bool operator==(const CanvasPen&, const CanvasPen&) = default;
};
struct CanvasBrush {
  COLORREF Color = 0xFFFFFF;
  UINT Style = BS_SOLID;  // BS_NULL: shapes are not filled and text has a transparent background
  int Hatch = HS_HORIZONTAL;  // the lines of a BS_HATCHED brush (drawn over a transparent background)
  friend bool operator==(const CanvasBrush&, const CanvasBrush&) = default;
};

// The drawing calls of a canvas. Coordinates are pixels of the canvas's resolution; texts are UTF-8.
class Canvas {
 public:
  explicit Canvas(int dpi_y) : dpi_y_(dpi_y) {}
  virtual ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  CanvasFont Font;
  CanvasPen Pen;
  CanvasBrush Brush;

  // Text at its top-left corner; the current position moves to its right end.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void RoundRect(int left, int top, int right, int bottom, int corner_w, int corner_h) = 0;
  virtual void Polygon(const std::vector<POINT>& points) = 0;
  virtual void Polyline(const std::vector<POINT>& points) = 0;
  // Fills with the brush, without an outline.
  virtual void FillRect(const RECT& r) = 0;
  // A bitmap at its natural size, or stretched to the rectangle.
  virtual void Draw(int x, int y, const Bitmap& bitmap) = 0;
  virtual void StretchDraw(const RECT& r, const Bitmap& bitmap) = 0;

  // Text measures of the current font (pixels).
  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);
  // The font as a LOGFONT at the canvas's resolution.
  LOGFONT LogFont() const;

 protected:
  // A memory DC with the current font selected, for measuring.
  HDC MeasureDC();
  // Per-character advances of the text as GDI draws it (one per UTF-16 unit).
  std::vector<int> Advances(std::u16string_view text);

  int dpi_y_;

 private:
  HDC measure_dc_ = nullptr;
  HFONT measure_font_ = nullptr;
  CanvasFont measured_{};
  bool measured_valid_ = false;
};

// Records into memory. The objects the calls need are realised as GDI does for a canvas: a changed
// font, pen or brush is created, selected, and the one it replaces deleted.
class MetafileCanvas : public Canvas {
 public:
  MetafileCanvas(int width, int height, int dpi_x = 96, int dpi_y = 96);
  ~MetafileCanvas() override;

  void TextOut(int x, int y, std::string_view text) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void RoundRect(int left, int top, int right, int bottom, int corner_w, int corner_h) override;
  void Polygon(const std::vector<POINT>& points) override;
  void Polyline(const std::vector<POINT>& points) override;
  void FillRect(const RECT& r) override;
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void StretchDraw(const RECT& r, const Bitmap& bitmap) override;

  // The finished metafile; the canvas records nothing after it.
  std::vector<std::uint8_t> Finish();
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  enum Slot { kFont, kPen, kBrush };
  void RealizeFont();
  void RealizePen();
  void RealizeBrush();
  DWORD NewHandle();
  void Replace(Slot slot, DWORD handle);
  void Simple(DWORD type, DWORD value);
  void Shape(DWORD type, const RECT& box, const POINT* corner);
  void Points(DWORD type, const std::vector<POINT>& points);
  void Bits(const RECT& dest, const Bitmap& bitmap);

  EmfWriter writer_;
  int width_, height_, dpi_x_;
  bool finished_ = false;
  std::vector<bool> used_{true};  // index 0 is reserved
  DWORD selected_[3] = {0, 0, 0};
  bool font_valid_ = false, pen_valid_ = false, brush_valid_ = false;
  CanvasFont font_{};
  CanvasPen pen_{};
  CanvasBrush brush_{};
  POINT position_{};
};

// Plays a metafile's records onto `dc` with the picture's logical (0, 0) at `origin`, unscaled (the
// layer has no mapping modes). The objects the records make live in the playback's handle table
// and are deleted at its end; the DC's own state comes back. Answers FALSE when the bytes are no
// enhanced metafile. A damaged record ends the playback there (what was drawn stays); records of
// kinds the playback does not draw are passed over.
BOOL PlayEnhMetaFile(HDC dc, std::span<const std::uint8_t> emf, POINT origin = {});

// Draws the same calls straight onto a device context (the caller's).
class DcCanvas : public Canvas {
 public:
  explicit DcCanvas(HDC dc, int dpi_y = 96);
  ~DcCanvas() override;

  void TextOut(int x, int y, std::string_view text) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void RoundRect(int left, int top, int right, int bottom, int corner_w, int corner_h) override;
  void Polygon(const std::vector<POINT>& points) override;
  void Polyline(const std::vector<POINT>& points) override;
  void FillRect(const RECT& r) override;
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void StretchDraw(const RECT& r, const Bitmap& bitmap) override;

 private:
  void Apply(bool font, bool pen, bool brush);

  HDC dc_;
  HFONT font_ = nullptr;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  HGDIOBJ old_font_ = nullptr, old_pen_ = nullptr, old_brush_ = nullptr;
};

}  // namespace platform::gdi
