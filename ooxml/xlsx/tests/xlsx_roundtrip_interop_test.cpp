// Workbooks read by the library and written again as .xlsx, checked from outside: the project's
// package checker, Python's zipfile, openpyxl (no warning, the same reading as of the original, the
// same reading as the library's) and LibreOffice headless (every value through a CSV conversion),
// and the library's own reader, which must come back to the model it read first. The reading and
// the writing go through the sheet-dump program (--save-as), so a crash of either is a failed test
// and not a lost run; check_written.py does the comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/manager.h"
#include "workbook/sheet_objects.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_records.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_api.h"
#include "workbook/worksheet_data.h"

namespace {

namespace fs = std::filesystem;
namespace wb = workbook;
using core::testing::Quoted;
using core::testing::RunTool;
using core::testing::ToolRun;

const fs::path kTests = THC_XLSX_TESTS;
const fs::path kSheetDump = THC_SHEET_DUMP;

// Why the outside checks cannot run here; empty when they can.
std::string MissingCheckers() {
  if (!core::testing::HavePythonModules("openpyxl")) return "python3-openpyxl absent";
  if (!core::testing::HaveTool("soffice")) return "LibreOffice not installed";
  return "";
}

// The faults the package checker finds in the file, one per line.
std::string PackageFaults(const fs::path& File) {
  std::string out;
  for (const std::string& f : opc_testing::CheckPackage(core::testing::ReadFile(File))) out += f + "\n";
  return out;
}

// Reads Original through sheet-dump and saves it as Dir/written.xlsx, reads that back, and lets
// check_written.py compare (Options are its own). Every step's failure is a test failure.
void SaveAgainAndCheck(const fs::path& Original, const fs::path& Dir, const std::string& Options) {
  const fs::path written = Dir / "written.xlsx", before = Dir / "before.json", after = Dir / "after.json";
  // The JSON goes to its file, the program's complaints (a sanitizer's report among them) to the test.
  const ToolRun save = RunTool("(" + Quoted(kSheetDump) + " " + Quoted(Original) + " --save-as " + Quoted(written) + " > " +
                               Quoted(before) + ")");
  ASSERT_EQ(save.status, 0) << save.output;
  ASSERT_TRUE(fs::exists(written));
  EXPECT_EQ(PackageFaults(written), "");
  const ToolRun read = RunTool("(" + Quoted(kSheetDump) + " " + Quoted(written) + " > " + Quoted(after) + ")");
  ASSERT_EQ(read.status, 0) << read.output;
  const ToolRun check = RunTool("/usr/bin/python3 " + Quoted(kTests / "check_written.py") + " --libreoffice " +
                                Quoted(Dir) + " " + Options + " " + Quoted(Original) + " " + Quoted(written) + " " +
                                Quoted(before) + " " + Quoted(after));
  EXPECT_TRUE(check.status == 0 && core::testing::Lines(check.output).back() == "0 differences") << check.output;
}

// ---------------------------------------------------------------------------------------------
// The fixtures: workbooks of four producers with formulas, names, styles, merges, hyperlinks,
// notes, tables, pictures, charts, chart sheets, pivot tables, linked workbooks and kept parts;
// and the .xls that LibreOffice saved of some of them, which go the legacy reader's road.

std::vector<std::string> Fixtures() {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(kTests / "fixtures")) {
    const std::string ext = e.path().extension().string();
    if (ext == ".xlsx" || ext == ".xls") names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class XlsxSavedAgain : public ::testing::TestWithParam<std::string> {};

TEST_P(XlsxSavedAgain, KeepsWhatWasRead) {
  if (const std::string why = MissingCheckers(); !why.empty()) GTEST_SKIP() << why;
  core::testing::TempDir dir("thc_xlsx_again");
  const fs::path original = kTests / "fixtures" / GetParam();
  SaveAgainAndCheck(original, dir.path(), original.extension() == ".xls" ? "--xls" : "");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, XlsxSavedAgain, ::testing::ValuesIn(Fixtures()),
                         [](const ::testing::TestParamInfo<std::string>& Info) {
                           std::string name = Info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// ---------------------------------------------------------------------------------------------
// A workbook made through the programming interface, with its formulas calculated by the engine:
// numbers, Chinese texts, formulas over its own sheet, another sheet and a defined name, fonts,
// fills, borders, alignment, merged cells, column widths and row heights, hyperlinks out of and
// into the workbook, a note, a hidden sheet, and a third sheet written through the direct-write
// event with booleans, errors, texts and formulas that never enter the cell store.

std::unique_ptr<wb::TXLSSpreadsheet5> NewComponent() {
  wb::TXLSSpreadsheetNeighbours n;
  n.CreateFormulaHandler = [](wb::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
  ooxml::RegisterXlsxNeighbours(n);
  return std::make_unique<wb::TXLSSpreadsheet5>(n);
}

constexpr std::uint32_t kAbsCol = 0x8000, kAbsRow = 0x80000000u;

void MakeFeatureWorkbook(const fs::path& File) {
  auto book = NewComponent();
  wb::TXLSWorksheet& data = *book->GetItem(0);
  data.SetName(u"数据");
  wb::TXLSWorksheet& limits = *book->Add();
  limits.SetName(u"Limits");
  wb::TXLSWorksheet& events = *book->Add();
  events.SetName(u"Events");

  data.SetAsString(0, 0, u"温湿度记录 report");
  data.GetMergedCells()->Add(0, 0, 3, 0);
  const char16_t* heads[] = {u"序号", u"温度", u"湿度", u"时间"};
  for (int c = 0; c < 4; ++c) data.SetAsString(c, 1, heads[c]);
  for (int r = 0; r < 12; ++r) {
    data.SetAsFloat(0, r + 2, r + 1);
    data.SetAsFloat(1, r + 2, -5.25 + r * 3.5);
    data.SetAsFloat(2, r + 2, 40 + (r % 5) * 7.125);
    data.SetAsString(3, r + 2, core::utf8_to_utf16("2024-03-0" + std::to_string(1 + r % 9) + " 记录"));
  }
  limits.SetAsString(0, 0, u"上限");
  limits.SetAsFloat(1, 0, 30);
  limits.SetAsString(0, 1, u"下限");
  limits.SetAsFloat(1, 1, -2.5);
  book->GetManager()->Worksheets->GetItem(1)->State = 1;

  wb::TXc12DefinedName* name = book->GetManager()->Workbook->DefinedNames->Add(u"Temperatures", -1);
  name->RefKind = wb::nrkArea;
  name->RefSheet = 0;
  // Coordinates carry the absolute flags of the byte code: "$B$3:$B$14".
  name->RefArea.Col1 = name->RefArea.Col2 = static_cast<std::int32_t>(1 | kAbsCol);
  name->RefArea.Row1 = static_cast<std::int32_t>(2 | kAbsRow);
  name->RefArea.Row2 = static_cast<std::int32_t>(13 | kAbsRow);

  data.SetAsFormula(5, 1, u"SUM(B3:B14)");
  data.SetAsFormula(5, 2, u"AVERAGE(C3:C14)");
  data.SetAsFormula(5, 3, u"MAX(B3:B14)-Limits!B1");
  data.SetAsFormula(5, 4, u"\"最高:\"&MAX(B3:B14)");
  data.SetAsFormula(5, 5, u"IF(MIN(B3:B14)<Limits!B2,\"低\",\"正常\")");
  data.SetAsFormula(5, 6, u"COUNT(Temperatures)");
  book->GetFormulaHandler()->Calculate();

  wb::TXLSRange& title = *data.GetRange(u"A1:D1");
  title.SetFontStyle(wb::FontStyleBit(wb::xfsBold));
  title.SetFontSize(16);
  title.SetFontName(u"宋体");
  title.SetHorizAlignment(2);
  wb::TXLSRange& heads2 = *data.GetRange(u"A2:D2");
  heads2.SetFillColor(0xC0C0C0);
  heads2.SetFontStyle(wb::FontStyleBit(wb::xfsItalic));
  wb::TXLSRange& grid = *data.GetRange(u"A2:D14");
  grid.SetBorderOutlineStyle(wb::cbsThin);
  grid.SetBorderInsideHorizStyle(wb::cbsThin);
  grid.SetBorderOutlineColor(0x0000FF);
  data.GetColumns()->GetItem(3)->SetWidth(6000);
  data.GetRows()->GetItem(0)->SetHeight(600);

  wb::TXc12Hyperlinks& links = *data.GetDataSheet()->Hyperlinks;
  wb::TXc12Hyperlink* out = links.Add();
  out->Kind = wb::xhltURL;
  out->Address = u"https://example.org/温湿度";
  out->Tooltip = u"the site";
  out->Ref = wb::CellAreaFromCell(7, 1);
  data.SetAsString(7, 1, u"site");
  wb::TXc12Hyperlink* in = links.Add();
  in->Kind = wb::xhltWorkbook;
  in->Address = u"Limits!A1";
  in->Location = u"Limits!A1";
  in->Display = u"to Limits";
  in->Ref = wb::CellAreaFromCell(7, 2);
  data.SetAsString(7, 2, u"to Limits");
  wb::TXLSComment* note = data.GetComments()->Add(2, 2, u"探头 checked\nin May");
  note->SetAuthor(u"Ann");

  // The third sheet comes from the write event alone.
  book->SetDirectWrite(true);
  wb::TXLSEventCell& e = *book->GetManager()->EventCell;
  e.SheetIndex = 2;
  e.FirstRow = 0;
  e.LastRow = 199;
  e.FirstCol = 0;
  e.LastCol = 4;
  book->SetOnWriteCell([](wb::TXLSEventCell* Cell) {
    const int r = Cell->Row;
    switch (Cell->Col) {
      case 0: Cell->SetAsFloat(r * 0.5 - 17); break;
      case 1: Cell->SetAsString(u"事件 " + core::utf8_to_utf16(std::to_string(r))); break;
      case 2: Cell->SetAsBoolean(r % 3 == 0); break;
      case 3: Cell->SetAsError(r % 2 ? wb::errDiv0 : wb::errNA); break;
      default:
        Cell->SetFormula(u"A" + core::utf8_to_utf16(std::to_string(r + 1)) + u"*2");
        Cell->SetAsFloat((r * 0.5 - 17) * 2);
    }
  });
  book->SaveToFile(core::utf8_to_utf16(File.string()));
}

TEST(XlsxFeatureWorkbook, OpensInOpenpyxlAndLibreOfficeAndReadsBackAlike) {
  if (const std::string why = MissingCheckers(); !why.empty()) GTEST_SKIP() << why;
  core::testing::TempDir dir("thc_xlsx_features");
  const fs::path made = dir.path() / "features.xlsx";
  ASSERT_NO_THROW(MakeFeatureWorkbook(made));
  EXPECT_EQ(PackageFaults(made), "");
  // What was made is what the library reads from the file (the dump of the first reading), and
  // saved again it keeps all of it.
  SaveAgainAndCheck(made, dir.path(), "--computed");
  const std::string json = core::testing::ReadFile(dir.path() / "before.json");
  const char* facts[] = {
      R"j("name": "数据", "state": 0)j",
      R"j("name": "Limits", "state": 1)j",
      R"j("merged": ["A1:D1"])j",
      R"j({"ref": "A1", "row": 0, "col": 0, "type": "string", "value": "温湿度记录 report")j",
      R"j({"ref": "F2", "row": 1, "col": 5, "type": "formula", "result_type": "number", "value": 168, "formula": "SUM(B3:B14)")j",
      R"j("value": "最高:33.25", "formula": "\"最高:\"&MAX(B3:B14)")j",
      R"j("value": "低", "formula": "IF(MIN(B3:B14)<Limits!B2,\"低\",\"正常\")")j",
      R"j("value": 12, "formula": "COUNT(Temperatures)")j",
      R"j({"name": "Temperatures", "scope": -1, "builtin": 8, "hidden": false, "formula": "'数据'!$B$3:$B$14"})j",
      R"j({"ref": "H2", "address": "https://example.org/温湿度", "location": "", "display": "", "tooltip": "the site"})j",
      R"j("notes": [{"ref": "C3", "text": "探头 checked\u000ain May"}])j",
      R"j("bold": true)j",
      R"j("fill_color": "C0C0C0")j",
      R"j({"ref": "C1", "row": 0, "col": 2, "type": "boolean", "value": true)j",
      R"j({"ref": "D1", "row": 0, "col": 3, "type": "error", "value": "#N/A")j",
      R"j({"ref": "D2", "row": 1, "col": 3, "type": "error", "value": "#DIV/0!")j",
      R"j({"ref": "E200", "row": 199, "col": 4, "type": "formula", "result_type": "number", "value": 165, "formula": "A200*2")j",
      R"j({"ref": "B200", "row": 199, "col": 1, "type": "string", "value": "事件 199")j",
  };
  for (const char* fact : facts) EXPECT_NE(json.find(fact), std::string::npos) << fact << "\n" << json;
}

}  // namespace
