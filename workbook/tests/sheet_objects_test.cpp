#include "workbook/sheet_objects.h"

#include <gtest/gtest.h>

#include "core/unicode.h"
#include "workbook/spreadsheet_component.h"

namespace workbook {
namespace {

// Compiles only references of the form Sheet1!<cell>; everything else fails loudly.
struct RefOnlyFormulas : IXLSFormulaHandler {
  int EncodeCellFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int, int, int, bool) override {
    if (Text.rfind(u"Sheet1!", 0) != 0) throw Exception("Unexpected character");
    Tokens = {0x3A, 0, 0};
    return 3;
  }
  int EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int SheetIndex) override {
    return EncodeCellFormula(Text, Tokens, SheetIndex, 0, 0, false);
  }
  void SetTables(TXc12Tables*) override {}
  void AdjustSheetRefs(std::uint8_t*, int, int, int) override {}
  void AdjustCellRefs(std::uint8_t*, int, int, int, const TXc12SheetShift&) override {}
  void MoveSheetRefs(std::uint8_t*, int, int From, int To) override { moves.emplace_back(From, To); }
  std::vector<std::pair<int, int>> moves;
  void Calculate() override {}
};

TXLSSpreadsheetNeighbours WithFormulas() {
  TXLSSpreadsheetNeighbours n;
  n.CreateFormulaHandler = [](TXc12Manager*) { return std::make_unique<RefOnlyFormulas>(); };
  return n;
}

TEST(Hyperlinks, ClassifiedAndEncodedByAddress) {
  TXLSSpreadsheet5 xls{WithFormulas()};
  TXc12Hyperlinks& links = *xls.GetItem(0)->GetDataSheet()->Hyperlinks;
  struct Case {
    const char16_t* address;
    std::uint8_t kind;
    const char16_t* stored;
    const char16_t* location;
  };
  const Case cases[] = {
      {u"http://a.b/c d#e", xhltURL, u"http://a.b/c%20d#e", u""},
      {u"WWW.example.com/?a=1&b", xhltURL, u"WWW.example.com/?a=1&b", u""},
      {u"https://[::1]:8080/q?x=a+b,c;d&y=@~#f$", xhltURL, u"https://[::1]:8080/q?x=a+b,c;d&y=@~#f$", u""},
      {u"https://h/{a}^`b\x7f%zz", xhltURL, u"https://h/%7Ba%7D%5E%60b%7F%25zz", u""},
      {u"c:\\data\\r 1.xls", xhltFile, u"file:///c:\\data\\r%201.xls", u""},
      {u"FILE:///x y", xhltURL, u"FILE:///x%20y", u""},  // a scheme comes first
      {u"\\\\srv\\share", xhltUNC, u"file:///\\\\srv\\share", u""},
      {u"mailto:a@b.c", xhltURL, u"mailto:a@b.c", u""},
      {u"Sheet1!B2", xhltWorkbook, u"Sheet1!B2", u"#Sheet1!B2"},
      {u"report 100%.xls", xhltFile, u"report%20100%25.xls", u""},
      {u"a%2Fb", xhltFile, u"a%2Fb", u""},
  };
  for (const Case& c : cases) {
    TXc12Hyperlink* h = links.Add();
    h->SetAddress(c.address);
    EXPECT_EQ(h->Kind, c.kind) << core::utf16_to_utf8(c.address);
    EXPECT_EQ(h->Address, c.stored) << core::utf16_to_utf8(c.address);
    EXPECT_EQ(h->Location, c.location) << core::utf16_to_utf8(c.address);
  }
  EXPECT_EQ(xls.GetErrors()->GetErrorCount(), 0);
}

TEST(Hyperlinks, EncodeUrlTable) {
  EXPECT_EQ(EncodeURL(u" #$&+,;=@[]^`{}~\x7f"), u"%20%23%24%26%2B%2C%3B%3D%40%5B%5D%5E%60%7B%7D%7E%7F");
  EXPECT_EQ(EncodeURL(u"%4a%zz%"), u"%4a%25zz%25");
  EXPECT_EQ(EncodeURL(u"温度/a"), u"温度/a");
  EXPECT_EQ(EncodeURL(u" #$&+,;=@[]^`{}~\x7f", true), u"%20#$&+,;=@[]%5E%60%7B%7D~%7F");
}

TEST(Comments, AuthorPrefixRunsAndAreas) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  TXLSComments* notes = xls.GetItem(0)->GetComments();
  TXLSComment* plain = notes->Add(1, 1, u"plain");
  EXPECT_EQ(plain->GetText(), u"plain");
  EXPECT_EQ(plain->GetData()->FontRuns.size(), 1u);
  notes->Author = u"Op";
  TXLSComment* signed_ = notes->Add(2, 2, u"hot");
  EXPECT_EQ(signed_->GetText(), u"Op:\rhot");
  ASSERT_EQ(signed_->GetData()->FontRuns.size(), 2u);
  EXPECT_EQ(signed_->GetData()->FontRuns[1].Index, 3);
  ASSERT_NE(signed_->GetData()->Author, nullptr);
  notes->Add(2, 2, u"again");  // replaces the note of that cell
  EXPECT_EQ(notes->GetCount(), 2);
  notes->Add(9, 9, u"far");
  notes->DeleteArea(0, 0, 5, 5);
  ASSERT_EQ(notes->GetCount(), 1);
  EXPECT_EQ(notes->GetItem(0)->GetCol(), 9);
  EXPECT_EQ(notes->GetData()->Count(), 1);
}

TEST(PrintSettings, PaperSizeFromLocaleAndSetter) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  TXLSPrintSettings* ps = xls.GetItem(0)->GetPrintSettings();
  EXPECT_EQ(ps->GetPaperSize(), 9);  // the library's locale: A4
  ps->SetPaperSize(1);
  EXPECT_EQ(ps->GetPaperSize(), 1);
  TXLSSelectedAreas* sel = xls.GetItem(0)->GetSelection();
  EXPECT_EQ(sel->Count(), 1);
  sel->SetActiveCell(3, 4);
  EXPECT_EQ(sel->Count(), 2);
  EXPECT_EQ(sel->ActiveCol, 3);
}

TEST(SheetObjects, FactoryMakesInterfaceClasses) {
  TXLSSpreadsheet5 xls{WithFormulas()};
  TXLSWorksheet* sheet = xls.GetItem(0);
  TXc12DataWorksheet* ds = sheet->GetDataSheet();
  ASSERT_NE(dynamic_cast<TXLSMergedCells*>(ds->MergedCells.get()), nullptr);
  EXPECT_NE(dynamic_cast<TXLSMergedCell*>(ds->MergedCells->Add(0, 0, 3, 0)), nullptr);
  ASSERT_NE(dynamic_cast<TXLSDataValidations*>(sheet->GetDataValidations()), nullptr);
  ASSERT_NE(dynamic_cast<TXLSConditionalFormats*>(sheet->GetConditionalFormats()), nullptr);
  auto* af = dynamic_cast<TXLSAutofilter*>(sheet->GetAutofilter());
  ASSERT_NE(af, nullptr);
  EXPECT_EQ(af->Owner, ds);
  EXPECT_EQ(af->Names, xls.GetNames());
  EXPECT_NE(dynamic_cast<TXLSAutofilterColumn*>(af->Columns.Add()), nullptr);
  auto* cf = dynamic_cast<TXLSConditionalFormat*>(sheet->GetConditionalFormats()->Add());
  ASSERT_NE(cf, nullptr);
  EXPECT_EQ(cf->Manager, xls.GetManager());
  EXPECT_EQ(cf->FormulaHandler, xls.OwnFormulaHandler());
  auto* dv = dynamic_cast<TXLSDataValidation*>(sheet->GetDataValidations()->Add());
  ASSERT_NE(dv, nullptr);

  // Both follow cell moves through their areas; narrowing to a rectangle cuts only the format.
  cf->Sqref.SetAsText(u"B2:C3");
  dv->Sqref.SetAsText(u"B2:C3");
  for (TXc12AreaMoveCopyItem* item : {static_cast<TXc12AreaMoveCopyItem*>(cf), static_cast<TXc12AreaMoveCopyItem*>(dv)}) {
    EXPECT_TRUE(item->Intersect(2, 2, 9, 9));
    EXPECT_FALSE(item->Intersect(5, 5, 9, 9));
    item->Include(0, 0, 1, 9);
  }
  EXPECT_EQ(cf->Sqref.GetAsText(), u"B2:B3");
  EXPECT_EQ(dv->Sqref.GetAsText(), u"B2:C3");
  sheet->InsertRows(0, 2);
  EXPECT_EQ(dv->Sqref.GetAsText(), u"B4:C5");
  sheet->ClearCells(0, 0, 16383, 9, TXLSWorksheet::ccoValidations | TXLSWorksheet::ccoConditionalFormats);
  // Left without cells, both are dropped.
  EXPECT_EQ(sheet->GetDataValidations()->Count(), 0);
  EXPECT_EQ(sheet->GetConditionalFormats()->Count(), 0);
}

TEST(SheetObjects, PageBreaksPaneProtectionAndOptions) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  TXLSWorksheet* sheet = xls.GetItem(0);
  TXc12DataWorksheet* ds = sheet->GetDataSheet();
  // A break read from a file is wrapped and marked manual.
  ds->RowBreaks.Add()->id = 40;
  xls.CreateSheetObjects();
  sheet = xls.GetItem(0);
  TXLSHorizPagebreaks* rows = sheet->GetPrintSettings()->GetHorizPagebreaks();
  ASSERT_EQ(rows->GetCount(), 1);
  EXPECT_TRUE(ds->RowBreaks.GetItem(0)->man);
  TXLSHorizPagebreak* b = rows->Add(20);
  EXPECT_EQ(rows->Add(20), b);
  ASSERT_EQ(ds->RowBreaks.Count(), 2);
  EXPECT_EQ(ds->RowBreaks.GetItem(1)->id, 20);
  EXPECT_EQ(ds->RowBreaks.GetItem(1)->max, 16383);
  TXLSVertPagebreaks* cols = sheet->GetPrintSettings()->GetVertPagebreaks();
  cols->Add(5);
  EXPECT_EQ(ds->ColBreaks.GetItem(0)->max, 1048575);
  rows->Delete(0);
  ASSERT_EQ(ds->RowBreaks.Count(), 1);
  EXPECT_EQ(ds->RowBreaks.GetItem(0)->id, 20);

  sheet->GetPane()->Data->ySplit = 3;
  EXPECT_EQ(sheet->GetView()->Pane.ySplit, 3);
  sheet->GetProtection()->Data->sheet = true;
  EXPECT_TRUE(ds->SheetProtection.sheet);
  sheet->GetPrintSettings()->GetHeaderFooter()->Data->oddHeader = u"&C报表";
  EXPECT_EQ(ds->HeaderFooter.oddHeader, u"&C报表");
  EXPECT_EQ(sheet->RequestObject(typeid(TCellAreas)), sheet->GetSelection());

  // The options' first flag clears the tab-selected mark of every view before writing.
  xls.GetOptionsDialog()->WorkbookPr->date1904 = true;
  EXPECT_TRUE(xls.GetManager()->Workbook->WorkbookPr.date1904);
  ds->SheetViews.GetItem(0)->tabSelected = true;
  xls.PrepareWrite();
  EXPECT_TRUE(ds->SheetViews.GetItem(0)->tabSelected);
  xls.GetOptionsDialog()->Flags[0] = 1;
  xls.PrepareWrite();
  EXPECT_FALSE(ds->SheetViews.GetItem(0)->tabSelected);
  xls.Clear(1);
  EXPECT_EQ(xls.GetOptionsDialog()->Flags[0], 0);
  EXPECT_EQ(xls.GetClipboard()->Manager, xls.GetManager());
  EXPECT_EQ(xls.GetWorkbookData()->Data, xls.GetManager()->Workbook.get());
}

TEST(PivotData, CachesFoundByIdAndTablesTiedToThem) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  TXLSPivotCacheDefinitions& caches = xls.GetManager()->Workbook->PivotCaches;
  caches.Add()->CacheId = 7;
  caches.Add()->CacheId = 3;
  EXPECT_EQ(caches.GetItems(1)->Index, 1);
  EXPECT_EQ(caches.GetItems(1)->Records.Stream.GetSize(), 0);
  ASSERT_EQ(caches.FindByCacheId(3), caches.GetItems(1));
  EXPECT_EQ(caches.FindByCacheId(4), nullptr);
  TXLSPivotTable* t = xls.GetItem(0)->GetDataSheet()->PivotTables.Add();
  t->CacheDefinition = caches.FindByCacheId(7);
  t->CacheDefinition->IncUseCount();
  EXPECT_EQ(caches.GetItems(0)->UseCount, 1);
  xls.Clear(1);
  EXPECT_EQ(caches.Count(), 0);
}

}  // namespace
}  // namespace workbook

namespace workbook {
namespace {

// Understands "<sheet index>:<cell>" definitions as one absolute 3-D cell reference and anything
// with "+" as a formula; "bad" does not compile.
struct NameFormulas : RefOnlyFormulas {
  int EncodeFormula(const std::u16string& Text, std::vector<std::uint8_t>& Tokens, int) override {
    if (Text == u"bad") return 0;
    Tokens.assign(Text.begin(), Text.end());
    return static_cast<int>(Tokens.size());
  }
  std::uint8_t PtgsToArea3D(const std::uint8_t* P, int Len, int& Sheet, TXLSCellArea& Area) override {
    std::string s(P, P + Len);
    if (s.find('+') != std::string::npos) return nrkFormula;
    Sheet = s[0] - '0';
    Area.Col1 = Area.Col2 = static_cast<std::int32_t>(0x8000u | static_cast<unsigned>(s[2] - 'A'));
    Area.Row1 = Area.Row2 = static_cast<std::int32_t>(0x80000000u | static_cast<unsigned>(s[3] - '1'));
    return nrkCell;
  }
  bool DecodeFormula(const std::uint8_t* P, int Len, std::u16string& Text) override {
    Text.assign(P, P + Len);
    Text += u" (decoded)";
    return true;
  }
};

TEST(Names, CompileShowAndFollowDeletedSheets) {
  TXLSSpreadsheetNeighbours n;
  n.CreateFormulaHandler = [](TXc12Manager*) { return std::make_unique<NameFormulas>(); };
  TXLSSpreadsheet5 xls{n};
  xls.Add();
  xls.Add();
  xls.GetItem(2)->SetName(u"Day 3");
  TXc12DefinedNames& names = *xls.GetManager()->Workbook->DefinedNames;
  auto* cell = dynamic_cast<TXLSName*>(names.Add(u"Cell", -1));
  ASSERT_NE(cell, nullptr);
  cell->SetDefinition(u"2:B3");
  cell->Compile();
  std::u16string text;
  cell->GetDefinition(text);
  EXPECT_EQ(text, u"'Day 3'!$B$3");
  auto* formula = dynamic_cast<TXLSName*>(names.Add(u"Sum", -1));
  formula->SetDefinition(u"1+2");
  formula->Compile();
  formula->GetDefinition(text);
  EXPECT_EQ(text, u"1+2 (decoded)");
  auto* bad = dynamic_cast<TXLSName*>(names.Add(u"Bad", -1));
  bad->SetDefinition(u"bad");
  xls.GetErrors()->SetSaveToList(true);
  bad->Compile();
  ASSERT_FALSE(xls.GetErrors()->Messages().empty());
  EXPECT_EQ(xls.GetErrors()->Messages().back().Code, 4011);
  // The referenced sheet goes: the name shows #REF!.
  xls.Delete(2, 1);
  cell->GetDefinition(text);
  EXPECT_EQ(text, u"#REF!");
}

TEST(Names, FollowInsertedAndDeletedSheets) {
  struct Counting : NameFormulas {
    std::vector<std::pair<int, int>> adjusts;
    void AdjustSheetRefs(std::uint8_t*, int, int Index, int Delta) override { adjusts.emplace_back(Index, Delta); }
  };
  TXLSSpreadsheetNeighbours n;
  Counting* handler = nullptr;
  n.CreateFormulaHandler = [&handler](TXc12Manager*) {
    auto h = std::make_unique<Counting>();
    handler = h.get();
    return h;
  };
  TXLSSpreadsheet5 xls{n};
  auto& names = *dynamic_cast<TXLSNames*>(xls.GetNames());
  auto add = [&](const char16_t* Name, int Local, const char16_t* Definition) {
    auto* name = dynamic_cast<TXLSName*>(names.Add(Name, Local));
    name->SetDefinition(Definition);
    name->Compile();
    return name;
  };
  TXLSName* onTwo = add(u"OnTwo", -1, u"2:B3");
  TXLSName* onFour = add(u"OnFour", -1, u"4:A1");
  TXLSName* local = add(u"Local", 2, u"0:A1");
  TXLSName* later = add(u"Later", 3, u"0:A1");
  TXLSName* sum = add(u"Sum", -1, u"1+2");
  names.AdjustSheetRefs(2, -1);  // sheet 2 of five deleted
  EXPECT_EQ(onTwo->RefKind, nrkInvalid);
  EXPECT_EQ(onFour->RefSheet, 3);
  EXPECT_TRUE(local->Deleted);
  EXPECT_EQ(later->LocalSheetId, 2);
  ASSERT_EQ(handler->adjusts.size(), 1u);  // only the formula's byte code
  EXPECT_EQ(handler->adjusts[0], std::make_pair(2, -1));
  EXPECT_FALSE(sum->Deleted);
  onFour->RefSheet = 254;
  names.AdjustSheetRefs(0, 1);
  EXPECT_EQ(onFour->RefKind, nrkInvalid);
  std::u16string text;
  onFour->GetDefinition(text);
  EXPECT_EQ(text, u"#REF!");
  EXPECT_EQ(later->LocalSheetId, 3);
}

}  // namespace
}  // namespace workbook
