// Every SpreadsheetML part written by other producers (openpyxl, libxlsxwriter, LibreOffice; see
// fixtures/make_fixtures.py), and hand-made parts of what they never write (dialogsheets,
// scenarios, smart tags, web publishing items, cell watches, custom views, XML-mapped tables and
// the rarer workbook children; fixtures/handmade), is read without a single report, written back through the document
// with every streamed item replayed, and compared with the input by an independent parser after
// dropping attributes at their defaults (testing/part_roundtrip.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "core/testing/tool_run.h"
#include "ooxml/spreadsheetml/testing/part_roundtrip.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace fs = std::filesystem;

namespace ooxml::sml {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The part's kind from its path: "worksheets", "chartsheets", "comments", "tables" or the file.
std::string Kind(const std::string& rel) {
  const std::string name = rel.substr(3);  // below xl/
  if (const auto slash = name.find('/'); slash != std::string::npos) return name.substr(0, slash);
  if (name.starts_with("comments")) return "comments";
  return name;
}

TEST(SmlFixtures, PartsOfOtherProducersRoundTrip) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const fs::path fixtures = fs::path(Env("THC_SOURCE_DIR")) / "ooxml/spreadsheetml/tests/fixtures";
  const fs::path build = fs::path(Env("THC_BINARY_DIR")) / "ooxml/spreadsheetml";
  ASSERT_TRUE(fs::is_directory(fixtures)) << fixtures;
  int items = 0;
  for (const char* producer : {"openpyxl", "libxlsxwriter", "libreoffice", "handmade"}) {
    const fs::path in = fixtures / producer;
    const fs::path out = build / "roundtrip" / producer;
    fs::remove_all(out);
    std::set<std::string> kinds;
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), in).generic_string();
      const testing::PartRoundTrip r = testing::RoundTripPart(core::testing::ReadFile(entry.path()));
      EXPECT_EQ(Joined(r.reports), "") << producer << " " << rel;
      items += r.items;
      kinds.insert(Kind(rel));
      fs::create_directories((out / rel).parent_path());
      std::ofstream(out / rel, std::ios::binary) << r.written;
    }
    EXPECT_EQ(testing::CompareParts(in, out), "") << producer;
    const bool handmade = std::string(producer) == "handmade";
    for (const char* kind : {"workbook.xml", "styles.xml", "worksheets", "comments", "tables"})
      EXPECT_TRUE(handmade || kinds.count(kind)) << producer << " has no " << kind;
    if (handmade) {
      EXPECT_EQ(kinds.size(), 5u) << "workbook, worksheet, dialogsheet, chartsheet, table";
    }
  }
  EXPECT_GE(items, 100) << "strings, rows, names and comments went through the events";
}

}  // namespace
}  // namespace ooxml::sml
