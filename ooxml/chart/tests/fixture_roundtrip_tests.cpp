// Whole chart parts of other producers (openpyxl, libxlsxwriter, and LibreOffice writing every
// chart type it knows; see fixtures/make_fixtures.py) are read through the chart document
// without a single report, written back, and compared with the input by an independent parser
// after dropping attributes at their defaults (tools/xpg-gen/xpg_compare.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ooxml/binding/xpg_fixtures.h"
#include "ooxml/binding/xpg_testing.h"
#include "ooxml/chart/gen/chart.h"

namespace ooxml::chart {
namespace {

TEST(ChartFixtures, ChartPartsOfOtherProducersRoundTrip) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const int parts = XpgRoundTripFixtures(
      "ooxml/chart/tests/fixtures", "ooxml/chart", {"openpyxl", "libxlsxwriter", "libreoffice"},
      {"ooxml/chart/gen/chart_defaults.json", "ooxml/drawingml/gen/drawingml_defaults.json"},
      [](const std::string& rel, const std::string& xml) {
        TXPGDocXLSXChart doc;
        std::vector<std::string> reports;
        doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(rel + ": " + ToUtf8(e.LastError())); });
        XpgLoad(doc, xml);
        const std::string written = XpgSave(doc);
        EXPECT_EQ(Joined(reports), "");
        return written;
      });
  EXPECT_GE(parts, 40);
}

// The chart parts LibreOffice wrote, read and written back by the bindings, replace the parts of
// its workbook; LibreOffice opens that package and must find every chart with its chart types,
// series count and ranges (tests/libreoffice_open.py).
TEST(ChartFixtures, WrittenChartPartsOpenInLibreOffice) {
  namespace fs = std::filesystem;
  if (!fs::exists("/usr/bin/python3") || !fs::exists("/usr/bin/soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  const fs::path source = XpgEnv("THC_SOURCE_DIR"), build = XpgEnv("THC_BINARY_DIR");
  const fs::path fixtures = source / "ooxml/chart/tests/fixtures";
  const fs::path written = build / "ooxml/chart/libreoffice-open/written";
  fs::remove_all(written);
  int parts = 0;
  for (const auto& entry : fs::directory_iterator(fixtures / "libreoffice/xl/charts")) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    TXPGDocXLSXChart doc;
    int reports = 0;
    doc.Errors.SetOnError([&](TXpgPErrors&) { ++reports; });
    XpgLoad(doc, xml);
    EXPECT_EQ(reports, 0) << entry.path();
    fs::create_directories(written / "xl/charts");
    std::ofstream(written / "xl/charts" / entry.path().filename(), std::ios::binary) << XpgSave(doc);
    ++parts;
  }
  EXPECT_GE(parts, 11);
  const std::string command = "/usr/bin/python3 \"" + (source / "ooxml/chart/tests/libreoffice_open.py").string() +
                              "\" \"" + (fixtures / "libreoffice.xlsx").string() + "\" \"" + written.string() + "\" \"" +
                              (build / "ooxml/chart/libreoffice-open/work").string() + "\"";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace
}  // namespace ooxml::chart
