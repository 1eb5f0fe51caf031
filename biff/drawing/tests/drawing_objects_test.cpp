#include <gtest/gtest.h>

#include <cmath>

#include "biff/drawing/drawing_objects.h"
#include "biff/drawing/tests/drawing_test_util.h"

using namespace biff;
using namespace drawing_test;

namespace {

std::string Message(const std::function<void()>& Fn) {
  try {
    Fn();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

struct Sheet {
  FakeNames names;
  TEscherGroup group;
  TEscherDrawing drawing{&group, Services()};
  TDrawingObjects objects{&drawing};
  TControlObjects controls{&drawing};

  TDrawingServices Services() {
    TDrawingServices s;
    s.TextId = [] { return 0x77u; };
    s.Names = &names;
    return s;
  }
};

}  // namespace

TEST(DrawingObjects, NewTextBoxDefaults) {
  Sheet sh;
  TDrwText& t = sh.objects.Texts.Add();
  EXPECT_EQ(t.GetID(), 0);
  EXPECT_EQ(t.GetName(), "Text 0");
  EXPECT_EQ(t.GetText(), u"");
  for (int side = 0; side < 4; ++side) EXPECT_DOUBLE_EQ(t.GetMargin(side), -1 / 360000.0) << side;
  t.SetMargin(0, 2.5);
  EXPECT_DOUBLE_EQ(t.GetMargin(0), -1 / 360000.0) << "a new text box has no margin to set";
  t.SetText(std::u16string(40000, u'q'));
  EXPECT_EQ(t.GetText().size(), 32767u);
  EXPECT_EQ(sh.objects.Texts.Add().GetName(), "Text 1");
}

TEST(DrawingObjects, AnchorOffsetsAreClampedAndRounded) {
  Sheet sh;
  TDrwBasic& b = sh.objects.Basics.Add();
  const struct {
    double in;
    std::int32_t stored;
  } cases[] = {{0.5, 512}, {-3, 0}, {std::nan(""), 0}, {7, 1024}, {1.0 / 2048, 0}, {3.0 / 2048, 2}};
  for (const auto& c : cases) {
    b.SetCol1Offset(c.in);
    EXPECT_EQ(b.Shape->Anchor.Dx1, c.stored) << c.in;
  }
  b.SetRow2Offset(0.25);
  EXPECT_EQ(b.Shape->Anchor.Dy2, 64);
  EXPECT_DOUBLE_EQ(b.Row2Offset(), 0.25);
  b.SetFlipVertical(true);
  EXPECT_TRUE(b.Shape->GetFlipV());
  EXPECT_EQ(b.SpId(), b.Shape->SpId);
}

TEST(DrawingObjects, BasicAndAutoShapeTypes) {
  Sheet sh;
  TDrwBasic& b = sh.objects.Basics.Add();
  b.SetShapeType(bstArrow);
  EXPECT_EQ(b.Shape->ShapeType, 20u);
  EXPECT_EQ(b.Shape->Properties.GetValue(465), 1);
  EXPECT_EQ(b.ShapeType(), bstArrow);
  b.SetShapeType(bstLine);
  EXPECT_EQ(b.Shape->Properties.GetValue(465), 0);
  EXPECT_EQ(b.ShapeType(), bstLine);
  b.SetShapeType(bstEllipse);
  EXPECT_EQ(b.ShapeType(), bstEllipse);
  EXPECT_EQ(b.Shape->ObjType(), otOval);

  TDrwAutoShape& a = sh.objects.AutoShapes.Add();
  a.SetShapeType(astMoon);
  EXPECT_EQ(a.Shape->ShapeType, 184u);
  a.Shape->ShapeType = 5;
  EXPECT_EQ(a.ShapeType(), astSun);
  a.SetFillColor(0x123);
  EXPECT_EQ(a.FillColor(), 0x123u);
  a.Shape->Properties.Clear();
  EXPECT_EQ(a.LineColor(), 0xFFFFFFFFu);
}

TEST(DrawingObjects, PictureIdAndName) {
  Sheet empty;
  TDrwPicture& p0 = empty.objects.Pictures.Add();
  EXPECT_EQ(p0.Shape->Anchor.Flags & 2, 2) << "pictures do not size with the cells";
  p0.SetPictureId(3);
  EXPECT_EQ(p0.PictureId(), 3) << "an empty store takes any id";

  Sheet sh;
  TMSOPicture& a = sh.group.AddPicture();
  a.FileName = u"/tmp/Logo.PNG";
  TMSOPicture& b = sh.group.AddPicture();
  b.FileName = u"chart.jpg";
  TDrwPicture& p = sh.objects.Pictures.Add();
  EXPECT_EQ(Message([&] { p.SetPictureId(3); }), "Picture Id out of range.");
  p.SetPictureId(1);
  EXPECT_EQ(p.PictureName(), u"Logo.PNG");
  p.SetPictureName(u"CHART.JPG");
  EXPECT_EQ(p.PictureId(), 2);
  EXPECT_EQ(Message([&] { p.SetPictureName(u"none.png"); }), "Can not find picture: none.png");
  p.SetPictureId(0);
  EXPECT_EQ(p.PictureName(), u"");
}

TEST(DrawingObjects, Macros) {
  Sheet sh;
  TDrwNote& n = sh.objects.Notes.Add();
  EXPECT_EQ(Message([&] { n.AssignMacro(u"M"); }), "Notes can not have macros assigned");
  TDrwText& t = sh.objects.Texts.Add();
  t.AssignMacro(u"Macro1");
  const TBaseRecordStorage& r = t.Shape->ObjRecords;
  ASSERT_EQ(r.Count(), 3);
  EXPECT_EQ(r.Items(1)->Id, ftMacro);
  EXPECT_EQ(r.Items(2)->Id, ftEnd);
  EXPECT_EQ(r.Items(1)->Body, MacroFormula(1));
  EXPECT_EQ(sh.names.names, std::vector<std::u16string>{u"Macro1"});
  EXPECT_EQ(t.Shape->Properties.GetValue(959), 0x00080008);
  EXPECT_EQ(Message([&] { t.AssignMacro(u"macro1"); }), "Invalid name") << "the NAME list refuses a name it has";
}

TEST(DrawingObjects, NotePropertiesAndFileShapes) {
  Sheet sh;
  TDrwNote& n = sh.objects.Notes.Add();
  n.SetCellCol(2);
  n.SetCellRow(6);
  n.SetAuthor(u"Li");
  n.SetAlwaysVisible(true);
  n.SetText(u"hi");
  sh.objects.Pictures.Add();
  sh.objects.Texts.Add();
  sh.objects.Basics.Add();
  const core::Bytes bytes = Write(sh.drawing);

  Sheet back;
  back.drawing.OnShapeRead = [&](TEscherDrawing&, TShape& s) {
    if (!back.objects.ShapeAdded(s)) back.controls.ShapeAdded(s);
  };
  Read(back.drawing, bytes);
  ASSERT_EQ(back.objects.Notes.Count(), 1);
  EXPECT_EQ(back.objects.Pictures.Count(), 1);
  EXPECT_EQ(back.objects.Texts.Count(), 1);
  EXPECT_EQ(back.objects.Basics.Count(), 0) << "basic shapes of a file get no item";
  TDrwNote& r = back.objects.Notes.Items(0);
  EXPECT_EQ(r.CellCol(), 2);
  EXPECT_EQ(r.CellRow(), 6);
  EXPECT_EQ(r.Author(), u"Li");
  EXPECT_TRUE(r.AlwaysVisible());
  EXPECT_EQ(r.GetText(), u"hi");
  EXPECT_EQ(back.drawing.GetShapeCount(), 4) << "file items make no new shapes";

  back.objects.Clear();
  EXPECT_EQ(back.drawing.GetShapeCount(), 1) << "the basic shape has no item";
}

TEST(ControlObjects, DestCellAndSourceArea) {
  Sheet sh;
  TControlListBox& l = sh.controls.ListBoxes.Add();
  EXPECT_EQ(l.Name, "ListBox 0");
  EXPECT_EQ(l.DestCell(), u"$B$2");
  EXPECT_EQ(Message([&] { (void)l.SourceArea(); }), "No source area assigned");
  l.SetDestCell(u"C5");
  EXPECT_EQ(l.DestCell(), u"$C$5");
  l.SetDestCell(u"$D$5");
  EXPECT_EQ(l.DestCell(), u"$D$5");
  EXPECT_EQ(Message([&] { l.SetDestCell(u"no ref"); }), "Invalid cell reference");
  EXPECT_EQ(Message([&] { l.SetSourceArea(u"A1"); }), "Invalid area reference");
  l.SetSourceArea(u"A1:A10");
  EXPECT_EQ(l.SourceArea(), u"$A$1:$A$10");

  sh.controls.ComboBoxes.AutofilterAdd = true;
  TControlComboBox& f = sh.controls.ComboBoxes.Add();
  EXPECT_EQ(f.Name, "ComboBox Autofilter 0");
  EXPECT_EQ(Message([&] { (void)f.DestCell(); }), "Unknown SBS formula.");
}

TEST(ControlObjects, MacroNameAndClear) {
  Sheet sh;
  sh.names.names = {u"A", u"B"};
  TControlButton& b = sh.controls.Buttons.Add();
  EXPECT_EQ(b.Text(), u"Button");
  b.SetMacroName(u"Go");
  EXPECT_EQ(sh.names.names.size(), 3u);
  EXPECT_EQ(b.MacroName(), u"Go");

  Sheet two;
  two.controls.ComboBoxes.Add();
  two.controls.CheckBoxes.Add();
  EXPECT_EQ(two.drawing.GetShapeCount(), 2);
  two.controls.Clear();
  EXPECT_EQ(two.drawing.GetShapeCount(), 0);
  EXPECT_TRUE(two.group.DGG.Clusters.empty()) << "the drawing's cluster goes with its last shape";
  EXPECT_EQ(two.controls.ComboBoxes.Count(), 0);
}

TEST(ControlObjects, DeleteById) {
  Sheet sh;
  sh.controls.ComboBoxes.Add();
  sh.controls.ComboBoxes.Add();
  sh.controls.ComboBoxes.DeleteById(1);
  ASSERT_EQ(sh.controls.ComboBoxes.Count(), 1);
  EXPECT_EQ(sh.controls.ComboBoxes.Items(0).GetID(), 0);
  sh.controls.ComboBoxes.DeleteById(7);
  EXPECT_EQ(sh.drawing.GetShapeCount(), 1);
}
