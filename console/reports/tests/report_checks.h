// What the report tests ask of outside readers: the facts python3-xlrd, LibreOffice, qpdf and
// poppler give about a saved report. Running the tools is core::testing's.
#pragma once

#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/testing/tool_run.h"

namespace console::test {

using core::testing::HavePythonModules;
using core::testing::HaveTool;
using core::testing::KeyValues;
using core::testing::Lines;
using core::testing::Quoted;
using core::testing::RunTool;
using core::testing::ToolRun;

// One record as a report shows it.
struct ReportRow {
  int number = 0;
  double temperature = 0, humidity = 0;
  std::string time;  // "yyyy-mm-dd hh:mm:ss"
};

// A number as a cached formula text shows it: the shortest form of up to 15 significant digits.
std::string NumberText(double v);
// The six statistics texts (A5, D5, A6, D6, A7, D7) of a sheet holding `rows`, as its formulas give them.
std::vector<std::string> StatisticsTexts(std::span<const ReportRow> rows);

// Reads the .xls history report with xlrd (and its workbook stream with olefile): every record of
// `rows` must stand on sheet (n - 1) / `sheet_limit`, row 28 + (n - 1) % `sheet_limit` (zero-based).
// Gives "sheets", "mismatches" and, per sheet k, "sheetk.rows", ".records", ".merged", ".A1" to ".D7"
// (the information block), ".title_font", ".grid", ".charts" and ".series". `work` holds scratch files.
std::map<std::string, std::string> ReadXlsReport(const std::filesystem::path& file, const std::vector<ReportRow>& rows,
                                                 int sheet_limit, const std::filesystem::path& work);

// Converts the .xls with LibreOffice headless to .xlsx in `work` and counts, per sheet k,
// "xsheetk.cells" (cells with a value) and "xsheetk.charts"; "converted" says whether it worked.
std::map<std::string, std::string> ConvertXlsReport(const std::filesystem::path& file, const std::filesystem::path& work);

// Pages of a PDF report of `records` rows: 47 fill the first page, 51 each later one, and a full
// page is followed by a new one at once.
int LayoutPages(int records);

// What qpdf and poppler say of a PDF report.
struct PdfFacts {
  int qpdf_status = -1;
  int pages = 0;
  bool cid_font_embedded_with_unicode = false;
  bool title_found = false;                 // the `title` text
  std::vector<std::string> headers;         // the header row's words
  int rows_read = 0;                        // record lines pdftotext gave back
  int wrong = 0;                            // record lines that differ from the expected
  std::vector<std::string> wrong_rows;      // the first few of them
};
// `title` is looked for in the text; the record lines must equal `rows` in order, each value printed
// by `value_text`.
PdfFacts ReadPdfReport(const std::filesystem::path& file, const std::string& title, const std::vector<ReportRow>& rows,
                       std::string (*value_text)(double));

}  // namespace console::test
