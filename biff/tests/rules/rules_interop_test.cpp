// Conditional formats, validations and autofilters as other programs see them in the files the
// library writes: LibreOffice headless converts them to .xlsx (lo_rules_view.py lists what it
// made of them) and python3-xlrd reads every cell. Skipped only when a tool is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "biff/legacy/legacy_document.h"
#include "biff/reader/xls_reader.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace biff::testing {
namespace {

namespace wb = workbook;
namespace fs = std::filesystem;

using core::testing::HavePythonModules;
using core::testing::HaveTool;
using core::testing::Lines;
using core::testing::Quoted;
using core::testing::RunTool;
using core::testing::TempDir;
using core::testing::ToolRun;

const std::string kRules = THC_RULES_FIXTURES;

// What lo_rules_view.py printed, by file.
std::map<std::string, std::vector<std::string>> LibreOfficeView(const TempDir& Dir, const std::vector<fs::path>& Files) {
  std::string args;
  for (const fs::path& f : Files) args += " " + Quoted(f);
  const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(kRules + "/lo_rules_view.py") + " " + Quoted(Dir.path()) + args,
                              core::testing::Stderr::kDiscarded);
  std::map<std::string, std::vector<std::string>> out;
  std::vector<std::string>* current = nullptr;
  for (const std::string& l : Lines(run.output)) {
    if (l.rfind("=== ", 0) == 0)
      current = &out[l.substr(4)];
    else if (current)
      current->push_back(l);
  }
  return out;
}

// Every cell of every sheet as python3-xlrd reads it.
std::vector<std::string> XlrdCells(const fs::path& File) {
  const char* script =
      "import sys, xlrd\n"
      "b = xlrd.open_workbook(sys.argv[1])\n"
      "for s in b.sheets():\n"
      "    for r in range(s.nrows):\n"
      "        for c in range(s.ncols):\n"
      "            v = s.cell(r, c)\n"
      "            if v.ctype != xlrd.XL_CELL_EMPTY:\n"
      "                sys.stdout.buffer.write(('%s %d %d %r\\n' % (s.name, r, c, v.value)).encode('utf-8'))\n";
  const ToolRun run = RunTool("/usr/bin/python3 -c " + Quoted(script) + " " + Quoted(File));
  EXPECT_EQ(run.status, 0) << run.output;
  return Lines(run.output);
}

core::Bytes Load(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Save(const fs::path& P, const core::Bytes& B) {
  std::ofstream(P, std::ios::binary).write(reinterpret_cast<const char*>(B.data()), static_cast<std::streamsize>(B.size()));
}

TEST(RulesInterop, FixtureReadAndWrittenShowsTheSameRules) {
  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  TempDir dir("thc_rules");
  const fs::path fixture = fs::path(kRules) / "rules.xls";
  const core::Bytes original = Load(fixture);
  // Read and written as it is, and read and written with one rule of each kind changed.
  const fs::path same = dir.path() / "same.xls";
  const fs::path changed = dir.path() / "changed.xls";
  {
    Book b(true);
    const core::ByteSpan span(original);
    TXLSReadXLS(*b.doc).Read(&span);
    Save(same, b.Write());
    wb::TXc12DataWorksheet& s = *b.m.Worksheets->GetItem(0);
    s.DataValidations->GetItem(0)->formula1 = u"\"north,south,east,west\"";
    s.ConditionalFormats->GetItem(0)->Rules.GetItem(0)->SetFormula(0, u"49");
    s.ConditionalFormats->GetItem(1)->Rules.GetItem(0)->SetFormula(0, u"$B2>=$E2");
    s.AutoFilter->Columns.GetItem(1)->Filters.Values = {u"east"};
    Save(changed, b.Write());
  }
  auto view = LibreOfficeView(dir, {fixture, same, changed});
  const std::vector<std::string>& before = view[fixture.string()];
  ASSERT_GE(before.size(), 10u) << "LibreOffice did not convert the fixture";
  EXPECT_EQ(view[same.string()], before);
  std::vector<std::string> expected = before;
  for (std::string& l : expected) {
    auto swap = [&l](const std::string& From, const std::string& To) {
      if (const auto p = l.find(From); p != std::string::npos) l.replace(p, From.size(), To);
    };
    swap("[\"north,south,east\"|", "[\"north,south,east,west\"|");
    swap("[50]", "[49]");
    swap("[$B2>=40]", "[$B2>=$E2]");
    swap("filter 2 value=north", "filter 2 value=east");
  }
  EXPECT_EQ(view[changed.string()], expected);
  // Every cell stays readable and the same.
  EXPECT_EQ(XlrdCells(same), XlrdCells(fixture));
  EXPECT_EQ(XlrdCells(changed), XlrdCells(fixture));
}

TEST(RulesInterop, RulesBuiltThroughTheWorksheetInterface) {
  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  TempDir dir("thc_rules");
  const fs::path file = dir.path() / "built.xls";
  {
    wb::TXLSSpreadsheetNeighbours n;
    RegisterLegacyNeighbours(n);
    wb::TXLSSpreadsheet5 xls{n};
    xls.SetVersion(wb::xvExcel97);
    wb::TXLSWorksheet* data = xls.GetItem(0);
    data->SetName(u"温度");
    wb::TXLSWorksheet* lists = xls.Add();
    lists->SetName(u"Lists");
    for (int i = 0; i < 3; ++i) lists->SetAsString(0, i, i == 0 ? u"low" : i == 1 ? u"mid" : u"high");
    data->SetAsString(0, 0, u"Reading");
    data->SetAsString(1, 0, u"Level");
    data->SetAsString(2, 0, u"Count");
    for (int r = 1; r <= 6; ++r) {
      data->SetAsFloat(0, r, r * 7.5);
      data->SetAsString(1, r, r % 2 ? u"low" : u"high");
      data->SetAsFloat(2, r, r);
    }
    wb::TXc12DXFs& dxfs = *xls.GetManager()->StyleSheet->DXFs;
    wb::TXc12ConditionalFormatting* cf = data->GetConditionalFormats()->Add();
    cf->Sqref.Add(0, 1, 0, 6);
    wb::TXc12CfRule* hot = cf->Rules.Add();
    hot->type = 1;
    hot->Operator = 5;  // greaterThan
    hot->SetFormula(0, u"30");
    hot->dxf = dxfs.Add();
    wb::TXc12Font* bold = hot->dxf->AddFont();
    bold->SetStyle(wb::FontStyleBit(wb::xfsBold));
    wb::SetXc12ColorRGB(0xFF0000, bold->ColorRef());
    wb::TXc12CfRule* mid = cf->Rules.Add();
    mid->type = 1;
    mid->Operator = 7;  // notBetween
    mid->SetFormula(0, u"10");
    mid->SetFormula(1, u"$C$2*5");
    mid->dxf = dxfs.Add();
    wb::TXc12Border* border = mid->dxf->AddBorder();
    border->Bottom.Style = wb::cbsDouble;
    wb::IndexToXc12Color(12, border->Bottom.Color);
    wb::TXc12ConditionalFormatting* odd = data->GetConditionalFormats()->Add();
    odd->Sqref.Add(1, 1, 1, 6);
    odd->Sqref.Add(2, 1, 2, 6);
    wb::TXc12CfRule* expr = odd->Rules.Add();
    expr->type = 0;
    expr->SetFormula(0, u"MOD($C2,2)=1");
    expr->dxf = dxfs.Add();
    wb::TXc12Fill* fill = expr->dxf->AddFill();
    fill->SetPatternType(wb::efpSolid);
    wb::IndexToXc12Color(13, fill->FgColor);
    wb::TXc12DataValidation* level = data->GetDataValidations()->Add();
    level->Sqref.Add(1, 1, 1, 6);
    level->type = 3;
    level->formula1 = u"Lists!$A$1:$A$3";
    level->allowBlank = true;
    level->showErrorMessage = true;
    level->errorTitle = u"Level";
    level->error = u"低, mid or high";
    wb::TXc12DataValidation* count = data->GetDataValidations()->Add();
    count->Sqref.Add(2, 1, 2, 6);
    count->type = 1;
    count->Operator = 0;  // between
    count->formula1 = u"1";
    count->formula2 = u"10";
    count->errorStyle = 1;
    count->showInputMessage = true;
    count->promptTitle = u"Count";
    count->prompt = u"1 to 10";
    data->GetAutofilter()->Ref = wb::CellAreaFromBox(0, 0, 2, 6);
    // Text conditions: LibreOffice 7.4 drops numeric filter conditions of .xls files, its own too.
    wb::TXc12FilterColumn* column = data->GetAutofilter()->Columns.Add();
    column->colId = 1;
    column->CustomFilters.InUse = true;
    column->CustomFilters.Filter1.Operator = 3;  // notEqual
    column->CustomFilters.Filter1.val = u"mid";
    column->CustomFilters.Filter2.Operator = 3;
    column->CustomFilters.Filter2.val = u"med";
    column->CustomFilters.And = true;
    xls.SaveToFile(core::u16(file.string()));
  }
  auto view = LibreOfficeView(dir, {file});
  // LibreOffice lists a font for every differential format and no colour of a border's side.
  const std::vector<std::string> expected = {
      "温度 autofilter A1:C7",
      "温度 filter 1 and=true notEqual:mid notEqual:med",
      "温度 cf A2:A7 cellIs op=greaterThan [30] font(b=1 i=0 color=rgb:FFFF0000)",
      "温度 cf A2:A7 cellIs op=notBetween [10|$C$2*5] font(color=-) border(bottom=double/-)",
      "温度 cf B2:C7 expression op=None [MOD($C2,2)=1] font(color=-) fill(- fg=- bg=rgb:FFFFFF00)",
      "温度 dv B2:B7 type=list operator=between errorStyle=stop allowBlank=true showDropDown=false "
      "showInputMessage=false showErrorMessage=true errorTitle=Level error=低, mid or high [Lists!$A$1:$A$3|0]",
      "温度 dv C2:C7 type=whole operator=between errorStyle=warning allowBlank=false showDropDown=false "
      "showInputMessage=true showErrorMessage=false promptTitle=Count prompt=1 to 10 [1|10]",
      "name _xlnm._FilterDatabase sheet=0 hidden=true 温度!$A$1:$C$7",
  };
  EXPECT_EQ(view[file.string()], expected);
  std::vector<std::string> cells = XlrdCells(file);
  EXPECT_EQ(cells.size(), 3u + 6 * 3 + 3);
  EXPECT_NE(std::find(cells.begin(), cells.end(), "温度 6 0 45.0"), cells.end());
  EXPECT_NE(std::find(cells.begin(), cells.end(), "Lists 2 0 'high'"), cells.end());
}

}  // namespace
}  // namespace biff::testing
