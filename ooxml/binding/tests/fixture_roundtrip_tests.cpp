// Package parts written by other producers (openpyxl, libxlsxwriter, LibreOffice; see
// fixtures/make_fixtures.py) are read without a single report, written back, and compared with the
// input by an independent parser after normalisation (tools/xpg-gen/xpg_compare.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "ooxml/binding/gen/content_types.h"
#include "ooxml/binding/gen/docprops_app.h"
#include "ooxml/binding/gen/external_link.h"
#include "ooxml/binding/gen/opc_relationships.h"
#include "ooxml/binding/xpg_testing.h"

namespace fs = std::filesystem;

namespace ooxml {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The document class that binds a part, by its name in the package.
std::unique_ptr<TXPGDocBase> DocumentFor(const std::string& part) {
  if (part.ends_with(".rels")) return std::make_unique<opc::TXPGDocOPC>();
  if (part == "[Content_Types].xml") return std::make_unique<content_types::TXPGDocContentType>();
  if (part == "docProps/app.xml") return std::make_unique<docprops::TXPGDocDocPropsApp>();
  if (part.starts_with("xl/externalLinks/") && part.ends_with(".xml"))
    return std::make_unique<xlink::TXPGDocXLink>();
  return nullptr;
}

using core::testing::ReadFile;

TEST(BindingFixtures, PartsOfOtherProducersRoundTrip) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const bool xmllint = fs::exists("/usr/bin/xmllint");
  const fs::path fixtures = fs::path(Env("THC_SOURCE_DIR")) / "ooxml/binding/tests/fixtures";
  const fs::path build = fs::path(Env("THC_BINARY_DIR")) / "ooxml/binding";
  ASSERT_TRUE(fs::is_directory(fixtures)) << fixtures;
  int parts = 0;
  for (const char* producer : {"openpyxl", "libxlsxwriter", "libreoffice"}) {
    const fs::path in = fixtures / producer;
    const fs::path out = build / "roundtrip" / producer;
    fs::remove_all(out);
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), in).generic_string();
      auto doc = DocumentFor(rel);
      ASSERT_NE(doc, nullptr) << rel;
      std::vector<std::string> reports;
      doc->Errors.SetOnError([&](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
      XpgLoad(*doc, ReadFile(entry.path()));
      EXPECT_TRUE(reports.empty()) << producer << "/" << rel << ": " << reports.front();
      fs::create_directories((out / rel).parent_path());
      std::ofstream(out / rel, std::ios::binary) << XpgSave(*doc);
      if (xmllint) {
        const std::string check = "/usr/bin/xmllint --noout \"" + (out / rel).string() + "\"";
        EXPECT_EQ(std::system(check.c_str()), 0) << "well-formed: " << rel;
      }
      ++parts;
    }
    std::string command = "/usr/bin/python3 \"" + (fs::path(Env("THC_SOURCE_DIR")) / "tools/xpg-gen/xpg_compare.py").string() + "\"";
    for (const char* unit : {"opc_relationships", "content_types", "docprops_app", "external_link"})
      command += " --defaults \"" + (build / "gen" / (std::string(unit) + "_defaults.json")).string() + "\"";
    command += " \"" + in.string() + "\" \"" + out.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  EXPECT_GE(parts, 15);
}

}  // namespace
}  // namespace ooxml
