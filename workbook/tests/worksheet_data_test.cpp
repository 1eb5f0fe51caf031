#include "workbook/worksheet_data.h"

#include <gtest/gtest.h>

#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace workbook {
namespace {

class SheetsTest : public ::testing::Test {
protected:
  TXc12DataStyleSheet styles;
  TXc12DataSST sst{&styles};
  TXc12DataWorksheets sheets{nullptr, &styles, &sst};
};

TEST_F(SheetsTest, SheetIdsAndIndexes) {
  sheets.Add(-1);
  sheets.Add(-1);
  TXc12DataWorksheet* third = sheets.Add(-1);
  EXPECT_EQ(third->SheetId, 3);
  EXPECT_EQ(third->Index, 2);
  EXPECT_EQ(sheets.Add(0)->SheetId, 0);
  sheets.DeleteSheet(0);
  for (int i = 0; i < sheets.Count(); ++i) {
    EXPECT_EQ(sheets.GetItem(i)->Index, i);
    EXPECT_EQ(sheets.GetItem(i)->Cells->SheetIndex(), i);
  }
  TXc12DataWorksheet* ins = sheets.InsertSheet(1, -1);
  EXPECT_EQ(ins->Index, 1);
  EXPECT_EQ(sheets.GetItem(2), third);
  EXPECT_EQ(third->Cells->SheetIndex(), 2);
  sheets.MoveSheet(2, 0);
  EXPECT_EQ(sheets.GetItem(0), third);
  EXPECT_EQ(third->Index, 0);
  EXPECT_EQ(third->Cells->SheetIndex(), 0);
  EXPECT_EQ(sheets.FindByCells(third->Cells.get()), third);
  TXLSCellMMU other(0, 0, nullptr, nullptr);
  EXPECT_EQ(sheets.FindByCells(&other), nullptr);
}

TEST_F(SheetsTest, NewSheetDefaults) {
  TXc12DataWorksheet* s = sheets.Add(-1);
  EXPECT_EQ(s->SheetViews.Count(), 1);
  EXPECT_FALSE(CellAreaAssigned(s->AutoFilter->Ref));
  EXPECT_EQ(s->Comments.Count(), 0);
  EXPECT_EQ(s->Hyperlinks->Count(), 0);
  EXPECT_EQ(s->MergedCells->Count(), 0);
  EXPECT_EQ(s->ConditionalFormats->Count(), 0);
  EXPECT_EQ(s->ConditionalFormats->Sheet, s);
  EXPECT_EQ(s->DataValidations->Count(), 0);
  EXPECT_EQ(s->Tables.Count(), 0);
  EXPECT_EQ(s->Columns.Count(), 0);
  EXPECT_EQ(s->Drawing, nullptr);
  EXPECT_TRUE(s->VmlDrawing.IsEmpty());
  EXPECT_EQ(s->SheetFormatPr.baseColWidth, 8);
  EXPECT_TRUE(s->SheetPr.published);
  EXPECT_EQ(s->SheetPr.tabColor.ColorType, xctUnassigned);
  EXPECT_FALSE(CellAreaAssigned(s->SheetPr.syncRef));
  EXPECT_TRUE(s->SheetPr.OutlinePr.summaryBelow);
  EXPECT_TRUE(s->SheetPr.PageSetUpPr.autoPageBreaks);
  EXPECT_TRUE(s->SheetProtection.formatCells);
  EXPECT_FALSE(s->SheetProtection.selectLockedCells);
  EXPECT_EQ(s->DataConsolidate.function, 8);
  EXPECT_EQ(s->PhoneticPr.type, 1);

  const TXc12SheetView* v = s->SheetViews.GetItem(0);
  EXPECT_TRUE(v->showGridLines && v->showRowColHeaders && v->showZeros);
  EXPECT_EQ(v->colorId, 64);
  EXPECT_EQ(v->zoomScale, 100);
  EXPECT_EQ(v->Pane.activePane, xpTopLeft);
  EXPECT_EQ(v->Pane.xSplit, 0);
  EXPECT_EQ(v->Pane.ySplit, 0);
  EXPECT_EQ(v->Selections.Count(), 0);

  const TXc12PageMargins& m = s->PageMargins;
  EXPECT_EQ((std::vector<double>{m.left, m.right, m.top, m.bottom, m.header, m.footer}),
            (std::vector<double>{0.7, 0.7, 0.75, 0.75, 0.3, 0.3}));
  EXPECT_EQ(s->PageSetup.paperSize, 0);
  EXPECT_EQ(s->PageSetup.horizontalDpi, 600);
  EXPECT_EQ(s->PageSetup.copies, 1);
  EXPECT_TRUE(s->PrintOptions.gridLinesSet);
  EXPECT_TRUE(s->HeaderFooter.scaleWithDoc);
}

TEST_F(SheetsTest, QuotedNamesAndFind) {
  struct Case {
    const char16_t* name;
    const char16_t* quoted;
  };
  const Case cases[] = {
      {u"Sheet1", u"Sheet1"},         {u"Sheet 1", u"'Sheet 1'"},   {u"Daten_2018", u"'Daten_2018'"},
      {u"报表", u"'报表'"},           {u"Bob's", u"'Bob''s'"},       {u"", u"''"},
  };
  for (const Case& c : cases) {
    TXc12DataWorksheet* s = sheets.Add(-1);
    s->Name = c.name;
    EXPECT_EQ(s->GetQuotedName(), c.quoted);
  }
  EXPECT_EQ(sheets.Find(u"SHEET1"), 0);
  EXPECT_EQ(sheets.Find(u"sheet 1"), 1);
  EXPECT_EQ(sheets.Find(u"报表"), 3);
  EXPECT_EQ(sheets.Find(u"报告"), -1);  // two CJK names an 8-bit conversion would confuse
  EXPECT_EQ(sheets.Find(u"missing"), -1);
}

TEST_F(SheetsTest, DimensionRoundTripAndClear) {
  TXc12DataWorksheet* s = sheets.Add(-1);
  s->SetDimension(CellAreaFromBox(1, 2, 30, 400));
  TXLSCellArea a;
  s->GetDimension(a);
  EXPECT_EQ(a, CellAreaFromBox(1, 2, 30, 400));
  sst.AddString(u"x");
  sheets.Clear();
  EXPECT_EQ(sheets.Count(), 0);
  EXPECT_EQ(sst.Count(), 0);
}

TEST_F(SheetsTest, PartsOfASheet) {
  TXc12DataWorksheet* s = sheets.Add(-1);
  TXc12Hyperlink* h = s->Hyperlinks->Add();
  EXPECT_FALSE(CellAreaAssigned(h->Ref));
  h->SetArea(CellAreaFromBox(1, 1, 2, 2));
  h->SetAddress(u"https://example.org");
  EXPECT_EQ(h->Ref, CellAreaFromBox(1, 1, 2, 2));
  EXPECT_EQ(h->Address, u"https://example.org");
  EXPECT_EQ(s->Hyperlinks->IndexOfCell(2, 2), 0);
  TXc12MergedCell* m = s->MergedCells->AddArea(CellAreaFromBox(0, 0, 3, 0));
  EXPECT_EQ(m->GetArea(), CellAreaFromBox(0, 0, 3, 0));
  EXPECT_EQ(s->MergedCells->GetItem(0), m);
  TXc12Column* c = s->Columns.Add(nullptr);
  EXPECT_EQ(c->Min, 0);
  EXPECT_EQ(c->Width, 0);
  TXc12InputCell* in = s->Scenarios.Add()->InputCells.AddFromText(u"C7");
  EXPECT_EQ(in->Col, 2);
  EXPECT_EQ(in->Row, 6);
  s->Scenarios.current = 3;
  s->Scenarios.sqref.AddCell(1, 1);
  s->Scenarios.Clear();
  EXPECT_EQ(s->Scenarios.current, 0);
  EXPECT_EQ(s->Scenarios.sqref.Count(), 1);
}

TEST(SheetViews, SelectionPrinterSettingsAndCustomViews) {
  TXc12Selection sel;
  EXPECT_EQ(sel.activeCell, CellAreaFromCell(0, 0));
  ASSERT_EQ(sel.sqref.Count(), 1);
  EXPECT_EQ(sel.sqref.GetAsText(), u"A1");
  EXPECT_EQ(sel.pane, xpTopLeft);

  TXc12PageSetup setup;
  setup.LoadPrinterSettings(std::make_unique<TMemoryStream>(std::vector<std::uint8_t>{1, 2, 3}));
  auto second = std::make_unique<TMemoryStream>(std::vector<std::uint8_t>{9, 8});
  second->SetPosition(2);
  setup.LoadPrinterSettings(std::move(second));
  ASSERT_NE(setup.PrinterSettings, nullptr);
  EXPECT_EQ(setup.PrinterSettings->Bytes(), (std::vector<std::uint8_t>{9, 8}));
  setup.scale = 50;
  setup.Clear();
  EXPECT_EQ(setup.PrinterSettings, nullptr);
  EXPECT_EQ(setup.scale, 100);

  TXc12CustomSheetViews views;
  TXc12CustomSheetView* v = views.Add();
  EXPECT_EQ(v->scale, 100);
  EXPECT_EQ(v->colorId, 64);
  EXPECT_EQ(v->Pane.activePane, xpTopLeft);
  EXPECT_EQ(v->Selection.sqref.GetAsText(), u"A1");
  EXPECT_EQ(v->PageMargins.top, 0.75);
  EXPECT_EQ(v->AutoFilter.Columns.Count(), 0);
  v->RowBreaks.Add()->man = true;
  v->AutoFilter.Ref = CellAreaFromBox(0, 0, 1, 1);
  v->PageSetup.copies = 4;
  v->Clear();
  EXPECT_EQ(v->RowBreaks.Count(), 0);
  EXPECT_FALSE(CellAreaAssigned(v->AutoFilter.Ref));
  EXPECT_EQ(v->PageSetup.copies, 1);

  TXc12PivotSelection ps;
  EXPECT_EQ(ps.axis, 4);
  EXPECT_EQ(ps.PivotArea.type, 1);
  EXPECT_TRUE(ps.PivotArea.dataOnly && ps.PivotArea.outline);
  EXPECT_TRUE(ps.PivotArea.References.Add()->selected);
}

TEST(ConditionalFormats, RuleDefaultsAndFormulas) {
  TXc12ConditionalFormattings list;
  TXc12ConditionalFormatting* cf = list.Add();
  TXc12CfRule* r = cf->Rules.Add();
  EXPECT_EQ(r->type, 255);
  EXPECT_EQ(r->Operator, 255);
  EXPECT_EQ(r->timePeriod, 255);
  EXPECT_TRUE(r->aboveAverage);
  EXPECT_EQ(r->DataBar.minLength, 10);
  EXPECT_EQ(r->DataBar.maxLength, 90);
  EXPECT_TRUE(r->DataBar.showValue);
  EXPECT_EQ(r->DataBar.Color.ColorType, xctUnassigned);
  EXPECT_EQ(r->IconSet.iconSet, 3);
  EXPECT_TRUE(r->IconSet.showValue && r->IconSet.percent);

  r->SetFormula(1, u"A1>2");
  r->Compiled[1] = {0x1E, 2, 0};
  r->Compiled[0] = {0x1E, 1, 0};
  r->SetFormula(1, u"A1>3");
  EXPECT_TRUE(r->Compiled[1].empty());
  EXPECT_FALSE(r->Compiled[0].empty());
  std::u16string t;
  r->GetFormula(1, t);
  EXPECT_EQ(t, u"A1>3");
  EXPECT_THROW(r->GetFormula(3, t), Exception);
  EXPECT_THROW(r->SetFormula(-1, t), Exception);
  try {
    r->GetFormula(3, t);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Index out of range");
  }
  r->type = 1;
  r->priority = 4;
  r->Clear();
  EXPECT_EQ(r->type, 255);
  EXPECT_EQ(r->priority, 0);
  EXPECT_EQ(t, u"A1>3");  // formulas stay
  r->GetFormula(1, t);
  EXPECT_EQ(t, u"A1>3");
  TXc12Color c;
  r->ColorScale.Colors.Add(c);
  EXPECT_THROW(r->ColorScale.Colors.GetItem(1, c), EListError);
}

TEST(DataValidations, ClearResetsHeader) {
  TXc12DataValidations list;
  list.disablePrompts = true;
  list.xWindow = 5;
  list.yWindow = 6;
  TXc12DataValidation* v = list.Add();
  v->type = 3;
  v->Sqref.AddCell(0, 0);
  v->Clear();
  EXPECT_EQ(v->type, 0);
  EXPECT_EQ(v->Sqref.Count(), 0);
  list.Clear();
  EXPECT_FALSE(list.disablePrompts);
  EXPECT_EQ(list.xWindow, 0);
  EXPECT_EQ(list.yWindow, 0);
  EXPECT_EQ(list.Count(), 0);
}

class KindRecorder : public TXLSClassFactory {
public:
  std::vector<int> kinds;
  std::unique_ptr<TObject> CreateObject(std::uint8_t Kind, TObject*) override {
    kinds.push_back(Kind);
    if (Kind == fokDrawing) return std::make_unique<TObject>();
    return nullptr;
  }
};

TEST(SheetFactory, SheetAsksForItsParts) {
  TXc12DataStyleSheet styles;
  TXc12DataSST sst(&styles);
  KindRecorder f;
  TXc12DataWorksheets sheets(&f, &styles, &sst);
  TXc12DataWorksheet* s = sheets.Add(-1);
  EXPECT_NE(s->Drawing, nullptr);
  s->Hyperlinks->Add();
  s->MergedCells->AddArea(CellAreaFromCell(0, 0));
  s->DataValidations->Add();
  s->ConditionalFormats->Add();
  s->AutoFilter->Columns.Add();
  std::vector<int> want = {fokHyperlinks, fokMergedCells, fokAutofilter, fokConditionalFormats,
                           fokDataValidations, fokDrawing, fokHyperlink, fokMergedCell, fokDataValidation,
                           fokConditionalFormat, fokAutofilterColumn};
  EXPECT_EQ(f.kinds, want);
}

}  // namespace
}  // namespace workbook
