// Styles, shared-string and worksheet parts written by other producers (openpyxl, libxlsxwriter,
// LibreOffice; see fixtures/make_fixtures.py) are read without a single report, written back, and
// compared with the input by an independent parser after dropping attributes at their defaults
// (tools/xpg-gen/xpg_compare.py). Streamed items are kept as the XML they write and replayed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"
#include "ooxml/spreadsheetml/tests/sheet_host.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace fs = std::filesystem;

namespace ooxml::sml {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Items handed to a read event, each kept as the XML it writes, and given back to the write event
// in the same order.
class Replay {
public:
  template <class T>
  void Keep(T& item, std::u16string_view name) {
    items_.push_back(XpgWriteProbe(item, name, false, true));
  }
  template <class T>
  bool Next(T& item) {
    if (next_ == items_.size()) return false;
    XpgReadProbe(*probe_, item, items_[next_++], false);
    return true;
  }
  std::size_t Count() const { return items_.size(); }

private:
  std::vector<std::string> items_;
  std::size_t next_ = 0;
  std::unique_ptr<XpgProbeDoc> probe_ = std::make_unique<XpgProbeDoc>(kXpgSpreadsheetPolicy);
};

std::string RoundTrip(const std::string& rel, const std::string& xml, std::vector<std::string>& reports,
                      int& items) {
  auto collect = [&](TXpgPErrors& e) { reports.push_back(rel + ": " + ToUtf8(e.LastError())); };
  if (rel.starts_with("xl/worksheets/")) {
    SheetDataHost doc;
    doc.Errors.SetOnError(collect);
    // A row's cells reach their event before the row does: each row keeps the cells read since
    // the row before.
    std::vector<Replay> cells(1);
    Replay rows, cols, merges, links;
    doc.data.row->OnReadCell = [&](TCT_Cell& c) { cells.back().Keep(c, u"c"); };
    doc.data.OnReadRow = [&](TCT_Row& r) {
      rows.Keep(r, u"row");
      cells.emplace_back();
    };
    doc.OnReadCol = [&](TCT_Col& c) { cols.Keep(c, u"col"); };
    doc.merges.OnReadMergeCell = [&](TCT_MergeCell& m) { merges.Keep(m, u"mergeCell"); };
    doc.links.OnReadHyperlink = [&](TCT_Hyperlink& h) { links.Keep(h, u"hyperlink"); };
    XpgLoad(doc, xml);
    items += static_cast<int>(rows.Count());
    std::size_t row = 0;
    doc.data.OnWriteRow = [&](TCT_Row& r, bool& more) {
      r.Clear();
      more = rows.Next(r);
      ++row;
    };
    doc.data.row->OnWriteCell = [&](TCT_Cell& c, bool& more) { more = cells[row - 1].Next(c); };
    // The write events make their elements present: only a part that had them gets them.
    if (cols.Count() > 0)
      doc.OnWriteCol = [&](TCT_Col& c, bool& more) {
        c.Clear();
        more = cols.Next(c);
      };
    doc.merges.OnWriteMergeCell = [&](TCT_MergeCell* m, bool& more) {
      more = m ? merges.Next(*m) : merges.Count() > 0;
    };
    doc.links.OnWriteHyperlink = [&](TCT_Hyperlink* h, bool& more) {
      more = h ? links.Next(*h) : links.Count() > 0;
    };
    return XpgSave(doc);
  }
  TXPGDocXLSX doc;
  doc.Errors.SetOnError(collect);
  Replay strings;
  doc.GetSst()->OnReadSi = [&](TCT_Rst& si) { strings.Keep(si, u"si"); };
  XpgLoad(doc, xml);
  items += static_cast<int>(strings.Count());
  // The write event makes the sst present: only the part that had one gets it (a styles part
  // is read through the same document).
  if (rel.ends_with("sharedStrings.xml"))
    doc.GetSst()->OnWriteSi = [&](TCT_Rst& si, bool& more) { more = strings.Next(si); };
  return XpgSave(doc);
}

TEST(SmlFixtures, PartsOfOtherProducersRoundTrip) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const fs::path fixtures = fs::path(Env("THC_SOURCE_DIR")) / "ooxml/spreadsheetml/tests/fixtures";
  const fs::path build = fs::path(Env("THC_BINARY_DIR")) / "ooxml/spreadsheetml";
  ASSERT_TRUE(fs::is_directory(fixtures)) << fixtures;
  int parts = 0, items = 0;
  for (const char* producer : {"openpyxl", "libxlsxwriter", "libreoffice"}) {
    const fs::path in = fixtures / producer;
    const fs::path out = build / "roundtrip" / producer;
    fs::remove_all(out);
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), in).generic_string();
      std::vector<std::string> reports;
      const std::string written = RoundTrip(rel, core::testing::ReadFile(entry.path()), reports, items);
      EXPECT_EQ(Joined(reports), "") << producer;
      fs::create_directories((out / rel).parent_path());
      std::ofstream(out / rel, std::ios::binary) << written;
      ++parts;
    }
    const std::string compare = "/usr/bin/python3 \"" +
                                (fs::path(Env("THC_SOURCE_DIR")) / "tools/xpg-gen/xpg_compare.py").string() +
                                "\" --defaults \"" + (build / "gen/spreadsheetml_defaults.json").string() + "\"";
    // Worksheets: only the elements this unit binds; the rest belongs to the sheet roots.
    const std::string sheets = "dimension,sheetFormatPr,cols,sheetData,sheetCalcPr,mergeCells,hyperlinks";
    const std::string command = compare + " --only " + sheets + " \"" + (in / "xl/worksheets").string() + "\" \"" +
                                (out / "xl/worksheets").string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    fs::rename(out / "xl/worksheets", out / "worksheets");
    const std::string rest = compare + " \"" + (in / "xl").string() + "\" \"" + (out / "xl").string() + "\"";
    EXPECT_EQ(std::system(rest.c_str()), 0) << rest;
  }
  EXPECT_GE(parts, 10);
  EXPECT_GE(items, 20) << "string items and rows went through the events";
}

}  // namespace
}  // namespace ooxml::sml
