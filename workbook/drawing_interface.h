// The worksheet's view of its drawing document: after a read it sorts the anchored objects into
// images, shapes, word arts, text boxes and charts and keeps the next free object id; it adds
// pictures to the document. The drawing document itself (the DrawingML bindings) is built in the
// Open XML library: it is reached through IXLSDrawingDocument, which that document implements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/manager.h"
#include "workbook/rows_columns.h"

namespace workbook {

enum class TXLSAnchorKind : std::uint8_t { TwoCell, OneCell, Absolute };

// What the drawing needs to know of one anchor of the document, in document order.
struct TXLSAnchorInfo {
  TXLSAnchorKind Kind = TXLSAnchorKind::TwoCell;
  void* Element = nullptr;      // the anchor element; the wrappers keep it
  std::int32_t ObjectId = 0;    // non-visual id of its shape, group or picture; 0 when none
  bool PictureWithBlip = false; // a picture that was read and whose blip fill holds a blip
  bool TextBox = false;         // a shape whose non-visual shape properties carry the text-box flag
  bool Chart = false;           // a graphic frame holding a loaded chart
  void* ChartRef = nullptr;
  bool PresetShape = false;     // a shape read with a preset geometry that was read
  bool Scene3D = false;         // a shape read whose text body properties hold a 3-D scene that was read
};

// A cell position with its offset, as the drawing document stores it.
struct TXLSAnchorMarker {
  std::int32_t Col = 0, ColOff = 0, Row = 0, RowOff = 0;
};

class IXLSDrawingDocument {
public:
  virtual ~IXLSDrawingDocument() = default;
  virtual void GetAnchors(std::vector<TXLSAnchorInfo>& Anchors) = 0;
  // Appends a two-cell anchor holding a picture: non-visual id and name, description, locked
  // aspect, a stretched blip fill showing Image and the preset geometry "rect". Returns the anchor.
  virtual void* AddPictureAnchor(const TXLSAnchorMarker& From, const TXLSAnchorMarker& To, std::int32_t Id,
                                 const std::u16string& Name, const std::u16string& Description,
                                 TXc12GraphicImage* Image) = 0;
  // The cells of a two-cell anchor and the picture its blip shows (nil when none); False when the
  // element is no two-cell anchor of this document.
  virtual bool GetPictureAnchor(void* /*AnchorElement*/, TXLSAnchorMarker& /*From*/, TXLSAnchorMarker& /*To*/,
                                TXc12GraphicImage*& /*Image*/) {
    return false;
  }
};

// Where a picture goes: the legacy anchor's cells and offsets (fractions of a cell).
struct TXLSImageAnchor {
  int Col1 = 0, Row1 = 0, Col2 = 0, Row2 = 0;
  double Col1Offset = 0, Row1Offset = 0, Col2Offset = 0, Row2Offset = 0;
};

class TXLSDrawing;

class TXLSDrawingObject : public TObject {
public:
  explicit TXLSDrawingObject(TXLSDrawing* Owner) : Owner(Owner) {}
  TXLSDrawing* Owner;
};

class TXLSDrwTwoPosShape : public TXLSDrawingObject {
public:
  using TXLSDrawingObject::TXLSDrawingObject;
  virtual void SetAnchor(void* AnchorElement) { Anchor = AnchorElement; }
  void* Anchor = nullptr;
};

class TXLSDrawingImage : public TXLSDrwTwoPosShape {
public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  // Where the picture sits and what it shows; False when the document can not tell.
  bool GetPlacement(TXLSAnchorMarker& From, TXLSAnchorMarker& To, TXc12GraphicImage*& Image) const;
};
class TXLSDrawingShape : public TXLSDrwTwoPosShape {
public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
};
class TXLSDrawingTextBox : public TXLSDrwTwoPosShape {
public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  void SetAnchor(void* AnchorElement) override {
    TXLSDrwTwoPosShape::SetAnchor(AnchorElement);
    Element = AnchorElement;
  }
  void* Element = nullptr;
};
class TXLSDrawingWordArt : public TXLSDrwTwoPosShape {
public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
};
class TXLSDrawingChart : public TXLSDrwTwoPosShape {
public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  void* ChartRef = nullptr;
};

class TXLSDrawingObjects : public TXLSDrawingObject {
public:
  using TXLSDrawingObject::TXLSDrawingObject;
  TObjectList<TXLSDrwTwoPosShape> Items;
  int Count() const { return Items.Count(); }
};

class TXLSDrawing : public TObject {
public:
  // Document may be nil (no drawing bindings): the drawing then stays empty and adds nothing.
  TXLSDrawing(TXc12Manager* Manager, IXLSDrawingDocument* Document, TXLSErrorManager* Errors);
  void SetColumnsRows(TXLSColumns* Columns, TXLSRows* Rows) {
    Columns_ = Columns;
    Rows_ = Rows;
  }
  void Rebuild();
  // Nil when the picture store refuses the stream or there is no drawing document.
  TXLSDrawingImage* AddImage(const std::u16string& Name, TStream& Stream, const TXLSImageAnchor& Anchor);
  void ClearArea(int, int, int, int) {}
  // The drawing objects of the legacy sheet of the same index, after a legacy read; nil otherwise.
  void SetLegacyObjects(TObject* Objects) { LegacyObjects_ = Objects; }
  TObject* GetLegacyObjects() const { return LegacyObjects_; }
  IXLSDrawingDocument* GetDocument() const { return Document_; }
  // Offsets in EMU of a fraction of column Col's width or of row Row's height (fractions outside
  // 0..1 are clamped).
  std::int32_t ColOffsetEmu(int Col, double Fraction) const;
  std::int32_t RowOffsetEmu(int Row, double Fraction) const;
  void TrackId(std::int32_t Id) {
    if (Id > NextId) NextId = Id;
  }

  std::int32_t NextId = 1000;
  TXLSDrawingObjects Images{this}, Shapes{this}, WordArts{this}, TextBoxes{this}, Charts{this};

private:
  TXc12Manager* Manager_;
  IXLSDrawingDocument* Document_;
  TXLSColumns* Columns_ = nullptr;
  TXLSRows* Rows_ = nullptr;
  TObject* LegacyObjects_ = nullptr;
};

}  // namespace workbook
