// The programming interface to the shapes of a sheet drawing: the anchor every drawing object
// shares, the collections of text boxes, notes, basic shapes, auto shapes and pictures, and those
// of the form controls (list boxes, drop-downs, buttons, check boxes, option buttons). Each item is
// bound to one client-anchor shape of the drawing; adding an item makes its shape, and the items
// of a file that was read are made for the shapes the drawing delivers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"

namespace biff {

// A drawing object's cell anchor.
class TDrwAnchor {
public:
  TDrwAnchor(TEscherDrawing* Drawing, int Id) : Drawing_(Drawing), ID(Id) {}
  virtual ~TDrwAnchor() = default;

  std::string Name;  // UTF-8
  TShapeClientAnchor* Shape = nullptr;
  virtual void AssignShape(TShapeClientAnchor* S) { Shape = S; }
  int GetID() const { return ID; }

  int Col1() const { return Anchor().Col1; }
  int Row1() const { return Anchor().Row1; }
  int Col2() const { return Anchor().Col2; }
  int Row2() const { return Anchor().Row2; }
  void SetCol1(int V) { Anchor().Col1 = V; }
  void SetRow1(int V) { Anchor().Row1 = V; }
  void SetCol2(int V) { Anchor().Col2 = V; }
  void SetRow2(int V) { Anchor().Row2 = V; }
  // Fractions of a column (1/1024) and of a row (1/256); set values are clamped to 0..1.
  double Col1Offset() const { return Anchor().Dx1 / 1024.0; }
  double Col2Offset() const { return Anchor().Dx2 / 1024.0; }
  double Row1Offset() const { return Anchor().Dy1 / 256.0; }
  double Row2Offset() const { return Anchor().Dy2 / 256.0; }
  void SetCol1Offset(double V);
  void SetCol2Offset(double V);
  void SetRow1Offset(double V);
  void SetRow2Offset(double V);
  bool FlipHorizontal() const { return CheckedShape().GetFlipH(); }
  bool FlipVertical() const { return CheckedShape().GetFlipV(); }
  void SetFlipHorizontal(bool V) { CheckedShape().SetFlipH(V); }
  void SetFlipVertical(bool V) { CheckedShape().SetFlipV(V); }
  std::uint32_t SpId() const { return CheckedShape().SpId; }

protected:
  TShapeClientAnchor& CheckedShape() const;
  TMSOObjCLIENTANCHOR& Anchor() const { return CheckedShape().Anchor; }
  TEscherDrawing* Drawing_;
  int ID;
};

class TDrwCustom : public TDrwAnchor {
public:
  using TDrwAnchor::TDrwAnchor;
  // Makes the shape call the macro Name (a new NAME of the document).
  virtual void AssignMacro(std::u16string_view Name);
  // Clear: the anchor's fSize bit is set (the object does not size with the cells).
  void SetSizeWithCells(bool Value);
};

class TCustomDrwText : public TDrwCustom {
public:
  using TDrwCustom::TDrwCustom;
  std::string GetName() const;
  void SetName(const std::string& Value);
  std::u16string GetText() const;
  // Keeps at most the first 32767 characters.
  void SetText(std::u16string_view Value);
  // Centimetres; an absent margin reads -1 EMU, and setting it changes nothing.
  double GetMargin(int Side) const;  // 0 left, 1 top, 2 right, 3 bottom
  void SetMargin(int Side, double Cm);
};

class TDrwText : public TCustomDrwText {
public:
  using TCustomDrwText::TCustomDrwText;
};

class TDrwNote : public TCustomDrwText {
public:
  using TCustomDrwText::TCustomDrwText;
  int CellCol() const { return Note().Col; }
  int CellRow() const { return Note().Row; }
  std::u16string Author() const { return Note().Author; }
  bool AlwaysVisible() const { return Note().NoteFlags & 0x0002; }
  void SetCellCol(int V) { Note().Col = V; }
  void SetCellRow(int V) { Note().Row = V; }
  void SetAuthor(std::u16string_view V) { Note().Author = V; }
  void SetAlwaysVisible(bool V);
  void AssignMacro(std::u16string_view Name) override;

private:
  TShapeOutsideMsoNote& Note() const;
};

enum TBasicShapeType { bstLine, bstArrow, bstEllipse, bstRectangle };

class TDrwBasic : public TDrwCustom {
public:
  using TDrwCustom::TDrwCustom;
  TBasicShapeType ShapeType() const;
  void SetShapeType(TBasicShapeType Value);
};

enum TAutoShapeType {
  astSun, astMoon, astLeftArrow, astDownArrow, astUpArrow, astLeftRightArrow, astUpDownArrow, astQuadArrow,
  astLeftArrowCallout, astRightArrowCallout, astUpArrowCallout, astDownArrowCallout, astLeftRightArrowCallout,
  astUpDownArrowCallout, astQuadArrowCallout
};

class TDrwAutoShape : public TDrwCustom {
public:
  using TDrwCustom::TDrwCustom;
  TAutoShapeType ShapeType() const;
  void SetShapeType(TAutoShapeType Value);
  std::uint32_t FillColor() const;
  std::uint32_t LineColor() const;
  void SetFillColor(std::uint32_t V);
  void SetLineColor(std::uint32_t V);
};

class TDrwPicture : public TDrwCustom {
public:
  using TDrwCustom::TDrwCustom;
  int PictureId() const;
  void SetPictureId(int Value);
  std::u16string PictureName() const;
  void SetPictureName(std::u16string_view Name);
};

// The items of one kind, in order, each with its collection ID (0, 1, ...).
template <class T>
class TDrwList {
public:
  using TMaker = std::function<TShapeClientAnchor&(TEscherDrawing&)>;
  TDrwList(TEscherDrawing* Drawing, TMaker Maker, std::string Prefix)
      : Drawing_(Drawing), Maker_(std::move(Maker)), Prefix_(std::move(Prefix)) {}

  // A new item with a new shape (none while a file is read).
  T& Add();
  // An item for a shape read from a file.
  T& AddFromShape(TShapeClientAnchor& Shape);
  int Count() const { return static_cast<int>(Items_.size()); }
  T& Items(int Index) const { return *Items_.at(Index); }
  // Deletes the item's shape from the drawing, then the item.
  void Delete(int Index);
  void DeleteById(int Id);
  // Deletes every item's shape, then empties the list.
  void Clear();
  // While set, Add makes no shape.
  bool FileAdd = false;
  // Changes the maker (the autofilter drop-downs).
  void SetMaker(TMaker Maker) { Maker_ = std::move(Maker); }
  const std::string& Prefix() const { return Prefix_; }
  void SetPrefix(std::string P) { Prefix_ = std::move(P); }

protected:
  virtual void Made(T& /*Item*/) {}
  TEscherDrawing* Drawing_;
  TMaker Maker_;
  std::string Prefix_;
  int NextId_ = 0;
  std::vector<std::unique_ptr<T>> Items_;
};

class TDrwPictures : public TDrwList<TDrwPicture> {
public:
  using TDrwList::TDrwList;

protected:
  void Made(TDrwPicture& Item) override { Item.SetSizeWithCells(false); }
};

class TDrawingObjects {
public:
  explicit TDrawingObjects(TEscherDrawing* Drawing);

  TDrwList<TDrwText> Texts;
  TDrwList<TDrwNote> Notes;
  TDrwList<TDrwBasic> Basics;
  TDrwList<TDrwAutoShape> AutoShapes;
  TDrwPictures Pictures;

  // A top-level shape read from a file: True when one of the collections took it.
  bool ShapeAdded(TShape& Shape);
  void Clear();
};

// Form controls.
class TControlListBox : public TDrwAnchor {
public:
  using TDrwAnchor::TDrwAnchor;
  std::u16string SourceArea() const;
  void SetSourceArea(std::u16string_view Value);
  std::u16string DestCell() const;
  void SetDestCell(std::u16string_view Value);

private:
  TShapeControlListBox& List() const;
};

class TControlComboBox : public TControlListBox {
public:
  using TControlListBox::TControlListBox;
};

class TControlText : public TDrwAnchor {
public:
  using TDrwAnchor::TDrwAnchor;
  std::u16string Text() const;
  void SetText(std::u16string_view Value);

protected:
  TShapeOutsideMsoBaseText& TextObject() const;
};

class TControlTextMacro : public TControlText {
public:
  using TControlText::TControlText;
  std::u16string MacroName() const;
  void SetMacroName(std::u16string_view Name);
};

class TControlButton : public TControlTextMacro {
public:
  using TControlTextMacro::TControlTextMacro;
};
class TControlCheckBox : public TControlTextMacro {
public:
  using TControlTextMacro::TControlTextMacro;
};
class TControlRadioButton : public TControlTextMacro {
public:
  using TControlTextMacro::TControlTextMacro;
};

class TControlComboBoxes : public TDrwList<TControlComboBox> {
public:
  explicit TControlComboBoxes(TEscherDrawing* Drawing);
  // While set, new drop-downs are autofilter drop-downs (made even while a file is read).
  bool AutofilterAdd = false;
  TControlComboBox& Add();
};

class TControlObjects {
public:
  explicit TControlObjects(TEscherDrawing* Drawing);

  TDrwList<TControlListBox> ListBoxes;
  TControlComboBoxes ComboBoxes;
  TDrwList<TControlButton> Buttons;
  TDrwList<TControlCheckBox> CheckBoxes;
  TDrwList<TControlRadioButton> RadioButtons;

  // A top-level shape read from a file: True when one of the collections took it (charts, option
  // buttons and scroll bars are not taken).
  bool ShapeAdded(TShape& Shape);
  void Clear();
};

// ---- template members ----

template <class T>
T& TDrwList<T>::Add() {
  auto item = std::make_unique<T>(Drawing_, NextId_++);
  item->Name = Prefix_ + std::to_string(item->GetID());
  if (!FileAdd && Drawing_) {
    item->AssignShape(&Maker_(*Drawing_));
    Made(*item);
  }
  Items_.push_back(std::move(item));
  return *Items_.back();
}

template <class T>
T& TDrwList<T>::AddFromShape(TShapeClientAnchor& Shape) {
  FileAdd = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{FileAdd};
  T& item = Add();
  item.AssignShape(&Shape);
  return item;
}

template <class T>
void TDrwList<T>::Delete(int Index) {
  T& item = Items(Index);
  if (item.Shape && Drawing_) Drawing_->DeleteShape(item.Shape->SpId);
  Items_.erase(Items_.begin() + Index);
}

template <class T>
void TDrwList<T>::DeleteById(int Id) {
  for (int i = 0; i < Count(); ++i)
    if (Items_[i]->GetID() == Id) {
      Delete(i);
      return;
    }
}

template <class T>
void TDrwList<T>::Clear() {
  for (auto& item : Items_)
    if (item->Shape && Drawing_) Drawing_->DeleteShape(item->Shape->SpId);
  Items_.clear();
}

}  // namespace biff
