#include "formula/language/function_table.h"

#include <gtest/gtest.h>

#include <set>

#include "workbook/exceptions.h"

namespace formula {
namespace {

TEST(FunctionTable, CountsOfTheTables) {
  int legacyNamed = 0, legacyUnsupported = 0;
  for (int id = 0; id < EXCEL_FUNCTION_COUNT; ++id) {
    if (ExcelFunctions[id].Name[0] != 0) ++legacyNamed;
    if (ExcelFunctions[id].MinArgs == LEGACY_UNSUPPORTED) ++legacyUnsupported;
  }
  EXPECT_EQ(legacyNamed, 381);
  EXPECT_GT(legacyUnsupported, 0);
  const auto& names = XLSFuncNames();
  int records = 0, withoutArgTypes = 0;
  for (int id = 0; id < names.Count(); ++id) {
    if (const TXc12FuncData* d = names.GetFuncData(id)) {
      ++records;
      EXPECT_EQ(d->Id, id);
      if (!d->ArgTypes) ++withoutArgTypes;
      EXPECT_EQ(d->Flags, id == 164 ? 1u : 0u) << id;
    }
  }
  EXPECT_EQ(records, 327);
  EXPECT_EQ(withoutArgTypes, 66);
  std::set<int> ids;
  for (const auto& at : Xc12FuncArgTypes) ids.insert(at.Id);
  EXPECT_EQ(ids.size(), 261u);
}

TEST(FunctionTable, FindNameIgnoresCaseAndKnowsOnlyLibraryIds) {
  const auto& n = XLSFuncNames();
  struct Case {
    const char16_t* Name;
    int Id;
  } cases[] = {
      {u"SUM", 4},          {u"sum", 4},           {u"SuM", 4},          {u"QUOTIENT", 381},
      {u"NORM.S.INV", 810}, {u"norm.s.dist", 859}, {u"GOTO", -1},        {u"", -1},
      {u"CHISQ.INV.RT", 806}, {u"CHI.INV.RT", 806}, {u"XNPV", 872},      {u"SUMX", -1},
      {u"S\u00DCM", -1},    {u"IF", 1},            {u"T.TEST", 863},     {u"202", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(n.FindName(c.Name), c.Id) << std::u16string(c.Name).size();
  EXPECT_EQ(n.GetName(806), u"CHISQ.INV.RT");
  EXPECT_EQ(n.GetName(53), u"");
  EXPECT_EQ(n.GetName(4), u"SUM");
  EXPECT_THROW(n.GetName(873), workbook::Exception);
  EXPECT_THROW(n.GetName(-1), workbook::Exception);
}

TEST(FunctionTable, ArgumentCounts) {
  const auto& n = XLSFuncNames();
  EXPECT_FALSE(n.IsFixedArgs(1));
  EXPECT_TRUE(n.IsFixedArgs(27));
  EXPECT_TRUE(n.IsFixedArgs(10));
  EXPECT_TRUE(n.IsFixedArgs(824));
  int mn = 0, mx = 0;
  EXPECT_FALSE(n.GetArgRange(4, mn, mx));
  EXPECT_EQ(mn, 1);
  EXPECT_EQ(mx, FUNC_ANY_ARGS);
  EXPECT_FALSE(n.GetArgRange(29, mn, mx));  // INDEX: library 2..4
  EXPECT_EQ(mn, 2);
  EXPECT_EQ(mx, 4);
  EXPECT_EQ(ExcelFunctions[29].MinArgs, 1);
  EXPECT_EQ(ExcelFunctions[29].MaxArgs, 3);
  EXPECT_EQ(n.GetMinArgs(868), 4);
  try {
    n.GetMinArgs(53);
    FAIL();
  } catch (const workbook::Exception& e) {
    EXPECT_STREQ(e.what(), "Unknown function id \"53\"");
  }
  EXPECT_THROW(n.IsFixedArgs(900), workbook::Exception);
}

TEST(FunctionTable, ThirtyFiveIdsDifferBetweenTheTables) {
  const auto& n = XLSFuncNames();
  int differ = 0;
  for (int id = 0; id < EXCEL_FUNCTION_COUNT; ++id) {
    const TXc12FuncData* d = n.GetFuncData(id);
    const TExcelFunctions& e = ExcelFunctions[id];
    if (!d) continue;
    // An id the legacy side does not support (FINDB and the other byte forms) differs as well.
    const int emax = e.MaxArgs == LEGACY_ANY_ARGS ? FUNC_ANY_ARGS : e.MaxArgs;
    if (d->MinArgs != e.MinArgs || d->MaxArgs != emax) ++differ;
    EXPECT_EQ(d->Name, std::u16string_view(e.Name)) << id;
  }
  EXPECT_EQ(differ, 35);
}

TEST(FunctionTable, LegacyClassesAndArgTypes) {
  EXPECT_EQ(ExcelFunctions[29].Classes[0], 0x20);  // INDEX R V V V
  EXPECT_EQ(ExcelFunctions[29].Classes[3], 0x40);
  EXPECT_EQ(ExcelFunctions[29].Classes[4], 0);
  EXPECT_EQ(ExcelFunctions[205].MinArgs, LEGACY_UNSUPPORTED);  // FINDB: unsupported, a class given
  EXPECT_EQ(ExcelFunctions[205].Classes[0], 0x40);
  EXPECT_EQ(ExcelFunctions[359].Classes[0], 0);
  const auto& n = XLSFuncNames();
  const TXc12FuncArgTypes* vlookup = n.GetFuncData(102)->ArgTypes;
  ASSERT_NE(vlookup, nullptr);
  EXPECT_EQ(vlookup->Count, 4);
  EXPECT_EQ(vlookup->Codes[0], 2);
  EXPECT_EQ(vlookup->Codes[1], 2);
  const TXc12FuncArgTypes* sum = n.GetFuncData(4)->ArgTypes;
  EXPECT_EQ(sum->Count, ARG_TYPES_ANY);
  EXPECT_EQ(n.GetFuncData(868)->ArgTypes->Count, 7);
  EXPECT_EQ(n.GetFuncData(10)->ArgTypes->Count, 0);
  EXPECT_EQ(n.GetFuncData(381)->ArgTypes, nullptr);
  EXPECT_EQ(n.GetFuncData(359)->ArgTypes, nullptr);
}

}  // namespace
}  // namespace formula
