#include "workbook/drawing_interface.h"

#include <cmath>

namespace workbook {

TXLSDrawing::TXLSDrawing(TXc12Manager* Manager, IXLSDrawingDocument* Document, TXLSErrorManager* Errors)
    : Manager_(Manager), Document_(Document), Errors_(Errors) {}

void TXLSDrawing::Rebuild() {
  Images.Items.Clear();
  Shapes.Items.Clear();
  WordArts.Items.Clear();
  TextBoxes.Items.Clear();
  Charts.Items.Clear();
  if (!Document_) return;
  std::vector<TXLSAnchorInfo> anchors;
  Document_->GetAnchors(anchors);
  auto add = [this](TXLSDrawingObjects& List, std::unique_ptr<TXLSDrwTwoPosShape> W, void* Element) {
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
  // The offsets are fractions of a cell; they are stored rounded, as whole numbers.
  auto off = [](double V) { return static_cast<std::int32_t>(std::lround(V)); };
  TXLSAnchorMarker from{Anchor.Col1, off(Anchor.Col1Offset), Anchor.Row1, off(Anchor.Row1Offset)};
  TXLSAnchorMarker to{Anchor.Col2, off(Anchor.Col2Offset), Anchor.Row2, off(Anchor.Row2Offset)};
  const std::int32_t id = image->Index + 1;
  std::u16string name = u"Picture ";
  for (char ch : std::to_string(id)) name += static_cast<char16_t>(ch);
  void* element = Document_->AddPictureAnchor(from, to, id, name, image->Name, image);
  auto w = std::make_unique<TXLSDrawingImage>(this);
  w->SetAnchor(element);
  return static_cast<TXLSDrawingImage*>(Images.Items.Add(std::move(w)));
}

}  // namespace workbook
