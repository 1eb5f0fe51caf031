#include <gtest/gtest.h>

#include "biff/drawing/tests/drawing_test_util.h"
#include "core/unicode.h"

using namespace biff;
using namespace drawing_test;

namespace {


TDrawingServices Services(IDrawingNames* Names = nullptr) {
  TDrawingServices s;
  s.TextId = [] { return 0x4242u; };
  s.Names = Names;
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

// The text records a text object writes, read back by a fresh object.
std::vector<Rec> WriteText(TShapeOutsideMsoBaseText& T) {
  TXLSStream s;
  s.CreateMemory();
  T.WriteTextRecords(s);
  return Records(s.MemoryBytes());
}

void ReadText(TShapeOutsideMsoBaseText& T, const std::vector<Rec>& Rs) {
  TXLSStream s;
  s.CreateMemory();
  const core::Bytes b = Join(Rs);
  s.Write(b.data(), static_cast<int>(b.size()));
  s.Seek(0, 0);
  T.ReadTextRecords(s);
}

std::vector<Rec> Without(std::vector<Rec> Rs, std::size_t First) {
  Rs.erase(Rs.begin(), Rs.begin() + static_cast<std::ptrdiff_t>(First));
  return Rs;
}

}  // namespace

TEST(TextObject, LongTextsAreCutIntoContinueRecords) {
  const struct {
    std::size_t chars;
    std::vector<std::size_t> pieces;
  } cases[] = {
      {4111, {8223}},
      {4112, {8223, 3}},
      {10000, {8223, 8223, 3557}},
  };
  for (const auto& c : cases) {
    TShapeOutsideMsoBaseText t;
    t.SetDefaultText();
    std::u16string text;
    for (std::size_t i = 0; i < c.chars; ++i) text.push_back(static_cast<char16_t>(0x4E00 + i % 500));
    t.SetText(text);
    const std::vector<Rec> rs = WriteText(t);
    std::vector<std::size_t> pieces;
    for (std::size_t i = 2; i + 1 < rs.size(); ++i) pieces.push_back(rs[i].body.size());
    EXPECT_EQ(pieces, c.pieces) << c.chars;
    EXPECT_EQ(rs.back().body.size(), 16u) << "runs";
    TShapeOutsideMsoBaseText back;
    ReadText(back, Without(rs, 1));
    EXPECT_EQ(back.Text, text) << c.chars;
  }
}

TEST(TextObject, EmptyTextWritesTXOAlone) {
  TShapeOutsideMsoNote n;
  n.SetDefaultText();
  const std::vector<Rec> rs = WriteText(n);
  ASSERT_EQ(rs.size(), 2u);
  EXPECT_EQ(rs[1].id, BIFFRECID_TXO);
  EXPECT_EQ(core::load_le16(rs[1].body.data() + 10), 0);
  EXPECT_EQ(core::load_le16(rs[1].body.data() + 12), 0);
  EXPECT_EQ(core::load_le16(rs[1].body.data()), 0x0212);
  TShapeOutsideMsoNote back;
  back.Text = u"stale";
  ReadText(back, Without(rs, 1));
  EXPECT_EQ(back.Text, u"");
}

TEST(TextObject, PiecesOfEitherWidthMayFollowEachOther) {
  // 8-bit (Latin-1) first, then UTF-16: read by each piece's own option byte.
  core::Bytes txo(18, 0);
  core::store_le16(txo.data() + 10, 5);
  core::store_le16(txo.data() + 12, 16);
  const std::vector<Rec> rs = {{BIFFRECID_TXO, txo},
                               {BIFFRECID_CONTINUE, {0, 'a', 0xE9, 'c'}},
                               {BIFFRECID_CONTINUE, {1, 0x2D, 0x4E, 'z', 0}},
                               {BIFFRECID_CONTINUE, core::Bytes(16, 0)}};
  TShapeOutsideMsoBaseText t;
  ReadText(t, rs);
  EXPECT_EQ(t.Text, u"a\u00e9c\u4e2dz");
  EXPECT_EQ(t.Runs.size(), 2u);
  const std::vector<Rec> missing = {{BIFFRECID_TXO, txo}, {0x0203, {0}}};
  EXPECT_EQ(Message([&] { ReadText(t, missing); }), "Excpected record missing: CONTINUE");
  EXPECT_EQ(Message([&] { ReadText(t, {{BIFFRECID_TXO, {1, 2}}}); }), "TXO record too short");
  EXPECT_EQ(Message([&] { ReadText(t, {{0x0203, {}}}); }), "Excpected record missing: TXO");
}

TEST(TextObject, SetTextKeepsAtMostTheLongestText) {
  TShapeOutsideMsoBaseText t;
  t.SetText(std::u16string(40000, u'x'));
  EXPECT_EQ(t.Text.size(), 32767u);
}

TEST(ListControls, LinkedCellAndSourceRange) {
  TEscherGroup g;
  TEscherDrawing d(&g, Services());
  auto& list = static_cast<TShapeControlListBox&>(*d.AddListBox().Outside);
  int col = -1, row = -1;
  list.GetLinkedCell(col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 1);
  list.Changed = false;
  list.SetLinkedCell(1, 1);
  EXPECT_FALSE(list.Changed) << "the same cell changes nothing";
  list.SetLinkedCell(2, 4);
  EXPECT_TRUE(list.Changed);
  list.GetLinkedCell(col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 4);
  list.SetLinkedCell(5, 4);
  list.GetLinkedCell(col, row);
  EXPECT_EQ(col, 5) << "same row, other column";

  int sheet, c1, r1, c2, r2;
  EXPECT_EQ(Message([&] { list.GetSourceRange(sheet, c1, r1, c2, r2); }), "No source area assigned");
  // A 3-D source range read from a file, then replaced by a plain one.
  list.LBS->Tokens = {0x3B, 2, 0, 3, 0, 7, 0, 1, 0, 1, 0};
  list.GetSourceRange(sheet, c1, r1, c2, r2);
  EXPECT_EQ((std::vector<int>{sheet, c1, r1, c2, r2}), (std::vector<int>{2, 1, 3, 1, 7}));
  list.SetSourceRange(0, 0, 0, 2, 9);
  EXPECT_EQ(list.LBS->Tokens.size(), 9u);
  EXPECT_EQ(list.LBS->Tokens[0], 0x25);
  list.GetSourceRange(sheet, c1, r1, c2, r2);
  EXPECT_EQ((std::vector<int>{c1, r1, c2, r2}), (std::vector<int>{0, 0, 2, 9}));
  list.LBS->Tokens = {0x24, 0, 0, 0, 0};
  EXPECT_EQ(Message([&] { list.GetSourceRange(sheet, c1, r1, c2, r2); }), "Unknown LBS formula.");
}

TEST(ListControls, AutofilterDropDownHasNoLinkedCell) {
  TEscherGroup g;
  TEscherDrawing d(&g, Services());
  auto& combo = static_cast<TShapeControlListBox&>(*d.AddAutofilterComboBox().Outside);
  int col, row;
  EXPECT_EQ(Message([&] { combo.GetLinkedCell(col, row); }), "Unknown SBS formula.");
  EXPECT_EQ(Message([&] { combo.SetLinkedCell(1, 1); }), "Unknown SBS formula.");
  EXPECT_EQ(Message([&] { combo.SetAutofilter(false); }), "An autofilter combo box can not be changed to a normal.");
  EXPECT_EQ(combo.ObjFlags, 0x2101);
  EXPECT_EQ(combo.LBS->Flags, 0x0301);
}

TEST(ListControls, DropDownReadAndWrittenUnchangedKeepsItsBytes) {
  TEscherGroup g;
  TEscherDrawing d(&g, Services());
  auto& combo = static_cast<TShapeControlListBox&>(*d.AddComboBox().Outside);
  combo.SetSourceRange(0, 0, 0, 0, 4);
  const core::Bytes written = Write(d);
  TEscherGroup g2;
  TEscherDrawing r(&g2, Services());
  Read(r, written);
  auto& back = static_cast<TShapeControlListBox&>(*r.GetShape(0).Outside);
  EXPECT_FALSE(back.Changed);
  EXPECT_EQ(back.SbsFmla.size(), 12u);
  int col, row;
  back.GetLinkedCell(col, row);
  EXPECT_EQ(col, 1);
  // Written unchanged: the same OBJ record, not four bytes longer on every save.
  EXPECT_EQ(Write(r), written);
  const std::vector<Rec> rs = Records(written);
  EXPECT_EQ(core::load_le32(rs[1].body.data() + rs[1].body.size() - 4), 0u) << "a new drop-down ends with four zero bytes";
  back.SetLinkedCell(3, 3);
  const std::vector<Rec> changed = Records(Write(r));
  EXPECT_EQ(changed[1].body.size(), rs[1].body.size()) << "changed: rebuilt from the values";
}

TEST(MacroControls, MacroNameThroughTheNameList) {
  FakeNames names;
  names.names = {u"Print_Area", u"Other", u"Run_Report"};
  TEscherGroup g;
  TEscherDrawing d(&g, Services(&names));
  auto& button = static_cast<TShapeControlButton&>(*d.AddButton().Outside);
  EXPECT_EQ(button.GetMacroName(), u"");
  button.SetMacroName(u"run_report");
  EXPECT_EQ(button.GetMacroName(), u"Run_Report");
  EXPECT_EQ(button.Macro, (core::Bytes{7, 0, 0, 0, 0, 0, 0x39, 0, 0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(Message([&] { button.SetMacroName(u"Missing"); }), "Can not find Name Missing");
  button.ShiftNameIndex(-1);
  EXPECT_EQ(button.GetMacroName(), u"Other");

  // The macro travels with the button through a file.
  const core::Bytes bytes = Write(d);
  TEscherGroup g2;
  TEscherDrawing r(&g2, Services(&names));
  Read(r, bytes);
  EXPECT_EQ(static_cast<TShapeControlButton&>(*r.GetShape(0).Outside).GetMacroName(), u"Other");
}

TEST(MacroControls, ForeignSubRecordsAreRefused) {
  struct Case {
    std::unique_ptr<TShapeOutsideMso> control;
    std::uint16_t ft;
    std::string want;
  };
  std::vector<Case> cases;
  cases.push_back({std::make_unique<TShapeControlButton>(nullptr), ftCbls, "Unknown record 000A in OBJ LBS"});
  cases.push_back({std::make_unique<TShapeControlCheckBox>(nullptr), ftRbo, "Unknown record 000B in OBJ CBLS"});
  cases.push_back({std::make_unique<TShapeControlRadioButton>(nullptr), ftNts, "Unknown record 000D in OBJ RBO"});
  cases.push_back({std::make_unique<TShapeControlScrollBar>(), ftCbls, "Unknown record 000A in OBJ CBLS"});
  cases.push_back({std::make_unique<TShapeControlListBox>(0), ftCf, "Unknown record 0007 in OBJ LBS"});
  for (Case& c : cases) {
    TBaseRecordStorage rs;
    const core::Bytes body(4, 0);
    rs.Add(MakeIdLen(c.ft, 4), body.data());
    EXPECT_EQ(Message([&] { c.control->ReadFromRecords(rs); }), c.want);
  }
}

TEST(MacroControls, CheckBoxAndOptionButtonBodiesRoundTrip) {
  TEscherGroup g;
  TEscherDrawing d(&g, Services());
  auto& check = static_cast<TShapeControlCheckBox&>(*d.AddCheckBox().Outside);
  check.CblsData = {1, 0, 0, 0, 0, 0, 0, 0};
  auto& radio = static_cast<TShapeControlRadioButton&>(*d.AddRadioButton().Outside);
  radio.Rbo = {0, 0, 0, 0, 1, 0};
  const core::Bytes bytes = Write(d);
  MaybeSaveSeed("controls.bin", bytes);
  TEscherGroup g2;
  TEscherDrawing r(&g2, Services());
  Read(r, bytes);
  auto& rc = static_cast<TShapeControlCheckBox&>(*r.GetShape(0).Outside);
  auto& rr = static_cast<TShapeControlRadioButton&>(*r.GetShape(1).Outside);
  EXPECT_EQ(rc.Cbls, core::Bytes(12, 0));
  EXPECT_EQ(rc.CblsData, check.CblsData);
  EXPECT_EQ(rc.Text, u"CheckBox");
  EXPECT_EQ(rr.Rbo, radio.Rbo);
  EXPECT_EQ(rr.Text, u"RadioButton");
  EXPECT_EQ(rr.ObjFlags, 0x0011);
  EXPECT_EQ(Write(r), bytes);
}
