// Reads a generated .xlsx workbook of 100,000 rows x 10 columns (numbers and short shared strings,
// Chinese text among them) through the spreadsheet component's .xlsx road, and the same file with
// the peers found here in the same run: SheetJS and exceljs (npm packages in this folder), openpyxl
// read-only, and LibreOffice's headless conversion to CSV. Every reader reports the cells it saw, the
// sum of the numbers and the length of the texts; a reader that disagrees is not a correct peer.
// Prints each reader's time, thconsole's time against the fastest correct peer, and thconsole's
// peak heap against its bound: twice the cell store's own size for these cells plus the package's
// largest part.
//
//   bench_xlsx_read [rows]              the whole comparison (rows defaults to 100,000)
//   bench_xlsx_read --read FILE         thconsole alone on FILE, one result line (used by the above)
//   bench_xlsx_read --write FILE [rows] writes the workbook only (for profiling the reading)
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/strings.h"
#include "core/unicode.h"
#include "io/stream.h"
#include "io/zip_archive.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/worksheet_data.h"

// Live and peak heap bytes of the whole process: malloc and its kin are taken over here (the cell
// store's blocks come from realloc, the model's objects from operator new, zlib's state from
// malloc), the work done by the C library's own functions. A sanitizer build keeps its own
// allocator, and the heap is not measured there.
#if defined(__SANITIZE_ADDRESS__)
#define THC_HEAP_MEASURED 0
#else
#define THC_HEAP_MEASURED 1
#endif

namespace {
std::atomic<long> g_live{0};
std::atomic<long> g_peak{0};
}  // namespace

#if THC_HEAP_MEASURED
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {
void* Noted(void* p) {
  if (!p) return p;
  const long size = static_cast<long>(malloc_usable_size(p));
  const long now = g_live.fetch_add(size, std::memory_order_relaxed) + size;
  long peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return p;
}
void Forget(void* p) {
  if (p) g_live.fetch_sub(static_cast<long>(malloc_usable_size(p)), std::memory_order_relaxed);
}
}  // namespace

extern "C" {
void* malloc(std::size_t size) { return Noted(__libc_malloc(size)); }
void* calloc(std::size_t n, std::size_t size) { return Noted(__libc_calloc(n, size)); }
void free(void* p) {
  Forget(p);
  __libc_free(p);
}
void* realloc(void* p, std::size_t size) {
  Forget(p);
  void* q = __libc_realloc(p, size);
  if (!q && size) {
    // The old block stays.
    Noted(p);
    return q;
  }
  return Noted(q);
}
void* memalign(std::size_t align, std::size_t size) { return Noted(__libc_memalign(align, size)); }
void* aligned_alloc(std::size_t align, std::size_t size) { return Noted(__libc_memalign(align, size)); }
int posix_memalign(void** out, std::size_t align, std::size_t size) {
  void* p = Noted(__libc_memalign(align, size));
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}
}
#endif

namespace {

namespace fs = std::filesystem;
namespace wb = workbook;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::milli>(B - A).count(); }

// ---------------------------------------------------------------------------------------------
// The workbook

constexpr int kCols = 10;
const char* const kWords[] = {"温度", "湿度", "正常", "报警", "OK", "Sensor A", "Sensor B", "上限", "下限", "断线",
                              "探头一", "探头二", "记录", "Low", "High", "露点"};

// Columns 0, 1, 3, 5, 6, 8 hold numbers; 2 a text of its own per row, 4 and 7 words of a small set,
// 9 a short code.
bool IsText(int Col) { return Col == 2 || Col == 4 || Col == 7 || Col == 9; }

double Number(int Row, int Col) {
  switch (Col) {
    case 0: return Row + 1;
    case 1: return Row * 0.25;
    case 3: return 20 + (Row % 400) * 0.05;
    case 5: return 1000000.0 + Row * 37;
    case 6: return -(Row % 1000) / 8.0;
    default: return (Row % 977) * 0.001;
  }
}

std::string Text(int Row, int Col) {
  if (Col == 2) return core::format("第%d行", Row + 1);
  if (Col == 4) return kWords[Row % 16];
  if (Col == 7) return kWords[(Row / 3) % 16];
  return core::format("T%d", Row % 5000);
}

std::string Escaped(const std::string& S) {
  std::string o;
  for (char c : S) {
    if (c == '&') o += "&amp;";
    else if (c == '<') o += "&lt;";
    else o += c;
  }
  return o;
}

std::string ColName(int Col) { return std::string(1, static_cast<char>('A' + Col)); }

// The package as common producers write it: shared strings, one worksheet, a minimal style sheet.
std::vector<std::uint8_t> MakeWorkbook(int Rows, std::size_t& LargestPart) {
  std::vector<std::string> strings;
  std::unordered_map<std::string, int> stringIndex;
  std::string sheet =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<dimension ref=\"A1:J" +
      std::to_string(Rows) + "\"/><sheetData>";
  auto StringIndex = [&](const std::string& T) {
    auto [it, added] = stringIndex.try_emplace(T, static_cast<int>(strings.size()));
    if (added) strings.push_back(T);
    return it->second;
  };
  for (int r = 0; r < Rows; ++r) {
    sheet += "<row r=\"" + std::to_string(r + 1) + "\">";
    for (int c = 0; c < kCols; ++c) {
      const std::string ref = ColName(c) + std::to_string(r + 1);
      if (IsText(c)) {
        sheet += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(StringIndex(Text(r, c))) + "</v></c>";
      } else {
        sheet += "<c r=\"" + ref + "\"><v>" + core::format("%.17g", Number(r, c)) + "</v></c>";
      }
    }
    sheet += "</row>";
  }
  sheet += "</sheetData></worksheet>";
  std::string sst = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"" +
                    std::to_string(Rows * 4) + "\" uniqueCount=\"" + std::to_string(strings.size()) + "\">";
  for (const std::string& s : strings) sst += "<si><t>" + Escaped(s) + "</t></si>";
  sst += "</sst>";
  LargestPart = std::max(sheet.size(), sst.size());

  const std::pair<const char*, std::string> parts[] = {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/workbook.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
       "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
       "<Override PartName=\"/xl/styles.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
       "<Override PartName=\"/xl/sharedStrings.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
       "</Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
       "Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
       "<sheets><sheet name=\"数据\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
       "Target=\"worksheets/sheet1.xml\"/>"
       "<Relationship Id=\"rId2\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
       "<Relationship Id=\"rId3\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
       "Target=\"sharedStrings.xml\"/></Relationships>"},
      {"xl/styles.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
       "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
       "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
       "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
       "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
       "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
       "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
       "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
       "</styleSheet>"},
      {"xl/sharedStrings.xml", std::move(sst)},
      {"xl/worksheets/sheet1.xml", std::move(sheet)},
  };
  io::TMemoryStream out;
  io::TXLSZipArchive zip;
  zip.OpenWrite(out);
  for (const auto& [name, body] : parts) {
    io::TMemoryStream s(std::vector<std::uint8_t>(body.begin(), body.end()));
    zip.AddStream(core::utf8_to_utf16(name), s);
  }
  zip.Close();
  return out.Bytes();
}

// What a reader saw: cells, the sum of the numbers, the UTF-16 length of the texts.
struct Result {
  bool ok = false;
  double ms = 0;
  long cells = 0;
  double sum = 0;
  long chars = 0;
  long peakKiB = 0;  // the process's resident peak
};

Result Expected(int Rows) {
  Result r;
  r.ok = true;
  for (int row = 0; row < Rows; ++row) {
    for (int c = 0; c < kCols; ++c) {
      ++r.cells;
      if (IsText(c)) r.chars += static_cast<long>(core::utf8_to_utf16(Text(row, c)).size());
      else r.sum += Number(row, c);
    }
  }
  return r;
}

bool Agrees(const Result& A, const Result& E) {
  return A.ok && A.cells == E.cells && A.chars == E.chars && std::fabs(A.sum - E.sum) <= 1e-9 * std::fabs(E.sum);
}

// ---------------------------------------------------------------------------------------------
// thconsole's side, run in a process of its own so that its heap figures are its alone.

int ReadOne(const char* File) {
  wb::TXLSSpreadsheetNeighbours n;
  ooxml::RegisterXlsxNeighbours(n);
  // The component exists before any file is read: its own objects are not the reading's.
  auto book = std::make_unique<wb::TXLSSpreadsheet5>(n);
  const long before = g_live.load();
  g_peak.store(before);
  const auto t0 = Clock::now();
  book->LoadFromFile(core::utf8_to_utf16(File));
  const auto t1 = Clock::now();
  const long peak = g_peak.load() - before;
  const long kept = g_live.load() - before;

  wb::TXc12Manager& m = *book->GetManager();
  Result r;
  std::size_t store = 0;
  std::u16string text;
  for (int s = 0; s < m.Worksheets->Count(); ++s) {
    wb::TXLSCellMMU& c = *m.Worksheets->GetItem(s)->Cells;
    store += c.MemoryUsed();
    c.BeginIterate(0);
    while (c.IterNext()) {
      ++r.cells;
      switch (c.IterCellType()) {
        case wb::cvkFloat: r.sum += c.IterFloat(); break;
        case wb::cvkString: r.chars += static_cast<long>(m.SST->GetText(c.IterStringIndex()).size()); break;
        default: break;
      }
    }
  }
  std::printf("%.1f %ld %.17g %ld %ld %ld %zu\n", Ms(t0, t1), r.cells, r.sum, r.chars, peak, kept, store);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Running the readers

// Runs Command through the shell; its first output line is the result, its resident peak comes from
// the kernel.
std::string Run(const std::string& Command, long& PeakKiB) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipefd[1], 1);
    close(pipefd[0]);
    close(pipefd[1]);
    execl("/bin/sh", "sh", "-c", Command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipefd[1]);
  std::string out;
  char buf[4096];
  for (ssize_t k; (k = read(pipefd[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(k));
  close(pipefd[0]);
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  PeakKiB = ru.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return out.substr(0, out.find('\n'));
}

Result Peer(const std::string& Command) {
  Result r;
  const std::string line = Run(Command, r.peakKiB);
  r.ok = std::sscanf(line.c_str(), "%lf %ld %lf %ld", &r.ms, &r.cells, &r.sum, &r.chars) == 4;
  return r;
}

bool Have(const std::string& Command) { return std::system((Command + " > /dev/null 2>&1").c_str()) == 0; }

std::string Quoted(const fs::path& P) { return "'" + P.string() + "'"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--read") == 0) return ReadOne(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "--write") == 0) {
    std::size_t largest = 0;
    const std::vector<std::uint8_t> bytes = MakeWorkbook(argc > 3 ? std::max(1, std::atoi(argv[3])) : 100000, largest);
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
    return 0;
  }
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const fs::path dir = fs::temp_directory_path() / core::format("thc_xlsx_read_bench_%d", static_cast<int>(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "book.xlsx";
  std::size_t largest = 0;
  {
    const std::vector<std::uint8_t> bytes = MakeWorkbook(rows, largest);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    std::printf("workbook: %d rows x %d columns, %zu bytes, largest part %zu bytes\n", rows, kCols, bytes.size(),
                largest);
  }
  const Result expected = Expected(rows);

  // thconsole: best of three runs, on the workbook and on one of twice its rows.
  struct Own {
    Result r;
    long peak = 0, kept = 0;
    std::size_t store = 0;
  };
  const std::string self = Quoted(fs::read_symlink("/proc/self/exe"));
  auto BestOwn = [&](const fs::path& File) {
    Own best;
    for (int run = 0; run < 3; ++run) {
      Own o;
      const std::string line = Run(self + " --read " + Quoted(File), o.r.peakKiB);
      o.r.ok = std::sscanf(line.c_str(), "%lf %ld %lf %ld %ld %ld %zu", &o.r.ms, &o.r.cells, &o.r.sum, &o.r.chars,
                           &o.peak, &o.kept, &o.store) == 7;
      if (run == 0 || o.r.ms < best.r.ms) best = o;
    }
    return best;
  };
  const Own first = BestOwn(file);
  const Result own = first.r;
  const long ownPeak = first.peak;
  const std::size_t ownStore = first.store;
  const fs::path twice = dir / "twice.xlsx";
  {
    std::size_t unused = 0;
    const std::vector<std::uint8_t> bytes = MakeWorkbook(2 * rows, unused);
    std::ofstream(twice, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  }
  const Own second = BestOwn(twice);
  const bool ownOk = Agrees(own, expected);
  std::printf("%-26s %9.1f ms  %7ld KiB peak resident%s\n", "thconsole", own.ms, own.peakKiB,
              ownOk ? "" : "  (CELLS DIFFER)");
  std::printf("%-26s %9.1f ms  (time ratio %.2f, target at most 2)%s\n", "thconsole, twice the rows", second.r.ms,
              second.r.ms / own.ms, Agrees(second.r, Expected(2 * rows)) ? "" : "  (CELLS DIFFER)");

  // The peers, each timing its own reading (start-up of the interpreter or office left out).
  const fs::path here = THC_XLSX_READ_BENCH_DIR;
  struct Entry {
    const char* name;
    std::string command;
    std::string missing;
  };
  std::vector<Entry> peers;
  const bool node = Have("command -v node");
  const bool npm = fs::exists(here / "node_modules" / "xlsx") && fs::exists(here / "node_modules" / "exceljs");
  const std::string js = "node " + Quoted(here / "peers.js") + " ";
  peers.push_back({"SheetJS", js + "sheetjs " + Quoted(file), node && npm ? "" : "npm ci --prefix " + here.string()});
  peers.push_back({"exceljs", js + "exceljs " + Quoted(file), node && npm ? "" : "npm ci --prefix " + here.string()});
  const std::string py = "/usr/bin/python3 " + Quoted(here / "peers.py") + " ";
  peers.push_back({"openpyxl (read-only)", py + "openpyxl " + Quoted(file),
                   Have("/usr/bin/python3 -c 'import openpyxl'") ? "" : "python3-openpyxl"});
  peers.push_back({"LibreOffice (to CSV)", py + "libreoffice " + Quoted(file) + " " + Quoted(dir),
                   Have("command -v soffice") ? "" : "libreoffice-calc-nogui"});

  double fastest = 0;
  const char* fastestName = nullptr;
  for (const Entry& e : peers) {
    if (!e.missing.empty()) {
      std::printf("%-26s not installed (%s)\n", e.name, e.missing.c_str());
      continue;
    }
    const Result r = Peer(e.command);
    const bool ok = Agrees(r, expected);
    if (!r.ok) {
      std::printf("%-26s no result\n", e.name);
      continue;
    }
    std::printf("%-26s %9.1f ms  %7ld KiB peak resident%s\n", e.name, r.ms, r.peakKiB,
                ok ? "" : "  (cells differ: not counted)");
    if (ok && (!fastestName || r.ms < fastest)) {
      fastest = r.ms;
      fastestName = e.name;
    }
  }
  if (fastestName)
    std::printf("ratio (thconsole / %s): %.3f (target at most 0.5)\n", fastestName, own.ms / fastest);

  if (!THC_HEAP_MEASURED) {
    std::printf("thconsole heap: not measured in a sanitizer build\n");
    fs::remove_all(dir);
    return ownOk && Agrees(second.r, Expected(2 * rows)) ? 0 : 1;
  }
  const double bound = 2.0 * static_cast<double>(ownStore) + static_cast<double>(largest);
  std::printf("thconsole heap: peak %.1f MB while reading, %.1f MB kept by the workbook (cell store %.1f MB)\n",
              ownPeak / 1e6, first.kept / 1e6, ownStore / 1e6);
  std::printf("peak / bound (2 x cell store + largest part = %.1f MB): %.3f (target at most 1)\n", bound / 1e6,
              ownPeak / bound);
  fs::remove_all(dir);
  return ownOk && Agrees(second.r, Expected(2 * rows)) ? 0 : 1;
}
