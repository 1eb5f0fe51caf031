// One workbook that LibreOffice saved both as .xls and as .xlsx (fixtures/make_xls_pair.py), read
// by the library's two roads: their sheet-dump pictures must agree, cell by cell, but for what the
// two formats store differently (compare_xls_xlsx.py lists those).
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

// The dump of a fixture, written to a scratch file whose path is returned.
std::string Dump(const std::string& File) {
  std::ifstream in(kTests + "/fixtures/" + File, std::ios::binary);
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_FALSE(data.empty()) << File;
  std::string json;
  EXPECT_NO_THROW(json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()))) << File;
  const std::string path = ::testing::TempDir() + "xls_agreement_" + File + ".json";
  std::ofstream(path, std::ios::binary) << json;
  return path;
}

TEST(XlsAndXlsx, LibreOfficesTwoSavesOfOneWorkbookReadAlike) {
  if (!core::testing::HavePythonModules("json")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const std::string xls = Dump("pair.libreoffice.xls");
  const std::string xlsx = Dump("pair.libreoffice.xlsx");
  const core::testing::ToolRun run =
      core::testing::RunTool("/usr/bin/python3 " + kTests + "/compare_xls_xlsx.py " + xls + " " + xlsx);
  std::remove(xls.c_str());
  std::remove(xlsx.c_str());
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(("\n" + run.output).find("\n0 differences\n"), std::string::npos) << run.output;
}

}  // namespace
