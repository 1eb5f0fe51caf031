// TPDFPage: one page of a document. It collects the content stream one operator per line,
// converts page units (Resolution dots per inch, origin top-left, y down) to PDF points, carries
// the metafile canvas callers draw on, and writes the page's objects.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/format.h"
#include "pdf/page_canvas.h"
#include "pdf/resources.h"
#include "platform/gdi/gdi_types.h"

namespace pdf {

class TPDFDocument;
class TPDFPages;
class TPDFTextFont;

// Font style bits of the page's text state.
enum TFontStyleBit : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TPDFPage {
public:
  explicit TPDFPage(TPDFDocument& document);
  ~TPDFPage();
  TPDFPage(const TPDFPage&) = delete;
  TPDFPage& operator=(const TPDFPage&) = delete;

  TPDFDocument& Document() { return document_; }

  // --- content ----------------------------------------------------------------------------
  void AppendOperator(std::string_view s);
  void SaveState();
  void RestoreState();
  void NewPath();
  void ClosePath();
  void Stroke();
  void Fill();
  void EoFill();
  void FillAndStroke();
  void EoFillAndStroke();
  void Clip();

  void MoveToPt(double x, double y);
  void LineToPt(double x, double y);
  void CurveToPt(double x1, double y1, double x2, double y2, double x3, double y3);
  void RectanglePt(double x, double y, double w, double h);
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Rectangle(double x1, double y1, double x2, double y2);
  void EllipsePt(double x1, double y1, double x2, double y2);
  void Ellipse(double x1, double y1, double x2, double y2);
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
  void ArcSegmentPt(bool move_first, double cx, double cy, double rx, double ry, double phi, double theta);
  void ArcByAnglesPt(TRealPoint& start, double x1, double y1, double x2, double y2, double begin, double end);
  void ArcByPointsPt(TRealPoint& start, double x1, double y1, double x2, double y2, double x3, double y3,
                     double x4, double y4);
  TRealPoint ArcByAngles(double x1, double y1, double x2, double y2, double a1, double a2);
  TRealPoint ArcByPoints(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                         double y4);
  void PiePt(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  void Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  void RotatedRectPt(double x, double y, double l, double t, double angle);

  void Concat(double a, double b, double c, double d, double e, double f);
  void Translate(double x, double y);
  void Rotate(double angle);
  void SetLineWidth(double w);
  void SetDash(const std::string& pattern);
  void NoDash();
  void SetLineCap(int n);
  void SetLineJoin(int n);
  void SetRGBFillColor(double r, double g, double b);
  void SetRGBStrokeColor(double r, double g, double b);
  void DrawImagePt(int index, double x, double y, double w, double h, double angle);
  void DrawImage(int index, double x, double y, double w, double h, double angle);

  // --- text state (the text operators build on these) -------------------------------------
  void SetActiveFont(const std::string& name, unsigned style, double size, int charset);
  void SetBaselineOrigin(bool flag) { baseline_ = flag; }
  void BeginText();
  void EndText();
  // Selects the 8-bit (false) or the 16-bit (true) font of the text state when needed.
  void SelectFont(bool unicode);
  void SetTextMatrix(double x, double y, double angle);
  void SetCharacterSpacing(double x);
  void SetCharSpacingPt(double x);
  void SetWordSpacing(double x);
  void SetHorizontalScaling(double percent);

  // Text at the current text matrix. Advances are in em, one per character (missing ones: the
  // natural width); 8-bit text is read in the text state's character set.
  void ShowText(std::string_view text);
  void ShowTextW(std::u16string_view text);
  void ShowTextAdvances(std::string_view text, const std::vector<double>& advances);
  void ShowTextAdvancesW(std::u16string_view text, const std::vector<double>& advances);
  // Glyph identifiers of the 16-bit font; no advances: the glyphs' own widths.
  void ShowGlyphs(const std::vector<std::uint16_t>& glyphs, const std::vector<double>* advances);
  void TextAtPt(double x, double y, double angle, std::string_view text);
  void TextAtPtW(double x, double y, double angle, std::u16string_view text);
  void TextAdvancesAtPt(double x, double y, double angle, std::string_view text, const std::vector<double>& advances);
  void TextAdvancesAtPtW(double x, double y, double angle, std::u16string_view text,
                         const std::vector<double>& advances);
  void GlyphsAtPt(double x, double y, double angle, const std::vector<std::uint16_t>& glyphs,
                  const std::vector<double>* advances);

  // Text at a position in page units: its top-left corner (its baseline with the baseline flag).
  // Advances, when given, are in page units, one per character.
  void DrawText(double x, double y, double angle, std::string_view text);
  void DrawTextW(double x, double y, double angle, std::u16string_view text);
  void DrawTextAdvances(double x, double y, double angle, std::string_view text, const std::vector<float>* advances);
  void DrawTextAdvancesW(double x, double y, double angle, std::u16string_view text,
                         const std::vector<float>* advances);
  void DrawGlyphs(double x, double y, double angle, const std::vector<std::uint16_t>& glyphs,
                  const std::vector<float>* advances);

  double TextWidthPt(std::string_view text);
  double TextWidthPtW(std::u16string_view text);
  double TextWidth(std::string_view text) { return TextWidthPt(text) * scale_; }
  double TextWidthW(std::u16string_view text) { return TextWidthPtW(text) * scale_; }
  double TextAscent();
  void DrawTextDecoration(double width);

  // --- size, orientation, coordinates -----------------------------------------------------
  void SetSizePreset(int n);
  void SetOrientation(int o);
  void SetRotation(int code) { rotation_ = code; }
  double ToPointsX(double x);
  double ToPointsY(double y);
  double FromPointsX(double x);
  double FromPointsY(double y);

  // --- canvas and writing -----------------------------------------------------------------
  void CreateCanvas();
  // Replays the recorded canvas into operators (recording first, then the page's own lines).
  void ClosePage();
  void DropCanvas();
  // Moves the content so far out of memory until the page is written (nothing without a spool).
  void SpoolContent();
  void WritePage();
  TMetafileCanvas* Canvas() const { return canvas_.get(); }
  void MarkCanvasHandedOut() { canvas_handed_out_ = true; }
  bool CanvasHandedOut() const { return canvas_handed_out_; }

  // --- forms and thumbnail ----------------------------------------------------------------
  // The watermark form (an index into the document's watermark pages) drawn first on this page, or
  // -1 for none; "Out of range" for an index the document does not have.
  void SetWatermark(int index);
  int Watermark() const { return watermark_; }
  // The document image shown as this page's thumbnail, or -1 for none; "Out of range" likewise.
  void SetThumbnail(int image_index);
  int Thumbnail() const { return thumbnail_; }
  // A new form page of this page's size, written with this page and listed in its resources as
  // "/IF" + its index; the content places it with "/IF<index> Do". It has a canvas of its own.
  TPDFPage* AddSubForm();
  TPDFPages& SubForms() { return *sub_forms_; }
  // The matrix a form page is written with (form space to the space of the content that shows it).
  void SetFormMatrix(double a, double b, double c, double d, double e, double f) { form_matrix_ = {a, b, c, d, e, f}; }

  // --- resources the text, image and annotation parts add to ------------------------------
  void AddFont(TPDFFont* font);
  void AddAnnotation(std::unique_ptr<TPDFCustomAnnotation> annotation);
  const std::vector<TPDFFont*>& PageFonts() const { return fonts_; }
  const std::vector<TPDFImage*>& PageImages() const { return images_; }
  int AnnotationCount() const { return static_cast<int>(annotations_.size()); }

  // --- state read by tests and by the text and playback parts -----------------------------
  // The content text: every line followed by CR LF (since the content was spooled, only what
  // came after).
  const std::string& Content() const { return content_; }
  int ObjectNumber() const { return object_number_; }
  int ResourcesNumber() const { return resources_number_; }
  int ContentsNumber() const { return contents_number_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int SizePreset() const { return size_preset_; }
  int Rotation() const { return rotation_; }
  int Orientation() const { return orientation_; }
  double Scale() const { return scale_; }
  int StateDepth() const { return depth_; }
  bool TextObjectOpen() const { return text_open_; }
  bool PathOpen() const { return path_open_; }
  bool MetafileFirst = true;
  bool IsFormPage = false;
  bool UsesText = false;
  bool UsesGrayImage = false;
  bool UsesColorImage = false;

  // Text state; the text operators read and update it.
  std::string FontName = "Helvetica";
  unsigned FontStyle = 0;
  double FontSize = 8;
  int FontCharset = 0;
  bool FontChanged = true;
  int FontMode = 0;
  int FontDepth = 0;
  TPDFFont* SelectedFont = nullptr;
  double HorizontalScaling = 100;
  double CharacterSpacing = 0;
  double WordSpacing = 0;
  int RenderingMode = 0;
  bool Baseline() const { return baseline_; }
  double TextX = 0;
  double TextY = 0;
  double TextAngle = 0;

private:
  void Line(std::string_view s);
  void PrepareResources();
  // Length, filter, stream data keyed with the object number, end of stream and object; empties the
  // content.
  void WriteContentStream(int key_number);
  TPDFTextFont* Font8();
  TPDFTextFont* Font16();
  TPDFTextFont* Selected() const;
  // Selects the single-byte font for `text` (no-break spaces become spaces where the font is
  // embedded) and marks its characters used.
  TPDFTextFont* SelectWinAnsiFont(std::string& text);
  // A width of `units` thousandths of the font size, with the scaling and the spacing of `chars`
  // characters and `blanks` word breaks, in points.
  double SpacedWidthPt(double units, int chars, int blanks) const;
  // Where a text whose top-left corner is at (x, y) starts its baseline, in points; answers the
  // ascent.
  double TextOriginPt(double x, double y, double angle, double& px, double& py);
  std::u16string ConvertText(std::string_view text) const;
  void ShowRunsW(const std::u16string& text, const std::vector<double>& advances,
                 const std::vector<std::uint16_t>* glyphs);
  void MakeLinks(double x, double y, double a, const std::string& low, const std::vector<float>* advances,
                 const std::function<double(std::size_t, std::size_t)>& width);

  TPDFDocument& document_;
  std::string content_;
  // Content moved to the document's spool: where it lies there and its length.
  std::uint64_t spooled_at_ = 0;
  std::size_t spooled_size_ = 0;
  std::vector<std::unique_ptr<TPDFCustomAnnotation>> annotations_;
  std::array<double, 6> form_matrix_{1, 0, 0, 1, 0, 0};
  std::unique_ptr<TPDFPages> sub_forms_;
  int watermark_ = -1;
  int thumbnail_ = -1;
  int resolution_ = 72;
  double scale_ = 1;
  bool canvas_handed_out_ = false;
  int height_ = 0;
  int width_ = 0;
  int size_preset_ = 0;
  int rotation_ = 0;
  std::vector<TPDFFont*> fonts_;
  std::vector<TPDFImage*> images_;
  int resources_number_ = 0;
  int object_number_ = 0;
  int contents_number_ = 0;
  std::string dash_ = "[] 0";
  int depth_ = 0;
  int orientation_ = 0;
  bool coordinates_used_ = false;
  bool text_open_ = false;
  bool baseline_ = false;
  bool path_open_ = false;
  std::unique_ptr<TMetafileCanvas> canvas_;
};

class TPDFPages {
public:
  // The pages of a form list are form pages: written as form XObjects instead of pages.
  explicit TPDFPages(TPDFDocument& document, bool form_list = false) : document_(document), form_list_(form_list) {}
  TPDFPage* Add();
  void Clear() { pages_.clear(); }
  int Count() const { return static_cast<int>(pages_.size()); }
  TPDFPage* Items(int index) const { return pages_.at(static_cast<std::size_t>(index)).get(); }
  int IndexOf(const TPDFPage* page) const;

private:
  TPDFDocument& document_;
  bool form_list_;
  std::vector<std::unique_ptr<TPDFPage>> pages_;
};

// Rounds a*b/c to the nearest integer; -1 for c = 0 or an overflow.
using platform::gdi::MulDiv;

}  // namespace pdf
