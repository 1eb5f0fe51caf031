// Formulas of a BIFF5 workbook: a file made here record by record (LibreOffice no longer writes
// BIFF5) with 3-D references, a name, strings in the file's code page, IF and CHOOSE with their
// jumps, an array constant and a shared formula. The library reads them as formula text and
// calculates them; LibreOffice headless, reading the same file, shows the same texts and values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "biff/legacy/legacy_document.h"
#include "core/byte_io.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "biff/tests/biff5_workbook.h"
#include "workbook/spreadsheet_component.h"

namespace biff {
namespace {

namespace fs = std::filesystem;
namespace wb = workbook;

std::u16string CellFormula(wb::TXLSSpreadsheet5& X, int Sheet, int Col, int Row) {
  wb::TMMUCellRef ref;
  wb::TXLSCellMMU* cells = X.GetItem(Sheet)->GetCells();
  if (!cells->FindCell(Col, Row, ref)) return u"(no cell)";
  const std::uint8_t* ptgs = nullptr;
  const int len = wb::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
  auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(X.GetFormulaHandler());
  return handler && len > 0 ? handler->DecodeFormula(cells, Sheet, ptgs, len, false) : u"(no formula)";
}

struct TCellSeen {
  std::string Formula, Value;
};

std::string Number(double V) {
  char b[40];
  std::snprintf(b, sizeof b, "%.15g", V);
  return b;
}

TEST(BIFF5Formulas, ReadAsTextCalculatedAndAsLibreOfficeSeesThem) {
  const core::testing::TempDir scratch("thc_biff5_formulas");
  const fs::path file = scratch.path() / "biff5.xls";
  {
    const core::Bytes bytes = testing::BIFF5Workbook(false);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  wb::TXLSSpreadsheet5 xls{n};
  xls.LoadFromFile(core::u16(file.string()));
  ASSERT_EQ(xls.GetCount(), 2);
  // Numbers after the library's own calculation, texts as read.
  xls.GetFormulaHandler()->Calculate();
  std::map<std::string, TCellSeen> ours;
  auto seen = [&](int Row, int Col) {
    TCellSeen s;
    s.Formula = core::utf16_to_utf8(CellFormula(xls, 1, Col, Row));
    wb::TMMUCellRef ref;
    if (xls.GetItem(1)->GetCells()->FindCell(Col, Row, ref)) {
      if (wb::TXLSCellMMU::CellType(ref) == wb::cvkStringFormula) {
        std::u16string text;
        wb::TXLSCellMMU::GetFormulaString(ref, text);
        s.Value = core::utf16_to_utf8(text);
      } else {
        s.Value = Number(wb::TXLSCellMMU::GetFormulaFloat(ref));
      }
    }
    return s;
  };
  for (const testing::TFormula& f : testing::Formulas()) {
    const TCellSeen s = seen(f.Row, f.Col);
    EXPECT_EQ(s.Formula, f.Text);
    EXPECT_EQ(s.Value, f.Str.empty() ? Number(f.Number) : std::string("大")) << f.Text;
    ours[std::string(1, static_cast<char>('A' + f.Col)) + std::to_string(f.Row + 1)] = s;
  }
  const char* shared[] = {"A1*3", "A2*3", "A3*3"};
  const double sharedValues[] = {9, 3, 6};
  for (int r = 0; r < 3; ++r) {
    const TCellSeen s = seen(r, 3);
    EXPECT_EQ(s.Formula, shared[r]);
    EXPECT_EQ(s.Value, Number(sharedValues[r]));
    ours["D" + std::to_string(r + 1)] = s;
  }
  // A change reaches the formulas through the converted references.
  xls.GetItem(0)->SetAsFloat(0, 0, 10);  // Data!A1
  xls.GetFormulaHandler()->Calculate();
  EXPECT_EQ(seen(0, 2).Value, "20");
  EXPECT_EQ(seen(1, 2).Value, "21");
  EXPECT_EQ(seen(3, 2).Value, "11");  // Rate+1

  if (!core::testing::HaveTool("soffice") || !core::testing::HaveTool("unzip")) GTEST_SKIP() << "LibreOffice not installed";
  const fs::path dir = scratch.path();
  core::testing::RunTool("cd " + core::testing::Quoted(dir) + " && timeout 240 soffice -env:UserInstallation=file://" +
                         dir.string() + "/profile --headless --convert-to xlsx --outdir " + core::testing::Quoted(dir) +
                         " biff5.xls >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "biff5.xlsx")) << "LibreOffice did not convert the file";
  const std::string sheet = core::testing::RunTool("unzip -p " + core::testing::Quoted(dir / "biff5.xlsx") +
                                                   " xl/worksheets/sheet2.xml", core::testing::Stderr::kDiscarded)
                                .output;
  const std::string strings = core::testing::RunTool("unzip -p " + core::testing::Quoted(dir / "biff5.xlsx") +
                                                     " xl/sharedStrings.xml", core::testing::Stderr::kDiscarded)
                                  .output;
  std::vector<std::string> sst;
  const std::regex si("<t[^>]*>([^<]*)</t>");
  for (auto it = std::sregex_iterator(strings.begin(), strings.end(), si); it != std::sregex_iterator(); ++it)
    sst.push_back((*it)[1]);
  const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(.*?)</c>");
  int compared = 0;
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator(); ++it) {
    const std::string ref = (*it)[1], attrs = (*it)[2], body = (*it)[3];
    const auto mine = ours.find(ref);
    if (mine == ours.end()) continue;
    std::smatch m;
    std::string formula, value;
    if (std::regex_search(body, m, std::regex("<f[^>]*>([^<]*)</f>"))) formula = m[1];
    if (std::regex_search(body, m, std::regex("<v>([^<]*)</v>"))) value = m[1];
    formula = std::regex_replace(formula, std::regex("&quot;"), "\"");
    formula = std::regex_replace(formula, std::regex("&gt;"), ">");
    if (attrs.find("t=\"s\"") != std::string::npos) {
      value = sst.at(static_cast<std::size_t>(std::stoi(value)));
    } else if (attrs.find("t=\"str\"") == std::string::npos) {
      value = Number(std::stod(value));
    }
    // LibreOffice's values are its own calculation of the file as written (Data!A1 = 4), as ours
    // were before the change.
    EXPECT_EQ(formula, mine->second.Formula) << ref;
    EXPECT_EQ(value, mine->second.Value) << ref;
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(ours.size()));
}

}  // namespace
}  // namespace biff
