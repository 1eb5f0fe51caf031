#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/error.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "platform/storage/compound_file.h"
#include "tools/xls-template/template_builder.h"
#include "io/stream.h"
#include "io/zip_archive.h"

namespace fs = std::filesystem;

namespace {

// Tests run in their source folder; the assets are two levels up.
const fs::path kAssets = fs::path("../../assets/xls");

using core::testing::HaveTool;
using core::testing::ReadFile;
using core::testing::RunTool;
using core::testing::TempDir;

core::Bytes Regenerated() {
  return xls_template::BuildCompoundFile(xls_template::BuildWorkbookStream(ReadFile(kAssets / "empty_xls.records")));
}

}  // namespace

TEST(XlsTemplate, CheckedInFilesAreWhatTheTableMakes) {
  const core::Bytes xls = Regenerated();
  EXPECT_EQ(xls, platform::storage::read_file((kAssets / "Empty.xls").string()))
      << "run build/release/tools/xls-template/xls-template assets/xls/empty_xls.records assets/xls/Empty.xls "
         "assets/xls/empty_xls.zip from the source root";
  EXPECT_EQ(xls_template::BuildZip(xls), platform::storage::read_file((kAssets / "empty_xls.zip").string()));
}

// The library opens the archive the way the component will: one valid entry holding the file.
TEST(XlsTemplate, ArchiveOpensWithTheLibrarysZipReader) {
  io::TMemoryStream zipped(platform::storage::read_file((kAssets / "empty_xls.zip").string()));
  io::TXLSZipArchive zip;
  zip.OpenRead(zipped);
  ASSERT_EQ(zip.Count(), 1);
  core::LocalTime when;
  EXPECT_TRUE(zip.GetItem(0)->GetDateTime(when));
  io::TMemoryStream out;
  zip.GetItem(0)->ExtractToStream(out);
  EXPECT_EQ(out.Bytes(), platform::storage::read_file((kAssets / "Empty.xls").string()));
}

TEST(XlsTemplate, RecordStreamLayout) {
  const core::Bytes wb = xls_template::BuildWorkbookStream(ReadFile(kAssets / "empty_xls.records"));
  // Walk the records: the BOUNDSHEET offset must point at the sheet's BOF.
  std::size_t pos = 0, sheetOffset = 0, bofs = 0, eofs = 0;
  std::vector<std::size_t> bofAt;
  while (pos + 4 <= wb.size()) {
    const std::uint16_t id = core::load_le16(wb.data() + pos);
    const std::uint16_t len = core::load_le16(wb.data() + pos + 2);
    ASSERT_LE(pos + 4 + len, wb.size());
    if (id == 0x0809) {
      ++bofs;
      bofAt.push_back(pos);
    }
    if (id == 0x000A) ++eofs;
    if (id == 0x0085) sheetOffset = core::load_le32(wb.data() + pos + 4);
    pos += 4 + len;
  }
  EXPECT_EQ(pos, wb.size());
  EXPECT_EQ(bofs, 2u);
  EXPECT_EQ(eofs, 2u);
  ASSERT_EQ(bofAt.size(), 2u);
  EXPECT_EQ(sheetOffset, bofAt[1]);
}

TEST(XlsTemplate, MalformedTablesAreRefusedWithTheirLine) {
  const char* bad[] = {"0809 zz", "12 00", "0809 w:x", "0809 u\"open", "[sheet]\n0085 sheetpos:2\n"};
  for (const char* t : bad) {
    try {
      xls_template::BuildWorkbookStream(t);
      ADD_FAILURE() << t;
    } catch (const core::Error& e) {
      EXPECT_NE(std::string(e.what()).find("record table"), std::string::npos) << e.what();
    }
  }
}

// The file as other readers see it: three streams (olefile), the styles, sheet and code page
// (xlrd), and a clean load (LibreOffice).
TEST(XlsTemplate, OtherReadersAgree) {
  const fs::path file = kAssets / "Empty.xls";
  if (!HaveTool("/usr/bin/python3")) GTEST_SKIP() << "python3 absent";
  const std::string streams = RunTool(
      "/usr/bin/python3 -c \"import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
      "print(sorted('/'.join(e) for e in o.listdir()))\" " + file.string()).output;
  EXPECT_EQ(streams, "['\\x05DocumentSummaryInformation', '\\x05SummaryInformation', 'Workbook']\n");

  const std::string facts = RunTool(
      "/usr/bin/python3 -c \"import xlrd,sys; b=xlrd.open_workbook(sys.argv[1], formatting_info=True); "
      "print(b.codepage, b.datemode, b.sheet_names(), b.sheet_by_index(0).nrows); "
      "print(len(b.font_list), set((f.name, f.height, f.weight) for f in b.font_list)); "
      "print(len(b.xf_list), sum(1 for x in b.xf_list if x.is_style), b.xf_list[15].is_style); "
      "print(sorted(k for k in b.format_map if k in (5,6,7,8,41,42,43,44)), b.format_map[5].format_str); "
      "print(sorted(b.style_name_map))\" " + file.string()).output;
  EXPECT_EQ(facts,
            "1200 0 ['Sheet1'] 0\n"
            "4 {('Arial', 200, 400)}\n"
            "21 20 0\n"
            "[5, 6, 7, 8, 41, 42, 43, 44] #,##0\\ \"kr\";\\-#,##0\\ \"kr\"\n"
            "['Comma', 'Comma [0]', 'Currency', 'Currency [0]', 'Normal', 'Percent']\n");

  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice absent";
  TempDir dir("xls-template");
  const std::string cmd = "cd " + dir.path().string() + " && soffice -env:UserInstallation=file://" + dir.path().string() +
                          "/profile --headless --convert-to xlsx " + fs::absolute(file).string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(fs::exists(dir.path() / "Empty.xlsx")) << "LibreOffice could not load the template";
}
