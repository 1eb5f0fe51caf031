#include <gtest/gtest.h>

#include "biff/drawing/tests/drawing_test_util.h"
#include "core/strings.h"

using namespace biff;
using namespace drawing_test;

namespace {

TDrawingServices FixedIds() {
  TDrawingServices s;
  s.TextId = [n = std::uint32_t(0x1000)]() mutable { return n++; };
  s.DefaultFontIndex = [] { return 0; };
  return s;
}

std::string Message(const std::function<void()>& Fn) {
  try {
    Fn();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

std::vector<std::uint16_t> Ids(const std::vector<Rec>& Rs) {
  std::vector<std::uint16_t> ids;
  for (const Rec& r : Rs) ids.push_back(r.id);
  return ids;
}

// The total of the drawing bytes must equal what the DgContainer says it holds.
void ExpectConsistentLengths(const core::Bytes& Stream) {
  std::int64_t drawing = 0;
  std::uint32_t declared = 0;
  bool first = true;
  for (const Rec& r : Records(Stream)) {
    if (r.id != BIFFRECID_MSODRAWING) continue;
    if (first) declared = core::load_le32(r.body.data() + 4);
    first = false;
    drawing += static_cast<std::int64_t>(r.body.size());
  }
  EXPECT_EQ(drawing, static_cast<std::int64_t>(declared) + 8);
}

TEscherDrawing& Reread(std::unique_ptr<TEscherDrawing>& Out, TEscherGroup& G, const core::Bytes& Bytes) {
  Out = std::make_unique<TEscherDrawing>(&G, FixedIds());
  Read(*Out, Bytes);
  return *Out;
}

}  // namespace

TEST(EscherDrawing, FirstNoteTakesTheFirstIds) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& note = d.AddNote();
  EXPECT_EQ(d.DgId(), 1u);
  EXPECT_EQ(d.Root().SpId, 1024u);
  EXPECT_EQ(d.Root().Flags, 5u);
  EXPECT_EQ(note.SpId, 1025u);
  EXPECT_EQ(note.Outside->ObjId, 1);
  EXPECT_EQ(note.ObjId(), 2);
  EXPECT_EQ(note.ObjType(), otNote);
  EXPECT_EQ(note.Anchor.Col1, 1);
  EXPECT_EQ(note.Anchor.Row2, 5);
  EXPECT_EQ(d.AddTextBox().SpId, 1026u);
  EXPECT_EQ(g.DGG.Clusters.size(), 1u);
}

TEST(EscherDrawing, MakersGiveTheirShapeTypesAnchorsAndObjects) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  struct Case {
    const char* name;
    TShapeClientAnchor& (TEscherDrawing::*make)();
    std::uint32_t type;
    int col1, row1, col2, row2;
    std::uint16_t ot;
  } cases[] = {
      {"text box", &TEscherDrawing::AddTextBox, 202, 1, 1, 3, 5, otText},
      {"line", &TEscherDrawing::AddBasic, 20, 1, 1, 3, 5, otLine},
      {"list box", &TEscherDrawing::AddListBox, 201, 3, 1, 5, 5, otListBox},
      {"drop-down", &TEscherDrawing::AddComboBox, 201, 3, 1, 5, 2, otDropDown},
      {"button", &TEscherDrawing::AddButton, 201, 3, 1, 4, 2, otButton},
      {"note", &TEscherDrawing::AddNote, 202, 1, 1, 3, 5, otNote},
      {"auto shape", &TEscherDrawing::AddAutoShape, 183, 1, 1, 2, 5, otOfficeArt},
      {"picture", &TEscherDrawing::AddPicture, 75, 1, 1, 3, 7, otPicture},
      {"option button", &TEscherDrawing::AddRadioButton, 201, 3, 1, 4, 2, otOptionButton},
      {"chart", &TEscherDrawing::AddChart, 201, 2, 1, 8, 16, otChart},
      {"check box", &TEscherDrawing::AddCheckBox, 201, 3, 1, 4, 2, otCheckBox},
  };
  for (const Case& c : cases) {
    TShapeClientAnchor& s = (d.*c.make)();
    EXPECT_EQ(s.ShapeType, c.type) << c.name;
    EXPECT_EQ(s.Flags, 0xA00u) << c.name;
    EXPECT_EQ(s.Anchor.Col1, c.col1) << c.name;
    EXPECT_EQ(s.Anchor.Row1, c.row1) << c.name;
    EXPECT_EQ(s.Anchor.Col2, c.col2) << c.name;
    EXPECT_EQ(s.Anchor.Row2, c.row2) << c.name;
    EXPECT_EQ(s.ObjType(), c.ot) << c.name;
    EXPECT_EQ(s.Properties.Count, s.Properties.Entries()) << c.name;
  }
  // Every spid is unique, and every OBJ id too.
  std::vector<std::uint32_t> spids;
  std::vector<int> objids;
  for (int i = 0; i < d.GetShapeCount(); ++i) {
    spids.push_back(d.GetShape(i).SpId);
    objids.push_back(d.GetShape(i).ObjId());
  }
  std::sort(spids.begin(), spids.end());
  std::sort(objids.begin(), objids.end());
  EXPECT_EQ(std::adjacent_find(spids.begin(), spids.end()), spids.end());
  EXPECT_EQ(std::adjacent_find(objids.begin(), objids.end()), objids.end());
}

TEST(EscherDrawing, TextBoxWritesItsRecordsInOrder) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& box = d.AddTextBox();
  static_cast<TShapeOutsideMsoBaseText&>(*box.Outside).SetText(u"Hello");
  const core::Bytes bytes = Write(d);
  const std::vector<Rec> rs = Records(bytes);
  ASSERT_EQ(Ids(rs), (std::vector<std::uint16_t>{BIFFRECID_MSODRAWING, BIFFRECID_OBJ, BIFFRECID_MSODRAWING,
                                                  BIFFRECID_TXO, BIFFRECID_CONTINUE, BIFFRECID_CONTINUE}));
  EXPECT_EQ(rs[0].body.size(), static_cast<std::size_t>(80 + box.GetSize() - 8));
  EXPECT_EQ(rs[2].body, (core::Bytes{0, 0, 0x0D, 0xF0, 0, 0, 0, 0})) << "the ClientTextbox alone";
  EXPECT_EQ(core::load_le16(rs[3].body.data() + 10), 5) << "cchText";
  EXPECT_EQ(core::load_le16(rs[3].body.data() + 12), 16) << "cbRuns: two runs";
  EXPECT_EQ(rs[4].body.size(), 11u);
  EXPECT_EQ(rs[4].body[0], 1) << "UTF-16";
  EXPECT_EQ(core::load_le16(rs[5].body.data() + 8), 5) << "the last run closes the text";
  ExpectConsistentLengths(bytes);
}

TEST(EscherDrawing, TwoNotesWriteTwoNOTERecordsInShapeOrder) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& a = d.AddNote();
  d.AddBasic();
  TShapeClientAnchor& b = d.AddNote();
  auto& na = static_cast<TShapeOutsideMsoNote&>(*a.Outside);
  auto& nb = static_cast<TShapeOutsideMsoNote&>(*b.Outside);
  na.Col = 2;
  na.Row = 7;
  na.Author = u"Ann";
  na.NoteFlags = 2;
  nb.Col = 0;
  nb.Row = 0;
  const std::vector<Rec> rs = Records(Write(d));
  std::vector<Rec> notes;
  for (const Rec& r : rs)
    if (r.id == BIFFRECID_NOTE) notes.push_back(r);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(rs.back().id, BIFFRECID_NOTE);
  EXPECT_EQ(notes[0].body, (core::Bytes{7, 0, 2, 0, 2, 0, static_cast<std::uint8_t>(a.ObjId()), 0, 3, 0, 1, 'A', 0, 'n', 0, 'n', 0}));
  EXPECT_EQ(notes[1].body.size(), 11u) << "an empty author: the option byte 0 alone";
  EXPECT_EQ(core::load_le16(notes[1].body.data() + 6), b.ObjId());
  EXPECT_EQ(notes[1].body[10], 0);
}

TEST(EscherDrawing, RoundTripOfPictureNoteTextBoxAndControls) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& pic = d.AddPicture();
  pic.Anchor.Dx1 = 100;
  pic.Anchor.Dy2 = 200;
  pic.SetFlipH(true);
  TShapeClientAnchor& note = d.AddNote();
  auto& n = static_cast<TShapeOutsideMsoNote&>(*note.Outside);
  n.SetText(u"Checked by \u5f20\u4e09");
  n.Author = u"QA";
  n.Col = 3;
  n.Row = 9;
  TShapeClientAnchor& box = d.AddTextBox();
  static_cast<TShapeOutsideMsoBaseText&>(*box.Outside).SetText(u"Box text");
  TShapeClientAnchor& button = d.AddButton();
  TShapeClientAnchor& list = d.AddListBox();
  static_cast<TShapeControlListBox&>(*list.Outside).SetSourceRange(0, 1, 2, 1, 9);
  d.AddCheckBox();
  d.AddComboBox();
  const core::Bytes first = Write(d);
  ExpectConsistentLengths(first);
  MaybeSaveSeed("round_trip.bin", first);

  TEscherGroup g2;  // outlives the drawing that binds a cluster in it
  std::unique_ptr<TEscherDrawing> back;
  TEscherDrawing& r = Reread(back, g2, first);
  ASSERT_EQ(r.GetShapeCount(), d.GetShapeCount());
  EXPECT_EQ(r.DgId(), d.DgId());
  EXPECT_EQ(r.Root().SpId, 1024u);
  for (int i = 0; i < d.GetShapeCount(); ++i) {
    EXPECT_EQ(r.GetShape(i).SpId, d.GetShape(i).SpId) << i;
    EXPECT_EQ(r.GetShape(i).ShapeType, d.GetShape(i).ShapeType) << i;
    EXPECT_EQ(r.GetShape(i).ObjType(), d.GetShape(i).ObjType()) << i;
    EXPECT_EQ(r.GetShape(i).ObjId(), d.GetShape(i).ObjId()) << i;
  }
  EXPECT_EQ(r.GetShape(0).Properties.GetValue(260), 0) << "picture reference 0 kept";
  EXPECT_EQ(r.GetShape(0).Properties.GetComplexString(261), u"[???]");
  EXPECT_TRUE(r.GetShape(0).GetFlipH());
  EXPECT_EQ(r.GetShape(0).ClientAnchor()->Dx1, 100);
  EXPECT_EQ(r.GetShape(0).ClientAnchor()->Dy2, 200);
  auto* rn = dynamic_cast<TShapeOutsideMsoNote*>(r.GetShape(1).Outside.get());
  ASSERT_NE(rn, nullptr);
  EXPECT_EQ(rn->Text, u"Checked by \u5f20\u4e09");
  EXPECT_EQ(rn->Author, u"QA");
  EXPECT_EQ(rn->Col, 3);
  EXPECT_EQ(rn->Row, 9);
  EXPECT_EQ(static_cast<TShapeOutsideMsoBaseText&>(*r.GetShape(2).Outside).Text, u"Box text");
  auto* rb = dynamic_cast<TShapeControlButton*>(r.GetShape(3).Outside.get());
  ASSERT_NE(rb, nullptr);
  EXPECT_EQ(rb->Text, u"Button");
  EXPECT_EQ(rb->ObjId, static_cast<TShapeOutsideMso&>(*button.Outside).ObjId);
  auto* rl = dynamic_cast<TShapeControlListBox*>(r.GetShape(4).Outside.get());
  ASSERT_NE(rl, nullptr);
  int sheet, c1, r1, c2, r2;
  rl->GetSourceRange(sheet, c1, r1, c2, r2);
  EXPECT_EQ((std::vector<int>{c1, r1, c2, r2}), (std::vector<int>{1, 2, 1, 9}));
  EXPECT_NE(dynamic_cast<TShapeControlCheckBox*>(r.GetShape(5).Outside.get()), nullptr);
  EXPECT_NE(dynamic_cast<TShapeControlComboBox*>(r.GetShape(6).Outside.get()), nullptr);
  EXPECT_EQ(r.HighestObjId(), d.HighestObjId());

  // What was read is written back byte for byte.
  EXPECT_EQ(Write(r), first);
}

TEST(EscherDrawing, RoundTripThroughACompoundFile) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  static_cast<TShapeOutsideMsoBaseText&>(*d.AddNote().Outside).SetText(u"n");
  d.AddPicture();
  core::Bytes file;
  {
    TXLSStream s;
    s.SetOutputStream(&file);
    s.CreateFile("", xvExcel97);
    d.WriteToStream(s);
    s.WriteHeader(0x000A, 0);
    s.Close();
  }
  TXLSStream s;
  s.SetInputStream(file);
  ASSERT_EQ(s.Open(""), xvExcel97);
  TBIFFHeader h;
  ASSERT_EQ(s.ReadHeader(h), 4);
  s.BeginCONTINUERead();  // as the reader does; the drawing follows the records itself
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  r.ReadFromStream(s, h.Length);
  s.EndCONTINUERead();
  EXPECT_EQ(r.GetShapeCount(), 2);
  ASSERT_EQ(s.ReadHeader(h), 4);
  EXPECT_EQ(h.RecID, BIFFRECID_NOTE);
}

TEST(EscherDrawing, IMDATABetweenDrawingRecordsIsSkipped) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddBasic();
  d.AddAutoShape();
  std::vector<Rec> rs = Records(Write(d));
  ASSERT_EQ(Ids(rs), (std::vector<std::uint16_t>{BIFFRECID_MSODRAWING, BIFFRECID_OBJ, BIFFRECID_MSODRAWING, BIFFRECID_OBJ}));
  rs.insert(rs.begin() + 2, {{BIFFRECID_IMDATA, core::Bytes(30, 7)},
                             {BIFFRECID_CONTINUE, core::Bytes(20, 8)},
                             {BIFFRECID_CONTINUE, core::Bytes(10, 9)}});
  MaybeSaveSeed("imdata.bin", Join(rs));
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  const std::vector<Rec> rest = Read(r, Join(rs));
  ASSERT_EQ(r.GetShapeCount(), 2);
  EXPECT_EQ(r.GetShape(1).ShapeType, 183u);
  EXPECT_TRUE(rest.empty());
}

TEST(EscherDrawing, NOTEWithoutItsShapeFails) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddNote();
  EXPECT_EQ(Message([&] { d.SetNote(1, 1, u"x", 7, 0); }), "Can not find shape for note #7");
  EXPECT_EQ(Message([&] { d.SetNote(1, 1, u"x", 1, 0); }), "Can not find shape for note #1")
      << "the note is found by its ftCmo id, not by the id of the object beside";
  d.SetNote(4, 5, u"Bo", 2, 2);
}

TEST(EscherDrawing, DeletingTheLastShapeRemovesTheCluster) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& a = d.AddTextBox();
  const std::uint32_t keep = d.AddBasic().SpId;
  d.DeleteShape(a.SpId);
  EXPECT_EQ(d.GetShapeCount(), 1);
  EXPECT_EQ(g.DGG.Clusters.size(), 1u);
  d.DeleteShape(9999);
  EXPECT_EQ(d.GetShapeCount(), 1) << "an unknown spid deletes nothing";
  d.DeleteShape(keep);
  EXPECT_EQ(d.DgId(), 0u);
  EXPECT_TRUE(g.DGG.Clusters.empty());
  EXPECT_TRUE(Write(d).empty()) << "no shapes: no records";
  TShapeClientAnchor& b = d.AddNote();
  EXPECT_EQ(g.DGG.Clusters.size(), 1u);
  EXPECT_EQ(d.Root().SpId, 2048u) << "a new cluster has a new spid base";
  EXPECT_EQ(b.SpId, 2049u);
}

TEST(EscherDrawing, ShapesOfAFileWithAStaleSpIdCurGetFreshIds) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddTextBox();
  d.AddBasic();  // spid 1026
  core::Bytes bytes = Write(d);
  // Another producer stores the last spid used (1026) rather than the next one.
  core::store_le32(bytes.data() + 4 + 8 + 8 + 4, 1026);
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  Read(r, bytes);
  EXPECT_EQ(r.AddAutoShape().SpId, 1027u);
}

TEST(EscherDrawing, SolverContainerIsKept) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddBasic();
  std::vector<Rec> rs = Records(Write(d));
  // A solver container with one rule after the shapes, in an MSODRAWING of its own.
  core::ByteWriter w;
  TMSOHeader::Make(0xF, 1, msoSolverContainer, 16).Write(w);
  TMSOHeader::Make(0, 0, 0xF012, 8).Write(w);
  w.u32le(1);
  w.u32le(2);
  core::store_le32(rs[0].body.data() + 4, core::load_le32(rs[0].body.data() + 4) + 24);
  rs.push_back({BIFFRECID_MSODRAWING, w.data()});
  const core::Bytes in = Join(rs);
  MaybeSaveSeed("solver.bin", in);
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  Read(r, in);
  ASSERT_NE(r.SolverContainer(), nullptr);
  EXPECT_EQ(r.SolverContainer()->Count(), 2);
  EXPECT_EQ(Write(r), in);
}

TEST(EscherDrawing, GroupsAreReadAndWrittenWithTheirChildren) {
  // A group of two child shapes built by hand and written by the drawing itself.
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddBasic();
  auto group = std::make_unique<TShapeGroupClientAnchor>(&d);
  group->SpId = d.NextSpId();
  group->Flags = spfGroup | spfHaveAnchor;
  group->GroupRect = {0, 0, 100, 50};
  const core::Bytes cmo = {0, 0, 9, 0, 0x11, 0x60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  group->ObjRecords.Add(MakeIdLen(ftCmo, 18), cmo.data());
  group->ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
  for (int i = 0; i < 2; ++i) {
    auto child = std::make_unique<TShapeChildAnchor>();
    child->SpId = d.NextSpId();
    child->ShapeType = 1;
    child->Flags = spfChild | spfHaveAnchor | spfHaveSpt;
    child->Rect = {i * 10, 0, i * 10 + 5, 5};
    core::Bytes c = cmo;
    c[0] = otRectangle;
    c[2] = static_cast<std::uint8_t>(10 + i);
    child->ObjRecords.Add(MakeIdLen(ftCmo, 18), c.data());
    child->ObjRecords.Add(MakeIdLen(ftEnd, 0), nullptr);
    group->Add(std::move(child));
  }
  d.Root().Add(std::move(group));
  d.AddNote();
  const core::Bytes bytes = Write(d);
  ExpectConsistentLengths(bytes);
  MaybeSaveSeed("group.bin", bytes);
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  int seen = 0;
  r.OnShapeRead = [&](TEscherDrawing&, TShape&) { ++seen; };
  Read(r, bytes);
  ASSERT_EQ(r.GetShapeCount(), 3);
  ASSERT_TRUE(r.GetShape(1).IsGroup());
  auto& rg = static_cast<TShapeGroup&>(r.GetShape(1));
  ASSERT_EQ(rg.GetCount(), 2);
  EXPECT_EQ(rg.GetItem(1).ChildAnchor()->Left, 10);
  EXPECT_EQ(rg.GroupRect.Right, 100);
  EXPECT_EQ(r.GetShape(2).ObjType(), otNote);
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(Write(r), bytes);
}

TEST(EscherDrawing, DamagedDrawingsFailWithTheShapeNumber) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  d.AddBasic();
  d.AddPicture();
  const core::Bytes good = Write(d);
  const std::vector<Rec> rs = Records(good);
  struct Case {
    const char* name;
    std::function<void(std::vector<Rec>&)> damage;
    std::string want;
  } cases[] = {
      {"no DgContainer", [](std::vector<Rec>& r) { r[0].body[2] = 0x00; }, "Expected record missing: DGCONTAINER"},
      {"no DG", [](std::vector<Rec>& r) { r[0].body[10] = 0x00; }, "Error on reading shape #0\rExpected record missing: DG"},
      {"root not patriarch", [](std::vector<Rec>& r) { r[0].body[8 + 16 + 8 + 8 + 24 + 8 + 4] = 0x01; },
       "Error on reading shape #0\rSP is not root"},
      {"unknown ft 0x16", [](std::vector<Rec>& r) { r[3].body[0] = 0x16; },
       "Error on reading shape #2\rUnknown OBJ record 16"},
      {"OBJ missing", [](std::vector<Rec>& r) { r[1].id = 0x0203; }, "Error on reading shape #1\rExpected record missing: OBJ"},
      {"ClientData with a body",
       [](std::vector<Rec>& r) {
         const std::size_t at = r[2].body.size() - 4;
         core::store_le32(r[2].body.data() + at, 4);
         core::store_le32(r[2].body.data() + 4, core::load_le32(r[2].body.data() + 4) + 4);
         r[2].body.insert(r[2].body.end(), 4, 0);
       },
       "Error on reading shape #2\rSize of CLIENTDATA > 0"},
      {"shape longer than its record", [](std::vector<Rec>& r) { r.resize(2); },
       "Error on reading shape #2\rExpected record missing: MSODRAWING"},
      {"sub-record past its record", [](std::vector<Rec>& r) { r[1].body[2] = 200; },
       "Error on reading shape #1\rOBJ sub-record 15 longer than its record"},
  };
  for (const Case& c : cases) {
    std::vector<Rec> bad = rs;
    c.damage(bad);
    TEscherGroup g2;
    TEscherDrawing r(&g2, FixedIds());
    EXPECT_EQ(Message([&] { Read(r, Join(bad)); }), c.want) << c.name;
  }
}

TEST(EscherDrawing, PictureReferencesBeforeWritingAndAfterReading) {
  TEscherGroup g;
  g.AddPicture().Data = {1, 2, 3};
  g.AddPicture().Data = {4, 5};
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& zero = d.AddPicture();
  TShapeClientAnchor& two = d.AddPicture();
  two.Properties.SetBlipId(2);
  d.MarkUsedPictures();
  EXPECT_EQ(g.GetItem(0).RefCount, 0);
  EXPECT_EQ(g.GetItem(1).RefCount, 1);
  two.Properties.SetBlipId(3);
  EXPECT_EQ(Message([&] { d.MarkUsedPictures(); }), "Unassigned picture in file.");

  // File positions 5 and 3: a reference to file picture 3 (B = 4) becomes store entry 2.
  two.Properties.SetBlipId(4);
  d.RemapBlipIds({5, 3});
  EXPECT_EQ(two.Properties.GetBlipId(), 2);
  EXPECT_EQ(zero.Properties.GetBlipId(), 0) << "references of 0 stay";
  two.Properties.SetBlipId(9);
  EXPECT_EQ(Message([&] { d.RemapBlipIds({5, 3}); }), "Can not find Blip Id #9");
}

TEST(EscherDrawing, ChartShapeCarriesItsChartSubStream) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& s = d.AddChart();
  auto& chart = static_cast<TShapeOutsideMsoChart&>(*s.Outside);
  AddDefaultChartRecords(chart.Root(), 0, {});
  const int records = chart.Root().Count();
  ASSERT_GT(records, 0);
  const core::Bytes bytes = Write(d);
  const std::vector<Rec> rs = Records(bytes);
  ASSERT_GE(rs.size(), 3u);
  EXPECT_EQ(rs[1].id, BIFFRECID_OBJ);
  EXPECT_EQ(rs[2].id, 0x0809) << "the chart's BOF follows its OBJ";
  EXPECT_EQ(rs.back().id, 0x000A);
  MaybeSaveSeed("chart.bin", bytes);
  TEscherGroup g2;
  TEscherDrawing r(&g2, FixedIds());
  EXPECT_TRUE(Read(r, bytes).empty()) << "the chart sub-stream belongs to the shape";
  auto* rc = dynamic_cast<TShapeOutsideMsoChart*>(r.GetShape(0).Outside.get());
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(rc->Root().Count(), records);
  EXPECT_EQ(Write(r), bytes);
}

TEST(EscherDrawing, ClearFreesShapesAndCluster) {
  TEscherGroup g;
  {
    TEscherDrawing d(&g, FixedIds());
    d.AddNote();
    d.Clear();
    EXPECT_EQ(d.GetShapeCount(), 0);
    EXPECT_TRUE(g.DGG.Clusters.empty());
    d.AddNote();
    EXPECT_EQ(g.DGG.Clusters.size(), 1u);
  }
  EXPECT_TRUE(g.DGG.Clusters.empty()) << "destroying the drawing removes its cluster";
}

TEST(EscherDrawing, AFullClusterGoesOnInANewOneWithoutTakingOtherIds) {
  TEscherGroup g;
  TEscherDrawing a(&g, FixedIds());
  TEscherDrawing b(&g, FixedIds());
  a.AddNote();
  b.AddNote();  // the cluster from 2048
  std::vector<std::uint32_t> ids = {a.Root().SpId, b.Root().SpId, b.GetShape(0).SpId};
  for (int i = 0; i < 1100; ++i) ids.push_back(a.AddBasic().SpId);
  ids.push_back(a.GetShape(0).SpId);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_EQ(g.DGG.Clusters.size(), 3u) << "two clusters for the full drawing";
  a.Clear();
  EXPECT_EQ(g.DGG.Clusters.size(), 1u) << "clearing frees both";
}

TEST(EscherDrawing, AssignCopiesShapesAndGroups) {
  TEscherGroup g;
  TEscherDrawing d(&g, FixedIds());
  TShapeClientAnchor& note = d.AddNote();
  static_cast<TShapeOutsideMsoNote&>(*note.Outside).SetText(u"copy me");
  static_cast<TShapeOutsideMsoNote&>(*note.Outside).Author = u"A";
  TShapeClientAnchor copy;
  note.Assign(copy);
  EXPECT_EQ(copy.SpId, 0u);
  EXPECT_EQ(copy.ShapeType, 202u);
  EXPECT_EQ(copy.Anchor.Row2, 5);
  EXPECT_EQ(copy.ObjId(), note.ObjId());
  auto* n = dynamic_cast<TShapeOutsideMsoNote*>(copy.Outside.get());
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Text, u"copy me");
  EXPECT_EQ(n->Author, u"A");
  TShapeClientAnchor button;
  EXPECT_EQ(Message([&] { d.AddButton().Assign(button); }), "Can not assign this interface");

  TShapeGroupClientAnchor group(&d);
  auto child = std::make_unique<TShapeChildAnchor>();
  child->ShapeType = 1;
  child->Rect = {1, 2, 3, 4};
  group.Add(std::move(child));
  TShapeGroupClientAnchor copied(&d);
  group.Assign(copied);
  ASSERT_EQ(copied.GetCount(), 1);
  EXPECT_EQ(copied.GetItem(0).ChildAnchor()->Right, 3);
  EXPECT_NE(copied.GetItem(0).SpId, 0u) << "children get ids of the drawing";
  group.Add(std::make_unique<TShapeClientAnchor>());
  EXPECT_EQ(Message([&] { group.Assign(copied); }), "ClientAnchor in ShapeGroup");
}
