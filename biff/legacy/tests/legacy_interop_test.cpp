// Report workbooks built through the component the way the console builds them (several sheets of
// 32,000 records, the six statistics formulas), calculated, written as .xls and read by
// python3-xlrd (cached results) and LibreOffice headless (its own recalculation). Skipped only when
// a tool is absent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "biff/legacy/legacy_document.h"
#include "core/strings.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "workbook/spreadsheet_component.h"

namespace biff {
namespace {

namespace wb = workbook;
namespace fs = std::filesystem;

using core::testing::HavePythonModules;
using core::testing::HaveTool;
using core::testing::Lines;
using core::testing::Quoted;
using core::testing::ReadFile;
using core::testing::RunTool;
using core::testing::TempDir;
using core::testing::ToolRun;

// A number as the statistics texts show it: the shortest form that reads back.
std::string NumberText(double V) {
  char buf[64];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, V, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

double Temperature(int Sheet, int I) { return ((I * 37 + Sheet * 11) % 701 - 200) / 10.0; }
double Humidity(int Sheet, int I) { return ((I * 13 + Sheet * 7) % 1001) / 10.0; }

struct TSheetPlan {
  int Records;
  int LastRow;  // A1 number of the last record row (28 for a sheet without records)
};

const char* const kLabels[6] = {"    温度平均值:", "    湿度平均值:", "    温度最小值:",
                                "    湿度最小值:", "    温度最大值:", "    湿度最大值:"};

// The six texts of a sheet in the order A5, D5, A6, D6, A7, D7.
std::vector<std::string> ExpectedStatistics(int Sheet, int Records) {
  std::vector<double> t, h;
  for (int i = 0; i < Records; ++i) {
    t.push_back(Temperature(Sheet, i));
    h.push_back(Humidity(Sheet, i));
  }
  auto avg = [](const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    const double a = s / static_cast<double>(v.size());
    return std::round(a * 100) / 100;
  };
  return {std::string(kLabels[0]) + NumberText(avg(t)),
          std::string(kLabels[1]) + NumberText(avg(h)),
          std::string(kLabels[2]) + NumberText(*std::min_element(t.begin(), t.end())),
          std::string(kLabels[3]) + NumberText(*std::min_element(h.begin(), h.end())),
          std::string(kLabels[4]) + NumberText(*std::max_element(t.begin(), t.end())),
          std::string(kLabels[5]) + NumberText(*std::max_element(h.begin(), h.end()))};
}

// The report as the console lays it out and finishes it: titles, headers, records, the
// information block, font and grid over the table, the six formulas, one calculation.
// Xls has its file name set.
void BuildReport(wb::TXLSSpreadsheet5& Xls, const std::vector<TSheetPlan>& Plan) {
  Xls.SetVersion(wb::xvExcel97);
  for (std::size_t s = 0; s < Plan.size(); ++s) {
    if (s > 0) Xls.Add();
    wb::TXLSWorksheet* sh = Xls.GetItem(static_cast<int>(s));
    sh->GetRows()->GetItem(0)->SetHeight(1000);
    sh->GetMergedCells()->Add(0, 0, 3, 0);
    sh->SetAsString(0, 0, core::u16(core::format("温湿度历史记录报表%d", static_cast<int>(s) + 1)));
    sh->SetAsString(0, 1, u"1.设备信息：");
    sh->SetAsString(0, 26, u"3.详细数据：");
    sh->SetAsString(0, 27, u"序号");
    sh->SetAsString(1, 27, u"温度");
    sh->SetAsString(2, 27, u"湿度");
    sh->SetAsString(3, 27, u"记录时间");
    for (int c = 0; c < 3; ++c) sh->GetColumns()->GetItem(c)->SetWidth(4400);
    sh->GetColumns()->GetItem(3)->SetWidth(8800);
    for (int i = 0; i < Plan[s].Records; ++i) {
      sh->SetAsFloat(0, 28 + i, i + 1);
      sh->SetAsFloat(1, 28 + i, Temperature(static_cast<int>(s), i));
      sh->SetAsFloat(2, 28 + i, Humidity(static_cast<int>(s), i));
      sh->SetAsString(3, 28 + i, core::u16(core::format("2014-04-08 %.2d:%.2d:%.2d", i / 3600 % 24, i / 60 % 60, i % 60)));
    }
    sh->SetAsString(0, 2, u"    设备ID:1");
    sh->SetAsString(3, 2, core::u16(core::format("    本页条数:%d", Plan[s].Records)));
    const int r = Plan[s].LastRow;
    // Formatting 32,000 rows through the range setters costs seconds under the sanitizers: the
    // full sheets get their formats over the header block only, the short last sheet in full.
    const int f = s + 1 == Plan.size() ? r : 28;
    sh->GetRange(core::u16(core::format("A1:D%d", f)))->SetFontName(u"宋体");
  }
  // A report of several sheets is saved and read back before its formulas are added.
  if (Plan.size() > 1) {
    Xls.Write();
    Xls.Read();
  }
  for (std::size_t s = 0; s < Plan.size(); ++s) {
    wb::TXLSWorksheet* sh = Xls.GetItem(static_cast<int>(s));
    const int r = Plan[s].LastRow;
    const int f = s + 1 == Plan.size() ? r : 28;
    if (Plan.size() > 1) sh->SetAsString(2, 2, core::u16(core::format("总条数:%d", 64010)));
    sh->CalcDimensions();
    const std::u16string rr = core::u16(std::to_string(r));
    sh->SetAsFormula(0, 4, u"\"    温度平均值:\"&ROUND(AVERAGE(B28:B" + rr + u"),2)");
    sh->SetAsFormula(3, 4, u"\"    湿度平均值:\"&ROUND(AVERAGE(C28:C" + rr + u"),2)");
    sh->SetAsFormula(0, 5, u"\"    温度最小值:\"&MIN(B28:B" + rr + u")");
    sh->SetAsFormula(3, 5, u"\"    湿度最小值:\"&MIN(C28:C" + rr + u")");
    sh->SetAsFormula(0, 6, u"\"    温度最大值:\"&MAX(B28:B" + rr + u")");
    sh->SetAsFormula(3, 6, u"\"    湿度最大值:\"&MAX(C28:C" + rr + u")");
    wb::TXLSRange* grid = sh->GetRange(core::u16(core::format("A28:D%d", f)));
    grid->SetBorderInsideVertStyle(wb::cbsThin);
    grid->SetBorderInsideHorizStyle(wb::cbsThin);
    grid->SetBorderOutlineStyle(wb::cbsThin);
  }
  Xls.GetFormulaHandler()->Calculate();
}

const std::vector<TSheetPlan> kPlan = {{32000, 32028}, {32000, 32028}, {10, 38}};

constexpr const char* kXlrdScript = R"PY(
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1], formatting_info=True)
out = ["sheets=" + "|".join(b.sheet_names()), "fonts=%d" % len(b.font_list), "xfs=%d" % len(b.xf_list)]
for si in range(b.nsheets):
    s = b.sheet_by_index(si)
    out.append("sheet %d rows=%d" % (si, s.nrows))
    for (r, c) in ((4, 0), (4, 3), (5, 0), (5, 3), (6, 0), (6, 3)):
        if r >= s.nrows or c >= s.row_len(r):
            out.append("sheet %d %d %d none" % (si, r, c))
            continue
        cell = s.cell(r, c)
        out.append("sheet %d %d %d %d %s" % (si, r, c, cell.ctype, cell.value))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
)PY";

ToolRun RunXlrd(const fs::path& Dir, const fs::path& File) {
  const fs::path script = Dir / "dump.py";
  std::ofstream(script) << kXlrdScript;
  return RunTool("/usr/bin/python3 " + Quoted(script) + " " + Quoted(File));
}

bool Has(const std::vector<std::string>& L, const std::string& Line) {
  return std::find(L.begin(), L.end(), Line) != L.end();
}

TEST(LegacyInterop, TemplateWorkbookHasFourFontsAnd21CellFormats) {
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  wb::TXLSSpreadsheet5 xls{n};
  xls.SetVersion(wb::xvExcel97);
  TempDir dir("thc_legacy");
  const fs::path file = dir.path() / "empty.xls";
  xls.SaveToFile(core::u16(file.string()));
  const ToolRun run = RunXlrd(dir.path(), file);
  const std::string& out = run.output;
  ASSERT_EQ(run.status, 0) << out;
  const std::vector<std::string> l = Lines(out);
  EXPECT_TRUE(Has(l, "sheets=Sheet1")) << out;
  EXPECT_TRUE(Has(l, "fonts=4")) << out;
  EXPECT_TRUE(Has(l, "xfs=21")) << out;
}

class ReportInterop : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Dir_ = new TempDir("thc_legacy");
    wb::TXLSSpreadsheetNeighbours n;
    RegisterLegacyNeighbours(n);
    wb::TXLSSpreadsheet5 xls{n};
    xls.SetFilename(core::u16((Dir_->path() / "report.xls").string()));
    BuildReport(xls, kPlan);
    // Entered after the calculation, so its cached result is 0: only a reader that recalculates
    // shows 2.
    xls.GetItem(0)->SetAsFormula(5, 0, u"1+1");
    xls.Write();
  }
  static void TearDownTestSuite() {
    delete Dir_;
    Dir_ = nullptr;
  }
  static fs::path File() { return Dir_->path() / "report.xls"; }
  static TempDir* Dir_;
};
TempDir* ReportInterop::Dir_ = nullptr;

TEST_F(ReportInterop, XlrdReadsTheCachedResults) {
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  const ToolRun run = RunXlrd(Dir_->path(), File());
  const std::string& out = run.output;
  ASSERT_EQ(run.status, 0) << out;
  const std::vector<std::string> l = Lines(out);
  EXPECT_TRUE(Has(l, "sheets=Sheet1|Sheet2|Sheet3")) << out;
  const int cells[6][2] = {{4, 0}, {4, 3}, {5, 0}, {5, 3}, {6, 0}, {6, 3}};
  for (std::size_t s = 0; s < kPlan.size(); ++s) {
    EXPECT_TRUE(Has(l, core::format("sheet %d rows=%d", static_cast<int>(s), kPlan[s].LastRow))) << out;
    const std::vector<std::string> want = ExpectedStatistics(static_cast<int>(s), kPlan[s].Records);
    for (int k = 0; k < 6; ++k) {
      // Type 1: text, the cached result of a string formula.
      const std::string line = core::format("sheet %d %d %d 1 ", static_cast<int>(s), cells[k][0], cells[k][1]) + want[k];
      EXPECT_TRUE(Has(l, line)) << "missing: " << line << "\n" << out;
    }
  }
}

TEST_F(ReportInterop, LibreOfficeRecalculatesTheSameResults) {
  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  const fs::path out = Dir_->path() / "lo";
  fs::create_directories(out);
  const std::string cmd = "cd " + out.string() + " && timeout 300 soffice -env:UserInstallation=file://" +
                          Dir_->path().string() + "/profile --headless --convert-to " +
                          "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' " +
                          "--outdir " + out.string() + " " + File().string();
  const std::string log = RunTool(cmd).output;
  for (std::size_t s = 0; s < kPlan.size(); ++s) {
    // LibreOffice exits 0 even when loading failed: the CSV files are the proof.
    const fs::path csv = out / core::format("report-Sheet%d.csv", static_cast<int>(s) + 1);
    ASSERT_TRUE(fs::exists(csv)) << log;
    const std::vector<std::string> rows = Lines(ReadFile(csv));
    ASSERT_GE(rows.size(), static_cast<std::size_t>(kPlan[s].LastRow));
    if (s == 0) {
      const std::vector<std::string> first = core::split(rows[0], ',');
      ASSERT_GE(first.size(), 6u) << rows[0];
      EXPECT_EQ(first[5], "2") << "LibreOffice did not recalculate";
    }
    const std::vector<std::string> want = ExpectedStatistics(static_cast<int>(s), kPlan[s].Records);
    for (int r = 0; r < 3; ++r) {
      const std::vector<std::string> fields = core::split(rows[static_cast<std::size_t>(4 + r)], ',');
      ASSERT_GE(fields.size(), 4u) << rows[static_cast<std::size_t>(4 + r)];
      EXPECT_EQ(fields[0], want[static_cast<std::size_t>(2 * r)]) << "sheet " << s;
      EXPECT_EQ(fields[3], want[static_cast<std::size_t>(2 * r + 1)]) << "sheet " << s;
    }
  }
}

}  // namespace
}  // namespace biff
