// Writes a workbook of 100,000 rows x 10 columns (two sheets of 50,000 rows: a distinct text in the
// first column, numbers in the other nine) as .xls through TXLSWriteXLS, reads it back through
// TXLSReadXLS, and runs the npm package xlsx (bookType biff8) on the same data in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "biff/document/biff5_document.h"
#include "biff/reader/xls_reader.h"
#include "biff/writer/xls_writer.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/manager.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::milli>(B - A).count(); }

double Value(int Row, int Col) {
  return Col % 3 == 0 ? Row * 0.25 + Col : Col % 3 == 1 ? Row + Col : (Row * 7.0 + Col) / 3;
}

struct Model {
  wb::TXLSErrorManager errors;
  wb::TXc12DataClassFactory factory;
  wb::TXc12Manager m{&factory, &errors};
  Model() { m.CreateParts(); }
};

}  // namespace

int main(int argc, char** argv) {
  const int rowsPerSheet = argc > 1 ? std::atoi(argv[1]) : 50000;
  Model src;
  for (int s = 0; s < 2; ++s) {
    wb::TXc12DataWorksheet* ws = src.m.Worksheets->Add(-1);
    ws->Name = core::u16(core::format("Sheet%d", s + 1));
    wb::TXLSCellMMU& cells = *ws->Cells;
    for (int r = 0; r < rowsPerSheet; ++r) {
      const int row = s * rowsPerSheet + r;
      cells.WriteString(0, r, 0, core::u16(core::format("Row %d", row)));
      for (int c = 1; c < 10; ++c) cells.WriteFloat(c, r, 0, Value(row, c));
    }
  }
  biff::TBIFF5 doc(&src.m);

  const auto t0 = Clock::now();
  core::Bytes file;
  biff::TXLSWriteXLS(doc).Write(&file);
  const auto t1 = Clock::now();
  Model back;
  biff::TBIFF5 doc2(&back.m);
  const core::ByteSpan span(file);
  biff::TXLSReadXLS(doc2).Read(&span);
  const auto t2 = Clock::now();

  // Check what came back before timing anything else.
  long cells = 0;
  bool same = back.m.Worksheets->Count() == 2;
  for (int s = 0; same && s < 2; ++s) {
    wb::TXLSCellMMU& c = *back.m.Worksheets->GetItem(s)->Cells;
    c.BeginIterate(0);
    while (c.IterNext()) {
      ++cells;
      const int row = s * rowsPerSheet + c.IterRow();
      if (c.IterCol() > 0 && c.IterFloat() != Value(row, c.IterCol())) same = false;
    }
  }
  const double write = Ms(t0, t1), read = Ms(t1, t2);
  std::printf("thconsole  write %8.1f ms  read %8.1f ms  total %8.1f ms  %zu bytes  %ld cells back%s\n", write, read,
              write + read, file.size(), cells, same ? "" : "  (VALUES DIFFER)");

  namespace fs = std::filesystem;
  const fs::path dir = THC_BIFF_INTEROP_DIR;
  const fs::path script = fs::path(THC_XLS_WRITE_BENCH_DIR) / "sheetjs_bench.js";
  if (!fs::exists(dir / "node_modules" / "xlsx") || std::system("command -v node > /dev/null 2>&1") != 0) {
    std::printf("xlsx (SheetJS): not installed (npm ci --prefix %s)\n", dir.c_str());
    return same ? 0 : 1;
  }
  const std::string cmd = "node " + script.string() + " " + dir.string() + " " + std::to_string(rowsPerSheet);
  FILE* p = popen(cmd.c_str(), "r");
  double jw = 0, jr = 0;
  long jsize = 0, jcells = 0;
  const int got = p ? std::fscanf(p, "%lf %lf %ld %ld", &jw, &jr, &jsize, &jcells) : 0;
  if (p) pclose(p);
  if (got != 4) {
    std::printf("xlsx (SheetJS): no result\n");
    return 1;
  }
  std::printf("xlsx biff8 write %8.1f ms  read %8.1f ms  total %8.1f ms  %ld bytes  %ld cells back\n", jw, jr, jw + jr,
              jsize, jcells);
  std::printf("ratio (thconsole / xlsx): %.3f (target at most 0.2)\n", (write + read) / (jw + jr));
  return same ? 0 : 1;
}
