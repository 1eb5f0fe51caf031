// Cell format editor: copy-on-write edits, use counts of formats and parts, purging.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "workbook/cell_format_editor.h"
#include "workbook/shared_strings.h"

using namespace workbook;

namespace {

struct EditorTest : ::testing::Test {
  TXc12DataStyleSheet ss;
  TXc12XFEditor& ed = *ss.XFEditor;

  // What a cell store does when a cell's format changes: use the new, release the old.
  int Store(int OldIndex, TXc12XF* NewXF) {
    ed.UseXF(NewXF);
    ed.ReleaseXF(OldIndex);
    return NewXF->Index;
  }
  int SetSize(int Index, double Size) {
    ed.BeginEdit(ss.XFs->GetItem(Index));
    ed.SetFontSize(Size);
    return Store(Index, ed.EndEdit());
  }
};

}  // namespace

TEST_F(EditorTest, UnchangedValueReturnsTheSourceFormat) {
  ed.UseDefaultXF();
  TXc12XF* xf0 = ss.XFs->GetItem(0);
  ed.BeginEdit(xf0);
  ed.SetFontSize(11);
  ed.SetFontName(u"CALIBRI");
  ed.SetVertAlignment(cvaBottom);
  ed.SetBorderLeftStyle(cbsNone);
  EXPECT_EQ(ed.EndEdit(), xf0);
  EXPECT_EQ(ss.XFs->Count(), 1);

  ed.BeginEdit(nullptr);  // nil starts from format 0
  EXPECT_EQ(ed.EndEdit(), xf0);
}

TEST_F(EditorTest, SecondIdenticalEditFindsTheFirstResult) {
  ed.UseDefaultXF();
  ed.UseDefaultXF();
  int a = SetSize(0, 9);
  int b = SetSize(0, 9);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, 0);
  EXPECT_EQ(ss.XFs->Count(), 2);
  EXPECT_EQ(ss.Fonts->Count(), 2);
  TXc12XF* xf = ss.XFs->GetItem(a);
  EXPECT_EQ(xf->GetFont()->GetSize(), 9);
  EXPECT_EQ(xf->GetApply(), xfaFont);
  EXPECT_EQ(xf->GetFill(), ss.Fills->GetItem(0)) << "unchanged parts are shared with the source";
  EXPECT_EQ(xf->RefCount, 2);
  EXPECT_EQ(xf->GetFont()->RefCount, 2);
  EXPECT_EQ(ss.XFs->GetItem(0)->RefCount, 0);
}

TEST_F(EditorTest, FillColourMakesASolidFill) {
  for (std::int32_t colour : {0xC0C0C0, 0x000000}) {
    ed.BeginEdit(nullptr);
    ed.SetFillColor(colour);
    TXc12XF* xf = ed.EndEdit();
    ASSERT_NE(xf->Index, 0) << colour;
    EXPECT_EQ(xf->GetFill()->GetPatternType(), efpSolid);
    EXPECT_EQ(xf->GetFill()->FgColor.ColorType, xctRgb);
    EXPECT_EQ(xf->GetFill()->FgColor.RGB, static_cast<std::uint32_t>(colour));
    EXPECT_TRUE(xf->GetApply() & xfaFill);
    ed.UseXF(xf);
  }
}

TEST_F(EditorTest, BorderColourEqualToTheCurrentOneIsNoChange) {
  ed.UseDefaultXF();
  ed.BeginEdit(nullptr);
  ed.SetBorderLeftColor(0x0000FF);
  ed.SetBorderLeftStyle(cbsThin);
  int i = Store(0, ed.EndEdit());
  TXc12XF* xf = ss.XFs->GetItem(i);
  EXPECT_EQ(xf->GetBorder()->Left.Style, cbsThin);
  EXPECT_EQ(xf->GetApply(), xfaBorder);

  ed.BeginEdit(xf);
  ed.SetBorderLeftColor(0x0000FF);
  EXPECT_EQ(ed.EndEdit(), xf);

  // An indexed colour set again as its own RGB value is no change either.
  xf->GetBorder()->Top.Color = TXc12Color{};
  IndexToXc12Color(12, xf->GetBorder()->Top.Color);  // the palette's blue
  std::uint32_t bgr = Xc12ColorToRGB(xf->GetBorder()->Top.Color);
  std::int32_t rgb = static_cast<std::int32_t>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | (bgr >> 16));
  ed.BeginEdit(xf);
  ed.SetBorderTopColor(rgb);
  EXPECT_EQ(ed.EndEdit(), xf);
  EXPECT_EQ(ss.XFs->Count(), 2);
}

TEST_F(EditorTest, FontNameChangeOnlyInLetterCaseIsNoChange) {
  ed.BeginEdit(nullptr);
  ed.SetFontName(u"calibri");
  EXPECT_EQ(ed.EndEdit(), ss.XFs->GetItem(0));
  ed.BeginEdit(nullptr);
  ed.SetFontName(u"宋体");
  ed.SetFontSize(18);
  ed.SetFontStyle(FontStyleBit(xfsBold));
  ed.SetHorizAlignment(chaCenter);
  TXc12XF* xf = ed.EndEdit();
  EXPECT_EQ(xf->GetFont()->GetName(), u"宋体");
  EXPECT_EQ(xf->GetFont()->GetStyle(), FontStyleBit(xfsBold));
  EXPECT_EQ(xf->Alignment.GetHorizAlignment(), chaCenter);
  EXPECT_EQ(xf->GetApply(), xfaFont | xfaAlignment);
  // The format-0 cell it came from keeps its format.
  EXPECT_EQ(ss.XFs->GetItem(0)->GetFont()->GetName(), u"Calibri");
  EXPECT_EQ(ss.XFs->GetItem(0)->Alignment.GetHorizAlignment(), chaGeneral);
}

TEST_F(EditorTest, PurgeRunsOnEveryTwentyFifthEdit) {
  ed.BeginEdit(nullptr);  // edit 1
  ed.SetFontSize(30);
  TXc12XF* unusedXF = ed.EndEdit();
  ASSERT_EQ(unusedXF->Index, 1);
  ASSERT_EQ(ss.Fonts->Count(), 2);
  for (int i = 2; i <= 24; ++i) ed.BeginEdit(nullptr);
  EXPECT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(ss.XFs->Count(), 2);
  ed.BeginEdit(nullptr);  // edit 25
  EXPECT_EQ(ss.Fonts->Count(), 1) << "the last font, unused, goes like any other";
  EXPECT_EQ(ss.XFs->Count(), 1) << "an unused format at the end shrinks the list";
}

TEST_F(EditorTest, PurgeLeavesNilSlotsSoOtherIndexesStay) {
  ed.UseDefaultXF();
  int a = SetSize(0, 9);   // 1, then released below
  ed.UseDefaultXF();
  int b = SetSize(0, 10);  // 2, stays used
  ASSERT_EQ(a, 1);
  ASSERT_EQ(b, 2);
  ed.UseXFIndex(0);
  ed.ReleaseXF(a);
  TXc12Font* size10 = ss.XFs->GetItem(b)->GetFont();
  ss.Compact();
  EXPECT_EQ(ss.XFs->Count(), 3);
  EXPECT_EQ(ss.XFs->GetItem(1), nullptr);
  EXPECT_EQ(ss.XFs->GetItem(2)->GetFont(), size10);
  EXPECT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(size10->Index, 1) << "fonts close up and renumber";

  // The freed slot is the next new format's place.
  ed.BeginEdit(ss.XFs->GetItem(0));
  ed.SetFontSize(14);
  EXPECT_EQ(ed.EndEdit()->Index, 1);
}

TEST_F(EditorTest, PurgeKeepsThePartsOfCellStyleFormats) {
  // Cell-style formats are never purged, whether used or not, so neither are their parts.
  TXc12Font* f = ss.Fonts->Add();
  f->SetName(u"Cambria");
  TXc12Fill* fill = ss.Fills->Add();
  fill->SetPatternType(efpSolid);
  TXc12XF* styleXF = ss.StyleXFs->Add();
  ss.ResetXF(*styleXF);
  styleXF->SetFont(f);
  styleXF->SetFill(fill);
  ss.Compact();
  ASSERT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(ss.Fonts->GetItem(1), f);
  EXPECT_EQ(ss.Fills->Count(), 3);
  f->IncRef();
  ed.ReleaseFont(f);
  EXPECT_EQ(ss.Fonts->Count(), 2) << "nor does a release free it";
}

TEST_F(EditorTest, MarkAllDefaultProtectsEveryPart) {
  ed.BeginEdit(nullptr);
  ed.SetFontSize(30);
  ed.SetFillColor(0xFF0000);
  ed.EndEdit();
  ed.MarkAllDefault();
  ss.Compact();
  EXPECT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(ss.Fills->Count(), 3);
  EXPECT_EQ(ss.XFs->Count(), 1) << "formats themselves are not marked";
}

TEST_F(EditorTest, ReleaseFontAndUseFont) {
  TXc12Font* f = ss.Fonts->Add();
  f->SetName(u"Arial");
  TXc12Font probe;
  probe.Assign(*f);
  probe.SetName(u"arial");
  EXPECT_EQ(ed.UseFont(&probe), f);
  ed.UseFont(f);
  EXPECT_EQ(f->RefCount, 2);
  ed.ReleaseFont(f);
  EXPECT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(f->RefCount, 1);
  ed.ReleaseFont(f);
  EXPECT_EQ(ss.Fonts->Count(), 1);

  probe.SetName(u"Nowhere");
  try {
    ed.UseFont(&probe);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can not find font");
  }
}

TEST_F(EditorTest, AFontAFormatPointsAtIsNeverFreedByARelease) {
  // A fresh edit result is not used yet, so its font counts 0; a rich text taking and giving
  // back that font must not free it under the format.
  ed.BeginEdit(nullptr);
  ed.SetFontSize(20);
  TXc12XF* xf = ed.EndEdit();
  TXc12Font* font = xf->GetFont();
  TXc12DataSST sst(&ss);
  int s = sst.AddRichString(u"rich", {{0, font}});
  EXPECT_EQ(font->RefCount, 1);
  sst.UseString(s);
  sst.ReleaseString(s);
  EXPECT_EQ(font->RefCount, 0);
  ASSERT_EQ(ss.Fonts->Count(), 2);
  EXPECT_EQ(ss.Fonts->GetItem(1), font);
  ed.UseXF(xf);
  EXPECT_EQ(xf->GetFont()->GetSize(), 20);
}

TEST_F(EditorTest, UseCountsOfUnknownSlots) {
  EXPECT_THROW(ed.UseXFIndex(5), EListError);
  EXPECT_THROW(ed.ReleaseXF(-1), EListError);
  ss.XFs->AddOrReuse()->IncRef();
  ss.XFs->FreeSlot(ss.XFs->GetItem(1));
  EXPECT_THROW(ed.UseXFIndex(1), Exception);
  ed.ReleaseXF(1);  // nothing left to give back
  ed.UseStyleXF(0);
  EXPECT_EQ(ss.StyleXFs->GetItem(0)->RefCount, 1);
  EXPECT_EQ(ss.Fonts->GetItem(0)->RefCount, 1);
}

// Random edits, uses and releases against a model of cells; after every step the use counts
// must equal what the model says refers to each record, and every cell must show its format.
namespace {

struct CellLook {
  double size = 11;
  bool bold = false;
  std::int32_t fill = -1;  // -1 no fill
  int borderLeft = cbsNone;
  int halign = chaGeneral;
  bool operator==(const CellLook&) const = default;
};

CellLook LookOf(const TXc12XF* xf) {
  CellLook l;
  l.size = xf->GetFont()->GetSize();
  l.bold = (xf->GetFont()->GetStyle() & FontStyleBit(xfsBold)) != 0;
  l.fill = xf->GetFill()->GetPatternType() == efpSolid ? static_cast<std::int32_t>(xf->GetFill()->FgColor.RGB) : -1;
  l.borderLeft = xf->GetBorder()->Left.Style;
  l.halign = xf->Alignment.GetHorizAlignment();
  return l;
}

template <class List>
bool InList(const List& list, const void* p) {
  for (int i = 0; i < list.Count(); ++i)
    if (list.GetItem(i) == p) return true;
  return false;
}

}  // namespace

TEST(EditorModel, UseCountsStayExactOverRandomSequences) {
  for (unsigned seed : {1u, 2u, 3u}) {
    TXc12DataStyleSheet ss;
    TXc12XFEditor& ed = *ss.XFEditor;
    TXc12DataSST sst(&ss);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

    constexpr int kCells = 40;
    std::vector<int> cellXF(kCells, 0);
    std::vector<CellLook> look(kCells);
    for (int c = 0; c < kCells; ++c) ed.UseXFIndex(0);
    std::vector<std::pair<int, TXc12Font*>> richStrings;  // live rich records and their font
    int nilSlotsSeen = 0, purges = 0;

    for (int step = 0; step < 1500; ++step) {
      int op = pick(10);
      int c = pick(kCells);
      if (op < 6) {
        ed.BeginEdit(ss.XFs->GetItem(cellXF[c]));
        CellLook want = look[c];
        switch (pick(5)) {
          case 0: want.size = 8 + pick(4); ed.SetFontSize(want.size); break;
          case 1:
            want.bold = pick(2) == 1;
            ed.SetFontStyle(want.bold ? FontStyleBit(xfsBold) : 0);
            break;
          case 2: {
            static const std::int32_t colours[] = {0xC0C0C0, 0xFF0000, 0x000000};
            want.fill = colours[pick(3)];
            ed.SetFillColor(want.fill);
            break;
          }
          case 3: want.borderLeft = pick(3); ed.SetBorderLeftStyle(static_cast<TXc12CellBorderStyle>(want.borderLeft)); break;
          default: want.halign = pick(3); ed.SetHorizAlignment(static_cast<std::uint8_t>(want.halign)); break;
        }
        TXc12XF* result = ed.EndEdit();
        ed.UseXF(result);
        ed.ReleaseXF(cellXF[c]);
        cellXF[c] = result->Index;
        look[c] = want;
      } else if (op == 6) {  // the cell is emptied back to format 0
        ed.UseXFIndex(0);
        ed.ReleaseXF(cellXF[c]);
        cellXF[c] = 0;
        look[c] = CellLook{};
      } else if (op == 7) {  // a rich text in the font of a cell's format
        TXc12Font* f = ss.XFs->GetItem(cellXF[c])->GetFont();
        int s = sst.AddRichString(u"run", {{0, f}});
        sst.UseString(s);
        richStrings.push_back({s, f});
      } else if (op == 8 && !richStrings.empty()) {
        int k = pick(static_cast<int>(richStrings.size()));
        sst.ReleaseString(richStrings[static_cast<std::size_t>(k)].first);
        richStrings.erase(richStrings.begin() + k);
      } else {
        ss.Compact();
        ++purges;
      }

      // Expected counts from the model.
      std::map<const TXLSStyleObject*, int> want;
      std::map<int, int> xfUses;
      for (int cell = 0; cell < kCells; ++cell) ++xfUses[cellXF[cell]];
      for (int i = 0; i < ss.XFs->Count(); ++i) {
        const TXc12XF* xf = ss.XFs->GetItem(i);
        if (!xf) {
          ++nilSlotsSeen;
          ASSERT_EQ(xfUses.count(i), 0u) << "a used format was freed, seed " << seed << " step " << step;
          continue;
        }
        int uses = xfUses.count(i) ? xfUses[i] : 0;
        ASSERT_EQ(xf->RefCount, uses) << "format " << i << " seed " << seed << " step " << step;
        want[xf->GetFont()] += uses;
        want[xf->GetFill()] += uses;
        want[xf->GetBorder()] += uses;
        want[xf->GetNumberFormat()] += uses;
        ASSERT_TRUE(InList(*ss.Fonts, xf->GetFont()));
        ASSERT_TRUE(InList(*ss.Fills, xf->GetFill()));
        ASSERT_TRUE(InList(*ss.Borders, xf->GetBorder()));
      }
      for (const auto& [s, f] : richStrings) {
        ASSERT_TRUE(InList(*ss.Fonts, f)) << "a font held by a rich text was freed, step " << step;
        ++want[f];
        ASSERT_EQ(TXc12DataSST::GetFontRun(sst.GetItems(s), 0).Font, f);
      }
      for (int i = 0; i < ss.Fonts->Count(); ++i)
        ASSERT_EQ(ss.Fonts->GetItem(i)->RefCount, want[ss.Fonts->GetItem(i)]) << "font " << i << " step " << step;
      for (int i = 0; i < ss.Fills->Count(); ++i)
        ASSERT_EQ(ss.Fills->GetItem(i)->RefCount, want[ss.Fills->GetItem(i)]) << "fill " << i << " step " << step;
      for (int i = 0; i < ss.Borders->Count(); ++i)
        ASSERT_EQ(ss.Borders->GetItem(i)->RefCount, want[ss.Borders->GetItem(i)]) << "border " << i;
      for (int i = 0; i < ss.NumberFormats->Count(); ++i)
        ASSERT_EQ(ss.NumberFormats->GetItem(i)->RefCount, want[ss.NumberFormats->GetItem(i)]);
      for (int cell = 0; cell < kCells; ++cell)
        ASSERT_EQ(LookOf(ss.XFs->GetItem(cellXF[cell])), look[cell]) << "cell " << cell << " step " << step;
    }
    EXPECT_GT(nilSlotsSeen, 0) << "the sequence should free slots in the middle";
    EXPECT_GT(purges, 0);
    // Shared, not duplicated: no two live formats look alike.
    std::set<int> live(cellXF.begin(), cellXF.end());
    for (int a : live)
      for (int b : live)
        if (a < b) {
          EXPECT_FALSE(ss.XFs->GetItem(a)->Equal(*ss.XFs->GetItem(b))) << a << " " << b;
        }
  }
}
