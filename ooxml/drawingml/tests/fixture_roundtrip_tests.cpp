// The DrawingML elements of drawing and chart parts written by other producers (openpyxl,
// libxlsxwriter, LibreOffice; see fixtures/make_fixtures.py), and of hand-made parts with what those
// producers never write (custom geometry with guides and handles, 3-D scenes and bevels, runs,
// breaks and fields mixed, text warp), are read without a single report,
// written back, and compared with the input by an independent parser after dropping attributes at
// their defaults (tools/xpg-gen/xpg_compare.py). Each fixture holds a part's bound elements, in
// document order, under one "fragments" element.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ooxml/binding/xpg_fixtures.h"
#include "ooxml/drawingml/tests/dml_testing.h"
#include "ooxml/drawingml/tests/fragments_host.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlFixtures, ElementsOfOtherProducersRoundTrip) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const int parts = XpgRoundTripFixtures(
      "ooxml/drawingml/tests/fixtures", "ooxml/drawingml",
      {"openpyxl", "libxlsxwriter", "libreoffice", "libreoffice-shapes", "handmade"}, {"ooxml/drawingml/gen/drawingml_defaults.json"},
      [](const std::string& rel, const std::string& xml) {
        FragmentsDoc doc;
        std::vector<std::string> reports;
        doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(rel + ": " + ToUtf8(e.LastError())); });
        XpgLoad(doc, xml);
        EXPECT_EQ(Joined(reports), "");
        return XpgSave(doc);
      });
  EXPECT_GE(parts, 11);
}

}  // namespace
}  // namespace ooxml::drawingml
