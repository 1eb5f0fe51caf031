#include "workbook/comments_data.h"

#include <gtest/gtest.h>

namespace workbook {
namespace {

std::u16string ShapeText(const TXc12Comment& c, const char16_t* path) {
  ooxml::TXpgDOMNode* n = c.Shape->Find(path, false);
  return n ? n->Text : u"<none>";
}

TEST(Comments, FindAndFirstCell) {
  TXc12Comments notes;
  TXc12Comment* a = notes.Add();
  a->SetCol(1);
  a->SetRow(1);
  TXc12Comment* b = notes.Add();
  b->SetCol(1);
  b->SetRow(1);
  EXPECT_EQ(notes.Find(1, 1), a);
  EXPECT_EQ(notes.Find(0, 0), nullptr);
  EXPECT_EQ(a->FillColor, 0xFFFFE1u);
  a->SetCol(3);
  EXPECT_EQ(a->FirstCol, 1);
  EXPECT_EQ(a->GetArea(), CellAreaFromCell(3, 1));
  notes.Authors.AddName(u"Müller");
  EXPECT_EQ(notes.Authors.Find(u"MÜLLER"), notes.Authors.GetItems(0));
  EXPECT_EQ(notes.Authors.Find(u"Mueller"), nullptr);
  notes.Clear();
  EXPECT_EQ(notes.Count(), 0);
  EXPECT_EQ(notes.Authors.Count(), 0);
}

TEST(Comments, ShapeIdsAreConsecutiveAcrossLists) {
  TXc12Comments first, second;
  TXc12Comment* a = first.Add();
  TXc12Comment* b = second.Add();
  a->CreateVmlShape();
  b->CreateVmlShape();
  ASSERT_TRUE(a->Shape && b->Shape);
  EXPECT_EQ(a->Shape->Name, u"v:shape");
  const int n = Xc12VmlShapeCounter();
  EXPECT_EQ(a->Shape->Attributes.GetValue(u"id"), u"vodka_" + [&] {
    std::string s = std::to_string(n - 1);
    return std::u16string(s.begin(), s.end());
  }());
  EXPECT_EQ(b->Shape->Attributes.GetValue(u"id"), u"vodka_" + [&] {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
  }());
  EXPECT_EQ(a->Shape->Attributes.GetValue(u"fillcolor"), u"#ffffe1");
  EXPECT_EQ(ShapeText(*a, u"x:ClientData/x:AutoFill"), u"False");
  EXPECT_NE(a->Shape->Find(u"v:textbox/div", false), nullptr);
  a->CreateVmlShape();  // replaces the old shape
  EXPECT_EQ(Xc12VmlShapeCounter(), n + 1);
}

TEST(Comments, MovedNoteAnchorFollowsOnce) {
  TXc12Comments notes;
  TXc12Comment* c = notes.Add();
  c->SetCol(1);  // B2
  c->SetRow(1);
  c->CreateVmlShape();
  ooxml::TXpgDOMNode* data = c->Shape->Find(u"x:ClientData", true);
  data->AddChild(u"x:Anchor")->Text = u"2, 15, 1, 10, 4, 15, 5, 4";
  c->SetCol(3);  // D5
  c->SetRow(4);
  c->UpdateVmlShape();
  EXPECT_EQ(ShapeText(*c, u"x:ClientData/x:Column"), u"3");
  EXPECT_EQ(ShapeText(*c, u"x:ClientData/x:Row"), u"4");
  EXPECT_EQ(ShapeText(*c, u"x:ClientData/x:Anchor"), u"4, 15, 4, 10, 6, 15, 8, 4");
  // A second save does not move it again.
  c->UpdateVmlShape();
  EXPECT_EQ(ShapeText(*c, u"x:ClientData/x:Anchor"), u"4, 15, 4, 10, 6, 15, 8, 4");
  c->SetRow(2);
  c->UpdateVmlShape();
  EXPECT_EQ(ShapeText(*c, u"x:ClientData/x:Anchor"), u"4, 15, 2, 10, 6, 15, 6, 4");

  struct Case {
    const char16_t* anchor;
    const char16_t* after;
  };
  const Case cases[] = {
      {u"1,2,3", u"1,2,3"},                                    // not 8 numbers: kept
      {u"1,2,3,4,5,6,7,8,9", u"1,2,3,4,5,6,7,8,9"},
      {u"a,0,0,0,0,0,0,0", u"1, 0, 1, 0, 1, 0, 1, 0"},        // a bad number reads as 0
  };
  for (const Case& k : cases) {
    TXc12Comment* n = notes.Add();
    n->SetCol(0);
    n->SetRow(0);
    n->CreateVmlShape();
    n->Shape->Find(u"x:ClientData", true)->AddChild(u"x:Anchor")->Text = k.anchor;
    n->SetCol(1);
    n->SetRow(1);
    n->UpdateVmlShape();
    EXPECT_EQ(ShapeText(*n, u"x:ClientData/x:Anchor"), k.after);
  }
  TXc12Comment* bare = notes.Add();
  bare->UpdateVmlShape();  // no shape: nothing
  EXPECT_EQ(bare->Shape, nullptr);
}

TEST(AutoFilter, Defaults) {
  TXc12AutoFilter af;
  EXPECT_FALSE(CellAreaAssigned(af.Ref));
  TXc12FilterColumn* col = af.Columns.Add();
  EXPECT_EQ(col->IconFilter.iconId, -1);
  EXPECT_EQ(col->DynamicFilter.Type, 255);
  EXPECT_TRUE(col->Top10.top);
  EXPECT_TRUE(col->ColorFilter.cellColor);
  EXPECT_FALSE(col->CustomFilters.InUse);
  EXPECT_EQ(af.SortState.sortMethod, 2);
  TXc12SortCondition* sc = af.SortState.SortConditions.Add();
  EXPECT_EQ(sc->dxfId, -1);
  EXPECT_EQ(sc->ref, CellAreaFromCell(0, 0));
  af.Ref = CellAreaFromBox(0, 0, 3, 9);
  af.SortState.Ref = af.Ref;
  af.Clear();
  EXPECT_EQ(af.Columns.Count(), 0);
  EXPECT_EQ(af.SortState.SortConditions.Count(), 0);
  EXPECT_FALSE(CellAreaAssigned(af.Ref));
  EXPECT_FALSE(CellAreaAssigned(af.SortState.Ref));
}

TEST(Tables, LookUps) {
  TXc12Tables tables;
  TXc12Table* t1 = tables.Add();
  t1->Name = u"Sales";
  t1->Ref = CellAreaFromBox(0, 0, 3, 10);
  TXc12Table* t2 = tables.Add();
  t2->Name = u"Übersicht";
  t2->Ref = CellAreaFromBox(2, 5, 6, 20);
  EXPECT_EQ(t1->headerRowCount, 1);
  EXPECT_TRUE(t1->totalsRowShown);
  EXPECT_EQ(t1->totalsRowCount, 0);
  EXPECT_FALSE(CellAreaAssigned(t1->AutoFilter.Ref));
  EXPECT_EQ(tables.FindByName(u"SALES"), 0);
  EXPECT_EQ(tables.FindByName(u"übersicht"), 1);
  EXPECT_EQ(tables.FindByName(u"none"), -1);
  EXPECT_EQ(tables.FindByCell(3, 6), 0);
  EXPECT_EQ(tables.FindByCell(6, 20), 1);
  EXPECT_EQ(tables.FindByCell(7, 20), -1);
  t2->Columns.Add()->Name = u"Region";
  t2->Columns.Add()->Name = u"'Price'";
  EXPECT_EQ(tables.FindColumn(u"region"), 0);
  EXPECT_EQ(tables.FindColumn(u"''Price''"), 1);
  EXPECT_EQ(tables.FindColumn(u"missing"), -1);

  struct Case {
    const char16_t* in;
    const char16_t* out;
  };
  const Case cases[] = {{u"''Price''", u"'PRICE'"}, {u"'[Total]", u"[TOTAL]"}, {u"a'#b", u"A#B"},
                        {u"end'", u"END"},          {u"ärger", u"ÄRGER"},       {u"", u""}};
  for (const Case& c : cases) {
    std::u16string r;
    TXc12Tables::NormalizeColumnName(c.in, r);
    EXPECT_EQ(r, c.out);
  }
  t1->totalsRowCount = 2;
  t1->Columns.Add();
  t1->QueryTable.LoadFromString(u"<queryTable/>");
  t1->Clear();
  EXPECT_EQ(t1->totalsRowCount, 0);
  EXPECT_EQ(t1->Columns.Count(), 0);
  EXPECT_TRUE(t1->QueryTable.IsEmpty());
}

}  // namespace
}  // namespace workbook
