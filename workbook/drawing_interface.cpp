#include "workbook/drawing_interface.h"

#include <cmath>

namespace workbook {

namespace {

constexpr double kEmuPerPixel = 9525;  // at 96 dpi
constexpr double kEmuPerTwip = 635;    // 12700 EMU a point
// The widest digit of the default font, in pixels: column widths count in those digits.
constexpr double kDigitPixels = 7;

double Clamp01(double V) { return V < 0 || std::isnan(V) ? 0 : (V > 1 ? 1 : V); }

}  // namespace

std::int32_t TXLSDrawing::ColOffsetEmu(int Col, double Fraction) const {
  // Read from the records directly: the shared column object a caller may hold stays where it is.
  double width256 = TXLSColumn::DefaultWidth256;
  if (Columns_)
    if (const TXc12Column* c = Columns_->FindRecord(Col)) width256 = std::round(c->Width * 256);
  // A column of w characters is w digits wide plus the rounding the format uses for its padding.
  const double pixels = std::trunc((width256 + std::trunc(128 / kDigitPixels)) / 256.0 * kDigitPixels);
  return static_cast<std::int32_t>(std::lround(Clamp01(Fraction) * pixels * kEmuPerPixel));
}

std::int32_t TXLSDrawing::RowOffsetEmu(int Row, double Fraction) const {
  int height = TXLSRow::DefaultHeight;
  if (Rows_)
    if (TMMURowHeader h = Rows_->GetCells()->FindRow(Row)) height = h.Height();
  return static_cast<std::int32_t>(std::lround(Clamp01(Fraction) * height * kEmuPerTwip));
}

bool TXLSDrawingImage::GetPlacement(TXLSAnchorMarker& From, TXLSAnchorMarker& To, TXc12GraphicImage*& Image) const {
  IXLSDrawingDocument* doc = Owner ? Owner->GetDocument() : nullptr;
  return doc && Anchor && doc->GetPictureAnchor(Anchor, From, To, Image);
}

TXLSDrawing::TXLSDrawing(TXc12Manager* Manager, IXLSDrawingDocument* Document, TXLSErrorManager* /*Errors*/)
    : Manager_(Manager), Document_(Document) {}

void TXLSDrawing::Rebuild() {
  Images.Items.Clear();
  Shapes.Items.Clear();
  WordArts.Items.Clear();
  TextBoxes.Items.Clear();
  Charts.Items.Clear();
  if (!Document_) return;
  std::vector<TXLSAnchorInfo> anchors;
  Document_->GetAnchors(anchors);
  auto add = [](TXLSDrawingObjects& List, std::unique_ptr<TXLSDrwTwoPosShape> W, void* Element) {
    W->SetAnchor(Element);
    List.Items.Add(std::move(W));
  };
  for (const TXLSAnchorInfo& a : anchors) {
    TrackId(a.ObjectId);
    if (a.Kind == TXLSAnchorKind::TwoCell) {
      if (a.PictureWithBlip) {
        add(Images, std::make_unique<TXLSDrawingImage>(this), a.Element);
      } else if (a.TextBox) {
        add(TextBoxes, std::make_unique<TXLSDrawingTextBox>(this), a.Element);
      } else if (a.Chart) {
        auto c = std::make_unique<TXLSDrawingChart>(this);
        c->ChartRef = a.ChartRef;
        add(Charts, std::move(c), a.Element);
      } else if (a.PresetShape) {
        add(Shapes, std::make_unique<TXLSDrawingShape>(this), a.Element);
      }
    } else if (a.Kind == TXLSAnchorKind::OneCell && a.Scene3D) {
      add(WordArts, std::make_unique<TXLSDrawingWordArt>(this), a.Element);
    }
  }
}

TXLSDrawingImage* TXLSDrawing::AddImage(const std::u16string& Name, TStream& Stream, const TXLSImageAnchor& Anchor) {
  if (!Document_) return nullptr;
  TXc12GraphicImage* image = Manager_->Graphics->Images.AddPicture(Stream, Name);
  if (!image) return nullptr;
  // The legacy offsets are fractions of a cell; the drawing counts them in EMU of that cell's size.
  TXLSAnchorMarker from{Anchor.Col1, ColOffsetEmu(Anchor.Col1, Anchor.Col1Offset), Anchor.Row1,
                        RowOffsetEmu(Anchor.Row1, Anchor.Row1Offset)};
  TXLSAnchorMarker to{Anchor.Col2, ColOffsetEmu(Anchor.Col2, Anchor.Col2Offset), Anchor.Row2,
                      RowOffsetEmu(Anchor.Row2, Anchor.Row2Offset)};
  const std::int32_t id = image->Index + 1;
  std::u16string name = u"Picture ";
  for (char ch : std::to_string(id)) name += static_cast<char16_t>(ch);
  void* element = Document_->AddPictureAnchor(from, to, id, name, image->Name, image);
  auto w = std::make_unique<TXLSDrawingImage>(this);
  w->SetAnchor(element);
  return static_cast<TXLSDrawingImage*>(Images.Items.Add(std::move(w)));
}

}  // namespace workbook
