// The DrawingML elements of drawing and chart parts written by other producers (openpyxl,
// libxlsxwriter, LibreOffice; see fixtures/make_fixtures.py) are read without a single report,
// written back, and compared with the input by an independent parser after dropping attributes at
// their defaults (tools/xpg-gen/xpg_compare.py). Each fixture holds a part's bound elements, in
// document order, under one "fragments" element.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "ooxml/drawingml/tests/dml_testing.h"
#include "ooxml/drawingml/tests/fragments_host.h"

namespace fs = std::filesystem;

namespace ooxml::drawingml {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

TEST(DmlFixtures, ElementsOfOtherProducersRoundTrip) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const fs::path fixtures = fs::path(Env("THC_SOURCE_DIR")) / "ooxml/drawingml/tests/fixtures";
  const fs::path build = fs::path(Env("THC_BINARY_DIR")) / "ooxml/drawingml";
  ASSERT_TRUE(fs::is_directory(fixtures)) << fixtures;
  int parts = 0;
  for (const char* producer : {"openpyxl", "libxlsxwriter", "libreoffice"}) {
    const fs::path in = fixtures / producer;
    const fs::path out = build / "roundtrip" / producer;
    fs::remove_all(out);
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), in).generic_string();
      FragmentsDoc doc;
      std::vector<std::string> reports;
      doc.Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(rel + ": " + ToUtf8(e.LastError())); });
      XpgLoad(doc, core::testing::ReadFile(entry.path()));
      EXPECT_EQ(Joined(reports), "") << producer;
      fs::create_directories((out / rel).parent_path());
      std::ofstream(out / rel, std::ios::binary) << XpgSave(doc);
      ++parts;
    }
    const std::string command = "/usr/bin/python3 \"" +
                                (fs::path(Env("THC_SOURCE_DIR")) / "tools/xpg-gen/xpg_compare.py").string() +
                                "\" --defaults \"" + (build / "gen/drawingml_defaults.json").string() + "\" \"" +
                                in.string() + "\" \"" + out.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  EXPECT_GE(parts, 9);
}

}  // namespace
}  // namespace ooxml::drawingml
