// Real .xls files made by other programs, read by the library and compared with what python3-xlrd
// reads from them: every cell value, cached formula result, formula text, number format, merged
// range and defined name. The expected files were made by xlrd_dump.py (lo/make_fixtures.sh);
// compare_dump.py lists the few differences allowed between the two readers, each with its reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "tools/sheet-dump/sheet_dump.h"

namespace {

const std::string kTests = THC_BIFF_TESTS;

std::vector<std::uint8_t> Load(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class XlsInterop : public ::testing::TestWithParam<const char*> {};

TEST_P(XlsInterop, AgreesWithXlrd) {
  if (!core::testing::HavePythonModules("json")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const std::string name = GetParam();
  std::string path;
  for (const char* dir : {"/fixtures/", "/reader/fixtures/", "/reader/lo/", "/../drawing/tests/fixtures/"}) {
    path = kTests + dir + name + ".xls";
    if (std::ifstream(path)) break;
  }
  const std::vector<std::uint8_t> data = Load(path);
  ASSERT_FALSE(data.empty()) << path;
  std::string json;
  ASSERT_NO_THROW(json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()))) << path;
  const std::string ours = ::testing::TempDir() + "xls_interop_" + name + ".json";
  {
    std::ofstream out(ours, std::ios::binary);
    out << json;
  }
  const std::string cmd = "/usr/bin/python3 " + kTests + "/reader/compare_dump.py " + kTests + "/reader/expected/" + name +
                          ".xlrd.json " + ours;
  const core::testing::ToolRun run = core::testing::RunTool(cmd);
  const std::string& report = run.output;
  std::remove(ours.c_str());
  EXPECT_EQ(run.status, 0) << report;
  EXPECT_EQ(report, "0 differences\n");
}

INSTANTIATE_TEST_SUITE_P(DebianSamples, XlsInterop,
                         ::testing::Values("Test95", "Test95J", "Test1904_95", "AuthorK95", "Test97", "Test97J",
                                           "Rich", "FmtTest", "Test1904", "AuthorK", "oem", "namesdemo", "deaths",
                                           "type-me", "clippy", "geometry", "Chart1", "Chart2", "Chart3", "Chart4",
                                           "Chart5"));
INSTANTIATE_TEST_SUITE_P(LibreOffice, XlsInterop, ::testing::Values("cells_formulas", "strings"));
// Files with notes on several sheets (Perl's writer, and that file saved again by LibreOffice).
INSTANTIATE_TEST_SUITE_P(Notes, XlsInterop, ::testing::Values("perl_notes_chart", "lo_notes_chart"));

}  // namespace
