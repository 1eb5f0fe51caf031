#include "pdf/page.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "pdf/compression_stream.h"
#include "pdf/content_spool.h"
#include "pdf/document.h"
#include "pdf/errors.h"

namespace pdf {
namespace {

constexpr double kBezierCircle = 0.5522847498;

struct SizeEntry {
  int width;
  int height;
};
// Page-size presets 1..19 in points.
constexpr SizeEntry kSizePresets[19] = {{612, 792}, {595, 842}, {842, 1190}, {612, 1008}, {516, 728},
                                        {459, 649}, {595, 792}, {728, 1031}, {419, 595},  {612, 936},
                                        {522, 756}, {728, 1031}, {499, 708}, {323, 459},  {312, 623},
                                        {279, 540}, {279, 639}, {297, 684},  {324, 747}};

std::string Num(double v) { return FormatReal(v); }

std::string Pair(double x, double y) { return FormatReal(x) + " " + FormatReal(y); }

double Radians(double degrees) { return degrees * M_PI / 180.0; }

}  // namespace

TPDFPage::TPDFPage(TPDFDocument& document)
    : document_(document), sub_forms_(std::make_unique<TPDFPages>(document, true)) {
  resolution_ = document.Resolution;
  // A resolution of 0 or less would turn every coordinate into an infinite or negative scale.
  if (resolution_ <= 0) throw TPDFException("Out of range");
  object_number_ = document.NewObjectNumber();
  scale_ = resolution_ / 72.0;
  SetSizePreset(2);
  SetRotation(0);
  SaveState();
}

TPDFPage::~TPDFPage() = default;

void TPDFPage::Line(std::string_view s) {
  content_.append(s);
  content_.append("\r\n");
}

void TPDFPage::AppendOperator(std::string_view s) { Line(s); }

void TPDFPage::SaveState() {
  EndText();
  Line("q");
  ++depth_;
}

void TPDFPage::RestoreState() {
  if (depth_ <= 1) return;
  EndText();
  Line("Q");
  --depth_;
  if (depth_ < FontDepth) FontChanged = true;
}

void TPDFPage::NewPath() {
  EndText();
  Line("n");
}

void TPDFPage::ClosePath() {
  EndText();
  Line("h");
}

void TPDFPage::Stroke() {
  EndText();
  Line("S");
  path_open_ = false;
}

void TPDFPage::Fill() {
  EndText();
  Line("f");
  path_open_ = false;
}

void TPDFPage::EoFill() {
  EndText();
  Line("f*");
  path_open_ = false;
}

void TPDFPage::FillAndStroke() {
  EndText();
  Line("B");
  path_open_ = false;
}

void TPDFPage::EoFillAndStroke() {
  EndText();
  Line("B*");
  path_open_ = false;
}

void TPDFPage::Clip() {
  if (!path_open_) return;
  EndText();
  Line("W");
}

void TPDFPage::MoveToPt(double x, double y) {
  EndText();
  Line(Pair(x, y) + " m");
}

void TPDFPage::LineToPt(double x, double y) {
  EndText();
  Line(Pair(x, y) + " l");
}

void TPDFPage::CurveToPt(double x1, double y1, double x2, double y2, double x3, double y3) {
  EndText();
  Line(Pair(x1, y1) + " " + Pair(x2, y2) + " " + Pair(x3, y3) + " c");
}

void TPDFPage::RectanglePt(double x, double y, double w, double h) {
  EndText();
  Line(Pair(x, y) + " " + Pair(w, h) + " re");
}

void TPDFPage::MoveTo(double x, double y) {
  MoveToPt(ToPointsX(x), ToPointsY(y));
  path_open_ = true;
}

void TPDFPage::LineTo(double x, double y) {
  LineToPt(ToPointsX(x), ToPointsY(y));
  path_open_ = true;
}

void TPDFPage::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  CurveToPt(ToPointsX(x1), ToPointsY(y1), ToPointsX(x2), ToPointsY(y2), ToPointsX(x3), ToPointsY(y3));
  path_open_ = true;
}

void TPDFPage::Rectangle(double x1, double y1, double x2, double y2) {
  OrderRealRect(x1, y1, x2, y2);
  const double x = ToPointsX(x1);
  const double y = ToPointsY(y2);
  RectanglePt(x, y, ToPointsX(x2) - x, ToPointsY(y1) - y);
  path_open_ = true;
}

void TPDFPage::EllipsePt(double x1, double y1, double x2, double y2) {
  const double rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
  const double cx = x1 + rx, cy = y1 + ry;
  const double k = kBezierCircle;
  MoveToPt(cx + rx, cy);
  CurveToPt(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
  CurveToPt(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
  CurveToPt(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
  CurveToPt(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
}

void TPDFPage::Ellipse(double x1, double y1, double x2, double y2) {
  EllipsePt(ToPointsX(x1), ToPointsY(y1), ToPointsX(x2), ToPointsY(y2));
  path_open_ = true;
}

void TPDFPage::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  OrderIntRect(x1, y1, x2, y2);
  const double rx = w / 2.0, ry = h / 2.0, k = kBezierCircle;
  MoveTo(x1 + rx, y1);
  LineTo(x2 - rx, y1);
  CurveTo(x2 - rx + k * rx, y1, x2, y1 + ry - k * ry, x2, y1 + ry);
  LineTo(x2, y2 - ry);
  CurveTo(x2, y2 - ry + k * ry, x2 - rx + k * rx, y2, x2 - rx, y2);
  LineTo(x1 + rx, y2);
  CurveTo(x1 + rx - k * rx, y2, x1, y2 - ry + k * ry, x1, y2 - ry);
  LineTo(x1, y1 + ry);
  CurveTo(x1, y1 + ry - k * ry, x1 + rx - k * rx, y1, x1 + rx, y1);
  ClosePath();
}

void TPDFPage::ArcSegmentPt(bool move_first, double cx, double cy, double rx, double ry, double phi,
                            double theta) {
  if (theta == 0) {
    const double px = cx + rx * std::cos(phi), py = cy - ry * std::sin(phi);
    if (move_first) MoveToPt(px, py);
    LineToPt(px, py);
    return;
  }
  const double h = theta / 2, s = std::sin(h), c = std::cos(h);
  const double d = (1 - c) * 4 / 3;
  const double t = s - d * c / s;
  const double m = phi + h, cm = std::cos(m), sm = std::sin(m);
  auto tx = [&](double u, double v) { return cx + rx * (u * cm + v * sm) - 0.0001; };
  auto ty = [&](double u, double v) { return cy + ry * (-u * sm + v * cm) - 0.0001; };
  if (move_first) MoveToPt(tx(c, s), ty(c, s));
  CurveToPt(tx(c + d, t), ty(c + d, t), tx(c + d, -t), ty(c + d, -t), tx(c, -s), ty(c, -s));
}

namespace {
// Splits a sweep into quarter segments, the first one starting with a move.
template <typename Seg>
void Segments(double phi, double sweep, Seg seg) {
  bool first = true;
  while (sweep > M_PI / 2) {
    seg(first, phi, M_PI / 2);
    first = false;
    phi += M_PI / 2;
    sweep -= M_PI / 2;
  }
  seg(first, phi, sweep);
}
}  // namespace

void TPDFPage::ArcByAnglesPt(TRealPoint& start, double x1, double y1, double x2, double y2, double begin,
                             double end) {
  const double rx = std::max(0.0, (std::fabs(x1 - x2) - 1) / 2);
  const double ry = std::max(0.0, (std::fabs(y1 - y2) - 1) / 2);
  const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  const double phi = Radians(begin);
  start = MakeRealPoint(cx + rx * std::cos(phi), cy - ry * std::sin(phi));
  double sweep = Radians(end - begin);
  if (sweep < 0) sweep += 2 * M_PI;
  Segments(phi, sweep, [&](bool first, double a, double th) { ArcSegmentPt(first, cx, cy, rx, ry, a, th); });
}

void TPDFPage::ArcByPointsPt(TRealPoint& start, double x1, double y1, double x2, double y2, double x3,
                             double y3, double x4, double y4) {
  const double rx = std::max(0.0, (std::fabs(x1 - x2) - 1) / 2);
  const double ry = std::max(0.0, (std::fabs(y1 - y2) - 1) / 2);
  const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  auto angle = [&](double x, double y) { return std::atan2(-rx * (y - cy), ry * (x - cx)); };
  const double phi = angle(x3, y3);
  double sweep = angle(x4, y4) - phi;
  if (sweep <= 0) sweep += 2 * M_PI;
  start = MakeRealPoint(cx + rx * std::cos(phi), cy - ry * std::sin(phi));
  Segments(phi, sweep, [&](bool first, double a, double th) { ArcSegmentPt(first, cx, cy, rx, ry, a, th); });
}

TRealPoint TPDFPage::ArcByAngles(double x1, double y1, double x2, double y2, double a1, double a2) {
  TRealPoint start;
  ArcByAnglesPt(start, ToPointsX(x1), ToPointsY(y1), ToPointsX(x2), ToPointsY(y2), -a2, -a1);
  path_open_ = true;
  return MakeRealPoint(FromPointsX(start.X), FromPointsY(start.Y));
}

TRealPoint TPDFPage::ArcByPoints(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                 double y4) {
  TRealPoint start;
  ArcByPointsPt(start, ToPointsX(x1), ToPointsY(y1), ToPointsX(x2), ToPointsY(y2), ToPointsX(x4),
                ToPointsY(y4), ToPointsX(x3), ToPointsY(y3));
  path_open_ = true;
  return MakeRealPoint(FromPointsX(start.X), FromPointsY(start.Y));
}

void TPDFPage::PiePt(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  TRealPoint start;
  ArcByPointsPt(start, x1, y1, x2, y2, x3, y3, x4, y4);
  const double cx = x1 + (x2 - x1) / 2, cy = y1 + (y2 - y1) / 2;
  LineToPt(cx, cy);
  MoveToPt(start.X, start.Y);
  LineToPt(cx, cy);
}

void TPDFPage::Pie(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  PiePt(ToPointsX(x1), ToPointsY(y1), ToPointsX(x2), ToPointsY(y2), ToPointsX(x4), ToPointsY(y4),
        ToPointsX(x3), ToPointsY(y3));
  path_open_ = true;
}

void TPDFPage::RotatedRectPt(double x, double y, double l, double t, double angle) {
  const double a = Radians(angle), c = std::cos(a), s = std::sin(a);
  MoveToPt(x, y);
  LineToPt(x + l * c, y + l * s);
  LineToPt(x + l * c - t * s, y + l * s + t * c);
  LineToPt(x - t * s, y + t * c);
  LineToPt(x, y);
}

void TPDFPage::Concat(double a, double b, double c, double d, double e, double f) {
  EndText();
  Line(Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d) + " " + Num(e) + " " + Num(f) + " cm");
}

void TPDFPage::Translate(double x, double y) { Concat(1, 0, 0, 1, x, y); }

void TPDFPage::Rotate(double angle) {
  const double a = Radians(angle);
  Concat(std::cos(a), std::sin(a), -std::sin(a), std::cos(a), 0, 0);
}

void TPDFPage::SetLineWidth(double w) {
  EndText();
  Line(Num(w / scale_) + " w");
}

void TPDFPage::SetDash(const std::string& pattern) {
  if (pattern == dash_) return;
  EndText();
  Line(pattern + " d");
  dash_ = pattern;
}

void TPDFPage::NoDash() { SetDash("[] 0"); }

void TPDFPage::SetLineCap(int n) {
  EndText();
  Line(std::to_string(n) + " J");
}

void TPDFPage::SetLineJoin(int n) {
  EndText();
  Line(std::to_string(n) + " j");
}

void TPDFPage::SetRGBFillColor(double r, double g, double b) {
  Line(Num(r) + " " + Num(g) + " " + Num(b) + " rg");
}

void TPDFPage::SetRGBStrokeColor(double r, double g, double b) {
  Line(Num(r) + " " + Num(g) + " " + Num(b) + " RG");
}

void TPDFPage::DrawImagePt(int index, double x, double y, double w, double h, double angle) {
  TPDFImages& images = document_.Images();
  if (index < 0 || index >= images.Count()) throw TPDFException("Out of range");
  TPDFImage* image = images.Items(index);
  if (image->Grayscale)
    UsesGrayImage = true;
  else
    UsesColorImage = true;
  SaveState();
  Translate(x, y);
  if (std::fabs(angle) > 0.001) Rotate(angle);
  Concat(w, 0, 0, h, 0, 0);
  Line("/" + image->ResourceName + " Do");
  RestoreState();
  for (TPDFImage* p : images_)
    if (p == image) return;
  images_.push_back(image);
}

void TPDFPage::DrawImage(int index, double x, double y, double w, double h, double angle) {
  if (w == 0 || h == 0) return;
  DrawImagePt(index, ToPointsX(x), ToPointsY(y) - h / scale_, w / scale_, h / scale_, angle);
}

void TPDFPage::SetActiveFont(const std::string& name, unsigned style, double size, int charset) {
  if (name != FontName || style != FontStyle || size != FontSize) {
    FontName = name;
    FontStyle = style;
    FontSize = size;
    FontChanged = true;
    FontMode = 0;
  }
  FontCharset = charset == DEFAULT_CHARSET ? SystemDefaultCharset : charset;
}

void TPDFPage::BeginText() {
  if (text_open_) return;
  Line("BT");
  text_open_ = true;
  TextX = 0;
  TextY = 0;
}

void TPDFPage::EndText() {
  if (!text_open_) return;
  Line("ET");
  text_open_ = false;
}

void TPDFPage::SetSizePreset(int n) {
  if (coordinates_used_) throw TPDFException("Page in progress");
  if (n < 1 || n > 19) return;
  size_preset_ = n;
  width_ = kSizePresets[n - 1].width;
  height_ = kSizePresets[n - 1].height;
  SetOrientation(orientation_);
  if (canvas_ && !canvas_handed_out_) {
    canvas_.reset();
    CreateCanvas();
  }
}

void TPDFPage::SetOrientation(int o) {
  if (coordinates_used_) throw TPDFException("Page in progress");
  orientation_ = o;
  if ((o == 0 && height_ < width_) || (o == 1 && width_ < height_)) std::swap(width_, height_);
}

double TPDFPage::ToPointsX(double x) {
  coordinates_used_ = true;
  return x / scale_;
}

double TPDFPage::ToPointsY(double y) {
  coordinates_used_ = true;
  return height_ - y / scale_;
}

double TPDFPage::FromPointsX(double x) {
  coordinates_used_ = true;
  return x * scale_;
}

double TPDFPage::FromPointsY(double y) {
  coordinates_used_ = true;
  return (height_ - y) * scale_;
}

void TPDFPage::CreateCanvas() {
  if (canvas_) throw TPDFException("Canvas for this page already created");
  const PageCanvasSupport& support = document_.CanvasSupport();
  if (!support) return;
  const ReferenceDeviceContext& dc = document_.ReferenceDC();
  canvas_handed_out_ = false;
  canvas_ = support.CreateCanvas(MulDiv(width_, dc.LogPixelsX, 72), MulDiv(height_, dc.LogPixelsY, 72), dc);
}

void TPDFPage::DropCanvas() {
  canvas_.reset();
  canvas_handed_out_ = false;
}

void TPDFPage::ClosePage() {
  if (!canvas_) return;
  std::vector<std::uint8_t> recording = canvas_->EndRecording();
  canvas_.reset();
  canvas_handed_out_ = false;
  std::unique_ptr<TMetafilePlayer> player = document_.CanvasSupport().CreatePlayer(*this);
  player->LoadMetafile(std::move(recording));
  int w = 0, h = 0;
  player->GetSize(w, h);
  if (w < 1 || h < 1) return;
  EndText();
  std::string earlier = std::move(content_);
  content_.clear();
  FontChanged = true;
  try {
    player->Execute();
    EndText();
  } catch (...) {
    content_ = std::move(earlier);
    throw;
  }
  std::string replayed = std::move(content_);
  if (MetafileFirst)
    content_ = replayed + "\r\n" + earlier;
  else
    content_ = earlier + "\r\n" + replayed;
}

void TPDFPage::AddFont(TPDFFont* font) {
  for (TPDFFont* f : fonts_)
    if (f == font) return;
  fonts_.push_back(font);
}

void TPDFPage::AddAnnotation(std::unique_ptr<TPDFCustomAnnotation> annotation) {
  annotations_.push_back(std::move(annotation));
}

void TPDFPage::SetWatermark(int index) {
  if (index < -1 || index >= document_.WatermarkPages().Count()) throw TPDFException("Out of range");
  watermark_ = index;
}

void TPDFPage::SetThumbnail(int image_index) {
  if (image_index < -1 || image_index >= document_.Images().Count()) throw TPDFException("Out of range");
  thumbnail_ = image_index;
}

TPDFPage* TPDFPage::AddSubForm() {
  TPDFPage* form = sub_forms_->Add();
  form->SetSizePreset(size_preset_);
  form->SetOrientation(orientation_);
  form->CreateCanvas();
  return form;
}

void TPDFPage::PrepareResources() {
  for (TPDFFont* f : fonts_)
    if (f->ObjectNumber < 1 && f->Referenced) f->ObjectNumber = document_.NewObjectNumber();
  for (TPDFImage* img : images_)
    if (!img->Written) img->Save(document_);
  for (auto& a : annotations_)
    if (a->ObjectNumber < 1) a->ObjectNumber = document_.NewObjectNumber();
  if (thumbnail_ >= 0) {
    TPDFImage* thumb = document_.Images().Items(thumbnail_);
    if (!thumb->Written) thumb->Save(document_);
  }
}

void TPDFPage::WriteContentStream(int key_number) {
  TPDFDocument& doc = document_;
  if (doc.GetCompression() == TCompressionType::ctFlate) {
    std::string data = CompressString(content_, TCompressionLevel::clDefault);
    doc.WriteLine("/Length " + std::to_string(data.size()));
    doc.WriteLine("/Filter /FlateDecode");
    doc.EndDictionary();
    doc.BeginStreamData();
    doc.EncryptStream(data, key_number);
    doc.WriteLine(data, false);
    doc.WriteLine("");
  } else {
    doc.WriteLine("/Length " + std::to_string(content_.size()));
    doc.EndDictionary();
    doc.BeginStreamData();
    doc.WriteLine(doc.EncryptString(content_, key_number));
  }
  content_.clear();
  content_.shrink_to_fit();
  doc.EndStreamData();
  doc.EndObject();
}

void TPDFPage::SpoolContent() {
  TContentSpool* spool = document_.Spool();
  if (spool == nullptr || content_.empty()) return;
  std::uint64_t at = 0;
  if (spooled_size_ > 0 || !spool->Put(content_, at)) return;  // kept in memory instead
  spooled_at_ = at;
  spooled_size_ = content_.size();
  content_.clear();
  content_.shrink_to_fit();
}

void TPDFPage::WritePage() {
  if (spooled_size_ > 0) {
    content_.insert(0, document_.Spool()->Get(spooled_at_, spooled_size_));
    spooled_size_ = 0;
  }
  for (int n = depth_; n > 0; --n) RestoreState();
  PrepareResources();
  // Forms shown on this page come out first, each closed (its canvas replayed) and written.
  for (int i = 0; i < sub_forms_->Count(); ++i) {
    TPDFPage* form = sub_forms_->Items(i);
    form->ClosePage();
    form->WritePage();
  }
  resources_number_ = document_.NewObjectNumber();
  if (!IsFormPage) contents_number_ = document_.NewObjectNumber();
  depth_ = 2;
  RestoreState();
  for (auto& a : annotations_) a->Save(document_);

  TPDFDocument& doc = document_;
  doc.BeginObject(resources_number_);
  doc.WriteLine(std::string(" /ProcSet [/PDF ") + (UsesText ? "/Text " : "") + (UsesGrayImage ? "/ImageB " : "") +
                (UsesColorImage ? "/ImageC " : "") + "]");
  if (!fonts_.empty()) {
    doc.WriteLine("/Font <<");
    for (TPDFFont* f : fonts_)
      if (f->Referenced) doc.WriteLine("/" + f->ResourceName + " " + std::to_string(f->ObjectNumber) + " 0 R");
    doc.WriteLine(">>");
  }
  if (!images_.empty() || watermark_ >= 0 || sub_forms_->Count() > 0) {
    doc.WriteLine(" /XObject <<");
    for (TPDFImage* img : images_)
      doc.WriteLine("/" + img->ResourceName + " " + std::to_string(img->ObjectNumber) + " 0 R");
    if (watermark_ >= 0)
      doc.WriteLine("/Form" + std::to_string(watermark_) + " " +
                    std::to_string(doc.WatermarkPages().Items(watermark_)->ObjectNumber()) + " 0 R");
    for (int i = 0; i < sub_forms_->Count(); ++i)
      doc.WriteLine("/IF" + std::to_string(i) + " " + std::to_string(sub_forms_->Items(i)->ObjectNumber()) + " 0 R");
    doc.WriteLine(">>");
  }
  doc.EndDictionary();
  doc.EndObject();

  if (IsFormPage) {
    doc.BeginObject(object_number_);
    doc.WriteLine("/Type /XObject");
    doc.WriteLine("/Subtype /Form");
    doc.WriteLine("/Resources " + std::to_string(resources_number_) + " 0 R");
    std::string matrix = "/Matrix [";
    for (std::size_t i = 0; i < form_matrix_.size(); ++i) matrix += (i ? " " : "") + FormatReal(form_matrix_[i]);
    doc.WriteLine(matrix + " ]");
    doc.WriteLine("/BBox [0 0 " + std::to_string(width_) + " " + std::to_string(height_) + "]");
    WriteContentStream(object_number_);
    return;
  }

  if (watermark_ >= 0) content_.insert(0, "q /Form" + std::to_string(watermark_) + " Do   Q\r\n");
  doc.BeginObject(contents_number_);
  WriteContentStream(contents_number_);

  doc.BeginObject(object_number_);
  doc.WriteLine("/Type /Page");
  doc.WriteLine("/Parent " + std::to_string(doc.PageTreeNumber()) + " 0 R");
  doc.WriteLine("/Resources " + std::to_string(resources_number_) + " 0 R");
  doc.WriteLine("/Contents [" + std::to_string(contents_number_) + " 0 R]");
  if (thumbnail_ >= 0)
    doc.WriteLine("/Thumb " + std::to_string(doc.Images().Items(thumbnail_)->ObjectNumber) + " 0 R");
  doc.WriteLine("/MediaBox [0 0 " + std::to_string(width_) + " " + std::to_string(height_) + "]");
  if (rotation_ >= 1 && rotation_ <= 3) doc.WriteLine("/Rotate " + std::to_string(rotation_ * 90));
  if (!annotations_.empty()) {
    doc.WriteLine("/Annots [");
    for (auto& a : annotations_) doc.WriteLine(std::to_string(a->ObjectNumber) + " 0 R");
    doc.WriteLine("]");
  }
  doc.EndDictionary();
  doc.EndObject();
}

TPDFPage* TPDFPages::Add() {
  pages_.push_back(std::make_unique<TPDFPage>(document_));
  pages_.back()->IsFormPage = form_list_;
  return pages_.back().get();
}
int TPDFPages::IndexOf(const TPDFPage* page) const {
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i].get() == page) return static_cast<int>(i);
  return -1;
}

}  // namespace pdf
