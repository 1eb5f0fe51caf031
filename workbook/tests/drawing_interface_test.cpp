#include "workbook/drawing_interface.h"

#include <gtest/gtest.h>

#include "workbook/spreadsheet_component.h"

namespace workbook {
namespace {

// A drawing document with prepared anchors; added pictures are recorded.
struct FakeDrawing : TObject, IXLSDrawingDocument {
  std::vector<TXLSAnchorInfo> anchors;
  struct Added {
    TXLSAnchorMarker from, to;
    std::int32_t id;
    std::u16string name, description;
    TXc12GraphicImage* image;
  };
  std::vector<Added> added;
  int elements[8] = {};
  void GetAnchors(std::vector<TXLSAnchorInfo>& A) override { A = anchors; }
  void* AddPictureAnchor(const TXLSAnchorMarker& From, const TXLSAnchorMarker& To, std::int32_t Id,
                         const std::u16string& Name, const std::u16string& Description,
                         TXc12GraphicImage* Image) override {
    added.push_back({From, To, Id, Name, Description, Image});
    return &elements[added.size() % 8];
  }
  bool GetPictureAnchor(void* Element, TXLSAnchorMarker& From, TXLSAnchorMarker& To, TXc12GraphicImage*& Image) override {
    for (std::size_t i = 0; i < added.size(); ++i)
      if (Element == &elements[(i + 1) % 8]) {
        From = added[i].from;
        To = added[i].to;
        Image = added[i].image;
        return true;
      }
    return false;
  }
};

std::vector<std::uint8_t> Png(int w, int h) {
  std::vector<std::uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (int v : {w, h})
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
  b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
  return b;
}

struct DrawingBook : ::testing::Test {
  std::vector<FakeDrawing*> docs;
  TXLSSpreadsheetNeighbours n;
  std::unique_ptr<TXLSSpreadsheet5> xls;
  DrawingBook() {
    n.CreateDrawing = [this](TXc12Manager*) {
      auto d = std::make_unique<FakeDrawing>();
      docs.push_back(d.get());
      return std::unique_ptr<TObject>(std::move(d));
    };
    xls = std::make_unique<TXLSSpreadsheet5>(n);
  }
  FakeDrawing* Doc() { return docs.back(); }
};

TEST_F(DrawingBook, RebuildSortsAnchoredObjects) {
  FakeDrawing* d = Doc();
  auto two = [](std::int32_t id) {
    TXLSAnchorInfo a;
    a.ObjectId = id;
    return a;
  };
  TXLSAnchorInfo p1 = two(5), p2 = two(1200), box = two(7), chart = two(8), shape = two(9), plain = two(3);
  p1.PictureWithBlip = p2.PictureWithBlip = true;
  box.TextBox = true;
  box.PresetShape = true;  // a text box even with a preset geometry
  chart.Chart = true;
  shape.PresetShape = true;
  TXLSAnchorInfo word;
  word.Kind = TXLSAnchorKind::OneCell;
  word.Scene3D = true;
  word.ObjectId = 2;
  TXLSAnchorInfo absolute;
  absolute.Kind = TXLSAnchorKind::Absolute;
  absolute.ObjectId = 1500;
  d->anchors = {p1, box, chart, p2, shape, plain, word};
  TXLSDrawing* drawing = xls->GetItem(0)->GetDrawing();
  drawing->Rebuild();
  EXPECT_EQ(drawing->Images.Count(), 2);
  EXPECT_EQ(drawing->TextBoxes.Count(), 1);
  EXPECT_EQ(drawing->Charts.Count(), 1);
  EXPECT_EQ(drawing->Shapes.Count(), 1);
  EXPECT_EQ(drawing->WordArts.Count(), 1);
  EXPECT_EQ(drawing->NextId, 1200);
  d->anchors = {absolute};
  drawing->Rebuild();
  EXPECT_EQ(drawing->Images.Count(), 0);
  EXPECT_EQ(drawing->NextId, 1500);
}

TEST_F(DrawingBook, AddImageNamesByPictureNumber) {
  TXLSDrawing* drawing = xls->GetItem(0)->GetDrawing();
  TXLSImageAnchor at;
  at.Col1 = 1;
  at.Row1 = 2;
  at.Col2 = 4;
  at.Row2 = 8;
  at.Col2Offset = 0.6;
  at.Row1Offset = 0.5;
  xls->GetItem(0)->GetRows()->GetItem(2)->SetHeight(600);
  xls->GetItem(0)->GetColumns()->GetItem(4)->SetWidth(5120);  // 20 characters: 140 pixels
  for (const char16_t* name : {u"a.png", u"b.png", u"c.png"}) {
    std::vector<std::uint8_t> bytes = Png(300, 200);
    TMemoryStream s(bytes);
    ASSERT_NE(drawing->AddImage(name, s, at), nullptr);
  }
  FakeDrawing* d = Doc();
  ASSERT_EQ(d->added.size(), 3u);
  EXPECT_EQ(d->added[2].name, u"Picture 3");
  EXPECT_EQ(d->added[2].id, 3);
  EXPECT_EQ(d->added[2].to.Col, 4);
  // Offsets are fractions of the cell, stored in EMU: 0.6 of a column of 140 pixels, half of a row
  // of 30 points.
  EXPECT_EQ(d->added[2].to.ColOff, 800100);
  EXPECT_EQ(d->added[2].from.Row, 2);
  EXPECT_EQ(d->added[2].from.RowOff, 190500);
  EXPECT_EQ(d->added[2].from.ColOff, 0);
  EXPECT_EQ(drawing->Images.Count(), 3);
  TMemoryStream junk(std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_EQ(drawing->AddImage(u"x.png", junk, at), nullptr);
}

// A legacy document whose one sheet holds pictures: one without id, two PNGs and one of a type
// the drawing layer does not take.
struct PictureLegacy : IXLSLegacyDocument {
  TXc12Manager* m;
  std::vector<std::uint8_t> png;
  struct AddedPicture {
    int sheet;
    std::u16string name;
    std::size_t size;
    TXLSImageAnchor anchor;
  };
  std::vector<AddedPicture>* added;
  int objects = 0;
  void SheetAdded() override {}
  void SheetDeleted(int) override {}
  void SheetMoved(int, int) override {}
  int EncodeFormula(const std::u16string&, std::uint8_t*, int, int) override { return 0; }
  void SetFilename(const std::u16string&) override {}
  void Read() override {}
  void ReadStream(TStream&) override { m->Worksheets->Add(-1)->Name = u"Sheet1"; }
  void Write() override {}
  void WriteStream(TStream&) override {}
  TObject* ExternalNames() override { return nullptr; }
  std::vector<TNote> SheetNotes(int) override { return {}; }
  std::vector<TPicture> SheetPictures(int Sheet) override {
    if (Sheet != 0) return {};
    TXLSImageAnchor at;
    at.Col1 = 1;
    at.Row1 = 1;
    at.Col1Offset = 0.5;
    at.Col2 = 3;
    at.Row2 = 6;
    return {TPicture{0, 6, png, at}, TPicture{1, 6, png, at}, TPicture{2, 4, png, at}, TPicture{3, 6, png, at}};
  }
  TObject* SheetDrawingObjects(int) override { return reinterpret_cast<TObject*>(&objects); }
  bool AddPicture(int Sheet, const std::u16string& Name, const std::vector<std::uint8_t>& Data,
                  const TXLSImageAnchor& Anchor) override {
    added->push_back({Sheet, Name, Data.size(), Anchor});
    return true;
  }
};

TEST_F(DrawingBook, LegacyPicturesComeToTheDrawingAndGoBack) {
  std::vector<PictureLegacy::AddedPicture> added;
  PictureLegacy* legacy = nullptr;
  n.CreateLegacyDocument = [&](TXc12Manager* m, IXLSFormulaHandler*, const TXLSLegacyOptions&) {
    auto d = std::make_unique<PictureLegacy>();
    d->m = m;
    d->png = Png(40, 30);
    d->added = &added;
    legacy = d.get();
    return d;
  };
  xls = std::make_unique<TXLSSpreadsheet5>(n);
  TMemoryStream biff(std::vector<std::uint8_t>{'B', 'I', 'F', 'F'});
  xls->LoadFromStream(biff, true);
  ASSERT_EQ(xls->GetVersion(), xvExcel97);
  TXLSDrawing* drawing = xls->GetItem(0)->GetDrawing();
  EXPECT_EQ(drawing->GetLegacyObjects(), reinterpret_cast<TObject*>(&legacy->objects));
  ASSERT_EQ(Doc()->added.size(), 2u);
  const TXc12GraphicImages& images = xls->GetManager()->Graphics->Images;
  ASSERT_EQ(images.Count(), 2);
  EXPECT_EQ(images.GetItems(0)->FileName, u"Pict1_2.png");
  EXPECT_EQ(images.GetItems(1)->FileName, u"Pict1_4.png");
  EXPECT_EQ(Doc()->added[0].from.Col, 1);
  EXPECT_EQ(Doc()->added[0].from.ColOff, 32 * 9525);  // half of a 64-pixel column
  EXPECT_EQ(Doc()->added[0].to.Row, 6);

  // And back to the legacy sheet, with the near offset as a fraction again.
  auto* image = static_cast<TXLSDrawingImage*>(drawing->Images.Items.GetItem(0));
  ASSERT_TRUE(xls->AddBIFFPicture(image, 0, 0.25, 0.75));
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].name, u"Pict1_2.png");
  EXPECT_EQ(added[0].size, legacy->png.size());
  EXPECT_EQ(added[0].anchor.Col1, 1);
  EXPECT_DOUBLE_EQ(added[0].anchor.Col1Offset, 0.5);
  EXPECT_EQ(added[0].anchor.Row2, 6);
  EXPECT_DOUBLE_EQ(added[0].anchor.Row2Offset, 0.25);
  EXPECT_DOUBLE_EQ(added[0].anchor.Col2Offset, 0.75);
  EXPECT_FALSE(xls->AddBIFFPicture(image, 5, 0, 0));
  xls->SetVersion(xvExcel2007);
  EXPECT_FALSE(xls->AddBIFFPicture(image, 0, 0, 0));
}

TEST(Drawing, WithoutDocumentAddsNothing) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  std::vector<std::uint8_t> bytes = Png(1, 1);
  TMemoryStream s(bytes);
  EXPECT_EQ(xls.GetItem(0)->GetDrawing()->AddImage(u"a.png", s, TXLSImageAnchor{}), nullptr);
  xls.GetItem(0)->GetDrawing()->Rebuild();
  EXPECT_EQ(xls.GetItem(0)->GetDrawing()->NextId, 1000);
}

}  // namespace
}  // namespace workbook
