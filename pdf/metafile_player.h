// Metafile playback: a page's canvas recording (enhanced-metafile records) is played record by
// record into the page's path, colour, clipping, text and image operations. A small device-context
// emulator keeps what GDI would keep for the recording (objects, saved states, mapping, transform),
// and the drawing layer answers the text-metric questions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "pdf/page_canvas.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/metafile_canvas.h"

namespace pdf {

class TPDFDocument;
class TPDFPage;

// The page canvas callers draw on: a metafile recorder at the reference resolution.
class TPDFCanvas final : public TMetafileCanvas, public platform::gdi::MetafileCanvas {
 public:
  TPDFCanvas(int width, int height, const ReferenceDeviceContext& dc)
      : platform::gdi::MetafileCanvas(width, height, dc.LogPixelsX, dc.LogPixelsY) {}
  std::vector<std::uint8_t> EndRecording() override { return Finish(); }
};

// The canvas of the document's current page (nil without one); marks it handed out.
platform::gdi::Canvas* PageCanvas(TPDFDocument& document);

// The recorder and the player, as documents take them.
PageCanvasSupport MetafileCanvasSupport();

class TEMWParser : public TMetafilePlayer {
 public:
  explicit TEMWParser(TPDFPage& page);
  ~TEMWParser() override;
  TEMWParser(const TEMWParser&) = delete;
  TEMWParser& operator=(const TEMWParser&) = delete;

  // Checks the header and that the records chain to the end; core::Error "Invalid metafile data"
  // otherwise.
  void LoadMetafile(std::vector<std::uint8_t> metafile) override;
  void GetSize(int& width, int& height) override;
  void Execute() override;

  struct Pen {
    int Style = 0;
    int Width = 1;
    std::uint32_t Color = 0;
  };
  struct Brush {
    unsigned Style = 0;
    std::uint32_t Color = 0xFFFFFF;
  };
  struct Object {
    enum class Kind { Pen, Brush, Font } Type = Kind::Pen;
    Pen pen;
    Brush brush;
    platform::gdi::LOGFONT font;
  };
  struct XForm {
    double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
  };
  // What SaveDC keeps and RestoreDC brings back.
  struct DcState {
    int MapMode = 1;
    int BkMode = 2;
    std::uint32_t TextColor = 0;
    std::uint32_t BkColor = 0xFFFFFF;
    int FillMode = 1;
    unsigned TextAlign = 0;
    int ArcDirection = 1;
    int StretchMode = 1;
    platform::gdi::POINT WindowOrg, ViewportOrg;
    platform::gdi::SIZE WindowExt{1, 1}, ViewportExt{1, 1};
    XForm Transform;
    Pen CurrentPen;
    Brush CurrentBrush{0, 0xFFFFFF};
    platform::gdi::LOGFONT CurrentFont;
  };

 private:
  void ResetState();
  void PlayRecord(std::uint32_t type, core::ByteReader& r, std::size_t record_offset, std::size_t record_size);

  // Coordinates.
  double PageAxis(double v, bool horizontal) const;
  double PageX(double x) const;
  double PageY(double y) const;
  double ExtentRatioX() const;
  double ExtentRatioY() const;
  void ReadTransform();

  // Colours and painting.
  static std::uint32_t ResolveColor(std::uint32_t c);
  void SetFillColor(std::uint32_t c, bool force);
  void ApplyBrushColor(bool force);
  void ApplyTextColor();
  void ApplyPenColor();
  void SetTextMode(bool on);
  void PaintOpen();
  void PaintClosed();
  void PaintShape();

  // Objects.
  void SelectPen(const Pen& pen);
  void SelectBrush(const Brush& brush);
  void SelectFont(const platform::gdi::LOGFONT& font);
  void SelectObjectIndex(std::uint32_t index);
  void ApplyDcObjects();
  void CreateObject(std::uint32_t index, Object object);

  // Clipping.
  void PopClip();
  void ReapplyAfterPop();
  void PushClipRect(double l, double t, double r, double b, bool store);

  // Text.
  void ExtTextOut(std::uint32_t type, core::ByteReader& r, std::size_t size);
  void SmallTextOut(core::ByteReader& r, std::size_t size);
  // A text record's own clip rectangle, in place of the clip region until EndTextClip, which brings
  // back the stored clip region (or none).
  void BeginTextClip(const platform::gdi::RECT& rc);
  void EndTextClip();
  void SelectFontForText();
  // Wide text with combining marks (U+0300..U+036F) composed, as glyphs of the page's Unicode font
  // with the advances of the characters each took in; false when nothing composed.
  bool ComposeDiacritics(std::u16string_view text, const std::vector<float>& advances,
                         std::vector<std::uint16_t>& glyphs, std::vector<float>& glyph_advances);
  platform::gdi::TEXTMETRIC Metrics();
  int MeasureHeight(const char16_t* text);
  int WidthOfA(int lf_width);

  // Bitmaps.
  void PlaceImage(const platform::gdi::Bitmap& bitmap, bool mono, double x, double y, double w, double h);
  void PlaceByBounds(const platform::gdi::Bitmap& bitmap, bool mono, const platform::gdi::RECT& bounds);
  std::optional<platform::gdi::Bitmap> ReadDib(std::size_t record, std::size_t size, std::uint32_t off_bmi,
                                               std::uint32_t cb_bmi, std::uint32_t off_bits, std::uint32_t cb_bits,
                                               bool& mono);

  TPDFPage& page_;
  std::vector<std::uint8_t> data_;
  bool loaded_ = false;
  platform::gdi::RECT bounds_{0, 0, -1, -1};
  std::uint32_t handle_count_ = 1;
  double ScaleX = 1, ScaleY = 1;

  DcState dc_;
  std::vector<DcState> saved_;
  std::vector<std::optional<Object>> HandleTable;

  double cp_x_ = 0, cp_y_ = 0;
  bool text_mode_ = false;
  bool in_path_ = false;
  bool clip_active_ = false;
  bool font_changed_ = true;
  std::uint32_t last_fill_ = 0;
  std::uint32_t pen_color_ = 0;
  int pen_style_ = 0;
  double pen_width_ = -1;
  std::uint32_t brush_color_ = 0xFFFFFF;
  bool null_brush_ = false;
  platform::gdi::LOGFONT font_;
  bool stored_clip_ = false;
  double clip_l_ = 0, clip_t_ = 0, clip_r_ = 0, clip_b_ = 0;
  double M11 = 1, M22 = 1, Dx = 0, Dy = 0;
  bool viewport_scaled_ = false, window_scaled_ = false;
  int vp_num_x_ = 1, vp_den_x_ = 1, vp_num_y_ = 1, vp_den_y_ = 1;
  int win_num_x_ = 1, win_den_x_ = 1, win_num_y_ = 1, win_den_y_ = 1;

  platform::gdi::HDC measure_dc_ = nullptr;
  platform::gdi::HFONT measure_font_ = nullptr;
};

}  // namespace pdf
