#include "biff/drawing/drawing_objects.h"

#include <cmath>

#include "core/unicode.h"
#include "workbook/cell_references.h"
#include "workbook/library_utils.h"

namespace biff {

namespace {

constexpr std::uint16_t kPropWzName = 896;
constexpr std::uint16_t kPropPib = 260;
constexpr std::uint16_t kPropPibName = 261;
constexpr std::uint16_t kPropFillColor = 385;
constexpr std::uint16_t kPropLineColor = 448;
constexpr std::uint16_t kPropLineEndArrowhead = 465;

std::int32_t Offset(double V, double Units) {
  if (!(V >= 0)) V = 0;  // a NaN too
  if (V > 1) V = 1;
  return static_cast<std::int32_t>(std::nearbyint(V * Units));
}

}  // namespace

TShapeClientAnchor& TDrwAnchor::CheckedShape() const {
  if (!Shape) throw Exception("Drawing object has no shape");
  return *Shape;
}

void TDrwAnchor::SetCol1Offset(double V) { Anchor().Dx1 = Offset(V, 1024); }
void TDrwAnchor::SetCol2Offset(double V) { Anchor().Dx2 = Offset(V, 1024); }
void TDrwAnchor::SetRow1Offset(double V) { Anchor().Dy1 = Offset(V, 256); }
void TDrwAnchor::SetRow2Offset(double V) { Anchor().Dy2 = Offset(V, 256); }

// ---- drawing objects ----

void TDrwCustom::AssignMacro(std::u16string_view Name) {
  TShapeClientAnchor& s = CheckedShape();
  IDrawingNames* names = Drawing_ ? Drawing_->Services().Names : nullptr;
  if (!names) throw Exception("No name list for macros");
  const core::Bytes macro = MacroFormula(names->AddProcName(Name));
  const int i = s.ObjRecords.IndexOf(ftMacro);
  if (i >= 0) {
    s.ObjRecords.Update(i, static_cast<std::uint16_t>(macro.size()), macro.data());
  } else {
    if (s.ObjRecords.Count() > 0 && s.ObjRecords.Items(s.ObjRecords.Count() - 1)->Id == ftEnd)
      s.ObjRecords.Delete(s.ObjRecords.Count() - 1);
    s.ObjRecords.Add(MakeIdLen(ftMacro, static_cast<std::uint16_t>(macro.size())), macro.data());
    s.ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
  }
  s.AddMacroProperties();
}

void TDrwCustom::SetSizeWithCells(bool Value) {
  if (Value)
    Anchor().Flags &= ~2;
  else
    Anchor().Flags |= 2;
}

std::string TCustomDrwText::GetName() const {
  const std::u16string wz = Shape ? Shape->Properties.GetComplexString(kPropWzName) : std::u16string();
  return wz.empty() ? Name : core::utf16_to_utf8(wz);
}

void TCustomDrwText::SetName(const std::string& Value) {
  if (Shape && !Shape->Properties.GetComplexString(kPropWzName).empty())
    Shape->Properties.SetComplexString(kPropWzName, core::utf8_to_utf16(Value));
  Name = Value;
}

std::u16string TCustomDrwText::GetText() const {
  auto* t = Shape ? dynamic_cast<TShapeOutsideMsoBaseText*>(Shape->Outside.get()) : nullptr;
  return t ? t->Text : std::u16string();
}

void TCustomDrwText::SetText(std::u16string_view Value) {
  auto* t = dynamic_cast<TShapeOutsideMsoBaseText*>(CheckedShape().Outside.get());
  if (!t) throw Exception("Shape has no text");
  t->SetText(Value);
}

double TCustomDrwText::GetMargin(int Side) const {
  return workbook::EMUToCm(CheckedShape().Properties.GetValue(static_cast<std::uint16_t>(129 + Side)));
}

void TCustomDrwText::SetMargin(int Side, double Cm) {
  TOPT& p = CheckedShape().Properties;
  const auto id = static_cast<std::uint16_t>(129 + Side);
  if (p.IndexOf(id) >= 0) p.SetValue(id, static_cast<std::uint32_t>(workbook::CmToEMU(Cm)));
}

TShapeOutsideMsoNote& TDrwNote::Note() const {
  auto* n = dynamic_cast<TShapeOutsideMsoNote*>(CheckedShape().Outside.get());
  if (!n) throw Exception("Shape is not a note");
  return *n;
}

void TDrwNote::SetAlwaysVisible(bool V) {
  TShapeOutsideMsoNote& n = Note();
  n.NoteFlags = V ? (n.NoteFlags | 0x0002) : (n.NoteFlags & ~0x0002);
}

void TDrwNote::AssignMacro(std::u16string_view) { throw Exception("Notes can not have macros assigned"); }

TBasicShapeType TDrwBasic::ShapeType() const {
  const TShapeClientAnchor& s = CheckedShape();
  switch (s.ShapeType) {
    case 1: return bstRectangle;
    case 3: return bstEllipse;
    case 20: return s.Properties.GetValue(kPropLineEndArrowhead) == 1 ? bstArrow : bstLine;
    default: return bstLine;
  }
}

void TDrwBasic::SetShapeType(TBasicShapeType Value) {
  TShapeClientAnchor& s = CheckedShape();
  const std::uint32_t type = Value == bstEllipse ? 3 : Value == bstRectangle ? 1 : 20;
  s.SetShapeType(type);
  TOPT& p = s.Properties;
  p.Clear();
  if (type != 20) {
    p.Add(191, 0x00080008);
    p.Add(385, 0x0800000D);
    p.Add(447, 0x00100010);
    p.Add(448, 0x08000040);
  } else {
    p.Add(191, 0x00080008);
    p.Add(324, 4);
    p.Add(383, 0x00010000);
    p.Add(447, 0x00100000);
    p.Add(448, 0x08000040);
    p.Add(kPropLineEndArrowhead, Value == bstArrow ? 1 : 0);
    p.Add(511, 0x00100010);
  }
  p.UpdateCount();
}

namespace {
constexpr std::uint32_t kAutoShapeTypes[] = {183, 184, 66, 67, 68, 69, 70, 76, 77, 78, 79, 80, 81, 82, 83};
}

TAutoShapeType TDrwAutoShape::ShapeType() const {
  const std::uint32_t t = CheckedShape().ShapeType;
  for (int i = 0; i < static_cast<int>(std::size(kAutoShapeTypes)); ++i)
    if (kAutoShapeTypes[i] == t) return static_cast<TAutoShapeType>(i);
  return astSun;
}

void TDrwAutoShape::SetShapeType(TAutoShapeType Value) { CheckedShape().SetShapeType(kAutoShapeTypes[Value]); }

std::uint32_t TDrwAutoShape::FillColor() const {
  return static_cast<std::uint32_t>(CheckedShape().Properties.GetValue(kPropFillColor));
}
std::uint32_t TDrwAutoShape::LineColor() const {
  return static_cast<std::uint32_t>(CheckedShape().Properties.GetValue(kPropLineColor));
}
void TDrwAutoShape::SetFillColor(std::uint32_t V) { CheckedShape().Properties.SetValue(kPropFillColor, V); }
void TDrwAutoShape::SetLineColor(std::uint32_t V) { CheckedShape().Properties.SetValue(kPropLineColor, V); }

int TDrwPicture::PictureId() const { return CheckedShape().Properties.GetValue(kPropPib); }

void TDrwPicture::SetPictureId(int Value) {
  TShapeClientAnchor& s = CheckedShape();
  TEscherGroup* g = Drawing_ ? Drawing_->Group() : nullptr;
  if (g && g->Count() > 0) {
    if (Value < 0 || Value > g->Count()) throw Exception("Picture Id out of range.");
    std::u16string name;
    if (Value > 0) {
      name = g->GetItem(Value - 1).FileName;
      const std::size_t slash = name.find_last_of(u"/\\");
      if (slash != std::u16string::npos) name.erase(0, slash + 1);
    }
    s.Properties.SetComplexString(kPropPibName, name);
  }
  s.Properties.SetValue(kPropPib, static_cast<std::uint32_t>(Value));
}

std::u16string TDrwPicture::PictureName() const { return CheckedShape().Properties.GetComplexString(kPropPibName); }

void TDrwPicture::SetPictureName(std::u16string_view Name) {
  TEscherGroup* g = Drawing_ ? Drawing_->Group() : nullptr;
  const std::u16string want = core::ascii_upper(Name);
  for (int i = 0; g && i < g->Count(); ++i)
    if (core::ascii_upper(g->GetItem(i).FileName) == want) {
      SetPictureId(g->GetItem(i).Index);
      return;
    }
  throw Exception("Can not find picture: " + core::utf16_to_utf8(Name));
}

TDrawingObjects::TDrawingObjects(TEscherDrawing* Drawing)
    : Texts(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddTextBox(); }, "Text "),
      Notes(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddNote(); }, "Note "),
      Basics(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddBasic(); }, "Basic "),
      AutoShapes(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddAutoShape(); }, "AutoShape "),
      Pictures(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddPicture(); }, "Picture ") {}

bool TDrawingObjects::ShapeAdded(TShape& Shape) {
  auto* s = dynamic_cast<TShapeClientAnchor*>(&Shape);
  if (!s) return false;
  if (s->ShapeType == 75) {
    Pictures.AddFromShape(*s);
    return true;
  }
  if (s->ShapeType == 202) {
    if (dynamic_cast<TShapeOutsideMsoNote*>(s->Outside.get()))
      Notes.AddFromShape(*s);
    else
      Texts.AddFromShape(*s);
    return true;
  }
  return false;
}

void TDrawingObjects::Clear() {
  Texts.Clear();
  Notes.Clear();
  Basics.Clear();
  AutoShapes.Clear();
  Pictures.Clear();
}

// ---- controls ----

TShapeControlListBox& TControlListBox::List() const {
  auto* l = dynamic_cast<TShapeControlListBox*>(CheckedShape().Outside.get());
  if (!l) throw Exception("Shape is not a list control");
  return *l;
}

std::u16string TControlListBox::SourceArea() const {
  int sheet, c1, r1, c2, r2;
  List().GetSourceRange(sheet, c1, r1, c2, r2);
  return workbook::AreaToRefStrAbs(c1, r1, c2, r2, true, true, true, true);
}

void TControlListBox::SetSourceArea(std::u16string_view Value) {
  int c1, r1, c2, r2;
  bool a, b, c, d;
  if (!workbook::AreaStrToColRowAbs(Value, c1, r1, c2, r2, a, b, c, d)) throw Exception("Invalid area reference");
  List().SetSourceRange(0, c1, r1, c2, r2);
}

std::u16string TControlListBox::DestCell() const {
  int col, row;
  List().GetLinkedCell(col, row);
  return workbook::ColRowToRefStrAbs(col, row, true, true);
}

void TControlListBox::SetDestCell(std::u16string_view Value) {
  int col, row;
  bool a, b;
  bool ok = false;
  try {
    ok = workbook::RefStrToColRowAbs(Value, col, row, a, b);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) throw Exception("Invalid cell reference");
  List().SetLinkedCell(col, row);
}

TShapeOutsideMsoBaseText& TControlText::TextObject() const {
  auto* t = dynamic_cast<TShapeOutsideMsoBaseText*>(CheckedShape().Outside.get());
  if (!t) throw Exception("Shape has no text");
  return *t;
}

std::u16string TControlText::Text() const { return TextObject().Text; }
void TControlText::SetText(std::u16string_view Value) { TextObject().SetText(Value); }

std::u16string TControlTextMacro::MacroName() const {
  auto* m = dynamic_cast<TShapeOutsideMsoBaseTextMacro*>(&TextObject());
  return m ? m->GetMacroName() : std::u16string();
}

void TControlTextMacro::SetMacroName(std::u16string_view Name) {
  auto* m = dynamic_cast<TShapeOutsideMsoBaseTextMacro*>(&TextObject());
  IDrawingNames* names = Drawing_ ? Drawing_->Services().Names : nullptr;
  if (!m || !names) throw Exception("No name list for macros");
  names->AddProcName(Name);
  m->SetMacroName(Name);
}

TControlComboBoxes::TControlComboBoxes(TEscherDrawing* Drawing)
    : TDrwList(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddComboBox(); }, "ComboBox ") {}

TControlComboBox& TControlComboBoxes::Add() {
  if (!AutofilterAdd) return TDrwList::Add();
  // Autofilter drop-downs are made even while a file is read.
  const bool fileAdd = FileAdd;
  FileAdd = false;
  TMaker keep = Maker_;
  std::string prefix = Prefix_;
  Maker_ = [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddAutofilterComboBox(); };
  Prefix_ = "ComboBox Autofilter ";
  struct Restore {
    TControlComboBoxes& c;
    TMaker m;
    std::string p;
    bool f;
    ~Restore() {
      c.Maker_ = std::move(m);
      c.Prefix_ = std::move(p);
      c.FileAdd = f;
    }
  } restore{*this, std::move(keep), std::move(prefix), fileAdd};
  return TDrwList::Add();
}

TControlObjects::TControlObjects(TEscherDrawing* Drawing)
    : ListBoxes(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddListBox(); }, "ListBox "),
      ComboBoxes(Drawing),
      Buttons(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddButton(); }, "Button "),
      CheckBoxes(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddCheckBox(); }, "CheckBox "),
      RadioButtons(Drawing, [](TEscherDrawing& D) -> TShapeClientAnchor& { return D.AddRadioButton(); }, "RadioButton ") {}

bool TControlObjects::ShapeAdded(TShape& Shape) {
  auto* s = dynamic_cast<TShapeClientAnchor*>(&Shape);
  if (!s || s->ShapeType != 201 || !s->Outside) return false;
  TShapeOutsideMso* o = s->Outside.get();
  // A drop-down is a list-box object too: it is tested first.
  if (dynamic_cast<TShapeControlComboBox*>(o))
    ComboBoxes.AddFromShape(*s);
  else if (dynamic_cast<TShapeControlListBox*>(o))
    ListBoxes.AddFromShape(*s);
  else if (dynamic_cast<TShapeControlButton*>(o))
    Buttons.AddFromShape(*s);
  else if (dynamic_cast<TShapeControlCheckBox*>(o))
    CheckBoxes.AddFromShape(*s);
  else
    return false;
  return true;
}

void TControlObjects::Clear() {
  ListBoxes.Clear();
  ComboBoxes.Clear();
  Buttons.Clear();
  CheckBoxes.Clear();
  RadioButtons.Clear();
}

}  // namespace biff
