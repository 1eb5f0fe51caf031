#include "workbook/sheet_shifts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace workbook {
namespace {

using K = TXc12SheetShift;

TEST(SheetShifts, AreaTable) {
  struct Case {
    K::TKind kind;
    int first, count;
    TXLSCellArea in;
    bool kept;
    TXLSCellArea out;
  };
  const auto box = CellAreaFromBox;
  const Case cases[] = {
      {K::InsertRows, 5, 2, box(0, 0, 3, 4), true, box(0, 0, 3, 4)},        // above: unchanged
      {K::InsertRows, 5, 2, box(0, 5, 3, 6), true, box(0, 7, 3, 8)},        // at: moves down
      {K::InsertRows, 5, 2, box(0, 4, 3, 5), true, box(0, 4, 3, 7)},        // straddles: grows
      {K::InsertRows, 0, 3, box(0, XLS_MAXROW - 1, 0, XLS_MAXROW), false, {}},  // pushed off
      {K::InsertRows, 0, 1, box(0, XLS_MAXROW - 1, 0, XLS_MAXROW), true, box(0, XLS_MAXROW, 0, XLS_MAXROW)},
      {K::InsertRows, 3, 5, box(0, 0, 0, XLS_MAXROW), true, box(0, 0, 0, XLS_MAXROW)},  // whole column stays
      {K::DeleteRows, 5, 2, box(0, 0, 3, 4), true, box(0, 0, 3, 4)},
      {K::DeleteRows, 5, 2, box(0, 7, 3, 9), true, box(0, 5, 3, 7)},
      {K::DeleteRows, 5, 2, box(0, 5, 3, 6), false, {}},                    // all cells deleted
      {K::DeleteRows, 5, 2, box(0, 3, 3, 10), true, box(0, 3, 3, 8)},       // loses the middle
      {K::DeleteRows, 5, 2, box(0, 6, 3, 10), true, box(0, 5, 3, 8)},       // loses its top
      {K::DeleteRows, 5, 2, box(0, 2, 3, 5), true, box(0, 2, 3, 4)},        // loses its bottom
      {K::InsertColumns, 2, 1, box(1, 0, 2, 0), true, box(1, 0, 3, 0)},
      {K::InsertColumns, 0, 1, box(XLS_MAXCOL, 0, XLS_MAXCOL, 0), false, {}},
      {K::DeleteColumns, 0, 1, box(0, 0, 0, 9), false, {}},
      {K::DeleteColumns, 1, 3, box(5, 1, 6, 1), true, box(2, 1, 3, 1)},
      {K::InsertRows, 5, 0, box(0, 6, 0, 6), true, box(0, 6, 0, 6)},         // nothing inserted
  };
  for (const Case& c : cases) {
    TXLSCellArea a = c.in;
    const bool kept = ShiftArea(K{c.kind, c.first, c.count}, a);
    const std::u16string text = CellAreaToRefStr(c.in);
    const std::string where(text.begin(), text.end());
    EXPECT_EQ(kept, c.kept) << where;
    if (kept && c.kept) {
      EXPECT_EQ(a, c.out) << where;
    }
  }
}

// The simple model: each row (or column) maps to its new place or vanishes; an area becomes the
// bounding box of what its rows and columns became, and one that straddles an insertion takes in
// the inserted rows.
std::optional<std::pair<int, int>> ModelRange(bool insert, int first, int count, int max, int a, int b) {
  std::optional<std::pair<int, int>> r;
  for (long long i = a; i <= b; ++i) {
    long long n = i;
    if (insert) {
      if (i >= first) n = i + count;
      if (n > max) continue;
    } else {
      if (i >= first && i < static_cast<long long>(first) + count) continue;
      if (i >= first + count) n = i - count;
    }
    if (!r) r = std::pair<int, int>{static_cast<int>(n), static_cast<int>(n)};
    r->first = std::min(r->first, static_cast<int>(n));
    r->second = std::max(r->second, static_cast<int>(n));
  }
  // An area that straddles an insertion also takes the inserted rows.
  if (insert && a < first && b >= first) r->second = std::max(r->second, std::min(max, first + count - 1));
  return r;
}

std::optional<TXLSCellArea> ModelArea(const K& s, const TXLSCellArea& a) {
  const bool rows = s.Kind == K::InsertRows || s.Kind == K::DeleteRows;
  const bool insert = s.Kind == K::InsertRows || s.Kind == K::InsertColumns;
  auto r = rows ? ModelRange(insert, s.First, s.Count, XLS_MAXROW, a.Row1, a.Row2)
                : ModelRange(insert, s.First, s.Count, XLS_MAXCOL, a.Col1, a.Col2);
  if (!r) return std::nullopt;
  TXLSCellArea o = a;
  (rows ? o.Row1 : o.Col1) = r->first;
  (rows ? o.Row2 : o.Col2) = r->second;
  return o;
}

std::u16string Id(int i) {
  std::string s = std::to_string(i);
  return std::u16string(s.begin(), s.end());
}

class SheetShiftModel : public ::testing::Test {
protected:
  TXc12DataStyleSheet styles;
  TXc12DataSST sst{&styles};
  TXc12DataWorksheets sheets{nullptr, &styles, &sst};
  TXc12DefinedNames names;
  std::mt19937 rng{20261210};

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  // Mostly small coordinates, some at the far edge of the sheet.
  TXLSCellArea RandomArea() {
    auto axis = [&](int max, int& a, int& b) {
      if (Rand(0, 9) == 0) {
        a = max - Rand(0, 4);
        b = std::min(max, a + Rand(0, 3));
      } else {
        a = Rand(0, 40);
        b = a + Rand(0, 6);
      }
    };
    TXLSCellArea r;
    axis(XLS_MAXCOL, r.Col1, r.Col2);
    axis(XLS_MAXROW, r.Row1, r.Row2);
    return r;
  }
};

TEST_F(SheetShiftModel, RandomInsertsAndDeletesKeepEveryPartInStep) {
  for (int round = 0; round < 20; ++round) {
    sheets.Clear();
    names.Clear();
    TXc12DataWorksheet* s = sheets.Add(-1);
    sheets.Add(-1);
    std::map<std::u16string, std::optional<TXLSCellArea>> merges, links, cfs, dvs, notes, nameRefs, otherSheet;
    int next = 0;
    for (int i = 0; i < 12; ++i) {
      TXLSCellArea a = RandomArea();
      if (a.Col1 == a.Col2 && a.Row1 == a.Row2) ++a.Col2;  // a merge has at least two cells
      if (a.Col2 > XLS_MAXCOL) a.Col1 = a.Col2 = XLS_MAXCOL, a.Row2 = std::min(XLS_MAXROW, a.Row1 + 1);
      if (a.Row1 == a.Row2 && a.Col1 == a.Col2) continue;
      if (s->MergedCells->AnyIntersects(a.Col1, a.Row1, a.Col2, a.Row2)) continue;
      TXc12MergedCell* m = s->MergedCells->AddArea(a);
      m->Tag = ++next;
      merges[Id(next)] = a;
    }
    for (int i = 0; i < 8; ++i) {
      TXc12Hyperlink* h = s->Hyperlinks->Add();
      h->SetArea(RandomArea());
      h->Tag = ++next;
      links[Id(next)] = h->GetArea();
    }
    for (int i = 0; i < 4; ++i) {
      TXc12ConditionalFormatting* cf = s->ConditionalFormats->Add();
      TXc12DataValidation* dv = s->DataValidations->Add();
      for (int j = 0; j < 3; ++j) {
        TCellArea* a = cf->Sqref.AddArea(RandomArea());
        a->Tag = ++next;
        cfs[Id(next)] = a->GetArea();
        TCellArea* b = dv->Sqref.AddArea(RandomArea());
        b->Tag = ++next;
        dvs[Id(next)] = b->GetArea();
      }
    }
    for (int i = 0; i < 10; ++i) {
      TXc12Comment* c = s->Comments.Add();
      const TXLSCellArea a = RandomArea();
      c->SetCol(a.Col1);
      c->SetRow(a.Row1);
      c->Text = Id(++next);
      notes[c->Text] = CellAreaFromCell(a.Col1, a.Row1);
    }
    for (int i = 0; i < 8; ++i) {
      const int sheet = i % 2;
      TXc12DefinedName* n = names.Add(u"N" + Id(++next), -1);
      TXLSCellArea a = RandomArea();
      n->RefKind = nrkArea;
      n->RefSheet = sheet;
      // Absolute flags on some coordinates must survive.
      const bool abs = i % 3 == 0;
      n->RefArea = a;
      if (abs) {
        n->RefArea.Col1 |= 0x8000;
        n->RefArea.Row2 = static_cast<std::int32_t>(static_cast<std::uint32_t>(n->RefArea.Row2) | 0x80000000u);
      }
      (sheet == 0 ? nameRefs : otherSheet)[n->Name] = a;
    }

    for (int step = 0; step < 25; ++step) {
      K shift{static_cast<K::TKind>(Rand(0, 3)), Rand(0, 45), Rand(1, 4)};
      if (Rand(0, 15) == 0) shift.First = (shift.Kind <= K::DeleteRows ? XLS_MAXROW : XLS_MAXCOL) - Rand(0, 5);
      ShiftSheetParts(*s, shift);
      ShiftNameReferences(names, 0, shift);
      for (auto* m : {&merges, &links, &cfs, &dvs, &notes, &nameRefs})
        for (auto& [id, area] : *m)
          if (area) area = ModelArea(shift, *area);
      for (auto& [id, area] : merges)
        if (area && area->Col1 == area->Col2 && area->Row1 == area->Row2) area.reset();

      auto check = [&](const char* what, const std::map<std::u16string, std::optional<TXLSCellArea>>& want,
                       const std::map<std::u16string, TXLSCellArea>& got) {
        std::map<std::u16string, TXLSCellArea> w;
        for (const auto& [id, area] : want)
          if (area) w[id] = *area;
        EXPECT_EQ(got, w) << what << " after step " << step << " of round " << round;
      };
      std::map<std::u16string, TXLSCellArea> got;
      for (const auto& a : *s->MergedCells) got[Id(a->Tag)] = a->GetArea();
      check("merges", merges, got);
      for (int i = 0; i < s->MergedCells->Count(); ++i)
        for (int j = i + 1; j < s->MergedCells->Count(); ++j) {
          TXLSCellArea x = s->MergedCells->GetItem(i)->GetArea(), y = s->MergedCells->GetItem(j)->GetArea(), r;
          EXPECT_FALSE(IntersectCellArea(x, y, r));
        }
      got.clear();
      for (const auto& a : *s->Hyperlinks) got[Id(a->Tag)] = a->GetArea();
      check("hyperlinks", links, got);
      got.clear();
      for (int i = 0; i < s->ConditionalFormats->Count(); ++i) {
        EXPECT_GT(s->ConditionalFormats->GetItem(i)->Sqref.Count(), 0);
        for (const auto& a : s->ConditionalFormats->GetItem(i)->Sqref) got[Id(a->Tag)] = a->GetArea();
      }
      check("conditional formats", cfs, got);
      got.clear();
      for (int i = 0; i < s->DataValidations->Count(); ++i)
        for (const auto& a : s->DataValidations->GetItem(i)->Sqref) got[Id(a->Tag)] = a->GetArea();
      check("validations", dvs, got);
      got.clear();
      for (const auto& c : s->Comments) got[c->Text] = CellAreaFromCell(c->Col, c->Row);
      check("notes", notes, got);
      got.clear();
      std::map<std::u16string, TXLSCellArea> other;
      for (const auto& n : names) {
        TXLSCellArea a = n->RefArea;
        a.Col1 &= ~0x8000;
        a.Row2 = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.Row2) & 0x7FFFFFFFu);
        if (n->RefSheet == 0 && n->RefKind == nrkArea) got[n->Name] = a;
        if (n->RefSheet == 1) other[n->Name] = a;
      }
      check("names", nameRefs, got);
      check("names of another sheet", otherSheet, other);
    }
  }
}

TEST(SheetShifts, MovedNoteAnchorFollowsAtSave) {
  TXc12DataStyleSheet styles;
  TXc12DataSST sst(&styles);
  TXc12DataWorksheets sheets(nullptr, &styles, &sst);
  TXc12DataWorksheet* s = sheets.Add(-1);
  TXc12Comment* c = s->Comments.Add();
  c->SetCol(1);
  c->SetRow(1);
  c->CreateVmlShape();
  c->Shape->Find(u"x:ClientData", true)->AddChild(u"x:Anchor")->Text = u"2, 0, 1, 0, 4, 0, 5, 0";
  ShiftSheetParts(*s, K{K::InsertRows, 0, 3});
  ShiftSheetParts(*s, K{K::DeleteColumns, 0, 1});
  c->UpdateVmlShape();
  EXPECT_EQ(c->Shape->Find(u"x:ClientData/x:Anchor", true)->Text, u"1, 0, 4, 0, 3, 0, 8, 0");
  EXPECT_EQ(c->Shape->Find(u"x:ClientData/x:Row", true)->Text, u"4");
  EXPECT_EQ(c->Shape->Find(u"x:ClientData/x:Column", true)->Text, u"0");
  ShiftSheetParts(*s, K{K::DeleteRows, 4, 1});
  EXPECT_EQ(s->Comments.Count(), 0);
}

TEST(SheetShifts, AutofilterTablesAndRanges) {
  TXc12DataStyleSheet styles;
  TXc12DataSST sst(&styles);
  TXc12DataWorksheets sheets(nullptr, &styles, &sst);
  TXc12DataWorksheet* s = sheets.Add(-1);
  s->AutoFilter->Ref = CellAreaFromBox(0, 2, 3, 9);
  TXc12Table* t = s->Tables.Add();
  t->Ref = CellAreaFromBox(5, 0, 6, 3);
  t->AutoFilter.Ref = t->Ref;
  ShiftSheetParts(*s, K{K::InsertRows, 1, 2});
  EXPECT_EQ(s->AutoFilter->Ref, CellAreaFromBox(0, 4, 3, 11));
  EXPECT_EQ(t->Ref, CellAreaFromBox(5, 0, 6, 5));
  EXPECT_EQ(t->AutoFilter.Ref, t->Ref);
  TXc12ProtectedRange* pr = s->ProtectedRanges.Add();
  pr->sqref.AddArea(CellAreaFromBox(5, 0, 5, 0));
  pr->sqref.AddArea(CellAreaFromBox(9, 0, 9, 0));
  s->IgnoredErrors.Add()->sqref.AddArea(CellAreaFromBox(6, 2, 6, 2));
  ShiftSheetParts(*s, K{K::DeleteColumns, 5, 2});
  EXPECT_EQ(s->Tables.Count(), 0);
  ASSERT_EQ(s->ProtectedRanges.Count(), 1);
  EXPECT_EQ(pr->sqref.GetAsText(), u"H1");
  EXPECT_EQ(s->IgnoredErrors.Count(), 0);
  ShiftSheetParts(*s, K{K::DeleteColumns, 0, 4});
  EXPECT_FALSE(CellAreaAssigned(s->AutoFilter->Ref));
}

// Sheets inserted, deleted and moved: every name keeps its scope and its referenced sheet, checked
// against a list of sheet identities.
TEST(SheetShifts, RandomSheetChangesKeepNamesInStep) {
  std::mt19937 rng(7);
  auto rand = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TXc12DataStyleSheet styles;
  TXc12DataSST sst(&styles);
  TXc12DataWorksheets sheets(nullptr, &styles, &sst);
  TXc12DefinedNames names;
  std::vector<int> identity;  // sheet position -> identity
  int nextSheet = 0;
  for (int i = 0; i < 4; ++i) {
    sheets.Add(-1)->Name = Id(nextSheet);
    identity.push_back(nextSheet++);
  }
  struct Want {
    int local;      // identity, -1 global
    int ref;        // identity
    bool deleted = false;
    bool invalid = false;
  };
  std::map<std::u16string, Want> want;
  for (int i = 0; i < 24; ++i) {
    const int local = rand(-1, 3), ref = rand(0, 3);
    TXc12DefinedName* n = names.Add(u"Name" + Id(i), local < 0 ? -1 : local);
    n->RefKind = nrkCell;
    n->RefSheet = ref;
    want[n->Name] = Want{local < 0 ? -1 : identity[static_cast<std::size_t>(local)], identity[static_cast<std::size_t>(ref)]};
  }
  auto pos = [&](int id) {
    auto it = std::find(identity.begin(), identity.end(), id);
    return it == identity.end() ? -1 : static_cast<int>(it - identity.begin());
  };
  for (int step = 0; step < 60; ++step) {
    const int op = identity.size() <= 1 ? 0 : rand(0, 2);
    if (op == 0) {
      const int at = rand(0, static_cast<int>(identity.size()));
      sheets.InsertSheet(at, -1)->Name = Id(nextSheet);
      names.InsertSheets(at, 1);
      identity.insert(identity.begin() + at, nextSheet++);
    } else if (op == 1) {
      const int at = rand(0, static_cast<int>(identity.size()) - 1);
      const int gone = identity[static_cast<std::size_t>(at)];
      sheets.DeleteSheet(at);
      names.DeleteSheets(at, 1);
      identity.erase(identity.begin() + at);
      for (auto& [name, w] : want) {
        if (w.local == gone) w.deleted = true;
        if (w.ref == gone) w.invalid = true;
      }
    } else {
      const int from = rand(0, static_cast<int>(identity.size()) - 1);
      const int to = rand(0, static_cast<int>(identity.size()) - 1);
      sheets.MoveSheet(from, to);
      names.MoveSheet(from, to);
      const int id = identity[static_cast<std::size_t>(from)];
      identity.erase(identity.begin() + from);
      identity.insert(identity.begin() + to, id);
    }
    ASSERT_EQ(sheets.Count(), static_cast<int>(identity.size()));
    for (int i = 0; i < sheets.Count(); ++i) {
      EXPECT_EQ(sheets.GetItem(i)->Name, Id(identity[static_cast<std::size_t>(i)]));
      EXPECT_EQ(sheets.GetItem(i)->Index, i);
      EXPECT_EQ(sheets.GetItem(i)->Cells->SheetIndex(), i);
    }
    for (const auto& n : names) {
      const Want& w = want.at(n->Name);
      EXPECT_EQ(n->Deleted, w.deleted) << "step " << step;
      if (w.deleted) continue;
      EXPECT_EQ(n->LocalSheetId, w.local < 0 ? -1 : pos(w.local)) << "step " << step;
      EXPECT_EQ(n->RefKind == nrkInvalid, w.invalid) << "step " << step;
      if (!w.invalid) {
        EXPECT_EQ(n->RefSheet, pos(w.ref)) << "step " << step;
      }
      if (n->LocalSheetId >= 0) {
        EXPECT_EQ(names.Find(n->Name, n->LocalSheetId), names.IndexOf(n.get()));
      }
    }
  }
}

}  // namespace
}  // namespace workbook
