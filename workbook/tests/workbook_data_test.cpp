#include "workbook/workbook_data.h"

#include <gtest/gtest.h>

namespace workbook {
namespace {

TEST(WorkbookData, NewWorkbookDefaults) {
  TXc12DataWorkbook wb(nullptr);
  EXPECT_EQ(wb.BookViews.Count(), 1);
  EXPECT_EQ(wb.Sheets.Count(), 0);
  EXPECT_EQ(wb.DefinedNames->Count(), 0);
  EXPECT_EQ(wb.CalcPr.calcId, 125725);
  EXPECT_EQ(wb.CalcPr.calcMode, 1);
  EXPECT_DOUBLE_EQ(wb.CalcPr.iterateDelta, 0.001);
  EXPECT_EQ(wb.WorkbookPr.defaultThemeVersion, 124226);
  EXPECT_EQ(wb.FileVersion.appName, u"xl");
  EXPECT_EQ(wb.FileVersion.rupBuild, u"5241");
  EXPECT_EQ(wb.WebPublishing.targetScreenSize, 3);
  EXPECT_EQ(wb.WebPublishing.dpi, 96);
  EXPECT_EQ(wb.FunctionGroups.builtInGroupCount, 16);
  EXPECT_EQ(wb.OleSize, (TXLSCellArea{0, 0, 0, 0}));
  const TXc12BookView* v = wb.BookViews.GetItems(0);
  EXPECT_TRUE(v->showHorizontalScroll && v->showVerticalScroll && v->showSheetTabs && v->autoFilterDateGrouping);
  EXPECT_EQ(v->tabRatio, 600);
}

TEST(WorkbookData, ClearKeepsDocumentFlagsAndOleSize) {
  TXc12DataWorkbook wb(nullptr);
  wb.WorkbookPr.date1904 = true;
  wb.WorkbookPr.showObjects = 2;
  wb.WorkbookPr.backupFile = true;
  wb.OleSize = CellAreaFromBox(1, 2, 3, 4);
  wb.CalcPr.calcId = 1;
  wb.BookViews.Add();
  wb.Sheets.Add()->name = u"A";
  wb.DefinedNames->Add(u"X", -1);
  wb.FunctionGroups.Add(u"G");
  wb.FunctionGroups.builtInGroupCount = 3;
  wb.WriteAccess = u"me";
  wb.Connections.LoadFromString(u"<connections/>");
  wb.Clear();
  EXPECT_TRUE(wb.WorkbookPr.date1904);
  EXPECT_EQ(wb.WorkbookPr.showObjects, 2);
  EXPECT_FALSE(wb.WorkbookPr.backupFile);
  EXPECT_EQ(wb.OleSize, CellAreaFromBox(1, 2, 3, 4));
  EXPECT_EQ(wb.CalcPr.calcId, 125725);
  EXPECT_EQ(wb.BookViews.Count(), 1);
  EXPECT_EQ(wb.Sheets.Count(), 0);
  EXPECT_EQ(wb.DefinedNames->Count(), 0);
  EXPECT_EQ(wb.FunctionGroups.Count(), 0);
  EXPECT_EQ(wb.FunctionGroups.builtInGroupCount, 16);
  EXPECT_TRUE(wb.WriteAccess.empty());
  EXPECT_TRUE(wb.Connections.IsEmpty());
}

TEST(WorkbookData, FileVersionSettersIgnoreEmptyText) {
  TXc12FileVersion fv;
  fv.SetAppName(u"");
  fv.SetLastEdited(u"");
  EXPECT_EQ(fv.appName, u"xl");
  EXPECT_EQ(fv.lastEdited, u"4");
  fv.SetAppName(u"calc");
  EXPECT_EQ(fv.appName, u"calc");
}

TEST(DefinedNames, SetNameRecognisesBuiltIns) {
  struct Case {
    const char16_t* text;
    std::uint8_t id;
    const char16_t* stored;
  };
  const Case cases[] = {
      {u"_xlnm.Print_Titles", bnPrintTitles, u""},
      {u"_xlnm.Print_Area", bnPrintArea, u""},
      {u"_xlnm.Consolidate_Area", bnConsolidateArea, u""},
      {u"_xlnm._FilterDatabase", bnFilterDatabase, u""},
      {u"_xlnm.Sheet_Title", bnSheetTitle, u""},
      {u"Total", bnNone, u"Total"},
      {u"_xlnm.print_area", bnNone, u"_xlnm.print_area"},  // exact case only
      {u"_xlnm.Unknown", bnNone, u"_xlnm.Unknown"},        // no built-in: keeps its text
      {u"_xlnm", bnNone, u"_xlnm"},
  };
  TXc12DefinedNames names;
  for (const Case& c : cases) {
    TXc12DefinedName* n = names.Add(c.text, -1);
    EXPECT_EQ(n->BuiltIn, c.id) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(n->Name, c.stored);
  }
  EXPECT_EQ(names.GetItems(0)->GetDisplayName(), u"_xlnm.Print_Titles");
}

TEST(DefinedNames, LocalBeforeGlobalAndCaseInsensitive) {
  TXc12DefinedNames names;
  names.Add(u"Total", -1);     // 0
  names.Add(u"TOTAL", 0);      // 1
  names.Add(u"Straße", -1);    // 2
  names.Add(u"Ärger", 1);      // 3
  EXPECT_EQ(names.Find(u"total", 0), 1);
  EXPECT_EQ(names.Find(u"total", 1), 0);
  EXPECT_EQ(names.Find(u"total", -1), 0);
  EXPECT_EQ(names.Find(u"STRASSE", -1), -1);  // no folding beyond case mapping of single units
  EXPECT_EQ(names.Find(u"straße", -1), 2);
  EXPECT_EQ(names.Find(u"ärger", 1), 3);
  EXPECT_EQ(names.Find(u"ärger", -1), -1);
  EXPECT_EQ(names.Find(u"missing", 0), -1);
  // Texts that an 8-bit conversion would both turn into "??" stay apart.
  names.Add(u"数据", -1);
  names.Add(u"资料", -1);
  EXPECT_EQ(names.Find(u"资料", -1), 5);
  EXPECT_EQ(names.Find(u"数据", -1), 4);
}

TEST(DefinedNames, DeletedEntryIsReusedAndNotFound) {
  TXc12DefinedNames names;
  names.Add(u"A", -1);
  TXc12DefinedName* b = names.Add(u"B", -1);
  b->Comment = u"old";
  b->Hidden = true;
  names.Add(u"C", -1);
  EXPECT_EQ(names.Find(u"b", -1), 1);
  b->Deleted = true;
  names.InvalidateIndex();
  EXPECT_EQ(names.Find(u"b", -1), -1);
  TXc12DefinedName* d = names.Add(u"D", 2);
  EXPECT_EQ(d, b);
  EXPECT_EQ(names.Count(), 3);
  EXPECT_TRUE(d->Comment.empty());
  EXPECT_FALSE(d->Hidden);
  EXPECT_FALSE(d->Deleted);
  EXPECT_EQ(names.Find(u"d", 2), 1);
  TXc12DefinedName* e = names.AddBuiltIn(bnPrintArea, 0);
  EXPECT_EQ(names.Count(), 4);
  EXPECT_EQ(e->BuiltIn, bnPrintArea);
  names.AddBuiltIn(bnPrintTitles, -1);
  EXPECT_EQ(names.Find(u"", 0), -1);  // built-in names have no text to find
  EXPECT_EQ(names.Find(u"", -1), -1);
  EXPECT_EQ(names.Find(u"a", -1), 0);
  names.Clear();
  EXPECT_EQ(names.Find(u"a", -1), -1);
  EXPECT_EQ(names.Count(), 0);
}

TEST(DefinedNames, SheetInsertAndDeleteKeepScopesAndReferences) {
  TXc12DefinedNames names;
  auto mk = [&](const char16_t* name, int local, std::uint8_t kind, int refSheet) {
    TXc12DefinedName* n = names.Add(name, local);
    n->RefKind = kind;
    n->RefSheet = refSheet;
    return n;
  };
  TXc12DefinedName* onFirst = mk(u"OnFirst", 0, nrkCell, 0);
  TXc12DefinedName* onSecond = mk(u"OnSecond", 1, nrkArea, 1);
  TXc12DefinedName* onThird = mk(u"OnThird", 2, nrkArea, 2);
  TXc12DefinedName* global = mk(u"Global", -1, nrkCell, 2);
  TXc12DefinedName* formula = mk(u"F", -1, nrkFormula, 0);
  names.DeleteSheets(1, 1);
  EXPECT_FALSE(onFirst->Deleted);
  EXPECT_TRUE(onSecond->Deleted);
  EXPECT_EQ(onThird->LocalSheetId, 1);
  EXPECT_EQ(onThird->RefSheet, 1);
  EXPECT_EQ(global->RefSheet, 1);
  EXPECT_EQ(formula->RefSheet, 0);
  EXPECT_EQ(names.Find(u"onthird", 1), 2);
  names.InsertSheets(0, 2);
  EXPECT_EQ(onFirst->LocalSheetId, 2);
  EXPECT_EQ(onFirst->RefSheet, 2);
  EXPECT_EQ(onThird->LocalSheetId, 3);
  EXPECT_EQ(global->LocalSheetId, -1);
  EXPECT_EQ(global->RefSheet, 3);
  // A reference pushed past the last sheet the format can number becomes invalid.
  global->RefSheet = 250;
  names.InsertSheets(0, 10);
  EXPECT_EQ(global->RefKind, nrkInvalid);
  // A reference into a deleted sheet becomes invalid.
  names.DeleteSheets(onThird->RefSheet, 1);
  EXPECT_EQ(onThird->RefKind, nrkInvalid);
  EXPECT_TRUE(onThird->Deleted);
}

class RecordingFactory : public TXLSClassFactory {
public:
  std::vector<int> kinds;
  std::unique_ptr<TObject> CreateObject(std::uint8_t Kind, TObject*) override {
    kinds.push_back(Kind);
    if (Kind == fokNames) return std::make_unique<TXc12DefinedNames>(this);
    if (Kind == fokName) return std::make_unique<Named>();
    return nullptr;
  }
  class Named : public TXc12DefinedName {
  public:
    void GetDefinition(std::u16string& Text) const override { Text = u"decoded"; }
  };
};

TEST(DefinedNames, ClassFactoryMakesListAndItems) {
  RecordingFactory f;
  TXc12DataWorkbook wb(&f);
  TXc12DefinedName* n = wb.DefinedNames->Add(u"X", -1);
  std::u16string def;
  n->GetDefinition(def);
  EXPECT_EQ(def, u"decoded");
  EXPECT_EQ(f.kinds, (std::vector<int>{fokNames, fokName}));
}

}  // namespace
}  // namespace workbook
