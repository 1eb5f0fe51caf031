// A small workbook for the formula compiler tests: four sheets, two names, one external book and one
// table.
#pragma once

#include <string>
#include <vector>

#include "formula/language/name_resolver.h"
#include "formula/support/locale.h"

namespace formula::testing {

class FakeNames : public IFormulaNameResolver {
public:
  std::vector<std::u16string> Sheets{u"Sheet1", u"My Sheet", u"Data2", u"Sheet_1"};
  struct Name {
    std::u16string Text;
    int Sheet;  // -1 workbook level
  };
  std::vector<Name> Names{{u"Rate", -1}, {u"Local", 0}};
  std::vector<std::u16string> Links{u"Book.xlsx"};
  std::vector<std::u16string> LinkSheets{u"Sheet1", u"Sheet2"};
  TFormulaTableInfo Table1;
  TFormulaTableInfo Table2;  // on sheet Data2: E10:F20, one header row, columns Day and Value

  FakeNames() {
    Table1.Index = 0;
    Table1.Sheet = 0;
    Table1.Name = u"Table1";
    Table1.Col1 = 0;
    Table1.Row1 = 0;
    Table1.Col2 = 2;
    Table1.Row2 = 5;
    Table1.HeaderRows = 1;
    Table1.TotalsRows = 1;
    Table1.Columns = {u"Item", u"Amount", u"Qty"};
    Table2.Index = 0;
    Table2.Sheet = 2;
    Table2.Name = u"Table2";
    Table2.Col1 = 4;
    Table2.Row1 = 9;
    Table2.Col2 = 5;
    Table2.Row2 = 19;
    Table2.Columns = {u"Day", u"Value"};
  }

  int FindSheet(std::u16string_view N) const override {
    for (std::size_t i = 0; i < Sheets.size(); ++i)
      if (CompareTextAsciiI(Sheets[i], N) == 0) return static_cast<int>(i);
    return -1;
  }
  std::u16string SheetName(int I) const override {
    return I >= 0 && I < static_cast<int>(Sheets.size()) ? Sheets[static_cast<std::size_t>(I)] : u"";
  }
  int FindName(std::u16string_view N, int Sheet) const override {
    const int l = FindLocalName(N, Sheet);
    return l >= 0 ? l : FindGlobalName(N);
  }
  int FindLocalName(std::u16string_view N, int Sheet) const override {
    for (std::size_t i = 0; i < Names.size(); ++i)
      if (Names[i].Sheet == Sheet && Sheet >= 0 && CompareTextAsciiI(Names[i].Text, N) == 0) return static_cast<int>(i);
    return -1;
  }
  int FindGlobalName(std::u16string_view N) const override {
    for (std::size_t i = 0; i < Names.size(); ++i)
      if (Names[i].Sheet < 0 && CompareTextAsciiI(Names[i].Text, N) == 0) return static_cast<int>(i);
    return -1;
  }
  std::u16string NameText(int I) const override {
    return I >= 0 && I < static_cast<int>(Names.size()) ? Names[static_cast<std::size_t>(I)].Text : u"";
  }
  int ExternalLinkCount() const override { return static_cast<int>(Links.size()); }
  int FindExternalLink(std::u16string_view N) const override {
    for (std::size_t i = 0; i < Links.size(); ++i)
      if (CompareTextAsciiI(Links[i], N) == 0) return static_cast<int>(i);
    return -1;
  }
  std::u16string ExternalLinkName(int L) const override {
    return L >= 0 && L < static_cast<int>(Links.size()) ? Links[static_cast<std::size_t>(L)] : u"";
  }
  int FindExternalSheet(int L, std::u16string_view N) const override {
    if (L != 0) return -1;
    for (std::size_t i = 0; i < LinkSheets.size(); ++i)
      if (CompareTextAsciiI(LinkSheets[i], N) == 0) return static_cast<int>(i);
    return -1;
  }
  std::u16string ExternalSheetName(int L, int S) const override {
    return L == 0 && S >= 0 && S < static_cast<int>(LinkSheets.size()) ? LinkSheets[static_cast<std::size_t>(S)] : u"";
  }
  bool FindTable(std::u16string_view N, int, TFormulaTableInfo& T) const override {
    for (const TFormulaTableInfo* x : {&Table1, &Table2})
      if (CompareTextAsciiI(N, x->Name) == 0) {
        T = *x;
        return true;
      }
    return false;
  }
  bool FindTableByCell(int Sheet, int Col, int Row, TFormulaTableInfo& T) const override {
    if (Sheet != 0 || Col < Table1.Col1 || Col > Table1.Col2 || Row < Table1.Row1 || Row > Table1.Row2) return false;
    T = Table1;
    return true;
  }
  bool GetTable(int Sheet, int Index, TFormulaTableInfo& T) const override {
    if (Index != 0 || (Sheet != 0 && Sheet != 2)) return false;
    T = Sheet == 0 ? Table1 : Table2;
    return true;
  }
};

}  // namespace formula::testing
