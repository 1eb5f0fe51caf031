// What the formula compiler and decoder look up in the workbook: sheets, defined names, external
// workbooks and tables. The workbook root implements it; tests use fakes. Indexes are zero-based.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace formula {

struct TFormulaTableInfo {
  int Index = -1;  // position in its sheet's table list
  int Sheet = -1;
  std::u16string Name;
  int Col1 = 0, Row1 = 0, Col2 = 0, Row2 = 0;  // the whole table, header and totals rows included
  int HeaderRows = 1;
  int TotalsRows = 0;
  std::vector<std::u16string> Columns;
};

class IFormulaNameResolver {
public:
  virtual ~IFormulaNameResolver() = default;

  // Sheets of this workbook; the lookup ignores ASCII case. -1 when unknown.
  virtual int FindSheet(std::u16string_view Name) const = 0;
  virtual std::u16string SheetName(int Index) const = 0;

  // Defined names. FindName looks at the names local to Sheet first, then at workbook level;
  // FindLocalName only at Sheet's own names and FindGlobalName only at workbook level. -1 when none.
  virtual int FindName(std::u16string_view Name, int Sheet) const = 0;
  virtual int FindLocalName(std::u16string_view Name, int Sheet) const = 0;
  virtual int FindGlobalName(std::u16string_view Name) const = 0;
  // The text of defined name Index; empty when there is none.
  virtual std::u16string NameText(int Index) const = 0;

  // External workbooks (links).
  virtual int ExternalLinkCount() const = 0;
  virtual int FindExternalLink(std::u16string_view Name) const = 0;
  virtual std::u16string ExternalLinkName(int Link) const = 0;
  virtual int FindExternalSheet(int Link, std::u16string_view Sheet) const = 0;
  virtual std::u16string ExternalSheetName(int Link, int Sheet) const = 0;

  // Tables. FindTable looks first in Sheet's tables, then in every sheet.
  virtual bool FindTable(std::u16string_view Name, int Sheet, TFormulaTableInfo& Table) const = 0;
  virtual bool FindTableByCell(int Sheet, int Col, int Row, TFormulaTableInfo& Table) const = 0;
  virtual bool GetTable(int Sheet, int Index, TFormulaTableInfo& Table) const = 0;
};

}  // namespace formula
