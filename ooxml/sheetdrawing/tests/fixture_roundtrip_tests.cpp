// Every drawing part of other producers' workbooks (openpyxl's charts under the three anchor
// kinds, libxlsxwriter's pictures and charts, LibreOffice's re-save of that workbook and its own
// shapes, text box, connector, picture and nested groups; see fixtures/make_fixtures.py) is read
// through the drawing document from its package without a report, written as the drawings of a
// new package, and compared with the original by tests/check_drawings.py: the same drawing
// after alternate content and relationship ids are resolved, charts renumbered in writing order
// with their style parts, every picture stored once. The package checker finds nothing wrong,
// and LibreOffice finds the same objects in a copy of the workbook holding the written drawings
// as in the original (tests/libreoffice_open.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "ooxml/binding/xpg_fixtures.h"
#include "ooxml/binding/xpg_testing.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/sheetdrawing/drawing_document.h"

namespace ooxml::sheetdrawing {
namespace {

namespace fs = std::filesystem;

// The drawing parts of every worksheet, in the workbook's order.
std::vector<std::u16string> DrawingParts(TOPC_XLSX& package) {
  std::vector<std::u16string> parts;
  TOPCItem* workbook = package.WorkbookItem;
  for (int i = 0; workbook && i < workbook->GetCount(); ++i) {
    TOPCItem* sheet = workbook->GetItem(i);
    if (sheet->RelType != reltype::kWorksheet) continue;
    for (int k = 0; k < sheet->GetCount(); ++k)
      if (sheet->GetItem(k)->RelType == reltype::kDrawing) parts.push_back(sheet->GetItem(k)->GetPartName());
  }
  return parts;
}

TEST(SheetDrawingFixtures, DrawingPartsOfOtherProducersRoundTrip) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is not installed";
  const fs::path source = XpgEnv("THC_SOURCE_DIR"), build = XpgEnv("THC_BINARY_DIR");
  const fs::path out_dir = build / "ooxml/sheetdrawing/roundtrip";
  fs::create_directories(out_dir);
  int drawings = 0;
  for (const char* producer : {"openpyxl", "libxlsxwriter", "libreoffice", "libreoffice-shapes"}) {
    const fs::path original = source / "ooxml/sheetdrawing/tests/fixtures" / (std::string(producer) + ".xlsx");
    const std::string bytes = opc_testing::ReadFile(original.string());
    ASSERT_FALSE(bytes.empty()) << original;
    io::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    TOPC_XLSX package;
    package.OpenRead(in, false);
    const std::vector<std::u16string> parts = DrawingParts(package);
    EXPECT_GE(parts.size(), 2u) << producer;
    workbook::TXc12GraphicManager store(nullptr);
    std::vector<std::unique_ptr<TXPGDocXLSXDrawing>> docs;
    std::vector<std::string> reports;
    for (const auto& part : parts) {
      docs.push_back(std::make_unique<TXPGDocXLSXDrawing>(&store));
      docs.back()->SetOnError([&](TXpgPErrors& e) { reports.push_back(core::u8(part) + ": " + ToUtf8(e.LastError())); });
      docs.back()->LoadFromPackage(package, part);
    }
    io::TMemoryStream out;
    TOPC_XLSX written;
    written.OpenWrite(out, false);
    io::TMemoryStream empty;
    written.WriteItem(written.CreateWorkbook(), empty);
    store.ResetWritten();
    for (std::size_t n = 1; n <= docs.size(); ++n) {
      TOPCItem* sheet = written.CreateWorksheet(static_cast<int>(n));
      written.WriteItem(sheet, empty);
      EXPECT_NE(docs[n - 1]->SaveToPackage(written, sheet, static_cast<int>(n)), nullptr);
    }
    written.Close();
    EXPECT_EQ(Joined(reports), "") << producer;
    const std::string result(out.Bytes().begin(), out.Bytes().end());
    EXPECT_EQ(Joined(opc_testing::CheckPackage(result)), "") << producer;
    const fs::path target = out_dir / (std::string(producer) + ".xlsx");
    std::ofstream(target, std::ios::binary) << result;
    std::string command = "/usr/bin/python3 \"" + (source / "ooxml/sheetdrawing/tests/check_drawings.py").string() + "\"";
    for (const char* d : {"ooxml/sheetdrawing/gen/sheetdrawing_defaults.json", "ooxml/drawingml/gen/drawingml_defaults.json",
                          "ooxml/chart/gen/chart_defaults.json"})
      command += " --defaults \"" + (build / d).string() + "\"";
    command += " \"" + original.string() + "\" \"" + target.string() + "\" \"" + (out_dir / producer).string() + "\"";
    for (const auto& part : parts) command += " " + core::u8(part);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    // LibreOffice opens the original and a copy holding the written drawings alike.
    if (fs::exists("/usr/bin/soffice")) {
      const std::string open = "/usr/bin/python3 \"" + (source / "ooxml/sheetdrawing/tests/libreoffice_open.py").string() +
                               "\" \"" + original.string() + "\" \"" + target.string() + "\" \"" +
                               (out_dir / (std::string(producer) + "-libreoffice")).string() + "\"";
      EXPECT_EQ(std::system(open.c_str()), 0) << open;
    }
    drawings += static_cast<int>(parts.size());
  }
  EXPECT_GE(drawings, 8);
}

}  // namespace
}  // namespace ooxml::sheetdrawing
