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
      {u"http://a.b/c d#e", xhltURL, u"http://a.b/c%20d%23e", u""},
      {u"WWW.example.com/?a=1&b", xhltURL, u"WWW.example.com/?a%3D1%26b", u""},
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

}  // namespace
}  // namespace workbook
