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
  };
  std::vector<Added> added;
  int elements[8] = {};
  void GetAnchors(std::vector<TXLSAnchorInfo>& A) override { A = anchors; }
  void* AddPictureAnchor(const TXLSAnchorMarker& From, const TXLSAnchorMarker& To, std::int32_t Id,
                         const std::u16string& Name, const std::u16string& Description, TXc12GraphicImage*) override {
    added.push_back({From, To, Id, Name, Description});
    return &elements[added.size() % 8];
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
  EXPECT_EQ(d->added[2].to.ColOff, 1);
  EXPECT_EQ(d->added[2].from.Row, 2);
  EXPECT_EQ(drawing->Images.Count(), 3);
  TMemoryStream junk(std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_EQ(drawing->AddImage(u"x.png", junk, at), nullptr);
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
