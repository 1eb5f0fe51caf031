// Workbooks written by openpyxl and LibreOffice, read by the library and compared with what
// openpyxl reads from them: sheet names and states, every cell's type and value, number formats
// and the date system. The expected files were made by dump_openpyxl.py (fixtures/make_fixtures.py);
// compare_openpyxl.py lists the differences allowed between the two readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "tools/sheet-dump/sheet_dump.h"

namespace {

const std::string kTests = THC_XLSX_TESTS;

class XlsxInterop : public ::testing::TestWithParam<const char*> {};

// The workbook at fixtures/Name+Ext read through sheet-dump and compared by compare_openpyxl.py
// (with Options) with expected/Expected.json.
void CompareWithOpenpyxl(const std::string& name, const std::string& ext, const std::string& expected,
                         const std::string& options = "");

TEST_P(XlsxInterop, AgreesWithOpenpyxl) { CompareWithOpenpyxl(GetParam(), ".xlsx", GetParam()); }

void CompareWithOpenpyxl(const std::string& name, const std::string& ext, const std::string& expected,
                         const std::string& options) {
  if (!core::testing::HavePythonModules("json")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const std::string path = kTests + "/fixtures/" + name + ext;
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(data.empty()) << path;
  std::string json;
  ASSERT_NO_THROW(json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()))) << path;
  const std::string ours = ::testing::TempDir() + "xlsx_interop_" + name + ext + ".json";
  {
    std::ofstream out(ours, std::ios::binary);
    out << json;
  }
  const core::testing::ToolRun run = core::testing::RunTool("/usr/bin/python3 " + kTests + "/compare_openpyxl.py " + options +
                                                            " " + kTests + "/expected/" + expected + ".json " + ours);
  std::remove(ours.c_str());
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "0 differences\n");
}

INSTANTIATE_TEST_SUITE_P(Producers, XlsxInterop,
                         ::testing::Values("values.openpyxl", "values.libreoffice", "date1904.libreoffice",
                                           // shared and array formulas, formulas without cached
                                           // values, defined names (fixtures/make_formula_fixtures.py)
                                           "formulas.openpyxl", "formulas.libxlsxwriter", "formulas.exceljs",
                                           "formulas.libreoffice",
                                           // a linked workbook with its cached cells
                                           "links.openpyxl", "links.libreoffice"));

// Worksheet contents: merges, hyperlinks, styles and the workbook's palette, from four producers
// (fixtures/make_sheet_fixtures.py).
INSTANTIATE_TEST_SUITE_P(SheetContents, XlsxInterop,
                         ::testing::Values("sheet.openpyxl", "sheet.libreoffice", "sheet.exceljs", "sheet.libxlsxwriter"));

// Notes, tables with a totals row, pictures, charts, chart sheets and a pivot table from three
// producers (fixtures/make_parts_fixtures.py).
INSTANTIATE_TEST_SUITE_P(SheetParts, XlsxInterop,
                         ::testing::Values("parts.openpyxl", "parts.libreoffice", "parts.libxlsxwriter"));

// LibreOffice's .xls of the same workbook: its notes, pictures and charts (types and series
// references) read through the legacy road agree with what openpyxl reads from the .xlsx.
TEST(XlsxInterop, LegacyDrawingsAgreeWithOpenpyxl) {
  CompareWithOpenpyxl("parts.libreoffice", ".xls", "parts.libreoffice", "--drawings-only");
}

}  // namespace

namespace {

std::vector<std::uint8_t> FixtureBytes(const std::string& Name) {
  std::ifstream in(kTests + "/fixtures/" + Name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a dump that start with Key ("merged" or "hyperlinks"), one per sheet, the merged
// ranges put in order (the two formats list them in different orders).
std::vector<std::string> DumpLines(const std::string& Json, const std::string& Key) {
  std::vector<std::string> out;
  std::istringstream in(Json);
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"" + Key + "\": [") == std::string::npos) continue;
    if (Key == "merged") {
      std::vector<std::string> ranges;
      for (std::size_t p = line.find('"', line.find('[')); p != std::string::npos; p = line.find('"', line.find('"', p + 1) + 1))
        ranges.push_back(line.substr(p, line.find('"', p + 1) - p + 1));
      std::sort(ranges.begin(), ranges.end());
      line.clear();
      for (const std::string& r : ranges) line += r + " ";
    }
    out.push_back(line);
  }
  return out;
}

// One workbook saved by LibreOffice as .xls and as .xlsx: both roads give the same merged ranges
// and hyperlinks.
TEST(XlsxInterop, MergesAndHyperlinksAgreeWithTheLegacyReading) {
  const std::vector<std::uint8_t> xls = FixtureBytes("sheet.libreoffice.xls");
  const std::vector<std::uint8_t> xlsx = FixtureBytes("sheet.libreoffice.xlsx");
  ASSERT_FALSE(xls.empty());
  ASSERT_FALSE(xlsx.empty());
  std::string a, b;
  ASSERT_NO_THROW(a = sheet_dump::DumpXLS(core::ByteSpan(xls.data(), xls.size())));
  ASSERT_NO_THROW(b = sheet_dump::DumpXLS(core::ByteSpan(xlsx.data(), xlsx.size())));
  for (const char* key : {"merged", "hyperlinks"}) {
    SCOPED_TRACE(key);
    const std::vector<std::string> la = DumpLines(a, key), lb = DumpLines(b, key);
    ASSERT_EQ(la.size(), 2u);
    EXPECT_EQ(la, lb);
  }
  EXPECT_NE(DumpLines(b, "merged")[0].find("\"A8:C9\""), std::string::npos);
}

}  // namespace
