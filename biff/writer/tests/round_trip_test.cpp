// Files made by other programs, read and written again by the library: the sheets' layout records
// come back as they were (default column width, default row height with its flags, column runs,
// row heights and their custom-height flags); python3-xlrd and LibreOffice headless see the same
// values, widths, heights and notes in the original and in the rewrite.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "biff/reader/xls_reader.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "tools/sheet-dump/sheet_dump.h"

namespace biff::testing {
namespace {

namespace fs = std::filesystem;

struct Fixture {
  const char* Folder;
  const char* Name;
  const char16_t* Stream;
};

// Made by Perl's writer (rows with and without ROW records), by LibreOffice (a column run to the
// end of the row, default row height 256), by the spreadsheet application itself (custom row
// heights, best-fit columns) and a BIFF5 file.
const Fixture kFixtures[] = {
    {THC_READER_FIXTURES, "Chart1.xls", u"Workbook"},
    {THC_READER_FIXTURES, "Chart2.xls", u"Workbook"},
    {THC_DRAWING_FIXTURES, "perl_notes_chart.xls", u"Workbook"},
    {THC_DRAWING_FIXTURES, "perl_chart_sheets.xls", u"Workbook"},
    {THC_DRAWING_FIXTURES, "lo_notes_chart.xls", u"Workbook"},
    {THC_BIFF_TESTS "/reader/lo", "cells_formulas.xls", u"Workbook"},
    {THC_BIFF_TESTS "/fixtures", "Rich.xls", u"Workbook"},
    {THC_BIFF_TESTS "/fixtures", "Test97.xls", u"Workbook"},
    {THC_BIFF_TESTS "/fixtures", "FmtTest.xls", u"Workbook"},
    {THC_BIFF_TESTS "/fixtures", "Test95.xls", u"Book"},
    {THC_READER_FIXTURES, "AuthorK95.xls", u"Book"},
};

core::Bytes Load(const Fixture& F) {
  std::ifstream in(std::string(F.Folder) + "/" + F.Name, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("fixture missing: ") + F.Name);
  return core::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What a worksheet's records say of its layout.
struct Layout {
  std::optional<core::Bytes> DefColWidth;
  std::optional<core::Bytes> DefRowHeight;
  // first, last, width, the hidden/custom/best-fit bits and the outline level of each COLINFO
  std::vector<std::array<int, 5>> Columns;
  std::map<int, std::pair<int, bool>> Rows;  // row -> height, custom-height flag
};

std::vector<Layout> Layouts(const core::Bytes& File, const char16_t* Stream) {
  std::vector<Layout> out;
  bool in = false;
  int depth = 0;
  for (const Record& r : Records(File, Stream)) {
    if (r.Id == 0x0809 || r.Id == 0x0009 || r.Id == 0x0209 || r.Id == 0x0409) {
      ++depth;
      if (depth == 1 && core::load_le16(r.Body.data() + 2) == 0x10) {
        in = true;
        out.emplace_back();
      }
      continue;
    }
    if (r.Id == 0x000A) {
      if (--depth == 0) in = false;
      continue;
    }
    if (!in || depth != 1) continue;
    Layout& l = out.back();
    switch (r.Id) {
      case 0x0055: l.DefColWidth = r.Body; break;
      case 0x0225: l.DefRowHeight = r.Body; break;
      case 0x007D:
        l.Columns.push_back({core::load_le16(r.Body.data()), core::load_le16(r.Body.data() + 2),
                             core::load_le16(r.Body.data() + 4), core::load_le16(r.Body.data() + 8) & 7,
                             (core::load_le16(r.Body.data() + 8) >> 8) & 7});
        break;
      case 0x0208:
        l.Rows[core::load_le16(r.Body.data())] = {core::load_le16(r.Body.data() + 6) & 0x7FFF,
                                                   (r.Body[12] & 0x40) != 0};
        break;
      default: break;
    }
  }
  return out;
}

core::Bytes ReadAndWrite(const core::Bytes& File) {
  Book b(true);
  const core::ByteSpan span(File.data(), File.size());
  TXLSReadXLS(*b.doc).Read(&span);
  return b.Write();
}

TEST(RoundTripLayout, SheetLayoutRecordsComeBackAsTheyWere) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.Name);
    const core::Bytes original = Load(f);
    const std::vector<Layout> before = Layouts(original, f.Stream);
    const std::vector<Layout> after = Layouts(ReadAndWrite(original), f.Stream);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t s = 0; s < before.size(); ++s) {
      SCOPED_TRACE("sheet " + std::to_string(s));
      const Layout& a = before[s];
      const Layout& b = after[s];
      EXPECT_EQ(a.DefColWidth, b.DefColWidth);
      EXPECT_EQ(a.DefRowHeight, b.DefRowHeight);
      EXPECT_EQ(a.Columns, b.Columns);
      // A row without a ROW record has the default height and no height of its own; the rewrite
      // may write a ROW record for it, with just that.
      const int defaultHeight = a.DefRowHeight ? core::load_le16(a.DefRowHeight->data() + 2) : 255;
      auto effective = [&](const Layout& L, int Row) {
        const auto it = L.Rows.find(Row);
        return it != L.Rows.end() ? it->second : std::pair<int, bool>{defaultHeight, false};
      };
      std::map<int, int> rows;
      for (const auto& [row, v] : a.Rows) rows[row] = 0;
      for (const auto& [row, v] : b.Rows) rows[row] = 0;
      for (const auto& [row, unused] : rows) EXPECT_EQ(effective(a, row), effective(b, row)) << "row " << row;
    }
  }
}

// The round trip a user makes: the file read through the spreadsheet component and saved again.
fs::path SaveRewrite(const Fixture& F, const fs::path& Dir, fs::path& Original) {
  const core::Bytes data = Load(F);
  const std::string stem = fs::path(F.Name).stem().string();
  Original = Dir / (stem + ".xls");
  std::ofstream(Original, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  const fs::path rewrite = Dir / (stem + "_rewritten.xls");
  sheet_dump::TWorkbookDump(core::ByteSpan(data.data(), data.size())).SaveAs(rewrite.string());
  return rewrite;
}

const std::string kCompare = THC_BIFF_WRITER_TESTS "/round_trip_compare.py";

// python3-xlrd sees the same values, formats, merged ranges, widths, heights and notes in every
// fixture and in its rewrite (BIFF5 rewrites carry the fixed style block of that version, so their
// number formats are left out).
TEST(RoundTripInterop, XlrdSeesTheSameValuesLayoutAndNotes) {
  if (!core::testing::HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  const core::testing::TempDir scratch("thc_round_trip_xlrd");
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.Name);
    fs::path original;
    const fs::path rewrite = SaveRewrite(f, scratch.path(), original);
    const bool biff5 = std::u16string(f.Stream) == u"Book";
    const core::testing::ToolRun run =
        core::testing::RunTool("/usr/bin/python3 " + kCompare + " xlrd " + core::testing::Quoted(original) + " " +
                               core::testing::Quoted(rewrite) + (biff5 ? " --no-formats" : ""));
    EXPECT_EQ(run.output, "0 differences\n");
  }
}

// LibreOffice converts every BIFF8 fixture and its rewrite (one run for all) and sees the same
// values, column widths, row heights and notes. BIFF5 rewrites are left out: LibreOffice derives
// their default sizes from the fixed fonts of that version's style block.
TEST(RoundTripInterop, LibreOfficeSeesTheSameValuesLayoutAndNotes) {
  if (!core::testing::HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!core::testing::HavePythonModules("zipfile")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const core::testing::TempDir scratch("thc_round_trip_lo");
  const fs::path& dir = scratch.path();
  std::vector<std::pair<fs::path, fs::path>> pairs;
  std::string files;
  for (const Fixture& f : kFixtures) {
    if (std::u16string(f.Stream) != u"Workbook") continue;
    fs::path original;
    const fs::path rewrite = SaveRewrite(f, dir, original);
    pairs.emplace_back(original, rewrite);
    files += " " + core::testing::Quoted(original) + " " + core::testing::Quoted(rewrite);
  }
  core::testing::RunTool("cd " + core::testing::Quoted(dir) + " && timeout 300 soffice -env:UserInstallation=file://" +
                         dir.string() + "/profile --headless --convert-to xlsx --outdir " + core::testing::Quoted(dir) +
                         files + " >/dev/null 2>&1");
  for (const auto& [original, rewrite] : pairs) {
    SCOPED_TRACE(original.filename().string());
    const fs::path a = fs::path(original).replace_extension(".xlsx");
    const fs::path b = fs::path(rewrite).replace_extension(".xlsx");
    // LibreOffice reports success even when loading failed: the converted files are the proof.
    ASSERT_TRUE(fs::exists(a) && fs::exists(b)) << "LibreOffice did not convert the files";
    const core::testing::ToolRun run = core::testing::RunTool("/usr/bin/python3 " + kCompare + " lo " +
                                                              core::testing::Quoted(a) + " " + core::testing::Quoted(b));
    EXPECT_EQ(run.output, "0 differences\n");
  }
}

}  // namespace
}  // namespace biff::testing
