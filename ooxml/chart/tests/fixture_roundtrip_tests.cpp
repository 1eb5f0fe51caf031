// Whole chart parts of other producers (openpyxl, libxlsxwriter, and LibreOffice writing every
// chart type it knows; see fixtures/make_fixtures.py) are read through the chart document
// without a single report, written back, and compared with the input by an independent parser
// after dropping attributes at their defaults (tools/xpg-gen/xpg_compare.py).
#include <gtest/gtest.h>

#include <filesystem>
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

}  // namespace
}  // namespace ooxml::chart
