// Writes the same report (canvas text in "宋体" and page grid, as the console's PDF report draws it)
// with the PDF writer and with libharu (an embedded TrueType font with UTF-8 text), uncompressed and
// deflated, at several row counts, and prints time, peak memory and size of each with the ratios, in
// one run. Every writer runs in a fresh child process of this program, so that its peak resident
// memory (VmHWM) is its own; the time is the best of three children, the memory the highest.
//   bench_pdf_report [rows ...]      (default: 10000 20000 100000 200000)
#include <hpdf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/strings.h"
#include "pdf/document.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "platform/gdi/metafile_canvas.h"

namespace {

struct Row {
  std::string number, temperature, humidity, time;
};

Row MakeRow(int i) {
  const int t = (i * 37) % 900 - 200, h = (i * 53) % 1000;
  return {std::to_string(i + 1), core::format("%g", t / 10.0), core::format("%g", h / 10.0),
          core::format("2014-04-%02d %02d:%02d:%02d", 1 + i / 1440 % 28, i / 60 % 24, i % 60, (i * 7) % 60)};
}

// The console's layout: title and header on the first page, 47 rows there and 51 on later pages,
// canvas text rows 20 units apart and grid rows of 15 page units, each row's state restored after
// its stroke.
void WriteOurs(const std::string& file, int rows, bool deflate) {
  pdf::TPDFDocument doc;
  doc.SetFileName(file);
  doc.SetCompression(deflate ? pdf::TCompressionType::ctFlate : pdf::TCompressionType::ctNone);
  doc.BeginDoc();
  auto grid_row = [&](int top) {
    pdf::TPDFPage* p = doc.CurrentPage;
    p->SaveState();
    p->NewPath();
    for (int w : {63, 153, 243, 480}) p->Rectangle(57, top, 57 + w, top + 15);
    p->ClosePath();
    p->Stroke();
    p->RestoreState();
  };
  platform::gdi::Canvas* c = pdf::PageCanvas(doc);
  c->Font.Name = "宋体";
  c->Font.Charset = platform::gdi::GB2312_CHARSET;
  c->Font.Size = 20;
  c->TextOut(300, 30, "温湿度历史记录");
  c->Font.Size = 10;
  c->TextOut(88, 100, "序号");
  c->TextOut(170, 100, "温度");
  c->TextOut(290, 100, "湿度");
  c->TextOut(410, 100, "日期");
  grid_row(73);
  int grid_y = 88, text_y = 120, count = 4;
  for (int i = 0; i < rows; ++i) {
    const Row r = MakeRow(i);
    c->Font.Size = 10;
    c->TextOut(90, text_y, r.number);
    c->TextOut(170, text_y, r.temperature);
    c->TextOut(290, text_y, r.humidity);
    c->TextOut(410, text_y, r.time);
    grid_row(grid_y);
    grid_y += 15;
    text_y += 20;
    if (++count == 51) {
      doc.NewPage();
      c = pdf::PageCanvas(doc);
      c->Font.Name = "宋体";
      c->Font.Charset = platform::gdi::GB2312_CHARSET;
      count = 0;
      grid_y = 43;
      text_y = 60;
    }
  }
  doc.EndDoc();
}

std::string FontFile() {
  std::FILE* p = popen("fc-match -f '%{file}' 'AR PL SungtiL GB'", "r");
  std::string out;
  if (p != nullptr) {
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

void OnHpdfError(HPDF_STATUS error, HPDF_STATUS detail, void*) {
  std::fprintf(stderr, "libharu error %04X (%u)\n", static_cast<unsigned>(error), static_cast<unsigned>(detail));
}

void WriteHaru(const std::string& file, int rows, bool deflate) {
  const std::string font_file = FontFile();
  HPDF_Doc pdf = HPDF_New(OnHpdfError, nullptr);
  HPDF_SetCompressionMode(pdf, deflate ? HPDF_COMP_ALL : HPDF_COMP_NONE);
  HPDF_UseUTFEncodings(pdf);
  HPDF_SetCurrentEncoder(pdf, "UTF-8");
  const char* name = HPDF_LoadTTFontFromFile(pdf, font_file.c_str(), HPDF_TRUE);
  HPDF_Font font = HPDF_GetFont(pdf, name, "UTF-8");
  HPDF_Page page = nullptr;
  const double k = 0.75;  // canvas pixels at 96 dpi to points
  auto new_page = [&] {
    page = HPDF_AddPage(pdf);
    HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
  };
  auto text = [&](double size, int x, int y, const std::string& s) {
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, static_cast<HPDF_REAL>(size));
    HPDF_Page_TextOut(page, static_cast<HPDF_REAL>(x * k), static_cast<HPDF_REAL>(842 - y * k - size), s.c_str());
    HPDF_Page_EndText(page);
  };
  auto grid_row = [&](int top) {
    for (int w : {63, 153, 243, 480})
      HPDF_Page_Rectangle(page, 57, static_cast<HPDF_REAL>(842 - top - 15), static_cast<HPDF_REAL>(w), 15);
    HPDF_Page_Stroke(page);
  };
  new_page();
  text(20, 300, 30, "温湿度历史记录");
  for (auto [x, s] : {std::pair{88, "序号"}, {170, "温度"}, {290, "湿度"}, {410, "日期"}}) text(10, x, 100, s);
  grid_row(73);
  int grid_y = 88, text_y = 120, count = 4;
  for (int i = 0; i < rows; ++i) {
    const Row r = MakeRow(i);
    text(10, 90, text_y, r.number);
    text(10, 170, text_y, r.temperature);
    text(10, 290, text_y, r.humidity);
    text(10, 410, text_y, r.time);
    grid_row(grid_y);
    grid_y += 15;
    text_y += 20;
    if (++count == 51) {
      new_page();
      count = 0;
      grid_y = 43;
      text_y = 60;
    }
  }
  HPDF_SaveToFile(pdf, file.c_str());
  HPDF_Free(pdf);
}

// The peak resident set of this process in KiB, as the kernel counts it.
long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The child's side: one document, then "seconds peak-KiB bytes" on stdout.
int RunChild(const std::string& writer, bool deflate, int rows, const std::string& file) {
  const auto start = std::chrono::steady_clock::now();
  if (writer == "ours")
    WriteOurs(file, rows, deflate);
  else
    WriteHaru(file, rows, deflate);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long peak = PeakKiB();
  std::printf("%.6f %ld %ju\n", seconds, peak, static_cast<std::uintmax_t>(std::filesystem::file_size(file)));
  std::filesystem::remove(file);
  return 0;
}

struct Result {
  double seconds = 0;
  long peak_kib = 0;
  std::uintmax_t bytes = 0;
};

// Runs one writer in a fresh process of this program and reads what it reports.
Result RunInChild(const std::string& self, const char* writer, bool deflate, int rows, const std::string& file) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const std::string rows_text = std::to_string(rows);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(self.c_str(), self.c_str(), "--child", writer, deflate ? "deflate" : "none", rows_text.c_str(),
          file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Result r;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(out.c_str(), "%lf %ld %ju", &r.seconds, &r.peak_kib, &r.bytes) != 3) {
    std::fprintf(stderr, "the %s writer failed at %d rows\n", writer, rows);
    std::exit(1);
  }
  return r;
}

Result BestOfThree(const std::string& self, const char* writer, bool deflate, int rows, const std::string& file) {
  Result best = RunInChild(self, writer, deflate, rows, file);
  for (int i = 0; i < 2; ++i) {
    const Result r = RunInChild(self, writer, deflate, rows, file);
    best.seconds = std::min(best.seconds, r.seconds);
    best.peak_kib = std::max(best.peak_kib, r.peak_kib);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
    return RunChild(argv[2], std::strcmp(argv[3], "deflate") == 0, std::atoi(argv[4]), argv[5]);

  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10000, 20000, 100000, 200000};
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::printf("libharu font: %s\n", FontFile().c_str());
  std::printf("%8s %-9s %-10s %9s %9s %12s\n", "rows", "writer", "content", "time s", "peak MiB", "bytes");
  for (const bool deflate : {false, true}) {
    const char* mode = deflate ? "deflate" : "none";
    std::vector<std::array<Result, 2>> results;
    for (int rows : counts) {
      std::array<Result, 2> pair;
      pair[0] = BestOfThree(self, "ours", deflate, rows, (dir / "thc_bench_ours.pdf").string());
      pair[1] = BestOfThree(self, "libharu", deflate, rows, (dir / "thc_bench_haru.pdf").string());
      const char* names[2] = {"thconsole", "libharu"};
      for (int w = 0; w < 2; ++w)
        std::printf("%8d %-9s %-10s %9.3f %9.1f %12ju\n", rows, names[w], mode, pair[w].seconds,
                    pair[w].peak_kib / 1024.0, pair[w].bytes);
      std::printf("%8d ratio thconsole/libharu (%s): time %.2f, peak memory %.2f, size %.2f\n", rows, mode,
                  pair[0].seconds / pair[1].seconds,
                  static_cast<double>(pair[0].peak_kib) / static_cast<double>(pair[1].peak_kib),
                  static_cast<double>(pair[0].bytes) / static_cast<double>(pair[1].bytes));
      results.push_back(pair);
    }
    // How the cost grows: per-row time and memory of each count against the first.
    for (std::size_t i = 1; i < counts.size(); ++i) {
      const double rows_factor = static_cast<double>(counts[i]) / counts[0];
      std::printf("%8d growth against %d rows (%s, rows x%.0f): thconsole time x%.2f memory x%.2f, "
                  "libharu time x%.2f memory x%.2f\n",
                  counts[i], counts[0], mode, rows_factor, results[i][0].seconds / results[0][0].seconds,
                  static_cast<double>(results[i][0].peak_kib) / results[0][0].peak_kib,
                  results[i][1].seconds / results[0][1].seconds,
                  static_cast<double>(results[i][1].peak_kib) / results[0][1].peak_kib);
    }
  }
  return 0;
}
