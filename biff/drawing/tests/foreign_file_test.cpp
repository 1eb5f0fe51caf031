// Drawings written by another program (Perl's .xls writer from Debian): notes, a picture and an
// embedded chart are read, written and read again.
#include <gtest/gtest.h>

#include "biff/drawing/tests/drawing_test_util.h"
#include "platform/storage/compound_file.h"

using namespace biff;
using namespace drawing_test;

namespace {

struct SheetDrawing {
  std::unique_ptr<TEscherDrawing> drawing;
  int notes = 0;
};

// Walks the workbook stream as the reader does: each worksheet's first MSODRAWING starts its
// drawing, NOTE records go to it.
std::vector<SheetDrawing> ReadSheets(TEscherGroup& Group, const std::string& File) {
  TXLSStream s;
  s.Open(File);
  std::vector<SheetDrawing> sheets;
  TBIFFHeader h;
  bool inSheet = false;
  while (s.ReadHeader(h) == 4) {
    if (h.RecID == BIFFRECID_BOF_8) {
      core::Bytes b(h.Length);
      s.Read(b.data(), h.Length);
      inSheet = b.size() >= 4 && core::load_le16(b.data() + 2) == 0x0010;
      if (inSheet) sheets.push_back({});
      continue;
    }
    if (inSheet && h.RecID == BIFFRECID_MSODRAWING && !sheets.back().drawing) {
      TDrawingServices sv;
      sv.TextId = [] { return 1u; };
      sheets.back().drawing = std::make_unique<TEscherDrawing>(&Group, sv);
      s.BeginCONTINUERead();
      sheets.back().drawing->ReadFromStream(s, h.Length);
      s.EndCONTINUERead();
      continue;
    }
    core::Bytes b(h.Length);
    if (h.Length) s.Read(b.data(), h.Length);
    if (inSheet && h.RecID == BIFFRECID_NOTE) {
      std::u16string author;
      const int n = core::load_le16(b.data() + 8);
      for (int i = 0; i < n; ++i)
        author.push_back(b[10] ? static_cast<char16_t>(core::load_le16(b.data() + 11 + 2 * i)) : static_cast<char16_t>(b[11 + i]));
      sheets.back().drawing->SetNote(core::load_le16(b.data() + 2), core::load_le16(b.data()), author,
                                     core::load_le16(b.data() + 6), core::load_le16(b.data() + 4));
      ++sheets.back().notes;
    }
  }
  return sheets;
}

const TShapeOutsideMsoNote* NoteAt(const TEscherDrawing& D, int Col, int Row) {
  for (int i = 0; i < D.GetShapeCount(); ++i)
    if (auto* n = dynamic_cast<TShapeOutsideMsoNote*>(D.GetShape(i).Outside.get()); n && n->Col == Col && n->Row == Row)
      return n;
  return nullptr;
}

}  // namespace

TEST(ForeignDrawings, PerlWriterNotesPictureAndChart) {
  TEscherGroup group;
  std::vector<SheetDrawing> sheets = ReadSheets(group, THC_DRAWING_FIXTURES "/perl_notes_chart.xls");
  ASSERT_EQ(sheets.size(), 2u);
  ASSERT_TRUE(sheets[0].drawing && sheets[1].drawing);
  TEscherDrawing& d = *sheets[0].drawing;
  EXPECT_EQ(sheets[0].notes, 2);
  const TShapeOutsideMsoNote* b2 = NoteAt(d, 1, 1);
  ASSERT_NE(b2, nullptr);
  EXPECT_EQ(b2->Text, u"Checked by QA");
  EXPECT_EQ(b2->Author, u"Inspector");
  const TShapeOutsideMsoNote* c5 = NoteAt(d, 2, 4);
  ASSERT_NE(c5, nullptr);
  EXPECT_EQ(c5->Text, u"Second note, always shown");
  EXPECT_TRUE(c5->NoteFlags & 2);
  int pictures = 0;
  for (int i = 0; i < d.GetShapeCount(); ++i)
    if (d.GetShape(i).ShapeType == 75) {
      ++pictures;
      EXPECT_EQ(d.GetShape(i).Properties.GetBlipId(), 1);
    }
  EXPECT_EQ(pictures, 1);

  TEscherDrawing& c = *sheets[1].drawing;
  const TShapeOutsideMsoChart* chart = nullptr;
  for (int i = 0; i < c.GetShapeCount(); ++i)
    if (auto* x = dynamic_cast<TShapeOutsideMsoChart*>(c.GetShape(i).Outside.get())) chart = x;
  ASSERT_NE(chart, nullptr);
  EXPECT_GT(const_cast<TShapeOutsideMsoChart*>(chart)->Root().Count(), 2);
  ASSERT_NE(NoteAt(c, 0, 0), nullptr);
  EXPECT_EQ(NoteAt(c, 0, 0)->Text, u"First value");

  // Written by this library and read again, then written once more: the same bytes.
  for (SheetDrawing& sd : sheets) {
    const core::Bytes first = Write(*sd.drawing);
    TEscherGroup g2;
    TEscherDrawing again(&g2, {});
    Read(again, first);
    EXPECT_EQ(again.GetShapeCount(), sd.drawing->GetShapeCount());
    EXPECT_EQ(Write(again), first);
    // The ids of shapes made now stay clear of the file's.
    const std::uint32_t fresh = again.AddTextBox().SpId;
    for (int i = 0; i + 1 < again.GetShapeCount(); ++i) EXPECT_NE(again.GetShape(i).SpId, fresh);
  }
  MaybeSaveSeed("perl_sheet1.bin", Write(*sheets[0].drawing));
  MaybeSaveSeed("perl_sheet2.bin", Write(*sheets[1].drawing));
}
