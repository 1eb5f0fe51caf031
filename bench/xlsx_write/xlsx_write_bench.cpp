// Writes a workbook of 100,000 rows x 10 columns (numbers and short texts, Chinese among them) as
// .xlsx through the spreadsheet component, next to libxlsxwriter (linked in when its development
// package is installed) in the same run:
//   thconsole            the cells set through the worksheet interface, then the component's save
//   thconsole direct     the component's direct-write road: the cells come from the write event and
//                        never enter the cell store
//   libxlsxwriter        its normal mode and its constant-memory mode
// Every writer runs in a process of its own (best of three), so that its resident peak is its
// own. Every file written is then read by openpyxl (bench/xlsx_read/peers.py), which reports the
// cells, the sum of the numbers and the length of the texts: a writer whose file disagrees is not
// counted. Prints the times, thconsole's time against libxlsxwriter's normal mode, thconsole's
// resident peak against libxlsxwriter's normal mode, and the direct road's peak at twice the rows
// against its peak at the rows (flat memory gives about 1).
//
//   bench_xlsx_write [rows]             the whole comparison (rows defaults to 100,000)
//   bench_xlsx_write --run KIND FILE ROWS
//                                       one writer (own, direct, lxw, lxw-constant) on FILE, one
//                                       result line "total-ms fill-ms peak-resident-KiB" (used by
//                                       the above, and for profiling a writer alone)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/strings.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/worksheet_api.h"

#if THC_HAVE_LIBXLSXWRITER
#include <xlsxwriter.h>
#endif

namespace {

namespace fs = std::filesystem;
namespace wb = workbook;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::milli>(B - A).count(); }

// ---------------------------------------------------------------------------------------------
// The cells

constexpr int kCols = 10;
const char* const kWords[] = {"温度", "湿度", "正常", "报警", "OK",   "Probe A", "Probe B", "上限",
                              "下限", "断线", "探头一", "探头二", "记录", "Low",    "High",    "露点"};

// Columns 2, 4, 7 and 9 hold texts (2 one of its own per row, 4 and 7 words of a small set, 9 a
// short code), the others numbers.
bool IsText(int Col) { return Col == 2 || Col == 4 || Col == 7 || Col == 9; }

double Number(int Row, int Col) {
  switch (Col) {
    case 0: return Row + 1;
    case 1: return 18.5 + (Row % 300) * 0.1;
    case 3: return 40 + (Row % 500) * 0.05;
    case 5: return 2000000.0 + Row * 13;
    case 6: return -(Row % 1000) / 8.0;
    default: return (Row % 977) * 0.001;
  }
}

// The text as UTF-8 into Buffer; returns it.
const char* Text(int Row, int Col, char* Buffer, std::size_t Size) {
  if (Col == 2) std::snprintf(Buffer, Size, "记录%d", Row + 1);
  else if (Col == 4) std::snprintf(Buffer, Size, "%s", kWords[Row % 16]);
  else if (Col == 7) std::snprintf(Buffer, Size, "%s", kWords[(Row / 7) % 16]);
  else std::snprintf(Buffer, Size, "C%d", Row % 4000);
  return Buffer;
}

// What a reader must see: cells, the sum of the numbers, the UTF-16 length of the texts.
struct Seen {
  bool ok = false;
  long cells = 0;
  double sum = 0;
  long chars = 0;
};

Seen Expected(int Rows) {
  Seen s;
  s.ok = true;
  char buf[32];
  for (int r = 0; r < Rows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      ++s.cells;
      if (IsText(c)) s.chars += static_cast<long>(core::utf8_to_utf16(Text(r, c, buf, sizeof buf)).size());
      else s.sum += Number(r, c);
    }
  }
  return s;
}

bool Agrees(const Seen& A, const Seen& E) {
  return A.ok && A.cells == E.cells && A.chars == E.chars && std::fabs(A.sum - E.sum) <= 1e-9 * std::fabs(E.sum);
}

// ---------------------------------------------------------------------------------------------
// The writers, each timing its filling and the whole

struct Times {
  double total = 0, fill = 0;
};

std::unique_ptr<wb::TXLSSpreadsheet5> NewComponent() {
  wb::TXLSSpreadsheetNeighbours n;
  n.CreateFormulaHandler = [](wb::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
  ooxml::RegisterXlsxNeighbours(n);
  return std::make_unique<wb::TXLSSpreadsheet5>(n);
}

// The texts as the worksheet interface takes them; the words converted once, as a program would.
struct Texts {
  std::vector<std::u16string> words;
  Texts() {
    for (const char* w : kWords) words.push_back(core::utf8_to_utf16(w));
  }
  std::u16string Get(int Row, int Col) const {
    char buf[32];
    if (Col == 4) return words[Row % 16];
    if (Col == 7) return words[(Row / 7) % 16];
    return core::utf8_to_utf16(Text(Row, Col, buf, sizeof buf));
  }
};

Times WriteOwn(const char* File, int Rows) {
  Times t;
  auto book = NewComponent();
  const Texts texts;
  const auto t0 = Clock::now();
  wb::TXLSWorksheet& sheet = *book->GetItem(0);
  sheet.SetName(u"数据");
  for (int r = 0; r < Rows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      if (IsText(c)) sheet.SetAsString(c, r, texts.Get(r, c));
      else sheet.SetAsFloat(c, r, Number(r, c));
    }
  }
  const auto t1 = Clock::now();
  book->SaveToFile(core::utf8_to_utf16(File));
  const auto t2 = Clock::now();
  t.fill = Ms(t0, t1);
  t.total = Ms(t0, t2);
  return t;
}

Times WriteDirect(const char* File, int Rows) {
  Times t;
  auto book = NewComponent();
  const Texts texts;
  const auto t0 = Clock::now();
  book->GetItem(0)->SetName(u"数据");
  book->SetDirectWrite(true);
  wb::TXLSEventCell& e = *book->GetManager()->EventCell;
  e.SheetIndex = 0;
  e.FirstRow = 0;
  e.LastRow = Rows - 1;
  e.FirstCol = 0;
  e.LastCol = kCols - 1;
  book->SetOnWriteCell([&texts](wb::TXLSEventCell* Cell) {
    if (IsText(Cell->Col)) Cell->SetAsString(texts.Get(Cell->Row, Cell->Col));
    else Cell->SetAsFloat(Number(Cell->Row, Cell->Col));
  });
  book->SaveToFile(core::utf8_to_utf16(File));
  t.total = Ms(t0, Clock::now());
  return t;
}

#if THC_HAVE_LIBXLSXWRITER
Times WriteLxw(const char* File, int Rows, bool ConstantMemory) {
  Times t;
  const auto t0 = Clock::now();
  lxw_workbook_options options{};
  options.constant_memory = ConstantMemory ? LXW_TRUE : LXW_FALSE;
  lxw_workbook* book = workbook_new_opt(File, &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "数据");
  char buf[32];
  for (int r = 0; r < Rows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      if (IsText(c))
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), Text(r, c, buf, sizeof buf),
                               nullptr);
      else
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), Number(r, c), nullptr);
    }
  }
  const auto t1 = Clock::now();
  if (workbook_close(book) != LXW_NO_ERROR) std::exit(1);
  t.fill = Ms(t0, t1);
  t.total = Ms(t0, Clock::now());
  return t;
}
#endif

int RunOne(const std::string& Kind, const char* File, int Rows) {
  Times t;
  if (Kind == "own") t = WriteOwn(File, Rows);
  else if (Kind == "direct") t = WriteDirect(File, Rows);
#if THC_HAVE_LIBXLSXWRITER
  else if (Kind == "lxw") t = WriteLxw(File, Rows, false);
  else if (Kind == "lxw-constant") t = WriteLxw(File, Rows, true);
#endif
  else return 2;
  // The process's resident peak, its whole life long.
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("%.1f %.1f %ld\n", t.total, t.fill, ru.ru_maxrss);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Running

// Runs Command through the shell; its first output line is the result.
std::string Run(const std::string& Command) {
  FILE* pipe = popen(Command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buf[4096];
  for (std::size_t k; (k = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, k);
  if (pclose(pipe) != 0) return {};
  return out.substr(0, out.find('\n'));
}

bool Have(const std::string& Command) { return std::system((Command + " > /dev/null 2>&1").c_str()) == 0; }

std::string Quoted(const fs::path& P) { return "'" + P.string() + "'"; }

struct Result {
  const char* name = "";
  bool ran = false;
  Times t;
  long peakKiB = 0;
  Seen seen;
  std::uintmax_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--run") == 0) return RunOne(argv[2], argv[3], std::max(1, std::atoi(argv[4])));
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const fs::path dir = fs::temp_directory_path() / core::format("thc_xlsx_write_bench_%d", static_cast<int>(getpid()));
  fs::create_directories(dir);
  const std::string self = Quoted(fs::read_symlink("/proc/self/exe"));
  const fs::path peers = fs::path(THC_XLSX_READ_BENCH_DIR) / "peers.py";
  const bool openpyxl = Have("/usr/bin/python3 -c 'import openpyxl'");
  std::printf("workbook: %d rows x %d columns (%d texts per row)\n", rows, kCols, 4);

  // Best of three runs of one writer; the file of the last run is read back by openpyxl.
  auto Best = [&](const char* Name, const char* Kind, int Rows) {
    Result best;
    best.name = Name;
    const fs::path file = dir / (std::string(Kind) + "-" + std::to_string(Rows) + ".xlsx");
    for (int run = 0; run < 3; ++run) {
      long peak = 0;
      Times t;
      const std::string line = Run(self + " --run " + Kind + " " + Quoted(file) + " " + std::to_string(Rows));
      if (std::sscanf(line.c_str(), "%lf %lf %ld", &t.total, &t.fill, &peak) != 3) return best;
      if (!best.ran || t.total < best.t.total) {
        best.t = t;
        best.peakKiB = peak;
      }
      best.ran = true;
    }
    best.bytes = fs::file_size(file);
    if (openpyxl) {
      const std::string line = Run("/usr/bin/python3 " + Quoted(peers) + " openpyxl " + Quoted(file));
      double ms = 0;
      best.seen.ok = std::sscanf(line.c_str(), "%lf %ld %lf %ld", &ms, &best.seen.cells, &best.seen.sum,
                                 &best.seen.chars) == 4;
    }
    fs::remove(file);
    return best;
  };

  const Seen expected = Expected(rows);
  bool allOk = true;
  auto Print = [&](const Result& R, const Seen& E) {
    if (!R.ran) {
      std::printf("%-28s no result\n", R.name);
      allOk = false;
      return;
    }
    const char* verdict = !openpyxl ? "  (openpyxl not installed: not verified)"
                          : Agrees(R.seen, E) ? "  (openpyxl agrees)"
                                              : "  (VALUES DIFFER: not counted)";
    if (openpyxl && !Agrees(R.seen, E)) allOk = false;
    std::printf("%-28s %9.1f ms (filling %7.1f ms)  %7ld KiB peak resident  %9ju bytes%s\n", R.name, R.t.total,
                R.t.fill, R.peakKiB, R.bytes, verdict);
  };
  auto Counted = [&](const Result& R, const Seen& E) { return R.ran && (!openpyxl || Agrees(R.seen, E)); };

  const Result own = Best("thconsole", "own", rows);
  Print(own, expected);
  const Result direct = Best("thconsole direct", "direct", rows);
  Print(direct, expected);
  const Seen expected2 = Expected(2 * rows);
  const Result direct2 = Best("thconsole direct, 2x rows", "direct", 2 * rows);
  Print(direct2, expected2);

#if THC_HAVE_LIBXLSXWRITER
  const Result lxw = Best("libxlsxwriter", "lxw", rows);
  Print(lxw, expected);
  const Result lxwConstant = Best("libxlsxwriter constant mem", "lxw-constant", rows);
  Print(lxwConstant, expected);
  if (Counted(own, expected) && Counted(lxw, expected)) {
    std::printf("time ratio (thconsole / libxlsxwriter): %.3f (target at most 0.7)\n", own.t.total / lxw.t.total);
    std::printf("memory ratio (thconsole / libxlsxwriter normal mode, peak resident): %.3f (target at most 1)\n",
                static_cast<double>(own.peakKiB) / static_cast<double>(lxw.peakKiB));
  }
  if (Counted(direct, expected) && Counted(lxw, expected))
    std::printf("time ratio (thconsole direct / libxlsxwriter): %.3f\n", direct.t.total / lxw.t.total);
#else
  std::printf("%-28s not installed (libxlsxwriter-dev; configure again after installing it)\n", "libxlsxwriter");
#endif
  if (Counted(direct, expected) && Counted(direct2, expected2))
    std::printf("direct road memory (peak resident at 2x rows / at the rows): %.3f (flat memory: about 1)\n",
                static_cast<double>(direct2.peakKiB) / static_cast<double>(direct.peakKiB));
  fs::remove_all(dir);
  std::printf("%s\n", allOk ? "all files read back as written" : "A WRITER FAILED");
  return allOk ? 0 : 1;
}
