// Workbooks written by openpyxl and LibreOffice, read by the library and compared with what
// openpyxl reads from them: sheet names and states, every cell's type and value, number formats
// and the date system. The expected files were made by dump_openpyxl.py (fixtures/make_fixtures.py);
// compare_openpyxl.py lists the differences allowed between the two readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "tools/sheet-dump/sheet_dump.h"

namespace {

const std::string kTests = THC_XLSX_TESTS;

class XlsxInterop : public ::testing::TestWithParam<const char*> {};

TEST_P(XlsxInterop, AgreesWithOpenpyxl) {
  if (!core::testing::HavePythonModules("json")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const std::string name = GetParam();
  const std::string path = kTests + "/fixtures/" + name + ".xlsx";
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(data.empty()) << path;
  std::string json;
  ASSERT_NO_THROW(json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()))) << path;
  const std::string ours = ::testing::TempDir() + "xlsx_interop_" + name + ".json";
  {
    std::ofstream out(ours, std::ios::binary);
    out << json;
  }
  const core::testing::ToolRun run = core::testing::RunTool("/usr/bin/python3 " + kTests + "/compare_openpyxl.py " +
                                                            kTests + "/expected/" + name + ".json " + ours);
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

}  // namespace
